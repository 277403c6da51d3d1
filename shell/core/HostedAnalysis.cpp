#include "HostedAnalysis.h"

#include "Commands.h"
#include "LanguageSelection.h"
#include "Reporting.h"
#include "ShellAnalysis.h"
#include "ShellJob.h"
#include "ShellSettings.h"

#include <QFileInfo>

THostedShell::THostedShell(Ostrin::TShellHost &host, int hostTag, const QString &programPath, IReporter *reporter)
    : m_host(host),
      m_row(Ostrin::SelectApplicationKind(programPath, hostTag)),
      m_programFolder(QFileInfo(programPath).absolutePath()),
      m_reporter(reporter)
{
    m_settings = std::make_unique<TShellSettings>(reporter, programPath, m_row);
    m_job = std::make_unique<TShellJob>(*m_settings, reporter);
    m_language = std::make_unique<TShellLanguage>(*m_settings, *m_job, reporter);
    m_analysis = std::make_unique<TShellAnalysis>(*m_job, *m_language, reporter);
    m_job->SetLanguage(m_language.get());
    m_job->SetHost(&m_host);
    m_language->OnConfiguration = [this](const TLanguageConfiguration &c) { m_analysis->ApplyConfiguration(c); };
    m_language->LanguagePageVisible = [] { return true; };
    m_settings->OnNameByDirectory = [this](bool on) { m_job->SetNameByDirectory(on); };
}

THostedShell::~THostedShell()
{
    // The job's hooks point into the analysis; the host is the caller's.
    m_analysis.reset();
    m_job->SetHost(nullptr);
}

bool THostedShell::Open()
{
    return RunCommand(m_reporter, [this] {
        m_settings->SetConsoleRelayAvailable(QFileInfo(m_programFolder + QStringLiteral("/console_stub")).isFile());
        m_settings->LoadSettingsText();
        m_settings->ApplySettings(false);
        m_settings->SetToolRoot(Ostrin::ToolRoot(m_row, m_programFolder, Ostrin::TShellCommandLine()));
        QList<TLanguageButton> buttons;
        for (const auto &[name, page] : Ostrin::AllLanguageButtons())
            buttons << TLanguageButton{name, page, true};
        m_settings->SetLanguageButtons(buttons);
        m_job->ApplyHost();
        m_settings->ApplySettings(true);
        m_job->SetModifiedDirectly(false);

        const QString initial =
            Ostrin::InitialJobPath(m_row.KindNumber, m_row.JobExtension, m_host, Ostrin::TShellCommandLine());
        if (!initial.isEmpty()) {
            m_job->LoadJob(initial);
            m_job->SetNeverSaved(false);
            m_job->CheckBatchOnOpen();
        } else {
            m_language->SelectLanguage(m_settings->ActiveButton());
        }
    });
}

bool THostedShell::Analyse()
{
    bool ran = false;
    const bool done = RunCommand(m_reporter, [this, &ran] {
        TShellSourceList &sources = m_analysis->Sources;
        if (sources.Count() == 0)
            m_reporter->ErrorAndAbort(QStringLiteral("No analysis job with source files for %1 %2 in %3: open the "
                                                     "analysis shell from the workbench, add the sources and save the job")
                                          .arg(m_host.ProductName, m_host.SystemName, m_host.ProjectDirectory));
        sources.AnalyseStructure(true);
        const TPickers &pickers = m_language->Pickers();
        if (!pickers.Analyser.Valid)
            m_reporter->ErrorAndAbort(QStringLiteral("The analyser %1 of %2 cannot be found")
                                          .arg(pickers.Analyser.Path, m_language->DisplayName()));
        TRunOptions options;
        options.AnalyserProgram = pickers.Analyser.Path;
        options.FunctionTableFile = pickers.Functab.Path;
        ran = m_analysis->RunToEnd(TRunType::Analysis, options, pickers.Analyser.Path);
        m_job->SetModifiedDirectly(true);
        m_job->SaveJob(false);
    });
    return done && ran;
}

bool RunHostedAnalysis(Ostrin::TShellHost &host, int hostTag, const QString &programPath, IReporter *reporter)
{
    const int errorsBefore = reporter->ErrorsReported();
    THostedShell shell(host, hostTag, programPath, reporter);
    const bool analysed = shell.Open() && shell.Analyse();
    return analysed && reporter->ErrorsReported() == errorsBefore;
}
