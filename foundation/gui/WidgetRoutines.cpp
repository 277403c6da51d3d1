#include "WidgetRoutines.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QFontMetrics>
#include <QStyle>

int TextPixelWidth(const QString &text, const QFont &font)
{
    const int border = QApplication::style() ? QApplication::style()->pixelMetric(QStyle::PM_DefaultFrameWidth) : 1;
    return QFontMetrics(font).horizontalAdvance(text) + 4 * border;
}

namespace {

bool hasGuiApplication()
{
    return qobject_cast<QGuiApplication *>(QCoreApplication::instance()) != nullptr;
}

// True when the cursor was set: a guard must not restore a cursor it never set.
bool setOverride(Qt::CursorShape shape)
{
    if (!hasGuiApplication())
        return false;
    QGuiApplication::setOverrideCursor(shape);
    return true;
}

} // namespace

void ShowBusyCursor(bool on, Qt::CursorShape shape)
{
    if (on)
        setOverride(shape);
    else if (hasGuiApplication())
        QGuiApplication::restoreOverrideCursor();
}

TWaitCursor::TWaitCursor(Qt::CursorShape shape)
    : m_restore([set = setOverride(shape)] {
          if (set)
              QGuiApplication::restoreOverrideCursor();
      })
{
}

void BindButtonToAction(QAbstractButton *button, QAction *action, const QString &caption)
{
    button->setText(caption);
    button->setEnabled(action->isEnabled());
    button->setVisible(action->isVisible());
    QObject::connect(button, &QAbstractButton::clicked, action, &QAction::trigger);
    QObject::connect(action, &QAction::changed, button, [action, button] {
        button->setEnabled(action->isEnabled());
        button->setVisible(action->isVisible());
    });
}
