#include "LayoutHelpers.h"

#include "CodePage1250.h"
#include "SharedRoutinesCommon.h"
#include "WidgetRoutines.h"

#include <QAbstractItemModel>
#include <QAbstractItemView>
#include <QFileDialog>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QHash>
#include <QHeaderView>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QSet>
#include <QSplitter>
#include <QStyle>
#include <QTableView>
#include <QTextBlock>
#include <QTextEdit>
#include <QToolButton>

#include <algorithm>

int WidgetTag(const QWidget *widget)
{
    return widget ? widget->property(TagProperty).toInt() : 0;
}

void SetWidgetTag(QWidget *widget, int tag)
{
    if (widget && WidgetTag(widget) != tag)
        widget->setProperty(TagProperty, tag);
}

// ---- Windows ----------------------------------------------------------------

void FitFormToWorkArea(QWidget *window)
{
    if (!window)
        return;
    QScreen *screen = window->screen();
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    if (!screen)
        return;
    const QRect area = screen->availableGeometry();
    const int right = area.x() + area.width();
    const int bottom = area.y() + area.height();

    window->setMaximumSize(right, bottom);
    QPoint pos = window->pos();
    QSize size = window->size();
    if (pos.y() < 0)
        pos.setY(0);
    if (pos.y() > bottom - 50)
        pos.setY(bottom - 50);
    if (size.height() > bottom)
        size.setHeight(bottom);
    if (pos.x() > right - 50)
        pos.setX(right - 50);
    if (pos.x() < 0)
        pos.setX(0);
    if (size.width() > right)
        size.setWidth(right);
    if (pos != window->pos())
        window->move(pos);
    if (size != window->size())
        window->resize(size);
}

namespace {

// The cursor selecting a whole line (to the start of the next one); an
// invalid block when the line does not exist.
QTextBlock lineSelection(QTextDocument *doc, int line, QTextCursor &cursor)
{
    const QTextBlock block = line < 0 ? QTextBlock() : doc->findBlockByNumber(line);
    if (!block.isValid())
        return block;
    cursor = QTextCursor(block);
    const QTextBlock next = block.next();
    if (next.isValid())
        cursor.setPosition(next.position(), QTextCursor::KeepAnchor);
    return block;
}

} // namespace

bool SelectEditLine(QPlainTextEdit *edit, int line, int linesAbove)
{
    if (!edit)
        return false;
    QTextCursor cursor;
    const QTextBlock block = lineSelection(edit->document(), line, cursor);
    if (!block.isValid())
        return false;
    edit->setTextCursor(cursor);
    edit->ensureCursorVisible();
    // The plain text edit scrolls by (wrapped) lines; the scroll bar clamps.
    edit->verticalScrollBar()->setValue(block.firstLineNumber() - linesAbove);
    return true;
}

bool SelectEditLine(QTextEdit *edit, int line, int linesAbove)
{
    if (!edit)
        return false;
    QTextDocument *doc = edit->document();
    QTextCursor cursor;
    const QTextBlock block = lineSelection(doc, line, cursor);
    if (!block.isValid())
        return false;
    edit->setTextCursor(cursor);
    edit->ensureCursorVisible();
    // This edit scrolls by pixels: bring the paragraph linesAbove paragraphs
    // higher up to the top.
    const QTextBlock top = doc->findBlockByNumber(std::max(0, line - linesAbove));
    const qreal y = doc->documentLayout()->blockBoundingRect(top).top();
    edit->verticalScrollBar()->setValue(qRound(y));
    return true;
}

bool SetFileDialogViewMode(QFileDialog *dialog, int mode)
{
    if (!dialog || mode < 0 || mode > 4)
        return false;
    // A native dialog has no item views of ours to switch.
    if (!dialog->findChild<QAbstractItemView *>())
        return false;
    const QFileDialog::ViewMode viewMode = mode == 2 ? QFileDialog::Detail : QFileDialog::List;
    if (dialog->viewMode() != viewMode)
        dialog->setViewMode(viewMode);
    return true;
}

QCursor LoadAnimatedCursor(const QString &name)
{
    return QCursor(CodePage1250::sameText(name, u"HORSE") ? Qt::BusyCursor : Qt::WaitCursor);
}

// ---- Data grids ---------------------------------------------------------------

namespace {

QList<int> visibleColumns(const QTableView *grid)
{
    QList<int> columns;
    const QHeaderView *header = grid->horizontalHeader();
    for (int visual = 0; visual < header->count(); ++visual) {
        const int logical = header->logicalIndex(visual);
        if (!header->isSectionHidden(logical))
            columns.append(logical);
    }
    return columns;
}

bool titlesShown(const QTableView *grid)
{
    return !grid->horizontalHeader()->isHidden();
}

int indicatorWidth(const QTableView *grid)
{
    if (grid->verticalHeader()->isHidden())
        return 0;
    return grid->showGrid() ? 12 : 11;
}

QString columnTitle(const QTableView *grid, int column)
{
    const QAbstractItemModel *model = grid->model();
    return model ? model->headerData(column, Qt::Horizontal, Qt::DisplayRole).toString() : QString();
}

int titleWidth(const QTableView *grid, int column)
{
    return TextPixelWidth(columnTitle(grid, column), grid->horizontalHeader()->font());
}

// Width of the column's content in the current record (the first record
// when none is current), measured as the grid sizes its columns.
int contentWidth(const QTableView *grid, int column, bool digitsOnly, bool wholeView = false)
{
    const QAbstractItemModel *model = grid->model();
    const bool titles = titlesShown(grid);
    const QFontMetrics metrics(grid->font());
    int kind = GridTextField;
    QString value;
    int displayWidth = -1;
    if (model) {
        const QVariant kindData = model->headerData(column, Qt::Horizontal, GridFieldKindRole);
        if (kindData.isValid())
            kind = kindData.toInt();
        int row = grid->currentIndex().isValid() ? grid->currentIndex().row() : 0;
        if (row < model->rowCount())
            value = model->data(model->index(row, column), Qt::DisplayRole).toString();
        const QVariant widthData = model->headerData(column, Qt::Horizontal, GridDisplayWidthRole);
        if (widthData.isValid())
            displayWidth = widthData.toInt();
    }
    if (displayWidth < 0)
        displayWidth = int(value.length());

    int width;
    if (kind == GridNoField) {
        width = metrics.horizontalAdvance(QLatin1Char('0'));
    } else if (kind == GridTextField && !digitsOnly) {
        width = TextPixelWidth(value, grid->font());
        if (!titles)
            width = std::max(width, metrics.horizontalAdvance(QLatin1Char(' ')));
    } else {
        const QChar digit = titles && !digitsOnly ? QLatin1Char('1') : QLatin1Char('0');
        width = displayWidth * metrics.horizontalAdvance(digit);
    }
    if (titles)
        width = std::max(width, titleWidth(grid, column));
    if (wholeView && model) {
        // What the rows in view need to be drawn without an ellipsis (the
        // cell's text margins included), and the title as the header draws
        // it. Only those rows are read: a long table stays unread.
        const int margins = 2 * (grid->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, grid) + 1)
                            + (grid->showGrid() ? 1 : 0);
        const int rows = model->rowCount();
        const int first = std::max(0, grid->rowAt(0));
        int last = grid->rowAt(grid->viewport()->height() - 1);
        if (last < 0) {
            const int rowHeight = std::max(1, grid->verticalHeader()->defaultSectionSize());
            last = std::min(rows - 1, first + grid->viewport()->height() / rowHeight);
        }
        for (int row = first; row <= last && row < rows; ++row) {
            const QString text = model->data(model->index(row, column), Qt::DisplayRole).toString();
            width = std::max(width, metrics.horizontalAdvance(text) + margins);
        }
        if (titles)
            width = std::max(width, grid->horizontalHeader()->sectionSizeHint(column));
    }
    return width;
}

void widenLastToFill(QTableView *grid, const QList<int> &columns, int fill)
{
    const int total = GridColumnsWidth(grid);
    if (columns.isEmpty() || total >= fill)
        return;
    const int last = columns.last();
    grid->setColumnWidth(last, grid->columnWidth(last) + fill - total);
}

} // namespace

int GridColumnsWidth(const QTableView *grid)
{
    if (!grid)
        return 0;
    const int lines = grid->showGrid() ? 1 : 0;
    int total = indicatorWidth(grid);
    for (int column : visibleColumns(grid))
        total += grid->columnWidth(column) + lines;
    return total;
}

int GridFillWidth(const QTableView *grid)
{
    if (!grid)
        return 0;
    // The indicator and the line pixels are counted by GridColumnsWidth but
    // take no room in the viewport.
    const int lines = grid->showGrid() ? int(visibleColumns(grid).size()) : 0;
    return grid->viewport()->width() + indicatorWidth(grid) + lines;
}

int GridLastVisibleColumn(const QTableView *grid)
{
    if (!grid)
        return 0;
    const QList<int> columns = visibleColumns(grid);
    return columns.isEmpty() ? 0 : columns.last();
}

bool FitGridColumns(QTableView *grid, int keptColumn)
{
    if (!grid)
        return false;
    const QList<int> columns = visibleColumns(grid);
    if (columns.isEmpty())
        return false;
    const int total = GridColumnsWidth(grid);
    const int fill = GridFillWidth(grid);
    if (total < fill) {
        widenLastToFill(grid, columns, fill);
        return true;
    }
    if (total > fill && titlesShown(grid)) {
        int excess = total - fill;
        for (int i = int(columns.size()) - 1; i >= 0 && excess > 0; --i) {
            const int column = columns.at(i);
            if (column + 1 == keptColumn)
                continue;
            const int width = grid->columnWidth(column);
            const int floor = std::min(width, titleWidth(grid, column));
            const int cut = std::min(width - floor, excess);
            if (cut > 0) {
                grid->setColumnWidth(column, width - cut);
                excess -= cut;
            }
        }
        return excess == 0;
    }
    return false;
}

int AutoSizeGridColumns(QTableView *grid, bool force, bool wholeView)
{
    if (!grid)
        return -1;
    const QList<int> columns = visibleColumns(grid);
    const int fill = GridFillWidth(grid);
    if (force || GridColumnsWidth(grid) > fill) {
        for (int column : columns) {
            const int width = contentWidth(grid, column, false, wholeView);
            if (column == columns.last())
                grid->setColumnWidth(column, width);
            else if (width > grid->columnWidth(column))
                grid->setColumnWidth(column, width);
        }
        widenLastToFill(grid, columns, fill);
    }
    const int total = GridColumnsWidth(grid);
    return total > fill ? total : -1;
}

int GridPreferredWidth(const QTableView *grid, bool digitsOnly, bool wholeView)
{
    if (!grid)
        return 0;
    int total = 0;
    for (int column : visibleColumns(grid))
        total += contentWidth(grid, column, digitsOnly, wholeView) + 2;
    return total + grid->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, grid) + 2;
}

// ---- Button layout --------------------------------------------------------------

namespace {

constexpr int ButtonGap = 2;

struct TButtonSlot
{
    QAbstractButton *button = nullptr;
    QWidget *parent = nullptr;
    QString parentName;
    int parentOrder = 0;
    int tag = 0;
    int tabOrder = 0;
    QRect target;   // in the parent's client coordinates
};

// Caption as drawn: "&&" is a literal ampersand, a single "&" marks the mnemonic.
QString displayedCaption(const QString &text)
{
    QString shown;
    shown.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text.at(i) == QLatin1Char('&')) {
            if (i + 1 < text.size() && text.at(i + 1) == QLatin1Char('&')) {
                shown.append(QLatin1Char('&'));
                ++i;
            }
            continue;
        }
        shown.append(text.at(i));
    }
    return shown;
}

int clientWidth(const QWidget *parent)
{
    return parent->contentsRect().width();
}

int captionWidth(const QAbstractButton *button)
{
    const int textWidth = TextPixelWidth(displayedCaption(button->text()), button->font());
    if (button->icon().isNull())
        return textWidth + 8;
    const QVariant spacingData = button->property("Spacing");
    const int spacing = spacingData.isValid() ? spacingData.toInt() : 4;
    return qRound(button->iconSize().width() / 2.0) + 3 * spacing + textWidth;
}

QList<TButtonSlot> collectButtons(QWidget *root, QWidget *onlyParent)
{
    QHash<const QWidget *, int> chainOrder;
    QWidget *w = root;
    int position = 0;
    while (w && !chainOrder.contains(w)) {
        chainOrder.insert(w, position++);
        w = w->nextInFocusChain();
    }

    QList<TButtonSlot> entries;
    const QList<QAbstractButton *> buttons = root->findChildren<QAbstractButton *>();
    for (QAbstractButton *button : buttons) {
        if (!qobject_cast<QPushButton *>(button) && !qobject_cast<QToolButton *>(button))
            continue;
        QWidget *parent = button->parentWidget();
        if (!parent || (onlyParent && parent != onlyParent))
            continue;
        const int tag = WidgetTag(button);
        if (tag <= 0 || button->focusPolicy() == Qt::NoFocus || !button->isVisibleTo(root))
            continue;
        TButtonSlot slot;
        slot.button = button;
        slot.parent = parent;
        slot.parentName = parent->objectName();
        slot.parentOrder = chainOrder.value(parent, position);
        slot.tag = tag;
        slot.tabOrder = chainOrder.value(button, position);
        int width = captionWidth(button);
        const int available = clientWidth(parent);
        if (width >= available)
            width = available - 1;
        const int height = button->testAttribute(Qt::WA_Resized) ? button->height() : button->sizeHint().height();
        slot.target = QRect(0, 0, width, height);
        entries.append(slot);
    }
    std::stable_sort(entries.begin(), entries.end(), [](const TButtonSlot &a, const TButtonSlot &b) {
        const int byName = CodePage1250::compareText(a.parentName, b.parentName);
        if (byName != 0)
            return byName < 0;
        // Parents sharing a name are still kept apart.
        if (a.parentOrder != b.parentOrder)
            return a.parentOrder < b.parentOrder;
        if (a.tag != b.tag)
            return a.tag < b.tag;
        return a.tabOrder < b.tabOrder;
    });
    return entries;
}

struct TButtonRow
{
    QWidget *parent = nullptr;
    QList<int> members;   // indices into the entries
    int top = 0;
    int height = 0;
};

// Width a row needs: its buttons, the gaps between them and a margin on both sides.
int rowNeed(const QList<TButtonSlot> &entries, const TButtonRow &row)
{
    int need = 2 * ButtonGap + ButtonGap * (int(row.members.size()) - 1);
    for (int index : row.members)
        need += entries.at(index).target.width();
    return need;
}

// Per parent, the width its widest row needs.
QHash<QWidget *, int> rowNeeds(const QList<TButtonSlot> &entries, const QList<TButtonRow> &rows)
{
    QHash<QWidget *, int> needs;
    for (const TButtonRow &row : rows)
        needs[row.parent] = std::max(needs.value(row.parent, 0), rowNeed(entries, row));
    return needs;
}

// Client height and tag of each parent, then the geometry of each button;
// only what changed is touched.
void applyLayout(const QList<TButtonSlot> &entries, const QList<TButtonRow> &rows, const QHash<QWidget *, int> &needs)
{
    QList<QWidget *> parents;
    QHash<QWidget *, int> bottoms;
    for (const TButtonRow &row : rows) {
        if (!parents.contains(row.parent))
            parents.append(row.parent);
        bottoms[row.parent] = std::max(bottoms.value(row.parent, 0), row.top + row.height);
    }
    for (QWidget *parent : parents) {
        const QMargins margins = parent->contentsMargins();
        const int height = bottoms.value(parent) + 4 + margins.top() + margins.bottom();
        if (parent->height() != height) {
            // A window is resized; a panel keeps its height inside any layout.
            if (parent->isWindow())
                parent->resize(parent->width(), height);
            else
                parent->setFixedHeight(height);
        }
        SetWidgetTag(parent, needs.value(parent));
    }
    for (const TButtonSlot &slot : entries) {
        const QRect geometry = slot.target.translated(slot.parent->contentsRect().topLeft());
        if (slot.button->geometry() != geometry)
            slot.button->setGeometry(geometry);
    }
}

} // namespace

void ArrangeFormButtons(QWidget *window, int reserve, QWidget *onlyParent)
{
    if (!window)
        return;
    QList<TButtonSlot> entries = collectButtons(window, onlyParent);
    if (entries.isEmpty())
        return;

    QList<TButtonRow> rows;
    const auto startRow = [&rows](QWidget *parent, int top) { rows.append(TButtonRow{parent, {}, top, 0}); };
    for (int i = 0; i < entries.size(); ++i) {
        TButtonSlot &slot = entries[i];
        int left = ButtonGap;
        if (i == 0 || slot.parent != entries.at(i - 1).parent) {
            startRow(slot.parent, ButtonGap);
        } else if (slot.tag != entries.at(i - 1).tag) {
            startRow(slot.parent, rows.last().top + rows.last().height + ButtonGap);
        } else {
            left = entries.at(i - 1).target.right() + 1 + ButtonGap;
            if (left + slot.target.width() > clientWidth(slot.parent) - reserve) {
                left = ButtonGap;
                startRow(slot.parent, rows.last().top + rows.last().height + ButtonGap);
            }
        }
        TButtonRow &row = rows.last();
        slot.target.moveTo(left, row.top);
        row.members.append(i);
        row.height = std::max(row.height, slot.target.height());
    }

    // The parent's tag tells the width the natural rows need, so it is taken
    // before any button is widened.
    const QHash<QWidget *, int> needs = rowNeeds(entries, rows);

    if (reserve != 0) {
        if (entries.size() == 1) {
            TButtonSlot &only = entries[0];
            only.target.setLeft(ButtonGap);
            only.target.setWidth(clientWidth(only.parent) - 2 * ButtonGap);
        } else {
            QHash<QWidget *, int> rightEdges;
            for (const TButtonRow &row : rows) {
                const int right = entries.at(row.members.last()).target.right();
                rightEdges[row.parent] = std::max(rightEdges.value(row.parent, 0), right);
            }
            for (const TButtonRow &row : rows) {
                TButtonSlot &last = entries[row.members.last()];
                last.target.setRight(rightEdges.value(row.parent));
            }
        }
    }
    applyLayout(entries, rows, needs);
}

void ArrangeFrameButtons(QWidget *frame)
{
    if (!frame)
        return;
    QList<TButtonSlot> entries = collectButtons(frame, nullptr);
    if (entries.isEmpty())
        return;

    QList<TButtonRow> rows;
    const auto startRow = [&rows](QWidget *parent, int top) { rows.append(TButtonRow{parent, {}, top, 0}); };
    const int lastIndex = int(entries.size()) - 1;
    for (int i = lastIndex; i >= 0; --i) {
        TButtonSlot &slot = entries[i];
        const int width = slot.target.width();
        const int rightAligned = clientWidth(slot.parent) - ButtonGap - width;
        int left = rightAligned;
        if (i == lastIndex || slot.parent != entries.at(i + 1).parent) {
            startRow(slot.parent, ButtonGap);
        } else if (slot.tag == entries.at(i + 1).tag) {
            left = entries.at(i + 1).target.left() - ButtonGap - width;
            if (left <= ButtonGap) {
                left = rightAligned;
                startRow(slot.parent, rows.last().top + rows.last().height + ButtonGap);
            }
        } else {
            startRow(slot.parent, rows.last().top + rows.last().height + ButtonGap);
        }
        TButtonRow &row = rows.last();
        slot.target.moveTo(left, row.top);
        row.members.prepend(i);
        row.height = std::max(row.height, slot.target.height());
    }
    applyLayout(entries, rows, rowNeeds(entries, rows));
}

void RestoreMainWindowPlace(QWidget *window, QSplitter *splitter, QWidget *firstPanel)
{
    if (ReadSettingInt(QStringLiteral("FormWidth")) == 0)
        return;
    const int panel = ReadSettingInt(firstPanel->objectName() + QStringLiteral(".Width"), firstPanel->width());
    splitter->setSizes({panel, std::max(100, window->width() - panel)});
    window->setGeometry(ReadSettingInt(QStringLiteral("FormLeft"), window->x()),
                        ReadSettingInt(QStringLiteral("FormTop"), window->y()),
                        ReadSettingInt(QStringLiteral("FormWidth"), window->width()),
                        ReadSettingInt(QStringLiteral("FormHeight"), window->height()));
}

void SaveMainWindowPlace(QWidget *window, const QList<QWidget *> &panels)
{
    if (window->windowState() & (Qt::WindowMinimized | Qt::WindowMaximized))
        return;
    if (SettingsProgram().isEmpty())
        return;   // the start never reached the per-user settings
    WriteSettingInt(QStringLiteral("FormTop"), window->y());
    WriteSettingInt(QStringLiteral("FormLeft"), window->x());
    WriteSettingInt(QStringLiteral("FormWidth"), window->width());
    WriteSettingInt(QStringLiteral("FormHeight"), window->height());
    for (QWidget *panel : panels)
        WriteSettingInt(panel->objectName() + QStringLiteral(".Width"), panel->width());
}
