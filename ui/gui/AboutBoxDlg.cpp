#include "AboutBoxDlg.h"

#include "DialogService.h"
#include "SharedRoutinesCommon.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QLocale>
#include <QPushButton>
#include <QTextEdit>
#include <QVBoxLayout>

#include <functional>

namespace {

QLabel *makeLabel(QWidget *parent, const char *name, const QString &text = QString())
{
    auto *l = new QLabel(text, parent);
    l->setObjectName(QLatin1String(name));
    return l;
}

} // namespace

TfrmAbout::TfrmAbout(QWidget *parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("frmAbout"));
    setWindowTitle(QStringLiteral("About"));
    auto *layout = new QVBoxLayout(this);

    PanelTitle = new QFrame(this);
    PanelTitle->setObjectName(QStringLiteral("PanelTitle"));
    PanelTitle->setFrameShape(QFrame::StyledPanel);
    auto *titleLayout = new QHBoxLayout(PanelTitle);
    LabelTitle = makeLabel(PanelTitle, "LabelTitle", QStringLiteral("Product name"));
    QFont big = LabelTitle->font();
    big.setPointSizeF(big.pointSizeF() * 1.6);
    big.setBold(true);
    LabelTitle->setFont(big);
    LabelTitle->setAlignment(Qt::AlignCenter);
    titleLayout->addWidget(LabelTitle);
    layout->addWidget(PanelTitle, 0, Qt::AlignHCenter);

    LabelDescription = makeLabel(this, "LabelDescription", QStringLiteral("Description"));
    LabelFileVersion = makeLabel(this, "LabelFileVersion", QStringLiteral("File Version: "));
    LabelProductVersion = makeLabel(this, "LabelProductVersion", QStringLiteral("Product Version: "));
    LabelBuilt = makeLabel(this, "LabelBuilt", QStringLiteral("Built on: "));
    LabelSpacer1 = makeLabel(this, "LabelSpacer1");
    LabelLegal = makeLabel(this, "LabelLegal", QStringLiteral("Copyright"));
    LabelLegal->setAlignment(Qt::AlignCenter);
    for (QLabel *l : {LabelDescription, LabelFileVersion, LabelProductVersion, LabelBuilt, LabelSpacer1})
        layout->addWidget(l);

    MemoContent = new QTextEdit(this);
    MemoContent->setObjectName(QStringLiteral("MemoContent"));
    MemoContent->setReadOnly(true);
    MemoContent->setFrameShape(QFrame::NoFrame);
    layout->addWidget(MemoContent);
    layout->addWidget(LabelLegal);

    PanelMaker = new QFrame(this);
    PanelMaker->setObjectName(QStringLiteral("PanelMaker"));
    auto *makerLayout = new QVBoxLayout(PanelMaker);
    LabelCreatedBy = makeLabel(PanelMaker, "LabelCreatedBy", QStringLiteral("Created by: "));
    ImageLogo = makeLabel(PanelMaker, "ImageLogo", QStringLiteral("\u25C6"));
    ImageLogo->setAlignment(Qt::AlignCenter);
    LabelMakerName = makeLabel(PanelMaker, "LabelMakerName", ProgramVersionString(QStringLiteral("CompanyName")));
    LabelMakerName->setAlignment(Qt::AlignCenter);
    makerLayout->addWidget(LabelCreatedBy);
    makerLayout->addWidget(ImageLogo);
    makerLayout->addWidget(LabelMakerName);
    layout->addWidget(PanelMaker, 0, Qt::AlignHCenter);
    LabelSpacer2 = makeLabel(this, "LabelSpacer2");
    layout->addWidget(LabelSpacer2);

    ButtonOK = new QPushButton(QStringLiteral("OK"), this);
    ButtonOK->setObjectName(QStringLiteral("ButtonOK"));
    ButtonOK->setDefault(true);
    layout->addWidget(ButtonOK, 0, Qt::AlignHCenter);
    connect(ButtonOK, &QPushButton::clicked, this, &QDialog::accept);
}

void TfrmAbout::fill(const QString &memoContent, const QString &heading, const QString &pgmTitle)
{
    if (!ProgramVersionString(QStringLiteral("FileVersion")).isEmpty()) {
        LabelDescription->setText(ProgramVersionString(QStringLiteral("FileDescription")));
        LabelFileVersion->setText(QStringLiteral("File Version: ") + ProgramVersionString(QStringLiteral("FileVersion")));
        const QFileInfo program(QCoreApplication::applicationFilePath());
        LabelBuilt->setText(QStringLiteral("Built on: ")
                            + QLocale::c().toString(program.lastModified(), QStringLiteral("yyyy MMMM dd,dddd hh:mm:ss")));
        LabelTitle->setText(ProgramVersionString(QStringLiteral("ProductName")));
        LabelLegal->setText(ProgramVersionString(QStringLiteral("LegalCopyright")));
        LabelProductVersion->setText(QStringLiteral("Product Version: ")
                                     + ProgramVersionString(QStringLiteral("ProductVersion")));
    }
    if (memoContent.isEmpty()) {
        MemoContent->hide();
    } else {
        const bool leftAligned = memoContent.startsWith(u'@');
        MemoContent->setPlainText(leftAligned ? memoContent.mid(1) : memoContent);
        MemoContent->selectAll();
        MemoContent->setAlignment(leftAligned ? Qt::AlignLeft : Qt::AlignHCenter);
        QTextCursor c = MemoContent->textCursor();
        c.clearSelection();
        MemoContent->setTextCursor(c);
        const int lines = int(MemoContent->toPlainText().split(QLatin1Char('\n')).size());
        MemoContent->setFixedHeight(19 * lines + 2 * MemoContent->frameWidth() + 4);
        MemoContent->show();
    }
    if (!heading.isEmpty())
        setWindowTitle(heading);
    if (!pgmTitle.isEmpty())
        LabelTitle->setText(pgmTitle);
}

void TfrmAbout::showEvent(QShowEvent *event)
{
    PanelTitle->setMinimumWidth(LabelTitle->sizeHint().width() + 10);
    QDialog::showEvent(event);
}

bool TAboutBoxDlg::Execute(QWidget *parent)
{
    TfrmAbout form(parent);
    form.fill(MemoContent, Heading, PgmTitle);
    if (OnBeforeShow)
        OnBeforeShow(form);
    // Nobody to close the window: report it as not confirmed instead of blocking.
    if (!Dialogs::canAsk())
        return false;
    return form.exec() == QDialog::Accepted;
}
