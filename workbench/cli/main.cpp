// quenbar-cli: the workbench's import, listing, generation and
// cross-reference without a window; it needs no display.

#include "QuenbarCli.h"
#include "Reporting.h"

#include <QCoreApplication>
#include <QFile>

#include <cstdio>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("quenbar-cli"));

    QStringList arguments = QCoreApplication::arguments();
    arguments.removeFirst();
    const TCliRequest request = QuenbarCli::Parse(arguments);
    if (request.help) {
        std::fputs(QuenbarCli::UsageText().toLocal8Bit().constData(), stdout);
        return QuenbarCli::ExitDone;
    }
    if (!request.usageError.isEmpty()) {
        std::fprintf(stderr, "quenbar-cli: %s\n\n%s", request.usageError.toLocal8Bit().constData(),
                     QuenbarCli::UsageText().toLocal8Bit().constData());
        return QuenbarCli::ExitUsage;
    }

    QuenbarCli::InstallInterruptHandler();
    QFile out;
    if (!out.open(stdout, QIODevice::WriteOnly | QIODevice::Unbuffered))
        return QuenbarCli::ExitFailed;
    return QuenbarCli::Run(request, QCoreApplication::applicationDirPath(), out, TConsoleProgress::StderrIsTerminal());
}
