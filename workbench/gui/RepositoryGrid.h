#pragma once
// The grids over repository tables, shared by the browser's columns and the
// search window.
//
// Grids never hold a table: their model reads the rows of the table's
// current filter (the master's current row) a page at a time, in the
// table's order, so a repository of any size refilters at the cost of the
// rows in view.

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

class TMyStatusBar;

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
