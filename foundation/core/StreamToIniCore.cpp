#include "StreamToIniCore.h"

#include "Errors.h"
#include "SharedRoutinesCommon.h"
#include "TextFile.h"

namespace StreamToIniFormat {
namespace {

bool isBlank(QChar c)
{
    return c.unicode() <= 32;
}

bool needsQuotes(const QString &item)
{
    for (const QChar c : item) {
        if (isBlank(c) || c == u'"' || c == u',')
            return true;
    }
    return false;
}

bool isFlagLetter(QChar c)
{
    return c == u'Y' || c == u'N';
}

} // namespace

QString KindSection(quint16 kind)
{
    switch (kind) {
    case skCaption: return QStringLiteral("[Captions]");
    case skComboBox: return QStringLiteral("[ComboBoxes]");
    case skEdit: return QStringLiteral("[Editboxes]");
    case skIncCombo: return QStringLiteral("[IncComboBoxes]");
    case skCheckListBox: return QStringLiteral("[CheckListBoxes]");
    case skMemo: return QStringLiteral("[Memos]");
    case skStringListHolder: return QStringLiteral("[StringListHolders]");
    case skFrameEdits: return QStringLiteral("[TFrames]");
    case skCheckBox: return QStringLiteral("[Checkboxes]");
    case skRadioGroup: return QStringLiteral("[RadioGroups]");
    default: return QString();
    }
}

QString CommaText(const QStringList &items)
{
    if (items.size() == 1 && items.first().isEmpty())
        return QStringLiteral("\"\"");
    QString out;
    for (qsizetype i = 0; i < items.size(); ++i) {
        if (i > 0)
            out += u',';
        const QString &item = items.at(i);
        if (needsQuotes(item)) {
            out += u'"';
            for (const QChar c : item) {
                if (c == u'"')
                    out += u'"';
                out += c;
            }
            out += u'"';
        } else {
            out += item;
        }
    }
    return out;
}

QStringList FromCommaText(const QString &text)
{
    return SplitCommaText(text, TCommaBlanks::Separate);
}

QString WithoutOuterChars(const QString &text)
{
    return text.size() <= 2 ? QString() : text.mid(1, text.size() - 2);
}

QString CheckListItemLine(const TCheckListItem &item)
{
    return BoolToYN(item.checked) + BoolToYN(item.enabled) + item.text;
}

QString IncComboItemLine(const TIncComboItem &item)
{
    return item.text + QStringLiteral("==") + item.key;
}

TIncComboItem SplitIncComboLine(const QString &line)
{
    const qsizetype at = line.indexOf(QStringLiteral("=="));
    if (at < 0)
        return {line, QString()};
    return {line.left(at), line.mid(at + 2)};
}

QString HolderEntryLine(int object, const QString &text)
{
    return QString::number(object) + u'@' + text;
}

void SplitHolderEntryLine(const QString &line, int &object, QString &text)
{
    const qsizetype at = line.indexOf(u'@');
    object = TextToInt(at < 0 ? line : line.left(at));
    text = at < 0 ? QString() : line.mid(at + 1);
}

QString ComboSelectionValue(int index, const QString &text)
{
    return index >= 0 ? QString::number(index) : text;
}

int ComboIndexFromValue(const QString &value, int itemCount)
{
    const QString t = TrimControls(value);
    if (t.isEmpty() || t.size() > 9)   // more digits than any item count
        return -1;
    for (const QChar c : t) {
        if (c < u'0' || c > u'9')
            return -1;
    }
    const int index = t.toInt();
    return index < itemCount ? index : -1;
}

int TextToInt(const QString &text)
{
    int value = 0;
    if (!TryTextToInt(text, value))
        throw EConvertError(QStringLiteral("'%1' is not a valid integer value").arg(text));
    return value;
}

} // namespace StreamToIniFormat

using namespace StreamToIniFormat;

// ---- The string list ----------------------------------------------------------

int TStreamToIniCore::add(const QString &line)
{
    m_lines.append(line);
    return count() - 1;
}

int TStreamToIniCore::indexOf(const QString &line) const
{
    for (int i = 0; i < count(); ++i) {
        if (SameText(m_lines.at(i), line))
            return i;
    }
    return -1;
}

QString TStreamToIniCore::nameAt(int index) const
{
    const QString &line = m_lines.at(index);
    const qsizetype eq = line.indexOf(u'=');
    return eq < 0 ? QString() : line.left(eq);
}

QString TStreamToIniCore::valueAt(int index) const
{
    const QString &line = m_lines.at(index);
    const qsizetype eq = line.indexOf(u'=');
    return eq < 0 ? QString() : line.mid(eq + 1);
}

// ---- Keys -----------------------------------------------------------------------

int TStreamToIniCore::IndexOfName(const QString &name) const
{
    for (int i = 0; i < count(); ++i) {
        const QString &line = m_lines.at(i);
        const qsizetype eq = line.indexOf(u'=');
        if (eq >= 0 && eq == name.size() && SameText(line.left(eq), name))
            return i;
    }
    return -1;
}

void TStreamToIniCore::WriteValue(const QString &name, const QString &value)
{
    const int i = IndexOfName(name);
    if (value.isEmpty()) {
        if (i >= 0)
            m_lines.removeAt(i);
        return;
    }
    const QString line = name + u'=' + value;
    if (i < 0)
        m_lines.append(line);
    else
        m_lines[i] = line;
}

int TStreamToIniCore::IndexOfKey(const QString &name) const
{
    const int i = IndexOfName(name);
    if (i >= 0 || !name.contains(u'.'))
        return i;
    // The short key serves lines written without the window prefix. A name
    // ending in "." has no short key (it would match lines beginning with "=").
    const QString shortKey = TextAfterLast(name, QStringLiteral("."));
    return shortKey.isEmpty() ? -1 : IndexOfName(shortKey);
}

QString TStreamToIniCore::ReadValue(const QString &name) const
{
    const int i = IndexOfKey(name);
    return i < 0 ? QString() : valueAt(i);
}

// ---- Files ------------------------------------------------------------------------

void TStreamToIniCore::SaveToFile(const QString &path)
{
    const QString formatLine = FileFormatName + QStringLiteral("=1");
    const int i = IndexOfName(FileFormatName);
    if (i < 0)
        m_lines.insert(0, formatLine);
    else
        m_lines[i] = formatLine;
    const QString &last = m_lines.last();
    if (!last.isEmpty() && !last.startsWith(u'['))
        m_lines.append(EndMarker);
    TextFile::writeLines(path, m_lines);
}

void TStreamToIniCore::LoadFromFile(const QString &path)
{
    m_lines = TextFile::readLines(path);
    FileFormat = ReadValue(FileFormatName) == QLatin1String("1");
}

// ---- Save pass lines ------------------------------------------------------------------

void TStreamToIniCore::AppendFormHeader(const QString &window)
{
    m_lines.append(QStringLiteral("[Form - ") + window + u']');
}

void TStreamToIniCore::AppendCaption(const QString &window, const QString &caption)
{
    m_lines.append(KindSection(skCaption));
    WriteValue(window + QStringLiteral(".Caption"), caption);
}

void TStreamToIniCore::AppendEntry(const QString &path, const QString &value)
{
    m_lines.append(path + u'=' + value);
}

void TStreamToIniCore::AppendComboBox(const QString &window, const QString &name, int index, const QString &text,
                                      const QStringList &items, bool withItems)
{
    const QString path = window + u'.' + name;
    m_lines.append(QStringLiteral("[TComboBox - ") + name + u']');
    AppendEntry(path, ComboSelectionValue(index, text));
    if (withItems && !items.isEmpty())
        m_lines.append(path + QStringLiteral(".Content=(") + CommaText(items) + u')');
}

void TStreamToIniCore::AppendIncCombo(const QString &window, const QString &name, int index, const QString &text,
                                      const QList<TIncComboItem> &items, bool withItems)
{
    const QString path = window + u'.' + name;
    m_lines.append(QStringLiteral("[TIncCombo - ") + path + u']');
    AppendEntry(path, ComboSelectionValue(index, text));
    if (withItems) {
        for (const TIncComboItem &item : items)
            m_lines.append(IncComboItemLine(item));
    }
}

void TStreamToIniCore::AppendCheckListBox(const QString &window, const QString &name,
                                          const QList<TCheckListItem> &items)
{
    const QString path = window + u'.' + name;
    m_lines.append(QStringLiteral("[TCheckListBox - ") + path + u']');
    AppendEntry(path, name);
    for (const TCheckListItem &item : items)
        m_lines.append(CheckListItemLine(item));
}

void TStreamToIniCore::AppendMemo(const QString &window, const QString &name, const QStringList &memoLines)
{
    const QString path = window + u'.' + name;
    m_lines.append(QStringLiteral("[TMemo - ") + path + u']');
    AppendEntry(path, name);
    m_lines += memoLines;
}

void TStreamToIniCore::AppendStringListHolder(const QString &window, const QString &name, const THolderData &data)
{
    const QString path = window + u'.' + name;
    m_lines.append(QStringLiteral("[TStringListHolder - ") + path + u']');
    AppendEntry(path, name);
    WriteValue(path + QStringLiteral(".MaxLen"), QString::number(data.maxLen));
    WriteValue(path + QStringLiteral(".SaveObjects"), BoolToYN(data.saveObjects));
    for (qsizetype i = 0; i < data.entries.size(); ++i) {
        if (data.saveObjects)
            m_lines.append(HolderEntryLine(i < data.objects.size() ? data.objects.at(i) : 0, data.entries.at(i)));
        else
            m_lines.append(data.entries.at(i));
    }
}

// ---- Restore pass reading --------------------------------------------------------------

int TStreamToIniCore::ListBlockEnd(int first) const
{
    int i = first;
    while (i < count() && !m_lines.at(i).isEmpty() && !m_lines.at(i).startsWith(u'['))
        ++i;
    return i;
}

int TStreamToIniCore::TextBlockEnd(int first) const
{
    int i = first;
    while (i < count() && !m_lines.at(i).startsWith(u'['))
        ++i;
    return i;
}

QStringList TStreamToIniCore::ReadComboItems(const QString &path) const
{
    return FromCommaText(WithoutOuterChars(ReadValue(path + QStringLiteral(".Content"))));
}

QList<TIncComboItem> TStreamToIniCore::ReadIncComboItems(int keyIndex) const
{
    QList<TIncComboItem> items;
    const int end = ListBlockEnd(keyIndex + 1);
    for (int i = keyIndex + 1; i < end; ++i) {
        const TIncComboItem item = SplitIncComboLine(m_lines.at(i));
        bool present = false;
        for (const TIncComboItem &had : std::as_const(items)) {
            if (SameText(had.text, item.text)) {
                present = true;
                break;
            }
        }
        if (!present)
            items.append(item);
    }
    return items;
}

void TStreamToIniCore::ReadCheckListItems(int keyIndex, bool restoreEnabled, QList<TCheckListItem> &items) const
{
    const int first = keyIndex + 1;
    const int end = ListBlockEnd(first);
    // Older writers put one flag letter before the text; without the format
    // line, any line not starting with two flag letters marks such a file.
    bool twoFlags = true;
    if (!FileFormat) {
        for (int i = first; i < end && twoFlags; ++i) {
            const QString &line = m_lines.at(i);
            twoFlags = line.size() >= 2 && isFlagLetter(line[0]) && isFlagLetter(line[1]);
        }
    }
    const int textStart = twoFlags ? 2 : 1;
    for (int i = first; i < end; ++i) {
        const QString &line = m_lines.at(i);
        TCheckListItem item;
        item.checked = TextToBool(line.left(1));
        if (twoFlags && restoreEnabled)
            item.enabled = TextToBool(line.mid(1, 1));
        item.text = line.mid(textStart);
        items.append(item);
    }
}

QStringList TStreamToIniCore::ReadMemoLines(int keyIndex) const
{
    const int first = keyIndex + 1;
    return m_lines.mid(first, TextBlockEnd(first) - first);
}

void TStreamToIniCore::ReadStringListHolder(int keyIndex, THolderData &data) const
{
    // Further keys use the name of the line found, so a short key serves too.
    const QString name = nameAt(keyIndex);
    const QString maxLen = ReadValue(name + QStringLiteral(".MaxLen"));
    if (!maxLen.isEmpty())
        data.maxLen = TextToInt(maxLen);
    const QString saveObjectsKey = name + QStringLiteral(".SaveObjects");
    const QString saveObjects = ReadValue(saveObjectsKey);
    if (!saveObjects.isEmpty())
        data.saveObjects = TextToBool(saveObjects, false);

    if (!FileFormat) {
        // Older files kept the entries as the parenthesised comma text of the key line.
        const QStringList entries = FromCommaText(WithoutOuterChars(valueAt(keyIndex)));
        for (const QString &entry : entries) {
            data.entries.append(entry);
            data.objects.append(0);
        }
        return;
    }
    const int first = keyIndex + (IndexOfKey(saveObjectsKey) >= 0 ? 3 : 2);
    const int end = TextBlockEnd(first);
    for (int i = first; i < end; ++i) {
        int object = 0;
        QString text = m_lines.at(i);
        if (data.saveObjects)
            SplitHolderEntryLine(m_lines.at(i), object, text);
        data.entries.append(text);
        data.objects.append(object);
    }
}
