#pragma once
// Laying out a filled catalogue report on pages: a header on every page (workspace title,
// user, date, "Página N de M"), the tables' column titles repeated where a table breaks.
// The same painting serves the preview, the printer and PDF files.
#include <QPageSize>
#include <QString>
#include <functional>

class QPagedPaintDevice;

namespace vexa {

struct ReportPageHeader {
    QString db;      // workspace title
    QString report;  // the command's caption
    QString user;
    QString date;
};

// Letter where the locale's country uses it, A4 elsewhere.
QPageSize::PageSizeId defaultReportPaper();
// "a4" / "letter" (any case); A4 for anything else.
QPageSize::PageSizeId reportPaperFromName(const QString& name);

// Called before each page is painted (1-based) with the page count; false stops the painting.
using ReportPageProgress = std::function<bool(int page, int pages)>;

// Paints every page on the device; returns the page count, -1 when the device could not be
// painted on or the painting was stopped.
int paintReport(QPagedPaintDevice& device, const QString& html, const ReportPageHeader& header,
                const ReportPageProgress& progress = {});

// Writes a PDF file; false with the cause in `error` when it cannot be written.
bool writeReportPdf(const QString& html, const ReportPageHeader& header,
                    QPageSize::PageSizeId paper, const QString& file, QString* error,
                    int* pages = nullptr, const ReportPageProgress& progress = {});

}  // namespace vexa
