#pragma once
// Every message box and standard dialog of the system goes through one
// injectable service, so tests can script the answers and runs without a
// display (or in an auto-run) never block: there each question is printed
// to stderr and answered with its default.

#include "Reporting.h"

#include <QFont>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>

class QFontDialog;
class QWidget;

using TFontApply = std::function<void(const QFont &)>;

class IDialogService
{
public:
    virtual ~IDialogService() = default;
    // Returns the button pressed (one of buttons; no buttons means OK).
    // defaultButton is used when it is one of buttons, otherwise the answer
    // that lets a run go on: the first of OK, Yes, Ignore, Retry, Abort, No,
    // Cancel present (see Dialogs::defaultAnswer).
    virtual int messageBox(TMsgDlgType type, const QString &text, int buttons, int defaultButton = 0,
                           QWidget *parent = nullptr) = 0;
    // Empty / empty list when cancelled.
    virtual QString openFileName(const TFileDialogRequest &request, QWidget *parent = nullptr) = 0;
    virtual QStringList openFileNames(const TFileDialogRequest &request, QWidget *parent = nullptr) = 0;
    virtual QString saveFileName(const TFileDialogRequest &request, QWidget *parent = nullptr) = 0;
    virtual QString existingDirectory(const QString &caption, const QString &folder, QWidget *parent = nullptr) = 0;
    // True with font changed when the user chose one. With apply the dialog
    // has an Apply button: each press hands it the font shown, and the
    // dialog stays open.
    virtual bool chooseFont(QFont &font, QWidget *parent = nullptr, const TFontApply &apply = {}) = 0;
};

namespace Dialogs {
// The service in use (the desktop one unless replaced).
IDialogService &service();
// Replaces the service; nullptr restores the desktop one. Not owned.
void setService(IDialogService *service);
// The replacing service, nullptr while the desktop one is in use.
IDialogService *installedService();
// False without a display (no QGuiApplication, or the "offscreen" or
// "minimal" platform) or in an auto-run: then nobody is asked.
bool canAsk();
// In an auto-run every question takes its default, as without a display.
void setAutoRun(bool on);
bool autoRun();
// The default answer for a set of buttons when nobody can be asked.
inline int defaultAnswer(int buttons, int defaultButton) { return Unasked::DefaultAnswer(buttons, defaultButton); }

// The desktop's font dialog as chooseFont shows it: with an Apply button
// that calls apply when apply is set.
std::unique_ptr<QFontDialog> makeFontDialog(const QFont &font, QWidget *parent, const TFontApply &apply);
// Shorthands.
int message(TMsgDlgType type, const QString &text, int buttons, int defaultButton = 0, QWidget *parent = nullptr);
} // namespace Dialogs
