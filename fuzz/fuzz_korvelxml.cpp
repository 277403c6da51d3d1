// Fuzzes the XML reader and everything that works on what it read:
// compaction, writing in both modes, searches and attribute access. The
// first byte chooses the decoding, the wrap column and the document flags.

#include "CodePage1250.h"
#include "KorvelXML.h"

#include <QString>
#include <QStringList>

#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace {

void check(bool condition)
{
    if (!condition)
        std::abort();
}

void checkStructure(const TMyXMLNodeList &doc)
{
    for (int i = 0; i < doc.Count(); ++i) {
        const TMyXMLNode *node = doc.Node(i);
        check(node->Index == i);
        check(node->Owner == &doc);
        check(doc.Compacted ? !node->Name.isEmpty() : node->Level >= 0);
    }
}

// Loading compact must give the list that loading and compacting gives.
void checkCompactLoad(const QString &text)
{
    TMyXMLNodeList direct, later;
    bool directFailed = false, laterFailed = false;
    try {
        direct.LoadFromText(text, true);
    } catch (const EXMLError &) {
        directFailed = true;
    }
    try {
        later.LoadFromText(text, false);
    } catch (const EXMLError &) {
        laterFailed = true;
    }
    check(directFailed == laterFailed);
    if (!laterFailed)
        later.Compact();
    check(direct.Compacted == later.Compacted && direct.Count() == later.Count());
    for (int i = 0; i < direct.Count(); ++i) {
        const TMyXMLNode *a = direct.Node(i);
        const TMyXMLNode *b = later.Node(i);
        check(a->Level == b->Level && a->Text == b->Text && a->Name == b->Name && a->Value == b->Value
              && a->IsEmpty == b->IsEmpty && a->HasValue == b->HasValue && a->HasAttributes == b->HasAttributes
              && a->HasPrefix == b->HasPrefix && a->Index == b->Index);
    }
    check(direct.ProcessingInstructions == later.ProcessingInstructions);
    check(direct.DocumentHeader == later.DocumentHeader);
}

void exercise(TMyXMLNodeList &doc, std::uint8_t flags)
{
    checkStructure(doc);
    const QString plain = doc.GetText(-1, false);
    const QString tabbed = doc.GetText(-1, true);
    check(doc.Count() == 0 || !plain.isEmpty());
    check(doc.GetText(doc.Count(), true).isEmpty());

    const int count = doc.Count();
    const int step = count > 8 ? count / 8 : 1;
    for (int i = 0; i < count; i += step) {
        TMyXMLNode *node = doc.Node(i);
        (void)doc.GetText(i, (flags & 0x10) != 0);
        (void)doc.NodeText(i);
        (void)doc.NodeAttributesText(i);
        if (node->HasChildren())
            check(node->FirstChild() == doc.Node(i + 1));
        const QString name = node->GetName();
        doc.GoTo(i);
        const int level = doc.CurrentLevel;
        if (doc.Find(name))
            check(doc.CurrentNode()->GetName() == (doc.UpperCaseNames ? CodePage1250::toUpper(name) : name));
        const int before = doc.CurrentIndex;
        (void)doc.Exists(name, i);
        check(doc.CurrentIndex == before);
        QStringList keys;
        if (const auto attrs = node->AttributeValues()) {
            for (const QString &entry : *attrs) {
                const qsizetype eq = entry.indexOf(u'=');
                if (eq > 0)
                    keys << entry.left(eq) << node->GetAttribute(entry.left(eq));
            }
        }
        doc.GoTo(i);
        check(doc.CurrentLevel == level);
        if (doc.LocateExists(QStringLiteral("*"), keys, i)) {
            TMyXMLNode *found = doc.LocateNode(QStringLiteral("*"), keys, i);
            check(found != nullptr);
        }
        try {
            doc.Locate(name, keys + QStringList{QStringLiteral("odd")});
            check(false);
        } catch (const EXMLError &) {
        }
        (void)doc.Next();
        (void)doc.GoToFirstChild();
        try {
            (void)node->GetValueAsInteger();
        } catch (const EXMLError &) {
        }
        try {
            (void)node->GetValueAsFloat();
        } catch (const EXMLError &) {
        }
        node->SetAttribute(QStringLiteral("fz"), QStringLiteral("v"));
        (void)node->GetAttribute(QStringLiteral("fz"));
        (void)node->AttributesText();
    }
    // What was written reads again without trouble.
    TMyXMLNodeList again;
    try {
        again.LoadFromText((flags & 0x20) ? tabbed : plain, (flags & 0x40) != 0);
    } catch (const EXMLError &) {
    }
    checkStructure(again);
    (void)again.GetText(-1, true);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    if (size < 1)
        return 0;
    const std::uint8_t flags = data[0];
    const QByteArrayView bytes(reinterpret_cast<const char *>(data + 1), qsizetype(size - 1));
    const QString text = (flags & 0x80) ? QString::fromUtf8(bytes) : CodePage1250::decode(bytes);

    checkCompactLoad(text);

    TMyXMLNodeList doc;
    doc.WrapColumn = 8 + (flags & 0x0f) * 8;
    try {
        doc.LoadFromText(text, false);
    } catch (const EXMLError &) {
        // The nodes read before the error stay and must be usable.
    }
    if (flags & 0x01)
        doc.SetIgnorePrefixes(true);
    if (flags & 0x02)
        doc.SetUpperCaseNames(true);
    exercise(doc, flags);
    doc.Compact();
    exercise(doc, flags);
    return 0;
}
