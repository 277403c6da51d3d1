#include "CrossrefQuery.h"
#include "QuenbarDB.h"

#include <QTemporaryDir>
#include <QtTest>

namespace {

// Two interfaces with an operation of the same name, filled through the
// data module: each row belongs to the current rows above it.
struct TRepo
{
    QTemporaryDir dir;
    TDM dm;

    bool open() { return dir.isValid() && dm.OpenRepository(dir.filePath(QStringLiteral("ParadoxDB")), false); }

    void iface(const QString &name, const QString &csv, const QString &comment = QString())
    {
        dm.TableInterfaces().Insert({{QStringLiteral("Name"), name},
                                     {QStringLiteral("CSVName"), csv},
                                     {QStringLiteral("Kommentar"), comment}});
    }
    void op(const QString &name, const QString &comment = QString())
    {
        dm.TableOperations().Insert({{QStringLiteral("Name"), name}, {QStringLiteral("Kommentar"), comment}});
    }
    void msg(const QString &direction, const QString &name, const QString &comment = QString())
    {
        dm.TableInputsOutputs().Insert({{QStringLiteral("TypeX"), direction},
                                        {QStringLiteral("Name"), name},
                                        {QStringLiteral("Kommentar"), comment}});
    }
    qint64 par(int level, const QString &name, const QString &type, const QString &comment = QString())
    {
        dm.TableParameters().Insert({{QStringLiteral("LevelX"), level},
                                     {QStringLiteral("Name"), name},
                                     {QStringLiteral("TypeX"), type},
                                     {QStringLiteral("Kommentar"), comment}});
        return dm.TableParameters().Kulcs();
    }

    void fill()
    {
        iface(QStringLiteral("Shop"), QStringLiteral("shop"), QStringLiteral("the shop"));
        op(QStringLiteral("GET"), QStringLiteral("reads"));
        msg(QStringLiteral("input"), QStringLiteral("GetIn"), QStringLiteral("asks"));
        par(1, QStringLiteral("ID"), QStringLiteral("int"), QStringLiteral("the key"));
        msg(QStringLiteral("output"), QStringLiteral("GetOut"));
        par(1, QStringLiteral("ORDER"), QStringLiteral("Order"));
        par(2, QStringLiteral("ID"), QStringLiteral("int"));
        op(QStringLiteral("PUT"));
        msg(QStringLiteral("input"), QStringLiteral("PutIn"));
        par(1, QStringLiteral("NOTE"), QStringLiteral("string"));
        iface(QStringLiteral("Other"), QStringLiteral("other"));
        op(QStringLiteral("GET"));
        msg(QStringLiteral("input"), QStringLiteral("GetIn"));
        par(1, QStringLiteral("KEY"), QStringLiteral("string"));
    }
};

QString rowText(const TCrossrefRow &r)
{
    return QStringList{r.interface, r.operation, r.direction, r.ioname, r.parametername, r.depth, r.parametertype}
        .join(QLatin1Char('|'));
}

} // namespace

// The query without a window, as the command-line tool runs it.
class TestCrossrefQuery : public QObject
{
    Q_OBJECT

private slots:
    void rowsOfBase_data();
    void rowsOfBase();
    void rowsCarryEveryColumn();
    void closedRepositoryFails();
};

void TestCrossrefQuery::rowsOfBase_data()
{
    QTest::addColumn<int>("base");
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("ordered");
    QTest::addColumn<QStringList>("rows");

    QTest::newRow("interface") << int(TCrossrefBase::Interfaces) << "Shop" << true
                               << QStringList{"Shop|GET|input|GetIn|ID|1|int", "Shop|GET|output|GetOut|ORDER|1|Order",
                                              "Shop|GET|output|GetOut|ID|2|int", "Shop|PUT|input|PutIn|NOTE|1|string"};
    // An operation of that name in either interface.
    QTest::newRow("operation") << int(TCrossrefBase::Operations) << "GET" << true
                               << QStringList{"Other|GET|input|GetIn|KEY|1|string", "Shop|GET|input|GetIn|ID|1|int",
                                              "Shop|GET|output|GetOut|ORDER|1|Order",
                                              "Shop|GET|output|GetOut|ID|2|int"};
    QTest::newRow("message") << int(TCrossrefBase::InputsOutputs) << "GetIn" << true
                             << QStringList{"Other|GET|input|GetIn|KEY|1|string", "Shop|GET|input|GetIn|ID|1|int"};
    // Ordered by the parameter name only: equal names come in any order.
    QTest::newRow("parameter") << int(TCrossrefBase::Parameters) << "ID" << false
                               << QStringList{"Shop|GET|input|GetIn|ID|1|int", "Shop|GET|output|GetOut|ID|2|int"};
    QTest::newRow("no such name") << int(TCrossrefBase::Operations) << "DELETE" << true << QStringList();
}

void TestCrossrefQuery::rowsOfBase()
{
    QFETCH(int, base);
    QFETCH(QString, name);
    QFETCH(bool, ordered);
    QFETCH(QStringList, rows);
    TRepo r;
    QVERIFY(r.open());
    r.fill();
    QStringList got;
    for (const TCrossrefRow &row : Crossref::Rows(r.dm, TCrossrefBase(base), name))
        got << rowText(row);
    if (!ordered) {
        got.sort();
        rows.sort();
    }
    QCOMPARE(got, rows);
}

void TestCrossrefQuery::rowsCarryEveryColumn()
{
    TRepo r;
    QVERIFY(r.open());
    r.iface(QStringLiteral("Shop"), QStringLiteral("shop"), QStringLiteral("the shop"));
    r.op(QStringLiteral("GET"), QStringLiteral("reads"));
    r.msg(QStringLiteral("input"), QStringLiteral("GetIn"), QStringLiteral("asks"));
    const qint64 key = r.par(1, QStringLiteral("ID"), QStringLiteral("int"), QString::fromUtf8("Ügyfél azonosító"));

    const QList<TCrossrefRow> rows = Crossref::Rows(r.dm, TCrossrefBase::Parameters, QStringLiteral("ID"));
    QCOMPARE(rows.size(), 1);
    const TCrossrefRow &row = rows.first();
    QCOMPARE(row.interface, QStringLiteral("Shop"));
    QCOMPARE(row.csv, QStringLiteral("shop"));
    QCOMPARE(row.interfaceComment, QStringLiteral("the shop"));
    QCOMPARE(row.operation, QStringLiteral("GET"));
    QCOMPARE(row.operationComment, QStringLiteral("reads"));
    QCOMPARE(row.ioname, QStringLiteral("GetIn"));
    QCOMPARE(row.direction, QStringLiteral("input"));
    QCOMPARE(row.ioComment, QStringLiteral("asks"));
    QCOMPARE(row.kulcs, key);
    QCOMPARE(row.depth, QStringLiteral("1"));
    QCOMPARE(row.parametername, QStringLiteral("ID"));
    QCOMPARE(row.parametertype, QStringLiteral("int"));
    QCOMPARE(row.parameterComment, QString::fromUtf8("Ügyfél azonosító"));
}

void TestCrossrefQuery::closedRepositoryFails()
{
    TDM dm;
    QString error;
    try {
        Crossref::Rows(dm, TCrossrefBase::Interfaces, QStringLiteral("Shop"));
    } catch (const EDatabaseError &e) {
        error = e.message();
    }
    QCOMPARE(error, QStringLiteral("The repository is not open"));
}

QTEST_GUILESS_MAIN(TestCrossrefQuery)
#include "tst_crossrefquery.moc"
