#pragma once
// TfrmFor: the formula editor window. Header bar with the name and the run, the pages
// "&Propiedades", "&Restricciones" and "&Resultados", and the "&Fórmula" menu.
#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>
#include <QTableWidget>
#include <QToolButton>
#include <functional>

#include "catalog/child_window.h"
#include "reports/dataset_export.h"
#include "workflows/formula_editor.h"
#include "workflows/report_view.h"

namespace vexa {

class FormulaWindow : public ChildWindow {
    Q_OBJECT
public:
    FormulaWindow(Database& db, Tdm& dm, RequestSink& requests, bool readOnly,
                  QWidget* parent = nullptr);
    // Request 16: the formula and the group it was opened for (0: the default group).
    void openFormula(int formula, int group);
    FormulaEditor& editor() { return logic_; }
    ReportView* report() const { return report_; }
    QTabWidget* pages() const { return pages_; }
    QTableWidget* ingredientGrid() const { return insGrid_; }
    QTableWidget* nutrientGrid() const { return nutGrid_; }
    // "Restricciones de relaciones", below the nutrient grid.
    QTableWidget* ratioGrid() const { return ratGrid_; }
    QAction* action(const QString& caption) const;
    QString statusText() const { return status_->text(); }
    void setActiveChild(bool active) override;
    // Values or prices changed in another window: the grids show what is stored now.
    void childRequest(int code, qint64 arg) override;
    // "Exportar a Excel®": "Ins ", "Nut " and "Cont " + the formula name, one workbook.
    std::vector<ExportSheet> exportSheets() const;
    void exportToExcel();

    // Set by the windows that take the results further (manual mix, batch).
    std::function<void(FormulaWindow&)> createMix, prepareBatch;

    static constexpr int kColResultIns = 3, kColResultNut = 3, kColResultRatio = 2;

public slots:
    void runMix();

protected:
    bool event(QEvent* e) override;
    bool eventFilter(QObject* o, QEvent* e) override;
    void closeEvent(QCloseEvent* e) override;

private:
    QAction* addCommand(const QString& caption, const QKeySequence& key, std::function<void()> fn);
    QWidget* buildProperties();
    QWidget* buildRestrictions();
    QWidget* buildResults();
    void fillGrids();
    void updateActions();
    void showResults(bool on);
    void reportCommand(FormulaEditor::Report r);
    void pageOrReport(int page, FormulaEditor::Report r);
    void sortBy(bool ingredients, int column);
    int currentRow(bool ingredients) const;
    void buildRatioGrid(QWidget* page, QVBoxLayout* box);
    void fillRatioGrid();
    void updateRatioActions();

    FormulaEditor logic_;
    QLineEdit* headerName_;
    QPushButton* runButton_;
    QTabWidget* pages_;
    QWidget *propsPage_, *restrPage_, *resultsPage_;
    QLineEdit* propName_;
    QPushButton *propChange_, *propOk_, *propCancel_;
    QTableWidget *insGrid_, *nutGrid_, *ratGrid_ = nullptr;
    ReportView* report_;
    QLabel* status_;
    QList<QAction*> commands_;
    QMenu* menu_;
};

}  // namespace vexa
