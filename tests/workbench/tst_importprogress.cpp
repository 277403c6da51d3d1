#include "Errors.h"
#include "ProgressQuenbar.h"
#include "QuenbarDB.h"
#include "ScriptedDialogs.h"
#include "WsdlImport.h"
#include "WsdlTestDocuments.h"

#include <QKeyEvent>
#include <QProgressBar>
#include <QTemporaryDir>
#include <QtTest>

// The import in the workbench's progress window: the window counts the
// operations, and Esc there asks whether to stop.
class TestImportProgress : public QObject
{
    Q_OBJECT

private slots:
    void stopInProgressWindowRollsBack();
};

void TestImportProgress::stopInProgressWindowRollsBack()
{
    QTemporaryDir tmp;
    TScriptedDialogs dialogs;
    TfrmProgressQuenbar progress;
    TDM dm;
    TWsdlImporter importer(dm, tmp.path(), &progress);
    importer.ImportWsdlFile(writeFile(tmp.filePath(QStringLiteral("Shop.wsdl")), goodShop()));
    QCOMPARE(progress.windowTitle(), QStringLiteral("Importing Shop.wsdl"));
    QCOMPARE(progress.ProgressBar->maximum(), 2);
    QCOMPARE(progress.ProgressBar->value(), 2);
    QCOMPARE(dialogs.messageCount(), 0);
    const QStringList before = snapshot(dm);

    // Esc during the first operation's step; Yes stops the import silently.
    dialogs.answerMessage(mbYes);
    importer.SetOperationObserver([&](int done, int) {
        if (done == 1)
            QCoreApplication::postEvent(&progress, new QKeyEvent(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier));
    });
    const QString second = writeFile(tmp.filePath(QStringLiteral("new/Shop.wsdl")), twoOperationShop());
    bool aborted = false;
    try {
        importer.ImportWsdlFile(second);
    } catch (const EAbort &) {
        aborted = true;
    }
    QVERIFY(aborted);
    QCOMPARE(dialogs.messageCount(), 1);
    QCOMPARE(dialogs.lastMessage().text, QString::fromUtf8("Tényleg meg akarod szakítani a feldolgozást?"));
    QVERIFY(!dm.Importing());
    QCOMPARE(snapshot(dm), before);
}

QTEST_MAIN(TestImportProgress)
#include "tst_importprogress.moc"
