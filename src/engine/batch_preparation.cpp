#include "engine/batch_preparation.h"

#include "engine/mix_math.h"
#include "engine/mix_object.h"
#include "engine/text_format.h"
#include "engine/utf8.h"

#include <cmath>

namespace vexa {

namespace {

double round4(double x) {
    return RoundToStep(x, -4);
}

}  // namespace

BatchTable FillBatchTable(const TMixObject& mix, const std::function<std::string(int32_t)>& nameOf,
                          const std::function<int(int32_t)>& roundingOf) {
    BatchTable t;
    t.dryMatter = mix.UseDryMatter;
    for (const TOrden& o : mix.Order) {
        const TInsumo& it = mix.Ingredients[o.Indice];
        BatchRow r;
        r.Insumo = nameOf(it.Codigo);
        r.Red = roundingOf(it.Codigo);
        r.Codigo = it.Codigo;
        r.Precio = it.Precio;
        r.MS = it.MS;
        if (t.dryMatter) {
            const double g = SafeDivide(it.Cantidad.toDouble(), it.MS.toDouble()) * 100.0;
            t.drySum += it.Cantidad;
            t.scaleSum += g;
            r.ValorRed = g;
            r.BS = it.Cantidad;
        } else {
            t.scaleSum += it.Cantidad.toDouble();
            r.ValorRed = it.Cantidad.toDouble();
        }
        t.rows.push_back(std::move(r));
    }
    return t;
}

double RoundToStep(double x, int red) {
    // Scale by a whole power of ten on the side that keeps it exact (0.0001 is not).
    const long double p = std::pow(10.0L, std::abs(red));
    const long double v =
        red >= 0 ? static_cast<long double>(x) / p : static_cast<long double>(x) * p;
    const long double t = std::trunc(v + (v < 0 ? -0.5L : 0.5L));
    return static_cast<double>(red >= 0 ? t * p : t / p);
}

std::string ScaleBatch(BatchTable& table, double quantity, BatchBasis basis) {
    const bool dryBasis = basis == BatchBasis::DryMatter && table.dryMatter;
    const double divisor = dryBasis ? table.drySum.toDouble() : table.scaleSum;
    if (divisor == 0.0)
        return "No se puede preparar el lote: la suma de las cantidades de la ración es 0.";
    const double q = dryBasis ? quantity : RoundToStep(quantity, -2);
    const double f = round4(q / divisor);
    BatchTable t = table;
    t.totalDry = t.totalAsFed = t.totalCost = Fixed4();
    for (BatchRow& r : t.rows) {
        if (t.dryMatter) {
            r.BS = r.BS * Fixed4::fromDouble(f);
            t.totalDry += r.BS;
        }
        r.ValorRed = RoundToStep(r.ValorRed * f, r.Red);
        r.Costo = r.Precio * Fixed4::fromDouble(r.ValorRed);
        t.totalAsFed += Fixed4::fromDouble(r.ValorRed);
        t.totalCost += r.Costo;
    }
    if (t.totalAsFed == Fixed4())
        return "No se puede preparar el lote: la cantidad total redondeada es 0 Kg.";
    const double total = t.totalAsFed.toDouble();
    for (BatchRow& r : t.rows) r.BFP = round4(r.ValorRed * 100.0 / total);
    table = std::move(t);
    return {};
}

void WriteBatchTable(ReportDocument& doc, const BatchTable& table, const std::string& quantityText,
                     BatchBasis basis, const std::string& priceUnit) {
    const bool d = table.dryMatter;
    doc.BeginUpdate();
    WriteHeading(doc, "PREPARACIÓN DE UN BATCH O LOTE", kBlue);
    doc.AppendLine(RepeatChar(30, '='));
    doc.AppendLine("");
    doc.AppendLine("La mezcla se realiza para " + quantityText + " Kg. en BASE " +
                   (basis == BatchBasis::DryMatter && d ? "SECA" : "FRESCA"));
    doc.AppendLine("");
    const int n = 7 - (static_cast<int>(utf8Length(priceUnit)) + 1) / 2;
    std::string pattern;
    if (d) {
        WriteHeading(doc,
                     "Insumos                       Solución        Solución     Solucion    "
                     "Precio    Costo Total",
                     kBlue);
        WriteHeading(doc,
                     formatText("%40s   %s      %%   %" + std::to_string(n) + "s%s",
                                {std::string("En Peso Seco"), std::string("En Peso Fresco"),
                                 std::string(" "), priceUnit}),
                     kBlue);
        pattern = UnderlinePattern({25, 2, 14, 2, 14, 2, 8, 2, 10, 2, 10});
    } else {
        WriteHeading(doc,
                     "Insumos                        Solucion    Solucion    Precio    Costo Total",
                     kBlue);
        WriteHeading(doc,
                     formatText("%37s         %%    %" + std::to_string(n) + "s%s",
                                {std::string("Kg."), std::string(" "), priceUnit}),
                     kBlue);
        pattern = UnderlinePattern({25, 2, 14, 2, 8, 2, 10, 2, 10});
    }
    doc.AppendLine(pattern);
    for (const BatchRow& r : table.rows) {
        if (d)
            doc.AppendLine(formatText("%-25s  %14.4f  %14.4f  %8.4f  %10.4f  %10.4f",
                                      {r.Insumo, r.BS, r.ValorRed, r.BFP, r.Precio, r.Costo}));
        else
            doc.AppendLine(formatText("%-25s  %14.4f  %8.4f  %10.4f  %10.4f",
                                      {r.Insumo, r.ValorRed, r.BFP, r.Precio, r.Costo}));
    }
    doc.AppendLine(pattern);
    const std::string lead =
        formatText("%-25s  %14.4f", {std::string("TOTAL"), d ? table.totalDry : table.totalAsFed});
    if (d)
        doc.AppendLine(lead + formatText("  %14.4f  %8.4f  %22.4f",
                                         {table.totalAsFed, 100.0, table.totalCost}));
    else
        doc.AppendLine(lead + formatText("  %8.4f  %22.4f", {100.0, table.totalCost}));
    doc.AppendLine("");
    doc.EndUpdate();
}

}  // namespace vexa
