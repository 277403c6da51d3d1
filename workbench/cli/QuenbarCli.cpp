#include "QuenbarCli.h"

#include "Commands.h"
#include "ConverterRun.h"
#include "Errors.h"
#include "InterfaceFiles.h"
#include "Job.h"
#include "QuenbarDB.h"
#include "Reporting.h"
#include "ScopeGuard.h"
#include "ScriptGenerator.h"
#include "SharedRoutinesCommon.h"
#include "WorkbenchSettings.h"
#include "WsdlGenerator.h"
#include "WsdlImport.h"

#include <QDir>
#include <QFileInfo>
#include <QIODevice>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSqlError>
#include <QSqlQuery>

#include <algorithm>
#include <atomic>
#include <csignal>
#include <vector>

namespace {

std::atomic<bool> g_stopRequested{false};
static_assert(std::atomic<bool>::is_always_lock_free, "the interrupt handler may only store a lock-free flag");

struct TCommandInfo
{
    const char *name;
    TCliCommand command;
    int minArguments;
    int maxArguments; // -1: any number
};

const TCommandInfo kCommands[] = {
    {"import", TCliCommand::Import, 1, 1},
    {"reuse", TCliCommand::Reuse, 1, 1},
    {"import-wsdl", TCliCommand::ImportWsdl, 2, -1},
    {"list", TCliCommand::List, 1, 1},
    {"generate", TCliCommand::Generate, 1, -1},
    {"xref", TCliCommand::Xref, 2, 2},
};

struct TBaseInfo
{
    const char *name;
    TCrossrefBase base;
};

const TBaseInfo kBases[] = {
    {"interface", TCrossrefBase::Interfaces},
    {"operation", TCrossrefBase::Operations},
    {"message", TCrossrefBase::InputsOutputs},
    {"parameter", TCrossrefBase::Parameters},
};

const TCommandInfo *findCommand(const QString &name)
{
    for (const TCommandInfo &info : kCommands)
        if (name == QLatin1String(info.name))
            return &info;
    return nullptr;
}

QString commandName(TCliCommand command)
{
    for (const TCommandInfo &info : kCommands)
        if (info.command == command)
            return QLatin1String(info.name);
    return QString();
}

QString baseName(TCrossrefBase base)
{
    for (const TBaseInfo &info : kBases)
        if (info.base == base)
            return QLatin1String(info.name);
    return QString();
}

// Progress on stderr that also takes the stop a Ctrl-C left in the flag:
// at the next step it becomes the progress's own stop request, so the work
// ends there as it does from the window's stop button.
class TCliProgress : public TConsoleProgress
{
public:
    using TConsoleProgress::TConsoleProgress;

    void StepProgress() override
    {
        takeStop();
        TConsoleProgress::StepProgress();
    }
    void PingPongProgress(bool reset) override
    {
        takeStop();
        TConsoleProgress::PingPongProgress(reset);
    }
    // A stop was asked for during this run (the progress forgets its own
    // request once it has ended the work).
    bool Interrupted()
    {
        if (g_stopRequested.exchange(false))
            m_interrupted = true;
        return m_interrupted;
    }

private:
    void takeStop()
    {
        if (g_stopRequested.exchange(false)) {
            m_interrupted = true;
            RequestStop();
        }
    }

    bool m_interrupted = false;
};

// The console reporter keeping the text of every error, for the JSON
// document, and ending an open progress line before it prints. Nested
// reports (a message joining stacked errors) count once: an error is taken
// only when the reporter's count has gone past the list.
class TCliReporter : public TConsoleReporter
{
public:
    explicit TCliReporter(IProgress &progress) : m_progress(progress) {}

    void ShowWarning(const QString &message) override
    {
        const TScopeGuard take([this] { takeError(); });
        m_progress.ShowProgressWindow(false);
        TConsoleReporter::ShowWarning(message);
    }
    void ShowError(const QString &message, bool carryOn) override
    {
        const TScopeGuard take([this] { takeError(); });
        m_progress.ShowProgressWindow(false);
        TConsoleReporter::ShowError(message, carryOn);
    }
    void AddError(const QString &message, bool carryOn) override
    {
        const TScopeGuard take([this] { takeError(); });
        m_progress.ShowProgressWindow(false);
        TConsoleReporter::AddError(message, carryOn);
    }
    [[noreturn]] void ShowFatal(const QString &message) override
    {
        const TScopeGuard take([this] { takeError(); });
        m_progress.ShowProgressWindow(false);
        TConsoleReporter::ShowFatal(message);
    }
    int AskAfterErrors(const QString &question) override
    {
        const TScopeGuard take([this] { takeError(); });
        return TConsoleReporter::AskAfterErrors(question);
    }
    int Ask(TMsgDlgType type, const QString &text, int buttons, int defaultButton = 0) override
    {
        m_progress.ShowProgressWindow(false);
        return TConsoleReporter::Ask(type, text, buttons, defaultButton);
    }

    const QStringList &Errors() const { return m_errors; }

private:
    void takeError()
    {
        if (m_errors.size() < ErrorsReported())
            m_errors << LastMessage();
    }

    IProgress &m_progress;
    QStringList m_errors;
};

struct TInterfaceSummary
{
    qint64 kulcs = 0;
    QString name;
    QString csvName;
    qint64 operations = 0;
    qint64 messages = 0;
    qint64 parameters = 0;
};

// The interfaces in name order, as the generation of a whole job takes them.
std::vector<TInterfaceSummary> readInterfaces(TDM &dm)
{
    QSqlQuery q = dm.QWork();
    q.setForwardOnly(true);
    const QString sql = QStringLiteral(
        "select i.Kulcs, i.Name, i.CSVName,"
        " (select count(*) from Operations o where o.InterfacesKulcs = i.Kulcs),"
        " (select count(*) from InputsOutputs m where m.InterfacesKulcs = i.Kulcs),"
        " (select count(*) from Parameters p where p.InterfacesKulcs = i.Kulcs)"
        " from Interfaces i order by i.NameFold, i.Kulcs");
    if (!q.exec(sql))
        throw EDatabaseError(q.lastError().text());
    std::vector<TInterfaceSummary> result;
    while (q.next()) {
        TInterfaceSummary s;
        s.kulcs = q.value(0).toLongLong();
        s.name = q.value(1).toString();
        s.csvName = q.value(2).toString();
        s.operations = q.value(3).toLongLong();
        s.messages = q.value(4).toLongLong();
        s.parameters = q.value(5).toLongLong();
        result.push_back(s);
    }
    return result;
}

QJsonObject interfaceJson(const TInterfaceSummary &s)
{
    return {{QStringLiteral("name"), s.name},
            {QStringLiteral("csvName"), s.csvName},
            {QStringLiteral("operations"), s.operations},
            {QStringLiteral("messages"), s.messages},
            {QStringLiteral("parameters"), s.parameters}};
}

QJsonValue depthJson(const QString &depth)
{
    bool ok = false;
    const qlonglong level = depth.toLongLong(&ok);
    return ok ? QJsonValue(level) : QJsonValue(depth);
}

QJsonObject crossrefJson(const TCrossrefRow &row)
{
    return {{QStringLiteral("interface"), row.interface},
            {QStringLiteral("csvName"), row.csv},
            {QStringLiteral("interfaceComment"), row.interfaceComment},
            {QStringLiteral("operation"), row.operation},
            {QStringLiteral("operationComment"), row.operationComment},
            {QStringLiteral("message"), row.ioname},
            {QStringLiteral("direction"), row.direction},
            {QStringLiteral("messageComment"), row.ioComment},
            {QStringLiteral("kulcs"), row.kulcs},
            {QStringLiteral("depth"), depthJson(row.depth)},
            {QStringLiteral("parameter"), row.parametername},
            {QStringLiteral("parameterType"), row.parametertype},
            {QStringLiteral("parameterComment"), row.parameterComment}};
}

QString absolutePath(const QString &path)
{
    return QDir::cleanPath(QFileInfo(path).absoluteFilePath());
}

// One run of a command: the reporter and progress it reports to, the text
// lines it prints as it goes, and the JSON document it prints at its end.
class TCliRun
{
public:
    TCliRun(const TCliRequest &request, const QString &programFolder, QIODevice &out, bool showProgress)
        : m_request(request), m_programFolder(programFolder), m_out(out), m_progress(showProgress),
          m_reporter(m_progress)
    {
    }

    int Exec()
    {
        // Nobody is asked: every question takes its default, printed on stderr.
        Unasked::SetAutoRun(true);
        m_document.insert(QStringLiteral("command"), commandName(m_request.command));
        if (!m_request.outputDir.isEmpty())
            m_outputDir = absolutePath(m_request.outputDir);
        bool done = false;
        switch (m_request.command) {
        case TCliCommand::Import: done = importJob(false); break;
        case TCliCommand::Reuse: done = importJob(true); break;
        case TCliCommand::ImportWsdl: done = command([this] { importWsdl(); }); break;
        case TCliCommand::List: done = command([this] { list(); }); break;
        case TCliCommand::Generate: done = command([this] { generate(); }); break;
        case TCliCommand::Xref: done = command([this] { xref(); }); break;
        case TCliCommand::None: break;
        }
        if (m_progress.Interrupted())
            RunCommand(&m_reporter, [this] { m_reporter.ShowError(QStringLiteral("Stopped on request"), true); });
        const bool ok = done && m_reporter.ErrorsReported() == 0;
        if (m_request.json) {
            if (!m_outputDir.isEmpty())
                m_document.insert(QStringLiteral("outputDirectory"), m_outputDir);
            m_document.insert(QStringLiteral("ok"), ok);
            m_document.insert(QStringLiteral("errors"), QJsonArray::fromStringList(m_reporter.Errors()));
            m_progress.ShowProgressWindow(false);
            m_out.write(QJsonDocument(m_document).toJson(QJsonDocument::Indented));
        }
        return ok ? QuenbarCli::ExitDone : QuenbarCli::ExitFailed;
    }

private:
    bool command(const std::function<void()> &body) { return RunCommand(&m_reporter, body); }

    void line(const QString &text)
    {
        if (m_request.json)
            return;
        m_progress.ShowProgressWindow(false); // a progress line on the same terminal ends first
        m_out.write((text + QLatin1Char('\n')).toLocal8Bit());
    }

    QString repositoryFolder() const { return ReuseJob::RepositoryFolderOf(m_outputDir); }

    // Reading commands never make a repository: OpenRepository would.
    void openExisting(TDM &dm)
    {
        const QString file = QDir(repositoryFolder()).filePath(TDM::DatabaseFileName());
        if (!QFileInfo(file).isFile())
            m_reporter.ShowError(QStringLiteral("No repository in ") + m_outputDir + QStringLiteral(" (") + file
                                     + QStringLiteral(" does not exist)"),
                                 false);
        dm.SetReporter(&m_reporter);
        dm.OpenRepository(repositoryFolder(), false);
    }

    // The window's unattended start, without the window: the settings file
    // beside the program read and applied, the tool root found, the job
    // loaded, then the job's own unattended import. Per-user settings
    // (last folders, program version) are left alone.
    // reuse: the hosted shell's analysis of the job's sources first.
    bool importJob(bool reuse)
    {
        const QString jobFile = absolutePath(m_request.job);
        m_document.insert(QStringLiteral("job"), jobFile);
        // Its base name makes the settings take over the workbench row.
        TWorkbenchSettings settings(&m_reporter, QDir(m_programFolder).filePath(QStringLiteral("Quenbar")));
        const auto fatalStart = [this] {
            RunCommand(&m_reporter, [this] {
                m_reporter.AddError(QStringLiteral("Fatal errors during start, application cannot run!"), true);
            });
            return false;
        };
        bool started = RunCommand(&m_reporter, [&] {
            settings.LoadSettingsText();
            settings.ApplySettings(false);
            if (settings.Row().KindNumber == 0)
                settings.DetermineToolRoot(TWorkbenchCommandLine());
        });
        if (!started || m_reporter.Severity() > 1)
            return fatalStart();
        started = RunCommand(&m_reporter, [&] { settings.ApplySettings(true); });
        if (!started || m_reporter.Severity() > 1)
            return fatalStart();

        TDM dm;
        dm.SetReporter(&m_reporter);
        TReuseJob job(settings, &m_reporter);
        job.SetDataModule(&dm);
        job.SetProgress(&m_progress);
        const bool loaded = RunCommand(&m_reporter, [&] {
            const QFileInfo info(jobFile);
            if (!info.isFile())
                m_reporter.ShowError(QStringLiteral("No job file ") + jobFile, false);
            if (!SameText(QLatin1Char('.') + info.suffix(), settings.Row().JobExtension))
                m_reporter.ShowError(jobFile + QStringLiteral(" is not a job file (*") + settings.Row().JobExtension
                                         + QLatin1Char(')'),
                                     false);
            try {
                job.Load(jobFile);
            } catch (...) {
                m_reporter.ShowError(QStringLiteral(" Error while loading project definition, it was possibly "
                                                    "generated with an older version of the tool"),
                                     false);
            }
        });
        if (!loaded)
            return false;
        m_outputDir = absolutePath(job.OutputDirectory());

        TConverterRun run(job);
        // The hosted shell keeps last folders per user; this tool leaves them alone.
        if (reuse)
            SetSettingsProcedures([](const QString &) { return QString(); }, [](const QString &, const QString &) {});
        const TScopeGuard settingsBack([reuse] {
            if (reuse)
                SetSettingsProcedures({}, {});
        });
        const int status = reuse ? job.RunUnattendedReuse(run, QDir(m_programFolder).filePath(QStringLiteral("Quenbar")))
                                 : job.RunUnattendedImport(run);
        job.SetModified(false);
        QJsonArray generated;
        for (const TGeneratedInterface &done : job.GeneratedInterfaces())
            generated.append(generatedJson(done));
        m_document.insert(QStringLiteral("files"), generated);
        RunCommand(&m_reporter, [&] {
            const std::vector<TInterfaceSummary> interfaces = dm.Connected() ? readInterfaces(dm)
                                                                              : std::vector<TInterfaceSummary>();
            QJsonArray items;
            for (const TInterfaceSummary &s : interfaces)
                items.append(interfaceJson(s));
            m_document.insert(QStringLiteral("interfaces"), items);
            line(QStringLiteral("%1: %2 interfaces in %3").arg(jobFile).arg(interfaces.size()).arg(repositoryFolder()));
        });
        return status == 0;
    }

    // One bulk run: each document is its own transaction, a failing one is
    // reported and the next goes on; a stop ends the list.
    void importWsdl()
    {
        TDM dm;
        dm.SetReporter(&m_reporter);
        dm.OpenRepository(repositoryFolder(), false);
        dm.SetBulkWrites(true);
        const TScopeGuard bulkEnds([&dm] {
            try {
                dm.SetBulkWrites(false);
            } catch (...) {
                // The close takes the log back.
            }
        });
        TWsdlImporter importer(dm, m_outputDir, &m_progress);
        QJsonArray files;
        for (const QString &name : m_request.files) {
            if (m_progress.Interrupted())
                break;
            const QString file = absolutePath(name);
            TWsdlImportCounts counts;
            const bool imported = RunCommand(&m_reporter, [&] { counts = importer.ImportWsdlFile(file); });
            QJsonObject item{{QStringLiteral("file"), file}, {QStringLiteral("ok"), imported}};
            if (imported) {
                item.insert(QStringLiteral("interfaceKey"), counts.interfaceKey);
                item.insert(QStringLiteral("interfaces"), counts.interfaces);
                item.insert(QStringLiteral("operations"), counts.operations);
                item.insert(QStringLiteral("messages"), counts.messages);
                item.insert(QStringLiteral("parameters"), counts.parameters);
                // One port type is the common case and keeps its short line.
                line(QStringLiteral("%1: %2%3 operations, %4 messages, %5 parameters")
                         .arg(file)
                         .arg(counts.interfaces > 1 ? QStringLiteral("%1 interfaces, ").arg(counts.interfaces) : QString())
                         .arg(counts.operations)
                         .arg(counts.messages)
                         .arg(counts.parameters));
            } else if (m_progress.Interrupted()) {
                item.insert(QStringLiteral("stopped"), true);
            } else {
                item.insert(QStringLiteral("error"), m_reporter.LastMessage());
            }
            files.append(item);
        }
        m_document.insert(QStringLiteral("files"), files);
    }

    void list()
    {
        TDM dm;
        openExisting(dm);
        QJsonArray items;
        for (const TInterfaceSummary &s : readInterfaces(dm)) {
            items.append(interfaceJson(s));
            line(QStringLiteral("%1 (%2): %3 operations, %4 messages, %5 parameters")
                     .arg(s.name, s.csvName)
                     .arg(s.operations)
                     .arg(s.messages)
                     .arg(s.parameters));
        }
        m_document.insert(QStringLiteral("interfaces"), items);
    }

    // Every name must be known before anything is written. The files are
    // named as the unattended import names them: over the whole
    // repository, so a file's name does not depend on which were chosen.
    void generate()
    {
        // The settings file beside the program gives the service address,
        // as in an import; without one the default serves.
        if (QFileInfo(QDir(m_programFolder).filePath(QStringLiteral("Quenbar.INI"))).isFile()) {
            TWorkbenchSettings settings(&m_reporter, QDir(m_programFolder).filePath(QStringLiteral("Quenbar")));
            settings.LoadSettingsText();
            settings.ApplySettings(false);
        }
        TDM dm;
        openExisting(dm);
        const std::vector<TInterfaceFile> all = InterfaceFiles::ReadAll(dm);
        std::vector<TInterfaceFile> chosen;
        if (m_request.names.isEmpty()) {
            chosen = all;
        } else {
            QStringList unknown;
            for (const QString &name : m_request.names) {
                bool found = false;
                for (const TInterfaceFile &s : all)
                    if (SameText(s.name, name)) {
                        found = true;
                        const bool taken = std::any_of(chosen.cbegin(), chosen.cend(),
                                                       [&s](const TInterfaceFile &c) { return c.kulcs == s.kulcs; });
                        if (!taken)
                            chosen.push_back(s);
                    }
                if (!found)
                    unknown << name;
            }
            for (const QString &name : std::as_const(unknown))
                m_reporter.ShowError(QStringLiteral("No interface ") + name + QStringLiteral(" in ") + m_outputDir,
                                     true);
            if (!unknown.isEmpty())
                throw EAbort();
        }
        QJsonArray files;
        const TScopeGuard document([&] { m_document.insert(QStringLiteral("files"), files); });
        m_progress.StartCounting(int(chosen.size()), QStringLiteral("Generating"));
        for (const TInterfaceFile &s : chosen) {
            // The paths go to the output below; the messages carry only failures.
            files.append(generatedJson(InterfaceFiles::Generate(dm, s, m_outputDir, &m_reporter, false)));
            m_progress.StepProgress();
        }
    }

    // One interface's files as an item of the document, each path also a line.
    QJsonObject generatedJson(const TGeneratedInterface &done)
    {
        QJsonObject item{{QStringLiteral("interface"), done.face.name},
                         {QStringLiteral("csvName"), done.face.csvName}};
        for (const auto &[key, path] :
             {std::pair{QStringLiteral("wsdl"), done.wsdl}, std::pair{QStringLiteral("asr"), done.asr}}) {
            item.insert(key, path.isEmpty() ? QJsonValue() : QJsonValue(path));
            if (!path.isEmpty())
                line(path);
        }
        return item;
    }

    void xref()
    {
        TDM dm;
        openExisting(dm);
        m_document.insert(QStringLiteral("name"), m_request.name);
        m_document.insert(QStringLiteral("base"), baseName(m_request.base));
        QJsonArray rows;
        for (const TCrossrefRow &row : Crossref::Rows(dm, m_request.base, m_request.name)) {
            rows.append(crossrefJson(row));
            line(QStringLiteral("%1 > %2 > %3 (%4) > %5 %6 : %7")
                     .arg(row.interface, row.operation, row.ioname, row.direction, row.depth, row.parametername,
                          row.parametertype));
        }
        m_document.insert(QStringLiteral("rows"), rows);
    }

    const TCliRequest &m_request;
    QString m_programFolder;
    QIODevice &m_out;
    TCliProgress m_progress;
    TCliReporter m_reporter; // ends the progress line: made after it
    QString m_outputDir;
    QJsonObject m_document;
};

void interrupted(int)
{
    QuenbarCli::RequestStop();
}

} // namespace

namespace QuenbarCli {

QString UsageText()
{
    return QStringLiteral(
        "Usage: quenbar-cli COMMAND [--json] ARGUMENTS...\n"
        "\n"
        "Commands:\n"
        "  import JOB                       run the reuse job unattended, as Quenbar -AutoRun:Import does\n"
        "  reuse JOB                        analyse the sources of the job's analysis job, then import as above,\n"
        "                                   as Quenbar -AutoRun:Reuse does\n"
        "  import-wsdl OUTPUT_DIR FILE...   import WSDL files into the repository of OUTPUT_DIR\n"
        "  list OUTPUT_DIR                  the interfaces with their operation, message and parameter counts\n"
        "  generate OUTPUT_DIR [INTERFACE...]\n"
        "                                   write WSDL and ASR files of the interfaces (all when none is named)\n"
        "  xref OUTPUT_DIR NAME [--base interface|operation|message|parameter]\n"
        "                                   the parameters reached from the items of that name (default: parameter)\n"
        "\n"
        "Options:\n"
        "  --json   print one JSON document on stdout instead of a line per item\n"
        "  --help   print this text\n"
        "\n"
        "The repository is OUTPUT_DIR/ParadoxDB/Interfaces.db; generated files go to OUTPUT_DIR/ExportDir,\n"
        "named after the interface, with _ and its CSV name added where interfaces share a name.\n"
        "Messages go to stderr, with a progress line when stderr is a terminal. Ctrl-C stops at the next\n"
        "step; the document under way is rolled back.\n"
        "Exit status: 0 done, 1 failed, 2 bad usage.\n");
}

TCliRequest Parse(const QStringList &arguments)
{
    TCliRequest request;
    const auto fail = [&request](const QString &message) {
        if (request.usageError.isEmpty())
            request.usageError = message;
    };
    QStringList positional;
    bool hasBase = false;
    QString baseText;
    bool optionsEnd = false;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString &argument = arguments.at(i);
        if (optionsEnd || !argument.startsWith(QLatin1Char('-')) || argument == QLatin1String("-")) {
            if (argument.isEmpty())
                fail(QStringLiteral("An argument is empty"));
            positional << argument;
        } else if (argument == QLatin1String("--")) {
            optionsEnd = true;
        } else if (argument == QLatin1String("--help") || argument == QLatin1String("-h")) {
            request.help = true;
        } else if (argument == QLatin1String("--json")) {
            request.json = true;
        } else if (argument == QLatin1String("--base")) {
            hasBase = true;
            if (i + 1 < arguments.size())
                baseText = arguments.at(++i);
            else
                fail(QStringLiteral("Option --base needs a value"));
        } else if (argument.startsWith(QLatin1String("--base="))) {
            hasBase = true;
            baseText = argument.mid(7);
        } else {
            fail(QStringLiteral("Unknown option ") + argument);
        }
    }
    // Help wins over whatever else is wrong: it is what was asked for.
    if (request.help) {
        request.usageError.clear();
        return request;
    }
    if (positional.isEmpty()) {
        fail(QStringLiteral("No command given"));
        return request;
    }
    const TCommandInfo *info = findCommand(positional.first());
    if (!info) {
        fail(QStringLiteral("Unknown command ") + positional.first());
        return request;
    }
    request.command = info->command;
    const QStringList args = positional.mid(1);
    const QString name = QLatin1String(info->name);
    if (args.size() < info->minArguments)
        fail(QStringLiteral("Missing arguments for ") + name);
    if (info->maxArguments >= 0 && args.size() > info->maxArguments)
        fail(QStringLiteral("Too many arguments for ") + name);
    if (hasBase && info->command != TCliCommand::Xref)
        fail(QStringLiteral("Unknown option --base for ") + name);
    if (hasBase && info->command == TCliCommand::Xref) {
        const TBaseInfo *base = nullptr;
        for (const TBaseInfo &b : kBases)
            if (baseText == QLatin1String(b.name))
                base = &b;
        if (base)
            request.base = base->base;
        else
            fail(QStringLiteral("Unknown base ") + baseText
                 + QStringLiteral(" (interface, operation, message or parameter)"));
    }
    if (!request.usageError.isEmpty())
        return request;
    switch (info->command) {
    case TCliCommand::Import:
    case TCliCommand::Reuse:
        request.job = args.at(0);
        break;
    case TCliCommand::ImportWsdl:
        request.outputDir = args.at(0);
        request.files = args.mid(1);
        break;
    case TCliCommand::List:
        request.outputDir = args.at(0);
        break;
    case TCliCommand::Generate:
        request.outputDir = args.at(0);
        request.names = args.mid(1);
        break;
    case TCliCommand::Xref:
        request.outputDir = args.at(0);
        request.name = args.at(1);
        break;
    case TCliCommand::None:
        break;
    }
    return request;
}

void RequestStop()
{
    g_stopRequested.store(true);
}

void InstallInterruptHandler()
{
    struct sigaction action = {};
    action.sa_handler = interrupted;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESETHAND | SA_RESTART;
    sigaction(SIGINT, &action, nullptr);
}

int Run(const TCliRequest &request, const QString &programFolder, QIODevice &out, bool showProgress)
{
    TCliRun run(request, programFolder, out, showProgress);
    return run.Exec();
}

} // namespace QuenbarCli
