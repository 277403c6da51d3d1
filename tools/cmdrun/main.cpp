// Runs a command file of the analysis shell ("lastbatch.cmd") in the current
// folder, line by line, as its lines are written: "ECHO ..." lines are
// skipped, "ren A B" renames a file of the folder, and every other line is a
// program (a path that may hold blanks when it ends in ".exe"; looked up as
// written, else without ".exe") with its arguments, which is run to its end
// before the next line. A command processor would split "last.xml;0000" and
// know neither "ren" nor ".exe" names, so none is used. Ends early once
// "Semaphore.xml" appears. A line that cannot be run is reported on the
// error output and the next one runs; the status is 0 unless the file
// cannot be read.
//
//   cmdrun FILE

#include "SharedRoutinesCommon.h"
#include "TextFile.h"
#include "Errors.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>

#include <cstdio>

namespace {

void complain(const QString &text)
{
    std::fprintf(stderr, "cmdrun: %s\n", qPrintable(text));
}

// A name of a file directly in the current folder.
bool plainName(const QString &name)
{
    return !name.isEmpty() && name != QLatin1String(".") && name != QLatin1String("..") && !name.contains(u'/')
           && !name.contains(u'\\');
}

void rename(const QStringList &words, const QString &line)
{
    if (words.size() != 3 || !plainName(words[1]) || !plainName(words[2])) {
        complain(QStringLiteral("not a rename of two files of this folder: ") + line);
        return;
    }
    QFile::remove(words[2]);
    if (!QFile::rename(words[1], words[2]))
        complain(QStringLiteral("cannot rename %1 to %2").arg(words[1], words[2]));
}

void run(const QString &line)
{
    // The program ends where ".exe" ends when the line names one (its
    // folder may hold blanks), else at the first blank.
    static const QRegularExpression exe(QStringLiteral("\\.exe(\\s|$)"), QRegularExpression::CaseInsensitiveOption);
    QString program;
    QString rest;
    const QRegularExpressionMatch m = exe.match(line);
    if (m.hasMatch()) {
        program = line.left(m.capturedStart() + 4);
        rest = line.mid(m.capturedStart() + 4);
    } else {
        const qsizetype blank = line.indexOf(QRegularExpression(QStringLiteral("\\s")));
        program = blank < 0 ? line : line.left(blank);
        rest = blank < 0 ? QString() : line.mid(blank);
    }
    program = ProgramFile(QDir::fromNativeSeparators(program.trimmed()));
    const QStringList arguments = rest.split(QRegularExpression(QStringLiteral("\\s+")), Qt::SkipEmptyParts);
    QProcess process;
    process.setProgram(program);
    process.setArguments(arguments);
    process.setProcessChannelMode(QProcess::ForwardedChannels);
    process.setInputChannelMode(QProcess::ForwardedInputChannel);
    process.start();
    if (!process.waitForStarted(-1)) {
        complain(QStringLiteral("%1: %2").arg(program, process.errorString()));
        return;
    }
    process.waitForFinished(-1);
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() != 2) {
        std::fputs("usage: cmdrun FILE\n", stderr);
        return 2;
    }
    QStringList lines;
    try {
        lines = TextFile::readLines(args[1]);
    } catch (const EQuenbarError &e) {
        complain(e.message());
        return 1;
    }
    for (const QString &raw : std::as_const(lines)) {
        if (QFileInfo::exists(QStringLiteral("Semaphore.xml")))
            break;
        const QString line = raw.trimmed();
        const QStringList words = line.split(QRegularExpression(QStringLiteral("\\s+")), Qt::SkipEmptyParts);
        if (words.isEmpty() || SameText(words.first(), QStringLiteral("ECHO")))
            continue;
        if (SameText(words.first(), QStringLiteral("ren")))
            rename(words, line);
        else
            run(line);
    }
    return 0;
}
