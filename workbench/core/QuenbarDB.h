#pragma once
// The interface repository: five tables in one SQLite file (folder +
// "/Interfaces.db"), the master-detail chain of their current rows
// (Interfaces -> Operations -> InputsOutputs -> Parameters), key assignment,
// the duplicate groups of "XDuplis" and the propagation of parameter edits.
//
// The file stays a plain SQLite database: no program-defined collation or
// function appears in its schema, so the sqlite3 shell reads and writes it.
// Case-insensitive lookups go through fold columns the module keeps itself
// (field name + "Fold", the code page 1250 upper case of the field) and
// indexes with SQLite's built-in collation.
//
// The table definitions, the table cursor and the transaction and bulk
// write helpers have files of their own; this header brings them all.

#include "RepositoryBatch.h"
#include "RepositorySchema.h"
#include "RepositoryTable.h"

#include <QByteArray>
#include <QHash>
#include <QObject>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QString>
#include <QStringList>

#include <memory>
#include <vector>

class IReporter;
class QLockFile;

class TDM : public QObject
{
    Q_OBJECT
public:
    // Nothing is opened until a folder is given.
    explicit TDM(QObject *parent = nullptr);
    ~TDM() override;
    TDM(const TDM &) = delete;
    TDM &operator=(const TDM &) = delete;

    static QString DatabaseFileName() { return QStringLiteral("Interfaces.db"); }
    // The value the file's header carries ("PRAGMA application_id").
    static constexpr qint32 ApplicationId = 0x51524550;

    // Failures of OpenRepository are recorded there (then the command ends);
    // without a reporter they are thrown as EDatabaseError. The question of
    // a reset is asked there too; without one it is printed and takes its
    // default answer. Not owned: set it back to nullptr before it goes,
    // unless the module is only closed or destroyed after that.
    void SetReporter(IReporter *reporter);
    IReporter *Reporter() const;

    // Opens (with reset, first empties) the repository in the folder and
    // creates missing tables; positions every table on its first row.
    bool OpenRepository(const QString &folder, bool reset);
    void CloseRepository();
    bool Connected() const;
    // The repository of that folder is open with every table browsing, and
    // no other connection has written to it since it was opened: opening it
    // again would find it just as it is.
    bool IsOpenUnchanged(const QString &folder) const;
    QString Folder() const { return m_folder; }
    QString DatabaseFile() const;

    // Deletes the repository files of a folder (asking first when the
    // folder holds ".db" files but no Interfaces.db).
    void ResetRepositoryFiles(const QString &folder);
    // The interface with that "CSVName" and every row below it; its
    // "XDuplis" rows stay. Nothing happens while the connection is closed.
    void DeleteInterfaceByCSVName(const QString &csvName);
    // The "XDuplis" group of the current (pending) Parameters row, found or
    // created; a complex-typed row turns the qualifier into its type.
    qint64 DuplicateKey(QString &qualifier);

    // A run of many imports: commits go to a write-ahead log synced only
    // when the run ends, so each document stays one atomic commit but does
    // not wait for the disk. Outside a run the file keeps its rollback
    // journal, which every tool and the checks at open expect.
    void SetBulkWrites(bool on);

    // Set while an import writes rows: no edit propagation meanwhile.
    bool Importing() const { return m_importing; }
    void SetImporting(bool on) { m_importing = on; }

    TRepositoryTable &TableInterfaces() { return *m_interfaces; }
    TRepositoryTable &TableOperations() { return *m_operations; }
    TRepositoryTable &TableInputsOutputs() { return *m_inputsOutputs; }
    TRepositoryTable &TableParameters() { return *m_parameters; }
    TRepositoryTable &TableDuplis() { return *m_duplis; }
    // One of the five by table name (case-insensitive); nullptr otherwise.
    TRepositoryTable *TableByName(const QString &tableName);

    QSqlDatabase database() const;
    // Fresh queries on the connection: the general work query and the
    // cross-reference query.
    QSqlQuery QWork() const;
    QSqlQuery QCrossref() const;

    // The indentation picture of a Parameters row: 5 x level blanks, then
    // "%s%2.2d  %s" of blanks, level and name (at most 255 characters).
    static QString LevelGraf(qint64 levelX, const QString &name);
    // The same picture as an SQL expression over the columns LevelX and Name.
    static QString LevelGrafSql(const QString &prefix = QString());

private:
    friend class TRepositoryTable;
    friend class TRepositoryTransaction;
    friend class TRepositoryBatch;

    [[noreturn]] void reportDatabaseError(const QString &message);
    QString inUseMessage(const QString &folder, QLockFile &lock) const;
    void openConnection(const QString &file);
    void createTables();
    void resyncFolds(const TRepositoryTableDef &table);
    static QByteArray fileStamp(const QString &file);
    qint64 dataVersion() const;
    void closeConnection();
    void applyJournalMode(bool bulk);
    void resetFiles(const QString &folder, const QString &keepFile);
    bool sameFolder(const QString &a, const QString &b) const;
    bool tableExists(const QString &tableName) const;
    QSqlQuery exec(const QString &sql) const; // throws EDatabaseError
    qint64 nextKey(const QString &tableName) const;
    // A statement of the open connection, prepared on first use and kept
    // until the connection closes; reset after each use.
    QSqlQuery &statement(const QString &sql) const;

    void beginTransaction();
    void commitTransaction(int level);
    void rollbackTransaction(int level);
    void resyncTables();
    // Other open tables over these tables read their rows again.
    void tablesChanged(const QStringList &tableNames, TRepositoryTable *except);
    void closeTables();
    void openTables();

    QString m_connectionName;
    QString m_folder;
    IReporter *m_reporter = nullptr; // not owned
    std::unique_ptr<QLockFile> m_lock;
    bool m_importing = false;
    bool m_bulkWrites = false;
    bool m_walActive = false; // the connection writes a write-ahead log
    // The file as the module last closed it (its header counters, size and
    // time), having checked its tables, indexes and folds at the open and
    // kept them since: opened again unchanged, it is not checked again.
    QString m_leftFile;
    QByteArray m_leftStamp;
    bool m_fileAsLeft = false; // the file being opened is that file, unchanged
    qint64 m_dataVersion = -1;   // of the open connection; another writer changes it
    mutable QHash<QString, std::shared_ptr<QSqlQuery>> m_statements;
    int m_txDepth = 0;
    bool m_txDirty = false;
    quint64 m_generation = 0;

    std::vector<TRepositoryTable *> m_allTables; // registered, masters first
    std::unique_ptr<TRepositoryTable> m_interfaces;
    std::unique_ptr<TRepositoryTable> m_operations;
    std::unique_ptr<TRepositoryTable> m_inputsOutputs;
    std::unique_ptr<TRepositoryTable> m_parameters;
    std::unique_ptr<TRepositoryTable> m_duplis;
};
