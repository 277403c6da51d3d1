#pragma once
// The reuse job's source list: the check list of "path=NNNN" lines, the name
// holder (path and kind per N) and the status holder (status text per N)
// behind it, recognising a file's kind, adding files and folders, removing
// entries together with their repository interface, the refresh against the
// WSDL results, the common root with its depth, the selection commands and
// the way a line is drawn. The window owns the controls and wires its
// actions to the commands here.

#include "Errors.h"

#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QStyledItemDelegate>

#include <functional>

class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QListWidgetItem;
class TDM;
class TMyStatusBar;
class TStringListHolder;
class TfrmProgressQuenbar;

// A failure of the list's own computations that carries the user's message.
class ESourceListError : public EQuenbarError
{
public:
    using EQuenbarError::EQuenbarError;
};

// What the source list works on. The window keeps ownership of everything.
struct TSourceListControls
{
    QListWidget *List = nullptr;            // CheckListBoxSelectedFiles
    TStringListHolder *Names = nullptr;     // STLHCentral_Name (saves its objects: the kinds)
    TStringListHolder *Statuses = nullptr;  // STLHCentral_Other
    QLineEdit *CommonRootEdit = nullptr;    // EditCommonRoot
    QLabel *LabelDepth = nullptr;           // may be null
    QGroupBox *Group = nullptr;             // GroupBoxSelectedFiles, caption "... (n)"; may be null
    TMyStatusBar *StatusBar = nullptr;      // MyStB
    TDM *DM = nullptr;                      // may be null: no repository to clean
    TfrmProgressQuenbar *Progress = nullptr; // may be null

    std::function<QString()> OutputDirectory;   // without trailing delimiter
    std::function<QString()> LanguageCode;
    // A settings value by name (the window's settings text, ValueOf).
    std::function<QString(const QString &name)> SettingValue;
    std::function<int()> BigDirectoryLimit;     // 50 when not given
    std::function<int()> MaxDirDepth;           // 0 when not given
    // Validates product and system name and sets job name and caption;
    // raises (EAbort) when a name is refused.
    std::function<void()> CheckJobNames;
    std::function<void()> MarkModified;
    // Shows or hides "Recalculate modular structure".
    std::function<void(bool visible)> ShowRecalculate;
    // Brings the "Names and datasets" page to the front.
    std::function<void()> ShowNamesPage;
};

class TSourceList : public QObject
{
    Q_OBJECT
public:
    enum TSourceKind { skNone = 0, skProc = 1, skObjt = 2, skOrigWSDL = 3 };

    // ---- Widget-free helpers ------------------------------------------------
    // "<None>", "<Proc>", "<Objt>", "<OrigWSDL>"; "<None>" for any other number.
    static QString KindName(int kind);
    // The kind of a file: 0 missing or not a source, 3 ".wsdl", 1/2 a CSV
    // export of a procedural / object-oriented language. Unreadable files
    // raise EFileError.
    static int SourceKindOf(const QString &path);
    // outputDirectory + "/WSDLDir/" + base name + ".wsdl".
    static QString WSDLResultOf(const QString &outputDirectory, const QString &path);
    // A list line: path + "=" + four-digit N, and its two parts.
    static QString MakeLine(const QString &path, int number);
    static QString LinePath(const QString &line);
    static bool LineNumber(const QString &line, int &number);
    // The drive part of a path: "C:", "//server/share", or empty.
    static QString DriveOf(const QString &path);

    struct TCommonRoot
    {
        QString Root;   // without trailing delimiter
        int Depth = 0;  // M - C
    };
    // The longest common folder of the paths (checked or not), keeping two
    // levels below it for the modular structure unless fullDepth
    // (MaxDirDepth 99). Different drives raise ESourceListError.
    static TCommonRoot ComputeCommonRoot(const QStringList &paths, bool fullDepth);

    // The extensions (".csv") a dialog filter names, in either stored form
    // ("desc|*.csv;*.wsdl|..." or "desc (*.csv *.wsdl);;...").
    static QStringList DialogExtensions(const QString &filter);
    // The extension list a folder search takes: "*.csv;*.wsdl;"; "*.*;"
    // when the filter admits every file.
    static QString FolderExtensions(const QString &filter);
    // The filter as the file dialog takes it ("desc (*.csv);;...").
    static QString DialogFilter(const QString &filter);

    // ---- The list --------------------------------------------------------
    explicit TSourceList(const TSourceListControls &controls, QObject *parent = nullptr);
    ~TSourceList() override;

    const TSourceListControls &Controls() const { return m_c; }
    // Created after the window: handed in when they exist.
    void SetDataModule(TDM *dm) { m_c.DM = dm; }
    void SetProgressWindow(TfrmProgressQuenbar *progress) { m_c.Progress = progress; }

    // The list is kept sorted case-insensitively by this class (the view's
    // own sorting compares case-sensitively and stays off).
    bool Sorted() const { return m_sorted; }
    void SetSorted(bool on);

    int Count() const;
    QString PathAt(int row) const;
    int NumberAt(int row) const;   // -1 when the line carries no number
    bool CheckedAt(int row) const;
    bool EnabledAt(int row) const;
    // Row of the line for the path (case-insensitive), -1 when none.
    int RowOfPath(const QString &path) const;

    bool AddSourceFile(const QString &path);
    bool RemoveSourceFile(const QString &path);
    bool RemoveSourceFile(int row);
    void RenumberSourceList();
    void RefreshSourceList();                               // ActRefresh
    void AddSourceFolder(const QString &folder, bool ask);
    void CalculateCommonRoot(bool strict);                  // ActCalculateCommonRoot(Strict)
    void SetCommonRoot(const QString &root);
    void CheckSourcesSelected();
    QString LanguageFileFilter();

    // Commands.
    void AddFilesFromDialog();              // ActAddfiles
    void AddFolderFromDialog();             // ActAddDirectories
    void RemoveUncheckedFiles();            // ActRemoveFiles
    // The selection commands act on the invoking control when it is a check
    // list, otherwise on the window's focused check list.
    void SelectAll(QObject *invoker);       // ActSelectAll
    void UnselectAll(QObject *invoker);     // ActUnselectAll
    void ToggleSelect(QObject *invoker);    // ActToggleSelect, double click
    void DropFiles(const QStringList &names);

    // "Source files of the project (n)" and the recalculate action.
    void UpdateGroupCaption();

    QString CommonRoot() const { return m_root; }
    int CommonRootPosition() const { return m_rootPosition; }   // 1-based start of the part below the root
    int CommonRootWidth() const { return m_rootWidth; }
    int Depth() const { return m_depth; }
    int HorizontalExtent() const { return m_extent; }

    // For the delegate: the status text of a line and the part of the path
    // drawn for it.
    QString StatusTextAt(int row) const;
    QString ShownPath(int row) const;

    // Called by the delegate when the user changed a check mark.
    void NotifyCheckMarkClicked() { emit CheckMarkClicked(); }

signals:
    // The user ticked or unticked a line (ActCalculateCommonRoot follows).
    void CheckMarkClicked();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    struct TBatch;

    // Adds a file whose kind is known; false when it is no source or listed checked.
    bool addFile(const QString &path, int kind);
    QListWidgetItem *newLine(const QString &path, int number) const;
    void insertLine(QListWidgetItem *item);
    void sortLines();
    int bigLimit() const;
    void markModified();
    [[noreturn]] void error(const QString &message);
    QListWidget *targetList(QObject *invoker);
    void removeHolderEntry(TStringListHolder *holder, int index);
    void renumberLines();
    int indexOfName(const QString &path) const;
    int widestPath() const;
    QString listExtensions();

    TSourceListControls m_c;
    bool m_sorted = true;
    int m_batch = 0;            // > 0: renumbering and sorting wait for the batch end
    QString m_root;
    int m_rootPosition = 1;
    int m_rootWidth = 0;
    int m_depth = 0;
    int m_extent = 0;
};

// Draws a line of the source list: for a ticked line the path below the
// common root and the status text in a column behind the widest path; for
// an unticked line the full path with the status behind it; disabled lines
// greyed. The stored item text stays the "path=NNNN" line.
class TSourceListDelegate : public QStyledItemDelegate
{
    Q_OBJECT
public:
    TSourceListDelegate(TSourceList *owner, QObject *parent = nullptr);

    void paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const override;
    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override;

protected:
    bool editorEvent(QEvent *event, QAbstractItemModel *model, const QStyleOptionViewItem &option,
                     const QModelIndex &index) override;

private:
    QPointer<TSourceList> m_owner;
};
