#pragma once
// The shell's tool runner: starts an external tool in the output directory,
// watches it through the watcher thread (every hand-over on the thread that
// owns the runner), keeps the progress counters and captions, pumps the
// console of a run through the relay, and ends the run with its post-run
// processing. Cancelling is a file, "Semaphore.xml", that the tools watch
// for; a tool that ignores it is killed after a grace period. No widget is
// touched: the window shows what the host interface hands it.

#include "TextFile.h"
#include "ToolProcess.h"

#include <QDateTime>
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringDecoder>
#include <QStringList>

#include <memory>

class IReporter;
class TTarvellToolWatcherThread;

enum class TRunType { Analysis = 1, ExportConversion = 2, PreScanner = 3, TestDesign = 4, TestTool = 5, Search = 6 };

// Console output read in chunks, as lines: CR LF, LF or CR end a line; a
// line whose end has not arrived yet waits for the next chunk, and a CR LF
// split over two chunks ends one line only.
class TConsoleLineSplitter
{
public:
    QStringList Feed(QStringView chunk);
    // The waiting incomplete line as a last line (the tool has ended).
    QStringList Flush();
    QString Pending() const { return m_pending; }

private:
    QString m_pending;
    bool m_afterCR = false;
};

// The bars and caption of a run.
struct TRunProgress
{
    int modulesPosition = 0;
    int modulesMaximum = 0;
    int sourcesPosition = 0;
    int sourcesMaximum = 0;
    QString caption;            // the progress caption
    QString applicationTitle;   // empty: unchanged
};

struct TRunSettings
{
    bool captureLog = false;     // Runcontrol.CaptureLog
    bool consoleCapture = false; // the console pane is fed through the relay
    bool blindRun = false;       // Runcontrol.Blindrun
    bool dosBoxActive = false;
    QString dosBoxProgram;
    QString dosBoxConfigFile;
    QString relayProgram;        // program folder + "console_stub"
    QString commandRunner;       // program folder + "cmdrun": runs "lastbatch.cmd"
};

class IToolRunHost
{
public:
    virtual ~IToolRunHost() = default;
    virtual IReporter *reporter() = 0;
    virtual void setBatchRunning(bool running) = 0; // marks the job as having a running batch
    virtual void setCancelRunEnabled(bool enabled) = 0;
    virtual void showProgress(const TRunProgress &progress) = 0;
    virtual void hideProgress() = 0;
    virtual void consoleLine(const QString &line) = 0;
    // Before each progress tick: the results arrived so far (the renamed counters).
    virtual void countArrived() {}
    // The completion's processing of the run type (converted exports, renaming, cleanup).
    virtual void postRun(TRunType type) = 0;
    // The run is over; runtime as "hh:nn:ss:zzz" for the caption.
    virtual void runEnded(const QString &runtime, bool cancelled) = 0;

    // The steps of a whole run (RunTool) around the tool's start.
    virtual void checkOutputDirectory() {}                  // as if the folder had been edited
    // The output directory after that check (it may move the run into a language folder); empty: as requested.
    virtual QString checkedOutputDirectory() { return QString(); }
    virtual void setBatchCaption(const QString &suffix) { Q_UNUSED(suffix); } // " Last batch started at: ..." / "runtime: ..."
    virtual void showRunPages() {}                          // "Names and datasets", the console pane cleared
    // The converter parameters (export file conversion) or the job's
    // staging and parameter files (every other run); false stops the run.
    virtual bool prepareRun(TRunType type) = 0;
    virtual void setLogViewersEnabled(bool enabled) { Q_UNUSED(enabled); }
    // The active language button was enabled at start (its components were found).
    virtual bool languageInstalled() { return true; }
    virtual void setApplicationTitle(const QString &title) { Q_UNUSED(title); }
};

class TToolRunner : public QObject
{
    Q_OBJECT
public:
    static QString SemaphoreName() { return QStringLiteral("Semaphore.xml"); }
    static QString ConsoleLogName() { return QStringLiteral("Console.log"); }

    // The program and arguments of a run type: the command file runs
    // through commandRunner (our cmdrun, which runs its lines as they are
    // written); with captureLog the arguments end in "> Console.log",
    // which the start turns into the standard output's file.
    struct TCommand
    {
        QString program;
        QStringList arguments;
    };
    static TCommand CommandFor(TRunType type, bool commandFile, const QString &toolProgram, bool captureLog,
                               const QString &commandRunner);

    static QString ProcessingCaption(const QString &jobName, int renamedModules, int modules, int renamedSources,
                                     int sources);
    static QString EntityCaption(const QString &jobName, int position, int maximum);
    static QString EntityCaption(const QString &jobName, int position, int maximum, const QString &entity);

    // The host must outlive the runner: a runner destroyed during a run
    // ends the tool without handing anything more to the host.
    TToolRunner(IToolRunHost &host, QObject *parent = nullptr);
    ~TToolRunner() override;

    TRunSettings Settings;
    bool Prohibited = false;       // "Stop before starting COBOL subtask"
    int KillGraceMs = 5000;        // a tool still running this long after the cancel request is killed
    QString JobName;
    int Kind = 0;                  // the application kind: which console line marks an entity
    // Counters of the run: the preparation's, the renamed ones the host counts.
    int NumberOfModules = 0;
    int NumberOfSourceFiles = 0;
    int NumberOfRenamedModules = 0;
    int NumberOfRenamedSourceFiles = 0;
    int StagedFiles = 0;           // the modules bar's maximum under console capture

    // Sets the bars and caption as a run begins (before StartProcess).
    void ResetProgress();
    // A whole run of the tool: the output directory check, the caption, the
    // preparation, the progress, the product log deleted, the question
    // when the language's installation is incomplete, then the start of
    // toolProgram (or of the command file) with "last.xml". False when
    // nothing was started.
    struct TRunRequest
    {
        TRunType type = TRunType::Analysis;
        QString toolProgram;       // the picker's program for the run type
        bool commandFile = false;  // "WAA" or name-by-directory: lastbatch.cmd
        QString outputDirectory;
        QString systemName;        // names the product log
    };
    bool RunTool(const TRunRequest &request);
    // Starts program with arguments in folder and watches it; false when
    // nothing was started (prohibited), raises EToolStartError when the
    // start failed. The run is then of this type.
    bool StartProcess(const QString &program, const QStringList &arguments, const QString &folder, TRunType type);
    bool Running() const;
    bool Watching() const;
    // Asks, creates "Semaphore.xml", waits for the end while the hand-overs
    // still run, then reports "Background process cancelled!".
    void CancelRun();
    // The same without the question, for a shell that closes during a run.
    void StopRun();
    void WaitForWatcher();

    const TRunProgress &Progress() const { return m_progress; }
    QString LastCommandLine() const { return m_lastCommandLine; }
    bool CancelEnabled() const { return m_cancelEnabled; }

signals:
    void runFinished(bool cancelled);

private:
    bool processEnded();
    void progressTick();
    void pumpConsole();
    void keepConsoleLine(const QString &line);
    void completion();
    void setCancelEnabled(bool enabled);
    QString outputFile(const QString &name) const;

    IToolRunHost &m_host;
    TRunType m_type = TRunType::Analysis;
    QString m_folder;
    std::unique_ptr<QProcess> m_process;
    QPointer<TTarvellToolWatcherThread> m_watcher;
    TRunProgress m_progress;
    TConsoleLineSplitter m_splitter;
    // The console lines of a captured run go to "Console.log" as they come,
    // so a tool that floods its console holds no memory.
    std::unique_ptr<TextFile::TWriter> m_consoleLog;
    qint64 m_consoleLineCount = 0;
    QString m_lastCommandLine;
    QElapsedTimer m_elapsed;
    QDeadlineTimer m_killDeadline{QDeadlineTimer::Forever};
    bool m_cancelEnabled = false;
    bool m_stopRequested = false;
    bool m_capturing = false;
    bool m_destroying = false;
    std::unique_ptr<QStringDecoder> m_decoder; // one per run: a character split over two reads stays whole
};
