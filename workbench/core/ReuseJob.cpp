#include "ReuseJob.h"

#include "SharedRoutinesCommon.h"
#include "StreamToIniCore.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace ReuseJob {

QString WorkDirOf(const QString &outputDir)
{
    return outputDir + QStringLiteral("/work");
}

QString StagingDirOf(const QString &outputDir)
{
    return outputDir + QStringLiteral("/workinp");
}

QString RepositoryFolderOf(const QString &outputDir)
{
    return QDir(outputDir).filePath(QStringLiteral("ParadoxDB"));
}


QString DeriveJobName(const QString &product, const QString &system)
{
    return CapitalizeWords(product) + CapitalizeWords(system);
}

void WriteProperties(TStreamToIniCore &ini, const TJobProperties &p)
{
    ini.add(QStringLiteral("[Properties]"));
    ini.WriteValue(QStringLiteral("ProjectName"), p.ProjectName);
    ini.WriteValue(QStringLiteral("ProjectProductName"), p.ProjectProductName);
    ini.WriteValue(QStringLiteral("ProjectSystemName"), p.ProjectSystemName);
    ini.WriteValue(QStringLiteral("BatchRunning"), BoolToYN(p.BatchRunning));
    ini.WriteValue(QStringLiteral("ProjectDirectory"), p.ProjectDirectory);
    ini.WriteValue(QStringLiteral(";ProjectVersion"), p.LanguageCode);
    ini.WriteValue(QStringLiteral(";ToolRootDir"), p.ToolRoot);
    ini.WriteValue(QStringLiteral("ProjectInterFaceType"), p.ProjectInterFaceType);
    ini.WriteValue(QStringLiteral("MaxDirDepth"), QString::number(p.MaxDirDepth));
    ini.WriteValue(QStringLiteral("ProjectCommonRoot"), p.ProjectCommonRoot);
    ini.WriteValue(QStringLiteral("SelectedFilesScreenWidth"), QString::number(p.SelectedFilesScreenWidth));
    ini.WriteValue(QStringLiteral("QuenbarJobName"), p.QuenbarJobName);
}

TJobProperties ReadProperties(const TStreamToIniCore &ini)
{
    TJobProperties p;
    p.ProjectName = ini.ReadValue(QStringLiteral("ProjectName"));
    p.ProjectProductName = ini.ReadValue(QStringLiteral("ProjectProductName"));
    p.ProjectSystemName = ini.ReadValue(QStringLiteral("ProjectSystemName"));
    p.BatchRunning = ini.ReadValue(QStringLiteral("BatchRunning")) == QLatin1String("Y");
    p.ProjectDirectory = ini.ReadValue(QStringLiteral("ProjectDirectory"));
    p.ProjectInterFaceType = ini.ReadValue(QStringLiteral("ProjectInterFaceType"));
    p.MaxDirDepth = ZeroPrefixedInt(ini.ReadValue(QStringLiteral("MaxDirDepth")));
    p.ProjectCommonRoot = ini.ReadValue(QStringLiteral("ProjectCommonRoot"));
    p.SelectedFilesScreenWidth = ZeroPrefixedInt(ini.ReadValue(QStringLiteral("SelectedFilesScreenWidth")));
    p.QuenbarJobName = ini.ReadValue(QStringLiteral("QuenbarJobName"));
    return p;
}

QString OutputDirectoryProblem(const QString &text)
{
    if (text.isEmpty())
        return QStringLiteral("This field must not be empty");
    // Only absolute local paths: relative and network ("//server/share") ones are refused.
    if (!text.startsWith(u'/') || text.startsWith(QLatin1String("//")) || text.startsWith(u'\\'))
        return QStringLiteral("Invalid output directory (No relative or UNC format path is allowed here)!");
    return QString();
}

QString NormalizeOutputDirectory(const QString &text)
{
    // The root's own "/" stays: on this platform it is what makes the path absolute.
    const bool absolute = text.startsWith(u'/');
    QString p = CollapseRepeats(text, QLatin1Char('/'));
    if (p.endsWith(u'/'))
        p.chop(1);
    return absolute ? QLatin1Char('/') + p : p;
}

QString LastOutputDirFor(const QString &outputDir)
{
    const QString parent = TextBeforeLast(outputDir, QStringLiteral("/"));
    return parent.contains(u'/') ? parent : outputDir;
}

QString NamesDropTarget(const QString &fieldText, const QString &languageCode, const QString &jobName)
{
    QString text = fieldText;
    while (text.size() > 1 && text.endsWith(u'/'))
        text.chop(1);
    QString last = TextAfterLast(text, QStringLiteral("/"));
    if (!languageCode.isEmpty() && last == languageCode) {
        text = TextBeforeLast(text, languageCode);
        while (text.size() > 1 && text.endsWith(u'/'))
            text.chop(1);
        last = TextAfterLast(text, QStringLiteral("/"));
    }
    if (jobName.isEmpty() || last == jobName)
        return QString();
    return (text == QLatin1String("/") ? QString() : text) + QLatin1Char('/') + jobName;
}

QStringList ResetOutputFiles(const QString &outputDir, const QString &product, const QString &system,
                             const QString &jobName, int maxDirDepth)
{
    const int depth = maxDirDepth == 99 ? 1 : maxDirDepth;
    QStringList files;
    for (const QString &mask : {QStringLiteral("last*"), product, system, jobName + QStringLiteral("_*"),
                                jobName + QStringLiteral("*")})
        if (!mask.isEmpty() && mask != QLatin1String("_*") && mask != QLatin1String("*"))
            FindFiles(outputDir, QString(), mask, 1, files, QStringLiteral("*.*"));
    FindFiles(outputDir, QString(), QString(), 1, files, QStringLiteral(".wsdl"));
    for (const QString &sub : {QStringLiteral("WSDLDir"), QStringLiteral("ExportDir"), QStringLiteral("ParadoxDB")})
        FindFiles(outputDir, sub, QString(), depth + 1, files, QStringLiteral("*.*"));
    return files;
}

QString ResetOutputQuestion(const QStringList &files)
{
    QString q = QStringLiteral("You are going to reset your job to it's initial state.\r\nYou have  ")
                + QString::number(files.size())
                + QStringLiteral(" files in your output folders. Should I continue ?") + QStringLiteral("\r\n")
                + QStringLiteral("\r\n") + QStringLiteral("Your files:");
    const int shown = int(std::min<qsizetype>(files.size(), 11));
    for (int i = 0; i < shown; ++i)
        q += QStringLiteral("\r\n") + files[i];
    if (files.size() > 10)
        q += QStringLiteral("\r\n...");
    return q;
}

bool IsNumberedConverterFile(const QString &fileName)
{
    QString u = UpperCase(fileName);
    for (QChar &c : u)
        if (c >= u'0' && c <= u'9')
            c = u'#';
    return u.startsWith(QLatin1String("CMP####"));
}

int RemoveFilesBelow(const QString &folder, int depth, const std::function<bool(const QString &path)> &accept)
{
    if (depth == 0 || folder.isEmpty())
        return 0;
    int removed = 0;
    const QDir dir(folder);
    const QFileInfoList entries =
        dir.entryInfoList(QDir::Files | QDir::Dirs | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    for (const QFileInfo &fi : entries) {
        if (fi.isDir() && !fi.isSymLink()) {
            removed += RemoveFilesBelow(fi.absoluteFilePath(), depth - 1, accept);
            dir.rmdir(fi.fileName());   // only when it became empty
        } else if (accept(fi.absoluteFilePath()) && QFile::remove(fi.absoluteFilePath())) {
            ++removed;
        }
    }
    return removed;
}

} // namespace ReuseJob
