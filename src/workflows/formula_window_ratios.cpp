// The formula window's third grid, "Restricciones de relaciones": each ratio with its bounds as
// "N1 : N2" and, after a run, the ratio found as "x : 1", red when not met.
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QToolButton>
#include <algorithm>

#include "catalog/number_text.h"
#include "workflows/formula_window.h"
#include "workflows/grid_refill.h"
#include "workflows/restriction_dialogs.h"

namespace vexa {

namespace {

QString terms(Fixed4 n1, Fixed4 n2) {
    return formatUserNumber(n1.toDouble(), 4) + " : " +
           formatUserNumber(n2.isZero() ? 1.0 : n2.toDouble(), 4);
}

}  // namespace

void FormulaWindow::buildRatioGrid(QWidget* page, QVBoxLayout* box) {
    box->addWidget(new QLabel("Restricciones de relaciones", page));
    ratGrid_ = new QTableWidget(0, 4, page);
    ratGrid_->setObjectName("ratioGrid");
    ratGrid_->setHorizontalHeaderLabels({"Nombre", "Mínimo", "Resultado", "Máximo"});
    ratGrid_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    ratGrid_->setSelectionBehavior(QAbstractItemView::SelectRows);
    ratGrid_->setSelectionMode(QAbstractItemView::SingleSelection);
    ratGrid_->verticalHeader()->hide();
    ratGrid_->setWordWrap(false);
    for (int c = 1; c < 4; ++c)
        ratGrid_->horizontalHeader()->setSectionResizeMode(c, QHeaderView::ResizeToContents);
    ratGrid_->horizontalHeader()->setSectionResizeMode(0, QHeaderView::Stretch);
    ratGrid_->setColumnHidden(kColResultRatio, true);
    connect(ratGrid_, &QTableWidget::cellDoubleClicked, this, [this](int r, int) {
        logic_.editRatio(r);
        fillGrids();
    });
    connect(ratGrid_, &QTableWidget::currentCellChanged, this, [this] { updateActions(); });
    // a few ratios at most: the nutrient grid above keeps the room
    ratGrid_->setMaximumHeight(150);
    box->addWidget(ratGrid_);
    auto* tools = new QHBoxLayout;
    auto add = [&](const QString& caption, std::function<void()> fn) {
        QAction* a = addCommand(caption, {}, std::move(fn));
        a->setObjectName("rel:" + caption);
        auto* b = new QToolButton(page);
        b->setDefaultAction(a);
        b->setToolButtonStyle(Qt::ToolButtonTextOnly);
        tools->addWidget(b);
    };
    add("E&ditar", [this] {
        logic_.editRatio(ratGrid_->currentRow());
        fillGrids();
    });
    add("&Insertar", [this] {
        logic_.insertRatios();
        fillGrids();
    });
    add("&Borrar", [this] {
        logic_.deleteRatio(ratGrid_->currentRow());
        fillGrids();
    });
    add("Copiar restric.", [this] {
        logic_.copyRatios();
        fillGrids();
    });
    tools->addStretch();
    box->addLayout(tools);

    logic_.ratioDialog = [this](const std::string& name, const std::string& nut1,
                                const std::string& nut2, const FormulaEditor::RatioTerms& t) {
        return RatioRestrictionDialog::ask(name, nut1, nut2, t, this);
    };
}

void FormulaWindow::fillRatioGrid() {
    if (!ratGrid_) return;
    const GridRefill refill(ratGrid_);
    const auto& rows = logic_.ratios();
    const int keep = ratGrid_->currentRow();
    ratGrid_->setRowCount(static_cast<int>(rows.size()));
    for (int r = 0; r < static_cast<int>(rows.size()); ++r) {
        const FormulaRatioRow& row = rows[static_cast<size_t>(r)];
        const std::optional<Fixed4> found = logic_.ratioResult(r);
        const QStringList cells{QString::fromStdString(row.ratio.name),
                                row.minN1.isZero() ? QString() : terms(row.minN1, row.minN2),
                                found ? formatUserNumber(found->toDouble(), 4) + " : 1" : QString(),
                                row.hasMax() ? terms(row.maxN1, row.maxN2) : QString()};
        for (int c = 0; c < cells.size(); ++c) {
            auto* item = new QTableWidgetItem(cells[c]);
            if (c >= 1) item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
            if (c == kColResultRatio && logic_.ratioOutOfRange(row.ratio.code))
                item->setForeground(Qt::red);
            ratGrid_->setItem(r, c, item);
        }
    }
    ratGrid_->setColumnHidden(kColResultRatio, !logic_.resultColumnsShown());
    if (!rows.empty())
        ratGrid_->setCurrentCell(std::clamp(keep, 0, static_cast<int>(rows.size()) - 1), 0);
}

void FormulaWindow::updateRatioActions() {
    const bool edit = logic_.canEdit();
    const bool row = ratGrid_ && ratGrid_->currentRow() >= 0;
    for (QAction* a : commands_) {
        const QString n = a->objectName();
        if (n == "rel:E&ditar" || n == "rel:&Borrar")
            a->setEnabled(edit && row);
        else if (n == "rel:&Insertar" || n == "rel:Copiar restric.")
            a->setEnabled(edit);
    }
}

}  // namespace vexa
