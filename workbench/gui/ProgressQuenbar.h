#pragma once
// The workbench's progress window: a bar that counts or moves back and
// forth; Esc or a click on the bar asks whether to stop the work.

#include "Reporting.h"

#include <QDialog>

class QLabel;
class QProgressBar;

class TfrmProgressQuenbar : public QDialog, public IProgress
{
    Q_OBJECT
public:
    explicit TfrmProgressQuenbar(QWidget *parent = nullptr);

    QLabel *LabelCount;
    QProgressBar *ProgressBar;

    void StartCounting(int maximum, const QString &title = QString()) override;
    void StartPingPong(int maximum, const QString &title = QString()) override;
    // Both handle a pending stop request: on Yes the window hides and the
    // running command ends silently (EAbort).
    void StepProgress() override;
    void PingPongProgress(bool reset) override;
    // Shows the window; hides it when false and it was shown this way.
    void ShowProgressWindow(bool show) override;

    bool StopRequested() const override { return m_stopRequested; }
    void RequestStop() override { m_stopRequested = true; }

protected:
    void keyPressEvent(QKeyEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void start(int maximum, const QString &title);
    void handleStopRequest();
    void letEventsRun();

    bool m_stopRequested = false;
    bool m_shownByUs = false;
    int m_step = 1;
};
