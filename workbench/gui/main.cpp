// The program's start: the application, the windows in their order, the
// event loop until the workbench window closes. Started under the name of
// an analysis shell kind, the program is that shell instead.

#include "CommandDispatch.h"
#include "MyStatusBar.h"
#include "OstrinMain.h"
#include "ProgressQuenbar.h"
#include "QuenbarDB.h"
#include "QuenbarMain.h"

#include <QFileInfo>
#include <QStandardPaths>
#include <QTabWidget>
#include <QTextStream>
#include <QTimer>

#include <memory>

namespace {

// The shell on its own: the program's name chose its kind.
int runShell(TQuenbarApplication &app, const QString &programPath)
{
    TfrmOstrinMain shell(QStringList(), nullptr, programPath);
    QApplication::setQuitOnLastWindowClosed(true);
    QObject::connect(&shell, &TfrmOstrinMain::fatalStartReported, &app, [] { QCoreApplication::exit(1); },
                     Qt::QueuedConnection);
    // QUENBAR_SNAPSHOT=<png> saves the started window, names its caption on stdout and quits.
    const QString snapshot = qEnvironmentVariable("QUENBAR_SNAPSHOT");
    if (!snapshot.isEmpty())
        QObject::connect(&shell, &TfrmOstrinMain::startFinished, &app, [&shell, snapshot] {
            // QUENBAR_SNAPSHOT_PAGE=<page object name> shows that page first.
            const QString page = qEnvironmentVariable("QUENBAR_SNAPSHOT_PAGE");
            if (QWidget *w = page.isEmpty() ? nullptr : shell.findChild<QWidget *>(page))
                shell.PageControlMain->setCurrentWidget(w);
            QTimer::singleShot(300, &shell, [&shell, snapshot] {
                shell.grab().save(snapshot);
                QTextStream(stdout) << shell.objectName() << ": " << shell.windowTitle() << Qt::endl;
                QCoreApplication::exit(shell.MyStB->Severity() > 1 ? 1 : 0);
            });
        });
    shell.show();
    const int status = app.exec();
    return shell.fatalStart() ? 1 : status;
}

} // namespace

int main(int argc, char **argv)
{
    TQuenbarApplication app(argc, argv);
    // The name it was started under, a link's own name and folder, not its target's.
    const QString started = argc > 0 ? QFile::decodeName(argv[0]) : QString();
    QString programPath = started.contains(QLatin1Char('/')) ? QFileInfo(started).absoluteFilePath()
                                                             : QStandardPaths::findExecutable(started);
    if (programPath.isEmpty())
        programPath = QCoreApplication::applicationDirPath() + QLatin1Char('/') + QFileInfo(started).fileName();
    if (!Ostrin::SelectApplicationKind(programPath, 0).AppName.isEmpty())
        return runShell(app, programPath);
    QCoreApplication::setApplicationName(QStringLiteral("Quenbar shell application"));
    QGuiApplication::setApplicationDisplayName(QStringLiteral("Quenbar shell application"));
    QApplication::setQuitOnLastWindowClosed(true);

    std::unique_ptr<TDM> DM;   // declared first: it outlives the windows that show it
    TfrmQuenbarMain frmQuenbarMain;
    TfrmProgressQuenbar frmProgressQuenbar(&frmQuenbarMain);
    DM = std::make_unique<TDM>();
    DM->SetReporter(frmQuenbarMain.MyStB);
    frmQuenbarMain.setProgressWindow(&frmProgressQuenbar);
    frmQuenbarMain.setDataModule(DM.get());

    // A failed start ends the program even while other windows are open.
    QObject::connect(&frmQuenbarMain, &TfrmQuenbarMain::fatalStartReported, &app, [] { QCoreApplication::exit(1); },
                     Qt::QueuedConnection);
    // For the README's picture: QUENBAR_SNAPSHOT=<png> saves the started window and quits.
    const QString snapshot = qEnvironmentVariable("QUENBAR_SNAPSHOT");
    if (!snapshot.isEmpty())
        QObject::connect(&frmQuenbarMain, &TfrmQuenbarMain::startFinished, &app, [&frmQuenbarMain, &DM, snapshot] {
            // QUENBAR_SNAPSHOT_PAGE=<page object name> shows that page first,
            // QUENBAR_SNAPSHOT_INTERFACE=<name> makes that interface current.
            const QString page = qEnvironmentVariable("QUENBAR_SNAPSHOT_PAGE");
            if (QWidget *w = page.isEmpty() ? nullptr : frmQuenbarMain.findChild<QWidget *>(page))
                frmQuenbarMain.PageControlMain->setCurrentWidget(w);
            const QString face = qEnvironmentVariable("QUENBAR_SNAPSHOT_INTERFACE");
            if (!face.isEmpty() && DM->Connected() && DM->TableInterfaces().Active())
                DM->TableInterfaces().LocateByName(face);
            QTimer::singleShot(800, &frmQuenbarMain, [&frmQuenbarMain, snapshot] {
                frmQuenbarMain.grab().save(snapshot);
                QCoreApplication::exit(0);
            });
        });
    QObject::connect(&frmQuenbarMain, &TfrmQuenbarMain::autoRunFinished, &app,
                     [](int status) { QCoreApplication::exit(status); }, Qt::QueuedConnection);
    frmQuenbarMain.show();
    const int status = app.exec();
    return frmQuenbarMain.fatalStart() ? 1 : status;
}
