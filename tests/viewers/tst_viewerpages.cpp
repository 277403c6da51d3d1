#include "ViewerPages.h"

#include "core/TestReporter.h"
#include "Errors.h"
#include "ScriptedDialogs.h"
#include "SharedRoutinesCommon.h"
#include "SimpleViewerFrame.h"
#include "TextFile.h"

#include <QClipboard>
#include <QFile>
#include <QGuiApplication>
#include <QFileInfo>
#include <QMap>
#include <QPlainTextEdit>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QtTest>

// A window's tab widget with its viewer pages; counts the hooks' calls.
struct TViewerWindow
{
    QWidget window;
    QTabWidget *tabs = new QTabWidget(&window);
    TTestReporter reporter;
    TViewerPages pages{tabs, reporter};
    int shown = 0;
    int emptied = 0;
    TViewerWindow()
    {
        pages.OnShow = [this] { ++shown; };
        pages.OnLastPageClosed = [this] { ++emptied; };
    }
};

class TestViewerPages : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void caption_data();
    void caption();
    void pagesOpenAndClose();
    void changedFileReloads_data();
    void changedFileReloads();
    void missingFileLeavesNoPage();
    void font();
    void fontApplyTouchesTheCurrentPageOnly();
    void copyAndSelectAll();

private:
    QString file(const QString &name, const QString &text);
    QTemporaryDir m_dir;
    QMap<QString, QString> m_settings;
};

void TestViewerPages::initTestCase()
{
    SetSettingsProcedures([this](const QString &name) { return m_settings.value(name); },
                          [this](const QString &name, const QString &text) { m_settings[name] = text; });
}

QString TestViewerPages::file(const QString &name, const QString &text)
{
    const QString path = m_dir.filePath(name);
    TextFile::writeLines(path, {text});
    return path;
}

void TestViewerPages::caption_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("base");
    QTest::addColumn<QString>("caption");
    QTest::newRow("below the base") << "/out/job/Exports/S1.log" << "/out/job" << "Exports/S1.log";
    QTest::newRow("base with delimiter") << "/out/job/S1.log" << "/out/job/" << "S1.log";
    QTest::newRow("case differs") << "/OUT/Job/S1.log" << "/out/job" << "S1.log";
    QTest::newRow("elsewhere") << "/tmp/S1.log" << "/out/job" << "/tmp/S1.log";
    QTest::newRow("no base") << "/tmp/S1.log" << "" << "/tmp/S1.log";
}

void TestViewerPages::caption()
{
    QFETCH(QString, path);
    QFETCH(QString, base);
    QTEST(TViewerPages::Caption(path, base), "caption");
}

void TestViewerPages::pagesOpenAndClose()
{
    TViewerWindow w;
    QStringList files;
    for (int i = 0; i < 3; ++i)
        files << file(QString("r%1.txt").arg(i), QString("line %1").arg(i));
    for (const QString &f : files)
        w.pages.Open(f, m_dir.path());
    QCOMPARE(w.shown, 3);
    QCOMPARE(w.pages.Count(), 3);
    QCOMPARE(w.pages.PageCounter(), 3);
    QCOMPARE(w.tabs->tabText(1), QString("r1.txt"));
    QCOMPARE(w.tabs->widget(1)->objectName(), QString("tsv1"));
    TFrameSimpleViewer *viewer = w.pages.ActiveViewer();
    QVERIFY(viewer);
    QCOMPARE(viewer->objectName(), QString("tsv2FrameSimpleViewer"));
    QCOMPARE(viewer->Memo->toPlainText(), QString("line 2\n"));

    w.pages.Open(files[0], m_dir.path());   // unchanged: brought to front, not opened again
    QCOMPARE(w.pages.Count(), 3);
    QCOMPARE(w.tabs->currentIndex(), 0);
    QCOMPARE(w.pages.ActiveViewer()->FileName(), files[0]);

    QVERIFY(w.pages.CloseCurrent());
    QCOMPARE(w.tabs->tabText(0), QString("r1.txt"));
    QCOMPARE(w.emptied, 0);
    w.pages.CloseAll();
    QCOMPARE(w.pages.Count(), 0);
    QCOMPARE(w.emptied, 1);
    QVERIFY(!w.pages.CloseCurrent());
    QVERIFY(!w.pages.ActiveViewer());
    w.pages.Open(files[1], m_dir.path());   // the numbers go on
    QCOMPARE(w.tabs->widget(0)->objectName(), QString("tsv3"));
}

void TestViewerPages::changedFileReloads_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("answer");   // mbNone: no question expected
    QTest::addColumn<bool>("reloaded");
    QTest::newRow("log, without asking") << "S1.log" << int(mbNone) << true;
    QTest::newRow("other file, yes") << "S1.wsdl" << int(mbYes) << true;
    QTest::newRow("other file, no") << "S1.wsdl" << int(mbNo) << false;
}

void TestViewerPages::changedFileReloads()
{
    QFETCH(QString, name);
    QFETCH(int, answer);
    QFETCH(bool, reloaded);
    TViewerWindow w;
    TScriptedDialogs dialogs;
    const QString path = file(name, "first");
    w.pages.Open(path, m_dir.path());
    TextFile::writeLines(path, {"second"});
    QFile f(path);
    QVERIFY(f.open(QIODevice::ReadWrite));
    QVERIFY(f.setFileTime(QFileInfo(path).lastModified().addSecs(10), QFileDevice::FileModificationTime));
    f.close();
    if (answer != mbNone)
        dialogs.answerMessage(answer);

    w.pages.Open(path, m_dir.path());
    QCOMPARE(dialogs.messageCount(), answer == mbNone ? 0 : 1);
    if (answer != mbNone)
        QCOMPARE(dialogs.lastMessage().text, "Module " + name + "'s date/time changed. Reload?");
    QCOMPARE(w.pages.Count(), 1);
    QCOMPARE(w.tabs->widget(0)->objectName(), QString(reloaded ? "tsv1" : "tsv0"));
    QCOMPARE(w.pages.ActiveViewer()->Memo->toPlainText(), QString(reloaded ? "second\n" : "first\n"));
    QCOMPARE(w.emptied, reloaded ? 1 : 0);   // the old page goes before the new one comes
}

void TestViewerPages::missingFileLeavesNoPage()
{
    TViewerWindow w;
    const QString missing = m_dir.filePath("none.txt");
    QVERIFY_THROWS_EXCEPTION(EAbort, w.pages.Open(missing, m_dir.path()));
    QCOMPARE(w.reporter.errors(), QStringList{"File " + missing + " doesn't exist"});
    QCOMPARE(w.pages.Count(), 0);
    QCOMPARE(w.pages.PageCounter(), 0);
    QCOMPARE(w.shown, 0);
}

void TestViewerPages::font()
{
    TViewerWindow w;
    TScriptedDialogs dialogs;
    QCOMPARE(w.pages.Font(), TViewerPages::DefaultFont());
    QCOMPARE(w.pages.Font().pixelSize(), 11);
    w.pages.Open(file("a.txt", "a"), m_dir.path());
    QCOMPARE(w.pages.ActiveViewer()->Memo->font(), TViewerPages::DefaultFont());

    m_settings.clear();
    dialogs.answerFontCancelled();
    QVERIFY(!w.pages.ChooseFont(&w.window));
    QVERIFY(m_settings.isEmpty());

    QFont chosen("DejaVu Sans Mono");
    chosen.setPointSize(13);
    chosen.setBold(true);
    dialogs.answerFont(chosen);
    QVERIFY(w.pages.ChooseFont(&w.window));
    QCOMPARE(w.pages.ActiveViewer()->Memo->font(), chosen);   // open pages follow
    QCOMPARE(m_settings.value("FontName"), QString("DejaVu Sans Mono"));
    QCOMPARE(m_settings.value("FontSize"), QString("13"));
    QCOMPARE(m_settings.value("FontBold"), QString("1"));
    QCOMPARE(m_settings.value("FontCharSet"), QString("238"));

    // The stored font comes back in another window.
    TViewerWindow other;
    other.pages.ReadFontSettings();
    QCOMPARE(other.pages.Font().family(), QString("DejaVu Sans Mono"));
    QVERIFY(other.pages.Font().bold());
    other.pages.Open(file("b.txt", "b"), m_dir.path());
    QCOMPARE(other.pages.ActiveViewer()->Memo->font(), other.pages.Font());
}

// Apply tries a font on the page in front; only a confirmed choice goes to
// every page and into the settings.
void TestViewerPages::fontApplyTouchesTheCurrentPageOnly()
{
    TViewerWindow w;
    TScriptedDialogs dialogs;
    w.pages.Open(file("a.txt", "a"), m_dir.path());
    w.pages.Open(file("b.txt", "b"), m_dir.path());
    QCOMPARE(w.tabs->currentIndex(), 1);
    auto memo = [&](int page) { return w.tabs->widget(page)->findChild<TFrameSimpleViewer *>()->Memo; };
    QFont first("DejaVu Sans Mono");
    first.setPointSize(15);
    QFont second("DejaVu Sans");
    second.setPointSize(8);

    m_settings.clear();
    dialogs.answerFontApplied(first);
    dialogs.answerFontCancelled();
    QVERIFY(!w.pages.ChooseFont(&w.window));
    QCOMPARE(memo(1)->font(), first);
    QCOMPARE(memo(0)->font(), TViewerPages::DefaultFont());
    QCOMPARE(w.pages.Font(), TViewerPages::DefaultFont());
    QVERIFY(m_settings.isEmpty());
    QCOMPARE(dialogs.asked().last().applied, QStringList{first.toString()});

    w.tabs->setCurrentIndex(0);
    dialogs.answerFontApplied(first);
    dialogs.answerFontApplied(second);
    dialogs.answerFont(second);
    QVERIFY(w.pages.ChooseFont(&w.window));
    QCOMPARE(memo(0)->font(), second);
    QCOMPARE(memo(1)->font(), second);
    QCOMPARE(m_settings.value("FontName"), QString("DejaVu Sans"));
    QVERIFY(dialogs.allAnswersUsed());
}

void TestViewerPages::copyAndSelectAll()
{
    TViewerWindow w;
    w.pages.CopySelection();   // no page: nothing happens
    w.pages.SelectAllText();
    w.pages.Open(file("a.txt", "first line"), m_dir.path());
    w.pages.Open(file("b.txt", "second page"), m_dir.path());
    QGuiApplication::clipboard()->setText("before");
    w.pages.CopySelection();   // nothing selected: the clipboard keeps its text
    QCOMPARE(QGuiApplication::clipboard()->text(), QString("before"));
    w.pages.SelectAllText();
    QPlainTextEdit *memo = w.pages.ActiveViewer()->Memo;
    QVERIFY(memo->toPlainText().startsWith("second page"));
    QCOMPARE(memo->textCursor().selectedText().replace(QChar::ParagraphSeparator, '\n'), memo->toPlainText());
    w.pages.CopySelection();
    QCOMPARE(QGuiApplication::clipboard()->text(), memo->toPlainText());
    QVERIFY(!w.tabs->widget(0)->findChild<TFrameSimpleViewer *>()->Memo->textCursor().hasSelection());
}

QTEST_MAIN(TestViewerPages)
#include "tst_viewerpages.moc"
