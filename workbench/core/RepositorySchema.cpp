#include "RepositorySchema.h"

#include "CodePage1250.h"
#include "RepositorySql.h"

using namespace RepositorySql;

namespace {

TRepositoryField intField(const char *name)
{
    return {QString::fromLatin1(name), TRepositoryFieldKind::Integer, 0, false};
}

TRepositoryField textField(const char *name, int size, bool folded = false)
{
    return {QString::fromLatin1(name), TRepositoryFieldKind::Text, size, folded};
}

TRepositoryField boolField(const char *name)
{
    return {QString::fromLatin1(name), TRepositoryFieldKind::Boolean, 0, false};
}

TRepositoryIndex index(const QString &table, const char *name, QStringList columns, bool unique = false)
{
    return {table + QLatin1Char('_') + QString::fromLatin1(name), std::move(columns), unique};
}

std::vector<TRepositoryTableDef> buildTables()
{
    std::vector<TRepositoryTableDef> tables;
    const QString nameFold = RepositorySchema::FoldColumn(QStringLiteral("Name"));
    // The indexes on the ancestor keys and on DupliCheck serve the deletion of
    // an interface and the edit propagation, which would scan otherwise.
    {
        TRepositoryTableDef t;
        t.name = QStringLiteral("Parameters");
        t.fields = {intField("Kulcs"),          intField("InterfacesKulcs"), intField("OperationsKulcs"),
                    intField("InputsOutputsKulcs"), intField("ParametersKulcs"), intField("UpPointer"),
                    intField("LevelX"),         intField("DupliCheck"),      textField("TypeX", 100),
                    boolField("XS_Type"),       textField("SequenceType", 15), boolField("XS_Array"),
                    textField("Name", 100, true), textField("Kommentar", 255)};
        t.indexes = {index(t.name, "UpPointerIndex", {QStringLiteral("UpPointer")}),
                     index(t.name, "NameIndex", {nameFold}),
                     index(t.name, "InterfacesKulcsIndex", {QStringLiteral("InterfacesKulcs")}),
                     index(t.name, "DupliCheckIndex", {QStringLiteral("DupliCheck")})};
        tables.push_back(std::move(t));
    }
    {
        TRepositoryTableDef t;
        t.name = QStringLiteral("InputsOutputs");
        t.fields = {intField("Kulcs"),     intField("InterfacesKulcs"), intField("OperationsKulcs"),
                    intField("InputsOutputsKulcs"), intField("UpPointer"), textField("Name", 100, true),
                    textField("TypeX", 20), textField("Kommentar", 255)};
        t.indexes = {index(t.name, "UpPointerIndex", {QStringLiteral("UpPointer")}),
                     index(t.name, "NameIndex", {nameFold}),
                     index(t.name, "InterfacesKulcsIndex", {QStringLiteral("InterfacesKulcs")})};
        tables.push_back(std::move(t));
    }
    {
        TRepositoryTableDef t;
        t.name = QStringLiteral("Operations");
        t.fields = {intField("Kulcs"),     intField("InterfacesKulcs"), intField("OperationsKulcs"),
                    intField("UpPointer"), textField("Name", 100, true), textField("Kommentar", 255)};
        t.indexes = {index(t.name, "UpPointerIndex", {QStringLiteral("UpPointer")}),
                     index(t.name, "NameIndex", {nameFold}),
                     index(t.name, "InterfacesKulcsIndex", {QStringLiteral("InterfacesKulcs")})};
        tables.push_back(std::move(t));
    }
    {
        TRepositoryTableDef t;
        t.name = QStringLiteral("Interfaces");
        t.fields = {intField("Kulcs"),          intField("InterfacesKulcs"), textField("CSVName", 40),
                    textField("DefinitionsName", 30), textField("Name", 100, true), textField("Kommentar", 255)};
        t.indexes = {index(t.name, "NameIndex", {nameFold})};
        tables.push_back(std::move(t));
    }
    {
        TRepositoryTableDef t;
        t.name = QStringLiteral("XDuplis");
        t.fields = {intField("Kulcs"), textField("QualifierName", 100, true), textField("OwnName", 100, true)};
        t.indexes = {index(t.name, "DuplisIdex",
                           {RepositorySchema::FoldColumn(QStringLiteral("QualifierName")),
                            RepositorySchema::FoldColumn(QStringLiteral("OwnName"))},
                           true)};
        tables.push_back(std::move(t));
    }
    return tables;
}

} // namespace

const TRepositoryField *TRepositoryTableDef::field(const QString &fieldName) const
{
    const int i = fieldIndex(*this, fieldName);
    return i < 0 ? nullptr : &fields[size_t(i)];
}

namespace RepositorySchema {

const std::vector<TRepositoryTableDef> &Tables()
{
    static const std::vector<TRepositoryTableDef> tables = buildTables();
    return tables;
}

const TRepositoryTableDef *Find(const QString &tableName)
{
    for (const TRepositoryTableDef &t : Tables())
        if (SameText(t.name, tableName))
            return &t;
    return nullptr;
}

QString FoldColumn(const QString &fieldName)
{
    return fieldName + QStringLiteral("Fold");
}

QString Truncated(const QString &text, int size)
{
    if (text.size() <= size)
        return text;
    qsizetype cut = size;
    if (cut > 0 && text.at(cut - 1).isHighSurrogate())
        --cut;
    return text.left(cut);
}

QString Fold(const QString &text, int size)
{
    return CodePage1250::toUpper(Truncated(text, size));
}

QStringList CreateStatements(const TRepositoryTableDef &table)
{
    QStringList columns;
    QStringList foldColumns;
    for (const TRepositoryField &f : table.fields) {
        const QString name = quoted(f.name);
        if (f.name == QLatin1String("Kulcs")) {
            columns << name + QStringLiteral(" INTEGER PRIMARY KEY");
            continue;
        }
        switch (f.kind) {
        case TRepositoryFieldKind::Integer:
            columns << name + QStringLiteral(" INTEGER");
            break;
        case TRepositoryFieldKind::Boolean:
            columns << name + QStringLiteral(" INTEGER CHECK (") + name + QStringLiteral(" IN (0, 1))");
            break;
        case TRepositoryFieldKind::Text:
            columns << name + QStringLiteral(" TEXT CHECK (length(") + name + QStringLiteral(") <= ")
                           + QString::number(f.size) + QLatin1Char(')');
            if (f.folded) {
                const QString fold = quoted(FoldColumn(f.name));
                foldColumns << fold + QStringLiteral(" TEXT NOT NULL DEFAULT '' CHECK (length(") + fold
                                   + QStringLiteral(") <= ") + QString::number(f.size) + QLatin1Char(')');
            }
            break;
        }
    }
    columns << foldColumns;
    QStringList statements;
    statements << QStringLiteral("CREATE TABLE ") + quoted(table.name) + QStringLiteral(" (\n  ")
                      + columns.join(QStringLiteral(",\n  ")) + QStringLiteral("\n)");
    for (const TRepositoryIndex &ix : table.indexes) {
        QStringList cols;
        for (const QString &c : ix.columns)
            cols << quoted(c);
        statements << QStringLiteral("CREATE ") + (ix.unique ? QStringLiteral("UNIQUE ") : QString())
                          + QStringLiteral("INDEX IF NOT EXISTS ") + quoted(ix.name) + QStringLiteral(" ON ")
                          + quoted(table.name) + QStringLiteral(" (") + cols.join(QStringLiteral(", "))
                          + QLatin1Char(')');
    }
    return statements;
}

} // namespace RepositorySchema
