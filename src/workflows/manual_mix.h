#pragma once
// The manual-mix window's logic: lines with their totals, the nutrient content, rounding
// before a line is stored, "&Llevar a ...", and a mix created from a solved formula.
//
// Usage:
//     ManualMix m(db, dm, mixCode);
//     if (!m.load()) ...;                    // reads and recalculates
//     m.editLine(0, 50.0, 0);                // "Editar Insumo": Valor, Redondeo
//     m.bringTo("1000");                     // "&Llevar a ..."
#include "engine/report_document.h"
#include "store/manual_mix_store.h"

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace vexa {

class Tdm;
class TMixObject2;

class ManualMix {
public:
    ManualMix(Database& db, Tdm& dm, int32_t mixCode);

    // False when the mix does not exist.
    bool load();
    // Re-reads the lines and recomputes shares and content. The shares are stored, but a
    // recalculation by itself does not mark the workspace modified.
    void recalculate();

    const MixHeader& header() const { return header_; }
    bool dryBasis() const;
    std::vector<MixLine>& lines() { return lines_; }
    std::vector<MixNutrient>& nutrients() { return nutrients_; }
    double totalFresco() const { return totalFresco_; }
    double totalSeco() const { return totalSeco_; }
    Fixed4 totalCosto() const { return totalCosto_; }

    // The rule before a line is stored: Valor to a multiple of 10^Red (nearest, ties to even);
    // on a dry-matter basis MS from the ingredient's dry matter.
    void prepareLine(MixLine& line);
    // "&Aceptar" of the line dialog: writes Valor and Red, stores, recalculates. Empty on
    // success, else the Spanish message (nothing stored).
    std::string editLine(size_t index, double valor, int red);
    // "&Llevar a ...": scales the mix to the total in `text` (the user's number, already
    // parsed into `total`); false when nothing was done (0, the same total, or an error in
    // `error`).
    bool bringTo(double total, std::string* error = nullptr);
    // Insert key, "&Insertar": the group's ingredients that are not in the mix yet, by name.
    std::vector<std::pair<int32_t, std::string>> candidates();
    // Adds the chosen ingredients with Valor 0 and their default rounding; the index of each
    // new line after the lines were read again (the line dialog opens on it). Empty when a
    // write was refused (`error` says why; nothing stored).
    std::vector<size_t> insertIngredients(const std::vector<int>& codes, std::string* error);
    // Delete, "&Borrar": the line goes, the rest is recalculated.
    std::string deleteLine(size_t index);
    // "Cargar restrics": the formula's nutrient limits into the nutrient table.
    void loadLimits(int32_t formula);
    // The nutrient grid edited in place.
    void setLimits(size_t row, std::optional<Fixed4> min, std::optional<Fixed4> max);
    // Properties page "&Aceptar": name and basis. A change of basis recomputes every line's
    // dry matter. Empty on success, else the message (nothing stored).
    std::string setProperties(const std::string& name, bool enMS);
    // "&Guardar como insumo": a new ingredient in the group holding the mix's content.
    std::string saveAsIngredient(const std::string& name, int rounding);
    // "&Enviar a Lotexa" after the batch-group dialog: the mix as a diet (dry kilograms on a
    // dry-matter basis). True with the information message in `message`; false with the
    // error there, nothing stored.
    bool sendToGroup(const std::string& dietName, std::optional<int32_t> group,
                     const std::string& newGroupName, DateTime now, std::string& message);

    // The name the workspace shows for the mix's group.
    std::string groupName() const;

private:
    Database& db_;
    Tdm& dm_;
    int32_t code_;
    MixHeader header_;
    std::vector<MixLine> lines_;
    std::vector<MixNutrient> nutrients_;
    double totalFresco_ = 0, totalSeco_ = 0;
    Fixed4 totalCosto_;
};

// How a limit cell of the nutrient grid is drawn: no limit, met (blue), broken (red, bold).
enum class LimitState { None, Met, Broken };
LimitState minState(const MixNutrient& n);
LimitState maxState(const MixNutrient& n);

// "&Ver reporte": what the header names besides the mix.
struct MixReportInfo {
    std::string productTitle;
    ReportIdentity identity;
    std::string databaseName;
    std::string dateTime;  // as the user reads it
};
// The manual-mix report, replacing the document's contents.
void WriteMixReport(ReportDocument& doc, ManualMix& mix, const MixReportInfo& info);

// "Crear &mezcla": a manual mix named after the formula, in `group`, with the ration's
// ingredients and shares. Its code; 0 and `error` set when it could not be stored (nothing
// is left behind).
int32_t CreateMixFromRun(TMixObject2& mix, Tdm& dm, int32_t group, std::string* error = nullptr);

}  // namespace vexa
