#pragma once
// Folder picker: a caption, an edit holding the folder and a browse button.
// Accepts one folder (or a file standing for its folder) dropped on it.

#include "Frame.h"

#include <QString>
#include <functional>

class QLabel;
class QLineEdit;
class QToolButton;
class TMyStatusBar;

class TFrameFindDirectory : public TFrame
{
    Q_OBJECT
public:
    explicit TFrameFindDirectory(QWidget *parent = nullptr);

    QLabel *LabelCaption;
    QLineEdit *Edit;
    QToolButton *SpeedButton;

    TMyStatusBar *Reporter = nullptr;   // without one, messages are dropped
    QString DefaultDir;
    std::function<void(QObject *sender)> OnDirectoryChanged;
    std::function<void(QObject *sender)> OnBeforeCheck;

    QString DirectoryWithDelimiter() const;
    QString DirectoryWithoutDelimiter() const;

    // Leaving the edit after a change: check the folder, browse when missing.
    void EditExit();
    // The folder dialog; a cancel reports and ends the command (EAbort).
    void BrowseForDir();
    // Files or folders dropped on the frame.
    void DropFiles(const QStringList &names);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void enterEvent(QEnterEvent *event) override;
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dropEvent(QDropEvent *event) override;

private:
    void report(const QString &message);
    void takeFolder(const QString &folder);
};
