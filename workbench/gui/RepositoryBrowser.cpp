#include "RepositoryBrowser.h"

#include "CommandDispatch.h"
#include "Kereso.h"
#include "ReuseJob.h"
#include "LayoutHelpers.h"
#include "MyStatusBar.h"
#include "ScopeGuard.h"

#include <QAction>
#include <QDir>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QSignalBlocker>
#include <QSplitter>
#include <QSqlQuery>
#include <QStyle>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>
#include <exception>
#include <utility>

namespace {

const QString LevelGrafField = QStringLiteral("LevelGraf");
const QString NameField = QStringLiteral("Name");
const QString KommentarField = QStringLiteral("Kommentar");

bool isEditing(const TRepositoryTable *table)
{
    return table && (table->State() == TRepositoryTable::TState::Edit
                     || table->State() == TRepositoryTable::TState::Insert);
}

} // namespace

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
    // The report's detail band reads the cross-reference query of this repository.
    m_report->SetDataModule(&dm);

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
    // Other rows come into view when the table is refiltered: sized again.
    connect(c.model, &QAbstractItemModel::modelReset, this, [this] { scheduleAutoSize(true); });
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
        m_dm.OpenRepository(ReuseJob::RepositoryFolderOf(outputDirectory), false);
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
            const int wanted = std::max(GridPreferredWidth(m_columns[size_t(i)].grid, false, true) + 5, MinimumPanelWidth);
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
    // Every row in view is measured: a deeper parameter's level picture
    // is wider than the current row's.
    for (const TColumn &c : m_columns)
        AutoSizeGridColumns(c.grid, force, true);
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
                AutoSizeGridColumns(DBGrid4, false, true);
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
    const QString name = c.table->Active() && c.table->HasCurrent() ? c.table->AsString(NameField) : QString();
    m_report->OpenQuery(base, name);
    m_report->QRLabelReferenceBaseType.setText(Crossref::BaseTypeName(base));
    m_report->QRLabelReferenceBaseName.setText(name);
    m_report->ReportDate = QDate::currentDate();
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
