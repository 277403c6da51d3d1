#pragma once
// Window commands: each action runs through RunCommand (Commands.h) with the
// window's status bar, so EAbort is swallowed and every other exception is
// reported on the bar and never reaches the event loop.

#include "Commands.h"
#include "MyStatusBar.h"

#include <QApplication>
#include <QMetaObject>
#include <QString>

#include <exception>
#include <functional>

class QAction;
class QWidget;

// The window's status bar "MyStB", or nullptr.
TMyStatusBar *StatusBarOf(QWidget *widget);

// Connects action's triggered signal to handler run through RunCommand. A
// null bar means the "MyStB" bar of the window of the action's parent widget
// at the time the action fires.
QMetaObject::Connection ConnectCommand(QAction *action, TMyStatusBar *bar, std::function<void()> handler);

// The application object of the program: a last safety net that catches
// whatever escaped an event handler, the same way as RunCommand, and reports
// it on the active window's status bar (or stderr).
class TQuenbarApplication : public QApplication
{
    Q_OBJECT
public:
    TQuenbarApplication(int &argc, char **argv);
    bool notify(QObject *receiver, QEvent *event) override;
};
