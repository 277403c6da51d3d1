#include "WidgetRoutines.h"

#include <QApplication>
#include <QFontMetrics>
#include <QStyle>

int TextPixelWidth(const QString &text, const QFont &font)
{
    const int border = QApplication::style() ? QApplication::style()->pixelMetric(QStyle::PM_DefaultFrameWidth) : 1;
    return QFontMetrics(font).horizontalAdvance(text) + 4 * border;
}
