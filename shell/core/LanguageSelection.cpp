#include "LanguageSelection.h"

#include "Errors.h"
#include "PathPickerLogic.h"
#include "Reporting.h"
#include "SharedRoutinesCommon.h"
#include "ShellJob.h"
#include "TextFile.h"

#include <QDir>
#include <QFileInfo>

namespace {

const QString kLoadPrefix = QStringLiteral("???");
const QString kLimitsSeparator = QStringLiteral("<<<<<<<<<<<<<<>>>>>>>>>>>>>>>");
const QString kNoLimits = QStringLiteral("No LIMITS.TXT exists, internal defaults are used");

QString withoutTrailingDelimiter(QString path)
{
    while (path.size() > 1 && (path.endsWith(u'/') || path.endsWith(u'\\')))
        path.chop(1);
    return path;
}

// A folder that exists or could be made.
bool existsOrCreated(const QString &folder)
{
    return !folder.isEmpty() && (QFileInfo(folder).isDir() || QDir().mkpath(folder));
}

} // namespace

TShellLanguage::TShellLanguage(TShellSettings &settings, TShellJob &job, IReporter *reporter)
    : m_settings(settings), m_job(job), m_reporter(reporter)
{
    Q_ASSERT(m_reporter);
}

QString TShellLanguage::AnalyserCaption() const { return m_entry.DisplayName + QStringLiteral(" program"); }

// ---- Selection ------------------------------------------------------------------------

void TShellLanguage::SelectLanguage(const QString &buttonName, const QString &loadSubFolder)
{
    if (OnClearOtherGroups)
        OnClearOtherGroups(buttonName);
    if (m_job.LoadMode())
        return;
    const bool loadSelection = buttonName.startsWith(kLoadPrefix);
    const QString name = loadSelection ? buttonName.mid(kLoadPrefix.size()) : buttonName;
    // Cancel abandons the selection; the button stays usable.
    m_job.SetModified(false);
    m_reporter->ClearMessage();
    m_job.SetActiveButton(name);
    m_settings.SetActiveButton(name);
    try {
        selectSteps(name, loadSelection, loadSubFolder);
    } catch (const EAbort &) {
        m_settings.SetButtonEnabled(name, false);
        if (OnButtonFailed)
            OnButtonFailed(name);
        throw;
    } catch (const EQuenbarError &e) {
        m_settings.SetButtonEnabled(name, false);
        if (OnButtonFailed)
            OnButtonFailed(name);
        m_reporter->ShowError(e.message(), false);
    }
}

void TShellLanguage::selectSteps(const QString &name, bool loadSelection, const QString &loadSubFolder)
{
    m_job.SetModified(false);
    if (m_settings.Lines().isEmpty())
        m_reporter->ShowError(QStringLiteral("Szar van a palacsintában"), false);
    const QString value = m_settings.ValueOf(name);
    if (value.isEmpty())
        m_reporter->ShowError(QStringLiteral("Shell error,missing language definition, inform Velmora"), false);
    TLanguageEntry entry = TLanguageEntry::Parse(value);
    if (entry.Versions.isEmpty())
        throw EConvertError(QStringLiteral("List index out of bounds (4)"));   // an entry without a version name
    m_entry = entry;
    m_job.SetLanguageCode(entry.Code);
    m_job.SetLanguageVersion(entry.Versions.first());
    m_job.SetCaption(CaptionWithItem(m_job.Caption(), entry.DisplayName));
    if (OnAnalyserCaption)
        OnAnalyserCaption(AnalyserCaption());

    m_job.NewJobReset();
    ApplyLanguageConfiguration();
    m_pickers = DefaultPickers();
    if (OnPickerDefaults)
        OnPickerDefaults(m_pickers);

    if (!m_job.Hosted())
        newJobFolders(loadSubFolder);

    // The version group; the first version is chosen.
    m_job.SetLanguageVersion(entry.Versions.first());
    if (OnVersions)
        OnVersions(entry.Versions);
    if (loadSelection)
        return;
    LoadDefinitions();
    m_reporter->ClearMessage();

    if (m_job.Hosted() && (!LanguagePageVisible || LanguagePageVisible()) && !m_job.ProductName().isEmpty()) {
        const QString jobFile = WithTrailingChar(m_job.ProjectFolder(), QLatin1Char('/'))
                                + CapitalizeWords(m_job.ProductName()) + CapitalizeWords(m_job.SystemName())
                                + CapitalizeWords(m_job.LanguageVersion()) + m_settings.Row().JobExtension;
        if (QFileInfo(jobFile).isFile())
            m_job.LoadJob(jobFile);
        m_job.SetModifiedDirectly(false);
        if (m_job.OnShowNamesPage)
            m_job.OnShowNamesPage();
    }
    m_job.SetNeverSaved(true);
}

void TShellLanguage::newJobFolders(const QString &loadSubFolder)
{
    const QString code = m_entry.Code;
    // Stored paths may hold "\": they are made native before any folder is made.
    QString project = FromStoredPath(ReadSetting(QStringLiteral("LastPosition") + code, ReadSetting(QStringLiteral("LastPosition"))));
    if (project.isEmpty() || !QFileInfo(project).isDir()) {
        const QString last = withoutTrailingDelimiter(FromStoredPath(ReadSetting(QStringLiteral("LastPosition"))));
        project = existsOrCreated(last) ? last : WithTrailingChar(DocumentsFolder(), QLatin1Char('/'));
    }
    m_job.SetProjectFolderDirectly(project);

    const QString documents = DocumentsFolder();
    QString output = withoutTrailingDelimiter(FromStoredPath(ReadSetting(
        QStringLiteral("LastOutputDir") + code, ReadSetting(QStringLiteral("LastOutputDir"), documents))));
    if (!existsOrCreated(output)) {
        const QString last = withoutTrailingDelimiter(FromStoredPath(ReadSetting(QStringLiteral("LastOutputDir"), documents)));
        output = existsOrCreated(last) ? last : documents;
    }
    if (!loadSubFolder.isEmpty())
        output += QLatin1Char('/') + loadSubFolder;
    m_job.SetOutputDirectory(output);
}

void TShellLanguage::ChooseLanguageVersion(int index)
{
    if (index < 0 || index >= m_entry.Versions.size())
        return;
    m_job.SetLanguageVersion(m_entry.Versions[index]);
}

// ---- Configuration and pickers -----------------------------------------------------------

void TShellLanguage::ApplyLanguageConfiguration()
{
    ReadLanguageConfiguration(m_settings, m_reporter, m_job.LanguageCode(), m_settings.Row().KindNumber, m_config);
    m_job.SetMaxDirDepth(m_config.DirDepth);
    if (!m_config.NameByDirectoryAction)
        m_job.SetNameByDirectory(false);
    if (OnConfiguration)
        OnConfiguration(m_config);
}

void TShellLanguage::ApplySettingsChanges()
{
    m_settings.ApplySettings(true);
    ApplyLanguageConfiguration();
}

void TShellLanguage::SaveSettingsChanges()
{
    m_settings.SaveSettingsText();
    ApplySettingsChanges();
}

TPickers TShellLanguage::DefaultPickers() const
{
    const QString root = m_settings.ToolRoot();
    const QString code = m_entry.Code;
    const QString suffix = m_settings.Row().ProgramSuffix;
    const QString folder = root + QLatin1Char('/') + code + suffix;
    const QString version = m_job.LanguageVersion();
    const TLanguageConfiguration &c = m_config;
    const auto definition = [&](const char *word, bool visible) {
        const QString name = folder + QLatin1Char('/') + QString::fromLatin1(word) + QLatin1Char('.') + code;
        const QString versioned = version.isEmpty() ? QString() : PathPicker::DefaultWithExtension(name, version);
        return TPickerState{versioned.isEmpty() ? name : versioned, false, visible};
    };
    TPickers p;
    p.Editor = {QStringLiteral("NOTEPAD.EXE"), false, true};
    p.Limits = definition("Limits", c.MaxValuesPage);
    p.Rules = definition("Rules", c.RulesPage);
    p.Metrics = definition("Metrics", c.MetricsPage);
    p.Functab = definition("Functab", c.FunctabPage);
    p.Specs = definition("Specs", c.SpecsPage);
    const QString analyser = c.Procpgm.isEmpty() ? folder + QLatin1Char('/') + code + suffix + QStringLiteral(".exe")
                                                 : StoredPathBelow(root, c.Procpgm);
    p.Analyser = {analyser, false, true};
    p.Converter = {root + QStringLiteral("/CSVTran/CSVTran.exe"), false, c.ConvertExportFiles};
    const QString scanner = c.ScanProg.isEmpty()        ? analyser
                            : IsAbsolutePath(c.ScanProg) ? FromStoredPath(c.ScanProg)
                                                        : folder + QLatin1Char('/') + FromStoredPath(c.ScanProg)
                                                              + QStringLiteral(".exe");
    p.WordScanner = {scanner, false, c.PreScanner};
    p.TestDesigner = {c.TstDesignProg.isEmpty() ? QString() : StoredPathBelow(root, c.TstDesignProg), false, c.TestDesign};
    QString tstemplate;
    if (!c.TstSpecTemplate.isEmpty()) {
        if (IsAbsolutePath(c.TstSpecTemplate))
            tstemplate = FromStoredPath(c.TstSpecTemplate);
        else if (m_settings.IsDevelopmentLayout())
            tstemplate = QFileInfo(m_settings.DevelopmentSettingsPath()).absolutePath() + QStringLiteral("/TextTemplates/")
                         + QFileInfo(FromStoredPath(c.TstSpecTemplate)).fileName();
        else
            tstemplate = StoredPathBelow(root, c.TstSpecTemplate);
    }
    p.TestSpecTemplate = {tstemplate, false, c.TestSpecification};
    p.SearchProgram = {c.SearchProg.isEmpty() ? QString() : StoredPathBelow(root, c.SearchProg), false, c.Search};
    return p;
}

// ---- Definitions ----------------------------------------------------------------------------

bool TShellLanguage::reload(QList<TCheckListItem> &list, const TPickerState &picker, bool fresh)
{
    if (!picker.Valid || !picker.Visible || !QFileInfo(picker.Path).isFile()) {
        if (fresh)
            list.clear(); // nothing of the language before stays behind
        return false;
    }
    if (!fresh && !PathPicker::NeedsReload(QFileInfo(picker.Path).lastModified(), m_job.SaveTime()))
        return false;
    list.clear();
    for (const QString &text : PathPicker::ReloadedItems(TextFile::readLines(picker.Path)))
        list << TCheckListItem{text, true, true};
    if (m_job.SaveTime().isValid())
        m_reporter->AddError(QStringLiteral("%1 - has been changed sience the project was changed, all entries are selected ")
                                 .arg(QFileInfo(picker.Path).fileName()),
                             true);
    return true;
}

void TShellLanguage::LoadDefinitions()
{
    ApplyLanguageConfiguration();
    if (ValidatePickers) {
        m_pickers = ValidatePickers();
    } else {
        for (TPickerState *p : {&m_pickers.Limits, &m_pickers.Rules, &m_pickers.Metrics, &m_pickers.Functab,
                                &m_pickers.Specs, &m_pickers.Analyser, &m_pickers.Converter, &m_pickers.WordScanner,
                                &m_pickers.TestDesigner, &m_pickers.SearchProgram, &m_pickers.TestSpecTemplate})
            p->Valid = !p->Visible || ProgramFileExists(p->Path);
        m_pickers.Editor.Valid = true;   // found on the search path when it is a bare name
    }
    bool allValid = true;
    for (const TPickerState *p : {&m_pickers.Limits, &m_pickers.Rules, &m_pickers.Metrics, &m_pickers.Functab,
                                  &m_pickers.Specs, &m_pickers.Analyser, &m_pickers.Converter, &m_pickers.Editor,
                                  &m_pickers.WordScanner, &m_pickers.TestDesigner, &m_pickers.SearchProgram,
                                  &m_pickers.TestSpecTemplate})
        allValid = allValid && (!p->Visible || p->Valid);
    if (!allValid && OnShowTechnicalPage)
        OnShowTechnicalPage();
    if (OnActionsEnabled)
        OnActionsEnabled(m_pickers.Analyser.Valid, m_pickers.Converter.Visible && m_pickers.Converter.Valid,
                         m_pickers.WordScanner.Visible && m_pickers.WordScanner.Valid);

    TDefinitionLists &d = m_job.Definitions();
    // A job being loaded brings its own language's lists; another language
    // chosen afterwards gets its own, whatever the files' age.
    const QString language = m_job.LanguageCode() + QLatin1Char('|') + m_job.LanguageVersion();
    const bool fresh = !m_job.LoadMode() && !m_definitionsOf.isNull() && language != m_definitionsOf;
    m_definitionsOf = language;
    const bool metricsReloaded = reload(d.Metrics, m_pickers.Metrics, fresh);
    if (metricsReloaded || fresh || !m_job.SaveTime().isValid() || d.Weights.size() != d.Metrics.size())
        d.Weights = QStringList(d.Metrics.size(), QStringLiteral("1"));
    reload(d.Functab, m_pickers.Functab, fresh);
    reload(d.Rules, m_pickers.Rules, fresh);
    reload(d.Specs, m_pickers.Specs, fresh);
    QList<TCheckListItem> limitItems;
    const bool limitsReloaded = reload(limitItems, m_pickers.Limits, fresh);
    if (limitsReloaded) {
        d.LimitDefaults.clear();
        for (const TCheckListItem &item : limitItems)
            d.LimitDefaults << item.text;
    }
    if (d.LimitDefaults.isEmpty() || (fresh && !limitsReloaded))
        d.LimitDefaults = m_settings.LimitDefaults();
    if (fresh)
        d.Limits.clear(); // the grid takes the new language's defaults below

    if (m_config.WordListCategory && OnWordListPage)
        OnWordListPage();
    // Only an empty grid takes the defaults: a job's own limits are kept.
    if (m_pickers.Limits.Visible && d.Limits.isEmpty())
        d.Limits = LimitRows(d.LimitDefaults);

    const QString output = m_job.OutputDirectory();
    if (output.isEmpty() || !QFileInfo(output).isDir()) {
        if (m_job.LoadMode() && !output.isEmpty()) {
            QDir().mkpath(m_job.WorkFolder());
            if (SameText(m_job.LanguageCode(), QStringLiteral("PB")))
                for (const char *sub : {"ProcTabs", "InclTabs", "CommTabs", "DataTabs", "MaskTabs", "StmtTabs"})
                    QDir().mkpath(m_job.WorkFolder() + QLatin1Char('/') + QString::fromLatin1(sub));
        } else {
            m_reporter->ShowWarning(QStringLiteral("The project's output directory - ") + output
                                    + QStringLiteral(" - doesn't exist") + QStringLiteral("\r\n")
                                    + QStringLiteral("please define an output directory"));
            if (CheckOutputDirectory)
                CheckOutputDirectory();
        }
    }

    const bool limitsFile = QFileInfo(m_pickers.Limits.Path).isFile();
    if (m_reporter->Severity() >= 2) {
        if (limitsFile)
            m_reporter->AddError(kLimitsSeparator, true);
        else
            m_reporter->AddErrorAndAbort(kNoLimits);
    } else if (m_pickers.Limits.Visible && !limitsFile) {
        m_reporter->ShowWarning(kNoLimits);
    }
}

// ---- Helpers ------------------------------------------------------------------------------------

bool TShellLanguage::FormatLimitNumber(const QString &text, QString &formatted, QString &error)
{
    const QString t = text.trimmed();
    int value = 0;
    if (t.size() > 6) {
        error = QStringLiteral("Max six digits are allowed!");
        return false;
    }
    if (!TryTextToInt(t, value)) {
        error = QStringLiteral("Only numeric constants are allowed!");
        return false;
    }
    formatted = QString::number(value).rightJustified(6, QLatin1Char(' '));
    error.clear();
    return true;
}

QList<TLimitRow> TShellLanguage::LimitRows(const QStringList &lines)
{
    QList<TLimitRow> rows;
    for (const QString &line : lines) {
        if (line.isEmpty() || line.startsWith(QLatin1Char(';')) || TextAfter(line, QStringLiteral("=")).isEmpty())
            continue;
        const QString value = TextAfter(line, QStringLiteral("="));
        TLimitRow row;
        row.Description = TextBefore(value, QStringLiteral(",")).trimmed();
        row.Number = TextAfter(value, QStringLiteral(",")).trimmed();
        row.Key = ListName(line).trimmed();
        if (row.Number.isEmpty())
            continue;
        QString formatted, error;
        // A default that is no number is shown as written, for the user to correct.
        if (FormatLimitNumber(row.Number, formatted, error))
            row.Number = formatted;
        rows << row;
    }
    return rows;
}

QString TShellLanguage::LanguageFileFilter(const QString &code, const QString &version)
{
    return languageFileFilter(code, version, 0);
}

QString TShellLanguage::languageFileFilter(const QString &code, const QString &version, int depth)
{
    QString filter;
    if (!SameText(code, QStringLiteral("WAA"))) {
        filter = m_settings.ValueOf(code + QStringLiteral(".Filters"));
        if (!version.isEmpty()) {
            const QString extra = m_settings.ValueOf(version + QStringLiteral(".Filters"));
            if (!extra.isEmpty())
                filter += QLatin1Char('|') + extra;
        }
        if (filter.isEmpty()) {
            m_reporter->Ask(TMsgDlgType::Information,
                            QStringLiteral("Shell program error, missing filter definition, inform Velmora"), mbOK);
            filter = QStringLiteral("All files (Possible definition error)|*.*");
        }
    } else if (depth > 0) {
        // A sub-processor list naming itself would never end.
        return QString();
    } else {
        const QString key = code + QStringLiteral(".SubProcessors");
        const QStringList items = m_settings.ListOf(key);
        if (items.isEmpty())
            m_reporter->ShowWarning(QStringLiteral("Installation error #1, %1 is missing from ini file").arg(key));
        for (const QString &item : items) {
            const QString sub = languageFileFilter(TextAfter(item, QStringLiteral("=")), QString(), depth + 1);
            if (!sub.isEmpty())
                filter += QLatin1Char('|') + sub;
        }
    }
    if (filter.startsWith(QLatin1Char('|')))
        filter.remove(0, 1);
    return filter;
}
