#pragma once
// The analysis shell window: one front end for the nine application kinds.
// The kind, the settings text, the language with its definitions and the
// job live in the shell's core; the window shows them, hands the user's
// edits back and applies what the core decides to its pages, pickers,
// check boxes and actions.

#include "LanguageConfiguration.h"
#include "LanguageSelection.h"
#include "ShellAnalysis.h"
#include "ShellJob.h"
#include "ShellKinds.h"
#include "ShellSettings.h"

#include <QMainWindow>
#include <QSet>
#include <QStringList>

#include <functional>
#include <memory>

class QAction;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QAbstractItemView;
class QLabel;
class QLineEdit;
class QListView;
class QListWidget;
class QMenu;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QRadioButton;
class QSplitter;
class QTabWidget;
class QTreeView;
class QTableWidget;
class TFrameFindDirectory;
class TFrameFindexec;
class TMyStatusBar;
class TRadioGroup;
class TPanelProgress;
class TSourceColumns;
class TStreamToIniCore;

// Sets the visibility (and with alsoEnable the enabled state) of every
// action whose "Category" property is category, in every open window.
void SetCategoryVisible(const QString &category, bool alsoEnable, bool value);

class TfrmOstrinMain : public QMainWindow
{
    Q_OBJECT
public:
    // args: the command line after the program name (the program's own
    // when empty); programPath: the program file as started (its name
    // chooses the kind, its folder holds the settings file); hostTag: the
    // hosting window's tag; host: what a hosting program hands over, not
    // owned, null for a shell on its own.
    explicit TfrmOstrinMain(const QStringList &args = QStringList(), QWidget *parent = nullptr,
                            const QString &programPath = QString(), int hostTag = 0,
                            Ostrin::TShellHost *host = nullptr);
    ~TfrmOstrinMain() override;

    // Components (object names as job files store them).
    TMyStatusBar *MyStB;
    QTabWidget *PageControlMain;
    QWidget *TabSheetLanguage;        // programming languages
    QWidget *TabSheetTestSpec;        // test design
    QWidget *TabSheetTestDoc;         // test documentation
    QWidget *TabSheetDocTypes;        // document types
    QWidget *TabSheetNames;
    QWidget *TabSheetAnalPar;
    QWidget *TabSheetWordList;
    QWidget *TabSheetTech;
    QWidget *TabSheetViewer;
    QTabWidget *PageControlAnalPar;
    QWidget *TabSheetRules, *TabSheetMaxValues, *TabSheetMetrics, *TabSheetSpecs, *TabSheetFunctab;
    QGroupBox *GroupBoxTestCaseAnalysis;
    TRadioGroup *RadioGroupLanguageVersion;
    QSplitter *SplitterMain;
    QWidget *PanelBozomek;
    QWidget *PanelLibraries;
    QWidget *PanelCommands;
    QGroupBox *GroupBoxNames;
    QLineEdit *EditProductName, *EditSystemName, *EditSystemVersion;
    TFrameFindDirectory *FrameFindDirectoryOutputDir;
    QWidget *PanelCommonRoot;
    QLineEdit *EditCommonRoot;
    QGroupBox *GroupBoxExtras;
    QCheckBox *CheckBoxAudit, *CheckBoxExports, *CheckBoxComments, *CheckBoxLabels, *CheckBoxBranches,
        *CheckBoxCalls, *CheckBoxMacros, *CheckBoxIOs, *CheckBoxCalc;
    QGroupBox *GroupBoxSelectedFiles;
    QTreeView *CheckListBoxSelectedFiles;   // over Analysis->Sources, in columns
    QPushButton *BitBtnRunTool, *BitBtnAddFiles, *BitBtnAddDirectories, *BitBtnImportWordList;
    QTabWidget *PageControlHelper;    // the side tabs
    QWidget *TabSheetComponents;
    QListView *ListBoxComponents, *ListBoxModules;   // the irrelevant names ticked
    QLabel *LabelDepth;
    // The progress area of a run or a long list command.
    QWidget *PanelProgress;
    QLabel *LabelProgress;
    QProgressBar *ProgressBarModules, *ProgressBarSources;
    QPlainTextEdit *NewFileNames, *Longextensions;
    QListWidget *CheckListBoxRules, *CheckListBoxMetrics, *CheckListBoxSpecs, *CheckListBoxFunctab;
    QComboBox *ComboBoxMetricWeight;  // the weight chooser over the current metric
    QTableWidget *StringGridNumParams;
    QGroupBox *GroupBoxSearch;
    QComboBox *ComboBoxSearchType;
    QComboBox *ComboBoxControlWordType, *ComboBoxControlWordType2;
    QWidget *PanelNouns;
    QWidget *TabSheetNouns;
    QPlainTextEdit *MemoConsole;
    TFrameFindexec *FrameFindexecLimits, *FrameFindexecRules, *FrameFindexecMetrics, *FrameFindexecFunctab,
        *FrameFindexecSpecs, *FrameFindexecAnal, *FrameFindexecTransf, *FrameFindexecEditor, *FrameFindexecScanner,
        *FrameFindexecTstDesign, *FrameFindexecSearch, *FrameFindexecTstSpecTemplate;
    QGroupBox *GroupBoxSettings;
    QPlainTextEdit *MemoToolNameDefault;
    QPushButton *ButtonApplyINI, *ButtonWriteINIFile;

    QAction *ActNewProject, *ActOpenProject, *ActSaveProject, *ActSaveProjectAs, *ActCloseAll;
    QAction *ActAddfiles, *ActAddDirectories, *ActRemoveFiles, *ActToggleComponent, *ActToggleModule,
        *ActToggleSelect, *ActSelectAll, *ActUnselectAll, *ActCalculateCommonRoot, *ActCalculateCommonRootStrict,
        *ActNameByDirectory, *ActRestartProject;
    QAction *ActRunTool, *ActRunPreScanner, *ActCancelRun, *ActTransf, *ActSearch, *ActTestSpec, *ActTestDesign;
    QAction *ActProduceTestProfile, *ActProduceTestTrace, *ActProduceTestCoverage, *ActProduceTestMetric,
        *ActProduceTestCaseRelations, *ActSelectTestCaseFile, *ActSelectMethodFile, *ActSelectTestLog,
        *ActSelectTraceFiles, *ActSelectDefectFile, *ActViewMethodList;
    QAction *ActRankModules, *ActSpecRanking, *ActRankDeficiencies, *ActCompoundMetrics, *ActDefectStatistic;
    QAction *ActViewDefis, *ActViewSpecs, *ActViewTestCases, *ActShowMetrics, *ActXMLEditor, *ActViewGeneral,
        *ActViewConsoleLog, *ActShowConsole, *ActHideConsole;
    QAction *ActImportWordList;
    QAction *ActShowAdvanced, *ActWriteINIFile, *ActHelpShell, *ActHelpContents, *ActAbout;
    QList<QAction *> Actions;   // every named action

    // The core the window shows.
    Ostrin::TAnalTypeConstants Row;
    Ostrin::TKindPresentation Presentation;
    Ostrin::TShellCommandLine CommandLine;
    std::unique_ptr<TShellSettings> Settings;
    std::unique_ptr<TShellJob> Job;
    std::unique_ptr<TShellLanguage> Language;
    std::unique_ptr<TShellAnalysis> Analysis;   // the sources and runs; goes before the job
    QString ToolRootDir;
    QString HelpFile;
    QString ProgramVersion;
    Ostrin::TAutoRun AutoRun = Ostrin::TAutoRun::None;

    int kind() const { return Row.KindNumber; }
    bool fatalStart() const { return m_fatalStart; }
    // The language buttons of every page, in component order.
    QList<QRadioButton *> languageButtons() const;
    QRadioButton *languageButton(const QString &name) const;
    // The page of the kind's language buttons.
    QWidget *languagePage() const;
    QAction *actionByCaption(const QString &captionOrName) const;

    // Operations, callable for tests as the user's commands run them.
    void SelectLanguage(const QString &buttonName);
    void ApplyChanges();            // "Apply changes"
    void SaveSettings();            // "Save initialisation parameters"
    void DropFiles(QObject *target, const QStringList &files);
    void ApplyShowAdvanced();
    // "Start Analysis" and "Convert export files".
    void RunTool(TRunType type);
    // What the window's controls say for a run.
    TRunOptions RunOptions();
    // Runs a command through the status bar, then shows the job again.
    bool runCommand(const std::function<void()> &command);

signals:
    void startFinished();
    void fatalStartReported();
    void closed();

protected:
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void buildUi();
    void buildLanguagePages();
    void buildActions();
    void buildMenus();
    QAction *makeAction(const char *name, const QString &category, const QString &caption,
                        std::function<void()> handler = {});
    void notAvailable(QAction *action);
    void gate(QAction *action);
    void buildCore();
    void addExtraButtons();
    void arrangeButtons();

    void FormCreate();
    void FormShow();
    void WMFatalStart();
    void FormHide();

    // Core to window.
    void showJob();
    void showDefinitions();
    void showSettingsText();
    void syncLanguageButtons();
    void applyConfiguration(const TLanguageConfiguration &config);
    void applyPickerDefaults(const TPickers &defaults);
    TPickers validatePickers();
    void setPageVisible(QWidget *page, bool visible);
    void checkOutputDirectory();
    void newJobReset();
    void writeWindowState(TStreamToIniCore &ini);
    void restoreWindowState(const TStreamToIniCore &ini);
    QList<const QObject *> jobOwnedComponents() const;

    // Window to core.
    void definitionItemChanged(QListWidget *list, int row);
    void limitChanged(int row, int column);
    void sharedChange();
    void openWeightChooser();
    void storeWeightChoice();
    void showHelp(int context);
    void buildSourceHooks();
    void showStructure();
    void showToggleCaptions();
    // The list a list command acts on: the one double-clicked, else the focused one.
    QAbstractItemView *commandTarget(QAction *action);
    void listCommand(QAction *action, int command);

    QStringList m_args;
    QString m_programPath;
    int m_hostTag = 0;
    Ostrin::TShellHost *m_host = nullptr;
    TCaptionMemory m_captions;
    bool m_shown = false;
    bool m_fatalStart = false;
    bool m_showing = false;     // the window fills its controls: no change handlers
    bool m_closing = false;
    bool m_arranging = false;
    QMenu *m_menuFile = nullptr;
    QSet<int> m_invalidLimits;   // limits grid rows whose typed number was refused
    QAbstractItemView *m_clickedList = nullptr;   // the list double-clicked last
    TSourceColumns *m_sourceColumns = nullptr;
    std::unique_ptr<TPanelProgress> m_panelProgress;   // the progress area of the list commands
};

// The hosted shell: creates the shell for the host's tag and hand-over,
// shows it modally and returns when it has closed; the host then reads back
// what the shell recorded in host. programPath: the hosting program.
void RunHostedShell(Ostrin::TShellHost &host, int hostTag, QWidget *parent = nullptr,
                    const QString &programPath = QString(), const QStringList &args = QStringList());
