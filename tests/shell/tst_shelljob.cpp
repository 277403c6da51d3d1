#include "LanguageSelection.h"
#include "ShellJob.h"
#include "ShellSettings.h"

#include "Errors.h"
#include "SharedRoutinesCommon.h"
#include "TextFile.h"
#include "TestFiles.h"
#include "core/TestReporter.h"

#include <QDir>
#include <QMap>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

namespace {

QMap<QString, QString> g_store;   // the per-user settings of the test

// A shell of one kind in a temporary folder: program and settings file in
// "bin", tool root "tools" with one language's analyser folder and
// definition files, and the job with its language selection wired.
struct TJobFixture
{
    QTemporaryDir dir;
    TTestReporter reporter;
    std::unique_ptr<TShellSettings> settings;
    std::unique_ptr<TShellJob> job;
    std::unique_ptr<TShellLanguage> language;
    Ostrin::TShellHost host;
    QStringList failedButtons;

    QString path(const QString &relative) const { return dir.path() + QLatin1Char('/') + relative; }
    QString toolRoot() const { return path(QStringLiteral("tools")); }
    QString languageFolder() const { return toolRoot() + QStringLiteral("/COBReDoc"); }

    // program "Mireth" is kind 3 (own jobs), "Quenbar" with tag 3 kind 4 (hosted).
    void make(const QString &program = QStringLiteral("Mireth"), const QStringList &extraLines = {})
    {
        const Ostrin::TAnalTypeConstants row = Ostrin::SelectApplicationKind(program, 3);
        const QString iniName = row.IniFileName.isEmpty() ? program + QStringLiteral(".INI") : row.IniFileName;
        QDir().mkpath(path("bin"));
        QStringList lines{QStringLiteral("; shell settings"),
                          QStringLiteral("ActiveRadioButton=RadioButtonCob"),
                          QStringLiteral("RadioButtonCob=Cobol 85,COB,COB,2,C85,C85X"),
                          QStringLiteral("RadioButtonOne=One,ONE,ONE,1,V1"),
                          QStringLiteral("RadioButtonNoVersion=None,NOV,NOV,0"),
                          QStringLiteral("COB.Extras=(DirDepth=2)"),
                          QStringLiteral("COB.Filters=COBOL programs|*.cbl"),
                          QStringLiteral("C85.Filters=Copybooks|*.cpy"),
                          QStringLiteral("LimitsDef=x"),
                          QStringLiteral("MAXSTMT=Maximal statements per module,500"),
                          QStringLiteral("; a comment"),
                          QStringLiteral("MAXNEST=Nesting,"),
                          QStringLiteral("LimitsDef.End="),
                          QStringLiteral("FileCopy.SystemFileViewStyle=1")};
        TextFile::writeLines(path("bin/") + iniName, lines + extraLines);
        QDir().mkpath(languageFolder());
        QDir().mkpath(toolRoot() + "/ONEReDoc");
        QDir().mkpath(toolRoot() + "/NOVReDoc");
        QVERIFY(writeBytes(languageFolder() + "/COBReDoc.exe", "x"));
        QVERIFY(writeBytes(languageFolder() + "/Rules.COB", "Rule one\r\nX\r\nRule two\r\n"));
        QVERIFY(writeBytes(languageFolder() + "/Metrics.COB", "M001 Lines\r\nM002 Nesting\r\n"));
        QVERIFY(writeBytes(languageFolder() + "/Specs.COB", "Spec A\r\n"));
        QVERIFY(writeBytes(languageFolder() + "/Functab.COB", "READ\r\nWRITE\r\n"));
        QDir().mkpath(path("out"));

        settings = std::make_unique<TShellSettings>(&reporter, path("bin/") + program, row);
        settings->SetToolRoot(toolRoot());
        settings->SetLanguageButtons({{QStringLiteral("RadioButtonCob")}, {QStringLiteral("RadioButtonOne")},
                                      {QStringLiteral("RadioButtonNoVersion")}});
        settings->LoadSettingsText();
        settings->ApplySettings(true);
        job = std::make_unique<TShellJob>(*settings, &reporter);
        language = std::make_unique<TShellLanguage>(*settings, *job, &reporter);
        job->SetLanguage(language.get());
        job->SetHost(&host);
        job->SetCaption(row.AppCaption + QStringLiteral(" - "));
        language->OnButtonFailed = [this](const QString &name) { failedButtons << name; };
        g_store.clear();
        g_store["LastOutputDir"] = path("out");
        g_store["LastPosition"] = path("jobs");
    }

    // A language selected and named, ready to be saved.
    void namedJob(const QString &button = QStringLiteral("RadioButtonCob"))
    {
        language->SelectLanguage(button);
        job->SetProductName("ACME");
        job->SetSystemName("billing");
        job->SetVersion("1.0");
        reporter.clearRecords();
    }
};

bool threw(const std::function<void()> &f)
{
    try {
        f();
    } catch (const EAbort &) {
        return true;
    }
    return false;
}

} // namespace

class TestShellJob : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();

    // Language selection
    void selectLanguageWithVersions();
    void selectionFailures_data();
    void selectionFailures();
    void cancelledSaveQuestionKeepsButton();
    void pickerDefaults();
    void newJobFolders();
    void newJobFoldersFromStoredPaths();
    void definitionsReloadedOnlyWhenNewer();
    void limitRowsAndNumbers_data();
    void limitRowsAndNumbers();
    void limitsFileMissing();
    void outputDirectoryCheck();
    void languageFileFilter();

    // Job
    void names_data();
    void names();
    void derivedJobName();
    void saveAndLoadRoundTrip();
    void modifiedQuestion_data();
    void modifiedQuestion();
    void saveDialog();
    void loadFailure();
    void droppedFiles();
    void batchOnOpen_data();
    void batchOnOpen();
    void closeWithBatchRunning();
    void actionGate();
    void hostedJob();
};

void TestShellJob::initTestCase()
{
    SetSettingsProcedures([](const QString &name) { return g_store.value(name); },
                          [](const QString &name, const QString &text) { g_store[name] = text; });
}

void TestShellJob::cleanupTestCase() { SetSettingsProcedures({}, {}); }

// ---- Language selection -------------------------------------------------------------------

void TestShellJob::selectLanguageWithVersions()
{
    TJobFixture f;
    f.make();
    QVERIFY(writeBytes(f.languageFolder() + "/Rules.C85", "Rule for C85\r\n"));
    QStringList versions;
    f.language->OnVersions = [&](const QStringList &v) { versions = v; };
    f.language->SelectLanguage("RadioButtonCob");
    QCOMPARE(versions, (QStringList{"C85", "C85X"}));
    QVERIFY(f.language->VersionGroupVisible());
    QCOMPARE(f.job->LanguageVersion(), QStringLiteral("C85"));
    QCOMPARE(f.job->LanguageCode(), QStringLiteral("COB"));
    QCOMPARE(f.language->Pickers().Rules.Path, f.languageFolder() + "/Rules.C85");
    QCOMPARE(f.language->Pickers().Metrics.Path, f.languageFolder() + "/Metrics.COB");
    QCOMPARE(f.job->Caption(), QStringLiteral("Mireth main shell - Cobol 85"));
    QCOMPARE(f.language->AnalyserCaption(), QStringLiteral("Cobol 85 program"));
    const TDefinitionLists &d = f.job->Definitions();
    QCOMPARE(d.Rules.size(), 1);   // from the version's file
    QCOMPARE(d.Metrics.size(), 2);
    QVERIFY(d.Metrics[0].checked && d.Metrics[1].checked);
    QCOMPARE(d.Weights, (QStringList{"1", "1"}));
    QCOMPARE(d.Functab.size(), 2);
    QVERIFY(f.job->NeverSaved());
    QVERIFY(!f.job->Modified());
    f.language->ChooseLanguageVersion(1);
    QCOMPARE(f.job->LanguageVersion(), QStringLiteral("C85X"));
    // Edited settings reach the language at "Apply changes" and, saved, at the next start.
    f.settings->SetValue("COB.Extras", "(DirDepth=3,Rules=N)");
    f.language->ApplySettingsChanges();
    QCOMPARE(f.job->MaxDirDepth(), 3);
    QVERIFY(!f.language->Configuration().RulesPage);
    f.language->SaveSettingsChanges();
    QCOMPARE(ValueOfNameIn(TextFile::readLines(f.path("bin/Mireth.INI")), "COB.Extras"), QStringLiteral("(DirDepth=3,Rules=N)"));

    const bool cobolRules = !f.job->Definitions().Rules.isEmpty();
    f.language->SelectLanguage("RadioButtonOne");
    QVERIFY(!f.language->VersionGroupVisible());
    QCOMPARE(f.job->LanguageVersion(), QStringLiteral("V1"));
    // Rules of the first language are not left behind: the new language has no rules file.
    QCOMPARE(f.language->Pickers().Rules.Path, f.toolRoot() + "/ONEReDoc/Rules.ONE");
    QVERIFY(cobolRules);
    QVERIFY(f.job->Definitions().Rules.isEmpty());
    QVERIFY(f.job->Definitions().Metrics.isEmpty());
    QCOMPARE(f.job->Definitions().LimitDefaults, f.settings->LimitDefaults());
}

void TestShellJob::selectionFailures_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<bool>("emptySettings");
    QTest::addColumn<QString>("message");
    QTest::newRow("no version name") << "RadioButtonNoVersion" << false << "List index out of bounds (4)";
    QTest::newRow("no entry") << "RadioButtonAda" << false << "Shell error,missing language definition, inform Velmora";
    QTest::newRow("empty settings") << "RadioButtonCob" << true << "Szar van a palacsintában";
}

void TestShellJob::selectionFailures()
{
    QFETCH(QString, button);
    QFETCH(bool, emptySettings);
    QFETCH(QString, message);
    TJobFixture f;
    f.make();
    if (emptySettings)
        f.settings->setLines({});
    f.reporter.clearRecords();
    QVERIFY(threw([&] { f.language->SelectLanguage(button); }));
    QCOMPARE(f.failedButtons, QStringList{button});
    QVERIFY(!f.settings->ButtonEnabled(button));
    QCOMPARE(f.reporter.errors().value(0), message);
}

void TestShellJob::cancelledSaveQuestionKeepsButton()
{
    TJobFixture f;
    f.make();
    f.namedJob();
    f.job->SetModified(true);
    f.reporter.answerMessage(mbCancel);
    QVERIFY(threw([&] { f.language->SelectLanguage("RadioButtonOne"); }));
    QCOMPARE(f.reporter.errors(), QStringList{"Action cancelled"});
    QVERIFY(f.failedButtons.isEmpty());
    QVERIFY(f.settings->ButtonEnabled("RadioButtonOne"));
    QCOMPARE(f.job->LanguageCode(), QStringLiteral("COB"));
    QCOMPARE(f.job->ProductName(), QStringLiteral("ACME"));   // the job is still there
    QVERIFY(f.job->Modified());
}

void TestShellJob::pickerDefaults()
{
    TJobFixture f;
    f.make("Mireth", {"TWO.Extras=(DirDepth=1,Procpgm=/opt/two/Two.exe,ScanProg=Scan,Scan=Y,Transf=Y,SearchProg=S\\Find.exe,"
                      "TstDesignProg=D\\Design.exe,Rules=N)",
                      "RadioButtonTwo=Two,TWO,TWO,1,T"});
    QDir().mkpath(f.toolRoot() + "/TWOReDoc");
    f.settings->SetLanguageButtons({{"RadioButtonCob"}, {"RadioButtonTwo"}});
    f.language->SelectLanguage("RadioButtonCob");
    TPickers p = f.language->Pickers();
    QCOMPARE(p.Analyser.Path, f.languageFolder() + "/COBReDoc.exe");
    QCOMPARE(p.WordScanner.Path, p.Analyser.Path);   // without "ScanProg" the analyser's
    QCOMPARE(p.Converter.Path, f.toolRoot() + "/CSVTran/CSVTran.exe");
    QCOMPARE(p.Editor.Path, QStringLiteral("NOTEPAD.EXE"));
    QCOMPARE(p.Limits.Path, f.languageFolder() + "/Limits.COB");
    QVERIFY(!p.Converter.Visible && !p.WordScanner.Visible);
    bool analysis = false, convert = true, scanner = true;
    f.language->OnActionsEnabled = [&](bool a, bool c, bool s) { analysis = a; convert = c; scanner = s; };
    f.language->LoadDefinitions();
    QVERIFY(analysis && !convert && !scanner);

    f.language->SelectLanguage("RadioButtonTwo");
    p = f.language->Pickers();
    QCOMPARE(p.Analyser.Path, QStringLiteral("/opt/two/Two.exe"));
    QCOMPARE(p.WordScanner.Path, f.toolRoot() + "/TWOReDoc/Scan.exe");
    QCOMPARE(p.SearchProgram.Path, f.toolRoot() + "/S/Find.exe");
    QCOMPARE(p.TestDesigner.Path, f.toolRoot() + "/D/Design.exe");
    QVERIFY(p.Converter.Visible && p.WordScanner.Visible && p.SearchProgram.Visible && p.TestDesigner.Visible);
    QVERIFY(!p.Rules.Visible);
    QVERIFY(!analysis);   // the analyser does not exist
}

void TestShellJob::newJobFolders()
{
    TJobFixture f;
    f.make();
    g_store["LastPositionCOB"] = f.path("cobjobs");   // missing folder: "LastPosition" instead, created
    g_store["LastOutputDirCOB"] = f.path("cobout");   // created when possible
    f.language->SelectLanguage("RadioButtonCob");
    QCOMPARE(f.job->ProjectFolder(), f.path("jobs"));
    QVERIFY(QFileInfo(f.path("jobs")).isDir());
    QCOMPARE(f.job->OutputDirectory(), f.path("cobout"));
    QVERIFY(QFileInfo(f.path("cobout")).isDir());
    QCOMPARE(f.job->WorkFolder(), f.path("cobout") + "/work");
}

// A stored output folder written with "\" is made as the native folder, not as one odd name.
void TestShellJob::newJobFoldersFromStoredPaths()
{
    TJobFixture f;
    f.make();
    g_store["LastOutputDirCOB"] = QString(f.path("stored/out")).replace('/', '\\');
    f.language->SelectLanguage("RadioButtonCob");
    QCOMPARE(f.job->OutputDirectory(), f.path("stored/out"));
    QVERIFY(QFileInfo(f.path("stored/out")).isDir());
    QVERIFY(QDir(f.dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot).filter("\\").isEmpty());
}

void TestShellJob::definitionsReloadedOnlyWhenNewer()
{
    TJobFixture f;
    f.make();
    f.namedJob();
    // With a limits file, the reload messages are no reason to end the load.
    QVERIFY(writeBytes(f.languageFolder() + "/Limits.COB", "MAXSTMT=Statements,500\r\n"));
    f.job->SetMetricWeight(1, 3);
    f.job->Definitions().Rules[0].checked = false;
    f.reporter.answerFile(f.path("jobs/Acme.jmrt"));
    f.job->SaveJob(false);
    // Definition files older than the job: the job's lists and weights stay.
    const QDateTime past = QDateTime::currentDateTime().addSecs(-3600);
    for (const char *name : {"Rules.COB", "Metrics.COB", "Specs.COB", "Functab.COB"}) {
        QFile file(f.languageFolder() + "/" + name);
        QVERIFY(file.open(QIODevice::ReadWrite));
        QVERIFY(file.setFileTime(past, QFileDevice::FileModificationTime));
    }
    f.reporter.clearRecords();
    f.job->OpenJob(f.path("jobs/Acme.jmrt"));
    QCOMPARE(f.job->Definitions().Weights, (QStringList{"1", "3"}));
    QVERIFY(!f.job->Definitions().Rules[0].checked);
    QVERIFY(f.reporter.errors().isEmpty());
    // A newer metrics file is read again, all ticked, weights reset, and the picker says so.
    QVERIFY(writeBytes(f.languageFolder() + "/Metrics.COB", "M001 Lines\r\nM002 Nesting\r\nM003 Calls\r\n"));
    QFile file(f.languageFolder() + "/Metrics.COB");
    QVERIFY(file.open(QIODevice::ReadWrite));
    QVERIFY(file.setFileTime(QDateTime::currentDateTime().addSecs(3600), QFileDevice::FileModificationTime));
    file.close();
    f.job->OpenJob(f.path("jobs/Acme.jmrt"));
    QCOMPARE(f.job->Definitions().Weights, (QStringList{"1", "1", "1"}));
    QCOMPARE(f.reporter.errors(),
             (QStringList{"Metrics.COB - has been changed sience the project was changed, all entries are selected ",
                          "<<<<<<<<<<<<<<>>>>>>>>>>>>>>>"}));
}

void TestShellJob::limitRowsAndNumbers_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<QString>("result");   // formatted or the message
    QTest::newRow("plain") << "500" << true << "   500";
    QTest::newRow("blanks") << " 42 " << true << "    42";
    QTest::newRow("six digits") << "123456" << true << "123456";
    QTest::newRow("seven digits") << "1234567" << false << "Max six digits are allowed!";
    QTest::newRow("letters") << "12a" << false << "Only numeric constants are allowed!";
    QTest::newRow("empty") << "" << false << "Only numeric constants are allowed!";
}

void TestShellJob::limitRowsAndNumbers()
{
    QFETCH(QString, typed);
    QFETCH(bool, ok);
    QFETCH(QString, result);
    QString formatted, error;
    QCOMPARE(TShellLanguage::FormatLimitNumber(typed, formatted, error), ok);
    QCOMPARE(ok ? formatted : error, result);

    const QList<TLimitRow> rows = TShellLanguage::LimitRows(
        {"MAXSTMT=Maximal statements per module,500", "", "; MAXX=comment,1", "EMPTY=", "NONUM=Nothing,", " K = D , 7 "});
    QCOMPARE(rows.size(), 2);
    QCOMPARE(rows[0].Description, QStringLiteral("Maximal statements per module"));
    QCOMPARE(rows[0].Number, QStringLiteral("   500"));
    QCOMPARE(rows[0].Key, QStringLiteral("MAXSTMT"));
    QCOMPARE(rows[1].Key, QStringLiteral("K"));
    QCOMPARE(rows[1].Number, QStringLiteral("     7"));
}

void TestShellJob::limitsFileMissing()
{
    TJobFixture f;
    f.make();
    f.language->SelectLanguage("RadioButtonCob");
    // The settings' defaults fill the grid; the missing file is a warning.
    QCOMPARE(f.job->Definitions().Limits.size(), 1);
    QCOMPARE(f.job->Definitions().Limits[0].Key, QStringLiteral("MAXSTMT"));
    QCOMPARE(f.reporter.warnings(), QStringList{"No LIMITS.TXT exists, internal defaults are used"});
    // With other errors pending it is an error that ends the load.
    f.reporter.AddError("earlier", true);
    QVERIFY(threw([&] { f.language->LoadDefinitions(); }));
    QCOMPARE(f.reporter.errors().last(), QStringLiteral("No LIMITS.TXT exists, internal defaults are used"));
    // With a limits file the pending errors get the separator instead; the file fills the defaults.
    QVERIFY(writeBytes(f.languageFolder() + "/Limits.COB", "MAXCALL=Calls,9\r\n"));
    f.job->Definitions().Limits.clear();
    f.job->Definitions().LimitDefaults.clear();
    f.language->LoadDefinitions();
    QCOMPARE(f.reporter.errors().last(), QStringLiteral("<<<<<<<<<<<<<<>>>>>>>>>>>>>>>"));
    QCOMPARE(f.job->Definitions().Limits.value(0).Key, QStringLiteral("MAXCALL"));
}

void TestShellJob::outputDirectoryCheck()
{
    TJobFixture f;
    f.make();
    int checks = 0;
    f.language->CheckOutputDirectory = [&] { ++checks; };
    f.language->SelectLanguage("RadioButtonCob");
    QCOMPARE(checks, 0);
    f.job->SetOutputDirectory(f.path("gone"));
    f.language->LoadDefinitions();
    QCOMPARE(checks, 1);
    QVERIFY(f.reporter.warnings().contains("The project's output directory - " + f.path("gone")
                                           + " - doesn't exist\r\nplease define an output directory"));
    QVERIFY(!QFileInfo::exists(f.path("gone")));
}

void TestShellJob::languageFileFilter()
{
    TJobFixture f;
    f.make("Mireth", {"WAA.SubProcessors=(Cobol=COB,Self=WAA,Other=ZZZ)"});
    QCOMPARE(f.language->LanguageFileFilter("COB", ""), QStringLiteral("COBOL programs|*.cbl"));
    QCOMPARE(f.language->LanguageFileFilter("COB", "C85"), QStringLiteral("COBOL programs|*.cbl|Copybooks|*.cpy"));
    f.reporter.clearRecords();
    QCOMPARE(f.language->LanguageFileFilter("ZZZ", ""), QStringLiteral("All files (Possible definition error)|*.*"));
    QCOMPARE(f.reporter.lastQuestion().text, QStringLiteral("Shell program error, missing filter definition, inform Velmora"));
    QCOMPARE(f.reporter.lastQuestion().type, TMsgDlgType::Information);
    // The sub-processors in order; one naming the list itself adds nothing.
    QCOMPARE(f.language->LanguageFileFilter("WAA", ""),
             QStringLiteral("COBOL programs|*.cbl|All files (Possible definition error)|*.*"));
    f.settings->setLines({});
    QCOMPARE(f.language->LanguageFileFilter("WAA", ""), QString());
    QCOMPARE(f.reporter.warnings().last(), QStringLiteral("Installation error #1, WAA.SubProcessors is missing from ini file"));
}

// ---- Job ------------------------------------------------------------------------------------

void TestShellJob::names_data()
{
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("stored");   // null: rejected
    QTest::newRow("product") << "product" << "BETA" << "BETA";
    QTest::newRow("product digit first") << "product" << "1ABC" << QString();
    QTest::newRow("product too long") << "product" << "ABCDEFGHI" << QString();
    QTest::newRow("product star") << "product" << "*" << "";
    QTest::newRow("system") << "system" << "my_sys" << "my_sys";
    QTest::newRow("system digit first") << "system" << "9x" << QString();
    QTest::newRow("version") << "version" << "2.10" << "2.10";
    QTest::newRow("version letter") << "version" << "1.0a" << QString();
    QTest::newRow("version star") << "version" << "*" << "";
}

void TestShellJob::names()
{
    QFETCH(QString, field);
    QFETCH(QString, text);
    QFETCH(QString, stored);
    TJobFixture f;
    f.make();
    f.namedJob();
    QString focused;
    f.job->OnNameError = [&](const QString &edit) { focused = edit; };
    const QMap<QString, QString> messages{{"product", "Product name missing or incorrect"},
                                          {"system", "System name missing or incorrect"},
                                          {"version", "Version missing or incorrect (0..9 and . are accepted)"}};
    const auto set = [&] {
        if (field == "product")
            f.job->SetProductName(text);
        else if (field == "system")
            f.job->SetSystemName(text);
        else
            f.job->SetVersion(text);
    };
    const auto value = [&] {
        return field == "product" ? f.job->ProductName() : field == "system" ? f.job->SystemName() : f.job->Version();
    };
    const QString before = value();
    f.job->SetJobName("Named");
    f.job->SetNeverSaved(false);
    f.job->SetModifiedDirectly(false);
    if (stored.isNull()) {
        QVERIFY(threw(set));
        QCOMPARE(f.reporter.errors(), QStringList{messages[field]});
        QVERIFY(!focused.isEmpty());
        QCOMPARE(value(), before);
        QVERIFY(!f.job->Modified());
    } else {
        set();
        QCOMPARE(value(), stored);
        QVERIFY(f.job->Modified());
        // A changed product or system name means a new job file; a version does not.
        QCOMPARE(f.job->JobName().isEmpty(), field != "version");
        QCOMPARE(f.job->NeverSaved(), field != "version");
    }
}

void TestShellJob::derivedJobName()
{
    TJobFixture f;
    f.make();
    f.language->SelectLanguage("RadioButtonCob");
    f.job->SetProductName("ACME");
    f.job->SetSystemName("my_sys");
    f.job->SetVersion("1.0");
    f.job->SetLanguageVersion("r1.2");
    QCOMPARE(f.job->DerivedJobName(), QStringLiteral("AcmeMy_SysR1.2"));
    QCOMPARE(f.job->Caption(), QStringLiteral("Mireth main shell - Cobol 85 [AcmeMy_SysR1.2]"));
    // An empty product cannot make a name.
    f.job->SetJobName("*");
    f.job->SetProductName("*");
    QVERIFY(threw([&] { f.job->DerivedJobName(); }));
    QCOMPARE(f.reporter.errors().last(), QStringLiteral("Product name missing or incorrect"));
    // Names without an output directory are not enough for file commands.
    f.job->SetProductName("ACME");
    f.job->SetOutputDirectory("");
    QVERIFY(threw([&] { f.job->ValidateJobNames(); }));
    QCOMPARE(f.reporter.errors().last(), QStringLiteral("You have to set the output directory(s) first!"));
}

void TestShellJob::saveAndLoadRoundTrip()
{
    TJobFixture f;
    f.make();
    f.namedJob();
    f.job->SetLanguageVersion(QString());   // an empty sub-version writes no line
    f.job->SetInterfaceType("CICS");
    f.job->SetCommonRoot("/src/System");
    f.job->SetListWidth(640);
    f.job->SetSourceLines(1234);
    f.job->SetMetricWeight(0, 2);
    f.job->MetricTicked(1, false);
    f.job->Definitions().Limits[0].Number = "    77";
    bool windowWrote = false;
    f.job->WriteWindowState = [&](TStreamToIniCore &ini) {
        windowWrote = true;
        ini.add("[Form - frmOstrinMain]");
        ini.add("frmOstrinMain.CheckBoxAudit=N");
    };
    const QString file = f.path("jobs/AcmeBilling.jmrt");
    f.reporter.answerFile(file);
    f.job->SaveJob(false);
    QVERIFY(windowWrote);
    QCOMPARE(f.reporter.lastQuestion().kind, TTestReporter::TQuestion::SaveFile);
    QCOMPARE(f.reporter.lastQuestion().text, QStringLiteral("Save job as..."));
    QCOMPARE(f.reporter.lastQuestion().fileName, QStringLiteral("AcmeBilling.jmrt"));
    QCOMPARE(f.job->JobName(), QStringLiteral("AcmeBilling"));
    QCOMPARE(f.job->ProjectFolder(), f.path("jobs"));
    QVERIFY(!f.job->Modified() && !f.job->NeverSaved());
    QCOMPARE(g_store.value("LastOutputDirCOB"), f.dir.path());   // the output directory's parent

    const QStringList lines = TextFile::readLines(file);
    QCOMPARE(lines.first(), QStringLiteral("StreamToIni.FileFormat=1"));
    QCOMPARE(lines.mid(1, 2), (QStringList{"[RadioButtons]", "ActiveRadioButton=RadioButtonCob"}));
    QCOMPARE(lines.mid(3, 6), (QStringList{"[Properties]", "ProjectName=AcmeBilling", "ProjectProductName=ACME",
                                           "ProjectSystemName=billing", "ProjectSystemVersion=1.0", "BatchRunning=N"}));
    QCOMPARE(lines.value(9), QStringLiteral(";ProjectVersion=COB"));
    QVERIFY(lines.value(10).startsWith(";ToolRootDir="));   // no "ProjectSubVersion" line
    QVERIFY(!lines.join('\n').contains("ProjectSubVersion"));
    QVERIFY(!lines.join('\n').contains("NumberOfModules"));
    QVERIFY(lines.contains("MAXSTMT=Maximal statements per module,77"));
    QCOMPARE(lines.last(), QStringLiteral("[Konyec szkazki]"));
    QVERIFY(fileBytes(file).contains("\r\n"));

    // A new job, then the file again.
    f.job->NewJob();
    QVERIFY(f.job->ProductName().isEmpty());
    QVERIFY(f.job->Definitions().Limits.size() == 1 && f.job->Definitions().Limits[0].Number == "   500");
    bool windowRead = false;
    f.job->RestoreWindowState = [&](const TStreamToIniCore &ini) {
        windowRead = ini.ReadValue("frmOstrinMain.CheckBoxAudit") == "N";
    };
    f.reporter.clearRecords();
    f.job->OpenJob(file);
    QVERIFY(windowRead);
    QVERIFY(f.reporter.errors().isEmpty());
    QCOMPARE(f.job->ProductName(), QStringLiteral("ACME"));
    QCOMPARE(f.job->SystemName(), QStringLiteral("billing"));
    QCOMPARE(f.job->Version(), QStringLiteral("1.0"));
    QCOMPARE(f.job->LanguageVersion(), QString());
    QCOMPARE(f.job->InterfaceType(), QStringLiteral("CICS"));
    QCOMPARE(f.job->CommonRoot(), QStringLiteral("/src/System"));
    QCOMPARE(f.job->ListWidth(), 640);
    QCOMPARE(f.job->SourceLines(), 1234);
    QCOMPARE(f.job->MaxDirDepth(), 2);
    QCOMPARE(f.job->OutputDirectory(), f.path("out"));
    QCOMPARE(f.job->Definitions().Weights, (QStringList{"2", "0"}));
    QVERIFY(f.job->Definitions().Metrics[0].checked && !f.job->Definitions().Metrics[1].checked);
    QCOMPARE(f.job->Definitions().Limits.value(0).Number, QStringLiteral("    77"));
    QCOMPARE(f.job->Caption(), QStringLiteral("Mireth main shell - Cobol 85 [AcmeBilling]"));
    QVERIFY(!f.job->Modified() && !f.job->NeverSaved() && !f.job->LoadMode());
    QCOMPARE(f.job->SaveTime(), QFileInfo(file).lastModified());

    // "&Save " now writes to the same file without asking.
    const int asked = int(f.reporter.asked().size());
    f.job->SetModified(true);
    f.job->SaveJob(false);
    QCOMPARE(int(f.reporter.asked().size()), asked);
}

void TestShellJob::modifiedQuestion_data()
{
    QTest::addColumn<int>("answer");
    QTest::addColumn<bool>("saved");
    QTest::addColumn<bool>("aborted");
    QTest::newRow("yes") << int(mbYes) << true << false;
    QTest::newRow("no") << int(mbNo) << false << false;
    QTest::newRow("cancel") << int(mbCancel) << false << true;
}

void TestShellJob::modifiedQuestion()
{
    QFETCH(int, answer);
    QFETCH(bool, saved);
    QFETCH(bool, aborted);
    TJobFixture f;
    f.make();
    f.namedJob();
    f.reporter.answerFile(f.path("jobs/Q.jmrt"));
    f.job->SaveJob(true);
    f.job->SetInterfaceType("changed");
    f.job->SetModified(true);
    f.reporter.clearRecords();
    f.reporter.answerMessage(answer);
    QCOMPARE(threw([&] { f.job->SetModified(false); }), aborted);
    const TTestReporter::TQuestion q = f.reporter.askedMessages().value(0);
    QCOMPARE(q.text, QStringLiteral("The current project has been modified \r\nDo you want to save the changes?'"));
    QCOMPARE(q.buttons, int(mbYesNoCancel));
    QCOMPARE(q.type, TMsgDlgType::Warning);
    QCOMPARE(TextFile::readText(f.path("jobs/Q.jmrt")).contains("ProjectInterFaceType=changed"), saved);
    QCOMPARE(f.job->Modified(), aborted);
    if (aborted)
        QCOMPARE(f.reporter.errors(), QStringList{"Action cancelled"});
    // Not modified: nothing is asked.
    f.job->SetModifiedDirectly(false);
    const int asked = f.reporter.messageCount();
    f.job->SetModified(false);
    QCOMPARE(f.reporter.messageCount(), asked);
}

void TestShellJob::saveDialog()
{
    TJobFixture f;
    f.make();
    f.namedJob();
    f.reporter.answerFile(f.path("jobs/Typed"));   // typed without extension: used as typed
    f.job->SaveJob(false);
    QVERIFY(QFileInfo(f.path("jobs/Typed")).isFile());
    QCOMPARE(f.job->JobName(), QStringLiteral("Typed"));
    QCOMPARE(f.reporter.lastQuestion().filter, QStringLiteral("Job definitions files (*.jmrt)"));
    // "&Save " of a job whose file was deleted meanwhile asks again; cancelled, nothing is written.
    QVERIFY(QFile::remove(f.path("jobs/Typed.jmrt")) || !QFileInfo::exists(f.path("jobs/Typed.jmrt")));
    f.job->SetModified(true);
    f.reporter.clearRecords();
    QVERIFY(threw([&] { f.job->SaveJob(false); }));
    QCOMPARE(f.reporter.lastQuestion().kind, TTestReporter::TQuestion::SaveFile);
    QCOMPARE(f.reporter.errors(), QStringList{"Save cancelled"});
    QVERIFY(f.job->Modified());
}

void TestShellJob::loadFailure()
{
    TJobFixture f;
    f.make();
    f.namedJob();
    const QString file = f.path("jobs/Bad.jmrt");
    f.reporter.answerFile(file);
    f.job->SaveJob(false);
    QStringList lines = TextFile::readLines(file);
    lines.replaceInStrings("ActiveRadioButton=RadioButtonCob", "ActiveRadioButton=RadioButtonAda");
    TextFile::writeLines(file, lines);
    f.reporter.clearRecords();
    int namesShown = 0;
    f.job->OnShowNamesPage = [&] { ++namesShown; };
    int checked = 0;
    f.job->CountArrivedResults = [&] { ++checked; };
    QVERIFY(threw([&] { f.job->OpenJob(file); }));
    QVERIFY(f.reporter.errors().contains(
        " Error while loading project definition, it was possibly generated with an older version of the tool"));
    QVERIFY(!f.job->LoadMode());
    QVERIFY(namesShown >= 1);
    QCOMPARE(checked, 0);
}

void TestShellJob::droppedFiles()
{
    TJobFixture f;
    f.make();
    f.namedJob();
    const QString file = f.path("jobs/Drop.jmrt");
    f.reporter.answerFile(file);
    f.job->SaveJob(false);
    QVERIFY(QFile::copy(file, f.path("jobs/Other.JMRT")));
    QVERIFY(!f.job->DropJobFiles({f.path("jobs/Other.JMRT")}));   // other letter case
    QVERIFY(!f.job->DropJobFiles({file, file}));
    QVERIFY(QDir().mkpath(f.path("jobs/Folder.jmrt")));
    QVERIFY(!f.job->DropJobFiles({f.path("jobs/Folder.jmrt")}));
    f.job->NewJob();
    QVERIFY(f.job->DropJobFiles({file}));
    QCOMPARE(f.job->ProductName(), QStringLiteral("ACME"));
    QVERIFY(!f.job->NeverSaved());
}

void TestShellJob::batchOnOpen_data()
{
    QTest::addColumn<int>("renamed");
    QTest::addColumn<int>("answer");
    QTest::addColumn<bool>("running");   // as the file says afterwards
    QTest::addColumn<bool>("closed");
    QTest::newRow("finished") << 5 << int(mbOK) << false << false;
    QTest::newRow("missing, restart") << 3 << int(mbOK) << true << false;
    QTest::newRow("missing, still running") << 3 << int(mbCancel) << true << true;
}

void TestShellJob::batchOnOpen()
{
    QFETCH(int, renamed);
    QFETCH(int, answer);
    QFETCH(bool, running);
    QFETCH(bool, closed);
    TJobFixture f;
    f.make();
    f.namedJob();
    f.job->SetBatchRunning(true);
    f.job->Modules = 5;
    f.job->RenamedModules = 3;
    const QString file = f.path("jobs/Batch.jmrt");
    f.reporter.answerFile(file);
    f.job->SaveJob(false);
    QVERIFY(TextFile::readLines(file).contains("NumberOfModules=5"));
    bool shellClosed = false;
    f.job->CloseShell = [&] { shellClosed = true; };
    f.job->CountArrivedResults = [&] { f.job->RenamedModules = renamed; };
    f.job->NewJob();
    f.reporter.clearRecords();
    f.reporter.answerMessage(answer);
    f.job->OpenJob(file);
    QCOMPARE(shellClosed, closed);
    QVERIFY(!f.job->BatchRunning());
    QCOMPARE(TextFile::readLines(file).contains("BatchRunning=Y"), running);
    const TTestReporter::TQuestion q = f.reporter.askedMessages().value(0);
    if (renamed == 5) {
        QCOMPARE(q.type, TMsgDlgType::Information);
        QVERIFY(q.text.startsWith("Your batch process seems to have finished in the mean time."));
    } else {
        QCOMPARE(q.buttons, int(mbOKCancel));
        QVERIFY(q.text.startsWith("Some awaited outputs are still misssing from your previous processing."));
        QVERIFY(f.job->Modified() || closed);
    }
}

void TestShellJob::closeWithBatchRunning()
{
    TJobFixture f;
    f.make();
    f.namedJob();
    f.job->SetBatchRunning(true);
    bool waited = false;
    f.job->WaitForWatcher = [&] { waited = true; };
    f.reporter.answerMessage(mbNo);
    QVERIFY(!f.job->CloseRequest());
    QVERIFY(!QFileInfo::exists(f.path("out/Semaphore.xml")));
    f.reporter.answerMessage(mbYes);
    QVERIFY(!f.job->CloseRequest());
    QVERIFY(QFileInfo::exists(f.path("out/Semaphore.xml")));
    QVERIFY(waited);
    QCOMPARE(f.reporter.errors(), QStringList{"Background process cancelled!"});

    // A stoppable operation: asked, the stop requested, the shell stays.
    f.job->SetBatchRunning(false);
    bool stop = false;
    f.job->StoppableOperationRunning = [] { return true; };
    f.job->RequestStop = [&] { stop = true; };
    f.reporter.answerMessage(mbYes);
    QVERIFY(!f.job->CloseRequest());
    QVERIFY(stop);
    QCOMPARE(f.reporter.lastQuestion().type, TMsgDlgType::Confirmation);
    // Nothing running: a modified job is settled first; Cancel keeps the shell.
    f.job->StoppableOperationRunning = nullptr;
    f.job->SetModified(true);
    f.reporter.answerMessage(mbCancel);
    QVERIFY(!f.job->CloseRequest());
    f.reporter.answerMessage(mbNo);
    QVERIFY(f.job->CloseRequest());
}

void TestShellJob::actionGate()
{
    TJobFixture f;
    f.make();
    f.namedJob();
    f.job->SetBatchRunning(true);
    f.job->ActionGate("Viewer", "Open deficiency reports");   // viewing runs
    QVERIFY(threw([&] { f.job->ActionGate("FileCollect", "Add &files to the job"); }));
    QCOMPARE(f.reporter.errors(), QStringList{"Only viewing,Save,Cancel & Exit are allowed when processing"});
    f.job->ActionGate("File", "&Save ");
    f.job->SetBatchRunning(false);
    f.job->SetProductName("*");
    QVERIFY(threw([&] { f.job->ActionGate("Generate", "Start Analysis"); }));
    QCOMPARE(f.reporter.errors().last(), QStringLiteral("Product name missing or incorrect"));
    f.job->ActionGate("Help", "Contents");   // no names needed
}

void TestShellJob::hostedJob()
{
    TJobFixture f;
    f.make("Quenbar");
    QVERIFY(f.job->Hosted());
    f.host.ProductName = "ACME";
    f.host.SystemName = "billing";
    f.host.Version = "1.0";
    f.host.OutputDirectory = f.path("out/");
    f.host.ProjectDirectory = f.path("out/");
    f.host.ActiveLanguage = "RadioButtonCob";
    f.job->ApplyHost();
    f.language->SelectLanguage(f.job->ActiveButton());
    // The host's names survive the new job of the language.
    QCOMPARE(f.job->ProductName(), QStringLiteral("ACME"));
    QCOMPARE(f.job->OutputDirectory(), f.path("out"));
    QCOMPARE(f.job->DerivedJobName(), QStringLiteral("AcmeBillingC85"));
    // Hosted: a modified job is saved without the save-changes question (the
    // save dialog comes only because the job has no file yet).
    f.job->SetModified(true);
    f.reporter.answerFile(f.path("out/AcmeBillingC85.jmrt"));
    f.job->SetModified(false);
    QVERIFY(QFileInfo(f.path("out/AcmeBillingC85.jmrt")).isFile());
    QCOMPARE(f.reporter.messageCount(), 0);
    QCOMPARE(f.reporter.lastQuestion().fileName, QStringLiteral("AcmeBillingC85.jmrt"));
    QCOMPARE(f.host.ProjectSubVersion, QStringLiteral("C85"));
    QCOMPARE(f.host.SavedJobFile, f.path("out/AcmeBillingC85.jmrt"));
    QVERIFY(!f.job->DropJobFiles({f.path("out/AcmeBillingC85.jmrt")}));   // hosted kinds take no job files

    // Selecting the language again finds the host's job file and loads it.
    f.job->SetInterfaceType("kept");
    f.job->SaveJob(false);
    f.language->SelectLanguage("RadioButtonCob");
    QCOMPARE(f.job->InterfaceType(), QStringLiteral("kept"));
    QVERIFY(!f.job->Modified());
    // Closing saves the hosted job.
    f.job->SetInterfaceType("at close");
    QVERIFY(f.job->CloseRequest());
    QVERIFY(TextFile::readText(f.path("out/AcmeBillingC85.jmrt")).contains("ProjectInterFaceType=at close"));
    // Without a job name a modified hosted job is still saved: a cancelled save keeps the shell open.
    f.job->SetJobName("*");
    f.job->SetModified(true);
    f.reporter.clearRecords();
    QVERIFY(!f.job->CloseRequest());
    QCOMPARE(f.reporter.errors(), QStringList{"Save cancelled"});
}

QTEST_GUILESS_MAIN(TestShellJob)
#include "tst_shelljob.moc"
