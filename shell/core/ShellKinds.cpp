#include "ShellKinds.h"

#include "SharedRoutinesCommon.h"

#include <QFileInfo>

namespace Ostrin {

namespace {

TAnalTypeConstants row(quint8 kind, int icon, const char *name, const char *caption, const char *install,
                       const char *suffix, const char *header, const char *extension, const char *dev,
                       const char *ini)
{
    return TAnalTypeConstants{kind,
                              icon,
                              QString::fromLatin1(name),
                              QString::fromLatin1(caption),
                              QStringLiteral("Tools"),
                              QString::fromLatin1(install),
                              QString::fromLatin1(suffix),
                              QString::fromLatin1(header),
                              QString::fromLatin1(extension),
                              QString::fromLatin1(dev),
                              QString::fromLatin1(ini)};
}

} // namespace

const QList<TAnalTypeConstants> &KindTable()
{
    // Paths in their stored form; callers read "\" as "/".
    static const QList<TAnalTypeConstants> table{
        row(0, 0, "Tarvell", "Tarvell main shell", "\\Measure\\Tarvell", "Audit", "KT Tarvell Job Definition", ".jtvl",
            "..\\_Ostrin_Family.Src\\Tarvell.INI", ""),
        row(2, 0, "Zemrik_Tarvell", "Tarvell from Zemrik", "\\Test\\Zemrik", "Audit", "KT Tarvell Job Definition",
            ".jtst", "..\\_Zemrik.Src\\Zemrik_Tarvell.INI", "Zemrik_Tarvell.INI"),
        row(1, 0, "Wexom_Tarvell", "Tarvell from Wexom", "\\Test\\Wexom", "Anal", "KT Tarvell Job Definition", ".jtst",
            "..\\_Zemrik.Src\\Wexom_Tarvell.INI", "Wexom_Tarvell.INI"),
        row(3, 1, "Mireth", "Mireth main shell", "\\Maintain\\Mireth", "ReDoc", "KT Mireth Job Definition", ".jmrt",
            "..\\_Ostrin_Family.Src\\Mireth.INI", ""),
        row(4, 1, "Quenbar_Mireth", "Mireth main shell", "\\Maintain\\Quenbar", "ReDoc", "KT Mireth Job Definition",
            ".jmrt", "..\\_Quenbar.Src\\Quenbar_Mireth.INI", "Quenbar_Mireth.INI"),
        row(5, 2, "Brisel", "Brisel main shell", "\\Test\\Brisel", "Anal", "KT Brisel Job Definition", ".jtst",
            "..\\_Ostrin_Family.Src\\Brisel.INI", ""),
        row(6, 2, "Wexom_Brisel", "Brisel from Wexom", "\\Test\\Wexom", "Anal", "KT Brisel Job Definition", ".jtst",
            "..\\_Zemrik.Src\\Wexom_Brisel.INI", "Wexom_Brisel.INI"),
        row(7, 3, "Cavoth", "Cavoth main shell", "\\Test\\Cavoth", "Inst", "KT Cavoth Job Definition", ".jcvt",
            "..\\_Ostrin_Family.Src\\Cavoth.INI", ""),
        row(8, 4, "Pelmar", "Pelmar main shell", "\\Measure\\Pelmar", "Scan", "KT Pelmar Job Definition", ".jPelmar",
            "..\\_Ostrin_Family.Src\\Pelmar.INI", ""),
    };
    return table;
}

QString HostTagName(int hostTag)
{
    switch (hostTag) {
    case 1: return QStringLiteral("Wexom_Brisel");
    case 2: return QStringLiteral("Wexom_Tarvell");
    case 3: return QStringLiteral("Quenbar_Mireth");
    case 4: return QStringLiteral("Zemrik_Tarvell");
    default: return QString();
    }
}

TAnalTypeConstants SelectApplicationKind(const QString &programName, int hostTag)
{
    QString name = LowerCase(QFileInfo(FromStoredPath(programName)).completeBaseName());
    if (SameText(name, QStringLiteral("Wexom")) || SameText(name, QStringLiteral("Zemrik"))
        || SameText(name, QStringLiteral("Quenbar"))) {
        const QString hosted = HostTagName(hostTag);
        if (!hosted.isEmpty())
            name = hosted;
    }
    for (const TAnalTypeConstants &r : KindTable())
        if (SameText(r.AppName, name))
            return r;
    return TAnalTypeConstants{};
}

bool IsAuditKind(int kind) { return kind >= 0 && kind <= 2; }
bool IsReDocKind(int kind) { return kind == 3 || kind == 4; }
bool IsTestSpecKind(int kind) { return kind == 5 || kind == 6; }
bool IsTestDocKind(int kind) { return kind == 7; }
bool IsScanKind(int kind) { return kind == 8; }
bool IsHostedKind(int kind) { return kind == 1 || kind == 2 || kind == 4 || kind == 6; }

// ---- Command line ------------------------------------------------------------------

TShellCommandLine TShellCommandLine::Parse(const QStringList &args)
{
    TShellCommandLine c;
    c.HasRoot = CommandLineValue(args, QStringLiteral("-Root:-R"), c.Root);
    c.Register = CommandLineSwitch(args, QStringLiteral("-Register:-Shell"));
    c.ShowAdvanced = CommandLineSwitch(args, QStringLiteral("-ShowAdvanced:-ShA"));
    QString autoRun;
    if (CommandLineValue(args, QStringLiteral("-AutoRun:-ar"), autoRun)) {
        if (SameText(autoRun, QStringLiteral("Anal")))
            c.AutoRun = TAutoRun::Analysis;
        else if (SameText(autoRun, QStringLiteral("Scan")))
            c.AutoRun = TAutoRun::PreScanner;
    }
    c.HasProj = CommandLineValue(args, QStringLiteral("-Proj:P"), c.Proj);
    return c;
}

QString ToolRoot(const TAnalTypeConstants &row, const QString &programFolder, const TShellCommandLine &commandLine)
{
    const bool given = commandLine.HasRoot && !commandLine.Root.isEmpty();
    return ToolRootOf(given ? commandLine.Root : programFolder, row.ToolsFolder, row.InstallSubPath);
}

QString JobOpenCommand(const QString &programPath, const QString &toolRoot, bool advanced)
{
    return QLatin1Char('"') + programPath + QLatin1Char('"') + (advanced ? QStringLiteral(" -sha") : QString())
           + QStringLiteral(" -root \"") + toolRoot + QStringLiteral("\" -proj \"%1\"");
}

bool RegisterJobFileType(const TAnalTypeConstants &row, const QString &programPath, const QString &toolRoot)
{
    bool ok = RegisterFileExtension(row.JobExtension, row.JobHeader);
    // The desktop names icons, it has no icon index inside a program file.
    ok = RegisterFileTypeIcon(row.JobHeader, QStringLiteral("quenbar")) && ok;
    ok = RegisterFileTypeVerb(row.JobHeader, QStringLiteral("OpenAdvanced"),
                              QStringLiteral("Start job with advanced options enabled"),
                              JobOpenCommand(programPath, toolRoot, true))
         && ok;
    ok = RegisterFileTypeVerb(row.JobHeader, QStringLiteral("Open"), QStringLiteral("Start job"),
                              JobOpenCommand(programPath, toolRoot, false))
         && ok;
    return ok;
}

// ---- Host ------------------------------------------------------------------------------

QString InitialJobPath(int kind, const QString &jobExtension, const TShellHost &host,
                       const TShellCommandLine &commandLine)
{
    const auto isJob = [&jobExtension](const QString &path) {
        return !path.isEmpty() && !jobExtension.isEmpty() && path.endsWith(jobExtension, Qt::CaseInsensitive)
               && QFileInfo(path).isFile();
    };
    if (kind == 1 || kind == 2 || kind == 6) {
        const QString path = FromStoredPath(kind == 6 ? host.HostJobPath6 : host.HostJobPath);
        if (isJob(path))
            return path;
    } else if (kind == 4 && !host.HostJobPath.isEmpty()) {
        const QFileInfo fi(FromStoredPath(host.HostJobPath));
        const QString base = fi.suffix().isEmpty() ? fi.filePath()
                                                   : fi.filePath().left(fi.filePath().size() - fi.suffix().size() - 1);
        const QString path = base + jobExtension;
        if (QFileInfo(path).isFile())
            return path;
    }
    if (commandLine.HasProj && isJob(FromStoredPath(commandLine.Proj)))
        return FromStoredPath(commandLine.Proj);
    return QString();
}

// ---- Language buttons ------------------------------------------------------------------

QList<TLanguageGroup> LanguageGroups(TLanguagePage page)
{
    switch (page) {
    case TLanguagePage::ProgrammingLanguages:
        return {{"GroupBoxProcedural", "Procedural languages",
                 {{"RadioButtonCob85", "COBOL 85"}, {"RadioButtonCob74", "COBOL 74"}, {"RadioButtonPLI", "PL/I"},
                  {"RadioButtonAssembler", "Assembler"}, {"RadioButtonNatural", "Natural"}, {"RadioButtonC", "C"},
                  {"RadioButtonPB", "PowerBuilder"}, {"RadioButtonWAA", "Mixed sources"}}},
                {"GroupBoxObjectOriented", "Object oriented languages",
                 {{"RadioButtonJava1", "Java"}, {"RadioButtonCpp", "C++"}, {"RadioButtonCSharp", "C#"}}},
                {"GroupBoxDataLanguages", "Data definitions",
                 {{"RadioButtonXML", "XML"}, {"RadioButtonSQLDB2", "SQL - DB2"}, {"RadioButtonSQLOracle", "SQL - Oracle"},
                  {"RadioButtonSQLMS", "SQL - MS"}}}};
    case TLanguagePage::TestSpecification:
        return {{"GroupBoxRequirements", "Requirement documents",
                 {{"RadioButtonReqText", "Requirement texts"}, {"RadioButtonReqDoc", "Requirement documents"}}},
                {"GroupBoxTestCaseAnalysis", "Test Case Analysis", {{"RadioButtonTestCases", "Test case files"}}}};
    case TLanguagePage::TestDocumentation:
        return {{"GroupBoxInstrLanguages", "Languages",
                 {{"RadioButtonInstCob", "COBOL"}, {"RadioButtonInstC", "C"}, {"RadioButtonInstJava", "Java"}}},
                {"GroupBoxUtilities", "Utility functions", {{"RadioButtonTestEval", "Test evaluation"}}}};
    case TLanguagePage::DocumentTypes:
        return {{"GroupBoxDocTypes", "Document types",
                 {{"RadioButtonDefects", "Problem reports"}, {"RadioButtonChanges", "Change requests"},
                  {"RadioButtonTimeSheets", "Time sheets"}}}};
    }
    return {};
}

QList<std::pair<QString, TLanguagePage>> AllLanguageButtons()
{
    QList<std::pair<QString, TLanguagePage>> buttons;
    for (TLanguagePage page : {TLanguagePage::ProgrammingLanguages, TLanguagePage::TestSpecification,
                               TLanguagePage::TestDocumentation, TLanguagePage::DocumentTypes})
        for (const TLanguageGroup &g : LanguageGroups(page))
            for (const TLanguageButtonDef &b : g.buttons)
                buttons.append({QLatin1String(b.name), page});
    return buttons;
}

// ---- Per-kind presentation ------------------------------------------------------------

TKindPresentation KindPresentation(int kind)
{
    TKindPresentation p;
    const TExtraButton preScanner{QStringLiteral("Start pre-scanner")};
    const auto button = [](const char *action, TExtraButton::TClonedFrom from = TExtraButton::StartAnalysis,
                           bool below = false) { return TExtraButton{QString::fromLatin1(action), from, below}; };
    switch (kind) {
    case 0:
    case 1:
    case 2:
        p.PageCaption = QStringLiteral("Language selection");
        p.HelpFile = QStringLiteral("HELP_TARVELL.HLP");
        p.HelpContexts = {{QStringLiteral("Window"), 9999},
                          {QStringLiteral("Language selection"), 9},
                          {QStringLiteral("Names and datasets"), 10},
                          {QStringLiteral("Analysis parameters"), 11},
                          {QStringLiteral("Edit word list"), 12},
                          {QStringLiteral("Word list pages"), 12},
                          {QStringLiteral("Control word list"), 12},
                          {QStringLiteral("Actions menu"), 4},
                          {QStringLiteral("Command panel"), 4},
                          {QStringLiteral("File menu"), 3},
                          {QStringLiteral("Viewers menu"), 5},
                          {QStringLiteral("Logs menu"), 6},
                          {QStringLiteral("Help menu"), 7},
                          {QStringLiteral("Viewer pages"), 15},
                          {QStringLiteral("Start pre-scanner"), 13},
                          {QStringLiteral("Start Analysis"), 14},
                          {QStringLiteral("Control word types"), 19}};
        p.ExtraButtons = {preScanner, button("Rank modules"), button("ActSpecRanking"), button("Rank deficiencies"),
                          button("Calculate compound metrics", TExtraButton::StartAnalysis, true)};
        break;
    case 3:
    case 4:
        p.PageCaption = QStringLiteral("Language selection");
        p.HelpFile = QStringLiteral("HELP_MIRETH.HLP");
        p.ExtraButtons = {preScanner, button("Convert export files"), button("Search")};
        break;
    case 5:
    case 6:
        p.Page = TLanguagePage::TestSpecification;
        p.PageCaption = QStringLiteral("Language selection");
        p.TestCaseGroupHidden = kind == 6;
        p.HelpFile = QStringLiteral("HELP_BRISEL.HLP");
        if (kind == 5)
            p.HelpContexts << THelpContext{QStringLiteral("Window"), 9999};
        p.HelpContexts << THelpContext{QStringLiteral("Language selection"), 34}
                       << THelpContext{QStringLiteral("Names and datasets"), 36}
                       << THelpContext{QStringLiteral("Analysis parameters"), 38}
                       << THelpContext{QStringLiteral("Control Words"), 40}
                       << THelpContext{QStringLiteral("Edit word list"), 40}
                       << THelpContext{QStringLiteral("File menu"), 44}
                       << THelpContext{QStringLiteral("Actions menu"), 45}
                       << THelpContext{QStringLiteral("Command panel"), 45}
                       << THelpContext{QStringLiteral("Viewers menu"), 46}
                       << THelpContext{QStringLiteral("Viewer pages"), 46};
        p.ExtraButtons = kind == 5 ? QList<TExtraButton>{preScanner, button("Create Test Specificaton"),
                                                         button("Start test design")}
                                   : QList<TExtraButton>{preScanner, button("Start test design")};
        break;
    case 7:
        p.Page = TLanguagePage::TestDocumentation;
        p.PageCaption = QStringLiteral("Language or utility function selection");
        p.HelpFile = QStringLiteral("HELP_CAVOTH.HLP");
        p.HelpContexts = {{QStringLiteral("Window"), 9999},
                          {QStringLiteral("Page control"), 38},
                          {QStringLiteral("Language group"), 40},
                          {QStringLiteral("Names and datasets"), 41},
                          {QStringLiteral("Analysis parameters"), 42},
                          {QStringLiteral("Produce Test Profile"), 43},
                          {QStringLiteral("Produce Test Trace"), 43},
                          {QStringLiteral("Produce Test Coverage"), 43},
                          {QStringLiteral("Produce Test Metric"), 43}};
        p.ExtraButtons = {preScanner,
                          button("Create Test Specificaton"),
                          button("Start test design"),
                          button("Produce Test Profile"),
                          button("Produce Test Trace"),
                          button("Produce Test Coverage"),
                          button("Produce Test Metric"),
                          button("Produce TestCase/Code Relations"),
                          button("Select TestCase file", TExtraButton::AddFiles),
                          button("Select Method file", TExtraButton::AddFiles),
                          button("Select test execution log", TExtraButton::AddFiles),
                          button("Select trace files", TExtraButton::AddFiles),
                          button("Select Defect file", TExtraButton::AddFiles)};
        break;
    case 8:
        p.Page = TLanguagePage::DocumentTypes;
        p.PageCaption = QStringLiteral("Select document type");
        p.HelpFile = QStringLiteral("HELP_CAVOTH.HLP");
        p.HelpContexts = {{QStringLiteral("Window"), 9999}};
        p.ExtraButtons = {preScanner, button("View Defect Statistic Report"), button("ActSpecRanking")};
        break;
    default:
        break;
    }
    return p;
}

TKindActions KindActions(int kind)
{
    TKindActions a;
    a.OpenDeficiencyReports = kind == 0 || kind == 1;
    a.OpenSpecificationListings = kind >= 3 && kind <= 6;
    a.ViewEditTestCases = kind == 5 || kind == 6;
    a.ShowMetrics = kind == 0 || kind == 1 || kind == 5 || kind == 6;
    a.XmlEditor = kind == 8;
    a.CompoundMetrics = kind == 0;
    a.RankModules = kind == 0;
    a.RankDeficiencies = kind == 0;
    a.NameByDirectory = kind == 0;
    return a;
}

} // namespace Ostrin
