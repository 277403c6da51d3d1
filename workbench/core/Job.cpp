#include "Job.h"

#include "HostedAnalysis.h"

#include "Commands.h"
#include "Errors.h"
#include "QuenbarDB.h"
#include "Reporting.h"
#include "ScriptGenerator.h"
#include "SharedRoutinesCommon.h"
#include "SourceList.h"
#include "StreamToIniCore.h"
#include "StringListHolder.h"
#include "WorkbenchSettings.h"
#include "WsdlGenerator.h"
#include "WsdlImport.h"

#include <QDir>
#include <QEventLoop>
#include <QDirIterator>
#include <QFileInfo>
#include <QSqlQuery>

using namespace StreamToIniFormat;

namespace {

const QString kStartKey = QStringLiteral("BussinesLogicGeneration");

// The names of the job's components in job files.
const QString kProductEdit = QStringLiteral("EditProductName");
const QString kSystemEdit = QStringLiteral("EditSystemName");
const QString kCommonRootEdit = QStringLiteral("EditCommonRoot");
const QString kOutputFrame = QStringLiteral("FrameFindDirectoryOutputDir");
const QString kSourceList = QStringLiteral("CheckListBoxSelectedFiles");
const QString kNames = QStringLiteral("STLHCentral_Name");
const QString kStatuses = QStringLiteral("STLHCentral_Other");
const QString kNewFileNames = QStringLiteral("NewFileNames");
const QString kLongExtensions = QStringLiteral("Longextensions");

QString path(const QString &name)
{
    return TReuseJob::FormName() + u'.' + name;
}

// Where lines for a component the file does not hold yet go: before the
// end marker, or at the end.
int insertionPoint(const TStreamToIniCore &ini)
{
    const int end = ini.indexOf(EndMarker);
    return end < 0 ? ini.count() : end;
}

void writeEntry(TStreamToIniCore &ini, const QString &section, const QString &name, const QString &value)
{
    const int key = ini.IndexOfName(name);
    if (key >= 0) {
        ini.setLine(key, ini.nameAt(key) + u'=' + value);
        return;
    }
    // At the end of its section's entries, or in a new section before the end marker.
    const int sectionLine = ini.indexOf(section);
    if (sectionLine >= 0) {
        ini.insert(ini.ListBlockEnd(sectionLine + 1), name + u'=' + value);
        return;
    }
    int at = insertionPoint(ini);
    ini.insert(at++, section);
    ini.insert(at, name + u'=' + value);
}

// Puts a component's lines, as the save pass writes them (its header, its
// key line, then its block), in place of the file's: the block after the
// key line is replaced, or the whole component added when the file lacks it.
// Text blocks (memos, holders) may hold empty lines and end only at a section.
void writeComponent(TStreamToIniCore &ini, const QString &name, const TStreamToIniCore &written, bool textBlock)
{
    const int key = ini.IndexOfName(path(name));
    if (key < 0) {
        const int at = insertionPoint(ini);
        for (int i = 0; i < written.count(); ++i)
            ini.insert(at + i, written.at(i));
        return;
    }
    const int first = key + 1;
    const int end = textBlock ? ini.TextBlockEnd(first) : ini.ListBlockEnd(first);
    for (int i = end - 1; i >= first; --i)
        ini.removeAt(i);
    for (int i = 2; i < written.count(); ++i)
        ini.insert(first + i - 2, written.at(i));
}

THolderData readHolder(const TStreamToIniCore &ini, const QString &name)
{
    THolderData data;
    const int key = ini.IndexOfKey(path(name));
    if (key >= 0)
        ini.ReadStringListHolder(key, data);
    return data;
}

void applyHolder(TStringListHolder &holder, const THolderData &data)
{
    holder.clear();
    holder.AddData(data);
}

} // namespace

// ---- Construction -------------------------------------------------------------------

TReuseJob::TReuseJob(TWorkbenchSettings &settings, IReporter *reporter, TStringListHolder *names,
                     TStringListHolder *statuses, const TSourceListHooks &hooks, QObject *parent)
    : QObject(parent), m_settings(settings), m_reporter(reporter)
{
    TSourceListHooks h = hooks;
    if (!h.Reporter)
        h.Reporter = reporter;
    if (!h.OutputDirectory)
        h.OutputDirectory = [this] { return m_outputDirectory; };
    if (!h.LanguageCode)
        h.LanguageCode = [this] { return m_languageCode; };
    if (!h.SettingValue)
        h.SettingValue = [this](const QString &name) { return m_settings.ValueOf(name); };
    if (!h.BigDirectoryLimit)
        h.BigDirectoryLimit = [this] { return m_settings.BigDirectoryLimit(); };
    if (!h.MaxDirDepth)
        h.MaxDirDepth = [this] { return m_maxDirDepth; };
    if (!h.CheckJobNames)
        h.CheckJobNames = [this] {
            m_jobName.clear();
            SetJobNameFromFile(DerivedJobName());
        };
    if (!h.MarkModified)
        h.MarkModified = [this] { SetModified(true); };
    if (!h.ShowNamesPage)
        h.ShowNamesPage = [this] { emit NamesPageWanted(); };
    if (!h.RemoveInterface)
        h.RemoveInterface = [this](const QString &csvName) {
            if (m_dm)
                m_dm->DeleteInterfaceByCSVName(csvName);
        };
    m_sources = std::make_unique<TSourceList>(h, names, statuses);
    // A converter's document goes straight to the repository; a list of
    // them is written as one bulk run.
    IConverterRunHost::ImportWsdl = [this](const QString &path) { ImportWsdlDocument(path); };
    ImportsUnderway = [this](bool underway) {
        if (m_dm)
            m_dm->SetBulkWrites(underway);
    };
    connect(m_sources.get(), &TSourceList::CommonRootChanged, this, &TReuseJob::Changed);
}

TReuseJob::~TReuseJob() = default;

const TAnalTypeConstants &TReuseJob::Row() const
{
    return m_settings.Row();
}

void TReuseJob::SetProgress(IProgress *progress)
{
    m_progress = progress;
    m_sources->SetProgress(progress);
}

// ---- State -------------------------------------------------------------------------

template <typename T>
void TReuseJob::assign(T &member, const T &value)
{
    if (member == value)
        return;
    member = value;
    emit Changed();
}

void TReuseJob::SetProductName(const QString &name) { assign(m_product, name); }
void TReuseJob::SetSystemName(const QString &name) { assign(m_system, name); }
void TReuseJob::SetLanguageCode(const QString &code) { assign(m_languageCode, code); }
void TReuseJob::SetQuenbarJobName(const QString &name) { assign(m_quenbarJobName, name); }
void TReuseJob::SetInterfaceType(const QString &type) { assign(m_interfaceType, type); }
void TReuseJob::SetMaxDirDepth(int depth) { assign(m_maxDirDepth, depth); }
void TReuseJob::SetListWidth(int width) { assign(m_listWidth, width); }
void TReuseJob::SetStopRequested(bool stop) { assign(m_stopRequested, stop); }
void TReuseJob::SetNewFileNames(const QStringList &lines) { assign(m_newFileNames, lines); }
void TReuseJob::SetLongExtensions(const QStringList &lines) { assign(m_longExtensions, lines); }
void TReuseJob::SetCaption(const QString &caption) { assign(m_caption, caption); }

void TReuseJob::SetJobName(const QString &name)
{
    assign(m_jobName, name);
}

void TReuseJob::SetJobNameFromFile(const QString &fileName)
{
    const bool none = fileName.isEmpty() || fileName == QLatin1String("*");
    SetJobName(none ? QString() : QFileInfo(fileName).completeBaseName());
    SetCaption(ReuseJob::CaptionWithJobName(m_caption, m_jobName));
}

QString TReuseJob::DerivedJobName()
{
    if (m_jobName.isEmpty()) {
        if (!ReuseJob::NameIsValid(m_product) && m_reporter)
            m_reporter->ShowError(QStringLiteral("Product name missing or incorrect"), false);
        if (!ReuseJob::NameIsValid(m_system) && m_reporter)
            m_reporter->ShowError(QStringLiteral("System name missing or incorrect"), false);
        assign(m_jobName, ReuseJob::DeriveJobName(m_product, m_system));
    }
    return m_jobName;
}

void TReuseJob::SetProjectDirectory(const QString &folder)
{
    assign(m_projectDirectory, WithTrailingChar(FromStoredPath(folder), QLatin1Char('/')));
}

void TReuseJob::SetOutputDirectory(const QString &folder)
{
    // As given: the window's field normalises the text when it is left.
    assign(m_outputDirectory, folder);
}

void TReuseJob::SetBatchRunning(bool running)
{
    assign(m_batchRunning, running);
}

void TReuseJob::SetModified(bool modified)
{
    if (m_modified == modified)
        return;
    m_modified = modified;
    emit ModifiedChanged(modified);
    emit Changed();
}

QString TReuseJob::ConverterChoice(int kind) const
{
    return kind >= 1 && kind <= TConverterRun::ConverterKinds ? m_converterChoice[kind] : QString();
}

void TReuseJob::SetConverterChoice(int kind, const QString &program)
{
    if (kind >= 1 && kind <= TConverterRun::ConverterKinds)
        assign(m_converterChoice[kind], program);
}

// ---- Job file ------------------------------------------------------------------------

TJobProperties TReuseJob::Properties() const
{
    TJobProperties p;
    p.ProjectName = m_jobName;
    p.ProjectProductName = m_product;
    p.ProjectSystemName = m_system;
    p.BatchRunning = m_batchRunning;
    p.ProjectDirectory = m_projectDirectory;
    p.LanguageCode = m_languageCode;
    p.ToolRoot = m_settings.ToolRoot();
    p.ProjectInterFaceType = m_interfaceType;
    p.MaxDirDepth = m_maxDirDepth;
    p.ProjectCommonRoot = m_sources->CommonRoot();
    p.SelectedFilesScreenWidth = m_listWidth;
    p.QuenbarJobName = m_quenbarJobName;
    return p;
}

void TReuseJob::Load(const QString &fileName)
{
    TStreamToIniCore ini;
    ini.LoadFromFile(fileName);
    const TJobProperties p = ReuseJob::ReadProperties(ini);
    const QStringList start = SplitCommaText(m_settings.ValueOf(kStartKey), TCommaBlanks::Trim);
    if (start.size() < 2) {
        if (m_reporter)
            m_reporter->AddError(QStringLiteral("Corrupt ini file!"), true);
        throw EAbort();
    }
    // Read everything before changing anything: a bad file leaves the job as it was.
    QList<TCheckListItem> items;
    if (const int key = ini.IndexOfKey(path(kSourceList)); key >= 0)
        ini.ReadCheckListItems(key, false, items);
    const THolderData names = readHolder(ini, kNames);
    const THolderData statuses = readHolder(ini, kStatuses);
    const auto memo = [&](const QString &name) {
        const int key = ini.IndexOfKey(path(name));
        return key < 0 ? QStringList() : ini.ReadMemoLines(key);
    };
    const auto edit = [&](const QString &name, const QString &fallback) {
        const int key = ini.IndexOfName(path(name));
        return key < 0 ? fallback : ini.valueAt(key);
    };
    const QString projectDirectory = WithTrailingChar(
        FromStoredPath(p.ProjectDirectory.isEmpty() ? QFileInfo(fileName).absolutePath() : p.ProjectDirectory),
        QLatin1Char('/'));
    const QString outputDir = edit(kOutputFrame + QStringLiteral(".Edit"), projectDirectory + p.ProjectName);

    m_fileName = QFileInfo(fileName).absoluteFilePath();
    m_fileLines = ini.lines();
    m_languageCode = start.at(1);
    m_caption = ReuseJob::CaptionWithItem(Row().AppCaption + QStringLiteral(" - "), start.at(0));
    m_product = edit(kProductEdit, p.ProjectProductName);
    m_system = edit(kSystemEdit, p.ProjectSystemName);
    m_projectDirectory = projectDirectory;
    m_outputDirectory = ReuseJob::NormalizeOutputDirectory(FromStoredPath(outputDir));
    m_interfaceType = p.ProjectInterFaceType;
    m_maxDirDepth = p.MaxDirDepth;
    m_batchRunning = p.BatchRunning;
    m_listWidth = p.SelectedFilesScreenWidth;
    m_quenbarJobName = p.QuenbarJobName;
    m_newFileNames = memo(kNewFileNames);
    m_longExtensions = memo(kLongExtensions);
    applyHolder(*m_sources->Names(), names);
    applyHolder(*m_sources->Statuses(), statuses);
    m_sources->SetItems(items);
    m_sources->SetCommonRoot(p.ProjectCommonRoot);
    m_jobName.clear();
    SetJobNameFromFile(p.ProjectName);
    // A job whose output directory is gone gets its folders again.
    if (!m_outputDirectory.isEmpty() && !QFileInfo(m_outputDirectory).isDir()) {
        QDir().mkpath(WorkDir());
        QDir().mkpath(StagingDir());
    }
    // A batch that was running when the job was saved must be looked at.
    m_modified = p.BatchRunning;
    emit ModifiedChanged(m_modified);
    emit Changed();
}

void TReuseJob::Save(const QString &fileName)
{
    const QString target = fileName.isEmpty() ? m_fileName : fileName;
    if (target.isEmpty())
        throw EFileError(QStringLiteral("The job has no file to be saved to"));
    TStreamToIniCore ini;
    ini.setLines(m_fileLines);

    // The properties section in place of the old one (or first).
    TStreamToIniCore properties;
    ReuseJob::WriteProperties(properties, Properties());
    int at = ini.indexOf(QStringLiteral("[Properties]"));
    if (at >= 0) {
        const int end = ini.ListBlockEnd(at + 1);
        for (int i = end - 1; i >= at; --i)
            ini.removeAt(i);
    } else {
        at = ini.IndexOfName(FileFormatName) >= 0 ? ini.IndexOfName(FileFormatName) + 1 : 0;
    }
    for (int i = 0; i < properties.count(); ++i)
        ini.insert(at + i, properties.at(i));

    writeComponents(ini);
    ini.SaveToFile(target);
    m_fileName = QFileInfo(target).absoluteFilePath();
    m_fileLines = ini.lines();
    SetModified(false);
}

void TReuseJob::writeComponents(TStreamToIniCore &ini) const
{
    const QString edits = KindSection(skEdit);
    if (!m_caption.isEmpty())
        writeEntry(ini, KindSection(skCaption), path(QStringLiteral("Caption")), m_caption);
    writeEntry(ini, KindSection(skFrameEdits), path(kOutputFrame + QStringLiteral(".Edit")), m_outputDirectory);
    writeEntry(ini, edits, path(kProductEdit), m_product);
    writeEntry(ini, edits, path(kSystemEdit), m_system);
    writeEntry(ini, edits, path(kCommonRootEdit), m_sources->CommonRoot());

    TStreamToIniCore list;
    list.AppendCheckListBox(FormName(), kSourceList, m_sources->Items());
    writeComponent(ini, kSourceList, list, false);
    for (const auto &[name, holder] : {std::pair{kNames, m_sources->Names()}, std::pair{kStatuses, m_sources->Statuses()}}) {
        TStreamToIniCore written;
        written.AppendStringListHolder(FormName(), name, holder->Data());
        writeComponent(ini, name, written, true);
    }
    for (const auto &[name, lines] : {std::pair{kNewFileNames, m_newFileNames}, std::pair{kLongExtensions, m_longExtensions}}) {
        if (lines.isEmpty() && ini.IndexOfName(path(name)) < 0)
            continue;
        TStreamToIniCore written;
        written.AppendMemo(FormName(), name, lines);
        writeComponent(ini, name, written, true);
    }
}

// ---- Work --------------------------------------------------------------------------------

void TReuseJob::ImportWsdlDocument(const QString &path)
{
    if (!m_dm)
        throw EQuenbarError(QStringLiteral("No repository for ") + path);
    TWsdlImporter importer(*m_dm, m_outputDirectory, m_progress);
    importer.ImportWsdlFile(path);
}

std::vector<TGeneratedInterface> TReuseJob::GenerateAllInterfaces()
{
    std::vector<TGeneratedInterface> done;
    if (!m_dm)
        return done;
    if (!m_dm->Connected())
        m_dm->OpenRepository(ReuseJob::RepositoryFolderOf(m_outputDirectory), false);
    for (const TInterfaceFile &face : InterfaceFiles::ReadAll(*m_dm))
        done.push_back(InterfaceFiles::Generate(*m_dm, face, m_outputDirectory, m_reporter));
    return done;
}

int TReuseJob::RunUnattendedImport(TConverterRun &run)
{
    m_generated.clear();
    RunCommand(m_reporter, [&] {
        run.ActRunCSVToWSDL();
        if (run.Watching()) {
            QEventLoop wait;
            connect(&run, &TConverterRun::runEnded, &wait, &QEventLoop::quit);
            if (run.Watching())
                wait.exec();
        }
        m_generated = GenerateAllInterfaces();
        if (m_modified) {
            if (SaveJob)
                SaveJob();
            else
                Save();
        }
    });
    return m_reporter && m_reporter->ErrorsReported() > 0 ? 1 : 0;
}

// ---- The analysis hand-off -------------------------------------------------------------

Ostrin::TShellHost TReuseJob::AnalysisHost(const QString &languageButton)
{
    const QString out = WithTrailingChar(m_outputDirectory, QLatin1Char('/'));
    Ostrin::TShellHost host;
    host.OutputDirectory = m_outputDirectory;
    host.ActiveLanguage = languageButton;
    host.ProductName = m_product;
    host.SystemName = m_system;
    host.ProjectDirectory = out;
    host.Version = QStringLiteral("1.0");
    host.HostJobPath = out + DerivedJobName() + m_quenbarJobName;
    return host;
}

QStringList TReuseJob::TakeAnalyserExports(const QString &shellOutputDirectory)
{
    // Our analyser writes one export per program (the export format holds
    // one program), in folders that mirror the sources: then each joins.
    const QString exports = WithTrailingChar(shellOutputDirectory, QLatin1Char('/')) + QStringLiteral("Exports");
    QStringList exported;
    const QString systemExport = exports + QLatin1Char('/') + m_system + QStringLiteral(".csv");
    if (QFileInfo::exists(systemExport)) {
        exported << systemExport;
    } else {
        QDirIterator it(exports, {QStringLiteral("*.csv")}, QDir::Files, QDirIterator::Subdirectories);
        while (it.hasNext())
            exported << it.next();
        exported.sort();
    }
    for (const QString &file : std::as_const(exported)) {
        m_sources->RemoveSourceFile(file);
        // An older source of the same base name would import over the fresh
        // export (the base name is the interface's CSV name): the export replaces it.
        const QString base = QFileInfo(file).completeBaseName();
        for (int row = m_sources->Count() - 1; row >= 0; --row)
            if (QFileInfo(m_sources->PathAt(row)).completeBaseName().compare(base, Qt::CaseInsensitive) == 0) {
                if (m_reporter)
                    m_reporter->ShowWarning(QStringLiteral("%1 is replaced by the analyser's export %2")
                                                .arg(m_sources->PathAt(row), file));
                m_sources->RemoveSourceFile(row);
            }
        m_sources->AddSourceFile(file);
    }
    m_sources->RefreshSourceList();
    return exported;
}

int TReuseJob::RunUnattendedReuse(TConverterRun &run, const QString &programPath)
{
    // The analysis of the COBOL sources the shell's job holds.
    Ostrin::TShellHost host = AnalysisHost(QStringLiteral("RadioButtonCob85"));
    const bool analysed = RunHostedAnalysis(host, 3, programPath, m_reporter);
    SetQuenbarJobName(host.ProjectSubVersion);
    SetModified(true);
    if (!analysed) {
        if (m_reporter)
            m_reporter->AddError(QStringLiteral("The analysis of the sources failed, nothing was imported"), true);
        return 1;
    }
    const QStringList taken = TakeAnalyserExports(host.OutputDirectory);
    if (taken.isEmpty() && m_reporter)
        m_reporter->AddError(QStringLiteral("The analyser left no export in ") + host.OutputDirectory
                                 + QStringLiteral("/Exports"),
                             true);
    return RunUnattendedImport(run);
}

// ---- IConverterRunHost -----------------------------------------------------------------

QString TReuseJob::appName()
{
    return Row().AppName;
}

QString TReuseJob::commonRoot()
{
    return m_sources->CommonRoot();
}

QString TReuseJob::converterProgram(int kind)
{
    const QString chosen = ConverterChoice(kind);
    if (!chosen.isEmpty() && chosen != QLatin1String("?"))
        return chosen;
    return m_settings.ConverterDefault(kind == 1 ? QStringLiteral("WSDLProc_Processor")
                                                 : QStringLiteral("WSDLObjt_Processor"));
}

TConverterRunFlags TReuseJob::runFlags()
{
    TConverterRunFlags f;
    f.BlindRun = m_settings.BlindRun();
    f.CaptureLog = m_settings.CaptureLog();
    f.DOSBoxActive = m_settings.DOSBoxActive();
    f.DOSBoxProgram = m_settings.DOSBoxProgram();
    f.DOSBoxConfigFile = m_settings.DOSBoxConfigFile();
    f.DeleteAfter = m_settings.DeleteAfter();
    f.DeleteAfterControl = m_settings.DeleteAfterControl();
    f.BigDirectoryLimit = m_settings.BigDirectoryLimit();
    return f;
}

QStringList TReuseJob::sourceLines() { return m_sources->Lines(); }
bool TReuseJob::sourceChecked(int position) { return m_sources->CheckedAt(position); }
void TReuseJob::disableSource(int position) { m_sources->DisableSource(position); }
QStringList TReuseJob::holderPaths() { return m_sources->HolderPaths(); }
QList<int> TReuseJob::holderKinds() { return m_sources->HolderKinds(); }
void TReuseJob::checkSourcesSelected() { m_sources->CheckSourcesSelected(); }
void TReuseJob::refreshSourceList() { m_sources->RefreshSourceList(); }
void TReuseJob::updateSourceCountCaption() { m_sources->UpdateGroupCaption(); }

void TReuseJob::leaveOutputDirectory()
{
    if (OnLeaveOutputDirectory) {
        OnLeaveOutputDirectory();
        return;
    }
    const QString problem = ReuseJob::OutputDirectoryProblem(m_outputDirectory);
    if (!problem.isEmpty() && m_reporter)
        m_reporter->ShowError(problem, false);
    SetOutputDirectory(ReuseJob::NormalizeOutputDirectory(m_outputDirectory));
    SetModified(true);
}

void TReuseJob::setApplicationTitle(const QString &title)
{
    assign(m_applicationTitle, title);
}

void TReuseJob::setBatchRunning(bool running)
{
    SetBatchRunning(running);
    SetModified(true);
}

void TReuseJob::SetBusyPreparing(bool busy)
{
    assign(m_busyPreparing, busy);
}

void TReuseJob::SetCancelRunEnabled(bool enabled)
{
    assign(m_cancelRunEnabled, enabled);
}

void TReuseJob::setLogViewsEnabled(bool enabled)
{
    assign(m_logViewsEnabled, enabled);
}

void TReuseJob::viewProductLog()
{
    if (OnViewProductLog)
        OnViewProductLog();
}
