#pragma once
// One shell job's sources and runs without any widget: the source list with
// its name lists, the staging with its name and extension maps, the result
// renaming and the tool runner, joined as a run needs them. It is the
// runner's host: a run prepares the job, starts the tool under the watcher,
// and ends with the post-run processing of its type. The lists and maps
// are part of the job file; the window shows them through the hooks, an
// unattended run needs none.

#include "InputStaging.h"
#include "ResultRenaming.h"
#include "SourceStructure.h"
#include "ToolRunner.h"

#include <QObject>
#include <QString>
#include <QStringList>

#include <functional>

class IReporter;
class TShellJob;
class TShellLanguage;
class TStreamToIniCore;
struct TLanguageConfiguration;

// The components the analysis writes into the job file itself.
namespace ShellAnalysisNames {
inline const QString SourceFiles = QStringLiteral("CheckListBoxSelectedFiles");
inline const QString Components = QStringLiteral("ListBoxComponents");
inline const QString Modules = QStringLiteral("ListBoxModules");
inline const QString NameMap = QStringLiteral("NewFileNames");
inline const QString ExtensionMap = QStringLiteral("Longextensions");
} // namespace ShellAnalysisNames

class TShellAnalysis : public QObject, public IToolRunHost
{
    Q_OBJECT
public:
    // Not owned; all must outlive the analysis. Sets the job's hooks for
    // its lists in the job file, the results of a batch that ran while the
    // shell was closed, and a close during a run.
    TShellAnalysis(TShellJob &job, TShellLanguage &language, IReporter *reporter, QObject *parent = nullptr);
    ~TShellAnalysis() override;

    TShellSourceList Sources;
    TShellStaging Staging;
    TResultRenaming Renaming;
    TToolRunner Runner;

    // The language's configuration and source filter (after every selection).
    void ApplyConfiguration(const TLanguageConfiguration &config);
    // The runner's settings from the settings file and the program folder.
    void ConfigureRunner();

    // "Start Analysis" and the other run commands: the whole run of the
    // type with the tool program its picker names. False when nothing
    // was started.
    bool StartRun(TRunType type, const TRunOptions &options, const QString &toolProgram);
    // The same, waiting (events served) until the run has ended; true when
    // it ran to its end without a cancel.
    bool RunToEnd(TRunType type, const TRunOptions &options, const QString &toolProgram);
    bool LastRunCancelled() const { return m_cancelled; }

    // The job file's part: the source list, the name lists and both maps.
    void WriteParts(TStreamToIniCore &ini) const;
    void ReadParts(const TStreamToIniCore &ini);
    // The new job's reset of the lists and maps (kind 1 keeps its sources).
    void Reset();

    // ---- Hooks for the window ---------------------------------------------------------
    std::function<void(const TRunProgress &progress)> OnProgress;
    std::function<void()> OnHideProgress;
    std::function<void(const QString &line)> OnConsoleLine;
    std::function<void(bool enabled)> OnCancelEnabled;
    std::function<void(const QString &suffix)> OnBatchCaption;
    std::function<void()> OnShowRunPages;
    std::function<void(bool enabled)> OnLogViewersEnabled;
    std::function<void(const QString &title)> OnApplicationTitle;
    // The output directory edit's check (the window's frame), before the staging's.
    std::function<void()> OnCheckOutputDirectory;
    std::function<bool()> OnLanguageInstalled;
    // The maps were rebuilt by a preparation (the memos show them).
    std::function<void()> OnMapsChanged;
    // The run has ended; the product log may be shown.
    std::function<void(bool cancelled)> OnRunEnded;

    // ---- IToolRunHost -----------------------------------------------------------------
    IReporter *reporter() override { return m_reporter; }
    void setBatchRunning(bool running) override;
    void setCancelRunEnabled(bool enabled) override;
    void showProgress(const TRunProgress &progress) override;
    void hideProgress() override;
    void consoleLine(const QString &line) override;
    void countArrived() override;
    void postRun(TRunType type) override;
    void runEnded(const QString &runtime, bool cancelled) override;
    void checkOutputDirectory() override;
    QString checkedOutputDirectory() override;
    void setBatchCaption(const QString &suffix) override;
    void showRunPages() override;
    bool prepareRun(TRunType type) override;
    void setLogViewersEnabled(bool enabled) override;
    bool languageInstalled() override;
    void setApplicationTitle(const QString &title) override;

private:
    void finishResults(bool rename, int runType);

    TShellJob &m_job;
    TShellLanguage &m_language;
    IReporter *m_reporter;
    bool m_cancelled = false;
};
