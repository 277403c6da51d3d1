#pragma once
// The shell's product settings file without any widget: locating it, its
// Name=Value text (comments and order kept), the run-control and file-copy
// keys read from it, the limit defaults, which languages are installed and
// which one is active, and DOSBox. Every message and question goes through
// the reporter; the window shows the text in its memo, hands edits back with
// setText, tells the settings its language buttons and reads the outcome.

#include "ShellKinds.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <functional>

class QDateTime;
class IReporter;

// A language button of the shell window, in the window's component order.
struct TLanguageButton
{
    QString Name;                 // e.g. "RadioButtonCob85": the settings line's name
    Ostrin::TLanguagePage Page = Ostrin::TLanguagePage::ProgrammingLanguages;
    bool Enabled = true;
};

// A language entry: display name, code, reserved, version count, versions.
struct TLanguageEntry
{
    QString DisplayName;
    QString Code;
    QString Reserved;
    int VersionCount = 0;
    QStringList Versions;

    // Settings comma text; EConvertError when the count is not a number.
    static TLanguageEntry Parse(const QString &value);
};

class TShellSettings
{
public:
    // reporter is not owned and must outlive this object; programPath is the
    // program file: its folder holds the settings file.
    TShellSettings(IReporter *reporter, const QString &programPath, const Ostrin::TAnalTypeConstants &row);

    const Ostrin::TAnalTypeConstants &Row() const { return m_row; }
    QString ProgramPath() const { return m_programPath; }
    QString ProgramFolder() const;

    // ---- Settings text -------------------------------------------------------
    const QStringList &Lines() const { return m_lines; }
    void setLines(const QStringList &lines) { m_lines = lines; }
    // The text as the memo shows it (lines joined by "\n") and back.
    QString Text() const;
    void setText(const QString &text);
    // First line of that name wins, case-insensitive; empty when none.
    QString ValueOf(const QString &name) const;
    void SetValue(const QString &name, const QString &value);
    // The items of a parenthesised list value.
    QStringList ListOf(const QString &name) const;
    // The value of item name in a list of Name=Value items; empty when none.
    static QString ItemValue(const QStringList &items, const QString &name);

    // ---- Settings file ---------------------------------------------------------
    // Cached after the first call. A missing file is the recorded error
    // "No ini file is available for " + AppName (EAbort); the path is cached all the same.
    QString LocateSettingsFile();
    QString SettingsFilePath() const { return m_settingsFilePath; }
    // Program folder + DevIniPath exists; computed once.
    bool IsDevelopmentLayout() const;
    QString DevelopmentSettingsPath() const;
    // "Product ini file : " + path.
    QString SettingsCaption() const;
    // On failure OnSettingsUnavailable runs, then the recorded error
    // "Cannot access product ini file - " + path ends the command.
    void LoadSettingsText();
    bool SettingsLoaded() const { return m_loaded; }
    // Stamps "Date Written" (inserted as the second line when it has no
    // value) and writes the text; failure: "Cannot write to " + path in a
    // message box, ending the command.
    void SaveSettingsText();

    // ---- Applying ----------------------------------------------------------------
    // The window's language buttons, in component order; set before
    // ApplySettings with the language check. The settings keep their enabled state.
    void SetLanguageButtons(const QList<TLanguageButton> &buttons) { m_buttons = buttons; }
    const QList<TLanguageButton> &LanguageButtons() const { return m_buttons; }
    bool ButtonEnabled(const QString &name) const;
    void SetButtonEnabled(const QString &name, bool enabled);
    // The tool root (Part of the start); language folders are found below it.
    QString ToolRoot() const { return m_toolRoot; }
    void SetToolRoot(const QString &root) { m_toolRoot = root; }
    // The console relay program exists (console capture needs it).
    void SetConsoleRelayAvailable(bool available) { m_relayAvailable = available; }

    // Reads the run-control keys; with languageCheck also the limit
    // defaults, the installed languages and the active language. A value
    // that cannot be read raises EConvertError.
    void ApplySettings(bool languageCheck);

    // Kind 2 after the settings were applied: an enabled "XML" language
    // disables the three SQL languages, otherwise "XML" is disabled.
    // captionOf gives a button's caption by its name.
    void ExcludeXmlOrSql(const std::function<QString(const QString &button)> &captionOf);

    // ---- State read by ApplySettings -------------------------------------------
    bool CompressedTree() const { return m_compressedTree; }
    bool AutoExpand() const { return m_autoExpand; }
    bool BlindRun() const { return m_blindRun; }
    bool CaptureLog() const { return m_captureLog; }
    bool SystemCaptureConsole() const { return m_captureConsole; }
    bool DebugMode() const { return m_debugMode; }
    bool NameByDirectory() const { return m_nameByDirectory; }
    bool DeleteAfter() const { return m_deleteAfter; }
    bool DeleteAfterControl() const { return m_deleteAfterControl; }
    bool RenameAfter() const { return m_renameAfter; }
    int BigDirectoryLimit() const { return m_bigDirectoryLimit; }
    int IOBuffSize() const { return m_ioBuffSize; }
    // 0 icons, 1 list, 2 details, 3 thumbnails, 4 tiles.
    int FileViewStyle() const { return m_fileViewStyle; }
    // The lines between "LimitsDef" and "LimitsDef.End" (all selected).
    const QStringList &LimitDefaults() const { return m_limitDefaults; }
    // Codes of the installed languages, sorted, without duplicates.
    const QStringList &LanguageCodes() const { return m_languageCodes; }
    QString ActiveButton() const { return m_activeButton; }
    void SetActiveButton(const QString &name) { m_activeButton = name; }
    // The page a button lies on; false when the window has no such button.
    bool ButtonPage(const QString &name, Ostrin::TLanguagePage &page) const;

    // ---- DOSBox --------------------------------------------------------------------
    void LocateDosBox(bool use);
    bool DOSBoxActive() const { return m_dosBoxActive; }
    QString DOSBoxProgram() const { return m_dosBoxProgram; }
    QString DOSBoxConfigFile() const { return m_dosBoxConfigFile; }
    // Candidates in the order tried before "Runcontrol.DOSBoxLocation";
    // the standard places by default, tests replace it.
    std::function<QStringList()> FindDosBoxCandidates;
    static QStringList StandardDosBoxCandidates();
    static constexpr int DOSBoxConfigTimeoutMs = 30000;

    // ---- Hooks for the window --------------------------------------------------------
    // The settings cannot be used: disable the pages, remove the main menu,
    // clear the job's modified state.
    std::function<void()> OnSettingsUnavailable;
    // The text was replaced from the file or rewritten (memo refresh).
    std::function<void()> OnTextChanged;
    // "View console log from the last run" is shown exactly when capture log is on.
    std::function<void(bool)> OnShowConsoleLog;
    // Name-by-directory mode read: applied at once.
    std::function<void(bool)> OnNameByDirectory;

private:
    void textChanged();
    void readLimitDefaults();
    void checkLanguages();
    void chooseActiveLanguage();
    void repairFileViewStyle();
    void storeDosBoxLocation(const QString &path);
    int buttonIndex(const QString &name) const;

    IReporter *m_reporter;
    QString m_programPath;
    Ostrin::TAnalTypeConstants m_row;
    QStringList m_lines;
    QString m_settingsFilePath;
    mutable int m_developmentLayout = -1;   // not yet determined
    bool m_loaded = false;
    QString m_toolRoot;
    bool m_relayAvailable = false;
    QList<TLanguageButton> m_buttons;

    bool m_compressedTree = false;
    bool m_autoExpand = false;
    bool m_blindRun = false;
    bool m_captureLog = false;
    bool m_captureConsole = false;
    bool m_debugMode = false;
    bool m_nameByDirectory = false;
    bool m_deleteAfter = false;
    bool m_deleteAfterControl = false;
    bool m_renameAfter = true;
    int m_bigDirectoryLimit = 50;
    int m_ioBuffSize = 200000;
    int m_fileViewStyle = 1;
    QStringList m_limitDefaults;
    QStringList m_languageCodes;
    QString m_activeButton;

    bool m_dosBoxActive = false;
    QString m_dosBoxProgram;
    QString m_dosBoxConfigFile;
};
