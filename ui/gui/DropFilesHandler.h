#pragma once
// Files and folders dropped from the desktop on any widget, handed to its
// window as local paths.

#include <QObject>
#include <QStringList>

#include <functional>

class QMimeData;
class QWidget;

// The local paths of dropped URLs (anything else is ignored).
QStringList LocalPathsOf(const QMimeData *data);

// What a drop calls: (the widget dropped on, the dropped paths).
using TDropFilesCallback = std::function<void(QObject *sender, const QStringList &names)>;

// Makes a widget a drop target for local files: the handler is the widget's
// event filter and child, and lets it accept drops. A drag carrying local
// files is accepted; anything else is left to the widget itself.
class TDropFilesHandler : public QObject
{
    Q_OBJECT
public:
    explicit TDropFilesHandler(QWidget *target, TDropFilesCallback onDrop = {});

    QWidget *Target() const { return m_target; }
    // Called with the dropped paths, run as a command on the window's status
    // bar; without it, filesDropped is emitted.
    TDropFilesCallback OnWMDropFileMessage;
    // As if the paths were dropped; an empty list does nothing.
    void dropFiles(const QStringList &names);

signals:
    void filesDropped(const QStringList &names);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QWidget *m_target;
};
