#include "DialogService.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QFontDialog>
#include <QGuiApplication>
#include <QMessageBox>
#include <QPushButton>

#include <cstdio>

namespace {

IDialogService *g_installed = nullptr;

struct TButtonInfo
{
    int button;
    QMessageBox::StandardButton standard;
};

const TButtonInfo kButtons[] = {
    {mbYes, QMessageBox::Yes},        {mbNo, QMessageBox::No},
    {mbOK, QMessageBox::Ok},           {mbCancel, QMessageBox::Cancel},
    {mbAbort, QMessageBox::Abort},  {mbRetry, QMessageBox::Retry},
    {mbIgnore, QMessageBox::Ignore}, {mbAll, QMessageBox::YesToAll},
};

int normalisedButtons(int buttons)
{
    return buttons == mbNone ? int(mbOK) : buttons;
}

QWidget *dialogParent(QWidget *parent)
{
    return parent ? parent : QApplication::activeWindow();
}

QString caption()
{
    return QGuiApplication::applicationDisplayName();
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
            Unasked::Print(Unasked::MessageText(type, text, buttons, fallback));
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
            Unasked::Print(Unasked::DirectoryText(caption, folder));
            return QString();
        }
        return QFileDialog::getExistingDirectory(dialogParent(parent), caption, folder);
    }

    bool chooseFont(QFont &font, QWidget *parent, const TFontApply &apply) override
    {
        if (!Dialogs::canAsk()) {
            Unasked::Print(QStringLiteral("Font dialog not shown (font %1): cancelled").arg(font.toString()));
            return false;
        }
        const std::unique_ptr<QFontDialog> dialog = Dialogs::makeFontDialog(font, dialogParent(parent), apply);
        if (dialog->exec() != QDialog::Accepted)
            return false;
        font = dialog->selectedFont();
        return true;
    }

private:
    static QStringList runFileDialog(const TFileDialogRequest &request, QWidget *parent,
                                     QFileDialog::AcceptMode acceptMode, QFileDialog::FileMode fileMode)
    {
        if (!Dialogs::canAsk()) {
            Unasked::Print(Unasked::FileText(acceptMode == QFileDialog::AcceptSave, request));
            return {};
        }
        QFileDialog dialog(dialogParent(parent), request.caption, request.initialPath(), request.filter);
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
    Unasked::SetAutoRun(on);
}

bool autoRun()
{
    return Unasked::AutoRun();
}

bool canAsk()
{
    return !Unasked::NobodyToAsk();
}

std::unique_ptr<QFontDialog> makeFontDialog(const QFont &font, QWidget *parent, const TFontApply &apply)
{
    auto dialog = std::make_unique<QFontDialog>(font, parent);
    // The platform's own font dialogs take no extra button.
    dialog->setOption(QFontDialog::DontUseNativeDialog);
    if (apply) {
        if (auto *box = dialog->findChild<QDialogButtonBox *>()) {
            QPushButton *button = box->addButton(QDialogButtonBox::Apply);
            QFontDialog *shown = dialog.get();
            QObject::connect(button, &QPushButton::clicked, shown, [shown, apply] { apply(shown->currentFont()); });
        }
    }
    return dialog;
}

int message(TMsgDlgType type, const QString &text, int buttons, int defaultButton, QWidget *parent)
{
    return service().messageBox(type, text, buttons, defaultButton, parent);
}

} // namespace Dialogs
