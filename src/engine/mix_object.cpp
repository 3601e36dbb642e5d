#include "engine/mix_object.h"

#include "engine/mix_math.h"
#include "engine/text_format.h"

#include <algorithm>
#include <ctime>
#include <stdexcept>

namespace vexa {

void DenseTableau::allocate(int32_t columns, int32_t rows) {
    columns_ = columns;
    rows_ = rows;
    cells_.assign(static_cast<size_t>(rows + 1) * static_cast<size_t>(columns + 1), 0.0);
}

void DenseTableau::zero() {
    std::fill(cells_.begin(), cells_.end(), 0.0);
}

TMixObject::TMixObject(ReportDocument& report, int32_t formulaCode)
    : FormulaCode(formulaCode), Report(&report) {}

void TMixObject::WriteStandardHeader(std::string_view productTitle, const ReportIdentity& identity,
                                     const std::string& databaseName, int32_t groupCode) {
    ReportDocument& doc = *Report;
    if (!AppendReport || doc.LineCount() <= 3) {
        doc.Clear();
        WriteTitleBlock(doc, productTitle, identity);
        const std::time_t t = std::chrono::system_clock::to_time_t(MixedAt);
        std::tm tmv{};
        localtime_r(&t, &tmv);
        char when[32];
        std::strftime(when, sizeof when, "%d/%m/%Y %H:%M:%S", &tmv);
        doc.AppendLine(
            formatText("Base de datos: %s - Grupo: %s\r\n      Fórmula: %s\r\n Fecha y hora: %s",
                       {databaseName, ItemName(kNameGroup, groupCode),
                        ItemName(kNameFormula, FormulaCode), std::string(when)}));
    }
    doc.AppendLine("");
}

std::string TMixObject::SolutionAdjective() const {
    return Feasible ? "ÓPTIMA" : "ALTERNA";
}

void TMixObject::Mix() {
    PivotCount = 0;
    OpenValues();
    excluded_.clear();
    const bool solved = solveAndExtract();
    // The ration is delivered with its shares rounded to 4 decimals. When the programme is met
    // but a share below 0.00005 % that is dropped leaves a nutrient short, the ration is solved
    // again without the ingredients so dropped (the ration delivered has none of them anyway);
    // if that is not possible, the first result stands, flagged.
    if (solved && !Feasible && droppedShares()) {
        bool met = false;
        for (int attempt = 0; attempt < 4 && !met; ++attempt) {
            met = solveAndExtract() && Feasible;
            if (!met && !droppedShares()) break;
        }
        if (!met) {
            excluded_.clear();
            solveAndExtract();
        }
    }
    excluded_.clear();
    FillNutrientContent();
    MixedAt = Now();
    SaveResults();
}

bool TMixObject::solveAndExtract() {
    // Each run on the same object starts from a clean outcome.
    Feasible = true;
    TotalReachable = true;
    Suggestions.clear();
    ValidateIngredients();
    LoadIngredients();
    CountNutrientRows();
    CountRatioRows();
    // the 100 % row
    ++ArtificialCount;
    ++RowCount;
    ColumnCount = ArtificialCount + IngredientCount + SlackCount;
    RhsColumn = ColumnCount + 1;
    AllocateProgramme();
    ProgrammeCounters counters;
    ResetProgramme(counters);
    AddTotalRow(counters);
    AddIngredientRows(counters);
    AddNutrientRows(counters);
    AddRatioRows(counters);
    excludeColumns();
    Solve();
    const bool solved = Feasible;
    ExtractSolution();
    return solved;
}

bool TMixObject::droppedShares() {
    // Only a nutrient missed with every ingredient restriction met is the rounding's doing.
    bool nutrientShort = false;
    for (const TNutriente& n : Nutrients) nutrientShort = nutrientShort || n.Fuera;
    for (const TInsumo& it : Ingredients)
        if (it.Fuera) return false;
    if (!nutrientShort) return false;
    excluded_.resize(static_cast<size_t>(IngredientCount) + 1, 0);
    bool added = false;
    for (int32_t k = 1; k <= IngredientCount; ++k) {
        const TInsumo& it = Ingredients[static_cast<size_t>(k - 1)];
        // a column left empty can never enter: only where its price keeps it out as well
        if (it.Valor > 0.0 && it.Cantidad.isZero() && it.Min.isZero() && it.Precio >= Fixed4() &&
            !excluded_[static_cast<size_t>(k)]) {
            excluded_[static_cast<size_t>(k)] = 1;
            added = true;
        }
    }
    return added;
}

void TMixObject::excludeColumns() {
    excludedCells_.clear();
    for (int32_t k = 1; k < static_cast<int32_t>(excluded_.size()) && k <= IngredientCount; ++k) {
        if (!excluded_[static_cast<size_t>(k)]) continue;
        for (int32_t i = 1; i <= RowCount; ++i) {
            const double v = Tableau(k, i);
            if (v == 0.0) continue;
            // ≤ and ≥ rows keep their dual in the slack or surplus; an equality in its
            // artificial, which starts basic in it
            const int32_t key = RowSlack[i] > 0 ? RowSlack[i] : Basis[i];
            if (key > 0) excludedCells_.push_back({k, key, Tableau(key, i), v});
            Tableau(k, i) = 0.0;
        }
    }
}

void TMixObject::rangeExcludedPrices() {
    // d = c − Σ y·a over the emptied cells, each row's dual y = −d(key) / coefficient(key)
    // (the key columns cost nothing in the second phase).
    std::vector<double> reduced(static_cast<size_t>(IngredientCount) + 1, 0.0);
    for (int32_t k = 1; k <= IngredientCount; ++k) reduced[static_cast<size_t>(k)] = Cost[k];
    for (const ExcludedCell& c : excludedCells_) {
        if (c.rowColumnSign == 0.0 || c.rowColumn > ColumnCount) continue;
        const double dual = -SavedReducedCost[c.rowColumn] / c.rowColumnSign;
        reduced[static_cast<size_t>(c.ingredient)] -= dual * c.value;
    }
    for (int32_t k = 1; k < static_cast<int32_t>(excluded_.size()) && k <= IngredientCount; ++k)
        if (excluded_[static_cast<size_t>(k)])
            PriceRange[0][k] = Cost[k] - std::max(reduced[static_cast<size_t>(k)], 0.0);
}

void TMixObject::ValidateIngredients() {
    IngredientCount = 0;
    SlackCount = 0;
    ArtificialCount = 0;
    RowCount = 0;
    int32_t count = 0;
    Fixed4 sum;
    CountIngredientRows(count, sum);
    IngredientRowCount = RowCount;
    if (count == 0) throw EngineError("Error: Se intentó mezclar una fórmula sin insumos");
    if (sum < Fixed4::fromInt(100))
        throw EngineError("Error: La suma de máximos es menor al 100% en la lista de insumos.");
}

void TMixObject::CountIngredientRestriction(Fixed4 min, Fixed4 max) {
    ++IngredientCount;
    if (!min.isZero() && min == max) {
        ++ArtificialCount;
        ++RowCount;
    } else if (!min.isZero()) {
        ++ArtificialCount;
        ++SlackCount;
        ++RowCount;
    }
    // A maximum row whenever Max < 100 and the restriction is not an equality. A maximum of 0
    // excludes the ingredient: left out of the programme it would be used freely and then
    // reported as out of bounds.
    if (!(!min.isZero() && min == max) && max < Fixed4::fromInt(100)) {
        ++SlackCount;
        ++RowCount;
    }
}

void TMixObject::CountNutrientRestriction(Fixed4 min, Fixed4 max) {
    if (!min.isZero() && min == max) {
        ++ArtificialCount;
        ++RowCount;
        return;
    }
    if (!min.isZero()) {
        ++ArtificialCount;
        ++SlackCount;
        ++RowCount;
    }
    if (max > Fixed4()) {
        ++SlackCount;
        ++RowCount;
    }
}

void TMixObject::AllocateProgramme() {
    ColumnCount = ArtificialCount + IngredientCount + SlackCount;
    RhsColumn = ColumnCount + 1;
    Tableau.allocate(RhsColumn, RowCount);
    Cost.assign(RhsColumn + 1, 0.0);
    ReducedCost.assign(RhsColumn + 1, 0.0);
    SavedReducedCost.assign(RhsColumn + 1, 0.0);
    ColumnInfo.assign(RhsColumn + 1, ColumnDescriptor{});
    RowInfo.assign(RowCount + 1, RowDescriptor{});
    RowSlack.assign(RowCount + 1, 0);
    Basis.assign(RowCount + 1, 0);
    IngredientPrice.assign(IngredientCount + 1, Fixed4());
    IngredientCode.assign(IngredientCount + 1, 0);
}

void TMixObject::ResetProgramme(ProgrammeCounters& c) {
    Nutrients.clear();
    Consumption.clear();
    Ratios.clear();
    Order.clear();
    AsFed.clear();
    c.ingredientColumn = 0;
    c.slackColumn = IngredientCount + 1;
    c.artificialColumn = IngredientCount + SlackCount + 1;
    c.row = 1;
    Tableau.zero();
    std::fill(SavedReducedCost.begin(), SavedReducedCost.end(), 0.0);
    std::fill(Cost.begin(), Cost.end(), 0.0);
    // A rebuild starts from the initial basis and descriptors as well.
    std::fill(Basis.begin(), Basis.end(), 0);
    std::fill(RowSlack.begin(), RowSlack.end(), 0);
    std::fill(RowInfo.begin(), RowInfo.end(), RowDescriptor{});
    std::fill(ColumnInfo.begin(), ColumnInfo.end(), ColumnDescriptor{});
}

void TMixObject::AddTotalRow(ProgrammeCounters& c) {
    const int32_t r = c.row, a = c.artificialColumn;
    RowInfo[r] = {kRowTotal, 0};
    for (int32_t k = 1; k <= IngredientCount; ++k) Tableau(k, r) = 1.0;
    Tableau(a, r) = 1.0;
    ColumnInfo[a] = {kRowTotal, 0, r, 0, 0};
    Tableau(RhsColumn, r) = 100.0;
    Cost[a] = 1.0;
    Basis[r] = a;
    ++c.artificialColumn;
    ++c.row;
}

void TMixObject::AddIngredientRows(ProgrammeCounters& c) {
    const Fixed4 hundred = Fixed4::fromInt(100);
    for (int32_t pos = 0; pos < static_cast<int32_t>(Ingredients.size()); ++pos) {
        TInsumo& it = Ingredients[pos];
        const int32_t j = ++c.ingredientColumn;
        IngredientCode[j] = it.Codigo;
        IngredientPrice[j] = it.Precio;
        if (it.Fijo) {
            Tableau(j, addEqualRow(it, kRowIngredient, pos, c)) = 1.0;
            continue;
        }
        it.ConMin = !it.Min.isZero();
        if (it.ConMin) Tableau(j, addMinRow(it, kRowIngredient, pos, c)) = 1.0;
        it.ConMax = it.Max < hundred;  // a maximum of 0 excludes the ingredient
        if (it.ConMax) Tableau(j, addMaxRow(it, kRowIngredient, c)) = 1.0;
    }
}

int32_t TMixObject::addEqualRow(TNutriente& item, int32_t kind, int32_t position,
                                ProgrammeCounters& c) {
    const int32_t r = c.row, a = c.artificialColumn;
    RowInfo[r] = {kind, item.Codigo};
    Tableau(a, r) = 1.0;
    Tableau(RhsColumn, r) = item.Min.toDouble();
    Cost[a] = 1.0;
    Basis[r] = a;
    item.FilaMin = r;
    item.ConMin = true;
    ColumnInfo[a] = {kind, item.Codigo, r, kTipoIgual, position};
    ++c.artificialColumn;
    ++c.row;
    return r;
}

int32_t TMixObject::addMinRow(TNutriente& item, int32_t kind, int32_t position,
                              ProgrammeCounters& c) {
    const int32_t r = c.row, s = c.slackColumn, a = c.artificialColumn;
    RowInfo[r] = {kind, item.Codigo};
    Tableau(s, r) = -1.0;
    Tableau(a, r) = 1.0;
    Tableau(RhsColumn, r) = item.Min.toDouble();
    Cost[a] = 1.0;
    Basis[r] = a;
    RowSlack[r] = s;
    item.FilaMin = r;
    item.ColExceso = s;
    ColumnInfo[a] = {kind, item.Codigo, r, kTipoMin, position};
    ++c.artificialColumn;
    ++c.slackColumn;
    ++c.row;
    return r;
}

int32_t TMixObject::addMaxRow(TNutriente& item, int32_t kind, ProgrammeCounters& c) {
    const int32_t r = c.row, s = c.slackColumn;
    RowInfo[r] = {kind, item.Codigo};
    Tableau(s, r) = 1.0;
    Tableau(RhsColumn, r) = item.Max.toDouble();
    Basis[r] = s;
    RowSlack[r] = s;
    item.FilaMax = r;
    item.ColHolgura = s;
    ++c.slackColumn;
    ++c.row;
    return r;
}

void TMixObject::AddNutrientRowsFromList(ProgrammeCounters& c) {
    for (int32_t pos = 0; pos < static_cast<int32_t>(Nutrients.size()); ++pos)
        addNutrientRow(Nutrients[pos], pos, c);
}

void TMixObject::CountIngredientRowsOf(const std::vector<RestrictionBounds>& rows, int32_t& count,
                                       Fixed4& sumMax) {
    for (const RestrictionBounds& b : rows) {
        ++count;
        sumMax += b.max;
        CountIngredientRestriction(b.min, b.max);
    }
}

void TMixObject::CountNutrientRowsOf(const std::vector<RestrictionBounds>& rows) {
    for (const RestrictionBounds& b : rows) CountNutrientRestriction(b.min, b.max);
}

void TMixObject::LoadIngredientsOf(
    const std::vector<RestrictionBounds>& rows,
    const std::function<void(TInsumo& item, size_t index)>& complete) {
    Ingredients.clear();
    Ingredients.reserve(rows.size());
    for (size_t i = 0; i < rows.size(); ++i) {
        TInsumo it;
        it.Codigo = rows[i].code;
        it.Min = rows[i].min;
        it.Max = rows[i].max;
        complete(it, i);
        it.Fijo = it.Max == it.Min && !it.Min.isZero();
        Ingredients.push_back(it);
    }
}

void TMixObject::AddNutrientRowsOf(const std::vector<RestrictionBounds>& rows,
                                   ProgrammeCounters& c) {
    Nutrients.clear();
    Nutrients.reserve(rows.size());
    for (const RestrictionBounds& b : rows) {
        TNutriente n;
        n.Codigo = b.code;
        n.Min = b.min;
        n.Max = b.max;
        n.Fuera = false;
        Nutrients.push_back(n);
    }
    AddNutrientRowsFromList(c);
}

void TMixObject::addNutrientRow(TNutriente& n, int32_t position, ProgrammeCounters& c) {
    // The programme sees each value as stored (all 4 decimals): v ÷ 100, one rounding.
    std::vector<double>& coef = coefficients_;
    coef.assign(IngredientCount + 1, 0.0);
    for (int32_t k = 1; k <= IngredientCount; ++k)
        coef[k] = programmeCoefficient(NutrientValue(IngredientCode[k], n.Codigo));
    auto fillRow = [&](int32_t r) {
        for (int32_t k = 1; k <= IngredientCount; ++k) Tableau(k, r) = coef[k];
    };
    bool hasRow = false;
    n.Fijo = n.Min == n.Max && !n.Min.isZero();
    if (n.Fijo && n.Min > Fixed4()) {
        const int32_t r = addEqualRow(n, kRowNutrient, position, c);
        fillRow(r);
        n.FilaMax = r;
        n.ConMax = true;
        hasRow = true;
    } else {
        n.ConMin = n.Min > Fixed4();
        if (n.ConMin) {
            fillRow(addMinRow(n, kRowNutrient, position, c));
            hasRow = true;
        }
        n.ConMax = n.Max > Fixed4();
        if (n.ConMax) {
            fillRow(addMaxRow(n, kRowNutrient, c));
            hasRow = true;
        }
    }
    if (hasRow) n.Cantidad = Fixed4();
}

}  // namespace vexa
