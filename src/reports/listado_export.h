#pragma once
// "Listado de base de datos": the chosen nutrients' values of the chosen ingredients as a
// workbook with one sheet "Listado", opened with the default program.
#include "store/catalog_report.h"

#include <QDateTime>
#include <QDialog>
#include <QString>
#include <functional>
#include <vector>

class QTableWidget;

namespace vexa {

class Database;

// TfrmChkList: every row starts chosen; a click on a row toggles it.
class CheckListDialog : public QDialog {
    Q_OBJECT
public:
    CheckListDialog(const QString& what, const std::vector<ReportChoice>& rows,
                    QWidget* parent = nullptr);
    std::vector<ReportChoice> chosen() const;
    void setAll(bool on);
    void toggle(int row);
    QTableWidget* table() const { return table_; }

private:
    std::vector<ReportChoice> rows_;
    QTableWidget* table_;
};

// Writes the table into folder (created when missing) and returns the file's path. Throws
// std::runtime_error with the cause when it cannot be written.
QString writeListadoWorkbook(const IngredientNutrientTable& t, const QString& title,
                             const QString& folder, const QDateTime& when);

struct ListadoHooks {
    // Shows the check list ("Insumos" or "Nutrientes"); false when it was not closed with OK.
    std::function<bool(CheckListDialog&)> exec;
    std::function<void(const QString&)> error;
};

// The command; returns the workbook's path, "" when it stopped (the message shown).
QString runListadoBaseDatos(Database& db, const QString& title, const QString& folder,
                            QWidget* parent, const ListadoHooks& hooks = {});

}  // namespace vexa
