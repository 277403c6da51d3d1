// The hosted shell's analysis without a window, with analysers that do not
// behave: one that crashes, one that writes garbage and names of its own,
// one that floods its console. Each run ends, reports what went wrong, and
// leaves the sources and everything outside the run's own files alone.
#include "HostedAnalysis.h"
#include "Reporting.h"
#include "TextFile.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QtTest>

namespace {

const QString kSources = QStringLiteral(QUENBAR_EXAMPLES_DIR "/cobol/ORDERS/BATCH");

// Relative paths of the files below folder, sorted.
QStringList filesBelow(const QString &folder)
{
    QStringList files;
    QDirIterator it(folder, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext())
        files << it.next().mid(folder.size() + 1);
    files.sort();
    return files;
}

// A private installation of the hosted shell whose COBOL analyser is script,
// and an analysis job on the example batch programs in out/COB85.
class TInstallation
{
public:
    explicit TInstallation(const QByteArray &script)
    {
        QDir().mkpath(bin());
        for (const QFileInfo &f :
             QDir(QStringLiteral(QUENBAR_BIN_DIR)).entryInfoList(QDir::AllEntries | QDir::NoDotAndDotDot))
            if (f.fileName() != QLatin1String("COBReDoc"))
                QFile::link(f.absoluteFilePath(), bin() + u'/' + f.fileName());
        QDir().mkpath(bin() + QStringLiteral("/COBReDoc"));
        QFile tool(bin() + QStringLiteral("/COBReDoc/COBReDoc"));
        if (tool.open(QIODevice::WriteOnly))
            tool.write("#!/bin/sh\n" + script);
        tool.close();
        tool.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);

        QStringList job{"StreamToIni.FileFormat=1", "[RadioButtons]", "ActiveRadioButton=RadioButtonCob85",
                        "[Properties]", "ProjectName=AcmeOrdersIbm Enterprise", "ProjectProductName=Acme",
                        "ProjectSystemName=Orders", "ProjectSystemVersion=1.0", "ProjectSubVersion=IBM Enterprise",
                        "MaxDirDepth=2", "[Form - frmOstrinMain]", "[TFrames]",
                        "frmOstrinMain.FrameFindDirectoryOutputDir.Edit=" + runFolder(), "[CheckListBoxes]",
                        "[TCheckListBox - frmOstrinMain.CheckListBoxSelectedFiles]",
                        "frmOstrinMain.CheckListBoxSelectedFiles=CheckListBoxSelectedFiles"};
        for (const QString &source : filesBelow(kSources))
            job << "YY" + kSources + u'/' + source;
        job << "[Konyec szkazki]";
        QDir().mkpath(runFolder() + QStringLiteral("/Metrics"));   // used before: no question
        TextFile::writeLines(out() + QStringLiteral("/AcmeOrdersIbm Enterprise.jmrt"), job);
        // Something of the user's own beside the run's files.
        TextFile::writeLines(out() + QStringLiteral("/notes.txt"), {"mine"});
    }

    QString bin() const { return m_dir.filePath(QStringLiteral("bin")); }
    QString out() const { return m_dir.filePath(QStringLiteral("out")); }
    QString runFolder() const { return out() + QStringLiteral("/COB85"); }

    bool run(IReporter *reporter)
    {
        Ostrin::TShellHost host;
        host.OutputDirectory = out();
        host.ActiveLanguage = QStringLiteral("RadioButtonCob85");
        host.ProductName = QStringLiteral("Acme");
        host.SystemName = QStringLiteral("Orders");
        host.Version = QStringLiteral("1.0");
        host.ProjectDirectory = out() + u'/';
        host.HostJobPath = out() + QStringLiteral("/AcmeOrdersIbm Enterprise");
        return RunHostedAnalysis(host, 3, bin() + QStringLiteral("/Quenbar"), reporter);
    }

private:
    QTemporaryDir m_dir;
};

// Collects what the run reports.
class TRecordingReporter : public TConsoleReporter
{
public:
    TRecordingReporter() : TConsoleReporter(true) {}
    void AddError(const QString &message, bool carryOn) override
    {
        errors << message;
        TConsoleReporter::AddError(message, carryOn);
    }
    void ShowError(const QString &message, bool carryOn) override
    {
        errors << message;
        TConsoleReporter::ShowError(message, carryOn);
    }
    QStringList errors;
};

} // namespace

class TestShellAnalysis : public QObject
{
    Q_OBJECT
private slots:
    void misbehavingAnalysers_data();
    void misbehavingAnalysers();
};

void TestShellAnalysis::misbehavingAnalysers_data()
{
    QTest::addColumn<QByteArray>("script");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<QString>("error");
    QTest::addColumn<QStringList>("results");   // below the run folder, besides the run's own logs

    QTest::newRow("crashes") << QByteArray("kill -SEGV $$\n") << false << "The tool ended abnormally: " << QStringList();
    // Garbage under a generated name is renamed like any result; names the
    // run did not generate stay where they are; a program's further results keep their number.
    QTest::newRow("garbage") << QByteArray("printf '\\000\\377garbage' > Metrics/SRC0001.met\n"
                                           "echo x > Metrics/SRC9999.met\n"
                                           "echo y > Exports/notes.txt\n"
                                           "echo z > Exports/SRC0003_2.csv\n"
                                           "echo w > Exports/SRC0003.csv\n")
                             << true << QString()
                             << QStringList{"Exports/BATCH/RATECALC/RATECALC.csv", "Exports/BATCH/RATECALC/RATECALC_2.csv",
                                            "Exports/notes.txt", "Metrics/BATCH/ORDBATCH/ORDBATCH.met",
                                            "Metrics/SRC9999.met"};
    // The console goes to Console.log, however much of it there is.
    QTest::newRow("floods") << QByteArray("i=0\nwhile [ $i -lt 100000 ]; do echo \"line $i\"; i=$((i+1)); done\n")
                            << true << QString() << QStringList{"Console.log"};
}

void TestShellAnalysis::misbehavingAnalysers()
{
    QFETCH(QByteArray, script);
    QFETCH(bool, ok);
    QFETCH(QString, error);
    QFETCH(QStringList, results);
    const QStringList sourcesBefore = filesBelow(kSources);
    TInstallation installation(script);
    TRecordingReporter reporter;
    QCOMPARE(installation.run(&reporter), ok);
    if (!error.isEmpty())
        QVERIFY2(!reporter.errors.filter(error).isEmpty(), qPrintable(reporter.errors.join('\n')));
    else
        QVERIFY2(reporter.errors.isEmpty(), qPrintable(reporter.errors.join('\n')));

    QStringList left = filesBelow(installation.runFolder());
    // The settings keep the parameter file and the function table copy for the user.
    left.removeAll("last.xml");
    left.removeAll("Functab.COB85");
    QVERIFY(!left.contains("Semaphore.xml"));
    QStringList expected = results;
    if (!expected.contains("Console.log"))
        left.removeAll("Console.log");
    QCOMPARE(left.join(", "), expected.join(", "));
    if (results.contains("Console.log")) {
        const QStringList console = TextFile::readLines(installation.runFolder() + "/Console.log");
        QCOMPARE(console.size(), 100000);
        QCOMPARE(console.last(), QString("line 99999"));
    }
    // The staging is gone, the sources and the user's own file are as they were.
    QVERIFY(!QFileInfo::exists(installation.runFolder() + "/workinp"));
    QCOMPARE(filesBelow(kSources), sourcesBefore);
    QCOMPARE(TextFile::readLines(installation.out() + "/notes.txt"), QStringList{"mine"});
}

QTEST_GUILESS_MAIN(TestShellAnalysis)
#include "tst_shellanalysis.moc"
