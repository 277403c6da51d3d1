#pragma once
// A viewer page's plain text frame: the file's text, read-only, in the
// viewer font; remembers which file it shows and when it was loaded.

#include "Frame.h"

#include <QDateTime>
#include <QString>

class QPlainTextEdit;

class TFrameSimpleViewer : public TFrame
{
    Q_OBJECT
public:
    explicit TFrameSimpleViewer(QWidget *parent = nullptr);

    QPlainTextEdit *Memo;

    // Loads the file (windows-1250 text); raises EFileError.
    void LoadFile(const QString &path);
    QString FileName() const { return m_fileName; }
    // The file's modification time when it was loaded.
    QDateTime FileTime() const { return m_fileTime; }

private:
    QString m_fileName;
    QDateTime m_fileTime;
};
