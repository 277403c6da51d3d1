#include "ToolRunner.h"

#include "Errors.h"
#include "Reporting.h"
#include "SharedRoutinesCommon.h"
#include "TarvellToolWatcherThread.h"
#include "TextFile.h"

#include <QDir>
#include <QFile>
#include <QTime>

// ---- Console lines ------------------------------------------------------------------------

QStringList TConsoleLineSplitter::Feed(QStringView chunk)
{
    QStringList lines;
    qsizetype start = 0;
    if (m_afterCR && !chunk.isEmpty() && chunk.front() == u'\n')
        start = 1; // the LF of a CR LF that the last chunk ended in
    m_afterCR = false;
    for (qsizetype i = start; i < chunk.size(); ++i) {
        const QChar c = chunk[i];
        if (c != u'\r' && c != u'\n')
            continue;
        lines << m_pending + chunk.sliced(start, i - start).toString();
        m_pending.clear();
        if (c == u'\r') {
            if (i + 1 < chunk.size()) {
                if (chunk[i + 1] == u'\n')
                    ++i;
            } else {
                m_afterCR = true;
            }
        }
        start = i + 1;
    }
    m_pending += chunk.sliced(start).toString();
    return lines;
}

QStringList TConsoleLineSplitter::Flush()
{
    m_afterCR = false;
    if (m_pending.isEmpty())
        return {};
    QStringList last{m_pending};
    m_pending.clear();
    return last;
}

// ---- Commands and captions ----------------------------------------------------------------

TToolRunner::TCommand TToolRunner::CommandFor(TRunType type, bool commandFile, const QString &toolProgram,
                                              bool captureLog, const QString &commandRunner)
{
    TCommand command;
    if (type == TRunType::Analysis && commandFile) {
        command.program = commandRunner;
        command.arguments = {QStringLiteral("lastbatch.cmd")};
    } else {
        command.program = toolProgram;
        command.arguments = {QStringLiteral("last.xml")};
    }
    if (captureLog)
        command.arguments << QStringLiteral(">") << ConsoleLogName();
    return command;
}

QString TToolRunner::ProcessingCaption(const QString &jobName, int renamedModules, int modules, int renamedSources,
                                       int sources)
{
    return QStringLiteral("Started processing project %1 - Modules %2 of %3 - Sources %4 of %5")
        .arg(jobName)
        .arg(renamedModules)
        .arg(modules)
        .arg(renamedSources)
        .arg(sources);
}

QString TToolRunner::EntityCaption(const QString &jobName, int position, int maximum)
{
    return QStringLiteral("Started processing project %1 - Entity %2 of %3 ").arg(jobName).arg(position).arg(maximum);
}

QString TToolRunner::EntityCaption(const QString &jobName, int position, int maximum, const QString &entity)
{
    return QStringLiteral("Started processing project %1 - Entity %2 of %3 - %4")
        .arg(jobName)
        .arg(position)
        .arg(maximum)
        .arg(entity);
}

// ---- The run ------------------------------------------------------------------------------

TToolRunner::TToolRunner(IToolRunHost &host, QObject *parent) : QObject(parent), m_host(host)
{
}

TToolRunner::~TToolRunner()
{
    // The host may be half gone (a window that is host and parent): the
    // watcher's last hand-overs find the flag and touch nothing.
    m_destroying = true;
    if (m_process && m_process->state() != QProcess::NotRunning)
        ToolProcess::KillTree(*m_process, KillGraceMs);
    if (m_watcher) {
        m_watcher->Terminate();
        TTarvellToolWatcherThread::WaitFor(m_watcher);
    }
}

QString TToolRunner::outputFile(const QString &name) const
{
    return QDir(m_folder).filePath(name);
}

void TToolRunner::ResetProgress()
{
    m_progress = TRunProgress();
    NumberOfRenamedModules = 0;
    NumberOfRenamedSourceFiles = 0;
    if (Settings.consoleCapture) {
        m_progress.modulesMaximum = StagedFiles;
        m_progress.sourcesMaximum = 10 * NumberOfSourceFiles;
        m_progress.caption = EntityCaption(JobName, 0, StagedFiles);
    } else {
        m_progress.modulesMaximum = NumberOfModules;
        m_progress.sourcesMaximum = 10 * NumberOfSourceFiles;
        m_progress.caption = ProcessingCaption(JobName, 0, NumberOfModules, 0, NumberOfSourceFiles);
    }
}

bool TToolRunner::RunTool(const TRunRequest &request)
{
    IReporter *reporter = m_host.reporter();
    m_host.checkOutputDirectory();
    const QString checked = m_host.checkedOutputDirectory();
    const QString folder = checked.isEmpty() ? request.outputDirectory : checked;
    m_host.setBatchCaption(QStringLiteral(" Last batch started at: ") + QTime::currentTime().toString(QStringLiteral("hh:mm:ss")));
    m_host.showRunPages();
    if (!m_host.prepareRun(request.type))
        return false;
    m_host.setLogViewersEnabled(false);
    ResetProgress();
    m_host.showProgress(m_progress);
    QFile::remove(QDir(folder).filePath(QStringLiteral("Exports/") + request.systemName + QStringLiteral(".log")));
    if (!m_host.languageInstalled()
        && reporter->Ask(TMsgDlgType::Confirmation,
                         QStringLiteral("At least one of the required components for this \r\nlanguage was not found at "
                                        "startup. This may lead to processing \r\nerrors. You had better to revise your "
                                        "installation.\r\nShould I proceed ? "),
                         mbYesNo, mbYes)
               != mbYes) {
        m_host.hideProgress();
        reporter->ErrorAndAbort(QStringLiteral("Incorrect installation, processing stopped"));
        return false;
    }
    const TCommand command =
        CommandFor(request.type, request.commandFile, request.toolProgram, Settings.captureLog, Settings.commandRunner);
    bool started = false;
    try {
        started = StartProcess(command.program, command.arguments, folder, request.type);
    } catch (const EToolStartError &) {
        m_host.hideProgress();
        throw;
    }
    if (!started)
        m_host.hideProgress();
    return started;
}

bool TToolRunner::Running() const
{
    return m_process && m_process->state() != QProcess::NotRunning;
}

bool TToolRunner::Watching() const
{
    return !m_watcher.isNull();
}

void TToolRunner::setCancelEnabled(bool enabled)
{
    m_cancelEnabled = enabled;
    m_host.setCancelRunEnabled(enabled);
}

bool TToolRunner::StartProcess(const QString &program, const QStringList &arguments, const QString &folder, TRunType type)
{
    IReporter *reporter = m_host.reporter();
    if (Watching())
        throw EQuenbarError(QStringLiteral("Only viewing,Save,Cancel & Exit are allowed when processing"));
    if (Prohibited) {
        reporter->ShowError(QStringLiteral("Batch run prohibited : ") + program + QLatin1Char(' ')
                                + arguments.join(QLatin1Char(' ')),
                            true);
        return false;
    }
    m_folder = folder;
    m_type = type;
    QFile::remove(outputFile(SemaphoreName()));
    QFile::remove(outputFile(ConsoleLogName()));

    ToolProcess::TRequest request;
    request.folder = folder;
    request.blindRun = Settings.blindRun;
    request.dosBoxActive = Settings.dosBoxActive;
    request.dosBoxProgram = Settings.dosBoxProgram;
    request.dosBoxConfigFile = Settings.dosBoxConfigFile;
    m_capturing = Settings.consoleCapture;
    if (m_capturing) {
        // The relay starts the real program and passes its console on; the
        // pane is saved as the console log at the end.
        request.program = Settings.relayProgram;
        request.arguments << program;
        for (qsizetype i = 0; i < arguments.size(); ++i) {
            if (arguments[i] == QLatin1String(">") && i + 1 < arguments.size())
                ++i;
            else
                request.arguments << arguments[i];
        }
        request.pipes = true;
    } else {
        request.program = program;
        request.arguments = arguments;
    }
    const QString root = QDir(folder).absolutePath();
    request.checkInside = [root](const QString &path) {
        const QString absolute = QDir::cleanPath(QDir(root).absoluteFilePath(path));
        if (!absolute.startsWith(WithTrailingChar(root, QLatin1Char('/'))))
            throw EToolStartError(QStringLiteral("%1 lies outside the output directory %2").arg(absolute, root));
    };
    ToolProcess::TStarted started = ToolProcess::Start(request, &m_lastCommandLine);
    m_process = std::move(started.process);
    m_splitter = TConsoleLineSplitter();
    m_decoder = std::make_unique<QStringDecoder>(QStringDecoder::System);
    m_consoleLog.reset();
    m_consoleLineCount = 0;
    if (m_capturing) {
        try {
            m_consoleLog = std::make_unique<TextFile::TWriter>(outputFile(ConsoleLogName()));
        } catch (const EQuenbarError &e) {
            m_host.reporter()->AddError(e.message(), true);   // the run goes on without its log
        }
    }
    m_stopRequested = false;
    m_killDeadline = QDeadlineTimer(QDeadlineTimer::Forever);
    m_elapsed.start();
    m_host.setBatchRunning(true);

    auto *watcher = new TTarvellToolWatcherThread(); // frees itself when it ends
    watcher->ProcessEnded = [this] { return processEnded(); };
    watcher->OnProgress = [this] { progressTick(); };
    watcher->OnCompleted = [this] { completion(); };
    watcher->TickAfterWait = true;
    m_watcher = watcher;
    connect(m_process.get(), &QProcess::finished, this, [this] {
        if (m_watcher)
            m_watcher->Wake();
    });
    setCancelEnabled(true);
    watcher->Start();
    return true;
}

bool TToolRunner::processEnded()
{
    if (m_destroying || !m_process || m_process->state() == QProcess::NotRunning)
        return true;
    // A tool that does not stop on the cancel request is ended after the grace.
    if (m_stopRequested && m_killDeadline.hasExpired()) {
        m_host.reporter()->AddError(QStringLiteral("The tool did not stop on request and was terminated: ")
                                        + m_lastCommandLine.trimmed(),
                                    true);
        ToolProcess::KillTree(*m_process, KillGraceMs);
        return true;
    }
    return false;
}

void TToolRunner::progressTick()
{
    if (m_destroying)
        return;
    try {
        m_host.countArrived();
        if (m_capturing) {
            pumpConsole();
        } else {
            m_progress.modulesPosition = NumberOfRenamedModules;
            m_progress.sourcesPosition += 2;
            m_progress.caption = ProcessingCaption(JobName, NumberOfRenamedModules, NumberOfModules,
                                                   NumberOfRenamedSourceFiles, NumberOfSourceFiles);
        }
        if (m_progress.sourcesPosition >= m_progress.sourcesMaximum)
            m_progress.sourcesPosition = 0;
        m_host.showProgress(m_progress);
    } catch (const EAbort &) {
        // A silent stop ends this tick only.
    } catch (const EQuenbarError &e) {
        m_host.reporter()->AddError(e.message(), true);
    }
}

void TToolRunner::pumpConsole()
{
    if (!m_process)
        return;
    const QByteArray bytes = m_process->readAllStandardOutput();
    if (bytes.isEmpty()) {
        // Tools that wait for Enter get one.
        if (m_process->state() == QProcess::Running)
            m_process->write("\r\n");
        return;
    }
    const QString marker = Kind == 5 || Kind == 6 ? QStringLiteral("Orig Text File =") : QStringLiteral("Orig Source File =");
    const bool marks = Kind == 0 || Kind == 1 || Kind == 3 || Kind == 4 || Kind == 5 || Kind == 6;
    for (const QString &line : m_splitter.Feed(QString(m_decoder->decode(bytes)))) {
        keepConsoleLine(line);
        ++m_progress.sourcesPosition;
        const qsizetype at = marks ? line.indexOf(marker) : -1;
        if (at < 0)
            continue;
        ++m_progress.modulesPosition;
        const QString entity = line.mid(at + marker.size()).trimmed();
        m_progress.caption = EntityCaption(JobName, m_progress.modulesPosition, m_progress.modulesMaximum, entity);
        m_progress.applicationTitle =
            QStringLiteral("%1 of %2 - %3").arg(m_progress.modulesPosition + 1).arg(m_progress.modulesMaximum).arg(JobName);
    }
}

void TToolRunner::keepConsoleLine(const QString &line)
{
    if (m_consoleLog) {
        try {
            m_consoleLog->writeLine(line);
            ++m_consoleLineCount;
        } catch (const EQuenbarError &e) {
            // A full disk loses the log, not the run.
            m_consoleLog.reset();
            m_host.reporter()->AddError(e.message(), true);
        }
    }
    m_host.consoleLine(line);
}

void TToolRunner::completion()
{
    if (m_destroying)
        return;
    IReporter *reporter = m_host.reporter();
    if (m_capturing && m_process) {
        QStringList rest = m_splitter.Feed(QString(m_decoder->decode(m_process->readAllStandardOutput())));
        rest << m_splitter.Flush();
        for (const QString &line : std::as_const(rest)) {
            keepConsoleLine(line);
        }
        m_process->closeWriteChannel();
    }
    m_host.setBatchRunning(false);
    // Exit codes are not read, but a tool that crashed has not done its work.
    if (m_process && m_process->state() == QProcess::NotRunning && m_process->exitStatus() == QProcess::CrashExit
        && !m_stopRequested)
        reporter->AddError(QStringLiteral("The tool ended abnormally: ") + m_lastCommandLine.trimmed(), true);
    try {
        m_host.postRun(m_type);
    } catch (const EAbort &) {
    } catch (const EQuenbarError &e) {
        reporter->AddError(e.message(), true);
    }
    m_host.hideProgress();
    if (m_consoleLog && m_consoleLineCount > 0) {
        try {
            m_consoleLog->commit();
        } catch (const EQuenbarError &e) {
            reporter->AddError(e.message(), true);
        }
    }
    m_consoleLog.reset();
    const bool cancelled = !m_cancelEnabled;
    if (cancelled)
        reporter->ShowError(QStringLiteral("Process cancelled, analysis incomplete!"), true);
    else
        reporter->ShowWarning(QStringLiteral("Analysis completed, processing finished"));
    setCancelEnabled(false);
    const QString runtime = ToolProcess::ElapsedText(m_elapsed.elapsed());
    m_host.setBatchCaption(QStringLiteral(" Last batch runtime: ") + runtime);
    m_host.setApplicationTitle(QStringLiteral("Completed - ") + JobName);
    m_host.runEnded(runtime, cancelled);
    emit runFinished(cancelled);
}

void TToolRunner::StopRun()
{
    if (!Watching())
        return;
    {
        QFile semaphore(outputFile(SemaphoreName()));
        if (!semaphore.open(QIODevice::WriteOnly))
            m_host.reporter()->AddError(QStringLiteral("Cannot create ") + semaphore.fileName(), true);
    }
    setCancelEnabled(false);
    m_stopRequested = true;
    m_killDeadline = QDeadlineTimer(KillGraceMs);
    WaitForWatcher();
}

void TToolRunner::WaitForWatcher()
{
    if (m_watcher)
        TTarvellToolWatcherThread::WaitFor(m_watcher);
}

void TToolRunner::CancelRun()
{
    if (!Watching())
        return;
    IReporter *reporter = m_host.reporter();
    if (reporter->Ask(TMsgDlgType::Warning, QStringLiteral("Do you really want to cancel processing?"), mbYesNo, mbNo)
        != mbYes)
        return;
    StopRun();
    reporter->ShowError(QStringLiteral("Background process cancelled!"), false);
}
