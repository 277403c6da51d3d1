#include "LanguageConfiguration.h"

#include "Reporting.h"
#include "SharedRoutinesCommon.h"
#include "ShellKinds.h"
#include "ShellSettings.h"
#include "StreamToIniCore.h"

#include <QFileInfo>

namespace {

QString listText(const QString &value)
{
    const qsizetype open = value.indexOf(QLatin1Char('('));
    const qsizetype close = value.lastIndexOf(QLatin1Char(')'));
    return open < 0 || close <= open ? QString() : value.mid(open + 1, close - open - 1);
}

} // namespace

void ReadLanguageConfiguration(const TShellSettings &settings, IReporter *reporter, const QString &code, int kind,
                               TLanguageConfiguration &c)
{
    QStringList items = settings.ListOf(code + QStringLiteral(".Extras"));
    if (items.isEmpty())
        items = QStringList{QStringLiteral("DirDepth=2")};
    const auto item = [&items](const char *name) { return ValueOfNameIn(items, QString::fromLatin1(name)); };
    const auto flag = [&item](const char *name, bool defaultFlag) { return TextToBool(item(name), defaultFlag); };
    const QString toolRoot = settings.ToolRoot();

    c.DirDepth = StreamToIniFormat::TextToInt(item("DirDepth"));
    c.AnalysisParametersPage = flag("Analpar", true);
    const bool analpar = c.AnalysisParametersPage;
    c.RulesPage = flag("Rules", true) && analpar;
    c.MaxValuesPage = (flag("MaxValues", true) || c.RulesPage) && analpar;
    c.MetricsPage = flag("Metrics", true) && analpar;
    c.SpecsPage = flag("Specs", true) && analpar;
    c.FunctabPage = flag("Functab", true) && analpar;
    c.Procpgm = item("Procpgm");
    c.ConvertExportFiles = flag("Transf", false);
    c.PreScanner = flag("Scan", false);
    if (c.PreScanner)
        c.FunctabPage = false;
    c.ScanProg = item("ScanProg");
    c.TextTags = flag("TextTags", false);
    c.DictionaryFiles = item("DictionaryFiles");
    c.DictionaryBase.clear();
    c.DictionaryMode = false;
    if (!c.DictionaryFiles.isEmpty()) {
        c.DictionaryBase = StoredPathBelow(toolRoot, c.DictionaryFiles);
        if (!QFileInfo(c.DictionaryBase + QStringLiteral(".tdfc")).isFile()
            || !QFileInfo(c.DictionaryBase + QStringLiteral(".tdfall")).isFile())
            reporter->AddError(QStringLiteral("DictionaryFilesName ") + c.DictionaryBase
                                   + QStringLiteral(" is invalid or file doesn't exist"),
                               false);
        c.DictionaryMode = true;
        c.TextTags = true;
    }
    c.TstDesignProg = item("TstDesignProg");
    c.TestDesign = !c.TstDesignProg.isEmpty();
    c.TstSpecTemplate = item("TstSpecTemplate");
    c.TestSpecification = !c.TstSpecTemplate.isEmpty() && Ostrin::IsTestSpecKind(kind);
    c.SearchProg = item("SearchProg");
    c.Search = !c.SearchProg.isEmpty();
    c.NounsPage = flag("ObjectsEdit", false);
    c.ExtrasGroup = flag("Extras", true);
    c.CommentsOn = flag("Comments", true) && c.ExtrasGroup;
    c.AuditOn = flag("Audit", true) && c.ExtrasGroup;
    c.Calc = flag("Calc", false) && c.ExtrasGroup;
    c.Exports = flag("Exports", true) && c.ExtrasGroup;
    c.InstruPar = flag("InstruPar", false) && c.ExtrasGroup;
    c.CavothPost = flag("CavothPost", false);
    c.CommonRootRow = !c.CavothPost;
    c.ExtraScreen = item("ExtraScreen");

    const bool post = kind == 7 && c.CavothPost;
    c.FileListAcceptsDrops = !post;
    c.SelectionToggles = !post;
    const auto testTool = [&](const char *tool) {
        const QString program =
            ValueOfNameIn(settings.ListOf(QString::fromLatin1(tool) + QStringLiteral(".Extras")), QStringLiteral("Procpgm"));
        return c.CavothPost && !program.isEmpty() && ProgramFileExists(StoredPathBelow(toolRoot, program));
    };
    c.ProduceTestProfile = testTool("TSP");
    c.ProduceTestTrace = testTool("TST");
    c.ProduceTestCoverage = testTool("TSC");
    c.ProduceTestMetric = testTool("TSM");
    c.ProduceTestCaseRelations = testTool("CTA");

    const Ostrin::TKindActions actions = Ostrin::KindActions(kind);
    c.OpenDeficiencyReports = actions.OpenDeficiencyReports;
    c.OpenSpecificationListings = actions.OpenSpecificationListings;
    c.ViewEditTestCases = actions.ViewEditTestCases;
    c.ShowMetrics = actions.ShowMetrics;
    c.XmlEditor = actions.XmlEditor;
    c.CompoundMetrics = actions.CompoundMetrics;
    c.RankModules = actions.RankModules;
    c.RankDeficiencies = actions.RankDeficiencies;
    c.NameByDirectoryAction = actions.NameByDirectory;

    c.StatisticMode = TStatisticMode::None;
    if (kind == 8) {
        if (SameText(code, QStringLiteral("DEFI")))
            c.StatisticMode = TStatisticMode::Defects;
        else if (SameText(code, QStringLiteral("CHNG")))
            c.StatisticMode = TStatisticMode::Changes;
        else if (SameText(code, QStringLiteral("TIME")))
            c.StatisticMode = TStatisticMode::TimeSheets;
    }
    c.PelmarCategory = kind == 8;
    c.DefectStatisticReport = c.StatisticMode != TStatisticMode::None;
    c.SpecRanking = c.StatisticMode == TStatisticMode::Defects || c.StatisticMode == TStatisticMode::Changes;

    c.WordListCategory = c.PreScanner || kind == 8;

    c.SearchTypes.clear();
    c.SearchKeys.clear();
    if (c.Search) {
        QStringList keys = settings.ListOf(code + QStringLiteral(".SearchKeys"));
        if (keys.isEmpty())
            keys = QStringList{QStringLiteral("Program=PROG")};
        for (const QString &k : keys) {
            c.SearchTypes << ListName(k);
            c.SearchKeys << TextAfter(k, QStringLiteral("="));
        }
    }

    c.CaptionOverrides = ParseCaptionOverrides(settings.ValueOf(code + QStringLiteral(".Captions")));

    QString types = listText(settings.ValueOf(code + QStringLiteral(".WordScan.ObjectTypes")));
    if (types.isEmpty())
        types = listText(settings.ValueOf(QStringLiteral("WordScan.ObjectTypes")));
    if (types.isEmpty())
        types = QStringLiteral("INPT,OUTP,MASK,REPO,CASE,SKIP,LINK,FUNC,PROC");
    // Commas on both sides, so a list that starts with "????" is not given a second one.
    if (!(QLatin1Char(',') + types + QLatin1Char(',')).contains(QLatin1String(",????,")))
        types += QStringLiteral(",????");
    c.ControlWordTypes = SplitCommaText(types, TCommaBlanks::Trim);
}

QList<TCaptionOverride> ParseCaptionOverrides(const QString &value)
{
    QString text = listText(value);
    text.remove(QLatin1Char('"'));
    QList<TCaptionOverride> result;
    for (const QString &line : text.split(QLatin1Char(','))) {
        const qsizetype eq = line.indexOf(QLatin1Char('='));
        if (eq <= 0)
            continue;
        const QString name = line.left(eq).trimmed();
        const QString caption = line.mid(eq + 1);
        if (caption.isEmpty())
            continue;
        result << TCaptionOverride{name, caption == QLatin1String("*"), caption == QLatin1String("*") ? QString() : caption};
    }
    return result;
}

void TCaptionMemory::Undo(IActionCaptions &actions)
{
    // Latest first, so an action overridden twice gets back what it had before both.
    for (auto it = m_remembered.crbegin(); it != m_remembered.crend(); ++it) {
        const QString &line = *it;
        const QString name = ListName(line);
        const QString value = TextAfter(line, QStringLiteral("="));
        if (!actions.HasAction(name))
            continue;
        if (value == QLatin1String("*Y") || value == QLatin1String("*N"))
            actions.SetVisible(name, value == QLatin1String("*Y"));
        else
            actions.SetCaption(name, value);
    }
    m_remembered.clear();
}

void TCaptionMemory::Apply(const QList<TCaptionOverride> &overrides, IActionCaptions &actions)
{
    Undo(actions);
    for (const TCaptionOverride &o : overrides) {
        if (!actions.HasAction(o.Action))
            continue;
        if (o.Hide) {
            m_remembered << o.Action + QLatin1Char('=') + (actions.Visible(o.Action) ? QStringLiteral("*Y") : QStringLiteral("*N"));
            actions.SetVisible(o.Action, false);
        } else {
            m_remembered << o.Action + QLatin1Char('=') + actions.Caption(o.Action);
            actions.SetCaption(o.Action, o.Caption);
        }
    }
}
