#include "WsdlGenerator.h"

#include "CodePage1250.h"
#include "Errors.h"
#include "KorvelXML.h"
#include "QuenbarDB.h"
#include "Reporting.h"
#include "TextFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QSet>
#include <QSqlError>
#include <QSqlQuery>
#include <QUrl>
#include <QXmlStreamReader>

#include <algorithm>
#include <memory>
#include <tuple>
#include <unordered_set>
#include <filesystem>
#include <map>
#include <system_error>

namespace {

const QString kWsdlNamespace = QStringLiteral("http://schemas.xmlsoap.org/wsdl/");
const QString kSchemaNamespace = QStringLiteral("http://www.w3.org/2001/XMLSchema");
const QString kSoapEncNamespace = QStringLiteral("http://schemas.xmlsoap.org/soap/encoding/");
const QString kDeclaration = QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\" ?>");
const QString kCodePageDeclaration = QStringLiteral("<?xml version=\"1.0\" encoding=\"windows-1250\" ?>");

void prepare(QSqlQuery &query, const QString &sql)
{
    query.setForwardOnly(true);
    if (!query.prepare(sql))
        throw EDatabaseError(query.lastError().text());
}

void exec(QSqlQuery &query)
{
    if (!query.exec())
        throw EDatabaseError(query.lastError().text());
}

QString text(const QSqlQuery &q, int column)
{
    return q.value(column).toString();
}

// One copy of each text the rows repeat (directions, member and type names,
// message names of shared messages, kinds of content): an interface of many
// operations repeats few texts, and its rows then hold little more than
// their keys.
class TSharedTexts
{
public:
    TSharedTexts() : m_texts(std::make_shared<std::unordered_set<QString>>()) {}

    const QString *find(const QSqlQuery &q, int column)
    {
        QString value = q.value(column).toString();
        if (value.isEmpty())
            return nullptr;
        return &*m_texts->insert(std::move(value)).first;
    }
    QString operator()(const QSqlQuery &q, int column)
    {
        const QString *text = find(q, column);
        return text ? *text : QString();
    }
    TRowText row(const QSqlQuery &q, int column) { return TRowText(find(q, column)); }
    std::shared_ptr<const std::unordered_set<QString>> table() const { return m_texts; }

private:
    std::shared_ptr<std::unordered_set<QString>> m_texts;
};

TExportParameter parameterFrom(const QSqlQuery &q, TSharedTexts &shared)
{
    // Column order of kParameterColumns.
    TExportParameter p;
    p.kulcs = q.value(0).toLongLong();
    p.levelX = q.value(1).toInt();
    p.name = shared(q, 2);
    p.typeX = shared.row(q, 3);
    p.kommentar = shared.row(q, 4);
    p.sequenceType = shared.row(q, 5);
    p.xsType = q.value(6).toBool();
    p.xsArray = q.value(7).toBool();
    return p;
}

const QString kParameterColumns =
    QStringLiteral("Kulcs, LevelX, Name, TypeX, Kommentar, SequenceType, XS_Type, XS_Array");

void postPending(TDM &dm)
{
    for (TRepositoryTable *t : {&dm.TableInterfaces(), &dm.TableOperations(), &dm.TableInputsOutputs(),
                                &dm.TableParameters()})
        if (t->Active())
            t->CheckBrowseMode();
}

} // namespace

const QString &TRowText::empty()
{
    static const QString none;
    return none;
}

// ---- Shared pieces ---------------------------------------------------------

namespace RepositoryExport {

std::optional<qint64> CurrentInterface(TDM &dm)
{
    if (!dm.Connected())
        return std::nullopt;
    TRepositoryTable &t = dm.TableInterfaces();
    if (!t.Active() || !t.HasCurrent())
        return std::nullopt;
    return t.Kulcs();
}

std::optional<TExportInterface> ReadInterface(TDM &dm, qint64 interfaceKulcs)
{
    postPending(dm);

    QSqlQuery qi = dm.QWork();
    prepare(qi, QStringLiteral("select Kulcs, Name, DefinitionsName, Kommentar from Interfaces where Kulcs = ?"));
    qi.addBindValue(interfaceKulcs);
    exec(qi);
    if (!qi.next())
        return std::nullopt;
    TExportInterface face;
    face.kulcs = qi.value(0).toLongLong();
    face.name = text(qi, 1);
    face.definitionsName = text(qi, 2);
    face.kommentar = text(qi, 3);
    qi.finish();

    // The detail sets by their parent key, as the master-detail chain shows
    // them. Messages and parameters are read in one pass each through the
    // index on the interface's key (which key assignment gives every row
    // below it) and sorted into their parents by UpPointer, so the cost
    // follows the interface's rows, not its number of messages.
    QSqlQuery qo = dm.QWork();
    prepare(qo, QStringLiteral("select Kulcs, Name, Kommentar from Operations where UpPointer = ? order by Kulcs"));
    qo.addBindValue(face.kulcs);
    exec(qo);
    QHash<qint64, size_t> operationAt;
    while (qo.next()) {
        TExportOperation op;
        op.kulcs = qo.value(0).toLongLong();
        op.name = text(qo, 1);
        op.kommentar = text(qo, 2);
        operationAt.insert(op.kulcs, face.operations.size());
        face.operations.push_back(std::move(op));
    }
    qo.finish();

    TSharedTexts shared;
    QSqlQuery qm = dm.QWork();
    prepare(qm, QStringLiteral("select Kulcs, TypeX, Name, Kommentar, UpPointer from InputsOutputs "
                               "where InterfacesKulcs = ? order by Kulcs"));
    qm.addBindValue(face.kulcs);
    exec(qm);
    while (qm.next()) {
        const auto op = operationAt.constFind(qm.value(4).toLongLong());
        if (op == operationAt.cend())
            continue;
        TExportMessage m;
        m.kulcs = qm.value(0).toLongLong();
        m.typeX = shared(qm, 1);
        m.name = shared(qm, 2);
        m.kommentar = shared(qm, 3);
        face.operations[*op].messages.push_back(std::move(m));
    }
    qm.finish();
    operationAt = {}; // its room goes to the parameters
    face.operations.shrink_to_fit();

    // Messages by key in a sorted array: a fraction of a hash's room, at the
    // moment the parameters make the rows' peak.
    std::vector<std::pair<qint64, TExportMessage *>> messageOf;
    for (TExportOperation &op : face.operations)
        for (TExportMessage &m : op.messages)
            messageOf.emplace_back(m.kulcs, &m);
    std::sort(messageOf.begin(), messageOf.end());
    const auto findMessage = [&messageOf](qint64 key) -> TExportMessage * {
        const auto at = std::lower_bound(messageOf.begin(), messageOf.end(), key,
                                         [](const auto &entry, qint64 k) { return entry.first < k; });
        return at != messageOf.end() && at->first == key ? at->second : nullptr;
    };
    QSqlQuery qp = dm.QWork();
    prepare(qp, QStringLiteral("select ") + kParameterColumns
                    + QStringLiteral(", UpPointer from Parameters where InterfacesKulcs = ? order by Kulcs"));
    qp.addBindValue(face.kulcs);
    exec(qp);
    while (qp.next()) {
        TExportMessage *m = findMessage(qp.value(8).toLongLong());
        if (m)
            m->parameters.push_back(parameterFrom(qp, shared));
    }
    qp.finish();
    face.texts = shared.table();
    return face;
}

QString ExportFolder(const QString &outputDir)
{
    return QDir::cleanPath(QDir(outputDir).filePath(QStringLiteral("ExportDir")));
}

QString FileNameText(const QString &name)
{
    // The name comes from a document: it never leads out of the folder.
    QString base = name;
    for (QChar &c : base)
        if (c == u'/' || c == u'\\' || c.unicode() == 0)
            c = u'_';
    return base;
}

QString ExportFileName(const QString &outputDir, const QString &interfaceName, const QString &extension)
{
    return ExportFolder(outputDir) + QLatin1Char('/') + FileNameText(interfaceName) + extension;
}

void EnsureExportFolder(const QString &outputDir)
{
    const QString folder = ExportFolder(outputDir);
    if (QFileInfo(folder).isDir())
        return;
    std::error_code ec;
    std::filesystem::create_directories(std::filesystem::path(QFile::encodeName(folder).toStdString()), ec);
    if (ec || !QFileInfo(folder).isDir())
        throw EFileError(QStringLiteral("Can not create folder %1: %2")
                             .arg(folder, ec ? QString::fromLocal8Bit(ec.message()) : QStringLiteral("not a folder")));
}

void ForInterfaceFile(const QString &interfaceName, const QString &file, const std::function<void()> &step)
{
    const QString where = QStringLiteral(" (interface \"%1\", file %2)").arg(interfaceName, QDir::toNativeSeparators(file));
    try {
        step();
    } catch (const EXMLError &e) {
        throw EXMLError(e.message() + where);
    } catch (const EFileError &e) {
        throw EFileError(e.message() + where);
    } catch (const EDatabaseError &e) {
        throw EDatabaseError(e.message() + where);
    }
}

QString Run(IReporter *reporter, const std::function<QString()> &body)
{
    if (!reporter)
        return body();
    try {
        return body();
    } catch (const EQuenbarError &e) {
        reporter->ErrorAndAbort(e.message());
    }
    throw EAbort(); // the reporter has ended the command already
}

} // namespace RepositoryExport

// ---- The document ----------------------------------------------------------

namespace WsdlGenerator {
namespace {

const QString kSoapNamespace = QStringLiteral("http://schemas.xmlsoap.org/wsdl/soap/");
const QString kSoapHttpTransport = QStringLiteral("http://schemas.xmlsoap.org/soap/http");
const QString kDefaultServiceAddress = QStringLiteral("http://localhost:8080/");
const QString kComplexContent = QStringLiteral("complexContent");
const QString kSimpleContent = QStringLiteral("simpleContent");

QString g_serviceAddress;

// The built-in simple types of XML Schema; a simple row of any other type
// names a type that the document declares itself.
bool isSchemaType(const QString &name)
{
    static const QSet<QString> names = {
        QStringLiteral("string"), QStringLiteral("boolean"), QStringLiteral("decimal"), QStringLiteral("float"),
        QStringLiteral("double"), QStringLiteral("duration"), QStringLiteral("dateTime"), QStringLiteral("time"),
        QStringLiteral("date"), QStringLiteral("gYearMonth"), QStringLiteral("gYear"), QStringLiteral("gMonthDay"),
        QStringLiteral("gDay"), QStringLiteral("gMonth"), QStringLiteral("hexBinary"), QStringLiteral("base64Binary"),
        QStringLiteral("anyURI"), QStringLiteral("QName"), QStringLiteral("NOTATION"),
        QStringLiteral("normalizedString"), QStringLiteral("token"), QStringLiteral("language"),
        QStringLiteral("NMTOKEN"), QStringLiteral("NMTOKENS"), QStringLiteral("Name"), QStringLiteral("NCName"),
        QStringLiteral("ID"), QStringLiteral("IDREF"), QStringLiteral("IDREFS"), QStringLiteral("ENTITY"),
        QStringLiteral("ENTITIES"), QStringLiteral("integer"), QStringLiteral("nonPositiveInteger"),
        QStringLiteral("negativeInteger"), QStringLiteral("long"), QStringLiteral("int"), QStringLiteral("short"),
        QStringLiteral("byte"), QStringLiteral("nonNegativeInteger"), QStringLiteral("unsignedLong"),
        QStringLiteral("unsignedInt"), QStringLiteral("unsignedShort"), QStringLiteral("unsignedByte"),
        QStringLiteral("positiveInteger"), QStringLiteral("anyType"), QStringLiteral("anySimpleType")};
    return names.contains(name);
}

bool isXmlChar(uint code)
{
    return code == 0x9 || code == 0xA || code == 0xD || (code >= 0x20 && code <= 0xD7FF)
        || (code >= 0xE000 && code <= 0xFFFD) || (code >= 0x10000 && code <= 0x10FFFF);
}

// Whether a reference that XML predefines (or a character reference) starts
// at the "&" at position at.
bool referenceAt(const QString &value, qsizetype at)
{
    const QStringView rest = QStringView(value).mid(at + 1);
    for (const char *name : {"amp;", "lt;", "gt;", "quot;", "apos;"})
        if (rest.startsWith(QLatin1String(name)))
            return true;
    if (!rest.startsWith(u'#'))
        return false;
    const bool hex = rest.size() > 1 && rest[1] == u'x';
    const qsizetype digits = hex ? 2 : 1;
    const qsizetype end = rest.indexOf(u';');
    if (end <= digits || end - digits > 8)
        return false;
    bool ok = false;
    const uint code = rest.mid(digits, end - digits).toUInt(&ok, hex ? 16 : 10);
    return ok && isXmlChar(code);
}

// A value written as an attribute value. The document model decodes no
// references, so a stored value is the markup text its document had: a
// reference stays as it is (a value imported from a document comes back from
// the generated one unchanged), and only what would break the markup is
// escaped.
QString attributeText(const QString &value)
{
    QString out;
    out.reserve(value.size());
    for (qsizetype i = 0; i < value.size(); ++i) {
        const QChar c = value[i];
        if (c == u'&')
            out += referenceAt(value, i) ? QStringLiteral("&") : QStringLiteral("&amp;");
        else if (c == u'<')
            out += QStringLiteral("&lt;");
        else if (c == u'>')
            out += QStringLiteral("&gt;");
        else if (c == u'"')
            out += QStringLiteral("&quot;");
        else
            out += c;
    }
    return out;
}

// A comment cannot hold "--": the dashes are parted so that no value ends
// the comment early.
QString commentLine(const QString &comment)
{
    QString text = comment;
    while (text.contains(QLatin1String("--")))
        text.replace(QLatin1String("--"), QLatin1String("- -"));
    return QStringLiteral("<!-- %1 -->").arg(text);
}

// Lines of a pass that only settles what the document declares.
class TNullSink : public TLineSink
{
public:
    void add(const QString &) override {}
};

void addComment(TLineSink &lines, const QString &comment)
{
    if (!comment.isEmpty())
        lines << commentLine(comment);
}

// Case-insensitive order, the exact spelling breaking ties: the import tells
// types apart by their exact names.
bool typeOrder(const QString &a, const QString &b)
{
    const int c = CodePage1250::compareText(a, b);
    return c != 0 ? c < 0 : a < b;
}

// One message's rows as a tree: a row's members are the rows one level
// deeper that follow it before the level falls back to its own.
struct TMessageTree
{
    const TExportMessage *message = nullptr;
    std::vector<int> parts;                // rows nested in no other row
    std::vector<std::vector<int>> members; // by row
    std::vector<int> shape;                // by complex row: the id of its structure; -1 for simple rows
};

// Where a complex row stands, which decides how else than by its type's
// name the document can give it its own structure: a member whose name is
// its type becomes an anonymous type, a part an element; other members and
// array items can only name their type.
enum TRowRole { MustNameType = 0, Part = 1, AnonymousMember = 2 };

struct TTypeSource
{
    int role = AnonymousMember;
    qint64 kulcs = 0;
    const TMessageTree *tree = nullptr;
    int row = -1;
};

class TDocumentTypes
{
public:
    TDocumentTypes(std::vector<TMessageTree> &trees, const QString &target) : m_target(target)
    {
        // A name that simple rows use is the simple type's: a complex row of
        // that name is written as an element or an anonymous type instead,
        // or the simple references would resolve to the complex type.
        for (const TMessageTree &t : trees)
            for (const TExportParameter &p : t.message->parameters)
                if (p.xsType && !isSchemaType(p.typeX))
                    m_simpleNames.insert(p.typeX);
        for (TMessageTree &t : trees)
            build(t);
    }

    // The part line of a level-1 row; empty when the row cannot be a part.
    QString partLine(const TMessageTree &t, int row)
    {
        const TExportParameter &p = rowOf(t, row);
        const QString name = attributeText(p.name);
        if (p.typeX.isEmpty())
            return QString(); // a part names its type
        if (p.xsType)
            return QStringLiteral("<part name=\"%1\" type=\"%2\"/>").arg(name, simpleReference(p.typeX));
        if (!namesOwnType(t, row)) {
            const auto it = m_elementSources.constFind(p.typeX);
            if (it == m_elementSources.cend() || sameShape(*it, t, row)) {
                if (it == m_elementSources.cend())
                    m_elementSources.insert(p.typeX, {Part, p.kulcs, &t, row});
                return QStringLiteral("<part name=\"%1\" element=\"ns:%2\"/>").arg(name, attributeText(p.typeX));
            }
        }
        const TReference type = complexReference(t, row);
        return QStringLiteral("<part name=\"%1\" type=\"%2\"%3/>").arg(name, type.type, type.declaration);
    }

    // The declarations of every type the lines written so far refer to,
    // including the types that these declarations refer to in turn: simple
    // types, complex types, then elements, each in type order. A first pass
    // settles which types that takes, so that the second one can write
    // them in order without holding them.
    void declarations(TLineSink &out)
    {
        TNullSink none;
        for (auto it = m_elementSources.cbegin(); it != m_elementSources.cend(); ++it)
            anonymousType(*it->tree, it->row, none);
        while (!m_pending.isEmpty()) {
            const auto [variant, name] = m_pending.takeFirst();
            const TTypeSource &source = sourcesOf(variant)[name];
            content(*source.tree, source.row, none);
        }
        // The schemas of other structures of taken names come after this one.
        for (size_t v = 1; v <= m_variants.size(); ++v)
            out << QStringLiteral("<import namespace=\"%1\"/>").arg(variantNamespace(int(v)));
        for (const QString &name : std::as_const(m_simpleNeeded))
            out << QStringLiteral("<simpleType name=\"%1\">").arg(attributeText(name))
                << QStringLiteral("<restriction base=\"xs:string\"/>") << QStringLiteral("</simpleType>");
        complexTypes(0, out);
        for (const QString &name : sortedNames(m_elementSources.keys())) {
            const TTypeSource &source = m_elementSources[name];
            out << QStringLiteral("<element name=\"%1\">").arg(attributeText(name));
            anonymousType(*source.tree, source.row, out);
            out << QStringLiteral("</element>");
        }
    }

    // A schema of its own for each further structure that shares its type
    // name with another one in the interface: the namespace tells them apart.
    void variantSchemas(TLineSink &out)
    {
        for (size_t v = 1; v <= m_variants.size(); ++v) {
            out << QStringLiteral("<schema targetNamespace=\"%1\" xmlns=\"%2\">").arg(variantNamespace(int(v)), kSchemaNamespace)
                << QStringLiteral("<import namespace=\"%1\"/>").arg(m_target);
            for (size_t other = 1; other <= m_variants.size(); ++other)
                if (other != v)
                    out << QStringLiteral("<import namespace=\"%1\"/>").arg(variantNamespace(int(other)));
            complexTypes(int(v), out);
            out << QStringLiteral("</schema>");
        }
    }

private:
    QHash<QString, TTypeSource> &sourcesOf(int variant)
    {
        return variant == 0 ? m_complexSources : m_variants[size_t(variant - 1)].sources;
    }

    QString variantNamespace(int variant) const
    {
        return m_target + u'/' + QString::number(variant + 1);
    }

    void complexTypes(int variant, TLineSink &out)
    {
        QHash<QString, TTypeSource> &sources = sourcesOf(variant);
        const QSet<QString> &needed = variant == 0 ? m_complexNeeded : m_variants[size_t(variant - 1)].needed;
        for (const QString &name : sortedNames(needed.values())) {
            const TTypeSource &source = sources[name];
            out << QStringLiteral("<complexType name=\"%1\">").arg(attributeText(name));
            content(*source.tree, source.row, out);
            out << QStringLiteral("</complexType>");
        }
    }

    // The quoted reference to the named type of a complex row, with the
    // declaration of its prefix where the structure is not the one that
    // the name declares in the target namespace: a structure with members
    // that differs from it gets a namespace of its own (a row cut short
    // where its type repeats has no members and names the type itself).
    struct TReference
    {
        QString type;        // the qualified name
        QString declaration; // " xmlns:p=..." for the element that names it; empty when none is needed
    };
    TReference complexReference(const TMessageTree &t, int row)
    {
        const TExportParameter &p = rowOf(t, row);
        const auto primary = m_complexSources.constFind(p.typeX);
        if (primary == m_complexSources.cend() || sameShape(*primary, t, row) || t.members[size_t(row)].empty()) {
            needComplex(0, p.typeX);
            return {QStringLiteral("ns:") + attributeText(p.typeX), QString()};
        }
        const std::pair<QString, int> key{p.typeX, t.shape[size_t(row)]};
        int variant = m_variantOf.value(key, 0);
        if (variant == 0) {
            int used = 0;
            for (const TVariant &v : m_variants)
                used += v.sources.contains(p.typeX) ? 1 : 0;
            variant = used + 1;
            if (size_t(variant) > m_variants.size())
                m_variants.resize(size_t(variant));
            m_variants[size_t(variant - 1)].sources.insert(p.typeX, {AnonymousMember, p.kulcs, &t, row});
            m_variantOf.insert(key, variant);
        }
        needComplex(variant, p.typeX);
        const QString prefix = QStringLiteral("ns") + QString::number(variant + 1);
        return {prefix + u':' + attributeText(p.typeX),
                QStringLiteral(" xmlns:%1=\"%2\"").arg(prefix, variantNamespace(variant))};
    }

    static QStringList sortedNames(QStringList names)
    {
        std::sort(names.begin(), names.end(), typeOrder);
        return names;
    }

    static const TExportParameter &rowOf(const TMessageTree &t, int row) { return t.message->parameters[size_t(row)]; }

    void build(TMessageTree &t)
    {
        const std::vector<TExportParameter> &rows = t.message->parameters;
        const int count = int(rows.size());
        t.members.assign(size_t(count), {});
        t.shape.assign(size_t(count), -1);
        std::vector<int> parent(size_t(count), -1);
        std::vector<int> open;
        for (int i = 0; i < count; ++i) {
            while (!open.empty() && rows[size_t(open.back())].levelX >= rows[size_t(i)].levelX)
                open.pop_back();
            if (open.empty())
                t.parts.push_back(i);
            else if (rows[size_t(i)].levelX == rows[size_t(open.back())].levelX + 1)
                parent[size_t(i)] = open.back();
            open.push_back(i);
        }
        for (int i = 0; i < count; ++i)
            if (parent[size_t(i)] >= 0)
                t.members[size_t(parent[size_t(i)])].push_back(i);
        // A structure is known by an id, computed members first, so that
        // equal subtrees compare in constant time.
        for (int i = count - 1; i >= 0; --i) {
            const TExportParameter &p = rows[size_t(i)];
            if (p.xsType)
                continue;
            QString key = p.sequenceType;
            for (int m : t.members[size_t(i)]) {
                const TExportParameter &q = rows[size_t(m)];
                key += QStringLiteral("\x1f%1\x1e%2\x1e%3\x1e%4")
                           .arg(q.name, q.typeX,
                                QLatin1String(q.xsType ? "s" : "c") + QLatin1String(q.xsArray ? "a" : "-"),
                                QString::number(t.shape[size_t(m)]));
            }
            const auto known = m_shapeIds.constFind(key);
            t.shape[size_t(i)] = known != m_shapeIds.cend() ? *known : int(m_shapeIds.size());
            if (known == m_shapeIds.cend())
                m_shapeIds.insert(key, t.shape[size_t(i)]);
            if (p.typeX.isEmpty() || m_simpleNames.contains(p.typeX))
                continue; // an unnamed type can only be anonymous, a simple type's name is taken
            const int role = parent[size_t(i)] < 0 ? Part
                : (p.xsArray || p.name != p.typeX) ? MustNameType
                                                   : AnonymousMember;
            const auto it = m_complexSources.find(p.typeX);
            const TTypeSource candidate{role, p.kulcs, &t, i};
            if (it == m_complexSources.end())
                m_complexSources.insert(p.typeX, candidate);
            else if (rank(candidate) < rank(*it))
                *it = candidate;
        }
    }

    // Which row declares a named type: one with members first (a type that
    // contains itself is cut short where it repeats), then by role and key.
    static std::tuple<bool, int, qint64> rank(const TTypeSource &source)
    {
        return {source.tree->members[size_t(source.row)].empty(), source.role, source.kulcs};
    }

    bool sameShape(const TTypeSource &source, const TMessageTree &t, int row) const
    {
        return source.tree->shape[size_t(source.row)] == t.shape[size_t(row)];
    }

    // Whether the named complex type of the row's type has the row's structure.
    bool namesOwnType(const TMessageTree &t, int row) const
    {
        const auto it = m_complexSources.constFind(rowOf(t, row).typeX);
        return it != m_complexSources.cend() && sameShape(*it, t, row);
    }

    void needComplex(int variant, const QString &name)
    {
        QSet<QString> &needed = variant == 0 ? m_complexNeeded : m_variants[size_t(variant - 1)].needed;
        if (needed.contains(name) || !sourcesOf(variant).contains(name))
            return;
        needed.insert(name);
        m_pending.append({variant, name});
    }

    QString simpleReference(const QString &typeName)
    {
        if (isSchemaType(typeName))
            return QStringLiteral("xs:") + attributeText(typeName);
        const auto at = std::lower_bound(m_simpleNeeded.begin(), m_simpleNeeded.end(), typeName, typeOrder);
        if (at == m_simpleNeeded.end() || *at != typeName)
            m_simpleNeeded.insert(at, typeName);
        return QStringLiteral("ns:") + attributeText(typeName);
    }

    // The content of the row's complex type: its members in the group its
    // row names, or the array of its item row.
    void content(const TMessageTree &t, int row, TLineSink &out)
    {
        const TExportParameter &p = rowOf(t, row);
        const std::vector<int> &members = t.members[size_t(row)];
        // A type derived from a complex base holds the base's members and its
        // own in one list: written as a restriction of anyType with those
        // members, it reads back as the same rows.
        if (p.sequenceType == kComplexContent && !members.empty() && !rowOf(t, members.front()).xsArray) {
            out << QStringLiteral("<complexContent>") << QStringLiteral("<restriction base=\"xs:anyType\">")
                << QStringLiteral("<sequence>");
            for (int m : members)
                member(t, m, out);
            out << QStringLiteral("</sequence>") << QStringLiteral("</restriction>") << QStringLiteral("</complexContent>");
            return;
        }
        if (p.sequenceType == kComplexContent || p.sequenceType == kSimpleContent) {
            out << QStringLiteral("<%1>").arg(p.sequenceType) << QStringLiteral("<restriction base=\"soapenc:Array\">")
                << QStringLiteral("<sequence/>");
            if (!members.empty()) {
                const TExportParameter &item = rowOf(t, members.front());
                TReference type;
                if (item.xsType)
                    type.type = simpleReference(item.typeX);
                else
                    type = complexReference(t, members.front());
                out << QStringLiteral("<attribute ref=\"soapenc:arrayType\" n1:arrayType=\"%1[]\" xmlns:n1=\"%2\"%3/>")
                           .arg(type.type, kWsdlNamespace, type.declaration);
            }
            out << QStringLiteral("</restriction>") << QStringLiteral("</%1>").arg(p.sequenceType);
            return;
        }
        if (p.sequenceType.isEmpty() && members.empty())
            return;
        const QString group = p.sequenceType == QLatin1String("all") || p.sequenceType == QLatin1String("choice")
            ? p.sequenceType
            : QStringLiteral("sequence");
        if (members.empty()) {
            out << QStringLiteral("<%1/>").arg(group);
            return;
        }
        out << QStringLiteral("<%1>").arg(group);
        for (int m : members)
            member(t, m, out);
        out << QStringLiteral("</%1>").arg(group);
    }

    void anonymousType(const TMessageTree &t, int row, TLineSink &out)
    {
        TListSink inner;
        content(t, row, inner);
        if (inner.lines.isEmpty()) {
            out << QStringLiteral("<complexType/>");
            return;
        }
        out << QStringLiteral("<complexType>") << inner.lines << QStringLiteral("</complexType>");
    }

    void member(const TMessageTree &t, int row, TLineSink &out)
    {
        const TExportParameter &p = rowOf(t, row);
        const QString name = attributeText(p.name);
        if (p.xsType) {
            out << QStringLiteral("<element name=\"%1\" type=\"%2\"/>").arg(name, simpleReference(p.typeX));
        } else if (!p.typeX.isEmpty() && (namesOwnType(t, row) || p.name != p.typeX)) {
            const TReference type = complexReference(t, row);
            out << QStringLiteral("<element name=\"%1\" type=\"%2\"%3/>").arg(name, type.type, type.declaration);
        } else if (p.name == p.typeX) {
            // The import names a member without a type after itself.
            out << QStringLiteral("<element name=\"%1\">").arg(name);
            anonymousType(t, row, out);
            out << QStringLiteral("</element>");
        } else {
            return; // no type to name
        }
        addComment(out, p.kommentar);
    }

    QSet<QString> m_simpleNames; // the declared simple types that rows use
    QHash<QString, int> m_shapeIds;
    QHash<QString, TTypeSource> m_complexSources; // the row that declares each named type
    QHash<QString, TTypeSource> m_elementSources; // the part row that declares each element
    QSet<QString> m_complexNeeded;
    struct TVariant
    {
        QHash<QString, TTypeSource> sources; // the row that declares the type of that name in this namespace
        QSet<QString> needed;
    };
    std::vector<TVariant> m_variants;                // the further namespaces, from the second on
    QHash<std::pair<QString, int>, int> m_variantOf; // (type name, structure) -> its namespace's number
    QList<std::pair<int, QString>> m_pending;        // (namespace's number, type name)
    QString m_target;
    QStringList m_simpleNeeded; // in type order
};

bool isAscii(const QString &s)
{
    return std::all_of(s.begin(), s.end(), [](QChar c) { return c.unicode() < 128; });
}

QString encodedBody(const QString &target)
{
    return QStringLiteral("use=\"encoded\" namespace=\"%1\" encodingStyle=\"%2\"").arg(target, kSoapEncNamespace);
}

} // namespace

void SetServiceAddress(const QString &address)
{
    g_serviceAddress = address.trimmed();
}

QString DefaultServiceAddress()
{
    return kDefaultServiceAddress;
}

QString ServiceAddress(const QString &interfaceName)
{
    QString base = g_serviceAddress.isEmpty() ? kDefaultServiceAddress : g_serviceAddress;
    if (!base.endsWith(u'/'))
        base += u'/'; // the interface's name is a path segment of its own
    return base + QString::fromLatin1(QUrl::toPercentEncoding(interfaceName));
}

namespace {

// A port type, its binding and service need a name: an interface without
// one is named after its definitions, else after its key.
QString portTypeNameOf(const TExportInterface &face)
{
    if (!face.name.isEmpty())
        return face.name;
    if (!face.definitionsName.isEmpty())
        return face.definitionsName;
    return QStringLiteral("Interface") + QString::number(face.kulcs);
}

// The lines of the document in order. Each part of the document is written
// as its rows come: the messages are walked once before the schema to learn
// the types their parts refer to, and the port type and the binding each
// walk the operations, so nothing but the types' index is held.
void emitDocument(const TExportInterface &face, TLineSink &out)
{
    // The prefixes the document writes are declared on the root, so that
    // namespace-aware readers accept it; "ns:" names the target namespace,
    // which the schema declares its types in.
    const QString target = attributeText(
        QStringLiteral("urn:") + QString::fromLatin1(QUrl::toPercentEncoding(face.definitionsName, ":")));
    const QString faceName = portTypeNameOf(face);
    const QString portTypeName = attributeText(faceName);
    out << kDeclaration
        << QStringLiteral("<definitions name=\"%1\" targetNamespace=\"%2\" xmlns=\"%3\" xmlns:ns=\"%2\" "
                          "xmlns:xs=\"%4\" xmlns:soapenc=\"%5\" xmlns:soap=\"%6\">")
               .arg(attributeText(face.definitionsName), target, kWsdlNamespace, kSchemaNamespace, kSoapEncNamespace,
                    kSoapNamespace)
        << QStringLiteral("<types>")
        << QStringLiteral("<schema targetNamespace=\"%1\" xmlns=\"%2\">").arg(target, kSchemaNamespace);

    // Each message once, as its first use has it: operations share fault messages.
    std::vector<TMessageTree> trees;
    {
        QSet<QString> messageNames;
        for (const TExportOperation &op : face.operations)
            for (const TExportMessage &m : op.messages)
                if (!messageNames.contains(m.name)) {
                    messageNames.insert(m.name);
                    trees.push_back(TMessageTree{&m, {}, {}, {}});
                }
    }
    TDocumentTypes types(trees, target);

    // The parts decide which types the schema declares; a second walk gives
    // the same lines, as the types each part names are settled by then.
    auto messages = [&](TLineSink &lines) {
        for (const TMessageTree &t : trees) {
            lines << QStringLiteral("<message name=\"%1\">").arg(attributeText(t.message->name));
            for (int part : t.parts) {
                const QString line = types.partLine(t, part);
                if (!line.isEmpty())
                    lines << line;
            }
            addComment(lines, t.message->kommentar);
            lines << QStringLiteral("</message>");
        }
    };
    TNullSink none;
    messages(none);
    types.declarations(out);
    out << QStringLiteral("</schema>");
    types.variantSchemas(out);
    out << QStringLiteral("</types>");
    messages(out);

    // Operations of one name tell their inputs and outputs apart by name.
    // The names are compared through a sorted index, which takes less room
    // than a count per name when most are unique.
    QSet<QString> shared;
    {
        std::vector<const QString *> names;
        names.reserve(face.operations.size());
        for (const TExportOperation &op : face.operations)
            names.push_back(&op.name);
        std::sort(names.begin(), names.end(), [](const QString *a, const QString *b) { return *a < *b; });
        for (std::size_t i = 1; i < names.size(); ++i)
            if (*names[i] == *names[i - 1])
                shared.insert(*names[i]);
    }
    auto overloaded = [&](const TExportOperation &op) { return shared.contains(op.name); };

    out << QStringLiteral("<portType name=\"%1\">").arg(portTypeName);
    addComment(out, face.kommentar);
    for (const TExportOperation &op : face.operations) {
        out << QStringLiteral("<operation name=\"%1\">").arg(attributeText(op.name));
        addComment(out, op.kommentar);
        const bool named = overloaded(op);
        for (const TExportMessage &m : op.messages) {
            const QString messageName = attributeText(m.name);
            if (m.typeX == QLatin1String("fault"))
                out << QStringLiteral("<fault name=\"%1\" message=\"ns:%1\"/>").arg(messageName);
            else if (named)
                out << QStringLiteral("<%1 name=\"%2\" message=\"ns:%2\"/>").arg(m.typeX, messageName);
            else
                out << QStringLiteral("<%1 message=\"ns:%2\"/>").arg(m.typeX, messageName);
        }
        out << QStringLiteral("</operation>");
    }
    out << QStringLiteral("</portType>");

    out << QStringLiteral("<binding name=\"%1Binding\" type=\"ns:%1\">").arg(portTypeName)
        << QStringLiteral("<soap:binding style=\"rpc\" transport=\"%1\"/>").arg(kSoapHttpTransport);
    for (const TExportOperation &op : face.operations) {
        const bool named = overloaded(op);
        out << QStringLiteral("<operation name=\"%1\">").arg(attributeText(op.name))
            << QStringLiteral("<soap:operation soapAction=\"\"/>");
        QSet<QString> bound;
        for (const TExportMessage &m : op.messages) {
            const QString messageName = attributeText(m.name);
            const bool fault = m.typeX == QLatin1String("fault");
            if (fault && !bound.contains(QStringLiteral("fault:") + m.name)) {
                bound.insert(QStringLiteral("fault:") + m.name);
                out << QStringLiteral("<fault name=\"%1\">").arg(messageName)
                    << QStringLiteral("<soap:fault name=\"%1\" %2/>").arg(messageName, encodedBody(target))
                    << QStringLiteral("</fault>");
            } else if ((m.typeX == QLatin1String("input") || m.typeX == QLatin1String("output"))
                       && !bound.contains(m.typeX)) {
                bound.insert(m.typeX);
                out << (named ? QStringLiteral("<%1 name=\"%2\">").arg(m.typeX, messageName)
                              : QStringLiteral("<%1>").arg(m.typeX))
                    << QStringLiteral("<soap:body %1/>").arg(encodedBody(target)) << QStringLiteral("</%1>").arg(m.typeX);
            }
        }
        out << QStringLiteral("</operation>");
    }
    out << QStringLiteral("</binding>");

    out << QStringLiteral("<service name=\"%1Service\">").arg(portTypeName)
        << QStringLiteral("<port name=\"%1Port\" binding=\"ns:%1Binding\">").arg(portTypeName)
        << QStringLiteral("<soap:address location=\"%1\"/>").arg(attributeText(ServiceAddress(faceName)))
        << QStringLiteral("</port>") << QStringLiteral("</service>") << QStringLiteral("</definitions>");
}

// ---- The layout of the file --------------------------------------------------

// The first non-ASCII line ends the walk of documentIsAscii.
struct TFoundNonAscii
{
};

class TAsciiCheck : public TLineSink
{
public:
    void add(const QString &line) override
    {
        if (!isAscii(line))
            throw TFoundNonAscii();
    }
};

bool asciiRows(const TExportInterface &face)
{
    if (!isAscii(face.name) || !isAscii(face.definitionsName) || !isAscii(face.kommentar)
        || !isAscii(ServiceAddress(portTypeNameOf(face))))
        return false;
    for (const TExportOperation &op : face.operations) {
        if (!isAscii(op.name) || !isAscii(op.kommentar))
            return false;
        for (const TExportMessage &m : op.messages) {
            if (!isAscii(m.typeX) || !isAscii(m.name) || !isAscii(m.kommentar))
                return false;
            for (const TExportParameter &p : m.parameters)
                if (!isAscii(p.name) || !isAscii(p.typeX) || !isAscii(p.kommentar) || !isAscii(p.sequenceType))
                    return false;
        }
    }
    return true;
}

// Whether the document's text is ASCII, which decides its declaration
// before its first line is written. The lines hold nothing but constants
// and the rows' values: rows in ASCII settle it at once, others take a walk
// of the lines up to the first one outside ASCII (a row the document leaves
// out may be the only one).
bool documentIsAscii(const TExportInterface &face)
{
    if (asciiRows(face))
        return true;
    TAsciiCheck check;
    try {
        emitDocument(face, check);
    } catch (const TFoundNonAscii &) {
        return false;
    }
    return true;
}

// The generator's lines as the document model writes them, without the
// model: each line is one tag, comment or declaration, indented by two
// blanks per open element. The generator writes its tags in the model's
// own form (one blank between attributes, none around "=" or before "/>"),
// so the lines need no rewriting. Every line ends with CR LF.
class TWsdlLayout : public TLineSink
{
public:
    TWsdlLayout(TextFile::TWriter &writer, bool codePage) : m_writer(writer), m_codePage(codePage) {}

    void add(const QString &line) override
    {
        if (m_first) {
            m_first = false;
            if (m_codePage && line == kDeclaration) {
                m_writer.writeLine(kCodePageDeclaration);
                return;
            }
        }
        const bool tag = line.size() > 1 && line[0] == u'<' && line[1] != u'?' && line[1] != u'!';
        if (tag && line[1] == u'/') {
            m_level = qMax(0, m_level - 1);
            write(line);
            return;
        }
        if (!tag) {
            write(line);
            return;
        }
        write(line);
        if (!line.endsWith(QLatin1String("/>")))
            ++m_level;
    }

private:
    void write(const QString &line)
    {
        if (m_level == 0) {
            m_writer.writeLine(line);
            return;
        }
        m_line.resize(0);
        m_line.append(QString(qsizetype(m_level) * 2, u' '));
        m_line.append(line);
        m_writer.writeLine(m_line);
    }

    TextFile::TWriter &m_writer;
    const bool m_codePage;
    bool m_first = true;
    int m_level = 0;
    QString m_line;
};

// The written text checked as it is written, with a namespace-aware reader:
// the model copied names and comments unchanged and read on past markup
// they broke, and the streamed layout keeps that check. The document holds
// elements and comments only, so text means that a value ended its markup
// early.
class TWellFormedCheck
{
public:
    TWellFormedCheck() { m_reader.setNamespaceProcessing(true); }

    void feed(const QString &text)
    {
        m_reader.addData(text);
        while (!m_reader.atEnd()) {
            m_reader.readNext();
            if (m_reader.isStartElement())
                ++m_depth;
            else if (m_reader.isEndElement() && --m_depth == 0)
                m_rootClosed = true;
            else if (m_reader.isCharacters() && !m_reader.isWhitespace())
                m_reader.raiseError(QStringLiteral("Unexpected text '%1'").arg(m_reader.text().trimmed()));
        }
        // Running out of text only means that more is to come.
        if (m_reader.hasError() && m_reader.error() != QXmlStreamReader::PrematureEndOfDocumentError)
            fail();
    }

    // After the last text: the document must be complete.
    void finish()
    {
        if (m_reader.hasError() && !(m_reader.error() == QXmlStreamReader::PrematureEndOfDocumentError && m_rootClosed))
            fail();
    }

private:
    [[noreturn]] void fail()
    {
        throw EXMLError(QStringLiteral("%1 (line %2, column %3)")
                            .arg(m_reader.errorString(), QString::number(m_reader.lineNumber()),
                                 QString::number(m_reader.columnNumber())));
    }

    QXmlStreamReader m_reader;
    int m_depth = 0;
    bool m_rootClosed = false;
};

} // namespace

QStringList WsdlLines(TDM &, const TExportInterface &face)
{
    TListSink lines;
    emitDocument(face, lines);
    return lines.lines;
}

void WriteDocument(const TExportInterface &face, const QString &file)
{
    const bool codePage = !documentIsAscii(face);
    TextFile::TWriter writer(file);
    TWellFormedCheck check;
    writer.setObserver([&](const QString &chunk) { check.feed(chunk); });
    TWsdlLayout layout(writer, codePage);
    emitDocument(face, layout);
    writer.flush();
    check.finish();
    writer.commit();
}

QString WsdlText(const QStringList &lines)
{
    QString joined = lines.join(QStringLiteral("\r\n"));
    // The file is stored in the code page; the declaration must say so as
    // soon as a character outside ASCII makes the two differ.
    if (!isAscii(joined) && joined.startsWith(kDeclaration))
        joined.replace(0, kDeclaration.size(), kCodePageDeclaration);
    TMyXMLNodeList doc;
    doc.LoadFromText(joined, false);
    const QString out = doc.GetText(-1, false);

    // The model copies names and comments unchanged and reads on past
    // markup they break: the streamed file's check, over the whole text.
    TWellFormedCheck check;
    check.feed(out);
    check.finish();
    return out;
}

} // namespace WsdlGenerator

// ---- The command -----------------------------------------------------------

QString WriteWSDL(TDM &, const TExportInterface &face, const QString &outputDir, const QString &fileBase)
{
    const QString file =
        RepositoryExport::ExportFileName(outputDir, fileBase.isEmpty() ? face.name : fileBase, QStringLiteral(".wsdl"));
    RepositoryExport::ForInterfaceFile(face.name, file, [&] {
        RepositoryExport::EnsureExportFolder(outputDir);
        WsdlGenerator::WriteDocument(face, file);
    });
    return file;
}

QString GenerateWSDL(TDM &dm, qint64 interfaceKulcs, const QString &outputDir, IReporter *reporter,
                     const QString &fileBase)
{
    return RepositoryExport::Run(reporter, [&]() -> QString {
        const std::optional<TExportInterface> face = RepositoryExport::ReadInterface(dm, interfaceKulcs);
        return face ? WriteWSDL(dm, *face, outputDir, fileBase) : QString();
    });
}

QString GenerateWSDL(TDM &dm, const QString &outputDir, IReporter *reporter)
{
    return RepositoryExport::Run(reporter, [&]() -> QString {
        const std::optional<qint64> key = RepositoryExport::CurrentInterface(dm);
        return key ? GenerateWSDL(dm, *key, outputDir, nullptr) : QString();
    });
}
