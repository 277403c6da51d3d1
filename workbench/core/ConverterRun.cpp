#include "ConverterRun.h"
#include "StagingRoutines.h"

#include "Commands.h"
#include "SourceList.h"
#include "Reporting.h"
#include "ScopeGuard.h"
#include "SharedRoutinesCommon.h"
#include "TarvellToolWatcherThread.h"
#include "ToolProcess.h"
#include "TextFile.h"
#include "WorkbenchSettings.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <utility>

namespace {

const QString kSemaphore = QStringLiteral("Semaphore.xml");
const QString kConsoleLog = QStringLiteral("Console.log");
const QString kWsdlDir = QStringLiteral("WSDLDir");
const QString kRunTitle = QStringLiteral("Runnig bacth Converter ");
const QString kLastBatch = QStringLiteral(" Last batch ");
const QString kBroken = QStringLiteral("Process broken with message - ");
const QString kOperationAborted = QStringLiteral("Operation aborted"); // the text of a silent stop

QString num4(int n)
{
    return QStringLiteral("%1").arg(n, 4, 10, QLatin1Char('0'));
}

QString xmlText(QString s)
{
    s.replace(QLatin1Char('&'), QLatin1String("&amp;"));
    s.replace(QLatin1Char('<'), QLatin1String("&lt;"));
    s.replace(QLatin1Char('>'), QLatin1String("&gt;"));
    return s;
}

QString xmlAttribute(const QString &s)
{
    return xmlText(s).replace(QLatin1Char('"'), QLatin1String("&quot;"));
}

QString element(const QString &name, const QString &value)
{
    return QLatin1Char('<') + name + QLatin1Char('>') + xmlText(value) + QLatin1String("</") + name + QLatin1Char('>');
}

// A name usable as one file name inside a folder.
bool plainFileName(const QString &name)
{
    return !name.isEmpty() && name != QLatin1String(".") && name != QLatin1String("..")
           && !name.contains(QLatin1Char('/')) && !name.contains(QLatin1Char('\\')) && !name.contains(QChar(0));
}

} // namespace

QString TConverterRun::outputDir() const
{
    return m_runFolders.Output.isEmpty() ? m_host.outputDirectory() : m_runFolders.Output;
}

QString TConverterRun::runWorkDir() const
{
    return m_runFolders.Output.isEmpty() ? m_host.workDir() : m_runFolders.Work;
}

QString TConverterRun::runStagingDir() const
{
    return m_runFolders.Output.isEmpty() ? m_host.stagingDir() : m_runFolders.Staging;
}

// ---- Converter table --------------------------------------------------------------

QString TConverterRun::ParameterFile(int kind)
{
    switch (kind) {
    case 1: return QStringLiteral("lastprc.xml");
    case 2: return QStringLiteral("lastobj.xml");
    default: return QString();
    }
}

QString TConverterRun::DefaultProgram(int kind)
{
    switch (kind) {
    case 1: return QStringLiteral("WSDLProc.exe");
    case 2: return QStringLiteral("WSDLObjt.exe");
    default: return QString();
    }
}

QString TConverterRun::ProgramField(int kind)
{
    switch (kind) {
    case 1: return QStringLiteral("Program for procedural languages");
    case 2: return QStringLiteral("Program for object oriented languages");
    default: return QString();
    }
}

// ---- Widget-free helpers -----------------------------------------------------------

QString TConverterRun::ExtensionOf(const QString &path)
{
    const QString name = QFileInfo(path).fileName();
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    return dot < 0 ? QString() : name.mid(dot);
}

QString TConverterRun::BaseNameOf(const QString &path)
{
    const QString name = QFileInfo(path).fileName();
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    return dot < 0 ? name : name.left(dot);
}

QString TConverterRun::ShortExtension(const QString &path)
{
    return Staging::ShortExtension(path);
}

QStringList TConverterRun::StagingLines(const QStringList &paths, const QList<bool> &checked,
                                        const QString &stagingDir, QStringList &longExtensions)
{
    QStringList lines;
    for (int p = 0; p < paths.size(); ++p) {
        if (p >= checked.size() || !checked[p])
            continue;
        const QString &path = paths[p];
        const QString extension = ExtensionOf(path);
        const QString shortExtension = ShortExtension(path);
        lines << QStringLiteral("CMP") + num4(p + 1) + QLatin1Char('=') + BaseNameOf(path);
        lines << QStringLiteral("XCPY") + num4(p) + QLatin1Char('=') + stagingDir + QLatin1Char('/')
                     + QStringLiteral("CMP") + num4(p + 1) + shortExtension;
        if (extension.size() > 4) {
            TWorkbenchSettings::SetValueIn(longExtensions, extension, shortExtension);
            TWorkbenchSettings::SetValueIn(longExtensions, shortExtension, extension);
        }
    }
    return lines;
}

QStringList TConverterRun::ParameterLines(const TParameterJob &job, int kind, bool *listsFile)
{
    const QString root = UpperCase(job.AppName);
    QStringList l;
    l << QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\" ?>") + QString(17, QLatin1Char(' '));
    l << QLatin1Char('<') + root + QLatin1Char('>');
    l << QStringLiteral(" <Names") + QString(49, QLatin1Char(' '));
    l << QStringLiteral("  ProductName = \"") + xmlAttribute(job.ProductName) + QLatin1Char('"');
    l << QStringLiteral("  SystemName  = \"") + xmlAttribute(job.SystemName) + QLatin1Char('"');
    l << QStringLiteral(" />");
    l << QStringLiteral(" <Directories>");
    l << QStringLiteral("  ") + element(QStringLiteral("Orig_Input_Dir"), job.CommonRoot);
    l << QStringLiteral("  ") + element(QStringLiteral("Input_Dir"), QStringLiteral("workinp"));
    l << QStringLiteral("  ") + element(QStringLiteral("Orig_Output_Dir"), job.OutputDir);
    l << QStringLiteral("  ") + element(QStringLiteral("Output_Dir"), QStringLiteral("."));
    l << QStringLiteral("  ") + element(QStringLiteral("Work_Dir"), QStringLiteral("./work"));
    l << QStringLiteral(" </Directories>");
    bool listed = false;
    if (!job.Paths.isEmpty()) {
        l << QStringLiteral(" <Files>");
        for (int p = 0; p < job.Paths.size(); ++p) {
            if (p >= job.Checked.size() || !job.Checked[p] || p >= job.Kinds.size() || job.Kinds[p] != kind)
                continue;
            const int n = p + 1;
            l << QStringLiteral("  ") + element(QStringLiteral("Orig_File_") + num4(n), job.Paths[p]);
            l << QStringLiteral("  ")
                     + element(QStringLiteral("File_") + num4(n),
                               QStringLiteral("CMP") + num4(n) + ShortExtension(job.Paths[p]));
            listed = true;
        }
        l << QStringLiteral(" </Files>");
    }
    l << QStringLiteral("</") + root + QLatin1Char('>');
    if (listsFile)
        *listsFile = listed;
    return l;
}

QStringList TConverterRun::DOSBoxConfigLines(const QStringList &baseLines, const QString &program,
                                             const QStringList &arguments)
{
    return ToolProcess::DOSBoxConfigLines(baseLines, program, arguments);
}

int TConverterRun::CountOrDeleteFiles(const QString &folder, const QString &subfolder, int depth, bool countOnly,
                                      const QString &mask)
{
    return Staging::CleanFolder(folder, subfolder, depth, countOnly, mask);
}

bool TConverterRun::RunAndWait(const QString &program, const QStringList &arguments, const QString &folder)
{
    return ToolProcess::RunAndWait(program, arguments, folder);
}

QString TConverterRun::ElapsedText(qint64 milliseconds)
{
    return ToolProcess::ElapsedText(milliseconds);
}

// ---- The run ---------------------------------------------------------------------------

TConverterRun::TConverterRun(IConverterRunHost &host, QObject *parent)
    : QObject(parent), m_host(host)
{
}

TConverterRun::~TConverterRun()
{
    m_destroying = true;
    if (m_watcher) {
        m_watcher->Terminate();
        if (m_process && m_process->state() != QProcess::NotRunning) {
            m_process->kill();
            m_process->waitForFinished(3000);
        }
        WaitForWatcher();
    }
    releaseProcess();
    restoreWatchCursor();
}

bool TConverterRun::Watching() const
{
    return m_watcher && m_watcher->isRunning();
}

bool TConverterRun::InHandOver() const
{
    return Watching() && m_watcher->Serving();
}

QList<TConverterRun::TSource> TConverterRun::sources()
{
    const QStringList lines = m_host.sourceLines();
    const QStringList paths = m_host.holderPaths();
    const QList<int> kinds = m_host.holderKinds();
    QList<TSource> result;
    result.reserve(lines.size());
    for (int p = 0; p < lines.size(); ++p) {
        TSource s;
        // Split as the list writes its lines: a path may hold "=" itself.
        s.Path = TSourceList::LinePath(lines[p]);
        s.Checked = m_host.sourceChecked(p);
        int n = -1;
        if (TSourceList::LineNumber(lines[p], n) && n >= 0 && n < paths.size()) {
            s.Path = paths[n];
            s.Kind = n < kinds.size() ? kinds[n] : 0;
        }
        result << s;
    }
    return result;
}

QString TConverterRun::outputFile(const QString &name)
{
    return outputDir() + QLatin1Char('/') + name;
}

bool TConverterRun::insideOutput(const QString &path)
{
    const QString root = QFileInfo(outputDir()).canonicalFilePath();
    if (root.isEmpty() || path.isEmpty())
        return false;
    // A link in the target's place is written through, even when it points
    // nowhere yet: its target is what counts.
    QString absolute = QDir::cleanPath(QFileInfo(path).absoluteFilePath());
    for (int hops = 0; QFileInfo(absolute).isSymLink(); ++hops) {
        if (hops == 40)
            return false;
        absolute = QDir::cleanPath(QFileInfo(absolute).symLinkTarget());
    }
    // Resolve the deepest existing folder (links included) and keep the rest
    // as written: what will be created there is what counts.
    QStringList tail{QFileInfo(absolute).fileName()};
    QString folder = QFileInfo(absolute).path();
    while (!QFileInfo(folder).isDir()) {
        const QFileInfo fi(folder);
        if (fi.path() == folder || fi.isSymLink()) // a dangling link on the way is not followed
            return false;
        tail.prepend(fi.fileName());
        folder = fi.path();
    }
    const QString canonical = QFileInfo(folder).canonicalFilePath();
    if (canonical.isEmpty())
        return false;
    const QString resolved = canonical + QLatin1Char('/') + tail.join(QLatin1Char('/'));
    return resolved.startsWith(root + QLatin1Char('/')) && !tail.contains(QStringLiteral(".."));
}

void TConverterRun::ensureInsideOutput(const QString &path)
{
    if (!insideOutput(path))
        throw EConverterRunError(QStringLiteral("Target is outside the output directory: ") + path);
}

void TConverterRun::setCaptionSuffix(const QString &suffix)
{
    QString caption = m_host.caption();
    const qsizetype at = caption.lastIndexOf(kLastBatch);
    if (at >= 0)
        caption.truncate(at);
    m_host.setCaption(caption + suffix);
}

QStringList TConverterRun::ConverterArguments(int kind) const
{
    QStringList arguments{ParameterFile(kind)};
    if (m_host.runFlags().CaptureLog)
        arguments << QStringLiteral(">") << kConsoleLog;
    return arguments;
}

namespace {

// Brackets a list of imports, however the list ends.
class TImportsUnderway
{
public:
    explicit TImportsUnderway(IConverterRunHost &host) : m_host(host)
    {
        if (m_host.ImportsUnderway)
            m_host.ImportsUnderway(true);
    }
    ~TImportsUnderway()
    {
        if (m_host.ImportsUnderway)
            m_host.ImportsUnderway(false);
    }
    TImportsUnderway(const TImportsUnderway &) = delete;
    TImportsUnderway &operator=(const TImportsUnderway &) = delete;

private:
    IConverterRunHost &m_host;
};

} // namespace

void TConverterRun::importWsdl(const QString &path)
{
    if (m_host.ImportWsdl)
        m_host.ImportWsdl(path);
}

// ---- Commands --------------------------------------------------------------------------

void TConverterRun::ActRunTool()
{
    IReporter *bar = m_host.reporter();
    if (Watching() || m_host.batchRunning())
        bar->ShowError(QStringLiteral("Only viewing,Save,Cancel & Exit are allowed when processing"), false);
    m_host.leaveOutputDirectory();
    m_runFolders = {};
    const QString out = m_host.outputDirectory();
    if (out.isEmpty())
        bar->ShowError(QStringLiteral("You have to set the output directory(s) first!"), false);
    // The folders stay those of the start while the run lasts: the field may
    // be edited meanwhile, and the cleanup deletes below them.
    m_runFolders = {out, m_host.workDir(), m_host.stagingDir()};
    const TScopeGuard keepFolders([this] {
        if (!Watching())
            m_runFolders = {};
    });
    m_startTime = QDateTime::currentDateTime();
    m_elapsed.start();
    m_stopRequested = false;
    m_cancelReportPending = false;
    setCaptionSuffix(QStringLiteral(" Last batch started at: ") + m_startTime.toString(QStringLiteral("hh:mm:ss")));
    m_host.showNamesPage();

    ImportOriginalWsdlFiles();
    if (!PrepareConverterRun()) {
        setCaptionSuffix(QStringLiteral(" Last batch runtime: ") + ElapsedText(m_elapsed.elapsed()));
        return;
    }

    m_host.setLogViewsEnabled(false);
    const QString productLog = out + QStringLiteral("/Exports/") + m_host.systemName() + QStringLiteral(".log");
    if (insideOutput(productLog))
        QFile::remove(productLog);

    // Everything that lets events run comes before the start: the watcher's
    // completion must not overtake the set-up of the run.
    const int kind = m_firstKind;
    IProgress *progress = m_host.progress();
    if (progress)
        progress->StartPingPong(20, kRunTitle + ParameterFile(kind));
    m_host.setCancelRunEnabled(true);
    bool started = false;
    try {
        started = StartConverter(m_programs[kind], ConverterArguments(kind), out);
    } catch (...) {
        m_host.setCancelRunEnabled(false);
        m_host.setLogViewsEnabled(true);
        throw;
    }
    m_host.setBatchRunning(started);
    if (progress)
        progress->ShowProgressWindow(true);
}

void TConverterRun::requestStop()
{
    if (!m_stopRequested) {
        m_stopRequested = true;
        m_stopDeadline = QDeadlineTimer(KillGraceMs);
    }
    const QString semaphore = outputFile(kSemaphore);
    if (insideOutput(semaphore)) {
        QFile file(semaphore);
        if (file.open(QIODevice::WriteOnly))
            file.close();
    }
    m_host.setCancelRunEnabled(false);
}

void TConverterRun::ActCancelRun()
{
    if (!m_host.batchRunning())
        return;
    if (m_host.reporter()->Ask(TMsgDlgType::Warning, QStringLiteral("Do you really want to cancel processing?"),
                               mbYesNo, mbNo)
        != mbYes)
        return;
    requestStop();
    if (InHandOver()) {
        // Raised while a tick lets events run: the watcher cannot be awaited
        // from here. The completion follows once the tick returns and reports
        // the cancel after its own message.
        m_cancelReportPending = true;
        throw EAbort();
    }
    WaitForWatcher();
    // A run flag without a watcher (a job saved during a run) would keep
    // every command locked.
    if (!Watching() && m_host.batchRunning())
        m_host.setBatchRunning(false);
    m_host.reporter()->ShowError(QStringLiteral("Background process cancelled!"), false);
}

void TConverterRun::StopRunForClose()
{
    m_host.markModified();
    requestStop();
    WaitForWatcher();
    m_host.setCancelRunEnabled(false);
    if (!Watching() && m_host.batchRunning())
        m_host.setBatchRunning(false);
    m_host.reporter()->ShowError(QStringLiteral("Background process cancelled!"), false);
}

void TConverterRun::WaitForWatcher()
{
    // A completion may start the second converter with a watcher of its own.
    // Inside one of the watcher's own hand-overs (a cancel raised while a
    // tick lets events run) nothing can be awaited: the completion follows
    // once that hand-over has returned.
    while (m_watcher && m_watcher->isRunning() && !m_watcher->Serving())
        TTarvellToolWatcherThread::WaitFor(m_watcher.data());
}

// ---- Steps -----------------------------------------------------------------------------

bool TConverterRun::ImportOriginalWsdlFiles()
{
    const QString wsdlDir = outputFile(kWsdlDir);
    bool any = false;
    // A document that cannot be imported, or a stop, ends the run command
    // before anything is staged; the list still shows what came in.
    const TScopeGuard refresh([this] { m_host.refreshSourceList(); });
    const TImportsUnderway underway(m_host);
    for (const TSource &s : sources()) {
        if (!s.Checked || s.Kind != 3)
            continue;
        importWsdl(s.Path);
        const QString target = wsdlDir + QLatin1Char('/') + BaseNameOf(s.Path) + QStringLiteral(".wsdl");
        ensureInsideOutput(target);
        QDir().mkpath(wsdlDir);
        const QString sourceCanonical = QFileInfo(s.Path).canonicalFilePath();
        // A WSDL file already kept in WSDLDir is its own copy: deleting the
        // "existing target" would delete the source.
        if (sourceCanonical.isEmpty() || sourceCanonical != QFileInfo(target).canonicalFilePath()) {
            if (QFileInfo::exists(target) || QFileInfo(target).isSymLink())
                QFile::remove(target);
            CopyFileTo(s.Path, target);
        }
        any = true;
    }
    return any;
}

bool TConverterRun::WriteConverterParameters(int kind)
{
    m_host.checkSourcesSelected();
    TParameterJob job;
    job.AppName = m_host.appName();
    if (job.AppName.isEmpty())
        job.AppName = QStringLiteral("Quenbar");   // an empty root element would make the file unreadable
    job.ProductName = m_host.productName();
    job.SystemName = m_host.systemName();
    job.CommonRoot = m_host.commonRoot();
    job.OutputDir = outputDir();
    for (const TSource &s : sources()) {
        job.Paths << s.Path;
        job.Kinds << s.Kind;
        job.Checked << s.Checked;
    }
    bool listed = false;
    const QStringList lines = ParameterLines(job, kind, &listed);
    const QString file = outputFile(ParameterFile(kind));
    ensureInsideOutput(file);
    TextFile::writeLines(file, lines);
    return listed;
}

bool TConverterRun::PrepareConverterRun()
{
    IReporter *bar = m_host.reporter();
    IProgress *progress = m_host.progress();
    const TConverterRunFlags flags = m_host.runFlags();
    const QString out = outputDir();
    m_firstKind = 0;
    m_kinds = 0;

    if (!QFileInfo::exists(outputFile(ParameterFile(1))) && !QFileInfo::exists(outputFile(ParameterFile(2)))
        && !QFileInfo(outputFile(kWsdlDir)).isDir()) {
        if (bar->Ask(TMsgDlgType::Warning,
                     QStringLiteral("Your current output directory \r\n") + out
                         + QStringLiteral("\r\nhasn't been used yet\r\ndo you really want to use this directory for output?"),
                     mbYesNo, 0)
            != mbYes)
            bar->ShowError(QStringLiteral("Go and select another output directory,and then try again"), false);
    }

    const QString workDir = runWorkDir();
    const QString stagingDir = runStagingDir();
    QDir().mkpath(out);
    ensureInsideOutput(workDir);
    ensureInsideOutput(stagingDir);
    QDir().mkpath(workDir);
    QDir().mkpath(stagingDir);

    m_host.waitCursor(true);
    const TScopeGuard cursor([this] { m_host.waitCursor(false); });
    bool busy = false;
    struct TRestore
    {
        std::function<void()> run;
        ~TRestore()
        {
            try {
                run();
            } catch (...) {
            }
        }
    } restore{[&] {
        if (busy)
            m_host.setBusyPreparing(false);
        m_host.updateSourceCountCaption();
        if (progress)
            progress->ShowProgressWindow(false);
    }};

    m_host.setNewFileNames(QStringList());
    const QList<TSource> list = sources();
    QStringList paths;
    QList<bool> checked;
    for (const TSource &s : list) {
        paths << s.Path;
        checked << s.Checked;
    }
    QStringList longExtensions = m_host.longExtensions();
    QStringList lines = StagingLines(paths, checked, stagingDir, longExtensions);
    m_host.setLongExtensions(longExtensions);
    std::function<void()> pump;
    int compares = 0;
    if (lines.size() > flags.BigDirectoryLimit)
        pump = [&compares] {
            if (++compares % 256 == 0)
                QCoreApplication::processEvents();
        };
    SortListByName(lines, pump);
    m_host.setNewFileNames(lines);

    for (int kind = 1; kind <= ConverterKinds; ++kind)
        m_programs[kind] = m_host.converterProgram(kind);

    if (WriteConverterParameters(1)) {
        m_firstKind = 1;
        m_kinds = 1;
    }
    if (WriteConverterParameters(2)) {
        if (m_firstKind == 0)
            m_firstKind = 2;
        ++m_kinds;
    }

    if (m_kinds > 0) {
        CountOrDeleteFiles(stagingDir, QString(), m_host.maxDirDepth() + 1, false, QStringLiteral("CMP####"));
        CountOrDeleteFiles(out, QString(), 1, false, QStringLiteral("CMP####"));
        QDir().mkpath(workDir);
        QDir().mkpath(stagingDir);

        int staged = 0;
        for (const QString &line : lines)
            if (ListName(line).startsWith(QLatin1String("XCPY")))
                ++staged;
        if (progress) {
            progress->StartCounting(staged, QStringLiteral("Preparing directories"));
            if (staged > flags.BigDirectoryLimit)
                progress->ShowProgressWindow(true);
        }
        m_host.setBusyPreparing(true);
        busy = true;
        for (const QString &line : lines) {
            const QString name = ListName(line);
            if (!name.startsWith(QLatin1String("XCPY")))
                continue;
            bool ok = false;
            const int p = name.mid(4).toInt(&ok);
            const bool known = ok && p >= 0 && p < list.size();
            const QString target = TextAfter(line, QStringLiteral("="));
            if (known && QFileInfo(list[p].Path).isFile()) {
                ensureInsideOutput(target);
                CopyFileTo(list[p].Path, target);
            } else {
                if (known)
                    m_host.disableSource(p);
                bar->ShowWarning(QStringLiteral("Some input files cannot be found!"));
            }
            if (progress)
                progress->StepProgress();
            else
                QCoreApplication::processEvents();
            if (m_host.stopRequested()) {
                if (m_host.reporter()->Ask(TMsgDlgType::Confirmation,
                                           QStringLiteral("The User requested to stop the process, please confirm?"),
                                           mbYesNo, 0)
                    == mbYes)
                    bar->ShowError(QStringLiteral("Process aborted on user request!"), false);
                m_host.clearStopRequest();
            }
        }
        m_host.setBusyPreparing(false);
        busy = false;
        QDir().mkpath(outputFile(kWsdlDir));
        QDir().mkpath(workDir);
        QDir().mkpath(stagingDir);
    }
    return m_kinds > 0;
}

bool TConverterRun::StartConverter(const QString &program, const QStringList &arguments, const QString &folder)
{
    const TConverterRunFlags flags = m_host.runFlags();
    if (m_process && m_process->state() != QProcess::NotRunning)
        throw EConverterRunError(QStringLiteral("Only viewing,Save,Cancel & Exit are allowed when processing"));
    releaseProcess();
    QFile::remove(outputFile(kSemaphore));
    QFile::remove(outputFile(kConsoleLog));

    ToolProcess::TRequest request;
    request.program = program;
    request.arguments = arguments;
    request.folder = folder;
    request.blindRun = flags.BlindRun;
    request.dosBoxActive = flags.DOSBoxActive;
    request.dosBoxProgram = flags.DOSBoxProgram;
    request.dosBoxConfigFile = flags.DOSBoxConfigFile;
    request.checkInside = [this](const QString &path) { ensureInsideOutput(path); };
    ToolProcess::TStarted started;
    try {
        started = ToolProcess::Start(request, &m_lastCommandLine);
    } catch (const EToolStartError &e) {
        throw EConverterRunError(e.message());
    }
    std::unique_ptr<QProcess> process = std::move(started.process);
    const QString command = started.program;
    m_process = std::move(process);
    m_processProgram = command;
    m_killed = false;
    m_stopDeadline = QDeadlineTimer(QDeadlineTimer::Forever);
    auto *watcher = new TTarvellToolWatcherThread();   // frees itself when it ends
    watcher->ProcessEnded = [this] { return processEnded(); };
    watcher->OnProgress = [this] { progressTick(); };
    watcher->OnCompleted = [this] { converterEnded(); };
    m_watcher = watcher;
    connect(m_process.get(), &QProcess::finished, this, [this] {
        if (m_watcher)
            m_watcher->Wake();
    });
    if (!m_watchCursor) {
        m_host.watchCursor(true);
        m_watchCursor = true;
    }
    watcher->Start();
    return true;
}

void TConverterRun::CollectConverterResults()
{
    const QString out = outputDir();
    QStringList results;
    for (const QString &name : QDir(out).entryList(QDir::Files, QDir::NoSort))
        if (StartsWithText(QStringLiteral("CMP"), name) && SameText(ExtensionOf(name), QStringLiteral(".wsd")))
            results << name;
    std::sort(results.begin(), results.end(),
              [](const QString &a, const QString &b) { return CompareText(a, b) < 0; });
    if (results.isEmpty())
        return;
    QStringList names = m_host.newFileNames();
    SortListByName(names);   // the lookup below searches a sorted list
    const QString wsdlDir = outputFile(kWsdlDir);
    ensureInsideOutput(wsdlDir);
    QDir().mkpath(wsdlDir);
    const TImportsUnderway underway(m_host);
    for (const QString &result : results) {
        const QString base = BaseNameOf(result);
        const int at = FindFirstByName(names, base);
        QString sourceBase = at >= 0 ? TextAfter(names[at], QStringLiteral("=")) : QString();
        // A result without a usable source name keeps its own name rather
        // than becoming ".wsdl" or leaving the folder.
        if (!plainFileName(sourceBase))
            sourceBase = base;
        const QString target = wsdlDir + QLatin1Char('/') + sourceBase + QStringLiteral(".wsdl");
        // The first failure ends the collection; the run reports it.
        ensureInsideOutput(target);
        if (QFileInfo::exists(target) || QFileInfo(target).isSymLink())
            QFile::remove(target);
        MoveFileTo(out + QLatin1Char('/') + result, target);
        importWsdl(target);
    }
}

void TConverterRun::CleanupAfterRun()
{
    const TConverterRunFlags flags = m_host.runFlags();
    if (!flags.DeleteAfter)
        return;
    m_host.waitCursor(true);
    const TScopeGuard cursor([this] { m_host.waitCursor(false); });
    const QString out = outputDir();
    if (flags.DeleteAfterControl) {
        QFile::remove(outputFile(ParameterFile(1)));
        QFile::remove(outputFile(ParameterFile(2)));
        CountOrDeleteFiles(out, QString(), 1, false, QStringLiteral("LAST####"));
    }
    const QStringList names = m_host.newFileNames();
    for (qsizetype i = names.size() - 1; i >= 0; --i) {
        if (!ListName(names[i]).startsWith(QLatin1String("XCPY")))
            continue;
        // The text is editable: only files inside the output directory go.
        const QString file = TextAfter(names[i], QStringLiteral("="));
        if (insideOutput(file))
            QFile::remove(file);
    }
    const QString workDir = runWorkDir();
    if (insideOutput(workDir))
        CountOrDeleteFiles(workDir, QString(), 99, false, QString());
    const QString stagingDir = runStagingDir();
    if (insideOutput(stagingDir))
        QDir().rmdir(stagingDir);
}

// ---- Watcher hand-overs ----------------------------------------------------------------

bool TConverterRun::processEnded()
{
    if (!m_process || m_process->state() == QProcess::NotRunning)
        return true;
    if (m_stopRequested && m_stopDeadline.hasExpired()) {
        // The converter ignored the semaphore: end it rather than wait forever.
        m_process->kill();
        m_process->waitForFinished(5000);
        m_killed = true;
        return true;
    }
    return false;
}

void TConverterRun::progressTick()
{
    if (m_destroying)
        return;
    IProgress *progress = m_host.progress();
    if (!progress)
        return;
    try {
        progress->PingPongProgress(false);
    } catch (const EAbort &) {
        // The user confirmed a stop in the progress window: stop the
        // converter the same way a cancel does, so the run still ends cleanly.
        requestStop();
    } catch (...) {
        ReportCurrentException(m_host.reporter());
    }
}

void TConverterRun::releaseProcess()
{
    if (!m_process)
        return;
    m_process->disconnect(this);
    if (m_process->state() != QProcess::NotRunning) {
        m_process->kill();
        m_process->waitForFinished(3000);
    }
    m_process.reset();
}

void TConverterRun::restoreWatchCursor()
{
    if (m_watchCursor) {
        m_host.watchCursor(false);
        m_watchCursor = false;
    }
}

void TConverterRun::converterEnded()
{
    restoreWatchCursor();
    if (m_destroying) {
        releaseProcess();
        return;
    }
    IReporter *bar = m_host.reporter();
    QString failure;
    try {
        const bool killed = m_killed;
        const bool crashed = m_process && !killed && m_process->exitStatus() == QProcess::CrashExit;
        const QString commandLine = m_lastCommandLine.trimmed();
        m_host.setBatchRunning(false);
        if (IProgress *progress = m_host.progress()) {
            progress->ShowProgressWindow(false);
            progress->StartPingPong(100, kRunTitle + (m_firstKind == 1 ? ParameterFile(2) : QString()));
        }
        if (killed)
            bar->AddError(QStringLiteral("The converter did not stop on request and was terminated: ") + commandLine, true);
        if (crashed)
            failure = QStringLiteral("The converter ended abnormally: ") + commandLine;

        // After a cancel or a crash the second converter is not started.
        if (m_kinds == 2 && failure.isEmpty() && !m_stopRequested) {
            m_kinds = 0;
            releaseProcess();
            try {
                const bool started = StartConverter(m_programs[2], ConverterArguments(2), outputDir());
                m_host.setBatchRunning(started);
                if (IProgress *progress = m_host.progress())
                    progress->ShowProgressWindow(true);
                return;
            } catch (...) {
                failure = CurrentErrorText();
                if (failure.isEmpty())
                    failure = ErrorWithoutMessageText();
            }
        }
    } catch (...) {
        failure = CurrentErrorText();
    }
    m_kinds = 0;
    releaseProcess();
    finishRun(failure);
}

void TConverterRun::finishRun(const QString &failure)
{
    IReporter *bar = m_host.reporter();
    try {
        CollectConverterResults();
        CleanupAfterRun();
        const QString out = outputDir();
        QDir().rmdir(out + QLatin1Char('/') + kWsdlDir);
        QDir().rmdir(out + QStringLiteral("/ExportDir"));
        if (plainFileName(m_host.systemName()))
            QDir().rmdir(out + QLatin1Char('/') + m_host.systemName());
        m_host.setLogViewsEnabled(true);
        m_host.viewProductLog();
        if (IProgress *progress = m_host.progress())
            progress->ShowProgressWindow(false);
        m_host.refreshSourceList();
        m_host.setApplicationTitle(QStringLiteral("Completed - ") + m_host.jobName());
        if (!failure.isEmpty())
            throw EConverterRunError(failure);
        if (m_host.cancelRunEnabled())
            bar->ShowWarning(QStringLiteral("Analysis completed, processing finished"));
        else
            bar->ShowError(QStringLiteral("Process cancelled, analysis incomplete!"), true);
    } catch (const EAbort &) {
        bar->ShowError(kBroken + kOperationAborted, true); // a stop in the progress window
    } catch (...) {
        const QString message = CurrentErrorText();
        if (!message.isEmpty())
            bar->ShowError(kBroken + message, true);
    }
    try {
        m_host.setCancelRunEnabled(false);
        setCaptionSuffix(QStringLiteral(" Last batch runtime: ") + ElapsedText(m_elapsed.elapsed()));
        if (std::exchange(m_cancelReportPending, false))
            bar->ShowError(QStringLiteral("Background process cancelled!"), true);
    } catch (...) {
        ReportCurrentException(bar);
    }
    m_runFolders = {};
    emit runEnded();
}
