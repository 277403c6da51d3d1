// The analysis shell window offscreen, through its named objects and the
// scripted dialog service.
#include "ShellGuiTestBase.h"

#include "FindDirectoryFrame.h"
#include "FindExecFrame.h"
#include "MyStatusBar.h"
#include "OstrinMain.h"
#include "RadioGroup.h"
#include "SharedRoutinesCommon.h"
#include "TextFile.h"
#include "ScriptedDialogs.h"
#include "CheckListModel.h"
#include "DropFilesHandler.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QLineEdit>
#include <QTreeView>
#include <QSignalSpy>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTableWidget>
#include <QToolButton>
#include <QtTest>

class TestOstrinMain : public QObject
{
    Q_OBJECT
private slots:
    void kinds_data();
    void kinds();
    void startWithoutSettingsIsFatal();
    void xmlExcludesSql_data();
    void xmlExcludesSql();
    void autoRunStartsTheAnalysis();
    void startAnalysisStagesRunsAndRenames();
    void autoRunAnalysesSavesAndCloses();
    void sourceListCommands();
    void runWhileRunningAndCancel();
    void closeDuringRun();
    void consoleCaptureShowsTheToolsLines();
    void languageSelectionFillsLists();
    void settingsApplyAndSave();
    void captionOverridesFollowTheLanguage();
    void extendedOptions();
    void limits_data();
    void limits();
    void metricWeights();
    void jobRoundTrip();
    void damagedJobFile_data();
    void damagedJobFile();
    void modifiedJobAsks_data();
    void modifiedJobAsks();
    void closeAsks();
    void droppedJobFile();
    void batchCheckOnOpen_data();
    void batchCheckOnOpen();
    void hostedMode();
    void hostedShellEntry();
};

namespace {

// One language on each of the four pages, each with its definitions below the tool root.
QStringList kindSettings(const QString &active)
{
    return {QStringLiteral("; a language on every page"),
            QStringLiteral("ActiveRadioButton=") + active,
            QStringLiteral("RadioButtonCob85=COBOL 85,COB85,COB85,1,ANSI 85"),
            QStringLiteral("RadioButtonReqText=Requirement texts,REQ,REQ,1,Plain text"),
            QStringLiteral("RadioButtonInstCob=COBOL,COB85,COB85,1,ANSI 85"),
            QStringLiteral("RadioButtonDefects=Problem reports,DEFI,DEFI,1,Standard"),
            QStringLiteral("COB85.Extras=(DirDepth=2)"),
            QStringLiteral("REQ.Extras=(DirDepth=0,Rules=N,MaxValues=N,Metrics=N,Specs=N,Functab=N)"),
            QStringLiteral("DEFI.Extras=(DirDepth=0,Analpar=N)"),
            QStringLiteral("FileCopy.SystemFileViewStyle=1")};
}

bool shown(QObject *o)
{
    if (auto *a = qobject_cast<QAction *>(o))
        return a->isVisible();
    return !qobject_cast<QWidget *>(o)->isHidden();
}

bool tabShown(QTabWidget *tabs, QWidget *page) { return tabs->isTabVisible(tabs->indexOf(page)); }

void leaveEdit(QLineEdit *edit, const QString &text)
{
    edit->setText(text);
    emit edit->editingFinished();
}

// Text and tick of each item, as a list compares them.
QStringList ticks(const QList<TCheckListItem> &items)
{
    QStringList out;
    for (const TCheckListItem &i : items)
        out << (i.checked ? "+" : "-") + i.text;
    return out;
}

QStringList weights(TfrmOstrinMain *w) { return w->Job->Definitions().Weights; }

// Chooses a weight for the current metric as the user does: Enter opens the chooser over it.
void chooseWeight(TfrmOstrinMain *w, int row, int weight)
{
    w->CheckListBoxMetrics->setCurrentRow(row);
    QTest::keyClick(w->CheckListBoxMetrics, Qt::Key_Return);
    QVERIFY(!w->ComboBoxMetricWeight->isHidden());
    w->ComboBoxMetricWeight->setCurrentIndex(weight);
    emit w->ComboBoxMetricWeight->activated(weight);
}

} // namespace

void TestOstrinMain::kinds_data()
{
    QTest::addColumn<QString>("program");
    QTest::addColumn<int>("hostTag");
    QTest::addColumn<QString>("active");
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QString>("page");
    QTest::addColumn<QString>("help");
    QTest::addColumn<QStringList>("shownObjects");
    QTest::addColumn<QStringList>("hiddenObjects");

    const QStringList jobActions{"ActOpenProject", "ActNewProject", "ActSaveProjectAs"};
    QTest::newRow("Tarvell") << "Tarvell" << 0 << "RadioButtonCob85" << 0 << "Tarvell main shell - COBOL 85"
                             << "TabSheetLanguage" << "HELP_TARVELL.HLP"
                             << QStringList{"BitBtnRankModules", "BitBtnSpecRanking", "BitBtnRankDeficiencies",
                                            "BitBtnCompoundMetrics", "ActViewDefis", "ActShowMetrics",
                                            "ActNameByDirectory", "ActOpenProject"}
                             << QStringList{"ActViewSpecs", "ActXMLEditor", "ActDefectStatistic", "BitBtnRunPreScanner"};
    // Row 1 carries kind number 2: its behaviour, not kind 1's.
    QTest::newRow("zemrik_tarvell") << "zemrik_tarvell" << 0 << "RadioButtonCob85" << 2
                                    << "Tarvell from Zemrik - COBOL 85" << "TabSheetLanguage" << "HELP_TARVELL.HLP"
                                    << QStringList{"BitBtnSpecRanking"}
                                    << (QStringList{"ActViewDefis", "ActShowMetrics", "BitBtnRankModules"} + jobActions);
    QTest::newRow("Wexom tag 2") << "Wexom" << 2 << "RadioButtonCob85" << 1 << "Tarvell from Wexom - COBOL 85"
                                 << "TabSheetLanguage" << "HELP_TARVELL.HLP"
                                 << QStringList{"ActViewDefis", "ActShowMetrics"}
                                 << (QStringList{"ActCompoundMetrics"} + jobActions);
    QTest::newRow("Mireth") << "Mireth" << 0 << "RadioButtonCob85" << 3 << "Mireth main shell - COBOL 85"
                            << "TabSheetLanguage" << "HELP_MIRETH.HLP"
                            << QStringList{"ActViewSpecs", "ActNewProject", "ActRunTool"}
                            << QStringList{"ActViewDefis", "ActShowMetrics", "BitBtnTransf", "BitBtnSearch"};
    QTest::newRow("Quenbar tag 3") << "Quenbar" << 3 << "RadioButtonCob85" << 4 << "Mireth main shell - COBOL 85"
                                   << "TabSheetLanguage" << "HELP_MIRETH.HLP" << QStringList{"ActViewSpecs"}
                                   << (QStringList{"ActViewDefis"} + jobActions);
    QTest::newRow("Brisel") << "Brisel" << 0 << "RadioButtonReqText" << 5 << "Brisel main shell - Requirement texts"
                            << "TabSheetTestSpec" << "HELP_BRISEL.HLP"
                            << QStringList{"GroupBoxTestCaseAnalysis", "ActViewTestCases", "ActShowMetrics", "ActNewProject"}
                            << QStringList{"ActViewDefis"};
    QTest::newRow("Wexom tag 1") << "Wexom" << 1 << "RadioButtonReqText" << 6 << "Brisel from Wexom - Requirement texts"
                                 << "TabSheetTestSpec" << "HELP_BRISEL.HLP" << QStringList{"ActViewTestCases"}
                                 << (QStringList{"GroupBoxTestCaseAnalysis"} + jobActions);
    QTest::newRow("Cavoth") << "Cavoth" << 0 << "RadioButtonInstCob" << 7 << "Cavoth main shell - COBOL"
                            << "TabSheetTestDoc" << "HELP_CAVOTH.HLP"
                            << QStringList{"ActRunTool", "ActToggleSelect", "PanelCommonRoot"}
                            << QStringList{"ActViewSpecs", "ActShowMetrics", "ActSelectMethodFile",
                                           "BitBtnProduceTestProfile", "BitBtnSelectTestCaseFile"};
    QTest::newRow("Pelmar") << "Pelmar" << 0 << "RadioButtonDefects" << 8 << "Pelmar main shell - Problem reports"
                            << "TabSheetDocTypes" << "HELP_CAVOTH.HLP"
                            << QStringList{"ActXMLEditor", "ActDefectStatistic", "BitBtnDefectStatistic",
                                           "BitBtnSpecRanking"}
                            << QStringList{"ActViewSpecs", "ActRankModules"};
    // No row: the empty row's kind 0 with empty names.
    QTest::newRow("quenbar tag 7") << "quenbar" << 7 << "RadioButtonCob85" << 0 << " - COBOL 85"
                                   << "TabSheetLanguage" << "HELP_TARVELL.HLP" << QStringList{"ActViewDefis", "ActRankModules"}
                                   << QStringList{"ActViewSpecs"};
}

void TestOstrinMain::kinds()
{
    QFETCH(QString, program);
    QFETCH(int, hostTag);
    QFETCH(QString, active);
    QFETCH(int, kind);
    TShellGuiTestBase t(program, hostTag, kindSettings(active));
    // A hosted kind gets its names and folders from its host.
    Ostrin::TShellHost host;
    host.ProductName = "ACME";
    host.SystemName = "billing";
    host.Version = "1";
    host.OutputDirectory = t.outputRoot();
    host.ProjectDirectory = t.jobsFolder();
    QVERIFY(t.start(Ostrin::IsHostedKind(kind) ? &host : nullptr));
    TfrmOstrinMain *w = t.window();
    QVERIFY2(w->MyStB->Severity() < 2, qPrintable(w->MyStB->Messages() + w->MyStB->LastMessage()));
    QCOMPARE(w->kind(), kind);
    QFETCH(QString, caption);
    QCOMPARE(w->windowTitle(), caption);
    QFETCH(QString, page);
    for (QWidget *p : {w->TabSheetLanguage, w->TabSheetTestSpec, w->TabSheetTestDoc, w->TabSheetDocTypes})
        QCOMPARE(tabShown(w->PageControlMain, p), p->objectName() == page);
    QCOMPARE(w->languageButton(active)->isChecked(), true);
    QFETCH(QString, help);
    QCOMPARE(QFileInfo(w->HelpFile).fileName(), help);
    // A hosted kind shows the names its host gave, the others their language page.
    const bool hosted = Ostrin::IsHostedKind(kind);
    QCOMPARE(w->PageControlMain->currentWidget(), hosted ? w->TabSheetNames : w->languagePage());
    QCOMPARE(w->EditProductName->isReadOnly(), hosted);
    QFETCH(QStringList, shownObjects);
    for (const QString &name : shownObjects) {
        QObject *o = w->findChild<QObject *>(name);
        QVERIFY2(o, qPrintable(name));
        QVERIFY2(shown(o), qPrintable(name + " hidden"));
    }
    QFETCH(QStringList, hiddenObjects);
    for (const QString &name : hiddenObjects) {
        QObject *o = w->findChild<QObject *>(name);
        QVERIFY2(!o || !shown(o), qPrintable(name + " shown"));
    }
    // "Start pre-scanner" exists for every kind and comes first among the extra buttons.
    QVERIFY(w->findChild<QPushButton *>("BitBtnRunPreScanner"));
}

void TestOstrinMain::startWithoutSettingsIsFatal()
{
    TShellGuiTestBase t("Brisel", 0, {}, {}, false);
    QVERIFY(!t.start());
    QVERIFY(t.window()->fatalStart());
    QCOMPARE(t.dialogs().lastMessage().text, QString("Fatal errors during start, application will be stopped"));
    QVERIFY(t.window()->MyStB->Messages().contains("No ini file is available for Brisel"));
    QVERIFY(!t.window()->isVisible());
}

void TestOstrinMain::xmlExcludesSql_data()
{
    QTest::addColumn<bool>("xmlInstalled");
    QTest::newRow("XML installed") << true;
    QTest::newRow("XML not installed") << false;
}

// Kind 2 offers either XML or the SQL languages, never both.
void TestOstrinMain::xmlExcludesSql()
{
    QFETCH(bool, xmlInstalled);
    QStringList settings = kindSettings("RadioButtonCob85");
    settings << "RadioButtonXML=XML,XML,XML,1,1.0" << "RadioButtonSQLDB2=SQL - DB2,SQLDB2,SQLDB2,1,V9"
             << "RadioButtonSQLMS=SQL - MS,SQLMS,SQLMS,1,2008";
    TShellGuiTestBase t("zemrik_tarvell", 0, settings);
    QVERIFY(QDir().mkpath(t.programFolder() + "/SQLDB2Audit"));
    QVERIFY(QDir().mkpath(t.programFolder() + "/SQLMSAudit"));
    if (xmlInstalled)
        QVERIFY(QDir().mkpath(t.programFolder() + "/XMLAudit"));
    else
        t.dialogs().answerMessage(mbNo);   // not rewritten
    Ostrin::TShellHost host;
    host.OutputDirectory = t.outputRoot();
    QVERIFY(t.start(&host));
    TfrmOstrinMain *w = t.window();
    QCOMPARE(w->languageButton("RadioButtonXML")->isEnabled(), xmlInstalled);
    QCOMPARE(w->languageButton("RadioButtonSQLDB2")->isEnabled(), !xmlInstalled);
    QCOMPARE(w->languageButton("RadioButtonSQLMS")->isEnabled(), !xmlInstalled);
    QVERIFY(w->languageButton("RadioButtonCob85")->isChecked());
}

// The analysis is asked for once the job is open; it passes the action gate first.
void TestOstrinMain::autoRunStartsTheAnalysis()
{
    QTemporaryDir jobs;
    const QString file = jobs.filePath("Auto.jmrt");
    TextFile::writeLines(file, {"StreamToIni.FileFormat=1", "[RadioButtons]", "ActiveRadioButton=RadioButtonCob85",
                                "[Properties]", "ProjectName=Auto", "ProjectProductName=ACME",
                                "ProjectSystemName=billing", "ProjectSystemVersion=1", "[Konyec szkazki]"});
    {
        TShellGuiTestBase t("Mireth", 0, TShellGuiTestBase::exampleSettings("Mireth"), {"-ar:anal"});
        QVERIFY(t.start());
        QCOMPARE(t.window()->AutoRun, Ostrin::TAutoRun::Analysis);
        QCOMPARE(t.window()->MyStB->LastMessage(), QString("Product name missing or incorrect"));
    }
    TShellGuiTestBase t("Mireth", 0, TShellGuiTestBase::exampleSettings("Mireth"), {"-ar:anal", "-Proj:" + file});
    QVERIFY(t.start());
    QCOMPARE(t.window()->Job->JobName(), QString("Auto"));
    // Past the gate, the preparation finds nothing to analyse.
    QCOMPARE(t.window()->MyStB->LastMessage(), QString("No files are selected for processing!"));
}

namespace {

// The hosted re-documentation shell on COBOL 85, its sources dropped on the file list.
Ostrin::TShellHost cobolHost(const TShellGuiTestBase &t)
{
    Ostrin::TShellHost host;
    host.OutputDirectory = t.outputRoot();
    host.ActiveLanguage = "RadioButtonCob85";
    host.ProductName = "ACME";
    host.SystemName = "ORDERS";
    host.Version = "1.0";
    host.ProjectDirectory = t.jobsFolder() + "/";
    return host;
}

void dropOnFileList(TfrmOstrinMain *w, const QStringList &paths)
{
    for (TDropFilesHandler *h : w->findChildren<TDropFilesHandler *>())
        if (h->Target() == w->GroupBoxSelectedFiles)
            h->dropFiles(paths);
}

void installAnalyser(const TShellGuiTestBase &t, const QString &program)
{
    const QString target = t.programFolder() + "/COBReDoc/COBReDoc";
    QFile::remove(target);
    QVERIFY(QFile::copy(program, target));
    QFile(target).setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

} // namespace

// "Start Analysis" with our COBOL analyser: the dropped tree is staged, the
// analyser runs under the watcher, and its results come back under the tree.
void TestOstrinMain::startAnalysisStagesRunsAndRenames()
{
    TShellGuiTestBase t("Quenbar", 3, TShellGuiTestBase::exampleSettings("Quenbar_Mireth"));
    installAnalyser(t, QUENBAR_COBREDOC);
    Ostrin::TShellHost host = cobolHost(t);
    QVERIFY(t.start(&host));
    TfrmOstrinMain *w = t.window();
    dropOnFileList(w, {QUENBAR_EXAMPLES_DIR "/cobol/ORDERS"});
    QCOMPARE(w->CheckListBoxSelectedFiles->model()->rowCount(), 7);
    QCOMPARE(w->GroupBoxSelectedFiles->title(), QString("Source files of the project (7)"));
    QCOMPARE(w->EditCommonRoot->text(), QString(QUENBAR_EXAMPLES_DIR "/cobol/ORDERS"));
    // Ticked sources show their path below it with their component and module.
    const QAbstractItemModel *list = w->CheckListBoxSelectedFiles->model();
    QCOMPARE(list->index(0, 0).data().toString(), QString("BATCH/ORDBATCH/ORDBATCH.cbl"));
    QCOMPARE(list->index(0, 1).data().toString(), QString("BATCH"));
    QCOMPARE(list->index(0, 2).data().toString(), QString("ORDBATCH"));
    QCOMPARE(list->index(0, 0).data(Qt::CheckStateRole).toInt(), int(Qt::Checked));
    QVERIFY(w->Job->Modified());

    QSignalSpy finished(&w->Analysis->Runner, &TToolRunner::runFinished);
    w->ActRunTool->trigger();
    QVERIFY(finished.count() > 0 || finished.wait(30000));
    QCOMPARE(finished.first().first().toBool(), false);
    const QString out = t.outputRoot() + "/COB85";
    QCOMPARE(w->Job->OutputDirectory(), out);
    for (const char *result : {"/Exports/BATCH/RATECALC/RATECALC.csv", "/Metrics/BATCH/RATECALC/RATECALC.met",
                               "/Metrics/BATCH/RATECALC.met", "/Defis/ONLINE/CUSTINQ/CUSTINQ.def"})
        QVERIFY2(QFile::exists(out + result), result);
    QVERIFY(!QFileInfo::exists(out + "/Exports/SRC0001.csv"));
    QVERIFY(!QFileInfo::exists(out + "/workinp"));
    QCOMPARE(w->MyStB->LastMessage(), QString("Analysis completed, processing finished"));
    QVERIFY(!w->ActCancelRun->isEnabled());
    QVERIFY(!w->Job->BatchRunning());
    QVERIFY(w->windowTitle().contains(" Last batch runtime: "));
    QVERIFY(w->NewFileNames->toPlainText().contains("XCPY0000="));
    QVERIFY(w->PanelProgress->isHidden());
    // The job keeps its sources and maps: a save and reopen brings them back.
    t.dialogs().answerFile(t.jobsFolder() + "/Orders.jmrt");   // a new job is saved under a name first
    QVERIFY2(w->runCommand([w] { w->Job->SaveJob(false); }), qPrintable(w->MyStB->LastMessage()));
    const QString saved = host.SavedJobFile;
    QVERIFY(QFile::exists(saved));
    QCOMPARE(host.ProjectSubVersion, w->Job->LanguageVersion());
    QCOMPARE(host.OutputDirectory, out);
    w->Analysis->Sources.Clear();
    w->runCommand([w, &saved] { w->Job->LoadJob(saved); });
    QCOMPARE(w->CheckListBoxSelectedFiles->model()->rowCount(), 7);
    QVERIFY(w->NewFileNames->toPlainText().contains("XCPY0000="));
}

// An analyser that runs until it is asked to stop.
void installSlowAnalyser(const TShellGuiTestBase &t)
{
    const QString slow = t.path("slow-analyser");
    QFile script(slow);
    QVERIFY(script.open(QIODevice::WriteOnly));
    script.write("#!/bin/sh\nwhile [ ! -f Semaphore.xml ]; do sleep 0.05; done\n");
    script.close();
    installAnalyser(t, slow);
}

// The file dialog, the folder dialog and the list commands on the source
// list and the irrelevant names, each followed by the structure.
void TestOstrinMain::sourceListCommands()
{
    TShellGuiTestBase t("Quenbar", 3, TShellGuiTestBase::exampleSettings("Quenbar_Mireth"));
    Ostrin::TShellHost host = cobolHost(t);
    QVERIFY(t.start(&host));
    TfrmOstrinMain *w = t.window();
    const QString orders = QUENBAR_EXAMPLES_DIR "/cobol/ORDERS";
    t.dialogs().answerFiles({orders + "/BATCH/ORDBATCH/ORDBATCH.cbl", orders + "/BATCH/ORDRPT/ordrpt.cob"});
    w->ActAddfiles->trigger();
    const TAskedDialog files = t.dialogs().asked().last();
    QCOMPARE(files.text, QString("Add files to process to the project"));
    QCOMPARE(files.filter, QString("COBOL programs (*.cbl *.cob);;Copybooks (*.cpy)"));
    QCOMPARE(w->GroupBoxSelectedFiles->title(), QString("Source files of the project (2)"));
    t.dialogs().answerDirectory(orders + "/ONLINE");
    w->ActAddDirectories->trigger();
    QCOMPARE(w->Analysis->Sources.Count(), 3);
    QVERIFY(!w->ActCalculateCommonRootStrict->isVisible());

    // Without a list to act on, the command says so.
    w->ActToggleSelect->trigger();
    QCOMPARE(w->MyStB->LastMessage(), QString("Click on a checklistbox first to use this function!"));
    // A double click reverses the ticks of that list.
    QTreeView *list = w->CheckListBoxSelectedFiles;
    list->setCurrentIndex(list->model()->index(0, 0));
    emit list->doubleClicked(list->model()->index(0, 0));
    QCOMPARE(w->Analysis->Sources.TickedCount(), 0);
    // The component of the current file is ticked as a whole, the caption follows.
    list->setFocus();
    list->setCurrentIndex(list->model()->index(0, 0));
    QCOMPARE(w->ActToggleComponent->text(), QString("Select the whole component"));
    w->ActToggleComponent->trigger();
    QCOMPARE(w->Analysis->Sources.TickedCount(), 2);   // both BATCH programs
    list->setCurrentIndex(list->model()->index(1, 0));
    QCOMPARE(w->ActToggleComponent->text(), QString("Deselect the whole component"));
    w->ActRemoveFiles->trigger();
    QCOMPARE(w->Analysis->Sources.Count(), 2);
    QCOMPARE(w->GroupBoxSelectedFiles->title(), QString("Source files of the project (2)"));

    // An irrelevant module name ticked by hand changes the structure.
    TCheckListModel &modules = w->Analysis->Sources.ModuleNames();
    QVERIFY(modules.Lines().contains("ORDBATCH"));
    const int row = int(modules.Lines().indexOf("ORDBATCH"));
    modules.setData(modules.index(row), Qt::Checked, Qt::CheckStateRole);
    // The folder of that name is left out of the file's path.
    QCOMPARE(w->Analysis->Sources.DerivedAt(0).Compacted, orders + "/BATCH/ORDBATCH.cbl");
    QVERIFY(w->Job->Modified());
}

// "-AutoRun:Anal" on a job with sources: the analysis runs, the job is saved
// and the shell closes by itself.
void TestOstrinMain::autoRunAnalysesSavesAndCloses()
{
    QTemporaryDir jobs;
    const QString file = jobs.filePath("Orders.jmrt");
    TShellGuiTestBase t("Mireth", 0, TShellGuiTestBase::exampleSettings("Mireth"), {"-ar:anal", "-Proj:" + file});
    installAnalyser(t, QUENBAR_COBREDOC);
    const QString out = t.outputRoot() + "/COB85";
    QStringList job{"StreamToIni.FileFormat=1", "[RadioButtons]", "ActiveRadioButton=RadioButtonCob85", "[Properties]",
                    "ProjectName=Orders", "ProjectProductName=ACME", "ProjectSystemName=ORDERS",
                    "ProjectSystemVersion=1", "[Form - frmOstrinMain]", "[TFrames]",
                    "frmOstrinMain.FrameFindDirectoryOutputDir.Edit=" + out, "[CheckListBoxes]",
                    "[TCheckListBox - frmOstrinMain.CheckListBoxSelectedFiles]",
                    "frmOstrinMain.CheckListBoxSelectedFiles=CheckListBoxSelectedFiles"};
    for (const char *source : {"/BATCH/ORDBATCH/ORDBATCH.cbl", "/BATCH/RATECALC/RATECALC.cbl"})
        job << QString("YY") + QUENBAR_EXAMPLES_DIR "/cobol/ORDERS" + source;
    job << "[Konyec szkazki]";
    TextFile::writeLines(file, job);
    QVERIFY(QDir().mkpath(out + "/Metrics"));   // used before: nobody is asked
    std::unique_ptr<QSignalSpy> closed;
    QVERIFY(t.start(nullptr, [&closed](TfrmOstrinMain *w) {
        closed = std::make_unique<QSignalSpy>(w, &TfrmOstrinMain::closed);
    }));
    QVERIFY(closed->count() > 0 || closed->wait(30000));
    QVERIFY(QFile::exists(out + "/Exports/BATCH/RATECALC/RATECALC.csv"));
    QVERIFY(QFile::exists(out + "/Defis/BATCH/ORDBATCH/ORDBATCH.def"));
    const QString saved = TextFile::readText(file);
    QVERIFY(saved.contains("BatchRunning=N"));
    QVERIFY(saved.contains("NewFileNames"));
}

// A run is one at a time; the cancel request ends it, the window stays usable.
void TestOstrinMain::runWhileRunningAndCancel()
{
    TShellGuiTestBase t("Quenbar", 3, TShellGuiTestBase::exampleSettings("Quenbar_Mireth"));
    installSlowAnalyser(t);
    Ostrin::TShellHost host = cobolHost(t);
    QVERIFY(t.start(&host));
    TfrmOstrinMain *w = t.window();
    dropOnFileList(w, {QUENBAR_EXAMPLES_DIR "/cobol/ORDERS/BATCH"});
    QSignalSpy finished(&w->Analysis->Runner, &TToolRunner::runFinished);
    w->ActRunTool->trigger();
    QVERIFY2(w->Job->BatchRunning(), qPrintable(w->MyStB->LastMessage()));
    QVERIFY(w->ActCancelRun->isEnabled());
    QVERIFY(w->PanelProgress->isVisible());
    w->ActRunTool->trigger();
    QCOMPARE(w->MyStB->LastMessage(), QString("Only viewing,Save,Cancel & Exit are allowed when processing"));
    QCOMPARE(finished.count(), 0);

    t.dialogs().answerMessage(mbYes);   // "Do you really want to cancel processing?"
    w->ActCancelRun->trigger();
    QCOMPARE(finished.count(), 1);
    QCOMPARE(finished.first().first().toBool(), true);
    QCOMPARE(w->MyStB->LastMessage(), QString("Background process cancelled!"));
    QVERIFY(!w->Job->BatchRunning());
    QVERIFY(!w->ActCancelRun->isEnabled());
    // Nothing of the sources was touched; the shell takes commands again.
    QVERIFY(QFile::exists(QUENBAR_EXAMPLES_DIR "/cobol/ORDERS/BATCH/RATECALC/RATECALC.cbl"));
    w->ActCalculateCommonRoot->trigger();
    QVERIFY(w->MyStB->LastMessage() != QString("Only viewing,Save,Cancel & Exit are allowed when processing"));
}

// With console capture the tool runs through the relay: its lines come live
// into the console pane, count the sources, and are kept as "Console.log".
void TestOstrinMain::consoleCaptureShowsTheToolsLines()
{
    QStringList settings = TShellGuiTestBase::exampleSettings("Quenbar_Mireth");
    settings.replaceInStrings("Runcontrol.SystemCaptureConsole=N", "Runcontrol.SystemCaptureConsole=Y");
    TShellGuiTestBase t("Quenbar", 3, settings);
    installAnalyser(t, QUENBAR_COBREDOC);
    QVERIFY(QFile::copy(QUENBAR_CONSOLE_STUB, t.programFolder() + "/console_stub"));
    Ostrin::TShellHost host = cobolHost(t);
    QVERIFY(t.start(&host));
    TfrmOstrinMain *w = t.window();
    QVERIFY(w->ActHideConsole->isVisible() && !w->ActShowConsole->isVisible());
    dropOnFileList(w, {QUENBAR_EXAMPLES_DIR "/cobol/ORDERS/BATCH"});
    QSignalSpy finished(&w->Analysis->Runner, &TToolRunner::runFinished);
    w->ActRunTool->trigger();
    QVERIFY(finished.count() > 0 || finished.wait(30000));
    const QStringList pane = w->MemoConsole->toPlainText().split('\n');
    QCOMPARE(pane.filter("Orig Source File = ").size(), 3);
    QVERIFY(pane.filter("COBReDoc: 3 of 3 source(s) analysed").size() == 1);
    QCOMPARE(TextFile::readLines(t.outputRoot() + "/COB85/Console.log"), pane);
    QCOMPARE(w->Analysis->Runner.Progress().modulesPosition, 3);
    QVERIFY(w->Analysis->Runner.Progress().caption.startsWith("Started processing project "));
    QVERIFY(w->Analysis->Runner.Progress().caption.contains("Entity 3 of 3 - "));
}

// Closing while a batch runs asks; a yes stops the tool and keeps the shell
// open with the run ended, and the next close closes it with the job saved.
void TestOstrinMain::closeDuringRun()
{
    TShellGuiTestBase t("Quenbar", 3, TShellGuiTestBase::exampleSettings("Quenbar_Mireth"));
    installSlowAnalyser(t);
    Ostrin::TShellHost host = cobolHost(t);
    QVERIFY(t.start(&host));
    TfrmOstrinMain *w = t.window();
    dropOnFileList(w, {QUENBAR_EXAMPLES_DIR "/cobol/ORDERS/BATCH"});
    QSignalSpy finished(&w->Analysis->Runner, &TToolRunner::runFinished);
    w->ActRunTool->trigger();
    QVERIFY(w->Job->BatchRunning());

    t.dialogs().answerMessage(mbNo);
    QVERIFY(!t.close());
    QVERIFY(w->Job->BatchRunning());
    QCOMPARE(finished.count(), 0);
    t.dialogs().answerMessage(mbYes);
    QVERIFY(!t.close());
    QVERIFY(t.dialogs().lastMessage().text.startsWith("You are running a batch process in the background."));
    QCOMPARE(finished.count(), 1);
    QVERIFY(!w->Job->BatchRunning());
    QCOMPARE(w->MyStB->LastMessage(), QString("Background process cancelled!"));
    QVERIFY(t.close());
    QVERIFY(QFile::exists(host.SavedJobFile));
}

void TestOstrinMain::languageSelectionFillsLists()
{
    TShellGuiTestBase t("Mireth", 0, TShellGuiTestBase::exampleSettings("Mireth"));
    QVERIFY(t.start());
    TfrmOstrinMain *w = t.window();
    QCOMPARE(w->windowTitle(), QString("Mireth main shell - COBOL 85"));
    QCOMPARE(w->PageControlMain->currentWidget(), w->TabSheetLanguage);
    QVERIFY(w->languageButton("RadioButtonCob85")->isChecked());
    QVERIFY(w->languageButton("RadioButtonJava1")->isEnabled());
    QVERIFY(!w->languageButton("RadioButtonPLI")->isEnabled());   // no entry
    QCOMPARE(w->FrameFindDirectoryOutputDir->Edit->text(), t.outputRoot());
    QCOMPARE(w->FrameFindexecRules->Edit->text(), t.programFolder() + "/COB85ReDoc/Rules.COB85");

    // Every list from the example definition files, all ticked, weights normal.
    QCOMPARE(w->CheckListBoxRules->count(), 10);
    QCOMPARE(w->CheckListBoxRules->item(0)->data(Qt::UserRole).toString(), QString("R001 GO TO statement used"));
    QCOMPARE(w->CheckListBoxMetrics->count(), 8);
    QVERIFY(w->CheckListBoxMetrics->item(2)->text().contains("CYCL Cyclomatic complexity"));
    QCOMPARE(weights(w), QStringList(8, "1"));
    QCOMPARE(w->CheckListBoxSpecs->count(), 5);
    QCOMPARE(w->CheckListBoxFunctab->count(), 7);
    for (QListWidget *l : {w->CheckListBoxRules, w->CheckListBoxMetrics, w->CheckListBoxSpecs, w->CheckListBoxFunctab})
        for (int i = 0; i < l->count(); ++i)
            QCOMPARE(l->item(i)->checkState(), Qt::Checked);
    QCOMPARE(w->StringGridNumParams->rowCount(), 5);
    QCOMPARE(w->StringGridNumParams->item(0, 0)->text(), QString("Maximal statements per module"));
    QCOMPARE(w->StringGridNumParams->item(0, 1)->text(), QString("   500"));
    QCOMPARE(w->StringGridNumParams->item(0, 2)->text(), QString("MAXSTMT"));
    QVERIFY(w->StringGridNumParams->isColumnHidden(2));

    // Versions: the first is chosen, another can be.
    QVERIFY(!w->RadioGroupLanguageVersion->isHidden());
    QCOMPARE(w->RadioGroupLanguageVersion->Items(), QStringList({"IBM Enterprise", "Micro Focus", "ANSI 85"}));
    QCOMPARE(w->Job->LanguageVersion(), QString("IBM Enterprise"));
    w->RadioGroupLanguageVersion->Button(2)->click();
    QCOMPARE(w->Job->LanguageVersion(), QString("ANSI 85"));

    // Another language: a new job with its own definitions and search keys.
    w->languageButton("RadioButtonJava1")->click();
    QCOMPARE(w->windowTitle(), QString("Mireth main shell - Java 1"));
    QVERIFY(!w->languageButton("RadioButtonCob85")->isChecked());
    QVERIFY(w->languageButton("RadioButtonJava1")->isChecked());
    QCOMPARE(w->CheckListBoxRules->count(), 7);
    QCOMPARE(w->CheckListBoxSpecs->count(), 4);
    QCOMPARE(w->StringGridNumParams->item(0, 1)->text(), QString("    60"));
    QCOMPARE(w->RadioGroupLanguageVersion->Items(), QStringList({"1.4", "5.0"}));
    QVERIFY(w->ActSearch->isVisible());
    QVERIFY(!w->GroupBoxSearch->isHidden());
    QCOMPARE(w->ComboBoxSearchType->count(), 3);
    QCOMPARE(w->ComboBoxSearchType->currentText(), QString("Program"));
    QCOMPARE(w->ComboBoxControlWordType->itemText(w->ComboBoxControlWordType->count() - 1), QString("????"));
}

void TestOstrinMain::settingsApplyAndSave()
{
    TShellGuiTestBase t("Mireth", 0, TShellGuiTestBase::exampleSettings("Mireth"));
    QVERIFY(t.start());
    TfrmOstrinMain *w = t.window();
    const QStringList before = TextFile::readLines(t.settingsPath());
    QVERIFY(w->GroupBoxSettings->title().endsWith("/Mireth.INI"));

    // Java's analyser folder goes missing: the language is no longer installed.
    QString text = w->MemoToolNameDefault->toPlainText();
    text.replace("Procpgm=JAV1ReDoc\\JAV1ReDoc", "Procpgm=Missing\\JAV1ReDoc");
    w->MemoToolNameDefault->setPlainText(text);
    t.dialogs().answerMessage(mbNo);   // not rewritten yet
    w->ButtonApplyINI->click();
    QVERIFY(t.dialogs().lastMessage().text.endsWith("Errors occured durig installation, rewrite ini file?"));
    QVERIFY(!w->languageButton("RadioButtonJava1")->isEnabled());
    QVERIFY(w->languageButton("RadioButtonCob85")->isEnabled());
    QVERIFY(w->MemoToolNameDefault->toPlainText().contains("\nNot installed RadioButtonJava1=Java 1"));
    QVERIFY(w->MyStB->Messages().contains("Product reference Java 1,JAV1"));
    QCOMPARE(TextFile::readLines(t.settingsPath()), before);

    // Saving writes the text with its stamp and applies it again.
    t.dialogs().clearAsked();
    w->ButtonWriteINIFile->click();
    const QStringList after = TextFile::readLines(t.settingsPath());
    QVERIFY(after.contains("Not installed RadioButtonJava1=Java 1,JAV1,JAV1,2,1.4,5.0"));
    QVERIFY(after.contains("COB85.Extras=(DirDepth=2,Exports=Y,Procpgm=COBReDoc\\COBReDoc)"));
    QCOMPARE(after.first(), before.first());   // comments and order kept
    QVERIFY(after[1].startsWith("Date Written="));
    QVERIFY(after[1] != before[1]);
    QVERIFY(!w->languageButton("RadioButtonJava1")->isEnabled());
    QCOMPARE(t.dialogs().messageCount(), 0);
}

void TestOstrinMain::captionOverridesFollowTheLanguage()
{
    QStringList settings = TShellGuiTestBase::exampleSettings("Mireth");
    settings << "COB85.Captions=(ActRunTool=*,ActViewSpecs=\"Open listings\")";
    TShellGuiTestBase t("Mireth", 0, settings);
    QVERIFY(t.start());
    TfrmOstrinMain *w = t.window();
    QVERIFY(!w->ActRunTool->isVisible());
    QVERIFY(w->BitBtnRunTool->isHidden());
    QCOMPARE(w->ActViewSpecs->text(), QString("Open listings"));
    w->languageButton("RadioButtonJava1")->click();
    QVERIFY(w->ActRunTool->isVisible());
    QCOMPARE(w->ActViewSpecs->text(), QString("Open specification listings"));
}

void TestOstrinMain::extendedOptions()
{
    {
        TShellGuiTestBase t("Mireth", 0, TShellGuiTestBase::exampleSettings("Mireth"));
        QVERIFY(t.start());
        QVERIFY(!t.window()->ActShowAdvanced->isVisible());
        QVERIFY(!t.window()->ActWriteINIFile->isVisible());
    }
    {
        // Debug mode starts the extended options switched on, when they are offered.
        QStringList settings = TShellGuiTestBase::exampleSettings("Mireth");
        settings.replaceInStrings("Runcontrol.DebugMode=N", "Runcontrol.DebugMode=Y");
        TShellGuiTestBase t("Mireth", 0, settings, {"-ShowAdvanced"});
        QVERIFY(t.start());
        QVERIFY(t.window()->ActShowAdvanced->isChecked());
        QVERIFY(tabShown(t.window()->PageControlMain, t.window()->TabSheetTech));
    }
    TShellGuiTestBase t("Mireth", 0, TShellGuiTestBase::exampleSettings("Mireth"), {"-ShA"});
    QVERIFY(t.start());
    TfrmOstrinMain *w = t.window();
    QVERIFY(w->ActShowAdvanced->isVisible());
    QVERIFY(!w->ActShowAdvanced->isChecked());
    QVERIFY(!tabShown(w->PageControlMain, w->TabSheetTech));
    w->ActShowAdvanced->trigger();
    QVERIFY(w->ActShowAdvanced->isChecked());
    QVERIFY(tabShown(w->PageControlMain, w->TabSheetTech));
    QVERIFY(w->ActWriteINIFile->isVisible());
    QVERIFY(!w->PageControlHelper->isHidden());
    QCOMPARE(w->PageControlMain->currentWidget(), w->TabSheetNames);
    w->ActShowAdvanced->trigger();
    QVERIFY(!tabShown(w->PageControlMain, w->TabSheetTech));
    QVERIFY(!w->ActWriteINIFile->isVisible());
}

void TestOstrinMain::limits_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("cell");
    QTest::addColumn<QString>("stored");
    QTest::addColumn<QString>("error");
    QTest::newRow("seven digits") << "1234567" << "1234567" << "   500" << "Max six digits are allowed!";
    QTest::newRow("not a number") << "12a" << "12a" << "   500" << "Only numeric constants are allowed!";
    QTest::newRow("empty") << "" << "" << "   500" << "Only numeric constants are allowed!";
    QTest::newRow("number") << "42" << "    42" << "    42" << "";
    QTest::newRow("blanks around") << " 7 " << "     7" << "     7" << "";
    QTest::newRow("six digits") << "999999" << "999999" << "999999" << "";
}

void TestOstrinMain::limits()
{
    QFETCH(QString, typed);
    TShellGuiTestBase t("Mireth", 0, TShellGuiTestBase::exampleSettings("Mireth"));
    QVERIFY(t.start());
    TfrmOstrinMain *w = t.window();
    QVERIFY(!w->Job->Modified());
    w->StringGridNumParams->item(0, 1)->setText(typed);
    QFETCH(QString, cell);
    QCOMPARE(w->StringGridNumParams->item(0, 1)->text(), cell);
    QFETCH(QString, stored);
    QCOMPARE(w->Job->Definitions().Limits[0].Number, stored);
    QFETCH(QString, error);
    if (!error.isEmpty())
        QCOMPARE(w->MyStB->LastMessage(), error);
    else
        QVERIFY(w->MyStB->Severity() < 2);
    QVERIFY(w->Job->Modified());
    // Only the number can be edited.
    QVERIFY(!(w->StringGridNumParams->item(0, 0)->flags() & Qt::ItemIsEditable));
}

void TestOstrinMain::metricWeights()
{
    TShellGuiTestBase t("Mireth", 0, TShellGuiTestBase::exampleSettings("Mireth"));
    QVERIFY(t.start());
    TfrmOstrinMain *w = t.window();
    chooseWeight(w, 1, 0);
    QVERIFY(w->ComboBoxMetricWeight->isHidden());
    QCOMPARE(weights(w)[1], QString("0"));
    QCOMPARE(w->CheckListBoxMetrics->item(1)->checkState(), Qt::Unchecked);
    QVERIFY(w->CheckListBoxMetrics->item(1)->text().startsWith("Off"));
    QVERIFY(w->Job->Modified());

    // Ticking it again makes it normal.
    w->CheckListBoxMetrics->item(1)->setCheckState(Qt::Checked);
    QCOMPARE(weights(w)[1], QString("1"));

    chooseWeight(w, 3, 3);
    QCOMPARE(weights(w)[3], QString("3"));
    QVERIFY(w->CheckListBoxMetrics->item(3)->text().startsWith("High"));

    // A click right of the tick box opens the chooser; moving away takes the choice.
    w->PageControlMain->setCurrentWidget(w->TabSheetAnalPar);
    w->PageControlAnalPar->setCurrentWidget(w->TabSheetMetrics);
    QWidget *viewport = w->CheckListBoxMetrics->viewport();
    const QRect item = w->CheckListBoxMetrics->visualItemRect(w->CheckListBoxMetrics->item(5));
    QTest::mouseClick(viewport, Qt::LeftButton, {}, QPoint(item.left() + 120, item.center().y()));
    QTRY_VERIFY(!w->ComboBoxMetricWeight->isHidden());
    QCOMPARE(w->CheckListBoxMetrics->currentRow(), 5);
    w->ComboBoxMetricWeight->setCurrentIndex(2);
    QTest::mouseMove(viewport, QPoint(item.left() + 300, item.bottom() + 60));
    QTRY_VERIFY(w->ComboBoxMetricWeight->isHidden());
    QCOMPARE(weights(w)[5], QString("2"));

    // Escape leaves the weight as it was.
    w->CheckListBoxMetrics->setCurrentRow(3);
    QTest::keyClick(w->CheckListBoxMetrics, Qt::Key_Return);
    QCOMPARE(w->ComboBoxMetricWeight->currentIndex(), 3);
    w->ComboBoxMetricWeight->setCurrentIndex(0);
    QTest::keyClick(w->ComboBoxMetricWeight, Qt::Key_Escape);
    QVERIFY(w->ComboBoxMetricWeight->isHidden());
    QCOMPARE(weights(w)[3], QString("3"));
}

void TestOstrinMain::jobRoundTrip()
{
    TShellGuiTestBase t("Mireth", 0, TShellGuiTestBase::exampleSettings("Mireth"));
    QVERIFY(t.start());
    TfrmOstrinMain *w = t.window();
    w->RadioGroupLanguageVersion->Button(1)->click();
    leaveEdit(w->EditProductName, "ACME");
    leaveEdit(w->EditSystemName, "billing");
    leaveEdit(w->EditSystemVersion, "2.10");
    w->CheckListBoxRules->item(2)->setCheckState(Qt::Unchecked);
    w->CheckListBoxSpecs->item(0)->setCheckState(Qt::Unchecked);
    chooseWeight(w, 0, 3);
    chooseWeight(w, 4, 0);
    w->StringGridNumParams->item(1, 1)->setText("8");
    w->CheckBoxComments->setChecked(false);
    QVERIFY(w->Job->Modified());
    QVERIFY(w->ActSaveProject->isEnabled());
    const TDefinitionLists saved = w->Job->Definitions();

    const QString file = t.jobsFolder() + "/round.jmrt";
    t.dialogs().answerFile(file);
    w->ActSaveProjectAs->trigger();
    QVERIFY2(QFile::exists(file), qPrintable(w->MyStB->Messages()));
    QVERIFY(!w->Job->Modified());
    QVERIFY(!w->ActSaveProject->isEnabled());
    QCOMPARE(w->Job->JobName(), QString("round"));
    QVERIFY(w->windowTitle().contains("[round]"));

    // A new job: the lists start over.
    w->ActNewProject->trigger();
    QCOMPARE(w->EditProductName->text(), QString());
    QCOMPARE(w->CheckListBoxRules->item(2)->checkState(), Qt::Checked);
    QCOMPARE(weights(w)[0], QString("1"));
    QVERIFY(w->CheckBoxComments->isChecked());

    t.dialogs().answerFile(file);
    w->ActOpenProject->trigger();
    QVERIFY2(w->MyStB->Severity() < 2, qPrintable(w->MyStB->Messages()));
    QCOMPARE(w->EditProductName->text(), QString("ACME"));
    QCOMPARE(w->EditSystemName->text(), QString("billing"));
    QCOMPARE(w->EditSystemVersion->text(), QString("2.10"));
    QCOMPARE(w->Job->LanguageVersion(), QString("Micro Focus"));
    QCOMPARE(w->RadioGroupLanguageVersion->ItemIndex(), 1);
    const TDefinitionLists &loaded = w->Job->Definitions();
    QCOMPARE(ticks(loaded.Rules), ticks(saved.Rules));
    QCOMPARE(ticks(loaded.Metrics), ticks(saved.Metrics));
    QCOMPARE(ticks(loaded.Specs), ticks(saved.Specs));
    QCOMPARE(ticks(loaded.Functab), ticks(saved.Functab));
    QCOMPARE(loaded.Weights, saved.Weights);
    QCOMPARE(loaded.Limits.size(), saved.Limits.size());
    for (int i = 0; i < saved.Limits.size(); ++i) {
        QCOMPARE(loaded.Limits[i].Key, saved.Limits[i].Key);
        QCOMPARE(loaded.Limits[i].Number, saved.Limits[i].Number);
    }
    QCOMPARE(w->StringGridNumParams->item(1, 1)->text(), QString("     8"));
    QCOMPARE(w->CheckListBoxRules->item(2)->checkState(), Qt::Unchecked);
    QCOMPARE(w->CheckListBoxMetrics->item(4)->checkState(), Qt::Unchecked);
    QVERIFY(!w->CheckBoxComments->isChecked());
    QVERIFY(w->CheckBoxAudit->isChecked());
    QCOMPARE(w->FrameFindDirectoryOutputDir->Edit->text(), t.outputRoot());
    QVERIFY(!w->Job->Modified());
    QCOMPARE(w->PageControlMain->currentWidget(), w->TabSheetNames);
    // The settings text stays the settings file's.
    QVERIFY(!TextFile::readLines(file).join("\n").contains("MemoToolNameDefault"));
}

void TestOstrinMain::damagedJobFile_data()
{
    QTest::addColumn<QStringList>("lines");
    QTest::newRow("language not installed")
        << QStringList{"StreamToIni.FileFormat=1", "[RadioButtons]", "ActiveRadioButton=RadioButtonPLI", "[Properties]",
                       "ProjectName=Other", "ProjectProductName=ACME", "[Konyec szkazki]"};
    QTest::newRow("truncated") << QStringList{"StreamToIni.FileFormat=1", "[Radio"};
    QTest::newRow("bad product name")
        << QStringList{"StreamToIni.FileFormat=1", "[RadioButtons]", "ActiveRadioButton=RadioButtonCob85",
                       "[Properties]", "ProjectName=Bad", "ProjectProductName=1ACME", "[Konyec szkazki]"};
}

// A job file the shell cannot read ends in the load error; the shell stays usable.
void TestOstrinMain::damagedJobFile()
{
    QFETCH(QStringList, lines);
    TShellGuiTestBase t("Mireth", 0, TShellGuiTestBase::exampleSettings("Mireth"));
    QVERIFY(t.start());
    TfrmOstrinMain *w = t.window();
    const QString file = t.jobsFolder() + "/damaged.jmrt";
    TextFile::writeLines(file, lines);
    t.dialogs().answerFile(file);
    w->ActOpenProject->trigger();
    QVERIFY2(w->MyStB->Messages().contains(
                 "Error while loading project definition, it was possibly generated with an older version of the tool"),
             qPrintable(w->MyStB->Messages()));
    QCOMPARE(TextFile::readLines(file), lines);   // nothing written back
    QVERIFY(!w->Job->LoadMode());
    // The user goes on with a language of the settings.
    QVERIFY(w->languageButton("RadioButtonCob85")->isEnabled());
    w->languageButton("RadioButtonCob85")->click();
    QCOMPARE(w->CheckListBoxRules->count(), 10);
    QVERIFY(w->windowTitle().startsWith("Mireth main shell - COBOL 85"));
}

void TestOstrinMain::modifiedJobAsks_data()
{
    QTest::addColumn<int>("answer");
    QTest::addColumn<QString>("productAfter");
    QTest::addColumn<bool>("savedFile");
    QTest::newRow("Cancel keeps the job") << int(mbCancel) << "ACME" << false;
    QTest::newRow("No discards it") << int(mbNo) << "" << false;
    QTest::newRow("Yes saves it first") << int(mbYes) << "" << true;
}

void TestOstrinMain::modifiedJobAsks()
{
    TShellGuiTestBase t("Mireth", 0, TShellGuiTestBase::exampleSettings("Mireth"));
    QVERIFY(t.start());
    TfrmOstrinMain *w = t.window();
    leaveEdit(w->EditProductName, "ACME");
    leaveEdit(w->EditSystemName, "billing");
    QVERIFY(w->Job->Modified());
    QFETCH(int, answer);
    t.dialogs().answerMessage(answer);
    const QString file = t.jobsFolder() + "/asked.jmrt";
    t.dialogs().answerFile(file);
    w->ActNewProject->trigger();
    const TAskedDialog question = t.dialogs().messages().first();
    QCOMPARE(question.text, QString("The current project has been modified \r\nDo you want to save the changes?'"));
    QCOMPARE(question.type, TMsgDlgType::Warning);
    QCOMPARE(question.buttons, mbYesNoCancel);
    QFETCH(QString, productAfter);
    QCOMPARE(w->EditProductName->text(), productAfter);
    QFETCH(bool, savedFile);
    QCOMPARE(QFile::exists(file), savedFile);
    if (answer == mbCancel) {
        QCOMPARE(w->MyStB->LastMessage(), QString("Action cancelled"));
        QVERIFY(w->Job->Modified());
    } else {
        QVERIFY(!w->Job->Modified());
    }
}

void TestOstrinMain::closeAsks()
{
    TShellGuiTestBase t("Mireth", 0, TShellGuiTestBase::exampleSettings("Mireth"));
    QVERIFY(t.start());
    TfrmOstrinMain *w = t.window();
    w->CheckListBoxRules->item(0)->setCheckState(Qt::Unchecked);
    t.dialogs().answerMessage(mbCancel);
    QVERIFY(!t.close());
    QVERIFY(w->Job->Modified());
    t.dialogs().answerMessage(mbNo);
    QVERIFY(t.close());
    QCOMPARE(t.dialogs().messageCount(), 2);
    // The window's place is remembered for the next start.
    QCOMPARE(ReadSettingInt("FormWidth"), w->width());
}

void TestOstrinMain::droppedJobFile()
{
    TShellGuiTestBase t("Mireth", 0, TShellGuiTestBase::exampleSettings("Mireth"));
    QVERIFY(t.start());
    TfrmOstrinMain *w = t.window();
    leaveEdit(w->EditProductName, "ACME");
    leaveEdit(w->EditSystemName, "billing");
    leaveEdit(w->EditSystemVersion, "1");
    const QString file = t.jobsFolder() + "/dropped.jmrt";
    t.dialogs().answerFile(file);
    t.dialogs().answerFile(t.jobsFolder() + "/Orders.jmrt");   // a new job is saved under a name first
    QVERIFY2(w->runCommand([w] { w->Job->SaveJob(false); }), qPrintable(w->MyStB->LastMessage()));
    QVERIFY(QFile::exists(file));
    w->ActNewProject->trigger();
    QCOMPARE(w->EditProductName->text(), QString());

    // The extension must match in letter case too.
    const QString upper = t.jobsFolder() + "/other.JMRT";
    QVERIFY(QFile::copy(file, upper));
    w->DropFiles(w->GroupBoxNames, {upper});
    QCOMPARE(w->EditProductName->text(), QString());
    w->DropFiles(w->GroupBoxNames, {file, upper});   // only a single file counts
    QCOMPARE(w->EditProductName->text(), QString());
    w->DropFiles(w->GroupBoxNames, {file});
    QCOMPARE(w->EditProductName->text(), QString("ACME"));
    QCOMPARE(w->Job->JobName(), QString("dropped"));
}

void TestOstrinMain::batchCheckOnOpen_data()
{
    QTest::addColumn<int>("renamed");
    QTest::addColumn<int>("answer");
    QTest::addColumn<QString>("message");
    QTest::addColumn<bool>("staysOpen");
    QTest::addColumn<QString>("batchInFile");
    QTest::newRow("finished") << 2 << int(mbOK)
                              << "Your batch process seems to have finished in the mean time. \r\nEnjoy the results. "
                              << true << "N";
    QTest::newRow("missing, restart") << 1 << int(mbOK) << "Some awaited outputs are still misssing" << true << "Y";
    QTest::newRow("missing, still running") << 1 << int(mbCancel) << "Some awaited outputs are still misssing" << false
                                            << "Y";
}

void TestOstrinMain::batchCheckOnOpen()
{
    QFETCH(int, renamed);
    QTemporaryDir jobs;
    const QString file = jobs.filePath("Batch.jmrt");
    TextFile::writeLines(file, {"StreamToIni.FileFormat=1", "[RadioButtons]", "ActiveRadioButton=RadioButtonCob85",
                                "[Properties]", "ProjectName=Batch", "ProjectProductName=ACME",
                                "ProjectSystemName=billing", "ProjectSystemVersion=1", "BatchRunning=Y",
                                QString("NumberOfRenamedModules=%1").arg(renamed), "NumberOfModules=2",
                                "[Konyec szkazki]"});
    TShellGuiTestBase t("Mireth", 0, TShellGuiTestBase::exampleSettings("Mireth"), {"-Proj:" + file});
    QFETCH(int, answer);
    t.dialogs().answerMessage(answer);
    QVERIFY(t.start());
    QTest::qWait(20);
    TfrmOstrinMain *w = t.window();
    QFETCH(QString, message);
    QVERIFY2(t.dialogs().messageCount() > 0 && t.dialogs().messages().first().text.startsWith(message),
             qPrintable(w->MyStB->Messages()));
    QCOMPARE(w->EditProductName->text(), QString("ACME"));
    QFETCH(bool, staysOpen);
    QCOMPARE(w->isVisible(), staysOpen);
    QVERIFY(!w->Job->BatchRunning());
    QFETCH(QString, batchInFile);
    QVERIFY(TextFile::readLines(file).contains("BatchRunning=" + batchInFile));
}

void TestOstrinMain::hostedMode()
{
    TShellGuiTestBase t("Quenbar", 3, TShellGuiTestBase::exampleSettings("Quenbar_Mireth"));
    Ostrin::TShellHost host;
    host.ProductName = "ACME";
    host.SystemName = "billing";
    host.Version = "1.0";
    host.OutputDirectory = t.outputRoot() + "/acme";
    QVERIFY(QDir().mkpath(host.OutputDirectory));
    host.ProjectDirectory = t.jobsFolder();
    host.ActiveLanguage = "RadioButtonCob85";
    QVERIFY(t.start(&host));
    TfrmOstrinMain *w = t.window();
    QVERIFY2(w->MyStB->Severity() < 2, qPrintable(w->MyStB->Messages()));
    QCOMPARE(w->kind(), 4);
    QCOMPARE(w->windowTitle(), QString("Mireth main shell - COBOL 85"));
    QCOMPARE(w->EditProductName->text(), QString("ACME"));
    QCOMPARE(w->EditSystemName->text(), QString("billing"));
    QCOMPARE(w->EditSystemVersion->text(), QString("1.0"));
    QCOMPARE(w->FrameFindDirectoryOutputDir->Edit->text(), host.OutputDirectory);
    for (QLineEdit *e : {w->EditProductName, w->EditSystemName, w->EditSystemVersion, w->FrameFindDirectoryOutputDir->Edit})
        QVERIFY(e->isReadOnly());
    QVERIFY(w->FrameFindDirectoryOutputDir->SpeedButton->isHidden());
    for (QAction *a : {w->ActOpenProject, w->ActNewProject, w->ActSaveProject, w->ActSaveProjectAs})
        QVERIFY(!a->isVisible());
    QCOMPARE(w->PageControlMain->currentWidget(), w->TabSheetNames);
    QCOMPARE(w->CheckListBoxRules->count(), 10);
    QCOMPARE(w->StringGridNumParams->rowCount(), 5);

    // A collecting command settles the job's name; closing saves it without asking.
    w->ActAddfiles->trigger();
    QCOMPARE(w->Job->JobName(), QString("AcmeBillingIbm Enterprise"));
    w->CheckListBoxRules->item(1)->setCheckState(Qt::Unchecked);
    QVERIFY(t.close());
    QVERIFY2(t.dialogs().messageCount() == 0, qPrintable(t.dialogs().lastMessage().text));
    QCOMPARE(host.SavedJobFile, t.jobsFolder() + "/AcmeBillingIbm Enterprise.jmrt");
    QVERIFY(QFile::exists(host.SavedJobFile));
    QCOMPARE(host.ProjectSubVersion, QString("IBM Enterprise"));

    // The next hosted start finds the job of these names again.
    QVERIFY(t.start(&host));
    w = t.window();
    QCOMPARE(w->CheckListBoxRules->item(1)->checkState(), Qt::Unchecked);
    QCOMPARE(w->CheckListBoxRules->item(0)->checkState(), Qt::Checked);
    QVERIFY(!w->Job->Modified());
    QVERIFY(t.close());

    // The host's job path with the host's own extension names the shell's job beside it.
    QVERIFY(QFile::copy(host.SavedJobFile, t.jobsFolder() + "/Handed.jmrt"));
    host.ProductName = "OTHER";
    host.HostJobPath = t.jobsFolder() + "/Handed.jQuenbar";
    QVERIFY(t.start(&host));
    w = t.window();
    QCOMPARE(w->CheckListBoxRules->item(1)->checkState(), Qt::Unchecked);
    QCOMPARE(w->EditProductName->text(), QString("ACME"));
}

void TestOstrinMain::hostedShellEntry()
{
    TShellGuiTestBase t("Quenbar", 3, TShellGuiTestBase::exampleSettings("Quenbar_Mireth"));
    Ostrin::TShellHost host;
    host.ProductName = "ACME";
    host.SystemName = "stock";
    host.Version = "1";
    host.OutputDirectory = t.outputRoot();
    host.ProjectDirectory = t.jobsFolder();
    host.ActiveLanguage = "RadioButtonJava1";
    QString caption;
    // The user works in the shell and closes it; the host reads back what it saved.
    QTimer::singleShot(300, [&caption] {
        for (QWidget *top : QApplication::topLevelWidgets())
            if (auto *shell = qobject_cast<TfrmOstrinMain *>(top); shell && shell->isVisible()) {
                shell->ActAddfiles->trigger();
                caption = shell->windowTitle();
                shell->close();
            }
    });
    RunHostedShell(host, 3, nullptr, t.programPath(), {QString()});
    QCOMPARE(caption, QString("Mireth main shell - Java 1 [AcmeStock1.4]"));
    QCOMPARE(host.ProjectSubVersion, QString("1.4"));
    QVERIFY(QFile::exists(t.jobsFolder() + "/AcmeStock1.4.jmrt"));
}

QTEST_MAIN(TestOstrinMain)
#include "tst_ostrinmain.moc"
