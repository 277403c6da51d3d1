#include "HostedAnalysis.h"

#include "Commands.h"
#include "LanguageSelection.h"
#include "Reporting.h"
#include "ShellAnalysis.h"
#include "ShellJob.h"
#include "ShellSettings.h"

#include <QFileInfo>

bool RunHostedAnalysis(Ostrin::TShellHost &host, int hostTag, const QString &programPath, IReporter *reporter)
{
    const int errorsBefore = reporter->ErrorsReported();
    const Ostrin::TAnalTypeConstants row = Ostrin::SelectApplicationKind(programPath, hostTag);
    const QString programFolder = QFileInfo(programPath).absolutePath();
    TShellSettings settings(reporter, programPath, row);
    TShellJob job(settings, reporter);
    TShellLanguage language(settings, job, reporter);
    TShellAnalysis analysis(job, language, reporter);
    job.SetLanguage(&language);
    job.SetHost(&host);
    language.OnConfiguration = [&analysis](const TLanguageConfiguration &c) { analysis.ApplyConfiguration(c); };
    language.LanguagePageVisible = [] { return true; };
    settings.OnNameByDirectory = [&job](bool on) { job.SetNameByDirectory(on); };

    bool ran = false;
    const bool done = RunCommand(reporter, [&] {
        settings.LoadSettingsText();
        settings.ApplySettings(false);
        settings.SetToolRoot(Ostrin::ToolRoot(row, programFolder, Ostrin::TShellCommandLine()));
        settings.SetConsoleRelayAvailable(QFileInfo(programFolder + QStringLiteral("/console_stub")).isFile());
        QList<TLanguageButton> buttons;
        for (const auto &[name, page] : Ostrin::AllLanguageButtons())
            buttons << TLanguageButton{name, page, true};
        settings.SetLanguageButtons(buttons);
        job.ApplyHost();
        settings.ApplySettings(true);
        job.SetModifiedDirectly(false);

        // The job the host names, else the one the language's selection finds
        // under the shell's own name for it (product, system, language version).
        const QString initial = Ostrin::InitialJobPath(row.KindNumber, row.JobExtension, host, Ostrin::TShellCommandLine());
        if (!initial.isEmpty()) {
            job.LoadJob(initial);
            job.SetNeverSaved(false);
            job.CheckBatchOnOpen();
        } else {
            language.SelectLanguage(settings.ActiveButton());
        }
        if (analysis.Sources.Count() == 0)
            reporter->ErrorAndAbort(QStringLiteral("No analysis job with source files for %1 %2 in %3: open the analysis "
                                                   "shell from the workbench, add the sources and save the job")
                                        .arg(host.ProductName, host.SystemName, host.ProjectDirectory));
        analysis.Sources.AnalyseStructure(true);

        const TPickers &pickers = language.Pickers();
        if (!pickers.Analyser.Valid)
            reporter->ErrorAndAbort(QStringLiteral("The analyser %1 of %2 cannot be found")
                                        .arg(pickers.Analyser.Path, language.DisplayName()));
        TRunOptions options;
        options.AnalyserProgram = pickers.Analyser.Path;
        options.FunctionTableFile = pickers.Functab.Path;
        ran = analysis.RunToEnd(TRunType::Analysis, options, pickers.Analyser.Path);
        job.SetModifiedDirectly(true);
        job.SaveJob(false);
    });
    return done && ran && reporter->ErrorsReported() == errorsBefore;
}
