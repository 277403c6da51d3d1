#include "ScopeGuard.h"
#include "WorkbenchSettings.h"
#include "WsdlGenerator.h"

#include "Errors.h"
#include "SharedRoutinesCommon.h"
#include "TextFile.h"
#include "TestFiles.h"
#include "core/TestReporter.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

namespace {

const QString kNoBool = QStringLiteral("%1 is not valid boolean value (Y,J,I,N,True,False)");

// A stand-in for DOSBox: records its arguments and SDL drivers in its working
// folder and, when asked the way the workbench asks, writes the configuration.
bool writeFakeDosBox(const QString &path, bool writesConfig)
{
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly))
        return false;
    QByteArray script = "#!/bin/sh\n"
                        "printf '%s\\n' \"$@\" > dosbox-args.txt\n"
                        "printf '%s\\n' \"$SDL_VIDEODRIVER\" \"$SDL_AUDIODRIVER\" > dosbox-env.txt\n";
    if (writesConfig)
        script += "if [ \"$1\" = \"-c\" ] && [ \"$2\" = \"CONFIG -writeconf DOSBox.config\" ]; then\n"
                  "  echo '[sdl]' > DOSBox.config\n"
                  "fi\n";
    if (f.write(script) != script.size())
        return false;
    f.close();
    return f.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
}

} // namespace

class TestWorkbenchSettings : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void commandLine_data();
    void commandLine();
    void valueLookup();

    void locateSettingsFile_data();
    void locateSettingsFile();
    void locateSettingsFileMissing();

    void applySettings_data();
    void applySettings();
    void serviceAddressReachesTheGenerator();
    void askAfterProblems_data();
    void askAfterProblems();

    void saveSettingsText_data();
    void saveSettingsText();
    void saveSettingsTextFailure_data();
    void saveSettingsTextFailure();
    void dateWrittenText();

    void locateDosBoxCandidate_data();
    void locateDosBoxCandidate();
    void locateDosBoxManual_data();
    void locateDosBoxManual();
    void locateDosBoxCancelled();
    void locateDosBoxFromSettings();
    void mirrorIntoShellSettings_data();
    void mirrorIntoShellSettings();

    void toolRoot_data();
    void toolRoot();
    void converterDefault_data();
    void converterDefault();
    void captionAndFilter_data();
    void captionAndFilter();

    void registerJobFileType();
    void exampleSettings();

private:
    QString path(const QString &rel) const { return QDir::cleanPath(m_dir->path() + QLatin1Char('/') + rel); }
    QString programPath() const { return path("bin/Quenbar"); }
    QString settingsPath() const { return path("bin/Quenbar.INI"); }
    QString mirrorPath() const { return path("bin/Quenbar_Mireth.INI"); }
    // Settings file written to the program folder and loaded; no DOSBox is found.
    std::unique_ptr<TWorkbenchSettings> loaded(const QStringList &lines);

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<TTestReporter> m_bar;
};

void TestWorkbenchSettings::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    QVERIFY(QDir().mkpath(path("bin")));
    m_bar = std::make_unique<TTestReporter>();
}

void TestWorkbenchSettings::cleanup()
{
    m_bar.reset();
    m_dir.reset();
}

std::unique_ptr<TWorkbenchSettings> TestWorkbenchSettings::loaded(const QStringList &lines)
{
    TextFile::writeLines(settingsPath(), lines);
    auto s = std::make_unique<TWorkbenchSettings>(m_bar.get(), programPath());
    s->FindDosBoxCandidates = [] { return QStringList(); };
    s->LoadSettingsText();
    return s;
}

// ---- Command line and text --------------------------------------------------------

void TestWorkbenchSettings::commandLine_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<bool>("hasRoot");
    QTest::addColumn<QString>("root");
    QTest::addColumn<bool>("hasProj");
    QTest::addColumn<QString>("proj");
    QTest::addColumn<bool>("showAdvanced");
    QTest::addColumn<bool>("registerType");
    QTest::addColumn<QString>("autoRun");

    QTest::newRow("none") << QStringList() << false << "" << false << "" << false << false << "";
    QTest::newRow("long forms") << QStringList{"-Root", "/opt/Tools", "-Proj", "/jobs/a.jQuenbar", "-ShowAdvanced", "-Register"}
                                << true << "/opt/Tools" << true << "/jobs/a.jQuenbar" << true << true << "";
    QTest::newRow("short forms") << QStringList{"-r=/opt/Tools", "-P=/jobs/a.jQuenbar", "-SHA", "-shell"} << true
                                 << "/opt/Tools" << true << "/jobs/a.jQuenbar" << true << true << "";
    QTest::newRow("registered command") << QStringList{"-sha", "-root", "/opt/Tools", "-proj", "/jobs/b.jQuenbar"}
                                        << true << "/opt/Tools" << true << "/jobs/b.jQuenbar" << true << false << "";
    QTest::newRow("switched off") << QStringList{"-sha-", "-register-"} << false << "" << false << "" << false << false
                                  << "";
    QTest::newRow("value missing") << QStringList{"-root", "-sha"} << false << "" << false << "" << true << false << "";
    QTest::newRow("auto run") << QStringList{"-ar", "nightly"} << false << "" << false << "" << false << false
                              << "nightly";
}

void TestWorkbenchSettings::commandLine()
{
    QFETCH(QStringList, args);
    const TWorkbenchCommandLine c = TWorkbenchCommandLine::parse(args);
    QTEST(c.HasRoot, "hasRoot");
    QTEST(c.Root, "root");
    QTEST(c.HasProj, "hasProj");
    QTEST(c.Proj, "proj");
    QTEST(c.ShowAdvanced, "showAdvanced");
    QTEST(c.Register, "registerType");
    QTEST(c.AutoRun, "autoRun");
    QFETCH(QString, autoRun);
    QCOMPARE(c.HasAutoRun, !autoRun.isEmpty());
}

void TestWorkbenchSettings::valueLookup()
{
    TWorkbenchSettings s(m_bar.get(), programPath());
    s.setText("; Runcontrol.DebugMode=Y in a comment\n"
              "Runcontrol.DebugMode\n"
              "runcontrol.debugmode=J\n"
              "Runcontrol.DebugMode=N\n"
              "Key=a=b");
    QCOMPARE(s.ValueOf("RUNCONTROL.DEBUGMODE"), QString("J"));
    QCOMPARE(s.ValueOf("Key"), QString("a=b"));
    QCOMPARE(s.ValueOf("Missing"), QString());

    s.SetValue("Runcontrol.DebugMode", "Y");
    QCOMPARE(s.Lines().value(2), QString("runcontrol.debugmode=Y"));
    QCOMPARE(s.Lines().value(3), QString("Runcontrol.DebugMode=N"));
    s.SetValue("New.Key", "1");
    QCOMPARE(s.Lines().size(), 6);
    QCOMPARE(s.Lines().last(), QString("New.Key=1"));
    QCOMPARE(s.Text().count('\n'), 5);
}

// ---- Settings file location -----------------------------------------------------

void TestWorkbenchSettings::locateSettingsFile_data()
{
    QTest::addColumn<bool>("devExists");
    QTest::addColumn<bool>("normalExists");
    QTest::addColumn<QString>("expected");
    QTest::newRow("development preferred") << true << true << "_Quenbar.Src/Quenbar.INI";
    QTest::newRow("development only") << true << false << "_Quenbar.Src/Quenbar.INI";
    QTest::newRow("normal only") << false << true << "bin/Quenbar.INI";
}

void TestWorkbenchSettings::locateSettingsFile()
{
    QFETCH(bool, devExists);
    QFETCH(bool, normalExists);
    QFETCH(QString, expected);
    if (devExists) {
        QVERIFY(QDir().mkpath(path("_Quenbar.Src")));
        TextFile::writeLines(path("_Quenbar.Src/Quenbar.INI"), {"Origin=dev"});
    }
    if (normalExists)
        TextFile::writeLines(settingsPath(), {"Origin=normal"});

    TWorkbenchSettings s(m_bar.get(), programPath());
    s.LoadSettingsText();
    QCOMPARE(s.SettingsFilePath(), path(expected));
    QVERIFY(QFileInfo(s.SettingsFilePath()).isAbsolute());
    QCOMPARE(s.ValueOf("Origin"), QString(devExists ? "dev" : "normal"));
    QCOMPARE(s.SettingsCaption(), "Product ini file : " + path(expected));
    QVERIFY(s.SettingsLoaded());
    QCOMPARE(m_bar->Severity(), 0);

    // Resolved once: later calls keep the path even when the file is gone.
    QVERIFY(QFile::remove(path(expected)));
    QCOMPARE(s.LocateSettingsFile(), path(expected));
}

void TestWorkbenchSettings::locateSettingsFileMissing()
{
    TWorkbenchSettings s(m_bar.get(), programPath());
    int unavailable = 0;
    s.OnSettingsUnavailable = [&] {
        ++unavailable;
        // The window learns of it before the message is reported.
        QCOMPARE(m_bar->Messages(), QString("- No ini file is available for Quenbar"));
    };
    QVERIFY_THROWS_EXCEPTION(EAbort, s.LoadSettingsText());
    QCOMPARE(unavailable, 1);
    QVERIFY(!s.SettingsLoaded());
    QCOMPARE(s.SettingsFilePath(), settingsPath());
    QCOMPARE(m_bar->Messages(), "- No ini file is available for Quenbar\r\n- Cannot access product ini file - "
                                    + settingsPath());
    QCOMPARE(m_bar->Severity(), 2);
}

// ---- Applying --------------------------------------------------------------------

void TestWorkbenchSettings::applySettings_data()
{
    QTest::addColumn<QStringList>("keys");
    QTest::addColumn<bool>("dosBox");
    QTest::addColumn<QString>("error");
    QTest::addColumn<bool>("blind");
    QTest::addColumn<bool>("capture");
    QTest::addColumn<bool>("debug");
    QTest::addColumn<bool>("deleteAfter");
    QTest::addColumn<bool>("deleteControl");
    QTest::addColumn<int>("limit");
    QTest::addColumn<int>("consoleShown");   // -1: not reached

    const QString limitKey = "Runcontrol.SystemBigDirectoryLimit=";
    QTest::newRow("defaults") << QStringList() << false << "" << false << false << false << false << false << 50 << 0;
    QTest::newRow("limit empty") << QStringList{limitKey} << false << "" << false << false << false << false << false
                                 << 50 << 0;
    QTest::newRow("limit zero") << QStringList{limitKey + "0"} << false << "" << false << false << false << false
                                << false << 50 << 0;
    QTest::newRow("limit 75") << QStringList{limitKey + "75"} << false << "" << false << false << false << false
                              << false << 75 << 0;
    QTest::newRow("limit first line wins")
        << QStringList{limitKey + "75", "runcontrol.systembigdirectorylimit=10"} << false << "" << false << false
        << false << false << false << 75 << 0;
    QTest::newRow("limit not a number") << QStringList{limitKey + "x"} << false << "'0x' is not a valid integer value"
                                        << false << false << false << false << false << 50 << 0;
    QTest::newRow("blind run without DOSBox") << QStringList{"Runcontrol.Blindrun=Y"} << false << "" << true << false
                                              << false << false << false << 50 << 0;
    QTest::newRow("blind run with DOSBox") << QStringList{"Runcontrol.UseDOSBox=Y", "Runcontrol.Blindrun=Y"} << true
                                           << "" << false << false << false << false << false << 50 << 0;
    QTest::newRow("capture log without DOSBox") << QStringList{"Runcontrol.CaptureLog=y"} << false << "" << false
                                                << true << false << false << false << 50 << 1;
    QTest::newRow("capture log with DOSBox") << QStringList{"Runcontrol.UseDOSBox=True", "Runcontrol.CaptureLog=Y"}
                                             << true << "" << false << false << false << false << false << 50 << 0;
    QTest::newRow("flags") << QStringList{"Runcontrol.DebugMode=J", "Runcontrol.DeleteAfter=I",
                                          "Runcontrol.SystemDeleteAfterControl=True"}
                           << false << "" << false << false << true << true << true << 50 << 0;
    QTest::newRow("invalid boolean") << QStringList{"Runcontrol.Blindrun=Y", "Runcontrol.DebugMode=Maybe"} << false
                                     << kNoBool.arg("Maybe") << true << false << false << false << false << 50 << -1;
    QTest::newRow("invalid boolean validated only") << QStringList{"SpecViewer.CompressedTree=x"} << false
                                                    << kNoBool.arg("x") << false << false << false << false << false
                                                    << 50 << -1;
    QTest::newRow("invalid boolean under DOSBox") << QStringList{"Runcontrol.UseDOSBox=Y", "Runcontrol.Blindrun=Q"}
                                                  << true << kNoBool.arg("Q") << false << false << false << false
                                                  << false << 50 << -1;
    QTest::newRow("invalid buffer size after the rest")
        << QStringList{"Runcontrol.DebugMode=Y", "FileCopy.SystemIOBuffSize=200k", limitKey + "80"} << false
        << "'0200k' is not a valid integer value" << false << false << true << false << false << 80 << 0;
}

void TestWorkbenchSettings::applySettings()
{
    QFETCH(QStringList, keys);
    QFETCH(bool, dosBox);
    QFETCH(QString, error);

    auto s = loaded(QStringList{"; workbench"} + keys);
    if (dosBox) {
        // An existing program and configuration: DOSBox is taken without running it.
        TextFile::writeLines(path("dosbox"), {"x"});
        TextFile::writeLines(path("bin/DOSBox.config"), {"[sdl]"});
        const QString program = path("dosbox");
        s->FindDosBoxCandidates = [program] { return QStringList{program}; };
    }
    int consoleShown = -1;
    s->OnShowConsoleLog = [&](bool on) { consoleShown = on ? 1 : 0; };

    QString raised;
    try {
        s->ApplySettings(false);
    } catch (const EConvertError &e) {
        raised = e.message();
    }
    QCOMPARE(raised, error);
    QCOMPARE(s->DOSBoxActive(), dosBox);
    QTEST(s->BlindRun(), "blind");
    QTEST(s->CaptureLog(), "capture");
    QTEST(s->DebugMode(), "debug");
    QTEST(s->DeleteAfter(), "deleteAfter");
    QTEST(s->DeleteAfterControl(), "deleteControl");
    QTEST(s->BigDirectoryLimit(), "limit");
    QTEST(consoleShown, "consoleShown");
    QCOMPARE(m_bar->messageCount(), 0);
}

// The generators take the service address from the settings when they are applied.
void TestWorkbenchSettings::serviceAddressReachesTheGenerator()
{
    const TScopeGuard reset([] { WsdlGenerator::SetServiceAddress(QString()); });
    auto s = loaded(QStringList{"Generate.ServiceAddress=https://soap.example.invalid/x/"});
    s->ApplySettings(false);
    QCOMPARE(WsdlGenerator::ServiceAddress("Port"), QString("https://soap.example.invalid/x/Port"));
    auto d = loaded(QStringList{"; no address"});
    d->ApplySettings(false);
    QCOMPARE(WsdlGenerator::ServiceAddress("Port"), WsdlGenerator::DefaultServiceAddress() + "Port");
}

void TestWorkbenchSettings::askAfterProblems_data()
{
    QTest::addColumn<bool>("ask");
    QTest::addColumn<QString>("problem");   // "", "warning" or "dosbox" (search cancelled)
    QTest::addColumn<int>("answer");
    QTest::addColumn<bool>("asked");
    QTest::addColumn<bool>("rewritten");
    QTest::newRow("warning, yes") << true << "warning" << int(mbYes) << true << true;
    QTest::newRow("warning, no") << true << "warning" << int(mbNo) << true << false;
    QTest::newRow("DOSBox search cancelled, yes") << true << "dosbox" << int(mbYes) << true << true;
    QTest::newRow("nothing held") << true << "" << int(mbYes) << false << false;
    QTest::newRow("without ask") << false << "warning" << int(mbYes) << false << false;
}

void TestWorkbenchSettings::askAfterProblems()
{
    QFETCH(bool, ask);
    QFETCH(QString, problem);
    QFETCH(int, answer);
    QFETCH(bool, asked);
    QFETCH(bool, rewritten);

    const QStringList lines{"; workbench", QString("Runcontrol.UseDOSBox=") + (problem == "dosbox" ? "Y" : "N")};
    auto s = loaded(lines);
    const QByteArray before = fileBytes(settingsPath());
    if (problem == "warning")
        m_bar->ShowWarning("Something to look at");
    m_bar->answerMessage(answer);
    s->ApplySettings(ask);

    const QList<TTestReporter::TQuestion> messages = m_bar->askedMessages();
    QCOMPARE(messages.size(), asked ? 1 : 0);
    if (asked) {
        QVERIFY(messages[0].text.endsWith("Errors occured durig installation, rewrite ini file?"));
        QCOMPARE(messages[0].buttons, int(mbYesNo));
        QVERIFY(m_bar->UseMessageBox());
    }
    const QStringList onDisk = TextFile::readLines(settingsPath());
    if (rewritten) {
        QCOMPARE(onDisk.size(), lines.size() + 1);
        QVERIFY(onDisk[1].startsWith("Date Written="));
    } else {
        QCOMPARE(fileBytes(settingsPath()), before);
    }
}

// ---- Writing ---------------------------------------------------------------------

void TestWorkbenchSettings::saveSettingsText_data()
{
    QTest::addColumn<QStringList>("lines");
    QTest::addColumn<int>("stampLine");
    QTest::addColumn<bool>("inserted");
    QTest::newRow("inserted as second line") << QStringList{"; Quenbar", "A=1", "B=2"} << 1 << true;
    QTest::newRow("existing value updated") << QStringList{"; Quenbar", "A=1", "B=2", "date written=01.01.2020 10:00:00"}
                                            << 3 << false;
    QTest::newRow("empty value gets a new line") << QStringList{"; Quenbar", "A=1", "Date Written="} << 1 << true;
    QTest::newRow("single line") << QStringList{"A=1"} << 1 << true;
    QTest::newRow("empty text") << QStringList() << 0 << true;
}

void TestWorkbenchSettings::saveSettingsText()
{
    QFETCH(QStringList, lines);
    QFETCH(int, stampLine);
    QFETCH(bool, inserted);
    TWorkbenchSettings s(m_bar.get(), programPath());
    TextFile::writeLines(settingsPath(), {"Old=1"});
    s.LocateSettingsFile();
    s.setLines(lines);
    int changed = 0;
    s.OnTextChanged = [&] { ++changed; };

    const QDateTime before = QDateTime::currentDateTime();
    s.SaveSettingsText();
    const QDateTime after = QDateTime::currentDateTime();

    const QStringList onDisk = TextFile::readLines(settingsPath());
    QCOMPARE(onDisk, s.Lines());
    QVERIFY(changed >= 1);
    QCOMPARE(onDisk.size(), lines.size() + (inserted ? 1 : 0));
    if (inserted)
        QCOMPARE(onDisk.mid(0, stampLine) + onDisk.mid(stampLine + 1), lines);
    const QString line = onDisk.value(stampLine);
    QVERIFY2(SameText(ListName(line), "Date Written"), qPrintable(line));
    const QString stamp = TextAfter(line, "=");
    bool matches = false;
    for (QDateTime t = before.addSecs(-1); t <= after.addSecs(1) && !matches; t = t.addSecs(1))
        matches = stamp == TWorkbenchSettings::DateWrittenText(t);
    QVERIFY2(matches, qPrintable(stamp));
    QVERIFY(fileBytes(settingsPath()).endsWith("\r\n"));
}

void TestWorkbenchSettings::saveSettingsTextFailure_data()
{
    QTest::addColumn<QString>("how");
    QTest::newRow("read-only folder") << "read-only";
    QTest::newRow("folder is a file") << "file";
}

void TestWorkbenchSettings::saveSettingsTextFailure()
{
    QFETCH(QString, how);
    QString target;
    if (how == "read-only") {
        QVERIFY(QDir().mkpath(path("locked")));
        target = path("locked/Quenbar.INI");
        QVERIFY(QFile(path("locked")).setPermissions(QFileDevice::ReadOwner | QFileDevice::ExeOwner));
        QFile probe(path("locked/probe"));
        if (probe.open(QIODevice::WriteOnly)) {
            probe.close();
            probe.remove();
            QFile(path("locked")).setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
            QSKIP("This user can write into read-only folders");
        }
    } else {
        TextFile::writeLines(path("plain"), {"x"});
        target = path("plain/Quenbar.INI");
    }
    TWorkbenchSettings s(m_bar.get(), programPath());
    s.setSettingsFilePath(target);
    s.setLines({"A=1"});
    QVERIFY_THROWS_EXCEPTION(EAbort, s.SaveSettingsText());
    if (how == "read-only")
        QFile(path("locked")).setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    QVERIFY(m_bar->UseMessageBox());
    QCOMPARE(m_bar->messageCount(), 1);
    QCOMPARE(m_bar->lastQuestion().text, "Cannot write to " + target);
    QVERIFY(!QFileInfo::exists(target));
}

void TestWorkbenchSettings::dateWrittenText()
{
    const QDateTime moment(QDate(2026, 3, 14), QTime(9, 41, 27));
    const QString text = TWorkbenchSettings::DateWrittenText(moment);
    QVERIFY2(text.startsWith(QLocale::system().toString(moment.date(), QLocale::ShortFormat) + ' '), qPrintable(text));
    QVERIFY2(text.contains("41") && text.contains("27"), qPrintable(text));
    QVERIFY2(!text.endsWith(' '), qPrintable(text));
}

// ---- DOSBox ----------------------------------------------------------------------

void TestWorkbenchSettings::locateDosBoxCandidate_data()
{
    QTest::addColumn<bool>("writesConfig");
    QTest::newRow("configuration written") << true;
    QTest::newRow("configuration not written") << false;
}

void TestWorkbenchSettings::locateDosBoxCandidate()
{
    QFETCH(bool, writesConfig);
    auto s = loaded({"Runcontrol.UseDOSBox=Y"});
    TextFile::writeLines(mirrorPath(), {"ActiveRadioButton=RadioButtonJava1", "Runcontrol.UseDOSBox=N"});
    const QString program = path("dosbox");
    QVERIFY(writeFakeDosBox(program, writesConfig));
    s->FindDosBoxCandidates = [&] { return QStringList{"", path("not-there/dosbox"), program}; };

    s->LocateDosBox(true);
    QStringList args = QString::fromLocal8Bit(fileBytes(path("bin/dosbox-args.txt"))).split('\n');
    args.removeAll(QString());
    QCOMPARE(args, (QStringList{"-c", "CONFIG -writeconf DOSBox.config", "-noconsole", "-c", "exit"}));
    // No display here: DOSBox gets the dummy drivers.
    QCOMPARE(QString::fromLocal8Bit(fileBytes(path("bin/dosbox-env.txt"))), QString("dummy\ndummy\n"));
    QCOMPARE(s->DOSBoxActive(), writesConfig);
    QCOMPARE(s->DOSBoxProgram(), writesConfig ? program : QString());
    QCOMPARE(s->DOSBoxConfigFile(), writesConfig ? path("bin/DOSBox.config") : QString());
    QCOMPARE(TextFile::readLines(mirrorPath()).value(1), "Runcontrol.UseDOSBox=" + BoolToYN(writesConfig));
    QCOMPARE(m_bar->asked().size(), 0);

    // Already active: neither searched nor run again.
    QVERIFY(QFile::remove(path("bin/dosbox-args.txt")));
    s->LocateDosBox(true);
    QCOMPARE(QFileInfo::exists(path("bin/dosbox-args.txt")), !writesConfig);

    s->LocateDosBox(false);
    QVERIFY(!s->DOSBoxActive());
    QVERIFY(s->DOSBoxProgram().isEmpty());
    QVERIFY(s->DOSBoxConfigFile().isEmpty());
    QCOMPARE(TextFile::readLines(mirrorPath()).value(1), QString("Runcontrol.UseDOSBox=N"));
}

void TestWorkbenchSettings::locateDosBoxManual_data()
{
    QTest::addColumn<QStringList>("lines");
    QTest::newRow("no location line") << QStringList{"; workbench", "Runcontrol.UseDOSBox=Y", "Runcontrol.Blindrun=N"};
    // The empty line would stay first and hide the chosen path.
    QTest::newRow("empty location line before")
        << QStringList{"; workbench", "Runcontrol.DOSBoxLocation=", "Runcontrol.UseDOSBox=Y", "Runcontrol.Blindrun=N"};
}

void TestWorkbenchSettings::locateDosBoxManual()
{
    QFETCH(QStringList, lines);
    auto s = loaded(lines);
    const QString program = path("chosen/dosbox");
    QVERIFY(QDir().mkpath(path("chosen")));
    QVERIFY(writeFakeDosBox(program, true));
    m_bar->answerFile(program);
    int changed = 0;
    s->OnTextChanged = [&] { ++changed; };

    s->LocateDosBox(true);

    QCOMPARE(m_bar->asked().size(), 1);
    const TTestReporter::TQuestion dialog = m_bar->asked().first();
    QCOMPARE(dialog.kind, TTestReporter::TQuestion::OpenFile);
    QCOMPARE(dialog.text, QString("Please locate DOSBox-0.74\\DOSBox.exe manually"));
    QCOMPARE(dialog.fileName, QString("dosbox"));

    const QStringList onDisk = TextFile::readLines(settingsPath());
    QCOMPARE(s->Lines(), onDisk);   // saved and read back
    QVERIFY(changed >= 1);
    const int useLine = TWorkbenchSettings::IndexOfName(onDisk, "Runcontrol.UseDOSBox");
    QVERIFY(useLine >= 0);
    QCOMPARE(onDisk.value(useLine), QString("Runcontrol.UseDOSBox=Y"));
    QCOMPARE(onDisk.value(useLine + 1), "Runcontrol.DOSBoxLocation=" + program);
    QCOMPARE(onDisk.filter("DOSBoxLocation").size(), 1);
    QCOMPARE(s->ValueOf("Runcontrol.DOSBoxLocation"), program);
    QVERIFY(!s->ValueOf("Date Written").isEmpty());
    QVERIFY(s->DOSBoxActive());
    QCOMPARE(s->DOSBoxProgram(), program);
    QCOMPARE(m_bar->Severity(), 0);
}

void TestWorkbenchSettings::locateDosBoxCancelled()
{
    const QStringList lines{"Runcontrol.UseDOSBox=Y"};
    auto s = loaded(lines);
    const QByteArray before = fileBytes(settingsPath());
    m_bar->answerFile(QString());
    s->LocateDosBox(true);
    QCOMPARE(m_bar->asked().size(), 1);
    QCOMPARE(m_bar->LastMessage(), QString("DOSBox-0.74\\DOSBox.exe file search cancelled"));
    QCOMPARE(m_bar->Severity(), 1);
    QVERIFY(!s->DOSBoxActive());
    QCOMPARE(s->Lines(), lines);
    QCOMPARE(fileBytes(settingsPath()), before);
}

void TestWorkbenchSettings::locateDosBoxFromSettings()
{
    const QString program = path("opt/dosbox");
    QVERIFY(QDir().mkpath(path("opt")));
    QVERIFY(writeFakeDosBox(program, true));
    auto s = loaded({"Runcontrol.UseDOSBox=Y", "Runcontrol.DOSBoxLocation=" + program});
    s->ApplySettings(false);
    QCOMPARE(m_bar->asked().size(), 0);
    QVERIFY(s->DOSBoxActive());
    QCOMPARE(s->DOSBoxProgram(), program);
    QVERIFY(QFileInfo::exists(path("bin/DOSBox.config")));
}

void TestWorkbenchSettings::mirrorIntoShellSettings_data()
{
    QTest::addColumn<bool>("active");
    QTest::addColumn<QByteArray>("mirror");     // empty: no file
    QTest::addColumn<QStringList>("expected");  // empty: file unchanged (or still missing)
    QTest::newRow("missing file") << false << QByteArray() << QStringList();
    QTest::newRow("Y becomes N") << false << QByteArray("; shell\r\nRuncontrol.UseDOSBox=Y\r\nB=2\r\n")
                                 << QStringList{"; shell", "Runcontrol.UseDOSBox=N", "B=2"};
    QTest::newRow("N becomes Y") << true << QByteArray("runcontrol.usedosbox=N\r\n")
                                 << QStringList{"runcontrol.usedosbox=Y"};
    QTest::newRow("key missing") << false << QByteArray("A=1\r\n") << QStringList{"A=1", "Runcontrol.UseDOSBox=N"};
    QTest::newRow("already equal stays untouched") << false << QByteArray("A=1\nRuncontrol.UseDOSBox=N\n")
                                                   << QStringList();
}

void TestWorkbenchSettings::mirrorIntoShellSettings()
{
    QFETCH(bool, active);
    QFETCH(QByteArray, mirror);
    QFETCH(QStringList, expected);
    auto s = loaded({"Runcontrol.UseDOSBox=" + BoolToYN(active)});
    if (!mirror.isEmpty()) {
        QFile f(mirrorPath());
        QVERIFY(f.open(QIODevice::WriteOnly));
        QCOMPARE(f.write(mirror), mirror.size());
    }
    if (active) {
        TextFile::writeLines(path("bin/DOSBox.config"), {"[sdl]"});
        TextFile::writeLines(path("dosbox"), {"x"});
        const QString program = path("dosbox");
        s->FindDosBoxCandidates = [program] { return QStringList{program}; };
    }
    s->ApplySettings(false);
    QCOMPARE(s->DOSBoxActive(), active);
    if (mirror.isEmpty())
        QVERIFY(!QFileInfo::exists(mirrorPath()));
    else if (expected.isEmpty())
        QCOMPARE(fileBytes(mirrorPath()), mirror);
    else
        QCOMPARE(TextFile::readLines(mirrorPath()), expected);
}

// ---- Tool root, converters, captions ---------------------------------------------

void TestWorkbenchSettings::toolRoot_data()
{
    QTest::addColumn<QString>("folder");
    QTest::addColumn<bool>("withInstall");
    QTest::addColumn<bool>("given");
    QTest::addColumn<QString>("expected");
    QTest::newRow("tools with install folder") << "tools" << true << true << "tools/Maintain/Quenbar";
    QTest::newRow("tools without install folder") << "tools" << false << true << "tools";
    QTest::newRow("upper case") << "TOOLS" << true << true << "TOOLS/Maintain/Quenbar";
    QTest::newRow("trailing delimiter") << "tools/" << true << true << "tools/Maintain/Quenbar";
    QTest::newRow("other name") << "Programs" << true << true << "Programs";
    QTest::newRow("program folder named tools") << "Tools" << true << false << "Tools/Maintain/Quenbar";
    QTest::newRow("program folder") << "bin" << true << false << "bin";
}

void TestWorkbenchSettings::toolRoot()
{
    QFETCH(QString, folder);
    QFETCH(bool, withInstall);
    QFETCH(bool, given);
    QFETCH(QString, expected);
    QVERIFY(QDir().mkpath(path(folder)));
    if (withInstall)
        QVERIFY(QDir().mkpath(path(folder + "/Maintain/Quenbar")));
    const QString program = given ? programPath() : path(folder + "/Quenbar");
    TWorkbenchSettings s(m_bar.get(), program);
    const QStringList args = given ? QStringList{"-root", m_dir->path() + '/' + folder} : QStringList();
    s.DetermineToolRoot(TWorkbenchCommandLine::parse(args));
    QCOMPARE(s.ToolRoot(), path(expected));
}

void TestWorkbenchSettings::converterDefault_data()
{
    QTest::addColumn<QString>("value");
    QTest::addColumn<QString>("expected");
    QTest::newRow("absolute") << "/opt/conv/WSDLProc" << "/opt/conv/WSDLProc";
    QTest::newRow("relative, stored form") << "WSDLProc\\WSDLProc" << "/opt/Tools/WSDLProc/WSDLProc";
    QTest::newRow("relative") << "bin/WSDLObjt" << "/opt/Tools/bin/WSDLObjt";
    QTest::newRow("missing") << "" << "/opt/Tools/";
}

void TestWorkbenchSettings::converterDefault()
{
    QFETCH(QString, value);
    TWorkbenchSettings s(m_bar.get(), programPath());
    s.setToolRoot("/opt/Tools");
    if (!value.isEmpty())
        s.setLines({"WSDLObjt_Processor=/elsewhere", "WSDLProc_Processor=" + value});
    QTEST(s.ConverterDefault("wsdlproc_processor"), "expected");
}

void TestWorkbenchSettings::captionAndFilter_data()
{
    QTest::addColumn<QString>("entry");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QString>("code");
    QTest::addColumn<QString>("filter");
    const QString filter = "CSV exports (*.csv);;WSDL files (*.wsdl)";
    QTest::newRow("plain") << "Business logic generation,WSDLGEN" << "Business logic generation" << "WSDLGEN" << filter;
    QTest::newRow("quoted caption") << "\"Logic, generated\",WSDLGEN" << "Logic, generated" << "WSDLGEN" << filter;
    QTest::newRow("key in other case") << "Caption, wsdlgen" << "Caption" << "wsdlgen" << filter;
    QTest::newRow("unknown key") << "Caption,OTHER" << "Caption" << "OTHER" << "";
    QTest::newRow("caption only") << "Caption" << "Caption" << "" << "";
    QTest::newRow("missing") << "" << "" << "" << "";
}

void TestWorkbenchSettings::captionAndFilter()
{
    QFETCH(QString, entry);
    TWorkbenchSettings s(m_bar.get(), programPath());
    QStringList lines{"WSDLGEN.Filters=CSV exports (*.csv);;WSDL files (*.wsdl)", ".Filters=never"};
    if (!entry.isEmpty())
        lines.prepend("BussinesLogicGeneration=" + entry);
    s.setLines(lines);
    QTEST(s.CaptionItem(), "caption");
    QTEST(s.LanguageCode(), "code");
    QTEST(s.SourceFileFilter(), "filter");
}

// ---- Job file type ----------------------------------------------------------------

void TestWorkbenchSettings::registerJobFileType()
{
    const QByteArray oldHome = qgetenv("XDG_DATA_HOME");
    const bool hadHome = qEnvironmentVariableIsSet("XDG_DATA_HOME");
    const QString home = path("data");
    QVERIFY(QDir().mkpath(home));
    qputenv("XDG_DATA_HOME", home.toLocal8Bit());
    auto restore = qScopeGuard([&] {
        if (hadHome)
            qputenv("XDG_DATA_HOME", oldHome);
        else
            qunsetenv("XDG_DATA_HOME");
    });

    TWorkbenchSettings s(m_bar.get(), programPath());
    s.setToolRoot(path("Tools"));
    QVERIFY(s.RegisterJobFileType());

    const QString id = "kt-quenbar-job-definition";
    const QString open = QString::fromUtf8(fileBytes(home + "/applications/velmora-" + id + "-open.desktop"));
    const QString advanced = QString::fromUtf8(fileBytes(home + "/applications/velmora-" + id + "-openadvanced.desktop"));
    const QString exe = '"' + programPath() + '"';
    const QString root = "-root \"" + path("Tools") + '"';
    QVERIFY2(open.contains("Exec=" + exe + ' ' + root + " -proj %f\n"), qPrintable(open));
    QVERIFY2(open.contains("Name=Start job\n"), qPrintable(open));
    QVERIFY2(open.contains("Icon=quenbar\n"), qPrintable(open));
    QVERIFY2(advanced.contains("Exec=" + exe + " -sha " + root + " -proj %f\n"), qPrintable(advanced));
    QVERIFY2(advanced.contains("Name=Start job with advanced options enabled\n"), qPrintable(advanced));

    const QString mime = QString::fromUtf8(fileBytes(home + "/mime/packages/velmora-" + id + ".xml"));
    QVERIFY2(mime.contains("<glob pattern=\"*.jQuenbar\"/>"), qPrintable(mime));
    QVERIFY2(mime.contains("<comment>KT Quenbar Job Definition</comment>"), qPrintable(mime));

    // "Open" went last, so it is the default.
    QSettings apps(home + "/applications/mimeapps.list", QSettings::IniFormat);
    QCOMPARE(apps.value("Default Applications/application/x-velmora-" + id).toString(),
             "velmora-" + id + "-open.desktop");
}

// ---- The shipped example files ------------------------------------------------------

void TestWorkbenchSettings::exampleSettings()
{
    const QString examples = QStringLiteral(QUENBAR_EXAMPLES_DIR) + "/Tools/Maintain/Quenbar/";
    for (const char *name : {"Quenbar.INI", "Quenbar_Mireth.INI"})
        QVERIFY(QFile::copy(examples + name, path(QStringLiteral("bin/") + name)));
    const QByteArray shellBefore = fileBytes(mirrorPath());

    TWorkbenchSettings s(m_bar.get(), programPath());
    s.FindDosBoxCandidates = [] { return QStringList(); };
    s.LoadSettingsText();
    for (const char *key : {"BussinesLogicGeneration", "WSDLGEN.Filters", "WSDLProc_Processor", "WSDLObjt_Processor",
                            "Runcontrol.UseDOSBox", "Runcontrol.DOSBoxLocation", "Runcontrol.Blindrun",
                            "Runcontrol.CaptureLog", "Runcontrol.DebugMode", "Runcontrol.DeleteAfter",
                            "Runcontrol.SystemDeleteAfterControl", "Runcontrol.SystemBigDirectoryLimit",
                            "SpecViewer.CompressedTree", "Viewer.AutoExpand", "FileCopy.SystemIOBuffSize",
                            "Date Written"})
        QVERIFY2(TWorkbenchSettings::IndexOfName(s.Lines(), key) >= 0, key);
    s.ApplySettings(true);
    QCOMPARE(m_bar->Severity(), 0);
    QCOMPARE(m_bar->asked().size(), 0);
    QVERIFY(!s.DOSBoxActive());
    QCOMPARE(s.CaptionItem(), QString("Business logic generation"));
    QCOMPARE(s.LanguageCode(), QString("WSDLGEN"));
    QVERIFY(s.SourceFileFilter().contains("(*.csv)"));
    QVERIFY(s.SourceFileFilter().contains("(*.wsdl)"));
    QCOMPARE(fileBytes(mirrorPath()), shellBefore);   // already "N" there

    const QStringList shell = TextFile::readLines(mirrorPath());
    QCOMPARE(TWorkbenchSettings::ValueIn(shell, "Runcontrol.UseDOSBox"), QString("N"));
    const QString active = TWorkbenchSettings::ValueIn(shell, "ActiveRadioButton");
    QVERIFY(!TWorkbenchSettings::ValueIn(shell, active).isEmpty());
}

QTEST_GUILESS_MAIN(TestWorkbenchSettings)
#include "tst_workbenchsettings.moc"
