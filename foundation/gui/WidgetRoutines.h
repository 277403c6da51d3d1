#pragma once
#include "ScopeGuard.h"

#include <QFont>
#include <QString>
#include <qnamespace.h>

class QAbstractButton;
class QAction;

// Width of the text drawn in the font plus four times the system frame
// width; used for sizing columns, buttons, fields and the status bar text.
int TextPixelWidth(const QString &text, const QFont &font);

// The program's cursor shows the shape (the wait cursor unless told) while
// the guard lives; guards nest, each putting back the cursor it covered.
// Without a QGuiApplication (a program without windows) it does nothing.
class TWaitCursor
{
public:
    explicit TWaitCursor(Qt::CursorShape shape = Qt::WaitCursor);

private:
    TScopeGuard m_restore;
};

// The same for a busy state that a core object reports as on and off
// (a signal or a hook rather than a scope); each off takes back one on.
void ShowBusyCursor(bool on, Qt::CursorShape shape = Qt::WaitCursor);

// A button standing for an action: it shows the caption, follows the
// action's enabled and visible state and triggers it.
void BindButtonToAction(QAbstractButton *button, QAction *action, const QString &caption);
