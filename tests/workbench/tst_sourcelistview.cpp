#include "GuiTestBase.h"

#include "Errors.h"
#include "MyStatusBar.h"
#include "QuenbarDB.h"
#include "QuenbarMain.h"
#include "SourceList.h"
#include "SourceListView.h"
#include "StreamToIni.h"
#include "StringListHolder.h"
#include "TextFile.h"
#include "DropFilesHandler.h"

#include <QGroupBox>
#include "WidgetRoutines.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QListWidget>
#include <QMouseEvent>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalSpy>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QVBoxLayout>
#include <QtTest>

#include <memory>

namespace {

// A window with the source list's view beside another check list, an edit
// and a button, for what the view does on its own.
struct TViewFixture
{
    QTemporaryDir dir;
    std::unique_ptr<QWidget> window;
    QListView *view = nullptr;
    QListWidget *otherList = nullptr;
    QLineEdit *edit = nullptr;
    QPushButton *button = nullptr;
    TMyStatusBar *bar = nullptr;
    int modified = 0;
    std::unique_ptr<TSourceList> sources;
    TSourceListView *shown = nullptr;

    TViewFixture()
    {
        window = std::make_unique<QWidget>();
        window->setObjectName(QStringLiteral("frmQuenbarMain"));
        auto *layout = new QVBoxLayout(window.get());
        view = new QListView(window.get());
        view->setObjectName(QStringLiteral("CheckListBoxSelectedFiles"));
        layout->addWidget(view);
        otherList = new QListWidget(window.get());
        otherList->setObjectName(QStringLiteral("OtherCheckList"));
        layout->addWidget(otherList);
        edit = new QLineEdit(window.get());
        edit->setObjectName(QStringLiteral("EditSomething"));
        layout->addWidget(edit);
        button = new QPushButton(window.get());
        button->setObjectName(QStringLiteral("ButtonSomething"));
        layout->addWidget(button);
        bar = new TMyStatusBar(window.get());
        bar->setObjectName(QStringLiteral("MyStB"));
        layout->addWidget(bar);
        window->resize(3000, 600);
        bar->resize(3000, 30);   // messages fit: no cut text

        TSourceListHooks h;
        h.Reporter = bar;
        h.MarkModified = [this] { ++modified; };
        h.TextWidth = [this](const QString &text) { return TextPixelWidth(text, view->font()); };
        sources = std::make_unique<TSourceList>(h);
        shown = new TSourceListView(view, sources.get());
    }

    QString csv(const QString &relative, const QString &language = QStringLiteral("COBOL"))
    {
        const QString p = dir.filePath(relative);
        QDir().mkpath(QFileInfo(p).absolutePath());
        TextFile::writeLines(p, {QStringLiteral("header"), QStringLiteral("a;b;c;LANG;%1;x").arg(language)});
        return p;
    }
};

int interfaceRows(const TDM &dm, const QString &csvName)
{
    QSqlQuery q = dm.QWork();
    q.prepare(QStringLiteral("select count(*) from Interfaces where CSVName = :n"));
    q.bindValue(QStringLiteral(":n"), csvName);
    if (!q.exec() || !q.next())
        return -1;
    return q.value(0).toInt();
}

// An interface as an import leaves it: one operation with one message.
void addInterface(TDM &dm, const QString &csvName)
{
    dm.TableInterfaces().Insert({{QStringLiteral("Name"), csvName.toUpper()}, {QStringLiteral("CSVName"), csvName}});
    dm.TableOperations().Insert({{QStringLiteral("Name"), QStringLiteral("Op")}});
    dm.TableInputsOutputs().Insert({{QStringLiteral("TypeX"), 1}, {QStringLiteral("Name"), QStringLiteral("In")}});
}

// Names the window's gate lets commands through with.
void setNames(TfrmQuenbarMain *w)
{
    w->EditProductName->setText(QStringLiteral("abc"));
    w->EditSystemName->setText(QStringLiteral("def"));
}

QString writeSource(const QString &path, const QString &language = QStringLiteral("COBOL"))
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    TextFile::writeLines(path, {QStringLiteral("header"), QStringLiteral("a;b;c;LANG;%1;x").arg(language)});
    return path;
}

} // namespace

class TestSourceListView : public QObject
{
    Q_OBJECT
private slots:
    void drawing();
    void checkMarkSignal();
    void selectionTargets();
    void windowShowsTheList();
    void windowDoubleClickToggles();
    void windowRemovalCleansRepository();
    void windowJobFileLines();
};

void TestSourceListView::drawing()
{
    TViewFixture f;
    auto *delegate = qobject_cast<TSourceListDelegate *>(f.view->itemDelegate());
    QVERIFY(delegate);
    QCOMPARE(f.view->model(), f.sources.get());
    const QString a = f.csv(QStringLiteral("src/m/a.csv"));
    const QString b = f.csv(QStringLiteral("src/n/b.csv"), QStringLiteral("Java"));
    QVERIFY(f.sources->AddSourceFile(a));
    QVERIFY(f.sources->AddSourceFile(b));
    f.sources->SetCommonRoot(f.dir.filePath(QStringLiteral("src")));
    f.sources->DisableSource(1);
    QCOMPARE(f.sources->Names()->MaxLen(), TextPixelWidth(a, f.view->font()));

    QStyleOptionViewItem option;
    option.initFrom(f.view);
    option.widget = f.view;
    const QSize hint = delegate->sizeHint(option, f.sources->index(0));
    QVERIFY(hint.height() >= QFontMetrics(f.view->font()).height());
    QVERIFY(hint.width() >= f.sources->HorizontalExtent());
    f.window->show();
    QVERIFY(QTest::qWaitForWindowExposed(f.window.get()));
    QVERIFY(!f.view->grab().isNull());   // paints without failing
    // A new root lays the lines out again: a narrow view scrolls as far as the new extent.
    f.window->resize(200, 600);
    QTRY_VERIFY(f.view->horizontalScrollBar()->maximum() > 0);
    const int before = f.view->horizontalScrollBar()->maximum();
    f.sources->SetCommonRoot(QString());
    QVERIFY(f.view->horizontalScrollBar()->maximum() > before);
}

void TestSourceListView::checkMarkSignal()
{
    TViewFixture f;
    QVERIFY(f.sources->AddSourceFile(f.csv(QStringLiteral("src/a.csv"))));
    QVERIFY(f.sources->AddSourceFile(f.csv(QStringLiteral("src/b.csv"))));
    QSignalSpy spy(f.sources.get(), &TSourceList::CheckMarkClicked);
    f.window->show();
    QVERIFY(QTest::qWaitForWindowExposed(f.window.get()));
    f.view->setFocus();
    f.view->setCurrentIndex(f.sources->index(0));
    f.sources->SetChecked(0, false);   // by the program: no signal
    QCOMPARE(spy.count(), 0);
    QTest::keyClick(f.view, Qt::Key_Space);
    QVERIFY(f.sources->CheckedAt(0));
    QCOMPARE(spy.count(), 1);
    // A greyed line does not take the user's tick.
    f.sources->DisableSource(1);
    QStyleOptionViewItem option;
    option.initFrom(f.view);
    option.widget = f.view;
    option.rect = f.view->visualRect(f.sources->index(1));
    QKeyEvent space(QEvent::KeyPress, Qt::Key_Space, Qt::NoModifier, QStringLiteral(" "));
    QAbstractItemDelegate *delegate = f.view->itemDelegate();
    QVERIFY(!delegate->editorEvent(&space, f.sources.get(), option, f.sources->index(1)));
    QVERIFY(!f.sources->CheckedAt(1));
    QCOMPARE(spy.count(), 1);
}

void TestSourceListView::selectionTargets()
{
    TViewFixture f;
    QVERIFY(f.sources->AddSourceFile(f.csv(QStringLiteral("s/m/a.csv"))));
    for (const char *text : {"one", "two"}) {
        auto *item = new QListWidgetItem(QString::fromLatin1(text), f.otherList);
        item->setCheckState(Qt::Unchecked);
    }
    f.window->show();
    QVERIFY(QTest::qWaitForWindowExposed(f.window.get()));
    QAction action(QStringLiteral("Select all"));

    // The focused check list when the invoker is none.
    f.otherList->setFocus();
    int before = f.modified;
    f.shown->SelectAll(&action);
    QCOMPARE(f.otherList->item(0)->checkState(), Qt::Checked);
    QCOMPARE(f.otherList->item(1)->checkState(), Qt::Checked);
    QVERIFY(f.modified > before);
    QVERIFY(f.sources->CommonRoot().isEmpty());   // not the source list
    f.shown->ToggleSelect(f.button);
    QCOMPARE(f.otherList->item(0)->checkState(), Qt::Unchecked);
    QVERIFY(f.sources->CheckedAt(0));

    // An invoker with a tag refuses; so does a focus outside any check list.
    f.button->setProperty("Tag", 3);
    QVERIFY_THROWS_EXCEPTION(EAbort, f.shown->SelectAll(f.button));
    QCOMPARE(f.bar->LastMessage(), QStringLiteral("Click on a checklistbox first to use this function(Tag)!"));
    f.edit->setFocus();
    QVERIFY_THROWS_EXCEPTION(EAbort, f.shown->UnselectAll(&action));
    QCOMPARE(f.bar->LastMessage(), QStringLiteral("Click on a checklistbox first to use this function!"));
    QVERIFY(f.sources->CheckedAt(0));

    // The invoking check list wins over the focus; the focused view is one too.
    f.shown->UnselectAll(f.view);
    QVERIFY(!f.sources->CheckedAt(0));
    f.view->setFocus();
    f.shown->SelectAll(&action);
    QVERIFY(f.sources->CheckedAt(0));
    QCOMPARE(f.sources->CommonRoot(), f.dir.path());
    QCOMPARE(f.otherList->item(1)->checkState(), Qt::Unchecked);

    // Entering the list without a current line makes the first one current.
    f.edit->setFocus();
    f.view->setCurrentIndex(QModelIndex());
    QVERIFY(!f.view->currentIndex().isValid());
    f.view->setFocus();
    QTRY_COMPARE(f.view->currentIndex().row(), 0);
}

void TestSourceListView::windowShowsTheList()
{
    TGuiTestBase t;
    QVERIFY(t.start());
    TfrmQuenbarMain *w = t.window();
    setNames(w);
    QCOMPARE(w->CheckListBoxSelectedFiles->objectName(), QStringLiteral("CheckListBoxSelectedFiles"));
    QCOMPARE(w->CheckListBoxSelectedFiles->model(), w->Sources);
    QCOMPARE(w->Sources->Names(), w->STLHCentral_Name);
    QCOMPARE(w->Sources->Statuses(), w->STLHCentral_Other);
    const QString a = writeSource(t.path("src/sys/A/B/p1.csv"));
    const QString q = writeSource(t.path("src/sys/A/q.csv"), QStringLiteral("Java"));
    QVERIFY(w->Sources->AddSourceFile(a));
    QVERIFY(w->Sources->AddSourceFile(q));
    w->ActCalculateCommonRoot->trigger();
    QCOMPARE(w->MyStB->Severity(), 0);
    QCOMPARE(w->EditCommonRoot->text(), t.path("src/sys"));
    QCOMPARE(w->LabelDepth->text(), QStringLiteral("1"));
    QCOMPARE(w->GroupBoxSelectedFiles->title(), QStringLiteral("Source files of the project (2)"));
    QCOMPARE(w->STLHCentral_Name->MaxLen(), TextPixelWidth(a, w->CheckListBoxSelectedFiles->font()));
    QVERIFY(w->modified());

    // A tick by the user recalculates the root.
    w->Sources->SetCommonRoot(QString());
    w->CheckListBoxSelectedFiles->setFocus();
    w->CheckListBoxSelectedFiles->setCurrentIndex(w->Sources->index(0));
    QTest::keyClick(w->CheckListBoxSelectedFiles, Qt::Key_Space);
    QVERIFY(!w->Sources->CheckedAt(0));
    QCOMPARE(w->EditCommonRoot->text(), t.path("src/sys"));

    w->ClearJob();
    QCOMPARE(w->Sources->Count(), 0);
    QVERIFY(w->STLHCentral_Name->StringList().isEmpty());
    QCOMPARE(w->EditCommonRoot->text(), QString());
    QCOMPARE(w->GroupBoxSelectedFiles->title(), QStringLiteral("Source files of the project (0)"));
}

void TestSourceListView::windowDoubleClickToggles()
{
    TGuiTestBase t;
    QVERIFY(t.start());
    TfrmQuenbarMain *w = t.window();
    QVERIFY(w->Sources->AddSourceFile(writeSource(t.path("src/m/a.csv"))));
    QVERIFY(w->Sources->AddSourceFile(writeSource(t.path("src/m/b.csv"))));
    w->Sources->SetChecked(1, false);
    QListView *view = w->CheckListBoxSelectedFiles;
    QTRY_VERIFY(view->visualRect(w->Sources->index(0)).isValid());
    // On the text, away from the check box, as the platform sends a double click.
    const QRect line = view->visualRect(w->Sources->index(0));
    QSignalSpy doubleClicks(view, &QAbstractItemView::doubleClicked);
    const QPoint at(line.left() + 120, line.center().y());
    QTest::mousePress(view->viewport(), Qt::LeftButton, Qt::NoModifier, at);
    QTest::mouseRelease(view->viewport(), Qt::LeftButton, Qt::NoModifier, at);
    QTest::mousePress(view->viewport(), Qt::LeftButton, Qt::NoModifier, at);
    QMouseEvent second(QEvent::MouseButtonDblClick, at, view->viewport()->mapToGlobal(at), Qt::LeftButton,
                       Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(view->viewport(), &second);
    QTest::mouseRelease(view->viewport(), Qt::LeftButton, Qt::NoModifier, at);
    QCOMPARE(doubleClicks.count(), 1);
    QVERIFY(!w->Sources->CheckedAt(0));
    QVERIFY(w->Sources->CheckedAt(1));
    QCOMPARE(w->EditCommonRoot->text(), w->Sources->CommonRoot());
}

void TestSourceListView::windowRemovalCleansRepository()
{
    TGuiTestBase t;
    QVERIFY(t.start());
    TfrmQuenbarMain *w = t.window();
    setNames(w);
    TDM &dm = *t.dm();
    QVERIFY(dm.OpenRepository(t.path("db"), false));
    const QString a = writeSource(t.path("src/Alpha.csv"));
    const QString g = writeSource(t.path("src/Gamma.csv"), QStringLiteral("Java"));
    QVERIFY(w->Sources->AddSourceFile(a));
    QVERIFY(w->Sources->AddSourceFile(g));
    addInterface(dm, QStringLiteral("Alpha"));
    addInterface(dm, QStringLiteral("Gamma"));
    w->Sources->SetChecked(0, false);
    w->ActRemoveFiles->trigger();
    QCOMPARE(w->Sources->Lines(), QStringList{g + QStringLiteral("=0000")});
    QCOMPARE(interfaceRows(dm, QStringLiteral("Alpha")), 0);
    QCOMPARE(interfaceRows(dm, QStringLiteral("Gamma")), 1);
}

void TestSourceListView::windowJobFileLines()
{
    TGuiTestBase t;
    QVERIFY(t.start());
    TfrmQuenbarMain *w = t.window();
    w->Sources->SetItems({{QStringLiteral("/src/a.csv=0000"), true, true},
                          {QStringLiteral("/src/b.csv=0001"), false, false}});
    TStreamToIni saved;
    saved.SaveFormState(w);
    const int key = saved.IndexOfName(QStringLiteral("frmQuenbarMain.CheckListBoxSelectedFiles"));
    QVERIFY(key > 0);
    QCOMPARE(saved.at(key - 1), QStringLiteral("[TCheckListBox - frmQuenbarMain.CheckListBoxSelectedFiles]"));
    QCOMPARE(saved.valueAt(key), QStringLiteral("CheckListBoxSelectedFiles"));
    // The lines a QListWidget with these items writes, and no more.
    QCOMPARE(saved.lines().mid(key + 1, 2), (QStringList{"YY/src/a.csv=0000", "NN/src/b.csv=0001"}));
    QCOMPARE(saved.ListBlockEnd(key + 1), key + 3);

    // Restored as the window loads a job: the enabled state comes back on.
    w->Sources->Clear();
    saved.RestoreFormState(w);
    QCOMPARE(w->Sources->Lines(), (QStringList{"/src/a.csv=0000", "/src/b.csv=0001"}));
    QVERIFY(w->Sources->CheckedAt(0));
    QVERIFY(!w->Sources->CheckedAt(1));
    QVERIFY(w->Sources->EnabledAt(1));
}

QTEST_MAIN(TestSourceListView)
#include "tst_sourcelistview.moc"
