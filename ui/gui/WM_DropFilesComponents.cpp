#include "WM_DropFilesComponents.h"

#include "CommandDispatch.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QUrl>

QStringList LocalPathsOf(const QMimeData *data)
{
    QStringList names;
    if (!data)
        return names;
    for (const QUrl &url : data->urls())
        if (url.isLocalFile())
            names << url.toLocalFile();
    return names;
}

// The three controls share their drop handling; only the base class differs.
#define QUENBAR_DROP_TARGET_IMPL(Class, Base)                                                 \
    Class::Class(QWidget *parent) : Base(parent) { setAcceptDrops(true); }                    \
    void Class::dropFiles(const QStringList &names)                                          \
    {                                                                                         \
        if (names.isEmpty())                                                                  \
            return;                                                                           \
        if (OnWMDropFileMessage)                                                              \
            RunCommand(StatusBarOf(this), [&] { OnWMDropFileMessage(this, names); });         \
        else                                                                                  \
            emit filesDropped(names);                                                         \
    }                                                                                         \
    void Class::dragEnterEvent(QDragEnterEvent *event)                                        \
    {                                                                                         \
        if (!LocalPathsOf(event->mimeData()).isEmpty())                                       \
            event->acceptProposedAction();                                                    \
    }                                                                                         \
    void Class::dragMoveEvent(QDragMoveEvent *event)                                          \
    {                                                                                         \
        if (!LocalPathsOf(event->mimeData()).isEmpty())                                       \
            event->acceptProposedAction();                                                    \
    }                                                                                         \
    void Class::dropEvent(QDropEvent *event)                                                  \
    {                                                                                         \
        const QStringList names = LocalPathsOf(event->mimeData());                            \
        event->acceptProposedAction();                                                        \
        dropFiles(names);                                                                     \
    }

QUENBAR_DROP_TARGET_IMPL(TBitBtnWM_Drop, QPushButton)
QUENBAR_DROP_TARGET_IMPL(TPanelWM_Drop, QFrame)
QUENBAR_DROP_TARGET_IMPL(TGroupBoxWM_Drop, QGroupBox)
