#pragma once
// The widget-free half of the form state list: a list of INI-like lines
// (name=value lines and "[...]" section lines) with key lookup, the file
// format line and end marker, and the exact line formats the save and
// restore passes of TStreamToIni write and read. Job files of both main
// windows are such lists, so every format here is a stored contract.

#include <QList>
#include <QString>
#include <QStringList>

// Control kinds of a pass (bits of the kinds set).
enum TStreamKind : quint16 {
    skCaption = 0x001,
    skComboBox = 0x002,
    skEdit = 0x004,
    skIncCombo = 0x008,
    skCheckListBox = 0x010,
    skMemo = 0x020,
    skStringListHolder = 0x040,
    skFrameEdits = 0x080,   // only together with skEdit
    skCheckBox = 0x100,
    skRadioGroup = 0x200,
};
constexpr quint16 skAllKinds = 1023;

// Content options of a pass.
enum TStreamOption : quint8 {
    soNoComboItems = 2,         // combo box item lists neither written nor restored
    soNoIncComboItems = 8,      // the same for incremental combo boxes
    soNoCheckListEnabled = 16,  // check list items' enabled state not restored (always written)
};
constexpr quint8 soDefaultOptions = 26;

struct TCheckListItem
{
    QString text;
    bool checked = false;
    bool enabled = true;
};

struct TIncComboItem
{
    QString text;
    QString key;
};

// What a string list holder carries in the file.
struct THolderData
{
    int maxLen = 0;
    bool saveObjects = false;
    QStringList entries;
    QList<int> objects;   // one per entry
};

namespace StreamToIniFormat {

inline const QString FileFormatName = QStringLiteral("StreamToIni.FileFormat");
inline const QString EndMarker = QStringLiteral("[Konyec szkazki]");

// Section line of a kind ("[Editboxes]", ...); empty for a set of several bits.
QString KindSection(quint16 kind);

// The string list's comma text: items with characters up to blank, commas or
// double quotes are quoted, embedded quotes doubled; a single empty item is "".
QString CommaText(const QStringList &items);
// Reads comma text back (SplitCommaText with TCommaBlanks::Separate):
// unquoted items also end at blanks.
QStringList FromCommaText(const QString &text);
// The text without its first and last character (the parentheses of a list value).
QString WithoutOuterChars(const QString &text);

QString CheckListItemLine(const TCheckListItem &item);
QString IncComboItemLine(const TIncComboItem &item);
// Split at the first "=="; a line without it is all item text.
TIncComboItem SplitIncComboLine(const QString &line);
QString HolderEntryLine(int object, const QString &text);
// Split at the first "@": the object number before (raises EConvertError
// when it is not an integer), the entry text after.
void SplitHolderEntryLine(const QString &line, int &object, QString &text);

// The stored combo box selection: the item index, or the text when none is selected.
QString ComboSelectionValue(int index, const QString &text);
// The item a stored selection value selects: decimal digits (after trimming)
// below the item count; -1 when the value is to become the box's text.
int ComboIndexFromValue(const QString &value, int itemCount);

// Integer of a stored value; raises EConvertError "'%s' is not a valid integer value".
int TextToInt(const QString &text);

} // namespace StreamToIniFormat

class TStreamToIniCore
{
public:
    // Set by LoadFromFile when the file carries the format line with "1".
    bool FileFormat = false;

    TStreamToIniCore() = default;
    virtual ~TStreamToIniCore() = default;
    TStreamToIniCore(const TStreamToIniCore &) = default;
    TStreamToIniCore &operator=(const TStreamToIniCore &) = default;

    // ---- The string list --------------------------------------------------
    const QStringList &lines() const { return m_lines; }
    void setLines(const QStringList &lines) { m_lines = lines; }
    int count() const { return int(m_lines.size()); }
    bool isEmpty() const { return m_lines.isEmpty(); }
    const QString &at(int index) const { return m_lines.at(index); }
    void setLine(int index, const QString &line) { m_lines[index] = line; }
    int add(const QString &line);
    void addLines(const QStringList &lines) { m_lines += lines; }
    void insert(int index, const QString &line) { m_lines.insert(index, line); }
    void removeAt(int index) { m_lines.removeAt(index); }
    void clear() { m_lines.clear(); }
    // First line equal to the text, case-insensitive; -1 when none.
    int indexOf(const QString &line) const;
    // Name part (text before the first "="); empty for a line without "=".
    QString nameAt(int index) const;
    // Text after the first "="; empty for a line without "=".
    QString valueAt(int index) const;

    // ---- Keys ---------------------------------------------------------------
    // First line whose name part equals name, case-insensitive; lines
    // without "=" have no name. -1 when none.
    int IndexOfName(const QString &name) const;
    // Value assignment: the first line of that name becomes name=value, a
    // missing name is appended; an empty value removes the line.
    void WriteValue(const QString &name, const QString &value);
    // IndexOfName, falling back to the part after the last "." of a dotted name.
    int IndexOfKey(const QString &name) const;
    QString ReadValue(const QString &name) const;

    // ---- Files --------------------------------------------------------------
    // Puts the format line first (or sets it to "1"), appends the end marker
    // when the last line is neither empty nor a section line, then writes.
    void SaveToFile(const QString &path);
    // Replaces the lines by the file's; raises EFileError and keeps the lines
    // when the file cannot be read.
    void LoadFromFile(const QString &path);

    // ---- Save pass lines ----------------------------------------------------
    void AppendFormHeader(const QString &window);
    // "[Captions]" and the caption under window + ".Caption" (none when empty).
    void AppendCaption(const QString &window, const QString &caption);
    // path=value: edits, edits inside frames, check boxes, radio groups.
    void AppendEntry(const QString &path, const QString &value);
    void AppendComboBox(const QString &window, const QString &name, int index, const QString &text,
                        const QStringList &items, bool withItems);
    void AppendIncCombo(const QString &window, const QString &name, int index, const QString &text,
                        const QList<TIncComboItem> &items, bool withItems);
    void AppendCheckListBox(const QString &window, const QString &name, const QList<TCheckListItem> &items);
    void AppendMemo(const QString &window, const QString &name, const QStringList &memoLines);
    void AppendStringListHolder(const QString &window, const QString &name, const THolderData &data);

    // ---- Restore pass reading -----------------------------------------------
    // Items of path + ".Content" (empty when the line is missing).
    QStringList ReadComboItems(const QString &path) const;
    // Item lines after the key line; a text already read is not repeated.
    QList<TIncComboItem> ReadIncComboItems(int keyIndex) const;
    // Appends the items after the key line one by one, so that the items read
    // before a bad check mark are there when its EConvertError leaves.
    void ReadCheckListItems(int keyIndex, bool restoreEnabled, QList<TCheckListItem> &items) const;
    QStringList ReadMemoLines(int keyIndex) const;
    // Fills data step by step (cleared data expected); a bad number raises
    // EConvertError with what was read before left in data.
    void ReadStringListHolder(int keyIndex, THolderData &data) const;

    // One past the last line of a list block starting at first: it ends at an
    // empty line, a line beginning with "[" or the end.
    int ListBlockEnd(int first) const;
    // The same for text blocks, which end only at a non-empty line beginning
    // with "[" (empty lines belong to the text).
    int TextBlockEnd(int first) const;

private:
    QStringList m_lines;
};
