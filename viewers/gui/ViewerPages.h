#pragma once
// The internal viewer of a window: every file opened gets a page on the
// tab widget it is given, named "tsv" + a running number, holding a
// TFrameSimpleViewer in the viewer font. A file opened again brings its
// page to front (reloaded after a question when it changed). The tab
// widget stays the window's; the pages only add and remove its tabs.

#include <QFont>
#include <QPointer>
#include <QString>
#include <QTabWidget>

#include <functional>

class IReporter;
class QWidget;
class TFrameSimpleViewer;

class TViewerPages
{
public:
    // Failures (a file that does not exist) are reported there, ending the command.
    TViewerPages(QTabWidget *tabs, IReporter &reporter);

    QTabWidget *Tabs() const { return m_tabs; }
    int Count() const;
    // The viewer of the current page; nullptr without pages.
    TFrameSimpleViewer *ActiveViewer() const;

    // Before a file is shown: the window brings the tab widget's own page to front.
    std::function<void()> OnShow;
    // The last page was closed: the window may hide the viewer again.
    std::function<void()> OnLastPageClosed;
    // Runs OnShow.
    void Show();

    // The page caption of a file: its path below baseFolder when it lies
    // there (compared without case), else the whole path.
    static QString Caption(const QString &path, const QString &baseFolder);
    // Shows the file on a page captioned Caption(path, baseFolder). A page
    // with that caption is brought to front; when its file changed since it
    // was loaded it is loaded again on a new page, for other files than logs
    // only after the user agreed. A file that cannot be read leaves no page.
    void Open(const QString &path, const QString &baseFolder);
    void ClosePage(int index);
    // Closes the current page; false when there was none.
    bool CloseCurrent();
    void CloseAll();

    // Pages opened so far: the number the next page's name carries.
    int PageCounter() const { return m_pageCounter; }

    // The viewer font, applied to open pages too.
    QFont Font() const { return m_font; }
    void SetFont(const QFont &font);
    // A monospaced "Lucida Console" of 11 pixels.
    static QFont DefaultFont();
    // The font the user chose last ("FontName", "FontSize", ... in the
    // per-user settings); the font stays when none was stored.
    void ReadFontSettings();
    // The font dialog; a chosen font is applied to every page and stored in
    // the settings, its Apply button sets the font of the current page only.
    // False when the user cancelled.
    bool ChooseFont(QWidget *parent);

    // The edit commands on the current page's text: the selection to the
    // clipboard, the whole text selected. Nothing without pages.
    void CopySelection();
    void SelectAllText();

private:
    QPointer<QTabWidget> m_tabs;
    IReporter &m_reporter;
    int m_pageCounter = 0;
    QFont m_font;
};
