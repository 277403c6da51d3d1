#pragma once
// Window and layout helpers of the routine library: fitting windows to the
// work area, selecting memo lines, file dialog view modes, data grid column
// sizing over QTableView, and the row layout of tagged command buttons.
//
// The pixel constants of the grid and button arithmetic are the measures the
// windows were laid out with; the window and panel sizes the settings hold
// were taken with them, so a constant tuned on its own brings stored layouts
// back off.
//
// Tags: a widget's numeric tag is its dynamic property "Tag" (int, 0 when
// missing). Command buttons are grouped into rows by it; a button panel's
// tag receives the width its widest row needs.

#include <QCursor>
#include <QList>
#include <QString>
#include <qnamespace.h>

class QFileDialog;
class QPlainTextEdit;
class QSplitter;
class QTableView;
class QTextEdit;
class QWidget;

// Name of the dynamic property holding a widget's numeric tag.
inline constexpr const char *TagProperty = "Tag";
int WidgetTag(const QWidget *widget);
void SetWidgetTag(QWidget *widget, int tag);

// ---- Windows ----------------------------------------------------------------
// Keeps the window on the work area (the available geometry of its screen):
// maximum size = right x bottom edge of the work area, the top kept between 0
// and bottom - 50, the left between 0 and right - 50, height and width cut to
// the bottom and right edge. Position is the frame position, size the client
// size. The 50 pixels keep a corner of the window on screen to grab it by
// when the stored position came from a larger screen.
void FitFormToWorkArea(QWidget *window);

// A main window's place and the width of its splitter's first panel, kept
// per user under "FormTop", "FormLeft", "FormWidth", "FormHeight" and each
// panel's object name + ".Width". Restoring does nothing before a first
// save; saving skips a minimised or maximised window and a start that never
// reached the per-user settings.
void RestoreMainWindowPlace(QWidget *window, QSplitter *splitter, QWidget *firstPanel);
void SaveMainWindowPlace(QWidget *window, const QList<QWidget *> &panels);

// Selects the whole 0-based line (paragraph) including its line break, or an
// empty selection at its start for the last line, brings it into view and
// scrolls so that it stands linesAbove lines below the first visible line.
// False, and nothing changes, when the line does not exist.
bool SelectEditLine(QPlainTextEdit *edit, int line, int linesAbove);
bool SelectEditLine(QTextEdit *edit, int line, int linesAbove);

// View style of an open file dialog: mode 2 (details) shows the detail view,
// modes 0, 1, 3 and 4 (icons, list, thumbnails, tiles) the list view. False
// for other modes, for a native dialog and for a dialog without item views.
bool SetFileDialogViewMode(QFileDialog *dialog, int mode);

// The busy cursors the shell loads by name ("DINOSAU2", "DINOSAUR", "HORSE"):
// no animated cursor resources exist here, so "HORSE" gives the busy
// (working in background) cursor and every other name the wait cursor.
QCursor LoadAnimatedCursor(const QString &name);

// ---- Data grids (QTableView) ------------------------------------------------
// Columns are the horizontal header's sections that are not hidden, in visual
// order; titles are shown when the horizontal header is not hidden, column
// lines when showGrid() holds, and the record indicator when the vertical
// header is not hidden (counted as 11 pixels, 12 with column lines).
//
// Why the sums are what they are: a column line is one pixel beside each
// column, so with lines every visible column counts one more; the record
// indicator is counted at the width the layouts were measured with, whatever
// the vertical header really takes, so a grid fits the same columns with or
// without it. Text is measured with TextPixelWidth (the text plus cell
// margin and frame on both sides). Other fields are measured by their
// display width in digits: with "1" when a titled grid sizes to its content,
// where the title bounds the column from below anyway; with "0", the widest
// digit, when the digits alone decide.
//
// The model tells what a column shows through its header data (horizontal
// orientation) in these roles:
enum TGridHeaderRole {
    // TGridFieldKind; a column without it shows a text field.
    GridFieldKindRole = Qt::UserRole + 0x500,
    // Display width of the field in characters; without it the length of the
    // current row's text is used.
    GridDisplayWidthRole,
};
enum TGridFieldKind {
    GridTextField = 0,
    GridOtherField = 1,   // numbers, dates and the like: measured by display width
    GridNoField = 2,      // a column not bound to a field
};

// Sum of the visible column widths (+1 each with column lines) plus the
// record indicator.
int GridColumnsWidth(const QTableView *grid);
// The GridColumnsWidth at which the visible columns exactly fill the grid's
// viewport; plays the part of the grid's client width - 1 below.
int GridFillWidth(const QTableView *grid);
// Logical index of the last visible column (visual order); 0 when none.
int GridLastVisibleColumn(const QTableView *grid);
// Narrower columns: the last visible one is widened to fill, true. Wider
// columns with titles: narrowed from the last visible column leftwards, each
// at most down to its title width, skipping the column whose number
// (logical index + 1) is keptColumn (-1: none); true when the whole excess
// was taken up.
// Otherwise false.
bool FitGridColumns(QTableView *grid, int keptColumn = -1);
// When forced or when the columns are too wide: sizes every visible column to
// its content (current row) and title; the last visible column takes that
// width, the others keep a larger current width; then a last column that
// leaves room is widened to fill. -1 when the columns fit afterwards,
// otherwise their total width (GridColumnsWidth). With wholeView every row
// in view is measured too, and the title with the header's margins, so
// nothing the grid shows is cut.
int AutoSizeGridColumns(QTableView *grid, bool force, bool wholeView = false);
// Width the grid wants: the content widths as in AutoSizeGridColumns + 2 each
// (digitsOnly: every field measured by display width x width of "0"), plus
// a vertical scroll bar and 2. The scroll bar is counted although none may
// show yet, so the width still holds once the rows outgrow the grid; the 2s
// are the lines and frame as the layouts counted them.
// wholeView: measured as AutoSizeGridColumns measures with it.
int GridPreferredWidth(const QTableView *grid, bool digitsOnly, bool wholeView = false);

// ---- Button layout ------------------------------------------------------------
// Buttons taking part: QPushButton and QToolButton descendants of the window
// (or frame) that are visible to it, take the focus (policy other than
// NoFocus) and have a tag > 0. A button with an icon counts as a glyph
// button: icon width / 2 + 3 x its "Spacing" property (default 4) + text
// width; a button without one is its text width + 8. Buttons are sorted by
// parent name, tag and tab order, where the tab order is the order of the
// focus chain (QWidget::nextInFocusChain). Rows have 2-pixel gaps; a
// parent's client height becomes the bottom of its last row + 4 and its tag
// the width its widest row needs (button widths, 2-pixel gaps between them
// and a 2-pixel margin on both sides).
//
// The tag is what groups: equal tags share a row, so a window's layout
// chooses its rows by numbering its buttons, and the tab order (the order
// the user moves through them) orders a row. The widths are the measures the
// layouts were made with: a glyph button counts half its icon width, the
// spacing three times (between icon and caption and at both ends), a plain
// button 4 pixels of margin each side. The parent's tag is taken before any
// button is widened, so a window can size a panel to the rows' natural
// width; the 4 pixels below the last row leave room for the panel's frame.
//
// Rows from the top left. A row wraps when it would pass the parent's client
// width - reserve (-1: no reserve). With reserve != 0 the last button of
// every row is widened so that all rows of a parent end at the same right
// edge (the one of its widest row), and a single button is stretched across
// its parent. onlyParent restricts the layout to the buttons of one panel.
void ArrangeFormButtons(QWidget *window, int reserve, QWidget *onlyParent = nullptr);
// Rows right-aligned from the top right, filled right to left.
void ArrangeFrameButtons(QWidget *frame);
