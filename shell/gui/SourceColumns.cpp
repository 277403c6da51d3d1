#include "SourceColumns.h"

#include "SourceStructure.h"

TSourceColumns::TSourceColumns(TShellSourceList &sources, QObject *parent)
    : QAbstractTableModel(parent), m_sources(sources)
{
    // Rows come and go with the list; a tick or text changes its row in place.
    const auto reset = [this] {
        beginResetModel();
        endResetModel();
    };
    connect(&sources, &QAbstractItemModel::modelReset, this, reset);
    connect(&sources, &QAbstractItemModel::rowsInserted, this, reset);
    connect(&sources, &QAbstractItemModel::rowsRemoved, this, reset);
    connect(&sources, &QAbstractItemModel::rowsMoved, this, reset);
    connect(&sources, &QAbstractItemModel::layoutChanged, this, [this] {
        emit layoutAboutToBeChanged();
        emit layoutChanged();
    });
    connect(&sources, &QAbstractItemModel::dataChanged, this, [this](const QModelIndex &from, const QModelIndex &to) {
        emit dataChanged(index(from.row(), 0), index(to.row(), columnCount() - 1));
    });
}

void TSourceColumns::SetCompactedShown(bool shown)
{
    if (shown == m_compacted)
        return;
    beginResetModel();
    m_compacted = shown;
    endResetModel();
}

void TSourceColumns::StructureChanged()
{
    if (rowCount() > 0)
        emit dataChanged(index(0, 0), index(rowCount() - 1, columnCount() - 1));
}

int TSourceColumns::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : m_sources.Count();
}

int TSourceColumns::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : (m_compacted ? Compacted + 1 : UniqueName + 1);
}

QVariant TSourceColumns::data(const QModelIndex &index, int role) const
{
    const int row = index.row();
    if (!index.isValid() || row >= m_sources.Count())
        return {};
    if (index.column() == Path && role != Qt::DisplayRole)
        return m_sources.data(m_sources.index(row), role);
    if (role != Qt::DisplayRole && role != Qt::ToolTipRole)
        return {};
    const QString path = m_sources.PathAt(row);
    if (role == Qt::ToolTipRole)
        return path;
    // Unticked sources take no part in the structure.
    const bool ticked = m_sources.CheckedAt(row);
    const TSourceDerived d = m_sources.DerivedAt(row);
    switch (index.column()) {
    case Path: return ticked ? m_sources.RelativePath(path) : path;
    case Component: return ticked ? d.Component : QString();
    case Module: return ticked ? d.Module : QString();
    case UniqueName: return ticked && d.Duplicate > 0 ? d.UniqueName() : QString();
    case Compacted: return ticked ? d.Compacted : QString();
    default: return {};
    }
}

bool TSourceColumns::setData(const QModelIndex &index, const QVariant &value, int role)
{
    if (!index.isValid() || index.column() != Path)
        return false;
    return m_sources.setData(m_sources.index(index.row()), value, role);
}

Qt::ItemFlags TSourceColumns::flags(const QModelIndex &index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    const Qt::ItemFlags own = m_sources.flags(m_sources.index(index.row()));
    return index.column() == Path ? own : own & ~Qt::ItemIsUserCheckable;
}

QVariant TSourceColumns::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return {};
    switch (section) {
    case Path: return QStringLiteral("Source file");
    case Component: return QStringLiteral("Component");
    case Module: return QStringLiteral("Module");
    case UniqueName: return QStringLiteral("Unique name");
    case Compacted: return QStringLiteral("Compacted path");
    default: return {};
    }
}
