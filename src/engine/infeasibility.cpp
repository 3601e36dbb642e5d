// An infeasible formula still gets a ration: the alternative ration is the one that misses its
// restrictions least (the smallest sum of shortfalls, each relative to its bound), and among
// those the cheapest. Its suggestions are the bounds that ration reaches, rounded so that they
// relax, so that applying them gives a formula the next run meets.
#include "engine/mix_math.h"
#include "engine/mix_object.h"

#include <algorithm>
#include <cmath>
#include <optional>

namespace vexa {

namespace {

// Below a millionth of a unit a difference is arithmetic noise, not a real shortfall.
constexpr long double kUnitNoise = 1e-6L;

// A level as Fixed4 rounded in the direction that relaxes a bound: down for a minimum, up for a
// maximum.
Fixed4 relaxedBound(double level, int32_t tipo) {
    const long double units = static_cast<long double>(level) * Fixed4::kScale;
    if (!(units > -9.2e18L && units < 9.2e18L)) return Fixed4();
    const long double r =
        tipo == kTipoMax ? std::ceil(units - kUnitNoise) : std::floor(units + kUnitNoise);
    return Fixed4::fromRaw(static_cast<int64_t>(r));
}

// The level as Fixed4 when it is one (within noise).
std::optional<Fixed4> exactBound(double level) {
    const long double units = static_cast<long double>(level) * Fixed4::kScale;
    if (!(units > -9.2e18L && units < 9.2e18L)) return std::nullopt;
    const long double r = std::nearbyint(units);
    if (std::fabs(units - r) > kUnitNoise) return std::nullopt;
    return Fixed4::fromRaw(static_cast<int64_t>(r));
}

}  // namespace

std::pair<int32_t, int32_t> TMixObject::itemOfRow(int32_t r) const {
    for (int32_t k = 0; k < static_cast<int32_t>(Ingredients.size()); ++k)
        if (Ingredients[k].FilaMin == r || Ingredients[k].FilaMax == r) return {kClaseInsumo, k};
    for (int32_t p = 0; p < static_cast<int32_t>(Nutrients.size()); ++p)
        if (Nutrients[p].FilaMin == r || Nutrients[p].FilaMax == r) return {kClaseNutriente, p};
    for (int32_t p = 0; p < static_cast<int32_t>(Ratios.size()); ++p)
        if (Ratios[p].FilaMin == r || Ratios[p].FilaMax == r) return {kClaseRelacion, p};
    return {0, 0};
}

void TMixObject::solveStage(const std::vector<double>& costs) {
    std::copy(costs.begin(), costs.end(), Cost.begin());
    RunSimplex(false);
    for (int32_t j = 1; j <= ColumnCount; ++j)
        if (ReducedCost[j] > Options.optimalityTolerance) blocked_[j] = 1;
}

void TMixObject::handleInfeasible() {
    TotalReachable = RecordShortfalls();
    Suggestions.clear();
    for (TInsumo& it : Ingredients) it.Fuera = false;

    // The elastic programme: every restriction row may be missed. A ≥ row misses through its
    // artificial column; ≤ and = rows get a column of their own (coefficient −1) that lets the
    // level pass the bound. The 100 % row is never missed: the sum of the maxima reaches it.
    const int32_t rows = Tableau.rows();
    const int32_t artificials = ArtificialCount;
    const std::vector<int32_t> identity = identityColumn_;
    int32_t elastic = 0;
    for (int32_t r = 2; r <= rows; ++r)
        if (!IsArtificialColumn(identity[r]) || ColumnInfo[identity[r]].type == kTipoIgual)
            ++elastic;
    auto rebuild = [this](int32_t rowCount) {
        RowCount = rowCount;
        AllocateProgramme();
        ProgrammeCounters c;
        ResetProgramme(c);
        AddTotalRow(c);
        AddIngredientRows(c);
        AddNutrientRows(c);
        AddRatioRows(c);
        excludeColumns();
    };
    std::vector<int32_t> over;  // the elastic column of a ≤ or = row
    std::vector<double> value;  // every column's value in the alternative ration
    auto elasticSolve = [&] {
        ArtificialCount = artificials + elastic;
        rebuild(rows);
        retireArtificials_ = false;  // here the artificial columns are the shortfalls themselves
        retired_.assign(static_cast<size_t>(RhsColumn) + 1, 0);
        const int32_t firstArtificial = IngredientCount + SlackCount + 1;
        over.assign(static_cast<size_t>(rows) + 1, 0);
        std::vector<double> weight(ColumnCount + 1, 0.0);
        int32_t e = firstArtificial + artificials;
        for (int32_t r = 2; r <= rows; ++r) {
            const double bound = RowInfo[r].kind == kRowRatio
                                     ? ratioRowScale(r)
                                     : std::max(std::fabs(Tableau(RhsColumn, r)), 1e-4);
            const int32_t id = Basis[r];
            if (IsArtificialColumn(id)) weight[id] = 1.0 / bound;
            if (IsArtificialColumn(id) && ColumnInfo[id].type != kTipoIgual) continue;
            Tableau(e, r) = -1.0;
            weight[e] = 1.0 / bound;
            over[r] = e++;
        }
        identityColumn_.assign(Basis.begin(), Basis.begin() + RowCount + 1);
        blocked_.assign(static_cast<size_t>(ColumnCount) + 1, 0);

        // Lexicographically: the 100 % row met, then the least relative relaxation, then the
        // least cost; each stage keeps to the optimal face of the one before.
        std::vector<double> costs(ColumnCount + 1, 0.0);
        costs[firstArtificial] = 1.0;
        solveStage(costs);
        std::fill(costs.begin(), costs.end(), 0.0);
        for (int32_t j = firstArtificial + 1; j <= ColumnCount; ++j) costs[j] = weight[j];
        solveStage(costs);
        std::fill(costs.begin(), costs.end(), 0.0);
        for (int32_t k = 1; k <= IngredientCount; ++k) costs[k] = IngredientPrice[k].toDouble();
        solveStage(costs);
        value.assign(static_cast<size_t>(ColumnCount) + 1, 0.0);
        for (int32_t i = 1; i <= RowCount; ++i) value[Basis[i]] = Tableau(RhsColumn, i);
    };
    // A ratio's miss is relative to its bound times the ration's own level of the second
    // nutrient. That level is known once a ration is: a first solve weighs ratio rows with a
    // typical level, a second with the level of the ration the first one found.
    ratioShares_.clear();
    elasticSolve();
    bool ratioRows = false;
    for (int32_t r = 2; r <= rows; ++r) ratioRows = ratioRows || RowInfo[r].kind == kRowRatio;
    if (ratioRows) {
        ratioShares_.assign(value.begin(), value.begin() + IngredientCount + 1);
        elasticSolve();
        ratioShares_.clear();
    }

    // Each row's level in this ration: its bound moved by the relaxation columns.
    struct Relaxed {
        int32_t row;
        double shift;  // level − bound
    };
    std::vector<Relaxed> relaxed;
    for (int32_t r = 2; r <= rows; ++r) {
        const int32_t id = identity[r];
        double shift = 0.0;  // level − bound
        if (IsArtificialColumn(id)) shift -= value[id];
        if (over[r]) shift += value[over[r]];
        if (std::fabs(shift) > Options.feasibilityTolerance) relaxed.push_back({r, shift});
    }

    // The plain programme again, with the relaxed rows at the bounds suggested.
    ArtificialCount = artificials;
    rebuild(rows);
    retireArtificials_ = true;
    retired_.assign(static_cast<size_t>(RhsColumn) + 1, 0);
    identityColumn_.assign(Basis.begin(), Basis.begin() + RowCount + 1);
    blocked_.assign(static_cast<size_t>(ColumnCount) + 1, 0);
    for (Relaxed& x : relaxed) {
        const int32_t r = x.row;
        const double bound = Tableau(RhsColumn, r);
        const double level = bound + x.shift;
        // plain names, not a structured binding: lambdas below capture them
        const auto which = itemOfRow(r);
        const int32_t clase = which.first;
        const auto position = which.second;
        if (clase == 0) continue;
        if (clase == kClaseRelacion) {
            relaxRatioRow(r, position, value);  // by the ratio the shares reach
            continue;
        }
        TNutriente& item = clase == kClaseInsumo ? static_cast<TNutriente&>(Ingredients[position])
                                                 : Nutrients[position];
        const int32_t id = Basis[r];
        const bool equality = IsArtificialColumn(id) && ColumnInfo[id].type == kTipoIgual;
        const bool minimum = IsArtificialColumn(id) && !equality;
        auto suggest = [&](int32_t tipo, Fixed4 sugerido) {
            TRecom s;
            s.Indice = item.Codigo;
            s.Item = position;
            s.Fila = r;
            s.Clase = clase;
            s.Tipo = tipo;
            s.Sugerido = sugerido;
            s.Faltante = (tipo == kTipoMax ? item.Max : item.Min) - sugerido;
            Suggestions.push_back(s);
        };
        if (equality) {
            if (auto exact = exactBound(level)) {
                suggest(kTipoIgual, *exact);
                Tableau(RhsColumn, r) = exact->toDouble();
            } else {
                // No 4-decimal level is reachable: the equality opens into the range around it.
                suggest(kTipoMin, relaxedBound(level, kTipoMin));
                suggest(kTipoMax, relaxedBound(level, kTipoMax));
                Tableau(RhsColumn, r) = level;
            }
        } else {
            const int32_t tipo = minimum ? kTipoMin : kTipoMax;
            const Fixed4 b = relaxedBound(level, tipo);
            suggest(tipo, b);
            Tableau(RhsColumn, r) = b.toDouble();
        }
        item.Fuera = true;
    }
    Feasible = false;
    if (RunSimplex() == SimplexStatus::ObjectiveReached && !IsFeasible()) RunSimplex(false);
    if (!IsFeasible()) RemoveArtificialRows();  // arithmetic noise only
}

bool TMixObject::RecordShortfalls() {
    Suggestions.clear();
    bool result = true;
    for (int32_t i = 1; i <= RowCount; ++i) {
        const int32_t a = Basis[i];
        if (!IsArtificialColumn(a)) continue;
        const double value = Tableau(RhsColumn, i);
        if (!(value > Options.feasibilityTolerance)) continue;  // met: at 0
        const ColumnDescriptor& info = ColumnInfo[a];
        if (info.kind == kClaseTotal) {
            result = false;
            continue;
        }
        TRecom s;
        s.Fila = info.row;
        s.Clase = info.kind;
        s.Indice = info.code;
        s.Tipo = info.type;
        s.Item = info.position;
        s.Faltante = toFixed4Or(value, Fixed4());
        Suggestions.push_back(s);
    }
    return result;
}

void TMixObject::RemoveArtificialRows() {
    for (int32_t i = RowCount; i >= 1; --i) {
        if (!IsArtificialColumn(Basis[i])) continue;
        Cost[Basis[i]] = 0.0;
        removeRow(i);
    }
}

void TMixObject::UpdateNutrientShortfall(int32_t position, Fixed4 level) {
    for (TRecom& s : Suggestions) {
        if (s.Clase != kClaseNutriente || s.Item != position) continue;
        s.Faltante = s.Sugerido - level;
        s.Sugerido = level;
    }
}

}  // namespace vexa
