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
};

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
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "offscreen");
    env.insert("XDG_CONFIG_HOME", dir.filePath("config"));
    env.insert("XDG_DATA_HOME", dir.filePath("data"));
    env.insert("XDG_RUNTIME_DIR", dir.path());
    p.setProcessEnvironment(env);
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
