#include "CodePage1250.h"
#include "Errors.h"
#include "InterfaceFiles.h"
#include "KorvelXML.h"
#include "QuenbarDB.h"
#include "ScriptGenerator.h"
#include "TextFile.h"
#include "WsdlGenerator.h"
#include "WsdlImport.h"
#include "TestFiles.h"
#include "core/TestReporter.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSet>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QXmlStreamReader>
#include <QtTest>

#include <algorithm>
#include <functional>
#include <memory>

namespace {

const QString kCrLf = QStringLiteral("\r\n");

// A repository in a temporary folder, filled through the data module as the
// import fills it: each new row belongs to the current rows above it.
struct TRepo
{
    QTemporaryDir dir;
    TDM dm;

    bool open() { return dir.isValid() && dm.OpenRepository(dir.filePath(QStringLiteral("ParadoxDB")), false); }
    QString outputDir() const { return dir.path(); }

    qint64 iface(const QString &name, const QString &definitionsName, const QString &comment = QString())
    {
        dm.TableInterfaces().Insert({{QStringLiteral("Name"), name},
                                     {QStringLiteral("DefinitionsName"), definitionsName},
                                     {QStringLiteral("CSVName"), name},
                                     {QStringLiteral("Kommentar"), comment}});
        return dm.TableInterfaces().Kulcs();
    }
    qint64 op(const QString &name, const QString &comment = QString())
    {
        dm.TableOperations().Insert({{QStringLiteral("Name"), name}, {QStringLiteral("Kommentar"), comment}});
        return dm.TableOperations().Kulcs();
    }
    qint64 msg(const QString &direction, const QString &name, const QString &comment = QString())
    {
        dm.TableInputsOutputs().Insert({{QStringLiteral("TypeX"), direction},
                                        {QStringLiteral("Name"), name},
                                        {QStringLiteral("Kommentar"), comment}});
        return dm.TableInputsOutputs().Kulcs();
    }
    // A simple-typed row.
    qint64 simple(int level, const QString &name, const QString &type, const QString &comment = QString(),
                  bool array = false)
    {
        return par(level, name, type, true, QString(), array, comment);
    }
    // A complex-typed row with the kind of its content.
    qint64 complex(int level, const QString &name, const QString &type, const QString &sequenceType,
                   const QString &comment = QString(), bool array = false)
    {
        return par(level, name, type, false, sequenceType, array, comment);
    }
    qint64 par(int level, const QString &name, const QString &type, bool xsType, const QString &sequenceType,
               bool array, const QString &comment)
    {
        dm.TableParameters().Insert({{QStringLiteral("LevelX"), level},
                                     {QStringLiteral("Name"), name},
                                     {QStringLiteral("TypeX"), type},
                                     {QStringLiteral("XS_Type"), xsType},
                                     {QStringLiteral("SequenceType"), sequenceType},
                                     {QStringLiteral("XS_Array"), array},
                                     {QStringLiteral("Kommentar"), comment}});
        return dm.TableParameters().Kulcs();
    }
};

QStringList trimmedLines(const QString &text)
{
    QStringList out;
    for (const QString &l : TextFile::splitLines(text))
        out << l.trimmed();
    return out;
}

// The block occurs as consecutive lines (compared trimmed).
bool containsBlock(const QStringList &lines, const QStringList &block)
{
    for (qsizetype i = 0; i + block.size() <= lines.size(); ++i) {
        bool all = true;
        for (qsizetype k = 0; k < block.size() && all; ++k)
            all = lines[i + k] == block[k];
        if (all)
            return true;
    }
    return false;
}

// A namespace-aware reader accepts the file, every prefix in element and
// attribute names and in the qualified names of type references is declared
// where it is used, and xmllint (when installed) agrees.
QString wsdlProblem(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return QStringLiteral("cannot open ") + path;
    QXmlStreamReader r(&f);
    r.setNamespaceProcessing(true);
    std::vector<QSet<QString>> scopes;
    auto declared = [&](const QString &prefix) {
        for (const QSet<QString> &s : scopes)
            if (s.contains(prefix))
                return true;
        return prefix == QLatin1String("xml");
    };
    while (!r.atEnd()) {
        r.readNext();
        if (r.isEndElement())
            scopes.pop_back();
        if (!r.isStartElement())
            continue;
        QSet<QString> here;
        for (const QXmlStreamNamespaceDeclaration &d : r.namespaceDeclarations())
            here.insert(d.prefix().toString());
        scopes.push_back(here);
        if (!r.prefix().isEmpty() && !declared(r.prefix().toString()))
            return QStringLiteral("undeclared element prefix ") + r.prefix().toString();
        for (const QXmlStreamAttribute &a : r.attributes()) {
            const QString local = a.name().toString();
            if (local != QLatin1String("type") && local != QLatin1String("message") && local != QLatin1String("base")
                && local != QLatin1String("ref") && local != QLatin1String("arrayType"))
                continue;
            const QString value = a.value().toString();
            const qsizetype colon = value.indexOf(u':');
            if (colon < 0)
                return QStringLiteral("unqualified reference ") + value;
            if (!declared(value.left(colon)))
                return QStringLiteral("undeclared prefix in ") + value;
        }
    }
    if (r.hasError())
        return r.errorString() + QStringLiteral(" at line ") + QString::number(r.lineNumber());
    f.close();
    const QString xmllint = QStringLiteral("/usr/bin/xmllint");
    if (QFileInfo::exists(xmllint)) {
        QProcess p;
        p.start(xmllint, {QStringLiteral("--noout"), path});
        if (!p.waitForFinished(60000))
            return QStringLiteral("xmllint did not finish");
        const QString err = QString::fromLocal8Bit(p.readAllStandardError());
        if (p.exitCode() != 0 || !err.isEmpty())
            return QStringLiteral("xmllint: ") + err;
    }
    return QString();
}

// The message of the EQuenbarError the call raises; empty when none.
template <typename F>
QString errorOf(F &&call)
{
    try {
        call();
    } catch (const EQuenbarError &e) {
        return e.message().isEmpty() ? QStringLiteral("<empty message>") : e.message();
    }
    return QString();
}

QString join(const QStringList &lines)
{
    return TextFile::joinLines(lines);
}

// ---- Repository contents of the cases ---------------------------------------

using TBuild = std::function<qint64(TRepo &)>;

// The worked example of the script: one operation, a simple input part, an
// output object with two members.
qint64 buildCustSvc(TRepo &r)
{
    const qint64 k = r.iface(QStringLiteral("CustSvcPort"), QStringLiteral("CustSvc"));
    r.op(QStringLiteral("GETCUST"));
    r.msg(QStringLiteral("input"), QStringLiteral("GETCUSTRequest"));
    r.simple(1, QStringLiteral("CUSTNO"), QStringLiteral("string"));
    r.msg(QStringLiteral("output"), QStringLiteral("GETCUSTResponse"));
    r.complex(1, QStringLiteral("ADDR"), QStringLiteral("ADDR_T"), QStringLiteral("sequence"));
    r.simple(2, QStringLiteral("STREET"), QStringLiteral("string"));
    r.simple(2, QStringLiteral("CITY"), QStringLiteral("string"));
    return k;
}

// Two interfaces with complex types of the same names (spelled in other
// cases); the result is the first or the second interface's key.
qint64 buildSharedTypes(TRepo &r, bool first)
{
    const qint64 k1 = r.iface(QStringLiteral("First"), QStringLiteral("F"));
    r.op(QStringLiteral("O1"));
    r.msg(QStringLiteral("input"), QStringLiteral("M1"));
    r.complex(1, QStringLiteral("X"), QStringLiteral("ÜGYFÉL_T"), QStringLiteral("sequence"));
    r.simple(2, QStringLiteral("FROM_FIRST"), QStringLiteral("string"));
    r.complex(1, QStringLiteral("Y"), QStringLiteral("shared_t"), QStringLiteral("sequence"));
    r.simple(2, QStringLiteral("SHARED_FIRST"), QStringLiteral("string"));
    const qint64 k2 = r.iface(QStringLiteral("Second"), QStringLiteral("S"));
    r.op(QStringLiteral("O2"));
    r.msg(QStringLiteral("input"), QStringLiteral("M2"));
    r.complex(1, QStringLiteral("Z"), QStringLiteral("Ügyfél_T"), QStringLiteral("sequence"));
    r.simple(2, QStringLiteral("FROM_SECOND"), QStringLiteral("string"));
    r.complex(1, QStringLiteral("V"), QStringLiteral("Shared_T"), QStringLiteral("sequence"));
    r.simple(2, QStringLiteral("SHARED_SECOND"), QStringLiteral("string"));
    return first ? k1 : k2;
}

const QStringList kScriptHead = {QStringLiteral("   if (testcase = \"Dummy_TestCase_001\""),
                                 QStringLiteral("   //  This test case is automatically inserted if"),
                                 QStringLiteral("   //  there is no testCase file")};

} // namespace

Q_DECLARE_METATYPE(TBuild)

class TestGenerators : public QObject
{
    Q_OBJECT
private slots:
    void attachComment_data();
    void attachComment();
    void itemName_data();
    void itemName();
    void script_data();
    void script();
    void scriptFile();
    void scriptFolderError();
    void wsdlDocument();
    void wsdlCases_data();
    void wsdlCases();
    void wsdlMarkup_data();
    void wsdlMarkup();
    void wsdlCodePage();
    void wsdlFileName();
    void interfaceFileBases_data();
    void interfaceFileBases();
    void currentInterface();
    void roundTrip();
    void escapedValues_data();
    void escapedValues();
    void writeErrorNamesInterface();
    void serviceAddress();
    void streamedDocuments();
    void streamedOddValues_data();
    void streamedOddValues();
};

// ---- Script ------------------------------------------------------------------

void TestGenerators::attachComment_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<QString>("comment");
    QTest::addColumn<QString>("expected");
    const QString line30 = QStringLiteral("         assert inp.CUST = \"\";"); // 30 characters
    const QString under30 = kCrLf + QString(30, u' ') + QStringLiteral("  // ");
    QTest::newRow("empty") << QStringLiteral("L;") << QString() << QStringLiteral("L;");
    QTest::newRow("plain") << QStringLiteral("L;") << QStringLiteral("note") << QStringLiteral("L;  // note");
    QTest::newRow("trimmed") << QStringLiteral("L;") << QStringLiteral(" \t note\r\n ")
                             << QStringLiteral("L;  // note");
    QTest::newRow("already marked") << QStringLiteral("L;") << QStringLiteral("// note")
                                    << QStringLiteral("L;// note");
    QTest::newRow("marked after blanks") << QStringLiteral("L;") << QStringLiteral("   //note")
                                         << QStringLiteral("L;//note");
    QTest::newRow("blanks only") << QStringLiteral("L;") << QStringLiteral("   ") << QStringLiteral("L;  // ");
    QTest::newRow("two lines") << line30 << QStringLiteral("A\r\nB") << line30 + QStringLiteral("  // A") + under30 + u'B';
    QTest::newRow("line feeds alone") << line30 << QStringLiteral("A\nB\rC")
                                      << line30 + QStringLiteral("  // A") + under30 + u'B' + under30 + u'C';
    QTest::newRow("marked, two lines") << line30 << QStringLiteral("//A\r\n//B")
                                       << line30 + QStringLiteral("//A") + under30 + QStringLiteral("//B");
    QTest::newRow("empty middle line") << QStringLiteral("L;") << QStringLiteral("A\r\n\r\nB")
                                       << QStringLiteral("L;  // A\r\n    // \r\n    // B");
}

void TestGenerators::attachComment()
{
    QFETCH(QString, line);
    QFETCH(QString, comment);
    QFETCH(QString, expected);
    QCOMPARE(ScriptGenerator::AttachComment(line, comment), expected);
}

void TestGenerators::itemName_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("expected");
    QTest::newRow("array item") << QStringLiteral("item[]") << QStringLiteral("item");
    QTest::newRow("no bracket") << QStringLiteral(" CUSTNO\t") << QStringLiteral("CUSTNO");
    QTest::newRow("first bracket") << QStringLiteral(" a [1][2]") << QStringLiteral("a");
}

void TestGenerators::itemName()
{
    QFETCH(QString, name);
    QFETCH(QString, expected);
    QCOMPARE(ScriptGenerator::ItemName(name), expected);
}

void TestGenerators::script_data()
{
    QTest::addColumn<TBuild>("build");
    QTest::addColumn<QStringList>("expected");

    QTest::newRow("worked example") << TBuild(buildCustSvc)
                                    << (QStringList{QStringLiteral("service: CustSvc;")} + kScriptHead
                                        + QStringList{
                                            QStringLiteral("      if ( operation =   \"GETCUST\");"),
                                            QStringLiteral("         if ( request  =   \"GETCUSTRequest\");"),
                                            QStringLiteral("            assert inp.CUSTNO = \"\";"),
                                            QStringLiteral("         endRequest;"),
                                            QStringLiteral("         if ( response  =   \"GETCUSTResponse\");"),
                                            QStringLiteral("            if object = \"ADDR\";"),
                                            QStringLiteral("               assert out.STREET = \"\";"),
                                            QStringLiteral("               assert out.CITY = \"\";"),
                                            QStringLiteral("            endObject;   // ADDR"),
                                            QStringLiteral("         endResponse;"),
                                            QStringLiteral("      endOperation;   // GETCUST"),
                                            QStringLiteral("   endCase; "),
                                            QStringLiteral("end; /* service CustSvc */"),
                                        });

    // Simple array items: closed when the level falls and at the end of the message.
    QTest::newRow("arrays") << TBuild([](TRepo &r) {
        const qint64 k = r.iface(QStringLiteral("P"), QStringLiteral("Arr"));
        r.op(QStringLiteral("LIST"));
        r.msg(QStringLiteral("input"), QStringLiteral("LISTRequest"));
        r.complex(1, QStringLiteral("OWNER"), QStringLiteral("ArrayOfString"), QStringLiteral("complexContent"));
        r.simple(2, QStringLiteral("item[]"), QStringLiteral("string"), QString(), true);
        r.simple(1, QStringLiteral("NEXT"), QStringLiteral("int"));
        r.msg(QStringLiteral("output"), QStringLiteral("LISTResponse"));
        r.complex(1, QStringLiteral("ROWS"), QStringLiteral("ArrayOfRow"), QStringLiteral("complexContent"));
        r.complex(2, QStringLiteral("item[]"), QStringLiteral("Row"), QStringLiteral("sequence"), QString(), true);
        r.simple(3, QStringLiteral("F"), QStringLiteral("string"));
        return k;
    }) << (QStringList{QStringLiteral("service: Arr;")} + kScriptHead
           + QStringList{
               QStringLiteral("      if ( operation =   \"LIST\");"),
               QStringLiteral("         if ( request  =   \"LISTRequest\");"),
               QStringLiteral("            if object = \"OWNER\" occurs = \"1\";"),
               QStringLiteral("               assert inp.item[1] = \"\";"),
               QStringLiteral("            endObject;   // OWNER"),
               QStringLiteral("            assert inp.NEXT = \"\";"),
               QStringLiteral("         endRequest;"),
               QStringLiteral("         if ( response  =   \"LISTResponse\");"),
               QStringLiteral("            if object = \"ROWS\" occurs = \"1\";"),
               QStringLiteral("               if object = \"item[1]\";"),
               QStringLiteral("                  assert out.F = \"\";"),
               QStringLiteral("               endObject;   // item[]"),
               QStringLiteral("            endObject;   // ROWS"),
               QStringLiteral("         endResponse;"),
               QStringLiteral("      endOperation;   // LIST"),
               QStringLiteral("   endCase; "),
               QStringLiteral("end; /* service Arr */"),
           });

    // The no-parameter line is indented by the level handled last in the run.
    QTest::newRow("messages without parameters") << TBuild([](TRepo &r) {
        const qint64 k = r.iface(QStringLiteral("P"), QStringLiteral("Empty"));
        r.op(QStringLiteral("A"));
        r.msg(QStringLiteral("input"), QStringLiteral("ARequest"));
        r.msg(QStringLiteral("output"), QStringLiteral("AResponse"));
        r.complex(1, QStringLiteral("R"), QStringLiteral("R_T"), QStringLiteral("sequence"));
        r.simple(2, QStringLiteral("S"), QStringLiteral("string"));
        r.op(QStringLiteral("B"));
        r.msg(QStringLiteral("input"), QStringLiteral("BRequest"));
        r.msg(QStringLiteral("fault"), QStringLiteral("BFault"));
        return k;
    }) << (QStringList{QStringLiteral("service: Empty;")} + kScriptHead
           + QStringList{
               QStringLiteral("      if ( operation =   \"A\");"),
               QStringLiteral("         if ( request  =   \"ARequest\");"),
               QStringLiteral("         assert inp._DummyParam = \"?\"; // request without parameter"),
               QStringLiteral("         endRequest;"),
               QStringLiteral("         if ( response  =   \"AResponse\");"),
               QStringLiteral("            if object = \"R\";"),
               QStringLiteral("               assert out.S = \"\";"),
               QStringLiteral("            endObject;   // R"),
               QStringLiteral("         endResponse;"),
               QStringLiteral("      endOperation;   // A"),
               QStringLiteral("      if ( operation =   \"B\");"),
               QStringLiteral("         if ( request  =   \"BRequest\");"),
               QStringLiteral("               assert inp._DummyParam = \"?\"; // request without parameter"),
               QStringLiteral("         endRequest;"),
               QStringLiteral("         if ( response  =   \"BFault\");"),
               QStringLiteral("               assert out._DummyParam = \"?\"; // response without parameter"),
               QStringLiteral("         endResponse;"),
               QStringLiteral("      endOperation;   // B"),
               QStringLiteral("   endCase; "),
               QStringLiteral("end; /* service Empty */"),
           });

    // The first object's closing line waits until the level falls below it.
    QTest::newRow("two objects on one level") << TBuild([](TRepo &r) {
        const qint64 k = r.iface(QStringLiteral("P"), QStringLiteral("Two"));
        r.op(QStringLiteral("T"));
        r.msg(QStringLiteral("Input"), QStringLiteral("TMsg")); // not "input": a response
        r.complex(1, QStringLiteral("A"), QStringLiteral("A_T"), QStringLiteral("sequence"));
        r.complex(1, QStringLiteral("B"), QStringLiteral("B_T"), QStringLiteral("sequence"));
        r.simple(2, QStringLiteral("C"), QStringLiteral("string"));
        r.simple(1, QStringLiteral("D"), QStringLiteral("string"));
        return k;
    }) << (QStringList{QStringLiteral("service: Two;")} + kScriptHead
           + QStringList{
               QStringLiteral("      if ( operation =   \"T\");"),
               QStringLiteral("         if ( response  =   \"TMsg\");"),
               QStringLiteral("            if object = \"A\";"),
               QStringLiteral("            if object = \"B\";"),
               QStringLiteral("               assert out.C = \"\";"),
               QStringLiteral("            endObject;   // B"),
               QStringLiteral("            assert out.D = \"\";"),
               QStringLiteral("            endObject;   // A"),
               QStringLiteral("         endResponse;"),
               QStringLiteral("      endOperation;   // T"),
               QStringLiteral("   endCase; "),
               QStringLiteral("end; /* service Two */"),
           });

    // Comments go on the service, operation, message and assertion lines,
    // never on object lines; a fall of two levels closes two objects.
    QTest::newRow("comments and deep fall") << TBuild([](TRepo &r) {
        const qint64 k = r.iface(QStringLiteral("P"), QStringLiteral("Doc"), QStringLiteral("the service"));
        r.op(QStringLiteral("GET"), QStringLiteral("// reads"));
        r.msg(QStringLiteral("input"), QStringLiteral("GETRequest"), QStringLiteral("asks"));
        r.complex(1, QStringLiteral("O"), QStringLiteral("O_T"), QStringLiteral("sequence"), QStringLiteral("no"));
        r.complex(2, QStringLiteral("I"), QStringLiteral("I_T"), QStringLiteral("all"));
        r.simple(3, QStringLiteral("V"), QStringLiteral("int"), QStringLiteral("value\nof I"));
        r.simple(1, QStringLiteral("W"), QStringLiteral("int"));
        return k;
    }) << (QStringList{QStringLiteral("service: Doc;  // the service")} + kScriptHead
           + QStringList{
               QStringLiteral("      if ( operation =   \"GET\");// reads"),
               QStringLiteral("         if ( request  =   \"GETRequest\");  // asks"),
               QStringLiteral("            if object = \"O\";"),
               QStringLiteral("               if object = \"I\";"),
               QStringLiteral("                  assert inp.V = \"\";  // value\r\n")
                   + QString(36, u' ') + QStringLiteral("  // of I"),
               QStringLiteral("               endObject;   // I"),
               QStringLiteral("            endObject;   // O"),
               QStringLiteral("            assert inp.W = \"\";"),
               QStringLiteral("         endRequest;"),
               QStringLiteral("      endOperation;   // GET"),
               QStringLiteral("   endCase; "),
               QStringLiteral("end; /* service Doc */"),
           });

    QTest::newRow("operation without messages") << TBuild([](TRepo &r) {
        const qint64 k = r.iface(QStringLiteral("P"), QStringLiteral("Bare"));
        r.op(QStringLiteral("NOP"));
        return k;
    }) << (QStringList{QStringLiteral("service: Bare;")} + kScriptHead
           + QStringList{QStringLiteral("      if ( operation =   \"NOP\");"),
                         QStringLiteral("      endOperation;   // NOP"), QStringLiteral("   endCase; "),
                         QStringLiteral("end; /* service Bare */")});

    // Another interface's rows stay out.
    QTest::newRow("interface without operations") << TBuild([](TRepo &r) {
        buildCustSvc(r);
        return r.iface(QStringLiteral("Q"), QStringLiteral("None"));
    }) << (QStringList{QStringLiteral("service: None;")} + kScriptHead
           + QStringList{QStringLiteral("   endCase; "), QStringLiteral("end; /* service None */")});
}

void TestGenerators::script()
{
    QFETCH(TBuild, build);
    QFETCH(QStringList, expected);
    TRepo r;
    QVERIFY(r.open());
    const qint64 key = build(r);
    const QString file = GenerateASR(r.dm, key, r.outputDir());
    QCOMPARE(file, r.outputDir() + QStringLiteral("/ExportDir/") + r.dm.TableInterfaces().AsString(QStringLiteral("Name"))
                       + QStringLiteral(".asr"));
    // Every line, the last one too, ends with CR LF.
    const QByteArray bytes = fileBytes(file);
    QCOMPARE(CodePage1250::decode(bytes), join(expected));
}

// Written as code page text, created with missing folders, the same bytes a
// second time, and the browser's rows stay where they were.
void TestGenerators::scriptFile()
{
    TRepo r;
    QVERIFY(r.open());
    const qint64 key = r.iface(QStringLiteral("Ügyfél"), QStringLiteral("Számla"), QStringLiteral("ő ű"));
    r.op(QStringLiteral("Lekérdez"));
    const qint64 firstMessage = r.msg(QStringLiteral("input"), QStringLiteral("Kérés"));
    r.simple(1, QStringLiteral("NÉV"), QStringLiteral("string"));
    r.msg(QStringLiteral("output"), QStringLiteral("Válasz"));
    QVERIFY(r.dm.TableInputsOutputs().Locate(firstMessage));
    const qint64 currentParameter = r.dm.TableParameters().Kulcs();

    const QString outputDir = r.dir.filePath(QStringLiteral("deep/er/out"));
    const QString file = GenerateASR(r.dm, key, outputDir);
    QCOMPARE(file, outputDir + QStringLiteral("/ExportDir/Ügyfél.asr"));
    const QByteArray bytes = fileBytes(file);
    QVERIFY(bytes.startsWith(CodePage1250::encode(QStringLiteral("service: Számla;  // ő ű\r\n"))));
    QVERIFY(bytes.endsWith("end; /* service Sz\xe1mla */\r\n"));
    QCOMPARE(bytes.count('\n'), bytes.count("\r\n"));

    QVERIFY(writeBytes(file, "stale"));
    QCOMPARE(GenerateASR(r.dm, key, outputDir), file);
    QCOMPARE(fileBytes(file), bytes);
    QCOMPARE(r.dm.TableInputsOutputs().Kulcs(), firstMessage);
    QCOMPARE(r.dm.TableParameters().Kulcs(), currentParameter);
}

void TestGenerators::scriptFolderError()
{
    TRepo r;
    QVERIFY(r.open());
    const qint64 key = buildCustSvc(r);
    // "ExportDir" is taken by a file: neither folder nor script can be made.
    QVERIFY(writeBytes(r.dir.filePath(QStringLiteral("ExportDir")), "file"));
    const QString message = errorOf([&] { GenerateASR(r.dm, key, r.outputDir()); });
    QVERIFY2(message.contains(QStringLiteral("ExportDir")), qPrintable(message));

    TTestReporter reporter;
    QVERIFY_THROWS_EXCEPTION(EAbort, GenerateASR(r.dm, key, r.outputDir(), &reporter));
    QCOMPARE(reporter.LastMessage(), message);
    QVERIFY_THROWS_EXCEPTION(EAbort, GenerateWSDL(r.dm, key, r.outputDir(), &reporter));
    QCOMPARE(fileBytes(r.dir.filePath(QStringLiteral("ExportDir"))), QByteArray("file"));
}

// ---- WSDL --------------------------------------------------------------------

// The whole document of one interface, as the model writes it.
void TestGenerators::wsdlDocument()
{
    TRepo r;
    QVERIFY(r.open());
    const qint64 key = r.iface(QStringLiteral("CustSvcPort"), QStringLiteral("CustSvc"), QStringLiteral("Customer service"));
    r.op(QStringLiteral("GETCUST"), QStringLiteral("Reads one customer"));
    r.msg(QStringLiteral("input"), QStringLiteral("GETCUSTRequest"));
    r.simple(1, QStringLiteral("CUSTNO"), QStringLiteral("string"), QStringLiteral("Customer number"));
    r.complex(1, QStringLiteral("CUSTREC"), QStringLiteral("CUSTREC_T"), QStringLiteral("sequence"));
    r.simple(2, QStringLiteral("NAME"), QStringLiteral("string"));
    r.complex(2, QStringLiteral("ADDR"), QStringLiteral("ADDR_T"), QStringLiteral("sequence"), QStringLiteral("Postal address"));
    r.simple(3, QStringLiteral("STREET"), QStringLiteral("string"));
    r.msg(QStringLiteral("output"), QStringLiteral("GETCUSTResponse"), QStringLiteral("The answer"));
    r.complex(1, QStringLiteral("RESULT"), QStringLiteral("ARR_T"), QStringLiteral("complexContent"));
    r.simple(2, QStringLiteral("item[]"), QStringLiteral("int"), QString(), true);
    r.op(QStringLiteral("PING"));

    const QString file = GenerateWSDL(r.dm, key, r.outputDir());
    QCOMPARE(file, r.outputDir() + QStringLiteral("/ExportDir/CustSvcPort.wsdl"));
    const QString expected = join({
        QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\" ?>"),
        QStringLiteral("<definitions name=\"CustSvc\" targetNamespace=\"urn:CustSvc\" "
                       "xmlns=\"http://schemas.xmlsoap.org/wsdl/\" xmlns:ns=\"urn:CustSvc\" xmlns:xs=\"http://www.w3.org/2001/XMLSchema\" xmlns:soapenc=\"http://schemas.xmlsoap.org/soap/encoding/\" xmlns:soap=\"http://schemas.xmlsoap.org/wsdl/soap/\">"),
        QStringLiteral("  <types>"),
        QStringLiteral("    <schema targetNamespace=\"urn:CustSvc\" xmlns=\"http://www.w3.org/2001/XMLSchema\">"),
        QStringLiteral("      <complexType name=\"ADDR_T\">"),
        QStringLiteral("        <sequence>"),
        QStringLiteral("          <element name=\"STREET\" type=\"xs:string\"/>"),
        QStringLiteral("        </sequence>"),
        QStringLiteral("      </complexType>"),
        QStringLiteral("      <complexType name=\"ARR_T\">"),
        QStringLiteral("        <complexContent>"),
        QStringLiteral("          <restriction base=\"soapenc:Array\">"),
        QStringLiteral("            <sequence/>"),
        QStringLiteral("            <attribute ref=\"soapenc:arrayType\" n1:arrayType=\"xs:int[]\" "
                       "xmlns:n1=\"http://schemas.xmlsoap.org/wsdl/\"/>"),
        QStringLiteral("          </restriction>"),
        QStringLiteral("        </complexContent>"),
        QStringLiteral("      </complexType>"),
        QStringLiteral("      <complexType name=\"CUSTREC_T\">"),
        QStringLiteral("        <sequence>"),
        QStringLiteral("          <element name=\"NAME\" type=\"xs:string\"/>"),
        QStringLiteral("          <element name=\"ADDR\" type=\"ns:ADDR_T\"/>"),
        QStringLiteral("          <!-- Postal address -->"),
        QStringLiteral("        </sequence>"),
        QStringLiteral("      </complexType>"),
        QStringLiteral("    </schema>"),
        QStringLiteral("  </types>"),
        QStringLiteral("  <message name=\"GETCUSTRequest\">"),
        QStringLiteral("    <part name=\"CUSTNO\" type=\"xs:string\"/>"),
        QStringLiteral("    <part name=\"CUSTREC\" type=\"ns:CUSTREC_T\"/>"),
        QStringLiteral("  </message>"),
        QStringLiteral("  <message name=\"GETCUSTResponse\">"),
        QStringLiteral("    <part name=\"RESULT\" type=\"ns:ARR_T\"/>"),
        QStringLiteral("    <!-- The answer -->"),
        QStringLiteral("  </message>"),
        QStringLiteral("  <portType name=\"CustSvcPort\">"),
        QStringLiteral("    <!-- Customer service -->"),
        QStringLiteral("    <operation name=\"GETCUST\">"),
        QStringLiteral("      <!-- Reads one customer -->"),
        QStringLiteral("      <input message=\"ns:GETCUSTRequest\"/>"),
        QStringLiteral("      <output message=\"ns:GETCUSTResponse\"/>"),
        QStringLiteral("    </operation>"),
        QStringLiteral("    <operation name=\"PING\">"),
        QStringLiteral("    </operation>"),
        QStringLiteral("  </portType>"),
        QStringLiteral("  <binding name=\"CustSvcPortBinding\" type=\"ns:CustSvcPort\">"),
        QStringLiteral("    <soap:binding style=\"rpc\" transport=\"http://schemas.xmlsoap.org/soap/http\"/>"),
        QStringLiteral("    <operation name=\"GETCUST\">"),
        QStringLiteral("      <soap:operation soapAction=\"\"/>"),
        QStringLiteral("      <input>"),
        QStringLiteral("        <soap:body use=\"encoded\" namespace=\"urn:CustSvc\" "
                       "encodingStyle=\"http://schemas.xmlsoap.org/soap/encoding/\"/>"),
        QStringLiteral("      </input>"),
        QStringLiteral("      <output>"),
        QStringLiteral("        <soap:body use=\"encoded\" namespace=\"urn:CustSvc\" "
                       "encodingStyle=\"http://schemas.xmlsoap.org/soap/encoding/\"/>"),
        QStringLiteral("      </output>"),
        QStringLiteral("    </operation>"),
        QStringLiteral("    <operation name=\"PING\">"),
        QStringLiteral("      <soap:operation soapAction=\"\"/>"),
        QStringLiteral("    </operation>"),
        QStringLiteral("  </binding>"),
        QStringLiteral("  <service name=\"CustSvcPortService\">"),
        QStringLiteral("    <port name=\"CustSvcPortPort\" binding=\"ns:CustSvcPortBinding\">"),
        QStringLiteral("      <soap:address location=\"http://localhost:8080/CustSvcPort\"/>"),
        QStringLiteral("    </port>"),
        QStringLiteral("  </service>"),
        QStringLiteral("</definitions>"),
    });
    QCOMPARE(TextFile::readText(file), expected);
    const QString problem = wsdlProblem(file);
    QVERIFY2(problem.isEmpty(), qPrintable(problem));

    // Again: the same file, replacing whatever stood there.
    QVERIFY(writeBytes(file, "<old/>"));
    QCOMPARE(GenerateWSDL(r.dm, key, r.outputDir()), file);
    QCOMPARE(TextFile::readText(file), expected);
}

void TestGenerators::wsdlCases_data()
{
    QTest::addColumn<TBuild>("build");
    QTest::addColumn<QList<QStringList>>("blocks"); // each occurs, lines consecutive
    QTest::addColumn<QStringList>("absent");        // no line starts so

    // Every part is written, in key order, with the types it refers to.
    QTest::newRow("every part") << TBuild([](TRepo &r) {
        const qint64 k = r.iface(QStringLiteral("P"), QStringLiteral("D"));
        r.op(QStringLiteral("GETCUST"));
        r.msg(QStringLiteral("input"), QStringLiteral("GETCUSTRequest"));
        r.simple(1, QStringLiteral("CUSTNO"), QStringLiteral("string"));
        r.complex(1, QStringLiteral("CUSTREC"), QStringLiteral("CUSTREC_T"), QStringLiteral("sequence"));
        r.simple(2, QStringLiteral("ID"), QStringLiteral("int"));
        return k;
    }) << QList<QStringList>{{QStringLiteral("<message name=\"GETCUSTRequest\">"),
                              QStringLiteral("<part name=\"CUSTNO\" type=\"xs:string\"/>"),
                              QStringLiteral("<part name=\"CUSTREC\" type=\"ns:CUSTREC_T\"/>"),
                              QStringLiteral("</message>")},
                             {QStringLiteral("<complexType name=\"CUSTREC_T\">"), QStringLiteral("<sequence>"),
                              QStringLiteral("<element name=\"ID\" type=\"xs:int\"/>"), QStringLiteral("</sequence>"),
                              QStringLiteral("</complexType>")}}
       << QStringList{};

    // A message that operations share is written once; a fault is named.
    QTest::newRow("shared fault message") << TBuild([](TRepo &r) {
        const qint64 k = r.iface(QStringLiteral("P"), QStringLiteral("D"));
        for (const char *op : {"A", "B"}) {
            r.op(QString::fromLatin1(op));
            r.msg(QStringLiteral("input"), QString::fromLatin1(op) + QStringLiteral("Request"));
            r.msg(QStringLiteral("fault"), QStringLiteral("InvalidObjectFaultMsg"));
            r.simple(1, QStringLiteral("CODE"), QStringLiteral("int"));
        }
        return k;
    }) << QList<QStringList>{{QStringLiteral("<message name=\"InvalidObjectFaultMsg\">"),
                              QStringLiteral("<part name=\"CODE\" type=\"xs:int\"/>"), QStringLiteral("</message>"),
                              QStringLiteral("<message name=\"BRequest\">"), QStringLiteral("</message>"),
                              QStringLiteral("<portType name=\"P\">")},
                             {QStringLiteral("<input message=\"ns:BRequest\"/>"),
                              QStringLiteral("<fault name=\"InvalidObjectFaultMsg\" message=\"ns:InvalidObjectFaultMsg\"/>")},
                             {QStringLiteral("<fault name=\"InvalidObjectFaultMsg\">"),
                              QStringLiteral("<soap:fault name=\"InvalidObjectFaultMsg\" use=\"encoded\" namespace=\"urn:D\" "
                                             "encodingStyle=\"http://schemas.xmlsoap.org/soap/encoding/\"/>"),
                              QStringLiteral("</fault>")}}
       << QStringList{};

    // A type is written from the interface's own rows, even where an earlier
    // interface has rows of a type of the same name.
    QTest::newRow("type of an earlier interface") << TBuild([](TRepo &r) { return buildSharedTypes(r, false); })
       << QList<QStringList>{{QStringLiteral("<complexType name=\"Shared_T\">"), QStringLiteral("<sequence>"),
                              QStringLiteral("<element name=\"SHARED_SECOND\" type=\"xs:string\"/>"),
                              QStringLiteral("</sequence>")},
                             {QStringLiteral("<complexType name=\"Ügyfél_T\">"), QStringLiteral("<sequence>"),
                              QStringLiteral("<element name=\"FROM_SECOND\" type=\"xs:string\"/>"),
                              QStringLiteral("</sequence>")}}
       << QStringList{QStringLiteral("<element name=\"FROM_FIRST\""), QStringLiteral("<element name=\"SHARED_FIRST\""),
                      QStringLiteral("<complexType name=\"ÜGYFÉL_T\""), QStringLiteral("<complexType name=\"shared_t\"")};
    // A later interface's rows of the same types do not count.
    QTest::newRow("own type before a later interface's") << TBuild([](TRepo &r) { return buildSharedTypes(r, true); })
       << QList<QStringList>{{QStringLiteral("<complexType name=\"shared_t\">"), QStringLiteral("<sequence>"),
                              QStringLiteral("<element name=\"SHARED_FIRST\" type=\"xs:string\"/>"),
                              QStringLiteral("</sequence>")},
                             {QStringLiteral("<complexType name=\"ÜGYFÉL_T\">"), QStringLiteral("<sequence>"),
                              QStringLiteral("<element name=\"FROM_FIRST\" type=\"xs:string\"/>"),
                              QStringLiteral("</sequence>")}}
       << QStringList{QStringLiteral("<element name=\"FROM_SECOND\""), QStringLiteral("<element name=\"SHARED_SECOND\"")};
    // Only the direct members; the deeper ones in the types of their own.
    QTest::newRow("two levels deep") << TBuild([](TRepo &r) {
        const qint64 k = r.iface(QStringLiteral("P"), QStringLiteral("D"));
        r.op(QStringLiteral("O"));
        r.msg(QStringLiteral("output"), QStringLiteral("M"));
        r.complex(1, QStringLiteral("OUTER"), QStringLiteral("Outer_T"), QStringLiteral("sequence"));
        r.complex(2, QStringLiteral("MID"), QStringLiteral("Mid_T"), QStringLiteral("choice"));
        r.simple(3, QStringLiteral("LEAF"), QStringLiteral("date"));
        r.simple(2, QStringLiteral("AFTER"), QStringLiteral("int"));
        r.simple(1, QStringLiteral("TOP"), QStringLiteral("int"));
        return k;
    }) << QList<QStringList>{{QStringLiteral("<complexType name=\"Mid_T\">"), QStringLiteral("<choice>"),
                              QStringLiteral("<element name=\"LEAF\" type=\"xs:date\"/>"), QStringLiteral("</choice>"),
                              QStringLiteral("</complexType>"), QStringLiteral("<complexType name=\"Outer_T\">"),
                              QStringLiteral("<sequence>"), QStringLiteral("<element name=\"MID\" type=\"ns:Mid_T\"/>"),
                              QStringLiteral("<element name=\"AFTER\" type=\"xs:int\"/>"), QStringLiteral("</sequence>"),
                              QStringLiteral("</complexType>"), QStringLiteral("</schema>")},
                             {QStringLiteral("<part name=\"OUTER\" type=\"ns:Outer_T\"/>"),
                              QStringLiteral("<part name=\"TOP\" type=\"xs:int\"/>")}}
       << QStringList{QStringLiteral("<element name=\"TOP\"")};

    // Comments follow their element; an empty one writes nothing.
    QTest::newRow("comments") << TBuild([](TRepo &r) {
        const qint64 k = r.iface(QStringLiteral("P"), QStringLiteral("D"));
        r.op(QStringLiteral("O"));
        r.msg(QStringLiteral("input"), QStringLiteral("M"));
        r.complex(1, QStringLiteral("R"), QStringLiteral("R_T"), QStringLiteral("sequence"), QStringLiteral("not written"));
        r.simple(2, QStringLiteral("A"), QStringLiteral("string"), QStringLiteral("first < second & more"));
        r.simple(2, QStringLiteral("B"), QStringLiteral("string"));
        r.msg(QStringLiteral("output"), QStringLiteral("N"), QStringLiteral("out"));
        return k;
    }) << QList<QStringList>{{QStringLiteral("<element name=\"A\" type=\"xs:string\"/>"),
                              QStringLiteral("<!-- first < second & more -->"),
                              QStringLiteral("<element name=\"B\" type=\"xs:string\"/>"), QStringLiteral("</sequence>")},
                             {QStringLiteral("<message name=\"N\">"), QStringLiteral("<!-- out -->"),
                              QStringLiteral("</message>")},
                             {QStringLiteral("<portType name=\"P\">"), QStringLiteral("<operation name=\"O\">"),
                              QStringLiteral("<input message=\"ns:M\"/>")}}
       << QStringList{QStringLiteral("<!-- not written"), QStringLiteral("<!--  -->")};

    QTest::newRow("no operations") << TBuild([](TRepo &r) {
        return r.iface(QStringLiteral("P"), QStringLiteral("D"));
    }) << QList<QStringList>{{QStringLiteral("</schema>"), QStringLiteral("</types>"), QStringLiteral("<portType name=\"P\">"),
                              QStringLiteral("</portType>"), QStringLiteral("<binding name=\"PBinding\" type=\"ns:P\">"),
                              QStringLiteral("<soap:binding style=\"rpc\" transport=\"http://schemas.xmlsoap.org/soap/http\"/>"),
                              QStringLiteral("</binding>"), QStringLiteral("<service name=\"PService\">"),
                              QStringLiteral("<port name=\"PPort\" binding=\"ns:PBinding\">")}}
       << QStringList{QStringLiteral("<complexType"), QStringLiteral("<message")};

    // A part without a type writes no part line; a type without its item row
    // at the end of the table writes no attribute line.
    QTest::newRow("incomplete rows") << TBuild([](TRepo &r) {
        const qint64 k = r.iface(QStringLiteral("P"), QStringLiteral("D"));
        r.op(QStringLiteral("O"));
        r.msg(QStringLiteral("input"), QStringLiteral("M"));
        r.complex(1, QStringLiteral("UNTYPED"), QString(), QString());
        r.msg(QStringLiteral("output"), QStringLiteral("N"));
        r.complex(1, QStringLiteral("LIST"), QStringLiteral("List_T"), QStringLiteral("complexContent"));
        return k;
    }) << QList<QStringList>{{QStringLiteral("<message name=\"M\">"), QStringLiteral("</message>")},
                             {QStringLiteral("<restriction base=\"soapenc:Array\">"), QStringLiteral("<sequence/>"),
                              QStringLiteral("</restriction>")}}
       << QStringList{QStringLiteral("<complexType name=\"\""), QStringLiteral("<part name=\"UNTYPED\"")};
}

void TestGenerators::wsdlCases()
{
    QFETCH(TBuild, build);
    QFETCH(QList<QStringList>, blocks);
    QFETCH(QStringList, absent);
    TRepo r;
    QVERIFY(r.open());
    const qint64 key = build(r);
    const QString file = GenerateWSDL(r.dm, key, r.outputDir());
    QVERIFY(!file.isEmpty());
    const QStringList lines = trimmedLines(TextFile::readText(file));
    for (const QStringList &block : blocks)
        QVERIFY2(containsBlock(lines, block), qPrintable(block.join(u'\n') + QStringLiteral("\n---- in\n") + lines.join(u'\n')));
    for (const QString &a : absent)
        for (const QString &l : lines)
            QVERIFY2(!l.startsWith(a), qPrintable(l));
    const QString problem = wsdlProblem(file);
    QVERIFY2(problem.isEmpty(), qPrintable(problem));
}

// Names and comments that hold markup are written so that the document
// stays well-formed; a character that XML cannot hold at all still ends the
// command, with the reader's message, the interface and the file, and leaves
// the earlier file alone.
void TestGenerators::wsdlMarkup_data()
{
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("value");
    QTest::addColumn<QString>("line"); // a line of the file (trimmed); empty: the command fails
    QTest::newRow("less-than in an operation name") << QStringLiteral("operation") << QStringLiteral("A<B")
                                                    << QStringLiteral("<operation name=\"A&lt;B\">");
    QTest::newRow("ampersand in a message name") << QStringLiteral("message") << QStringLiteral("M&N")
                                                 << QStringLiteral("<message name=\"M&amp;N\">");
    QTest::newRow("quote in a member name") << QStringLiteral("member") << QStringLiteral("F\"G")
                                            << QStringLiteral("<element name=\"F&quot;G\" type=\"xs:string\"/>");
    QTest::newRow("end tag in a part name") << QStringLiteral("part") << QStringLiteral("R\"/></message><x y=\"")
                                            << QStringLiteral("<part name=\"R&quot;/&gt;&lt;/message&gt;&lt;x y=&quot;\" type=\"ns:R_T\"/>");
    QTest::newRow("dashes in the interface comment") << QStringLiteral("interfaceComment") << QStringLiteral("a -- b")
                                                     << QStringLiteral("<!-- a - - b -->");
    QTest::newRow("comment end in a member comment") << QStringLiteral("memberComment") << QStringLiteral("x --> y")
                                                     << QStringLiteral("<!-- x - -> y -->");
    QTest::newRow("comment start in a message comment") << QStringLiteral("messageComment") << QStringLiteral("<!-- z")
                                                        << QStringLiteral("<!-- <!- - z -->");
    QTest::newRow("control character in a member name") << QStringLiteral("member") << QStringLiteral("F\x01G")
                                                        << QString();
}

void TestGenerators::wsdlMarkup()
{
    QFETCH(QString, field);
    QFETCH(QString, value);
    QFETCH(QString, line);
    auto pick = [&](const char *name, const QString &good) { return field == QLatin1String(name) ? value : good; };
    TRepo r;
    QVERIFY(r.open());
    const qint64 key = r.iface(QStringLiteral("P"), QStringLiteral("D"), pick("interfaceComment", QString()));
    r.op(pick("operation", QStringLiteral("O")));
    r.msg(QStringLiteral("input"), pick("message", QStringLiteral("M")), pick("messageComment", QString()));
    r.complex(1, pick("part", QStringLiteral("R")), QStringLiteral("R_T"), QStringLiteral("sequence"));
    r.simple(2, pick("member", QStringLiteral("F")), QStringLiteral("string"), pick("memberComment", QString()));

    const QString file = RepositoryExport::ExportFileName(r.outputDir(), QStringLiteral("P"), QStringLiteral(".wsdl"));
    QVERIFY(writeBytes(file, "<good/>\r\n"));
    const QString error = errorOf([&] { GenerateWSDL(r.dm, key, r.outputDir()); });
    if (!line.isEmpty()) {
        QCOMPARE(error, QString());
        QVERIFY2(trimmedLines(TextFile::readText(file)).contains(line), qPrintable(TextFile::readText(file)));
        const QString problem = wsdlProblem(file);
        QVERIFY2(problem.isEmpty(), qPrintable(problem));
        return;
    }
    QVERIFY2(error.contains(QStringLiteral("(line ")), qPrintable(error));
    QVERIFY2(error.endsWith(QStringLiteral("(interface \"P\", file ") + QDir::toNativeSeparators(file) + u')'),
             qPrintable(error));
    QCOMPARE(fileBytes(file), QByteArray("<good/>\r\n"));
    QCOMPARE(QDir(QFileInfo(file).path()).entryList(QDir::Files | QDir::Hidden), QStringList{QStringLiteral("P.wsdl")});

    TTestReporter reporter;
    QVERIFY_THROWS_EXCEPTION(EAbort, GenerateWSDL(r.dm, key, r.outputDir(), &reporter));
    QCOMPARE(reporter.LastMessage(), error);
    QCOMPARE(fileBytes(file), QByteArray("<good/>\r\n"));
}

// Accented names: stored in the code page, and the declaration says so.
void TestGenerators::wsdlCodePage()
{
    TRepo r;
    QVERIFY(r.open());
    const qint64 key = r.iface(QStringLiteral("Ügyfél"), QStringLiteral("Számla"));
    r.op(QStringLiteral("Lekérdezés"), QStringLiteral("őrzött űrlap"));
    const QString file = GenerateWSDL(r.dm, key, r.outputDir());
    QCOMPARE(QFileInfo(file).fileName(), QStringLiteral("Ügyfél.wsdl"));
    const QByteArray bytes = fileBytes(file);
    QVERIFY(bytes.startsWith("<?xml version=\"1.0\" encoding=\"windows-1250\" ?>\r\n"));
    QVERIFY(bytes.contains(CodePage1250::encode(QStringLiteral("<operation name=\"Lekérdezés\">"))));
    QVERIFY(bytes.contains("urn:Sz%C3%A1mla"));
    QXmlStreamReader reader(bytes);
    QStringList names;
    while (!reader.atEnd()) {
        reader.readNext();
        if (reader.isStartElement() && reader.attributes().hasAttribute(QStringLiteral("name")))
            names << reader.attributes().value(QStringLiteral("name")).toString();
    }
    QVERIFY2(!reader.hasError(), qPrintable(reader.errorString()));
    QCOMPARE(names.mid(0, 3), (QStringList{QStringLiteral("Számla"), QStringLiteral("Ügyfél"), QStringLiteral("Lekérdezés")}));
    const QString problem = wsdlProblem(file);
    QVERIFY2(problem.isEmpty(), qPrintable(problem));
}

// The name becomes a file name inside the export folder, whatever it holds.
void TestGenerators::wsdlFileName()
{
    TRepo r;
    QVERIFY(r.open());
    const qint64 key = r.iface(QStringLiteral("../up\\and"), QStringLiteral("D"));
    const QString file = GenerateWSDL(r.dm, key, r.outputDir());
    QCOMPARE(file, r.outputDir() + QStringLiteral("/ExportDir/.._up_and.wsdl"));
    QVERIFY(QFileInfo::exists(file));
    QCOMPARE(GenerateASR(r.dm, key, r.outputDir()), r.outputDir() + QStringLiteral("/ExportDir/.._up_and.asr"));
    QVERIFY(!QFileInfo::exists(r.outputDir() + QStringLiteral("/up_and.wsdl")));
}

// The base names of a run over all interfaces, keys 1, 2, ... in list order.
void TestGenerators::interfaceFileBases_data()
{
    QTest::addColumn<QStringList>("names");
    QTest::addColumn<QStringList>("csvNames");
    QTest::addColumn<QStringList>("expected");
    QTest::newRow("unique names stay") << QStringList{"A", "B"} << QStringList{"a", "b"} << QStringList{"A", "B"};
    QTest::newRow("shared name takes the CSV name")
        << QStringList{"IService1", "IService1", "Other"} << QStringList{"svcA", "svcB", "o"}
        << QStringList{"IService1_svcA", "IService1_svcB", "Other"};
    QTest::newRow("shared without case") << QStringList{"Port", "PORT"} << QStringList{"x", "y"}
                                         << QStringList{"Port_x", "PORT_y"};
    QTest::newRow("one document, two interfaces") << QStringList{"P", "P"} << QStringList{"doc", "doc"}
                                                  << QStringList{"P_doc", "P_doc_2"};
    QTest::newRow("made name meets a real one") << QStringList{"A", "A", "A_x"} << QStringList{"x", "y", "z"}
                                                << QStringList{"A_x_1", "A_y", "A_x"};
    QTest::newRow("no name") << QStringList{"", " "} << QStringList{"doc", ""}
                             << QStringList{"doc", "Interface2"};
    QTest::newRow("no name beside its document's name") << QStringList{"", "doc"} << QStringList{"doc", "other"}
                                                        << QStringList{"doc_1", "doc_other"};
    QTest::newRow("no hidden file, no way out") << QStringList{"../up\\and", ".hidden"} << QStringList{"a", "b"}
                                                << QStringList{"___up_and", "_hidden"};
}

void TestGenerators::interfaceFileBases()
{
    QFETCH(QStringList, names);
    QFETCH(QStringList, csvNames);
    QFETCH(QStringList, expected);
    std::vector<TInterfaceFile> faces;
    for (int i = 0; i < names.size(); ++i)
        faces.push_back({i + 1, names[i], csvNames[i], QString()});
    InterfaceFiles::AssignFileBases(faces);
    QStringList bases;
    for (const TInterfaceFile &face : faces)
        bases << face.fileBase;
    QCOMPARE(bases, expected);
}

// The browser's current interface; nothing without one. A pending edit of
// the browser is part of what is written.
void TestGenerators::currentInterface()
{
    TRepo r;
    QVERIFY(r.open());
    QCOMPARE(GenerateWSDL(r.dm, r.outputDir()), QString());
    QCOMPARE(GenerateASR(r.dm, r.outputDir()), QString());
    QCOMPARE(GenerateASR(r.dm, 4711, r.outputDir()), QString());
    QVERIFY(!QFileInfo::exists(r.dir.filePath(QStringLiteral("ExportDir"))));

    buildCustSvc(r);
    r.iface(QStringLiteral("Another"), QStringLiteral("A"));
    QVERIFY(r.dm.TableInterfaces().LocateByName(QStringLiteral("CustSvcPort")));
    r.dm.TableOperations().First();
    r.dm.TableOperations().Edit();
    r.dm.TableOperations().SetFieldValue(QStringLiteral("Kommentar"), QStringLiteral("edited"));

    const QString script = GenerateASR(r.dm, r.outputDir());
    QCOMPARE(QFileInfo(script).fileName(), QStringLiteral("CustSvcPort.asr"));
    QVERIFY(TextFile::readLines(script).contains(QStringLiteral("      if ( operation =   \"GETCUST\");  // edited")));
    const QString wsdl = GenerateWSDL(r.dm, r.outputDir());
    QCOMPARE(QFileInfo(wsdl).fileName(), QStringLiteral("CustSvcPort.wsdl"));
    QVERIFY(trimmedLines(TextFile::readText(wsdl)).contains(QStringLiteral("<!-- edited -->")));
}

namespace {

// Interface, operations, messages and every parameter row below them, in
// key order, read straight from the tables.
QStringList describe(TDM &dm, qint64 interfaceKey)
{
    QStringList out;
    QSqlQuery q = dm.QWork();
    q.prepare(QStringLiteral("select Name, DefinitionsName from Interfaces where Kulcs = ?"));
    q.addBindValue(interfaceKey);
    if (!q.exec() || !q.next())
        return {QStringLiteral("<no interface>")};
    out << QStringLiteral("interface %1 %2").arg(q.value(0).toString(), q.value(1).toString());
    QSqlQuery qo = dm.QWork();
    qo.prepare(QStringLiteral("select Kulcs, Name from Operations where UpPointer = ? order by Kulcs"));
    qo.addBindValue(interfaceKey);
    qo.exec();
    while (qo.next()) {
        out << QStringLiteral("operation ") + qo.value(1).toString();
        QSqlQuery qm = dm.QWork();
        qm.prepare(QStringLiteral("select Kulcs, TypeX, Name from InputsOutputs where UpPointer = ? order by Kulcs"));
        qm.addBindValue(qo.value(0));
        qm.exec();
        while (qm.next()) {
            out << QStringLiteral("  %1 %2").arg(qm.value(1).toString(), qm.value(2).toString());
            QSqlQuery qp = dm.QWork();
            qp.prepare(QStringLiteral("select LevelX, Name, TypeX, XS_Type, XS_Array, SequenceType, DupliCheck "
                                      "from Parameters where UpPointer = ? order by Kulcs"));
            qp.addBindValue(qm.value(0));
            qp.exec();
            while (qp.next())
                out << QStringLiteral("    %1 %2 %3 simple=%4 array=%5 %6 dupli=%7")
                           .arg(qp.value(0).toString(), qp.value(1).toString(), qp.value(2).toString(),
                                qp.value(3).toString(), qp.value(4).toString(), qp.value(5).toString(),
                                qp.value(6).toString());
        }
    }
    return out;
}

QStringList roundTripDocuments()
{
    QStringList files;
    for (const char *folder : {QUENBAR_WSDL_FIXTURES_DIR, QUENBAR_EXAMPLES_DIR "/demo/sources", QUENBAR_WSDL_CORPUS_DIR})
        for (const QFileInfo &f : QDir(QString::fromUtf8(folder)).entryInfoList({QStringLiteral("*.wsdl")}, QDir::Files, QDir::Name))
            if (std::none_of(files.cbegin(), files.cend(), [&](const QString &known) {
                    return QFileInfo(known).fileName() == f.fileName();
                }))
                files << f.absoluteFilePath(); // one interface per base name
    return files;
}

} // namespace

// Import, generate, import again under another base name: every interface
// comes back with the same operations, messages and parameter rows, duplicate
// groups included. All documents share one repository, so types of the same
// name in other interfaces are there to be picked up by mistake.
void TestGenerators::roundTrip()
{
    TRepo r;
    QVERIFY(r.open());
    TWsdlImporter importer(r.dm, r.outputDir());
    const QStringList documents = roundTripDocuments();
    QVERIFY(documents.size() >= 10);
    QList<qint64> originals;
    for (const QString &file : documents)
        originals << importer.ImportWsdlFile(file).interfaceKey;

    const QString again = r.dir.filePath(QStringLiteral("again"));
    QVERIFY(QDir().mkpath(again));
    for (qsizetype i = 0; i < documents.size(); ++i) {
        const QString name = QFileInfo(documents[i]).fileName();
        const QString generated = GenerateWSDL(r.dm, originals[i], r.outputDir());
        const QString problem = wsdlProblem(generated);
        QVERIFY2(problem.isEmpty(), qPrintable(name + QStringLiteral(": ") + problem));
        const QString copy = again + QStringLiteral("/Regenerated_") + QFileInfo(generated).fileName();
        QFile::remove(copy);
        QVERIFY(QFile::copy(generated, copy));
        const qint64 back = importer.ImportWsdlFile(copy).interfaceKey;
        QVERIFY(back != originals[i]);
        QStringList before = describe(r.dm, originals[i]);
        QStringList after = describe(r.dm, back);
        QVERIFY2(before.size() > 3, qPrintable(name));
        // A port type must have a name: an interface without one comes back
        // named, with everything else as it was.
        if (before.first().startsWith(QStringLiteral("interface  "))) {
            QVERIFY2(after.first() != before.first() && !after.first().startsWith(QStringLiteral("interface  ")),
                     qPrintable(after.first()));
            before.removeFirst();
            after.removeFirst();
        }
        QCOMPARE(after.join(u'\n'), before.join(u'\n'));
    }
}

// Names and types holding markup characters are escaped; values imported
// from a document (which the import keeps as markup text) come back unchanged.
void TestGenerators::escapedValues_data()
{
    QTest::addColumn<QString>("value");
    QTest::addColumn<QString>("back"); // as the import of the generated document stores it
    QTest::newRow("ampersand") << QStringLiteral("A&B") << QStringLiteral("A&amp;B");
    QTest::newRow("less-than") << QStringLiteral("A<B") << QStringLiteral("A&lt;B");
    QTest::newRow("quote") << QStringLiteral("A\"B") << QStringLiteral("A&quot;B");
    QTest::newRow("undeclared entity") << QStringLiteral("&lol9;") << QStringLiteral("&amp;lol9;");
    QTest::newRow("imported reference") << QStringLiteral("A&amp;B&#x41;") << QStringLiteral("A&amp;B&#x41;");
    QTest::newRow("end tag") << QStringLiteral("R\"/></message><x y=\"") << QStringLiteral("R&quot;/&gt;&lt;/message&gt;&lt;x y=&quot;");
}

void TestGenerators::escapedValues()
{
    QFETCH(QString, value);
    QFETCH(QString, back);
    TRepo r;
    QVERIFY(r.open());
    const qint64 key = r.iface(QStringLiteral("P"), QStringLiteral("D") + value, QStringLiteral("c -- ") + value + QStringLiteral(" -"));
    r.op(QStringLiteral("O") + value, QStringLiteral("-->") + value);
    r.msg(QStringLiteral("input"), QStringLiteral("M") + value);
    r.complex(1, QStringLiteral("R") + value, QStringLiteral("R_T") + value, QStringLiteral("sequence"));
    r.simple(2, QStringLiteral("F") + value, QStringLiteral("string"), QStringLiteral("<!-- ") + value);
    r.simple(2, QStringLiteral("G"), QStringLiteral("T") + value);

    const QString file = GenerateWSDL(r.dm, key, r.outputDir(), nullptr);
    QVERIFY(!file.isEmpty());
    const QString problem = wsdlProblem(file);
    QVERIFY2(problem.isEmpty(), qPrintable(problem));

    const QString copy = r.dir.filePath(QStringLiteral("Again.wsdl"));
    QVERIFY(QFile::copy(file, copy));
    TWsdlImporter importer(r.dm, r.outputDir());
    const qint64 again = importer.ImportWsdlFile(copy).interfaceKey;
    const QStringList rows = describe(r.dm, again);
    // The interface name is the file's: a "#" or "&" in it would confuse xmllint's file name.
    QCOMPARE(rows.value(0), QStringLiteral("interface P ") + (QStringLiteral("D") + back).left(30));
    QCOMPARE(rows.value(1), QStringLiteral("operation O") + back);
    QCOMPARE(rows.value(2), QStringLiteral("  input M") + back);
    QVERIFY2(rows.value(3).startsWith(QStringLiteral("    1 R%1 R_T%1 simple=0 array=0 sequence").arg(back)), qPrintable(rows.value(3)));
    QVERIFY2(rows.value(4).startsWith(QStringLiteral("    2 F%1 string simple=1").arg(back)), qPrintable(rows.value(4)));
    QVERIFY2(rows.value(5).startsWith(QStringLiteral("    2 G T%1 simple=1").arg(back)), qPrintable(rows.value(5)));
    QCOMPARE(rows.size(), 6);
}

// A file that cannot be written: the message names the interface and the file.
void TestGenerators::writeErrorNamesInterface()
{
    TRepo r;
    QVERIFY(r.open());
    const qint64 key = buildCustSvc(r);
    const QString file = RepositoryExport::ExportFileName(r.outputDir(), QStringLiteral("CustSvcPort"), QStringLiteral(".wsdl"));
    QVERIFY(QDir().mkpath(file)); // a folder where the file should be
    QVERIFY(QDir().mkpath(file.chopped(5) + QStringLiteral(".asr")));
    for (const QString &error : {errorOf([&] { GenerateWSDL(r.dm, key, r.outputDir()); }),
                                 errorOf([&] { GenerateASR(r.dm, key, r.outputDir()); })}) {
        QVERIFY2(error.contains(QStringLiteral("interface \"CustSvcPort\"")), qPrintable(error));
        QVERIFY2(error.contains(QStringLiteral("ExportDir")), qPrintable(error));
    }
}

// The service port's address: the setting's value, or the default, with the
// interface's name.
void TestGenerators::serviceAddress()
{
    TRepo r;
    QVERIFY(r.open());
    const qint64 key = buildCustSvc(r);
    const auto address = [&] {
        const QStringList lines = trimmedLines(TextFile::readText(GenerateWSDL(r.dm, key, r.outputDir())));
        for (const QString &l : lines)
            if (l.startsWith(QLatin1String("<soap:address")))
                return l;
        return QString();
    };
    QCOMPARE(address(), QStringLiteral("<soap:address location=\"http://localhost:8080/CustSvcPort\"/>"));
    WsdlGenerator::SetServiceAddress(QStringLiteral("https://svc.example.invalid/soap/"));
    QCOMPARE(address(), QStringLiteral("<soap:address location=\"https://svc.example.invalid/soap/CustSvcPort\"/>"));
    WsdlGenerator::SetServiceAddress(QStringLiteral("http://host.invalid/svc"));
    QCOMPARE(address(), QStringLiteral("<soap:address location=\"http://host.invalid/svc/CustSvcPort\"/>"));
    WsdlGenerator::SetServiceAddress(QString());
    QCOMPARE(address(), QStringLiteral("<soap:address location=\"http://localhost:8080/CustSvcPort\"/>"));
}

namespace {

// The files written line by line against the texts held whole: the WSDL
// document as the document model lays it out, the script as its lines
// joined. Empty when they agree, else what differs.
QString streamedDifference(TDM &dm, qint64 key, const QString &outputDir)
{
    const std::optional<TExportInterface> face = RepositoryExport::ReadInterface(dm, key);
    if (!face)
        return QStringLiteral("no interface %1").arg(key);
    const QByteArray wsdl = CodePage1250::encode(WsdlGenerator::WsdlText(WsdlGenerator::WsdlLines(dm, *face)));
    const QByteArray asr = CodePage1250::encode(TextFile::joinLines(ScriptGenerator::ScriptLines(*face)));
    const TGeneratedInterface done = InterfaceFiles::Generate(dm, {key, face->name, QString(), face->name},
                                                              outputDir, nullptr, false);
    for (const auto &[file, expected] : {std::pair(done.wsdl, wsdl), std::pair(done.asr, asr)}) {
        const QByteArray bytes = fileBytes(file);
        if (bytes == expected)
            continue;
        qsizetype at = 0;
        while (at < bytes.size() && at < expected.size() && bytes[at] == expected[at])
            ++at;
        return QStringLiteral("%1 differs at byte %2: \"%3\" instead of \"%4\"")
            .arg(file, QString::number(at), QString::fromLatin1(bytes.mid(qMax<qsizetype>(0, at - 40), 80)),
                 QString::fromLatin1(expected.mid(qMax<qsizetype>(0, at - 40), 80)));
    }
    return QString();
}

} // namespace

// Every test document, imported into one repository, gives the same bytes
// streamed as through the document model.
void TestGenerators::streamedDocuments()
{
    TRepo r;
    QVERIFY(r.open());
    TWsdlImporter importer(r.dm, r.outputDir());
    const QStringList documents = roundTripDocuments();
    QVERIFY(documents.size() >= 10);
    for (const QString &file : documents) {
        const qint64 key = importer.ImportWsdlFile(file).interfaceKey;
        const QString difference = streamedDifference(r.dm, key, r.dir.filePath(QStringLiteral("streamed")));
        QVERIFY2(difference.isEmpty(), qPrintable(QFileInfo(file).fileName() + QStringLiteral(": ") + difference));
    }
}

// Values that change the layout or the declaration: the streamed files are
// those of the document model, and a document the check refuses fails with
// the model's message and leaves the earlier file.
void TestGenerators::streamedOddValues_data()
{
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("value");
    const QList<std::pair<const char *, QString>> values = {
        {"markup", QStringLiteral("R\"/></message><x y=\" & &amp; <!--")},
        {"blanks", QStringLiteral("a  b\t c =  d")},
        {"line breaks", QStringLiteral("one\r\ntwo\nthree\rfour")},
        {"dashes", QStringLiteral("--> - -- ---")},
        {"accents", QStringLiteral("Ügyfél őrzött")},
        {"outside the code page", QStringLiteral("\u4e2d \U0001F600")},
        {"control character", QStringLiteral("F\x01G")},
    };
    for (const char *field : {"interface", "interfaceComment", "operation", "operationComment", "message",
                              "part", "partType", "member", "memberComment", "unusedMember"})
        for (const auto &[what, value] : values)
            QTest::addRow("%s, %s", field, what) << QString::fromLatin1(field) << value;
}

void TestGenerators::streamedOddValues()
{
    QFETCH(QString, field);
    QFETCH(QString, value);
    auto pick = [&](const char *name, const QString &good) { return field == QLatin1String(name) ? value : good; };
    TRepo r;
    QVERIFY(r.open());
    const qint64 key = r.iface(pick("interface", QStringLiteral("P")), QStringLiteral("D"), pick("interfaceComment", QString()));
    for (int i = 0; i < 2; ++i) { // overloaded operations sharing their messages
        r.op(pick("operation", QStringLiteral("O")), pick("operationComment", QStringLiteral("c")));
        r.msg(QStringLiteral("input"), pick("message", QStringLiteral("M")));
        r.complex(1, pick("part", QStringLiteral("R")), pick("partType", QStringLiteral("R_T")), QStringLiteral("sequence"));
        r.simple(2, pick("member", QStringLiteral("F")), QStringLiteral("string"), pick("memberComment", QString()));
        r.complex(2, QStringLiteral("A"), QStringLiteral("A"), QStringLiteral("complexContent"), QString(), true);
        r.simple(3, QStringLiteral("I"), QStringLiteral("Code"));
        // The second message of a name is left out of the document.
        r.simple(i == 0 ? 2 : 1, i == 0 ? QStringLiteral("G") : pick("unusedMember", QStringLiteral("U")),
                 QStringLiteral("int"));
        r.msg(QStringLiteral("fault"), QStringLiteral("Failed"), QStringLiteral("x --> y"));
        r.msg(QStringLiteral("output"), QStringLiteral("Out") + QString::number(i));
    }

    const QString outputDir = r.dir.filePath(QStringLiteral("streamed"));
    const std::optional<TExportInterface> face = RepositoryExport::ReadInterface(r.dm, key);
    QVERIFY(face);
    const QString modelError = errorOf([&] { WsdlGenerator::WsdlText(WsdlGenerator::WsdlLines(r.dm, *face)); });
    if (modelError.isEmpty()) {
        const QString difference = streamedDifference(r.dm, key, outputDir);
        QVERIFY2(difference.isEmpty(), qPrintable(difference));
        return;
    }
    const QString file = RepositoryExport::ExportFileName(outputDir, face->name, QStringLiteral(".wsdl"));
    RepositoryExport::EnsureExportFolder(outputDir);
    QVERIFY(writeBytes(file, "<good/>\r\n"));
    const QString error = errorOf([&] { WriteWSDL(r.dm, *face, outputDir); });
    QCOMPARE(error, modelError + QStringLiteral(" (interface \"%1\", file %2)").arg(face->name, QDir::toNativeSeparators(file)));
    QCOMPARE(fileBytes(file), QByteArray("<good/>\r\n"));
    QCOMPARE(QDir(QFileInfo(file).path()).entryList(QDir::Files | QDir::Hidden),
             QStringList{QFileInfo(file).fileName()});
}

QTEST_GUILESS_MAIN(TestGenerators)
#include "tst_generators.moc"
