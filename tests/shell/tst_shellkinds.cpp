#include "LanguageConfiguration.h"
#include "ShellFixture.h"

#include "Errors.h"
#include "SharedRoutinesCommon.h"

#include <QMap>
#include <QtTest>

using namespace Ostrin;

namespace {

// The window's actions as a map: name -> caption, visibility.
class TFakeActions : public IActionCaptions
{
public:
    QMap<QString, QString> captions;
    QMap<QString, bool> visible;

    void add(const QString &name, const QString &caption, bool shown = true)
    {
        captions[name] = caption;
        visible[name] = shown;
    }
    bool HasAction(const QString &name) const override { return captions.contains(name); }
    QString Caption(const QString &name) const override { return captions.value(name); }
    void SetCaption(const QString &name, const QString &caption) override { captions[name] = caption; }
    bool Visible(const QString &name) const override { return visible.value(name); }
    void SetVisible(const QString &name, bool shown) override { visible[name] = shown; }
};

} // namespace

class TestShellKinds : public QObject
{
    Q_OBJECT
private slots:
    void selectKind_data();
    void selectKind();
    void kindGroups();
    void commandLine_data();
    void commandLine();
    void toolRoot();
    void initialJob();
    void presentation();

    void extras_data();
    void extras();
    void extrasErrors_data();
    void extrasErrors();
    void dictionaryFiles();
    void testToolsAndKindActions();
    void searchKeys();
    void controlWordTypes_data();
    void controlWordTypes();
    void captionOverrides();
};

void TestShellKinds::selectKind_data()
{
    QTest::addColumn<QString>("program");
    QTest::addColumn<int>("hostTag");
    QTest::addColumn<QString>("appName");
    QTest::addColumn<int>("kind");
    QTest::newRow("hosted by the workbench") << "/opt/q/Quenbar" << 3 << "Quenbar_Mireth" << 4;
    QTest::newRow("host name any case") << "QUENBAR.exe" << 3 << "Quenbar_Mireth" << 4;
    QTest::newRow("host with unknown tag") << "quenbar" << 7 << "" << 0;
    QTest::newRow("wexom tag 1") << "Wexom" << 1 << "Wexom_Brisel" << 6;
    QTest::newRow("wexom tag 2") << "wexom" << 2 << "Wexom_Tarvell" << 1;
    QTest::newRow("zemrik tag 4") << "Zemrik" << 4 << "Zemrik_Tarvell" << 2;
    QTest::newRow("row 1 has kind 2") << "zemrik_tarvell" << 0 << "Zemrik_Tarvell" << 2;
    QTest::newRow("own name, tag ignored") << "C:\\Tools\\Pelmar.exe" << 3 << "Pelmar" << 8;
    QTest::newRow("unknown") << "other" << 3 << "" << 0;
}

void TestShellKinds::selectKind()
{
    QFETCH(QString, program);
    QFETCH(int, hostTag);
    QFETCH(QString, appName);
    QFETCH(int, kind);
    const TAnalTypeConstants row = SelectApplicationKind(program, hostTag);
    QCOMPARE(row.AppName, appName);
    QCOMPARE(int(row.KindNumber), kind);
    if (appName.isEmpty())
        QVERIFY(row.JobExtension.isEmpty() && row.ToolsFolder.isEmpty());
}

void TestShellKinds::kindGroups()
{
    QCOMPARE(KindTable().size(), 9);
    QList<int> hosted;
    for (const TAnalTypeConstants &r : KindTable()) {
        QCOMPARE(r.ToolsFolder, QStringLiteral("Tools"));
        if (IsHostedKind(r.KindNumber))
            hosted << r.KindNumber;
    }
    QCOMPARE(hosted, (QList<int>{2, 1, 4, 6}));   // in row order
    const TAnalTypeConstants q = SelectApplicationKind("Quenbar", 3);
    QCOMPARE(q.JobExtension, QStringLiteral(".jmrt"));
    QCOMPARE(q.JobHeader, QStringLiteral("KT Mireth Job Definition"));
    QCOMPARE(q.IniFileName, QStringLiteral("Quenbar_Mireth.INI"));
    QVERIFY(IsAuditKind(2) && IsReDocKind(4) && IsTestSpecKind(6) && IsTestDocKind(7) && IsScanKind(8));
    QVERIFY(!IsHostedKind(0) && !IsHostedKind(3) && !IsHostedKind(5));
}

void TestShellKinds::commandLine_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("autoRun");
    QTest::addColumn<QString>("root");
    QTest::addColumn<QString>("proj");
    QTest::newRow("none") << QStringList{} << int(TAutoRun::None) << "" << "";
    QTest::newRow("anal") << QStringList{"-ar", "ANAL"} << int(TAutoRun::Analysis) << "" << "";
    QTest::newRow("scan long") << QStringList{"-AutoRun=scan"} << int(TAutoRun::PreScanner) << "" << "";
    QTest::newRow("other value") << QStringList{"-ar", "Run"} << int(TAutoRun::None) << "" << "";
    QTest::newRow("root and job") << QStringList{"-r=/t", "-P", "/j/a.jmrt"} << int(TAutoRun::None) << "/t"
                                  << "/j/a.jmrt";
}

void TestShellKinds::commandLine()
{
    QFETCH(QStringList, args);
    QFETCH(int, autoRun);
    QFETCH(QString, root);
    QFETCH(QString, proj);
    const TShellCommandLine c = TShellCommandLine::Parse(args);
    QCOMPARE(int(c.AutoRun), autoRun);
    QCOMPARE(c.Root, root);
    QCOMPARE(c.HasRoot, !root.isEmpty());
    QCOMPARE(c.Proj, proj);
    QVERIFY(TShellCommandLine::Parse({"-ShA", "-Shell"}).ShowAdvanced);
    QVERIFY(TShellCommandLine::Parse({"-ShA", "-Shell"}).Register);
    QCOMPARE(JobOpenCommand("/p/Quenbar", "/t", true), QStringLiteral("\"/p/Quenbar\" -sha -root \"/t\" -proj \"%1\""));
    // What the registered command passes reads back as the same root and job.
    const TShellCommandLine back = TShellCommandLine::Parse({"-sha", "-root", "/t", "-proj", "/j/a.jmrt"});
    QVERIFY(back.ShowAdvanced && back.HasRoot && back.HasProj);
    QCOMPARE(back.Proj, QStringLiteral("/j/a.jmrt"));
}

void TestShellKinds::toolRoot()
{
    QTemporaryDir dir;
    const QString tools = dir.path() + "/X/TOOLS";
    QVERIFY(QDir().mkpath(tools + "/Test/Brisel"));
    const TAnalTypeConstants brisel = SelectApplicationKind("Brisel", 0);
    QCOMPARE(ToolRoot(brisel, "/prog", TShellCommandLine::Parse({"-Root", tools})), tools + "/Test/Brisel");
    const TAnalTypeConstants pelmar = SelectApplicationKind("Pelmar", 0);
    QCOMPARE(ToolRoot(pelmar, "/prog", TShellCommandLine::Parse({"-Root", tools + "/"})), tools);
    QCOMPARE(ToolRoot(pelmar, tools, TShellCommandLine{}), tools);   // the program folder without "-Root"
}

void TestShellKinds::initialJob()
{
    QTemporaryDir dir;
    const QString job = dir.path() + "/AcmeBilling.jmrt";
    QVERIFY(writeBytes(job, "StreamToIni.FileFormat=1\r\n"));
    QVERIFY(writeBytes(dir.path() + "/Other.jtst", ""));
    TShellHost host;
    host.HostJobPath = dir.path() + "/AcmeBilling.jQuenbar";   // kind 4: the extension is replaced
    QCOMPARE(InitialJobPath(4, ".jmrt", host, {}), job);
    host.HostJobPath = dir.path() + "/Missing.jQuenbar";
    QCOMPARE(InitialJobPath(4, ".jmrt", host, {}), QString());
    // Kinds 1, 2: the path itself, with the job extension in any case.
    host.HostJobPath = dir.path() + "/Other.JTST";
    QVERIFY(writeBytes(host.HostJobPath, ""));
    QCOMPARE(InitialJobPath(2, ".jtst", host, {}), host.HostJobPath);
    host.HostJobPath6 = dir.path() + "/Other.jtst";
    QCOMPARE(InitialJobPath(6, ".jtst", host, {}), host.HostJobPath6);
    // Otherwise "-Proj" when it names an existing job file.
    QCOMPARE(InitialJobPath(3, ".jmrt", {}, TShellCommandLine::Parse({"-Proj", job})), job);
    QCOMPARE(InitialJobPath(3, ".jmrt", {}, TShellCommandLine::Parse({"-Proj", dir.path() + "/Other.jtst"})),
             QString());
}

void TestShellKinds::presentation()
{
    const TKindPresentation seven = KindPresentation(7);
    QCOMPARE(seven.Page, TLanguagePage::TestDocumentation);
    QCOMPARE(seven.PageCaption, QStringLiteral("Language or utility function selection"));
    QCOMPARE(seven.ExtraButtons.size(), 13);
    QCOMPARE(seven.ExtraButtons.first().Action, QStringLiteral("Start pre-scanner"));
    int besideAddFiles = 0;
    for (const TExtraButton &b : seven.ExtraButtons)
        besideAddFiles += b.From == TExtraButton::AddFiles;
    QCOMPARE(besideAddFiles, 5);
    const TKindPresentation audit = KindPresentation(0);
    QVERIFY(audit.ExtraButtons.last().RowBelow);
    QCOMPARE(audit.ExtraButtons.last().Action, QStringLiteral("Calculate compound metrics"));
    QCOMPARE(KindPresentation(4).HelpFile, QStringLiteral("HELP_MIRETH.HLP"));
    QVERIFY(KindPresentation(4).HelpContexts.isEmpty());
    // Kind 6 is kind 5 without the window context and with its test case group hidden.
    QCOMPARE(KindPresentation(6).HelpContexts.size() + 1, KindPresentation(5).HelpContexts.size());
    QVERIFY(KindPresentation(6).TestCaseGroupHidden && !KindPresentation(5).TestCaseGroupHidden);
    QCOMPARE(KindPresentation(8).Page, TLanguagePage::DocumentTypes);
}

// ---- Language configuration -----------------------------------------------------------

void TestShellKinds::extras_data()
{
    QTest::addColumn<QString>("extras");   // the ".Extras" value
    QTest::addColumn<QString>("what");
    QTest::addColumn<bool>("expected");
    QTest::newRow("defaults: rules") << "" << "rules" << true;
    QTest::newRow("no analpar hides rules") << "(DirDepth=1,Analpar=N)" << "rules" << false;
    QTest::newRow("max values with rules") << "(DirDepth=1,MaxValues=N)" << "maxValues" << true;
    QTest::newRow("max values without both") << "(DirDepth=1,MaxValues=N,Rules=N)" << "maxValues" << false;
    QTest::newRow("scan hides functab") << "(DirDepth=1,Scan=Y)" << "functab" << false;
    QTest::newRow("scan shows word lists") << "(DirDepth=1,Scan=Y)" << "wordList" << true;
    QTest::newRow("extras group off") << "(DirDepth=1,Extras=N,Calc=Y)" << "calc" << false;
    QTest::newRow("calc on") << "(DirDepth=1,Calc=i)" << "calc" << true;
    QTest::newRow("empty item takes default") << "(DirDepth=1,Audit=)" << "audit" << true;
    QTest::newRow("test document template needs kind 5 or 6") << "(DirDepth=1,TstSpecTemplate=T\\x.rtf)" << "spec"
                                                          << false;
    QTest::newRow("search program") << "(DirDepth=1,SearchProg=S\\s)" << "search" << true;
    QTest::newRow("depth 3 components") << "(DirDepth=3)" << "component" << true;
    QTest::newRow("depth 1 no components") << "(DirDepth=1)" << "component" << false;
    QTest::newRow("depth 99") << "(DirDepth=99)" << "byDirectory" << true;
}

void TestShellKinds::extras()
{
    QFETCH(QString, extras);
    QFETCH(QString, what);
    QFETCH(bool, expected);
    TShellFixture f;
    TShellSettings &s = f.make({"JAV1.Extras=" + extras});
    s.LoadSettingsText();
    TLanguageConfiguration c;
    ReadLanguageConfiguration(s, &f.reporter, "JAV1", 4, c);
    const QMap<QString, bool> got{{"rules", c.RulesPage},        {"maxValues", c.MaxValuesPage},
                                  {"functab", c.FunctabPage},    {"wordList", c.WordListCategory},
                                  {"calc", c.Calc},              {"audit", c.AuditOn},
                                  {"spec", c.TestSpecification}, {"search", c.Search},
                                  {"component", c.ComponentLevel()}, {"byDirectory", c.NameByDirectoryDepth()}};
    QVERIFY(got.contains(what));
    QCOMPARE(got.value(what), expected);
    if (extras.isEmpty())
        QCOMPARE(c.DirDepth, 2);
}

void TestShellKinds::extrasErrors_data()
{
    QTest::addColumn<QString>("extras");
    QTest::addColumn<QString>("message");
    QTest::addColumn<int>("dirDepth");   // what was read before the error
    QTest::newRow("no depth") << "(Rules=N)" << "'' is not a valid integer value" << -1;
    QTest::newRow("depth not a number") << "(DirDepth=two)" << "'two' is not a valid integer value" << -1;
    QTest::newRow("bad boolean") << "(DirDepth=3,Rules=maybe)" << "maybe is not valid boolean value (Y,J,I,N,True,False)"
                                 << 3;
}

void TestShellKinds::extrasErrors()
{
    QFETCH(QString, extras);
    QFETCH(QString, message);
    QFETCH(int, dirDepth);
    TShellFixture f;
    TShellSettings &s = f.make({"JAV1.Extras=" + extras});
    s.LoadSettingsText();
    TLanguageConfiguration c;
    c.DirDepth = -1;
    try {
        ReadLanguageConfiguration(s, &f.reporter, "JAV1", 4, c);
        QFAIL("no error");
    } catch (const EConvertError &e) {
        QCOMPARE(e.message(), message);
    }
    QCOMPARE(c.DirDepth, dirDepth);
}

void TestShellKinds::dictionaryFiles()
{
    TShellFixture f;
    TShellSettings &s = f.make({"REQ.Extras=(DirDepth=1,DictionaryFiles=Dict\\words)"});
    s.LoadSettingsText();
    QVERIFY(writeBytes(f.toolRoot() + "/Dict/words.tdfc", "x"));
    TLanguageConfiguration c;
    QVERIFY_THROWS_EXCEPTION(EAbort, ReadLanguageConfiguration(s, &f.reporter, "REQ", 4, c));
    QCOMPARE(f.reporter.errors(),
             QStringList{"DictionaryFilesName " + f.toolRoot() + "/Dict/words is invalid or file doesn't exist"});
    QVERIFY(!c.DictionaryMode);
    QVERIFY(writeBytes(f.toolRoot() + "/Dict/words.tdfall", "x"));
    ReadLanguageConfiguration(s, &f.reporter, "REQ", 4, c);
    QVERIFY(c.DictionaryMode);
    QVERIFY(c.TextTags);
}

void TestShellKinds::testToolsAndKindActions()
{
    TShellFixture f;
    TShellSettings &s = f.make({"TDOC.Extras=(DirDepth=1,CavothPost=Y)", "TSP.Extras=(Procpgm=TSP\\Profile.exe)",
                                "TST.Extras=(Procpgm=TST\\Missing.exe)"});
    s.LoadSettingsText();
    QVERIFY(writeBytes(f.toolRoot() + "/TSP/Profile", "#!/bin/sh\n"));   // found without ".exe"
    TLanguageConfiguration c;
    ReadLanguageConfiguration(s, &f.reporter, "TDOC", 7, c);
    QVERIFY(c.ProduceTestProfile);
    QVERIFY(!c.ProduceTestTrace);
    QVERIFY(!c.FileListAcceptsDrops && !c.SelectionToggles && !c.CommonRootRow);
    ReadLanguageConfiguration(s, &f.reporter, "TDOC", 5, c);   // post-processing only takes the drops in kind 7
    QVERIFY(c.FileListAcceptsDrops);

    ReadLanguageConfiguration(s, &f.reporter, "TIME", 8, c);
    QVERIFY(c.PelmarCategory && c.XmlEditor);
    QCOMPARE(c.StatisticMode, TStatisticMode::TimeSheets);
    QVERIFY(c.DefectStatisticReport && !c.SpecRanking);
    QVERIFY(c.WordListCategory);
    ReadLanguageConfiguration(s, &f.reporter, "defi", 8, c);
    QVERIFY(c.DefectStatisticReport && c.SpecRanking);
    ReadLanguageConfiguration(s, &f.reporter, "X", 0, c);
    QVERIFY(c.RankModules && c.CompoundMetrics && c.OpenDeficiencyReports && c.NameByDirectoryAction);
    QVERIFY(!c.PelmarCategory && !c.OpenSpecificationListings);
    ReadLanguageConfiguration(s, &f.reporter, "X", 1, c);
    QVERIFY(c.OpenDeficiencyReports && c.ShowMetrics && !c.RankModules && !c.NameByDirectoryAction);
}

void TestShellKinds::searchKeys()
{
    TShellFixture f;
    TShellSettings &s = f.make(TextFile::readLines(QStringLiteral(QUENBAR_EXAMPLES_DIR "/Tools/Maintain/Quenbar/Quenbar_Mireth.INI"))
                               << "NOSK.Extras=(DirDepth=1,SearchProg=S)");
    s.LoadSettingsText();
    TLanguageConfiguration c;
    ReadLanguageConfiguration(s, &f.reporter, "JAV1", 4, c);
    QCOMPARE(c.SearchTypes, (QStringList{"Program", "Class", "Method"}));
    QCOMPARE(c.SearchKeys, (QStringList{"PROG", "CLAS", "METH"}));
    QCOMPARE(c.DirDepth, 3);
    QVERIFY(!c.RulesPage && !c.MetricsPage);
    ReadLanguageConfiguration(s, &f.reporter, "NOSK", 4, c);
    QCOMPARE(c.SearchTypes, QStringList{"Program"});
    ReadLanguageConfiguration(s, &f.reporter, "COB85", 4, c);   // no search program: no types
    QVERIFY(c.SearchTypes.isEmpty());
}

void TestShellKinds::controlWordTypes_data()
{
    QTest::addColumn<QStringList>("lines");
    QTest::addColumn<QString>("expected");
    QTest::newRow("default") << QStringList{} << "INPT,OUTP,MASK,REPO,CASE,SKIP,LINK,FUNC,PROC,????";
    QTest::newRow("common") << QStringList{"WordScan.ObjectTypes=(A,B)"} << "A,B,????";
    QTest::newRow("language wins") << QStringList{"WordScan.ObjectTypes=(A,B)", "L.WordScan.ObjectTypes=(C)"}
                                   << "C,????";
    QTest::newRow("???? in the middle") << QStringList{"WordScan.ObjectTypes=(A,????,B)"} << "A,????,B";
    QTest::newRow("???? at the end") << QStringList{"WordScan.ObjectTypes=(A,???\?)"} << "A,????";
    QTest::newRow("???? first") << QStringList{"WordScan.ObjectTypes=(????,A)"} << "????,A";
}

void TestShellKinds::controlWordTypes()
{
    QFETCH(QStringList, lines);
    QFETCH(QString, expected);
    TShellFixture f;
    TShellSettings &s = f.make(lines);
    s.LoadSettingsText();
    TLanguageConfiguration c;
    ReadLanguageConfiguration(s, &f.reporter, "L", 4, c);
    QCOMPARE(c.ControlWordTypes.join(','), expected);
}

void TestShellKinds::captionOverrides()
{
    const QList<TCaptionOverride> parsed =
        ParseCaptionOverrides(QStringLiteral("(ActSearch=\"Find it\",ActRankModules=*,ActNone=,Junk)"));
    QCOMPARE(parsed.size(), 2);
    QCOMPARE(parsed[0].Caption, QStringLiteral("Find it"));
    QVERIFY(parsed[1].Hide);

    TFakeActions actions;
    actions.add("ActSearch", "Search");
    actions.add("ActRankModules", "Rank modules", false);
    actions.add("ActViewDefis", "Open deficiency reports");
    TCaptionMemory memory;
    memory.Apply(parsed, actions);
    QCOMPARE(actions.captions["ActSearch"], QStringLiteral("Find it"));
    QVERIFY(!actions.visible["ActRankModules"]);
    // The next language has no override of them: each gets back what it had.
    actions.visible["ActRankModules"] = true;   // shown meanwhile; the remembered state wins
    memory.Apply(ParseCaptionOverrides("(ActViewDefis=*,ActViewDefis=Defects)"), actions);
    QCOMPARE(actions.captions["ActSearch"], QStringLiteral("Search"));
    QVERIFY(!actions.visible["ActRankModules"]);
    QVERIFY(!actions.visible["ActViewDefis"]);
    QCOMPARE(actions.captions["ActViewDefis"], QStringLiteral("Defects"));
    memory.Undo(actions);
    QVERIFY(actions.visible["ActViewDefis"]);
    QCOMPARE(actions.captions["ActViewDefis"], QStringLiteral("Open deficiency reports"));
}

QTEST_GUILESS_MAIN(TestShellKinds)
#include "tst_shellkinds.moc"
