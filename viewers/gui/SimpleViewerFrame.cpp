#include "SimpleViewerFrame.h"

#include "TextFile.h"

#include <QFileInfo>
#include <QPlainTextEdit>
#include <QVBoxLayout>

TFrameSimpleViewer::TFrameSimpleViewer(QWidget *parent)
    : TFrame(parent)
{
    Memo = new QPlainTextEdit(this);
    Memo->setObjectName(QStringLiteral("Memo"));
    Memo->setReadOnly(true);
    Memo->setLineWrapMode(QPlainTextEdit::NoWrap);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(Memo);
}

void TFrameSimpleViewer::LoadFile(const QString &path)
{
    const QString text = TextFile::readText(path);
    QString shown = text;
    shown.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    Memo->setPlainText(shown);
    m_fileName = path;
    m_fileTime = QFileInfo(path).lastModified();
}
