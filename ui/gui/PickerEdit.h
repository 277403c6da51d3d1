#pragma once
#include <functional>

class QEvent;
class QLineEdit;
class TMyStatusBar;

// The pickers' edit: leaving it, or Enter (which is swallowed), runs the
// leave handling as a command; entering it shows the path as its tooltip.
// True when the event was consumed.
bool HandlePickerEditEvent(QLineEdit *edit, QEvent *event, TMyStatusBar *bar, const std::function<void()> &leave);
