#include "StagingRoutines.h"
#include "Errors.h"
#include "SharedRoutinesCommon.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>

namespace Staging {

QString Num4(int n)
{
    return QStringLiteral("%1").arg(n, 4, 10, QLatin1Char('0'));
}

QString DriveOf(const QString &path)
{
    if (HasDriveLetter(path))
        return path.left(2);
    if (path.startsWith(QLatin1String("//"))) {
        const qsizetype server = path.indexOf(QLatin1Char('/'), 2);
        if (server < 0)
            return path;
        const qsizetype share = path.indexOf(QLatin1Char('/'), server + 1);
        return share < 0 ? path : path.left(share);
    }
    return QString();
}

QString ExtensionOf(const QString &path)
{
    const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
    const QString name = slash < 0 ? path : path.mid(slash + 1);
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    return dot < 0 ? QString() : name.mid(dot);
}

QString ShortExtension(const QString &path)
{
    return UpperCase(ExtensionOf(path).left(4));
}

TCommonRoot CommonRootOf(const QStringList &paths, bool fullDepth)
{
    TCommonRoot result;
    if (paths.isEmpty())
        return result;
    const QString drive = DriveOf(paths.first());
    QList<QStringList> parts;
    parts.reserve(paths.size());
    for (const QString &path : paths) {
        const QString own = DriveOf(path);
        if (!SameText(own, drive))
            throw EQuenbarError(QStringLiteral(
                "Cannot determine\"System\" direcory, all modules must reside on the same drive!"));
        const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
        QString folder = slash < 0 ? QString() : path.left(slash);
        folder = folder.mid(std::min(own.size(), folder.size()));
        if (folder.startsWith(QLatin1Char('/')))
            folder.remove(0, 1);
        parts.append(folder.isEmpty() ? QStringList() : folder.split(QLatin1Char('/')));
    }
    int shortest = 0;
    qsizetype most = 0;
    for (int i = 0; i < parts.size(); ++i) {
        if (parts[i].size() <= parts[shortest].size())
            shortest = i;   // the last of equally short ones
        most = std::max(most, parts[i].size());
    }
    const QStringList &s = parts[shortest];
    qsizetype common = s.size();
    for (const QStringList &p : std::as_const(parts))
        for (qsizetype i = 0; i < common; ++i)
            if (p[i] != s[i]) {
                common = i;
                break;
            }
    // Two levels stay below the root for components and modules.
    const qsizetype last = fullDepth ? most - 1 : most - 3;
    QString root = drive + QLatin1Char('/');
    for (qsizetype i = 0; i < common && i <= last; ++i)
        root += s[i] + QLatin1Char('/');
    // Without a drive, no shared folder leaves the file system's root: the
    // tools need a folder, not an empty text.
    if (root.size() > 1)
        root.chop(1);
    result.Root = root;
    result.Depth = int(most - common);
    return result;
}

bool MatchesGeneratedMask(const QString &fileName, const QString &mask)
{
    if (mask.isEmpty() || mask == QLatin1String("*.*"))
        return true;
    QString key = UpperCase(fileName);
    for (QChar &c : key)
        if (c >= QLatin1Char('0') && c <= QLatin1Char('9'))
            c = QLatin1Char('#');
    return StartsWithText(mask, key);
}

int CleanFolder(const QString &folder, const QString &subfolder, int depth, bool countOnly, const QString &mask,
                const QSet<QString> *keep)
{
    if (folder.isEmpty() || depth <= 0)
        return 0;
    const QString searched = subfolder.isEmpty() ? folder : folder + QLatin1Char('/') + subfolder;
    QDir dir(searched);
    if (!dir.exists())
        return 0;
    int count = 0;
    // System: a dangling link is listed too, and goes like a file.
    const QFileInfoList entries =
        dir.entryInfoList(QDir::Files | QDir::Dirs | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
    for (const QFileInfo &entry : entries) {
        if (entry.isDir()) {
            // A linked folder may lead anywhere: never descend into one.
            if (entry.isSymLink() || entry.fileName().startsWith(QLatin1Char('.')))
                continue;
            count += CleanFolder(searched, entry.fileName(), depth - 1, countOnly, mask, keep);
            continue;
        }
        if (!MatchesGeneratedMask(entry.fileName(), mask))
            continue;
        if (keep && keep->contains(QDir::cleanPath(entry.absoluteFilePath())))
            continue;
        ++count;
        if (!countOnly)
            QFile::remove(entry.filePath());
    }
    if (!countOnly)
        QDir().rmdir(searched);   // only an empty folder goes
    return count;
}

} // namespace Staging
