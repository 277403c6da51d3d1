#include "Frame.h"

TFrame::TFrame(QWidget *parent)
    : QFrame(parent)
{
}
