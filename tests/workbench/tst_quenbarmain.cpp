#include "GuiTestBase.h"

#include "CommandDispatch.h"
#include "FindDirectoryFrame.h"
#include "FindExecFrame.h"
#include "Kereso.h"
#include "MyStatusBar.h"
#include "CrossrefReport.h"
#include "QuenbarMain.h"
#include "RepositoryBrowser.h"
#include "SharedRoutinesCommon.h"
#include "SimpleViewerFrame.h"
#include "ScopeGuard.h"
#include "SourceList.h"
#include "StringListHolder.h"
#include "TextFile.h"
#include "DropFilesHandler.h"
#include "OstrinMain.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QGuiApplication>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTimer>
#include <QSignalSpy>
#include <QtTest>

class TestQuenbarMain : public QObject
{
    Q_OBJECT
private slots:
    void startsWithSettings();
    void callMirethHandsOffAndTakesTheExport();
    void callMirethAnalysesByHand();
    void startWithoutSettingsIsFatal();
    void startSelfCheck_data();
    void startSelfCheck();
    void actionGateDuringRun_data();
    void actionGateDuringRun();
    void gateNeedsNamesAndOutput();
    void jobRoundTrip();
    void jobLoadDamaged();
    void modifiedJobAsksToSave();
    void outputDirectoryField_data();
    void outputDirectoryField();
    void typedFolderIsOffered_data();
    void typedFolderIsOffered();
    void relativeFolderIsNotCreated();
    void namesDrop();
    void resetOutputQuestion();
    void viewerPagesAndClose();
    void viewerContextMenu();
    void productLogOfTheRun_data();
    void productLogOfTheRun();
    void closeDuringRun();
};

static void setNames(TfrmQuenbarMain *w, const QString &product, const QString &system)
{
    w->EditProductName->setText(product);
    w->EditSystemName->setText(system);
}

void TestQuenbarMain::startsWithSettings()
{
    TGuiTestBase t;
    QVERIFY(t.start());
    TfrmQuenbarMain *w = t.window();
    QVERIFY(!w->fatalStart());
    QCOMPARE(w->MyStB->Severity(), 0);
    QCOMPARE(w->windowTitle(), QString("Quenbar main shell - Business logic generation []"));
    QCOMPARE(w->PageControlMain->currentWidget(), w->TabSheetNames);
    QCOMPARE(w->Job->LanguageCode(), QString("WSDLGEN"));
    QCOMPARE(w->OutputDirectory(), t.outputRoot());
    QCOMPARE(w->Job->WorkDir(), t.outputRoot() + "/work");
    QVERIFY(w->MemoToolNameDefault->toPlainText().contains("BussinesLogicGeneration=Business logic generation,WSDLGEN"));
    QCOMPARE(w->FrameFindexecWSDLProc->DefaultName, t.programFolder() + "/WSDLProc");
    QCOMPARE(w->FrameFindexecWSDLProc->Edit->text(), t.programFolder() + "/WSDLProc");
    QCOMPARE(w->ActSaveProject->text(), QString("&Save "));
    QCOMPARE(w->BitBtnAddFiles->text(), QString("Add &files to the job"));
    QCOMPARE(w->BitBtnAddDirectories->text(), QString("Add complete directories "));
    QCOMPARE(w->ActCancelRun->shortcut(), QKeySequence("Ctrl+C"));
    QVERIFY(!w->ActSaveProject->isEnabled());
    QVERIFY(!w->ActShowAdvanced->isVisible());
    QCOMPARE(ReadSetting("ProgramVersion"), ProgramVersionString("FileVersion"));
}

void TestQuenbarMain::startWithoutSettingsIsFatal()
{
    TGuiTestBase t(false);
    t.start();
    TfrmQuenbarMain *w = t.window();
    QTRY_VERIFY(w->fatalStart());
    QVERIFY(w->MyStB->Messages().contains("No ini file is available for Quenbar"));
    QVERIFY(w->MyStB->Messages().contains("Cannot access product ini file - " + t.programFolder() + "/Quenbar.INI"));
    QVERIFY(w->MyStB->Messages().contains("Fatal errors during start, application cannot run!"));
    QVERIFY(!w->isVisible());
    QVERIFY(!w->PageControlMain->isEnabled());
}

// A window whose repository links were lost records each loss, then the
// start fails as after any recorded error.
void TestQuenbarMain::startSelfCheck_data()
{
    QTest::addColumn<bool>("editor");
    QTest::addColumn<bool>("report");
    QTest::addColumn<QStringList>("recorded");
    const QString editorLost = "DataSources wanished from frmEditorFrame1";
    const QString reportLost = "DataSources wanished from QRfrm_Crossref";
    const QString recompile = "Program has to be recompiled";
    const QString fatal = "Fatal errors during start, application cannot run!";
    QTest::newRow("editor") << true << false << QStringList{editorLost, recompile, fatal};
    QTest::newRow("report") << false << true << QStringList{reportLost, recompile, fatal};
    QTest::newRow("both") << true << true << QStringList{editorLost, reportLost, recompile, fatal};
}

void TestQuenbarMain::startSelfCheck()
{
    QFETCH(bool, editor);
    QFETCH(bool, report);
    QFETCH(QStringList, recorded);
    TGuiTestBase t;
    QVERIFY(!t.start([&](TfrmQuenbarMain *w) {
        if (editor)
            w->WSDLView->frmEditorFrame1->SetTable(nullptr);
        if (report)
            w->QRfrm_Crossref->SetDataModule(nullptr);
    }));
    TfrmQuenbarMain *w = t.window();
    QTRY_VERIFY(w->fatalStart());
    QStringList expected;
    for (const QString &message : recorded)
        expected << "- " + message;
    QCOMPARE(w->MyStB->Messages().split("\r\n"), expected);
    QVERIFY(!w->isVisible());
}

void TestQuenbarMain::actionGateDuringRun_data()
{
    QTest::addColumn<QString>("action");
    QTest::addColumn<bool>("refused");
    QTest::newRow("new-job") << "ActNewProject" << true;
    QTest::newRow("reset") << "ActRestartProject" << true;
    QTest::newRow("settings") << "ActWriteINIFile" << true;
    QTest::newRow("viewer") << "ActCloseAllPages" << false;
    QTest::newRow("save") << "ActSaveProject" << false;
    QTest::newRow("cancel") << "ActCancelRun" << false;
}

void TestQuenbarMain::actionGateDuringRun()
{
    QFETCH(QString, action);
    QFETCH(bool, refused);
    TGuiTestBase t;
    QVERIFY(t.start());
    TfrmQuenbarMain *w = t.window();
    setNames(w, "abc", "def");
    t.dialogs().answerFile(t.path("jobs/AbcDef.jQuenbar"));
    w->Job->SetBatchRunning(true);
    QAction *a = w->findChild<QAction *>(action);
    QVERIFY(a);
    a->setEnabled(true);
    a->trigger();
    const QString refusal = "Only viewing,Save,Cancel & Exit are allowed when processing";
    QCOMPARE(w->MyStB->LastMessage() == refusal, refused);
}

void TestQuenbarMain::gateNeedsNamesAndOutput()
{
    TGuiTestBase t;
    QVERIFY(t.start());
    TfrmQuenbarMain *w = t.window();
    w->ActRestartProject->trigger();
    QCOMPARE(w->MyStB->LastMessage(), QString("Product name missing or incorrect"));
    setNames(w, "abc", "1AB");
    w->ActRestartProject->trigger();
    QCOMPARE(w->MyStB->LastMessage(), QString("System name missing or incorrect"));
    setNames(w, "abc", "def_x");
    w->FrameFindDirectoryOutputDir->Edit->clear();
    w->ActRestartProject->trigger();
    QCOMPARE(w->MyStB->LastMessage(), QString("You have to set the output directory(s) first!"));
    QCOMPARE(w->windowTitle(), QString("Quenbar main shell - Business logic generation [AbcDef_X]"));
}

void TestQuenbarMain::jobRoundTrip()
{
    TGuiTestBase t;
    QVERIFY(t.start());
    TfrmQuenbarMain *w = t.window();
    const QString out = t.outputRoot() + "/AbcDef_X";
    QDir().mkpath(out);
    setNames(w, "abc", "def_x");
    w->SetOutputDirectory(out);
    w->Sources->SetCommonRoot("/src/legacy");
    w->Job->SetMaxDirDepth(3);
    w->Job->SetQuenbarJobName("AbcDef_X.jMireth");
    w->Sources->SetItems({{"/src/legacy/a.csv=0001", true, true}, {"/src/legacy/b.wsdl=0003", false, true}});
    w->STLHCentral_Name->add(QString::fromUtf8("Főkönyv"), 42);
    w->STLHCentral_Other->add("other entry");
    w->SetModified(true);

    const QString jobFile = t.path("jobs/AbcDef_X.jQuenbar");
    t.dialogs().answerFile(jobFile);   // the first save asks where
    w->ActSaveProject->trigger();
    QVERIFY2(QFile::exists(jobFile), qPrintable(w->MyStB->LastMessage()));
    QVERIFY(!w->modified());
    const QStringList lines = TextFile::readLines(jobFile);
    QCOMPARE(lines.first(), QString("StreamToIni.FileFormat=1"));
    QCOMPARE(lines.at(1), QString("[Properties]"));
    QCOMPARE(lines.at(2), QString("ProjectName=AbcDef_X"));
    QVERIFY(lines.contains("ProjectCommonRoot=/src/legacy"));
    QVERIFY(lines.contains(";ProjectVersion=WSDLGEN"));
    QVERIFY(!lines.join('\n').contains("MemoToolNameDefault"));
    QCOMPARE(lines.last(), QString("[Konyec szkazki]"));
    QCOMPARE(ReadSetting("LastOutputDir"), t.outputRoot());

    // A second save writes without asking.
    const int asked = int(t.dialogs().asked().size());
    w->SetModified(true);
    w->ActSaveProject->trigger();
    QCOMPARE(int(t.dialogs().asked().size()), asked);

    w->ActNewProject->trigger();
    QCOMPARE(w->Sources->Count(), 0);
    QCOMPARE(w->EditProductName->text(), QString());

    w->OpenJobFile(jobFile);
    QCOMPARE(w->MyStB->Severity(), 0);
    QCOMPARE(w->EditProductName->text(), QString("abc"));
    QCOMPARE(w->EditSystemName->text(), QString("def_x"));
    QCOMPARE(w->OutputDirectory(), out);
    QCOMPARE(w->EditCommonRoot->text(), QString("/src/legacy"));
    QCOMPARE(w->Job->MaxDirDepth(), 3);
    QCOMPARE(w->Job->QuenbarJobName(), QString("AbcDef_X.jMireth"));
    QCOMPARE(w->Sources->Count(), 2);
    QCOMPARE(w->Sources->TextAt(0), QString("/src/legacy/a.csv=0001"));
    QVERIFY(w->Sources->CheckedAt(0));
    QVERIFY(!w->Sources->CheckedAt(1));
    QCOMPARE(w->STLHCentral_Name->StringList(), QStringList{QString::fromUtf8("Főkönyv")});
    QCOMPARE(w->STLHCentral_Name->object(0), 42);
    QCOMPARE(w->STLHCentral_Other->StringList(), QStringList{"other entry"});
    QCOMPARE(w->windowTitle(), QString("Quenbar main shell - Business logic generation [AbcDef_X]"));
    QVERIFY(!w->modified());
    QVERIFY(w->GroupBoxSelectedFiles->title().endsWith("(2)"));
}

void TestQuenbarMain::jobLoadDamaged()
{
    TGuiTestBase t;
    QVERIFY(t.start());
    TfrmQuenbarMain *w = t.window();
    const QString bad = t.path("jobs/Bad.jQuenbar");
    QDir().mkpath(t.path("jobs"));
    TextFile::writeLines(bad, {"StreamToIni.FileFormat=1", "[Properties]", "ProjectName=Bad", "MaxDirDepth=deep",
                               "[Form - frmQuenbarMain]"});
    w->OpenJobFile(bad);
    QCOMPARE(w->MyStB->LastMessage(),
             QString(" Error while loading project definition, it was possibly generated with an older version of the tool"));
    // A missing file and one without properties end the same way; the window stays usable.
    w->OpenJobFile(t.path("jobs/none.jQuenbar"));
    QCOMPARE(w->MyStB->Severity(), 2);
    w->ActNewProject->trigger();
    QCOMPARE(w->MyStB->Severity(), 0);
}

void TestQuenbarMain::modifiedJobAsksToSave()
{
    TGuiTestBase t;
    QVERIFY(t.start());
    TfrmQuenbarMain *w = t.window();
    setNames(w, "abc", "def");
    w->SetModified(true);
    t.dialogs().answerMessage(mbCancel);
    w->ActNewProject->trigger();
    QCOMPARE(t.dialogs().lastMessage().text,
             QString("The current project has been modified \r\nDo you want to save the changes?'"));
    QCOMPARE(w->MyStB->LastMessage(), QString("Action cancelled"));
    QCOMPARE(w->EditProductName->text(), QString("abc"));   // nothing lost
    t.dialogs().answerMessage(mbNo);
    w->ActNewProject->trigger();
    QCOMPARE(w->EditProductName->text(), QString());
}

void TestQuenbarMain::outputDirectoryField_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("stored");
    QTest::addColumn<QString>("message");
    QTest::newRow("doubled") << "OUT//Sub/" << "OUT/Sub" << "";
    QTest::newRow("empty") << "" << "" << "This field must not be empty";
    QTest::newRow("relative") << "Out" << "Out" << "Invalid output directory (No relative or UNC format path is allowed here)!";
    QTest::newRow("network") << "//server/share" << "//server/share"
                             << "Invalid output directory (No relative or UNC format path is allowed here)!";
}

void TestQuenbarMain::outputDirectoryField()
{
    QFETCH(QString, typed);
    QFETCH(QString, stored);
    QFETCH(QString, message);
    TGuiTestBase t;
    QVERIFY(t.start());
    TfrmQuenbarMain *w = t.window();
    QDir().mkpath(t.outputRoot() + "/Sub");
    typed.replace("OUT", t.outputRoot());
    stored.replace("OUT", t.outputRoot());
    w->FrameFindDirectoryOutputDir->Edit->setText(typed);
    w->FrameFindDirectoryOutputDir->Edit->setModified(true);
    RunCommand(w->MyStB, [w] { w->FrameFindDirectoryOutputDirEditExit(); });
    QCOMPARE(w->FrameFindDirectoryOutputDir->Edit->text(), stored);
    QCOMPARE(w->MyStB->LastMessage(), message);
    if (message.isEmpty())
        QCOMPARE(w->Job->StagingDir(), stored + "/workinp");
}

// A typed folder that does not exist is offered for creation; the folder
// dialog comes only when it was declined or could not be made.
void TestQuenbarMain::typedFolderIsOffered_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<int>("answer");
    QTest::addColumn<bool>("created");
    QTest::addColumn<QStringList>("asked");
    QTest::newRow("created") << "OUT/new/deep" << int(mbOK) << true << QStringList{"Confirmation"};
    QTest::newRow("declined") << "OUT/new/deep" << int(mbCancel) << false << QStringList{"Confirmation", "Directory"};
    QTest::newRow("cannot be made") << "OUT/file.txt/sub" << int(mbOK) << false
                                    << QStringList{"Confirmation", "Warning: Cannot create directory", "Directory"};
}

void TestQuenbarMain::typedFolderIsOffered()
{
    QFETCH(QString, typed);
    QFETCH(int, answer);
    QFETCH(bool, created);
    QFETCH(QStringList, asked);
    TGuiTestBase t;
    QVERIFY(t.start());
    TfrmQuenbarMain *w = t.window();
    TextFile::writeText(t.outputRoot() + "/file.txt", "x");
    typed.replace("OUT", t.outputRoot());
    t.dialogs().clearAsked();
    t.dialogs().answerMessage(answer);
    w->FrameFindDirectoryOutputDir->Edit->setText(typed);
    w->FrameFindDirectoryOutputDir->Edit->setModified(true);
    RunCommand(w->MyStB, [w] { w->FrameFindDirectoryOutputDirEditExit(); });

    QCOMPARE(QFileInfo(typed).isDir(), created);
    QStringList seen;
    for (const TAskedDialog &d : t.dialogs().asked()) {
        if (d.kind == TAskedDialog::Directory)
            seen << "Directory";
        else if (d.type == TMsgDlgType::Confirmation)
            seen << "Confirmation";
        else
            seen << (d.type == TMsgDlgType::Warning ? "Warning: " : "Other: ") + d.text;
    }
    QCOMPARE(seen, asked);
    const TAskedDialog question = t.dialogs().asked().first();
    QCOMPARE(question.text, "Directory " + typed + " doesn't exists, create it? ");
    QCOMPARE(question.buttons, int(mbOKCancel));
    QCOMPARE(w->FrameFindDirectoryOutputDir->Edit->text(), typed);
}

// A relative text is refused; nothing is created below the current folder.
void TestQuenbarMain::relativeFolderIsNotCreated()
{
    TGuiTestBase t;
    QVERIFY(t.start());
    TfrmQuenbarMain *w = t.window();
    const QString previous = QDir::currentPath();
    QVERIFY(QDir::setCurrent(t.outputRoot()));
    const TScopeGuard back([&] { QDir::setCurrent(previous); });
    t.dialogs().clearAsked();
    t.dialogs().answerMessage(mbOK);
    w->FrameFindDirectoryOutputDir->Edit->setText("relative/out");
    w->FrameFindDirectoryOutputDir->Edit->setModified(true);
    RunCommand(w->MyStB, [w] { w->FrameFindDirectoryOutputDirEditExit(); });
    QVERIFY(!QFileInfo::exists(t.outputRoot() + "/relative"));
    for (const TAskedDialog &d : t.dialogs().asked())
        QVERIFY2(d.type != TMsgDlgType::Confirmation, qPrintable(d.text));
    QCOMPARE(w->MyStB->LastMessage(), "Invalid output directory (No relative or UNC format path is allowed here)!");
}

void TestQuenbarMain::namesDrop()
{
    TGuiTestBase t;
    QVERIFY(t.start());
    TfrmQuenbarMain *w = t.window();
    setNames(w, "abc", "def");
    w->SetOutputDirectory(t.outputRoot());
    w->DropNames();
    QCOMPARE(w->OutputDirectory(), t.outputRoot() + "/AbcDef");
    QVERIFY(w->NamesDropPending);
    w->DropNames();   // already ends in the job name
    QCOMPARE(w->OutputDirectory(), t.outputRoot() + "/AbcDef");
    // Leaving the field creates the folder the drop proposed.
    RunCommand(w->MyStB, [w] { w->FrameFindDirectoryOutputDirEditExit(); });
    QVERIFY(QFileInfo(t.outputRoot() + "/AbcDef").isDir());
    QVERIFY(!w->NamesDropPending);
}

void TestQuenbarMain::resetOutputQuestion()
{
    TGuiTestBase t;
    QVERIFY(t.start());
    TfrmQuenbarMain *w = t.window();
    setNames(w, "abc", "def");
    const QString out = t.outputRoot() + "/job";
    QDir().mkpath(out + "/WSDLDir");
    for (int i = 0; i < 12; ++i)
        TextFile::writeText(QString("%1/WSDLDir/CMP%2.wsd").arg(out).arg(i, 4, 10, QChar('0')), "x");
    TextFile::writeText(out + "/lastprc.xml", "<x/>");
    w->SetOutputDirectory(out);
    t.dialogs().answerMessage(mbNo);
    w->ActRestartProject->trigger();
    const TAskedDialog q = t.dialogs().lastMessage();
    QVERIFY(q.text.startsWith("You are going to reset your job to it's initial state.\r\nYou have  13 files in your "
                              "output folders. Should I continue ?\r\n\r\nYour files:\r\n" + out + "/lastprc.xml"));
    QCOMPARE(q.text.count("\r\n" + out), 11);
    QVERIFY(q.text.endsWith("\r\n..."));
    QCOMPARE(q.type, TMsgDlgType::Warning);
    QVERIFY(QFile::exists(out + "/lastprc.xml"));   // No keeps everything

    t.dialogs().answerMessage(mbYes);
    w->ActRestartProject->trigger();
    QVERIFY(!QFile::exists(out + "/lastprc.xml"));
    QVERIFY(!QFile::exists(out + "/WSDLDir/CMP0001.wsd"));
    QVERIFY(QFileInfo(out).isDir());
    QVERIFY(QFile::exists(out + "/ParadoxDB/Interfaces.db"));   // the repository starts again, empty
}

void TestQuenbarMain::viewerPagesAndClose()
{
    TGuiTestBase t;
    QVERIFY(t.start());
    TfrmQuenbarMain *w = t.window();
    QStringList files;
    for (int i = 0; i < 3; ++i) {
        files << t.outputRoot() + QString("/r%1.log").arg(i);
        TextFile::writeLines(files.last(), {QString("line %1").arg(i)});
        w->OpenViewerFile(files.last());
    }
    QCOMPARE(w->PageControlViewer->count(), 3);
    QCOMPARE(w->PageControlViewer->tabText(0), QString("r0.log"));
    QCOMPARE(w->PageControlViewer->widget(2)->objectName(), QString("tsv2"));
    QVERIFY(w->PageControlViewer->widget(2)->findChild<TFrameSimpleViewer *>("tsv2FrameSimpleViewer"));
    w->OpenViewerFile(files[1]);   // same caption: activated, not opened again
    QCOMPARE(w->PageControlViewer->count(), 3);
    QCOMPARE(w->PageControlViewer->currentIndex(), 1);
    RunCommand(w->MyStB, [&] { w->OpenViewerFile(t.outputRoot() + "/none.txt"); });
    QCOMPARE(w->MyStB->LastMessage(), "File " + t.outputRoot() + "/none.txt doesn't exist");

    for (int i = 3; i > 0; --i) {
        QVERIFY(!w->close());
        QCOMPARE(w->PageControlViewer->count(), i - 1);
    }
    QCOMPARE(w->PageControlMain->currentWidget(), w->TabSheetNames);
    QVERIFY(w->close());
}

// The viewer page's menu: the page commands, the standard edit commands and
// the font, whose Apply tries a font on the page in front.
void TestQuenbarMain::viewerContextMenu()
{
    TGuiTestBase t;
    QVERIFY(t.start());
    TfrmQuenbarMain *w = t.window();
    QStringList captions;
    for (QAction *a : w->PageControlViewer->actions())
        captions << a->text();
    QCOMPARE(captions, (QStringList{"Close current page", "Close all editor pages",
                                    "Open a file in the general internal viewer",
                                    "View product log (<Productname>.log)", "View console log from the last run",
                                    "&Copy", "Select &All", "Select font for the viewer"}));
    QCOMPARE(w->ActEditCopy->shortcut(), QKeySequence(QKeySequence::Copy));

    for (const char *name : {"a.log", "b.log"}) {
        TextFile::writeLines(t.outputRoot() + "/" + name, {QString("text of ") + name});
        w->OpenViewerFile(t.outputRoot() + "/" + name);
    }
    QPlainTextEdit *front = w->PageControlViewer->widget(1)->findChild<QPlainTextEdit *>();
    QPlainTextEdit *back = w->PageControlViewer->widget(0)->findChild<QPlainTextEdit *>();
    QVERIFY(front->toPlainText().startsWith("text of b.log"));
    w->ActEditSelectAll->trigger();
    QCOMPARE(front->textCursor().selectedText().replace(QChar::ParagraphSeparator, '\n'), front->toPlainText());
    w->ActEditCopy->trigger();
    QCOMPARE(QGuiApplication::clipboard()->text(), front->toPlainText());

    const QFont before = back->font();
    QFont tried("DejaVu Sans Mono");
    tried.setPointSize(17);
    t.dialogs().answerFontApplied(tried);
    t.dialogs().answerFontCancelled();
    w->ActSelectFont->trigger();
    QCOMPARE(front->font(), tried);
    QCOMPARE(back->font(), before);
}

void TestQuenbarMain::productLogOfTheRun_data()
{
    QTest::addColumn<QStringList>("logs"); // below the output directory
    QTest::addColumn<QString>("shown");    // the page's caption; empty: none opens
    QTest::newRow("converters' log") << QStringList{"Exports/S1.log", "S1.log"} << "Exports/S1.log";
    QTest::newRow("beside the outputs") << QStringList{"S1.log"} << "S1.log";
    QTest::newRow("none") << QStringList{} << QString();
}

void TestQuenbarMain::productLogOfTheRun()
{
    QFETCH(QStringList, logs);
    QFETCH(QString, shown);
    TGuiTestBase t;
    QVERIFY(t.start());
    TfrmQuenbarMain *w = t.window();
    setNames(w, "P1", "S1");
    for (const QString &log : logs) {
        QDir().mkpath(QFileInfo(t.outputRoot() + "/" + log).path());
        TextFile::writeLines(t.outputRoot() + "/" + log, {log});
    }
    w->ActViewProductLog->trigger();
    QCOMPARE(w->PageControlViewer->count(), shown.isEmpty() ? 0 : 1);
    if (!shown.isEmpty())
        QCOMPARE(QDir::fromNativeSeparators(w->PageControlViewer->tabText(0)), shown);
}

void TestQuenbarMain::closeDuringRun()
{
    TGuiTestBase t;
    QVERIFY(t.start());
    TfrmQuenbarMain *w = t.window();
    w->Job->SetBatchRunning(true);
    t.dialogs().answerMessage(mbYes);
    QVERIFY(!w->close());
    QVERIFY(t.dialogs().lastMessage().text.startsWith("You are running a batch process in the background."));
    QCOMPARE(w->MyStB->LastMessage(), QString("Background process cancelled!"));
    QVERIFY(QFile::exists(w->OutputDirectory() + "/Semaphore.xml"));
    QVERIFY(w->isVisible());
}

// The hand-off opens the hosted shell on the job's names and output
// directory; once it has closed, the analyser's export joins the source list.
void TestQuenbarMain::callMirethHandsOffAndTakesTheExport()
{
    TGuiTestBase t;
    TextFile::writeLines(t.programFolder() + "/Quenbar_Mireth.INI",
                         TextFile::readLines(QStringLiteral(QUENBAR_EXAMPLES_DIR "/Tools/Maintain/Quenbar/Quenbar_Mireth.INI")));
    QVERIFY(t.start());
    TfrmQuenbarMain *w = t.window();
    w->EditProductName->setText("Demo");
    w->EditSystemName->setText("Legacy");
    w->SetOutputDirectory(t.outputRoot());
    QVERIFY(QDir().mkpath(t.outputRoot() + "/Exports"));
    const QString exported = t.outputRoot() + "/Exports/Legacy.csv";
    QVERIFY(QFile::copy(QStringLiteral(QUENBAR_EXAMPLES_DIR "/demo/sources/CUSTMAINT.csv"), exported));
    QString shellProduct;
    QString shellOutput;
    QTimer::singleShot(500, [&] {
        for (QWidget *top : QApplication::topLevelWidgets())
            if (top != w && top->isVisible() && top->inherits("TfrmOstrinMain")) {
                if (auto *edit = top->findChild<QLineEdit *>("EditProductName"))
                    shellProduct = edit->text();
                if (auto *frame = top->findChild<QWidget *>("FrameFindDirectoryOutputDir"))
                    if (auto *edit = frame->findChild<QLineEdit *>())
                        shellOutput = edit->text();
                top->close();
            }
    });
    w->ActCallMireth->trigger();
    QCOMPARE(shellProduct, QString("Demo"));
    QVERIFY2(QDir::cleanPath(shellOutput) == QDir::cleanPath(t.outputRoot()), qPrintable(shellOutput));
    QVERIFY(w->Sources->HolderPaths().contains(exported));
    QVERIFY(w->modified());
    QCOMPARE(w->EditSystemName->text(), QString("Legacy"));

    // Without the system's export, the analyser's exports per program join.
    QVERIFY(QFile::remove(exported));
    QVERIFY(QDir().mkpath(t.outputRoot() + "/Exports/ORDERS"));
    const QStringList perProgram{t.outputRoot() + "/Exports/ORDERS/ORDMAIN.csv", t.outputRoot() + "/Exports/ORDERS/ORDSUB.csv"};
    for (const QString &file : perProgram)
        QVERIFY(QFile::copy(QStringLiteral(QUENBAR_EXAMPLES_DIR "/demo/sources/CUSTMAINT.csv"), file));
    QTimer::singleShot(500, [&] {
        for (QWidget *top : QApplication::topLevelWidgets())
            if (top != w && top->isVisible() && top->inherits("TfrmOstrinMain"))
                top->close();
    });
    w->ActCallMireth->trigger();
    for (const QString &file : perProgram)
        QVERIFY2(w->Sources->HolderPaths().contains(file), qPrintable(file));
}

// By hand: the hand-off opens the shell on Java; the user chooses COBOL 85,
// drops the sources, starts the analysis and closes the shell; the analyser's
// exports, renamed back below the shell's language folder, join the list.
void TestQuenbarMain::callMirethAnalysesByHand()
{
    TGuiTestBase t;
    const QString bin = t.programFolder();
    TextFile::writeLines(bin + "/Quenbar_Mireth.INI",
                         TextFile::readLines(QStringLiteral(QUENBAR_EXAMPLES_DIR "/Tools/Maintain/Quenbar/Quenbar_Mireth.INI")));
    QVERIFY(QDir().mkpath(bin + "/COBReDoc") && QDir().mkpath(bin + "/COB85ReDoc"));
    QVERIFY(QFile::copy(QUENBAR_COBREDOC, bin + "/COBReDoc/COBReDoc"));
    const QString definitions = QStringLiteral(QUENBAR_EXAMPLES_DIR "/Tools/Maintain/Quenbar/COB85ReDoc");
    for (const QString &name : QDir(definitions).entryList(QDir::Files))
        QVERIFY(QFile::copy(definitions + '/' + name, bin + "/COB85ReDoc/" + name));
    QVERIFY(t.start());
    TfrmQuenbarMain *w = t.window();
    w->EditProductName->setText("Demo");
    w->EditSystemName->setText("Legacy");
    w->SetOutputDirectory(t.outputRoot());
    bool ran = false;
    QTimer::singleShot(500, [&] {
        for (QWidget *top : QApplication::topLevelWidgets()) {
            auto *shell = qobject_cast<TfrmOstrinMain *>(top);
            if (!shell || !shell->isVisible())
                continue;
            shell->SelectLanguage("RadioButtonCob85");
            for (TDropFilesHandler *h : shell->findChildren<TDropFilesHandler *>())
                if (h->Target() == shell->GroupBoxSelectedFiles)
                    h->dropFiles({QUENBAR_EXAMPLES_DIR "/cobol/ORDERS"});
            QSignalSpy finished(&shell->Analysis->Runner, &TToolRunner::runFinished);
            t.dialogs().answerMessage(mbYes);   // the output directory has not been used yet
            shell->ActRunTool->trigger();
            ran = finished.count() > 0 || finished.wait(30000);
            shell->close();
        }
    });
    w->ActCallMireth->trigger();
    QVERIFY(ran);
    const QString exports = t.outputRoot() + "/COB85/Exports";
    for (const char *file : {"/BATCH/ORDBATCH/ORDBATCH.csv", "/BATCH/RATECALC/RATECALC.csv", "/BATCH/ORDRPT/ordrpt.csv",
                             "/ONLINE/CUSTINQ/CUSTINQ.csv"})
        QVERIFY2(w->Sources->HolderPaths().contains(exports + file), file);
    QCOMPARE(w->Job->QuenbarJobName(), QString("IBM Enterprise"));
    // The shell saved its job where the next hand-off looks for it.
    QVERIFY(QFile::exists(t.outputRoot() + "/DemoLegacyIbm Enterprise.jmrt"));
}

QTEST_MAIN(TestQuenbarMain)
#include "tst_quenbarmain.moc"
