#include "workflows/formula_window.h"

#include "workflows/grid_refill.h"

#include <QApplication>
#include <QCloseEvent>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMainWindow>
#include <QMenu>
#include <QStatusBar>
#include <QVBoxLayout>

#include "catalog/catalog_context.h"
#include "catalog/click_sound.h"
#include "catalog/flow_layout.h"
#include "catalog/number_text.h"
#include "catalog/request_event.h"
#include "catalog/dialogs.h"
#include "catalog/ingredient_dialogs.h"
#include "catalog/ingredient_list.h"
#include "catalog/value_dialogs.h"
#include "reports/grid_export.h"
#include "store/settings.h"
#include "workflows/restriction_dialogs.h"

namespace vexa {

namespace {

constexpr int kRunAgain = 2;
constexpr int kRefreshIngredients = 3;

QString number4(const std::optional<Fixed4>& v) {
    return v ? formatUserNumber(v->toDouble(), 4) : QString();
}

QTableWidget* makeGrid(const QStringList& titles, QWidget* parent) {
    auto* g = new QTableWidget(0, static_cast<int>(titles.size()), parent);
    g->setHorizontalHeaderLabels(titles);
    g->setEditTriggers(QAbstractItemView::NoEditTriggers);
    g->setSelectionBehavior(QAbstractItemView::SelectRows);
    g->setSelectionMode(QAbstractItemView::SingleSelection);
    g->verticalHeader()->hide();
    g->horizontalHeader()->setSectionsClickable(true);
    // Names on one line; the number columns as wide as their contents, the name takes the rest.
    g->setWordWrap(false);
    // One line per row at a fixed height: a row height fitted to its contents is measured
    // again for every row each time the grid is refilled, which made a run's refill slow.
    g->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    g->verticalHeader()->setDefaultSectionSize(g->fontMetrics().height() + 6);
    for (int c = 1; c < titles.size(); ++c)
        g->horizontalHeader()->setSectionResizeMode(c, QHeaderView::ResizeToContents);
    g->horizontalHeader()->setSectionResizeMode(0, QHeaderView::Stretch);
    return g;
}

QToolButton* toolFor(QAction* a, QWidget* parent) {
    auto* b = new QToolButton(parent);
    b->setDefaultAction(a);
    b->setToolButtonStyle(Qt::ToolButtonTextOnly);
    return b;
}

}  // namespace

FormulaWindow::FormulaWindow(Database& db, Tdm& dm, RequestSink& requests, bool readOnly,
                             QWidget* parent)
    : ChildWindow("Fórmula", "Fórmula", parent), logic_(db, dm, requests, readOnly) {
    menu_ = new QMenu("&Fórmula", this);
    menus_ << menu_;

    // Header bar: the name and the run.
    auto* bar = new QHBoxLayout;
    bar->setContentsMargins(6, 4, 6, 4);
    bar->addWidget(new QLabel("Fórmula", this));
    headerName_ = new QLineEdit(this);
    headerName_->setReadOnly(true);
    bar->addWidget(headerName_, 1);
    QAction* run = addCommand("&Hallar mínimo costo", Qt::Key_F9, [this] { runMix(); });
    menu_->addAction(run);
    runButton_ = new QPushButton(this);
    runButton_->setText(run->text());
    connect(runButton_, &QPushButton::clicked, run, &QAction::trigger);
    bar->addWidget(runButton_);
    body_->addLayout(bar);

    pages_ = new QTabWidget(this);
    propsPage_ = buildProperties();
    restrPage_ = buildRestrictions();
    resultsPage_ = buildResults();
    pages_->addTab(propsPage_, "&Propiedades");
    pages_->addTab(restrPage_, "&Restricciones");
    pages_->addTab(resultsPage_, "&Resultados");
    pages_->setTabVisible(2, false);
    pages_->setCurrentWidget(restrPage_);
    connect(pages_, &QTabWidget::tabBarClicked, this, [] { SonidoClic(); });
    body_->addWidget(pages_, 1);
    status_ = new QLabel(this);
    body_->addWidget(status_);

    // Page commands; F2, F3 and F4 write a report instead while results exist.
    auto* view = menu_->addMenu("&Ver/Editar");
    view->addAction(addCommand("&Propiedades", Qt::Key_F2,
                               [this] { pageOrReport(0, FormulaEditor::Report::Solution); }));
    view->addAction(addCommand("&Restricciones", Qt::Key_F3,
                               [this] { pageOrReport(1, FormulaEditor::Report::Content); }));
    view->addAction(addCommand("&Solución", Qt::Key_F4,
                               [this] { pageOrReport(2, FormulaEditor::Report::Summary); }));

    logic_.ingredientDialog = [this](const std::string& n, double mn, double mx, double lim) {
        return IngredientRestrictionDialog::ask(n, mn, mx, lim, this);
    };
    logic_.nutrientDialog = [this](const std::string& n, std::optional<double> mn,
                                   std::optional<double> mx) {
        return NutrientRestrictionDialog::ask(n, mn, mx, this);
    };
    logic_.suggestionsDialog = [this](const std::vector<SuggestionLine>& lines) {
        // The grids and the results page are up before the question is asked.
        fillGrids();
        showResults(true);
        return SuggestionsDialog::ask(lines, this);
    };
    logic_.choiceDialog = [this](const ChoiceSpec& spec, const std::vector<Candidate>& list) {
        return ChoiceDialog::ask(spec, list, this);
    };
    logic_.formulaChooser = [this](const std::vector<FormulaChoice>& list) {
        return FormulaChooser::ask(list, this);
    };
    logic_.valueDialog = [this](const ValueEntry& e) { return ValueDialog::ask(e, this); };
    logic_.saveIngredientDialog = [this](
                                      const std::string& name,
                                      int rounding) -> std::optional<std::pair<std::string, int>> {
        auto v = SaveIngredientDialog::ask(IngredientEdit{name, rounding}, this);
        if (!v) return std::nullopt;
        return std::make_pair(v->Nombre, v->Redondeo);
    };
    logic_.markModified = [] { catalogContext().modified(); };
    updateActions();
}

QAction* FormulaWindow::addCommand(const QString& caption, const QKeySequence& key,
                                   std::function<void()> fn) {
    auto* a = new QAction(caption, this);
    a->setObjectName(caption);
    if (!key.isEmpty()) a->setShortcut(key);
    a->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    connect(a, &QAction::triggered, this, [fn = std::move(fn)] {
        SonidoClic();
        fn();
    });
    addAction(a);
    commands_ << a;
    return a;
}

QAction* FormulaWindow::action(const QString& name) const {
    for (QAction* a : commands_)
        if (a->objectName() == name) return a;
    return nullptr;
}

QWidget* FormulaWindow::buildProperties() {
    auto* page = new QWidget(this);
    auto* layout = new QVBoxLayout(page);
    auto* row = new QHBoxLayout;
    row->addWidget(new QLabel("Nombre", page));
    propName_ = new QLineEdit(page);
    propName_->setReadOnly(true);
    propName_->setMaxLength(30);
    row->addWidget(propName_, 1);
    layout->addLayout(row);
    auto* buttons = new QHBoxLayout;
    propChange_ = new QPushButton("&Cambiar", page);
    propOk_ = new QPushButton("&Aceptar", page);
    propOk_->setDefault(true);
    propCancel_ = new QPushButton("&Cancelar", page);
    buttons->addWidget(propChange_);
    buttons->addWidget(propOk_);
    buttons->addWidget(propCancel_);
    buttons->addStretch();
    layout->addLayout(buttons);
    layout->addStretch();
    connect(propChange_, &QPushButton::clicked, this, [this] {
        SonidoClic();
        propName_->setReadOnly(false);
        propName_->setFocus();
        updateActions();
    });
    connect(propOk_, &QPushButton::clicked, this, [this] {
        SonidoClic();
        if (propName_->isReadOnly()) return;
        if (logic_.rename(propName_->text().toStdString())) {
            propName_->setReadOnly(true);
            headerName_->setText(QString::fromStdString(logic_.formula().Nombre));
            setWindowTitle(QString::fromStdString(logic_.caption()));
            postRequest(this, kForCmdEvent, kRefreshIngredients);
        }
        updateActions();
    });
    connect(propCancel_, &QPushButton::clicked, this, [this] {
        SonidoClic();
        if (logic_.loaded()) propName_->setText(QString::fromStdString(logic_.formula().Nombre));
        propName_->setReadOnly(true);
        updateActions();
    });
    return page;
}

QWidget* FormulaWindow::buildRestrictions() {
    auto* page = new QWidget(this);
    auto* layout = new QHBoxLayout(page);
    auto side = [this, page, layout](bool ingredients) {
        auto* box = new QVBoxLayout;
        box->addWidget(new QLabel(
            ingredients ? "Restricciones de insumos" : "Restricciones de nutrientes", page));
        QTableWidget* grid =
            ingredients
                ? makeGrid({"Nombre", "Unidad", "Mínimo", "Resultado", "Máximo", "Precio"}, page)
                : makeGrid({"Nombre", "Unidad", "Mínimo", "Resultado", "Máximo"}, page);
        (ingredients ? insGrid_ : nutGrid_) = grid;
        grid->setColumnHidden(3, true);
        grid->installEventFilter(this);
        connect(grid->horizontalHeader(), &QHeaderView::sectionClicked, this,
                [this, ingredients](int c) { sortBy(ingredients, c); });
        connect(grid, &QTableWidget::cellDoubleClicked, this, [this, ingredients](int r, int) {
            if (ingredients)
                logic_.editIngredient(r);
            else
                logic_.editNutrient(r);
            fillGrids();
        });
        connect(grid, &QTableWidget::currentCellChanged, this, [this] { updateActions(); });
        box->addWidget(grid, 1);
        const QString p = ingredients ? "ins:" : "nut:";
        auto* tools = new FlowLayout;
        auto add = [&](const QString& caption, std::function<void()> fn) {
            QAction* a = addCommand(caption, {}, std::move(fn));
            a->setObjectName(p + caption);
            tools->addWidget(toolFor(a, page));
        };
        add("E&ditar", [this, ingredients] {
            int r = currentRow(ingredients);
            if (ingredients)
                logic_.editIngredient(r);
            else
                logic_.editNutrient(r);
            fillGrids();
        });
        add("&Insertar", [this, ingredients] {
            if (ingredients)
                logic_.insertIngredients();
            else
                logic_.insertNutrients();
            fillGrids();
        });
        add("&Borrar", [this, ingredients] {
            logic_.deleteRow(ingredients, currentRow(ingredients));
            fillGrids();
        });
        add("Copiar restric.", [this, ingredients] {
            logic_.copyRestrictions(ingredients);
            fillGrids();
        });
        if (ingredients) {
            add("Cambiar Precio", [this] {
                logic_.changePrice(currentRow(true));
                fillGrids();
            });
        } else {
            add("Factorización", [this] {
                logic_.factor(currentRow(false));
                fillGrids();
            });
        }
        box->addLayout(tools);
        if (!ingredients) buildRatioGrid(page, box);
        layout->addLayout(box, 1);
    };
    side(true);
    side(false);
    return page;
}

QWidget* FormulaWindow::buildResults() {
    auto* page = new QWidget(this);
    auto* layout = new QVBoxLayout(page);
    auto* tools = new FlowLayout;
    using R = FormulaEditor::Report;
    auto report = [this](const QString& caption, R r) {
        return addCommand(caption, {}, [this, r] { reportCommand(r); });
    };
    QAction* solution = report("Ver &solución", R::Solution);
    QAction* content = report("&Cont. nutricional", R::Content);
    QAction* contribution = report("Aporte nutricional", R::Contribution);
    QAction* summary = report("Ver &resumen", R::Summary);
    QAction* prices = report("Sensibilidad de &precios", R::PriceSensitivity);
    prices->setShortcut(Qt::Key_F5);
    QAction* insSens = report("Sensibilidad de &insumos", R::IngredientSensitivity);
    QAction* nutSens = report("Sensibilidad de &nutrientes", R::NutrientSensitivity);
    tools->addWidget(toolFor(solution, page));
    auto* contentButton = toolFor(content, page);
    auto* contentMenu = new QMenu(contentButton);
    contentMenu->addAction(contribution);
    contentButton->setMenu(contentMenu);
    contentButton->setPopupMode(QToolButton::MenuButtonPopup);
    tools->addWidget(contentButton);
    tools->addWidget(toolFor(summary, page));
    auto* sens = new QToolButton(page);
    sens->setText("Sensibilidades...");
    sens->setObjectName("Sensibilidades...");
    auto* sensMenu = new QMenu(sens);
    sensMenu->addActions({prices, insSens, nutSens});
    sens->setMenu(sensMenu);
    sens->setPopupMode(QToolButton::InstantPopup);
    tools->addWidget(sens);
    QAction* batch = addCommand("Preparar &batch", Qt::Key_F6, [this] {
        if (prepareBatch) prepareBatch(*this);
    });
    tools->addWidget(toolFor(batch, page));
    QAction* acc = addCommand("Acumular", Qt::Key_F7, [] {});
    acc->setCheckable(true);
    connect(acc, &QAction::toggled, this, [this](bool on) { logic_.setAccumulate(on); });
    tools->addWidget(toolFor(acc, page));
    QAction* font = addCommand("&Font", {}, [this] { report_->chooseFontForSelection(); });
    tools->addWidget(toolFor(font, page));
    layout->addLayout(tools);

    auto* row = new QHBoxLayout;
    report_ = new ReportView(page);
    row->addWidget(report_, 1);
    auto* sideBar = new QVBoxLayout;
    QAction* mix = addCommand("Crear &mezcla", {}, [this] {
        if (createMix) createMix(*this);
    });
    QAction* print = addCommand("&Imprimir reporte", {}, [this] { report_->printPreview(); });
    QAction* save =
        addCommand("Guardar reporte", {}, [this] { report_->saveWithDialog(SisOpc().RepPath); });
    QAction* asIngredient = addCommand("&Guardar insumo", {}, [this] {
        if (logic_.saveAsIngredient()) catalogContext().ingredientsChanged = true;
    });
    QAction* excel = addCommand("Exportar a Excel®", {}, [this] { exportToExcel(); });
    excel->setToolTip("Envia la solución a MS Excel®");
    for (QAction* a : {mix, asIngredient, print, save, excel}) sideBar->addWidget(toolFor(a, page));
    sideBar->addStretch();
    row->addLayout(sideBar);
    layout->addLayout(row, 1);

    menu_->addSeparator();
    menu_->addActions({solution, content, contribution, summary, prices, insSens, nutSens});
    menu_->addSeparator();
    menu_->addActions({batch, print, save});
    return page;
}

void FormulaWindow::openFormula(int formula, int group) {
    logic_.open(formula, group);
    setWindowTitle(QString::fromStdString(logic_.caption()));
    headerStrip()->setText(windowTitle());
    QString name = logic_.loaded() ? QString::fromStdString(logic_.formula().Nombre) : QString();
    headerName_->setText(name);
    propName_->setText(name);
    fillGrids();
    showResults(false);
}

int FormulaWindow::currentRow(bool ingredients) const {
    return (ingredients ? insGrid_ : nutGrid_)->currentRow();
}

void FormulaWindow::fillGrids() {
    auto fill = [this](bool ingredients) {
        QTableWidget* g = ingredients ? insGrid_ : nutGrid_;
        const GridRefill refill(g);
        const auto& rows = ingredients ? logic_.ingredients() : logic_.nutrients();
        int keep = g->currentRow();
        g->setRowCount(static_cast<int>(rows.size()));
        for (int r = 0; r < static_cast<int>(rows.size()); ++r) {
            const RestrictionRow& row = rows[static_cast<size_t>(r)];
            QStringList cells;
            cells << QString::fromStdString(row.Nombre.substr(0, 25));
            if (ingredients) {
                auto shown = [this](const std::optional<Fixed4>& v) {
                    return v ? formatUserNumber(logic_.toDisplay(v->toDouble()), 4) : QString();
                };
                cells << QString::fromStdString(logic_.ingredientUnit()) << shown(row.Min)
                      << number4(logic_.result(true, r)) << shown(row.Max)
                      << number4(logic_.price(row.CNI));
            } else {
                cells << QString::fromStdString(row.Unidad) << number4(row.Min)
                      << number4(logic_.result(false, r)) << number4(row.Max);
            }
            for (int c = 0; c < cells.size(); ++c) {
                auto* item = new QTableWidgetItem(cells[c]);
                if (c >= 2) item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
                if (c == 3) {
                    if (ingredients) {
                        QFont f = item->font();
                        f.setBold(true);
                        item->setFont(f);
                    }
                    if (logic_.outOfRange(ingredients, row.CNI)) item->setForeground(Qt::red);
                }
                g->setItem(r, c, item);
            }
        }
        g->setColumnHidden(3, !logic_.resultColumnsShown());
        if (!rows.empty())
            g->setCurrentCell(std::clamp(keep, 0, static_cast<int>(rows.size()) - 1), 0);
    };
    fill(true);
    fill(false);
    fillRatioGrid();
    updateActions();
}

void FormulaWindow::showResults(bool on) {
    pages_->setTabVisible(2, on);
    if (on) pages_->setCurrentWidget(resultsPage_);
    updateActions();
}

void FormulaWindow::updateActions() {
    const bool results = logic_.hasResults();
    const bool edit = logic_.canEdit();
    auto set = [this](const QString& name, bool on) {
        if (QAction* a = action(name)) a->setEnabled(on);
    };
    set("&Hallar mínimo costo", logic_.canRun());
    runButton_->setEnabled(logic_.canRun());
    set("&Solución", results);
    for (const char* n :
         {"Ver &solución", "&Cont. nutricional", "Aporte nutricional", "Ver &resumen",
          "Sensibilidad de &precios", "Sensibilidad de &insumos", "Sensibilidad de &nutrientes",
          "&Font", "&Imprimir reporte", "Guardar reporte", "Exportar a Excel®"})
        set(n, results);
    // Taken further by the manual-mix and batch windows once they set their hooks.
    set("Preparar &batch", results && prepareBatch != nullptr);
    set("Crear &mezcla", results && edit && createMix != nullptr);
    set("&Guardar insumo", results && edit);
    set("nut:Factorización", edit && currentRow(false) >= 0);
    for (bool ins : {true, false}) {
        const QString p = ins ? "ins:" : "nut:";
        const bool row = currentRow(ins) >= 0;
        set(p + "E&ditar", edit && row);
        set(p + "&Borrar", edit && row);
        set(p + "&Insertar", edit);
        set(p + "Copiar restric.", edit);
    }
    set("ins:Cambiar Precio", edit && logic_.canRun() && currentRow(true) >= 0);
    updateRatioActions();
    propChange_->setEnabled(edit && propName_->isReadOnly());
    propOk_->setEnabled(edit && !propName_->isReadOnly());
    propCancel_->setEnabled(!propName_->isReadOnly());
}

void FormulaWindow::runMix() {
    if (!logic_.canRun()) return;
    const bool again = logic_.run(report_->document());
    fillGrids();
    showResults(logic_.hasResults());
    if (!logic_.hasResults()) pages_->setCurrentWidget(restrPage_);
    status_->setText(QString::fromStdString(logic_.runStatus()));
    if (auto* main = qobject_cast<QMainWindow*>(window()))
        main->statusBar()->showMessage(status_->text());
    if (again) postRequest(this, kForCmdEvent, kRunAgain);
}

std::vector<ExportSheet> FormulaWindow::exportSheets() const {
    const QString name =
        logic_.loaded() ? QString::fromStdString(logic_.formula().Nombre) : QString();
    auto num = [](const std::optional<Fixed4>& v) {
        return v ? QVariant(v->toDouble()) : QVariant();
    };
    ExportSheet ins{exportSheetName("Ins ", name),
                    {"Nombre", "Unidad", "Mínimo", "Resultado", "Máximo", "Precio"},
                    {}};
    const auto& ir = logic_.ingredients();
    for (int r = 0; r < static_cast<int>(ir.size()); ++r) {
        const RestrictionRow& row = ir[static_cast<size_t>(r)];
        auto shown = [this](const std::optional<Fixed4>& v) {
            return v ? QVariant(logic_.toDisplay(v->toDouble())) : QVariant();
        };
        ins.rows << QVariantList{QString::fromStdString(row.Nombre),
                                 QString::fromStdString(logic_.ingredientUnit()),
                                 shown(row.Min),
                                 num(logic_.result(true, r)),
                                 shown(row.Max),
                                 num(logic_.price(row.CNI))};
    }
    ExportSheet nut{
        exportSheetName("Nut ", name), {"Nombre", "Unidad", "Mínimo", "Resultado", "Máximo"}, {}};
    const auto& nr = logic_.nutrients();
    for (int r = 0; r < static_cast<int>(nr.size()); ++r) {
        const RestrictionRow& row = nr[static_cast<size_t>(r)];
        nut.rows << QVariantList{QString::fromStdString(row.Nombre),
                                 QString::fromStdString(row.Unidad), num(row.Min),
                                 num(logic_.result(false, r)), num(row.Max)};
    }
    ExportSheet cont{exportSheetName("Cont ", name), {"Nombre", "Unidad", "Valor", "Peso"}, {}};
    if (logic_.mix())
        for (const ContentRecord& c : logic_.mix()->NutrientContent())
            cont.rows << QVariantList{QString::fromStdString(c.Nombre),
                                      QString::fromStdString(c.Unidad), c.Valor, c.Peso.toDouble()};
    if (logic_.mix() && logic_.mix()->LastBatch()) {
        // The batch's content on a sheet of its own, its weight in the header.
        const BatchContent& b = *logic_.mix()->LastBatch();
        const QString weight = QString::number(b.weight.toDouble(), 'f', 2);
        ExportSheet batch{exportSheetName("Lote ", name),
                          {"Nombre", "Unidad", "Valor en el lote de " + weight + " Kg"},
                          {}};
        for (const ContentRecord& c : b.table)
            batch.rows << QVariantList{QString::fromStdString(c.Nombre),
                                       QString::fromStdString(c.Unidad), c.Valor};
        return {ins, nut, cont, batch};
    }
    return {ins, nut, cont};
}

void FormulaWindow::exportToExcel() {
    if (!logic_.hasResults()) return;
    try {
        QString path =
            exportDatasets(exportSheets(), gridExportFolder(), QDateTime::currentDateTime());
        openExportedFile(path);
    } catch (const std::exception& e) {
        dialogs().showError(e.what());
    }
}

void FormulaWindow::reportCommand(FormulaEditor::Report r) {
    if (!logic_.hasResults()) return;
    logic_.writeReport(r);
    pages_->setCurrentWidget(resultsPage_);
}

void FormulaWindow::pageOrReport(int page, FormulaEditor::Report r) {
    if (logic_.hasResults()) {
        reportCommand(r);
        return;
    }
    if (page == 2) return;
    pages_->setCurrentIndex(page);
}

void FormulaWindow::sortBy(bool ingredients, int column) {
    // Shown limits sort by their stored columns; unit and price sort nothing.
    RestrictionSort by;
    switch (column) {
        case 0:
            by = RestrictionSort::Name;
            break;
        case 2:
            by = RestrictionSort::Min;
            break;
        case 3:
            by = RestrictionSort::Result;
            break;
        case 4:
            by = RestrictionSort::Max;
            break;
        default:
            return;
    }
    logic_.sort(ingredients, by);
    fillGrids();
}

void FormulaWindow::childRequest(int code, qint64) {
    if (code != kChildValuesChanged) return;
    logic_.reload();
    fillGrids();
}

bool FormulaWindow::event(QEvent* e) {
    if (e->type() == kForCmdEvent) {
        auto* r = static_cast<RequestEvent*>(e);
        if (r->code() == kRunAgain) {
            runMix();
        } else if (r->code() == kRefreshIngredients) {
            logic_.reload();
            fillGrids();
        }
        return true;
    }
    return ChildWindow::event(e);
}

bool FormulaWindow::eventFilter(QObject* o, QEvent* e) {
    const bool ins = o == insGrid_;
    if ((ins || o == nutGrid_) && e->type() == QEvent::KeyPress) {
        auto* k = static_cast<QKeyEvent*>(e);
        const QString p = ins ? "ins:" : "nut:";
        auto fire = [this](const QString& name) {
            if (QAction* a = action(name); a && a->isEnabled()) a->trigger();
            return true;
        };
        switch (k->key()) {
            case Qt::Key_Return:
            case Qt::Key_Enter:
                return fire(p + "E&ditar");
            case Qt::Key_Insert:
                return fire(p + "&Insertar");
            case Qt::Key_Delete:
                return fire(p + "&Borrar");
            case Qt::Key_Right:
                if (ins) {
                    nutGrid_->setFocus();
                    return true;
                }
                break;
            case Qt::Key_Left:
                if (!ins) {
                    insGrid_->setFocus();
                    return true;
                }
                break;
            default:
                break;
        }
    }
    return ChildWindow::eventFilter(o, e);
}

void FormulaWindow::setActiveChild(bool active) {
    if (active) {
        update();
        return;
    }
    logic_.notifyLists();
}

void FormulaWindow::closeEvent(QCloseEvent* e) {
    logic_.notifyLists();
    ChildWindow::closeEvent(e);
}

}  // namespace vexa
