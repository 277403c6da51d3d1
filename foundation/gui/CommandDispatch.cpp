#include "CommandDispatch.h"

#include "Errors.h"
#include "MyStatusBar.h"

#include <QAction>
#include <QPointer>
#include <QWidget>


TMyStatusBar *StatusBarOf(QWidget *widget)
{
    if (!widget)
        return nullptr;
    QWidget *window = widget->window();
    if (auto *bar = qobject_cast<TMyStatusBar *>(window); bar && bar->objectName() == QLatin1String("MyStB"))
        return bar;
    return window->findChild<TMyStatusBar *>(QStringLiteral("MyStB"));
}

QMetaObject::Connection ConnectCommand(QAction *action, TMyStatusBar *bar, std::function<void()> handler)
{
    QPointer<TMyStatusBar> guardedBar(bar);
    const bool findBar = bar == nullptr;
    return QObject::connect(action, &QAction::triggered, action,
                            [action, guardedBar, findBar, handler = std::move(handler)](bool) {
                                TMyStatusBar *target = findBar ? StatusBarOf(qobject_cast<QWidget *>(action->parent()))
                                                               : guardedBar.data();
                                RunCommand(target, handler);
                            });
}

TQuenbarApplication::TQuenbarApplication(int &argc, char **argv)
    : QApplication(argc, argv)
{
}

bool TQuenbarApplication::notify(QObject *receiver, QEvent *event)
{
    try {
        return QApplication::notify(receiver, event);
    } catch (...) {
        ReportCurrentException(StatusBarOf(activeWindow()));
        return false;
    }
}
