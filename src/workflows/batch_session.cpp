#include "workflows/batch_session.h"

#include "engine/utf8.h"

namespace vexa {

BatchSession::BatchSession(TMixObject2& mix, Tdm& dm) : mix_(mix), dm_(dm) {
    table_ = FillBatchTable(
        mix, [&](int32_t code) { return dm.NombreDe(kNameIngredient, code); },
        [&](int32_t code) {
            try {
                return dm.RedondeoInsumo(code);
            } catch (const std::invalid_argument&) {
                return -4;  // a rounding that is not a whole number: the finest step
            }
        });
}

std::string BatchSession::dietName() {
    return utf8Left(dm_.NombreDe(kNameFormula, mix_.FormulaCode), 30);
}

std::string BatchSession::writeReport(double quantity, const std::string& quantityText,
                                      BatchBasis basis, bool includeContent) {
    BatchTable t = table_;
    if (std::string err = ScaleBatch(t, quantity, basis); !err.empty()) return err;
    scaled_ = t;
    ReportDocument& doc = *mix_.Report;
    doc.BeginUpdate();
    mix_.WriteHeader();
    WriteBatchTable(doc, t, quantityText, basis, mix_.NutrientUnit(mix_.PriceNutrient));
    if (includeContent) {
        std::vector<BatchIngredient> items;
        for (const BatchRow& r : t.rows) items.push_back({r.Codigo, r.ValorRed});
        mix_.WriteBatchContent(items, t.dryMatter ? t.totalDry : t.totalAsFed, t.dryMatter);
    }
    doc.EndUpdate();
    return {};
}

std::string BatchSession::send(double quantity, BatchBasis basis, const BatchGroupChoice& choice,
                               int32_t* dietCode) {
    BatchTable t = table_;
    if (std::string err = ScaleBatch(t, quantity, basis); !err.empty()) return err;
    scaled_ = t;
    DietToSend d;
    d.Nombre = choice.dietName;
    d.LoteId = choice.existingGroup;
    d.NewGroupName = choice.newGroupName;
    d.Fecha = mix_.MixedAt;
    d.Now = now();
    // A dry-matter batch stores its weight as fed, which the batch utility works with; an
    // as-fed batch keeps the quantity as typed.
    d.Cant = t.dryMatter ? t.totalAsFed.toDouble() : quantity;
    for (const BatchRow& r : t.rows) d.Lines.push_back({r.Codigo, r.ValorRed});
    try {
        const int32_t code = SendDiet(dm_, d);
        if (dietCode) *dietCode = code;
    } catch (const std::exception& e) {
        return std::string("No se pudo enviar la dieta al lote: ") + e.what();
    }
    return {};
}

}  // namespace vexa
