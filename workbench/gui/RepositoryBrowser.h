#pragma once
// The "WSDL View" page: the interface repository in four linked columns
// (Interfaces, Operations, Inputs/Outputs, Parameters), each with a grid, an
// editor for the current row's name and comment, and a search button that
// docks the search window over the column; the cross-reference report is
// started from the grids' context menus.

#include "CrossrefReport.h"
#include "Frame.h"
#include "QuenbarDB.h"
#include "RepositoryGrid.h"

#include <QList>
#include <QPointer>

#include <functional>
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
