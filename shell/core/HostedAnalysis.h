#pragma once
// The hosted shell's analysis without a window, for a host's unattended
// run: the shell's settings, the host's names and output directory, the
// job the host names (its sources, language and definitions), the
// structure analysis, the analyser's run to its end with the results
// renamed back, and the job saved for the host to read back. Questions
// take the answer that lets the run go on; every failure is reported.

#include "ShellKinds.h"

#include <QString>

class IReporter;

// True when the analyser ran to its end and no error was reported on the way.
bool RunHostedAnalysis(Ostrin::TShellHost &host, int hostTag, const QString &programPath, IReporter *reporter);
