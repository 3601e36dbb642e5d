#include "store/mix_object2.h"

#include "store/ratio_queries.h"

#include "engine/mix_math.h"
#include "engine/text_format.h"
#include "store/shared_procs.h"

#include <algorithm>

namespace vexa {

namespace {

std::string fixedText(Fixed4 v) {
    return v.toString();
}

// A cost column of the summary: 4 decimals, more where a dual per kcal needs them.
std::string dualText(double v) {
    if (v <= kNoDual) return "";
    std::string t = smallValueText(v, 10, 4, NumberFormat{"", ".", "", 2});
    return t.substr(t.find_first_not_of(' '));
}

}  // namespace

TMixObject2::TMixObject2(ReportDocument& report, int32_t formulaCode, Tdm& dm)
    : TMixObject(report, formulaCode), dm_(dm) {
    auto q = dm_.db().cached("Select * From LR Where (Codigo = :Codigo)");
    q.bind("Codigo", formulaCode);
    double cons = 0;
    int32_t tco = 0;
    if (q.step()) {
        found_ = true;
        GroupCode = q.getInt("Cat");
        cons = q.getDouble("Cons");
        tco = q.getInt("TCO");
    }
    PriceNutrient = dm_.PrecioGrupo(GroupCode);
    DryMatterNutrient = dm_.dbDef().MS;
    FeedWeight = toFixed4Or(cons, Fixed4());
    UseDryMatter = dm_.dbDef().UsarMS;
    AsFedFormula = tco == 1;
}

void TMixObject2::Mix() {
    unsaved_.clear();
    resultsWritten_ = false;
    Transaction tx(dm_.db());
    TMixObject::Mix();
    if (!resultsWritten_) {
        tx.commit();
        dm_.formulationCache().markCurrent();
        return;
    }
    // Only the results are written: when they do not reach the database the run still stands,
    // and unsavedResults() says what was lost.
    try {
        if (!tx.active()) {
            if (unsaved_.empty()) tx.commit();  // throws with the engine's cause
            return;
        }
        tx.commit();
        dm_.formulationCache().markCurrent();
    } catch (const std::exception& e) {
        unsaved_.assign(1, FailedWrite{allResults(), e.what()});
    }
}

std::string TMixObject2::allResults() const {
    return "Los resultados de la fórmula " + std::to_string(FormulaCode);
}

void TMixObject2::readRestrictions() {
    if (restrictionsRead_) return;
    restrictionsRead_ = true;
    FormulationCache& cache = dm_.formulationCache();
    cache.refresh();
    // Columns by position, found once per query (a damaged file may lack Resul: the run still
    // stands, and storing its results then fails and says so).
    auto read = [&](const char* sql, int table, Fixed4 emptyMax,
                    std::vector<RestrictionBounds>& rows) {
        auto q = dm_.db().cached(sql);
        q.bind("LR", FormulaCode);
        int cni = -1, min = -1, max = -1, resul = -1;
        // A bound no Fixed4 can hold (1e20 typed for "no limit", NaN) counts as no bound.
        auto opt = [&](int i) {
            return i < 0 || q.isNull(i) ? std::optional<Fixed4>() : toFixed4(q.getDouble(i));
        };
        while (q.step()) {
            if (cni < 0) {
                cni = q.columnIndex("CNI");
                min = q.columnIndex("Min");
                max = q.columnIndex("Max");
                resul = q.columnIndex("Resul");
            }
            const int32_t code = q.getInt(cni);
            // Only rows whose ingredient or nutrient exists: the editor's grids show no other,
            // and a phantom row would enter the ration free or make the formula infeasible
            // unseen.
            if (!(table == 1 ? cache.ingredientExists(code) : cache.nutrientExists(code))) continue;
            rows.push_back({code, opt(min).value_or(Fixed4()), opt(max).value_or(emptyMax)});
            storedResults_[{table, code}] = opt(resul);
        }
    };
    read("Select * From RIn Where (LR = :LR)", 1, Fixed4::fromInt(100), ingredientRows_);
    read("Select * From RNu Where (LR = :LR)", 2, Fixed4(), nutrientRows_);
    RatioRestrictions.clear();
    for (const FormulaRatioRow& r : formulaRatios(dm_.db(), FormulaCode))
        RatioRestrictions.push_back(r.bounds());
}

void TMixObject2::OpenValues() {
    // The values are read through the connection's cache: one query per ingredient, and none
    // for an ingredient an earlier run read while the database stayed as it was.
    readRestrictions();
    dm_.formulationCache().refresh();
    buildProgrammeValues();
}

void TMixObject2::buildProgrammeValues() {
    programmeIngredient_.clear();
    programmeNutrient_.clear();
    programmeValues_.clear();
    programmeColumns_ = 0;
    // Codes index the position tables directly; a workspace with far larger codes reads
    // through the cache alone.
    constexpr int32_t kLargestCode = 1 << 20;
    std::vector<int32_t> nutrients;
    for (const auto& b : nutrientRows_) nutrients.push_back(b.code);
    nutrients.push_back(PriceNutrient);
    nutrients.push_back(DryMatterNutrient);
    int32_t lastNutrient = 0, lastIngredient = 0;
    for (int32_t n : nutrients) {
        if (n < 0 || n > kLargestCode) return;
        lastNutrient = std::max(lastNutrient, n);
    }
    for (const auto& b : ingredientRows_) {
        if (b.code < 0 || b.code > kLargestCode) return;
        lastIngredient = std::max(lastIngredient, b.code);
    }
    programmeNutrient_.assign(static_cast<size_t>(lastNutrient) + 1, -1);
    for (int32_t n : nutrients)
        if (programmeNutrient_[n] < 0)
            programmeNutrient_[n] = static_cast<int32_t>(programmeColumns_++);
    programmeIngredient_.assign(static_cast<size_t>(lastIngredient) + 1, -1);
    int32_t rows = 0;
    for (const auto& b : ingredientRows_)
        if (programmeIngredient_[b.code] < 0) programmeIngredient_[b.code] = rows++;
    programmeValues_.assign(static_cast<size_t>(rows) * programmeColumns_, Fixed4());
    for (size_t c = 0; c < programmeIngredient_.size(); ++c) {
        const int32_t row = programmeIngredient_[c];
        if (row < 0) continue;
        for (const auto& [nut, value] : dm_.formulationCache().valuesOf(static_cast<int32_t>(c))) {
            if (nut < 0 || nut > lastNutrient || programmeNutrient_[nut] < 0) continue;
            programmeValues_[static_cast<size_t>(row) * programmeColumns_ +
                             static_cast<size_t>(programmeNutrient_[nut])] = value;
        }
    }
}

Fixed4 TMixObject2::NutrientValue(int32_t ingredient, int32_t nutrient) {
    if (ingredient >= 0 && nutrient >= 0 &&
        static_cast<size_t>(ingredient) < programmeIngredient_.size() &&
        static_cast<size_t>(nutrient) < programmeNutrient_.size()) {
        const int32_t row = programmeIngredient_[ingredient];
        const int32_t col = programmeNutrient_[nutrient];
        if (row >= 0 && col >= 0)
            return programmeValues_[static_cast<size_t>(row) * programmeColumns_ +
                                    static_cast<size_t>(col)];
    }
    return dm_.formulationCache().value(ingredient, nutrient);
}

void TMixObject2::CountIngredientRows(int32_t& count, Fixed4& sumMax) {
    readRestrictions();
    CountIngredientRowsOf(ingredientRows_, count, sumMax);
}

void TMixObject2::CountNutrientRows() {
    readRestrictions();
    CountNutrientRowsOf(nutrientRows_);
}

void TMixObject2::LoadIngredients() {
    readRestrictions();
    LoadIngredientsOf(ingredientRows_, [&](TInsumo& it, size_t) {
        it.Precio = NutrientValue(it.Codigo, PriceNutrient);
        if (UseDryMatter) it.MS = NutrientValue(it.Codigo, DryMatterNutrient);
        it.ItId = dm_.formulationCache().ingredientType(it.Codigo);
    });
}

void TMixObject2::AddNutrientRows(ProgrammeCounters& c) {
    readRestrictions();
    AddNutrientRowsOf(nutrientRows_, c);
}

void TMixObject2::fillGroupNutrients(ContentTable& table) {
    // The group's nutrients in display order with their type names. Also called after the
    // run (batch content): what the database holds now.
    dm_.formulationCache().refresh();
    table.clear();
    for (const ContentNutrient& g : dm_.formulationCache().groupNutrients(GroupCode)) {
        ContentRecord r;
        r.Codigo = g.code;
        r.Nombre = g.name;
        r.Unidad = g.unit;
        r.Tipo = g.type;
        table.push_back(std::move(r));
    }
}

void TMixObject2::FillNutrientContent() {
    ContentTable& table = content();
    fillGroupNutrients(table);
    for (size_t p = 0; p < Nutrients.size(); ++p) {
        for (auto& r : table) {
            if (r.Codigo != Nutrients[p].Codigo) continue;
            r.EsRestr = true;
            r.Valor = Nutrients[p].Cantidad.toDouble();
            r.NutId = static_cast<int32_t>(p);
            break;
        }
    }
    // The rows of each nutrient that the ration's content adds up (a group may list a nutrient
    // twice); an ingredient's absent value adds exactly nothing, so only its stored ones are
    // walked, in the ingredients' order as before.
    // Both lists are in nutrient-code order, so one walk of each pairs them.
    std::vector<std::pair<int32_t, size_t>> rowsOf;
    rowsOf.reserve(table.size());
    for (size_t i = 0; i < table.size(); ++i)
        if (!table[i].EsRestr) rowsOf.emplace_back(table[i].Codigo, i);
    std::sort(rowsOf.begin(), rowsOf.end());
    for (const TInsumo& ing : Ingredients) {
        if (ing.Valor == 0.0) continue;  // adds exactly nothing
        auto row = rowsOf.begin();
        for (const auto& [nut, value] : dm_.formulationCache().valuesOf(ing.Codigo)) {
            while (row != rowsOf.end() && row->first < nut) ++row;
            if (row == rowsOf.end()) break;
            if (row->first != nut) continue;
            Fixed4 t = toFixed4Or(value.toDouble() * ing.Valor, Fixed4());
            t = toFixed4Or(t.toDouble() / 100.0, Fixed4());
            for (auto r = row; r != rowsOf.end() && r->first == nut; ++r)
                table[r->second].Valor += t.toDouble();
        }
    }
}

std::string TMixObject2::ItemName(int32_t kind, int32_t code) {
    return dm_.NombreDe(kind, code);
}

std::string TMixObject2::NutrientUnit(int32_t code) {
    return dm_.UnidadNutriente(code);
}

std::string TMixObject2::ReportFormat(int32_t index) {
    // The name in 25 characters, then the share under the "%" of the heading.
    return index == 6 ? "%-25s  %8.4f" : "";
}

void TMixObject2::SaveResults() {
    if (!StoreResults) return;
    // One transaction: a formula with many rows is stored at once. A failed update does not
    // stop the run (each service swallows its own), but it is kept in unsavedResults().
    resultsWritten_ = true;
    const size_t before = dm_.failedWrites().size();
    try {
        Transaction tx(dm_.db());
        // Once the database has rolled the transaction back, what follows would be written on
        // its own while what came before is gone: stop, and report the whole set.
        auto lost = [&] {
            if (tx.active()) return false;
            tx.commit();  // throws with the engine's cause
            return true;
        };
        // A result the row already holds (read with the restrictions, in this transaction) is
        // not written again.
        auto unchanged = [&](int table, int32_t code, Fixed4 v) {
            auto it = storedResults_.find({table, code});
            return it != storedResults_.end() && it->second && *it->second == v;
        };
        dm_.GuardarUltima(FormulaCode, MixedAt, CostPerKg);
        for (const TInsumo& g : Ingredients) {
            if (lost()) return;
            const Fixed4 v = toFixed4Or(ToReportBasis(g.Cantidad.toDouble()), Fixed4());
            if (!unchanged(1, g.Codigo, v)) dm_.GuardarResultado("RIN", FormulaCode, g.Codigo, v);
        }
        for (const TNutriente& n : Nutrients) {
            if (lost()) return;
            if (!unchanged(2, n.Codigo, n.Cantidad))
                dm_.GuardarResultado("RNU", FormulaCode, n.Codigo, n.Cantidad);
        }
        tx.commit();
    } catch (const std::exception& e) {
        storedResults_.clear();
        unsaved_.assign(1, FailedWrite{allResults(), e.what()});
        return;
    }
    // What the rows hold now is known only where every write went through.
    storedResults_.clear();
    if (dm_.failedWrites().size() == before) {
        for (const TInsumo& g : Ingredients)
            storedResults_[{1, g.Codigo}] =
                toFixed4Or(ToReportBasis(g.Cantidad.toDouble()), Fixed4());
        for (const TNutriente& n : Nutrients) storedResults_[{2, n.Codigo}] = n.Cantidad;
    }
    const auto& failed = dm_.failedWrites();
    unsaved_.insert(unsaved_.end(), failed.begin() + static_cast<std::ptrdiff_t>(before),
                    failed.end());
}

void TMixObject2::WriteHeader() {
    WriteStandardHeader(ProductTitle, Identity, DatabaseName, GroupCode);
}

void TMixObject2::WriteNutrientContent(bool withWeight) {
    ReportDocument& doc = *Report;
    doc.BeginUpdate();
    WriteHeading(
        doc, "CONTENIDO NUTRICIONAL DE LA SOLUCIÓN " + SolutionAdjective() + " AL MÍNIMO COSTO");
    doc.AppendLine(RepeatChar(59, '='));
    doc.AppendLine("");
    const auto& table = NutrientContent();
    if (withWeight) {
        WriteHeading(doc, formatText("%-25s  %-15s    %-10s    %-10s",
                                     {std::string("Nombre"), std::string("Unidad"),
                                      std::string("Cantidad"), std::string("Peso")}));
        const auto line = UnderlinePattern({25, 2, 15, 4, 10, 4, 10});
        doc.AppendLine(line);
        for (const auto& r : table)
            doc.AppendLine(
                formatText("%-25s  %-16s   %10.4f   %10.4f",
                           {r.Nombre, r.Unidad, r.Valor, r.Valor * FeedWeight.toDouble() / 100.0}));
        doc.AppendLine(line);
    } else {
        WriteHeading(
            doc, formatText("%-25s  %-15s    %-10s", {std::string("Nombre"), std::string("Unidad"),
                                                      std::string("Cantidad")}));
        const auto line = UnderlinePattern({25, 2, 16, 3, 10});
        doc.AppendLine(line);
        for (const auto& r : table)
            doc.AppendLine(formatText("%-25s  %-16s   %10.4f", {r.Nombre, r.Unidad, r.Valor}));
        doc.AppendLine(line);
    }
    doc.EndUpdate();
}

void TMixObject2::WriteBatchContent(const std::vector<BatchIngredient>& ingredients,
                                    Fixed4 totalWeight, bool dry) {
    // After the run: the values as the database holds them now, not the run's table.
    BatchContent batch;
    batch.weight = totalWeight;
    batch.dry = dry;
    ContentTable& table = batch.table;
    programmeIngredient_.clear();
    programmeNutrient_.clear();
    fillGroupNutrients(table);
    for (auto& r : table) {
        Fixed4 sum;
        for (const auto& b : ingredients)
            sum += toFixed4Or(b.ValorRed, Fixed4()) * NutrientValue(b.Codigo, r.Codigo);
        r.Valor = CurrencyRatio(sum, totalWeight).toDouble();
    }
    lastBatch_ = std::move(batch);
    WriteLastBatchContent();
}

void TMixObject2::WriteLastBatchContent() {
    if (!lastBatch_) return;
    const ContentTable& table = lastBatch_->table;
    const Fixed4 totalWeight = lastBatch_->weight;
    ReportDocument& doc = *Report;
    doc.BeginUpdate();
    // Never under the optimal solution's title: these are the rounded batch's levels.
    const std::string title =
        formatText("CONTENIDO NUTRICIONAL DEL LOTE DE %.2f Kg%s",
                   {totalWeight, std::string(lastBatch_->dry ? " EN BASE SECA" : "")});
    WriteHeading(doc, title);
    doc.AppendLine(RepeatChar(static_cast<int>(utf8Length(title)), '='));
    doc.AppendLine("");
    WriteHeading(doc, formatText("%-25s  %-15s     %-10s     %-8s",
                                 {std::string("Nombre"), std::string("Unidad"),
                                  std::string("Cantidad"), std::string("Al Peso")}));
    doc.AppendLine(UnderlinePattern({25, 2, 16, 3, 10, 3, 12}));
    for (const auto& r : table) {
        if (r.Tipo == "Nutriente") {
            doc.AppendLine(formatText("%-25s  %-16s   %10.4f   %-12s",
                                      {r.Nombre, r.Unidad, r.Valor,
                                       FormatWeight(r.Valor * totalWeight.toDouble() / 100.0)}));
        } else {
            doc.AppendLine(formatText("%-25s  %-16s   %10.4f", {r.Nombre, r.Unidad, r.Valor}));
        }
    }
    doc.EndUpdate();
}

void TMixObject2::WriteFullReport() {
    ReportDocument& doc = *Report;
    const int start = doc.LineCount();
    doc.BeginUpdate();
    const std::string title =
        utf8Left("RESUMEN DE LA SOLUCIÓN " + SolutionAdjective() + " AL MÍNIMO COSTO", 50);
    WriteHeading(doc, title, kRed);
    doc.AppendLine(RepeatChar(static_cast<int>(utf8Length(title)), '='));
    doc.AppendLine("");
    doc.AppendLine("INSUMOS");
    doc.AppendLine(RepeatChar(7, '='));

    std::vector<int> pattern;
    if (UseDryMatter) {
        WriteHeading(doc,
                     "                           Restricc            Restricc    Costo         "
                     "     Sensibilidad de Precio");
        WriteHeading(doc,
                     "Nombre                      Mínima  Solucion    Máxima     1%/TM   Al "
                     "fresco  Mínima     Actual     Máxima");
        pattern = {25, 1, 9, 1, 9, 1, 9, 1, 10, 1, 9, 1, 10, 1, 10, 1, 10};
    } else {
        WriteHeading(doc,
                     "                           Restricc            Restricc    Costo        "
                     "Sensibilidad de Precio");
        WriteHeading(doc,
                     "Nombre                      Mínima  Solucion    Máxima     1%/TM     "
                     "Mínima     Actual     Máxima");
        pattern = {25, 1, 9, 1, 9, 1, 9, 1, 10, 1, 10, 1, 10, 1, 10};
    }
    const std::string underline = UnderlinePattern(pattern);
    doc.AppendLine(underline);
    const std::string lead = ReportFormat(6);
    for (const TOrden& o : OrdenPorValor(Ingredients, true)) {
        const TInsumo& g = Ingredients[o.Indice];
        const std::string cost = dualText(g.SensibExact * 10.0);
        std::string maxPrice;
        if (g.Fuera)
            maxPrice = "Error";
        else if (g.PrecioMax > Fixed4() && g.PrecioMax < Fixed4::fromRaw(999999999))
            maxPrice = fixedText(g.PrecioMax);
        // a price range without a lower end is left blank, as in the price report
        const std::string minPrice = g.NoPriceFloor ? std::string() : fixedText(g.PrecioMin);
        const std::string name = ItemName(kNameIngredient, g.Codigo);
        if (UseDryMatter) {
            Fixed4 asFed =
                static_cast<size_t>(o.Indice) < AsFed.size() ? AsFed[o.Indice].Cantidad : Fixed4();
            doc.AppendLine(formatText(
                lead + " %8.4f%% %8.4f%% %10s %8.4f%% %10s" + " %10.4f %10s",
                {name, g.Min, g.Cantidad, g.Max, cost, asFed, minPrice, g.Precio, maxPrice}));
        } else {
            doc.AppendLine(
                formatText(lead + " %8.4f%% %8.4f%% %10s %10s %10.4f " + "%10s",
                           {name, g.Min, g.Cantidad, g.Max, cost, minPrice, g.Precio, maxPrice}));
        }
    }
    doc.AppendLine(underline);
    doc.AppendLine(formatText("Solución al mínimo costo expresado en %s = %.4f",
                              {NutrientUnit(PriceNutrient), CostPerKg}));
    doc.AppendLine("");

    WriteHeading(doc, "CONTENIDO NUTRICIONAL DE LA FÓRMULA");
    doc.AppendLine(RepeatChar(35, '='));
    WriteHeading(doc,
                 "                                         Valor                 Valor       "
                 "Costo");
    WriteHeading(doc,
                 "Nombre                    Unidad         Minimo    Solucion    Maximo     "
                 "0.1%/TM");
    const std::string contentLine = UnderlinePattern({25, 1, 12, 1, 10, 1, 10, 1, 10, 1, 10});
    doc.AppendLine(contentLine);
    for (const auto& r : NutrientContent()) {
        if (r.EsRestr && r.NutId >= 0 && static_cast<size_t>(r.NutId) < Nutrients.size()) {
            const TNutriente& n = Nutrients[r.NutId];
            const std::string maxText = n.Max > Fixed4() ? fixedText(n.Max) : "";
            const std::string costText = n.Fuera ? "Error" : dualText(n.SensibExact * 100.0);
            doc.AppendLine(formatText("%-25s %-12s %10.4f %10.4f %10s %10s",
                                      {r.Nombre, r.Unidad, n.Min, n.Cantidad, maxText, costText}));
        } else {
            doc.AppendLine(formatText("%-25s %-12s %10s %10.4f",
                                      {r.Nombre, r.Unidad, std::string(), r.Valor}));
        }
    }
    doc.AppendLine(contentLine);
    doc.AppendLine("");
    WriteRatioSection();
    doc.Select(start, doc.LineCount());
    doc.SetSelectionSize(11);
    doc.Select(0, 0);
    doc.EndUpdate();
}

}  // namespace vexa
