#include "TarvellToolWatcherThread.h"

#include <QEventLoop>
#include <QMetaObject>
#include <QPointer>

TTarvellToolWatcherThread::TTarvellToolWatcherThread(QObject *parent)
    : QThread(parent)
{
    connect(this, &QThread::finished, this, [this] {
        if (FreeOnTerminate)
            deleteLater();
    });
}

TTarvellToolWatcherThread::~TTarvellToolWatcherThread()
{
    // Only reached while running when the owner is torn down abruptly; the
    // hand-overs cannot be served any more, so stop waiting on them.
    if (isRunning()) {
        Terminate();
        WaitFor(this);
    }
}

void TTarvellToolWatcherThread::Terminate()
{
    m_terminated.store(true);
    m_wake.release();
}

void TTarvellToolWatcherThread::Wake()
{
    m_wake.release();
}

void TTarvellToolWatcherThread::handOver(const THandOver &call)
{
    if (!call)
        return;
    bool failed = false;
    QMetaObject::invokeMethod(
        this,
        [this, &call, &failed] {
            const bool outer = m_serving;
            m_serving = true;
            try {
                call();
            } catch (...) {
                failed = true;
            }
            m_serving = outer;
        },
        Qt::BlockingQueuedConnection);
    if (failed)
        m_terminated.store(true);
}

bool TTarvellToolWatcherThread::ask(const TQuery &query)
{
    if (!query)
        return true;
    bool answer = true;
    QMetaObject::invokeMethod(
        this,
        [this, &query, &answer] {
            const bool outer = m_serving;
            m_serving = true;
            try {
                answer = query();
            } catch (...) {
                answer = true;
            }
            m_serving = outer;
        },
        Qt::BlockingQueuedConnection);
    return answer;
}

void TTarvellToolWatcherThread::run()
{
    handOver(OnStarted);
    while (!m_terminated.load()) {
        m_wake.tryAcquire(1, PollIntervalMs);
        // Several wakes may have piled up; one question answers them all.
        while (m_wake.tryAcquire())
            ;
        if (ask(ProcessEnded) || m_terminated.load())
            break;
        handOver(OnProgress);
    }
    if (TickAfterWait)
        handOver(OnProgress);
    handOver(OnCompleted);
}

void TTarvellToolWatcherThread::WaitFor(TTarvellToolWatcherThread *watcher)
{
    QPointer<TTarvellToolWatcherThread> guard(watcher);
    if (!guard || QThread::currentThread() == guard.data() || guard->Serving())
        return;
    QEventLoop loop;
    QObject::connect(guard.data(), &QThread::finished, &loop, &QEventLoop::quit, Qt::QueuedConnection);
    QObject::connect(guard.data(), &QObject::destroyed, &loop, &QEventLoop::quit);
    if (!guard->isRunning() || guard->isFinished())
        return;
    loop.exec();
}
