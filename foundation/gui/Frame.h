#pragma once
#include <QFrame>

// Base of every reusable panel ("frame"). The form state passes treat a
// frame's children as the frame's own components, saved under
// window.frame.name, and leave frames out by class name
// (metaObject()->className()), so every subclass declares Q_OBJECT.
class TFrame : public QFrame
{
    Q_OBJECT
public:
    explicit TFrame(QWidget *parent = nullptr);
};
