#pragma once
// The repository's tables as the program defines them: their fields and
// indexes, the statements that create them, and the fold columns behind
// case-insensitive lookups.

#include "Errors.h"

#include <QString>
#include <QStringList>

#include <vector>

// A repository failure reported with a message: the connection could not be
// opened, a statement failed, a reset was refused.
class EDatabaseError : public EQuenbarError
{
public:
    using EQuenbarError::EQuenbarError;
};

enum class TRepositoryFieldKind { Integer, Text, Boolean };

struct TRepositoryField
{
    QString name;
    TRepositoryFieldKind kind = TRepositoryFieldKind::Integer;
    int size = 0;        // text: the most characters kept
    bool folded = false; // text looked up case-insensitively: has the column name + "Fold"
};

struct TRepositoryIndex
{
    QString name; // unique in the file: table + "_" + the index's own name
    QStringList columns;
    bool unique = false;
};

struct TRepositoryTableDef
{
    QString name;
    std::vector<TRepositoryField> fields; // "Kulcs" first
    std::vector<TRepositoryIndex> indexes;

    const TRepositoryField *field(const QString &fieldName) const; // case-insensitive
};

namespace RepositorySchema {
// The five tables, in the order they are created and opened: Parameters,
// InputsOutputs, Operations, Interfaces, XDuplis.
const std::vector<TRepositoryTableDef> &Tables();
const TRepositoryTableDef *Find(const QString &tableName); // case-insensitive
QString FoldColumn(const QString &fieldName);
// The statements that create the table (first) and its indexes.
QStringList CreateStatements(const TRepositoryTableDef &table);
// The code page upper case of a text cut to the field size: what a fold column holds.
QString Fold(const QString &text, int size);
// A text cut to at most size characters (a surrogate pair is not split).
QString Truncated(const QString &text, int size);
} // namespace RepositorySchema
