#pragma once
// The message line of every main window (object name "MyStB"): progress
// texts, warnings and errors, coloured by severity, long texts kept in the
// tooltip, several errors of one operation stacked into a list the user
// opens by clicking. Error reports can end the current user command by
// throwing EAbort, which the command dispatcher swallows.

#include "Reporting.h"

#include <QColor>
#include <QStatusBar>
#include <QString>

#include <functional>

class QLabel;

// A status bar showing one simple text panel that may be coloured.
class TMyStatusBarBase : public QStatusBar
{
    Q_OBJECT
public:
    explicit TMyStatusBarBase(QWidget *parent = nullptr);

    // Object name of the text panel.
    static QString panelName() { return QStringLiteral("MyStBPanel"); }

    QString text() const;
    void setText(const QString &text);
    // The tooltip of the bar (the "hint").
    QString hint() const { return toolTip(); }
    void setHint(const QString &hint) { setToolTip(hint); }
    // The background colour of the bar.
    QColor panelColor() const { return m_panelColor; }
    void setPanelColor(const QColor &color);
    // The colour of normal messages: the palette's button colour.
    QColor normalColor() const;

private:
    QLabel *m_label;
    QColor m_panelColor;
};

// The window's reporter: messages on the bar, questions through the dialog
// service with the window as their parent.
class TMyStatusBar : public TMyStatusBarBase, public IReporter
{
    Q_OBJECT
    Q_PROPERTY(QColor ColorErr READ ColorErr WRITE setColorErr)
    Q_PROPERTY(QColor ColorWarn READ ColorWarn WRITE setColorWarn)
    Q_PROPERTY(bool UseMessageBox READ UseMessageBox WRITE setUseMessageBox)
public:
    explicit TMyStatusBar(QWidget *parent = nullptr);

    // A colour stored in blue-green-red order, as the window layouts keep them.
    static QColor colorFromBgr(quint32 bgr);

    QColor ColorErr() const { return m_colorErr; }
    void setColorErr(const QColor &color);
    QColor ColorWarn() const { return m_colorWarn; }
    void setColorWarn(const QColor &color);
    bool UseMessageBox() const override { return m_useMessageBox; }
    void setUseMessageBox(bool on) override { m_useMessageBox = on; }

    // Replace the built-in click and double-click behaviour when assigned.
    std::function<void()> OnClick;
    std::function<void()> OnDblClick;

    // 0 none, 1 warning, 2 error, 3 fatal error.
    int Severity() const override { return m_severity; }
    // The stacked errors, "- " + message each, separated by CR LF.
    QString Messages() const { return m_messages; }
    QString LastMessage() const override { return m_lastMessage; }
    // Errors reported since the bar was made (ClearMessage does not reset it):
    // an unattended run ends with a failure status when it is not 0.
    int ErrorsReported() const override { return m_errorsReported; }
    // Unattended runs: every message (information, warning, error) is also printed on stderr.
    bool EchoToStderr() const { return m_echoToStderr; }
    void setEchoToStderr(bool on) { m_echoToStderr = on; }

    void ShowInfo(const QString &message) override;
    void ShowWarning(const QString &message) override;
    // Throws EAbort after reporting when carryOn is false.
    void ShowError(const QString &message, bool carryOn) override;
    void AddError(const QString &message, bool carryOn) override;
    // Always shows its dialog, then throws EAbort.
    [[noreturn]] void ShowFatal(const QString &message) override;
    void ClearMessage() override;

    // Report and end the current command (throws EAbort); an empty message
    // without stacked errors only clears the bar.
    void ErrorAndAbort(const QString &message) override;
    [[noreturn]] void AddErrorAndAbort(const QString &message) override;
    // Reports the question and asks it Yes/No; returns mbYes or mbNo.
    int AskAfterErrors(const QString &question) override;
    int Ask(TMsgDlgType type, const QString &text, int buttons, int defaultButton = 0) override;
    QString AskOpenFileName(const TFileDialogRequest &request) override;
    QStringList AskOpenFileNames(const TFileDialogRequest &request) override;
    QString AskSaveFileName(const TFileDialogRequest &request) override;
    QString AskDirectory(const QString &caption, const QString &folder) override;
    void FitMessage(const QString &message);

    // What a click or double-click on the bar does.
    void Click();
    void DblClick();

protected:
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    enum class TTone { Normal, Warning, Error };

    bool errorsStacked() const { return !m_messages.isEmpty(); }
    bool hintHoldsOverflow() const;
    void setTone(TTone tone);
    void raiseSeverity(int level);
    void echo(const char *kind, const QString &message);
    void setShownText(const QString &text);
    void reportError(const QString &message, bool carryOn);
    void showClickDialog();

    QColor m_colorErr;
    QColor m_colorWarn;
    bool m_useMessageBox = false;
    int m_severity = 0;
    int m_errorsReported = 0;
    bool m_echoToStderr = false;
    QString m_messages;
    QString m_lastMessage;
    QString m_overflowMessage; // the whole message while its prefix is shown
    TTone m_tone = TTone::Normal;
};
