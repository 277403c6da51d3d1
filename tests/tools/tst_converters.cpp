// The export converters WSDLProc and WSDLObjt: the export reader and WSDL
// writer directly, and the built programs as the workbench runs them (a
// parameter file, staged copies, the output directory as current folder).

#include "CodePage1250.h"
#include "ExportConversion.h"
#include "KorvelXML.h"
#include "TextFile.h"
#include "WsdlWriter.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

using namespace Converters;

namespace {

const QString kProc = QStringLiteral(WSDLPROC_BINARY);
const QString kObjt = QStringLiteral(WSDLOBJT_BINARY);
const QString kDemo = QStringLiteral(QUENBAR_DEMO_SOURCES);
const QString kHeader = QStringLiteral("RECORD;NAME;LEVEL;DIRECTION;DATATYPE;LENGTH;DECIMALS;OCCURS;DECLARATION");

struct Entry
{
    int number;
    QString staged;   // name in workinp
    QString orig;
};

// The parameter file exactly as the workbench writes it, line by line.
void writeParameterFile(const QString &path, const QList<Entry> &entries, const QString &system = QStringLiteral("Legacy"))
{
    QStringList l;
    l << QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\" ?>") + QString(17, u' ');
    l << QStringLiteral("<QUENBAR>");
    l << QStringLiteral(" <Names") + QString(49, u' ');
    l << QStringLiteral("  ProductName = \"Demo\"");
    l << QStringLiteral("  SystemName  = \"%1\"").arg(system);
    l << QStringLiteral(" />");
    l << QStringLiteral(" <Directories>");
    l << QStringLiteral("  <Orig_Input_Dir>C:\\Src</Orig_Input_Dir>");
    l << QStringLiteral("  <Input_Dir>workinp</Input_Dir>");
    l << QStringLiteral("  <Orig_Output_Dir>C:\\Out</Orig_Output_Dir>");
    l << QStringLiteral("  <Output_Dir>.</Output_Dir>");
    l << QStringLiteral("  <Work_Dir>.\\work</Work_Dir>");
    l << QStringLiteral(" </Directories>");
    l << QStringLiteral(" <Files>");
    for (const Entry &e : entries) {
        l << QStringLiteral("  <Orig_File_%1>%2</Orig_File_%1>").arg(e.number, 4, 10, QChar(u'0')).arg(e.orig);
        l << QStringLiteral("  <File_%1>%2</File_%1>").arg(e.number, 4, 10, QChar(u'0')).arg(e.staged);
    }
    l << QStringLiteral(" </Files>");
    l << QStringLiteral("</QUENBAR>");
    TextFile::writeLines(path, l);
}

// Copies a source into the output directory's input folder as CMPnnnn.CSV.
Entry stage(const QString &dir, int number, const QString &source)
{
    QDir().mkpath(dir + QStringLiteral("/workinp"));
    const QString staged = QStringLiteral("CMP%1.CSV").arg(number, 4, 10, QChar(u'0'));
    QFile::remove(dir + QStringLiteral("/workinp/") + staged);
    if (!QFile::copy(source, dir + QStringLiteral("/workinp/") + staged))
        qFatal("cannot stage %s", qPrintable(source));
    return Entry{number, staged, QStringLiteral("C:\\Src\\") + QFileInfo(source).fileName()};
}

Entry stageLines(const QString &dir, int number, const QStringList &lines, const QString &name)
{
    QDir().mkpath(dir + QStringLiteral("/workinp"));
    const QString staged = QStringLiteral("CMP%1.CSV").arg(number, 4, 10, QChar(u'0'));
    TextFile::writeLines(dir + QStringLiteral("/workinp/") + staged, lines);
    return Entry{number, staged, QStringLiteral("C:\\Src\\") + name};
}

QString wsdName(int number)
{
    return QStringLiteral("CMP%1.wsd").arg(number, 4, 10, QChar(u'0'));
}

struct RunResult
{
    bool finished = false;
    int exitCode = -1;
    QString out;
    QString err;
};

RunResult run(const QString &program, const QString &dir, const QStringList &arguments)
{
    RunResult r;
    QProcess p;
    p.setWorkingDirectory(dir);
    p.start(program, arguments);
    if (!p.waitForStarted())
        return r;
    r.finished = p.waitForFinished(120000) && p.exitStatus() == QProcess::NormalExit;
    r.exitCode = p.exitCode();
    r.out = CodePage1250::decode(p.readAllStandardOutput());
    r.err = CodePage1250::decode(p.readAllStandardError());
    return r;
}

bool wellFormed(const QString &path, QString *message)
{
    QProcess p;
    p.start(QStringLiteral("xmllint"), {QStringLiteral("--noout"), path});
    if (!p.waitForStarted() || !p.waitForFinished(60000))
        return false;
    *message = QString::fromLocal8Bit(p.readAllStandardError());
    return p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
}

// Reads a WSDL document through the system's XML document model the way the
// repository import does (first definitions and portType, consecutive
// operation children, messages under the root, parts, complex types and
// soapenc arrays looked up under types) and lists what it would store.
class ImportWalk
{
public:
    explicit ImportWalk(const QString &path) : m_doc(TMyXMLNodeList::FromFile, path, true)
    {
        m_doc.SetIgnorePrefixes(true);
        TMyXMLNode *definitions = m_doc.FindNode(QStringLiteral("definitions"), 0);
        TMyXMLNode *portType = m_doc.FindNode(QStringLiteral("portType"), 0);
        TMyXMLNode *root = m_doc.Node(0);
        if (!definitions || !portType) {
            rows << QStringLiteral("no definitions or portType");
            return;
        }
        m_types = root->ChildExists(QStringLiteral("types")) ? m_doc.FindNode(QStringLiteral("types"), 0) : nullptr;
        rows << QStringLiteral("interface %1 %2").arg(definitions->GetAttribute(QStringLiteral("name")),
                                                     portType->GetAttribute(QStringLiteral("name")));
        for (TMyXMLNode *operation : children(portType)) {
            if (operation->GetName() != QLatin1String("operation"))
                break;
            rows << QStringLiteral("operation ") + operation->GetAttribute(QStringLiteral("name"));
            for (TMyXMLNode *io : children(operation)) {
                const QString messageName = StripPrefix(io->GetAttribute(QStringLiteral("message")));
                rows << io->GetName() + u' ' + messageName;
                TMyXMLNode *message = root->ChildByAttributes(QStringLiteral("message"), {QStringLiteral("name"), messageName});
                if (!message) {
                    rows << QStringLiteral("missing message ") + messageName;
                    continue;
                }
                for (TMyXMLNode *part : children(message))
                    member(part, 1);
            }
        }
    }

    QStringList rows;

private:
    QList<TMyXMLNode *> children(const TMyXMLNode *node) const
    {
        QList<TMyXMLNode *> list;
        for (int i = node->Index + 1; i < m_doc.Count() && m_doc.Node(i)->Level > node->Level; ++i) {
            if (m_doc.Node(i)->Level == node->Level + 1 && m_doc.Node(i)->IsStartTag())
                list << m_doc.Node(i);
        }
        return list;
    }

    TMyXMLNode *complexType(const QString &name)
    {
        if (!m_types || !m_types->LocateChildExists(QStringLiteral("complexType"), {QStringLiteral("name"), name}))
            return nullptr;
        return m_doc.LocateNode(QStringLiteral("complexType"), {QStringLiteral("name"), name}, m_types->Index + 1);
    }

    void row(int level, const QString &name, const QString &type, bool array)
    {
        TMyXMLNode *ct = complexType(type);
        QString text = QStringLiteral("%1 %2 %3").arg(level).arg(name, type);
        if (array)
            text += QStringLiteral(" array");
        if (ct) {
            const QList<TMyXMLNode *> content = children(ct);
            text += u' ' + (content.isEmpty() ? QStringLiteral("(empty)") : content.first()->GetName());
        }
        rows << text;
        if (ct)
            expand(ct, level + 1);
    }

    void member(TMyXMLNode *node, int level)
    {
        if (!node->HasAttribute(QStringLiteral("type"))) {
            rows << QStringLiteral("%1 %2 (no type)").arg(level).arg(node->GetAttribute(QStringLiteral("name")));
            return;
        }
        row(level, node->GetAttribute(QStringLiteral("name")), StripPrefix(node->GetAttribute(QStringLiteral("type"))), false);
    }

    void expand(TMyXMLNode *ct, int level)
    {
        if (level > 40) {
            rows << QStringLiteral("endless nesting");
            return;
        }
        const QList<TMyXMLNode *> content = children(ct);
        if (content.isEmpty())
            return;
        const QString kind = content.first()->GetName();
        if (kind == QLatin1String("sequence") || kind == QLatin1String("all") || kind == QLatin1String("choice")) {
            for (TMyXMLNode *m : children(content.first()))
                member(m, level);
            return;
        }
        const QList<TMyXMLNode *> restriction = children(content.first());
        if ((kind == QLatin1String("complexContent") || kind == QLatin1String("simpleContent")) && !restriction.isEmpty()
            && restriction.first()->GetName() == QLatin1String("restriction")
            && StripPrefix(restriction.first()->GetAttribute(QStringLiteral("base"))).startsWith(QLatin1String("array"), Qt::CaseInsensitive)) {
            const QList<TMyXMLNode *> attributes = children(restriction.first());
            if (attributes.isEmpty() || attributes.first()->GetName() != QLatin1String("attribute")) {
                rows << QStringLiteral("array without attribute");
                return;
            }
            const QString arrayType = StripPrefix(attributes.first()->GetAttribute(QStringLiteral("arrayType")));
            row(level, QStringLiteral("item[]"), arrayType.left(arrayType.indexOf(u'[')), true);
            return;
        }
        rows << QStringLiteral("unknown construct in ") + ct->GetAttribute(QStringLiteral("name"));
    }

    TMyXMLNodeList m_doc;
    TMyXMLNode *m_types = nullptr;
};

QStringList indented(int level, const QStringList &rows)
{
    // Rows written for level 0 moved down to the given level.
    QStringList out;
    static const QRegularExpression lead(QStringLiteral("^(\\d+) "));
    for (const QString &r : rows) {
        const QRegularExpressionMatch m = lead.match(r);
        out << QString::number(m.captured(1).toInt() + level) + r.mid(m.capturedLength(1));
    }
    return out;
}

QStringList addressRows()
{
    return {"0 street string", "0 city string", "0 postalCode string", "0 country string"};
}
QStringList customerRows()
{
    return QStringList{"0 id long", "0 name string", "0 vatNumber string", "0 address Address sequence"} + indented(1, addressRows());
}
QStringList lineRows()
{
    return {"0 articleNo string", "0 description string", "0 quantity int", "0 unitPrice decimal"};
}
QStringList invoiceRows()
{
    return QStringList{"0 number string", "0 customer Customer sequence"} + indented(1, customerRows())
           + QStringList{"0 lines ArrayOfInvoiceLine complexContent", "1 item[] InvoiceLine array sequence"}
           + indented(2, lineRows())
           + QStringList{"0 total decimal", "0 issued dateTime", "0 notes ArrayOfString complexContent", "1 item[] string array"};
}

// Reader and writer in one go; the error text of a malformed export.
QString conversionError(Mode mode, const QStringList &records)
{
    try {
        const ExportModule module = readExport(records, mode);
        writeWsdl(module, mode, WsdlOptions{QStringLiteral("P"), QStringLiteral("S")});
    } catch (const EExportError &e) {
        return e.message();
    }
    return QString();
}

QStringList cobol(const QStringList &records)
{
    return QStringList{kHeader, QStringLiteral("EXPORT;1.0;DEMO;LANG;COBOL")} + records;
}
QStringList java(const QStringList &records)
{
    return QStringList{kHeader, QStringLiteral("EXPORT;1.0;DEMO;LANG;Java")} + records;
}

// A procedural export big enough that converting it many times takes far
// longer than the cancel has to take.
QStringList bigExport()
{
    QStringList lines = cobol({QStringLiteral("PROGRAM;BIGPROG")});
    for (int e = 0; e < 400; ++e) {
        lines << QStringLiteral("ENTRY;ENTRY%1").arg(e);
        lines << QStringLiteral("PARAM;REQ-%1;1;IN;GROUP").arg(e);
        for (int f = 0; f < 100; ++f)
            lines << QStringLiteral("PARAM;F%1-%2;5;;CHAR;%3;;;PIC X(%3)").arg(e).arg(f).arg(f + 1);
        lines << QStringLiteral("PARAM;RC;1;OUT;BINARY;4");
    }
    return lines;
}

} // namespace

class TestConverters : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();

    void splitsRecordFields_data();
    void splitsRecordFields();
    void rejectsMalformedExports_data();
    void rejectsMalformedExports();
    void mapsBuiltinTypes_data();
    void mapsBuiltinTypes();
    void readerPollsBetweenRecords();
    void writesSharedTypesOnceAndBreaksRecursion();
    void keepsComplexTypesApartFromSchemaTypes();
    void readsParameterFile();

    void convertsDemoExports_data();
    void convertsDemoExports();
    void appendsToProductLog();
    void reportsMalformedInputAndConvertsTheRest();
    void refusesOversizedExport();
    void refusesBadParameterFile_data();
    void refusesBadParameterFile();
    void refusesBadArguments_data();
    void refusesBadArguments();
    void writesConsoleFileWhenRedirectionIsPassed();
    void cancelsAtOnceWhenSemaphoreExists();
    void cancelsPromptlyDuringLongRun();
};

void TestConverters::initTestCase()
{
    QVERIFY2(QFileInfo(kProc).isExecutable(), qPrintable(kProc));
    QVERIFY2(QFileInfo(kObjt).isExecutable(), qPrintable(kObjt));
    QVERIFY2(!QStandardPaths::findExecutable(QStringLiteral("xmllint")).isEmpty(), "xmllint (libxml2-utils) is needed");
}

void TestConverters::splitsRecordFields_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<QStringList>("fields");
    QTest::newRow("plain") << "PARAM;A-B;5;;CHAR;10" << QStringList{"PARAM", "A-B", "5", "", "CHAR", "10"};
    QTest::newRow("blanks-trimmed") << " PARAM ; X ;1" << QStringList{"PARAM", "X", "1"};
    QTest::newRow("quoted-semicolon") << "a;\"x;y\";b" << QStringList{"a", "x;y", "b"};
    QTest::newRow("doubled-quote") << "a;\"say \"\"hi\"\"\"" << QStringList{"a", "say \"hi\""};
    QTest::newRow("trailing-empty") << "a;" << QStringList{"a", ""};
}

void TestConverters::splitsRecordFields()
{
    QFETCH(QString, line);
    QFETCH(QStringList, fields);
    QCOMPARE(splitRecord(line, 3), fields);
}

void TestConverters::rejectsMalformedExports_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<QStringList>("lines");
    QTest::addColumn<QString>("message");
    const int proc = int(Mode::Procedural);
    const int objt = int(Mode::ObjectOriented);
    const QStringList entry{"PROGRAM;P", "ENTRY;E"};
    QTest::newRow("one-line") << proc << QStringList{kHeader} << "not an interface export: fewer than two lines";
    QTest::newRow("no-header") << proc << QStringList{"NAME;LEVEL", "EXPORT;1.0;DEMO;LANG;COBOL", "PROGRAM;P", "ENTRY;E"}
                               << "line 1: not an interface export";
    QTest::newRow("no-lang") << proc << QStringList{kHeader, "EXPORT;1.0;DEMO;LINGO;COBOL", "PROGRAM;P", "ENTRY;E"}
                             << "line 2: item 3 of the export identification is not LANG";
    QTest::newRow("blank-in-item") << proc << QStringList{kHeader, "EXPORT;1.0;MY SYS;LANG;COBOL", "PROGRAM;P", "ENTRY;E"}
                                   << "line 2: item 2 of the export identification must be non-empty";
    QTest::newRow("version-2") << proc << QStringList{kHeader, "EXPORT;2.0;DEMO;LANG;COBOL", "PROGRAM;P", "ENTRY;E"}
                               << "line 2: format version 2.0";
    QTest::newRow("java-to-proc") << proc << java({"CLASS;C", "METHOD;m"}) << "line 2: Java is not a procedural language";
    QTest::newRow("cobol-to-objt") << objt << cobol(entry) << "line 2: COBOL is a procedural language";
    QTest::newRow("open-quote") << proc << cobol(entry + QStringList{"PARAM;\"X;1;IN;CHAR"}) << "line 5: a quoted field is not closed";
    QTest::newRow("param-before-entry") << proc << cobol({"PROGRAM;P", "PARAM;X;1;IN;CHAR", "ENTRY;E"}) << "line 4: PARAM record outside an ENTRY";
    QTest::newRow("first-not-program") << proc << cobol({"ENTRY;E"}) << "line 3: the first record must be a PROGRAM record";
    QTest::newRow("second-program") << proc << cobol(entry + QStringList{"PROGRAM;Q"}) << "line 5: a second PROGRAM record";
    QTest::newRow("no-entry") << proc << cobol({"PROGRAM;P"}) << "the export has no ENTRY record";
    QTest::newRow("method-in-proc") << proc << cobol(entry + QStringList{"METHOD;m"}) << "line 5: METHOD records belong in object-oriented exports";
    QTest::newRow("unknown-record") << proc << cobol(entry + QStringList{"PARM;X;1;IN;CHAR"}) << "line 5: unknown record kind \"PARM\"";
    QTest::newRow("no-name") << proc << cobol(entry + QStringList{"PARAM;;1;IN;CHAR"}) << "line 5: PARAM record without a NAME";
    QTest::newRow("bad-level") << proc << cobol(entry + QStringList{"PARAM;X;01A;IN;CHAR"}) << "line 5: LEVEL \"01A\" is not a whole number";
    QTest::newRow("bad-direction") << proc << cobol(entry + QStringList{"PARAM;X;1;BOTH;CHAR"}) << "line 5: DIRECTION \"BOTH\"";
    QTest::newRow("bad-occurs") << proc << cobol(entry + QStringList{"PARAM;X;1;IN;CHAR;1;;0"}) << "line 5: OCCURS \"0\"";
    QTest::newRow("two-returns") << proc << cobol(entry + QStringList{"PARAM;A;1;RETURN;BINARY", "PARAM;B;1;RETURN;BINARY"})
                                 << "line 6: a second RETURN parameter in E";
    QTest::newRow("member-without-group") << proc << cobol(entry + QStringList{"PARAM;A;1;IN;CHAR;1", "PARAM;B;5;;CHAR;1"})
                                          << "line 6: \"B\" (level 5) follows \"A\" (level 1), which is not a GROUP";
    QTest::newRow("orphan-member") << proc << cobol(entry + QStringList{"PARAM;B;5;;CHAR;1"})
                                   << "line 5: PARAM \"B\" has no DIRECTION and is no member";
    QTest::newRow("sibling-levels") << proc << cobol(entry + QStringList{"PARAM;G;1;IN;GROUP", "PARAM;A;5;;CHAR", "PARAM;B;3;;CHAR"})
                                    << "line 7: level 3 of \"B\" differs from level 5 of \"A\"";
    QTest::newRow("empty-group") << proc << cobol(entry + QStringList{"PARAM;G;1;IN;GROUP", "PARAM;H;1;OUT;CHAR"})
                                 << "line 5: GROUP \"G\" has no members";
    QTest::newRow("field-outside-type") << proc << cobol(entry + QStringList{"FIELD;A;5;;CHAR"}) << "line 5: FIELD record outside a TYPE";
    QTest::newRow("field-direction") << proc << cobol(entry + QStringList{"TYPE;T", "FIELD;A;5;IN;CHAR"}) << "line 6: FIELD \"A\" has a DIRECTION";
    QTest::newRow("type-twice") << proc << cobol(entry + QStringList{"TYPE;T", "FIELD;A;5;;CHAR", "TYPE;t"}) << "line 7: TYPE \"t\" is defined twice";
    QTest::newRow("type-named-like-category") << proc << cobol(entry + QStringList{"TYPE;Char", "FIELD;A;5;;CHAR"})
                                              << "line 5: TYPE \"Char\" is named like a data type";
    QTest::newRow("unknown-proc-type") << proc << cobol(entry + QStringList{"PARAM;X;1;IN;CHR;5"})
                                       << "line 5: unknown data type \"CHR\" of \"X\"";
}

void TestConverters::rejectsMalformedExports()
{
    QFETCH(int, mode);
    QFETCH(QStringList, lines);
    QFETCH(QString, message);
    const QString error = conversionError(Mode(mode), lines);
    QVERIFY2(error.startsWith(message), qPrintable(error));
}

void TestConverters::mapsBuiltinTypes_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<QString>("dataType");
    QTest::addColumn<int>("length");
    QTest::addColumn<int>("decimals");
    QTest::addColumn<QString>("schemaType");
    const int proc = int(Mode::Procedural);
    const int objt = int(Mode::ObjectOriented);
    QTest::newRow("numeric-9") << proc << "NUMERIC" << 9 << -1 << "int";
    QTest::newRow("numeric-10") << proc << "NUMERIC" << 10 << 0 << "long";
    QTest::newRow("numeric-19") << proc << "numeric" << 19 << -1 << "integer";
    QTest::newRow("packed-decimals") << proc << "PACKED" << 9 << 2 << "decimal";
    QTest::newRow("packed-no-length") << proc << "PACKED" << -1 << -1 << "decimal";
    QTest::newRow("binary-4") << proc << "BINARY" << 4 << -1 << "short";
    QTest::newRow("binary-18") << proc << "BINARY" << 18 << -1 << "long";
    QTest::newRow("float-4") << proc << "FLOAT" << 4 << -1 << "float";
    QTest::newRow("float-8") << proc << "FLOAT" << 8 << -1 << "double";
    QTest::newRow("bit-1") << proc << "BIT" << 1 << -1 << "boolean";
    QTest::newRow("bit-8") << proc << "BIT" << 8 << -1 << "hexBinary";
    QTest::newRow("timestamp") << proc << "TIMESTAMP" << -1 << -1 << "dateTime";
    QTest::newRow("java-name-in-proc") << proc << "String" << -1 << -1 << "";
    QTest::newRow("qualified") << objt << "java.lang.String" << -1 << -1 << "string";
    QTest::newRow("cpp-reference") << objt << "const std::string &" << -1 << -1 << "string";
    QTest::newRow("boxed") << objt << "Integer" << -1 << -1 << "int";
    QTest::newRow("csharp-decimal") << objt << "decimal" << -1 << -1 << "decimal";
    QTest::newRow("class") << objt << "Customer" << -1 << -1 << "";
}

void TestConverters::mapsBuiltinTypes()
{
    QFETCH(int, mode);
    QFETCH(QString, dataType);
    QFETCH(int, length);
    QFETCH(int, decimals);
    QFETCH(QString, schemaType);
    QCOMPARE(builtinSchemaType(Mode(mode), dataType, length, decimals), schemaType);
}

void TestConverters::readerPollsBetweenRecords()
{
    const QStringList lines = bigExport();
    int calls = 0;
    const Checkpoint stopAt100 = [&calls] {
        if (++calls == 100)
            throw ECancelled();
    };
    bool cancelled = false;
    try {
        readExport(lines, Mode::Procedural, stopAt100);
    } catch (const ECancelled &) {
        cancelled = true;
    }
    QVERIFY(cancelled);
    QCOMPARE(calls, 100);
}

void TestConverters::writesSharedTypesOnceAndBreaksRecursion()
{
    const QStringList lines = java({"CLASS;com.x.TreeService", "METHOD;load", "PARAM;id;1;IN;long", "PARAM;return;1;RETURN;Node",
                                    "METHOD;save", "PARAM;node;1;IN;com.x.Node", "PARAM;tags;1;IN;Tag;;;*",
                                    "TYPE;com.x.Node", "FIELD;label;1;;String", "FIELD;next;1;;Node", "FIELD;tag;1;;Tag",
                                    "TYPE;com.x.Tag", "FIELD;text;1;;String", "FIELD;owner;1;;Color"});
    const WsdlDocument doc = writeWsdl(readExport(lines, Mode::ObjectOriented), Mode::ObjectOriented, WsdlOptions{"P", "S"});
    const QString text = doc.lines.join(u'\n');
    QCOMPARE(text.count(QStringLiteral("<xsd:complexType name=\"Node\">")), 1);
    QCOMPARE(text.count(QStringLiteral("<xsd:complexType name=\"Tag\">")), 1);
    QVERIFY(text.contains(QStringLiteral("<xsd:element name=\"next\" type=\"xsd:anyType\"")));
    QVERIFY(text.contains(QStringLiteral("<xsd:element name=\"owner\" type=\"xsd:anyType\"")));
    QCOMPARE(doc.complexTypes, 2);
    QCOMPARE(doc.arrays, 1);
    QCOMPARE(doc.warnings.size(), 2);
    QVERIFY(doc.warnings.at(0).contains(QStringLiteral("recursive reference to type \"com.x.Node\"")));
    QVERIFY(doc.warnings.at(1).contains(QStringLiteral("unknown type \"Color\"")));
}

void TestConverters::keepsComplexTypesApartFromSchemaTypes()
{
    // The import tells complex from simple types by local name; a class
    // called Date must not turn every xsd:date into a complex type. Groups of
    // one name but different content must not share a type either.
    // Nor may a class called Group be taken for the GROUP keyword.
    const QStringList javaLines = java({"CLASS;C", "METHOD;m", "PARAM;when;1;IN;com.x.Date", "PARAM;day;1;IN;LocalDate",
                                        "PARAM;team;1;IN;Group", "TYPE;com.x.Date", "FIELD;y;1;;int",
                                        "TYPE;com.x.Group", "FIELD;size;1;;int"});
    const QString javaText = writeWsdl(readExport(javaLines, Mode::ObjectOriented), Mode::ObjectOriented, WsdlOptions{})
                                 .lines.join(u'\n');
    QVERIFY(javaText.contains(QStringLiteral("<xsd:complexType name=\"Date_Type\">")));
    QVERIFY(javaText.contains(QStringLiteral("<wsdl:part name=\"when\" type=\"tns:Date_Type\"/>")));
    QVERIFY(javaText.contains(QStringLiteral("<wsdl:part name=\"day\" type=\"xsd:date\"/>")));
    QVERIFY(javaText.contains(QStringLiteral("<wsdl:part name=\"team\" type=\"tns:Group\"/>")));

    const QStringList cobolLines = cobol({"PROGRAM;P", "ENTRY;E", "PARAM;A;1;IN;GROUP", "PARAM;KEY;5;;GROUP", "PARAM;K1;10;;CHAR;4",
                                          "PARAM;B;1;IN;GROUP", "PARAM;KEY;5;;GROUP", "PARAM;K2;10;;NUMERIC;4"});
    const QString cobolText = writeWsdl(readExport(cobolLines, Mode::Procedural), Mode::Procedural, WsdlOptions{})
                                  .lines.join(u'\n');
    QVERIFY(cobolText.contains(QStringLiteral("<xsd:complexType name=\"KEY\">")));
    QVERIFY(cobolText.contains(QStringLiteral("<xsd:complexType name=\"KEY_2\">")));
    QVERIFY(cobolText.contains(QStringLiteral("<xsd:element name=\"KEY\" type=\"tns:KEY_2\"/>")));
    QCOMPARE(xmlName(QStringLiteral("1ST-ITEM#")), QStringLiteral("_1ST-ITEM_"));
}

void TestConverters::readsParameterFile()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("lastprc.xml"));
    writeParameterFile(path, {Entry{1, "CMP0001.CSV", "C:\\Src\\R&amp;D\\A.csv"}, Entry{3, "sub\\CMP0003.CSV", "C:\\Src\\B.csv"}},
                       QStringLiteral("Legacy"));
    const ParameterFile p = readParameterFile(path);
    QCOMPARE(p.productName, QStringLiteral("Demo"));
    QCOMPARE(p.systemName, QStringLiteral("Legacy"));
    QCOMPARE(p.inputDir, QStringLiteral("workinp"));
    QCOMPARE(int(p.files.size()), 2);
    QCOMPARE(p.files[0].number, QStringLiteral("0001"));
    QCOMPARE(p.files[0].origFile, QStringLiteral("C:\\Src\\R&D\\A.csv"));
    QCOMPARE(p.files[1].number, QStringLiteral("0003"));
    QCOMPARE(p.files[1].file, QStringLiteral("sub/CMP0003.CSV"));
    QCOMPARE(p.files[1].origFile, QStringLiteral("C:\\Src\\B.csv"));
}

void TestConverters::convertsDemoExports_data()
{
    QTest::addColumn<QString>("program");
    QTest::addColumn<QString>("source");
    QTest::addColumn<bool>("complete");     // rows are the whole import, not a selection
    QTest::addColumn<QStringList>("rows");
    QTest::addColumn<QString>("text");      // also in the document (windows-1250 round trip)

    QTest::newRow("cobol-nested-array") << kProc << "ORDENTRY.csv" << true
        << QStringList{"interface ORDENTRY ORDENTRY",
                       "operation ORDENTRY", "input ORDENTRYRequest",
                       "1 ORDER-REQUEST ORDER-REQUEST sequence",
                       "2 ORDER-HEADER ORDER-HEADER sequence", "3 ORDER-NO int", "3 ORDER-DATE string",
                       "3 CUSTOMER CUSTOMER sequence", "4 CUST-ID long", "4 CUST-NAME string",
                       "4 DELIVERY-ADDRESS DELIVERY-ADDRESS sequence", "5 STREET string", "5 CITY string", "5 ZIP-CODE string",
                       "2 LINE-COUNT short",
                       "2 ORDER-LINE ArrayOfORDER-LINE complexContent", "3 item[] ORDER-LINE array sequence",
                       "4 ITEM-NO string", "4 QUANTITY int", "4 UNIT-PRICE decimal",
                       "output ORDENTRYResponse",
                       "1 ORDER-RESULT ORDER-RESULT sequence", "2 RETURN-CODE short", "2 ORDER-TOTAL decimal", "2 MESSAGE-TEXT string",
                       "operation ORDSTAT", "input ORDSTATRequest", "1 LS-ORDER-NO int",
                       "output ORDSTATResponse", "1 ORDER-STATUS ORDER-STATUS sequence", "2 STATUS-CODE string",
                       "2 STATUS-DATE string", "2 LINE-STATE ArrayOfString complexContent", "3 item[] string array"}
        << QStringLiteral("wsdl:arrayType=\"tns:ORDER-LINE[50]\"") + u'|' + QString::fromUtf8("lg:source=\"C:\\Zdroje\\Objednávky\\ORDENTRY.cbl\"");

    QTest::newRow("cobol-copybook") << kProc << "CUSTMAINT.csv" << false
        << QStringList{"interface CUSTMAINT CUSTMAINT", "operation CUSTREAD", "input CUSTREADRequest", "1 CUST-KEY long",
                       "output CUSTREADResponse", "1 CUST-RECORD CUSTREC sequence", "2 CREDIT-LIMIT decimal",
                       "2 PHONE ArrayOfString complexContent", "3 item[] string array", "2 LAST-CHANGE LAST-CHANGE sequence",
                       "3 CHANGE-DATE date", "3 CHANGE-USER string", "1 WS-SQLCODE int",
                       "operation CUSTUPDT", "input CUSTUPDTRequest", "1 UPDATE-FLAGS UPDATE-FLAGS sequence", "2 UPD-CREDIT string",
                       "output CUSTUPDTResponse"}
        << QStringLiteral("wsdl:arrayType=\"xsd:string[3]\"|lg:declaration=\"PIC S9(7)V99 COMP-3\"");

    QTest::newRow("pli-array-parameter") << kProc << "RATECALC.csv" << true
        << QStringList{"interface RATECALC RATECALC", "operation RATECALC", "input RATECALCRequest",
                       "1 LOAN LOAN sequence", "2 PRINCIPAL decimal", "2 RATE double", "2 TERM_MONTHS int",
                       "output RATECALCResponse", "1 SCHEDULE ArrayOfSCHEDULE complexContent",
                       "2 item[] SCHEDULE array sequence", "3 DUE_DATE string", "3 PAYMENT decimal", "3 BALANCE decimal",
                       "1 RC short"}
        << QStringLiteral("wsdl:arrayType=\"tns:SCHEDULE[360]\"|lg:language=\"PLI\"");

    const QStringList java = QStringList{"interface com.acme.billing.InvoiceService InvoiceService",
                                         "operation createInvoice", "input createInvoiceRequest",
                                         "1 customer Customer sequence"} + indented(2, customerRows())
        + QStringList{"1 lines ArrayOfInvoiceLine complexContent", "2 item[] InvoiceLine array sequence"} + indented(3, lineRows())
        + QStringList{"1 dueDate date", "output createInvoiceResponse", "1 return Invoice sequence"} + indented(2, invoiceRows())
        + QStringList{"operation findInvoices", "input findInvoicesRequest", "1 customerId long", "1 from dateTime", "1 to dateTime",
                      "output findInvoicesResponse", "1 return ArrayOfInvoice complexContent", "2 item[] Invoice array sequence"}
        + indented(3, invoiceRows())
        + QStringList{"operation findInvoices", "input findInvoices2Request", "1 invoiceNo string",
                      "output findInvoices2Response", "1 return ArrayOfInvoice complexContent", "2 item[] Invoice array sequence"}
        + indented(3, invoiceRows())
        + QStringList{"operation cancelInvoice", "input cancelInvoiceRequest", "1 invoiceNo string", "1 reason string",
                      "output cancelInvoiceResponse", "1 return boolean"};
    QTest::newRow("java-objects") << kObjt << "InvoiceService.csv" << true << java
        << QString::fromUtf8("poznámky, &quot;interní&quot;") + QStringLiteral("|<wsdl:input name=\"findInvoices2Request\" message=\"tns:findInvoices2Request\"/>");
}

void TestConverters::convertsDemoExports()
{
    QFETCH(QString, program);
    QFETCH(QString, source);
    QFETCH(bool, complete);
    QFETCH(QStringList, rows);
    QFETCH(QString, text);
    QTemporaryDir dir;
    const QString out = dir.path();
    writeParameterFile(out + QStringLiteral("/lastprc.xml"), {stage(out, 7, kDemo + u'/' + source)});
    const RunResult r = run(program, out, {QStringLiteral("lastprc.xml")});
    QVERIFY2(r.finished, qPrintable(r.err));
    QCOMPARE(r.exitCode, int(ExitOk));
    QVERIFY2(r.err.isEmpty(), qPrintable(r.err));
    QVERIFY(r.out.contains(QStringLiteral("[1/1] CMP0007.wsd written")));

    const QString wsd = out + u'/' + wsdName(7);
    QString lint;
    QVERIFY2(wellFormed(wsd, &lint), qPrintable(lint));
    const QByteArray bytes = [&wsd] { QFile f(wsd); return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray(); }();
    QVERIFY(bytes.startsWith("<?xml version=\"1.0\" encoding=\"windows-1250\"?>\r\n"));
    QCOMPARE(bytes.count("\r\n"), bytes.count('\n'));
    const QString document = TextFile::readText(wsd);
    for (const QString &piece : text.split(u'|'))
        QVERIFY2(document.contains(piece), qPrintable(piece));

    const QStringList imported = ImportWalk(wsd).rows;
    if (complete) {
        QCOMPARE(imported, rows);
    } else {
        qsizetype from = 0;   // the selection, in document order
        for (const QString &row : rows) {
            const qsizetype at = imported.indexOf(row, from);
            QVERIFY2(at >= 0, qPrintable(row + QStringLiteral(" not found in order in\n") + imported.join(u'\n')));
            from = at + 1;
        }
    }
    if (source == QLatin1String("CUSTMAINT.csv")) {
        // The copy book goes out once; INOUT puts the record into both messages.
        QCOMPARE(document.count(QStringLiteral("<xsd:complexType name=\"CUSTREC\">")), 1);
        const qsizetype request = imported.indexOf(QStringLiteral("input CUSTUPDTRequest"));
        const qsizetype response = imported.indexOf(QStringLiteral("output CUSTUPDTResponse"));
        QCOMPARE(imported.at(request + 1), QStringLiteral("1 CUST-RECORD CUSTREC sequence"));
        QCOMPARE(imported.at(response + 1), QStringLiteral("1 CUST-RECORD CUSTREC sequence"));
        QCOMPARE(imported.last(), QStringLiteral("1 WS-SQLCODE int"));
    }
}

void TestConverters::appendsToProductLog()
{
    QTemporaryDir dir;
    const QString out = dir.path();
    QDir().mkpath(out + QStringLiteral("/Exports"));
    const QString logPath = out + QStringLiteral("/Exports/Legacy.log");
    TextFile::writeLines(logPath, {QStringLiteral("earlier line")});
    writeParameterFile(out + QStringLiteral("/lastprc.xml"),
                       {stage(out, 1, kDemo + QStringLiteral("/ORDENTRY.csv")), stage(out, 2, kDemo + QStringLiteral("/CUSTMAINT.csv"))});
    writeParameterFile(out + QStringLiteral("/lastobj.xml"), {stage(out, 3, kDemo + QStringLiteral("/InvoiceService.csv"))});
    QCOMPARE(run(kProc, out, {QStringLiteral("lastprc.xml")}).exitCode, int(ExitOk));
    QCOMPARE(run(kObjt, out, {QStringLiteral("lastobj.xml")}).exitCode, int(ExitOk));

    const QStringList log = TextFile::readLines(logPath);
    QCOMPARE(log.size(), 4);
    QCOMPARE(log.at(0), QStringLiteral("earlier line"));
    const QString time = QStringLiteral("^\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d ");
    QVERIFY2(QRegularExpression(time + QStringLiteral("WSDLProc converted C:\\\\Src\\\\ORDENTRY.csv \\(CMP0001.CSV\\) to CMP0001.wsd: 2 operation"))
                 .match(log.at(1)).hasMatch(), qPrintable(log.at(1)));
    QVERIFY2(QRegularExpression(time + QStringLiteral("WSDLProc converted .*CUSTMAINT.csv .* to CMP0002.wsd")).match(log.at(2)).hasMatch(),
             qPrintable(log.at(2)));
    QVERIFY2(QRegularExpression(time + QStringLiteral("WSDLObjt converted .*InvoiceService.csv .* to CMP0003.wsd: 4 operation"))
                 .match(log.at(3)).hasMatch(), qPrintable(log.at(3)));
}

void TestConverters::reportsMalformedInputAndConvertsTheRest()
{
    QTemporaryDir dir;
    const QString out = dir.path();
    // A result of an earlier run for the broken export must not survive.
    TextFile::writeLines(out + u'/' + wsdName(2), {QStringLiteral("<old/>")});
    const QList<Entry> entries{
        stage(out, 1, kDemo + QStringLiteral("/ORDENTRY.csv")),
        stageLines(out, 2, cobol({"PROGRAM;BROKEN", "ENTRY;E", "PARAM;G;1;IN;GROUP", "PARAM;X;1;OUT;CHAR"}), QStringLiteral("BROKEN.csv")),
        stage(out, 3, kDemo + QStringLiteral("/InvoiceService.csv")),
        Entry{4, QStringLiteral("CMP0004.CSV"), QStringLiteral("C:\\Src\\GONE.csv")},
        stage(out, 5, kDemo + QStringLiteral("/RATECALC.csv")),
    };
    writeParameterFile(out + QStringLiteral("/lastprc.xml"), entries);
    const RunResult r = run(kProc, out, {QStringLiteral("lastprc.xml")});
    QVERIFY(r.finished);
    QCOMPARE(r.exitCode, int(ExitFilesFailed));

    for (int n : {1, 5})
        QVERIFY2(QFile::exists(out + u'/' + wsdName(n)), qPrintable(wsdName(n)));
    for (int n : {2, 3, 4})
        QVERIFY2(!QFile::exists(out + u'/' + wsdName(n)), qPrintable(wsdName(n)));

    QVERIFY2(r.err.contains(QStringLiteral("BROKEN.csv (CMP0002.CSV): line 5: GROUP \"G\" has no members")), qPrintable(r.err));
    QVERIFY2(r.err.contains(QStringLiteral("InvoiceService.csv (CMP0003.CSV): line 2: Java is not a procedural language")), qPrintable(r.err));
    QVERIFY2(r.err.contains(QStringLiteral("GONE.csv (CMP0004.CSV): the staged file workinp/CMP0004.CSV does not exist")), qPrintable(r.err));
    QVERIFY(r.out.contains(QStringLiteral("WSDLProc: 2 converted, 3 failed")));

    const QStringList log = TextFile::readLines(out + QStringLiteral("/Exports/Legacy.log"));
    QCOMPARE(log.size(), 5);
    QVERIFY(log.at(0).contains(QStringLiteral("WSDLProc converted C:\\Src\\ORDENTRY.csv")));
    QVERIFY(log.at(1).contains(QStringLiteral("WSDLProc failed C:\\Src\\BROKEN.csv (CMP0002.CSV): line 5: GROUP")));
    QVERIFY(log.at(2).contains(QStringLiteral("WSDLProc failed C:\\Src\\InvoiceService.csv")));
    QVERIFY(log.at(3).contains(QStringLiteral("WSDLProc failed C:\\Src\\GONE.csv")));
    QVERIFY(log.at(4).contains(QStringLiteral("WSDLProc converted C:\\Src\\RATECALC.csv")));
}

void TestConverters::refusesOversizedExport()
{
    QTemporaryDir dir;
    const QString out = dir.path();
    Entry big = stage(out, 1, kDemo + QStringLiteral("/ORDENTRY.csv"));
    {
        // Sparse: the size costs no disk space.
        QFile f(out + QStringLiteral("/workinp/") + big.staged);
        QVERIFY(f.open(QIODevice::ReadWrite));
        QVERIFY(f.resize(kMaxExportBytes + 1));
    }
    writeParameterFile(out + QStringLiteral("/lastprc.xml"), {big, stage(out, 2, kDemo + QStringLiteral("/RATECALC.csv"))});
    const RunResult r = run(kProc, out, {QStringLiteral("lastprc.xml")});
    QVERIFY(r.finished);
    QCOMPARE(r.exitCode, int(ExitFilesFailed));
    QVERIFY(!QFile::exists(out + u'/' + wsdName(1)));
    QVERIFY(QFile::exists(out + u'/' + wsdName(2)));
    QVERIFY2(r.err.contains(QStringLiteral("ORDENTRY.csv (CMP0001.CSV): the staged file workinp/CMP0001.CSV is too large (%1 bytes, at most %2)")
                                .arg(kMaxExportBytes + 1).arg(kMaxExportBytes)), qPrintable(r.err));
}

void TestConverters::refusesBadParameterFile_data()
{
    QTest::addColumn<QString>("content");   // empty: no file; "dir": a folder of that name
    QTest::addColumn<QString>("message");
    QTest::newRow("missing") << QString() << "does not exist";
    QTest::newRow("folder") << "dir" << "is not a file";
    QTest::newRow("mismatched-tags") << "<QUENBAR>\r\n <Names SystemName=\"S\"/>\r\n <Files>\r\n</QUENBAR>\r\n" << "";
    QTest::newRow("no-names") << "<QUENBAR>\r\n <Files>\r\n </Files>\r\n</QUENBAR>\r\n" << "has no Names element";
    QTest::newRow("no-system") << "<QUENBAR>\r\n <Names ProductName = \"P\"/>\r\n</QUENBAR>\r\n" << "has no usable SystemName";
    QTest::newRow("system-leaves-folder") << "<QUENBAR>\r\n <Names SystemName = \"../../etc/x\"/>\r\n</QUENBAR>\r\n"
                                          << "has no usable SystemName";
}

void TestConverters::refusesBadParameterFile()
{
    QFETCH(QString, content);
    QFETCH(QString, message);
    QTemporaryDir dir;
    const QString out = dir.path();
    if (content == QLatin1String("dir"))
        QDir().mkpath(out + QStringLiteral("/lastprc.xml"));
    else if (!content.isEmpty())
        TextFile::writeText(out + QStringLiteral("/lastprc.xml"), content);
    for (const QString &program : {kProc, kObjt}) {
        const RunResult r = run(program, out, {QStringLiteral("lastprc.xml")});
        QVERIFY(r.finished);
        QCOMPARE(r.exitCode, int(ExitBadParameterFile));
        QVERIFY2(r.err.contains(message), qPrintable(r.err));
        QVERIFY(!r.err.isEmpty());
    }
    QVERIFY(!QFileInfo::exists(out + QStringLiteral("/Exports")));
}

void TestConverters::refusesBadArguments_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::newRow("none") << QStringList{};
    QTest::newRow("empty") << QStringList{""};
    QTest::newRow("extra") << QStringList{"lastprc.xml", "lastobj.xml"};
    QTest::newRow("redirect-without-file") << QStringList{"lastprc.xml", ">"};
}

void TestConverters::refusesBadArguments()
{
    QFETCH(QStringList, arguments);
    QTemporaryDir dir;
    writeParameterFile(dir.filePath(QStringLiteral("lastprc.xml")), {});
    const RunResult r = run(kProc, dir.path(), arguments);
    QVERIFY(r.finished);
    QCOMPARE(r.exitCode, int(ExitBadArguments));
    QVERIFY(r.err.startsWith(QStringLiteral("Usage: WSDLProc <parameter file>")));
}

void TestConverters::writesConsoleFileWhenRedirectionIsPassed()
{
    // Started without a shell, "lastobj.xml > Console.log" arrives as three arguments.
    QTemporaryDir dir;
    const QString out = dir.path();
    writeParameterFile(out + QStringLiteral("/lastobj.xml"), {stage(out, 2, kDemo + QStringLiteral("/InvoiceService.csv"))});
    const RunResult r = run(kObjt, out, {QStringLiteral("lastobj.xml"), QStringLiteral(">"), QStringLiteral("Console.log")});
    QCOMPARE(r.exitCode, int(ExitOk));
    QVERIFY(r.out.isEmpty());
    const QStringList console = TextFile::readLines(out + QStringLiteral("/Console.log"));
    QVERIFY2(console.contains(QStringLiteral("[1/1] converting C:\\Src\\InvoiceService.csv (CMP0002.CSV)")), qPrintable(console.join(u'\n')));
    QCOMPARE(console.last(), QStringLiteral("WSDLObjt: 1 converted, 0 failed"));
    QVERIFY(QFile::exists(out + u'/' + wsdName(2)));
}

void TestConverters::cancelsAtOnceWhenSemaphoreExists()
{
    QTemporaryDir dir;
    const QString out = dir.path();
    writeParameterFile(out + QStringLiteral("/lastprc.xml"), {stage(out, 1, kDemo + QStringLiteral("/ORDENTRY.csv"))});
    TextFile::writeText(out + QStringLiteral("/Semaphore.xml"), QString());
    const RunResult r = run(kProc, out, {QStringLiteral("lastprc.xml")});
    QCOMPARE(r.exitCode, int(ExitCancelled));
    QVERIFY(!QFile::exists(out + u'/' + wsdName(1)));
    const QStringList log = TextFile::readLines(out + QStringLiteral("/Exports/Legacy.log"));
    QCOMPARE(log.size(), 1);
    QVERIFY2(log.at(0).endsWith(QStringLiteral("WSDLProc cancelled (Semaphore.xml found): 1 of 1 export(s) not converted")), qPrintable(log.at(0)));
}

void TestConverters::cancelsPromptlyDuringLongRun()
{
    QTemporaryDir dir;
    const QString out = dir.path();
    const int copies = 200;
    stageLines(out, 1, bigExport(), QStringLiteral("BIGPROG.csv"));
    QList<Entry> entries;
    for (int n = 1; n <= copies; ++n)
        entries << Entry{n, QStringLiteral("CMP0001.CSV"), QStringLiteral("C:\\Src\\BIGPROG.csv")};
    writeParameterFile(out + QStringLiteral("/lastprc.xml"), entries);

    QProcess p;
    p.setWorkingDirectory(out);
    p.start(kProc, {QStringLiteral("lastprc.xml")});
    QVERIFY(p.waitForStarted());
    QByteArray console;
    while (!console.contains("[2/") && p.state() == QProcess::Running) {
        p.waitForReadyRead(1000);
        console += p.readAllStandardOutput();
    }
    QVERIFY2(console.contains("[2/"), console.constData());
    TextFile::writeText(out + QStringLiteral("/Semaphore.xml"), QString());
    QVERIFY2(p.waitForFinished(2000), "the converter did not stop within 2 s of the semaphore");
    QCOMPARE(p.exitStatus(), QProcess::NormalExit);
    QCOMPARE(p.exitCode(), int(ExitCancelled));

    int written = 0;
    for (int n = 1; n <= copies; ++n)
        written += QFile::exists(out + u'/' + wsdName(n)) ? 1 : 0;
    QVERIFY(written >= 1);
    QVERIFY(written < copies);
    const QStringList log = TextFile::readLines(out + QStringLiteral("/Exports/Legacy.log"));
    QCOMPARE(log.size(), written + 1);
    QVERIFY2(log.last().contains(QStringLiteral("WSDLProc cancelled (Semaphore.xml found): %1 of %2 export(s) not converted")
                                     .arg(copies - written).arg(copies)), qPrintable(log.last()));
}

QTEST_GUILESS_MAIN(TestConverters)
#include "tst_converters.moc"
