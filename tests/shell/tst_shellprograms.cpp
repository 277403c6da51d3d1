// The shell kinds as their users start them: the build's program under a kind's name.
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

class TestShellPrograms : public QObject
{
    Q_OBJECT
private slots:
    void startsUnderItsName_data();
    void startsUnderItsName();
    void withoutSettingsEndsWithFailure();
};

static QProcessEnvironment quietEnvironment(const QString &dir)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "offscreen");
    env.insert("XDG_CONFIG_HOME", dir + "/config");
    env.insert("XDG_DATA_HOME", dir + "/data");
    env.insert("XDG_DOCUMENTS_DIR", dir + "/docs");
    env.insert("HOME", dir);
    QDir().mkpath(dir + "/runtime");
    QFile(dir + "/runtime").setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    env.insert("XDG_RUNTIME_DIR", dir + "/runtime");
    return env;
}

void TestShellPrograms::startsUnderItsName_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("caption");
    QTest::newRow("Mireth") << "Mireth" << "Mireth main shell - COBOL 85";
    QTest::newRow("Tarvell") << "Tarvell" << "Tarvell main shell - COBOL 85";
    QTest::newRow("Pelmar") << "Pelmar" << "Pelmar main shell - Problem reports";
}

// QUENBAR_SNAPSHOT makes the started window save a picture, name its caption and quit.
void TestShellPrograms::startsUnderItsName()
{
    QFETCH(QString, name);
    QTemporaryDir dir;
    QProcessEnvironment env = quietEnvironment(dir.path());
    env.insert("QUENBAR_SNAPSHOT", dir.filePath("shell.png"));
    QProcess p;
    p.setProcessEnvironment(env);
    p.start(QStringLiteral(QUENBAR_BIN_DIR) + "/" + name, QStringList());
    QVERIFY(p.waitForStarted(10000));
    QVERIFY2(p.waitForFinished(60000), "the shell did not end by itself");
    const QString out = QString::fromLocal8Bit(p.readAllStandardOutput());
    const QString err = QString::fromLocal8Bit(p.readAllStandardError());
    QVERIFY2(p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0, qPrintable(err));
    QFETCH(QString, caption);
    QVERIFY2(out.contains("frmOstrinMain: " + caption), qPrintable(out + err));
    QVERIFY(QFile::exists(dir.filePath("shell.png")));
}

void TestShellPrograms::withoutSettingsEndsWithFailure()
{
    QTemporaryDir dir;
    // A shell kind's name for the program in a folder without that kind's settings file.
    QVERIFY(QFile::link(QStringLiteral(QUENBAR_BIN_DIR) + "/Quenbar", dir.filePath("Brisel")));
    QProcess p;
    p.setProcessEnvironment(quietEnvironment(dir.path()));
    p.start(dir.filePath("Brisel"), QStringList());
    QVERIFY(p.waitForStarted(10000));
    QVERIFY2(p.waitForFinished(60000), "the shell did not end by itself");
    const QString err = QString::fromLocal8Bit(p.readAllStandardError());
    QCOMPARE(p.exitStatus(), QProcess::NormalExit);
    QVERIFY(p.exitCode() != 0);
    QVERIFY2(err.contains("Fatal errors during start, application will be stopped"), qPrintable(err));
}

QTEST_GUILESS_MAIN(TestShellPrograms)
#include "tst_shellprograms.moc"
