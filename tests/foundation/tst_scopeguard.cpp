#include "ScopeGuard.h"

#include <QtTest>

#include <stdexcept>

class TestScopeGuard : public QObject
{
    Q_OBJECT
private slots:
    void guardRunsOnExit_data();
    void guardRunsOnExit();
    void flagSetter_data();
    void flagSetter();
    void flagSettersNest();
};

void TestScopeGuard::guardRunsOnExit_data()
{
    QTest::addColumn<bool>("throws");
    QTest::addColumn<bool>("dismissed");
    QTest::addColumn<int>("runs");
    QTest::newRow("scope ends") << false << false << 1;
    QTest::newRow("exception") << true << false << 1;
    QTest::newRow("dismissed") << false << true << 0;
    QTest::newRow("dismissed, then exception") << true << true << 0;
}

void TestScopeGuard::guardRunsOnExit()
{
    QFETCH(bool, throws);
    QFETCH(bool, dismissed);
    QFETCH(int, runs);
    int ran = 0;
    try {
        TScopeGuard guard([&ran] { ++ran; });
        if (dismissed)
            guard.Dismiss();
        QCOMPARE(ran, 0);   // nothing runs before the scope ends
        if (throws)
            throw std::runtime_error("command failed");
    } catch (const std::runtime_error &) {
        QVERIFY(throws);
    }
    QCOMPARE(ran, runs);
}

void TestScopeGuard::flagSetter_data()
{
    QTest::addColumn<bool>("earlier");
    QTest::addColumn<bool>("value");
    QTest::addColumn<bool>("throws");
    for (const bool throws : {false, true}) {
        const char *end = throws ? "exception" : "scope ends";
        QTest::addRow("false set, %s", end) << false << true << throws;
        QTest::addRow("true kept, %s", end) << true << true << throws;
        QTest::addRow("true cleared, %s", end) << true << false << throws;
    }
}

void TestScopeGuard::flagSetter()
{
    QFETCH(bool, earlier);
    QFETCH(bool, value);
    QFETCH(bool, throws);
    bool flag = earlier;
    try {
        const TFlagSetter busy(flag, value);
        QCOMPARE(flag, value);
        if (throws)
            throw std::runtime_error("table failed");
    } catch (const std::runtime_error &) {
        QVERIFY(throws);
    }
    QCOMPARE(flag, earlier);
}

void TestScopeGuard::flagSettersNest()
{
    bool busy = false;
    {
        const TFlagSetter outer(busy);   // true unless told
        QVERIFY(busy);
        {
            const TFlagSetter inner(busy, false);
            QVERIFY(!busy);
        }
        QVERIFY(busy);   // the inner guard puts back the outer guard's value, not the first one
    }
    QVERIFY(!busy);
}

QTEST_GUILESS_MAIN(TestScopeGuard)
#include "tst_scopeguard.moc"
