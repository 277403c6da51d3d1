#include "ConverterRun.h"
#include "Errors.h"
#include "core/TestReporter.h"
#include "TarvellToolWatcherThread.h"
#include "TestFiles.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>
#include <functional>
#include <utility>

namespace {

// A fake converter: a shell script (the real converters live elsewhere).
QString writeScript(const QString &path, const QByteArray &body)
{
    if (!writeBytes(path, "#!/bin/sh\n" + body))
        qFatal("cannot write %s", qPrintable(path));
    QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadGroup
                                    | QFile::ExeGroup | QFile::ReadOther | QFile::ExeOther);
    return path;
}

// Reads its parameter file like a converter: every listed staged file
// becomes CMPnnnn.wsd holding the staged copy's bytes.
const QByteArray kConverterBody = R"SH(
echo "$(basename "$0") $1" >> order.txt
echo "converting $1 args=$#"
for n in $(sed -n 's/.*<File_\([0-9]*\)>.*/\1/p' "$1"); do
  staged=$(sed -n "s/.*<File_$n>\(.*\)<\/File_$n>.*/\1/p" "$1")
  cat "workinp/$staged" > "CMP$n.wsd"
done
mkdir -p Exports && echo "log of $1" > Exports/S1.log
)SH";

// Runs until the semaphore appears.
const QByteArray kPatientBody = R"SH(
echo "$(basename "$0") $1" >> order.txt
touch running
while [ ! -f Semaphore.xml ]; do sleep 0.05; done
)SH";

// Ignores the semaphore and the polite signals.
const QByteArray kStubbornBody = R"SH(
trap '' TERM INT HUP
touch running
while :; do sleep 0.05; done
)SH";

QString num4(int n)
{
    return QStringLiteral("%1").arg(n, 4, 10, QLatin1Char('0'));
}

class TRecordingBar : public TTestReporter
{
public:
    QStringList texts;   // every message, in order, as "kind: text"

    void ShowInfo(const QString &m) override
    {
        texts << QStringLiteral("info: ") + m;
        TTestReporter::ShowInfo(m);
    }
    void ShowWarning(const QString &m) override
    {
        texts << QStringLiteral("warning: ") + m;
        TTestReporter::ShowWarning(m);
    }
    void ShowError(const QString &m, bool carryOn) override
    {
        texts << QStringLiteral("error: ") + m;
        TTestReporter::ShowError(m, carryOn);
    }
    void AddError(const QString &m, bool carryOn) override
    {
        texts << QStringLiteral("error: ") + m;
        TTestReporter::AddError(m, carryOn);
    }
    bool has(const QString &entry) const { return texts.contains(entry); }
    bool hasPrefix(const QString &prefix) const
    {
        for (const QString &t : texts)
            if (t.startsWith(prefix))
                return true;
        return false;
    }
};

// Lets events run at each step, as the progress window does, so a command
// can arrive in the middle of a watcher's hand-over; OnTick stands for a
// command the user gives just then.
class TEventfulProgress : public TConsoleProgress
{
public:
    TEventfulProgress() : TConsoleProgress(false) {}
    std::function<void()> OnTick;
    void StepProgress() override
    {
        QCoreApplication::processEvents();
        TConsoleProgress::StepProgress();
    }
    void PingPongProgress(bool reset) override
    {
        QCoreApplication::processEvents();
        // Once: the command is given in this tick only.
        if (const std::function<void()> tick = std::exchange(OnTick, nullptr))
            tick();
        TConsoleProgress::PingPongProgress(reset);
    }
};

class TTestHost : public IConverterRunHost
{
public:
    std::unique_ptr<TRecordingBar> barOwner = std::make_unique<TRecordingBar>();
    TRecordingBar *bar = barOwner.get();
    std::unique_ptr<TEventfulProgress> progressOwner = std::make_unique<TEventfulProgress>();
    TEventfulProgress *progressLine = progressOwner.get();

    QString product = QStringLiteral("P1"), system = QStringLiteral("S1"), job = QStringLiteral("P1_S1");
    QString out, root, work, staging;
    int maxDepth = 0;
    QString programs[3];
    TConverterRunFlags flags;

    QStringList lines, paths;
    QList<int> kinds;
    QList<bool> checked;
    QList<int> disabled;
    QStringList newNames, longExt;

    QString windowCaption = QStringLiteral("Quenbar main shell - P1_S1");
    QString appTitle;
    bool running = false, busy = false, stop = false, modified = false, cancelEnabled = false, logViews = true;
    int checkCalls = 0, refreshCalls = 0, productLogViews = 0;
    QStringList busyHistory;

    void addSource(const QString &path, int kind, bool isChecked = true)
    {
        lines << path + QLatin1Char('=') + num4(int(paths.size()));
        paths << path;
        kinds << kind;
        checked << isChecked;
    }

    int cursors = 0; // busy cursors shown and not yet taken back
    void waitCursor(bool on) override { cursors += on ? 1 : -1; }
    void watchCursor(bool on) override { cursors += on ? 1 : -1; }
    IReporter *reporter() override { return bar; }
    IProgress *progress() override { return progressLine; }
    QString appName() override { return QStringLiteral("Quenbar"); }
    QString productName() override { return product; }
    QString systemName() override { return system; }
    QString jobName() override { return job; }
    QString outputDirectory() override { return out; }
    QString commonRoot() override { return root; }
    QString workDir() override { return work; }
    QString stagingDir() override { return staging; }
    int maxDirDepth() override { return maxDepth; }
    QString converterProgram(int kind) override { return programs[kind]; }
    TConverterRunFlags runFlags() override { return flags; }
    QStringList sourceLines() override { return lines; }
    bool sourceChecked(int p) override { return checked.value(p); }
    void disableSource(int p) override
    {
        checked[p] = false;
        disabled << p;
    }
    QStringList holderPaths() override { return paths; }
    QList<int> holderKinds() override { return kinds; }
    QStringList newFileNames() override { return newNames; }
    void setNewFileNames(const QStringList &l) override { newNames = l; }
    QStringList longExtensions() override { return longExt; }
    void setLongExtensions(const QStringList &l) override { longExt = l; }
    void checkSourcesSelected() override { ++checkCalls; }
    void refreshSourceList() override { ++refreshCalls; }
    void updateSourceCountCaption() override {}
    void showNamesPage() override {}
    void leaveOutputDirectory() override {}
    QString caption() override { return windowCaption; }
    void setCaption(const QString &c) override { windowCaption = c; }
    void setApplicationTitle(const QString &t) override { appTitle = t; }
    bool batchRunning() override { return running; }
    void setBatchRunning(bool r) override
    {
        running = r;
        modified = true;
    }
    void setBusyPreparing(bool b) override
    {
        busy = b;
        busyHistory << (b ? QStringLiteral("on") : QStringLiteral("off"));
    }
    bool stopRequested() override { return stop; }
    void clearStopRequest() override { stop = false; }
    void markModified() override { modified = true; }
    bool cancelRunEnabled() override { return cancelEnabled; }
    void setCancelRunEnabled(bool e) override { cancelEnabled = e; }
    void setLogViewsEnabled(bool e) override { logViews = e; }
    void viewProductLog() override { ++productLogViews; }
};

// The message of the error the call raises; "<none>" when it returns.
template <typename F>
QString errorOf(F &&call)
{
    try {
        call();
    } catch (const EQuenbarError &e) {
        return e.message();
    } catch (const EAbort &) {
        return QStringLiteral("<abort>");
    }
    return QStringLiteral("<none>");
}

} // namespace

class tst_ConverterRun : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void parameterFilesOfTheExample();
    void stagingLines_data();
    void stagingLines();
    void prepareStagesCheckedFiles();
    void prepareRefusalsAndStops();
    void wsdlOnlyJobStartsNoConverter();
    void bothKindsRunOneAfterTheOther();
    void captureLogReachesConsoleLog();
    void outputFolderEditedDuringRunIsLeftAlone();
    void cancelThroughSemaphore_data();
    void cancelThroughSemaphore();
    void converterIgnoringSemaphoreIsKilled();
    void missingConverterReportsCommandLine();
    void crashingConverterStopsTheBatch();
    void failedResultEndsTheCollection_data();
    void failedResultEndsTheCollection();
    void failedDirectImportEndsTheCommand_data();
    void failedDirectImportEndsTheCommand();
    void namesWithBlanksQuotesAndShellCharacters();
    void editedNamesNeverLeaveOutputDirectory();
    void linksNeverLeadOutOfOutputDirectory_data();
    void linksNeverLeadOutOfOutputDirectory();
    void dosBoxConfiguration();
    void dosBoxRealRun();
    void countOrDeleteFiles_data();
    void countOrDeleteFiles();
    void countOrDeleteNeverFollowsLinks();
    void watcherHandsOverOnCreatingThread();
    void runAndWaitWaitsForTheEnd();

private:
    // A host with output, source root and tools folders in the temp folder.
    void setUpHost(bool usedOutput = true);
    QString source(const QString &name, const QByteArray &bytes);
    void runToEnd(TConverterRun &run);
    // Imports of a document holding "garbage" fail, or are stopped by the user.
    void failImportsOfGarbage(bool stopped);

    std::unique_ptr<QTemporaryDir> m_tmp;
    std::unique_ptr<TTestHost> m_host;
    QStringList m_imported;
    QStringList m_underwayCalls; // "on" and "off" as the run brackets its imports
    QString m_tools;
};

void tst_ConverterRun::init()
{
    m_tmp = std::make_unique<QTemporaryDir>();
    QVERIFY(m_tmp->isValid());
    m_imported.clear();
    m_underwayCalls.clear();
}

void tst_ConverterRun::cleanup()
{
    m_host.reset();
    m_tmp.reset();
}

void tst_ConverterRun::setUpHost(bool usedOutput)
{
    m_host = std::make_unique<TTestHost>();
    m_host->out = m_tmp->filePath(QStringLiteral("Out"));
    m_host->root = m_tmp->filePath(QStringLiteral("Src"));
    m_host->work = m_host->out + QStringLiteral("/work");
    m_host->staging = m_host->out + QStringLiteral("/workinp");
    m_tools = m_tmp->filePath(QStringLiteral("Tools"));
    QDir().mkpath(m_host->out);
    QDir().mkpath(m_host->root);
    QDir().mkpath(m_tools);
    if (usedOutput)
        QDir().mkpath(m_host->out + QStringLiteral("/WSDLDir"));
    m_host->programs[1] = writeScript(m_tools + QStringLiteral("/WSDLProc"), kConverterBody);
    m_host->programs[2] = writeScript(m_tools + QStringLiteral("/WSDLObjt"), kConverterBody);
    m_host->ImportsUnderway = [this](bool on) { m_underwayCalls << (on ? QStringLiteral("on") : QStringLiteral("off")); };
    m_host->ImportWsdl = [this](const QString &path) {
        if (m_underwayCalls.value(m_underwayCalls.size() - 1) != QLatin1String("on"))
            m_imported << QStringLiteral("imported outside a list of imports");
        m_imported << QFileInfo(path).fileName() + QLatin1Char('|') + QString::fromUtf8(fileBytes(path)).trimmed()
                          + QLatin1Char('|')
                          + QString::fromUtf8(fileBytes(m_host->out + QStringLiteral("/order.txt"), "<missing>")).trimmed();
    };
}

QString tst_ConverterRun::source(const QString &name, const QByteArray &bytes)
{
    const QString path = m_host->root + QLatin1Char('/') + name;
    if (!writeBytes(path, bytes))
        qFatal("cannot write %s", qPrintable(path));
    return path;
}

void tst_ConverterRun::failImportsOfGarbage(bool stopped)
{
    m_host->ImportWsdl = [importer = m_host->ImportWsdl, stopped](const QString &path) {
        if (fileBytes(path) == "garbage") {
            if (stopped)
                throw EAbort();
            throw EQuenbarError(QStringLiteral("not a WSDL document"));
        }
        importer(path);
    };
}

void tst_ConverterRun::runToEnd(TConverterRun &run)
{
    QSignalSpy ended(&run, &TConverterRun::runEnded);
    run.ActRunTool();
    QVERIFY(m_host->running);
    QVERIFY(ended.wait(30000));
    QCOMPARE(ended.count(), 1);
    QVERIFY(!m_host->running);
}

void tst_ConverterRun::parameterFilesOfTheExample()
{
    setUpHost();
    const QString cobol = source(QStringLiteral("PROG1.csv"), "x\r\n");
    m_host->addSource(cobol, 1);
    TConverterRun run(*m_host);

    QVERIFY(run.WriteConverterParameters(1));
    QVERIFY(!run.WriteConverterParameters(2));
    QCOMPARE(m_host->checkCalls, 2);

    const QByteArray head = "<?xml version=\"1.0\" encoding=\"UTF-8\" ?>" + QByteArray(17, ' ') + "\r\n"
                            "<QUENBAR>\r\n"
                            " <Names" + QByteArray(49, ' ') + "\r\n"
                            "  ProductName = \"P1\"\r\n"
                            "  SystemName  = \"S1\"\r\n"
                            " />\r\n"
                            " <Directories>\r\n"
                            "  <Orig_Input_Dir>" + m_host->root.toUtf8() + "</Orig_Input_Dir>\r\n"
                            "  <Input_Dir>workinp</Input_Dir>\r\n"
                            "  <Orig_Output_Dir>" + m_host->out.toUtf8() + "</Orig_Output_Dir>\r\n"
                            "  <Output_Dir>.</Output_Dir>\r\n"
                            "  <Work_Dir>./work</Work_Dir>\r\n"
                            " </Directories>\r\n"
                            " <Files>\r\n";
    const QByteArray procedural = head
                                  + "  <Orig_File_0001>" + cobol.toUtf8() + "</Orig_File_0001>\r\n"
                                    "  <File_0001>CMP0001.CSV</File_0001>\r\n"
                                    " </Files>\r\n"
                                    "</QUENBAR>\r\n";
    const QByteArray objectOriented = head + " </Files>\r\n</QUENBAR>\r\n";
    QCOMPARE(fileBytes(m_host->out + QStringLiteral("/lastprc.xml")), procedural);
    QCOMPARE(fileBytes(m_host->out + QStringLiteral("/lastobj.xml")), objectOriented);
}

void tst_ConverterRun::stagingLines_data()
{
    QTest::addColumn<QString>("fileName");
    QTest::addColumn<QString>("cmpLine");
    QTest::addColumn<QString>("stagedName");
    QTest::addColumn<QStringList>("longExtensions");

    QTest::newRow("csv") << "PROG.csv" << "CMP0003=PROG" << "CMP0003.CSV" << QStringList();
    QTest::newRow("export") << "Klass.export" << "CMP0003=Klass" << "CMP0003.EXP"
                            << QStringList{QStringLiteral(".export=.EXP"), QStringLiteral(".EXP=.export")};
    QTest::newRow("four with dot") << "x.WsD" << "CMP0003=x" << "CMP0003.WSD" << QStringList();
    QTest::newRow("several dots") << "a.b.wsdl" << "CMP0003=a.b" << "CMP0003.WSD"
                                  << QStringList{QStringLiteral(".wsdl=.WSD"), QStringLiteral(".WSD=.wsdl")};
    QTest::newRow("no extension") << "README" << "CMP0003=README" << "CMP0003" << QStringList();
}

void tst_ConverterRun::stagingLines()
{
    QFETCH(QString, fileName);
    QFETCH(QString, cmpLine);
    QFETCH(QString, stagedName);
    QFETCH(QStringList, longExtensions);

    // Position 2 checked, 0 and 1 not: numbered from the list position.
    const QStringList paths{QStringLiteral("/s/a.csv"), QStringLiteral("/s/b.csv"), QStringLiteral("/s/") + fileName};
    QStringList longs;
    const QStringList lines =
        TConverterRun::StagingLines(paths, {false, false, true}, QStringLiteral("/o/workinp"), longs);
    QCOMPARE(lines, (QStringList{cmpLine, QStringLiteral("XCPY0002=/o/workinp/") + stagedName}));
    QCOMPARE(longs, longExtensions);
}

void tst_ConverterRun::prepareStagesCheckedFiles()
{
    setUpHost();
    m_host->addSource(source(QStringLiteral("a.csv"), "proc a"), 1);
    m_host->addSource(source(QStringLiteral("b.csv"), "unchecked"), 1, false);
    m_host->addSource(source(QStringLiteral("c.export"), "objt c"), 2);
    m_host->addSource(m_host->root + QStringLiteral("/gone.csv"), 1);   // vanished since it was added
    QVERIFY(writeBytes(m_host->staging + QStringLiteral("/CMP0099.CSV"), "old staging"));
    QVERIFY(writeBytes(m_host->out + QStringLiteral("/CMP0042.wsd"), "old result"));
    QVERIFY(writeBytes(m_host->out + QStringLiteral("/notes.txt"), "kept"));
    TConverterRun run(*m_host);

    QVERIFY(run.PrepareConverterRun());

    const QString s = m_host->staging;
    QCOMPARE(m_host->newNames, (QStringList{QStringLiteral("CMP0001=a"), QStringLiteral("CMP0003=c"),
                                            QStringLiteral("CMP0004=gone"), QStringLiteral("XCPY0000=") + s + QStringLiteral("/CMP0001.CSV"),
                                            QStringLiteral("XCPY0002=") + s + QStringLiteral("/CMP0003.EXP"),
                                            QStringLiteral("XCPY0003=") + s + QStringLiteral("/CMP0004.CSV")}));
    QCOMPARE(m_host->longExt, (QStringList{QStringLiteral(".export=.EXP"), QStringLiteral(".EXP=.export")}));
    QCOMPARE(fileBytes(s + QStringLiteral("/CMP0001.CSV")), QByteArray("proc a"));
    QCOMPARE(fileBytes(s + QStringLiteral("/CMP0003.EXP")), QByteArray("objt c"));
    QVERIFY(!QFile::exists(s + QStringLiteral("/CMP0002.CSV")));
    QVERIFY(!QFile::exists(s + QStringLiteral("/CMP0099.CSV")));
    QVERIFY(!QFile::exists(m_host->out + QStringLiteral("/CMP0042.wsd")));
    QVERIFY(QFile::exists(m_host->out + QStringLiteral("/notes.txt")));
    QCOMPARE(run.FirstKind(), 1);
    QCOMPARE(run.KindsNeeded(), 2);
    // The missing file's line is unchecked and disabled, with the warning.
    QCOMPARE(m_host->disabled, QList<int>{3});
    QVERIFY(m_host->bar->has(QStringLiteral("warning: Some input files cannot be found!")));
    QCOMPARE(m_host->busyHistory, (QStringList{QStringLiteral("on"), QStringLiteral("off")}));
    QVERIFY(fileBytes(m_host->out + QStringLiteral("/lastobj.xml")).contains("<File_0003>CMP0003.EXP</File_0003>"));
}

void tst_ConverterRun::prepareRefusalsAndStops()
{
    setUpHost(false);
    m_host->addSource(source(QStringLiteral("a.csv"), "a"), 1);
    m_host->addSource(source(QStringLiteral("b.csv"), "b"), 1);
    TConverterRun run(*m_host);
    {
        m_host->bar->answerMessage(mbNo);
        QCOMPARE(errorOf([&] { run.PrepareConverterRun(); }), QStringLiteral("<abort>"));
        QCOMPARE(m_host->bar->lastQuestion().text,
                 QStringLiteral("Your current output directory \r\n") + m_host->out
                     + QStringLiteral("\r\nhasn't been used yet\r\ndo you really want to use this directory for output?"));
        QCOMPARE(m_host->bar->lastQuestion().type, TMsgDlgType::Warning);
        QVERIFY(m_host->bar->has(QStringLiteral("error: Go and select another output directory,and then try again")));
        QVERIFY(!QFile::exists(m_host->out + QStringLiteral("/lastprc.xml")));
    }
    {
        // Yes to the fresh directory; the stop request raised meanwhile is confirmed.
        m_host->bar->answerMessage(mbYes);
        m_host->bar->answerMessage(mbYes);
        m_host->stop = true;
        QCOMPARE(errorOf([&] { run.PrepareConverterRun(); }), QStringLiteral("<abort>"));
        QCOMPARE(m_host->bar->lastQuestion().text, QStringLiteral("The User requested to stop the process, please confirm?"));
        QVERIFY(m_host->bar->has(QStringLiteral("error: Process aborted on user request!")));
        QVERIFY(!m_host->busy);
        QVERIFY(!QFile::exists(m_host->staging + QStringLiteral("/CMP0002.CSV")));
    }
    {
        // No clears the request and the staging goes on.
        m_host->bar->answerMessage(mbNo);
        m_host->stop = true;
        QVERIFY(run.PrepareConverterRun());
        QVERIFY(!m_host->stop);
        QVERIFY(QFile::exists(m_host->staging + QStringLiteral("/CMP0002.CSV")));
    }
}

void tst_ConverterRun::wsdlOnlyJobStartsNoConverter()
{
    setUpHost();
    const QString wsdl = source(QStringLiteral("Service.WSDL"), "<definitions/>");
    m_host->addSource(wsdl, 3);
    m_host->programs[1] = m_host->programs[2] = m_tools + QStringLiteral("/does-not-exist");
    TConverterRun run(*m_host);

    run.ActRunTool();

    QVERIFY(!run.Watching());
    QVERIFY(!m_host->running);
    QCOMPARE(m_imported, QStringList{QStringLiteral("Service.WSDL|<definitions/>|<missing>")});
    QCOMPARE(fileBytes(m_host->out + QStringLiteral("/WSDLDir/Service.wsdl")), QByteArray("<definitions/>"));
    for (const QString &file : {QStringLiteral("/lastprc.xml"), QStringLiteral("/lastobj.xml")})
        QVERIFY(fileBytes(m_host->out + file).contains(" <Files>\r\n </Files>\r\n"));
    QVERIFY(m_host->windowCaption.startsWith(QStringLiteral("Quenbar main shell - P1_S1 Last batch runtime: ")));
    QVERIFY(m_host->refreshCalls >= 1);
}

void tst_ConverterRun::bothKindsRunOneAfterTheOther()
{
    setUpHost();
    m_host->addSource(source(QStringLiteral("prog.csv"), "procedural export"), 1);
    m_host->addSource(source(QStringLiteral("Klass.export"), "object export"), 2);
    m_host->flags.DeleteAfter = true;
    TConverterRun run(*m_host);

    runToEnd(run);

    const QString order = QStringLiteral("WSDLProc lastprc.xml\nWSDLObjt lastobj.xml");
    QCOMPARE(QString::fromUtf8(fileBytes(m_host->out + QStringLiteral("/order.txt"), "<missing>")).trimmed(), order);
    // Imported after both runs, in result order, with the staged bytes.
    QCOMPARE(m_imported, (QStringList{QStringLiteral("prog.wsdl|procedural export|") + order,
                                      QStringLiteral("Klass.wsdl|object export|") + order}));
    // The direct imports and the results are each one list of imports.
    QCOMPARE(m_underwayCalls, (QStringList{QStringLiteral("on"), QStringLiteral("off"), QStringLiteral("on"),
                                           QStringLiteral("off")}));
    QVERIFY(QDir(m_host->out).entryList({QStringLiteral("CMP*")}, QDir::Files).isEmpty());
    QVERIFY(m_host->bar->has(QStringLiteral("warning: Analysis completed, processing finished")));
    QVERIFY(!m_host->cancelEnabled);
    QVERIFY(m_host->logViews);
    QCOMPARE(m_host->productLogViews, 1);
    QCOMPARE(m_host->appTitle, QStringLiteral("Completed - P1_S1"));
    QVERIFY(m_host->windowCaption.startsWith(QStringLiteral("Quenbar main shell - P1_S1 Last batch runtime: ")));
    QVERIFY(!m_host->windowCaption.contains(QStringLiteral("started at")));
    QCOMPARE(m_host->progressLine->Title(), QStringLiteral("Runnig bacth Converter lastobj.xml"));
    QCOMPARE(run.LastCommandLine(), m_host->programs[2] + QStringLiteral(" lastobj.xml "));
    // Delete after: the staged copies and the work folder are gone.
    QVERIFY(!QFileInfo::exists(m_host->staging));
    QVERIFY(!QFileInfo::exists(m_host->work));
    QVERIFY(QFile::exists(m_host->out + QStringLiteral("/lastprc.xml")));
    QCOMPARE(m_host->cursors, 0);
}

void tst_ConverterRun::outputFolderEditedDuringRunIsLeftAlone()
{
    setUpHost();
    m_host->addSource(source(QStringLiteral("prog.csv"), "p"), 1);
    m_host->flags.DeleteAfter = true;
    TConverterRun run(*m_host);
    const QString started = m_host->out;
    const QString startedWork = m_host->work;
    // Another folder, typed into the field while the converter runs.
    const QString other = m_tmp->filePath(QStringLiteral("typed"));
    QVERIFY(QDir().mkpath(other + QStringLiteral("/work")));
    QVERIFY(writeBytes(other + QStringLiteral("/work/keep.txt"), "mine"));

    QSignalSpy ended(&run, &TConverterRun::runEnded);
    run.ActRunTool();
    QVERIFY(run.Watching());
    m_host->out = other;
    m_host->work = other + QStringLiteral("/work");
    m_host->staging = other + QStringLiteral("/workinp");
    QVERIFY(ended.wait(30000));

    // The run collected and cleaned up in the folder it started in.
    QCOMPARE(fileBytes(other + QStringLiteral("/work/keep.txt")), QByteArray("mine"));
    QVERIFY(!QFileInfo::exists(startedWork));
    QVERIFY(QFile::exists(started + QStringLiteral("/WSDLDir/prog.wsdl")));
    QVERIFY(!QFileInfo::exists(other + QStringLiteral("/WSDLDir")));
}

void tst_ConverterRun::captureLogReachesConsoleLog()
{
    setUpHost();
    m_host->addSource(source(QStringLiteral("prog.csv"), "p"), 1);
    m_host->flags.CaptureLog = true;
    TConverterRun run(*m_host);

    runToEnd(run);

    QCOMPARE(run.LastCommandLine(), m_host->programs[1] + QStringLiteral(" lastprc.xml > Console.log "));
    // The redirection is done for the converter, which gets its one argument.
    QCOMPARE(fileBytes(m_host->out + QStringLiteral("/Console.log")), QByteArray("converting lastprc.xml args=1\n"));
    QCOMPARE(fileBytes(m_host->out + QStringLiteral("/WSDLDir/prog.wsdl")), QByteArray("p"));
}

void tst_ConverterRun::cancelThroughSemaphore_data()
{
    QTest::addColumn<QString>("how");
    QTest::newRow("cancel command") << QStringLiteral("cancel");
    QTest::newRow("window closed") << QStringLiteral("close");
    // Clicked while a progress tick lets events run: nothing can wait there.
    QTest::newRow("cancel during a tick") << QStringLiteral("tick");
}

void tst_ConverterRun::cancelThroughSemaphore()
{
    QFETCH(QString, how);
    const bool closing = how == QLatin1String("close");
    setUpHost();
    m_host->addSource(source(QStringLiteral("prog.csv"), "p"), 1);
    m_host->addSource(source(QStringLiteral("Klass.csv"), "k"), 2);
    writeScript(m_host->programs[1], kPatientBody);
    TConverterRun run(*m_host);
    m_host->bar->answerMessage(mbYes);

    run.ActRunTool();
    QVERIFY(m_host->cancelEnabled);
    QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(m_host->out + QStringLiteral("/running")), 10000);
    m_host->modified = false;

    if (closing) {
        QCOMPARE(errorOf([&] { run.StopRunForClose(); }), QStringLiteral("<abort>"));
    } else if (how == QLatin1String("cancel")) {
        QCOMPARE(errorOf([&] { run.ActCancelRun(); }), QStringLiteral("<abort>"));
    } else {
        QSignalSpy ended(&run, &TConverterRun::runEnded);
        QString inTick;
        m_host->progressLine->OnTick = [&] {
            QVERIFY(run.InHandOver());
            inTick = errorOf([&] { run.ActCancelRun(); });
        };
        QVERIFY2(ended.wait(30000), qPrintable(QStringLiteral("cancel in a tick: ") + inTick));
        QCOMPARE(inTick, QStringLiteral("<abort>"));
    }

    if (!closing)
        QCOMPARE(m_host->bar->lastQuestion().text, QStringLiteral("Do you really want to cancel processing?"));
    QVERIFY(m_host->modified);
    QVERIFY(QFile::exists(m_host->out + QStringLiteral("/Semaphore.xml")));
    if (how == QLatin1String("tick"))
        QTRY_VERIFY_WITH_TIMEOUT(!run.Watching(), 5000); // its thread ends after the completion
    else
        QVERIFY(!run.Watching()); // the cancel waited for it
    QVERIFY(!m_host->running);
    QVERIFY(!m_host->cancelEnabled);
    const int cancelled = int(m_host->bar->texts.indexOf(QStringLiteral("error: Process cancelled, analysis incomplete!")));
    const int ended = int(m_host->bar->texts.indexOf(QStringLiteral("error: Background process cancelled!")));
    QVERIFY(cancelled >= 0);
    QVERIFY(ended > cancelled);
    QVERIFY(!m_host->bar->hasPrefix(QStringLiteral("warning: Analysis completed")));
    // The second converter is not started after a cancel.
    QCOMPARE(QString::fromUtf8(fileBytes(m_host->out + QStringLiteral("/order.txt"), "<missing>")).trimmed(),
             QStringLiteral("WSDLProc lastprc.xml"));
}

void tst_ConverterRun::converterIgnoringSemaphoreIsKilled()
{
    setUpHost();
    m_host->addSource(source(QStringLiteral("prog.csv"), "p"), 1);
    writeScript(m_host->programs[1], kStubbornBody);
    TConverterRun run(*m_host);
    run.KillGraceMs = 300;
    m_host->bar->answerMessage(mbYes);

    run.ActRunTool();
    QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(m_host->out + QStringLiteral("/running")), 10000);
    QCOMPARE(errorOf([&] { run.ActCancelRun(); }), QStringLiteral("<abort>"));

    QVERIFY(!run.Watching());
    QVERIFY(!m_host->running);
    QVERIFY(m_host->bar->has(QStringLiteral("error: The converter did not stop on request and was terminated: ")
                             + m_host->programs[1] + QStringLiteral(" lastprc.xml")));
    QVERIFY(m_host->bar->has(QStringLiteral("error: Process cancelled, analysis incomplete!")));
    QCOMPARE(m_host->cursors, 0);
}

void tst_ConverterRun::missingConverterReportsCommandLine()
{
    setUpHost();
    m_host->addSource(source(QStringLiteral("prog.csv"), "p"), 1);
    m_host->programs[1] = m_tools + QStringLiteral("/no such/WSDLProc.exe");
    TConverterRun run(*m_host);

    const QStringList message = errorOf([&] { run.ActRunTool(); }).split(QStringLiteral("\r\n"));

    QCOMPARE(message.size(), 3);
    QVERIFY(!message[0].isEmpty());
    QCOMPARE(message[1], QLatin1Char('"') + m_host->programs[1] + QStringLiteral("\" lastprc.xml"));
    QCOMPARE(message[2], m_host->out);
    QVERIFY(!run.Watching());
    QVERIFY(!m_host->running);
    QVERIFY(!m_host->cancelEnabled);
    QCOMPARE(m_host->cursors, 0);
    // Still usable: the next run with a real converter goes through.
    m_host->programs[1] = writeScript(m_tools + QStringLiteral("/WSDLProc"), kConverterBody);
    runToEnd(run);
    QVERIFY(QFile::exists(m_host->out + QStringLiteral("/WSDLDir/prog.wsdl")));
}

void tst_ConverterRun::crashingConverterStopsTheBatch()
{
    setUpHost();
    m_host->addSource(source(QStringLiteral("prog.csv"), "before the crash"), 1);
    m_host->addSource(source(QStringLiteral("Klass.csv"), "k"), 2);
    writeScript(m_host->programs[1], kConverterBody + "kill -SEGV $$\n");
    TConverterRun run(*m_host);

    runToEnd(run);

    QVERIFY(m_host->bar->has(QStringLiteral("error: Process broken with message - The converter ended abnormally: ")
                             + m_host->programs[1] + QStringLiteral(" lastprc.xml")));
    QVERIFY(!m_host->bar->hasPrefix(QStringLiteral("warning: Analysis completed")));
    QCOMPARE(QString::fromUtf8(fileBytes(m_host->out + QStringLiteral("/order.txt"), "<missing>")).trimmed(),
             QStringLiteral("WSDLProc lastprc.xml"));
    // What it wrote before crashing is kept.
    QCOMPARE(fileBytes(m_host->out + QStringLiteral("/WSDLDir/prog.wsdl")), QByteArray("before the crash"));
    QVERIFY(!m_host->cancelEnabled);
}

void tst_ConverterRun::failedResultEndsTheCollection_data()
{
    QTest::addColumn<bool>("stopped"); // the user stopped the import, or it failed
    QTest::addColumn<QString>("report");
    QTest::newRow("garbage") << false << QStringLiteral("error: Process broken with message - not a WSDL document");
    QTest::newRow("stopped") << true << QStringLiteral("error: Process broken with message - Operation aborted");
}

void tst_ConverterRun::failedResultEndsTheCollection()
{
    QFETCH(bool, stopped);
    QFETCH(QString, report);
    setUpHost();
    m_host->addSource(source(QStringLiteral("bad.csv"), "garbage"), 1);
    m_host->addSource(source(QStringLiteral("good.csv"), "<definitions/>"), 1);
    failImportsOfGarbage(stopped);
    TConverterRun run(*m_host);

    runToEnd(run);

    QVERIFY2(m_host->bar->has(report), qPrintable(m_host->bar->texts.join(u'\n')));
    QVERIFY(!m_host->bar->has(QStringLiteral("warning: Analysis completed, processing finished")));
    // Nothing after the failure is imported; its result stays where the converter left it.
    QVERIFY(m_imported.isEmpty());
    QCOMPARE(fileBytes(m_host->out + QStringLiteral("/CMP0002.wsd")), QByteArray("<definitions/>"));
    QCOMPARE(m_underwayCalls.value(m_underwayCalls.size() - 1), QStringLiteral("off"));
    QVERIFY(!m_host->cancelEnabled);
    QVERIFY(m_host->windowCaption.contains(QStringLiteral(" Last batch runtime: ")));
}

void tst_ConverterRun::failedDirectImportEndsTheCommand_data()
{
    QTest::addColumn<bool>("stopped");
    QTest::addColumn<QString>("error");
    QTest::newRow("malformed") << false << QStringLiteral("not a WSDL document");
    QTest::newRow("stopped") << true << QStringLiteral("<abort>");
}

void tst_ConverterRun::failedDirectImportEndsTheCommand()
{
    QFETCH(bool, stopped);
    QFETCH(QString, error);
    setUpHost();
    m_host->addSource(source(QStringLiteral("Bad.wsdl"), "garbage"), 3);
    m_host->addSource(source(QStringLiteral("Good.wsdl"), "<definitions/>"), 3);
    m_host->addSource(source(QStringLiteral("prog.csv"), "procedural export"), 1);
    failImportsOfGarbage(stopped);
    TConverterRun run(*m_host);

    QCOMPARE(errorOf([&] { run.ActRunTool(); }), error);

    // Nothing staged, no converter started; the list was refreshed all the same.
    QVERIFY(m_imported.isEmpty());
    QVERIFY(!m_host->running);
    QVERIFY(!QFile::exists(m_host->out + QStringLiteral("/lastprc.xml")));
    QVERIFY(!QFile::exists(m_host->out + QStringLiteral("/WSDLDir/Bad.wsdl")));
    QCOMPARE(m_host->refreshCalls, 1);
    QCOMPARE(m_underwayCalls, (QStringList{QStringLiteral("on"), QStringLiteral("off")}));
}

void tst_ConverterRun::namesWithBlanksQuotesAndShellCharacters()
{
    setUpHost();
    const QString folder = QStringLiteral("dir with blank; $(touch pwned) a=b");
    const QString name = QStringLiteral("it's \"q\" $(touch pwned) & `touch pwned` x.csv");
    const QString path = source(folder + QLatin1Char('/') + name, "odd");
    m_host->addSource(path, 1);
    const QString tools = m_tmp->filePath(QStringLiteral("Program Files"));
    m_host->programs[1] = QLatin1Char('"') + writeScript(tools + QStringLiteral("/WSDL Proc"), kConverterBody) + QLatin1Char('"');
    TConverterRun run(*m_host);

    runToEnd(run);

    const QString base = name.left(name.size() - 4);
    QCOMPARE(fileBytes(m_host->out + QStringLiteral("/WSDLDir/") + base + QStringLiteral(".wsdl")), QByteArray("odd"));
    QVERIFY(fileBytes(m_host->out + QStringLiteral("/lastprc.xml"))
                .contains("<Orig_File_0001>" + m_host->root.toUtf8() + "/dir with blank; $(touch pwned) a=b/it's \"q\" "
                          "$(touch pwned) &amp; `touch pwned` x.csv</Orig_File_0001>"));
    QCOMPARE(run.LastCommandLine(), QLatin1Char('"') + tools + QStringLiteral("/WSDL Proc\" lastprc.xml "));
    QDirIterator it(m_tmp->path(), QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
    while (it.hasNext())
        QVERIFY2(it.next().section(QLatin1Char('/'), -1) != QLatin1String("pwned"), qPrintable(it.filePath()));
    QVERIFY(!QFile::exists(QDir::currentPath() + QStringLiteral("/pwned")));
}

void tst_ConverterRun::editedNamesNeverLeaveOutputDirectory()
{
    setUpHost();
    TConverterRun run(*m_host);
    const QString outside = m_tmp->filePath(QStringLiteral("outside.txt"));
    QVERIFY(writeBytes(outside, "keep me"));
    QVERIFY(writeBytes(m_host->out + QStringLiteral("/CMP0001.wsd"), "one"));
    QVERIFY(writeBytes(m_host->out + QStringLiteral("/CMP0002.wsd"), "two"));
    QVERIFY(writeBytes(m_host->out + QStringLiteral("/CMP0003.wsd"), "three"));
    // The text is editable by the user: a path, a missing line, a relative escape.
    m_host->newNames = {QStringLiteral("CMP0001=../../escaped"), QStringLiteral("CMP0003=fine"),
                        QStringLiteral("XCPY0000=") + outside, QStringLiteral("XCPY0001=../outside.txt")};

    run.CollectConverterResults();

    QCOMPARE(fileBytes(m_host->out + QStringLiteral("/WSDLDir/CMP0001.wsdl")), QByteArray("one"));
    QCOMPARE(fileBytes(m_host->out + QStringLiteral("/WSDLDir/CMP0002.wsdl")), QByteArray("two"));
    QCOMPARE(fileBytes(m_host->out + QStringLiteral("/WSDLDir/fine.wsdl")), QByteArray("three"));
    QVERIFY(!QFile::exists(m_tmp->filePath(QStringLiteral("escaped.wsdl"))));
    QCOMPARE(m_imported.size(), 3);

    m_host->flags.DeleteAfter = true;
    m_host->work = m_tmp->path();   // a work folder outside the output directory is left alone
    run.CleanupAfterRun();
    QCOMPARE(fileBytes(outside), QByteArray("keep me"));
    QVERIFY(QFile::exists(m_host->out + QStringLiteral("/WSDLDir/fine.wsdl")));
}

void tst_ConverterRun::linksNeverLeadOutOfOutputDirectory_data()
{
    QTest::addColumn<QString>("link");   // below the output directory
    QTest::addColumn<QString>("target"); // outside it
    QTest::addColumn<bool>("refused");   // the run ends with the error; otherwise it goes on past the link
    QTest::newRow("parameter file") << QStringLiteral("lastprc.xml") << QStringLiteral("victim.txt") << true;
    // A dangling link where the staged copy goes would create the file at its target.
    QTest::newRow("staged copy") << QStringLiteral("workinp/CMP0001.CSV") << QStringLiteral("created.csv") << false;
}

void tst_ConverterRun::linksNeverLeadOutOfOutputDirectory()
{
    QFETCH(QString, link);
    QFETCH(QString, target);
    QFETCH(bool, refused);
    setUpHost();
    m_host->addSource(source(QStringLiteral("prog.csv"), "procedural export"), 1);
    const QString outside = m_tmp->filePath(target);
    if (refused)
        QVERIFY(writeBytes(outside, "keep me"));
    const QString linkPath = m_host->out + QLatin1Char('/') + link;
    QDir().mkpath(QFileInfo(linkPath).path());
    QVERIFY(QFile::link(outside, linkPath));
    TConverterRun run(*m_host);

    if (refused) {
        QCOMPARE(errorOf([&] { run.ActRunTool(); }),
                 QStringLiteral("Target is outside the output directory: ") + linkPath);
        QCOMPARE(fileBytes(outside), QByteArray("keep me"));
        QVERIFY(!m_host->running);
    } else {
        runToEnd(run);
        QVERIFY(!QFileInfo::exists(outside));
        QCOMPARE(fileBytes(m_host->out + QStringLiteral("/WSDLDir/prog.wsdl")), QByteArray("procedural export"));
    }
}

void tst_ConverterRun::dosBoxConfiguration()
{
    setUpHost();
    m_host->addSource(source(QStringLiteral("prog.csv"), "p"), 1);
    const QString baseConfig = m_tmp->filePath(QStringLiteral("Settings/DOSBox.config"));
    QVERIFY(writeBytes(baseConfig, "[sdl]\r\nfullscreen=false\r\n[cpu]\r\ncore=auto\r\ncycles=auto\r\n[autoexec]\r\nmount d /old\r\n"));
    m_host->flags.DOSBoxActive = true;
    m_host->flags.DOSBoxConfigFile = baseConfig;
    // The fake DOSBox records what it got and does the converter's work.
    m_host->flags.DOSBoxProgram = writeScript(m_tools + QStringLiteral("/dosbox"), R"SH(
echo "$*" > dosbox-args.txt
echo "$SDL_VIDEODRIVER" > dosbox-video.txt
cp workinp/CMP0001.CSV CMP0001.WSD
)SH");
    TConverterRun run(*m_host);

    runToEnd(run);

    const QByteArray expected = "[sdl]\r\nfullscreen=false\r\n[cpu]\r\ncore=auto\r\ncycles=max\r\n[autoexec]\r\n"
                                "mount c: \"" + m_tools.toUtf8() + "/\"\r\n"
                                "mount x: .\r\n"
                                "x:\r\n"
                                "c:\\WSDLProc lastprc.xml\r\n"
                                "exit\r\n";
    QCOMPARE(fileBytes(m_host->out + QStringLiteral("/DOSBox.config")), expected);
    QCOMPARE(fileBytes(m_host->out + QStringLiteral("/dosbox-args.txt")), QByteArray("-conf DOSBox.config -noconsole -exit\n"));
    QCOMPARE(fileBytes(m_host->out + QStringLiteral("/dosbox-video.txt")), QByteArray("dummy\n"));
    QCOMPARE(fileBytes(m_host->out + QStringLiteral("/WSDLDir/prog.wsdl")), QByteArray("p"));

    // Without an autoexec section the block goes to the end, cycles too.
    const QStringList lines = TConverterRun::DOSBoxConfigLines({QStringLiteral("[cpu]")}, QStringLiteral("/t/CONV.BAT"),
                                                               {QStringLiteral("lastobj.xml")});
    QCOMPARE(lines, (QStringList{QStringLiteral("[cpu]"), QStringLiteral("[autoexec]"), QStringLiteral("mount c: \"/t/\""),
                                 QStringLiteral("mount x: ."), QStringLiteral("x:"),
                                 QStringLiteral("call c:\\CONV.BAT lastobj.xml"), QStringLiteral("exit"),
                                 QStringLiteral("cycles=max")}));
}

void tst_ConverterRun::dosBoxRealRun()
{
    const QString dosbox = QStandardPaths::findExecutable(QStringLiteral("dosbox"));
    if (dosbox.isEmpty())
        QSKIP("dosbox is not installed");
    setUpHost();
    m_host->addSource(source(QStringLiteral("prog.csv"), "through dos"), 1);
    const QString baseConfig = m_tmp->filePath(QStringLiteral("Settings/DOSBox.config"));
    QVERIFY(writeBytes(baseConfig, "[cpu]\r\ncycles=auto\r\n[autoexec]\r\n"));
    m_host->flags.DOSBoxActive = true;
    m_host->flags.DOSBoxConfigFile = baseConfig;
    m_host->flags.DOSBoxProgram = dosbox;
    QVERIFY(writeBytes(m_tools + QStringLiteral("/FAKE.BAT"), "@echo off\r\ncopy x:\\workinp\\CMP0001.CSV x:\\CMP0001.WSD\r\n"));
    m_host->programs[1] = m_tools + QStringLiteral("/FAKE.BAT");
    TConverterRun run(*m_host);

    runToEnd(run);

    QCOMPARE(fileBytes(m_host->out + QStringLiteral("/WSDLDir/prog.wsdl")), QByteArray("through dos"));
    QVERIFY(m_host->bar->has(QStringLiteral("warning: Analysis completed, processing finished")));
}

void tst_ConverterRun::countOrDeleteFiles_data()
{
    QTest::addColumn<int>("depth");
    QTest::addColumn<QString>("mask");
    QTest::addColumn<int>("count");
    QTest::addColumn<QStringList>("left");   // files left after deleting

    const QStringList all{QStringLiteral("CMP0001.CSV"), QStringLiteral("cmp0002.wsd"), QStringLiteral("CMPX001.CSV"),
                          QStringLiteral("notes.txt"), QStringLiteral("sub/CMP0003.CSV"),
                          QStringLiteral("sub/deeper/CMP0004.CSV")};
    const QString hidden = QStringLiteral(".hidden/CMP0005.CSV");
    QTest::newRow("mask depth 1") << 1 << "CMP####" << 2
                                  << QStringList{all[2], all[3], all[4], all[5], hidden, QStringLiteral(".dot.CSV")};
    QTest::newRow("mask depth 2") << 2 << "CMP####" << 3 << QStringList{all[2], all[3], all[5], hidden, QStringLiteral(".dot.CSV")};
    QTest::newRow("mask depth 3") << 3 << "cmp####" << 4 << QStringList{all[2], all[3], hidden, QStringLiteral(".dot.CSV")};
    QTest::newRow("no mask") << 99 << "" << 6 << QStringList{hidden, QStringLiteral(".dot.CSV")};
    QTest::newRow("every file") << 99 << "*.*" << 6 << QStringList{hidden, QStringLiteral(".dot.CSV")};
    QTest::newRow("depth 0") << 0 << "" << 0 << (all + QStringList{hidden, QStringLiteral(".dot.CSV")});
}

void tst_ConverterRun::countOrDeleteFiles()
{
    QFETCH(int, depth);
    QFETCH(QString, mask);
    QFETCH(int, count);
    QFETCH(QStringList, left);

    const QString root = m_tmp->filePath(QStringLiteral("tree"));
    for (const char *name : {"CMP0001.CSV", "cmp0002.wsd", "CMPX001.CSV", "notes.txt", "sub/CMP0003.CSV",
                             "sub/deeper/CMP0004.CSV", ".hidden/CMP0005.CSV", ".dot.CSV"})
        QVERIFY(writeBytes(root + QLatin1Char('/') + QLatin1String(name), "x"));
    auto files = [&] {
        QStringList found;
        QDirIterator it(root, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
        while (it.hasNext())
            found << it.next().mid(root.size() + 1);
        found.sort();
        return found;
    };
    const QStringList before = files();

    QCOMPARE(TConverterRun::CountOrDeleteFiles(root, QString(), depth, true, mask), count);
    QCOMPARE(files(), before);
    QCOMPARE(TConverterRun::CountOrDeleteFiles(m_tmp->path(), QStringLiteral("tree"), depth, false, mask), count);
    left.sort();
    QCOMPARE(files(), left);
    // Emptied folders go; the tree itself stays while hidden entries hold it.
    QCOMPARE(QFileInfo::exists(root + QStringLiteral("/sub")), left.join(QLatin1Char(',')).contains(QStringLiteral("sub/")));
    QVERIFY(QFileInfo::exists(root));
}

void tst_ConverterRun::countOrDeleteNeverFollowsLinks()
{
    const QString root = m_tmp->filePath(QStringLiteral("tree"));
    const QString elsewhere = m_tmp->filePath(QStringLiteral("elsewhere"));
    QVERIFY(writeBytes(root + QStringLiteral("/CMP0001.CSV"), "x"));
    QVERIFY(writeBytes(elsewhere + QStringLiteral("/CMP0009.CSV"), "not ours"));
    QVERIFY(QFile::link(elsewhere, root + QStringLiteral("/linked")));

    QCOMPARE(TConverterRun::CountOrDeleteFiles(root, QString(), 99, false, QString()), 1);
    QCOMPARE(fileBytes(elsewhere + QStringLiteral("/CMP0009.CSV")), QByteArray("not ours"));
}

void tst_ConverterRun::watcherHandsOverOnCreatingThread()
{
    // The shell's flavour: one more tick after the wait, then the completion;
    // all on this thread, while it waits with its events served.
    auto *watcher = new TTarvellToolWatcherThread;
    QPointer<TTarvellToolWatcherThread> guard(watcher);
    QThread *const ui = QThread::currentThread();
    int polls = 0;
    int ticks = 0;
    bool onUiThread = true;
    QStringList steps;
    watcher->TickAfterWait = true;
    watcher->ProcessEnded = [&] {
        onUiThread = onUiThread && QThread::currentThread() == ui;
        return ++polls == 3;
    };
    watcher->OnProgress = [&] {
        onUiThread = onUiThread && QThread::currentThread() == ui;
        // Waiting from inside a hand-over cannot succeed; it must not hang.
        if (ticks++ == 0)
            TTarvellToolWatcherThread::WaitFor(watcher);
        steps << QStringLiteral("tick");
    };
    watcher->OnCompleted = [&] {
        onUiThread = onUiThread && QThread::currentThread() == ui;
        steps << QStringLiteral("done");
    };
    watcher->Start();
    TTarvellToolWatcherThread::WaitFor(watcher);

    QVERIFY(onUiThread);
    QCOMPARE(steps, (QStringList{QStringLiteral("tick"), QStringLiteral("tick"), QStringLiteral("tick"),
                                 QStringLiteral("done")}));
    QTRY_VERIFY(guard.isNull());   // freed once it has ended
}

void tst_ConverterRun::runAndWaitWaitsForTheEnd()
{
    const QString folder = m_tmp->filePath(QStringLiteral("work place"));
    QDir().mkpath(folder);
    const QString program = writeScript(m_tmp->filePath(QStringLiteral("slow tool")), "sleep 0.3\necho \"$1\" > done.txt\n");

    QVERIFY(TConverterRun::RunAndWait(QLatin1Char('"') + program + QLatin1Char('"'), {QStringLiteral("a b")}, folder));
    QCOMPARE(fileBytes(folder + QStringLiteral("/done.txt")), QByteArray("a b\n"));
    QVERIFY(!TConverterRun::RunAndWait(m_tmp->filePath(QStringLiteral("missing")), {}, folder));
}

QTEST_GUILESS_MAIN(tst_ConverterRun)
#include "tst_converterrun.moc"
