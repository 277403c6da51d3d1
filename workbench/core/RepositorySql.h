#pragma once
// Helpers the repository's own sources share: quoting, statement use and
// the values as the file stores them. Not meant for code outside them.

#include "RepositorySchema.h"
#include "SharedRoutinesCommon.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QString>
#include <QVariant>

namespace RepositorySql {

inline QString quoted(const QString &identifier)
{
    return QLatin1Char('"') + identifier + QLatin1Char('"');
}

inline bool isNullValue(const QVariant &value)
{
    return !value.isValid() || value.isNull();
}

inline void execPrepared(QSqlQuery &query)
{
    if (!query.exec())
        throw EDatabaseError(query.lastError().text());
}

inline void prepare(QSqlQuery &query, const QString &sql)
{
    if (!query.prepare(sql))
        throw EDatabaseError(query.lastError().text());
}

// Resets a kept statement when its use ends, so that no read stays open.
class TStatementUse
{
public:
    explicit TStatementUse(QSqlQuery &query) : m_query(query) {}
    ~TStatementUse() { m_query.finish(); }
    TStatementUse(const TStatementUse &) = delete;
    TStatementUse &operator=(const TStatementUse &) = delete;
    QSqlQuery &operator*() const { return m_query; }
    QSqlQuery *operator->() const { return &m_query; }

private:
    QSqlQuery &m_query;
};

inline int fieldIndex(const TRepositoryTableDef &def, const QString &field)
{
    for (size_t i = 0; i < def.fields.size(); ++i)
        if (SameText(def.fields[i].name, field))
            return int(i);
    return -1;
}

// The value as the file stores it: booleans as 0 / 1.
inline QVariant sqlValue(const TRepositoryField &field, const QVariant &value)
{
    if (isNullValue(value))
        return QVariant();
    if (field.kind == TRepositoryFieldKind::Boolean)
        return QVariant(qlonglong(value.toBool() ? 1 : 0));
    return value;
}

} // namespace RepositorySql
