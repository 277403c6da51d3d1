#include "TextFile.h"

#include "CodePage1250.h"
#include "Errors.h"

#include <QFile>
#include <QSaveFile>

namespace TextFile {
namespace {

[[noreturn]] void fail(const QString &what, const QString &path, const QString &why)
{
    throw EFileError(QStringLiteral("%1 %2: %3").arg(what, path, why));
}

} // namespace

QByteArray readBytes(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        fail(QStringLiteral("Can not open file"), path, f.errorString());
    QByteArray bytes = f.readAll();
    if (f.error() != QFileDevice::NoError)
        fail(QStringLiteral("Can not read file"), path, f.errorString());
    return bytes;
}

QString readText(const QString &path)
{
    return CodePage1250::decode(readBytes(path));
}

QStringList readLines(const QString &path)
{
    return splitLines(readText(path));
}

QStringList readFirstLines(const QString &path, qsizetype count, qint64 maxBytes)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        fail(QStringLiteral("Can not open file"), path, f.errorString());
    // One byte more than the limit tells a cut prefix from a file that ends there.
    QByteArray bytes = f.read(maxBytes + 1);
    if (f.error() != QFileDevice::NoError)
        fail(QStringLiteral("Can not read file"), path, f.errorString());
    const bool cut = bytes.size() > maxBytes;
    if (cut)
        bytes.truncate(qsizetype(maxBytes));
    QStringList lines = splitLines(CodePage1250::decode(bytes));
    if (cut && !lines.isEmpty() && !bytes.endsWith('\r') && !bytes.endsWith('\n'))
        lines.removeLast();
    if (lines.size() > count)
        lines.resize(count);
    return lines;
}

void writeText(const QString &path, const QString &text)
{
    TWriter writer(path);
    writer.write(text);
    writer.commit();
}

void writeLines(const QString &path, const QStringList &lines)
{
    writeText(path, joinLines(lines));
}

namespace {
// Characters gathered before a chunk is encoded and written.
constexpr qsizetype kChunk = 1 << 16;
} // namespace

TWriter::TWriter(const QString &path) : m_path(path), m_file(std::make_unique<QSaveFile>(path))
{
    if (!m_file->open(QIODevice::WriteOnly))
        fail(QStringLiteral("Can not create file"), path, m_file->errorString());
    m_pending.reserve(kChunk + kChunk / 4);
}

TWriter::~TWriter() = default; // an uncommitted QSaveFile discards its temporary file

void TWriter::write(const QString &text)
{
    m_pending += text;
    if (m_pending.size() >= kChunk)
        flush();
}

void TWriter::writeLine(const QString &line)
{
    m_pending += line;
    m_pending += QLatin1String("\r\n");
    if (m_pending.size() >= kChunk)
        flush();
}

void TWriter::setObserver(std::function<void(const QString &)> observer)
{
    m_observer = std::move(observer);
}

// Whole pieces only: a chunk never parts the two halves of a surrogate pair.
void TWriter::flush()
{
    if (m_pending.isEmpty())
        return;
    if (m_observer)
        m_observer(m_pending);
    const QByteArray bytes = CodePage1250::encode(m_pending);
    if (m_file->write(bytes) != bytes.size())
        fail(QStringLiteral("Can not write file"), m_path, m_file->errorString());
    m_pending.resize(0); // keeps the buffer for the next chunk
}

void TWriter::commit()
{
    flush();
    if (!m_file->commit())
        fail(QStringLiteral("Can not write file"), m_path, m_file->errorString());
}

QStringList splitLines(const QString &text)
{
    QStringList lines;
    const qsizetype n = text.size();
    qsizetype start = 0;
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = text[i];
        if (c == u'\r' || c == u'\n') {
            lines.append(text.mid(start, i - start));
            if (c == u'\r' && i + 1 < n && text[i + 1] == u'\n')
                ++i;
            start = i + 1;
        }
    }
    if (start < n)
        lines.append(text.mid(start));
    return lines;
}

QString joinLines(const QStringList &lines)
{
    qsizetype total = 0;
    for (const QString &l : lines)
        total += l.size() + 2;
    QString out;
    out.reserve(total);
    for (const QString &l : lines) {
        out += l;
        out += QLatin1String("\r\n");
    }
    return out;
}

} // namespace TextFile
