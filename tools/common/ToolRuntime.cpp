#include "ToolRuntime.h"

#include "CodePage1250.h"
#include "Errors.h"
#include "TextFile.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>

#include <unistd.h>

namespace ToolRuntime {

void writeConsole(std::FILE *stream, const QString &text)
{
    const bool terminal = isatty(fileno(stream)) == 1;
    QByteArray bytes = terminal ? text.toUtf8() : CodePage1250::encode(text);
    bytes += terminal ? "\n" : "\r\n";
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stream);
    std::fflush(stream);
}

QString now()
{
    return QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd hh:mm:ss"));
}

ProductLog::ProductLog(const QString &path) : m_path(path)
{
    m_timer.start();
    if (!QDir().mkpath(QFileInfo(path).path())) {
        fail(QStringLiteral("cannot create the folder %1").arg(QFileInfo(path).path()));
        return;
    }
    if (QFileInfo::exists(path)) {
        try {
            m_lines = TextFile::readLines(path);
        } catch (const EQuenbarError &e) {
            fail(e.message());
        }
    }
}

void ProductLog::add(const QString &line)
{
    m_lines << line;
    m_dirty = true;
}

void ProductLog::flush(bool force)
{
    if (!m_dirty || m_failed || (!force && m_timer.elapsed() < 250))
        return;
    try {
        TextFile::writeLines(m_path, m_lines);
        m_dirty = false;
    } catch (const EQuenbarError &e) {
        fail(e.message());
    }
    m_timer.restart();
}

void ProductLog::fail(const QString &message)
{
    m_failed = true;
    err(QStringLiteral("Product log %1 not written: %2").arg(m_path, message));
}

} // namespace ToolRuntime
