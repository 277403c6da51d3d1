#include "WsdlImport.h"

#include "CodePage1250.h"
#include "KorvelXML.h"
#include "Reporting.h"
#include "ReuseJob.h"
#include "SharedRoutinesCommon.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <new>
#include <optional>

namespace {

const QString kDefinitions = QStringLiteral("definitions");
const QString kPortType = QStringLiteral("portType");
const QString kOperation = QStringLiteral("operation");
const QString kMessage = QStringLiteral("message");
const QString kTypes = QStringLiteral("types");
const QString kSchema = QStringLiteral("schema");
const QString kComplexType = QStringLiteral("complexType");
const QString kElement = QStringLiteral("element");
const QString kName = QStringLiteral("name");
const QString kType = QStringLiteral("type");
const QString kRef = QStringLiteral("ref");
const QString kSequence = QStringLiteral("sequence");
const QString kAll = QStringLiteral("all");
const QString kChoice = QStringLiteral("choice");
const QString kComplexContent = QStringLiteral("complexContent");
const QString kSimpleContent = QStringLiteral("simpleContent");
const QString kRestriction = QStringLiteral("restriction");
const QString kExtension = QStringLiteral("extension");
const QString kBase = QStringLiteral("base");
const QString kAttribute = QStringLiteral("attribute");
const QString kArrayType = QStringLiteral("arrayType");
const QString kAnnotation = QStringLiteral("annotation");
const QString kArrayItem = QStringLiteral("item[]");

bool isGroup(QStringView name)
{
    return name == kSequence || name == kAll || name == kChoice;
}

bool isContent(QStringView name)
{
    return name == kComplexContent || name == kSimpleContent;
}

// Clears the repository's import flag on every way out.
class TImportingFlag
{
public:
    explicit TImportingFlag(TDM &dm) : m_dm(dm) { m_dm.SetImporting(true); }
    ~TImportingFlag() { m_dm.SetImporting(false); }
    TImportingFlag(const TImportingFlag &) = delete;
    TImportingFlag &operator=(const TImportingFlag &) = delete;

private:
    TDM &m_dm;
};

// Marks a named complex type as being imported while its members are: a
// type met again inside itself is a cycle.
class TActiveType
{
public:
    TActiveType(std::vector<char> &active, int node) : m_active(active), m_node(node) { m_active[size_t(node)] = 1; }
    ~TActiveType() { m_active[size_t(m_node)] = 0; }
    TActiveType(const TActiveType &) = delete;
    TActiveType &operator=(const TActiveType &) = delete;

private:
    std::vector<char> &m_active;
    int m_node;
};

// The reader does not report elements left open at the end, so a document
// cut off in the middle would import in part: its last markup (after
// trailing comments and processing instructions) must be the end tag of the
// root element.
bool endsWithEndTag(const QString &fileName, const QString &rootName)
{
    constexpr qint64 tailSize = 64 * 1024;
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        return true; // the reader has read it; nothing more to learn here
    const qint64 size = file.size();
    const bool whole = size <= tailSize;
    if (!whole)
        file.seek(size - tailSize);
    QString tail = CodePage1250::decode(file.read(tailSize));
    file.close();
    auto chopWhite = [&tail] {
        qsizetype n = tail.size();
        while (n > 0 && tail.at(n - 1).unicode() <= 32)
            --n;
        tail.truncate(n);
    };
    for (;;) {
        chopWhite();
        if (tail.endsWith(QLatin1String("-->")) || tail.endsWith(QLatin1String("?>"))) {
            const bool comment = tail.endsWith(QLatin1String("-->"));
            const qsizetype start = tail.lastIndexOf(comment ? QLatin1String("<!--") : QLatin1String("<?"));
            if (start < 0)
                return !whole; // begins before the part read: cannot tell
            tail.truncate(start);
            continue;
        }
        break;
    }
    if (!tail.endsWith(u'>'))
        return false;
    const qsizetype start = tail.lastIndexOf(QLatin1String("</"));
    if (start < 0)
        return !whole;
    return tail.mid(start + 2, tail.size() - start - 3).trimmed() == rootName;
}

} // namespace

TWsdlImporter::TWsdlImporter(TDM &dm, const QString &outputDirectory, IProgress *progress)
    : m_dm(dm), m_outputDirectory(outputDirectory), m_progress(progress)
{
}

TWsdlImporter::~TWsdlImporter() = default;

QString TWsdlImporter::RepositoryFolder() const
{
    return ReuseJob::RepositoryFolderOf(m_outputDirectory);
}

void TWsdlImporter::SetOperationObserver(std::function<void(int, int)> observer)
{
    m_observer = std::move(observer);
}

void TWsdlImporter::fail(const QString &message) const
{
    const QString separator = message.endsWith(u' ') ? QString() : QStringLiteral(" ");
    throw EWsdlImportError(message + separator + QStringLiteral("in file ") + QDir::toNativeSeparators(m_fileName));
}

void TWsdlImporter::warn(const QString &message) const
{
    if (IReporter *reporter = m_reporter ? m_reporter : m_dm.Reporter())
        reporter->ShowWarning(message);
}

TMyXMLNode *TWsdlImporter::node(int index) const
{
    return m_doc->Node(index);
}

bool TWsdlImporter::hasChildren(int index) const
{
    return m_doc->HasChildren(index);
}

QStringView TWsdlImporter::nameOf(int index) const
{
    return node(index)->LocalName();
}

TWsdlImportCounts TWsdlImporter::ImportWsdlFile(const QString &fileName)
{
    m_fileName = fileName;
    m_counts = TWsdlImportCounts();
    const QString baseName = QFileInfo(fileName).completeBaseName();

    // Opened afresh unless it is open here already just as a new open would
    // find it (nothing edited, no other writer since): that saves the
    // repository checks on every document of a long run.
    if (!m_dm.IsOpenUnchanged(RepositoryFolder()))
        m_dm.OpenRepository(RepositoryFolder(), false);
    // The old interface goes in the same transaction as the new one comes:
    // whatever stops the import leaves the repository as it was.
    TRepositoryTransaction tx(m_dm);
    m_dm.DeleteInterfaceByCSVName(baseName);
    TImportingFlag importing(m_dm);
    try {
        TMyXMLNodeList doc;
        struct TReset
        {
            TWsdlImporter &importer;
            ~TReset()
            {
                importer.m_doc = nullptr;
                importer.m_batch = nullptr;
                importer.m_nextSibling.clear();
                importer.m_messages.clear();
                importer.m_duplicateMessages.clear();
                importer.m_complexTypes.clear();
                importer.m_elements.clear();
                importer.m_arrayAttributes.clear();
                importer.m_typeActive.clear();
            }
        } reset{*this};

        loadDocument(doc);
        m_doc = &doc;
        const TMyXMLNode *definitions = doc.FindNode(kDefinitions);
        const TMyXMLNode *portType = doc.FindNode(kPortType);
        m_root = 0;
        if (node(m_root)->ChildExists(kTypes)) {
            const TMyXMLNode *types = doc.FindNode(kTypes);
            m_types = types->Index;
            m_typesName = types->Name;
            m_typesHasChildren = types->HasChildren();
        } else {
            // As a separate empty document "<types/>" would answer.
            m_types = -1;
            m_typesName = kTypes;
            m_typesHasChildren = false;
        }
        indexDocument();

        TRepositoryBatch rows(m_dm);
        m_batch = &rows;
        m_counts.interfaceKey =
            rows.AddInterface(baseName, portType->GetAttribute(kName), definitions->GetAttribute(kName));

        // The operations: the first "operation" below the port type and the
        // siblings that follow it as long as they are operations.
        std::vector<int> operations;
        if (doc.Node(portType->Index)->FindChild(kOperation))
            for (int op = doc.CurrentIndex; op >= 0 && nameOf(op) == kOperation; op = m_nextSibling[size_t(op)])
                operations.push_back(op);
        const int total = int(operations.size());
        if (m_progress)
            m_progress->StartCounting(total, QStringLiteral("Importing ") + QFileInfo(fileName).fileName());
        for (int i = 0; i < total; ++i) {
            importOperation(operations[size_t(i)]);
            ++m_counts.operations;
            if (m_progress)
                m_progress->StepProgress();
            if (m_observer)
                m_observer(i + 1, total);
        }
        m_counts.parameters = rows.ParameterRows();
        tx.Commit();
        rows.Finish();
    } catch (const EXMLError &e) {
        fail(e.message());
    } catch (const std::bad_alloc &) {
        fail(QStringLiteral("Not enough memory to import the document"));
    }
    return m_counts;
}

void TWsdlImporter::loadDocument(TMyXMLNodeList &doc)
{
    const qint64 size = QFileInfo(m_fileName).size();
    if (size > MaxFileSize)
        fail(QStringLiteral("The document is too large to import (%1 bytes)").arg(size));
    doc.LoadFromFile(m_fileName, true);
    doc.SetIgnorePrefixes(true);
    if (doc.Count() > 0 && !doc.Node(0)->IsEmpty && !endsWithEndTag(m_fileName, doc.Node(0)->Name))
        fail(QStringLiteral("The document is incomplete: the end tag of \"%1\" is missing").arg(doc.Node(0)->Name));
}

// One pass over the document: the next sibling of every node, and the
// messages, complex types and elements by name, so that no look-up scans.
// Where the model's searches take the first match in document order among
// all descendants, a global definition (a child of the root, of "types" or
// of a schema in it) is preferred here to a nested one of the same name.
void TWsdlImporter::indexDocument()
{
    const int count = m_doc->Count();
    m_nextSibling.assign(size_t(count), -1);
    m_typeActive.assign(size_t(count), 0);
    std::vector<int> parent(size_t(count), -1);
    std::vector<int> open; // the nodes whose later siblings or children may still follow
    for (int i = 0; i < count; ++i) {
        const int level = m_doc->NodeLevel(i);
        while (!open.empty() && m_doc->NodeLevel(open.back()) > level)
            open.pop_back();
        if (!open.empty() && m_doc->NodeLevel(open.back()) == level) {
            m_nextSibling[size_t(open.back())] = i;
            open.pop_back();
        }
        parent[size_t(i)] = open.empty() ? -1 : open.back();
        open.push_back(i);
    }

    auto descendantsEnd = [&](int index) {
        int end = index + 1;
        const int level = m_doc->NodeLevel(index);
        while (end < count && m_doc->NodeLevel(end) > level)
            ++end;
        return end;
    };
    // Inserts a definition; global ones win over nested ones, and among
    // equals the first in document order.
    auto add = [](QHash<QString, std::pair<int, bool>> &table, const QString &name, int index, bool global) {
        auto it = table.find(name);
        if (it == table.end())
            table.insert(name, {index, global});
        else if (global && !it->second)
            *it = {index, global};
    };

    QHash<QString, std::pair<int, bool>> messages;
    const int rootEnd = descendantsEnd(m_root);
    for (int i = m_root + 1; i < rootEnd; ++i) {
        const TMyXMLNode *n = node(i);
        if (n->LocalName() != kMessage || !n->HasAttribute(kName))
            continue;
        const QString name = n->GetAttribute(kName);
        const bool global = parent[size_t(i)] == m_root;
        const auto it = messages.constFind(name);
        if (global && it != messages.cend() && it->second)
            m_duplicateMessages.insert(name);
        add(messages, name, i, global);
    }
    for (auto it = messages.cbegin(); it != messages.cend(); ++it)
        m_messages.insert(it.key(), it->first);

    if (m_types < 0)
        return;
    QHash<QString, std::pair<int, bool>> complexTypes;
    QHash<QString, std::pair<int, bool>> elements;
    const int typesEnd = descendantsEnd(m_types);
    for (int i = m_types + 1; i < typesEnd; ++i) {
        const TMyXMLNode *n = node(i);
        const QStringView kind = n->LocalName();
        if ((kind != kComplexType && kind != kElement) || !n->HasAttribute(kName))
            continue;
        const int up = parent[size_t(i)];
        const bool global = up == m_types || (up >= 0 && parent[size_t(up)] == m_types && nameOf(up) == kSchema);
        add(kind == kComplexType ? complexTypes : elements, n->GetAttribute(kName), i, global);
    }
    for (auto it = complexTypes.cbegin(); it != complexTypes.cend(); ++it)
        m_complexTypes.insert(it.key(), it->first);
    for (auto it = elements.cbegin(); it != elements.cend(); ++it)
        m_elements.insert(it.key(), it->first);
}

int TWsdlImporter::complexTypeNamed(const QString &name) const
{
    return m_complexTypes.value(name, -1);
}

int TWsdlImporter::firstContent(int index) const
{
    if (!hasChildren(index))
        return -1;
    int child = index + 1;
    while (child >= 0 && nameOf(child) == kAnnotation)
        child = m_nextSibling[size_t(child)];
    return child;
}

QString TWsdlImporter::sequenceTypeOf(int typeNode) const
{
    const int content = firstContent(typeNode);
    if (content < 0)
        return QString();
    // The kinds' own texts: shared by all rows rather than copied for each.
    const QStringView name = nameOf(content);
    for (const QString *group : {&kSequence, &kAll, &kChoice})
        if (name == *group)
            return *group;
    if (isContent(name) && (isArray(firstContent(content)) || derivationOf(typeNode) >= 0))
        return name == kComplexContent ? kComplexContent : kSimpleContent;
    return QString();
}

bool TWsdlImporter::isArray(int restriction) const
{
    return restriction >= 0 && nameOf(restriction) == kRestriction
           && SameText(StripPrefix(node(restriction)->GetAttribute(kBase)).left(5), QStringLiteral("array"));
}

int TWsdlImporter::derivationOf(int typeNode) const
{
    const int content = firstContent(typeNode);
    if (content < 0 || !isContent(nameOf(content)))
        return -1;
    const int derivation = firstContent(content);
    if (derivation < 0 || isArray(derivation))
        return -1;
    const QStringView name = nameOf(derivation);
    return name == kExtension || name == kRestriction ? derivation : -1;
}

std::optional<QString> TWsdlImporter::simpleContentBase(int typeNode) const
{
    auto simpleDerivation = [this](int type) {
        const int derivation = derivationOf(type);
        return derivation >= 0 && nameOf(firstContent(type)) == kSimpleContent ? derivation : -1;
    };
    int derivation = simpleDerivation(typeNode);
    if (derivation < 0)
        return std::nullopt;
    // Through complex types that derive simple content from one another to
    // the simple type at the bottom; a base met again ends the walk.
    QString base = StripPrefix(node(derivation)->GetAttribute(kBase));
    QSet<int> seen{typeNode};
    for (int type = complexTypeNamed(base); type >= 0 && !seen.contains(type); type = complexTypeNamed(base)) {
        seen.insert(type);
        derivation = simpleDerivation(type);
        if (derivation < 0)
            break;
        base = StripPrefix(node(derivation)->GetAttribute(kBase));
    }
    return base;
}

bool TWsdlImporter::makeLeaf(TRepositoryBatch::TParameterRow &row, int typeNode, bool ofBaseType) const
{
    const std::optional<QString> base = simpleContentBase(typeNode);
    if (!base)
        return false;
    row.xsType = true;
    row.sequenceType.clear();
    if (ofBaseType)
        row.typeX = *base;
    return true;
}

int TWsdlImporter::arrayAttribute(int restriction)
{
    const auto known = m_arrayAttributes.constFind(restriction);
    if (known != m_arrayAttributes.cend())
        return *known;
    // The model's ChildByName, with its errors.
    const int found = node(restriction)->ChildByName(kAttribute)->Index;
    m_arrayAttributes.insert(restriction, found);
    return found;
}

void TWsdlImporter::addParameter(TRepositoryBatch::TParameterRow &row, QString &qualifier)
{
    if (m_batch->ParameterRows() >= m_maxParameterRows)
        fail(QStringLiteral("The document expands into more than %1 parameter rows").arg(m_maxParameterRows));
    row.dupliCheck = m_batch->DuplicateKey(row, qualifier);
    m_batch->AddParameter(row);
}

void TWsdlImporter::addTypedRow(TRepositoryBatch::TParameterRow &row, int level, QString &qualifier, int depth)
{
    row.levelX = level;
    const int type = complexTypeNamed(row.typeX);
    row.xsType = type < 0;
    bool expand = type >= 0;
    if (type >= 0) {
        if (makeLeaf(row, type, true)) {
            expand = false;
        } else {
            row.sequenceType = sequenceTypeOf(type);
            // A type met again inside itself: the repeat gets no members,
            // so lists and trees end.
            expand = !m_typeActive[size_t(type)];
        }
    }
    addParameter(row, qualifier);
    if (expand) {
        TActiveType active(m_typeActive, type);
        ImportComplexType(type, level + 1, qualifier, depth + 1);
    }
}

void TWsdlImporter::importOperation(int operation)
{
    m_batch->AddOperation(node(operation)->GetAttribute(kName));
    if (!hasChildren(operation))
        return;
    for (int child = operation + 1; child >= 0; child = m_nextSibling[size_t(child)]) {
        const TMyXMLNode *io = node(child);
        // A child that names no message (a documentation element) makes no row.
        if (!io->HasAttribute(kMessage))
            continue;
        const QString messageName = StripPrefix(io->GetAttribute(kMessage));
        m_batch->AddInputOutput(io->GetName(), messageName);
        ++m_counts.messages;

        if (!hasChildren(m_root))
            fail(QStringLiteral("Tag %1 has no children!").arg(node(m_root)->Name));
        const int message = m_messages.value(messageName, -1);
        if (message < 0)
            fail(QStringLiteral("Tag \"%1\" doesn't exist").arg(kMessage));
        // The first definition counts; the others are reported once.
        if (m_duplicateMessages.remove(messageName))
            warn(QStringLiteral("Message \"%1\" is defined more than once in file %2: the first definition is imported")
                     .arg(messageName, QDir::toNativeSeparators(m_fileName)));
        if (!hasChildren(message))
            continue;
        m_qualifier = node(message)->GetAttribute(kName);
        for (int part = message + 1; part >= 0; part = m_nextSibling[size_t(part)])
            importPart(part);
    }
}

void TWsdlImporter::importPart(int part)
{
    const TMyXMLNode *p = node(part);
    TRepositoryBatch::TParameterRow row;
    row.name = p->GetAttribute(kName);
    row.levelX = 1;
    if (p->HasAttribute(kType)) {
        row.typeX = StripPrefix(p->GetAttribute(kType));
        addTypedRow(row, 1, m_qualifier, 0);
        return;
    }
    if (p->HasAttribute(kElement)) {
        row.typeX = StripPrefix(p->GetAttribute(kElement));
        row.xsType = false;
        if (!m_typesHasChildren)
            fail(QStringLiteral("Tag %1 has no children!").arg(m_typesName));
        const int element = m_elements.value(row.typeX, -1);
        if (element < 0)
            fail(QStringLiteral("Tag \"%1\" doesn't exist").arg(kElement));
        // The element's own content, or else the complex type it names.
        int content = firstContent(element);
        int namedType = -1;
        if (content < 0 && node(element)->HasAttribute(kType))
            content = namedType = complexTypeNamed(StripPrefix(node(element)->GetAttribute(kType)));
        if (content >= 0 && makeLeaf(row, content, false))
            content = namedType = -1;
        else if (content >= 0)
            row.sequenceType = sequenceTypeOf(content);
        addParameter(row, m_qualifier);
        if (namedType >= 0) {
            TActiveType active(m_typeActive, namedType);
            ImportComplexType(namedType, 2, m_qualifier, 1);
        } else if (content >= 0) {
            ImportComplexType(content, 2, m_qualifier, 1);
        }
    }
    // A part with neither type nor element (a documentation element) makes no row.
}

void TWsdlImporter::ImportComplexType(int typeNode, int level, QString qualifier, int depth)
{
    if (depth > MaxNesting)
        fail(QStringLiteral("Types are nested more than %1 levels deep").arg(MaxNesting));
    const int content = firstContent(typeNode);
    if (content < 0)
        return; // an empty complex type has no members
    const QStringView name = nameOf(content);
    if (isGroup(name)) {
        importMembers(content, level, qualifier, depth);
        return;
    }
    if (!isContent(name))
        return;
    const int restriction = firstContent(content);
    if (!isArray(restriction)) {
        const int derivation = derivationOf(typeNode);
        if (derivation < 0)
            fail(QStringLiteral("Unknown construct in complexType name = \"%1\" ").arg(node(typeNode)->GetAttribute(kName)));
        // Simple content made its row a leaf before the row was written.
        if (name == kComplexContent)
            importDerived(typeNode, derivation, level, qualifier, depth);
        return;
    }

    const TMyXMLNode *attribute = node(arrayAttribute(restriction));
    TRepositoryBatch::TParameterRow row;
    row.name = kArrayItem;
    row.typeX = StripPrefix(attribute->GetAttribute(kArrayType));
    const qsizetype bracket = row.typeX.indexOf(u'[');
    if (bracket >= 0)
        row.typeX.truncate(bracket);
    row.xsArray = true;
    addTypedRow(row, level, qualifier, depth);
}

// An extension has the members of its base (and of the base's bases) first,
// then its own, all on one level; a restriction has only its own. The bases
// are walked in a loop, not by recursion, so long chains cannot exhaust the
// stack; a base met again ends the chain.
void TWsdlImporter::importDerived(int typeNode, int derivation, int level, QString &qualifier, int depth)
{
    std::vector<int> groups; // the member groups, the type's own first
    QSet<int> seen{typeNode};
    auto addGroupOf = [&](int holder) {
        const int group = firstContent(holder);
        if (group >= 0 && isGroup(nameOf(group)))
            groups.push_back(group);
    };
    for (int d = derivation;;) {
        addGroupOf(d);
        if (nameOf(d) != kExtension)
            break;
        const int base = complexTypeNamed(StripPrefix(node(d)->GetAttribute(kBase)));
        if (base < 0 || seen.contains(base))
            break;
        seen.insert(base);
        const int content = firstContent(base);
        if (content < 0)
            break;
        if (isGroup(nameOf(content))) {
            groups.push_back(content);
            break;
        }
        d = derivationOf(base);
        if (d < 0 || nameOf(content) != kComplexContent)
            break;
    }
    for (auto group = groups.crbegin(); group != groups.crend(); ++group)
        importMembers(*group, level, qualifier, depth);
}

// The members of a sequence, all or choice; a group nested in it adds its
// members in place, under the same qualifier. Other content (annotations,
// attributes, wildcards) makes no rows.
void TWsdlImporter::importMembers(int group, int level, QString &qualifier, int depth)
{
    if (!hasChildren(group))
        return;
    for (int member = group + 1; member >= 0; member = m_nextSibling[size_t(member)]) {
        const QStringView name = nameOf(member);
        if (name == kElement) {
            importMember(member, level, qualifier, depth);
        } else if (isGroup(name)) {
            if (depth + 1 > MaxNesting)
                fail(QStringLiteral("Types are nested more than %1 levels deep").arg(MaxNesting));
            importMembers(member, level, qualifier, depth + 1);
        }
    }
}

void TWsdlImporter::importMember(int member, int level, QString &qualifier, int depth)
{
    const TMyXMLNode *m = node(member);
    // A reference reads as the element it names, with that element's name;
    // one that no schema defines stays the nameless row it always was.
    if (!m->HasAttribute(kName) && !m->HasAttribute(kType) && m->HasAttribute(kRef)) {
        const int target = m_elements.value(StripPrefix(m->GetAttribute(kRef)), -1);
        if (target >= 0 && target != member) {
            if (depth + 1 > MaxNesting)
                fail(QStringLiteral("Types are nested more than %1 levels deep").arg(MaxNesting));
            importMember(target, level, qualifier, depth + 1);
            return;
        }
    }
    TRepositoryBatch::TParameterRow row;
    row.levelX = level;
    if (m->HasAttribute(kType)) {
        row.name = m->GetAttribute(kName);
        row.typeX = StripPrefix(m->GetAttribute(kType));
        addTypedRow(row, level, qualifier, depth);
        return;
    }
    // An element with its type inside: complex-typed, grouped under the
    // message-level qualifier, which then becomes its name.
    row.name = StripPrefix(m->GetAttribute(kName));
    row.typeX = row.name;
    row.xsType = false;
    int content = firstContent(member);
    if (content >= 0 && makeLeaf(row, content, false))
        content = -1;
    else if (content >= 0)
        row.sequenceType = sequenceTypeOf(content);
    addParameter(row, m_qualifier);
    if (content >= 0)
        ImportComplexType(content, level + 1, m_qualifier, depth + 1);
}
