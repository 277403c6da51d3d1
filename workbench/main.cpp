// The program's start: the application, the windows in their order, the
// event loop until the workbench window closes.

#include "CommandDispatch.h"
#include "ProgressQuenbar.h"
#include "QuenbarDB.h"
#include "QuenbarMain.h"

#include <QTimer>

int main(int argc, char **argv)
{
    TQuenbarApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("Quenbar shell application"));
    QGuiApplication::setApplicationDisplayName(QStringLiteral("Quenbar shell application"));
    QApplication::setQuitOnLastWindowClosed(true);

    TfrmQuenbarMain frmQuenbarMain;
    TfrmProgressQuenbar frmProgressQuenbar(&frmQuenbarMain);
    TDM DM;
    DM.SetStatusBar(frmQuenbarMain.MyStB);
    frmQuenbarMain.setProgressWindow(&frmProgressQuenbar);
    frmQuenbarMain.setDataModule(&DM);

    // A failed start ends the program even while other windows are open.
    QObject::connect(&frmQuenbarMain, &TfrmQuenbarMain::fatalStartReported, &app, [] { QCoreApplication::exit(1); },
                     Qt::QueuedConnection);
    // For the README's picture: QUENBAR_SNAPSHOT=<png> saves the started window and quits.
    const QString snapshot = qEnvironmentVariable("QUENBAR_SNAPSHOT");
    if (!snapshot.isEmpty())
        QObject::connect(&frmQuenbarMain, &TfrmQuenbarMain::startFinished, &app, [&frmQuenbarMain, snapshot] {
            QTimer::singleShot(500, &frmQuenbarMain, [&frmQuenbarMain, snapshot] {
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
