#include "IncCombo.h"

#include "SharedRoutinesCommon.h"

TIncCombo::TIncCombo(QWidget *parent)
    : QComboBox(parent)
{
    setEditable(true);
    setInsertPolicy(QComboBox::NoInsert);
}

void TIncCombo::AddItem(const QString &text, const QString &key)
{
    addItem(text, key);
}

QString TIncCombo::Key(int index) const
{
    return itemData(index, KeyRole).toString();
}

void TIncCombo::SetKey(int index, const QString &key)
{
    setItemData(index, key, KeyRole);
}

QString TIncCombo::CurrentKey() const
{
    return currentIndex() < 0 ? QString() : Key(currentIndex());
}

int TIncCombo::IndexOfText(const QString &text) const
{
    for (int i = 0; i < count(); ++i) {
        if (SameText(itemText(i), text))
            return i;
    }
    return -1;
}

void TIncCombo::ClearAll()
{
    clear();
    clearEditText();
}
