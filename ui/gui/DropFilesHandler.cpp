#include "DropFilesHandler.h"

#include "CommandDispatch.h"

#include <QDropEvent>
#include <QMimeData>
#include <QUrl>
#include <QWidget>

#include <utility>

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

TDropFilesHandler::TDropFilesHandler(QWidget *target, TDropFilesCallback onDrop)
    : QObject(target), OnWMDropFileMessage(std::move(onDrop)), m_target(target)
{
    target->setAcceptDrops(true);
    target->installEventFilter(this);
}

void TDropFilesHandler::dropFiles(const QStringList &names)
{
    if (names.isEmpty())
        return;
    if (OnWMDropFileMessage)
        RunCommand(StatusBarOf(m_target), [&] { OnWMDropFileMessage(m_target, names); });
    else
        emit filesDropped(names);
}

bool TDropFilesHandler::eventFilter(QObject *watched, QEvent *event)
{
    const QEvent::Type type = event->type();
    if (watched != m_target || (type != QEvent::DragEnter && type != QEvent::DragMove && type != QEvent::Drop))
        return QObject::eventFilter(watched, event);
    auto *drop = static_cast<QDropEvent *>(event);
    const QStringList names = LocalPathsOf(drop->mimeData());
    if (names.isEmpty())
        return QObject::eventFilter(watched, event);
    drop->acceptProposedAction();
    if (type == QEvent::Drop)
        dropFiles(names);
    return true;
}
