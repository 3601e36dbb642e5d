#include "reports/dataset_export.h"
#include "reports/staged_file.h"

#include <xlsxwriter.h>

#include <QDir>
#include <QFile>
#include <algorithm>
#include <stdexcept>

#include "reports/grid_export.h"

namespace vexa {

namespace {

void writeSheet(lxw_worksheet* ws, lxw_format* bold, const ExportSheet& sheet) {
    const QStringList& titles = sheet.titles;
    std::vector<int> widths(static_cast<size_t>(titles.size()), 8);
    for (int c = 0; c < titles.size(); ++c) {
        QByteArray t = titles[c].toUtf8();
        worksheet_write_string(ws, 0, static_cast<lxw_col_t>(c), t.constData(), bold);
        widths[static_cast<size_t>(c)] =
            std::max<int>(widths[static_cast<size_t>(c)], static_cast<int>(titles[c].size()));
    }
    for (int r = 0; r < sheet.rows.size(); ++r) {
        const QVariantList& row = sheet.rows[r];
        for (int c = 0; c < row.size() && c < titles.size(); ++c) {
            const QVariant& v = row[c];
            if (!v.isValid() || v.isNull()) continue;
            auto type = v.metaType().id();
            int& width = widths[static_cast<size_t>(c)];
            const auto rr = static_cast<lxw_row_t>(r + 1);
            const auto cc = static_cast<lxw_col_t>(c);
            if (type == QMetaType::Double || type == QMetaType::Int ||
                type == QMetaType::LongLong) {
                worksheet_write_number(ws, rr, cc, v.toDouble(), nullptr);
                width =
                    std::max<int>(width, static_cast<int>(QString::number(v.toDouble()).size()));
            } else {
                QString s = v.toString();
                QByteArray b = s.toUtf8();
                worksheet_write_string(ws, rr, cc, b.constData(), nullptr);
                width = std::max<int>(width, static_cast<int>(s.size()));
            }
        }
    }
    for (int c = 0; c < titles.size(); ++c)
        worksheet_set_column(ws, static_cast<lxw_col_t>(c), static_cast<lxw_col_t>(c),
                             std::min(widths[static_cast<size_t>(c)] + 2, 60), nullptr);
}

}  // namespace

QString exportSheetName(const QString& prefix, const QString& name) {
    QString s = prefix + name;
    for (QChar& ch : s)
        if (QString("[]:*?/\\").contains(ch) || ch.category() == QChar::Other_Control) ch = '_';
    // A sheet name may not begin or end with an apostrophe (a formula named "Pollo 1'").
    s = s.left(31);
    if (s.startsWith('\'')) s[0] = '_';
    if (s.endsWith('\'')) s[s.size() - 1] = '_';
    return s;
}

QString exportDatasets(const std::vector<ExportSheet>& sheets, const QString& folder,
                       const QDateTime& when) {
    if (!QDir().mkpath(folder))
        throw std::runtime_error(
            QString("Error: No se pudo crear la carpeta %1").arg(folder).toStdString());
    QString path = QDir(folder).filePath(gridExportFileName(when));
    const StagedFile staged(path);
    // The writer prints numbers with printf: keep a decimal point whatever the user's locale.
    PointDecimals points;
    lxw_workbook* wb = workbook_new(staged.stagingPath().constData());
    if (!wb)
        throw std::runtime_error(
            QString("Error: No se pudo crear el archivo %1").arg(path).toStdString());
    lxw_format* bold = workbook_add_format(wb);
    format_set_bold(bold);
    for (const ExportSheet& sheet : sheets) {
        QByteArray name = sheet.name.toUtf8();
        lxw_worksheet* ws =
            workbook_add_worksheet(wb, sheet.name.isEmpty() ? nullptr : name.constData());
        if (!ws) {
            workbook_close(wb);
            throw std::runtime_error(QString("Error: No se pudo crear la hoja %1 en %2")
                                         .arg(sheet.name, path)
                                         .toStdString());
        }
        writeSheet(ws, bold, sheet);
    }
    lxw_error err = workbook_close(wb);
    if (err != LXW_NO_ERROR)
        throw std::runtime_error(
            QString("Error: No se pudo guardar %1: %2")
                .arg(path, staged.failureCause(QString::fromUtf8(lxw_strerror(err))))
                .toStdString());
    staged.commit();
    return path;
}

}  // namespace vexa
