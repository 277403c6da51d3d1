#include "SourceList.h"

#include "CodePage1250.h"
#include "DialogService.h"
#include "MyStatusBar.h"
#include "PathPickerLogic.h"
#include "ProgressQuenbar.h"
#include "QuenbarDB.h"
#include "SharedRoutinesCommon.h"
#include "StreamToIniCore.h"
#include "StringListHolder.h"
#include "TextFile.h"
#include "WidgetRoutines.h"

#include <QApplication>
#include <QEvent>
#include <QFileInfo>
#include <QFontMetrics>
#include <QGroupBox>
#include <QHash>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPainter>
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

class TBusyCursor
{
public:
    TBusyCursor()
        : m_on(qobject_cast<QGuiApplication *>(QCoreApplication::instance()) != nullptr)
    {
        if (m_on)
            QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    }
    ~TBusyCursor()
    {
        if (m_on)
            QGuiApplication::restoreOverrideCursor();
    }
    TBusyCursor(const TBusyCursor &) = delete;
    TBusyCursor &operator=(const TBusyCursor &) = delete;

private:
    bool m_on;
};

// Shows the progress window for a big list and hides it on every way out.
class TProgressShown
{
public:
    TProgressShown(TfrmProgressQuenbar *progress, int count, const QString &title)
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
    TfrmProgressQuenbar *m_progress;
};

} // namespace

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

// ---- Widget-free helpers ----------------------------------------------------

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
    if (HasDriveLetter(path))
        return path.left(2);
    if (path.startsWith(QLatin1String("//"))) {
        const qsizetype server = path.indexOf(QLatin1Char('/'), 2);
        if (server < 0)
            return path;
        const qsizetype share = path.indexOf(QLatin1Char('/'), server + 1);
        return share < 0 ? path : path.left(share);
    }
    return QString();
}

TSourceList::TCommonRoot TSourceList::ComputeCommonRoot(const QStringList &paths, bool fullDepth)
{
    TCommonRoot result;
    if (paths.isEmpty())
        return result;
    const QString drive = DriveOf(paths.first());
    QList<QStringList> parts;
    parts.reserve(paths.size());
    for (const QString &path : paths) {
        const QString own = DriveOf(path);
        if (!SameText(own, drive))
            throw ESourceListError(QStringLiteral(
                "Cannot determine\"System\" direcory, all modules must reside on the same drive!"));
        const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
        QString folder = slash < 0 ? QString() : path.left(slash);
        folder = folder.mid(std::min(own.size(), folder.size()));
        if (folder.startsWith(QLatin1Char('/')))
            folder.remove(0, 1);
        parts.append(folder.isEmpty() ? QStringList() : folder.split(QLatin1Char('/')));
    }
    int shortest = 0;
    qsizetype most = 0;
    for (int i = 0; i < parts.size(); ++i) {
        if (parts[i].size() <= parts[shortest].size())
            shortest = i;   // the last of equally short ones
        most = std::max(most, parts[i].size());
    }
    const QStringList &s = parts[shortest];
    qsizetype common = s.size();
    for (const QStringList &p : std::as_const(parts))
        for (qsizetype i = 0; i < common; ++i)
            if (p[i] != s[i]) {
                common = i;
                break;
            }
    // Two levels stay below the root for components and modules.
    const qsizetype last = fullDepth ? most - 1 : most - 3;
    QString root = drive + QLatin1Char('/');
    for (qsizetype i = 0; i < common && i <= last; ++i)
        root += s[i] + QLatin1Char('/');
    root.chop(1);
    result.Root = root;
    result.Depth = int(most - common);
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

TSourceList::TSourceList(const TSourceListControls &controls, QObject *parent)
    : QObject(parent), m_c(controls)
{
    Q_ASSERT(m_c.List && m_c.Names && m_c.Statuses);
    m_c.List->setSortingEnabled(false);
    m_c.List->installEventFilter(this);
    SetCommonRoot(m_c.CommonRootEdit ? m_c.CommonRootEdit->text() : QString());
}

TSourceList::~TSourceList() = default;

void TSourceList::SetSorted(bool on)
{
    m_sorted = on;
    if (on && m_batch == 0)
        sortLines();
}

int TSourceList::Count() const
{
    return m_c.List->count();
}

QString TSourceList::PathAt(int row) const
{
    const QListWidgetItem *item = m_c.List->item(row);
    return item ? LinePath(item->text()) : QString();
}

int TSourceList::NumberAt(int row) const
{
    const QListWidgetItem *item = m_c.List->item(row);
    int number = -1;
    if (!item || !LineNumber(item->text(), number))
        return -1;
    return number;
}

bool TSourceList::CheckedAt(int row) const
{
    const QListWidgetItem *item = m_c.List->item(row);
    return item && item->checkState() == Qt::Checked;
}

bool TSourceList::EnabledAt(int row) const
{
    const QListWidgetItem *item = m_c.List->item(row);
    return item && item->flags().testFlag(Qt::ItemIsEnabled);
}

int TSourceList::RowOfPath(const QString &path) const
{
    for (int row = 0; row < m_c.List->count(); ++row) {
        const QString text = m_c.List->item(row)->text();
        if (CodePage1250::sameText(pathView(text), path))
            return row;
    }
    return -1;
}

int TSourceList::indexOfName(const QString &path) const
{
    const QStringList names = m_c.Names->StringList();
    for (int i = 0; i < names.size(); ++i)
        if (CodePage1250::sameText(names.at(i), path))
            return i;
    return -1;
}

QListWidgetItem *TSourceList::newLine(const QString &path, int number) const
{
    auto *item = new QListWidgetItem(MakeLine(path, number));
    item->setFlags(Qt::ItemIsSelectable | Qt::ItemIsUserCheckable | Qt::ItemIsEnabled);
    item->setCheckState(Qt::Checked);
    return item;
}

void TSourceList::insertLine(QListWidgetItem *item)
{
    QListWidget *list = m_c.List;
    if (!m_sorted || m_batch > 0) {
        list->addItem(item);
        return;
    }
    // After the last line that does not sort behind the new one.
    int low = 0;
    int high = list->count();
    const QString text = item->text();
    while (low < high) {
        const int mid = (low + high) / 2;
        if (CompareText(text, list->item(mid)->text()) < 0)
            high = mid;
        else
            low = mid + 1;
    }
    list->insertItem(low, item);
}

void TSourceList::sortLines()
{
    QListWidget *list = m_c.List;
    const int n = list->count();
    bool sorted = true;
    for (int i = 1; i < n && sorted; ++i)
        sorted = CompareText(list->item(i - 1)->text(), list->item(i)->text()) <= 0;
    if (sorted)
        return;
    QListWidgetItem *current = list->currentItem();
    QList<QListWidgetItem *> items;
    items.reserve(n);
    for (int i = n - 1; i >= 0; --i)
        items.append(list->takeItem(i));
    std::reverse(items.begin(), items.end());
    std::stable_sort(items.begin(), items.end(),
                     [](const QListWidgetItem *a, const QListWidgetItem *b) { return lessText(a->text(), b->text()); });
    for (QListWidgetItem *item : std::as_const(items))
        list->addItem(item);
    if (current)
        list->setCurrentItem(current);
}

int TSourceList::bigLimit() const
{
    return m_c.BigDirectoryLimit ? m_c.BigDirectoryLimit() : 50;
}

void TSourceList::markModified()
{
    if (m_c.MarkModified)
        m_c.MarkModified();
}

void TSourceList::error(const QString &message)
{
    if (m_c.StatusBar)
        m_c.StatusBar->ShowError(message, false);
    throw ESourceListError(message);
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
    const QStringList names = m_c.Names->StringList();
    for (int i = 0; i < names.size(); ++i) {
        const QString key = UpperCase(names.at(i));
        if (!positions.contains(key))
            positions.insert(key, i);
    }
    QListWidget *list = m_c.List;
    for (int row = 0; row < list->count(); ++row) {
        QListWidgetItem *item = list->item(row);
        const QString path = LinePath(item->text());
        const QString line = MakeLine(path, positions.value(UpperCase(path), -1));
        if (line != item->text())
            item->setText(line);
    }
}

int TSourceList::widestPath() const
{
    const QFont font = m_c.List->font();
    int widest = 0;
    for (int row = 0; row < m_c.List->count(); ++row)
        widest = std::max(widest, TextPixelWidth(PathAt(row), font));
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
    const int number = m_c.Names->count();
    insertLine(newLine(path, number));
    m_c.Names->add(path, kind);
    // The status of entry N must stand at N even when the holders drifted apart.
    while (m_c.Statuses->count() < number)
        m_c.Statuses->add(QString());
    if (m_c.Statuses->count() == number)
        m_c.Statuses->add(KindName(kind));
    else
        m_c.Statuses->put(number, KindName(kind));
    const int width = TextPixelWidth(path, m_c.List->font());
    if (width > m_c.Names->MaxLen())
        m_c.Names->SetMaxLen(width);
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
    if (m_c.DM)
        m_c.DM->DeleteInterfaceByCSVName(baseNameOf(path));
    delete m_c.List->takeItem(row);
    // A line whose number points at another file's entry must not take
    // that entry with it.
    if (number < 0 || number >= m_c.Names->count() || !SameText(m_c.Names->get(number), path))
        number = indexOfName(path);
    if (number >= 0) {
        removeHolderEntry(m_c.Names, number);
        removeHolderEntry(m_c.Statuses, number);
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
    QListWidget *list = m_c.List;
    TStringListHolder *names = m_c.Names;
    // 1. Lines of missing files and lines that lost their entry.
    for (int row = list->count() - 1; row >= 0; --row) {
        const QString text = list->item(row)->text();
        const QString path = LinePath(text);
        int number = -1;
        const bool stays = !path.isEmpty() && isFile(path) && LineNumber(text, number) && number >= 0
                           && number < names->count() && names->get(number) == path;
        if (!stays)
            delete list->takeItem(row);
    }
    // 2. Entries no line refers to; 3. the rest sorted by path.
    QSet<QString> referenced;
    for (int row = 0; row < list->count(); ++row)
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
    const QString output = m_c.OutputDirectory ? m_c.OutputDirectory() : QString();
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
    m_c.Statuses->clear();
    m_c.Statuses->SetStringList(statuses);
    markModified();
    list->viewport()->update();
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
        TBusyCursor busy;
        FindFilesByExtension(folder, QString(), extensions, found);
    }
    if (found.size() > bigLimit() && ask) {
        const int answer = Dialogs::message(
            TMsgDlgType::Warning,
            QStringLiteral("You are going to add %1 source files\r\nDo you really want to proceed?").arg(found.size()),
            mbOKCancel, 0, m_c.List->window());
        if (answer != mbOK)
            error(QStringLiteral("Cancelled due to too many files in directory"));
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
    markModified();
    CalculateCommonRoot(false);
    markModified();
    if (!unreadable.isEmpty())
        error(QStringLiteral("Some source files cannot be read: ") + unreadable.join(QStringLiteral("; ")));
}

// ---- Common root ------------------------------------------------------------------

void TSourceList::UpdateGroupCaption()
{
    if (m_c.ShowRecalculate)
        m_c.ShowRecalculate(Count() > bigLimit());
    if (m_c.Group) {
        const QString title = m_c.Group->title();
        m_c.Group->setTitle(TextBefore(title, QStringLiteral("(")) + QLatin1Char('(') + QString::number(Count())
                            + QLatin1Char(')'));
    }
}

void TSourceList::CalculateCommonRoot(bool strict)
{
    QListWidget *list = m_c.List;
    const int count = list->count();
    const int limit = bigLimit();
    UpdateGroupCaption();
    if (count == 0)
        return;
    if (count > 9998)
        error(QStringLiteral("The number of file in one job must be less than 9999"));
    bool missing = false;
    bool anyChecked = false;
    for (int row = 0; row < count; ++row) {
        QListWidgetItem *item = list->item(row);
        if (item->checkState() != Qt::Checked)
            continue;
        if (isFile(PathAt(row))) {
            anyChecked = true;
            continue;
        }
        item->setCheckState(Qt::Unchecked);
        item->setFlags(item->flags() & ~Qt::ItemIsEnabled);
        missing = true;
    }
    if (missing)
        error(QStringLiteral("Some input files cannot be found!"));
    if (!anyChecked) {
        if (strict)
            error(kNoFilesSelected);
        if (m_c.StatusBar)
            m_c.StatusBar->ShowInfo(kNoFilesSelected);
        return;
    }
    if (!strict && count > limit) {
        if (m_c.StatusBar)
            m_c.StatusBar->ShowWarning(
                QStringLiteral("Press the \"Recalculate modular structure\" button to apply the changes !"));
        return;
    }
    {
        TBusyCursor busy;
        TProgressShown progress(count > limit ? m_c.Progress : nullptr, count,
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
            result = ComputeCommonRoot(paths, m_c.MaxDirDepth && m_c.MaxDirDepth() == 99);
        } catch (const ESourceListError &e) {
            SetCommonRoot(QString());
            error(e.message());
        } catch (...) {
            SetCommonRoot(QString());
            throw;
        }
        m_depth = result.Depth;
        if (m_c.LabelDepth)
            m_c.LabelDepth->setText(QString::number(m_depth));
        SetCommonRoot(result.Root);
    }
    markModified();
    if (m_c.StatusBar)
        m_c.StatusBar->ClearMessage();
}

void TSourceList::SetCommonRoot(const QString &root)
{
    m_root = root;
    m_rootPosition = root.isEmpty() ? 1 : int(root.size()) + 2;
    if (m_c.CommonRootEdit)
        m_c.CommonRootEdit->setText(root);
    const QFont font = m_c.List->font();
    // Without a root the full path is drawn: nothing is cut off to make up for.
    m_rootWidth = root.isEmpty() ? 0 : TextPixelWidth(root + QLatin1Char('/'), font);
    m_c.Names->SetMaxLen(widestPath());
    m_extent = TextPixelWidth(QStringLiteral("<Proc><WSDL><xxx>"), font) + m_c.Names->MaxLen() - m_rootWidth + 5;
    m_c.List->doItemsLayout();
    m_c.List->viewport()->update();
}

void TSourceList::CheckSourcesSelected()
{
    if (m_c.CheckJobNames)
        m_c.CheckJobNames();
    bool anyChecked = false;
    for (int row = 0; row < Count() && !anyChecked; ++row)
        anyChecked = CheckedAt(row);
    if (!anyChecked) {
        if (m_c.ShowNamesPage)
            m_c.ShowNamesPage();
        error(kNoFilesSelected);
    }
    CalculateCommonRoot(true);
}

QString TSourceList::LanguageFileFilter()
{
    const QString code = m_c.LanguageCode ? m_c.LanguageCode() : QString();
    QString filter = m_c.SettingValue ? m_c.SettingValue(code + QStringLiteral(".Filters")) : QString();
    if (filter.isEmpty()) {
        if (m_c.StatusBar)
            m_c.StatusBar->ShowInfo(QStringLiteral("Shell program error, missing filter definition, inform Velmora"));
        filter = QStringLiteral("All files (Possible definition error)|*.*");
    }
    return filter;
}

// ---- Commands -------------------------------------------------------------------------

void TSourceList::AddFilesFromDialog()
{
    if (m_c.ShowNamesPage)
        m_c.ShowNamesPage();
    const QString filter = LanguageFileFilter();
    TFileDialogRequest request;
    request.caption = QStringLiteral("Add files to process to the project");
    request.folder = m_root;
    request.filter = DialogFilter(filter);
    const QStringList files = Dialogs::service().openFileNames(request, m_c.List->window());
    const QStringList extensions = DialogExtensions(filter);
    for (const QString &file : files) {
        const QString extension = extensionOf(file);
        if (std::any_of(extensions.begin(), extensions.end(),
                        [&](const QString &e) { return SameText(e, extension); }))
            AddSourceFile(file);
    }
    markModified();
    CalculateCommonRoot(false);
    markModified();
}

void TSourceList::AddFolderFromDialog()
{
    const QString start = m_root.isEmpty() ? QString() : DriveOf(m_root) + QLatin1Char('/');
    const QString folder = Dialogs::service().existingDirectory(
        QStringLiteral("Select a folder containing files to add to the project"), start, m_c.List->window());
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
    markModified();
    UpdateGroupCaption();
}

QListWidget *TSourceList::targetList(QObject *invoker)
{
    if (auto *list = qobject_cast<QListWidget *>(invoker))
        return list;
    if (invoker && invoker->property("Tag").toInt() != 0)
        error(QStringLiteral("Click on a checklistbox first to use this function(Tag)!"));
    if (auto *list = qobject_cast<QListWidget *>(m_c.List->window()->focusWidget()))
        return list;
    error(QStringLiteral("Click on a checklistbox first to use this function!"));
    return nullptr;
}

void TSourceList::SelectAll(QObject *invoker)
{
    QListWidget *list = targetList(invoker);
    for (int row = 0; row < list->count(); ++row)
        list->item(row)->setCheckState(Qt::Checked);
    markModified();
    if (list == m_c.List)
        CalculateCommonRoot(false);
}

void TSourceList::UnselectAll(QObject *invoker)
{
    QListWidget *list = targetList(invoker);
    for (int row = 0; row < list->count(); ++row)
        list->item(row)->setCheckState(Qt::Unchecked);
    markModified();
}

void TSourceList::ToggleSelect(QObject *invoker)
{
    QListWidget *list = targetList(invoker);
    for (int row = 0; row < list->count(); ++row) {
        QListWidgetItem *item = list->item(row);
        item->setCheckState(item->checkState() == Qt::Checked ? Qt::Unchecked : Qt::Checked);
    }
    markModified();
    if (list == m_c.List)
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
        markModified();
        CalculateCommonRoot(false);
        markModified();
    }
}

// ---- Drawing support ----------------------------------------------------------

QString TSourceList::StatusTextAt(int row) const
{
    const int number = NumberAt(row);
    return number >= 0 && number < m_c.Statuses->count() ? m_c.Statuses->get(number) : QString();
}

QString TSourceList::ShownPath(int row) const
{
    const QString path = PathAt(row);
    if (!CheckedAt(row) || m_root.isEmpty())
        return path;
    // Only a path that lies below the root loses its front part.
    const QString prefix = m_root + QLatin1Char('/');
    if (path.size() > prefix.size() && CodePage1250::sameText(QStringView(path).left(prefix.size()), prefix))
        return path.mid(m_rootPosition - 1);
    return path;
}

bool TSourceList::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_c.List && event->type() == QEvent::FocusIn && m_c.List->currentRow() < 0
        && m_c.List->count() > 0)
        m_c.List->setCurrentRow(0);
    return QObject::eventFilter(watched, event);
}

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
    const int widest = m_owner->Controls().Names->MaxLen();
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

bool TSourceListDelegate::editorEvent(QEvent *event, QAbstractItemModel *model, const QStyleOptionViewItem &option,
                                      const QModelIndex &index)
{
    const QVariant before = index.data(Qt::CheckStateRole);
    const bool handled = QStyledItemDelegate::editorEvent(event, model, option, index);
    if (handled && m_owner && index.data(Qt::CheckStateRole) != before)
        m_owner->NotifyCheckMarkClicked();
    return handled;
}
