#pragma once
// How work reaches its user without knowing whether there is a window:
// IReporter carries messages with their severities, the silent end of a
// command and the questions a command asks; IProgress carries the progress of
// long work and a stop request. The status bar with the dialog service and
// the progress window implement them in the window; the console ones below
// serve unattended runs and the command-line tool.

#include <QString>
#include <QStringList>

enum class TMsgDlgType { Warning, Error, Information, Confirmation };

// Buttons of a question; combined as flags, a pressed button is one of them.
enum TMsgDlgBtn : int {
    mbNone = 0,
    mbOK = 0x01,
    mbCancel = 0x02,
    mbYes = 0x04,
    mbNo = 0x08,
    mbAbort = 0x10,
    mbRetry = 0x20,
    mbIgnore = 0x40,
    mbAll = 0x80,
};
constexpr int mbOKCancel = mbOK | mbCancel;
constexpr int mbYesNo = mbYes | mbNo;
constexpr int mbYesNoCancel = mbYes | mbNo | mbCancel;

struct TFileDialogRequest
{
    QString caption;
    QString folder;     // initial folder
    QString fileName;   // initial file name
    QString filter;     // Qt filter string, e.g. "Job files (*.jQuenbar);;All files (*)"
    QString defaultExtension;

    // The folder with the file name, either of them alone when the other is empty.
    QString initialPath() const;
};

namespace Unasked {
// In an auto-run every question takes its default, as without a display.
void SetAutoRun(bool on);
bool AutoRun();
// The GUI application runs on a platform without windows ("offscreen" or
// "minimal"); false without a GUI application.
bool WindowlessPlatform();
// True without a display (no GUI application object, or a windowless
// platform) or in an auto-run: then nobody is asked.
bool NobodyToAsk();
// The answer for a set of buttons when nobody can be asked: defaultButton
// when it is one of them, otherwise the one that lets a run go on (the
// first of OK, Yes, Ignore, Retry, Abort, No, Cancel present).
int DefaultAnswer(int buttons, int defaultButton);
// "Yes/No" for a set of buttons, "Yes" for one.
QString ButtonNames(int buttons);
// The record of a question nobody was asked, as stderr shows it.
QString MessageText(TMsgDlgType type, const QString &text, int buttons, int answer);
QString FileText(bool save, const TFileDialogRequest &request);
QString DirectoryText(const QString &caption, const QString &folder);
// Prints a record on stderr (CR LF as LF, one line end after it).
void Print(const QString &text);
} // namespace Unasked

class IReporter
{
public:
    virtual ~IReporter() = default;

    virtual void ShowInfo(const QString &message) = 0;
    virtual void ShowWarning(const QString &message) = 0;
    // Throw EAbort after reporting when carryOn is false.
    virtual void ShowError(const QString &message, bool carryOn) = 0;
    virtual void AddError(const QString &message, bool carryOn) = 0;
    // Always put before the user, then EAbort.
    [[noreturn]] virtual void ShowFatal(const QString &message) = 0;
    virtual void ClearMessage() = 0;
    // Report and end the current command (EAbort); an empty message without
    // stacked errors only clears.
    virtual void ErrorAndAbort(const QString &message) = 0;
    [[noreturn]] virtual void AddErrorAndAbort(const QString &message) = 0;

    // 0 none, 1 warning, 2 error, 3 fatal error, since the last clear.
    virtual int Severity() const = 0;
    // Errors reported since the reporter was made: an unattended run ends
    // with a failure status when it is not 0.
    virtual int ErrorsReported() const = 0;
    virtual QString LastMessage() const = 0;
    // From now on each warning and error is also put before the user as a
    // message of its own (after a failure that must not go unseen).
    virtual bool UseMessageBox() const = 0;
    virtual void setUseMessageBox(bool on) = 0;

    // Questions; nobody to ask means the default answer.
    // Reports the question after the errors so far and asks it Yes/No.
    virtual int AskAfterErrors(const QString &question) = 0;
    virtual int Ask(TMsgDlgType type, const QString &text, int buttons, int defaultButton = 0) = 0;
    // Empty when cancelled.
    virtual QString AskOpenFileName(const TFileDialogRequest &request) = 0;
    virtual QStringList AskOpenFileNames(const TFileDialogRequest &request) = 0;
    // The file to save to; the dialog asks before an existing file is replaced.
    virtual QString AskSaveFileName(const TFileDialogRequest &request) = 0;
    virtual QString AskDirectory(const QString &caption, const QString &folder) = 0;
};

class IProgress
{
public:
    virtual ~IProgress() = default;

    virtual void StartCounting(int maximum, const QString &title = QString()) = 0;
    // A bar that moves back and forth: the amount of work is not known.
    virtual void StartPingPong(int maximum, const QString &title = QString()) = 0;
    // Both handle a pending stop request: when it stands, the work ends
    // silently (EAbort).
    virtual void StepProgress() = 0;
    virtual void PingPongProgress(bool reset) = 0;
    virtual void ShowProgressWindow(bool show) = 0;
    virtual bool StopRequested() const = 0;
    virtual void RequestStop() = 0;
};

// Messages on stderr ("Warning: ...", "Error: ...", "Fatal error: ..."),
// questions printed with the answer taken, which is always the default.
class TConsoleReporter : public IReporter
{
public:
    // Information messages are printed too when echoInfo is set.
    explicit TConsoleReporter(bool echoInfo = false) : m_echoInfo(echoInfo) {}

    void ShowInfo(const QString &message) override;
    void ShowWarning(const QString &message) override;
    void ShowError(const QString &message, bool carryOn) override;
    void AddError(const QString &message, bool carryOn) override;
    [[noreturn]] void ShowFatal(const QString &message) override;
    void ClearMessage() override;
    void ErrorAndAbort(const QString &message) override;
    [[noreturn]] void AddErrorAndAbort(const QString &message) override;
    int Severity() const override { return m_severity; }
    int ErrorsReported() const override { return m_errorsReported; }
    QString LastMessage() const override { return m_lastMessage; }
    bool UseMessageBox() const override { return m_useMessageBox; }
    void setUseMessageBox(bool on) override { m_useMessageBox = on; }
    int AskAfterErrors(const QString &question) override;
    int Ask(TMsgDlgType type, const QString &text, int buttons, int defaultButton = 0) override;
    QString AskOpenFileName(const TFileDialogRequest &request) override;
    QStringList AskOpenFileNames(const TFileDialogRequest &request) override;
    QString AskSaveFileName(const TFileDialogRequest &request) override;
    QString AskDirectory(const QString &caption, const QString &folder) override;

    // Errors of the current command, "- " + message each, CR LF between.
    QString Messages() const { return m_messages; }

private:
    void report(const char *kind, TMsgDlgType type, const QString &message, int level);

    bool m_echoInfo;
    bool m_useMessageBox = false;
    int m_severity = 0;
    int m_errorsReported = 0;
    QString m_lastMessage;
    QString m_shown; // the message the window's bar would show now
    QString m_messages;
};

// Progress as one line on stderr, redrawn in place, when stderr is a
// terminal (or when forced); silent otherwise. A stop request (Ctrl-C in
// the command-line tool) ends the work at the next step.
class TConsoleProgress : public IProgress
{
public:
    explicit TConsoleProgress(bool show = StderrIsTerminal());
    ~TConsoleProgress() override;

    static bool StderrIsTerminal();

    void StartCounting(int maximum, const QString &title = QString()) override;
    void StartPingPong(int maximum, const QString &title = QString()) override;
    void StepProgress() override;
    void PingPongProgress(bool reset) override;
    void ShowProgressWindow(bool show) override;
    bool StopRequested() const override { return m_stopRequested; }
    void RequestStop() override { m_stopRequested = true; }

    int Value() const { return m_value; }
    int Maximum() const { return m_maximum; }
    QString Title() const { return m_title; }

private:
    void start(bool counting, int maximum, const QString &title);
    void draw();
    void endLine();
    void handleStop();

    bool m_show;
    bool m_counting = false;
    bool m_lineOpen = false;
    bool m_stopRequested = false;
    int m_value = 0;
    int m_maximum = 0;
    QString m_title;
    qint64 m_lastDraw = 0;
};
