#include "KorvelXML.h"

#include "CodePage1250.h"
#include "TextFile.h"

#include <QLocale>

#include <cmath>
#include <cstring>
#include <deque>

namespace {

const QString kCrLf = QStringLiteral("\r\n");

inline bool isWhite(char16_t c)
{
    return c == u' ' || c == u'\t' || c == u'\n' || c == u'\r';
}

inline bool isControl(char16_t c)
{
    return c <= 32;
}

// Exact comparison, inlined for the short names of tags.
inline bool sameChars(const QString &a, QStringView b)
{
    return a.size() == b.size() && std::memcmp(a.constData(), b.data(), std::size_t(b.size()) * sizeof(QChar)) == 0;
}

QString upperCased(const QString &text)
{
    return CodePage1250::toUpper(text);
}

QString removeControls(const QString &text)
{
    QString out;
    out.reserve(text.size());
    for (QChar c : text)
        if (!isControl(c.unicode()))
            out.append(c);
    return out;
}

QString indentOf(int level, bool useTabs)
{
    if (level <= 0)
        return QString();
    return useTabs ? QString(level, u'\t') : QString(qsizetype(level) * 2, u' ');
}

// Appends one line (already indented) and CR LF; in tab mode a line longer
// than the wrap column is broken at blanks outside quotes, continuations
// indented by level + 2 tabs. A line without such a blank stays long.
void appendLine(QString &out, const QString &line, int level, bool wrap, int wrapColumn)
{
    if (!wrap || line.size() <= wrapColumn) {
        out += line;
        out += kCrLf;
        return;
    }
    std::vector<qsizetype> blanks;
    char16_t quote = 0;
    const qsizetype n = line.size();
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t c = line[i].unicode();
        if (quote) {
            if (c == quote)
                quote = 0;
        } else if (c == u'"' || c == u'\'') {
            quote = c;
        } else if (c == u' ') {
            blanks.push_back(i);
        }
    }
    const QString continuation = QString(qMax(level, 0) + 2, u'\t');
    qsizetype start = 0;   // start of the current piece in line
    qsizetype base = 0;    // characters before the piece on its output line
    std::size_t k = 0;
    while (base + (n - start) > wrapColumn) {
        while (k < blanks.size() && blanks[k] <= start)
            ++k;
        if (k == blanks.size())
            break;
        // The last blank that keeps the piece within the column, or else the
        // first one after the piece start.
        std::size_t pick = k;
        while (pick + 1 < blanks.size() && base + (blanks[pick + 1] - start) <= wrapColumn)
            ++pick;
        if (base + (blanks[pick] - start) > wrapColumn)
            pick = k;
        out += QStringView(line).mid(start, blanks[pick] - start);
        out += kCrLf;
        out += continuation;
        start = blanks[pick] + 1;
        base = continuation.size();
        k = pick + 1;
    }
    out += QStringView(line).mid(start);
    out += kCrLf;
}

// A line without its first two and its last character: the name in "</name>".
QStringView closedName(const QString &text)
{
    if (text.size() < 3)
        return QStringView();
    return QStringView(text).sliced(2, text.size() - 3);
}

// The element names of one reading: every name is kept once, with its
// "<name>" and "</name>" texts, so the many nodes that repeat them share
// one string instead of allocating their own.
class NameTable
{
public:
    NameTable() : m_slots(64, -1) {}

    int entry(QStringView name)
    {
        const std::size_t h = hashOf(name);
        std::size_t mask = m_slots.size() - 1;
        for (std::size_t slot = h & mask;; slot = (slot + 1) & mask) {
            const int e = m_slots[slot];
            if (e < 0)
                break;
            if (m_entries[e].hash == h && sameChars(m_entries[e].name, name))
                return e;
        }
        m_entries.push_back({name.toString(), QString(), QString(), h, name.contains(u':'), name.contains(u'=')});
        const int e = int(m_entries.size()) - 1;
        if (m_entries.size() * 2 > m_slots.size()) {
            m_slots.assign(m_slots.size() * 2, -1);
            mask = m_slots.size() - 1;
            for (int k = 0; k < e; ++k)
                place(k, mask);
        }
        place(e, mask);
        return e;
    }

    const QString &name(int e) const { return m_entries[e].name; }
    bool hasColon(int e) const { return m_entries[e].colon; }
    bool hasEquals(int e) const { return m_entries[e].equals; }

    const QString &startTag(int e)
    {
        Entry &x = m_entries[e];
        if (x.startTag.isNull())
            x.startTag = u'<' + x.name + u'>';
        return x.startTag;
    }

    const QString &endTag(int e)
    {
        Entry &x = m_entries[e];
        if (x.endTag.isNull())
            x.endTag = QLatin1String("</") + x.name + u'>';
        return x.endTag;
    }

private:
    struct Entry
    {
        QString name;
        QString startTag;
        QString endTag;
        std::size_t hash;
        bool colon;
        bool equals;
    };

    static std::size_t hashOf(QStringView name)
    {
        std::size_t h = 1469598103934665603ull;
        for (QChar c : name)
            h = (h ^ c.unicode()) * 1099511628211ull;
        return h ^ (h >> 29);
    }

    void place(int e, std::size_t mask)
    {
        std::size_t slot = m_entries[e].hash & mask;
        while (m_slots[slot] >= 0)
            slot = (slot + 1) & mask;
        m_slots[slot] = e;
    }

    std::vector<Entry> m_entries;
    std::vector<int> m_slots;
};

[[noreturn]] void notFound(const QString &name)
{
    throw EXMLError(QStringLiteral("Tag \"%1\" doesn't exist").arg(name));
}

} // namespace

QString StripPrefix(const QString &text)
{
    const qsizetype colon = text.indexOf(u':');
    return colon < 0 ? text : text.mid(colon + 1);
}

// ---- TMyXMLNode -------------------------------------------------------------

TMyXMLNode::TMyXMLNode(int level, const QString &text)
    : Level(level)
{
    SetText(text);
}

void TMyXMLNode::SetText(const QString &text)
{
    // An empty-element tag ends in "/>"; a "/" inside a quoted value (such
    // as path="/") does not make one.
    IsEmpty = false;
    if (text.size() >= 2 && text[0] == u'<' && text[text.size() - 2] == u'/') {
        qsizetype quotes = 0;
        for (qsizetype i = 0; i < text.size() - 2; ++i)
            if (text[i] == u'"')
                ++quotes;
        IsEmpty = (quotes % 2) == 0;
    }
    if (IsEmpty)
        Text = text.first(text.size() - 2) + u'>';
    else
        Text = text;
    parseFields();
}

void TMyXMLNode::parseFields()
{
    HasAttributes = Text.contains(u'=');
    Name.clear();
    if (IsStartTag()) {
        qsizetype end = -1;
        if (HasAttributes)
            end = Text.indexOf(u' ', 1);
        if (end < 0)
            end = Text.indexOf(u'>', 1);
        if (end < 0)
            end = Text.size();
        Name = Text.mid(1, end - 1);
    }
    HasPrefix = Name.contains(u':');
}

bool TMyXMLNode::IsStartTag() const
{
    if (Text.size() < 2 || Text[0] != u'<')
        return false;
    const QChar c = Text[1];
    return c != u'!' && c != u'/' && c != u'?';
}

bool TMyXMLNode::IsEndTag() const
{
    return Text.startsWith(QLatin1String("</"));
}

bool TMyXMLNode::IsComment() const
{
    return Text.startsWith(QLatin1String("<!"));
}

bool TMyXMLNode::IsProcessingInstruction() const
{
    return Text.startsWith(QLatin1String("<?"));
}

bool TMyXMLNode::IsTextLine() const
{
    // Every line of two or more characters that begins with "<" is markup.
    return Text.size() < 2 || Text[0] != u'<';
}

QString TMyXMLNode::GetName() const
{
    if (IgnorePrefixes && HasPrefix)
        return StripPrefix(Name);
    return Name;
}

QStringView TMyXMLNode::LocalName() const
{
    QStringView name = Name;
    if (IgnorePrefixes && HasPrefix) {
        const qsizetype colon = name.indexOf(u':');
        if (colon >= 0)
            name = name.sliced(colon + 1);
    }
    return name;
}

namespace {

// The first occurrence of lead + name + '="' in text; the position after
// the quote or -1. Searches for the name and checks its neighbours, so no
// pattern text is built for each look-up.
qsizetype findAttribute(const QString &text, QChar lead, QStringView name)
{
    const qsizetype n = text.size();
    const qsizetype len = name.size();
    if (len == 0) {
        // lead followed by '="' directly
        for (qsizetype at = text.indexOf(lead); at >= 0 && at + 2 < n; at = text.indexOf(lead, at + 1))
            if (text[at + 1] == u'=' && text[at + 2] == u'"')
                return at + 3;
        return -1;
    }
    for (qsizetype at = text.indexOf(name, 1); at >= 0; at = text.indexOf(name, at + 1)) {
        const qsizetype end = at + len;
        if (end + 1 >= n)
            return -1;
        if (text[at - 1] == lead && text[end] == u'=' && text[end + 1] == u'"')
            return end + 2;
    }
    return -1;
}

} // namespace

qsizetype TMyXMLNode::attributeValueStart(const QString &name, bool *prefixedForm) const
{
    // The searched name: upper-cased with the node, without its prefix when
    // prefixes are ignored; no copy in the common case.
    QString folded;
    QStringView n = name;
    if (UpperCaseNames) {
        folded = upperCased(name);
        n = folded;
    }
    if (IgnorePrefixes) {
        const qsizetype colon = n.indexOf(u':');
        if (colon >= 0)
            n = n.sliced(colon + 1);
    }
    qsizetype at = findAttribute(Text, u' ', n);
    if (at >= 0) {
        if (prefixedForm)
            *prefixedForm = false;
        return at;
    }
    if (IgnorePrefixes) {
        at = findAttribute(Text, u':', n);
        if (at >= 0) {
            if (prefixedForm)
                *prefixedForm = true;
            return at;
        }
    }
    return -1;
}

bool TMyXMLNode::HasAttribute(const QString &name) const
{
    return attributeValueStart(name) >= 0;
}

QString TMyXMLNode::GetAttribute(const QString &name) const
{
    const qsizetype start = attributeValueStart(name);
    if (start < 0)
        return QString();
    qsizetype end = Text.indexOf(u'"', start);
    if (end < 0)
        end = Text.size();
    return Text.mid(start, end - start);
}

void TMyXMLNode::SetAttribute(const QString &name, const QString &value)
{
    const QString n = UpperCaseNames ? upperCased(name) : name;
    if (HasAttributes) {
        // An attribute that is present is replaced even when its value is
        // empty, so setting it never leaves a duplicate behind.
        const QString plain = u' ' + n + QLatin1String("=\"");
        qsizetype start = Text.indexOf(plain);
        if (start >= 0) {
            start += plain.size();
        } else if (!n.contains(u':')) {
            const QString prefixed = u':' + n + QLatin1String("=\"");
            start = Text.indexOf(prefixed);
            if (start >= 0)
                start += prefixed.size();
        }
        if (start >= 0) {
            qsizetype end = Text.indexOf(u'"', start);
            if (end < 0)
                end = Text.size();
            Text.replace(start, end - start, value);
        } else {
            const QString attr = u' ' + n + QLatin1String("=\"") + value + u'"';
            qsizetype at = Text.lastIndexOf(u'"');
            if (at >= 0)
                ++at;
            else
                at = Text.endsWith(u'>') ? Text.size() - 1 : Text.size();
            Text.insert(at, attr);
        }
    } else {
        const qsizetype at = qMin<qsizetype>(1 + Name.size(), Text.size());
        Text.insert(at, u' ' + n + QLatin1String("=\"") + value + QLatin1String("\" "));
    }
    HasAttributes = true;
}

QString TMyXMLNode::AttributesText() const
{
    if (!HasAttributes)
        return QString();
    const qsizetype blank = Text.indexOf(u' ');
    if (blank < 0)
        return QString();
    qsizetype end = Text.size();
    if (Text.endsWith(u'>'))
        --end;
    if (end <= blank)
        return QString();
    return Text.mid(blank + 1, end - blank - 1);
}

std::optional<QStringList> TMyXMLNode::AttributeValues() const
{
    if (!HasAttributes)
        return std::nullopt;
    const QString attrs = AttributesText();
    QStringList list;
    qsizetype pos = 0;
    while (pos < attrs.size()) {
        const qsizetype open = attrs.indexOf(u'"', pos);
        if (open < 0)
            break;
        const qsizetype close = attrs.indexOf(u'"', open + 1);
        if (close < 0)
            break;
        QString entry = attrs.mid(pos, close + 1 - pos);
        entry.remove(u'"');
        list.append(entry);
        pos = close + 2;
    }
    return list;
}

QString TMyXMLNode::GetValue() const
{
    return IsTextLine() ? Text : Value;
}

int TMyXMLNode::GetValueAsInteger() const
{
    const QString value = GetValue();
    bool ok = false;
    const int result = removeControls(value).toInt(&ok, 10);
    if (!ok)
        throw EXMLError(QStringLiteral("\"%1\" is not a valid integer value,tag:<%2>").arg(value, Name));
    return result;
}

double TMyXMLNode::GetValueAsFloat() const
{
    const QString value = GetValue();
    bool ok = false;
    const double result = removeControls(value).toDouble(&ok);
    if (!ok || !std::isfinite(result))
        throw EXMLError(QStringLiteral("\"%1\" is not a valid floating point value,tag:<%2>").arg(value, Name));
    return result;
}

void TMyXMLNode::SetValueAsInteger(int value)
{
    Value = QString::number(value);
}

void TMyXMLNode::SetValueAsFloat(double value)
{
    Value = QString::number(value, 'g', QLocale::FloatingPointShortest);
}

void TMyXMLNode::SetUpperCase(bool flag)
{
    UpperCaseNames = flag;
    if (!flag)
        return;
    QString text = Text;
    bool quoted = false;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c == u'"')
            quoted = !quoted;
        else if (!quoted)
            text[i] = CodePage1250::toUpper(c);
    }
    // Text no longer holds the "/>" of an empty element: keep the flag.
    const bool wasEmpty = IsEmpty;
    SetText(text);
    IsEmpty = IsEmpty || wasEmpty;
}

bool TMyXMLNode::HasChildren() const
{
    return Owner && Owner->HasChildren(Index);
}

TMyXMLNode *TMyXMLNode::FirstChild() const
{
    if (!Owner)
        throw EXMLError(QStringLiteral("Node has no children"));
    return Owner->ChildOf(Index);
}

TMyXMLNode *TMyXMLNode::ChildByName(const QString &name) const
{
    if (!HasChildren())
        throw EXMLError(QStringLiteral("Tag %1 has no children!").arg(Name));
    return Owner->FindNode(name, Index + 1);
}

TMyXMLNode *TMyXMLNode::ChildByAttributes(const QString &name, const QStringList &keys) const
{
    if (!HasChildren())
        throw EXMLError(QStringLiteral("Tag %1 has no children!").arg(Name));
    return Owner->LocateNode(name, keys, Index + 1);
}

bool TMyXMLNode::FindChild(const QString &name)
{
    return HasChildren() && Owner->Find(name, Index + 1);
}

bool TMyXMLNode::LocateChild(const QString &name, const QStringList &keys)
{
    return HasChildren() && Owner->Locate(name, keys, Index + 1);
}

bool TMyXMLNode::ChildExists(const QString &name) const
{
    return HasChildren() && Owner->Exists(name, Index + 1);
}

bool TMyXMLNode::LocateChildExists(const QString &name, const QStringList &keys) const
{
    return HasChildren() && Owner->LocateExists(name, keys, Index + 1);
}

bool TMyXMLNode::NextSibling()
{
    if (!Owner)
        return false;
    Owner->GoTo(Index);
    return Owner->Next();
}

bool TMyXMLNode::GoToFirstChild()
{
    if (!Owner)
        return false;
    Owner->GoTo(Index);
    return Owner->GoToFirstChild(-1);
}

// ---- TMyXMLNodeList ---------------------------------------------------------

TMyXMLNodeList::TMyXMLNodeList() = default;

TMyXMLNodeList::TMyXMLNodeList(const QString &text, bool compact)
{
    LoadFromText(text, compact);
}

TMyXMLNodeList::TMyXMLNodeList(FromFileTag, const QString &fileName, bool compact)
{
    LoadFromFile(fileName, compact);
}

std::unique_ptr<TMyXMLNodeList> TMyXMLNodeList::fromFile(const QString &fileName, bool compact)
{
    auto doc = std::make_unique<TMyXMLNodeList>();
    doc->LoadFromFile(fileName, compact);
    return doc;
}

// Storage for many reader nodes in one allocation; nodes are constructed
// as they are taken.
struct TMyXMLNodeList::NodeBlock
{
    explicit NodeBlock(std::size_t capacity)
        : capacity(capacity), nodes(static_cast<TMyXMLNode *>(::operator new(capacity * sizeof(TMyXMLNode))))
    {
    }
    ~NodeBlock()
    {
        for (std::size_t i = 0; i < used; ++i)
            nodes[i].~TMyXMLNode();
        ::operator delete(nodes);
    }
    NodeBlock(const NodeBlock &) = delete;
    NodeBlock &operator=(const NodeBlock &) = delete;

    std::size_t capacity;
    std::size_t used = 0;
    TMyXMLNode *nodes;
};

TMyXMLNodeList::~TMyXMLNodeList() = default;

TMyXMLNode *TMyXMLNodeList::newNode(int level, QString &&text, const QString &name)
{
    if (m_blocks.empty() || m_blocks.back()->used == m_blocks.back()->capacity) {
        // Blocks grow with the document, so a small one stays small.
        const std::size_t size = m_blocks.empty() ? 32 : qMin<std::size_t>(m_blocks.back()->capacity * 2, 4096);
        m_blocks.push_back(std::make_unique<NodeBlock>(size));
    }
    NodeBlock &block = *m_blocks.back();
    TMyXMLNode *node = new (block.nodes + block.used) TMyXMLNode(level, std::move(text), name);
    ++block.used;
    node->Owner = this;
    node->Index = int(m_nodes.size());
    m_nodes.push_back(node);
    return node;
}

void TMyXMLNodeList::releaseNodes()
{
    m_nodes.clear();
    m_blocks.clear();
    m_added.clear();
}

void TMyXMLNodeList::Clear()
{
    releaseNodes();
    DocumentHeader.clear();
    ProcessingInstructions.clear();
    Compacted = false;
    CaseInsensitiveValues = false;
    UpperCaseNames = false;
    IgnorePrefixes = false;
    CurrentLevel = 0;
    CurrentIndex = 0;
}

namespace {

// The text the reader walks: the document's characters, or the bytes of a
// file in the code page, which has one character per byte and the same
// ASCII characters, so the markup is found at the same places in both and
// only the pieces kept are decoded (a file is read without a decoded copy).
template <class Char>
struct Source;

template <>
struct Source<char16_t>
{
    const char16_t *d;
    qsizetype n;

    static char16_t unit(char16_t c) { return c; }
    QString str(qsizetype from, qsizetype len) const { return QString(reinterpret_cast<const QChar *>(d + from), len); }
    QChar chr(qsizetype i) const { return QChar(d[i]); }
    QStringView view(qsizetype from, qsizetype len) { return QStringView(d + from, len); }
};

template <>
struct Source<char>
{
    const char *d;
    qsizetype n;
    QString scratch; // the last view's characters

    static char16_t unit(char c) { return static_cast<unsigned char>(c); }
    QString str(qsizetype from, qsizetype len) const { return CodePage1250::decode(QByteArrayView(d + from, len)); }
    QChar chr(qsizetype i) const { return CodePage1250::fromByte(static_cast<unsigned char>(d[i])); }
    // Valid until the next call.
    QStringView view(qsizetype from, qsizetype len)
    {
        scratch.resize(len);
        QChar *out = scratch.data();
        for (qsizetype i = 0; i < len; ++i)
            out[i] = chr(from + i);
        return scratch;
    }
};

// The first occurrence of an ASCII literal at or after from; -1 when none.
template <class Char>
qsizetype findText(const Char *d, qsizetype from, qsizetype n, const char *lit)
{
    const qsizetype len = qsizetype(std::strlen(lit));
    for (qsizetype i = from; i + len <= n; ++i) {
        qsizetype k = 0;
        while (k < len && Source<Char>::unit(d[i + k]) == char16_t(static_cast<unsigned char>(lit[k])))
            ++k;
        if (k == len)
            return i;
    }
    return -1;
}

template <class Char>
qsizetype findUnit(const Char *d, qsizetype from, qsizetype n, char16_t c)
{
    for (qsizetype i = from; i < n; ++i)
        if (Source<Char>::unit(d[i]) == c)
            return i;
    return -1;
}

// Literal match at a position; caseless compares ASCII letters only.
template <class Char>
bool matchesAt(const Char *d, qsizetype n, qsizetype p, const char16_t *lit, bool caseless)
{
    for (qsizetype i = 0; lit[i]; ++i) {
        if (p + i >= n)
            return false;
        char16_t c = Source<Char>::unit(d[p + i]);
        if (caseless && c >= u'a' && c <= u'z')
            c = char16_t(c - 32);
        if (c != lit[i])
            return false;
    }
    return true;
}

// The reading state machine. It hands every node it makes to the sink:
// text lines, other lines (processing instructions, comments,
// declarations), end tags and start tags.
template <class Char, class Sink>
void parse(Source<Char> &src, NameTable &names, Sink &sink, QString &processingInstructions,
           QString &documentHeader)
{
    const Char *raw = src.d;
    const qsizetype n = src.n;
    auto at = [raw](qsizetype i) { return Source<Char>::unit(raw[i]); };
    std::vector<int> open;   // the name entries of the elements open around the reader
    qsizetype p = findUnit(raw, 0, n, u'<');
    if (p < 0)
        return;
    sink.reserve(std::size_t((n - p) / 32));

    while (p < n) {
        while (p < n && isWhite(at(p)))
            ++p;
        if (p >= n)
            break;
        const int depth = int(open.size());

        if (at(p) != u'<') {
            const qsizetype lt = findUnit(raw, p, n, u'<');
            if (lt < 0)
                break;   // text after the last tag
            qsizetype b = p, e = lt;
            while (b < e && isControl(at(b)))
                ++b;
            while (e > b && isControl(at(e - 1)))
                --e;
            if (e > b)
                sink.textLine(depth, src.str(b, e - b));
            p = lt;
            continue;
        }
        if (p + 1 >= n)
            break;

        const char16_t c1 = at(p + 1);
        if (c1 == u'?') {
            const qsizetype e = findText(raw, p + 2, n, "?>");
            if (e < 0)
                break;
            const QString pi = src.str(p, e + 2 - p);
            processingInstructions += pi;
            processingInstructions += kCrLf;
            sink.other(depth, QString(pi));
            p = e + 2;
            continue;
        }

        if (c1 == u'!') {
            if (matchesAt(raw, n, p, u"<!--", false)) {
                const qsizetype e = findText(raw, p + 4, n, "-->");
                if (e < 0)
                    break;
                const QString comment = src.str(p, e + 3 - p);
                if (comment.contains(QLatin1String("DOCTYPE "), Qt::CaseInsensitive))
                    documentHeader = comment + kCrLf;
                sink.other(depth, QString(comment));
                p = e + 3;
            } else if (matchesAt(raw, n, p, u"<!DOCTYPE", true)) {
                const qsizetype e = findUnit(raw, p + 9, n, u'>');
                if (e < 0)
                    break;
                documentHeader = src.str(p, e + 1 - p) + kCrLf;
                p = e + 1;
            } else if (matchesAt(raw, n, p, u"<![CDATA[", false)) {
                const qsizetype e = findText(raw, p + 9, n, "]]>");
                if (e < 0)
                    break;
                p = e + 3;
            } else {
                // Any other declaration is kept as a line of its own.
                const qsizetype e = findUnit(raw, p + 2, n, u'>');
                if (e < 0)
                    break;
                sink.other(depth, src.str(p, e + 1 - p));
                p = e + 1;
            }
            continue;
        }

        if (c1 == u'/') {
            const qsizetype gt = findUnit(raw, p + 2, n, u'>');
            if (gt < 0)
                break;
            bool spaced = false;
            for (qsizetype i = p + 2; i < gt && !spaced; ++i)
                spaced = isWhite(at(i));
            QString spacedName;
            if (spaced) {
                spacedName.reserve(gt - p);
                for (qsizetype i = p + 2; i < gt; ++i)
                    if (!isWhite(at(i)))
                        spacedName.append(src.chr(i));
            }
            const QStringView name = spaced ? QStringView(spacedName) : src.view(p + 2, gt - p - 2);
            if (open.empty() || !sameChars(names.name(open.back()), name))
                throw EXMLError(QStringLiteral("No matching tag found for </%1>!").arg(name));
            const int entry = open.back();
            open.pop_back();
            sink.endTag(int(open.size()), entry);
            p = gt + 1;
            continue;
        }

        // Start tag or empty-element tag. The name runs to whitespace, "/>"
        // or ">"; inside the tag whitespace runs become one blank, whitespace
        // around "=" and before the end goes, quoted values stay as they are.
        qsizetype q = p + 1;
        while (q < n) {
            const char16_t c = at(q);
            if (isWhite(c) || c == u'>' || (c == u'/' && q + 1 < n && at(q + 1) == u'>'))
                break;
            ++q;
        }
        if (q >= n)
            break;
        const qsizetype nameEnd = q;
        bool dirty = false, quoted = false, pending = false, afterEq = false, empty = false, sawEq = false;
        qsizetype close = -1;
        for (; q < n; ++q) {
            const char16_t c = at(q);
            if (isWhite(c)) {
                if (pending || c != u' ')
                    dirty = true;
                pending = true;
                continue;
            }
            if (c == u'>' || (c == u'/' && q + 1 < n && at(q + 1) == u'>')) {
                dirty = dirty || pending;
                empty = c == u'/';
                close = q;
                break;
            }
            if (c == u'=') {
                dirty = dirty || pending;
                pending = false;
                afterEq = sawEq = true;
                continue;
            }
            if (pending && afterEq)
                dirty = true;
            pending = false;
            afterEq = false;
            if (c == u'"') {
                // A quoted value is copied as it stands: jump to its end.
                q = findUnit(raw, q + 1, n, u'"');
                if (q < 0)
                    q = n;
            }
        }
        if (close < 0)
            break;   // unfinished tag at the end

        const int entry = names.entry(src.view(p + 1, nameEnd - p - 1));
        QString tag;
        if (!dirty && close == nameEnd) {
            tag = names.startTag(entry);   // "<name>": shared by all such tags
        } else if (!dirty && !empty) {
            tag = src.str(p, close + 1 - p);
        } else {
            tag.reserve(close - p + 1);
            tag.append(src.str(p, nameEnd - p));
            if (!dirty) {
                tag.append(src.str(nameEnd, close - nameEnd));
            } else {
                quoted = pending = afterEq = false;
                for (qsizetype i = nameEnd; i < close; ++i) {
                    const QChar c = src.chr(i);
                    if (quoted) {
                        tag.append(c);
                        if (c == u'"')
                            quoted = false;
                    } else if (isWhite(c.unicode())) {
                        pending = true;
                    } else if (c == u'=') {
                        tag.append(c);
                        pending = false;
                        afterEq = true;
                    } else {
                        if (pending && !afterEq)
                            tag.append(u' ');
                        pending = afterEq = false;
                        tag.append(c);
                        if (c == u'"')
                            quoted = true;
                    }
                }
            }
            tag.append(u'>');
        }

        const bool hasEquals = sawEq || tag.contains(u'=');
        sink.startTag(depth, std::move(tag), entry, empty, hasEquals);
        if (!empty)
            open.push_back(entry);
        p = empty ? close + 2 : close + 1;
    }
}

} // namespace

// Reading into nodes, one node per line.
struct TMyXMLNodeList::NodeSink
{
    TMyXMLNodeList &doc;
    NameTable &names;

    void reserve(std::size_t count) { doc.m_nodes.reserve(count); }
    void textLine(int level, QString &&text) { other(level, std::move(text)); }
    void other(int level, QString &&text)
    {
        const bool hasEquals = text.contains(u'=');
        doc.newNode(level, std::move(text))->HasAttributes = hasEquals;
    }
    void endTag(int level, int entry)
    {
        doc.newNode(level, QString(names.endTag(entry)))->HasAttributes = names.hasEquals(entry);
    }
    TMyXMLNode *startTag(int level, QString &&tag, int entry, bool empty, bool hasEquals)
    {
        TMyXMLNode *node = doc.newNode(level, std::move(tag), names.name(entry));
        node->HasAttributes = hasEquals;
        node->IsEmpty = empty;
        node->HasPrefix = names.hasColon(entry);
        return node;
    }
};

// Reading for the compact form: the compaction walk runs over the lines as
// they are read, looking at most four lines ahead, and only the elements it
// keeps become nodes, so the lines it drops never take memory at once. Gives
// the same list as reading into nodes and calling Compact.
struct TMyXMLNodeList::RecordSink
{
    enum Kind : unsigned char { Text, Other, End, Start };
    struct Record
    {
        QString text;   // empty for end tags: their text is the name's
        int level;
        int entry;      // name entry of start and end tags, -1 otherwise
        Kind kind;
        bool empty;
        bool hasEquals;
    };

    TMyXMLNodeList &doc;
    NameTable &names;
    std::deque<Record> window; // the lines read and not yet walked

    void reserve(std::size_t count) { doc.m_nodes.reserve(count / 2); }
    void textLine(int level, QString &&text) { push({std::move(text), level, -1, Text, false, false}); }
    void other(int level, QString &&text) { push({std::move(text), level, -1, Other, false, false}); }
    void endTag(int level, int entry) { push({QString(), level, entry, End, false, false}); }
    void startTag(int level, QString &&tag, int entry, bool empty, bool hasEquals)
    {
        push({std::move(tag), level, entry, Start, empty, hasEquals});
    }

    // The walk at a line needs the three after it to know that at least one
    // more follows a triple; until the end it waits for them.
    void push(Record &&r)
    {
        window.push_back(std::move(r));
        while (window.size() >= 4)
            walk();
    }

    bool named(const Record &r) const { return r.kind == Start && !names.name(r.entry).isEmpty(); }

    // The name in "</name>" of the line, as the node-based walk sees it.
    bool closes(const Record &r, int entry) const
    {
        if (r.kind == End)
            return r.entry == entry;
        return closedName(r.text) == names.name(entry);
    }

    // One step of the walk at the first line of the window: "at least one
    // further node follows" is a window of four (a triple) or three (a pair).
    void walk()
    {
        NodeSink nodes{doc, names};
        Record &r = window[0];
        std::size_t step = 1;
        bool hasValue = false, closed = false;
        QString value;
        if (window.size() >= 4 && r.level == window[2].level && window[1].level > r.level) {
            // Nothing has a value yet after reading: only a text line gives one.
            if (window[1].kind == Text)
                value = std::move(window[1].text);
            hasValue = true;
            step = 3;
        } else if (window.size() >= 3 && named(r) && r.level == window[1].level && closes(window[1], r.entry)) {
            closed = true;
            step = 2;
        }
        for (std::size_t k = 0; k < step; ++k) {
            Record &line = window[k];
            if (!named(line))
                continue;
            TMyXMLNode *node = nodes.startTag(line.level, std::move(line.text), line.entry, line.empty, line.hasEquals);
            if (k == 0) {
                if (hasValue) {
                    node->Value = std::move(value);
                    node->HasValue = true;
                } else if (closed) {
                    node->IsEmpty = true;
                }
            }
        }
        window.erase(window.begin(), window.begin() + std::ptrdiff_t(step));
    }

    void finish()
    {
        while (!window.empty())
            walk();
        doc.Compacted = true;
        doc.CurrentLevel = doc.m_nodes.empty() ? 0 : doc.m_nodes.front()->Level;
    }

    // Reads the source into the cleared document, as lines or compacted.
    template <class Char>
    static void load(TMyXMLNodeList &doc, Source<Char> &source, bool compact)
    {
        NameTable names;
        if (!compact) {
            NodeSink sink{doc, names};
            parse(source, names, sink, doc.ProcessingInstructions, doc.DocumentHeader);
            return;
        }
        RecordSink sink{doc, names, {}};
        try {
            parse(source, names, sink, doc.ProcessingInstructions, doc.DocumentHeader);
        } catch (const EXMLError &) {
            // After a reading error the document holds the lines read so
            // far, uncompacted: read them again as lines, up to the same error.
            doc.Clear();
            NameTable lineNames;
            NodeSink lines{doc, lineNames};
            parse(source, lineNames, lines, doc.ProcessingInstructions, doc.DocumentHeader);
            throw;
        }
        sink.finish();
    }
};

void TMyXMLNodeList::LoadFromText(const QString &text, bool compact)
{
    Clear();
    Source<char16_t> source{reinterpret_cast<const char16_t *>(text.utf16()), text.size()};
    RecordSink::load(*this, source, compact);
}

namespace {

// The bytes of a file as its lines joined with CR LF: every line break (CR
// LF, LF or CR) becomes CR LF, a break at the very end goes. Bytes that
// have only CR LF breaks are kept as they are, without a second copy.
QByteArray joinedLines(const QString &fileName)
{
    QByteArray raw = TextFile::readBytes(fileName);
    const char *d = raw.constData();
    const qsizetype n = raw.size();
    bool onlyCrLf = true;
    for (qsizetype i = 0; i < n && onlyCrLf; ++i) {
        const char c = d[i];
        if (c == '\r' && i + 1 < n && d[i + 1] == '\n')
            ++i;
        else if (c == '\r' || c == '\n')
            onlyCrLf = false;
    }
    if (onlyCrLf) {
        if (raw.endsWith("\r\n"))
            raw.chop(2);
        return raw;
    }
    QByteArray text;
    text.reserve(n + n / 16);
    qsizetype from = 0;
    for (qsizetype i = 0; i < n; ++i) {
        const char c = d[i];
        if (c != '\r' && c != '\n')
            continue;
        text.append(d + from, i - from);
        text.append("\r\n", 2);
        if (c == '\r' && i + 1 < n && d[i + 1] == '\n')
            ++i;
        from = i + 1;
    }
    if (from < n)
        text.append(d + from, n - from);
    else if (text.endsWith("\r\n"))
        text.chop(2);
    return text;
}

} // namespace

void TMyXMLNodeList::LoadFromFile(const QString &fileName, bool compact)
{
    // The reader walks the code page's bytes and decodes only what it keeps.
    const QByteArray bytes = joinedLines(fileName);
    Clear();
    Source<char> source{bytes.constData(), bytes.size(), {}};
    RecordSink::load(*this, source, compact);
}

void TMyXMLNodeList::Compact()
{
    if (Compacted)
        return;
    // One pass: the walk merges values and closes elements, and the nodes it
    // leaves behind are kept (renumbered) or dropped while still in cache.
    // The dropped nodes stay allocated with the document until it is cleared
    // (their texts are mostly shared with the values and names kept).
    const int count = Count();
    int kept = 0;
    int i = 0;
    while (i < count) {
        TMyXMLNode *node = m_nodes[i];
        int step = 1;
        if (i < count - 3 && node->Level == m_nodes[i + 2]->Level && m_nodes[i + 1]->Level > node->Level) {
            TMyXMLNode *inner = m_nodes[i + 1];
            // A text line has no name and goes below: its text can move.
            if (inner->IsTextLine())
                node->Value = std::move(inner->Text);
            else
                node->Value = inner->Value;
            node->HasValue = true;
            step = 3;
        } else if (i < count - 2 && !node->Name.isEmpty() && node->Level == m_nodes[i + 1]->Level
                   && closedName(m_nodes[i + 1]->Text) == node->Name) {
            // Only an element can be closed at once: a nameless node (end
            // tag, text, comment) would match the "<x>" of a one-letter
            // element after it and make the walk skip that element's value.
            node->IsEmpty = true;
            node->HasValue = false;
            step = 2;
        }
        for (const int end = i + step; i < end; ++i) {
            TMyXMLNode *n = m_nodes[i];
            if (n->Name.isEmpty()) {
                n->Owner = nullptr;
            } else {
                n->Index = kept;
                m_nodes[kept++] = n;
            }
        }
    }
    m_nodes.resize(std::size_t(kept));
    Compacted = true;
    // The old positions mean nothing now.
    CurrentIndex = 0;
    CurrentLevel = m_nodes.empty() ? 0 : m_nodes.front()->Level;
}

void TMyXMLNodeList::writeRange(QString &out, int begin, int end, bool useTabs) const
{
    const int count = Count();
    if (Compacted) {
        std::vector<QString> closing;
        for (int i = begin; i < end; ++i) {
            const TMyXMLNode *node = m_nodes[i];
            const TMyXMLNode *next = i + 1 < end ? m_nodes[i + 1] : nullptr;
            const int level = node->Level;
            const QString indent = indentOf(level, useTabs);
            const QString head = indent + u'<' + node->Name + NodeAttributesText(i);
            if (node->IsEmpty || (node->Value.isEmpty() && next && next->Level <= level)) {
                out += head + QLatin1String("/>");
            } else if (next && next->Level > level) {
                out += head + u'>' + node->Value;
                closing.push_back(indent + QLatin1String("</") + node->Name + u'>');
            } else {
                out += head + u'>' + node->Value + QLatin1String("</") + node->Name + u'>';
            }
            out += kCrLf;
            if (next && next->Level < level) {
                for (int k = level - next->Level; k > 0 && !closing.empty(); --k) {
                    out += closing.back();
                    out += kCrLf;
                    closing.pop_back();
                }
            }
        }
        while (!closing.empty()) {
            out += closing.back();
            out += kCrLf;
            closing.pop_back();
        }
        return;
    }

    const bool wrap = useTabs;
    int i = begin;
    while (i < end) {
        const int level = m_nodes[i]->Level;
        if (i + 2 < end && i + 3 < count && m_nodes[i + 2]->Level == level && m_nodes[i + 1]->Level > level) {
            const int inner = m_nodes[i + 1]->Level;
            const QString middle = NodeText(i + 1);
            if (middle.startsWith(u'<')) {
                appendLine(out, indentOf(level, useTabs) + NodeText(i), level, wrap, WrapColumn);
                appendLine(out, indentOf(inner, useTabs) + middle, inner, wrap, WrapColumn);
                appendLine(out, indentOf(level, useTabs) + NodeText(i + 2), level, false, WrapColumn);
            } else {
                appendLine(out, indentOf(level, useTabs) + NodeText(i) + middle + NodeText(i + 2), level, false,
                           WrapColumn);
            }
            i += 3;
        } else {
            appendLine(out, indentOf(level, useTabs) + NodeText(i), level, wrap, WrapColumn);
            ++i;
        }
    }
}

QString TMyXMLNodeList::GetText(int startIndex, bool useTabs) const
{
    const int count = Count();
    if (startIndex >= count)
        return QString();
    int begin = 0, end = count;
    if (startIndex >= 0) {
        begin = startIndex;
        const int level = m_nodes[begin]->Level;
        end = begin + 1;
        while (end < count && m_nodes[end]->Level > level)
            ++end;
        // A start tag's own end tag shares its level: the subtree includes it.
        const TMyXMLNode *first = m_nodes[begin];
        if (!Compacted && end < count && first->IsStartTag() && !first->IsEmpty && m_nodes[end]->Level == level
            && m_nodes[end]->IsEndTag())
            ++end;
    }
    QString out;
    qsizetype estimate = 0;
    for (int i = begin; i < end; ++i)
        estimate += m_nodes[i]->Text.size() + m_nodes[i]->Value.size() + 2 * m_nodes[i]->Level + 4;
    out.reserve(estimate + estimate / 4);
    writeRange(out, begin, end, useTabs);
    return out;
}

void TMyXMLNodeList::SaveToFile(const QString &fileName, int startIndex) const
{
    QString text;
    if (Compacted) {
        text = ProcessingInstructions + DocumentHeader + GetText(startIndex, false);
    } else if (startIndex < 0 && !DocumentHeader.isEmpty() && !DocumentHeader.startsWith(QLatin1String("<!--"))) {
        // A document type declaration makes no node: put it back before the
        // first node that is not a processing instruction or comment.
        int at = 0;
        while (at < Count() && m_nodes[at]->Level == 0
               && (m_nodes[at]->IsProcessingInstruction() || m_nodes[at]->IsComment()))
            ++at;
        writeRange(text, 0, at, false);
        text += DocumentHeader;
        writeRange(text, at, Count(), false);
    } else {
        text = GetText(startIndex, false);
    }
    TextFile::writeText(fileName, text);
}

TMyXMLNode *TMyXMLNodeList::at(int index) const
{
    if (index < 0 || index >= Count())
        throw EXMLError(QStringLiteral("List index out of bounds (%1)").arg(index));
    return m_nodes[index];
}

TMyXMLNode *TMyXMLNodeList::Node(int index) const
{
    return at(index);
}

int TMyXMLNodeList::NodeLevel(int index) const
{
    return at(index)->Level;
}

QString TMyXMLNodeList::NodeName(int index) const
{
    return at(index)->GetName();
}

QString TMyXMLNodeList::NodeValue(int index) const
{
    return at(index)->GetValue();
}

void TMyXMLNodeList::SetNodeValue(int index, const QString &value)
{
    at(index)->Value = value;
}

QString TMyXMLNodeList::NodeAttributesText(int index) const
{
    const QString attrs = at(index)->AttributesText();
    return attrs.isEmpty() ? QString() : u' ' + attrs;
}

QString TMyXMLNodeList::NodeText(int index) const
{
    const TMyXMLNode *node = at(index);
    if (node->IsEmpty && !Compacted) {
        if (node->Text.endsWith(u'>'))
            return node->Text.first(node->Text.size() - 1) + QLatin1String("/>");
        return node->Text + QLatin1String("/>");
    }
    return node->Text;
}

int TMyXMLNodeList::AddNode(std::unique_ptr<TMyXMLNode> node, int levelMode)
{
    if (!node)
        return -1;
    if (!m_nodes.empty()) {
        const int previous = m_nodes.back()->Level;
        switch (levelMode) {
        case 0: node->Level = previous; break;
        case 1: node->Level = previous - 1; break;
        case 2: node->Level = previous + 1; break;
        default: break;
        }
    }
    node->Owner = this;
    node->Index = Count();
    node->IgnorePrefixes = IgnorePrefixes;
    m_added.push_back(std::move(node));
    m_nodes.push_back(m_added.back().get());
    return Count() - 1;
}

void TMyXMLNodeList::GoTo(int index)
{
    if (m_nodes.empty()) {
        CurrentIndex = 0;
        CurrentLevel = 0;
        return;
    }
    CurrentIndex = qBound(0, index, Count() - 1);
    CurrentLevel = m_nodes[CurrentIndex]->Level;
}

void TMyXMLNodeList::GoToNode(const TMyXMLNode *node)
{
    if (node)
        GoTo(node->Index);
}

bool TMyXMLNodeList::First()
{
    GoTo(0);
    return true;
}

TMyXMLNode *TMyXMLNodeList::CurrentNode() const
{
    if (CurrentIndex < 0 || CurrentIndex >= Count())
        return nullptr;
    return m_nodes[CurrentIndex];
}

bool TMyXMLNodeList::Next()
{
    for (int i = qMax(CurrentIndex, -1) + 1; i < Count(); ++i) {
        const int level = m_nodes[i]->Level;
        if (level < CurrentLevel)
            return false;
        if (level == CurrentLevel) {
            CurrentIndex = i;
            return true;
        }
    }
    return false;
}

bool TMyXMLNodeList::HasChildren(int index) const
{
    if (index == -1)
        index = CurrentIndex;
    if (index < 0 || index + 1 >= Count())
        return false;
    return m_nodes[index + 1]->Level > m_nodes[index]->Level;
}

bool TMyXMLNodeList::GoToFirstChild(int index)
{
    if (index == -1)
        index = CurrentIndex;
    if (!HasChildren(index))
        return false;
    GoTo(index + 1);
    return true;
}

TMyXMLNode *TMyXMLNodeList::ChildOf(int index) const
{
    if (index == -1)
        index = CurrentIndex;
    if (!HasChildren(index))
        throw EXMLError(QStringLiteral("Node has no children"));
    return m_nodes[index + 1];
}

int TMyXMLNodeList::searchIndex(const QString &name, const QStringList *keys) const
{
    const int count = Count();
    if (count == 0)
        return -1;
    const int cursor = qBound(0, CurrentIndex, count - 1);
    // The range begins after the parent of the cursor node and ends at the
    // first node above the cursor's level.
    int begin = 0;
    for (int i = cursor - 1; i >= 0; --i) {
        if (m_nodes[i]->Level < CurrentLevel) {
            begin = i + 1;
            break;
        }
    }
    const QString wanted = UpperCaseNames ? upperCased(name) : name;
    const bool anyName = keys && name == QLatin1String("*");
    for (int i = begin; i < count; ++i) {
        const TMyXMLNode *node = m_nodes[i];
        if (node->Level < CurrentLevel)
            break;
        if (!anyName && node->LocalName() != wanted)
            continue;
        bool matches = true;
        if (keys) {
            for (qsizetype k = 0; k + 1 < keys->size() && matches; k += 2) {
                const QString actual = node->GetAttribute(keys->at(k));
                const QString &required = keys->at(k + 1);
                matches = CaseInsensitiveValues ? upperCased(actual) == upperCased(required) : actual == required;
            }
        }
        if (matches)
            return i;
    }
    return -1;
}

int TMyXMLNodeList::search(const QString &name, const QStringList *keys, int startIndex, bool keepCursor)
{
    if (keys && keys->size() % 2 != 0)
        throw EXMLError(QStringLiteral("Number of keys for TMyXMLNodeList.Locate is not even!"));
    const int savedIndex = CurrentIndex;
    const int savedLevel = CurrentLevel;
    if (startIndex >= 0)
        GoTo(startIndex);
    const int found = searchIndex(name, keys);
    if (keepCursor) {
        CurrentIndex = savedIndex;
        CurrentLevel = savedLevel;
    } else if (found >= 0) {
        GoTo(found);
    }
    return found;
}

bool TMyXMLNodeList::Find(const QString &name, int startIndex)
{
    return search(name, nullptr, startIndex, false) >= 0;
}

TMyXMLNode *TMyXMLNodeList::FindNode(const QString &name, int startIndex)
{
    const int found = search(name, nullptr, startIndex, true);
    if (found < 0)
        notFound(name);
    return m_nodes[found];
}

bool TMyXMLNodeList::Exists(const QString &name, int startIndex)
{
    return search(name, nullptr, startIndex, true) >= 0;
}

bool TMyXMLNodeList::Locate(const QString &name, const QStringList &keys, int startIndex)
{
    return search(name, &keys, startIndex, false) >= 0;
}

TMyXMLNode *TMyXMLNodeList::LocateNode(const QString &name, const QStringList &keys, int startIndex)
{
    const int found = search(name, &keys, startIndex, true);
    if (found < 0)
        notFound(name);
    return m_nodes[found];
}

bool TMyXMLNodeList::LocateExists(const QString &name, const QStringList &keys, int startIndex)
{
    return search(name, &keys, startIndex, true) >= 0;
}

void TMyXMLNodeList::SetUpperCaseNames(bool flag)
{
    UpperCaseNames = flag;
    for (auto &node : m_nodes)
        node->SetUpperCase(flag);
}

void TMyXMLNodeList::SetIgnorePrefixes(bool flag)
{
    IgnorePrefixes = flag;
    for (auto &node : m_nodes)
        node->IgnorePrefixes = flag;
}
