#include "RepositoryTable.h"

#include "CodePage1250.h"
#include "QuenbarDB.h"
#include "RepositorySql.h"

#include <QSqlField>

#include <algorithm>

using namespace RepositorySql;

namespace {

QVariant keyVariant(const std::optional<qint64> &key)
{
    return key ? QVariant(qlonglong(*key)) : QVariant();
}

[[noreturn]] void fieldNotFound(const QString &field)
{
    throw EDatabaseError(QStringLiteral("Field '") + field + QStringLiteral("' not found"));
}

[[noreturn]] void notEditing()
{
    throw EDatabaseError(QStringLiteral("Dataset not in edit or insert mode"));
}

QMetaType metaTypeOf(TRepositoryFieldKind kind)
{
    switch (kind) {
    case TRepositoryFieldKind::Integer:
        return QMetaType::fromType<qlonglong>();
    case TRepositoryFieldKind::Boolean:
        return QMetaType::fromType<bool>();
    case TRepositoryFieldKind::Text:
        break;
    }
    return QMetaType::fromType<QString>();
}

bool isParameters(const TRepositoryTableDef &def)
{
    return def.name == QLatin1String("Parameters");
}

} // namespace

TRepositoryTable::TRepositoryTable(TDM &dm, const QString &tableName, TRepositoryTable *master, TOrder order,
                                   QObject *parent)
    : QObject(parent), m_dm(&dm), m_def(RepositorySchema::Find(tableName)), m_master(master), m_order(order)
{
    if (!m_def)
        throw EDatabaseError(QStringLiteral("Table '") + tableName + QStringLiteral("' does not exist"));
    if (m_master && !m_def->field(QStringLiteral("UpPointer")))
        throw EDatabaseError(QStringLiteral("Table '") + tableName + QStringLiteral("' has no master link"));
    if (m_master)
        m_master->m_details.push_back(this);
    dm.m_allTables.push_back(this);
}

TRepositoryTable::~TRepositoryTable()
{
    if (m_master) {
        auto &d = m_master->m_details;
        d.erase(std::remove(d.begin(), d.end(), this), d.end());
    }
    for (TRepositoryTable *detail : m_details)
        detail->m_master = nullptr;
    if (m_dm) {
        auto &all = m_dm->m_allTables;
        all.erase(std::remove(all.begin(), all.end(), this), all.end());
    }
}

QString TRepositoryTable::TableName() const
{
    return m_def->name;
}

void TRepositoryTable::requireActive() const
{
    if (!m_dm || m_state == TState::Inactive)
        throw EDatabaseError(QStringLiteral("Cannot perform this operation on a closed dataset"));
}

std::optional<qint64> TRepositoryTable::effectiveKey() const
{
    if (m_state == TState::Insert) {
        const QVariant k = m_buffer.empty() ? QVariant() : m_buffer[0];
        return isNullValue(k) ? std::nullopt : std::optional<qint64>(k.toLongLong());
    }
    return m_hasCurrent ? std::optional<qint64>(m_current) : std::nullopt;
}

QString TRepositoryTable::filterClause() const
{
    return m_master ? QStringLiteral("UpPointer = :UpPointer") : QString();
}

void TRepositoryTable::bindFilter(QSqlQuery &query) const
{
    if (m_master)
        query.bindValue(QStringLiteral(":UpPointer"), keyVariant(m_masterKey));
}

QString TRepositoryTable::orderClause() const
{
    switch (m_order) {
    case TOrder::Name:
        if (m_def->field(QStringLiteral("Name")))
            return QStringLiteral(" order by NameFold, Kulcs");
        break;
    case TOrder::Duplis:
        if (m_def->field(QStringLiteral("QualifierName")))
            return QStringLiteral(" order by QualifierNameFold, OwnNameFold, Kulcs");
        break;
    case TOrder::Kulcs:
        break;
    }
    return QStringLiteral(" order by Kulcs");
}

QString TRepositoryTable::columnList(const QString &prefix) const
{
    QStringList names;
    for (const TRepositoryField &f : m_def->fields)
        names << prefix + f.name;
    return names.join(QStringLiteral(", "));
}

void TRepositoryTable::ensureKeys() const
{
    if (m_keysValid)
        return;
    m_keys.clear();
    m_posValid = false;
    if (m_dm && Active() && (!m_master || m_masterKey)) {
        const QString filter = filterClause();
        TStatementUse q(m_dm->statement(QStringLiteral("select Kulcs from ") + m_def->name
                                        + (filter.isEmpty() ? QString() : QStringLiteral(" where ") + filter)
                                        + orderClause()));
        bindFilter(*q);
        execPrepared(*q);
        while (q->next())
            m_keys.push_back(q->value(0).toLongLong());
    }
    m_keysValid = true;
}

void TRepositoryTable::ensurePos() const
{
    ensureKeys();
    if (m_posValid)
        return;
    m_pos = -1;
    if (m_hasCurrent) {
        const auto it = std::find(m_keys.begin(), m_keys.end(), m_current);
        if (it != m_keys.end())
            m_pos = int(it - m_keys.begin());
    }
    m_posValid = true;
}

void TRepositoryTable::invalidateKeys()
{
    m_keysValid = false;
    m_posValid = false;
}

bool TRepositoryTable::fetch(qint64 key, std::vector<QVariant> &into) const
{
    if (!m_dm || (m_master && !m_masterKey))
        return false;
    const QString filter = filterClause();
    TStatementUse use(m_dm->statement(QStringLiteral("select ") + columnList() + QStringLiteral(" from ") + m_def->name
                                      + QStringLiteral(" where Kulcs = :Kulcs")
                                      + (filter.isEmpty() ? QString() : QStringLiteral(" and ") + filter)));
    QSqlQuery &q = *use;
    q.bindValue(QStringLiteral(":Kulcs"), qlonglong(key));
    bindFilter(q);
    execPrepared(q);
    if (!q.next())
        return false;
    into.assign(m_def->fields.size(), QVariant());
    for (size_t i = 0; i < m_def->fields.size(); ++i) {
        if (q.isNull(int(i)))
            continue;
        const QVariant v = q.value(int(i));
        switch (m_def->fields[i].kind) {
        case TRepositoryFieldKind::Integer:
            into[i] = QVariant(v.toLongLong());
            break;
        case TRepositoryFieldKind::Boolean:
            into[i] = QVariant(v.toLongLong() != 0);
            break;
        case TRepositoryFieldKind::Text:
            into[i] = QVariant(v.toString());
            break;
        }
    }
    return true;
}

void TRepositoryTable::setNone()
{
    m_hasCurrent = false;
    m_current = 0;
    m_record.clear();
    m_pos = -1;
    m_posValid = m_keysValid;
    notifyCurrent();
}

void TRepositoryTable::setCurrent(qint64 key, int pos)
{
    std::vector<QVariant> row;
    if (!fetch(key, row)) {
        setNone();
        return;
    }
    m_hasCurrent = true;
    m_current = key;
    m_record = std::move(row);
    m_pos = pos;
    m_posValid = pos >= 0 && m_keysValid;
    m_eof = false;
    m_bof = false;
    notifyCurrent();
}

void TRepositoryTable::setCurrentAt(int pos)
{
    ensureKeys();
    setCurrent(m_keys[size_t(pos)], pos);
}

void TRepositoryTable::goFirst()
{
    if (m_keysValid) {
        if (m_keys.empty())
            setNone();
        else
            setCurrentAt(0);
    } else {
        // Only the first key: the whole key list (all of a large table) is
        // read when navigation needs it, not on every open and refilter.
        std::optional<qint64> first;
        if (m_dm && Active() && (!m_master || m_masterKey)) {
            const QString filter = filterClause();
            TStatementUse q(m_dm->statement(QStringLiteral("select Kulcs from ") + m_def->name
                                            + (filter.isEmpty() ? QString() : QStringLiteral(" where ") + filter)
                                            + orderClause() + QStringLiteral(" limit 1")));
            bindFilter(*q);
            execPrepared(*q);
            if (q->next())
                first = q->value(0).toLongLong();
        }
        if (first)
            setCurrent(*first, 0);
        else
            setNone();
    }
    m_bof = true;
    m_eof = !m_hasCurrent;
}

void TRepositoryTable::notifyCurrent()
{
    const std::optional<qint64> key = effectiveKey();
    if (key != m_notifiedKey) {
        m_notifiedKey = key;
        const std::vector<TRepositoryTable *> details = m_details;
        for (TRepositoryTable *d : details)
            d->masterChanged();
    }
    emit CurrentChanged();
}

void TRepositoryTable::masterChanged()
{
    const std::optional<qint64> key =
        (m_master && m_master->Active()) ? m_master->effectiveKey() : std::optional<qint64>();
    if (!Active()) {
        m_masterKey = key;
        return;
    }
    CheckBrowseMode();
    m_masterKey = key;
    invalidateKeys();
    goFirst();
    emit RowsChanged();
}

void TRepositoryTable::Open()
{
    if (!m_dm || !m_dm->Connected())
        throw EDatabaseError(QStringLiteral("Cannot open table ") + m_def->name
                             + QStringLiteral(": the repository is not open"));
    if (Active())
        return;
    m_state = TState::Browse;
    m_masterKey = (m_master && m_master->Active()) ? m_master->effectiveKey() : std::optional<qint64>();
    invalidateKeys();
    goFirst();
    emit StateChanged();
    emit RowsChanged();
}

void TRepositoryTable::Close()
{
    if (!Active())
        return;
    dropBuffer();
    m_state = TState::Inactive;
    invalidateKeys();
    m_keys.clear();
    m_eof = true;
    m_bof = true;
    setNone();
    emit StateChanged();
    emit RowsChanged();
}

void TRepositoryTable::Refresh()
{
    requireActive();
    invalidateKeys();
    if (m_state == TState::Browse) {
        std::vector<QVariant> row;
        if (m_hasCurrent && fetch(m_current, row)) {
            m_record = std::move(row);
            emit CurrentChanged();
        } else {
            goFirst();
        }
    }
    emit RowsChanged();
    const std::vector<TRepositoryTable *> details = m_details;
    for (TRepositoryTable *d : details)
        if (d->Active())
            d->Refresh();
}

void TRepositoryTable::First()
{
    requireActive();
    CheckBrowseMode();
    goFirst();
}

void TRepositoryTable::Last()
{
    requireActive();
    CheckBrowseMode();
    ensureKeys();
    if (m_keys.empty())
        setNone();
    else
        setCurrentAt(int(m_keys.size()) - 1);
    m_eof = true;
    m_bof = !m_hasCurrent;
}

void TRepositoryTable::Next()
{
    requireActive();
    CheckBrowseMode();
    ensurePos();
    if (m_pos < 0) {
        goFirst();
        return;
    }
    if (m_pos + 1 < int(m_keys.size())) {
        setCurrentAt(m_pos + 1);
        m_eof = false;
    } else {
        m_eof = true;
    }
    m_bof = false;
}

void TRepositoryTable::Prior()
{
    requireActive();
    CheckBrowseMode();
    ensurePos();
    if (m_pos < 0) {
        goFirst();
        return;
    }
    if (m_pos > 0) {
        setCurrentAt(m_pos - 1);
        m_bof = false;
    } else {
        m_bof = true;
    }
    m_eof = false;
}

int TRepositoryTable::MoveBy(int distance)
{
    requireActive();
    CheckBrowseMode();
    ensurePos();
    if (m_pos < 0) {
        goFirst();
        return 0;
    }
    const int last = int(m_keys.size()) - 1;
    const int from = m_pos;
    const qint64 wanted = qint64(from) + distance;
    const int target = int(std::clamp<qint64>(wanted, 0, last));
    if (target != from)
        setCurrentAt(target);
    m_eof = wanted > last;
    m_bof = wanted < 0;
    return target - from;
}

bool TRepositoryTable::Eof() const
{
    return m_eof || !m_hasCurrent;
}

bool TRepositoryTable::Bof() const
{
    return m_bof || !m_hasCurrent;
}

bool TRepositoryTable::IsEmpty() const
{
    return RecordCount() == 0;
}

int TRepositoryTable::RecordCount() const
{
    if (!m_dm || !Active())
        return 0;
    ensureKeys();
    return int(m_keys.size());
}

int TRepositoryTable::RecNo() const
{
    if (!m_dm || !Active() || !m_hasCurrent)
        return -1;
    ensurePos();
    return m_pos;
}

bool TRepositoryTable::Locate(qint64 kulcs)
{
    return Locate({QStringLiteral("Kulcs")}, {QVariant(qlonglong(kulcs))});
}

bool TRepositoryTable::Locate(const QStringList &fields, const QVariantList &values, bool caseInsensitive)
{
    requireActive();
    if (fields.size() != values.size() || fields.isEmpty())
        throw EDatabaseError(QStringLiteral("Locate needs one value for each field"));
    CheckBrowseMode();
    if (m_master && !m_masterKey)
        return false;

    QStringList conditions;
    const QString filter = filterClause();
    if (!filter.isEmpty())
        conditions << filter;
    QVariantList binds;
    // Text fields without a fold column are compared here, case-insensitively.
    QList<QPair<int, QString>> scanned;
    for (qsizetype i = 0; i < fields.size(); ++i) {
        const TRepositoryField *f = m_def->field(fields[i]);
        if (!f)
            fieldNotFound(fields[i]);
        const QVariant &value = values[i];
        if (isNullValue(value)) {
            conditions << f->name + QStringLiteral(" is null");
            continue;
        }
        if (f->kind == TRepositoryFieldKind::Text) {
            const QString text = RepositorySchema::Truncated(value.toString(), f->size);
            if (!caseInsensitive) {
                conditions << f->name + QStringLiteral(" = ?");
                binds << text;
            } else if (f->folded) {
                conditions << RepositorySchema::FoldColumn(f->name) + QStringLiteral(" = ?");
                binds << RepositorySchema::Fold(text, f->size);
            } else {
                scanned.append({fieldIndex(*m_def, f->name), text});
            }
            continue;
        }
        bool ok = true;
        const qlonglong number = f->kind == TRepositoryFieldKind::Boolean ? (value.toBool() ? 1 : 0)
                                                                         : value.toLongLong(&ok);
        if (!ok)
            return false;
        conditions << f->name + QStringLiteral(" = ?");
        binds << number;
    }

    QStringList selected{QStringLiteral("Kulcs")};
    for (const auto &s : scanned)
        selected << m_def->fields[size_t(s.first)].name;
    QSqlQuery q(m_dm->database());
    q.setForwardOnly(true);
    QString sql = QStringLiteral("select ") + selected.join(QStringLiteral(", ")) + QStringLiteral(" from ")
                  + m_def->name;
    if (!conditions.isEmpty())
        sql += QStringLiteral(" where ") + conditions.join(QStringLiteral(" and "));
    sql += orderClause();
    if (scanned.isEmpty())
        sql += QStringLiteral(" limit 1");
    // All values bind by position here, the master filter first.
    prepare(q, sql.replace(QStringLiteral(":UpPointer"), QStringLiteral("?")));
    int bindAt = 0;
    if (m_master)
        q.bindValue(bindAt++, keyVariant(m_masterKey));
    for (const QVariant &b : std::as_const(binds))
        q.bindValue(bindAt++, b);
    execPrepared(q);
    while (q.next()) {
        bool match = true;
        for (qsizetype s = 0; s < scanned.size() && match; ++s)
            match = CodePage1250::sameText(q.value(int(s) + 1).toString(), scanned[s].second);
        if (!match)
            continue;
        const qint64 key = q.value(0).toLongLong();
        q.finish();
        setCurrent(key);
        return m_hasCurrent;
    }
    return false;
}

bool TRepositoryTable::LocateByName(const QString &name)
{
    return Locate({QStringLiteral("Name")}, {QVariant(name)}, true);
}

bool TRepositoryTable::FindNearestName(const QString &name)
{
    requireActive();
    const TRepositoryField *f = m_def->field(QStringLiteral("Name"));
    if (!f)
        fieldNotFound(QStringLiteral("Name"));
    CheckBrowseMode();
    if (m_master && !m_masterKey)
        return false;
    const QString fold = RepositorySchema::Fold(name, f->size);
    QSqlQuery q(m_dm->database());
    q.setForwardOnly(true);
    const QString filter = filterClause();
    prepare(q, QStringLiteral("select Kulcs, NameFold from ") + m_def->name + QStringLiteral(" where ")
                   + (filter.isEmpty() ? QString() : filter + QStringLiteral(" and "))
                   + QStringLiteral("NameFold >= :Fold order by NameFold, Kulcs limit 1"));
    bindFilter(q);
    q.bindValue(QStringLiteral(":Fold"), fold);
    execPrepared(q);
    if (q.next()) {
        const qint64 key = q.value(0).toLongLong();
        const bool exact = q.value(1).toString() == fold;
        q.finish();
        setCurrent(key);
        return exact;
    }
    q.finish();
    Last();
    return false;
}

qint64 TRepositoryTable::Kulcs() const
{
    return effectiveKey().value_or(0);
}

QVariant TRepositoryTable::FieldValue(const QString &field) const
{
    const bool editing = m_state == TState::Edit || m_state == TState::Insert;
    const std::vector<QVariant> &row = editing ? m_buffer : m_record;
    if (isParameters(*m_def) && SameText(field, QStringLiteral("LevelGraf"))) {
        if (row.empty())
            return QVariant();
        const int level = fieldIndex(*m_def, QStringLiteral("LevelX"));
        const int name = fieldIndex(*m_def, QStringLiteral("Name"));
        return TDM::LevelGraf(row[size_t(level)].toLongLong(), row[size_t(name)].toString());
    }
    const int i = fieldIndex(*m_def, field);
    if (i < 0)
        fieldNotFound(field);
    return row.empty() ? QVariant() : row[size_t(i)];
}

QString TRepositoryTable::AsString(const QString &field) const
{
    return FieldValue(field).toString();
}

qint64 TRepositoryTable::AsInteger(const QString &field) const
{
    return FieldValue(field).toLongLong();
}

bool TRepositoryTable::AsBoolean(const QString &field) const
{
    return FieldValue(field).toBool();
}

QSqlRecord TRepositoryTable::Record() const
{
    QSqlRecord record;
    for (const TRepositoryField &f : m_def->fields) {
        QSqlField field(f.name, metaTypeOf(f.kind), m_def->name);
        const QVariant v = FieldValue(f.name);
        if (isNullValue(v))
            field.clear();
        else
            field.setValue(v);
        record.append(field);
    }
    return record;
}

QStringList TRepositoryTable::FieldNames() const
{
    QStringList names;
    for (const TRepositoryField &f : m_def->fields)
        names << f.name;
    return names;
}

void TRepositoryTable::Insert()
{
    requireActive();
    CheckBrowseMode();
    // A row never refers to a master row that is not stored yet.
    for (TRepositoryTable *up = m_master; up; up = up->m_master)
        if (up->Active())
            up->CheckBrowseMode();
    std::vector<QVariant> row(m_def->fields.size());
    auto set = [&](const char *field, const QVariant &value) {
        const int i = fieldIndex(*m_def, QString::fromLatin1(field));
        if (i >= 0)
            row[size_t(i)] = value;
    };
    auto currentKey = [](TRepositoryTable &t) { return t.Active() ? keyVariant(t.effectiveKey()) : QVariant(); };

    const qint64 key = m_dm->nextKey(m_def->name);
    set("Kulcs", qlonglong(key));
    const QString &name = m_def->name;
    if (name == QLatin1String("Parameters")) {
        set("InterfacesKulcs", currentKey(m_dm->TableInterfaces()));
        set("OperationsKulcs", currentKey(m_dm->TableOperations()));
        set("InputsOutputsKulcs", currentKey(m_dm->TableInputsOutputs()));
        set("ParametersKulcs", qlonglong(key));
        set("XS_Array", false);
    } else if (name == QLatin1String("InputsOutputs")) {
        set("InterfacesKulcs", currentKey(m_dm->TableInterfaces()));
        set("OperationsKulcs", currentKey(m_dm->TableOperations()));
        set("InputsOutputsKulcs", qlonglong(key));
    } else if (name == QLatin1String("Operations")) {
        set("InterfacesKulcs", currentKey(m_dm->TableInterfaces()));
        set("OperationsKulcs", qlonglong(key));
    }
    // The new row belongs to the master's current row, so it shows among
    // the master's rows even when the caller does not link it itself.
    if (m_master)
        set("UpPointer", currentKey(*m_master));

    m_buffer = std::move(row);
    m_state = TState::Insert;
    emit StateChanged();
    notifyCurrent();
}

void TRepositoryTable::Insert(const QVariantMap &values)
{
    Insert();
    try {
        for (auto it = values.cbegin(); it != values.cend(); ++it)
            SetFieldValue(it.key(), it.value());
        Post();
    } catch (...) {
        Cancel();
        throw;
    }
}

void TRepositoryTable::Edit()
{
    requireActive();
    if (m_state == TState::Edit || m_state == TState::Insert)
        return;
    if (!m_hasCurrent)
        throw EDatabaseError(QStringLiteral("Cannot modify an empty dataset"));
    m_buffer = m_record;
    m_state = TState::Edit;
    emit StateChanged();
}

QVariant TRepositoryTable::normalized(const TRepositoryField &field, const QVariant &value) const
{
    if (isNullValue(value))
        return QVariant();
    switch (field.kind) {
    case TRepositoryFieldKind::Integer: {
        bool ok = false;
        const qlonglong n = value.toLongLong(&ok);
        if (!ok)
            throw EDatabaseError(QLatin1Char('\'') + value.toString()
                                 + QStringLiteral("' is not a valid integer value"));
        return QVariant(n);
    }
    case TRepositoryFieldKind::Boolean:
        return QVariant(value.toBool());
    case TRepositoryFieldKind::Text:
        break;
    }
    return QVariant(RepositorySchema::Truncated(value.toString(), field.size));
}

void TRepositoryTable::SetFieldValue(const QString &field, const QVariant &value)
{
    requireActive();
    if (m_state != TState::Edit && m_state != TState::Insert)
        notEditing();
    const int i = fieldIndex(*m_def, field);
    if (i < 0)
        fieldNotFound(field);
    if (i == 0 && m_state == TState::Edit)
        throw EDatabaseError(QStringLiteral("Field 'Kulcs' cannot be modified"));
    m_buffer[size_t(i)] = normalized(m_def->fields[size_t(i)], value);
    if (i == 0)
        notifyCurrent();
    else
        emit CurrentChanged();
}

void TRepositoryTable::writeBuffer(bool inserting)
{
    QStringList columns;
    QVariantList values;
    for (size_t i = 0; i < m_def->fields.size(); ++i) {
        const TRepositoryField &f = m_def->fields[i];
        if (!inserting && i == 0)
            continue;
        columns << f.name;
        values << sqlValue(f, m_buffer[i]);
        if (f.folded) {
            columns << RepositorySchema::FoldColumn(f.name);
            values << RepositorySchema::Fold(m_buffer[i].toString(), f.size);
        }
    }
    QString sql;
    if (inserting) {
        QStringList marks;
        for (qsizetype i = 0; i < columns.size(); ++i)
            marks << QStringLiteral("?");
        sql = QStringLiteral("insert into ") + m_def->name + QStringLiteral(" (") + columns.join(QStringLiteral(", "))
              + QStringLiteral(") values (") + marks.join(QStringLiteral(", ")) + QLatin1Char(')');
    } else {
        sql = QStringLiteral("update ") + m_def->name + QStringLiteral(" set ") + columns.join(QStringLiteral(" = ?, "))
              + QStringLiteral(" = ? where Kulcs = ?");
        values << qlonglong(m_current);
    }
    TStatementUse q(m_dm->statement(sql));
    for (qsizetype i = 0; i < values.size(); ++i)
        q->bindValue(int(i), values[i]);
    execPrepared(*q);
    if (inserting && isNullValue(m_buffer[0]))
        m_buffer[0] = QVariant(q->lastInsertId().toLongLong());
}

void TRepositoryTable::propagateEdit()
{
    const TRepositoryField *name = m_def->field(QStringLiteral("Name"));
    QSqlQuery q(m_dm->database());
    // The fold column follows the name, as on every write of the module.
    prepare(q, QStringLiteral("update parameters set name = :name, NameFold = :NameFold, kommentar = :kommentar "
                              "where DupliCheck = :DupliCheck and name <> :name"));
    q.bindValue(QStringLiteral(":name"), sqlValue(*name, FieldValue(QStringLiteral("Name"))));
    q.bindValue(QStringLiteral(":NameFold"), RepositorySchema::Fold(AsString(QStringLiteral("Name")), name->size));
    q.bindValue(QStringLiteral(":kommentar"), FieldValue(QStringLiteral("Kommentar")));
    q.bindValue(QStringLiteral(":DupliCheck"), FieldValue(QStringLiteral("DupliCheck")));
    execPrepared(q);
}

void TRepositoryTable::Post()
{
    requireActive();
    if (m_state != TState::Edit && m_state != TState::Insert)
        notEditing();
    const bool inserting = m_state == TState::Insert;
    // Noted before the post: an edited (not inserted) parameter outside an
    // import reaches its duplicates.
    const bool propagate = !inserting && isParameters(*m_def) && !m_dm->Importing();
    {
        TRepositoryTransaction tx(*m_dm);
        writeBuffer(inserting);
        if (propagate)
            propagateEdit();
        tx.Commit();
    }
    const qint64 key = inserting ? m_buffer[0].toLongLong() : m_current;
    m_buffer.clear();
    m_state = TState::Browse;
    invalidateKeys();
    setCurrent(key);
    if (!m_hasCurrent)
        goFirst();
    emit StateChanged();
    emit RowsChanged();
    m_dm->tablesChanged({m_def->name}, this);
}

void TRepositoryTable::Cancel()
{
    if (m_state != TState::Edit && m_state != TState::Insert)
        return;
    m_buffer.clear();
    m_state = TState::Browse;
    emit StateChanged();
    notifyCurrent();
}

void TRepositoryTable::dropBuffer()
{
    if (m_state == TState::Edit || m_state == TState::Insert)
        m_state = TState::Browse;
    m_buffer.clear();
}

void TRepositoryTable::CheckBrowseMode()
{
    if (m_state == TState::Edit || m_state == TState::Insert)
        Post();
}

void TRepositoryTable::deleteRowsBelow(qint64 key)
{
    QStringList statements;
    const QString &name = m_def->name;
    if (name == QLatin1String("Interfaces")) {
        statements << QStringLiteral("delete from Parameters where UpPointer in (select c.Kulcs from InputsOutputs c "
                                     "join Operations b on c.UpPointer = b.Kulcs where b.UpPointer = :Kulcs)")
                   << QStringLiteral("delete from InputsOutputs where UpPointer in "
                                     "(select Kulcs from Operations where UpPointer = :Kulcs)")
                   << QStringLiteral("delete from Operations where UpPointer = :Kulcs");
    } else if (name == QLatin1String("Operations")) {
        statements << QStringLiteral("delete from Parameters where UpPointer in "
                                     "(select Kulcs from InputsOutputs where UpPointer = :Kulcs)")
                   << QStringLiteral("delete from InputsOutputs where UpPointer = :Kulcs");
    } else if (name == QLatin1String("InputsOutputs")) {
        statements << QStringLiteral("delete from Parameters where UpPointer = :Kulcs");
    }
    for (const QString &sql : std::as_const(statements)) {
        QSqlQuery q(m_dm->database());
        prepare(q, sql);
        q.bindValue(QStringLiteral(":Kulcs"), qlonglong(key));
        execPrepared(q);
    }
}

void TRepositoryTable::Delete()
{
    requireActive();
    if (m_state == TState::Insert) {
        Cancel();
        return;
    }
    if (m_state == TState::Edit)
        Cancel();
    if (!m_hasCurrent)
        throw EDatabaseError(QStringLiteral("Cannot perform this operation on an empty dataset"));
    ensurePos();
    const int pos = std::max(m_pos, 0);
    {
        TRepositoryTransaction tx(*m_dm);
        deleteRowsBelow(m_current);
        QSqlQuery q(m_dm->database());
        prepare(q, QStringLiteral("delete from ") + m_def->name + QStringLiteral(" where Kulcs = :Kulcs"));
        q.bindValue(QStringLiteral(":Kulcs"), qlonglong(m_current));
        execPrepared(q);
        tx.Commit();
    }
    invalidateKeys();
    ensureKeys();
    if (m_keys.empty())
        setNone();
    else
        setCurrentAt(std::min(pos, int(m_keys.size()) - 1));
    m_eof = !m_hasCurrent;
    m_bof = !m_hasCurrent;
    emit RowsChanged();
    QStringList affected{m_def->name};
    if (m_def->name == QLatin1String("Interfaces"))
        affected << QStringLiteral("Operations") << QStringLiteral("InputsOutputs") << QStringLiteral("Parameters");
    else if (m_def->name == QLatin1String("Operations"))
        affected << QStringLiteral("InputsOutputs") << QStringLiteral("Parameters");
    else if (m_def->name == QLatin1String("InputsOutputs"))
        affected << QStringLiteral("Parameters");
    m_dm->tablesChanged(affected, this);
}

void TRepositoryTable::resync()
{
    if (!Active())
        return;
    m_masterKey = (m_master && m_master->Active()) ? m_master->effectiveKey() : std::optional<qint64>();
    invalidateKeys();
    std::vector<QVariant> row;
    if (m_hasCurrent && fetch(m_current, row)) {
        m_record = std::move(row);
        notifyCurrent();
    } else {
        goFirst();
    }
    emit StateChanged();
    emit RowsChanged();
}

QSqlQuery TRepositoryTable::SelectQuery() const
{
    requireActive();
    QSqlQuery q(m_dm->database());
    QString columns = columnList();
    if (isParameters(*m_def))
        columns += QStringLiteral(", ") + TDM::LevelGrafSql() + QStringLiteral(" as LevelGraf");
    const QString filter = filterClause();
    prepare(q, QStringLiteral("select ") + columns + QStringLiteral(" from ") + m_def->name
                   + (filter.isEmpty() ? QString() : QStringLiteral(" where ") + filter) + orderClause());
    bindFilter(q);
    execPrepared(q);
    return q;
}
