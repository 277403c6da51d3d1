#include "Errors.h"
#include "SharedRoutinesCommon.h"
#include "SourceList.h"
#include "StreamToIniCore.h"
#include "StringListHolder.h"
#include "TextFile.h"
#include "core/TestReporter.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

namespace {

const QString kCsvFilter = QStringLiteral("CSV exports (*.csv);;WSDL files (*.wsdl)");

// The pixel width the fixture's view would draw a text with.
int widthOf(const QString &text)
{
    return 6 * int(text.size()) + 1;
}

// The recording reporter with what the window's bar would show now and the
// whole file and folder requests.
class TBarReporter : public TTestReporter
{
public:
    QString shown;
    QList<TFileDialogRequest> fileRequests;
    QStringList folderStarts;

    void ShowInfo(const QString &message) override
    {
        shown = message;
        TTestReporter::ShowInfo(message);
    }
    void ShowWarning(const QString &message) override
    {
        shown = message;
        TTestReporter::ShowWarning(message);
    }
    void ShowError(const QString &message, bool carryOn) override
    {
        shown = message;
        TTestReporter::ShowError(message, carryOn);
    }
    void ClearMessage() override
    {
        shown.clear();
        TTestReporter::ClearMessage();
    }
    QStringList AskOpenFileNames(const TFileDialogRequest &request) override
    {
        fileRequests.append(request);
        return TTestReporter::AskOpenFileNames(request);
    }
    QString AskDirectory(const QString &caption, const QString &folder) override
    {
        folderStarts.append(folder);
        return TTestReporter::AskDirectory(caption, folder);
    }
};

// The progress window's part: what it was told.
class TRecordingProgress : public IProgress
{
public:
    QString title;
    int maximum = -1;
    int steps = 0;
    bool shown = false;
    int timesShown = 0;

    void StartCounting(int max, const QString &t) override
    {
        maximum = max;
        title = t;
        steps = 0;
    }
    void StartPingPong(int max, const QString &t) override { StartCounting(max, t); }
    void StepProgress() override { ++steps; }
    void PingPongProgress(bool) override { ++steps; }
    void ShowProgressWindow(bool show) override
    {
        shown = show;
        if (show)
            ++timesShown;
    }
    bool StopRequested() const override { return false; }
    void RequestStop() override {}
};

// The source list with the window's holders and hooks that record what the
// window would do.
struct TFixture
{
    QTemporaryDir dir;
    TBarReporter reporter;
    TStringListHolder nameHolder;     // STLHCentral_Name
    TStringListHolder statusHolder;   // STLHCentral_Other
    TStringListHolder *names = &nameHolder;
    TStringListHolder *statuses = &statusHolder;
    int limit = 50;
    int maxDirDepth = 0;
    QString filter = kCsvFilter;
    QString output;
    int modified = 0;
    int namesChecked = 0;
    bool recalcShown = false;
    int namesPageShown = 0;
    QStringList removed;       // interfaces deleted, by CSV name
    int busy = 0;              // busy cursors shown and not yet taken back
    int busyShown = 0;
    QString rootText;          // the common root field
    QString depthText;         // the depth label
    QString caption = QStringLiteral("Source files of the project (0)");
    std::unique_ptr<TSourceList> sources;

    TFixture()
    {
        names->SetSaveObjects(true);
        output = dir.filePath(QStringLiteral("out"));
        QDir().mkpath(output);

        TSourceListHooks h;
        h.Reporter = &reporter;
        h.OutputDirectory = [this] { return output; };
        h.LanguageCode = [] { return QStringLiteral("WSDLGEN"); };
        h.SettingValue = [this](const QString &name) {
            return SameText(name, QStringLiteral("WSDLGEN.Filters")) ? filter : QString();
        };
        h.BigDirectoryLimit = [this] { return limit; };
        h.MaxDirDepth = [this] { return maxDirDepth; };
        h.CheckJobNames = [this] { ++namesChecked; };
        h.MarkModified = [this] { ++modified; };
        h.ShowRecalculate = [this](bool on) { recalcShown = on; };
        h.ShowNamesPage = [this] { ++namesPageShown; };
        h.RemoveInterface = [this](const QString &csvName) { removed << csvName; };
        h.TextWidth = widthOf;
        h.ShowBusy = [this](bool on) {
            busy += on ? 1 : -1;
            if (on)
                ++busyShown;
        };
        sources = std::make_unique<TSourceList>(h, names, statuses);
        QObject::connect(sources.get(), &TSourceList::CommonRootChanged, [this](const QString &r) { rootText = r; });
        QObject::connect(sources.get(), &TSourceList::DepthChanged,
                         [this](int d) { depthText = QString::number(d); });
        QObject::connect(sources.get(), &TSourceList::GroupCaptionChanged,
                         [this](int n) { caption = TSourceList::CountCaption(caption, n); });
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
    QString barText() const { return reporter.shown; }
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
        if (CompareText(f.sources->TextAt(r - 1), f.sources->TextAt(r)) > 0)
            return QStringLiteral("lines %1 and %2 out of order").arg(r - 1).arg(r);
    return QString();
}

bool setModified(const QString &path, const QDateTime &when)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadWrite))
        return false;
    return f.setFileTime(when, QFileDevice::FileModificationTime);
}

// Applies the source list's part of a job file as the window's restore pass
// does: the check list lines, both holders and the common root field.
bool restoreSourceList(const TStreamToIniCore &ini, TFixture &f)
{
    using namespace StreamToIniFormat;
    const QString window = QStringLiteral("frmQuenbarMain.");
    const int list = ini.IndexOfKey(window + QStringLiteral("CheckListBoxSelectedFiles"));
    const int root = ini.IndexOfKey(window + QStringLiteral("EditCommonRoot"));
    if (list < 0 || root < 0)
        return false;
    QList<TCheckListItem> items;
    ini.ReadCheckListItems(list, !(soDefaultOptions & soNoCheckListEnabled), items);
    f.sources->SetItems(items);
    const QList<QPair<TStringListHolder *, QString>> holders{{f.names, QStringLiteral("STLHCentral_Name")},
                                                             {f.statuses, QStringLiteral("STLHCentral_Other")}};
    for (const auto &[holder, name] : holders) {
        const int key = ini.IndexOfKey(window + name);
        if (key < 0)
            return false;
        THolderData data;
        data.saveObjects = holder->SaveObjects();
        ini.ReadStringListHolder(key, data);
        holder->clear();
        holder->SetMaxLen(data.maxLen);
        for (qsizetype i = 0; i < data.entries.size(); ++i)
            holder->add(data.entries.at(i), data.objects.at(i));
    }
    f.rootText = ini.valueAt(root);
    return true;
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
    void countCaption_data();
    void countCaption();
    void languageFileFilter();
    void ownHoldersAndCharacterWidths();
    void linesForOtherCore();
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
    void removeUnchecked();
    void addFilesFromDialog();
    void addFolderFromDialog();
    void dropFiles();
    void shownText();
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

void TestSourceList::countCaption_data()
{
    QTest::addColumn<QString>("caption");
    QTest::addColumn<int>("count");
    QTest::addColumn<QString>("shown");
    QTest::newRow("first count") << "Source files of the project (0)" << 12 << "Source files of the project (12)";
    QTest::newRow("back to none") << "Source files of the project (9999)" << 0 << "Source files of the project (0)";
    QTest::newRow("no count yet") << "Source files" << 3 << "Source files(3)";
}

void TestSourceList::countCaption()
{
    QFETCH(QString, caption);
    QFETCH(int, count);
    QFETCH(QString, shown);
    QCOMPARE(TSourceList::CountCaption(caption, count), shown);
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

void TestSourceList::ownHoldersAndCharacterWidths()
{
    // No holders and no view: the list makes its holders, widths count characters.
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("src/m/a.csv"));
    QDir().mkpath(QFileInfo(path).absolutePath());
    TextFile::writeLines(path, {QStringLiteral("header"), QStringLiteral("a;b;c;LANG;PLI")});
    TSourceList bare{TSourceListHooks()};
    QVERIFY(bare.Names()->SaveObjects());
    QVERIFY(!bare.Statuses()->SaveObjects());
    QVERIFY(bare.AddSourceFile(path));
    QCOMPARE(bare.HolderPaths(), QStringList{path});
    QCOMPARE(bare.HolderKinds(), QList<int>{TSourceList::skProc});
    QCOMPARE(bare.Statuses()->StringList(), QStringList{"<Proc>"});
    QCOMPARE(bare.Names()->MaxLen(), int(path.size()));
    // Without a reporter a refusal still ends the command.
    bare.UnselectAll();
    QVERIFY_THROWS_EXCEPTION(ESourceListError, bare.CheckSourcesSelected());
    bare.SelectAll();
    QVERIFY(bare.CheckedAt(0));
    const QString root = dir.filePath(QStringLiteral("src"));
    bare.SetCommonRoot(root);
    QCOMPARE(bare.CommonRootWidth(), int(root.size()) + 1);
    QCOMPARE(bare.HorizontalExtent(), 17 + int(path.size()) - (int(root.size()) + 1) + 5);
    // Nobody to ask: no files, no folder.
    bare.AddFolderFromDialog();
    bare.AddFilesFromDialog();
    QCOMPARE(bare.Count(), 1);
}

void TestSourceList::linesForOtherCore()
{
    TFixture f;
    const QString a = f.csv(QStringLiteral("src/a.csv"));
    const QString w = f.wsdl(QStringLiteral("src/w.wsdl"));
    QVERIFY(f.sources->AddSourceFile(w));
    QVERIFY(f.sources->AddSourceFile(a));
    QCOMPARE(f.sources->Lines(), (QStringList{a + QStringLiteral("=0001"), w + QStringLiteral("=0000")}));
    QCOMPARE(f.sources->HolderPaths(), (QStringList{w, a}));
    QCOMPARE(f.sources->HolderKinds(), (QList<int>{TSourceList::skOrigWSDL, TSourceList::skProc}));

    QSignalSpy changed(f.sources.get(), &QAbstractItemModel::dataChanged);
    f.sources->DisableSource(1);
    QVERIFY(!f.sources->CheckedAt(1));
    QVERIFY(!f.sources->EnabledAt(1));
    QVERIFY(changed.count() >= 1);   // views repaint the line
    f.sources->SetEnabled(1, true);
    f.sources->SetChecked(1, true);
    QVERIFY(f.sources->EnabledAt(1) && f.sources->CheckedAt(1));
    f.sources->DisableSource(7);   // no such line: nothing happens
    QCOMPARE(f.sources->Count(), 2);

    // Lines as a restored job brings them.
    f.sources->SetItems({{a + QStringLiteral("=0001"), false, true}, {w + QStringLiteral("=0000"), true, false}});
    QCOMPARE(f.sources->Items().size(), 2);
    QVERIFY(!f.sources->CheckedAt(0));
    QVERIFY(!f.sources->EnabledAt(1));
    QCOMPARE(f.sources->PathAt(1), w);
    QCOMPARE(f.sources->NumberAt(1), 0);

    // Root, depth and count reach the window through the signals.
    QSignalSpy drawing(f.sources.get(), &TSourceList::DrawingChanged);
    f.sources->SetEnabled(1, true);
    f.sources->SetChecked(0, true);
    f.sources->CalculateCommonRoot(true);
    QCOMPARE(f.rootText, f.sources->CommonRoot());
    QCOMPARE(f.depthText, QStringLiteral("0"));
    QCOMPARE(f.caption, QStringLiteral("Source files of the project (2)"));
    QVERIFY(drawing.count() >= 1);
    f.sources->Clear();
    f.sources->UpdateGroupCaption();
    QCOMPARE(f.caption, QStringLiteral("Source files of the project (0)"));
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
    QCOMPARE(f.sources->TextAt(0), longPath + QStringLiteral("=0000"));
    QVERIFY(f.sources->CheckedAt(0));
    QVERIFY(f.sources->EnabledAt(0));
    QCOMPARE(f.names->object(0), 2);
    QCOMPARE(f.statuses->get(0), QStringLiteral("<Objt>"));
    const int longWidth = widthOf(longPath);
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
    const QString p1 = f.csv(QStringLiteral("src/p1.csv"));
    const QString q1 = f.csv(QStringLiteral("src/q1.csv"));
    QVERIFY(f.sources->AddSourceFile(p1));
    QVERIFY(f.sources->AddSourceFile(q1));

    const int row = f.sources->RowOfPath(p1);
    f.sources->SetChecked(row, false);
    QVERIFY(f.sources->AddSourceFile(p1));
    QCOMPARE(f.sources->Count(), 2);
    QVERIFY(f.sources->CheckedAt(f.sources->RowOfPath(p1)));
    QCOMPARE(f.removed, QStringList{"p1"});
    QCOMPARE(inconsistency(f), QString());
}

void TestSourceList::removeDeletesInterface()
{
    TFixture f;
    const QString a = f.csv(QStringLiteral("src/Alpha.csv"));
    const QString b = f.wsdl(QStringLiteral("src/Beta.wsdl"));
    const QString c = f.csv(QStringLiteral("src/Gamma.csv"), QStringLiteral("Java"));
    for (const QString &p : {a, b, c})
        QVERIFY(f.sources->AddSourceFile(p));
    QVERIFY(f.removed.isEmpty());

    QVERIFY(f.sources->RemoveSourceFile(a));
    QCOMPARE(f.removed, QStringList{"Alpha"});
    QCOMPARE(f.paths(), (QStringList{b, c}));
    QCOMPARE(f.names->StringList(), (QStringList{b, c}));
    QCOMPARE(f.statuses->StringList(), (QStringList{"<OrigWSDL>", "<Objt>"}));
    QCOMPARE(inconsistency(f), QString());

    QVERIFY(f.sources->RemoveSourceFile(f.sources->RowOfPath(c)));
    QCOMPARE(f.removed, (QStringList{"Alpha", "Gamma"}));
    QCOMPARE(f.paths(), QStringList{b});
    QCOMPARE(f.sources->TextAt(0), b + QStringLiteral("=0000"));

    QVERIFY(!f.sources->RemoveSourceFile(a));
    QVERIFY(!f.sources->RemoveSourceFile(5));
    QVERIFY(!f.sources->RemoveSourceFile(-1));
    QCOMPARE(f.removed.size(), 2);   // nothing removed, nothing deleted
    QCOMPARE(inconsistency(f), QString());
}

void TestSourceList::renumber()
{
    TFixture f;
    f.sources->SetSorted(false);
    f.names->add(QStringLiteral("/s/B.csv"), 1);
    f.names->add(QStringLiteral("/s/a.csv"), 1);
    for (const char *line : {"/s/a.csv=0000", "/s/b.csv=0001", "/s/c.csv=0000"})
        f.sources->AppendItem({QString::fromLatin1(line), true, true});
    f.sources->RenumberSourceList();
    QCOMPARE(f.sources->TextAt(0), QStringLiteral("/s/a.csv=0001"));
    QCOMPARE(f.sources->TextAt(1), QStringLiteral("/s/b.csv=0000"));   // found case-insensitively
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
    QCOMPARE(f.sources->TextAt(0), a + QStringLiteral("=0000"));
    QCOMPARE(f.sources->TextAt(1), c + QStringLiteral("=0001"));

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
    QTest::newRow("files at the top") << QStringList{"/a.csv", "/b.csv"} << false << "/" << 0;
    QTest::newRow("no shared top folder")
        << QStringList{"/home/u/m/a.csv", "/opt/v/n/b.csv"} << false << "/" << 3;
    QTest::newRow("no shared folder on a drive")
        << QStringList{"C:/A/m/a.csv", "C:/B/n/b.csv"} << false << "C:" << 2;
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
    f.reporter.ShowWarning(QStringLiteral("left over"));
    f.sources->CalculateCommonRoot(false);
    const QString root = f.path(QStringLiteral("sys"));
    QCOMPARE(f.sources->CommonRoot(), root);
    QCOMPARE(f.rootText, root);
    QCOMPARE(f.depthText, QStringLiteral("1"));
    QCOMPARE(f.sources->CommonRootPosition(), int(root.size()) + 2);
    QCOMPARE(f.sources->CommonRootWidth(), widthOf(root + QLatin1Char('/')));
    QCOMPARE(f.caption, QStringLiteral("Source files of the project (2)"));
    QVERIFY(f.barText().isEmpty());
    QCOMPARE(f.sources->ShownPath(f.sources->RowOfPath(p1)), QStringLiteral("A/B/p1.csv"));
    const int widest = widthOf(p1);
    QCOMPARE(f.names->MaxLen(), widest);
    QCOMPARE(f.sources->HorizontalExtent(),
             widthOf(QStringLiteral("<Proc><WSDL><xxx>")) + widest
                 - f.sources->CommonRootWidth() + 5);

    f.maxDirDepth = 99;
    f.sources->CalculateCommonRoot(true);
    QCOMPARE(f.sources->CommonRoot(), f.path(QStringLiteral("sys/A")));

    // Unticked lines still count for the root.
    const QString far = f.csv(QStringLiteral("other/x/y/z.csv"));
    QVERIFY(f.sources->AddSourceFile(far));
    f.sources->SetChecked(f.sources->RowOfPath(far), false);
    f.maxDirDepth = 0;
    f.sources->CalculateCommonRoot(false);
    QCOMPARE(f.sources->CommonRoot(), f.dir.path());
    QCOMPARE(f.depthText, QStringLiteral("3"));

    // The file system's root as the common root: paths are shown from the
    // first folder below it, none of their own letters cut away.
    f.sources->SetCommonRoot(QStringLiteral("/"));
    QCOMPARE(f.rootText, QStringLiteral("/"));
    QCOMPARE(f.sources->CommonRootPosition(), 2);
    QCOMPARE(f.sources->CommonRootWidth(), widthOf(QStringLiteral("/")));
    QCOMPARE(f.sources->ShownPath(f.sources->RowOfPath(p1)), p1.mid(1));
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
    QCOMPARE(f.reporter.LastMessage(), QStringLiteral("Some input files cannot be found!"));
    const int row = f.sources->RowOfPath(b);
    QVERIFY(!f.sources->CheckedAt(row));
    QVERIFY(!f.sources->EnabledAt(row));
    QVERIFY(f.sources->CheckedAt(f.sources->RowOfPath(a)));

    // Nothing ticked: information, or an error when strict.
    f.sources->SetChecked(f.sources->RowOfPath(a), false);
    f.reporter.ClearMessage();
    f.sources->CalculateCommonRoot(false);
    QCOMPARE(f.barText(), QStringLiteral("No files are selected for processing!"));
    QCOMPARE(f.reporter.Severity(), 0);
    QVERIFY_THROWS_EXCEPTION(EAbort, f.sources->CalculateCommonRoot(true));
    QCOMPARE(f.reporter.LastMessage(), QStringLiteral("No files are selected for processing!"));

    // Another drive among the lines: the root is cleared.
    f.sources->SetChecked(f.sources->RowOfPath(a), true);
    f.sources->CalculateCommonRoot(true);
    QVERIFY(!f.sources->CommonRoot().isEmpty());
    f.sources->AppendItem({QStringLiteral("D:/x/y.csv=0009"), false, true});
    QVERIFY_THROWS_EXCEPTION(EAbort, f.sources->CalculateCommonRoot(true));
    QCOMPARE(f.reporter.LastMessage(),
             QStringLiteral("Cannot determine\"System\" direcory, all modules must reside on the same drive!"));
    QCOMPARE(f.sources->CommonRoot(), QString());
    QCOMPARE(f.rootText, QString());

    // Too many lines for one job.
    QList<TCheckListItem> many;
    for (int i = 0; i < 9999; ++i)
        many.append({QStringLiteral("/none/f%1.csv=%2").arg(i).arg(i, 4, 10, QLatin1Char('0')), false, true});
    f.sources->SetItems(many);
    QVERIFY_THROWS_EXCEPTION(EAbort, f.sources->CalculateCommonRoot(false));
    QCOMPARE(f.reporter.LastMessage(), QStringLiteral("The number of file in one job must be less than 9999"));
}

void TestSourceList::calculateCommonRootBigList()
{
    TFixture f;
    TRecordingProgress progress;
    f.sources->SetProgress(&progress);
    f.limit = 2;
    for (const char *name : {"big/m1/a.csv", "big/m1/b.csv", "big/m2/c.csv"})
        QVERIFY(f.sources->AddSourceFile(f.csv(QString::fromLatin1(name))));
    f.sources->SetCommonRoot(QStringLiteral("/before"));
    f.sources->CalculateCommonRoot(false);
    QCOMPARE(f.reporter.LastMessage(), QStringLiteral("Press the \"Recalculate modular structure\" button to apply the changes !"));
    QCOMPARE(f.reporter.Severity(), 1);
    QCOMPARE(f.sources->CommonRoot(), QStringLiteral("/before"));
    QVERIFY(f.recalcShown);
    QCOMPARE(progress.timesShown, 0);   // only announced

    f.sources->CalculateCommonRoot(true);
    QCOMPARE(f.sources->CommonRoot(), f.dir.path());
    QCOMPARE(progress.title, QStringLiteral("Determine longest common path"));
    QCOMPARE(progress.maximum, 3);
    QCOMPARE(progress.steps, 3);
    QCOMPARE(progress.timesShown, 1);
    QVERIFY(!progress.shown);

    f.limit = 50;
    f.sources->CalculateCommonRoot(false);
    QVERIFY(!f.recalcShown);
}

void TestSourceList::checkSourcesSelected()
{
    TFixture f;
    const QString a = f.csv(QStringLiteral("src/m/a.csv"));
    QVERIFY(f.sources->AddSourceFile(a));
    f.sources->SetChecked(0, false);
    QVERIFY_THROWS_EXCEPTION(EAbort, f.sources->CheckSourcesSelected());
    QCOMPARE(f.namesChecked, 1);
    QCOMPARE(f.namesPageShown, 1);
    QCOMPARE(f.reporter.LastMessage(), QStringLiteral("No files are selected for processing!"));
    f.sources->SetChecked(0, true);
    f.sources->CheckSourcesSelected();
    QCOMPARE(f.namesChecked, 2);
    QVERIFY(!f.sources->CommonRoot().isEmpty());
}

void TestSourceList::addSourceFolder()
{
    TFixture f;
    f.limit = 3;
    const QString folder = f.path(QStringLiteral("tree"));
    const QString a = f.csv(QStringLiteral("tree/a.csv"));
    const QString b = f.csv(QStringLiteral("tree/sub/B.csv"), QStringLiteral("Java"));
    const QString c = f.csv(QStringLiteral("tree/sub/deep/c.CSV"));
    const QString w = f.wsdl(QStringLiteral("tree/w.wsdl"));
    f.file(QStringLiteral("tree/none.csv"), {QStringLiteral("one line")});
    f.file(QStringLiteral("tree/notes.txt"), {QStringLiteral("h"), QStringLiteral("a;b;c;LANG;COBOL")});

    f.reporter.answerMessage(mbCancel);
    QVERIFY_THROWS_EXCEPTION(EAbort, f.sources->AddSourceFolder(folder, true));
    QCOMPARE(f.reporter.questions().size(), 1);
    QCOMPARE(f.reporter.questions().last().text,
             QStringLiteral("You are going to add 5 source files\r\nDo you really want to proceed?"));
    QCOMPARE(f.reporter.questions().last().type, TMsgDlgType::Warning);
    QCOMPARE(f.reporter.questions().last().buttons, mbOKCancel);
    QCOMPARE(f.reporter.LastMessage(), QStringLiteral("Cancelled due to too many files in directory"));
    QCOMPARE(f.sources->Count(), 0);

    QCOMPARE(f.busy, 0);   // the folder search showed the busy cursor and took it back
    QCOMPARE(f.busyShown, 1);

    f.reporter.answerMessage(mbOK);
    f.limit = 50;   // the root is computed right away, not only announced
    f.sources->AddSourceFolder(folder, false);   // not asked
    QCOMPARE(f.reporter.questions().size(), 1);
    QCOMPARE(f.paths(), (QStringList{a, b, c, w}));
    QCOMPARE(inconsistency(f), QString());
    QVERIFY(f.modified > 0);
    QCOMPARE(f.sources->CommonRoot(), folder);   // the levels below stay for the structure

    f.limit = 3;
    f.sources->AddSourceFolder(folder, true);
    QCOMPARE(f.reporter.questions().size(), 2);
    QCOMPARE(f.reporter.questions().last().answer, mbOK);
    QCOMPARE(f.busy, 0);
    QCOMPARE(f.sources->Count(), 4);
    QCOMPARE(inconsistency(f), QString());
    QCOMPARE(f.caption, QStringLiteral("Source files of the project (4)"));
    QVERIFY(f.recalcShown);
}

void TestSourceList::addSourceFolderAddsAfresh()
{
    TFixture f;
    const QString keep = f.csv(QStringLiteral("zother/keep.csv"));
    const QString a = f.csv(QStringLiteral("tree/a.csv"));
    const QString b = f.csv(QStringLiteral("tree/b.csv"));
    for (const QString &p : {keep, a, b})
        QVERIFY(f.sources->AddSourceFile(p));
    QCOMPARE(f.sources->RowOfPath(a), 0);   // the first line is one the folder yields
    f.sources->AddSourceFolder(f.path(QStringLiteral("tree")), false);
    QCOMPARE(f.removed, (QStringList{"b", "a"}));   // not "keep"
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
    // Sorted first, so a failure on it would stop the files after it.
    const QString locked = f.csv(QStringLiteral("tree/a_locked.csv"));
    const QString listed = f.csv(QStringLiteral("tree/b_listed.csv"));
    for (const QString &p : {locked, listed})
        QVERIFY(f.sources->AddSourceFile(p));
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
    QCOMPARE(f.removed, QStringList{"b_listed"});   // taken afresh; a_locked keeps its interface
    QVERIFY2(f.reporter.LastMessage().startsWith(QStringLiteral("Some source files cannot be read: "))
                 && f.reporter.LastMessage().contains(locked) && !f.reporter.LastMessage().contains(listed),
             qPrintable(f.reporter.LastMessage()));

    // An unchecked duplicate that cannot be read stays as well.
    f.sources->SetChecked(f.sources->RowOfPath(locked), false);
    QVERIFY_THROWS_EXCEPTION(EFileError, f.sources->AddSourceFile(locked));
    QCOMPARE(f.paths(), (QStringList{locked, listed, added}));
    QCOMPARE(f.removed, QStringList{"b_listed"});

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
    f.sources->SetChecked(1, false);

    int before = f.modified;
    f.sources->UnselectAll();
    for (int r = 0; r < 3; ++r)
        QVERIFY(!f.sources->CheckedAt(r));
    QVERIFY(f.sources->CommonRoot().isEmpty());   // unselecting does not recompute
    QVERIFY(f.modified > before);

    before = f.modified;
    f.sources->SetChecked(0, true);
    f.sources->ToggleSelect();
    QVERIFY(!f.sources->CheckedAt(0));
    QVERIFY(f.sources->CheckedAt(1));
    QVERIFY(f.sources->CheckedAt(2));
    QVERIFY(f.modified > before);
    QCOMPARE(f.sources->CommonRoot(), f.dir.path());

    f.sources->SetCommonRoot(QString());
    f.sources->SelectAll();
    for (int r = 0; r < 3; ++r)
        QVERIFY(f.sources->CheckedAt(r));
    QCOMPARE(f.sources->CommonRoot(), f.dir.path());
}

void TestSourceList::removeUnchecked()
{
    TFixture f;
    f.limit = 1;
    QStringList all;
    for (const char *name : {"s/a.csv", "s/b.csv", "s/c.csv", "s/d.csv"})
        all << f.csv(QString::fromLatin1(name));
    for (const QString &p : all)
        QVERIFY(f.sources->AddSourceFile(p));
    f.sources->SetChecked(0, false);
    f.sources->SetChecked(2, false);
    const int before = f.modified;
    f.sources->RemoveUncheckedFiles();
    QCOMPARE(f.paths(), (QStringList{all[1], all[3]}));
    QCOMPARE(inconsistency(f), QString());
    QCOMPARE(f.sources->TextAt(0), all[1] + QStringLiteral("=0000"));
    QCOMPARE(f.sources->TextAt(1), all[3] + QStringLiteral("=0001"));
    QCOMPARE(f.removed, (QStringList{"c", "a"}));
    QVERIFY(f.modified > before);
    QCOMPARE(f.caption, QStringLiteral("Source files of the project (2)"));
    QVERIFY(f.recalcShown);
}

void TestSourceList::addFilesFromDialog()
{
    TFixture f;
    const QString a = f.csv(QStringLiteral("src/m/a.csv"));
    const QString w = f.wsdl(QStringLiteral("src/m/w.WSDL"));
    const QString t = f.file(QStringLiteral("src/m/t.txt"), {QStringLiteral("h"), QStringLiteral("a;b;c;LANG;COBOL")});
    f.sources->SetCommonRoot(f.path(QStringLiteral("src")));
    f.filter = QStringLiteral("CSV files|*.csv|WSDL files|*.wsdl");
    f.reporter.answerFiles({t, a, w});
    f.sources->AddFilesFromDialog();
    QCOMPARE(f.reporter.fileRequests.size(), 1);
    const TFileDialogRequest asked = f.reporter.fileRequests.first();
    QCOMPARE(asked.caption, QStringLiteral("Add files to process to the project"));
    QCOMPARE(asked.folder, f.path(QStringLiteral("src")));
    QCOMPARE(asked.filter, QStringLiteral("CSV files (*.csv);;WSDL files (*.wsdl)"));
    QVERIFY(asked.fileName.isEmpty());
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
    const QString a = f.csv(QStringLiteral("tree/a.csv"));
    f.reporter.answerDirectory(QString());
    f.sources->AddFolderFromDialog();
    QCOMPARE(f.sources->Count(), 0);
    QCOMPARE(f.reporter.questions().last().text, QStringLiteral("Select a folder containing files to add to the project"));
    QCOMPARE(f.reporter.folderStarts.last(), QString());   // no common root yet

    f.reporter.answerDirectory(f.path(QStringLiteral("tree")));
    f.sources->AddFolderFromDialog();
    QCOMPARE(f.paths(), QStringList{a});
    f.sources->SetCommonRoot(f.path(QStringLiteral("tree")));
    f.sources->AddFolderFromDialog();   // cancelled (queue empty)
    QCOMPARE(f.reporter.folderStarts.last(), QStringLiteral("/"));   // the root of the root's drive
    QCOMPARE(f.reporter.folderStarts.size(), 3);
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

void TestSourceList::shownText()
{
    TFixture f;
    const QString a = f.csv(QStringLiteral("src/m/a.csv"));
    const QString b = f.csv(QStringLiteral("src/n/b.csv"), QStringLiteral("Java"));
    QVERIFY(f.sources->AddSourceFile(a));
    QVERIFY(f.sources->AddSourceFile(b));
    f.sources->SetCommonRoot(f.path(QStringLiteral("src")));
    f.sources->SetChecked(1, false);
    f.sources->SetEnabled(1, false);
    QCOMPARE(f.sources->ShownPath(0), QStringLiteral("m/a.csv"));
    QCOMPARE(f.sources->ShownPath(1), b);
    QCOMPARE(f.sources->StatusTextAt(0), QStringLiteral("<Proc>"));
    QCOMPARE(f.sources->StatusTextAt(1), QStringLiteral("<Objt>"));
    // The stored text stays the line, in every role a view reads.
    QCOMPARE(f.sources->TextAt(0), a + QStringLiteral("=0000"));
    const QModelIndex first = f.sources->index(0);
    QCOMPARE(first.data(Qt::DisplayRole).toString(), a + QStringLiteral("=0000"));
    QCOMPARE(first.data(Qt::CheckStateRole).toInt(), int(Qt::Checked));
    QVERIFY(f.sources->flags(first).testFlag(Qt::ItemIsEnabled));
    QVERIFY(f.sources->flags(first).testFlag(Qt::ItemIsUserCheckable));
    const QModelIndex second = f.sources->index(1);
    QCOMPARE(second.data(Qt::CheckStateRole).toInt(), int(Qt::Unchecked));
    QVERIFY(!f.sources->flags(second).testFlag(Qt::ItemIsEnabled));
    // A line outside the root and a line without a number.
    f.sources->AppendItem({QStringLiteral("/elsewhere/c.csv"), true, true});
    QCOMPARE(f.sources->ShownPath(2), QStringLiteral("/elsewhere/c.csv"));
    QCOMPARE(f.sources->StatusTextAt(2), QString());
}

void TestSourceList::checkMarkSignal()
{
    TFixture f;
    QVERIFY(f.sources->AddSourceFile(f.csv(QStringLiteral("src/a.csv"))));
    QSignalSpy spy(f.sources.get(), &TSourceList::CheckMarkClicked);
    f.sources->SetChecked(0, false);   // by the program: no signal
    f.sources->SelectAll();
    QCOMPARE(spy.count(), 0);
    // A view's user ticks through the model's data.
    QVERIFY(f.sources->setData(f.sources->index(0), int(Qt::Unchecked), Qt::CheckStateRole));
    QVERIFY(!f.sources->CheckedAt(0));
    QCOMPARE(spy.count(), 1);
    QVERIFY(f.sources->setData(f.sources->index(0), int(Qt::Unchecked), Qt::CheckStateRole));
    QCOMPARE(spy.count(), 1);   // no change, no signal
    QVERIFY(!f.sources->setData(f.sources->index(0), QStringLiteral("other"), Qt::EditRole));
    QVERIFY(f.sources->TextAt(0).endsWith(QStringLiteral("=0000")));
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
    TStreamToIniCore ini;
    ini.LoadFromFile(jobFile);
    QVERIFY(restoreSourceList(ini, f));
    QVERIFY(f.sources->Count() > 0);
    QCOMPARE(inconsistency(f), QString());
    for (int r = 0; r < f.sources->Count(); ++r) {
        QVERIFY(f.sources->CheckedAt(r));
        QVERIFY(QFileInfo(f.sources->PathAt(r)).isFile());
    }
    f.sources->SetCommonRoot(f.rootText);
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
    QCOMPARE(f.depthText, QStringLiteral("0"));
}

QTEST_GUILESS_MAIN(TestSourceList)
#include "tst_sourcelist.moc"
