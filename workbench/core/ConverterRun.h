#pragma once
// The reuse job's converter runs: the checked WSDL files are imported as
// they are, the checked CSV exports are staged under generated names, the
// two converters' parameter files are written, the converters run one after
// the other in the output directory (optionally inside DOSBox) under a
// watcher thread, and the WSDL documents they leave are moved next to the
// other results and imported. The run owns no state of the job: it reads and
// changes the job through IConverterRunHost, which the reuse job implements.

#include "Errors.h"

#include <QDateTime>
#include <QElapsedTimer>
#include <QDeadlineTimer>
#include <QObject>
#include <QPointer>
#include <QProcess>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>

class IProgress;
class IReporter;
class TTarvellToolWatcherThread;

// A converter that cannot be started, or a target outside the output directory.
class EConverterRunError : public EQuenbarError
{
public:
    using EQuenbarError::EQuenbarError;
};

// The run-control settings a run reads (the window fills them from its
// TWorkbenchSettings).
struct TConverterRunFlags
{
    bool BlindRun = false;     // converters start without console output
    bool CaptureLog = false;   // their standard output goes to "Console.log"
    bool DOSBoxActive = false;
    QString DOSBoxProgram;
    QString DOSBoxConfigFile;
    bool DeleteAfter = false;
    bool DeleteAfterControl = false;
    int BigDirectoryLimit = 50;
};

// What a run needs from the reuse job. Paths are native, without a trailing
// delimiter.
class IConverterRunHost
{
public:
    virtual ~IConverterRunHost() = default;

    // Imports one WSDL document into the repository; raises on a document it
    // cannot take. Unset: results are moved but not imported.
    std::function<void(const QString &wsdlPath)> ImportWsdl;
    // Called with true before a list of documents is imported and with
    // false after it, also when the list stops early. May be unset.
    std::function<void(bool underway)> ImportsUnderway;

    virtual IReporter *reporter() = 0;
    virtual IProgress *progress() = 0;   // may be null
    // The run is busy preparing (waitCursor) or watching a converter
    // (watchCursor); a window shows it in its cursor.
    virtual void waitCursor(bool) {}
    virtual void watchCursor(bool) {}

    virtual QString appName() = 0;        // the row's AppName; the root element of the parameter files
    virtual QString productName() = 0;
    virtual QString systemName() = 0;
    virtual QString jobName() = 0;
    virtual QString outputDirectory() = 0;
    virtual QString commonRoot() = 0;
    virtual QString workDir() = 0;
    virtual QString stagingDir() = 0;
    virtual int maxDirDepth() = 0;
    // The program of converter kind 1 or 2 as its program field shows it
    // (its default when the field is empty).
    virtual QString converterProgram(int kind) = 0;
    virtual TConverterRunFlags runFlags() = 0;

    // The source list: "path=NNNN" per list position, the check marks, and
    // the name holder (path and kind per N).
    virtual QStringList sourceLines() = 0;
    virtual bool sourceChecked(int position) = 0;
    // Unchecks and disables the line (its file is missing).
    virtual void disableSource(int position) = 0;
    virtual QStringList holderPaths() = 0;
    virtual QList<int> holderKinds() = 0;

    // The "NewFileNames" and "Longextensions" texts.
    virtual QStringList newFileNames() = 0;
    virtual void setNewFileNames(const QStringList &lines) = 0;
    virtual QStringList longExtensions() = 0;
    virtual void setLongExtensions(const QStringList &lines) = 0;

    // Validates names, requires a checked file and computes the common root
    // strictly; raises (EAbort) when the run may not go on.
    virtual void checkSourcesSelected() = 0;
    virtual void refreshSourceList() = 0;
    // Sets the source group caption's count to the line count again.
    virtual void updateSourceCountCaption() = 0;
    virtual void showNamesPage() = 0;
    // Marks the output directory field modified and runs its leave handling.
    virtual void leaveOutputDirectory() = 0;

    virtual QString caption() = 0;
    virtual void setCaption(const QString &caption) = 0;
    virtual void setApplicationTitle(const QString &title) = 0;

    virtual bool batchRunning() = 0;
    virtual void setBatchRunning(bool running) = 0;   // also marks the job modified
    virtual void setBusyPreparing(bool busy) = 0;
    virtual bool stopRequested() = 0;
    virtual void clearStopRequest() = 0;
    virtual void markModified() = 0;

    virtual bool cancelRunEnabled() = 0;
    virtual void setCancelRunEnabled(bool enabled) = 0;
    // ActViewProductLog and ActViewConsoleLog.
    virtual void setLogViewsEnabled(bool enabled) = 0;
    virtual void viewProductLog() = 0;
};

class TConverterRun : public QObject
{
    Q_OBJECT
public:
    // ---- Converter table ---------------------------------------------------
    static constexpr int ConverterKinds = 2;
    static QString ParameterFile(int kind);    // "lastprc.xml", "lastobj.xml"
    static QString DefaultProgram(int kind);   // "WSDLProc.exe", "WSDLObjt.exe"
    static QString ProgramField(int kind);     // caption of the program field

    // ---- Widget-free helpers -----------------------------------------------
    // The extension with its dot ("" when none) and the name before it.
    static QString ExtensionOf(const QString &path);
    static QString BaseNameOf(const QString &path);
    // Upper-cased extension cut to four characters with the dot.
    static QString ShortExtension(const QString &path);
    // The "NewFileNames" lines (unsorted) for the checked list positions,
    // and the "Longextensions" pairs set into longExtensions.
    static QStringList StagingLines(const QStringList &paths, const QList<bool> &checked, const QString &stagingDir,
                                    QStringList &longExtensions);
    // The lines of a converter parameter file.
    struct TParameterJob
    {
        QString AppName, ProductName, SystemName, CommonRoot, OutputDir;
        QStringList Paths;       // per list position
        QList<int> Kinds;        // per list position
        QList<bool> Checked;     // per list position
    };
    static QStringList ParameterLines(const TParameterJob &job, int kind, bool *listsFile = nullptr);
    // The DOSBox configuration for one converter call.
    static QStringList DOSBoxConfigLines(const QStringList &baseLines, const QString &program,
                                         const QStringList &arguments);
    // Recursive count or deletion of the files whose upper-cased name, with
    // every digit as "#", starts with mask ("*.*" or empty: every file).
    // Hidden entries and linked folders are left alone. Returns the count.
    static int CountOrDeleteFiles(const QString &folder, const QString &subfolder, int depth, bool countOnly,
                                  const QString &mask);
    // Starts a program and waits for its end while the window stays
    // responsive; false when it could not be started.
    static bool RunAndWait(const QString &program, const QStringList &arguments, const QString &folder);
    // "hh:nn:ss:zzz" of a duration.
    static QString ElapsedText(qint64 milliseconds);

    explicit TConverterRun(IConverterRunHost &host, QObject *parent = nullptr);
    ~TConverterRun() override;

    // ---- Commands ------------------------------------------------------------
    void ActRunCSVToWSDL() { ActRunTool(); }
    void ActRunTool();
    void ActCancelRun();
    // The window is being closed during a run (after the user agreed): the
    // converter is told to stop, the watcher is awaited, and the command ends
    // with "Background process cancelled!".
    void StopRunForClose();

    // ---- Steps ---------------------------------------------------------------
    bool ImportOriginalWsdlFiles();
    bool PrepareConverterRun();
    bool WriteConverterParameters(int kind);
    // arguments: a ">" followed by a file name sends the standard output to
    // that file in folder, as the command line of the converter asks.
    bool StartConverter(const QString &program, const QStringList &arguments, const QString &folder);
    void CollectConverterResults();
    void CleanupAfterRun();
    // The arguments of converter kind k: its parameter file, and the console
    // redirection when capture log is on.
    QStringList ConverterArguments(int kind) const;

    // ---- State -----------------------------------------------------------------
    int FirstKind() const { return m_firstKind; }
    int KindsNeeded() const { return m_kinds; }
    bool Watching() const;
    // The watcher is running one of its hand-overs (a tick or the completion).
    bool InHandOver() const;
    // The command line of the last start: program + " " + arguments + " ".
    QString LastCommandLine() const { return m_lastCommandLine; }
    QDateTime StartTime() const { return m_startTime; }
    // Waits until the current watcher (and a second converter's) has ended.
    void WaitForWatcher();
    // A converter still running this long after the stop request is killed.
    int KillGraceMs = 5000;

signals:
    // The completion has run and the run is over (also after a failure).
    void runEnded();

private:
    struct TSource
    {
        QString Path;
        int Kind = 0;
        bool Checked = false;
    };
    QList<TSource> sources();
    // The folders of the run under way (those of its start), else the job's.
    QString outputDir() const;
    QString runWorkDir() const;
    QString runStagingDir() const;
    QString outputFile(const QString &name);
    // Raises when path does not resolve inside the output directory.
    void ensureInsideOutput(const QString &path);
    bool insideOutput(const QString &path);
    void setCaptionSuffix(const QString &suffix);
    void requestStop();
    void importWsdl(const QString &path);

    // Watcher hand-overs (user-interface thread).
    bool processEnded();
    void progressTick();
    void converterEnded();
    void finishRun(const QString &failure);
    void releaseProcess();
    void restoreWatchCursor();

    IConverterRunHost &m_host;
    struct TRunFolders
    {
        QString Output, Work, Staging;
    } m_runFolders;
    int m_firstKind = 0;
    int m_kinds = 0;
    QString m_programs[ConverterKinds + 1];
    QDateTime m_startTime;
    QElapsedTimer m_elapsed;
    std::unique_ptr<QProcess> m_process;
    QString m_processProgram;
    QPointer<TTarvellToolWatcherThread> m_watcher;
    QString m_lastCommandLine;
    QDeadlineTimer m_stopDeadline{QDeadlineTimer::Forever};
    bool m_stopRequested = false;
    bool m_cancelReportPending = false; // a cancel raised inside a hand-over reports after the completion
    bool m_killed = false;
    bool m_watchCursor = false;
    bool m_destroying = false;
};
