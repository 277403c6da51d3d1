#include "Errors.h"
#include "StreamToIniCore.h"
#include "TextFile.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

using namespace StreamToIniFormat;

class TestStreamToIni : public QObject
{
    Q_OBJECT
private slots:
    void commaText_data();
    void commaText();
    void valueAssignment();
    void keyLookupWithShortKey();
    void saveToFileFormatLineAndEndMarker_data();
    void saveToFileFormatLineAndEndMarker();
    void loadFromFileSetsFileFormat();
    void loadMissingFileKeepsLines();
    void checkListLines();
    void checkListOneFlagFile();
    void checkListBadMarkKeepsEarlierItems();
    void incComboLines();
    void holderLines();
    void holderOldCommaFormat();
    void holderBadNumbers();
    void memoBlock();
    void comboSelection_data();
    void comboSelection();
    void damagedLines();
};

void TestStreamToIni::commaText_data()
{
    QTest::addColumn<QStringList>("items");
    QTest::addColumn<QString>("text");
    QTest::newRow("plain") << QStringList{"a", "b", "c"} << "a,b,c";
    QTest::newRow("blank") << QStringList{"a b", "c"} << "\"a b\",c";
    QTest::newRow("comma") << QStringList{"x,y"} << "\"x,y\"";
    QTest::newRow("quote") << QStringList{"say \"hi\""} << "\"say \"\"hi\"\"\"";
    QTest::newRow("tab") << QStringList{"a\tb"} << "\"a\tb\"";
    QTest::newRow("single empty") << QStringList{""} << "\"\"";
    QTest::newRow("none") << QStringList{} << "";
    QTest::newRow("empty last") << QStringList{"a", ""} << "a,";
    QTest::newRow("empty first") << QStringList{"", "a"} << ",a";
    QTest::newRow("two empty") << QStringList{"", ""} << ",";
    QTest::newRow("accents") << QStringList{QString::fromUtf8("árvíz"), "=x"} << QString::fromUtf8("árvíz,=x");
}

void TestStreamToIni::commaText()
{
    QFETCH(QStringList, items);
    QFETCH(QString, text);
    QCOMPARE(CommaText(items), text);
    QCOMPARE(FromCommaText(text), items);
}

void TestStreamToIni::valueAssignment()
{
    TStreamToIniCore list;
    list.setLines({"[Properties]", "ProjectName=old", "projectname=second", "NoEquals"});
    list.WriteValue("PROJECTNAME", "new");
    QCOMPARE(list.lines(), QStringList({"[Properties]", "PROJECTNAME=new", "projectname=second", "NoEquals"}));
    // A line without "=" has no name, so the key is appended.
    list.WriteValue("NoEquals", "v");
    QCOMPARE(list.at(4), QString("NoEquals=v"));
    QCOMPARE(list.count(), 5);
    // An empty value removes the first line of that name and writes nothing.
    list.WriteValue("projectName", QString());
    QCOMPARE(list.lines(), QStringList({"[Properties]", "projectname=second", "NoEquals", "NoEquals=v"}));
    list.WriteValue("Missing", QString());
    QCOMPARE(list.count(), 4);
    QCOMPARE(list.nameAt(2), QString());
    QCOMPARE(list.valueAt(3), QString("v"));
    QCOMPARE(list.indexOf("noequals"), 2);
}

void TestStreamToIni::keyLookupWithShortKey()
{
    TStreamToIniCore list;
    list.setLines({"[Editboxes]", "EditName=short", "frmMain.EditPath=a=b", "frmMain.EditName.Content=(x)", "=orphan"});
    QCOMPARE(list.IndexOfKey("FRMMAIN.editpath"), 2);
    QCOMPARE(list.ReadValue("frmMain.EditPath"), QString("a=b"));   // value after the first "="
    QCOMPARE(list.IndexOfKey("frmMain.EditName"), 1);              // through the short key
    QCOMPARE(list.ReadValue("frmOther.EditName"), QString("short"));
    QCOMPARE(list.IndexOfKey("EditName.Content"), -1);            // "Content" is not a name
    QCOMPARE(list.IndexOfKey("frmMain.Nothing"), -1);
    QCOMPARE(list.ReadValue("frmMain.Nothing"), QString());
    QCOMPARE(list.IndexOfKey("Nothing"), -1);
    QCOMPARE(list.IndexOfKey("frmMain."), -1);   // no short key: never the "=orphan" line
    QCOMPARE(list.IndexOfName("EditName.Content"), -1);
    QCOMPARE(list.IndexOfName("frmMain.EditName"), -1);           // IndexOfName has no fallback
}

void TestStreamToIni::saveToFileFormatLineAndEndMarker_data()
{
    QTest::addColumn<QStringList>("lines");
    QTest::addColumn<QStringList>("written");
    QTest::newRow("inserted first, marker last")
        << QStringList{"[Properties]", "ProjectName=x"}
        << QStringList{"StreamToIni.FileFormat=1", "[Properties]", "ProjectName=x", "[Konyec szkazki]"};
    QTest::newRow("last line a section")
        << QStringList{"a=1", "[Memos]"} << QStringList{"StreamToIni.FileFormat=1", "a=1", "[Memos]"};
    QTest::newRow("last line empty") << QStringList{"a=1", ""} << QStringList{"StreamToIni.FileFormat=1", "a=1", ""};
    QTest::newRow("existing format line set to 1")
        << QStringList{"x=1", "streamtoini.fileformat=0", "[Konyec szkazki]"}
        << QStringList{"x=1", "StreamToIni.FileFormat=1", "[Konyec szkazki]"};
    QTest::newRow("empty list") << QStringList{} << QStringList{"StreamToIni.FileFormat=1", "[Konyec szkazki]"};
}

void TestStreamToIni::saveToFileFormatLineAndEndMarker()
{
    QFETCH(QStringList, lines);
    QFETCH(QStringList, written);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath("job.txt");
    TStreamToIniCore list;
    list.setLines(lines);
    list.SaveToFile(path);
    QCOMPARE(list.lines(), written);
    QFile f(path);
    QVERIFY(f.open(QIODevice::ReadOnly));
    QCOMPARE(f.readAll(), TextFile::joinLines(written).toLatin1());
    // Saving again adds neither a second format line nor a second marker.
    list.SaveToFile(path);
    QCOMPARE(list.lines(), written);
}

void TestStreamToIni::loadFromFileSetsFileFormat()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath("job.txt");
    TextFile::writeLines(path, {"StreamToIni.FileFormat=1", "ProjectName=" + QString::fromUtf8("á")});
    TStreamToIniCore list;
    list.LoadFromFile(path);
    QVERIFY(list.FileFormat);
    QCOMPARE(list.ReadValue("ProjectName"), QString::fromUtf8("á"));

    TextFile::writeLines(path, {"StreamToIni.FileFormat=2", "ProjectName=y"});
    list.LoadFromFile(path);
    QVERIFY(!list.FileFormat);
    QCOMPARE(list.count(), 2);

    TextFile::writeLines(path, {"ProjectName=z"});
    list.FileFormat = true;
    list.LoadFromFile(path);
    QVERIFY(!list.FileFormat);
    QCOMPARE(list.lines(), QStringList{"ProjectName=z"});
}

void TestStreamToIni::loadMissingFileKeepsLines()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    TStreamToIniCore list;
    list.setLines({"a=1"});
    QVERIFY_THROWS_EXCEPTION(EFileError, list.LoadFromFile(dir.filePath("missing.txt")));
    QCOMPARE(list.lines(), QStringList{"a=1"});
}

void TestStreamToIni::checkListLines()
{
    TStreamToIniCore list;
    list.AppendCheckListBox("frmMain", "CheckListRules",
                            {{"Rule one", true, true}, {"Rule two", true, false}, {"", false, true}});
    const QStringList expected{"[TCheckListBox - frmMain.CheckListRules]", "frmMain.CheckListRules=CheckListRules",
                               "YYRule one", "YNRule two", "NY"};
    QCOMPARE(list.lines(), expected);
    list.add("[TMemo - frmMain.MemoX]");

    list.FileFormat = true;
    QList<TCheckListItem> items;
    list.ReadCheckListItems(1, true, items);
    QCOMPARE(items.size(), 3);
    QCOMPARE(items[0].text, QString("Rule one"));
    QVERIFY(items[0].checked && items[0].enabled);
    QCOMPARE(items[1].text, QString("Rule two"));
    QVERIFY(items[1].checked && !items[1].enabled);
    QCOMPARE(items[2].text, QString());
    QVERIFY(!items[2].checked && items[2].enabled);

    // Option 16: the enabled state is not restored, items come enabled.
    items.clear();
    list.ReadCheckListItems(1, false, items);
    QCOMPARE(items.size(), 3);
    QVERIFY(items[1].enabled);
    QCOMPARE(items[1].text, QString("Rule two"));
}

void TestStreamToIni::checkListOneFlagFile()
{
    TStreamToIniCore list;
    list.setLines({"frmMain.CheckListRules=CheckListRules", "YRule one", "NNorth gate", "YYes man", "", "YNafter"});
    list.FileFormat = false;
    QList<TCheckListItem> items;
    list.ReadCheckListItems(0, true, items);
    // One flag per line: the texts keep their first letters, the block ends at the empty line.
    QCOMPARE(items.size(), 3);
    QCOMPARE(items[0].text, QString("Rule one"));
    QVERIFY(items[0].checked);
    QCOMPARE(items[1].text, QString("North gate"));
    QVERIFY(!items[1].checked && items[1].enabled);
    QCOMPARE(items[2].text, QString("Yes man"));
    QVERIFY(items[2].checked && items[2].enabled);

    // Without the format line, lines that all carry two flags are read as such.
    list.setLines({"k=k", "YNone", "NYtwo"});
    items.clear();
    list.ReadCheckListItems(0, true, items);
    QCOMPARE(items.size(), 2);
    QCOMPARE(items[0].text, QString("one"));
    QVERIFY(items[0].checked && !items[0].enabled);

    // A lone flag letter is shorter than two characters: one-flag file.
    list.setLines({"k=k", "YNone", "N"});
    items.clear();
    list.ReadCheckListItems(0, true, items);
    QCOMPARE(items.size(), 2);
    QCOMPARE(items[0].text, QString("None"));
    QCOMPARE(items[1].text, QString());
}

void TestStreamToIni::checkListBadMarkKeepsEarlierItems()
{
    TStreamToIniCore list;
    list.setLines({"k=k", "YYfirst", "0Ysecond", "YYthird"});
    list.FileFormat = true;
    QList<TCheckListItem> items;
    try {
        list.ReadCheckListItems(0, true, items);
        QFAIL("a bad check mark must raise");
    } catch (const EConvertError &e) {
        QCOMPARE(e.message(), QString("0 is not valid boolean value (Y,J,I,N,True,False)"));
    }
    QCOMPARE(items.size(), 1);
    QCOMPARE(items[0].text, QString("first"));

    // The second flag is converted too.
    list.setLines({"k=k", "YXtext"});
    items.clear();
    QVERIFY_THROWS_EXCEPTION(EConvertError, list.ReadCheckListItems(0, true, items));
    // ... unless the enabled state is not restored.
    items.clear();
    list.ReadCheckListItems(0, false, items);
    QCOMPARE(items.size(), 1);
    // J and I are ticks as well.
    list.setLines({"k=k", "JItext"});
    items.clear();
    list.ReadCheckListItems(0, true, items);
    QVERIFY(items[0].checked && items[0].enabled);
}

void TestStreamToIni::incComboLines()
{
    TStreamToIniCore list;
    list.AppendIncCombo("frmMain", "IncKind", 1, "b", {{"a", "1"}, {"b==c", "2"}, {"x", ""}}, true);
    list.AppendIncCombo("frmMain", "IncOther", -1, "typed", {{"a", "1"}}, false);
    QCOMPARE(list.lines(), QStringList({"[TIncCombo - frmMain.IncKind]", "frmMain.IncKind=1", "a==1", "b==c==2", "x==",
                                        "[TIncCombo - frmMain.IncOther]", "frmMain.IncOther=typed"}));

    list.setLines({"frmMain.IncKind=1", "alpha==K1", "Alpha==K2", "beta==K==3", "noKey", "[next]", "gamma==4"});
    const QList<TIncComboItem> items = list.ReadIncComboItems(0);
    QCOMPARE(items.size(), 3);
    QCOMPARE(items[0].text, QString("alpha"));
    QCOMPARE(items[0].key, QString("K1"));   // the repeated text (other case) is not added again
    QCOMPARE(items[1].text, QString("beta"));
    QCOMPARE(items[1].key, QString("K==3"));   // split at the first "=="
    QCOMPARE(items[2].text, QString("noKey"));
    QCOMPARE(items[2].key, QString());
}

void TestStreamToIni::holderLines()
{
    TStreamToIniCore list;
    THolderData saved;
    saved.maxLen = 120;
    saved.saveObjects = true;
    saved.entries = {"C:/src/a.cbl", "name@with@ats", ""};
    saved.objects = {42, -7, 0};
    list.AppendStringListHolder("frmMain", "STLHCentral_Name", saved);
    const QStringList expected{"[TStringListHolder - frmMain.STLHCentral_Name]",
                               "frmMain.STLHCentral_Name=STLHCentral_Name",
                               "frmMain.STLHCentral_Name.MaxLen=120",
                               "frmMain.STLHCentral_Name.SaveObjects=Y",
                               "42@C:/src/a.cbl",
                               "-7@name@with@ats",
                               "0@"};
    QCOMPARE(list.lines(), expected);
    list.add("[Konyec szkazki]");

    list.FileFormat = true;
    THolderData read;
    list.ReadStringListHolder(1, read);
    QCOMPARE(read.maxLen, 120);
    QVERIFY(read.saveObjects);
    QCOMPARE(read.entries, saved.entries);
    QCOMPARE(read.objects, saved.objects);

    // Without SaveObjects the entries are written unchanged, empty lines included.
    TStreamToIniCore plain;
    plain.AppendStringListHolder("frmMain", "STLHOther", {0, false, {"<Proc>", "", "1@x"}, {5, 6, 7}});
    QCOMPARE(plain.lines().mid(4), QStringList({"<Proc>", "", "1@x"}));
    plain.FileFormat = true;
    read = THolderData();
    plain.ReadStringListHolder(1, read);
    QCOMPARE(read.entries, QStringList({"<Proc>", "", "1@x"}));
    QCOMPARE(read.objects, QList<int>({0, 0, 0}));

    // A holder found through its short key reads its further keys under that
    // name; without a SaveObjects line the entries start two lines after the key.
    TStreamToIniCore old;
    old.setLines({"STLHOther=STLHOther", "STLHOther.MaxLen=9", "first", "second", "[TMemo - frmMain.M]"});
    old.FileFormat = true;
    const int key = old.IndexOfKey("frmMain.STLHOther");
    QCOMPARE(key, 0);
    read = THolderData();
    old.ReadStringListHolder(key, read);
    QCOMPARE(read.maxLen, 9);
    QCOMPARE(read.entries, QStringList({"first", "second"}));
}

void TestStreamToIni::holderOldCommaFormat()
{
    TStreamToIniCore list;
    list.setLines({"frmMain.STLH=(a,\"b c\",d)", "frmMain.STLH.MaxLen=3", "not an entry"});
    list.FileFormat = false;
    THolderData read;
    list.ReadStringListHolder(0, read);
    QCOMPARE(read.entries, QStringList({"a", "b c", "d"}));
    QCOMPARE(read.objects, QList<int>({0, 0, 0}));
    QCOMPARE(read.maxLen, 3);
}

void TestStreamToIni::holderBadNumbers()
{
    TStreamToIniCore list;
    list.setLines({"w.H=H", "w.H.MaxLen=1", "w.H.SaveObjects=Y", "1@one", "x@two", "3@three"});
    list.FileFormat = true;
    THolderData read;
    try {
        list.ReadStringListHolder(0, read);
        QFAIL("a holder number that is not an integer must raise");
    } catch (const EConvertError &e) {
        QCOMPARE(e.message(), QString("'x' is not a valid integer value"));
    }
    QCOMPARE(read.entries, QStringList{"one"});
    QCOMPARE(read.objects, QList<int>{1});

    list.setLines({"w.H=H", "w.H.MaxLen=wide", "w.H.SaveObjects=Y"});
    read = THolderData();
    QVERIFY_THROWS_EXCEPTION(EConvertError, list.ReadStringListHolder(0, read));
    QVERIFY(read.entries.isEmpty());

    int object = 0;
    QString text;
    QVERIFY_THROWS_EXCEPTION(EConvertError, SplitHolderEntryLine("no number", object, text));
    SplitHolderEntryLine("42", object, text);
    QCOMPARE(object, 42);
    QCOMPARE(text, QString());
}

void TestStreamToIni::memoBlock()
{
    TStreamToIniCore list;
    list.AppendMemo("frmMain", "MemoNames", {"first", "", "x=y", ""});
    list.AppendMemo("frmMain", "MemoEmpty", {});
    QCOMPARE(list.lines(), QStringList({"[TMemo - frmMain.MemoNames]", "frmMain.MemoNames=MemoNames", "first", "", "x=y",
                                        "", "[TMemo - frmMain.MemoEmpty]", "frmMain.MemoEmpty=MemoEmpty"}));
    QCOMPARE(list.ReadMemoLines(1), QStringList({"first", "", "x=y", ""}));
    QCOMPARE(list.ReadMemoLines(7), QStringList());

    list.setLines({"k=k", "a", "[b", "c"});
    QCOMPARE(list.ReadMemoLines(0), QStringList{"a"});
    list.setLines({"k=k", "", "", "tail"});
    QCOMPARE(list.ReadMemoLines(0), QStringList({"", "", "tail"}));
}

void TestStreamToIni::comboSelection_data()
{
    QTest::addColumn<QString>("value");
    QTest::addColumn<int>("count");
    QTest::addColumn<int>("index");
    QTest::newRow("index") << "1" << 3 << 1;
    QTest::newRow("trimmed") << " 2 " << 3 << 2;
    QTest::newRow("equal to count") << "3" << 3 << -1;
    QTest::newRow("beyond count") << "7" << 3 << -1;
    QTest::newRow("text") << "abc" << 3 << -1;
    QTest::newRow("empty") << "" << 3 << -1;
    QTest::newRow("negative") << "-1" << 3 << -1;
    QTest::newRow("huge") << "99999999999999999999" << 3 << -1;
    QTest::newRow("mixed") << "1a" << 3 << -1;
}

void TestStreamToIni::comboSelection()
{
    QFETCH(QString, value);
    QFETCH(int, count);
    QFETCH(int, index);
    QCOMPARE(ComboIndexFromValue(value, count), index);

    TStreamToIniCore list;
    list.AppendComboBox("frmMain", "ComboLang", 2, "ignored", {"a b", "c"}, true);
    list.AppendComboBox("frmMain", "ComboFree", -1, "free text", {"x"}, false);
    list.AppendComboBox("frmMain", "ComboEmpty", -1, "", {}, true);
    QCOMPARE(list.lines(), QStringList({"[TComboBox - ComboLang]", "frmMain.ComboLang=2",
                                        "frmMain.ComboLang.Content=(\"a b\",c)", "[TComboBox - ComboFree]",
                                        "frmMain.ComboFree=free text", "[TComboBox - ComboEmpty]", "frmMain.ComboEmpty="}));
    QCOMPARE(list.ReadComboItems("frmMain.ComboLang"), QStringList({"a b", "c"}));
    QCOMPARE(list.ReadComboItems("frmMain.ComboFree"), QStringList());
}

void TestStreamToIni::damagedLines()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath("damaged.txt");
    const QByteArray longValue(100000, 'x');
    QByteArray bytes = "[Form - frmMain]\r\nfrmMain.EditA=" + longValue + "\r\n";
    bytes += "frmMain.EditB=\x81\x98\xff\r\n";   // bytes the code page leaves undefined
    bytes += "[TMemo - frmMain.Memo]\r\nfrmMain.Memo=Memo\r\nline 1\r\nline";   // truncated, no line end
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(bytes);
    f.close();

    TStreamToIniCore list;
    list.LoadFromFile(path);
    QVERIFY(!list.FileFormat);
    QCOMPARE(list.ReadValue("frmMain.EditA").size(), 100000);
    QCOMPARE(list.ReadValue("frmMain.EditB").size(), 3);
    QCOMPARE(list.ReadMemoLines(list.IndexOfKey("frmMain.Memo")), QStringList({"line 1", "line"}));
    QCOMPARE(list.IndexOfKey("frmMain.Missing"), -1);

    // Saved again, the damaged bytes come back unchanged.
    list.SaveToFile(path);
    QVERIFY(f.open(QIODevice::ReadOnly));
    const QByteArray again = f.readAll();
    f.close();
    QVERIFY(again.startsWith("StreamToIni.FileFormat=1\r\n"));
    QVERIFY(again.contains("frmMain.EditB=\x81\x98\xff\r\n"));
    QVERIFY(again.endsWith("line 1\r\nline\r\n[Konyec szkazki]\r\n"));
}

QTEST_GUILESS_MAIN(TestStreamToIni)
#include "tst_streamtoini.moc"
