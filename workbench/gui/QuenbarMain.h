#pragma once
// The workbench main window: the reuse job's names, output directory and
// source list, the technical parameters, the internal viewer and the
// repository view; the action gate, the start sequence and the close logic.

#include "Job.h"
#include "ReuseJob.h"
#include "WorkbenchRow.h"
#include "WorkbenchSettings.h"

#include <QDateTime>
#include <QMainWindow>
#include <QStringList>

#include <functional>
#include <memory>

class QAction;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListView;
class QMenu;
class QPlainTextEdit;
class QPushButton;
class QSplitter;
class QTabWidget;
class TDM;
class TFrameFindDirectory;
class TFrameFindexec;
class TFrameSimpleViewer;
class TViewerPages;
class TMyStatusBar;
class TStringListHolder;
class TSourceList;
class TSourceListView;
class TFrameWSDLView;
class TfrmKereso;
class TQRfrm_Crossref;
class TConverterRun;
class TfrmProgressQuenbar;

class TfrmQuenbarMain : public QMainWindow
{
    Q_OBJECT
public:
    // args: the command-line arguments after the program name; the
    // program's own when not given.
    explicit TfrmQuenbarMain(const QStringList &args = QStringList(), QWidget *parent = nullptr,
                             const QString &programPath = QString());
    ~TfrmQuenbarMain() override;

    // Windows created after this one (the start order) are handed in here.
    void setProgressWindow(TfrmProgressQuenbar *progress);
    void setDataModule(TDM *dm);
    TDM *dataModule() const { return m_dm; }

    // Components (object names as the job files store them).
    TMyStatusBar *MyStB;
    QTabWidget *PageControlMain;
    QWidget *TabSheetNames;
    QWidget *TabSheetTech;
    QWidget *TabSheetViewer;
    QWidget *TabSheetWSDLView;
    QSplitter *SplitterMain;
    QWidget *PanelBozomek;
    QWidget *PanelLibraries;
    QGroupBox *GroupBoxNames;
    QLineEdit *EditProductName;
    QLineEdit *EditSystemName;
    QGroupBox *GroupBoxDataSets;
    TFrameFindDirectory *FrameFindDirectoryOutputDir;
    QLineEdit *EditCommonRoot;
    QLabel *LabelDepth;
    QGroupBox *GroupBoxSelectedFiles;   // these three take dropped source files
    QListView *CheckListBoxSelectedFiles;
    QPushButton *BitBtnAddFiles;
    QPushButton *BitBtnAddDirectories;
    QTabWidget *PageControlHelper;
    QPlainTextEdit *NewFileNames;
    QPlainTextEdit *Longextensions;
    TStringListHolder *STLHCentral_Name;
    TStringListHolder *STLHCentral_Other;
    TFrameFindexec *FrameFindexecEditorGeneral;
    TFrameFindexec *FrameFindexecWSDLProc;
    TFrameFindexec *FrameFindexecWSDLObjt;
    QGroupBox *GroupBoxSettings;
    QPlainTextEdit *MemoToolNameDefault;
    QPushButton *ButtonApplyINI;
    QTabWidget *PageControlViewer;
    TFrameWSDLView *WSDLView = nullptr;   // made when the repository module is handed in
    TfrmKereso *frmKereso = nullptr;
    TQRfrm_Crossref *QRfrm_Crossref = nullptr;

    QAction *ActNewProject, *ActOpenProject, *ActSaveProject, *ActSaveProjectAs, *ActCloseAll;
    QAction *ActAddfiles, *ActAddDirectories, *ActRemoveFiles, *ActUnselectAll, *ActSelectAll, *ActToggleSelect;
    QAction *ActCalculateCommonRoot, *ActCalculateCommonRootStrict, *ActRestartProject, *ActCallMireth, *ActRefresh;
    QAction *ActRunCSVToWSDL, *ActRunTool, *ActCancelRun;
    QAction *ActViewGeneral, *ActViewNotepad, *ActViewProductLog, *ActViewConsoleLog, *ActViewParameters;
    QAction *ActCloseTab, *ActCloseAllPages, *ActSelectFont;
    QAction *ActEditCopy, *ActEditSelectAll;   // "&Copy", "Select &All" on the viewer page
    QAction *ActShowAdvanced, *ActWriteINIFile, *ActDeleteFilesAfter, *ActAbout, *ActHelpShell;
    QAction *ActCrossreferenceInterfaces, *ActCrossreferenceOperations, *ActCrossreferenceInputsOutputs,
        *ActCrossReferenceParameters, *ActGenerateWSDL, *ActGenerateASR;
    QList<QAction *> Actions;   // every named action, for the gate and the categories

    std::unique_ptr<TViewerPages> ViewerPages;   // on PageControlViewer
    std::unique_ptr<TWorkbenchSettings> Settings;
    // The reuse job the window shows: names, folders, run state, sources.
    std::unique_ptr<TReuseJob> Job;
    TSourceList *Sources = nullptr;           // the job's source list
    TSourceListView *SourcesView = nullptr;   // shows Sources in CheckListBoxSelectedFiles
    std::unique_ptr<TConverterRun> Runner;
    TAnalTypeConstants Row;
    TWorkbenchCommandLine CommandLine;

    // The window's own state while a job is loaded or names are dropped.
    bool LoadingJob = false;
    bool NamesDropPending = false;
    QString ProgramVersion;
    QDateTime JobSaveTime;   // invalid: never saved

    bool modified() const { return Job->Modified(); }
    // True after a fatal start: the program ends with a failure status.
    bool fatalStart() const { return m_fatalStart; }
    // "-AutoRun:Import" and "-AutoRun:Reuse": the status the program ends with (0: no error reported).
    bool autoRun() const { return m_autoRun; }
    int autoRunStatus() const;
    // The unattended import: import, generate, save, close.
    void RunAutoImport();
    // Imports one WSDL document into the job's repository.
    void ImportWsdlDocument(const QString &path);
    // Generates WSDL and script for every interface, in name order.
    void GenerateAllInterfaces();
    // Runs a named action through the gate, as a menu or shortcut would.
    void runAction(QAction *action);

    // Operations of the window, callable for tests and by other windows.
    void SetModified(bool flag);
    void StartJob(const QString &key);
    void ClearJob();
    void LoadJob(const QString &fileName);
    void SaveJob(bool saveAs);
    void CheckOutputDirectory();
    void CheckJobNamesAndOutput();
    void ValidateProductName(const QString &text);
    void ValidateSystemName(const QString &text);
    QString GetJobName();
    void SetJobName(const QString &fileName);
    void SetProjectFolder(const QString &folder);
    void FrameFindDirectoryOutputDirEditExit();
    // The frame's create-folder callback: a missing folder is offered for creation.
    void FrameFindDirectoryOutputDirCreateFolder();
    void DropNames();
    void OpenJobFile(const QString &fileName);   // as a dropped job file does
    void OpenViewerFile(const QString &path);
    TFrameSimpleViewer *ActiveViewer() const;
    QString OutputDirectory() const;
    void SetOutputDirectory(const QString &dir);

signals:
    void startFinished();
    // The start failed; the window has closed.
    void fatalStartReported();
    // The unattended run is over; the program ends with this status.
    void autoRunFinished(int status);

protected:
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void hideEvent(QHideEvent *event) override;
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dropEvent(QDropEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void buildUi();
    void validateName(QLineEdit *field, const QString &text, const QString &message);
    void buildActions();
    void buildMenus();
    QAction *makeAction(const char *name, const QString &category, const QString &caption,
                        const QKeySequence &shortcut, void (TfrmQuenbarMain::*handler)());
    void gate(QAction *action);
    // Gives an action its command, run through the gate.
    void bind(QAction *action, std::function<void()> command);
    void buildJob();
    void buildSourceList();
    void buildRunner();
    // The window shows what the job holds.
    void showJob();
    void setCaption(const QString &caption);

    void FormCreate();
    void FormShow();
    // The start's self-check of the repository links; each missing one is a recorded error.
    void CheckDesignedLinks();
    void WMFatalStart();
    bool FormCloseQuery();
    void FormHide();

    void loadAndApplySettings(bool ask);
    void refreshProgramFields(bool validate);
    void setProgramDefaults();
    void showSettingsText();
    void takeSettingsText();
    void applyShowAdvanced();

    // Action handlers ("Act…Execute").
    void ActNewProjectExecute();
    void ActOpenProjectExecute();
    void ActSaveProjectExecute();
    void ActSaveProjectAsExecute();
    void ActCloseAllExecute();
    void ActRestartProjectExecute();
    void ActCallMirethExecute();
    // The job's file as the save writes it, to target, without dialog or name change.
    void writeJobFile(const QString &target);
    void ActViewGeneralExecute();
    void ActViewNotepadExecute();
    void ActViewProductLogExecute();
    void ActViewConsoleLogExecute();
    void ActViewParametersExecute();
    void ActCloseTabExecute();
    void ActCloseAllPagesExecute();
    void ActSelectFontExecute();
    void ActEditCopyExecute();
    void ActEditSelectAllExecute();
    void ActShowAdvancedExecute();
    void ActWriteINIFileExecute();
    void ButtonApplyINIClick();
    void ActAboutExecute();
    void ActHelpShellExecute();
    void ActCancelRunExecute();
    void openLogFile(const QString &path);

    QStringList m_args;
    QString m_programPath;
    TfrmProgressQuenbar *m_progress = nullptr;
    TDM *m_dm = nullptr;
    bool m_shown = false;
    bool m_fatalStart = false;
    bool m_autoRun = false;
    bool m_autoRunReuse = false;   // "-AutoRun:Reuse": the analysis before the import
    bool m_closing = false;
    bool m_userInvoked = true;
    bool m_suppressNamesDrag = false;
    QString m_presetJobFile;
    QString m_loadProjectName;
    QMenu *m_menuFile = nullptr;
    QWidget *m_lastPage = nullptr;
};
