#pragma once
// The manual-mix window (TfrmMManual) with its line dialog (TfrmEditIM).
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTableWidget>
#include <functional>
#include <memory>
#include <optional>

#include "catalog/child_window.h"
#include "catalog/requests.h"
#include "catalog/value_entry.h"
#include "reports/dataset_export.h"
#include "store/formula_editor_queries.h"
#include "workflows/batch_session.h"
#include "workflows/manual_mix.h"
#include "workflows/report_view.h"

namespace vexa {

class NumberBox;
class IntegerBox;

// "Editar Insumo": Valor and Redondeo of one line.
class MixLineDialog : public QDialog {
    Q_OBJECT
public:
    MixLineDialog(const std::string& name, double valor, int red, QWidget* parent = nullptr);
    static std::optional<std::pair<double, int>> ask(const std::string& name, double valor, int red,
                                                     QWidget* parent);
    NumberBox* valor;
    IntegerBox* redondeo;
};

class ManualMixWindow : public ChildWindow {
    Q_OBJECT
public:
    ManualMixWindow(Database& db, Tdm& dm, RequestSink& requests, bool readOnly,
                    QWidget* parent = nullptr);
    ~ManualMixWindow() override;
    // Request 18: loads the mix (group 0: the first group) and, when it has no lines, offers
    // the group's ingredients at once.
    void openMix(int mix, int group);

    ManualMix* mix() const { return mix_.get(); }
    QTabWidget* pages() const { return pages_; }
    QTableWidget* lineGrid() const { return lines_; }
    QTableWidget* nutrientGrid() const { return nutrients_; }
    ReportView* report() const { return report_; }
    QWidget* reportPage() const { return reportPage_; }
    QLineEdit* propName() const { return propName_; }
    QCheckBox* propDry() const { return propDry_; }
    QAction* action(const QString& caption) const;
    bool ready() const { return ready_; }
    std::vector<ExportSheet> exportSheets() const;

    // The dialogs, replaceable by the tests.
    ChoiceDialogFn choiceDialog;
    std::function<std::optional<std::pair<double, int>>(const MixLine&)> lineDialog;
    std::function<int(const std::vector<FormulaChoice>&)> formulaChooser;
    std::function<std::optional<std::pair<std::string, int>>(const std::string&)> ingredientDialog;
    std::function<std::optional<BatchGroupChoice>(const std::string&)> groupDialog;
    std::string databaseName;

    // The commands.
    void insertLines();
    void editLine();
    void deleteLine();
    void bringTo();
    void recalculate();
    void showReport();
    void loadLimits();
    void saveAsIngredient();
    void sendToGroup();
    void exportToExcel();

protected:
    bool eventFilter(QObject* o, QEvent* e) override;
    void closeEvent(QCloseEvent* e) override;

private:
    QAction* addCommand(const QString& caption, const QKeySequence& key, std::function<void()> fn);
    QWidget* buildLines();
    QWidget* buildProperties();
    QWidget* buildReport();
    void fillGrids();
    void fillNutrients();
    void updateActions();
    void setReportVisible(bool on);
    int currentLine() const;

    Database& db_;
    Tdm& dm_;
    RequestSink& requests_;
    bool readOnly_;
    std::unique_ptr<ManualMix> mix_;
    bool ready_ = false, filling_ = false;
    QLabel* mixName_;
    QTabWidget* pages_;
    QTableWidget *lines_, *nutrients_;
    QWidget *linesPage_, *propsPage_, *reportPage_;
    ReportView* report_;
    QLineEdit* propName_;
    QCheckBox* propDry_;
    QPushButton *propEdit_, *propOk_, *propCancel_;
    QList<QAction*> commands_;
    QMenu* menu_;
};

}  // namespace vexa
