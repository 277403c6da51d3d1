#pragma once
// The lines of a check list without the widget: text, check mark and
// enabled flag per row, shown by any item view. The form state passes save
// and restore a QListView over such a model exactly as a QListWidget, so a
// window can keep its list logic in a core class derived from this one.

#include "StreamToIniCore.h"

#include <QAbstractListModel>
#include <QList>
#include <QStringList>

#include <functional>

class TCheckListModel : public QAbstractListModel
{
    Q_OBJECT
public:
    explicit TCheckListModel(QObject *parent = nullptr);

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    // The text (display and edit role) and the check mark (Qt::CheckStateRole).
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    // Only the check mark changes here: it is the way a view's user ticks a
    // line, so a change emits CheckMarkClicked. Programs use SetChecked.
    bool setData(const QModelIndex &index, const QVariant &value, int role = Qt::EditRole) override;
    // Selectable and checkable; enabled as the line says.
    Qt::ItemFlags flags(const QModelIndex &index) const override;

    int Count() const { return int(m_items.size()); }
    QList<TCheckListItem> Items() const { return m_items; }
    // Replaces every line, as a restored window does.
    void SetItems(const QList<TCheckListItem> &items);
    QStringList Lines() const;

    // Rows out of range read as empty, unchecked and disabled, and are not written.
    QString TextAt(int row) const;
    bool CheckedAt(int row) const;
    bool EnabledAt(int row) const;
    void SetText(int row, const QString &text);
    void SetChecked(int row, bool checked);
    void SetEnabled(int row, bool enabled);
    // Every line ticked (or not) at once.
    void SetAllChecked(bool checked);
    void ToggleAllChecked();

    void InsertItem(int row, const TCheckListItem &item);
    void AppendItem(const TCheckListItem &item) { InsertItem(Count(), item); }
    void RemoveItem(int row);
    void Clear();
    // Orders the lines by their texts, keeping equal ones in place; the
    // current and selected lines of a view stay on their items.
    void SortItems(const std::function<bool(const QString &a, const QString &b)> &less);

signals:
    // The user ticked or unticked a line in a view.
    void CheckMarkClicked();

private:
    bool valid(int row) const { return row >= 0 && row < m_items.size(); }
    void changed(int first, int last, const QList<int> &roles);

    QList<TCheckListItem> m_items;
};
