#include "CrossrefQuery.h"

#include "QuenbarDB.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>

namespace {

// The statements share everything up to the join of the four tables. SQLite
// finds a bare "kulcs" in the sort keys ambiguous among the four tables, so
// the last sort key names the parameter's column.
const char *const StatementHead =
    "select a.name as interface, a.csvname as csv, a.kommentar as interface_comment ,       b.name as operation, "
    "b.kommentar as operation_comment ,       c.name as ioname, c.typeX as direction, c.kommentar as io_comment ,  "
    "     d.kulcs, d.levelX as depth , d.name as parametername, d.typeX as parametertype, d.kommentar as "
    "parameter_comment  from interfaces a,operations b,InputsOutputs c,parameters d where a.kulcs = "
    "d.interfaceskulcs   and b.kulcs = d.operationskulcs   and c.kulcs = d.inputsoutputskulcs";

} // namespace

namespace Crossref {

QString Statement(TCrossrefBase base)
{
    const QString head = QString::fromLatin1(StatementHead);
    switch (base) {
    case TCrossrefBase::Interfaces:
        return head + QStringLiteral(" and a.name = :name order by interface,operation,ioname,d.kulcs");
    case TCrossrefBase::Operations:
        return head + QStringLiteral(" and b.name = :name  order by interface,operation,ioname,d.kulcs");
    case TCrossrefBase::InputsOutputs:
        return head + QStringLiteral(" and c.name = :name  order by interface,operation,ioname,d.kulcs");
    case TCrossrefBase::Parameters:
        break;
    }
    return head + QStringLiteral(" and d.name = :name order by parametername");
}

QString BaseTypeName(TCrossrefBase base)
{
    switch (base) {
    case TCrossrefBase::Interfaces:
        return QStringLiteral("Interface");
    case TCrossrefBase::Operations:
        return QStringLiteral("Operation");
    case TCrossrefBase::InputsOutputs:
        return QStringLiteral("Inputs/Outputs");
    case TCrossrefBase::Parameters:
        break;
    }
    return QStringLiteral("Parameter");
}

QList<TCrossrefRow> ReadRows(QSqlQuery &query)
{
    QList<TCrossrefRow> rows;
    const QSqlRecord record = query.record();
    auto column = [&](const char *name) { return record.indexOf(QString::fromLatin1(name)); };
    const int interface = column("interface"), csv = column("csv"), interfaceComment = column("interface_comment"),
              operation = column("operation"), operationComment = column("operation_comment"),
              ioname = column("ioname"), direction = column("direction"), ioComment = column("io_comment"),
              kulcs = column("kulcs"), depth = column("depth"), parametername = column("parametername"),
              parametertype = column("parametertype"), parameterComment = column("parameter_comment");
    auto text = [&](int i) { return i < 0 ? QString() : query.value(i).toString(); };
    while (query.next()) {
        TCrossrefRow row;
        row.interface = text(interface);
        row.csv = text(csv);
        row.interfaceComment = text(interfaceComment);
        row.operation = text(operation);
        row.operationComment = text(operationComment);
        row.ioname = text(ioname);
        row.direction = text(direction);
        row.ioComment = text(ioComment);
        row.kulcs = kulcs < 0 ? 0 : query.value(kulcs).toLongLong();
        row.depth = text(depth);
        row.parametername = text(parametername);
        row.parametertype = text(parametertype);
        row.parameterComment = text(parameterComment);
        rows.append(row);
    }
    return rows;
}

QList<TCrossrefRow> Rows(TDM &dm, TCrossrefBase base, const QString &name)
{
    if (!dm.Connected())
        throw EDatabaseError(QStringLiteral("The repository is not open"));
    QSqlQuery query = dm.QCrossref();
    query.setForwardOnly(true);
    if (!query.prepare(Statement(base)))
        throw EDatabaseError(query.lastError().text());
    query.bindValue(QStringLiteral(":name"), name);
    if (!query.exec())
        throw EDatabaseError(query.lastError().text());
    return ReadRows(query);
}

} // namespace Crossref
