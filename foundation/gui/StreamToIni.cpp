#include "StreamToIni.h"

#include "CheckListModel.h"
#include "Frame.h"
#include "IncCombo.h"
#include "RadioGroup.h"
#include "SharedRoutinesCommon.h"
#include "StringListHolder.h"

#include <QApplication>
#include <QByteArrayView>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QListView>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPointer>
#include <QTextDocument>

using namespace StreamToIniFormat;

namespace {

enum class Kind { None, Edit, Combo, IncCombo, CheckList, Memo, Holder, CheckBox, Radio };

// The lines of a list view that shows a check list model, null for any other view.
TCheckListModel *checkListModel(const QObject *view)
{
    return qobject_cast<TCheckListModel *>(static_cast<const QListView *>(view)->model());
}

Kind kindOf(const QObject *o)
{
    const QByteArrayView name(o->metaObject()->className());
    if (name == "QLineEdit")
        return Kind::Edit;
    if (name == "QComboBox")
        return Kind::Combo;
    if (name == "TIncCombo")
        return Kind::IncCombo;
    if (name == "QListWidget")
        return Kind::CheckList;
    if (name == "QListView" && checkListModel(o))
        return Kind::CheckList;
    if (name == "QPlainTextEdit")
        return Kind::Memo;
    if (name == "TStringListHolder")
        return Kind::Holder;
    if (name == "QCheckBox")
        return Kind::CheckBox;
    if (name == "TRadioGroup")
        return Kind::Radio;
    return Kind::None;
}

bool isComponentName(const QString &name)
{
    return !name.isEmpty() && !name.startsWith(QLatin1String("qt_"));
}

void collectComponents(const QObject *parent, QList<QObject *> &out)
{
    for (QObject *child : parent->children()) {
        const auto *widget = qobject_cast<const QWidget *>(child);
        if (widget && widget->isWindow())
            continue;   // another window owns its components
        if (isComponentName(child->objectName()))
            out.append(child);
        if (qobject_cast<const TFrame *>(child) || kindOf(child) != Kind::None)
            continue;   // a frame's children are its own; a control's parts are no components
        collectComponents(child, out);
    }
}

// ---- Per-control state -------------------------------------------------------

// An editable box whose text was typed over the selected item's text has
// no item selected: its text is what the user sees and what is stored.
int selectedIndex(const QComboBox *box)
{
    const int index = box->currentIndex();
    if (index >= 0 && box->isEditable() && box->itemText(index) != box->currentText())
        return -1;
    return index;
}

void applyComboSelection(QComboBox *box, const QString &value)
{
    const int index = ComboIndexFromValue(value, box->count());
    if (index >= 0) {
        box->setCurrentIndex(index);
        return;
    }
    box->setCurrentIndex(box->findText(value, Qt::MatchExactly | Qt::MatchCaseSensitive));
    if (box->isEditable())
        box->setEditText(value);
}

QStringList comboItems(const QComboBox *box)
{
    QStringList items;
    for (int i = 0; i < box->count(); ++i)
        items.append(box->itemText(i));
    return items;
}

// One memo line per text block; an empty memo has no lines.
QStringList memoLines(const QPlainTextEdit *memo)
{
    const QString text = memo->toPlainText();
    return text.isEmpty() ? QStringList() : text.split(u'\n');
}

// A check list is a QListWidget or a QListView over a check list model.
QList<TCheckListItem> checkListItems(const QObject *control)
{
    const auto *list = qobject_cast<const QListWidget *>(control);
    if (!list)
        return checkListModel(control)->Items();
    QList<TCheckListItem> items;
    for (int i = 0; i < list->count(); ++i) {
        const QListWidgetItem *item = list->item(i);
        items.append({item->text(), item->checkState() == Qt::Checked, item->flags().testFlag(Qt::ItemIsEnabled)});
    }
    return items;
}

void clearCheckList(QObject *control)
{
    if (auto *list = qobject_cast<QListWidget *>(control))
        list->clear();
    else
        checkListModel(control)->Clear();
}

// Appends to the cleared list.
void addCheckListItems(QObject *control, const QList<TCheckListItem> &items)
{
    auto *list = qobject_cast<QListWidget *>(control);
    if (!list) {
        checkListModel(control)->SetItems(items);
        return;
    }
    for (const TCheckListItem &it : items) {
        auto *item = new QListWidgetItem(it.text, list);
        Qt::ItemFlags flags = Qt::ItemIsSelectable | Qt::ItemIsUserCheckable;
        if (it.enabled)
            flags |= Qt::ItemIsEnabled;
        item->setFlags(flags);
        item->setCheckState(it.checked ? Qt::Checked : Qt::Unchecked);
    }
}

void saveComponent(TStreamToIniCore &list, quint8 options, const QString &window, QObject *c, Kind kind)
{
    const QString name = c->objectName();
    const QString path = window + u'.' + name;
    switch (kind) {
    case Kind::Edit:
        list.AppendEntry(path, static_cast<QLineEdit *>(c)->text());
        break;
    case Kind::Combo: {
        const auto *box = static_cast<QComboBox *>(c);
        list.AppendComboBox(window, name, selectedIndex(box), box->currentText(), comboItems(box),
                            !(options & soNoComboItems));
        break;
    }
    case Kind::IncCombo: {
        const auto *box = static_cast<TIncCombo *>(c);
        QList<TIncComboItem> items;
        for (int i = 0; i < box->count(); ++i)
            items.append({box->itemText(i), box->Key(i)});
        list.AppendIncCombo(window, name, selectedIndex(box), box->currentText(), items,
                            !(options & soNoIncComboItems));
        break;
    }
    case Kind::CheckBox:
        list.AppendEntry(path, BoolToYN(static_cast<QCheckBox *>(c)->isChecked()));
        break;
    case Kind::CheckList:
        list.AppendCheckListBox(window, name, checkListItems(c));
        break;
    case Kind::Memo:
        list.AppendMemo(window, name, memoLines(static_cast<QPlainTextEdit *>(c)));
        break;
    case Kind::Holder:
        list.AppendStringListHolder(window, name, static_cast<TStringListHolder *>(c)->Data());
        break;
    case Kind::Radio:
        list.AppendEntry(path, QString::number(static_cast<TRadioGroup *>(c)->ItemIndex()));
        break;
    case Kind::None:
        break;
    }
}

void restoreComponent(const TStreamToIniCore &list, quint8 options, const QString &window, QObject *c, Kind kind)
{
    const QString path = window + u'.' + c->objectName();
    const int key = list.IndexOfKey(path);
    if (key < 0) {
        // Missing keys keep the control's state, except that a radio group
        // falls back to its first item.
        if (kind == Kind::Radio)
            static_cast<TRadioGroup *>(c)->SetItemIndex(0);
        return;
    }
    const QString value = list.valueAt(key);
    switch (kind) {
    case Kind::Edit:
        static_cast<QLineEdit *>(c)->setText(value);
        break;
    case Kind::Combo: {
        auto *box = static_cast<QComboBox *>(c);
        if (!(options & soNoComboItems)) {
            const QStringList items = list.ReadComboItems(path);
            box->clear();
            box->addItems(items);
        }
        applyComboSelection(box, value);
        break;
    }
    case Kind::IncCombo: {
        auto *box = static_cast<TIncCombo *>(c);
        if (!(options & soNoIncComboItems)) {
            box->ClearAll();
            for (const TIncComboItem &item : list.ReadIncComboItems(key))
                box->AddItem(item.text, item.key);
        }
        applyComboSelection(box, value);
        break;
    }
    case Kind::CheckBox:
        static_cast<QCheckBox *>(c)->setChecked(TextToBool(value));
        break;
    case Kind::CheckList: {
        clearCheckList(c);
        QList<TCheckListItem> items;
        try {
            list.ReadCheckListItems(key, !(options & soNoCheckListEnabled), items);
        } catch (...) {
            addCheckListItems(c, items);   // the items before the bad line stay
            throw;
        }
        addCheckListItems(c, items);
        break;
    }
    case Kind::Memo: {
        auto *memo = static_cast<QPlainTextEdit *>(c);
        memo->setPlainText(list.ReadMemoLines(key).join(u'\n'));
        memo->document()->setModified(true);
        break;
    }
    case Kind::Holder: {
        auto *holder = static_cast<TStringListHolder *>(c);
        holder->clear();
        THolderData data;
        data.saveObjects = holder->SaveObjects();
        try {
            list.ReadStringListHolder(key, data);
        } catch (...) {
            holder->AddData(data);
            throw;
        }
        holder->AddData(data);
        break;
    }
    case Kind::Radio:
        static_cast<TRadioGroup *>(c)->SetItemIndex(TextToInt(value));
        break;
    case Kind::None:
        break;
    }
}

struct KindStep
{
    quint16 bit;
    Kind kind;
};

// The pass order after the edits inside frames.
constexpr KindStep kSteps[] = {
    {skEdit, Kind::Edit},           {skComboBox, Kind::Combo},          {skIncCombo, Kind::IncCombo},
    {skCheckBox, Kind::CheckBox},   {skCheckListBox, Kind::CheckList},  {skMemo, Kind::Memo},
    {skStringListHolder, Kind::Holder}, {skRadioGroup, Kind::Radio},
};

bool hasFrameEdits(quint16 kinds)
{
    return (kinds & skFrameEdits) && (kinds & skEdit);
}

} // namespace

// Resets the one-pass settings however the pass ends.
struct TStreamToIni::PassGuard
{
    TStreamToIni &list;
    ~PassGuard() { list.resetPassSettings(); }
};

void TStreamToIni::resetPassSettings()
{
    SkipList.clear();
    SkipFrameClasses.clear();
    Options = soDefaultOptions;
    SkipInvisible = false;
}

void TStreamToIni::SkipComponents(const QList<const QObject *> &components)
{
    SkipList = components;
}

void TStreamToIni::SkipFrames(const QStringList &classNames)
{
    SkipFrameClasses.clear();
    for (const QString &name : classNames)
        SkipFrameClasses += u'.' + name + u'.';
}

bool TStreamToIni::isSkipped(const QObject *component) const
{
    if (SkipList.contains(component))
        return true;
    const auto *widget = qobject_cast<const QWidget *>(component);
    return SkipInvisible && widget && widget->isHidden();
}

bool TStreamToIni::isSkippedFrameClass(const QObject *frame) const
{
    const QString className = QString::fromLatin1(frame->metaObject()->className());
    return UpperCase(SkipFrameClasses).contains(u'.' + UpperCase(className) + u'.');
}

QList<QWidget *> TStreamToIni::OpenWindows()
{
    QList<QWidget *> windows;
    const QList<QWidget *> all = QApplication::topLevelWidgets();
    for (QWidget *w : all) {
        if (isComponentName(w->objectName()))
            windows.append(w);
    }
    return windows;
}

QList<QObject *> TStreamToIni::OwnComponents(const QObject *owner)
{
    QList<QObject *> out;
    if (owner)
        collectComponents(owner, out);
    return out;
}

QList<QWidget *> TStreamToIni::passWindows(QWidget *window) const
{
    if (!window)
        return OpenWindows();
    if (window->objectName().isEmpty())
        return {};
    return {window};
}

void TStreamToIni::SaveFormState(QWidget *window, quint16 kinds)
{
    PassGuard guard{*this};
    if (kinds == 0)
        kinds = DefaultKinds;
    const QList<QWidget *> windows = passWindows(window);
    for (QWidget *w : windows)
        saveWindow(w, kinds);
}

void TStreamToIni::SaveFormState(const QString &windowName, quint16 kinds)
{
    PassGuard guard{*this};
    if (windowName.isEmpty()) {
        SaveFormState(nullptr, kinds);
        return;
    }
    const QList<QWidget *> windows = OpenWindows();
    for (QWidget *w : windows) {
        if (SameText(w->objectName(), windowName)) {
            SaveFormState(w, kinds);
            return;
        }
    }
}

void TStreamToIni::SaveMainFormState(QWidget *window)
{
    SaveFormState(window, DefaultKinds);
}

void TStreamToIni::RestoreFormState(QWidget *window, quint16 kinds)
{
    PassGuard guard{*this};
    if (kinds == 0)
        kinds = DefaultKinds;
    // Applying a value runs the controls' handlers, which may close windows.
    QList<QPointer<QWidget>> windows;
    for (QWidget *w : passWindows(window))
        windows.append(w);
    for (const QPointer<QWidget> &w : std::as_const(windows)) {
        if (w)
            restoreWindow(w, kinds);
    }
}

void TStreamToIni::RestoreAllForms()
{
    RestoreFormState(nullptr, DefaultKinds);
}

void TStreamToIni::saveWindow(QWidget *window, quint16 kinds)
{
    const QString wn = window->objectName();
    AppendFormHeader(wn);
    if (kinds & skCaption)
        AppendCaption(wn, window->windowTitle());
    const QList<QObject *> own = OwnComponents(window);

    if (hasFrameEdits(kinds)) {
        bool section = false;
        for (QObject *frame : own) {
            if (!qobject_cast<TFrame *>(frame) || isSkipped(frame) || isSkippedFrameClass(frame))
                continue;
            const QList<QObject *> frameOwn = OwnComponents(frame);
            for (QObject *c : frameOwn) {
                if (kindOf(c) != Kind::Edit || isSkipped(c))
                    continue;
                if (!section) {
                    add(KindSection(skFrameEdits));
                    section = true;
                }
                AppendEntry(wn + u'.' + frame->objectName() + u'.' + c->objectName(),
                            static_cast<QLineEdit *>(c)->text());
            }
        }
    }
    for (const KindStep &step : kSteps) {
        if (!(kinds & step.bit))
            continue;
        bool section = false;
        for (QObject *c : own) {
            if (kindOf(c) != step.kind || isSkipped(c))
                continue;
            if (!section) {
                add(KindSection(step.bit));
                section = true;
            }
            saveComponent(*this, Options, wn, c, step.kind);
        }
    }
}

void TStreamToIni::restoreWindow(QWidget *window, quint16 kinds)
{
    const QString wn = window->objectName();
    // Guarded: handlers run by the applied values may delete components.
    QList<QPointer<QObject>> own;
    for (QObject *c : OwnComponents(window))
        own.append(c);

    if (hasFrameEdits(kinds)) {
        for (const QPointer<QObject> &frame : std::as_const(own)) {
            if (!frame || !qobject_cast<TFrame *>(frame) || isSkipped(frame) || isSkippedFrameClass(frame))
                continue;
            QList<QPointer<QObject>> frameOwn;
            for (QObject *c : OwnComponents(frame))
                frameOwn.append(c);
            for (const QPointer<QObject> &c : std::as_const(frameOwn)) {
                if (!c || !frame || kindOf(c) != Kind::Edit || isSkipped(c))
                    continue;
                int key = IndexOfKey(wn + u'.' + frame->objectName() + u'.' + c->objectName());
                if (key < 0)
                    key = IndexOfKey(frame->objectName());
                if (key >= 0)
                    static_cast<QLineEdit *>(c.data())->setText(valueAt(key));
            }
        }
    }
    for (const KindStep &step : kSteps) {
        if (!(kinds & step.bit))
            continue;
        for (const QPointer<QObject> &c : std::as_const(own)) {
            if (c && kindOf(c) == step.kind && !isSkipped(c))
                restoreComponent(*this, Options, wn, c, step.kind);
        }
    }
}
