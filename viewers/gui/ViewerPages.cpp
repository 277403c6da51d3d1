#include "ViewerPages.h"

#include "DialogService.h"
#include "Reporting.h"
#include "SharedRoutinesCommon.h"
#include "SimpleViewerFrame.h"

#include <QFileInfo>
#include <QFontInfo>
#include <QPlainTextEdit>
#include <QVBoxLayout>

#include <cstdlib>

TViewerPages::TViewerPages(QTabWidget *tabs, IReporter &reporter)
    : m_tabs(tabs), m_reporter(reporter), m_font(DefaultFont())
{
}

int TViewerPages::Count() const
{
    return m_tabs ? m_tabs->count() : 0;
}

TFrameSimpleViewer *TViewerPages::ActiveViewer() const
{
    QWidget *page = m_tabs ? m_tabs->currentWidget() : nullptr;
    return page ? page->findChild<TFrameSimpleViewer *>() : nullptr;
}

void TViewerPages::Show()
{
    if (OnShow)
        OnShow();
}

QString TViewerPages::Caption(const QString &path, const QString &baseFolder)
{
    const QString base = WithTrailingChar(baseFolder, QLatin1Char('/'));
    return (!baseFolder.isEmpty() && StartsWithText(base, path)) ? path.mid(base.size()) : path;
}

void TViewerPages::Open(const QString &path, const QString &baseFolder)
{
    if (!QFileInfo::exists(path))
        m_reporter.ShowError(QStringLiteral("File ") + path + QStringLiteral(" doesn't exist"), false);
    const QString caption = Caption(path, baseFolder);
    Show();
    for (int i = 0; i < m_tabs->count(); ++i) {
        if (!SameText(m_tabs->tabText(i), caption))
            continue;
        m_tabs->setCurrentIndex(i);
        TFrameSimpleViewer *v = m_tabs->widget(i)->findChild<TFrameSimpleViewer *>();
        if (!v || v->FileTime() == QFileInfo(path).lastModified())
            return;
        // A log only grows while a run writes it: it is reloaded without asking.
        if (!SameText(QFileInfo(path).suffix(), QStringLiteral("log"))
            && Dialogs::message(TMsgDlgType::Confirmation,
                                QStringLiteral("Module %1's date/time changed. Reload?").arg(caption), mbYesNo, 0,
                                m_tabs->window())
                   != mbYes)
            return;
        ClosePage(i);
        break;
    }
    auto *page = new QWidget;
    page->setObjectName(QStringLiteral("tsv") + QString::number(m_pageCounter++));
    auto *layout = new QVBoxLayout(page);
    layout->setContentsMargins(0, 0, 0, 0);
    auto *viewer = new TFrameSimpleViewer(page);
    viewer->setObjectName(page->objectName() + QStringLiteral("FrameSimpleViewer"));
    viewer->Memo->setFont(m_font);
    layout->addWidget(viewer);
    m_tabs->addTab(page, caption);
    m_tabs->setCurrentWidget(page);
    try {
        viewer->LoadFile(path);
    } catch (...) {
        ClosePage(m_tabs->indexOf(page));
        throw;
    }
}

void TViewerPages::ClosePage(int index)
{
    QWidget *page = m_tabs ? m_tabs->widget(index) : nullptr;
    if (!page)
        return;
    m_tabs->removeTab(index);
    page->deleteLater();
    if (m_tabs->count() == 0 && OnLastPageClosed)
        OnLastPageClosed();
}

bool TViewerPages::CloseCurrent()
{
    if (Count() == 0)
        return false;
    ClosePage(m_tabs->currentIndex());
    return true;
}

void TViewerPages::CloseAll()
{
    while (Count() > 0)
        ClosePage(m_tabs->count() - 1);
}

void TViewerPages::SetFont(const QFont &font)
{
    m_font = font;
    if (!m_tabs)
        return;
    for (TFrameSimpleViewer *v : m_tabs->findChildren<TFrameSimpleViewer *>())
        v->Memo->setFont(font);
}

QFont TViewerPages::DefaultFont()
{
    QFont font(QStringLiteral("Lucida Console"));
    font.setStyleHint(QFont::Monospace);
    font.setPixelSize(11);
    return font;
}

void TViewerPages::ReadFontSettings()
{
    if (ReadSetting(QStringLiteral("FontName")).isEmpty())
        return;
    QFont f = m_font;
    ReadSettingInt(QStringLiteral("FontCharSet"), 238);   // unused; reading stores the default when missing
    const int size = ReadSettingInt(QStringLiteral("FontSize"), 9);
    if (size > 0)
        f.setPointSize(size);
    const int height = std::abs(ReadSettingInt(QStringLiteral("FontHeight"), 0));
    if (height > 0)
        f.setPixelSize(height);
    f.setFamily(ReadSetting(QStringLiteral("FontName")));
    f.setBold(ReadSettingBool(QStringLiteral("FontBold")));
    f.setItalic(ReadSettingBool(QStringLiteral("FontItalic")));
    f.setUnderline(ReadSettingBool(QStringLiteral("FontUnderline")));
    f.setStrikeOut(ReadSettingBool(QStringLiteral("FontStrikeOut")));
    SetFont(f);
}

bool TViewerPages::ChooseFont(QWidget *parent)
{
    QFont font = m_font;
    // Apply tries a font on the page in front only; the viewer font stays.
    const TFontApply apply = [this](const QFont &shown) {
        if (TFrameSimpleViewer *viewer = ActiveViewer())
            viewer->Memo->setFont(shown);
    };
    if (!Dialogs::service().chooseFont(font, parent, apply))
        return false;
    SetFont(font);
    WriteSettingInt(QStringLiteral("FontCharSet"), 238);
    WriteSettingInt(QStringLiteral("FontSize"), font.pointSize());
    WriteSettingInt(QStringLiteral("FontHeight"), font.pixelSize() > 0 ? font.pixelSize() : QFontInfo(font).pixelSize());
    WriteSetting(QStringLiteral("FontName"), font.family());
    WriteSettingBool(QStringLiteral("FontBold"), font.bold());
    WriteSettingBool(QStringLiteral("FontItalic"), font.italic());
    WriteSettingBool(QStringLiteral("FontUnderline"), font.underline());
    WriteSettingBool(QStringLiteral("FontStrikeOut"), font.strikeOut());
    return true;
}

void TViewerPages::CopySelection()
{
    if (TFrameSimpleViewer *viewer = ActiveViewer())
        viewer->Memo->copy();
}

void TViewerPages::SelectAllText()
{
    if (TFrameSimpleViewer *viewer = ActiveViewer())
        viewer->Memo->selectAll();
}
