#include "workflows/restriction_dialogs.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QVBoxLayout>

#include "catalog/dialog_keys.h"
#include "catalog/dialogs.h"
#include "catalog/number_field.h"

namespace vexa {

namespace {

QPushButton* smallButton(const QString& caption, const QString& hint, QWidget* parent) {
    auto* b = new QPushButton(caption, parent);
    b->setToolTip(hint);
    b->setAutoDefault(false);
    b->setMaximumWidth(40);
    return b;
}

void addOkCancel(QDialog* d, QBoxLayout* layout, const QString& ok, const QString& cancel) {
    auto* row = new QHBoxLayout;
    row->addStretch();
    auto* okB = new QPushButton(ok, d);
    okB->setDefault(true);
    auto* cancelB = new QPushButton(cancel, d);
    QObject::connect(okB, &QPushButton::clicked, d, &QDialog::accept);
    QObject::connect(cancelB, &QPushButton::clicked, d, &QDialog::reject);
    row->addWidget(okB);
    row->addWidget(cancelB);
    layout->addLayout(row);
}

std::optional<double> readField(const QLineEdit* e) {
    if (e->text().trimmed().isEmpty()) return std::nullopt;
    return parseUserNumber(e->text().trimmed()).value;
}

}  // namespace

// ---- TfrmEditRI

IngredientRestrictionDialog::IngredientRestrictionDialog(const std::string& name, double min,
                                                         double max, double limit, QWidget* parent)
    : QDialog(parent) {
    setWindowTitle("Editar Restricción de Insumos");
    auto* layout = new QVBoxLayout(this);
    auto* grid = new QGridLayout;
    grid->addWidget(new QLabel("Insumo", this), 0, 0);
    grid->addWidget(new QLabel(QString::fromStdString(name), this), 0, 1, 1, 3);
    minBox = new NumberBox(this);
    maxBox = new NumberBox(this);
    for (NumberBox* b : {minBox, maxBox}) {
        b->setDecimals(4);
        b->setRange(0, limit);
    }
    minBox->setValue(min);
    maxBox->setValue(max);
    auto* minL = new QLabel("&Mínimo", this);
    minL->setBuddy(minBox);
    auto* maxL = new QLabel("&Máximo", this);
    maxL->setBuddy(maxBox);
    auto* eqFromMax = smallButton("=", "Establecer igualdad en base al valor máximo", this);
    auto* eqFromMin = smallButton("=", "Establecer igualdad en base al valor mínimo", this);
    auto* zero = smallButton("0", "Establecer restricción mínima igual a 0% ", this);
    auto* full = smallButton("Ma&x", "Establecer restricción máxima igual a 100%", this);
    grid->addWidget(minL, 1, 0);
    grid->addWidget(minBox, 1, 1);
    grid->addWidget(eqFromMax, 1, 2);
    grid->addWidget(zero, 1, 3);
    grid->addWidget(maxL, 2, 0);
    grid->addWidget(maxBox, 2, 1);
    grid->addWidget(eqFromMin, 2, 2);
    grid->addWidget(full, 2, 3);
    layout->addLayout(grid);
    connect(eqFromMax, &QPushButton::clicked, this, [this] { minBox->setValue(maxBox->value()); });
    connect(eqFromMin, &QPushButton::clicked, this, [this] { maxBox->setValue(minBox->value()); });
    connect(zero, &QPushButton::clicked, this, [this] { minBox->setValue(0); });
    connect(full, &QPushButton::clicked, this, [this, limit] { maxBox->setValue(limit); });
    addOkCancel(this, layout, "&Aceptar", "&Cancelar");
    enterMovesFocus(this);
}

void IngredientRestrictionDialog::accept() {
    for (NumberBox* b : {minBox, maxBox}) {
        if (auto p = b->problem()) {
            dialogs().showError(*p);
            return;
        }
    }
    std::string msg = checkMinMax(minBox->value(), maxBox->value());
    if (!msg.empty()) {
        dialogs().showError(msg);
        return;  // stays open with the values as typed
    }
    QDialog::accept();
}

std::optional<std::pair<double, double>> IngredientRestrictionDialog::ask(const std::string& name,
                                                                          double min, double max,
                                                                          double limit,
                                                                          QWidget* parent) {
    IngredientRestrictionDialog d(name, min, max, limit, parent);
    if (d.exec() != QDialog::Accepted) return std::nullopt;
    auto round4 = [](double v) { return Fixed4::fromDouble(v).toDouble(); };
    return std::make_pair(round4(d.minBox->value()), round4(d.maxBox->value()));
}

// ---- TfrmEditRN

NutrientRestrictionDialog::NutrientRestrictionDialog(const std::string& name,
                                                     std::optional<double> min,
                                                     std::optional<double> max, QWidget* parent)
    : QDialog(parent) {
    setWindowTitle("Editar Restricción de Nutrientes");
    auto* layout = new QVBoxLayout(this);
    auto* grid = new QGridLayout;
    grid->addWidget(new QLabel("Nutriente", this), 0, 0);
    grid->addWidget(new QLabel(QString::fromStdString(name.substr(0, 20)), this), 0, 1, 1, 3);
    minEdit = new QLineEdit(formatUserNumber(min.value_or(0), 4), this);
    maxEdit = new QLineEdit(max && *max != 0 ? formatUserNumber(*max, 4) : QString(), this);
    showNumberBack(minEdit, 4);
    showNumberBack(maxEdit, 4);
    auto* minL = new QLabel("&Mínimo", this);
    minL->setBuddy(minEdit);
    auto* maxL = new QLabel("&Máximo", this);
    maxL->setBuddy(maxEdit);
    auto* eqFromMin = smallButton("=", "Establecer igualdad en base al valor mínimo", this);
    auto* eqFromMax = smallButton("=", "Establecer igualdad en base al valor máximo", this);
    auto* freeMin = smallButton("L", "Establecer restricción mínima libre", this);
    auto* freeMax = smallButton("L", "Establecer restricción máxima libre", this);
    grid->addWidget(minL, 1, 0);
    grid->addWidget(minEdit, 1, 1);
    grid->addWidget(eqFromMax, 1, 2);
    grid->addWidget(freeMin, 1, 3);
    grid->addWidget(maxL, 2, 0);
    grid->addWidget(maxEdit, 2, 1);
    grid->addWidget(eqFromMin, 2, 2);
    grid->addWidget(freeMax, 2, 3);
    layout->addLayout(grid);
    connect(eqFromMin, &QPushButton::clicked, this, [this] { maxEdit->setText(minEdit->text()); });
    connect(eqFromMax, &QPushButton::clicked, this, [this] { minEdit->setText(maxEdit->text()); });
    connect(freeMin, &QPushButton::clicked, this, [this] { minEdit->clear(); });
    connect(freeMax, &QPushButton::clicked, this, [this] { maxEdit->clear(); });
    addOkCancel(this, layout, "&Aceptar", "&Cancelar");
    enterMovesFocus(this);
}

std::optional<double> NutrientRestrictionDialog::minimum() const {
    return readField(minEdit);
}

std::optional<double> NutrientRestrictionDialog::maximum() const {
    auto v = readField(maxEdit);
    if (v && *v == 0) return std::nullopt;
    return v;
}

void NutrientRestrictionDialog::accept() {
    for (QLineEdit* e : {minEdit, maxEdit}) {
        if (e->text().trimmed().isEmpty()) continue;
        UserNumber n = readNumberField(e, 4);
        if (!n.value) {
            dialogs().showError(n.error);
            e->setFocus();
            return;
        }
    }
    if (maximum() == std::nullopt) maxEdit->clear();  // a maximum of 0 is no maximum
    std::string msg = checkMinMax(minimum(), maximum());
    if (!msg.empty()) {
        dialogs().showError(msg);
        return;
    }
    QDialog::accept();
}

std::optional<std::pair<std::optional<double>, std::optional<double>>>
NutrientRestrictionDialog::ask(const std::string& name, std::optional<double> min,
                               std::optional<double> max, QWidget* parent) {
    NutrientRestrictionDialog d(name, min, max, parent);
    if (d.exec() != QDialog::Accepted) return std::nullopt;
    return std::make_pair(d.minimum(), d.maximum());
}

// ---- ratio restriction

RatioRestrictionDialog::RatioRestrictionDialog(const std::string& name, const std::string& nut1,
                                               const std::string& nut2,
                                               const FormulaEditor::RatioTerms& t, QWidget* parent)
    : QDialog(parent) {
    setWindowTitle("Editar Restricción de Relaciones");
    auto* layout = new QVBoxLayout(this);
    auto* grid = new QGridLayout;
    grid->addWidget(new QLabel("Relación", this), 0, 0);
    grid->addWidget(new QLabel(QString::fromStdString(name), this), 0, 1, 1, 3);
    grid->addWidget(new QLabel(QString::fromStdString(nut1), this), 1, 1);
    grid->addWidget(new QLabel(QString::fromStdString(nut2), this), 1, 3);
    auto field = [this](std::optional<double> v) {
        auto* e = new QLineEdit(v ? formatUserNumber(*v, 4) : QString(), this);
        showNumberBack(e, 4);
        return e;
    };
    minN1 = field(t.minN1);
    minN2 = field(t.minN2);
    maxN1 = field(t.maxN1);
    maxN2 = field(t.maxN2);
    minN1->setObjectName("minN1");
    minN2->setObjectName("minN2");
    maxN1->setObjectName("maxN1");
    maxN2->setObjectName("maxN2");
    auto* minL = new QLabel("Mí&nimo N1 : N2", this);
    minL->setBuddy(minN1);
    auto* maxL = new QLabel("Má&ximo N1 : N2", this);
    maxL->setBuddy(maxN1);
    grid->addWidget(minL, 2, 0);
    grid->addWidget(minN1, 2, 1);
    grid->addWidget(new QLabel(":", this), 2, 2);
    grid->addWidget(minN2, 2, 3);
    grid->addWidget(maxL, 3, 0);
    grid->addWidget(maxN1, 3, 1);
    grid->addWidget(new QLabel(":", this), 3, 2);
    grid->addWidget(maxN2, 3, 3);
    layout->addLayout(grid);
    addOkCancel(this, layout, "&Aceptar", "&Cancelar");
    enterMovesFocus(this);
}

FormulaEditor::RatioTerms RatioRestrictionDialog::terms() const {
    return {readField(minN1), readField(minN2), readField(maxN1), readField(maxN2)};
}

void RatioRestrictionDialog::accept() {
    for (QLineEdit* e : {minN1, minN2, maxN1, maxN2}) {
        if (e->text().trimmed().isEmpty()) continue;
        UserNumber n = readNumberField(e, 4);
        if (!n.value) {
            dialogs().showError(n.error);
            e->setFocus();
            return;
        }
    }
    const FormulaEditor::RatioTerms t = terms();
    auto f = [](std::optional<double> v) { return Fixed4::fromDouble(v.value_or(0)); };
    if (t.maxN1 && *t.maxN1 != 0 &&
        ratioMinAboveMax(f(t.minN1), f(t.minN2), f(t.maxN1), f(t.maxN2))) {
        dialogs().showError("Error: Valor mínimo mayor que valor máximo");
        return;
    }
    QDialog::accept();
}

std::optional<FormulaEditor::RatioTerms> RatioRestrictionDialog::ask(
    const std::string& name, const std::string& nut1, const std::string& nut2,
    const FormulaEditor::RatioTerms& terms, QWidget* parent) {
    RatioRestrictionDialog d(name, nut1, nut2, terms, parent);
    if (d.exec() != QDialog::Accepted) return std::nullopt;
    return d.terms();
}

// ---- TfrmSug

SuggestionsDialog::SuggestionsDialog(const std::vector<SuggestionLine>& lines, QWidget* parent)
    : QDialog(parent) {
    setWindowTitle("Sugerencias");
    auto* layout = new QVBoxLayout(this);
    table = new QTableWidget(static_cast<int>(lines.size()), 6, this);
    table->setHorizontalHeaderLabels({"Tipo", "Min/Max", "Nombre", "Unidad", "Actual", "Sugerido"});
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->setSelectionBehavior(QAbstractItemView::SelectRows);
    table->verticalHeader()->hide();
    for (int r = 0; r < static_cast<int>(lines.size()); ++r) {
        const SuggestionLine& l = lines[static_cast<size_t>(r)];
        int c = 0;
        for (const std::string* s :
             {&l.tipo, &l.minMax, &l.nombre, &l.unidad, &l.actual, &l.sugerido}) {
            auto* item = new QTableWidgetItem(QString::fromStdString(*s));
            if (c >= 4) item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
            table->setItem(r, c++, item);
        }
    }
    table->resizeColumnsToContents();
    layout->addWidget(table);
    auto* row = new QHBoxLayout;
    row->addStretch();
    change = new QPushButton("&Cambiar y Reformular", this);
    leave = new QPushButton("&Dejar igual", this);
    leave->setDefault(true);
    connect(change, &QPushButton::clicked, this, &QDialog::accept);
    connect(leave, &QPushButton::clicked, this, &QDialog::reject);
    row->addWidget(change);
    row->addWidget(leave);
    layout->addLayout(row);
    resize(640, 300);
}

bool SuggestionsDialog::ask(const std::vector<SuggestionLine>& lines, QWidget* parent) {
    SuggestionsDialog d(lines, parent);
    return d.exec() == QDialog::Accepted;
}

// ---- TfrmSelFor

FormulaChooser::FormulaChooser(const std::vector<FormulaChoice>& list, QWidget* parent)
    : QDialog(parent), list_(list) {
    setWindowTitle("Copiar lista de restricciones");
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(
        new QLabel("Seleccione la fórmula de la cual desea extraer la información", this));
    table = new QTableWidget(static_cast<int>(list.size()), 2, this);
    table->setHorizontalHeaderLabels({"Nombre", "Restricciones"});
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->setSelectionBehavior(QAbstractItemView::SelectRows);
    table->setSelectionMode(QAbstractItemView::SingleSelection);
    table->verticalHeader()->hide();
    for (int r = 0; r < static_cast<int>(list.size()); ++r) {
        const FormulaChoice& f = list[static_cast<size_t>(r)];
        table->setItem(r, 0, new QTableWidgetItem(QString::fromStdString(f.Nombre)));
        table->setItem(
            r, 1,
            new QTableWidgetItem(f.restrictions ? QString::number(f.restrictions) : QString()));
    }
    if (!list.empty()) table->setCurrentCell(0, 0);
    table->horizontalHeader()->setStretchLastSection(true);
    layout->addWidget(table);
    addOkCancel(this, layout, "&Copiar", "Cancelar");
}

int FormulaChooser::chosen() const {
    int r = table->currentRow();
    if (r < 0 || r >= static_cast<int>(list_.size())) return -1;
    return list_[static_cast<size_t>(r)].Codigo;
}

int FormulaChooser::ask(const std::vector<FormulaChoice>& list, QWidget* parent) {
    FormulaChooser d(list, parent);
    if (d.exec() != QDialog::Accepted) return -1;
    return d.chosen();
}

}  // namespace vexa
