#include "WsdlWriter.h"

#include "SharedRoutinesCommon.h"

#include <QHash>
#include <QSet>
#include <QUrl>

namespace Converters {

namespace {

const QString kLegacyNamespace = QStringLiteral("urn:velmora:quenbar:legacy");
const QString kEncoding = QStringLiteral("http://schemas.xmlsoap.org/soap/encoding/");

QString escaped(const QString &text)
{
    QString out;
    out.reserve(text.size());
    for (const QChar c : text) {
        switch (c.unicode()) {
        case u'&': out += QLatin1String("&amp;"); break;
        case u'<': out += QLatin1String("&lt;"); break;
        case u'>': out += QLatin1String("&gt;"); break;
        case u'"': out += QLatin1String("&quot;"); break;
        default: out += c.unicode() < 0x20 ? QChar(u' ') : c;
        }
    }
    return out;
}

QString attribute(const char *name, const QString &value)
{
    return QStringLiteral(" %1=\"%2\"").arg(QLatin1String(name), escaped(value));
}

// The part of a qualified name after its last "." or "::".
QString simpleName(const QString &text)
{
    const qsizetype colons = text.lastIndexOf(QLatin1String("::"));
    const qsizetype dot = text.lastIndexOf(u'.');
    if (colons >= 0 && colons + 1 > dot)
        return text.mid(colons + 2);
    return dot >= 0 ? text.mid(dot + 1) : text;
}

// "const Customer &", "char *" and the like name the type without decoration.
QString objectTypeName(const QString &text)
{
    QString t = text.trimmed();
    if (t.startsWith(QLatin1String("const ")))
        t = t.mid(6).trimmed();
    while (t.endsWith(u'&') || t.endsWith(u'*'))
        t.chop(1);
    t = t.trimmed();
    if (t.endsWith(QLatin1String(" const")))
        t.chop(6);
    return t.trimmed();
}

const QStringList &proceduralCategories()
{
    static const QStringList list{"CHAR", "VARCHAR", "NUMERIC", "PACKED", "BINARY", "FLOAT", "BIT", "HEX",
                                  "DATE", "TIME", "TIMESTAMP", "GROUP"};
    return list;
}

// Zoned and packed numbers (binary = false) and binary ones, by digits.
QString numberType(int length, int decimals, bool binary)
{
    if (decimals > 0)
        return QStringLiteral("decimal");
    if (length < 0)
        return binary ? QStringLiteral("int") : QStringLiteral("decimal");
    if (binary && length <= 4)
        return QStringLiteral("short");
    if (length <= 9)
        return QStringLiteral("int");
    if (length <= 18 || binary)
        return QStringLiteral("long");
    return QStringLiteral("integer");
}

// Names of XML schema types the documents use: a complex type must not carry
// one of them, since the repository import tells complex from simple types by
// the local name alone.
bool isSchemaTypeName(const QString &name)
{
    static const QStringList names{"string", "int", "long", "short", "byte", "boolean", "float", "double",
                                   "decimal", "integer", "date", "time", "dateTime", "hexBinary", "anyType"};
    for (const QString &n : names) {
        if (SameText(n, name))
            return true;
    }
    return false;
}

} // namespace

QString xmlName(const QString &text)
{
    QString out;
    out.reserve(text.size() + 1);
    for (const QChar c : text)
        out += (c.isLetterOrNumber() || c == u'-' || c == u'_' || c == u'.') ? c : QChar(u'_');
    if (out.isEmpty() || !(out.at(0).isLetter() || out.at(0) == u'_'))
        out.prepend(u'_');
    return out;
}

QString builtinSchemaType(Mode mode, const QString &dataType, int length, int decimals)
{
    if (mode == Mode::Procedural) {
        const QString t = UpperCase(dataType.trimmed());
        if (t == QLatin1String("CHAR") || t == QLatin1String("VARCHAR"))
            return QStringLiteral("string");
        if (t == QLatin1String("NUMERIC") || t == QLatin1String("PACKED"))
            return numberType(length, decimals, false);
        if (t == QLatin1String("BINARY"))
            return numberType(length, decimals, true);
        if (t == QLatin1String("FLOAT"))
            return length >= 0 && length <= 4 ? QStringLiteral("float") : QStringLiteral("double");
        if (t == QLatin1String("BIT"))
            return length <= 1 ? QStringLiteral("boolean") : QStringLiteral("hexBinary");
        if (t == QLatin1String("HEX"))
            return QStringLiteral("hexBinary");
        if (t == QLatin1String("DATE"))
            return QStringLiteral("date");
        if (t == QLatin1String("TIME"))
            return QStringLiteral("time");
        if (t == QLatin1String("TIMESTAMP"))
            return QStringLiteral("dateTime");
        return QString();
    }
    static const QHash<QString, QString> table = [] {
        QHash<QString, QString> h;
        const auto add = [&h](std::initializer_list<const char *> names, const char *type) {
            for (const char *n : names)
                h.insert(QString::fromLatin1(n), QString::fromLatin1(type));
        };
        add({"int", "Integer", "Int32", "int32_t", "qint32"}, "int");
        add({"long", "Long", "Int64", "int64_t", "qint64", "long long"}, "long");
        add({"short", "Short", "Int16", "int16_t"}, "short");
        add({"byte", "Byte", "sbyte", "SByte"}, "byte");
        add({"boolean", "Boolean", "bool"}, "boolean");
        add({"float", "Float", "Single"}, "float");
        add({"double", "Double"}, "double");
        add({"char", "Character", "Char", "String", "string", "wstring", "QString", "CString"}, "string");
        add({"BigDecimal", "decimal", "Decimal"}, "decimal");
        add({"BigInteger"}, "integer");
        add({"Date", "Calendar", "GregorianCalendar", "DateTime", "LocalDateTime", "Timestamp", "QDateTime"}, "dateTime");
        add({"LocalDate", "QDate"}, "date");
        add({"LocalTime", "Time", "QTime"}, "time");
        add({"Object", "object"}, "anyType");
        return h;
    }();
    return table.value(simpleName(objectTypeName(dataType)));
}

namespace {

class WsdlBuilder
{
public:
    WsdlBuilder(const ExportModule &module, Mode mode, const WsdlOptions &options, const Checkpoint &checkpoint)
        : m_module(module), m_mode(mode), m_options(options), m_checkpoint(checkpoint)
    {
        for (int i = 0; i < int(module.types.size()); ++i) {
            const ExportType &type = module.types[size_t(i)];
            if (mode == Mode::Procedural) {
                for (const QString &category : proceduralCategories()) {
                    if (SameText(category, type.name))
                        throw EExportError(type.line, QStringLiteral("TYPE \"%1\" is named like a data type").arg(type.name));
                }
                m_typeByName.insert(UpperCase(type.name), i);
            } else {
                m_typeByName.insert(type.name, i);
                const QString simple = simpleName(type.name);
                m_typeBySimpleName.insert(simple, m_typeBySimpleName.contains(simple) ? -1 : i);
            }
        }
    }

    WsdlDocument build();

private:
    struct TypeDef
    {
        QString name;
        QString signature;
        QStringList inner;   // the lines inside the complexType element
        bool array = false;
    };

    void checkpoint() const
    {
        if (m_checkpoint)
            m_checkpoint();
    }
    int namedTypeIndex(const QString &dataType) const;
    QString itemType(const ExportItem &item, const QString &owner);
    QString sequenceType(const QString &name, const std::vector<ExportItem> &members, const QString &owner);
    QString arrayType(const QString &itemType, int occurs);
    QString registerType(const QString &wanted, const QString &signature, QStringList inner, bool array);
    QString memberLine(const ExportItem &item, const char *tag, const QString &owner);
    QString uniqueMessageName(const QString &wanted);

    const ExportModule &m_module;
    Mode m_mode;
    const WsdlOptions &m_options;
    const Checkpoint &m_checkpoint;
    QHash<QString, int> m_typeByName;
    QHash<QString, int> m_typeBySimpleName;   // -1: more than one type has this simple name
    QHash<int, QString> m_resolvedTypes;
    QSet<int> m_typesInProgress;
    std::vector<TypeDef> m_types;
    QHash<QString, int> m_typeIndexByName;     // upper-cased name
    QSet<QString> m_messageNames;              // upper-cased
    QStringList m_warnings;
};

int WsdlBuilder::namedTypeIndex(const QString &dataType) const
{
    if (m_mode == Mode::Procedural)
        return m_typeByName.value(UpperCase(dataType.trimmed()), -1);
    const QString name = objectTypeName(dataType);
    const int exact = m_typeByName.value(name, -1);
    if (exact >= 0)
        return exact;
    return m_typeBySimpleName.value(simpleName(name), -1);
}

QString WsdlBuilder::registerType(const QString &wanted, const QString &signature, QStringList inner, bool array)
{
    QString base = xmlName(wanted);
    if (isSchemaTypeName(base))
        base += QLatin1String("_Type");
    for (int n = 1;; ++n) {
        const QString candidate = n == 1 ? base : base + u'_' + QString::number(n);
        const auto found = m_typeIndexByName.constFind(UpperCase(candidate));
        if (found == m_typeIndexByName.constEnd()) {
            m_typeIndexByName.insert(UpperCase(candidate), int(m_types.size()));
            m_types.push_back(TypeDef{candidate, signature, std::move(inner), array});
            return QStringLiteral("tns:") + candidate;
        }
        if (m_types[size_t(*found)].signature == signature)
            return QStringLiteral("tns:") + m_types[size_t(*found)].name;
    }
}

QString WsdlBuilder::arrayType(const QString &itemType, int occurs)
{
    QString local = itemType.mid(itemType.indexOf(u':') + 1);
    if (!local.isEmpty())
        local[0] = local.at(0).toUpper();
    const QString arrayOf = itemType + u'[' + (occurs > 0 ? QString::number(occurs) : QString()) + u']';
    QStringList inner{
        QStringLiteral("  <xsd:complexContent>"),
        QStringLiteral("    <xsd:restriction base=\"soapenc:Array\">"),
        QStringLiteral("      <xsd:attribute ref=\"soapenc:arrayType\" wsdl:arrayType=\"%1\"/>").arg(arrayOf),
        QStringLiteral("    </xsd:restriction>"),
        QStringLiteral("  </xsd:complexContent>")};
    return registerType(QStringLiteral("ArrayOf") + local, QStringLiteral("array ") + arrayOf, std::move(inner), true);
}

QString WsdlBuilder::memberLine(const ExportItem &item, const char *tag, const QString &owner)
{
    QString line = QStringLiteral("<%1").arg(QLatin1String(tag)) + attribute("name", xmlName(item.name))
                   + attribute("type", itemType(item, owner));
    if (item.length >= 0)
        line += attribute("lg:length", QString::number(item.length));
    if (item.decimals >= 0)
        line += attribute("lg:decimals", QString::number(item.decimals));
    if (!item.declaration.isEmpty())
        line += attribute("lg:declaration", item.declaration);
    return line + QLatin1String("/>");
}

QString WsdlBuilder::sequenceType(const QString &name, const std::vector<ExportItem> &members, const QString &owner)
{
    QStringList inner;
    if (members.empty()) {
        inner << QStringLiteral("  <xsd:sequence/>");
    } else {
        inner << QStringLiteral("  <xsd:sequence>");
        for (const ExportItem &member : members)
            inner << QStringLiteral("    ") + memberLine(member, "xsd:element", owner);
        inner << QStringLiteral("  </xsd:sequence>");
    }
    const QString signature = inner.join(u'\n');
    return registerType(name, signature, std::move(inner), false);
}

QString WsdlBuilder::itemType(const ExportItem &item, const QString &owner)
{
    checkpoint();
    QString type;
    if (item.group) {
        type = sequenceType(item.name, item.members, owner);
    } else {
        QString builtin;
        int named = -1;
        if (m_mode == Mode::Procedural) {
            builtin = builtinSchemaType(m_mode, item.dataType, item.length, item.decimals);
            if (builtin.isEmpty()) {
                named = namedTypeIndex(item.dataType);
                if (named < 0)
                    throw EExportError(item.line, QStringLiteral("unknown data type \"%1\" of \"%2\"").arg(item.dataType, item.name));
            }
        } else {
            named = namedTypeIndex(item.dataType);
            if (named < 0) {
                builtin = builtinSchemaType(m_mode, item.dataType);
                if (builtin.isEmpty()) {
                    m_warnings << QStringLiteral("line %1: unknown type \"%2\" of \"%3\" in %4 written as anyType")
                                      .arg(item.line).arg(item.dataType, item.name, owner);
                    builtin = QStringLiteral("anyType");
                }
            }
        }
        if (named >= 0) {
            const ExportType &def = m_module.types[size_t(named)];
            if (m_resolvedTypes.contains(named)) {
                type = m_resolvedTypes.value(named);
            } else if (m_typesInProgress.contains(named)) {
                // Written as a complex type it would make the schema endless
                // for every reader that expands types.
                m_warnings << QStringLiteral("line %1: recursive reference to type \"%2\" in \"%3\" written as anyType")
                                  .arg(item.line).arg(def.name, item.name);
                type = QStringLiteral("xsd:anyType");
            } else {
                m_typesInProgress.insert(named);
                type = sequenceType(simpleName(def.name), def.fields, def.name);
                m_typesInProgress.remove(named);
                m_resolvedTypes.insert(named, type);
            }
        } else {
            type = QStringLiteral("xsd:") + builtin;
        }
    }
    return item.occurs != 0 ? arrayType(type, item.occurs) : type;
}

QString WsdlBuilder::uniqueMessageName(const QString &wanted)
{
    QString name = wanted;
    for (int n = 2; m_messageNames.contains(UpperCase(name)); ++n)
        name = wanted + u'_' + QString::number(n);
    m_messageNames.insert(UpperCase(name));
    return name;
}

WsdlDocument WsdlBuilder::build()
{
    WsdlDocument doc;
    QStringList nsParts;
    for (const QString &part : {m_options.productName, m_options.systemName, m_module.name}) {
        if (!part.trimmed().isEmpty())
            nsParts << QString::fromLatin1(QUrl::toPercentEncoding(part.trimmed(), "."));
    }
    const QString tns = QStringLiteral("urn:") + nsParts.join(u':');
    const QString definitionsName = xmlName(m_module.name);
    const QString portTypeName = xmlName(simpleName(m_module.name));

    struct Operation
    {
        QString name;
        QString request;
        QString response;
        bool overloaded = false;
        QStringList requestParts;
        QStringList responseParts;
    };
    std::vector<Operation> operations;
    QHash<QString, int> nameCount;
    for (const ExportOperation &op : m_module.operations)
        ++nameCount[xmlName(op.name)];
    QHash<QString, int> nameSeen;
    for (const ExportOperation &op : m_module.operations) {
        checkpoint();
        Operation o;
        o.name = xmlName(op.name);
        o.overloaded = nameCount.value(o.name) > 1;
        const int seen = ++nameSeen[o.name];
        const QString stem = seen > 1 ? o.name + QString::number(seen) : o.name;
        o.request = uniqueMessageName(stem + QLatin1String("Request"));
        o.response = uniqueMessageName(stem + QLatin1String("Response"));
        for (const ExportItem &param : op.params) {
            if (param.direction == Direction::Return && m_mode == Mode::ObjectOriented
                && objectTypeName(param.dataType) == QLatin1String("void") && param.occurs == 0)
                continue;
            const QString line = memberLine(param, "wsdl:part", op.name);
            if (param.direction == Direction::In || param.direction == Direction::InOut)
                o.requestParts << line;
            if (param.direction != Direction::In)
                o.responseParts << line;
        }
        operations.push_back(std::move(o));
    }

    QStringList &out = doc.lines;
    out << QStringLiteral("<?xml version=\"1.0\" encoding=\"windows-1250\"?>");
    out << QStringLiteral("<wsdl:definitions") + attribute("name", definitionsName) + attribute("targetNamespace", tns);
    out << QStringLiteral("    xmlns:tns=\"%1\"").arg(escaped(tns));
    out << QStringLiteral("    xmlns:wsdl=\"http://schemas.xmlsoap.org/wsdl/\"");
    out << QStringLiteral("    xmlns:soap=\"http://schemas.xmlsoap.org/wsdl/soap/\"");
    out << QStringLiteral("    xmlns:soapenc=\"%1\"").arg(kEncoding);
    out << QStringLiteral("    xmlns:xsd=\"http://www.w3.org/2001/XMLSchema\"");
    out << QStringLiteral("    xmlns:lg=\"%1\"").arg(kLegacyNamespace);
    QString tail = QStringLiteral("    ") + attribute("lg:language", m_module.language).mid(1);
    if (!m_module.source.isEmpty())
        tail += attribute("lg:source", m_module.source);
    out << tail + u'>';

    out << QStringLiteral("  <wsdl:types>");
    out << QStringLiteral("    <xsd:schema") + attribute("targetNamespace", tns) + u'>';
    out << QStringLiteral("      <xsd:import namespace=\"%1\"/>").arg(kEncoding);
    for (const TypeDef &type : m_types) {
        checkpoint();
        out << QStringLiteral("      <xsd:complexType") + attribute("name", type.name) + u'>';
        for (const QString &line : type.inner)
            out << QStringLiteral("      ") + line;
        out << QStringLiteral("      </xsd:complexType>");
        ++(type.array ? doc.arrays : doc.complexTypes);
    }
    out << QStringLiteral("    </xsd:schema>");
    out << QStringLiteral("  </wsdl:types>");

    const auto message = [&out](const QString &name, const QStringList &parts) {
        if (parts.isEmpty()) {
            out << QStringLiteral("  <wsdl:message") + attribute("name", name) + QLatin1String("/>");
            return;
        }
        out << QStringLiteral("  <wsdl:message") + attribute("name", name) + u'>';
        for (const QString &part : parts)
            out << QStringLiteral("    ") + part;
        out << QStringLiteral("  </wsdl:message>");
    };
    for (const Operation &o : operations) {
        message(o.request, o.requestParts);
        message(o.response, o.responseParts);
        doc.messages += 2;
    }

    const auto ioName = [](const Operation &o, const QString &message) {
        return o.overloaded ? attribute("name", message) : QString();
    };
    out << QStringLiteral("  <wsdl:portType") + attribute("name", portTypeName) + u'>';
    for (const Operation &o : operations) {
        out << QStringLiteral("    <wsdl:operation") + attribute("name", o.name) + u'>';
        out << QStringLiteral("      <wsdl:input") + ioName(o, o.request) + attribute("message", QStringLiteral("tns:") + o.request) + QLatin1String("/>");
        out << QStringLiteral("      <wsdl:output") + ioName(o, o.response) + attribute("message", QStringLiteral("tns:") + o.response) + QLatin1String("/>");
        out << QStringLiteral("    </wsdl:operation>");
    }
    out << QStringLiteral("  </wsdl:portType>");

    const QString body = QStringLiteral("        <soap:body use=\"encoded\"") + attribute("namespace", tns)
                         + attribute("encodingStyle", kEncoding) + QLatin1String("/>");
    out << QStringLiteral("  <wsdl:binding") + attribute("name", portTypeName + QLatin1String("Binding"))
               + attribute("type", QStringLiteral("tns:") + portTypeName) + u'>';
    out << QStringLiteral("    <soap:binding style=\"rpc\" transport=\"http://schemas.xmlsoap.org/soap/http\"/>");
    for (const Operation &o : operations) {
        out << QStringLiteral("    <wsdl:operation") + attribute("name", o.name) + u'>';
        out << QStringLiteral("      <soap:operation") + attribute("soapAction", tns + u'#' + o.name) + QLatin1String(" style=\"rpc\"/>");
        out << QStringLiteral("      <wsdl:input") + ioName(o, o.request) + u'>' << body << QStringLiteral("      </wsdl:input>");
        out << QStringLiteral("      <wsdl:output") + ioName(o, o.response) + u'>' << body << QStringLiteral("      </wsdl:output>");
        out << QStringLiteral("    </wsdl:operation>");
    }
    out << QStringLiteral("  </wsdl:binding>");
    out << QStringLiteral("</wsdl:definitions>");

    doc.operations = int(operations.size());
    doc.warnings = m_warnings;
    return doc;
}

} // namespace

WsdlDocument writeWsdl(const ExportModule &module, Mode mode, const WsdlOptions &options, const Checkpoint &checkpoint)
{
    return WsdlBuilder(module, mode, options, checkpoint).build();
}

} // namespace Converters
