#include "CommandDispatch.h"

#include "Errors.h"
#include "MyStatusBar.h"

#include <QAction>
#include <QPointer>
#include <QWidget>

#include <cstdio>

namespace {

void printError(const QString &message)
{
    std::fputs((message + QLatin1Char('\n')).toLocal8Bit().constData(), stderr);
    std::fflush(stderr);
}

void report(TMyStatusBar *bar, QString message)
{
    // An empty text would clear the bar and hide the failure.
    if (message.trimmed().isEmpty())
        message = ErrorWithoutMessageText();
    if (bar) {
        try {
            bar->ShowError(message, true);
            return;
        } catch (...) {
            // The bar (or a dialog service behind it) failed: fall back below.
        }
    }
    printError(message);
}

} // namespace

QString UnknownErrorText()
{
    return QStringLiteral("Unexpected error of unknown kind, the command was stopped");
}

QString ErrorWithoutMessageText()
{
    return QStringLiteral("An error without a message stopped the command");
}

void ReportCurrentException(TMyStatusBar *bar)
{
    try {
        throw;
    } catch (const EAbort &) {
    } catch (const EQuenbarError &error) {
        report(bar, error.message());
    } catch (const std::exception &error) {
        report(bar, QString::fromLocal8Bit(error.what()));
    } catch (...) {
        report(bar, UnknownErrorText());
    }
}

bool RunCommand(TMyStatusBar *bar, const std::function<void()> &command)
{
    try {
        if (command)
            command();
        return true;
    } catch (...) {
        ReportCurrentException(bar);
        return false;
    }
}

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
