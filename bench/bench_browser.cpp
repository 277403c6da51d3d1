// Speed of the repository browser on a repository of 100,000 parameters:
// 160 interfaces x 10 operations x 2 messages x 25 parameters, plus one
// interface whose single message holds 20,000 parameters. Measured: moving
// through interfaces and operations in the grids (the tables to the right
// refilter, the grids read their rows in view and repaint), fitting the
// columns, opening and typing in the Parameters search, and the four
// cross-reference queries with the report reading their rows.
//
// Runs offscreen unless QT_QPA_PLATFORM says otherwise.

#include "CrossrefReport.h"
#include "Kereso.h"
#include "QuenbarDB.h"
#include "RepositoryBrowser.h"

#include <QApplication>
#include <QLineEdit>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QToolButton>
#include <QVBoxLayout>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <memory>
#include <stdexcept>

namespace {

constexpr int Interfaces = 160;
constexpr int OperationsPerInterface = 10;
constexpr int ParametersPerMessage = 25;
constexpr int BigMessageParameters = 20000;

QString opName(int o)
{
    return QStringLiteral("OP%1").arg(o, 2, 10, QLatin1Char('0'));
}

void exec(QSqlQuery &q)
{
    if (!q.exec())
        throw std::runtime_error(q.lastError().text().toStdString());
}

// Bulk rows with the keys and fold columns the module keeps; the module's
// own inserts are measured by the import bench.
void build(TDM &dm)
{
    QSqlQuery begin = dm.QWork();
    if (!begin.exec(QStringLiteral("BEGIN")))
        throw std::runtime_error("BEGIN failed");
    QSqlQuery qi = dm.QWork(), qo = dm.QWork(), qm = dm.QWork(), qp = dm.QWork();
    qi.prepare(QStringLiteral("insert into Interfaces (Kulcs, CSVName, Name, NameFold, Kommentar) values (?, ?, ?, ?, ?)"));
    qo.prepare(QStringLiteral("insert into Operations (Kulcs, InterfacesKulcs, OperationsKulcs, UpPointer, Name, NameFold) "
                              "values (?, ?, ?, ?, ?, ?)"));
    qm.prepare(QStringLiteral("insert into InputsOutputs (Kulcs, InterfacesKulcs, OperationsKulcs, InputsOutputsKulcs, "
                              "UpPointer, Name, NameFold, TypeX) values (?, ?, ?, ?, ?, ?, ?, ?)"));
    qp.prepare(QStringLiteral("insert into Parameters (Kulcs, InterfacesKulcs, OperationsKulcs, InputsOutputsKulcs, "
                              "ParametersKulcs, UpPointer, LevelX, DupliCheck, TypeX, XS_Type, XS_Array, Name, NameFold, "
                              "Kommentar) values (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"));
    qint64 op = 0, msg = 0, par = 0;
    auto addParameter = [&](qint64 i, qint64 o, qint64 m, int n, int level) {
        const QString name = QStringLiteral("FIELD%1").arg(n, 5, 10, QLatin1Char('0'));
        ++par;
        for (const QVariant &v : {QVariant(par), QVariant(i), QVariant(o), QVariant(m), QVariant(par), QVariant(m),
                                  QVariant(level), QVariant(qint64(0)), QVariant(QStringLiteral("string")),
                                  QVariant(1), QVariant(0), QVariant(name), QVariant(name),
                                  QVariant(QStringLiteral("comment of ") + name)})
            qp.addBindValue(v);
        exec(qp);
    };
    auto addMessage = [&](qint64 i, qint64 o, const QString &name, const QString &direction, int parameters) {
        ++msg;
        for (const QVariant &v : {QVariant(msg), QVariant(i), QVariant(o), QVariant(msg), QVariant(o), QVariant(name),
                                  QVariant(name.toUpper()), QVariant(direction)})
            qm.addBindValue(v);
        exec(qm);
        for (int p = 0; p < parameters; ++p)
            addParameter(i, o, msg, p, 1 + p % 3);
    };
    auto addOperation = [&](qint64 i, const QString &name) {
        ++op;
        for (const QVariant &v : {QVariant(op), QVariant(i), QVariant(op), QVariant(i), QVariant(name), QVariant(name)})
            qo.addBindValue(v);
        exec(qo);
        return op;
    };
    auto addInterface = [&](qint64 i, const QString &name) {
        for (const QVariant &v : {QVariant(i), QVariant(name.toLower()), QVariant(name), QVariant(name.toUpper()),
                                  QVariant(QStringLiteral("interface ") + name)})
            qi.addBindValue(v);
        exec(qi);
    };
    for (int i = 1; i <= Interfaces; ++i) {
        addInterface(i, QStringLiteral("Service%1").arg(i, 4, 10, QLatin1Char('0')));
        for (int o = 0; o < OperationsPerInterface; ++o) {
            const qint64 key = addOperation(i, opName(o));
            addMessage(i, key, opName(o) + QStringLiteral("Request"), QStringLiteral("input"), ParametersPerMessage);
            addMessage(i, key, opName(o) + QStringLiteral("Response"), QStringLiteral("output"), ParametersPerMessage);
        }
    }
    const qint64 big = Interfaces + 1;
    addInterface(big, QStringLiteral("BigService"));
    const qint64 bigOp = addOperation(big, QStringLiteral("BULK"));
    addMessage(big, bigOp, QStringLiteral("BULKRequest"), QStringLiteral("input"), BigMessageParameters);
    QSqlQuery commit = dm.QWork();
    if (!commit.exec(QStringLiteral("COMMIT")))
        throw std::runtime_error("COMMIT failed");
}

struct TFixture
{
    QTemporaryDir dir;
    TDM dm;
    QWidget window;
    TFrameWSDLView *view = nullptr;

    TFixture()
    {
        const QString folder = dir.filePath(QStringLiteral("ParadoxDB"));
        dm.OpenRepository(folder, false);
        build(dm);
        dm.OpenRepository(folder, false); // the tables read the new rows
        auto *layout = new QVBoxLayout(&window);
        view = new TFrameWSDLView(dm, nullptr, nullptr, &window);
        layout->addWidget(view);
        window.resize(1200, 700);
        window.show();
        QApplication::processEvents();
        view->EnterPage(dir.path());
        QApplication::processEvents();
    }
};

TFixture *fixture = nullptr;

void settle()
{
    QApplication::processEvents();
}

// Moving down the Interfaces grid: Operations, Inputs/Outputs and Parameters
// refilter, the grids read their rows and repaint.
void BM_MoveInterface(benchmark::State &state)
{
    TFrameWSDLView &v = *fixture->view;
    const int rows = v.DataSourceInterfaces->rowCount();
    int row = 0;
    for (auto _ : state) {
        row = (row + 1) % (rows - 1); // the big interface sorts first; it has its own bench
        v.DBGrid1->setCurrentIndex(v.DataSourceInterfaces->index(row + 1, 0));
        settle();
    }
    state.counters["parameterRows"] = v.DataSourceParameters->rowCount();
}

void BM_MoveOperation(benchmark::State &state)
{
    TFrameWSDLView &v = *fixture->view;
    v.DBGrid1->setCurrentIndex(v.DataSourceInterfaces->index(v.DataSourceInterfaces->rowCount() / 2, 0));
    settle();
    int row = 0;
    for (auto _ : state) {
        row = (row + 1) % v.DataSourceOperations->rowCount();
        v.DBGrid2->setCurrentIndex(v.DataSourceOperations->index(row, 0));
        settle();
    }
}

// Into and out of the interface whose message holds 20,000 parameters.
void BM_MoveToBigMessage(benchmark::State &state)
{
    TFrameWSDLView &v = *fixture->view;
    bool big = false;
    for (auto _ : state) {
        big = !big;
        if (big)
            fixture->dm.TableInterfaces().LocateByName(QStringLiteral("BigService"));
        else
            fixture->dm.TableInterfaces().LocateByName(QStringLiteral("Service0080"));
        settle();
    }
    state.counters["rowsRead"] = double(v.DataSourceParameters->RowsRead());
}

void BM_FitBrowserColumns(benchmark::State &state)
{
    TFrameWSDLView &v = *fixture->view;
    fixture->dm.TableInterfaces().LocateByName(QStringLiteral("BigService"));
    settle();
    for (auto _ : state) {
        v.FitBrowserColumns();
        settle();
    }
}

void BM_OpenCloseParameterSearch(benchmark::State &state)
{
    TFrameWSDLView &v = *fixture->view;
    for (auto _ : state) {
        v.SpeedButton4->click();
        settle();
        v.SpeedButton4->click();
        settle();
    }
}

// Each name typed runs the incremental search and positions all four tables.
void BM_TypeInParameterSearch(benchmark::State &state)
{
    TFrameWSDLView &v = *fixture->view;
    v.SpeedButton4->click();
    settle();
    QLineEdit *edit = v.frmKereso()->EKereso;
    int n = 0;
    for (auto _ : state) {
        n = (n + 7) % ParametersPerMessage;
        edit->setText(QStringLiteral("FIELD%1").arg(n, 5, 10, QLatin1Char('0')));
        settle();
    }
    v.SpeedButton4->click();
    settle();
}

void BM_Crossref(benchmark::State &state)
{
    TFrameWSDLView &v = *fixture->view;
    TDM &dm = fixture->dm;
    const auto base = TCrossrefBase(state.range(0));
    dm.TableInterfaces().LocateByName(QStringLiteral("Service0080"));
    dm.TableOperations().LocateByName(QStringLiteral("OP03"));
    dm.TableInputsOutputs().LocateByName(QStringLiteral("OP03Request"));
    dm.TableParameters().LocateByName(QStringLiteral("FIELD00007"));
    int rows = 0;
    for (auto _ : state)
        rows = v.PrepareCrossreference(base);
    state.counters["rows"] = rows;
    state.SetLabel(Crossref::BaseTypeName(base).toStdString());
}

void BM_CrossrefInterfacePdf(benchmark::State &state)
{
    TFrameWSDLView &v = *fixture->view;
    fixture->dm.TableInterfaces().LocateByName(QStringLiteral("Service0080"));
    const int rows = v.PrepareCrossreference(TCrossrefBase::Interfaces);
    const QString pdf = fixture->dir.filePath(QStringLiteral("crossref.pdf"));
    for (auto _ : state)
        v.QRfrm_Crossref()->ExportToPdf(pdf);
    state.counters["rows"] = rows;
}

} // namespace

BENCHMARK(BM_MoveInterface)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_MoveOperation)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_MoveToBigMessage)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_FitBrowserColumns)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_OpenCloseParameterSearch)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_TypeInParameterSearch)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Crossref)
    ->Arg(int(TCrossrefBase::Interfaces))
    ->Arg(int(TCrossrefBase::Operations))
    ->Arg(int(TCrossrefBase::InputsOutputs))
    ->Arg(int(TCrossrefBase::Parameters))
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK(BM_CrossrefInterfacePdf)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    try {
        TFixture f;
        fixture = &f;
        benchmark::RunSpecifiedBenchmarks();
        fixture = nullptr;
    } catch (const std::exception &e) {
        std::fprintf(stderr, "bench_browser: %s\n", e.what());
        return 1;
    }
    benchmark::Shutdown();
    return 0;
}
