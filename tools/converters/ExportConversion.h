#pragma once
// One converter run: reads the parameter file the workbench wrote
// ("lastprc.xml" or "lastobj.xml"), converts every staged export it lists
// into "CMP" + number + ".wsd" in the current folder, appends to the product
// log "Exports/" + system name + ".log", and stops when "Semaphore.xml"
// appears in the current folder.

#include "ExportModel.h"

#include <vector>

namespace Converters {

enum ExitCode {
    ExitOk = 0,
    ExitFilesFailed = 1,       // some exports could not be converted (or the log not written)
    ExitBadArguments = 2,
    ExitBadParameterFile = 3,  // missing, unreadable or malformed
    ExitCancelled = 4,         // "Semaphore.xml" appeared
};

// A staged export larger than this is refused: it is read whole, and a stray
// huge file must not exhaust the memory.
inline constexpr qint64 kMaxExportBytes = qint64(256) * 1024 * 1024;

struct ParameterEntry
{
    QString number;    // the digits of File_nnnn, as written
    QString file;      // staged name, relative to the input folder
    QString origFile;  // the source the workbench staged
};

struct ParameterFile
{
    QString productName;
    QString systemName;
    QString inputDir;
    std::vector<ParameterEntry> files;
};

// Raises EQuenbarError (EFileError, EXMLError, EConvertError) when the file
// is missing, unreadable or lacks the names.
ParameterFile readParameterFile(const QString &path);

// The whole program: arguments without the program name. Returns the exit code.
int runConverter(Mode mode, const QStringList &arguments);

} // namespace Converters
