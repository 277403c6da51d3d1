#include "ResultRenaming.h"
#include "InputStaging.h"
#include "Reporting.h"
#include "SharedRoutinesCommon.h"
#include "ShellJob.h"
#include "ShellSettings.h"
#include "StagingRoutines.h"

#include <QDir>
#include <QRegularExpression>
#include <QFile>
#include <QFileInfo>

TResultRenaming::TResultRenaming(TShellJob &job, TShellStaging &staging, IReporter *reporter)
    : m_job(job), m_staging(staging), m_reporter(reporter)
{
}

QStringList TResultRenaming::RenamedFolderNames()
{
    return {QStringLiteral("Metrics"), QStringLiteral("Defis"), QStringLiteral("Specs"),
            QStringLiteral("Requs"), QStringLiteral("Comments"), QStringLiteral("Exports"),
            QStringLiteral("Cases"), QStringLiteral("Instru"), QStringLiteral("Tables")};
}

void TResultRenaming::progress(const QString &caption, int position, int maximum)
{
    if (OnProgress)
        OnProgress(caption, position, maximum);
}

bool TResultRenaming::insideFolder(const QString &path, const QString &folder) const
{
    const QString clean = QDir::cleanPath(path);
    return clean.startsWith(QDir::cleanPath(folder) + QLatin1Char('/'));
}

void TResultRenaming::ResetCounters()
{
    m_job.RenamedModules = 0;
    m_job.RenamedSourceFiles = 0;
}

void TResultRenaming::PostRunProcessing(int runType)
{
    if (runType == 3 && LoadWordList)
        LoadWordList(m_staging.OutputDirectory() + QStringLiteral("/functab.wrl"));
    if (m_job.Kind() == 8 && ImportStatistics) {
        // The archive is a by-product: a failing import must not stop the renaming.
        try {
            ImportStatistics();
        } catch (...) {
        }
    }
    progress(QStringLiteral("Rename result files"), 1, 8);
    if (m_job.Settings().RenameAfter())
        for (const QString &folder : RenamedFolderNames())
            RenameResults(folder);
}

int TResultRenaming::RenameResults(const QString &folderName)
{
    progress(QStringLiteral("Rename ") + folderName + QStringLiteral(" files"), 0, 0);
    const QString folder = m_staging.OutputDirectory() + QLatin1Char('/') + folderName;
    const QDir dir(folder);
    if (!dir.exists())
        return 0;
    QStringList files;
    for (const QFileInfo &fi : dir.entryInfoList(QDir::Files | QDir::NoDotAndDotDot)) {
        const QString name = fi.fileName();
        if (StartsWithText(QStringLiteral("MOD"), name) || StartsWithText(QStringLiteral("COMP"), name)
            || StartsWithText(QStringLiteral("SRC"), name))
            files << name;
    }
    std::sort(files.begin(), files.end(), [](const QString &a, const QString &b) { return CompareText(a, b) < 0; });

    const QStringList &map = m_staging.NameMap();
    const int depth = m_job.MaxDirDepth();
    const bool componentLevel = depth == 2 || depth == 3;
    const bool moduleLevel = depth >= 1 && depth <= 3;
    const auto valueOf = [&map](const QString &name) {
        const int at = FindFirstByName(map, name);
        return at < 0 ? QString() : TextAfter(map[at], QStringLiteral("="));
    };
    // A source's further results ("SRC0001_2": its second program) follow its
    // own name with their number kept.
    static const QRegularExpression further(QStringLiteral("^(SRC\\d+)(_\\d+)$"), QRegularExpression::CaseInsensitiveOption);
    const auto splitFurther = [](const QString &name, QString &suffix) {
        const QRegularExpressionMatch m = further.match(name);
        suffix = m.hasMatch() ? m.captured(2) : QString();
        return m.hasMatch() ? m.captured(1) : name;
    };

    QStringList folders;
    for (const QString &file : std::as_const(files)) {
        QString suffix;
        const QString value = valueOf(splitFurther(Staging::WithoutExtension(file), suffix));
        QString sub;
        if (StartsWithText(QStringLiteral("MOD"), file) && componentLevel)
            sub = Staging::FolderPart(value);
        else if (StartsWithText(QStringLiteral("SRC"), file) && (moduleLevel || depth == 99))
            sub = Staging::FolderPart(value);
        if (!sub.isEmpty() && !folders.contains(sub))
            folders << sub;
    }
    for (const QString &sub : std::as_const(folders))
        if (insideFolder(folder + QLatin1Char('/') + sub + QStringLiteral("/x"), folder))
            QDir().mkpath(folder + QLatin1Char('/') + sub);

    const bool javaLike = m_job.Kind() == 7 && !MethodFileMode;
    int moved = 0;
    for (const QString &file : std::as_const(files)) {
        QString suffix;
        const QString name = splitFurther(Staging::WithoutExtension(file), suffix);
        const QString ext = Staging::ExtensionOf(file);
        const QString value = valueOf(name);
        if (value.isEmpty())
            continue;   // not a generated name of this run
        QString target;
        const bool src = StartsWithText(QStringLiteral("SRC"), file);
        if (src && suffix.isEmpty() && (SameText(ext, QStringLiteral(".JAV")) || javaLike))
            target = value;
        else if (src)
            target = Staging::WithoutExtension(value) + suffix + ext;
        else
            target = value + ext;
        const QString to = folder + QLatin1Char('/') + target;
        if (!insideFolder(to, folder))
            continue;
        if (QFileInfo(to).isFile())
            QFile::remove(to);
        if (!QFile::rename(folder + QLatin1Char('/') + file, to))
            continue;
        ++moved;
        if (folderName == QLatin1String("Metrics") && StartsWithText(QStringLiteral("MOD"), file))
            ++m_job.RenamedModules;
        if (src && (folderName == QLatin1String("Exports") || folderName == QLatin1String("Cases")))
            ++m_job.RenamedSourceFiles;
    }
    return moved;
}

void TResultRenaming::DeleteTemporaryFiles()
{
    const TShellSettings &settings = m_job.Settings();
    if (!settings.DeleteAfter())
        return;
    if (ShowBusy)
        ShowBusy(true);
    const QString out = m_staging.OutputDirectory();
    const QString input = m_staging.InputFolder();
    if (settings.DeleteAfterControl()) {
        const QString table = FromStoredPath(m_staging.Options().FunctionTableFile);
        const QString copy = out + QLatin1Char('/') + QFileInfo(table).fileName();
        // The copy goes, never the table itself when it lives in the output directory.
        if (!table.isEmpty() && QFileInfo(copy).absoluteFilePath() != QFileInfo(table).absoluteFilePath())
            QFile::remove(copy);
        for (const QString &name : {QStringLiteral("functab.wrl"), QStringLiteral("last.xml"), QStringLiteral("lastbatch.cmd")})
            QFile::remove(out + QLatin1Char('/') + name);
        Staging::CleanFolder(out, QString(), 1, false, QStringLiteral("LAST####"));
    }
    if (m_job.Kind() == 1)
        QFile::remove(input + QLatin1Char('/') + m_job.SystemName() + QStringLiteral(".csv"));
    progress(QStringLiteral("Delete temporary files"), 0, 0);
    const QStringList &map = m_staging.NameMap();
    for (qsizetype i = map.size() - 1; i >= 0; --i) {
        if (!map[i].startsWith(QLatin1String("XCPY")))
            continue;
        const QString staged = TextAfter(map[i], QStringLiteral("="));
        // Only staged copies go: never anything outside the input folder.
        if (!insideFolder(staged, input))
            continue;
        QFile::remove(staged);
        QFile::remove(Staging::WithoutExtension(staged) + QStringLiteral(".raw"));
    }
    const int depth = m_job.MaxDirDepth();
    const bool componentLevel = depth == 2 || depth == 3;
    const bool moduleLevel = depth >= 1 && depth <= 3;
    QString parent;
    for (const QString &line : map) {
        if (!line.startsWith(QLatin1String("FDR")))
            continue;
        const QString fdr = TextAfter(line, QStringLiteral("="));
        if (!insideFolder(fdr, input))
            continue;
        QDir().rmdir(fdr);
        const QString own = Staging::FolderPart(fdr);
        if (own != parent && !parent.isEmpty() && moduleLevel)
            QDir().rmdir(parent);
        parent = own;
    }
    if (!parent.isEmpty() && moduleLevel && insideFolder(parent, input)) {
        QDir().rmdir(parent);
        const QString grand = Staging::FolderPart(parent);
        if (componentLevel && insideFolder(grand, input))
            QDir().rmdir(grand);
    }
    Staging::CleanFolder(m_staging.WorkFolder(), QString(), 99, false, QString());
    QDir().rmdir(input);
    if (ShowBusy)
        ShowBusy(false);
}

void TResultRenaming::RemoveEmptyResultFolders()
{
    const QString out = m_staging.OutputDirectory();
    QStringList names = TShellStaging::ResultFolderNames();
    if (!m_job.SystemName().isEmpty())
        names << m_job.SystemName();
    for (const QString &name : std::as_const(names))
        QDir().rmdir(out + QLatin1Char('/') + name);
}
