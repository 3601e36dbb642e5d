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
    auto rowValue = [this](int32_t row) -> std::optional<double> {
        if (row < 1 || row > RowCount || row >= static_cast<int32_t>(RowValue.size()))
            return std::nullopt;
        return static_cast<double>(RowValue[row]);
    };
    for (int32_t i = 1; i <= RowCount; ++i) {
        const int32_t j = Basis[i];
        if (j < 1 || j > IngredientCount) continue;
        TInsumo& it = Ingredients[j - 1];
        const double rhs = Tableau(RhsColumn, i);
        if (rhs > 0.0) it.Valor = rhs;
        it.Cantidad = toFixed4Or(it.Valor, Fixed4());
        const Fixed4 low = toFixed4Or(PriceRange[0][j], Fixed4());
        it.PrecioMin = low < Fixed4() ? Fixed4() : low;
        it.PrecioMax = toFixed4Or(PriceRange[1][j], Fixed4());
        if (auto v = rowValue(it.FilaMin))
            if (auto f = toFixed4(*v)) it.Sensib = *f;
        if (auto v = rowValue(it.FilaMax))
            if (auto f = toFixed4(*v); f && *f > it.Sensib) it.Sensib = *f;
    }
    for (size_t k = 0; k < Ingredients.size(); ++k) {
        TInsumo& it = Ingredients[k];
        if (!it.Cantidad.isZero()) continue;
        if (auto f = toFixed4(PriceRange[0][k + 1])) it.PrecioMin = *f;
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
        // The level as the programme sees the values (to two decimals): what a bound must
        // allow for the programme to meet it.
        double seen = 0.0;
        for (const TOrden& o : Order) {
            const TInsumo& it = Ingredients[o.Indice];
            seen += NutrientValue(it.Codigo, n.Codigo).divInt(100).toDouble() * it.Valor;
        }
        if (n.Fuera) {
            // Propose the level reached, rounded the way that relaxes the bound, so that
            // applying the suggestion gives a formula the programme can meet.
            int32_t tipo = kTipoMin;
            for (const TRecom& s : Suggestions)
                if (s.Clase == kClaseNutriente && s.Item == p) tipo = s.Tipo;
            UpdateNutrientShortfall(p, reachableLevel(seen, tipo, n.Cantidad));
        } else {
            // a level that misses its bound by at most one unit is the bound itself
            if ((n.ConMin || n.Fijo) && n.Cantidad < n.Min && n.Min - n.Cantidad <= kUnit)
                n.Cantidad = n.Min;
            if ((n.ConMax || n.Fijo) && n.Cantidad > n.Max && n.Cantidad - n.Max <= kUnit)
                n.Cantidad = n.Max;
            // A ration that misses an enforced bound is never passed off as meeting it (the
            // repair of an unreachable 100 % row can leave one so); rounding alone never counts.
            const Fixed4 level = toFixed4Or(seen, n.Cantidad);
            const bool low = (n.ConMin || n.Fijo) && n.Min - level >= kUnit;
            const bool high = (n.ConMax || n.Fijo) && level - n.Max >= kUnit;
            if (low || high) {
                n.Fuera = true;
                Feasible = false;
                const int32_t tipo = n.Fijo ? kTipoIgual : high ? kTipoMax : kTipoMin;
                suggestUnmet(kClaseNutriente, p, n, tipo, high ? n.Max : n.Min,
                             high ? n.FilaMax : n.FilaMin, reachableLevel(seen, tipo, level));
            }
        }
        auto sensOf = [&](int32_t row) {
            auto v = rowValue(row);
            if (!v) return Fixed4();
            return toFixed4Or(*v / 100.0, Fixed4());
        };
        n.Sensib = sensOf(n.FilaMin);
        if (Fixed4 s = sensOf(n.FilaMax); s > n.Sensib) n.Sensib = s;
    }
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
