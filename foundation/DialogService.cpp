#include "DialogService.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QFontDialog>
#include <QGuiApplication>
#include <QMessageBox>
#include <QPushButton>

#include <cstdio>

namespace {

IDialogService *g_installed = nullptr;
bool g_autoRun = false;

struct TButtonInfo
{
    int button;
    QMessageBox::StandardButton standard;
    const char *name;
};

// Order of the table is the order in which buttons are named in a question.
const TButtonInfo kButtons[] = {
    {mbYes, QMessageBox::Yes, "Yes"},        {mbNo, QMessageBox::No, "No"},
    {mbOK, QMessageBox::Ok, "OK"},           {mbCancel, QMessageBox::Cancel, "Cancel"},
    {mbAbort, QMessageBox::Abort, "Abort"},  {mbRetry, QMessageBox::Retry, "Retry"},
    {mbIgnore, QMessageBox::Ignore, "Ignore"}, {mbAll, QMessageBox::YesToAll, "All"},
};

// The answer that lets an unattended run go on, best first.
const int kRunOnOrder[] = {mbOK, mbYes, mbIgnore, mbRetry, mbAbort, mbNo, mbCancel, mbAll};

int normalisedButtons(int buttons)
{
    return buttons == mbNone ? int(mbOK) : buttons;
}

const char *typeName(TMsgDlgType type)
{
    switch (type) {
    case TMsgDlgType::Warning: return "Warning";
    case TMsgDlgType::Error: return "Error";
    case TMsgDlgType::Information: return "Information";
    case TMsgDlgType::Confirmation: return "Confirmation";
    }
    return "Message";
}

QString buttonName(int button)
{
    for (const auto &info : kButtons)
        if (info.button == button)
            return QString::fromLatin1(info.name);
    return QStringLiteral("none");
}

QString buttonNames(int buttons)
{
    QStringList names;
    for (const auto &info : kButtons)
        if (buttons & info.button)
            names << QString::fromLatin1(info.name);
    return names.join(QLatin1Char('/'));
}

void printUnasked(const QString &line)
{
    QString text = line;
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    if (!text.endsWith(QLatin1Char('\n')))
        text += QLatin1Char('\n');
    std::fputs(text.toLocal8Bit().constData(), stderr);
    std::fflush(stderr);
}

QWidget *dialogParent(QWidget *parent)
{
    return parent ? parent : QApplication::activeWindow();
}

QString caption()
{
    return QGuiApplication::applicationDisplayName();
}

QString initialPath(const TFileDialogRequest &request)
{
    if (request.fileName.isEmpty())
        return request.folder;
    if (request.folder.isEmpty())
        return request.fileName;
    return QDir(request.folder).filePath(request.fileName);
}

// The desktop implementation; asks nobody when nobody can answer.
class TDesktopDialogs final : public IDialogService
{
public:
    int messageBox(TMsgDlgType type, const QString &text, int buttons, int defaultButton, QWidget *parent) override
    {
        buttons = normalisedButtons(buttons);
        const int fallback = Dialogs::defaultAnswer(buttons, defaultButton);
        if (!Dialogs::canAsk()) {
            printUnasked(QStringLiteral("Dialog not shown (%1, buttons %2): %3\n  answer taken: %4")
                             .arg(QLatin1String(typeName(type)), buttonNames(buttons), text, buttonName(fallback)));
            return fallback;
        }
        QMessageBox box(dialogParent(parent));
        box.setWindowTitle(caption());
        box.setText(text);
        switch (type) {
        case TMsgDlgType::Warning: box.setIcon(QMessageBox::Warning); break;
        case TMsgDlgType::Error: box.setIcon(QMessageBox::Critical); break;
        case TMsgDlgType::Information: box.setIcon(QMessageBox::Information); break;
        case TMsgDlgType::Confirmation: box.setIcon(QMessageBox::Question); break;
        }
        QMessageBox::StandardButtons standard;
        for (const auto &info : kButtons)
            if (buttons & info.button)
                standard |= info.standard;
        box.setStandardButtons(standard);
        if (QAbstractButton *all = box.button(QMessageBox::YesToAll))
            all->setText(QObject::tr("&All"));
        for (const auto &info : kButtons)
            if (info.button == fallback)
                box.setDefaultButton(info.standard);
        box.exec();
        const QMessageBox::StandardButton pressed = box.standardButton(box.clickedButton());
        for (const auto &info : kButtons)
            if (info.standard == pressed && (buttons & info.button))
                return info.button;
        // Closed without a button: take the cancelling answer when offered.
        if (buttons & mbCancel)
            return mbCancel;
        if (buttons & mbNo)
            return mbNo;
        return fallback;
    }

    QString openFileName(const TFileDialogRequest &request, QWidget *parent) override
    {
        const QStringList names = runFileDialog(request, parent, QFileDialog::AcceptOpen, QFileDialog::ExistingFile);
        return names.isEmpty() ? QString() : names.first();
    }

    QStringList openFileNames(const TFileDialogRequest &request, QWidget *parent) override
    {
        return runFileDialog(request, parent, QFileDialog::AcceptOpen, QFileDialog::ExistingFiles);
    }

    QString saveFileName(const TFileDialogRequest &request, QWidget *parent) override
    {
        const QStringList names = runFileDialog(request, parent, QFileDialog::AcceptSave, QFileDialog::AnyFile);
        return names.isEmpty() ? QString() : names.first();
    }

    QString existingDirectory(const QString &caption, const QString &folder, QWidget *parent) override
    {
        if (!Dialogs::canAsk()) {
            printUnasked(QStringLiteral("Folder dialog not shown (%1, folder %2): cancelled").arg(caption, folder));
            return QString();
        }
        return QFileDialog::getExistingDirectory(dialogParent(parent), caption, folder);
    }

    bool chooseFont(QFont &font, QWidget *parent) override
    {
        if (!Dialogs::canAsk()) {
            printUnasked(QStringLiteral("Font dialog not shown (font %1): cancelled").arg(font.toString()));
            return false;
        }
        bool ok = false;
        const QFont chosen = QFontDialog::getFont(&ok, font, dialogParent(parent));
        if (ok)
            font = chosen;
        return ok;
    }

private:
    static QStringList runFileDialog(const TFileDialogRequest &request, QWidget *parent,
                                     QFileDialog::AcceptMode acceptMode, QFileDialog::FileMode fileMode)
    {
        if (!Dialogs::canAsk()) {
            const char *what = acceptMode == QFileDialog::AcceptSave ? "Save file" : "Open file";
            printUnasked(QStringLiteral("%1 dialog not shown (%2, file %3, filter %4): cancelled")
                             .arg(QLatin1String(what), request.caption, initialPath(request), request.filter));
            return {};
        }
        QFileDialog dialog(dialogParent(parent), request.caption, initialPath(request), request.filter);
        dialog.setAcceptMode(acceptMode);
        dialog.setFileMode(fileMode);
        QString suffix = request.defaultExtension;
        while (suffix.startsWith(QLatin1Char('.')))
            suffix.remove(0, 1);
        if (!suffix.isEmpty())
            dialog.setDefaultSuffix(suffix);
        if (dialog.exec() != QDialog::Accepted)
            return {};
        return dialog.selectedFiles();
    }
};

TDesktopDialogs &desktopDialogs()
{
    static TDesktopDialogs instance;
    return instance;
}

} // namespace

namespace Dialogs {

IDialogService &service()
{
    return g_installed ? *g_installed : desktopDialogs();
}

void setService(IDialogService *service)
{
    g_installed = service;
}

IDialogService *installedService()
{
    return g_installed;
}

void setAutoRun(bool on)
{
    g_autoRun = on;
}

bool autoRun()
{
    return g_autoRun;
}

bool canAsk()
{
    if (g_autoRun || !qobject_cast<QGuiApplication *>(QCoreApplication::instance()))
        return false;
    const QString platform = QGuiApplication::platformName();
    return platform != QLatin1String("offscreen") && platform != QLatin1String("minimal");
}

int defaultAnswer(int buttons, int defaultButton)
{
    buttons = normalisedButtons(buttons);
    for (const int button : kRunOnOrder)
        if (button == defaultButton && (buttons & button))
            return button;
    for (const int button : kRunOnOrder)
        if (buttons & button)
            return button;
    return mbOK;
}

int message(TMsgDlgType type, const QString &text, int buttons, int defaultButton, QWidget *parent)
{
    return service().messageBox(type, text, buttons, defaultButton, parent);
}

} // namespace Dialogs
