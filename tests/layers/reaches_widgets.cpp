// A core source that reaches for a widget: building it must fail with the
// guard's message (the layers test builds it on purpose).
#include <QtWidgets/QWidget>

int probe()
{
    return sizeof(QWidget);
}
