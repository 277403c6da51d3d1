#pragma once
#include <QByteArray>
#include <QString>
#include <QStringList>

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

QStringList splitLines(const QString &text);
QString joinLines(const QStringList &lines);    // each line followed by CR LF

} // namespace TextFile
