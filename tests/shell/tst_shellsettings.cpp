#include "ShellFixture.h"

#include "Errors.h"
#include "SharedRoutinesCommon.h"

#include <QFileInfo>
#include <QtTest>

namespace {

QStringList exampleLines()
{
    return TextFile::readLines(QStringLiteral(QUENBAR_EXAMPLES_DIR "/Tools/Maintain/Quenbar/Quenbar_Mireth.INI"));
}

// The example file with one key's line replaced, or removed when value is null.
QStringList withKey(QStringList lines, const QString &name, const QString &value)
{
    const int i = IndexOfNameIn(lines, name);
    if (value.isNull()) {
        if (i >= 0)
            lines.removeAt(i);
    } else if (i >= 0) {
        lines[i] = name + QLatin1Char('=') + value;
    } else {
        lines << name + QLatin1Char('=') + value;
    }
    return lines;
}

const QStringList kAllAnalysers{QStringLiteral("JAV1ReDoc"), QStringLiteral("COBReDoc"), QStringLiteral("PLIReDoc")};

} // namespace

class TestShellSettings : public QObject
{
    Q_OBJECT
private slots:
    void lookupAndSetting();
    void locateSettingsFile();
    void missingSettingsFile();
    void saveStampsDateWrittenAndKeepsComments();
    void saveFailure();

    void runControl_data();
    void runControl();
    void fileViewStyleRepair();
    void dosBoxForcesCaptureOff();
    void dosBoxLocatedByUser();

    void limitDefaults_data();
    void limitDefaults();
    void missingAnalyserFolder();
    void activeLanguageFallback();
    void noLanguageAtAll();
    void entryParsing();
    void xmlOrSql();
};

void TestShellSettings::lookupAndSetting()
{
    TShellFixture f;
    TShellSettings &s = f.make({QStringLiteral("; comment"), QStringLiteral("Key=first"), QStringLiteral("key=second"),
                                QStringLiteral("List=(DirDepth=3,\"Name=a, b\",Procpgm=X\\Y)")});
    s.LoadSettingsText();
    QCOMPARE(s.ValueOf(QStringLiteral("KEY")), QStringLiteral("first"));
    QCOMPARE(s.ValueOf(QStringLiteral("; comment")), QString());   // lines without "=" have no name
    s.SetValue(QStringLiteral("KEY"), QStringLiteral("changed"));
    QCOMPARE(s.Lines().at(1), QStringLiteral("Key=changed"));   // the first line, its spelling kept
    QCOMPARE(s.Lines().at(2), QStringLiteral("key=second"));
    s.SetValue(QStringLiteral("New"), QString());
    QCOMPARE(s.Lines().last(), QStringLiteral("New="));
    const QStringList items = s.ListOf(QStringLiteral("list"));
    QCOMPARE(items, (QStringList{"DirDepth=3", "Name=a, b", "Procpgm=X\\Y"}));
    QCOMPARE(TShellSettings::ItemValue(items, QStringLiteral("procpgm")), QStringLiteral("X\\Y"));
}

void TestShellSettings::locateSettingsFile()
{
    TShellFixture f;
    TShellSettings &s = f.make({QStringLiteral("A=normal")});
    QVERIFY(!s.IsDevelopmentLayout());
    s.LoadSettingsText();
    QCOMPARE(s.SettingsFilePath(), QFileInfo(f.settingsPath()).absoluteFilePath());
    QCOMPARE(s.SettingsCaption(), "Product ini file : " + s.SettingsFilePath());
    QCOMPARE(s.ValueOf("A"), QStringLiteral("normal"));

    // The development layout wins; the choice is made once.
    QVERIFY(writeBytes(f.path("_Quenbar.Src/Quenbar_Mireth.INI"), "A=dev\r\n"));
    TShellSettings dev(&f.reporter, f.programPath(), s.Row());
    QVERIFY(dev.IsDevelopmentLayout());
    dev.LoadSettingsText();
    QCOMPARE(dev.ValueOf("A"), QStringLiteral("dev"));
    QVERIFY(QFile::remove(f.path("_Quenbar.Src/Quenbar_Mireth.INI")));
    QVERIFY(dev.IsDevelopmentLayout());
    QCOMPARE(dev.LocateSettingsFile(), QFileInfo(f.path("_Quenbar.Src/Quenbar_Mireth.INI")).absoluteFilePath());
}

void TestShellSettings::missingSettingsFile()
{
    TShellFixture f;
    TShellSettings &s = f.make({});
    QVERIFY(QFile::remove(f.settingsPath()));
    bool unavailable = false;
    s.OnSettingsUnavailable = [&] { unavailable = true; };
    QVERIFY_THROWS_EXCEPTION(EAbort, s.LoadSettingsText());
    QVERIFY(unavailable);
    QVERIFY(!s.SettingsLoaded());
    QCOMPARE(f.reporter.errors(),
             (QStringList{"No ini file is available for Quenbar_Mireth",
                          "Cannot access product ini file - " + QFileInfo(f.settingsPath()).absoluteFilePath()}));
}

void TestShellSettings::saveStampsDateWrittenAndKeepsComments()
{
    TShellFixture f;
    TShellSettings &s = f.make({QStringLiteral("; head"), QStringLiteral(""), QStringLiteral("Date Written="),
                                QStringLiteral("A=1")});
    s.LoadSettingsText();
    s.SaveSettingsText();
    const QStringList lines = TextFile::readLines(f.settingsPath());
    QCOMPARE(lines.size(), 4);
    QCOMPARE(lines[0], QStringLiteral("; head"));
    QVERIFY2(lines[1].startsWith("Date Written=") && lines[1].size() > 14, qPrintable(lines[1]));
    QCOMPARE(lines[2], QString());
    QCOMPARE(lines[3], QStringLiteral("A=1"));
    QVERIFY(fileBytes(f.settingsPath()).endsWith("A=1\r\n"));
    // A stamp already there is updated in place.
    s.SaveSettingsText();
    QCOMPARE(TextFile::readLines(f.settingsPath()).size(), 4);
}

void TestShellSettings::saveFailure()
{
    TShellFixture f;
    TShellSettings &s = f.make({QStringLiteral("A=1")});
    s.LoadSettingsText();
    QVERIFY(QFile::remove(f.settingsPath()));
    QVERIFY(QDir().mkpath(f.settingsPath()));   // a folder where the file was: it cannot be written
    QVERIFY_THROWS_EXCEPTION(EAbort, s.SaveSettingsText());
    QCOMPARE(f.reporter.errors(), QStringList{"Cannot write to " + s.SettingsFilePath()});
    QVERIFY(f.reporter.UseMessageBox());
}

void TestShellSettings::runControl_data()
{
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("value");   // null: the line removed
    QTest::addColumn<QString>("what");
    QTest::addColumn<int>("expected");

    const QString limit = QStringLiteral("Runcontrol.SystemBigDirectoryLimit");
    QTest::newRow("limit empty") << limit << "" << "limit" << 50;
    QTest::newRow("limit missing") << limit << QString() << "limit" << 50;
    QTest::newRow("limit zero") << limit << "0" << "limit" << 50;
    QTest::newRow("limit set") << limit << "75" << "limit" << 75;
    const QString buffer = QStringLiteral("FileCopy.SystemIOBuffSize");
    QTest::newRow("buffer empty") << buffer << "" << "buffer" << 200000;
    QTest::newRow("buffer set") << buffer << "4096" << "buffer" << 4096;
    const QString style = QStringLiteral("FileCopy.SystemFileViewStyle");
    QTest::newRow("style 3") << style << "3" << "style" << 3;
    QTest::newRow("style 7") << style << "7" << "style" << 2;
    QTest::newRow("rename default") << "Runcontrol.RenameAfter" << QString() << "rename" << 1;
    QTest::newRow("rename off") << "Runcontrol.RenameAfter" << "n" << "rename" << 0;
    QTest::newRow("capture log") << "Runcontrol.CaptureLog" << "J" << "capture" << 1;
    QTest::newRow("console without relay") << "Runcontrol.SystemCaptureConsole" << "Y" << "console" << 0;
    QTest::newRow("debug") << "Runcontrol.DebugMode" << "True" << "debug" << 1;
    QTest::newRow("delete control empty") << "Runcontrol.SystemDeleteAfterControl" << "" << "deleteControl" << 0;
}

void TestShellSettings::runControl()
{
    QFETCH(QString, key);
    QFETCH(QString, value);
    QFETCH(QString, what);
    QFETCH(int, expected);
    TShellFixture f;
    TShellSettings &s = f.make(withKey(exampleLines(), key, value));
    s.LoadSettingsText();
    bool shownLog = false;
    s.OnShowConsoleLog = [&](bool on) { shownLog = on; };
    s.ApplySettings(false);
    const QMap<QString, int> got{{"limit", s.BigDirectoryLimit()},
                                 {"buffer", s.IOBuffSize()},
                                 {"style", s.FileViewStyle()},
                                 {"rename", s.RenameAfter()},
                                 {"capture", s.CaptureLog()},
                                 {"console", s.SystemCaptureConsole()},
                                 {"debug", s.DebugMode()},
                                 {"deleteControl", s.DeleteAfterControl()}};
    QCOMPARE(got.value(what, -1), expected);
    QCOMPARE(shownLog, s.CaptureLog());
    QVERIFY(f.reporter.errors().isEmpty());
}

void TestShellSettings::fileViewStyleRepair()
{
    TShellFixture f;
    QStringList lines = withKey(exampleLines(), QStringLiteral("FileCopy.SystemFileViewStyle"), QString());
    lines.removeAll(QStringLiteral(
        ";TFileViewStyle = (fvsIcons - 0, fvsList - 1, fvsDetails - 2, fvsThumbnails - 3, fvsTiles - 4)"));
    lines = withKey(lines, QStringLiteral("FileCopy.SystemIOBuffSize"), QStringLiteral("4096"));
    TShellSettings &s = f.make(lines);
    s.LoadSettingsText();
    s.ApplySettings(false);
    QCOMPARE(s.FileViewStyle(), 1);
    const QStringList saved = TextFile::readLines(f.settingsPath());
    const int at = IndexOfNameIn(saved, QStringLiteral("FileCopy.SystemIOBuffSize"));
    QVERIFY(at >= 0);
    QCOMPARE(saved[at], QStringLiteral("FileCopy.SystemIOBuffSize=4096"));
    QCOMPARE(saved.value(at + 1), QStringLiteral(
        ";TFileViewStyle = (fvsIcons - 0, fvsList - 1, fvsDetails - 2, fvsThumbnails - 3, fvsTiles - 4)"));
    QCOMPARE(saved.value(at + 2), QStringLiteral("FileCopy.SystemFileViewStyle=1"));
    QCOMPARE(s.Lines(), saved);   // loaded again

    // A non-numeric style is replaced, not shadowed by the repaired line.
    TShellFixture g;
    TShellSettings &t = g.make({QStringLiteral("FileCopy.SystemFileViewStyle=big"),
                                QStringLiteral("FileCopy.SystemIOBuffSize=")});
    t.LoadSettingsText();
    t.ApplySettings(false);
    QCOMPARE(t.ValueOf(QStringLiteral("FileCopy.SystemFileViewStyle")), QStringLiteral("1"));
    QCOMPARE(t.ValueOf(QStringLiteral("FileCopy.SystemIOBuffSize")), QStringLiteral("200000"));
    t.ApplySettings(false);   // repaired once: no further change
    QCOMPARE(t.Lines().filter(QStringLiteral("SystemFileViewStyle=")).size(), 1);
}

namespace {

// A stand-in for DOSBox that writes its configuration when asked the way the shell asks.
bool writeFakeDosBox(const QString &path)
{
    const QByteArray script = "#!/bin/sh\n"
                              "if [ \"$1\" = \"-c\" ] && [ \"$2\" = \"CONFIG -writeconf DOSBox.config\" ]; then\n"
                              "  echo '[sdl]' > DOSBox.config\n"
                              "fi\n";
    if (!writeBytes(path, script))
        return false;
    return QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
}

} // namespace

void TestShellSettings::dosBoxForcesCaptureOff()
{
    TShellFixture f;
    QVERIFY(writeFakeDosBox(f.path("dosbox/dosbox")));
    QStringList lines = withKey(exampleLines(), QStringLiteral("Runcontrol.UseDOSBox"), QStringLiteral("Y"));
    lines = withKey(lines, QStringLiteral("Runcontrol.Blindrun"), QStringLiteral("Y"));
    lines = withKey(lines, QStringLiteral("Runcontrol.CaptureLog"), QStringLiteral("Y"));
    TShellSettings &s = f.make(lines);
    // Named with ".exe" as the settings have it: the program is found without it.
    s.FindDosBoxCandidates = [&] { return QStringList{f.path("dosbox\\dosbox.exe")}; };
    s.SetConsoleRelayAvailable(true);
    s.LoadSettingsText();
    s.ApplySettings(false);
    QVERIFY(s.DOSBoxActive());
    QCOMPARE(s.DOSBoxProgram(), f.path("dosbox/dosbox"));
    QCOMPARE(s.DOSBoxConfigFile(), QFileInfo(f.settingsPath()).absolutePath() + "/DOSBox.config");
    QVERIFY(!s.BlindRun());
    QVERIFY(!s.CaptureLog());
    QVERIFY(!s.SystemCaptureConsole());
    // Switched off again: both paths cleared.
    s.SetValue(QStringLiteral("Runcontrol.UseDOSBox"), QStringLiteral("N"));
    s.ApplySettings(false);
    QVERIFY(!s.DOSBoxActive());
    QVERIFY(s.DOSBoxProgram().isEmpty());
    QVERIFY(s.BlindRun());
    QVERIFY(s.CaptureLog());
}

void TestShellSettings::dosBoxLocatedByUser()
{
    TShellFixture f;
    QVERIFY(writeFakeDosBox(f.path("mine/dosbox")));
    TShellSettings &s = f.make({QStringLiteral("Date Written=0"), QStringLiteral("Runcontrol.DOSBoxLocation="),
                                QStringLiteral("Runcontrol.UseDOSBox=Y"),
                                QStringLiteral("FileCopy.SystemFileViewStyle=1")});
    s.FindDosBoxCandidates = [] { return QStringList(); };
    s.LoadSettingsText();

    // Cancelled: a warning, no DOSBox.
    f.reporter.answerFile(QString());
    s.ApplySettings(false);
    QVERIFY(!s.DOSBoxActive());
    QCOMPARE(f.reporter.warnings(), QStringList{"DOSBox-0.74\\DOSBox.exe file search cancelled"});
    QCOMPARE(f.reporter.lastQuestion().text, QStringLiteral("Please locate DOSBox-0.74\\DOSBox.exe manually"));
    QCOMPARE(f.reporter.lastQuestion().fileName, QStringLiteral("dosbox"));   // Debian's program

    // Chosen: the location stands right below the switch, in the file too, and is found from then on.
    f.reporter.answerFile(f.path("mine/dosbox"));
    s.ApplySettings(false);
    QVERIFY(s.DOSBoxActive());
    const QStringList saved = TextFile::readLines(f.settingsPath());
    const int at = IndexOfNameIn(saved, QStringLiteral("Runcontrol.UseDOSBox"));
    QCOMPARE(saved.value(at + 1), "Runcontrol.DOSBoxLocation=" + f.path("mine/dosbox"));
    QCOMPARE(s.ValueOf(QStringLiteral("Runcontrol.DOSBoxLocation")), f.path("mine/dosbox"));
}

void TestShellSettings::limitDefaults_data()
{
    QTest::addColumn<QStringList>("lines");
    QTest::addColumn<QStringList>("expected");
    QTest::newRow("block") << QStringList{"A=1", "LimitsDef=x", "M=Max,5", "; c", "LimitsDef.End=", "B=2"}
                           << QStringList{"M=Max,5", "; c"};
    QTest::newRow("no end") << QStringList{"LimitsDef=x", "M=Max,5"} << QStringList{};
    QTest::newRow("end before start") << QStringList{"LimitsDef.End=", "M=Max,5", "LimitsDef=x"} << QStringList{};
    QTest::newRow("no start") << QStringList{"M=Max,5", "LimitsDef.End=", "N=x,1"} << QStringList{"M=Max,5"};
}

void TestShellSettings::limitDefaults()
{
    QFETCH(QStringList, lines);
    QFETCH(QStringList, expected);
    TShellFixture f;
    lines << QStringLiteral("RadioButtonPLI=PL/I,PLI,PLI,1,IBM PL/I") << QStringLiteral("ActiveRadioButton=RadioButtonPLI")
          << QStringLiteral("FileCopy.SystemFileViewStyle=1");
    TShellSettings &s = f.make(lines, {QStringLiteral("PLIReDoc")});
    s.SetLanguageButtons({{QStringLiteral("RadioButtonPLI")}});
    s.LoadSettingsText();
    s.ApplySettings(true);
    QCOMPARE(s.LimitDefaults(), expected);
}

void TestShellSettings::missingAnalyserFolder()
{
    TShellFixture f;
    TShellSettings &s = f.make(exampleLines(), {QStringLiteral("JAV1ReDoc"), QStringLiteral("PLIReDoc")});
    s.SetLanguageButtons(TShellFixture::exampleButtons() << TLanguageButton{QStringLiteral("RadioButtonAda")});
    s.LoadSettingsText();
    f.reporter.answerMessage(mbYes);   // rewrite the settings file
    s.ApplySettings(true);

    QVERIFY(s.ButtonEnabled("RadioButtonJava1"));
    QVERIFY(!s.ButtonEnabled("RadioButtonCob85"));
    QVERIFY(s.ButtonEnabled("RadioButtonPLI"));
    QVERIFY(!s.ButtonEnabled("RadioButtonAda"));   // no entry at all
    QCOMPARE(s.LanguageCodes(), (QStringList{"JAV1", "PLI"}));
    QCOMPARE(s.ActiveButton(), QStringLiteral("RadioButtonJava1"));
    QCOMPARE(f.reporter.errors(),
             QStringList{"Directory " + f.toolRoot() + "/COBReDoc doesn't exist, Product reference "
                         "COBOL 85,COB85,COB85,3,IBM Enterprise,Micro Focus,ANSI 85 removed from ini file"});
    QVERIFY(f.reporter.lastQuestion().text.endsWith("Errors occured durig installation, rewrite ini file?"));
    QCOMPARE(f.reporter.lastQuestion().buttons, int(mbYesNo));

    // Written with the prefix; read again, the language is no longer offered and nothing is asked.
    const QStringList saved = TextFile::readLines(f.settingsPath());
    QVERIFY(saved.contains("Not installed RadioButtonCob85=COBOL 85,COB85,COB85,3,IBM Enterprise,Micro Focus,ANSI 85"));
    TShellFixture g;
    TShellSettings &again = g.make(saved, {QStringLiteral("JAV1ReDoc"), QStringLiteral("PLIReDoc"),
                                           QStringLiteral("COBReDoc")});
    again.SetLanguageButtons(TShellFixture::exampleButtons());
    again.LoadSettingsText();
    again.ApplySettings(true);
    QVERIFY(!again.ButtonEnabled("RadioButtonCob85"));
    QVERIFY(g.reporter.errors().isEmpty());
    QCOMPARE(g.reporter.messageCount(), 0);
}

void TestShellSettings::activeLanguageFallback()
{
    TShellFixture f;
    const QStringList lines = withKey(exampleLines(), QStringLiteral("ActiveRadioButton"), QStringLiteral("RadioButtonCob85"));
    TShellSettings &s = f.make(lines, {QStringLiteral("PLIReDoc")});
    // Java on another page: not a candidate for the default.
    s.SetLanguageButtons({{QStringLiteral("RadioButtonJava1"), Ostrin::TLanguagePage::TestSpecification},
                          {QStringLiteral("RadioButtonCob85")},
                          {QStringLiteral("RadioButtonPLI")}});
    QDir().mkpath(f.toolRoot() + "/JAV1ReDoc");
    s.LoadSettingsText();
    QVERIFY_THROWS_EXCEPTION(EAbort, s.ApplySettings(true));
    QCOMPARE(s.ActiveButton(), QStringLiteral("RadioButtonPLI"));
    QStringList errors = f.reporter.errors();
    errors.removeDuplicates();   // the test reporter records an error shown after others twice
    QCOMPARE(errors.size(), 3);
    QCOMPARE(errors[1], QStringLiteral("Installation problem - required components missing for : Cob85"));
    QCOMPARE(errors[2], QStringLiteral("Default product changed to: PLI"));
    QCOMPARE(ValueOfNameIn(TextFile::readLines(f.settingsPath()), "ActiveRadioButton"), QStringLiteral("RadioButtonPLI"));

    // A stored choice that is usable is taken without any message.
    TShellFixture g;
    TShellSettings &t = g.make(exampleLines(), kAllAnalysers);
    t.SetLanguageButtons(TShellFixture::exampleButtons());
    t.LoadSettingsText();
    t.ApplySettings(true);
    QCOMPARE(t.ActiveButton(), QStringLiteral("RadioButtonJava1"));
    QVERIFY(g.reporter.errors().isEmpty());
}

void TestShellSettings::noLanguageAtAll()
{
    TShellFixture f;
    TShellSettings &s = f.make(exampleLines());
    s.SetLanguageButtons(TShellFixture::exampleButtons());
    bool unavailable = false;
    s.OnSettingsUnavailable = [&] { unavailable = true; };
    s.LoadSettingsText();
    QVERIFY_THROWS_EXCEPTION(EAbort, s.ApplySettings(true));
    QVERIFY(unavailable);
    QVERIFY(s.ActiveButton().isEmpty());
    QCOMPARE(f.reporter.errors().last(),
             QStringLiteral("Installation error , no product is available - probably misplaced TOOL library"));
}

void TestShellSettings::entryParsing()
{
    const TLanguageEntry e = TLanguageEntry::Parse(QStringLiteral("Cobol 85, COB,COB,2,C85,C85X"));
    QCOMPARE(e.DisplayName, QStringLiteral("Cobol 85"));
    QCOMPARE(e.Code, QStringLiteral("COB"));
    QCOMPARE(e.VersionCount, 2);
    QCOMPARE(e.Versions, (QStringList{"C85", "C85X"}));
    QCOMPARE(TLanguageEntry::Parse(QStringLiteral("X,XX")).Reserved, QStringLiteral("XX"));
    QVERIFY_THROWS_EXCEPTION(EConvertError, TLanguageEntry::Parse(QStringLiteral("X,XX,XX,two")));
}

void TestShellSettings::xmlOrSql()
{
    TShellFixture f;
    f.make({});
    const QMap<QString, QString> captions{{"B1", "XML"}, {"B2", "SQL - DB2"}, {"B3", "SQL - MS"}, {"B4", "COBOL"}};
    const auto captionOf = [&](const QString &name) { return captions.value(name); };
    TShellSettings zemrik(&f.reporter, f.programPath(), Ostrin::SelectApplicationKind("Zemrik_Tarvell", 0));
    zemrik.SetLanguageButtons({{"B1"}, {"B2"}, {"B3"}, {"B4"}});
    zemrik.ExcludeXmlOrSql(captionOf);
    QVERIFY(zemrik.ButtonEnabled("B1") && !zemrik.ButtonEnabled("B2") && !zemrik.ButtonEnabled("B3"));
    QVERIFY(zemrik.ButtonEnabled("B4"));
    zemrik.SetLanguageButtons({{"B1", Ostrin::TLanguagePage::ProgrammingLanguages, false}, {"B2"}, {"B4"}});
    zemrik.ExcludeXmlOrSql(captionOf);
    QVERIFY(!zemrik.ButtonEnabled("B1") && zemrik.ButtonEnabled("B2"));
    // Other kinds keep both.
    f.settings->SetLanguageButtons({{"B1"}, {"B2"}});
    f.settings->ExcludeXmlOrSql(captionOf);
    QVERIFY(f.settings->ButtonEnabled("B1") && f.settings->ButtonEnabled("B2"));
}

QTEST_GUILESS_MAIN(TestShellSettings)
#include "tst_shellsettings.moc"
