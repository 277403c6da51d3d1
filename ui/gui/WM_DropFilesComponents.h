#pragma once
// A button, a panel and a group box that take files and folders dropped
// from the desktop and hand their local paths to their window.

#include <QFrame>
#include <QGroupBox>
#include <QPushButton>
#include <QStringList>

#include <functional>

class QMimeData;

// The local paths of dropped URLs (anything else is ignored).
QStringList LocalPathsOf(const QMimeData *data);

// The handler of dropped files: (sender, the dropped paths).
using TDropFilesHandler = std::function<void(QObject *sender, const QStringList &names)>;

class TBitBtnWM_Drop : public QPushButton
{
    Q_OBJECT
public:
    explicit TBitBtnWM_Drop(QWidget *parent = nullptr);
    // Called with the dropped paths; without it, filesDropped is emitted.
    TDropFilesHandler OnWMDropFileMessage;
    void dropFiles(const QStringList &names);

signals:
    void filesDropped(const QStringList &names);

protected:
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dragMoveEvent(QDragMoveEvent *event) override;
    void dropEvent(QDropEvent *event) override;
};

class TPanelWM_Drop : public QFrame
{
    Q_OBJECT
public:
    explicit TPanelWM_Drop(QWidget *parent = nullptr);
    // Called with the dropped paths; without it, filesDropped is emitted.
    TDropFilesHandler OnWMDropFileMessage;
    void dropFiles(const QStringList &names);

signals:
    void filesDropped(const QStringList &names);

protected:
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dragMoveEvent(QDragMoveEvent *event) override;
    void dropEvent(QDropEvent *event) override;
};

class TGroupBoxWM_Drop : public QGroupBox
{
    Q_OBJECT
public:
    explicit TGroupBoxWM_Drop(QWidget *parent = nullptr);
    // Called with the dropped paths; without it, filesDropped is emitted.
    TDropFilesHandler OnWMDropFileMessage;
    void dropFiles(const QStringList &names);

signals:
    void filesDropped(const QStringList &names);

protected:
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dragMoveEvent(QDragMoveEvent *event) override;
    void dropEvent(QDropEvent *event) override;
};
