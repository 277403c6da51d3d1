#pragma once
#include <QByteArray>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>

class QSaveFile;

// The one way the system reads and writes text files: windows-1250 bytes on
// disk, QString inside, CR LF line ends written, CR LF, LF or CR accepted.
// Writes go through QSaveFile, so a crash never leaves half a file.
// Every failure raises EFileError with the platform's message.
namespace TextFile {

QString readText(const QString &path);          // whole file, line ends as stored
QByteArray readBytes(const QString &path);       // the same, not decoded
QStringList readLines(const QString &path);
// At most the first count lines found in the first maxBytes bytes, for a
// look at the start of a file of any size. A line the byte limit cuts off is
// left out; a last line ended by the end of the file counts.
QStringList readFirstLines(const QString &path, qsizetype count, qint64 maxBytes);
void writeText(const QString &path, const QString &text);   // written as given
void writeLines(const QString &path, const QStringList &lines); // each line + CR LF

// A file written piece by piece, for text too large to hold at once: the
// text is encoded and written in chunks, and the file replaces the one on
// disk only at commit(), so a failure (or a writer dropped uncommitted)
// leaves the earlier file as it was. The bytes are those writeText and
// writeLines give for the same text.
class TWriter
{
public:
    explicit TWriter(const QString &path);
    ~TWriter();
    TWriter(const TWriter &) = delete;
    TWriter &operator=(const TWriter &) = delete;

    void write(const QString &text);     // written as given
    void writeLine(const QString &line); // + CR LF
    // Sees every chunk of text before it is written, in order; an exception
    // it raises passes out of the write and commit calls.
    void setObserver(std::function<void(const QString &)> observer);
    void flush(); // writes what is gathered
    void commit();

private:

    QString m_path;
    std::unique_ptr<QSaveFile> m_file;
    QString m_pending;
    std::function<void(const QString &)> m_observer;
};

QStringList splitLines(const QString &text);
QString joinLines(const QStringList &lines);    // each line followed by CR LF

} // namespace TextFile
