#pragma once
// Form state persistence: TStreamToIni writes the state of chosen control
// kinds of the open windows into its lines and applies such lines back.
//
// Control kinds and the classes that carry them. A control's kind is its
// exact class name (metaObject()->className()): a subclass of QComboBox is
// not a combo box here, and a plain list box must not be a QListWidget.
//
//   bit    kind                  class
//   0x001  window caption        QWidget::windowTitle() of the window
//   0x002  TComboBox             QComboBox
//   0x004  TEdit                 QLineEdit
//   0x008  TIncCombo             TIncCombo (IncCombo.h; item keys as item data)
//   0x010  TCheckListBox         QListWidget (items checkable, enabled = Qt::ItemIsEnabled),
//                                or a QListView over a TCheckListModel (CheckListModel.h):
//                                the same lines either way
//   0x020  TMemo                 QPlainTextEdit (one memo line per text block)
//   0x040  TStringListHolder     TStringListHolder (StringListHolder.h, a QObject)
//   0x080  edits inside frames   QLineEdit among the own components of a TFrame
//   0x100  TCheckBox             QCheckBox (ticked = isChecked())
//   0x200  TRadioGroup           TRadioGroup (RadioGroup.h)
//   frames                       any class derived from TFrame (Frame.h); the class
//                                name looked up in SkipFrameClasses is its own
//
// Windows are QApplication::topLevelWidgets() with an object name, in that
// order. A window's own components, in component order, are its descendants
// in depth-first child order that have an object name not beginning with
// "qt_" (Qt's internal parts, such as a spin box's line edit), excluding
// everything inside another window, inside a TFrame (a frame's children are
// the frame's own components) or inside a control of one of the kinds above
// (its parts are not components).
//
// "Not visible" for SkipInvisible is the control's own hidden flag
// (QWidget::isHidden()): it holds before a window is first shown, and a
// control on a tab page that is not current still counts as visible.
//
// The stored window caption is never applied on restore: the main windows
// set their caption from the loaded job just before restoring.

#include "StreamToIniCore.h"

#include <QList>
#include <QString>
#include <QStringList>

class QObject;
class QWidget;

class TStreamToIni : public TStreamToIniCore
{
public:
    // Kinds handled when a pass is given no kinds.
    quint16 DefaultKinds = skAllKinds;
    // One-pass settings, reset at the end of every save or restore pass
    // (also when the pass fails).
    QList<const QObject *> SkipList;
    QString SkipFrameClasses;   // ".Name." per class
    quint8 Options = soDefaultOptions;
    bool SkipInvisible = false;

    void SkipComponents(const QList<const QObject *> &components);
    void SkipFrames(const QStringList &classNames);

    // Appends the state of the window's components (all windows for
    // nullptr); kinds 0 means DefaultKinds. A window without an object name
    // writes nothing.
    void SaveFormState(QWidget *window = nullptr, quint16 kinds = 0);
    // The same for the open window of that name; an empty name means all
    // windows, a name no open window has writes nothing.
    void SaveFormState(const QString &windowName, quint16 kinds = 0);
    void SaveMainFormState(QWidget *window);
    // Applies the lines to the window's components (all windows for
    // nullptr). A stored value the conversions reject raises EConvertError;
    // what was applied before stays.
    void RestoreFormState(QWidget *window = nullptr, quint16 kinds = 0);
    void RestoreAllForms();

    // The open windows and a window's (or frame's) own components, as the passes see them.
    static QList<QWidget *> OpenWindows();
    static QList<QObject *> OwnComponents(const QObject *owner);

private:
    struct PassGuard;

    void resetPassSettings();
    bool isSkipped(const QObject *component) const;
    bool isSkippedFrameClass(const QObject *frame) const;
    QList<QWidget *> passWindows(QWidget *window) const;
    void saveWindow(QWidget *window, quint16 kinds);
    void restoreWindow(QWidget *window, quint16 kinds);
};
