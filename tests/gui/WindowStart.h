#pragma once
// Shows a main window and waits until its start has finished (true) or
// failed: both windows end their start with one of the two signals.

#include <QElapsedTimer>
#include <QSignalSpy>
#include <QtTest>

template <typename TWindow>
bool ShowAndWaitForStart(TWindow *window, int timeoutMs = 5000)
{
    QSignalSpy started(window, &TWindow::startFinished);
    QSignalSpy failed(window, &TWindow::fatalStartReported);
    window->show();
    QElapsedTimer waited;
    waited.start();
    while (started.count() == 0 && failed.count() == 0 && waited.elapsed() < timeoutMs)
        QTest::qWait(10);
    return started.count() > 0;
}
