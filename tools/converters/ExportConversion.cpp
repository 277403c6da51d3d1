#include "ExportConversion.h"

#include "KorvelXML.h"
#include "SharedRoutinesCommon.h"
#include "ToolRuntime.h"
#include "TextFile.h"
#include "WsdlWriter.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include <cstdio>


namespace Converters {

namespace {

const QString kSemaphore = QStringLiteral("Semaphore.xml");

// Values stand as written between the tags; a writer that escapes them uses
// the predefined entities.
QString decodedValue(const QString &text)
{
    if (!text.contains(u'&'))
        return text;
    QString out = text;
    out.replace(QLatin1String("&lt;"), QLatin1String("<"));
    out.replace(QLatin1String("&gt;"), QLatin1String(">"));
    out.replace(QLatin1String("&quot;"), QLatin1String("\""));
    out.replace(QLatin1String("&apos;"), QLatin1String("'"));
    out.replace(QLatin1String("&amp;"), QLatin1String("&"));
    return out;
}

// Stored relative paths may use "\" as delimiter.
QString nativePath(const QString &path)
{
    QString p = path;
    p.replace(u'\\', u'/');
    return p;
}

using ToolRuntime::err;
using ToolRuntime::now;
using ToolRuntime::out;
using ToolRuntime::ProductLog;


// Looks for the semaphore at most every 20 ms, so checking after every
// record costs next to nothing.
class CancelWatch
{
public:
    CancelWatch() { m_timer.start(); }
    bool requested() const { return QFileInfo::exists(kSemaphore); }
    void poll()
    {
        if (m_timer.elapsed() < 20)
            return;
        m_timer.restart();
        if (requested())
            throw ECancelled();
    }

private:
    QElapsedTimer m_timer;
};

bool parseArguments(const QStringList &arguments, QString &parameterFile, QString &consoleFile)
{
    // The workbench may hand over "file > Console.log" as arguments, the way a
    // command line with redirection reaches a program that no shell started.
    if (arguments.isEmpty() || arguments.at(0).isEmpty())
        return false;
    parameterFile = arguments.at(0);
    if (arguments.size() == 1)
        return true;
    if (arguments.size() == 3 && arguments.at(1) == QLatin1String(">") && !arguments.at(2).isEmpty()) {
        consoleFile = arguments.at(2);
        return true;
    }
    if (arguments.size() == 2 && arguments.at(1).startsWith(u'>') && arguments.at(1).size() > 1) {
        consoleFile = arguments.at(1).mid(1);
        return true;
    }
    return false;
}

} // namespace

ParameterFile readParameterFile(const QString &path)
{
    const QFileInfo info(path);
    if (!info.exists())
        throw EFileError(QStringLiteral("The parameter file %1 does not exist").arg(path));
    if (!info.isFile())
        throw EFileError(QStringLiteral("The parameter file %1 is not a file").arg(path));
    const auto doc = TMyXMLNodeList::fromFile(path, true);
    ParameterFile params;
    // The document model raises for a missing tag; absent elements are
    // reported here in the converter's own words.
    const auto find = [&doc](const char *name) -> TMyXMLNode * {
        const QString tag = QLatin1String(name);
        return doc->Exists(tag, 0) ? doc->FindNode(tag, 0) : nullptr;
    };
    TMyXMLNode *names = find("Names");
    if (!names)
        throw EConvertError(QStringLiteral("The parameter file %1 has no Names element").arg(path));
    params.productName = decodedValue(names->GetAttribute(QStringLiteral("ProductName")));
    params.systemName = decodedValue(names->GetAttribute(QStringLiteral("SystemName"))).trimmed();
    // The system name becomes the product log's file name.
    const QString &system = params.systemName;
    bool control = false;
    for (const QChar c : system)
        control = control || c.unicode() < 0x20;
    if (system.isEmpty() || system == QLatin1String(".") || system == QLatin1String("..") || system.contains(u'/')
        || system.contains(u'\\') || control)
        throw EConvertError(QStringLiteral("The parameter file %1 has no usable SystemName (\"%2\")").arg(path, system));

    TMyXMLNode *inputDir = find("Input_Dir");
    params.inputDir = inputDir ? nativePath(decodedValue(inputDir->GetValue().trimmed())) : QString();
    if (params.inputDir.isEmpty())
        params.inputDir = QStringLiteral("workinp");

    TMyXMLNode *files = find("Files");
    if (files) {
        static const QRegularExpression fileName(QStringLiteral("^(Orig_)?File_(\\d+)$"));
        QHash<QString, QString> originals;
        for (int i = files->Index + 1; i < doc->Count() && doc->Node(i)->Level > files->Level; ++i) {
            const TMyXMLNode *node = doc->Node(i);
            const QRegularExpressionMatch m = fileName.match(node->Name);
            if (!m.hasMatch())
                continue;
            const QString value = decodedValue(node->GetValue().trimmed());
            if (m.capturedLength(1) > 0)
                originals.insert(m.captured(2), value);
            else
                params.files.push_back(ParameterEntry{m.captured(2), nativePath(value), QString()});
        }
        for (ParameterEntry &entry : params.files)
            entry.origFile = originals.value(entry.number);
    }
    return params;
}

int runConverter(Mode mode, const QStringList &arguments)
{
    const QString program = programName(mode);
    QString parameterPath;
    QString consolePath;
    if (!parseArguments(arguments, parameterPath, consolePath)) {
        err(QStringLiteral("Usage: %1 <parameter file> [> Console.log]").arg(program));
        return ExitBadArguments;
    }
    if (!consolePath.isEmpty() && !std::freopen(QFile::encodeName(consolePath).constData(), "w", stdout)) {
        err(QStringLiteral("%1: cannot write the console file %2").arg(program, consolePath));
        return ExitBadArguments;
    }

    ParameterFile params;
    try {
        params = readParameterFile(parameterPath);
    } catch (const EQuenbarError &e) {
        err(QStringLiteral("%1: %2").arg(program, e.message()));
        return ExitBadParameterFile;
    }

    CancelWatch cancel;
    ProductLog log(QStringLiteral("Exports/") + params.systemName + QStringLiteral(".log"));
    const int total = int(params.files.size());
    out(QStringLiteral("%1: %2 with %3 export(s) in %4").arg(program, parameterPath).arg(total).arg(params.inputDir));

    const Checkpoint checkpoint = [&cancel] { cancel.poll(); };
    const WsdlOptions options{params.productName, params.systemName};
    int converted = 0;
    int failed = 0;
    bool cancelled = false;
    for (int i = 0; i < total && !cancelled; ++i) {
        if (cancel.requested()) {
            cancelled = true;
            break;
        }
        const ParameterEntry &entry = params.files[size_t(i)];
        const QString staged = QDir::isAbsolutePath(entry.file) ? entry.file : params.inputDir + u'/' + entry.file;
        const QString output = QStringLiteral("CMP") + entry.number + QStringLiteral(".wsd");
        const QString what = entry.origFile.isEmpty() ? entry.file : entry.origFile + QStringLiteral(" (") + entry.file + u')';
        const QString counter = QStringLiteral("[%1/%2] ").arg(i + 1).arg(total);
        out(counter + QStringLiteral("converting ") + what);
        try {
            // A result left from an earlier run must not pass for this one's.
            if (QFileInfo::exists(output) && !QFile::remove(output))
                throw EFileError(QStringLiteral("cannot replace %1").arg(output));
            const QFileInfo stagedInfo(staged);
            if (!stagedInfo.isFile())
                throw EFileError(QStringLiteral("the staged file %1 does not exist").arg(staged));
            if (stagedInfo.size() > kMaxExportBytes)
                throw EFileError(QStringLiteral("the staged file %1 is too large (%2 bytes, at most %3)")
                                     .arg(staged).arg(stagedInfo.size()).arg(kMaxExportBytes));
            const QStringList lines = TextFile::readLines(staged);
            cancel.poll();
            const ExportModule module = readExport(lines, mode, checkpoint);
            const WsdlDocument doc = writeWsdl(module, mode, options, checkpoint);
            cancel.poll();
            TextFile::writeLines(output, doc.lines);
            for (const QString &warning : doc.warnings)
                out(counter + QStringLiteral("warning: ") + warning);
            const QString summary = QStringLiteral("%1 operation(s), %2 message(s), %3 complex type(s), %4 array(s)")
                                        .arg(doc.operations).arg(doc.messages).arg(doc.complexTypes).arg(doc.arrays);
            log.add(QStringLiteral("%1 %2 converted %3 to %4: %5").arg(now(), program, what, output, summary));
            out(counter + output + QStringLiteral(" written: ") + summary);
            ++converted;
        } catch (const ECancelled &) {
            cancelled = true;
        } catch (const EQuenbarError &e) {
            ++failed;
            log.add(QStringLiteral("%1 %2 failed %3: %4").arg(now(), program, what, e.message()));
            out(counter + QStringLiteral("failed: ") + e.message());
            err(QStringLiteral("%1: %2: %3").arg(program, what, e.message()));
        } catch (const std::exception &e) {
            ++failed;
            log.add(QStringLiteral("%1 %2 failed %3: %4").arg(now(), program, what, QString::fromLocal8Bit(e.what())));
            err(QStringLiteral("%1: %2: %3").arg(program, what, QString::fromLocal8Bit(e.what())));
        }
        log.flush(false);
    }

    if (cancelled) {
        const QString line = QStringLiteral("cancelled (%1 found): %2 of %3 export(s) not converted")
                                 .arg(kSemaphore).arg(total - converted - failed).arg(total);
        log.add(QStringLiteral("%1 %2 %3").arg(now(), program, line));
        log.flush(true);
        out(program + QStringLiteral(": ") + line);
        return ExitCancelled;
    }
    log.flush(true);
    out(QStringLiteral("%1: %2 converted, %3 failed").arg(program).arg(converted).arg(failed));
    return failed > 0 || log.failed() ? ExitFilesFailed : ExitOk;
}

} // namespace Converters
