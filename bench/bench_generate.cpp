// Speed of the generators against reading the repository: a repository of
// 250,000 parameter rows in 50 interfaces (100 operations of two messages of
// 25 rows each; every interface has its own "Address" type, with members of
// its own), each interface's WSDL document and script generated, beside
// reading all Parameters rows once in key order. The summary gives
// generation time / reading time by processor time. QUENBAR_BENCH_DIR puts
// the repository elsewhere than the temporary folder.

#include "InterfaceFiles.h"
#include "QuenbarDB.h"
#include "ScriptGenerator.h"
#include "WsdlGenerator.h"

#include <QCoreApplication>
#include <QDir>
#include <QSqlError>
#include <QSqlQuery>
#include <QString>
#include <QTemporaryDir>
#include <QVariant>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <ctime>
#include <memory>
#include <stdexcept>
#include <vector>

namespace {

constexpr int kInterfaces = 50;
constexpr int kOperations = 100;
constexpr int kRowsPerMessage = 25;

void run(QSqlQuery &q)
{
    if (!q.exec())
        throw std::runtime_error(q.lastError().text().toStdString());
}

struct TFixture
{
    QTemporaryDir dir{qEnvironmentVariableIsSet("QUENBAR_BENCH_DIR")
                          ? QDir(qEnvironmentVariable("QUENBAR_BENCH_DIR")).filePath(QStringLiteral("bench-XXXXXX"))
                          : QDir::temp().filePath(QStringLiteral("bench-XXXXXX"))};
    TDM dm;
    std::vector<qint64> interfaces;
    qint64 parameterRows = 0;

    TFixture()
    {
        if (!dir.isValid() || !dm.OpenRepository(dir.filePath(QStringLiteral("ParadoxDB")), false))
            throw std::runtime_error("cannot open the repository");
        QSqlDatabase db = dm.database();
        db.transaction();
        QSqlQuery qi(db), qo(db), qm(db), qp(db);
        qi.prepare(QStringLiteral("insert into Interfaces (Kulcs, CSVName, DefinitionsName, Name) values (?, ?, ?, ?)"));
        qo.prepare(QStringLiteral("insert into Operations (Kulcs, InterfacesKulcs, OperationsKulcs, UpPointer, Name) "
                                  "values (?, ?, ?, ?, ?)"));
        qm.prepare(QStringLiteral("insert into InputsOutputs (Kulcs, InterfacesKulcs, OperationsKulcs, "
                                  "InputsOutputsKulcs, UpPointer, Name, TypeX) values (?, ?, ?, ?, ?, ?, ?)"));
        qp.prepare(QStringLiteral("insert into Parameters (Kulcs, InterfacesKulcs, OperationsKulcs, InputsOutputsKulcs, "
                                  "ParametersKulcs, UpPointer, LevelX, DupliCheck, TypeX, XS_Type, SequenceType, "
                                  "XS_Array, Name) values (?, ?, ?, ?, ?, ?, ?, 0, ?, ?, ?, ?, ?)"));
        qint64 op = 0, msg = 0, par = 0;
        for (int i = 1; i <= kInterfaces; ++i) {
            const QString name = QStringLiteral("SERVICE%1").arg(i, 3, 10, QLatin1Char('0'));
            qi.addBindValue(i);
            qi.addBindValue(name);
            qi.addBindValue(name);
            qi.addBindValue(name);
            run(qi);
            interfaces.push_back(i);
            for (int o = 0; o < kOperations; ++o) {
                ++op;
                const QString opName = QStringLiteral("OP%1").arg(o, 3, 10, QLatin1Char('0'));
                for (QVariant v : {QVariant(op), QVariant(i), QVariant(op), QVariant(i), QVariant(opName)})
                    qo.addBindValue(v);
                run(qo);
                for (const char *direction : {"input", "output"}) {
                    ++msg;
                    const QString msgName = opName + QString::fromLatin1(direction);
                    for (QVariant v : {QVariant(msg), QVariant(i), QVariant(op), QVariant(msg), QVariant(op),
                                       QVariant(msgName), QVariant(QString::fromLatin1(direction))})
                        qm.addBindValue(v);
                    run(qm);
                    auto row = [&](int level, const QString &rowName, const QString &type, bool simple,
                                   const QString &sequence, bool array) {
                        ++par;
                        for (QVariant v : {QVariant(par), QVariant(i), QVariant(op), QVariant(msg), QVariant(par),
                                           QVariant(msg), QVariant(level), QVariant(type), QVariant(simple),
                                           QVariant(sequence), QVariant(array), QVariant(rowName)})
                            qp.addBindValue(v);
                        run(qp);
                    };
                    // 1 + 17 + 1 + 4 + 1 + 1 rows.
                    row(1, QStringLiteral("REQUEST"), msgName + QStringLiteral("_T"), false, QStringLiteral("sequence"), false);
                    for (int f = 0; f < 17; ++f)
                        row(2, QStringLiteral("FIELD-%1").arg(f), f % 3 ? QStringLiteral("string") : QStringLiteral("int"),
                            true, QString(), false);
                    row(2, QStringLiteral("ADDRESS"), QStringLiteral("Address"), false, QStringLiteral("sequence"), false);
                    for (int f = 0; f < 4; ++f)
                        row(3, QStringLiteral("LINE%1-%2").arg(f).arg(i), QStringLiteral("string"), true, QString(), false);
                    row(2, QStringLiteral("ITEMS"), QStringLiteral("ArrayOfString"), false, QStringLiteral("complexContent"),
                        false);
                    row(3, QStringLiteral("item[]"), QStringLiteral("string"), true, QString(), true);
                }
            }
        }
        db.commit();
        parameterRows = par;
    }
};

TFixture &fixture()
{
    static std::unique_ptr<TFixture> f(new TFixture);
    return *f;
}

double processorSeconds()
{
    return double(std::clock()) / CLOCKS_PER_SEC;
}

double g_read = 0;
double g_generate = 0;

void keepBest(double &best, double value)
{
    if (best == 0 || value < best)
        best = value;
}

void BM_ReadAllRows(benchmark::State &state)
{
    TFixture &f = fixture();
    for (auto _ : state) {
        const double start = processorSeconds();
        QSqlQuery q(f.dm.database());
        q.setForwardOnly(true);
        q.prepare(QStringLiteral("select Kulcs, LevelX, Name, TypeX, Kommentar, SequenceType, XS_Type, XS_Array, "
                                 "UpPointer from Parameters order by Kulcs"));
        run(q);
        qint64 rows = 0;
        qint64 sum = 0;
        while (q.next()) {
            ++rows;
            sum += q.value(0).toLongLong() + q.value(1).toLongLong() + q.value(2).toString().size()
                + q.value(3).toString().size() + q.value(4).toString().size() + q.value(5).toString().size()
                + q.value(6).toBool() + q.value(7).toBool() + q.value(8).toLongLong();
        }
        benchmark::DoNotOptimize(sum);
        if (rows != f.parameterRows)
            state.SkipWithError("not every row read");
        keepBest(g_read, processorSeconds() - start);
    }
    state.counters["rows"] = double(f.parameterRows);
}

void BM_GenerateAll(benchmark::State &state)
{
    TFixture &f = fixture();
    const QString out = f.dir.filePath(QStringLiteral("out"));
    for (auto _ : state) {
        const double start = processorSeconds();
        // As the unattended run does it: every interface's files, its rows read once.
        for (const TInterfaceFile &face : InterfaceFiles::ReadAll(f.dm))
            InterfaceFiles::Generate(f.dm, face, out, nullptr, false);
        keepBest(g_generate, processorSeconds() - start);
    }
    state.counters["rows"] = double(f.parameterRows);
}

BENCHMARK(BM_ReadAllRows)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_GenerateAll)->Unit(benchmark::kMillisecond)->Iterations(2);

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    std::printf("Repository of %lld parameter rows in %d interfaces\n", static_cast<long long>(fixture().parameterRows),
                kInterfaces);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    if (g_read > 0 && g_generate > 0)
        std::printf("generating every interface's WSDL and ASR: %.3f s, reading every row once in key order: %.3f s "
                    "(processor time): %.2f times; target at most 5\n",
                    g_generate, g_read, g_generate / g_read);
    return 0;
}
