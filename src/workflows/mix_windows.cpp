#include "workflows/mix_windows.h"

#include "catalog/dialog_buttons.h"

#include <QCloseEvent>
#include <QDateTime>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLocale>
#include <QMenu>
#include <QSplitter>
#include <QStyledItemDelegate>
#include <QToolBar>
#include <QVBoxLayout>

#include "catalog/catalog_context.h"
#include "catalog/click_sound.h"
#include "catalog/dialog_keys.h"
#include "catalog/dialogs.h"
#include "catalog/ingredient_dialogs.h"
#include "catalog/number_box.h"
#include "catalog/number_text.h"
#include "catalog/qt_dialogs.h"
#include "catalog/requests.h"
#include "catalog/value_dialogs.h"
#include "engine/utf8.h"
#include "reports/grid_export.h"
#include "store/formula_editor_queries.h"
#include "store/settings.h"
#include "store/tdm.h"
#include "vexa_version.h"
#include "workflows/batch_dialogs.h"
#include "workflows/restriction_dialogs.h"

namespace vexa {

namespace {

QString number4(double v) {
    return formatUserNumber(v, 4);
}

QTableWidgetItem* cell(const QString& text, bool right = true) {
    auto* it = new QTableWidgetItem(text);
    it->setFlags(Qt::ItemIsSelectable | Qt::ItemIsEnabled);
    if (right) it->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
    return it;
}

// The limit cells keep their colours except the one with the focus, drawn as any other.
class LimitColours : public QStyledItemDelegate {
public:
    explicit LimitColours(QTableWidget* view) : QStyledItemDelegate(view), view_(view) {}

protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override {
        QStyledItemDelegate::initStyleOption(option, index);
        if (view_->hasFocus() && index == view_->currentIndex()) {
            option->palette.setColor(QPalette::Text, view_->palette().color(QPalette::Text));
            option->font = view_->font();
        }
    }

private:
    QTableWidget* view_;
};

}  // namespace

// ---- TfrmEditIM

MixLineDialog::MixLineDialog(const std::string& name, double v, int red, QWidget* parent)
    : QDialog(parent) {
    setObjectName("TfrmEditIM");
    setWindowTitle("Editar Insumo");
    auto* form = new QFormLayout(this);
    auto* shown = new QLabel(qs(name).left(25), this);
    form->addRow("Insumo", shown);
    valor = new NumberBox(this);
    valor->setObjectName("valor");
    valor->setDecimals(4);
    valor->setRange(-1e9, 1e9);
    valor->setValue(v);
    auto* valorLabel = new QLabel("&Valor", this);
    valorLabel->setBuddy(valor);
    form->addRow(valorLabel, valor);
    redondeo = new IntegerBox(this);
    redondeo->setObjectName("redondeo");
    redondeo->setRange(-4, 4);
    redondeo->setValue(red);
    auto* redLabel = new QLabel("&Redondeo", this);
    redLabel->setBuddy(redondeo);
    form->addRow(redLabel, redondeo);
    form->addRow(acceptCancelButtons(this, true));
    valor->selectAll();
    valor->setFocus();
}

std::optional<std::pair<double, int>> MixLineDialog::ask(const std::string& name, double v, int red,
                                                         QWidget* parent) {
    MixLineDialog d(name, v, red, parent);
    if (d.exec() != QDialog::Accepted) return std::nullopt;
    return std::make_pair(d.valor->value(), d.redondeo->value());
}

// ---- TfrmMManual

enum LineColumn { kColName, kColValor, kColMS, kColRed, kColPerc, kColPrecio, kColCosto };
enum NutColumn { kNutName, kNutUnit, kNutMin, kNutValor, kNutMax, kNutRestr };

ManualMixWindow::ManualMixWindow(Database& db, Tdm& dm, RequestSink& requests, bool readOnly,
                                 QWidget* parent)
    : ChildWindow("Mezcla manual", "Mezcla manual", parent),
      db_(db),
      dm_(dm),
      requests_(requests),
      readOnly_(readOnly) {
    setObjectName("TfrmMManual");
    menu_ = new QMenu("&Mezcla", this);
    menus_ << menu_;

    auto* head = new QHBoxLayout;
    auto* label = new QLabel("Me&zcla: ", this);
    mixName_ = new QLabel(this);
    mixName_->setObjectName("mixName");
    QFont bold = mixName_->font();
    bold.setBold(true);
    mixName_->setFont(bold);
    head->addWidget(label);
    head->addWidget(mixName_, 1);
    body_->addLayout(head);

    pages_ = new QTabWidget(this);
    pages_->setObjectName("pages");
    linesPage_ = buildLines();
    propsPage_ = buildProperties();
    reportPage_ = buildReport();
    pages_->addTab(linesPage_, "Insumos");
    pages_->addTab(propsPage_, "Propiedades");
    pages_->addTab(reportPage_, "Reporte");
    body_->addWidget(pages_, 1);
    label->setBuddy(lines_);
    connect(pages_, &QTabWidget::tabBarClicked, this, [] { SonidoClic(); });
    setReportVisible(false);

    choiceDialog = [this](const ChoiceSpec& spec, const std::vector<Candidate>& list) {
        return ChoiceDialog::ask(spec, list, this);
    };
    lineDialog = [this](const MixLine& l) {
        return MixLineDialog::ask(l.Nombre, l.Valor, l.Red, this);
    };
    formulaChooser = [this](const std::vector<FormulaChoice>& list) {
        return FormulaChooser::ask(list, this);
    };
    ingredientDialog =
        [this](const std::string& name) -> std::optional<std::pair<std::string, int>> {
        auto v = SaveIngredientDialog::ask(IngredientEdit{name, 0}, this);
        if (!v) return std::nullopt;
        return std::make_pair(v->Nombre, v->Redondeo);
    };
    groupDialog = [this](const std::string& name) -> std::optional<BatchGroupChoice> {
        BatchGroupDialog d(db_, name, this);
        if (d.exec() != QDialog::Accepted) return std::nullopt;
        return d.choice();
    };
    updateActions();
}

ManualMixWindow::~ManualMixWindow() = default;

QAction* ManualMixWindow::addCommand(const QString& caption, const QKeySequence& key,
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

QAction* ManualMixWindow::action(const QString& caption) const {
    for (QAction* a : commands_)
        if (a->objectName() == caption) return a;
    return nullptr;
}

QWidget* ManualMixWindow::buildLines() {
    auto* page = new QWidget(this);
    auto* layout = new QVBoxLayout(page);
    auto* tools = new QToolBar(page);
    QAction* edit = addCommand("E&ditar", {}, [this] { editLine(); });
    QAction* insert = addCommand("&Insertar", {}, [this] { insertLines(); });
    QAction* del = addCommand("&Borrar", {}, [this] { deleteLine(); });
    QAction* bring = addCommand("&Llevar a ...", QKeySequence("Ctrl+D"), [this] { bringTo(); });
    bring->setToolTip("Lleva los valores a un determinado monto total");
    QAction* calc = addCommand("&Calcular", {}, [this] { recalculate(); });
    QAction* view = addCommand("&Ver reporte", {}, [this] { showReport(); });
    view->setToolTip("Ver reporte de la mezcla");
    QAction* limits = addCommand("Cargar restrics", {}, [this] { loadLimits(); });
    tools->addActions({edit, insert, del, bring, calc, view, limits});
    layout->addWidget(tools);

    auto* split = new QSplitter(Qt::Horizontal, page);
    lines_ = new QTableWidget(0, 7, split);
    lines_->setObjectName("lines");
    lines_->setHorizontalHeaderLabels(
        {"Insumo", "Base fresca", "Base Seca", "Redondeo", "%", "Precio", "Costo"});
    lines_->setSelectionBehavior(QAbstractItemView::SelectRows);
    lines_->setSelectionMode(QAbstractItemView::SingleSelection);
    lines_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    lines_->verticalHeader()->setVisible(false);
    lines_->setColumnWidth(kColName, 190);
    for (int c = kColValor; c <= kColCosto; ++c) lines_->setColumnWidth(c, 82);
    lines_->installEventFilter(this);
    connect(lines_, &QTableWidget::cellDoubleClicked, this, [this](int row, int) {
        if (mix_ && row < static_cast<int>(mix_->lines().size())) editLine();
    });
    nutrients_ = new QTableWidget(0, 6, split);
    nutrients_->setObjectName("nutrients");
    nutrients_->setHorizontalHeaderLabels({"Nombre", "Unidad", "Mínimo", "Valor", "Máximo", "R?"});
    nutrients_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    nutrients_->setItemDelegate(new LimitColours(nutrients_));
    nutrients_->verticalHeader()->setVisible(false);
    nutrients_->setColumnWidth(kNutName, 170);
    for (int c = kNutUnit; c <= kNutMax; ++c) nutrients_->setColumnWidth(c, 82);
    nutrients_->setColumnWidth(kNutRestr, 30);
    connect(nutrients_, &QTableWidget::itemChanged, this, [this](QTableWidgetItem* it) {
        if (filling_ || !mix_) return;
        const int row = it->row();
        if (row < 0 || row >= static_cast<int>(mix_->nutrients().size())) return;
        MixNutrient n = mix_->nutrients()[static_cast<size_t>(row)];
        std::optional<Fixed4> v;
        const QString text = it->text().trimmed();
        if (!text.isEmpty()) {
            UserNumber u = parseUserNumber(text);
            if (!u.value) {
                dialogs().showError(u.error);
                fillNutrients();
                return;
            }
            v = Fixed4::fromDouble(*u.value);
        }
        if (it->column() == kNutMin)
            mix_->setLimits(static_cast<size_t>(row), v, n.RMax);
        else if (it->column() == kNutMax)
            mix_->setLimits(static_cast<size_t>(row), n.RMin, v);
        QMetaObject::invokeMethod(
            this, [this] { fillNutrients(); }, Qt::QueuedConnection);
    });
    split->addWidget(lines_);
    split->addWidget(nutrients_);
    split->setSizes({620, 560});
    layout->addWidget(split, 1);

    menu_->addActions({view});
    return page;
}

QWidget* ManualMixWindow::buildProperties() {
    auto* page = new QWidget(this);
    auto* form = new QFormLayout(page);
    propName_ = new QLineEdit(page);
    propName_->setObjectName("propName");
    propName_->setMaxLength(fieldWidth("MM", "Nombre"));
    auto* nameLabel = new QLabel("&Nombre", page);
    nameLabel->setBuddy(propName_);
    form->addRow(nameLabel, propName_);
    propDry_ = new QCheckBox("Valores en Materia seca", page);
    propDry_->setObjectName("propDry");
    form->addRow(propDry_);
    auto* buttons = new QHBoxLayout;
    propEdit_ = new QPushButton("Editar", page);
    propOk_ = new QPushButton("&Aceptar", page);
    propCancel_ = new QPushButton("Cancelar", page);
    propOk_->setDefault(true);
    buttons->addWidget(propEdit_);
    buttons->addWidget(propOk_);
    buttons->addWidget(propCancel_);
    buttons->addStretch();
    form->addRow(buttons);
    auto editing = [this](bool on) {
        const bool can = on && mix_ && !readOnly_;
        propName_->setReadOnly(!can);
        propDry_->setEnabled(can);
        propOk_->setEnabled(can);
        propCancel_->setEnabled(can);
        propEdit_->setEnabled(!can && mix_ && !readOnly_);
    };
    connect(propEdit_, &QPushButton::clicked, this, [editing] {
        SonidoClic();
        editing(true);
    });
    connect(propOk_, &QPushButton::clicked, this, [this, editing] {
        SonidoClic();
        if (!mix_) return;
        const std::string err = mix_->setProperties(ss(propName_->text()), propDry_->isChecked());
        if (!err.empty()) dialogs().showError(err);
        editing(false);
        mixName_->setText(qs(mix_->header().Nombre));
        fillGrids();
    });
    connect(propCancel_, &QPushButton::clicked, this, [this, editing] {
        SonidoClic();
        if (mix_) {
            propName_->setText(qs(mix_->header().Nombre));
            propDry_->setChecked(mix_->header().EnMS);
        }
        editing(false);
    });
    editing(false);
    return page;
}

QWidget* ManualMixWindow::buildReport() {
    auto* page = new QWidget(this);
    auto* layout = new QVBoxLayout(page);
    auto* tools = new QToolBar(page);
    QAction* save =
        addCommand("&Guardar", {}, [this] { report_->saveWithDialog(SisOpc().RepPath); });
    QAction* print = addCommand("&Imprimir", {}, [this] { report_->printWithDialog(); });
    QAction* font = addCommand("&Font", {}, [this] { report_->chooseFontForSelection(); });
    QAction* send = addCommand("&Enviar a Lotexa", {}, [this] { sendToGroup(); });
    QAction* asIns = addCommand("&Guardar como insumo", {}, [this] { saveAsIngredient(); });
    asIns->setToolTip("Guardar los resultados como un nuevo insumo");
    QAction* excel = addCommand("Enviar a Excel®", {}, [this] { exportToExcel(); });
    tools->addActions({save, print, font, send, asIns, excel});
    layout->addWidget(tools);
    report_ = new ReportView(page);
    report_->setObjectName("report");
    layout->addWidget(report_, 1);
    menu_->addActions(
        {send, asIns, excel, action("&Llevar a ..."), action("E&ditar"), action("&Borrar")});
    return page;
}

void ManualMixWindow::setReportVisible(bool on) {
    pages_->setTabVisible(pages_->indexOf(reportPage_), on);
    for (const char* c : {"&Imprimir", "&Guardar", "&Font"})
        if (QAction* a = action(c)) a->setEnabled(on);
}

void ManualMixWindow::openMix(int mix, int group) {
    if (group == 0) {
        auto groups = allGroups(db_);
        if (!groups.empty()) group = groups.front().code;
    }
    ready_ = false;
    mix_ = std::make_unique<ManualMix>(db_, dm_, mix);
    try {
        if (!mix_->load()) mix_.reset();
    } catch (const std::exception& e) {
        mix_.reset();
        dialogs().showError(std::string("No se pudo abrir la mezcla: ") + e.what());
    }
    const std::string groupName = dm_.NombreDe(kNameGroup, mix_ ? mix_->header().Cat : group);
    setWindowTitle(qs("Mezcla manual del grupo " + groupName));
    headerStrip()->setText(windowTitle());
    mixName_->setText(mix_ ? qs(mix_->header().Nombre) : QString());
    propName_->setText(mix_ ? qs(mix_->header().Nombre) : QString());
    propDry_->setChecked(mix_ && mix_->header().EnMS);
    propDry_->setVisible(dm_.dbDef().UsarMS);
    propEdit_->setEnabled(mix_ && !readOnly_);
    fillGrids();
    ready_ = true;
    updateActions();
    if (mix_ && mix_->lines().empty() && !readOnly_)
        QMetaObject::invokeMethod(
            this, [this] { insertLines(); }, Qt::QueuedConnection);
}

void ManualMixWindow::fillGrids() {
    filling_ = true;
    const bool dry = mix_ && mix_->dryBasis();
    lines_->setColumnHidden(kColMS, !dry);
    const int n = mix_ ? static_cast<int>(mix_->lines().size()) : 0;
    const int keep = currentLine();
    lines_->setRowCount(mix_ ? n + 1 : 0);
    for (int r = 0; r < n; ++r) {
        const MixLine& l = mix_->lines()[static_cast<size_t>(r)];
        lines_->setItem(r, kColName, cell(qs(l.Nombre), false));
        lines_->setItem(r, kColValor, cell(number4(l.Valor)));
        lines_->setItem(r, kColMS, cell(number4(l.MS.toDouble())));
        lines_->setItem(r, kColRed, cell(QString::number(l.Red)));
        lines_->setItem(r, kColPerc, cell(number4(l.Perc.toDouble()) + "%"));
        lines_->setItem(r, kColPrecio, cell(number4(l.Precio.toDouble())));
        lines_->setItem(r, kColCosto, cell(number4(l.Costo.toDouble())));
    }
    if (mix_) {
        // The totals row.
        QFont bold = lines_->font();
        bold.setBold(true);
        for (int c = 0; c < lines_->columnCount(); ++c) lines_->setItem(n, c, cell({}));
        lines_->item(n, kColName)->setText("Total");
        lines_->item(n, kColValor)->setText(number4(mix_->totalFresco()));
        lines_->item(n, kColMS)->setText(number4(mix_->totalSeco()));
        lines_->item(n, kColCosto)->setText(formatUserNumber(mix_->totalCosto().toDouble(), 2));
        for (int c = 0; c < lines_->columnCount(); ++c) {
            lines_->item(n, c)->setFont(bold);
            lines_->item(n, c)->setFlags(Qt::ItemIsEnabled);
        }
    }
    if (n > 0) lines_->selectRow(std::clamp(keep, 0, n - 1));
    filling_ = false;
    fillNutrients();
}

void ManualMixWindow::fillNutrients() {
    filling_ = true;
    const int n = mix_ ? static_cast<int>(mix_->nutrients().size()) : 0;
    nutrients_->setRowCount(n);
    auto limitCell = [](const std::optional<Fixed4>& v, LimitState s) {
        auto* it = new QTableWidgetItem(v ? number4(v->toDouble()) : QString());
        it->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
        if (s != LimitState::None) {
            it->setForeground(s == LimitState::Met ? QColor(Qt::blue) : QColor(Qt::red));
            QFont f = it->font();
            f.setBold(s == LimitState::Broken);
            it->setFont(f);
        }
        return it;
    };
    for (int r = 0; r < n; ++r) {
        const MixNutrient& m = mix_->nutrients()[static_cast<size_t>(r)];
        nutrients_->setItem(r, kNutName, cell(qs(m.Nombre), false));
        nutrients_->setItem(r, kNutUnit, cell(qs(m.Unidad), false));
        nutrients_->setItem(r, kNutMin, limitCell(m.RMin, minState(m)));
        nutrients_->setItem(r, kNutValor, cell(number4(m.Valor.toDouble())));
        nutrients_->setItem(r, kNutMax, limitCell(m.RMax, maxState(m)));
        nutrients_->setItem(r, kNutRestr, cell(m.EsRestr ? "Sí" : "", false));
    }
    filling_ = false;
}

int ManualMixWindow::currentLine() const {
    const int r = lines_->currentRow();
    if (!mix_ || r < 0 || r >= static_cast<int>(mix_->lines().size())) return -1;
    return r;
}

void ManualMixWindow::updateActions() {
    const bool has = mix_ != nullptr;
    const bool edit = has && !readOnly_;
    const bool line = edit && !mix_->lines().empty();
    for (const char* c : {"&Insertar", "&Llevar a ...", "Cargar restrics", "&Guardar como insumo",
                          "&Enviar a Lotexa"})
        if (QAction* a = action(c)) a->setEnabled(edit);
    for (const char* c : {"E&ditar", "&Borrar"})
        if (QAction* a = action(c)) a->setEnabled(line);
    for (const char* c : {"&Calcular", "&Ver reporte", "Enviar a Excel®"})
        if (QAction* a = action(c)) a->setEnabled(has);
    if (edit) {
        if (QAction* a = action("Cargar restrics")) a->setEnabled(true);
    }
}

void ManualMixWindow::insertLines() {
    if (!mix_ || readOnly_ || !choiceDialog) return;
    std::vector<Candidate> all;
    for (const auto& [code, name] : mix_->candidates()) all.push_back({code, name});
    const std::vector<int> chosen = chooseMissing(ChoiceSpec::ingredients(), all, {}, choiceDialog);
    if (chosen.empty()) return;
    std::string err;
    const std::vector<size_t> at = mix_->insertIngredients(chosen, &err);
    if (!err.empty()) dialogs().showError(err);
    fillGrids();
    updateActions();
    // Each new line goes into edit state: its dialog opens.
    for (int code : chosen) {
        for (size_t i = 0; i < mix_->lines().size(); ++i)
            if (mix_->lines()[i].CIns == code) {
                lines_->selectRow(static_cast<int>(i));
                editLine();
                break;
            }
    }
}

void ManualMixWindow::editLine() {
    if (!ready_ || !mix_ || readOnly_ || !lineDialog) return;
    const int r = currentLine();
    if (r < 0) return;
    auto answer = lineDialog(mix_->lines()[static_cast<size_t>(r)]);
    if (!answer) return;
    const std::string err = mix_->editLine(static_cast<size_t>(r), answer->first, answer->second);
    if (!err.empty()) dialogs().showError(err);
    fillGrids();
    lines_->selectRow(r);
}

void ManualMixWindow::deleteLine() {
    if (!mix_ || readOnly_) return;
    const int r = currentLine();
    if (r < 0) return;
    const std::string err = mix_->deleteLine(static_cast<size_t>(r));
    if (!err.empty()) dialogs().showError(err);
    setReportVisible(false);
    fillGrids();
    updateActions();
}

void ManualMixWindow::bringTo() {
    if (!mix_ || readOnly_) return;
    auto text = dialogs().askText("Ajustar suma", "Ajustar suma de la mezcla a", "100");
    if (!text) return;
    UserNumber u = parseUserNumber(qs(*text));
    if (!u.value) {
        dialogs().showError(u.error);
        return;
    }
    std::string err;
    mix_->bringTo(*u.value, &err);
    if (!err.empty()) dialogs().showError(err);
    fillGrids();
}

void ManualMixWindow::recalculate() {
    if (!mix_) return;
    try {
        mix_->recalculate();
    } catch (const std::exception& e) {
        dialogs().showError(std::string("No se pudo calcular la mezcla: ") + e.what());
    }
    fillGrids();
}

void ManualMixWindow::showReport() {
    if (!mix_) return;
    MixReportInfo info;
    info.productTitle = kProductTitle;
    info.identity = ReportIdentity{SisOpc().Nombre, SisOpc().Compania, SisOpc().Granja};
    info.databaseName = databaseName;
    info.dateTime = ss(QLocale().toString(QDateTime::currentDateTime(), QLocale::ShortFormat));
    WriteMixReport(report_->document(), *mix_, info);
    setReportVisible(true);
    pages_->setCurrentWidget(reportPage_);
}

void ManualMixWindow::loadLimits() {
    if (!mix_ || !formulaChooser) return;
    const int formula = formulaChooser(formulasWithCounts(db_, mix_->header().Cat, false));
    if (formula < 0) return;
    mix_->loadLimits(formula);
    fillNutrients();
}

void ManualMixWindow::saveAsIngredient() {
    if (!mix_ || readOnly_ || !ingredientDialog) return;
    auto answer = ingredientDialog(mix_->header().Nombre);
    if (!answer) return;
    const std::string err = mix_->saveAsIngredient(answer->first, answer->second);
    if (!err.empty()) dialogs().showError(err);
}

void ManualMixWindow::sendToGroup() {
    if (!mix_ || readOnly_ || !groupDialog) return;
    auto choice = groupDialog(utf8Left(mix_->header().Nombre, fieldWidth("DIETAS", "Nombre")));
    if (!choice) return;
    std::string message;
    const bool ok = mix_->sendToGroup(choice->dietName, choice->existingGroup, choice->newGroupName,
                                      std::chrono::system_clock::now(), message);
    if (ok)
        dialogs().showInfo(message);
    else
        dialogs().showError(message);
}

std::vector<ExportSheet> ManualMixWindow::exportSheets() const {
    if (!mix_) return {};
    const QString name = qs(mix_->header().Nombre);
    const bool dry = mix_->dryBasis();
    ExportSheet lines{exportSheetName("Mezcla ", name), {}, {}};
    lines.titles = {"Insumo", "Base fresca"};
    if (dry) lines.titles << "Base Seca";
    lines.titles << "Redondeo"
                 << "%"
                 << "Precio"
                 << "Costo";
    for (const MixLine& l : mix_->lines()) {
        QVariantList row{qs(l.Nombre), l.Valor};
        if (dry) row << l.MS.toDouble();
        row << l.Red << l.Perc.toDouble() << l.Precio.toDouble() << l.Costo.toDouble();
        lines.rows << row;
    }
    ExportSheet cont{
        exportSheetName("Cont ", name), {"Nombre", "Unidad", "Mínimo", "Valor", "Máximo"}, {}};
    auto opt = [](const std::optional<Fixed4>& v) {
        return v ? QVariant(v->toDouble()) : QVariant();
    };
    for (const MixNutrient& n : mix_->nutrients())
        cont.rows << QVariantList{qs(n.Nombre), qs(n.Unidad), opt(n.RMin), n.Valor.toDouble(),
                                  opt(n.RMax)};
    return {lines, cont};
}

void ManualMixWindow::exportToExcel() {
    if (!mix_) return;
    try {
        QString path =
            exportDatasets(exportSheets(), gridExportFolder(), QDateTime::currentDateTime());
        openExportedFile(path);
    } catch (const std::exception& e) {
        dialogs().showError(e.what());
    }
}

bool ManualMixWindow::eventFilter(QObject* o, QEvent* e) {
    if (o == lines_ && e->type() == QEvent::KeyPress) {
        auto* k = static_cast<QKeyEvent*>(e);
        switch (k->key()) {
            case Qt::Key_Return:
            case Qt::Key_Enter:
                SonidoClic();
                editLine();
                return true;
            case Qt::Key_Insert:
                SonidoClic();
                insertLines();
                return true;
            case Qt::Key_Delete:
                SonidoClic();
                deleteLine();
                return true;
            default:
                break;
        }
    }
    return ChildWindow::eventFilter(o, e);
}

void ManualMixWindow::closeEvent(QCloseEvent* e) {
    requests_.postApp(kAppRefreshWindow, 11);
    ChildWindow::closeEvent(e);
}

}  // namespace vexa
