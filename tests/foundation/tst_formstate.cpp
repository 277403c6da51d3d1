#include "CheckListModel.h"
#include "Errors.h"
#include "Frame.h"
#include "IncCombo.h"
#include "RadioGroup.h"
#include "StreamToIni.h"
#include "StringListHolder.h"
#include "TextFile.h"
#include "TestFiles.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QFile>
#include <QLineEdit>
#include <QListView>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QSpinBox>
#include <QStringListModel>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QVBoxLayout>
#include <QtTest>

#include <memory>

class TFrameTest : public TFrame
{
    Q_OBJECT
public:
    using TFrame::TFrame;
};

class TFrameFindexec : public TFrame
{
    Q_OBJECT
public:
    using TFrame::TFrame;
};

namespace {

template <class T>
T *named(QWidget *parent, const char *name)
{
    auto *w = new T(parent);
    w->setObjectName(QString::fromLatin1(name));
    if (parent && parent->layout())
        parent->layout()->addWidget(w);
    return w;
}

void addCheckItem(QListWidget *list, const QString &text, bool checked, bool enabled)
{
    auto *item = new QListWidgetItem(text, list);
    Qt::ItemFlags flags = Qt::ItemIsSelectable | Qt::ItemIsUserCheckable;
    if (enabled)
        flags |= Qt::ItemIsEnabled;
    item->setFlags(flags);
    item->setCheckState(checked ? Qt::Checked : Qt::Unchecked);
}

// A window with one control of each kind (and a frame with an edit), all at
// their empty defaults. The window is not shown. With checkListView the check
// list is a QListView over a check list model.
std::unique_ptr<QWidget> buildWindow(bool checkListView = false)
{
    auto window = std::make_unique<QWidget>();
    window->setObjectName("frmTest");
    window->setWindowTitle("Form state test");
    auto *layout = new QVBoxLayout(window.get());
    Q_UNUSED(layout);
    named<QLineEdit>(window.get(), "EditName");
    named<QComboBox>(window.get(), "ComboLang")->addItems({"first", "second item", "third,3"});
    named<QComboBox>(window.get(), "ComboFree")->setEditable(true);
    auto *inc = named<TIncCombo>(window.get(), "IncKind");
    inc->AddItem("x", "0");
    named<QCheckBox>(window.get(), "CheckBoxAudit");
    if (checkListView) {
        auto *view = named<QListView>(window.get(), "CheckListRules");
        view->setModel(new TCheckListModel(view));
    } else {
        named<QListWidget>(window.get(), "CheckListRules");
    }
    named<QPlainTextEdit>(window.get(), "MemoNotes");
    auto *names = new TStringListHolder(window.get());
    names->setObjectName("STLHNames");
    auto *other = new TStringListHolder(window.get());
    other->setObjectName("STLHOther");
    named<TRadioGroup>(window.get(), "RadioGroupMode")->SetItems({"one", "two", "three"});
    auto *frame = named<TFrameTest>(window.get(), "FrameSource");
    new QVBoxLayout(frame);
    named<QLineEdit>(frame, "EditPath");
    return window;
}

template <class T>
T *find(QWidget *window, const char *name)
{
    T *w = window->findChild<T *>(QString::fromLatin1(name));
    if (!w)
        qFatal("no control %s", name);
    return w;
}

// Gives every control of a built window a distinct non-default state.
void fillWindow(QWidget *w)
{
    find<QLineEdit>(w, "EditName")->setText("Name = value; more");
    find<QComboBox>(w, "ComboLang")->setCurrentIndex(2);
    auto *free = find<QComboBox>(w, "ComboFree");
    free->addItems({"alpha", "beta"});
    free->setCurrentIndex(-1);
    free->setEditText("typed \"text\"");
    auto *inc = find<TIncCombo>(w, "IncKind");
    inc->ClearAll();
    inc->AddItem("Alpha", "K1");
    inc->AddItem("Beta gamma", "K2");
    inc->setCurrentIndex(1);
    find<QCheckBox>(w, "CheckBoxAudit")->setChecked(true);
    if (auto *list = w->findChild<QListWidget *>("CheckListRules")) {
        addCheckItem(list, "Rule one", true, true);
        addCheckItem(list, "Rule two", false, false);
        addCheckItem(list, "Yes rule", true, false);
    } else {
        auto *model = qobject_cast<TCheckListModel *>(find<QListView>(w, "CheckListRules")->model());
        model->SetItems({{"Rule one", true, true}, {"Rule two", false, false}, {"Yes rule", true, false}});
    }
    find<QPlainTextEdit>(w, "MemoNotes")->setPlainText("first\n\nthird = 3\n");
    auto *names = w->findChild<TStringListHolder *>("STLHNames");
    names->SetSaveObjects(true);
    names->SetMaxLen(250);
    names->add("C:/src/a.cbl", 42);
    names->add("mail@host@x", 7);
    auto *other = w->findChild<TStringListHolder *>("STLHOther");
    other->SetMaxLen(3);
    other->add("<Proc>");
    other->add("");
    other->add("1@x");
    find<TRadioGroup>(w, "RadioGroupMode")->SetItemIndex(2);
    find<QLineEdit>(w, "EditPath")->setText("/data/in");
}

// The state of one control as text, to compare a restored control with its original.
QString stateOf(QObject *o)
{
    if (auto *holder = qobject_cast<TStringListHolder *>(o)) {
        QStringList parts{QString::number(holder->MaxLen()), holder->SaveObjects() ? "Y" : "N"};
        for (int i = 0; i < holder->count(); ++i)
            parts << QString::number(holder->object(i)) + ":" + holder->get(i);
        return parts.join('|');
    }
    if (auto *radio = qobject_cast<TRadioGroup *>(o))
        return QString::number(radio->ItemIndex());
    if (auto *inc = qobject_cast<TIncCombo *>(o)) {
        QStringList parts{QString::number(inc->currentIndex()), inc->currentText()};
        for (int i = 0; i < inc->count(); ++i)
            parts << inc->itemText(i) + "=>" + inc->Key(i);
        return parts.join('|');
    }
    if (auto *combo = qobject_cast<QComboBox *>(o)) {
        QStringList parts{QString::number(combo->currentIndex()), combo->currentText()};
        for (int i = 0; i < combo->count(); ++i)
            parts << combo->itemText(i);
        return parts.join('|');
    }
    if (auto *box = qobject_cast<QCheckBox *>(o))
        return box->isChecked() ? "checked" : "unchecked";
    if (auto *list = qobject_cast<QListWidget *>(o)) {
        QStringList parts;
        for (int i = 0; i < list->count(); ++i) {
            const QListWidgetItem *item = list->item(i);
            parts << QString("%1%2%3")
                         .arg(item->checkState() == Qt::Checked ? "+" : "-")
                         .arg(item->flags().testFlag(Qt::ItemIsEnabled) ? "e" : "d")
                         .arg(item->text());
        }
        return parts.join('|');
    }
    if (auto *view = qobject_cast<QListView *>(o)) {
        const QAbstractItemModel *model = view->model();
        QStringList parts;
        for (int i = 0; i < model->rowCount(); ++i) {
            const QModelIndex index = model->index(i, 0);
            parts << QString("%1%2%3")
                         .arg(index.data(Qt::CheckStateRole).toInt() == Qt::Checked ? "+" : "-")
                         .arg(model->flags(index).testFlag(Qt::ItemIsEnabled) ? "e" : "d")
                         .arg(index.data().toString());
        }
        return parts.join('|');
    }
    if (auto *memo = qobject_cast<QPlainTextEdit *>(o))
        return memo->toPlainText();
    if (auto *edit = qobject_cast<QLineEdit *>(o))
        return edit->text();
    return QString();
}

} // namespace

class TestFormState : public QObject
{
    Q_OBJECT
private slots:
    void roundTrip_data();
    void roundTrip();
    void defaultOptionsLeaveItemListsAlone();
    void twoEditsAndCheckBoxExactLines();
    void captionNotAppliedAndEmptyCaptionWritesNoLine();
    void missingWindowWritesNothing();
    void componentsOfWindowsFramesAndControls();
    void skipListAndFrameClasses();
    void skipInvisible();
    void settingsResetAfterFailingPass();
    void oldOneFlagCheckListFile();
    void checkListViewLikeCheckList_data();
    void checkListViewLikeCheckList();
    void listViewOfOtherModelIsNoControl();
    void memoEndsAtSectionLine();
    void comboDigitsBeyondItemsRestoredAsText();
    void shortKeyFallback();
    void radioGroupMissingAndBadValue();
    void damagedFile();

private:
    QTemporaryDir m_dir;
};

void TestFormState::roundTrip_data()
{
    QTest::addColumn<QString>("control");
    for (const char *name : {"EditName", "ComboLang", "ComboFree", "IncKind", "CheckBoxAudit", "CheckListRules",
                             "MemoNotes", "STLHNames", "STLHOther", "RadioGroupMode", "EditPath"})
        QTest::newRow(name) << QString::fromLatin1(name);
}

void TestFormState::roundTrip()
{
    QFETCH(QString, control);
    const QString path = m_dir.filePath("roundtrip.job");
    QString original;
    {
        auto window = buildWindow();
        fillWindow(window.get());
        original = stateOf(window->findChild<QObject *>(control));
        TStreamToIni ini;
        ini.WriteValue("ProjectName", "Round trip");
        ini.Options = 0;   // item lists and enabled states too
        ini.SaveMainFormState(window.get());
        ini.SaveToFile(path);
    }
    auto fresh = buildWindow();
    QObject *target = fresh->findChild<QObject *>(control);
    QVERIFY(target);
    QVERIFY(stateOf(target) != original);   // the fixture changes every control

    TStreamToIni ini;
    ini.LoadFromFile(path);
    QVERIFY(ini.FileFormat);
    QCOMPARE(ini.ReadValue("ProjectName"), QString("Round trip"));
    ini.Options = 0;
    ini.RestoreAllForms();
    QCOMPARE(stateOf(target), original);
    if (auto *memo = qobject_cast<QPlainTextEdit *>(target))
        QVERIFY(memo->document()->isModified());
}

void TestFormState::defaultOptionsLeaveItemListsAlone()
{
    TStreamToIni ini;
    auto window = buildWindow();
    fillWindow(window.get());
    ini.SaveMainFormState(window.get());
    // Option 2 and 8: no combo Content line and no incremental combo items.
    QCOMPARE(ini.IndexOfName("frmTest.ComboLang.Content"), -1);
    const int inc = ini.IndexOfName("frmTest.IncKind");
    QCOMPARE(ini.at(inc + 1), QString("[Checkboxes]"));
    // The enabled state is always written.
    const int list = ini.IndexOfName("frmTest.CheckListRules");
    QCOMPARE(ini.lines().mid(list + 1, 3), QStringList({"YYRule one", "NNRule two", "YNYes rule"}));

    auto fresh = buildWindow();
    auto *combo = find<QComboBox>(fresh.get(), "ComboLang");
    combo->clear();
    combo->addItems({"only", "two", "kept"});
    ini.FileFormat = true;
    ini.RestoreFormState(fresh.get());
    QCOMPARE(stateOf(combo), QString("2|kept|only|two|kept"));
    QCOMPARE(stateOf(find<TIncCombo>(fresh.get(), "IncKind")), QString("-1|1|x=>0"));
    // Option 16: items come back enabled.
    QCOMPARE(stateOf(find<QListWidget>(fresh.get(), "CheckListRules")), QString("+eRule one|-eRule two|+eYes rule"));
}

void TestFormState::twoEditsAndCheckBoxExactLines()
{
    QWidget window;
    window.setObjectName("frmSmall");
    window.setWindowTitle("Small");
    new QVBoxLayout(&window);
    named<QLineEdit>(&window, "EditA")->setText("alpha");
    named<QCheckBox>(&window, "CheckBoxC")->setChecked(true);
    named<QLineEdit>(&window, "EditB");
    TStreamToIni ini;
    ini.SaveFormState(&window);
    const QStringList expected{"[Form - frmSmall]", "[Captions]", "frmSmall.Caption=Small", "[Editboxes]",
                               "frmSmall.EditA=alpha", "frmSmall.EditB=", "[Checkboxes]", "frmSmall.CheckBoxC=Y"};
    QCOMPARE(ini.lines(), expected);

    const QString path = m_dir.filePath("small.job");
    ini.SaveToFile(path);
    QCOMPARE(TextFile::readLines(path),
             QStringList{"StreamToIni.FileFormat=1"} + expected + QStringList{"[Konyec szkazki]"});
}

void TestFormState::captionNotAppliedAndEmptyCaptionWritesNoLine()
{
    auto window = buildWindow();
    window->setWindowTitle(QString());
    TStreamToIni ini;
    ini.SaveFormState(window.get(), skCaption | skCheckBox);
    QCOMPARE(ini.lines(), QStringList({"[Form - frmTest]", "[Captions]", "[Checkboxes]", "frmTest.CheckBoxAudit=N"}));

    ini.setLines({"frmTest.Caption=Stored caption"});
    window->setWindowTitle("Set by the shell");
    ini.RestoreFormState(window.get());
    QCOMPARE(window->windowTitle(), QString("Set by the shell"));
}

void TestFormState::missingWindowWritesNothing()
{
    auto window = buildWindow();
    TStreamToIni ini;
    ini.SkipInvisible = true;
    ini.SaveFormState(QString("frmNotOpen"));
    QVERIFY(ini.isEmpty());
    QVERIFY(!ini.SkipInvisible);
    ini.SaveFormState(QString("FRMTEST"), skCheckBox);
    QCOMPARE(ini.lines(), QStringList({"[Form - frmTest]", "[Checkboxes]", "frmTest.CheckBoxAudit=N"}));
    QWidget unnamed;
    ini.clear();
    ini.SaveFormState(&unnamed);
    QVERIFY(ini.isEmpty());
}

void TestFormState::componentsOfWindowsFramesAndControls()
{
    QWidget window;
    window.setObjectName("frmParts");
    new QVBoxLayout(&window);
    named<QSpinBox>(&window, "SpinCount");   // its line edit is a Qt part, not a component
    auto *tabs = named<QTabWidget>(&window, "Tabs");
    auto *page = new QWidget;
    page->setObjectName("PageOne");
    tabs->addTab(page, "one");
    auto *onPage = new QLineEdit(page);
    onPage->setObjectName("EditOnPage");
    auto *frame = named<TFrameTest>(&window, "FrameX");
    auto *inFrame = new QLineEdit(frame);
    inFrame->setObjectName("EditInFrame");
    auto *subclass = new TIncCombo(&window);
    subclass->setObjectName("IncPart");
    QDialog dialog(&window);
    dialog.setObjectName("dlgChild");
    auto *inDialog = new QLineEdit(&dialog);
    inDialog->setObjectName("EditInDialog");

    const QList<QObject *> own = TStreamToIni::OwnComponents(&window);
    QStringList names;
    for (QObject *o : own) {
        // The tab bar's own scroll buttons are named parts of Qt; they are no kind.
        if (!o->objectName().startsWith("Scroll"))
            names << o->objectName();
    }
    QCOMPARE(names, QStringList({"SpinCount", "Tabs", "PageOne", "EditOnPage", "FrameX", "IncPart"}));
    QCOMPARE(TStreamToIni::OwnComponents(frame), QList<QObject *>{inFrame});

    TStreamToIni ini;
    ini.SaveFormState(&window, skEdit | skComboBox);
    // A QComboBox subclass is not a combo box; the dialog's edit is the dialog's.
    QCOMPARE(ini.lines(), QStringList({"[Form - frmParts]", "[Editboxes]", "frmParts.EditOnPage="}));
    ini.clear();
    ini.SaveFormState(&window, skEdit | skFrameEdits);
    QCOMPARE(ini.lines(), QStringList({"[Form - frmParts]", "[TFrames]", "frmParts.FrameX.EditInFrame=", "[Editboxes]",
                                       "frmParts.EditOnPage="}));
    // Edits inside frames need the edit bit as well.
    ini.clear();
    ini.SaveFormState(&window, skFrameEdits);
    QCOMPARE(ini.lines(), QStringList({"[Form - frmParts]"}));
}

void TestFormState::skipListAndFrameClasses()
{
    auto window = buildWindow();
    auto *picker = named<TFrameFindexec>(window.get(), "FrameExe");
    auto *exe = new QLineEdit(picker);
    exe->setObjectName("EditExe");
    exe->setText("tool.exe");
    find<QLineEdit>(window.get(), "EditPath")->setText("/src");
    find<QLineEdit>(window.get(), "EditName")->setText("n");

    TStreamToIni ini;
    ini.SkipComponents({find<QPlainTextEdit>(window.get(), "MemoNotes"), find<QLineEdit>(window.get(), "EditName")});
    ini.SkipFrames(QStringList{"TFrameFindExec"});   // other letter case than the class
    QCOMPARE(ini.SkipFrameClasses, QString(".TFrameFindExec."));
    ini.SaveMainFormState(window.get());
    QCOMPARE(ini.IndexOfName("frmTest.MemoNotes"), -1);
    QCOMPARE(ini.indexOf("[Memos]"), -1);
    QCOMPARE(ini.IndexOfName("frmTest.EditName"), -1);
    QCOMPARE(ini.IndexOfName("frmTest.FrameExe.EditExe"), -1);
    QCOMPARE(ini.ReadValue("frmTest.FrameSource.EditPath"), QString("/src"));
    // The settings were for that pass only.
    QVERIFY(ini.SkipList.isEmpty());
    QVERIFY(ini.SkipFrameClasses.isEmpty());

    ini.clear();
    ini.SaveMainFormState(window.get());
    QCOMPARE(ini.ReadValue("frmTest.FrameExe.EditExe"), QString("tool.exe"));
    QCOMPARE(ini.ReadValue("frmTest.EditName"), QString("n"));
    QVERIFY(ini.IndexOfName("frmTest.MemoNotes") >= 0);

    // Restore skips the same way: a skipped frame class keeps its edits.
    exe->setText("changed");
    find<QLineEdit>(window.get(), "EditName")->setText("changed too");
    ini.SkipFrames({"tframefindexec", "TOther"});
    ini.SkipComponents({find<QLineEdit>(window.get(), "EditName")});
    ini.RestoreFormState(window.get());
    QCOMPARE(exe->text(), QString("changed"));
    QCOMPARE(find<QLineEdit>(window.get(), "EditName")->text(), QString("changed too"));
    ini.RestoreFormState(window.get());
    QCOMPARE(exe->text(), QString("tool.exe"));
    QCOMPARE(find<QLineEdit>(window.get(), "EditName")->text(), QString("n"));
}

void TestFormState::skipInvisible()
{
    QWidget window;
    window.setObjectName("frmVis");
    new QVBoxLayout(&window);
    auto *tabs = named<QTabWidget>(&window, "Tabs");
    auto *pageA = new QWidget;
    auto *pageB = new QWidget;
    tabs->addTab(pageA, "a");
    tabs->addTab(pageB, "b");
    auto *onOtherPage = new QLineEdit(pageB);
    onOtherPage->setObjectName("EditOtherPage");
    auto *hidden = named<QLineEdit>(&window, "EditHidden");
    hidden->hide();
    auto *shown = named<QCheckBox>(&window, "CheckBoxShown");
    Q_UNUSED(shown);
    auto *frame = named<TFrameTest>(&window, "FrameHidden");
    auto *inHiddenFrame = new QLineEdit(frame);
    inHiddenFrame->setObjectName("EditF");
    frame->hide();
    auto *holder = new TStringListHolder(&window);
    holder->setObjectName("STLH");

    TStreamToIni ini;
    ini.SkipInvisible = true;
    ini.SaveFormState(&window, skEdit | skFrameEdits | skCheckBox | skStringListHolder);
    // The page that is not current does not hide its controls; holders are no controls.
    QVERIFY(ini.IndexOfName("frmVis.EditOtherPage") >= 0);
    QVERIFY(ini.IndexOfName("frmVis.CheckBoxShown") >= 0);
    QVERIFY(ini.IndexOfName("frmVis.STLH") >= 0);
    QCOMPARE(ini.IndexOfName("frmVis.EditHidden"), -1);
    QCOMPARE(ini.IndexOfName("frmVis.FrameHidden.EditF"), -1);
    QCOMPARE(ini.indexOf("[TFrames]"), -1);
    QVERIFY(!ini.SkipInvisible);

    ini.clear();
    ini.SaveFormState(&window, skEdit | skFrameEdits);
    QVERIFY(ini.IndexOfName("frmVis.EditHidden") >= 0);
    QVERIFY(ini.IndexOfName("frmVis.FrameHidden.EditF") >= 0);

    // The same after the window was shown.
    window.show();
    ini.clear();
    ini.SkipInvisible = true;
    ini.SaveFormState(&window, skEdit);
    QVERIFY(ini.IndexOfName("frmVis.EditOtherPage") >= 0);
    QCOMPARE(ini.IndexOfName("frmVis.EditHidden"), -1);
}

void TestFormState::settingsResetAfterFailingPass()
{
    auto window = buildWindow();
    TStreamToIni ini;
    ini.setLines({"frmTest.EditName=restored first", "frmTest.CheckBoxAudit=maybe", "frmTest.RadioGroupMode=1"});
    ini.SkipInvisible = true;
    ini.Options = 0;
    ini.SkipComponents({find<QComboBox>(window.get(), "ComboLang")});
    ini.SkipFrames(QStringList{"TFrameTest"});
    try {
        ini.RestoreFormState(window.get());
        QFAIL("a bad check box value must raise");
    } catch (const EConvertError &e) {
        QCOMPARE(e.message(), QString("maybe is not valid boolean value (Y,J,I,N,True,False)"));
    }
    QVERIFY(ini.SkipList.isEmpty());
    QVERIFY(ini.SkipFrameClasses.isEmpty());
    QCOMPARE(ini.Options, quint8(26));
    QVERIFY(!ini.SkipInvisible);
    // What came before the error stays; the pass stopped before the radio group.
    QCOMPARE(find<QLineEdit>(window.get(), "EditName")->text(), QString("restored first"));
    QCOMPARE(find<TRadioGroup>(window.get(), "RadioGroupMode")->ItemIndex(), -1);

    // The next pass runs without the skip settings of the failed one.
    ini.clear();
    ini.SaveFormState(window.get(), skComboBox | skEdit | skFrameEdits);
    QVERIFY(ini.IndexOfName("frmTest.ComboLang") >= 0);
    QVERIFY(ini.IndexOfName("frmTest.FrameSource.EditPath") >= 0);
    QCOMPARE(ini.IndexOfName("frmTest.ComboLang.Content"), -1);   // Options back to 26
}

void TestFormState::oldOneFlagCheckListFile()
{
    const QString path = m_dir.filePath("old.job");
    TextFile::writeLines(path, {"[CheckListBoxes]", "[TCheckListBox - frmTest.CheckListRules]",
                                "frmTest.CheckListRules=CheckListRules", "YRule one", "NNorth gate", "YYes man",
                                "[Memos]"});
    auto window = buildWindow();
    auto *list = find<QListWidget>(window.get(), "CheckListRules");
    addCheckItem(list, "stale", true, true);
    TStreamToIni ini;
    ini.LoadFromFile(path);
    QVERIFY(!ini.FileFormat);
    ini.Options = 0;
    ini.RestoreFormState(window.get());
    QCOMPARE(stateOf(list), QString("+eRule one|-eNorth gate|+eYes man"));
}

void TestFormState::checkListViewLikeCheckList_data()
{
    QTest::addColumn<int>("options");
    QTest::newRow("default options") << int(soDefaultOptions);
    QTest::newRow("enabled states restored") << 0;
}

void TestFormState::checkListViewLikeCheckList()
{
    QFETCH(int, options);
    // The same window twice, its check list a QListWidget once and a list view over a model once.
    auto widgets = buildWindow();
    fillWindow(widgets.get());
    auto views = buildWindow(true);
    fillWindow(views.get());
    QCOMPARE(stateOf(find<QListView>(views.get(), "CheckListRules")),
             stateOf(find<QListWidget>(widgets.get(), "CheckListRules")));
    TStreamToIni fromWidgets;
    fromWidgets.Options = quint8(options);
    fromWidgets.SaveMainFormState(widgets.get());
    TStreamToIni fromViews;
    fromViews.Options = quint8(options);
    fromViews.SaveMainFormState(views.get());
    QCOMPARE(fromViews.lines(), fromWidgets.lines());

    // Restored into both kinds, the lists come out alike.
    auto freshWidgets = buildWindow();
    auto freshViews = buildWindow(true);
    auto *view = find<QListView>(freshViews.get(), "CheckListRules");
    qobject_cast<TCheckListModel *>(view->model())->SetItems({{"stale", true, true}});
    fromWidgets.Options = quint8(options);
    fromWidgets.RestoreFormState(freshWidgets.get());
    fromWidgets.Options = quint8(options);
    fromWidgets.RestoreFormState(freshViews.get());
    const QString restored = stateOf(find<QListWidget>(freshWidgets.get(), "CheckListRules"));
    QCOMPARE(stateOf(view), restored);
    QCOMPARE(restored, options & soNoCheckListEnabled ? QString("+eRule one|-eRule two|+eYes rule")
                                                      : QString("+eRule one|-dRule two|+dYes rule"));

    // A bad mark keeps the items before it, as in a QListWidget.
    TStreamToIni bad;
    bad.FileFormat = true;
    bad.setLines({"[Form - frmTest]", "[CheckListBoxes]", "[TCheckListBox - frmTest.CheckListRules]",
                  "frmTest.CheckListRules=CheckListRules", "YYgood one", "QNbad mark", "YYnever read"});
    QVERIFY_THROWS_EXCEPTION(EConvertError, bad.RestoreFormState(freshViews.get()));
    QCOMPARE(stateOf(view), QString("+egood one"));
}

void TestFormState::listViewOfOtherModelIsNoControl()
{
    QWidget window;
    window.setObjectName("frmViews");
    new QVBoxLayout(&window);
    auto *plain = named<QListView>(&window, "ListPlain");   // no model at all
    Q_UNUSED(plain);
    auto *other = named<QListView>(&window, "ListOther");
    QStringListModel model({"a", "b"});
    other->setModel(&model);
    auto *checks = named<QListView>(&window, "ListChecks");
    TCheckListModel items;
    items.SetItems({{"x", true, true}});
    checks->setModel(&items);
    TStreamToIni ini;
    ini.SaveFormState(&window, skCheckListBox);
    QCOMPARE(ini.lines(), QStringList({"[Form - frmViews]", "[CheckListBoxes]", "[TCheckListBox - frmViews.ListChecks]",
                                       "frmViews.ListChecks=ListChecks", "YYx"}));
}

void TestFormState::memoEndsAtSectionLine()
{
    auto window = buildWindow();
    auto *memo = find<QPlainTextEdit>(window.get(), "MemoNotes");
    memo->setPlainText("[not a section]\nkept");
    memo->document()->setModified(false);
    TStreamToIni ini;
    ini.setLines({"frmTest.MemoNotes=MemoNotes", "", "a", "", "[b", "c"});
    ini.RestoreFormState(window.get(), skMemo);
    QCOMPARE(memo->toPlainText(), QString("\na\n"));
    QVERIFY(memo->document()->isModified());

    // A memo whose line begins with "[" loses the rest on the way through the file.
    memo->setPlainText("one\n[two]\nthree");
    ini.clear();
    ini.SaveFormState(window.get(), skMemo);
    ini.RestoreFormState(window.get(), skMemo);
    QCOMPARE(memo->toPlainText(), QString("one"));

    // An empty memo writes no lines and comes back empty.
    memo->clear();
    ini.clear();
    ini.SaveFormState(window.get(), skMemo);
    QCOMPARE(ini.lines().last(), QString("frmTest.MemoNotes=MemoNotes"));
    memo->setPlainText("x");
    ini.RestoreFormState(window.get(), skMemo);
    QCOMPARE(memo->toPlainText(), QString());
}

void TestFormState::comboDigitsBeyondItemsRestoredAsText()
{
    auto window = buildWindow();
    auto *free = find<QComboBox>(window.get(), "ComboFree");
    free->addItems({"a", "b", "c"});
    free->setCurrentIndex(-1);
    free->setEditText("7");
    TStreamToIni ini;
    ini.SaveFormState(window.get(), skComboBox);
    QCOMPARE(ini.ReadValue("frmTest.ComboFree"), QString("7"));   // no item selected: the text
    // Typing over the selected item's text leaves no item selected either.
    free->setCurrentIndex(1);
    free->setEditText("b edited");
    ini.clear();
    ini.SaveFormState(window.get(), skComboBox);
    QCOMPARE(ini.ReadValue("frmTest.ComboFree"), QString("b edited"));
    free->setCurrentIndex(1);
    ini.clear();
    ini.SaveFormState(window.get(), skComboBox);
    QCOMPARE(ini.ReadValue("frmTest.ComboFree"), QString("1"));
    free->setCurrentIndex(-1);
    free->setEditText("7");
    ini.clear();
    ini.SaveFormState(window.get(), skComboBox);

    auto fresh = buildWindow();
    auto *restored = find<QComboBox>(fresh.get(), "ComboFree");
    restored->addItems({"a", "b", "c"});
    restored->setCurrentIndex(0);
    ini.RestoreFormState(fresh.get(), skComboBox);
    QCOMPARE(restored->currentIndex(), -1);
    QCOMPARE(restored->currentText(), QString("7"));

    ini.setLines({"frmTest.ComboFree= 1 "});
    ini.RestoreFormState(fresh.get(), skComboBox);
    QCOMPARE(restored->currentIndex(), 1);
    QCOMPARE(restored->currentText(), QString("b"));

    // A non-editable box cannot show a foreign text: it ends with no selection.
    auto *lang = find<QComboBox>(fresh.get(), "ComboLang");
    lang->setCurrentIndex(0);
    ini.setLines({"frmTest.ComboLang=17"});
    ini.RestoreFormState(fresh.get(), skComboBox);
    QCOMPARE(lang->currentIndex(), -1);
    ini.setLines({"frmTest.ComboLang=second item"});
    ini.RestoreFormState(fresh.get(), skComboBox);
    QCOMPARE(lang->currentIndex(), 1);
}

void TestFormState::shortKeyFallback()
{
    auto window = buildWindow();
    TStreamToIni ini;
    ini.setLines({"[Editboxes]", "EditName=short key", "frmOther.EditPath=not ours", "FrameSource=from frame key"});
    ini.RestoreFormState(window.get(), skEdit | skFrameEdits);
    QCOMPARE(find<QLineEdit>(window.get(), "EditName")->text(), QString("short key"));
    // frmTest.FrameSource.EditPath is missing and so is EditPath: the frame's name is tried.
    QCOMPARE(find<QLineEdit>(window.get(), "EditPath")->text(), QString("from frame key"));

    // A holder found through its short key reads MaxLen under that name.
    ini.setLines({"STLHNames=STLHNames", "STLHNames.MaxLen=17", "STLHNames.SaveObjects=Y", "5@five", "[x]"});
    ini.FileFormat = true;
    ini.RestoreFormState(window.get(), skStringListHolder);
    QCOMPARE(stateOf(window->findChild<TStringListHolder *>("STLHNames")), QString("17|Y|5:five"));
}

void TestFormState::radioGroupMissingAndBadValue()
{
    auto window = buildWindow();
    auto *radio = find<TRadioGroup>(window.get(), "RadioGroupMode");
    radio->SetItemIndex(2);
    TStreamToIni ini;
    ini.setLines({"frmTest.Other=1"});
    ini.RestoreFormState(window.get(), skRadioGroup);
    QCOMPARE(radio->ItemIndex(), 0);   // missing key: first item
    ini.setLines({"frmTest.RadioGroupMode=9"});
    ini.RestoreFormState(window.get(), skRadioGroup);
    QCOMPARE(radio->ItemIndex(), 2);   // cut to the last item
    ini.setLines({"frmTest.RadioGroupMode=-1"});
    ini.RestoreFormState(window.get(), skRadioGroup);
    QCOMPARE(radio->ItemIndex(), -1);
    ini.setLines({"frmTest.RadioGroupMode=two"});
    try {
        ini.RestoreFormState(window.get(), skRadioGroup);
        QFAIL("a radio group value that is not an integer must raise");
    } catch (const EConvertError &e) {
        QCOMPARE(e.message(), QString("'two' is not a valid integer value"));
    }
}

void TestFormState::damagedFile()
{
    const QString path = m_dir.filePath("damaged.job");
    const QByteArray huge(100000, 'h');
    QByteArray bytes;
    bytes += "[Form - frmTest]\r\n[Editboxes]\r\n";
    bytes += "frmTest.EditName=caf\xe9 \x81\x98\r\n";               // undefined code page bytes
    bytes += "frmTest.EditGone=no such control\r\n";
    bytes += "EditPath=" + huge + "\r\n";   // the frame's edit, through the short key
    bytes += huge + "\r\n";
    bytes += "[TCheckListBox - frmTest.CheckListRules]\r\nfrmTest.CheckListRules=CheckListRules\r\n";
    bytes += "YYgood one\r\nQNbad mark\r\nYYnever read\r\n";
    bytes += "[TMemo - frmTest.MemoNotes]\r\nfrmTest.MemoNotes=MemoNotes\r\nmemo line\r\nmemo cut";   // truncated
    QVERIFY(writeBytes(path, bytes));

    auto window = buildWindow();
    TStreamToIni ini;
    ini.LoadFromFile(path);
    QVERIFY(!ini.FileFormat);
    try {
        ini.RestoreAllForms();
        QFAIL("the bad check mark must raise");
    } catch (const EConvertError &e) {
        QCOMPARE(e.message(), QString("Q is not valid boolean value (Y,J,I,N,True,False)"));
    }
    QCOMPARE(find<QLineEdit>(window.get(), "EditName")->text(), QString::fromUtf8("café \u0081\u0098"));
    auto *pathEdit = find<QLineEdit>(window.get(), "EditPath");
    QCOMPARE(pathEdit->text(), QString::fromLatin1(huge).left(pathEdit->maxLength()));   // the edit's own limit
    // Without the format line the "QN" line makes this a one-flag list.
    QCOMPARE(stateOf(find<QListWidget>(window.get(), "CheckListRules")), QString("+eYgood one"));
    QCOMPARE(find<QPlainTextEdit>(window.get(), "MemoNotes")->toPlainText(), QString());   // after the error

    // Without the bad line everything else comes through, truncated memo included.
    bytes.replace("QNbad mark\r\n", "");
    QVERIFY(writeBytes(path, bytes));
    ini.LoadFromFile(path);
    ini.RestoreAllForms();
    QCOMPARE(stateOf(find<QListWidget>(window.get(), "CheckListRules")), QString("+egood one|+enever read"));
    QCOMPARE(find<QPlainTextEdit>(window.get(), "MemoNotes")->toPlainText(), QString("memo line\nmemo cut"));

    // Garbage that names nothing and holds no keys changes nothing and raises nothing.
    static const char garbage[] = "\xff\xfe\x00garbage\r\n[unclosed\r\n=\r\n==\r\n";
    QVERIFY(writeBytes(path, QByteArray(garbage, sizeof garbage - 1) + huge));
    ini.LoadFromFile(path);
    ini.RestoreAllForms();
    QCOMPARE(find<QLineEdit>(window.get(), "EditName")->text(), QString::fromUtf8("café \u0081\u0098"));
}

QTEST_MAIN(TestFormState)
#include "tst_formstate.moc"
