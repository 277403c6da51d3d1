#pragma once
// The about box: the program's version strings, an optional memo text and
// the maker panel.

#include <QDialog>
#include <QObject>
#include <QString>

#include <functional>

class QLabel;
class QFrame;
class QPushButton;
class QTextEdit;

class TfrmAbout : public QDialog
{
    Q_OBJECT
public:
    explicit TfrmAbout(QWidget *parent = nullptr);

    QFrame *PanelTitle;
    QLabel *LabelTitle;
    QLabel *LabelDescription;
    QLabel *LabelFileVersion;
    QLabel *LabelProductVersion;
    QLabel *LabelBuilt;
    QLabel *LabelLegal;
    QTextEdit *MemoContent;
    QFrame *PanelMaker;
    QLabel *LabelCreatedBy;
    QLabel *ImageLogo;
    QLabel *LabelMakerName;
    QLabel *LabelSpacer1;
    QLabel *LabelSpacer2;
    QPushButton *ButtonOK;

    // Fills the labels from the version strings and lays out the memo.
    void fill(const QString &memoContent, const QString &heading, const QString &pgmTitle);

protected:
    void showEvent(QShowEvent *event) override;
};

class TAboutBoxDlg : public QObject
{
    Q_OBJECT
    Q_PROPERTY(QString PgmTitle MEMBER PgmTitle)
    Q_PROPERTY(QString MemoContent MEMBER MemoContent)
    Q_PROPERTY(QString Heading MEMBER Heading)
public:
    explicit TAboutBoxDlg(QObject *parent = nullptr) : QObject(parent) {}

    QString PgmTitle;
    QString MemoContent;
    QString Heading;

    // Shows the window modally; true when it was closed with OK.
    bool Execute(QWidget *parent = nullptr);
    // Called with the window just before it is shown (tests inspect it there).
    std::function<void(TfrmAbout &)> OnBeforeShow;
};
