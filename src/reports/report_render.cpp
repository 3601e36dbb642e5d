#include "reports/report_render.h"

#include <QAbstractTextDocumentLayout>
#include <QFile>
#include <QLocale>
#include <QPainter>
#include <QBuffer>
#include <QPdfWriter>
#include "reports/staged_file.h"
#include <QTextDocument>

namespace vexa {

QPageSize::PageSizeId defaultReportPaper() {
    switch (QLocale().territory()) {
        case QLocale::UnitedStates:
        case QLocale::Canada:
        case QLocale::Mexico:
        case QLocale::Chile:
        case QLocale::Colombia:
        case QLocale::Venezuela:
        case QLocale::Philippines:
            return QPageSize::Letter;
        default:
            return QPageSize::A4;
    }
}

QPageSize::PageSizeId reportPaperFromName(const QString& name) {
    return name.compare(QLatin1String("letter"), Qt::CaseInsensitive) == 0 ? QPageSize::Letter
                                                                           : QPageSize::A4;
}

int paintReport(QPagedPaintDevice& device, const QString& html, const ReportPageHeader& header,
                const ReportPageProgress& progress) {
    QPainter p(&device);
    if (!p.isActive()) return -1;
    const double dpi = device.logicalDpiY();
    const double w = device.width();
    const double h = device.height();

    QTextDocument doc;
    doc.documentLayout()->setPaintDevice(&device);
    doc.setDefaultFont(QFont(QStringLiteral("DejaVu Sans"), 9));
    doc.setDocumentMargin(0);
    doc.setHtml(html);

    QFont small(QStringLiteral("DejaVu Sans"), 8);
    QFont bold = small;
    bold.setBold(true);
    bold.setPointSize(9);
    const QFontMetricsF fm(small, &device);
    const double line = fm.lineSpacing();
    const double headerHeight = line * 2 + dpi * 0.18;  // two lines, a rule and a gap
    const QSizeF body(w, h - headerHeight);
    doc.setPageSize(body);
    const int pages = doc.pageCount();

    const QColor ink(0x33, 0x33, 0x33);
    for (int i = 0; i < pages; ++i) {
        if (progress && !progress(i + 1, pages)) return -1;
        if (i > 0 && !device.newPage()) return -1;
        // Header
        p.setPen(ink);
        p.setFont(bold);
        p.drawText(QRectF(0, 0, w * 0.7, line), Qt::AlignLeft | Qt::AlignVCenter, header.db);
        p.setFont(small);
        p.drawText(QRectF(w * 0.5, 0, w * 0.5, line), Qt::AlignRight | Qt::AlignVCenter,
                   QStringLiteral("Página %1 de %2").arg(i + 1).arg(pages));
        p.drawText(QRectF(0, line, w * 0.4, line), Qt::AlignLeft | Qt::AlignVCenter,
                   QStringLiteral("Usuario: %1").arg(header.user));
        p.drawText(QRectF(w * 0.2, line, w * 0.6, line), Qt::AlignHCenter | Qt::AlignVCenter,
                   header.report);
        p.drawText(QRectF(w * 0.6, line, w * 0.4, line), Qt::AlignRight | Qt::AlignVCenter,
                   header.date);
        const double ruleY = line * 2 + dpi * 0.04;
        p.setPen(QPen(QColor(0x1f, 0x4e, 0x3d), dpi / 96.0));
        p.drawLine(QPointF(0, ruleY), QPointF(w, ruleY));
        // This page's part of the document
        p.save();
        p.translate(0, headerHeight - i * body.height());
        const QRectF clip(0, i * body.height(), w, body.height());
        p.setClipRect(clip);
        QAbstractTextDocumentLayout::PaintContext ctx;
        ctx.clip = clip;
        ctx.palette.setColor(QPalette::Text, Qt::black);
        doc.documentLayout()->draw(&p, ctx);
        p.restore();
    }
    return pages;
}

bool writeReportPdf(const QString& html, const ReportPageHeader& header,
                    QPageSize::PageSizeId paper, const QString& file, QString* error, int* pages,
                    const ReportPageProgress& progress) {
    // Laid out in memory, then written beside the target and put in its place only when
    // complete: a failed run or a full disk leaves an older file as it was (the PDF writer
    // itself does not report a failed write).
    QByteArray bytes;
    int n = -1;
    {
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        QPdfWriter writer(&buffer);
        writer.setPageSize(QPageSize(paper));
        writer.setPageMargins(QMarginsF(15, 12, 15, 15), QPageLayout::Millimeter);
        writer.setResolution(600);
        writer.setTitle(header.report);
        writer.setCreator(QStringLiteral("Vexa"));
        n = paintReport(writer, html, header, progress);
    }
    const std::string cause =
        n < 0 ? std::string("no se pudo componer el PDF") : writeWholeFile(file, bytes);
    if (!cause.empty()) {
        if (error)
            *error = QStringLiteral("No se pudo escribir el reporte en %1: %2")
                         .arg(file, QString::fromStdString(cause));
        return false;
    }
    if (pages) *pages = n;
    return true;
}

}  // namespace vexa
