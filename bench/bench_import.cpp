// Speed of the WSDL import against the bare insert rate of the repository:
// (a) one generated document of about 10 MB with thousands of operations
// and types, (b) 1,000 small documents into one repository, (c) a document
// of about 12 MB with 200,000 operations, (d) a document/literal document of
// about 10 MB (two schemas, elements declared with a type, extensions,
// element references, four port types; with a quarter of it for the rate's
// linearity), each set beside inserting as many
// Parameters rows into the same schema (indexes included) in one
// transaction, once through Qt's SQL module and once through SQLite's own
// interface on the driver's connection, both with one prepared statement.
// Rates are parameter rows per second, by the clock and by the process's
// processor time (which leaves out the waits for the disk: each document is
// one durable commit); the summary at the end gives insert rate / import
// rate. QUENBAR_BENCH_DIR puts the repositories elsewhere than the
// temporary folder (/dev/shm: without disk waits).
//
// "bench_import --write-wsdl=FILE" only writes document (c), for measuring
// the import's peak memory with /usr/bin/time -v quenbar-cli import-wsdl.

#include "QuenbarDB.h"
#include "TextFile.h"
#include "WsdlImport.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlQuery>
#include <QString>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <cstring>
#include <map>

namespace {

// A document in the shape the converters write: per operation a request
// and a response message, a request type with simple members, a shared
// address type and an array, a response type; names like record fields.
QString generate(const QString &name, int operations, int firstOperation = 0)
{
    QString types;
    QString messages;
    QString portType;
    types += QStringLiteral("      <xsd:complexType name=\"Address\"><xsd:sequence>\r\n"
                            "        <xsd:element name=\"STREET\" type=\"xsd:string\"/>\r\n"
                            "        <xsd:element name=\"CITY\" type=\"xsd:string\"/>\r\n"
                            "        <xsd:element name=\"ZIPCODE\" type=\"xsd:string\"/>\r\n"
                            "        <xsd:element name=\"COUNTRY\" type=\"xsd:string\"/>\r\n"
                            "      </xsd:sequence></xsd:complexType>\r\n");
    for (int i = firstOperation; i < firstOperation + operations; ++i) {
        const QString n = QString::number(i).rightJustified(5, u'0');
        types += QStringLiteral("      <xsd:complexType name=\"Req%1\">\r\n        <xsd:sequence>\r\n").arg(n);
        for (int k = 0; k < 8; ++k)
            types += QStringLiteral("          <xsd:element name=\"REQ-%1-FIELD-%2\" type=\"xsd:%3\"/>\r\n")
                         .arg(n)
                         .arg(k)
                         .arg(k % 3 == 0 ? QStringLiteral("int") : QStringLiteral("string"));
        types += QStringLiteral("          <xsd:element name=\"DELIVERY-ADDRESS\" type=\"tns:Address\"/>\r\n"
                                "          <xsd:element name=\"ITEMS\" type=\"tns:Items%1\"/>\r\n"
                                "        </xsd:sequence>\r\n      </xsd:complexType>\r\n")
                     .arg(n);
        types += QStringLiteral("      <xsd:complexType name=\"Items%1\"><xsd:complexContent>"
                                "<xsd:restriction base=\"soapenc:Array\">"
                                "<xsd:attribute ref=\"soapenc:arrayType\" wsdl:arrayType=\"xsd:string[]\"/>"
                                "</xsd:restriction></xsd:complexContent></xsd:complexType>\r\n")
                     .arg(n);
        types += QStringLiteral("      <xsd:complexType name=\"Resp%1\">\r\n        <xsd:sequence>\r\n").arg(n);
        for (int k = 0; k < 5; ++k)
            types += QStringLiteral("          <xsd:element name=\"RESP-%1-VALUE-%2\" type=\"xsd:decimal\"/>\r\n")
                         .arg(n)
                         .arg(k);
        types += QStringLiteral("        </xsd:sequence>\r\n      </xsd:complexType>\r\n");

        messages += QStringLiteral("  <message name=\"Op%1Request\">\r\n"
                                   "    <part name=\"CUSTNO\" type=\"xsd:int\"/>\r\n"
                                   "    <part name=\"USERID\" type=\"xsd:string\"/>\r\n"
                                   "    <part name=\"REQUEST\" type=\"tns:Req%1\"/>\r\n"
                                   "  </message>\r\n"
                                   "  <message name=\"Op%1Response\">\r\n"
                                   "    <part name=\"RESULT\" type=\"tns:Resp%1\"/>\r\n"
                                   "    <part name=\"RETCODE\" type=\"xsd:short\"/>\r\n"
                                   "  </message>\r\n")
                        .arg(n);
        portType += QStringLiteral("    <operation name=\"Op%1\">\r\n"
                                   "      <input message=\"tns:Op%1Request\"/>\r\n"
                                   "      <output message=\"tns:Op%1Response\"/>\r\n"
                                   "    </operation>\r\n")
                        .arg(n);
    }
    return QStringLiteral("<?xml version=\"1.0\" encoding=\"windows-1250\"?>\r\n"
                          "<definitions name=\"%1\" targetNamespace=\"urn:bench\" xmlns=\"http://schemas.xmlsoap.org/wsdl/\"\r\n"
                          "    xmlns:wsdl=\"http://schemas.xmlsoap.org/wsdl/\" xmlns:tns=\"urn:bench\"\r\n"
                          "    xmlns:soapenc=\"http://schemas.xmlsoap.org/soap/encoding/\"\r\n"
                          "    xmlns:xsd=\"http://www.w3.org/2001/XMLSchema\">\r\n"
                          "  <types>\r\n    <xsd:schema targetNamespace=\"urn:bench\">\r\n")
               .arg(name)
           + types + QStringLiteral("    </xsd:schema>\r\n  </types>\r\n") + messages
           + QStringLiteral("  <portType name=\"%1Port\">\r\n").arg(name) + portType
           + QStringLiteral("  </portType>\r\n</definitions>\r\n");
}

// Many operations, little else: each operation has one input whose message
// is one of a thousand with two simple parts, so the document is mostly
// operations (about 60 bytes each).
QString generateManyOperations(const QString &name, int operations)
{
    constexpr int messages = 1000;
    QString text;
    text.reserve(qsizetype(operations) * 64 + messages * 200);
    text += QStringLiteral("<?xml version=\"1.0\" encoding=\"windows-1250\"?>\r\n"
                           "<definitions name=\"%1\" xmlns=\"http://schemas.xmlsoap.org/wsdl/\" xmlns:tns=\"urn:bench\"\r\n"
                           "    xmlns:xsd=\"http://www.w3.org/2001/XMLSchema\">\r\n")
                .arg(name);
    for (int m = 0; m < messages; ++m)
        text += QStringLiteral("<message name=\"M%1\"><part name=\"KEY%1\" type=\"xsd:int\"/>"
                               "<part name=\"TEXT\" type=\"xsd:string\"/></message>\r\n")
                    .arg(m);
    text += QStringLiteral("<portType name=\"%1Port\">\r\n").arg(name);
    for (int i = 0; i < operations; ++i)
        text += QStringLiteral("<operation name=\"O%1\"><input message=\"tns:M%2\"/></operation>\r\n")
                    .arg(i, 6, 10, QLatin1Char('0'))
                    .arg(i % messages);
    text += QStringLiteral("</portType>\r\n</definitions>\r\n");
    return text;
}

// A document/literal service as vendors publish them: two schemas (shared
// types, and the operations' elements declared with "type" or with their
// type inside), request types extending a shared base, element
// references, and the operations spread over several port types.
QString generateDocLiteral(const QString &name, int operations, int portTypes)
{
    QString common = QStringLiteral(
        "    <xsd:schema targetNamespace=\"urn:bench:common\" xmlns:c=\"urn:bench:common\">\r\n"
        "      <xsd:complexType name=\"Base\"><xsd:sequence>\r\n"
        "        <xsd:element name=\"RequestId\" type=\"xsd:string\"/>\r\n"
        "        <xsd:element name=\"Created\" type=\"xsd:dateTime\"/>\r\n"
        "      </xsd:sequence></xsd:complexType>\r\n"
        "      <xsd:complexType name=\"Address\"><xsd:sequence>\r\n"
        "        <xsd:element name=\"Street\" type=\"xsd:string\"/><xsd:element name=\"City\" type=\"xsd:string\"/>\r\n"
        "        <xsd:element name=\"Zip\" type=\"xsd:string\"/><xsd:element name=\"Country\" type=\"xsd:string\"/>\r\n"
        "      </xsd:sequence></xsd:complexType>\r\n"
        "      <xsd:element name=\"Note\" type=\"xsd:string\"/>\r\n"
        "    </xsd:schema>\r\n");
    QString ops = QStringLiteral("    <xsd:schema targetNamespace=\"urn:bench:ops\" xmlns:o=\"urn:bench:ops\" "
                                 "xmlns:c=\"urn:bench:common\">\r\n"
                                 "      <xsd:import namespace=\"urn:bench:common\"/>\r\n");
    QString messages;
    std::vector<QString> ports(size_t(std::max(1, portTypes)));
    for (int i = 0; i < operations; ++i) {
        const QString n = QString::number(i).rightJustified(5, u'0');
        ops += QStringLiteral("      <xsd:element name=\"Op%1\" type=\"o:Op%1Request\"/>\r\n"
                              "      <xsd:complexType name=\"Op%1Request\"><xsd:annotation><xsd:documentation>Request of "
                              "operation %1</xsd:documentation></xsd:annotation>\r\n"
                              "        <xsd:complexContent><xsd:extension base=\"c:Base\"><xsd:sequence>\r\n")
                   .arg(n);
        for (int k = 0; k < 6; ++k)
            ops += QStringLiteral("          <xsd:element name=\"Field%1\" type=\"xsd:%2\" minOccurs=\"0\"/>\r\n")
                       .arg(k)
                       .arg(k % 2 == 0 ? QStringLiteral("int") : QStringLiteral("string"));
        ops += QStringLiteral("          <xsd:element name=\"Delivery\" type=\"c:Address\"/>\r\n"
                              "          <xsd:element ref=\"c:Note\"/>\r\n"
                              "        </xsd:sequence><xsd:attribute name=\"version\" type=\"xsd:int\"/></xsd:extension>"
                              "</xsd:complexContent>\r\n      </xsd:complexType>\r\n"
                              "      <xsd:element name=\"Op%1Response\"><xsd:complexType><xsd:sequence>\r\n"
                              "        <xsd:element name=\"Status\" type=\"xsd:int\"/>\r\n"
                              "        <xsd:element name=\"Amount\" type=\"xsd:decimal\"/>\r\n"
                              "        <xsd:element name=\"Message\" type=\"xsd:string\" minOccurs=\"0\"/>\r\n"
                              "      </xsd:sequence></xsd:complexType></xsd:element>\r\n")
                   .arg(n);
        messages += QStringLiteral("  <wsdl:message name=\"Op%1In\"><wsdl:part name=\"parameters\" element=\"o:Op%1\"/>"
                                   "</wsdl:message>\r\n"
                                   "  <wsdl:message name=\"Op%1Out\"><wsdl:part name=\"parameters\" element=\"o:Op%1Response\"/>"
                                   "</wsdl:message>\r\n")
                        .arg(n);
        ports[size_t(i) % ports.size()] += QStringLiteral("    <wsdl:operation name=\"Op%1\"><wsdl:documentation>Operation %1"
                                                          "</wsdl:documentation>\r\n"
                                                          "      <wsdl:input message=\"tns:Op%1In\"/>\r\n"
                                                          "      <wsdl:output message=\"tns:Op%1Out\"/>\r\n"
                                                          "      <wsdl:fault name=\"fault\" message=\"tns:Fault\"/>\r\n"
                                                          "    </wsdl:operation>\r\n")
                                               .arg(n);
    }
    ops += QStringLiteral("      <xsd:element name=\"Fault\"><xsd:complexType><xsd:sequence>"
                          "<xsd:element name=\"Code\" type=\"xsd:int\"/></xsd:sequence></xsd:complexType></xsd:element>\r\n"
                          "    </xsd:schema>\r\n");
    messages += QStringLiteral("  <wsdl:message name=\"Fault\"><wsdl:part name=\"fault\" element=\"o:Fault\"/></wsdl:message>\r\n");
    QString text = QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n"
                                  "<wsdl:definitions name=\"%1\" targetNamespace=\"urn:bench\" "
                                  "xmlns:wsdl=\"http://schemas.xmlsoap.org/wsdl/\" xmlns:tns=\"urn:bench\"\r\n"
                                  "    xmlns:o=\"urn:bench:ops\" xmlns:xsd=\"http://www.w3.org/2001/XMLSchema\">\r\n"
                                  "  <wsdl:types>\r\n")
                       .arg(name)
                   + common + ops + QStringLiteral("  </wsdl:types>\r\n") + messages;
    for (size_t p = 0; p < ports.size(); ++p)
        text += QStringLiteral("  <wsdl:portType name=\"%1Port%2\">\r\n").arg(name).arg(p) + ports[p]
                + QStringLiteral("  </wsdl:portType>\r\n");
    return text + QStringLiteral("</wsdl:definitions>\r\n");
}

constexpr int kDocLiteralOperations = 6000;

constexpr int kManyOperations = 200000;

struct TFixture
{
    QTemporaryDir dir;
    QString large;
    QString many;
    QString docLiteral;
    QString docLiteralQuarter;
    QStringList small;
};

TFixture &fixture()
{
    static TFixture f;
    if (f.large.isEmpty()) {
        f.large = f.dir.filePath(QStringLiteral("Large.wsdl"));
        TextFile::writeText(f.large, generate(QStringLiteral("Large"), 5000));
        f.docLiteral = f.dir.filePath(QStringLiteral("DocLiteral.wsdl"));
        TextFile::writeText(f.docLiteral, generateDocLiteral(QStringLiteral("DocLiteral"), kDocLiteralOperations, 4));
        f.docLiteralQuarter = f.dir.filePath(QStringLiteral("DocLiteralQuarter.wsdl"));
        TextFile::writeText(f.docLiteralQuarter,
                            generateDocLiteral(QStringLiteral("DocLiteralQuarter"), kDocLiteralOperations / 4, 4));
        f.many = f.dir.filePath(QStringLiteral("Many.wsdl"));
        TextFile::writeText(f.many, generateManyOperations(QStringLiteral("Many"), kManyOperations));
        for (int i = 0; i < 1000; ++i) {
            const QString name = QStringLiteral("Small%1").arg(i, 4, 10, QLatin1Char('0'));
            f.small << f.dir.filePath(QStringLiteral("small/") + name + QStringLiteral(".wsdl"));
            QDir().mkpath(f.dir.filePath(QStringLiteral("small")));
            TextFile::writeText(f.small.last(), generate(name, 4, i * 4));
        }
    }
    return f;
}

double processSeconds()
{
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return double(t.tv_sec) + double(t.tv_nsec) / 1e9;
}

// Wall clock and processor time of one measured run.
class TStopwatch
{
public:
    TStopwatch() { m_wall.start(); }
    double wall() const { return double(m_wall.nsecsElapsed()) / 1e9; }
    double cpu() const { return processSeconds() - m_cpu; }

private:
    QElapsedTimer m_wall;
    double m_cpu = processSeconds();
};

struct TRates
{
    double wall = 0;
    double cpu = 0;
};

// Best rates seen, for the summary.
std::map<std::string, TRates> &bestRates()
{
    static std::map<std::string, TRates> rates;
    return rates;
}

void record(benchmark::State &state, const std::string &name, qint64 rows, const TStopwatch &watch)
{
    const double wall = double(rows) / watch.wall();
    const double cpu = double(rows) / watch.cpu();
    TRates &best = bestRates()[name];
    best.wall = std::max(best.wall, wall);
    best.cpu = std::max(best.cpu, cpu);
    state.counters["param_rows"] = double(rows);
    state.counters["rows_per_s"] = wall;
    state.counters["rows_per_cpu_s"] = cpu;
}

// A folder for one run's repository, removed afterwards.
QTemporaryDir outputFolder()
{
    const QString base = qEnvironmentVariable("QUENBAR_BENCH_DIR");
    return base.isEmpty() ? QTemporaryDir() : QTemporaryDir(QDir(base).filePath(QStringLiteral("bench-XXXXXX")));
}

// Rows as the import writes them, with one prepared statement reused.
void rawInsert(TDM &dm, qint64 rows)
{
    TRepositoryTransaction tx(dm);
    QSqlQuery q(dm.database());
    if (!q.prepare(QStringLiteral(
            "insert into Parameters (Kulcs, InterfacesKulcs, OperationsKulcs, InputsOutputsKulcs, ParametersKulcs, "
            "UpPointer, LevelX, DupliCheck, TypeX, XS_Type, SequenceType, XS_Array, Name, Kommentar, NameFold) "
            "values (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)")))
        throw EDatabaseError(q.lastError().text());
    const QString type = QStringLiteral("string");
    for (qint64 k = 1; k <= rows; ++k) {
        const QString name = QStringLiteral("REQ-%1-FIELD").arg(k);
        q.bindValue(0, k);
        q.bindValue(1, 1);
        q.bindValue(2, k / 20 + 1);
        q.bindValue(3, k / 10 + 1);
        q.bindValue(4, k);
        q.bindValue(5, k / 10 + 1);
        q.bindValue(6, 2);
        q.bindValue(7, k);
        q.bindValue(8, type);
        q.bindValue(9, 1);
        q.bindValue(10, QVariant());
        q.bindValue(11, 0);
        q.bindValue(12, name);
        q.bindValue(13, QVariant());
        q.bindValue(14, name);
        if (!q.exec())
            throw EDatabaseError(q.lastError().text());
    }
    tx.Commit();
}

// The same rows through SQLite's own interface, on the connection the
// driver holds.
void capiInsert(TDM &dm, qint64 rows)
{
    const QVariant handle = dm.database().driver()->handle();
    if (!handle.isValid() || std::strcmp(handle.typeName(), "sqlite3*") != 0)
        throw EDatabaseError(QStringLiteral("The repository's driver gives no SQLite connection"));
    sqlite3 *db = *static_cast<sqlite3 *const *>(handle.constData());
    if (!db)
        throw EDatabaseError(QStringLiteral("The repository's SQLite connection is closed"));
    auto check = [db](int rc) {
        if (rc != SQLITE_OK && rc != SQLITE_DONE)
            throw EDatabaseError(QString::fromUtf8(sqlite3_errmsg(db)));
    };
    check(sqlite3_exec(db, "begin", nullptr, nullptr, nullptr));
    sqlite3_stmt *st = nullptr;
    check(sqlite3_prepare_v2(db,
                             "insert into Parameters (Kulcs, InterfacesKulcs, OperationsKulcs, InputsOutputsKulcs, "
                             "ParametersKulcs, UpPointer, LevelX, DupliCheck, TypeX, XS_Type, SequenceType, XS_Array, "
                             "Name, Kommentar, NameFold) values (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)",
                             -1, &st, nullptr));
    const QByteArray type = QByteArrayLiteral("string");
    try {
        for (qint64 k = 1; k <= rows; ++k) {
            // Built as a QString, as the Qt run does: the difference is the interface.
            const QByteArray name = QStringLiteral("REQ-%1-FIELD").arg(k).toUtf8();
            sqlite3_bind_int64(st, 1, k);
            sqlite3_bind_int64(st, 2, 1);
            sqlite3_bind_int64(st, 3, k / 20 + 1);
            sqlite3_bind_int64(st, 4, k / 10 + 1);
            sqlite3_bind_int64(st, 5, k);
            sqlite3_bind_int64(st, 6, k / 10 + 1);
            sqlite3_bind_int64(st, 7, 2);
            sqlite3_bind_int64(st, 8, k);
            sqlite3_bind_text(st, 9, type.constData(), int(type.size()), SQLITE_STATIC);
            sqlite3_bind_int64(st, 10, 1);
            sqlite3_bind_null(st, 11);
            sqlite3_bind_int64(st, 12, 0);
            sqlite3_bind_text(st, 13, name.constData(), int(name.size()), SQLITE_TRANSIENT);
            sqlite3_bind_null(st, 14);
            sqlite3_bind_text(st, 15, name.constData(), int(name.size()), SQLITE_TRANSIENT);
            check(sqlite3_step(st));
            check(sqlite3_reset(st));
        }
    } catch (...) {
        sqlite3_finalize(st);
        sqlite3_exec(db, "rollback", nullptr, nullptr, nullptr);
        throw;
    }
    sqlite3_finalize(st);
    check(sqlite3_exec(db, "commit", nullptr, nullptr, nullptr));
}

qint64 g_largeRows = 0;
qint64 g_smallRows = 0;
qint64 g_manyRows = 0;
qint64 g_docLiteralRows = 0;
qint64 g_docLiteralQuarterRows = 0;

// One document into a fresh repository.
void importRun(benchmark::State &state, const std::string &name, const QString &file, qint64 &rows)
{
    for (auto _ : state) {
        state.PauseTiming();
        QTemporaryDir out = outputFolder();
        TDM dm;
        TWsdlImporter importer(dm, out.path());
        state.ResumeTiming();
        const TStopwatch watch;
        const TWsdlImportCounts counts = importer.ImportWsdlFile(file);
        rows = counts.parameters;
        record(state, name, counts.parameters, watch);
        state.counters["operations"] = counts.operations;
        state.PauseTiming();
        dm.CloseRepository();
        state.ResumeTiming();
    }
}

// Bare inserts of as many rows as the import before it wrote, into a fresh repository.
void rawInsertRun(benchmark::State &state, const std::string &name, qint64 rows, void (*insert)(TDM &, qint64))
{
    for (auto _ : state) {
        state.PauseTiming();
        QTemporaryDir out = outputFolder();
        TDM dm;
        dm.OpenRepository(out.path(), false);
        state.ResumeTiming();
        const TStopwatch watch;
        insert(dm, rows);
        record(state, name, rows, watch);
        state.PauseTiming();
        dm.CloseRepository();
        state.ResumeTiming();
    }
}

void BM_ImportLarge(benchmark::State &state)
{
    importRun(state, "large import", fixture().large, g_largeRows);
}

void BM_RawInsertLarge(benchmark::State &state)
{
    rawInsertRun(state, "large raw", g_largeRows, rawInsert);
}

void BM_CApiInsertLarge(benchmark::State &state)
{
    rawInsertRun(state, "large C API", g_largeRows, capiInsert);
}

void BM_ImportManyOperations(benchmark::State &state)
{
    importRun(state, "many import", fixture().many, g_manyRows);
}

void BM_RawInsertMany(benchmark::State &state)
{
    rawInsertRun(state, "many raw", g_manyRows, rawInsert);
}

void BM_CApiInsertMany(benchmark::State &state)
{
    rawInsertRun(state, "many C API", g_manyRows, capiInsert);
}

void BM_ImportDocLiteral(benchmark::State &state)
{
    importRun(state, "doc/literal import", fixture().docLiteral, g_docLiteralRows);
}

void BM_ImportDocLiteralQuarter(benchmark::State &state)
{
    importRun(state, "doc/literal quarter import", fixture().docLiteralQuarter, g_docLiteralQuarterRows);
}

void BM_RawInsertDocLiteral(benchmark::State &state)
{
    rawInsertRun(state, "doc/literal raw", g_docLiteralRows, rawInsert);
}

void BM_CApiInsertDocLiteral(benchmark::State &state)
{
    rawInsertRun(state, "doc/literal C API", g_docLiteralRows, capiInsert);
}

void BM_ImportSmallFiles(benchmark::State &state)
{
    TFixture &f = fixture();
    for (auto _ : state) {
        state.PauseTiming();
        QTemporaryDir out = outputFolder();
        TDM dm;
        TWsdlImporter importer(dm, out.path());
        state.ResumeTiming();
        const TStopwatch watch;
        qint64 rows = 0;
        // As the workbench runs a list of documents: the run ends with the
        // log written back into the file, synced.
        dm.SetBulkWrites(true);
        for (const QString &file : std::as_const(f.small))
            rows += importer.ImportWsdlFile(file).parameters;
        dm.SetBulkWrites(false);
        g_smallRows = rows;
        record(state, "small import", rows, watch);
        state.counters["files"] = double(f.small.size());
        state.PauseTiming();
        dm.CloseRepository();
        state.ResumeTiming();
    }
}

void BM_RawInsertSmall(benchmark::State &state)
{
    rawInsertRun(state, "small raw", g_smallRows, rawInsert);
}

void BM_CApiInsertSmall(benchmark::State &state)
{
    rawInsertRun(state, "small C API", g_smallRows, capiInsert);
}

// The bare inserts write as many rows as the imports before them wrote.
BENCHMARK(BM_ImportLarge)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();
BENCHMARK(BM_RawInsertLarge)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();
BENCHMARK(BM_CApiInsertLarge)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();
BENCHMARK(BM_ImportSmallFiles)->Unit(benchmark::kMillisecond)->Iterations(2)->UseRealTime();
BENCHMARK(BM_RawInsertSmall)->Unit(benchmark::kMillisecond)->Iterations(2)->UseRealTime();
BENCHMARK(BM_CApiInsertSmall)->Unit(benchmark::kMillisecond)->Iterations(2)->UseRealTime();
BENCHMARK(BM_ImportManyOperations)->Unit(benchmark::kMillisecond)->Iterations(2)->UseRealTime();
BENCHMARK(BM_RawInsertMany)->Unit(benchmark::kMillisecond)->Iterations(2)->UseRealTime();
BENCHMARK(BM_CApiInsertMany)->Unit(benchmark::kMillisecond)->Iterations(2)->UseRealTime();
BENCHMARK(BM_ImportDocLiteral)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();
BENCHMARK(BM_RawInsertDocLiteral)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();
BENCHMARK(BM_CApiInsertDocLiteral)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();
BENCHMARK(BM_ImportDocLiteralQuarter)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QString writeOption = QStringLiteral("--write-wsdl=");
    for (int i = 1; i < argc; ++i) {
        const QString arg = QString::fromLocal8Bit(argv[i]);
        if (arg.startsWith(writeOption)) {
            const QString file = arg.mid(writeOption.size());
            TextFile::writeText(file, generateManyOperations(QFileInfo(file).completeBaseName(), kManyOperations));
            std::printf("%s: %lld bytes, %d operations\n", qPrintable(file),
                        static_cast<long long>(QFileInfo(file).size()), kManyOperations);
            return 0;
        }
    }
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    std::printf("Generating: one document of %lld bytes, one of %lld bytes with %d operations, a document/literal one of "
                "%lld bytes and 1000 small ones ...\n",
                static_cast<long long>(QFileInfo(fixture().large).size()),
                static_cast<long long>(QFileInfo(fixture().many).size()), kManyOperations,
                static_cast<long long>(QFileInfo(fixture().docLiteral).size()));
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();

    const auto &r = bestRates();
    auto summary = [&](const char *what, const std::string &set) {
        const auto i = r.find(set + " import");
        const auto q = r.find(set + " raw");
        const auto c = r.find(set + " C API");
        if (i == r.end() || q == r.end() || c == r.end())
            return;
        std::printf("%s\n  rows/s by the clock: import %8.0f, Qt insert %8.0f, C API insert %8.0f\n"
                    "  rows/s by processor time: import %8.0f, Qt insert %8.0f, C API insert %8.0f\n"
                    "  C API / import: %5.2f times (by processor time %5.2f); Qt / import %5.2f; target at most 5\n",
                    what, i->second.wall, q->second.wall, c->second.wall, i->second.cpu, q->second.cpu, c->second.cpu,
                    c->second.wall / i->second.wall, c->second.cpu / i->second.cpu, q->second.wall / i->second.wall);
    };
    summary("(a) one large document", "large");
    summary("(b) 1000 small files", "small");
    summary("(c) 200,000 operations", "many");
    summary("(d) one document/literal document", "doc/literal");
    const auto full = r.find("doc/literal import");
    const auto quarter = r.find("doc/literal quarter import");
    if (full != r.end() && quarter != r.end())
        std::printf("  linearity: rows/s of a quarter of it / rows/s of all of it: %5.2f (1 is linear)\n",
                    quarter->second.wall / full->second.wall);
    return 0;
}
