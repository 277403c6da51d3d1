#pragma once
// The workbench's start-up settings without any widget: where the settings
// file lives, its Name=Value text, the run-control keys read from it, the
// optional DOSBox set-up for converter runs, the tool root, the converter
// defaults and the registration of the job file type. Every message goes
// through the reporter (the window's status bar); the window shows the text in its memo and
// hands edited text back with setLines.

#include "WorkbenchRow.h"

#include <QString>
#include <QStringList>

#include <functional>

class QDateTime;
class IReporter;

// The switches the program reads at start.
struct TWorkbenchCommandLine
{
    bool HasRoot = false;
    QString Root;          // "-Root:-R"
    bool HasProj = false;
    QString Proj;          // "-Proj:P"
    bool ShowAdvanced = false;   // "-ShowAdvanced:-ShA"
    bool Register = false;       // "-Register:-Shell"
    bool HasAutoRun = false;
    QString AutoRun;       // "-AutoRun:-ar", read by the hosted shell

    // Arguments without the program name.
    static TWorkbenchCommandLine parse(const QStringList &args);
};

class TWorkbenchSettings
{
public:
    // reporter is not owned and must outlive this object; programPath is the
    // program file (its folder holds the settings file, its base name decides
    // whether the workbench row is taken over).
    TWorkbenchSettings(IReporter *reporter, const QString &programPath);

    const TAnalTypeConstants &Row() const { return m_row; }
    QString ProgramPath() const { return m_programPath; }
    QString ProgramFolder() const;

    // ---- Settings text -----------------------------------------------------
    const QStringList &Lines() const { return m_lines; }
    void setLines(const QStringList &lines) { m_lines = lines; }
    // The text as the memo shows it (lines joined by "\n") and back.
    QString Text() const;
    void setText(const QString &text);

    // Value of the first line whose name (part before the first "=") equals
    // name, case-insensitive; empty when there is none.
    QString ValueOf(const QString &name) const { return ValueIn(m_lines, name); }
    // Replaces the value of the first line of that name, or appends a line.
    void SetValue(const QString &name, const QString &value) { SetValueIn(m_lines, name, value); }
    static QString ValueIn(const QStringList &lines, const QString &name);
    static int IndexOfName(const QStringList &lines, const QString &name);
    static void SetValueIn(QStringList &lines, const QString &name, const QString &value);

    // ---- Settings file -----------------------------------------------------
    QString SettingsFilePath() const { return m_settingsFilePath; }
    void setSettingsFilePath(const QString &path) { m_settingsFilePath = path; }
    // "Product ini file : " + path, the caption of the settings group.
    QString SettingsCaption() const;
    bool SettingsLoaded() const { return m_loaded; }

    // Resolves and caches SettingsFilePath: the development path when it
    // exists, else the normal one; neither existing is a recorded error that
    // ends the command (EAbort).
    QString LocateSettingsFile();
    // Loads the file into the settings text. On failure OnSettingsUnavailable
    // runs (the window disables its pages, empties its menu and clears the
    // modified flag), then the recorded error "Cannot access product ini
    // file - " + path ends the command (EAbort).
    void LoadSettingsText();
    // Stamps "Date Written" and writes the text to the settings file;
    // failure switches the bar to message boxes and ends the command.
    void SaveSettingsText();
    // The "Date Written" value for a moment: short date and long time.
    static QString DateWrittenText(const QDateTime &moment);

    // Reads the run-control keys in their fixed order. A boolean or integer
    // that cannot be read raises EConvertError. With ask set and a warning or
    // error on the bar, offers to rewrite the settings file.
    void ApplySettings(bool ask);

    // ---- State read by ApplySettings ---------------------------------------
    bool DOSBoxActive() const { return m_dosBoxActive; }
    QString DOSBoxProgram() const { return m_dosBoxProgram; }
    QString DOSBoxConfigFile() const { return m_dosBoxConfigFile; }
    bool BlindRun() const { return m_blindRun; }
    bool CaptureLog() const { return m_captureLog; }
    bool DebugMode() const { return m_debugMode; }
    bool DeleteAfter() const { return m_deleteAfter; }
    bool DeleteAfterControl() const { return m_deleteAfterControl; }
    int BigDirectoryLimit() const { return m_bigDirectoryLimit; }
    int IOBuffSize() const { return m_ioBuffSize; }

    // ---- DOSBox ------------------------------------------------------------
    // Finds DOSBox (search, then "Runcontrol.DOSBoxLocation", then the user),
    // writes its default configuration once, and mirrors the outcome into the
    // hosted shell's "Quenbar_Mireth.INI".
    void LocateDosBox(bool use);
    // Candidate DOSBox programs in the order tried; the first existing one is
    // taken. Defaults to DefaultDosBoxCandidates; tests replace it.
    std::function<QStringList()> FindDosBoxCandidates;
    static QStringList DefaultDosBoxCandidates();
    static constexpr int DOSBoxConfigTimeoutMs = 30000;

    // ---- Tool root, converters, captions -----------------------------------
    QString ToolRoot() const { return m_toolRoot; }
    void setToolRoot(const QString &root) { m_toolRoot = root; }
    // The "-Root" folder when given, else the program folder; a folder named
    // like the row's tools folder that holds the install subfolder gives way
    // to that subfolder.
    void DetermineToolRoot(const TWorkbenchCommandLine &commandLine);
    static QString ToolRootFor(const TAnalTypeConstants &row, const QString &programFolder, bool hasRoot,
                               const QString &root);
    // Default program of a converter field: the key's value when it is an
    // absolute path, otherwise ToolRoot + "/" + the value.
    QString ConverterDefault(const QString &key) const;
    // Items 0 and 1 of "BussinesLogicGeneration" (comma text, TCommaBlanks::Trim).
    QString CaptionItem() const;
    QString LanguageCode() const;
    // The filter key's ".Filters" value: the source file dialog filter.
    QString SourceFileFilter() const;

    // Registers the job extension, its icon and the "OpenAdvanced" and "Open"
    // commands; false when the desktop refused (never raises).
    bool RegisterJobFileType();
    QString OpenCommand(bool advanced) const;

    // ---- Hooks for the window ----------------------------------------------
    std::function<void()> OnSettingsUnavailable;
    // The text was replaced from the file or rewritten (memo refresh).
    std::function<void()> OnTextChanged;
    // "View console log from the last run" is shown exactly when capture log is on.
    std::function<void(bool)> OnShowConsoleLog;

private:
    void textChanged();
    void storeDosBoxLocation(const QString &path);
    void mirrorIntoShellSettings();
    QString settingsFolder();

    IReporter *m_reporter;
    QString m_programPath;
    TAnalTypeConstants m_row;
    QStringList m_lines;
    QString m_settingsFilePath;
    bool m_loaded = false;
    QString m_toolRoot;

    bool m_dosBoxActive = false;
    QString m_dosBoxProgram;
    QString m_dosBoxConfigFile;
    bool m_blindRun = false;
    bool m_captureLog = false;
    bool m_debugMode = false;
    bool m_deleteAfter = false;
    bool m_deleteAfterControl = false;
    int m_bigDirectoryLimit = 50;
    int m_ioBuffSize = 200000;
};
