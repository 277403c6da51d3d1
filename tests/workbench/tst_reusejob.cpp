#include "Errors.h"
#include "ReuseJob.h"
#include "SharedRoutinesCommon.h"
#include "StreamToIniCore.h"
#include "TextFile.h"

#include <QDir>
#include <QTemporaryDir>
#include <QtTest>

using namespace ReuseJob;

class TestReuseJob : public QObject
{
    Q_OBJECT
private slots:
    void namesAndCaption();
    void propertiesSection();
    void outputDirectory_data();
    void outputDirectory();
    void namesDropTarget_data();
    void namesDropTarget();
    void removeFilesBelow();
};

void TestReuseJob::namesAndCaption()
{
    QCOMPARE(DeriveJobName("abc", "def_x"), QString("AbcDef_X"));
    QVERIFY(!NameIsValid("1AB"));
    QVERIFY(!NameIsValid(""));
    QVERIFY(NameIsValid("A1"));
    QCOMPARE(CaptionWithJobName("Quenbar main shell - Gen", "AbcDef_X"), QString("Quenbar main shell - Gen [AbcDef_X]"));
    QCOMPARE(CaptionWithJobName("Main - Gen [Old] *", "New"), QString("Main - Gen [New] *"));
    QCOMPARE(CaptionWithItem("Quenbar main shell - ", "Gen"), QString("Quenbar main shell - Gen"));
    QCOMPARE(CaptionWithItem("Quenbar main shell - Old - x", "Gen"), QString("Quenbar main shell - Old - Gen"));
    QVERIFY(IsNumberedConverterFile("cmp0012.wsd"));
    QVERIFY(!IsNumberedConverterFile("CMP12.wsd"));
}

void TestReuseJob::propertiesSection()
{
    TStreamToIniCore ini;
    TJobProperties p;
    p.ProjectName = "AbcDef";
    p.ProjectProductName = "abc";
    p.ProjectSystemName = "def";
    p.ProjectDirectory = "/jobs/";
    p.LanguageCode = "WSDLGEN";
    p.MaxDirDepth = 99;
    p.SelectedFilesScreenWidth = 640;
    WriteProperties(ini, p);
    QCOMPARE(ini.lines(), (QStringList{"[Properties]", "ProjectName=AbcDef", "ProjectProductName=abc",
                                       "ProjectSystemName=def", "BatchRunning=N", "ProjectDirectory=/jobs/",
                                       ";ProjectVersion=WSDLGEN", "MaxDirDepth=99", "SelectedFilesScreenWidth=640"}));
    const TJobProperties back = ReadProperties(ini);
    QCOMPARE(back.ProjectName, p.ProjectName);
    QCOMPARE(back.MaxDirDepth, 99);
    QCOMPARE(back.SelectedFilesScreenWidth, 640);
    QVERIFY(back.ProjectCommonRoot.isEmpty());
    QVERIFY(back.LanguageCode.isEmpty());   // commented out: not read back
    ini.WriteValue("MaxDirDepth", "x");
    QVERIFY_THROWS_EXCEPTION(EConvertError, ReadProperties(ini));
    QCOMPARE(ZeroPrefixedInt(""), 0);
}

void TestReuseJob::outputDirectory_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("normalized");
    QTest::addColumn<bool>("accepted");
    QTest::addColumn<QString>("lastOutputDir");
    QTest::newRow("doubled-trailing") << "/Out//Sub/" << "/Out/Sub" << true << "/Out";
    QTest::newRow("top") << "/Out" << "/Out" << true << "/Out";
    QTest::newRow("nested") << "/home/u/Out/Job1" << "/home/u/Out/Job1" << true << "/home/u/Out";
    QTest::newRow("relative") << "Out" << "Out" << false << "";
    QTest::newRow("network") << "//server/share" << "/server/share" << false << "";
    QTest::newRow("empty") << "" << "" << false << "";
}

void TestReuseJob::outputDirectory()
{
    QFETCH(QString, text);
    QFETCH(QString, normalized);
    QFETCH(bool, accepted);
    QFETCH(QString, lastOutputDir);
    QCOMPARE(OutputDirectoryProblem(text).isEmpty(), accepted);
    QCOMPARE(NormalizeOutputDirectory(text), normalized);
    if (accepted)
        QCOMPARE(LastOutputDirFor(normalized), lastOutputDir);
}

void TestReuseJob::namesDropTarget_data()
{
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("expected");
    QTest::newRow("plain") << "/Out" << "/Out/AbcDef";
    QTest::newRow("trailing") << "/Out/" << "/Out/AbcDef";
    QTest::newRow("already") << "/Out/AbcDef" << "";
    QTest::newRow("language-folder") << "/Out/AbcDef/WSDLGEN" << "";
    QTest::newRow("language-other") << "/Out/WSDLGEN" << "/Out/AbcDef";
    QTest::newRow("root") << "/" << "/AbcDef";
}

void TestReuseJob::namesDropTarget()
{
    QFETCH(QString, field);
    QFETCH(QString, expected);
    QCOMPARE(NamesDropTarget(field, "WSDLGEN", "AbcDef"), expected);
}

void TestReuseJob::removeFilesBelow()
{
    QTemporaryDir dir;
    for (const char *f : {"a.txt", "s1/b.txt", "s1/s2/c.txt", "s1/s2/s3/d.txt", "keep/job.jQuenbar"}) {
        QDir().mkpath(QFileInfo(dir.filePath(f)).absolutePath());
        TextFile::writeText(dir.filePath(f), "x");
    }
    const int removed = RemoveFilesBelow(dir.path(), 3, [](const QString &p) { return !p.endsWith(".jQuenbar"); });
    QCOMPARE(removed, 3);   // d.txt lies below the depth
    QVERIFY(QFile::exists(dir.filePath("s1/s2/s3/d.txt")));
    QVERIFY(QFile::exists(dir.filePath("keep/job.jQuenbar")));
    QVERIFY(!QFile::exists(dir.filePath("s1/b.txt")));
    QCOMPARE(RemoveFilesBelow(dir.path(), 5, [](const QString &) { return true; }), 2);
    QVERIFY(!QFileInfo::exists(dir.filePath("s1")));   // emptied folders go
}

QTEST_GUILESS_MAIN(TestReuseJob)
#include "tst_reusejob.moc"
