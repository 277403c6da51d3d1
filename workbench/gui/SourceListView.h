#pragma once
// The source list in the window: the delegate that draws its lines, the
// view's behaviour on entering it, and the selection commands, which act on
// whichever check list of the window they are meant for.

#include "SourceList.h"

#include <QObject>
#include <QPointer>
#include <QStyledItemDelegate>

class QAbstractItemView;
class QListView;

// Draws a line of the source list: for a ticked line the path below the
// common root and the status text in a column behind the widest path; for
// an unticked line the full path with the status behind it; disabled lines
// greyed. The model's text stays the "path=NNNN" line.
class TSourceListDelegate : public QStyledItemDelegate
{
    Q_OBJECT
public:
    TSourceListDelegate(TSourceList *owner, QObject *parent = nullptr);

    void paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const override;
    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override;

private:
    QPointer<TSourceList> m_owner;
};

// Shows the list in the view (model and delegate) and lives as long as the
// view: entering the view without a current line makes the first one
// current, and the view lays its lines out again when the drawing changes.
class TSourceListView : public QObject
{
    Q_OBJECT
public:
    TSourceListView(QListView *view, TSourceList *sources);

    QListView *View() const { return m_view; }
    TSourceList *Sources() const { return m_sources; }

    // The selection commands act on the invoking control when it is a check
    // list (a QListWidget or this view), otherwise on the window's focused
    // check list; on this view they are the list's own commands.
    void SelectAll(QObject *invoker);     // ActSelectAll
    void UnselectAll(QObject *invoker);   // ActUnselectAll
    void ToggleSelect(QObject *invoker);  // ActToggleSelect

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    enum class TCommand { Select, Unselect, Toggle };

    void run(TCommand command, QObject *invoker);
    bool isCheckList(const QObject *object) const;
    QAbstractItemView *target(QObject *invoker);

    QListView *m_view;
    QPointer<TSourceList> m_sources;
};
