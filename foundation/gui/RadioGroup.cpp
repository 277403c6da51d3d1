#include "RadioGroup.h"

#include <QButtonGroup>
#include <QRadioButton>
#include <QVBoxLayout>

TRadioGroup::TRadioGroup(QWidget *parent)
    : TRadioGroup(QString(), parent)
{
}

TRadioGroup::TRadioGroup(const QString &title, QWidget *parent)
    : QGroupBox(title, parent), m_group(new QButtonGroup(this)), m_layout(new QVBoxLayout(this))
{
    m_group->setExclusive(true);
    connect(m_group, &QButtonGroup::idToggled, this, [this](int id, bool checked) {
        if (checked)
            emit ItemIndexChanged(id);
    });
}

QStringList TRadioGroup::Items() const
{
    QStringList items;
    for (int i = 0; i < Count(); ++i)
        items.append(Button(i)->text());
    return items;
}

void TRadioGroup::SetItems(const QStringList &items)
{
    const int index = ItemIndex();
    const QList<QAbstractButton *> old = m_group->buttons();
    for (QAbstractButton *b : old) {
        m_group->removeButton(b);
        delete b;
    }
    for (qsizetype i = 0; i < items.size(); ++i) {
        auto *b = new QRadioButton(items.at(i), this);
        m_group->addButton(b, int(i));
        m_layout->addWidget(b);
    }
    SetItemIndex(index);
    if (index >= 0 && ItemIndex() < 0)
        emit ItemIndexChanged(-1);   // the checked button went with the old items
}

int TRadioGroup::Count() const
{
    return int(m_group->buttons().size());
}

QRadioButton *TRadioGroup::Button(int index) const
{
    return qobject_cast<QRadioButton *>(m_group->button(index));
}

int TRadioGroup::ItemIndex() const
{
    return m_group->checkedId();
}

void TRadioGroup::SetItemIndex(int index)
{
    index = qBound(-1, index, Count() - 1);
    if (index >= 0) {
        Button(index)->setChecked(true);
        return;
    }
    if (QAbstractButton *checked = m_group->checkedButton()) {
        // An exclusive group never unchecks its last button by itself.
        m_group->setExclusive(false);
        checked->setChecked(false);
        m_group->setExclusive(true);
        emit ItemIndexChanged(-1);
    }
}
