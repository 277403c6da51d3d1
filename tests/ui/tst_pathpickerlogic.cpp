#include "PathPickerLogic.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

using namespace PathPicker;

class TestPathPickerLogic : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void browseStart_data();
    void browseStart();
    void browseStartCreatesDefault();
    void droppedFolder_data();
    void droppedFolder();
    void validate_data();
    void validate();
    void defaultExtension();
    void reloadAndFilters();

private:
    QTemporaryDir m_dir;
    QString path(const QString &rel) const { return m_dir.filePath(rel); }
};

void TestPathPickerLogic::initTestCase()
{
    QVERIFY(m_dir.isValid());
    QDir().mkpath(path("out/sub"));
    for (const char *f : {"out/a.txt", "out/b.txt", "Rules.txt", "Rules.2"}) {
        QFile file(path(f));
        QVERIFY(file.open(QIODevice::WriteOnly));
    }
}

void TestPathPickerLogic::browseStart_data()
{
    QTest::addColumn<QString>("edit");
    QTest::addColumn<QString>("expected");
    QTest::newRow("existing") << path("out/sub") << path("out/sub");
    QTest::newRow("gone-folder") << path("out/sub/gone/deeper") << path("out/sub");
    QTest::newRow("gone-trailing") << path("out/gone/") << path("out");
    QTest::newRow("short") << "ab" << "DOCS";
    QTest::newRow("relative-missing") << "nothere/x" << "DOCS";
}

void TestPathPickerLogic::browseStart()
{
    QFETCH(QString, edit);
    QFETCH(QString, expected);
    const TBrowseStart s = BrowseStartFolder(edit, path("never-created"), "DOCS");
    QCOMPARE(s.folder, expected);
    QVERIFY(s.created.isEmpty());
    QVERIFY(!QFileInfo::exists(path("never-created")));
}

void TestPathPickerLogic::browseStartCreatesDefault()
{
    const TBrowseStart s = BrowseStartFolder("", path("proposal/deep"), "DOCS");
    QCOMPARE(s.folder, path("proposal/deep"));
    QCOMPARE(s.created, path("proposal/deep"));
    QVERIFY(QFileInfo(path("proposal/deep")).isDir());
    QCOMPARE(BrowseStartFolder("", "C:", "DOCS").folder, QString("DOCS"));
    // An existing default is proposed, not reported as created.
    QVERIFY(BrowseStartFolder("", path("out"), "DOCS").created.isEmpty());
}

void TestPathPickerLogic::droppedFolder_data()
{
    QTest::addColumn<QStringList>("names");
    QTest::addColumn<QString>("edit");
    QTest::addColumn<QString>("expected");
    QTest::newRow("two-files") << QStringList{path("out/a.txt"), path("out/b.txt")} << "" << "";
    QTest::newRow("one-file") << QStringList{path("out/a.txt")} << "" << path("out");
    QTest::newRow("folder") << QStringList{path("out/sub")} << path("out") << path("out/sub");
    QTest::newRow("same-folder") << QStringList{path("out/a.txt")} << path("out") + "/" << "";
    QTest::newRow("missing") << QStringList{path("nothing/x.txt")} << "" << "";
    QTest::newRow("none") << QStringList{} << "" << "";
}

void TestPathPickerLogic::droppedFolder()
{
    QFETCH(QStringList, names);
    QFETCH(QString, edit);
    QFETCH(QString, expected);
    QCOMPARE(DroppedFolder(names, edit), expected);
}

void TestPathPickerLogic::validate_data()
{
    QTest::addColumn<QString>("edit");
    QTest::addColumn<QString>("defaultName");
    QTest::addColumn<int>("state");
    QTest::addColumn<QString>("checked");
    QTest::newRow("exempt-empty") << "" << "@" << int(TValidity::Exempt) << "";
    QTest::newRow("unavailable") << "/x" << "Rules*" << int(TValidity::Unavailable) << "/x";
    QTest::newRow("exists") << "have" << "" << int(TValidity::Valid) << "have";
    QTest::newRow("missing") << "gone" << "have" << int(TValidity::Missing) << "gone";
    QTest::newRow("empty-default") << "" << "have" << int(TValidity::Valid) << "have";
    QTest::newRow("question-default") << "?" << "gone" << int(TValidity::Missing) << "gone";
    QTest::newRow("empty-no-default") << "" << "" << int(TValidity::Missing) << "";
}

void TestPathPickerLogic::validate()
{
    QFETCH(QString, edit);
    QFETCH(QString, defaultName);
    QFETCH(int, state);
    QFETCH(QString, checked);
    const TValidation v = ValidateFile(edit, defaultName, [](const QString &p) { return p == "have"; });
    QCOMPARE(int(v.state), state);
    QCOMPARE(v.path, checked);
}

void TestPathPickerLogic::defaultExtension()
{
    QCOMPARE(DefaultWithExtension(path("Rules.txt"), "2"), path("Rules.2"));
    QCOMPARE(DefaultWithExtension(path("Rules.txt"), ".2"), path("Rules.2"));
    QCOMPARE(DefaultWithExtension(path("Rules.txt"), "3"), QString());
    QCOMPARE(DefaultWithExtension("", "2"), QString());
    QCOMPARE(DefaultWithExtension(path("Rules.txt"), ""), QString());
}

void TestPathPickerLogic::reloadAndFilters()
{
    QCOMPARE(ReloadedItems({"Rule one", "", "x", "Rule two", "ab"}), (QStringList{"Rule one", "Rule two", "ab"}));
    const QDateTime t0 = QDateTime::currentDateTime();
    QVERIFY(NeedsReload(t0, QDateTime()));
    QVERIFY(NeedsReload(t0.addSecs(5), t0));
    QVERIFY(!NeedsReload(t0, t0));
    QVERIFY(!NeedsReload(QDateTime(), t0));

    QCOMPARE(FindFileFilter("Editor", "/usr/bin/gedit.exe"), QString("Editor files (*.exe)|*.exe|All files(*.*)|*.*"));
    QCOMPARE(FindFileFilter("Editor", "/usr/bin/gedit"), QString("All files(*.*)|*.*"));
    QCOMPARE(QtFilter("Editor files (*.exe)|*.exe|All files(*.*)|*.*"), QString("Editor files (*.exe);;All files (*)"));
    QCOMPARE(DirectoryWithDelimiter(""), QString());
    QCOMPARE(DirectoryWithoutDelimiter("/a/b//"), QString("/a/b"));
    QCOMPARE(DirectoryWithoutDelimiter("/"), QString("/"));
}

QTEST_GUILESS_MAIN(TestPathPickerLogic)
#include "tst_pathpickerlogic.moc"
