#include "StagingFixture.h"
#include "TestPdf.h"

#include "SharedRoutinesCommon.h"

#include <QFile>
#include <QProcess>
#include <QtTest>

namespace {

QStringList mapLines(const QStringList &map, const QString &prefix)
{
    QStringList out;
    for (const QString &line : map)
        if (line.startsWith(prefix))
            out << line;
    return out;
}

} // namespace

class TestStaging : public QObject
{
    Q_OBJECT
private slots:
    void nameMapOfTheExample();
    void stagedCopiesAndLineEnds();
    void longExtensionsAndUntickedFiles();
    void shallowDepthsLeaveGeneratedFoldersOut_data();
    void shallowDepthsLeaveGeneratedFoldersOut();
    void outputDirectoryCheck_data();
    void outputDirectoryCheck();
    void unusedOutputDirectoryIsConfirmed();
    void parameterFileForOneModule();
    void nameByDirectoryWritesModuleFilesAndBatch();
    void emptyParameterBlocksAreLeftOut();
    void subProcessorBatch_data();
    void subProcessorBatch();
    void renameBackAfterAFakeRun();
    void renamingOffKeepsGeneratedNames();
    void renamingNeverLeavesTheResultFolder();
    void vanishingSourceIsUntickedAndTheRestStaged();
    void unwritableTargetEndsTheCopy();
    void documentsAreConvertedThroughPdf2txt();
    void oddNamesSurviveTheRoundTrip();
    void sourcesInsideTheOutputDirectoryAreNeverCleanedAway();
    void flatStagingByFolder();
};

// Root S with A/M/x.cbl, A/M/y.cbl and B/N/z.cbl, all ticked.
void TestStaging::nameMapOfTheExample()
{
    TStagingFixture f;
    f.make();
    f.addSources({"S/A/M/x.cbl", "S/A/M/y.cbl", "S/B/N/z.cbl"});
    QVERIFY(f.run([&] { f.staging->WriteParameterText(); }));
    const QString in = f.input();
    QCOMPARE(f.staging->NameMap(),
             QStringList({"COMP0001=A", "COMP0002=B", "FDR0001=" + in + "/COMP0001/MOD0001",
                          "FDR0002=" + in + "/COMP0002/MOD0002", "MOD0001=A/M", "MOD0002=B/N", "SRC0001=A/M/x.cbl",
                          "SRC0002=A/M/y.cbl", "SRC0003=B/N/z.cbl", "XCPY0000=" + in + "/COMP0001/MOD0001/SRC0001.CBL",
                          "XCPY0001=" + in + "/COMP0001/MOD0001/SRC0002.CBL",
                          "XCPY0002=" + in + "/COMP0002/MOD0002/SRC0003.CBL"}));
    QCOMPARE(f.staging->NumberOfModules(), 2);
    QCOMPARE(f.staging->NumberOfSourceFiles(), 3);
}

void TestStaging::stagedCopiesAndLineEnds()
{
    TStagingFixture f;
    f.make(2, {"FileCopy.SystemIOBuffSize=4"});   // many chunks: a CR LF may fall on a chunk border
    writeBytes(f.src("S/A/M/lf.cbl"), "one\ntwo\nthree\n");
    writeBytes(f.src("S/A/M/crlf.cbl"), "one\r\ntwo\r\n");
    QByteArray utf16("\xFF\xFE");
    for (QChar c : QString::fromUtf8("Árvíz\r\n"))
        utf16 += char(c.unicode() & 0xFF), utf16 += char(c.unicode() >> 8);
    writeBytes(f.src("S/B/N/wide.cbl"), utf16);
    f.sources->AddFiles({f.src("S/A/M/lf.cbl"), f.src("S/A/M/crlf.cbl"), f.src("S/B/N/wide.cbl")});
    QVERIFY(f.run([&] { f.staging->PrepareJob(); }));
    // crlf.cbl sorts first.
    QCOMPARE(fileBytes(f.input() + "/COMP0001/MOD0001/SRC0001.CBL"), QByteArray("one\r\ntwo\r\n"));
    QCOMPARE(fileBytes(f.input() + "/COMP0001/MOD0001/SRC0002.CBL"), QByteArray("one\r\ntwo\r\nthree\r\n"));
    QCOMPARE(fileBytes(f.input() + "/COMP0002/MOD0002/SRC0003.CBL"), QByteArray("\xC1rv\xEDz\r\n"));
    QCOMPARE(f.staging->SourceLinesInJob(), qint64(6));
    QCOMPARE(f.job->SourceLines(), 6);
    // Sources are read, never changed.
    QCOMPARE(fileBytes(f.src("S/A/M/lf.cbl")), QByteArray("one\ntwo\nthree\n"));
    for (const QString &folder : TShellStaging::ResultFolderNames())
        QVERIFY2(QFileInfo(f.out() + "/" + folder).isDir(), qPrintable(folder));
    QVERIFY(QFileInfo(f.out() + "/SYS").isDir());
    QVERIFY(QFileInfo(f.out() + "/work").isDir());
    QVERIFY(QFileInfo(f.out() + "/last.xml").isFile());

    // "Count source lines" counts without a parameter file's results.
    TStagingFixture g;
    g.make();
    g.addSources({"S/A/M/x.cbl"}, "a\nb\nc\n");
    QVERIFY(g.run([&] { g.staging->PrepareJob(true); }));
    QCOMPARE(g.staging->SourceLinesInJob(), qint64(3));
    QVERIFY(!QFileInfo(g.out() + "/Metrics").exists());
}

void TestStaging::longExtensionsAndUntickedFiles()
{
    TStagingFixture f;
    f.make();
    f.addSources({"S/A/M/Test.java", "S/A/M/u.cbl", "S/A/M/x.cbl"});
    f.sources->SetChecked(1, false);
    QVERIFY(f.run([&] { f.staging->PrepareJob(); }));
    QCOMPARE(f.staging->ExtensionMap(), QStringList({".java=.JAV", ".JAV=.java"}));
    QCOMPARE(mapLines(f.staging->NameMap(), "SRC"), QStringList({"SRC0001=A/M/Test.java", "SRC0003=A/M/x.cbl"}));
    QCOMPARE(mapLines(f.staging->NameMap(), "XCPY"),
             QStringList({"XCPY0000=" + f.input() + "/COMP0001/MOD0001/SRC0001.JAV",
                          "XCPY0002=" + f.input() + "/COMP0001/MOD0001/SRC0003.CBL"}));
    QVERIFY(QFileInfo(f.input() + "/COMP0001/MOD0001/SRC0001.JAV").isFile());
    QVERIFY(!QFileInfo(f.input() + "/COMP0001/MOD0001/SRC0002.CBL").exists());
    QCOMPARE(f.staging->StagedFiles(), 2);
}

void TestStaging::shallowDepthsLeaveGeneratedFoldersOut_data()
{
    QTest::addColumn<int>("depth");
    QTest::addColumn<QStringList>("lines");
    QTest::addColumn<QString>("stagedEntry");
    QTest::newRow("module level") << 1 << QStringList({"COMP0001=", "MOD0001=M", "SRC0001=M/x.cbl"})
                                  << "MOD0001/SRC0001.CBL";
    QTest::newRow("source level") << 0 << QStringList({"COMP0001=", "MOD0001=", "SRC0001=x.cbl"}) << "SRC0001.CBL";
}

void TestStaging::shallowDepthsLeaveGeneratedFoldersOut()
{
    QFETCH(int, depth);
    QFETCH(QStringList, lines);
    QFETCH(QString, stagedEntry);
    TStagingFixture f;
    f.make(depth);
    f.addSources({"S/A/M/x.cbl", "S/A/M/y.cbl"});
    QVERIFY(f.run([&] { f.staging->PrepareJob(); }));
    for (const QString &line : lines)
        QVERIFY2(f.staging->NameMap().contains(line), qPrintable(line));
    const QString xcpy = ValueOfNameIn(f.staging->NameMap(), "XCPY0000");
    QCOMPARE(xcpy, f.input() + "/" + stagedEntry);
    QVERIFY(QFileInfo(xcpy).isFile());
    // The parameter file names the file where it was staged.
    QVERIFY(f.staging->ParameterText().contains("  <File_0001>" + stagedEntry + "</File_0001>"));
}

void TestStaging::outputDirectoryCheck_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("error");   // empty: accepted
    QTest::addColumn<QString>("shown");   // relative to the fixture's out
    QTest::newRow("empty") << "" << "This field must not be empty" << "";
    QTest::newRow("relative") << "out/x" << "Invalid output directory (No relative or UNC format path is allowed here)!" << "";
    QTest::newRow("network share") << "//server/share/COB" << "Invalid output directory (No relative or UNC format path is allowed here)!" << "";
    QTest::newRow("dot-dot") << "@/COB/../../x" << "Invalid output directory (No relative or UNC format path is allowed here)!" << "";
    QTest::newRow("forced to the language") << "@" << "Output directory forced to COB subdirectory!" << "/COB";
    QTest::newRow("language folder kept") << "@/COB//" << "" << "/COB";
    QTest::newRow("job folder kept") << "@/PROD_SYS_C85/new" << "" << "/PROD_SYS_C85/new";
}

void TestStaging::outputDirectoryCheck()
{
    QFETCH(QString, typed);
    QFETCH(QString, error);
    QFETCH(QString, shown);
    TStagingFixture f;
    f.make();
    f.job->SetJobName("PROD_SYS_C85");
    f.job->SetOutputDirectory(QString(typed).replace("@", f.out()));
    QString result;
    const bool ok = f.run([&] { result = f.staging->CheckOutputDirectory(); });
    if (error.isEmpty()) {
        QVERIFY(ok);
        QVERIFY(f.reporter.errors().isEmpty());
    } else {
        QCOMPARE(f.reporter.errors().value(0), error);
    }
    if (!shown.isEmpty()) {
        QVERIFY(ok);
        QCOMPARE(result, f.out() + shown);
        QCOMPARE(f.job->OutputDirectory(), f.out() + shown);
        QVERIFY(QFileInfo(result).isDir());
    } else {
        QVERIFY(!ok);
    }
}

void TestStaging::unusedOutputDirectoryIsConfirmed()
{
    TStagingFixture f;
    f.make();
    f.addSources({"S/A/M/x.cbl"});
    f.reporter.answerMessage(mbNo);
    QVERIFY(!f.run([&] { f.staging->PrepareJob(); }));
    QVERIFY(f.reporter.lastQuestion().text.startsWith("Your current output directory \r\n" + f.out() + "\r\nhasn't been used yet"));
    QCOMPARE(f.reporter.errors().last(), QString("Go and select another output directory,and then try again"));
    QVERIFY(!QFileInfo(f.input() + "/COMP0001/MOD0001/SRC0001.CBL").exists());
    // Once used, nobody is asked again.
    QVERIFY(f.run([&] { f.staging->PrepareJob(); }));
    const int asked = f.reporter.messageCount();
    QVERIFY(f.run([&] { f.staging->PrepareJob(); }));
    QCOMPARE(f.reporter.messageCount(), asked);
}

void TestStaging::parameterFileForOneModule()
{
    TStagingFixture f;
    f.make();
    writeBytes(f.path("tools/COBReDoc/Functab.COB"), "READ\r\n");
    TRunOptions options = f.staging->Options();
    options.FunctionTableFile = f.path("tools/COBReDoc/Functab.COB");
    options.Comments = false;
    f.staging->SetOptions(options);
    TDefinitionLists &defs = f.job->Definitions();
    defs.Weights = QStringList({"1", "0", "3"});
    defs.Specs = {{"Spec A", true, true}, {"Spec B", false, true}};
    defs.Rules = {{"R1", false, true}, {"R2", true, true}};
    defs.Limits = {{"Statements", "   500", " MAXSTMT "}};
    f.addSources({"S/A/M/x.cbl", "S/A/M/y.cbl"});
    QVERIFY(f.run([&] { f.staging->PrepareJob(); }));

    const QString root = UpperCase(f.job->Row().AppName);
    const QStringList expected = {
        "<?xml version=\"1.0\" encoding=\"UTF-8\" ?>                 ",
        "<!--DOCTYPE OSTRIN SYSTEM \"Ostrin.dtd\"-->               ",
        "<" + root + ">",
        " <Names                                                 ",
        "  Language = \"C85\"",
        "  ProductName = \"PROD\"",
        "  SystemName  = \"SYS\"",
        "  Version = \"1.0\"",
        " />",
        " <Parameters",
        "  Audit = \"Y\"",
        "  Comments = \"N\"",
        "  Exports = \"Y\" ",
        "  Metrics = \"103\" ",
        "  Specs = \"YN\" ",
        "  Rules = \"NY\" ",
        " /> ",
        " <MaxLimits",
        "  MAXSTMT = \"500\" ",
        " /> ",
        " <Directories>",
        "  <Orig_Input_Dir>" + f.src("S") + "</Orig_Input_Dir>",
        "  <Input_Dir>workinp</Input_Dir>",
        "  <Orig_Output_Dir>" + f.out() + "</Orig_Output_Dir>",
        "  <Output_Dir>.</Output_Dir>",
        "  <Work_Dir>./work</Work_Dir>",
        "  <Func_Tab>Functab.COB</Func_Tab>",
        " </Directories>",
        " <Files>",
        "  <Orig_File_0001>A/M/x.cbl</Orig_File_0001>",
        "  <File_0001>COMP0001/MOD0001/SRC0001.CBL</File_0001>",
        "  <Orig_File_0002>A/M/y.cbl</Orig_File_0002>",
        "  <File_0002>COMP0001/MOD0001/SRC0002.CBL</File_0002>",
        " </Files>",
        "</" + root + ">"};
    const QStringList written = TextFile::readLines(f.out() + "/last.xml");
    for (int i = 0; i < std::max(expected.size(), written.size()); ++i)
        QCOMPARE(written.value(i), expected.value(i));
    QVERIFY(fileBytes(f.out() + "/last.xml").endsWith("</" + root.toLatin1() + ">\r\n"));
    QVERIFY(QFileInfo(f.out() + "/Functab.COB").isFile());
    QVERIFY(!QFileInfo(f.out() + "/lastbatch.cmd").exists());
}

void TestStaging::nameByDirectoryWritesModuleFilesAndBatch()
{
    TStagingFixture f;
    f.make();
    f.job->SetNameByDirectory(true);
    // The analyser records each parameter file it is called with.
    const QString analyser = f.path("tools/COBReDoc/COBReDoc");
    writeBytes(analyser, "#!/bin/sh\necho \"$1 $#\" >> calls.log\n");
    QFile::setPermissions(analyser, QFile::permissions(analyser) | QFile::ExeOwner);
    f.addSources({"S/A/VERYLONGMODULE/x.cbl", "S/A/VERYLONGMODULE/y.cbl", "S/B/N/z.cbl"});
    QVERIFY(f.run([&] { f.staging->PrepareJob(); }));

    const QStringList first = TextFile::readLines(f.out() + "/last0001.xml");
    const QStringList second = TextFile::readLines(f.out() + "/last0002.xml");
    const QString root = UpperCase(f.job->Row().AppName);
    QVERIFY(first.contains("  SystemName  = \"VERYLONG\""));
    QVERIFY(second.contains("  SystemName  = \"N\""));
    const auto files = [](const QStringList &lines) {
        return lines.mid(lines.indexOf(" <Files>"));
    };
    QCOMPARE(files(first), QStringList({" <Files>", "  <Orig_File_0001>A/VERYLONGMODULE/x.cbl</Orig_File_0001>",
                                        "  <File_0001>COMP0001/MOD0001/SRC0001.CBL</File_0001>",
                                        "  <Orig_File_0002>A/VERYLONGMODULE/y.cbl</Orig_File_0002>",
                                        "  <File_0002>COMP0001/MOD0001/SRC0002.CBL</File_0002>", " </Files>",
                                        "</" + root + ">"}));
    QCOMPARE(files(second), QStringList({" <Files>", "  <Orig_File_0003>B/N/z.cbl</Orig_File_0003>",
                                         "  <File_0003>COMP0002/MOD0002/SRC0003.CBL</File_0003>", " </Files>",
                                         "</" + root + ">"}));
    // Everything before the files is the common skeleton.
    QCOMPARE(first.mid(0, 4), second.mid(0, 4));
    QCOMPARE(fileBytes(f.out() + "/lastbatch.cmd"),
             ("ECHO ON\r\n" + analyser + " last0001.xml \r\n" + analyser + " last0002.xml \r\n").toUtf8());
    // The batch runs through cmdrun, line by line.
    QProcess sh;
    sh.setWorkingDirectory(f.out());
    sh.start(QStringLiteral(QUENBAR_CMDRUN), {"lastbatch.cmd"});
    QVERIFY(sh.waitForFinished(10000));
    QCOMPARE(sh.exitCode(), 0);
    QCOMPARE(fileBytes(f.out() + "/calls.log"), QByteArray("last0001.xml 1\nlast0002.xml 1\n"));
}

void TestStaging::emptyParameterBlocksAreLeftOut()
{
    TStagingFixture f;
    f.make();
    TLanguageConfiguration config;
    config.ExtrasGroup = false;
    config.AnalysisParametersPage = false;
    f.staging->SetConfiguration(config);
    f.addSources({"S/A/M/x.cbl"});
    QVERIFY(f.run([&] { f.staging->WriteParameterText(); }));
    const QStringList text = f.staging->ParameterText();
    QVERIFY(!text.contains(" <Parameters"));
    QVERIFY(!text.contains(" <MaxLimits"));
    QVERIFY(text.contains(" <Names                                                 "));

    // A search writes its two values and nothing of the analysis.
    f.staging->SetConfiguration(TLanguageConfiguration());
    TRunOptions options = f.staging->Options();
    options.RunType = 6;
    options.SearchKey = "PROG";
    options.SearchText = QString(70, 'x');
    f.staging->SetOptions(options);
    f.job->Definitions().Limits = {{"Statements", "500", "MAXSTMT"}};
    QVERIFY(f.run([&] { f.staging->WriteParameterText(); }));
    const QStringList search = f.staging->ParameterText();
    QVERIFY(search.contains("  SearchType = \"PROG\" "));
    QVERIFY(search.contains("  SearchName = \"" + QString(60, 'x') + "\" "));
    QVERIFY(!search.join("\n").contains("Audit"));
    QVERIFY(!search.contains(" <MaxLimits"));
}

void TestStaging::subProcessorBatch_data()
{
    QTest::addColumn<bool>("byDirectory");
    QTest::addColumn<QStringList>("batch");   // "@" stands for the analyser's folder
    QTest::newRow("one parameter file")
        << false
        << QStringList({"ECHO ON", "@/WAAAudit.exe last.xml;0000 ", "@/WAACob.exe last.xml;0001 ", "@/WAAJcl.exe last.xml;0002 ",
                        "@/WAACob.exe last.xml;0003 ", "@/WAAAudit.exe last.xml;9999 "});
    QTest::newRow("by directory")
        << true
        << QStringList({"ECHO ON", "ren last0001.xml last.xml", "@/WAAAudit.exe last.xml;0000 ", "@/WAACob.exe last.xml;0001 ",
                        "@/WAAJcl.exe last.xml;0002 ", "@/WAAAudit.exe last.xml;9999 ", "ren last.xml last0001.xml",
                        "ren last0002.xml last.xml", "@/WAAAudit.exe last.xml;0000 ", "@/WAACob.exe last.xml;0003 ",
                        "@/WAAAudit.exe last.xml;9999 ", "ren last.xml last0002.xml"});
}

void TestStaging::subProcessorBatch()
{
    QFETCH(bool, byDirectory);
    QFETCH(QStringList, batch);
    TStagingFixture f;
    f.make(2, {"WAA.SubProcessors=(WAACob=COB,WAAJcl=JCL)"});
    f.job->SetLanguageCode("WAA");
    f.job->SetNameByDirectory(byDirectory);
    f.sources->SetLanguageFilter("All|*.cbl;*.jcl");
    f.staging->FilterOfCode = [](const QString &code) {
        return code == "COB" ? QString("COBOL|*.cbl") : QString("Jobs|*.jcl");
    };
    f.addSources({"S/A/M/x.cbl", "S/A/M/y.jcl", "S/B/N/z.cbl"});
    QVERIFY(f.run([&] { f.staging->PrepareJob(); }));
    const QString folder = f.path("tools/COBReDoc");
    QStringList expected;
    for (const QString &line : batch)
        expected << QString(line).replace("@", folder);
    QCOMPARE(TextFile::readLines(f.out() + "/lastbatch.cmd"), expected);
    // By directory the modules' files replace the single one.
    QCOMPARE(QFileInfo(f.out() + "/last.xml").exists(), !byDirectory);
    QCOMPARE(QFileInfo(f.out() + "/last0002.xml").exists(), byDirectory);
}

void TestStaging::renameBackAfterAFakeRun()
{
    TStagingFixture f;
    f.make(2, {"Runcontrol.DeleteAfter=Y", "Runcontrol.SystemDeleteAfterControl=Y"});
    f.addSources({"S/A/M/Test.java", "S/A/M/x.cbl", "S/B/N/z.cbl"});
    QVERIFY(f.run([&] { f.staging->PrepareJob(); }));
    QCOMPARE(ValueOfNameIn(f.staging->NameMap(), "SRC0001"), QString("A/M/Test.java"));
    // The analyser's results under the staged names.
    writeBytes(f.out() + "/Metrics/SRC0002.met", "m");
    writeBytes(f.out() + "/Metrics/MOD0001.met", "m");
    writeBytes(f.out() + "/Metrics/COMP0002.met", "c");
    writeBytes(f.out() + "/Metrics/SRC0009.met", "no such source");
    writeBytes(f.out() + "/Exports/SRC0001.JAV", "j");
    writeBytes(f.out() + "/Exports/SRC0003.CBL", "z");
    writeBytes(f.out() + "/Exports/A/M/Test.java", "an earlier result");
    writeBytes(f.out() + "/Specs/notes.txt", "kept");
    f.renaming->ResetCounters();
    QVERIFY(f.run([&] { f.renaming->PostRunProcessing(1); }));
    QCOMPARE(fileBytes(f.out() + "/Metrics/A/M/x.met"), QByteArray("m"));
    QCOMPARE(fileBytes(f.out() + "/Metrics/A/M.met"), QByteArray("m"));
    QCOMPARE(fileBytes(f.out() + "/Metrics/B.met"), QByteArray("c"));
    QVERIFY(QFileInfo(f.out() + "/Metrics/SRC0009.met").isFile());
    QCOMPARE(fileBytes(f.out() + "/Exports/A/M/Test.java"), QByteArray("j"));
    QCOMPARE(fileBytes(f.out() + "/Exports/B/N/z.CBL"), QByteArray("z"));
    QCOMPARE(f.job->RenamedModules, 1);
    QCOMPARE(f.job->RenamedSourceFiles, 2);

    QVERIFY(f.run([&] {
        f.renaming->DeleteTemporaryFiles();
        f.renaming->RemoveEmptyResultFolders();
    }));
    QVERIFY(!QFileInfo(f.input()).exists());
    QVERIFY(!QFileInfo(f.out() + "/last.xml").exists());
    QVERIFY(!QFileInfo(f.out() + "/work").exists());
    QVERIFY(!QFileInfo(f.out() + "/Comments").exists());
    QVERIFY(!QFileInfo(f.out() + "/SYS").exists());
    QVERIFY(QFileInfo(f.out() + "/Specs/notes.txt").isFile());
    QVERIFY(QFileInfo(f.out() + "/Metrics").isDir());
    // Only staged copies went.
    for (const char *s : {"S/A/M/Test.java", "S/A/M/x.cbl", "S/B/N/z.cbl"})
        QVERIFY2(QFileInfo(f.src(QString::fromLatin1(s))).isFile(), s);
}

void TestStaging::renamingOffKeepsGeneratedNames()
{
    TStagingFixture f;
    f.make(2, {"Runcontrol.RenameAfter=N"});
    f.addSources({"S/A/M/x.cbl"});
    QVERIFY(f.run([&] { f.staging->PrepareJob(); }));
    writeBytes(f.out() + "/Metrics/SRC0001.met", "m");
    writeBytes(f.out() + "/Metrics/MOD0001.met", "m");
    QVERIFY(f.run([&] { f.renaming->PostRunProcessing(1); }));
    QVERIFY(QFileInfo(f.out() + "/Metrics/SRC0001.met").isFile());
    QVERIFY(QFileInfo(f.out() + "/Metrics/MOD0001.met").isFile());
    QCOMPARE(f.job->RenamedModules, 0);
    QCOMPARE(f.job->RenamedSourceFiles, 0);
    // Without DeleteAfter the staging stays for a look at it.
    QVERIFY(f.run([&] { f.renaming->DeleteTemporaryFiles(); }));
    QVERIFY(QFileInfo(f.input() + "/COMP0001/MOD0001/SRC0001.CBL").isFile());
}

void TestStaging::renamingNeverLeavesTheResultFolder()
{
    TStagingFixture f;
    f.make(2, {"Runcontrol.DeleteAfter=Y"});
    writeBytes(f.src("keep.cbl"), "source");
    // A job file's memo may hold anything: a map that points outside.
    f.staging->SetNameMap({"MOD0001=../../src", "SRC0001=../../../src/keep.cbl", "XCPY0000=" + f.src("keep.cbl")});
    writeBytes(f.out() + "/Metrics/SRC0001.cbl", "result");
    writeBytes(f.out() + "/Metrics/MOD0001.met", "result");
    QCOMPARE(f.renaming->RenameResults("Metrics"), 0);
    QCOMPARE(fileBytes(f.src("keep.cbl")), QByteArray("source"));
    QVERIFY(QFileInfo(f.out() + "/Metrics/SRC0001.cbl").isFile());
    QVERIFY(f.run([&] { f.renaming->DeleteTemporaryFiles(); }));
    QCOMPARE(fileBytes(f.src("keep.cbl")), QByteArray("source"));
}

void TestStaging::vanishingSourceIsUntickedAndTheRestStaged()
{
    TStagingFixture f;
    f.make();
    f.addSources({"S/A/M/x.cbl", "S/A/M/y.cbl", "S/B/N/z.cbl"});
    f.staging->OnProgress = [&](const QString &caption, qint64, qint64) {
        if (caption == "Building input structure")
            QFile::remove(f.src("S/A/M/y.cbl"));
    };
    QVERIFY(f.run([&] { f.staging->PrepareJob(); }));
    QCOMPARE(f.reporter.warnings().last(), QString("Some input files cannot be found!"));
    QVERIFY(!f.sources->CheckedAt(1));
    QVERIFY(!f.sources->EnabledAt(1));
    QVERIFY(QFileInfo(f.input() + "/COMP0001/MOD0001/SRC0001.CBL").isFile());
    QVERIFY(!QFileInfo(f.input() + "/COMP0001/MOD0001/SRC0002.CBL").exists());
    QVERIFY(QFileInfo(f.input() + "/COMP0002/MOD0002/SRC0003.CBL").isFile());
}

void TestStaging::unwritableTargetEndsTheCopy()
{
    TStagingFixture f;
    f.make();
    writeBytes(f.src("x.cbl"), "x\r\n");
    writeBytes(f.out() + "/blocker", "a file where a folder should be");
    QVERIFY(!f.staging->CopyInput(f.src("x.cbl"), f.out() + "/blocker/SRC0001.CBL"));
    QVERIFY(f.reporter.errors().last().startsWith("Cannot create file " + f.out() + "/blocker/SRC0001.CBL for ouput \r\n  "));
    QVERIFY(!f.staging->CopyInput(f.src("gone.cbl"), f.out() + "/SRC0002.CBL"));
    QVERIFY(f.reporter.errors().last().startsWith("Cannot open file " + f.src("gone.cbl") + " for input \r\n  "));
    QVERIFY(!QFileInfo(f.out() + "/SRC0002.CBL").exists());
}

void TestStaging::documentsAreConvertedThroughPdf2txt()
{
    TStagingFixture f;
    f.make();
    f.settings->SetToolRoot(QStringLiteral(PDF2TXT_DIR));
    writeBytes(f.src("S/A/M/spec.pdf"), tinyPdf("Hello staging"));
    f.sources->AddFiles({f.src("S/A/M/spec.pdf")});
    QVERIFY(f.run([&] { f.staging->PrepareJob(); }));
    const QString staged = f.input() + "/COMP0001/MOD0001/SRC0001.TXT";
    QCOMPARE(ValueOfNameIn(f.staging->NameMap(), "XCPY0000"), staged);
    // Empty lines are dropped; the document copy is gone, the raw text kept.
    QCOMPARE(fileBytes(staged), QByteArray("Hello staging\r\n"));
    QVERIFY(QFileInfo(f.input() + "/COMP0001/MOD0001/SRC0001.raw").isFile());
    QVERIFY(!QFileInfo(f.input() + "/COMP0001/MOD0001/SRC0001.pdf").exists());

    // A document the converter cannot read ends the preparation.
    writeBytes(f.src("S/A/M/spec.pdf"), "not a pdf");
    QVERIFY(!f.run([&] { f.staging->PrepareJob(); }));
    QVERIFY(f.reporter.errors().contains(
        QString("File .pdf %1 was not converted to %2").arg(f.src("S/A/M/spec.pdf"), staged)));
    QCOMPARE(f.reporter.errors().last(), QString("Process cancelled by the user!"));
}

void TestStaging::oddNamesSurviveTheRoundTrip()
{
    TStagingFixture f;
    f.make(2, {"Runcontrol.DeleteAfter=Y"});
    const QString odd = QString::fromUtf8("S/Köz 'A'/M \"x\"/pénz; ügy.cbl");
    f.addSources({odd, "S/B/N/y.cbl"});
    QVERIFY(f.run([&] { f.staging->PrepareJob(); }));
    const QString sourceName = ValueOfNameIn(f.staging->NameMap(), "SRC0002");
    QCOMPARE(sourceName, QString::fromUtf8("Köz 'A'/M \"x\"/pénz; ügy.cbl"));
    writeBytes(f.out() + "/Metrics/SRC0002.met", "m");
    QVERIFY(f.run([&] { f.renaming->PostRunProcessing(1); }));
    QVERIFY(QFileInfo(f.out() + QString::fromUtf8("/Metrics/Köz 'A'/M \"x\"/pénz; ügy.met")).isFile());
    QVERIFY(f.run([&] { f.renaming->DeleteTemporaryFiles(); }));
    QVERIFY(QFileInfo(f.src(odd)).isFile());
}

void TestStaging::sourcesInsideTheOutputDirectoryAreNeverCleanedAway()
{
    TStagingFixture f;
    f.make();
    // A source named like a generated file, within the cleaned depth of the output directory.
    writeBytes(f.out() + "/A/M/SRC0001.cbl", "source one");
    writeBytes(f.out() + "/A/M/SRC0007.met", "an old result");
    writeBytes(f.out() + "/A/N/x.cbl", "x");
    f.sources->AddFiles({f.out() + "/A/M/SRC0001.cbl", f.out() + "/A/N/x.cbl"});
    QVERIFY(f.run([&] { f.staging->PrepareJob(); }));
    QCOMPARE(fileBytes(f.out() + "/A/M/SRC0001.cbl"), QByteArray("source one"));
    QVERIFY(!QFileInfo(f.out() + "/A/M/SRC0007.met").exists());

    // A source in the staging folder itself would be overwritten by its copy.
    writeBytes(f.input() + "/COMP0001/MOD0001/SRC0001.CBL", "a source in the wrong place");
    f.sources->Clear();
    f.sources->AddFiles({f.input() + "/COMP0001/MOD0001/SRC0001.CBL"});
    QVERIFY(!f.run([&] { f.staging->PrepareJob(); }));
    QVERIFY(f.reporter.errors().last().startsWith("Source file " + f.input() + "/COMP0001/MOD0001/SRC0001.CBL lies in the staging folder"));
    QCOMPARE(fileBytes(f.input() + "/COMP0001/MOD0001/SRC0001.CBL"), QByteArray("a source in the wrong place"));
}

// Depth 99: every source staged flat, numbered by its folder.
void TestStaging::flatStagingByFolder()
{
    TStagingFixture f;
    f.make(99);
    f.addSources({"S/A/x.cbl", "S/A/y.cbl", "S/B/z.cbl"});
    f.sources->SetChecked(1, false);
    QVERIFY(f.run([&] { f.staging->PrepareJob(); }));
    QCOMPARE(f.staging->NameMap(), QStringList({"FCDR0001=A", "FCDR0002=B", "SRC0001=A/x.cbl", "SRC0002=B/z.cbl",
                                                "XCPY0000=" + f.input() + "/SRC0001.CBL",
                                                "XCPY0002=" + f.input() + "/SRC0002.CBL"}));
    QVERIFY(QFileInfo(f.input() + "/SRC0002.CBL").isFile());
    writeBytes(f.out() + "/Metrics/SRC0002.met", "z");
    QVERIFY(f.run([&] { f.renaming->PostRunProcessing(1); }));
    QCOMPARE(fileBytes(f.out() + "/Metrics/B/z.met"), QByteArray("z"));
}

QTEST_GUILESS_MAIN(TestStaging)
#include "tst_staging.moc"
