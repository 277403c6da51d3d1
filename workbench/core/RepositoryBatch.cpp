#include "RepositoryBatch.h"

#include "QuenbarDB.h"
#include "RepositorySql.h"

#include <algorithm>

using namespace RepositorySql;

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

// ":v0", ":v1", ...: the marks of the batch's statements, made once.
const QString &placeholder(int i)
{
    static const std::vector<QString> marks = [] {
        std::vector<QString> m;
        for (int k = 0; k < 32; ++k)
            m.push_back(QStringLiteral(":v%1").arg(k));
        return m;
    }();
    return marks.at(size_t(i));
}

// Values the driver writes alike: the same type and value, and for texts
// the same null-ness (a null text is written as null, an empty one as '').
bool sameBinding(const QVariant &a, const QVariant &b)
{
    if (a.metaType() != b.metaType())
        return false;
    if (a.metaType().id() == QMetaType::QString) {
        const QString &x = *static_cast<const QString *>(a.constData());
        const QString &y = *static_cast<const QString *>(b.constData());
        return x.isNull() == y.isNull() && x == y;
    }
    return a == b;
}

} // namespace

struct TRepositoryBatch::TStatement
{
    const TRepositoryTableDef *def = nullptr;
    QSqlQuery *query = nullptr; // kept by the module while the connection is open
    // The values bound last, by column: a statement keeps its bound values
    // from one run to the next, and binding is the dearest part of an
    // insert, so only the values that change are bound again.
    std::vector<QVariant> bound;
    bool primed = false; // bound holds this batch's values: an earlier one may have left others
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
    for (const TRepositoryField &f : st->def->fields) {
        columns << f.name;
        if (f.folded)
            columns << RepositorySchema::FoldColumn(f.name);
    }
    // Named marks: the driver binds a name without formatting a text for
    // each value as it does for a position. The statement is the batches'
    // own (the tables' inserts use positions), so what it holds bound is
    // known.
    QStringList marks;
    for (qsizetype i = 0; i < columns.size(); ++i)
        marks << placeholder(int(i));
    st->query = &m_dm.statement(QStringLiteral("insert into ") + st->def->name + QStringLiteral(" (")
                                + columns.join(QStringLiteral(", ")) + QStringLiteral(") values (")
                                + marks.join(QStringLiteral(", ")) + QLatin1Char(')'));
    st->bound.assign(size_t(columns.size()), QVariant());
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
    size_t column = 0;
    auto bind = [&st, &column](QVariant &&value) {
        QVariant &last = st.bound[column];
        if (!st.primed || !sameBinding(last, value)) {
            st.query->bindValue(placeholder(int(column)), value);
            last = std::move(value);
        }
        ++column;
    };
    for (size_t i = 0; i < st.def->fields.size(); ++i) {
        const TRepositoryField &f = st.def->fields[i];
        QVariant &v = values[i];
        if (f.kind == TRepositoryFieldKind::Text && !isNullValue(v))
            v = RepositorySchema::Truncated(v.toString(), f.size);
        bind(sqlValue(f, v));
        if (f.folded)
            bind(RepositorySchema::Fold(v.toString(), f.size));
    }
    st.primed = true;
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
            TStatementUse q(m_dm.statement(
                QStringLiteral("select Kulcs from XDuplis where QualifierNameFold = :v0 and OwnNameFold = :v1")));
            q->bindValue(placeholder(0), folded.first);
            q->bindValue(placeholder(1), folded.second);
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
