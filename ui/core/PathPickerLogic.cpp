#include "PathPickerLogic.h"

#include "SharedRoutinesCommon.h"

#include <QDir>
#include <QFileInfo>

namespace PathPicker {

TBrowseStart BrowseStartFolder(const QString &editText, const QString &defaultDir, const QString &documentsFolder)
{
    TBrowseStart s;
    if (!editText.isEmpty()) {
        QString start = editText;
        while (start.size() >= 3 && !QFileInfo(start).isDir()) {
            QString trimmed = start;
            while (trimmed.size() > 1 && (trimmed.endsWith(u'/') || trimmed.endsWith(u'\\')))
                trimmed.chop(1);
            const QString parent = QFileInfo(trimmed).path();
            if (parent == start || parent == QLatin1String("."))
                break;
            start = parent;
        }
        if (start.size() <= 2 || !QFileInfo(start).isDir())
            start = documentsFolder;
        s.folder = start;
        return s;
    }
    if (defaultDir.size() > 2) {
        if (!QFileInfo(defaultDir).isDir() && QDir().mkpath(defaultDir))
            s.created = defaultDir;
        s.folder = defaultDir;
    } else {
        s.folder = documentsFolder;
    }
    return s;
}

QString DroppedFolder(const QStringList &names, const QString &editFolder)
{
    if (names.size() != 1)
        return QString();
    const QFileInfo fi(names.first());
    const QString folder = fi.isDir() ? fi.absoluteFilePath() : fi.absolutePath();
    if (!QFileInfo(folder).isDir())
        return QString();
    if (DirectoryWithDelimiter(folder) == DirectoryWithDelimiter(editFolder))
        return QString();
    return DirectoryWithoutDelimiter(folder);
}

QString DirectoryWithDelimiter(const QString &path)
{
    return WithTrailingChar(path, QLatin1Char('/'));
}

QString DirectoryWithoutDelimiter(const QString &path)
{
    QString p = path;
    while (p.size() > 1 && p.endsWith(u'/'))
        p.chop(1);
    return p;
}

QString FindFileFilter(const QString &caption, const QString &proposedName)
{
    const QString name = QFileInfo(proposedName).fileName();
    const qsizetype dot = name.lastIndexOf(u'.');
    if (dot > 0) {
        const QString ext = name.mid(dot);
        return QStringLiteral("%1 files (*%2)|*%2|All files(*.*)|*.*").arg(caption, ext);
    }
    return QStringLiteral("All files(*.*)|*.*");
}

QString QtFilter(const QString &storedFilter)
{
    const QStringList parts = storedFilter.split(u'|');
    QStringList entries;
    for (int i = 0; i + 1 < parts.size(); i += 2) {
        QString desc = parts[i].trimmed();
        // The pattern in the description is shown again from the pattern part.
        const qsizetype open = desc.lastIndexOf(u'(');
        if (open > 0 && desc.endsWith(u')'))
            desc = desc.left(open).trimmed();
        QString pattern = parts[i + 1];
        pattern.replace(QLatin1String("*.*"), QLatin1String("*"));   // names without a dot too
        pattern.replace(u';', u' ');
        entries << QStringLiteral("%1 (%2)").arg(desc, pattern);
    }
    return entries.join(QLatin1String(";;"));
}

TValidation ValidateFile(const QString &editText, const QString &defaultName,
                         const std::function<bool(const QString &)> &fileExists)
{
    TValidation v;
    v.path = editText;
    if (defaultName == QLatin1String("@")) {
        v.state = TValidity::Exempt;
        return v;
    }
    if (defaultName.contains(u'*')) {
        v.state = TValidity::Unavailable;
        return v;
    }
    if ((editText.isEmpty() || editText == QLatin1String("?")) && !defaultName.isEmpty())
        v.path = defaultName;
    v.state = (!v.path.isEmpty() && fileExists(v.path)) ? TValidity::Valid : TValidity::Missing;
    return v;
}

QString DefaultWithExtension(const QString &defaultName, const QString &extension)
{
    if (defaultName.isEmpty() || extension.isEmpty())
        return QString();
    const QString ext = extension.startsWith(u'.') ? extension : QLatin1Char('.') + extension;
    const QFileInfo fi(defaultName);
    const QString name = fi.fileName();
    const qsizetype dot = name.lastIndexOf(u'.');
    const QString base = dot > 0 ? name.left(dot) : name;
    const QString folder = defaultName.left(defaultName.size() - name.size());
    const QString candidate = folder + base + ext;
    return QFileInfo(candidate).isFile() ? candidate : QString();
}

QStringList ReloadedItems(const QStringList &lines)
{
    QStringList items = lines;
    for (qsizetype i = items.size() - 1; i >= 0; --i)
        if (items[i].size() <= 1)
            items.removeAt(i);
    return items;
}

bool NeedsReload(const QDateTime &fileTime, const QDateTime &saveTime)
{
    if (!fileTime.isValid())
        return false;
    return !saveTime.isValid() || fileTime > saveTime;
}

} // namespace PathPicker
