#pragma once
// The reuse job as one object: its names, folders and run state, its source
// list, the converter runs' texts, and the job file. The window shows it and
// hands the user's edits to it; the unattended import and quenbar-cli drive
// it alone. It is the converter runs' host, so a document a converter writes
// goes from the run straight to the import. Every change is signalled.

#include "ConverterRun.h"
#include "InterfaceFiles.h"
#include "ReuseJob.h"
#include "ShellKinds.h"
#include "SourceList.h"
#include "WorkbenchRow.h"

#include <QObject>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <vector>

class IProgress;
class IReporter;
class TDM;
class TStreamToIniCore;
class TStringListHolder;
class TWorkbenchSettings;

class TReuseJob : public QObject, public IConverterRunHost
{
    Q_OBJECT
public:
    // The window's name in job files: every component line starts with it.
    static QString FormName() { return QStringLiteral("frmQuenbarMain"); }

    // settings and reporter are not owned and must outlive the job; the
    // holders are the window's when it has them (it saves them with its
    // state), else the source list makes its own. The source list's hooks a window
    // gives win over the job's own.
    TReuseJob(TWorkbenchSettings &settings, IReporter *reporter, TStringListHolder *names = nullptr,
              TStringListHolder *statuses = nullptr, const TSourceListHooks &hooks = {}, QObject *parent = nullptr);
    ~TReuseJob() override;

    TWorkbenchSettings &Settings() const { return m_settings; }
    const TAnalTypeConstants &Row() const;
    IReporter *Reporter() const { return m_reporter; }
    void SetProgress(IProgress *progress);
    // The repository the job imports into and generates from; may be null.
    TDM *DataModule() const { return m_dm; }
    void SetDataModule(TDM *dm) { m_dm = dm; }
    TSourceList &Sources() const { return *m_sources; }

    // ---- State ---------------------------------------------------------------
    QString ProductName() const { return m_product; }
    void SetProductName(const QString &name);
    QString SystemName() const { return m_system; }
    void SetSystemName(const QString &name);
    // The job's name; empty until derived from the names or set from a file.
    QString JobName() const { return m_jobName; }
    void SetJobName(const QString &name);
    // The name of a job file (its base name; "*" or empty clear it), also
    // put into the caption.
    void SetJobNameFromFile(const QString &fileName);
    // The job name, derived from product and system when it is empty.
    QString DerivedJobName();
    QString ProjectDirectory() const { return m_projectDirectory; }
    void SetProjectDirectory(const QString &folder);
    QString OutputDirectory() const { return m_outputDirectory; }
    void SetOutputDirectory(const QString &folder);
    QString WorkDir() const { return ReuseJob::WorkDirOf(m_outputDirectory); }
    QString StagingDir() const { return ReuseJob::StagingDirOf(m_outputDirectory); }
    QString LanguageCode() const { return m_languageCode; }
    void SetLanguageCode(const QString &code);
    QString QuenbarJobName() const { return m_quenbarJobName; }
    void SetQuenbarJobName(const QString &name);
    QString InterfaceType() const { return m_interfaceType; }
    void SetInterfaceType(const QString &type);
    int MaxDirDepth() const { return m_maxDirDepth; }
    void SetMaxDirDepth(int depth);
    int ListWidth() const { return m_listWidth; }
    void SetListWidth(int width);
    bool BatchRunning() const { return m_batchRunning; }
    void SetBatchRunning(bool running);
    bool BusyPreparing() const { return m_busyPreparing; }
    void SetBusyPreparing(bool busy);
    bool StopRequested() const { return m_stopRequested; }
    void SetStopRequested(bool stop);
    bool Modified() const { return m_modified; }
    void SetModified(bool modified);
    QStringList NewFileNames() const { return m_newFileNames; }
    void SetNewFileNames(const QStringList &lines);
    QStringList LongExtensions() const { return m_longExtensions; }
    void SetLongExtensions(const QStringList &lines);
    // The program of converter kind 1 or 2 chosen by the user; empty: its default.
    QString ConverterChoice(int kind) const;
    void SetConverterChoice(int kind, const QString &program);
    QString Caption() const { return m_caption; }
    void SetCaption(const QString &caption);
    QString ApplicationTitle() const { return m_applicationTitle; }
    bool CancelRunEnabled() const { return m_cancelRunEnabled; }
    void SetCancelRunEnabled(bool enabled);
    bool LogViewsEnabled() const { return m_logViewsEnabled; }

    // ---- Job file ------------------------------------------------------------
    // The "[Properties]" section as the job keeps it.
    TJobProperties Properties() const;
    // A job file as the window saved it: the properties, names, output
    // directory, source list, holders and the converter texts. EFileError
    // when it cannot be read, EConvertError for a bad number; the job is
    // then as it was before.
    void Load(const QString &fileName);
    // Writes the job's state over the lines of the file it was loaded from
    // (window lines stay as they were) to fileName, or to the loaded file.
    void Save(const QString &fileName = QString());
    QString FileName() const { return m_fileName; }

    // ---- Work ------------------------------------------------------------------
    // Imports one WSDL document into the job's repository.
    void ImportWsdlDocument(const QString &path);
    // WSDL document and script for every interface, in name order, each
    // under a file name of its own (InterfaceFiles); a failing one is
    // reported and the next goes on. Returns what was written.
    std::vector<TGeneratedInterface> GenerateAllInterfaces();
    // The unattended import: the checked WSDL files imported, the checked
    // CSV exports converted and imported (waiting for the converters),
    // every interface generated, the job saved when modified (through
    // SaveJob when set, else Save). Every failure is reported; the status
    // is 0 when no error was reported since the reporter was made, else 1.
    int RunUnattendedImport(TConverterRun &run);
    // ---- The analysis hand-off ----------------------------------------------------
    // What the hosted analysis shell is handed: the job's names and output
    // directory, the language button, the project folder and its job's path.
    Ostrin::TShellHost AnalysisHost(const QString &languageButton = QStringLiteral("RadioButtonJava1"));
    // After the shell: its export of interfaces (shellOutput + "/Exports/" +
    // system + ".csv") joins the source list; without it each program's
    // export below "Exports" does. Returns the files that joined.
    QStringList TakeAnalyserExports(const QString &shellOutputDirectory);
    // The unattended reuse run: the hosted shell's analysis of the sources
    // its job holds (programPath: the program whose folder holds the
    // shell's settings), the exports into the source list, then the
    // unattended import. 0 when every step succeeded.
    int RunUnattendedReuse(TConverterRun &run, const QString &programPath);
    // The files the last unattended import generated.
    const std::vector<TGeneratedInterface> &GeneratedInterfaces() const { return m_generated; }
    std::function<void()> SaveJob;

    // ---- Hooks for a window ------------------------------------------------------
    // The output directory field is left (validation and creation); without
    // it the job checks the text itself.
    std::function<void()> OnLeaveOutputDirectory;
    // The run asks for the product log to be shown.
    std::function<void()> OnViewProductLog;

    // ---- IConverterRunHost -------------------------------------------------------
    IReporter *reporter() override { return m_reporter; }
    IProgress *progress() override { return m_progress; }
    void waitCursor(bool on) override { emit BusyChanged(on); }
    void watchCursor(bool on) override { emit WatchingChanged(on); }
    QString appName() override;
    QString productName() override { return m_product; }
    QString systemName() override { return m_system; }
    QString jobName() override { return DerivedJobName(); }
    QString outputDirectory() override { return m_outputDirectory; }
    QString commonRoot() override;
    QString workDir() override { return WorkDir(); }
    QString stagingDir() override { return StagingDir(); }
    int maxDirDepth() override { return m_maxDirDepth; }
    QString converterProgram(int kind) override;
    TConverterRunFlags runFlags() override;
    QStringList sourceLines() override;
    bool sourceChecked(int position) override;
    void disableSource(int position) override;
    QStringList holderPaths() override;
    QList<int> holderKinds() override;
    QStringList newFileNames() override { return m_newFileNames; }
    void setNewFileNames(const QStringList &lines) override { SetNewFileNames(lines); }
    QStringList longExtensions() override { return m_longExtensions; }
    void setLongExtensions(const QStringList &lines) override { SetLongExtensions(lines); }
    void checkSourcesSelected() override;
    void refreshSourceList() override;
    void updateSourceCountCaption() override;
    void showNamesPage() override { emit NamesPageWanted(); }
    void leaveOutputDirectory() override;
    QString caption() override { return m_caption; }
    void setCaption(const QString &caption) override { SetCaption(caption); }
    void setApplicationTitle(const QString &title) override;
    bool batchRunning() override { return m_batchRunning; }
    void setBatchRunning(bool running) override;
    void setBusyPreparing(bool busy) override { SetBusyPreparing(busy); }
    bool stopRequested() override { return m_stopRequested; }
    void clearStopRequest() override { SetStopRequested(false); }
    void markModified() override { SetModified(true); }
    bool cancelRunEnabled() override { return m_cancelRunEnabled; }
    void setCancelRunEnabled(bool enabled) override { SetCancelRunEnabled(enabled); }
    void setLogViewsEnabled(bool enabled) override;
    void viewProductLog() override;

signals:
    // Any part of the job's state changed.
    void Changed();
    void ModifiedChanged(bool modified);
    void BusyChanged(bool busy);
    void WatchingChanged(bool watching);
    void NamesPageWanted();

private:
    template <typename T>
    void assign(T &member, const T &value);
    void writeComponents(TStreamToIniCore &ini) const;

    TWorkbenchSettings &m_settings;
    IReporter *m_reporter;
    IProgress *m_progress = nullptr;
    TDM *m_dm = nullptr;
    std::unique_ptr<TSourceList> m_sources;

    QString m_product;
    QString m_system;
    QString m_jobName;
    QString m_projectDirectory;
    QString m_outputDirectory;
    QString m_languageCode;
    QString m_quenbarJobName;
    QString m_interfaceType;
    int m_maxDirDepth = 0;
    int m_listWidth = 0;
    bool m_batchRunning = false;
    bool m_busyPreparing = false;
    bool m_stopRequested = false;
    bool m_modified = false;
    bool m_cancelRunEnabled = false;
    bool m_logViewsEnabled = true;
    QStringList m_newFileNames;
    QStringList m_longExtensions;
    QString m_converterChoice[TConverterRun::ConverterKinds + 1];
    QString m_caption;
    QString m_applicationTitle;

    QString m_fileName;
    QStringList m_fileLines; // the loaded file, written back with the job's state
    std::vector<TGeneratedInterface> m_generated;
};
