#include "CommandDispatch.h"
#include "DialogService.h"
#include "Errors.h"
#include "MyStatusBar.h"
#include "ScriptedDialogs.h"

#include <QAction>
#include <QDialogButtonBox>
#include <QFontDialog>
#include <QPushButton>
#include <QMainWindow>
#include <QTemporaryFile>
#include <QtTest>

#include <cstdio>
#include <stdexcept>
#include <unistd.h>

Q_DECLARE_METATYPE(TMsgDlgType)

namespace {

// Captures what is written to the process's standard error meanwhile.
class TStderrCapture
{
public:
    TStderrCapture()
    {
        std::fflush(stderr);
        if (m_file.open()) {
            m_saved = ::dup(STDERR_FILENO);
            ::dup2(m_file.handle(), STDERR_FILENO);
        }
    }
    ~TStderrCapture() { restore(); }
    QString take()
    {
        restore();
        m_file.seek(0);
        return QString::fromLocal8Bit(m_file.readAll());
    }

private:
    void restore()
    {
        if (m_saved < 0)
            return;
        std::fflush(stderr);
        ::dup2(m_saved, STDERR_FILENO);
        ::close(m_saved);
        m_saved = -1;
    }
    QTemporaryFile m_file;
    int m_saved = -1;
};

// Throws from its event handler, as a faulty slot would.
class TThrowingObject : public QObject
{
public:
    std::function<void()> thrower;

protected:
    bool event(QEvent *event) override
    {
        if (event->type() == QEvent::User)
            thrower();
        return QObject::event(event);
    }
};

class TOddError
{
};

} // namespace

class TestDialogService : public QObject
{
    Q_OBJECT
private slots:
    void defaultAnswer_data();
    void defaultAnswer();
    void noDisplayPrintsAndTakesDefault();
    void noDisplayFileDialogsCancel();
    void scriptedQueuesAndRecords();
    void scriptedInstallsAndRestores();
    void fontDialogApply();
    void runCommandOutcomes_data();
    void runCommandOutcomes();
    void runCommandWithoutBarUsesStderr();
    void runCommandNeverThrowsThroughDialogs();
    void connectedActionIsGuarded();
    void notifyCatchesEscapes();
};

void TestDialogService::defaultAnswer_data()
{
    QTest::addColumn<int>("buttons");
    QTest::addColumn<int>("defaultButton");
    QTest::addColumn<int>("expected");
    QTest::newRow("OK") << int(mbOK) << 0 << int(mbOK);
    QTest::newRow("OK/Cancel") << mbOKCancel << 0 << int(mbOK);
    QTest::newRow("Yes/No") << mbYesNo << 0 << int(mbYes);
    QTest::newRow("Yes/No/Cancel") << mbYesNoCancel << 0 << int(mbYes);
    QTest::newRow("Abort/Retry/Ignore") << int(mbAbort | mbRetry | mbIgnore) << 0 << int(mbIgnore);
    QTest::newRow("Abort/Retry") << int(mbAbort | mbRetry) << 0 << int(mbRetry);
    QTest::newRow("Retry/Cancel") << int(mbRetry | mbCancel) << 0 << int(mbRetry);
    QTest::newRow("Abort") << int(mbAbort) << 0 << int(mbAbort);
    QTest::newRow("No/Cancel") << int(mbNo | mbCancel) << 0 << int(mbNo);
    QTest::newRow("Cancel") << int(mbCancel) << 0 << int(mbCancel);
    QTest::newRow("Yes/No default No") << mbYesNo << int(mbNo) << int(mbNo);
    QTest::newRow("Yes/No/Cancel default Cancel") << mbYesNoCancel << int(mbCancel) << int(mbCancel);
    QTest::newRow("OK/Cancel default Yes absent") << mbOKCancel << int(mbYes) << int(mbOK);
    QTest::newRow("OK/Cancel default two buttons") << mbOKCancel << mbOKCancel << int(mbOK);
    QTest::newRow("no buttons means OK") << int(mbNone) << 0 << int(mbOK);
}

void TestDialogService::defaultAnswer()
{
    QFETCH(int, buttons);
    QFETCH(int, defaultButton);
    QFETCH(int, expected);
    QCOMPARE(Dialogs::defaultAnswer(buttons, defaultButton), expected);
}

void TestDialogService::noDisplayPrintsAndTakesDefault()
{
    QCOMPARE(Dialogs::installedService(), nullptr);
    QVERIFY(!Dialogs::canAsk()); // offscreen
    TStderrCapture capture;
    const int answer = Dialogs::message(TMsgDlgType::Confirmation, QStringLiteral("Overwrite \"a.txt\"?"), mbYesNoCancel,
                                        mbNo);
    const QString printed = capture.take();
    QCOMPARE(answer, int(mbNo));
    QVERIFY2(printed.contains(QStringLiteral("Confirmation")), qPrintable(printed));
    QVERIFY2(printed.contains(QStringLiteral("Overwrite \"a.txt\"?")), qPrintable(printed));
    QVERIFY2(printed.contains(QStringLiteral("Yes/No/Cancel")), qPrintable(printed));
    QVERIFY2(printed.contains(QStringLiteral("answer taken: No")), qPrintable(printed));
}

void TestDialogService::noDisplayFileDialogsCancel()
{
    TStderrCapture capture;
    TFileDialogRequest request;
    request.caption = QStringLiteral("Open job");
    request.filter = QStringLiteral("Job files (*.jQuenbar)");
    QCOMPARE(Dialogs::service().openFileName(request), QString());
    QCOMPARE(Dialogs::service().openFileNames(request), QStringList());
    QCOMPARE(Dialogs::service().saveFileName(request), QString());
    QCOMPARE(Dialogs::service().existingDirectory(QStringLiteral("Output directory"), QStringLiteral("/tmp")), QString());
    QFont font(QStringLiteral("DejaVu Sans"), 9);
    const QFont before = font;
    QVERIFY(!Dialogs::service().chooseFont(font));
    QCOMPARE(font, before);
    const QString printed = capture.take();
    QCOMPARE(printed.count(QStringLiteral("Open job")), 3);
    QVERIFY2(printed.contains(QStringLiteral("Output directory")), qPrintable(printed));
    QVERIFY2(printed.contains(QStringLiteral("Font dialog")), qPrintable(printed));
}

void TestDialogService::scriptedQueuesAndRecords()
{
    TScriptedDialogs dialogs;
    dialogs.answerMessage(mbNo);
    dialogs.answerMessage(mbCancel);
    dialogs.answerFile(QStringLiteral("/jobs/one.jQuenbar"));
    dialogs.answerFiles({QStringLiteral("/src/a.cbl"), QStringLiteral("/src/b.cbl")});
    dialogs.answerDirectory(QStringLiteral("/out"));
    dialogs.answerFont(QFont(QStringLiteral("DejaVu Sans Mono"), 11));

    QCOMPARE(Dialogs::message(TMsgDlgType::Confirmation, QStringLiteral("q1"), mbYesNo), int(mbNo));
    QCOMPARE(Dialogs::message(TMsgDlgType::Warning, QStringLiteral("q2"), mbOKCancel), int(mbCancel));
    // The queue is empty: the default is taken and recorded as such.
    QCOMPARE(Dialogs::message(TMsgDlgType::Error, QStringLiteral("q3"), mbAbort | mbRetry | mbIgnore), int(mbIgnore));
    TFileDialogRequest request;
    request.caption = QStringLiteral("Open");
    QCOMPARE(Dialogs::service().openFileName(request), QStringLiteral("/jobs/one.jQuenbar"));
    QCOMPARE(Dialogs::service().openFileNames(request),
             QStringList({QStringLiteral("/src/a.cbl"), QStringLiteral("/src/b.cbl")}));
    QCOMPARE(Dialogs::service().saveFileName(request), QString()); // queue used up: cancelled
    QCOMPARE(Dialogs::service().existingDirectory(QStringLiteral("Folder"), QString()), QStringLiteral("/out"));
    QFont font;
    QVERIFY(Dialogs::service().chooseFont(font));
    QCOMPARE(font.family(), QStringLiteral("DejaVu Sans Mono"));
    QVERIFY(!Dialogs::service().chooseFont(font));
    QVERIFY(dialogs.allAnswersUsed());

    QCOMPARE(dialogs.asked().size(), 9);
    const QList<TAskedDialog> messages = dialogs.messages();
    QCOMPARE(messages.size(), 3);
    QCOMPARE(messages[0].type, TMsgDlgType::Confirmation);
    QCOMPARE(messages[0].text, QStringLiteral("q1"));
    QCOMPARE(messages[0].buttons, mbYesNo);
    QVERIFY(messages[0].scripted);
    QCOMPARE(messages[2].answer, int(mbIgnore));
    QVERIFY(!messages[2].scripted);
    QCOMPARE(dialogs.asked()[5].kind, TAskedDialog::SaveFile);
    QCOMPARE(dialogs.asked()[5].answer, int(mbCancel));
}

// The desktop's font dialog has an Apply button exactly when the caller
// takes applied fonts; a press hands over the font shown and keeps the
// dialog open.
void TestDialogService::fontDialogApply()
{
    const QFont start(QStringLiteral("DejaVu Sans"), 9);
    QList<QFont> applied;
    const std::unique_ptr<QFontDialog> dialog =
        Dialogs::makeFontDialog(start, nullptr, [&applied](const QFont &f) { applied << f; });
    auto *box = dialog->findChild<QDialogButtonBox *>();
    QVERIFY(box);
    QPushButton *apply = box->button(QDialogButtonBox::Apply);
    QVERIFY(apply);
    QVERIFY(box->button(QDialogButtonBox::Ok) && box->button(QDialogButtonBox::Cancel));
    dialog->show();
    QFont shown(QStringLiteral("DejaVu Sans Mono"), 14);
    dialog->setCurrentFont(shown);
    apply->click();
    QCOMPARE(applied.size(), 1);
    QCOMPARE(applied.first().family(), dialog->currentFont().family());
    QCOMPARE(applied.first().pointSize(), dialog->currentFont().pointSize());
    QVERIFY(dialog->isVisible());
    QCOMPARE(dialog->result(), int(QDialog::Rejected));   // not closed, not accepted

    const std::unique_ptr<QFontDialog> plain = Dialogs::makeFontDialog(start, nullptr, {});
    QVERIFY(!plain->findChild<QDialogButtonBox *>()->button(QDialogButtonBox::Apply));

    // The scripted service: presses before the answer; none without Apply.
    TScriptedDialogs dialogs;
    dialogs.answerFontApplied(shown);
    dialogs.answerFontCancelled();
    QFont font = start;
    QList<QFont> scripted;
    QVERIFY(!Dialogs::service().chooseFont(font, nullptr, [&scripted](const QFont &f) { scripted << f; }));
    QCOMPARE(scripted, QList<QFont>{shown});
    QCOMPARE(font, start);
    dialogs.answerFontApplied(shown);
    dialogs.answerFont(shown);
    QVERIFY(Dialogs::service().chooseFont(font));
    QCOMPARE(font, shown);
    QCOMPARE(dialogs.asked().last().applied, QStringList());
    QVERIFY(dialogs.allAnswersUsed());
}

void TestDialogService::scriptedInstallsAndRestores()
{
    QCOMPARE(Dialogs::installedService(), nullptr);
    {
        TScriptedDialogs outer;
        QCOMPARE(Dialogs::installedService(), &outer);
        {
            TScriptedDialogs inner;
            inner.answerMessage(mbNo);
            QCOMPARE(Dialogs::message(TMsgDlgType::Confirmation, QStringLiteral("inner"), mbYesNo), int(mbNo));
            QCOMPARE(inner.messageCount(), 1);
        }
        QCOMPARE(Dialogs::installedService(), &outer);
        Dialogs::message(TMsgDlgType::Information, QStringLiteral("outer"), mbOK);
        QCOMPARE(outer.messageCount(), 1);
        QCOMPARE(outer.lastMessage().text, QStringLiteral("outer"));
    }
    QCOMPARE(Dialogs::installedService(), nullptr);
}

void TestDialogService::runCommandOutcomes_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<bool>("completes");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<int>("severity");
    QTest::newRow("runs to its end") << 0 << true << QStringLiteral("before") << 0;
    QTest::newRow("EAbort is silent") << 1 << false << QStringLiteral("before") << 0;
    QTest::newRow("file error") << 2 << false << QStringLiteral("Cannot open file \"x.ini\"") << 2;
    QTest::newRow("std exception") << 3 << false << QStringLiteral("vector too long") << 2;
    QTest::newRow("unknown exception") << 4 << false << UnknownErrorText() << 2;
    QTest::newRow("error without message") << 5 << false << ErrorWithoutMessageText() << 2;
}

void TestDialogService::runCommandOutcomes()
{
    QFETCH(int, kind);
    QFETCH(bool, completes);
    QFETCH(QString, shown);
    QFETCH(int, severity);
    TScriptedDialogs dialogs;
    TMyStatusBar bar;
    bar.ShowInfo(QStringLiteral("before"));
    const bool ran = RunCommand(&bar, [kind] {
        switch (kind) {
        case 1: throw EAbort();
        case 2: throw EFileError(QStringLiteral("Cannot open file \"x.ini\""));
        case 3: throw std::length_error("vector too long");
        case 4: throw TOddError();
        case 5: throw EConvertError(QString());
        default: break;
        }
    });
    QCOMPARE(ran, completes);
    QCOMPARE(bar.text(), shown);
    QCOMPARE(bar.Severity(), severity);
    QCOMPARE(dialogs.messageCount(), 0);
}

void TestDialogService::runCommandWithoutBarUsesStderr()
{
    TStderrCapture capture;
    QVERIFY(!RunCommand(nullptr, [] { throw EFileError(QStringLiteral("Disk full")); }));
    QVERIFY(!RunCommand(nullptr, [] { throw EAbort(); }));
    const QString printed = capture.take();
    QCOMPARE(printed, QStringLiteral("Disk full\n"));
}

void TestDialogService::runCommandNeverThrowsThroughDialogs()
{
    // The report itself must not end anything, even with message boxes on
    // and the error stack in use.
    TScriptedDialogs dialogs;
    TMyStatusBar bar;
    bar.setUseMessageBox(true);
    bar.AddError(QStringLiteral("earlier"), true);
    QVERIFY(!RunCommand(&bar, [] { throw EQuenbarError(QStringLiteral("later")); }));
    QCOMPARE(bar.Messages(), QStringLiteral("- earlier\r\n- later"));
    QCOMPARE(dialogs.messageCount(), 2);
    // A command that reports and ends itself leaves exactly its own report.
    QVERIFY(!RunCommand(&bar, [&bar] { bar.ErrorAndAbort(QStringLiteral("Print cancelled")); }));
    QCOMPARE(bar.Messages(), QStringLiteral("- earlier\r\n- later\r\n- Print cancelled"));
}

void TestDialogService::connectedActionIsGuarded()
{
    TScriptedDialogs dialogs;
    QMainWindow window;
    auto *bar = new TMyStatusBar(&window);
    bar->setObjectName(QStringLiteral("MyStB"));
    window.setStatusBar(bar);
    window.resize(800, 600);
    window.show(); // lays the bar out to the window's width
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    auto *explicitAction = new QAction(QStringLiteral("Run"), &window);
    auto *foundAction = new QAction(QStringLiteral("Save"), &window);
    int runs = 0;
    ConnectCommand(explicitAction, bar, [&runs] {
        ++runs;
        throw EFileError(QStringLiteral("Cannot create \"last.xml\""));
    });
    ConnectCommand(foundAction, nullptr, [] { throw std::runtime_error("no space"); });
    explicitAction->trigger();
    QCOMPARE(runs, 1);
    QCOMPARE(bar->text(), QStringLiteral("Cannot create \"last.xml\""));
    foundAction->trigger();
    QCOMPARE(bar->text(), QStringLiteral("no space"));
    QCOMPARE(StatusBarOf(&window), bar);
}

void TestDialogService::notifyCatchesEscapes()
{
    QVERIFY(qobject_cast<TQuenbarApplication *>(QCoreApplication::instance()));
    TScriptedDialogs dialogs;
    TThrowingObject target;

    // No active window: the report goes to stderr.
    {
        TStderrCapture capture;
        target.thrower = [] { throw EQuenbarError(QStringLiteral("escaped the command")); };
        QEvent event(QEvent::User);
        QCOMPARE(QCoreApplication::sendEvent(&target, &event), false);
        QVERIFY(capture.take().contains(QStringLiteral("escaped the command")));
    }

    QMainWindow window;
    auto *bar = new TMyStatusBar(&window);
    bar->setObjectName(QStringLiteral("MyStB"));
    window.setStatusBar(bar);
    window.show();
    window.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    QCOMPARE(QApplication::activeWindow(), &window);

    target.thrower = [] { throw std::runtime_error("slot failed"); };
    QEvent event(QEvent::User);
    QCoreApplication::sendEvent(&target, &event);
    QCOMPARE(bar->text(), QStringLiteral("slot failed"));

    bar->ClearMessage();
    target.thrower = [] { throw EAbort(); };
    QCoreApplication::sendEvent(&target, &event);
    QCOMPARE(bar->text(), QString());
    QCOMPARE(bar->Severity(), 0);

    // Posted events reach the handler through the event loop as well.
    target.thrower = [] { throw EFileError(QStringLiteral("posted failure")); };
    QCoreApplication::postEvent(&target, new QEvent(QEvent::User));
    QCoreApplication::sendPostedEvents(&target, QEvent::User);
    QCOMPARE(bar->text(), QStringLiteral("posted failure"));
}

int main(int argc, char **argv)
{
    TQuenbarApplication app(argc, argv);
    TestDialogService test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_dialogservice.moc"
