#pragma once
// The hosted shell's analysis without a window, for a host's unattended
// run: the shell's settings, the host's names and output directory, the
// job the host names (its sources, language and definitions), the
// structure analysis, the analyser's run to its end with the results
// renamed back, and the job saved for the host to read back. Questions
// take the answer that lets the run go on; every failure is reported.

#include "ShellKinds.h"

#include <QString>

#include <memory>

class IReporter;
class TShellAnalysis;
class TShellJob;
class TShellLanguage;
class TShellSettings;

class THostedShell
{
public:
    // host, reporter: not owned, must outlive the shell. programPath: the
    // hosting program, whose folder holds the shell's settings file.
    THostedShell(Ostrin::TShellHost &host, int hostTag, const QString &programPath, IReporter *reporter);
    ~THostedShell();

    // The settings read and applied, the host's hand-over taken, and the
    // job opened: the one the host names, else the one the language's
    // selection finds under the shell's own name for it. A batch that ended
    // meanwhile is taken in as on every open. False after a reported failure.
    bool Open();
    // The structure analysis, the analyser's run to its end and the job
    // saved. False after a reported failure or a cancelled run.
    bool Analyse();

    TShellSettings &Settings() const { return *m_settings; }
    TShellJob &Job() const { return *m_job; }
    TShellLanguage &Language() const { return *m_language; }
    TShellAnalysis &Analysis() const { return *m_analysis; }

private:
    Ostrin::TShellHost &m_host;
    Ostrin::TAnalTypeConstants m_row;
    QString m_programFolder;
    IReporter *m_reporter;
    std::unique_ptr<TShellSettings> m_settings;
    std::unique_ptr<TShellJob> m_job;
    std::unique_ptr<TShellLanguage> m_language;
    std::unique_ptr<TShellAnalysis> m_analysis;
};

// Open and Analyse: true when the analyser ran to its end and no error was reported on the way.
bool RunHostedAnalysis(Ostrin::TShellHost &host, int hostTag, const QString &programPath, IReporter *reporter);
