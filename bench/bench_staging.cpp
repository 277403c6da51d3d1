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
#include <map>
#include <memory>
#include <vector>

namespace {

// A job holds at most 9,998 files: the 10,000 are two jobs of 5,000.
constexpr int kJobs = 2;
constexpr int kComponents = 5;
constexpr int kModules = 10;
// Files per module: 100 gives the 10,000; 50 shows how the time grows.

const QByteArray kSource = "       IDENTIFICATION DIVISION.\n       PROGRAM-ID. P.\n       PROCEDURE DIVISION.\n           STOP RUN.\n";

struct TTree
{
    QTemporaryDir dir;
    QList<QStringList> files;   // per job

    int filesPerModule;

    explicit TTree(int perModule) : filesPerModule(perModule)
    {
        for (int j = 0; j < kJobs; ++j) {
            files.append(QStringList());
            for (int c = 0; c < kComponents; ++c)
                for (int m = 0; m < kModules; ++m) {
                    const QString folder = dir.filePath(QStringLiteral("src/SYS%1/C%2/M%3").arg(j).arg(c).arg(m));
                    QDir().mkpath(folder);
                    for (int i = 0; i < filesPerModule; ++i) {
                        const QString path = folder + QStringLiteral("/prog%1.cbl").arg(i);
                        QFile f(path);
                        if (f.open(QIODevice::WriteOnly))
                            f.write(kSource);
                        files.last() << path;
                    }
                }
        }
    }
    int count() const { return kJobs * kComponents * kModules * filesPerModule; }
};

TTree &tree(int filesPerModule)
{
    static std::map<int, std::unique_ptr<TTree>> trees;
    std::unique_ptr<TTree> &t = trees[filesPerModule];
    if (!t)
        t = std::make_unique<TTree>(filesPerModule);
    return *t;
}

// One job over one system's sources with its own output directory.
struct TJobRun
{
    TConsoleReporter reporter;
    std::unique_ptr<TShellSettings> settings;
    std::unique_ptr<TShellJob> job;
    std::unique_ptr<TShellSourceList> sources;
    std::unique_ptr<TShellStaging> staging;
    std::unique_ptr<TResultRenaming> renaming;
    QString metrics;

    TJobRun(const QString &base, const QStringList &files)
    {
        QDir().mkpath(base + QStringLiteral("/bin"));
        TextFile::writeLines(base + QStringLiteral("/bin/Mireth.INI"),
                             {QStringLiteral("Runcontrol.DeleteAfter=Y"), QStringLiteral("Runcontrol.SystemBigDirectoryLimit=20000")});
        settings = std::make_unique<TShellSettings>(&reporter, base + QStringLiteral("/bin/Mireth"),
                                                    Ostrin::SelectApplicationKind(QStringLiteral("Mireth"), 0));
        settings->LoadSettingsText();
        settings->ApplySettings(false);
        job = std::make_unique<TShellJob>(*settings, &reporter);
        job->SetMaxDirDepth(2);
        job->SetLanguageCode(QStringLiteral("COB"));
        job->SetLanguageVersion(QStringLiteral("C85"));
        job->SetProductName(QStringLiteral("PROD"));
        job->SetSystemName(QStringLiteral("SYS"));
        job->SetVersion(QStringLiteral("1.0"));
        metrics = base + QStringLiteral("/out/Metrics");
        QDir().mkpath(metrics);
        job->SetOutputDirectory(base + QStringLiteral("/out"));
        sources = std::make_unique<TShellSourceList>(*job, &reporter);
        sources->SetLanguageFilter(QStringLiteral("COBOL|*.cbl"));
        sources->AddFiles(files);
        staging = std::make_unique<TShellStaging>(*job, *sources, &reporter);
        renaming = std::make_unique<TResultRenaming>(*job, *staging, &reporter);
    }
};

void StagingAndRenaming(benchmark::State &state)
{
    TTree &t = tree(int(state.range(0)));
    std::vector<std::unique_ptr<TJobRun>> runs;
    for (int j = 0; j < kJobs; ++j)
        runs.push_back(std::make_unique<TJobRun>(t.dir.filePath(QStringLiteral("job%1").arg(j)), t.files[j]));
    qint64 renamed = 0;
    for (auto _ : state) {
        for (auto &run : runs) {
            run->staging->PrepareJob();
            state.PauseTiming();
            // The analyser's results under the staged names.
            for (int n = 1; n <= run->sources->Count(); ++n) {
                QFile f(run->metrics + QStringLiteral("/SRC%1.met").arg(n, 4, 10, QLatin1Char('0')));
                if (f.open(QIODevice::WriteOnly))
                    f.write("m");
            }
            state.ResumeTiming();
            renamed = run->renaming->RenameResults(QStringLiteral("Metrics"));
            run->renaming->DeleteTemporaryFiles();
            state.PauseTiming();
            QDir(run->metrics).removeRecursively();
            QDir().mkpath(run->metrics);
            state.ResumeTiming();
        }
    }
    state.counters["files"] = double(t.count());
    state.counters["renamed_per_job"] = double(renamed);
}

void PlainRecursiveCopy(benchmark::State &state)
{
    TTree &t = tree(int(state.range(0)));
    const std::filesystem::path from = QFile::encodeName(t.dir.filePath(QStringLiteral("src"))).toStdString();
    const std::filesystem::path to = QFile::encodeName(t.dir.filePath(QStringLiteral("copy"))).toStdString();
    for (auto _ : state) {
        std::filesystem::copy(from, to, std::filesystem::copy_options::recursive);
        state.PauseTiming();
        std::filesystem::remove_all(to);
        state.ResumeTiming();
    }
    state.counters["files"] = double(t.count());
}

} // namespace

BENCHMARK(StagingAndRenaming)->Arg(50)->Arg(100)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(PlainRecursiveCopy)->Arg(50)->Arg(100)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK_MAIN();
