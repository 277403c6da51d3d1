#pragma once
// The reporter core tests hand to the code under test: it follows the
// status bar's rules (through the console reporter it extends), records
// every message and question, and answers questions from queues the test
// fills beforehand; an empty queue answers what an unattended run would.

#include "Reporting.h"

#include <QList>
#include <QQueue>

class TTestReporter : public TConsoleReporter
{
public:
    struct TMessage
    {
        enum Kind { Info, Warning, Error, Fatal };
        Kind kind = Info;
        QString text;
    };
    struct TQuestion
    {
        TMsgDlgType type = TMsgDlgType::Information;
        QString text;  // the message, or the caption of a file or folder question
        int buttons = mbNone;
        int defaultButton = mbNone;
        int answer = mbNone;
    };

    void answerMessage(int button) { m_answers.enqueue(button); }
    void answerFiles(const QStringList &files) { m_files.enqueue(files); } // empty: cancelled
    void answerDirectory(const QString &folder) { m_folders.enqueue(folder); }

    const QList<TMessage> &messages() const { return m_messages; }
    const QList<TQuestion> &questions() const { return m_questions; }
    QStringList texts(TMessage::Kind kind) const
    {
        QStringList result;
        for (const TMessage &m : m_messages)
            if (m.kind == kind)
                result << m.text;
        return result;
    }
    QStringList errors() const { return texts(TMessage::Error); }
    QStringList warnings() const { return texts(TMessage::Warning); }
    void clearRecords()
    {
        m_messages.clear();
        m_questions.clear();
    }

    void ShowInfo(const QString &message) override
    {
        record(TMessage::Info, message);
        TConsoleReporter::ShowInfo(message);
    }
    void ShowWarning(const QString &message) override
    {
        record(TMessage::Warning, message);
        TConsoleReporter::ShowWarning(message);
    }
    void ShowError(const QString &message, bool carryOn) override
    {
        if (!message.isEmpty())
            record(TMessage::Error, message);
        TConsoleReporter::ShowError(message, carryOn);
    }
    void AddError(const QString &message, bool carryOn) override
    {
        record(TMessage::Error, message);
        TConsoleReporter::AddError(message, carryOn);
    }
    [[noreturn]] void ShowFatal(const QString &message) override
    {
        record(TMessage::Fatal, message);
        TConsoleReporter::ShowFatal(message);
    }

    int Ask(TMsgDlgType type, const QString &text, int buttons, int defaultButton = 0) override
    {
        const int normalised = buttons == mbNone ? int(mbOK) : buttons;
        int answer = Unasked::DefaultAnswer(normalised, defaultButton);
        if (!m_answers.isEmpty())
            answer = m_answers.dequeue();
        m_questions.append({type, text, normalised, defaultButton, answer});
        return answer;
    }
    QString AskOpenFileName(const TFileDialogRequest &request) override
    {
        const QStringList files = AskOpenFileNames(request);
        return files.isEmpty() ? QString() : files.first();
    }
    QStringList AskOpenFileNames(const TFileDialogRequest &request) override
    {
        const QStringList files = m_files.isEmpty() ? QStringList() : m_files.dequeue();
        m_questions.append({TMsgDlgType::Information, request.caption, mbNone, mbNone, files.isEmpty() ? mbCancel : mbOK});
        return files;
    }
    QString AskDirectory(const QString &caption, const QString &) override
    {
        const QString folder = m_folders.isEmpty() ? QString() : m_folders.dequeue();
        m_questions.append({TMsgDlgType::Information, caption, mbNone, mbNone, folder.isEmpty() ? mbCancel : mbOK});
        return folder;
    }

private:
    void record(TMessage::Kind kind, const QString &text) { m_messages.append({kind, text}); }

    QList<TMessage> m_messages;
    QList<TQuestion> m_questions;
    QQueue<int> m_answers;
    QQueue<QStringList> m_files;
    QQueue<QString> m_folders;
};
