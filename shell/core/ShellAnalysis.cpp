#include "ShellAnalysis.h"

#include "Errors.h"
#include "LanguageSelection.h"
#include "Reporting.h"
#include "SharedRoutinesCommon.h"
#include "ShellJob.h"
#include "ShellSettings.h"
#include "StagingRoutines.h"
#include "StreamToIniCore.h"

#include <QDir>
#include <QEventLoop>
#include <QFileInfo>

using namespace StreamToIniFormat;

TShellAnalysis::TShellAnalysis(TShellJob &job, TShellLanguage &language, IReporter *reporter, QObject *parent)
    : QObject(parent),
      Sources(job, reporter),
      Staging(job, Sources, reporter),
      Renaming(job, Staging, reporter),
      Runner(*this),
      m_job(job),
      m_language(language),
      m_reporter(reporter)
{
    m_job.WriteSourceParts = [this](TStreamToIniCore &ini) { WriteParts(ini); };
    m_job.ReadSourceParts = [this](const TStreamToIniCore &ini) { ReadParts(ini); };
    // A batch that ended while the shell was closed: its results are renamed as after a run.
    m_job.CountArrivedResults = [this] { finishResults(true, int(TRunType::Analysis)); };
    // Closing during a run stops the tool, which is killed when it ignores the request.
    m_job.WaitForWatcher = [this] { Runner.StopRun(); };
    m_job.DisableCancelRun = [this] { setCancelRunEnabled(false); };
}

TShellAnalysis::~TShellAnalysis()
{
    m_job.WriteSourceParts = nullptr;
    m_job.ReadSourceParts = nullptr;
    m_job.CountArrivedResults = nullptr;
    m_job.WaitForWatcher = nullptr;
    m_job.DisableCancelRun = nullptr;
}

void TShellAnalysis::ApplyConfiguration(const TLanguageConfiguration &config)
{
    Staging.SetConfiguration(config);
    if (!m_job.LanguageCode().isEmpty())
        Sources.SetLanguageFilter(m_language.LanguageFileFilter(m_job.LanguageCode(), m_job.LanguageVersion()));
}

void TShellAnalysis::ConfigureRunner()
{
    const TShellSettings &s = m_job.Settings();
    const QString folder = s.ProgramFolder();
    TRunSettings &r = Runner.Settings;
    r.captureLog = s.CaptureLog();
    r.consoleCapture = s.SystemCaptureConsole();
    r.blindRun = s.BlindRun();
    r.dosBoxActive = s.DOSBoxActive();
    r.dosBoxProgram = s.DOSBoxProgram();
    r.dosBoxConfigFile = s.DOSBoxConfigFile();
    r.relayProgram = folder + QStringLiteral("/console_stub");
    r.commandRunner = folder + QStringLiteral("/cmdrun");
    Runner.Kind = m_job.Kind();
}

bool TShellAnalysis::StartRun(TRunType type, const TRunOptions &options, const QString &toolProgram)
{
    ConfigureRunner();
    TRunOptions o = options;
    o.RunType = int(type);
    Staging.SetOptions(o);
    Runner.JobName = m_job.DerivedJobName();
    TToolRunner::TRunRequest request;
    request.type = type;
    request.toolProgram = ProgramFile(FromStoredPath(toolProgram));
    request.commandFile = type == TRunType::Analysis
                          && (m_job.LanguageCode() == QLatin1String("WAA") || m_job.NameByDirectory());
    request.outputDirectory = m_job.OutputDirectory();
    request.systemName = m_job.SystemName();
    m_cancelled = false;
    return Runner.RunTool(request);
}

bool TShellAnalysis::RunToEnd(TRunType type, const TRunOptions &options, const QString &toolProgram)
{
    QEventLoop loop;
    bool ended = false;
    const QMetaObject::Connection finished = connect(&Runner, &TToolRunner::runFinished, &loop, [&] {
        ended = true;
        loop.quit();
    });
    bool started = false;
    try {
        started = StartRun(type, options, toolProgram);
    } catch (...) {
        disconnect(finished);
        throw;
    }
    // The completion may come before the loop runs: the watcher hands it over through events.
    if (started && !ended)
        loop.exec();
    disconnect(finished);
    return started && !m_cancelled;
}

// ---- The job file ---------------------------------------------------------------------------

void TShellAnalysis::WriteParts(TStreamToIniCore &ini) const
{
    using namespace ShellAnalysisNames;
    const QString window = ShellJobNames::Window;
    ini.add(KindSection(skCheckListBox));
    ini.AppendCheckListBox(window, SourceFiles, Sources.Items());
    ini.AppendCheckListBox(window, Components, Sources.ComponentNames().Items());
    ini.AppendCheckListBox(window, Modules, Sources.ModuleNames().Items());
    ini.add(KindSection(skMemo));
    ini.AppendMemo(window, NameMap, Staging.NameMap());
    ini.AppendMemo(window, ExtensionMap, Staging.ExtensionMap());
}

void TShellAnalysis::ReadParts(const TStreamToIniCore &ini)
{
    using namespace ShellAnalysisNames;
    const QString prefix = ShellJobNames::Window + QLatin1Char('.');
    const auto list = [&](const QString &name, TCheckListModel &model) {
        const int key = ini.IndexOfName(prefix + name);
        if (key < 0)
            return;
        QList<TCheckListItem> items;
        ini.ReadCheckListItems(key, true, items);
        model.SetItems(items);
    };
    const auto memo = [&](const QString &name) {
        const int key = ini.IndexOfName(prefix + name);
        return key < 0 ? QStringList() : ini.ReadMemoLines(key);
    };
    list(SourceFiles, Sources);
    list(Components, Sources.ComponentNames());
    list(Modules, Sources.ModuleNames());
    Staging.SetNameMap(memo(NameMap));
    Staging.SetExtensionMap(memo(ExtensionMap));
    if (OnMapsChanged)
        OnMapsChanged();
}

void TShellAnalysis::Reset()
{
    if (m_job.Kind() != 1)
        Sources.Clear();
    Sources.ComponentNames().Clear();
    Sources.ModuleNames().Clear();
    Staging.SetNameMap({});
    Staging.SetExtensionMap({});
    if (OnMapsChanged)
        OnMapsChanged();
}

// ---- The runner's host ---------------------------------------------------------------------------

void TShellAnalysis::setBatchRunning(bool running)
{
    m_job.SetBatchRunning(running);
    if (running)
        m_job.SetModifiedDirectly(true);
}

void TShellAnalysis::setCancelRunEnabled(bool enabled)
{
    if (OnCancelEnabled)
        OnCancelEnabled(enabled);
}

void TShellAnalysis::showProgress(const TRunProgress &progress)
{
    if (OnProgress)
        OnProgress(progress);
}

void TShellAnalysis::hideProgress()
{
    if (OnHideProgress)
        OnHideProgress();
}

void TShellAnalysis::consoleLine(const QString &line)
{
    if (OnConsoleLine)
        OnConsoleLine(line);
}

void TShellAnalysis::countArrived()
{
    Runner.NumberOfRenamedModules = m_job.RenamedModules;
    Runner.NumberOfRenamedSourceFiles = m_job.RenamedSourceFiles;
}

void TShellAnalysis::finishResults(bool rename, int runType)
{
    if (rename)
        Renaming.PostRunProcessing(runType);
    Renaming.DeleteTemporaryFiles();
    Renaming.RemoveEmptyResultFolders();
    countArrived();
}

void TShellAnalysis::postRun(TRunType type)
{
    switch (type) {
    case TRunType::ExportConversion:
        Staging.ApplyConvertedExports();
        Staging::CleanFolder(m_job.WorkFolder(), m_job.DerivedJobName(), Staging.Configuration().DirDepth + 1, false,
                             QString());
        break;
    case TRunType::TestDesign:
        Staging::CleanFolder(m_job.WorkFolder(), m_job.DerivedJobName(), Staging.Configuration().DirDepth + 1, false,
                             QString());
        finishResults(false, int(type));
        break;
    default:
        finishResults(true, int(type));
        break;
    }
    setLogViewersEnabled(true);
}

void TShellAnalysis::runEnded(const QString &, bool cancelled)
{
    m_cancelled = cancelled;
    if (OnRunEnded)
        OnRunEnded(cancelled);
}

void TShellAnalysis::checkOutputDirectory()
{
    // The edit's own check first (a missing folder is offered), then the job's rules.
    if (OnCheckOutputDirectory)
        OnCheckOutputDirectory();
    m_job.SetOutputDirectory(Staging.CheckOutputDirectory());
}

QString TShellAnalysis::checkedOutputDirectory()
{
    return m_job.OutputDirectory();
}

void TShellAnalysis::setBatchCaption(const QString &suffix)
{
    if (OnBatchCaption)
        OnBatchCaption(suffix);
}

void TShellAnalysis::showRunPages()
{
    if (OnShowRunPages)
        OnShowRunPages();
}

bool TShellAnalysis::prepareRun(TRunType type)
{
    if (type == TRunType::ExportConversion)
        Staging.WriteConverterParameters();
    else
        Staging.PrepareJob();
    Renaming.ResetCounters();
    Runner.NumberOfModules = Staging.NumberOfModules();
    Runner.NumberOfSourceFiles = Staging.NumberOfSourceFiles();
    Runner.StagedFiles = Staging.StagedFiles();
    m_job.Modules = Staging.NumberOfModules();
    m_job.SourceFiles = Staging.NumberOfSourceFiles();
    if (OnMapsChanged)
        OnMapsChanged();
    return true;
}

void TShellAnalysis::setLogViewersEnabled(bool enabled)
{
    if (OnLogViewersEnabled)
        OnLogViewersEnabled(enabled);
}

bool TShellAnalysis::languageInstalled()
{
    if (OnLanguageInstalled)
        return OnLanguageInstalled();
    return m_job.Settings().ButtonEnabled(m_job.ActiveButton());
}

void TShellAnalysis::setApplicationTitle(const QString &title)
{
    if (OnApplicationTitle)
        OnApplicationTitle(title);
}
