#include "SourceStructure.h"

#include "PathPickerLogic.h"
#include "Errors.h"
#include "Reporting.h"
#include "SharedRoutinesCommon.h"
#include "ShellJob.h"
#include "ShellSettings.h"
#include "StagingRoutines.h"

#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QSet>

namespace {

bool lessText(const QString &a, const QString &b)
{
    return CompareText(a, b) < 0;
}

// Replaces "/name/" by "/" until none is left, so that repeated folders go too.
void removeFolderName(QString &rest, const QString &name)
{
    if (name.isEmpty())
        return;
    const QString pattern = QLatin1Char('/') + name + QLatin1Char('/');
    qsizetype at;
    while ((at = rest.indexOf(pattern, 0, Qt::CaseInsensitive)) >= 0)
        rest.replace(at, pattern.size(), QStringLiteral("/"));
}

} // namespace

TShellSourceList::TShellSourceList(TShellJob &job, IReporter *reporter, QObject *parent)
    : TCheckListModel(parent), m_job(job), m_reporter(reporter)
{
}

QStringList TShellSourceList::AcceptedExtensions(const QString &filter)
{
    QString text = filter;
    text.replace(QLatin1Char(';'), QLatin1Char('\n')).replace(QLatin1Char('|'), QLatin1Char('\n'));
    text.replace(QLatin1String("*."), QLatin1String("."));
    QStringList lines;
    for (const QString &line : text.split(QLatin1Char('\n')))
        if (!line.trimmed().isEmpty())
            lines << line.trimmed();
    return lines;
}

bool TShellSourceList::Accepted(const QString &path) const
{
    const QString ext = Staging::ExtensionOf(path);
    if (ext.isEmpty())
        return false;
    for (const QString &line : AcceptedExtensions(m_filter))
        if (SameText(line, ext))
            return true;
    return false;
}

int TShellSourceList::RowOfPath(const QString &path) const
{
    for (int i = 0; i < Count(); ++i)
        if (SameText(TextAt(i), path))
            return i;
    return -1;
}

int TShellSourceList::TickedCount() const
{
    int n = 0;
    for (int i = 0; i < Count(); ++i)
        n += CheckedAt(i) ? 1 : 0;
    return n;
}

QString TShellSourceList::RelativePath(const QString &path) const
{
    if (m_root.isEmpty())
        return path;
    const QString prefix = WithTrailingChar(m_root, QLatin1Char('/'));
    return path.startsWith(prefix) ? path.mid(prefix.size()) : path;
}

QString TShellSourceList::CountCaption(const QString &caption, int count)
{
    return TextBefore(caption, QStringLiteral("(")) + QLatin1Char('(') + QString::number(count) + QLatin1Char(')');
}

bool TShellSourceList::RecalculateVisible() const
{
    return Count() > bigLimit();
}

int TShellSourceList::dirDepth() const
{
    return m_job.MaxDirDepth();
}

int TShellSourceList::bigLimit() const
{
    return m_job.Settings().BigDirectoryLimit();
}

void TShellSourceList::sortList()
{
    SortItems(lessText);
}

void TShellSourceList::updateCounts()
{
    if (OnRecalculateVisible)
        OnRecalculateVisible(RecalculateVisible());
    if (OnCountChanged)
        OnCountChanged(Count());
}

void TShellSourceList::modified()
{
    m_job.SetModified(true);
}

void TShellSourceList::busy(bool on)
{
    if (ShowBusy)
        ShowBusy(on);
}

// ---- Adding ------------------------------------------------------------------

int TShellSourceList::AddFiles(const QStringList &files)
{
    QSet<QString> known;
    for (int i = 0; i < Count(); ++i)
        known.insert(LowerCase(TextAt(i)));
    int added = 0;
    for (const QString &file : files) {
        // ".." and repeated delimiters go, so that no name leads out of a folder.
        const QString path = QDir::cleanPath(FromStoredPath(file));
        if (!Accepted(path) || known.contains(LowerCase(path)))
            continue;
        known.insert(LowerCase(path));
        AppendItem(TCheckListItem{path, true, true});
        ++added;
    }
    if (added)
        sortList();
    updateCounts();
    return added;
}

void TShellSourceList::AddFilesFromDialog()
{
    TFileDialogRequest request;
    request.caption = QStringLiteral("Add files to process to the project");
    request.folder = m_root;
    request.filter = PathPicker::QtFilter(m_filter);   // the dialog's own form of the stored filter
    const QStringList files = m_reporter->AskOpenFileNames(request);
    if (files.isEmpty())
        return;
    AddFiles(files);
    AnalyseStructure(false);
    modified();
}

void TShellSourceList::AddDirectoryFromDialog()
{
    const QString start = m_root.isEmpty() ? QString() : (Staging::DriveOf(m_root) + QLatin1Char('/'));
    const QString folder =
        m_reporter->AskDirectory(QStringLiteral("Select a folder containing files to add to the project"), start);
    if (!folder.isEmpty())
        AddDirectoryTree(folder, false);
}

void TShellSourceList::AddDirectoryTree(const QString &folder, bool dropped)
{
    QString extensions = m_filter;
    extensions.replace(QLatin1Char('|'), QLatin1Char(';'));
    extensions += QLatin1Char(';');
    QStringList found;
    busy(true);
    try {
        FindFiles(QDir::cleanPath(FromStoredPath(folder)), QString(), QString(), -1, found, extensions);
    } catch (...) {
        busy(false);
        throw;
    }
    busy(false);
    // The folder search matches extensions as text; only what the filter
    // really names is taken.
    QStringList accepted;
    for (const QString &f : std::as_const(found))
        if (Accepted(f))
            accepted << f;
    if (accepted.size() > bigLimit() && !dropped) {
        const int answer = m_reporter->Ask(
            TMsgDlgType::Confirmation,
            QStringLiteral("You are going to add %1 source files\r\nDo you really want to proceed?").arg(accepted.size()),
            mbOKCancel);
        if (answer != mbOK)
            m_reporter->ErrorAndAbort(QStringLiteral("Cancelled due to too many files in directory"));
    }
    if (m_progress)
        m_progress->StartCounting(int(accepted.size()), QStringLiteral("Processing"));
    if (Count() == 0) {
        QList<TCheckListItem> items;
        items.reserve(accepted.size());
        for (const QString &f : std::as_const(accepted))
            items.append(TCheckListItem{f, true, true});
        SetItems(items);
        sortList();
    } else {
        QList<TCheckListItem> items = Items();
        for (const QString &f : std::as_const(accepted))
            items.append(TCheckListItem{f, true, true});
        std::stable_sort(items.begin(), items.end(),
                         [](const TCheckListItem &a, const TCheckListItem &b) { return lessText(a.text, b.text); });
        for (qsizetype i = items.size() - 1; i > 0; --i) {
            if (m_progress && m_progress->StopRequested()) {
                SetItems(items);
                updateCounts();
                m_reporter->ErrorAndAbort(QStringLiteral("Process aborted!"));
            }
            if (items[i].text == items[i - 1].text) {
                items[i - 1].checked = true;
                items.removeAt(i);
            }
        }
        SetItems(items);
    }
    if (m_progress)
        m_progress->ShowProgressWindow(false);
    updateCounts();
    AnalyseStructure(false);
    modified();
}

void TShellSourceList::DropPaths(const QStringList &paths)
{
    QStringList files;
    for (const QString &p : paths) {
        const QString path = QDir::cleanPath(FromStoredPath(p));
        const QFileInfo fi(path);
        if (fi.isDir())
            AddDirectoryTree(path, true);
        else if (fi.isFile())
            files << path;
    }
    if (!files.isEmpty() && AddFiles(files) > 0) {
        AnalyseStructure(false);
        modified();
    }
}

// ---- Structure -----------------------------------------------------------------

void TShellSourceList::AnalyseStructure(bool strict)
{
    try {
        analyse(strict);
    } catch (...) {
        busy(false);
        if (m_progress)
            m_progress->ShowProgressWindow(false);
        throw;
    }
    busy(false);
}

void TShellSourceList::analyse(bool strict)
{
    updateCounts();
    const int count = Count();
    if (count == 0)
        return;
    if (count > MaxFiles)
        m_reporter->ErrorAndAbort(QStringLiteral("The number of file in one job must be less than 9999"));

    bool missing = false;
    for (int i = 0; i < count; ++i)
        if (CheckedAt(i) && !QFileInfo::exists(TextAt(i))) {
            SetChecked(i, false);
            SetEnabled(i, false);
            missing = true;
        }
    if (missing)
        m_reporter->ErrorAndAbort(QStringLiteral("Some input files cannot be found!"));

    if (TickedCount() == 0) {
        if (strict)
            m_reporter->ErrorAndAbort(QStringLiteral("No files are selected for processing!"));
        m_reporter->ShowInfo(QStringLiteral("No files are selected for processing!"));
        return;
    }
    if (!strict && count > bigLimit()) {
        m_reporter->ShowWarning(QStringLiteral("Press the \"Recalculate modular structure\" button to apply the changes !"));
        return;
    }

    busy(true);
    const bool showProgress = count > bigLimit();
    if (m_progress && showProgress)
        m_progress->StartPingPong(count, QStringLiteral("Determine longest common path"));

    const int kind = m_job.Kind();
    if ((kind == 0 || kind == 3) && m_componentNames.Count() == 0) {
        const TShellSettings &settings = m_job.Settings();
        QStringList names = settings.ListOf(m_job.LanguageCode() + QStringLiteral(".DummyNames"))
                            + settings.ListOf(QStringLiteral("Common.DummyNames"));
        for (QString &n : names)
            n = n.trimmed();
        std::sort(names.begin(), names.end(), lessText);
        QList<TCheckListItem> items;
        for (const QString &n : std::as_const(names))
            if (!n.isEmpty() && (items.isEmpty() || !SameText(items.last().text, n)))
                items.append(TCheckListItem{n, true, true});
        m_componentNames.SetItems(items);
        if (m_moduleNames.Count() == 0)
            m_moduleNames.SetItems(items);
    }

    QStringList compacted = Paths();
    Staging::TCommonRoot common;
    try {
        common = Staging::CommonRootOf(compacted, dirDepth() == 99);
    } catch (const EQuenbarError &e) {
        m_root.clear();
        m_job.SetCommonRoot(QString());
        m_reporter->ErrorAndAbort(e.message());
    }
    const QString root = common.Root;
    const QString rootPrefix = WithTrailingChar(root, QLatin1Char('/'));

    QStringList componentIrrelevant, moduleIrrelevant;
    for (int i = 0; i < m_componentNames.Count(); ++i)
        if (m_componentNames.CheckedAt(i))
            componentIrrelevant << m_componentNames.TextAt(i);
    for (int i = 0; i < m_moduleNames.Count(); ++i)
        if (m_moduleNames.CheckedAt(i))
            moduleIrrelevant << m_moduleNames.TextAt(i);

    for (QString &path : compacted) {
        QString rest = path.mid(rootPrefix.size() - 1);
        rest.replace(QLatin1Char('\\'), QLatin1Char('/'));
        if (!rest.startsWith(QLatin1Char('/')))
            rest.prepend(QLatin1Char('/'));
        for (const QString &x : std::as_const(componentIrrelevant))
            removeFolderName(rest, x);
        const QString first = rest.mid(1).section(QLatin1Char('/'), 0, 0);
        QString after = rest.mid(first.size() + 1);
        if (after.startsWith(QLatin1Char('/')))
            for (const QString &y : std::as_const(moduleIrrelevant))
                removeFolderName(after, y);
        path = rootPrefix + first + after;
    }

    // The name lists keep only their irrelevant names between analyses.
    for (TCheckListModel *list : {&m_componentNames, &m_moduleNames})
        for (int i = list->Count() - 1; i >= 0; --i)
            if (!list->CheckedAt(i))
                list->RemoveItem(i);

    const int depth = dirDepth();
    const bool componentLevel = depth == 2 || depth == 3;
    const bool moduleLevel = depth >= 1 && depth <= 3;
    const bool sourceLevel = depth >= 0 && depth <= 3;
    QSet<QString> components, modules;
    for (int i = 0; i < m_componentNames.Count(); ++i)
        components.insert(LowerCase(m_componentNames.TextAt(i)));
    for (int i = 0; i < m_moduleNames.Count(); ++i)
        modules.insert(LowerCase(m_moduleNames.TextAt(i)));
    QList<TCheckListItem> newComponents, newModules;
    QHash<QString, int> sameTriple;

    m_derived.clear();
    m_derived.reserve(count);
    for (const QString &path : std::as_const(compacted)) {
        TSourceDerived d;
        d.Compacted = path;
        QStringList parts = path.mid(rootPrefix.size()).split(QLatin1Char('/'));
        if (moduleLevel && parts.size() < 2)
            parts.prepend(QStringLiteral("Gen_Modu"));
        if (componentLevel && parts.size() < 3)
            parts.prepend(QStringLiteral("Gen_Comp"));
        if (componentLevel) {
            d.Component = parts.value(0);
            if (d.Component != QLatin1String("Gen_Comp") && !components.contains(LowerCase(d.Component))) {
                components.insert(LowerCase(d.Component));
                newComponents.append(TCheckListItem{d.Component, false, true});
            }
        }
        if (moduleLevel) {
            d.Module = parts.value(1);
            if (d.Module != QLatin1String("Gen_Modu") && !modules.contains(LowerCase(d.Module))) {
                modules.insert(LowerCase(d.Module));
                newModules.append(TCheckListItem{d.Module, false, true});
            }
        }
        if (sourceLevel) {
            const QString name = parts.last();
            d.Extension = Staging::ExtensionOf(name);
            d.Base = name.left(name.size() - d.Extension.size());
            // Equal component, module and base (case-sensitive) implies the
            // same base ignoring case, so counting the triple is enough.
            const QString key = d.Component + QChar(0) + d.Module + QChar(0) + d.Base;
            int &seen = sameTriple[key];
            d.Duplicate = seen++;
            if (d.Duplicate > 0)
                d.Base = QStringLiteral("%1_%2").arg(d.Base).arg(d.Duplicate);
        }
        m_derived.append(d);
    }

    if (m_progress && showProgress)
        m_progress->StartPingPong(count, QStringLiteral("Sort component/module names "));
    for (const auto &[list, added] : {std::pair{&m_componentNames, &newComponents}, std::pair{&m_moduleNames, &newModules}}) {
        QList<TCheckListItem> items = list->Items() + *added;
        std::stable_sort(items.begin(), items.end(), [](const TCheckListItem &a, const TCheckListItem &b) {
            if (a.checked != b.checked)
                return a.checked;
            return lessText(a.text, b.text);
        });
        list->SetItems(items);
    }

    m_root = root;
    m_depth = common.Depth;
    m_job.SetCommonRoot(root);
    if (OnStructureChanged)
        OnStructureChanged(m_root, m_depth);
    if (m_progress && showProgress)
        m_progress->ShowProgressWindow(false);
    busy(false);
    modified();

    if (kind != 0 && kind != 3) {
        if (m_job.MaxDirDepth() < m_depth) {
            if (strict)
                m_reporter->ErrorAndAbort(
                    QStringLiteral("Maximum allowed directory depth is %1, remove some files from the list!").arg(m_job.MaxDirDepth()));
            m_reporter->ShowWarning(
                QStringLiteral("Maximum allowed directory depth is %1, uncheck some files!").arg(m_job.MaxDirDepth()));
        } else {
            m_reporter->ClearMessage();
        }
    }
}

// ---- Commands ----------------------------------------------------------------------

void TShellSourceList::toggleLevel(int row, int level)
{
    if (row < 0 || row >= Count())
        return;
    const TSourceDerived d = DerivedAt(row);
    if (CheckedAt(row)) {
        for (int i = 0; i < Count(); ++i) {
            const TSourceDerived o = DerivedAt(i);
            if (level == 1 ? o.Component == d.Component : o.Module == d.Module)
                SetChecked(i, false);
        }
    } else {
        // The row's path up to and including the first (second) delimiter after the root.
        const QString path = TextAt(row);
        const qsizetype start = m_root.isEmpty() ? 0 : WithTrailingChar(m_root, QLatin1Char('/')).size();
        qsizetype end = path.indexOf(QLatin1Char('/'), start);
        if (level == 2 && end >= 0)
            end = path.indexOf(QLatin1Char('/'), end + 1);
        const QString prefix = end < 0 ? path : path.left(end + 1);
        for (int i = 0; i < Count(); ++i)
            if (TextAt(i).startsWith(prefix))
                SetChecked(i, true);
    }
    modified();
    AnalyseStructure(false);
}

void TShellSourceList::ToggleComponent(int row)
{
    toggleLevel(row, 1);
}

void TShellSourceList::ToggleModule(int row)
{
    toggleLevel(row, 2);
}

QString TShellSourceList::ToggleComponentCaption(int row) const
{
    return CheckedAt(row) ? QStringLiteral("Deselect the whole component") : QStringLiteral("Select the whole component");
}

QString TShellSourceList::ToggleModuleCaption(int row) const
{
    return CheckedAt(row) ? QStringLiteral("Deselect the whole module") : QStringLiteral("Select the whole module");
}

void TShellSourceList::ReverseSelection()
{
    ToggleAllChecked();
    AnalyseStructure(false);
    modified();
}

void TShellSourceList::SelectAll()
{
    SetAllChecked(true);
    modified();
    AnalyseStructure(false);
}

void TShellSourceList::UnselectAll()
{
    SetAllChecked(false);
    modified();
}

void TShellSourceList::RemoveUnchecked()
{
    for (int i = Count() - 1; i >= 0; --i)
        if (!CheckedAt(i))
            RemoveItem(i);
    m_derived.clear();
    modified();
    updateCounts();
}

void TShellSourceList::RemoveDuplicates(TCheckListModel &list)
{
    list.SortItems(lessText);
    for (int i = list.Count() - 1; i > 0; --i)
        if (list.TextAt(i) == list.TextAt(i - 1))
            list.RemoveItem(i);
}
