// The console relay: starts the program named by its first argument with the
// others as that program's arguments, in the current folder, and passes the
// program's console through: its output and errors go where the relay's go,
// the relay's input reaches it. The relay ends when the program ends, with
// its exit status; a program that cannot be started ends the relay with
// status 127 and a line on the error output.

#include <QCoreApplication>
#include <QFileInfo>
#include <QProcess>
#include <QStringList>

#include <cstdio>

#include <csignal>
#include <sys/prctl.h>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QStringList arguments = app.arguments().mid(1);
    if (arguments.isEmpty()) {
        std::fputs("usage: console_stub PROGRAM [ARGUMENT...]\n", stderr);
        return 2;
    }
    QString program = arguments.takeFirst();
    // Program paths may be written for another system: as written, else without ".exe".
    if (!QFileInfo::exists(program) && program.endsWith(QLatin1String(".exe"), Qt::CaseInsensitive))
        program.chop(4);
    QProcess process;
    process.setProgram(program);
    process.setArguments(arguments);
    process.setProcessChannelMode(QProcess::ForwardedChannels);
    process.setInputChannelMode(QProcess::ForwardedInputChannel);
    // The program does not outlive a relay that is killed.
    process.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGKILL); });
    process.start();
    if (!process.waitForStarted(-1)) {
        std::fprintf(stderr, "console_stub: %s: %s\n", qPrintable(program), qPrintable(process.errorString()));
        return 127;
    }
    process.waitForFinished(-1);
    return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : 128;
}
