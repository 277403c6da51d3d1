#pragma once
// What every external program the shell and the workbench start shares: the
// console lines (captured into "Console.log") and the product log
// "Exports/" + system name + ".log".

#include <QElapsedTimer>
#include <QString>
#include <QStringList>

#include <cstdio>

namespace ToolRuntime {

// UTF-8 on a terminal; windows-1250 with CR LF when captured, since the
// capture becomes the text file "Console.log".
void writeConsole(std::FILE *stream, const QString &text);
inline void out(const QString &text) { writeConsole(stdout, text); }
inline void err(const QString &text) { writeConsole(stderr, text); }

// "yyyy-MM-dd hh:mm:ss", the time stamp of a product log line.
QString now();

// The product log is appended to; the programs of one run all write into it.
// Text files are only ever written whole, so the lines are kept and the file
// is rewritten, at most every quarter second unless forced. A failure is
// reported on stderr once and remembered.
class ProductLog
{
public:
    explicit ProductLog(const QString &path);
    void add(const QString &line);
    void flush(bool force);
    bool failed() const { return m_failed; }

private:
    void fail(const QString &message);

    QString m_path;
    QStringList m_lines;
    QElapsedTimer m_timer;
    bool m_dirty = false;
    bool m_failed = false;
};

} // namespace ToolRuntime
