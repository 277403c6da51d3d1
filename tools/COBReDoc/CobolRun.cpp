// The analyser program: parameter file, staged sources, copybook lookup,
// result files under the staged names, product log, cancellation.
#include "CobolRun.h"

#include "Errors.h"
#include "KorvelXML.h"
#include "SharedRoutinesCommon.h"
#include "TextFile.h"
#include "ToolRuntime.h"

#include <QDate>
#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QMap>
#include <QRegularExpression>


namespace Cobol {

namespace {

const QString kSemaphore = QStringLiteral("Semaphore.xml");
constexpr qint64 kMaxSourceBytes = qint64(64) * 1024 * 1024;

struct Cancelled
{
};

// A staged name the shell wrote: relative, no "..", nothing but plain characters.
bool safeRelative(const QString &path)
{
    static const QRegularExpression plain(QStringLiteral("^[A-Za-z0-9_.\\- /\\\\]+$"));
    if (path.isEmpty() || !plain.match(path).hasMatch() || path.startsWith(u'/') || path.startsWith(u'\\'))
        return false;
    for (const QString &part : QString(path).replace(u'\\', u'/').split(u'/'))
        if (part == QLatin1String(".."))
            return false;
    return true;
}

bool yes(const QString &v)
{
    try {
        return TextToBool(v.trimmed(), true);
    } catch (const EQuenbarError &) {
        return true;
    }
}

// The attribute lines "Name = \"value\"" of an element such as <Parameters ... />.
QHash<QString, QString> attributeLines(const QString &text, const QString &element)
{
    QHash<QString, QString> out;
    const qsizetype start = text.indexOf(u'<' + element);
    if (start < 0)
        return out;
    const qsizetype end = text.indexOf(QLatin1String("/>"), start);
    const QString body = text.mid(start + element.size() + 1, end < 0 ? -1 : end - start - element.size() - 1);
    static const QRegularExpression pair(QStringLiteral("([A-Za-z_][A-Za-z0-9_.]*)\\s*=\\s*\"([^\"]*)\""));
    auto it = pair.globalMatch(body);
    while (it.hasNext()) {
        const auto m = it.next();
        out.insert(m.captured(1).toUpper(), m.captured(2));
    }
    return out;
}

// Copybooks: the job's staged copies first (same module, then same
// component, then any), then the system folder's files.
class CopyIndex
{
public:
    CopyIndex(const JobParameters &job, const QString &inputDir) : m_origDir(FromStoredPath(job.origInputDir))
    {
        for (const JobFile &f : job.files) {
            const QString staged = QString(f.staged).replace(u'\\', u'/');
            const QString base = QFileInfo(QString(f.orig).replace(u'\\', u'/')).completeBaseName().toUpper();
            m_staged.insert(base, {inputDir + u'/' + staged, QFileInfo(staged).path()});
        }
    }

    QString resolve(const QString &name, const QString &module)
    {
        const QString key = QFileInfo(name).completeBaseName().toUpper();
        const QList<Entry> hits = m_staged.values(key);
        if (!hits.isEmpty()) {
            const QString component = module.section(u'/', 0, 0);
            for (const Entry &e : hits)
                if (e.module == module)
                    return e.path;
            for (const Entry &e : hits)
                if (e.module.section(u'/', 0, 0) == component)
                    return e.path;
            return hits.back().path;
        }
        scanSystemFolder();
        return m_files.value(key);
    }

private:
    struct Entry
    {
        QString path;
        QString module;
    };

    void scanSystemFolder()
    {
        if (m_scanned)
            return;
        m_scanned = true;
        if (m_origDir.isEmpty() || !QFileInfo(m_origDir).isDir())
            return;
        static const QStringList exts{QString(), QStringLiteral("CPY"), QStringLiteral("COPY"), QStringLiteral("CBL"),
                                      QStringLiteral("COB"), QStringLiteral("INC"), QStringLiteral("TXT")};
        QDirIterator it(m_origDir, QDir::Files, QDirIterator::Subdirectories);
        int count = 0;
        while (it.hasNext() && count < 20000) {
            const QFileInfo info(it.next());
            ++count;
            if (!exts.contains(info.suffix().toUpper()))
                continue;
            const QString key = info.completeBaseName().toUpper();
            if (!m_files.contains(key))
                m_files.insert(key, info.filePath());
        }
    }

    QString m_origDir;
    QMultiHash<QString, Entry> m_staged;
    QHash<QString, QString> m_files;
    bool m_scanned = false;
};

void writeLines(const QString &path, const QStringList &lines)
{
    QDir().mkpath(QFileInfo(path).path());
    TextFile::writeLines(path, lines);
}

} // namespace

JobParameters readJobParameters(const QString &path)
{
    const QFileInfo info(path);
    if (!info.isFile())
        throw EFileError(QStringLiteral("The parameter file %1 does not exist").arg(path));
    const QString text = TextFile::readText(path);
    const auto doc = TMyXMLNodeList::fromFile(path, true);
    JobParameters job;
    if (!doc->Exists(QStringLiteral("Names"), 0))
        throw EConvertError(QStringLiteral("The parameter file %1 has no Names element").arg(path));
    TMyXMLNode *names = doc->FindNode(QStringLiteral("Names"), 0);
    job.product = names->GetAttribute(QStringLiteral("ProductName")).trimmed();
    job.system = names->GetAttribute(QStringLiteral("SystemName")).trimmed();
    job.language = names->GetAttribute(QStringLiteral("Language")).trimmed();
    job.version = names->GetAttribute(QStringLiteral("Version")).trimmed();
    const QString &system = job.system;
    if (system.isEmpty() || system == QLatin1String(".") || system == QLatin1String("..") || system.contains(u'/')
        || system.contains(u'\\') || system.contains(u':'))
        throw EConvertError(QStringLiteral("The parameter file %1 has no usable SystemName (\"%2\")").arg(path, system));

    const QHash<QString, QString> params = attributeLines(text, QStringLiteral("Parameters"));
    Settings &s = job.settings;
    s.audit = yes(params.value(QStringLiteral("AUDIT")));
    s.exports = yes(params.value(QStringLiteral("EXPORTS")));
    for (const QChar c : params.value(QStringLiteral("METRICS")))
        s.weights.push_back(c.isDigit() ? qBound(0, c.digitValue(), 3) : 1);
    for (const QChar c : params.value(QStringLiteral("RULES")))
        s.rules.push_back(c.toUpper() != u'N');
    for (const QChar c : params.value(QStringLiteral("SPECS")))
        s.specs.push_back(c.toUpper() != u'N');
    const QHash<QString, QString> limits = attributeLines(text, QStringLiteral("MaxLimits"));
    for (auto it = limits.begin(); it != limits.end(); ++it) {
        bool ok = false;
        const int v = it.value().trimmed().toInt(&ok);
        if (ok)
            s.limits.insert(it.key(), v);
    }
    const auto value = [&](const char *name) {
        const QString tag = QLatin1String(name);
        return doc->Exists(tag, 0) ? doc->FindNode(tag, 0)->GetValue().trimmed() : QString();
    };
    job.origInputDir = value("Orig_Input_Dir");
    job.inputDir = value("Input_Dir");
    if (job.inputDir.isEmpty())
        job.inputDir = QStringLiteral("workinp");
    job.outputDir = value("Output_Dir");

    static const QRegularExpression fileTag(QStringLiteral("<(Orig_)?File_(\\d+)>([^<]*)</"));
    QMap<QString, JobFile> byNumber;
    auto it = fileTag.globalMatch(text);
    while (it.hasNext()) {
        const auto m = it.next();
        JobFile &f = byNumber[m.captured(2)];
        f.number = m.captured(2);
        (m.captured(1).isEmpty() ? f.staged : f.orig) = m.captured(3).trimmed();
    }
    for (const JobFile &f : byNumber)
        if (!f.staged.isEmpty())
            job.files.push_back(f);
    return job;
}

int runAnalyser(const QStringList &arguments, const QStringList &definitionFolders)
{
    using ToolRuntime::err;
    using ToolRuntime::now;
    using ToolRuntime::out;
    if (arguments.isEmpty() || arguments.at(0).isEmpty()) {
        err(QStringLiteral("usage: COBReDoc last.xml"));
        return ExitBadArguments;
    }
    const QFileInfo paramInfo(arguments.at(0));
    const QString outDir = paramInfo.absolutePath();
    JobParameters job;
    try {
        job = readJobParameters(paramInfo.absoluteFilePath());
    } catch (const EQuenbarError &e) {
        err(QStringLiteral("COBReDoc: ") + e.message());
        return ExitBadParameterFile;
    }
    loadDefinitions(job.settings, definitionFolders);
    if (!safeRelative(job.inputDir) && job.inputDir != QLatin1String(".")) {
        err(QStringLiteral("COBReDoc: the input folder %1 is not inside the output directory").arg(job.inputDir));
        return ExitBadParameterFile;
    }
    const QString inputDir = QDir::cleanPath(outDir + u'/' + QString(job.inputDir).replace(u'\\', u'/'));
    const QString semaphore = outDir + u'/' + kSemaphore;
    ToolRuntime::ProductLog log(outDir + QStringLiteral("/Exports/") + job.system + QStringLiteral(".log"));
    const QString program = QStringLiteral("COBReDoc");
    const auto note = [&](const QString &line) {
        log.add(QStringLiteral("%1 %2 %3").arg(now(), program, line));
        out(program + QStringLiteral(": ") + line);
    };

    QElapsedTimer clock, pollTimer;
    clock.start();
    pollTimer.start();
    const Checkpoint checkpoint = [&] {
        if (pollTimer.elapsed() < 20)
            return;
        pollTimer.restart();
        if (QFileInfo::exists(semaphore))
            throw Cancelled();
    };

    CopyIndex index(job, inputDir);
    QString currentModule;
    CopyLibrary library([&](const QString &name, const QString &) { return index.resolve(name, currentModule); });
    const QString date = QDate::currentDate().toString(QStringLiteral("yyyy-MM-dd"));
    const Settings &settings = job.settings;

    Metrics total;
    QMap<QString, Metrics> modules;
    int failed = 0, analysed = 0, copybooks = 0, violations = 0;
    bool writeFailed = false, cancelled = false;
    const int count = int(job.files.size());
    for (int n = 0; n < count; ++n) {
        const JobFile &file = job.files[size_t(n)];
        if (QFileInfo::exists(semaphore)) {
            cancelled = true;
            break;
        }
        const QString staged = QString(file.staged).replace(u'\\', u'/');
        const QString label = QStringLiteral("%1 (%2)").arg(file.staged, file.orig);
        // The shell's console pane counts a source at each such line.
        out(QStringLiteral("Orig Source File = ") + file.orig);
        if (!safeRelative(file.staged)) {
            note(label + QStringLiteral(": staged name is not inside the input folder, skipped"));
            ++failed;
            continue;
        }
        const QString path = inputDir + u'/' + staged;
        const QFileInfo info(path);
        if (!info.isFile()) {
            note(label + QStringLiteral(": staged file missing"));
            ++failed;
            continue;
        }
        if (info.size() > kMaxSourceBytes) {
            note(label + QStringLiteral(": %1 bytes, larger than a source can be; not analysed").arg(info.size()));
            ++failed;
            continue;
        }
        // Results lie directly in their folders under the staged names (SRC####,
        // MOD####): the shell renames them back into the source tree.
        const QString base = info.completeBaseName();
        const QString module = QFileInfo(staged).path() == QLatin1String(".") ? QString() : QFileInfo(staged).path();
        currentModule = module;
        const QString origName = QString(file.orig).replace(u'/', u'\\');
        const QString origFile = origName.section(u'\\', -1);
        const QString moduleName = origName.section(u'\\', -2, -2);
        const QString shownName = (moduleName.isEmpty() ? module.section(u'/', -1) : moduleName) + u'\\' + origFile;
        const QString ext = QFileInfo(origFile).suffix().toUpper();
        const bool copybookName = ext == QLatin1String("CPY") || ext == QLatin1String("COPY") || ext == QLatin1String("INC");

        SourceAnalysis a;
        try {
            a = analyseSource(TextFile::readText(path), library, settings, copybookName, checkpoint);
        } catch (const Cancelled &) {
            cancelled = true;
            break;
        } catch (const EQuenbarError &e) {
            note(label + QStringLiteral(": cannot be read: ") + e.message());
            ++failed;
            continue;
        } catch (const std::bad_alloc &) {
            note(label + QStringLiteral(": too large to analyse"));
            ++failed;
            continue;
        }
        try {
            writeLines(outDir + QStringLiteral("/Metrics/") + base + QStringLiteral(".met"),
                       metricsLines(a.metrics, settings, QStringLiteral("%1 (%2)").arg(file.staged, file.orig)));
            if (settings.audit)
                writeLines(outDir + QStringLiteral("/Defis/") + base + QStringLiteral(".def"), defiLines(a, shownName));
            static const char *const specExt[] = {".inf", ".prc", ".dec", ".dat", ".use"};
            if (!a.parsed.programs.empty())
                for (int type = 1; type <= 5; ++type)
                    if (settings.spec(type))
                        writeLines(outDir + QStringLiteral("/Specs/") + base + QLatin1String(specExt[type - 1]),
                                   specLines(a, type, shownName, date));
            if (settings.exports) {
                int exported = 0;
                for (const Program &p : a.parsed.programs) {
                    if (p.nesting != 0)
                        continue;
                    const QString suffix = exported == 0 ? QString() : QStringLiteral("_%1").arg(exported + 1);
                    writeLines(outDir + QStringLiteral("/Exports/") + base + suffix + QStringLiteral(".csv"),
                               exportLines(p, job.system, origFile));
                    ++exported;
                }
            }
        } catch (const EQuenbarError &e) {
            note(label + QStringLiteral(": results not written: ") + e.message());
            writeFailed = true;
        }
        total.add(a.metrics);
        if (!module.isEmpty())
            modules[module].add(a.metrics);
        violations += int(a.violations.size());
        QString line;
        if (a.failed) {
            ++failed;
            line = QStringLiteral("%1: %2").arg(label, a.problem);
        } else if (a.copybook) {
            ++copybooks;
            line = QStringLiteral("%1: copybook, %2 lines, %3 data items").arg(label).arg(a.metrics.lines).arg(a.metrics.dataItems);
        } else {
            ++analysed;
            QStringList names;
            for (const Program &p : a.parsed.programs)
                names << p.name;
            line = QStringLiteral("%1: %2 lines, program(s) %3, %4 statements, %5 violation(s)")
                       .arg(label).arg(a.metrics.lines).arg(names.join(QStringLiteral(", ")))
                       .arg(a.metrics.statements).arg(a.violations.size());
        }
        int inputFaults = 0;
        for (const PlacedViolation &pv : a.violations)
            if (isInputRule(pv.v.rule) && ++inputFaults <= 3)
                line += QStringLiteral("; line %1: %2").arg(pv.v.firstLine).arg(pv.v.detail);
        if (inputFaults > 3)
            line += QStringLiteral("; %1 more input fault(s) in the deficiency report").arg(inputFaults - 3);
        note(line);
        log.flush(false);
    }
    try {
        for (auto it = modules.begin(); it != modules.end(); ++it) {
            it.value().finish(settings);
            writeLines(outDir + QStringLiteral("/Metrics/") + it.key().section(u'/', -1) + QStringLiteral(".met"),
                       metricsLines(it.value(), settings, QString(it.key()).replace(u'/', u'\\')));
        }
        total.finish(settings);
        const QStringList xml = summaryXml(total, job.product, job.system, date);
        writeLines(outDir + QStringLiteral("/Metrics/") + job.system + QStringLiteral(".xml"), xml);
        writeLines(outDir + QStringLiteral("/Dravik/") + job.system + QStringLiteral(".xml"), xml);
    } catch (const EQuenbarError &e) {
        note(QStringLiteral("summary not written: ") + e.message());
        writeFailed = true;
    }
    const double seconds = clock.elapsed() / 1000.0;
    if (cancelled)
        note(QStringLiteral("cancelled (%1 found)").arg(kSemaphore));
    note(QStringLiteral("%1 of %2 source(s) analysed, %3 copybook(s), %4 failed, %5 line(s), %6 statement(s), %7 violation(s), %8 s")
             .arg(analysed).arg(count).arg(copybooks).arg(failed).arg(total.lines).arg(total.statements)
             .arg(violations).arg(seconds, 0, 'f', 2));
    log.flush(true);
    if (log.failed())
        writeFailed = true;
    if (cancelled)
        return ExitCancelled;
    return failed > 0 || writeFailed ? ExitSourcesFailed : ExitOk;
}

} // namespace Cobol
