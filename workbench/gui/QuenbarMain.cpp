#include "QuenbarMain.h"


#include "AboutBoxDlg.h"
#include "CommandDispatch.h"
#include "ConverterRun.h"
#include "DialogService.h"
#include "DropFilesHandler.h"
#include "Errors.h"
#include "FindDirectoryFrame.h"
#include "FindExecFrame.h"
#include "LayoutHelpers.h"
#include "MyStatusBar.h"
#include "OstrinMain.h"
#include "ScopeGuard.h"
#include "ProgressQuenbar.h"
#include "CrossrefReport.h"
#include "Kereso.h"
#include "RepositoryBrowser.h"
#include "ScriptGenerator.h"
#include "QuenbarDB.h"
#include "SharedRoutinesCommon.h"
#include "SimpleViewerFrame.h"
#include "SourceList.h"
#include "SourceListView.h"
#include "StreamToIni.h"
#include "StringListHolder.h"
#include "ViewerPages.h"
#include "TextFile.h"
#include "WidgetRoutines.h"
#include "WsdlGenerator.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QDirIterator>
#include <QDrag>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMenuBar>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QSplitter>
#include <QStandardPaths>
#include <QTabWidget>
#include <QTimer>
#include <QUrl>
#include <QVBoxLayout>

namespace {

const char *const kCategory = "Category";
const QString kNamesMime = QStringLiteral("application/x-quenbar-names");

QWidget *pageOf(QTabWidget *tabs, QWidget *page, const QString &caption)
{
    tabs->addTab(page, caption);
    return page;
}

} // namespace

TfrmQuenbarMain::TfrmQuenbarMain(const QStringList &args, QWidget *parent, const QString &programPath)
    : QMainWindow(parent),
      m_args(args),
      m_programPath(programPath.isEmpty() ? QCoreApplication::applicationFilePath() : programPath)
{
    if (m_args.isEmpty()) {
        m_args = QCoreApplication::arguments();
        if (!m_args.isEmpty())
            m_args.removeFirst();
    }
    setObjectName(QStringLiteral("frmQuenbarMain"));
    FormCreate();
}

TfrmQuenbarMain::~TfrmQuenbarMain()
{
    // The pickers report a focus leaving them while the children are being
    // destroyed, after this window's own members are gone.
    for (TFrameFindDirectory *f : findChildren<TFrameFindDirectory *>()) {
        f->OnBeforeCheck = nullptr;
        f->OnDirectoryChanged = nullptr;
    }
    for (TFrameFindexec *f : findChildren<TFrameFindexec *>()) {
        f->OnFind = nullptr;
        f->OnProgramChanged = nullptr;
    }
}

void TfrmQuenbarMain::buildRunner()
{
    Runner = std::make_unique<TConverterRun>(*Job);
    bind(ActRunCSVToWSDL, [this] { Runner->ActRunCSVToWSDL(); });
    bind(ActRunTool, [this] { Runner->ActRunTool(); });
    ActCancelRun->setEnabled(false);
    bind(ActGenerateWSDL, [this] {
        if (m_dm)
            GenerateWSDL(*m_dm, OutputDirectory(), MyStB);
    });
    bind(ActGenerateASR, [this] {
        if (m_dm)
            GenerateASR(*m_dm, OutputDirectory(), MyStB);
    });
}

void TfrmQuenbarMain::ImportWsdlDocument(const QString &path)
{
    Job->ImportWsdlDocument(path);
}

void TfrmQuenbarMain::GenerateAllInterfaces()
{
    Job->GenerateAllInterfaces();
}

int TfrmQuenbarMain::autoRunStatus() const
{
    return MyStB->ErrorsReported() > 0 ? 1 : 0;
}

void TfrmQuenbarMain::RunAutoImport()
{
    // The job runs itself; the window only shows it and saves its own state
    // with it. The run first passes the gate of its command, which checks
    // the names and the output directory as a click would.
    Job->SaveJob = [this] { SaveJob(false); };
    const bool admitted = RunCommand(MyStB, [this] { gate(ActRunCSVToWSDL); });
    // "Reuse" first analyses the sources in the hosted shell, as "Call Mireth program to analyse sources" does.
    const int status = !admitted       ? autoRunStatus()
                       : m_autoRunReuse ? Job->RunUnattendedReuse(*Runner, m_programPath)
                                        : Job->RunUnattendedImport(*Runner);
    Job->SaveJob = nullptr;
    Job->SetModified(false);
    m_closing = true;
    close();
    emit autoRunFinished(status);
}

// ---- Building the window -------------------------------------------------

QAction *TfrmQuenbarMain::makeAction(const char *name, const QString &category, const QString &caption,
                                     const QKeySequence &shortcut, void (TfrmQuenbarMain::*handler)())
{
    auto *a = new QAction(caption, this);
    a->setObjectName(QLatin1String(name));
    a->setProperty(kCategory, category);
    if (!shortcut.isEmpty()) {
        a->setShortcut(shortcut);
        a->setShortcutContext(Qt::WindowShortcut);
    }
    if (handler) {
        connect(a, &QAction::triggered, this, [this, a, handler] {
            RunCommand(MyStB, [this, a, handler] {
                gate(a);
                (this->*handler)();
            });
        });
    } else {
        // Disabled until its command is bound: bind() here, or the repository
        // view for its context menus.
        a->setEnabled(false);
    }
    addAction(a);
    Actions << a;
    return a;
}

void TfrmQuenbarMain::bind(QAction *action, std::function<void()> command)
{
    action->setEnabled(true);
    connect(action, &QAction::triggered, this, [this, action, command] {
        RunCommand(MyStB, [this, action, &command] {
            gate(action);
            command();
        });
    });
}

void TfrmQuenbarMain::buildJob()
{
    TSourceListHooks h;
    h.Reporter = MyStB;
    h.Progress = m_progress;
    h.CheckJobNames = [this] {
        Job->SetJobName(QString());
        SetJobName(GetJobName());
    };
    h.MarkModified = [this] { SetModified(true); };
    h.ShowRecalculate = [this](bool visible) { ActCalculateCommonRootStrict->setVisible(visible); };
    h.TextWidth = [this](const QString &text) { return TextPixelWidth(text, CheckListBoxSelectedFiles->font()); };
    h.ShowBusy = [](bool busy) { ShowBusyCursor(busy); };
    Job = std::make_unique<TReuseJob>(*Settings, MyStB, STLHCentral_Name, STLHCentral_Other, h);
    Sources = &Job->Sources();
    connect(Job.get(), &TReuseJob::Changed, this, &TfrmQuenbarMain::showJob);
    // A run marks the job modified: saving becomes possible again.
    connect(Job.get(), &TReuseJob::ModifiedChanged, ActSaveProject, &QAction::setEnabled);
    connect(Job.get(), &TReuseJob::NamesPageWanted, this, [this] { PageControlMain->setCurrentWidget(TabSheetNames); });
    connect(Job.get(), &TReuseJob::BusyChanged, this, [](bool on) { ShowBusyCursor(on); });
    connect(Job.get(), &TReuseJob::WatchingChanged, this, [](bool on) { ShowBusyCursor(on, Qt::BusyCursor); });
    Job->OnLeaveOutputDirectory = [this] {
        FrameFindDirectoryOutputDir->Edit->setModified(true);
        FrameFindDirectoryOutputDirEditExit();
    };
    Job->OnViewProductLog = [this] { ActViewProductLogExecute(); };
    // The user's edits go to the job as they are made; the job is the
    // connections' context, so none reaches it once it is gone.
    connect(EditProductName, &QLineEdit::textChanged, Job.get(), &TReuseJob::SetProductName);
    connect(EditSystemName, &QLineEdit::textChanged, Job.get(), &TReuseJob::SetSystemName);
    connect(FrameFindDirectoryOutputDir->Edit, &QLineEdit::textChanged, Job.get(),
            [this] { Job->SetOutputDirectory(FrameFindDirectoryOutputDir->DirectoryWithoutDelimiter()); });
    connect(NewFileNames, &QPlainTextEdit::textChanged, Job.get(),
            [this] { Job->SetNewFileNames(TextFile::splitLines(NewFileNames->toPlainText())); });
    connect(Longextensions, &QPlainTextEdit::textChanged, Job.get(),
            [this] { Job->SetLongExtensions(TextFile::splitLines(Longextensions->toPlainText())); });
    connect(FrameFindexecWSDLProc->Edit, &QLineEdit::textChanged, Job.get(), [this](const QString &t) { Job->SetConverterChoice(1, t); });
    connect(FrameFindexecWSDLObjt->Edit, &QLineEdit::textChanged, Job.get(), [this](const QString &t) { Job->SetConverterChoice(2, t); });
}

void TfrmQuenbarMain::showJob()
{
    // The window keeps its own title until the job has a caption.
    if (!Job->Caption().isEmpty() && windowTitle() != Job->Caption())
        setWindowTitle(Job->Caption());
    if (!Job->ApplicationTitle().isEmpty() && QGuiApplication::applicationDisplayName() != Job->ApplicationTitle())
        QGuiApplication::setApplicationDisplayName(Job->ApplicationTitle());
    const auto showLines = [](QPlainTextEdit *memo, const QStringList &lines) {
        if (TextFile::splitLines(memo->toPlainText()) != lines)
            memo->setPlainText(lines.join(u'\n'));
    };
    showLines(NewFileNames, Job->NewFileNames());
    showLines(Longextensions, Job->LongExtensions());
    ActCancelRun->setEnabled(Job->CancelRunEnabled());
    ActViewProductLog->setEnabled(Job->LogViewsEnabled());
    ActViewConsoleLog->setEnabled(Job->LogViewsEnabled());
}

void TfrmQuenbarMain::setCaption(const QString &caption)
{
    Job->SetCaption(caption);
    setWindowTitle(caption);
}

void TfrmQuenbarMain::buildSourceList()
{
    SourcesView = new TSourceListView(CheckListBoxSelectedFiles, Sources);
    connect(Sources, &TSourceList::CommonRootChanged, EditCommonRoot, &QLineEdit::setText);
    connect(Sources, &TSourceList::DepthChanged, LabelDepth,
            [this](int depth) { LabelDepth->setText(QString::number(depth)); });
    connect(Sources, &TSourceList::GroupCaptionChanged, GroupBoxSelectedFiles, [this](int count) {
        GroupBoxSelectedFiles->setTitle(TSourceList::CountCaption(GroupBoxSelectedFiles->title(), count));
    });

    bind(ActAddfiles, [this] { Sources->AddFilesFromDialog(); });
    bind(ActAddDirectories, [this] { Sources->AddFolderFromDialog(); });
    bind(ActRemoveFiles, [this] { Sources->RemoveUncheckedFiles(); });
    bind(ActSelectAll, [this] { SourcesView->SelectAll(sender()); });
    bind(ActUnselectAll, [this] { SourcesView->UnselectAll(sender()); });
    bind(ActToggleSelect, [this] { SourcesView->ToggleSelect(sender()); });
    bind(ActCalculateCommonRoot, [this] { Sources->CalculateCommonRoot(false); });
    bind(ActCalculateCommonRootStrict, [this] { Sources->CalculateCommonRoot(true); });
    bind(ActRefresh, [this] { Sources->RefreshSourceList(); });
    connect(Sources, &TSourceList::CheckMarkClicked, ActCalculateCommonRoot, &QAction::trigger);
    connect(CheckListBoxSelectedFiles, &QAbstractItemView::doubleClicked, this, [this] {
        RunCommand(MyStB, [this] { SourcesView->ToggleSelect(CheckListBoxSelectedFiles); });
    });
    const auto dropped = [this](QObject *, const QStringList &names) {
        gate(ActAddfiles);
        Sources->DropFiles(names);
    };
    new TDropFilesHandler(GroupBoxSelectedFiles, dropped);
    new TDropFilesHandler(BitBtnAddFiles, dropped);
    new TDropFilesHandler(BitBtnAddDirectories, dropped);
}

void TfrmQuenbarMain::setProgressWindow(TfrmProgressQuenbar *progress)
{
    m_progress = progress;
    Job->SetProgress(progress);
}

void TfrmQuenbarMain::setDataModule(TDM *dm)
{
    m_dm = dm;
    Job->SetDataModule(dm);
    if (!dm || WSDLView)
        return;
    // The repository view, its search window and its report follow the data module.
    frmKereso = new TfrmKereso(*dm, this);
    QRfrm_Crossref = new TQRfrm_Crossref(this);
    WSDLView = new TFrameWSDLView(*dm, frmKereso, QRfrm_Crossref, TabSheetWSDLView);
    WSDLView->setObjectName(QStringLiteral("FrameWSDLView"));
    TabSheetWSDLView->layout()->addWidget(WSDLView);
    WSDLView->SetStatusBar(MyStB);
    WSDLView->SetContextActions(ActCrossreferenceInterfaces, ActCrossreferenceOperations, ActCrossreferenceInputsOutputs,
                                ActCrossReferenceParameters, ActGenerateWSDL, ActGenerateASR);
    connect(PageControlMain, &QTabWidget::currentChanged, this, [this] {
        QWidget *page = PageControlMain->currentWidget();
        if (page == m_lastPage)
            return;
        MyStB->ClearMessage();
        if (m_lastPage == TabSheetWSDLView)
            WSDLView->LeavePage();
        m_lastPage = page;
        if (page == TabSheetWSDLView)
            RunCommand(MyStB, [this] { WSDLView->EnterPage(OutputDirectory()); });
    });
}

void TfrmQuenbarMain::buildActions()
{
    const QString P = QStringLiteral("Project"), F = QStringLiteral("FileCollect"), G = QStringLiteral("Generate"),
                  V = QStringLiteral("Viewer"), H = QStringLiteral("Help"), X = QStringLiteral("ExtraActions"),
                  O = QStringLiteral("Output");
    using K = QKeySequence;
    using M = TfrmQuenbarMain;
    ActNewProject = makeAction("ActNewProject", P, QStringLiteral("New job"), K(QStringLiteral("Ctrl+N")), &M::ActNewProjectExecute);
    ActOpenProject = makeAction("ActOpenProject", P, QStringLiteral("&Open existing job"), K(QStringLiteral("Ctrl+O")), &M::ActOpenProjectExecute);
    ActSaveProject = makeAction("ActSaveProject", P, QStringLiteral("&Save "), K(QStringLiteral("Ctrl+S")), &M::ActSaveProjectExecute);
    ActSaveProjectAs = makeAction("ActSaveProjectAs", P, QStringLiteral("Save job as..."), K(), &M::ActSaveProjectAsExecute);
    ActCloseAll = makeAction("ActCloseAll", P, QStringLiteral("&Exit"), K(), &M::ActCloseAllExecute);
    ActAddfiles = makeAction("ActAddfiles", F, QStringLiteral("Add &files to the job"), K(QStringLiteral("Ctrl+B")), nullptr);
    ActAddDirectories = makeAction("ActAddDirectories", F, QStringLiteral("Add complete directories "), K(QStringLiteral("Ctrl+A")), nullptr);
    ActRemoveFiles = makeAction("ActRemoveFiles", F, QStringLiteral("Remove &unchecked list items"), K(), nullptr);
    ActUnselectAll = makeAction("ActUnselectAll", F, QStringLiteral("&Unselect all of the items"), K(QStringLiteral("Alt+U")), nullptr);
    ActSelectAll = makeAction("ActSelectAll", F, QStringLiteral("Select &all items in the list"), K(QStringLiteral("Alt+A")), nullptr);
    ActToggleSelect = makeAction("ActToggleSelect", F, QStringLiteral("&Reverse the selection"), K(QStringLiteral("Alt+R")), nullptr);
    ActCalculateCommonRoot = makeAction("ActCalculateCommonRoot", F, QStringLiteral("Analyze component/modul structure"), K(), nullptr);
    ActCalculateCommonRootStrict = makeAction("ActCalculateCommonRootStrict", F, QStringLiteral("Recalculate modular structure"), K(), nullptr);
    ActRestartProject = makeAction("ActRestartProject", F, QStringLiteral("Reset output"), K(), &M::ActRestartProjectExecute);
    ActCallMireth = makeAction("ActCallMireth", F, QStringLiteral("Call Mireth program to analyse sources"), K(), &M::ActCallMirethExecute);
    ActRefresh = makeAction("ActRefresh", F, QStringLiteral("Refresh"), K(), nullptr);
    ActRunCSVToWSDL = makeAction("ActRunCSVToWSDL", G, QStringLiteral("Import marked CSV/WSDL files"), K(), nullptr);
    ActRunTool = makeAction("ActRunTool", G, QStringLiteral("&Start tool"), K(QStringLiteral("Ctrl+G")), nullptr);
    ActCancelRun = makeAction("ActCancelRun", G, QStringLiteral("Skip the rest of processing (&Cancel run)"), K(QStringLiteral("Ctrl+C")), &M::ActCancelRunExecute);
    ActViewGeneral = makeAction("ActViewGeneral", V, QStringLiteral("Open a file in the general internal viewer"), K(QStringLiteral("Ctrl+W")), &M::ActViewGeneralExecute);
    ActViewNotepad = makeAction("ActViewNotepad", V, QStringLiteral("Call external editor"), K(), &M::ActViewNotepadExecute);
    ActViewProductLog = makeAction("ActViewProductLog", V, QStringLiteral("View product log (<Productname>.log)"), K(QStringLiteral("Ctrl+L")), &M::ActViewProductLogExecute);
    ActViewConsoleLog = makeAction("ActViewConsoleLog", V, QStringLiteral("View console log from the last run"), K(), &M::ActViewConsoleLogExecute);
    ActViewParameters = makeAction("ActViewParameters", V, QStringLiteral("ActViewParameters"), K(), &M::ActViewParametersExecute);
    ActCloseTab = makeAction("ActCloseTab", V, QStringLiteral("Close current page"), K(QStringLiteral("Ctrl+F4")), &M::ActCloseTabExecute);
    ActCloseAllPages = makeAction("ActCloseAllPages", V, QStringLiteral("Close all editor pages"), K(), &M::ActCloseAllPagesExecute);
    ActSelectFont = makeAction("ActSelectFont", V, QStringLiteral("Select font for the viewer"), K(), &M::ActSelectFontExecute);
    ActEditCopy = makeAction("ActEditCopy", V, QStringLiteral("&Copy"), K(), &M::ActEditCopyExecute);
    ActEditSelectAll = makeAction("ActEditSelectAll", V, QStringLiteral("Select &All"), K(), &M::ActEditSelectAllExecute);
    // Ctrl+C is also "Cancel run" for the whole window: copying holds it only
    // on the viewer, where the text itself takes it first anyway.
    removeAction(ActEditCopy);
    ActEditCopy->setShortcut(QKeySequence::Copy);
    ActEditCopy->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    ActShowAdvanced = makeAction("ActShowAdvanced", H, QStringLiteral("Show extended options"), K(), &M::ActShowAdvancedExecute);
    ActWriteINIFile = makeAction("ActWriteINIFile", X, QStringLiteral("Save initialisation parameters"), K(), &M::ActWriteINIFileExecute);
    ActDeleteFilesAfter = makeAction("ActDeleteFilesAfter", X, QStringLiteral("Delete copied files after run from temporary input directory"), K(), nullptr);
    ActAbout = makeAction("ActAbout", H, QStringLiteral("About"), K(), &M::ActAboutExecute);
    ActHelpShell = makeAction("ActHelpShell", H, QStringLiteral("Help on Ostrin shell"), K(), &M::ActHelpShellExecute);
    ActCrossreferenceInterfaces = makeAction("ActCrossreferenceInterfaces", O, QStringLiteral("Show crossreference"), K(), nullptr);
    ActCrossreferenceOperations = makeAction("ActCrossreferenceOperations", O, QStringLiteral("Show crossreference"), K(), nullptr);
    ActCrossreferenceInputsOutputs = makeAction("ActCrossreferenceInputsOutputs", O, QStringLiteral("Show crossreference"), K(), nullptr);
    ActCrossReferenceParameters = makeAction("ActCrossReferenceParameters", O, QStringLiteral("Show crossreference"), K(), nullptr);
    ActGenerateWSDL = makeAction("ActGenerateWSDL", O, QStringLiteral("Generate WSDL"), K(), nullptr);
    ActGenerateASR = makeAction("ActGenerateASR", O, QStringLiteral("Generate ASR"), K(), nullptr);

    ActShowAdvanced->setCheckable(true);
    ActShowAdvanced->setVisible(false);
    ActCancelRun->setEnabled(false);
    ActSaveProject->setEnabled(false);
    ActDeleteFilesAfter->setCheckable(true);
}

void TfrmQuenbarMain::buildMenus()
{
    QMenuBar *bar = menuBar();
    bar->setObjectName(QStringLiteral("MainMenu"));
    m_menuFile = bar->addMenu(QStringLiteral("&File"));
    m_menuFile->addActions({ActOpenProject, ActNewProject, ActSaveProject, ActSaveProjectAs});
    m_menuFile->addSeparator();
    m_menuFile->addAction(ActCloseAll);
    QMenu *actions = bar->addMenu(QStringLiteral("&Actions"));
    actions->addActions({ActAddfiles, ActAddDirectories, ActRunCSVToWSDL, ActRestartProject, ActCancelRun});
    actions->addSeparator();
    QAction *showAll = actions->addAction(QStringLiteral("Show all actions"));
    showAll->setCheckable(true);
    connect(ActShowAdvanced, &QAction::changed, showAll, [this, showAll] {
        showAll->setVisible(ActShowAdvanced->isVisible());
        showAll->setChecked(ActShowAdvanced->isChecked());
    });
    connect(showAll, &QAction::triggered, ActShowAdvanced, &QAction::trigger);
    showAll->setVisible(false);
    actions->addAction(ActWriteINIFile);
    QMenu *viewers = bar->addMenu(QStringLiteral("&Viewers/Editors"));
    viewers->addActions({ActViewGeneral, ActViewNotepad});
    QMenu *logs = bar->addMenu(QStringLiteral("&Logs"));
    logs->addActions({ActViewProductLog, ActViewConsoleLog});
    // The parameter file of the last converter run.
    QAction *showXml = logs->addAction(QStringLiteral("Show XML parameter file in a viewer tab"));
    connect(showXml, &QAction::triggered, ActViewParameters, &QAction::trigger);
    QMenu *help = bar->addMenu(QStringLiteral("Help"));
    help->addAction(ActHelpShell);
    QAction *contents = help->addAction(QStringLiteral("&Contents"));
    connect(contents, &QAction::triggered, ActHelpShell, &QAction::trigger);
    QAction *topics = help->addAction(QStringLiteral("&Topic Search"));
    connect(topics, &QAction::triggered, ActHelpShell, &QAction::trigger);
    help->addSeparator();
    help->addAction(ActAbout);

    CheckListBoxSelectedFiles->setContextMenuPolicy(Qt::ActionsContextMenu);
    CheckListBoxSelectedFiles->addActions(
        {ActAddfiles, ActAddDirectories, ActRemoveFiles, ActToggleSelect, ActSelectAll, ActUnselectAll});
    PageControlViewer->setContextMenuPolicy(Qt::ActionsContextMenu);
    PageControlViewer->addActions(
        {ActCloseTab, ActCloseAllPages, ActViewGeneral, ActViewProductLog, ActViewConsoleLog, ActEditCopy,
         ActEditSelectAll, ActSelectFont});
}

void TfrmQuenbarMain::buildUi()
{
    MyStB = new TMyStatusBar(this);
    MyStB->setObjectName(QStringLiteral("MyStB"));
    setStatusBar(MyStB);

    PageControlMain = new QTabWidget(this);
    PageControlMain->setObjectName(QStringLiteral("PageControlMain"));
    setCentralWidget(PageControlMain);

    // "Names and datasets"
    TabSheetNames = pageOf(PageControlMain, new QWidget, QStringLiteral("Names and datasets"));
    TabSheetNames->setObjectName(QStringLiteral("TabSheetNames"));
    auto *namesLayout = new QHBoxLayout(TabSheetNames);
    SplitterMain = new QSplitter(Qt::Horizontal, TabSheetNames);
    SplitterMain->setObjectName(QStringLiteral("SplitterMain"));
    namesLayout->addWidget(SplitterMain);

    PanelBozomek = new QWidget(SplitterMain);
    PanelBozomek->setObjectName(QStringLiteral("PanelBozomek"));
    auto *left = new QVBoxLayout(PanelBozomek);

    GroupBoxNames = new QGroupBox(QStringLiteral("Names"), PanelBozomek);
    GroupBoxNames->setObjectName(QStringLiteral("GroupBoxNames"));
    GroupBoxNames->setToolTip(
        QStringLiteral("Drag to the ouptu directory to create product/system specific output directorry"));
    auto *names = new QGridLayout(GroupBoxNames);
    EditProductName = new QLineEdit(GroupBoxNames);
    EditProductName->setObjectName(QStringLiteral("EditProductName"));
    EditProductName->setMaxLength(ReuseJob::MaxNameLength);
    EditProductName->setToolTip(QStringLiteral("The name of the product to be processed (Max. 8 characters)"));
    EditSystemName = new QLineEdit(GroupBoxNames);
    EditSystemName->setObjectName(QStringLiteral("EditSystemName"));
    EditSystemName->setMaxLength(ReuseJob::MaxNameLength);
    EditSystemName->setToolTip(QStringLiteral("The name of the system to be processed (Max. 8 characters)"));
    auto *labelProduct = new QLabel(QStringLiteral("Product name"), GroupBoxNames);
    labelProduct->setObjectName(QStringLiteral("LabelProductName"));
    auto *labelSystem = new QLabel(QStringLiteral("System name"), GroupBoxNames);
    labelSystem->setObjectName(QStringLiteral("LabelSystemName"));
    names->addWidget(labelProduct, 0, 0);
    names->addWidget(EditProductName, 0, 1);
    names->addWidget(labelSystem, 1, 0);
    names->addWidget(EditSystemName, 1, 1);
    left->addWidget(GroupBoxNames);

    GroupBoxDataSets = new QGroupBox(QStringLiteral("Data set definitions"), PanelBozomek);
    GroupBoxDataSets->setObjectName(QStringLiteral("GroupBoxDataSets"));
    GroupBoxDataSets->setAcceptDrops(true);
    auto *sets = new QVBoxLayout(GroupBoxDataSets);
    FrameFindDirectoryOutputDir = new TFrameFindDirectory(GroupBoxDataSets);
    FrameFindDirectoryOutputDir->setObjectName(QStringLiteral("FrameFindDirectoryOutputDir"));
    FrameFindDirectoryOutputDir->LabelCaption->setText(QStringLiteral("Output directory"));
    sets->addWidget(FrameFindDirectoryOutputDir);
    auto *commonRow = new QHBoxLayout;
    auto *labelCommon = new QLabel(QStringLiteral("Common root"), GroupBoxDataSets);
    labelCommon->setObjectName(QStringLiteral("LabelCommonRoot"));
    labelCommon->setText(QStringLiteral("Assumed \"System\" directory"));
    EditCommonRoot = new QLineEdit(GroupBoxDataSets);
    EditCommonRoot->setObjectName(QStringLiteral("EditCommonRoot"));
    EditCommonRoot->setReadOnly(true);
    LabelDepth = new QLabel(GroupBoxDataSets);
    LabelDepth->setObjectName(QStringLiteral("LabelDepth"));
    commonRow->addWidget(labelCommon);
    commonRow->addWidget(EditCommonRoot, 1);
    commonRow->addWidget(LabelDepth);
    sets->addLayout(commonRow);
    left->addWidget(GroupBoxDataSets);

    auto *jobButtons = new QWidget(PanelBozomek);
    jobButtons->setObjectName(QStringLiteral("PanelJobButtons"));
    auto *buttons = new QGridLayout(jobButtons);
    // Bound to their actions once those exist (FormCreate).
    int b = 0;
    for (const char *name : {"ButtonNewProject", "ButtonOpenProject", "ButtonSaveProject", "ButtonSaveProjectAs",
                             "ButtonRestartProject", "ButtonCallMireth", "ButtonRunCSVToWSDL", "ButtonCancelRun"}) {
        auto *button = new QPushButton(jobButtons);
        button->setObjectName(QLatin1String(name));
        buttons->addWidget(button, b / 2, b % 2);
        ++b;
    }
    left->addWidget(jobButtons);

    PageControlHelper = new QTabWidget(PanelBozomek);
    PageControlHelper->setObjectName(QStringLiteral("PageControlHelper"));
    NewFileNames = new QPlainTextEdit;
    NewFileNames->setObjectName(QStringLiteral("NewFileNames"));
    Longextensions = new QPlainTextEdit;
    Longextensions->setObjectName(QStringLiteral("Longextensions"));
    PageControlHelper->addTab(NewFileNames, QStringLiteral("NewFileNames"));
    PageControlHelper->addTab(Longextensions, QStringLiteral("Longextensions"));
    PageControlHelper->hide();
    left->addWidget(PageControlHelper, 1);
    left->addStretch();

    PanelLibraries = new QWidget(SplitterMain);
    PanelLibraries->setObjectName(QStringLiteral("PanelLibraries"));
    auto *right = new QVBoxLayout(PanelLibraries);
    GroupBoxSelectedFiles = new QGroupBox(PanelLibraries);
    GroupBoxSelectedFiles->setObjectName(QStringLiteral("GroupBoxSelectedFiles"));
    GroupBoxSelectedFiles->setTitle(QStringLiteral("Source files of the project (0)"));
    GroupBoxSelectedFiles->setToolTip(
        QStringLiteral("You can control the processing of you selected files by checking/unchecking them"));
    auto *files = new QVBoxLayout(GroupBoxSelectedFiles);
    CheckListBoxSelectedFiles = new QListView(GroupBoxSelectedFiles);
    CheckListBoxSelectedFiles->setObjectName(QStringLiteral("CheckListBoxSelectedFiles"));
    files->addWidget(CheckListBoxSelectedFiles, 1);
    auto *fileButtons = new QHBoxLayout;
    BitBtnAddFiles = new QPushButton(GroupBoxSelectedFiles);
    BitBtnAddFiles->setObjectName(QStringLiteral("BitBtnAddFiles"));
    BitBtnAddDirectories = new QPushButton(GroupBoxSelectedFiles);
    BitBtnAddDirectories->setObjectName(QStringLiteral("BitBtnAddDirectories"));
    fileButtons->addWidget(BitBtnAddFiles);
    fileButtons->addWidget(BitBtnAddDirectories);
    files->addLayout(fileButtons);
    right->addWidget(GroupBoxSelectedFiles);
    SplitterMain->setStretchFactor(1, 1);

    STLHCentral_Name = new TStringListHolder(this);
    STLHCentral_Name->setObjectName(QStringLiteral("STLHCentral_Name"));
    STLHCentral_Name->SetSaveObjects(true);
    STLHCentral_Other = new TStringListHolder(this);
    STLHCentral_Other->setObjectName(QStringLiteral("STLHCentral_Other"));

    // "Technical parameters"
    TabSheetTech = pageOf(PageControlMain, new QWidget, QStringLiteral("Technical parameters"));
    TabSheetTech->setObjectName(QStringLiteral("TabSheetTech"));
    auto *tech = new QVBoxLayout(TabSheetTech);
    FrameFindexecEditorGeneral = new TFrameFindexec(TabSheetTech);
    FrameFindexecEditorGeneral->setObjectName(QStringLiteral("FrameFindexecEditorGeneral"));
    FrameFindexecEditorGeneral->LabelFindExec->setText(QStringLiteral("External editor && viewer"));
    FrameFindexecWSDLProc = new TFrameFindexec(TabSheetTech);
    FrameFindexecWSDLProc->setObjectName(QStringLiteral("FrameFindexecWSDLProc"));
    FrameFindexecWSDLProc->LabelFindExec->setText(QStringLiteral("Program for procedural languages"));
    FrameFindexecWSDLObjt = new TFrameFindexec(TabSheetTech);
    FrameFindexecWSDLObjt->setObjectName(QStringLiteral("FrameFindexecWSDLObjt"));
    FrameFindexecWSDLObjt->LabelFindExec->setText(QStringLiteral("Program for object oriented languages"));
    // The editor is a convenience: a desktop without one must not hold up a job.
    FrameFindexecEditorGeneral->setOptional(true);
    tech->addWidget(FrameFindexecEditorGeneral);
    tech->addWidget(FrameFindexecWSDLProc);
    tech->addWidget(FrameFindexecWSDLObjt);
    GroupBoxSettings = new QGroupBox(QStringLiteral("Product ini file : "), TabSheetTech);
    GroupBoxSettings->setObjectName(QStringLiteral("GroupBoxSettings"));
    auto *settings = new QVBoxLayout(GroupBoxSettings);
    MemoToolNameDefault = new QPlainTextEdit(GroupBoxSettings);
    MemoToolNameDefault->setObjectName(QStringLiteral("MemoToolNameDefault"));
    MemoToolNameDefault->setLineWrapMode(QPlainTextEdit::NoWrap);
    settings->addWidget(MemoToolNameDefault, 1);
    auto *settingsButtons = new QHBoxLayout;
    ButtonApplyINI = new QPushButton(QStringLiteral("Apply changes"), GroupBoxSettings);
    ButtonApplyINI->setObjectName(QStringLiteral("ButtonApplyINI"));
    auto *buttonWrite = new QPushButton(QStringLiteral("Save initialisation parameters"), GroupBoxSettings);
    buttonWrite->setObjectName(QStringLiteral("ButtonWriteINIFile"));
    connect(ButtonApplyINI, &QPushButton::clicked, this,
            [this] { RunCommand(MyStB, [this] { ButtonApplyINIClick(); }); });
    settingsButtons->addWidget(ButtonApplyINI);
    settingsButtons->addWidget(buttonWrite);
    settingsButtons->addStretch();
    settings->addLayout(settingsButtons);
    tech->addWidget(GroupBoxSettings, 1);

    // "Internal viewer"
    TabSheetViewer = pageOf(PageControlMain, new QWidget, QStringLiteral("Internal viewer"));
    TabSheetViewer->setObjectName(QStringLiteral("TabSheetViewer"));
    auto *viewer = new QVBoxLayout(TabSheetViewer);
    PageControlViewer = new QTabWidget(TabSheetViewer);
    PageControlViewer->setObjectName(QStringLiteral("PageControlViewer"));
    viewer->addWidget(PageControlViewer);
    ViewerPages = std::make_unique<TViewerPages>(PageControlViewer, *MyStB);
    // The viewer's tab is shown only while it has pages.
    ViewerPages->OnShow = [this] {
        PageControlMain->setTabVisible(PageControlMain->indexOf(TabSheetViewer), true);
        PageControlMain->setCurrentWidget(TabSheetViewer);
    };
    ViewerPages->OnLastPageClosed = [this] {
        PageControlMain->setTabVisible(PageControlMain->indexOf(TabSheetViewer), false);
        PageControlMain->setCurrentWidget(TabSheetNames);
    };

    // "WSDL View": the repository grids live here.
    TabSheetWSDLView = pageOf(PageControlMain, new QWidget, QStringLiteral("WSDL View"));
    TabSheetWSDLView->setObjectName(QStringLiteral("TabSheetWSDLView"));
    new QVBoxLayout(TabSheetWSDLView);

    PageControlMain->setTabVisible(PageControlMain->indexOf(TabSheetViewer), false);
    PageControlMain->setTabVisible(PageControlMain->indexOf(TabSheetTech), false);

    // Name fields: Enter runs the leave handling; leaving a non-empty field validates it.
    for (QLineEdit *e : {EditProductName, EditSystemName})
        e->installEventFilter(this);
    connect(EditProductName, &QLineEdit::textEdited, this, [this] { SetModified(true); });
    connect(EditSystemName, &QLineEdit::textEdited, this, [this] { SetModified(true); });
    GroupBoxNames->installEventFilter(this);
    GroupBoxDataSets->installEventFilter(this);
    FrameFindDirectoryOutputDir->installEventFilter(this);
    FrameFindDirectoryOutputDir->Edit->installEventFilter(this);
    setAcceptDrops(true);
    resize(1000, 680);
}

// ---- Start ----------------------------------------------------------------

void TfrmQuenbarMain::FormCreate()
{
    buildUi();
    Settings = std::make_unique<TWorkbenchSettings>(MyStB, m_programPath);
    buildActions();
    buildMenus();
    buildJob();
    buildSourceList();
    buildRunner();
    // The two drop-target buttons carry their actions' captions, mnemonic included.
    BindButtonToAction(BitBtnAddFiles, ActAddfiles, ActAddfiles->text());
    BindButtonToAction(BitBtnAddDirectories, ActAddDirectories, ActAddDirectories->text());
    connect(findChild<QPushButton *>(QStringLiteral("ButtonWriteINIFile")), &QPushButton::clicked, ActWriteINIFile,
            &QAction::trigger);
    // The buttons were made before the actions; bind them now.
    for (QPushButton *button : findChildren<QPushButton *>(QRegularExpression(QStringLiteral("^Button(New|Open|Save|Restart|Call|Run|Cancel)")))) {
        QAction *a = findChild<QAction *>(QStringLiteral("Act") + button->objectName().mid(6));
        if (a)
            BindButtonToAction(button, a, a->text().remove(u'&').trimmed());
    }

    Settings->OnSettingsUnavailable = [this] {
        PageControlMain->setEnabled(false);
        menuBar()->clear();
        Job->SetModified(false);
    };
    Settings->OnTextChanged = [this] { showSettingsText(); };
    Settings->OnShowConsoleLog = [this](bool on) { ActViewConsoleLog->setVisible(on); };
    CommandLine = TWorkbenchCommandLine::parse(m_args);
    m_autoRunReuse = CommandLine.HasAutoRun && SameText(CommandLine.AutoRun.trimmed(), QStringLiteral("Reuse"));
    m_autoRun = m_autoRunReuse
                || (CommandLine.HasAutoRun && SameText(CommandLine.AutoRun.trimmed(), QStringLiteral("Import")));
    if (m_autoRun) {
        // Nobody watches: every question takes the answer that lets the run go on, every report goes to stderr.
        Dialogs::setAutoRun(true);
        MyStB->setEchoToStderr(true);
    }

    RunCommand(MyStB, [this] {
        ActCalculateCommonRootStrict->setVisible(false);   // shown when the list grows
        Row = Settings->Row();
        Settings->LoadSettingsText();
        showSettingsText();
        Settings->ApplySettings(false);
        LoadingJob = false;
        SetModified(false);
        if (Row.KindNumber == 0)
            Settings->DetermineToolRoot(CommandLine);
        JobSaveTime = QDateTime();
        FrameFindDirectoryOutputDir->Reporter = MyStB;
        for (TFrameFindexec *f : findChildren<TFrameFindexec *>())
            f->StatusBar = MyStB;
        FrameFindDirectoryOutputDir->OnBeforeCheck = [this](QObject *) { FrameFindDirectoryOutputDirCreateFolder(); };
        FrameFindDirectoryOutputDir->OnDirectoryChanged = [this](QObject *) {
            SetModified(true);
        };
        ProgramVersion = ProgramVersionString(QStringLiteral("FileVersion"));
        if (CommandLine.Register)
            Settings->RegisterJobFileType();
    });
}

void TfrmQuenbarMain::showEvent(QShowEvent *event)
{
    QMainWindow::showEvent(event);
    if (!m_shown) {
        m_shown = true;
        // After the event loop has shown the window and every other window exists.
        QTimer::singleShot(0, this, [this] { FormShow(); });
    }
}

void TfrmQuenbarMain::CheckDesignedLinks()
{
    // The browser's editors and the report read the repository through
    // links made when the windows are built; a window without them would
    // show nothing, so the start records it.
    const bool editorLinked = WSDLView && WSDLView->frmEditorFrame1 && WSDLView->frmEditorFrame1->Table();
    const bool reportLinked = QRfrm_Crossref && QRfrm_Crossref->DataSet();
    if (!editorLinked)
        MyStB->AddError(QStringLiteral("DataSources wanished from frmEditorFrame1"), true);
    if (!reportLinked)
        MyStB->AddError(QStringLiteral("DataSources wanished from QRfrm_Crossref"), true);
    if (!editorLinked || !reportLinked)
        MyStB->AddError(QStringLiteral("Program has to be recompiled"), true);
}

void TfrmQuenbarMain::FormShow()
{
    CheckDesignedLinks();
    if (MyStB->Severity() > 1) {
        QMetaObject::invokeMethod(this, [this] { WMFatalStart(); }, Qt::QueuedConnection);
        return;
    }
    QCoreApplication::processEvents();
    SetSettingsProgram(Row.AppName + QStringLiteral(" Shell"));
    SetSettingsSection(QStringLiteral("Parameters"));
    WriteSetting(QStringLiteral("ProgramVersion"), ProgramVersion);

    GroupBoxSelectedFiles->setAcceptDrops(true);
    ViewerPages->ReadFontSettings();
    RestoreMainWindowPlace(this, SplitterMain, PanelBozomek);
    setCaption(Row.AppCaption + QStringLiteral(" - "));
    PageControlMain->setCurrentWidget(TabSheetNames);

    const bool settingsOk = RunCommand(MyStB, [this] {
        Settings->ApplySettings(true);
        Job->SetModified(false);
    });
    if (!settingsOk || MyStB->Severity() > 1) {
        QMetaObject::invokeMethod(this, [this] { WMFatalStart(); }, Qt::QueuedConnection);
        return;
    }
    RunCommand(MyStB, [this] {
        SetModified(false);
        ActShowAdvanced->setVisible(CommandLine.ShowAdvanced);
        ActShowAdvanced->setChecked(ActShowAdvanced->isVisible() && Settings->DebugMode());
        applyShowAdvanced();
        PageControlMain->setCurrentWidget(TabSheetNames);
        const QFileInfo proj(CommandLine.Proj);
        if (CommandLine.HasProj && proj.isFile() && SameText(QLatin1Char('.') + proj.suffix(), Row.JobExtension)) {
            OpenJobFile(proj.absoluteFilePath());
        } else {
            m_userInvoked = false;
            ActNewProjectExecute();
            m_userInvoked = true;
        }
    });
    PageControlHelper->setCurrentWidget(NewFileNames);
    FitFormToWorkArea(this);
    emit startFinished();
    if (m_autoRun)
        QTimer::singleShot(0, this, [this] { RunAutoImport(); });
}

void TfrmQuenbarMain::WMFatalStart()
{
    MyStB->setUseMessageBox(true);
    Job->SetModified(false);
    m_fatalStart = true;
    RunCommand(MyStB, [this] { MyStB->AddError(QStringLiteral("Fatal errors during start, application cannot run!"), true); });
    m_closing = true;
    close();
    emit fatalStartReported();
}

// ---- Settings ----------------------------------------------------------------

void TfrmQuenbarMain::showSettingsText()
{
    MemoToolNameDefault->setPlainText(Settings->Text());
    GroupBoxSettings->setTitle(Settings->SettingsCaption());
}

void TfrmQuenbarMain::takeSettingsText()
{
    Settings->setText(MemoToolNameDefault->toPlainText());
}

void TfrmQuenbarMain::setProgramDefaults()
{
    // The desktop's editor when there is one; otherwise the old default name,
    // which the optional editor field shows as missing without holding up a job.
    QString editor = QStringLiteral("NOTEPAD.EXE");
    for (const char *candidate : {"gnome-text-editor", "gedit", "kate", "mousepad", "xed", "pluma", "featherpad"}) {
        const QString found = QStandardPaths::findExecutable(QLatin1String(candidate));
        if (!found.isEmpty()) {
            editor = found;
            break;
        }
    }
    FrameFindexecEditorGeneral->DefaultName = editor;
    FrameFindexecWSDLProc->DefaultName = Settings->ConverterDefault(QStringLiteral("WSDLProc_Processor"));
    FrameFindexecWSDLObjt->DefaultName = Settings->ConverterDefault(QStringLiteral("WSDLObjt_Processor"));
    for (TFrameFindexec *f : {FrameFindexecEditorGeneral, FrameFindexecWSDLProc, FrameFindexecWSDLObjt})
        f->Edit->clear();
}

void TfrmQuenbarMain::refreshProgramFields(bool validate)
{
    const bool workbench = Row.KindNumber == 0;
    FrameFindexecWSDLProc->setVisible(workbench);
    FrameFindexecWSDLObjt->setVisible(workbench);
    ActRunCSVToWSDL->setVisible(workbench);
    if (!validate)
        return;
    bool allValid = true;
    for (TFrameFindexec *f : {FrameFindexecEditorGeneral, FrameFindexecWSDLProc, FrameFindexecWSDLObjt}) {
        const bool valid = f->Validate() && f->editState() == TFrameFindexec::TEditState::Normal;
        if (!valid && !f->isHidden())
            allValid = false;
    }
    if (!allValid) {
        PageControlMain->setTabVisible(PageControlMain->indexOf(TabSheetTech), true);
        PageControlMain->setCurrentWidget(TabSheetTech);
    }
    // The import runs only with both converters at hand.
    const bool convertersValid = FrameFindexecWSDLProc->editState() == TFrameFindexec::TEditState::Normal
                                 && FrameFindexecWSDLObjt->editState() == TFrameFindexec::TEditState::Normal;
    ActRunCSVToWSDL->setEnabled(convertersValid);
}

void TfrmQuenbarMain::ActWriteINIFileExecute()
{
    takeSettingsText();
    Settings->SaveSettingsText();
    Settings->ApplySettings(true);
    refreshProgramFields(true);
}

void TfrmQuenbarMain::ButtonApplyINIClick()
{
    takeSettingsText();
    Settings->ApplySettings(true);
    refreshProgramFields(true);
}

// ---- Action gate and modified state ----------------------------------------

void TfrmQuenbarMain::runAction(QAction *action)
{
    if (action)
        action->trigger();
}

void TfrmQuenbarMain::gate(QAction *action)
{
    const QString category = action->property(kCategory).toString();
    if (Job->BatchRunning() && category != QLatin1String("Viewer") && action != ActSaveProject && action != ActCloseAll
        && action != ActCancelRun) {
        MyStB->ShowError(QStringLiteral("Only viewing,Save,Cancel & Exit are allowed when processing"), false);
    }
    if (category == QLatin1String("FileCollect") || category == QLatin1String("Generate"))
        CheckJobNamesAndOutput();
    else
        MyStB->ClearMessage();
}

void TfrmQuenbarMain::CheckJobNamesAndOutput()
{
    ValidateProductName(EditProductName->text());
    ValidateSystemName(EditSystemName->text());
    Job->SetJobName(QString());
    SetJobName(GetJobName());
    if (OutputDirectory().isEmpty()) {
        FrameFindDirectoryOutputDir->Edit->setFocus();
        MyStB->ShowError(QStringLiteral("You have to set the output directory(s) first!"), false);
    }
    MyStB->ClearMessage();
}

void TfrmQuenbarMain::SetModified(bool flag)
{
    if (!flag && Job->Modified()) {
        const int answer = Dialogs::message(
            TMsgDlgType::Confirmation,
            QStringLiteral("The current project has been modified \r\nDo you want to save the changes?'"),
            mbYesNoCancel, 0, this);
        if (answer == mbYes) {
            ActSaveProject->setEnabled(true);
            SaveJob(false);
        } else if (answer == mbCancel) {
            MyStB->ShowError(QStringLiteral("Action cancelled"), false);
        }
    }
    Job->SetModified(flag);
    ActSaveProject->setEnabled(flag);
}

// ---- Names and job name --------------------------------------------------

void TfrmQuenbarMain::validateName(QLineEdit *field, const QString &text, const QString &message)
{
    // "*" clears the name; anything else must be a valid name.
    const QString name = text == QLatin1String("*") ? QString() : text;
    if (text != QLatin1String("*") && !ReuseJob::NameIsValid(name)) {
        PageControlMain->setCurrentWidget(TabSheetNames);
        field->setFocus();
        MyStB->ShowError(message, false);
    }
    Job->SetJobName(QString());
    if (field->text() != name)
        field->setText(name);
    SetModified(true);
    MyStB->ClearMessage();
}

void TfrmQuenbarMain::ValidateProductName(const QString &text)
{
    validateName(EditProductName, text, QStringLiteral("Product name missing or incorrect"));
}

void TfrmQuenbarMain::ValidateSystemName(const QString &text)
{
    validateName(EditSystemName, text, QStringLiteral("System name missing or incorrect"));
}

QString TfrmQuenbarMain::GetJobName()
{
    if (Job->JobName().isEmpty()) {
        ValidateProductName(EditProductName->text());
        ValidateSystemName(EditSystemName->text());
        Job->SetJobName(ReuseJob::DeriveJobName(EditProductName->text(), EditSystemName->text()));
    }
    return Job->JobName();
}

void TfrmQuenbarMain::SetJobName(const QString &fileName)
{
    Job->SetJobNameFromFile(fileName);
    setWindowTitle(Job->Caption());
}

void TfrmQuenbarMain::SetProjectFolder(const QString &folder)
{
    Job->SetProjectDirectory(folder);
    WriteSetting(QStringLiteral("LastPosition"), Job->ProjectDirectory());
}

QString TfrmQuenbarMain::OutputDirectory() const
{
    return FrameFindDirectoryOutputDir->DirectoryWithoutDelimiter();
}

void TfrmQuenbarMain::SetOutputDirectory(const QString &dir)
{
    FrameFindDirectoryOutputDir->Edit->setText(dir);
    Job->SetOutputDirectory(FrameFindDirectoryOutputDir->DirectoryWithoutDelimiter());
}

// ---- Job commands ----------------------------------------------------------

void TfrmQuenbarMain::ClearJob()
{
    EditProductName->clear();
    EditSystemName->clear();
    Job->SetQuenbarJobName(QString());
    Sources->Clear();
    Sources->SetCommonRoot(QString());
    NewFileNames->clear();
    Longextensions->clear();
    STLHCentral_Name->clear();
    STLHCentral_Other->clear();
    ViewerPages->CloseAll();
    SetJobName(QStringLiteral("*"));
    Job->SetModified(false);
    ActSaveProject->setEnabled(false);
    Sources->UpdateGroupCaption();
}

void TfrmQuenbarMain::StartJob(const QString &key)
{
    QString k = key;
    const bool loadMode = StartsWithText(QStringLiteral("???"), k);
    if (loadMode)
        k = k.mid(3);
    const QStringList items = SplitCommaText(Settings->ValueOf(k), TCommaBlanks::Trim);
    if (items.size() < 2) {
        MyStB->AddError(QStringLiteral("Corrupt ini file!"), true);
        throw EAbort();
    }
    Job->SetLanguageCode(items[1]);
    setCaption(ReuseJob::CaptionWithItem(windowTitle(), items[0]));
    try {
        ClearJob();
        refreshProgramFields(false);
        setProgramDefaults();
        SetProjectFolder(ReadSetting(QStringLiteral("LastPosition"), DocumentsFolder()));
        if (!QFileInfo(Job->ProjectDirectory()).isDir() && !QDir().mkpath(Job->ProjectDirectory()))
            SetProjectFolder(DocumentsFolder());
        QString out = ReuseJob::NormalizeOutputDirectory(ReadSetting(QStringLiteral("LastOutputDir"), DocumentsFolder()));
        if (!QFileInfo(out).isDir() && !QDir().mkpath(out))
            out = DocumentsFolder();
        if (loadMode && !m_loadProjectName.isEmpty())
            out = Job->ProjectDirectory() + m_loadProjectName;
        SetOutputDirectory(out);
        if (!loadMode) {
            CheckOutputDirectory();
            MyStB->ClearMessage();
        }
    } catch (const EAbort &) {
        throw;
    } catch (...) {
        throw EAbort();   // the step reported its failure already or has nothing to add
    }
}

void TfrmQuenbarMain::ActNewProjectExecute()
{
    SetModified(false);
    if (!LoadingJob) {
        MyStB->ClearMessage();
        StartJob(QStringLiteral("BussinesLogicGeneration"));
    }
    PageControlMain->setCurrentWidget(TabSheetNames);
}

void TfrmQuenbarMain::OpenJobFile(const QString &fileName)
{
    m_presetJobFile = fileName;
    m_userInvoked = false;
    RunCommand(MyStB, [this] {
        gate(ActOpenProject);
        ActOpenProjectExecute();
    });
    m_userInvoked = true;
}

void TfrmQuenbarMain::ActOpenProjectExecute()
{
    SetModified(false);
    ClearJob();
    PageControlMain->setCurrentWidget(TabSheetNames);
    QString file = m_presetJobFile;
    m_presetJobFile.clear();
    if (m_userInvoked || file.isEmpty()) {
        TFileDialogRequest request;
        request.caption = QStringLiteral("Open a ") + Row.JobHeader;
        request.filter = QStringLiteral("Job definitions files(*%1) (*%1)").arg(Row.JobExtension);
        request.defaultExtension = Row.JobExtension.mid(1);
        request.folder = Job->ProjectDirectory();
        file = Dialogs::service().openFileName(request, this);
        if (file.isEmpty())
            MyStB->ShowError(QStringLiteral("File search cancelled, new project created"), false);
    }
    LoadJob(file);
}

void TfrmQuenbarMain::LoadJob(const QString &fileName)
{
    {
        const TWaitCursor busy;
        TStreamToIni ini;
        bool ok = true;
        try {
            ini.LoadFromFile(fileName);
            const TJobProperties p = ReuseJob::ReadProperties(ini);
            m_loadProjectName = p.ProjectName;
            try {
                StartJob(QStringLiteral("???BussinesLogicGeneration"));
            } catch (...) {
                m_loadProjectName.clear();
                throw;
            }
            m_loadProjectName.clear();
            LoadingJob = true;
            Sources->SetCommonRoot(p.ProjectCommonRoot);
            SetJobName(p.ProjectName);
            const QString jobName = Job->JobName();
            if (!p.ProjectProductName.isEmpty())
                ValidateProductName(p.ProjectProductName);
            if (!p.ProjectSystemName.isEmpty())
                ValidateSystemName(p.ProjectSystemName);
            Job->SetJobName(jobName);   // the name the file was stored under stays the job's name
            Job->SetInterfaceType(p.ProjectInterFaceType);
            if (!p.ProjectDirectory.isEmpty())
                SetProjectFolder(p.ProjectDirectory);
            Job->SetMaxDirDepth(p.MaxDirDepth);
            if (p.BatchRunning) {
                Job->SetBatchRunning(true);
                Job->SetModified(true);
            }
            Job->SetListWidth(p.SelectedFilesScreenWidth);
            Job->SetQuenbarJobName(p.QuenbarJobName);
            ini.RestoreAllForms();
            Sources->SetCommonRoot(p.ProjectCommonRoot);   // the restored field must not win over the stored root
            Sources->UpdateGroupCaption();
            Job->SetModified(false);
            SetModified(false);
            JobSaveTime = QFileInfo(fileName).lastModified();
        } catch (...) {
            ok = false;
        }
        if (!ok) {
            LoadingJob = false;
            MyStB->ShowError(
                QStringLiteral(" Error while loading project definition, it was possibly generated with an older version of the tool"),
                false);
        }
    }
    if (LoadingJob)
        CheckOutputDirectory();
    LoadingJob = false;
    setCaption(ReuseJob::CaptionWithJobName(windowTitle(), Job->JobName()));
    PageControlMain->setCurrentWidget(TabSheetNames);
}

void TfrmQuenbarMain::CheckOutputDirectory()
{
    refreshProgramFields(true);
    const QString out = OutputDirectory();
    if (!QFileInfo(out).isDir()) {
        if (LoadingJob && !out.isEmpty()) {
            QDir().mkpath(Job->WorkDir());
            QDir().mkpath(Job->StagingDir());
        } else {
            Dialogs::message(TMsgDlgType::Warning,
                             QStringLiteral("The project's output directory - ") + out + QStringLiteral(" - doesn't exist")
                                 + QStringLiteral("\r\n") + QStringLiteral("please define an output directory"),
                             mbOK, 0, this);
            FrameFindDirectoryOutputDir->Edit->setModified(true);
            FrameFindDirectoryOutputDirEditExit();
        }
    }
    if (MyStB->Severity() > 0)
        MyStB->AddError(QStringLiteral("<<<<<<<<<<<<<<>>>>>>>>>>>>>>>"), true);
}

void TfrmQuenbarMain::FrameFindDirectoryOutputDirEditExit()
{
    m_suppressNamesDrag = true;
    MyStB->ClearMessage();
    QLineEdit *edit = FrameFindDirectoryOutputDir->Edit;
    const QString problem = ReuseJob::OutputDirectoryProblem(edit->text());
    if (!problem.isEmpty()) {
        edit->selectAll();
        if (edit->isEnabled() && edit->isVisible())
            edit->setFocus();
        MyStB->ShowError(problem, false);
    }
    if (NamesDropPending && edit->isModified())
        QDir().mkpath(edit->text());
    NamesDropPending = false;
    const bool wasModified = edit->isModified();
    edit->setText(ReuseJob::NormalizeOutputDirectory(edit->text()));
    edit->setModified(wasModified);
    FrameFindDirectoryOutputDir->EditExit();
    SetModified(true);
}

void TfrmQuenbarMain::FrameFindDirectoryOutputDirCreateFolder()
{
    // A typed folder is offered for creation before the frame would send
    // the user to the folder dialog.
    const QString folder = FrameFindDirectoryOutputDir->DirectoryWithoutDelimiter();
    // A relative text is refused by the field's own check; it must not be
    // created below whatever the program's current folder is.
    if (folder.isEmpty() || QDir::isRelativePath(folder) || QFileInfo(folder).isDir())
        return;
    if (Dialogs::message(TMsgDlgType::Confirmation,
                         QStringLiteral("Directory %1 doesn't exists, create it? ").arg(folder), mbOKCancel, mbOK,
                         this)
        != mbOK)
        return;
    if (!QDir().mkpath(folder))
        Dialogs::message(TMsgDlgType::Warning, QStringLiteral("Cannot create directory"), mbOK, 0, this);
}

void TfrmQuenbarMain::ActSaveProjectExecute() { SaveJob(false); }
void TfrmQuenbarMain::ActSaveProjectAsExecute() { SaveJob(true); }

void TfrmQuenbarMain::SaveJob(bool saveAs)
{
    const TWaitCursor busy;
    QString target = ResolvePath(GetJobName() + Row.JobExtension, Job->ProjectDirectory());
    if (saveAs || Job->JobName().isEmpty() || !QFileInfo::exists(target)) {
        try {
            FrameFindDirectoryOutputDir->Edit->setModified(true);
            FrameFindDirectoryOutputDirEditExit();
        } catch (...) {
            // The dialog comes anyway; the field's own report stays on the bar.
        }
        TFileDialogRequest request;
        request.caption = QStringLiteral("Save your recent activity for later reuse as a ") + Row.JobHeader;
        request.fileName = Job->JobName() + Row.JobExtension;
        request.folder = Job->ProjectDirectory();
        request.filter = QStringLiteral("%1s(*%2) (*%2)").arg(Row.JobHeader, Row.JobExtension);
        request.defaultExtension = TextAfter(Row.JobExtension, QStringLiteral("."));
        const QString chosen = Dialogs::service().saveFileName(request, this);
        if (chosen.isEmpty())
            MyStB->ShowError(QStringLiteral("Save cancelled"), false);
        target = chosen;
        SetProjectFolder(QFileInfo(chosen).absolutePath());
        SetJobName(chosen);
    }
    WriteSetting(QStringLiteral("LastOutputDir"), ReuseJob::LastOutputDirFor(OutputDirectory()));
    writeJobFile(target);
    JobSaveTime = QFileInfo(target).lastModified();
    Job->SetModified(false);
    ActSaveProject->setEnabled(false);
}

void TfrmQuenbarMain::writeJobFile(const QString &target)
{
    TStreamToIni ini;
    Job->SetListWidth(Sources->HorizontalExtent());
    ReuseJob::WriteProperties(ini, Job->Properties());
    ini.SkipInvisible = true;
    ini.SkipComponents({MemoToolNameDefault});
    ini.SkipFrames({QStringLiteral("TFrameFindExec")});
    ini.SaveMainFormState(this);
    ini.SaveToFile(target);
}

// The hand-off to the analysis shell: the hosted re-documentation kind on
// the job's names and output directory; afterwards the analyser's export of
// interfaces joins the source list.
void TfrmQuenbarMain::ActCallMirethExecute()
{
    ValidateProductName(EditProductName->text());
    ValidateSystemName(EditSystemName->text());
    SetJobName(GetJobName());
    const QString out = OutputDirectory();
    const QString temp = UniqueTempFileName(Row.JobExtension);
    const QIcon icon = QApplication::windowIcon();
    // In every case the shell's settings key and icon are taken back, and
    // the temporary job goes.
    const TScopeGuard restore([temp, icon, this] {
        QFile::remove(temp);
        SetSettingsProgram(Row.AppName + QStringLiteral(" Shell"));
        SetSettingsSection(QStringLiteral("Parameters"));
        QApplication::setWindowIcon(icon);
    });
    writeJobFile(temp);

    Ostrin::TShellHost host = Job->AnalysisHost();
    RunHostedShell(host, 3, this, m_programPath);

    const QString projectDirectory = Job->ProjectDirectory();
    LoadJob(temp);
    SetProjectFolder(projectDirectory);
    QFile::remove(temp);
    SetModified(true);
    Job->SetQuenbarJobName(host.ProjectSubVersion);

    // The shell's output directory: a language folder below ours.
    Job->TakeAnalyserExports(host.OutputDirectory);
}

void TfrmQuenbarMain::ActRestartProjectExecute()
{
    if (Row.KindNumber == 0) {
        NewFileNames->clear();
        Longextensions->clear();
    }
    const int depth = Job->MaxDirDepth() == 99 ? 1 : Job->MaxDirDepth();
    const QString out = OutputDirectory();
    const QStringList files = ReuseJob::ResetOutputFiles(out, EditProductName->text(), EditSystemName->text(),
                                                         GetJobName(), Job->MaxDirDepth());
    if (m_dm)
        m_dm->CloseRepository();
    if (!files.isEmpty()
        && Dialogs::message(TMsgDlgType::Warning, ReuseJob::ResetOutputQuestion(files), mbYesNo, 0, this) != mbYes)
        return;
    if (files.isEmpty())
        return;
    const TScopeGuard hide([progress = m_progress] {
        if (progress)
            progress->ShowProgressWindow(false);
    });
    if (m_progress) {
        m_progress->StartCounting(int(files.size()) + 4, QStringLiteral("Cleaning up output directory"));
        m_progress->ShowProgressWindow(true);
    }
    const auto step = [this] {
        if (m_progress)
            m_progress->StepProgress();
    };
    // The job file itself is the user's: a job kept inside its output directory survives the reset.
    const QString jobFile = QFileInfo(ResolvePath(Job->JobName() + Row.JobExtension, Job->ProjectDirectory())).absoluteFilePath();
    const auto notJobFile = [jobFile](const QString &path) { return QFileInfo(path).absoluteFilePath() != jobFile; };
    for (const QString &f : files) {
        if (notJobFile(f))
            QFile::remove(f);
        step();
    }
    ReuseJob::RemoveFilesBelow(out, depth + 2, notJobFile);
    step();
    ReuseJob::RemoveFilesBelow(ReuseJob::StagingDirOf(out), depth + 2, [](const QString &path) {
        return ReuseJob::IsNumberedConverterFile(QFileInfo(path).fileName());
    });
    step();
    QDir().mkpath(out);
    step();
    if (m_dm) {
        m_dm->OpenRepository(ReuseJob::RepositoryFolderOf(out), true);
        QDir().rmdir(ReuseJob::RepositoryFolderOf(out));
    }
    step();
}

// ---- Viewer ------------------------------------------------------------------

TFrameSimpleViewer *TfrmQuenbarMain::ActiveViewer() const
{
    return ViewerPages->ActiveViewer();
}

void TfrmQuenbarMain::OpenViewerFile(const QString &path)
{
    ViewerPages->Open(path, OutputDirectory());
}

void TfrmQuenbarMain::ActViewGeneralExecute()
{
    ViewerPages->Show();
    TFileDialogRequest request;
    request.caption = QStringLiteral("Open a result file");
    request.filter = QStringLiteral("All files (*);;Result files (*.wsdl *.log)");
    request.folder = OutputDirectory();
    if (TFrameSimpleViewer *v = ActiveViewer()) {
        request.folder = QFileInfo(v->FileName()).absolutePath();
        request.fileName = QFileInfo(v->FileName()).fileName();
    }
    const QString file = Dialogs::service().openFileName(request, this);
    if (file.isEmpty()) {
        if (ViewerPages->Count() == 0)
            ViewerPages->CloseAll();
        MyStB->ShowError(QStringLiteral("File search cancelled"), false);
    }
    OpenViewerFile(file);
}

void TfrmQuenbarMain::openLogFile(const QString &path)
{
    if (!QFileInfo::exists(path))
        return;
    OpenViewerFile(path);
}

void TfrmQuenbarMain::ActViewProductLogExecute()
{
    // The converters append to the product log in "Exports"; a log beside
    // the job's outputs is shown when that one is missing.
    const QString out = WithTrailingChar(OutputDirectory(), QLatin1Char('/'));
    const QString name = EditSystemName->text() + QStringLiteral(".log");
    const QString exported = out + QStringLiteral("Exports/") + name;
    openLogFile(QFileInfo::exists(exported) ? exported : out + name);
}

void TfrmQuenbarMain::ActViewConsoleLogExecute()
{
    openLogFile(WithTrailingChar(OutputDirectory(), QLatin1Char('/')) + QStringLiteral("Console.log"));
}

void TfrmQuenbarMain::ActViewParametersExecute()
{
    openLogFile(WithTrailingChar(OutputDirectory(), QLatin1Char('/')) + QStringLiteral("lastprc.xml"));
}

void TfrmQuenbarMain::ActViewNotepadExecute()
{
    QString program = FrameFindexecEditorGeneral->Edit->text();
    if (program.isEmpty() || program == QLatin1String("?"))
        program = FrameFindexecEditorGeneral->DefaultName;
    QProcess process;
    process.setWorkingDirectory(OutputDirectory());
    process.setProgram(ProgramFile(program));
    QEventLoop wait;
    connect(&process, &QProcess::finished, &wait, &QEventLoop::quit);
    connect(&process, &QProcess::errorOccurred, &wait, &QEventLoop::quit);
    process.start();
    if (!process.waitForStarted(10000))
        MyStB->ShowError(QStringLiteral("Cannot start ") + program + QStringLiteral(": ") + process.errorString(), false);
    // The window stays responsive while the editor is open.
    if (process.state() != QProcess::NotRunning)
        wait.exec();
}

void TfrmQuenbarMain::ActCloseTabExecute()
{
    if (PageControlMain->currentWidget() == TabSheetViewer)
        ViewerPages->CloseCurrent();
}

void TfrmQuenbarMain::ActCloseAllPagesExecute() { ViewerPages->CloseAll(); }

void TfrmQuenbarMain::ActSelectFontExecute()
{
    ViewerPages->ChooseFont(this);
}

void TfrmQuenbarMain::ActEditCopyExecute() { ViewerPages->CopySelection(); }
void TfrmQuenbarMain::ActEditSelectAllExecute() { ViewerPages->SelectAllText(); }

// ---- Other commands ----------------------------------------------------------

void TfrmQuenbarMain::applyShowAdvanced()
{
    const bool on = ActShowAdvanced->isChecked();
    PageControlMain->setTabVisible(PageControlMain->indexOf(TabSheetTech),
                                   on || PageControlMain->isTabVisible(PageControlMain->indexOf(TabSheetTech)));
    if (!on && PageControlMain->currentWidget() != TabSheetTech)
        PageControlMain->setTabVisible(PageControlMain->indexOf(TabSheetTech), false);
    for (QWidget *w : QApplication::topLevelWidgets())
        for (QAction *a : w->findChildren<QAction *>())
            if (a->property(kCategory).toString() == QLatin1String("ExtraActions"))
                a->setVisible(on);
    PageControlHelper->setVisible(on);
}

void TfrmQuenbarMain::ActShowAdvancedExecute()
{
    PageControlMain->setCurrentWidget(TabSheetNames);
    // QAction toggles its checked state itself when the user triggers it.
    applyShowAdvanced();
}

void TfrmQuenbarMain::ActAboutExecute()
{
    TAboutBoxDlg about;
    about.MemoContent = QStringLiteral("Tool root directory : \r\n") + Settings->ToolRoot();
    about.Execute(this);
}

void TfrmQuenbarMain::ActHelpShellExecute()
{
    const QString help = QFileInfo(m_programPath).absolutePath() + QStringLiteral("/HELP_TARVELL.HLP");
    if (!QFileInfo::exists(help) || !QDesktopServices::openUrl(QUrl::fromLocalFile(help)))
        MyStB->ShowWarning(QStringLiteral("Help file ") + help + QStringLiteral(" is not available"));
}

void TfrmQuenbarMain::ActCancelRunExecute()
{
    Runner->ActCancelRun();
}

void TfrmQuenbarMain::ActCloseAllExecute()
{
    ViewerPages->CloseAll();
    close();
}

// ---- Drops and the names drag ------------------------------------------------

void TfrmQuenbarMain::dragEnterEvent(QDragEnterEvent *event)
{
    if (event->mimeData()->hasUrls())
        event->acceptProposedAction();
}

void TfrmQuenbarMain::dropEvent(QDropEvent *event)
{
    const QStringList names = LocalPathsOf(event->mimeData());
    event->acceptProposedAction();
    if (names.size() != 1 || !QFileInfo(names.first()).isFile() || !names.first().endsWith(Row.JobExtension))
        return;
    OpenJobFile(names.first());
}

void TfrmQuenbarMain::DropNames()
{
    QLineEdit *edit = FrameFindDirectoryOutputDir->Edit;
    const QString target = ReuseJob::NamesDropTarget(edit->text(), Job->LanguageCode(), GetJobName());
    if (target.isEmpty())
        return;
    edit->setText(target);
    edit->setModified(true);
    edit->setFocus();
    NamesDropPending = true;
}

bool TfrmQuenbarMain::eventFilter(QObject *watched, QEvent *event)
{
    const QEvent::Type type = event->type();
    if ((watched == EditProductName || watched == EditSystemName)) {
        auto *edit = static_cast<QLineEdit *>(watched);
        const bool enter = type == QEvent::KeyPress
                           && (static_cast<QKeyEvent *>(event)->key() == Qt::Key_Return
                               || static_cast<QKeyEvent *>(event)->key() == Qt::Key_Enter);
        if ((type == QEvent::FocusOut || enter) && !edit->text().isEmpty()) {
            RunCommand(MyStB, [this, edit] {
                if (edit == EditProductName)
                    ValidateProductName(edit->text());
                else
                    ValidateSystemName(edit->text());
            });
            return enter;
        }
    } else if (watched == FrameFindDirectoryOutputDir->Edit && type == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent *>(event)->key();
        if (key != Qt::Key_Return && key != Qt::Key_Enter)
            NamesDropPending = false;
    } else if (watched == GroupBoxNames && type == QEvent::MouseButtonPress) {
        if (m_suppressNamesDrag) {
            m_suppressNamesDrag = false;
        } else if (!EditProductName->text().isEmpty() && !EditSystemName->text().isEmpty()) {
            auto *drag = new QDrag(GroupBoxNames);
            auto *data = new QMimeData;
            data->setData(kNamesMime, QByteArray("names"));
            drag->setMimeData(data);
            drag->exec(Qt::CopyAction);
            return true;
        }
    }
    if ((watched == GroupBoxDataSets || watched == FrameFindDirectoryOutputDir || watched == FrameFindDirectoryOutputDir->Edit)
        && (type == QEvent::DragEnter || type == QEvent::DragMove || type == QEvent::Drop)) {
        auto *drop = static_cast<QDropEvent *>(event);
        if (drop->mimeData()->hasFormat(kNamesMime)) {
            drop->acceptProposedAction();
            if (type == QEvent::Drop)
                RunCommand(MyStB, [this] { DropNames(); });
            return true;
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

// ---- Closing -----------------------------------------------------------------

bool TfrmQuenbarMain::FormCloseQuery()
{
    if (Job->BusyPreparing()) {
        if (Dialogs::message(TMsgDlgType::Confirmation, QStringLiteral("The User requested to stop the process, please confirm?"),
                             mbYesNo, 0, this)
            == mbYes) {
            Job->SetStopRequested(true);
            Job->SetBusyPreparing(false);
        }
        return false;
    }
    // Closing the window closes the viewer's current page first, one page at a time.
    if (PageControlMain->currentWidget() == TabSheetViewer && ViewerPages->CloseCurrent())
        return false;
    if (!Job->BatchRunning()) {
        SetModified(false);
        return true;
    }
    if (Dialogs::message(TMsgDlgType::Confirmation,
                         QStringLiteral("You are running a batch process in the background. If you quit \r\nnow, you will loose "
                                        "the connection with it. If you open the same \r\nproject again later, it will try to "
                                        "synchrornize with the results. It is \r\nbetter not to exit this task.\r\n\r\nDo you "
                                        "still want to exit?"),
                         mbYesNo, mbNo, this)
        == mbYes) {
        Job->SetModified(true);
        ActSaveProject->setEnabled(true);
        Runner->StopRunForClose();
        ActCancelRun->setEnabled(false);
    }
    return false;
}

void TfrmQuenbarMain::closeEvent(QCloseEvent *event)
{
    if (m_closing) {
        FormHide();
        event->accept();
        return;
    }
    bool mayClose = false;
    RunCommand(MyStB, [&] { mayClose = FormCloseQuery(); });
    if (mayClose) {
        FormHide();
        event->accept();
    } else {
        event->ignore();
    }
}

void TfrmQuenbarMain::hideEvent(QHideEvent *event)
{
    QMainWindow::hideEvent(event);
}

void TfrmQuenbarMain::FormHide()
{
    SaveMainWindowPlace(this, {PanelBozomek, PanelLibraries});
}
