// Speed of the COBOL analyser on a generated system of a million source
// lines (2,000 programs of 500 lines, each copying four of 40 copybooks),
// against a plain read of the same files and GnuCOBOL's preprocessor
// "cobc -E" (copybooks and REPLACING only) where it is installed.

#include "CobolRun.h"
#include "TextFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

namespace {

constexpr int kPrograms = 2000;
constexpr int kCopybooks = 40;

QString line(int n, const QString &text) { return QStringLiteral("%1 %2").arg(n, 6, 10, QLatin1Char('0')).arg(text, -65); }

struct SourceSet
{
    QTemporaryDir dir;
    QStringList programs;
    qint64 lines = 0;

    SourceSet()
    {
        const QString copy = dir.path() + QStringLiteral("/copy");
        QDir().mkpath(copy);
        for (int c = 0; c < kCopybooks; ++c) {
            QStringList l;
            int n = 0;
            l << line(n += 10, QStringLiteral("*   RECORD LAYOUT %1").arg(c)).replace(6, 1, u'*');
            l << line(n += 10, QStringLiteral(" 01  :P:-REC-%1.").arg(c));
            for (int f = 0; f < 12; ++f)
                l << line(n += 10, QStringLiteral("     05  :P:-FIELD-%1   PIC %2.").arg(f).arg(f % 3 ? "X(10)" : "S9(7)V99 COMP-3"));
            TextFile::writeLines(copy + QStringLiteral("/CPY%1.cpy").arg(c, 3, 10, QLatin1Char('0')), l);
        }
        for (int p = 0; p < kPrograms; ++p) {
            QStringList l;
            int n = 0;
            const auto add = [&](const QString &t) { l << line(n += 10, t); };
            const auto comment = [&](const QString &t) { l << line(n += 10, t).replace(6, 1, u'*'); };
            add(QStringLiteral(" IDENTIFICATION DIVISION."));
            add(QStringLiteral(" PROGRAM-ID. PGM%1.").arg(p, 5, 10, QLatin1Char('0')));
            add(QStringLiteral(" DATA DIVISION."));
            add(QStringLiteral(" WORKING-STORAGE SECTION."));
            for (int c = 0; c < 4; ++c)
                add(QStringLiteral("     COPY CPY%1 REPLACING ==:P:== BY ==W%2==.").arg((p + c * 7) % kCopybooks, 3, 10, QLatin1Char('0')).arg(c));
            add(QStringLiteral(" 01  WS-COUNT   PIC S9(7) COMP-3 VALUE ZERO."));
            add(QStringLiteral(" 01  WS-FLAG    PIC X."));
            add(QStringLiteral(" LINKAGE SECTION."));
            add(QStringLiteral(" 01  LK-AREA    PIC X(100)."));
            add(QStringLiteral(" PROCEDURE DIVISION USING LK-AREA."));
            add(QStringLiteral(" MAIN-PARA."));
            int para = 0;
            while (l.size() < 495) {
                if (l.size() % 40 == 0) {
                    add(QStringLiteral("     PERFORM WORK-%1.").arg(para));
                    add(QStringLiteral(" WORK-%1.").arg(para++));
                }
                switch (l.size() % 8) {
                case 0: add(QStringLiteral("     IF WS-COUNT > 100 AND WS-FLAG = 'Y'")); break;
                case 1: add(QStringLiteral("        MOVE W0-FIELD-1 TO W1-FIELD-2")); break;
                case 2: add(QStringLiteral("     ELSE")); break;
                case 3: add(QStringLiteral("        ADD 1 TO WS-COUNT")); break;
                case 4: add(QStringLiteral("     END-IF")); break;
                case 5: comment(QStringLiteral("    A COMMENT ABOUT THE NEXT STATEMENT")); break;
                case 6: add(QStringLiteral("     EVALUATE TRUE WHEN WS-FLAG = 'A' CONTINUE WHEN OTHER CONTINUE END-EVALUATE")); break;
                default: add(QStringLiteral("     COMPUTE WS-COUNT = WS-COUNT * 2 + 1")); break;
                }
            }
            add(QStringLiteral("     GOBACK."));
            while (l.size() < 500)
                comment(QStringLiteral("    END OF PROGRAM"));
            const QString path = dir.path() + QStringLiteral("/PGM%1.cbl").arg(p, 5, 10, QLatin1Char('0'));
            TextFile::writeLines(path, l);
            programs << path;
            lines += l.size();
        }
    }
    QString copyDir() const { return dir.path() + QStringLiteral("/copy"); }
};

SourceSet &sources()
{
    static SourceSet set;
    return set;
}

void BM_Analyse(benchmark::State &state)
{
    SourceSet &set = sources();
    const QString copy = set.copyDir();
    Cobol::Settings settings;
    qint64 statements = 0;
    for (auto _ : state) {
        // A fresh copybook cache each run, as one analyser run has.
        Cobol::CopyLibrary library([&](const QString &name, const QString &) {
            const QString path = copy + u'/' + name + QStringLiteral(".cpy");
            return QFileInfo::exists(path) ? path : QString();
        });
        statements = 0;
        for (const QString &path : set.programs) {
            const Cobol::SourceAnalysis a = Cobol::analyseSource(TextFile::readText(path), library, settings, false);
            statements += a.metrics.statements;
        }
        benchmark::DoNotOptimize(statements);
    }
    state.counters["lines/s"] = benchmark::Counter(double(set.lines), benchmark::Counter::kIsIterationInvariantRate);
    state.counters["statements"] = double(statements);
}
BENCHMARK(BM_Analyse)->Unit(benchmark::kMillisecond)->MinTime(1.0);

void BM_PlainRead(benchmark::State &state)
{
    SourceSet &set = sources();
    for (auto _ : state) {
        qsizetype chars = 0;
        for (const QString &path : set.programs)
            chars += TextFile::readText(path).size();
        benchmark::DoNotOptimize(chars);
    }
    state.counters["lines/s"] = benchmark::Counter(double(set.lines), benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(BM_PlainRead)->Unit(benchmark::kMillisecond)->MinTime(1.0);

// The whole program as the shell runs it: "last.xml", staged sources and
// copybooks, every result file written.
void BM_Run(benchmark::State &state)
{
    SourceSet &set = sources();
    QTemporaryDir out;
    QStringList entries;
    int n = 0;
    const auto stageFile = [&](const QString &path, const QString &folder) {
        const QString num = QStringLiteral("%1").arg(++n, 4, 10, QLatin1Char('0'));
        const QString staged = QStringLiteral("COMP0001\\%1\\SRC%2.%3").arg(folder, num, QFileInfo(path).suffix().toUpper());
        const QString target = out.path() + QStringLiteral("/workinp/") + QString(staged).replace(u'\\', u'/');
        QDir().mkpath(QFileInfo(target).path());
        QFile::copy(path, target);
        entries << QStringLiteral("<Orig_File_%1>SYS\\%2\\%3</Orig_File_%1>").arg(num, folder, QFileInfo(path).fileName())
                << QStringLiteral("<File_%1>%2</File_%1>").arg(num, staged);
    };
    for (const QFileInfo &c : QDir(set.copyDir()).entryInfoList(QDir::Files))
        stageFile(c.filePath(), QStringLiteral("MOD0001"));
    for (int p = 0; p < set.programs.size(); ++p)
        stageFile(set.programs[p], QStringLiteral("MOD%1").arg(2 + p / 100, 4, 10, QLatin1Char('0')));
    TextFile::writeLines(out.path() + QStringLiteral("/last.xml"),
                         QStringList{"<?xml version=\"1.0\" encoding=\"UTF-8\" ?>", "<QUENBAR_MIRETH>", " <Names",
                                     "  ProductName = \"Bench\"", "  SystemName  = \"BENCH\"", " />", " <Directories>",
                                     "  <Input_Dir>workinp</Input_Dir>", " </Directories>", " <Files>"}
                             + entries + QStringList{" </Files>", "</QUENBAR_MIRETH>"});
    for (auto _ : state) {
        const int rc = Cobol::runAnalyser({out.path() + QStringLiteral("/last.xml")});
        if (rc != Cobol::ExitOk)
            state.SkipWithError("the run failed");
    }
    state.counters["lines/s"] = benchmark::Counter(double(set.lines), benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(BM_Run)->Unit(benchmark::kMillisecond)->Iterations(1)->UseRealTime();

// One cobc process per program, as a preprocessing step would be run; the
// first 200 programs only, the rate scales to the whole set.
void BM_CobcPreprocess(benchmark::State &state)
{
    const QString cobc = QStandardPaths::findExecutable(QStringLiteral("cobc"));
    if (cobc.isEmpty()) {
        state.SkipWithError("cobc is not installed");
        return;
    }
    SourceSet &set = sources();
    const QStringList subset = set.programs.mid(0, 200);
    const double lines = double(set.lines) * subset.size() / set.programs.size();
    for (auto _ : state) {
        for (const QString &path : subset) {
            QProcess p;
            p.start(cobc, {QStringLiteral("-E"), QStringLiteral("-I"), set.copyDir(), path, QStringLiteral("-o"),
                           path + QStringLiteral(".i")});
            p.waitForFinished(-1);
        }
    }
    state.counters["lines/s"] = benchmark::Counter(lines, benchmark::Counter::kIsIterationInvariantRate);
}
// Wall time: the work is done in child processes, not on this thread.
BENCHMARK(BM_CobcPreprocess)->Unit(benchmark::kMillisecond)->Iterations(1)->UseRealTime();

} // namespace

BENCHMARK_MAIN();
