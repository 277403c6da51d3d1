#include "Errors.h"
#include "QuenbarDB.h"
#include "Reporting.h"
#include "core/TestReporter.h"
#include "TextFile.h"
#include "WsdlImport.h"
#include "WsdlTestDocuments.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRandomGenerator>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTemporaryDir>
#include <QtTest>

#include <cstdio>

namespace {

QString writeBytes(const QString &path, const QByteArray &bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size())
        return QString();
    f.close();
    return path;
}

// The message of the import error; empty when the import succeeds.
QString importError(TWsdlImporter &importer, const QString &file)
{
    try {
        importer.ImportWsdlFile(file);
    } catch (const EWsdlImportError &e) {
        return e.message();
    } catch (const EQuenbarError &e) {
        return QStringLiteral("<other error> ") + e.message();
    }
    return QString();
}

QString inFile(const QString &message, const QString &file)
{
    return message + (message.endsWith(u' ') ? QString() : QStringLiteral(" ")) + QStringLiteral("in file ")
           + QDir::toNativeSeparators(file);
}

int count(const TDM &dm, const QString &table)
{
    const QStringList rows = query(dm, QStringLiteral("select count(*) from ") + table);
    return rows.size() == 1 ? rows.first().toInt() : -1;
}

// Parameter rows in key order: level, name, type, simple/complex, the
// sequence type ("-" when none) and "array" for array items.
QStringList parameterRows(const TDM &dm)
{
    QStringList rows;
    for (const QString &r : query(dm, QStringLiteral("select LevelX, Name, TypeX, case XS_Type when 1 then 'simple' "
                                                     "else 'complex' end, SequenceType, case XS_Array when 1 then "
                                                     "'array' else '' end from Parameters order by Kulcs")))
        rows << r.trimmed();
    return rows;
}

// Child process: imports the file and stops for good after its first
// operation, in the middle of the import's transaction.
// Imports the files in turn and stops inside the last one's transaction,
// waiting to be killed; "bulk" imports them as a run does.
int importAndHold(const QString &outputDirectory, const QStringList &files, bool bulk)
{
    TDM dm;
    dm.SetBulkWrites(bulk);
    TWsdlImporter importer(dm, outputDirectory);
    for (qsizetype i = 0; i + 1 < files.size(); ++i)
        importer.ImportWsdlFile(files[i]);
    importer.SetOperationObserver([](int, int) {
        std::fputs("ready\n", stdout);
        std::fflush(stdout);
        std::getchar(); // killed while waiting here
    });
    importer.ImportWsdlFile(files.last());
    return 0;
}

// The documents of a split service, each path relative to the folder.
using TFiles = QList<std::pair<QString, QString>>;
void writeFiles(const QString &folder, const TFiles &files)
{
    for (const auto &[path, text] : files)
        writeFile(folder + u'/' + path, text);
}

QString definitions(const QString &name, const QString &targetNamespace, const QString &content)
{
    return QStringLiteral("<wsdl:definitions name=\"%1\" targetNamespace=\"%2\" %3 xmlns:tns=\"%2\">\n%4\n</wsdl:definitions>\n")
        .arg(name, targetNamespace,
             QStringLiteral("xmlns:wsdl=\"http://schemas.xmlsoap.org/wsdl/\" xmlns:xsd=\"http://www.w3.org/2001/XMLSchema\""),
             content);
}

QString schema(const QString &attributes, const QString &content)
{
    return QStringLiteral("<xsd:schema xmlns:xsd=\"http://www.w3.org/2001/XMLSchema\" %1>%2</xsd:schema>\n").arg(attributes, content);
}

} // namespace

class TestWsdlImport : public QObject
{
    Q_OBJECT

private slots:
    void simpleParts();
    void operationsAndPartsOutsideTheSubset();
    void complexTypes_data();
    void complexTypes();
    void derivedAndRecursiveTypes_data();
    void derivedAndRecursiveTypes();
    void longExtensionChainWithoutRecursion();
    void namespacesChooseAmongSchemas();
    void everyPortTypeIsAnInterface();
    void splitDocument();
    void documentsOfTheSubsetKeepTheirRows();
    void splitDocumentFailures_data();
    void splitDocumentFailures();
    void longImportChainWithoutRecursion();
    void duplicateQualifiers();
    void messageDefinedTwiceTakesTheFirst();
    void reimportReplacesByBaseName();
    void overLongNamesAreCut();
    void demoDocumentsImport_data();
    void demoDocumentsImport();
    void failuresLeaveRepositoryUnchanged_data();
    void failuresLeaveRepositoryUnchanged();
    void truncatedAnywhereFails();
    void binaryFileFails();
    void missingFileFails();
    void deepMarkupIsSkippedWithoutRecursion();
    void stopRequestRollsBack();
    void killedImportLeavesEarlierInterface_data();
    void killedImportLeavesEarlierInterface();
    void repositoryErrorIsReported();
    void batchWritesWhatTheTablesWrite();
    void foldsOfOtherWritersAreRepaired_data();
    void foldsOfOtherWritersAreRepaired();
};

void TestWsdlImport::simpleParts()
{
    QTemporaryDir tmp;
    const QString file = writeFile(tmp.filePath(QStringLiteral("sources/Orders.wsdl")),
                                   wsdl(QString(),
                                        QStringLiteral("<wsdl:message name=\"AIn\"><wsdl:part name=\"P1\" type=\"xsd:string\"/></wsdl:message>"
                                                       "<wsdl:message name=\"AOut\"><wsdl:part name=\"P2\" type=\"xsd:string\"/></wsdl:message>"
                                                       "<wsdl:message name=\"BIn\"><wsdl:part name=\"P3\" type=\"xsd:string\"/></wsdl:message>"
                                                       "<wsdl:message name=\"BOut\"><wsdl:part name=\"P4\" type=\"xsd:string\"/></wsdl:message>"),
                                        QStringLiteral("<wsdl:operation name=\"A\"><wsdl:input message=\"tns:AIn\"/><wsdl:output message=\"tns:AOut\"/></wsdl:operation>"
                                                       "<wsdl:operation name=\"B\"><wsdl:input message=\"tns:BIn\"/><wsdl:output message=\"tns:BOut\"/></wsdl:operation>")));
    TDM dm;
    TWsdlImporter importer(dm, tmp.filePath(QStringLiteral("out")));
    QCOMPARE(importer.RepositoryFolder(), tmp.filePath(QStringLiteral("out/ParadoxDB")));
    const TWsdlImportCounts counts = importer.ImportWsdlFile(file);
    QCOMPARE(counts.operations, 2);
    QCOMPARE(counts.messages, 4);
    QCOMPARE(counts.parameters, qint64(4));
    QVERIFY(QFileInfo::exists(tmp.filePath(QStringLiteral("out/ParadoxDB/Interfaces.db"))));

    QCOMPARE(query(dm, QStringLiteral("select Kulcs, CSVName, Name, DefinitionsName from Interfaces")),
             QStringList{QStringLiteral("1 Orders ShopPort ShopDefs")});
    QCOMPARE(query(dm, QStringLiteral("select Kulcs, InterfacesKulcs, OperationsKulcs, UpPointer, Name from Operations")),
             (QStringList{QStringLiteral("1 1 1 1 A"), QStringLiteral("2 1 2 1 B")}));
    QCOMPARE(query(dm, QStringLiteral("select Kulcs, InterfacesKulcs, OperationsKulcs, InputsOutputsKulcs, UpPointer, "
                                      "TypeX, Name from InputsOutputs order by Kulcs")),
             (QStringList{QStringLiteral("1 1 1 1 1 input AIn"), QStringLiteral("2 1 1 2 1 output AOut"),
                          QStringLiteral("3 1 2 3 2 input BIn"), QStringLiteral("4 1 2 4 2 output BOut")}));
    QCOMPARE(query(dm, QStringLiteral("select Kulcs, InterfacesKulcs, OperationsKulcs, InputsOutputsKulcs, "
                                      "ParametersKulcs, UpPointer, LevelX, Name, TypeX, XS_Type, XS_Array, "
                                      "NameFold from Parameters order by Kulcs")),
             (QStringList{QStringLiteral("1 1 1 1 1 1 1 P1 string 1 0 P1"),
                          QStringLiteral("2 1 1 2 2 2 1 P2 string 1 0 P2"),
                          QStringLiteral("3 1 2 3 3 3 1 P3 string 1 0 P3"),
                          QStringLiteral("4 1 2 4 4 4 1 P4 string 1 0 P4")}));
    // Simple parts are grouped under their message.
    QCOMPARE(query(dm, QStringLiteral("select p.Name, d.QualifierName, d.OwnName from Parameters p join XDuplis d "
                                      "on d.Kulcs = p.DupliCheck order by p.Kulcs")),
             (QStringList{QStringLiteral("P1 AIn P1"), QStringLiteral("P2 AOut P2"), QStringLiteral("P3 BIn P3"),
                          QStringLiteral("P4 BOut P4")}));

    // Left open, on the rows inserted last, with the import flag down.
    QVERIFY(dm.Connected());
    QVERIFY(!dm.Importing());
    QCOMPARE(dm.TableInterfaces().Kulcs(), 1);
    QCOMPARE(dm.TableOperations().AsString(QStringLiteral("Name")), QStringLiteral("B"));
    QCOMPARE(dm.TableInputsOutputs().AsString(QStringLiteral("Name")), QStringLiteral("BOut"));
    QCOMPARE(dm.TableParameters().AsString(QStringLiteral("Name")), QStringLiteral("P4"));
    QCOMPARE(dm.TableParameters().RecordCount(), 1);
    QCOMPARE(dm.TableDuplis().AsString(QStringLiteral("OwnName")), QStringLiteral("P4"));
}

void TestWsdlImport::operationsAndPartsOutsideTheSubset()
{
    // Operations after another element of the port type are not read; an
    // operation's documentation names no message and a message's
    // documentation is no part, so neither makes a row.
    QTemporaryDir tmp;
    const QString file = writeFile(
        tmp.filePath(QStringLiteral("Doc.wsdl")),
        wsdl(QString(),
             QStringLiteral("<wsdl:message name=\"In\"><wsdl:documentation>the input</wsdl:documentation>"
                            "<wsdl:part name=\"A\" type=\"xsd:string\"/><wsdl:part name=\"NOTYPE\"/></wsdl:message>"
                            "<wsdl:message name=\"Fault\"><wsdl:part name=\"CODE\" type=\"xsd:int\"/></wsdl:message>"),
             QStringLiteral("<wsdl:operation name=\"First\"><wsdl:documentation>reads</wsdl:documentation>"
                            "<wsdl:input message=\"tns:In\"/><wsdl:fault name=\"f\" message=\"tns:Fault\"/></wsdl:operation>"
                            "<wsdl:operation name=\"Second\"><wsdl:input message=\"tns:In\"/></wsdl:operation>"
                            "<wsdl:documentation>more to come</wsdl:documentation>"
                            "<wsdl:operation name=\"Hidden\"><wsdl:input message=\"tns:Missing\"/></wsdl:operation>")));
    TDM dm;
    TWsdlImporter importer(dm, tmp.path());
    QCOMPARE(importError(importer, file), QString());
    QCOMPARE(query(dm, QStringLiteral("select Name from Operations order by Kulcs")),
             (QStringList{QStringLiteral("First"), QStringLiteral("Second")}));
    QCOMPARE(query(dm, QStringLiteral("select UpPointer, TypeX, Name from InputsOutputs order by Kulcs")),
             (QStringList{QStringLiteral("1 input In"), QStringLiteral("1 fault Fault"), QStringLiteral("2 input In")}));
    QCOMPARE(parameterRows(dm), (QStringList{QStringLiteral("1 A string simple -"),
                                             QStringLiteral("1 CODE int simple -"),
                                             QStringLiteral("1 A string simple -")}));
}

void TestWsdlImport::complexTypes_data()
{
    QTest::addColumn<QString>("types");
    QTest::addColumn<QString>("parts");
    QTest::addColumn<QStringList>("expected");

    QTest::newRow("sequence of two")
        << kCustomerTypes << QStringLiteral("<wsdl:part name=\"CUST\" type=\"tns:Customer\"/>")
        << QStringList{QStringLiteral("1 CUST Customer complex sequence"), QStringLiteral("2 CUSTNO int simple -"),
                       QStringLiteral("2 NAME string simple -")};
    QTest::newRow("nested types, then a simple part")
        << QStringLiteral("<xsd:complexType name=\"Address\"><xsd:all><xsd:element name=\"CITY\" type=\"xsd:string\"/>"
                          "</xsd:all></xsd:complexType>"
                          "<xsd:complexType name=\"Person\"><xsd:choice><xsd:element name=\"HOME\" type=\"tns:Address\"/>"
                          "<xsd:element name=\"ID\" type=\"xsd:int\"/></xsd:choice></xsd:complexType>")
        << QStringLiteral("<wsdl:part name=\"WHO\" type=\"tns:Person\"/><wsdl:part name=\"RC\" type=\"xsd:short\"/>")
        << QStringList{QStringLiteral("1 WHO Person complex choice"), QStringLiteral("2 HOME Address complex all"),
                       QStringLiteral("3 CITY string simple -"), QStringLiteral("2 ID int simple -"),
                       QStringLiteral("1 RC short simple -")};
    QTest::newRow("groups nested in a sequence add their members in place")
        << QStringLiteral("<xsd:complexType name=\"Pay\"><xsd:sequence><xsd:element name=\"AMOUNT\" type=\"xsd:decimal\"/>"
                          "<xsd:choice><xsd:element name=\"CARD\" type=\"xsd:string\"/><xsd:sequence>"
                          "<xsd:element name=\"IBAN\" type=\"xsd:string\"/></xsd:sequence></xsd:choice>"
                          "<xsd:any/><xsd:element name=\"DATE\" type=\"xsd:date\"/></xsd:sequence>"
                          "<xsd:attribute name=\"currency\" type=\"xsd:string\"/></xsd:complexType>")
        << QStringLiteral("<wsdl:part name=\"PAY\" type=\"tns:Pay\"/>")
        << QStringList{QStringLiteral("1 PAY Pay complex sequence"), QStringLiteral("2 AMOUNT decimal simple -"),
                       QStringLiteral("2 CARD string simple -"), QStringLiteral("2 IBAN string simple -"),
                       QStringLiteral("2 DATE date simple -")};
    QTest::newRow("array of a simple type")
        << QStringLiteral("<xsd:complexType name=\"IntList\"><xsd:complexContent><xsd:restriction base=\"soapenc:Array\">"
                          "<xsd:attribute ref=\"soapenc:arrayType\" wsdl:arrayType=\"xsd:int[]\"/>"
                          "</xsd:restriction></xsd:complexContent></xsd:complexType>")
        << QStringLiteral("<wsdl:part name=\"IDS\" type=\"tns:IntList\"/>")
        << QStringList{QStringLiteral("1 IDS IntList complex complexContent"), QStringLiteral("2 item[] int simple - array")};
    QTest::newRow("array of a complex type, base in any case")
        << kCustomerTypes
               + QStringLiteral("<xsd:complexType name=\"Customers\"><xsd:simpleContent><xsd:restriction base=\"enc:ARRAYOF\">"
                                "<xsd:attribute arrayType=\"tns:Customer[2][]\"/></xsd:restriction></xsd:simpleContent>"
                                "</xsd:complexType>")
        << QStringLiteral("<wsdl:part name=\"ALL\" type=\"tns:Customers\"/>")
        << QStringList{QStringLiteral("1 ALL Customers complex simpleContent"),
                       QStringLiteral("2 item[] Customer complex sequence array"), QStringLiteral("3 CUSTNO int simple -"),
                       QStringLiteral("3 NAME string simple -")};
    QTest::newRow("element part with its type inside")
        << QStringLiteral("<xsd:element name=\"GetOrder\"><xsd:complexType><xsd:sequence>"
                          "<xsd:element name=\"ORDERNO\" type=\"xsd:int\"/>"
                          "<xsd:element name=\"LINE\"><xsd:complexType><xsd:sequence>"
                          "<xsd:element name=\"QTY\" type=\"xsd:int\"/></xsd:sequence></xsd:complexType></xsd:element>"
                          "</xsd:sequence></xsd:complexType></xsd:element>")
        << QStringLiteral("<wsdl:part name=\"parameters\" element=\"tns:GetOrder\"/>")
        << QStringList{QStringLiteral("1 parameters GetOrder complex sequence"), QStringLiteral("2 ORDERNO int simple -"),
                       QStringLiteral("2 LINE LINE complex sequence"), QStringLiteral("3 QTY int simple -")};
    QTest::newRow("element part naming a complex type")
        << kCustomerTypes + QStringLiteral("<xsd:element name=\"Cust\" type=\"tns:Customer\"/>")
        << QStringLiteral("<wsdl:part name=\"body\" element=\"tns:Cust\"/>")
        << QStringList{QStringLiteral("1 body Cust complex sequence"), QStringLiteral("2 CUSTNO int simple -"),
                       QStringLiteral("2 NAME string simple -")};
    QTest::newRow("global element preferred to a member of the same name")
        << QStringLiteral("<xsd:complexType name=\"Wrap\"><xsd:sequence><xsd:element name=\"Order\" type=\"xsd:string\"/>"
                          "</xsd:sequence></xsd:complexType>"
                          "<xsd:element name=\"Order\"><xsd:complexType><xsd:sequence>"
                          "<xsd:element name=\"NO\" type=\"xsd:int\"/></xsd:sequence></xsd:complexType></xsd:element>")
        << QStringLiteral("<wsdl:part name=\"p\" element=\"tns:Order\"/>")
        << QStringList{QStringLiteral("1 p Order complex sequence"), QStringLiteral("2 NO int simple -")};
    QTest::newRow("simple type name defined as a complex type")
        << QStringLiteral("<xsd:complexType name=\"string\"><xsd:sequence><xsd:element name=\"TEXT\" type=\"xsd:token\"/>"
                          "</xsd:sequence></xsd:complexType>")
        << QStringLiteral("<wsdl:part name=\"S\" type=\"xsd:string\"/>")
        << QStringList{QStringLiteral("1 S string complex sequence"), QStringLiteral("2 TEXT token simple -")};
    QTest::newRow("empty complex type")
        << QStringLiteral("<xsd:complexType name=\"Nothing\"/>") << QStringLiteral("<wsdl:part name=\"N\" type=\"tns:Nothing\"/>")
        << QStringList{QStringLiteral("1 N Nothing complex -")};
    QTest::newRow("element holding an empty complex type")
        << QStringLiteral("<xsd:element name=\"Ping\"><xsd:complexType/></xsd:element><xsd:element name=\"Bare\"/>")
        << QStringLiteral("<wsdl:part name=\"in\" element=\"tns:Ping\"/><wsdl:part name=\"b\" element=\"tns:Bare\"/>")
        << QStringList{QStringLiteral("1 in Ping complex -"), QStringLiteral("1 b Bare complex -")};
    QTest::newRow("annotations are passed over")
        << QStringLiteral("<xsd:complexType name=\"Doc\"><xsd:annotation><xsd:documentation>a customer</xsd:documentation>"
                          "</xsd:annotation><xsd:sequence><xsd:annotation/><xsd:element name=\"X\" type=\"xsd:int\"/>"
                          "</xsd:sequence></xsd:complexType>")
        << QStringLiteral("<wsdl:part name=\"D\" type=\"tns:Doc\"/>")
        << QStringList{QStringLiteral("1 D Doc complex sequence"), QStringLiteral("2 X int simple -")};
    QTest::newRow("member without type and without content")
        << QStringLiteral("<xsd:complexType name=\"T\"><xsd:sequence><xsd:element name=\"tns:ANY\"/>"
                          "<xsd:element name=\"Y\" type=\"xsd:int\"/></xsd:sequence></xsd:complexType>")
        << QStringLiteral("<wsdl:part name=\"t\" type=\"tns:T\"/>")
        << QStringList{QStringLiteral("1 t T complex sequence"), QStringLiteral("2 ANY ANY complex -"),
                       QStringLiteral("2 Y int simple -")};
    QTest::newRow("the same type twice side by side")
        << kCustomerTypes
        << QStringLiteral("<wsdl:part name=\"A\" type=\"tns:Customer\"/><wsdl:part name=\"B\" type=\"tns:Customer\"/>")
        << QStringList{QStringLiteral("1 A Customer complex sequence"), QStringLiteral("2 CUSTNO int simple -"),
                       QStringLiteral("2 NAME string simple -"), QStringLiteral("1 B Customer complex sequence"),
                       QStringLiteral("2 CUSTNO int simple -"), QStringLiteral("2 NAME string simple -")};
}

void TestWsdlImport::complexTypes()
{
    QFETCH(QString, types);
    QFETCH(QString, parts);
    QFETCH(QStringList, expected);
    QTemporaryDir tmp;
    const QString file = writeFile(tmp.filePath(QStringLiteral("Shop.wsdl")), oneMessage(types, parts));
    TDM dm;
    TWsdlImporter importer(dm, tmp.path());
    QCOMPARE(importError(importer, file), QString());
    QCOMPARE(parameterRows(dm), expected);
    // Every row hangs on the message and carries its own key.
    QCOMPARE(query(dm, QStringLiteral("select count(*) from Parameters where UpPointer = 1 and InputsOutputsKulcs = 1 "
                                      "and ParametersKulcs = Kulcs and DupliCheck is not null")),
             QStringList{QString::number(expected.size())});
}

void TestWsdlImport::derivedAndRecursiveTypes_data()
{
    QTest::addColumn<QString>("types");
    QTest::addColumn<QString>("parts");
    QTest::addColumn<QStringList>("expected");

    const QString base = QStringLiteral("<xsd:complexType name=\"Base\"><xsd:sequence><xsd:element name=\"ID\" type=\"xsd:int\"/>"
                                        "</xsd:sequence><xsd:attribute name=\"version\" type=\"xsd:int\"/></xsd:complexType>");
    QTest::newRow("element type starting with an annotation, then extending a base")
        << base
               + QStringLiteral("<xsd:element name=\"GetQuote\"><xsd:complexType><xsd:annotation><xsd:documentation>q"
                                "</xsd:documentation></xsd:annotation><xsd:complexContent><xsd:extension base=\"tns:Base\">"
                                "<xsd:sequence><xsd:element name=\"SYMBOL\" type=\"xsd:string\"/></xsd:sequence>"
                                "</xsd:extension></xsd:complexContent></xsd:complexType></xsd:element>")
        << QStringLiteral("<wsdl:part name=\"parameters\" element=\"tns:GetQuote\"/>")
        << QStringList{QStringLiteral("1 parameters GetQuote complex complexContent"), QStringLiteral("2 ID int simple -"),
                       QStringLiteral("2 SYMBOL string simple -")};
    QTest::newRow("element references read as the elements they name")
        << QStringLiteral("<xsd:element name=\"Item\" type=\"xsd:string\"/>"
                          "<xsd:element name=\"Addr\"><xsd:complexType><xsd:sequence>"
                          "<xsd:element name=\"CITY\" type=\"xsd:string\"/></xsd:sequence></xsd:complexType></xsd:element>"
                          "<xsd:element name=\"Owner\" type=\"tns:Base\"/>")
               + base
               + QStringLiteral("<xsd:complexType name=\"Rec\"><xsd:sequence><xsd:element ref=\"tns:Item\"/>"
                            "<xsd:element ref=\"tns:Addr\"/><xsd:element ref=\"tns:Owner\"/>"
                                "<xsd:element name=\"N\" type=\"xsd:int\"/></xsd:sequence></xsd:complexType>")
        << QStringLiteral("<wsdl:part name=\"r\" type=\"tns:Rec\"/>")
        << QStringList{QStringLiteral("1 r Rec complex sequence"), QStringLiteral("2 Item string simple -"),
                       QStringLiteral("2 Addr Addr complex sequence"), QStringLiteral("3 CITY string simple -"),
                       QStringLiteral("2 Owner Base complex sequence"), QStringLiteral("3 ID int simple -"),
                       QStringLiteral("2 N int simple -")};
    QTest::newRow("chain of extensions: the bases' members first, attributes skipped")
        << base
               + QStringLiteral("<xsd:complexType name=\"Mid\"><xsd:complexContent><xsd:extension base=\"tns:Base\">"
                                "<xsd:sequence><xsd:element name=\"NAME\" type=\"xsd:string\"/></xsd:sequence>"
                                "<xsd:attribute name=\"lang\" type=\"xsd:string\"/></xsd:extension></xsd:complexContent>"
                                "</xsd:complexType>"
                                "<xsd:complexType name=\"Top\"><xsd:complexContent><xsd:extension base=\"tns:Mid\">"
                                "<xsd:choice><xsd:element name=\"ADDR\" type=\"tns:Base\"/></xsd:choice></xsd:extension>"
                                "</xsd:complexContent></xsd:complexType>")
        << QStringLiteral("<wsdl:part name=\"t\" type=\"tns:Top\"/><wsdl:part name=\"rc\" type=\"xsd:int\"/>")
        << QStringList{QStringLiteral("1 t Top complex complexContent"), QStringLiteral("2 ID int simple -"),
                       QStringLiteral("2 NAME string simple -"), QStringLiteral("2 ADDR Base complex sequence"),
                       QStringLiteral("3 ID int simple -"), QStringLiteral("1 rc int simple -")};
    QTest::newRow("extension of a built-in base or with attributes only")
        << QStringLiteral("<xsd:complexType name=\"Any\"><xsd:complexContent><xsd:extension base=\"xsd:anyType\">"
                          "<xsd:sequence><xsd:element name=\"X\" type=\"xsd:int\"/></xsd:sequence></xsd:extension>"
                          "</xsd:complexContent></xsd:complexType>"
                          "<xsd:complexType name=\"Tagged\"><xsd:complexContent><xsd:extension base=\"tns:Any\">"
                          "<xsd:attribute name=\"tag\" type=\"xsd:string\"/></xsd:extension></xsd:complexContent>"
                          "</xsd:complexType>")
        << QStringLiteral("<wsdl:part name=\"a\" type=\"tns:Any\"/><wsdl:part name=\"t\" type=\"tns:Tagged\"/>")
        << QStringList{QStringLiteral("1 a Any complex complexContent"), QStringLiteral("2 X int simple -"),
                       QStringLiteral("1 t Tagged complex complexContent"), QStringLiteral("2 X int simple -")};
    QTest::newRow("restriction of complex content that is no array: its own members")
        << base
               + QStringLiteral("<xsd:complexType name=\"Less\"><xsd:complexContent><xsd:restriction base=\"tns:Base\">"
                                "<xsd:sequence><xsd:element name=\"CODE\" type=\"xsd:short\"/></xsd:sequence>"
                                "</xsd:restriction></xsd:complexContent></xsd:complexType>")
        << QStringLiteral("<wsdl:part name=\"l\" type=\"tns:Less\"/>")
        << QStringList{QStringLiteral("1 l Less complex complexContent"), QStringLiteral("2 CODE short simple -")};
    QTest::newRow("simple content: a leaf of its base type")
        << QStringLiteral("<xsd:complexType name=\"Price\"><xsd:simpleContent><xsd:extension base=\"xsd:decimal\">"
                          "<xsd:attribute name=\"currency\" type=\"xsd:string\"/></xsd:extension></xsd:simpleContent>"
                          "</xsd:complexType>"
                          "<xsd:complexType name=\"Net\"><xsd:simpleContent><xsd:restriction base=\"tns:Price\"/>"
                          "</xsd:simpleContent></xsd:complexType>"
                          "<xsd:complexType name=\"Item\"><xsd:sequence><xsd:element name=\"PRICE\" type=\"tns:Price\"/>"
                          "<xsd:element name=\"NOTE\"><xsd:complexType><xsd:simpleContent><xsd:extension base=\"xsd:string\">"
                          "<xsd:attribute name=\"lang\" type=\"xsd:string\"/></xsd:extension></xsd:simpleContent>"
                          "</xsd:complexType></xsd:element></xsd:sequence></xsd:complexType>"
                          "<xsd:element name=\"Amount\"><xsd:complexType><xsd:simpleContent>"
                          "<xsd:extension base=\"xsd:int\"/></xsd:simpleContent></xsd:complexType></xsd:element>")
        << QStringLiteral("<wsdl:part name=\"i\" type=\"tns:Item\"/><wsdl:part name=\"n\" type=\"tns:Net\"/>"
                          "<wsdl:part name=\"a\" element=\"tns:Amount\"/>")
        << QStringList{QStringLiteral("1 i Item complex sequence"), QStringLiteral("2 PRICE decimal simple -"),
                       QStringLiteral("2 NOTE NOTE simple -"), QStringLiteral("1 n decimal simple -"),
                       QStringLiteral("1 a Amount simple -")};
    QTest::newRow("element declared with a type that extends a base")
        << base
               + QStringLiteral("<xsd:complexType name=\"GetQuoteType\"><xsd:complexContent><xsd:extension base=\"tns:Base\">"
                                "<xsd:sequence><xsd:element name=\"SYMBOL\" type=\"xsd:string\"/></xsd:sequence>"
                                "</xsd:extension></xsd:complexContent></xsd:complexType>"
                                "<xsd:element name=\"GetQuote\" type=\"tns:GetQuoteType\"/>")
        << QStringLiteral("<wsdl:part name=\"parameters\" element=\"tns:GetQuote\"/>")
        << QStringList{QStringLiteral("1 parameters GetQuote complex complexContent"), QStringLiteral("2 ID int simple -"),
                       QStringLiteral("2 SYMBOL string simple -")};
    QTest::newRow("definitions spread over several schemas")
        << QStringLiteral("<xsd:element name=\"Find\" type=\"tns:FindType\"/></xsd:schema>"
                          "<xsd:schema targetNamespace=\"urn:shop:types\">"
                          "<xsd:complexType name=\"FindType\"><xsd:complexContent><xsd:extension base=\"tns:Key\">"
                          "<xsd:sequence><xsd:element name=\"LIMIT\" type=\"xsd:int\"/></xsd:sequence></xsd:extension>"
                          "</xsd:complexContent></xsd:complexType></xsd:schema>"
                          "<xsd:schema targetNamespace=\"urn:shop:keys\"><xsd:complexType name=\"Key\"><xsd:sequence>"
                          "<xsd:element name=\"KEY\" type=\"xsd:string\"/></xsd:sequence></xsd:complexType>")
        << QStringLiteral("<wsdl:part name=\"parameters\" element=\"tns:Find\"/>")
        << QStringList{QStringLiteral("1 parameters Find complex complexContent"), QStringLiteral("2 KEY string simple -"),
                       QStringLiteral("2 LIMIT int simple -")};
    QTest::newRow("type containing itself: the repeat has no members")
        << QStringLiteral("<xsd:complexType name=\"Node\"><xsd:sequence><xsd:element name=\"V\" type=\"xsd:int\"/>"
                          "<xsd:element name=\"NEXT\" type=\"tns:Node\"/></xsd:sequence></xsd:complexType>")
        << QStringLiteral("<wsdl:part name=\"n\" type=\"tns:Node\"/><wsdl:part name=\"m\" type=\"tns:Node\"/>")
        << QStringList{QStringLiteral("1 n Node complex sequence"), QStringLiteral("2 V int simple -"),
                       QStringLiteral("2 NEXT Node complex sequence"), QStringLiteral("1 m Node complex sequence"),
                       QStringLiteral("2 V int simple -"), QStringLiteral("2 NEXT Node complex sequence")};
    QTest::newRow("types containing each other")
        << QStringLiteral("<xsd:complexType name=\"A\"><xsd:sequence><xsd:element name=\"b\" type=\"tns:B\"/>"
                          "</xsd:sequence></xsd:complexType><xsd:complexType name=\"B\"><xsd:sequence>"
                          "<xsd:element name=\"inner\"><xsd:complexType><xsd:sequence>"
                          "<xsd:element name=\"a\" type=\"tns:A\"/></xsd:sequence></xsd:complexType></xsd:element>"
                          "</xsd:sequence></xsd:complexType>")
        << QStringLiteral("<wsdl:part name=\"x\" type=\"tns:A\"/>")
        << QStringList{QStringLiteral("1 x A complex sequence"), QStringLiteral("2 b B complex sequence"),
                       QStringLiteral("3 inner inner complex sequence"), QStringLiteral("4 a A complex sequence")};
    QTest::newRow("array of itself")
        << QStringLiteral("<xsd:complexType name=\"Tree\"><xsd:complexContent><xsd:restriction base=\"soapenc:Array\">"
                          "<xsd:attribute wsdl:arrayType=\"tns:Tree[]\"/></xsd:restriction></xsd:complexContent>"
                          "</xsd:complexType>")
        << QStringLiteral("<wsdl:part name=\"t\" type=\"tns:Tree\"/>")
        << QStringList{QStringLiteral("1 t Tree complex complexContent"),
                       QStringLiteral("2 item[] Tree complex complexContent array")};
    QTest::newRow("tree: a base holding its own extension, bases extending each other")
        << QStringLiteral("<xsd:complexType name=\"Item\"><xsd:sequence><xsd:element name=\"parent\" type=\"tns:Folder\"/>"
                          "</xsd:sequence></xsd:complexType>"
                          "<xsd:complexType name=\"Folder\"><xsd:complexContent><xsd:extension base=\"tns:Item\">"
                          "<xsd:sequence><xsd:element name=\"NAME\" type=\"xsd:string\"/></xsd:sequence></xsd:extension>"
                          "</xsd:complexContent></xsd:complexType>"
                          "<xsd:complexType name=\"P\"><xsd:complexContent><xsd:extension base=\"tns:Q\"><xsd:sequence>"
                          "<xsd:element name=\"PV\" type=\"xsd:int\"/></xsd:sequence></xsd:extension></xsd:complexContent>"
                          "</xsd:complexType>"
                          "<xsd:complexType name=\"Q\"><xsd:complexContent><xsd:extension base=\"tns:P\"><xsd:sequence>"
                          "<xsd:element name=\"QV\" type=\"xsd:int\"/></xsd:sequence></xsd:extension></xsd:complexContent>"
                          "</xsd:complexType>")
        << QStringLiteral("<wsdl:part name=\"f\" type=\"tns:Folder\"/><wsdl:part name=\"p\" type=\"tns:P\"/>")
        << QStringList{QStringLiteral("1 f Folder complex complexContent"),
                       QStringLiteral("2 parent Folder complex complexContent"), QStringLiteral("2 NAME string simple -"),
                       QStringLiteral("1 p P complex complexContent"), QStringLiteral("2 QV int simple -"),
                       QStringLiteral("2 PV int simple -")};
    QTest::newRow("elements of simple types are leaves")
        << QStringLiteral("<xsd:simpleType name=\"State\"><xsd:restriction base=\"xsd:string\"><xsd:enumeration value=\"A\"/>"
                          "</xsd:restriction></xsd:simpleType>"
                          "<xsd:element name=\"Symbol\" type=\"xsd:string\"/>"
                          "<xsd:element name=\"Status\" type=\"tns:State\"/>"
                          "<xsd:element name=\"Count\"><xsd:annotation/><xsd:simpleType><xsd:restriction base=\"xsd:int\">"
                          "<xsd:minInclusive value=\"0\"/></xsd:restriction></xsd:simpleType></xsd:element>"
                          "<xsd:element name=\"Order\"><xsd:complexType><xsd:sequence>"
                          "<xsd:element name=\"CODE\"><xsd:simpleType><xsd:restriction base=\"xsd:short\"/></xsd:simpleType>"
                          "</xsd:element><xsd:element name=\"TAGS\"><xsd:simpleType><xsd:list itemType=\"xsd:int\"/>"
                          "</xsd:simpleType></xsd:element></xsd:sequence></xsd:complexType></xsd:element>")
        << QStringLiteral("<wsdl:part name=\"s\" element=\"tns:Symbol\"/><wsdl:part name=\"st\" element=\"tns:Status\"/>"
                          "<wsdl:part name=\"c\" element=\"tns:Count\"/><wsdl:part name=\"o\" element=\"tns:Order\"/>")
        << QStringList{QStringLiteral("1 s string simple -"), QStringLiteral("1 st State simple -"),
                       QStringLiteral("1 c int simple -"), QStringLiteral("1 o Order complex sequence"),
                       QStringLiteral("2 CODE short simple -"), QStringLiteral("2 TAGS string simple -")};
    QTest::newRow("group references expand in place, attribute groups make no rows")
        << QStringLiteral("<xsd:group name=\"Ids\"><xsd:sequence><xsd:element name=\"ID\" type=\"xsd:int\"/>"
                          "<xsd:group ref=\"tns:More\"/></xsd:sequence></xsd:group>"
                          "<xsd:group name=\"More\"><xsd:choice><xsd:element name=\"KEY\" type=\"xsd:string\"/></xsd:choice></xsd:group>"
                          "<xsd:attributeGroup name=\"Attrs\"><xsd:attribute name=\"v\" type=\"xsd:int\"/></xsd:attributeGroup>"
                          "<xsd:complexType name=\"Rec\"><xsd:sequence><xsd:element name=\"A\" type=\"xsd:int\"/>"
                          "<xsd:group ref=\"tns:Ids\"/><xsd:element name=\"B\" type=\"xsd:int\"/></xsd:sequence>"
                          "<xsd:attributeGroup ref=\"tns:Attrs\"/></xsd:complexType>"
                          "<xsd:complexType name=\"Only\"><xsd:group ref=\"tns:More\"/></xsd:complexType>"
                          "<xsd:complexType name=\"Ext\"><xsd:complexContent><xsd:extension base=\"tns:Only\">"
                          "<xsd:group ref=\"tns:Ids\"/></xsd:extension></xsd:complexContent></xsd:complexType>")
        << QStringLiteral("<wsdl:part name=\"r\" type=\"tns:Rec\"/><wsdl:part name=\"o\" type=\"tns:Only\"/>"
                          "<wsdl:part name=\"e\" type=\"tns:Ext\"/>")
        << QStringList{QStringLiteral("1 r Rec complex sequence"), QStringLiteral("2 A int simple -"),
                       QStringLiteral("2 ID int simple -"), QStringLiteral("2 KEY string simple -"),
                       QStringLiteral("2 B int simple -"), QStringLiteral("1 o Only complex choice"),
                       QStringLiteral("2 KEY string simple -"), QStringLiteral("1 e Ext complex complexContent"),
                       QStringLiteral("2 KEY string simple -"), QStringLiteral("2 ID int simple -"),
                       QStringLiteral("2 KEY string simple -")};
}

void TestWsdlImport::derivedAndRecursiveTypes()
{
    complexTypes(); // the same check over this table
}

void TestWsdlImport::longExtensionChainWithoutRecursion()
{
    // Each type extends the one before it: the last one has every member,
    // the first type's first.
    constexpr int chain = 10000;
    QString types = QStringLiteral("<xsd:complexType name=\"T0\"><xsd:sequence><xsd:element name=\"m0\" type=\"xsd:int\"/>"
                                   "</xsd:sequence></xsd:complexType>");
    for (int i = 1; i < chain; ++i)
        types += QStringLiteral("<xsd:complexType name=\"T%1\"><xsd:complexContent><xsd:extension base=\"tns:T%2\">"
                                "<xsd:sequence><xsd:element name=\"m%1\" type=\"xsd:int\"/></xsd:sequence></xsd:extension>"
                                "</xsd:complexContent></xsd:complexType>")
                     .arg(i)
                     .arg(i - 1);
    QTemporaryDir tmp;
    const QString file = writeFile(tmp.filePath(QStringLiteral("Chain.wsdl")),
                                   oneMessage(types, QStringLiteral("<wsdl:part name=\"t\" type=\"tns:T%1\"/>").arg(chain - 1)));
    TDM dm;
    TWsdlImporter importer(dm, tmp.path());
    QCOMPARE(importError(importer, file), QString());
    const QStringList rows = parameterRows(dm);
    QCOMPARE(rows.size(), chain + 1);
    QCOMPARE(rows.first(), QStringLiteral("1 t T%1 complex complexContent").arg(chain - 1));
    QCOMPARE(rows.at(1), QStringLiteral("2 m0 int simple -"));
    QCOMPARE(rows.at(chain / 2 + 1), QStringLiteral("2 m%1 int simple -").arg(chain / 2));
    QCOMPARE(rows.last(), QStringLiteral("2 m%1 int simple -").arg(chain - 1));
}

void TestWsdlImport::namespacesChooseAmongSchemas()
{
    // Two schemas define Item and Thing: the namespace that a reference's
    // prefix stands for (declared on the definitions, or on the schema
    // itself) chooses; an undeclared prefix takes the first in the document.
    const QString types = QStringLiteral(
        "<wsdl:types>"
        "<xsd:schema targetNamespace=\"urn:a\"><xsd:complexType name=\"Item\"><xsd:sequence>"
        "<xsd:element name=\"A1\" type=\"xsd:int\"/></xsd:sequence></xsd:complexType>"
        "<xsd:element name=\"Thing\" type=\"xsd:int\"/></xsd:schema>"
        "<xsd:schema targetNamespace=\"urn:b\" xmlns:own=\"urn:b\"><xsd:complexType name=\"Item\"><xsd:sequence>"
        "<xsd:element name=\"B1\" type=\"xsd:string\"/><xsd:element name=\"SELF\" type=\"own:Item\"/></xsd:sequence>"
        "</xsd:complexType><xsd:element name=\"Thing\" type=\"own:Item\"/></xsd:schema>"
        "</wsdl:types>");
    const QString doc = definitions(
        QStringLiteral("Defs"), QStringLiteral("urn:svc"),
        types
            + QStringLiteral("<wsdl:message name=\"In\" xmlns:b=\"urn:b\" xmlns:a=\"urn:a\"><wsdl:part name=\"x\" type=\"b:Item\"/>"
                             "<wsdl:part name=\"y\" type=\"a:Item\"/><wsdl:part name=\"z\" element=\"b:Thing\"/>"
                             "<wsdl:part name=\"w\" element=\"a:Thing\"/><wsdl:part name=\"u\" type=\"zz:Item\"/></wsdl:message>"
                             "<wsdl:portType name=\"P\"><wsdl:operation name=\"Op\"><wsdl:input message=\"tns:In\"/>"
                             "</wsdl:operation></wsdl:portType>"));
    QTemporaryDir tmp;
    const QString file = writeFile(tmp.filePath(QStringLiteral("Ns.wsdl")), doc);
    TDM dm;
    TWsdlImporter importer(dm, tmp.path());
    QCOMPARE(importError(importer, file), QString());
    QCOMPARE(parameterRows(dm),
             (QStringList{QStringLiteral("1 x Item complex sequence"), QStringLiteral("2 B1 string simple -"),
                          QStringLiteral("2 SELF Item complex sequence"), QStringLiteral("1 y Item complex sequence"),
                          QStringLiteral("2 A1 int simple -"), QStringLiteral("1 z Thing complex sequence"),
                          QStringLiteral("2 B1 string simple -"), QStringLiteral("2 SELF Item complex sequence"),
                          QStringLiteral("1 w int simple -"), QStringLiteral("1 u Item complex sequence"),
                          QStringLiteral("2 A1 int simple -")}));
}

void TestWsdlImport::everyPortTypeIsAnInterface()
{
    const QString doc = wsdl(
        QString(),
        QStringLiteral("<wsdl:message name=\"AIn\"><wsdl:part name=\"P1\" type=\"xsd:string\"/></wsdl:message>"
                       "<wsdl:message name=\"BIn\"><wsdl:part name=\"P2\" type=\"xsd:int\"/></wsdl:message>"
                       "<wsdl:portType name=\"AdminPort\"><wsdl:operation name=\"B\"><wsdl:documentation>d</wsdl:documentation>"
                       "<wsdl:input message=\"tns:BIn\"/><wsdl:fault name=\"f\" message=\"tns:AIn\"/></wsdl:operation>"
                       "</wsdl:portType><wsdl:portType name=\"BrokenPort\"><wsdl:operation name=\"C\">"
                       "<wsdl:input message=\"tns:AIn\"/><wsdl:fault name=\"f\" message=\"tns:Nope\"/></wsdl:operation>"
                       "</wsdl:portType>"),
        QStringLiteral("<wsdl:operation name=\"A\"><wsdl:input message=\"tns:AIn\"/></wsdl:operation>"));
    QTemporaryDir tmp;
    const QString file = writeFile(tmp.filePath(QStringLiteral("Shop.wsdl")), doc);
    TTestReporter reporter;
    TDM dm;
    dm.SetReporter(&reporter);
    TWsdlImporter importer(dm, tmp.path());
    const TWsdlImportCounts counts = importer.ImportWsdlFile(file);
    QCOMPARE(counts.interfaces, 2);
    // A further port type that names what no document defines is left out.
    QCOMPARE(reporter.warnings(),
             QStringList{QStringLiteral("Port type \"BrokenPort\" in file %1 is not imported: message \"tns:Nope\" of "
                                        "operation \"C\" is not defined in the document or the local files it imports")
                             .arg(QDir::toNativeSeparators(file))});
    QCOMPARE(counts.interfaceKey, qint64(1)); // AdminPort comes first in the file
    const QStringList interfaces{QStringLiteral("1 Shop AdminPort ShopDefs"), QStringLiteral("2 Shop ShopPort ShopDefs")};
    QCOMPARE(query(dm, QStringLiteral("select Kulcs, CSVName, Name, DefinitionsName from Interfaces order by Kulcs")),
             interfaces);
    QCOMPARE(query(dm, QStringLiteral("select i.Name, o.Name, m.TypeX, m.Name from InputsOutputs m join Operations o on "
                                      "o.Kulcs = m.UpPointer join Interfaces i on i.Kulcs = o.UpPointer order by m.Kulcs")),
             (QStringList{QStringLiteral("AdminPort B input BIn"), QStringLiteral("AdminPort B fault AIn"),
                          QStringLiteral("ShopPort A input AIn")}));
    // A re-import replaces both, a removal of the file's interfaces removes both.
    importer.ImportWsdlFile(file);
    QCOMPARE(count(dm, QStringLiteral("Interfaces")), 2);
    QCOMPARE(count(dm, QStringLiteral("Operations")), 2);
    {
        TRepositoryTransaction tx(dm);
        dm.DeleteInterfaceByCSVName(QStringLiteral("Shop"));
        tx.Commit();
    }
    QCOMPARE(count(dm, QStringLiteral("Interfaces")), 0);
    QCOMPARE(count(dm, QStringLiteral("Parameters")), 0);
}

namespace {
// A service split over five files: the WSDL imports a WSDL (twice, and that
// one imports the first back), whose schema imports a schema that includes
// a schema without a namespace of its own, which includes the first back.
TFiles splitService()
{
    return {
        {QStringLiteral("src/Main.wsdl"),
         definitions(QStringLiteral("MainDefs"), QStringLiteral("urn:main"),
                     QStringLiteral("<wsdl:import namespace=\"urn:svc\" location=\"defs/Service.wsdl\"/>"
                                    "<wsdl:import namespace=\"urn:svc\" location=\"./defs/../defs/Service.wsdl\"/>"
                                    "<wsdl:portType name=\"MainPort\" xmlns:s=\"urn:svc\"><wsdl:operation name=\"GetOrder\">"
                                    "<wsdl:input message=\"s:GetOrderIn\"/></wsdl:operation></wsdl:portType>"))},
        {QStringLiteral("src/defs/Service.wsdl"),
         definitions(QStringLiteral("SvcDefs"), QStringLiteral("urn:svc"),
                     QStringLiteral("<wsdl:import namespace=\"urn:main\" location=\"..\\Main.wsdl\"/>"
                                    "<wsdl:types><xsd:schema targetNamespace=\"urn:svc\" xmlns:o=\"urn:orders\">"
                                    "<xsd:import namespace=\"urn:orders\" schemaLocation=\"../../schemas/Orders.xsd\"/>"
                                    "<xsd:import namespace=\"http://schemas.xmlsoap.org/soap/encoding/\" "
                                    "schemaLocation=\"http://schemas.xmlsoap.org/soap/encoding/\"/>"
                                    "<xsd:element name=\"GetOrder\" type=\"o:OrderRequest\"/></xsd:schema></wsdl:types>"
                                    "<wsdl:message name=\"GetOrderIn\"><wsdl:part name=\"parameters\" element=\"tns:GetOrder\"/>"
                                    "</wsdl:message><wsdl:message name=\"PingIn\"><wsdl:part name=\"n\" type=\"xsd:int\"/>"
                                    "</wsdl:message><wsdl:portType name=\"ExtraPort\"><wsdl:operation name=\"Ping\">"
                                    "<wsdl:input message=\"tns:PingIn\"/></wsdl:operation></wsdl:portType>"))},
        {QStringLiteral("schemas/Orders.xsd"),
         schema(QStringLiteral("targetNamespace=\"urn:orders\" xmlns:o=\"urn:orders\""),
                QStringLiteral("<xsd:include schemaLocation=\"common/Common.xsd\"/>"
                               "<xsd:complexType name=\"OrderRequest\"><xsd:complexContent><xsd:extension base=\"o:Keyed\">"
                               "<xsd:sequence><xsd:element name=\"QTY\" type=\"xsd:int\"/></xsd:sequence></xsd:extension>"
                               "</xsd:complexContent></xsd:complexType>"))},
        {QStringLiteral("schemas/common/Common.xsd"),
         schema(QString(), QStringLiteral("<xsd:include schemaLocation=\"../Orders.xsd\"/>"
                                          "<xsd:complexType name=\"Keyed\"><xsd:sequence>"
                                          "<xsd:element name=\"KEY\" type=\"xsd:string\"/></xsd:sequence></xsd:complexType>"))},
    };
}
} // namespace

void TestWsdlImport::splitDocument()
{
    QTemporaryDir tmp;
    writeFiles(tmp.path(), splitService());
    TTestReporter reporter;
    TDM dm;
    dm.SetReporter(&reporter);
    TWsdlImporter importer(dm, tmp.filePath(QStringLiteral("out")));
    const QString file = tmp.filePath(QStringLiteral("src/Main.wsdl"));
    QCOMPARE(importError(importer, file), QString());
    QCOMPARE(query(dm, QStringLiteral("select CSVName, Name, DefinitionsName from Interfaces order by Kulcs")),
             (QStringList{QStringLiteral("Main MainPort MainDefs"), QStringLiteral("Main ExtraPort MainDefs")}));
    QCOMPARE(query(dm, QStringLiteral("select Name from Operations order by Kulcs")),
             (QStringList{QStringLiteral("GetOrder"), QStringLiteral("Ping")}));
    QCOMPARE(parameterRows(dm),
             (QStringList{QStringLiteral("1 parameters GetOrder complex complexContent"), QStringLiteral("2 KEY string simple -"),
                          QStringLiteral("2 QTY int simple -"), QStringLiteral("1 n int simple -")}));
    // The SOAP encoding schema is known: nothing is fetched and nothing said.
    QCOMPARE(reporter.warnings(), QStringList());
}

// The reading beyond the subset only turns errors into imports: documents
// that an import without it read keep every row of every table, as that
// import wrote them (ExpectedImportRows.txt, made with it).
void TestWsdlImport::documentsOfTheSubsetKeepTheirRows()
{
    QFile expectedFile(QStringLiteral(QUENBAR_SOURCE_DIR "/tests/workbench/ExpectedImportRows.txt"));
    QVERIFY(expectedFile.open(QIODevice::ReadOnly | QIODevice::Text));
    QMap<QString, QStringList> expected; // document -> "table: row" lines
    QStringList order;
    QString current;
    for (const QString &line : QString::fromUtf8(expectedFile.readAll()).split(u'\n', Qt::SkipEmptyParts)) {
        if (line.startsWith(QStringLiteral("== "))) {
            current = line.mid(3);
            order << current;
        } else {
            expected[current] << line;
        }
    }
    QVERIFY(order.size() >= 16);
    for (const QString &document : std::as_const(order)) {
        QTemporaryDir tmp;
        TDM dm;
        TWsdlImporter importer(dm, tmp.path());
        QCOMPARE(importError(importer, QStringLiteral(QUENBAR_SOURCE_DIR "/") + document), QString());
        QStringList rows;
        for (const char *table : {"Interfaces", "Operations", "InputsOutputs", "Parameters", "XDuplis"})
            for (const QString &row : query(dm, QStringLiteral("select * from %1 order by Kulcs").arg(QLatin1String(table))))
                rows << QLatin1String(table) + QStringLiteral(": ") + row;
        QVERIFY2(rows == expected.value(document), qPrintable(document));
    }
}

void TestWsdlImport::splitDocumentFailures_data()
{
    QTest::addColumn<TFiles>("files");
    QTest::addColumn<QString>("importing"); // the file the message names
    QTest::addColumn<QString>("expected");  // "@" stands for the folder
    QTest::addColumn<QStringList>("warnings");

    auto replaced = [](TFiles files, const QString &path, const QString &from, const QString &to) {
        for (auto &[name, text] : files)
            if (name == path) {
                Q_ASSERT(text.contains(from));
                text.replace(from, to);
            }
        return files;
    };
    const QString service = QStringLiteral("src/defs/Service.wsdl");
    const QString ordersImport = QStringLiteral("../../schemas/Orders.xsd");
    QTest::newRow("remote schema that an element needs")
        << replaced(splitService(), service, ordersImport, QStringLiteral("https://example.com/Orders.xsd"))
        << service
        << QStringLiteral("Type \"o:OrderRequest\" is not defined in the document or the local files it imports; it "
                          "belongs to the remote document \"https://example.com/Orders.xsd\", and remote documents are not fetched")
        << QStringList{QStringLiteral("Remote document \"https://example.com/Orders.xsd\" imported in file @/src/defs/Service.wsdl "
                                      "is not fetched: remote documents are never fetched")};
    QTest::newRow("remote WSDL that the messages are in")
        << replaced(splitService(), QStringLiteral("src/Main.wsdl"), QStringLiteral("location=\"defs/Service.wsdl\"/>"
                                                                                   "<wsdl:import namespace=\"urn:svc\" location=\"./defs/../defs/Service.wsdl\"/>"),
                    QStringLiteral("location=\"ftp://example.com/Service.wsdl\"/>"))
        << QStringLiteral("src/Main.wsdl")
        << QStringLiteral("Tag \"message\" doesn't exist: message \"s:GetOrderIn\" of operation \"GetOrder\" is not defined "
                          "in the document or the local files it imports; remote documents are not fetched "
                          "(\"ftp://example.com/Service.wsdl\")")
        << QStringList{QStringLiteral("Remote document \"ftp://example.com/Service.wsdl\" imported in file @/src/Main.wsdl "
                                      "is not fetched: remote documents are never fetched")};
    QTest::newRow("local schema missing")
        << replaced(splitService(), service, ordersImport, QStringLiteral("../../schemas/None.xsd")) << service
        << QStringLiteral("The imported document \"@/schemas/None.xsd\" (location \"../../schemas/None.xsd\") does not exist")
        << QStringList();
    QTest::newRow("included schema does not parse")
        << replaced(splitService(), QStringLiteral("schemas/common/Common.xsd"), QStringLiteral("</xsd:sequence>"),
                    QStringLiteral("</xsd:choice>"))
        << QStringLiteral("schemas/Orders.xsd")
        << QStringLiteral("The imported document \"@/schemas/common/Common.xsd\" cannot be read: No matching tag found for "
                          "</xsd:choice>!")
        << QStringList();
    QTest::newRow("imported file is no WSDL or schema")
        << replaced(splitService(), QStringLiteral("schemas/Orders.xsd"), QStringLiteral("<xsd:include"),
                    QStringLiteral("<xsd:include schemaLocation=\"../page.html\"/><xsd:include"))
                + TFiles{{QStringLiteral("page.html"), QStringLiteral("<html><body>moved</body></html>")}}
        << QStringLiteral("schemas/Orders.xsd")
        << QStringLiteral("The imported document \"@/page.html\" is neither a WSDL 1.1 document nor an XML schema "
                          "(its root element is \"html\")")
        << QStringList();
}

void TestWsdlImport::splitDocumentFailures()
{
    QFETCH(TFiles, files);
    QFETCH(QString, importing);
    QFETCH(QString, expected);
    QFETCH(QStringList, warnings);
    QTemporaryDir tmp;
    writeFiles(tmp.path(), files);
    TTestReporter reporter;
    TDM dm;
    dm.SetReporter(&reporter);
    TWsdlImporter importer(dm, tmp.filePath(QStringLiteral("out")));
    importer.ImportWsdlFile(writeFile(tmp.filePath(QStringLiteral("src/Shop.wsdl")), goodShop()));
    const QStringList before = snapshot(dm);
    const QString here = QDir::toNativeSeparators(tmp.path());
    QCOMPARE(importError(importer, tmp.filePath(QStringLiteral("src/Main.wsdl"))),
             inFile(QString(expected).replace(u'@', here), tmp.filePath(importing)));
    QCOMPARE(snapshot(dm), before);
    QStringList expectedWarnings;
    for (const QString &w : warnings)
        expectedWarnings << QString(w).replace(u'@', here);
    QCOMPARE(reporter.warnings(), expectedWarnings);
}

void TestWsdlImport::longImportChainWithoutRecursion()
{
    // 3,000 schemas, each including the next and defining one type that
    // extends the next one's: read breadth first, looked up by hash.
    constexpr int chain = 3000;
    QTemporaryDir tmp;
    for (int i = 0; i < chain; ++i) {
        QString content;
        if (i + 1 < chain)
            content = QStringLiteral("<xsd:include schemaLocation=\"s%1.xsd\"/>"
                                     "<xsd:complexType name=\"T%2\"><xsd:complexContent><xsd:extension base=\"tns:T%1\">"
                                     "<xsd:sequence><xsd:element name=\"m%2\" type=\"xsd:int\"/></xsd:sequence>"
                                     "</xsd:extension></xsd:complexContent></xsd:complexType>")
                          .arg(i + 1)
                          .arg(i);
        else
            content = QStringLiteral("<xsd:complexType name=\"T%1\"><xsd:sequence><xsd:element name=\"m%1\" type=\"xsd:int\"/>"
                                     "</xsd:sequence></xsd:complexType>")
                          .arg(i);
        // Written plainly: a safe write's sync for each of thousands of files costs seconds.
        writeBytes(tmp.filePath(QStringLiteral("s%1.xsd").arg(i)),
                   schema(QStringLiteral("targetNamespace=\"urn:c\" xmlns:tns=\"urn:c\""), content).toUtf8());
    }
    const QString file = writeFile(
        tmp.filePath(QStringLiteral("Chain.wsdl")),
        definitions(QStringLiteral("D"), QStringLiteral("urn:c"),
                    QStringLiteral("<wsdl:types><xsd:schema targetNamespace=\"urn:c\"><xsd:include schemaLocation=\"s0.xsd\"/>"
                                   "</xsd:schema></wsdl:types><wsdl:message name=\"In\"><wsdl:part name=\"t\" type=\"tns:T0\"/>"
                                   "</wsdl:message><wsdl:portType name=\"P\"><wsdl:operation name=\"Op\">"
                                   "<wsdl:input message=\"tns:In\"/></wsdl:operation></wsdl:portType>")));
    TDM dm;
    TWsdlImporter importer(dm, tmp.path());
    QCOMPARE(importError(importer, file), QString());
    const QStringList rows = parameterRows(dm);
    QCOMPARE(rows.size(), chain + 1);
    QCOMPARE(rows.first(), QStringLiteral("1 t T0 complex complexContent"));
    QCOMPARE(rows.at(1), QStringLiteral("2 m%1 int simple -").arg(chain - 1));
    QCOMPARE(rows.last(), QStringLiteral("2 m0 int simple -"));
}

void TestWsdlImport::duplicateQualifiers()
{
    // Simple rows are grouped under the message or the type they are in;
    // a complex-typed row's type is the qualifier of its members and of the
    // rows after it on its level; an element without a type takes the
    // message-level qualifier and turns it into its own name.
    const QString types = kCustomerTypes
                          + QStringLiteral("<xsd:complexType name=\"Order\"><xsd:sequence>"
                                           "<xsd:element name=\"BUYER\" type=\"tns:Customer\"/>"
                                           "<xsd:element name=\"QTY\" type=\"xsd:int\"/>"
                                           "<xsd:element name=\"EXTRA\"><xsd:complexType><xsd:sequence>"
                                           "<xsd:element name=\"NOTE\" type=\"xsd:string\"/></xsd:sequence></xsd:complexType>"
                                           "</xsd:element><xsd:element name=\"LAST\" type=\"xsd:int\"/>"
                                           "</xsd:sequence></xsd:complexType>");
    const QString doc = wsdl(
        types,
        QStringLiteral("<wsdl:message name=\"M1\"><wsdl:part name=\"CUSTNO\" type=\"xsd:int\"/>"
                       "<wsdl:part name=\"ORD\" type=\"tns:Order\"/><wsdl:part name=\"AFTER\" type=\"xsd:int\"/></wsdl:message>"
                       "<wsdl:message name=\"M2\"><wsdl:part name=\"custno\" type=\"xsd:int\"/></wsdl:message>"),
        QStringLiteral("<wsdl:operation name=\"Op\"><wsdl:input message=\"tns:M1\"/><wsdl:output message=\"tns:M2\"/>"
                       "<wsdl:fault message=\"tns:M1\"/></wsdl:operation>"));
    QTemporaryDir tmp;
    const QString file = writeFile(tmp.filePath(QStringLiteral("Shop.wsdl")), doc);
    TDM dm;
    TWsdlImporter importer(dm, tmp.path());
    QCOMPARE(importError(importer, file), QString());
    const QString groups = QStringLiteral("select p.LevelX, p.Name, d.Kulcs, d.QualifierName, d.OwnName from Parameters p "
                                          "join XDuplis d on d.Kulcs = p.DupliCheck where p.UpPointer = %1 order by p.Kulcs");
    const QStringList m1{QStringLiteral("1 CUSTNO 1 M1 CUSTNO"),   QStringLiteral("1 ORD 2 - ORD"),
                         QStringLiteral("2 BUYER 3 - BUYER"),      QStringLiteral("3 CUSTNO 4 Customer CUSTNO"),
                         QStringLiteral("3 NAME 5 Customer NAME"), QStringLiteral("2 QTY 6 Customer QTY"),
                         QStringLiteral("2 EXTRA 7 - EXTRA"),      QStringLiteral("3 NOTE 8 EXTRA NOTE"),
                         QStringLiteral("2 LAST 9 Customer LAST"), QStringLiteral("1 AFTER 10 EXTRA AFTER")};
    // Complex-typed groups have no qualifier.
    QCOMPARE(query(dm, QStringLiteral("select count(*) from XDuplis where QualifierName is null")), QStringList{"3"});
    QCOMPARE(query(dm, groups.arg(1)), m1);
    // Another message's parameter of the same name (in any case) is a group
    // of its own; the same message again reuses its groups.
    QCOMPARE(query(dm, groups.arg(2)), QStringList{QStringLiteral("1 custno 11 M2 custno")});
    QCOMPARE(query(dm, groups.arg(3)), m1);
    QCOMPARE(count(dm, QStringLiteral("XDuplis")), 11);

    // A re-import finds the same groups again.
    QCOMPARE(importError(importer, file), QString());
    QCOMPARE(count(dm, QStringLiteral("XDuplis")), 11);
    QCOMPARE(query(dm, QStringLiteral("select group_concat(DupliCheck) from (select DupliCheck from Parameters order by Kulcs)")),
             QStringList{QStringLiteral("1,2,3,4,5,6,7,8,9,10,11,1,2,3,4,5,6,7,8,9,10")});
}

void TestWsdlImport::messageDefinedTwiceTakesTheFirst()
{
    // GetIn is defined three times and used by both operations, GetOut twice:
    // the rows come from the first definitions, and each name is reported
    // once per document, on the repository's reporter (the status bar).
    const QString doc = wsdl(
        QString(),
        QStringLiteral("<wsdl:message name=\"GetIn\"><wsdl:part name=\"FIRST\" type=\"xsd:int\"/>"
                       "<wsdl:part name=\"SECOND\" type=\"xsd:string\"/></wsdl:message>"
                       "<wsdl:message name=\"GetIn\"><wsdl:part name=\"LATER\" type=\"xsd:int\"/></wsdl:message>"
                       "<wsdl:message name=\"GetOut\"><wsdl:part name=\"RESULT\" type=\"xsd:short\"/></wsdl:message>"
                       "<wsdl:message name=\"GetOut\"/>"
                       "<wsdl:message name=\"GetIn\"><wsdl:part name=\"LAST\" type=\"xsd:int\"/></wsdl:message>"),
        QStringLiteral("<wsdl:operation name=\"Get\"><wsdl:input message=\"tns:GetIn\"/>"
                       "<wsdl:output message=\"tns:GetOut\"/></wsdl:operation>"
                       "<wsdl:operation name=\"Put\"><wsdl:input message=\"tns:GetIn\"/></wsdl:operation>"));
    QTemporaryDir tmp;
    const QString file = writeFile(tmp.filePath(QStringLiteral("Shop.wsdl")), doc);
    TTestReporter reporter;
    TDM dm;
    dm.SetReporter(&reporter);
    TWsdlImporter importer(dm, tmp.path());
    QCOMPARE(importError(importer, file), QString());
    QCOMPARE(query(dm, QStringLiteral("select o.Name, m.TypeX, m.Name, p.LevelX, p.Name, p.TypeX from Parameters p "
                                      "join InputsOutputs m on m.Kulcs = p.UpPointer "
                                      "join Operations o on o.Kulcs = m.UpPointer order by p.Kulcs")),
             (QStringList{QStringLiteral("Get input GetIn 1 FIRST int"), QStringLiteral("Get input GetIn 1 SECOND string"),
                          QStringLiteral("Get output GetOut 1 RESULT short"), QStringLiteral("Put input GetIn 1 FIRST int"),
                          QStringLiteral("Put input GetIn 1 SECOND string")}));
    const QString where = QStringLiteral(" in file ") + QDir::toNativeSeparators(file);
    const QStringList warnings{
        QStringLiteral("Message \"GetIn\" is defined more than once") + where + QStringLiteral(": the first definition is imported"),
        QStringLiteral("Message \"GetOut\" is defined more than once") + where + QStringLiteral(": the first definition is imported")};
    QCOMPARE(reporter.texts(TTestReporter::TMessage::Warning), warnings);

    // Each import of the document reports again; a reporter of the import's
    // own takes the place of the repository's.
    TTestReporter own;
    importer.SetReporter(&own);
    QCOMPARE(importError(importer, file), QString());
    QCOMPARE(own.texts(TTestReporter::TMessage::Warning), warnings);
    QCOMPARE(reporter.texts(TTestReporter::TMessage::Warning), warnings);
    QCOMPARE(count(dm, QStringLiteral("Parameters")), 5);
}

void TestWsdlImport::reimportReplacesByBaseName()
{
    QTemporaryDir tmp;
    const QString first = writeFile(tmp.filePath(QStringLiteral("a/Shop.wsdl")), goodShop());
    TDM dm;
    TWsdlImporter importer(dm, tmp.path());
    importer.ImportWsdlFile(first);
    const QStringList once = query(dm, QStringLiteral("select count(*) from Parameters union all "
                                                      "select count(*) from InputsOutputs union all "
                                                      "select count(*) from Operations"));
    QCOMPARE(once, (QStringList{"8", "4", "2"}));

    // The same base name from another folder replaces the interface.
    const QString moved = writeFile(tmp.filePath(QStringLiteral("b/Shop.wsdl")),
                                    oneMessage(QString(), QStringLiteral("<wsdl:part name=\"X\" type=\"xsd:int\"/>")));
    importer.ImportWsdlFile(moved);
    QCOMPARE(query(dm, QStringLiteral("select Kulcs, CSVName from Interfaces")), QStringList{QStringLiteral("1 Shop")});
    QCOMPARE(parameterRows(dm), QStringList{QStringLiteral("1 X int simple -")});
    QCOMPARE(query(dm, QStringLiteral("select Kulcs, InterfacesKulcs from Operations")), QStringList{"1 1"});

    // Another base name adds a second interface; a dotted name keeps its dots.
    importer.ImportWsdlFile(writeFile(tmp.filePath(QStringLiteral("Shop.v2.wsdl")), goodShop()));
    QCOMPARE(query(dm, QStringLiteral("select CSVName from Interfaces order by Kulcs")),
             (QStringList{QStringLiteral("Shop"), QStringLiteral("Shop.v2")}));
    QCOMPARE(count(dm, QStringLiteral("Parameters")), 9);
    QCOMPARE(query(dm, QStringLiteral("select count(*) from Parameters where InterfacesKulcs = 2")), QStringList{"8"});
}

void TestWsdlImport::overLongNamesAreCut()
{
    const QString longName = QString(150, u'N');
    const QString longType = QStringLiteral("T") + QString(149, u't');
    const QString types = QStringLiteral("<xsd:complexType name=\"%1\"><xsd:sequence>"
                                         "<xsd:element name=\"%2\" type=\"xsd:int\"/></xsd:sequence></xsd:complexType>")
                              .arg(longType, longName);
    QString doc = oneMessage(types, QStringLiteral("<wsdl:part name=\"%1\" type=\"tns:%2\"/>").arg(longName, longType));
    doc.replace(QStringLiteral("name=\"ShopDefs\""), QStringLiteral("name=\"%1\"").arg(QString(50, u'D')));
    doc.replace(QStringLiteral("<wsdl:input message"), QStringLiteral("<wsdl:inputWithAVeryLongElementName message"));
    QTemporaryDir tmp;
    const QString baseName = QString(60, u'F');
    const QString file = writeFile(tmp.filePath(baseName + QStringLiteral(".wsdl")), doc);
    TDM dm;
    TWsdlImporter importer(dm, tmp.path());
    QCOMPARE(importError(importer, file), QString());
    QCOMPARE(query(dm, QStringLiteral("select CSVName, DefinitionsName from Interfaces")),
             QStringList{QString(40, u'F') + u' ' + QString(30, u'D')});
    QCOMPARE(query(dm, QStringLiteral("select TypeX from InputsOutputs")), QStringList{QStringLiteral("inputWithAVeryLongEl")});
    const QString name100(100, u'N');
    const QString type100 = longType.left(100);
    QCOMPARE(parameterRows(dm), (QStringList{QStringLiteral("1 %1 %2 complex sequence").arg(name100, type100),
                                             QStringLiteral("2 %1 int simple -").arg(name100)}));
    // The member's group is qualified by the type name as stored.
    QCOMPARE(query(dm, QStringLiteral("select QualifierName, OwnName from XDuplis order by Kulcs")),
             (QStringList{QStringLiteral("- ") + name100, type100 + u' ' + name100}));
    // The cut base name still finds the interface to replace.
    QCOMPARE(importError(importer, file), QString());
    QCOMPARE(count(dm, QStringLiteral("Interfaces")), 1);
    QCOMPARE(count(dm, QStringLiteral("Parameters")), 2);
}

void TestWsdlImport::demoDocumentsImport_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QStringList>("expected");
    QTest::newRow("CustomerAccounts")
        << QStringLiteral("CustomerAccounts.wsdl")
        << QStringList{QStringLiteral("1 CUSTNO int simple -"),
                       QStringLiteral("1 CUSTOMER Customer complex sequence"),
                       QStringLiteral("2 CUSTNO int simple -"),
                       QStringLiteral("2 NAME string simple -"),
                       QStringLiteral("2 ADDRESS Address complex sequence"),
                       QStringLiteral("3 STREET string simple -"),
                       QStringLiteral("3 CITY string simple -"),
                       QStringLiteral("3 ZIPCODE string simple -"),
                       QStringLiteral("1 RETCODE short simple -"),
                       QStringLiteral("1 CUSTNO int simple -"),
                       QStringLiteral("1 INVOICES ArrayOfInvoiceNo complex complexContent"),
                       QStringLiteral("2 item[] string simple - array")};
    QTest::newRow("StockLedger") << QStringLiteral("StockLedger.wsdl")
                                 << QStringList{QStringLiteral("1 ITEM StockItem complex sequence"),
                                                QStringLiteral("2 ITEMNO string simple -"),
                                                QStringLiteral("2 QUANTITY decimal simple -"),
                                                QStringLiteral("2 WAREHOUSE string simple -"),
                                                QStringLiteral("1 MOVEDATE date simple -"),
                                                QStringLiteral("1 RETCODE short simple -")};
}

void TestWsdlImport::demoDocumentsImport()
{
    QFETCH(QString, file);
    QFETCH(QStringList, expected);
    QTemporaryDir tmp;
    TDM dm;
    TWsdlImporter importer(dm, tmp.path());
    const QString path = QStringLiteral(QUENBAR_EXAMPLES_DIR "/demo/sources/") + file;
    QCOMPARE(importError(importer, path), QString());
    QCOMPARE(parameterRows(dm), expected);
    QCOMPARE(query(dm, QStringLiteral("select CSVName from Interfaces")), QStringList{QFileInfo(file).completeBaseName()});
}

void TestWsdlImport::failuresLeaveRepositoryUnchanged_data()
{
    QTest::addColumn<QByteArray>("document");
    QTest::addColumn<QString>("expected"); // without the file name
    auto row = [](const char *name, const QString &doc, const QString &message) {
        QTest::newRow(name) << doc.toUtf8() << message;
    };
    const QString get = QStringLiteral("<wsdl:operation name=\"Get\"><wsdl:input message=\"tns:GetIn\"/></wsdl:operation>");
    const QString getIn = QStringLiteral("<wsdl:message name=\"GetIn\"><wsdl:part name=\"A\" type=\"xsd:int\"/></wsdl:message>");

    row("message missing in the second operation",
        wsdl(QString(), getIn, get + QStringLiteral("<wsdl:operation name=\"Put\"><wsdl:input message=\"tns:PutIn\"/></wsdl:operation>")),
        QStringLiteral("Tag \"message\" doesn't exist: message \"tns:PutIn\" of operation \"Put\" is not defined in the "
                       "document or the local files it imports"));
    row("element part without types",
        oneMessage(QString(), QStringLiteral("<wsdl:part name=\"p\" element=\"tns:E\"/>")),
        QStringLiteral("Tag types has no children! (element \"tns:E\" of message \"In\" is not defined in the document "
                       "or the local files it imports)"));
    row("element part not defined",
        oneMessage(kCustomerTypes, QStringLiteral("<wsdl:part name=\"p\" element=\"tns:E\"/>")),
        QStringLiteral("Tag \"element\" doesn't exist: element \"tns:E\" of message \"In\" is not defined in the "
                       "document or the local files it imports"));
    row("unknown construct",
        oneMessage(QStringLiteral("<xsd:complexType name=\"Derived\"><xsd:complexContent><xsd:sequence/>"
                                  "</xsd:complexContent></xsd:complexType>"),
                   QStringLiteral("<wsdl:part name=\"A\" type=\"xsd:int\"/><wsdl:part name=\"D\" type=\"tns:Derived\"/>")),
        QStringLiteral("Unknown construct in complexType name = \"Derived\" "));
    row("array without its attribute",
        oneMessage(QStringLiteral("<xsd:complexType name=\"L\"><xsd:complexContent><xsd:restriction base=\"soapenc:Array\"/>"
                                  "</xsd:complexContent></xsd:complexType>"),
                   QStringLiteral("<wsdl:part name=\"l\" type=\"tns:L\"/>")),
        QStringLiteral("Tag xsd:restriction has no children!"));
    row("no definitions", QStringLiteral("<portType name=\"P\"/>"),
        QStringLiteral("Tag \"definitions\" doesn't exist: the document is not WSDL 1.1 (its root element is \"portType\")"));
    row("WSDL 2.0", QStringLiteral("<description xmlns=\"http://www.w3.org/ns/wsdl\"><interface name=\"I\"/></description>"),
        QStringLiteral("Tag \"definitions\" doesn't exist: the document is WSDL 2.0 (\"description\"), which is not imported"));
    row("bare schema", QStringLiteral("<xs:schema xmlns:xs=\"http://www.w3.org/2001/XMLSchema\"><xs:element name=\"E\"/></xs:schema>"),
        QStringLiteral("Tag \"definitions\" doesn't exist: the document is an XML schema, not a WSDL 1.1 document"));
    row("no port type", QStringLiteral("<definitions name=\"D\"><message name=\"M\"/></definitions>"),
        QStringLiteral("Tag \"portType\" doesn't exist: the document defines no port type"));
    row("empty file", QString(), QStringLiteral("Tag \"definitions\" doesn't exist: the document holds no elements"));
    row("mismatched end tag", QStringLiteral("<definitions><portType name=\"P\"></types></definitions>"),
        QStringLiteral("No matching tag found for </types>!"));
    row("cut off after an element",
        goodShop().left(goodShop().indexOf(QStringLiteral("</wsdl:operation>")) + 17),
        QStringLiteral("The document is incomplete: the end tag of \"wsdl:definitions\" is missing"));
    {
        QString chain;
        for (int i = 1; i <= 150; ++i)
            chain += QStringLiteral("<xsd:complexType name=\"T%1\"><xsd:sequence><xsd:element name=\"e\" type=\"tns:T%2\"/>"
                                    "</xsd:sequence></xsd:complexType>")
                         .arg(i)
                         .arg(i + 1);
        row("types nested too deep", oneMessage(chain, QStringLiteral("<wsdl:part name=\"t\" type=\"tns:T1\"/>")),
            QStringLiteral("Types are nested more than 100 levels deep"));
    }
    {
        QString open;
        QString close;
        for (int i = 0; i < 120; ++i) {
            open += QStringLiteral("<xsd:element name=\"L%1\"><xsd:complexType><xsd:sequence>").arg(i);
            close += QStringLiteral("</xsd:sequence></xsd:complexType></xsd:element>");
        }
        row("anonymous types nested too deep",
            oneMessage(open + close, QStringLiteral("<wsdl:part name=\"p\" element=\"tns:L0\"/>")),
            QStringLiteral("Types are nested more than 100 levels deep"));
    }
    {
        // Ten members of the next type, six levels down: a million rows from
        // a few lines; the guard stops it (at 1000 rows here).
        QString fan;
        for (int i = 0; i < 6; ++i) {
            fan += QStringLiteral("<xsd:complexType name=\"F%1\"><xsd:sequence>").arg(i);
            for (int k = 0; k < 10; ++k)
                fan += QStringLiteral("<xsd:element name=\"m%1\" type=\"tns:F%2\"/>").arg(k).arg(i + 1);
            fan += QStringLiteral("</xsd:sequence></xsd:complexType>");
        }
        row("expanding into too many rows", oneMessage(fan, QStringLiteral("<wsdl:part name=\"f\" type=\"tns:F0\"/>")),
            QStringLiteral("The document expands into more than 1000 parameter rows"));
    }
}

void TestWsdlImport::failuresLeaveRepositoryUnchanged()
{
    QFETCH(QByteArray, document);
    QFETCH(QString, expected);
    QTemporaryDir tmp;
    TDM dm;
    TWsdlImporter importer(dm, tmp.path());
    importer.SetMaxParameterRows(1000);
    importer.ImportWsdlFile(writeFile(tmp.filePath(QStringLiteral("good/Shop.wsdl")), goodShop()));
    importer.ImportWsdlFile(writeFile(tmp.filePath(QStringLiteral("good/Other.wsdl")), goodShop()));
    const QStringList before = snapshot(dm);
    QCOMPARE(before.size(), 2 + 4 + 8 + 16 + 4);

    const QString bad = writeBytes(tmp.filePath(QStringLiteral("bad/Shop.wsdl")), document);
    QCOMPARE(importError(importer, bad), inFile(expected, bad));
    QVERIFY(!dm.Importing());
    QCOMPARE(snapshot(dm), before);
    // The tables read the file again: the earlier interface is there to browse.
    QVERIFY(dm.TableInterfaces().LocateByName(QStringLiteral("ShopPort")));
    QCOMPARE(dm.TableOperations().RecordCount(), 2);
    // The repository stays usable: the next import works.
    importer.ImportWsdlFile(writeFile(tmp.filePath(QStringLiteral("bad/Third.wsdl")), goodShop()));
    QCOMPARE(count(dm, QStringLiteral("Interfaces")), 3);
}

void TestWsdlImport::truncatedAnywhereFails()
{
    // Cut at any point before the root's end tag, the document is refused
    // as a whole, never imported in part.
    QTemporaryDir tmp;
    TDM dm;
    TWsdlImporter importer(dm, tmp.path());
    const QByteArray full = goodShop().toUtf8();
    importer.ImportWsdlFile(writeBytes(tmp.filePath(QStringLiteral("Shop.wsdl")), full));
    const QStringList before = snapshot(dm);
    const qsizetype end = full.lastIndexOf("</wsdl:definitions>");
    for (qsizetype cut = 0; cut < end + 18; cut += 13) {
        const QString file = writeBytes(tmp.filePath(QStringLiteral("cut/Shop.wsdl")), full.left(cut));
        const QString error = importError(importer, file);
        QVERIFY2(error.endsWith(QStringLiteral(" in file ") + QDir::toNativeSeparators(file)),
                 qPrintable(QStringLiteral("cut at %1: %2").arg(cut).arg(error)));
        QCOMPARE(snapshot(dm), before);
    }
    // With its end tag (and a comment after it) the document imports again.
    const QString whole = writeBytes(tmp.filePath(QStringLiteral("cut/Shop.wsdl")), full + "<!-- end -->\r\n");
    QCOMPARE(importError(importer, whole), QString());
}

void TestWsdlImport::binaryFileFails()
{
    QTemporaryDir tmp;
    TDM dm;
    TWsdlImporter importer(dm, tmp.path());
    QRandomGenerator random(20240601);
    for (int round = 0; round < 20; ++round) {
        QByteArray bytes(4096 + round * 997, Qt::Uninitialized);
        for (char &c : bytes)
            c = char(random.bounded(256));
        // Markup characters now and then, so that the reader gets far.
        for (qsizetype i = 0; i < bytes.size(); i += 1 + qsizetype(random.bounded(40)))
            bytes[i] = "<>/=\"?!"[random.bounded(7)];
        const QString file = writeBytes(tmp.filePath(QStringLiteral("Shop.wsdl")), bytes);
        const QString error = importError(importer, file);
        QVERIFY2(error.endsWith(QStringLiteral(" in file ") + QDir::toNativeSeparators(file)), qPrintable(error));
        QVERIFY(!error.startsWith(QStringLiteral("<other error>")));
        QCOMPARE(count(dm, QStringLiteral("Interfaces")), 0);
    }
}

void TestWsdlImport::missingFileFails()
{
    QTemporaryDir tmp;
    TDM dm;
    TWsdlImporter importer(dm, tmp.path());
    importer.ImportWsdlFile(writeFile(tmp.filePath(QStringLiteral("Shop.wsdl")), goodShop()));
    const QStringList before = snapshot(dm);
    const QString missing = tmp.filePath(QStringLiteral("gone/Shop.wsdl"));
    QString error;
    try {
        importer.ImportWsdlFile(missing);
    } catch (const EFileError &e) {
        error = e.message();
    }
    QVERIFY2(error.startsWith(QStringLiteral("Can not open file ") + missing), qPrintable(error));
    QCOMPARE(snapshot(dm), before);
    QVERIFY(!dm.Importing());
}

void TestWsdlImport::deepMarkupIsSkippedWithoutRecursion()
{
    // Deep markup the import does not read (a documentation element of a
    // message) is stepped over, however deep.
    QString deep;
    for (int i = 0; i < 50000; ++i)
        deep += QStringLiteral("<d>");
    deep += QStringLiteral("x");
    for (int i = 0; i < 50000; ++i)
        deep += QStringLiteral("</d>");
    QTemporaryDir tmp;
    const QString file = writeFile(
        tmp.filePath(QStringLiteral("Deep.wsdl")),
        oneMessage(kCustomerTypes, QStringLiteral("<wsdl:documentation>") + deep
                                       + QStringLiteral("</wsdl:documentation><wsdl:part name=\"C\" type=\"tns:Customer\"/>")));
    TDM dm;
    TWsdlImporter importer(dm, tmp.path());
    QCOMPARE(importError(importer, file), QString());
    QCOMPARE(parameterRows(dm), (QStringList{QStringLiteral("1 C Customer complex sequence"),
                                             QStringLiteral("2 CUSTNO int simple -"), QStringLiteral("2 NAME string simple -")}));
}

void TestWsdlImport::stopRequestRollsBack()
{
    // The import counts its operations on the progress; a stop request
    // (Ctrl-C in the command-line tool) ends it silently at the next step.
    QTemporaryDir tmp;
    TConsoleProgress progress(false);
    TDM dm;
    TWsdlImporter importer(dm, tmp.path(), &progress);
    importer.ImportWsdlFile(writeFile(tmp.filePath(QStringLiteral("Shop.wsdl")), goodShop()));
    QCOMPARE(progress.Maximum(), 2);
    QCOMPARE(progress.Value(), 2);
    const QStringList before = snapshot(dm);

    importer.SetOperationObserver([&](int done, int) {
        if (done == 1)
            progress.RequestStop();
    });
    const QString second = writeFile(tmp.filePath(QStringLiteral("new/Shop.wsdl")), twoOperationShop());
    QVERIFY_THROWS_EXCEPTION(EAbort, importer.ImportWsdlFile(second));
    QVERIFY(!progress.StopRequested());
    QVERIFY(!dm.Importing());
    QCOMPARE(snapshot(dm), before);
}

void TestWsdlImport::killedImportLeavesEarlierInterface_data()
{
    QTest::addColumn<bool>("bulk");
    QTest::addColumn<QString>("inFlight"); // what the transaction has written meanwhile
    QTest::newRow("rollback journal") << false << QStringLiteral("ParadoxDB/Interfaces.db-journal");
    // A run's commits wait for no disk; a killed run keeps every one of them.
    QTest::newRow("run of imports") << true << QStringLiteral("ParadoxDB/Interfaces.db-wal");
}

void TestWsdlImport::killedImportLeavesEarlierInterface()
{
    QFETCH(bool, bulk);
    QFETCH(QString, inFlight);
    QTemporaryDir tmp;
    const QString other = writeFile(tmp.filePath(QStringLiteral("Other.wsdl")),
                                    QString(goodShop()).replace(QStringLiteral("CUSTNO"), QStringLiteral("ID")));
    const QStringList before = [&] {
        TDM dm;
        TWsdlImporter importer(dm, tmp.path());
        importer.ImportWsdlFile(writeFile(tmp.filePath(QStringLiteral("Shop.wsdl")), goodShop()));
        return snapshot(dm);
    }();
    QCOMPARE(before.size(), 1 + 2 + 4 + 8 + 4);
    // What the repository holds once "Other" is in, as a plain import leaves it.
    QTemporaryDir copy;
    QVERIFY(QDir().mkpath(copy.filePath(QStringLiteral("ParadoxDB"))));
    QVERIFY(QFile::copy(tmp.filePath(QStringLiteral("ParadoxDB/Interfaces.db")),
                        copy.filePath(QStringLiteral("ParadoxDB/Interfaces.db"))));
    const QStringList expected = [&] {
        TDM dm;
        TWsdlImporter importer(dm, copy.path());
        importer.ImportWsdlFile(other);
        return snapshot(dm);
    }();

    const QString next = writeFile(tmp.filePath(QStringLiteral("next/Shop.wsdl")),
                                   QString(goodShop()).replace(QStringLiteral("CUSTNO"), QStringLiteral("KEY")));
    QProcess child;
    child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    child.start(QCoreApplication::applicationFilePath(),
                {QStringLiteral("--import-and-hold"), bulk ? QStringLiteral("bulk") : QStringLiteral("plain"), tmp.path(),
                 other, next});
    QVERIFY(child.waitForStarted());
    QByteArray output;
    while (!output.contains("ready\n") && child.waitForReadyRead(120000))
        output += child.readAllStandardOutput();
    QVERIFY2(output.contains("ready\n"), output.constData());
    // Mid-transaction: the old interface is deleted and new rows written.
    QVERIFY(QFileInfo::exists(tmp.filePath(inFlight)));
    child.kill();
    QVERIFY(child.waitForFinished());

    {
        TDM dm;
        QVERIFY(dm.OpenRepository(tmp.filePath(QStringLiteral("ParadoxDB")), false));
        QCOMPARE(query(dm, QStringLiteral("PRAGMA integrity_check")), QStringList{QStringLiteral("ok")});
        QCOMPARE(snapshot(dm), expected);
        // Opened outside a run, the file is back on its rollback journal.
        QCOMPARE(query(dm, QStringLiteral("PRAGMA journal_mode")), QStringList{QStringLiteral("delete")});
    }
    QVERIFY(!QFileInfo::exists(tmp.filePath(QStringLiteral("ParadoxDB/Interfaces.db-wal"))));
}

void TestWsdlImport::repositoryErrorIsReported()
{
    // A file where the repository folder should be: the repository's own
    // error, before anything is read.
    QTemporaryDir tmp;
    writeFile(tmp.filePath(QStringLiteral("ParadoxDB")), QStringLiteral("not a folder"));
    TDM dm;
    TWsdlImporter importer(dm, tmp.path());
    QString error;
    try {
        importer.ImportWsdlFile(writeFile(tmp.filePath(QStringLiteral("Shop.wsdl")), goodShop()));
    } catch (const EDatabaseError &e) {
        error = e.message();
    }
    QVERIFY2(error.startsWith(QStringLiteral("Error in Table Creation")), qPrintable(error));
    QVERIFY(!dm.Importing());
}

void TestWsdlImport::batchWritesWhatTheTablesWrite()
{
    // The same rows through the tables and through the import's bulk path,
    // after rows already there (keys go on from the highest): equal files.
    struct TRow
    {
        QString name;
        QString type;
        bool simple;
        int level;
        QString sequence;
        bool array;
    };
    const QList<TRow> rows{
        {QStringLiteral("CUSTNO"), QStringLiteral("int"), true, 1, QString(), false},
        {QStringLiteral("Cust"), QStringLiteral("Customer"), false, 1, QStringLiteral("sequence"), false},
        {QStringLiteral("custno"), QStringLiteral("int"), true, 2, QString(), false},
        {QString::fromUtf8("árvíztűrő"), QStringLiteral("string"), true, 2, QString(), false},
        {QString::fromUtf8("ÁRVÍZTŰRŐ"), QStringLiteral("string"), true, 2, QString(), false},
        {QStringLiteral("item[]"), QString(120, u'I'), false, 2, QStringLiteral("complexContent"), true},
        {QString(130, u'x'), QStringLiteral("int"), true, 3, QString(), false},
        {QStringLiteral("LAST"), QStringLiteral("int"), true, 1, QString(), false},
    };
    auto prepare = [](TDM &dm) {
        dm.TableInterfaces().Insert({{QStringLiteral("Name"), QStringLiteral("Old")}, {QStringLiteral("CSVName"), QStringLiteral("old")}});
        dm.TableOperations().Insert({{QStringLiteral("Name"), QStringLiteral("OldOp")}});
        dm.TableInputsOutputs().Insert({{QStringLiteral("Name"), QStringLiteral("OldIn")}, {QStringLiteral("TypeX"), QStringLiteral("input")}});
        QString q = QStringLiteral("OldIn");
        TRepositoryTable &p = dm.TableParameters();
        p.Insert();
        p.SetFieldValue(QStringLiteral("Name"), QStringLiteral("CUSTNO"));
        p.SetFieldValue(QStringLiteral("XS_Type"), true);
        p.SetFieldValue(QStringLiteral("DupliCheck"), dm.DuplicateKey(q));
        p.Post();
    };
    const QString longCsv = QString(45, u'C');

    QTemporaryDir tablesDir;
    TDM viaTables;
    viaTables.OpenRepository(tablesDir.path(), false);
    prepare(viaTables);
    viaTables.SetImporting(true);
    viaTables.TableInterfaces().Insert({{QStringLiteral("CSVName"), longCsv},
                                        {QStringLiteral("Name"), QStringLiteral("Shop")},
                                        {QStringLiteral("DefinitionsName"), QString(35, u'D')}});
    viaTables.TableOperations().Insert({{QStringLiteral("Name"), QStringLiteral("Op")}});
    viaTables.TableInputsOutputs().Insert({{QStringLiteral("TypeX"), QString(25, u'o')}, {QStringLiteral("Name"), QStringLiteral("In")}});
    QString qualifier = QStringLiteral("In");
    for (const TRow &r : rows) {
        TRepositoryTable &p = viaTables.TableParameters();
        p.Insert();
        p.SetFieldValue(QStringLiteral("Name"), r.name);
        p.SetFieldValue(QStringLiteral("TypeX"), r.type);
        p.SetFieldValue(QStringLiteral("UpPointer"), viaTables.TableInputsOutputs().Kulcs());
        p.SetFieldValue(QStringLiteral("LevelX"), r.level);
        p.SetFieldValue(QStringLiteral("XS_Type"), r.simple);
        p.SetFieldValue(QStringLiteral("XS_Array"), r.array);
        if (!r.sequence.isEmpty())
            p.SetFieldValue(QStringLiteral("SequenceType"), r.sequence);
        p.SetFieldValue(QStringLiteral("DupliCheck"), viaTables.DuplicateKey(qualifier));
        p.Post();
    }
    viaTables.SetImporting(false);

    QTemporaryDir batchDir;
    TDM viaBatch;
    viaBatch.OpenRepository(batchDir.path(), false);
    prepare(viaBatch);
    QVERIFY_THROWS_EXCEPTION(EDatabaseError, TRepositoryBatch{viaBatch}); // outside a transaction
    {
        TRepositoryTransaction tx(viaBatch);
        TRepositoryBatch batch(viaBatch);
        batch.AddInterface(longCsv, QStringLiteral("Shop"), QString(35, u'D'));
        batch.AddOperation(QStringLiteral("Op"));
        batch.AddInputOutput(QString(25, u'o'), QStringLiteral("In"));
        QString q = QStringLiteral("In");
        for (const TRow &r : rows) {
            TRepositoryBatch::TParameterRow row;
            row.name = r.name;
            row.typeX = r.type;
            row.levelX = r.level;
            row.xsType = r.simple;
            row.xsArray = r.array;
            row.sequenceType = r.sequence;
            row.dupliCheck = batch.DuplicateKey(row, q);
            batch.AddParameter(row);
        }
        QCOMPARE(q, qualifier);
        QCOMPARE(batch.ParameterRows(), qint64(rows.size()));
        tx.Commit();
        batch.Finish();
    }
    QCOMPARE(snapshot(viaBatch), snapshot(viaTables));
    // Both leave the tables on the same rows.
    for (const char *table : {"Interfaces", "Operations", "InputsOutputs", "Parameters", "XDuplis"})
        QCOMPARE(viaBatch.TableByName(QLatin1String(table))->Kulcs(), viaTables.TableByName(QLatin1String(table))->Kulcs());
}

void TestWsdlImport::foldsOfOtherWritersAreRepaired_data()
{
    QTest::addColumn<bool>("closedMeanwhile");
    QTest::newRow("written while the repository is open") << false;
    QTest::newRow("written while it is closed") << true;
}

void TestWsdlImport::foldsOfOtherWritersAreRepaired()
{
    // Another program spoils the fold columns the groups are found by; the
    // next import's open repairs them, so the groups are found, not doubled.
    QFETCH(bool, closedMeanwhile);
    QTemporaryDir tmp;
    const QString file = writeFile(tmp.filePath(QStringLiteral("Shop.wsdl")), goodShop());
    TDM dm;
    TWsdlImporter importer(dm, tmp.path());
    importer.ImportWsdlFile(file);
    QCOMPARE(count(dm, QStringLiteral("XDuplis")), 4);
    if (closedMeanwhile)
        dm.CloseRepository();
    {
        QSqlDatabase other = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("otherWriter"));
        other.setDatabaseName(tmp.filePath(QStringLiteral("ParadoxDB/Interfaces.db")));
        QVERIFY(other.open());
        QSqlQuery q(other);
        QVERIFY2(q.exec(QStringLiteral("update XDuplis set OwnNameFold = 'SPOILT' || Kulcs")), qPrintable(q.lastError().text()));
        q.finish();
        other.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("otherWriter"));
    importer.ImportWsdlFile(file);
    QCOMPARE(count(dm, QStringLiteral("XDuplis")), 4);
    QCOMPARE(query(dm, QStringLiteral("select count(*) from XDuplis where OwnNameFold like 'SPOILT%'")), QStringList{"0"});
}

int main(int argc, char *argv[])
{
    if (argc >= 5 && qstrcmp(argv[1], "--import-and-hold") == 0) {
        QCoreApplication app(argc, argv);
        QStringList files;
        for (int i = 4; i < argc; ++i)
            files << QString::fromLocal8Bit(argv[i]);
        return importAndHold(QString::fromLocal8Bit(argv[3]), files, qstrcmp(argv[2], "bulk") == 0);
    }
    QCoreApplication app(argc, argv);
    TestWsdlImport test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_wsdlimport.moc"
