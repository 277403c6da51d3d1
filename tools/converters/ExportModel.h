#pragma once
// In-memory form of one interface export (tools/CSV-FORMAT.md) as the two
// converters read it.

#include "Errors.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <vector>

namespace Converters {

// WSDLProc reads procedural exports, WSDLObjt object-oriented ones.
enum class Mode { Procedural, ObjectOriented };

QString programName(Mode mode);

// A malformed export; line 0 stands for the file as a whole.
class EExportError : public EQuenbarError
{
public:
    EExportError(int line, const QString &message);
    int line() const { return m_line; }

private:
    int m_line;
};

// Thrown by a checkpoint when the run is to end (the semaphore file appeared).
struct ECancelled
{
};

// Called between records and between written parts of a document; may throw
// ECancelled.
using Checkpoint = std::function<void()>;

enum class Direction { None, In, Out, InOut, Return };

struct ExportItem
{
    QString name;
    int level = 0;
    Direction direction = Direction::None;
    QString dataType;
    int length = -1;      // -1: not given
    int decimals = -1;    // -1: not given
    int occurs = 0;       // 0: one item, -1: array of unknown size, n: array of n
    QString declaration;
    int line = 0;
    bool group = false;   // DATATYPE GROUP: the members follow
    std::vector<ExportItem> members;
};

struct ExportOperation
{
    QString name;
    int line = 0;
    std::vector<ExportItem> params;
};

struct ExportType
{
    QString name;
    int line = 0;
    std::vector<ExportItem> fields;
};

struct ExportModule
{
    QString formatVersion;
    QString systemName;
    QString language;
    QString source;        // the SOURCE pair of line 2, when given
    QString name;          // PROGRAM or CLASS
    int line = 0;
    std::vector<ExportOperation> operations;
    std::vector<ExportType> types;
    int records = 0;
};

// COBOL, PLI and ASM, case-insensitive: the languages the workbench hands to
// the procedural converter.
bool isProceduralLanguage(const QString &language);

// Fields of one record line; raises EExportError for broken quoting.
QStringList splitRecord(const QString &line, int lineNo);

// Parses a whole export (all lines of the file). Raises EExportError.
ExportModule readExport(const QStringList &lines, Mode mode, const Checkpoint &checkpoint = {});

} // namespace Converters
