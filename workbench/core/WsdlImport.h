#pragma once
// Import of one WSDL document into the interface repository: each port
// type's operations, their messages and the messages' parts, with complex
// schema types flattened into levelled parameter rows. Documents and schemas
// that it imports from local files are read as part of it; remote ones are
// never fetched.
//
// One document is one repository transaction: the earlier interface of the
// same base name is deleted inside it, so a document that fails anywhere
// (malformed, a missing message or type, a stop request, a crash) leaves the
// repository as it was before.

#include "Errors.h"
#include "QuenbarDB.h"

#include <QHash>
#include <QSet>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

class TMyXMLNode;
class TMyXMLNodeList;
class IProgress;
class IReporter;

// A document that cannot be imported; the message names the file.
class EWsdlImportError : public EQuenbarError
{
public:
    using EQuenbarError::EQuenbarError;
};

struct TWsdlImportCounts
{
    qint64 interfaceKey = 0;    // the first port type's interface
    int interfaces = 0;         // one per port type
    int operations = 0;
    int messages = 0;
    qint64 parameters = 0;
};

class TWsdlImporter
{
public:
    // Guards against hostile documents; each ends the import with an error.
    static constexpr int MaxNesting = 100;                  // nested types and groups
    static constexpr qint64 MaxParameterRows = 2000000;     // rows one document may expand into
    static constexpr qint64 MaxFileSize = 256ll * 1024 * 1024;

    // The repository is outputDirectory + "/ParadoxDB". With a progress
    // the import counts the operations on it and stops on its stop request.
    TWsdlImporter(TDM &dm, const QString &outputDirectory, IProgress *progress = nullptr);
    ~TWsdlImporter();
    TWsdlImporter(const TWsdlImporter &) = delete;
    TWsdlImporter &operator=(const TWsdlImporter &) = delete;

    QString RepositoryFolder() const;

    // Replaces the interface that came from a file of the same base name.
    // Raises EWsdlImportError for a document it cannot import, the
    // repository's errors when that cannot be opened, and EAbort when the
    // user stops it; the repository is then unchanged.
    TWsdlImportCounts ImportWsdlFile(const QString &fileName);

    // Called after each imported operation with the operations done and
    // their number (beside the progress window, for callers that watch).
    void SetOperationObserver(std::function<void(int done, int total)> observer);
    // Where the import's warnings go; without one, the repository's reporter.
    void SetReporter(IReporter *reporter) { m_reporter = reporter; }
    // The most parameter rows one document may expand into (MaxParameterRows).
    void SetMaxParameterRows(qint64 rows) { m_maxParameterRows = rows; }

private:
    // One loaded document: the imported file and the documents that its
    // "wsdl:import", "xsd:import" and "xsd:include" elements bring in. Nodes
    // are numbered across all of them, the imported file's first.
    struct TDocument
    {
        std::unique_ptr<TMyXMLNodeList> list;
        QString fileName;
        int start = 0;              // number of its first node
        bool wsdl = false;          // "definitions"; otherwise a "schema"
        QString includedNamespace;  // the including schema's namespace, for a schema without its own
    };
    // Definitions of one kind by local name. A global definition (a child of
    // a schema, or of the root for messages) wins over a nested one, and
    // among equals the first in document order; where several global ones
    // share the name, the reference's namespace chooses among them.
    struct TTable
    {
        QHash<QString, std::pair<int, bool>> first;      // name -> (node, global)
        QHash<QString, std::vector<int>> alternatives;   // name -> every global node, when more than one
    };

    // Imports the members of the complex type at node (its position in the
    // document) as rows of the level, with the qualifier of the duplicate
    // groups; depth counts the nesting for the guard.
    void ImportComplexType(int node, int level, QString qualifier, int depth);

    std::unique_ptr<TMyXMLNodeList> loadDocument(const QString &fileName, const QString &importedBy);
    void addDocument(std::unique_ptr<TMyXMLNodeList> list, const QString &fileName, const QString &includedNamespace);
    void loadImports();
    void indexDocument(int document);
    void importPortType(int portType, std::vector<int> &operations);
    void importOperation(int operation);
    void importPart(int part);
    void importMembers(int group, int level, QString &qualifier, int depth);
    // withMembers false: the row of an element met again inside itself.
    void importMember(int member, int level, QString &qualifier, int depth, bool withMembers = true);
    void addParameter(TRepositoryBatch::TParameterRow &row, QString &qualifier);
    // A row of its type at the level; a complex type (never one already
    // being expanded) brings its members one level below.
    void addTypedRow(TRepositoryBatch::TParameterRow &row, int type, int level, QString &qualifier, int depth);

    bool hasChildren(int index) const;
    QStringView nameOf(int index) const;             // element name without prefix
    int documentOf(int index) const;
    // The definition that the reference (a qualified name) written on the
    // node names; -1 when no loaded schema or document defines it.
    int lookup(const TTable &table, const QString &reference, int referrer) const;
    int complexTypeOf(int referrer, const QString &attribute) const; // the complex type the node's attribute names
    int typeNamed(const QString &reference, int referrer) const;
    std::optional<QString> namespaceOfPrefix(int node, QStringView prefix) const;
    QString targetNamespaceOf(int definition) const;
    int firstContent(int index) const;               // first child that is no annotation; -1 when none
    // The sequence, all or choice that the content stands for, through a
    // group reference; -1 for other content.
    int modelGroupOf(int content) const;
    QString sequenceTypeOf(int typeNode) const;      // the SequenceType of a row of that type
    int arrayAttribute(int restriction);             // the restriction's "attribute" child
    bool isArray(int restriction) const;             // a "restriction" of an array base
    // The "extension" or "restriction" (not of an array) under the type's
    // complex or simple content; -1 when it has none.
    int derivationOf(int typeNode) const;
    // The simple type that a type of simple content derives from; none for
    // other types.
    std::optional<QString> simpleContentBase(int typeNode) const;
    // Makes the row of a type of simple content a leaf (of the base type
    // when ofBaseType); false for other types.
    bool makeLeaf(TRepositoryBatch::TParameterRow &row, int typeNode, bool ofBaseType) const;
    // The type of the leaf that an element with a simple type inside stands
    // for; none for other elements.
    std::optional<QString> inlineSimpleType(int element) const;
    void importDerived(int typeNode, int derivation, int level, QString &qualifier, int depth);
    QString notDefinedHere() const;                  // why a reference may be missing
    // What a port type's operations name that no loaded document defines
    // (a message, or an element of a message's part); none when all are there.
    std::optional<QString> missingReference(int portType) const;
    std::vector<int> operationsOf(int portType) const; // the operations the import reads
    // Raises the import error; the message names the file (the imported one
    // unless another is given).
    [[noreturn]] void fail(const QString &message, const QString &file = QString()) const;
    void warn(const QString &message) const;
    TMyXMLNode *node(int index) const;

    TDM &m_dm;
    QString m_outputDirectory;
    IProgress *m_progress;
    IReporter *m_reporter = nullptr;
    std::function<void(int, int)> m_observer;
    qint64 m_maxParameterRows = MaxParameterRows;

    // State of one import.
    QString m_fileName;
    std::vector<TDocument> m_documents;
    std::vector<int> m_starts;                  // first node of each document
    QHash<QString, int> m_loaded;               // canonical path -> document
    struct TPendingImport
    {
        int document;                           // the importing one
        QString location;
        QString includedNamespace;              // an include's schema namespace; empty for imports
        QString remoteNamespace;                // the namespace it brings, should it be remote
    };
    std::vector<TPendingImport> m_pending;
    QStringList m_remoteLocations;              // locations not fetched
    QHash<QString, QString> m_remoteNamespaces; // namespace -> the remote location that brings it
    qint64 m_loadedBytes = 0;
    TRepositoryBatch *m_batch = nullptr;
    int m_root = 0;
    int m_types = -1;                           // -1: the document has no "types"
    QString m_typesName;
    bool m_typesHasChildren = false;
    bool m_hasSchemas = false;                  // any loaded schema besides the document's own "types"
    std::vector<int> m_nextSibling;             // by node index; -1 when none
    std::vector<int> m_parent;                  // by node index; -1 for a root
    std::vector<int> m_portTypes;               // global port types in document order
    TTable m_messages;
    QSet<QString> m_duplicateMessages;          // names defined more than once in one document, not yet reported
    TTable m_complexTypes;
    TTable m_elements;
    TTable m_groups;
    QHash<int, int> m_arrayAttributes;          // restriction -> its "attribute" child
    std::vector<char> m_typeActive;             // complex types being imported (cycle guard)
    QString m_qualifier;                        // the message-level qualifier
    QString m_messageName;                      // the message being imported (for errors)
    TWsdlImportCounts m_counts;
};
