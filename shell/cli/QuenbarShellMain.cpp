// quenbar-shell run SOURCE_DIR OUTPUT_DIR [ANALYSER] [options]
//
// One analysis run of the shell without a window: the source tree is added
// to a job, its modular structure derived, the ticked sources staged into
// OUTPUT_DIR/workinp under generated names with "last.xml" (and, by
// directory, the per-module files and "lastbatch.cmd") written; then the
// analyser runs in OUTPUT_DIR with "last.xml" (by directory: lastbatch.cmd
// through cmdrun). Without an analyser a simulated one writes a result per
// staged source and module. Finally the results are renamed back into
// folders that mirror the source tree, the staging is cleaned up and the
// result files are listed. Exit status 0 done, 1 failed, 2 bad usage.

#include "Commands.h"
#include "InputStaging.h"
#include "Reporting.h"
#include "ResultRenaming.h"
#include "SharedRoutinesCommon.h"
#include "ShellJob.h"
#include "ShellKinds.h"
#include "ShellSettings.h"
#include "SourceStructure.h"
#include "TextFile.h"

#include <QCoreApplication>
#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include <cstdio>

namespace {

const char *kUsage =
    "Usage: quenbar-shell run SOURCE_DIR OUTPUT_DIR [ANALYSER] [options]\n"
    "\n"
    "Options:\n"
    "  --filter PATTERNS     source files taken, e.g. \"*.cbl;*.cob\" (default: *.cbl;*.cob;*.cpy)\n"
    "  --depth N             0 sources, 1 modules, 2 components and modules (default), 99 by folder\n"
    "  --irrelevant NAMES    folder names left out of the structure, comma-separated\n"
    "  --by-directory        one analyser call per module (last####.xml, lastbatch.cmd)\n"
    "  --product NAME        product name (default SHELL), --system NAME (default DEMO)\n"
    "  --keep                keep the staged inputs and parameter files\n"
    "\n"
    "Without ANALYSER a simulated analyser writes Metrics/SRC####.met per source,\n"
    "Metrics/MOD####.met per module and Exports/SRC#### (a copy) per source.\n";

int usage(const char *error)
{
    std::fprintf(stderr, "quenbar-shell: %s\n\n%s", error, kUsage);
    return 2;
}

void simulateRun(const TShellStaging &staging)
{
    const QString out = staging.OutputDirectory();
    for (const QString &line : staging.NameMap()) {
        const QString name = ListName(line);
        const QString value = TextAfter(line, QStringLiteral("="));
        if (name.startsWith(QLatin1String("XCPY"))) {
            const QFileInfo staged(value);
            const QString source = staged.completeBaseName();   // SRC####
            const qsizetype lines = TextFile::readLines(value).size();
            TextFile::writeLines(out + QStringLiteral("/Metrics/") + source + QStringLiteral(".met"),
                                 {QStringLiteral("Lines=%1").arg(lines)});
            QFile::copy(value, out + QStringLiteral("/Exports/") + staged.fileName());
        } else if (name.startsWith(QLatin1String("MOD"))) {
            TextFile::writeLines(out + QStringLiteral("/Metrics/") + name + QStringLiteral(".met"),
                                 {QStringLiteral("Module=") + value});
        }
    }
}

bool runAnalyser(const QString &analyser, const QString &out, bool byDirectory)
{
    QProcess process;
    process.setWorkingDirectory(out);
    process.setProcessChannelMode(QProcess::ForwardedChannels);
    process.setStandardInputFile(QProcess::nullDevice());
    if (byDirectory)
        process.start(QCoreApplication::applicationDirPath() + QStringLiteral("/cmdrun"), {QStringLiteral("lastbatch.cmd")});
    else
        process.start(ProgramFile(analyser), {QStringLiteral("last.xml")});
    return process.waitForStarted(-1) && process.waitForFinished(-1);
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QStringList args = app.arguments().mid(1);
    if (args.contains(QStringLiteral("--help"))) {
        std::fputs(kUsage, stdout);
        return 0;
    }
    QString filter = QStringLiteral("Sources|*.cbl;*.cob;*.cpy");
    QString product = QStringLiteral("SHELL"), system = QStringLiteral("DEMO");
    QStringList irrelevant;
    int depth = 2;
    bool byDirectory = false, keep = false;
    QStringList positional;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString &a = args[i];
        const auto value = [&]() -> QString { return i + 1 < args.size() ? args[++i] : QString(); };
        if (a == QLatin1String("--filter"))
            filter = QStringLiteral("Sources|") + value();
        else if (a == QLatin1String("--depth"))
            depth = value().toInt();
        else if (a == QLatin1String("--irrelevant"))
            irrelevant = value().split(QLatin1Char(','), Qt::SkipEmptyParts);
        else if (a == QLatin1String("--product"))
            product = value();
        else if (a == QLatin1String("--system"))
            system = value();
        else if (a == QLatin1String("--by-directory"))
            byDirectory = true;
        else if (a == QLatin1String("--keep"))
            keep = true;
        else if (a.startsWith(QLatin1String("--")))
            return usage("unknown option");
        else
            positional << a;
    }
    if (positional.size() < 3 || positional.size() > 4 || positional[0] != QLatin1String("run"))
        return usage("expected: run SOURCE_DIR OUTPUT_DIR [ANALYSER]");
    const QString sourceDir = QFileInfo(positional[1]).absoluteFilePath();
    const QString outputDir = QFileInfo(positional[2]).absoluteFilePath();
    const QString analyser = positional.size() > 3 ? QFileInfo(positional[3]).absoluteFilePath() : QString();
    if (!QFileInfo(sourceDir).isDir())
        return usage("SOURCE_DIR is not a folder");

    TConsoleReporter reporter(true);
    const Ostrin::TAnalTypeConstants row = Ostrin::SelectApplicationKind(QStringLiteral("Mireth"), 0);
    // The run's own settings file, beside a program path of the shell's kind.
    QTemporaryDir settingsDir;
    const QString settingsProgram = settingsDir.filePath(QStringLiteral("Mireth"));
    TextFile::writeLines(settingsProgram + QStringLiteral(".INI"),
                         {QStringLiteral("Runcontrol.DeleteAfter=%1").arg(keep ? QStringLiteral("N") : QStringLiteral("Y")),
                          QStringLiteral("Runcontrol.SystemDeleteAfterControl=Y"),
                          QStringLiteral("Runcontrol.SystemBigDirectoryLimit=10000")});
    TShellSettings settings(&reporter, settingsProgram, row);
    settings.SetToolRoot(app.applicationDirPath());
    TShellJob job(settings, &reporter);
    TShellSourceList sources(job, &reporter);
    TShellStaging staging(job, sources, &reporter);
    TResultRenaming renaming(job, staging, &reporter);
    int renamed = 0;

    const bool ok = RunCommand(&reporter, [&] {
        settings.LoadSettingsText();
        settings.ApplySettings(false);
        job.SetMaxDirDepth(depth);
        job.SetLanguageCode(QStringLiteral("COB"));
        job.SetLanguageVersion(QStringLiteral("COB"));
        job.SetProductName(product);
        job.SetSystemName(system);
        job.SetVersion(QStringLiteral("1.0"));
        job.SetNameByDirectory(byDirectory);
        if (!QDir().mkpath(outputDir))
            reporter.ErrorAndAbort(QStringLiteral("Cannot create directory ") + outputDir);
        job.SetOutputDirectory(outputDir);
        sources.SetLanguageFilter(filter);
        for (const QString &name : std::as_const(irrelevant)) {
            sources.ComponentNames().AppendItem({name, true, true});
            sources.ModuleNames().AppendItem({name, true, true});
        }
        TLanguageConfiguration config;
        config.DirDepth = depth;
        staging.SetConfiguration(config);
        TRunOptions options;
        options.AnalyserProgram = analyser.isEmpty() ? app.applicationDirPath() + QStringLiteral("/analyser") : analyser;
        staging.SetOptions(options);

        sources.AddDirectoryTree(sourceDir, true);
        staging.PrepareJob();
        std::printf("Staged %d of %d files in %d modules, %lld source lines; root %s\n", staging.StagedFiles(),
                    int(sources.Count()), staging.NumberOfModules(), static_cast<long long>(staging.SourceLinesInJob()),
                    qPrintable(sources.CommonRoot()));
        renaming.ResetCounters();
        if (analyser.isEmpty())
            simulateRun(staging);
        else if (!runAnalyser(analyser, outputDir, byDirectory))
            reporter.ErrorAndAbort(QStringLiteral("Cannot start ") + analyser);
        renaming.PostRunProcessing(1);
        renaming.DeleteTemporaryFiles();
        renaming.RemoveEmptyResultFolders();
        for (const QString &folder : TResultRenaming::RenamedFolderNames()) {
            QDirIterator it(outputDir + QLatin1Char('/') + folder, QDir::Files, QDirIterator::Subdirectories);
            QStringList files;
            while (it.hasNext())
                files << it.next().mid(outputDir.size() + 1);
            files.sort();
            for (const QString &f : std::as_const(files))
                std::printf("%s\n", qPrintable(f));
            renamed += int(files.size());
        }
        std::printf("Renamed %d module results and %d source results\n", job.RenamedModules, job.RenamedSourceFiles);
    });
    return ok && reporter.ErrorsReported() == 0 ? 0 : 1;
}
