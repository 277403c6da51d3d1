#pragma once
// Routines the shell's staging and the workbench's converter run share:
// the common root of a set of source paths, the four-digit generated
// names, the short (four characters with the dot) upper-case extension and
// the masked count-or-delete of generated files.

#include <QSet>
#include <QString>
#include <QStringList>

namespace Staging {

// "0007" for 7.
QString Num4(int n);
// The drive part of a path: "C:", "//server/share", or empty.
QString DriveOf(const QString &path);
// The extension with its dot ("" when none).
QString ExtensionOf(const QString &path);
// The extension upper-cased and cut to four characters with the dot.
QString ShortExtension(const QString &path);

struct TCommonRoot
{
    QString Root;   // without trailing delimiter
    int Depth = 0;  // largest folder count minus the common folder count
};
// The longest common folder of the paths, keeping two levels below it for
// components and modules unless fullDepth (the name-by-directory depth).
// Paths on different drives raise EQuenbarError with the user's message.
TCommonRoot CommonRootOf(const QStringList &paths, bool fullDepth);

// Counts, and unless countOnly deletes, the files in folder (+ subfolder)
// and its sub-folders down to depth levels whose upper-cased name, with
// every digit as "#", starts with mask ("*.*" or empty: every file).
// Folders emptied by deleting are removed; linked folders are never
// entered. Depth 0 or less does nothing.
// Files named in keep (full paths) are neither counted nor deleted.
int CleanFolder(const QString &folder, const QString &subfolder, int depth, bool countOnly, const QString &mask,
                const QSet<QString> *keep = nullptr);
// The mask test of CleanFolder for one file name.
bool MatchesGeneratedMask(const QString &fileName, const QString &mask);

} // namespace Staging
