#include "AboutBoxDlg.h"
#include "DropFilesHandler.h"
#include "Errors.h"
#include "FindDirectoryFrame.h"
#include "FindExecFrame.h"
#include "MyStatusBar.h"
#include "ScriptedDialogs.h"
#include "SharedRoutinesCommon.h"
#include "TextFile.h"

#include <QDropEvent>
#include <QFile>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMimeData>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTextEdit>
#include <QUrl>
#include <QtTest>

#include <memory>

// A window with a status bar and one picker of each kind.
struct TPickerWindow
{
    QWidget window;
    TMyStatusBar *bar;
    TFrameFindDirectory *dir;
    TFrameFindexec *exec;
    TPickerWindow()
    {
        window.setObjectName("frmTest");
        bar = new TMyStatusBar(&window);
        bar->setObjectName("MyStB");
        dir = new TFrameFindDirectory(&window);
        dir->setObjectName("FrameFindDirectoryOutputDir");
        dir->LabelCaption->setText("Output directory");
        dir->Reporter = bar;
        exec = new TFrameFindexec(&window);
        exec->setObjectName("FrameFindexecEditor");
        exec->LabelFindExec->setText("Editor");
        exec->StatusBar = bar;
        bar->resize(2000, 20);
    }
};

static void sendDrop(QWidget *target, const QStringList &paths)
{
    QMimeData data;
    QList<QUrl> urls;
    for (const QString &p : paths)
        urls << QUrl::fromLocalFile(p);
    data.setUrls(urls);
    QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(target, &enter);
    QVERIFY(enter.isAccepted() || paths.isEmpty());
    QDropEvent drop(QPointF(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(target, &drop);
}

class TestPathPickers : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void folderDrop();
    void folderEditExit();
    void folderBrowse();
    void fileValidate_data();
    void fileValidate();
    void fileBrowseButton();
    void reloadCheckList();
    void useDefaultExtension();
    void dropTargets_data();
    void dropTargets();
    void dropTargetRefusesOtherDrags();
    void aboutBox_data();
    void aboutBox();

private:
    QTemporaryDir m_dir;
    QString path(const QString &rel) const { return m_dir.filePath(rel); }
};

void TestPathPickers::initTestCase()
{
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(path("config")));
    SetSettingsProgram("QuenbarTest Shell");
    SetSettingsSection("Parameters");
    QDir().mkpath(path("out/sub"));
    for (const char *f : {"out/a.txt", "out/b.txt", "editor", "Rules.txt", "Rules.2"}) {
        QFile file(path(f));
        QVERIFY(file.open(QIODevice::WriteOnly));
    }
}

void TestPathPickers::folderDrop()
{
    TPickerWindow w;
    int changed = 0;
    w.dir->OnDirectoryChanged = [&](QObject *sender) {
        QCOMPARE(sender, w.dir);
        ++changed;
    };
    sendDrop(w.dir, {path("out/a.txt"), path("out/b.txt")});
    QCOMPARE(w.dir->Edit->text(), QString());
    sendDrop(w.dir, {path("out/a.txt")});
    QCOMPARE(w.dir->Edit->text(), path("out"));
    QCOMPARE(w.dir->DirectoryWithDelimiter(), path("out") + "/");
    QCOMPARE(changed, 1);
    QCOMPARE(ReadSetting("LastSelectedDir"), path("out"));
    sendDrop(w.dir, {path("out")});   // the folder already shown
    QCOMPARE(changed, 1);
    sendDrop(w.dir, {path("out/sub")});
    QCOMPARE(w.dir->Edit->text(), path("out/sub"));
    QCOMPARE(changed, 2);
}

void TestPathPickers::folderEditExit()
{
    TPickerWindow w;
    TScriptedDialogs dialogs;
    int checks = 0;
    w.dir->OnBeforeCheck = [&](QObject *) { ++checks; };
    w.dir->Edit->setText(path("missing"));   // set by program: not modified
    w.dir->EditExit();
    QCOMPARE(checks, 0);
    QVERIFY(dialogs.asked().isEmpty());

    w.dir->Edit->setModified(true);
    dialogs.answerDirectory(path("out"));
    w.dir->EditExit();
    QCOMPARE(checks, 1);
    QCOMPARE(dialogs.asked().size(), 1);
    QCOMPARE(dialogs.asked().first().folder, path(""));   // nearest existing parent
    QCOMPARE(w.dir->Edit->text(), path("out"));
    QCOMPARE(w.bar->text(), QString());   // cleared at the end of browsing

    w.dir->Edit->setText(path("gone"));
    w.dir->Edit->setModified(true);
    w.bar->resize(2000, 20);
    QVERIFY_THROWS_EXCEPTION(EAbort, w.dir->EditExit());   // the dialog is cancelled
    QCOMPARE(w.bar->LastMessage(), QString("Directorry selection cancelled "));
    QCOMPARE(w.dir->Edit->text(), path("gone"));
}

void TestPathPickers::folderBrowse()
{
    TPickerWindow w;
    TScriptedDialogs dialogs;
    w.dir->DefaultDir = path("proposal");
    // Cancel: the proposal folder created for the dialog is removed again.
    QVERIFY_THROWS_EXCEPTION(EAbort, w.dir->BrowseForDir());
    QCOMPARE(dialogs.asked().last().folder, path("proposal"));
    QVERIFY(!QFileInfo::exists(path("proposal")));
    // Choosing another folder removes the unused empty proposal too.
    dialogs.answerDirectory(path("out/sub/"));
    w.dir->BrowseForDir();
    QCOMPARE(w.dir->Edit->text(), path("out/sub"));
    QVERIFY(!QFileInfo::exists(path("proposal")));
    // From a too short path the dialog starts at the documents folder.
    w.dir->Edit->setText("x");
    dialogs.answerDirectory(path("out"));
    w.dir->BrowseForDir();
    QCOMPARE(dialogs.asked().last().folder, DocumentsFolder());
}

void TestPathPickers::fileValidate_data()
{
    QTest::addColumn<QString>("edit");
    QTest::addColumn<QString>("defaultName");
    QTest::addColumn<bool>("optional");
    QTest::addColumn<QString>("scriptedFile");   // "-" = nothing scripted
    QTest::addColumn<bool>("valid");
    QTest::addColumn<int>("state");
    QTest::addColumn<QString>("message");
    QTest::newRow("exists") << "editor" << "" << false << "-" << true << int(TFrameFindexec::TEditState::Normal) << "";
    QTest::newRow("default-used") << "" << "editor" << false << "-" << true << int(TFrameFindexec::TEditState::Normal) << "";
    QTest::newRow("exempt") << "" << "@" << false << "-" << true << int(TFrameFindexec::TEditState::Normal) << "";
    QTest::newRow("unavailable") << "editor" << "x*" << false << "-" << true << int(TFrameFindexec::TEditState::Invalid)
                                 << "File Editor is marked unavailable!";
    QTest::newRow("optional-missing") << "gone" << "" << true << "-" << true << int(TFrameFindexec::TEditState::Invalid) << "";
    QTest::newRow("found-by-user") << "gone" << "" << false << "editor" << true << int(TFrameFindexec::TEditState::Normal) << "";
    QTest::newRow("not-found") << "gone" << "" << false << "" << false << int(TFrameFindexec::TEditState::Invalid)
                               << "File not found: gone";
}

void TestPathPickers::fileValidate()
{
    QFETCH(QString, edit);
    QFETCH(QString, defaultName);
    QFETCH(bool, optional);
    QFETCH(QString, scriptedFile);
    QFETCH(bool, valid);
    QFETCH(int, state);
    QFETCH(QString, message);
    TPickerWindow w;
    TScriptedDialogs dialogs;
    const auto abs = [&](const QString &p) { return p.isEmpty() || p == "@" || p.contains('*') ? p : path(p); };
    w.exec->Edit->setText(edit.isEmpty() ? edit : abs(edit));
    w.exec->DefaultName = abs(defaultName);
    w.exec->setOptional(optional);
    if (scriptedFile != "-")
        dialogs.answerFile(abs(scriptedFile));
    int changed = 0;
    w.exec->OnProgramChanged = [&](QObject *) { ++changed; };
    QCOMPARE(w.exec->Validate(), valid);
    QCOMPARE(int(w.exec->editState()), state);
    QCOMPARE(w.bar->LastMessage(), message.isEmpty() ? QString() : message.replace("gone", path("gone")));
    QVERIFY(dialogs.allAnswersUsed());
    if (scriptedFile != "-" && !scriptedFile.isEmpty()) {
        QCOMPARE(changed, 1);
        QCOMPARE(w.exec->Edit->text(), path(scriptedFile));
    }
    const bool redShown = w.exec->Edit->palette().color(QPalette::Base) == QColor(Qt::red);
    QCOMPARE(redShown, state == int(TFrameFindexec::TEditState::Invalid));
}

void TestPathPickers::fileBrowseButton()
{
    TPickerWindow w;
    TScriptedDialogs dialogs;
    w.exec->Edit->setText(path("editor"));
    QVERIFY_THROWS_EXCEPTION(EAbort, w.exec->SpeedButtonFindExecClick());   // cancelled
    QCOMPARE(dialogs.asked().last().text, QString("Find Editor "));
    QCOMPARE(dialogs.asked().last().filter, QString("All files (*)"));
    int changed = 0;
    w.exec->OnProgramChanged = [&](QObject *) { ++changed; };
    w.exec->OnFind = [&](QString &p, const QString &caption) {
        QCOMPARE(caption, QString("Editor"));
        p = path("Rules.txt");
    };
    w.exec->SpeedButtonFindExecClick();
    QCOMPARE(w.exec->Edit->text(), path("Rules.txt"));
    QCOMPARE(changed, 1);

    // A changed, missing file is reported on leaving the edit.
    w.exec->Edit->setText(path("nothing"));
    w.exec->Edit->setModified(true);
    w.exec->OnFind = nullptr;
    dialogs.answerFile(path("editor"));
    w.exec->EditExit();
    QCOMPARE(w.bar->LastMessage(), QString("File doesn't exist"));
    QCOMPARE(w.exec->Edit->text(), path("editor"));
}

void TestPathPickers::reloadCheckList()
{
    TPickerWindow w;
    QListWidget list;
    const QString file = path("rules.lst");
    TextFile::writeLines(file, {"Rule one", "", "x", "Rule two"});
    w.exec->Edit->setText(file);
    const QDateTime saved = QFileInfo(file).lastModified().addSecs(-60);
    QVERIFY(w.exec->ReloadCheckList(&list, saved));
    QCOMPARE(list.count(), 2);
    QCOMPARE(list.item(0)->text(), QString("Rule one"));
    QCOMPARE(list.item(1)->checkState(), Qt::Checked);
    QCOMPARE(w.bar->LastMessage(),
             QString("rules.lst - has been changed sience the project was changed, all entries are selected "));
    // Not changed since the save: nothing happens.
    list.clear();
    QVERIFY(!w.exec->ReloadCheckList(&list, QFileInfo(file).lastModified().addSecs(60)));
    QCOMPARE(list.count(), 0);
    // A job never saved: loaded, but not reported.
    QVERIFY(!w.exec->ReloadCheckList(&list, QDateTime()));
    QCOMPARE(list.count(), 2);
}

void TestPathPickers::useDefaultExtension()
{
    TFrameFindexec picker;
    picker.DefaultName = path("Rules.txt");
    QVERIFY(!picker.UseDefaultExtension("3"));
    QCOMPARE(picker.DefaultName, path("Rules.txt"));
    QVERIFY(picker.UseDefaultExtension("2"));
    QCOMPARE(picker.DefaultName, path("Rules.2"));
}

void TestPathPickers::dropTargets_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<bool>("hooked");   // OnWMDropFileMessage set; otherwise filesDropped is emitted
    for (const char *kind : {"group box", "button", "panel"}) {
        QTest::addRow("%s, hook", kind) << QString(kind) << true;
        QTest::addRow("%s, signal", kind) << QString(kind) << false;
    }
}

void TestPathPickers::dropTargets()
{
    QFETCH(QString, kind);
    QFETCH(bool, hooked);
    std::unique_ptr<QWidget> target;
    if (kind == "group box")
        target = std::make_unique<QGroupBox>();
    else if (kind == "button")
        target = std::make_unique<QPushButton>();
    else
        target = std::make_unique<QFrame>();
    QVERIFY(!target->acceptDrops());
    auto *handler = new TDropFilesHandler(target.get());
    QVERIFY(target->acceptDrops());
    QCOMPARE(handler->parent(), target.get());
    QCOMPARE(handler->Target(), target.get());

    QStringList got;
    QObject *from = nullptr;
    if (hooked) {
        handler->OnWMDropFileMessage = [&](QObject *sender, const QStringList &names) {
            from = sender;
            got = names;
        };
    }
    QSignalSpy spy(handler, &TDropFilesHandler::filesDropped);
    const QStringList dropped{path("out/a.txt"), path("out/sub")};
    sendDrop(target.get(), dropped);
    if (hooked) {
        QCOMPARE(from, target.get());
        QCOMPARE(got, dropped);
        QCOMPARE(spy.count(), 0);
    } else {
        QCOMPARE(spy.count(), 1);
        QCOMPARE(spy.first().first().toStringList(), dropped);
    }
}

void TestPathPickers::dropTargetRefusesOtherDrags()
{
    QPushButton button;
    int calls = 0;
    new TDropFilesHandler(&button, [&](QObject *, const QStringList &) { ++calls; });
    QMimeData data;
    data.setUrls({QUrl("https://example.org/a.csv")});
    data.setText("a.csv");
    QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(&button, &enter);
    QVERIFY(!enter.isAccepted());
    QDropEvent drop(QPointF(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(&button, &drop);
    QCOMPARE(calls, 0);
}

void TestPathPickers::aboutBox_data()
{
    QTest::addColumn<QString>("memo");
    QTest::addColumn<bool>("memoShown");
    QTest::addColumn<QString>("memoText");
    QTest::addColumn<int>("alignment");
    QTest::newRow("none") << "" << false << "" << 0;
    QTest::newRow("centred") << "Tool root directory : \r\n/opt/tools" << true << "Tool root directory : \n/opt/tools"
                             << int(Qt::AlignHCenter);
    QTest::newRow("left") << "@Left text" << true << "Left text" << int(Qt::AlignLeft);
}

void TestPathPickers::aboutBox()
{
    QFETCH(QString, memo);
    QFETCH(bool, memoShown);
    QFETCH(QString, memoText);
    QFETCH(int, alignment);
    TAboutBoxDlg about;
    about.MemoContent = memo;
    about.Heading = "About Quenbar";
    about.PgmTitle = memo.isEmpty() ? QString() : QString("Quenbar Workbench");
    bool inspected = false;
    about.OnBeforeShow = [&](TfrmAbout &f) {
        inspected = true;
        QCOMPARE(f.windowTitle(), QString("About Quenbar"));
        QCOMPARE(f.LabelFileVersion->text(), "File Version: " + ProgramVersionString("FileVersion"));
        QCOMPARE(f.LabelProductVersion->text(), "Product Version: " + ProgramVersionString("ProductVersion"));
        QCOMPARE(f.LabelLegal->text(), ProgramVersionString("LegalCopyright"));
        QVERIFY(f.LabelBuilt->text().startsWith("Built on: 20"));
        QCOMPARE(f.LabelTitle->text(), memo.isEmpty() ? ProgramVersionString("ProductName") : QString("Quenbar Workbench"));
        QCOMPARE(!f.MemoContent->isHidden(), memoShown);
        if (memoShown) {
            QCOMPARE(f.MemoContent->toPlainText(), memoText.replace("\r", ""));
            QCOMPARE(int(f.MemoContent->alignment() & Qt::AlignHorizontal_Mask), alignment);
        }
    };
    QVERIFY(!about.Execute());   // offscreen: nobody can press OK
    QVERIFY(inspected);
}

QTEST_MAIN(TestPathPickers)
#include "tst_pathpickers.moc"
