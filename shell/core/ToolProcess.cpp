#include "ToolProcess.h"

#include "Reporting.h"
#include "SharedRoutinesCommon.h"
#include "TextFile.h"

#include <QDir>
#include <QEventLoop>
#include <QFileInfo>
#include <QProcessEnvironment>
#include <QTime>

#include <algorithm>

#include <csignal>
#include <unistd.h>

namespace ToolProcess {

namespace {

bool noDisplay()
{
    if (Unasked::WindowlessPlatform())
        return true;
    return qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
}

} // namespace

QString Unquoted(const QString &program)
{
    QString p = program.trimmed();
    while (p.size() >= 2 && p.startsWith(QLatin1Char('"')) && p.endsWith(QLatin1Char('"')))
        p = p.mid(1, p.size() - 2).trimmed();
    return p;
}

QString Shown(const QString &program)
{
    return program.contains(QLatin1Char(' ')) ? QLatin1Char('"') + program + QLatin1Char('"') : program;
}

QStringList DOSBoxConfigLines(const QStringList &baseLines, const QString &program, const QStringList &arguments)
{
    QStringList lines = baseLines;
    for (int i = 0; i < lines.size(); ++i) {
        if (SameText(lines[i].trimmed(), QStringLiteral("[autoexec]"))) {
            if (i > 0)
                lines = lines.mid(0, i);
            break;
        }
    }
    const QFileInfo fi(program);
    const QString suffix = fi.suffix();
    const bool batch = SameText(suffix, QStringLiteral("bat")) || SameText(suffix, QStringLiteral("cmd"));
    lines << QStringLiteral("[autoexec]");
    lines << QStringLiteral("mount c: \"%1\"").arg(WithTrailingChar(fi.absolutePath(), QLatin1Char('/')));
    lines << QStringLiteral("mount x: .");
    lines << QStringLiteral("x:");
    lines << (batch ? QStringLiteral("call ") : QString()) + QStringLiteral("c:\\") + fi.fileName() + QLatin1Char(' ')
                 + arguments.join(QLatin1Char(' '));
    lines << QStringLiteral("exit");
    bool cycles = false;
    for (QString &line : lines) {
        const qsizetype eq = line.indexOf(QLatin1Char('='));
        if (eq > 0 && SameText(line.left(eq).trimmed(), QStringLiteral("cycles"))) {
            line = line.left(eq + 1) + QStringLiteral("max");
            cycles = true;
            break;
        }
    }
    if (!cycles)
        lines << QStringLiteral("cycles=max");
    return lines;
}

bool RunAndWait(const QString &program, const QStringList &arguments, const QString &folder)
{
    QProcess process;
    process.setWorkingDirectory(folder);
    process.setProgram(ProgramFile(Unquoted(program)));
    process.setArguments(arguments);
    process.setStandardInputFile(QProcess::nullDevice());
    process.setProcessChannelMode(QProcess::ForwardedChannels);
    QEventLoop loop;
    QObject::connect(&process, &QProcess::finished, &loop, &QEventLoop::quit);
    process.start();
    if (!process.waitForStarted(-1))
        return false;
    if (process.state() != QProcess::NotRunning)
        loop.exec();
    return true;
}

QString ElapsedText(qint64 milliseconds)
{
    return QTime(0, 0).addMSecs(std::max<qint64>(0, milliseconds) % (24LL * 3600 * 1000))
        .toString(QStringLiteral("hh:mm:ss:zzz"));
}

void KillTree(QProcess &process, int waitMs)
{
    const qint64 pid = process.processId();
    if (pid > 0)
        ::kill(-pid_t(pid), SIGKILL);
    process.kill();
    process.waitForFinished(waitMs);
}

TStarted Start(const TRequest &request, QString *commandLine)
{
    const auto check = [&](const QString &path) {
        if (request.checkInside)
            request.checkInside(path);
    };
    QString command = Unquoted(request.program);
    QStringList commandArguments = request.arguments;
    if (request.dosBoxActive) {
        const QString config = request.folder + QLatin1Char('/') + QString::fromUtf16(DOSBoxConfigName);
        check(config);
        TextFile::writeLines(config, DOSBoxConfigLines(TextFile::readLines(request.dosBoxConfigFile), command, commandArguments));
        command = Unquoted(request.dosBoxProgram);
        commandArguments = {QStringLiteral("-conf"), QString::fromUtf16(DOSBoxConfigName), QStringLiteral("-noconsole"),
                            QStringLiteral("-exit")};
    }
    const QString argumentText = commandArguments.join(QLatin1Char(' '));
    TStarted started;
    started.commandLine = Shown(command) + QLatin1Char(' ') + argumentText + QLatin1Char(' ');
    if (commandLine)
        *commandLine = started.commandLine;

    QStringList argv;
    QString outputTarget;
    for (int i = 0; i < commandArguments.size(); ++i) {
        if (!request.pipes && commandArguments[i] == QLatin1String(">") && i + 1 < commandArguments.size())
            outputTarget = QDir(request.folder).absoluteFilePath(commandArguments[++i]);
        else
            argv << commandArguments[i];
    }

    auto process = std::make_unique<QProcess>();
    process->setWorkingDirectory(request.folder);
    process->setProgram(ProgramFile(command));
    process->setArguments(argv);
    // A group of its own, so that a cancel that has to kill reaches the
    // programs the tool starts too (a command file's, the relay's).
    process->setChildProcessModifier([] { ::setpgid(0, 0); });
    if (request.pipes) {
        // The caller reads the output; errors are the shell's own, or nobody's.
        if (request.blindRun)
            process->setStandardErrorFile(QProcess::nullDevice());
        else
            process->setProcessChannelMode(QProcess::ForwardedErrorChannel);
    } else {
        process->setStandardInputFile(QProcess::nullDevice());
        if (!outputTarget.isEmpty()) {
            check(outputTarget);
            process->setStandardOutputFile(outputTarget);
            if (request.blindRun)
                process->setStandardErrorFile(QProcess::nullDevice());
            else
                process->setProcessChannelMode(QProcess::ForwardedErrorChannel);
        } else if (request.blindRun) {
            process->setStandardOutputFile(QProcess::nullDevice());
            process->setStandardErrorFile(QProcess::nullDevice());
        } else {
            process->setProcessChannelMode(QProcess::ForwardedChannels);
        }
    }
    if (request.dosBoxActive && noDisplay()) {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("SDL_VIDEODRIVER"), QStringLiteral("dummy"));
        environment.insert(QStringLiteral("SDL_AUDIODRIVER"), QStringLiteral("dummy"));
        process->setProcessEnvironment(environment);
    }
    process->start();
    if (!process->waitForStarted(-1))
        throw EToolStartError(process->errorString() + QStringLiteral("\r\n") + Shown(command) + QLatin1Char(' ')
                              + argumentText + QStringLiteral("\r\n") + request.folder);
    started.program = command;
    started.process = std::move(process);
    return started;
}

} // namespace ToolProcess
