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
#include <QSqlError>
#include <QSqlQuery>
#include <QUrl>
#include <QXmlStreamReader>

#include <algorithm>
#include <filesystem>
#include <limits>
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

TExportParameter parameterFrom(const QSqlQuery &q)
{
    // Column order of kParameterColumns.
    TExportParameter p;
    p.kulcs = q.value(0).toLongLong();
    p.levelX = q.value(1).toLongLong();
    p.name = text(q, 2);
    p.typeX = text(q, 3);
    p.kommentar = text(q, 4);
    p.sequenceType = text(q, 5);
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

    // The detail sets by their parent key, as the master-detail chain shows them.
    QSqlQuery qo = dm.QWork();
    prepare(qo, QStringLiteral("select Kulcs, Name, Kommentar from Operations where UpPointer = ? order by Kulcs"));
    QSqlQuery qm = dm.QWork();
    prepare(qm, QStringLiteral("select Kulcs, TypeX, Name, Kommentar from InputsOutputs where UpPointer = ? "
                               "order by Kulcs"));
    QSqlQuery qp = dm.QWork();
    prepare(qp, QStringLiteral("select ") + kParameterColumns
                    + QStringLiteral(" from Parameters where UpPointer = ? order by Kulcs"));

    qo.addBindValue(face.kulcs);
    exec(qo);
    while (qo.next()) {
        TExportOperation op;
        op.kulcs = qo.value(0).toLongLong();
        op.name = text(qo, 1);
        op.kommentar = text(qo, 2);
        face.operations.push_back(std::move(op));
    }
    qo.finish();
    for (TExportOperation &op : face.operations) {
        qm.bindValue(0, op.kulcs);
        exec(qm);
        while (qm.next()) {
            TExportMessage m;
            m.kulcs = qm.value(0).toLongLong();
            m.typeX = text(qm, 1);
            m.name = text(qm, 2);
            m.kommentar = text(qm, 3);
            op.messages.push_back(std::move(m));
        }
        qm.finish();
        for (TExportMessage &m : op.messages) {
            qp.bindValue(0, m.kulcs);
            exec(qp);
            while (qp.next())
                m.parameters.push_back(parameterFrom(qp));
            qp.finish();
        }
    }
    return face;
}

QString ExportFolder(const QString &outputDir)
{
    return QDir::cleanPath(QDir(outputDir).filePath(QStringLiteral("ExportDir")));
}

QString ExportFileName(const QString &outputDir, const QString &interfaceName, const QString &extension)
{
    // The name comes from a document: it never leads out of the folder.
    QString base = interfaceName;
    for (QChar &c : base)
        if (c == u'/' || c == u'\\' || c.unicode() == 0)
            c = u'_';
    return ExportFolder(outputDir) + QLatin1Char('/') + base + extension;
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

QString typePrefix(bool xsType)
{
    return xsType ? QStringLiteral("xs:") : QStringLiteral("ns:");
}

QString commentLine(const QString &comment)
{
    return QStringLiteral("<!-- %1 -->").arg(comment);
}

// Case-insensitive set of names, each held once in its first spelling.
class TTypeNames
{
public:
    void add(const QString &name)
    {
        if (name.isEmpty())
            return; // a row without a type names nothing to declare
        const auto at = std::lower_bound(m_names.begin(), m_names.end(), name, [](const QString &a, const QString &b) {
            return CodePage1250::compareText(a, b) < 0;
        });
        if (at != m_names.end() && CodePage1250::sameText(*at, name))
            return;
        m_names.insert(at, name);
    }
    const QStringList &names() const { return m_names; }

private:
    QStringList m_names;
};

// The first row of the whole table whose type is the name (case-insensitive).
// The interface's own first row of that type bounds the search, so only
// rows with smaller keys (other interfaces') are looked at. The fold of the
// code page maps ASCII letters to ASCII letters and others to others, so
// SQLite's ASCII-only LIKE with every other character as a wildcard selects
// a superset; the code page comparison decides.
std::optional<TExportParameter> firstRowOfType(TDM &dm, const QString &typeName,
                                               const std::optional<TExportParameter> &ownFirst)
{
    QString pattern;
    for (const QChar c : typeName) {
        if (c == u'%' || c == u'_' || c == u'\\')
            pattern += QLatin1Char('\\') + c;
        else if (c.unicode() >= 128)
            pattern += QLatin1Char('_');
        else
            pattern += c;
    }
    QSqlQuery q = dm.QWork();
    prepare(q, QStringLiteral("select ") + kParameterColumns
                   + QStringLiteral(" from Parameters where Kulcs < ? and TypeX like ? escape '\\' order by Kulcs"));
    q.addBindValue(ownFirst ? QVariant(ownFirst->kulcs) : QVariant(std::numeric_limits<qint64>::max()));
    q.addBindValue(pattern);
    exec(q);
    while (q.next())
        if (CodePage1250::sameText(text(q, 3), typeName))
            return parameterFrom(q);
    return ownFirst;
}

void appendComplexType(TDM &dm, const QString &typeName, const std::optional<TExportParameter> &ownFirst,
                       QStringList &main)
{
    const std::optional<TExportParameter> head = firstRowOfType(dm, typeName, ownFirst);
    if (!head)
        return;
    QSqlQuery q = dm.QWork();
    if (head->sequenceType != QLatin1String("complexContent")) {
        main << QStringLiteral("<complexType name=\"%1\">").arg(typeName) << QStringLiteral("<sequence>");
        // The members follow in key order, deeper than the head; only the
        // direct ones belong here, the deeper ones to their own types.
        prepare(q, QStringLiteral("select ") + kParameterColumns
                       + QStringLiteral(" from Parameters where Kulcs > ? order by Kulcs"));
        q.addBindValue(head->kulcs);
        exec(q);
        while (q.next()) {
            const TExportParameter member = parameterFrom(q);
            if (member.levelX <= head->levelX)
                break;
            if (member.levelX != head->levelX + 1)
                continue;
            main << QStringLiteral("<element name=\"%1\" type=\"%2%3\" />")
                        .arg(member.name, typePrefix(member.xsType), member.typeX);
            if (!member.kommentar.isEmpty())
                main << commentLine(member.kommentar);
        }
        main << QStringLiteral("</sequence>") << QStringLiteral("</complexType>");
        return;
    }
    main << QStringLiteral("<complexType name=\"%1\">").arg(typeName) << QStringLiteral("<complexContent>")
         << QStringLiteral("<restriction base=\"soapenc:Array\">") << QStringLiteral("<sequence/>");
    prepare(q, QStringLiteral("select ") + kParameterColumns
                   + QStringLiteral(" from Parameters where Kulcs > ? order by Kulcs limit 1"));
    q.addBindValue(head->kulcs);
    exec(q);
    // An array type at the very end of the table has no item row to describe.
    if (q.next()) {
        const TExportParameter item = parameterFrom(q);
        main << QStringLiteral("<attribute ref=\"soapenc:arrayType\" n1:arrayType=\"%1%2[]\" xmlns:n1=\"%3\" />")
                    .arg(typePrefix(item.xsType), item.typeX, kWsdlNamespace);
    }
    main << QStringLiteral("</restriction>") << QStringLiteral("</complexContent>") << QStringLiteral("</complexType>");
}

// The interface's own row of lowest key for each type, by the folded name.
QHash<QString, TExportParameter> ownFirstRows(const TExportInterface &face)
{
    QHash<QString, TExportParameter> first;
    for (const TExportOperation &op : face.operations)
        for (const TExportMessage &m : op.messages)
            for (const TExportParameter &p : m.parameters) {
                const QString fold = CodePage1250::toUpper(p.typeX);
                const auto it = first.constFind(fold);
                if (it == first.constEnd() || p.kulcs < it->kulcs)
                    first.insert(fold, p);
            }
    return first;
}

bool isAscii(const QString &s)
{
    return std::all_of(s.begin(), s.end(), [](QChar c) { return c.unicode() < 128; });
}

} // namespace

QStringList WsdlLines(TDM &dm, const TExportInterface &face)
{
    // The prefixes the document writes are declared on the root, so that
    // namespace-aware readers accept it; "ns:" names the target namespace.
    const QString target =
        QStringLiteral("urn:") + QString::fromLatin1(QUrl::toPercentEncoding(face.definitionsName, "!$&'()*+,;=:@"));
    QStringList main;
    main << kDeclaration
         << QStringLiteral("<definitions name =\"%1\" targetNamespace=\"%2\" xmlns=\"%3\" xmlns:ns=\"%2\" "
                           "xmlns:xs=\"%4\" xmlns:soapenc=\"%5\">")
                .arg(face.definitionsName, target, kWsdlNamespace, kSchemaNamespace, kSoapEncNamespace)
         << QStringLiteral("<types>")
         << QStringLiteral("<schema targetNamespace=\"\" xmlns=\"%1\">").arg(kSchemaNamespace);

    QStringList messages;
    QStringList portType;
    TTypeNames complexTypes;
    portType << QStringLiteral("<portType name=\"%1\">").arg(face.name);
    if (!face.kommentar.isEmpty())
        portType << commentLine(face.kommentar);
    for (const TExportOperation &op : face.operations) {
        portType << QStringLiteral("<operation name=\"%1\">").arg(op.name);
        if (!op.kommentar.isEmpty())
            portType << commentLine(op.kommentar);
        for (const TExportMessage &m : op.messages) {
            portType << QStringLiteral("<%1 message=\"ns:%2\"/>").arg(m.typeX, m.name);
            messages << QStringLiteral("<message name=\"%1\">").arg(m.name);
            // Only the first part is written; a complex one declares its type.
            const TExportParameter *first = m.parameters.empty() ? nullptr : &m.parameters.front();
            if (first && !first->typeX.isEmpty())
                messages << QStringLiteral("<part name=\"%1\" type=\"%2%3\"/>")
                                .arg(first->name, typePrefix(first->xsType), first->typeX);
            if (!m.kommentar.isEmpty())
                messages << commentLine(m.kommentar);
            messages << QStringLiteral("</message>");
            if (first && !first->xsType)
                complexTypes.add(first->typeX);
        }
        portType << QStringLiteral("</operation>");
    }
    portType << QStringLiteral("</portType>");

    QSqlQuery q = dm.QWork();
    prepare(q, QStringLiteral("select distinct TypeX , duplicheck from Parameters where interfaceskulcs = "
                              ":interfaceskulcs and  XS_Type = False"));
    q.bindValue(QStringLiteral(":interfaceskulcs"), face.kulcs);
    exec(q);
    while (q.next())
        complexTypes.add(text(q, 0));
    q.finish();

    const QHash<QString, TExportParameter> ownFirst = ownFirstRows(face);
    for (const QString &typeName : complexTypes.names()) {
        const auto it = ownFirst.constFind(CodePage1250::toUpper(typeName));
        appendComplexType(dm, typeName, it == ownFirst.constEnd() ? std::nullopt : std::optional(*it), main);
    }

    main << QStringLiteral("</schema>") << QStringLiteral("</types>");
    main << messages << portType << QStringLiteral("</definitions>");
    return main;
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
    // markup they break: check the result before anything is written. The
    // document holds elements and comments only, so text means that a value
    // ended its markup early (a comment holding "-->").
    QXmlStreamReader reader(out);
    reader.setNamespaceProcessing(true);
    while (!reader.atEnd()) {
        reader.readNext();
        if (reader.isCharacters() && !reader.isWhitespace())
            reader.raiseError(QStringLiteral("Unexpected text '%1'").arg(reader.text().trimmed()));
    }
    if (reader.hasError())
        throw EXMLError(QStringLiteral("%1 (line %2, column %3)")
                            .arg(reader.errorString(), QString::number(reader.lineNumber()),
                                 QString::number(reader.columnNumber())));
    return out;
}

} // namespace WsdlGenerator

// ---- The command -----------------------------------------------------------

QString GenerateWSDL(TDM &dm, qint64 interfaceKulcs, const QString &outputDir, IReporter *reporter,
                     const QString &fileBase)
{
    return RepositoryExport::Run(reporter, [&]() -> QString {
        const std::optional<TExportInterface> face = RepositoryExport::ReadInterface(dm, interfaceKulcs);
        if (!face)
            return QString();
        const QString out = WsdlGenerator::WsdlText(WsdlGenerator::WsdlLines(dm, *face));
        RepositoryExport::EnsureExportFolder(outputDir);
        const QString file = RepositoryExport::ExportFileName(outputDir, fileBase.isEmpty() ? face->name : fileBase,
                                                                QStringLiteral(".wsdl"));
        TextFile::writeText(file, out);
        return file;
    });
}

QString GenerateWSDL(TDM &dm, const QString &outputDir, IReporter *reporter)
{
    return RepositoryExport::Run(reporter, [&]() -> QString {
        const std::optional<qint64> key = RepositoryExport::CurrentInterface(dm);
        return key ? GenerateWSDL(dm, *key, outputDir, nullptr) : QString();
    });
}
