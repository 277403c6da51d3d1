#include "TestPdf.h"
#include "shell/StagingFixture.h"

#include <QFile>
#include <QProcess>
#include <QtTest>

namespace {

int runTool(const QString &program, const QStringList &args, const QString &folder, int timeoutMs = 30000)
{
    QProcess p;
    p.setWorkingDirectory(folder);
    p.start(program, args);
    if (!p.waitForFinished(timeoutMs))
        return -1;
    return p.exitCode();
}

} // namespace

class TestShellTools : public QObject
{
    Q_OBJECT
private slots:
    void pdf2txtWritesTheText();
    void pdf2txtLeavesNoTextForUnreadableDocuments_data();
    void pdf2txtLeavesNoTextForUnreadableDocuments();
    void csvTranConvertsTheListedExports();
    void csvTranEndsOnTheSemaphore();
    void csvTranReadsNothingOutsideExports();
    void shellRunOnTheExampleSources();
};

void TestShellTools::pdf2txtWritesTheText()
{
    QTemporaryDir dir;
    QVERIFY(writeBytes(dir.filePath("a.pdf"), tinyPdf("Hello tools")));
    QCOMPARE(runTool(PDF2TXT_BINARY, {"a.pdf", "a.txt"}, dir.path()), 0);
    const QStringList lines = TextFile::readLines(dir.filePath("a.txt"));
    QVERIFY(!lines.isEmpty());
    QCOMPARE(lines.first(), QString("Hello tools"));
    QVERIFY(fileBytes(dir.filePath("a.txt")).contains("Hello tools\r\n"));
}

void TestShellTools::pdf2txtLeavesNoTextForUnreadableDocuments_data()
{
    QTest::addColumn<QString>("document");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("status");
    QTest::newRow("broken pdf") << "b.pdf" << QByteArray("%PDF-1.4 nothing else") << 1;
    QTest::newRow("not a word document") << "b.doc" << QByteArray("plain text, not Word") << 1;
    QTest::newRow("other type") << "b.rtf" << QByteArray("{\\rtf1}") << 1;
    QTest::newRow("missing") << "" << QByteArray() << 1;
}

void TestShellTools::pdf2txtLeavesNoTextForUnreadableDocuments()
{
    QFETCH(QString, document);
    QFETCH(QByteArray, bytes);
    QFETCH(int, status);
    QTemporaryDir dir;
    const QString name = document.isEmpty() ? QStringLiteral("none.pdf") : document;
    if (!document.isEmpty())
        QVERIFY(writeBytes(dir.filePath(name), bytes));
    // A text file of an earlier conversion must not pass for this one.
    QVERIFY(writeBytes(dir.filePath("b.txt"), "stale"));
    QCOMPARE(runTool(PDF2TXT_BINARY, {name, "b.txt"}, dir.path()), status);
    QVERIFY(!QFileInfo::exists(dir.filePath("b.txt")));
    QCOMPARE(runTool(PDF2TXT_BINARY, {name}, dir.path()), 2);
}

void TestShellTools::csvTranConvertsTheListedExports()
{
    TStagingFixture f;
    f.make();
    const QString exports = f.out() + "/Exports";
    writeBytes(exports + "/PROG1.csv", "RECORD;NAME\nEXPORT ; 1.0;SYS;LANG;COBOL;;\n# note\n\nPARAM;\"A;B\" ; 1\n");
    writeBytes(exports + "/sub/PROG2.csv", "RECORD;NAME\r\nEXPORT;1.0;SYS;LANG;COBOL\r\n");
    writeBytes(exports + "/readme.txt", "not an export");
    QVERIFY(f.run([&] { f.staging->WriteConverterParameters(); }));
    const QStringList text = f.staging->ParameterText();
    QCOMPARE(text.at(2), QString("<CSVTRAN>") + QString(46, ' '));
    QCOMPARE(f.staging->NameMap().size(), 2);
    QCOMPARE(runTool(CSVTRAN_BINARY, {"last.xml"}, f.out()), 0);
    QVERIFY(QFileInfo(exports + "/csx0000.csx").isFile());
    QVERIFY(QFileInfo(exports + "/csx0001.csx").isFile());
    QVERIFY(f.run([&] { f.staging->ApplyConvertedExports(); }));
    QCOMPARE(fileBytes(exports + "/PROG1.csv"), QByteArray("RECORD;NAME\r\nEXPORT;1.0;SYS;LANG;COBOL\r\nPARAM;\"A;B\";1\r\n"));
    QCOMPARE(fileBytes(exports + "/sub/PROG2.csv"), QByteArray("RECORD;NAME\r\nEXPORT;1.0;SYS;LANG;COBOL\r\n"));
    QVERIFY(!QFileInfo(exports + "/csx0000.csx").exists());
    QCOMPARE(fileBytes(exports + "/readme.txt"), QByteArray("not an export"));
}

void TestShellTools::csvTranEndsOnTheSemaphore()
{
    TStagingFixture f;
    f.make();
    QByteArray big = "RECORD;NAME\r\nEXPORT;1.0;SYS;LANG;COBOL\r\n";
    for (int i = 0; i < 200000; ++i)
        big += "PARAM;NAME" + QByteArray::number(i) + ";1;IN;CHAR;10\r\n";
    writeBytes(f.out() + "/Exports/BIG.csv", big);
    QVERIFY(f.run([&] { f.staging->WriteConverterParameters(); }));
    writeBytes(f.out() + "/Semaphore.xml", "");
    QCOMPARE(runTool(CSVTRAN_BINARY, {"last.xml"}, f.out()), 1);
    QVERIFY(!QFileInfo(f.out() + "/Exports/csx0000.csx").exists());
    QCOMPARE(fileBytes(f.out() + "/Exports/BIG.csv"), big);
}

void TestShellTools::csvTranReadsNothingOutsideExports()
{
    QTemporaryDir dir;
    QDir().mkpath(dir.filePath("out/Exports"));
    writeBytes(dir.filePath("secret.csv"), "RECORD;NAME\r\n");
    TextFile::writeLines(dir.filePath("out/last.xml"),
                         {"<?xml version=\"1.0\" encoding=\"UTF-8\" ?>", "<CSVTRAN>", " <Files>",
                          "  <Orig_File_0000>../../secret.csv</Orig_File_0000>", "  <File_0000>csx0000.csx</File_0000>",
                          "  <Orig_File_0001>ok.csv</Orig_File_0001>", "  <File_0001>../escaped.csx</File_0001>",
                          " </Files>", "</CSVTRAN>"});
    writeBytes(dir.filePath("out/Exports/ok.csv"), "RECORD;NAME\r\n");
    QCOMPARE(runTool(CSVTRAN_BINARY, {"last.xml"}, dir.filePath("out")), 1);
    QVERIFY(!QFileInfo::exists(dir.filePath("out/Exports/csx0000.csx")));
    QVERIFY(!QFileInfo::exists(dir.filePath("out/escaped.csx")));
    // Any other root element is not a converter job.
    TextFile::writeLines(dir.filePath("out/other.xml"), {"<MIRETH>", "</MIRETH>"});
    QCOMPARE(runTool(CSVTRAN_BINARY, {"other.xml"}, dir.filePath("out")), 1);
}

// The README's command: stage the example COBOL tree, simulate a run,
// rename back; then the same by directory with a real analyser script.
void TestShellTools::shellRunOnTheExampleSources()
{
    QTemporaryDir dir;
    const QString out = dir.filePath("out");
    QProcess p;
    p.start(QUENBAR_SHELL_BINARY, {"run", QUENBAR_SHELL_SOURCES, out, "--irrelevant", "copy"});
    QVERIFY(p.waitForFinished(60000));
    QCOMPARE(p.exitCode(), 0);
    const QString printed = QString::fromLocal8Bit(p.readAllStandardOutput());
    QVERIFY2(printed.contains("Staged 6 of 6 files in 3 modules"), qPrintable(printed));
    QVERIFY(printed.contains("Renamed 3 module results and 6 source results"));
    QVERIFY(QFileInfo(out + "/Metrics/BILLING/INVOICE/INVCALC.met").isFile());
    QVERIFY(QFileInfo(out + "/Metrics/BILLING/INVOICE.met").isFile());
    QVERIFY(QFileInfo(out + "/Exports/STOCK/LEDGER/STKREC.CPY").isFile());
    QVERIFY(!QFileInfo(out + "/workinp").exists());
    QVERIFY(!QFileInfo(out + "/last.xml").exists());

    const QString analyser = dir.filePath("analyser.sh");
    writeBytes(analyser, "#!/bin/sh\necho \"$1\" >> calls.log\n");
    QFile::setPermissions(analyser, QFile::permissions(analyser) | QFile::ExeOwner);
    const QString out2 = dir.filePath("out2");
    p.start(QUENBAR_SHELL_BINARY, {"run", QUENBAR_SHELL_SOURCES, out2, analyser, "--by-directory", "--keep"});
    QVERIFY(p.waitForFinished(60000));
    QCOMPARE(p.exitCode(), 0);
    QCOMPARE(fileBytes(out2 + "/calls.log"), QByteArray("last0001.xml\nlast0002.xml\nlast0003.xml\n"));
    QVERIFY(QFileInfo(out2 + "/workinp/COMP0001/MOD0001").isDir());
}

QTEST_GUILESS_MAIN(TestShellTools)
#include "tst_shelltools.moc"
