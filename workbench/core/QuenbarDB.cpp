#include "QuenbarDB.h"

#include "CodePage1250.h"
#include "DialogService.h"
#include "MyStatusBar.h"
#include "SharedRoutinesCommon.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QSet>
#include <QSqlError>
#include <QSqlField>

#include <algorithm>
#include <atomic>

namespace {

const QString kCrLf = QStringLiteral("\r\n");
const QString kLockSuffix = QStringLiteral(".lock");

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

QString quoted(const QString &identifier)
{
    return QLatin1Char('"') + identifier + QLatin1Char('"');
}

bool isNullValue(const QVariant &value)
{
    return !value.isValid() || value.isNull();
}

QVariant keyVariant(const std::optional<qint64> &key)
{
    return key ? QVariant(qlonglong(*key)) : QVariant();
}

void execPrepared(QSqlQuery &query)
{
    if (!query.exec())
        throw EDatabaseError(query.lastError().text());
}

void prepare(QSqlQuery &query, const QString &sql)
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

[[noreturn]] void fieldNotFound(const QString &field)
{
    throw EDatabaseError(QStringLiteral("Field '") + field + QStringLiteral("' not found"));
}

[[noreturn]] void notEditing()
{
    throw EDatabaseError(QStringLiteral("Dataset not in edit or insert mode"));
}

int fieldIndex(const TRepositoryTableDef &def, const QString &field)
{
    for (size_t i = 0; i < def.fields.size(); ++i)
        if (SameText(def.fields[i].name, field))
            return int(i);
    return -1;
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

// The value as the file stores it: booleans as 0 / 1.
QVariant sqlValue(const TRepositoryField &field, const QVariant &value)
{
    if (isNullValue(value))
        return QVariant();
    if (field.kind == TRepositoryFieldKind::Boolean)
        return QVariant(qlonglong(value.toBool() ? 1 : 0));
    return value;
}

bool isParameters(const TRepositoryTableDef &def)
{
    return def.name == QLatin1String("Parameters");
}

} // namespace

// ---- Table definitions -----------------------------------------------------

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

// ---- TRepositoryTable ------------------------------------------------------

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

// ---- Transactions ----------------------------------------------------------

TRepositoryTransaction::TRepositoryTransaction(TDM &dm)
    : m_dm(dm), m_level(dm.m_txDepth), m_generation(dm.m_generation)
{
    dm.beginTransaction();
}

TRepositoryTransaction::~TRepositoryTransaction()
{
    if (m_done)
        return;
    try {
        Rollback();
    } catch (...) {
        // Nothing can be reported from here; closing the connection rolls back too.
    }
}

void TRepositoryTransaction::Commit()
{
    if (m_done)
        return;
    m_done = true;
    if (m_generation != m_dm.m_generation)
        throw EDatabaseError(QStringLiteral("The repository was closed before the changes were saved"));
    m_dm.commitTransaction(m_level);
}

void TRepositoryTransaction::Rollback()
{
    if (m_done)
        return;
    m_done = true;
    if (m_generation == m_dm.m_generation && m_dm.Connected())
        m_dm.rollbackTransaction(m_level);
}

// ---- TRepositoryBatch ------------------------------------------------------

namespace {

// Positions of the tables in RepositorySchema::Tables().
enum TBatchTable { kParameters = 0, kInputsOutputs, kOperations, kInterfaces, kDuplis, kBatchTables };

QVariant keyOrNull(qint64 key)
{
    return key > 0 ? QVariant(qlonglong(key)) : QVariant();
}

} // namespace

struct TRepositoryBatch::TStatement
{
    const TRepositoryTableDef *def = nullptr;
    QSqlQuery *query = nullptr; // kept by the module while the connection is open
};

TRepositoryBatch::TRepositoryBatch(TDM &dm) : m_dm(dm), m_generation(dm.m_generation)
{
    if (!dm.Connected())
        throw EDatabaseError(QStringLiteral("The repository is not open"));
    if (dm.m_txDepth == 0)
        throw EDatabaseError(QStringLiteral("Bulk writes need a repository transaction"));
    const std::vector<TRepositoryTableDef> &tables = RepositorySchema::Tables();
    Q_ASSERT(tables.size() == kBatchTables && tables[kParameters].name == QLatin1String("Parameters")
             && tables[kDuplis].name == QLatin1String("XDuplis"));
    // Pending rows of the tables are stored first, as any insert would.
    for (TRepositoryTable *t : dm.m_allTables)
        if (t->Active())
            t->CheckBrowseMode();
    m_statements.resize(tables.size());
    m_nextKey.reserve(tables.size());
    for (const TRepositoryTableDef &t : tables)
        m_nextKey.push_back(dm.nextKey(t.name));
    auto current = [](TRepositoryTable &t) { return t.Active() ? t.Kulcs() : 0; };
    m_interface = current(dm.TableInterfaces());
    m_operation = current(dm.TableOperations());
    m_inputOutput = current(dm.TableInputsOutputs());
    m_parameter = current(dm.TableParameters());
    m_group = current(dm.TableDuplis());
}

TRepositoryBatch::~TRepositoryBatch() = default;

TRepositoryBatch::TStatement &TRepositoryBatch::statement(int table)
{
    std::unique_ptr<TStatement> &st = m_statements[size_t(table)];
    if (st)
        return *st;
    st = std::make_unique<TStatement>();
    st->def = &RepositorySchema::Tables()[size_t(table)];
    QStringList columns;
    QStringList marks;
    for (const TRepositoryField &f : st->def->fields) {
        columns << f.name;
        marks << QStringLiteral("?");
        if (f.folded) {
            columns << RepositorySchema::FoldColumn(f.name);
            marks << QStringLiteral("?");
        }
    }
    st->query = &m_dm.statement(QStringLiteral("insert into ") + st->def->name + QStringLiteral(" (")
                                + columns.join(QStringLiteral(", ")) + QStringLiteral(") values (")
                                + marks.join(QStringLiteral(", ")) + QLatin1Char(')'));
    return *st;
}

// values holds one value per field, "Kulcs" excepted: the key is assigned here.
qint64 TRepositoryBatch::insert(int table, std::vector<QVariant> &values)
{
    if (m_generation != m_dm.m_generation || !m_dm.Connected())
        throw EDatabaseError(QStringLiteral("The repository was closed before the changes were saved"));
    TStatement &st = statement(table);
    const qint64 key = m_nextKey[size_t(table)];
    values[0] = QVariant(qlonglong(key));
    int column = 0;
    for (size_t i = 0; i < st.def->fields.size(); ++i) {
        const TRepositoryField &f = st.def->fields[i];
        QVariant &v = values[i];
        if (f.kind == TRepositoryFieldKind::Text && !isNullValue(v))
            v = RepositorySchema::Truncated(v.toString(), f.size);
        st.query->bindValue(column++, sqlValue(f, v));
        if (f.folded)
            st.query->bindValue(column++, RepositorySchema::Fold(v.toString(), f.size));
    }
    TStatementUse use(*st.query);
    execPrepared(*st.query);
    ++m_nextKey[size_t(table)];
    // A rollback of the enclosing transaction makes the tables read again.
    m_dm.m_txDirty = true;
    return key;
}

qint64 TRepositoryBatch::AddInterface(const QString &csvName, const QString &name, const QString &definitionsName)
{
    // Kulcs, InterfacesKulcs (not set), CSVName, DefinitionsName, Name, Kommentar
    std::vector<QVariant> v{QVariant(), QVariant(), csvName, definitionsName, name, QVariant()};
    m_interface = insert(kInterfaces, v);
    m_operation = m_inputOutput = m_parameter = 0;
    return m_interface;
}

qint64 TRepositoryBatch::AddOperation(const QString &name)
{
    // Kulcs, InterfacesKulcs, OperationsKulcs, UpPointer, Name, Kommentar
    std::vector<QVariant> v{QVariant(), keyOrNull(m_interface), QVariant(), keyOrNull(m_interface), name, QVariant()};
    const qint64 key = m_nextKey[kOperations];
    v[2] = qlonglong(key);
    m_operation = insert(kOperations, v);
    m_inputOutput = m_parameter = 0;
    return m_operation;
}

qint64 TRepositoryBatch::AddInputOutput(const QString &typeX, const QString &name)
{
    // Kulcs, InterfacesKulcs, OperationsKulcs, InputsOutputsKulcs, UpPointer, Name, TypeX, Kommentar
    std::vector<QVariant> v{QVariant(),       keyOrNull(m_interface), keyOrNull(m_operation), QVariant(),
                            keyOrNull(m_operation), name,           typeX,                  QVariant()};
    v[3] = qlonglong(m_nextKey[kInputsOutputs]);
    m_inputOutput = insert(kInputsOutputs, v);
    m_parameter = 0;
    return m_inputOutput;
}

qint64 TRepositoryBatch::AddParameter(const TParameterRow &row)
{
    // Kulcs, InterfacesKulcs, OperationsKulcs, InputsOutputsKulcs, ParametersKulcs, UpPointer, LevelX,
    // DupliCheck, TypeX, XS_Type, SequenceType, XS_Array, Name, Kommentar
    std::vector<QVariant> v{QVariant(),
                            keyOrNull(m_interface),
                            keyOrNull(m_operation),
                            keyOrNull(m_inputOutput),
                            qlonglong(m_nextKey[kParameters]),
                            keyOrNull(m_inputOutput),
                            qlonglong(row.levelX),
                            keyOrNull(row.dupliCheck),
                            row.typeX,
                            row.xsType,
                            row.sequenceType.isEmpty() ? QVariant() : QVariant(row.sequenceType),
                            row.xsArray,
                            row.name,
                            QVariant()};
    m_parameter = insert(kParameters, v);
    ++m_parameterRows;
    return m_parameter;
}

qint64 TRepositoryBatch::DuplicateKey(const TParameterRow &row, QString &qualifier)
{
    const TRepositoryTableDef &params = RepositorySchema::Tables()[kParameters];
    const TRepositoryTableDef &duplis = RepositorySchema::Tables()[kDuplis];
    // The values the row holds once stored, as TDM::DuplicateKey reads them.
    const QString name = RepositorySchema::Truncated(row.name, params.field(QStringLiteral("Name"))->size);
    const QString owner = row.xsType ? qualifier : QString();
    const int size = duplis.field(QStringLiteral("OwnName"))->size;
    const std::pair<QString, QString> folded{RepositorySchema::Fold(owner, size), RepositorySchema::Fold(name, size)};

    qint64 group = m_groups.value(folded, 0);
    if (group == 0) {
        {
            TStatementUse q(
                m_dm.statement(QStringLiteral("select Kulcs from XDuplis where QualifierNameFold = ? and OwnNameFold = ?")));
            q->bindValue(0, folded.first);
            q->bindValue(1, folded.second);
            execPrepared(*q);
            if (q->next())
                group = q->value(0).toLongLong();
        }
        if (group == 0) {
            // Kulcs, QualifierName, OwnName
            std::vector<QVariant> v{QVariant(), owner, name};
            group = insert(kDuplis, v);
        }
        m_groups.insert(folded, group);
    }
    m_group = group;
    if (!row.xsType)
        qualifier = RepositorySchema::Truncated(row.typeX, params.field(QStringLiteral("TypeX"))->size);
    return group;
}

void TRepositoryBatch::Finish()
{
    if (m_generation != m_dm.m_generation || !m_dm.Connected())
        return;
    TRepositoryTable *const chain[] = {&m_dm.TableInterfaces(), &m_dm.TableOperations(), &m_dm.TableInputsOutputs(),
                                       &m_dm.TableParameters(), &m_dm.TableDuplis()};
    const qint64 keys[] = {m_interface, m_operation, m_inputOutput, m_parameter, m_group};
    // Other tables over the repository read their rows again; the module's
    // chain goes straight to the rows added last, masters first.
    const std::vector<TRepositoryTable *> tables = m_dm.m_allTables;
    for (TRepositoryTable *t : tables)
        if (std::find(std::begin(chain), std::end(chain), t) == std::end(chain))
            t->resync();
    for (size_t i = 0; i < std::size(chain); ++i) {
        TRepositoryTable *t = chain[i];
        if (!t->Active())
            continue;
        if (t->m_master)
            t->m_masterKey = t->m_master->Active() ? t->m_master->effectiveKey() : std::optional<qint64>();
        t->invalidateKeys();
        if (keys[i] > 0) {
            // The details are positioned next: they need not go to their
            // first rows on the way.
            t->m_notifiedKey = keys[i];
            t->setCurrent(keys[i]);
        }
        if (!t->HasCurrent())
            t->goFirst();
        emit t->RowsChanged();
    }
}

// ---- TDM -------------------------------------------------------------------

TDM::TDM(QObject *parent) : QObject(parent)
{
    static std::atomic<int> counter{0};
    m_connectionName = QStringLiteral("QuenbarDM_") + QString::number(++counter);
    QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_connectionName);
    using O = TRepositoryTable::TOrder;
    m_interfaces = std::make_unique<TRepositoryTable>(*this, QStringLiteral("Interfaces"), nullptr, O::Name);
    m_operations = std::make_unique<TRepositoryTable>(*this, QStringLiteral("Operations"), m_interfaces.get(), O::Kulcs);
    m_inputsOutputs =
        std::make_unique<TRepositoryTable>(*this, QStringLiteral("InputsOutputs"), m_operations.get(), O::Kulcs);
    m_parameters =
        std::make_unique<TRepositoryTable>(*this, QStringLiteral("Parameters"), m_inputsOutputs.get(), O::Kulcs);
    m_duplis = std::make_unique<TRepositoryTable>(*this, QStringLiteral("XDuplis"), nullptr, O::Duplis);
}

TDM::~TDM()
{
    try {
        CloseRepository();
    } catch (...) {
        // The connection is gone either way.
    }
    m_duplis.reset();
    m_parameters.reset();
    m_inputsOutputs.reset();
    m_operations.reset();
    m_interfaces.reset();
    for (TRepositoryTable *t : m_allTables)
        t->m_dm = nullptr;
    m_allTables.clear();
    QSqlDatabase::removeDatabase(m_connectionName);
}

void TDM::SetStatusBar(TMyStatusBar *bar)
{
    m_bar = bar;
}

TMyStatusBar *TDM::StatusBar() const
{
    return m_bar.data();
}

QSqlDatabase TDM::database() const
{
    return QSqlDatabase::database(m_connectionName, false);
}

bool TDM::Connected() const
{
    return database().isOpen();
}

QString TDM::DatabaseFile() const
{
    return m_folder.isEmpty() ? QString() : QDir(m_folder).filePath(DatabaseFileName());
}

QSqlQuery TDM::QWork() const
{
    return QSqlQuery(database());
}

QSqlQuery TDM::QCrossref() const
{
    return QSqlQuery(database());
}

TRepositoryTable *TDM::TableByName(const QString &tableName)
{
    for (TRepositoryTable *t : {m_interfaces.get(), m_operations.get(), m_inputsOutputs.get(), m_parameters.get(),
                                m_duplis.get()})
        if (SameText(t->TableName(), tableName))
            return t;
    return nullptr;
}

QString TDM::LevelGraf(qint64 levelX, const QString &name)
{
    const QString blanks = levelX > 0 ? QString(qsizetype(5 * levelX), QLatin1Char(' ')) : QString();
    return (blanks + QString::asprintf("%2.2lld", static_cast<long long>(levelX)) + QStringLiteral("  ") + name)
        .left(255);
}

QString TDM::LevelGrafSql(const QString &prefix)
{
    const QString level = QStringLiteral("ifnull(") + prefix + QStringLiteral("LevelX, 0)");
    return QStringLiteral("substr(printf('%*s%.2d  %s', max(0, 5 * ") + level + QStringLiteral("), '', ") + level
           + QStringLiteral(", ifnull(") + prefix + QStringLiteral("Name, '')), 1, 255)");
}

void TDM::reportDatabaseError(const QString &message)
{
    if (m_bar)
        m_bar->AddErrorAndAbort(message);
    throw EDatabaseError(message);
}

QString TDM::inUseMessage(const QString &folder, QLockFile &lock) const
{
    qint64 pid = 0;
    QString host;
    QString application;
    lock.getLockInfo(&pid, &host, &application);
    return QStringLiteral("Repository ") + folder + QStringLiteral(" is in use by another program (process ")
           + QString::number(pid) + QLatin1Char(')');
}

QSqlQuery TDM::exec(const QString &sql) const
{
    QSqlQuery q(database());
    q.setForwardOnly(true);
    if (!q.exec(sql))
        throw EDatabaseError(q.lastError().text());
    return q;
}

qint64 TDM::nextKey(const QString &tableName) const
{
    TStatementUse q(statement(QStringLiteral("select max(Kulcs) + 1 as Kulcs from %1 ").arg(tableName)));
    execPrepared(*q);
    if (q->next() && !q->isNull(0))
        return q->value(0).toLongLong();
    return 1;
}

QSqlQuery &TDM::statement(const QString &sql) const
{
    auto it = m_statements.find(sql);
    if (it == m_statements.end()) {
        auto query = std::make_shared<QSqlQuery>(database());
        query->setForwardOnly(true);
        prepare(*query, sql);
        it = m_statements.insert(sql, query);
    }
    return **it;
}

bool TDM::tableExists(const QString &tableName) const
{
    TStatementUse q(statement(QStringLiteral("select count(*) from sqlite_master where type = 'table' and name = ? collate nocase")));
    q->bindValue(0, tableName);
    execPrepared(*q);
    return q->next() && q->value(0).toInt() > 0;
}

bool TDM::IsOpenUnchanged(const QString &folder) const
{
    if (!Connected() || m_folder.isEmpty() || !sameFolder(folder, m_folder) || m_dataVersion < 0)
        return false;
    for (const TRepositoryTable *t : {m_interfaces.get(), m_operations.get(), m_inputsOutputs.get(), m_parameters.get(),
                                      m_duplis.get()})
        if (t->State() != TRepositoryTable::TState::Browse)
            return false;
    for (const TRepositoryTable *t : m_allTables)
        if (t->State() == TRepositoryTable::TState::Edit || t->State() == TRepositoryTable::TState::Insert)
            return false;
    try {
        return dataVersion() == m_dataVersion;
    } catch (const EDatabaseError &) {
        return false;
    }
}

bool TDM::sameFolder(const QString &a, const QString &b) const
{
    const QString ca = QFileInfo(a).canonicalFilePath();
    const QString cb = QFileInfo(b).canonicalFilePath();
    if (!ca.isEmpty() && !cb.isEmpty())
        return ca == cb;
    return QDir::cleanPath(QFileInfo(a).absoluteFilePath()) == QDir::cleanPath(QFileInfo(b).absoluteFilePath());
}

bool TDM::OpenRepository(const QString &folder, bool reset)
{
    CloseRepository();
    const QString dir = QDir::cleanPath(folder);
    if (folder.isEmpty() || !QDir().mkpath(dir))
        reportDatabaseError(QStringLiteral("Error in Table Creation") + kCrLf + QStringLiteral("Cannot create directory ")
                            + folder);

    // Held while the connection is open: a second program on the same
    // repository gets a clear error instead of a share of the file.
    const QString lockPath = QDir(dir).filePath(DatabaseFileName() + kLockSuffix);
    auto lock = std::make_unique<QLockFile>(lockPath);
    lock->setStaleLockTime(0); // only a lock of a process that is gone is stale
    if (!lock->tryLock(0)) {
        if (lock->error() == QLockFile::LockFailedError)
            reportDatabaseError(inUseMessage(folder, *lock));
        reportDatabaseError(QStringLiteral("Error in Table Creation") + kCrLf + QStringLiteral("Cannot create lock file ")
                            + lockPath);
    }
    if (reset)
        resetFiles(dir, lockPath);

    m_folder = dir;
    try {
        const QString file = DatabaseFile();
        const QByteArray stamp = fileStamp(file);
        m_fileAsLeft = !stamp.isEmpty() && stamp == m_leftStamp
                         && QFileInfo(file).canonicalFilePath() == m_leftFile;
        openConnection(file);
        createTables();
        applyJournalMode(m_bulkWrites); // also takes back a log a crash left
        openTables();
        m_fileAsLeft = false;
        m_dataVersion = dataVersion();
    } catch (const EDatabaseError &e) {
        closeTables();
        closeConnection();
        m_folder.clear();
        reportDatabaseError(QStringLiteral("Error in Table Creation") + kCrLf + e.message());
    }
    m_lock = std::move(lock);
    return true;
}

void TDM::openConnection(const QString &file)
{
    QSqlDatabase db = database();
    if (!db.isValid()) {
        const QString driverError = db.lastError().text();
        throw EDatabaseError(driverError.isEmpty() ? QStringLiteral("The SQLite driver QSQLITE is not available")
                                                   : driverError);
    }
    db.setDatabaseName(file);
    if (!db.open())
        throw EDatabaseError(db.lastError().text());
}

void TDM::createTables()
{
    // The first read fails on a file that is no database, before anything is written.
    qint64 applicationId = 0;
    {
        QSqlQuery q = exec(QStringLiteral("PRAGMA application_id"));
        if (q.next())
            applicationId = q.value(0).toLongLong();
    }
    // Unchanged since the module checked it and closed it: tables, indexes
    // and folds are as it left them.
    if (m_fileAsLeft && applicationId == ApplicationId)
        return;
    QStringList existing;
    {
        QSqlQuery q = exec(QStringLiteral("select name from sqlite_master where type = 'table'"));
        while (q.next()) {
            const QString name = q.value(0).toString();
            if (!name.startsWith(QLatin1String("sqlite_"), Qt::CaseInsensitive))
                existing << name;
        }
    }
    int ours = 0;
    for (const QString &name : std::as_const(existing))
        if (RepositorySchema::Find(name))
            ++ours;
    // Another program's database under this name is left alone.
    if ((applicationId != 0 && applicationId != ApplicationId) || (applicationId == 0 && !existing.isEmpty() && ours == 0))
        throw EDatabaseError(QStringLiteral("File ") + DatabaseFile()
                             + QStringLiteral(" is not an interface repository"));

    TRepositoryTransaction tx(*this);
    for (const TRepositoryTableDef &table : RepositorySchema::Tables()) {
        const bool present = tableExists(table.name);
        if (present) {
            QSet<QString> columns;
            QSqlQuery q = exec(QStringLiteral("PRAGMA table_info(") + quoted(table.name) + QLatin1Char(')'));
            while (q.next())
                columns.insert(q.value(1).toString().toUpper());
            for (const TRepositoryField &f : table.fields) {
                QStringList needed{f.name};
                if (f.folded)
                    needed << RepositorySchema::FoldColumn(f.name);
                for (const QString &c : needed)
                    if (!columns.contains(c.toUpper()))
                        throw EDatabaseError(QStringLiteral("Table ") + table.name + QStringLiteral(" has no field ") + c);
            }
        }
        const QStringList statements = RepositorySchema::CreateStatements(table);
        for (qsizetype i = present ? 1 : 0; i < statements.size(); ++i)
            exec(statements[i]); // a missing index is made again
        if (present)
            resyncFolds(table);
    }
    if (applicationId != ApplicationId)
        exec(QStringLiteral("PRAGMA application_id = %1").arg(ApplicationId));
    tx.Commit();
}

// Rows written by other tools may carry a stale fold; lookups rely on it.
void TDM::resyncFolds(const TRepositoryTableDef &table)
{
    std::vector<const TRepositoryField *> folded;
    for (const TRepositoryField &f : table.fields)
        if (f.folded)
            folded.push_back(&f);
    if (folded.empty())
        return;
    QStringList columns{QStringLiteral("Kulcs")};
    QStringList assignments;
    for (const TRepositoryField *f : folded) {
        columns << f->name << RepositorySchema::FoldColumn(f->name);
        assignments << RepositorySchema::FoldColumn(f->name) + QStringLiteral(" = ?");
    }
    std::vector<QVariantList> updates;
    {
        QSqlQuery q = exec(QStringLiteral("select ") + columns.join(QStringLiteral(", ")) + QStringLiteral(" from ")
                           + table.name);
        while (q.next()) {
            QVariantList folds;
            bool stale = false;
            for (size_t i = 0; i < folded.size(); ++i) {
                const QString fold = RepositorySchema::Fold(q.value(int(1 + 2 * i)).toString(), folded[i]->size);
                stale = stale || q.isNull(int(2 + 2 * i)) || q.value(int(2 + 2 * i)).toString() != fold;
                folds << fold;
            }
            if (stale) {
                folds << q.value(0);
                updates.push_back(folds);
            }
        }
    }
    for (const QVariantList &values : updates) {
        QSqlQuery u(database());
        prepare(u, QStringLiteral("update ") + table.name + QStringLiteral(" set ")
                       + assignments.join(QStringLiteral(", ")) + QStringLiteral(" where Kulcs = ?"));
        for (const QVariant &v : values)
            u.addBindValue(v);
        execPrepared(u);
    }
}

QByteArray TDM::fileStamp(const QString &file)
{
    QFile f(file);
    if (!f.open(QIODevice::ReadOnly))
        return QByteArray();
    const QByteArray header = f.read(100);
    f.close();
    if (header.size() < 100 || !header.startsWith("SQLite format 3"))
        return QByteArray();
    // Only with the rollback journal does every commit count in the header;
    // a journal left behind is a commit that did not finish.
    if (header[18] != 1 || header[19] != 1 || QFileInfo::exists(file + QStringLiteral("-journal"))
        || QFileInfo::exists(file + QStringLiteral("-wal")))
        return QByteArray();
    const QFileInfo info(file);
    // Change counter, page count, the counter the version belongs to.
    return header.mid(24, 8) + header.mid(92, 4) + ':' + QByteArray::number(info.size()) + ':'
           + QByteArray::number(info.lastModified().toMSecsSinceEpoch());
}

void TDM::SetBulkWrites(bool on)
{
    m_bulkWrites = on;
    if (!Connected() || m_txDepth > 0 || m_walActive == on)
        return; // the next open or close applies it
    try {
        applyJournalMode(on);
    } catch (const EDatabaseError &) {
        // A reader still busy keeps the mode; every commit stays atomic and
        // the close takes the log back.
    }
}

void TDM::applyJournalMode(bool bulk)
{
    // Switching needs no transaction open; the way back checkpoints the log
    // into the file, synced, and removes it. A switch SQLite declines
    // answers with the mode kept.
    const auto journalMode = [this](const QString &sql) {
        QSqlQuery q = exec(sql);
        return q.next() ? q.value(0).toString().toLower() : QString();
    };
    const QString wal = QStringLiteral("wal");
    QString mode = journalMode(QStringLiteral("PRAGMA journal_mode"));
    if (bulk) {
        if (mode != wal)
            mode = journalMode(QStringLiteral("PRAGMA journal_mode = WAL"));
        if (mode == wal) {
            exec(QStringLiteral("PRAGMA synchronous = NORMAL"));
            exec(QStringLiteral("PRAGMA wal_autocheckpoint = 10000"));
        }
    } else {
        exec(QStringLiteral("PRAGMA synchronous = FULL")); // first: it never fails
        if (mode == wal)
            mode = journalMode(QStringLiteral("PRAGMA journal_mode = DELETE"));
    }
    m_walActive = mode == wal;
}

qint64 TDM::dataVersion() const
{
    QSqlQuery q = exec(QStringLiteral("PRAGMA data_version"));
    return q.next() ? q.value(0).toLongLong() : -1;
}

void TDM::closeConnection()
{
    QSqlDatabase db = database();
    QString file;
    bool asLeft = false;
    // The kept statements go first: they would hold the file against the
    // switch of its journal and against the close.
    m_statements.clear();
    if (db.isOpen()) {
        file = db.databaseName();
        // Schema and folds are kept by every write of the module; another
        // connection's commit meanwhile may have changed them.
        try {
            if (m_walActive && m_txDepth == 0)
                applyJournalMode(false); // the file is left with its rollback journal
            asLeft = m_dataVersion >= 0 && dataVersion() == m_dataVersion;
        } catch (const EDatabaseError &) {
            asLeft = false;
        }
        db.close(); // an open transaction is rolled back by SQLite
    }
    m_leftStamp = asLeft ? fileStamp(file) : QByteArray();
    m_leftFile = asLeft ? QFileInfo(file).canonicalFilePath() : QString();
    m_fileAsLeft = false;
    m_dataVersion = -1;
    m_txDepth = 0;
    m_txDirty = false;
    m_walActive = false;
    ++m_generation;
}

void TDM::CloseRepository()
{
    closeTables();
    closeConnection();
    m_lock.reset(); // unlocks and removes the lock file
    m_folder.clear();
}

void TDM::closeTables()
{
    // Pending edits are discarded, not posted: details close first so that
    // closing a master never makes them post.
    for (TRepositoryTable *t : m_allTables)
        t->dropBuffer();
    for (auto it = m_allTables.rbegin(); it != m_allTables.rend(); ++it)
        (*it)->Close();
}

void TDM::openTables()
{
    for (TRepositoryTable *t : {m_interfaces.get(), m_operations.get(), m_inputsOutputs.get(), m_parameters.get(),
                                m_duplis.get()})
        t->Open();
}

void TDM::tablesChanged(const QStringList &tableNames, TRepositoryTable *except)
{
    const std::vector<TRepositoryTable *> tables = m_allTables;
    for (TRepositoryTable *t : tables)
        if (t != except && t->Active() && tableNames.contains(t->TableName()))
            t->Refresh();
}

void TDM::ResetRepositoryFiles(const QString &folder)
{
    if (Connected() && sameFolder(folder, m_folder))
        CloseRepository();
    const QString dir = QDir::cleanPath(folder);
    if (folder.isEmpty() || !QDir(dir).exists())
        return;
    const QString lockPath = QDir(dir).filePath(DatabaseFileName() + kLockSuffix);
    QLockFile lock(lockPath);
    lock.setStaleLockTime(0);
    if (!lock.tryLock(0)) {
        if (lock.error() == QLockFile::LockFailedError)
            reportDatabaseError(inUseMessage(folder, lock));
        reportDatabaseError(QStringLiteral("Cannot create lock file ") + lockPath);
    }
    resetFiles(dir, lockPath);
}

void TDM::resetFiles(const QString &folder, const QString &keepFile)
{
    QStringList dbFiles;
    FindFilesByExtension(folder, QString(), QStringLiteral(".db"), dbFiles);
    QStringList bases;
    for (const QString &f : std::as_const(dbFiles))
        bases << QFileInfo(f).completeBaseName();
    std::sort(bases.begin(), bases.end(),
              [](const QString &a, const QString &b) { return CodePage1250::compareText(a, b) < 0; });
    bases.erase(std::unique(bases.begin(), bases.end(),
                            [](const QString &a, const QString &b) { return CodePage1250::sameText(a, b); }),
                bases.end());

    const bool hasRepository = std::any_of(bases.cbegin(), bases.cend(), [](const QString &b) {
        return CodePage1250::sameText(b, QStringLiteral("Interfaces"));
    });
    if (!bases.isEmpty() && !hasRepository) {
        // Other programs' files: No is the answer when nobody can be asked.
        const QString question = QStringLiteral("There is no Interfaces.DB in ") + folder + kCrLf
                                 + QStringLiteral("still want to overwrite?");
        if (Dialogs::message(TMsgDlgType::Warning, question, mbYesNo, mbNo) != mbYes)
            throw EDatabaseError(QStringLiteral("Invalid database directory ") + folder);
    }

    const QString keep = QFileInfo(keepFile).absoluteFilePath();
    for (const QString &base : std::as_const(bases)) {
        QStringList files;
        FindFilesByMask(folder, QString(), base + QLatin1Char('*'), files, QStringLiteral("*.*"));
        for (const QString &file : std::as_const(files)) {
            if (QFileInfo(file).absoluteFilePath() == keep || !QFileInfo::exists(file))
                continue;
            if (!QFile::remove(file)) {
                const QString message = QStringLiteral("Unable to delete file - ") + file;
                if (m_bar)
                    m_bar->ShowError(message, false);
                throw EFileError(message);
            }
        }
    }
}

void TDM::DeleteInterfaceByCSVName(const QString &csvName)
{
    if (!Connected() || !tableExists(QStringLiteral("Interfaces")))
        return;
    for (TRepositoryTable *t : m_allTables)
        if (t->Active())
            t->CheckBrowseMode();
    // Names are stored cut to the field size, so the lookup is cut too.
    const TRepositoryField *csvField = RepositorySchema::Find(QStringLiteral("Interfaces"))->field(QStringLiteral("CSVName"));
    std::vector<qint64> keys;
    {
        TStatementUse q(statement(QStringLiteral("select Kulcs from Interfaces where CSVName = :CSVName ")));
        q->bindValue(QStringLiteral(":CSVName"), RepositorySchema::Truncated(csvName, csvField->size));
        execPrepared(*q);
        while (q->next())
            if (!q->isNull(0))
                keys.push_back(q->value(0).toLongLong());
    }
    // Nothing to delete (a first import): the tables stay as they are.
    if (keys.empty())
        return;
    std::vector<TRepositoryTable *> wasActive;
    for (TRepositoryTable *t : m_allTables)
        if (t->Active())
            wasActive.push_back(t);
    closeTables();
    auto reopen = [&] {
        for (TRepositoryTable *t : wasActive)
            if (std::find(m_allTables.begin(), m_allTables.end(), t) != m_allTables.end())
                t->Open();
    };
    try {
        TRepositoryTransaction tx(*this);
        static const char *const statements[] = {
            "delete from Parameters where InterfacesKulcs = :InterfacesKulcs ",
            "delete from InputsOutputs where InterfacesKulcs = :InterfacesKulcs ",
            "delete from Operations where InterfacesKulcs = :InterfacesKulcs ",
            "delete from Interfaces where Kulcs = :InterfacesKulcs ",
        };
        for (const qint64 key : keys) {
            for (const char *sql : statements) {
                TStatementUse q(statement(QString::fromLatin1(sql)));
                q->bindValue(QStringLiteral(":InterfacesKulcs"), qlonglong(key));
                execPrepared(*q);
            }
        }
        tx.Commit();
    } catch (...) {
        try {
            reopen();
        } catch (...) {
            // The first failure is the one to report.
        }
        throw;
    }
    reopen();
}

qint64 TDM::DuplicateKey(QString &qualifier)
{
    if (!Connected())
        throw EDatabaseError(QStringLiteral("The repository is not open"));
    TRepositoryTable &params = TableParameters();
    TRepositoryTable &duplis = TableDuplis();
    const bool simpleType = params.AsBoolean(QStringLiteral("XS_Type"));
    const QString name = params.AsString(QStringLiteral("Name"));
    const QString owner = simpleType ? qualifier : QString();
    const int size = RepositorySchema::Find(QStringLiteral("XDuplis"))->field(QStringLiteral("OwnName"))->size;

    std::optional<qint64> group;
    {
        TStatementUse q(statement(QStringLiteral("select Kulcs from XDuplis where QualifierNameFold = ? and OwnNameFold = ?")));
        q->bindValue(0, RepositorySchema::Fold(owner, size));
        q->bindValue(1, RepositorySchema::Fold(name, size));
        execPrepared(*q);
        if (q->next())
            group = q->value(0).toLongLong();
    }
    if (group) {
        duplis.Locate(*group);
    } else {
        duplis.Insert({{QStringLiteral("QualifierName"), owner}, {QStringLiteral("OwnName"), name}});
        group = duplis.Kulcs();
    }
    if (!simpleType)
        qualifier = params.AsString(QStringLiteral("TypeX"));
    return *group;
}

void TDM::beginTransaction()
{
    if (!Connected())
        throw EDatabaseError(QStringLiteral("The repository is not open"));
    exec(m_txDepth == 0 ? QStringLiteral("BEGIN") : QStringLiteral("SAVEPOINT q") + QString::number(m_txDepth));
    ++m_txDepth;
}

void TDM::commitTransaction(int level)
{
    if (m_txDepth != level + 1)
        throw EDatabaseError(QStringLiteral("Repository transactions closed out of order"));
    if (level > 0) {
        exec(QStringLiteral("RELEASE q") + QString::number(level));
        m_txDepth = level;
        m_txDirty = true; // committed into the enclosing transaction only
        return;
    }
    QSqlQuery q(database());
    if (!q.exec(QStringLiteral("COMMIT"))) {
        const QString error = q.lastError().text();
        rollbackTransaction(0);
        throw EDatabaseError(error);
    }
    m_txDepth = 0;
    m_txDirty = false;
}

void TDM::rollbackTransaction(int level)
{
    if (m_txDepth < level + 1)
        return;
    if (level > 0) {
        QSqlQuery(database()).exec(QStringLiteral("ROLLBACK TO q") + QString::number(level));
        QSqlQuery(database()).exec(QStringLiteral("RELEASE q") + QString::number(level));
        m_txDepth = level;
        return;
    }
    QSqlQuery(database()).exec(QStringLiteral("ROLLBACK"));
    m_txDepth = 0;
    const bool dirty = m_txDirty;
    m_txDirty = false;
    if (dirty)
        resyncTables();
}

void TDM::resyncTables()
{
    // Rows posted inside the undone transaction are gone: pending rows built
    // on them are dropped, and every table reads its rows again.
    for (TRepositoryTable *t : m_allTables)
        t->dropBuffer();
    const std::vector<TRepositoryTable *> tables = m_allTables;
    for (TRepositoryTable *t : tables)
        t->resync();
}
