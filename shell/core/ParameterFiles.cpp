// The parameter files of TShellStaging: "last.xml", the per-module files,
// "lastbatch.cmd" and the export converter's parameter file.
#include "InputStaging.h"
#include "Errors.h"
#include "Reporting.h"
#include "SharedRoutinesCommon.h"
#include "ShellJob.h"
#include "ShellSettings.h"
#include "SourceStructure.h"
#include "StagingRoutines.h"
#include "TextFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

using Staging::Num4;

namespace {

QString indent(int level, const QString &line)
{
    return QString(level, QLatin1Char(' ')) + line;
}

QString element(int level, const QString &name, const QString &value)
{
    return indent(level, QStringLiteral("<%1>%2</%1>").arg(name, value));
}

QString yn(bool on)
{
    return on ? QStringLiteral("Y") : QStringLiteral("N");
}

QString quoted(const QString &format, const QString &value)
{
    return format.arg(value);
}

const QString kXmlHeader = QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\" ?>") + QString(17, QLatin1Char(' '));

QString doctypeLine()
{
    QString line = QStringLiteral("<!--DOCTYPE OSTRIN SYSTEM \"Ostrin.dtd\"-->");
    return line.leftJustified(56, QLatin1Char(' '));
}

// The batch file keeps the lines a command processor would read; cmdrun runs
// them as they are (".exe" names, "last.xml;0000" arguments, "ren").
void writeBatch(const QString &path, const QStringList &lines)
{
    TextFile::writeLines(path, lines);
}

} // namespace

QString TShellStaging::subProcessor(const QString &ext) const
{
    const QString key = UpperCase(ext.left(4));
    for (const QString &line : m_subProcessors)
        if (UpperCase(ListName(line).left(4)) == key)
            return TextAfter(line, QStringLiteral("="));
    return QString();
}

void TShellStaging::buildSubProcessorMap()
{
    m_subProcessors.clear();
    const QStringList items = m_job.Settings().ListOf(QStringLiteral("WAA.SubProcessors"));
    for (const QString &item : items) {
        const QString name = ListName(item).trimmed();
        const QString code = TextAfter(item, QStringLiteral("=")).trimmed();
        const QString filter = FilterOfCode ? FilterOfCode(code) : QString();
        for (const QString &ext : TShellSourceList::AcceptedExtensions(filter)) {
            const QString line = ext + QLatin1Char('=') + name;
            if (!m_subProcessors.contains(line))
                m_subProcessors << line;
        }
    }
    std::sort(m_subProcessors.begin(), m_subProcessors.end(),
              [](const QString &a, const QString &b) { return CompareText(a, b) < 0; });
}

QStringList TShellStaging::WriteParameterText()
{
    ValidateForRun();
    makeFolder(InputFolder());
    makeFolder(WorkFolder());
    if (m_job.LanguageCode() == QLatin1String("PB"))
        for (const QString &f : PbWorkFolderNames())
            makeFolder(WorkFolder() + QLatin1Char('/') + f);
    m_batch.clear();
    if (m_job.LanguageCode() == QLatin1String("WAA"))
        buildSubProcessorMap();
    BuildNameMap();

    const int runType = m_options.RunType;
    const TLanguageConfiguration &c = m_config;
    const bool analpar = c.AnalysisParametersPage;
    const QString root = UpperCase(m_job.Row().AppName);
    QStringList l;
    l << kXmlHeader << doctypeLine();
    l << QLatin1Char('<') + root + QLatin1Char('>');
    l << indent(1, QStringLiteral("<Names") + QString(49, QLatin1Char(' ')));
    l << indent(2, quoted(QStringLiteral("Language = \"%1\""), runType == 4 ? m_options.TestDesignMode : m_job.LanguageVersion()));
    l << indent(2, quoted(QStringLiteral("ProductName = \"%1\""), m_job.ProductName()));
    l << indent(2, quoted(QStringLiteral("SystemName  = \"%1\""), m_job.SystemName()));
    l << indent(2, quoted(QStringLiteral("Version = \"%1\""), m_job.Version()));
    l << indent(1, QStringLiteral("/>"));
    l << indent(1, QStringLiteral("<Parameters"));
    const TDefinitionLists &defs = m_job.Definitions();
    if (runType != 4 && runType != 6) {
        const bool extras = c.ExtrasGroup;
        if (extras && c.AuditOn)
            l << indent(2, quoted(QStringLiteral("Audit = \"%1\""), yn(m_options.Audit)));
        if (extras && c.Calc)
            l << indent(2, quoted(QStringLiteral("Calc = \"%1\""), yn(m_options.Calc)));
        if (extras && c.CommentsOn)
            l << indent(2, quoted(QStringLiteral("Comments = \"%1\""), yn(m_options.Comments)));
        if (extras && c.Exports)
            l << indent(2, quoted(QStringLiteral("Exports = \"%1\" "), yn(m_options.Exports)));
        if (extras && c.InstruPar) {
            l << indent(2, quoted(QStringLiteral("Labels = \"%1\" "), yn(m_options.Labels)));
            l << indent(2, quoted(QStringLiteral("Branches = \"%1\" "), yn(m_options.Branches)));
            l << indent(2, quoted(QStringLiteral("Calls = \"%1\" "), yn(m_options.Calls)));
            l << indent(2, quoted(QStringLiteral("Macros = \"%1\" "), yn(m_options.Macros)));
            l << indent(2, quoted(QStringLiteral("IOs = \"%1\" "), yn(m_options.IOs)));
        }
        if (analpar && c.MetricsPage)
            l << indent(2, QStringLiteral("%1 = \"%2\" ").arg(QStringLiteral("Metrics"), defs.Weights.join(QString())));
        if (analpar && c.SpecsPage) {
            QString ticks;
            for (const TCheckListItem &item : defs.Specs)
                ticks += yn(item.checked);
            l << indent(2, QStringLiteral("%1 = \"%2\" ").arg(QStringLiteral("Specs"), ticks));
        }
        if (analpar && c.RulesPage) {
            QString ticks;
            for (const TCheckListItem &item : defs.Rules)
                ticks += yn(item.checked);
            l << indent(2, QStringLiteral("%1 = \"%2\" ").arg(QStringLiteral("Rules"), ticks));
        }
    } else if (runType == 6) {
        l << indent(2, QStringLiteral("%1 = \"%2\" ").arg(QStringLiteral("SearchType"), m_options.SearchKey));
        l << indent(2, QStringLiteral("%1 = \"%2\" ").arg(QStringLiteral("SearchName"), m_options.SearchText.left(60)));
    }
    l << indent(1, QStringLiteral("/> "));
    l << indent(1, QStringLiteral("<MaxLimits"));
    if (runType != 4 && runType != 6 && analpar && (c.MaxValuesPage || c.RulesPage))
        for (const TLimitRow &row : defs.Limits)
            l << indent(2, QStringLiteral("%1 = \"%2\" ").arg(row.Key.trimmed(), row.Number.trimmed()));
    l << indent(1, QStringLiteral("/> "));
    l << indent(1, QStringLiteral("<Directories>"));
    l << element(2, QStringLiteral("Orig_Input_Dir"), m_sources.CommonRoot());
    l << element(2, QStringLiteral("Input_Dir"), QStringLiteral("workinp"));
    l << element(2, QStringLiteral("Orig_Output_Dir"), m_job.OutputDirectory());
    l << element(2, QStringLiteral("Output_Dir"), QStringLiteral("."));
    l << element(2, QStringLiteral("Work_Dir"), QStringLiteral("./work"));
    if (runType != 4 && runType != 6) {
        if (m_options.WordListPage)
            l << element(2, QStringLiteral("Func_Tab"), QStringLiteral("functab.wrl"));
        else if (analpar && c.FunctabPage && !c.PreScanner)
            l << element(2, QStringLiteral("Func_Tab"), QFileInfo(FromStoredPath(m_options.FunctionTableFile)).fileName());
    }
    l << indent(1, QStringLiteral("</Directories>"));
    if (runType != 4 && m_sources.Count() > 0) {
        l << indent(1, QStringLiteral("<Files>"));
        l << m_fileEntries;
        l << indent(1, QStringLiteral("</Files>"));
    }
    l << QStringLiteral("</") + root + QLatin1Char('>');

    // An opening line directly followed by its closing line goes with it.
    for (qsizetype i = l.size() - 2; i >= 0; --i) {
        const QString open = l[i].trimmed();
        if ((open == QLatin1String("<Names") || open == QLatin1String("<Parameters") || open == QLatin1String("<MaxLimits"))
            && l[i + 1].trimmed() == QLatin1String("/>")) {
            l.removeAt(i + 1);
            l.removeAt(i);
        }
    }
    m_text = l;
    return l;
}

void TShellStaging::SaveParameterFiles()
{
    const QString out = OutputDirectory();
    const QString lastXml = out + QStringLiteral("/last.xml");
    const bool waa = m_job.LanguageCode() == QLatin1String("WAA");
    const QString folder = analyserFolder();
    const auto waaAudit = [&](int n) {
        return QStringLiteral("%1/%2.exe %3;%4 ").arg(folder, QStringLiteral("WAAAudit"), QStringLiteral("last.xml"), Num4(n));
    };
    try {
        if (!m_job.NameByDirectory()) {
            TextFile::writeLines(lastXml, m_text);
            if (waa) {
                QStringList batch = m_batch;
                batch.append(waaAudit(9999));
                batch.prepend(waaAudit(0));
                batch.prepend(QStringLiteral("ECHO ON"));
                writeBatch(out + QStringLiteral("/lastbatch.cmd"), batch);
                m_batch = batch;
            }
            return;
        }
        // Per-module files: the skeleton without the file entries.
        QStringList skeleton, entries;
        bool inFiles = false;
        int filesAt = -1;
        for (const QString &line : std::as_const(m_text)) {
            const QString t = line.trimmed();
            if (t == QLatin1String("<Files>")) {
                inFiles = true;
                skeleton << line;
                filesAt = int(skeleton.size()) - 1;
                continue;
            }
            if (t == QLatin1String("</Files>")) {
                inFiles = false;
                skeleton << line;
                continue;
            }
            (inFiles ? entries : skeleton) << line;
        }
        int systemAt = -1;
        for (int i = 0; i < skeleton.size(); ++i)
            if (skeleton[i].trimmed().startsWith(QLatin1String("SystemName  =")))
                systemAt = i;
        QStringList moduleOrder;
        QMap<QString, QStringList> moduleEntries;
        for (qsizetype i = 0; i + 1 < entries.size(); i += 2) {
            const QString &orig = entries[i];
            const qsizetype lt = orig.indexOf(QLatin1Char('<'));
            const qsizetype at = orig.indexOf(QLatin1Char('@'));
            const QString module = orig.mid(lt + 1, at - lt - 1);
            if (!moduleEntries.contains(module))
                moduleOrder << module;
            QString plain = orig;
            plain.remove(module + QLatin1Char('@'));
            moduleEntries[module] << plain << entries[i + 1];
        }
        const QString closing = m_text.isEmpty() ? QString() : m_text.last();
        for (const QString &module : std::as_const(moduleOrder)) {
            QStringList file = skeleton.mid(0, filesAt + 1);
            file << moduleEntries.value(module);
            file << indent(1, QStringLiteral("</Files>"));
            file << closing;
            QString moduleFolder = ValueOfNameIn(m_nameMap, QStringLiteral("MOD") + module);
            if (moduleFolder.isEmpty())
                moduleFolder = ValueOfNameIn(m_nameMap, QStringLiteral("FCDR") + module);
            if (systemAt >= 0 && systemAt <= filesAt)
                file[systemAt] = QStringLiteral("  SystemName  = \"%1\"").arg(moduleFolder.section(QLatin1Char('/'), -1).left(8));
            TextFile::writeLines(out + QStringLiteral("/last%1.xml").arg(module), file);
        }
        if (waa) {
            QStringList batch{QStringLiteral("ECHO ON")};
            QStringList current;
            QString number;
            const auto flush = [&]() {
                if (number.isEmpty())
                    return;
                batch << QStringLiteral("ren last%1.xml last.xml").arg(number) << waaAudit(0) << current << waaAudit(9999)
                      << QStringLiteral("ren last.xml last%1.xml").arg(number);
                current.clear();
            };
            for (const QString &line : std::as_const(m_batch)) {
                if (line.startsWith(QLatin1Char('@'))) {
                    flush();
                    number = line.mid(1, 4);
                    current << line.mid(5);
                } else {
                    current << line;
                }
            }
            flush();
            m_batch = batch;
            QFile::remove(lastXml);
        } else {
            m_batch.prepend(QStringLiteral("ECHO ON"));
        }
        writeBatch(out + QStringLiteral("/lastbatch.cmd"), m_batch);
    } catch (const EFileError &e) {
        QFile::remove(lastXml);
        try {
            TextFile::writeLines(lastXml, m_text);
        } catch (const EFileError &) {
        }
        m_reporter->ErrorAndAbort(e.message());
    }
}

void TShellStaging::WriteConverterParameters()
{
    const QString out = OutputDirectory();
    makeFolder(WorkFolder());
    if (m_job.LanguageCode() == QLatin1String("PB"))
        for (const QString &f : PbWorkFolderNames())
            makeFolder(WorkFolder() + QLatin1Char('/') + f);
    const QString exports = out + QStringLiteral("/Exports/");
    QStringList found;
    FindFiles(exports, QString(), QString(), -1, found, QStringLiteral(".csv;"));
    QStringList l;
    l << kXmlHeader << doctypeLine();
    l << QStringLiteral("<CSVTRAN>") + QString(46, QLatin1Char(' '));
    l << QStringLiteral(" <Names") + QString(49, QLatin1Char(' '));
    l << QStringLiteral("  Version = \"%1\"").arg(m_job.LanguageVersion());
    l << QStringLiteral("  ProductName = \"%1\"").arg(m_job.ProductName());
    l << QStringLiteral("  SystemName  = \"%1\"").arg(m_job.SystemName());
    l << QStringLiteral(" />");
    l << QStringLiteral(" <Directories>");
    l << QStringLiteral("  <Output_Dir>.</Output_Dir>");
    l << QStringLiteral("  <Work_Dir>work</Work_Dir>");
    l << QStringLiteral(" </Directories>");
    l << QStringLiteral(" <Files>");
    m_nameMap.clear();
    int n = 0;
    for (const QString &path : std::as_const(found)) {
        if (!SameText(Staging::ExtensionOf(path), QStringLiteral(".csv")))
            continue;
        const QString csx = QStringLiteral("csx%1.csx").arg(Num4(n));
        l << element(2, QStringLiteral("Orig_File_%1").arg(Num4(n)), path.mid(exports.size()));
        l << element(2, QStringLiteral("File_%1").arg(Num4(n)), csx);
        m_nameMap << csx + QLatin1Char('=') + path;
        ++n;
    }
    l << QStringLiteral(" </Files>");
    l << QStringLiteral("</CSVTRAN>");
    SortListByName(m_nameMap);
    m_text = l;
    writeFile(out + QStringLiteral("/last.xml"), l);
}

void TShellStaging::ApplyConvertedExports()
{
    const QString exports = OutputDirectory() + QStringLiteral("/Exports/");
    QStringList found;
    FindFiles(exports, QString(), QString(), -1, found, QStringLiteral(".csx;"));
    for (const QString &csx : std::as_const(found)) {
        const int at = FindFirstByName(m_nameMap, QFileInfo(csx).fileName());
        if (at < 0)
            continue;
        const QString original = TextAfter(m_nameMap[at], QStringLiteral("="));
        // Only an export below the folder is ever replaced.
        if (!original.startsWith(exports) || original.contains(QLatin1String("/../")))
            continue;
        QFile::remove(original);
        if (!QFile::rename(csx, original))
            m_reporter->ShowWarning(QStringLiteral("Cannot rename ") + csx + QStringLiteral(" to ") + original);
    }
}
