#include "RepositoryBrowser.h"

#include "CommandDispatch.h"
#include "DialogService.h"
#include "Kereso.h"
#include "LayoutHelpers.h"
#include "MyStatusBar.h"
#include "ScopeGuard.h"
#include "SharedRoutinesCommon.h"

#include <QAction>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QMouseEvent>
#include <QProxyStyle>
#include <QSignalBlocker>
#include <QSplitter>
#include <QSqlError>
#include <QSqlQuery>
#include <QStyle>
#include <QToolButton>
#include <QUrl>
#include <QVBoxLayout>
#include <QWheelEvent>

#include <algorithm>
#include <exception>
#include <utility>

namespace {

const QString LevelGrafField = QStringLiteral("LevelGraf");
const QString NameField = QStringLiteral("Name");
const QString KommentarField = QStringLiteral("Kommentar");
constexpr size_t CachedPages = 8;

bool isEditing(const TRepositoryTable *table)
{
    return table && (table->State() == TRepositoryTable::TState::Edit
                     || table->State() == TRepositoryTable::TState::Insert);
}

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

// ---- TDBNavigator -----------------------------------------------------------------------

TDBNavigator::TDBNavigator(QWidget *parent) : TFrame(parent)
{
    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(1);
    auto button = [&](const char *name, QStyle::StandardPixmap icon, const QString &hint,
                      const std::function<void(TRepositoryTable &)> &step) {
        auto *b = new QToolButton(this);
        b->setObjectName(QLatin1String(name));
        b->setIcon(style()->standardIcon(icon, nullptr, b));
        b->setIconSize(QSize(12, 12));
        b->setText(hint);
        b->setToolTip(hint);
        b->setAutoRaise(true);
        b->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
        connect(b, &QToolButton::clicked, this, [this, step] { run(step); });
        layout->addWidget(b);
        return b;
    };
    ButtonFirst = button("ButtonFirst", QStyle::SP_MediaSkipBackward, QStringLiteral("First record"),
                         [](TRepositoryTable &t) { t.First(); });
    ButtonPrior = button("ButtonPrior", QStyle::SP_MediaSeekBackward, QStringLiteral("Prior record"),
                         [](TRepositoryTable &t) { t.Prior(); });
    ButtonNext = button("ButtonNext", QStyle::SP_MediaSeekForward, QStringLiteral("Next record"),
                        [](TRepositoryTable &t) { t.Next(); });
    ButtonLast = button("ButtonLast", QStyle::SP_MediaSkipForward, QStringLiteral("Last record"),
                        [](TRepositoryTable &t) { t.Last(); });
    ButtonEdit = button("ButtonEdit", QStyle::SP_FileDialogDetailedView, QStringLiteral("Edit record"),
                        [](TRepositoryTable &t) { t.Edit(); });
    ButtonPost = button("ButtonPost", QStyle::SP_DialogApplyButton, QStringLiteral("Post edit"),
                        [](TRepositoryTable &t) { t.Post(); });
    ButtonCancel = button("ButtonCancel", QStyle::SP_DialogCancelButton, QStringLiteral("Cancel edit"),
                          [](TRepositoryTable &t) { t.Cancel(); });
    UpdateButtons();
}

namespace {

// Follows a table's position, rows and edit state with one slot, dropping
// the connections to the table followed before.
template <typename Receiver>
void followTable(Receiver *receiver, TRepositoryTable *table, QList<QMetaObject::Connection> &connections,
                 void (Receiver::*slot)())
{
    for (const QMetaObject::Connection &c : std::as_const(connections))
        QObject::disconnect(c);
    connections.clear();
    if (table)
        for (auto signal : {&TRepositoryTable::CurrentChanged, &TRepositoryTable::RowsChanged,
                            &TRepositoryTable::StateChanged})
            connections << QObject::connect(table, signal, receiver, slot);
}

} // namespace

void TDBNavigator::SetTable(TRepositoryTable *table)
{
    m_table = table;
    followTable(this, table, m_connections, &TDBNavigator::UpdateButtons);
    UpdateButtons();
}

void TDBNavigator::run(const std::function<void(TRepositoryTable &)> &step)
{
    TRepositoryTable *table = m_table.data();
    if (!table || !table->Active())
        return;
    RunCommand(StatusBar ? StatusBar : StatusBarOf(this), [&] { step(*table); });
    UpdateButtons();
}

void TDBNavigator::UpdateButtons()
{
    TRepositoryTable *t = m_table.data();
    const bool active = t && t->Active();
    const bool editing = active && isEditing(t);
    const bool browsing = active && !editing;
    const bool rows = browsing && t->HasCurrent();
    ButtonFirst->setEnabled(rows && !t->Bof());
    ButtonPrior->setEnabled(rows && !t->Bof());
    ButtonNext->setEnabled(rows && !t->Eof());
    ButtonLast->setEnabled(rows && !t->Eof());
    ButtonEdit->setEnabled(rows);
    ButtonPost->setEnabled(editing);
    ButtonCancel->setEnabled(editing);
}

// ---- TFrameEditor ---------------------------------------------------------------------------

TFrameEditor::TFrameEditor(QWidget *parent) : TFrame(parent)
{
    auto *layout = new QGridLayout(this);
    layout->setContentsMargins(2, 2, 2, 2);
    layout->setHorizontalSpacing(4);
    layout->setVerticalSpacing(1);
    LabelName = new QLabel(QStringLiteral("Name"), this);
    LabelName->setObjectName(QStringLiteral("LabelName"));
    DBEditName = new QLineEdit(this);
    DBEditName->setObjectName(QStringLiteral("DBEditName"));
    LabelKommentar = new QLabel(QStringLiteral("Comment"), this);
    LabelKommentar->setObjectName(QStringLiteral("LabelKommentar"));
    DBEditKommentar = new QLineEdit(this);
    DBEditKommentar->setObjectName(QStringLiteral("DBEditKommentar"));
    DBNavigator = new TDBNavigator(this);
    DBNavigator->setObjectName(QStringLiteral("DBNavigator"));
    LabelName->setBuddy(DBEditName);
    LabelKommentar->setBuddy(DBEditKommentar);
    layout->addWidget(LabelName, 0, 0);
    layout->addWidget(DBEditName, 0, 1);
    layout->addWidget(LabelKommentar, 1, 0);
    layout->addWidget(DBEditKommentar, 1, 1);
    layout->addWidget(DBNavigator, 2, 0, 1, 2);
    layout->setRowStretch(3, 1);
    setMinimumHeight(MinimumEditorHeight);
    setMaximumHeight(MaximumEditorHeight);

    connect(DBEditName, &QLineEdit::textEdited, this, [this](const QString &text) { fieldEdited(NameField, text); });
    connect(DBEditKommentar, &QLineEdit::textEdited, this,
            [this](const QString &text) { fieldEdited(KommentarField, text); });
    connect(qApp, &QApplication::focusChanged, this, &TFrameEditor::focusChanged);
    showValues();
}

TFrameEditor::~TFrameEditor()
{
    disconnect(qApp, &QApplication::focusChanged, this, &TFrameEditor::focusChanged);
}

void TFrameEditor::SetTable(TRepositoryTable *table)
{
    m_table = table;
    followTable(this, table, m_connections, &TFrameEditor::showValues);
    DBNavigator->SetTable(table);
    showValues();
}

void TFrameEditor::SetStatusBar(TMyStatusBar *bar)
{
    m_bar = bar;
    DBNavigator->StatusBar = bar;
}

void TFrameEditor::showValues()
{
    TRepositoryTable *t = m_table.data();
    const bool bound = t && t->Active() && (t->HasCurrent() || isEditing(t));
    m_showing = true;
    for (const auto &[edit, field] : {std::pair{DBEditName, NameField}, std::pair{DBEditKommentar, KommentarField}}) {
        QString value;
        int size = 32767;
        if (t) {
            if (const TRepositoryField *f = t->Definition().field(field))
                size = f->size;
            if (bound)
                value = t->AsString(field);
        }
        edit->setMaxLength(size);
        // Only a changed value is shown again, so typing keeps its caret.
        if (edit->text() != value)
            edit->setText(value);
        edit->setReadOnly(!bound);
    }
    m_showing = false;
}

void TFrameEditor::fieldEdited(const QString &field, const QString &text)
{
    TRepositoryTable *t = m_table.data();
    if (m_showing || !t)
        return;
    const bool ok = RunCommand(m_bar ? m_bar : StatusBarOf(this), [&] {
        if (!isEditing(t))
            t->Edit();
        t->SetFieldValue(field, text);
    });
    if (!ok)
        showValues();
}

void TFrameEditor::focusChanged(QWidget *old, QWidget *now)
{
    // Leaving the window itself (no new focus) is no exit from the frame.
    if (old && now && isAncestorOf(old) && !isAncestorOf(now))
        FrameExit();
}

void TFrameEditor::FrameExit()
{
    TRepositoryTable *t = m_table.data();
    if (t && t->Active() && isEditing(t))
        RunCommand(m_bar ? m_bar : StatusBarOf(this), [t] { t->Post(); });
}

// ---- TFrameWSDLView ---------------------------------------------------------------------------

TFrameWSDLView::TFrameWSDLView(TDM &dm, TfrmKereso *kereso, TQRfrm_Crossref *report, QWidget *parent)
    : TFrame(parent), m_dm(dm), m_kereso(kereso), m_report(report)
{
    setObjectName(QStringLiteral("FrameWSDLView"));
    if (!m_kereso)
        m_kereso = new TfrmKereso(dm, this);
    if (!m_report)
        m_report = new TQRfrm_Crossref(this);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    SplitterColumns = new QSplitter(Qt::Horizontal, this);
    SplitterColumns->setObjectName(QStringLiteral("SplitterColumns"));
    SplitterColumns->setChildrenCollapsible(false);
    layout->addWidget(SplitterColumns);

    m_columns.resize(4);
    const Qt::Alignment centred = Qt::AlignCenter;
    buildColumn(0, QStringLiteral("Interfaces"), dm.TableInterfaces(), {{NameField, NameField}},
                TCrossrefBase::Interfaces);
    buildColumn(1, QStringLiteral("Operations"), dm.TableOperations(), {{NameField, NameField}},
                TCrossrefBase::Operations);
    buildColumn(2, QStringLiteral("Inputs/Outputs"), dm.TableInputsOutputs(),
                {{QStringLiteral("TypeX"), QStringLiteral("Type")}, {NameField, NameField}},
                TCrossrefBase::InputsOutputs);
    buildColumn(3, QStringLiteral("Parameters"), dm.TableParameters(),
                {{QStringLiteral("LevelX"), QStringLiteral("Leve"), centred, 3},
                 {LevelGrafField, LevelGrafField},
                 {QStringLiteral("TypeX"), QStringLiteral("Type")}},
                TCrossrefBase::Parameters);
    // The first three columns start at their narrowest; the last takes the rest.
    for (int i = 0; i < 3; ++i)
        SplitterColumns->setStretchFactor(i, 0);
    SplitterColumns->setStretchFactor(3, 1);
    SplitterColumns->setSizes({MinimumPanelWidth, MinimumPanelWidth, MinimumPanelWidth, 2 * MinimumPanelWidth});
    connect(SplitterColumns, &QSplitter::splitterMoved, this, [this] { AutoSizeBrowserGrids(true); });

    PanelInterfaces = m_columns[0].panel;
    PanelOperations = m_columns[1].panel;
    PanelInputsOutputs = m_columns[2].panel;
    PanelParameters = m_columns[3].panel;
    SplitterEditor1 = m_columns[0].editorSplitter;
    SplitterEditor2 = m_columns[1].editorSplitter;
    SplitterEditor3 = m_columns[2].editorSplitter;
    SplitterEditor4 = m_columns[3].editorSplitter;
    DBGrid1 = m_columns[0].grid;
    DBGrid2 = m_columns[1].grid;
    DBGrid3 = m_columns[2].grid;
    DBGrid4 = m_columns[3].grid;
    frmEditorFrame1 = m_columns[0].editor;
    frmEditorFrame2 = m_columns[1].editor;
    frmEditorFrame3 = m_columns[2].editor;
    frmEditorFrame4 = m_columns[3].editor;
    SpeedButton1 = m_columns[0].searchButton;
    SpeedButton2 = m_columns[1].searchButton;
    SpeedButton3 = m_columns[2].searchButton;
    SpeedButton4 = m_columns[3].searchButton;
    DataSourceInterfaces = m_columns[0].model;
    DataSourceOperations = m_columns[1].model;
    DataSourceInputsOutputs = m_columns[2].model;
    DataSourceParameters = m_columns[3].model;
}

TFrameWSDLView::~TFrameWSDLView()
{
    // A search window of the program goes back to its owner.
    if (m_kereso && m_kereso->Docked()) {
        m_kereso->CloseTable();
        m_kereso->Undock();
    }
}

void TFrameWSDLView::buildColumn(int index, const QString &title, TRepositoryTable &table,
                                 QList<TGridColumn> columns, TCrossrefBase base)
{
    static const char *const suffixes[] = {"Interfaces", "Operations", "InputsOutputs", "Parameters"};
    const QString suffix = QString::fromLatin1(suffixes[index]);
    const QString number = QString::number(index + 1);
    TColumn &c = m_columns[size_t(index)];
    c.table = &table;
    c.base = base;

    c.panel = new QWidget(SplitterColumns);
    c.panel->setObjectName(QStringLiteral("Panel") + suffix);
    c.panel->setMinimumWidth(MinimumPanelWidth);
    c.panel->installEventFilter(this);
    c.layout = new QVBoxLayout(c.panel);
    c.layout->setContentsMargins(0, 0, 0, 0);
    c.layout->setSpacing(2);

    auto *label = new QLabel(title, c.panel);
    label->setObjectName(QStringLiteral("Label") + suffix);
    label->setAlignment(Qt::AlignCenter);
    label->setFrameShape(QFrame::StyledPanel);
    c.layout->addWidget(label);
    (index == 0 ? LabelInterfaces : index == 1 ? LabelOperations : index == 2 ? LabelInputsOutputs : LabelParameters) =
        label;

    c.editorSplitter = new QSplitter(Qt::Vertical, c.panel);
    c.editorSplitter->setObjectName(QStringLiteral("SplitterEditor") + number);
    c.editorSplitter->setChildrenCollapsible(false);
    c.model = new TRepositoryGridModel(m_dm, &table, std::move(columns), this);
    c.model->setObjectName(QStringLiteral("DataSource") + suffix);
    c.grid = new TDBGridWithDrag(c.editorSplitter);
    c.grid->setObjectName(QStringLiteral("DBGrid") + number);
    c.grid->SetDataSource(c.model);
    c.grid->setContextMenuPolicy(Qt::ActionsContextMenu);
    c.editor = new TFrameEditor(c.editorSplitter);
    c.editor->setObjectName(QStringLiteral("frmEditorFrame") + number);
    c.editor->SetTable(&table);
    c.editorSplitter->setStretchFactor(0, 1);
    c.editorSplitter->setStretchFactor(1, 0);
    const int editorHeight = std::clamp(c.editor->sizeHint().height(), TFrameEditor::MinimumEditorHeight,
                                        TFrameEditor::MaximumEditorHeight);
    c.editorSplitter->setSizes({1000, editorHeight});
    c.layout->addWidget(c.editorSplitter, 1);

    c.searchButton = new QToolButton(c.panel);
    c.searchButton->setObjectName(QStringLiteral("SpeedButton") + number);
    c.searchButton->setText(QStringLiteral("Click to search"));
    c.searchButton->setCheckable(true);
    c.searchButton->setToolButtonStyle(Qt::ToolButtonTextOnly);
    c.searchButton->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    c.layout->addWidget(c.searchButton);

    const QPointer<TRepositoryTable> t = &table;
    c.grid->OnMouseWheel = [this, t](bool down) {
        if (t && t->Active())
            RunCommand(bar(), [t, down] { t->MoveBy(down ? 3 : -3); });
        return true;
    };
    c.grid->OnMouseUp = [this] { FitBrowserColumns(); };
    c.grid->OnDeleteRecord = [t] {
        if (t)
            t->Delete();
    };
    connect(c.editorSplitter, &QSplitter::splitterMoved, this, [this, index] { editorSplitterMoved(index); });
    connect(c.searchButton, &QToolButton::toggled, this,
            [this, index](bool pressed) { searchButtonToggled(index, pressed); });
}

const TFrameWSDLView::TColumn *TFrameWSDLView::columnOf(const TDBGridWithDrag *grid) const
{
    for (const TColumn &c : m_columns)
        if (c.grid == grid)
            return &c;
    return nullptr;
}

TMyStatusBar *TFrameWSDLView::bar() const
{
    return m_bar ? m_bar : StatusBarOf(const_cast<TFrameWSDLView *>(this));
}

void TFrameWSDLView::SetStatusBar(TMyStatusBar *bar)
{
    m_bar = bar;
    for (TColumn &c : m_columns) {
        c.grid->StatusBar = bar;
        c.editor->SetStatusBar(bar);
    }
    if (m_kereso)
        m_kereso->DBGridKereso->StatusBar = bar;
}

void TFrameWSDLView::SetContextActions(QAction *crossreferenceInterfaces, QAction *crossreferenceOperations,
                                       QAction *crossreferenceInputsOutputs, QAction *crossReferenceParameters,
                                       QAction *generateWSDL, QAction *generateASR, bool connectHandlers)
{
    using Handler = void (TFrameWSDLView::*)();
    const std::pair<QAction *, Handler> crossreferences[] = {
        {crossreferenceInterfaces, &TFrameWSDLView::ActCrossreferenceInterfacesExecute},
        {crossreferenceOperations, &TFrameWSDLView::ActCrossreferenceOperationsExecute},
        {crossreferenceInputsOutputs, &TFrameWSDLView::ActCrossreferenceInputsOutputsExecute},
        {crossReferenceParameters, &TFrameWSDLView::ActCrossReferenceParametersExecute}};
    for (const QMetaObject::Connection &c : std::as_const(m_actionConnections))
        disconnect(c);
    m_actionConnections.clear();
    for (size_t i = 0; i < m_columns.size(); ++i) {
        TDBGridWithDrag *grid = m_columns[i].grid;
        for (QAction *a : grid->actions())
            grid->removeAction(a);
        const auto [action, handler] = crossreferences[i];
        if (action)
            grid->addAction(action);
        if (action && connectHandlers) {
            action->setEnabled(true);
            m_actionConnections << connect(action, &QAction::triggered, this, [this, handler = handler] {
                RunCommand(bar(), [this, handler] { (this->*handler)(); });
            });
        }
    }
    for (QAction *a : {generateWSDL, generateASR})
        if (a)
            DBGrid1->addAction(a);
}

void TFrameWSDLView::EnterPage(const QString &outputDirectory)
{
    if (!m_dm.Connected()) {
        // Without an output directory the repository would land in whatever
        // folder the program happens to run in.
        if (outputDirectory.trimmed().isEmpty()) {
            const QString message = QStringLiteral("You have to set the output directory(s) first!");
            if (TMyStatusBar *b = bar())
                b->ShowError(message, false);
            throw EQuenbarError(message);
        }
        m_dm.OpenRepository(QDir(outputDirectory).filePath(QStringLiteral("ParadoxDB")), false);
    }
    FitBrowserColumns();
}

void TFrameWSDLView::LeavePage()
{
    if (!m_searchGrid)
        return;
    if (const TColumn *c = columnOf(m_searchGrid))
        c->searchButton->setChecked(false); // its release closes the search
    if (m_searchGrid)
        CloseSearch(m_searchGrid);
}

void TFrameWSDLView::FitBrowserColumns()
{
    QList<int> sizes = SplitterColumns->sizes();
    if (sizes.size() == int(m_columns.size())) {
        bool changed = false;
        for (int i = 0; i < 3; ++i) {
            const int wanted = std::max(GridPreferredWidth(m_columns[size_t(i)].grid, false) + 5, MinimumPanelWidth);
            if (sizes[i] < wanted) {
                sizes[3] -= wanted - sizes[i];
                sizes[i] = wanted;
                changed = true;
            }
        }
        if (changed) {
            sizes[3] = std::max(sizes[3], MinimumPanelWidth);
            SplitterColumns->setSizes(sizes);
        }
    }
    AutoSizeBrowserGrids(true);
}

void TFrameWSDLView::AutoSizeBrowserGrids(bool force)
{
    for (const TColumn &c : m_columns)
        AutoSizeGridColumns(c.grid, force);
}

void TFrameWSDLView::resizeEvent(QResizeEvent *event)
{
    TFrame::resizeEvent(event);
    scheduleAutoSize(false);
}

bool TFrameWSDLView::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::Resize)
        for (const TColumn &c : m_columns)
            if (c.panel == watched) {
                scheduleAutoSize(true);
                break;
            }
    return TFrame::eventFilter(watched, event);
}

// A resize reaches the page and the panels before the grids inside them
// have their new size, so the sizing runs once the resizing is over.
void TFrameWSDLView::scheduleAutoSize(bool panels)
{
    if (panels)
        m_autoSizePanels = true;
    else
        m_autoSizePage = true;
    if (m_autoSizePosted)
        return;
    m_autoSizePosted = true;
    QMetaObject::invokeMethod(
        this,
        [this] {
            m_autoSizePosted = false;
            const bool panels = std::exchange(m_autoSizePanels, false);
            const bool page = std::exchange(m_autoSizePage, false);
            if (panels)
                AutoSizeBrowserGrids(true);
            if (page)
                AutoSizeGridColumns(DBGrid4, false);
        },
        Qt::QueuedConnection);
}

void TFrameWSDLView::editorSplitterMoved(int column)
{
    if (m_aligning)
        return;
    m_aligning = true;
    const int height = m_columns[size_t(column)].editor->height();
    for (size_t i = 0; i < m_columns.size(); ++i) {
        QSplitter *s = m_columns[i].editorSplitter;
        if (int(i) == column || s->isHidden())
            continue;
        const QList<int> sizes = s->sizes();
        int total = 0;
        for (int v : sizes)
            total += v;
        s->setSizes({std::max(total - height, 0), height});
    }
    m_aligning = false;
}

void TFrameWSDLView::searchButtonToggled(int column, bool pressed)
{
    TColumn &c = m_columns[size_t(column)];
    if (!pressed) {
        RunCommand(bar(), [&] { CloseSearch(c.grid); });
        return;
    }
    // One search at a time: the others are released (and closed) first.
    for (size_t i = 0; i < m_columns.size(); ++i)
        if (int(i) != column && m_columns[i].searchButton->isChecked())
            m_columns[i].searchButton->setChecked(false);
    RunCommand(bar(), [&] { OpenSearch(c.grid); });
    if (m_searchGrid != c.grid) {
        const QSignalBlocker blocker(c.searchButton);
        c.searchButton->setChecked(false);
    }
}

void TFrameWSDLView::OpenSearch(TDBGridWithDrag *grid)
{
    const TColumn *c = columnOf(grid);
    if (!c || !m_kereso || m_searchGrid == grid)
        return;
    if (m_searchGrid)
        CloseSearch(m_searchGrid);
    TfrmKereso &k = *m_kereso;
    // The search window ends up not busy however the opening goes.
    const TScopeGuard notBusy([&k] { k.Busy = false; });
    k.Busy = true;

    k.CloseTable();
    const qint64 key = c->table->Active() ? c->table->Kulcs() : 0;
    k.OpenTable(c->table->TableName());
    if (key != 0)
        k.TableKereso()->Locate(key);

    c->editor->hide();
    c->editorSplitter->hide();
    k.ManualDock(c->panel, c->layout, c->layout->indexOf(c->editorSplitter));
    grid->hide();
    k.show();
    c->layout->activate();
    FitGridColumns(k.DBGridKereso);
    k.DBGridKereso->SyncToTable();
    m_searchGrid = grid;
    {
        const QSignalBlocker blocker(c->searchButton);
        c->searchButton->setChecked(true);
    }
    k.EKereso->setFocus();
    k.EKereso->selectAll();

    k.EKeresoChange();
}

void TFrameWSDLView::CloseSearch(TDBGridWithDrag *grid)
{
    const TColumn *c = columnOf(grid);
    if (!c || m_searchGrid != grid)
        return;
    m_searchGrid = nullptr;
    {
        const QSignalBlocker blocker(c->searchButton);
        c->searchButton->setChecked(false);
    }
    c->editorSplitter->show();
    c->editor->show();
    std::exception_ptr failure;
    if (m_kereso) {
        try {
            TRepositoryTable *found = m_kereso->TableKereso();
            if (found && found->Active() && found->HasCurrent() && c->table->Active())
                c->table->Locate(found->Kulcs());
        } catch (...) {
            failure = std::current_exception();
        }
    }
    grid->show();
    c->layout->activate();
    FitGridColumns(grid);
    grid->SyncToTable();
    if (m_kereso) {
        m_kereso->CloseTable();
        m_kereso->Undock();
    }
    // The editor takes the height of the others again.
    for (const TColumn &other : m_columns)
        if (&other != c && !other.editorSplitter->isHidden()) {
            const int height = other.editor->height();
            const QList<int> sizes = c->editorSplitter->sizes();
            int total = 0;
            for (int v : sizes)
                total += v;
            if (total > height)
                c->editorSplitter->setSizes({total - height, height});
            break;
        }
    if (failure)
        std::rethrow_exception(failure);
}

int TFrameWSDLView::PrepareCrossreference(TCrossrefBase base)
{
    const TColumn &c = m_columns[size_t(base)];
    if (!m_dm.Connected())
        throw EDatabaseError(QStringLiteral("The repository is not open"));
    const QString name = c.table->Active() && c.table->HasCurrent() ? c.table->AsString(NameField) : QString();
    QSqlQuery query = m_dm.QCrossref();
    query.setForwardOnly(true);
    if (!query.prepare(Crossref::Statement(base)))
        throw EDatabaseError(query.lastError().text());
    query.bindValue(QStringLiteral(":name"), name);
    if (!query.exec())
        throw EDatabaseError(query.lastError().text());
    m_report->QRLabelReferenceBaseType.setText(Crossref::BaseTypeName(base));
    m_report->QRLabelReferenceBaseName.setText(name);
    m_report->ReportDate = QDate::currentDate();
    m_report->SetDataSet(query);
    return int(m_report->Rows().size());
}

void TFrameWSDLView::showCrossreference(TCrossrefBase base)
{
    PrepareCrossreference(base);
    m_report->Preview(window());
}

void TFrameWSDLView::ActCrossreferenceInterfacesExecute()
{
    showCrossreference(TCrossrefBase::Interfaces);
}

void TFrameWSDLView::ActCrossreferenceOperationsExecute()
{
    showCrossreference(TCrossrefBase::Operations);
}

void TFrameWSDLView::ActCrossreferenceInputsOutputsExecute()
{
    showCrossreference(TCrossrefBase::InputsOutputs);
}

void TFrameWSDLView::ActCrossReferenceParametersExecute()
{
    showCrossreference(TCrossrefBase::Parameters);
}
