// Runs quenbar-cli as a process, without a display, on temporary repositories.
#include "QuenbarDB.h"
#include "TestFiles.h"
#include "WsdlTestDocuments.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QThread>
#include <QtTest>

#include <algorithm>
#include <csignal>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const QString kCli = QStringLiteral(QUENBAR_CLI_BINARY);
const QString kGui = QStringLiteral(QUENBAR_BINARY);
const QString kExamples = QStringLiteral(QUENBAR_EXAMPLES_DIR);
const QString kCorpus = QStringLiteral(QUENBAR_WSDL_CORPUS_DIR);

struct TRun
{
    bool finished = false;
    int exitCode = -1;
    QByteArray out;
    QString err;
};

// The demo's WSDL files and the corpus files of other base names: six
// interfaces, each file its own.
QStringList sampleFiles()
{
    QStringList files;
    QStringList bases;
    const QDir demo(kExamples + "/demo/sources");
    for (const QString &name : demo.entryList({"*.wsdl"}, QDir::Files, QDir::Name)) {
        files << demo.filePath(name);
        bases << QFileInfo(name).completeBaseName();
    }
    const QDir corpus(kCorpus);
    for (const QString &name : corpus.entryList({"*.wsdl"}, QDir::Files, QDir::Name))
        if (!bases.contains(QFileInfo(name).completeBaseName()))
            files << corpus.filePath(name);
    return files;
}

QString demoFile(const QString &name)
{
    return kExamples + "/demo/sources/" + name;
}

QJsonObject parseJson(const QByteArray &out)
{
    QJsonParseError error;
    const QJsonDocument doc = QJsonDocument::fromJson(out, &error);
    if (error.error != QJsonParseError::NoError || !doc.isObject())
        qWarning("not one JSON document: %s\n%s", qPrintable(error.errorString()), out.constData());
    return doc.object();
}

QStringList outputLines(const QByteArray &out)
{
    return QString::fromLocal8Bit(out).split('\n', Qt::SkipEmptyParts);
}

// The reports the programs print, with the demo folder made neutral.
QStringList messageLines(const QString &err, const QString &demoDir)
{
    static const QRegularExpression report(
        QStringLiteral("^(Warning|Error|Fatal error): |^Dialog not shown|^  answer taken"));
    QStringList lines;
    for (QString line : err.split('\n'))
        if (report.match(line).hasMatch())
            lines << line.replace(demoDir, "@DEMO@");
    return lines;
}

// Lines of a job file with that name before the "=", the demo folder made neutral.
QStringList jobValues(const QString &jobFile, const QString &name, const QString &demoDir)
{
    QStringList values;
    for (const QString &line : QString::fromLatin1(fileBytes(jobFile)).split("\r\n"))
        if (line.startsWith(name + '='))
            values << QString(line).replace(demoDir, "@DEMO@");
    return values;
}

// The matching lines of a job file, sorted: where a block stands is the window's layout.
QStringList matchingJobLines(const QString &jobFile, const QRegularExpression &pattern, const QString &demoDir)
{
    QStringList lines;
    for (const QString &line : QString::fromLatin1(fileBytes(jobFile)).split("\r\n"))
        if (pattern.match(line).hasMatch())
            lines << QString(line).replace(demoDir, "@DEMO@");
    lines.sort();
    return lines;
}

QString prepareDemo(const QString &dir)
{
    QProcess prepare;
    prepare.start(kExamples + "/prepare-demo", {dir});
    if (!prepare.waitForFinished(30000) || prepare.exitCode() != 0)
        return QString();
    return QString::fromLocal8Bit(prepare.readAllStandardOutput()).trimmed().split('\n').last().trimmed();
}

} // namespace

class TestCli : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void badUsage_data();
    void badUsage();
    void help_data();
    void help();
    void importWsdlThenList();
    void importWsdlGoesOnPastAFailingFile();
    void generate_data();
    void generate();
    void generateUnknownInterface();
    void generateSharedNames();
    void xref_data();
    void xref();
    void readingNeedsARepository_data();
    void readingNeedsARepository();
    void lockedRepository_data();
    void lockedRepository();
    void interruptRollsBackTheDocument();
    void importJobAsTheProgramDoes();
    void importNeedsAJobFile_data();
    void importNeedsAJobFile();
    void reuseGoesFromSourcesToRepository();
    void reuseWithoutAnalysisJobFails();

private:
    QProcessEnvironment environment(bool display) const;
    TRun run(const QStringList &arguments, const QString &workingDir = QString()) const;
    // A repository in dir/out with the sample files imported; empty when that failed.
    QString importedRepository(const QTemporaryDir &dir) const;

    QTemporaryDir m_home;
    QTemporaryDir m_shared; // a repository the reading tests share
    QString m_sharedOut;
};

QProcessEnvironment TestCli::environment(bool display) const
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    if (display) {
        env.insert("QT_QPA_PLATFORM", "offscreen");
    } else {
        // No display of any kind: the tool must not need one.
        env.remove("DISPLAY");
        env.remove("WAYLAND_DISPLAY");
        env.remove("QT_QPA_PLATFORM");
    }
    const QString home = m_home.filePath(display ? "gui" : "cli");
    env.insert("XDG_CONFIG_HOME", home + "/config");
    env.insert("XDG_DATA_HOME", home + "/data");
    QDir().mkpath(home + "/runtime");
    QFile(home + "/runtime").setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    env.insert("XDG_RUNTIME_DIR", home + "/runtime");
    return env;
}

TRun TestCli::run(const QStringList &arguments, const QString &workingDir) const
{
    QProcess p;
    p.setProcessEnvironment(environment(false));
    if (!workingDir.isEmpty())
        p.setWorkingDirectory(workingDir);
    p.start(kCli, arguments);
    TRun result;
    result.finished = p.waitForFinished(120000) && p.exitStatus() == QProcess::NormalExit;
    result.exitCode = p.exitCode();
    result.out = p.readAllStandardOutput();
    result.err = QString::fromLocal8Bit(p.readAllStandardError());
    return result;
}

QString TestCli::importedRepository(const QTemporaryDir &dir) const
{
    const QString out = dir.filePath("out");
    const TRun r = run(QStringList{"import-wsdl", out} + sampleFiles());
    return r.finished && r.exitCode == 0 ? out : QString();
}

void TestCli::initTestCase()
{
    QVERIFY(m_home.isValid());
    QVERIFY2(QFileInfo(kCli).isExecutable(), qPrintable(kCli));
    QCOMPARE(sampleFiles().size(), 6);
    m_sharedOut = importedRepository(m_shared);
    QVERIFY(!m_sharedOut.isEmpty());
}

// ---- Usage --------------------------------------------------------------------

void TestCli::badUsage_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("message");
    QTest::newRow("nothing") << QStringList{} << "No command given";
    QTest::newRow("options only") << QStringList{"--json"} << "No command given";
    QTest::newRow("unknown command") << QStringList{"frob", "out"} << "Unknown command frob";
    QTest::newRow("import without job") << QStringList{"import"} << "Missing arguments for import";
    QTest::newRow("import-wsdl without files") << QStringList{"import-wsdl", "out"}
                                               << "Missing arguments for import-wsdl";
    QTest::newRow("list without folder") << QStringList{"list"} << "Missing arguments for list";
    QTest::newRow("list with two folders") << QStringList{"list", "out", "more"} << "Too many arguments for list";
    QTest::newRow("generate without folder") << QStringList{"generate", "--json"} << "Missing arguments for generate";
    QTest::newRow("xref without name") << QStringList{"xref", "out"} << "Missing arguments for xref";
    QTest::newRow("unknown option") << QStringList{"list", "out", "--frob"} << "Unknown option --frob";
    QTest::newRow("base outside xref") << QStringList{"list", "out", "--base", "operation"}
                                       << "Unknown option --base for list";
    QTest::newRow("unknown base") << QStringList{"xref", "out", "N", "--base=table"} << "Unknown base table";
    QTest::newRow("base without value") << QStringList{"xref", "out", "N", "--base"} << "Option --base needs a value";
    QTest::newRow("empty folder") << QStringList{"list", ""} << "An argument is empty";
}

// Usage on stderr, nothing on stdout, nothing made.
void TestCli::badUsage()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, message);
    QTemporaryDir dir;
    const TRun r = run(arguments, dir.path());
    QVERIFY(r.finished);
    QCOMPARE(r.exitCode, 2);
    QVERIFY2(r.out.isEmpty(), r.out.constData());
    QVERIFY2(r.err.contains(message), qPrintable(r.err));
    QVERIFY2(r.err.contains("Usage: quenbar-cli"), qPrintable(r.err));
    QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList());
}

void TestCli::help_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::newRow("--help") << QStringList{"--help"};
    QTest::newRow("-h") << QStringList{"-h"};
    QTest::newRow("after a command") << QStringList{"list", "out", "--help"};
    QTest::newRow("beside bad usage") << QStringList{"frob", "--json", "--help"};
}

void TestCli::help()
{
    QFETCH(QStringList, arguments);
    QTemporaryDir dir;
    const TRun r = run(arguments, dir.path());
    QVERIFY(r.finished);
    QCOMPARE(r.exitCode, 0);
    QCOMPARE(r.err, QString());
    const QString usage = QString::fromLocal8Bit(r.out);
    QVERIFY2(usage.startsWith("Usage: quenbar-cli"), qPrintable(usage));
    for (const char *command : {"import JOB", "import-wsdl OUTPUT_DIR FILE...", "list OUTPUT_DIR",
                                "generate OUTPUT_DIR [INTERFACE...]", "xref OUTPUT_DIR NAME", "--json"})
        QVERIFY2(usage.contains(QLatin1String(command)), command);
    QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList());
}

// ---- Import and list ----------------------------------------------------------

void TestCli::importWsdlThenList()
{
    QTemporaryDir dir;
    const QString out = dir.filePath("out");
    const QStringList files = sampleFiles();
    const TRun imported = run(QStringList{"import-wsdl", "--json", out} + files);
    QVERIFY2(imported.finished && imported.exitCode == 0, qPrintable(imported.err));
    const QJsonObject importDoc = parseJson(imported.out);
    QCOMPARE(importDoc.value("ok").toBool(), true);
    QCOMPARE(importDoc.value("errors").toArray().size(), 0);
    const QJsonArray importedFiles = importDoc.value("files").toArray();
    QCOMPARE(importedFiles.size(), files.size());
    QHash<QString, QJsonObject> byCsvName;
    for (const QJsonValue &v : importedFiles) {
        const QJsonObject f = v.toObject();
        QVERIFY2(f.value("ok").toBool(), qPrintable(f.value("file").toString()));
        QVERIFY(f.value("operations").toInt() > 0);
        byCsvName.insert(QFileInfo(f.value("file").toString()).completeBaseName(), f);
    }
    QVERIFY(QFileInfo(out + "/ParadoxDB/Interfaces.db").isFile());

    const TRun listed = run({"list", out, "--json"});
    QVERIFY2(listed.finished && listed.exitCode == 0, qPrintable(listed.err));
    const QJsonObject listDoc = parseJson(listed.out);
    QCOMPARE(listDoc.value("ok").toBool(), true);
    QCOMPARE(listDoc.value("outputDirectory").toString(), QDir::cleanPath(out));
    const QJsonArray interfaces = listDoc.value("interfaces").toArray();
    QCOMPARE(interfaces.size(), files.size());
    QStringList names;
    for (const QJsonValue &v : interfaces) {
        const QJsonObject face = v.toObject();
        names << face.value("name").toString();
        const QJsonObject counts = byCsvName.value(face.value("csvName").toString());
        QVERIFY2(!counts.isEmpty(), qPrintable(face.value("csvName").toString()));
        for (const char *count : {"operations", "messages", "parameters"})
            QCOMPARE(face.value(count).toInteger(), counts.value(count).toInteger());
    }
    QStringList sorted = names;
    std::sort(sorted.begin(), sorted.end(),
              [](const QString &a, const QString &b) { return a.toUpper() < b.toUpper(); });
    QCOMPARE(names, sorted);

    const TRun text = run({"list", out});
    QVERIFY2(text.finished && text.exitCode == 0, qPrintable(text.err));
    const QStringList lines = outputLines(text.out);
    QCOMPARE(lines.size(), interfaces.size());
    for (int i = 0; i < lines.size(); ++i) {
        const QJsonObject face = interfaces.at(i).toObject();
        QVERIFY2(lines[i].startsWith(face.value("name").toString() + " (" + face.value("csvName").toString() + "): "),
                 qPrintable(lines[i]));
        QVERIFY2(lines[i].contains(QString::number(face.value("parameters").toInteger()) + " parameters"),
                 qPrintable(lines[i]));
    }
}

// Each document is its own transaction: the broken and the missing one are
// reported, the others are imported, and the bulk run leaves no log behind.
void TestCli::importWsdlGoesOnPastAFailingFile()
{
    QTemporaryDir dir;
    const QString out = dir.filePath("out");
    const QString broken = dir.filePath("Broken.wsdl");
    QVERIFY(writeBytes(broken, fileBytes(demoFile("StockLedger.wsdl")).left(400)));
    const QString missing = dir.filePath("Missing.wsdl");
    const TRun r = run({"import-wsdl", out, "--json", demoFile("CustomerAccounts.wsdl"), broken, missing,
                        demoFile("StockLedger.wsdl")});
    QVERIFY(r.finished);
    QCOMPARE(r.exitCode, 1);
    const QJsonObject doc = parseJson(r.out);
    QCOMPARE(doc.value("ok").toBool(), false);
    const QJsonArray files = doc.value("files").toArray();
    QCOMPARE(files.size(), 4);
    const QList<bool> ok{true, false, false, true};
    for (int i = 0; i < 4; ++i)
        QCOMPARE(files.at(i).toObject().value("ok").toBool(), ok[i]);
    QVERIFY(files.at(1).toObject().value("error").toString().contains("Broken.wsdl"));
    QVERIFY(files.at(2).toObject().value("error").toString().contains("Missing.wsdl"));
    QCOMPARE(doc.value("errors").toArray().size(), 2);
    for (const QString &name : {QStringLiteral("Broken.wsdl"), QStringLiteral("Missing.wsdl")})
        QVERIFY2(r.err.contains(QRegularExpression("Error: .*" + QRegularExpression::escape(name))), qPrintable(r.err));

    const QJsonObject listed = parseJson(run({"list", out, "--json"}).out);
    QStringList csvNames;
    for (const QJsonValue &v : listed.value("interfaces").toArray())
        csvNames << v.toObject().value("csvName").toString();
    QCOMPARE(csvNames, (QStringList{"CustomerAccounts", "StockLedger"}));
    // Back on the rollback journal: header bytes 18 and 19 are 1 (2 is a write-ahead log).
    const QByteArray header = fileBytes(out + "/ParadoxDB/Interfaces.db").left(20);
    QCOMPARE(header.size(), 20);
    QCOMPARE(int(header[18]), 1);
    QCOMPARE(int(header[19]), 1);
    QVERIFY(!QFileInfo::exists(out + "/ParadoxDB/Interfaces.db-wal"));
}

// ---- Generate -------------------------------------------------------------------

void TestCli::generate_data()
{
    QTest::addColumn<QStringList>("names");
    QTest::addColumn<QStringList>("expected");
    QTest::addColumn<bool>("json");
    const QStringList all{"CUSTMAINT", "CustomerAccountsPort", "InvoiceService", "ORDENTRY", "RATECALC",
                          "StockLedgerPort"};
    QTest::newRow("all, text") << QStringList{} << all << false;
    QTest::newRow("all, json") << QStringList{} << all << true;
    QTest::newRow("one") << QStringList{"StockLedgerPort"} << QStringList{"StockLedgerPort"} << true;
    QTest::newRow("any case") << QStringList{"ratecalc"} << QStringList{"RATECALC"} << false;
    QTest::newRow("two, named twice") << QStringList{"RATECALC", "CUSTMAINT", "RATECALC"}
                                      << QStringList{"RATECALC", "CUSTMAINT"} << true;
}

void TestCli::generate()
{
    QFETCH(QStringList, names);
    QFETCH(QStringList, expected);
    QFETCH(bool, json);
    QTemporaryDir dir;
    const QString out = importedRepository(dir);
    QVERIFY(!out.isEmpty());
    QStringList arguments{"generate", out};
    if (json)
        arguments << "--json";
    const TRun r = run(arguments + names);
    QVERIFY2(r.finished && r.exitCode == 0, qPrintable(r.err));

    QStringList written;
    if (json) {
        const QJsonObject doc = parseJson(r.out);
        QCOMPARE(doc.value("ok").toBool(), true);
        const QJsonArray files = doc.value("files").toArray();
        QCOMPARE(files.size(), expected.size());
        for (int i = 0; i < files.size(); ++i) {
            const QJsonObject f = files.at(i).toObject();
            QCOMPARE(f.value("interface").toString(), expected[i]);
            written << f.value("wsdl").toString() << f.value("asr").toString();
        }
    } else {
        written = outputLines(r.out);
    }
    QStringList wanted;
    for (const QString &name : expected)
        wanted << out + "/ExportDir/" + name + ".wsdl" << out + "/ExportDir/" + name + ".asr";
    QCOMPARE(written, wanted);
    for (const QString &file : written)
        QVERIFY2(QFileInfo(file).size() > 0, qPrintable(file));
    QCOMPARE(QDir(out + "/ExportDir").entryList(QDir::Files).size(), wanted.size());
}

// Every name is looked up before anything is written.
void TestCli::generateUnknownInterface()
{
    QTemporaryDir dir;
    const QString out = importedRepository(dir);
    QVERIFY(!out.isEmpty());
    const TRun r = run({"generate", out, "StockLedgerPort", "Nope"});
    QVERIFY(r.finished);
    QCOMPARE(r.exitCode, 1);
    QVERIFY2(r.err.contains("Error: No interface Nope in " + out), qPrintable(r.err));
    QVERIFY(r.out.isEmpty());
    QVERIFY(!QFileInfo::exists(out + "/ExportDir/StockLedgerPort.wsdl"));
}

// Two documents with a port type of the same name: each interface gets its
// own files, named as the unattended import names them, also when only
// that name is asked for.
void TestCli::generateSharedNames()
{
    QTemporaryDir dir;
    const QString out = dir.filePath("out");
    const QString doc = oneMessage(QString(), "<wsdl:part name=\"CUSTNO\" type=\"xsd:string\"/>");
    const QString a = writeFile(dir.filePath("shopA.wsdl"), doc);
    const QString b = writeFile(dir.filePath("shopB.wsdl"), doc);
    const TRun imported = run({"import-wsdl", out, a, b, demoFile("StockLedger.wsdl")});
    QVERIFY2(imported.finished && imported.exitCode == 0, qPrintable(imported.err));

    const QString folder = out + "/ExportDir/";
    const QStringList shared{folder + "ShopPort_shopA.wsdl", folder + "ShopPort_shopA.asr",
                             folder + "ShopPort_shopB.wsdl", folder + "ShopPort_shopB.asr"};
    const TRun all = run({"generate", out});
    QVERIFY2(all.finished && all.exitCode == 0, qPrintable(all.err));
    QCOMPARE(outputLines(all.out),
             shared + (QStringList{folder + "StockLedgerPort.wsdl", folder + "StockLedgerPort.asr"}));
    QCOMPARE(QDir(folder).entryList(QDir::Files).size(), 6);

    QVERIFY(QDir(folder).removeRecursively());
    const TRun one = run({"generate", out, "shopport"});
    QVERIFY2(one.finished && one.exitCode == 0, qPrintable(one.err));
    QCOMPARE(outputLines(one.out), shared);
    QCOMPARE(QDir(folder).entryList(QDir::Files).size(), 4);
}

// ---- Cross-reference -----------------------------------------------------------------

void TestCli::xref_data()
{
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("base");
    QTest::addColumn<int>("rows");
    QTest::newRow("parameter by default") << QStringList{} << "RETCODE" << "parameter" << "parameter" << 2;
    QTest::newRow("parameter") << QStringList{"--base", "parameter"} << "ITEMNO" << "parameter" << "parameter" << 1;
    QTest::newRow("message") << QStringList{"--base=message"} << "BookMovementRequest" << "message" << "message" << 5;
    QTest::newRow("operation") << QStringList{"--base", "operation"} << "BookMovement" << "operation" << "operation"
                               << 6;
    QTest::newRow("interface") << QStringList{"--base", "interface"} << "StockLedgerPort" << "interface" << "interface"
                               << 6;
    QTest::newRow("no such name") << QStringList{} << "NOSUCHNAME" << "parameter" << "parameter" << 0;
}

void TestCli::xref()
{
    QFETCH(QStringList, options);
    QFETCH(QString, name);
    QFETCH(QString, field);
    QFETCH(QString, base);
    QFETCH(int, rows);
    const QString out = m_sharedOut;
    QVERIFY(!out.isEmpty());

    const TRun r = run(QStringList{"xref", out, name, "--json"} + options);
    QVERIFY2(r.finished && r.exitCode == 0, qPrintable(r.err));
    const QJsonObject doc = parseJson(r.out);
    QCOMPARE(doc.value("base").toString(), base);
    QCOMPARE(doc.value("name").toString(), name);
    const QJsonArray found = doc.value("rows").toArray();
    QCOMPARE(found.size(), rows);
    for (const QJsonValue &v : found) {
        const QJsonObject row = v.toObject();
        QCOMPARE(row.value(field).toString(), name);
        QVERIFY(!row.value("parameter").toString().isEmpty());
        QVERIFY(row.value("depth").isDouble());
    }

    const TRun text = run(QStringList{"xref", out, name} + options);
    QVERIFY2(text.finished && text.exitCode == 0, qPrintable(text.err));
    const QStringList lines = outputLines(text.out);
    QCOMPARE(lines.size(), rows);
    for (int i = 0; i < lines.size(); ++i)
        QVERIFY2(lines[i].startsWith(found.at(i).toObject().value("interface").toString() + " > "),
                 qPrintable(lines[i]));
}

// ---- Repository problems ------------------------------------------------------------

void TestCli::readingNeedsARepository_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<bool>("json");
    QTest::newRow("list") << QStringList{"list"} << false;
    QTest::newRow("list, json") << QStringList{"list", "--json"} << true;
    QTest::newRow("generate") << QStringList{"generate"} << false;
    QTest::newRow("generate, json") << QStringList{"generate", "--json"} << true;
    QTest::newRow("xref") << QStringList{"xref", "--base", "interface", "N"} << false;
}

// A folder without a repository stays without one.
void TestCli::readingNeedsARepository()
{
    QFETCH(QStringList, arguments);
    QFETCH(bool, json);
    QTemporaryDir dir;
    const QString out = dir.path();
    arguments.insert(1, out);
    const TRun r = run(arguments);
    QVERIFY(r.finished);
    QCOMPARE(r.exitCode, 1);
    const QString message = "No repository in " + out;
    QVERIFY2(r.err.contains("Error: " + message), qPrintable(r.err));
    if (json) {
        const QJsonObject doc = parseJson(r.out);
        QCOMPARE(doc.value("ok").toBool(), false);
        QVERIFY(doc.value("errors").toArray().at(0).toString().startsWith(message));
    } else {
        QVERIFY(r.out.isEmpty());
    }
    QCOMPARE(QDir(out).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList());
}

void TestCli::lockedRepository_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::newRow("list") << QStringList{"list"};
    QTest::newRow("generate") << QStringList{"generate"};
    QTest::newRow("xref") << QStringList{"xref", "ITEMNO"};
    QTest::newRow("import-wsdl") << QStringList{"import-wsdl", demoFile("StockLedger.wsdl")};
}

// The data module of this process holds the repository: the tool gets the
// module's own message and changes nothing.
void TestCli::lockedRepository()
{
    QFETCH(QStringList, arguments);
    QTemporaryDir dir;
    const QString out = importedRepository(dir);
    QVERIFY(!out.isEmpty());
    const QByteArray before = fileBytes(out + "/ParadoxDB/Interfaces.db");
    {
        TDM holder;
        QVERIFY(holder.OpenRepository(out + "/ParadoxDB", false));
        arguments.insert(1, out);
        const TRun r = run(arguments);
        QVERIFY(r.finished);
        QCOMPARE(r.exitCode, 1);
        const QString inUse = "is in use by another program (process "
                              + QString::number(QCoreApplication::applicationPid()) + ")";
        QVERIFY2(r.err.contains(inUse), qPrintable(r.err));
        QVERIFY(r.out.isEmpty());
        QVERIFY(!QFileInfo::exists(out + "/ExportDir"));
    }
    QCOMPARE(fileBytes(out + "/ParadoxDB/Interfaces.db"), before);
}

// ---- Stop -----------------------------------------------------------------------------

// Ctrl-C while a document is being read: the import stops at its first
// step and the document's transaction, which had already deleted the
// interface of the same name, is rolled back. The document comes through
// a pipe, so the signal arrives while the tool is inside it.
void TestCli::interruptRollsBackTheDocument()
{
    QTemporaryDir dir;
    const QString out = dir.filePath("out");
    const TRun first = run({"import-wsdl", out, demoFile("StockLedger.wsdl")});
    QVERIFY2(first.finished && first.exitCode == 0, qPrintable(first.err));
    const QJsonArray before = parseJson(run({"list", out, "--json"}).out).value("interfaces").toArray();
    QCOMPARE(before.size(), 1);

    QVERIFY(QDir().mkpath(dir.filePath("pipe")));
    const QString pipe = dir.filePath("pipe/StockLedger.wsdl");
    QCOMPARE(::mkfifo(QFile::encodeName(pipe).constData(), 0600), 0);
    const QByteArray document = fileBytes(demoFile("StockLedger.wsdl"));
    QVERIFY(document.size() < 4096); // one write into the pipe, never blocking

    QProcess p;
    p.setProcessEnvironment(environment(false));
    p.start(kCli, {"import-wsdl", "--json", out, pipe});
    QVERIFY(p.waitForStarted(10000));
    // A writer gets the pipe open only while the tool has it open to read.
    QDeadlineTimer deadline(30000);
    int fd = -1;
    while (fd < 0 && !deadline.hasExpired() && p.state() == QProcess::Running) {
        fd = ::open(QFile::encodeName(pipe).constData(), O_WRONLY | O_NONBLOCK);
        if (fd < 0)
            QThread::msleep(10);
    }
    QVERIFY2(fd >= 0, "the tool never read the document");
    // The check of the end tag opens the file again; a name that is gone
    // leaves it to the reader, which has read the whole document.
    QVERIFY(QFile::remove(pipe));
    QCOMPARE(::kill(pid_t(p.processId()), SIGINT), 0);
    const bool written = ::write(fd, document.constData(), size_t(document.size())) == document.size();
    ::close(fd);
    QVERIFY(written);
    QVERIFY(p.waitForFinished(30000));
    QCOMPARE(p.exitStatus(), QProcess::NormalExit);
    const QString err = QString::fromLocal8Bit(p.readAllStandardError());
    QCOMPARE(p.exitCode(), 1);
    QVERIFY2(err.contains("Error: Stopped on request"), qPrintable(err));
    const QJsonObject doc = parseJson(p.readAllStandardOutput());
    QCOMPARE(doc.value("ok").toBool(), false);
    QCOMPARE(doc.value("files").toArray().at(0).toObject().value("stopped").toBool(), true);

    QCOMPARE(parseJson(run({"list", out, "--json"}).out).value("interfaces").toArray(), before);
}

// ---- The reuse job --------------------------------------------------------------------

// The same demo job run by the program's unattended import and by the tool
// leaves the same messages, repository and files; the tool keeps the job
// file's window lines as they were and writes no per-user settings.
void TestCli::importJobAsTheProgramDoes()
{
    QTemporaryDir dir;
    const QString guiDemo = dir.filePath("gui");
    const QString cliDemo = dir.filePath("cli");
    const QString guiJob = prepareDemo(guiDemo);
    const QString cliJob = prepareDemo(cliDemo);
    QVERIFY(QFile::exists(guiJob) && QFile::exists(cliJob));
    const QStringList captionBefore = jobValues(cliJob, "frmQuenbarMain.Caption", cliDemo);
    QCOMPARE(captionBefore.size(), 1);

    QProcess gui;
    gui.setProcessEnvironment(environment(true));
    gui.start(kGui, {"-Proj:" + guiJob, "-AutoRun:Import"});
    QVERIFY(gui.waitForFinished(120000));
    const QString guiErr = QString::fromLocal8Bit(gui.readAllStandardError());
    QVERIFY2(gui.exitStatus() == QProcess::NormalExit && gui.exitCode() == 0, qPrintable(guiErr));

    const TRun cli = run({"import", "--json", cliJob});
    QVERIFY2(cli.finished && cli.exitCode == 0, qPrintable(cli.err));
    const QJsonObject doc = parseJson(cli.out);
    QCOMPARE(doc.value("ok").toBool(), true);
    QCOMPARE(doc.value("job").toString(), cliJob);
    QCOMPARE(doc.value("outputDirectory").toString(), cliDemo + "/out");
    const QStringList messages = messageLines(cli.err, cliDemo);
    QVERIFY(!messages.isEmpty());
    QCOMPARE(messages, messageLines(guiErr, guiDemo));

    // The repository.
    const QJsonArray interfaces = doc.value("interfaces").toArray();
    const int sources = QDir(cliDemo + "/sources").entryList(QDir::Files).size();
    QCOMPARE(interfaces.size(), sources);
    const QJsonObject guiList = parseJson(run({"list", "--json", guiDemo + "/out"}).out);
    QCOMPARE(guiList.value("interfaces").toArray(), interfaces);

    // The files.
    for (const QString &folder : {QStringLiteral("/out/ExportDir"), QStringLiteral("/out/WSDLDir")}) {
        const QStringList files = QDir(cliDemo + folder).entryList(QDir::Files, QDir::Name);
        QCOMPARE(files, QDir(guiDemo + folder).entryList(QDir::Files, QDir::Name));
        QVERIFY(files.size() >= sources);
        for (const QString &file : files)
            QVERIFY2(fileBytes(cliDemo + folder + '/' + file) == fileBytes(guiDemo + folder + '/' + file),
                     qPrintable(file));
    }
    QCOMPARE(QDir(cliDemo + "/out/ExportDir").entryList({"*.asr"}, QDir::Files).size(), sources);
    // Both say where they wrote each interface's files.
    const QJsonArray generated = doc.value("files").toArray();
    QCOMPARE(generated.size(), sources);
    for (const QJsonValue &v : generated)
        for (const char *key : {"wsdl", "asr"}) {
            const QString path = v.toObject().value(QLatin1String(key)).toString();
            QVERIFY2(QFileInfo::exists(path), qPrintable(path));
            const QRegularExpression said("^Information: Interface .*: "
                                              + QRegularExpression::escape(QString(path).replace(cliDemo, guiDemo))
                                              + "$",
                                          QRegularExpression::MultilineOption);
            QVERIFY2(said.match(guiErr).hasMatch(), qPrintable(guiErr));
        }

    // The job file: the job's state as the program saves it, the window's other lines as they were.
    for (const char *name : {"ProjectName", "ProjectCommonRoot", "BatchRunning",
                             "frmQuenbarMain.FrameFindDirectoryOutputDir.Edit"})
        QCOMPARE(jobValues(cliJob, QLatin1String(name), cliDemo), jobValues(guiJob, QLatin1String(name), guiDemo));
    const QRegularExpression stateLine(QStringLiteral("^(CMP|XCPY)[0-9]{4}=|^YY|^<"));
    QCOMPARE(matchingJobLines(cliJob, stateLine, cliDemo), matchingJobLines(guiJob, stateLine, guiDemo));
    // The caption as the program leaves it: the last batch's runtime after the job name.
    const QStringList caption = jobValues(cliJob, "frmQuenbarMain.Caption", cliDemo);
    QCOMPARE(caption.size(), 1);
    QVERIFY2(caption.first().startsWith(captionBefore.value(0) + QStringLiteral(" Last batch runtime: ")),
             qPrintable(caption.first()));
    QCOMPARE(QDir(environment(false).value("XDG_CONFIG_HOME")).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
             QStringList());
}

void TestCli::importNeedsAJobFile_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("create");
    QTest::addColumn<QString>("message");
    QTest::newRow("missing") << "Gone.jQuenbar" << false << "Error: No job file ";
    QTest::newRow("not a job") << "notes.txt" << true << " is not a job file (*.jQuenbar)";
}

void TestCli::importNeedsAJobFile()
{
    QFETCH(QString, name);
    QFETCH(bool, create);
    QFETCH(QString, message);
    QTemporaryDir dir;
    const QString job = dir.filePath(name);
    if (create)
        QVERIFY(writeBytes(job, "[Properties]\r\nProjectName=Notes\r\n"));
    const TRun r = run({"import", job});
    QVERIFY(r.finished);
    QCOMPARE(r.exitCode, 1);
    QVERIFY2(r.err.contains(message), qPrintable(r.err));
    QVERIFY2(r.err.contains(job), qPrintable(r.err));
    QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
             create ? QStringList{name} : QStringList());
}

namespace {

// Interface name -> "level name" of its parameters, in key order.
QMap<QString, QStringList> repositoryParameters(const QString &outputDir)
{
    QMap<QString, QStringList> rows;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "reuse");
        db.setDatabaseName(outputDir + "/ParadoxDB/Interfaces.db");
        if (db.open()) {
            QSqlQuery interfaces("SELECT Name FROM Interfaces", db);
            while (interfaces.next())
                rows[interfaces.value(0).toString()];
            QSqlQuery q("SELECT i.Name, p.LevelX, p.Name FROM Parameters p JOIN Interfaces i ON p.InterfacesKulcs = i.Kulcs "
                        "ORDER BY p.Kulcs",
                        db);
            while (q.next())
                rows[q.value(0).toString()] << QString::number(q.value(1).toInt()) + ' ' + q.value(2).toString();
        }
    }
    QSqlDatabase::removeDatabase("reuse");
    return rows;
}

} // namespace

// The demo job's COBOL system, analysed in the hosted shell, renamed back,
// exported, converted and imported: one interface per program with its
// LINKAGE items at their levels; the program and the command line alike.
void TestCli::reuseGoesFromSourcesToRepository()
{
    QTemporaryDir dir;
    const QString guiDemo = dir.filePath("gui");
    const QString cliDemo = dir.filePath("cli");
    const QString guiJob = prepareDemo(guiDemo);
    const QString cliJob = prepareDemo(cliDemo);
    QVERIFY(QFile::exists(guiJob) && QFile::exists(cliJob));

    const TRun cli = run({"reuse", "--json", cliJob});
    QVERIFY2(cli.finished && cli.exitCode == 0, qPrintable(cli.err));
    QCOMPARE(parseJson(cli.out).value("ok").toBool(), true);
    QProcess gui;
    gui.setProcessEnvironment(environment(true));
    gui.start(kGui, {"-Proj:" + guiJob, "-AutoRun:Reuse"});
    QVERIFY(gui.waitForFinished(120000));
    QVERIFY2(gui.exitStatus() == QProcess::NormalExit && gui.exitCode() == 0,
             qPrintable(QString::fromLocal8Bit(gui.readAllStandardError())));

    for (const QString &demo : {cliDemo, guiDemo}) {
        const QString shellOut = demo + "/out/COB85";
        // The results came back under the source tree; the staging is gone.
        QVERIFY(QFile::exists(shellOut + "/Exports/BATCH/RATECALC/RATECALC.csv"));
        QVERIFY(QFile::exists(shellOut + "/Metrics/BATCH/RATECALC/RATECALC.met"));
        QVERIFY(!QFileInfo::exists(shellOut + "/workinp"));
        const QMap<QString, QStringList> rows = repositoryParameters(demo + "/out");
        for (const char *program : {"CUSTINQ", "ORDBATCH", "ORDRPT", "RATECALC"})
            QVERIFY2(rows.contains(program), program);
        // The subprogram's interface: its USING items from the copybook, with their levels.
        QCOMPARE(rows.value("RATECALC").mid(0, 10),
                 (QStringList{"1 RATE-PARAMETERS", "2 RP-CUSTOMER-CLASS", "2 RP-ORDER-AMOUNT", "2 RP-DISCOUNT-RATE",
                              "2 RP-RESULT", "3 RP-NET-AMOUNT", "3 RP-RETURN-CODE", "1 RATE-CONTROL",
                              "2 RC-TRACE-FLAG", "2 RC-RATE-TABLE-DATE"}));
        QCOMPARE(rows.value("CUSTINQ").value(0), QString("1 DFHCOMMAREA"));
        // The demo's own sources are there too.
        QVERIFY(rows.contains("CUSTMAINT") && rows.contains("InvoiceService"));
        // The job remembers the shell's job for the next hand-off.
        QCOMPARE(jobValues(demo == cliDemo ? cliJob : guiJob, "QuenbarJobName", demo),
                 QStringList{"QuenbarJobName=IBM Enterprise"});
    }
    // A second run finds the analysis job the first one saved.
    const TRun again = run({"reuse", cliJob});
    QVERIFY2(again.finished && again.exitCode == 0, qPrintable(again.err));
    // The tool wrote no per-user settings.
    QCOMPARE(QDir(environment(false).value("XDG_CONFIG_HOME")).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
             QStringList());
}

void TestCli::reuseWithoutAnalysisJobFails()
{
    QTemporaryDir dir;
    const QString job = prepareDemo(dir.path());
    QVERIFY(QFile::exists(job));
    QVERIFY(QFile::remove(dir.filePath("out/DemoLegacyIbm Enterprise.jmrt")));
    const TRun r = run({"reuse", job});
    QVERIFY(r.finished);
    QCOMPARE(r.exitCode, 1);
    QVERIFY2(r.err.contains("No analysis job with source files for Demo Legacy"), qPrintable(r.err));
    QVERIFY2(r.err.contains("nothing was imported"), qPrintable(r.err));
    QVERIFY(!QFileInfo::exists(dir.filePath("out/ParadoxDB/Interfaces.db")));
}

QTEST_GUILESS_MAIN(TestCli)
#include "tst_cli.moc"
