#include "CheckListModel.h"

#include <QAbstractItemModelTester>
#include <QPersistentModelIndex>
#include <QSignalSpy>
#include <QtTest>

namespace {

QString shown(const TCheckListModel &model)
{
    QStringList parts;
    for (const TCheckListItem &item : model.Items())
        parts << QString("%1%2%3").arg(item.checked ? "+" : "-", item.enabled ? "e" : "d", item.text);
    return parts.join('|');
}

QList<TCheckListItem> itemsOf(const QStringList &texts)
{
    QList<TCheckListItem> items;
    for (const QString &text : texts)
        items.append({text, true, true});
    return items;
}

bool byText(const QString &a, const QString &b)
{
    return a.compare(b, Qt::CaseInsensitive) < 0;
}

} // namespace

class TestCheckListModel : public QObject
{
    Q_OBJECT
private slots:
    void rolesAndFlags();
    void userTickThroughSetData();
    void programChanges();
    void rowsInsertedRemovedAndReset();
    void sortItems_data();
    void sortItems();
    void sortKeepsCurrentLines();
};

void TestCheckListModel::rolesAndFlags()
{
    TCheckListModel model;
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
    model.SetItems({{"first", true, true}, {"second", false, false}});
    QCOMPARE(model.rowCount(), 2);
    QCOMPARE(model.rowCount(model.index(0)), 0);   // a list: no children
    const QModelIndex first = model.index(0);
    QCOMPARE(first.data(Qt::DisplayRole).toString(), QString("first"));
    QCOMPARE(first.data(Qt::EditRole).toString(), QString("first"));
    QCOMPARE(first.data(Qt::CheckStateRole).toInt(), int(Qt::Checked));
    QVERIFY(!first.data(Qt::ToolTipRole).isValid());
    QCOMPARE(model.flags(first), Qt::ItemIsSelectable | Qt::ItemIsUserCheckable | Qt::ItemNeverHasChildren
                                     | Qt::ItemIsEnabled);
    const QModelIndex second = model.index(1);
    QCOMPARE(second.data(Qt::CheckStateRole).toInt(), int(Qt::Unchecked));
    QCOMPARE(model.flags(second), Qt::ItemIsSelectable | Qt::ItemIsUserCheckable | Qt::ItemNeverHasChildren);
    QCOMPARE(model.flags(QModelIndex()), Qt::NoItemFlags);
    QCOMPARE(model.Lines(), (QStringList{"first", "second"}));
    // Rows out of range read empty and are not written.
    QCOMPARE(model.TextAt(2), QString());
    QVERIFY(!model.CheckedAt(-1));
    QVERIFY(!model.EnabledAt(2));
    model.SetChecked(2, true);
    model.SetText(-1, "x");
    model.RemoveItem(5);
    QCOMPARE(shown(model), QString("+efirst|-dsecond"));
}

void TestCheckListModel::userTickThroughSetData()
{
    TCheckListModel model;
    model.SetItems({{"a", false, true}});
    QSignalSpy clicked(&model, &TCheckListModel::CheckMarkClicked);
    QSignalSpy changed(&model, &QAbstractItemModel::dataChanged);
    QVERIFY(model.setData(model.index(0), int(Qt::Checked), Qt::CheckStateRole));
    QVERIFY(model.CheckedAt(0));
    QCOMPARE(clicked.count(), 1);
    QCOMPARE(changed.count(), 1);
    QCOMPARE(changed.first().at(2).value<QList<int>>(), QList<int>{Qt::CheckStateRole});
    QVERIFY(model.setData(model.index(0), int(Qt::Checked), Qt::CheckStateRole));   // no change
    QCOMPARE(clicked.count(), 1);
    QVERIFY(!model.setData(model.index(0), QString("b"), Qt::EditRole));   // the text is the program's
    QVERIFY(!model.setData(QModelIndex(), int(Qt::Unchecked), Qt::CheckStateRole));
    QCOMPARE(model.TextAt(0), QString("a"));
    // The program's changes are no clicks.
    model.SetChecked(0, false);
    model.ToggleAllChecked();
    QCOMPARE(clicked.count(), 1);
}

void TestCheckListModel::programChanges()
{
    TCheckListModel model;
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
    model.SetItems({{"a", true, true}, {"b", false, true}, {"c", true, false}});
    QSignalSpy changed(&model, &QAbstractItemModel::dataChanged);
    model.SetText(1, "b");       // unchanged: no signal
    model.SetChecked(0, true);
    model.SetEnabled(0, true);
    QCOMPARE(changed.count(), 0);
    model.SetText(1, "bee");
    model.SetEnabled(2, true);
    model.SetChecked(1, true);
    QCOMPARE(changed.count(), 3);
    QCOMPARE(shown(model), QString("+ea|+ebee|+ec"));
    model.SetAllChecked(false);
    QCOMPARE(shown(model), QString("-ea|-ebee|-ec"));
    model.SetChecked(1, true);
    model.ToggleAllChecked();
    QCOMPARE(shown(model), QString("+ea|-ebee|+ec"));
    // Whole-list changes come as one signal over every row.
    QCOMPARE(changed.last().at(0).toModelIndex().row(), 0);
    QCOMPARE(changed.last().at(1).toModelIndex().row(), 2);
}

void TestCheckListModel::rowsInsertedRemovedAndReset()
{
    TCheckListModel model;
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
    QSignalSpy inserted(&model, &QAbstractItemModel::rowsInserted);
    QSignalSpy removed(&model, &QAbstractItemModel::rowsRemoved);
    QSignalSpy reset(&model, &QAbstractItemModel::modelReset);
    model.AppendItem({"b", true, true});
    model.InsertItem(0, {"a", false, true});
    model.InsertItem(99, {"z", true, false});   // past the end: appended
    QCOMPARE(shown(model), QString("-ea|+eb|+dz"));
    QCOMPARE(inserted.count(), 3);
    QCOMPARE(inserted.at(2).at(1).toInt(), 2);
    model.RemoveItem(1);
    QCOMPARE(shown(model), QString("-ea|+dz"));
    QCOMPARE(removed.count(), 1);
    model.Clear();
    QCOMPARE(model.Count(), 0);
    QCOMPARE(reset.count(), 1);
    model.Clear();   // already empty: nothing to tell
    QCOMPARE(reset.count(), 1);
    model.SetItems(itemsOf({"x", "y"}));
    QCOMPARE(reset.count(), 2);
    QCOMPARE(model.Lines(), (QStringList{"x", "y"}));
}

void TestCheckListModel::sortItems_data()
{
    QTest::addColumn<QStringList>("texts");
    QTest::addColumn<QStringList>("sorted");
    QTest::addColumn<bool>("moved");
    QTest::newRow("reversed") << QStringList{"c", "b", "a"} << QStringList{"a", "b", "c"} << true;
    QTest::newRow("already sorted") << QStringList{"a", "B", "c"} << QStringList{"a", "B", "c"} << false;
    QTest::newRow("equal ones keep their order")
        << QStringList{"b", "A", "a", "B"} << QStringList{"A", "a", "b", "B"} << true;
    QTest::newRow("empty") << QStringList{} << QStringList{} << false;
}

void TestCheckListModel::sortItems()
{
    QFETCH(QStringList, texts);
    QFETCH(QStringList, sorted);
    QFETCH(bool, moved);
    TCheckListModel model;
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
    model.SetItems(itemsOf(texts));
    QSignalSpy layout(&model, &QAbstractItemModel::layoutChanged);
    model.SortItems(byText);
    QCOMPARE(model.Lines(), sorted);
    QCOMPARE(layout.count(), moved ? 1 : 0);
}

void TestCheckListModel::sortKeepsCurrentLines()
{
    TCheckListModel model;
    model.SetItems({{"c", true, true}, {"a", false, true}, {"b", true, false}});
    const QPersistentModelIndex current(model.index(0));   // as a view keeps its current line
    const QPersistentModelIndex other(model.index(1));
    model.SortItems(byText);
    QCOMPARE(shown(model), QString("-ea|+db|+ec"));
    QCOMPARE(current.row(), 2);
    QCOMPARE(current.data().toString(), QString("c"));
    QCOMPARE(other.row(), 0);
}

QTEST_GUILESS_MAIN(TestCheckListModel)
#include "tst_checklistmodel.moc"
