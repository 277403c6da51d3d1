#include "CheckListModel.h"

#include <algorithm>
#include <numeric>

TCheckListModel::TCheckListModel(QObject *parent)
    : QAbstractListModel(parent)
{
}

int TCheckListModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : Count();
}

QVariant TCheckListModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || !valid(index.row()))
        return QVariant();
    const TCheckListItem &item = m_items.at(index.row());
    switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole:
        return item.text;
    case Qt::CheckStateRole:
        return int(item.checked ? Qt::Checked : Qt::Unchecked);
    default:
        return QVariant();
    }
}

bool TCheckListModel::setData(const QModelIndex &index, const QVariant &value, int role)
{
    if (role != Qt::CheckStateRole || !index.isValid() || !valid(index.row()))
        return false;
    const bool checked = value.toInt() == Qt::Checked;
    if (m_items.at(index.row()).checked == checked)
        return true;
    SetChecked(index.row(), checked);
    emit CheckMarkClicked();
    return true;
}

Qt::ItemFlags TCheckListModel::flags(const QModelIndex &index) const
{
    if (!index.isValid() || !valid(index.row()))
        return Qt::NoItemFlags;
    Qt::ItemFlags f = Qt::ItemIsSelectable | Qt::ItemIsUserCheckable | Qt::ItemNeverHasChildren;
    if (m_items.at(index.row()).enabled)
        f |= Qt::ItemIsEnabled;
    return f;
}

void TCheckListModel::SetItems(const QList<TCheckListItem> &items)
{
    beginResetModel();
    m_items = items;
    endResetModel();
}

QStringList TCheckListModel::Lines() const
{
    QStringList lines;
    lines.reserve(m_items.size());
    for (const TCheckListItem &item : m_items)
        lines.append(item.text);
    return lines;
}

QString TCheckListModel::TextAt(int row) const
{
    return valid(row) ? m_items.at(row).text : QString();
}

bool TCheckListModel::CheckedAt(int row) const
{
    return valid(row) && m_items.at(row).checked;
}

bool TCheckListModel::EnabledAt(int row) const
{
    return valid(row) && m_items.at(row).enabled;
}

void TCheckListModel::changed(int first, int last, const QList<int> &roles)
{
    emit dataChanged(index(first), index(last), roles);
}

void TCheckListModel::SetText(int row, const QString &text)
{
    if (!valid(row) || m_items.at(row).text == text)
        return;
    m_items[row].text = text;
    changed(row, row, {Qt::DisplayRole, Qt::EditRole});
}

void TCheckListModel::SetChecked(int row, bool checked)
{
    if (!valid(row) || m_items.at(row).checked == checked)
        return;
    m_items[row].checked = checked;
    changed(row, row, {Qt::CheckStateRole});
}

void TCheckListModel::SetEnabled(int row, bool enabled)
{
    if (!valid(row) || m_items.at(row).enabled == enabled)
        return;
    m_items[row].enabled = enabled;
    // The flags have no role of their own: the views repaint the whole row.
    changed(row, row, {});
}

void TCheckListModel::SetAllChecked(bool checked)
{
    if (m_items.isEmpty())
        return;
    for (TCheckListItem &item : m_items)
        item.checked = checked;
    changed(0, Count() - 1, {Qt::CheckStateRole});
}

void TCheckListModel::ToggleAllChecked()
{
    if (m_items.isEmpty())
        return;
    for (TCheckListItem &item : m_items)
        item.checked = !item.checked;
    changed(0, Count() - 1, {Qt::CheckStateRole});
}

void TCheckListModel::InsertItem(int row, const TCheckListItem &item)
{
    row = std::clamp(row, 0, Count());
    beginInsertRows(QModelIndex(), row, row);
    m_items.insert(row, item);
    endInsertRows();
}

void TCheckListModel::RemoveItem(int row)
{
    if (!valid(row))
        return;
    beginRemoveRows(QModelIndex(), row, row);
    m_items.removeAt(row);
    endRemoveRows();
}

void TCheckListModel::Clear()
{
    if (m_items.isEmpty())
        return;
    beginResetModel();
    m_items.clear();
    endResetModel();
}

void TCheckListModel::SortItems(const std::function<bool(const QString &a, const QString &b)> &less)
{
    const int n = Count();
    QList<int> order(n);
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(),
                     [&](int a, int b) { return less(m_items.at(a).text, m_items.at(b).text); });
    bool same = true;
    for (int i = 0; i < n && same; ++i)
        same = order.at(i) == i;
    if (same)
        return;
    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    QList<TCheckListItem> sorted;
    sorted.reserve(n);
    QList<int> newRow(n);
    for (int i = 0; i < n; ++i) {
        sorted.append(m_items.at(order.at(i)));
        newRow[order.at(i)] = i;
    }
    m_items = sorted;
    const QModelIndexList from = persistentIndexList();
    QModelIndexList to;
    to.reserve(from.size());
    for (const QModelIndex &i : from)
        to.append(index(newRow.at(i.row())));
    changePersistentIndexList(from, to);
    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}
