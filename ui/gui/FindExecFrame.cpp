#include "FindExecFrame.h"

#include "SharedRoutinesCommon.h"

#include "CommandDispatch.h"
#include "DialogService.h"
#include "Errors.h"
#include "MyStatusBar.h"
#include "PathPickerLogic.h"
#include "PickerEdit.h"
#include "TextFile.h"

#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QStackedWidget>
#include <QToolButton>

TFrameFindexec::TFrameFindexec(QWidget *parent)
    : TFrame(parent)
{
    setObjectName(QStringLiteral("FrameFindexec"));
    LabelFindExec = new QLabel(QStringLiteral("Find program"), this);
    LabelFindExec->setObjectName(QStringLiteral("LabelFindExec"));
    Edit = new QLineEdit(QStringLiteral("Notepad.exe"), this);
    Edit->setObjectName(QStringLiteral("Edit"));
    SpeedButtonFindExec = new QToolButton(this);
    SpeedButtonFindExec->setObjectName(QStringLiteral("SpeedButtonFindExec"));
    SpeedButtonFindExec->setText(QStringLiteral("..."));
    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(2, 2, 2, 2);
    layout->addWidget(LabelFindExec);
    layout->addWidget(Edit, 1);
    layout->addWidget(SpeedButtonFindExec);
    Edit->installEventFilter(this);
    connect(Edit, &QLineEdit::textChanged, this, [this](const QString &t) { Edit->setToolTip(t); });
    connect(SpeedButtonFindExec, &QToolButton::clicked, this,
            [this] { RunCommand(StatusBar, [this] { SpeedButtonFindExecClick(); }); });
}

bool TFrameFindexec::isOptional() const { return property("Tag").toInt() == 1; }
void TFrameFindexec::setOptional(bool optional) { setProperty("Tag", optional ? 1 : 0); }

QString TFrameFindexec::caption() const { return LabelFindExec->text(); }

bool TFrameFindexec::frameVisible() const
{
    // Visible as the window designs it: a picker on a tab page that is not
    // showing counts as visible; one hidden on purpose (or inside a hidden
    // panel) does not.
    for (const QWidget *w = this; w; w = w->parentWidget()) {
        if (w->isWindow())
            break;
        if (w->isHidden() && !qobject_cast<const QStackedWidget *>(w->parentWidget()))
            return false;
    }
    return true;
}

void TFrameFindexec::setState(TEditState state)
{
    m_state = state;
    QPalette p = Edit->palette();
    switch (state) {
    case TEditState::Normal:
        p.setColor(QPalette::Base, palette().color(QPalette::Base));
        break;
    case TEditState::Invalid:
        p.setColor(QPalette::Base, QColor(Qt::red));
        break;
    case TEditState::Busy:
        p.setColor(QPalette::Base, palette().color(QPalette::Button));
        break;
    }
    Edit->setPalette(p);
}

void TFrameFindexec::addError(const QString &message)
{
    if (StatusBar)
        StatusBar->AddError(message, true);
}

void TFrameFindexec::EditExit()
{
    if (!frameVisible() || !Edit->isModified())
        return;
    Edit->setModified(false);
    if (!ProgramFileExists(Edit->text())) {
        addError(QStringLiteral("File doesn't exist"));
        SpeedButtonFindExecClick();
    }
}

void TFrameFindexec::SpeedButtonFindExecClick()
{
    if (!frameVisible())
        return;
    QString path = Edit->text();
    if (OnFind)
        OnFind(path, caption());
    else if (!FindFile(path, caption()))
        throw EAbort();
    if (path != Edit->text()) {
        Edit->setText(path);
        if (OnProgramChanged)
            OnProgramChanged(this);
    }
}

bool TFrameFindexec::FindFile(QString &path, const QString &caption)
{
    const TEditState before = m_state;
    setState(TEditState::Busy);
    const QString proposed = (path.isEmpty() || path == QLatin1String("?")) ? DefaultName : path;
    const QFileInfo fi(proposed);
    if (OpenDialogFilter.isEmpty())
        OpenDialogFilter = PathPicker::FindFileFilter(caption, proposed);
    TFileDialogRequest request;
    request.caption = QStringLiteral("Find %1 ").arg(caption);
    request.fileName = fi.fileName();
    request.folder = proposed.contains(u'/') ? fi.absolutePath() : QString();
    request.filter = PathPicker::QtFilter(OpenDialogFilter);
    const QString chosen = Dialogs::service().openFileName(request, window());
    setState(before);
    if (chosen.isEmpty())
        return false;
    path = QDir::fromNativeSeparators(chosen);
    return true;
}

bool TFrameFindexec::Validate()
{
    setState(TEditState::Normal);
    if (!frameVisible() || DefaultName == QLatin1String("@"))
        return true;
    const PathPicker::TValidation v =
        PathPicker::ValidateFile(Edit->text(), DefaultName, [](const QString &p) { return ProgramFileExists(p); });
    if (v.state == PathPicker::TValidity::Unavailable) {
        setState(TEditState::Invalid);
        addError(QStringLiteral("File ") + caption() + QStringLiteral(" is marked unavailable!"));
        return true;
    }
    if (v.path != Edit->text())
        Edit->setText(v.path);
    if (v.state == PathPicker::TValidity::Valid)
        return true;
    setState(TEditState::Invalid);
    if (isOptional())
        return true;
    try {
        QString path = Edit->text();
        if (OnFind) {
            OnFind(path, caption());
            return false;
        }
        if (FindFile(path, caption())) {
            setState(TEditState::Normal);
            if (path != Edit->text()) {
                Edit->setText(path);
                if (OnProgramChanged)
                    OnProgramChanged(nullptr);
            }
            return true;
        }
        addError(QStringLiteral("File not found: ") + path);
        setState(TEditState::Invalid);
    } catch (...) {
        // Errors while looking for the file leave the picker invalid.
    }
    return false;
}

bool TFrameFindexec::ReloadCheckList(QListWidget *list, const QDateTime &saveTime)
{
    const QString file = Edit->text();
    if (!list || !QFileInfo(file).isFile() || m_state != TEditState::Normal || !frameVisible())
        return false;
    if (!PathPicker::NeedsReload(QFileInfo(file).lastModified(), saveTime))
        return false;
    const QStringList items = PathPicker::ReloadedItems(TextFile::readLines(file));
    list->clear();
    for (const QString &text : items) {
        auto *item = new QListWidgetItem(text, list);
        item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
        item->setCheckState(Qt::Checked);
    }
    if (!saveTime.isValid())
        return false;
    addError(QStringLiteral("%1 - has been changed sience the project was changed, all entries are selected ")
                 .arg(QFileInfo(file).fileName()));
    return true;
}

bool TFrameFindexec::UseDefaultExtension(const QString &extension)
{
    const QString name = PathPicker::DefaultWithExtension(DefaultName, extension);
    if (name.isEmpty())
        return false;
    DefaultName = name;
    return true;
}

bool TFrameFindexec::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == Edit && HandlePickerEditEvent(Edit, event, StatusBar, [this] { EditExit(); }))
        return true;
    return TFrame::eventFilter(watched, event);
}

void TFrameFindexec::enterEvent(QEnterEvent *event)
{
    setToolTip(Edit->text());
    TFrame::enterEvent(event);
}
