#pragma once
// Test double of the dialog service: answers come from queues the test fills
// beforehand, every question is recorded, and an empty queue answers what an
// unattended run would (the default button, a cancelled file or font dialog).
// Installs itself for its lifetime and puts back the service it replaced.

#include "DialogService.h"

#include <QList>
#include <QQueue>

#include <optional>

struct TAskedDialog
{
    enum Kind { Message, OpenFile, OpenFiles, SaveFile, Directory, Font };
    Kind kind = Message;
    TMsgDlgType type = TMsgDlgType::Information; // message boxes only
    QString text;          // message text, or the caption of a file or folder dialog
    int buttons = mbNone;  // message boxes only
    int defaultButton = mbNone;
    int answer = mbNone;   // button pressed; for other dialogs mbOK when something was chosen, else mbCancel
    QStringList chosen;    // files or folder chosen; the font chosen
    QStringList applied;   // fonts handed over by Apply, in order
    QString folder;        // initial folder of a file or folder dialog
    QString fileName;      // initial file name of a file dialog
    QString filter;        // filter of a file dialog
    bool scripted = false; // false when the default was taken
};

class TScriptedDialogs : public IDialogService
{
public:
    TScriptedDialogs();
    ~TScriptedDialogs() override;
    TScriptedDialogs(const TScriptedDialogs &) = delete;
    TScriptedDialogs &operator=(const TScriptedDialogs &) = delete;

    // Script the next answers, consumed in order per kind.
    void answerMessage(int button);
    void answerFile(const QString &fileName);          // open or save one file; empty = cancel
    void answerFiles(const QStringList &fileNames);    // several files; one file for a single-file dialog
    void answerDirectory(const QString &folder);       // empty = cancel
    void answerFont(const QFont &font);
    void answerFontCancelled();
    // The user presses Apply with that font shown before the next font
    // answer (several in a row: one press each); ignored by a dialog
    // without Apply.
    void answerFontApplied(const QFont &font);

    const QList<TAskedDialog> &asked() const { return m_asked; }
    // Message boxes only, in the order asked.
    QList<TAskedDialog> messages() const;
    int messageCount() const;
    // The last message box; a default record when none was asked.
    TAskedDialog lastMessage() const;
    // True when every scripted answer has been used.
    bool allAnswersUsed() const;
    void clearAsked() { m_asked.clear(); }

    int messageBox(TMsgDlgType type, const QString &text, int buttons, int defaultButton = 0,
                   QWidget *parent = nullptr) override;
    QString openFileName(const TFileDialogRequest &request, QWidget *parent = nullptr) override;
    QStringList openFileNames(const TFileDialogRequest &request, QWidget *parent = nullptr) override;
    QString saveFileName(const TFileDialogRequest &request, QWidget *parent = nullptr) override;
    QString existingDirectory(const QString &caption, const QString &folder, QWidget *parent = nullptr) override;
    bool chooseFont(QFont &font, QWidget *parent = nullptr, const TFontApply &apply = {}) override;

private:
    QStringList takeFiles(TAskedDialog::Kind kind, const TFileDialogRequest &request);

    IDialogService *m_previous = nullptr;
    QQueue<int> m_messageAnswers;
    QQueue<QStringList> m_fileAnswers;
    QQueue<QString> m_directoryAnswers;
    struct TFontStep
    {
        std::optional<QFont> font; // none: cancelled
        bool applied = false;      // Apply pressed, the dialog stays open
    };
    QQueue<TFontStep> m_fontAnswers;
    QList<TAskedDialog> m_asked;
};
