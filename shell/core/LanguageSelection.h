#pragma once
// Choosing the shell's language without any widget: the selection with all
// its steps and errors, the language versions, the default names of the
// parameter pickers, the project and output folders of a new job, loading
// the rule, metric, specification, function table and limit definitions,
// the limits grid's number rule and the source file filter of a language.
// The window's buttons, pickers and pages are reached through the hooks.

#include "LanguageConfiguration.h"
#include "ShellSettings.h"
#include "StreamToIniCore.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <functional>

class IReporter;
class TShellJob;
struct TLimitRow;

// One parameter picker as the definitions need it.
struct TPickerState
{
    QString Path;       // the edit's file (the default name until the user changes it)
    bool Valid = false; // the file exists or the user located it
    bool Visible = true;
};

struct TPickers
{
    TPickerState Limits, Rules, Metrics, Functab, Specs;
    TPickerState Analyser, Converter, Editor, WordScanner, TestDesigner, SearchProgram, TestSpecTemplate;
};

class TShellLanguage
{
public:
    // Not owned; all must outlive the selection.
    TShellLanguage(TShellSettings &settings, TShellJob &job, IReporter *reporter);

    // ---- Selection --------------------------------------------------------------
    // The language button's click. A name beginning with "???" is the job
    // loader's load selection (prefix removed, no definitions loaded), with
    // loadSubFolder the loaded job's "ProjectName", appended to the output
    // directory. A failing step leaves the button unchecked and disabled
    // (OnButtonFailed) and ends the command.
    void SelectLanguage(const QString &buttonName, const QString &loadSubFolder = QString());
    // The "Language version" group's click.
    void ChooseLanguageVersion(int index);
    const TLanguageEntry &Entry() const { return m_entry; }
    QString DisplayName() const { return m_entry.DisplayName; }
    QStringList Versions() const { return m_entry.Versions; }
    bool VersionGroupVisible() const { return m_entry.Versions.size() > 1; }
    // display name + " program".
    QString AnalyserCaption() const;

    // ---- Configuration and pickers -----------------------------------------------------
    // Reads the current language's configuration (ReadLanguageConfiguration)
    // and hands it to OnConfiguration.
    void ApplyLanguageConfiguration();
    const TLanguageConfiguration &Configuration() const { return m_config; }
    // "Apply changes": the settings with the language check, then the configuration.
    void ApplySettingsChanges();
    // "Save initialisation parameters": the text saved first.
    void SaveSettingsChanges();
    // The default names of every picker for the current language and
    // their visibility from the configuration.
    TPickers DefaultPickers() const;
    const TPickers &Pickers() const { return m_pickers; }

    // Fills the definition lists, weights and limits grid from the pickers' files.
    void LoadDefinitions();

    // ---- Helpers ----------------------------------------------------------------------
    // The file dialog filter (stored form "desc|pattern|...") of the
    // language's source files.
    QString LanguageFileFilter(const QString &code, const QString &version);
    // A limit as typed: false with the message when it has more than six
    // characters or is not an integer; formatted right-aligned to six places.
    static bool FormatLimitNumber(const QString &text, QString &formatted, QString &error);
    // The grid rows of limit lines (Name=Description,Number): empty lines,
    // comments and lines without a value dropped, rows without a number not shown.
    static QList<TLimitRow> LimitRows(const QStringList &lines);

    // ---- Hooks for the window ------------------------------------------------------------
    // Clears the selected button of every other group in the same container.
    std::function<void(const QString &button)> OnClearOtherGroups;
    // The selection failed: uncheck and disable the button.
    std::function<void(const QString &button)> OnButtonFailed;
    // The analyser picker's caption changed.
    std::function<void(const QString &caption)> OnAnalyserCaption;
    // The configuration to apply to pages, pickers, check boxes and actions.
    std::function<void(const TLanguageConfiguration &config)> OnConfiguration;
    // The pickers' edits are emptied and get these default names.
    std::function<void(const TPickers &defaults)> OnPickerDefaults;
    // Validates the window's pickers and returns their state; without it
    // a picker is valid when its default file exists.
    std::function<TPickers()> ValidatePickers;
    std::function<void()> OnShowTechnicalPage;
    // "Start Analysis", "Convert export files", "Start pre-scanner" enabled.
    std::function<void(bool analysis, bool convert, bool preScanner)> OnActionsEnabled;
    // The "Edit word list" page is visible: hide the noun editor and fill
    // the word lists from the function table file when they are empty.
    std::function<void()> OnWordListPage;
    // The language versions changed (group rebuilt, first chosen).
    std::function<void(const QStringList &versions)> OnVersions;
    // The output directory check of the job preparation.
    std::function<void()> CheckOutputDirectory;
    // The language page is visible (hosted kinds look for the host's job then).
    std::function<bool()> LanguagePageVisible;

private:
    void selectSteps(const QString &name, bool loadSelection, const QString &loadSubFolder);
    void newJobFolders(const QString &loadSubFolder);
    // fresh: the lists are another language's, so the file is read however old it is.
    bool reload(QList<TCheckListItem> &list, const TPickerState &picker, bool fresh);
    QString languageFileFilter(const QString &code, const QString &version, int depth);

    TShellSettings &m_settings;
    TShellJob &m_job;
    IReporter *m_reporter;
    TLanguageEntry m_entry;
    TLanguageConfiguration m_config;
    TPickers m_pickers;
    QString m_definitionsOf; // the language (code and version) the job's definition lists belong to
};
