#include "ProgressQuenbar.h"

#include "DialogService.h"
#include "Errors.h"
#include "WidgetRoutines.h"

#include <QCoreApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QProgressBar>
#include <QVBoxLayout>

TfrmProgressQuenbar::TfrmProgressQuenbar(QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowStaysOnTopHint | Qt::CustomizeWindowHint | Qt::WindowTitleHint)
{
    setObjectName(QStringLiteral("frmProgressQuenbar"));
    setWindowTitle(QStringLiteral("Importing...."));
    setToolTip(QStringLiteral("Press Esc to stop processing!"));
    LabelCount = new QLabel(this);
    LabelCount->setObjectName(QStringLiteral("LabelCount"));
    ProgressBar = new QProgressBar(this);
    ProgressBar->setObjectName(QStringLiteral("ProgressBar"));
    ProgressBar->setToolTip(QStringLiteral("Click here to stop processing!"));
    ProgressBar->setTextVisible(false);
    ProgressBar->installEventFilter(this);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(LabelCount);
    layout->addWidget(ProgressBar);
    resize(320, 70);
}

void TfrmProgressQuenbar::letEventsRun()
{
    QCoreApplication::processEvents();
}

void TfrmProgressQuenbar::start(int maximum, const QString &title)
{
    ProgressBar->setRange(0, std::max(0, maximum));
    ProgressBar->setValue(0);
    m_step = 1;
    if (!title.isEmpty())
        setWindowTitle(title);
    const int wanted = TextPixelWidth(title + QStringLiteral("WWWWWWWW"), font());
    if (wanted > width())
        resize(wanted, height());
    letEventsRun();
}

void TfrmProgressQuenbar::StartCounting(int maximum, const QString &title)
{
    LabelCount->setText(QString::fromUtf8("Feldolgozandó elemek száma: ") + QString::number(maximum));
    start(maximum, title);
}

void TfrmProgressQuenbar::StartPingPong(int maximum, const QString &title)
{
    LabelCount->clear();
    start(maximum, title);
}

void TfrmProgressQuenbar::handleStopRequest()
{
    if (!m_stopRequested)
        return;
    m_stopRequested = false;
    if (Dialogs::message(TMsgDlgType::Warning, QString::fromUtf8("Tényleg meg akarod szakítani a feldolgozást?"),
                         mbYesNo, mbNo, this)
        == mbYes) {
        ShowProgressWindow(false);
        hide();
        throw EAbort();
    }
}

void TfrmProgressQuenbar::StepProgress()
{
    m_stopRequested = false;
    ProgressBar->setValue(std::min(ProgressBar->maximum(), ProgressBar->value() + 1));
    letEventsRun();
    handleStopRequest();
}

void TfrmProgressQuenbar::PingPongProgress(bool reset)
{
    m_stopRequested = false;
    if (reset) {
        ProgressBar->setValue(ProgressBar->minimum());
    } else {
        const int v = ProgressBar->value();
        if (v >= ProgressBar->maximum() && v > ProgressBar->minimum())
            m_step = -1;
        else if (v <= ProgressBar->minimum())
            m_step = 1;
        ProgressBar->setValue(std::clamp(v + m_step, ProgressBar->minimum(), ProgressBar->maximum()));
    }
    letEventsRun();
    handleStopRequest();
}

void TfrmProgressQuenbar::ShowProgressWindow(bool show)
{
    m_stopRequested = false;
    if (show) {
        if (parentWidget())
            move(parentWidget()->window()->geometry().center() - rect().center());
        this->show();
        m_shownByUs = true;
    } else if (m_shownByUs) {
        hide();
        m_shownByUs = false;
    }
}

void TfrmProgressQuenbar::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Escape) {
        m_stopRequested = true;
        return;   // Esc must not close the window
    }
    QDialog::keyPressEvent(event);
}

bool TfrmProgressQuenbar::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == ProgressBar && event->type() == QEvent::MouseButtonPress)
        m_stopRequested = true;
    return QDialog::eventFilter(watched, event);
}
