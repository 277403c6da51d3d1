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

#include "Errors.h"

#include <QHash>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVariantMap>

#include <memory>
#include <optional>
#include <utility>
#include <vector>

class QLockFile;
class TMyStatusBar;
class TDM;

// A repository failure reported with a message: the connection could not be
// opened, a statement failed, a reset was refused.
class EDatabaseError : public EQuenbarError
{
public:
    using EQuenbarError::EQuenbarError;
};

// ---- Table definitions -----------------------------------------------------

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

// ---- The rows of one table -------------------------------------------------

// The current row of one table over the repository connection: the rows of
// the master's current row (UpPointer = master's Kulcs) in the order of the
// index in use, navigation, the values of the current row, and inserting,
// editing and posting with the module's key assignment and edit propagation.
// Widget-free: grids follow it through its signals, RecNo() and SelectQuery().
class TRepositoryTable : public QObject
{
    Q_OBJECT
public:
    enum class TState { Inactive, Browse, Edit, Insert };
    // The index in use: key order, "NameIndex" (the name folded, then key) or
    // "DuplisIdex" (qualifier, own name).
    enum class TOrder { Kulcs, Name, Duplis };

    // A table of the module's connection; a detail when master is given.
    // One that outlives the module stays closed.
    TRepositoryTable(TDM &dm, const QString &tableName, TRepositoryTable *master, TOrder order,
                     QObject *parent = nullptr);
    ~TRepositoryTable() override;
    TRepositoryTable(const TRepositoryTable &) = delete;
    TRepositoryTable &operator=(const TRepositoryTable &) = delete;

    QString TableName() const;
    const TRepositoryTableDef &Definition() const { return *m_def; }
    TRepositoryTable *Master() const { return m_master; }
    TOrder Order() const { return m_order; }
    TState State() const { return m_state; }
    bool Active() const { return m_state != TState::Inactive; }

    // Open positions on the first row; Close discards a pending edit.
    void Open();
    void Close();
    // Reads the rows again, keeping the current row when it still belongs
    // here; the details follow.
    void Refresh();

    // Navigation posts a pending edit first.
    void First();
    void Last();
    void Next();
    void Prior();
    int MoveBy(int distance); // the rows actually moved, negative backwards
    bool Eof() const;
    bool Bof() const;
    bool IsEmpty() const;
    int RecordCount() const;
    int RecNo() const; // 0-based position of the current row, -1 without one

    // Locating makes the row found current; false leaves the position alone.
    bool Locate(qint64 kulcs);
    // Equal values in all fields; text fields compared case-insensitively
    // (code page upper case) when asked.
    bool Locate(const QStringList &fields, const QVariantList &values, bool caseInsensitive = false);
    bool LocateByName(const QString &name); // case-insensitive on "Name"
    // Name order: the first row whose name is at or after the text (folded);
    // the last row when every name sorts before it. True on an equal name.
    bool FindNearestName(const QString &name);

    bool HasCurrent() const { return m_hasCurrent; }
    // "Kulcs" of the current row (of the new row while inserting); 0 without one.
    qint64 Kulcs() const;
    // Values of the current row, or of the pending one while editing or
    // inserting. Parameters also answers the calculated "LevelGraf".
    QVariant FieldValue(const QString &field) const;
    QString AsString(const QString &field) const;
    qint64 AsInteger(const QString &field) const; // null counts 0
    bool AsBoolean(const QString &field) const;   // null counts false
    QSqlRecord Record() const;
    QStringList FieldNames() const;

    // Starts a new row (posting a pending one): assigns its keys at once.
    void Insert();
    // Inserts and posts a row with these values; it becomes current.
    void Insert(const QVariantMap &values);
    void Edit();
    // Text is cut to the field size, so an over-long name never fails a post.
    void SetFieldValue(const QString &field, const QVariant &value);
    void Post();
    void Cancel();
    // Deletes the current row with the rows below it (one transaction).
    void Delete();
    // Posts a pending edit or insert.
    void CheckBrowseMode();

    // The rows in this table's order, all fields (and "LevelGraf" for
    // Parameters): row n of the result is RecNo() n. For grid models.
    QSqlQuery SelectQuery() const;

signals:
    void CurrentChanged(); // another row became current, or its values changed
    void RowsChanged();    // rows were added, removed or changed
    void StateChanged();

private:
    friend class TDM;
    friend class TRepositoryBatch;

    void requireActive() const;
    std::optional<qint64> effectiveKey() const;
    QString filterClause() const; // "" or "UpPointer = :UpPointer"
    void bindFilter(QSqlQuery &query) const;
    QString orderClause() const;
    QString columnList(const QString &prefix = QString()) const;
    void ensureKeys() const;
    void ensurePos() const;
    void invalidateKeys();
    bool fetch(qint64 key, std::vector<QVariant> &into) const; // within the filter
    void setNone();
    void setCurrent(qint64 key, int pos = -1);
    void setCurrentAt(int pos);
    void goFirst();
    void notifyCurrent();
    void masterChanged();
    void dropBuffer();
    void resync();
    QVariant normalized(const TRepositoryField &field, const QVariant &value) const;
    void writeBuffer(bool inserting);
    void propagateEdit();
    void deleteRowsBelow(qint64 key);

    TDM *m_dm;
    const TRepositoryTableDef *m_def;
    TRepositoryTable *m_master;
    std::vector<TRepositoryTable *> m_details;
    TOrder m_order;
    TState m_state = TState::Inactive;

    bool m_hasCurrent = false;
    qint64 m_current = 0;
    std::vector<QVariant> m_record; // the current row, one value per field (empty without one)
    std::vector<QVariant> m_buffer; // the pending row while editing or inserting
    std::optional<qint64> m_masterKey; // filter of a detail; none = no rows
    std::optional<qint64> m_notifiedKey;
    bool m_eof = true;
    bool m_bof = true;

    mutable std::vector<qint64> m_keys;
    mutable bool m_keysValid = false;
    mutable int m_pos = -1;
    mutable bool m_posValid = false;
};

// ---- Transactions ----------------------------------------------------------

// Writes that belong together: commits when asked, rolls back otherwise
// (also when an exception passes). Guards nest (an import's guard around the
// module's own ones); only the outermost commits to the file. A rollback
// that undoes committed inner work re-reads all tables.
class TRepositoryTransaction
{
public:
    explicit TRepositoryTransaction(TDM &dm);
    ~TRepositoryTransaction();
    TRepositoryTransaction(const TRepositoryTransaction &) = delete;
    TRepositoryTransaction &operator=(const TRepositoryTransaction &) = delete;

    void Commit();
    void Rollback();

private:
    TDM &m_dm;
    int m_level;
    quint64 m_generation;
    bool m_done = false;
};

// ---- Bulk writes of an import -----------------------------------------------

// The import's lean write path: rows go into the file through statements
// prepared once, without the per-row reading, key query and notifications of
// the tables. The module's rules hold: "Kulcs" is the table's highest key + 1
// (read once, then counted on: nothing else writes inside the transaction),
// ancestor keys are those of the rows added last above (the current rows of
// the chain), text is cut to the field size and the fold columns follow it,
// booleans are 0 / 1, and DuplicateKey finds or makes the group exactly as
// TDM::DuplicateKey does. Needs an open transaction of the module; Finish
// re-reads the tables and makes the rows added last current.
class TRepositoryBatch
{
public:
    struct TParameterRow
    {
        QString name;
        QString typeX;
        qint64 levelX = 0;
        bool xsType = true;
        bool xsArray = false;
        QString sequenceType; // empty: null
        qint64 dupliCheck = 0;
    };

    explicit TRepositoryBatch(TDM &dm);
    ~TRepositoryBatch();
    TRepositoryBatch(const TRepositoryBatch &) = delete;
    TRepositoryBatch &operator=(const TRepositoryBatch &) = delete;

    qint64 AddInterface(const QString &csvName, const QString &name, const QString &definitionsName);
    qint64 AddOperation(const QString &name);                          // below the last interface
    qint64 AddInputOutput(const QString &typeX, const QString &name);  // below the last operation
    qint64 AddParameter(const TParameterRow &row);                     // below the last message
    // The "XDuplis" group of a row with these values; a complex-typed row
    // turns the qualifier into its (stored) type name.
    qint64 DuplicateKey(const TParameterRow &row, QString &qualifier);

    qint64 ParameterRows() const { return m_parameterRows; }
    void Finish();

private:
    struct TStatement;
    TStatement &statement(int table);
    qint64 insert(int table, std::vector<QVariant> &values);

    TDM &m_dm;
    quint64 m_generation;
    std::vector<std::unique_ptr<TStatement>> m_statements; // by table, in schema order
    std::vector<qint64> m_nextKey;                         // by table
    QHash<std::pair<QString, QString>, qint64> m_groups;   // (folded qualifier, folded name) -> group
    qint64 m_interface = 0;
    qint64 m_operation = 0;
    qint64 m_inputOutput = 0;
    qint64 m_parameter = 0;
    qint64 m_group = 0;
    qint64 m_parameterRows = 0;
};

// ---- The data module -------------------------------------------------------

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
    // without a bar they are thrown as EDatabaseError.
    void SetStatusBar(TMyStatusBar *bar);
    TMyStatusBar *StatusBar() const;

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
    QPointer<TMyStatusBar> m_bar;
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
