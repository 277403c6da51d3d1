#include "Errors.h"
#include "MyStatusBar.h"
#include "ProgressQuenbar.h"
#include "QuenbarDB.h"
#include "ScriptedDialogs.h"
#include "SharedRoutinesCommon.h"
#include "SourceList.h"
#include "StreamToIni.h"
#include "StringListHolder.h"
#include "TextFile.h"
#include "WidgetRoutines.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProcess>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QVBoxLayout>
#include <QtTest>

#include <memory>

namespace {

const QString kCsvFilter = QStringLiteral("CSV exports (*.csv);;WSDL files (*.wsdl)");

// A window holding the controls the source list works on, named as the
// workbench names them so job files restore into it.
struct TFixture
{
    QTemporaryDir dir;
    std::unique_ptr<QWidget> window;
    QListWidget *list = nullptr;
    QListWidget *otherList = nullptr;
    QLineEdit *edit = nullptr;
    QPushButton *button = nullptr;
    TStringListHolder *names = nullptr;
    TStringListHolder *statuses = nullptr;
    QLineEdit *root = nullptr;
    QLabel *depth = nullptr;
    QGroupBox *group = nullptr;
    TMyStatusBar *bar = nullptr;
    int limit = 50;
    int maxDirDepth = 0;
    QString filter = kCsvFilter;
    QString output;
    int modified = 0;
    int namesChecked = 0;
    bool recalcShown = false;
    int namesPageShown = 0;
    std::unique_ptr<TSourceList> sources;

    TFixture()
    {
        window = std::make_unique<QWidget>();
        window->setObjectName(QStringLiteral("frmQuenbarMain"));
        auto *layout = new QVBoxLayout(window.get());
        group = new QGroupBox(QStringLiteral("Source files of the project (0)"), window.get());
        group->setObjectName(QStringLiteral("GroupBoxSelectedFiles"));
        auto *inner = new QVBoxLayout(group);
        list = new QListWidget(group);
        list->setObjectName(QStringLiteral("CheckListBoxSelectedFiles"));
        inner->addWidget(list);
        layout->addWidget(group);
        otherList = new QListWidget(window.get());
        otherList->setObjectName(QStringLiteral("OtherCheckList"));
        layout->addWidget(otherList);
        edit = new QLineEdit(window.get());
        edit->setObjectName(QStringLiteral("EditSomething"));
        layout->addWidget(edit);
        button = new QPushButton(window.get());
        button->setObjectName(QStringLiteral("ButtonSomething"));
        layout->addWidget(button);
        root = new QLineEdit(window.get());
        root->setObjectName(QStringLiteral("EditCommonRoot"));
        layout->addWidget(root);
        depth = new QLabel(window.get());
        depth->setObjectName(QStringLiteral("LabelDepth"));
        layout->addWidget(depth);
        bar = new TMyStatusBar(window.get());
        bar->setObjectName(QStringLiteral("MyStB"));
        layout->addWidget(bar);
        names = new TStringListHolder(window.get());
        names->setObjectName(QStringLiteral("STLHCentral_Name"));
        names->SetSaveObjects(true);
        statuses = new TStringListHolder(window.get());
        statuses->setObjectName(QStringLiteral("STLHCentral_Other"));
        window->resize(3000, 600);
        bar->resize(3000, 30);   // messages fit: no cut text
        output = dir.filePath(QStringLiteral("out"));
        QDir().mkpath(output);

        TSourceListControls c;
        c.List = list;
        c.Names = names;
        c.Statuses = statuses;
        c.CommonRootEdit = root;
        c.LabelDepth = depth;
        c.Group = group;
        c.StatusBar = bar;
        c.OutputDirectory = [this] { return output; };
        c.LanguageCode = [] { return QStringLiteral("WSDLGEN"); };
        c.SettingValue = [this](const QString &name) {
            return SameText(name, QStringLiteral("WSDLGEN.Filters")) ? filter : QString();
        };
        c.BigDirectoryLimit = [this] { return limit; };
        c.MaxDirDepth = [this] { return maxDirDepth; };
        c.CheckJobNames = [this] { ++namesChecked; };
        c.MarkModified = [this] { ++modified; };
        c.ShowRecalculate = [this](bool on) { recalcShown = on; };
        c.ShowNamesPage = [this] { ++namesPageShown; };
        sources = std::make_unique<TSourceList>(c);
    }

    QString path(const QString &relative) const { return dir.filePath(relative); }

    QString file(const QString &relative, const QStringList &lines)
    {
        const QString p = path(relative);
        QDir().mkpath(QFileInfo(p).absolutePath());
        TextFile::writeLines(p, lines);
        return p;
    }
    QString csv(const QString &relative, const QString &language = QStringLiteral("COBOL"))
    {
        return file(relative, {QStringLiteral("header"), QStringLiteral("a;b;c;LANG;%1;x").arg(language)});
    }
    QString wsdl(const QString &relative) { return file(relative, {QStringLiteral("<definitions/>")}); }

    QStringList paths() const
    {
        QStringList out;
        for (int r = 0; r < sources->Count(); ++r)
            out << sources->PathAt(r);
        return out;
    }
    QString barText() const { return bar->text(); }
};

// Every line's number indexes the holders, which agree with it.
QString inconsistency(const TFixture &f)
{
    if (f.names->count() != f.statuses->count())
        return QStringLiteral("holders differ in length: %1 / %2").arg(f.names->count()).arg(f.statuses->count());
    if (f.names->count() != f.sources->Count())
        return QStringLiteral("holder has %1 entries for %2 lines").arg(f.names->count()).arg(f.sources->Count());
    QSet<int> seen;
    for (int r = 0; r < f.sources->Count(); ++r) {
        const int n = f.sources->NumberAt(r);
        const QString path = f.sources->PathAt(r);
        if (n < 0 || n >= f.names->count())
            return QStringLiteral("line %1 has number %2").arg(r).arg(n);
        if (seen.contains(n))
            return QStringLiteral("number %1 used twice").arg(n);
        seen.insert(n);
        if (f.names->get(n) != path)
            return QStringLiteral("entry %1 is %2, line says %3").arg(n).arg(f.names->get(n), path);
        if (f.names->object(n) != TSourceList::SourceKindOf(path))
            return QStringLiteral("entry %1 has kind %2").arg(n).arg(f.names->object(n));
        if (!f.statuses->get(n).startsWith(TSourceList::KindName(f.names->object(n))))
            return QStringLiteral("status %1 is %2").arg(n).arg(f.statuses->get(n));
    }
    for (int r = 1; r < f.sources->Count(); ++r)
        if (CompareText(f.list->item(r - 1)->text(), f.list->item(r)->text()) > 0)
            return QStringLiteral("lines %1 and %2 out of order").arg(r - 1).arg(r);
    return QString();
}

int interfaceRows(const TDM &dm, const QString &csvName)
{
    QSqlQuery q = dm.QWork();
    q.prepare(QStringLiteral("select count(*) from Interfaces where CSVName = :n"));
    q.bindValue(QStringLiteral(":n"), csvName);
    if (!q.exec() || !q.next())
        return -1;
    return q.value(0).toInt();
}

int rowCount(const TDM &dm, const QString &table)
{
    QSqlQuery q = dm.QWork();
    if (!q.exec(QStringLiteral("select count(*) from ") + table) || !q.next())
        return -1;
    return q.value(0).toInt();
}

// An interface as an import leaves it: one operation with one message.
void addInterface(TDM &dm, const QString &csvName)
{
    dm.TableInterfaces().Insert({{QStringLiteral("Name"), csvName.toUpper()}, {QStringLiteral("CSVName"), csvName}});
    dm.TableOperations().Insert({{QStringLiteral("Name"), QStringLiteral("Op")}});
    dm.TableInputsOutputs().Insert({{QStringLiteral("TypeX"), 1}, {QStringLiteral("Name"), QStringLiteral("In")}});
}

bool setModified(const QString &path, const QDateTime &when)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadWrite))
        return false;
    return f.setFileTime(when, QFileDevice::FileModificationTime);
}

} // namespace

class TestSourceList : public QObject
{
    Q_OBJECT
private slots:
    void sourceKindOf_data();
    void sourceKindOf();
    void sourceKindOfLooksAtTheStart_data();
    void sourceKindOfLooksAtTheStart();
    void filterExtensions_data();
    void filterExtensions();
    void languageFileFilter();
    void addSourceFile();
    void addKeepsCaseInsensitiveOrder();
    void uncheckedDuplicateReplaced();
    void removeDeletesInterface();
    void renumber();
    void refreshStatuses();
    void refreshDropsStaleLines();
    void computeCommonRoot_data();
    void computeCommonRoot();
    void calculateCommonRoot();
    void calculateCommonRootFailures();
    void calculateCommonRootBigList();
    void checkSourcesSelected();
    void addSourceFolder();
    void addSourceFolderAddsAfresh();
    void addSourceFolderKeepsUnreadable_data();
    void addSourceFolderKeepsUnreadable();
    void selectionCommands();
    void selectionTargets();
    void removeUnchecked();
    void addFilesFromDialog();
    void addFolderFromDialog();
    void dropFiles();
    void drawing();
    void checkMarkSignal();
    void demoJob();
};

void TestSourceList::sourceKindOf_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QStringList>("lines");   // empty: no file at all
    QTest::addColumn<int>("kind");
    const QString h = QStringLiteral("header");
    QTest::newRow("missing") << "missing.csv" << QStringList() << 0;
    QTest::newRow("wsdl upper case") << "x.WSDL" << QStringList{"anything"} << 3;
    QTest::newRow("wsdl empty") << "y.wsdl" << QStringList{""} << 3;
    QTest::newRow("cobol") << "c.csv" << QStringList{h, "a;b;c;LANG;COBOL;x"} << 1;
    QTest::newRow("pli lower case") << "p.csv" << QStringList{h, "a,b,c,lang,pli,x"} << 1;
    QTest::newRow("asm, five items") << "s.csv" << QStringList{h, "a;b;c;LANG;ASM"} << 1;
    QTest::newRow("java") << "j.csv" << QStringList{h, "a;b;c;LANG;Java;x"} << 2;
    QTest::newRow("not a whole name") << "k.csv" << QStringList{h, "a;b;c;LANG;COBOLX;x"} << 2;
    QTest::newRow("four items") << "f.csv" << QStringList{h, "a;b;c;LANG"} << 0;
    QTest::newRow("no LANG") << "n.csv" << QStringList{h, "a;b;c;LINGO;COBOL"} << 0;
    QTest::newRow("one line") << "o.csv" << QStringList{"a;b;c;LANG;COBOL"} << 0;
    QTest::newRow("LANG on the third line") << "t.csv" << QStringList{h, "x", "a;b;c;LANG;COBOL"} << 0;
    QTest::newRow("quoted item with blank") << "q.csv" << QStringList{h, "\"a b\";c;d;LANG;COBOL"} << 1;
    QTest::newRow("unquoted blank splits") << "u.csv" << QStringList{h, "a b;c;d;LANG;COBOL"} << 0;
    QTest::newRow("blanks as separators") << "b.csv" << QStringList{h, "a b c LANG Java"} << 2;
    QTest::newRow("quoted LANG") << "l.csv" << QStringList{h, "a,b,c,\"LANG\",\"PLI\""} << 1;
}

void TestSourceList::sourceKindOf()
{
    QFETCH(QString, name);
    QFETCH(QStringList, lines);
    QFETCH(int, kind);
    QTemporaryDir dir;
    const QString path = dir.filePath(name);
    if (!lines.isEmpty())
        TextFile::writeLines(path, lines);
    QCOMPARE(TSourceList::SourceKindOf(path), kind);
}

void TestSourceList::sourceKindOfLooksAtTheStart_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<int>("kind");
    const QByteArray tail(1 << 20, 'z');
    QTest::newRow("CR LF, large tail") << "header\r\na;b;c;LANG;COBOL;x\r\n" + tail << 1;
    QTest::newRow("LF, large tail") << "header\na;b;c;LANG;Java\n" + tail + "\n" + tail << 2;
    QTest::newRow("CR, large tail") << "header\ra;b;c;LANG;PLI\r" + tail << 1;
    QTest::newRow("second line ends the file") << QByteArray("header\r\na;b;c;LANG;ASM") << 1;
    QByteArray binary(1 << 20, '\0');
    for (qsizetype i = 0; i < binary.size(); ++i)
        binary[i] = char(i % 256 == '\r' || i % 256 == '\n' ? 0 : i % 256);
    QTest::newRow("binary without line breaks") << binary << 0;
    // The limit is 64 KiB: a CR as its last byte ends the line, the LF may follow.
    QByteArray atLimit = "header\r\na;b;c;LANG;COBOL;";
    atLimit += QByteArray(64 * 1024 - 1 - atLimit.size(), 'x') + "\r\n" + tail;
    QTest::newRow("CR as the last byte within the limit") << atLimit << 1;
    QTest::newRow("second line cut by the limit") << "header\r\na;b;c;LANG;COBOL" + QByteArray(70000, '9') + "\r\n" << 0;
}

void TestSourceList::sourceKindOfLooksAtTheStart()
{
    QFETCH(QByteArray, content);
    QFETCH(int, kind);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("x.csv"));
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    QCOMPARE(f.write(content), content.size());
    f.close();
    QCOMPARE(TSourceList::SourceKindOf(path), kind);
}

void TestSourceList::filterExtensions_data()
{
    QTest::addColumn<QString>("filter");
    QTest::addColumn<QStringList>("dialog");
    QTest::addColumn<QString>("folder");
    QTest::newRow("stored form") << "CSV files|*.csv;*.CSV|WSDL files|*.wsdl" << QStringList{".csv", ".CSV", ".wsdl"}
                                 << "*.csv;*.CSV;*.wsdl;";
    QTest::newRow("dialog form") << "CSV exports (*.csv);;Both (*.csv *.wsdl)" << QStringList{".csv", ".csv", ".wsdl"}
                                 << "*.csv;*.csv;*.wsdl;";
    QTest::newRow("all files, stored") << "All files (Possible definition error)|*.*" << QStringList{".*"} << "*.*;";
    QTest::newRow("all files, dialog form") << "CSV (*.csv);;All files (*)" << QStringList{".csv"} << "*.csv;*.*;";
}

void TestSourceList::filterExtensions()
{
    QFETCH(QString, filter);
    QFETCH(QStringList, dialog);
    QFETCH(QString, folder);
    QCOMPARE(TSourceList::DialogExtensions(filter), dialog);
    QCOMPARE(TSourceList::FolderExtensions(filter), folder);
    QVERIFY(!TSourceList::DialogFilter(filter).contains(QLatin1Char('|')));
}

void TestSourceList::languageFileFilter()
{
    TFixture f;
    QCOMPARE(f.sources->LanguageFileFilter(), kCsvFilter);
    QVERIFY(f.barText().isEmpty());
    f.filter.clear();
    QCOMPARE(f.sources->LanguageFileFilter(), QStringLiteral("All files (Possible definition error)|*.*"));
    QCOMPARE(f.barText(), QStringLiteral("Shell program error, missing filter definition, inform Velmora"));
}

void TestSourceList::addSourceFile()
{
    TFixture f;
    const QString shortPath = f.csv(QStringLiteral("s/a.csv"));
    const QString longPath = f.csv(QStringLiteral("s/deeper/folder/with/a/long/name/b.csv"), QStringLiteral("Java"));
    const QString none = f.file(QStringLiteral("s/n.csv"), {QStringLiteral("only one line")});

    QVERIFY(!f.sources->AddSourceFile(QString()));
    QVERIFY(!f.sources->AddSourceFile(none));
    QVERIFY(!f.sources->AddSourceFile(f.path(QStringLiteral("s/missing.csv"))));
    QCOMPARE(f.sources->Count(), 0);
    QCOMPARE(f.names->count(), 0);

    QVERIFY(f.sources->AddSourceFile(longPath));
    QCOMPARE(f.list->item(0)->text(), longPath + QStringLiteral("=0000"));
    QCOMPARE(f.list->item(0)->checkState(), Qt::Checked);
    QVERIFY(f.sources->EnabledAt(0));
    QCOMPARE(f.names->object(0), 2);
    QCOMPARE(f.statuses->get(0), QStringLiteral("<Objt>"));
    const int longWidth = TextPixelWidth(longPath, f.list->font());
    QCOMPARE(f.names->MaxLen(), longWidth);

    QVERIFY(f.sources->AddSourceFile(shortPath));
    QCOMPARE(f.names->MaxLen(), longWidth);   // only ever raised
    QCOMPARE(f.sources->NumberAt(f.sources->RowOfPath(shortPath)), 1);
    QCOMPARE(f.statuses->get(1), QStringLiteral("<Proc>"));

    // A listed, checked file: nothing changes, whatever the case of the name.
    QVERIFY(!f.sources->AddSourceFile(shortPath));
    QVERIFY(!f.sources->AddSourceFile(shortPath.toUpper()));
    QCOMPARE(f.sources->Count(), 2);
    QCOMPARE(inconsistency(f), QString());
}

void TestSourceList::addKeepsCaseInsensitiveOrder()
{
    TFixture f;
    const QString b = f.csv(QStringLiteral("B.csv"));
    const QString a = f.csv(QStringLiteral("a.csv"));
    const QString c = f.wsdl(QStringLiteral("C.wsdl"));
    for (const QString &p : {b, c, a})
        QVERIFY(f.sources->AddSourceFile(p));
    QCOMPARE(f.paths(), (QStringList{a, b, c}));
    QCOMPARE(inconsistency(f), QString());
}

void TestSourceList::uncheckedDuplicateReplaced()
{
    TFixture f;
    TDM dm;
    QVERIFY(dm.OpenRepository(f.path(QStringLiteral("db")), false));
    f.sources->SetDataModule(&dm);
    const QString p1 = f.csv(QStringLiteral("src/p1.csv"));
    const QString q1 = f.csv(QStringLiteral("src/q1.csv"));
    QVERIFY(f.sources->AddSourceFile(p1));
    QVERIFY(f.sources->AddSourceFile(q1));
    addInterface(dm, QStringLiteral("p1"));
    addInterface(dm, QStringLiteral("q1"));

    const int row = f.sources->RowOfPath(p1);
    f.list->item(row)->setCheckState(Qt::Unchecked);
    QVERIFY(f.sources->AddSourceFile(p1));
    QCOMPARE(f.sources->Count(), 2);
    QVERIFY(f.sources->CheckedAt(f.sources->RowOfPath(p1)));
    QCOMPARE(interfaceRows(dm, QStringLiteral("p1")), 0);
    QCOMPARE(interfaceRows(dm, QStringLiteral("q1")), 1);
    QCOMPARE(inconsistency(f), QString());
}

void TestSourceList::removeDeletesInterface()
{
    TFixture f;
    TDM dm;
    QVERIFY(dm.OpenRepository(f.path(QStringLiteral("db")), false));
    f.sources->SetDataModule(&dm);
    const QString a = f.csv(QStringLiteral("src/Alpha.csv"));
    const QString b = f.wsdl(QStringLiteral("src/Beta.wsdl"));
    const QString c = f.csv(QStringLiteral("src/Gamma.csv"), QStringLiteral("Java"));
    for (const QString &p : {a, b, c})
        QVERIFY(f.sources->AddSourceFile(p));
    addInterface(dm, QStringLiteral("Alpha"));
    addInterface(dm, QStringLiteral("Gamma"));
    QCOMPARE(rowCount(dm, QStringLiteral("Operations")), 2);

    QVERIFY(f.sources->RemoveSourceFile(a));
    QCOMPARE(interfaceRows(dm, QStringLiteral("Alpha")), 0);
    QCOMPARE(interfaceRows(dm, QStringLiteral("Gamma")), 1);
    QCOMPARE(rowCount(dm, QStringLiteral("Operations")), 1);
    QCOMPARE(rowCount(dm, QStringLiteral("InputsOutputs")), 1);
    QCOMPARE(f.paths(), (QStringList{b, c}));
    QCOMPARE(f.names->StringList(), (QStringList{b, c}));
    QCOMPARE(f.statuses->StringList(), (QStringList{"<OrigWSDL>", "<Objt>"}));
    QCOMPARE(inconsistency(f), QString());

    QVERIFY(f.sources->RemoveSourceFile(f.sources->RowOfPath(c)));
    QCOMPARE(interfaceRows(dm, QStringLiteral("Gamma")), 0);
    QCOMPARE(f.paths(), QStringList{b});
    QCOMPARE(f.list->item(0)->text(), b + QStringLiteral("=0000"));

    QVERIFY(!f.sources->RemoveSourceFile(a));
    QVERIFY(!f.sources->RemoveSourceFile(5));
    QVERIFY(!f.sources->RemoveSourceFile(-1));
    QCOMPARE(inconsistency(f), QString());
}

void TestSourceList::renumber()
{
    TFixture f;
    f.sources->SetSorted(false);
    f.names->add(QStringLiteral("/s/B.csv"), 1);
    f.names->add(QStringLiteral("/s/a.csv"), 1);
    for (const char *line : {"/s/a.csv=0000", "/s/b.csv=0001", "/s/c.csv=0000"}) {
        auto *item = new QListWidgetItem(QString::fromLatin1(line), f.list);
        item->setCheckState(Qt::Checked);
    }
    f.sources->RenumberSourceList();
    QCOMPARE(f.list->item(0)->text(), QStringLiteral("/s/a.csv=0001"));
    QCOMPARE(f.list->item(1)->text(), QStringLiteral("/s/b.csv=0000"));   // found case-insensitively
    QCOMPARE(f.sources->NumberAt(2), -1);                                  // not in the holder
    QVERIFY(f.sources->Sorted());
}

void TestSourceList::refreshStatuses()
{
    TFixture f;
    const QString p = f.csv(QStringLiteral("src/p.csv"));
    const QString j = f.csv(QStringLiteral("src/j.csv"), QStringLiteral("Java"));
    const QString w = f.wsdl(QStringLiteral("src/w.wsdl"));
    const QString o = f.csv(QStringLiteral("src/o.csv"));
    for (const QString &s : {p, j, w, o})
        QVERIFY(f.sources->AddSourceFile(s));
    const QString pw = f.wsdl(QStringLiteral("out/WSDLDir/p.wsdl"));
    const QString jw = f.wsdl(QStringLiteral("out/WSDLDir/j.wsdl"));
    const QString ow = f.wsdl(QStringLiteral("out/WSDLDir/o.wsdl"));
    const QDateTime t0 = QDateTime::currentDateTime().addSecs(-3600);
    QVERIFY(setModified(p, t0));
    QVERIFY(setModified(pw, t0.addSecs(10)));    // result newer
    QVERIFY(setModified(j, t0.addSecs(10)));
    QVERIFY(setModified(jw, t0));                // result older
    QVERIFY(setModified(o, t0));
    QVERIFY(setModified(ow, t0));                // same moment counts as up to date
    const int before = f.modified;
    f.sources->RefreshSourceList();
    QVERIFY(f.modified > before);
    auto statusOf = [&](const QString &path) { return f.sources->StatusTextAt(f.sources->RowOfPath(path)); };
    QCOMPARE(statusOf(p), QStringLiteral("<Proc><WSDL>"));
    QCOMPARE(statusOf(j), QStringLiteral("<Objt><WSDL-expired>"));
    QCOMPARE(statusOf(w), QStringLiteral("<OrigWSDL>"));
    QCOMPARE(statusOf(o), QStringLiteral("<Proc><WSDL>"));
    QCOMPARE(inconsistency(f), QString());
    // The holder comes out sorted.
    QCOMPARE(f.names->StringList(), (QStringList{j, o, p, w}));
}

void TestSourceList::refreshDropsStaleLines()
{
    TFixture f;
    const QString a = f.csv(QStringLiteral("src/a.csv"));
    const QString b = f.csv(QStringLiteral("src/b.csv"), QStringLiteral("Java"));
    const QString c = f.wsdl(QStringLiteral("src/c.wsdl"));
    for (const QString &s : {c, b, a})
        QVERIFY(f.sources->AddSourceFile(s));
    // A line whose entry names another spelling, and an entry without a line.
    f.names->add(f.path(QStringLiteral("src/orphan.csv")), 1);
    f.statuses->add(QStringLiteral("<Proc>"));
    QVERIFY(QFile::remove(b));
    f.sources->RefreshSourceList();
    QCOMPARE(f.paths(), (QStringList{a, c}));
    QCOMPARE(f.names->StringList(), (QStringList{a, c}));
    QCOMPARE(f.statuses->StringList(), (QStringList{"<Proc>", "<OrigWSDL>"}));
    QCOMPARE(f.list->item(0)->text(), a + QStringLiteral("=0000"));
    QCOMPARE(f.list->item(1)->text(), c + QStringLiteral("=0001"));

    // A line whose number points at an entry of a different text goes too.
    f.names->put(0, a.toUpper());
    f.sources->RefreshSourceList();
    QCOMPARE(f.paths(), QStringList{c});
    QCOMPARE(inconsistency(f), QString());
}

void TestSourceList::computeCommonRoot_data()
{
    QTest::addColumn<QStringList>("paths");
    QTest::addColumn<bool>("fullDepth");
    QTest::addColumn<QString>("root");
    QTest::addColumn<int>("depth");
    const QStringList two{"C:/S/A/B/p1.csv", "C:/S/A/q.csv"};
    QTest::newRow("two levels kept") << two << false << "C:/S" << 1;
    QTest::newRow("depth 99") << two << true << "C:/S/A" << 1;
    QTest::newRow("components differ")
        << QStringList{"C:/A/B/X/M1/a.cbl", "C:/A/B/Y/M2/b.cbl"} << false << "C:/A/B" << 2;
    QTest::newRow("same folder") << QStringList{"C:/A/B/C/a.cbl", "C:/A/B/C/b.cbl"} << false << "C:/A" << 0;
    QTest::newRow("components compared with case")
        << QStringList{"C:/S/a/x/f.csv", "C:/S/A/x/g.csv"} << false << "C:/S" << 2;
    QTest::newRow("drive letters without case") << QStringList{"c:/S/A/B/p1.csv", "C:/S/A/q.csv"} << false << "c:/S"
                                                << 1;
    QTest::newRow("native paths")
        << QStringList{"/home/u/src/m/a.csv", "/home/u/src/n/b.csv"} << false << "/home/u" << 1;
    QTest::newRow("three paths")
        << QStringList{"/r/x/f1.csv", "/r/y/f2.csv", "/r/y/z/w/f3.csv"} << true << "/r" << 3;
    QTest::newRow("files at the top") << QStringList{"/a.csv", "/b.csv"} << false << "" << 0;
    QTest::newRow("one file") << QStringList{"/p/q/r/s/a.csv"} << false << "/p/q" << 0;
}

void TestSourceList::computeCommonRoot()
{
    QFETCH(QStringList, paths);
    QFETCH(bool, fullDepth);
    QFETCH(QString, root);
    QFETCH(int, depth);
    const TSourceList::TCommonRoot r = TSourceList::ComputeCommonRoot(paths, fullDepth);
    QCOMPARE(r.Root, root);
    QCOMPARE(r.Depth, depth);
}

void TestSourceList::calculateCommonRoot()
{
    TFixture f;
    const QString p1 = f.csv(QStringLiteral("sys/A/B/p1.csv"));
    const QString q = f.csv(QStringLiteral("sys/A/q.csv"));
    QVERIFY(f.sources->AddSourceFile(p1));
    QVERIFY(f.sources->AddSourceFile(q));
    f.bar->ShowWarning(QStringLiteral("left over"));
    f.sources->CalculateCommonRoot(false);
    const QString root = f.path(QStringLiteral("sys"));
    QCOMPARE(f.sources->CommonRoot(), root);
    QCOMPARE(f.root->text(), root);
    QCOMPARE(f.depth->text(), QStringLiteral("1"));
    QCOMPARE(f.sources->CommonRootPosition(), int(root.size()) + 2);
    QCOMPARE(f.sources->CommonRootWidth(), TextPixelWidth(root + QLatin1Char('/'), f.list->font()));
    QCOMPARE(f.group->title(), QStringLiteral("Source files of the project (2)"));
    QVERIFY(f.barText().isEmpty());
    QCOMPARE(f.sources->ShownPath(f.sources->RowOfPath(p1)), QStringLiteral("A/B/p1.csv"));
    const int widest = TextPixelWidth(p1, f.list->font());
    QCOMPARE(f.names->MaxLen(), widest);
    QCOMPARE(f.sources->HorizontalExtent(),
             TextPixelWidth(QStringLiteral("<Proc><WSDL><xxx>"), f.list->font()) + widest
                 - f.sources->CommonRootWidth() + 5);

    f.maxDirDepth = 99;
    f.sources->CalculateCommonRoot(true);
    QCOMPARE(f.sources->CommonRoot(), f.path(QStringLiteral("sys/A")));

    // Unticked lines still count for the root.
    const QString far = f.csv(QStringLiteral("other/x/y/z.csv"));
    QVERIFY(f.sources->AddSourceFile(far));
    f.list->item(f.sources->RowOfPath(far))->setCheckState(Qt::Unchecked);
    f.maxDirDepth = 0;
    f.sources->CalculateCommonRoot(false);
    QCOMPARE(f.sources->CommonRoot(), f.dir.path());
    QCOMPARE(f.depth->text(), QStringLiteral("3"));
}

void TestSourceList::calculateCommonRootFailures()
{
    TFixture f;
    f.sources->CalculateCommonRoot(true);   // empty list: nothing to do
    QVERIFY(f.barText().isEmpty());

    const QString a = f.csv(QStringLiteral("src/a.csv"));
    const QString b = f.csv(QStringLiteral("src/b.csv"));
    QVERIFY(f.sources->AddSourceFile(a));
    QVERIFY(f.sources->AddSourceFile(b));

    // A ticked file gone from disk: unticked, disabled, reported.
    QVERIFY(QFile::remove(b));
    QVERIFY_THROWS_EXCEPTION(EAbort, f.sources->CalculateCommonRoot(false));
    QCOMPARE(f.bar->LastMessage(), QStringLiteral("Some input files cannot be found!"));
    const int row = f.sources->RowOfPath(b);
    QVERIFY(!f.sources->CheckedAt(row));
    QVERIFY(!f.sources->EnabledAt(row));
    QVERIFY(f.sources->CheckedAt(f.sources->RowOfPath(a)));

    // Nothing ticked: information, or an error when strict.
    f.list->item(f.sources->RowOfPath(a))->setCheckState(Qt::Unchecked);
    f.bar->ClearMessage();
    f.sources->CalculateCommonRoot(false);
    QCOMPARE(f.barText(), QStringLiteral("No files are selected for processing!"));
    QCOMPARE(f.bar->Severity(), 0);
    QVERIFY_THROWS_EXCEPTION(EAbort, f.sources->CalculateCommonRoot(true));
    QCOMPARE(f.bar->LastMessage(), QStringLiteral("No files are selected for processing!"));

    // Another drive among the lines: the root is cleared.
    f.list->item(f.sources->RowOfPath(a))->setCheckState(Qt::Checked);
    f.sources->CalculateCommonRoot(true);
    QVERIFY(!f.sources->CommonRoot().isEmpty());
    auto *other = new QListWidgetItem(QStringLiteral("D:/x/y.csv=0009"), f.list);
    other->setCheckState(Qt::Unchecked);
    QVERIFY_THROWS_EXCEPTION(EAbort, f.sources->CalculateCommonRoot(true));
    QCOMPARE(f.bar->LastMessage(),
             QStringLiteral("Cannot determine\"System\" direcory, all modules must reside on the same drive!"));
    QCOMPARE(f.sources->CommonRoot(), QString());
    QCOMPARE(f.root->text(), QString());

    // Too many lines for one job.
    f.list->clear();
    for (int i = 0; i < 9999; ++i)
        f.list->addItem(QStringLiteral("/none/f%1.csv=%2").arg(i).arg(i, 4, 10, QLatin1Char('0')));
    QVERIFY_THROWS_EXCEPTION(EAbort, f.sources->CalculateCommonRoot(false));
    QCOMPARE(f.bar->LastMessage(), QStringLiteral("The number of file in one job must be less than 9999"));
}

void TestSourceList::calculateCommonRootBigList()
{
    TFixture f;
    TfrmProgressQuenbar progress;
    f.sources->SetProgressWindow(&progress);
    f.limit = 2;
    for (const char *name : {"big/m1/a.csv", "big/m1/b.csv", "big/m2/c.csv"})
        QVERIFY(f.sources->AddSourceFile(f.csv(QString::fromLatin1(name))));
    f.sources->SetCommonRoot(QStringLiteral("/before"));
    f.sources->CalculateCommonRoot(false);
    QCOMPARE(f.bar->LastMessage(), QStringLiteral("Press the \"Recalculate modular structure\" button to apply the changes !"));
    QCOMPARE(f.bar->Severity(), 1);
    QCOMPARE(f.sources->CommonRoot(), QStringLiteral("/before"));
    QVERIFY(f.recalcShown);
    QCOMPARE(progress.windowTitle(), QStringLiteral("Importing...."));

    f.sources->CalculateCommonRoot(true);
    QCOMPARE(f.sources->CommonRoot(), f.dir.path());
    QCOMPARE(progress.windowTitle(), QStringLiteral("Determine longest common path"));
    QCOMPARE(progress.ProgressBar->maximum(), 3);
    QVERIFY(progress.isHidden());

    f.limit = 50;
    f.sources->CalculateCommonRoot(false);
    QVERIFY(!f.recalcShown);
}

void TestSourceList::checkSourcesSelected()
{
    TFixture f;
    const QString a = f.csv(QStringLiteral("src/m/a.csv"));
    QVERIFY(f.sources->AddSourceFile(a));
    f.list->item(0)->setCheckState(Qt::Unchecked);
    QVERIFY_THROWS_EXCEPTION(EAbort, f.sources->CheckSourcesSelected());
    QCOMPARE(f.namesChecked, 1);
    QCOMPARE(f.namesPageShown, 1);
    QCOMPARE(f.bar->LastMessage(), QStringLiteral("No files are selected for processing!"));
    f.list->item(0)->setCheckState(Qt::Checked);
    f.sources->CheckSourcesSelected();
    QCOMPARE(f.namesChecked, 2);
    QVERIFY(!f.sources->CommonRoot().isEmpty());
}

void TestSourceList::addSourceFolder()
{
    TFixture f;
    TScriptedDialogs dialogs;
    f.limit = 3;
    const QString folder = f.path(QStringLiteral("tree"));
    const QString a = f.csv(QStringLiteral("tree/a.csv"));
    const QString b = f.csv(QStringLiteral("tree/sub/B.csv"), QStringLiteral("Java"));
    const QString c = f.csv(QStringLiteral("tree/sub/deep/c.CSV"));
    const QString w = f.wsdl(QStringLiteral("tree/w.wsdl"));
    f.file(QStringLiteral("tree/none.csv"), {QStringLiteral("one line")});
    f.file(QStringLiteral("tree/notes.txt"), {QStringLiteral("h"), QStringLiteral("a;b;c;LANG;COBOL")});

    dialogs.answerMessage(mbCancel);
    QVERIFY_THROWS_EXCEPTION(EAbort, f.sources->AddSourceFolder(folder, true));
    QCOMPARE(dialogs.messageCount(), 1);
    QCOMPARE(dialogs.lastMessage().text,
             QStringLiteral("You are going to add 5 source files\r\nDo you really want to proceed?"));
    QCOMPARE(dialogs.lastMessage().type, TMsgDlgType::Warning);
    QCOMPARE(dialogs.lastMessage().buttons, mbOKCancel);
    QCOMPARE(f.bar->LastMessage(), QStringLiteral("Cancelled due to too many files in directory"));
    QCOMPARE(f.sources->Count(), 0);

    dialogs.answerMessage(mbOK);
    f.limit = 50;   // the root is computed right away, not only announced
    f.sources->AddSourceFolder(folder, false);   // not asked
    QCOMPARE(dialogs.messageCount(), 1);
    QCOMPARE(f.paths(), (QStringList{a, b, c, w}));
    QCOMPARE(inconsistency(f), QString());
    QVERIFY(f.modified > 0);
    QCOMPARE(f.sources->CommonRoot(), folder);   // the levels below stay for the structure

    f.limit = 3;
    f.sources->AddSourceFolder(folder, true);
    QCOMPARE(dialogs.messageCount(), 2);
    QCOMPARE(f.sources->Count(), 4);
    QCOMPARE(inconsistency(f), QString());
    QCOMPARE(f.group->title(), QStringLiteral("Source files of the project (4)"));
    QVERIFY(f.recalcShown);
}

void TestSourceList::addSourceFolderAddsAfresh()
{
    TFixture f;
    TDM dm;
    QVERIFY(dm.OpenRepository(f.path(QStringLiteral("db")), false));
    f.sources->SetDataModule(&dm);
    const QString keep = f.csv(QStringLiteral("zother/keep.csv"));
    const QString a = f.csv(QStringLiteral("tree/a.csv"));
    const QString b = f.csv(QStringLiteral("tree/b.csv"));
    for (const QString &p : {keep, a, b})
        QVERIFY(f.sources->AddSourceFile(p));
    QCOMPARE(f.sources->RowOfPath(a), 0);   // the first line is one the folder yields
    for (const char *name : {"keep", "a", "b"})
        addInterface(dm, QString::fromLatin1(name));
    f.sources->AddSourceFolder(f.path(QStringLiteral("tree")), false);
    QCOMPARE(interfaceRows(dm, QStringLiteral("a")), 0);
    QCOMPARE(interfaceRows(dm, QStringLiteral("b")), 0);
    QCOMPARE(interfaceRows(dm, QStringLiteral("keep")), 1);
    QCOMPARE(f.paths(), (QStringList{a, b, keep}));
    QCOMPARE(inconsistency(f), QString());
}

void TestSourceList::addSourceFolderKeepsUnreadable_data()
{
    QTest::addColumn<bool>("linkToFailingRead");   // false: no read permission
    QTest::newRow("no read permission") << false;
    QTest::newRow("read fails") << true;   // root reads any file despite its permissions
}

void TestSourceList::addSourceFolderKeepsUnreadable()
{
    QFETCH(bool, linkToFailingRead);
    TFixture f;
    TDM dm;
    QVERIFY(dm.OpenRepository(f.path(QStringLiteral("db")), false));
    f.sources->SetDataModule(&dm);
    // Sorted first, so a failure on it would stop the files after it.
    const QString locked = f.csv(QStringLiteral("tree/a_locked.csv"));
    const QString listed = f.csv(QStringLiteral("tree/b_listed.csv"));
    for (const QString &p : {locked, listed})
        QVERIFY(f.sources->AddSourceFile(p));
    for (const char *name : {"a_locked", "b_listed"})
        addInterface(dm, QString::fromLatin1(name));
    const QString added = f.csv(QStringLiteral("tree/c_new.csv"), QStringLiteral("Java"));

    const QString failing = QStringLiteral("/proc/self/mem");   // reading its first page fails
    if (linkToFailingRead) {
        if (!QFileInfo(failing).isFile())
            QSKIP("no /proc/self/mem");
        QVERIFY(QFile::remove(locked));
        QVERIFY(QFile::link(failing, locked));
    } else {
        QVERIFY(QFile::setPermissions(locked, QFileDevice::Permissions()));
        if (QFileInfo(locked).isReadable()) {
            QFile::setPermissions(locked, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
            QSKIP("the file stays readable (root)");
        }
    }
    QVERIFY_THROWS_EXCEPTION(EFileError, TSourceList::SourceKindOf(locked));

    QVERIFY_THROWS_EXCEPTION(EAbort, f.sources->AddSourceFolder(f.path(QStringLiteral("tree")), false));
    QCOMPARE(f.paths(), (QStringList{locked, listed, added}));
    QCOMPARE(interfaceRows(dm, QStringLiteral("a_locked")), 1);
    QCOMPARE(interfaceRows(dm, QStringLiteral("b_listed")), 0);   // taken afresh
    QVERIFY2(f.bar->LastMessage().startsWith(QStringLiteral("Some source files cannot be read: "))
                 && f.bar->LastMessage().contains(locked) && !f.bar->LastMessage().contains(listed),
             qPrintable(f.bar->LastMessage()));

    // An unchecked duplicate that cannot be read stays as well.
    f.list->item(f.sources->RowOfPath(locked))->setCheckState(Qt::Unchecked);
    QVERIFY_THROWS_EXCEPTION(EFileError, f.sources->AddSourceFile(locked));
    QCOMPARE(f.paths(), (QStringList{locked, listed, added}));
    QCOMPARE(interfaceRows(dm, QStringLiteral("a_locked")), 1);

    if (linkToFailingRead)
        QVERIFY(QFile::remove(locked));
    else
        QVERIFY(QFile::setPermissions(locked, QFileDevice::ReadOwner | QFileDevice::WriteOwner));
    f.csv(QStringLiteral("tree/a_locked.csv"));
    QCOMPARE(inconsistency(f), QString());
}

void TestSourceList::selectionCommands()
{
    TFixture f;
    for (const char *name : {"s/m/a.csv", "s/m/b.csv", "s/n/c.wsdl"})
        QVERIFY(f.sources->AddSourceFile(f.csv(QString::fromLatin1(name))));
    f.list->item(1)->setCheckState(Qt::Unchecked);

    f.sources->UnselectAll(f.list);
    for (int r = 0; r < 3; ++r)
        QVERIFY(!f.sources->CheckedAt(r));
    QVERIFY(f.sources->CommonRoot().isEmpty());   // unselecting does not recompute

    int before = f.modified;
    f.list->item(0)->setCheckState(Qt::Checked);
    f.sources->ToggleSelect(f.list);
    QVERIFY(!f.sources->CheckedAt(0));
    QVERIFY(f.sources->CheckedAt(1));
    QVERIFY(f.sources->CheckedAt(2));
    QVERIFY(f.modified > before);
    QCOMPARE(f.sources->CommonRoot(), f.dir.path());

    f.sources->SetCommonRoot(QString());
    f.sources->SelectAll(f.list);
    for (int r = 0; r < 3; ++r)
        QVERIFY(f.sources->CheckedAt(r));
    QCOMPARE(f.sources->CommonRoot(), f.dir.path());
}

void TestSourceList::selectionTargets()
{
    TFixture f;
    QVERIFY(f.sources->AddSourceFile(f.csv(QStringLiteral("s/m/a.csv"))));
    for (const char *text : {"one", "two"}) {
        auto *item = new QListWidgetItem(QString::fromLatin1(text), f.otherList);
        item->setCheckState(Qt::Unchecked);
    }
    f.window->show();
    QVERIFY(QTest::qWaitForWindowExposed(f.window.get()));
    QAction action(QStringLiteral("Select all"));

    // The focused check list when the invoker is none.
    f.otherList->setFocus();
    f.sources->SelectAll(&action);
    QCOMPARE(f.otherList->item(0)->checkState(), Qt::Checked);
    QCOMPARE(f.otherList->item(1)->checkState(), Qt::Checked);
    QVERIFY(f.sources->CommonRoot().isEmpty());   // not the source list
    f.sources->ToggleSelect(f.button);
    QCOMPARE(f.otherList->item(0)->checkState(), Qt::Unchecked);
    QVERIFY(f.sources->CheckedAt(0));

    // An invoker with a tag refuses; so does a focus outside any check list.
    f.button->setProperty("Tag", 3);
    QVERIFY_THROWS_EXCEPTION(EAbort, f.sources->SelectAll(f.button));
    QCOMPARE(f.bar->LastMessage(), QStringLiteral("Click on a checklistbox first to use this function(Tag)!"));
    f.edit->setFocus();
    QVERIFY_THROWS_EXCEPTION(EAbort, f.sources->UnselectAll(&action));
    QCOMPARE(f.bar->LastMessage(), QStringLiteral("Click on a checklistbox first to use this function!"));
    QVERIFY(f.sources->CheckedAt(0));

    // The invoking check list wins over the focus.
    f.sources->UnselectAll(f.list);
    QVERIFY(!f.sources->CheckedAt(0));

    // Entering the list without a current line makes the first one current.
    f.list->setCurrentRow(-1);
    QVERIFY(f.list->currentRow() < 0);
    f.list->setFocus();
    QTRY_COMPARE(f.list->currentRow(), 0);
}

void TestSourceList::removeUnchecked()
{
    TFixture f;
    TDM dm;
    QVERIFY(dm.OpenRepository(f.path(QStringLiteral("db")), false));
    f.sources->SetDataModule(&dm);
    f.limit = 1;
    QStringList all;
    for (const char *name : {"s/a.csv", "s/b.csv", "s/c.csv", "s/d.csv"})
        all << f.csv(QString::fromLatin1(name));
    for (const QString &p : all)
        QVERIFY(f.sources->AddSourceFile(p));
    for (const char *name : {"a", "b", "c", "d"})
        addInterface(dm, QString::fromLatin1(name));
    f.list->item(0)->setCheckState(Qt::Unchecked);
    f.list->item(2)->setCheckState(Qt::Unchecked);
    const int before = f.modified;
    f.sources->RemoveUncheckedFiles();
    QCOMPARE(f.paths(), (QStringList{all[1], all[3]}));
    QCOMPARE(inconsistency(f), QString());
    QCOMPARE(f.list->item(0)->text(), all[1] + QStringLiteral("=0000"));
    QCOMPARE(f.list->item(1)->text(), all[3] + QStringLiteral("=0001"));
    QCOMPARE(interfaceRows(dm, QStringLiteral("a")), 0);
    QCOMPARE(interfaceRows(dm, QStringLiteral("c")), 0);
    QCOMPARE(interfaceRows(dm, QStringLiteral("b")), 1);
    QVERIFY(f.modified > before);
    QCOMPARE(f.group->title(), QStringLiteral("Source files of the project (2)"));
    QVERIFY(f.recalcShown);
}

void TestSourceList::addFilesFromDialog()
{
    TFixture f;
    TScriptedDialogs dialogs;
    const QString a = f.csv(QStringLiteral("src/m/a.csv"));
    const QString w = f.wsdl(QStringLiteral("src/m/w.WSDL"));
    const QString t = f.file(QStringLiteral("src/m/t.txt"), {QStringLiteral("h"), QStringLiteral("a;b;c;LANG;COBOL")});
    f.sources->SetCommonRoot(f.path(QStringLiteral("src")));
    f.filter = QStringLiteral("CSV files|*.csv|WSDL files|*.wsdl");
    dialogs.answerFiles({t, a, w});
    f.sources->AddFilesFromDialog();
    QCOMPARE(dialogs.asked().size(), 1);
    const TAskedDialog asked = dialogs.asked().first();
    QCOMPARE(asked.kind, TAskedDialog::OpenFiles);
    QCOMPARE(asked.text, QStringLiteral("Add files to process to the project"));
    QCOMPARE(asked.folder, f.path(QStringLiteral("src")));
    QCOMPARE(asked.filter, QStringLiteral("CSV files (*.csv);;WSDL files (*.wsdl)"));
    QCOMPARE(f.paths(), (QStringList{a, w}));
    QCOMPARE(f.namesPageShown, 1);
    QCOMPARE(f.sources->CommonRoot(), f.dir.path());

    // A cancelled dialog still marks the job.
    const int before = f.modified;
    f.sources->AddFilesFromDialog();
    QVERIFY(f.modified > before);
    QCOMPARE(f.sources->Count(), 2);
}

void TestSourceList::addFolderFromDialog()
{
    TFixture f;
    TScriptedDialogs dialogs;
    const QString a = f.csv(QStringLiteral("tree/a.csv"));
    dialogs.answerDirectory(QString());
    f.sources->AddFolderFromDialog();
    QCOMPARE(f.sources->Count(), 0);
    QCOMPARE(dialogs.asked().last().text, QStringLiteral("Select a folder containing files to add to the project"));
    QCOMPARE(dialogs.asked().last().folder, QString());   // no common root yet

    dialogs.answerDirectory(f.path(QStringLiteral("tree")));
    f.sources->AddFolderFromDialog();
    QCOMPARE(f.paths(), QStringList{a});
    f.sources->SetCommonRoot(f.path(QStringLiteral("tree")));
    f.sources->AddFolderFromDialog();   // cancelled (queue empty)
    QCOMPARE(dialogs.asked().last().folder, QStringLiteral("/"));   // the root of the root's drive
}

void TestSourceList::dropFiles()
{
    TFixture f;
    const QString folder = f.path(QStringLiteral("drop/tree"));
    const QString inTree = f.csv(QStringLiteral("drop/tree/x/a.csv"));
    const QString single = f.wsdl(QStringLiteral("drop/one/b.WSDL"));
    const QString text = f.file(QStringLiteral("drop/one/c.txt"), {QStringLiteral("h"), QStringLiteral("a;b;c;LANG;PLI")});
    const int before = f.modified;
    f.sources->DropFiles({text, folder, single});
    QCOMPARE(f.paths(), (QStringList{single, inTree}));
    QVERIFY(f.modified > before);
    QCOMPARE(f.sources->CommonRoot(), f.path(QStringLiteral("drop")));
    QCOMPARE(inconsistency(f), QString());

    // Only files the filter does not name: nothing happens.
    const int after = f.modified;
    f.sources->DropFiles({text});
    QCOMPARE(f.modified, after);
}

void TestSourceList::drawing()
{
    TFixture f;
    auto *delegate = new TSourceListDelegate(f.sources.get(), f.list);
    f.list->setItemDelegate(delegate);
    const QString a = f.csv(QStringLiteral("src/m/a.csv"));
    const QString b = f.csv(QStringLiteral("src/n/b.csv"), QStringLiteral("Java"));
    QVERIFY(f.sources->AddSourceFile(a));
    QVERIFY(f.sources->AddSourceFile(b));
    f.sources->SetCommonRoot(f.path(QStringLiteral("src")));
    f.list->item(1)->setCheckState(Qt::Unchecked);
    f.list->item(1)->setFlags(f.list->item(1)->flags() & ~Qt::ItemIsEnabled);
    QCOMPARE(f.sources->ShownPath(0), QStringLiteral("m/a.csv"));
    QCOMPARE(f.sources->ShownPath(1), b);
    QCOMPARE(f.sources->StatusTextAt(0), QStringLiteral("<Proc>"));
    QCOMPARE(f.sources->StatusTextAt(1), QStringLiteral("<Objt>"));
    // The stored text stays the line.
    QCOMPARE(f.list->item(0)->text(), a + QStringLiteral("=0000"));

    QStyleOptionViewItem option;
    option.initFrom(f.list);
    option.widget = f.list;
    const QSize hint = delegate->sizeHint(option, f.list->model()->index(0, 0));
    QVERIFY(hint.height() >= QFontMetrics(f.list->font()).height());
    QVERIFY(hint.width() >= f.sources->HorizontalExtent());
    f.window->show();
    QVERIFY(QTest::qWaitForWindowExposed(f.window.get()));
    QVERIFY(!f.list->grab().isNull());   // paints without failing
}

void TestSourceList::checkMarkSignal()
{
    TFixture f;
    f.list->setItemDelegate(new TSourceListDelegate(f.sources.get(), f.list));
    QVERIFY(f.sources->AddSourceFile(f.csv(QStringLiteral("src/a.csv"))));
    QSignalSpy spy(f.sources.get(), &TSourceList::CheckMarkClicked);
    f.window->show();
    QVERIFY(QTest::qWaitForWindowExposed(f.window.get()));
    f.list->setFocus();
    f.list->setCurrentRow(0);
    f.list->item(0)->setCheckState(Qt::Unchecked);   // by the program: no signal
    QCOMPARE(spy.count(), 0);
    QTest::keyClick(f.list, Qt::Key_Space);
    QCOMPARE(f.list->item(0)->checkState(), Qt::Checked);
    QCOMPARE(spy.count(), 1);
}

void TestSourceList::demoJob()
{
    QTemporaryDir demo;
    QProcess prepare;
    prepare.start(QStringLiteral("sh"), {QStringLiteral(QUENBAR_EXAMPLES_DIR "/prepare-demo"), demo.path()});
    QVERIFY(prepare.waitForFinished(60000));
    QCOMPARE(prepare.exitCode(), 0);
    const QStringList printed = QString::fromLocal8Bit(prepare.readAllStandardOutput()).split(QLatin1Char('\n'),
                                                                                             Qt::SkipEmptyParts);
    QVERIFY(!printed.isEmpty());
    const QString jobFile = printed.last().trimmed();
    QVERIFY(QFileInfo(jobFile).isFile());

    TFixture f;
    TStreamToIni ini;
    ini.LoadFromFile(jobFile);
    ini.RestoreFormState(f.window.get());
    QVERIFY(f.sources->Count() > 0);
    QCOMPARE(inconsistency(f), QString());
    for (int r = 0; r < f.sources->Count(); ++r) {
        QVERIFY(f.sources->CheckedAt(r));
        QVERIFY(QFileInfo(f.sources->PathAt(r)).isFile());
    }
    f.sources->SetCommonRoot(f.root->text());
    QCOMPARE(f.sources->CommonRoot(), demo.path() + QStringLiteral("/sources"));
    QCOMPARE(f.sources->ShownPath(0), QFileInfo(f.sources->PathAt(0)).fileName());

    // The loaded list behaves like one built here.
    const QStringList before = f.paths();
    QVERIFY(!f.sources->AddSourceFile(before.first()));
    f.output = demo.path() + QStringLiteral("/out");
    f.sources->RefreshSourceList();
    QCOMPARE(f.paths(), before);
    QCOMPARE(inconsistency(f), QString());
    // No WSDL results yet: the kind alone.
    for (int r = 0; r < f.sources->Count(); ++r)
        QCOMPARE(f.sources->StatusTextAt(r), TSourceList::KindName(TSourceList::SourceKindOf(f.sources->PathAt(r))));
    f.sources->CalculateCommonRoot(true);
    QCOMPARE(f.depth->text(), QStringLiteral("0"));
}

QTEST_MAIN(TestSourceList)
#include "tst_sourcelist.moc"
