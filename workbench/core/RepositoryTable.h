#pragma once
// A cursor over one repository table: its rows under the master's current
// row, navigation, and edits with the data module's key assignment.

#include "RepositorySchema.h"

#include <QObject>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVariantMap>

#include <optional>
#include <vector>

class TDM;

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
