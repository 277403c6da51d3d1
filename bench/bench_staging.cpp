// Staging 10,000 small sources into "workinp" and renaming as many results
// back into the source tree, against a plain recursive copy of the same
// tree (std::filesystem::copy). The ratio of the two is what the staging
// costs beyond the copy itself: the name map, line-end handling, line
// counting and the renaming.

#include "InputStaging.h"
#include "Reporting.h"
#include "ResultRenaming.h"
#include "ShellJob.h"
#include "ShellKinds.h"
#include "ShellSettings.h"
#include "SourceStructure.h"
#include "TextFile.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <filesystem>
#include <memory>

namespace {

constexpr int kComponents = 10;
constexpr int kModules = 10;
constexpr int kFilesPerModule = 100;   // 10,000 files in all

const QByteArray kSource = "       IDENTIFICATION DIVISION.\n       PROGRAM-ID. P.\n       PROCEDURE DIVISION.\n           STOP RUN.\n";

struct TTree
{
    QTemporaryDir dir;
    QStringList files;

    TTree()
    {
        for (int c = 0; c < kComponents; ++c)
            for (int m = 0; m < kModules; ++m) {
                const QString folder = dir.filePath(QStringLiteral("src/C%1/M%2").arg(c).arg(m));
                QDir().mkpath(folder);
                for (int i = 0; i < kFilesPerModule; ++i) {
                    const QString path = folder + QStringLiteral("/prog%1.cbl").arg(i);
                    QFile f(path);
                    if (f.open(QIODevice::WriteOnly))
                        f.write(kSource);
                    files << path;
                }
            }
    }
};

TTree &tree()
{
    static TTree t;
    return t;
}

void StagingAndRenaming(benchmark::State &state)
{
    TTree &t = tree();
    const QString out = t.dir.filePath(QStringLiteral("out"));
    QDir().mkpath(t.dir.filePath(QStringLiteral("bin")));
    TextFile::writeLines(t.dir.filePath(QStringLiteral("bin/Mireth.INI")),
                         {QStringLiteral("Runcontrol.DeleteAfter=Y"), QStringLiteral("Runcontrol.SystemBigDirectoryLimit=20000")});
    TConsoleReporter reporter;
    TShellSettings settings(&reporter, t.dir.filePath(QStringLiteral("bin/Mireth")),
                            Ostrin::SelectApplicationKind(QStringLiteral("Mireth"), 0));
    settings.LoadSettingsText();
    settings.ApplySettings(false);
    TShellJob job(settings, &reporter);
    job.SetMaxDirDepth(2);
    job.SetLanguageCode(QStringLiteral("COB"));
    job.SetLanguageVersion(QStringLiteral("C85"));
    job.SetProductName(QStringLiteral("PROD"));
    job.SetSystemName(QStringLiteral("SYS"));
    job.SetVersion(QStringLiteral("1.0"));
    QDir().mkpath(out + QStringLiteral("/Metrics"));
    job.SetOutputDirectory(out);
    TShellSourceList sources(job, &reporter);
    sources.SetLanguageFilter(QStringLiteral("COBOL|*.cbl"));
    sources.AddFiles(t.files);
    TShellStaging staging(job, sources, &reporter);
    TResultRenaming renaming(job, staging, &reporter);
    const QString metrics = out + QStringLiteral("/Metrics");

    for (auto _ : state) {
        staging.PrepareJob();
        state.PauseTiming();
        for (int n = 1; n <= t.files.size(); ++n) {
            QFile f(metrics + QStringLiteral("/SRC%1.met").arg(n, 4, 10, QLatin1Char('0')));
            if (f.open(QIODevice::WriteOnly))
                f.write("m");
        }
        state.ResumeTiming();
        renaming.RenameResults(QStringLiteral("Metrics"));
        renaming.DeleteTemporaryFiles();
        state.PauseTiming();
        QDir(metrics).removeRecursively();
        QDir().mkpath(metrics);
        state.ResumeTiming();
    }
    state.counters["files"] = double(t.files.size());
    state.counters["renamed"] = double(QDir(metrics).entryList(QDir::Files).size());
}

void PlainRecursiveCopy(benchmark::State &state)
{
    TTree &t = tree();
    const std::filesystem::path from = QFile::encodeName(t.dir.filePath(QStringLiteral("src"))).toStdString();
    const std::filesystem::path to = QFile::encodeName(t.dir.filePath(QStringLiteral("copy"))).toStdString();
    for (auto _ : state) {
        std::filesystem::copy(from, to, std::filesystem::copy_options::recursive);
        state.PauseTiming();
        std::filesystem::remove_all(to);
        state.ResumeTiming();
    }
    state.counters["files"] = double(t.files.size());
}

} // namespace

BENCHMARK(StagingAndRenaming)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(PlainRecursiveCopy)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK_MAIN();
