#pragma once
#include <QFont>
#include <QString>

// Width of the text drawn in the font plus four times the system frame
// width; used for sizing columns, buttons, fields and the status bar text.
int TextPixelWidth(const QString &text, const QFont &font);
