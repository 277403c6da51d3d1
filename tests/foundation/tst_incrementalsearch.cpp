#include "IncrementalSearch.h"
#include "SharedRoutinesCommon.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QtTest>

#include <algorithm>

namespace {

// A sorted one-field table whose index compares case-insensitively, as the
// repository tables do.
class TMemoryTable : public IIncrementalLookupTable
{
public:
    explicit TMemoryTable(QStringList keys, bool browsing = true)
        : m_keys(std::move(keys)), m_browsing(browsing)
    {
        std::sort(m_keys.begin(), m_keys.end(),
                  [](const QString &a, const QString &b) { return CompareText(a, b) < 0; });
    }

    bool IsBrowsing() const override { return m_browsing; }
    bool FindKey(const QString &key) override
    {
        ++finds;
        int i = 0;
        while (i < m_keys.size() && CompareText(m_keys.at(i), key) < 0)
            ++i;
        m_current = std::min(i, int(m_keys.size()) - 1);
        return i < m_keys.size() && SameText(m_keys.at(i), key);
    }
    QString FieldValue(const QString &field) const override
    {
        return field == QLatin1String("Name") && m_current >= 0 ? m_keys.at(m_current) : QString();
    }
    bool NextFieldValue(const QString &field, QString &value) const override
    {
        if (m_current + 1 >= m_keys.size())
            return false;
        value = field == QLatin1String("Name") ? m_keys.at(m_current + 1) : QString();
        return true;
    }

    int finds = 0;

private:
    QStringList m_keys;
    bool m_browsing;
    int m_current = 0;
};

// Wires an edit to the lookup the way the search window does.
class TLookupEdit : public QObject
{
public:
    explicit TLookupEdit(IIncrementalLookupTable &table) : m_table(table)
    {
        edit.installEventFilter(this);
        connect(&edit, &QLineEdit::textChanged, this, [this] {
            lastResult = IncrementalSearchChange(&edit, m_table, QStringLiteral("Name"), busy);
        });
    }

    // Plays a script: "\b" Backspace, "\x1b" Escape, "\x01" select all,
    // anything else is typed.
    void play(const QString &script)
    {
        for (QChar c : script) {
            if (c == QLatin1Char('\b'))
                QTest::keyClick(&edit, Qt::Key_Backspace);
            else if (c == QLatin1Char('\x1b'))
                QTest::keyClick(&edit, Qt::Key_Escape);
            else if (c == QLatin1Char('\x01'))
                edit.selectAll();
            else
                QTest::keyClicks(&edit, QString(c));
        }
    }

    int tag() const { return edit.property("Tag").toInt(); }

    QLineEdit edit;
    bool busy = false;
    bool lastResult = false;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (watched == &edit && event->type() == QEvent::KeyPress)
            return IncrementalSearchKeyPress(&edit, static_cast<QKeyEvent *>(event), busy);
        return QObject::eventFilter(watched, event);
    }

private:
    IIncrementalLookupTable &m_table;
};

} // namespace

class TestIncrementalSearch : public QObject
{
    Q_OBJECT
private slots:
    void typing_data();
    void typing();
    void busyFlagBlocksLookup();
    void keysMakeNoLookup();
};

void TestIncrementalSearch::typing_data()
{
    QTest::addColumn<QStringList>("records");
    QTest::addColumn<bool>("browsing");
    QTest::addColumn<QString>("script");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("tag");
    QTest::addColumn<bool>("completed");

    const QStringList abc{"Alpha", "Beta", "Bravo", "Charlie"};
    QTest::newRow("exact match shows the record's spelling")
        << QStringList{"Beta", "Betamax", "Charlie"} << true << "beta" << "Beta" << 0 << true;
    QTest::newRow("unique completion remembers the typed length") << abc << true << "be" << "Beta" << 2 << false;
    QTest::newRow("unique at the first character") << abc << true << "a" << "Alpha" << 1 << false;
    QTest::newRow("non-unique prefix stays as typed") << abc << true << "b" << "b" << 0 << false;
    QTest::newRow("no match drops the last character") << abc << true << "bx" << "b" << 0 << false;
    QTest::newRow("typing on after a completion") << abc << true << "ax" << "Alpha" << 0 << false;
    QTest::newRow("last record is unique against past the end")
        << QStringList{"Alpha", "Beta"} << true << "b" << "Beta" << 1 << false;
    QTest::newRow("past the end drops the extra character")
        << QStringList{"Alpha", "Beta"} << true << "bz" << "Beta" << 0 << false;
    QTest::newRow("past the end without common prefix stays")
        << QStringList{"Alpha", "Beta"} << true << "c" << "c" << 0 << false;
    // The completed text keeps its own spelling of what was typed.
    QTest::newRow("backspace undoes the completion") << abc << true << "be\b" << "B" << 0 << false;
    QTest::newRow("backspace without completion is ordinary") << abc << true << "b\b" << "" << 0 << false;
    QTest::newRow("backspace over a selection is ordinary") << abc << true << "be\x01\b" << "" << 0 << false;
    QTest::newRow("escape empties the edit") << abc << true << "be\x1b" << "" << 0 << false;
    QTest::newRow("accents are folded for completion")
        << QStringList{"Bab", QString::fromUtf8("Béla"), "Cecil"} << true << "be" << QString::fromUtf8("Béla") << 2
        << false;
    QTest::newRow("accents are folded for the exact match")
        << QStringList{QString::fromUtf8("Béla"), QString::fromUtf8("Bélax")} << true << "bela"
        << QString::fromUtf8("Béla") << 0 << true;
    QTest::newRow("a table that is not browsing is left alone") << abc << false << "a" << "a" << 0 << false;
}

void TestIncrementalSearch::typing()
{
    QFETCH(QStringList, records);
    QFETCH(bool, browsing);
    QFETCH(QString, script);
    QFETCH(QString, text);
    QFETCH(int, tag);
    QFETCH(bool, completed);

    TMemoryTable table(records, browsing);
    TLookupEdit lookup(table);
    lookup.play(script);
    QCOMPARE(lookup.edit.text(), text);
    QCOMPARE(lookup.tag(), tag);
    QCOMPARE(lookup.lastResult, completed);
    QCOMPARE(lookup.edit.cursorPosition(), int(text.length()));
    QVERIFY(!lookup.edit.hasSelectedText());
    QVERIFY(!lookup.busy);
}

void TestIncrementalSearch::busyFlagBlocksLookup()
{
    TMemoryTable table({"Alpha", "Beta"});
    QLineEdit edit;
    edit.setText("a");
    edit.setProperty("Tag", 3);
    bool busy = true;
    QVERIFY(!IncrementalSearchChange(&edit, table, "Name", busy));
    QVERIFY(busy);
    QCOMPARE(table.finds, 0);
    QCOMPARE(edit.text(), QString("a"));
    QCOMPARE(edit.property("Tag").toInt(), 3);

    busy = false;
    IncrementalSearchChange(&edit, table, "Name", busy);
    QCOMPARE(table.finds, 1);
    QCOMPARE(edit.text(), QString("Alpha"));
    QVERIFY(!busy);
}

// The edit's own updates on Backspace and Escape must not come back as a
// new lookup, or an undone completion would be completed again.
void TestIncrementalSearch::keysMakeNoLookup()
{
    TMemoryTable table({"Alpha", "Beta", "Bravo"});
    TLookupEdit lookup(table);
    lookup.play("be");
    QCOMPARE(lookup.edit.text(), QString("Beta"));
    QCOMPARE(table.finds, 2);
    lookup.play("\b");
    QCOMPARE(lookup.edit.text(), QString("B"));
    lookup.play("\x1b");
    QCOMPARE(lookup.edit.text(), QString());
    QCOMPARE(table.finds, 2);
    QVERIFY(!lookup.busy);
}

QTEST_MAIN(TestIncrementalSearch)
#include "tst_incrementalsearch.moc"
