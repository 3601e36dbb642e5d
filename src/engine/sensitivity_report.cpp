// The three sensitivity reports: ingredients, nutrients and prices.
#include "engine/mix_object.h"
#include "engine/text_format.h"

namespace vexa {

namespace {

// Above this a sensitivity or a price limit counts as unlimited.
const Fixed4 kUnlimited = Fixed4::fromRaw(999999999);

}  // namespace

void TMixObject::WriteIngredientSensitivity() {
    ReportDocument& doc = *Report;
    doc.BeginUpdate();
    WriteHeading(doc, "ANALISIS DE SENSIBILIDAD DE INSUMOS", kBlue);
    doc.AppendLine(RepeatChar(35, '='));
    doc.AppendLine("");
    WriteHeading(doc,
                 "                           Restric.           Restric.         Ahorro/Gasto x TM",
                 kBlue);
    WriteHeading(
        doc, "Insumos                     Mínima   Solución   Máxima    ±1.00%    ±0.10%    ±0.01%",
        kBlue);
    const std::string pattern = UnderlinePattern({25, 2, 8, 2, 8, 2, 8, 2, 8, 2, 8, 2, 8});
    doc.AppendLine(pattern);
    for (const TOrden& o : OrdenPorValor(Ingredients, true)) {
        const TInsumo& it = Ingredients[o.Indice];
        const std::string name = ItemName(kNameIngredient, it.Codigo);
        const double min = ToReportBasis(it.Min.toDouble());
        const double share = ToReportBasis(it.Cantidad.toDouble());
        const double max = ToReportBasis(it.Max.toDouble());
        if (it.SensibExact > kNoDual && it.Sensib <= kUnlimited)
            doc.AppendLine(formatText("%-25s  %8.4f  %8.4f  %8.4f  ", {name, min, share, max}) +
                           dualColumns(it.SensibExact * 10.0));
        else
            doc.AppendLine(formatText(
                "%-25s  %8.4f  %8.4f  %8.4f  %10s",
                {name, min, share, max, std::string(it.SensibExact > kNoDual ? "infinito" : "")}));
    }
    doc.AppendLine(pattern);
    doc.AppendLine("");
    doc.AppendLine(formatText("El costo de la ración por TM es %.2n", {CostPerTonne()}));
    doc.AppendLine("");
    doc.EndUpdate();
}

void TMixObject::WriteNutrientSensitivity() {
    ReportDocument& doc = *Report;
    doc.BeginUpdate();
    doc.AppendLine("");
    WriteHeading(doc, "SENSIBILIDAD DE NUTRIENTES", kBlue);
    doc.AppendLine(RepeatChar(26, '='));
    doc.AppendLine("");
    WriteHeading(doc,
                 "                                        Restric.              Restric.        "
                 "Ahorro/Gasto x TM",
                 kBlue);
    WriteHeading(doc,
                 "Nutrientes                Unidad         Minimo    Solucion    Maximo     ±1.00  "
                 "   ±0.10     ±0.01",
                 kBlue);
    const std::string pattern =
        UnderlinePattern({25, 1, 12, 1, 10, 1, 10, 1, 10, 1, 8, 2, 8, 2, 8});
    doc.AppendLine(pattern);
    for (const TNutriente& n : Nutrients) {
        const std::string name = ItemName(kNameNutrient, n.Codigo);
        const std::string unit = NutrientUnit(n.Codigo);
        const std::string maxText = n.Max > Fixed4() ? n.Max.toString() : "";
        if (!n.Fuera && n.SensibExact > kNoDual)
            doc.AppendLine(formatText("%-25s %-12s %10.4f %10.4f %10s ",
                                      {name, unit, n.Min, n.Cantidad, maxText}) +
                           dualColumns(n.SensibExact * 1000.0));
        else
            doc.AppendLine(formatText(
                "%-25s %-12s %10.4f %10.4f %10s %10s",
                {name, unit, n.Min, n.Cantidad, maxText, std::string(n.Fuera ? "Error" : "")}));
    }
    doc.AppendLine(pattern);
    writeRatioSensitivity();
    doc.AppendLine("");
    doc.AppendLine(formatText("El costo de la ración por TM es %.2n", {CostPerTonne()}));
    doc.AppendLine("");
    doc.EndUpdate();
}

void TMixObject::WritePriceSensitivity() {
    ReportDocument& doc = *Report;
    doc.BeginUpdate();
    WriteHeading(doc, "ANALISIS DE SENSIBILIDAD DE PRECIOS", kBlue);
    doc.AppendLine(RepeatChar(35, '='));
    doc.AppendLine("");
    WriteHeading(doc, "                           Sensibil    Precio    Sensibil", kBlue);
    WriteHeading(doc, "Insumos                     Mínima     Actual     Máxima", kBlue);
    const std::string pattern = UnderlinePattern({25, 1, 10, 1, 10, 1, 10});
    doc.AppendLine(pattern);
    for (const TOrden& o : OrdenPorValor(Ingredients, true)) {
        const TInsumo& it = Ingredients[o.Indice];
        const std::string name = ItemName(kNameIngredient, it.Codigo);
        // an end without limit is left blank
        const std::string low = it.NoPriceFloor ? std::string() : it.PrecioMin.toString();
        if (!it.NoPriceCeiling)
            doc.AppendLine(formatText("%-25s %10s %10.4f %10s",
                                      {name, low, it.Precio, it.PrecioMax.toString()}));
        else if (!it.NoPriceFloor)
            doc.AppendLine(formatText("%-25s %10.4f %10.4f", {name, it.PrecioMin, it.Precio}));
        else
            doc.AppendLine(formatText("%-25s %10s %10.4f", {name, low, it.Precio}));
    }
    doc.AppendLine(pattern);
    doc.AppendLine("");
    doc.EndUpdate();
}

}  // namespace vexa
