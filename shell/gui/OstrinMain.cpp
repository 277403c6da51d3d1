#include "OstrinMain.h"

#include "AboutBoxDlg.h"
#include "CommandDispatch.h"
#include "Commands.h"
#include "DialogService.h"
#include "DropFilesHandler.h"
#include "Errors.h"
#include "FindDirectoryFrame.h"
#include "FindExecFrame.h"
#include "LayoutHelpers.h"
#include "MyStatusBar.h"
#include "RadioGroup.h"
#include "SharedRoutinesCommon.h"
#include "SourceColumns.h"
#include "StreamToIni.h"
#include "TextFile.h"
#include "WidgetRoutines.h"

#include <algorithm>
#include <climits>

#include <QApplication>
#include <QItemSelectionModel>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDesktopServices>
#include <QEventLoop>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHash>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QStyle>
#include <QListView>
#include <QListWidget>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScopedValueRollback>
#include <QSplitter>
#include <QTabWidget>
#include <QTableWidget>
#include <QTimer>
#include <QTreeView>
#include <QToolButton>
#include <QUrl>
#include <QVBoxLayout>

namespace {

const char *const kCategory = "Category";
const char *const kLanguagePage = "LanguagePage";

QWidget *addPage(QTabWidget *tabs, const char *name, const QString &caption)
{
    auto *page = new QWidget;
    page->setObjectName(QLatin1String(name));
    tabs->addTab(page, caption);
    return page;
}

QListView *checkList(const char *name, QWidget *parent)
{
    auto *list = new QListView(parent);
    list->setObjectName(QLatin1String(name));
    list->setSelectionMode(QAbstractItemView::SingleSelection);
    list->setUniformItemSizes(true);   // thousands of sources stay quick to show
    return list;
}

TFrameFindexec *picker(const char *name, const QString &caption, QWidget *parent, QLayout *layout)
{
    auto *f = new TFrameFindexec(parent);
    f->setObjectName(QLatin1String(name));
    f->LabelFindExec->setText(caption);
    layout->addWidget(f);
    return f;
}

QStringList itemTexts(const QListWidget *list)
{
    QStringList texts;
    for (int i = 0; i < list->count(); ++i)
        texts << list->item(i)->data(Qt::UserRole).toString();
    return texts;
}

// The window's actions as the caption overrides reach them.
class TActionCaptions : public IActionCaptions
{
public:
    explicit TActionCaptions(QWidget *window) : m_window(window) {}
    bool HasAction(const QString &name) const override { return action(name) != nullptr; }
    QString Caption(const QString &name) const override { return action(name) ? action(name)->text() : QString(); }
    void SetCaption(const QString &name, const QString &caption) override
    {
        if (QAction *a = action(name))
            a->setText(caption);
    }
    bool Visible(const QString &name) const override { return action(name) && action(name)->isVisible(); }
    void SetVisible(const QString &name, bool visible) override
    {
        if (QAction *a = action(name))
            a->setVisible(visible);
    }

private:
    QAction *action(const QString &name) const
    {
        for (QAction *a : m_window->findChildren<QAction *>())
            if (SameText(a->objectName(), name))
                return a;
        return nullptr;
    }
    QWidget *m_window;
};

} // namespace

// The window's progress area as the list commands report to it: a caption
// and a bar, and a stop request the close request sets.
class TPanelProgress : public IProgress
{
public:
    TPanelProgress(QWidget *panel, QLabel *caption, QProgressBar *bar) : m_panel(panel), m_caption(caption), m_bar(bar) {}

    void StartCounting(int maximum, const QString &title) override { start(maximum, title); }
    void StartPingPong(int maximum, const QString &title) override { start(maximum, title); }
    void StepProgress() override
    {
        stopPoint();
        m_bar->setValue(std::min(m_bar->maximum(), m_bar->value() + 1));
        pump();
    }
    void PingPongProgress(bool reset) override
    {
        stopPoint();
        m_bar->setValue(reset || m_bar->value() >= m_bar->maximum() ? 0 : m_bar->value() + 1);
        pump();
    }
    void ShowProgressWindow(bool show) override
    {
        m_panel->setVisible(show);
        m_active = show;
    }
    bool StopRequested() const override { return m_stop; }
    void RequestStop() override { m_stop = true; }
    bool Active() const { return m_active; }

private:
    void start(int maximum, const QString &title)
    {
        m_stop = false;
        m_active = true;
        m_caption->setText(title);
        m_bar->setRange(0, std::max(0, maximum));
        m_bar->setValue(0);
        m_panel->show();
        pump();
    }
    void stopPoint()
    {
        if (m_stop) {
            m_stop = false;
            throw EAbort();
        }
    }
    // Lets the close request in while the work goes on.
    static void pump() { QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents); }

    QWidget *m_panel;
    QLabel *m_caption;
    QProgressBar *m_bar;
    bool m_stop = false;
    bool m_active = false;
};

void SetCategoryVisible(const QString &category, bool alsoEnable, bool value)
{
    for (QWidget *w : QApplication::topLevelWidgets())
        for (QAction *a : w->findChildren<QAction *>())
            if (a->property(kCategory).toString() == category) {
                a->setVisible(value);
                if (alsoEnable)
                    a->setEnabled(value);
            }
}

// ---- Creation ------------------------------------------------------------------------------

TfrmOstrinMain::TfrmOstrinMain(const QStringList &args, QWidget *parent, const QString &programPath, int hostTag,
                               Ostrin::TShellHost *host)
    : QMainWindow(parent),
      m_args(args),
      m_programPath(programPath.isEmpty() ? QCoreApplication::applicationFilePath() : programPath),
      m_hostTag(hostTag),
      m_host(host)
{
    if (m_args.isEmpty()) {
        m_args = QCoreApplication::arguments();
        if (!m_args.isEmpty())
            m_args.removeFirst();
    }
    setObjectName(ShellJobNames::Window);
    FormCreate();
}

TfrmOstrinMain::~TfrmOstrinMain()
{
    // The list's columns read the analysis, which goes before the widgets.
    CheckListBoxSelectedFiles->setModel(nullptr);
    delete m_sourceColumns;
    m_sourceColumns = nullptr;
    // The pickers report a focus leaving them while the children are destroyed.
    for (TFrameFindDirectory *f : findChildren<TFrameFindDirectory *>()) {
        f->OnBeforeCheck = nullptr;
        f->OnDirectoryChanged = nullptr;
        f->Reporter = nullptr;
    }
    for (TFrameFindexec *f : findChildren<TFrameFindexec *>()) {
        f->OnProgramChanged = nullptr;
        f->StatusBar = nullptr;
    }
}

void TfrmOstrinMain::buildLanguagePages()
{
    const auto build = [this](QWidget *page, Ostrin::TLanguagePage kindPage, const QList<Ostrin::TLanguageGroup> &groups) {
        auto *row = new QHBoxLayout(page);
        for (const Ostrin::TLanguageGroup &g : groups) {
            auto *box = new QGroupBox(QLatin1String(g.title), page);
            box->setObjectName(QLatin1String(g.name));
            auto *column = new QVBoxLayout(box);
            for (const Ostrin::TLanguageButtonDef &b : g.buttons) {
                auto *button = new QRadioButton(QLatin1String(b.caption), box);
                button->setObjectName(QLatin1String(b.name));
                // Exclusion is the selection's business: it reaches across groups.
                button->setAutoExclusive(false);
                button->setProperty(kLanguagePage, int(kindPage));
                column->addWidget(button);
                connect(button, &QRadioButton::clicked, this, [this, button] { SelectLanguage(button->objectName()); });
            }
            column->addStretch();
            row->addWidget(box);
        }
        row->addStretch();
    };
    for (auto [page, kindPage] : {std::pair{TabSheetLanguage, Ostrin::TLanguagePage::ProgrammingLanguages},
                                  std::pair{TabSheetTestSpec, Ostrin::TLanguagePage::TestSpecification},
                                  std::pair{TabSheetTestDoc, Ostrin::TLanguagePage::TestDocumentation},
                                  std::pair{TabSheetDocTypes, Ostrin::TLanguagePage::DocumentTypes}})
        build(page, kindPage, Ostrin::LanguageGroups(kindPage));
    GroupBoxTestCaseAnalysis = TabSheetTestSpec->findChild<QGroupBox *>(QStringLiteral("GroupBoxTestCaseAnalysis"));
    RadioGroupLanguageVersion = new TRadioGroup(QStringLiteral("Language version"), TabSheetLanguage);
    RadioGroupLanguageVersion->setObjectName(QStringLiteral("RadioGroupLanguageVersion"));
    RadioGroupLanguageVersion->hide();
    connect(RadioGroupLanguageVersion, &TRadioGroup::ItemIndexChanged, this, [this](int index) {
        if (!m_showing)
            runCommand([this, index] { Language->ChooseLanguageVersion(index); });
    });
}

void TfrmOstrinMain::buildUi()
{
    MyStB = new TMyStatusBar(this);
    MyStB->setObjectName(QStringLiteral("MyStB"));
    setStatusBar(MyStB);
    PageControlMain = new QTabWidget(this);
    PageControlMain->setObjectName(QStringLiteral("PageControlMain"));
    setCentralWidget(PageControlMain);

    TabSheetLanguage = addPage(PageControlMain, "TabSheetLanguage", QStringLiteral("Language selection"));
    TabSheetTestSpec = addPage(PageControlMain, "TabSheetTestSpec", QStringLiteral("Language selection"));
    TabSheetTestDoc = addPage(PageControlMain, "TabSheetTestDoc", QStringLiteral("Language or utility function selection"));
    TabSheetDocTypes = addPage(PageControlMain, "TabSheetDocTypes", QStringLiteral("Select document type"));
    buildLanguagePages();

    // "Names and datasets"
    TabSheetNames = addPage(PageControlMain, "TabSheetNames", QStringLiteral("Names and datasets"));
    auto *namesLayout = new QHBoxLayout(TabSheetNames);
    SplitterMain = new QSplitter(Qt::Horizontal, TabSheetNames);
    SplitterMain->setObjectName(QStringLiteral("SplitterMain"));
    namesLayout->addWidget(SplitterMain);
    PanelBozomek = new QWidget(SplitterMain);
    PanelBozomek->setObjectName(QStringLiteral("PanelBozomek"));
    auto *left = new QVBoxLayout(PanelBozomek);

    GroupBoxNames = new QGroupBox(QStringLiteral("Names"), PanelBozomek);
    GroupBoxNames->setObjectName(QStringLiteral("GroupBoxNames"));
    auto *names = new QGridLayout(GroupBoxNames);
    const auto nameEdit = [this, names](const QString &name, const QString &label, const QString &hint, int row) {
        auto *e = new QLineEdit(GroupBoxNames);
        e->setObjectName(name);
        e->setMaxLength(8);
        e->setToolTip(hint);
        names->addWidget(new QLabel(label, GroupBoxNames), row, 0);
        names->addWidget(e, row, 1);
        return e;
    };
    EditProductName = nameEdit(ShellJobNames::ProductEdit, QStringLiteral("Product name"),
                               QStringLiteral("The name of the product to be processed (Max. 8 characters)"), 0);
    EditSystemName = nameEdit(ShellJobNames::SystemEdit, QStringLiteral("System name"),
                              QStringLiteral("The name of the system to be processed (Max. 8 characters)"), 1);
    EditSystemVersion = nameEdit(ShellJobNames::VersionEdit, QStringLiteral("Version"),
                                 QStringLiteral("Version of the system (0..9 and .)"), 2);
    left->addWidget(GroupBoxNames);

    FrameFindDirectoryOutputDir = new TFrameFindDirectory(PanelBozomek);
    FrameFindDirectoryOutputDir->setObjectName(ShellJobNames::OutputFrame);
    FrameFindDirectoryOutputDir->LabelCaption->setText(QStringLiteral("Output directory"));
    left->addWidget(FrameFindDirectoryOutputDir);
    PanelCommonRoot = new QWidget(PanelBozomek);
    PanelCommonRoot->setObjectName(QStringLiteral("PanelCommonRoot"));
    auto *commonRow = new QHBoxLayout(PanelCommonRoot);
    commonRow->setContentsMargins(0, 0, 0, 0);
    commonRow->addWidget(new QLabel(QStringLiteral("Assumed \"System\" directory"), PanelCommonRoot));
    EditCommonRoot = new QLineEdit(PanelCommonRoot);
    EditCommonRoot->setObjectName(QStringLiteral("EditCommonRoot"));
    EditCommonRoot->setReadOnly(true);
    commonRow->addWidget(EditCommonRoot, 1);
    commonRow->addWidget(new QLabel(QStringLiteral("Depth"), PanelCommonRoot));
    LabelDepth = new QLabel(QStringLiteral("0"), PanelCommonRoot);
    LabelDepth->setObjectName(QStringLiteral("LabelDepth"));
    commonRow->addWidget(LabelDepth);
    left->addWidget(PanelCommonRoot);

    GroupBoxExtras = new QGroupBox(QStringLiteral("Extras"), PanelBozomek);
    GroupBoxExtras->setObjectName(QStringLiteral("GroupBoxExtras"));
    auto *extras = new QVBoxLayout(GroupBoxExtras);
    const auto extra = [this, extras](const char *name, const QString &caption, const QString &hint) {
        auto *c = new QCheckBox(caption, GroupBoxExtras);
        c->setObjectName(QLatin1String(name));
        c->setToolTip(hint);
        c->setChecked(true);
        extras->addWidget(c);
        connect(c, &QCheckBox::toggled, this, [this] { sharedChange(); });
        return c;
    };
    CheckBoxAudit = extra("CheckBoxAudit", QStringLiteral("Audit on"), QStringLiteral("Do auditing"));
    CheckBoxExports = extra("CheckBoxExports", QStringLiteral("Exports"),
                            QStringLiteral("Create export files for further analysis tools"));
    CheckBoxComments = extra("CheckBoxComments", QStringLiteral("Comments on"), QStringLiteral("Generate comment extraction "));
    CheckBoxLabels = extra("CheckBoxLabels", QStringLiteral("Labels"), QString());
    CheckBoxBranches = extra("CheckBoxBranches", QStringLiteral("Branches"), QString());
    CheckBoxCalls = extra("CheckBoxCalls", QStringLiteral("Calls"), QString());
    CheckBoxMacros = extra("CheckBoxMacros", QStringLiteral("Macros"), QString());
    CheckBoxIOs = extra("CheckBoxIOs", QStringLiteral("IOs"), QString());
    CheckBoxCalc = extra("CheckBoxCalc", QStringLiteral("Calc"), QString());
    left->addWidget(GroupBoxExtras);

    GroupBoxSearch = new QGroupBox(QStringLiteral("Search parameters"), PanelBozomek);
    GroupBoxSearch->setObjectName(QStringLiteral("GroupBoxSearch"));
    auto *search = new QVBoxLayout(GroupBoxSearch);
    ComboBoxSearchType = new QComboBox(GroupBoxSearch);
    ComboBoxSearchType->setObjectName(QStringLiteral("ComboBoxSearchType"));
    search->addWidget(ComboBoxSearchType);
    left->addWidget(GroupBoxSearch);

    // The command panel: buttons in rows by their tag, laid out by ArrangeFormButtons.
    PanelCommands = new QWidget(PanelBozomek);
    PanelCommands->setObjectName(QStringLiteral("PanelCommands"));
    PanelCommands->setMinimumHeight(60);
    BitBtnRunTool = new QPushButton(PanelCommands);
    BitBtnRunTool->setObjectName(QStringLiteral("BitBtnRunTool"));
    SetWidgetTag(BitBtnRunTool, 1);
    left->addWidget(PanelCommands);

    PageControlHelper = new QTabWidget(PanelBozomek);
    PageControlHelper->setObjectName(QStringLiteral("PageControlHelper"));
    TabSheetComponents = new QWidget;
    TabSheetComponents->setObjectName(QStringLiteral("TabSheetComponents"));
    auto *components = new QHBoxLayout(TabSheetComponents);
    ListBoxComponents = checkList("ListBoxComponents", TabSheetComponents);
    ListBoxModules = checkList("ListBoxModules", TabSheetComponents);
    components->addWidget(ListBoxComponents);
    components->addWidget(ListBoxModules);
    PageControlHelper->addTab(TabSheetComponents, QStringLiteral("Components"));
    NewFileNames = new QPlainTextEdit;
    NewFileNames->setObjectName(QStringLiteral("NewFileNames"));
    Longextensions = new QPlainTextEdit;
    Longextensions->setObjectName(QStringLiteral("Longextensions"));
    PageControlHelper->addTab(NewFileNames, QStringLiteral("NewFileNames"));
    PageControlHelper->addTab(Longextensions, QStringLiteral("Longextensions"));
    left->addWidget(PageControlHelper, 1);
    left->addStretch();

    PanelLibraries = new QWidget(SplitterMain);
    PanelLibraries->setObjectName(QStringLiteral("PanelLibraries"));
    auto *right = new QVBoxLayout(PanelLibraries);
    GroupBoxSelectedFiles = new QGroupBox(QStringLiteral("Source files of the project (0)"), PanelLibraries);
    GroupBoxSelectedFiles->setObjectName(QStringLiteral("GroupBoxSelectedFiles"));
    auto *files = new QVBoxLayout(GroupBoxSelectedFiles);
    CheckListBoxSelectedFiles = new QTreeView(GroupBoxSelectedFiles);
    CheckListBoxSelectedFiles->setObjectName(QStringLiteral("CheckListBoxSelectedFiles"));
    CheckListBoxSelectedFiles->setRootIsDecorated(false);
    CheckListBoxSelectedFiles->setUniformRowHeights(true);   // thousands of sources stay quick to show
    CheckListBoxSelectedFiles->setSelectionMode(QAbstractItemView::SingleSelection);
    CheckListBoxSelectedFiles->setAllColumnsShowFocus(true);
    files->addWidget(CheckListBoxSelectedFiles, 1);
    auto *fileButtons = new QWidget(GroupBoxSelectedFiles);
    fileButtons->setObjectName(QStringLiteral("PanelFileButtons"));
    fileButtons->setMinimumHeight(34);
    BitBtnAddFiles = new QPushButton(fileButtons);
    BitBtnAddFiles->setObjectName(QStringLiteral("BitBtnAddFiles"));
    SetWidgetTag(BitBtnAddFiles, 1);
    BitBtnAddDirectories = new QPushButton(fileButtons);
    BitBtnAddDirectories->setObjectName(QStringLiteral("BitBtnAddDirectories"));
    SetWidgetTag(BitBtnAddDirectories, 1);
    files->addWidget(fileButtons);
    right->addWidget(GroupBoxSelectedFiles, 1);
    PanelProgress = new QWidget(PanelLibraries);
    PanelProgress->setObjectName(QStringLiteral("PanelProgress"));
    auto *progress = new QVBoxLayout(PanelProgress);
    progress->setContentsMargins(0, 0, 0, 0);
    LabelProgress = new QLabel(PanelProgress);
    LabelProgress->setObjectName(QStringLiteral("LabelProgress"));
    ProgressBarModules = new QProgressBar(PanelProgress);
    ProgressBarModules->setObjectName(QStringLiteral("ProgressBarModules"));
    ProgressBarSources = new QProgressBar(PanelProgress);
    ProgressBarSources->setObjectName(QStringLiteral("ProgressBarSources"));
    ProgressBarSources->setTextVisible(false);
    progress->addWidget(LabelProgress);
    progress->addWidget(ProgressBarModules);
    progress->addWidget(ProgressBarSources);
    PanelProgress->hide();
    right->addWidget(PanelProgress);
    MemoConsole = new QPlainTextEdit(PanelLibraries);
    MemoConsole->setObjectName(QStringLiteral("MemoConsole"));
    MemoConsole->setReadOnly(true);
    MemoConsole->setMaximumBlockCount(200000);   // a tool that floods its console cannot exhaust memory
    MemoConsole->hide();
    right->addWidget(MemoConsole);
    SplitterMain->setStretchFactor(1, 1);

    // "Analysis parameters"
    TabSheetAnalPar = addPage(PageControlMain, "TabSheetAnalPar", QStringLiteral("Analysis parameters"));
    auto *analpar = new QVBoxLayout(TabSheetAnalPar);
    PageControlAnalPar = new QTabWidget(TabSheetAnalPar);
    PageControlAnalPar->setObjectName(QStringLiteral("PageControlAnalPar"));
    analpar->addWidget(PageControlAnalPar);
    const auto listPage = [this](const char *pageName, const QString &caption, const QString &listName) {
        QWidget *page = addPage(PageControlAnalPar, pageName, caption);
        auto *l = new QVBoxLayout(page);
        auto *list = new QListWidget(page);
        list->setObjectName(listName);
        l->addWidget(list);
        connect(list, &QListWidget::itemChanged, this, [this, list](QListWidgetItem *item) {
            if (!m_showing)
                definitionItemChanged(list, list->row(item));
        });
        connect(list, &QListWidget::itemDoubleClicked, this, [this, list] {
            // Double click reverses every tick of the list.
            runCommand([this, list] {
                for (int i = 0; i < list->count(); ++i) {
                    QListWidgetItem *it = list->item(i);
                    it->setCheckState(it->checkState() == Qt::Checked ? Qt::Unchecked : Qt::Checked);
                }
            });
        });
        return std::pair{page, list};
    };
    std::tie(TabSheetRules, CheckListBoxRules) = listPage("TabSheetRules", QStringLiteral("Rules"), ShellJobNames::Rules);
    TabSheetMaxValues = addPage(PageControlAnalPar, "TabSheetMaxValues", QStringLiteral("Max. values for certain rules"));
    auto *maxValues = new QVBoxLayout(TabSheetMaxValues);
    StringGridNumParams = new QTableWidget(0, 3, TabSheetMaxValues);
    StringGridNumParams->setObjectName(ShellJobNames::LimitsGrid);
    StringGridNumParams->horizontalHeader()->hide();
    StringGridNumParams->verticalHeader()->hide();
    StringGridNumParams->setColumnHidden(2, true);
    StringGridNumParams->setSelectionBehavior(QAbstractItemView::SelectItems);
    StringGridNumParams->setSelectionMode(QAbstractItemView::SingleSelection);
    maxValues->addWidget(StringGridNumParams);
    connect(StringGridNumParams, &QTableWidget::cellChanged, this, [this](int row, int column) {
        if (!m_showing)
            limitChanged(row, column);
    });
    std::tie(TabSheetMetrics, CheckListBoxMetrics) =
        listPage("TabSheetMetrics", QStringLiteral("Metrics"), ShellJobNames::Metrics);
    std::tie(TabSheetSpecs, CheckListBoxSpecs) = listPage("TabSheetSpecs", QStringLiteral("Specs"), ShellJobNames::Specs);
    std::tie(TabSheetFunctab, CheckListBoxFunctab) =
        listPage("TabSheetFunctab", QStringLiteral("Function definition table"), ShellJobNames::Functab);
    ComboBoxMetricWeight = new QComboBox(CheckListBoxMetrics->viewport());
    ComboBoxMetricWeight->setObjectName(QStringLiteral("ComboBoxMetricWeight"));
    for (int w = 0; w <= 3; ++w)
        ComboBoxMetricWeight->addItem(WeightName(w));
    ComboBoxMetricWeight->hide();
    connect(ComboBoxMetricWeight, &QComboBox::activated, this, [this] { storeWeightChoice(); });
    CheckListBoxMetrics->installEventFilter(this);
    CheckListBoxMetrics->viewport()->installEventFilter(this);
    CheckListBoxMetrics->viewport()->setMouseTracking(true);
    ComboBoxMetricWeight->installEventFilter(this);
    PanelCommands->installEventFilter(this);
    fileButtons->installEventFilter(this);

    // "Edit word list": the control word types and the nouns; the lists themselves come with the pre-scanner.
    TabSheetWordList = addPage(PageControlMain, "TabSheetWordList", QStringLiteral("Edit word list"));
    auto *wordList = new QVBoxLayout(TabSheetWordList);
    auto *wordTabs = new QTabWidget(TabSheetWordList);
    wordTabs->setObjectName(QStringLiteral("PageControlWordList"));
    wordList->addWidget(wordTabs);
    QWidget *controlWords = addPage(wordTabs, "TabSheetControlWords", QStringLiteral("Control Words"));
    auto *cw = new QVBoxLayout(controlWords);
    ComboBoxControlWordType = new QComboBox(controlWords);
    ComboBoxControlWordType->setObjectName(QStringLiteral("ComboBoxControlWordType"));
    ComboBoxControlWordType2 = new QComboBox(controlWords);
    ComboBoxControlWordType2->setObjectName(QStringLiteral("ComboBoxControlWordType2"));
    BitBtnImportWordList = new QPushButton(controlWords);
    BitBtnImportWordList->setObjectName(QStringLiteral("BitBtnImportWordList"));
    cw->addWidget(ComboBoxControlWordType);
    cw->addWidget(ComboBoxControlWordType2);
    cw->addWidget(BitBtnImportWordList);
    cw->addStretch();
    TabSheetNouns = addPage(wordTabs, "TabSheetNouns", QStringLiteral("Nouns"));
    PanelNouns = TabSheetNouns;

    // "Technical parameters"
    TabSheetTech = addPage(PageControlMain, "TabSheetTech", QStringLiteral("Technical parameters"));
    auto *tech = new QVBoxLayout(TabSheetTech);
    FrameFindexecLimits = picker("FrameFindexecLimits", QStringLiteral("Limits definitons"), TabSheetTech, tech);
    FrameFindexecRules = picker("FrameFindexecRules", QStringLiteral("Rule definitions"), TabSheetTech, tech);
    FrameFindexecMetrics = picker("FrameFindexecMetrics", QStringLiteral("Metrics definitions"), TabSheetTech, tech);
    FrameFindexecFunctab = picker("FrameFindexecFunctab", QStringLiteral("Function table"), TabSheetTech, tech);
    FrameFindexecSpecs = picker("FrameFindexecSpecs", QStringLiteral("Specs definitons"), TabSheetTech, tech);
    FrameFindexecAnal = picker("FrameFindexecAnal", QStringLiteral("Anal program "), TabSheetTech, tech);
    FrameFindexecTransf = picker("FrameFindexecTransf", QStringLiteral("Export file converter program"), TabSheetTech, tech);
    FrameFindexecEditor = picker("FrameFindexecEditor", QStringLiteral("External editor && viewer"), TabSheetTech, tech);
    FrameFindexecScanner = picker("FrameFindexecScanner", QStringLiteral("Word scanner program"), TabSheetTech, tech);
    FrameFindexecTstDesign =
        picker("FrameFindexecTstDesign", QStringLiteral("Test design generator program"), TabSheetTech, tech);
    FrameFindexecSearch = picker("FrameFindexecSearch", QStringLiteral("Search program"), TabSheetTech, tech);
    FrameFindexecTstSpecTemplate =
        picker("FrameFindexecTstSpecTemplate", QStringLiteral("Test specification template"), TabSheetTech, tech);
    // A missing editor must not hold up a job.
    FrameFindexecEditor->setOptional(true);
    GroupBoxSettings = new QGroupBox(QStringLiteral("Product ini file : "), TabSheetTech);
    GroupBoxSettings->setObjectName(QStringLiteral("GroupBoxSettings"));
    auto *settings = new QVBoxLayout(GroupBoxSettings);
    MemoToolNameDefault = new QPlainTextEdit(GroupBoxSettings);
    MemoToolNameDefault->setObjectName(QStringLiteral("MemoToolNameDefault"));
    MemoToolNameDefault->setLineWrapMode(QPlainTextEdit::NoWrap);
    connect(MemoToolNameDefault, &QPlainTextEdit::textChanged, this, [this] {
        if (!m_showing)
            sharedChange();
    });
    settings->addWidget(MemoToolNameDefault, 1);
    auto *settingsButtons = new QHBoxLayout;
    ButtonApplyINI = new QPushButton(QStringLiteral("Apply changes"), GroupBoxSettings);
    ButtonApplyINI->setObjectName(QStringLiteral("ButtonApplyINI"));
    ButtonWriteINIFile = new QPushButton(QStringLiteral("Save initialisation parameters"), GroupBoxSettings);
    ButtonWriteINIFile->setObjectName(QStringLiteral("ButtonWriteINIFile"));
    connect(ButtonApplyINI, &QPushButton::clicked, this, [this] { ApplyChanges(); });
    settingsButtons->addWidget(ButtonApplyINI);
    settingsButtons->addWidget(ButtonWriteINIFile);
    settingsButtons->addStretch();
    settings->addLayout(settingsButtons);
    tech->addWidget(GroupBoxSettings, 1);

    TabSheetViewer = addPage(PageControlMain, "TabSheetViewer", QStringLiteral("Internal viewer"));
    setPageVisible(TabSheetViewer, false);

    connect(PageControlMain, &QTabWidget::currentChanged, this, [this] {
        MyStB->ClearMessage();
        QWidget *page = PageControlMain->currentWidget();
        if (page == languagePage())
            if (QRadioButton *b = languageButton(Job ? Job->ActiveButton() : QString()); b && b->isEnabled())
                b->setFocus();
    });

    for (QLineEdit *e : {EditProductName, EditSystemName, EditSystemVersion})
        connect(e, &QLineEdit::editingFinished, this, [this, e] {
            if (m_showing || !Job)
                return;
            const QString text = e->text();
            runCommand([this, e, text] {
                if (e == EditProductName)
                    Job->SetProductName(text);
                else if (e == EditSystemName)
                    Job->SetSystemName(text);
                else
                    Job->SetVersion(text);
            });
        });
    resize(1000, 700);
}

QAction *TfrmOstrinMain::makeAction(const char *name, const QString &category, const QString &caption,
                                    std::function<void()> handler)
{
    auto *a = new QAction(caption, this);
    a->setObjectName(QLatin1String(name));
    a->setProperty(kCategory, category);
    connect(a, &QAction::triggered, this, [this, a, handler] {
        runCommand([this, a, &handler] {
            gate(a);
            if (handler)
                handler();
            else
                notAvailable(a);
        });
    });
    addAction(a);
    Actions << a;
    return a;
}

void TfrmOstrinMain::notAvailable(QAction *action)
{
    MyStB->ShowWarning(action->text().remove(u'&').trimmed() + QStringLiteral(" is not available in this version"));
}

void TfrmOstrinMain::gate(QAction *action)
{
    Job->ActionGate(action->property(kCategory).toString(), action->text());
}

void TfrmOstrinMain::buildActions()
{
    const QString P = QStringLiteral("Project"), F = QStringLiteral("FileCollect"), G = QStringLiteral("Generate"),
                  V = QStringLiteral("Viewer"), H = QStringLiteral("Help"), X = QStringLiteral("ExtraActions"),
                  R = QStringLiteral("Results"), W = QStringLiteral("WordList"), PM = QStringLiteral("Pelmar");
    ActNewProject = makeAction("ActNewProject", P, QStringLiteral("New job"), [this] { Job->NewJob(); });
    ActOpenProject = makeAction("ActOpenProject", P, QStringLiteral("&Open existing job"), [this] { Job->OpenJob(); });
    ActSaveProject = makeAction("ActSaveProject", P, QStringLiteral("&Save "), [this] { Job->SaveJob(false); });
    ActSaveProjectAs = makeAction("ActSaveProjectAs", P, QStringLiteral("Save job as..."), [this] { Job->SaveJob(true); });
    ActCloseAll = makeAction("ActCloseAll", P, QStringLiteral("&Exit"), [this] { close(); });
    ActAddfiles = makeAction("ActAddfiles", F, QStringLiteral("Add &files to the job"),
                             [this] { Analysis->Sources.AddFilesFromDialog(); });
    ActAddDirectories = makeAction("ActAddDirectories", F, QStringLiteral("Add complete directories"),
                                   [this] { Analysis->Sources.AddDirectoryFromDialog(); });
    ActRemoveFiles = makeAction("ActRemoveFiles", F, QStringLiteral("Remove &unchecked list items"),
                                [this] { listCommand(ActRemoveFiles, 3); });
    ActToggleComponent = makeAction("ActToggleComponent", F, QStringLiteral("Toggle whole component"), [this] {
        Analysis->Sources.ToggleComponent(CheckListBoxSelectedFiles->currentIndex().row());
    });
    ActToggleModule = makeAction("ActToggleModule", F, QStringLiteral("Toggle whole module"), [this] {
        Analysis->Sources.ToggleModule(CheckListBoxSelectedFiles->currentIndex().row());
    });
    ActToggleSelect = makeAction("ActToggleSelect", F, QStringLiteral("&Reverse the selection"),
                                 [this] { listCommand(ActToggleSelect, 0); });
    ActSelectAll = makeAction("ActSelectAll", F, QStringLiteral("Select &all items in the list"),
                              [this] { listCommand(ActSelectAll, 1); });
    ActUnselectAll = makeAction("ActUnselectAll", F, QStringLiteral("&Unselect all of the items"),
                                [this] { listCommand(ActUnselectAll, 2); });
    ActCalculateCommonRoot = makeAction("ActCalculateCommonRoot", F, QStringLiteral("Analyze component/modul structure"),
                                        [this] { Analysis->Sources.AnalyseStructure(false); });
    ActCalculateCommonRootStrict = makeAction("ActCalculateCommonRootStrict", F,
                                              QStringLiteral("Recalculate modular structure"),
                                              [this] { Analysis->Sources.AnalyseStructure(true); });
    ActNameByDirectory = makeAction("ActNameByDirectory", F, QStringLiteral("Name by directory"), [this] {
        Job->SetNameByDirectory(ActNameByDirectory->isChecked());
        Job->SetModified(true);
    });
    ActNameByDirectory->setCheckable(true);
    ActRestartProject = makeAction("ActRestartProject", G, QStringLiteral("Reset output"));
    ActRunTool = makeAction("ActRunTool", G, QStringLiteral("Start Analysis"), [this] { RunTool(TRunType::Analysis); });
    ActRunPreScanner = makeAction("ActRunPreScanner", G, QStringLiteral("Start pre-scanner"));
    ActCancelRun = makeAction("ActCancelRun", G, QStringLiteral("Skip the rest of processing (&Cancel run)"),
                              [this] { Analysis->Runner.CancelRun(); });
    ActTransf = makeAction("ActTransf", G, QStringLiteral("Convert export files"),
                           [this] { RunTool(TRunType::ExportConversion); });
    ActSearch = makeAction("ActSearch", G, QStringLiteral("Search"));
    ActTestSpec = makeAction("ActTestSpec", G, QStringLiteral("Create Test Specificaton"));
    ActTestDesign = makeAction("ActTestDesign", G, QStringLiteral("Start test design"));
    ActProduceTestProfile = makeAction("ActProduceTestProfile", G, QStringLiteral("Produce Test Profile"));
    ActProduceTestTrace = makeAction("ActProduceTestTrace", G, QStringLiteral("Produce Test Trace"));
    ActProduceTestCoverage = makeAction("ActProduceTestCoverage", G, QStringLiteral("Produce Test Coverage"));
    ActProduceTestMetric = makeAction("ActProduceTestMetric", G, QStringLiteral("Produce Test Metric"));
    ActProduceTestCaseRelations =
        makeAction("ActProduceTestCaseRelations", G, QStringLiteral("Produce TestCase/Code Relations"));
    ActSelectTestCaseFile = makeAction("ActSelectTestCaseFile", F, QStringLiteral("Select TestCase file"));
    ActSelectMethodFile = makeAction("ActSelectMethodFile", F, QStringLiteral("Select Method file"));
    ActSelectTestLog = makeAction("ActSelectTestLog", F, QStringLiteral("Select test execution log"));
    ActSelectTraceFiles = makeAction("ActSelectTraceFiles", F, QStringLiteral("Select trace files"));
    ActSelectDefectFile = makeAction("ActSelectDefectFile", F, QStringLiteral("Select Defect file"));
    ActViewMethodList = makeAction("ActViewMethodList", V, QStringLiteral("View/Edit method list"));
    ActRankModules = makeAction("ActRankModules", R, QStringLiteral("Rank modules"));
    ActSpecRanking = makeAction("ActSpecRanking", PM, QStringLiteral("Rank deficiencies by document"));
    ActRankDeficiencies = makeAction("ActRankDeficiencies", R, QStringLiteral("Rank deficiencies"));
    ActCompoundMetrics = makeAction("ActCompoundMetrics", R, QStringLiteral("Calculate compound metrics"));
    ActDefectStatistic = makeAction("ActDefectStatistic", PM, QStringLiteral("View Defect Statistic Report"));
    ActViewDefis = makeAction("ActViewDefis", V, QStringLiteral("Open deficiency reports"));
    ActViewSpecs = makeAction("ActViewSpecs", V, QStringLiteral("Open specification listings"));
    ActViewTestCases = makeAction("ActViewTestCases", V, QStringLiteral("View & Edit Test Cases"));
    ActShowMetrics = makeAction("ActShowMetrics", V, QStringLiteral("Show metrics"));
    ActXMLEditor = makeAction("ActXMLEditor", V, QStringLiteral("XML Editor"));
    ActViewGeneral = makeAction("ActViewGeneral", V, QStringLiteral("Open a file in the general internal viewer"));
    ActViewConsoleLog = makeAction("ActViewConsoleLog", V, QStringLiteral("View console log from the last run"));
    // Exactly one of the two is offered.
    ActShowConsole = makeAction("ActShowConsole", V, QStringLiteral("Show console"), [this] {
        MemoConsole->show();
        ActShowConsole->setVisible(false);
        ActHideConsole->setVisible(true);
    });
    ActHideConsole = makeAction("ActHideConsole", V, QStringLiteral("Hide console"), [this] {
        MemoConsole->hide();
        ActHideConsole->setVisible(false);
        ActShowConsole->setVisible(true);
    });
    ActHideConsole->setVisible(false);
    ActImportWordList = makeAction("ActImportWordList", W, QStringLiteral("Import a word list"));
    ActShowAdvanced = makeAction("ActShowAdvanced", H, QStringLiteral("Show extended options"), [this] {
        PageControlMain->setCurrentWidget(TabSheetNames);
        ApplyShowAdvanced();
    });
    ActWriteINIFile = makeAction("ActWriteINIFile", X, QStringLiteral("Save initialisation parameters"),
                                 [this] { SaveSettings(); });
    ActWriteINIFile->setToolTip(QStringLiteral("Save initialisation parameters to disk (...Anal.INI)"));
    ActHelpShell = makeAction("ActHelpShell", H, QStringLiteral("Help on Ostrin shell"), [this] { showHelp(0); });
    ActHelpContents = makeAction("ActHelpContents", H, QStringLiteral("Contents"), [this] { showHelp(9999); });
    ActAbout = makeAction("ActAbout", H, QStringLiteral("About"), [this] {
        TAboutBoxDlg about;
        about.MemoContent = QStringLiteral("Tool root directory : \r\n") + ToolRootDir;
        about.Execute(this);
    });

    ActShowAdvanced->setCheckable(true);
    ActShowAdvanced->setVisible(false);
    ActCancelRun->setEnabled(false);
    ActSaveProject->setEnabled(false);
    ActHideConsole->setVisible(false);

    BindButtonToAction(BitBtnRunTool, ActRunTool, ActRunTool->text());
    BindButtonToAction(BitBtnAddFiles, ActAddfiles, ActAddfiles->text());
    BindButtonToAction(BitBtnAddDirectories, ActAddDirectories, ActAddDirectories->text());
    BindButtonToAction(BitBtnImportWordList, ActImportWordList, ActImportWordList->text());
    connect(ButtonWriteINIFile, &QPushButton::clicked, ActWriteINIFile, &QAction::trigger);
}

void TfrmOstrinMain::buildMenus()
{
    QMenuBar *bar = menuBar();
    bar->setObjectName(QStringLiteral("MainMenu"));
    m_menuFile = bar->addMenu(QStringLiteral("&File"));
    m_menuFile->addActions({ActOpenProject, ActNewProject, ActSaveProject, ActSaveProjectAs});
    m_menuFile->addSeparator();
    m_menuFile->addAction(ActCloseAll);
    QMenu *actions = bar->addMenu(QStringLiteral("&Actions"));
    actions->addActions({ActAddfiles, ActAddDirectories, ActRemoveFiles, ActCalculateCommonRoot,
                         ActCalculateCommonRootStrict, ActNameByDirectory});
    actions->addSeparator();
    actions->addActions({ActRunTool, ActRunPreScanner, ActTransf, ActSearch, ActTestSpec, ActTestDesign,
                         ActProduceTestProfile, ActProduceTestTrace, ActProduceTestCoverage, ActProduceTestMetric,
                         ActProduceTestCaseRelations, ActCancelRun, ActRestartProject});
    actions->addSeparator();
    actions->addActions({ActRankModules, ActSpecRanking, ActRankDeficiencies, ActCompoundMetrics, ActDefectStatistic,
                         ActImportWordList});
    actions->addSeparator();
    actions->addActions({ActShowAdvanced, ActWriteINIFile});
    QMenu *viewers = bar->addMenu(QStringLiteral("&Viewers"));
    viewers->addActions({ActViewDefis, ActViewSpecs, ActViewTestCases, ActShowMetrics, ActXMLEditor, ActViewGeneral,
                         ActViewMethodList});
    QMenu *logs = bar->addMenu(QStringLiteral("&Logs"));
    logs->addActions({ActViewConsoleLog, ActShowConsole, ActHideConsole});
    QMenu *help = bar->addMenu(QStringLiteral("Help"));
    help->addActions({ActHelpShell, ActHelpContents});
    help->addSeparator();
    help->addAction(ActAbout);

    CheckListBoxSelectedFiles->setContextMenuPolicy(Qt::ActionsContextMenu);
    CheckListBoxSelectedFiles->addActions({ActAddfiles, ActAddDirectories, ActRemoveFiles, ActToggleComponent,
                                           ActToggleModule, ActToggleSelect, ActSelectAll, ActUnselectAll,
                                           ActSelectTestCaseFile, ActSelectMethodFile, ActSelectTestLog,
                                           ActSelectTraceFiles, ActSelectDefectFile});
}

void TfrmOstrinMain::buildCore()
{
    Settings = std::make_unique<TShellSettings>(MyStB, m_programPath, Row);
    Job = std::make_unique<TShellJob>(*Settings, MyStB);
    Language = std::make_unique<TShellLanguage>(*Settings, *Job, MyStB);
    Job->SetLanguage(Language.get());
    Job->SetHost(m_host);
    Analysis = std::make_unique<TShellAnalysis>(*Job, *Language, MyStB);
    buildSourceHooks();

    Settings->OnSettingsUnavailable = [this] {
        PageControlMain->setEnabled(false);
        menuBar()->clear();
        Job->SetModifiedDirectly(false);
    };
    Settings->OnTextChanged = [this] { showSettingsText(); };
    Settings->OnShowConsoleLog = [this](bool on) { ActViewConsoleLog->setVisible(on); };
    Settings->OnNameByDirectory = [this](bool on) { Job->SetNameByDirectory(on); };

    Job->OnCaptionChanged = [this](const QString &caption) { setWindowTitle(caption); };
    Job->OnModifiedChanged = [this](bool modified) { ActSaveProject->setEnabled(modified); };
    Job->OnNameError = [this](const QString &edit) {
        PageControlMain->setCurrentWidget(TabSheetNames);
        QWidget *w = edit == ShellJobNames::OutputFrame ? FrameFindDirectoryOutputDir->Edit
                                                          : findChild<QWidget *>(edit);
        if (w)
            w->setFocus();
    };
    Job->OnShowNamesPage = [this] { PageControlMain->setCurrentWidget(TabSheetNames); };
    Job->OnNewJobReset = [this] { newJobReset(); };
    Job->WriteWindowState = [this](TStreamToIniCore &ini) { writeWindowState(ini); };
    Job->RestoreWindowState = [this](const TStreamToIniCore &ini) { restoreWindowState(ini); };
    Job->CheckOutputDirectory = [this] { checkOutputDirectory(); };
    Job->CloseShell = [this] {
        m_closing = true;
        QTimer::singleShot(0, this, [this] { close(); });
    };
    Job->CloseViewerPages = [] { return true; };

    Language->OnClearOtherGroups = [this](const QString &name) {
        QRadioButton *chosen = languageButton(name);
        for (QRadioButton *b : languageButtons())
            if (b != chosen && (!chosen || b->property(kLanguagePage) == chosen->property(kLanguagePage)))
                b->setChecked(false);
        if (chosen)
            chosen->setChecked(true);
    };
    Language->OnButtonFailed = [this](const QString &name) {
        if (QRadioButton *b = languageButton(name)) {
            b->setChecked(false);
            b->setEnabled(false);
        }
    };
    Language->OnAnalyserCaption = [this](const QString &caption) { FrameFindexecAnal->LabelFindExec->setText(caption); };
    Language->OnConfiguration = [this](const TLanguageConfiguration &c) {
        Analysis->ApplyConfiguration(c);
        applyConfiguration(c);
    };
    Language->OnPickerDefaults = [this](const TPickers &p) { applyPickerDefaults(p); };
    Language->ValidatePickers = [this] { return validatePickers(); };
    Language->OnShowTechnicalPage = [this] {
        setPageVisible(TabSheetTech, true);
        PageControlMain->setCurrentWidget(TabSheetTech);
    };
    Language->OnActionsEnabled = [this](bool analysis, bool convert, bool preScanner) {
        ActRunTool->setEnabled(analysis);
        ActTransf->setEnabled(convert);
        ActRunPreScanner->setEnabled(preScanner);
    };
    Language->OnVersions = [this](const QStringList &versions) {
        const QScopedValueRollback guard(m_showing, true);
        RadioGroupLanguageVersion->SetItems(versions);
        RadioGroupLanguageVersion->SetItemIndex(0);
        RadioGroupLanguageVersion->setVisible(versions.size() > 1);
    };
    Language->CheckOutputDirectory = [this] { checkOutputDirectory(); };
    Language->LanguagePageVisible = [this] { return PageControlMain->isTabVisible(PageControlMain->indexOf(languagePage())); };

    FrameFindDirectoryOutputDir->Reporter = MyStB;
    FrameFindDirectoryOutputDir->OnDirectoryChanged = [this](QObject *) { Job->SetModified(true); };
    connect(FrameFindDirectoryOutputDir->Edit, &QLineEdit::textChanged, this, [this] {
        if (!m_showing)
            Job->SetOutputDirectory(FrameFindDirectoryOutputDir->DirectoryWithoutDelimiter());
    });
    for (TFrameFindexec *f : findChildren<TFrameFindexec *>())
        f->StatusBar = MyStB;
}

void TfrmOstrinMain::addExtraButtons()
{
    bool first = true;
    QHash<QPushButton *, QWidget *> lastInOrder{{BitBtnRunTool, BitBtnRunTool}, {BitBtnAddFiles, BitBtnAddFiles}};
    for (const Ostrin::TExtraButton &extra : Presentation.ExtraButtons) {
        QAction *a = actionByCaption(extra.Action);
        if (!a)
            continue;
        QPushButton *from = extra.From == Ostrin::TExtraButton::AddFiles ? BitBtnAddFiles : BitBtnRunTool;
        auto *button = new QPushButton(from->parentWidget());
        button->setObjectName(QStringLiteral("BitBtn") + a->objectName().mid(3));
        button->setIcon(from->icon());
        button->setMinimumHeight(from->minimumHeight());
        SetWidgetTag(button, WidgetTag(from) + (extra.RowBelow ? 1 : 0));
        BindButtonToAction(button, a, a->text());
        // "Start pre-scanner" comes first in the tab order, the others after the button they are cloned from.
        if (first) {
            QWidget::setTabOrder(button, from);
            first = false;
        } else {
            QWidget::setTabOrder(lastInOrder[from], button);
            lastInOrder[from] = button;
        }
    }
}

void TfrmOstrinMain::arrangeButtons()
{
    if (m_arranging)
        return;
    const QScopedValueRollback guard(m_arranging, true);
    for (QWidget *panel : {PanelCommands, BitBtnAddFiles->parentWidget()}) {
        // Only buttons the user can see take part: a panel on a page not shown waits for its show.
        if (!panel->isVisible())
            continue;
        ArrangeFormButtons(this, -1, panel);
        int bottom = 0;
        for (QPushButton *b : panel->findChildren<QPushButton *>())
            if (!b->isHidden())
                bottom = std::max(bottom, b->geometry().bottom());
        panel->setMinimumHeight(bottom + 4);
    }
}

void TfrmOstrinMain::FormCreate()
{
    buildUi();
    buildActions();
    buildMenus();
    ActCalculateCommonRootStrict->setVisible(false);

    Row = Ostrin::SelectApplicationKind(m_programPath, m_hostTag);
    Presentation = Ostrin::KindPresentation(Row.KindNumber);
    buildCore();
    for (QWidget *page : {TabSheetLanguage, TabSheetTestSpec, TabSheetTestDoc, TabSheetDocTypes})
        setPageVisible(page, false);
    // The version group stands to the right of the kind's language groups.
    if (QWidget *page = languagePage(); page != TabSheetLanguage) {
        RadioGroupLanguageVersion->setParent(page);
        RadioGroupLanguageVersion->hide();
    }
    qobject_cast<QHBoxLayout *>(languagePage()->layout())->insertWidget(languagePage()->layout()->count() - 1,
                                                                        RadioGroupLanguageVersion);
    if (GroupBoxTestCaseAnalysis)
        GroupBoxTestCaseAnalysis->setVisible(!Presentation.TestCaseGroupHidden);
    // The kind's icon: audit, re-documentation, test design, test documentation, document scanning.
    static const QStyle::StandardPixmap icons[] = {QStyle::SP_FileDialogContentsView, QStyle::SP_FileDialogDetailedView,
                                                   QStyle::SP_DialogApplyButton, QStyle::SP_DialogHelpButton,
                                                   QStyle::SP_FileDialogInfoView};
    setWindowIcon(style()->standardIcon(icons[std::clamp(Row.IconIndex, 0, 4)]));
    const QString programFolder = QFileInfo(m_programPath).absolutePath();
    HelpFile = programFolder + QLatin1Char('/') + Presentation.HelpFile;
    CommandLine = Ostrin::TShellCommandLine::Parse(m_args);

    RunCommand(MyStB, [this, &programFolder] {
        // The relay must be known before the settings decide on console capture.
        const bool relay = QFileInfo(programFolder + QStringLiteral("/console_stub")).isFile()
                           || QFileInfo(programFolder + QStringLiteral("/console_stub.exe")).isFile();
        Settings->SetConsoleRelayAvailable(relay);
        Settings->LoadSettingsText();
        showSettingsText();
        Settings->ApplySettings(false);
        Job->SetModifiedDirectly(false);
        ToolRootDir = Ostrin::ToolRoot(Row, programFolder, CommandLine);
        Settings->SetToolRoot(ToolRootDir);
        ProgramVersion = ProgramVersionString(QStringLiteral("FileVersion"));
        if (CommandLine.Register && !Ostrin::IsHostedKind(kind()))
            Ostrin::RegisterJobFileType(Row, m_programPath, ToolRootDir);   // failures are ignored
        if (Settings->SystemCaptureConsole()) {
            MemoConsole->show();
            MemoConsole->clear();
            ActShowConsole->setVisible(false);
            ActHideConsole->setVisible(true);
        }
    });
    addExtraButtons();
    AutoRun = CommandLine.AutoRun;
    FitFormToWorkArea(this);
}

QWidget *TfrmOstrinMain::languagePage() const
{
    switch (Presentation.Page) {
    case Ostrin::TLanguagePage::TestSpecification: return TabSheetTestSpec;
    case Ostrin::TLanguagePage::TestDocumentation: return TabSheetTestDoc;
    case Ostrin::TLanguagePage::DocumentTypes: return TabSheetDocTypes;
    default: return TabSheetLanguage;
    }
}

QList<QRadioButton *> TfrmOstrinMain::languageButtons() const
{
    QList<QRadioButton *> buttons;
    for (QWidget *page : {TabSheetLanguage, TabSheetTestSpec, TabSheetTestDoc, TabSheetDocTypes})
        for (QRadioButton *b : page->findChildren<QRadioButton *>())
            if (b->property(kLanguagePage).isValid())
                buttons << b;
    return buttons;
}

QRadioButton *TfrmOstrinMain::languageButton(const QString &name) const
{
    for (QRadioButton *b : languageButtons())
        if (b->objectName() == name)
            return b;
    return nullptr;
}

QAction *TfrmOstrinMain::actionByCaption(const QString &captionOrName) const
{
    for (QAction *a : Actions)
        if (a->text() == captionOrName || a->objectName() == captionOrName)
            return a;
    return nullptr;
}

void TfrmOstrinMain::setPageVisible(QWidget *page, bool visible)
{
    const int index = PageControlMain->indexOf(page);
    if (index >= 0)
        PageControlMain->setTabVisible(index, visible);
}

// ---- Show ---------------------------------------------------------------------------------

void TfrmOstrinMain::showEvent(QShowEvent *event)
{
    QMainWindow::showEvent(event);
    if (!m_shown) {
        m_shown = true;
        QTimer::singleShot(0, this, [this] { FormShow(); });
    }
}

void TfrmOstrinMain::FormShow()
{
    if (MyStB->Severity() > 1) {
        QMetaObject::invokeMethod(this, [this] { WMFatalStart(); }, Qt::QueuedConnection);
        return;
    }
    Job->SetModifiedDirectly(false);
    QCoreApplication::processEvents();
    SetSettingsProgram(Row.AppName + QStringLiteral(" Shell"));
    SetSettingsSection(QStringLiteral("Parameters"));
    WriteSetting(QStringLiteral("ProgramVersion"), ProgramVersion);

    // Job files dropped on the names group, the language pages or the window.
    if (!Ostrin::IsHostedKind(kind()))
        for (QWidget *target : {static_cast<QWidget *>(GroupBoxNames), TabSheetLanguage, TabSheetTestSpec,
                                TabSheetTestDoc, static_cast<QWidget *>(this)})
            new TDropFilesHandler(target, [this](QObject *sender, const QStringList &files) { DropFiles(sender, files); });
    FrameFindDirectoryOutputDir->OnBeforeCheck = [](QObject *) {};

    RestoreMainWindowPlace(this, SplitterMain, PanelBozomek);
    Job->SetCaption(Row.AppCaption + QStringLiteral(" - "));
    setWindowTitle(Job->Caption());
    setPageVisible(languagePage(), true);
    PageControlMain->setCurrentWidget(languagePage());

    Job->ApplyHost();
    showJob();
    QList<TLanguageButton> buttons;
    for (QRadioButton *b : languageButtons())
        buttons << TLanguageButton{b->objectName(), Ostrin::TLanguagePage(b->property(kLanguagePage).toInt()), true};
    Settings->SetLanguageButtons(buttons);
    const bool settingsOk = RunCommand(MyStB, [this] {
        Settings->ApplySettings(true);
        if (kind() == 2)
            Settings->ExcludeXmlOrSql([this](const QString &name) {
                QRadioButton *b = languageButton(name);
                return b ? b->text() : QString();
            });
    });
    syncLanguageButtons();
    bool openJob = true;
    if (!settingsOk) {
        if (Settings->ActiveButton().isEmpty() || !Settings->ButtonEnabled(Settings->ActiveButton())) {
            emit startFinished();
            return;
        }
        AutoRun = Ostrin::TAutoRun::None;
        MyStB->setUseMessageBox(false);
        openJob = false;
    }

    Job->SetModifiedDirectly(false);
    ActShowAdvanced->setVisible(CommandLine.ShowAdvanced);
    ActShowAdvanced->setChecked(ActShowAdvanced->isVisible() && Settings->DebugMode());
    ApplyShowAdvanced();
    const int k = kind();
    const bool languageFirst = PageControlMain->isTabVisible(PageControlMain->indexOf(languagePage()))
                               && (k == 0 || k == 3 || k == 5 || k == 6 || k == 7 || k == 8);
    PageControlMain->setCurrentWidget(languageFirst ? languagePage() : TabSheetNames);

    if (openJob)
        runCommand([this] {
            const QString initial = Ostrin::InitialJobPath(kind(), Row.JobExtension,
                                                           m_host ? *m_host : Ostrin::TShellHost(), CommandLine);
            if (!initial.isEmpty()) {
                Job->LoadJob(initial);
                Job->SetNeverSaved(false);
                Job->CheckBatchOnOpen();
            } else {
                Language->SelectLanguage(Settings->ActiveButton());
            }
        });
    PageControlHelper->setCurrentWidget(TabSheetComponents);

    if (Ostrin::IsHostedKind(kind())) {
        for (QLineEdit *e : {EditProductName, EditSystemName, EditSystemVersion, FrameFindDirectoryOutputDir->Edit})
            e->setReadOnly(true);
        FrameFindDirectoryOutputDir->SpeedButton->hide();
        for (QAction *a : {ActOpenProject, ActNewProject, ActSaveProject, ActSaveProjectAs})
            a->setVisible(false);
    }
    Job->SetModifiedDirectly(false);
    arrangeButtons();
    showJob();
    emit startFinished();
    if (AutoRun == Ostrin::TAutoRun::Analysis)
        ActRunTool->trigger();
    else if (AutoRun == Ostrin::TAutoRun::PreScanner)
        ActRunPreScanner->trigger();
}

void TfrmOstrinMain::WMFatalStart()
{
    m_fatalStart = true;
    Job->SetModifiedDirectly(false);
    Dialogs::message(TMsgDlgType::Error, QStringLiteral("Fatal errors during start, application will be stopped"), mbOK,
                     0, this);
    m_closing = true;
    close();
    emit fatalStartReported();
}

void TfrmOstrinMain::ApplyShowAdvanced()
{
    const bool on = ActShowAdvanced->isChecked();
    PageControlMain->setCurrentWidget(TabSheetNames);
    setPageVisible(TabSheetTech, on);
    SetCategoryVisible(QStringLiteral("ExtraActions"), false, on);
    NewFileNames->setVisible(on);
    if (m_sourceColumns)
        m_sourceColumns->SetCompactedShown(on);
    Longextensions->setVisible(on);
    PageControlHelper->setTabVisible(PageControlHelper->indexOf(NewFileNames), on);
    PageControlHelper->setTabVisible(PageControlHelper->indexOf(Longextensions), on);
    PageControlHelper->setVisible(on);
}

// ---- Core to window -------------------------------------------------------------------------

bool TfrmOstrinMain::runCommand(const std::function<void()> &command)
{
    const bool done = RunCommand(MyStB, command);
    showJob();
    return done;
}

void TfrmOstrinMain::showJob()
{
    if (!Job)
        return;
    const QScopedValueRollback guard(m_showing, true);
    const auto show = [](QLineEdit *e, const QString &text) {
        if (e->text() != text) {
            e->setText(text);
            e->setModified(false);
        }
    };
    show(EditProductName, Job->ProductName());
    show(EditSystemName, Job->SystemName());
    show(EditSystemVersion, Job->Version());
    show(FrameFindDirectoryOutputDir->Edit, Job->OutputDirectory());
    show(EditCommonRoot, Job->CommonRoot());
    if (!Job->Caption().isEmpty() && windowTitle() != Job->Caption())
        setWindowTitle(Job->Caption());
    ActSaveProject->setEnabled(Job->Modified());
    const int version = Language->Versions().indexOf(Job->LanguageVersion());
    if (version >= 0 && RadioGroupLanguageVersion->ItemIndex() != version)
        RadioGroupLanguageVersion->SetItemIndex(version);
    for (QRadioButton *b : languageButtons())
        b->setChecked(b->objectName() == Job->ActiveButton() && b->isEnabled());
    showDefinitions();
    if (Analysis)
        showToggleCaptions();
}

void TfrmOstrinMain::showDefinitions()
{
    const TDefinitionLists &d = Job->Definitions();
    const auto fill = [](QListWidget *list, const QList<TCheckListItem> &items, const QStringList *weights) {
        QStringList texts;
        for (const TCheckListItem &i : items)
            texts << i.text;
        if (itemTexts(list) != texts) {
            list->clear();
            for (const TCheckListItem &i : items) {
                auto *item = new QListWidgetItem(list);
                item->setData(Qt::UserRole, i.text);
            }
        }
        for (int r = 0; r < items.size(); ++r) {
            QListWidgetItem *item = list->item(r);
            item->setFlags(Qt::ItemIsUserCheckable | Qt::ItemIsSelectable
                           | (items[r].enabled ? Qt::ItemIsEnabled : Qt::NoItemFlags));
            item->setCheckState(items[r].checked ? Qt::Checked : Qt::Unchecked);
            // The metrics show their weight before the text.
            const QString text = weights && r < weights->size()
                                     ? QStringLiteral("%1 %2").arg(WeightName(weights->at(r).toInt()), -7).arg(items[r].text)
                                     : items[r].text;
            if (item->text() != text)
                item->setText(text);
        }
    };
    fill(CheckListBoxRules, d.Rules, nullptr);
    fill(CheckListBoxMetrics, d.Metrics, &d.Weights);
    fill(CheckListBoxSpecs, d.Specs, nullptr);
    fill(CheckListBoxFunctab, d.Functab, nullptr);

    QTableWidget *grid = StringGridNumParams;
    if (grid->rowCount() != d.Limits.size())
        grid->setRowCount(int(d.Limits.size()));
    int widest = 0;
    for (int r = 0; r < d.Limits.size(); ++r) {
        const TLimitRow &row = d.Limits[r];
        const QStringList cells{row.Description, row.Number, row.Key};
        for (int c = 0; c < 3; ++c) {
            QTableWidgetItem *item = grid->item(r, c);
            if (!item) {
                item = new QTableWidgetItem;
                // Only the number is edited.
                item->setFlags(c == 1 ? Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsEditable : Qt::ItemIsEnabled);
                if (c == 1)
                    item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
                grid->setItem(r, c, item);
            }
            // A number typed wrong stays in its cell until it is corrected.
            if (item->text() != cells[c] && !(c == 1 && m_invalidLimits.contains(r)))
                item->setText(cells[c]);
        }
        widest = std::max(widest, TextPixelWidth(row.Description, grid->font()));
    }
    grid->setColumnWidth(0, widest + 2);
    grid->setColumnWidth(1, TextPixelWidth(QStringLiteral("000000"), grid->font()));
}

void TfrmOstrinMain::showSettingsText()
{
    const QScopedValueRollback guard(m_showing, true);
    if (MemoToolNameDefault->toPlainText() != Settings->Text())
        MemoToolNameDefault->setPlainText(Settings->Text());
    GroupBoxSettings->setTitle(Settings->SettingsCaption());
}

void TfrmOstrinMain::syncLanguageButtons()
{
    for (QRadioButton *b : languageButtons())
        b->setEnabled(Settings->ButtonEnabled(b->objectName()) && !Settings->ValueOf(b->objectName()).isEmpty());
}

void TfrmOstrinMain::applyConfiguration(const TLanguageConfiguration &c)
{
    TActionCaptions captions(this);
    // The previous language's overrides go first, so this one starts from the window's own state.
    m_captions.Undo(captions);

    setPageVisible(TabSheetAnalPar, c.AnalysisParametersPage);
    const auto tab = [this](QWidget *page, bool visible) {
        PageControlAnalPar->setTabVisible(PageControlAnalPar->indexOf(page), visible);
    };
    tab(TabSheetRules, c.RulesPage);
    tab(TabSheetMaxValues, c.MaxValuesPage);
    tab(TabSheetMetrics, c.MetricsPage);
    tab(TabSheetSpecs, c.SpecsPage);
    tab(TabSheetFunctab, c.FunctabPage);
    CheckListBoxRules->setVisible(c.RulesPage);
    CheckListBoxMetrics->setVisible(c.MetricsPage);
    CheckListBoxSpecs->setVisible(c.SpecsPage);
    CheckListBoxFunctab->setVisible(c.FunctabPage);
    FrameFindexecRules->setVisible(c.RulesPage);
    FrameFindexecLimits->setVisible(c.MaxValuesPage);
    FrameFindexecMetrics->setVisible(c.MetricsPage);
    FrameFindexecSpecs->setVisible(c.SpecsPage);
    FrameFindexecFunctab->setVisible(c.FunctabPage);
    FrameFindexecTransf->setVisible(c.ConvertExportFiles);
    ActTransf->setVisible(c.ConvertExportFiles);
    FrameFindexecScanner->setVisible(c.PreScanner);
    ActRunPreScanner->setVisible(c.PreScanner);
    FrameFindexecTstDesign->setVisible(c.TestDesign);
    ActTestDesign->setVisible(c.TestDesign);
    FrameFindexecTstSpecTemplate->setVisible(c.TestSpecification);
    ActTestSpec->setVisible(c.TestSpecification);
    FrameFindexecSearch->setVisible(c.Search);
    ActSearch->setVisible(c.Search);
    GroupBoxSearch->setVisible(c.Search);
    qobject_cast<QTabWidget *>(TabSheetNouns->parentWidget()->parentWidget())
        ->setTabVisible(qobject_cast<QTabWidget *>(TabSheetNouns->parentWidget()->parentWidget())->indexOf(TabSheetNouns),
                        c.NounsPage);

    GroupBoxExtras->setVisible(c.ExtrasGroup);
    CheckBoxComments->setVisible(c.CommentsOn);
    CheckBoxAudit->setVisible(c.AuditOn);
    CheckBoxCalc->setVisible(c.Calc);
    CheckBoxExports->setVisible(c.Exports);
    for (QCheckBox *box : {CheckBoxLabels, CheckBoxBranches, CheckBoxCalls, CheckBoxMacros, CheckBoxIOs})
        box->setVisible(c.InstruPar);
    for (QAction *a : {ActSelectMethodFile, ActSelectTestCaseFile, ActSelectTestLog, ActSelectTraceFiles, ActViewMethodList})
        a->setVisible(c.CavothPost);
    PanelCommonRoot->setVisible(c.CommonRootRow);
    GroupBoxSelectedFiles->setAcceptDrops(c.FileListAcceptsDrops);
    for (QAction *a : {ActToggleComponent, ActToggleModule, ActToggleSelect, ActSelectAll, ActUnselectAll})
        a->setVisible(c.SelectionToggles);
    ActProduceTestProfile->setVisible(c.ProduceTestProfile);
    ActProduceTestTrace->setVisible(c.ProduceTestTrace);
    ActProduceTestCoverage->setVisible(c.ProduceTestCoverage);
    ActProduceTestMetric->setVisible(c.ProduceTestMetric);
    ActProduceTestCaseRelations->setVisible(c.ProduceTestCaseRelations);
    CheckListBoxSelectedFiles->setEnabled(true);

    ActViewDefis->setVisible(c.OpenDeficiencyReports);
    ActViewSpecs->setVisible(c.OpenSpecificationListings);
    ActViewTestCases->setVisible(c.ViewEditTestCases);
    ActShowMetrics->setVisible(c.ShowMetrics);
    ActXMLEditor->setVisible(c.XmlEditor);
    ActCompoundMetrics->setVisible(c.CompoundMetrics);
    ActRankModules->setVisible(c.RankModules);
    ActRankDeficiencies->setVisible(c.RankDeficiencies);
    ActNameByDirectory->setVisible(c.NameByDirectoryAction);
    ActRunTool->setVisible(true);
    SetCategoryVisible(QStringLiteral("Pelmar"), true, c.PelmarCategory);
    if (c.PelmarCategory) {
        ActDefectStatistic->setVisible(c.DefectStatisticReport);
        ActSpecRanking->setVisible(c.SpecRanking);
    } else {
        // The audit kinds rank by document too.
        ActSpecRanking->setVisible(Ostrin::IsAuditKind(kind()));
        ActSpecRanking->setEnabled(Ostrin::IsAuditKind(kind()));
    }
    SetCategoryVisible(QStringLiteral("WordList"), false, c.WordListCategory);
    setPageVisible(TabSheetWordList, c.WordListCategory);

    {
        const QScopedValueRollback guard(m_showing, true);
        ComboBoxSearchType->clear();
        if (c.Search) {
            ComboBoxSearchType->addItems(c.SearchTypes);
            ComboBoxSearchType->setCurrentIndex(c.SearchTypes.isEmpty() ? -1 : 0);
        }
        for (QComboBox *box : {ComboBoxControlWordType, ComboBoxControlWordType2}) {
            box->clear();
            box->addItems(c.ControlWordTypes);
            box->setCurrentIndex(c.ControlWordTypes.isEmpty() ? -1 : 0);
        }
    }
    m_captions.Apply(c.CaptionOverrides, captions);
    arrangeButtons();
}

void TfrmOstrinMain::applyPickerDefaults(const TPickers &p)
{
    const QList<std::pair<TFrameFindexec *, const TPickerState *>> pickers{
        {FrameFindexecLimits, &p.Limits},       {FrameFindexecRules, &p.Rules},
        {FrameFindexecMetrics, &p.Metrics},     {FrameFindexecFunctab, &p.Functab},
        {FrameFindexecSpecs, &p.Specs},         {FrameFindexecAnal, &p.Analyser},
        {FrameFindexecTransf, &p.Converter},    {FrameFindexecEditor, &p.Editor},
        {FrameFindexecScanner, &p.WordScanner}, {FrameFindexecTstDesign, &p.TestDesigner},
        {FrameFindexecSearch, &p.SearchProgram}, {FrameFindexecTstSpecTemplate, &p.TestSpecTemplate}};
    for (const auto &[frame, state] : pickers) {
        frame->DefaultName = state->Path;
        frame->Edit->clear();
        frame->setVisible(state->Visible);
    }
}

TPickers TfrmOstrinMain::validatePickers()
{
    TPickers p = Language->Pickers();
    const QList<std::pair<TFrameFindexec *, TPickerState *>> pickers{
        {FrameFindexecLimits, &p.Limits},       {FrameFindexecRules, &p.Rules},
        {FrameFindexecMetrics, &p.Metrics},     {FrameFindexecFunctab, &p.Functab},
        {FrameFindexecSpecs, &p.Specs},         {FrameFindexecAnal, &p.Analyser},
        {FrameFindexecTransf, &p.Converter},    {FrameFindexecEditor, &p.Editor},
        {FrameFindexecScanner, &p.WordScanner}, {FrameFindexecTstDesign, &p.TestDesigner},
        {FrameFindexecSearch, &p.SearchProgram}, {FrameFindexecTstSpecTemplate, &p.TestSpecTemplate}};
    for (const auto &[frame, state] : pickers) {
        const bool ok = frame->Validate();
        state->Path = frame->Edit->text();
        state->Visible = !frame->isHidden();
        // A missing optional program is shown, but does not count as invalid.
        state->Valid = ok && (frame->editState() == TFrameFindexec::TEditState::Normal || frame->isOptional());
    }
    return p;
}

void TfrmOstrinMain::checkOutputDirectory()
{
    // The output folder's own check: a missing folder is offered for browsing.
    FrameFindDirectoryOutputDir->Edit->setModified(true);
    FrameFindDirectoryOutputDir->EditExit();
    Job->SetOutputDirectory(FrameFindDirectoryOutputDir->DirectoryWithoutDelimiter());
}

void TfrmOstrinMain::newJobReset()
{
    const QScopedValueRollback guard(m_showing, true);
    EditCommonRoot->clear();
    LabelDepth->setText(QStringLiteral("0"));
    Analysis->Reset();
    StringGridNumParams->setRowCount(0);
    m_invalidLimits.clear();
    setPageVisible(TabSheetViewer, false);
    for (QCheckBox *box : {CheckBoxAudit, CheckBoxComments, CheckBoxExports})
        box->setChecked(true);
    GroupBoxSelectedFiles->setTitle(TShellSourceList::CountCaption(GroupBoxSelectedFiles->title(), Analysis->Sources.Count()));
    MemoConsole->clear();
}

QList<const QObject *> TfrmOstrinMain::jobOwnedComponents() const
{
    // The job writes these itself; the settings text is the settings file's.
    return {EditProductName,     EditSystemName,          EditSystemVersion,         FrameFindDirectoryOutputDir,
            CheckListBoxRules,   CheckListBoxMetrics,     CheckListBoxSpecs,         CheckListBoxFunctab,
            StringGridNumParams, MemoToolNameDefault,     RadioGroupLanguageVersion, ComboBoxMetricWeight,
            ComboBoxSearchType,  ComboBoxControlWordType, ComboBoxControlWordType2,  CheckListBoxSelectedFiles,
            ListBoxComponents,   ListBoxModules,          NewFileNames,              Longextensions};
}

void TfrmOstrinMain::writeWindowState(TStreamToIniCore &ini)
{
    TStreamToIni pass;
    pass.SkipInvisible = true;
    pass.SkipComponents(jobOwnedComponents());
    pass.SkipFrames({QStringLiteral("TFrameFindexec")});
    pass.SaveFormState(this);
    ini.addLines(pass.lines());
}

void TfrmOstrinMain::restoreWindowState(const TStreamToIniCore &ini)
{
    const QScopedValueRollback guard(m_showing, true);
    TStreamToIni pass;
    pass.setLines(ini.lines());
    pass.SkipComponents(jobOwnedComponents());
    pass.SkipFrames({QStringLiteral("TFrameFindexec")});
    pass.RestoreFormState(this);
}

// ---- Window to core ----------------------------------------------------------------------------

void TfrmOstrinMain::SelectLanguage(const QString &buttonName)
{
    runCommand([this, &buttonName] { Language->SelectLanguage(buttonName); });
}

void TfrmOstrinMain::ApplyChanges()
{
    runCommand([this] {
        Settings->setText(MemoToolNameDefault->toPlainText());
        const TScopeGuard buttons([this] { syncLanguageButtons(); });
        Language->ApplySettingsChanges();
    });
}

void TfrmOstrinMain::SaveSettings()
{
    Settings->setText(MemoToolNameDefault->toPlainText());
    const TScopeGuard buttons([this] { syncLanguageButtons(); });
    Language->SaveSettingsChanges();
}

void TfrmOstrinMain::DropFiles(QObject *, const QStringList &files)
{
    runCommand([this, &files] {
        if (!Job->DropJobFiles(files))
            return;
        Job->CheckBatchOnOpen();
    });
}

void TfrmOstrinMain::definitionItemChanged(QListWidget *list, int row)
{
    QListWidgetItem *item = list->item(row);
    if (!item)
        return;
    const bool checked = item->checkState() == Qt::Checked;
    runCommand([this, list, row, checked] {
        TDefinitionLists &d = Job->Definitions();
        if (list == CheckListBoxMetrics) {
            Job->MetricTicked(row, checked);
            return;
        }
        QList<TCheckListItem> &items = list == CheckListBoxRules ? d.Rules : list == CheckListBoxSpecs ? d.Specs : d.Functab;
        if (row < items.size() && items[row].checked != checked) {
            items[row].checked = checked;
            Job->SetModified(true);
        }
    });
}

void TfrmOstrinMain::limitChanged(int row, int column)
{
    if (column != 1)
        return;
    TDefinitionLists &d = Job->Definitions();
    QTableWidgetItem *item = StringGridNumParams->item(row, column);
    if (!item || row >= d.Limits.size())
        return;
    const QString typed = item->text();
    if (typed == d.Limits[row].Number)
        return;
    runCommand([this, row, typed] {
        Job->SetModified(true);
        QString formatted, error;
        if (!TShellLanguage::FormatLimitNumber(typed, formatted, error)) {
            m_invalidLimits.insert(row);
            MyStB->ShowError(error, false);
        }
        m_invalidLimits.remove(row);
        Job->Definitions().Limits[row].Number = formatted;
    });
}

void TfrmOstrinMain::sharedChange()
{
    if (m_showing || !Job)
        return;
    Job->SetModified(true);
}

void TfrmOstrinMain::openWeightChooser()
{
    const int row = CheckListBoxMetrics->currentRow();
    if (row < 0 || row >= Job->Definitions().Weights.size())
        return;
    const QRect r = CheckListBoxMetrics->visualItemRect(CheckListBoxMetrics->item(row));
    ComboBoxMetricWeight->setGeometry(r.left(), r.top(), std::max(90, r.width() / 3), r.height() + 4);
    ComboBoxMetricWeight->setCurrentIndex(Job->Definitions().Weights[row].toInt());
    ComboBoxMetricWeight->show();
    ComboBoxMetricWeight->setFocus();
}

void TfrmOstrinMain::storeWeightChoice()
{
    if (ComboBoxMetricWeight->isHidden())
        return;
    const int row = CheckListBoxMetrics->currentRow();
    const int weight = ComboBoxMetricWeight->currentIndex();
    ComboBoxMetricWeight->hide();
    runCommand([this, row, weight] { Job->SetMetricWeight(row, weight); });
    CheckListBoxMetrics->setFocus();
}

bool TfrmOstrinMain::eventFilter(QObject *watched, QEvent *event)
{
    if ((watched == PanelCommands || watched == BitBtnAddFiles->parentWidget())
        && (event->type() == QEvent::Show || event->type() == QEvent::Resize)) {
        QTimer::singleShot(0, this, [this] { arrangeButtons(); });
    } else if (watched == CheckListBoxMetrics->viewport() && event->type() == QEvent::MouseButtonRelease) {
        // A click right of the tick box opens the weight chooser over the item.
        const QPoint pos = static_cast<QMouseEvent *>(event)->position().toPoint();
        QListWidgetItem *item = CheckListBoxMetrics->itemAt(pos);
        const int tickBox = CheckListBoxMetrics->style()->pixelMetric(QStyle::PM_IndicatorWidth) + 8;
        if (item && pos.x() > CheckListBoxMetrics->visualItemRect(item).left() + tickBox) {
            CheckListBoxMetrics->setCurrentItem(item);
            QTimer::singleShot(0, this, [this] { openWeightChooser(); });
        }
    } else if (watched == CheckListBoxMetrics->viewport() && event->type() == QEvent::MouseMove
               && !ComboBoxMetricWeight->isHidden() && !ComboBoxMetricWeight->view()->isVisible()) {
        // Moving well away from the chooser takes its choice.
        const QPoint pos = static_cast<QMouseEvent *>(event)->position().toPoint();
        if (!ComboBoxMetricWeight->geometry().adjusted(-8, -8, 8, 8).contains(pos))
            storeWeightChoice();
    } else if (event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent *>(event)->key();
        const bool enter = key == Qt::Key_Return || key == Qt::Key_Enter;
        if (watched == CheckListBoxMetrics && enter) {
            openWeightChooser();
            return true;
        }
        if (watched == ComboBoxMetricWeight && enter) {
            storeWeightChoice();
            return true;
        }
        if (watched == ComboBoxMetricWeight && key == Qt::Key_Escape) {
            ComboBoxMetricWeight->hide();
            CheckListBoxMetrics->setFocus();
            return true;
        }
    } else if (watched == ComboBoxMetricWeight && event->type() == QEvent::FocusOut
               && !ComboBoxMetricWeight->view()->isVisible()) {
        storeWeightChoice();
    }
    return QMainWindow::eventFilter(watched, event);
}

void TfrmOstrinMain::showHelp(int context)
{
    // No help viewer takes contexts here: the file itself is opened.
    Q_UNUSED(context);
    if (!QFileInfo::exists(HelpFile) || !QDesktopServices::openUrl(QUrl::fromLocalFile(HelpFile)))
        MyStB->ShowWarning(QStringLiteral("Help file ") + HelpFile + QStringLiteral(" is not available"));
}

// ---- Sources and runs ------------------------------------------------------------------------

void TfrmOstrinMain::buildSourceHooks()
{
    TShellSourceList &sources = Analysis->Sources;
    m_sourceColumns = new TSourceColumns(sources, this);
    CheckListBoxSelectedFiles->setModel(m_sourceColumns);
    CheckListBoxSelectedFiles->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    ListBoxComponents->setModel(&sources.ComponentNames());
    ListBoxModules->setModel(&sources.ModuleNames());
    const auto busy = [](bool on) {
        if (on)
            QApplication::setOverrideCursor(Qt::WaitCursor);
        else
            QApplication::restoreOverrideCursor();
    };
    m_panelProgress = std::make_unique<TPanelProgress>(PanelProgress, LabelProgress, ProgressBarModules);
    sources.SetProgress(m_panelProgress.get());
    sources.ShowBusy = busy;
    // Long list commands and the staging can be stopped by the close request.
    Job->StoppableOperationRunning = [this] { return m_panelProgress->Active() && !Analysis->Runner.Watching(); };
    Job->RequestStop = [this] {
        m_panelProgress->RequestStop();
        Analysis->Staging.RequestStop();
    };
    Analysis->Renaming.ShowBusy = busy;
    sources.OnRecalculateVisible = [this](bool visible) { ActCalculateCommonRootStrict->setVisible(visible); };
    sources.OnCountChanged = [this](int count) {
        GroupBoxSelectedFiles->setTitle(TShellSourceList::CountCaption(GroupBoxSelectedFiles->title(), count));
    };
    sources.OnStructureChanged = [this](const QString &, int) {
        m_sourceColumns->StructureChanged();
        showStructure();
    };
    // A tick of the files or of an irrelevant name changes the structure.
    for (TCheckListModel *model : {static_cast<TCheckListModel *>(&sources), &sources.ComponentNames(), &sources.ModuleNames()})
        connect(model, &TCheckListModel::CheckMarkClicked, this, [this] {
            runCommand([this] {
                Job->SetModified(true);
                Analysis->Sources.AnalyseStructure(false);
            });
        });
    connect(CheckListBoxSelectedFiles, &QAbstractItemView::doubleClicked, this, [this] {
        m_clickedList = CheckListBoxSelectedFiles;
        ActToggleSelect->trigger();
    });
    connect(CheckListBoxSelectedFiles->selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this] { showToggleCaptions(); });
    // Dropped folders and files join the sources.
    for (QWidget *target : {static_cast<QWidget *>(GroupBoxSelectedFiles), static_cast<QWidget *>(BitBtnAddFiles),
                            static_cast<QWidget *>(BitBtnAddDirectories)})
        new TDropFilesHandler(target, [this](QObject *, const QStringList &paths) {
            runCommand([this, &paths] { Analysis->Sources.DropPaths(paths); });
        });

    const auto progress = [this](const QString &caption, qint64 position, qint64 maximum) {
        PanelProgress->show();
        LabelProgress->setText(caption);
        ProgressBarModules->setRange(0, int(std::clamp<qint64>(maximum, 0, INT_MAX)));
        ProgressBarModules->setValue(int(std::clamp<qint64>(position, 0, INT_MAX)));
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    };
    Analysis->Staging.OnProgress = progress;
    Analysis->Staging.ShowBusy = [this, busy](bool on) {
        busy(on);
        if (!on && !Analysis->Runner.Watching())
            PanelProgress->hide();
    };
    Analysis->Renaming.OnProgress = [progress](const QString &caption, int position, int maximum) {
        progress(caption, position, maximum);
    };
    Analysis->OnProgress = [this](const TRunProgress &p) {
        PanelProgress->show();
        LabelProgress->setText(p.caption);
        ProgressBarModules->setRange(0, std::max(0, p.modulesMaximum));
        ProgressBarModules->setValue(std::clamp(p.modulesPosition, 0, std::max(0, p.modulesMaximum)));
        ProgressBarSources->setRange(0, std::max(0, p.sourcesMaximum));
        ProgressBarSources->setValue(std::clamp(p.sourcesPosition, 0, std::max(0, p.sourcesMaximum)));
        if (!p.applicationTitle.isEmpty())
            setWindowIconText(p.applicationTitle);
    };
    Analysis->OnHideProgress = [this] { PanelProgress->hide(); };
    Analysis->OnConsoleLine = [this](const QString &line) { MemoConsole->appendPlainText(line); };
    Analysis->OnCancelEnabled = [this](bool enabled) { ActCancelRun->setEnabled(enabled); };
    Analysis->OnBatchCaption = [this](const QString &suffix) {
        Job->SetCaption(TextBefore(Job->Caption(), QStringLiteral(" Last batch ")) + suffix);
    };
    Analysis->OnShowRunPages = [this] {
        PageControlMain->setCurrentWidget(TabSheetNames);
        MemoConsole->clear();
        if (Settings->SystemCaptureConsole())
            ActShowConsole->trigger();
    };
    Analysis->OnLogViewersEnabled = [this](bool enabled) { ActViewConsoleLog->setEnabled(enabled); };
    Analysis->OnApplicationTitle = [this](const QString &title) { setWindowIconText(title); };
    Analysis->OnCheckOutputDirectory = [this] { checkOutputDirectory(); };
    Analysis->OnLanguageInstalled = [this] {
        QRadioButton *b = languageButton(Job->ActiveButton());
        return !b || b->isEnabled();
    };
    Analysis->OnMapsChanged = [this] {
        const QScopedValueRollback guard(m_showing, true);
        NewFileNames->setPlainText(Analysis->Staging.NameMap().join(QLatin1Char('\n')));
        Longextensions->setPlainText(Analysis->Staging.ExtensionMap().join(QLatin1Char('\n')));
    };
    Analysis->OnRunEnded = [this](bool) {
        showJob();
        // An auto-run ends with the job saved and the shell closed.
        if (AutoRun != Ostrin::TAutoRun::None) {
            RunCommand(MyStB, [this] { Job->SaveJob(false); });
            m_closing = true;
            QTimer::singleShot(0, this, [this] { close(); });
        }
    };
}

void TfrmOstrinMain::showToggleCaptions()
{
    // The captions follow the current file's tick.
    const int row = CheckListBoxSelectedFiles->currentIndex().row();
    ActToggleComponent->setText(Analysis->Sources.ToggleComponentCaption(row));
    ActToggleModule->setText(Analysis->Sources.ToggleModuleCaption(row));
}

void TfrmOstrinMain::showStructure()
{
    const QScopedValueRollback guard(m_showing, true);
    EditCommonRoot->setText(Job->CommonRoot());
    LabelDepth->setText(QString::number(Analysis->Sources.Depth()));
}

TRunOptions TfrmOstrinMain::RunOptions()
{
    TRunOptions o;
    o.Audit = CheckBoxAudit->isChecked();
    o.Calc = CheckBoxCalc->isChecked();
    o.Comments = CheckBoxComments->isChecked();
    o.Exports = CheckBoxExports->isChecked();
    o.Labels = CheckBoxLabels->isChecked();
    o.Branches = CheckBoxBranches->isChecked();
    o.Calls = CheckBoxCalls->isChecked();
    o.Macros = CheckBoxMacros->isChecked();
    o.IOs = CheckBoxIOs->isChecked();
    o.WordListPage = PageControlMain->isTabVisible(PageControlMain->indexOf(TabSheetWordList));
    o.FunctionTableFile = FrameFindexecFunctab->Edit->text().isEmpty() ? FrameFindexecFunctab->DefaultName
                                                                        : FrameFindexecFunctab->Edit->text();
    o.SearchText = ComboBoxSearchType->currentText();
    return o;
}

void TfrmOstrinMain::RunTool(TRunType type)
{
    const TPickers pickers = validatePickers();
    const TPickerState &tool = type == TRunType::ExportConversion ? pickers.Converter : pickers.Analyser;
    if (!tool.Valid || tool.Path.isEmpty())
        MyStB->ErrorAndAbort(QStringLiteral("The program %1 cannot be found, select it on the page \"Technical parameters\"")
                                 .arg(tool.Path));
    TRunOptions options = RunOptions();
    options.AnalyserProgram = pickers.Analyser.Path;
    Analysis->StartRun(type, options, tool.Path);
}

QAbstractItemView *TfrmOstrinMain::commandTarget(QAction *action)
{
    Q_UNUSED(action);
    const QList<QAbstractItemView *> lists{CheckListBoxSelectedFiles, ListBoxComponents,   ListBoxModules,
                                           CheckListBoxRules,         CheckListBoxMetrics, CheckListBoxSpecs,
                                           CheckListBoxFunctab};
    if (m_clickedList)
        return m_clickedList;
    for (QAbstractItemView *list : lists)
        if (list->hasFocus())
            return list;
    // The list's own context menu acts on that list.
    for (QAbstractItemView *list : lists)
        if (list->underMouse())
            return list;
    MyStB->ErrorAndAbort(QStringLiteral("Click on a checklistbox first to use this function!"));
    return nullptr;
}

void TfrmOstrinMain::listCommand(QAction *action, int command)
{
    QAbstractItemView *target = commandTarget(action);
    m_clickedList = nullptr;
    TShellSourceList &sources = Analysis->Sources;
    if (target == CheckListBoxSelectedFiles) {
        switch (command) {
        case 0: sources.ReverseSelection(); break;
        case 1: sources.SelectAll(); break;
        case 2: sources.UnselectAll(); break;
        default: sources.RemoveUnchecked(); break;
        }
        return;
    }
    if (target == ListBoxComponents || target == ListBoxModules) {
        TCheckListModel &names = target == ListBoxComponents ? sources.ComponentNames() : sources.ModuleNames();
        switch (command) {
        case 0: names.ToggleAllChecked(); break;
        case 1: names.SetAllChecked(true); break;
        case 2: names.SetAllChecked(false); break;
        default:
            for (int i = names.Count() - 1; i >= 0; --i)
                if (!names.CheckedAt(i))
                    names.RemoveItem(i);
            break;
        }
        Job->SetModified(true);
        if (command != 3)
            sources.AnalyseStructure(false);
        return;
    }
    TDefinitionLists &d = Job->Definitions();
    QList<TCheckListItem> &items = target == CheckListBoxRules     ? d.Rules
                                   : target == CheckListBoxMetrics ? d.Metrics
                                   : target == CheckListBoxSpecs   ? d.Specs
                                                                   : d.Functab;
    const bool metrics = target == CheckListBoxMetrics;
    if (command == 3) {
        for (qsizetype i = items.size() - 1; i >= 0; --i)
            if (!items[i].checked) {
                items.removeAt(i);
                if (metrics && i < d.Weights.size())
                    d.Weights.removeAt(i);
            }
    } else {
        for (qsizetype i = 0; i < items.size(); ++i) {
            items[i].checked = command == 0 ? !items[i].checked : command == 1;
            // The metrics' weights follow their ticks.
            if (metrics && i < d.Weights.size())
                d.Weights[i] = items[i].checked ? QStringLiteral("1") : QStringLiteral("0");
        }
    }
    Job->SetModified(true);
}

// ---- Close ---------------------------------------------------------------------------------------

void TfrmOstrinMain::closeEvent(QCloseEvent *event)
{
    if (!m_closing) {
        bool mayClose = false;
        RunCommand(MyStB, [this, &mayClose] { mayClose = Job->CloseRequest(); });
        showJob();
        if (!mayClose) {
            event->ignore();
            return;
        }
    }
    FormHide();
    event->accept();
    emit closed();
}

void TfrmOstrinMain::hideEvent(QHideEvent *event)
{
    QMainWindow::hideEvent(event);
}

void TfrmOstrinMain::FormHide()
{
    SaveMainWindowPlace(this, {PanelBozomek, PanelLibraries});
}

// ---- The hosted shell ------------------------------------------------------------------------------

void RunHostedShell(Ostrin::TShellHost &host, int hostTag, QWidget *parent, const QString &programPath,
                    const QStringList &args)
{
    TfrmOstrinMain shell(args, parent, programPath, hostTag, &host);
    shell.setWindowModality(Qt::ApplicationModal);
    QEventLoop loop;
    QObject::connect(&shell, &TfrmOstrinMain::closed, &loop, &QEventLoop::quit);
    shell.show();
    if (shell.isVisible())
        loop.exec();
}
