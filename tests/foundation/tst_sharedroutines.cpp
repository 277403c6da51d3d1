#include "SharedRoutinesCommon.h"
#include "TextFile.h"

#include <QDir>
#include <QFile>
#include <QMap>
#include <QTemporaryDir>
#include <QtTest>

// Settings go to a private config folder, files to a private data folder.
static QTemporaryDir *g_home = nullptr;

class TestSharedRoutines : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();

    void textSplitting_data();
    void textSplitting();
    void commaText_data();
    void commaText();
    void textShaping_data();
    void textShaping();
    void utf8ToSingleByte_data();
    void utf8ToSingleByte();
    void matchesMask_data();
    void matchesMask();

    void commandLineSwitch_data();
    void commandLineSwitch();
    void commandLineValue_data();
    void commandLineValue();

    void textToBool_data();
    void textToBool();
    void integerText_data();
    void integerText();

    void settingsReadWriteBack();
    void settingsThroughQSettings();

    void findFiles_data();
    void findFiles();
    void findFilesDepthAndOddRoots();

    void normalizePath_data();
    void normalizePath();
    void resolvePath_data();
    void resolvePath();
    void copyAndMove();
    void tempNamesAndEnvironment();
    void registerFileType();

    void sortAndFind();

    void nameValueTexts();
    void programFile_data();
    void programFile();
    void toolRoot();
};

void TestSharedRoutines::initTestCase()
{
    g_home = new QTemporaryDir;
    QVERIFY(g_home->isValid());
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(g_home->filePath("config")));
    qputenv("XDG_DATA_HOME", QFile::encodeName(g_home->filePath("data")));
}

void TestSharedRoutines::cleanupTestCase()
{
    delete g_home;
    g_home = nullptr;
}

void TestSharedRoutines::textSplitting_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("sep");
    QTest::addColumn<QStringList>("afterAfterLastBeforeBeforeLast");
    QTest::newRow("a=b=c") << "a=b=c" << "=" << QStringList{"b=c", "c", "a", "a=b"};
    QTest::newRow("missing") << "a=b=c" << ";" << QStringList{"", "", "a=b=c", "a=b=c"};
    QTest::newRow("empty-sep") << "abc" << "" << QStringList{"", "", "abc", "abc"};
    QTest::newRow("long-sep") << "x::y::z" << "::" << QStringList{"y::z", "z", "x", "x::y"};
    QTest::newRow("at-edges") << "=mid=" << "=" << QStringList{"mid=", "", "", "=mid"};
}

void TestSharedRoutines::textSplitting()
{
    QFETCH(QString, text);
    QFETCH(QString, sep);
    QFETCH(QStringList, afterAfterLastBeforeBeforeLast);
    QCOMPARE(TextAfter(text, sep), afterAfterLastBeforeBeforeLast[0]);
    QCOMPARE(TextAfterLast(text, sep), afterAfterLastBeforeBeforeLast[1]);
    QCOMPARE(TextBefore(text, sep), afterAfterLastBeforeBeforeLast[2]);
    QCOMPARE(TextBeforeLast(text, sep), afterAfterLastBeforeBeforeLast[3]);
}

void TestSharedRoutines::commaText_data()
{
    using L = QStringList;
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("stored");     // TCommaBlanks::Separate
    QTest::addColumn<QStringList>("settings");   // TCommaBlanks::Trim
    // Both rules agree.
    QTest::newRow("empty") << "" << L() << L();
    QTest::newRow("blank") << " \t " << L() << L();
    QTest::newRow("quoted comma") << "\"Logic, generated\",WSDLGEN" << L{"Logic, generated", "WSDLGEN"}
                                  << L{"Logic, generated", "WSDLGEN"};
    QTest::newRow("doubled quote") << "\"say \"\"hi\"\"\",x" << L{"say \"hi\"", "x"} << L{"say \"hi\"", "x"};
    QTest::newRow("blanks around") << " a , b ,c" << L{"a", "b", "c"} << L{"a", "b", "c"};
    QTest::newRow("blanks at both ends") << "  a , b  " << L{"a", "b"} << L{"a", "b"};
    QTest::newRow("empty items") << "a,,b," << L{"a", "", "b", ""} << L{"a", "", "b", ""};
    QTest::newRow("empty first") << ",a" << L{"", "a"} << L{"", "a"};
    QTest::newRow("empty quoted middle") << "a,\"\",b" << L{"a", "", "b"} << L{"a", "", "b"};
    QTest::newRow("unterminated quote") << "x,\"abc" << L{"x", "abc"} << L{"x", "abc"};
    // Blanks separate stored items but belong to settings captions.
    QTest::newRow("blanks inside items") << "Business logic generation,WSDLGEN"
                                         << L{"Business", "logic", "generation", "WSDLGEN"}
                                         << L{"Business logic generation", "WSDLGEN"};
    QTest::newRow("blank splits unquoted") << "a b" << L{"a", "b"} << L{"a b"};
    QTest::newRow("comma blank end") << "a, " << L{"a"} << L{"a", ""};
    QTest::newRow("text after quote") << "\"ab\"cd,e" << L{"ab", "cd", "e"} << L{"ab", "e"};
    // What counts as a blank: characters up to space, or Unicode white space.
    QTest::newRow("control character") << "a\x01" "b" << L{"a", "b"} << L{"a\x01" "b"};
    QTest::newRow("no-break space") << QString::fromUtf8(" \u00a0x\u00a0") << L{QString::fromUtf8("\u00a0x\u00a0")}
                                    << L{"x"};
}

void TestSharedRoutines::commaText()
{
    QFETCH(QString, text);
    QFETCH(QStringList, stored);
    QFETCH(QStringList, settings);
    QCOMPARE(SplitCommaText(text, TCommaBlanks::Separate), stored);
    QCOMPARE(SplitCommaText(text, TCommaBlanks::Trim), settings);
}

void TestSharedRoutines::textShaping_data()
{
    QTest::addColumn<QString>("routine");
    QTest::addColumn<QString>("input");
    QTest::addColumn<QString>("expected");
    QTest::newRow("capfirst") << "CapitalizeFirst" << QString::fromUtf8("őRÜLT ÉV") << QString::fromUtf8("Őrült év");
    QTest::newRow("capfirst-empty") << "CapitalizeFirst" << "" << "";
    QTest::newRow("capwords") << "CapitalizeWords" << "hELLO wide-world.of_FOO,bar" << "Hello Wide-World.Of_Foo,Bar";
    QTest::newRow("capwords-seps") << "CapitalizeWords" << "  a--b" << "  A--B";
    QTest::newRow("collapse-path") << "CollapseRepeats\\" << "\\\\server\\\\share\\x" << "server\\share\\x";
    QTest::newRow("collapse-blank") << "CollapseRepeats " << "  a   b  " << "a b ";
    QTest::newRow("whitespace") << "CollapseWhitespace" << "\t a \r\n\n b  \t" << "a b ";
    QTest::newRow("spread") << "SpreadLetters" << "ab" << "a  b  ";
    QTest::newRow("accents") << "RemoveAccents" << QString::fromUtf8("Árvíztűrő tükörfúrógép ŐŰ č")
                             << QString::fromUtf8("Arvizturo tukorfurogep OU č");
}

void TestSharedRoutines::textShaping()
{
    QFETCH(QString, routine);
    QFETCH(QString, input);
    QFETCH(QString, expected);
    QString got;
    if (routine == "CapitalizeFirst")
        got = CapitalizeFirst(input);
    else if (routine == "CapitalizeWords")
        got = CapitalizeWords(input);
    else if (routine.startsWith("CollapseRepeats"))
        got = CollapseRepeats(input, routine.back());
    else if (routine == "CollapseWhitespace")
        got = CollapseWhitespace(input);
    else if (routine == "SpreadLetters")
        got = SpreadLetters(input);
    else
        got = RemoveAccents(input);
    QCOMPARE(got, expected);
}

void TestSharedRoutines::utf8ToSingleByte_data()
{
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<QByteArray>("expected");
    QTest::newRow("ascii") << QByteArray("plain text") << QByteArray("plain text");
    QTest::newRow("o-double-acute") << QByteArray("\xC5\x91") << QByteArray("\xF5");
    QTest::newRow("e-acute") << QByteArray("x\xC3\xA9y") << QByteArray("x\xE9y");
    QTest::newRow("beyond-16-bit") << QByteArray("\xF0\x9F\x98\x80!") << QByteArray("\0!", 2);
    QTest::newRow("invalid-start") << QByteArray("\xE9t\xE9") << QByteArray("\xE9t\xE9");
    QTest::newRow("truncated") << QByteArray("a\xC5") << QByteArray("a\xC5");
}

void TestSharedRoutines::utf8ToSingleByte()
{
    QFETCH(QByteArray, input);
    QFETCH(QByteArray, expected);
    QCOMPARE(Utf8ToSingleByte(input), expected);
}

void TestSharedRoutines::matchesMask_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("mask");
    QTest::addColumn<bool>("allowLonger");
    QTest::addColumn<bool>("expected");
    QTest::newRow("exact-ci") << "COMP0001" << "comp####" << false << true;
    QTest::newRow("digit-fails") << "COMP00x1" << "COMP####" << false << false;
    QTest::newRow("question") << "abc" << "a?c" << false << true;
    QTest::newRow("longer-refused") << "abcd" << "abc" << false << false;
    QTest::newRow("longer-allowed") << "abcd" << "abc" << true << true;
    QTest::newRow("shorter") << "ab" << "abc" << true << false;
    QTest::newRow("accented-ci") << QString::fromUtf8("ŐSZ") << QString::fromUtf8("ősz") << false << true;
}

void TestSharedRoutines::matchesMask()
{
    QFETCH(QString, name);
    QFETCH(QString, mask);
    QFETCH(bool, allowLonger);
    QFETCH(bool, expected);
    QCOMPARE(MatchesMask(name, mask, allowLonger), expected);
}

void TestSharedRoutines::commandLineSwitch_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QString>("option");
    QTest::addColumn<bool>("def");
    QTest::addColumn<bool>("expected");
    const QString sha = "-ShowAdvanced:-ShA";
    QTest::newRow("short") << QStringList{"-sha"} << sha << false << true;
    QTest::newRow("plus") << QStringList{"-SHA+"} << sha << false << true;
    QTest::newRow("long-value") << QStringList{"-showadvanced=1"} << sha << false << true;
    QTest::newRow("minus") << QStringList{"-sha-"} << sha << true << false;
    QTest::newRow("absent-default") << QStringList{"-x", "file"} << sha << true << true;
    QTest::newRow("first-decides") << QStringList{"-sha-", "-sha"} << sha << true << false;
    QTest::newRow("no-dash-name") << QStringList{"-p"} << "-Proj:P" << false << true;
    QTest::newRow("empty-option") << QStringList{"-sha"} << "" << true << false;
    QTest::newRow("odd-args") << QStringList{"", "=", "-", "==-sha"} << sha << false << false;
}

void TestSharedRoutines::commandLineSwitch()
{
    QFETCH(QStringList, args);
    QFETCH(QString, option);
    QFETCH(bool, def);
    QFETCH(bool, expected);
    QCOMPARE(CommandLineSwitch(args, option, def), expected);
}

void TestSharedRoutines::commandLineValue_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QString>("option");
    QTest::addColumn<bool>("found");
    QTest::addColumn<QString>("value");
    QTest::newRow("pair") << QStringList{"-r", "/tools"} << "-Root:-R" << true << "/tools";
    QTest::newRow("equals") << QStringList{"-Root=/tools/x=y"} << "-Root:-R" << true << "/tools/x=y";
    QTest::newRow("next-is-option") << QStringList{"-r", "-proj=a"} << "-Root:-R" << false << "";
    QTest::newRow("last-without-value") << QStringList{"-r"} << "-Root:-R" << false << "";
    QTest::newRow("first-wins") << QStringList{"-p=a", "-proj", "b"} << "-Proj:P" << true << "a";
    QTest::newRow("default-single") << QStringList{"job.jQuenbar"} << "-Proj:P:default" << true << "job.jQuenbar";
    QTest::newRow("default-needs-one") << QStringList{"a", "b"} << "-Proj:P:default" << false << "";
    QTest::newRow("empty-value") << QStringList{"-proj="} << "-Proj:P" << true << "";
    QTest::newRow("colon") << QStringList{"-Proj:/jobs/a=b.jQuenbar"} << "-Proj:P" << true << "/jobs/a=b.jQuenbar";
    QTest::newRow("equals-before-colon") << QStringList{"-root=/x:y"} << "-Root:-R" << true << "/x:y";
}

void TestSharedRoutines::commandLineValue()
{
    QFETCH(QStringList, args);
    QFETCH(QString, option);
    QFETCH(bool, found);
    QFETCH(QString, value);
    QString got = "stale";
    QCOMPARE(CommandLineValue(args, option, got), found);
    QCOMPARE(got, value);
}

void TestSharedRoutines::textToBool_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("expected");   // 0 false, 1 true, -1 error
    QTest::newRow("J") << "J" << 1;
    QTest::newRow("i") << "i" << 1;
    QTest::newRow("Y") << "Y" << 1;
    QTest::newRow("True") << "True" << 1;
    QTest::newRow("FALSE") << "FALSE" << 0;
    QTest::newRow("n") << "n" << 0;
    QTest::newRow("empty") << "" << 0;
    QTest::newRow("0") << "0" << -1;
    QTest::newRow("yes") << "yes" << -1;
}

void TestSharedRoutines::textToBool()
{
    QFETCH(QString, text);
    QFETCH(int, expected);
    if (expected < 0) {
        try {
            TextToBool(text);
            QFAIL("no error raised");
        } catch (const EConvertError &e) {
            QCOMPARE(e.message(), text + " is not valid boolean value (Y,J,I,N,True,False)");
        }
    } else {
        QCOMPARE(TextToBool(text), expected == 1);
    }
    QCOMPARE(TextToBool(QString(), true), true);
    QCOMPARE(BoolToYN(true) + BoolToYN(false), QString("YN"));
}

void TestSharedRoutines::integerText_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("valid");
    QTest::addColumn<int>("value");
    QTest::newRow("plain") << "42" << true << 42;
    QTest::newRow("blanks") << " \t-17 \r\n" << true << -17;
    QTest::newRow("plus") << "+5" << true << 5;
    QTest::newRow("sign-only") << "-" << false << 0;
    QTest::newRow("empty") << "   " << false << 0;
    QTest::newRow("inner-blank") << "1 2" << false << 0;
    QTest::newRow("hex") << "0x10" << false << 0;
    QTest::newRow("overflow") << "99999999999" << false << 0;
}

void TestSharedRoutines::integerText()
{
    QFETCH(QString, text);
    QFETCH(bool, valid);
    QFETCH(int, value);
    int got = -1;
    QCOMPARE(TryTextToInt(text, got), valid);
    QCOMPARE(got, value);
    if (text != "99999999999")
        QCOMPARE(IsIntegerText(text), valid);
}

void TestSharedRoutines::settingsReadWriteBack()
{
    QMap<QString, QString> store;
    QStringList writes;
    SetSettingsProcedures([&](const QString &n) { return store.value(n); },
                          [&](const QString &n, const QString &t) {
                              writes << n + "=" + t;
                              store[n] = t;
                          });
    QCOMPARE(ReadSetting("Font", "Courier"), QString("Courier"));
    QCOMPARE(ReadSettingInt("Width", 640), 640);
    QCOMPARE(ReadSettingBool("Max", true), true);
    QCOMPARE(writes, (QStringList{"Font=Courier", "Width=640", "Max=1"}));
    QCOMPARE(ReadSetting("Font", "Other"), QString("Courier"));

    store["Width"] = "wide";
    writes.clear();
    QCOMPARE(ReadSettingInt("Width", 800), 800);   // not an integer: default, nothing written
    QVERIFY(writes.isEmpty());
    store["Max"] = "yes";
    QCOMPARE(ReadSettingBool("Max", true), false); // only "1" is true
    SetSettingsProcedures({}, {});
}

void TestSharedRoutines::settingsThroughQSettings()
{
    SetSettingsProgram("Quenbar Shell");
    SetSettingsSection("Parameters");
    QCOMPARE(ReadSetting("LastFolder", "/home/x"), QString("/home/x"));
    WriteSettingInt("Left", 12);
    QCOMPARE(ReadSettingInt("Left", 0), 12);
    QCOMPARE(RegistrySettingsReader("NeverWritten"), QString());
    QSettings check(QSettings::NativeFormat, QSettings::UserScope, "Velmora", "Quenbar Shell");
    QCOMPARE(check.value("Parameters/LastFolder").toString(), QString("/home/x"));
    QVERIFY(check.contains("Parameters/NeverWritten"));   // a read creates the value
    QVERIFY(check.fileName().startsWith(g_home->path()));
}

static void touch(const QString &path)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
}

void TestSharedRoutines::findFiles_data()
{
    QTest::addColumn<QString>("mask");
    QTest::addColumn<QString>("extensions");
    QTest::addColumn<QStringList>("expected");
    QTest::newRow("last*") << "last*" << "*.*" << QStringList{"lastprc.xml", "sub/lastobj.xml"};
    QTest::newRow("exact-name") << "Module Ranking.txt" << "*.*" << QStringList{"Module Ranking.txt"};
    QTest::newRow("no-ext") << "*" << ".;" << QStringList{"README"};
    QTest::newRow("ext-list-ci") << "" << ".XML;.txt" << QStringList{"Module Ranking.txt", "lastprc.xml", "xlastx.xml", "sub/lastobj.xml"};
    QTest::newRow("lead-star") << "*x" << ".xml" << QStringList{"xlastx.xml"};
    QTest::newRow("both-stars") << "*last*" << ".xml" << QStringList{"lastprc.xml", "xlastx.xml", "sub/lastobj.xml"};
    QTest::newRow("digits") << "COMP####" << "*.*" << QStringList{"sub/COMP0001.met"};
}

void TestSharedRoutines::findFiles()
{
    QFETCH(QString, mask);
    QFETCH(QString, extensions);
    QFETCH(QStringList, expected);
    QTemporaryDir dir;
    for (const char *f : {"lastprc.xml", "xlastx.xml", "Module Ranking.txt", "README", ".hidden.xml",
                          "sub/lastobj.xml", "sub/COMP0001.met", ".git/last.xml"})
        touch(dir.filePath(f));
    QStringList found{"kept"};
    FindFiles(dir.path(), QString(), mask, -1, found, extensions);
    QCOMPARE(found.takeFirst(), QString("kept"));   // appends, never clears
    QStringList relative;
    for (const QString &f : found)
        relative << QDir(dir.path()).relativeFilePath(f);
    relative.sort();
    expected.sort();
    QCOMPARE(relative, expected);
}

void TestSharedRoutines::findFilesDepthAndOddRoots()
{
    QTemporaryDir dir;
    touch(dir.filePath("a.met"));
    touch(dir.filePath("s1/b.met"));
    touch(dir.filePath("s1/s2/c.met"));
    QStringList l;
    FindFilesToDepth(dir.path(), QString(), ".met", 0, l);
    QVERIFY(l.isEmpty());
    FindFilesToDepth(dir.path(), QString(), ".met", 1, l);
    QCOMPARE(l.size(), 1);
    l.clear();
    FindFilesToDepth(dir.path(), QString(), ".met", 2, l);
    QCOMPARE(l.size(), 2);
    l.clear();
    FindFilesByExtension(dir.path(), "s1", ".met", l);
    QCOMPARE(l.size(), 2);
    l.clear();
    // A folder link back to the root must not loop.
    QVERIFY(QFile::link(dir.path(), dir.filePath("s1/loop")));
    FindFilesByMask(dir.path(), QString(), "*", l, "*.*");
    QCOMPARE(l.size(), 3);
    l.clear();
    FindFilesByExtension(dir.filePath("missing"), "x", ".met", l);
    QVERIFY(l.isEmpty());
}

void TestSharedRoutines::normalizePath_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("delim");
    QTest::addColumn<QString>("expected");
    QTest::newRow("dot-seg") << "a\\.\\.\\b" << "\\" << "a\\b";
    QTest::newRow("lead-trail-dot") << "./a/b/." << "/" << "a/b";
    QTest::newRow("dotdot") << "a/b/../c" << "/" << "a/c";
    QTest::newRow("dotdot-twice") << "a/b/c/../../d" << "/" << "a/d";
    QTest::newRow("dotdot-above") << "../../x" << "/" << "../../x";
    QTest::newRow("abs-root") << "/a/../../b" << "/" << "/b";
    QTest::newRow("root-dotdot") << "/.." << "/" << "";
    QTest::newRow("drive") << "C:\\..\\x" << "\\" << "C:\\x";
    QTest::newRow("drive-only") << "C:\\.." << "\\" << "C:";
    QTest::newRow("drive-stop") << "C:\\a\\..\\..\\b" << "\\" << "C:\\b";
    QTest::newRow("trailing-dot") << "file." << "/" << "file";
    QTest::newRow("dot-only") << "." << "/" << "";
    QTest::newRow("dots-kept") << "a/.." << "/" << "";
    QTest::newRow("empty") << "" << "/" << "";
    QTest::newRow("mixed") << "a\\b/../c" << "/" << "c";
}

void TestSharedRoutines::normalizePath()
{
    QFETCH(QString, path);
    QFETCH(QString, delim);
    QFETCH(QString, expected);
    QCOMPARE(NormalizePath(path, delim[0]), expected);
}

void TestSharedRoutines::resolvePath_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("base");
    QTest::addColumn<QString>("expected");
    QTest::newRow("empty") << "" << "/work/out" << "/work/out";
    QTest::newRow("relative") << "../in/a.txt" << "/work/out" << "/work/in/a.txt";
    QTest::newRow("absolute") << "/etc/x" << "/work" << "/etc/x";
    QTest::newRow("drive") << "D:\\x" << "/work" << "D:\\x";
    QTest::newRow("trailing-base") << "a" << "/work/" << "/work/a";
}

void TestSharedRoutines::resolvePath()
{
    QFETCH(QString, path);
    QFETCH(QString, base);
    QFETCH(QString, expected);
    QCOMPARE(ResolvePath(path, base), expected);
    QVERIFY(!IsAbsolutePath("") && IsAbsolutePath("\\x") && IsAbsolutePath("c:") && !HasDriveLetter("1:"));
    QCOMPARE(WithTrailingChar("", '/'), QString());
}

void TestSharedRoutines::copyAndMove()
{
    QTemporaryDir dir;
    const QString src = dir.filePath("src.bin");
    QByteArray payload(20000, 'x');
    payload[12345] = 'y';
    {
        QFile f(src);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(payload);
    }
    QDir().mkpath(dir.filePath("to"));
    CopyFileTo(src, dir.filePath("to"));   // into a folder: keeps the name
    QFile copied(dir.filePath("to/src.bin"));
    QVERIFY(copied.open(QIODevice::ReadOnly));
    QCOMPARE(copied.readAll(), payload);
    copied.close();

    try {
        CopyFileTo(dir.filePath("none"), dir.filePath("x"));
        QFAIL("no error");
    } catch (const EFileError &e) {
        QCOMPARE(e.message(), "Can not open file " + dir.filePath("none"));
    }
    QVERIFY_THROWS_EXCEPTION(EFileError, CopyFileTo(src, dir.filePath("no/such/folder/x")));

    MoveFileTo(src, dir.filePath("moved.bin"));
    QVERIFY(!QFile::exists(src));
    QVERIFY(QFile::exists(dir.filePath("moved.bin")));
    try {
        MoveFileTo(src, dir.filePath("again.bin"));
        QFAIL("no error");
    } catch (const EFileError &e) {
        QCOMPARE(e.message(), "Can not move file " + src);
    }
    QVERIFY(FileModifiedTime(dir.filePath("moved.bin")).isValid());
    QVERIFY(!FileModifiedTime(src).isValid());
    QVERIFY(FileHasAttribute(dir.filePath("to"), faDirectory));
    QVERIFY(!FileHasAttribute(dir.filePath("moved.bin"), faDirectory | faHidden));
}

void TestSharedRoutines::tempNamesAndEnvironment()
{
    const QString a = UniqueTempFileName(".xml");
    QVERIFY(a.endsWith(".xml"));
    QVERIFY(QFileInfo(a).fileName().startsWith("~"));
    QVERIFY(!QFile::exists(a));
    QCOMPARE(TempFilePath("x.txt"), QDir(QDir::tempPath()).absoluteFilePath("x.txt"));

    qputenv("QUENBAR_TEST_VAR", "value");
    QCOMPARE(ExpandEnvironment("a%QUENBAR_TEST_VAR%b"), QString("avalueb"));
    QCOMPARE(ExpandEnvironment("%QUENBAR_UNDEFINED%/%QUENBAR_TEST_VAR%"), QString("%QUENBAR_UNDEFINED%/value"));
    QCOMPARE(ExpandEnvironment("100% sure %"), QString("100% sure %"));
    QVERIFY(!ProgramVersionString("FileVersion").isEmpty());
    QVERIFY(ProgramVersionString("NoSuchKey").isEmpty());
}

void TestSharedRoutines::registerFileType()
{
    QVERIFY(RegisterFileExtension(".jQuenbar", "Quenbar.Job"));
    QVERIFY(RegisterFileTypeIcon("Quenbar.Job", "quenbar"));
    QVERIFY(RegisterFileTypeVerb("Quenbar.Job", "OpenAdvanced", "Open advanced", "/opt/Quenbar -ShA -Proj:\"%1\""));
    QVERIFY(RegisterFileTypeVerb("Quenbar.Job", "Open", "Open", "/opt/Quenbar -Proj:\"%1\""));
    const QString data = g_home->filePath("data");
    const QString mime = TextFile::readText(data + "/mime/packages/velmora-quenbar-job.xml");
    QVERIFY(mime.contains("<glob pattern=\"*.jQuenbar\"/>"));
    QVERIFY(mime.contains("<icon name=\"quenbar\"/>"));
    const QString entry = TextFile::readText(data + "/applications/velmora-quenbar-job-open.desktop");
    QVERIFY(entry.contains("Exec=/opt/Quenbar -Proj:%f"));
    QVERIFY(entry.contains("MimeType=application/x-velmora-quenbar-job;"));
    QVERIFY(TextFile::readText(data + "/applications/mimeapps.list").contains("velmora-quenbar-job-open.desktop"));

    // An unusable data folder is reported as false, never raised.
    const QString blocker = g_home->filePath("blocker");
    touch(blocker);
    qputenv("XDG_DATA_HOME", QFile::encodeName(blocker));
    QVERIFY(!RegisterFileExtension(".x", "Other"));
    QVERIFY(!RegisterFileTypeVerb("Other", "Open", "Open", "x"));
    qputenv("XDG_DATA_HOME", QFile::encodeName(data));
}

void TestSharedRoutines::sortAndFind()
{
    QStringList list{"b=1", QString::fromUtf8("Ábel=2"), "a=3", "B=4", "c", "A=5", "b=6"};
    int calls = 0;
    SortListByName(list, [&] { ++calls; });
    QVERIFY(calls > 0);
    for (int i = 1; i < list.size(); ++i)
        QVERIFY2(CompareText(ListName(list[i - 1]), ListName(list[i])) <= 0, qPrintable(list.join(' ')));
    const int b = FindFirstByName(list, "b");
    QVERIFY(b >= 0);
    QVERIFY(b == 0 || ListName(list[b - 1]) != "b");
    QCOMPARE(ListName(list[b]).toLower(), QString("b"));
    QCOMPARE(FindFirstByName(list, "zz"), -1);
    QCOMPARE(FindFirstByName(list, "c"), int(list.indexOf("c")));
    QCOMPARE(FindFirstByName({}, "a"), -1);

    // A large list with many equal names sorts without trouble.
    QStringList big;
    for (int i = 0; i < 20000; ++i)
        big << QString("n%1=%2").arg(i % 7).arg(i);
    SortListByName(big);
    QCOMPARE(ListName(big.first()), QString("n0"));
    QCOMPARE(ListName(big.last()), QString("n6"));
    const int firstN3 = int(std::count_if(big.cbegin(), big.cend(), [](const QString &l) { return ListName(l) < "n3"; }));
    QCOMPARE(FindFirstByName(big, "n3"), firstN3);
}

void TestSharedRoutines::nameValueTexts()
{
    QStringList lines{"; no name", "Key=a=b", "KEY=second", "=empty name"};
    QCOMPARE(IndexOfNameIn(lines, "key"), 1);
    QCOMPARE(ValueOfNameIn(lines, "kEy"), QStringLiteral("a=b"));   // everything after the first "="
    QCOMPARE(IndexOfNameIn(lines, "; no name"), -1);
    SetValueOfNameIn(lines, "KEY", "c");
    QCOMPARE(lines[1], QStringLiteral("Key=c"));
    SetValueOfNameIn(lines, "New", "");
    QCOMPARE(lines.last(), QStringLiteral("New="));

    QCOMPARE(ParenthesisedItems("(DirDepth=2,Rules=N, \"A,B\" )"), (QStringList{"DirDepth=2", "Rules=N", "A,B"}));
    QCOMPARE(ParenthesisedItems("x(a,(b),c)y"), (QStringList{"a", "(b)", "c"}));
    QVERIFY(ParenthesisedItems("no list").isEmpty());
    QVERIFY(ParenthesisedItems(")(").isEmpty());

    QCOMPARE(ZeroPrefixedInt(""), 0);
    QCOMPARE(ZeroPrefixedInt("75"), 75);
    try {
        ZeroPrefixedInt("x");
        QFAIL("no conversion error");
    } catch (const EConvertError &e) {
        QCOMPARE(e.message(), QStringLiteral("'0x' is not a valid integer value"));
    }
}

void TestSharedRoutines::programFile_data()
{
    QTest::addColumn<QStringList>("existing");
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("expected");
    QTest::addColumn<bool>("exists");
    QTest::newRow("as written") << QStringList{"a/Tool.exe", "a/Tool"} << "a/Tool.exe" << "a/Tool.exe" << true;
    QTest::newRow("without .exe") << QStringList{"a/Tool"} << "a/Tool.exe" << "a/Tool" << true;
    QTest::newRow("any case") << QStringList{"a/Tool"} << "a/Tool.EXE" << "a/Tool" << true;
    QTest::newRow("backslashes") << QStringList{"a/b/Tool"} << "a\\b\\Tool.exe" << "a/b/Tool" << true;
    QTest::newRow("neither") << QStringList{} << "a\\Tool.exe" << "a/Tool.exe" << false;
    QTest::newRow("other extension kept") << QStringList{"a/Tool"} << "a/Tool.com" << "a/Tool.com" << false;
    QTest::newRow("a folder is no program") << QStringList{"a/Tool/x"} << "a/Tool.exe" << "a/Tool.exe" << false;
}

void TestSharedRoutines::programFile()
{
    QFETCH(QStringList, existing);
    QFETCH(QString, path);
    QFETCH(QString, expected);
    QFETCH(bool, exists);
    QTemporaryDir dir;
    for (const QString &f : existing) {
        QDir().mkpath(QFileInfo(dir.filePath(f)).absolutePath());
        QFile file(dir.filePath(f));
        QVERIFY(file.open(QIODevice::WriteOnly));
    }
    const QString base = dir.path() + QLatin1Char('/');
    QCOMPARE(ProgramFile(base + path), base + expected);
    QCOMPARE(ProgramFileExists(base + path), exists);
    QCOMPARE(ProgramFile(QString()), QString());
}

void TestSharedRoutines::toolRoot()
{
    QTemporaryDir dir;
    const QString tools = dir.path() + QStringLiteral("/X/TOOLS");
    QVERIFY(QDir().mkpath(tools));
    QCOMPARE(ToolRootOf(tools + "/", "Tools", "\\Test\\Brisel"), tools);   // stays without the install folder
    QVERIFY(QDir().mkpath(tools + "/Test/Brisel"));
    QCOMPARE(ToolRootOf(tools, "Tools", "\\Test\\Brisel"), tools + "/Test/Brisel");
    QCOMPARE(ToolRootOf(dir.path() + "/X", "Tools", "\\Test\\Brisel"), dir.path() + "/X");
}

QTEST_GUILESS_MAIN(TestSharedRoutines)
#include "tst_sharedroutines.moc"
