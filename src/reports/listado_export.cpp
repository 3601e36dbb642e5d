#include "reports/listado_export.h"
#include "reports/staged_file.h"

#include "reports/grid_export.h"

#include <QDir>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QMessageBox>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>
#include <xlsxwriter.h>

#include <stdexcept>

namespace vexa {

CheckListDialog::CheckListDialog(const QString& what, const std::vector<ReportChoice>& rows,
                                 QWidget* parent)
    : QDialog(parent), rows_(rows) {
    setWindowTitle(QStringLiteral("Lista de ") + what);
    auto* lay = new QVBoxLayout(this);
    table_ = new QTableWidget(int(rows_.size()), 2, this);
    table_->setHorizontalHeaderLabels({QStringLiteral("Seleccionado"), QStringLiteral("Nombre")});
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table_->setSelectionBehavior(QAbstractItemView::SelectRows);
    table_->verticalHeader()->hide();
    table_->horizontalHeader()->setStretchLastSection(true);
    for (int r = 0; r < int(rows_.size()); ++r) {
        auto* check = new QTableWidgetItem;
        check->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
        check->setCheckState(Qt::Checked);
        table_->setItem(r, 0, check);
        table_->setItem(r, 1, new QTableWidgetItem(QString::fromStdString(rows_[size_t(r)].name)));
    }
    if (!rows_.empty()) table_->setCurrentCell(0, 1);
    connect(table_, &QTableWidget::cellClicked, this, [this](int r, int) { toggle(r); });
    auto* buttons = new QHBoxLayout;
    auto* all = new QPushButton(QStringLiteral("Seleccionar Todos"), this);
    auto* none = new QPushButton(QStringLiteral("Deseleccionar Todos"), this);
    auto* ok = new QPushButton(QStringLiteral("Aceptar"), this);
    auto* cancel = new QPushButton(QStringLiteral("Cancelar"), this);
    ok->setDefault(true);
    buttons->addWidget(all);
    buttons->addWidget(none);
    buttons->addStretch();
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    lay->addWidget(table_);
    lay->addLayout(buttons);
    connect(all, &QPushButton::clicked, this, [this] { setAll(true); });
    connect(none, &QPushButton::clicked, this, [this] { setAll(false); });
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    resize(380, 480);
}

void CheckListDialog::setAll(bool on) {
    for (int r = 0; r < table_->rowCount(); ++r)
        table_->item(r, 0)->setCheckState(on ? Qt::Checked : Qt::Unchecked);
}

void CheckListDialog::toggle(int row) {
    QTableWidgetItem* it = table_->item(row, 0);
    if (it) it->setCheckState(it->checkState() == Qt::Checked ? Qt::Unchecked : Qt::Checked);
}

std::vector<ReportChoice> CheckListDialog::chosen() const {
    std::vector<ReportChoice> out;
    for (int r = 0; r < table_->rowCount(); ++r)
        if (table_->item(r, 0)->checkState() == Qt::Checked) out.push_back(rows_[size_t(r)]);
    return out;
}

QString writeListadoWorkbook(const IngredientNutrientTable& t, const QString& title,
                             const QString& folder, const QDateTime& when) {
    if (!QDir().mkpath(folder))
        throw std::runtime_error(
            QString("Error: No se pudo crear la carpeta %1").arg(folder).toStdString());
    const QString path = QDir(folder).filePath(QStringLiteral("Listado") + dayNumberText(when) +
                                               QStringLiteral(".xlsx"));
    const StagedFile staged(path);
    PointDecimals points;
    lxw_workbook* wb = workbook_new(staged.stagingPath().constData());
    if (!wb)
        throw std::runtime_error(
            QString("Error: No se pudo crear el archivo %1").arg(path).toStdString());
    lxw_worksheet* ws = workbook_add_worksheet(wb, "Listado");
    lxw_format* head = workbook_add_format(wb);
    format_set_font_name(head, "Tahoma");
    format_set_bold(head);
    format_set_font_size(head, 12);
    format_set_align(head, LXW_ALIGN_CENTER);
    lxw_format* titles = workbook_add_format(wb);
    format_set_font_name(titles, "Tahoma");
    format_set_bold(titles);
    format_set_bottom(titles, LXW_BORDER_THIN);
    lxw_format* text = workbook_add_format(wb);
    format_set_font_name(text, "Tahoma");
    lxw_format* num = workbook_add_format(wb);
    format_set_font_name(num, "Tahoma");
    format_set_num_format(num, "0.0000");
    const int cols = int(t.columns.size());
    const QByteArray h = title.toUtf8();
    if (cols > 1)
        worksheet_merge_range(ws, 0, 0, 0, lxw_col_t(cols - 1), h.constData(), head);
    else
        worksheet_write_string(ws, 0, 0, h.constData(), head);
    for (int c = 0; c < cols; ++c) {
        worksheet_write_string(ws, 1, lxw_col_t(c), t.columns[size_t(c)].c_str(), titles);
        worksheet_set_column(ws, lxw_col_t(c), lxw_col_t(c),
                             c == 0   ? 25
                             : c == 1 ? 12
                                      : 14,
                             nullptr);
    }
    for (size_t r = 0; r < t.rows.size(); ++r) {
        const auto& row = t.rows[r];
        const lxw_row_t y = lxw_row_t(r + 2);
        worksheet_write_string(ws, y, 0, row.nutrient.c_str(), text);
        worksheet_write_string(ws, y, 1, row.unit.c_str(), text);
        for (size_t k = 0; k < row.values.size(); ++k)
            if (row.values[k]) worksheet_write_number(ws, y, lxw_col_t(k + 2), *row.values[k], num);
    }
    const lxw_error err = workbook_close(wb);
    if (err != LXW_NO_ERROR)
        throw std::runtime_error(
            QString("Error: No se pudo guardar %1: %2")
                .arg(path, staged.failureCause(QString::fromUtf8(lxw_strerror(err))))
                .toStdString());
    staged.commit();
    return path;
}

QString runListadoBaseDatos(Database& db, const QString& title, const QString& folder,
                            QWidget* parent, const ListadoHooks& hooks) {
    auto error = [&](const QString& m) {
        if (hooks.error)
            hooks.error(m);
        else
            QMessageBox::critical(parent, QStringLiteral("Error"), m);
        return QString();
    };
    auto exec = [&](CheckListDialog& d) {
        return hooks.exec ? hooks.exec(d) : d.exec() == QDialog::Accepted;
    };
    std::vector<ReportChoice> ins, nut;
    {
        CheckListDialog d(QStringLiteral("Insumos"), listIngredientsForListing(db), parent);
        if (!exec(d)) return error(QStringLiteral("Eligió cancelar."));
        ins = d.chosen();
    }
    if (ins.empty()) return error(QStringLiteral("No eligió ningún insumo."));
    {
        CheckListDialog d(QStringLiteral("Nutrientes"), listNutrientsForListing(db), parent);
        if (!exec(d)) return error(QStringLiteral("Eligió cancelar."));
        nut = d.chosen();
    }
    if (nut.empty()) return error(QStringLiteral("No eligió ningún nutriente."));
    try {
        const QString file =
            writeListadoWorkbook(ingredientNutrientTable(db, ins, nut),
                                 QStringLiteral("Listado de base de datos") +
                                     (title.isEmpty() ? QString() : QStringLiteral(" - ") + title),
                                 folder, QDateTime::currentDateTime());
        openExportedFile(file);
        return file;
    } catch (const std::exception& e) {
        return error(QString::fromUtf8(e.what()));
    }
}

}  // namespace vexa
