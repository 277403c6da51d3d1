#pragma once
// Starting an external tool as the shell and the workbench both do: in a
// folder, optionally inside DOSBox, with "> file" in its arguments sending
// its standard output to that file (no command processor is involved, so no
// character of a name is taken for a command), quiet under a blind run, or
// with pipes for the console relay.

#include "Errors.h"

#include <QProcess>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>

// A tool that could not be started: the system's message, the command line
// and the folder, one per line.
class EToolStartError : public EQuenbarError
{
public:
    using EQuenbarError::EQuenbarError;
};

namespace ToolProcess {

// The program path without the double quotes around it.
QString Unquoted(const QString &program);
// The program as a command line shows it: quoted when it holds a blank.
QString Shown(const QString &program);

// The DOSBox configuration for one call: the base lines up to their
// "[autoexec]" section, an autoexec block that mounts the program's folder
// as c: and the current folder as x: and runs the program there ("call"
// for a batch file, which would not come back otherwise), and "cycles=max".
QStringList DOSBoxConfigLines(const QStringList &baseLines, const QString &program, const QStringList &arguments);
inline constexpr char16_t DOSBoxConfigName[] = u"DOSBox.config";

// Starts the program and waits for its end while events still run; false
// when it could not be started.
bool RunAndWait(const QString &program, const QStringList &arguments, const QString &folder);

// "hh:nn:ss:zzz" of a duration.
QString ElapsedText(qint64 milliseconds);

struct TRequest
{
    QString program;
    QStringList arguments;
    QString folder;
    bool blindRun = false;
    // DOSBox: the program runs inside it, through folder + "/DOSBox.config"
    // made from the base configuration file.
    bool dosBoxActive = false;
    QString dosBoxProgram;
    QString dosBoxConfigFile;
    // The caller reads the standard output and writes the standard input
    // (the console relay); "> file" is then not looked at.
    bool pipes = false;
    // Raises when a file the start would write lies outside the run's
    // folder; none: no check.
    std::function<void(const QString &path)> checkInside;
};

struct TStarted
{
    std::unique_ptr<QProcess> process;
    QString program;      // what was started (the DOSBox program inside DOSBox)
    QString commandLine;  // program + " " + arguments + " ", as the messages show it
};

// Ends a started tool and everything it started in turn: each tool runs in a
// process group of its own, which this kills; waits up to waitMs for the end.
void KillTree(QProcess &process, int waitMs);

// Raises EToolStartError when the program cannot be started; commandLine,
// when given, receives the command line before the start is tried.
TStarted Start(const TRequest &request, QString *commandLine = nullptr);

} // namespace ToolProcess
