#include "WsdlImport.h"

#include "CodePage1250.h"
#include "KorvelXML.h"
#include "Reporting.h"
#include "ReuseJob.h"
#include "SharedRoutinesCommon.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <QRegularExpression>
#include <QUrl>

#include <algorithm>
#include <limits>
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
const QString kSimpleType = QStringLiteral("simpleType");
const QString kGroup = QStringLiteral("group");
const QString kImport = QStringLiteral("import");
const QString kInclude = QStringLiteral("include");
const QString kRedefine = QStringLiteral("redefine");
const QString kLocation = QStringLiteral("location");
const QString kSchemaLocation = QStringLiteral("schemaLocation");
const QString kNamespace = QStringLiteral("namespace");
const QString kTargetNamespace = QStringLiteral("targetNamespace");

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

// Namespaces whose schemas every SOAP stack knows: an import of one of them
// needs nothing fetched.
bool isWellKnownNamespace(const QString &ns)
{
    static const QStringList known{
        QStringLiteral("http://www.w3.org/2001/XMLSchema"),
        QStringLiteral("http://www.w3.org/XML/1998/namespace"),
        QStringLiteral("http://schemas.xmlsoap.org/soap/encoding/"),
        QStringLiteral("http://schemas.xmlsoap.org/soap/envelope/"),
        QStringLiteral("http://schemas.xmlsoap.org/wsdl/"),
        QStringLiteral("http://schemas.xmlsoap.org/wsdl/soap/"),
        QStringLiteral("http://www.w3.org/2003/05/soap-encoding"),
        QStringLiteral("http://www.w3.org/2003/05/soap-envelope"),
    };
    return known.contains(ns);
}

// The file a location names, resolved against the importing file's folder;
// none for a URL (of any scheme but "file"), which is never fetched. A
// single letter before the colon is no scheme.
std::optional<QString> localPathOf(const QString &location, const QString &importedBy)
{
    static const QRegularExpression scheme(QStringLiteral("^([A-Za-z][A-Za-z0-9+.\\-]+):"));
    QString path = location.trimmed();
    const QRegularExpressionMatch m = scheme.match(path);
    if (m.hasMatch()) {
        if (m.captured(1).compare(QStringLiteral("file"), Qt::CaseInsensitive) != 0)
            return std::nullopt;
        path = QUrl(path).toLocalFile();
    }
    path.replace(u'\\', u'/');
    path = QDir::cleanPath(QFileInfo(importedBy).absoluteDir().absoluteFilePath(path));
    if (!QFileInfo::exists(path) && path.contains(u'%'))
        path = QUrl::fromPercentEncoding(path.toUtf8());
    return path;
}

// The value of a namespace declaration ("xmlns" or "xmlns:p") on a start
// tag's markup; none when the tag does not declare it.
std::optional<QString> declaredValue(const QString &markup, const QString &attribute)
{
    for (qsizetype at = markup.indexOf(attribute); at >= 0; at = markup.indexOf(attribute, at + 1)) {
        if (at == 0 || !markup.at(at - 1).isSpace())
            continue;
        qsizetype i = at + attribute.size();
        while (i < markup.size() && markup.at(i).isSpace())
            ++i;
        if (i >= markup.size() || markup.at(i) != u'=')
            continue;
        ++i;
        while (i < markup.size() && markup.at(i).isSpace())
            ++i;
        if (i >= markup.size() || (markup.at(i) != u'"' && markup.at(i) != u'\''))
            continue;
        const qsizetype close = markup.indexOf(markup.at(i), i + 1);
        if (close < 0)
            return std::nullopt;
        return markup.mid(i + 1, close - i - 1);
    }
    return std::nullopt;
}

QString quoted(const QString &path)
{
    return u'"' + QDir::toNativeSeparators(path) + u'"';
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

void TWsdlImporter::fail(const QString &message, const QString &file) const
{
    const QString separator = message.endsWith(u' ') ? QString() : QStringLiteral(" ");
    throw EWsdlImportError(message + separator + QStringLiteral("in file ")
                           + QDir::toNativeSeparators(file.isEmpty() ? m_fileName : file));
}

void TWsdlImporter::warn(const QString &message) const
{
    if (IReporter *reporter = m_reporter ? m_reporter : m_dm.Reporter())
        reporter->ShowWarning(message);
}

int TWsdlImporter::documentOf(int index) const
{
    if (m_starts.size() == 1)
        return 0;
    return int(std::upper_bound(m_starts.cbegin(), m_starts.cend(), index) - m_starts.cbegin()) - 1;
}

TMyXMLNode *TWsdlImporter::node(int index) const
{
    const TDocument &d = m_documents[size_t(documentOf(index))];
    return d.list->Node(index - d.start);
}

bool TWsdlImporter::hasChildren(int index) const
{
    const TDocument &d = m_documents[size_t(documentOf(index))];
    return d.list->HasChildren(index - d.start);
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
    // The old interfaces go in the same transaction as the new ones come:
    // whatever stops the import leaves the repository as it was.
    TRepositoryTransaction tx(m_dm);
    m_dm.DeleteInterfaceByCSVName(baseName);
    TImportingFlag importing(m_dm);
    try {
        struct TReset
        {
            TWsdlImporter &importer;
            ~TReset()
            {
                importer.m_batch = nullptr;
                importer.m_documents.clear();
                importer.m_starts.clear();
                importer.m_loaded.clear();
                importer.m_pending.clear();
                importer.m_remoteLocations.clear();
                importer.m_remoteNamespaces.clear();
                importer.m_loadedBytes = 0;
                importer.m_hasSchemas = false;
                importer.m_nextSibling.clear();
                importer.m_parent.clear();
                importer.m_portTypes.clear();
                importer.m_messages = TTable();
                importer.m_duplicateMessages.clear();
                importer.m_complexTypes = TTable();
                importer.m_elements = TTable();
                importer.m_groups = TTable();
                importer.m_arrayAttributes.clear();
                importer.m_typeActive.clear();
            }
        } reset{*this};

        std::unique_ptr<TMyXMLNodeList> loaded = loadDocument(fileName, QString());
        TMyXMLNodeList &doc = *loaded;
        const TMyXMLNode *definitions = nullptr;
        try {
            definitions = doc.FindNode(kDefinitions);
        } catch (const EXMLError &e) {
            const QString root = doc.Count() > 0 ? doc.Node(0)->LocalName().toString() : QString();
            QString why;
            if (root.isEmpty())
                why = QStringLiteral("the document holds no elements");
            else if (root == QStringLiteral("description"))
                why = QStringLiteral("the document is WSDL 2.0 (\"description\"), which is not imported");
            else if (root == kSchema)
                why = QStringLiteral("the document is an XML schema, not a WSDL 1.1 document");
            else
                why = QStringLiteral("the document is not WSDL 1.1 (its root element is \"%1\")").arg(root);
            fail(e.message() + QStringLiteral(": ") + why);
        }
        m_root = 0;
        if (doc.Node(m_root)->ChildExists(kTypes)) {
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
        const QString definitionsName = definitions->GetAttribute(kName);
        addDocument(std::move(loaded), fileName, QString());
        loadImports();

        // The first port type of the document (or, when it has none, of the
        // documents it imports) is the first interface, then every other
        // one in document order.
        std::vector<int> portTypes;
        const int firstPortType = [&] {
            try {
                return doc.FindNode(kPortType)->Index;
            } catch (const EXMLError &e) {
                if (m_portTypes.empty())
                    fail(e.message() + QStringLiteral(": the document defines no port type")
                         + (m_remoteLocations.isEmpty() ? QString()
                                                        : QStringLiteral("; remote documents are not fetched (\"%1\")")
                                                              .arg(m_remoteLocations.join(QStringLiteral("\", \"")))));
                return m_portTypes.front();
            }
        }();
        portTypes.push_back(firstPortType);
        // The further port types come on top of what the first one gives: one
        // that names a message or element that no document defines is left
        // out, with a warning, rather than costing the whole document.
        for (int p : m_portTypes) {
            if (p == firstPortType)
                continue;
            if (const std::optional<QString> missing = missingReference(p))
                warn(QStringLiteral("Port type \"%1\" in file %2 is not imported: %3")
                         .arg(node(p)->GetAttribute(kName),
                              QDir::toNativeSeparators(m_documents[size_t(documentOf(p))].fileName), *missing));
            else
                portTypes.push_back(p);
        }

        TRepositoryBatch rows(m_dm);
        m_batch = &rows;
        std::vector<std::vector<int>> operations(portTypes.size());
        int total = 0;
        for (size_t i = 0; i < portTypes.size(); ++i) {
            operations[i] = operationsOf(portTypes[i]);
            total += int(operations[i].size());
        }
        if (m_progress)
            m_progress->StartCounting(total, QStringLiteral("Importing ") + QFileInfo(fileName).fileName());
        int done = 0;
        for (size_t i = 0; i < portTypes.size(); ++i) {
            const qint64 key = rows.AddInterface(baseName, node(portTypes[i])->GetAttribute(kName), definitionsName);
            if (i == 0)
                m_counts.interfaceKey = key;
            ++m_counts.interfaces;
            for (int op : operations[i]) {
                importOperation(op);
                ++m_counts.operations;
                if (m_progress)
                    m_progress->StepProgress();
                if (m_observer)
                    m_observer(++done, total);
            }
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

std::unique_ptr<TMyXMLNodeList> TWsdlImporter::loadDocument(const QString &fileName, const QString &importedBy)
{
    const qint64 size = QFileInfo(fileName).size();
    m_loadedBytes += size;
    if (importedBy.isEmpty() && size > MaxFileSize)
        fail(QStringLiteral("The document is too large to import (%1 bytes)").arg(size));
    if (m_loadedBytes > MaxFileSize)
        fail(QStringLiteral("The documents it imports are too large to import (%1 bytes in all)").arg(m_loadedBytes), importedBy);
    auto doc = std::make_unique<TMyXMLNodeList>();
    if (importedBy.isEmpty()) {
        doc->LoadFromFile(fileName, true);
    } else {
        try {
            doc->LoadFromFile(fileName, true);
        } catch (const EXMLError &e) {
            fail(QStringLiteral("The imported document %1 cannot be read: %2").arg(quoted(fileName), e.message()), importedBy);
        }
    }
    doc->SetIgnorePrefixes(true);
    if (doc->Count() > 0 && !doc->Node(0)->IsEmpty && !endsWithEndTag(fileName, doc->Node(0)->Name)) {
        const QString message =
            QStringLiteral("The document is incomplete: the end tag of \"%1\" is missing").arg(doc->Node(0)->Name);
        if (importedBy.isEmpty())
            fail(message);
        fail(QStringLiteral("The imported document %1 cannot be read: %2").arg(quoted(fileName), message), importedBy);
    }
    return doc;
}

void TWsdlImporter::addDocument(std::unique_ptr<TMyXMLNodeList> list, const QString &fileName,
                                const QString &includedNamespace)
{
    const int start = m_documents.empty() ? 0 : m_documents.back().start + m_documents.back().list->Count();
    const int count = list->Count();
    if (qint64(start) + count > std::numeric_limits<int>::max() / 2)
        fail(QStringLiteral("The documents it imports are too large to import"));
    TDocument d;
    d.fileName = fileName;
    d.start = start;
    d.wsdl = count > 0 && list->Node(0)->LocalName() == kDefinitions;
    d.includedNamespace = includedNamespace;
    d.list = std::move(list);
    // The imported file is known by its path only once it imports others:
    // most documents import nothing, and the look-up costs system calls.
    if (!m_documents.empty())
        m_loaded.insert(QFileInfo(fileName).canonicalFilePath(), int(m_documents.size()));
    m_documents.push_back(std::move(d));
    m_starts.push_back(start);
    indexDocument(int(m_documents.size()) - 1);
}

// The documents that the imported file imports, and theirs in turn, each
// read once however often it is named; breadth first, so a chain of any
// length needs no recursion.
void TWsdlImporter::loadImports()
{
    if (m_pending.empty())
        return;
    m_loaded.insert(QFileInfo(m_documents.front().fileName).canonicalFilePath(), 0);
    for (size_t next = 0; next < m_pending.size(); ++next) {
        const TPendingImport pending = m_pending[next];
        const QString &importedBy = m_documents[size_t(pending.document)].fileName;
        const std::optional<QString> path = localPathOf(pending.location, importedBy);
        if (!path) {
            if (!pending.remoteNamespace.isEmpty() && !m_remoteNamespaces.contains(pending.remoteNamespace))
                m_remoteNamespaces.insert(pending.remoteNamespace, pending.location);
            if (!m_remoteLocations.contains(pending.location)) {
                m_remoteLocations.append(pending.location);
                warn(QStringLiteral("Remote document \"%1\" imported in file %2 is not fetched: remote documents are never fetched")
                         .arg(pending.location, QDir::toNativeSeparators(importedBy)));
            }
            continue;
        }
        const QFileInfo info(*path);
        if (!info.isFile())
            fail(QStringLiteral("The imported document %1 (location \"%2\") does not exist").arg(quoted(*path), pending.location),
                 importedBy);
        if (m_loaded.contains(info.canonicalFilePath()))
            continue;
        std::unique_ptr<TMyXMLNodeList> list = loadDocument(*path, importedBy);
        const QString root = list->Count() > 0 ? list->Node(0)->LocalName().toString() : QString();
        if (root != kDefinitions && root != kSchema)
            fail(QStringLiteral("The imported document %1 is neither a WSDL 1.1 document nor an XML schema%2")
                     .arg(quoted(*path), root.isEmpty() ? QString() : QStringLiteral(" (its root element is \"%1\")").arg(root)),
                 importedBy);
        addDocument(std::move(list), *path, pending.includedNamespace);
    }
}

// One pass over a document: the next sibling and parent of every node, the
// documents it imports, and its messages, port types, complex types,
// elements and groups by name, so that no look-up scans. Where the model's
// searches take the first match in document order among all descendants, a
// global definition (a child of the root, of "types" or of a schema) is
// preferred to a nested one of the same name.
void TWsdlImporter::indexDocument(int document)
{
    const TDocument &d = m_documents[size_t(document)];
    const TMyXMLNodeList &list = *d.list;
    const int count = list.Count();
    const int start = d.start;
    const int end = start + count;
    m_nextSibling.resize(size_t(end), -1);
    m_parent.resize(size_t(end), -1);
    m_typeActive.resize(size_t(end), 0);
    std::vector<int> open; // the nodes whose later siblings or children may still follow
    for (int i = 0; i < count; ++i) {
        const int level = list.NodeLevel(i);
        while (!open.empty() && list.NodeLevel(open.back()) > level)
            open.pop_back();
        if (!open.empty() && list.NodeLevel(open.back()) == level) {
            m_nextSibling[size_t(start + open.back())] = start + i;
            open.pop_back();
        }
        m_parent[size_t(start + i)] = open.empty() ? -1 : start + open.back();
        open.push_back(i);
    }
    if (count == 0)
        return;

    auto add = [](TTable &table, const QString &name, int index, bool global) {
        auto it = table.first.find(name);
        if (it == table.first.end()) {
            table.first.insert(name, {index, global});
        } else if (global && !it->second) {
            *it = {index, global};
        } else if (global) {
            std::vector<int> &all = table.alternatives[name];
            if (all.empty())
                all.push_back(it->first);
            all.push_back(index);
        }
    };
    auto parentOf = [this](int i) { return m_parent[size_t(i)]; };
    const int root = start;

    // The schemas' scopes: the main document's "types" as the model finds
    // it, then any other "types" of a WSDL document's root, or a whole schema.
    std::vector<std::pair<int, int>> scopes; // (first node, end)
    auto scopeOf = [&](int types) {
        int scopeEnd = types + 1;
        while (scopeEnd < end && list.NodeLevel(scopeEnd - start) > list.NodeLevel(types - start))
            ++scopeEnd;
        scopes.emplace_back(types, scopeEnd);
    };
    if (d.wsdl) {
        if (document == 0 && m_types >= 0)
            scopeOf(m_types);
        for (int c = root + 1; c >= 0 && c < end; c = m_nextSibling[size_t(c)])
            if (nameOf(c) == kTypes && !(document == 0 && c == m_types)) {
                scopeOf(c);
                if (hasChildren(c))
                    m_hasSchemas = true;
            }
        for (int i = root + 1; i < end; ++i) {
            const TMyXMLNode *n = node(i);
            const QStringView kind = n->LocalName();
            const bool global = parentOf(i) == root;
            if (kind == kMessage && n->HasAttribute(kName)) {
                const QString name = n->GetAttribute(kName);
                const auto it = m_messages.first.constFind(name);
                if (global && it != m_messages.first.cend() && it->second && documentOf(it->first) == document)
                    m_duplicateMessages.insert(name);
                add(m_messages, name, i, global);
            } else if (kind == kPortType && global) {
                m_portTypes.push_back(i);
            } else if (kind == kImport && global && n->HasAttribute(kLocation)) {
                m_pending.push_back({document, n->GetAttribute(kLocation), QString(), n->GetAttribute(kNamespace)});
            }
        }
    } else {
        scopes.emplace_back(root, end);
        m_hasSchemas = true;
    }

    for (const auto &[from, scopeEnd] : scopes)
        for (int i = from; i < scopeEnd; ++i) {
            const TMyXMLNode *n = node(i);
            const QStringView kind = n->LocalName();
            const int up = parentOf(i);
            if ((kind == kImport || kind == kInclude || kind == kRedefine) && up >= 0 && nameOf(up) == kSchema) {
                if (!n->HasAttribute(kSchemaLocation))
                    continue; // a namespace whose schema comes with the document, or a built-in one
                const QString location = n->GetAttribute(kSchemaLocation);
                if (kind == kImport && isWellKnownNamespace(n->GetAttribute(kNamespace)) && !localPathOf(location, d.fileName))
                    continue;
                const QString ns = kind == kImport ? n->GetAttribute(kNamespace) : targetNamespaceOf(up);
                m_pending.push_back({document, location, kind == kImport ? QString() : ns, ns});
                continue;
            }
            if (!n->HasAttribute(kName))
                continue;
            TTable *table = kind == kComplexType ? &m_complexTypes
                            : kind == kElement   ? &m_elements
                            : kind == kGroup     ? &m_groups
                                                 : nullptr;
            if (!table)
                continue;
            const bool global = up == from || (up >= 0 && nameOf(up) == kSchema && (up == root || parentOf(up) == from));
            add(*table, n->GetAttribute(kName), i, global);
        }
}

int TWsdlImporter::lookup(const TTable &table, const QString &reference, int referrer) const
{
    const qsizetype colon = reference.indexOf(u':');
    const QString local = colon < 0 ? reference : reference.mid(colon + 1);
    const auto it = table.first.constFind(local);
    if (it == table.first.cend())
        return -1;
    const auto all = table.alternatives.constFind(local);
    if (all == table.alternatives.cend())
        return it->first;
    const std::optional<QString> ns = namespaceOfPrefix(referrer, colon < 0 ? QStringView() : QStringView(reference).left(colon));
    if (ns)
        for (int candidate : *all)
            if (targetNamespaceOf(candidate) == *ns)
                return candidate;
    return it->first;
}

int TWsdlImporter::complexTypeOf(int referrer, const QString &attribute) const
{
    return typeNamed(node(referrer)->GetAttribute(attribute), referrer);
}

// A type that no loaded schema defines is a simple one, unless its namespace
// is that of a remote document, which would have defined it.
int TWsdlImporter::typeNamed(const QString &reference, int referrer) const
{
    const int type = lookup(m_complexTypes, reference, referrer);
    if (type >= 0 || m_remoteNamespaces.isEmpty())
        return type;
    const qsizetype colon = reference.indexOf(u':');
    const std::optional<QString> ns = namespaceOfPrefix(referrer, colon < 0 ? QStringView() : QStringView(reference).left(colon));
    if (ns && m_remoteNamespaces.contains(*ns))
        fail(QStringLiteral("Type \"%1\" is not defined in the document or the local files it imports; it belongs to the "
                            "remote document \"%2\", and remote documents are not fetched")
                 .arg(reference, m_remoteNamespaces.value(*ns)),
             m_documents[size_t(documentOf(referrer))].fileName);
    return type;
}

// The namespace that a prefix stands for on the node: the nearest
// declaration on it or its ancestors; none when undeclared.
std::optional<QString> TWsdlImporter::namespaceOfPrefix(int index, QStringView prefix) const
{
    const QString attribute = prefix.isEmpty() ? QStringLiteral("xmlns") : QStringLiteral("xmlns:") + prefix.toString();
    for (int n = index; n >= 0; n = m_parent[size_t(n)]) {
        const TMyXMLNode *x = node(n);
        if (x->HasAttributes)
            if (std::optional<QString> value = declaredValue(x->Text, attribute))
                return value;
    }
    return std::nullopt;
}

// The namespace a definition belongs to: its schema's (or, for a message,
// its document's) target namespace; an included schema without one takes
// the including schema's.
QString TWsdlImporter::targetNamespaceOf(int definition) const
{
    for (int n = m_parent[size_t(definition)]; n >= 0; n = m_parent[size_t(n)]) {
        const QStringView kind = nameOf(n);
        if (kind != kSchema && kind != kDefinitions)
            continue;
        const TMyXMLNode *x = node(n);
        if (x->HasAttribute(kTargetNamespace))
            return x->GetAttribute(kTargetNamespace);
        const TDocument &d = m_documents[size_t(documentOf(n))];
        return n == d.start ? d.includedNamespace : QString();
    }
    return QString();
}

// The first "operation" below the port type and the siblings that follow it
// as long as they are operations.
std::vector<int> TWsdlImporter::operationsOf(int portType) const
{
    std::vector<int> operations;
    TMyXMLNode *p = node(portType);
    if (p->FindChild(kOperation)) {
        const int start = m_documents[size_t(documentOf(portType))].start;
        for (int op = start + p->Owner->CurrentIndex; op >= 0 && nameOf(op) == kOperation; op = m_nextSibling[size_t(op)])
            operations.push_back(op);
    }
    return operations;
}

std::optional<QString> TWsdlImporter::missingReference(int portType) const
{
    for (int op : operationsOf(portType)) {
        if (!hasChildren(op))
            continue;
        for (int io = op + 1; io >= 0; io = m_nextSibling[size_t(io)]) {
            if (!node(io)->HasAttribute(kMessage))
                continue;
            const QString reference = node(io)->GetAttribute(kMessage);
            const int message = lookup(m_messages, reference, io);
            if (message < 0)
                return QStringLiteral("message \"%1\" of operation \"%2\" is %3")
                    .arg(reference, node(op)->GetAttribute(kName), notDefinedHere());
            if (!hasChildren(message))
                continue;
            for (int part = message + 1; part >= 0; part = m_nextSibling[size_t(part)])
                if (!node(part)->HasAttribute(kType) && node(part)->HasAttribute(kElement)
                    && lookup(m_elements, node(part)->GetAttribute(kElement), part) < 0)
                    return QStringLiteral("element \"%1\" of message \"%2\" is %3")
                        .arg(node(part)->GetAttribute(kElement), node(message)->GetAttribute(kName), notDefinedHere());
        }
    }
    return std::nullopt;
}

QString TWsdlImporter::notDefinedHere() const
{
    if (m_remoteLocations.isEmpty())
        return QStringLiteral("not defined in the document or the local files it imports");
    return QStringLiteral("not defined in the document or the local files it imports; remote documents are not fetched (\"%1\")")
        .arg(m_remoteLocations.join(QStringLiteral("\", \"")));
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

int TWsdlImporter::modelGroupOf(int content) const
{
    if (content < 0)
        return -1;
    const QStringView name = nameOf(content);
    if (isGroup(name))
        return content;
    if (name != kGroup || !node(content)->HasAttribute(kRef))
        return -1;
    const int definition = lookup(m_groups, node(content)->GetAttribute(kRef), content);
    if (definition < 0 || definition == content)
        return -1;
    const int group = firstContent(definition);
    return group >= 0 && isGroup(nameOf(group)) ? group : -1;
}

QString TWsdlImporter::sequenceTypeOf(int typeNode) const
{
    const int content = firstContent(typeNode);
    if (content < 0)
        return QString();
    // The kinds' own texts: shared by all rows rather than copied for each.
    const int group = modelGroupOf(content);
    if (group >= 0) {
        const QStringView name = nameOf(group);
        for (const QString *kind : {&kSequence, &kAll, &kChoice})
            if (name == *kind)
                return *kind;
    }
    const QStringView name = nameOf(content);
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
    QSet<int> seen{typeNode};
    for (int type = complexTypeOf(derivation, kBase); type >= 0 && !seen.contains(type); type = complexTypeOf(derivation, kBase)) {
        seen.insert(type);
        const int next = simpleDerivation(type);
        if (next < 0)
            break;
        derivation = next;
    }
    return StripPrefix(node(derivation)->GetAttribute(kBase));
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

std::optional<QString> TWsdlImporter::inlineSimpleType(int element) const
{
    const int content = firstContent(element);
    if (content < 0 || nameOf(content) != kSimpleType)
        return std::nullopt;
    const int derivation = firstContent(content);
    if (derivation >= 0 && nameOf(derivation) == kRestriction && node(derivation)->HasAttribute(kBase))
        return StripPrefix(node(derivation)->GetAttribute(kBase));
    return QStringLiteral("string"); // a list, a union, or a restriction of a simple type written inside it
}

int TWsdlImporter::arrayAttribute(int restriction)
{
    const auto known = m_arrayAttributes.constFind(restriction);
    if (known != m_arrayAttributes.cend())
        return *known;
    // The model's ChildByName, with its errors.
    const TMyXMLNode *attribute = node(restriction)->ChildByName(kAttribute);
    const int found = m_documents[size_t(documentOf(restriction))].start + attribute->Index;
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

void TWsdlImporter::addTypedRow(TRepositoryBatch::TParameterRow &row, int type, int level, QString &qualifier, int depth)
{
    row.levelX = level;
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
        const QString reference = io->GetAttribute(kMessage);
        const QString messageName = StripPrefix(reference);
        m_batch->AddInputOutput(io->GetName(), messageName);
        ++m_counts.messages;

        if (!hasChildren(m_root))
            fail(QStringLiteral("Tag %1 has no children!").arg(node(m_root)->Name));
        const int message = lookup(m_messages, reference, child);
        if (message < 0)
            fail(QStringLiteral("Tag \"%1\" doesn't exist: message \"%2\" of operation \"%3\" is %4")
                     .arg(kMessage, reference, node(operation)->GetAttribute(kName), notDefinedHere()));
        // The first definition counts; the others are reported once.
        if (m_duplicateMessages.remove(messageName))
            warn(QStringLiteral("Message \"%1\" is defined more than once in file %2: the first definition is imported")
                     .arg(messageName, QDir::toNativeSeparators(m_documents[size_t(documentOf(message))].fileName)));
        if (!hasChildren(message))
            continue;
        m_qualifier = node(message)->GetAttribute(kName);
        m_messageName = m_qualifier;
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
        addTypedRow(row, complexTypeOf(part, kType), 1, m_qualifier, 0);
        return;
    }
    if (p->HasAttribute(kElement)) {
        const QString reference = p->GetAttribute(kElement);
        row.typeX = StripPrefix(reference);
        row.xsType = false;
        const int element = lookup(m_elements, reference, part);
        if (element < 0) {
            const QString what = QStringLiteral("element \"%1\" of message \"%2\" is %3").arg(reference, m_messageName, notDefinedHere());
            if (!m_typesHasChildren && !m_hasSchemas)
                fail(QStringLiteral("Tag %1 has no children! (%2)").arg(m_typesName, what));
            fail(QStringLiteral("Tag \"%1\" doesn't exist: %2").arg(kElement, what));
        }
        // The element's own content, or else the type it names: a complex
        // type brings members, a simple one (named or built-in) makes a leaf.
        const TMyXMLNode *e = node(element);
        int content = firstContent(element);
        int namedType = -1;
        if (content < 0 && e->HasAttribute(kType)) {
            content = namedType = complexTypeOf(element, kType);
            if (namedType < 0) {
                row.typeX = StripPrefix(e->GetAttribute(kType));
                row.xsType = true;
            }
        } else if (const std::optional<QString> simple = inlineSimpleType(element)) {
            row.typeX = *simple;
            row.xsType = true;
            content = -1;
        }
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
    const int group = modelGroupOf(content);
    if (group >= 0) {
        importMembers(group, level, qualifier, depth);
        return;
    }
    const QStringView name = nameOf(content);
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

    const int attributeNode = arrayAttribute(restriction);
    const TMyXMLNode *attribute = node(attributeNode);
    TRepositoryBatch::TParameterRow row;
    row.name = kArrayItem;
    QString itemType = attribute->GetAttribute(kArrayType);
    const qsizetype bracket = itemType.indexOf(u'[');
    if (bracket >= 0)
        itemType.truncate(bracket);
    row.typeX = StripPrefix(itemType);
    row.xsArray = true;
    addTypedRow(row, typeNamed(itemType, attributeNode), level, qualifier, depth);
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
        const int group = modelGroupOf(firstContent(holder));
        if (group >= 0)
            groups.push_back(group);
    };
    for (int d = derivation;;) {
        addGroupOf(d);
        if (nameOf(d) != kExtension)
            break;
        const int base = complexTypeOf(d, kBase);
        if (base < 0 || seen.contains(base))
            break;
        seen.insert(base);
        const int content = firstContent(base);
        if (content < 0)
            break;
        const int group = modelGroupOf(content);
        if (group >= 0) {
            groups.push_back(group);
            break;
        }
        d = derivationOf(base);
        if (d < 0 || nameOf(content) != kComplexContent)
            break;
    }
    for (auto group = groups.crbegin(); group != groups.crend(); ++group)
        importMembers(*group, level, qualifier, depth);
}

// The members of a sequence, all or choice; a group nested in it, or a
// named group it refers to, adds its members in place, under the same
// qualifier. Other content (annotations, attributes, attribute groups,
// wildcards) makes no rows.
void TWsdlImporter::importMembers(int group, int level, QString &qualifier, int depth)
{
    if (!hasChildren(group))
        return;
    for (int member = group + 1; member >= 0; member = m_nextSibling[size_t(member)]) {
        if (nameOf(member) == kElement) {
            importMember(member, level, qualifier, depth);
        } else if (const int nested = modelGroupOf(member); nested >= 0) {
            if (depth + 1 > MaxNesting)
                fail(QStringLiteral("Types are nested more than %1 levels deep").arg(MaxNesting));
            importMembers(nested, level, qualifier, depth + 1);
        }
    }
}

void TWsdlImporter::importMember(int member, int level, QString &qualifier, int depth, bool withMembers)
{
    const TMyXMLNode *m = node(member);
    // A reference reads as the element it names, with that element's name;
    // one that no schema defines stays the nameless row it always was.
    if (!m->HasAttribute(kName) && !m->HasAttribute(kType) && m->HasAttribute(kRef)) {
        const int target = lookup(m_elements, m->GetAttribute(kRef), member);
        if (target >= 0 && target != member) {
            if (depth + 1 > MaxNesting)
                fail(QStringLiteral("Types are nested more than %1 levels deep").arg(MaxNesting));
            // An element met again inside itself: the repeat gets no members.
            if (m_typeActive[size_t(target)]) {
                importMember(target, level, qualifier, depth + 1, false);
            } else {
                TActiveType active(m_typeActive, target);
                importMember(target, level, qualifier, depth + 1);
            }
            return;
        }
    }
    TRepositoryBatch::TParameterRow row;
    row.levelX = level;
    if (m->HasAttribute(kType)) {
        row.name = m->GetAttribute(kName);
        row.typeX = StripPrefix(m->GetAttribute(kType));
        addTypedRow(row, complexTypeOf(member, kType), level, qualifier, depth);
        return;
    }
    row.name = StripPrefix(m->GetAttribute(kName));
    // A simple type written inside: a leaf, as if the element named it.
    if (const std::optional<QString> simple = inlineSimpleType(member)) {
        row.typeX = *simple;
        addParameter(row, qualifier);
        return;
    }
    // An element with its type inside: complex-typed, grouped under the
    // message-level qualifier, which then becomes its name.
    row.typeX = row.name;
    row.xsType = false;
    int content = firstContent(member);
    if (content >= 0 && makeLeaf(row, content, false))
        content = -1;
    else if (content >= 0)
        row.sequenceType = sequenceTypeOf(content);
    addParameter(row, m_qualifier);
    if (content >= 0 && withMembers)
        ImportComplexType(content, level + 1, m_qualifier, depth + 1);
}
