#pragma once
#include <QList>
#include <QObject>
#include <QStringList>

struct THolderData;

// A component without visual part that keeps a string list (with an integer
// object per entry) as part of a window, so the list travels with the
// window's saved state when the form state passes see it.
class TStringListHolder : public QObject
{
    Q_OBJECT
    Q_PROPERTY(QStringList StringList READ StringList WRITE SetStringList)
    Q_PROPERTY(bool SaveObjects READ SaveObjects WRITE SetSaveObjects)
public:
    explicit TStringListHolder(QObject *parent = nullptr);

    QStringList StringList() const { return m_entries; }
    // Copies the lines; every object becomes 0.
    void SetStringList(const QStringList &lines);
    // When set, each entry's object is saved with it.
    bool SaveObjects() const { return m_saveObjects; }
    void SetSaveObjects(bool on) { m_saveObjects = on; }
    // Length or pixel width of the longest entry, kept by the owning window.
    int MaxLen() const { return m_maxLen; }
    void SetMaxLen(int value) { m_maxLen = value; }

    int count() const { return int(m_entries.size()); }
    QString get(int index) const { return m_entries.at(index); }
    void put(int index, const QString &text) { m_entries[index] = text; }
    int add(const QString &text, int object = 0);
    int object(int index) const { return m_objects.at(index); }
    void putObject(int index, int object) { m_objects[index] = object; }
    QList<int> objects() const { return m_objects; }
    // The whole list from comma text (objects 0) and back.
    void setCommaText(const QString &text);
    QString commaText() const;
    // Empties the list and sets MaxLen to 0.
    void clear();
    // What the holder carries in a job file, and taking it back (entries
    // are added to those held).
    THolderData Data() const;
    void AddData(const THolderData &data);

private:
    QStringList m_entries;
    QList<int> m_objects;
    bool m_saveObjects = false;
    int m_maxLen = 0;
};
