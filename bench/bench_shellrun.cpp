// What the shell's runner adds to the analyser's own time: a whole hosted
// analysis (settings, job, structure, staging, parameter files, the run
// under the watcher, renaming back, cleanup, the job saved) against the
// analyser alone on the same staged inputs.
//   bench_shellrun [PROGRAMS]   (default: the examples' COBOL system alone)
// With PROGRAMS a generated system of that many called programs is analysed
// instead, in three components of four modules each.

#include "HostedAnalysis.h"
#include "Reporting.h"
#include "TextFile.h"

#include <QCoreApplication>
#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <cstdio>

namespace {

QStringList sourcesOf(const QString &root)
{
    QStringList files;
    QDirIterator it(root, {QStringLiteral("*.cbl"), QStringLiteral("*.cob"), QStringLiteral("*.cpy")}, QDir::Files,
                    QDirIterator::Subdirectories);
    while (it.hasNext())
        files << it.next();
    files.sort(Qt::CaseInsensitive);
    return files;
}

void generateSystem(const QString &root, int programs)
{
    for (int i = 0; i < programs; ++i) {
        const QString name = QStringLiteral("PGM%1").arg(i, 5, 10, QLatin1Char('0'));
        const QString folder = QStringLiteral("%1/COMP%2/MOD%3").arg(root).arg(i % 3).arg(i % 4);
        QDir().mkpath(folder);
        QStringList lines{QStringLiteral("       IDENTIFICATION DIVISION."), QStringLiteral("       PROGRAM-ID. ") + name + u'.',
                          QStringLiteral("       DATA DIVISION."), QStringLiteral("       WORKING-STORAGE SECTION."),
                          QStringLiteral("       01  WS-COUNT PIC 9(4) VALUE 0."), QStringLiteral("       LINKAGE SECTION."),
                          QStringLiteral("       01  LK-AREA."), QStringLiteral("           05  LK-KEY PIC X(10)."),
                          QStringLiteral("           05  LK-AMOUNT PIC S9(7)V99 COMP-3."),
                          QStringLiteral("       PROCEDURE DIVISION USING LK-AREA."), QStringLiteral("       MAIN-PARA.")};
        for (int s = 0; s < 40; ++s)
            lines << QStringLiteral("           IF LK-AMOUNT > %1 ADD 1 TO WS-COUNT END-IF.").arg(s);
        lines << QStringLiteral("           GOBACK.");
        TextFile::writeLines(folder + u'/' + name + QStringLiteral(".cbl"), lines);
    }
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const int programs = argc > 1 ? QString::fromLocal8Bit(argv[1]).toInt() : 0;
    QTemporaryDir dir;
    // A private installation: the build's programs linked, the settings copied
    // with the staging kept, so that the analyser can run alone on it afterwards.
    const QString bin = dir.filePath(QStringLiteral("bin"));
    QDir().mkpath(bin);
    for (const QFileInfo &f : QDir(QStringLiteral(QUENBAR_BIN_DIR)).entryInfoList(QDir::AllEntries | QDir::NoDotAndDotDot))
        if (f.fileName() != QLatin1String("Quenbar_Mireth.INI"))
            QFile::link(f.absoluteFilePath(), bin + u'/' + f.fileName());
    QStringList settings = TextFile::readLines(QStringLiteral(QUENBAR_BIN_DIR "/Quenbar_Mireth.INI"));
    settings.replaceInStrings(QStringLiteral("Runcontrol.DeleteAfter=Y"), QStringLiteral("Runcontrol.DeleteAfter=N"));
    TextFile::writeLines(bin + QStringLiteral("/Quenbar_Mireth.INI"), settings);

    const QString root = programs > 0 ? dir.filePath(QStringLiteral("src/SYSTEM")) : QStringLiteral(QUENBAR_EXAMPLES_DIR "/cobol/ORDERS");
    if (programs > 0)
        generateSystem(root, programs);
    const QStringList sources = sourcesOf(root);
    const QString out = dir.filePath(QStringLiteral("out"));
    QStringList job{QStringLiteral("StreamToIni.FileFormat=1"), QStringLiteral("[RadioButtons]"),
                    QStringLiteral("ActiveRadioButton=RadioButtonCob85"), QStringLiteral("[Properties]"),
                    QStringLiteral("ProjectName=BenchSystemIbm Enterprise"), QStringLiteral("ProjectProductName=Bench"),
                    QStringLiteral("ProjectSystemName=System"), QStringLiteral("ProjectSystemVersion=1.0"),
                    QStringLiteral("ProjectSubVersion=IBM Enterprise"), QStringLiteral("MaxDirDepth=2"),
                    QStringLiteral("[Form - frmOstrinMain]"), QStringLiteral("[TFrames]"),
                    QStringLiteral("frmOstrinMain.FrameFindDirectoryOutputDir.Edit=") + out + QStringLiteral("/COB85"),
                    QStringLiteral("[CheckListBoxes]"), QStringLiteral("[TCheckListBox - frmOstrinMain.CheckListBoxSelectedFiles]"),
                    QStringLiteral("frmOstrinMain.CheckListBoxSelectedFiles=CheckListBoxSelectedFiles")};
    for (const QString &s : sources)
        job << QStringLiteral("YY") + s;
    job << QStringLiteral("[Konyec szkazki]");
    QDir().mkpath(out + QStringLiteral("/COB85/Metrics"));   // a used output directory: no question
    TextFile::writeLines(out + QStringLiteral("/BenchSystemIbm Enterprise.jmrt"), job);

    Ostrin::TShellHost host;
    host.OutputDirectory = out;
    host.ActiveLanguage = QStringLiteral("RadioButtonCob85");
    host.ProductName = QStringLiteral("Bench");
    host.SystemName = QStringLiteral("System");
    host.Version = QStringLiteral("1.0");
    host.ProjectDirectory = out + u'/';
    host.HostJobPath = out + QStringLiteral("/BenchSystemIbm Enterprise");
    TConsoleReporter reporter(true);
    QElapsedTimer whole;
    whole.start();
    const bool ok = RunHostedAnalysis(host, 3, bin + QStringLiteral("/Quenbar"), &reporter);
    const qint64 wholeMs = whole.elapsed();
    if (!ok) {
        std::fprintf(stderr, "bench_shellrun: the hosted analysis failed\n");
        return 1;
    }

    // The analyser alone on the staged inputs the run left.
    QProcess tool;
    tool.setWorkingDirectory(out + QStringLiteral("/COB85"));
    tool.setStandardOutputFile(QProcess::nullDevice());
    QElapsedTimer alone;
    alone.start();
    tool.start(bin + QStringLiteral("/COBReDoc/COBReDoc"), {QStringLiteral("last.xml")});
    if (!tool.waitForFinished(-1) || tool.exitCode() != 0) {
        std::fprintf(stderr, "bench_shellrun: the analyser alone failed\n");
        return 1;
    }
    const qint64 aloneMs = alone.elapsed();
    std::printf("%lld sources: whole run %lld ms, analyser alone %lld ms, the shell adds %lld ms\n",
                static_cast<long long>(sources.size()), static_cast<long long>(wholeMs),
                static_cast<long long>(aloneMs), static_cast<long long>(wholeMs - aloneMs));
    return 0;
}
