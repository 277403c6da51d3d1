#include "ShellJob.h"

#include "Errors.h"
#include "LanguageSelection.h"
#include "PathPickerLogic.h"
#include "Reporting.h"
#include "ScopeGuard.h"
#include "SharedRoutinesCommon.h"
#include "ShellSettings.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

using namespace StreamToIniFormat;

namespace {

const QString kProductMessage = QStringLiteral("Product name missing or incorrect");
const QString kSystemMessage = QStringLiteral("System name missing or incorrect");
const QString kVersionMessage = QStringLiteral("Version missing or incorrect (0..9 and . are accepted)");
const QString kLoadError =
    QStringLiteral(" Error while loading project definition, it was possibly generated with an older version of the tool");
const QString kActiveRadioButton = QStringLiteral("ActiveRadioButton");

QString withoutTrailingDelimiter(QString path)
{
    while (path.size() > 1 && path.endsWith(u'/'))
        path.chop(1);
    return path;
}

} // namespace

QString WeightName(int weight)
{
    switch (weight) {
    case 0: return QStringLiteral("Off");
    case 1: return QStringLiteral("Normal");
    case 2: return QStringLiteral("Double");
    case 3: return QStringLiteral("High");
    default: return QString();
    }
}

TShellJob::TShellJob(TShellSettings &settings, IReporter *reporter) : m_settings(settings), m_reporter(reporter)
{
    Q_ASSERT(m_reporter);
}

const Ostrin::TAnalTypeConstants &TShellJob::Row() const { return m_settings.Row(); }
int TShellJob::Kind() const { return m_settings.Row().KindNumber; }
bool TShellJob::Hosted() const { return Ostrin::IsHostedKind(Kind()); }

void TShellJob::ApplyHost()
{
    if (!m_host)
        return;
    m_product = m_host->ProductName;
    m_system = m_host->SystemName;
    m_version = m_host->Version;
    m_outputDirectory = withoutTrailingDelimiter(FromStoredPath(m_host->OutputDirectory));
    m_projectFolder = FromStoredPath(m_host->ProjectDirectory);
    if (!m_host->ActiveLanguage.isEmpty()) {
        m_activeButton = m_host->ActiveLanguage;
        m_settings.SetActiveButton(m_host->ActiveLanguage);
    }
}

// ---- Identity ---------------------------------------------------------------------------

bool TShellJob::ProductNameIsValid(const QString &name) { return name.size() <= 8 && NameIsValid(name); }

bool TShellJob::VersionIsValid(const QString &version)
{
    if (version.isEmpty() || version.size() > 8)
        return false;
    for (const QChar c : version)
        if (!(c.isDigit() && c.unicode() < 128) && c != u'.')
            return false;
    return true;
}

void TShellJob::validateName(const QString &value, bool version, const QString &edit, const QString &message)
{
    if (version ? VersionIsValid(value) : ProductNameIsValid(value))
        return;
    if (OnNameError)
        OnNameError(edit);
    m_reporter->ErrorAndAbort(message);
}

bool TShellJob::setName(QString &member, const QString &text, bool version, const QString &edit, const QString &message)
{
    if (text.isEmpty())
        return false;   // leaving an empty edit validates nothing
    const QString value = text == QLatin1String("*") ? QString() : text;
    if (!value.isEmpty())
        validateName(value, version, edit, message);
    if (value == member)
        return false;
    member = value;
    return true;
}

void TShellJob::SetProductName(const QString &text)
{
    if (setName(m_product, text, false, ShellJobNames::ProductEdit, kProductMessage)) {
        SetJobName(QString());
        m_neverSaved = true;
        SetModified(true);
    }
}

void TShellJob::SetSystemName(const QString &text)
{
    if (setName(m_system, text, false, ShellJobNames::SystemEdit, kSystemMessage)) {
        SetJobName(QString());
        m_neverSaved = true;
        SetModified(true);
    }
}

void TShellJob::SetVersion(const QString &text)
{
    if (setName(m_version, text, true, ShellJobNames::VersionEdit, kVersionMessage))
        SetModified(true);
}

void TShellJob::SetJobName(const QString &name)
{
    const QString base = name == QLatin1String("*") ? QString() : name;
    m_jobName = base;
    if (!base.isEmpty()) {
        SetCaption(CaptionWithJobName(m_caption, m_jobName));
    } else if (m_caption.contains(QLatin1String(" ["))) {
        // No job name, no empty brackets: the caption loses its name part.
        const QString tail = TextAfterLast(m_caption, QStringLiteral("]"));
        SetCaption(TextBeforeLast(m_caption, QStringLiteral(" [")) + tail);
    }
}

QString TShellJob::proposedJobName() const
{
    if (!m_jobName.isEmpty())
        return m_jobName;
    return CapitalizeWords(m_product) + CapitalizeWords(m_system) + CapitalizeWords(m_languageVersion);
}

QString TShellJob::DerivedJobName()
{
    if (m_jobName.isEmpty()) {
        validateName(m_product, false, ShellJobNames::ProductEdit, kProductMessage);
        validateName(m_system, false, ShellJobNames::SystemEdit, kSystemMessage);
        validateName(m_version, true, ShellJobNames::VersionEdit, kVersionMessage);
        SetJobName(proposedJobName());
    }
    return m_jobName;
}

void TShellJob::ValidateJobNames()
{
    validateName(m_product, false, ShellJobNames::ProductEdit, kProductMessage);
    validateName(m_system, false, ShellJobNames::SystemEdit, kSystemMessage);
    SetJobName(DerivedJobName());
    if (m_outputDirectory.isEmpty()) {
        if (OnNameError)
            OnNameError(ShellJobNames::OutputFrame);
        m_reporter->ErrorAndAbort(QStringLiteral("You have to set the output directory(s) first!"));
    }
}

void TShellJob::SetProjectFolder(const QString &path)
{
    const QFileInfo fi(FromStoredPath(path));
    m_projectFolder = fi.isDir() ? fi.absoluteFilePath() : fi.absolutePath();
    if (!Hosted()) {
        WriteSetting(QStringLiteral("LastPosition") + m_languageCode, m_projectFolder);
        WriteSetting(QStringLiteral("LastPosition"), m_projectFolder);
    }
}

void TShellJob::SetOutputDirectory(const QString &folder) { m_outputDirectory = withoutTrailingDelimiter(FromStoredPath(folder)); }

QString TShellJob::WorkFolder() const { return m_outputDirectory + QStringLiteral("/work"); }

void TShellJob::SetCaption(const QString &caption)
{
    if (caption == m_caption)
        return;
    m_caption = caption;
    if (OnCaptionChanged)
        OnCaptionChanged(m_caption);
}

// ---- Flags -------------------------------------------------------------------------------

void TShellJob::SetModifiedDirectly(bool value)
{
    const bool changed = value != m_modified;
    m_modified = value;
    if (changed && OnModifiedChanged)
        OnModifiedChanged(m_modified);
}

void TShellJob::SetModified(bool value)
{
    if (!value && m_modified) {
        if (Hosted()) {
            SaveJob(false);
        } else {
            const int answer = m_reporter->Ask(
                TMsgDlgType::Warning,
                QStringLiteral("The current project has been modified \r\nDo you want to save the changes?'"),
                mbYesNoCancel);
            if (answer == mbYes)
                SaveJob(false);
            else if (answer == mbCancel)
                m_reporter->ErrorAndAbort(QStringLiteral("Action cancelled"));
        }
    }
    SetModifiedDirectly(value);
}

// ---- Definitions ---------------------------------------------------------------------------

void TShellJob::MetricTicked(int index, bool ticked)
{
    if (index < 0 || index >= m_definitions.Metrics.size())
        return;
    SetModified(true);
    m_definitions.Metrics[index].checked = ticked;
    while (m_definitions.Weights.size() < m_definitions.Metrics.size())
        m_definitions.Weights << QStringLiteral("1");
    m_definitions.Weights[index] = ticked ? QStringLiteral("1") : QStringLiteral("0");
}

void TShellJob::SetMetricWeight(int index, int weight)
{
    if (index < 0 || index >= m_definitions.Metrics.size() || weight < 0 || weight > 3)
        return;
    while (m_definitions.Weights.size() < m_definitions.Metrics.size())
        m_definitions.Weights << QStringLiteral("1");
    m_definitions.Weights[index] = QString::number(weight);
    m_definitions.Metrics[index].checked = weight != 0;
    SetModified(true);
}

// ---- Job file -------------------------------------------------------------------------------

QString TShellJob::JobFilePath() const
{
    return WithTrailingChar(m_projectFolder, QLatin1Char('/')) + m_jobName + Row().JobExtension;
}

QString TShellJob::JobFileFilter() const
{
    const QString ext = Row().JobExtension;
    return QStringLiteral("Job definitions files(*%1)|*%1").arg(ext);
}

void TShellJob::NewJobReset()
{
    if (!Hosted()) {
        m_system.clear();
        m_product.clear();
        m_version.clear();
    }
    m_commonRoot.clear();
    m_definitions.Limits.clear();
    if (OnNewJobReset)
        OnNewJobReset();
    SetJobName(QString());
    m_saveTime = QDateTime();
    SetModifiedDirectly(false);
}

QString TShellJob::path(const QString &component) const { return ShellJobNames::Window + QLatin1Char('.') + component; }

void TShellJob::WriteJobFile(const QString &target)
{
    TStreamToIniCore ini;
    ini.add(QStringLiteral("[RadioButtons]"));
    ini.WriteValue(kActiveRadioButton, m_activeButton);
    ini.add(QStringLiteral("[Properties]"));
    ini.WriteValue(QStringLiteral("ProjectName"), m_jobName);
    ini.WriteValue(QStringLiteral("ProjectProductName"), m_product);
    ini.WriteValue(QStringLiteral("ProjectSystemName"), m_system);
    ini.WriteValue(QStringLiteral("ProjectSystemVersion"), m_version);
    ini.WriteValue(QStringLiteral("BatchRunning"), BoolToYN(m_batchRunning));
    ini.WriteValue(QStringLiteral(";ProjectVersion"), m_languageCode);
    ini.WriteValue(QStringLiteral("ProjectSubVersion"), m_languageVersion);
    ini.WriteValue(QStringLiteral(";ToolRootDir"), m_settings.ToolRoot());
    ini.WriteValue(QStringLiteral("ProjectInterFaceType"), m_interfaceType);
    ini.WriteValue(QStringLiteral("MaxDirDepth"), QString::number(m_maxDirDepth));
    ini.WriteValue(QStringLiteral("ProjectCommonRoot"), m_commonRoot);
    ini.WriteValue(QStringLiteral("SelectedFilesScreenWidth"), QString::number(m_listWidth));
    ini.WriteValue(QStringLiteral("SystemNameByDirectory"), BoolToYN(m_nameByDirectory));
    ini.WriteValue(QStringLiteral("SourceLinesInJob"), QString::number(m_sourceLines));
    ini.WriteValue(QStringLiteral("PreviewBeforePrinting"), BoolToYN(m_previewBeforePrinting));
    if (m_batchRunning) {
        ini.WriteValue(QStringLiteral("NumberOfRenamedModules"), QString::number(RenamedModules));
        ini.WriteValue(QStringLiteral("NumberOfModules"), QString::number(Modules));
        ini.WriteValue(QStringLiteral("NumberOfRenamedSourceFiles"), QString::number(RenamedSourceFiles));
        ini.WriteValue(QStringLiteral("NumberOfSourceFiles"), QString::number(SourceFiles));
    }
    if (m_language && m_language->Configuration().MaxValuesPage) {
        ini.add(QStringLiteral("[TStringGrid]"));
        ini.add(ShellJobNames::LimitsGrid + QLatin1Char('=') + ShellJobNames::LimitsGrid);
        for (const TLimitRow &row : m_definitions.Limits)
            ini.add(row.Key + QLatin1Char('=') + row.Description.trimmed() + QLatin1Char(',') + row.Number.trimmed());
    }
    writeLists(ini);
    if (WriteSourceParts)
        WriteSourceParts(ini);
    if (WriteWindowState)
        WriteWindowState(ini);
    ini.SaveToFile(target);
}

void TShellJob::writeLists(TStreamToIniCore &ini) const
{
    using namespace ShellJobNames;
    ini.AppendFormHeader(Window);
    ini.add(KindSection(skFrameEdits));
    ini.AppendEntry(path(OutputFrame + QStringLiteral(".Edit")), m_outputDirectory);
    ini.add(KindSection(skEdit));
    ini.AppendEntry(path(ProductEdit), m_product);
    ini.AppendEntry(path(SystemEdit), m_system);
    ini.AppendEntry(path(VersionEdit), m_version);
    ini.add(KindSection(skCheckListBox));
    ini.AppendCheckListBox(Window, Rules, m_definitions.Rules);
    ini.AppendCheckListBox(Window, Metrics, m_definitions.Metrics);
    ini.AppendCheckListBox(Window, Specs, m_definitions.Specs);
    ini.AppendCheckListBox(Window, Functab, m_definitions.Functab);
    ini.add(KindSection(skStringListHolder));
    THolderData weights;
    weights.entries = m_definitions.Weights;
    ini.AppendStringListHolder(Window, Weights, weights);
}

void TShellJob::readLists(const TStreamToIniCore &ini)
{
    using namespace ShellJobNames;
    const auto edit = [&](const QString &name, QString &value) {
        const int key = ini.IndexOfKey(path(name));
        if (key >= 0)
            value = ini.valueAt(key);
    };
    QString output = m_outputDirectory;
    edit(OutputFrame + QStringLiteral(".Edit"), output);
    SetOutputDirectory(output);
    edit(ProductEdit, m_product);
    edit(SystemEdit, m_system);
    edit(VersionEdit, m_version);
    const auto list = [&](const QString &name, QList<TCheckListItem> &items) {
        const int key = ini.IndexOfKey(path(name));
        if (key < 0)
            return;
        items.clear();
        ini.ReadCheckListItems(key, false, items);
    };
    list(Rules, m_definitions.Rules);
    list(Metrics, m_definitions.Metrics);
    list(Specs, m_definitions.Specs);
    list(Functab, m_definitions.Functab);
    const int key = ini.IndexOfKey(path(Weights));
    if (key >= 0) {
        THolderData weights;
        ini.ReadStringListHolder(key, weights);
        m_definitions.Weights = weights.entries;
    }
}

void TShellJob::SaveJob(bool saveAs)
{
    QString target;
    if (!saveAs) {
        target = JobFilePath();
        m_neverSaved = !QFileInfo(target).isFile();
    }
    if (saveAs || m_jobName.isEmpty() || m_neverSaved) {
        if (CheckOutputDirectory) {
            try {
                CheckOutputDirectory();
            } catch (const EAbort &) {
            } catch (const EQuenbarError &) {
            }
        }
        TFileDialogRequest request;
        request.caption = QStringLiteral("Save job as...");
        request.fileName = proposedJobName() + Row().JobExtension;
        request.folder = m_projectFolder;
        request.filter = PathPicker::QtFilter(JobFileFilter());
        const QString chosen = m_reporter->AskSaveFileName(request);
        if (chosen.isEmpty())
            m_reporter->ErrorAndAbort(QStringLiteral("Save cancelled"));
        target = FromStoredPath(chosen);
        SetProjectFolder(target);
        SetJobName(QFileInfo(target).completeBaseName());
    }
    const QString parent = TextBeforeLast(m_outputDirectory, QStringLiteral("/"));
    const QString lastOutput = parent.contains(u'/') ? parent : m_outputDirectory;
    WriteSetting(QStringLiteral("LastOutputDir") + m_languageCode, lastOutput);
    WriteSetting(QStringLiteral("LastOutputDir"), lastOutput);
    WriteJobFile(target);
    m_neverSaved = false;
    recordForHost(target);
    SetModifiedDirectly(false);
}

void TShellJob::recordForHost(const QString &saved)
{
    if (!m_host || !Hosted())
        return;
    m_host->SavedJobFile = saved;
    switch (Kind()) {
    case 1:
    case 2: m_host->HostJobPath = saved; break;
    case 6: {
        m_host->HostJobPath6 = saved;
        const QString cases = m_outputDirectory + QStringLiteral("/Cases/") + m_system + QStringLiteral(".csv");
        m_host->TestCaseFile = QFileInfo(cases).isFile() ? cases : QString();
        break;
    }
    case 4:
        m_host->ProjectSubVersion = m_languageVersion;
        // The language's folder below the host's: the host finds the exports there.
        m_host->OutputDirectory = m_outputDirectory;
        break;
    default: break;
    }
}

void TShellJob::LoadJob(const QString &file)
{
    const QString jobFile = FromStoredPath(file);
    bool failed = false;
    try {
        TStreamToIniCore ini;
        ini.LoadFromFile(jobFile);
        readJob(ini, jobFile);
    } catch (const EAbort &) {
        failed = true;
    } catch (const EQuenbarError &) {
        failed = true;
    }
    if (failed)
        m_reporter->AddError(kLoadError, true);
    m_saveTime = FileModifiedTime(jobFile);
    {
        // The names page comes up however the definitions end.
        const TScopeGuard namesPage([this] {
            if (OnShowNamesPage)
                OnShowNamesPage();
        });
        const TScopeGuard loadModeOff([this] { m_loadMode = false; });
        if (m_language)
            m_language->LoadDefinitions();
    }
    if (failed)
        throw EAbort();
}

void TShellJob::readJob(const TStreamToIniCore &ini, const QString &jobFile)
{
    const QString active = ini.ReadValue(kActiveRadioButton);
    if (m_language)
        m_language->SelectLanguage(QStringLiteral("???") + active, ini.ReadValue(QStringLiteral("ProjectName")));
    m_loadMode = true;
    m_commonRoot = ini.ReadValue(QStringLiteral("ProjectCommonRoot"));
    m_activeButton = active;
    m_settings.SetActiveButton(active);
    SetJobName(ini.ReadValue(QStringLiteral("ProjectName")));
    const QString product = ini.ReadValue(QStringLiteral("ProjectProductName"));
    if (!product.isEmpty())
        validateName(product, false, ShellJobNames::ProductEdit, kProductMessage);
    m_product = product;
    const QString system = ini.ReadValue(QStringLiteral("ProjectSystemName"));
    if (!system.isEmpty())
        validateName(system, false, ShellJobNames::SystemEdit, kSystemMessage);
    m_system = system;
    m_version = ini.ReadValue(QStringLiteral("ProjectSystemVersion"));   // validation errors ignored
    m_languageVersion = ini.ReadValue(QStringLiteral("ProjectSubVersion"));
    m_interfaceType = ini.ReadValue(QStringLiteral("ProjectInterFaceType"));
    SetProjectFolder(QFileInfo(jobFile).absolutePath());
    m_maxDirDepth = ZeroPrefixedInt(ini.ReadValue(QStringLiteral("MaxDirDepth")));
    if (ini.ReadValue(QStringLiteral("BatchRunning")) == QLatin1String("Y")) {
        m_batchRunning = true;
        SetModifiedDirectly(true);
    } else {
        m_batchRunning = false;
    }
    RenamedModules = ZeroPrefixedInt(ini.ReadValue(QStringLiteral("NumberOfRenamedModules")));
    Modules = ZeroPrefixedInt(ini.ReadValue(QStringLiteral("NumberOfModules")));
    RenamedSourceFiles = ZeroPrefixedInt(ini.ReadValue(QStringLiteral("NumberOfRenamedSourceFiles")));
    SourceFiles = ZeroPrefixedInt(ini.ReadValue(QStringLiteral("NumberOfSourceFiles")));
    m_listWidth = ZeroPrefixedInt(ini.ReadValue(QStringLiteral("SelectedFilesScreenWidth")));
    m_nameByDirectory = TextToBool(ini.ReadValue(QStringLiteral("SystemNameByDirectory")));
    m_sourceLines = ZeroPrefixedInt(ini.ReadValue(QStringLiteral("SourceLinesInJob")));
    m_previewBeforePrinting = TextToBool(ini.ReadValue(QStringLiteral("PreviewBeforePrinting")), false);
    if (m_language) {
        SetCaption(CaptionWithItem(m_caption, m_language->DisplayName()));
        SetJobName(m_jobName);   // the language's caption drops the name part
    }

    readLists(ini);
    if (ReadSourceParts)
        ReadSourceParts(ini);
    if (RestoreWindowState)
        RestoreWindowState(ini);
    TDefinitionLists &d = m_definitions;
    if (d.Weights.size() != d.Metrics.size()) {
        d.Weights.clear();
        for (const TCheckListItem &m : d.Metrics)
            d.Weights << (m.checked ? QStringLiteral("1") : QStringLiteral("0"));
    }
    const int grid = ini.IndexOfName(ShellJobNames::LimitsGrid);
    if (grid >= 0 && !ini.valueAt(grid).isEmpty() && (!m_language || m_language->Configuration().MaxValuesPage)) {
        QStringList lines;
        for (int i = grid + 1; i < ini.count() && !ini.at(i).startsWith(QLatin1Char('[')); ++i)
            lines << ini.at(i);
        d.Limits = TShellLanguage::LimitRows(lines);
    }
    SetModifiedDirectly(false);
}

void TShellJob::NewJob()
{
    SetModified(false);
    if (m_language && !m_activeButton.isEmpty())
        m_language->SelectLanguage(m_activeButton);
    if (OnShowNamesPage)
        OnShowNamesPage();
}

void TShellJob::OpenJob(const QString &file)
{
    SetModified(false);
    NewJobReset();
    if (OnShowNamesPage)
        OnShowNamesPage();
    QString chosen = file;
    if (chosen.isEmpty()) {
        TFileDialogRequest request;
        request.caption = QStringLiteral("Open a ") + Row().JobHeader;
        request.folder = m_projectFolder;
        request.filter = PathPicker::QtFilter(JobFileFilter());
        request.defaultExtension = Row().JobExtension.mid(1);
        chosen = m_reporter->AskOpenFileName(request);
        if (chosen.isEmpty())
            m_reporter->ErrorAndAbort(QStringLiteral("File search cancelled, new project created"));
    }
    LoadJob(chosen);
    m_neverSaved = false;
    CheckBatchOnOpen();
}

bool TShellJob::DropJobFiles(const QStringList &files)
{
    if (Hosted() || files.size() != 1)
        return false;
    const QFileInfo fi(FromStoredPath(files.first()));
    // The extension must match exactly, letter case included.
    if (fi.isDir() || !fi.fileName().endsWith(Row().JobExtension, Qt::CaseSensitive))
        return false;
    SetModified(false);
    NewJobReset();
    if (OnShowNamesPage)
        OnShowNamesPage();
    LoadJob(fi.filePath());
    m_neverSaved = false;
    return true;
}

void TShellJob::CheckBatchOnOpen()
{
    if (!m_batchRunning)
        return;
    if (CountArrivedResults)
        CountArrivedResults();
    if (RenamedModules == Modules) {
        m_reporter->Ask(TMsgDlgType::Information,
                        QStringLiteral("Your batch process seems to have finished in the mean time. \r\nEnjoy the results. "),
                        mbOK);
        m_batchRunning = false;
        SaveJob(false);
        return;
    }
    const int answer = m_reporter->Ask(
        TMsgDlgType::Warning,
        QStringLiteral("Some awaited outputs are still misssing from your previous processing.\r\nIf your background job "
                       "is still running, reply Cancel to exit.\r\nReply OK, if the process was broken, and you want to "
                       "restart this project."),
        mbOKCancel);
    if (answer == mbCancel) {
        SetModifiedDirectly(true);
        SaveJob(false);
        m_batchRunning = false;
        if (CloseShell)
            CloseShell();
    } else {
        m_batchRunning = false;
        SetModifiedDirectly(true);
    }
}

bool TShellJob::CloseRequest()
{
    if (StoppableOperationRunning && StoppableOperationRunning()) {
        if (m_reporter->Ask(TMsgDlgType::Confirmation,
                            QStringLiteral("The User requested to stop the process, please confirm?"), mbYesNo)
                == mbYes
            && RequestStop)
            RequestStop();
        return false;
    }
    if (CloseViewerPages && !CloseViewerPages())
        return false;
    if (m_batchRunning) {
        const int answer = m_reporter->Ask(
            TMsgDlgType::Warning,
            QStringLiteral("You are running a batch process in the background. If you quit \r\nnow, you will loose the "
                           "connection with it. If you open the same \r\nproject again later, it will try to synchrornize "
                           "with the results. It is \r\nbetter not to exit this task.\r\n\r\nDo you still want to exit?"),
            mbYesNo);
        if (answer == mbYes) {
            SetModifiedDirectly(true);
            QFile semaphore(m_outputDirectory + QStringLiteral("/Semaphore.xml"));
            if (semaphore.open(QIODevice::WriteOnly))
                semaphore.close();
            if (WaitForWatcher)
                WaitForWatcher();
            if (DisableCancelRun)
                DisableCancelRun();
            m_reporter->ShowError(QStringLiteral("Background process cancelled!"), true);
        }
        return false;
    }
    try {
        // A hosted job without a name is settled like any other, so its changes are not lost.
        if (Hosted() && !m_jobName.isEmpty()) {
            const QString file = JobFilePath();
            if (!QFileInfo(file).isFile()) {
                QDir().mkpath(QFileInfo(file).absolutePath());
                QFile empty(file);
                if (empty.open(QIODevice::WriteOnly))
                    empty.close();
            }
            SaveJob(false);
        } else {
            SetModified(false);
        }
    } catch (const EAbort &) {
        return false;
    } catch (const EQuenbarError &e) {
        // A save that fails (a read-only folder, a full disk) keeps the shell open with the job.
        m_reporter->AddError(e.message(), true);
        return false;
    }
    return true;
}

// ---- Action gate ----------------------------------------------------------------------------

void TShellJob::ActionGate(const QString &category, const QString &caption)
{
    if (m_batchRunning) {
        static const QStringList allowed{QStringLiteral("&Save "), QStringLiteral("&Exit"),
                                         QStringLiteral("Skip the rest of processing (&Cancel run)"),
                                         QStringLiteral("Show console"), QStringLiteral("Hide console")};
        if (category != QLatin1String("Viewer") && !allowed.contains(caption))
            m_reporter->ErrorAndAbort(QStringLiteral("Only viewing,Save,Cancel & Exit are allowed when processing"));
    }
    if (category == QLatin1String("FileCollect") || category == QLatin1String("Generate")
        || category == QLatin1String("Viewer"))
        ValidateJobNames();
    if (!m_batchRunning)
        m_reporter->ClearMessage();
}
