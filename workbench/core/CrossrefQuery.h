#pragma once
// The cross-reference query: every parameter reached from an interface,
// operation, message or parameter of the repository, found by its name, one
// row per parameter with the interface, operation and message above it.
// The report prints the rows; the command-line tool lists them.

#include <QList>
#include <QString>

class QSqlQuery;
class TDM;

// The column whose current row is the reference base.
enum class TCrossrefBase { Interfaces, Operations, InputsOutputs, Parameters };

// One row of the cross-reference query.
struct TCrossrefRow
{
    QString interface;
    QString csv;
    QString interfaceComment;
    QString operation;
    QString operationComment;
    QString ioname;
    QString direction;
    QString ioComment;
    qint64 kulcs = 0;
    QString depth;
    QString parametername;
    QString parametertype;
    QString parameterComment;
};

namespace Crossref {
// The statement the cross-reference query runs; it takes the parameter
// "name" (the current row's "Name").
QString Statement(TCrossrefBase base);
// The reference base type as the report's header names it.
QString BaseTypeName(TCrossrefBase base);
// The rows of an executed cross-reference query, read to its end.
QList<TCrossrefRow> ReadRows(QSqlQuery &query);
// Runs the query for the base rows of that name; EDatabaseError when the
// repository is not open or the query fails.
QList<TCrossrefRow> Rows(TDM &dm, TCrossrefBase base, const QString &name);
} // namespace Crossref
