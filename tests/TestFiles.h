#pragma once
// Raw file access for tests: bytes as stored, past the code page and line
// ends the program's own text helper applies.

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QString>

// The file's bytes; "missing" when it cannot be read.
inline QByteArray fileBytes(const QString &path, const QByteArray &missing = QByteArray())
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return missing;
    return f.readAll();
}

// Writes the bytes, creating the folder; false when that fails.
inline bool writeBytes(const QString &path, const QByteArray &bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}
