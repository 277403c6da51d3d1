#pragma once
// Writes that go together: the transaction guard and the import's bulk
// write path.

#include <QHash>
#include <QString>

#include <memory>
#include <utility>
#include <vector>

class TDM;

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
