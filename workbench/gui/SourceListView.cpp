#include "SourceListView.h"

#include "SourceList.h"
#include "StringListHolder.h"

#include <QApplication>
#include <QEvent>
#include <QFontMetrics>
#include <QListView>
#include <QListWidget>
#include <QPainter>

// ---- Delegate -------------------------------------------------------------------------

TSourceListDelegate::TSourceListDelegate(TSourceList *owner, QObject *parent)
    : QStyledItemDelegate(parent), m_owner(owner)
{
}

namespace {

// Left edge of the text part of a line: behind the check box.
int textLeft(const QStyleOptionViewItem &opt)
{
    const QWidget *widget = opt.widget;
    const QStyle *style = widget ? widget->style() : QApplication::style();
    if (!(opt.features & QStyleOptionViewItem::HasCheckIndicator))
        return opt.rect.left();
    const QRect check = style->subElementRect(QStyle::SE_ItemViewItemCheckIndicator, &opt, widget);
    return check.right() + 1 + style->pixelMetric(QStyle::PM_FocusFrameHMargin, &opt, widget);
}

} // namespace

void TSourceListDelegate::paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const
{
    QStyleOptionViewItem opt(option);
    initStyleOption(&opt, index);
    const QWidget *widget = opt.widget;
    const QStyle *style = widget ? widget->style() : QApplication::style();
    opt.text.clear();
    // Background, selection, check box and focus as the style draws them.
    style->drawControl(QStyle::CE_ItemViewItem, &opt, painter, widget);
    if (!m_owner)
        return;
    const int row = index.row();
    const bool checked = m_owner->CheckedAt(row);
    const int left = textLeft(opt);
    const int widest = m_owner->Names()->MaxLen();
    const int statusX = left + (checked ? widest - m_owner->CommonRootWidth() + 7 : widest + 2);

    const QPalette::ColorGroup group = !(opt.state & QStyle::State_Enabled) ? QPalette::Disabled
                                       : (opt.state & QStyle::State_Active) ? QPalette::Normal
                                                                            : QPalette::Inactive;
    const QPalette::ColorRole role = (opt.state & QStyle::State_Selected) ? QPalette::HighlightedText : QPalette::Text;
    painter->save();
    painter->setFont(opt.font);
    painter->setPen(opt.palette.color(group, role));
    painter->setClipRect(opt.rect);
    const int height = opt.rect.height();
    const int far = 1 << 20;
    painter->drawText(QRect(left + 2, opt.rect.top(), far, height), Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
                      m_owner->ShownPath(row));
    painter->drawText(QRect(statusX, opt.rect.top(), far, height), Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
                      m_owner->StatusTextAt(row));
    painter->restore();
}

QSize TSourceListDelegate::sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const
{
    QStyleOptionViewItem opt(option);
    initStyleOption(&opt, index);
    const QWidget *widget = opt.widget;
    const QStyle *style = widget ? widget->style() : QApplication::style();
    int height = QFontMetrics(opt.font).boundingRect(QStringLiteral("Wg")).height();
    height = std::max(height, QFontMetrics(opt.font).height());
    if (opt.features & QStyleOptionViewItem::HasCheckIndicator)
        height = std::max(height, style->pixelMetric(QStyle::PM_IndicatorHeight, &opt, widget));
    const int width = (textLeft(opt) - opt.rect.left()) + (m_owner ? m_owner->HorizontalExtent() : 0);
    return QSize(width, height);
}

// ---- View -------------------------------------------------------------------------------

TSourceListView::TSourceListView(QListView *view, TSourceList *sources)
    : QObject(view), m_view(view), m_sources(sources)
{
    Q_ASSERT(view && sources);
    view->setModel(sources);
    view->setItemDelegate(new TSourceListDelegate(sources, view));
    view->installEventFilter(this);
    connect(sources, &TSourceList::DrawingChanged, view, [view] {
        view->doItemsLayout();
        view->viewport()->update();
    });
}

bool TSourceListView::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_view && event->type() == QEvent::FocusIn && !m_view->currentIndex().isValid() && m_view->model()
        && m_view->model()->rowCount() > 0)
        m_view->setCurrentIndex(m_view->model()->index(0, 0));
    return QObject::eventFilter(watched, event);
}

bool TSourceListView::isCheckList(const QObject *object) const
{
    return object && (object == m_view || qobject_cast<const QListWidget *>(object));
}

QAbstractItemView *TSourceListView::target(QObject *invoker)
{
    if (isCheckList(invoker))
        return static_cast<QAbstractItemView *>(invoker);
    if (invoker && invoker->property("Tag").toInt() != 0)
        m_sources->ReportError(QStringLiteral("Click on a checklistbox first to use this function(Tag)!"));
    QWidget *focus = m_view->window()->focusWidget();
    if (isCheckList(focus))
        return static_cast<QAbstractItemView *>(focus);
    m_sources->ReportError(QStringLiteral("Click on a checklistbox first to use this function!"));
}

void TSourceListView::run(TCommand command, QObject *invoker)
{
    QAbstractItemView *list = target(invoker);
    if (list == m_view) {
        switch (command) {
        case TCommand::Select:
            m_sources->SelectAll();
            break;
        case TCommand::Unselect:
            m_sources->UnselectAll();
            break;
        case TCommand::Toggle:
            m_sources->ToggleSelect();
            break;
        }
        return;
    }
    // Another check list of the window: its marks only.
    auto *other = static_cast<QListWidget *>(list);
    for (int row = 0; row < other->count(); ++row) {
        QListWidgetItem *item = other->item(row);
        const bool checked = command == TCommand::Select
                             || (command == TCommand::Toggle && item->checkState() != Qt::Checked);
        item->setCheckState(checked ? Qt::Checked : Qt::Unchecked);
    }
    m_sources->MarkModified();
}

void TSourceListView::SelectAll(QObject *invoker)
{
    run(TCommand::Select, invoker);
}

void TSourceListView::UnselectAll(QObject *invoker)
{
    run(TCommand::Unselect, invoker);
}

void TSourceListView::ToggleSelect(QObject *invoker)
{
    run(TCommand::Toggle, invoker);
}
