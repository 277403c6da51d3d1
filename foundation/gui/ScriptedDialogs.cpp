#include "ScriptedDialogs.h"

#include <QtGlobal>

TScriptedDialogs::TScriptedDialogs()
    : m_previous(Dialogs::installedService())
{
    Dialogs::setService(this);
}

TScriptedDialogs::~TScriptedDialogs()
{
    // Restore only when still in charge, so out-of-order destruction of
    // nested doubles never leaves a dangling service behind.
    if (Dialogs::installedService() == this)
        Dialogs::setService(m_previous);
}

void TScriptedDialogs::answerMessage(int button)
{
    m_messageAnswers.enqueue(button);
}

void TScriptedDialogs::answerFile(const QString &fileName)
{
    m_fileAnswers.enqueue(fileName.isEmpty() ? QStringList() : QStringList{fileName});
}

void TScriptedDialogs::answerFiles(const QStringList &fileNames)
{
    m_fileAnswers.enqueue(fileNames);
}

void TScriptedDialogs::answerDirectory(const QString &folder)
{
    m_directoryAnswers.enqueue(folder);
}

void TScriptedDialogs::answerFont(const QFont &font)
{
    m_fontAnswers.enqueue({font, false});
}

void TScriptedDialogs::answerFontCancelled()
{
    m_fontAnswers.enqueue({std::nullopt, false});
}

void TScriptedDialogs::answerFontApplied(const QFont &font)
{
    m_fontAnswers.enqueue({font, true});
}

QList<TAskedDialog> TScriptedDialogs::messages() const
{
    QList<TAskedDialog> result;
    for (const auto &entry : m_asked)
        if (entry.kind == TAskedDialog::Message)
            result << entry;
    return result;
}

int TScriptedDialogs::messageCount() const
{
    int count = 0;
    for (const auto &entry : m_asked)
        if (entry.kind == TAskedDialog::Message)
            ++count;
    return count;
}

TAskedDialog TScriptedDialogs::lastMessage() const
{
    for (auto it = m_asked.crbegin(); it != m_asked.crend(); ++it)
        if (it->kind == TAskedDialog::Message)
            return *it;
    return {};
}

bool TScriptedDialogs::allAnswersUsed() const
{
    return m_messageAnswers.isEmpty() && m_fileAnswers.isEmpty() && m_directoryAnswers.isEmpty()
           && m_fontAnswers.isEmpty();
}

int TScriptedDialogs::messageBox(TMsgDlgType type, const QString &text, int buttons, int defaultButton, QWidget *)
{
    TAskedDialog entry;
    entry.kind = TAskedDialog::Message;
    entry.type = type;
    entry.text = text;
    entry.buttons = buttons == mbNone ? int(mbOK) : buttons;
    entry.defaultButton = defaultButton;
    if (!m_messageAnswers.isEmpty()) {
        entry.answer = m_messageAnswers.dequeue();
        entry.scripted = true;
        // A script answering with a button the question does not offer is a
        // mistake in the test, not a situation the program can meet.
        if (!(entry.answer & entry.buttons))
            qWarning("TScriptedDialogs: scripted answer 0x%x is not among the buttons 0x%x of \"%s\"",
                     entry.answer, entry.buttons, qPrintable(text));
    } else {
        entry.answer = Dialogs::defaultAnswer(buttons, defaultButton);
    }
    m_asked << entry;
    return entry.answer;
}

QStringList TScriptedDialogs::takeFiles(TAskedDialog::Kind kind, const TFileDialogRequest &request)
{
    TAskedDialog entry;
    entry.kind = kind;
    entry.text = request.caption;
    entry.folder = request.folder;
    entry.fileName = request.fileName;
    entry.filter = request.filter;
    if (!m_fileAnswers.isEmpty()) {
        entry.chosen = m_fileAnswers.dequeue();
        entry.scripted = true;
        if (kind != TAskedDialog::OpenFiles && entry.chosen.size() > 1)
            entry.chosen = entry.chosen.mid(0, 1);
    }
    entry.answer = entry.chosen.isEmpty() ? int(mbCancel) : int(mbOK);
    m_asked << entry;
    return entry.chosen;
}

QString TScriptedDialogs::openFileName(const TFileDialogRequest &request, QWidget *)
{
    const QStringList files = takeFiles(TAskedDialog::OpenFile, request);
    return files.isEmpty() ? QString() : files.first();
}

QStringList TScriptedDialogs::openFileNames(const TFileDialogRequest &request, QWidget *)
{
    return takeFiles(TAskedDialog::OpenFiles, request);
}

QString TScriptedDialogs::saveFileName(const TFileDialogRequest &request, QWidget *)
{
    const QStringList files = takeFiles(TAskedDialog::SaveFile, request);
    return files.isEmpty() ? QString() : files.first();
}

QString TScriptedDialogs::existingDirectory(const QString &caption, const QString &folder, QWidget *)
{
    TAskedDialog entry;
    entry.kind = TAskedDialog::Directory;
    entry.text = caption;
    entry.folder = folder;
    if (!m_directoryAnswers.isEmpty()) {
        const QString chosen = m_directoryAnswers.dequeue();
        entry.scripted = true;
        if (!chosen.isEmpty())
            entry.chosen << chosen;
    }
    entry.answer = entry.chosen.isEmpty() ? int(mbCancel) : int(mbOK);
    m_asked << entry;
    return entry.chosen.isEmpty() ? QString() : entry.chosen.first();
}

bool TScriptedDialogs::chooseFont(QFont &font, QWidget *, const TFontApply &apply)
{
    TAskedDialog entry;
    entry.kind = TAskedDialog::Font;
    entry.text = font.toString();
    bool chosen = false;
    while (!m_fontAnswers.isEmpty() && m_fontAnswers.head().applied) {
        const QFont shown = *m_fontAnswers.dequeue().font;
        entry.scripted = true;
        if (apply) {
            entry.applied << shown.toString();
            apply(shown);
        }
    }
    if (!m_fontAnswers.isEmpty()) {
        const std::optional<QFont> answer = m_fontAnswers.dequeue().font;
        entry.scripted = true;
        if (answer) {
            font = *answer;
            chosen = true;
            entry.chosen << answer->toString();
        }
    }
    entry.answer = chosen ? int(mbOK) : int(mbCancel);
    m_asked << entry;
    return chosen;
}
