#include "CrossrefReport.h"

#include "DialogService.h"
#include "Errors.h"
#include "QuenbarDB.h"

#include <QAction>
#include <QFileInfo>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QPainter>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QTextLayout>
#include <QTextOption>
#include <QToolBar>

#include <algorithm>
#include <vector>

namespace {

const QString CaptionInterface = QStringLiteral("Interface name:");
const QString CaptionOperation = QStringLiteral("Operation name:");
const QString CaptionDirection = QStringLiteral("Direction:");
const QString CaptionIOName = QStringLiteral("Input/Output name:");
const QString CaptionParameter = QStringLiteral("Parameter name:");
const QString CaptionLevel = QStringLiteral("Parameter level:");
const QString CaptionType = QStringLiteral("Parameter type:");
const QString CaptionComment = QStringLiteral("Parameter comment:");
const QString CaptionBaseType = QStringLiteral("Reference base type:");
const QString CaptionBaseName = QStringLiteral("Reference base name:");
const QString CaptionDate = QStringLiteral("Date:");
const QString CaptionPage = QStringLiteral("Page:");

constexpr double MarginMm = 15.0;
constexpr double GapMm = 1.5;
constexpr double BandGapMm = 2.5;
// Preview pages when nobody looks at them: A4 at 96 dpi.
constexpr int PreviewDpi = 96;

QFont reportFont(int pointSize, bool bold)
{
    QFont font(QGuiApplication::font().family());
    font.setPointSize(pointSize);
    font.setBold(bold);
    return font;
}

// Height of the text wrapped into the width: at word boundaries, inside a
// word only when the word alone is too wide.
int wrappedHeight(const QString &text, const QFont &font, QPaintDevice &device, int width)
{
    QFontMetrics metrics(font, &device);
    if (text.isEmpty() || width <= 0)
        return metrics.height();
    QTextLayout layout(text, font, &device);
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    layout.setTextOption(option);
    qreal height = 0;
    layout.beginLayout();
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
        line.setLineWidth(width);
        height += line.height();
    }
    layout.endLayout();
    return std::max(metrics.height(), int(height + 0.999));
}

void drawWrapped(QPainter &painter, const QRect &rect, const QString &text)
{
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    option.setAlignment(Qt::AlignLeft | Qt::AlignTop);
    painter.drawText(QRectF(rect), text, option);
}

struct TPair
{
    QString caption;
    QString value;
};

// The detail band of a row: four lines of two caption / value pairs.
std::vector<std::pair<TPair, TPair>> bandLines(const TCrossrefRow &row)
{
    return {{{CaptionInterface, row.interface}, {CaptionOperation, row.operation}},
            {{CaptionDirection, row.direction}, {CaptionIOName, row.ioname}},
            {{CaptionParameter, row.parametername}, {CaptionLevel, row.depth}},
            {{CaptionType, row.parametertype}, {CaptionComment, row.parameterComment}}};
}

} // namespace

// ---- Layout ----------------------------------------------------------------------

struct TQRfrm_Crossref::TLayout
{
    QRect page;        // the printable area, painted from (0, 0)
    double mm = 1.0;   // device pixels per millimetre
    QFont titleFont;
    QFont captionFont;
    QFont valueFont;
    int lineHeight = 0;
    int titleHeight = 0;
    int headerHeight = 0;
    int captionWidth = 0;   // detail captions
    int headerCaptionWidth = 0;
    int rightBlockX = 0;    // "Date:" and "Page:"
    std::vector<std::vector<int>> lineHeights; // per row, per band line
    std::vector<int> bandHeights;
    std::vector<int> pageStarts; // first row of each page
};

TQRfrm_Crossref::TQRfrm_Crossref(QObject *parent) : QObject(parent), ReportDate(QDate::currentDate())
{
    setObjectName(QStringLiteral("QRfrm_Crossref"));
}

QString TQRfrm_Crossref::Title()
{
    return QStringLiteral("Q u e n b a r  C r o s s r e f e r e n c e  R e p o r t ");
}

void TQRfrm_Crossref::OpenQuery(TCrossrefBase base, const QString &name)
{
    if (!m_dataSet)
        throw EDatabaseError(QStringLiteral("The crossreference report has no data set"));
    m_rows = Crossref::Rows(*m_dataSet, base, name);
}

void TQRfrm_Crossref::SetDataSet(QSqlQuery &query)
{
    m_rows = Crossref::ReadRows(query);
}

TQRfrm_Crossref::TLayout TQRfrm_Crossref::layoutFor(QPaintDevice &device, const QRect &pageRect) const
{
    TLayout l;
    l.page = QRect(QPoint(0, 0), pageRect.size());
    l.mm = device.logicalDpiY() / 25.4;
    l.titleFont = reportFont(14, true);
    l.captionFont = reportFont(9, true);
    l.valueFont = reportFont(9, false);
    const QFontMetrics captions(l.captionFont, &device);
    const QFontMetrics values(l.valueFont, &device);
    const QFontMetrics title(l.titleFont, &device);
    const int gap = int(GapMm * l.mm);
    l.lineHeight = std::max(captions.height(), values.height());
    l.titleHeight = title.height();

    for (const QString &c : {CaptionInterface, CaptionOperation, CaptionDirection, CaptionIOName, CaptionParameter,
                             CaptionLevel, CaptionType, CaptionComment})
        l.captionWidth = std::max(l.captionWidth, captions.horizontalAdvance(c));
    l.captionWidth += gap;
    l.headerCaptionWidth = std::max(captions.horizontalAdvance(CaptionBaseType),
                                    captions.horizontalAdvance(CaptionBaseName)) + gap;
    l.rightBlockX = l.page.width() - int(45 * l.mm);

    const int baseNameWidth = l.rightBlockX - l.headerCaptionWidth - gap;
    const int baseNameHeight =
        std::max(l.lineHeight, wrappedHeight(QRLabelReferenceBaseName.text(), l.valueFont, device, baseNameWidth));
    l.headerHeight = l.titleHeight + 2 * gap + l.lineHeight + gap + baseNameHeight + 2 * gap;

    const int half = l.page.width() / 2;
    const int valueWidth = half - l.captionWidth - gap;
    const int bandGap = int(BandGapMm * l.mm);
    for (const TCrossrefRow &row : m_rows) {
        std::vector<int> heights;
        int band = 0;
        for (const auto &[left, right] : bandLines(row)) {
            const int h = std::max({l.lineHeight, wrappedHeight(left.value, l.valueFont, device, valueWidth),
                                    wrappedHeight(right.value, l.valueFont, device, valueWidth)});
            heights.push_back(h);
            band += h;
        }
        l.lineHeights.push_back(std::move(heights));
        l.bandHeights.push_back(band + bandGap);
    }

    // A band that does not fit goes to the next page, unless it is the first
    // of its page.
    l.pageStarts.push_back(0);
    int y = l.headerHeight;
    for (size_t i = 0; i < l.bandHeights.size(); ++i) {
        if (y + l.bandHeights[i] > l.page.height() && int(i) != l.pageStarts.back()) {
            l.pageStarts.push_back(int(i));
            y = l.headerHeight;
        }
        y += l.bandHeights[i];
    }
    return l;
}

int TQRfrm_Crossref::PageCount(QPaintDevice &device, const QRect &pageRect) const
{
    return int(layoutFor(device, pageRect).pageStarts.size());
}

void TQRfrm_Crossref::paintPage(QPainter &painter, const TLayout &l, int page) const
{
    const int gap = int(GapMm * l.mm);
    const int width = l.page.width();

    // Page header.
    painter.setFont(l.titleFont);
    painter.drawText(QRect(0, 0, width, l.titleHeight), Qt::AlignHCenter | Qt::AlignTop, Title());
    int y = l.titleHeight + 2 * gap;
    const int valueX = l.headerCaptionWidth;
    const int rightValueX = l.rightBlockX + int(15 * l.mm);
    painter.setFont(l.captionFont);
    painter.drawText(QRect(0, y, l.headerCaptionWidth, l.lineHeight), Qt::AlignLeft | Qt::AlignTop, CaptionBaseType);
    painter.drawText(QRect(l.rightBlockX, y, rightValueX - l.rightBlockX, l.lineHeight), Qt::AlignLeft | Qt::AlignTop,
                     CaptionDate);
    painter.setFont(l.valueFont);
    painter.drawText(QRect(valueX, y, l.rightBlockX - valueX - gap, l.lineHeight), Qt::AlignLeft | Qt::AlignTop,
                     QRLabelReferenceBaseType.text());
    painter.drawText(QRect(rightValueX, y, width - rightValueX, l.lineHeight), Qt::AlignLeft | Qt::AlignTop,
                     ReportDate.toString(QStringLiteral("yyyy.MM.dd")));
    y += l.lineHeight + gap;
    painter.setFont(l.captionFont);
    painter.drawText(QRect(0, y, l.headerCaptionWidth, l.lineHeight), Qt::AlignLeft | Qt::AlignTop, CaptionBaseName);
    painter.drawText(QRect(l.rightBlockX, y, rightValueX - l.rightBlockX, l.lineHeight), Qt::AlignLeft | Qt::AlignTop,
                     CaptionPage);
    painter.setFont(l.valueFont);
    painter.drawText(QRect(rightValueX, y, width - rightValueX, l.lineHeight), Qt::AlignLeft | Qt::AlignTop,
                     QString::number(page + 1));
    drawWrapped(painter, QRect(valueX, y, l.rightBlockX - valueX - gap, l.headerHeight - y),
                QRLabelReferenceBaseName.text());
    const int ruleY = l.headerHeight - gap;
    painter.drawLine(0, ruleY, width, ruleY);

    // Detail bands.
    const int first = l.pageStarts[size_t(page)];
    const int last = size_t(page) + 1 < l.pageStarts.size() ? l.pageStarts[size_t(page) + 1] : int(m_rows.size());
    const int half = width / 2;
    const int valueWidth = half - l.captionWidth - gap;
    y = l.headerHeight;
    for (int r = first; r < last; ++r) {
        const auto lines = bandLines(m_rows[r]);
        for (size_t i = 0; i < lines.size(); ++i) {
            const int h = l.lineHeights[size_t(r)][i];
            const TPair *pairs[] = {&lines[i].first, &lines[i].second};
            for (int side = 0; side < 2; ++side) {
                const int x = side * half;
                painter.setFont(l.captionFont);
                painter.drawText(QRect(x, y, l.captionWidth, h), Qt::AlignLeft | Qt::AlignTop, pairs[side]->caption);
                painter.setFont(l.valueFont);
                drawWrapped(painter, QRect(x + l.captionWidth, y, valueWidth, h), pairs[side]->value);
            }
            y += h;
        }
        const int separator = y + int(BandGapMm * l.mm) / 2;
        painter.save();
        painter.setPen(QPen(Qt::gray, 0));
        painter.drawLine(0, separator, width, separator);
        painter.restore();
        y += int(BandGapMm * l.mm);
    }
}

int TQRfrm_Crossref::paintAll(QPainter &painter, QPagedPaintDevice *paged, const QRect &pageRect)
{
    const TLayout l = layoutFor(*painter.device(), pageRect);
    const int pages = int(l.pageStarts.size());
    for (int p = 0; p < pages; ++p) {
        if (p > 0 && paged)
            paged->newPage();
        painter.save();
        painter.translate(pageRect.topLeft());
        paintPage(painter, l, p);
        painter.restore();
    }
    return pages;
}

int TQRfrm_Crossref::Print(QPagedPaintDevice &device)
{
    QPainter painter;
    if (!painter.begin(&device))
        throw EFileError(QStringLiteral("The report cannot be printed"));
    const int pages = paintAll(painter, &device, QRect(0, 0, device.width(), device.height()));
    painter.end();
    return pages;
}

void TQRfrm_Crossref::ExportToPdf(const QString &fileName)
{
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(fileName);
    printer.setPageSize(QPageSize(QPageSize::A4));
    printer.setPageMargins(QMarginsF(MarginMm, MarginMm, MarginMm, MarginMm), QPageLayout::Millimeter);
    printer.setDocName(QStringLiteral("Crossreference"));
    QPainter painter;
    if (!painter.begin(&printer))
        throw EFileError(QStringLiteral("Cannot create file ") + fileName);
    paintAll(painter, &printer, QRect(0, 0, printer.width(), printer.height()));
    if (!painter.end() || !QFileInfo::exists(fileName))
        throw EFileError(QStringLiteral("Cannot create file ") + fileName);
}

void TQRfrm_Crossref::Preview(QWidget *parent)
{
    m_previewPages.clear();
    if (!Dialogs::canAsk()) {
        const QPageSize a4(QPageSize::A4);
        const QSize size = a4.sizePixels(PreviewDpi);
        const int margin = int(MarginMm * PreviewDpi / 25.4);
        const QRect pageRect(margin, margin, size.width() - 2 * margin, size.height() - 2 * margin);
        QImage probe(size, QImage::Format_RGB32);
        const int dotsPerMeter = int(PreviewDpi / 0.0254 + 0.5);
        probe.setDotsPerMeterX(dotsPerMeter);
        probe.setDotsPerMeterY(dotsPerMeter);
        const TLayout l = layoutFor(probe, pageRect);
        for (int p = 0; p < int(l.pageStarts.size()); ++p) {
            QImage image(size, QImage::Format_RGB32);
            image.setDotsPerMeterX(dotsPerMeter);
            image.setDotsPerMeterY(dotsPerMeter);
            image.fill(Qt::white);
            QPainter painter(&image);
            painter.translate(pageRect.topLeft());
            paintPage(painter, l, p);
            painter.end();
            m_previewPages.append(image);
        }
        return;
    }
    QPrinter printer(QPrinter::HighResolution);
    printer.setPageSize(QPageSize(QPageSize::A4));
    printer.setPageMargins(QMarginsF(MarginMm, MarginMm, MarginMm, MarginMm), QPageLayout::Millimeter);
    QPrintPreviewDialog dialog(&printer, parent);
    dialog.setWindowTitle(QStringLiteral("Crossreference"));
    connect(&dialog, &QPrintPreviewDialog::paintRequested, &dialog, [this](QPrinter *target) {
        QPainter painter;
        if (painter.begin(target))
            paintAll(painter, target, QRect(0, 0, target->width(), target->height()));
    });
    if (QToolBar *toolBar = dialog.findChild<QToolBar *>()) {
        QAction *exportPdf = toolBar->addAction(QStringLiteral("Export to PDF"));
        exportPdf->setObjectName(QStringLiteral("ActExportPdf"));
        connect(exportPdf, &QAction::triggered, &dialog, [this, &dialog] { exportFromPreview(&dialog); });
    }
    dialog.exec();
}

void TQRfrm_Crossref::exportFromPreview(QWidget *parent)
{
    TFileDialogRequest request;
    request.caption = QStringLiteral("Export to PDF");
    request.filter = QStringLiteral("PDF files (*.pdf);;All files (*)");
    request.defaultExtension = QStringLiteral("pdf");
    request.fileName = QStringLiteral("Crossreference.pdf");
    const QString file = Dialogs::service().saveFileName(request, parent);
    if (file.isEmpty())
        return;
    try {
        ExportToPdf(file);
    } catch (const EQuenbarError &e) {
        Dialogs::message(TMsgDlgType::Error, e.message(), mbOK, mbOK, parent);
    }
}
