#include "FindDirectoryFrame.h"

#include "CommandDispatch.h"
#include "DialogService.h"
#include "Errors.h"
#include "MyStatusBar.h"
#include "PathPickerLogic.h"
#include "DropFilesHandler.h"
#include "PickerEdit.h"
#include "ScopeGuard.h"
#include "SharedRoutinesCommon.h"

#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QToolButton>
#include <QUrl>

namespace {

// The edit shows the button-face colour while a dialog is open.
TScopeGuard busyColourShown(QLineEdit *edit)
{
    const QPalette palette = edit->palette();
    QPalette busy = palette;
    busy.setColor(QPalette::Base, busy.color(QPalette::Button));
    edit->setPalette(busy);
    return TScopeGuard([edit, palette] { edit->setPalette(palette); });
}

// The process's current folder comes back whatever happens.
TScopeGuard currentFolderKept()
{
    return TScopeGuard([folder = QDir::currentPath()] { QDir::setCurrent(folder); });
}

void removeIfEmpty(const QString &folder)
{
    if (!folder.isEmpty())
        QDir().rmdir(folder);   // fails harmlessly when not empty
}

} // namespace

TFrameFindDirectory::TFrameFindDirectory(QWidget *parent)
    : TFrame(parent)
{
    setObjectName(QStringLiteral("FrameFindDirectory"));
    LabelCaption = new QLabel(QStringLiteral("Find directory"), this);
    LabelCaption->setObjectName(QStringLiteral("LabelCaption"));
    Edit = new QLineEdit(this);
    Edit->setObjectName(QStringLiteral("Edit"));
    SpeedButton = new QToolButton(this);
    SpeedButton->setObjectName(QStringLiteral("SpeedButton"));
    SpeedButton->setText(QStringLiteral("..."));
    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(2, 2, 2, 2);
    layout->addWidget(LabelCaption);
    layout->addWidget(Edit, 1);
    layout->addWidget(SpeedButton);
    setAcceptDrops(true);
    Edit->installEventFilter(this);
    connect(Edit, &QLineEdit::textChanged, this, [this](const QString &t) { Edit->setToolTip(t); });
    connect(SpeedButton, &QToolButton::clicked, this, [this] { RunCommand(Reporter, [this] { BrowseForDir(); }); });
}

QString TFrameFindDirectory::DirectoryWithDelimiter() const
{
    return PathPicker::DirectoryWithDelimiter(Edit->text());
}

QString TFrameFindDirectory::DirectoryWithoutDelimiter() const
{
    return PathPicker::DirectoryWithoutDelimiter(Edit->text());
}

void TFrameFindDirectory::report(const QString &message)
{
    if (Reporter)
        Reporter->ShowError(message, true);
}

void TFrameFindDirectory::EditExit()
{
    if (!Edit->isModified())
        return;
    Edit->setModified(false);
    if (OnBeforeCheck)
        OnBeforeCheck(this);
    const QString path = Edit->text();
    if (!QFileInfo(path).isDir()) {
        report(LabelCaption->text() + QStringLiteral(" - ") + path + QStringLiteral(" doesn't exist"));
        BrowseForDir();
    }
}

void TFrameFindDirectory::BrowseForDir()
{
    const QString initial = Edit->text();
    QString chosen;
    PathPicker::TBrowseStart start;
    {
        const TScopeGuard keepFolder = currentFolderKept();
        const TScopeGuard busy = busyColourShown(Edit);
        start = PathPicker::BrowseStartFolder(initial, DefaultDir, DocumentsFolder());
        chosen = Dialogs::service().existingDirectory(LabelCaption->text(), start.folder, window());
    }
    if (chosen.isEmpty()) {
        if (start.created != initial)
            removeIfEmpty(start.created);
        report(QStringLiteral("Directorry selection cancelled "));
        throw EAbort();
    }
    chosen = PathPicker::DirectoryWithoutDelimiter(QDir::fromNativeSeparators(chosen));
    if (chosen != initial) {
        takeFolder(chosen);
        if (start.created != chosen)
            removeIfEmpty(start.created);
        if (!DefaultDir.isEmpty() && DefaultDir != chosen)
            removeIfEmpty(DefaultDir);
    }
    if (Reporter)
        Reporter->ShowError(QString(), true);
}

void TFrameFindDirectory::takeFolder(const QString &folder)
{
    Edit->setText(folder);
    Edit->setVisible(true);
    WriteSetting(QStringLiteral("LastSelectedDir"), folder);
    if (OnDirectoryChanged)
        OnDirectoryChanged(this);
}

void TFrameFindDirectory::DropFiles(const QStringList &names)
{
    const QString folder = PathPicker::DroppedFolder(names, Edit->text());
    if (folder.isEmpty())
        return;
    const TScopeGuard keepFolder = currentFolderKept();
    takeFolder(folder);
}

bool TFrameFindDirectory::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == Edit && HandlePickerEditEvent(Edit, event, Reporter, [this] { EditExit(); }))
        return true;
    return TFrame::eventFilter(watched, event);
}

void TFrameFindDirectory::enterEvent(QEnterEvent *event)
{
    setToolTip(Edit->text());
    TFrame::enterEvent(event);
}

void TFrameFindDirectory::dragEnterEvent(QDragEnterEvent *event)
{
    if (!LocalPathsOf(event->mimeData()).isEmpty())
        event->acceptProposedAction();
}

void TFrameFindDirectory::dropEvent(QDropEvent *event)
{
    const QStringList names = LocalPathsOf(event->mimeData());
    event->acceptProposedAction();   // the drop is always finished
    RunCommand(Reporter, [&] { DropFiles(names); });
}
