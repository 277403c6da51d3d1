// The hosted shell's analysis without a window, with analysers that do not
// behave: one that crashes, one that writes garbage and names of its own,
// one that floods its console. Each run ends, reports what went wrong, and
// leaves the sources and everything outside the run's own files alone.
#include "HostedAnalysis.h"
#include "Commands.h"
#include "Reporting.h"
#include "ShellAnalysis.h"
#include "ShellJob.h"
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
        TextFile::writeLines(jobFile(), job);
        // Something of the user's own beside the run's files.
        TextFile::writeLines(out() + QStringLiteral("/notes.txt"), {"mine"});
    }

    QString bin() const { return m_dir.filePath(QStringLiteral("bin")); }
    QString out() const { return m_dir.filePath(QStringLiteral("out")); }
    QString runFolder() const { return out() + QStringLiteral("/COB85"); }

    QString jobFile() const { return out() + QStringLiteral("/AcmeOrdersIbm Enterprise.jmrt"); }
    QString programPath() const { return bin() + QStringLiteral("/Quenbar"); }

    Ostrin::TShellHost host() const
    {
        Ostrin::TShellHost host;
        host.OutputDirectory = out();
        host.ActiveLanguage = QStringLiteral("RadioButtonCob85");
        host.ProductName = QStringLiteral("Acme");
        host.SystemName = QStringLiteral("Orders");
        host.Version = QStringLiteral("1.0");
        host.ProjectDirectory = out() + u'/';
        host.HostJobPath = out() + QStringLiteral("/AcmeOrdersIbm Enterprise");
        return host;
    }

    bool run(IReporter *reporter)
    {
        Ostrin::TShellHost h = host();
        return RunHostedAnalysis(h, 3, programPath(), reporter);
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
    int Ask(TMsgDlgType type, const QString &text, int buttons, int defaultButton) override
    {
        questions << text;
        return TConsoleReporter::Ask(type, text, buttons, defaultButton);
    }
    QStringList errors;
    QStringList questions;
};

} // namespace

class TestShellAnalysis : public QObject
{
    Q_OBJECT
private slots:
    void misbehavingAnalysers_data();
    void misbehavingAnalysers();
    void batchThatEndedWhileClosed_data();
    void batchThatEndedWhileClosed();
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

void TestShellAnalysis::batchThatEndedWhileClosed_data()
{
    QTest::addColumn<bool>("allArrived");
    QTest::addColumn<QString>("question");
    QTest::newRow("all arrived") << true << "Your batch process seems to have finished in the mean time.";
    QTest::newRow("some missing") << false << "Some awaited outputs are still misssing from your previous processing.";
}

// A job saved while its batch ran is opened again after the tool wrote its
// results: the results are renamed back and the job no longer waits.
void TestShellAnalysis::batchThatEndedWhileClosed()
{
    QFETCH(bool, allArrived);
    QFETCH(QString, question);
    TInstallation installation("exit 0\n");
    int modules = 0;
    {
        Ostrin::TShellHost host = installation.host();
        TConsoleReporter reporter(true);
        THostedShell shell(host, 3, installation.programPath(), &reporter);
        QVERIFY(shell.Open());
        QVERIFY(RunCommand(&reporter, [&] {
            shell.Analysis().Sources.AnalyseStructure(true);
            QVERIFY(shell.Analysis().prepareRun(TRunType::Analysis));
            shell.Job().SetBatchRunning(true);
            shell.Job().SetModifiedDirectly(true);
            shell.Job().SaveJob(false);
        }));
        modules = shell.Job().Modules;
    }
    QCOMPARE(modules, 3);
    QVERIFY(TextFile::readText(installation.jobFile()).contains("BatchRunning=Y"));
    // What the tool left while the shell was closed.
    const QString results = installation.runFolder() + "/Metrics/";
    for (int m = 1; m <= (allArrived ? modules : modules - 1); ++m)
        TextFile::writeLines(results + QStringLiteral("MOD%1.met").arg(m, 4, 10, QLatin1Char('0')), {"module"});
    TextFile::writeLines(results + "SRC0001.met", {"source"});

    Ostrin::TShellHost host = installation.host();
    TRecordingReporter reporter;
    THostedShell shell(host, 3, installation.programPath(), &reporter);
    QVERIFY(shell.Open());
    QVERIFY(!shell.Job().BatchRunning());
    QVERIFY2(reporter.questions.filter(question).size() == 1, qPrintable(reporter.questions.join('\n')));
    QCOMPARE(shell.Job().RenamedModules, allArrived ? modules : modules - 1);
    QVERIFY(QFile::exists(results + "BATCH/ORDBATCH/ORDBATCH.met"));
    QVERIFY(QFile::exists(results + "BATCH/ORDBATCH.met"));
    QVERIFY(!QFileInfo::exists(installation.runFolder() + "/workinp"));
    // With every result in, the job was saved as no longer running.
    QCOMPARE(TextFile::readText(installation.jobFile()).contains("BatchRunning=N"), allArrived);
}

QTEST_GUILESS_MAIN(TestShellAnalysis)
#include "tst_shellanalysis.moc"
