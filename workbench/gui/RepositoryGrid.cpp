#include "RepositoryGrid.h"

#include "CommandDispatch.h"
#include "DialogService.h"
#include "LayoutHelpers.h"
#include "MyStatusBar.h"
#include "SharedRoutinesCommon.h"

#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QHeaderView>
#include <QMimeData>
#include <QMouseEvent>
#include <QProxyStyle>
#include <QSqlQuery>
#include <QUrl>
#include <QWheelEvent>

#include <algorithm>
#include <utility>

namespace {

const QString LevelGrafField = QStringLiteral("LevelGraf");
const QString NameField = QStringLiteral("Name");
constexpr size_t CachedPages = 8;

// The order of the table's index in use, as its row list is read.
QString orderClause(const TRepositoryTable &table)
{
    const TRepositoryTableDef &def = table.Definition();
    switch (table.Order()) {
    case TRepositoryTable::TOrder::Name:
        if (def.field(NameField))
            return QStringLiteral(" order by NameFold, Kulcs");
        break;
    case TRepositoryTable::TOrder::Duplis:
        if (def.field(QStringLiteral("QualifierName")))
            return QStringLiteral(" order by QualifierNameFold, OwnNameFold, Kulcs");
        break;
    case TRepositoryTable::TOrder::Kulcs:
        break;
    }
    return QStringLiteral(" order by Kulcs");
}

QString displayText(const QVariant &value)
{
    if (!value.isValid() || value.isNull())
        return QString();
    if (value.typeId() == QMetaType::Bool)
        return value.toBool() ? QStringLiteral("True") : QStringLiteral("False");
    return value.toString();
}

// Cells keep a narrow text margin, so a column sized to its text
// (LayoutHelpers) shows the text whole.
class TGridCellStyle : public QProxyStyle
{
public:
    int pixelMetric(PixelMetric metric, const QStyleOption *option, const QWidget *widget) const override
    {
        if (metric == PM_FocusFrameHMargin && qobject_cast<const TDBGridWithDrag *>(widget))
            return 0;
        return QProxyStyle::pixelMetric(metric, option, widget);
    }
};

QStyle *gridCellStyle()
{
    static QPointer<QStyle> style;
    if (!style) {
        style = new TGridCellStyle;
        style->setParent(qApp);
    }
    return style;
}

} // namespace

// ---- TRepositoryGridModel ----------------------------------------------------------

TRepositoryGridModel::TRepositoryGridModel(TDM &dm, TRepositoryTable *table, QList<TGridColumn> columns,
                                           QObject *parent)
    : QAbstractTableModel(parent), m_dm(&dm), m_columns(std::move(columns))
{
    m_table = table;
    attach();
    m_rowCount = (m_table && m_table->Active()) ? m_table->RecordCount() : 0;
    m_lastCurrent = CurrentRow();
}

TRepositoryGridModel::~TRepositoryGridModel()
{
    detach();
}

void TRepositoryGridModel::attach()
{
    if (!m_table)
        return;
    m_connections << connect(m_table, &TRepositoryTable::RowsChanged, this, &TRepositoryGridModel::reload)
                  << connect(m_table, &TRepositoryTable::CurrentChanged, this,
                             &TRepositoryGridModel::tableCurrentChanged)
                  << connect(m_table, &TRepositoryTable::StateChanged, this,
                             &TRepositoryGridModel::tableCurrentChanged)
                  << connect(m_table, &QObject::destroyed, this, &TRepositoryGridModel::reload,
                             Qt::QueuedConnection);
}

void TRepositoryGridModel::detach()
{
    for (const QMetaObject::Connection &c : std::as_const(m_connections))
        disconnect(c);
    m_connections.clear();
}

void TRepositoryGridModel::SetTable(TRepositoryTable *table)
{
    detach();
    m_table = table;
    attach();
    if (m_suspended) {
        // No rows of the previous table stay behind.
        beginResetModel();
        m_pages.clear();
        m_pageUse.clear();
        m_rowCount = 0;
        m_lastCurrent = -1;
        endResetModel();
    }
    reload();
}

void TRepositoryGridModel::SetSuspended(bool suspended)
{
    if (m_suspended == suspended)
        return;
    m_suspended = suspended;
    if (!suspended && std::exchange(m_dirty, false))
        reload();
}

void TRepositoryGridModel::reload()
{
    if (m_suspended) {
        m_dirty = true;
        return;
    }
    beginResetModel();
    m_pages.clear();
    m_pageUse.clear();
    m_rowCount = 0;
    try {
        if (m_table && m_table->Active())
            m_rowCount = m_table->RecordCount();
    } catch (const EQuenbarError &) {
        m_rowCount = 0; // a table that cannot be read shows no rows
    }
    endResetModel();
    m_lastCurrent = CurrentRow();
    emit CurrentRowChanged();
}

int TRepositoryGridModel::CurrentRow() const
{
    if (!m_table || !m_table->Active() || !m_table->HasCurrent())
        return -1;
    return m_table->RecNo();
}

void TRepositoryGridModel::tableCurrentChanged()
{
    if (m_suspended) {
        m_dirty = true;
        return;
    }
    // The rows are about to be read again when the table's filter moved;
    // until then only rows inside the known ones are touched.
    const int row = CurrentRow();
    const int lastColumn = int(m_columns.size()) - 1;
    if (m_lastCurrent >= 0 && m_lastCurrent < m_rowCount && m_lastCurrent != row)
        emit dataChanged(index(m_lastCurrent, 0), index(m_lastCurrent, lastColumn));
    if (row >= 0 && row < m_rowCount)
        emit dataChanged(index(row, 0), index(row, lastColumn));
    m_lastCurrent = row;
    emit CurrentRowChanged();
}

QString TRepositoryGridModel::selectSql() const
{
    const TRepositoryTableDef &def = m_table->Definition();
    QStringList expressions{QStringLiteral("Kulcs")};
    for (const TGridColumn &c : m_columns) {
        if (SameText(c.field, LevelGrafField) && def.name == QLatin1String("Parameters"))
            expressions << TDM::LevelGrafSql();
        else if (const TRepositoryField *f = def.field(c.field))
            expressions << f->name;
        else
            expressions << QStringLiteral("null");
    }
    return QStringLiteral("select ") + expressions.join(QStringLiteral(", ")) + QStringLiteral(" from ") + def.name
           + (m_table->Master() ? QStringLiteral(" where UpPointer = ?") : QString()) + orderClause(*m_table)
           + QStringLiteral(" limit ? offset ?");
}

const TRepositoryGridModel::TPage *TRepositoryGridModel::page(int pageNo) const
{
    const auto found = m_pages.find(pageNo);
    if (found != m_pages.end()) {
        m_pageUse.remove(pageNo);
        m_pageUse.push_front(pageNo);
        return &found->second;
    }
    if (!m_dm || !m_table || !m_table->Active())
        return nullptr;
    TPage fresh;
    try {
        QSqlQuery q(m_dm->database());
        q.setForwardOnly(true);
        if (!q.prepare(selectSql()))
            return nullptr;
        if (TRepositoryTable *master = m_table->Master())
            q.addBindValue(qlonglong(master->Kulcs()));
        q.addBindValue(PageSize);
        q.addBindValue(qlonglong(pageNo) * PageSize);
        if (!q.exec())
            return nullptr;
        const int columns = int(m_columns.size());
        while (q.next()) {
            fresh.keys.push_back(q.value(0).toLongLong());
            std::vector<QVariant> values(static_cast<size_t>(columns));
            for (int c = 0; c < columns; ++c) {
                if (q.isNull(c + 1))
                    continue;
                const TRepositoryField *f = m_table->Definition().field(m_columns[c].field);
                const QVariant v = q.value(c + 1);
                values[size_t(c)] = (f && f->kind == TRepositoryFieldKind::Boolean) ? QVariant(v.toLongLong() != 0) : v;
            }
            fresh.values.push_back(std::move(values));
        }
    } catch (const EQuenbarError &) {
        return nullptr;
    }
    m_rowsRead += qint64(fresh.keys.size());
    while (m_pageUse.size() >= CachedPages) {
        m_pages.erase(m_pageUse.back());
        m_pageUse.pop_back();
    }
    m_pageUse.push_front(pageNo);
    return &(m_pages[pageNo] = std::move(fresh));
}

qint64 TRepositoryGridModel::KeyAt(int row) const
{
    if (row < 0 || row >= m_rowCount)
        return 0;
    const TPage *p = page(row / PageSize);
    const size_t i = size_t(row % PageSize);
    return p && i < p->keys.size() ? p->keys[i] : 0;
}

int TRepositoryGridModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : m_rowCount;
}

int TRepositoryGridModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_columns.size());
}

QVariant TRepositoryGridModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= m_rowCount || index.column() >= int(m_columns.size()))
        return QVariant();
    const TGridColumn &column = m_columns[index.column()];
    if (role == Qt::TextAlignmentRole)
        return QVariant::fromValue(column.alignment);
    if (role != Qt::DisplayRole && role != Qt::EditRole)
        return QVariant();
    try {
        // The row being edited shows what the user typed so far.
        if (m_table && m_table->State() == TRepositoryTable::TState::Edit && index.row() == CurrentRow())
            return displayText(m_table->FieldValue(column.field));
    } catch (const EQuenbarError &) {
        return QVariant();
    }
    const TPage *p = page(index.row() / PageSize);
    const size_t i = size_t(index.row() % PageSize);
    if (!p || i >= p->values.size())
        return QVariant();
    return displayText(p->values[i][size_t(index.column())]);
}

QVariant TRepositoryGridModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || section < 0 || section >= int(m_columns.size()))
        return QAbstractTableModel::headerData(section, orientation, role);
    const TGridColumn &column = m_columns[section];
    switch (role) {
    case Qt::DisplayRole:
        return column.title;
    case Qt::TextAlignmentRole:
        return QVariant::fromValue(column.alignment);
    case GridFieldKindRole: {
        const TRepositoryField *f = m_table ? m_table->Definition().field(column.field) : nullptr;
        return (f && f->kind != TRepositoryFieldKind::Text) ? int(GridOtherField) : int(GridTextField);
    }
    case GridDisplayWidthRole:
        return column.displayWidth >= 0 ? QVariant(column.displayWidth) : QVariant();
    default:
        break;
    }
    return QVariant();
}

// ---- TDBGridWithDrag ----------------------------------------------------------------

TDBGridWithDrag::TDBGridWithDrag(QWidget *parent) : QTableView(parent)
{
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setShowGrid(true);
    setWordWrap(false);
    setTabKeyNavigation(false);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    verticalHeader()->hide();
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 4);
    horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    horizontalHeader()->setStretchLastSection(false);
    horizontalHeader()->setHighlightSections(false);
    setAcceptDrops(true);
    viewport()->setAcceptDrops(true);
    setDragDropMode(QAbstractItemView::NoDragDrop);
    setStyle(gridCellStyle());
}

void TDBGridWithDrag::SetDataSource(TRepositoryGridModel *model)
{
    disconnect(m_modelConnection);
    m_model = model;
    setModel(model);
    if (model) {
        // Columns start as wide as their titles (a number column as its
        // display width); sizing to the rows in view widens them later.
        const QFontMetrics titles(horizontalHeader()->font());
        const QFontMetrics cells(font());
        for (int c = 0; c < model->columnCount(); ++c) {
            int width = titles.horizontalAdvance(model->headerData(c, Qt::Horizontal).toString()) + 10;
            const QVariant digits = model->headerData(c, Qt::Horizontal, GridDisplayWidthRole);
            if (digits.isValid())
                width = std::max(width, digits.toInt() * cells.horizontalAdvance(QLatin1Char('0')) + 6);
            setColumnWidth(c, width);
        }
    }
    if (model) {
        m_modelConnection =
            connect(model, &TRepositoryGridModel::CurrentRowChanged, this, &TDBGridWithDrag::SyncToTable);
        model->SetSuspended(!isVisible());
    }
    SyncToTable();
}

void TDBGridWithDrag::showEvent(QShowEvent *event)
{
    QTableView::showEvent(event);
    if (m_model)
        m_model->SetSuspended(false);
    SyncToTable();
}

void TDBGridWithDrag::hideEvent(QHideEvent *event)
{
    QTableView::hideEvent(event);
    if (m_model && !isVisible())
        m_model->SetSuspended(true);
}

TMyStatusBar *TDBGridWithDrag::bar()
{
    return StatusBar ? StatusBar : StatusBarOf(this);
}

void TDBGridWithDrag::SyncToTable()
{
    if (!m_model || !selectionModel())
        return;
    const bool wasSyncing = m_syncing;
    m_syncing = true;
    const int row = m_model->CurrentRow();
    if (row >= 0 && row < m_model->rowCount()) {
        const int column = std::max(currentIndex().column(), 0);
        const QModelIndex target = m_model->index(row, std::min(column, m_model->columnCount() - 1));
        selectionModel()->setCurrentIndex(target, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
        scrollTo(target);
    } else {
        selectionModel()->clear();
    }
    m_syncing = wasSyncing;
}

void TDBGridWithDrag::currentChanged(const QModelIndex &current, const QModelIndex &previous)
{
    QTableView::currentChanged(current, previous);
    if (m_syncing || !m_model || !current.isValid() || current.row() == m_model->CurrentRow())
        return;
    TRepositoryTable *table = m_model->Table();
    const qint64 key = m_model->KeyAt(current.row());
    if (table && table->Active() && key != 0)
        RunCommand(bar(), [table, key] { table->Locate(key); });
    // A row change that failed (a post refused) puts the selection back.
    SyncToTable();
}

void TDBGridWithDrag::mousePressEvent(QMouseEvent *event)
{
    m_downTracked = event->button() == Qt::LeftButton;
    m_downPos = event->position().toPoint();
    QTableView::mousePressEvent(event);
}

void TDBGridWithDrag::mouseMoveEvent(QMouseEvent *event)
{
    if (m_downTracked && (event->buttons() & Qt::LeftButton) && OnStartDrag) {
        const QPoint moved = event->position().toPoint() - m_downPos;
        if (std::abs(moved.x()) >= DragThreshold || std::abs(moved.y()) >= DragThreshold) {
            m_downTracked = false;
            if (QWidget *grabber = QWidget::mouseGrabber())
                grabber->releaseMouse();
            OnStartDrag();
            return;
        }
    }
    QTableView::mouseMoveEvent(event);
}

void TDBGridWithDrag::mouseReleaseEvent(QMouseEvent *event)
{
    m_downTracked = false;
    QTableView::mouseReleaseEvent(event);
    if (OnMouseUp)
        OnMouseUp();
}

void TDBGridWithDrag::wheelEvent(QWheelEvent *event)
{
    const int delta = event->angleDelta().y();
    if (OnMouseWheel && delta != 0 && OnMouseWheel(delta < 0)) {
        event->accept();
        return;
    }
    QTableView::wheelEvent(event);
}

void TDBGridWithDrag::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Delete && (event->modifiers() & Qt::ControlModifier) && OnDeleteRecord) {
        event->accept();
        if (m_model && m_model->CurrentRow() >= 0
            && Dialogs::message(TMsgDlgType::Confirmation, QStringLiteral("Delete record?"), mbOKCancel, mbCancel,
                                this)
                   == mbOK)
            RunCommand(bar(), OnDeleteRecord);
        return;
    }
    QTableView::keyPressEvent(event);
}

void TDBGridWithDrag::dragEnterEvent(QDragEnterEvent *event)
{
    if (OnDropFiles && event->mimeData()->hasUrls())
        event->acceptProposedAction();
    else
        event->ignore();
}

void TDBGridWithDrag::dragMoveEvent(QDragMoveEvent *event)
{
    if (OnDropFiles && event->mimeData()->hasUrls())
        event->acceptProposedAction();
    else
        event->ignore();
}

void TDBGridWithDrag::dropEvent(QDropEvent *event)
{
    if (!OnDropFiles || !event->mimeData()->hasUrls()) {
        event->ignore();
        return;
    }
    QStringList files;
    for (const QUrl &url : event->mimeData()->urls())
        if (url.isLocalFile())
            files << QDir::toNativeSeparators(url.toLocalFile());
    event->acceptProposedAction();
    if (!files.isEmpty())
        RunCommand(bar(), [this, files] { OnDropFiles(files); });
}
