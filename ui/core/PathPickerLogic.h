#pragma once
// The decisions of the folder and file pickers, kept apart from the frames
// so they can be checked without a window.

#include <QDateTime>
#include <QString>
#include <QStringList>

#include <functional>

namespace PathPicker {

// Where the folder dialog opens. With a path in the edit: its nearest
// existing folder (the documents folder when none is left); without one:
// DefaultDir, created so the dialog can offer it, else the documents folder.
struct TBrowseStart
{
    QString folder;
    QString created;   // a proposal folder created for the dialog, else empty
};
// editText: the edit's text; defaultDir: the picker's DefaultDir.
// Creates DefaultDir (with its parents) when it is proposed.
TBrowseStart BrowseStartFolder(const QString &editText, const QString &defaultDir, const QString &documentsFolder);

// The folder a drop stands for: only exactly one item counts, a file stands
// for its folder; empty when the drop changes nothing (missing folder, or the
// folder the edit already shows).
QString DroppedFolder(const QStringList &names, const QString &editFolder);

// With and without a trailing delimiter; empty stays empty.
QString DirectoryWithDelimiter(const QString &path);
QString DirectoryWithoutDelimiter(const QString &path);

// The file picker's dialog filter in its stored form "desc|pattern|...".
QString FindFileFilter(const QString &caption, const QString &proposedName);
// The same filter as Qt file dialogs write it ("desc (pattern);;...").
QString QtFilter(const QString &storedFilter);

enum class TValidity { Valid, Exempt, Unavailable, Missing };
struct TValidation
{
    TValidity state = TValidity::Valid;
    QString path;   // the path checked (the default name when the edit was empty or "?")
};
// The verdict before any dialog: visible and the tag-1 (optional) rule are
// the caller's; fileExists is injectable for tests.
TValidation ValidateFile(const QString &editText, const QString &defaultName,
                         const std::function<bool(const QString &)> &fileExists);

// The default name with its extension replaced when that file exists, else empty.
QString DefaultWithExtension(const QString &defaultName, const QString &extension);

// Items reloaded from a definition file's lines: walking from the last,
// items longer than one character stay (all ticked), the rest go.
QStringList ReloadedItems(const QStringList &lines);
// True when the file changed after the save time and should be reloaded.
bool NeedsReload(const QDateTime &fileTime, const QDateTime &saveTime);

} // namespace PathPicker
