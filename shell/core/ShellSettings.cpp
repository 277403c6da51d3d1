#include "ShellSettings.h"

#include "Errors.h"
#include "Reporting.h"
#include "SharedRoutinesCommon.h"
#include "StreamToIniCore.h"
#include "TextFile.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>

namespace {

const QString kUseDosBox = QStringLiteral("Runcontrol.UseDOSBox");
const QString kDosBoxLocation = QStringLiteral("Runcontrol.DOSBoxLocation");
const QString kDateWritten = QStringLiteral("Date Written");
const QString kActiveRadioButton = QStringLiteral("ActiveRadioButton");
const QString kIOBuffSize = QStringLiteral("FileCopy.SystemIOBuffSize");
const QString kFileViewStyle = QStringLiteral("FileCopy.SystemFileViewStyle");
const QString kDosBoxConfigName = QStringLiteral("DOSBox.config");
const QString kNotInstalled = QStringLiteral("Not installed ");

QString fullPath(const QString &path) { return QDir::cleanPath(QFileInfo(path).absoluteFilePath()); }

bool flag(const QString &value, bool defaultFlag = false) { return TextToBool(value, defaultFlag); }

// The language's name as messages give it: the button name after "RadioButton".
QString languageName(const QString &buttonName)
{
    const qsizetype p = buttonName.indexOf(QLatin1String("RadioButton"), 0, Qt::CaseInsensitive);
    return p < 0 ? buttonName : buttonName.mid(p + 11);
}

} // namespace

TLanguageEntry TLanguageEntry::Parse(const QString &value)
{
    const QStringList items = SplitCommaText(value, TCommaBlanks::Trim);
    TLanguageEntry e;
    e.DisplayName = items.value(0);
    e.Code = items.value(1);
    e.Reserved = items.size() > 2 ? items[2] : e.Code;
    e.VersionCount = items.size() > 3 ? StreamToIniFormat::TextToInt(items[3]) : 0;
    for (int i = 0; i < e.VersionCount && 4 + i < items.size(); ++i)
        e.Versions << items[4 + i];
    return e;
}

TShellSettings::TShellSettings(IReporter *reporter, const QString &programPath, const Ostrin::TAnalTypeConstants &row)
    : m_reporter(reporter), m_programPath(QFileInfo(programPath).absoluteFilePath()), m_row(row)
{
    Q_ASSERT(m_reporter);
}

QString TShellSettings::ProgramFolder() const { return QFileInfo(m_programPath).absolutePath(); }

// ---- Settings text -----------------------------------------------------------------

QString TShellSettings::Text() const { return m_lines.join(QLatin1Char('\n')); }

void TShellSettings::setText(const QString &text) { m_lines = TextFile::splitLines(text); }

QString TShellSettings::ValueOf(const QString &name) const { return ValueOfNameIn(m_lines, name); }

void TShellSettings::SetValue(const QString &name, const QString &value) { SetValueOfNameIn(m_lines, name, value); }

QStringList TShellSettings::ListOf(const QString &name) const { return ParenthesisedItems(ValueOf(name)); }

QString TShellSettings::ItemValue(const QStringList &items, const QString &name) { return ValueOfNameIn(items, name); }

void TShellSettings::textChanged()
{
    if (OnTextChanged)
        OnTextChanged();
}

// ---- Settings file ---------------------------------------------------------------------

QString TShellSettings::DevelopmentSettingsPath() const
{
    if (m_row.DevIniPath.isEmpty())
        return QString();
    return fullPath(ProgramFolder() + QLatin1Char('/') + FromStoredPath(ExpandEnvironment(m_row.DevIniPath)));
}

bool TShellSettings::IsDevelopmentLayout() const
{
    if (m_developmentLayout < 0) {
        const QString dev = DevelopmentSettingsPath();
        m_developmentLayout = !dev.isEmpty() && QFileInfo(dev).isFile() ? 1 : 0;
    }
    return m_developmentLayout == 1;
}

QString TShellSettings::LocateSettingsFile()
{
    if (!m_settingsFilePath.isEmpty())
        return m_settingsFilePath;
    if (m_row.IniFileName.isEmpty())
        m_row.IniFileName = QFileInfo(m_programPath).completeBaseName() + QStringLiteral(".INI");
    const QString normal =
        fullPath(ProgramFolder() + QLatin1Char('/') + FromStoredPath(ExpandEnvironment(m_row.IniFileName)));
    if (IsDevelopmentLayout()) {
        m_settingsFilePath = DevelopmentSettingsPath();
        return m_settingsFilePath;
    }
    m_settingsFilePath = normal;
    if (!QFileInfo(normal).isFile())
        m_reporter->AddError(QStringLiteral("No ini file is available for ") + m_row.AppName, false);
    return m_settingsFilePath;
}

QString TShellSettings::SettingsCaption() const { return QStringLiteral("Product ini file : ") + m_settingsFilePath; }

void TShellSettings::LoadSettingsText()
{
    bool failed = false;
    try {
        m_lines = TextFile::readLines(LocateSettingsFile());
    } catch (const EAbort &) {
        failed = true;
    } catch (const EQuenbarError &) {
        failed = true;
    }
    m_loaded = !failed;
    textChanged();
    if (failed) {
        if (OnSettingsUnavailable)
            OnSettingsUnavailable();
        m_reporter->AddErrorAndAbort(QStringLiteral("Cannot access product ini file - ") + m_settingsFilePath);
    }
}

void TShellSettings::SaveSettingsText()
{
    if (ValueOf(kDateWritten).isEmpty()) {
        // An empty stamp line standing first would hide the new one.
        const int old = IndexOfNameIn(m_lines, kDateWritten);
        if (old >= 0)
            m_lines.removeAt(old);
        m_lines.insert(qMin<qsizetype>(1, m_lines.size()), kDateWritten + QStringLiteral("=0"));
    }
    SetValue(kDateWritten, DateWrittenText(QDateTime::currentDateTime()));
    textChanged();
    QString path;
    bool failed = false;
    try {
        path = LocateSettingsFile();
        TextFile::writeLines(path, m_lines);
    } catch (const EFileError &) {
        failed = true;
    }
    if (failed) {
        m_reporter->setUseMessageBox(true);
        m_reporter->ShowError(QStringLiteral("Cannot write to ") + path, false);
    }
}

// ---- Buttons ------------------------------------------------------------------------------

int TShellSettings::buttonIndex(const QString &name) const
{
    for (int i = 0; i < m_buttons.size(); ++i)
        if (SameText(m_buttons[i].Name, name))
            return i;
    return -1;
}

bool TShellSettings::ButtonEnabled(const QString &name) const
{
    const int i = buttonIndex(name);
    return i >= 0 && m_buttons[i].Enabled;
}

void TShellSettings::SetButtonEnabled(const QString &name, bool enabled)
{
    const int i = buttonIndex(name);
    if (i >= 0)
        m_buttons[i].Enabled = enabled;
}

bool TShellSettings::ButtonPage(const QString &name, Ostrin::TLanguagePage &page) const
{
    const int i = buttonIndex(name);
    if (i < 0)
        return false;
    page = m_buttons[i].Page;
    return true;
}

// ---- Applying -----------------------------------------------------------------------------

void TShellSettings::ApplySettings(bool languageCheck)
{
    m_compressedTree = flag(ValueOf(QStringLiteral("SpecViewer.CompressedTree")));
    m_autoExpand = flag(ValueOf(QStringLiteral("Viewer.AutoExpand")));
    LocateDosBox(flag(ValueOf(kUseDosBox)));

    m_blindRun = !m_dosBoxActive && flag(ValueOf(QStringLiteral("Runcontrol.Blindrun")));
    m_captureLog = !m_dosBoxActive && flag(ValueOf(QStringLiteral("Runcontrol.CaptureLog")));
    m_captureConsole =
        m_relayAvailable && !m_dosBoxActive && flag(ValueOf(QStringLiteral("Runcontrol.SystemCaptureConsole")));
    m_debugMode = flag(ValueOf(QStringLiteral("Runcontrol.DebugMode")));
    m_nameByDirectory = flag(ValueOf(QStringLiteral("Runcontrol.NameByDirectory")));
    if (OnNameByDirectory)
        OnNameByDirectory(m_nameByDirectory);
    if (OnShowConsoleLog)
        OnShowConsoleLog(m_captureLog);

    m_deleteAfter = flag(ValueOf(QStringLiteral("Runcontrol.DeleteAfter")));
    m_deleteAfterControl = flag(ValueOf(QStringLiteral("Runcontrol.SystemDeleteAfterControl")));
    m_renameAfter = flag(ValueOf(QStringLiteral("Runcontrol.RenameAfter")), true);
    const int limit = ZeroPrefixedInt(ValueOf(QStringLiteral("Runcontrol.SystemBigDirectoryLimit")));
    m_bigDirectoryLimit = limit == 0 ? 50 : limit;
    const int buffer = ZeroPrefixedInt(ValueOf(kIOBuffSize));
    m_ioBuffSize = buffer == 0 ? 200000 : buffer;

    int style = 0;
    if (TryTextToInt(ValueOf(kFileViewStyle), style)) {
        // Out of the five styles: details.
        m_fileViewStyle = style < 0 || style > 4 ? 2 : style;
    } else {
        m_fileViewStyle = 1;
        repairFileViewStyle();
    }

    if (!languageCheck)
        return;
    readLimitDefaults();
    checkLanguages();
    chooseActiveLanguage();
    if (m_reporter->Severity() >= 1
        && m_reporter->AskAfterErrors(QStringLiteral("Errors occured durig installation, rewrite ini file?")) == mbYes)
        SaveSettingsText();
}

void TShellSettings::repairFileViewStyle()
{
    // Lines of the key that could not be read would hide the repaired one.
    for (int i = int(m_lines.size()) - 1; i >= 0; --i)
        if (m_lines[i].contains(QLatin1Char('=')) && SameText(ListName(m_lines[i]), kFileViewStyle))
            m_lines.removeAt(i);
    int at = IndexOfNameIn(m_lines, kIOBuffSize);
    if (at < 0) {
        m_lines.append(QString());
        at = int(m_lines.size()) - 1;
    }
    m_lines[at] = (m_lines[at].isEmpty() ? kIOBuffSize : ListName(m_lines[at])) + QLatin1Char('=')
                  + QString::number(m_ioBuffSize);
    m_lines.insert(at + 1, QStringLiteral(
                               ";TFileViewStyle = (fvsIcons - 0, fvsList - 1, fvsDetails - 2, fvsThumbnails - 3, "
                               "fvsTiles - 4)"));
    m_lines.insert(at + 2, kFileViewStyle + QStringLiteral("=1"));
    SaveSettingsText();
    LoadSettingsText();
}

void TShellSettings::readLimitDefaults()
{
    m_limitDefaults.clear();
    const int begin = IndexOfNameIn(m_lines, QStringLiteral("LimitsDef"));
    const int end = IndexOfNameIn(m_lines, QStringLiteral("LimitsDef.End"));
    if (end < 0 || end <= begin)
        return;
    for (int i = begin + 1; i < end; ++i)
        m_limitDefaults << m_lines[i];
}

void TShellSettings::checkLanguages()
{
    m_languageCodes.clear();
    for (TLanguageButton &button : m_buttons) {
        const QString entry = ValueOf(button.Name);
        button.Enabled = !entry.isEmpty();
        if (!button.Enabled)
            continue;
        // Only the code matters here; the rest of the entry is checked when the language is chosen.
        const QString code = SplitCommaText(entry, TCommaBlanks::Trim).value(1);
        const QString procpgm = ItemValue(ListOf(code + QStringLiteral(".Extras")), QStringLiteral("Procpgm"));
        const QString folder =
            procpgm.isEmpty()
                ? m_toolRoot + QLatin1Char('/') + code + m_row.ProgramSuffix
                : QFileInfo(StoredPathBelow(m_toolRoot, procpgm)).path(); // an absolute program as written, like its picker
        if (!QFileInfo(folder).isDir()) {
            button.Enabled = false;
            m_reporter->AddError(QStringLiteral("Directory ") + folder + QStringLiteral(" doesn't exist, ")
                                     + QStringLiteral("Product reference ") + entry
                                     + QStringLiteral(" removed from ini file"),
                                 true);
        }
        if (button.Enabled) {
            if (!m_languageCodes.contains(code, Qt::CaseInsensitive))
                m_languageCodes << code;
        } else {
            const int line = IndexOfNameIn(m_lines, button.Name);
            m_lines[line] = kNotInstalled + m_lines[line];
        }
    }
    std::sort(m_languageCodes.begin(), m_languageCodes.end(),
              [](const QString &a, const QString &b) { return CompareText(a, b) < 0; });
    textChanged();
}

void TShellSettings::chooseActiveLanguage()
{
    const Ostrin::TLanguagePage kindPage = Ostrin::KindPresentation(m_row.KindNumber).Page;
    const auto usable = [&](const QString &name) {
        Ostrin::TLanguagePage page;
        return ButtonPage(name, page) && page == kindPage && !ValueOf(name).isEmpty();
    };
    if (m_activeButton.isEmpty() || !ButtonEnabled(m_activeButton)) {
        const QString stored = ValueOf(kActiveRadioButton);
        if (usable(stored)) {
            m_activeButton = m_buttons[buttonIndex(stored)].Name;
        } else {
            m_activeButton.clear();
            m_reporter->AddError(
                QStringLiteral("Installation problem - required components missing for : ") + languageName(stored),
                true);
            for (const TLanguageButton &button : m_buttons)
                if (usable(button.Name)) {
                    m_activeButton = button.Name;
                    SetValue(kActiveRadioButton, button.Name);
                    SaveSettingsText();
                    m_reporter->setUseMessageBox(true);
                    m_reporter->ShowError(QStringLiteral("Default product changed to: ") + languageName(button.Name),
                                          false);
                    return;
                }
        }
    }
    if (m_activeButton.isEmpty()) {
        if (OnSettingsUnavailable)
            OnSettingsUnavailable();
        m_reporter->setUseMessageBox(true);
        m_reporter->ShowError(
            QStringLiteral("Installation error , no product is available - probably misplaced TOOL library"), false);
    }
}

void TShellSettings::ExcludeXmlOrSql(const std::function<QString(const QString &button)> &captionOf)
{
    if (m_row.KindNumber != 2 || !captionOf)
        return;
    static const QStringList sql{QStringLiteral("SQL - DB2"), QStringLiteral("SQL - Oracle"), QStringLiteral("SQL - MS")};
    bool xml = false;
    for (const TLanguageButton &b : m_buttons)
        xml = xml || (b.Enabled && captionOf(b.Name) == QLatin1String("XML"));
    for (TLanguageButton &b : m_buttons) {
        const QString caption = captionOf(b.Name);
        if (xml ? sql.contains(caption) : caption == QLatin1String("XML"))
            b.Enabled = false;
    }
}

// ---- DOSBox ----------------------------------------------------------------------------

QStringList TShellSettings::StandardDosBoxCandidates()
{
    QStringList candidates{ExpandEnvironment(QStringLiteral("%ProgramFiles%\\DOSBox-0.74\\DOSBox.exe")),
                           ExpandEnvironment(QStringLiteral("%ProgramFiles(x86)%\\DOSBox-0.74\\DOSBox.exe"))};
    // An unset variable stays in the text and names no file.
    return candidates + DefaultDosBoxCandidates();
}

void TShellSettings::LocateDosBox(bool use)
{
    if (!use) {
        m_dosBoxActive = false;
        m_dosBoxProgram.clear();
        m_dosBoxConfigFile.clear();
        return;
    }
    if (m_dosBoxActive)
        return;
    const TDosBoxLocation found = ::LocateDosBox(
        FindDosBoxCandidates ? FindDosBoxCandidates() : StandardDosBoxCandidates(), ValueOf(kDosBoxLocation),
        QFileInfo(LocateSettingsFile()).absolutePath(), kDosBoxConfigName, DOSBoxConfigTimeoutMs, m_reporter,
        [this](const QString &program) { storeDosBoxLocation(program); });
    m_dosBoxActive = found.active;
    m_dosBoxProgram = found.program;
    m_dosBoxConfigFile = found.configFile;
}

void TShellSettings::storeDosBoxLocation(const QString &path)
{
    SetLocationLine(m_lines, kDosBoxLocation, kUseDosBox, path);
    SaveSettingsText();
    LoadSettingsText();
}
