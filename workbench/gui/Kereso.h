#pragma once
// The search window of the repository browser: a name-ordered grid of one
// repository table over an edit with incremental completion. Docked over a
// browser column while its search button is down; the row found positions
// the browser's four tables.

#include "IncrementalSearch.h"
#include "QuenbarDB.h"
#include "RepositoryGrid.h"

#include <QPointer>
#include <QWidget>

#include <memory>

class QBoxLayout;
class QLineEdit;

// The incremental lookup over a repository table in name order.
class TRepositoryLookupTable : public IIncrementalLookupTable
{
public:
    explicit TRepositoryLookupTable(TDM *dm, TRepositoryTable *table = nullptr) : m_dm(dm), m_table(table) {}
    void SetTable(TRepositoryTable *table) { m_table = table; }

    bool IsBrowsing() const override;
    bool FindKey(const QString &key) override;
    QString FieldValue(const QString &field) const override;
    bool NextFieldValue(const QString &field, QString &value) const override;

private:
    QPointer<TDM> m_dm;
    QPointer<TRepositoryTable> m_table;
};

class TfrmKereso : public QWidget
{
    Q_OBJECT
public:
    explicit TfrmKereso(TDM &dm, QWidget *parent = nullptr);
    ~TfrmKereso() override;

    TDM &DM() const { return m_dm; }

    TDBGridWithDrag *DBGridKereso;
    QLineEdit *EKereso;
    TRepositoryGridModel *DataSourceKereso;
    // Set while the window changes things itself: the edit's change handling
    // then neither searches nor moves the browser.
    bool Busy = false;

    // The searched table (name order, all its rows); nullptr while none is
    // pointed at.
    TRepositoryTable *TableKereso() const { return m_table.get(); }
    // Points the search table at a repository table and opens it.
    void OpenTable(const QString &tableName);
    void CloseTable();

    // The edit's change handling: incremental search, column fit, and the
    // browser follows the row found (unless busy).
    void EKeresoChange();
    // A key pressed in the edit; true when it was swallowed.
    bool EKeresoKeyPress(QKeyEvent *event);
    // A click on a row of the search grid (the row is already current).
    void DBGridKeresoCellClick();
    // Positions the browser's tables on the search table's current row.
    void SynchronizeBrowser();

    // Shown in a browser panel, in place of the widgets at index in its
    // layout; Undock hides it and gives it back to its own parent.
    void ManualDock(QWidget *panel, QBoxLayout *layout, int index);
    void Undock();
    bool Docked() const { return m_dockPanel != nullptr; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    TDM &m_dm;
    std::unique_ptr<TRepositoryTable> m_table;
    TRepositoryLookupTable m_lookup;
    QPointer<QWidget> m_homeParent;
    QPointer<QWidget> m_dockPanel;
};
