#include "Reporting.h"

#include "Errors.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>

#include <cstdio>
#include <unistd.h>

namespace {

const QString kCrLf = QStringLiteral("\r\n");

struct TButtonName
{
    int button;
    const char *name;
};

// The order in which buttons are named in a question.
const TButtonName kButtonNames[] = {
    {mbYes, "Yes"},     {mbNo, "No"},         {mbOK, "OK"},         {mbCancel, "Cancel"},
    {mbAbort, "Abort"}, {mbRetry, "Retry"},   {mbIgnore, "Ignore"}, {mbAll, "All"},
};

// The answer that lets an unattended run go on, best first.
const int kRunOnOrder[] = {mbOK, mbYes, mbIgnore, mbRetry, mbAbort, mbNo, mbCancel, mbAll};

int normalisedButtons(int buttons)
{
    return buttons == mbNone ? int(mbOK) : buttons;
}

const char *typeName(TMsgDlgType type)
{
    switch (type) {
    case TMsgDlgType::Warning: return "Warning";
    case TMsgDlgType::Error: return "Error";
    case TMsgDlgType::Information: return "Information";
    case TMsgDlgType::Confirmation: return "Confirmation";
    }
    return "Message";
}

void echo(const char *kind, const QString &message)
{
    std::fprintf(stderr, "%s: %s\n", kind, message.toLocal8Bit().constData());
    std::fflush(stderr);
}

} // namespace

QString TFileDialogRequest::initialPath() const
{
    if (fileName.isEmpty())
        return folder;
    if (folder.isEmpty())
        return fileName;
    return QDir(folder).filePath(fileName);
}

// ---- Questions nobody answers -----------------------------------------------

namespace Unasked {

namespace {
bool g_autoRun = false;
}

void SetAutoRun(bool on)
{
    g_autoRun = on;
}

bool AutoRun()
{
    return g_autoRun;
}

bool WindowlessPlatform()
{
    const QCoreApplication *app = QCoreApplication::instance();
    // The GUI application's platform, read without linking the GUI library.
    const QString platform = app ? app->property("platformName").toString() : QString();
    return platform == QLatin1String("offscreen") || platform == QLatin1String("minimal");
}

bool NobodyToAsk()
{
    const QCoreApplication *app = QCoreApplication::instance();
    return g_autoRun || !app || !app->inherits("QGuiApplication") || WindowlessPlatform();
}

int DefaultAnswer(int buttons, int defaultButton)
{
    buttons = normalisedButtons(buttons);
    for (const int button : kRunOnOrder)
        if (button == defaultButton && (buttons & button))
            return button;
    for (const int button : kRunOnOrder)
        if (buttons & button)
            return button;
    return mbOK;
}

QString ButtonNames(int buttons)
{
    QStringList names;
    for (const auto &info : kButtonNames)
        if (buttons & info.button)
            names << QString::fromLatin1(info.name);
    return names.isEmpty() ? QStringLiteral("none") : names.join(QLatin1Char('/'));
}

QString MessageText(TMsgDlgType type, const QString &text, int buttons, int answer)
{
    return QStringLiteral("Dialog not shown (%1, buttons %2): %3\n  answer taken: %4")
        .arg(QLatin1String(typeName(type)), ButtonNames(normalisedButtons(buttons)), text, ButtonNames(answer));
}

QString FileText(bool save, const TFileDialogRequest &request)
{
    return QStringLiteral("%1 dialog not shown (%2, file %3, filter %4): cancelled")
        .arg(QLatin1String(save ? "Save file" : "Open file"), request.caption, request.initialPath(), request.filter);
}

QString DirectoryText(const QString &caption, const QString &folder)
{
    return QStringLiteral("Folder dialog not shown (%1, folder %2): cancelled").arg(caption, folder);
}

void Print(const QString &text)
{
    QString line = text;
    line.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    if (!line.endsWith(QLatin1Char('\n')))
        line += QLatin1Char('\n');
    std::fputs(line.toLocal8Bit().constData(), stderr);
    std::fflush(stderr);
}

} // namespace Unasked

// ---- TConsoleReporter ---------------------------------------------------------
// Follows the status bar's rules, so an unattended run prints the same lines
// whether or not a window is behind it: once errors are stacked, every
// further message joins them as an error.

void TConsoleReporter::report(const char *kind, TMsgDlgType type, const QString &message, int level)
{
    m_lastMessage = message;
    m_shown = message;
    m_severity = std::max(m_severity, level);
    if (level >= 2)
        ++m_errorsReported;
    echo(kind, message);
    if (m_useMessageBox)
        Ask(type, message, mbOK);
}

void TConsoleReporter::ShowInfo(const QString &message)
{
    if (!m_messages.isEmpty()) {
        AddError(message, true);
        return;
    }
    m_shown = message;
    if (m_echoInfo && !message.isEmpty())
        Unasked::Print(message);
}

void TConsoleReporter::ShowWarning(const QString &message)
{
    if (!m_messages.isEmpty()) {
        AddError(message, true);
        return;
    }
    report("Warning", TMsgDlgType::Warning, message, 1);
}

void TConsoleReporter::ShowError(const QString &message, bool carryOn)
{
    if (!m_messages.isEmpty()) {
        AddError(message, carryOn);
        return;
    }
    if (message.isEmpty()) {
        ClearMessage();
        return;
    }
    report("Error", TMsgDlgType::Error, message, 2);
    if (!carryOn)
        throw EAbort();
}

void TConsoleReporter::AddError(const QString &message, bool carryOn)
{
    m_messages += (m_messages.isEmpty() ? QString() : kCrLf) + QStringLiteral("- ") + message;
    m_lastMessage = message;
    m_severity = std::max(m_severity, 2);
    ++m_errorsReported;
    echo("Error", message);
    if (m_useMessageBox)
        Ask(TMsgDlgType::Error, m_messages, mbOK);
    if (!carryOn)
        throw EAbort();
}

void TConsoleReporter::ShowFatal(const QString &message)
{
    m_messages.clear();
    m_lastMessage = message;
    m_severity = 3;
    ++m_errorsReported;
    echo("Fatal error", message);
    Ask(TMsgDlgType::Error, message, mbAbort);
    throw EAbort();
}

void TConsoleReporter::ClearMessage()
{
    m_messages.clear();
    m_shown.clear();
    m_severity = 0;
}

void TConsoleReporter::ErrorAndAbort(const QString &message)
{
    if (!m_messages.isEmpty())
        AddErrorAndAbort(message);
    if (message.isEmpty()) {
        ClearMessage();
        return;
    }
    ShowError(message, false);
}

void TConsoleReporter::AddErrorAndAbort(const QString &message)
{
    AddError(message, false);
    throw EAbort(); // not reached: AddError ends the command itself
}

int TConsoleReporter::AskAfterErrors(const QString &question)
{
    // What was shown last is what the question is about.
    if (!m_messages.isEmpty())
        m_messages += kCrLf + question;
    else
        m_messages = m_shown.isEmpty() ? question : m_shown + kCrLf + question;
    m_lastMessage = question;
    m_severity = std::max(m_severity, 2);
    ++m_errorsReported;
    return Ask(TMsgDlgType::Error, m_messages, mbYesNo);
}

int TConsoleReporter::Ask(TMsgDlgType type, const QString &text, int buttons, int defaultButton)
{
    const int answer = Unasked::DefaultAnswer(buttons, defaultButton);
    Unasked::Print(Unasked::MessageText(type, text, buttons, answer));
    return answer;
}

QString TConsoleReporter::AskOpenFileName(const TFileDialogRequest &request)
{
    Unasked::Print(Unasked::FileText(false, request));
    return QString();
}

QStringList TConsoleReporter::AskOpenFileNames(const TFileDialogRequest &request)
{
    Unasked::Print(Unasked::FileText(false, request));
    return {};
}

QString TConsoleReporter::AskSaveFileName(const TFileDialogRequest &request)
{
    Unasked::Print(Unasked::FileText(true, request));
    return QString();
}

QString TConsoleReporter::AskDirectory(const QString &caption, const QString &folder)
{
    Unasked::Print(Unasked::DirectoryText(caption, folder));
    return QString();
}

// ---- TConsoleProgress ---------------------------------------------------------

TConsoleProgress::TConsoleProgress(bool show) : m_show(show) {}

TConsoleProgress::~TConsoleProgress()
{
    endLine();
}

bool TConsoleProgress::StderrIsTerminal()
{
    return isatty(STDERR_FILENO) == 1;
}

void TConsoleProgress::start(bool counting, int maximum, const QString &title)
{
    m_counting = counting;
    m_maximum = std::max(0, maximum);
    m_value = 0;
    if (!title.isEmpty())
        m_title = title;
    m_lastDraw = 0;
    draw();
}

void TConsoleProgress::StartCounting(int maximum, const QString &title)
{
    start(true, maximum, title);
}

void TConsoleProgress::StartPingPong(int maximum, const QString &title)
{
    start(false, maximum, title);
}

void TConsoleProgress::handleStop()
{
    if (!m_stopRequested)
        return;
    m_stopRequested = false;
    endLine();
    throw EAbort();
}

void TConsoleProgress::StepProgress()
{
    m_value = std::min(m_maximum, m_value + 1);
    draw();
    handleStop();
}

void TConsoleProgress::PingPongProgress(bool reset)
{
    m_value = reset ? 0 : m_value + 1;
    draw();
    handleStop();
}

void TConsoleProgress::ShowProgressWindow(bool show)
{
    if (!show)
        endLine();
}

void TConsoleProgress::draw()
{
    if (!m_show)
        return;
    // A redraw at most every 100 ms, and always at the end of the count.
    const qint64 now = QDateTime::currentMSecsSinceEpoch();
    const bool last = m_counting && m_value >= m_maximum;
    if (m_lineOpen && !last && now - m_lastDraw < 100)
        return;
    m_lastDraw = now;
    const QString text = m_counting ? QStringLiteral("%1 %2/%3").arg(m_title).arg(m_value).arg(m_maximum)
                                    : QStringLiteral("%1 ...%2").arg(m_title).arg(m_value);
    std::fprintf(stderr, "\r%s\033[K", text.toLocal8Bit().constData());
    std::fflush(stderr);
    m_lineOpen = true;
}

void TConsoleProgress::endLine()
{
    if (!m_lineOpen)
        return;
    std::fputs("\n", stderr);
    std::fflush(stderr);
    m_lineOpen = false;
}
