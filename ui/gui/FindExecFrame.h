#pragma once
// File picker for external programs and definition files: validates itself
// (the edit's colour shows the state), falls back to its default file, and
// reloads a ticked list from its file when the file changed.

#include "Frame.h"

#include <QDateTime>
#include <QString>
#include <functional>

class QLabel;
class QLineEdit;
class QListWidget;
class QToolButton;
class TMyStatusBar;

class TFrameFindexec : public TFrame
{
    Q_OBJECT
    Q_PROPERTY(QString DefaultName MEMBER DefaultName)
public:
    explicit TFrameFindexec(QWidget *parent = nullptr);

    QLabel *LabelFindExec;
    QLineEdit *Edit;
    QToolButton *SpeedButtonFindExec;
    // The stored dialog filter ("desc|pattern|..."); set on the first dialog.
    QString OpenDialogFilter;

    TMyStatusBar *StatusBar = nullptr;
    // Used when the edit is empty or "?"; "@" exempts the picker from
    // validation; a "*" in it marks the picker unavailable.
    QString DefaultName;
    std::function<void(QString &path, const QString &caption)> OnFind;
    std::function<void(QObject *sender)> OnProgramChanged;

    // Optional pickers (tag 1): a missing file is shown but is no failure.
    bool isOptional() const;
    void setOptional(bool optional);

    enum class TEditState { Normal, Invalid, Busy };
    TEditState editState() const { return m_state; }

    QString caption() const;
    void EditExit();
    void SpeedButtonFindExecClick();
    bool FindFile(QString &path, const QString &caption);
    bool Validate();
    bool ReloadCheckList(QListWidget *list, const QDateTime &saveTime);
    bool UseDefaultExtension(const QString &extension);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void enterEvent(QEnterEvent *event) override;

private:
    void setState(TEditState state);
    void addError(const QString &message);
    bool frameVisible() const;

    TEditState m_state = TEditState::Normal;
};
