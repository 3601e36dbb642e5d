// An infeasible formula still gets a ration: the unmet restrictions are recorded as suggested
// relaxations, relaxed or dropped, and the programme is solved again. Only a restriction whose
// artificial variable stays at a positive value is taken as unmet.
#include "engine/mix_math.h"
#include "engine/mix_object.h"

#include <cmath>

namespace vexa {

namespace {

// The shortfall as Fixed4, rounded up to a whole unit (noise aside), so that a bound relaxed by
// it can really be met: rounding to nearest could leave the relaxed bound 0.00005 out of reach.
Fixed4 shortfallUnits(double value, double tolerance) {
    const long double units = std::ceil(static_cast<long double>(value) * Fixed4::kScale -
                                        static_cast<long double>(tolerance) * Fixed4::kScale);
    if (!(units < 9.2e18L)) return Fixed4();
    return Fixed4::fromRaw(units < 0 ? 0 : static_cast<int64_t>(units));
}

}  // namespace

void TMixObject::handleInfeasible() {
    TotalReachable = RecordShortfalls();
    // Rebuild from the same restrictions: same numbering, so each suggestion's row still holds.
    RowCount = Tableau.rows();
    ProgrammeCounters c;
    ResetProgramme(c);
    AddTotalRow(c);
    AddIngredientRows(c);
    AddNutrientRows(c);
    auto phaseOne = [this] {
        if (RunSimplex() == SimplexStatus::ObjectiveReached && !IsFeasible()) RunSimplex(false);
    };
    if (TotalReachable) {
        RelaxRestrictions();
        phaseOne();
    } else {
        RepairTotal();
        phaseOne();
        RecordShortfalls();
    }
    DriveOutZeroArtificials();
    RemoveArtificialRows();
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
        TRecom s;
        s.Fila = info.row;
        s.Clase = info.kind;
        s.Indice = info.code;
        s.Tipo = info.type;
        s.Item = info.position;
        s.Faltante = shortfallUnits(value, Options.feasibilityTolerance);
        TNutriente* item = nullptr;
        if (s.Clase == kClaseInsumo && s.Item >= 0 &&
            s.Item < static_cast<int32_t>(Ingredients.size()))
            item = &Ingredients[s.Item];
        else if (s.Clase == kClaseNutriente && s.Item >= 0 &&
                 s.Item < static_cast<int32_t>(Nutrients.size()))
            item = &Nutrients[s.Item];
        if (item) {
            // A nutrient row is dropped, not relaxed; its suggestion is completed after the
            // solve with the level reached (UpdateNutrientShortfall).
            if (s.Clase == kClaseNutriente) s.Faltante = Fixed4();
            s.Sugerido = (s.Tipo == kTipoMin || s.Tipo == kTipoIgual) ? item->Min - s.Faltante
                                                                      : item->Max - s.Faltante;
            item->Fuera = true;
        } else {
            s.Sugerido = Fixed4();
        }
        if (s.Clase == kClaseTotal) {
            result = false;
            continue;
        }
        Suggestions.push_back(s);
    }
    return result;
}

void TMixObject::RelaxRestrictions() {
    for (const TRecom& s : Suggestions) {
        if (s.Fila >= 1 && s.Fila <= RowCount) Tableau(RhsColumn, s.Fila) -= s.Faltante.toDouble();
        if (s.Clase == kClaseInsumo && s.Item >= 0 &&
            s.Item < static_cast<int32_t>(Ingredients.size()))
            Ingredients[s.Item].Fuera = true;
        else if (s.Clase == kClaseNutriente && s.Item >= 0 &&
                 s.Item < static_cast<int32_t>(Nutrients.size()))
            Nutrients[s.Item].Fuera = true;
    }
}

void TMixObject::RepairTotal() {
    const int32_t firstNutrientRow = IngredientRowCount + 2;
    const int32_t lastIngredientRow = IngredientRowCount + 1;
    std::vector<float> count(IngredientCount + 1);
    std::vector<Fixed4> score(IngredientCount + 1);
    auto isArtificialBasic = [this](int32_t r) { return Cost[Basis[r]] == 1.0; };
    const Fixed4 one = Fixed4::fromInt(1);
    for (;;) {
        const double b1 = Tableau(RhsColumn, 1);
        if (b1 <= 0.0001) return;
        std::fill(count.begin(), count.end(), 0.0f);
        std::fill(score.begin(), score.end(), Fixed4());
        for (int32_t r = firstNutrientRow; r <= RowCount; ++r) {
            const double rhs = Tableau(RhsColumn, r);
            const Fixed4 g = toFixed4Or(SafeDivide(rhs, b1), Fixed4());
            const bool artificial = isArtificialBasic(r);
            for (int32_t v = 1; v <= IngredientCount; ++v) {
                const double a = Tableau(v, r);
                // how many rows the column cannot help or would be blocked by
                if (g > Fixed4()) {
                    if (a == 0.0) {
                        if (artificial) count[v] += 1.0f;
                    } else if (g.toDouble() < a && !artificial) {
                        count[v] += 1.0f;
                    }
                }
                if (a == 0.0 && artificial) {
                    score[v] += one;
                } else {
                    const Fixed4 q = toFixed4Or(SafeDivide(rhs, a), Fixed4());
                    if (q >= Fixed4() && q.toDouble() < b1 && !artificial)
                        score[v] += one - toFixed4Or(SafeDivide(q.toDouble(), b1), Fixed4());
                }
            }
        }
        int32_t e = 0;
        float best = 922337203685477.5807f;
        for (int32_t i = 1; i <= IngredientCount; ++i) {
            if (!(Tableau(i, 1) > 0.0)) continue;
            if (count[i] < best) {
                e = i;
                best = count[i];
            } else if (count[i] == best && e > 0 && score[i] < score[e]) {
                e = i;
            }
        }
        if (e == 0) return;  // no ingredient can fill the 100 % row
        int32_t l = 1;
        for (int32_t j = 1; j <= lastIngredientRow && j <= RowCount; ++j) {
            if (Tableau(e, j) == 1.0 && b1 > Tableau(RhsColumn, j)) {
                l = j;
                break;
            }
        }
        Pivot(e, l);
        if (l == 1 || Tableau(RhsColumn, 1) == b1) return;
    }
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
