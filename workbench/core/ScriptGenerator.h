#pragma once
// "Generate ASR": the assertion script skeleton of one interface of the
// repository: the service, one placeholder test case, and per operation and
// message one assertion per simple parameter and one object block per complex
// one, nested by the parameters' levels, with the user's comments attached.
// Written as CR LF lines into the output directory's "ExportDir" folder.

#include <QString>
#include <QStringList>

class TDM;
class TLineSink;
class IReporter;
struct TExportInterface;

namespace ScriptGenerator {

// The line with the comment appended: trimmed, marked "  // " unless it
// starts with "//", each further line of it starting under the first one and
// marked again. Line breaks of the comment become CR LF.
QString AttachComment(const QString &line, const QString &comment);

// The name up to the first "[", trimmed of characters 0 to 32.
QString ItemName(const QString &name);

// The script's lines, each without its line end (a line with a multi-line
// comment holds CR LF inside), handed on one by one as they are made.
void EmitScript(const TExportInterface &face, TLineSink &out);
// The same lines as a list.
QStringList ScriptLines(const TExportInterface &face);

} // namespace ScriptGenerator

// Writes the script of the interface and returns the file's path (empty when
// there is no such interface). Failures: EFileError, EDatabaseError, or, with
// a reporter, reported there and EAbort.
// fileBase names the file instead of the interface's name (without extension).
QString GenerateASR(TDM &dm, qint64 interfaceKulcs, const QString &outputDir, IReporter *reporter = nullptr,
                     const QString &fileBase = QString());
// The same for the browser's current interface (nothing without one).
QString GenerateASR(TDM &dm, const QString &outputDir, IReporter *reporter = nullptr);
// The script of rows read already (see WriteWSDL).
QString WriteASR(const TExportInterface &face, const QString &outputDir, const QString &fileBase = QString());
