#include "ToolRunner.h"

#include "TextFile.h"
#include "core/TestReporter.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

namespace {

// The window's side of a run, recorded.
class TRecordingHost : public IToolRunHost
{
public:
    TTestReporter bar;
    QList<bool> batchRunning;
    QList<TRunType> postRuns;
    QStringList lines;
    QList<TRunProgress> ticks;
    bool ended = false;
    bool cancelled = false;
    int hidden = 0;
    QStringList steps;       // the steps of a whole run, in order
    bool prepared = true;    // what the preparation answers
    bool installed = true;

    IReporter *reporter() override { return &bar; }
    void setBatchRunning(bool running) override { batchRunning << running; }
    void setCancelRunEnabled(bool) override {}
    void showProgress(const TRunProgress &progress) override { ticks << progress; }
    void hideProgress() override { ++hidden; }
    void consoleLine(const QString &line) override { lines << line; }
    void postRun(TRunType type) override { postRuns << type; }
    void runEnded(const QString &, bool wasCancelled) override
    {
        ended = true;
        cancelled = wasCancelled;
    }
    void checkOutputDirectory() override { steps << QStringLiteral("check"); }
    void setBatchCaption(const QString &suffix) override { steps << suffix.section(u':', 0, 0); }
    void showRunPages() override { steps << QStringLiteral("pages"); }
    bool prepareRun(TRunType type) override
    {
        steps << QStringLiteral("prepare %1").arg(int(type));
        return prepared;
    }
    void setLogViewersEnabled(bool enabled) override { steps << QStringLiteral("viewers %1").arg(enabled); }
    bool languageInstalled() override { return installed; }
    void setApplicationTitle(const QString &title) override { steps << title; }
};

// A tool written as a shell script in the output directory.
QString writeTool(const QString &folder, const QString &name, const QString &body)
{
    const QString path = QDir(folder).filePath(name);
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly))
        return QString();
    f.write(("#!/bin/sh\n" + body + "\n").toUtf8());
    f.close();
    f.setPermissions(f.permissions() | QFileDevice::ExeOwner);
    return path;
}

bool waitForEnd(TRecordingHost &host, int ms = 20000)
{
    return QTest::qWaitFor([&] { return host.ended; }, ms);
}

} // namespace

class TestToolRunner : public QObject
{
    Q_OBJECT

private slots:
    void consoleLines_data();
    void consoleLines();
    void commands_data();
    void commands();
    void runWritesConsoleLogAndEnds();
    void prohibitedStartsNothing();
    void cancelStopsTheTool();
    void toolIgnoringTheCancelIsKilled();
    void destroyedDuringARun();
    void relayedConsoleMarksEntities();
    void wholeRunInOrder();
    void incompleteInstallationAsksFirst();
};

void TestToolRunner::consoleLines_data()
{
    QTest::addColumn<QStringList>("chunks");
    QTest::addColumn<QStringList>("lines");
    QTest::addColumn<QString>("pending");
    QTest::newRow("line ends of every kind") << QStringList{QStringLiteral("a\r\nb\nc\rd\n")}
                                             << QStringList{"a", "b", "c", "d"} << QString();
    QTest::newRow("a line completed by the next chunk")
        << QStringList{QStringLiteral("Orig Sour"), QStringLiteral("ce File = X\nnext")}
        << QStringList{"Orig Source File = X"} << QStringLiteral("next");
    QTest::newRow("CR LF split over two chunks ends one line")
        << QStringList{QStringLiteral("one\r"), QStringLiteral("\ntwo\r\n")} << QStringList{"one", "two"} << QString();
    QTest::newRow("empty lines are lines") << QStringList{QStringLiteral("\n\nx\n")} << QStringList{"", "", "x"}
                                           << QString();
}

void TestToolRunner::consoleLines()
{
    QFETCH(QStringList, chunks);
    QFETCH(QStringList, lines);
    QFETCH(QString, pending);
    TConsoleLineSplitter splitter;
    QStringList got;
    for (const QString &chunk : chunks)
        got << splitter.Feed(chunk);
    QCOMPARE(got, lines);
    QCOMPARE(splitter.Pending(), pending);
    QCOMPARE(splitter.Flush(), pending.isEmpty() ? QStringList() : QStringList{pending});
}

void TestToolRunner::commands_data()
{
    QTest::addColumn<int>("type");
    QTest::addColumn<bool>("commandFile");
    QTest::addColumn<bool>("captureLog");
    QTest::addColumn<QString>("program");
    QTest::addColumn<QStringList>("arguments");
    const QString tool = QStringLiteral("/opt/tools/COBReDoc");
    QTest::newRow("analysis") << 1 << false << false << tool << QStringList{"last.xml"};
    QTest::newRow("analysis with the console log") << 1 << false << true << tool
                                                   << QStringList{"last.xml", ">", "Console.log"};
    QTest::newRow("analysis through the command file")
        << 1 << true << true << QStringLiteral("/opt/q/cmdrun") << QStringList{"lastbatch.cmd", ">", "Console.log"};
    QTest::newRow("conversion ignores the command file") << 2 << true << false << tool << QStringList{"last.xml"};
}

void TestToolRunner::commands()
{
    QFETCH(int, type);
    QFETCH(bool, commandFile);
    QFETCH(bool, captureLog);
    QFETCH(QString, program);
    QFETCH(QStringList, arguments);
    const TToolRunner::TCommand c = TToolRunner::CommandFor(TRunType(type), commandFile, QStringLiteral("/opt/tools/COBReDoc"),
                                                            captureLog, QStringLiteral("/opt/q/cmdrun"));
    QCOMPARE(c.program, program);
    QCOMPARE(c.arguments, arguments);
}

void TestToolRunner::runWritesConsoleLogAndEnds()
{
    QTemporaryDir out;
    // A tool in a folder with a blank, named with ".exe" as the command file
    // names programs, given "last.xml;0000"-style arguments: each call
    // appends its argument and the parameter file's first line.
    QDir(out.path()).mkpath(QStringLiteral("My Tools"));
    const QString tool = writeTool(out.filePath(QStringLiteral("My Tools")), QStringLiteral("WAAAudit"),
                                   QStringLiteral("echo \"$1 $(head -n 1 last.xml | tr -d '\\r')\" >> calls; echo \"called $1\""));
    const QString exe = QDir::toNativeSeparators(tool) + QStringLiteral(".exe");
    TextFile::writeLines(out.filePath(QStringLiteral("last0001.xml")), {QStringLiteral("module 1")});
    TextFile::writeLines(out.filePath(QStringLiteral("last0002.xml")), {QStringLiteral("module 2")});
    TextFile::writeLines(out.filePath(QStringLiteral("lastbatch.cmd")),
                         {QStringLiteral("ECHO ON"), QStringLiteral("ren last0001.xml last.xml"),
                          exe + QStringLiteral(" last.xml;0000 "), exe + QStringLiteral(" last.xml;9999 "),
                          QStringLiteral("ren last.xml last0001.xml"), QStringLiteral("ren last0002.xml last.xml"),
                          exe + QStringLiteral(" last.xml;0000 "), QStringLiteral("ren last.xml last0002.xml"),
                          QStringLiteral("ren ../escape last.xml")});
    TextFile::writeText(out.filePath(QStringLiteral("Semaphore.xml")), QString()); // a stale request goes first
    TRecordingHost host;
    TToolRunner runner(host);
    runner.Settings.captureLog = true;
    runner.Settings.commandRunner = QStringLiteral(QUENBAR_CMDRUN);
    runner.JobName = QStringLiteral("Legacy");
    runner.NumberOfModules = 2;
    runner.NumberOfSourceFiles = 3;
    runner.ResetProgress();
    QCOMPARE(runner.Progress().caption, QStringLiteral("Started processing project Legacy - Modules 0 of 2 - Sources 0 of 3"));
    QCOMPARE(runner.Progress().sourcesMaximum, 30);
    const TToolRunner::TCommand c =
        TToolRunner::CommandFor(TRunType::Analysis, true, QString(), true, runner.Settings.commandRunner);
    QVERIFY(runner.StartProcess(c.program, c.arguments, out.path(), TRunType::Analysis));
    QVERIFY(runner.Watching());
    QVERIFY(waitForEnd(host));
    QCOMPARE(host.batchRunning, (QList<bool>{true, false}));
    QCOMPARE(host.postRuns, QList<TRunType>{TRunType::Analysis});
    QCOMPARE(host.hidden, 1);
    QVERIFY(!host.cancelled);
    QVERIFY(!host.ticks.isEmpty()); // the tick after the wait at least
    QCOMPARE(host.bar.warnings(), QStringList{QStringLiteral("Analysis completed, processing finished")});
    QCOMPARE(TextFile::readLines(out.filePath(QStringLiteral("calls"))),
             (QStringList{"last.xml;0000 module 1", "last.xml;9999 module 1", "last.xml;0000 module 2"}));
    QCOMPARE(TextFile::readLines(out.filePath(QStringLiteral("Console.log"))),
             (QStringList{"called last.xml;0000", "called last.xml;9999", "called last.xml;0000"}));
    QVERIFY(QFile::exists(out.filePath(QStringLiteral("last0001.xml"))));
    QVERIFY(QFile::exists(out.filePath(QStringLiteral("last0002.xml"))));
    QVERIFY(!QFile::exists(out.filePath(QStringLiteral("Semaphore.xml"))));
    QTRY_VERIFY(!runner.Watching());
}

void TestToolRunner::prohibitedStartsNothing()
{
    QTemporaryDir out;
    const QString tool = writeTool(out.path(), QStringLiteral("tool"), QStringLiteral("touch ran"));
    TRecordingHost host;
    TToolRunner runner(host);
    runner.Prohibited = true;
    QVERIFY(!runner.StartProcess(tool, {QStringLiteral("last.xml")}, out.path(), TRunType::Analysis));
    QCOMPARE(host.bar.errors(), QStringList{QStringLiteral("Batch run prohibited : ") + tool + QStringLiteral(" last.xml")});
    QVERIFY(host.batchRunning.isEmpty());
    QVERIFY(!runner.Watching());
    QTest::qWait(200);
    QVERIFY(!QFile::exists(out.filePath(QStringLiteral("ran"))));
}

void TestToolRunner::cancelStopsTheTool()
{
    QTemporaryDir out;
    const QString tool = writeTool(out.path(), QStringLiteral("tool"),
                                   QStringLiteral("while [ ! -e Semaphore.xml ]; do sleep 0.05; done; touch stopped"));
    TRecordingHost host;
    host.bar.answerMessage(mbYes);
    TToolRunner runner(host);
    QVERIFY(runner.StartProcess(tool, {QStringLiteral("last.xml")}, out.path(), TRunType::Analysis));
    QTest::qWait(300);
    QVERIFY(!host.ended);
    try {
        runner.CancelRun();
    } catch (const EAbort &) {
        // the report ends the command
    }
    QVERIFY(host.ended);
    QVERIFY(host.cancelled);
    QVERIFY(QFile::exists(out.filePath(QStringLiteral("stopped"))));
    QCOMPARE(host.bar.askedMessages().size(), 1);
    QCOMPARE(host.bar.askedMessages().first().text, QStringLiteral("Do you really want to cancel processing?"));
    QCOMPARE(host.bar.errors(), (QStringList{QStringLiteral("Process cancelled, analysis incomplete!"),
                                             QStringLiteral("Background process cancelled!")}));
}

void TestToolRunner::toolIgnoringTheCancelIsKilled()
{
    QTemporaryDir out;
    // The tool and what it started ignore the request: the kill reaches both.
    const QString tool = writeTool(out.path(), QStringLiteral("tool"),
                                   QStringLiteral("sleep 60 & echo $! > child.pid; wait"));
    TRecordingHost host;
    TToolRunner runner(host);
    runner.KillGraceMs = 300;
    QVERIFY(runner.StartProcess(tool, {QStringLiteral("last.xml")}, out.path(), TRunType::Analysis));
    QElapsedTimer timer;
    timer.start();
    runner.StopRun();
    QVERIFY(host.ended);
    QVERIFY(timer.elapsed() < 20000);
    QVERIFY(host.bar.errors().first().startsWith(QStringLiteral("The tool did not stop on request and was terminated: ")));
    QCOMPARE(host.bar.errors().last(), QStringLiteral("Process cancelled, analysis incomplete!"));
    const QStringList pid = TextFile::readLines(out.filePath(QStringLiteral("child.pid")));
    QCOMPARE(pid.size(), 1);
    QTRY_VERIFY(!QFile::exists(QStringLiteral("/proc/") + pid.first()) || QProcess::execute(
                    QStringLiteral("/bin/sh"), {QStringLiteral("-c"), QStringLiteral("grep -q '^State:.*Z' /proc/") + pid.first()
                                                                          + QStringLiteral("/status")}) == 0);
}

void TestToolRunner::destroyedDuringARun()
{
    QTemporaryDir out;
    const QString tool = writeTool(out.path(), QStringLiteral("tool"), QStringLiteral("exec sleep 60"));
    TRecordingHost host;
    auto runner = std::make_unique<TToolRunner>(host);
    QVERIFY(runner->StartProcess(tool, {QStringLiteral("last.xml")}, out.path(), TRunType::Analysis));
    QTest::qWait(100);
    QElapsedTimer timer;
    timer.start();
    runner.reset();
    QVERIFY(timer.elapsed() < 10000);
    // Nothing more reached the host: no post-run processing during teardown.
    QVERIFY(host.postRuns.isEmpty());
    QVERIFY(!host.ended);
}

void TestToolRunner::relayedConsoleMarksEntities()
{
    QTemporaryDir out;
    // A line that arrives in two pieces is shown once, whole.
    const QString tool = writeTool(out.path(), QStringLiteral("tool"),
                                   QStringLiteral("echo 'Orig Source File = SRC0001.cbl'\n"
                                                  "printf 'Orig Source File = SR'; sleep 0.7; echo 'C0002.cbl'\n"
                                                  "printf 'done'"));
    TRecordingHost host;
    TToolRunner runner(host);
    runner.Settings.consoleCapture = true;
    runner.Settings.relayProgram = QStringLiteral(QUENBAR_CONSOLE_STUB);
    runner.JobName = QStringLiteral("Legacy");
    runner.StagedFiles = 2;
    runner.Kind = 1;
    runner.ResetProgress();
    QCOMPARE(runner.Progress().caption, QStringLiteral("Started processing project Legacy - Entity 0 of 2 "));
    QVERIFY(runner.StartProcess(tool, {QStringLiteral("last.xml"), QStringLiteral(">"), QStringLiteral("Console.log")},
                                out.path(), TRunType::Analysis));
    QVERIFY(waitForEnd(host));
    const QStringList expected{QStringLiteral("Orig Source File = SRC0001.cbl"), QStringLiteral("Orig Source File = SRC0002.cbl"),
                               QStringLiteral("done")};
    QCOMPARE(host.lines, expected);
    QCOMPARE(TextFile::readLines(out.filePath(QStringLiteral("Console.log"))), expected);
    QCOMPARE(runner.Progress().modulesPosition, 2);
    QCOMPARE(runner.Progress().caption, QStringLiteral("Started processing project Legacy - Entity 2 of 2 - SRC0002.cbl"));
    QCOMPARE(runner.Progress().applicationTitle, QStringLiteral("3 of 2 - Legacy"));
}

void TestToolRunner::wholeRunInOrder()
{
    QTemporaryDir out;
    QDir(out.path()).mkpath(QStringLiteral("Exports"));
    TextFile::writeText(out.filePath(QStringLiteral("Exports/Legacy.log")), QStringLiteral("old"));
    const QString tool = writeTool(out.path(), QStringLiteral("COBReDoc"), QStringLiteral("echo \"$1\" > args"));
    TRecordingHost host;
    TToolRunner runner(host);
    runner.JobName = QStringLiteral("Legacy");
    QVERIFY(runner.RunTool({TRunType::Analysis, tool, false, out.path(), QStringLiteral("Legacy")}));
    QVERIFY(!QFile::exists(out.filePath(QStringLiteral("Exports/Legacy.log"))));
    QVERIFY(waitForEnd(host));
    QCOMPARE(host.steps, (QStringList{QStringLiteral("check"), QStringLiteral(" Last batch started at"), QStringLiteral("pages"),
                                      QStringLiteral("prepare 1"), QStringLiteral("viewers 0"),
                                      QStringLiteral(" Last batch runtime"), QStringLiteral("Completed - Legacy")}));
    QCOMPARE(TextFile::readLines(out.filePath(QStringLiteral("args"))), QStringList{QStringLiteral("last.xml")});

    // A preparation that fails starts nothing.
    TRecordingHost stopped;
    stopped.prepared = false;
    TToolRunner second(stopped);
    QVERIFY(!second.RunTool({TRunType::ExportConversion, tool, false, out.path(), QStringLiteral("Legacy")}));
    QCOMPARE(stopped.steps.last(), QStringLiteral("prepare 2"));
    QVERIFY(stopped.batchRunning.isEmpty());
}

void TestToolRunner::incompleteInstallationAsksFirst()
{
    QTemporaryDir out;
    const QString tool = writeTool(out.path(), QStringLiteral("tool"), QStringLiteral("touch ran"));
    TRecordingHost host;
    host.installed = false;
    host.bar.answerMessage(mbNo);
    TToolRunner runner(host);
    try {
        runner.RunTool({TRunType::Analysis, tool, false, out.path(), QStringLiteral("Legacy")});
    } catch (const EAbort &) {
        // the error ends the command
    }
    QCOMPARE(host.bar.askedMessages().size(), 1);
    QVERIFY(host.bar.askedMessages().first().text.startsWith(
        QStringLiteral("At least one of the required components for this \r\nlanguage was not found at startup.")));
    QCOMPARE(host.bar.errors(), QStringList{QStringLiteral("Incorrect installation, processing stopped")});
    QVERIFY(host.batchRunning.isEmpty());
    QTest::qWait(200);
    QVERIFY(!QFile::exists(out.filePath(QStringLiteral("ran"))));
}

QTEST_GUILESS_MAIN(TestToolRunner)
#include "tst_toolrunner.moc"
