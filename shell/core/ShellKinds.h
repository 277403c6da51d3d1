#pragma once
// The analysis shell's application kinds: the nine constant rows, the choice
// of a row from the program name and the host's tag, the kind groups, the
// tool root, the command line, what the host hands over, and the per-kind
// presentation (language page, help, extra command buttons) as data that
// the shell window applies.

#include <QList>
#include <QString>
#include <QStringList>

#include <utility>

namespace Ostrin {

// One application-kind row; the workbench has its own shorter row.
struct TAnalTypeConstants
{
    quint8 KindNumber = 0;
    int IconIndex = 0;
    QString AppName;
    QString AppCaption;
    QString ToolsFolder;
    QString InstallSubPath;
    QString ProgramSuffix;
    QString JobHeader;
    QString JobExtension;
    QString DevIniPath;
    QString IniFileName;   // empty: the program's own name + ".INI"
};

// The nine rows in their fixed order (row order and kind numbers differ).
const QList<TAnalTypeConstants> &KindTable();

// The name a host tag selects: 1 "Wexom_Brisel", 2 "Wexom_Tarvell",
// 3 "Quenbar_Mireth", 4 "Zemrik_Tarvell"; empty for other tags.
QString HostTagName(int hostTag);

// programName: the program file (a path or a bare name; folder and
// extension are dropped). A host program's name is replaced by the name its
// tag selects. No match gives the empty row (kind 0, empty strings).
TAnalTypeConstants SelectApplicationKind(const QString &programName, int hostTag);

// Kind groups; behaviour always follows the kind number, never the row.
bool IsAuditKind(int kind);        // 0, 1, 2
bool IsReDocKind(int kind);        // 3, 4
bool IsTestSpecKind(int kind);     // 5, 6
bool IsTestDocKind(int kind);      // 7
bool IsScanKind(int kind);         // 8
// The host supplies names, output directory and job file: 1, 2, 4, 6.
bool IsHostedKind(int kind);

// ---- Command line ------------------------------------------------------------

enum class TAutoRun { None, Analysis, PreScanner };

struct TShellCommandLine
{
    bool HasRoot = false;
    QString Root;                 // "-Root:-R"
    bool Register = false;        // "-Register:-Shell"
    bool ShowAdvanced = false;    // "-ShowAdvanced:-ShA"
    TAutoRun AutoRun = TAutoRun::None;   // "-AutoRun:-ar": "Anal" or "Scan", any case
    bool HasProj = false;
    QString Proj;                 // "-Proj:P"

    // Arguments without the program name.
    static TShellCommandLine Parse(const QStringList &args);
};

// The "-Root" value when given, else the program folder; a root named like
// the row's tools folder gives way to its install subfolder when that exists.
QString ToolRoot(const TAnalTypeConstants &row, const QString &programFolder, const TShellCommandLine &commandLine);

// The job file type's open command: the program with the tool root and the
// job ("%1"), with "-sha" for the advanced one.
QString JobOpenCommand(const QString &programPath, const QString &toolRoot, bool advanced);
// Registers the row's job extension, type icon and the "OpenAdvanced" and
// "Open" commands ("Open" last: the default); false when the desktop refused.
bool RegisterJobFileType(const TAnalTypeConstants &row, const QString &programPath, const QString &toolRoot);

// ---- Host ----------------------------------------------------------------------

// What a hosting program hands the shell before showing it, and what it
// reads back after the shell closed.
struct TShellHost
{
    QString OutputDirectory;
    QString ProductName;
    QString SystemName;
    QString Version;
    QString ProjectDirectory;
    QString ActiveLanguage;    // the language button's name
    // Kinds 1 and 2: the job file to open; kind 4: a path whose extension is
    // replaced by the job extension.
    QString HostJobPath;
    QString HostJobPath6;      // kind 6's job file
    // Read back by the host: kind 4 the language version (the workbench's
    // job name); kinds 1, 2, 6 the saved job file.
    QString ProjectSubVersion;
    QString TestCaseFile;      // kind 6: the test case file of the saved job, else empty
    QString SavedJobFile;      // every hosted kind: the job file last saved
};

// The job the shell opens when it is shown; empty: none (a new job for the
// active language). Only an existing file with the job extension counts.
QString InitialJobPath(int kind, const QString &jobExtension, const TShellHost &host,
                       const TShellCommandLine &commandLine);

// ---- Per-kind presentation -------------------------------------------------------

enum class TLanguagePage { ProgrammingLanguages, TestSpecification, TestDocumentation, DocumentTypes };

// The language buttons of a page, in groups. A button is offered only when
// the settings file has an entry under its name.
struct TLanguageButtonDef
{
    const char *name;
    const char *caption;
};

struct TLanguageGroup
{
    const char *name;
    const char *title;
    QList<TLanguageButtonDef> buttons;
};

QList<TLanguageGroup> LanguageGroups(TLanguagePage page);
// Every button of every page, in the window's component order.
QList<std::pair<QString, TLanguagePage>> AllLanguageButtons();

struct THelpContext
{
    QString Target;   // "Window", a page caption, a menu ("File menu") or an action caption
    int Context = 0;
};

struct TExtraButton
{
    enum TClonedFrom { StartAnalysis, AddFiles };
    QString Action;          // the action's caption, or its name when it has none of its own here
    TClonedFrom From = StartAnalysis;
    bool RowBelow = false;   // placed on the row below the one it is cloned from
};

struct TKindPresentation
{
    TLanguagePage Page = TLanguagePage::ProgrammingLanguages;
    QString PageCaption;
    bool TestCaseGroupHidden = false;   // kind 6: the "Test Case Analysis" group
    QString HelpFile;                   // in the program's folder
    QList<THelpContext> HelpContexts;
    QList<TExtraButton> ExtraButtons;   // in order; "Start pre-scanner" first
};

TKindPresentation KindPresentation(int kind);

// The actions that exist for a kind alone (shown by the language
// configuration): deficiency reports 0 and 1, specification listings 3..6,
// test cases 5 and 6, metrics 0, 1, 5, 6, XML editor 8, compound metrics,
// rankings and name-by-directory 0.
struct TKindActions
{
    bool OpenDeficiencyReports = false;
    bool OpenSpecificationListings = false;
    bool ViewEditTestCases = false;
    bool ShowMetrics = false;
    bool XmlEditor = false;
    bool CompoundMetrics = false;
    bool RankModules = false;
    bool RankDeficiencies = false;
    bool NameByDirectory = false;
    bool StartAnalysis = true;
};
TKindActions KindActions(int kind);

} // namespace Ostrin
