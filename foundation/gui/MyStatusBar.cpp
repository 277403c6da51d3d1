#include "MyStatusBar.h"

#include <cstdio>

#include "DialogService.h"
#include "Errors.h"
#include "WidgetRoutines.h"

#include <QApplication>
#include <QLabel>
#include <QMouseEvent>

#include <algorithm>

namespace {
const QString kCrLf = QStringLiteral("\r\n");
const QString kEllipsis = QStringLiteral("...");
} // namespace

// ---- TMyStatusBarBase -------------------------------------------------------

TMyStatusBarBase::TMyStatusBarBase(QWidget *parent)
    : QStatusBar(parent), m_label(new QLabel(this))
{
    m_label->setObjectName(panelName());
    m_label->setTextFormat(Qt::PlainText);
    // A long text must never widen the window; fitting is the bar's job.
    m_label->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    m_label->setMinimumWidth(1);
    // Clicks and tooltips belong to the bar.
    m_label->setAttribute(Qt::WA_TransparentForMouseEvents);
    addWidget(m_label, 1);
    setAutoFillBackground(true);
    setPanelColor(normalColor());
}

QString TMyStatusBarBase::text() const
{
    return m_label->text();
}

void TMyStatusBarBase::setText(const QString &text)
{
    m_label->setText(text);
}

void TMyStatusBarBase::setPanelColor(const QColor &color)
{
    m_panelColor = color;
    QPalette p = palette();
    p.setColor(QPalette::Window, color);
    setPalette(p);
}

QColor TMyStatusBarBase::normalColor() const
{
    return palette().color(QPalette::Button);
}

// ---- TMyStatusBar -----------------------------------------------------------

TMyStatusBar::TMyStatusBar(QWidget *parent)
    : TMyStatusBarBase(parent), m_colorErr(colorFromBgr(0x8080FF)), m_colorWarn(colorFromBgr(0xFA5458))
{
}

QColor TMyStatusBar::colorFromBgr(quint32 bgr)
{
    return QColor(int(bgr & 0xFF), int((bgr >> 8) & 0xFF), int((bgr >> 16) & 0xFF));
}

void TMyStatusBar::setColorErr(const QColor &color)
{
    m_colorErr = color;
    if (m_tone == TTone::Error)
        setTone(m_tone);
}

void TMyStatusBar::setColorWarn(const QColor &color)
{
    m_colorWarn = color;
    if (m_tone == TTone::Warning)
        setTone(m_tone);
}

void TMyStatusBar::setTone(TTone tone)
{
    m_tone = tone;
    switch (tone) {
    case TTone::Normal: setPanelColor(normalColor()); break;
    case TTone::Warning: setPanelColor(m_colorWarn); break;
    case TTone::Error: setPanelColor(m_colorErr); break;
    }
}

void TMyStatusBar::raiseSeverity(int level)
{
    m_severity = std::max(m_severity, level);
    if (level >= 2)
        ++m_errorsReported;
}

void TMyStatusBar::echo(const char *kind, const QString &message)
{
    if (m_echoToStderr)
        std::fprintf(stderr, "%s: %s\n", kind, message.toLocal8Bit().constData());
}

void TMyStatusBar::setShownText(const QString &text)
{
    m_overflowMessage.clear();
    setText(text);
}

bool TMyStatusBar::hintHoldsOverflow() const
{
    const QString shown = text();
    const int cut = shown.indexOf(kEllipsis);
    if (cut < 0)
        return false;
    const QString part = shown.left(cut).trimmed();
    return !part.isEmpty() && hint().trimmed().startsWith(part);
}

void TMyStatusBar::ShowInfo(const QString &message)
{
    if (errorsStacked()) {
        AddError(message, true);
        return;
    }
    setTone(TTone::Normal);
    FitMessage(message);
    if (!message.isEmpty())
        echo("Information", message);
}

void TMyStatusBar::ShowWarning(const QString &message)
{
    if (errorsStacked()) {
        AddError(message, true);
        return;
    }
    setTone(TTone::Warning);
    FitMessage(message);
    m_lastMessage = message;
    raiseSeverity(1);
    echo("Warning", message);
    QApplication::beep();
    if (m_useMessageBox)
        Dialogs::message(TMsgDlgType::Warning, message, mbOK, 0, window());
}

void TMyStatusBar::ShowError(const QString &message, bool carryOn)
{
    if (errorsStacked()) {
        AddError(message, carryOn);
        return;
    }
    reportError(message, carryOn);
}

void TMyStatusBar::reportError(const QString &message, bool carryOn)
{
    if (message.isEmpty()) {
        ClearMessage();
        return;
    }
    setTone(TTone::Error);
    m_lastMessage = message;
    FitMessage(message);
    raiseSeverity(2);
    echo("Error", message);
    QApplication::beep();
    if (m_useMessageBox)
        Dialogs::message(TMsgDlgType::Error, message, mbOK, 0, window());
    if (!carryOn)
        throw EAbort();
}

void TMyStatusBar::AddError(const QString &message, bool carryOn)
{
    setTone(TTone::Error);
    m_lastMessage = message;
    if (errorsStacked()) {
        m_messages += kCrLf + QStringLiteral("- ") + message;
        setShownText(QStringLiteral("More than one message, click here to get them!"));
        setHint(m_messages);
    } else {
        m_messages = QStringLiteral("- ") + message;
        FitMessage(message);
    }
    raiseSeverity(2);
    echo("Error", message);
    QApplication::beep();
    if (m_useMessageBox)
        Dialogs::message(TMsgDlgType::Error, m_messages, mbOK, 0, window());
    if (!carryOn)
        throw EAbort();
}

void TMyStatusBar::ShowFatal(const QString &message)
{
    setTone(TTone::Error);
    m_lastMessage = message;
    setShownText(message);
    m_messages.clear();
    raiseSeverity(3);
    m_severity = 3;
    echo("Fatal error", message);
    QApplication::beep();
    Dialogs::message(TMsgDlgType::Error, message, mbAbort, 0, window());
    throw EAbort();
}

void TMyStatusBar::ClearMessage()
{
    setTone(TTone::Normal);
    if (errorsStacked() || hintHoldsOverflow())
        setHint(QString());
    setShownText(QString());
    m_messages.clear();
    m_severity = 0;
}

void TMyStatusBar::ErrorAndAbort(const QString &message)
{
    if (errorsStacked())
        AddErrorAndAbort(message);
    if (message.isEmpty()) {
        ClearMessage();
        return;
    }
    reportError(message, false);
}

void TMyStatusBar::AddErrorAndAbort(const QString &message)
{
    AddError(message, false);
    throw EAbort(); // not reached: AddError ends the command itself
}

int TMyStatusBar::AskAfterErrors(const QString &question)
{
    setTone(TTone::Error);
    m_lastMessage = question;
    if (errorsStacked()) {
        m_messages += kCrLf + question;
        setShownText(QStringLiteral("More than one message, place cursor over the status bar (here) to get them!"));
        setHint(m_messages);
    } else {
        // The text shown so far is what the question is about; the question
        // itself must be part of what the dialog shows.
        const QString shown = text();
        m_messages = shown.isEmpty() ? question : shown + kCrLf + question;
        FitMessage(question);
    }
    raiseSeverity(2);
    QApplication::beep();
    return Dialogs::message(TMsgDlgType::Error, m_messages, mbYesNo, 0, window());
}

int TMyStatusBar::Ask(TMsgDlgType type, const QString &text, int buttons, int defaultButton)
{
    return Dialogs::message(type, text, buttons, defaultButton, window());
}

QString TMyStatusBar::AskOpenFileName(const TFileDialogRequest &request)
{
    return Dialogs::service().openFileName(request, window());
}

QStringList TMyStatusBar::AskOpenFileNames(const TFileDialogRequest &request)
{
    return Dialogs::service().openFileNames(request, window());
}

QString TMyStatusBar::AskSaveFileName(const TFileDialogRequest &request)
{
    return Dialogs::service().saveFileName(request, window());
}

QString TMyStatusBar::AskDirectory(const QString &caption, const QString &folder)
{
    return Dialogs::service().existingDirectory(caption, folder, window());
}

void TMyStatusBar::FitMessage(const QString &message)
{
    const QFont barFont = font();
    const int room = std::max(10, contentsRect().width() - TextPixelWidth(kEllipsis, barFont));
    int length = -1;
    if (message.size() >= 126)
        length = 120;
    else if (!message.isEmpty() && TextPixelWidth(message, barFont) > room)
        length = int(message.size()) - 5;
    if (length < 0) {
        if (hintHoldsOverflow())
            setHint(QString());
        setShownText(message);
        return;
    }
    length = std::max(length, 1);
    while (length > 5 && TextPixelWidth(message.left(length), barFont) > room)
        length -= 5;
    const QString prefix = message.left(length);
    setShownText(prefix + kEllipsis);
    setHint(prefix + kCrLf + message.mid(length));
    m_overflowMessage = message;
}

void TMyStatusBar::showClickDialog()
{
    QString report;
    if (errorsStacked()) {
        report = QStringLiteral("The following errors occured....") + kCrLf + kCrLf + m_messages;
    } else if (hintHoldsOverflow()) {
        QString whole = m_overflowMessage;
        if (whole.isEmpty()) {
            whole = hint();
            const int split = whole.indexOf(kCrLf);
            if (split >= 0)
                whole.remove(split, kCrLf.size());
        }
        report = QStringLiteral("The following error occured....") + kCrLf + kCrLf + whole;
    } else if (!text().isEmpty()) {
        report = QStringLiteral("The following error occured....") + kCrLf + kCrLf + text();
    } else {
        return;
    }
    Dialogs::message(TMsgDlgType::Error, report, mbOK, 0, window());
}

void TMyStatusBar::Click()
{
    if (OnClick)
        OnClick();
    else
        showClickDialog();
}

void TMyStatusBar::DblClick()
{
    if (OnDblClick)
        OnDblClick();
    else
        showClickDialog();
}

void TMyStatusBar::mouseReleaseEvent(QMouseEvent *event)
{
    TMyStatusBarBase::mouseReleaseEvent(event);
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
        Click();
}

void TMyStatusBar::mouseDoubleClickEvent(QMouseEvent *event)
{
    TMyStatusBarBase::mouseDoubleClickEvent(event);
    if (event->button() == Qt::LeftButton)
        DblClick();
}

void TMyStatusBar::resizeEvent(QResizeEvent *event)
{
    TMyStatusBarBase::resizeEvent(event);
    // Windows report before they are first laid out; a shortened text is
    // fitted again to the width the bar really gets.
    if (!m_overflowMessage.isEmpty() && hintHoldsOverflow()) {
        const QString whole = m_overflowMessage; // FitMessage resets the member
        FitMessage(whole);
    }
}
