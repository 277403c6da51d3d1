// Runs the built program as a process.
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

class TestProgramStart : public QObject
{
    Q_OBJECT
private slots:
    void withoutSettingsEndsWithFailure();
    void autoRunImportsTheDemo();
};

static QProcessEnvironment quietEnvironment(const QString &dir)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "offscreen");
    env.insert("XDG_CONFIG_HOME", dir + "/config");
    env.insert("XDG_DATA_HOME", dir + "/data");
    QDir().mkpath(dir + "/runtime");
    QFile(dir + "/runtime").setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    env.insert("XDG_RUNTIME_DIR", dir + "/runtime");
    return env;
}

// The demo job, unattended: every WSDL imported, every CSV converted and
// imported, WSDL and script generated per interface, status 0.
void TestProgramStart::autoRunImportsTheDemo()
{
    QTemporaryDir dir;
    QProcess prepare;
    prepare.start(QStringLiteral(QUENBAR_EXAMPLES_DIR) + "/prepare-demo", {dir.filePath("demo")});
    QVERIFY(prepare.waitForFinished(30000));
    QCOMPARE(prepare.exitCode(), 0);
    const QStringList printed = QString::fromLocal8Bit(prepare.readAllStandardOutput()).trimmed().split('\n');
    const QString job = printed.last().trimmed();
    QVERIFY2(QFile::exists(job), qPrintable(job));

    QProcess p;
    p.setProcessEnvironment(quietEnvironment(dir.path()));
    p.start(QStringLiteral(QUENBAR_BINARY), {"-Proj:" + job, "-AutoRun:Import"});
    QVERIFY(p.waitForStarted(10000));
    QVERIFY2(p.waitForFinished(120000), "the unattended run did not end");
    const QString err = QString::fromLocal8Bit(p.readAllStandardError());
    QVERIFY2(p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0, qPrintable(err));

    const QString out = dir.filePath("demo/out");
    const QStringList sources = QDir(dir.filePath("demo/sources")).entryList(QDir::Files);
    const QStringList results = QDir(out + "/WSDLDir").entryList({"*.wsdl"}, QDir::Files);
    QCOMPARE(results.size(), sources.size());
    for (const QString &source : sources)
        QVERIFY2(results.contains(QFileInfo(source).completeBaseName() + ".wsdl"), qPrintable(source));
    const QStringList exported = QDir(out + "/ExportDir").entryList(QDir::Files);
    QCOMPARE(exported.filter(".wsdl").size(), sources.size());
    QCOMPARE(exported.filter(".asr").size(), sources.size());
    QVERIFY(QFile::exists(out + "/ParadoxDB/Interfaces.db"));
}

void TestProgramStart::withoutSettingsEndsWithFailure()
{
    QTemporaryDir dir;
    const QString folder = dir.filePath("Tools/Maintain/Quenbar");
    QVERIFY(QDir().mkpath(folder));
    // A copy of the program in a folder without its settings file.
    const QString program = folder + "/Quenbar";
    QVERIFY(QFile::copy(QStringLiteral(QUENBAR_BINARY), program));
    QFile(program).setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);

    QProcess p;
    p.setProcessEnvironment(quietEnvironment(dir.path()));
    p.start(program, {"-Root:" + dir.filePath("Tools")});
    QVERIFY(p.waitForStarted(10000));
    QVERIFY2(p.waitForFinished(60000), "the program did not end by itself");
    const QString err = QString::fromLocal8Bit(p.readAllStandardError());
    QCOMPARE(p.exitStatus(), QProcess::NormalExit);
    QVERIFY(p.exitCode() != 0);
    QVERIFY2(err.contains("Fatal errors during start, application cannot run!"), qPrintable(err));
    QVERIFY2(err.contains("No ini file is available for Quenbar"), qPrintable(err));
}

QTEST_GUILESS_MAIN(TestProgramStart)
#include "tst_programstart.moc"
