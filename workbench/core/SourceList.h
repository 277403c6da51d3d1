#pragma once
// The reuse job's source list: the check list of "path=NNNN" lines (a model
// any view shows), the name holder (path and kind per N) and the status
// holder (status text per N) behind it, recognising a file's kind, adding
// files and folders, removing entries together with their repository
// interface, the refresh against the WSDL results, the common root with its
// depth and the selection commands. It knows no widget: the window shows
// the lines in its view, follows the signals below and wires its actions to
// the commands here.

#include "CheckListModel.h"
#include "Errors.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <functional>

class IProgress;
class IReporter;
class TStringListHolder;

// A failure of the list's own computations that carries the user's message.
class ESourceListError : public EQuenbarError
{
public:
    using EQuenbarError::EQuenbarError;
};

// What the source list asks of its surroundings; every part may be left out.
struct TSourceListHooks
{
    // Messages and questions; without one messages go nowhere and
    // questions take the answer an unattended run would.
    IReporter *Reporter = nullptr;
    IProgress *Progress = nullptr;

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
    // Deletes the repository interface of a removed entry (by the file's
    // base name); not given: no repository to clean.
    std::function<void(const QString &csvName)> RemoveInterface;
    // The pixel width of a text as the view draws it; the number of
    // characters when not given.
    std::function<int(const QString &text)> TextWidth;
    // The busy cursor on and off around a long step.
    std::function<void(bool busy)> ShowBusy;
};

class TSourceList : public TCheckListModel
{
    Q_OBJECT
public:
    enum TSourceKind { skNone = 0, skProc = 1, skObjt = 2, skOrigWSDL = 3 };

    // ---- Helpers ------------------------------------------------------------
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
    // The group caption for a count: "Source files of the project (3)" from
    // the caption before, whatever count it showed.
    static QString CountCaption(const QString &caption, int count);

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
    // The holders are the window's, which saves them with the job; the list
    // makes its own when given none (names saving their objects, the kinds).
    explicit TSourceList(const TSourceListHooks &hooks, TStringListHolder *names = nullptr,
                         TStringListHolder *statuses = nullptr, QObject *parent = nullptr);
    ~TSourceList() override;

    const TSourceListHooks &Hooks() const { return m_h; }
    IReporter *Reporter() const { return m_h.Reporter; }
    // Made after the window: handed in when they exist.
    void SetReporter(IReporter *reporter) { m_h.Reporter = reporter; }
    void SetProgress(IProgress *progress) { m_h.Progress = progress; }

    TStringListHolder *Names() const { return m_names; }
    TStringListHolder *Statuses() const { return m_statuses; }
    QStringList HolderPaths() const;
    QList<int> HolderKinds() const;

    // The list is kept sorted case-insensitively by this class.
    bool Sorted() const { return m_sorted; }
    void SetSorted(bool on);

    QString PathAt(int row) const;
    int NumberAt(int row) const;   // -1 when the line carries no number
    // Row of the line for the path (case-insensitive), -1 when none.
    int RowOfPath(const QString &path) const;
    // Unticks and greys a line whose file is gone.
    void DisableSource(int row);

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
    // The selection commands on this list (the window decides which list
    // a command is meant for).
    void SelectAll();                       // ActSelectAll
    void UnselectAll();                     // ActUnselectAll
    void ToggleSelect();                    // ActToggleSelect, double click
    void DropFiles(const QStringList &names);

    // "Source files of the project (n)" and the recalculate action.
    void UpdateGroupCaption();

    // Reports the message as an error and ends the command (EAbort from
    // the reporter, ESourceListError without one).
    [[noreturn]] void ReportError(const QString &message);
    void MarkModified();

    QString CommonRoot() const { return m_root; }
    int CommonRootPosition() const { return m_rootPosition; }   // 1-based start of the part below the root
    int CommonRootWidth() const { return m_rootWidth; }
    int Depth() const { return m_depth; }
    int HorizontalExtent() const { return m_extent; }

    // For drawing: the status text of a line and the part of the path
    // shown for it.
    QString StatusTextAt(int row) const;
    QString ShownPath(int row) const;

signals:
    // The common root field shows this text.
    void CommonRootChanged(const QString &root);
    // The depth label shows this number.
    void DepthChanged(int depth);
    // The group caption shows this count (CountCaption).
    void GroupCaptionChanged(int count);
    // Root, widths or extent changed: the view lays its lines out again.
    void DrawingChanged();

private:
    struct TBatch;
    class TProgressShown;

    // Adds a file whose kind is known; false when it is no source or listed checked.
    bool addFile(const QString &path, int kind);
    void insertLine(const QString &line);
    void sortLines();
    int bigLimit() const;
    int textWidth(const QString &text) const;
    void removeHolderEntry(TStringListHolder *holder, int index);
    void renumberLines();
    int indexOfName(const QString &path) const;
    int widestPath() const;
    // The root with its trailing delimiter: what a path below it starts with.
    QString rootPrefix() const;
    QString listExtensions();
    void info(const QString &message);
    void allChanged();

    TSourceListHooks m_h;
    TStringListHolder *m_names;
    TStringListHolder *m_statuses;
    bool m_sorted = true;
    int m_batch = 0;            // > 0: renumbering and sorting wait for the batch end
    QString m_root;
    int m_rootPosition = 1;
    int m_rootWidth = 0;
    int m_depth = 0;
    int m_extent = 0;
};
