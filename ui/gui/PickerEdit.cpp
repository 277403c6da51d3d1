#include "PickerEdit.h"

#include "CommandDispatch.h"

#include <QEvent>
#include <QKeyEvent>
#include <QLineEdit>

bool HandlePickerEditEvent(QLineEdit *edit, QEvent *event, TMyStatusBar *bar, const std::function<void()> &leave)
{
    switch (event->type()) {
    case QEvent::FocusOut:
        RunCommand(bar, leave);
        return false;
    case QEvent::FocusIn:
        edit->setToolTip(edit->text());
        return false;
    case QEvent::KeyPress: {
        const int key = static_cast<QKeyEvent *>(event)->key();
        if (key != Qt::Key_Return && key != Qt::Key_Enter)
            return false;
        RunCommand(bar, leave);
        return true;
    }
    default:
        return false;
    }
}
