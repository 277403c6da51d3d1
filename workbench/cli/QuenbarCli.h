#pragma once
// quenbar-cli: the reuse job and the interface repository without a window.
// The command line is read into a request first, so bad usage is known
// before anything is opened; a run then writes its result on the output
// device (a line per item, or one JSON document) and its messages on stderr.

#include "CrossrefQuery.h"

#include <QString>
#include <QStringList>

class QIODevice;

enum class TCliCommand { None, Import, Reuse, ImportWsdl, List, Generate, Xref };

struct TCliRequest
{
    TCliCommand command = TCliCommand::None;
    bool help = false;
    bool json = false;
    QString job;           // import
    QString outputDir;     // every other command
    QStringList files;     // import-wsdl
    QStringList names;     // generate: the interfaces (none: all)
    QString name;          // xref
    TCrossrefBase base = TCrossrefBase::Parameters;
    QString usageError;    // set: bad usage, nothing is run
};

namespace QuenbarCli {

enum TExitStatus { ExitDone = 0, ExitFailed = 1, ExitUsage = 2 };

QString UsageText();
// The arguments without the program name.
TCliRequest Parse(const QStringList &arguments);

// A stop for the work under way, taken at its next progress step (Ctrl-C).
// Only stores a flag, so a signal handler may call it.
void RequestStop();
// SIGINT requests a stop; a second one ends the program at once.
void InstallInterruptHandler();

// Runs a request without usage error; programFolder holds the settings
// file and the converters. Returns ExitDone or ExitFailed.
int Run(const TCliRequest &request, const QString &programFolder, QIODevice &out, bool showProgress);

} // namespace QuenbarCli
