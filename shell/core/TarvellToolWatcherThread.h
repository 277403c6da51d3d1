#pragma once
// The background watcher of an external tool run. It never touches the
// process or any window itself: every 500 ms it asks the thread that created
// it (the user-interface thread) whether the process has ended, runs the
// progress tick there while it has not, and finally runs the completion
// there. Each hand-over is synchronous: the watcher waits until the call has
// run. The process therefore stays owned by the user-interface thread and no
// locks are needed.

#include <QSemaphore>
#include <QThread>

#include <atomic>
#include <functional>

class TTarvellToolWatcherThread : public QThread
{
    Q_OBJECT
public:
    using THandOver = std::function<void()>;
    using TQuery = std::function<bool()>;

    static constexpr int PollIntervalMs = 500;

    // Create on the user-interface thread: the hand-overs run on the thread
    // the watcher was created in.
    explicit TTarvellToolWatcherThread(QObject *parent = nullptr);
    ~TTarvellToolWatcherThread() override;

    // Hand-overs; set them before Start. Each must catch its own errors: one
    // that still escapes is swallowed (a failed query counts as "ended", a
    // failed tick ends the wait), so the completion always runs.
    TQuery ProcessEnded;    // true once the watched process has ended
    THandOver OnStarted;    // once, when the watcher begins
    THandOver OnProgress;   // after every 500 ms step in which the process still ran
    THandOver OnCompleted;  // once, after the wait
    // The shell's runner wants one more tick after the wait, the workbench not.
    bool TickAfterWait = false;
    // Deletes itself (deleteLater) once it has ended.
    bool FreeOnTerminate = true;

    void Start() { start(); }
    // Ends the wait at the next step; the completion still runs.
    void Terminate();
    bool Terminated() const { return m_terminated.load(); }
    // The process has ended: ask at once instead of at the end of the step.
    void Wake();

    // True while one of its hand-overs runs (read on the user-interface thread).
    bool Serving() const { return m_serving; }

    // Waits on the user-interface thread until the watcher has ended, still
    // serving its hand-overs (a plain QThread::wait would deadlock). Called
    // from inside one of the watcher's own hand-overs it returns at once, as
    // the watcher cannot end before that hand-over has returned. The watcher
    // may be deleted meanwhile when FreeOnTerminate is set.
    static void WaitFor(TTarvellToolWatcherThread *watcher);

protected:
    void run() override;

private:
    void handOver(const THandOver &call);
    bool ask(const TQuery &query);

    QSemaphore m_wake;
    std::atomic<bool> m_terminated{false};
    bool m_serving = false;   // user-interface thread only
};
