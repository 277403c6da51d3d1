#pragma once
// The one place user commands are run: EAbort (the silent end of a command)
// is swallowed, every other exception is reported on the window's status bar
// and never reaches the event loop.

#include <QApplication>
#include <QMetaObject>
#include <QString>

#include <exception>
#include <functional>

class QAction;
class QWidget;
class TMyStatusBar;

// Reported when something that is not a std::exception was thrown.
QString UnknownErrorText();
// Reported for an error that carries no message of its own.
QString ErrorWithoutMessageText();

// Runs the command; returns true when it ran to its end, false when it was
// ended by EAbort or an error (which is then reported on bar, or on stderr
// when bar is null).
bool RunCommand(TMyStatusBar *bar, const std::function<void()> &command);

// Reports the exception in flight (call only inside a catch block); EAbort
// is ignored. Never throws.
void ReportCurrentException(TMyStatusBar *bar);

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
