#pragma once
#include <QComboBox>

// Incremental combo box: an editable combo box that completes the typed text
// from its items, each item carrying a key text (kept as item data under
// KeyRole). Callers show the text and work with the key.
class TIncCombo : public QComboBox
{
    Q_OBJECT
public:
    static constexpr int KeyRole = Qt::UserRole;

    explicit TIncCombo(QWidget *parent = nullptr);

    void AddItem(const QString &text, const QString &key);
    QString Key(int index) const;
    void SetKey(int index, const QString &key);
    // Key of the selected item; empty when none is selected.
    QString CurrentKey() const;
    // First item with this text, case-insensitive; -1 when none.
    int IndexOfText(const QString &text) const;
    // Empties text, items and keys.
    void ClearAll();
};
