#pragma once
// TMixObject2: the mix object of a formula stored in the open workspace. It reads the formula
// (LR), its restrictions (RIn, RNu) and the ingredient values (Val) from the database, stores
// the results back (RIn.Resul, RNu.Resul, LR.Ultima, LR.Valor) and writes the database-side
// reports: header, nutrient content, batch content and the full formula report.
//
// The formula's restrictions and the values of its ingredients are read once per run, so the
// programme is built from memory rather than with one query per cell.
#include "engine/mix_object.h"
#include "store/tdm.h"
#include "vexa_version.h"

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

namespace vexa {

// One record of the nutrient-content table (one per nutrient of the formula's group).
struct ContentRecord {
    int32_t Codigo = 0;
    std::string Nombre;  // 25
    std::string Unidad;  // 16
    double Valor = 0.0;  // level in the ration
    bool EsRestr = false;
    std::string Tipo;   // nutrient type name, 12
    int32_t NutId = 0;  // position in the nutrient list when EsRestr
    Fixed4 Peso;
};
using ContentTable = std::vector<ContentRecord>;

// The nutrient content of a batch prepared from a run (F6 with "Incluir contenido
// nutricional"): per kg of the rounded batch, kept apart from the run's own content.
struct BatchContent {
    ContentTable table;
    Fixed4 weight;  // kg: the dry total for a dry-matter batch, else as fed
    bool dry = false;
};

// An ingredient line of a batch for WriteBatchContent.
struct BatchIngredient {
    int32_t Codigo = 0;
    double ValorRed = 0.0;  // rounded quantity in kg
};

class TMixObject2 : public TMixObject {
public:
    // Reads the formula row; `dm` (and its database) must outlive the object.
    TMixObject2(ReportDocument& report, int32_t formulaCode, Tdm& dm);

    // One run inside one transaction: every read sees the same state of the tables and the
    // store locks once, and a refused formula stores nothing.
    void Mix();
    // What the last Mix could not store (RIn.Resul, RNu.Resul, LR.Ultima/Valor), with the
    // store's cause; empty when every result was stored. The run and its reports stand
    // either way, but a command must not say it stored these (describeFailedWrites, tdm.h).
    const std::vector<FailedWrite>& unsavedResults() const { return unsaved_; }
    bool resultsSaved() const { return unsaved_.empty(); }

    int32_t GroupCode = 0;
    // False: the run reads and reports but stores nothing (a read-only workspace).
    bool StoreResults = true;
    // The formula editor's content table; when left null the object keeps its own.
    ContentTable* Content = nullptr;
    // Header texts: the product's title line, the database name, who the report is for.
    std::string ProductTitle = kProductTitle;
    std::string DatabaseName;
    ReportIdentity Identity;

    const ContentTable& NutrientContent() const { return Content ? *Content : ownContent_; }
    // False when the formula row does not exist.
    bool formulaFound() const { return found_; }

    void CountIngredientRows(int32_t& count, Fixed4& sumMax) override;
    void CountNutrientRows() override;
    void AddNutrientRows(ProgrammeCounters& c) override;
    void FillNutrientContent() override;
    void LoadIngredients() override;
    void WriteHeader() override;
    Fixed4 NutrientValue(int32_t ingredient, int32_t nutrient) override;
    void OpenValues() override;
    std::string ItemName(int32_t kind, int32_t code) override;
    std::string NutrientUnit(int32_t code) override;
    std::string ReportFormat(int32_t index) override;
    void SaveResults() override;
    /* 17 */ virtual void WriteFullReport();

    void WriteNutrientContent(bool withWeight);
    // Computes the batch's content (kept as LastBatch until the next run) and writes it
    // under its own heading; the run's content stays what the run found.
    void WriteBatchContent(const std::vector<BatchIngredient>& ingredients, Fixed4 totalWeight,
                           bool dry = false);
    // The last batch's content section again (the content and summary reports add it).
    void WriteLastBatchContent();
    const std::optional<BatchContent>& LastBatch() const { return lastBatch_; }

private:
    void readRestrictions();
    void fillGroupNutrients(ContentTable& table);
    void buildProgrammeValues();
    ContentTable& content() { return Content ? *Content : ownContent_; }
    std::string allResults() const;

    Tdm& dm_;
    std::optional<BatchContent> lastBatch_;
    bool found_ = false;
    bool restrictionsRead_ = false;
    std::vector<RestrictionBounds> ingredientRows_, nutrientRows_;
    // Resul as stored when the restrictions were read: (1 RIn, 2 RNu; code).
    std::map<std::pair<int, int32_t>, std::optional<Fixed4>> storedResults_;
    // The programme's values (its ingredients × restricted nutrients, price and dry matter) in
    // a dense table for the run, indexed through code → position tables; the solver asks for
    // each many times. Empty when the codes are too large to index directly.
    std::vector<int32_t> programmeIngredient_, programmeNutrient_;
    std::vector<Fixed4> programmeValues_;
    size_t programmeColumns_ = 0;
    ContentTable ownContent_;
    std::vector<FailedWrite> unsaved_;
    bool resultsWritten_ = false;
};

}  // namespace vexa
