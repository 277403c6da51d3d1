#pragma once
// The routine library every part of the system calls: per-user settings,
// text helpers, command-line parsing, value conversion, file and folder
// helpers, path utilities and string-list sorting. QtCore only; the few
// routines that need widgets live in WidgetRoutines / LayoutHelpers.

#include "Errors.h"

#include <QDateTime>
#include <QString>
#include <QStringList>

#include <functional>

// ---- Per-user settings ---------------------------------------------------
using TSettingsReader = std::function<QString(const QString &name)>;
using TSettingsWriter = std::function<void(const QString &name, const QString &text)>;

void SetSettingsProgram(const QString &name);
void SetSettingsSection(const QString &name);
QString SettingsProgram();
QString SettingsSection();
// Installs the two procedures all typed setting routines go through; an
// empty function restores the QSettings implementation.
void SetSettingsProcedures(TSettingsReader reader, TSettingsWriter writer);
// The QSettings implementation (key "Velmora/<program>/<section>"): reading
// an empty or missing value writes it back as an empty string.
QString RegistrySettingsReader(const QString &name);
void RegistrySettingsWriter(const QString &name, const QString &text);

void WriteSetting(const QString &name, const QString &text);
void WriteSettingBool(const QString &name, bool flag);
void WriteSettingInt(const QString &name, int value);
QString ReadSetting(const QString &name, const QString &defaultText = QString());
bool ReadSettingBool(const QString &name, bool defaultFlag = false);
int ReadSettingInt(const QString &name, int defaultValue = 0);

// ---- Text helpers ----------------------------------------------------------
bool StartsWith(const QString &prefix, const QString &text);
bool StartsWithText(const QString &prefix, const QString &text);
QString TextAfter(const QString &text, const QString &separator);
QString TextAfterLast(const QString &text, const QString &separator);
QString TextBefore(const QString &text, const QString &separator);
QString TextBeforeLast(const QString &text, const QString &separator);
QString CapitalizeFirst(const QString &text);
QString CapitalizeWords(const QString &text);
QString CollapseRepeats(const QString &text, QChar c);
QString CollapseWhitespace(const QString &text);
QString SpreadLetters(const QString &text);
QString RemoveAccents(const QString &text);
// Bytes in, bytes out: a text holding UTF-8 sequences becomes one byte per sequence.
QByteArray Utf8ToSingleByte(const QByteArray &bytes);
// The same over a text read as code page 1250.
QString Utf8ToSingleByte(const QString &text);
bool MatchesMask(const QString &name, const QString &mask, bool allowLonger);
// Code-page aware case-insensitive comparison and upper/lower case.
int CompareText(const QString &a, const QString &b);
bool SameText(const QString &a, const QString &b);
QString UpperCase(const QString &text);
QString LowerCase(const QString &text);
// Characters 0..32 removed from both ends.
QString TrimControls(const QString &text);

// Comma text: items separated by commas, each optionally double-quoted (""
// inside quotes is one quote; an unterminated quote runs to the end), blanks
// around items dropped; empty or blank text has no items. Stored lists and
// settings values differ only in what a blank outside quotes is, because the
// lists were always written with blanks as separators while settings values
// are hand-edited captions with blanks inside.
enum class TCommaBlanks {
    // Stored lists (job files, string-list holders): characters 0..32
    // separate unquoted items like a comma, text right after a closing quote
    // is the next item, and a comma followed only by blanks ends the list.
    Separate,
    // Settings values: blanks (QChar::isSpace) inside an unquoted item stay,
    // text after a closing quote up to the comma is dropped, and a last comma
    // always adds an empty item.
    Trim,
};
QStringList SplitCommaText(const QString &text, TCommaBlanks blanks);

// ---- Command-line parsing --------------------------------------------------
// Over the program's own arguments (1..n) ...
bool CommandLineSwitch(const QString &option, bool defaultFlag = false);
bool CommandLineValue(const QString &option, QString &value);
// ... or over a given list of arguments (without the program name).
bool CommandLineSwitch(const QStringList &args, const QString &option, bool defaultFlag = false);
bool CommandLineValue(const QStringList &args, const QString &option, QString &value);

// ---- Value conversion ------------------------------------------------------
QString BoolToYN(bool flag);
bool TextToBool(const QString &text);                    // raises EConvertError
bool TextToBool(const QString &text, bool defaultFlag);  // empty text gives the default
bool IsIntegerText(const QString &text);
bool TryTextToInt(const QString &text, int &value);

// ---- File and folder helpers -----------------------------------------------
QString TempFilePath(const QString &fileName);
QString UniqueTempFileName(const QString &extension);
void FindFiles(const QString &root, const QString &subfolder, const QString &mask, int depth,
               QStringList &list, const QString &extensions);
void FindFilesByExtension(const QString &root, const QString &subfolder, const QString &extensions, QStringList &list);
void FindFilesByMask(const QString &root, const QString &subfolder, const QString &mask, QStringList &list,
                     const QString &extensions);
void FindFilesToDepth(const QString &root, const QString &subfolder, const QString &extensions, int depth,
                      QStringList &list);
QString DocumentsFolder();
QString ExpandEnvironment(const QString &text);
// The version strings compiled in: "FileVersion", "ProductVersion",
// "CompanyName", "ProductName", "LegalCopyright", "FileDescription",
// "InternalName", "OriginalFilename"; empty for other keys.
QString ProgramVersionString(const QString &key);
// Desktop file-type registration (freedesktop MIME type + desktop entries
// under the user's data folder). False on failure, never raises.
bool RegisterFileExtension(const QString &extension, const QString &fileType);
bool RegisterFileTypeIcon(const QString &fileType, const QString &icon);
bool RegisterFileTypeVerb(const QString &fileType, const QString &verb, const QString &caption,
                          const QString &command);
// Copies a Qt resource (":/name" or "name" under ":/<type>/") into a new
// temporary file; raises EFileError on failure.
QString ResourceToTempFile(const QString &resourceName, const QString &resourceType);

// ---- Path and file utilities -----------------------------------------------
bool HasDriveLetter(const QString &path);
bool IsAbsolutePath(const QString &path);
QString WithTrailingChar(const QString &text, QChar c);
// A path as stored in job and settings files ("\" accepted) with "/" delimiters.
QString FromStoredPath(QString path);
// A stored program or file item: as written when it is absolute, else below root.
QString StoredPathBelow(const QString &root, const QString &item);
QString NormalizePath(const QString &path, QChar delimiter = QLatin1Char('/'));
QString ResolvePath(const QString &path, const QString &baseFolder, QChar delimiter = QLatin1Char('/'));
QDateTime FileModifiedTime(const QString &fileName);   // invalid when the file does not exist
enum TFileAttribute {
    faReadOnly = 0x01,
    faHidden = 0x02,
    faSystem = 0x04,
    faDirectory = 0x10,
    faArchive = 0x20,
};
bool FileHasAttribute(const QString &fileName, int attributes);
void CopyFileTo(const QString &source, const QString &destination);  // raises EFileError
void MoveFileTo(const QString &source, const QString &destination);  // raises EFileError

// ---- String-list sorting and lookup ----------------------------------------
QString ListName(const QString &line);   // part before the first "=" (all of it when none)
void SortListByName(QStringList &list, const std::function<void()> &progress = {});
int FindFirstByName(const QStringList &list, const QString &name);

// ---- Name=Value texts (the settings files of both main windows) ------------
// The first line whose part before the first "=" equals name, case-insensitive;
// lines without "=" (comments) have no name. -1 when there is none.
int IndexOfNameIn(const QStringList &lines, const QString &name);
// Everything after the first "=" of that line; empty when there is none.
QString ValueOfNameIn(const QStringList &lines, const QString &name);
// The first line of that name gets the value (its spelling of the name
// stays), or name=value is appended.
void SetValueOfNameIn(QStringList &lines, const QString &name, const QString &value);
// A parenthesised list value "(a=1,b,"c d")": the text after the first "("
// and before the last ")", split as settings comma text.
QStringList ParenthesisedItems(const QString &value);
// The integer of "0" followed by the text, so that empty gives 0; raises
// EConvertError "'0<text>' is not a valid integer value".
int ZeroPrefixedInt(const QString &text);
// The "Date Written" stamp: the locale's short date and long time, without a time zone.
QString DateWrittenText(const QDateTime &moment);

// ---- Job names and captions -------------------------------------------------
// Product and system names: not empty, not starting with a digit.
bool NameIsValid(const QString &name);
// The caption cut before its last " [", then " [" + job name + "]" and
// whatever followed the last "]".
QString CaptionWithJobName(const QString &caption, const QString &jobName);
// The caption's part before the last " - ", then " - " + item.
QString CaptionWithItem(const QString &caption, const QString &item);

// ---- Programs ----------------------------------------------------------------
// The file a program path stands for, used wherever a program is validated
// or started: the path as written ("\" read as "/") when that file exists,
// else the same path without its ".exe" (any case) when that one exists,
// else the path as written.
QString ProgramFile(const QString &path);
bool ProgramFileExists(const QString &path);
// The tool root: root without trailing delimiter; when its last component is
// toolsFolder (case-insensitive) and root + installSubPath is a folder, that folder.
QString ToolRootOf(const QString &root, const QString &toolsFolder, const QString &installSubPath);
// The places DOSBox is looked for on this platform, in order.
QStringList DefaultDosBoxCandidates();
// Starts DOSBox once in folder so that it writes its default configuration
// file configName there, and waits for it at most timeoutMs.
void WriteDosBoxConfig(const QString &program, const QString &folder, const QString &configName, int timeoutMs);

class IReporter;

// DOSBox as the settings of a program find it.
struct TDosBoxLocation
{
    bool active = false;   // a program and its configuration beside the settings file
    QString program;
    QString configFile;
};
// The first of candidates that exists, else storedLocation, else the user is
// asked (a choice goes to store, a cancel is warned about); then DOSBox's
// configuration configName is written into settingsFolder when it is not
// there yet. Not active without a program or a configuration.
TDosBoxLocation LocateDosBox(const QStringList &candidates, const QString &storedLocation, const QString &settingsFolder,
                             const QString &configName, int timeoutMs, IReporter *reporter,
                             const std::function<void(const QString &program)> &store);
// Sets the location line locationName=path in settings lines: the only line
// of that name (an empty one before it would hide it), placed after the
// line named useName, or appended.
void SetLocationLine(QStringList &lines, const QString &locationName, const QString &useName, const QString &path);
