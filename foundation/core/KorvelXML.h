#pragma once
// The system's own XML document model: a document is a flat, ordered list of
// nodes, each one line of markup with a nesting level. Navigation works on
// levels and positions, not on a tree. Names, attribute values and text stay
// exactly as read: no character or entity reference is decoded or encoded.

#include "Errors.h"

#include <QString>
#include <QStringList>

#include <memory>
#include <optional>
#include <vector>

// Every failure of the document model (reading, searching, conversions).
class EXMLError : public EQuenbarError
{
public:
    using EQuenbarError::EQuenbarError;
};

class TMyXMLNodeList;

// One line of a document: a start tag (an empty-element tag is kept as a
// start tag with IsEmpty set), an end tag, a text line, a comment or a
// processing instruction.
class TMyXMLNode
{
public:
    TMyXMLNode(int level, const QString &text);

    bool HasAttributes = false;   // Text contains "="
    bool HasValue = false;        // compaction merged a text value into this element
    bool UpperCaseNames = false;  // Text was upper-cased by SetUpperCase
    int Level = 0;
    TMyXMLNodeList *Owner = nullptr;
    int Index = -1;
    bool IsEmpty = false;
    QString Name;                 // element name, empty for every other kind
    QString Value;                // text value after compaction
    QString Text;                 // the normalised markup line
    bool HasPrefix = false;       // Name contains ":"
    int EditorTag = 0;            // free for the user of the node
    bool IgnorePrefixes = false;  // copy of the document's setting

    // Parses a markup line into the node.
    void SetText(const QString &text);

    // Kinds, told by Text.
    bool IsStartTag() const;
    bool IsEndTag() const;
    bool IsComment() const;
    bool IsProcessingInstruction() const;
    bool IsTextLine() const;

    QString GetName() const;
    // GetName without a copy; valid while Name is unchanged.
    QStringView LocalName() const;
    bool HasAttribute(const QString &name) const;
    // Empty both for a missing attribute and for an empty value.
    QString GetAttribute(const QString &name) const;
    void SetAttribute(const QString &name, const QString &value);
    QString AttributesText() const;
    // Entries "name=value" in order; nothing for a node without attributes.
    std::optional<QStringList> AttributeValues() const;

    QString GetValue() const;
    int GetValueAsInteger() const;     // raises EXMLError
    double GetValueAsFloat() const;    // raises EXMLError
    void SetValueAsInteger(int value);
    void SetValueAsFloat(double value);

    void SetUpperCase(bool flag);

    // Navigation through the owner.
    bool HasChildren() const;
    TMyXMLNode *FirstChild() const;
    TMyXMLNode *ChildByName(const QString &name) const;
    TMyXMLNode *ChildByAttributes(const QString &name, const QStringList &keys) const;
    bool FindChild(const QString &name);
    bool LocateChild(const QString &name, const QStringList &keys);
    bool ChildExists(const QString &name) const;
    bool LocateChildExists(const QString &name, const QStringList &keys) const;
    bool NextSibling();
    bool GoToFirstChild();

private:
    friend class TMyXMLNodeList;
    TMyXMLNode() = default;
    TMyXMLNode(int level, QString &&text, const QString &name) : Level(level), Name(name), Text(std::move(text)) {}
    // Fills Name, HasAttributes and HasPrefix from Text.
    void parseFields();
    // Text with the attribute of the given name searched in the blank-prefixed
    // form and, with prefixes ignored, the ":"-prefixed form; start of the
    // value (after the opening quote) or -1.
    qsizetype attributeValueStart(const QString &name, bool *prefixedForm = nullptr) const;
};

// The document: an owning, ordered list of nodes with a cursor.
class TMyXMLNodeList
{
public:
    struct FromFileTag {};
    static constexpr FromFileTag FromFile{};

    TMyXMLNodeList();
    explicit TMyXMLNodeList(const QString &text, bool compact = true);
    TMyXMLNodeList(FromFileTag, const QString &fileName, bool compact);
    static std::unique_ptr<TMyXMLNodeList> fromFile(const QString &fileName, bool compact);
    ~TMyXMLNodeList();

    // Nodes point back at their document: neither copyable nor movable.
    TMyXMLNodeList(const TMyXMLNodeList &) = delete;
    TMyXMLNodeList &operator=(const TMyXMLNodeList &) = delete;

    bool Compacted = false;
    int CurrentLevel = 0;
    int CurrentIndex = 0;
    bool CaseInsensitiveValues = false;
    bool UpperCaseNames = false;
    QString DocumentHeader;          // document type declaration (or DOCTYPE comment) + CR LF
    QString ProcessingInstructions;  // every processing instruction read, each + CR LF
    bool IgnorePrefixes = false;
    int WrapColumn = 100;

    int Count() const { return int(m_nodes.size()); }

    void Clear();
    // Raises EXMLError on a mismatched end tag; the nodes read so far stay.
    void LoadFromText(const QString &text, bool compact);
    void LoadFromFile(const QString &fileName, bool compact);
    void Compact();
    // startIndex < 0: the whole document; otherwise the subtree of that node.
    QString GetText(int startIndex = -1, bool useTabs = false) const;
    void SaveToFile(const QString &fileName, int startIndex = -1) const;

    // Access by position; an index outside the list raises EXMLError.
    TMyXMLNode *Node(int index) const;
    int NodeLevel(int index) const;
    QString NodeName(int index) const;
    QString NodeValue(int index) const;
    void SetNodeValue(int index, const QString &value);
    QString NodeAttributesText(int index) const;
    QString NodeText(int index) const;

    // Level mode 0: level of the previous node, 1: one less, 2: one more,
    // 3: the node's own level. Returns the node's index.
    int AddNode(std::unique_ptr<TMyXMLNode> node, int levelMode);

    void GoTo(int index);
    void GoToNode(const TMyXMLNode *node);
    bool First();
    TMyXMLNode *CurrentNode() const;   // nullptr for an empty document
    bool Next();
    bool HasChildren(int index = -1) const;       // -1: the cursor
    bool GoToFirstChild(int index = -1);
    TMyXMLNode *ChildOf(int index = -1) const;

    // startIndex < 0: no start index (search from the cursor). With a start
    // index the cursor is moved there first.
    bool Find(const QString &name, int startIndex = -1);
    TMyXMLNode *FindNode(const QString &name, int startIndex = -1);
    bool Exists(const QString &name, int startIndex = -1);
    bool Locate(const QString &name, const QStringList &keys, int startIndex = -1);
    TMyXMLNode *LocateNode(const QString &name, const QStringList &keys, int startIndex = -1);
    bool LocateExists(const QString &name, const QStringList &keys, int startIndex = -1);

    void SetUpperCaseNames(bool flag);
    void SetIgnorePrefixes(bool flag);

private:
    struct NodeSink;
    struct RecordSink;
    int searchIndex(const QString &name, const QStringList *keys) const;
    int search(const QString &name, const QStringList *keys, int startIndex, bool keepCursor);
    void writeRange(QString &out, int begin, int end, bool useTabs) const;
    TMyXMLNode *at(int index) const;
    TMyXMLNode *newNode(int level, QString &&text, const QString &name = QString());
    void releaseNodes();

    // Document order. The reader makes its nodes in blocks (one allocation
    // for many nodes); nodes handed to AddNode are owned one by one.
    struct NodeBlock;
    std::vector<TMyXMLNode *> m_nodes;
    std::vector<std::unique_ptr<NodeBlock>> m_blocks;
    std::vector<std::unique_ptr<TMyXMLNode>> m_added;
};

// The part after the first ":", or the whole text when it has none.
QString StripPrefix(const QString &text);
