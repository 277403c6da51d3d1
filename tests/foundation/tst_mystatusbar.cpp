#include "DialogService.h"
#include "Errors.h"
#include "MyStatusBar.h"
#include "ScriptedDialogs.h"
#include "WidgetRoutines.h"

#include <QLabel>
#include <QMouseEvent>
#include <QtTest>

#include <memory>

namespace {
const QString kCrLf = QStringLiteral("\r\n");
const QString kMore = QStringLiteral("More than one message, click here to get them!");
const QString kOneError = QStringLiteral("The following error occured....\r\n\r\n");
const QString kErrors = QStringLiteral("The following errors occured....\r\n\r\n");

// A text of the given length whose characters differ, so a wrong cut shows.
QString sampleText(int length)
{
    QString text;
    for (int i = 0; i < length; ++i)
        text += QChar(u'a' + i % 26);
    return text;
}

int roomOf(const TMyStatusBar &bar)
{
    return std::max(10, bar.contentsRect().width() - TextPixelWidth(QStringLiteral("..."), bar.font()));
}
} // namespace

class TestMyStatusBar : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void defaultsAndColours();
    void threeErrorsStack();
    void infoAndWarningJoinTheStack();
    void longMessageFits_data();
    void longMessageFits();
    void shortMessageReplacesOverflowTooltip();
    void refitsWhenWidened();
    void clearMessageKeepsForeignTooltip();
    void emptyShowErrorClears();
    void severityRules();
    void dialogsOnlyWithUseMessageBox();
    void fatalAlwaysAsksAndAborts();
    void showErrorWithoutContinueAborts();
    void errorAndAbort();
    void askAfterErrorsStacked();
    void askAfterErrorsFirstError();
    void clickShowsPlainText();
    void handlersReplaceClick();
    void mouseReachesClick();

private:
    std::unique_ptr<TScriptedDialogs> m_dialogs;
    std::unique_ptr<TMyStatusBar> m_bar;
};

void TestMyStatusBar::init()
{
    m_dialogs = std::make_unique<TScriptedDialogs>();
    m_bar = std::make_unique<TMyStatusBar>();
    m_bar->setObjectName(QStringLiteral("MyStB"));
    m_bar->resize(400, 24);
}

void TestMyStatusBar::cleanup()
{
    m_bar.reset();
    m_dialogs.reset();
}

void TestMyStatusBar::defaultsAndColours()
{
    TMyStatusBar &bar = *m_bar;
    QCOMPARE(bar.ColorErr(), QColor(0xFF, 0x80, 0x80));
    QCOMPARE(bar.ColorWarn(), QColor(0x58, 0x54, 0xFA));
    QCOMPARE(bar.property("ColorErr").value<QColor>(), QColor(0xFF, 0x80, 0x80));
    QCOMPARE(bar.UseMessageBox(), false);
    QVERIFY(bar.findChild<QLabel *>(TMyStatusBarBase::panelName()));

    const QColor normal = bar.palette().color(QPalette::Button);
    QCOMPARE(bar.panelColor(), normal);
    bar.ShowWarning(QStringLiteral("w"));
    QCOMPARE(bar.panelColor(), bar.ColorWarn());
    bar.ShowError(QStringLiteral("e"), true);
    QCOMPARE(bar.panelColor(), bar.ColorErr());
    QCOMPARE(bar.palette().color(QPalette::Window), bar.ColorErr());
    // A layout setting the property while the error shows recolours it.
    QVERIFY(bar.setProperty("ColorErr", QColor(Qt::green)));
    QCOMPARE(bar.panelColor(), QColor(Qt::green));
    bar.ShowInfo(QStringLiteral("i"));
    QCOMPARE(bar.panelColor(), normal);
}

void TestMyStatusBar::threeErrorsStack()
{
    TMyStatusBar &bar = *m_bar;
    bar.AddError(QStringLiteral("first"), true);
    QCOMPARE(bar.text(), QStringLiteral("first"));
    QCOMPARE(bar.Messages(), QStringLiteral("- first"));
    bar.AddError(QStringLiteral("second"), true);
    QCOMPARE(bar.text(), kMore);
    bar.AddError(QStringLiteral("third"), true);
    QCOMPARE(bar.text(), kMore);
    const QString list = QStringLiteral("- first\r\n- second\r\n- third");
    QCOMPARE(bar.Messages(), list);
    QCOMPARE(bar.toolTip(), list);
    QCOMPARE(bar.LastMessage(), QStringLiteral("third"));
    QCOMPARE(bar.Severity(), 2);
    QCOMPARE(m_dialogs->messageCount(), 0);

    bar.Click();
    QCOMPARE(m_dialogs->messageCount(), 1);
    const TAskedDialog asked = m_dialogs->lastMessage();
    QCOMPARE(asked.type, TMsgDlgType::Error);
    QCOMPARE(asked.buttons, int(mbOK));
    QCOMPARE(asked.text, kErrors + list);

    bar.ClearMessage();
    QCOMPARE(bar.text(), QString());
    QCOMPARE(bar.toolTip(), QString());
    QCOMPARE(bar.Messages(), QString());
    QCOMPARE(bar.Severity(), 0);
    // A fresh stack starts after clearing.
    bar.AddError(QStringLiteral("again"), true);
    QCOMPARE(bar.text(), QStringLiteral("again"));
}

void TestMyStatusBar::infoAndWarningJoinTheStack()
{
    TMyStatusBar &bar = *m_bar;
    bar.AddError(QStringLiteral("broken"), true);
    bar.ShowInfo(QStringLiteral("progress"));
    bar.ShowWarning(QStringLiteral("careful"));
    bar.ShowError(QStringLiteral("worse"), true);
    QCOMPARE(bar.Messages(), QStringLiteral("- broken\r\n- progress\r\n- careful\r\n- worse"));
    QCOMPARE(bar.text(), kMore);
    QCOMPARE(bar.panelColor(), bar.ColorErr());
    QCOMPARE(bar.Severity(), 2);
}

void TestMyStatusBar::longMessageFits_data()
{
    QTest::addColumn<int>("barWidth");
    QTest::addColumn<int>("length");
    QTest::addColumn<bool>("multipleOfFive");
    QTest::newRow("200 chars, wide bar") << 3000 << 200 << true;
    QTest::newRow("200 chars, narrow bar") << 300 << 200 << true;
    QTest::newRow("126 chars, wide bar") << 3000 << 126 << true;
    QTest::newRow("90 chars, narrow bar") << 250 << 90 << true;
    QTest::newRow("93 chars, narrow bar") << 250 << 93 << false;
    QTest::newRow("200 chars, tiny bar") << 5 << 200 << true;
}

void TestMyStatusBar::longMessageFits()
{
    QFETCH(int, barWidth);
    QFETCH(int, length);
    QFETCH(bool, multipleOfFive);
    TMyStatusBar &bar = *m_bar;
    bar.resize(barWidth, 24);
    const QString message = sampleText(length);
    if (length < 126)
        QVERIFY2(TextPixelWidth(message, bar.font()) > roomOf(bar), "row must hold a message wider than the bar");

    bar.ShowError(message, true);
    const QString shown = bar.text();
    QVERIFY(shown.endsWith(QStringLiteral("...")));
    const int cut = int(shown.size()) - 3;
    const QString prefix = message.left(cut);
    QCOMPARE(shown, prefix + QStringLiteral("..."));
    QVERIFY(cut >= 1);
    QVERIFY(cut <= (length >= 126 ? 120 : length - 5));
    if (multipleOfFive)
        QCOMPARE(cut % 5, 0);
    else
        QCOMPARE(cut % 5, length % 5);
    // The longest prefix of the sequence that fits: the next longer one does not.
    QVERIFY(cut <= 5 || TextPixelWidth(prefix, bar.font()) <= roomOf(bar));
    const int first = length >= 126 ? 120 : length - 5;
    if (cut < first)
        QVERIFY(TextPixelWidth(message.left(cut + 5), bar.font()) > roomOf(bar));

    QCOMPARE(bar.toolTip(), prefix + kCrLf + message.mid(cut));
    QCOMPARE(bar.LastMessage(), message);

    bar.Click();
    QCOMPARE(m_dialogs->lastMessage().text, kOneError + message);
}

void TestMyStatusBar::shortMessageReplacesOverflowTooltip()
{
    TMyStatusBar &bar = *m_bar;
    bar.ShowInfo(sampleText(200));
    QVERIFY(!bar.toolTip().isEmpty());
    bar.ShowInfo(QStringLiteral("short"));
    QCOMPARE(bar.text(), QStringLiteral("short"));
    QCOMPARE(bar.toolTip(), QString());

    bar.ShowInfo(sampleText(200));
    bar.ClearMessage();
    QCOMPARE(bar.toolTip(), QString());
}

void TestMyStatusBar::refitsWhenWidened()
{
    TMyStatusBar &bar = *m_bar;
    bar.resize(150, 24);
    bar.show();
    QVERIFY(QTest::qWaitForWindowExposed(&bar));
    const QString message = sampleText(60);
    bar.ShowError(message, true);
    QVERIFY(bar.text().endsWith(QStringLiteral("...")));
    bar.resize(3000, 24);
    QTRY_COMPARE(bar.text(), message);
    QCOMPARE(bar.toolTip(), QString());
    // A text that fits is left alone when the bar narrows again.
    bar.ShowInfo(QStringLiteral("ok"));
    bar.resize(150, 24);
    QTRY_COMPARE(bar.width(), 150);
    QCOMPARE(bar.text(), QStringLiteral("ok"));
}

void TestMyStatusBar::clearMessageKeepsForeignTooltip()
{
    TMyStatusBar &bar = *m_bar;
    bar.setToolTip(QStringLiteral("set by the window"));
    bar.ShowInfo(QStringLiteral("fits"));
    bar.ClearMessage();
    QCOMPARE(bar.toolTip(), QStringLiteral("set by the window"));
}

void TestMyStatusBar::emptyShowErrorClears()
{
    TMyStatusBar &bar = *m_bar;
    bar.ShowError(QStringLiteral("bad"), true);
    QCOMPARE(bar.Severity(), 2);
    bar.ShowError(QString(), false); // clears, does not end the command
    QCOMPARE(bar.text(), QString());
    QCOMPARE(bar.Severity(), 0);
    QCOMPARE(bar.panelColor(), bar.normalColor());
    QCOMPARE(bar.Messages(), QString());
}

void TestMyStatusBar::severityRules()
{
    TMyStatusBar &bar = *m_bar;
    QCOMPARE(bar.Severity(), 0);
    bar.ShowInfo(QStringLiteral("working"));
    QCOMPARE(bar.Severity(), 0);
    QCOMPARE(bar.LastMessage(), QString());
    bar.ShowWarning(QStringLiteral("odd"));
    QCOMPARE(bar.Severity(), 1);
    QCOMPARE(bar.LastMessage(), QStringLiteral("odd"));
    bar.ShowInfo(QStringLiteral("still working"));
    QCOMPARE(bar.Severity(), 1);
    QCOMPARE(bar.text(), QStringLiteral("still working"));
    bar.ShowError(QStringLiteral("bad"), true);
    QCOMPARE(bar.Severity(), 2);
    bar.ShowWarning(QStringLiteral("odd again"));
    QCOMPARE(bar.Severity(), 2);
    bar.ClearMessage();
    QCOMPARE(bar.Severity(), 0);
    QVERIFY_THROWS_EXCEPTION(EAbort, bar.ShowFatal(QStringLiteral("gone")));
    QCOMPARE(bar.Severity(), 3);
    bar.ShowError(QStringLiteral("after fatal"), true);
    QCOMPARE(bar.Severity(), 3);
    // The count of errors survives ClearMessage; warnings are not counted.
    QCOMPARE(bar.ErrorsReported(), 3);
}

void TestMyStatusBar::dialogsOnlyWithUseMessageBox()
{
    TMyStatusBar &bar = *m_bar;
    bar.ShowWarning(QStringLiteral("w"));
    bar.ShowError(QStringLiteral("e"), true);
    bar.AddError(QStringLiteral("a"), true);
    bar.AskAfterErrors(QStringLiteral("Go on?")); // asks regardless
    QCOMPARE(m_dialogs->messageCount(), 1);
    bar.ClearMessage();
    m_dialogs->clearAsked();

    bar.setUseMessageBox(true);
    bar.ShowInfo(QStringLiteral("info never asks"));
    QCOMPARE(m_dialogs->messageCount(), 0);
    bar.ShowWarning(QStringLiteral("w"));
    bar.ShowError(QStringLiteral("e"), true);
    bar.ClearMessage();
    bar.AddError(QStringLiteral("a1"), true);
    bar.AddError(QStringLiteral("a2"), true);
    const QList<TAskedDialog> asked = m_dialogs->messages();
    QCOMPARE(asked.size(), 4);
    QCOMPARE(asked[0].type, TMsgDlgType::Warning);
    QCOMPARE(asked[0].text, QStringLiteral("w"));
    QCOMPARE(asked[0].buttons, int(mbOK));
    QCOMPARE(asked[1].type, TMsgDlgType::Error);
    QCOMPARE(asked[1].text, QStringLiteral("e"));
    QCOMPARE(asked[3].text, QStringLiteral("- a1\r\n- a2")); // the whole stack
}

void TestMyStatusBar::fatalAlwaysAsksAndAborts()
{
    TMyStatusBar &bar = *m_bar;
    bar.AddError(QStringLiteral("one"), true);
    bar.AddError(QStringLiteral("two"), true);
    const QString fatal = sampleText(200);
    QVERIFY_THROWS_EXCEPTION(EAbort, bar.ShowFatal(fatal));
    QCOMPARE(bar.text(), fatal); // unshortened
    QCOMPARE(bar.Messages(), QString());
    QCOMPARE(bar.LastMessage(), fatal);
    QCOMPARE(bar.panelColor(), bar.ColorErr());
    QCOMPARE(m_dialogs->messageCount(), 1);
    QCOMPARE(m_dialogs->lastMessage().type, TMsgDlgType::Error);
    QCOMPARE(m_dialogs->lastMessage().buttons, int(mbAbort));
    QCOMPARE(m_dialogs->lastMessage().text, fatal);
    // The stack is gone: the next error starts a new one.
    bar.AddError(QStringLiteral("new"), true);
    QCOMPARE(bar.Messages(), QStringLiteral("- new"));
}

void TestMyStatusBar::showErrorWithoutContinueAborts()
{
    TMyStatusBar &bar = *m_bar;
    QVERIFY_THROWS_EXCEPTION(EAbort, bar.ShowError(QStringLiteral("stop"), false));
    QCOMPARE(bar.text(), QStringLiteral("stop"));
    QCOMPARE(bar.Severity(), 2);
    QVERIFY_THROWS_EXCEPTION(EAbort, bar.AddError(QStringLiteral("stacked stop"), false));
    QCOMPARE(bar.Messages(), QStringLiteral("- stacked stop"));
    // Stacked errors take ShowError's continue flag along.
    QVERIFY_THROWS_EXCEPTION(EAbort, bar.ShowError(QStringLiteral("more"), false));
    QCOMPARE(bar.Messages(), QStringLiteral("- stacked stop\r\n- more"));
}

void TestMyStatusBar::errorAndAbort()
{
    TMyStatusBar &bar = *m_bar;
    QVERIFY_THROWS_EXCEPTION(EAbort, bar.ErrorAndAbort(QStringLiteral("No deficiency files found in output directory")));
    QCOMPARE(bar.text(), QStringLiteral("No deficiency files found in output directory"));
    QCOMPARE(bar.Severity(), 2);
    QCOMPARE(bar.Messages(), QString()); // reported, not stacked

    bar.ErrorAndAbort(QString()); // only clears
    QCOMPARE(bar.text(), QString());
    QCOMPARE(bar.Severity(), 0);

    bar.AddError(QStringLiteral("one"), true);
    QVERIFY_THROWS_EXCEPTION(EAbort, bar.ErrorAndAbort(QStringLiteral("Print cancelled")));
    QCOMPARE(bar.Messages(), QStringLiteral("- one\r\n- Print cancelled"));
    QVERIFY_THROWS_EXCEPTION(EAbort, bar.AddErrorAndAbort(QStringLiteral("File search cancelled")));
    QCOMPARE(bar.Messages(), QStringLiteral("- one\r\n- Print cancelled\r\n- File search cancelled"));
}

void TestMyStatusBar::askAfterErrorsStacked()
{
    TMyStatusBar &bar = *m_bar;
    bar.AddError(QStringLiteral("copy failed"), true);
    bar.AddError(QStringLiteral("move failed"), true);
    m_dialogs->answerMessage(mbNo);
    const QString question = QStringLiteral("Errors occured durig installation, rewrite ini file?");
    QCOMPARE(bar.AskAfterErrors(question), int(mbNo));
    const QString list = QStringLiteral("- copy failed\r\n- move failed\r\n") + question;
    QCOMPARE(bar.Messages(), list);
    QCOMPARE(bar.toolTip(), list);
    QCOMPARE(bar.text(), QStringLiteral("More than one message, place cursor over the status bar (here) to get them!"));
    QCOMPARE(bar.LastMessage(), question);
    const TAskedDialog asked = m_dialogs->lastMessage();
    QCOMPARE(asked.type, TMsgDlgType::Error);
    QCOMPARE(asked.buttons, int(mbYesNo));
    QCOMPARE(asked.text, list);
    QVERIFY(m_dialogs->allAnswersUsed());

    // Unscripted, the run goes on with Yes.
    QCOMPARE(bar.AskAfterErrors(QStringLiteral("Again?")), int(mbYes));
}

void TestMyStatusBar::askAfterErrorsFirstError()
{
    TMyStatusBar &bar = *m_bar;
    bar.ShowWarning(QStringLiteral("Settings file incomplete"));
    m_dialogs->answerMessage(mbYes);
    const QString question = QStringLiteral("Rewrite ini file?");
    QCOMPARE(bar.AskAfterErrors(question), int(mbYes));
    QCOMPARE(bar.text(), question);
    QCOMPARE(bar.Severity(), 2);
    QCOMPARE(bar.panelColor(), bar.ColorErr());
    // The dialog shows what went wrong and, always, the question.
    const QString asked = m_dialogs->lastMessage().text;
    QCOMPARE(asked, QStringLiteral("Settings file incomplete\r\nRewrite ini file?"));

    bar.ClearMessage();
    bar.AskAfterErrors(question);
    QCOMPARE(m_dialogs->lastMessage().text, question);
}

void TestMyStatusBar::clickShowsPlainText()
{
    TMyStatusBar &bar = *m_bar;
    bar.Click(); // nothing shown, nothing to tell
    QCOMPARE(m_dialogs->messageCount(), 0);
    bar.ShowError(QStringLiteral("File not found"), true);
    bar.DblClick();
    QCOMPARE(m_dialogs->lastMessage().text, kOneError + QStringLiteral("File not found"));
    QCOMPARE(m_dialogs->lastMessage().type, TMsgDlgType::Error);
}

void TestMyStatusBar::handlersReplaceClick()
{
    TMyStatusBar &bar = *m_bar;
    bar.ShowError(QStringLiteral("x"), true);
    int clicks = 0;
    int doubleClicks = 0;
    bar.OnClick = [&clicks] { ++clicks; };
    bar.Click();
    QCOMPARE(clicks, 1);
    QCOMPARE(m_dialogs->messageCount(), 0);
    bar.DblClick(); // not assigned: built-in behaviour
    QCOMPARE(m_dialogs->messageCount(), 1);
    bar.OnDblClick = [&doubleClicks] { ++doubleClicks; };
    bar.DblClick();
    QCOMPARE(doubleClicks, 1);
    QCOMPARE(m_dialogs->messageCount(), 1);
}

void TestMyStatusBar::mouseReachesClick()
{
    TMyStatusBar &bar = *m_bar;
    bar.show();
    QVERIFY(QTest::qWaitForWindowExposed(&bar));
    bar.ShowError(QStringLiteral("x"), true);
    int clicks = 0;
    int doubleClicks = 0;
    bar.OnClick = [&clicks] { ++clicks; };
    bar.OnDblClick = [&doubleClicks] { ++doubleClicks; };
    // Over the text panel: the label lets the mouse through to the bar.
    auto *panel = bar.findChild<QLabel *>(TMyStatusBarBase::panelName());
    QVERIFY(panel);
    const QPoint inside = panel->geometry().center();
    QTest::mouseClick(bar.windowHandle(), Qt::LeftButton, {}, inside);
    QCOMPARE(clicks, 1);
    QTest::mouseClick(bar.windowHandle(), Qt::RightButton, {}, inside);
    QCOMPARE(clicks, 1);
    QMouseEvent dbl(QEvent::MouseButtonDblClick, QPointF(inside), bar.mapToGlobal(QPointF(inside)), Qt::LeftButton,
                    Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&bar, &dbl);
    QCOMPARE(doubleClicks, 1);
}

QTEST_MAIN(TestMyStatusBar)
#include "tst_mystatusbar.moc"
