#include "SourceList.h"
#include "StagingRoutines.h"

#include "ScopeGuard.h"

#include "CodePage1250.h"
#include "PathPickerLogic.h"
#include "Reporting.h"
#include "SharedRoutinesCommon.h"
#include "StreamToIniCore.h"
#include "StringListHolder.h"
#include "TextFile.h"

#include <QFileInfo>
#include <QHash>
#include <QSet>

#include <algorithm>

namespace {

const QString kNoFilesSelected = QStringLiteral("No files are selected for processing!");

// Extension with its dot, empty when the name has none.
QString extensionOf(const QString &path)
{
    const QString suffix = QFileInfo(path).suffix();
    return suffix.isEmpty() ? QString() : QLatin1Char('.') + suffix;
}

QString baseNameOf(const QString &path)
{
    return QFileInfo(path).completeBaseName();
}

bool isFile(const QString &path)
{
    return !path.isEmpty() && QFileInfo(path).isFile();
}

qint64 modifiedTime(const QString &path)
{
    if (path.isEmpty())
        return 0;
    const QDateTime t = FileModifiedTime(path);
    return t.isValid() ? t.toMSecsSinceEpoch() : 0;
}

// The path part of a line as a view (before the last "=").
QStringView pathView(const QString &line)
{
    const qsizetype eq = line.lastIndexOf(QLatin1Char('='));
    return eq < 0 ? QStringView(line) : QStringView(line).left(eq);
}

bool lessText(const QString &a, const QString &b)
{
    return CompareText(a, b) < 0;
}

// The patterns of a dialog filter ("*.csv", "*.*", "*"), whichever of the
// two stored forms it has: descriptions and patterns are told apart by the
// leading star.
QStringList filterPatterns(const QString &filter)
{
    QString text = filter;
    for (QChar c : {QLatin1Char(';'), QLatin1Char('|'), QLatin1Char('('), QLatin1Char(')')})
        text.replace(c, QLatin1Char(' '));
    QStringList patterns;
    for (const QString &token : text.split(QLatin1Char(' '), Qt::SkipEmptyParts))
        if (token.startsWith(QLatin1Char('*')))
            patterns.append(token);
    return patterns;
}

} // namespace

// The busy cursor for the length of a scope, when the window shows one.
// Shows the progress window for a big list and hides it on every way out.
class TSourceList::TProgressShown
{
public:
    TProgressShown(IProgress *progress, int count, const QString &title)
        : m_progress(progress)
    {
        if (m_progress) {
            m_progress->StartCounting(count, title);
            m_progress->ShowProgressWindow(true);
        }
    }
    ~TProgressShown()
    {
        if (m_progress)
            m_progress->ShowProgressWindow(false);
    }
    TProgressShown(const TProgressShown &) = delete;
    TProgressShown &operator=(const TProgressShown &) = delete;
    void step()
    {
        if (m_progress)
            m_progress->StepProgress();
    }

private:
    IProgress *m_progress;
};

// Several removals and additions in a row: the lines are renumbered once at
// the end and sorted then when sorting is on.
struct TSourceList::TBatch
{
    TBatch(TSourceList &list, bool sortedAfter)
        : m_list(list), m_sortedAfter(sortedAfter)
    {
        ++m_list.m_batch;
    }
    ~TBatch()
    {
        if (--m_list.m_batch > 0)
            return;
        m_list.renumberLines();
        m_list.m_sorted = m_sortedAfter;
        if (m_list.m_sorted)
            m_list.sortLines();
    }
    TBatch(const TBatch &) = delete;
    TBatch &operator=(const TBatch &) = delete;

private:
    TSourceList &m_list;
    bool m_sortedAfter;
};

// ---- Helpers ----------------------------------------------------------------

QString TSourceList::KindName(int kind)
{
    switch (kind) {
    case skProc:
        return QStringLiteral("<Proc>");
    case skObjt:
        return QStringLiteral("<Objt>");
    case skOrigWSDL:
        return QStringLiteral("<OrigWSDL>");
    default:
        return QStringLiteral("<None>");
    }
}

int TSourceList::SourceKindOf(const QString &path)
{
    if (!isFile(path))
        return skNone;
    if (SameText(extensionOf(path), QStringLiteral(".wsdl")))
        return skOrigWSDL;
    // Only the second line tells the kind: a huge or binary file is looked at,
    // not read. A second line the limit cuts off is unknown, so no kind.
    const QStringList lines = TextFile::readFirstLines(path, 2, 64 * 1024);
    if (lines.size() < 2)
        return skNone;
    QString second = lines.at(1);
    second.replace(QLatin1Char(';'), QLatin1Char(','));
    const QStringList items = StreamToIniFormat::FromCommaText(second);
    if (items.size() > 4 && SameText(items.at(3), QStringLiteral("LANG"))) {
        const QString procedural = QStringLiteral(",COBOL,PLI,ASM,");
        return UpperCase(procedural).contains(UpperCase(QLatin1Char(',') + items.at(4) + QLatin1Char(',')))
                   ? skProc
                   : skObjt;
    }
    return skNone;
}

QString TSourceList::WSDLResultOf(const QString &outputDirectory, const QString &path)
{
    if (outputDirectory.isEmpty())
        return QString();
    return WithTrailingChar(outputDirectory, QLatin1Char('/')) + QStringLiteral("WSDLDir/") + baseNameOf(path)
           + QStringLiteral(".wsdl");
}

QString TSourceList::MakeLine(const QString &path, int number)
{
    return path + QLatin1Char('=') + QString::asprintf("%4.4d", number);
}

QString TSourceList::LinePath(const QString &line)
{
    return pathView(line).toString();
}

bool TSourceList::LineNumber(const QString &line, int &number)
{
    const qsizetype eq = line.lastIndexOf(QLatin1Char('='));
    if (eq < 0) {
        number = -1;
        return false;
    }
    if (!TryTextToInt(line.mid(eq + 1), number)) {
        number = -1;
        return false;
    }
    return true;
}

QString TSourceList::DriveOf(const QString &path)
{
    return Staging::DriveOf(path);
}

QString TSourceList::CountCaption(const QString &caption, int count)
{
    return TextBefore(caption, QStringLiteral("(")) + QLatin1Char('(') + QString::number(count) + QLatin1Char(')');
}

TSourceList::TCommonRoot TSourceList::ComputeCommonRoot(const QStringList &paths, bool fullDepth)
{
    Staging::TCommonRoot common;
    try {
        common = Staging::CommonRootOf(paths, fullDepth);
    } catch (const EQuenbarError &e) {
        throw ESourceListError(e.message());
    }
    TCommonRoot result;
    result.Root = common.Root;
    result.Depth = common.Depth;
    return result;
}

QStringList TSourceList::DialogExtensions(const QString &filter)
{
    QStringList extensions;
    for (const QString &pattern : filterPatterns(filter))
        if (pattern.startsWith(QLatin1String("*.")))
            extensions.append(pattern.mid(1));
    return extensions;
}

QString TSourceList::FolderExtensions(const QString &filter)
{
    QString list;
    for (const QString &pattern : filterPatterns(filter))
        list += (pattern == QLatin1String("*") ? QStringLiteral("*.*") : pattern) + QLatin1Char(';');
    return list;
}

QString TSourceList::DialogFilter(const QString &filter)
{
    return filter.contains(QLatin1Char('|')) ? PathPicker::QtFilter(filter) : filter;
}

// ---- The list -----------------------------------------------------------------

TSourceList::TSourceList(const TSourceListHooks &hooks, TStringListHolder *names, TStringListHolder *statuses,
                         QObject *parent)
    : TCheckListModel(parent), m_h(hooks), m_names(names), m_statuses(statuses)
{
    if (!m_names) {
        m_names = new TStringListHolder(this);
        m_names->SetSaveObjects(true);
    }
    if (!m_statuses)
        m_statuses = new TStringListHolder(this);
    SetCommonRoot(QString());
}

TSourceList::~TSourceList() = default;

QStringList TSourceList::HolderPaths() const
{
    return m_names->StringList();
}

QList<int> TSourceList::HolderKinds() const
{
    return m_names->objects();
}

void TSourceList::SetSorted(bool on)
{
    m_sorted = on;
    if (on && m_batch == 0)
        sortLines();
}

QString TSourceList::PathAt(int row) const
{
    return row >= 0 && row < Count() ? LinePath(TextAt(row)) : QString();
}

int TSourceList::NumberAt(int row) const
{
    int number = -1;
    if (row < 0 || row >= Count() || !LineNumber(TextAt(row), number))
        return -1;
    return number;
}

int TSourceList::RowOfPath(const QString &path) const
{
    for (int row = 0; row < Count(); ++row) {
        const QString text = TextAt(row);
        if (CodePage1250::sameText(pathView(text), path))
            return row;
    }
    return -1;
}

void TSourceList::DisableSource(int row)
{
    SetChecked(row, false);
    SetEnabled(row, false);
}

int TSourceList::indexOfName(const QString &path) const
{
    const QStringList names = m_names->StringList();
    for (int i = 0; i < names.size(); ++i)
        if (CodePage1250::sameText(names.at(i), path))
            return i;
    return -1;
}

void TSourceList::insertLine(const QString &line)
{
    const TCheckListItem item{line, true, true};
    if (!m_sorted || m_batch > 0) {
        AppendItem(item);
        return;
    }
    // After the last line that does not sort behind the new one.
    int low = 0;
    int high = Count();
    while (low < high) {
        const int mid = (low + high) / 2;
        if (CompareText(line, TextAt(mid)) < 0)
            high = mid;
        else
            low = mid + 1;
    }
    InsertItem(low, item);
}

void TSourceList::sortLines()
{
    SortItems(lessText);
}

int TSourceList::bigLimit() const
{
    return m_h.BigDirectoryLimit ? m_h.BigDirectoryLimit() : 50;
}

int TSourceList::textWidth(const QString &text) const
{
    return m_h.TextWidth ? m_h.TextWidth(text) : int(text.size());
}

void TSourceList::MarkModified()
{
    if (m_h.MarkModified)
        m_h.MarkModified();
}

void TSourceList::ReportError(const QString &message)
{
    if (m_h.Reporter)
        m_h.Reporter->ShowError(message, false);
    throw ESourceListError(message);
}

void TSourceList::info(const QString &message)
{
    if (m_h.Reporter)
        m_h.Reporter->ShowInfo(message);
}

void TSourceList::allChanged()
{
    if (Count() > 0)
        emit dataChanged(index(0), index(Count() - 1));
}

void TSourceList::removeHolderEntry(TStringListHolder *holder, int index)
{
    if (index < 0 || index >= holder->count())
        return;
    QStringList entries = holder->StringList();
    QList<int> objects = holder->objects();
    entries.removeAt(index);
    objects.removeAt(index);
    const int maxLen = holder->MaxLen();
    holder->SetStringList(entries);
    for (int i = 0; i < objects.size(); ++i)
        holder->putObject(i, objects.at(i));
    holder->SetMaxLen(maxLen);
}

void TSourceList::renumberLines()
{
    QHash<QString, int> positions;
    const QStringList names = m_names->StringList();
    for (int i = 0; i < names.size(); ++i) {
        const QString key = UpperCase(names.at(i));
        if (!positions.contains(key))
            positions.insert(key, i);
    }
    for (int row = 0; row < Count(); ++row) {
        const QString path = PathAt(row);
        SetText(row, MakeLine(path, positions.value(UpperCase(path), -1)));
    }
}

int TSourceList::widestPath() const
{
    int widest = 0;
    for (int row = 0; row < Count(); ++row)
        widest = std::max(widest, textWidth(PathAt(row)));
    return widest;
}

// ---- Adding and removing ------------------------------------------------------

bool TSourceList::AddSourceFile(const QString &path)
{
    if (path.isEmpty())
        return false;
    const int row = RowOfPath(path);
    if (row >= 0 && CheckedAt(row))
        return false;
    if (row < 0 && indexOfName(path) >= 0)
        return false;
    // Read before an unchecked duplicate is removed: a file that cannot be
    // read must not take the listed entry with it.
    return addFile(path, SourceKindOf(path));
}

bool TSourceList::addFile(const QString &path, int kind)
{
    const int row = RowOfPath(path);
    if (row >= 0) {
        if (CheckedAt(row))
            return false;
        RemoveSourceFile(row);
    }
    if (indexOfName(path) >= 0)
        return false;
    if (kind < skProc || kind > skOrigWSDL)
        return false;
    const int number = m_names->count();
    insertLine(MakeLine(path, number));
    m_names->add(path, kind);
    // The status of entry N must stand at N even when the holders drifted apart.
    while (m_statuses->count() < number)
        m_statuses->add(QString());
    if (m_statuses->count() == number)
        m_statuses->add(KindName(kind));
    else
        m_statuses->put(number, KindName(kind));
    const int width = textWidth(path);
    if (width > m_names->MaxLen())
        m_names->SetMaxLen(width);
    return true;
}

bool TSourceList::RemoveSourceFile(const QString &path)
{
    return RemoveSourceFile(RowOfPath(path));
}

bool TSourceList::RemoveSourceFile(int row)
{
    if (row < 0 || row >= Count())
        return false;
    const QString path = PathAt(row);
    int number = NumberAt(row);
    if (m_h.RemoveInterface)
        m_h.RemoveInterface(baseNameOf(path));
    RemoveItem(row);
    // A line whose number points at another file's entry must not take
    // that entry with it.
    if (number < 0 || number >= m_names->count() || !SameText(m_names->get(number), path))
        number = indexOfName(path);
    if (number >= 0) {
        removeHolderEntry(m_names, number);
        removeHolderEntry(m_statuses, number);
    }
    // Within a batch the numbers are put right once at its end; meanwhile
    // the check above finds each entry by its path.
    if (m_batch == 0)
        RenumberSourceList();
    return true;
}

void TSourceList::RenumberSourceList()
{
    renumberLines();
    SetSorted(true);
}

void TSourceList::RefreshSourceList()
{
    TStringListHolder *names = m_names;
    // 1. Lines of missing files and lines that lost their entry.
    for (int row = Count() - 1; row >= 0; --row) {
        const QString text = TextAt(row);
        const QString path = LinePath(text);
        int number = -1;
        const bool stays = !path.isEmpty() && isFile(path) && LineNumber(text, number) && number >= 0
                           && number < names->count() && names->get(number) == path;
        if (!stays)
            RemoveItem(row);
    }
    // 2. Entries no line refers to; 3. the rest sorted by path.
    QSet<QString> referenced;
    for (int row = 0; row < Count(); ++row)
        referenced.insert(PathAt(row));
    QList<QPair<QString, int>> entries;
    for (int i = 0; i < names->count(); ++i)
        if (referenced.contains(names->get(i)))
            entries.append({names->get(i), names->object(i)});
    std::stable_sort(entries.begin(), entries.end(),
                     [](const QPair<QString, int> &a, const QPair<QString, int> &b) { return lessText(a.first, b.first); });
    const int maxLen = names->MaxLen();
    QStringList paths;
    for (const auto &entry : std::as_const(entries))
        paths.append(entry.first);
    names->SetStringList(paths);
    for (int i = 0; i < entries.size(); ++i)
        names->putObject(i, entries.at(i).second);
    names->SetMaxLen(maxLen);
    RenumberSourceList();
    // 4. Status texts: the kind, and how the file's WSDL result stands.
    const QString output = m_h.OutputDirectory ? m_h.OutputDirectory() : QString();
    QStringList statuses;
    for (int i = 0; i < names->count(); ++i) {
        const QString path = names->get(i);
        QString status = KindName(names->object(i));
        const QString wsdl = WSDLResultOf(output, path);
        if (modifiedTime(path) <= modifiedTime(wsdl))
            status += QStringLiteral("<WSDL>");
        else if (isFile(wsdl))
            status += QStringLiteral("<WSDL-expired>");
        statuses.append(status);
    }
    m_statuses->clear();
    m_statuses->SetStringList(statuses);
    MarkModified();
    // The status texts are drawn from the holder: every line looks different now.
    allChanged();
}

QString TSourceList::listExtensions()
{
    return FolderExtensions(LanguageFileFilter());
}

void TSourceList::AddSourceFolder(const QString &folder, bool ask)
{
    const QString extensions = listExtensions();
    QStringList found;
    {
        if (m_h.ShowBusy)
            m_h.ShowBusy(true);
        const TScopeGuard busy([this] {
            if (m_h.ShowBusy)
                m_h.ShowBusy(false);
        });
        FindFilesByExtension(folder, QString(), extensions, found);
    }
    if (found.size() > bigLimit() && ask) {
        const QString question =
            QStringLiteral("You are going to add %1 source files\r\nDo you really want to proceed?").arg(found.size());
        const int answer = m_h.Reporter ? m_h.Reporter->Ask(TMsgDlgType::Warning, question, mbOKCancel, 0)
                                        : Unasked::DefaultAnswer(mbOKCancel, 0);
        if (answer != mbOK)
            ReportError(QStringLiteral("Cancelled due to too many files in directory"));
    }
    std::sort(found.begin(), found.end(), lessText);
    // Every kind is read before anything is removed: an unreadable file keeps its
    // line and interface, does not stop the others, and is reported at the end.
    QList<QPair<QString, int>> readable;
    QStringList unreadable;
    for (const QString &path : std::as_const(found)) {
        try {
            readable.append({path, SourceKindOf(path)});
        } catch (const EFileError &e) {
            unreadable.append(e.message());
        }
    }
    {
        TBatch batch(*this, true);
        // Entries the folder yields again are added afresh (the first line
        // included, so every one of them is treated alike).
        QSet<QString> keys;
        for (const auto &entry : std::as_const(readable))
            keys.insert(UpperCase(entry.first));
        for (int row = Count() - 1; row >= 0; --row)
            if (keys.contains(UpperCase(PathAt(row))))
                RemoveSourceFile(row);
        for (const auto &entry : std::as_const(readable))
            addFile(entry.first, entry.second);
    }
    // Marked before the common root, which may stop on a missing file.
    MarkModified();
    CalculateCommonRoot(false);
    MarkModified();
    if (!unreadable.isEmpty())
        ReportError(QStringLiteral("Some source files cannot be read: ") + unreadable.join(QStringLiteral("; ")));
}

// ---- Common root ------------------------------------------------------------------

void TSourceList::UpdateGroupCaption()
{
    if (m_h.ShowRecalculate)
        m_h.ShowRecalculate(Count() > bigLimit());
    emit GroupCaptionChanged(Count());
}

void TSourceList::CalculateCommonRoot(bool strict)
{
    const int count = Count();
    const int limit = bigLimit();
    UpdateGroupCaption();
    if (count == 0)
        return;
    if (count > 9998)
        ReportError(QStringLiteral("The number of file in one job must be less than 9999"));
    bool missing = false;
    bool anyChecked = false;
    for (int row = 0; row < count; ++row) {
        if (!CheckedAt(row))
            continue;
        if (isFile(PathAt(row))) {
            anyChecked = true;
            continue;
        }
        DisableSource(row);
        missing = true;
    }
    if (missing)
        ReportError(QStringLiteral("Some input files cannot be found!"));
    if (!anyChecked) {
        if (strict)
            ReportError(kNoFilesSelected);
        info(kNoFilesSelected);
        return;
    }
    if (!strict && count > limit) {
        if (m_h.Reporter)
            m_h.Reporter->ShowWarning(
                QStringLiteral("Press the \"Recalculate modular structure\" button to apply the changes !"));
        return;
    }
    {
        if (m_h.ShowBusy)
            m_h.ShowBusy(true);
        const TScopeGuard busy([this] {
            if (m_h.ShowBusy)
                m_h.ShowBusy(false);
        });
        TProgressShown progress(count > limit ? m_h.Progress : nullptr, count,
                                QStringLiteral("Determine longest common path"));
        UpdateGroupCaption();
        TCommonRoot result;
        try {
            QStringList paths;
            paths.reserve(count);
            for (int row = 0; row < count; ++row) {
                paths.append(PathAt(row));
                progress.step();
            }
            result = ComputeCommonRoot(paths, m_h.MaxDirDepth && m_h.MaxDirDepth() == 99);
        } catch (const ESourceListError &e) {
            SetCommonRoot(QString());
            ReportError(e.message());
        } catch (...) {
            SetCommonRoot(QString());
            throw;
        }
        m_depth = result.Depth;
        emit DepthChanged(m_depth);
        SetCommonRoot(result.Root);
    }
    MarkModified();
    if (m_h.Reporter)
        m_h.Reporter->ClearMessage();
}

void TSourceList::SetCommonRoot(const QString &root)
{
    m_root = root;
    m_rootPosition = root.isEmpty() ? 1 : int(rootPrefix().size()) + 1;
    emit CommonRootChanged(root);
    // Without a root the full path is drawn: nothing is cut off to make up for.
    m_rootWidth = root.isEmpty() ? 0 : textWidth(rootPrefix());
    m_names->SetMaxLen(widestPath());
    m_extent = textWidth(QStringLiteral("<Proc><WSDL><xxx>")) + m_names->MaxLen() - m_rootWidth + 5;
    emit DrawingChanged();
}

void TSourceList::CheckSourcesSelected()
{
    if (m_h.CheckJobNames)
        m_h.CheckJobNames();
    bool anyChecked = false;
    for (int row = 0; row < Count() && !anyChecked; ++row)
        anyChecked = CheckedAt(row);
    if (!anyChecked) {
        if (m_h.ShowNamesPage)
            m_h.ShowNamesPage();
        ReportError(kNoFilesSelected);
    }
    CalculateCommonRoot(true);
}

QString TSourceList::LanguageFileFilter()
{
    const QString code = m_h.LanguageCode ? m_h.LanguageCode() : QString();
    QString filter = m_h.SettingValue ? m_h.SettingValue(code + QStringLiteral(".Filters")) : QString();
    if (filter.isEmpty()) {
        info(QStringLiteral("Shell program error, missing filter definition, inform Velmora"));
        filter = QStringLiteral("All files (Possible definition error)|*.*");
    }
    return filter;
}

// ---- Commands -------------------------------------------------------------------------

void TSourceList::AddFilesFromDialog()
{
    if (m_h.ShowNamesPage)
        m_h.ShowNamesPage();
    const QString filter = LanguageFileFilter();
    TFileDialogRequest request;
    request.caption = QStringLiteral("Add files to process to the project");
    request.folder = m_root;
    request.filter = DialogFilter(filter);
    const QStringList files = m_h.Reporter ? m_h.Reporter->AskOpenFileNames(request) : QStringList();
    const QStringList extensions = DialogExtensions(filter);
    for (const QString &file : files) {
        const QString extension = extensionOf(file);
        if (std::any_of(extensions.begin(), extensions.end(),
                        [&](const QString &e) { return SameText(e, extension); }))
            AddSourceFile(file);
    }
    MarkModified();
    CalculateCommonRoot(false);
    MarkModified();
}

void TSourceList::AddFolderFromDialog()
{
    const QString start = m_root.isEmpty() ? QString() : DriveOf(m_root) + QLatin1Char('/');
    const QString folder =
        m_h.Reporter ? m_h.Reporter->AskDirectory(
                           QStringLiteral("Select a folder containing files to add to the project"), start)
                     : QString();
    if (folder.isEmpty())
        return;
    AddSourceFolder(folder, true);
}

void TSourceList::RemoveUncheckedFiles()
{
    {
        TBatch batch(*this, m_sorted);
        for (int row = Count() - 1; row >= 0; --row)
            if (!CheckedAt(row))
                RemoveSourceFile(row);
    }
    MarkModified();
    UpdateGroupCaption();
}

void TSourceList::SelectAll()
{
    SetAllChecked(true);
    MarkModified();
    CalculateCommonRoot(false);
}

void TSourceList::UnselectAll()
{
    SetAllChecked(false);
    MarkModified();
}

void TSourceList::ToggleSelect()
{
    ToggleAllChecked();
    MarkModified();
    CalculateCommonRoot(false);
}

void TSourceList::DropFiles(const QStringList &names)
{
    QStringList extensions;
    bool extensionsKnown = false;
    bool added = false;
    for (const QString &name : names) {
        const QFileInfo info(name);
        if (info.isDir()) {
            AddSourceFolder(name, false);
            continue;
        }
        if (!extensionsKnown) {
            for (const QString &e : DialogExtensions(LanguageFileFilter()))
                extensions.append(LowerCase(e));
            extensionsKnown = true;
        }
        if (extensions.contains(LowerCase(extensionOf(name))) && AddSourceFile(name))
            added = true;
    }
    if (added) {
        MarkModified();
        CalculateCommonRoot(false);
        MarkModified();
    }
}

// ---- Drawing support ----------------------------------------------------------

QString TSourceList::StatusTextAt(int row) const
{
    const int number = NumberAt(row);
    return number >= 0 && number < m_statuses->count() ? m_statuses->get(number) : QString();
}

QString TSourceList::ShownPath(int row) const
{
    const QString path = PathAt(row);
    if (!CheckedAt(row) || m_root.isEmpty())
        return path;
    // Only a path that lies below the root loses its front part.
    const QString prefix = rootPrefix();
    if (path.size() > prefix.size() && CodePage1250::sameText(QStringView(path).left(prefix.size()), prefix))
        return path.mid(m_rootPosition - 1);
    return path;
}

QString TSourceList::rootPrefix() const
{
    // The file system's root "/" already ends with its delimiter.
    return m_root.endsWith(QLatin1Char('/')) ? m_root : m_root + QLatin1Char('/');
}
