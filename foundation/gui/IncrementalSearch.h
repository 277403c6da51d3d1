#pragma once
// The incremental lookup edit: while the user types into a line edit, the
// text is looked up in a table's current index and completed when only one
// record can match; a typed character that cannot match is taken back.
//
// The edit's numeric tag (dynamic property "Tag", int) holds the number of
// characters the user typed before an automatic completion, 0 when there
// was none; Backspace right after a completion undoes it.

#include <QString>

class QKeyEvent;
class QLineEdit;

// The table side of the lookup.
class IIncrementalLookupTable
{
public:
    virtual ~IIncrementalLookupTable() = default;

    // Only a browsing table is searched.
    virtual bool IsBrowsing() const = 0;
    // Looks the key up in the current index. True when a record has exactly
    // that key; otherwise the nearest record at or after the key becomes the
    // current one (the last record when every key sorts before it).
    virtual bool FindKey(const QString &key) = 0;
    // The field's value in the current record (empty when there is none).
    virtual QString FieldValue(const QString &field) const = 0;
    // The field's value in the record after the current one, which stays
    // current; false when the current record is the last one.
    virtual bool NextFieldValue(const QString &field, QString &value) const = 0;
};

// Stands in for the next record's value past the end of the table.
inline const QString PastEndLookupValue = QString(23, QLatin1Char('Z'));

// Call when the edit's text changed. Does nothing while busy is set (the
// edit's own updates come back through the change notification); returns
// true when the text equals the current record's value.
bool IncrementalSearchChange(QLineEdit *edit, IIncrementalLookupTable &table, const QString &field, bool &busy);

// Call for each key pressed in the edit; true when the key was swallowed:
// Backspace right after a completion (caret at the end, no selection) goes
// back to the typed text without its last character, Escape empties the
// edit. The edit's own updates are made with busy set.
bool IncrementalSearchKeyPress(QLineEdit *edit, int key, bool &busy);
// The same for a key event (Backspace with Ctrl, Alt or Meta is left alone);
// a swallowed event is accepted.
bool IncrementalSearchKeyPress(QLineEdit *edit, QKeyEvent *event, bool &busy);
