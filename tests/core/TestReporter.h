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
        enum Kind { Message, OpenFile, OpenFiles, SaveFile, Directory };
        Kind kind = Message;
        TMsgDlgType type = TMsgDlgType::Information; // messages only
        QString text;  // the message, or the caption of a file or folder question
        int buttons = mbNone;
        int defaultButton = mbNone;
        int answer = mbNone; // for files and folders mbOK when chosen, else mbCancel
        QStringList chosen;
        QString folder;    // initial folder of a file or folder question
        QString fileName;  // initial file name of a file question
        QString filter;
    };

    void answerMessage(int button) { m_answers.enqueue(button); }
    void answerFiles(const QStringList &files) { m_files.enqueue(files); } // empty: cancelled
    void answerFile(const QString &file) { m_files.enqueue(file.isEmpty() ? QStringList() : QStringList{file}); }
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
    // Every question in the order asked, the message ones, the last of them.
    const QList<TQuestion> &asked() const { return m_questions; }
    QList<TQuestion> askedMessages() const
    {
        QList<TQuestion> result;
        for (const TQuestion &q : m_questions)
            if (q.kind == TQuestion::Message)
                result << q;
        return result;
    }
    int messageCount() const { return int(askedMessages().size()); }
    TQuestion lastQuestion() const { return m_questions.isEmpty() ? TQuestion() : m_questions.last(); }
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
        TQuestion q;
        q.type = type;
        q.text = text;
        q.buttons = normalised;
        q.defaultButton = defaultButton;
        q.answer = answer;
        m_questions.append(q);
        return answer;
    }
    QString AskOpenFileName(const TFileDialogRequest &request) override
    {
        const QStringList files = takeFiles(TQuestion::OpenFile, request);
        return files.isEmpty() ? QString() : files.first();
    }
    QStringList AskOpenFileNames(const TFileDialogRequest &request) override
    {
        return takeFiles(TQuestion::OpenFiles, request);
    }
    // Answered from the same queue as the open questions.
    QString AskSaveFileName(const TFileDialogRequest &request) override
    {
        const QStringList files = takeFiles(TQuestion::SaveFile, request);
        return files.isEmpty() ? QString() : files.first();
    }
    QString AskDirectory(const QString &caption, const QString &folder) override
    {
        TQuestion q;
        q.kind = TQuestion::Directory;
        q.text = caption;
        q.folder = folder;
        const QString chosen = m_folders.isEmpty() ? QString() : m_folders.dequeue();
        q.answer = chosen.isEmpty() ? mbCancel : mbOK;
        if (!chosen.isEmpty())
            q.chosen << chosen;
        m_questions.append(q);
        return chosen;
    }

private:
    QStringList takeFiles(TQuestion::Kind kind, const TFileDialogRequest &request)
    {
        TQuestion q;
        q.kind = kind;
        q.text = request.caption;
        q.folder = request.folder;
        q.fileName = request.fileName;
        q.filter = request.filter;
        q.chosen = m_files.isEmpty() ? QStringList() : m_files.dequeue();
        if (kind != TQuestion::OpenFiles && q.chosen.size() > 1)
            q.chosen = QStringList{q.chosen.first()};
        q.answer = q.chosen.isEmpty() ? mbCancel : mbOK;
        m_questions.append(q);
        return q.chosen;
    }
    void record(TMessage::Kind kind, const QString &text) { m_messages.append({kind, text}); }

    QList<TMessage> m_messages;
    QList<TQuestion> m_questions;
    QQueue<int> m_answers;
    QQueue<QStringList> m_files;
    QQueue<QString> m_folders;
};
