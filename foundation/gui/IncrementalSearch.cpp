#include "IncrementalSearch.h"

#include "ScopeGuard.h"
#include "SharedRoutinesCommon.h"

#include <QKeyEvent>
#include <QLineEdit>

namespace {

const char *const TagName = "Tag";

int editTag(const QLineEdit *edit)
{
    return edit->property(TagName).toInt();
}

void setEditTag(QLineEdit *edit, int tag)
{
    edit->setProperty(TagName, tag);
}

void showText(QLineEdit *edit, const QString &text)
{
    edit->setText(text);
    edit->setCursorPosition(int(text.length()));
}

// Case-insensitive "text begins with prefix".
bool beginsWith(const QString &text, const QString &prefix)
{
    return prefix.length() <= text.length() && SameText(text.left(prefix.length()), prefix);
}

} // namespace

bool IncrementalSearchChange(QLineEdit *edit, IIncrementalLookupTable &table, const QString &field, bool &busy)
{
    if (busy || !edit)
        return false;
    TFlagSetter guard(busy);
    setEditTag(edit, 0);
    const QString typed = edit->text();
    if (!table.IsBrowsing() || typed.isEmpty())
        return false;

    table.FindKey(typed);
    const QString value = table.FieldValue(field);
    const QString typedFolded = RemoveAccents(typed);
    const QString valueFolded = RemoveAccents(value);
    auto nextFolded = [&] {
        QString next;
        if (!table.NextFieldValue(field, next))
            next = PastEndLookupValue;
        return RemoveAccents(next);
    };
    auto dropLastTyped = [&] { showText(edit, typed.left(typed.length() - 1)); };

    if (SameText(typed, value) || SameText(typedFolded, valueFolded)) {
        showText(edit, value);
        return true;
    }
    const int order = CompareText(typed, value);
    if (order < 0) {
        if (beginsWith(valueFolded, typedFolded)) {
            if (!beginsWith(nextFolded(), typedFolded)) {
                // Only this record can match: complete it, remembering what was typed.
                showText(edit, value);
                setEditTag(edit, int(typed.length()));
            }
        } else {
            dropLastTyped();
        }
    } else if (order > 0 && beginsWith(typedFolded, valueFolded)) {
        if (!beginsWith(typedFolded, nextFolded()))
            dropLastTyped();
    }
    return false;
}

bool IncrementalSearchKeyPress(QLineEdit *edit, int key, bool &busy)
{
    if (!edit)
        return false;
    if (key == Qt::Key_Backspace) {
        const int tag = editTag(edit);
        const QString text = edit->text();
        if (tag > 0 && !edit->hasSelectedText() && edit->cursorPosition() == text.length()) {
            TFlagSetter guard(busy);
            showText(edit, text.left(tag - 1));
            setEditTag(edit, 0);
            return true;
        }
        return false;
    }
    if (key == Qt::Key_Escape) {
        TFlagSetter guard(busy);
        setEditTag(edit, 0);
        edit->clear();
        return true;
    }
    return false;
}

bool IncrementalSearchKeyPress(QLineEdit *edit, QKeyEvent *event, bool &busy)
{
    if (!event)
        return false;
    if (event->key() == Qt::Key_Backspace
        && (event->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier)))
        return false;
    if (!IncrementalSearchKeyPress(edit, event->key(), busy))
        return false;
    event->accept();
    return true;
}
