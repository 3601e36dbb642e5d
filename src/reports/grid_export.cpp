#include "reports/grid_export.h"

#include "reports/default_program.h"

#include <xlsxwriter.h>

#include <QDir>
#include <clocale>
#include <QUrl>
#include <algorithm>
#include <stdexcept>
#include <vector>

namespace vexa {

QString dayNumberText(const QDateTime& when) {
    double days =
        QDate(1899, 12, 30).daysTo(when.date()) + when.time().msecsSinceStartOfDay() / 86400000.0;
    return QString::number(days, 'g', 15);
}

QString gridExportFileName(const QDateTime& when) {
    return "VexaRep" + dayNumberText(when) + ".xlsx";
}

QString exportGrid(const QStringList& titles, const QList<QVariantList>& rows,
                   const QString& folder, const QDateTime& when) {
    if (!QDir().mkpath(folder))
        throw std::runtime_error(
            QString("Error: No se pudo crear la carpeta %1").arg(folder).toStdString());
    QString path = QDir(folder).filePath(gridExportFileName(when));
    QByteArray file = path.toUtf8();
    PointDecimals points;
    lxw_workbook* wb = workbook_new(file.constData());
    if (!wb)
        throw std::runtime_error(
            QString("Error: No se pudo crear el archivo %1").arg(path).toStdString());
    lxw_worksheet* ws = workbook_add_worksheet(wb, nullptr);
    lxw_format* bold = workbook_add_format(wb);
    format_set_bold(bold);
    std::vector<int> widths(titles.size(), 8);
    for (int c = 0; c < titles.size(); ++c) {
        QByteArray t = titles[c].toUtf8();
        worksheet_write_string(ws, 0, c, t.constData(), bold);
        widths[c] = std::max<int>(widths[c], titles[c].size());
    }
    for (int r = 0; r < rows.size(); ++r) {
        const QVariantList& row = rows[r];
        for (int c = 0; c < row.size() && c < titles.size(); ++c) {
            const QVariant& v = row[c];
            if (!v.isValid() || v.isNull()) continue;
            auto type = v.metaType().id();
            if (type == QMetaType::Double || type == QMetaType::Int ||
                type == QMetaType::LongLong) {
                worksheet_write_number(ws, r + 1, c, v.toDouble(), nullptr);
                widths[c] = std::max<int>(widths[c], QString::number(v.toDouble()).size());
            } else {
                QString s = v.toString();
                QByteArray b = s.toUtf8();
                worksheet_write_string(ws, r + 1, c, b.constData(), nullptr);
                widths[c] = std::max<int>(widths[c], s.size());
            }
        }
    }
    for (int c = 0; c < titles.size(); ++c)
        worksheet_set_column(ws, c, c, std::min(widths[c] + 2, 60), nullptr);
    lxw_error err = workbook_close(wb);
    if (err != LXW_NO_ERROR)
        throw std::runtime_error(QString("Error: No se pudo guardar %1: %2")
                                     .arg(path, QString::fromUtf8(lxw_strerror(err)))
                                     .toStdString());
    return path;
}

PointDecimals::PointDecimals() {
    const char* now = std::setlocale(LC_NUMERIC, nullptr);
    saved_ = now ? now : "C";
    std::setlocale(LC_NUMERIC, "C");
}

PointDecimals::~PointDecimals() {
    std::setlocale(LC_NUMERIC, saved_.c_str());
}

QString& gridExportFolder() {
    static QString folder = QDir::home().filePath("Documents/Reportes");
    return folder;
}

std::function<bool(const QString&)>& exportOpener() {
    static std::function<bool(const QString&)> opener = [](const QString& file) {
        return openWithDefaultProgram(QUrl::fromLocalFile(file));
    };
    return opener;
}

void openExportedFile(const QString& file) {
    if (!exportOpener() || exportOpener()(file)) return;
    throw std::runtime_error(
        QString("La hoja de cálculo se guardó en %1, pero no hay un programa que pueda abrirla.")
            .arg(file)
            .toStdString());
}

}  // namespace vexa
