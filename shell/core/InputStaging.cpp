#include "InputStaging.h"
#include "CodePage1250.h"
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
#include <QLocale>
#include <QProcess>
#include <QSet>
#include <QStringDecoder>

using Staging::Num4;

namespace {

const QStringList kUsedMarkers = {
    QStringLiteral("Metrics"), QStringLiteral("Specs"), QStringLiteral("Defis"),
    QStringLiteral("Requs"),   QStringLiteral("Comments"), QStringLiteral("Exports"),
    QStringLiteral("Cases"),   QStringLiteral("Instru"), QStringLiteral("Tables")};

QString lastPart(const QString &path)
{
    const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
    return slash < 0 ? path : path.mid(slash + 1);
}

QString folderPart(const QString &path)
{
    const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
    return slash < 0 ? QString() : path.left(slash);
}

QString withoutExtension(const QString &path)
{
    return path.left(path.size() - Staging::ExtensionOf(path).size());
}

} // namespace

TShellStaging::TShellStaging(TShellJob &job, TShellSourceList &sources, IReporter *reporter)
    : m_job(job), m_sources(sources), m_reporter(reporter)
{
}

QString TShellStaging::OutputDirectory() const
{
    QString out = FromStoredPath(m_job.OutputDirectory());
    while (out.size() > 1 && out.endsWith(QLatin1Char('/')))
        out.chop(1);
    return out;
}

QString TShellStaging::InputFolder() const
{
    return OutputDirectory() + QStringLiteral("/workinp");
}

QString TShellStaging::WorkFolder() const
{
    return OutputDirectory() + QStringLiteral("/work");
}

QStringList TShellStaging::ResultFolderNames()
{
    return {QStringLiteral("Metrics"), QStringLiteral("Defis"), QStringLiteral("Requs"), QStringLiteral("Lunvis"),
            QStringLiteral("Dravik"), QStringLiteral("Specs"), QStringLiteral("Comments"), QStringLiteral("Exports"),
            QStringLiteral("Cases"), QStringLiteral("Instru"), QStringLiteral("Tables")};
}

QStringList TShellStaging::PbWorkFolderNames()
{
    return {QStringLiteral("ProcTabs"), QStringLiteral("InclTabs"), QStringLiteral("CommTabs"),
            QStringLiteral("DataTabs"), QStringLiteral("MaskTabs"), QStringLiteral("StmtTabs")};
}

void TShellStaging::progress(const QString &caption, qint64 position, qint64 maximum)
{
    if (OnProgress)
        OnProgress(caption, position, maximum);
}

void TShellStaging::makeFolder(const QString &path)
{
    if (!QDir().mkpath(path))
        m_reporter->ErrorAndAbort(QStringLiteral("Cannot create directory ") + path);
}

// The stop question of the stoppable steps; No goes on.
void TShellStaging::stopPoint()
{
    if (!m_stop)
        return;
    m_stop = false;
    if (m_reporter->Ask(TMsgDlgType::Confirmation, QStringLiteral("The User requested to stop the process, please confirm?"),
                        mbYesNo)
        == mbYes)
        m_reporter->ErrorAndAbort(QStringLiteral("Process aborted on user request!"));
}

QString TShellStaging::SourceLinesText() const
{
    return QStringLiteral(" Number of source lines(%1)").arg(QLocale::system().toString(m_lines));
}

// ---- Output directory ----------------------------------------------------------------

QString TShellStaging::CheckOutputDirectory()
{
    m_reporter->ClearMessage();
    QString out = FromStoredPath(m_job.OutputDirectory());
    // A local absolute path; no relative path and no network share.
    if (out.isEmpty())
        m_reporter->ErrorAndAbort(QStringLiteral("This field must not be empty"));
    if (!(out.startsWith(QLatin1Char('/')) || HasDriveLetter(out)) || out.startsWith(QLatin1String("//")))
        m_reporter->ErrorAndAbort(QStringLiteral("Invalid output directory (No relative or UNC format path is allowed here)!"));
    // Nothing above the output directory may be named "..": it would lead outside it.
    if (out.split(QLatin1Char('/')).contains(QStringLiteral("..")))
        m_reporter->ErrorAndAbort(QStringLiteral("Invalid output directory (No relative or UNC format path is allowed here)!"));

    const QString code = m_job.LanguageCode();
    const QString jobName = m_job.JobName();
    QString dir = WithTrailingChar(out, QLatin1Char('/'));
    const bool hasJob = !jobName.isEmpty() && dir.contains(QLatin1Char('/') + jobName + QLatin1Char('/'));
    const bool hasCode = !code.isEmpty() && dir.contains(QLatin1Char('/') + code + QLatin1Char('/'));
    if (!code.isEmpty() && !hasJob && !hasCode) {
        const int kind = m_job.Kind();
        if (kind == 6 && code == QLatin1String("ENG") && dir.lastIndexOf(QLatin1String("GER/")) > 0)
            dir = dir.left(dir.lastIndexOf(QLatin1String("GER/")));
        else if (kind == 6 && code == QLatin1String("GER") && dir.lastIndexOf(QLatin1String("ENG/")) > 0)
            dir = dir.left(dir.lastIndexOf(QLatin1String("ENG/")));
        else if (kind == 4) {
            const QString trimmed = dir.left(dir.size() - 1);
            if (m_job.Settings().LanguageCodes().contains(lastPart(trimmed), Qt::CaseInsensitive))
                dir = WithTrailingChar(folderPart(trimmed), QLatin1Char('/'));
        }
        dir = QDir::cleanPath(dir) + QLatin1Char('/') + code + QLatin1Char('/');
        makeFolder(dir);
        out = dir;
        m_job.SetOutputDirectory(dir.left(dir.size() - 1));
        m_reporter->ShowError(QStringLiteral("Output directory forced to %1 subdirectory!").arg(code), true);
    }
    // Repeated and trailing delimiters go ("." too; ".." was refused above).
    out = QDir::cleanPath(out);
    if (!QFileInfo(out).isDir()) {
        if (m_reporter->Ask(TMsgDlgType::Confirmation, QStringLiteral("Directory %1 doesn't exists, create it? ").arg(out),
                            mbOKCancel)
            == mbOK) {
            if (!QDir().mkpath(out))
                m_reporter->ShowWarning(QStringLiteral("Cannot create directory"));
        }
    }
    m_job.SetOutputDirectory(out);
    m_job.SetModified(true);
    return out;
}

void TShellStaging::ValidateForRun()
{
    m_job.ValidateJobNames();
    m_sourceFiles = m_sources.TickedCount();
    m_modules = 0;
    if (m_sourceFiles == 0)
        m_reporter->ErrorAndAbort(QStringLiteral("No files are selected for processing!"));
    if (!QFileInfo(OutputDirectory()).isDir())
        m_reporter->ErrorAndAbort(QStringLiteral("Output directory error - ") + QStringLiteral("Directory doesn't exist"));
    m_sources.AnalyseStructure(true);
}

// ---- Name map ----------------------------------------------------------------------------

QString TShellStaging::MappedExtension(const QString &extension)
{
    const QString shortExt = UpperCase(extension.left(4));
    if (extension.size() > 4) {
        SetValueOfNameIn(m_extMap, extension, shortExt);
        SetValueOfNameIn(m_extMap, shortExt, extension);
    }
    return shortExt;
}

void TShellStaging::addEntries(int moduleNo, int sourceNo, const QString &sourceRel, const QString &staged)
{
    const QString orig = m_job.NameByDirectory()
                             ? Num4(moduleNo) + QStringLiteral("@Orig_File_") + Num4(sourceNo)
                             : QStringLiteral("Orig_File_") + Num4(sourceNo);
    const QString file = QStringLiteral("File_") + Num4(sourceNo);
    m_fileEntries << QStringLiteral("  <%1>%2</%1>").arg(orig, sourceRel);
    m_fileEntries << QStringLiteral("  <%1>%2</%1>").arg(file, staged);
}

QString TShellStaging::analyserFolder() const
{
    return folderPart(FromStoredPath(m_options.AnalyserProgram));
}

void TShellStaging::addBatchLine(bool firstOfModule, int moduleNo, int sourceNo, const QString &ext)
{
    const bool waa = m_job.LanguageCode() == QLatin1String("WAA");
    const bool byDir = m_job.NameByDirectory();
    if (!waa && !byDir)
        return;
    if (byDir && waa) {
        const QString mark = firstOfModule ? QLatin1Char('@') + Num4(moduleNo) : QString();
        m_batch << QStringLiteral("%1%2/%3.exe %4;%5 ").arg(mark, analyserFolder(), subProcessor(ext),
                                                        QStringLiteral("last.xml"), Num4(sourceNo));
    } else if (byDir) {
        if (firstOfModule)
            m_batch << QStringLiteral("%1 last%2.xml ").arg(FromStoredPath(m_options.AnalyserProgram), Num4(moduleNo));
    } else {
        m_batch << QStringLiteral("%1/%2.exe %3;%4 ").arg(analyserFolder(), subProcessor(ext), QStringLiteral("last.xml"),
                                                      Num4(sourceNo));
    }
}

void TShellStaging::BuildNameMap()
{
    m_nameMap.clear();
    m_extMap.clear();
    m_fileEntries.clear();
    m_staged = 0;
    const int depth = m_job.MaxDirDepth();
    if (depth == 99)
        flatBuilder();
    else
        structureBuilder(m_job.Kind() == 7 || m_job.Kind() == 8);
    SortListByName(m_nameMap);
}

void TShellStaging::structureBuilder(bool folderBuilder)
{
    const QString root = m_sources.CommonRoot();
    const QString rootPrefix = WithTrailingChar(root, QLatin1Char('/'));
    const QString rootName = lastPart(root);
    const QString input = InputFolder();
    const int depth = m_job.MaxDirDepth();
    const bool componentLevel = depth == 2 || depth == 3;
    const bool moduleLevel = depth >= 1 && depth <= 3;
    int compNo = 0, modNo = 0, srcNo = 1;
    const QString blanks(6, QLatin1Char(' '));
    QString prevComp = blanks, prevMod = blanks;
    int firstOfModule = -1;   // module whose first ticked file is still to come
    QStringList lines;
    QStringList entries;
    const int count = m_sources.Count();
    for (int i = 0; i < count; ++i) {
        const QString path = m_sources.PathAt(i);
        const QString rel = path.startsWith(rootPrefix) ? path.mid(rootPrefix.size()) : path;
        QString comp, mod, file;
        if (folderBuilder) {
            QStringList parts = rel.split(QLatin1Char('/'));
            while (parts.size() <= 2)
                parts.prepend(rootName);
            const qsizetype n = parts.size();
            comp = parts[n - 3];
            mod = parts[n - 2];
            file = parts[n - 1];
        } else {
            const TSourceDerived d = m_sources.DerivedAt(i);
            comp = d.Component;
            mod = d.Module;
            file = d.UniqueName();
        }
        if (comp != prevComp) {
            ++compNo;
            ++modNo;
            lines << QStringLiteral("COMP%1=%2").arg(Num4(compNo), comp);
            lines << QStringLiteral("MOD%1=%2/%3").arg(Num4(modNo), comp, mod);
            lines << QStringLiteral("FDR%1=%2/COMP%3/MOD%4").arg(Num4(modNo), input, Num4(compNo), Num4(modNo));
            firstOfModule = modNo;
        } else if (mod != prevMod) {
            ++modNo;
            lines << QStringLiteral("MOD%1=%2/%3").arg(Num4(modNo), comp, mod);
            lines << QStringLiteral("FDR%1=%2/COMP%3/MOD%4").arg(Num4(modNo), input, Num4(compNo), Num4(modNo));
            firstOfModule = modNo;
        }
        prevComp = comp;
        prevMod = mod;
        if (m_sources.CheckedAt(i)) {
            const QString sourceExt = Staging::ExtensionOf(file);
            QString ext = MappedExtension(sourceExt);
            if (!folderBuilder) {
                const QString lower = LowerCase(sourceExt);
                if (lower == QLatin1String(".pdf") || lower == QLatin1String(".doc"))
                    ext = QStringLiteral(".TXT");
            }
            const QString staged = QStringLiteral("COMP%1/MOD%2/SRC%3%4").arg(Num4(compNo), Num4(modNo), Num4(srcNo), ext);
            QString sourceRel = rel;
            if (!folderBuilder) {
                const QString relFolder = folderPart(rel);
                sourceRel = relFolder.isEmpty() ? file : relFolder + QLatin1Char('/') + file;
            }
            const qsizetype before = m_fileEntries.size();
            addEntries(modNo, srcNo, sourceRel, staged);
            entries << m_fileEntries.mid(before);
            m_fileEntries.resize(before);
            addBatchLine(firstOfModule == modNo, modNo, srcNo, sourceExt);
            firstOfModule = -1;
            lines << QStringLiteral("SRC%1=%2/%3/%4").arg(Num4(srcNo), comp, mod, file);
            lines << QStringLiteral("XCPY%1=%2/COMP%3/MOD%4/SRC%5%6")
                         .arg(Num4(i), input, Num4(compNo), Num4(modNo), Num4(srcNo), ext);
            ++m_staged;
        }
        ++srcNo;
    }
    m_modules = modNo;
    // Without the component (and module) level the generated folders that
    // stand for nothing are left out of every line.
    const auto adjust = [&](QString &line, bool mapLine) {
        if (componentLevel)
            return;
        if (moduleLevel) {
            if (mapLine && line.startsWith(QLatin1String("COMP0001=")))
                line = QStringLiteral("COMP0001=");
            else if (mapLine && line.startsWith(QLatin1String("MOD")))
                line = ListName(line) + QLatin1Char('=') + TextAfter(TextAfter(line, QStringLiteral("=")), QStringLiteral("/"));
            else if (mapLine && line.startsWith(QLatin1String("SRC")))
                line = ListName(line) + QLatin1Char('=') + TextAfter(TextAfter(line, QStringLiteral("=")), QStringLiteral("/"));
            else
                line.remove(QStringLiteral("COMP0001/"));
        } else {
            if (mapLine && (line.startsWith(QLatin1String("COMP0001=")) || line.startsWith(QLatin1String("MOD0001="))))
                line = ListName(line) + QLatin1Char('=');
            else if (mapLine && line.startsWith(QLatin1String("SRC"))) {
                const QString value = TextAfter(line, QStringLiteral("="));
                line = ListName(line) + QLatin1Char('=') + TextAfter(TextAfter(value, QStringLiteral("/")), QStringLiteral("/"));
            } else {
                line.remove(QStringLiteral("COMP0001/"));
                line.remove(QStringLiteral("MOD0001/"));
            }
        }
    };
    for (QString &line : lines)
        adjust(line, true);
    // The staged entries name the staged files: they follow the same change.
    for (QString &entry : entries)
        if (entry.startsWith(QLatin1String("  <File_")))
            adjust(entry, false);
    m_nameMap = lines;
    m_fileEntries = entries;
}

void TShellStaging::flatBuilder()
{
    const QString root = m_sources.CommonRoot();
    const QString rootPrefix = WithTrailingChar(root, QLatin1Char('/'));
    const QString input = InputFolder();
    int modNo = 0, srcNo = 1;
    QString prevFolder = QString(6, QLatin1Char(' '));
    for (int i = 0; i < m_sources.Count(); ++i) {
        if (!m_sources.CheckedAt(i))
            continue;
        const QString path = m_sources.PathAt(i);
        const QString rel = path.startsWith(rootPrefix) ? path.mid(rootPrefix.size()) : path;
        const QString folder = folderPart(rel);
        bool first = false;
        if (folder != prevFolder) {
            ++modNo;
            m_nameMap << QStringLiteral("FCDR%1=%2").arg(Num4(modNo), folder);
            prevFolder = folder;
            first = true;
        }
        const QString sourceExt = Staging::ExtensionOf(rel);
        const QString ext = MappedExtension(sourceExt);
        addEntries(modNo, srcNo, rel, QStringLiteral("SRC%1%2").arg(Num4(srcNo), ext));
        addBatchLine(first, modNo, srcNo, sourceExt);
        m_nameMap << QStringLiteral("SRC%1=%2").arg(Num4(srcNo), rel);
        m_nameMap << QStringLiteral("XCPY%1=%2/SRC%3%4").arg(Num4(i), input, Num4(srcNo), ext);
        ++m_staged;
        ++srcNo;
    }
    m_modules = modNo;
}

// ---- Preparation ---------------------------------------------------------------------------

void TShellStaging::PrepareJob(bool countOnly)
{
    m_countOnly = countOnly;
    m_stop = false;
    m_lines = 0;
    if (ShowBusy)
        ShowBusy(true);
    struct TBusyEnd {
        TShellStaging *s;
        ~TBusyEnd() { if (s->ShowBusy) s->ShowBusy(false); }
    } busyEnd{this};
    progress(QStringLiteral("Preparing directories"), 0, 0);

    WriteParameterText();
    const QString out = OutputDirectory();
    const QString input = InputFolder();
    const int depth = m_job.MaxDirDepth();
    // A source is never a staging target nor a generated file to clean up,
    // wherever the user keeps it.
    QSet<QString> keep;
    const QString inputPrefix = QDir::cleanPath(input) + QLatin1Char('/');
    for (int i = 0; i < m_sources.Count(); ++i) {
        const QString source = QDir::cleanPath(QFileInfo(m_sources.PathAt(i)).absoluteFilePath());
        if (m_sources.CheckedAt(i) && source.startsWith(inputPrefix))
            m_reporter->ErrorAndAbort(QStringLiteral("Source file %1 lies in the staging folder %2, move it elsewhere!").arg(source, input));
        keep.insert(source);
    }
    Staging::CleanFolder(input, QString(), depth + 1, false, QStringLiteral("SRC####"), &keep);
    makeFolder(input);

    bool used = QFileInfo::exists(out + QStringLiteral("/last.xml"));
    for (const QString &f : kUsedMarkers)
        used = used || QFileInfo(out + QLatin1Char('/') + f).isDir();
    if (!used) {
        const QString question = QStringLiteral("Your current output directory \r\n") + out + QStringLiteral("\r\n")
                                 + QStringLiteral("hasn't been used yet") + QStringLiteral("\r\n")
                                 + QStringLiteral("do you really want to use this directory for output?");
        if (m_reporter->Ask(TMsgDlgType::Confirmation, question, mbYesNo) != mbYes)
            m_reporter->ErrorAndAbort(QStringLiteral("Go and select another output directory,and then try again"));
    }

    Staging::CleanFolder(out, QString(), 1, false, QStringLiteral("LAST####"), &keep);
    for (const QString &mask : {QStringLiteral("SRC####"), QStringLiteral("MOD####"), QStringLiteral("COMP####")})
        Staging::CleanFolder(out, QString(), depth + 1, false, mask, &keep);
    makeFolder(input);

    if (m_options.RunType != 4) {
        progress(QStringLiteral("Building input structure"), 0, 0);
        const int kind = m_job.Kind();
        int total = 0;
        for (const QString &line : std::as_const(m_nameMap)) {
            const QString name = ListName(line);
            if (name.startsWith(QLatin1String("FDR")))
                makeFolder(TextAfter(line, QStringLiteral("=")));
            else if ((kind == 5 || kind == 6) && name.startsWith(QLatin1String("FCDR")))
                makeFolder(out + QStringLiteral("/Instru/") + TextAfter(line, QStringLiteral("=")));
            else if (name.startsWith(QLatin1String("XCPY")))
                ++total;
        }
        int done = 0;
        bool missing = false;
        for (const QString &line : std::as_const(m_nameMap)) {
            if (!line.startsWith(QLatin1String("XCPY")))
                continue;
            const int row = ListName(line).mid(4).toInt();
            const QString source = m_sources.PathAt(row);
            const QString target = TextAfter(line, QStringLiteral("="));
            if (QFileInfo(source).isFile()) {
                if (!CopyInput(source, target))
                    m_reporter->ErrorAndAbort(QStringLiteral("Process cancelled by the user!"));
            } else {
                m_sources.SetChecked(row, false);
                m_sources.SetEnabled(row, false);
                missing = true;
                m_reporter->ShowWarning(QStringLiteral("Some input files cannot be found!"));
            }
            ++done;
            progress(QStringLiteral("Building input structure, Processing %1 of %2").arg(done).arg(total), done, total);
            stopPoint();
        }
        if (missing)
            m_reporter->ShowWarning(QStringLiteral("Some input files cannot be found!"));
    }
    m_job.SetSourceLines(int(std::min<qint64>(m_lines, std::numeric_limits<int>::max())));
    if (countOnly)
        return;

    for (const QString &f : ResultFolderNames())
        makeFolder(out + QLatin1Char('/') + f);
    if (!m_job.SystemName().isEmpty())
        makeFolder(out + QLatin1Char('/') + m_job.SystemName());
    makeFolder(WorkFolder());
    if (m_job.LanguageCode() == QLatin1String("PB"))
        for (const QString &f : PbWorkFolderNames())
            makeFolder(WorkFolder() + QLatin1Char('/') + f);

    SaveParameterFiles();

    if (m_job.Kind() == 1) {
        const QString csv = input + QLatin1Char('/') + m_job.SystemName() + QStringLiteral(".csv");
        const QString host = FromStoredPath(m_options.HostTestCaseFile);
        if (!host.isEmpty() && QFileInfo(host).isFile()) {
            QFile::remove(csv);
            CopyFileTo(host, csv);
        } else {
            writeFile(csv, {QStringLiteral("\"TestCaseId\";\"UseCaseId\";\"TestType\";\"TestObjects\";\"Operations\";\"Inputs\";"
                                           "\"InputValues\";\"Outputs\";\"OutputValues\";\"TestDate\";\"Tester\";"
                                           "\"TestCaseStatus\";\"ErrorMsgId\";\"TestCaseDescription\";"),
                            QStringLiteral("\"Dummy_TC_001\"; ; ; ; ; ; ; ; ; ; ; ; ;")});
            m_reporter->ShowWarning(QStringLiteral("Testcase file missing, dummy file inserted"));
        }
    }

    if (m_options.WordListPage) {
        if (WriteWordList)
            WriteWordList(out + QStringLiteral("/functab.wrl"));
    } else if (m_config.AnalysisParametersPage && m_config.FunctabPage && !m_config.PreScanner
               && !m_options.FunctionTableFile.isEmpty()) {
        const QString table = FromStoredPath(m_options.FunctionTableFile);
        const QString copy = out + QLatin1Char('/') + lastPart(table);
        if (QFileInfo(table).absoluteFilePath() != QFileInfo(copy).absoluteFilePath()) {
            QFile::remove(copy);
            CopyFileTo(table, copy);
        }
    }
}

void TShellStaging::writeFile(const QString &path, const QStringList &lines)
{
    try {
        TextFile::writeLines(path, lines);
    } catch (const EFileError &e) {
        m_reporter->ErrorAndAbort(e.message());
    }
}

// ---- Copying one input ----------------------------------------------------------------------

bool TShellStaging::runProgram(const QString &program, const QStringList &arguments, const QString &folder)
{
    if (RunProgram)
        return RunProgram(program, arguments, folder);
    QProcess process;
    process.setWorkingDirectory(folder);
    process.setStandardInputFile(QProcess::nullDevice());
    process.start(ProgramFile(program), arguments);
    if (!process.waitForStarted(-1))
        return false;
    process.waitForFinished(-1);
    return true;
}

bool TShellStaging::CopyInput(const QString &source, const QString &target)
{
    const QString lower = LowerCase(Staging::ExtensionOf(source));
    if (lower == QLatin1String(".pdf") || lower == QLatin1String(".doc"))
        return convertDocument(source, target, lower);
    if (m_config.DictionaryMode || m_config.TextTags) {
        QFile::remove(target);
        if (!QFile::copy(source, target)) {
            m_reporter->AddError(QStringLiteral("Cannot create file %1 for ouput \r\n  %2").arg(target, QStringLiteral("copy failed")), true);
            return false;
        }
        if (m_config.TextTags && PrepareTaggedText)
            PrepareTaggedText(target);
        if (m_config.DictionaryMode && MarkNouns)
            MarkNouns(target);
        rewriteText(target);
        return true;
    }
    return copyPlain(source, target);
}

bool TShellStaging::convertDocument(const QString &source, const QString &target, const QString &ext)
{
    const QString document = withoutExtension(target) + ext;
    QFile::remove(document);
    QFile::remove(target);
    if (!QFile::copy(source, document)) {
        m_reporter->AddError(QStringLiteral("Cannot create file %1 for ouput \r\n  %2").arg(document, QStringLiteral("copy failed")), true);
        return false;
    }
    const QString program = m_job.Settings().ToolRoot() + QStringLiteral("/PDF2TXT.exe");
    const QString folder = folderPart(target);
    // The text file keeps the staged name's own case: the file system tells cases apart.
    const bool started = runProgram(program, {lastPart(document), lastPart(target)}, folder);
    QFile::remove(document);
    if (!started) {
        m_reporter->AddError(QStringLiteral("Problem converting %1 %2 ").arg(ext, source), true);
        return false;
    }
    if (!QFileInfo(target).isFile()) {
        m_reporter->AddError(QStringLiteral("File %1 %2 was not converted to %3").arg(ext, source, target), true);
        return false;
    }
    const QString raw = withoutExtension(target) + QStringLiteral(".raw");
    QFile::remove(raw);
    QFile::copy(target, raw);
    if (m_config.TextTags && PrepareTaggedText)
        PrepareTaggedText(target);
    if (m_config.DictionaryMode && MarkNouns)
        MarkNouns(target);
    rewriteText(target);
    return true;
}

// Empty lines dropped, every line wrapped at 398 characters.
void TShellStaging::rewriteText(const QString &target)
{
    QStringList out;
    try {
        const QStringList lines = TextFile::readLines(target);
        for (const QString &line : lines) {
            if (line.trimmed().isEmpty())
                continue;
            for (qsizetype at = 0; at < line.size(); at += 398)
                out << line.mid(at, 398);
        }
        m_lines += out.size();
        TextFile::writeLines(target, out);
    } catch (const EFileError &e) {
        m_reporter->AddError(e.message(), true);
    }
}

bool TShellStaging::copyPlain(const QString &source, const QString &target)
{
    QFile in(source);
    if (!in.open(QIODevice::ReadOnly)) {
        m_reporter->AddError(QStringLiteral("Cannot open file %1 for input \r\n  %2").arg(source, in.errorString()), true);
        return false;
    }
    // A staged copy is made again by every preparation: a plain file (no
    // sync to disk per file, which would make staging many times slower
    // than copying), removed again when the copy fails.
    std::unique_ptr<QFile> outFile;
    if (!m_countOnly) {
        outFile = std::make_unique<QFile>(target);
        if (!outFile->open(QIODevice::WriteOnly | QIODevice::Truncate)) {
            m_reporter->AddError(QStringLiteral("Cannot create file %1 for ouput \r\n  %2").arg(target, outFile->errorString()), true);
            return false;
        }
    }
    const auto discard = [&]() {
        if (outFile) {
            outFile->close();
            outFile->remove();
        }
    };
    const qint64 size = in.size();
    qint64 chunk = std::max(1, m_job.Settings().IOBuffSize());
    if (size > 0 && size < chunk)
        chunk = size;
    enum { Plain, LfOnly, Utf16 } mode = Plain;
    // LF-only mode adds a CR only where none is: a CR LF pair that a chunk
    // border splits (or a later CR LF) is never doubled.
    char previous = 0;
    QStringDecoder utf16(QStringDecoder::Utf16LE);
    bool first = true;
    const bool counting = size > 20 * chunk;
    const QString shown = TrimControls(source);
    qint64 position = 0;
    const auto breakOn = [&](const QString &what, const QString &path, const QString &reason) {
        const QString message = what.arg(path, reason);
        if (m_reporter->Ask(TMsgDlgType::Error, message + QStringLiteral("\r\n\r\n") + QStringLiteral("Break the process ?"), mbYesNo)
            == mbYes) {
            m_reporter->AddError(message, true);
            return true;
        }
        return false;
    };
    while (true) {
        QByteArray bytes = in.read(chunk);
        if (bytes.isEmpty()) {
            if (in.error() != QFileDevice::NoError && !in.atEnd()) {
                if (breakOn(QStringLiteral("File read error %1\r\n  %2"), source, in.errorString())) {
                    if (outFile)
                        discard();
                    return false;
                }
                in.unsetError();
                continue;
            }
            break;
        }
        if (first) {
            if (bytes.size() > 2 && uchar(bytes[0]) == 0xFF && uchar(bytes[1]) == 0xFE) {
                mode = Utf16;
                chunk = 2000;
                in.seek(2);   // the byte-order mark is not text
                position = 2;
                first = false;
                continue;
            }
            mode = bytes.contains("\r\n") ? Plain : LfOnly;
            first = false;
        }
        position += bytes.size();
        QByteArray written;
        if (mode == Utf16) {
            // Line feeds are counted in the text: a UTF-16 character may hold a 0x0A byte.
            const QString text = utf16.decode(bytes);
            m_lines += text.count(QLatin1Char('\n'));
            if (outFile)
                written = Utf8ToSingleByte(CodePage1250::encode(text));
        } else {
            m_lines += bytes.count('\n');
            if (outFile) {
                if (mode == LfOnly) {
                    written.reserve(bytes.size() + bytes.size() / 8);
                    for (const char b : std::as_const(bytes)) {
                        if (b == '\n' && previous != '\r')
                            written += '\r';
                        written += b;
                        previous = b;
                    }
                } else {
                    written = bytes;
                }
            }
        }
        if (outFile && outFile->write(written) != written.size()) {
            if (breakOn(QStringLiteral("File write error %1\r\n  %2"), target, outFile->errorString())) {
                discard();
                return false;
            }
        }
        if (counting)
            progress(QStringLiteral("Building input structure, Processing bytes %1 of %2 of file %3").arg(position).arg(size).arg(shown),
                     position, size);
        if (m_stop) {
            m_stop = false;
            if (m_reporter->Ask(TMsgDlgType::Confirmation,
                                QStringLiteral("The User requested to stop the process, please confirm?"), mbYesNo)
                == mbYes) {
                if (outFile)
                    discard();
                m_reporter->ErrorAndAbort(QStringLiteral("Process aborted on user request!"));
            }
        }
    }
    if (outFile && !outFile->flush()) {
        m_reporter->AddError(QStringLiteral("File write error %1\r\n  %2").arg(target, outFile->errorString()), true);
        discard();
        return false;
    }
    return true;
}
