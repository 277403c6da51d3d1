// The reuse job without a window: reading a job file the window saved,
// writing its state back over the file's own lines, and refusing a bad file.
#include "Job.h"

#include "Errors.h"
#include "QuenbarDB.h"
#include "SourceList.h"
#include "StringListHolder.h"
#include "TextFile.h"
#include "WorkbenchSettings.h"
#include "core/TestReporter.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

class TestJob : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void loadsWhatTheWindowSaved();
    void saveKeepsWindowLinesAndReadsBack();
    void badFileLeavesJobAsItWas();
    void everyInterfaceGetsFilesOfItsOwn();

private:
    std::unique_ptr<TReuseJob> newJob();
    QString demoJob() const { return m_dir->filePath(QStringLiteral("demo/jobs/DemoLegacy.jQuenbar")); }
    QString demo(const QString &relative) const { return m_dir->filePath(QStringLiteral("demo/") + relative); }

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<TTestReporter> m_reporter;
    std::unique_ptr<TWorkbenchSettings> m_settings;
};

void TestJob::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    QProcess prepare;
    prepare.start(QStringLiteral(QUENBAR_EXAMPLES_DIR "/prepare-demo"), {m_dir->filePath(QStringLiteral("demo"))});
    QVERIFY(prepare.waitForFinished(30000));
    QCOMPARE(prepare.exitCode(), 0);
    QVERIFY(QDir().mkpath(m_dir->filePath(QStringLiteral("bin"))));
    QVERIFY(QFile::copy(QStringLiteral(QUENBAR_EXAMPLES_DIR "/Tools/Maintain/Quenbar/Quenbar.INI"),
                        m_dir->filePath(QStringLiteral("bin/Quenbar.INI"))));
    m_reporter = std::make_unique<TTestReporter>();
    m_settings = std::make_unique<TWorkbenchSettings>(m_reporter.get(), m_dir->filePath(QStringLiteral("bin/Quenbar")));
    m_settings->FindDosBoxCandidates = [] { return QStringList(); };
    m_settings->LoadSettingsText();
    m_settings->ApplySettings(false);
}

void TestJob::cleanup()
{
    m_settings.reset();
    m_reporter.reset();
    m_dir.reset();
}

std::unique_ptr<TReuseJob> TestJob::newJob()
{
    return std::make_unique<TReuseJob>(*m_settings, m_reporter.get());
}

void TestJob::loadsWhatTheWindowSaved()
{
    auto job = newJob();
    QSignalSpy changed(job.get(), &TReuseJob::Changed);
    job->Load(demoJob());

    QVERIFY(changed.count() > 0);
    QCOMPARE(job->ProductName(), QStringLiteral("Demo"));
    QCOMPARE(job->SystemName(), QStringLiteral("Legacy"));
    QCOMPARE(job->JobName(), QStringLiteral("DemoLegacy"));
    QCOMPARE(job->LanguageCode(), QStringLiteral("WSDLGEN"));
    QCOMPARE(job->OutputDirectory(), demo(QStringLiteral("out")));
    QCOMPARE(job->WorkDir(), demo(QStringLiteral("out/work")));
    QCOMPARE(job->StagingDir(), demo(QStringLiteral("out/workinp")));
    QCOMPARE(job->ProjectDirectory(), demo(QStringLiteral("jobs/")));
    QCOMPARE(job->Sources().CommonRoot(), demo(QStringLiteral("sources")));
    QVERIFY(job->Caption().endsWith(QStringLiteral(" [DemoLegacy]")));
    QVERIFY(!job->Modified());

    // The list and the holder behind it, as the converter runs see them.
    QCOMPARE(job->sourceLines().size(), 6);
    QCOMPARE(job->sourceLines().first(), demo(QStringLiteral("sources/CUSTMAINT.csv=0000")));
    QVERIFY(job->sourceChecked(5));
    QCOMPARE(job->holderKinds(), (QList<int>{1, 3, 2, 1, 1, 3}));
    QCOMPARE(job->holderPaths().value(2), demo(QStringLiteral("sources/InvoiceService.csv")));
    QCOMPARE(job->Sources().Statuses()->get(1), QStringLiteral("<OrigWSDL>"));
    // No choice of converter in the job: the settings' programs.
    QVERIFY(job->converterProgram(1).endsWith(QStringLiteral("/WSDLProc")));
}

void TestJob::saveKeepsWindowLinesAndReadsBack()
{
    auto job = newJob();
    job->Load(demoJob());
    job->SetNewFileNames({QStringLiteral("CMP0000.CSV=") + demo(QStringLiteral("sources/CUSTMAINT.csv"))});
    job->disableSource(3);
    job->SetMaxDirDepth(2);
    // An empty status is an empty line in the file, which must not end its block.
    job->Sources().Statuses()->put(2, QString());
    job->SetModified(true);
    const QString copy = m_dir->filePath(QStringLiteral("copy.jQuenbar"));
    job->Save(copy);
    QVERIFY(!job->Modified());

    const QStringList lines = TextFile::readLines(copy);
    // The window's own lines stay where they were; the job's own ones are there once.
    QCOMPARE(lines.count(QStringLiteral("[Form - frmQuenbarMain]")), 1);
    QCOMPARE(lines.filter(QStringLiteral("frmQuenbarMain.EditProductName=")).size(), 1);
    QCOMPARE(lines.filter(QStringLiteral("MaxDirDepth=")), QStringList{QStringLiteral("MaxDirDepth=2")});
    QCOMPARE(lines.last(), QStringLiteral("[Konyec szkazki]"));
    QVERIFY(lines.indexOf(QStringLiteral("[Properties]")) < lines.indexOf(QStringLiteral("[Form - frmQuenbarMain]")));

    auto again = newJob();
    again->Load(copy);
    QCOMPARE(again->NewFileNames(), job->NewFileNames());
    QCOMPARE(again->MaxDirDepth(), 2);
    QCOMPARE(again->sourceLines(), job->sourceLines());
    QVERIFY(!again->sourceChecked(3));
    QCOMPARE(again->holderKinds(), job->holderKinds());
    QCOMPARE(again->Sources().Statuses()->StringList(), job->Sources().Statuses()->StringList());
    QCOMPARE(again->OutputDirectory(), job->OutputDirectory());

    // Saving what was read gives the same file, but for the greyed line:
    // as in the window, a line's enabled state is written, not read back.
    const QString second = m_dir->filePath(QStringLiteral("second.jQuenbar"));
    again->Save(second);
    QStringList expected = lines;
    expected.replaceInStrings(QStringLiteral("NN") + demo(QStringLiteral("sources/ORDENTRY.csv")),
                              QStringLiteral("NY") + demo(QStringLiteral("sources/ORDENTRY.csv")));
    QCOMPARE(TextFile::readLines(second), expected);
}

void TestJob::badFileLeavesJobAsItWas()
{
    auto job = newJob();
    job->Load(demoJob());
    QStringList lines = TextFile::readLines(demoJob());
    const int depth = lines.indexOf(QStringLiteral("MaxDirDepth=0"));
    QVERIFY(depth >= 0);
    lines[depth] = QStringLiteral("MaxDirDepth=deep");
    const QString bad = m_dir->filePath(QStringLiteral("bad.jQuenbar"));
    TextFile::writeLines(bad, lines);

    QVERIFY_THROWS_EXCEPTION(EConvertError, job->Load(bad));
    QCOMPARE(job->FileName(), QFileInfo(demoJob()).absoluteFilePath());
    QCOMPARE(job->sourceLines().size(), 6);
    QVERIFY_THROWS_EXCEPTION(EFileError, job->Load(m_dir->filePath(QStringLiteral("missing.jQuenbar"))));
    QCOMPARE(job->JobName(), QStringLiteral("DemoLegacy"));
}

// Port types of different documents often share a name, and a name may be
// empty: each interface still gets its own two visible files, the run says
// where, and a second run names them the same.
void TestJob::everyInterfaceGetsFilesOfItsOwn()
{
    const QString out = m_dir->filePath(QStringLiteral("out"));
    TDM dm;
    QVERIFY(dm.OpenRepository(out + QStringLiteral("/ParadoxDB"), false));
    const QList<std::pair<QString, QString>> faces{{"StockQuotePortType", "quotes1"},
                                                   {"IService1", "svc"},
                                                   {"StockQuotePortType", "quotes2"},
                                                   {"StockQuotePortType", "quotes3"},
                                                   {"", "anonymous"},
                                                   {"Unique", "u"}};
    for (const auto &[name, csv] : faces)
        dm.TableInterfaces().Insert({{QStringLiteral("Name"), name},
                                     {QStringLiteral("DefinitionsName"), QStringLiteral("D")},
                                     {QStringLiteral("CSVName"), csv}});
    auto job = newJob();
    job->SetOutputDirectory(out);
    job->SetDataModule(&dm);

    const std::vector<TGeneratedInterface> done = job->GenerateAllInterfaces();
    QCOMPARE(done.size(), std::size_t(faces.size()));
    QStringList bases;
    QStringList said;
    for (const TGeneratedInterface &g : done) {
        bases << g.face.fileBase;
        const QString folder = out + QStringLiteral("/ExportDir/");
        QCOMPARE(g.wsdl, folder + g.face.fileBase + QStringLiteral(".wsdl"));
        QCOMPARE(g.asr, folder + g.face.fileBase + QStringLiteral(".asr"));
        const QString who = g.face.name.isEmpty() ? QStringLiteral("Interface (") + g.face.csvName + u')'
                                                  : QStringLiteral("Interface ") + g.face.name + QStringLiteral(" (")
                                                        + g.face.csvName + u')';
        said << who + QStringLiteral(": ") + g.wsdl << who + QStringLiteral(": ") + g.asr;
    }
    // Name order; the name alone where it is unique.
    QCOMPARE(bases, (QStringList{"anonymous", "IService1", "StockQuotePortType_quotes1", "StockQuotePortType_quotes2",
                                 "StockQuotePortType_quotes3", "Unique"}));
    QStringList files = QDir(out + QStringLiteral("/ExportDir")).entryList(QDir::Files | QDir::Hidden);
    QCOMPARE(files.size(), 2 * faces.size());
    QCOMPARE(m_reporter->texts(TTestReporter::TMessage::Info), said);
    QVERIFY(m_reporter->errors().isEmpty());

    m_reporter->clearRecords();
    QStringList again;
    for (const TGeneratedInterface &g : job->GenerateAllInterfaces())
        again << g.face.fileBase;
    QCOMPARE(again, bases);
    QCOMPARE(QDir(out + QStringLiteral("/ExportDir")).entryList(QDir::Files | QDir::Hidden), files);
}

QTEST_GUILESS_MAIN(TestJob)
#include "tst_job.moc"
