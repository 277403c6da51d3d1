#pragma once
// The "WSDL View" page: the interface repository in four linked columns
// (Interfaces, Operations, Inputs/Outputs, Parameters), each with a grid, an
// editor for the current row's name and comment, and a search button that
// docks the search window over the column; the cross-reference report is
// started from the grids' context menus.
//
// Grids never hold a table: their model reads the rows of the table's
// current filter (the master's current row) a page at a time, in the
// table's order, so a repository of any size refilters at the cost of the
// rows in view.

#include "CrossrefReport.h"
#include "Frame.h"
#include "QuenbarDB.h"

#include <QAbstractTableModel>
#include <QList>
#include <QPoint>
#include <QPointer>
#include <QStringList>
#include <QTableView>
#include <QVariant>

#include <functional>
#include <list>
#include <map>
#include <vector>

class QAction;
class QBoxLayout;
class QLabel;
class QLineEdit;
class QSplitter;
class QToolButton;
class QVBoxLayout;
class TMyStatusBar;
class TfrmKereso;

// ---- Grid model --------------------------------------------------------------

// One column of a grid: a field of the table ("LevelGraf" for the
// calculated level picture of Parameters), its title and alignment.
struct TGridColumn
{
    QString field;
    QString title;
    Qt::Alignment alignment = Qt::AlignLeft | Qt::AlignVCenter;
    int displayWidth = -1; // characters a number column is shown with; -1: as wide as its value
};

// The rows of a repository table as its grid shows them: row n is the
// table's RecNo() n. Rows are read in pages on demand; the table's pending
// (edited) row shows its pending values.
class TRepositoryGridModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    // A table of the module's connection (or none yet).
    TRepositoryGridModel(TDM &dm, TRepositoryTable *table, QList<TGridColumn> columns, QObject *parent = nullptr);
    ~TRepositoryGridModel() override;

    TRepositoryTable *Table() const { return m_table.data(); }
    // Follows another table (nullptr: none); the rows are read again.
    void SetTable(TRepositoryTable *table);
    const QList<TGridColumn> &Columns() const { return m_columns; }
    // The table's current row; -1 without one.
    int CurrentRow() const;
    // "Kulcs" of a row; 0 outside the rows.
    qint64 KeyAt(int row) const;
    // Rows read from the file so far (for the bench and the tests).
    qint64 RowsRead() const { return m_rowsRead; }
    // While suspended (its grid hidden) the model does not follow the table,
    // so imports that post thousands of rows pay nothing for it; resuming
    // reads the rows again when anything changed meanwhile.
    void SetSuspended(bool suspended);
    bool Suspended() const { return m_suspended; }

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

    static constexpr int PageSize = 100;

signals:
    // The table's current row moved, or its rows were read again.
    void CurrentRowChanged();

private:
    struct TPage
    {
        std::vector<qint64> keys;
        std::vector<std::vector<QVariant>> values; // per row, one per column
    };

    void attach();
    void detach();
    void reload();
    void tableCurrentChanged();
    const TPage *page(int pageNo) const;
    QString selectSql() const;

    QPointer<TDM> m_dm;
    QPointer<TRepositoryTable> m_table;
    QList<TGridColumn> m_columns;
    QList<QMetaObject::Connection> m_connections;
    int m_rowCount = 0;
    int m_lastCurrent = -1;
    bool m_suspended = false;
    bool m_dirty = false;
    mutable std::map<int, TPage> m_pages;
    mutable std::list<int> m_pageUse; // most recent first
    mutable qint64 m_rowsRead = 0;
};

// ---- Grid component ----------------------------------------------------------

// A data grid over a TRepositoryGridModel: whole-row selection, titles,
// column and row lines, resizable columns, no vertical scroll bar. It keeps
// its selection on the table's current row and moves the table when the
// user picks another row. Handlers that are not set leave the event to the
// grid.
class TDBGridWithDrag : public QTableView
{
    Q_OBJECT
public:
    explicit TDBGridWithDrag(QWidget *parent = nullptr);

    void SetDataSource(TRepositoryGridModel *model);
    TRepositoryGridModel *DataSource() const { return m_model.data(); }

    // The left button went down below the titles and the mouse moved at
    // least 5 pixels with it held: the grid lets go of the mouse and calls it.
    std::function<void()> OnStartDrag;
    // Wheel turned (down: towards the user); true when handled.
    std::function<bool(bool down)> OnMouseWheel;
    // Files dropped on the grid (local paths).
    std::function<void(const QStringList &files)> OnDropFiles;
    // A mouse button was released over the grid.
    std::function<void()> OnMouseUp;
    // Ctrl+Delete: asked to delete the current row once the user confirmed.
    std::function<void()> OnDeleteRecord;
    // Reports failures of row changes made through the grid; the window's
    // bar when not set.
    TMyStatusBar *StatusBar = nullptr;

    static constexpr int DragThreshold = 5;

    // Puts the selection on the table's current row.
    void SyncToTable();

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void wheelEvent(QWheelEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dragMoveEvent(QDragMoveEvent *event) override;
    void dropEvent(QDropEvent *event) override;
    void currentChanged(const QModelIndex &current, const QModelIndex &previous) override;
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;

private:
    TMyStatusBar *bar();

    QPointer<TRepositoryGridModel> m_model;
    QMetaObject::Connection m_modelConnection;
    QPoint m_downPos;
    bool m_downTracked = false;
    bool m_syncing = false;
};

// ---- Editor frame --------------------------------------------------------------

// A navigator over one table: first, prior, next, last, edit, post, cancel.
class TDBNavigator : public TFrame
{
    Q_OBJECT
public:
    explicit TDBNavigator(QWidget *parent = nullptr);
    void SetTable(TRepositoryTable *table);
    TRepositoryTable *Table() const { return m_table.data(); }

    QToolButton *ButtonFirst, *ButtonPrior, *ButtonNext, *ButtonLast, *ButtonEdit, *ButtonPost, *ButtonCancel;
    TMyStatusBar *StatusBar = nullptr;

    void UpdateButtons();

private:
    void run(const std::function<void(TRepositoryTable &)> &step);

    QPointer<TRepositoryTable> m_table;
    QList<QMetaObject::Connection> m_connections;
};

// The name and comment of a table's current row, with a navigator. Typing
// puts the table into edit mode; leaving the frame posts a pending row.
class TFrameEditor : public TFrame
{
    Q_OBJECT
public:
    explicit TFrameEditor(QWidget *parent = nullptr);
    ~TFrameEditor() override;

    void SetTable(TRepositoryTable *table);
    TRepositoryTable *Table() const { return m_table.data(); }
    void SetStatusBar(TMyStatusBar *bar);

    QLabel *LabelName;
    QLineEdit *DBEditName;       // "Name"
    QLabel *LabelKommentar;
    QLineEdit *DBEditKommentar;  // "Kommentar"
    TDBNavigator *DBNavigator;

    static constexpr int MinimumEditorHeight = 60;
    static constexpr int MaximumEditorHeight = 160;

    // Focus left the frame: a row being edited or inserted is posted.
    void FrameExit();

private:
    void showValues();
    void fieldEdited(const QString &field, const QString &text);
    void focusChanged(QWidget *old, QWidget *now);

    QPointer<TRepositoryTable> m_table;
    QList<QMetaObject::Connection> m_connections;
    TMyStatusBar *m_bar = nullptr;
    bool m_showing = false;
};

// ---- The page ------------------------------------------------------------------

class TFrameWSDLView : public TFrame
{
    Q_OBJECT
public:
    // kereso and report are the program's search window and cross-reference
    // report; the frame makes its own when they are not given.
    explicit TFrameWSDLView(TDM &dm, TfrmKereso *kereso = nullptr, TQRfrm_Crossref *report = nullptr,
                            QWidget *parent = nullptr);
    ~TFrameWSDLView() override;

    TDM &DM() const { return m_dm; }
    TfrmKereso *frmKereso() const { return m_kereso.data(); }
    TQRfrm_Crossref *QRfrm_Crossref() const { return m_report.data(); }
    // Failures are reported there; the window's "MyStB" when not set.
    void SetStatusBar(TMyStatusBar *bar);

    // The grids' context menus. With connectHandlers the cross-reference
    // actions are enabled and run the handlers below (through RunCommand on
    // the status bar); without it the caller connects them itself. The
    // generators' actions are only placed in the Interfaces menu. Any of
    // them may be null.
    void SetContextActions(QAction *crossreferenceInterfaces, QAction *crossreferenceOperations,
                           QAction *crossreferenceInputsOutputs, QAction *crossReferenceParameters,
                           QAction *generateWSDL, QAction *generateASR, bool connectHandlers = true);

    // "WSDL View" became the active page: opens the repository of the output
    // directory when it is not open, then fits the columns. Failures of the
    // opening propagate (EAbort after a report on the status bar).
    void EnterPage(const QString &outputDirectory);
    // Another page was chosen: an open search is closed.
    void LeavePage();

    void FitBrowserColumns();
    void AutoSizeBrowserGrids(bool force);

    // The search window over a column's grid; the search buttons call these.
    void OpenSearch(TDBGridWithDrag *grid);
    void CloseSearch(TDBGridWithDrag *grid);
    TDBGridWithDrag *SearchedGrid() const { return m_searchGrid; }

    // "Show crossreference" of each column; the report is shown in the preview.
    void ActCrossreferenceInterfacesExecute();
    void ActCrossreferenceOperationsExecute();
    void ActCrossreferenceInputsOutputsExecute();
    void ActCrossReferenceParametersExecute();
    // Runs the cross-reference of a column's current row into the report
    // (without showing it); the rows read.
    int PrepareCrossreference(TCrossrefBase base);

    // Components (object names as the job files store them).
    QSplitter *SplitterColumns;
    QWidget *PanelInterfaces, *PanelOperations, *PanelInputsOutputs, *PanelParameters;
    QLabel *LabelInterfaces, *LabelOperations, *LabelInputsOutputs, *LabelParameters;
    QSplitter *SplitterEditor1, *SplitterEditor2, *SplitterEditor3, *SplitterEditor4;
    TDBGridWithDrag *DBGrid1, *DBGrid2, *DBGrid3, *DBGrid4;
    TFrameEditor *frmEditorFrame1, *frmEditorFrame2, *frmEditorFrame3, *frmEditorFrame4;
    QToolButton *SpeedButton1, *SpeedButton2, *SpeedButton3, *SpeedButton4;
    TRepositoryGridModel *DataSourceInterfaces, *DataSourceOperations, *DataSourceInputsOutputs,
        *DataSourceParameters;

    static constexpr int MinimumPanelWidth = 185;

protected:
    void resizeEvent(QResizeEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    struct TColumn
    {
        QWidget *panel = nullptr;
        QVBoxLayout *layout = nullptr;
        QSplitter *editorSplitter = nullptr;
        TDBGridWithDrag *grid = nullptr;
        TFrameEditor *editor = nullptr;
        QToolButton *searchButton = nullptr;
        TRepositoryGridModel *model = nullptr;
        TRepositoryTable *table = nullptr;
        TCrossrefBase base = TCrossrefBase::Interfaces;
    };

    void buildColumn(int index, const QString &title, TRepositoryTable &table, QList<TGridColumn> columns,
                     TCrossrefBase base);
    const TColumn *columnOf(const TDBGridWithDrag *grid) const;
    TMyStatusBar *bar() const;
    void searchButtonToggled(int column, bool pressed);
    void editorSplitterMoved(int column);
    void showCrossreference(TCrossrefBase base);
    void scheduleAutoSize(bool panels);

    TDM &m_dm;
    QPointer<TfrmKereso> m_kereso;
    QPointer<TQRfrm_Crossref> m_report;
    TMyStatusBar *m_bar = nullptr;
    std::vector<TColumn> m_columns;
    TDBGridWithDrag *m_searchGrid = nullptr;
    QList<QMetaObject::Connection> m_actionConnections;
    bool m_aligning = false;
    bool m_autoSizePosted = false;
    bool m_autoSizePanels = false;
    bool m_autoSizePage = false;
};
