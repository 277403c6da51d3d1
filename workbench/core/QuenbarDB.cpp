#include "QuenbarDB.h"

#include "CodePage1250.h"
#include "Reporting.h"
#include "RepositorySql.h"
#include "SharedRoutinesCommon.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QSet>
#include <QSqlError>

#include <algorithm>
#include <atomic>

using namespace RepositorySql;

namespace {

const QString kCrLf = QStringLiteral("\r\n");
const QString kLockSuffix = QStringLiteral(".lock");

} // namespace

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

void TDM::SetReporter(IReporter *reporter)
{
    m_reporter = reporter;
}

IReporter *TDM::Reporter() const
{
    return m_reporter;
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
    if (m_reporter)
        m_reporter->AddErrorAndAbort(message);
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
        TConsoleReporter unattended;
        IReporter &asker = m_reporter ? *m_reporter : unattended;
        if (asker.Ask(TMsgDlgType::Warning, question, mbYesNo, mbNo) != mbYes)
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
                if (m_reporter)
                    m_reporter->ShowError(message, false);
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
