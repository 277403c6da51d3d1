#pragma once
// The analysis shell's job without any widget: its identity (product,
// system, version, job name, project folder), its flags (modified,
// never saved, batch running, job-load mode, save time), the data the
// language's definitions fill (rule, metric, specification and function
// table lists, metric weights, limits), and the job file: new, open, save,
// save as, drop, close and the check for a batch that ran meanwhile.
//
// The job writes the job file's own keys and the components it owns (the
// name edits, the output directory, the definition lists, the weights),
// in the form state line formats under the window name "frmOstrinMain";
// the window adds the rest of its state through WriteWindowState (its form
// state pass must then skip the components named in ShellJobNames) and
// restores it through RestoreWindowState. Every question goes through the
// reporter.

#include "ShellKinds.h"
#include "StreamToIniCore.h"

#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>

#include <functional>

class IReporter;
class TShellLanguage;
class TShellSettings;

// One row of the limits grid: description shown, number edited, key hidden.
struct TLimitRow
{
    QString Description;
    QString Number;   // formatted: right-aligned to the width of "000000"
    QString Key;
};

// The components the job writes itself, as the window must name them.
namespace ShellJobNames {
inline const QString Window = QStringLiteral("frmOstrinMain");
inline const QString ProductEdit = QStringLiteral("EditProductName");
inline const QString SystemEdit = QStringLiteral("EditSystemName");
inline const QString VersionEdit = QStringLiteral("EditSystemVersion");
inline const QString OutputFrame = QStringLiteral("FrameFindDirectoryOutputDir");   // its edit "Edit"
inline const QString Rules = QStringLiteral("CheckListBoxRules");
inline const QString Metrics = QStringLiteral("CheckListBoxMetrics");
inline const QString Specs = QStringLiteral("CheckListBoxSpecs");
inline const QString Functab = QStringLiteral("CheckListBoxFunctab");
inline const QString Weights = QStringLiteral("STLHMetricWeights");
inline const QString LimitsGrid = QStringLiteral("StringGridNumParams");
} // namespace ShellJobNames

// The lists a language's definition files fill.
struct TDefinitionLists
{
    QList<TCheckListItem> Rules;
    QList<TCheckListItem> Metrics;   // the first 4 characters are the metric's code
    QList<TCheckListItem> Specs;
    QList<TCheckListItem> Functab;
    QStringList Weights;              // "0".."3", one per metric
    QStringList LimitDefaults;        // Name=Description,Number
    QList<TLimitRow> Limits;
};

// Weight names by value.
QString WeightName(int weight);   // 0 "Off", 1 "Normal", 2 "Double", 3 "High"

class TShellJob
{
public:
    // settings and reporter are not owned and must outlive the job.
    TShellJob(TShellSettings &settings, IReporter *reporter);

    TShellSettings &Settings() const { return m_settings; }
    const Ostrin::TAnalTypeConstants &Row() const;
    int Kind() const;
    bool Hosted() const;
    // The language selection the job loader calls; set by whoever makes both.
    void SetLanguage(TShellLanguage *language) { m_language = language; }
    // The host's hand-over (hosted kinds); not owned, may be null.
    void SetHost(Ostrin::TShellHost *host) { m_host = host; }
    // Takes the host's names, version, output directory, project folder and
    // active language (before the initial job is opened).
    void ApplyHost();
    Ostrin::TShellHost *Host() const { return m_host; }

    // ---- Identity ------------------------------------------------------------------
    // At most 8 characters, not empty, not starting with a digit.
    static bool ProductNameIsValid(const QString &name);
    // At most 8 characters of "0".."9" and ".", not empty.
    static bool VersionIsValid(const QString &version);
    QString ProductName() const { return m_product; }
    QString SystemName() const { return m_system; }
    QString Version() const { return m_version; }
    // The name edits are left with this text ("*" clears). A bad name
    // reports its message (after OnNameError) and ends the command; a
    // changed product or system clears the job name and marks the job
    // never saved and modified, a changed version marks it modified.
    void SetProductName(const QString &text);
    void SetSystemName(const QString &text);
    void SetVersion(const QString &text);
    QString JobName() const { return m_jobName; }
    // Base name of a job file; "*" or empty clear it. Also the caption's.
    void SetJobName(const QString &name);
    // The job name, computed from product, system and language version
    // (all validated) when it is empty.
    QString DerivedJobName();
    // Validates the names, shows the job name in the caption and requires
    // an output directory: "You have to set the output directory(s) first!"
    void ValidateJobNames();
    QString ProjectFolder() const { return m_projectFolder; }
    // The folder part of path; for kinds that are not hosted also the
    // per-user "LastPosition" + code and "LastPosition".
    void SetProjectFolder(const QString &path);
    void SetProjectFolderDirectly(const QString &folder) { m_projectFolder = folder; }
    QString OutputDirectory() const { return m_outputDirectory; }
    void SetOutputDirectory(const QString &folder);
    QString WorkFolder() const;   // output directory + "/work"
    QString LanguageCode() const { return m_languageCode; }
    void SetLanguageCode(const QString &code) { m_languageCode = code; }
    QString LanguageVersion() const { return m_languageVersion; }
    void SetLanguageVersion(const QString &version) { m_languageVersion = version; }
    QString ActiveButton() const { return m_activeButton; }
    void SetActiveButton(const QString &name) { m_activeButton = name; }
    QString InterfaceType() const { return m_interfaceType; }
    void SetInterfaceType(const QString &type) { m_interfaceType = type; }
    int MaxDirDepth() const { return m_maxDirDepth; }
    void SetMaxDirDepth(int depth) { m_maxDirDepth = depth; }
    QString CommonRoot() const { return m_commonRoot; }
    void SetCommonRoot(const QString &root) { m_commonRoot = root; }
    int ListWidth() const { return m_listWidth; }
    void SetListWidth(int width) { m_listWidth = width; }
    bool NameByDirectory() const { return m_nameByDirectory; }
    void SetNameByDirectory(bool on) { m_nameByDirectory = on; }
    int SourceLines() const { return m_sourceLines; }
    void SetSourceLines(int lines) { m_sourceLines = lines; }
    bool PreviewBeforePrinting() const { return m_previewBeforePrinting; }
    void SetPreviewBeforePrinting(bool on) { m_previewBeforePrinting = on; }
    QString Caption() const { return m_caption; }
    void SetCaption(const QString &caption);

    // ---- Flags ---------------------------------------------------------------------
    bool Modified() const { return m_modified; }
    // true marks the job modified. false first settles unsaved changes:
    // hosted kinds save, others ask (Yes saves, No discards, Cancel reports
    // "Action cancelled" and ends the command).
    void SetModified(bool value);
    // Without any question (the loader and the new-job reset).
    void SetModifiedDirectly(bool value);
    bool NeverSaved() const { return m_neverSaved; }
    void SetNeverSaved(bool value) { m_neverSaved = value; }
    bool BatchRunning() const { return m_batchRunning; }
    void SetBatchRunning(bool running) { m_batchRunning = running; }
    bool LoadMode() const { return m_loadMode; }
    QDateTime SaveTime() const { return m_saveTime; }   // invalid for a new job
    // The progress counters of a background batch.
    int RenamedModules = 0;
    int Modules = 0;
    int RenamedSourceFiles = 0;
    int SourceFiles = 0;

    // ---- Definitions ---------------------------------------------------------------
    TDefinitionLists &Definitions() { return m_definitions; }
    const TDefinitionLists &Definitions() const { return m_definitions; }
    // The shared change handler for the metrics list's current item: the
    // job becomes modified and the metric's weight "1" when ticked, "0" when not.
    void MetricTicked(int index, bool ticked);
    // The weight chooser's choice: the metric is ticked exactly when it is not 0.
    void SetMetricWeight(int index, int weight);

    // ---- Job file ------------------------------------------------------------------
    QString JobFilePath() const;   // project folder + job name + job extension
    // "Job definitions files(*ext)|*ext".
    QString JobFileFilter() const;
    void NewJobReset();
    // "&Save " (saveAs false) or "Save job as...".
    void SaveJob(bool saveAs);
    // Writes the job file itself, without any dialog.
    void WriteJobFile(const QString &path);
    // Any failure is the recorded error " Error while loading project
    // definition, ..." after the final steps ran; then the command ends.
    void LoadJob(const QString &path);
    // "New job": settles the old job, selects the active language again.
    void NewJob();
    // "&Open existing job": file empty asks with the open dialog.
    void OpenJob(const QString &file = QString());
    // Dropped files: one file with exactly the job extension opens it
    // (directories never count). Returns whether the drop was taken; the
    // window then runs CheckBatchOnOpen, as the open does.
    bool DropJobFiles(const QStringList &files);
    void CheckBatchOnOpen();
    // The close request: true when the shell may close.
    bool CloseRequest();

    // ---- Action gate ------------------------------------------------------------------
    // Runs before every action (category as the action has it, caption as
    // shown): refuses while a batch runs, validates the names before
    // "FileCollect", "Generate" and "Viewer" actions, clears the status bar
    // otherwise. Ends the command when the action must not run.
    void ActionGate(const QString &category, const QString &caption);

    // ---- Hooks for the window ------------------------------------------------------------
    std::function<void(const QString &caption)> OnCaptionChanged;
    std::function<void(bool modified)> OnModifiedChanged;   // "&Save " enabled exactly when modified
    // A name edit failed: activate "Names and datasets" and focus the edit
    // (ShellJobNames::ProductEdit, SystemEdit, VersionEdit or the output frame).
    std::function<void(const QString &edit)> OnNameError;
    std::function<void()> OnShowNamesPage;
    // The window's part of the new-job reset (source files, word lists,
    // memos, viewer pages, console, extras ticks).
    std::function<void()> OnNewJobReset;
    // The sources, name lists and maps (the analysis), after the job's own lists.
    std::function<void(TStreamToIniCore &ini)> WriteSourceParts;
    std::function<void(const TStreamToIniCore &ini)> ReadSourceParts;
    // The window's state after the job's own lines, and back.
    std::function<void(TStreamToIniCore &ini)> WriteWindowState;
    std::function<void(const TStreamToIniCore &ini)> RestoreWindowState;
    // The output directory check of the job preparation (before a save dialog).
    std::function<void()> CheckOutputDirectory;
    // After a load: the definitions (LoadDefinitions of the language).
    // The post-run processing counts and renames the results that arrived.
    std::function<void()> CountArrivedResults;
    // The shell is to close (CheckBatchOnOpen's Cancel).
    std::function<void()> CloseShell;
    // The close request's parts that belong to running work and viewers.
    std::function<bool()> StoppableOperationRunning;
    std::function<void()> RequestStop;
    std::function<bool()> CloseViewerPages;   // false: a page refused
    std::function<void()> WaitForWatcher;
    std::function<void()> DisableCancelRun;

private:
    bool setName(QString &member, const QString &text, bool version, const QString &edit, const QString &message);
    void validateName(const QString &value, bool version, const QString &edit, const QString &message);
    void recordForHost(const QString &saved);
    void readJob(const TStreamToIniCore &ini, const QString &path);
    void writeLists(TStreamToIniCore &ini) const;
    void readLists(const TStreamToIniCore &ini);
    QString path(const QString &component) const;
    QString proposedJobName() const;

    TShellSettings &m_settings;
    IReporter *m_reporter;
    TShellLanguage *m_language = nullptr;
    Ostrin::TShellHost *m_host = nullptr;

    QString m_product;
    QString m_system;
    QString m_version;
    QString m_jobName;
    QString m_projectFolder;
    QString m_outputDirectory;
    QString m_languageCode;
    QString m_languageVersion;
    QString m_activeButton;
    QString m_interfaceType;
    int m_maxDirDepth = 0;
    QString m_commonRoot;
    int m_listWidth = 0;
    bool m_nameByDirectory = false;
    int m_sourceLines = 0;
    bool m_previewBeforePrinting = false;
    QString m_caption;

    bool m_modified = false;
    bool m_neverSaved = true;
    bool m_batchRunning = false;
    bool m_loadMode = false;
    QDateTime m_saveTime;

    TDefinitionLists m_definitions;
};
