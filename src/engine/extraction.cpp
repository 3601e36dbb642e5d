// From the final tableau to the ration on the item lists: shares rounded to exactly 100 %,
// nutrient levels, sensitivity values, out-of-bounds flags and the as-fed conversion.
#include "engine/mix_math.h"
#include "engine/mix_object.h"

#include <cmath>

namespace vexa {

namespace {

const Fixed4 kUnit = Fixed4::fromRaw(1);

// A level rounded to Fixed4 in the direction that relaxes a bound of type `tipo`: down for a
// minimum, up for a maximum, to the nearest unit for an equality.
Fixed4 reachableLevel(double level, int32_t tipo, Fixed4 fallback) {
    const long double units = static_cast<long double>(level) * Fixed4::kScale;
    if (!(units > -9.2e18L && units < 9.2e18L)) return fallback;
    // noise below a millionth of a unit is not a real excess or shortfall
    const long double slack = 1e-6L;
    long double r;
    if (tipo == kTipoMin)
        r = std::floor(units + slack);
    else if (tipo == kTipoMax)
        r = std::ceil(units - slack);
    else
        r = std::nearbyint(units);
    return Fixed4::fromRaw(static_cast<int64_t>(r));
}

}  // namespace

void TMixObject::ExtractSolution() {
    auto rowValue = [this](int32_t row, double scale = 1.0) -> double {
        if (row < 1 || row > RowCount || row >= static_cast<int32_t>(RowValue.size())) return 0.0;
        const double v = RowValue[row] / scale;
        return std::isfinite(v) ? v : 0.0;
    };
    for (int32_t i = 1; i <= RowCount; ++i) {
        const int32_t j = Basis[i];
        if (j < 1 || j > IngredientCount) continue;
        TInsumo& it = Ingredients[j - 1];
        const double rhs = Tableau(RhsColumn, i);
        if (rhs > 0.0) it.Valor = rhs;
        it.Cantidad = toFixed4Or(it.Valor, Fixed4());
    }
    for (int32_t k = 0; k < static_cast<int32_t>(Ingredients.size()); ++k) {
        TInsumo& it = Ingredients[k];
        const double low = PriceRange[0][k + 1], high = PriceRange[1][k + 1];
        it.NoPriceFloor = !std::isfinite(low);
        it.PrecioMin = it.NoPriceFloor ? Fixed4() : std::max(Fixed4(), toFixed4Or(low, Fixed4()));
        it.NoPriceCeiling = !std::isfinite(high);
        it.PrecioMax = it.NoPriceCeiling ? Fixed4() : toFixed4Or(high, Fixed4());
        it.SensibExact = std::max(rowValue(it.FilaMin), rowValue(it.FilaMax));
        it.Sensib = toFixed4Or(it.SensibExact, Fixed4());
    }
    RoundToHundred(Ingredients);
    for (int32_t k = 0; k < static_cast<int32_t>(Ingredients.size()); ++k) {
        TInsumo& it = Ingredients[k];
        const bool high = it.Cantidad - it.Max >= kUnit;
        const bool low = it.Min - it.Cantidad >= kUnit;
        it.Fuera = high || low;
        if (!it.Fuera) continue;
        Feasible = false;
        const int32_t tipo = it.Fijo ? kTipoIgual : high ? kTipoMax : kTipoMin;
        suggestUnmet(kClaseInsumo, k, it, tipo, high ? it.Max : it.Min,
                     high ? it.FilaMax : it.FilaMin, it.Cantidad);
    }
    Order = OrdenPorValor(Ingredients, false);
    OrderCount = static_cast<int32_t>(Order.size());

    for (int32_t p = 0; p < static_cast<int32_t>(Nutrients.size()); ++p) {
        TNutriente& n = Nutrients[p];
        double sum = 0.0;
        for (const TOrden& o : Order) {
            const TInsumo& it = Ingredients[o.Indice];
            sum += NutrientValue(it.Codigo, n.Codigo).toDouble() * it.Valor;
        }
        n.Valor = SafeDivide(sum, 100.0);
        n.Cantidad = toFixed4Or(n.Valor, Fixed4());
        if (n.Fuera) {
            // The ration delivered drops shares that round to 0: a suggestion never asks for more
            // than the level it really reaches.
            for (TRecom& s : Suggestions) {
                if (s.Clase != kClaseNutriente || s.Item != p) continue;
                const Fixed4 reached = reachableLevel(n.Valor, s.Tipo, s.Sugerido);
                const Fixed4 bound = s.Sugerido + s.Faltante;
                if ((s.Tipo == kTipoMin && reached < s.Sugerido) ||
                    (s.Tipo == kTipoMax && reached > s.Sugerido)) {
                    s.Sugerido = reached;
                    s.Faltante = bound - reached;
                }
            }
        } else {
            // a level that misses its bound by at most one unit is the bound itself
            if ((n.ConMin || n.Fijo) && n.Cantidad < n.Min && n.Min - n.Cantidad <= kUnit)
                n.Cantidad = n.Min;
            if ((n.ConMax || n.Fijo) && n.Cantidad > n.Max && n.Cantidad - n.Max <= kUnit)
                n.Cantidad = n.Max;
            // A bound still missed after rounding is flagged like any other; the rounding of the
            // shares to 4 decimals alone (a few units on an energy level) is not a miss.
            const Fixed4 level = n.Cantidad;
            const bool low = (n.ConMin || n.Fijo) && n.Min - level >= kUnit;
            const bool high = (n.ConMax || n.Fijo) && level - n.Max >= kUnit;
            if (low || high) {
                n.Fuera = true;
                Feasible = false;
                const int32_t tipo = n.Fijo ? kTipoIgual : high ? kTipoMax : kTipoMin;
                suggestUnmet(kClaseNutriente, p, n, tipo, high ? n.Max : n.Min,
                             high ? n.FilaMax : n.FilaMin, reachableLevel(n.Valor, tipo, level));
            }
        }
        n.SensibExact = std::max(rowValue(n.FilaMin, 100.0), rowValue(n.FilaMax, 100.0));
        n.Sensib = toFixed4Or(n.SensibExact, Fixed4());
    }
    extractRatios();
    if (UseDryMatter || AsFedFormula) {
        convertToAsFed();
        RoundToHundred(AsFed);
    }
}

void TMixObject::suggestUnmet(int32_t clase, int32_t position, const TNutriente& item, int32_t tipo,
                              Fixed4 bound, int32_t row, Fixed4 reached) {
    for (const TRecom& s : Suggestions)
        if (s.Clase == clase && s.Item == position) return;
    TRecom s;
    s.Indice = item.Codigo;
    s.Item = position;
    s.Fila = row;
    s.Clase = clase;
    s.Tipo = tipo;
    s.Sugerido = reached;  // the level the ration reaches
    s.Faltante = bound - reached;
    Suggestions.push_back(s);
}

void TMixObject::convertToAsFed() {
    AsFed.clear();
    CostPerKg = Fixed4();
    Fixed4 total;
    for (const TInsumo& it : Ingredients) {
        TInsumo a;
        a.Precio = it.Precio;
        a.Codigo = it.Codigo;
        a.MS = it.MS;
        // kg as fed per 100 kg of ration dry matter
        a.Valor = UseDryMatter ? CurrencyRatio(it.Cantidad.mulInt(100), it.MS).toDouble()
                               : it.Cantidad.toDouble();
        total += toFixed4Or(a.Valor, Fixed4());
        AsFed.push_back(a);
    }
    const float tenth = static_cast<float>(total.toDouble() / 10.0);
    const Fixed4 t = toFixed4Or(tenth, Fixed4());
    for (TInsumo& a : AsFed) {
        const Fixed4 share = CurrencyRatio(toFixed4Or(a.Valor, Fixed4()).mulInt(10), t);
        a.Valor = share.toDouble();
        CostPerKg += (share * a.Precio).divInt(100);
    }
    AsFedTotal = static_cast<float>(total.toDouble());
}

}  // namespace vexa
