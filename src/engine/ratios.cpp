// Nutrient ratio restrictions: level(Nut1) / level(Nut2) bounded by MinN1 : MinN2 and
// MaxN1 : MaxN2. Each bound is one linear row on the ingredient shares, written as ≤ 0 with a
// slack (its right-hand side is 0, so the slack starts basic and feasible): no artificial column
// is needed and the rows join the programme after the nutrient rows.
#include "engine/mix_math.h"
#include "engine/mix_object.h"
#include "engine/text_format.h"

#include <algorithm>
#include <cmath>

namespace vexa {

namespace {

const Fixed4 kUnit = Fixed4::fromRaw(1);
// Below this a nutrient level counts as 0 (the ratio has no value).
constexpr double kNoLevel = 1e-12;

// A second term of 0 counts as 1.
double secondTerm(Fixed4 n2) {
    return n2.isZero() ? 1.0 : n2.toDouble();
}

Fixed4 reducedRatio(Fixed4 n1, Fixed4 n2) {
    return n2.isZero() ? n1 : CurrencyRatio(n1, n2);
}

// A ratio as Fixed4 rounded the way that relaxes its bound: down for a minimum, up for a
// maximum (noise below a millionth of a unit is not a real miss).
Fixed4 relaxedRatio(double ratio, bool minimum) {
    const long double units = static_cast<long double>(ratio) * Fixed4::kScale;
    if (!(units > -9.2e18L && units < 9.2e18L)) return Fixed4();
    const long double r = minimum ? std::floor(units + 1e-6L) : std::ceil(units - 1e-6L);
    return Fixed4::fromRaw(static_cast<int64_t>(r));
}

std::string ratioText(Fixed4 x) {
    return formatText("%.4f : 1", {x});
}

}  // namespace

void TMixObject::CountRatioRows() {
    for (const RatioBounds& b : RatioRestrictions) {
        if (b.minN1 > Fixed4()) {
            ++SlackCount;
            ++RowCount;
        }
        if (b.maxN1 > Fixed4()) {
            ++SlackCount;
            ++RowCount;
        }
    }
}

void TMixObject::AddRatioRows(ProgrammeCounters& c) {
    Ratios.clear();
    Ratios.reserve(RatioRestrictions.size());
    auto slackRow = [&](int32_t code) {
        const int32_t r = c.row, s = c.slackColumn;
        RowInfo[r] = {kRowRatio, code};
        Tableau(s, r) = 1.0;
        Tableau(RhsColumn, r) = 0.0;
        Basis[r] = s;
        RowSlack[r] = s;
        ++c.slackColumn;
        ++c.row;
        return r;
    };
    for (const RatioBounds& b : RatioRestrictions) {
        TRelacion item;
        item.Codigo = b.code;
        item.Bounds = b;
        item.ConMin = b.minN1 > Fixed4();
        item.ConMax = b.maxN1 > Fixed4();
        item.Min = item.ConMin ? reducedRatio(b.minN1, b.minN2) : Fixed4();
        item.Max = item.ConMax ? reducedRatio(b.maxN1, b.maxN2) : Fixed4();
        if (item.ConMin) {
            const int32_t r = slackRow(b.code);
            const double n1 = b.minN1.toDouble(), n2 = secondTerm(b.minN2);
            for (int32_t k = 1; k <= IngredientCount; ++k)
                Tableau(k, r) =
                    n1 * programmeCoefficient(NutrientValue(IngredientCode[k], b.nut2)) -
                    n2 * programmeCoefficient(NutrientValue(IngredientCode[k], b.nut1));
            item.FilaMin = r;
        }
        if (item.ConMax) {
            const int32_t r = slackRow(b.code);
            const double n1 = b.maxN1.toDouble(), n2 = secondTerm(b.maxN2);
            for (int32_t k = 1; k <= IngredientCount; ++k)
                Tableau(k, r) =
                    n2 * programmeCoefficient(NutrientValue(IngredientCode[k], b.nut1)) -
                    n1 * programmeCoefficient(NutrientValue(IngredientCode[k], b.nut2));
            item.FilaMax = r;
            item.ColHolgura = RowSlack[r];
        }
        Ratios.push_back(item);
    }
}

std::pair<double, double> TMixObject::ratioLevels(const RatioBounds& b,
                                                  const std::vector<double>& shares) {
    double l1 = 0.0, l2 = 0.0;
    for (int32_t k = 1; k <= IngredientCount && k < static_cast<int32_t>(shares.size()); ++k) {
        if (shares[k] == 0.0) continue;
        l1 += NutrientValue(IngredientCode[k], b.nut1).toDouble() * shares[k];
        l2 += NutrientValue(IngredientCode[k], b.nut2).toDouble() * shares[k];
    }
    return {l1 / 100.0, l2 / 100.0};
}

void TMixObject::setRatioRow(int32_t row, const TRelacion& item, bool minimum, double ratio) {
    for (int32_t k = 1; k <= IngredientCount; ++k) {
        const double c1 = programmeCoefficient(NutrientValue(IngredientCode[k], item.Bounds.nut1));
        const double c2 = programmeCoefficient(NutrientValue(IngredientCode[k], item.Bounds.nut2));
        Tableau(k, row) = minimum ? ratio * c2 - c1 : c1 - ratio * c2;
    }
}

void TMixObject::relaxRatioRow(int32_t row, int32_t position, const std::vector<double>& shares) {
    TRelacion& item = Ratios[position];
    const bool minimum = item.FilaMin == row;
    const auto [l1, l2] = ratioLevels(item.Bounds, shares);
    TRecom s;
    s.Indice = item.Codigo;
    s.Item = position;
    s.Fila = row;
    s.Clase = kClaseRelacion;
    s.Tipo = minimum ? kTipoMin : kTipoMax;
    const Fixed4 n1 = minimum ? item.Bounds.minN1 : item.Bounds.maxN1;
    const Fixed4 n2 = minimum ? item.Bounds.minN2 : item.Bounds.maxN2;
    if (l2 > kNoLevel) {
        // The first term over the user's own second term, rounded the way that relaxes.
        const Fixed4 bound = relaxedRatio(l1 / l2 * secondTerm(n2), minimum);
        setRatioRow(row, item, minimum, bound.toDouble() / secondTerm(n2));
        s.Sugerido = bound;
        s.SugeridoN2 = n2;
    } else {
        // Without the second nutrient only a maximum can be missed: it cannot hold at all, so
        // the suggestion is no maximum (0) and the row no longer binds.
        for (int32_t k = 1; k <= IngredientCount; ++k) Tableau(k, row) = 0.0;
        s.Sugerido = Fixed4();
    }
    s.Faltante = n1 - s.Sugerido;
    Suggestions.push_back(s);
    item.Fuera = true;
}

double TMixObject::ratioRowScale(int32_t row) {
    // The row's level: the first term of its bound times the level of the second nutrient, so
    // that a ratio's miss weighs like a relative miss of a nutrient. The level is the ration's
    // own when one is known (ratioShares_), else the average over the ingredients.
    for (const TRelacion& item : Ratios) {
        if (item.FilaMin != row && item.FilaMax != row) continue;
        const RatioBounds& b = item.Bounds;
        const double n1 = (item.FilaMin == row ? b.minN1 : b.maxN1).toDouble();
        if (!ratioShares_.empty()) {
            const double l2 = ratioLevels(b, ratioShares_).second;
            if (l2 > kNoLevel) return std::max(n1 * l2, 1e-4);
        }
        double sum = 0.0;
        int32_t count = 0;
        for (int32_t k = 1; k <= IngredientCount; ++k) {
            const double v = NutrientValue(IngredientCode[k], b.nut2).toDouble();
            if (v > 0.0) {
                sum += v;
                ++count;
            }
        }
        return std::max(count > 0 ? n1 * sum / count : n1, 1e-4);
    }
    return 1e-4;
}

void TMixObject::extractRatios() {
    std::vector<double> shares(static_cast<size_t>(IngredientCount) + 1, 0.0);
    for (const TOrden& o : Order) shares[o.Indice + 1] = Ingredients[o.Indice].Valor;
    auto rowValue = [this](int32_t row) {
        if (row < 1 || row > RowCount || row >= static_cast<int32_t>(RowValue.size())) return 0.0;
        return RowValue[row];
    };
    for (int32_t p = 0; p < static_cast<int32_t>(Ratios.size()); ++p) {
        TRelacion& r = Ratios[p];
        const auto [l1, l2] = ratioLevels(r.Bounds, shares);
        r.Nivel1 = l1;
        r.Nivel2 = l2;
        r.SinValor = !(l2 > kNoLevel);
        r.Valor = r.SinValor ? 0.0 : l1 / l2;
        r.Cantidad = r.SinValor ? Fixed4() : toFixed4Or(r.Valor, Fixed4());
        bool low = false, high = false;
        if (r.SinValor) {
            // maxN2·level1 ≤ 0 holds only without the first nutrient; the minimum always holds
            high = r.ConMax && l1 > kNoLevel;
        } else {
            // a ratio that misses its bound by at most one unit is the bound itself
            if (r.ConMin && r.Cantidad < r.Min && r.Min - r.Cantidad <= kUnit) r.Cantidad = r.Min;
            if (r.ConMax && r.Cantidad > r.Max && r.Cantidad - r.Max <= kUnit) r.Cantidad = r.Max;
            low = r.ConMin && r.Min - r.Cantidad >= kUnit;
            high = r.ConMax && r.Cantidad - r.Max >= kUnit;
        }
        if ((low || high) && !r.Fuera) {
            r.Fuera = true;
            Feasible = false;
            // In the user's form: the first term over their own second term.
            const Fixed4 n1 = high ? r.Bounds.maxN1 : r.Bounds.minN1;
            const Fixed4 n2 = high ? r.Bounds.maxN2 : r.Bounds.minN2;
            const Fixed4 reached =
                r.SinValor ? Fixed4() : relaxedRatio(r.Valor * secondTerm(n2), !high);
            const size_t before = Suggestions.size();
            suggestUnmet(kClaseRelacion, p, r, high ? kTipoMax : kTipoMin, n1,
                         high ? r.FilaMax : r.FilaMin, reached);
            if (Suggestions.size() > before && !r.SinValor) Suggestions.back().SugeridoN2 = n2;
        }
        // Cost of moving the bound by one unit of the ratio: the row's value times its change,
        // n2 · level2 per unit (per 100 kg; Sensib is kept per kg like a nutrient's).
        const double perMin = rowValue(r.FilaMin) * secondTerm(r.Bounds.minN2) * l2;
        const double perMax = rowValue(r.FilaMax) * secondTerm(r.Bounds.maxN2) * l2;
        r.SensibExact = std::max(perMin, perMax) / 100.0;
        r.Sensib = toFixed4Or(r.SensibExact, Fixed4());
    }
}

void TMixObject::WriteRatioSection() {
    if (Ratios.empty()) return;
    ReportDocument& doc = *Report;
    doc.BeginUpdate();
    WriteHeading(doc, "RELACIONES ENTRE NUTRIENTES", kBlue);
    doc.AppendLine(RepeatChar(27, '='));
    doc.AppendLine("");
    const char* line = "%-25s  %14s  %14s  %14s";
    WriteHeading(doc,
                 formatText(line, {std::string("Relaciones"), std::string("Mínimo"),
                                   std::string("Solución"), std::string("Máximo")}),
                 kBlue);
    const std::string pattern = UnderlinePattern({25, 2, 14, 2, 14, 2, 14});
    doc.AppendLine(pattern);
    for (const TRelacion& r : Ratios)
        doc.AppendLine(formatText(
            line, {ItemName(kNameRatio, r.Codigo), r.ConMin ? ratioText(r.Min) : std::string(),
                   r.SinValor ? std::string("sin valor") : ratioText(r.Cantidad),
                   r.ConMax ? ratioText(r.Max) : std::string()}));
    doc.AppendLine(pattern);
    for (const TRelacion& r : Ratios)
        if (r.SinValor)
            doc.AppendLine(formatText(
                " %s: el nivel de %s es 0; la relación no tiene valor y solo se cumple si se "
                "cumplen sus restricciones lineales",
                {ItemName(kNameRatio, r.Codigo), ItemName(kNameNutrient, r.Bounds.nut2)}));
    doc.AppendLine("");
    doc.EndUpdate();
}

void TMixObject::writeRatioSensitivity() {
    if (Ratios.empty()) return;
    ReportDocument& doc = *Report;
    doc.AppendLine("");
    WriteHeading(doc,
                 formatText("%-25s  %12s  %12s  %12s  %8s  %8s  %8s",
                            {std::string("Relaciones"), std::string("Mínimo"),
                             std::string("Solución"), std::string("Máximo"), std::string("±1.00"),
                             std::string("±0.10"), std::string("±0.01")}),
                 kBlue);
    const std::string pattern = UnderlinePattern({25, 2, 12, 2, 12, 2, 12, 2, 8, 2, 8, 2, 8});
    doc.AppendLine(pattern);
    for (const TRelacion& r : Ratios) {
        const std::string name = ItemName(kNameRatio, r.Codigo);
        const std::string min = r.ConMin ? ratioText(r.Min) : std::string();
        const std::string level = r.SinValor ? std::string("sin valor") : ratioText(r.Cantidad);
        const std::string max = r.ConMax ? ratioText(r.Max) : std::string();
        if (!r.Fuera && r.SensibExact > kNoDual)
            doc.AppendLine(formatText("%-25s  %12s  %12s  %12s  ", {name, min, level, max}) +
                           dualColumns(r.SensibExact * 1000.0));
        else
            doc.AppendLine(
                formatText("%-25s  %12s  %12s  %12s  %8s",
                           {name, min, level, max, std::string(r.Fuera ? "Error" : "")}));
    }
    doc.AppendLine(pattern);
}

}  // namespace vexa
