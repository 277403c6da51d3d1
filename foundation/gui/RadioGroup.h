#pragma once
#include <QGroupBox>
#include <QStringList>

class QButtonGroup;
class QRadioButton;
class QVBoxLayout;

// A titled group of exclusive radio buttons built from an item list, one
// button per item in a column; ItemIndex is the checked item, -1 for none.
class TRadioGroup : public QGroupBox
{
    Q_OBJECT
    Q_PROPERTY(QStringList Items READ Items WRITE SetItems)
    Q_PROPERTY(int ItemIndex READ ItemIndex WRITE SetItemIndex NOTIFY ItemIndexChanged)
public:
    explicit TRadioGroup(QWidget *parent = nullptr);
    explicit TRadioGroup(const QString &title, QWidget *parent = nullptr);

    QStringList Items() const;
    // Rebuilds the buttons; the item index is kept, cut to the new last item.
    void SetItems(const QStringList &items);
    int Count() const;
    QRadioButton *Button(int index) const;

    int ItemIndex() const;
    // Values below -1 become -1, values past the last item the last item
    // (-1 when there are none).
    void SetItemIndex(int index);

signals:
    void ItemIndexChanged(int index);

private:
    QButtonGroup *m_group;
    QVBoxLayout *m_layout;
};
