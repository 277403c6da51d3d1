#pragma once
// The cross-reference report: every parameter reached from a row of the
// repository browser, one detail block per row of the cross-reference
// query, under a page header with the reference base. Shown in the print
// preview, printed, or written to a PDF file.

#include "CrossrefQuery.h"

#include <QDate>
#include <QImage>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QRect>
#include <QString>

class QPainter;
class QPagedPaintDevice;
class QPaintDevice;
class QPrinter;
class QSqlQuery;
class QWidget;
class TDM;

// A text on the report's layout.
class TQRLabel
{
public:
    void setText(const QString &text) { m_text = text; }
    QString text() const { return m_text; }

private:
    QString m_text;
};

class TQRfrm_Crossref : public QObject
{
    Q_OBJECT
public:
    explicit TQRfrm_Crossref(QObject *parent = nullptr);

    // The page header's title.
    static QString Title();

    TQRLabel QRLabelReferenceBaseType;
    TQRLabel QRLabelReferenceBaseName;
    // Printed after "Date:"; today when the report is made.
    QDate ReportDate;

    // The detail band's data set: the repository whose cross-reference
    // query the report runs. None until it is linked; not owned.
    void SetDataModule(TDM *dm) { m_dataSet = dm; }
    TDM *DataSet() const { return m_dataSet.data(); }
    // Runs the query on the data set for the rows reached from the items of
    // that name and keeps them; EDatabaseError without a data set.
    void OpenQuery(TCrossrefBase base, const QString &name);
    // Reads the rows of an executed cross-reference query and keeps them
    // for printing.
    void SetDataSet(QSqlQuery &query);
    void SetRows(const QList<TCrossrefRow> &rows) { m_rows = rows; }
    const QList<TCrossrefRow> &Rows() const { return m_rows; }

    // Paints every page onto the printer (or PDF writer); the number of pages.
    int Print(QPagedPaintDevice &device);
    // Writes the report to a PDF file; EFileError when it cannot be written.
    void ExportToPdf(const QString &fileName);
    // The print preview, with printing and an export to PDF. Without a user
    // to show it to (no display, auto-run) the pages are rendered directly
    // into PreviewPages().
    void Preview(QWidget *parent = nullptr);
    const QList<QImage> &PreviewPages() const { return m_previewPages; }

    // Pages the rows take on a page of that size (device pixels) and
    // resolution.
    int PageCount(QPaintDevice &device, const QRect &pageRect) const;

private:
    struct TLayout;
    TLayout layoutFor(QPaintDevice &device, const QRect &pageRect) const;
    void paintPage(QPainter &painter, const TLayout &layout, int page) const;
    int paintAll(QPainter &painter, QPagedPaintDevice *paged, const QRect &pageRect);
    void exportFromPreview(QWidget *parent);

    QPointer<TDM> m_dataSet;
    QList<TCrossrefRow> m_rows;
    QList<QImage> m_previewPages;
};
