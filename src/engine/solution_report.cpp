// The solution report, the diagnosis of an alternative ration and the nutrient contribution
// report of the mix object.
#include "engine/mix_math.h"
#include "engine/mix_object.h"
#include "engine/text_format.h"
#include "engine/utf8.h"

#include <algorithm>
#include <cmath>

namespace vexa {

namespace {

const Fixed4 kUnit = Fixed4::fromRaw(1);

}  // namespace

void TMixObject::WriteSolution() {
    ReportDocument& doc = *Report;
    doc.BeginUpdate();
    const std::string adjective = SolutionAdjective();
    const std::string heading = "SOLUCIÓN " + adjective + " AL MÍNIMO COSTO";
    WriteHeading(doc, heading, kBlue);
    doc.AppendLine(RepeatChar(static_cast<int>(utf8Length(heading)), '='));
    doc.AppendLine("");
    if (UseDryMatter)
        writeDryMatterTable();
    else
        writePlainTable();
    doc.AppendLine("");
    doc.AppendLine(formatText("La solución %s al mínimo costo es %.4f %s",
                              {adjective, CostPerKg, NutrientUnit(PriceNutrient)}));
    doc.AppendLine("");
    WriteRatioSection();
    WriteDiagnosis();
    doc.EndUpdate();
}

void TMixObject::writePlainTable() {
    ReportDocument& doc = *Report;
    WriteHeading(doc, "                                 Solución", kBlue);
    WriteHeading(doc, "Insumos                        %        Kg/TM     Costo/TM", kBlue);
    const std::string pattern = UnderlinePattern({25, 2, 9, 2, 9, 2, 10});
    doc.AppendLine(pattern);
    const std::string lead = ReportFormat(6);
    for (const TOrden& o : Order) {
        const TInsumo& it = Ingredients[o.Indice];
        const Fixed4 cost = lineCostPerTonne(o.Indice);
        doc.AppendLine(formatText(
            lead + "%%  %10.4f  %10.2n",
            {ItemName(kNameIngredient, it.Codigo), it.Cantidad, it.Cantidad.mulInt(10), cost}));
    }
    doc.AppendLine(pattern);
    doc.AppendLine(formatText(
        lead + "%%   %8.4f  %10.2n",
        {std::string("TOTAL"), Fixed4::fromInt(100), Fixed4::fromInt(1000), CostPerTonne()}));
}

void TMixObject::writeDryMatterTable() {
    ReportDocument& doc = *Report;
    WriteHeading(doc, "Insumos                    Base Seca     B.Fresca      Kg/TM      Costo/TM",
                 kBlue);
    const std::string pattern = UnderlinePattern({25, 2, 9, 4, 9, 4, 9, 4, 9});
    doc.AppendLine(pattern);
    for (const TOrden& o : Order) {
        const TInsumo& it = Ingredients[o.Indice];
        // the as-fed list runs parallel to the ingredient list
        const Fixed4 asFed =
            o.Indice < static_cast<int32_t>(AsFed.size()) ? AsFed[o.Indice].Cantidad : Fixed4();
        const Fixed4 cost = lineCostPerTonne(o.Indice);
        doc.AppendLine(
            formatText("%-25s  %8.4f%%    %8.4f%%   %10.4f   %10.2n",
                       {ItemName(kNameIngredient, it.Codigo), ToReportBasis(it.Cantidad.toDouble()),
                        asFed, asFed.mulInt(10), cost}));
    }
    doc.AppendLine(pattern);
    doc.AppendLine(formatText(
        "%-25s  %8.4f%%    %1:8.4f%%    %8.4f   %10.2n",
        {std::string("TOTAL"), Fixed4::fromInt(100), Fixed4::fromInt(1000), CostPerTonne()}));
}

Fixed4 TMixObject::lineCostPerTonne(int32_t index) const {
    const TInsumo& it = Ingredients[static_cast<size_t>(index)];
    if (!UseDryMatter) return it.Cantidad * it.Precio.mulInt(10);
    const Fixed4 asFed = index < static_cast<int32_t>(AsFed.size())
                             ? AsFed[static_cast<size_t>(index)].Cantidad
                             : Fixed4();
    return asFed.mulInt(10) * it.Precio;
}

Fixed4 TMixObject::CostPerTonne() const {
    Fixed4 total;
    for (const TOrden& o : Order) total += lineCostPerTonne(o.Indice);
    return total;
}

void TMixObject::WriteDiagnosis() {
    if (Feasible) return;
    ReportDocument& doc = *Report;
    for (const TInsumo& it : Ingredients) {
        if (!it.Fuera) continue;
        const std::string name = ItemName(kNameIngredient, it.Codigo);
        if (it.Cantidad - it.Max >= kUnit)
            doc.AppendLine(formatText(" Alto en %s por %.4f%%",
                                      {name, ToReportBasis((it.Cantidad - it.Max).toDouble())}));
        else if (it.Min - it.Cantidad >= kUnit)
            doc.AppendLine(formatText(" Bajo en %s por %.4f%%",
                                      {name, ToReportBasis((it.Min - it.Cantidad).toDouble())}));
    }
    for (const TNutriente& n : Nutrients) {
        if (!n.Fuera) continue;
        const std::string name = ItemName(kNameNutrient, n.Codigo);
        const std::string unit = NutrientUnit(n.Codigo);
        if (n.Min - n.Cantidad >= kUnit)
            doc.AppendLine(formatText(" Bajo en %s, %s  %.4f", {name, unit, n.Min - n.Cantidad}));
        // a maximum of 0 means none: a level can only be too high against a real maximum
        else if (n.Max > Fixed4() && n.Cantidad - n.Max >= kUnit)
            doc.AppendLine(formatText(" Alto en %s, %s  %.4f", {name, unit, n.Cantidad - n.Max}));
    }
    for (const TRelacion& r : Ratios) {
        if (!r.Fuera) continue;
        const std::string name = ItemName(kNameRatio, r.Codigo);
        if (r.SinValor)
            doc.AppendLine(formatText(" Alto en %s, relación sin valor", {name}));
        else if (r.ConMin && r.Min - r.Cantidad >= kUnit)
            doc.AppendLine(formatText(" Bajo en %s, relación  %.4f", {name, r.Min - r.Cantidad}));
        else if (r.ConMax && r.Cantidad - r.Max >= kUnit)
            doc.AppendLine(formatText(" Alto en %s, relación  %.4f", {name, r.Cantidad - r.Max}));
    }
}

void TMixObject::WriteNutrientContribution(bool byWeight) {
    ReportDocument& doc = *Report;
    const size_t nutrients = Nutrients.size();
    std::vector<std::string> names(nutrients), units(nutrients);
    std::vector<bool> percent(nutrients);
    std::vector<Fixed4> totals(nutrients);
    for (size_t c = 0; c < nutrients; ++c) {
        const TNutriente& n = Nutrients[c];
        names[c] = ItemName(kNameNutrient, n.Codigo);
        units[c] = utf8Left(NutrientUnit(n.Codigo), 12);
        percent[c] = units[c] == "%";
        totals[c] = n.Cantidad;
        if (byWeight) {
            totals[c] = totals[c] * FeedWeight;
            if (percent[c]) totals[c] = totals[c].divInt(100);
        }
    }
    // One row per ingredient in the ration: its cells, in the units of the columns.
    struct Row {
        std::string name;
        std::vector<Fixed4> cells;
    };
    std::vector<Row> rows;
    for (const TInsumo& it : Ingredients) {
        const Fixed4 factor =
            byWeight ? (it.Cantidad * FeedWeight).divInt(10000) : it.Cantidad.divInt(100);
        if (!(factor > Fixed4())) continue;
        Row row{ItemName(kNameIngredient, it.Codigo), std::vector<Fixed4>(nutrients)};
        for (size_t c = 0; c < nutrients; ++c) {
            // value × share ÷ 100 (× kg of feed ÷ 100 by weight), rounded once
            long double v =
                static_cast<long double>(NutrientValue(it.Codigo, Nutrients[c].Codigo).raw()) *
                it.Cantidad.raw() / (100.0L * Fixed4::kScale);
            if (byWeight) {
                v = v * FeedWeight.raw() / (100.0L * Fixed4::kScale);
                if (!percent[c]) v *= 100.0L;
            }
            row.cells[c] = toFixed4Or(static_cast<double>(v / Fixed4::kScale), Fixed4());
        }
        rows.push_back(std::move(row));
    }

    doc.BeginUpdate();
    doc.AppendLine("");
    WriteHeading(doc, "APORTE NUTRICIONAL DE LA SOLUCIÓN AL MÍNIMO COSTO", kBlue);
    doc.AppendLine(RepeatChar(49, '='));
    for (size_t start = 0; start < nutrients; start += 5) {
        const size_t end = std::min(nutrients, start + 5);
        std::string names5 = formatText("%-25s", {std::string("Insumos")});
        std::string units5 = RepeatChar(25, ' ');
        std::string underline = RepeatChar(25, '=') + "  ";
        for (size_t c = start; c < end; ++c) {
            names5 += formatText("  %-9.9s", {names[c]});
            std::string unit;
            if (byWeight) {
                // the unit per kilogram without its last three characters ("/kg")
                const size_t chars = utf8Length(units[c]);
                unit = percent[c] ? "Kg." : utf8Left(units[c], chars > 3 ? chars - 3 : 0);
            } else {
                unit = units[c];
            }
            units5 += formatText("  %-9.9s", {unit});
            underline += RepeatChar(9, '=') + "  ";
        }
        doc.AppendLine("");
        doc.AppendLine(names5);
        doc.AppendLine(units5);
        doc.AppendLine(underline);
        for (const Row& row : rows) {
            std::string line = formatText("%-25s", {row.name});
            for (size_t c = start; c < end; ++c) line += formatText("  %9.4f", {row.cells[c]});
            doc.AppendLine(line);
        }
        doc.AppendLine(underline);
        std::string line = formatText("%-25s", {std::string("Total")});
        for (size_t c = start; c < end; ++c) line += formatText("  %9.4f", {totals[c]});
        doc.AppendLine(line);
        doc.AppendLine(underline);
    }
    doc.EndUpdate();
}

}  // namespace vexa
