// Speed of the WSDL import against the bare insert rate of the repository:
// (a) one generated document of about 10 MB with thousands of operations
// and types, (b) 1,000 small documents into one repository, each set beside
// inserting as many Parameters rows into the same schema with one prepared
// statement in one transaction. Rates are parameter rows per second, by the
// clock and by the process's processor time (which leaves out the waits for
// the disk: each document is one durable commit); the summary at the end
// gives insert rate / import rate. QUENBAR_BENCH_DIR puts the repositories
// elsewhere than the temporary folder (/dev/shm: without disk waits).

#include "QuenbarDB.h"
#include "TextFile.h"
#include "WsdlImport.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QSqlError>
#include <QSqlQuery>
#include <QString>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <ctime>
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

struct TFixture
{
    QTemporaryDir dir;
    QString large;
    QStringList small;
};

TFixture &fixture()
{
    static TFixture f;
    if (f.large.isEmpty()) {
        f.large = f.dir.filePath(QStringLiteral("Large.wsdl"));
        TextFile::writeText(f.large, generate(QStringLiteral("Large"), 5000));
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

qint64 g_largeRows = 0;
qint64 g_smallRows = 0;

void BM_ImportLarge(benchmark::State &state)
{
    TFixture &f = fixture();
    for (auto _ : state) {
        state.PauseTiming();
        QTemporaryDir out = outputFolder();
        TDM dm;
        TWsdlImporter importer(dm, out.path());
        state.ResumeTiming();
        const TStopwatch watch;
        const TWsdlImportCounts counts = importer.ImportWsdlFile(f.large);
        g_largeRows = counts.parameters;
        record(state, "large import", counts.parameters, watch);
        state.counters["operations"] = counts.operations;
        state.PauseTiming();
        dm.CloseRepository();
        state.ResumeTiming();
    }
}

// Raw inserts of as many rows as the import before it wrote, into a fresh repository.
void rawInsertRun(benchmark::State &state, const std::string &name, qint64 rows)
{
    for (auto _ : state) {
        state.PauseTiming();
        QTemporaryDir out = outputFolder();
        TDM dm;
        dm.OpenRepository(out.path(), false);
        state.ResumeTiming();
        const TStopwatch watch;
        rawInsert(dm, rows);
        record(state, name, rows, watch);
        state.PauseTiming();
        dm.CloseRepository();
        state.ResumeTiming();
    }
}

void BM_RawInsertLarge(benchmark::State &state)
{
    rawInsertRun(state, "large raw", g_largeRows);
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
    rawInsertRun(state, "small raw", g_smallRows);
}

// The raw runs insert as many rows as the imports before them wrote.
BENCHMARK(BM_ImportLarge)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();
BENCHMARK(BM_RawInsertLarge)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();
BENCHMARK(BM_ImportSmallFiles)->Unit(benchmark::kMillisecond)->Iterations(2)->UseRealTime();
BENCHMARK(BM_RawInsertSmall)->Unit(benchmark::kMillisecond)->Iterations(2)->UseRealTime();

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    std::printf("Generating: one document of %lld bytes and 1000 small ones ...\n",
                static_cast<long long>(QFileInfo(fixture().large).size()));
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();

    const auto &r = bestRates();
    auto summary = [&](const char *what, const char *import, const char *raw) {
        const auto i = r.find(import);
        const auto w = r.find(raw);
        if (i == r.end() || w == r.end())
            return;
        std::printf("%-24s import %8.0f rows/s, raw insert %8.0f rows/s: %5.2f times (by processor time: "
                    "%8.0f and %8.0f rows/s, %5.2f times); target at most 5\n",
                    what, i->second.wall, w->second.wall, w->second.wall / i->second.wall, i->second.cpu, w->second.cpu,
                    w->second.cpu / i->second.cpu);
    };
    summary("(a) one large document", "large import", "large raw");
    summary("(b) 1000 small files", "small import", "small raw");
    return 0;
}
