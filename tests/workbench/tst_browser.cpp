#include "CrossrefReport.h"
#include "Kereso.h"
#include "LayoutHelpers.h"
#include "QuenbarDB.h"
#include "RepositoryBrowser.h"
#include "ScriptedDialogs.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QHeaderView>
#include <QLineEdit>
#include <QProcess>
#include <QRegularExpression>
#include <QSplitter>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QToolButton>
#include <QVBoxLayout>
#include <QWheelEvent>
#include <QtTest>

#include <memory>

namespace {

struct TParam
{
    const char *name;
    int level;
    const char *type;
    bool simple;
    const char *comment;
};

struct TMessage
{
    const char *direction;
    const char *name;
    QList<TParam> params;
};

struct TOperation
{
    const char *name;
    QList<TMessage> messages;
};

struct TInterface
{
    const char *name;
    const char *csv;
    QList<TOperation> operations;
};

// Rows go in through the module, as the import writes them: keys, ancestor
// keys and duplicate groups are the module's own.
void addParameter(TDM &dm, const TParam &p, QString qualifier)
{
    TRepositoryTable &t = dm.TableParameters();
    t.Insert();
    t.SetFieldValue(QStringLiteral("Name"), QString::fromUtf8(p.name));
    t.SetFieldValue(QStringLiteral("TypeX"), QString::fromUtf8(p.type));
    t.SetFieldValue(QStringLiteral("XS_Type"), p.simple);
    t.SetFieldValue(QStringLiteral("LevelX"), p.level);
    t.SetFieldValue(QStringLiteral("Kommentar"), QString::fromUtf8(p.comment));
    t.SetFieldValue(QStringLiteral("DupliCheck"), dm.DuplicateKey(qualifier));
    t.Post();
}

void addInterface(TDM &dm, const TInterface &i)
{
    dm.TableInterfaces().Insert({{QStringLiteral("Name"), QString::fromUtf8(i.name)},
                                 {QStringLiteral("CSVName"), QString::fromUtf8(i.csv)}});
    for (const TOperation &o : i.operations) {
        dm.TableOperations().Insert({{QStringLiteral("Name"), QString::fromUtf8(o.name)}});
        for (const TMessage &m : o.messages) {
            dm.TableInputsOutputs().Insert({{QStringLiteral("TypeX"), QString::fromUtf8(m.direction)},
                                            {QStringLiteral("Name"), QString::fromUtf8(m.name)}});
            for (const TParam &p : m.params)
                addParameter(dm, p, QString::fromUtf8(m.name));
        }
    }
}

const int BulkFields = 300;

void fillRepository(TDM &dm)
{
    TRepositoryTransaction tx(dm);
    dm.SetImporting(true);
    addInterface(dm, {"CustomerService",
                      "customer",
                      {{"GET",
                        {{"input", "GETRequest", {{"CUSTNO", 1, "string", true, "Ügyfél azonosító"}}},
                         {"output",
                          "GETResponse",
                          {{"CUSTOMER", 1, "Customer", false, ""},
                           {"NAME", 2, "string", true, "Név"},
                           {"CITY", 2, "string", true, ""}}}}},
                       {"PUT",
                        {{"input",
                          "PUTRequest",
                          {{"CUSTNO", 1, "string", true, "first"},
                           {"CUSTNO", 1, "string", true, "second"},
                           {"NOTE", 1, "string", true, ""}}},
                         {"output", "PUTResponse", {{"RESULT", 1, "int", true, ""}}}}}}});
    addInterface(dm, {"OrderService",
                      "order",
                      {{"GET",
                        {{"input", "GETOrderRequest", {{"ORDERNO", 1, "string", true, ""}}},
                         {"output",
                          "GETOrderResponse",
                          {{"AMOUNT", 1, "decimal", true, "Összeg"}, {"CURRENCY", 1, "string", true, ""}}}}},
                       {"LIST",
                        {{"input", "LISTRequest", {{"FILTER", 1, "string", true, ""}}},
                         {"output",
                          "LISTResponse",
                          {{"ORDERS", 1, "OrderList", false, ""}, {"ORDERNO", 2, "string", true, ""}}}}}}});
    TMessage bulk{"input", "LOADRequest", {}};
    std::vector<QByteArray> names;
    for (int i = 0; i < BulkFields; ++i)
        names.push_back(QStringLiteral("FIELD%1").arg(i, 3, 10, QLatin1Char('0')).toLatin1());
    for (const QByteArray &n : names)
        bulk.params.append({n.constData(), 1, "string", true, ""});
    addInterface(dm, {"BulkService", "bulk", {{"LOAD", {bulk}}}});
    dm.SetImporting(false);
    tx.Commit();
}

QStringList columnTexts(const QAbstractItemModel *model, int column)
{
    QStringList texts;
    for (int r = 0; r < model->rowCount(); ++r)
        texts << model->data(model->index(r, column)).toString();
    return texts;
}

QString crossrefRowText(const TCrossrefRow &r)
{
    return QStringList{r.interface, r.operation, r.direction, r.ioname, r.parametername, r.depth}.join(QLatin1Char('|'));
}

QString normalized(const QString &text)
{
    return text.simplified();
}

// The title's letters are spread with blanks; text extraction may put
// them back together into words.
QStringList titleForms()
{
    QStringList words;
    for (const QString &word : TQRfrm_Crossref::Title().split(QStringLiteral("  "), Qt::SkipEmptyParts))
        words << QString(word).remove(QLatin1Char(' '));
    return {normalized(TQRfrm_Crossref::Title()), words.join(QLatin1Char(' '))};
}

qsizetype titleAt(const QString &text)
{
    for (const QString &form : titleForms())
        if (const qsizetype at = text.indexOf(form); at >= 0)
            return at;
    return -1;
}

qsizetype titleCount(const QString &text)
{
    qsizetype n = 0;
    for (const QString &form : titleForms())
        n = std::max(n, text.count(form));
    return n;
}

void positionOn(TDM &dm, const QString &interface, const QString &operation = QString(),
                const QString &message = QString(), const QString &parameter = QString())
{
    QVERIFY(dm.TableInterfaces().LocateByName(interface));
    if (!operation.isEmpty())
        QVERIFY(dm.TableOperations().LocateByName(operation));
    if (!message.isEmpty())
        QVERIFY(dm.TableInputsOutputs().LocateByName(message));
    if (!parameter.isEmpty())
        QVERIFY(dm.TableParameters().LocateByName(parameter));
}

} // namespace

class TestBrowser : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void refilterDownTheChain();
    void wheelMovesThreeRows();
    void dragStartThreshold_data();
    void dragStartThreshold();
    void hiddenBrowserFollowsOnShow();
    void editingPropagatesToDuplicates();
    void confirmedDeletion_data();
    void confirmedDeletion();
    void searchPositionsTheBrowser_data();
    void searchPositionsTheBrowser();
    void searchButtonsReleaseEachOther();
    void searchRowClickTakesTheName();
    void leavingThePageClosesTheSearch();
    void enterPageCreatesRepository();
    void enterPageWithoutOutputDirectory();
    void fitBrowserColumns();
    void parametersShowWholeNames();
    void editorsStayAligned();
    void crossreference_data();
    void crossreference();
    void crossreferenceActions();
    void crossreferencePdfText();

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<TDM> m_dm;
    std::unique_ptr<QWidget> m_window;
    TFrameWSDLView *m_view = nullptr;

    void showView();
};

void TestBrowser::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    m_dm = std::make_unique<TDM>();
    QVERIFY(m_dm->OpenRepository(m_dir->filePath(QStringLiteral("ParadoxDB")), false));
    fillRepository(*m_dm);
    for (TRepositoryTable *t : {&m_dm->TableInterfaces(), &m_dm->TableOperations(), &m_dm->TableInputsOutputs(),
                                &m_dm->TableParameters()})
        t->First();
    m_window = std::make_unique<QWidget>();
    auto *layout = new QVBoxLayout(m_window.get());
    m_view = new TFrameWSDLView(*m_dm, nullptr, nullptr, m_window.get());
    layout->addWidget(m_view);
}

void TestBrowser::cleanup()
{
    m_window.reset();
    m_view = nullptr;
    m_dm.reset();
    m_dir.reset();
}

void TestBrowser::showView()
{
    m_window->resize(1100, 600);
    m_window->show();
    QApplication::setActiveWindow(m_window.get());
    QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
}

void TestBrowser::refilterDownTheChain()
{
    showView();
    TDM &dm = *m_dm;
    // Name order: BulkService, CustomerService, OrderService.
    QCOMPARE(columnTexts(m_view->DataSourceInterfaces, 0),
             (QStringList{"BulkService", "CustomerService", "OrderService"}));
    QCOMPARE(m_view->DBGrid1->currentIndex().row(), 0);
    QCOMPARE(m_view->DataSourceParameters->rowCount(), BulkFields);
    // Only the rows in view are read, not the whole message (or table).
    QVERIFY(m_view->DataSourceParameters->RowsRead() <= 2 * TRepositoryGridModel::PageSize);

    // Picking a row in a grid moves its table; the grids to its right follow.
    m_view->DBGrid1->setCurrentIndex(m_view->DataSourceInterfaces->index(2, 0));
    QCOMPARE(dm.TableInterfaces().AsString("Name"), QStringLiteral("OrderService"));
    QCOMPARE(columnTexts(m_view->DataSourceOperations, 0), (QStringList{"GET", "LIST"}));
    QCOMPARE(m_view->DBGrid2->currentIndex().row(), 0);
    QCOMPARE(columnTexts(m_view->DataSourceInputsOutputs, 0), (QStringList{"input", "output"}));
    QCOMPARE(columnTexts(m_view->DataSourceInputsOutputs, 1), (QStringList{"GETOrderRequest", "GETOrderResponse"}));
    QCOMPARE(columnTexts(m_view->DataSourceParameters, 1).size(), 1);
    QCOMPARE(columnTexts(m_view->DataSourceParameters, 2), QStringList{"string"});

    m_view->DBGrid2->setCurrentIndex(m_view->DataSourceOperations->index(1, 0));
    QCOMPARE(dm.TableOperations().AsString("Name"), QStringLiteral("LIST"));
    m_view->DBGrid3->setCurrentIndex(m_view->DataSourceInputsOutputs->index(1, 0));
    QCOMPARE(dm.TableInputsOutputs().AsString("Name"), QStringLiteral("LISTResponse"));
    // "Leve" (level), the level picture and the type.
    QCOMPARE(columnTexts(m_view->DataSourceParameters, 0), (QStringList{"1", "2"}));
    QCOMPARE(columnTexts(m_view->DataSourceParameters, 1),
             (QStringList{QString(5, ' ') + "01  ORDERS", QString(10, ' ') + "02  ORDERNO"}));
    QCOMPARE(columnTexts(m_view->DataSourceParameters, 2), (QStringList{"OrderList", "string"}));
    QCOMPARE(m_view->DataSourceParameters->headerData(0, Qt::Horizontal).toString(), QStringLiteral("Leve"));
    QCOMPARE(m_view->DataSourceParameters->headerData(2, Qt::Horizontal).toString(), QStringLiteral("Type"));
    QCOMPARE(m_view->DataSourceInputsOutputs->headerData(0, Qt::Horizontal).toString(), QStringLiteral("Type"));
    QCOMPARE(m_view->DataSourceParameters->data(m_view->DataSourceParameters->index(0, 0), Qt::TextAlignmentRole)
                 .value<Qt::Alignment>(),
             Qt::Alignment(Qt::AlignCenter));

    // Moving the table elsewhere (the navigator, a locate) moves the grids.
    QVERIFY(dm.TableInterfaces().LocateByName("CustomerService"));
    QCOMPARE(m_view->DBGrid1->currentIndex().row(), 1);
    QCOMPARE(columnTexts(m_view->DataSourceOperations, 0), (QStringList{"GET", "PUT"}));
    m_view->frmEditorFrame2->DBNavigator->ButtonNext->click();
    QCOMPARE(dm.TableOperations().AsString("Name"), QStringLiteral("PUT"));
    QCOMPARE(m_view->DBGrid2->currentIndex().row(), 1);
    QCOMPARE(columnTexts(m_view->DataSourceInputsOutputs, 1), (QStringList{"PUTRequest", "PUTResponse"}));
    QCOMPARE(m_view->frmEditorFrame2->DBEditName->text(), QStringLiteral("PUT"));
    QCOMPARE(m_view->frmEditorFrame3->DBEditName->text(), QStringLiteral("PUTRequest"));
    QCOMPARE(m_view->frmEditorFrame4->DBEditKommentar->text(), QStringLiteral("first"));
}

void TestBrowser::wheelMovesThreeRows()
{
    showView();
    TRepositoryTable &params = m_dm->TableParameters();
    QCOMPARE(params.RecNo(), 0);
    QWidget *viewport = m_view->DBGrid4->viewport();
    const QPoint at(10, 10);
    auto turn = [&](int delta) {
        QWheelEvent wheel(at, viewport->mapToGlobal(at), QPoint(), QPoint(0, delta), Qt::NoButton, Qt::NoModifier,
                          Qt::NoScrollPhase, false);
        QApplication::sendEvent(viewport, &wheel);
        return wheel.isAccepted();
    };
    QVERIFY(turn(-120));
    QCOMPARE(params.RecNo(), 3);
    QVERIFY(turn(-120));
    QCOMPARE(params.RecNo(), 6);
    QVERIFY(turn(120));
    QCOMPARE(params.RecNo(), 3);
    QCOMPARE(m_view->DBGrid4->currentIndex().row(), 3);
}

void TestBrowser::dragStartThreshold_data()
{
    QTest::addColumn<QPoint>("moved");
    QTest::addColumn<bool>("started");
    QTest::newRow("4 right") << QPoint(4, 0) << false;
    QTest::newRow("5 right") << QPoint(5, 0) << true;
    QTest::newRow("5 up") << QPoint(0, -5) << true;
    QTest::newRow("4 left, 4 down") << QPoint(-4, 4) << false;
}

void TestBrowser::dragStartThreshold()
{
    QFETCH(QPoint, moved);
    QFETCH(bool, started);
    showView();
    int drags = 0;
    m_view->DBGrid1->OnStartDrag = [&drags] { ++drags; };
    QWidget *viewport = m_view->DBGrid1->viewport();
    const QPoint down = m_view->DBGrid1->visualRect(m_view->DataSourceInterfaces->index(1, 0)).center();
    QTest::mousePress(viewport, Qt::LeftButton, {}, down);
    QTest::mouseMove(viewport, down + moved);
    QTest::mouseRelease(viewport, Qt::LeftButton, {}, down + moved);
    QCOMPARE(drags, started ? 1 : 0);
    // Without a handler the grid just selects.
    m_view->DBGrid1->OnStartDrag = nullptr;
    QTest::mousePress(viewport, Qt::LeftButton, {}, down);
    QTest::mouseMove(viewport, down + QPoint(20, 0));
    QTest::mouseRelease(viewport, Qt::LeftButton, {}, down + QPoint(20, 0));
    QCOMPARE(m_dm->TableInterfaces().AsString("Name"), QStringLiteral("CustomerService"));
}

void TestBrowser::hiddenBrowserFollowsOnShow()
{
    showView();
    TDM &dm = *m_dm;
    positionOn(dm, "CustomerService", "PUT", "PUTRequest");
    QCOMPARE(m_view->DataSourceParameters->rowCount(), 3);
    // Another page is shown (an import runs): the grids do not follow meanwhile.
    m_window->hide();
    QVERIFY(m_view->DataSourceParameters->Suspended());
    const qint64 read = m_view->DataSourceParameters->RowsRead();
    for (const char *name : {"EXTRA1", "EXTRA2"})
        dm.TableParameters().Insert({{QStringLiteral("Name"), QString::fromLatin1(name)}, {QStringLiteral("LevelX"), 1}});
    QCOMPARE(m_view->DataSourceParameters->rowCount(), 3);
    QCOMPARE(m_view->DataSourceParameters->RowsRead(), read);
    // Back on the page they show the table as it is now.
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
    QVERIFY(!m_view->DataSourceParameters->Suspended());
    QCOMPARE(m_view->DataSourceParameters->rowCount(), 5);
    QCOMPARE(m_view->DBGrid4->currentIndex().row(), 4);
    QVERIFY(m_view->DataSourceParameters->data(m_view->DataSourceParameters->index(4, 1)).toString().endsWith("EXTRA2"));
}

void TestBrowser::editingPropagatesToDuplicates()
{
    showView();
    TDM &dm = *m_dm;
    positionOn(dm, "CustomerService", "PUT", "PUTRequest");
    QCOMPARE(m_view->DBGrid4->currentIndex().row(), 0);

    TFrameEditor *editor = m_view->frmEditorFrame4;
    editor->DBEditName->setFocus();
    QTRY_VERIFY(editor->DBEditName->hasFocus());
    editor->DBEditName->selectAll();
    QTest::keyClicks(editor->DBEditName, "CUSTNUM");
    QCOMPARE(dm.TableParameters().State(), TRepositoryTable::TState::Edit);
    // The grid shows the pending name before the post.
    QVERIFY(m_view->DataSourceParameters->data(m_view->DataSourceParameters->index(0, 1)).toString().endsWith("CUSTNUM"));
    QVERIFY(m_view->DataSourceParameters->data(m_view->DataSourceParameters->index(1, 1)).toString().endsWith("CUSTNO"));

    // Leaving the editor posts; the duplicate in the same group follows.
    m_view->DBGrid4->setFocus();
    QTRY_COMPARE(dm.TableParameters().State(), TRepositoryTable::TState::Browse);
    QCOMPARE(columnTexts(m_view->DataSourceParameters, 1),
             (QStringList{QString(5, ' ') + "01  CUSTNUM", QString(5, ' ') + "01  CUSTNUM", QString(5, ' ') + "01  NOTE"}));
    // The comment went with the name; the CUSTNO of another message (another group) stays.
    QSqlQuery q = dm.QWork();
    QVERIFY(q.exec("select count(*) from Parameters where Name = 'CUSTNUM' and Kommentar = 'first'"));
    QVERIFY(q.next());
    QCOMPARE(q.value(0).toInt(), 2);
    QVERIFY(q.exec("select count(*) from Parameters where Name = 'CUSTNO'"));
    QVERIFY(q.next());
    QCOMPARE(q.value(0).toInt(), 1);
}

void TestBrowser::confirmedDeletion_data()
{
    QTest::addColumn<int>("answer");
    QTest::addColumn<int>("rowsAfter");
    QTest::newRow("cancelled") << int(mbCancel) << 3;
    QTest::newRow("confirmed") << int(mbOK) << 2;
}

void TestBrowser::confirmedDeletion()
{
    QFETCH(int, answer);
    QFETCH(int, rowsAfter);
    showView();
    TScriptedDialogs dialogs;
    dialogs.answerMessage(answer);
    positionOn(*m_dm, "CustomerService", "PUT", "PUTRequest", "NOTE");
    QTest::keyClick(m_view->DBGrid4, Qt::Key_Delete, Qt::ControlModifier);
    QCOMPARE(dialogs.messageCount(), 1);
    QCOMPARE(dialogs.lastMessage().type, TMsgDlgType::Confirmation);
    QCOMPARE(m_view->DataSourceParameters->rowCount(), rowsAfter);
}

void TestBrowser::searchPositionsTheBrowser_data()
{
    QTest::addColumn<int>("column");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("completed");
    QTest::addColumn<QStringList>("positions"); // current names of the four tables

    QTest::newRow("parameter") << 3 << "AMOU" << "AMOUNT"
                               << QStringList{"OrderService", "GET", "GETOrderResponse", "AMOUNT"};
    QTest::newRow("message") << 2 << "LISTRes" << "LISTResponse"
                             << QStringList{"OrderService", "LIST", "LISTResponse", "ORDERS"};
    QTest::newRow("operation") << 1 << "PU" << "PUT" << QStringList{"CustomerService", "PUT", "PUTRequest", "CUSTNO"};
    // An interface row carries no "InterfacesKulcs" of its own; its key is used.
    QTest::newRow("interface") << 0 << "Ord" << "OrderService"
                               << QStringList{"OrderService", "GET", "GETOrderRequest", "ORDERNO"};
}

void TestBrowser::searchPositionsTheBrowser()
{
    QFETCH(int, column);
    QFETCH(QString, typed);
    QFETCH(QString, completed);
    QFETCH(QStringList, positions);
    showView();
    TDM &dm = *m_dm;
    QToolButton *buttons[] = {m_view->SpeedButton1, m_view->SpeedButton2, m_view->SpeedButton3, m_view->SpeedButton4};
    TDBGridWithDrag *grids[] = {m_view->DBGrid1, m_view->DBGrid2, m_view->DBGrid3, m_view->DBGrid4};
    TFrameEditor *editors[] = {m_view->frmEditorFrame1, m_view->frmEditorFrame2, m_view->frmEditorFrame3,
                               m_view->frmEditorFrame4};
    QWidget *panels[] = {m_view->PanelInterfaces, m_view->PanelOperations, m_view->PanelInputsOutputs,
                         m_view->PanelParameters};
    TfrmKereso *kereso = m_view->frmKereso();

    buttons[column]->click();
    QVERIFY(buttons[column]->isChecked());
    QCOMPARE(m_view->SearchedGrid(), grids[column]);
    QVERIFY(kereso->Docked());
    QCOMPARE(kereso->parentWidget(), panels[column]);
    QVERIFY(kereso->isVisible());
    QVERIFY(!grids[column]->isVisible());
    QVERIFY(!editors[column]->isVisible());
    QVERIFY(kereso->TableKereso());
    QCOMPARE(kereso->TableKereso()->TableName(), grids[column]->DataSource()->Table()->TableName());
    // The search starts on the grid's row.
    QCOMPARE(kereso->TableKereso()->Kulcs(), grids[column]->DataSource()->Table()->Kulcs());

    kereso->EKereso->clear();
    QTest::keyClicks(kereso->EKereso, typed);
    QCOMPARE(kereso->EKereso->text(), completed);
    QCOMPARE(kereso->TableKereso()->AsString("Name"), completed);
    QCOMPARE(kereso->DBGridKereso->currentIndex().row(), kereso->TableKereso()->RecNo());
    TRepositoryTable *tables[] = {&dm.TableInterfaces(), &dm.TableOperations(), &dm.TableInputsOutputs(),
                                  &dm.TableParameters()};
    // The searched column's grid is hidden meanwhile; it follows once shown.
    for (int i = 0; i < 4; ++i) {
        QCOMPARE(tables[i]->AsString("Name"), positions[i]);
        if (i != column)
            QCOMPARE(grids[i]->currentIndex().row(), tables[i]->RecNo());
    }
    const qint64 found = kereso->TableKereso()->Kulcs();

    // Releasing the button puts the column back, on the row found.
    buttons[column]->click();
    QVERIFY(!buttons[column]->isChecked());
    QVERIFY(!kereso->Docked());
    QVERIFY(!kereso->isVisible());
    QVERIFY(!kereso->TableKereso());
    QVERIFY(grids[column]->isVisible());
    QVERIFY(editors[column]->isVisible());
    QCOMPARE(tables[column]->Kulcs(), found);
    QCOMPARE(grids[column]->currentIndex().row(), tables[column]->RecNo());
    QCOMPARE(grids[column]->DataSource()->KeyAt(grids[column]->currentIndex().row()), found);
}

void TestBrowser::searchButtonsReleaseEachOther()
{
    showView();
    TfrmKereso *kereso = m_view->frmKereso();
    m_view->SpeedButton1->click();
    QCOMPARE(m_view->SearchedGrid(), m_view->DBGrid1);
    m_view->SpeedButton2->click();
    QVERIFY(!m_view->SpeedButton1->isChecked());
    QVERIFY(m_view->SpeedButton2->isChecked());
    QCOMPARE(m_view->SearchedGrid(), m_view->DBGrid2);
    QVERIFY(m_view->DBGrid1->isVisible());
    QVERIFY(m_view->frmEditorFrame1->isVisible());
    QCOMPARE(kereso->parentWidget(), m_view->PanelOperations);
    QCOMPARE(kereso->TableKereso()->TableName(), QStringLiteral("Operations"));
    int pressed = 0;
    for (QToolButton *b : {m_view->SpeedButton1, m_view->SpeedButton2, m_view->SpeedButton3, m_view->SpeedButton4})
        pressed += b->isChecked() ? 1 : 0;
    QCOMPARE(pressed, 1);
}

void TestBrowser::searchRowClickTakesTheName()
{
    showView();
    TfrmKereso *kereso = m_view->frmKereso();
    m_view->SpeedButton4->click();
    TDBGridWithDrag *grid = kereso->DBGridKereso;
    // Name order over the whole Parameters table: AMOUNT comes first.
    QCOMPARE(grid->model()->data(grid->model()->index(0, 0)).toString(), QStringLiteral("AMOUNT"));
    QCOMPARE(grid->model()->rowCount(), BulkFields + 14);
    grid->scrollToTop();
    const QRect cell = grid->visualRect(grid->model()->index(0, 0));
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, cell.center());
    QCOMPARE(kereso->EKereso->text(), QStringLiteral("AMOUNT"));
    QCOMPARE(m_dm->TableParameters().AsString("Name"), QStringLiteral("AMOUNT"));
    QCOMPARE(m_dm->TableInterfaces().AsString("Name"), QStringLiteral("OrderService"));
}

void TestBrowser::leavingThePageClosesTheSearch()
{
    showView();
    m_view->SpeedButton3->click();
    QVERIFY(m_view->frmKereso()->Docked());
    m_view->LeavePage();
    QVERIFY(!m_view->SpeedButton3->isChecked());
    QVERIFY(!m_view->SearchedGrid());
    QVERIFY(!m_view->frmKereso()->Docked());
    QVERIFY(m_view->DBGrid3->isVisible());
}

void TestBrowser::enterPageCreatesRepository()
{
    // A job whose output directory has no repository yet.
    QTemporaryDir out;
    TDM dm;
    {
        TFrameWSDLView view(dm);
        QVERIFY(!dm.Connected());
        view.EnterPage(out.path());
        QVERIFY(dm.Connected());
        QVERIFY(QFileInfo(out.filePath("ParadoxDB")).isDir());
        QSqlQuery q = dm.QWork();
        QVERIFY(q.exec("select name from sqlite_master where type = 'table' order by name"));
        QStringList tables;
        while (q.next())
            tables << q.value(0).toString();
        QCOMPARE(tables, (QStringList{"InputsOutputs", "Interfaces", "Operations", "Parameters", "XDuplis"}));
        QCOMPARE(view.DataSourceInterfaces->rowCount(), 0);
        // An open repository is not opened again.
        const QString file = dm.DatabaseFile();
        view.EnterPage(m_dir->path());
        QCOMPARE(dm.DatabaseFile(), file);
    }
}

void TestBrowser::enterPageWithoutOutputDirectory()
{
    const QString cwd = QDir::currentPath();
    QTemporaryDir here;
    QVERIFY(QDir::setCurrent(here.path()));
    TDM dm;
    TFrameWSDLView view(dm);
    bool failed = false;
    try {
        view.EnterPage(QString());
    } catch (const EQuenbarError &e) {
        failed = true;
        QCOMPARE(e.message(), QStringLiteral("You have to set the output directory(s) first!"));
    }
    QDir::setCurrent(cwd);
    QVERIFY(failed);
    QVERIFY(!dm.Connected());
    QVERIFY(!QFileInfo::exists(here.filePath("ParadoxDB")));
}

void TestBrowser::fitBrowserColumns()
{
    showView();
    TDM &dm = *m_dm;
    // A long name in the current interface row widens its panel.
    dm.TableInterfaces().Edit();
    dm.TableInterfaces().SetFieldValue("Name", QStringLiteral("BulkService_with_a_rather_long_name_for_the_panel"));
    dm.TableInterfaces().Post();
    QCOMPARE(m_view->DBGrid1->currentIndex().row(), 0);
    const qint64 readBefore = m_view->DataSourceParameters->RowsRead();
    m_view->FitBrowserColumns();
    QCoreApplication::processEvents();
    const QList<int> sizes = m_view->SplitterColumns->sizes();
    for (int i = 0; i < 3; ++i) {
        TDBGridWithDrag *grid = i == 0 ? m_view->DBGrid1 : i == 1 ? m_view->DBGrid2 : m_view->DBGrid3;
        QVERIFY2(sizes[i] >= GridPreferredWidth(grid, false) + 5, qPrintable(QString::number(sizes[i])));
    }
    QVERIFY(sizes[0] > TFrameWSDLView::MinimumPanelWidth);
    // Every grid's columns fill its width exactly.
    for (TDBGridWithDrag *grid : {m_view->DBGrid1, m_view->DBGrid2, m_view->DBGrid3, m_view->DBGrid4}) {
        QCOMPARE(GridColumnsWidth(grid), GridFillWidth(grid));
    }
    // Sizing looks at the rows in view only.
    QVERIFY(m_view->DataSourceParameters->RowsRead() - readBefore <= TRepositoryGridModel::PageSize);
}

// The level picture of every parameter in view is drawn whole, not only the
// current row's, and so is every title; the type column takes the rest.
void TestBrowser::parametersShowWholeNames()
{
    showView();
    TDM &dm = *m_dm;
    QVERIFY(dm.TableInterfaces().LocateByName("OrderService"));
    dm.TableOperations().Last();
    dm.TableInputsOutputs().Last();
    dm.TableParameters().Last();
    dm.TableParameters().Edit();
    dm.TableParameters().SetFieldValue("Name", QStringLiteral("CUSTOMER-DELIVERY-ADDRESS-LINE"));
    dm.TableParameters().SetFieldValue("LevelX", 4);
    dm.TableParameters().Post();
    dm.TableParameters().First();
    m_view->FitBrowserColumns();
    QCoreApplication::processEvents();

    TDBGridWithDrag *grid = m_view->DBGrid4;
    QAbstractItemModel *model = grid->model();
    QCOMPARE(model->rowCount(), 2);
    QCOMPARE(grid->currentIndex().row(), 0);
    const QFontMetrics cells(grid->font());
    const int cellMargins = 2 * (grid->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, grid) + 1);
    for (int row = 0; row < model->rowCount(); ++row) {
        const QModelIndex picture = model->index(row, 1);
        const QString text = picture.data().toString();
        QVERIFY2(cells.horizontalAdvance(text) + cellMargins <= grid->columnWidth(1), qPrintable(text));
        QVERIFY(picture.data(Qt::TextAlignmentRole).value<Qt::Alignment>() & Qt::AlignLeft);
    }
    QVERIFY(model->index(1, 1).data().toString().startsWith(QString(20, ' ') + "04  CUSTOMER-DELIVERY-ADDRESS-LINE"));
    const QFontMetrics titles(grid->horizontalHeader()->font());
    const int titleMargins = 2 * grid->style()->pixelMetric(QStyle::PM_HeaderMargin, nullptr, grid);
    for (int column = 0; column < model->columnCount(); ++column) {
        const QString title = model->headerData(column, Qt::Horizontal).toString();
        QVERIFY2(titles.horizontalAdvance(title) + titleMargins <= grid->columnWidth(column), qPrintable(title));
    }
    QCOMPARE(model->headerData(0, Qt::Horizontal).toString(), QStringLiteral("Leve"));
    QCOMPARE(GridColumnsWidth(grid), GridFillWidth(grid));
}

void TestBrowser::editorsStayAligned()
{
    showView();
    QSplitter *splitter = m_view->SplitterEditor2;
    QSplitterHandle *handle = splitter->handle(1);
    const QPoint start = handle->rect().center();
    auto drag = [&](int dy) {
        QTest::mousePress(handle, Qt::LeftButton, {}, start);
        QTest::mouseMove(handle, start + QPoint(0, dy / 2));
        QTest::mouseMove(handle, start + QPoint(0, dy));
        QTest::mouseRelease(handle, Qt::LeftButton, {}, start + QPoint(0, dy));
    };
    const int before = m_view->frmEditorFrame2->height();
    drag(-40);
    const int height = m_view->frmEditorFrame2->height();
    QVERIFY(height > before);
    for (TFrameEditor *e : {m_view->frmEditorFrame1, m_view->frmEditorFrame3, m_view->frmEditorFrame4}) {
        QCOMPARE(e->height(), height);
        QCOMPARE(e->mapTo(m_view, QPoint(0, 0)).y(), m_view->frmEditorFrame2->mapTo(m_view, QPoint(0, 0)).y());
    }
    // No editor gets smaller than the smallest allowed.
    drag(400);
    QCOMPARE(m_view->frmEditorFrame2->height(), TFrameEditor::MinimumEditorHeight);
    QCOMPARE(m_view->frmEditorFrame4->height(), TFrameEditor::MinimumEditorHeight);
}

void TestBrowser::crossreference_data()
{
    QTest::addColumn<int>("base");
    QTest::addColumn<QStringList>("position");
    QTest::addColumn<QString>("baseType");
    QTest::addColumn<QString>("baseName");
    QTest::addColumn<bool>("ordered");
    QTest::addColumn<QStringList>("rows");

    QTest::newRow("interface") << int(TCrossrefBase::Interfaces) << QStringList{"OrderService"} << "Interface"
                               << "OrderService" << true
                               << QStringList{"OrderService|GET|input|GETOrderRequest|ORDERNO|1",
                                              "OrderService|GET|output|GETOrderResponse|AMOUNT|1",
                                              "OrderService|GET|output|GETOrderResponse|CURRENCY|1",
                                              "OrderService|LIST|input|LISTRequest|FILTER|1",
                                              "OrderService|LIST|output|LISTResponse|ORDERS|1",
                                              "OrderService|LIST|output|LISTResponse|ORDERNO|2"};
    // GET exists in two interfaces: both are listed.
    QTest::newRow("operation") << int(TCrossrefBase::Operations) << QStringList{"CustomerService", "GET"}
                               << "Operation" << "GET" << true
                               << QStringList{"CustomerService|GET|input|GETRequest|CUSTNO|1",
                                              "CustomerService|GET|output|GETResponse|CUSTOMER|1",
                                              "CustomerService|GET|output|GETResponse|NAME|2",
                                              "CustomerService|GET|output|GETResponse|CITY|2",
                                              "OrderService|GET|input|GETOrderRequest|ORDERNO|1",
                                              "OrderService|GET|output|GETOrderResponse|AMOUNT|1",
                                              "OrderService|GET|output|GETOrderResponse|CURRENCY|1"};
    QTest::newRow("message") << int(TCrossrefBase::InputsOutputs)
                             << QStringList{"CustomerService", "PUT", "PUTRequest"} << "Inputs/Outputs"
                             << "PUTRequest" << true
                             << QStringList{"CustomerService|PUT|input|PUTRequest|CUSTNO|1",
                                            "CustomerService|PUT|input|PUTRequest|CUSTNO|1",
                                            "CustomerService|PUT|input|PUTRequest|NOTE|1"};
    // Ordered by the parameter name only: equal names come in any order.
    QTest::newRow("parameter") << int(TCrossrefBase::Parameters)
                               << QStringList{"OrderService", "LIST", "LISTResponse", "ORDERNO"} << "Parameter"
                               << "ORDERNO" << false
                               << QStringList{"OrderService|GET|input|GETOrderRequest|ORDERNO|1",
                                              "OrderService|LIST|output|LISTResponse|ORDERNO|2"};
}

void TestBrowser::crossreference()
{
    QFETCH(int, base);
    QFETCH(QStringList, position);
    QFETCH(QString, baseType);
    QFETCH(QString, baseName);
    QFETCH(bool, ordered);
    QFETCH(QStringList, rows);
    while (position.size() < 4)
        position << QString();
    positionOn(*m_dm, position[0], position[1], position[2], position[3]);

    QCOMPARE(m_view->PrepareCrossreference(TCrossrefBase(base)), int(rows.size()));
    TQRfrm_Crossref *report = m_view->QRfrm_Crossref();
    QCOMPARE(report->QRLabelReferenceBaseType.text(), baseType);
    QCOMPARE(report->QRLabelReferenceBaseName.text(), baseName);
    QStringList got;
    for (const TCrossrefRow &r : report->Rows())
        got << crossrefRowText(r);
    if (!ordered) {
        got.sort();
        rows.sort();
    }
    QCOMPARE(got, rows);
}

void TestBrowser::crossreferenceActions()
{
    showView();
    QAction interfaces("Show crossreference"), operations("Show crossreference"), messages("Show crossreference"),
        parameters("Show crossreference"), wsdl("Generate WSDL"), asr("Generate ASR");
    for (QAction *a : {&interfaces, &operations, &messages, &parameters, &wsdl, &asr})
        a->setEnabled(false);
    m_view->SetContextActions(&interfaces, &operations, &messages, &parameters, &wsdl, &asr);
    QCOMPARE(m_view->DBGrid1->actions(), (QList<QAction *>{&interfaces, &wsdl, &asr}));
    QCOMPARE(m_view->DBGrid2->actions(), QList<QAction *>{&operations});
    QCOMPARE(m_view->DBGrid3->actions(), QList<QAction *>{&messages});
    QCOMPARE(m_view->DBGrid4->actions(), QList<QAction *>{&parameters});
    QVERIFY(interfaces.isEnabled() && parameters.isEnabled());
    QVERIFY(!wsdl.isEnabled()); // the generators' own actions are left to them

    positionOn(*m_dm, "CustomerService", "GET", "GETResponse", "NAME");
    parameters.trigger();
    TQRfrm_Crossref *report = m_view->QRfrm_Crossref();
    QCOMPARE(report->QRLabelReferenceBaseType.text(), QStringLiteral("Parameter"));
    QCOMPARE(report->Rows().size(), 1);
    // Nobody to show the preview to: its pages are rendered directly.
    QCOMPARE(report->PreviewPages().size(), 1);

    // The bulk interface takes several pages.
    positionOn(*m_dm, "BulkService");
    interfaces.trigger();
    QCOMPARE(report->Rows().size(), BulkFields);
    QVERIFY(report->PreviewPages().size() > 5);
}

void TestBrowser::crossreferencePdfText()
{
    const QString pdftotext = QStandardPaths::findExecutable("pdftotext");
    if (pdftotext.isEmpty())
        QSKIP("pdftotext is not installed");
    positionOn(*m_dm, "CustomerService", "GET");
    const int rows = m_view->PrepareCrossreference(TCrossrefBase::Operations);
    QCOMPARE(rows, 7);
    TQRfrm_Crossref *report = m_view->QRfrm_Crossref();
    report->ReportDate = QDate(2024, 5, 17);
    const QString pdf = m_dir->filePath("crossref.pdf");
    report->ExportToPdf(pdf);

    QProcess p;
    p.start(pdftotext, {"-layout", "-enc", "UTF-8", pdf, "-"});
    QVERIFY(p.waitForFinished(60000));
    QCOMPARE(p.exitCode(), 0);
    const QString text = normalized(QString::fromUtf8(p.readAllStandardOutput()));

    qsizetype at = titleAt(text);
    QVERIFY2(at >= 0, qPrintable(text.left(400)));
    for (const QString &header : {QStringLiteral("Reference base type: Operation"), QStringLiteral("Date: 2024.05.17"),
                                  QStringLiteral("Reference base name: GET"), QStringLiteral("Page: 1")}) {
        at = text.indexOf(header, at);
        QVERIFY2(at >= 0, qPrintable(header));
    }
    // One block per row, in the rows' order, every field with its caption.
    QCOMPARE(text.count("Interface name:"), rows);
    for (const TCrossrefRow &r : report->Rows()) {
        const QStringList block{"Interface name: " + r.interface,     "Operation name: " + r.operation,
                                "Direction: " + r.direction,           "Input/Output name: " + r.ioname,
                                "Parameter name: " + r.parametername,  "Parameter level: " + r.depth,
                                "Parameter type: " + r.parametertype,
                                normalized("Parameter comment: " + r.parameterComment)};
        for (const QString &part : block) {
            const qsizetype next = text.indexOf(part, at);
            QVERIFY2(next >= 0, qPrintable(part));
            at = next + part.size();
        }
    }
    // Accented comments come back as they were.
    QVERIFY(text.contains(QStringLiteral("Parameter comment: Ügyfél azonosító")));

    // Each page repeats the header.
    positionOn(*m_dm, "BulkService");
    m_view->PrepareCrossreference(TCrossrefBase::Interfaces);
    report->ExportToPdf(pdf);
    p.start(pdftotext, {"-layout", "-enc", "UTF-8", pdf, "-"});
    QVERIFY(p.waitForFinished(60000));
    const QString bulk = normalized(QString::fromUtf8(p.readAllStandardOutput()));
    QCOMPARE(bulk.count("Interface name:"), BulkFields);
    QVERIFY(titleCount(bulk) > 5);
    QVERIFY(bulk.contains("Page: 2"));
    QVERIFY(bulk.contains("Parameter name: FIELD299"));
}

QTEST_MAIN(TestBrowser)
#include "tst_browser.moc"
