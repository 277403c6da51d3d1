#include "CodePage1250.h"
#include "Errors.h"
#include "QuenbarDB.h"
#include "TestFiles.h"
#include "core/TestReporter.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRandomGenerator>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QtTest>

#include <cstdio>
#include <stdexcept>

namespace {

// The message of the EDatabaseError the call raises; empty when none.
template <typename F>
QString databaseError(F &&call)
{
    try {
        call();
    } catch (const EDatabaseError &e) {
        return e.message();
    }
    return QString();
}

int rowCount(const TDM &dm, const QString &table)
{
    QSqlQuery q = dm.QWork();
    if (!q.exec(QStringLiteral("select count(*) from ") + table) || !q.next())
        return -1;
    return q.value(0).toInt();
}

QVariant valueOf(const TDM &dm, const QString &sql)
{
    QSqlQuery q = dm.QWork();
    if (!q.exec(sql) || !q.next())
        return QStringLiteral("<failed: %1>").arg(q.lastError().text());
    return q.value(0);
}

qint64 addInterface(TDM &dm, const QString &name, const QString &csv)
{
    dm.TableInterfaces().Insert({{QStringLiteral("Name"), name}, {QStringLiteral("CSVName"), csv}});
    return dm.TableInterfaces().Kulcs();
}

qint64 addOperation(TDM &dm, const QString &name)
{
    dm.TableOperations().Insert({{QStringLiteral("Name"), name}});
    return dm.TableOperations().Kulcs();
}

qint64 addMessage(TDM &dm, const QString &direction, const QString &name)
{
    dm.TableInputsOutputs().Insert({{QStringLiteral("TypeX"), direction}, {QStringLiteral("Name"), name}});
    return dm.TableInputsOutputs().Kulcs();
}

// A parameter row as the import writes it: its group comes from the pending row.
qint64 addParameter(TDM &dm, const QString &name, const QString &type, bool simpleType, int level,
                    QString &qualifier)
{
    TRepositoryTable &p = dm.TableParameters();
    p.Insert();
    p.SetFieldValue(QStringLiteral("Name"), name);
    p.SetFieldValue(QStringLiteral("TypeX"), type);
    p.SetFieldValue(QStringLiteral("XS_Type"), simpleType);
    p.SetFieldValue(QStringLiteral("LevelX"), level);
    p.SetFieldValue(QStringLiteral("UpPointer"), dm.TableInputsOutputs().Kulcs());
    p.SetFieldValue(QStringLiteral("DupliCheck"), dm.DuplicateKey(qualifier));
    p.Post();
    return p.Kulcs();
}

// An empty repository in the folder with one interface, operation and
// message, each current: where parameter rows can go.
void openWithOneMessage(TDM &dm, const QString &folder)
{
    dm.OpenRepository(folder, false);
    addInterface(dm, QStringLiteral("I"), QStringLiteral("i"));
    addOperation(dm, QStringLiteral("O"));
    addMessage(dm, QStringLiteral("input"), QStringLiteral("M"));
}

QString sqliteShell()
{
    const QString path = QStringLiteral("/usr/bin/sqlite3");
    return QFileInfo::exists(path) ? path : QStandardPaths::findExecutable(QStringLiteral("sqlite3"));
}

// Runs the sqlite3 shell; the exit code, standard output and error.
struct TShellResult
{
    int exitCode = -1;
    QString out;
    QString err;
};

TShellResult runShell(const QString &file, const QString &sql)
{
    QProcess p;
    p.start(sqliteShell(), {file, sql});
    TShellResult r;
    if (!p.waitForFinished(60000))
        return r;
    r.exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    r.out = QString::fromUtf8(p.readAllStandardOutput()).trimmed();
    r.err = QString::fromUtf8(p.readAllStandardError()).trimmed();
    return r;
}

// Child mode: opens the repository, commits one interface, then leaves a
// large transaction open and waits to be killed.
int holdRepository(const QString &folder)
{
    TDM dm;
    dm.OpenRepository(folder, false);
    addInterface(dm, QStringLiteral("Committed"), QStringLiteral("committed"));
    // A tiny page cache makes SQLite spill uncommitted pages into the file.
    dm.QWork().exec(QStringLiteral("PRAGMA cache_size = 2"));
    TRepositoryTransaction tx(dm);
    addInterface(dm, QStringLiteral("Uncommitted"), QStringLiteral("uncommitted"));
    addOperation(dm, QStringLiteral("Op"));
    addMessage(dm, QStringLiteral("input"), QStringLiteral("In"));
    for (int i = 0; i < 400; ++i)
        dm.TableParameters().Insert({{QStringLiteral("Name"), QStringLiteral("P%1").arg(i)},
                                     {QStringLiteral("Kommentar"), QString(200, QLatin1Char('k'))}});
    std::fputs("ready\n", stdout);
    std::fflush(stdout);
    std::getchar(); // killed while waiting here
    return 0;
}

} // namespace

class TestQuenbarDB : public QObject
{
    Q_OBJECT

private slots:
    void keyAssignment();
    void chainAndAncestorKeys();
    void duplicateGroupsAndPropagation();
    void accentedNamesFold_data();
    void accentedNamesFold();
    void fieldSizes_data();
    void fieldSizes();
    void truncationKeepsSurrogatePairs();
    void deleteInterfaceByCSVName();
    void resetAsksForForeignFiles_data();
    void resetAsksForForeignFiles();
    void openWithResetEmptiesRepository();
    void unreadableFileIsLeftAlone_data();
    void unreadableFileIsLeftAlone();
    void rollbackLeavesFileAsBefore();
    void secondInstanceIsRefused();
    void killedProcessLeavesConsistentFile();
    void sqliteShellReadsAndWrites();
    void runOfImportsEndsOnRollbackJournal_data();
    void runOfImportsEndsOnRollbackJournal();
    void levelGraf_data();
    void levelGraf();
};

void TestQuenbarDB::keyAssignment()
{
    QTemporaryDir tmp;
    TDM dm;
    QVERIFY(dm.OpenRepository(tmp.path(), false));
    QVERIFY(QFileInfo::exists(tmp.filePath(QStringLiteral("Interfaces.db"))));
    QCOMPARE(rowCount(dm, QStringLiteral("Interfaces")), 0);

    QCOMPARE(addInterface(dm, QStringLiteral("B"), QStringLiteral("b")), 1);
    QCOMPARE(addInterface(dm, QStringLiteral("A"), QStringLiteral("a")), 2);
    QCOMPARE(addInterface(dm, QStringLiteral("C"), QStringLiteral("c")), 3);

    // The highest key is free again once its row is gone.
    TRepositoryTable &t = dm.TableInterfaces();
    QVERIFY(t.Locate(3));
    t.Delete();
    QCOMPARE(addInterface(dm, QStringLiteral("D"), QStringLiteral("d")), 3);
    // A gap below the highest key is not filled.
    QVERIFY(t.Locate(1));
    t.Delete();
    QCOMPARE(addInterface(dm, QStringLiteral("E"), QStringLiteral("e")), 4);

    // Every table numbers its own rows from 1.
    dm.TableDuplis().Insert({{QStringLiteral("OwnName"), QStringLiteral("X")}});
    QCOMPARE(dm.TableDuplis().Kulcs(), 1);
    QCOMPARE(addOperation(dm, QStringLiteral("Op")), 1);
}

void TestQuenbarDB::chainAndAncestorKeys()
{
    QTemporaryDir tmp;
    TDM dm;
    dm.OpenRepository(tmp.path(), false);
    const qint64 beta = addInterface(dm, QStringLiteral("Beta"), QStringLiteral("beta"));
    const qint64 alpha = addInterface(dm, QStringLiteral("alpha"), QStringLiteral("alpha"));
    const qint64 op1 = addOperation(dm, QStringLiteral("Op1"));
    const qint64 op2 = addOperation(dm, QStringLiteral("Op2"));
    const qint64 in = addMessage(dm, QStringLiteral("input"), QStringLiteral("In"));
    const qint64 out = addMessage(dm, QStringLiteral("output"), QStringLiteral("Out"));
    QString qualifier = QStringLiteral("Out");
    const qint64 p1 = addParameter(dm, QStringLiteral("AMOUNT"), QStringLiteral("int"), true, 1, qualifier);
    addParameter(dm, QStringLiteral("ITEM"), QStringLiteral("string"), true, 2, qualifier);

    TRepositoryTable &ifs = dm.TableInterfaces();
    TRepositoryTable &ops = dm.TableOperations();
    TRepositoryTable &ios = dm.TableInputsOutputs();
    TRepositoryTable &ps = dm.TableParameters();

    // The new rows carry the keys of the rows current above them.
    QVERIFY(ps.Locate(p1));
    QCOMPARE(ps.AsInteger(QStringLiteral("InterfacesKulcs")), alpha);
    QCOMPARE(ps.AsInteger(QStringLiteral("OperationsKulcs")), op2);
    QCOMPARE(ps.AsInteger(QStringLiteral("InputsOutputsKulcs")), out);
    QCOMPARE(ps.AsInteger(QStringLiteral("ParametersKulcs")), p1);
    QCOMPARE(ps.AsInteger(QStringLiteral("UpPointer")), out);
    QCOMPARE(ps.FieldValue(QStringLiteral("XS_Array")), QVariant(false));
    QCOMPARE(ps.AsString(QStringLiteral("LevelGraf")), QStringLiteral("     01  AMOUNT"));
    QVERIFY(ios.Locate(out));
    QCOMPARE(ios.AsInteger(QStringLiteral("InterfacesKulcs")), alpha);
    QCOMPARE(ios.AsInteger(QStringLiteral("OperationsKulcs")), op2);
    QCOMPARE(ios.AsInteger(QStringLiteral("InputsOutputsKulcs")), out);
    QCOMPARE(ops.AsInteger(QStringLiteral("OperationsKulcs")), op2);
    QCOMPARE(ops.AsInteger(QStringLiteral("UpPointer")), alpha);

    // Name order ignores case; moving a master refilters everything below it.
    ifs.Last();
    QCOMPARE(ifs.Kulcs(), beta);
    QVERIFY(ops.IsEmpty());
    ifs.First();
    QCOMPARE(ifs.AsString(QStringLiteral("Name")), QStringLiteral("alpha"));
    QCOMPARE(ops.RecordCount(), 2);
    QCOMPARE(ops.Kulcs(), op1);
    QCOMPARE(ios.RecordCount(), 0);
    ops.Next();
    QCOMPARE(ios.RecordCount(), 2);
    QCOMPARE(ios.Kulcs(), in);
    ios.Next();
    QCOMPARE(ps.RecordCount(), 2);
    ifs.Next();
    QCOMPARE(ifs.Kulcs(), beta);
    QVERIFY(!ifs.Eof());
    QVERIFY(ops.IsEmpty() && ios.IsEmpty() && ps.IsEmpty() && ps.Eof());
    ifs.Next();
    QVERIFY(ifs.Eof());
    QCOMPARE(ifs.Kulcs(), beta);

    // Locating by several keys, as the search window synchronises the grids.
    // Beta is current: op2 is not among its operations.
    QVERIFY(!ops.Locate({QStringLiteral("InterfacesKulcs"), QStringLiteral("Kulcs")}, {QVariant(alpha), QVariant(op2)}));
    QVERIFY(ifs.Locate(alpha));
    QVERIFY(ops.Locate({QStringLiteral("InterfacesKulcs"), QStringLiteral("Kulcs")}, {QVariant(alpha), QVariant(op2)}));
    QVERIFY(ios.Locate({QStringLiteral("InterfacesKulcs"), QStringLiteral("OperationsKulcs"), QStringLiteral("Kulcs")},
                       {QVariant(alpha), QVariant(op2), QVariant(out)}));
    QCOMPARE(ps.RecordCount(), 2);

    // Nearest name for the incremental search.
    QVERIFY(!ifs.FindNearestName(QStringLiteral("b")));
    QCOMPARE(ifs.Kulcs(), beta);
    QVERIFY(ifs.FindNearestName(QStringLiteral("ALPHA")));
    QCOMPARE(ifs.Kulcs(), alpha);
    QVERIFY(!ifs.FindNearestName(QStringLiteral("zzz")));
    QCOMPARE(ifs.Kulcs(), beta);
    QVERIFY(ifs.LocateByName(QStringLiteral("BETA")));

    // Grid rows come in the navigation order, with the level picture.
    QSqlQuery grid = ifs.SelectQuery();
    QStringList names;
    while (grid.next())
        names << grid.value(QStringLiteral("Name")).toString();
    QCOMPARE(names, (QStringList{QStringLiteral("alpha"), QStringLiteral("Beta")}));
    QCOMPARE(ifs.RecNo(), 1);
    QVERIFY(ifs.Locate(alpha) && ops.Locate(op2) && ios.Locate(out));
    QSqlQuery paramGrid = ps.SelectQuery();
    for (ps.First(); !ps.Eof(); ps.Next()) {
        QVERIFY(paramGrid.next());
        QCOMPARE(paramGrid.value(QStringLiteral("Kulcs")).toLongLong(), ps.Kulcs());
        QCOMPARE(paramGrid.value(QStringLiteral("LevelGraf")).toString(), ps.AsString(QStringLiteral("LevelGraf")));
    }
    QVERIFY(!paramGrid.next());

    // A pending row is stored when the next one is started.
    ps.Insert();
    ps.SetFieldValue(QStringLiteral("Name"), QStringLiteral("NOTYPE"));
    ps.Insert();
    QCOMPARE(rowCount(dm, QStringLiteral("Parameters")), 3);
    ps.Cancel();
    QCOMPARE(rowCount(dm, QStringLiteral("Parameters")), 3);
    QCOMPARE(ps.RecordCount(), 3);
}

void TestQuenbarDB::duplicateGroupsAndPropagation()
{
    QTemporaryDir tmp;
    TDM dm;
    dm.OpenRepository(tmp.path(), false);
    addInterface(dm, QStringLiteral("Shop"), QStringLiteral("shop"));
    addOperation(dm, QStringLiteral("GetCustomer"));
    addMessage(dm, QStringLiteral("input"), QStringLiteral("GetCustomerIn"));

    QString qualifier = QStringLiteral("GetCustomerIn");
    const qint64 first = addParameter(dm, QStringLiteral("CUSTNO"), QStringLiteral("string"), true, 1, qualifier);
    const qint64 second = addParameter(dm, QStringLiteral("CUSTNO"), QStringLiteral("string"), true, 1, qualifier);
    QCOMPARE(qualifier, QStringLiteral("GetCustomerIn"));
    const qint64 complex = addParameter(dm, QStringLiteral("CUST"), QStringLiteral("Customer"), false, 1, qualifier);
    QCOMPARE(qualifier, QStringLiteral("Customer")); // a complex type qualifies its members
    const qint64 member = addParameter(dm, QStringLiteral("CUSTNO"), QStringLiteral("string"), true, 2, qualifier);

    TRepositoryTable &ps = dm.TableParameters();
    auto group = [&](qint64 key) {
        return valueOf(dm, QStringLiteral("select DupliCheck from Parameters where Kulcs = %1").arg(key)).toLongLong();
    };
    auto name = [&](qint64 key) {
        return valueOf(dm, QStringLiteral("select Name from Parameters where Kulcs = %1").arg(key)).toString();
    };
    auto comment = [&](qint64 key) {
        return valueOf(dm, QStringLiteral("select ifnull(Kommentar, '') from Parameters where Kulcs = %1").arg(key))
            .toString();
    };
    QCOMPARE(group(first), group(second));
    QVERIFY(group(member) != group(first));
    QCOMPARE(rowCount(dm, QStringLiteral("XDuplis")), 3);
    QCOMPARE(valueOf(dm, QStringLiteral("select QualifierName from XDuplis where Kulcs = %1").arg(group(complex)))
                 .toString(),
             QString());

    // Renaming one CUSTNO renames its duplicate and hands it the comment.
    QVERIFY(ps.Locate(first));
    ps.Edit();
    ps.SetFieldValue(QStringLiteral("Name"), QStringLiteral("CUSTNUM"));
    ps.SetFieldValue(QStringLiteral("Kommentar"), QStringLiteral("customer number"));
    ps.Post();
    QCOMPARE(name(second), QStringLiteral("CUSTNUM"));
    QCOMPARE(comment(second), QStringLiteral("customer number"));
    QCOMPARE(name(member), QStringLiteral("CUSTNO"));
    QCOMPARE(comment(member), QString());
    QCOMPARE(ps.Kulcs(), first);
    // The renamed duplicate is found under its new name.
    QVERIFY(ps.Locate(member));
    QVERIFY(ps.LocateByName(QStringLiteral("custnum")));
    QCOMPARE(ps.Kulcs(), first);
    QVERIFY(ps.Locate({QStringLiteral("Name"), QStringLiteral("Kulcs")}, {QStringLiteral("custnum"), second}, true));

    // A comment-only edit leaves the duplicates, whose names are equal, alone.
    ps.Edit();
    ps.SetFieldValue(QStringLiteral("Kommentar"), QStringLiteral("second only"));
    ps.Post();
    QCOMPARE(comment(second), QStringLiteral("second only"));
    QCOMPARE(comment(first), QStringLiteral("customer number"));

    // Nothing propagates while an import writes.
    dm.SetImporting(true);
    QVERIFY(ps.Locate(first));
    ps.Edit();
    ps.SetFieldValue(QStringLiteral("Name"), QStringLiteral("CUSTID"));
    ps.Post();
    dm.SetImporting(false);
    QCOMPARE(name(first), QStringLiteral("CUSTID"));
    QCOMPARE(name(second), QStringLiteral("CUSTNUM"));
}

void TestQuenbarDB::accentedNamesFold_data()
{
    QTest::addColumn<QString>("qualifierA");
    QTest::addColumn<QString>("nameA");
    QTest::addColumn<QString>("qualifierB");
    QTest::addColumn<QString>("nameB");
    QTest::addColumn<bool>("sameGroup");
    const QString msg = QStringLiteral("Msg");
    QTest::newRow("upper and lower accents") << msg << QStringLiteral("ÁRVÍZ") << msg << QStringLiteral("árvíz") << true;
    QTest::newRow("double acute") << msg << QStringLiteral("TŰZOLTÓ") << msg << QStringLiteral("tűzoltó") << true;
    QTest::newRow("caron") << msg << QStringLiteral("Šárka") << msg << QStringLiteral("ŠÁRKA") << true;
    QTest::newRow("qualifier folds too") << QStringLiteral("Üzenet") << QStringLiteral("ÁR") << QStringLiteral("ÜZENET")
                                         << QStringLiteral("ár") << true;
    QTest::newRow("accents are not ignored") << msg << QStringLiteral("ARVIZ") << msg << QStringLiteral("árvíz") << false;
    QTest::newRow("other qualifier") << QStringLiteral("MsgA") << QStringLiteral("ÁR") << QStringLiteral("MsgB")
                                     << QStringLiteral("ÁR") << false;
}

void TestQuenbarDB::accentedNamesFold()
{
    QFETCH(QString, qualifierA);
    QFETCH(QString, nameA);
    QFETCH(QString, qualifierB);
    QFETCH(QString, nameB);
    QFETCH(bool, sameGroup);
    QTemporaryDir tmp;
    TDM dm;
    openWithOneMessage(dm, tmp.path());
    const qint64 a = addParameter(dm, nameA, QStringLiteral("string"), true, 1, qualifierA);
    const qint64 groupA = dm.TableParameters().AsInteger(QStringLiteral("DupliCheck"));
    addParameter(dm, nameB, QStringLiteral("string"), true, 1, qualifierB);
    const qint64 groupB = dm.TableParameters().AsInteger(QStringLiteral("DupliCheck"));
    QCOMPARE(groupA == groupB, sameGroup);
    QCOMPARE(rowCount(dm, QStringLiteral("XDuplis")), sameGroup ? 1 : 2);
    if (sameGroup) {
        // The lookup by name folds the same way.
        QVERIFY(dm.TableParameters().LocateByName(nameB));
        QCOMPARE(dm.TableParameters().Kulcs(), a);
    }
}

void TestQuenbarDB::fieldSizes_data()
{
    QTest::addColumn<QString>("table");
    QTest::addColumn<QString>("field");
    QTest::addColumn<int>("size");
    QTest::newRow("Interfaces.CSVName") << "Interfaces" << "CSVName" << 40;
    QTest::newRow("Interfaces.DefinitionsName") << "Interfaces" << "DefinitionsName" << 30;
    QTest::newRow("Interfaces.Name") << "Interfaces" << "Name" << 100;
    QTest::newRow("Interfaces.Kommentar") << "Interfaces" << "Kommentar" << 255;
    QTest::newRow("InputsOutputs.TypeX") << "InputsOutputs" << "TypeX" << 20;
    QTest::newRow("Parameters.SequenceType") << "Parameters" << "SequenceType" << 15;
    QTest::newRow("Parameters.TypeX") << "Parameters" << "TypeX" << 100;
    QTest::newRow("XDuplis.QualifierName") << "XDuplis" << "QualifierName" << 100;
}

void TestQuenbarDB::fieldSizes()
{
    QFETCH(QString, table);
    QFETCH(QString, field);
    QFETCH(int, size);
    QTemporaryDir tmp;
    TDM dm;
    openWithOneMessage(dm, tmp.path());

    TRepositoryTable *t = dm.TableByName(table);
    QVERIFY(t);
    const QString longText = QString(400, QChar(0x0151)); // ő
    t->Insert();
    t->SetFieldValue(field, longText);
    QCOMPARE(t->AsString(field), longText.left(size));
    t->Post();
    QCOMPARE(valueOf(dm, QStringLiteral("select length(%1) from %2 where Kulcs = %3").arg(field, table).arg(t->Kulcs())),
             QVariant(qlonglong(size)));

    // The schema itself refuses what the module would have cut.
    QSqlQuery raw = dm.QWork();
    QVERIFY(!raw.exec(QStringLiteral("insert into %1 (Kulcs, %2) values (1000, printf('%.*c', %3, 'x'))")
                          .arg(table, field)
                          .arg(size + 1)));
    QVERIFY2(raw.lastError().text().contains(QLatin1String("CHECK constraint failed")),
             qPrintable(raw.lastError().text()));
    QVERIFY(raw.exec(QStringLiteral("insert into %1 (Kulcs, %2) values (1000, printf('%.*c', %3, 'x'))")
                         .arg(table, field)
                         .arg(size)));
}

void TestQuenbarDB::truncationKeepsSurrogatePairs()
{
    const QString smiley = QString::fromUtf8("\xF0\x9F\x98\x80"); // two UTF-16 units
    QCOMPARE(RepositorySchema::Truncated(QStringLiteral("ab") + smiley, 3), QStringLiteral("ab"));
    QCOMPARE(RepositorySchema::Truncated(QStringLiteral("ab") + smiley, 4), QStringLiteral("ab") + smiley);
    QCOMPARE(RepositorySchema::Fold(QStringLiteral("árvíz"), 3), QStringLiteral("ÁRV"));
}

void TestQuenbarDB::deleteInterfaceByCSVName()
{
    QTemporaryDir tmp;
    TDM closed;
    closed.DeleteInterfaceByCSVName(QStringLiteral("anything")); // closed: nothing happens

    TDM dm;
    dm.OpenRepository(tmp.path(), false);
    const QString longCsv = QString(60, QLatin1Char('c'));
    addInterface(dm, QStringLiteral("Gone"), longCsv);
    addOperation(dm, QStringLiteral("GoneOp"));
    addMessage(dm, QStringLiteral("input"), QStringLiteral("GoneIn"));
    QString q = QStringLiteral("GoneIn");
    addParameter(dm, QStringLiteral("GONE1"), QStringLiteral("string"), true, 1, q);
    addParameter(dm, QStringLiteral("GONE2"), QStringLiteral("string"), true, 1, q);
    const qint64 kept = addInterface(dm, QStringLiteral("Kept"), QStringLiteral("kept"));
    addOperation(dm, QStringLiteral("KeptOp"));
    addMessage(dm, QStringLiteral("output"), QStringLiteral("KeptOut"));
    q = QStringLiteral("KeptOut");
    addParameter(dm, QStringLiteral("KEPT"), QStringLiteral("string"), true, 1, q);
    QCOMPARE(rowCount(dm, QStringLiteral("XDuplis")), 3);

    // The long base name was stored cut; the lookup with the full name still finds it.
    dm.DeleteInterfaceByCSVName(longCsv);
    QCOMPARE(rowCount(dm, QStringLiteral("Interfaces")), 1);
    QCOMPARE(rowCount(dm, QStringLiteral("Operations")), 1);
    QCOMPARE(rowCount(dm, QStringLiteral("InputsOutputs")), 1);
    QCOMPARE(rowCount(dm, QStringLiteral("Parameters")), 1);
    QCOMPARE(valueOf(dm, QStringLiteral("select Name from Parameters")).toString(), QStringLiteral("KEPT"));
    QCOMPARE(rowCount(dm, QStringLiteral("XDuplis")), 3); // the groups stay
    // The tables are open again on their first rows.
    QCOMPARE(dm.TableInterfaces().Kulcs(), kept);
    QCOMPARE(dm.TableParameters().AsString(QStringLiteral("Name")), QStringLiteral("KEPT"));

    dm.DeleteInterfaceByCSVName(QStringLiteral("unknown"));
    QCOMPARE(rowCount(dm, QStringLiteral("Interfaces")), 1);
}

void TestQuenbarDB::resetAsksForForeignFiles_data()
{
    QTest::addColumn<bool>("withReporter");
    QTest::addColumn<int>("answer");
    QTest::newRow("No keeps the files") << true << int(mbNo);
    QTest::newRow("Yes deletes them") << true << int(mbYes);
    // Nobody to ask: the question is printed and its default, No, taken.
    QTest::newRow("without a reporter, No") << false << int(mbNo);
}

void TestQuenbarDB::resetAsksForForeignFiles()
{
    QFETCH(bool, withReporter);
    QFETCH(int, answer);
    QTemporaryDir tmp;
    const QString folder = tmp.path();
    QVERIFY(QDir(folder).mkpath(QStringLiteral("sub")));
    QVERIFY(writeBytes(tmp.filePath(QStringLiteral("Other.db")), "x"));
    QVERIFY(writeBytes(tmp.filePath(QStringLiteral("Other.px")), "x"));
    QVERIFY(writeBytes(tmp.filePath(QStringLiteral("sub/Third.DB")), "x"));
    QVERIFY(writeBytes(tmp.filePath(QStringLiteral("notes.txt")), "x"));

    TTestReporter reporter;
    reporter.answerMessage(answer);
    TDM dm;
    if (withReporter)
        dm.SetReporter(&reporter);
    const QString error = databaseError([&] { dm.ResetRepositoryFiles(folder); });
    QCOMPARE(reporter.questions().size(), withReporter ? 1 : 0);
    if (withReporter) {
        const TTestReporter::TQuestion asked = reporter.questions().last();
        QCOMPARE(asked.text, QStringLiteral("There is no Interfaces.DB in ") + folder + QStringLiteral("\r\nstill want to overwrite?"));
        QCOMPARE(asked.type, TMsgDlgType::Warning);
        QCOMPARE(asked.buttons, int(mbYesNo));
        QCOMPARE(asked.defaultButton, int(mbNo));
    }

    const bool deleted = answer == mbYes;
    QCOMPARE(error, deleted ? QString() : QStringLiteral("Invalid database directory ") + folder);
    QCOMPARE(QFileInfo::exists(tmp.filePath(QStringLiteral("Other.db"))), !deleted);
    QCOMPARE(QFileInfo::exists(tmp.filePath(QStringLiteral("Other.px"))), !deleted);
    QCOMPARE(QFileInfo::exists(tmp.filePath(QStringLiteral("sub/Third.DB"))), !deleted);
    QVERIFY(QFileInfo::exists(tmp.filePath(QStringLiteral("notes.txt"))));
    QVERIFY(!QFileInfo::exists(tmp.filePath(QStringLiteral("Interfaces.db.lock"))));
}

void TestQuenbarDB::openWithResetEmptiesRepository()
{
    QTemporaryDir tmp;
    const QString folder = tmp.filePath(QStringLiteral("out/ParadoxDB")); // created with its parents
    TTestReporter reporter;
    TDM dm;
    dm.SetReporter(&reporter);
    dm.OpenRepository(folder, false);
    addInterface(dm, QStringLiteral("I"), QStringLiteral("i"));
    dm.CloseRepository();
    QVERIFY(writeBytes(folder + QStringLiteral("/Interfaces.db-journal.bak"), "x"));

    dm.OpenRepository(folder, true);
    QCOMPARE(reporter.questions().size(), 0); // the repository's own files: no question
    QVERIFY(!QFileInfo::exists(folder + QStringLiteral("/Interfaces.db-journal.bak")));
    QCOMPARE(rowCount(dm, QStringLiteral("Interfaces")), 0);
    QCOMPARE(rowCount(dm, QStringLiteral("XDuplis")), 0);
    // The lock survived the reset of the folder it guards.
    QVERIFY(QFileInfo::exists(folder + QStringLiteral("/Interfaces.db.lock")));
    dm.CloseRepository();
    QVERIFY(!QFileInfo::exists(folder + QStringLiteral("/Interfaces.db.lock")));
}

void TestQuenbarDB::unreadableFileIsLeftAlone_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<bool>("withReporter");
    QTest::addColumn<QString>("expectedText");
    QTest::newRow("random bytes, thrown") << "random" << false << "file is not a database";
    QTest::newRow("random bytes, to the reporter") << "random" << true << "file is not a database";
    QTest::newRow("another program's database") << "foreign" << false << "is not an interface repository";
}

void TestQuenbarDB::unreadableFileIsLeftAlone()
{
    QFETCH(QString, kind);
    QFETCH(bool, withReporter);
    QFETCH(QString, expectedText);
    QTemporaryDir tmp;
    const QString file = tmp.filePath(QStringLiteral("Interfaces.db"));
    if (kind == QLatin1String("random")) {
        QByteArray bytes(8192, '\0');
        QRandomGenerator gen(1250);
        for (char &b : bytes)
            b = char(gen.bounded(256));
        QVERIFY(writeBytes(file, bytes));
    } else {
        {
            QSqlDatabase other = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("foreign"));
            other.setDatabaseName(file);
            QVERIFY(other.open());
            QSqlQuery q(other);
            QVERIFY(q.exec(QStringLiteral("create table Customers (Id integer primary key, Name text)")));
            other.close();
        }
        QSqlDatabase::removeDatabase(QStringLiteral("foreign"));
    }
    const QByteArray before = fileBytes(file);

    TDM dm;
    TTestReporter reporter;
    QString message;
    if (withReporter) {
        dm.SetReporter(&reporter);
        QVERIFY_THROWS_EXCEPTION(EAbort, dm.OpenRepository(tmp.path(), false));
        message = reporter.LastMessage();
        QCOMPARE(reporter.Messages(), QStringLiteral("- ") + message); // recorded
        QCOMPARE(reporter.errors(), QStringList{message});
    } else {
        message = databaseError([&] { dm.OpenRepository(tmp.path(), false); });
    }
    QVERIFY2(message.startsWith(QStringLiteral("Error in Table Creation\r\n")), qPrintable(message));
    QVERIFY2(message.contains(expectedText), qPrintable(message));
    QVERIFY(!dm.Connected());
    QVERIFY(!dm.TableInterfaces().Active());
    QCOMPARE(fileBytes(file), before);
    QVERIFY(!QFileInfo::exists(tmp.filePath(QStringLiteral("Interfaces.db.lock"))));
}

void TestQuenbarDB::rollbackLeavesFileAsBefore()
{
    QTemporaryDir tmp;
    const QString file = tmp.filePath(QStringLiteral("Interfaces.db"));
    TDM dm;
    dm.OpenRepository(tmp.path(), false);
    const qint64 kept = addInterface(dm, QStringLiteral("Kept"), QStringLiteral("kept"));
    dm.CloseRepository();
    const QByteArray before = fileBytes(file);
    QVERIFY(!before.isEmpty());

    dm.OpenRepository(tmp.path(), false);
    try {
        TRepositoryTransaction tx(dm);
        addInterface(dm, QStringLiteral("Aborted"), QStringLiteral("aborted"));
        addOperation(dm, QStringLiteral("Op"));
        addMessage(dm, QStringLiteral("input"), QStringLiteral("In"));
        for (int i = 0; i < 200; ++i) {
            QString q = QStringLiteral("In");
            addParameter(dm, QStringLiteral("P%1").arg(i), QStringLiteral("string"), true, 1, q);
        }
        dm.TableParameters().Insert(); // pending when the import fails
        throw std::runtime_error("import failed");
    } catch (const std::runtime_error &) {
    }
    // The module's rows follow the file again.
    QCOMPARE(dm.TableInterfaces().RecordCount(), 1);
    QCOMPARE(dm.TableInterfaces().Kulcs(), kept);
    QCOMPARE(dm.TableParameters().State(), TRepositoryTable::TState::Browse);
    QVERIFY(dm.TableOperations().IsEmpty());
    QCOMPARE(rowCount(dm, QStringLiteral("XDuplis")), 0);
    dm.CloseRepository();
    QCOMPARE(fileBytes(file), before);

    // The same writes committed are there after reopening.
    dm.OpenRepository(tmp.path(), false);
    {
        TRepositoryTransaction tx(dm);
        addInterface(dm, QStringLiteral("Committed"), QStringLiteral("committed"));
        addOperation(dm, QStringLiteral("Op"));
        tx.Commit();
    }
    dm.CloseRepository();
    dm.OpenRepository(tmp.path(), false);
    QCOMPARE(rowCount(dm, QStringLiteral("Interfaces")), 2);
    QCOMPARE(rowCount(dm, QStringLiteral("Operations")), 1);
}

void TestQuenbarDB::secondInstanceIsRefused()
{
    QTemporaryDir tmp;
    const QString folder = tmp.path();
    TDM first;
    first.OpenRepository(folder, false);
    addInterface(first, QStringLiteral("I"), QStringLiteral("i"));

    TDM second;
    const QString inUse = QStringLiteral("Repository ") + folder + QStringLiteral(" is in use by another program (process ")
                          + QString::number(QCoreApplication::applicationPid()) + QLatin1Char(')');
    QCOMPARE(databaseError([&] { second.OpenRepository(folder, false); }), inUse);
    QVERIFY(!second.Connected());
    QCOMPARE(databaseError([&] { second.OpenRepository(folder, true); }), inUse);
    QCOMPARE(databaseError([&] { second.ResetRepositoryFiles(folder); }), inUse);
    QCOMPARE(rowCount(first, QStringLiteral("Interfaces")), 1); // untouched, still usable
    addOperation(first, QStringLiteral("Op"));

    first.CloseRepository();
    QVERIFY(second.OpenRepository(folder, false));
    QCOMPARE(rowCount(second, QStringLiteral("Operations")), 1);
}

void TestQuenbarDB::killedProcessLeavesConsistentFile()
{
    QTemporaryDir tmp;
    const QString folder = tmp.path();
    QProcess child;
    child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    child.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--hold-repository"), folder});
    QVERIFY(child.waitForStarted());
    QByteArray output;
    while (!output.contains("ready\n") && child.waitForReadyRead(120000))
        output += child.readAllStandardOutput();
    QVERIFY2(output.contains("ready\n"), output.constData());
    QVERIFY(QFileInfo::exists(tmp.filePath(QStringLiteral("Interfaces.db-journal")))); // mid-transaction

    TDM dm;
    QCOMPARE(databaseError([&] { dm.OpenRepository(folder, false); }),
             QStringLiteral("Repository ") + folder + QStringLiteral(" is in use by another program (process ")
                 + QString::number(child.processId()) + QLatin1Char(')'));

    child.kill();
    QVERIFY(child.waitForFinished());
    // The dead process's lock is stale; its transaction is rolled back.
    QVERIFY(dm.OpenRepository(folder, false));
    QCOMPARE(valueOf(dm, QStringLiteral("PRAGMA integrity_check")).toString(), QStringLiteral("ok"));
    QCOMPARE(rowCount(dm, QStringLiteral("Interfaces")), 1);
    QCOMPARE(dm.TableInterfaces().AsString(QStringLiteral("Name")), QStringLiteral("Committed"));
    QCOMPARE(rowCount(dm, QStringLiteral("Parameters")), 0);
    addInterface(dm, QStringLiteral("After"), QStringLiteral("after"));
    QCOMPARE(dm.TableInterfaces().Kulcs(), 2);
}

void TestQuenbarDB::sqliteShellReadsAndWrites()
{
    if (sqliteShell().isEmpty())
        QSKIP("the sqlite3 shell is not installed");
    QTemporaryDir tmp;
    const QString file = tmp.filePath(QStringLiteral("Interfaces.db"));
    TDM dm;
    dm.OpenRepository(tmp.path(), false);
    addInterface(dm, QStringLiteral("Shop"), QStringLiteral("shop"));
    addOperation(dm, QStringLiteral("Op"));
    addMessage(dm, QStringLiteral("input"), QStringLiteral("In"));
    QString q = QStringLiteral("In");
    addParameter(dm, QStringLiteral("A"), QStringLiteral("string"), true, 1, q);
    addParameter(dm, QStringLiteral("B"), QStringLiteral("Customer"), false, 1, q);
    addParameter(dm, QStringLiteral("C"), QStringLiteral("int"), true, 2, q);

    // Readable while the program holds it open, and after it closed it.
    TShellResult r = runShell(file, QStringLiteral("select count(*) from Parameters"));
    QCOMPARE(r.exitCode, 0);
    QCOMPARE(r.out, QStringLiteral("3"));
    dm.CloseRepository();
    r = runShell(file, QStringLiteral("select count(*) from XDuplis; PRAGMA integrity_check; PRAGMA application_id"));
    QCOMPARE(r.exitCode, 0);
    QCOMPARE(r.out, QStringLiteral("3\nok\n%1").arg(TDM::ApplicationId));

    // Writable: a name changed with the shell is found case-insensitively
    // once the program opens the file again; over-long text is refused.
    r = runShell(file, QString::fromUtf8("update Interfaces set Name = 'Árvíztűrő' where Kulcs = 1"));
    QCOMPARE(r.exitCode, 0);
    r = runShell(file, QStringLiteral("insert into Interfaces (Kulcs, CSVName) values (9, printf('%.*c', 41, 'x'))"));
    QVERIFY(r.exitCode != 0);
    QVERIFY2(r.err.contains(QLatin1String("CHECK constraint failed")), qPrintable(r.err));
    dm.OpenRepository(tmp.path(), false);
    QVERIFY(dm.TableInterfaces().LocateByName(QString::fromUtf8("ÁRVÍZTŰRŐ")));
    QCOMPARE(rowCount(dm, QStringLiteral("Interfaces")), 1);
}

void TestQuenbarDB::runOfImportsEndsOnRollbackJournal_data()
{
    QTest::addColumn<bool>("openedDuringRun");
    QTest::addColumn<bool>("closedDuringRun");
    QTest::newRow("run inside one open") << false << false;
    QTest::newRow("opened during the run") << true << false;
    QTest::newRow("closed during the run") << false << true;
}

void TestQuenbarDB::runOfImportsEndsOnRollbackJournal()
{
    QFETCH(bool, openedDuringRun);
    QFETCH(bool, closedDuringRun);
    QTemporaryDir tmp;
    const QString file = tmp.filePath(QStringLiteral("Interfaces.db"));
    TDM dm;
    if (openedDuringRun)
        dm.SetBulkWrites(true);
    dm.OpenRepository(tmp.path(), false);
    dm.SetBulkWrites(true);
    QCOMPARE(valueOf(dm, QStringLiteral("PRAGMA journal_mode")).toString(), QStringLiteral("wal"));
    addInterface(dm, QStringLiteral("Shop"), QStringLiteral("shop"));
    addOperation(dm, QStringLiteral("Op"));
    if (!sqliteShell().isEmpty()) { // another program sees every commit of the run
        const TShellResult r = runShell(file, QStringLiteral("select count(*) from Operations"));
        QCOMPARE(r.exitCode, 0);
        QCOMPARE(r.out, QStringLiteral("1"));
    }
    if (closedDuringRun) {
        dm.CloseRepository();
    } else {
        dm.SetBulkWrites(false);
        QCOMPARE(valueOf(dm, QStringLiteral("PRAGMA journal_mode")).toString(), QStringLiteral("delete"));
        QCOMPARE(valueOf(dm, QStringLiteral("PRAGMA synchronous")).toInt(), 2); // every commit synced again
        dm.CloseRepository();
    }
    // The log is written back and gone; the header asks for no log.
    QVERIFY(!QFileInfo::exists(file + QStringLiteral("-wal")));
    const QByteArray header = fileBytes(file).left(20);
    QCOMPARE(int(header[18]), 1);
    QCOMPARE(int(header[19]), 1);
    dm.SetBulkWrites(false);
    dm.OpenRepository(tmp.path(), false);
    QCOMPARE(rowCount(dm, QStringLiteral("Operations")), 1);
    QCOMPARE(valueOf(dm, QStringLiteral("PRAGMA integrity_check")).toString(), QStringLiteral("ok"));
}

void TestQuenbarDB::levelGraf_data()
{
    QTest::addColumn<int>("level");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("expected");
    QTest::newRow("level 2") << 2 << "AMOUNT" << QString(10, QLatin1Char(' ')) + QStringLiteral("02  AMOUNT");
    QTest::newRow("level 1") << 1 << "A" << QStringLiteral("     01  A");
    QTest::newRow("no level") << 0 << "PART" << QStringLiteral("00  PART");
    QTest::newRow("two digits") << 12 << "X" << QString(60, QLatin1Char(' ')) + QStringLiteral("12  X");
    QTest::newRow("cut at 255") << 60 << "LONG" << QString(255, QLatin1Char(' '));
}

void TestQuenbarDB::levelGraf()
{
    QFETCH(int, level);
    QFETCH(QString, name);
    QFETCH(QString, expected);
    QCOMPARE(TDM::LevelGraf(level, name), expected);
    // The grids' SQL picture is the same.
    QTemporaryDir tmp;
    TDM dm;
    dm.OpenRepository(tmp.path(), false);
    QSqlQuery q = dm.QWork();
    QVERIFY(q.prepare(QStringLiteral("select ") + TDM::LevelGrafSql() + QStringLiteral(" from (select ? as LevelX, ? as Name)")));
    q.addBindValue(level);
    q.addBindValue(name);
    QVERIFY2(q.exec() && q.next(), qPrintable(q.lastError().text()));
    QCOMPARE(q.value(0).toString(), expected);
}

int main(int argc, char *argv[])
{
    if (argc == 3 && qstrcmp(argv[1], "--hold-repository") == 0) {
        QCoreApplication app(argc, argv);
        return holdRepository(QString::fromLocal8Bit(argv[2]));
    }
    QCoreApplication app(argc, argv);
    TestQuenbarDB test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_quenbardb.moc"
