#include "WorkbenchSettings.h"

#include "Reporting.h"
#include "SharedRoutinesCommon.h"
#include "TextFile.h"
#include "WsdlGenerator.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>

namespace {

const QString kUseDosBox = QStringLiteral("Runcontrol.UseDOSBox");
const QString kDosBoxLocation = QStringLiteral("Runcontrol.DOSBoxLocation");
const QString kDateWritten = QStringLiteral("Date Written");
const QString kDosBoxConfigName = QStringLiteral("DOSBox.config");
const QString kShellSettingsName = QStringLiteral("Quenbar_Mireth.INI");

QString fullPath(const QString &path) { return QDir::cleanPath(QFileInfo(path).absoluteFilePath()); }

bool readFlag(const QString &value) { return TextToBool(value); }

} // namespace

// ---- Command line -------------------------------------------------------------

TWorkbenchCommandLine TWorkbenchCommandLine::parse(const QStringList &args)
{
    TWorkbenchCommandLine c;
    c.HasRoot = CommandLineValue(args, QStringLiteral("-Root:-R"), c.Root);
    c.HasProj = CommandLineValue(args, QStringLiteral("-Proj:P"), c.Proj);
    c.ShowAdvanced = CommandLineSwitch(args, QStringLiteral("-ShowAdvanced:-ShA"));
    c.Register = CommandLineSwitch(args, QStringLiteral("-Register:-Shell"));
    c.HasAutoRun = CommandLineValue(args, QStringLiteral("-AutoRun:-ar"), c.AutoRun);
    return c;
}

// ---- Construction and text ------------------------------------------------------

TWorkbenchSettings::TWorkbenchSettings(IReporter *reporter, const QString &programPath)
    : m_reporter(reporter), m_programPath(QFileInfo(programPath).absoluteFilePath()),
      m_row(TakeOverRow(QFileInfo(programPath).completeBaseName()))
{
    Q_ASSERT(m_reporter);
}

QString TWorkbenchSettings::ProgramFolder() const { return QFileInfo(m_programPath).absolutePath(); }

QString TWorkbenchSettings::Text() const { return m_lines.join(QLatin1Char('\n')); }

void TWorkbenchSettings::setText(const QString &text) { m_lines = TextFile::splitLines(text); }

int TWorkbenchSettings::IndexOfName(const QStringList &lines, const QString &name)
{
    return IndexOfNameIn(lines, name);
}

QString TWorkbenchSettings::ValueIn(const QStringList &lines, const QString &name)
{
    return ValueOfNameIn(lines, name);
}

void TWorkbenchSettings::SetValueIn(QStringList &lines, const QString &name, const QString &value)
{
    SetValueOfNameIn(lines, name, value);
}

void TWorkbenchSettings::textChanged()
{
    if (OnTextChanged)
        OnTextChanged();
}

// ---- Settings file ----------------------------------------------------------------

QString TWorkbenchSettings::SettingsCaption() const
{
    return QStringLiteral("Product ini file : ") + m_settingsFilePath;
}

QString TWorkbenchSettings::LocateSettingsFile()
{
    if (!m_settingsFilePath.isEmpty())
        return m_settingsFilePath;
    if (m_row.IniFileName.isEmpty())
        m_row.IniFileName = QFileInfo(m_programPath).completeBaseName() + QStringLiteral(".INI");
    const QString folder = ProgramFolder();
    const QString devPath = fullPath(folder + QLatin1Char('/') + FromStoredPath(m_row.DevIniPath));
    const QString normalPath = fullPath(folder + QLatin1Char('/') + FromStoredPath(m_row.IniFileName));
    m_settingsFilePath = normalPath;
    if (!m_row.DevIniPath.isEmpty() && QFileInfo(devPath).isFile())
        m_settingsFilePath = devPath;
    else if (!QFileInfo(normalPath).isFile())
        // Recorded, so the start's fatal report still lists it with what follows.
        m_reporter->AddError(QStringLiteral("No ini file is available for ") + m_row.AppName, false);
    return m_settingsFilePath;
}

void TWorkbenchSettings::LoadSettingsText()
{
    bool failed = false;
    try {
        const QString path = LocateSettingsFile();
        m_lines = TextFile::readLines(path);
    } catch (const EAbort &) {
        failed = true;
    } catch (const EQuenbarError &) {
        failed = true;
    }
    m_loaded = !failed;
    if (failed) {
        if (OnSettingsUnavailable)
            OnSettingsUnavailable();
        m_reporter->AddError(QStringLiteral("Cannot access product ini file - ") + m_settingsFilePath, false);
    }
    textChanged();
}

QString TWorkbenchSettings::DateWrittenText(const QDateTime &moment)
{
    return ::DateWrittenText(moment);
}

void TWorkbenchSettings::SaveSettingsText()
{
    if (ValueOf(kDateWritten).isEmpty())
        m_lines.insert(qMin<qsizetype>(1, m_lines.size()), kDateWritten + QStringLiteral("=0"));
    SetValue(kDateWritten, DateWrittenText(QDateTime::currentDateTime()));
    textChanged();
    const QString path = LocateSettingsFile();
    bool failed = false;
    try {
        TextFile::writeLines(path, m_lines);
    } catch (const EFileError &) {
        failed = true;
    }
    if (failed) {
        m_reporter->setUseMessageBox(true);
        m_reporter->ShowError(QStringLiteral("Cannot write to ") + path, false);
    }
}

// ---- Applying -------------------------------------------------------------------

void TWorkbenchSettings::ApplySettings(bool ask)
{
    // Validated only: the workbench itself has no tree viewers.
    readFlag(ValueOf(QStringLiteral("SpecViewer.CompressedTree")));
    readFlag(ValueOf(QStringLiteral("Viewer.AutoExpand")));
    LocateDosBox(TextToBool(ValueOf(kUseDosBox), false));
    // Both are read (and so validated) even while DOSBox runs the converters.
    m_blindRun = TextToBool(ValueOf(QStringLiteral("Runcontrol.Blindrun")), false) && !m_dosBoxActive;
    m_captureLog = TextToBool(ValueOf(QStringLiteral("Runcontrol.CaptureLog")), false) && !m_dosBoxActive;
    m_debugMode = readFlag(ValueOf(QStringLiteral("Runcontrol.DebugMode")));
    if (OnShowConsoleLog)
        OnShowConsoleLog(m_captureLog);
    m_deleteAfter = readFlag(ValueOf(QStringLiteral("Runcontrol.DeleteAfter")));
    m_deleteAfterControl = TextToBool(ValueOf(QStringLiteral("Runcontrol.SystemDeleteAfterControl")), false);
    const int limit = ZeroPrefixedInt(ValueOf(QStringLiteral("Runcontrol.SystemBigDirectoryLimit")));
    m_bigDirectoryLimit = limit == 0 ? 50 : limit;
    const int buffer = ZeroPrefixedInt(ValueOf(QStringLiteral("FileCopy.SystemIOBuffSize")));
    m_ioBuffSize = buffer == 0 ? 200000 : buffer;
    // The generators run from the window, the job and the command line alike.
    WsdlGenerator::SetServiceAddress(ValueOf(QStringLiteral("Generate.ServiceAddress")));

    if (ask && m_reporter->Severity() >= 1) {
        m_reporter->setUseMessageBox(true);
        if (m_reporter->AskAfterErrors(QStringLiteral("Errors occured durig installation, rewrite ini file?")) == mbYes)
            SaveSettingsText();
    }
}

// ---- DOSBox ----------------------------------------------------------------------

QStringList TWorkbenchSettings::DefaultDosBoxCandidates()
{
    return ::DefaultDosBoxCandidates();
}

QString TWorkbenchSettings::settingsFolder() { return QFileInfo(LocateSettingsFile()).absolutePath(); }

void TWorkbenchSettings::LocateDosBox(bool use)
{
    if (!use) {
        m_dosBoxActive = false;
        m_dosBoxProgram.clear();
        m_dosBoxConfigFile.clear();
    } else if (!m_dosBoxActive) {
        const TDosBoxLocation found = ::LocateDosBox(
            FindDosBoxCandidates ? FindDosBoxCandidates() : DefaultDosBoxCandidates(), ValueOf(kDosBoxLocation),
            settingsFolder(), kDosBoxConfigName, DOSBoxConfigTimeoutMs, m_reporter,
            [this](const QString &program) { storeDosBoxLocation(program); });
        m_dosBoxActive = found.active;
        m_dosBoxProgram = found.program;
        m_dosBoxConfigFile = found.configFile;
    }
    mirrorIntoShellSettings();
}

void TWorkbenchSettings::storeDosBoxLocation(const QString &path)
{
    SetLocationLine(m_lines, kDosBoxLocation, kUseDosBox, path);
    SaveSettingsText();
    LoadSettingsText();
}

void TWorkbenchSettings::mirrorIntoShellSettings()
{
    const QString path = settingsFolder() + QLatin1Char('/') + kShellSettingsName;
    if (!QFileInfo(path).isFile())
        return;   // no hosted shell settings: nothing to keep in step
    QStringList lines = TextFile::readLines(path);
    const QString flag = BoolToYN(m_dosBoxActive);
    if (ValueIn(lines, kUseDosBox) == flag)
        return;
    SetValueIn(lines, kUseDosBox, flag);
    TextFile::writeLines(path, lines);
}

// ---- Tool root, converters, captions ---------------------------------------------

QString TWorkbenchSettings::ToolRootFor(const TAnalTypeConstants &row, const QString &programFolder, bool hasRoot,
                                        const QString &root)
{
    return ToolRootOf(hasRoot && !root.isEmpty() ? root : programFolder, row.ToolsFolder, row.InstallSubPath);
}

void TWorkbenchSettings::DetermineToolRoot(const TWorkbenchCommandLine &commandLine)
{
    if (m_row.KindNumber != 0)
        return;
    m_toolRoot = ToolRootFor(m_row, ProgramFolder(), commandLine.HasRoot, commandLine.Root);
}

QString TWorkbenchSettings::ConverterDefault(const QString &key) const
{
    const QString value = FromStoredPath(ValueOf(key));
    if (QDir::isAbsolutePath(value))
        return value;
    return m_toolRoot + QLatin1Char('/') + value;
}

QString TWorkbenchSettings::CaptionItem() const
{
    return SplitCommaText(ValueOf(QStringLiteral("BussinesLogicGeneration")), TCommaBlanks::Trim).value(0);
}

QString TWorkbenchSettings::LanguageCode() const
{
    return SplitCommaText(ValueOf(QStringLiteral("BussinesLogicGeneration")), TCommaBlanks::Trim).value(1);
}

QString TWorkbenchSettings::SourceFileFilter() const
{
    const QString code = LanguageCode();
    return code.isEmpty() ? QString() : ValueOf(code + QStringLiteral(".Filters"));
}

// ---- Job file type ----------------------------------------------------------------

QString TWorkbenchSettings::OpenCommand(bool advanced) const
{
    return QLatin1Char('"') + m_programPath + QLatin1Char('"') + (advanced ? QStringLiteral(" -sha") : QString())
           + QStringLiteral(" -root \"") + m_toolRoot + QStringLiteral("\" -proj \"%1\"");
}

bool TWorkbenchSettings::RegisterJobFileType()
{
    bool ok = RegisterFileExtension(m_row.JobExtension, m_row.JobHeader);
    ok = RegisterFileTypeIcon(m_row.JobHeader, QStringLiteral("quenbar")) && ok;
    ok = RegisterFileTypeVerb(m_row.JobHeader, QStringLiteral("OpenAdvanced"),
                              QStringLiteral("Start job with advanced options enabled"), OpenCommand(true))
         && ok;
    // Registered last, so it becomes the default command.
    ok = RegisterFileTypeVerb(m_row.JobHeader, QStringLiteral("Open"), QStringLiteral("Start job"), OpenCommand(false))
         && ok;
    return ok;
}
