#include "LayoutHelpers.h"
#include "WidgetRoutines.h"

#include <QCheckBox>
#include <QFileDialog>
#include <QFrame>
#include <QGuiApplication>
#include <QHeaderView>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QStandardItemModel>
#include <QStyle>
#include <QTableView>
#include <QTextBlock>
#include <QTextEdit>
#include <QToolButton>
#include <QtTest>

#include <memory>
#include <stdexcept>

namespace {

QPushButton *tagged(QWidget *parent, const QString &caption, int tag)
{
    auto *button = new QPushButton(caption, parent);
    button->setProperty("Tag", tag);
    return button;
}

int plainWidth(const QAbstractButton *button)
{
    return TextPixelWidth(button->text(), button->font()) + 8;
}

// A grid of three text columns over two rows with titles "Name", "Kind"
// and "Size".
struct TGridFixture
{
    TGridFixture()
    {
        model.setColumnCount(3);
        model.setHorizontalHeaderLabels({"Name", "Kind", "Size"});
        model.appendRow({new QStandardItem("first"), new QStandardItem("a"), new QStandardItem("1")});
        model.appendRow({new QStandardItem("second row"), new QStandardItem("bb"), new QStandardItem("22")});
        view.setModel(&model);
        view.setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        view.setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        view.horizontalHeader()->setMinimumSectionSize(1);
        view.resize(400, 200);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
    }
    void setWidths(int a, int b, int c)
    {
        view.setColumnWidth(0, a);
        view.setColumnWidth(1, b);
        view.setColumnWidth(2, c);
    }
    int cellsWidth() const
    {
        int total = 0;
        for (int c = 0; c < model.columnCount(); ++c)
            if (!view.isColumnHidden(c))
                total += view.columnWidth(c);
        return total;
    }
    int titleWidth(int column) const
    {
        return TextPixelWidth(model.headerData(column, Qt::Horizontal).toString(), view.horizontalHeader()->font());
    }

    QStandardItemModel model;
    QTableView view;
};

} // namespace

class TestLayoutHelpers : public QObject
{
    Q_OBJECT
private slots:
    void fitFormToWorkArea_data();
    void fitFormToWorkArea();
    void selectPlainEditLine();
    void selectRichEditLine();
    void fileDialogViewMode_data();
    void fileDialogViewMode();
    void animatedCursors();
    void waitCursorsNest();

    void gridColumnsWidth_data();
    void gridColumnsWidth();
    void gridLastVisibleColumn();
    void fitGridColumnsWidensLast();
    void fitGridColumnsNarrowsToTitles_data();
    void fitGridColumnsNarrowsToTitles();
    void autoSizeGridColumns();
    void autoSizeLeavesFittingColumns();
    void gridPreferredWidth();

    void frameButtonRows_data();
    void frameButtonRows();
    void formButtonRows_data();
    void formButtonRows();
    void formButtonsFollowTabOrderAndGlyphs();
    void formButtonsOnlyParent();
    void formSingleButtonStretches();
};

// ---- Windows ------------------------------------------------------------------

void TestLayoutHelpers::fitFormToWorkArea_data()
{
    const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
    const int r = area.x() + area.width();
    const int b = area.y() + area.height();
    QTest::addColumn<QRect>("before");
    QTest::addColumn<QRect>("after");
    QTest::newRow("inside stays") << QRect(10, 20, 200, 100) << QRect(10, 20, 200, 100);
    QTest::newRow("negative top and left") << QRect(-30, -40, 200, 100) << QRect(0, 0, 200, 100);
    QTest::newRow("top below the bottom") << QRect(10, b - 10, 200, 100) << QRect(10, b - 50, 200, 100);
    QTest::newRow("left beyond the right") << QRect(r + 5, 20, 200, 100) << QRect(r - 50, 20, 200, 100);
    QTest::newRow("larger than the work area") << QRect(0, 0, r + 300, b + 200) << QRect(0, 0, r, b);
}

void TestLayoutHelpers::fitFormToWorkArea()
{
    QFETCH(QRect, before);
    QFETCH(QRect, after);
    const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
    QWidget window;
    window.move(before.topLeft());
    window.resize(before.size());
    FitFormToWorkArea(&window);
    QCOMPARE(window.pos(), after.topLeft());
    QCOMPARE(window.size(), after.size());
    QCOMPARE(window.maximumSize(), QSize(area.x() + area.width(), area.y() + area.height()));
}

void TestLayoutHelpers::selectPlainEditLine()
{
    QPlainTextEdit edit;
    QStringList lines;
    for (int i = 0; i < 100; ++i)
        lines << QStringLiteral("line %1").arg(i);
    edit.setPlainText(lines.join('\n'));
    edit.setLineWrapMode(QPlainTextEdit::NoWrap);
    edit.resize(300, 200);
    edit.show();
    QVERIFY(QTest::qWaitForWindowExposed(&edit));

    QVERIFY(SelectEditLine(&edit, 50, 3));
    QCOMPARE(edit.textCursor().selectedText(), QString("line 50") + QChar::ParagraphSeparator);
    QCOMPARE(edit.verticalScrollBar()->value(), 47);
    QCOMPARE(edit.cursorForPosition(QPoint(5, 8)).block().blockNumber(), 47);

    QVERIFY(SelectEditLine(&edit, 2, 5));   // cannot scroll above the first line
    QCOMPARE(edit.verticalScrollBar()->value(), 0);
    QCOMPARE(edit.textCursor().selectedText(), QString("line 2") + QChar::ParagraphSeparator);

    QVERIFY(SelectEditLine(&edit, 99, 0));   // the last line: empty selection at its start
    QVERIFY(!edit.textCursor().hasSelection());
    QCOMPARE(edit.textCursor().position(), edit.document()->findBlockByNumber(99).position());

    QVERIFY(SelectEditLine(&edit, 10, 0));
    const QTextCursor kept = edit.textCursor();
    const int scroll = edit.verticalScrollBar()->value();
    QVERIFY(!SelectEditLine(&edit, 100, 0));
    QVERIFY(!SelectEditLine(&edit, -1, 0));
    QCOMPARE(edit.textCursor(), kept);
    QCOMPARE(edit.verticalScrollBar()->value(), scroll);
}

void TestLayoutHelpers::selectRichEditLine()
{
    QTextEdit edit;
    QStringList lines;
    for (int i = 0; i < 80; ++i)
        lines << QStringLiteral("row %1").arg(i);
    edit.setPlainText(lines.join('\n'));
    edit.resize(300, 200);
    edit.show();
    QVERIFY(QTest::qWaitForWindowExposed(&edit));

    QVERIFY(SelectEditLine(&edit, 30, 2));
    QCOMPARE(edit.textCursor().selectedText(), QString("row 30") + QChar::ParagraphSeparator);
    QCOMPARE(edit.cursorForPosition(QPoint(5, 6)).block().blockNumber(), 28);
    QVERIFY(!SelectEditLine(&edit, 80, 0));
}

void TestLayoutHelpers::fileDialogViewMode_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<int>("view");
    QTest::newRow("icons") << 0 << true << int(QFileDialog::List);
    QTest::newRow("list") << 1 << true << int(QFileDialog::List);
    QTest::newRow("details") << 2 << true << int(QFileDialog::Detail);
    QTest::newRow("thumbnails") << 3 << true << int(QFileDialog::List);
    QTest::newRow("tiles") << 4 << true << int(QFileDialog::List);
    QTest::newRow("unknown mode changes nothing") << 5 << false << int(QFileDialog::Detail);
    QTest::newRow("negative mode changes nothing") << -1 << false << int(QFileDialog::Detail);
}

void TestLayoutHelpers::fileDialogViewMode()
{
    QFETCH(int, mode);
    QFETCH(bool, ok);
    QFETCH(int, view);
    QFileDialog dialog;
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setViewMode(QFileDialog::Detail);
    dialog.show();
    QCOMPARE(SetFileDialogViewMode(&dialog, mode), ok);
    QCOMPARE(int(dialog.viewMode()), view);
    dialog.close();
    QVERIFY(!SetFileDialogViewMode(nullptr, 2));
}

void TestLayoutHelpers::animatedCursors()
{
    QCOMPARE(LoadAnimatedCursor("HORSE").shape(), Qt::BusyCursor);
    QCOMPARE(LoadAnimatedCursor("DINOSAUR").shape(), Qt::WaitCursor);
    QCOMPARE(LoadAnimatedCursor("DINOSAU2").shape(), Qt::WaitCursor);
}

void TestLayoutHelpers::waitCursorsNest()
{
    QVERIFY(!QGuiApplication::overrideCursor());
    try {
        const TWaitCursor outer;
        QCOMPARE(QGuiApplication::overrideCursor()->shape(), Qt::WaitCursor);
        {
            const TWaitCursor inner(Qt::BusyCursor);
            QCOMPARE(QGuiApplication::overrideCursor()->shape(), Qt::BusyCursor);
        }
        QCOMPARE(QGuiApplication::overrideCursor()->shape(), Qt::WaitCursor);
        throw std::runtime_error("command failed");
    } catch (const std::runtime_error &) {
    }
    QVERIFY(!QGuiApplication::overrideCursor());   // the exception took the cursor back too
}

// ---- Data grids -----------------------------------------------------------------

void TestLayoutHelpers::gridColumnsWidth_data()
{
    QTest::addColumn<bool>("lines");
    QTest::addColumn<bool>("indicator");
    QTest::addColumn<bool>("hideMiddle");
    QTest::addColumn<int>("expected");
    QTest::newRow("plain") << false << false << false << 180;
    QTest::newRow("column lines") << true << false << false << 183;
    QTest::newRow("indicator") << false << true << false << 191;
    QTest::newRow("indicator with lines") << true << true << false << 195;
    QTest::newRow("hidden column not counted") << true << true << true << 134;
}

void TestLayoutHelpers::gridColumnsWidth()
{
    QFETCH(bool, lines);
    QFETCH(bool, indicator);
    QFETCH(bool, hideMiddle);
    QFETCH(int, expected);
    TGridFixture grid;
    grid.setWidths(50, 60, 70);
    grid.view.setShowGrid(lines);
    grid.view.verticalHeader()->setVisible(indicator);
    grid.view.setColumnHidden(1, hideMiddle);
    QCOMPARE(GridColumnsWidth(&grid.view), expected);
}

void TestLayoutHelpers::gridLastVisibleColumn()
{
    TGridFixture grid;
    QCOMPARE(GridLastVisibleColumn(&grid.view), 2);
    grid.view.setColumnHidden(2, true);
    QCOMPARE(GridLastVisibleColumn(&grid.view), 1);
    grid.view.horizontalHeader()->moveSection(0, 2);   // "Name" shown last
    QCOMPARE(GridLastVisibleColumn(&grid.view), 0);
    grid.view.setColumnHidden(0, true);
    grid.view.setColumnHidden(1, true);
    QCOMPARE(GridLastVisibleColumn(&grid.view), 0);
}

void TestLayoutHelpers::fitGridColumnsWidensLast()
{
    TGridFixture grid;
    grid.setWidths(50, 60, 70);
    QVERIFY(FitGridColumns(&grid.view, -1));
    QCOMPARE(grid.view.columnWidth(0), 50);
    QCOMPARE(grid.view.columnWidth(1), 60);
    QCOMPARE(GridColumnsWidth(&grid.view), GridFillWidth(&grid.view));
    // The columns fill the viewport exactly, with or without lines and indicator.
    QCOMPARE(grid.cellsWidth(), grid.view.viewport()->width());

    grid.view.setShowGrid(false);
    grid.view.verticalHeader()->hide();
    grid.setWidths(50, 60, 70);
    QVERIFY(FitGridColumns(&grid.view, -1));
    QCOMPARE(grid.cellsWidth(), grid.view.viewport()->width());
    QVERIFY(!FitGridColumns(&grid.view, -1));   // fits exactly: nothing to do
}

void TestLayoutHelpers::fitGridColumnsNarrowsToTitles_data()
{
    QTest::addColumn<int>("excess");
    QTest::addColumn<int>("kept");
    QTest::addColumn<int>("viewWidth");
    QTest::addColumn<bool>("fitted");
    QTest::newRow("last column takes it") << 20 << -1 << 400 << true;
    QTest::newRow("spills to the previous column") << 200 << -1 << 400 << true;
    QTest::newRow("kept column is skipped") << 20 << 3 << 400 << true;
    // The three titles need more than this viewport offers.
    QTest::newRow("titles limit the narrowing") << 100 << -1 << 100 << false;
}

void TestLayoutHelpers::fitGridColumnsNarrowsToTitles()
{
    QFETCH(int, excess);
    QFETCH(int, kept);
    QFETCH(int, viewWidth);
    QFETCH(bool, fitted);
    TGridFixture grid;
    grid.view.resize(viewWidth, 200);
    QCoreApplication::processEvents();
    const int fill = GridFillWidth(&grid.view);
    const int overhead = fill - grid.view.viewport()->width();
    // Spread fill + excess over the three columns, the last two getting most.
    const int total = fill + excess - overhead;
    const int first = total / 5;
    const int second = (total - first) / 2;
    grid.setWidths(first, second, total - first - second);
    QCOMPARE(GridColumnsWidth(&grid.view), fill + excess);
    const QList<int> before{grid.view.columnWidth(0), grid.view.columnWidth(1), grid.view.columnWidth(2)};

    QCOMPARE(FitGridColumns(&grid.view, kept), fitted);
    int taken = 0;
    for (int c = 0; c < 3; ++c) {
        const int width = grid.view.columnWidth(c);
        QVERIFY(width <= before.at(c));
        QVERIFY(width >= std::min(before.at(c), grid.titleWidth(c)));
        taken += before.at(c) - width;
    }
    if (kept > 0)
        QCOMPARE(grid.view.columnWidth(kept - 1), before.at(kept - 1));
    // Narrowing runs from the right: a column is only touched when every
    // column right of it (kept one aside) is down to its title.
    for (int c = 0; c < 2; ++c) {
        if (grid.view.columnWidth(c) == before.at(c))
            continue;
        for (int right = c + 1; right < 3; ++right)
            if (right + 1 != kept)
                QCOMPARE(grid.view.columnWidth(right), std::min(before.at(right), grid.titleWidth(right)));
    }
    if (fitted) {
        QCOMPARE(taken, excess);
        QCOMPARE(GridColumnsWidth(&grid.view), fill);
    } else {
        QVERIFY(taken < excess);
    }

    // Without titles the columns are left as they are.
    grid.setWidths(before.at(0), before.at(1), before.at(2));
    grid.view.horizontalHeader()->hide();
    QVERIFY(!FitGridColumns(&grid.view, kept));
    QCOMPARE(grid.view.columnWidth(2), before.at(2));
}

void TestLayoutHelpers::autoSizeGridColumns()
{
    TGridFixture grid;
    // "Kind" becomes a numeric field six characters wide, "Size" a column
    // without field.
    grid.model.setHeaderData(1, Qt::Horizontal, GridOtherField, GridFieldKindRole);
    grid.model.setHeaderData(1, Qt::Horizontal, 6, GridDisplayWidthRole);
    grid.model.setHeaderData(2, Qt::Horizontal, GridNoField, GridFieldKindRole);
    grid.view.setCurrentIndex(grid.model.index(1, 0));   // "second row"
    const QFontMetrics metrics(grid.view.font());
    const int name = std::max(TextPixelWidth("second row", grid.view.font()), grid.titleWidth(0));
    const int kind = std::max(6 * metrics.horizontalAdvance('1'), grid.titleWidth(1));

    // Forced: the first columns keep a larger width, the last one fills.
    grid.setWidths(name + 30, 1, 5);
    QCOMPARE(AutoSizeGridColumns(&grid.view, true), -1);
    QCOMPARE(grid.view.columnWidth(0), name + 30);
    QCOMPARE(grid.view.columnWidth(1), kind);
    QCOMPARE(grid.cellsWidth(), grid.view.viewport()->width());

    // Too wide for the grid: sized to content and the total reported.
    grid.view.resize(name + kind / 2, 200);
    QCoreApplication::processEvents();
    grid.setWidths(500, 500, 500);
    const int size = std::max(metrics.horizontalAdvance('0'), grid.titleWidth(2));
    const int total = AutoSizeGridColumns(&grid.view, false);
    QCOMPARE(grid.view.columnWidth(0), 500);   // a larger current width is kept
    QCOMPARE(grid.view.columnWidth(1), 500);
    QCOMPARE(grid.view.columnWidth(2), size);  // the last column takes its content width
    QCOMPARE(total, GridColumnsWidth(&grid.view));
    QVERIFY(total > GridFillWidth(&grid.view));

    // Without titles text fields are measured alone, numeric fields by "0".
    grid.view.horizontalHeader()->hide();
    grid.view.resize(60, 200);
    QCoreApplication::processEvents();
    grid.setWidths(1, 1, 1);
    AutoSizeGridColumns(&grid.view, true);
    QCOMPARE(grid.view.columnWidth(0), TextPixelWidth("second row", grid.view.font()));
    QCOMPARE(grid.view.columnWidth(1), 6 * metrics.horizontalAdvance('0'));
    QCOMPARE(grid.view.columnWidth(2), metrics.horizontalAdvance('0'));
}

void TestLayoutHelpers::autoSizeLeavesFittingColumns()
{
    TGridFixture grid;
    grid.setWidths(20, 20, 20);
    QCOMPARE(AutoSizeGridColumns(&grid.view, false), -1);
    QCOMPARE(grid.view.columnWidth(0), 20);
    QCOMPARE(grid.view.columnWidth(2), 20);
}

void TestLayoutHelpers::gridPreferredWidth()
{
    TGridFixture grid;
    grid.view.horizontalHeader()->hide();
    grid.view.setColumnHidden(2, true);
    grid.model.setHeaderData(0, Qt::Horizontal, 12, GridDisplayWidthRole);
    grid.model.setHeaderData(1, Qt::Horizontal, GridOtherField, GridFieldKindRole);
    grid.view.setCurrentIndex(grid.model.index(0, 0));   // "first", "a"
    const QFontMetrics metrics(grid.view.font());
    const int zero = metrics.horizontalAdvance('0');
    const int scrollBar = grid.view.style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, &grid.view);

    // Text fields by their value, the numeric field by its value's length.
    QCOMPARE(GridPreferredWidth(&grid.view, false),
             TextPixelWidth("first", grid.view.font()) + 2 + 1 * zero + 2 + scrollBar + 2);
    // Digits only: every field by display width.
    QCOMPARE(GridPreferredWidth(&grid.view, true), 12 * zero + 2 + 1 * zero + 2 + scrollBar + 2);
}

// ---- Button layout -----------------------------------------------------------------

void TestLayoutHelpers::frameButtonRows_data()
{
    QTest::addColumn<int>("slack");
    QTest::addColumn<bool>("wraps");
    QTest::newRow("row fits") << 9 << false;
    QTest::newRow("reaching the left margin wraps") << 8 << true;
}

void TestLayoutHelpers::frameButtonRows()
{
    QFETCH(int, slack);
    QFETCH(bool, wraps);
    QWidget window;
    window.resize(800, 400);
    auto *frame = new QFrame(&window);
    frame->setObjectName("pnlCommands");
    frame->setFrameStyle(QFrame::Box | QFrame::Plain);
    frame->setLineWidth(3);
    QPushButton *one = tagged(frame, "One", 1);
    QPushButton *two = tagged(frame, "Two", 1);
    QPushButton *three = tagged(frame, "Three more", 1);
    QPushButton *four = tagged(frame, "Four", 2);
    QPushButton *hidden = tagged(frame, "Hidden", 1);
    hidden->hide();
    QPushButton *untagged = tagged(frame, "Untagged", 0);
    QPushButton *noFocus = tagged(frame, "No focus", 1);
    noFocus->setFocusPolicy(Qt::NoFocus);
    auto *check = new QCheckBox("Check", frame);
    check->setProperty("Tag", 1);
    const QList<QWidget *> ignored{hidden, untagged, noFocus, check};
    for (QWidget *w : ignored)
        w->setGeometry(300, 300, 50, 20);

    const int w1 = plainWidth(one), w2 = plainWidth(two), w3 = plainWidth(three), w4 = plainWidth(four);
    const int client = w1 + w2 + w3 + slack;
    frame->setGeometry(0, 0, client + 6, 50);
    ArrangeFrameButtons(&window);

    const int m = 3;   // the frame's line width
    const int h = one->height();
    QCOMPARE(one->width(), w1);
    QCOMPARE(three->width(), w3);
    QCOMPARE(four->width(), w4);
    // The highest tag, last in order, stands at the top right.
    QCOMPARE(four->pos(), QPoint(m + client - 2 - w4, m + 2));
    const int row1 = 2 + four->height() + 2;
    QCOMPARE(three->pos(), QPoint(m + client - 2 - w3, m + row1));
    QCOMPARE(two->pos(), QPoint(three->x() - 2 - w2, m + row1));
    int need1 = w1 + w2 + w3 + 8;
    int bottom = row1 + h;
    if (wraps) {
        const int row2 = row1 + h + 2;
        QCOMPARE(one->pos(), QPoint(m + client - 2 - w1, m + row2));
        need1 = w2 + w3 + 6;
        bottom = row2 + h;
    } else {
        QCOMPARE(one->pos(), QPoint(two->x() - 2 - w1, m + row1));
        QCOMPARE(one->x(), m + 3);
    }
    QCOMPARE(frame->height(), bottom + 4 + 2 * m);
    QCOMPARE(frame->property("Tag").toInt(), std::max({need1, w4 + 4, w1 + 4}));
    for (QWidget *w : ignored)
        QCOMPARE(w->geometry(), QRect(300, 300, 50, 20));
}

void TestLayoutHelpers::formButtonRows_data()
{
    QTest::addColumn<int>("reserve");
    QTest::addColumn<int>("slack");
    QTest::addColumn<bool>("wraps");
    QTest::newRow("no reserve, row fits") << -1 << 5 << false;
    QTest::newRow("no reserve, row passes the edge") << -1 << 4 << true;
    QTest::newRow("zero reserve keeps natural widths") << 0 << 6 << false;
    QTest::newRow("zero reserve, row passes the edge") << 0 << 5 << true;
    QTest::newRow("reserve narrows the rows") << 40 << 45 << true;
}

void TestLayoutHelpers::formButtonRows()
{
    QFETCH(int, reserve);
    QFETCH(int, slack);
    QFETCH(bool, wraps);
    QWidget window;
    window.resize(800, 400);
    auto *panel = new QWidget(&window);
    panel->setObjectName("pnlButtons");
    QPushButton *a = tagged(panel, "Open", 1);
    QPushButton *b = tagged(panel, "Save as", 1);
    QPushButton *c = tagged(panel, "Close", 1);
    QPushButton *d = tagged(panel, "Help", 2);
    const int wa = plainWidth(a), wb = plainWidth(b), wc = plainWidth(c), wd = plainWidth(d);
    const int client = wa + wb + wc + slack;
    panel->setGeometry(0, 0, client, 30);
    ArrangeFormButtons(&window, reserve);

    const int h = a->height();
    QCOMPARE(a->pos(), QPoint(2, 2));
    QCOMPARE(b->pos(), QPoint(2 + wa + 2, 2));
    int rows = 2;
    int need = wa + wb + wc + 8;
    QList<QPushButton *> rowEnds{c, d};
    if (wraps) {
        QCOMPARE(c->pos(), QPoint(2, 2 + h + 2));
        rows = 3;
        need = std::max({wa + wb + 6, wc + 4, wd + 4});
        rowEnds = {b, c, d};
    } else {
        QCOMPARE(c->pos(), QPoint(2 + wa + 2 + wb + 2, 2));
    }
    QCOMPARE(d->pos(), QPoint(2, 2 + (rows - 1) * (h + 2)));
    QCOMPARE(panel->height(), rows * h + (rows - 1) * 2 + 2 + 4);
    QCOMPARE(panel->property("Tag").toInt(), need);
    QCOMPARE(a->width(), wa);
    if (reserve == 0) {
        QCOMPARE(b->width(), wb);
        QCOMPARE(c->width(), wc);
        QCOMPARE(d->width(), wd);
    } else {
        // Every row ends at the right edge of the widest one.
        const int edge = need - 2;
        for (QPushButton *end : rowEnds)
            QCOMPARE(end->x() + end->width(), edge);
    }
}

void TestLayoutHelpers::formButtonsFollowTabOrderAndGlyphs()
{
    QWidget window;
    window.resize(600, 200);
    auto *panel = new QWidget(&window);
    panel->setObjectName("pnlButtons");
    panel->setGeometry(0, 0, 600, 40);
    QPushButton *first = tagged(panel, "&First", 1);
    auto *glyph = new QToolButton(panel);
    glyph->setText("Glyph");
    glyph->setFocusPolicy(Qt::TabFocus);
    glyph->setProperty("Tag", 1);
    glyph->setProperty("Spacing", 5);
    QPixmap pixmap(18, 18);
    pixmap.fill(Qt::red);
    glyph->setIcon(QIcon(pixmap));
    glyph->setIconSize(QSize(17, 17));
    auto *plainGlyph = new QPushButton(QIcon(pixmap), "Icon", panel);
    plainGlyph->setIconSize(QSize(16, 16));
    plainGlyph->setProperty("Tag", 1);
    QWidget::setTabOrder(glyph, first);   // glyph, first, plainGlyph
    QWidget::setTabOrder(first, plainGlyph);

    ArrangeFormButtons(&window, 0);
    const int glyphWidth = 9 + 3 * 5 + TextPixelWidth("Glyph", glyph->font());
    QCOMPARE(glyph->geometry().topLeft(), QPoint(2, 2));
    QCOMPARE(glyph->width(), glyphWidth);
    // The mnemonic marker is not drawn, so it is not measured.
    QCOMPARE(first->width(), TextPixelWidth("First", first->font()) + 8);
    QCOMPARE(first->x(), 2 + glyphWidth + 2);
    QCOMPARE(plainGlyph->width(), 8 + 3 * 4 + TextPixelWidth("Icon", plainGlyph->font()));
    QCOMPARE(plainGlyph->x(), first->x() + first->width() + 2);
}

void TestLayoutHelpers::formButtonsOnlyParent()
{
    QWidget window;
    window.resize(600, 200);
    auto *top = new QWidget(&window);
    top->setObjectName("pnlTop");
    top->setGeometry(0, 0, 600, 40);
    auto *bottom = new QWidget(&window);
    bottom->setObjectName("pnlBottom");
    bottom->setGeometry(0, 100, 600, 40);
    QPushButton *outside = tagged(top, "Outside", 1);
    outside->setGeometry(100, 5, 60, 20);
    QPushButton *inside = tagged(bottom, "Inside", 1);
    inside->setGeometry(100, 5, 60, 20);

    ArrangeFormButtons(&window, 0, bottom);
    QCOMPARE(outside->geometry(), QRect(100, 5, 60, 20));
    QCOMPARE(inside->geometry(), QRect(2, 2, plainWidth(inside), 20));
    QCOMPARE(bottom->height(), 2 + 20 + 4);
    QCOMPARE(top->height(), 40);
}

void TestLayoutHelpers::formSingleButtonStretches()
{
    QWidget window;
    window.resize(300, 200);
    QPushButton *ok = tagged(&window, "OK", 1);
    ok->resize(40, 24);
    ArrangeFormButtons(&window, 0);
    QCOMPARE(ok->geometry(), QRect(2, 2, plainWidth(ok), 24));
    QCOMPARE(window.height(), 2 + 24 + 4);
    QCOMPARE(window.property("Tag").toInt(), plainWidth(ok) + 4);

    ArrangeFormButtons(&window, -1);
    QCOMPARE(ok->geometry(), QRect(2, 2, 300 - 4, 24));
    QCOMPARE(window.property("Tag").toInt(), plainWidth(ok) + 4);
}

QTEST_MAIN(TestLayoutHelpers)
#include "tst_layouthelpers.moc"
