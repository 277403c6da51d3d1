#include "StagingFixture.h"
#include "StagingRoutines.h"

#include "Errors.h"

#include <QFile>
#include <QtTest>

class TestSourceStructure : public QObject
{
    Q_OBJECT
private slots:
    void derivedNames_data();
    void derivedNames();
    void commonRootAcrossDrives();
    void tooManyFiles();
    void missingFileIsUntickedAndDisabled();
    void noFileTicked();
    void directoryTreeTakesOnlyAcceptedFilesAndSurvivesLinkLoops();
    void bigTreeAsksUnlessDropped();
    void dropsAddFoldersAndFiles();
    void toggleWholeComponent();
    void removeDuplicatesKeepsOneOfEach();
};

// Rows: files below "src", irrelevant component and module names, the
// expected root (relative to "src"), depth, and per file
// component|module|unique name in list order.
void TestSourceStructure::derivedNames_data()
{
    QTest::addColumn<QStringList>("files");
    QTest::addColumn<QStringList>("irrelevantComponents");
    QTest::addColumn<QStringList>("irrelevantModules");
    QTest::addColumn<QString>("root");
    QTest::addColumn<int>("depth");
    QTest::addColumn<QStringList>("derived");

    QTest::newRow("two components, two modules")
        << QStringList{"A/B/X/M1/a.cbl", "A/B/Y/M2/b.cbl"} << QStringList() << QStringList() << "A/B" << 2
        << QStringList{"X|M1|a.cbl", "Y|M2|b.cbl"};
    QTest::newRow("one folder keeps two levels below the root")
        << QStringList{"A/B/C/a.cbl", "A/B/C/b.cbl"} << QStringList() << QStringList() << "A" << 0
        << QStringList{"B|C|a.cbl", "B|C|b.cbl"};
    QTest::newRow("file in the root gets generated names")
        << QStringList{"R/C/M/y.cbl", "R/x.cbl"} << QStringList() << QStringList() << "R" << 2
        << QStringList{"C|M|y.cbl", "Gen_Comp|Gen_Modu|x.cbl"};
    QTest::newRow("irrelevant module folder makes a duplicate")
        << QStringList{"P/X/M1/util.cbl", "P/X/M1/sub/util.cbl", "P/Y/M2/a.cbl"} << QStringList() << QStringList{"sub"}
        << "P" << 3 << QStringList{"X|M1|util.cbl", "X|M1|util_1.cbl", "Y|M2|a.cbl"};
    QTest::newRow("irrelevant component name at any level, any case")
        << QStringList{"S/src/A/M/x.cbl", "S/B/SRC/N/y.cbl", "S/B/src/src/N/z.cbl"} << QStringList{"src"} << QStringList()
        << "S" << 4 << QStringList{"B|N|y.cbl", "B|N|z.cbl", "A|M|x.cbl"};
    QTest::newRow("same base in other modules is no duplicate; case counts")
        << QStringList{"Q/A/M/p.cbl", "Q/A/N/p.cbl", "Q/A/M/sub/P.cbl", "Q/A/M/sub2/p.cob", "Q/B/M/q.cbl"} << QStringList()
        << QStringList{"sub", "sub2"} << "Q" << 3
        << QStringList{"A|M|p.cbl", "A|M|P.cbl", "A|M|p_1.cob", "A|N|p.cbl", "B|M|q.cbl"};
    QTest::newRow("blanks, quotes and accents stay in the names")
        << QStringList{QString::fromUtf8("T/Komp A/Mód \"1\"/pénz ügy.cbl"), "T/B/N/x.cbl"} << QStringList()
        << QStringList() << "T" << 2
        << QStringList{"B|N|x.cbl", QString::fromUtf8("Komp A|Mód \"1\"|pénz ügy.cbl")};
}

void TestSourceStructure::derivedNames()
{
    QFETCH(QStringList, files);
    QFETCH(QStringList, irrelevantComponents);
    QFETCH(QStringList, irrelevantModules);
    QFETCH(QString, root);
    QFETCH(int, depth);
    QFETCH(QStringList, derived);

    TStagingFixture f;
    f.make(2);
    f.addSources(files);
    for (const QString &n : irrelevantComponents)
        f.sources->ComponentNames().AppendItem({n, true, true});
    for (const QString &n : irrelevantModules)
        f.sources->ModuleNames().AppendItem({n, true, true});
    QVERIFY(f.run([&] { f.sources->AnalyseStructure(true); }));

    QCOMPARE(f.sources->CommonRoot(), f.src(root));
    QCOMPARE(f.job->CommonRoot(), f.src(root));
    QCOMPARE(f.sources->Depth(), depth);
    QStringList got;
    for (int i = 0; i < f.sources->Count(); ++i) {
        const TSourceDerived d = f.sources->DerivedAt(i);
        got << d.Component + "|" + d.Module + "|" + d.UniqueName();
    }
    QCOMPARE(got, derived);
    // Generated names never enter the name lists; irrelevant names stay ticked on top.
    for (int i = 0; i < f.sources->ComponentNames().Count(); ++i)
        QVERIFY(f.sources->ComponentNames().TextAt(i) != "Gen_Comp");
    for (int i = 0; i < f.sources->ModuleNames().Count(); ++i)
        QVERIFY(f.sources->ModuleNames().TextAt(i) != "Gen_Modu");
    for (int i = 0; i < irrelevantModules.size(); ++i)
        QVERIFY(f.sources->ModuleNames().CheckedAt(i));
}

void TestSourceStructure::commonRootAcrossDrives()
{
    try {
        Staging::CommonRootOf({"C:/S/a.cbl", "D:/S/b.cbl"}, false);
        QFAIL("different drives were accepted");
    } catch (const EQuenbarError &e) {
        QCOMPARE(e.message(), QString("Cannot determine\"System\" direcory, all modules must reside on the same drive!"));
    }
    const Staging::TCommonRoot r = Staging::CommonRootOf({"C:/A/B/X/M1/a.cbl", "c:/A/B/Y/M2/b.cbl"}, false);
    QCOMPARE(r.Root, QString("C:/A/B"));
    QCOMPARE(r.Depth, 2);
    // The name-by-directory depth keeps no levels below the root.
    QCOMPARE(Staging::CommonRootOf({"C:/A/B/C/a.cbl", "C:/A/B/C/b.cbl"}, true).Root, QString("C:/A/B/C"));
}

void TestSourceStructure::tooManyFiles()
{
    TStagingFixture f;
    f.make();
    QStringList files;
    for (int i = 0; i < 9999; ++i)
        files << f.src(QStringLiteral("A/M/f%1.cbl").arg(i));
    QCOMPARE(f.sources->AddFiles(files), 9999);
    QVERIFY(!f.run([&] { f.sources->AnalyseStructure(true); }));
    QCOMPARE(f.reporter.errors().last(), QString("The number of file in one job must be less than 9999"));
}

void TestSourceStructure::missingFileIsUntickedAndDisabled()
{
    TStagingFixture f;
    f.make();
    f.addSources({"A/M/x.cbl", "A/M/y.cbl"});
    QFile::remove(f.src("A/M/x.cbl"));
    QVERIFY(!f.run([&] { f.sources->AnalyseStructure(false); }));
    QCOMPARE(f.reporter.errors().last(), QString("Some input files cannot be found!"));
    QVERIFY(!f.sources->CheckedAt(0));
    QVERIFY(!f.sources->EnabledAt(0));
    QVERIFY(f.sources->CheckedAt(1));
    // The file stays in the list: removing it is the user's choice.
    QCOMPARE(f.sources->Count(), 2);
}

void TestSourceStructure::noFileTicked()
{
    TStagingFixture f;
    f.make();
    f.addSources({"A/M/x.cbl"});
    f.sources->SetChecked(0, false);
    QVERIFY(f.run([&] { f.sources->AnalyseStructure(false); }));
    QCOMPARE(f.reporter.texts(TTestReporter::TMessage::Info).last(), QString("No files are selected for processing!"));
    QVERIFY(!f.run([&] { f.sources->AnalyseStructure(true); }));
    QCOMPARE(f.reporter.errors().last(), QString("No files are selected for processing!"));
}

void TestSourceStructure::directoryTreeTakesOnlyAcceptedFilesAndSurvivesLinkLoops()
{
    TStagingFixture f;
    f.make();
    writeBytes(f.src("A/M/x.cbl"), "x");
    writeBytes(f.src("A/M/x.cbl.bak"), "x");
    writeBytes(f.src("A/M/noext"), "x");
    writeBytes(f.src("A/M/y.bl"), "x");   // a suffix of an accepted extension
    writeBytes(f.src("A/deep/1/2/3/4/5/6/7/8/z.COB"), "x");
    QVERIFY(QFile::link(f.src("A"), f.src("A/M/loop")));
    f.sources->AddFiles({f.src("A/M/x.cbl")});
    f.sources->SetChecked(0, false);
    QVERIFY(f.run([&] { f.sources->AddDirectoryTree(f.src(), false); }));
    QCOMPARE(f.sources->Paths(), QStringList({f.src("A/deep/1/2/3/4/5/6/7/8/z.COB"), f.src("A/M/x.cbl")}));
    // A file found again is ticked again.
    QVERIFY(f.sources->CheckedAt(1));
    QVERIFY(f.job->Modified());
}

void TestSourceStructure::bigTreeAsksUnlessDropped()
{
    TStagingFixture f;
    f.make(2, {"Runcontrol.SystemBigDirectoryLimit=2"});
    f.addSources({"A/M/a.cbl", "A/M/b.cbl", "A/M/c.cbl"});
    f.sources->Clear();
    f.reporter.answerMessage(mbCancel);
    QVERIFY(!f.run([&] { f.sources->AddDirectoryTree(f.src(), false); }));
    QCOMPARE(f.reporter.lastQuestion().text, QString("You are going to add 3 source files\r\nDo you really want to proceed?"));
    QCOMPARE(f.reporter.errors().last(), QString("Cancelled due to too many files in directory"));
    QCOMPARE(f.sources->Count(), 0);
    // Dropped: no question; above the limit only the recalculation analyses.
    const int asked = f.reporter.messageCount();
    QVERIFY(f.run([&] { f.sources->DropPaths({f.src()}); }));
    QCOMPARE(f.reporter.messageCount(), asked);
    QCOMPARE(f.sources->Count(), 3);
    QVERIFY(f.sources->RecalculateVisible());
    QCOMPARE(f.reporter.warnings().last(), QString("Press the \"Recalculate modular structure\" button to apply the changes !"));
    QVERIFY(f.run([&] { f.sources->AnalyseStructure(true); }));
    QCOMPARE(f.sources->DerivedAt(2).UniqueName(), QString("c.cbl"));
}

void TestSourceStructure::dropsAddFoldersAndFiles()
{
    TStagingFixture f;
    f.make();
    writeBytes(f.src("A/M/a.cbl"), "x");
    writeBytes(f.src("B/N/b.cbl"), "x");
    writeBytes(f.src("B/N/readme.txt"), "x");
    QVERIFY(f.run([&] { f.sources->DropPaths({f.src("A"), f.src("B/N/b.cbl"), f.src("B/N/readme.txt"), f.src("B/../B/N/b.cbl")}); }));
    QCOMPARE(f.sources->Paths(), QStringList({f.src("A/M/a.cbl"), f.src("B/N/b.cbl")}));
    QCOMPARE(f.sources->DerivedAt(1).Component, QString("B"));
}

void TestSourceStructure::toggleWholeComponent()
{
    TStagingFixture f;
    f.make();
    f.addSources({"S/A/M/x.cbl", "S/A/N/y.cbl", "S/B/N/z.cbl"});
    QVERIFY(f.run([&] { f.sources->AnalyseStructure(true); }));
    QCOMPARE(f.sources->ToggleComponentCaption(0), QString("Deselect the whole component"));
    QVERIFY(f.run([&] { f.sources->ToggleComponent(0); }));
    QCOMPARE(QList<bool>({f.sources->CheckedAt(0), f.sources->CheckedAt(1), f.sources->CheckedAt(2)}),
             QList<bool>({false, false, true}));
    QCOMPARE(f.sources->ToggleModuleCaption(1), QString("Select the whole module"));
    QVERIFY(f.run([&] { f.sources->ToggleModule(1); }));
    QCOMPARE(QList<bool>({f.sources->CheckedAt(0), f.sources->CheckedAt(1), f.sources->CheckedAt(2)}),
             QList<bool>({false, true, true}));
    QVERIFY(f.run([&] { f.sources->ToggleComponent(0); }));
    QCOMPARE(QList<bool>({f.sources->CheckedAt(0), f.sources->CheckedAt(1), f.sources->CheckedAt(2)}),
             QList<bool>({true, true, true}));
}

void TestSourceStructure::removeDuplicatesKeepsOneOfEach()
{
    TCheckListModel list;
    for (const char *t : {"b", "a", "b", "B", "a"})
        list.AppendItem({QString::fromLatin1(t), true, true});
    TShellSourceList::RemoveDuplicates(list);
    QCOMPARE(list.Lines(), QStringList({"a", "b", "B"}));
}

QTEST_GUILESS_MAIN(TestSourceStructure)
#include "tst_sourcestructure.moc"
