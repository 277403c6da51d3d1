#pragma once
// The shell job's source file list and its modular structure, without any
// widget: the ticked, sorted list of full paths (a check-list model any
// view shows), the component and module name lists whose ticked entries
// are irrelevant folder names, and the structure analysis that derives the
// assumed "System" directory, the depth and, per file, the compacted path,
// component, module and unique source name. Files come in from the file
// dialog, whole folder trees and drops (DropPaths takes the dropped paths).
// Messages and questions go through the reporter; an error ends the
// command (EAbort) with the list in the state reached.

#include "CheckListModel.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <functional>

class IProgress;
class IReporter;
class TShellJob;

// What the analysis derives for one file, parallel to the list.
struct TSourceDerived
{
    QString Compacted;   // the full path with irrelevant folders removed
    QString Component;
    QString Module;
    QString Base;        // unique: "_" + duplicate number added for duplicates
    int Duplicate = 0;   // 0: first occurrence
    QString Extension;   // with its dot, as the file has it

    QString UniqueName() const { return Base + Extension; }
};

class TShellSourceList : public TCheckListModel
{
    Q_OBJECT
public:
    static constexpr int MaxFiles = 9998;

    // job and reporter are not owned and must outlive the list. The job
    // gives the kind, the depth (MaxDirDepth), the settings (big directory
    // limit, dummy names), keeps the assumed "System" directory and is
    // marked modified.
    TShellSourceList(TShellJob &job, IReporter *reporter, QObject *parent = nullptr);

    void SetProgress(IProgress *progress) { m_progress = progress; }
    // The language's source filter in its stored form ("desc|*.cbl;*.cob|...").
    void SetLanguageFilter(const QString &filter) { m_filter = filter; }
    QString LanguageFilter() const { return m_filter; }

    // The extensions (".cbl") a filter accepts, one per line.
    static QStringList AcceptedExtensions(const QString &filter);
    bool Accepted(const QString &path) const;

    QString PathAt(int row) const { return TextAt(row); }
    QStringList Paths() const { return Lines(); }
    int RowOfPath(const QString &path) const;   // case-insensitive; -1 when none
    int TickedCount() const;

    // ---- Adding ------------------------------------------------------------
    // AddFiles: accepted files not yet listed are added ticked, the list
    // stays sorted; returns the number added. No analysis.
    int AddFiles(const QStringList &files);
    // The dialog command: the files the user chose, the analysis, modified.
    void AddFilesFromDialog();
    // A whole folder tree (asks before many files unless dropped).
    void AddDirectoryTree(const QString &folder, bool dropped);
    void AddDirectoryFromDialog();
    // Dropped paths: folders as trees, files added; with any file added
    // directly the analysis runs and the job is modified.
    void DropPaths(const QStringList &paths);

    // ---- Structure -------------------------------------------------------------
    void AnalyseStructure(bool strict);
    // "Recalculate modular structure" is offered only above the limit.
    bool RecalculateVisible() const;
    QString CommonRoot() const { return m_root; }
    int Depth() const { return m_depth; }
    // The part of a path after the root and its delimiter.
    QString RelativePath(const QString &path) const;
    const QList<TSourceDerived> &Derived() const { return m_derived; }
    TSourceDerived DerivedAt(int row) const { return row >= 0 && row < m_derived.size() ? m_derived[row] : TSourceDerived(); }
    // Ticked entries are irrelevant folder names.
    TCheckListModel &ComponentNames() { return m_componentNames; }
    TCheckListModel &ModuleNames() { return m_moduleNames; }
    const TCheckListModel &ComponentNames() const { return m_componentNames; }
    const TCheckListModel &ModuleNames() const { return m_moduleNames; }

    // The group caption for the count: its text before "(" + "(" + count + ")".
    static QString CountCaption(const QString &caption, int count);

    // ---- Commands on the list -----------------------------------------------------
    // Toggle whole component (module) of the row; the caption follows the row.
    void ToggleComponent(int row);
    void ToggleModule(int row);
    QString ToggleComponentCaption(int row) const;
    QString ToggleModuleCaption(int row) const;
    void ReverseSelection();
    void SelectAll();
    void UnselectAll();
    void RemoveUnchecked();
    // Sorts, then drops every line equal (case-sensitive) to its predecessor.
    static void RemoveDuplicates(TCheckListModel &list);

    // ---- Hooks for the window ---------------------------------------------------------
    std::function<void(bool busy)> ShowBusy;
    std::function<void(bool visible)> OnRecalculateVisible;
    std::function<void(int count)> OnCountChanged;
    // The analysis set the root and depth (the common root row).
    std::function<void(const QString &root, int depth)> OnStructureChanged;

private:
    void sortList();
    void updateCounts();
    void modified();
    void busy(bool on);
    void toggleLevel(int row, int level);
    void analyse(bool strict);
    int dirDepth() const;
    int bigLimit() const;

    TShellJob &m_job;
    IReporter *m_reporter;
    IProgress *m_progress = nullptr;
    QString m_filter;
    QString m_root;
    int m_depth = 0;
    QList<TSourceDerived> m_derived;
    TCheckListModel m_componentNames;
    TCheckListModel m_moduleNames;
};
