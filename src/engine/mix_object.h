#pragma once
// TMixObject: one least-cost run of a formula. It builds the linear programme from the
// restrictions that a descendant supplies through the abstract operations, solves it with a
// two-phase tableau simplex, relaxes and diagnoses an infeasible formula, analyses the
// optimum, extracts the ration and writes the engine's reports.
//
// Lifecycle: create → set AppendReport (and what the descendant needs) → Mix() once → read
// the results and ask for reports any number of times → destroy.
#include "engine/engine_error.h"
#include "engine/fixed4.h"
#include "engine/name_kind.h"
#include "engine/report_document.h"
#include "engine/restriction_items.h"
#include "engine/solver_options.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace vexa {

// Dense simplex tableau addressed as (column, row), both 1-based like the programme's
// numbering. Rows are stored contiguously since every pivot works row by row.
class DenseTableau {
public:
    void allocate(int32_t columns, int32_t rows);  // columns includes the right-hand side
    void zero();
    double& operator()(int32_t col, int32_t row) { return cells_[index(col, row)]; }
    double operator()(int32_t col, int32_t row) const { return cells_[index(col, row)]; }
    double* rowData(int32_t row) { return &cells_[index(0, row)]; }
    const double* rowData(int32_t row) const { return &cells_[index(0, row)]; }
    int32_t columns() const { return columns_; }
    int32_t rows() const { return rows_; }

private:
    size_t index(int32_t col, int32_t row) const {
        return static_cast<size_t>(row) * static_cast<size_t>(columns_ + 1) +
               static_cast<size_t>(col);
    }
    std::vector<double> cells_;
    int32_t columns_ = 0, rows_ = 0;
};

// The coefficient of a nutrient value in the programme (shares in %): v ÷ 100 at the precision
// the value is stored with.
inline double programmeCoefficient(Fixed4 v) {
    return static_cast<double>(v.raw()) / (100.0 * Fixed4::kScale);
}

// Kinds of rows and artificial columns (RowInfo.kind, ColumnInfo.kind).
enum : int32_t { kRowTotal = 1, kRowIngredient = 2, kRowNutrient = 3, kRowRatio = 4 };

struct RowDescriptor {
    int32_t kind = 0;  // 1 the 100 % row, 2 ingredient, 3 nutrient, 4 ratio
    int32_t code = 0;  // ingredient or nutrient code, 0 for the 100 % row
};

// What an artificial column stands for.
struct ColumnDescriptor {
    int32_t kind = 0;      // as RowDescriptor::kind
    int32_t code = 0;      // ingredient or nutrient code
    int32_t row = 0;       // its row
    int32_t type = 0;      // 6 a ≥ row, 8 an equality row, 0 the 100 % row
    int32_t position = 0;  // position of the restriction in its list (0-based)
};

// The four running counters of the programme construction, passed by reference from step to
// step so that each continues the numbering of the previous one.
struct ProgrammeCounters {
    int32_t ingredientColumn = 0;  // last ingredient column used (incremented before use)
    int32_t slackColumn = 0;       // next slack or surplus column
    int32_t artificialColumn = 0;  // next artificial column
    int32_t row = 0;               // next row
};

class TMixObject {
public:
    using Clock = std::function<std::chrono::system_clock::time_point()>;

    // The report document is not owned; it must outlive the reports written into it.
    TMixObject(ReportDocument& report, int32_t formulaCode);
    virtual ~TMixObject() = default;
    TMixObject(const TMixObject&) = delete;
    TMixObject& operator=(const TMixObject&) = delete;

    // Runs one formulation. Raises EngineError with the Spanish message for an empty formula
    // or maxima below 100 %; an infeasible formula is not an error (Feasible false).
    void Mix();

    // ---- virtual operations, in slot order ----
    /* 0 */ virtual void ValidateIngredients();
    /* 1 */ virtual void CountIngredientRows(int32_t& count, Fixed4& sumMax) = 0;
    /* 2 */ virtual void CountNutrientRows() = 0;
    /* 3 */ virtual void AddTotalRow(ProgrammeCounters& c);
    /* 4 */ virtual void AddNutrientRows(ProgrammeCounters& c) = 0;
    /* 5 */ virtual void ExtractSolution();
    /* 6 */ virtual void FillNutrientContent() = 0;
    /* 7 */ virtual void LoadIngredients() = 0;
    /* 8 */ virtual void WriteSolution();
    /* 9 */ virtual void WriteHeader() = 0;
    /* 10 */ virtual Fixed4 NutrientValue(int32_t ingredient, int32_t nutrient) = 0;
    /* 11 */ virtual void OpenValues() = 0;
    /* 12 */ virtual double ToReportBasis(double x) { return x; }
    /* 13 */ virtual std::string ItemName(int32_t kind, int32_t code) = 0;  // kind: NameKind
    /* 14 */ virtual std::string NutrientUnit(int32_t code) = 0;
    /* 15 */ virtual std::string ReportFormat(int32_t index) = 0;
    /* 16 */ virtual void SaveResults() = 0;

    // ---- reports (append to Report) ----
    void WriteNutrientContribution(bool byWeight);
    void WriteIngredientSensitivity();
    void WriteNutrientSensitivity();
    void WritePriceSensitivity();
    void WriteDiagnosis();  // writes only when Feasible is false
    // "RELACIONES ENTRE NUTRIENTES": each ratio's level and bounds as "x : 1"; nothing when the
    // formula restricts no ratio.
    void WriteRatioSection();
    // "ÓPTIMA" or "ALTERNA".
    std::string SolutionAdjective() const;

    // ---- programme construction ----
    void AllocateProgramme();
    void ResetProgramme(ProgrammeCounters& c);
    void AddIngredientRows(ProgrammeCounters& c);
    // The rows of RatioRestrictions, after the nutrient rows: each bound is one ≤ 0 row with a
    // slack (minN1·level2 − minN2·level1 ≤ 0, maxN2·level1 − maxN1·level2 ≤ 0).
    void CountRatioRows();
    void AddRatioRows(ProgrammeCounters& c);

    // ---- simplex ----
    void Solve();
    SimplexStatus RunSimplex(bool objectiveThreshold = true);
    int32_t ComputeReducedCosts();               // entering column, 0 when none
    int32_t SelectLeavingRow(int32_t entering);  // 0 when none
    void Pivot(int32_t entering, int32_t leaving);
    bool IsFeasible();  // no artificial basic at a positive value
    // Pivots every artificial that is basic at value 0 out of the basis; removes the rows in
    // which no other column can replace it (they are redundant).
    void DriveOutZeroArtificials();
    void DropArtificialColumns();
    bool IsArtificialColumn(int32_t col) const { return col > IngredientCount + SlackCount; }

    // ---- infeasibility ----
    // Fills the suggestion list with the rows phase 1 left unmet; false when the 100 % row was
    // among them.
    bool RecordShortfalls();
    void RemoveArtificialRows();
    void UpdateNutrientShortfall(int32_t position, Fixed4 level);

    // ---- sensitivity ----
    void RangePrices();
    void ComputeRowValues();

    // ---- declared data ----
    int32_t PriceNutrient = 0;
    int32_t DryMatterNutrient = 0;
    int32_t ColumnCount = 0;
    int32_t RowCount = 0;
    int32_t RhsColumn = 0;
    int32_t FormulaCode = 0;
    int32_t IngredientRowCount = 0;
    int32_t IngredientCount = 0;
    int32_t SlackCount = 0;
    int32_t ArtificialCount = 0;
    std::chrono::system_clock::time_point MixedAt{};

    // The programme (all 1-based: index 0 unused).
    DenseTableau Tableau;
    std::vector<double> SavedReducedCost;  // RhsColumn + 1; [RhsColumn] is the objective
    std::vector<double> ReducedCost;
    std::vector<RowDescriptor> RowInfo;   // RowCount + 1
    std::vector<int32_t> Basis;           // RowCount + 1
    std::vector<Fixed4> IngredientPrice;  // IngredientCount + 1
    std::vector<int32_t> IngredientCode;  // IngredientCount + 1
    std::vector<int32_t> RowSlack;        // RowCount + 1
    // [0] lower, [1] upper end; IngredientCount + 1; ∓infinity where the ration stays optimal
    // however far the price moves.
    std::vector<double> PriceRange[2];
    std::vector<double> RowValue;  // RowCount + 1: the cost of tightening each row by one unit
    std::vector<ColumnDescriptor> ColumnInfo;  // RhsColumn + 1
    std::vector<double> Cost;                  // RhsColumn + 1

    ReportDocument* Report = nullptr;
    bool AsFedFormula = false;
    bool UseDryMatter = false;
    bool AppendReport = false;
    bool Feasible = true;
    bool TotalReachable = true;
    Fixed4 FeedWeight;
    Fixed4 CostPerKg;
    // The ration's cost per tonne as the solution table totals it (each line's cost per tonne,
    // summed): the one cost per tonne every report of the run prints.
    Fixed4 CostPerTonne() const;

    std::vector<TNutriente> Nutrients;
    std::vector<TInsumo> Ingredients;
    std::vector<TConsumo> Consumption;
    std::vector<TRelacion> Ratios;
    // The formula's ratio restrictions, set by the descendant before Mix; Ratios is built
    // from them with each programme.
    std::vector<RatioBounds> RatioRestrictions;
    std::vector<TOrden> Order;  // ingredients of the ration, largest share first
    std::vector<TRecom> Suggestions;
    std::vector<TInsumo> AsFed;
    int32_t OrderCount = 0;
    double AsFedTotal = 0.0;

    // ---- settings of the run (not part of the stored formula) ----
    SolverOptions Options;
    Clock Now = [] { return std::chrono::system_clock::now(); };
    // Passes made by the simplex in this run (all phases), for diagnostics and benchmarks.
    int64_t PivotCount = 0;

protected:
    // The header both descendants print: title block, then database, group, formula and the
    // time of the run (unless appending to a report that already has one).
    void WriteStandardHeader(std::string_view productTitle, const ReportIdentity& identity,
                             const std::string& databaseName, int32_t groupCode);
    // Sizing of one restriction, for CountIngredientRows / CountNutrientRows.
    void CountIngredientRestriction(Fixed4 min, Fixed4 max);
    void CountNutrientRestriction(Fixed4 min, Fixed4 max);
    // Adds the rows of every item of Nutrients, in list order (for AddNutrientRows).
    void AddNutrientRowsFromList(ProgrammeCounters& c);
    // Slots 1, 2, 4 and 7 for a descendant that holds its formula's restrictions as lists,
    // in the order the formula stores them.
    void CountIngredientRowsOf(const std::vector<RestrictionBounds>& rows, int32_t& count,
                               Fixed4& sumMax);
    void CountNutrientRowsOf(const std::vector<RestrictionBounds>& rows);
    void AddNutrientRowsOf(const std::vector<RestrictionBounds>& rows, ProgrammeCounters& c);
    // Fills Ingredients from `rows`; `complete` adds what only the descendant knows of the
    // ingredient of rows[index] (its price, dry matter, type).
    void LoadIngredientsOf(const std::vector<RestrictionBounds>& rows,
                           const std::function<void(TInsumo& item, size_t index)>& complete);

private:
    void addNutrientRow(TNutriente& n, int32_t position, ProgrammeCounters& c);
    // Lay out one restriction row of an ingredient or nutrient (kind) and record it on the
    // item; the caller writes the item's coefficients into the row returned. = and ≥ rows
    // start on an artificial column, ≤ rows on their slack.
    int32_t addEqualRow(TNutriente& item, int32_t kind, int32_t position, ProgrammeCounters& c);
    int32_t addMinRow(TNutriente& item, int32_t kind, int32_t position, ProgrammeCounters& c);
    int32_t addMaxRow(TNutriente& item, int32_t kind, ProgrammeCounters& c);
    void copyReducedCosts();
    // Builds the programme, solves it and extracts the ration; true when the programme itself
    // was met (before the ration's rounding is checked).
    bool solveAndExtract();
    // Marks for exclusion the ingredients whose share the rounding dropped when that left a
    // nutrient short; true when it marked any not marked before.
    bool droppedShares();
    // Empties the columns of the excluded ingredients (after the programme is built), keeping
    // what they held.
    void excludeColumns();
    // The lower price end of each excluded ingredient, from its own column: the price at which
    // it would come into the ration (its price itself when it is already worth taking).
    void rangeExcludedPrices();
    std::vector<char> excluded_;  // per ingredient column: left out of this run
    // An emptied cell: its row named by the column that keeps the row's dual (the slack or
    // surplus, or the artificial of an equality) and that column's coefficient in the row.
    struct ExcludedCell {
        int32_t ingredient;
        int32_t rowColumn;
        double rowColumnSign;
        double value;
    };
    std::vector<ExcludedCell> excludedCells_;
    // The final tableau while a price range walks a degenerate vertex.
    DenseTableau rangeTableau_;
    std::vector<int32_t> rangeBasis_;
    std::vector<double> rangeReduced_;
    // The entering column for the current reduced costs, and the objective into
    // ReducedCost[RhsColumn].
    int32_t chooseEntering();
    void handleInfeasible();
    // Runs the simplex on the current programme with `costs`, then keeps every column whose
    // reduced cost is positive from entering again: later runs stay on this run's optimal face.
    void solveStage(const std::vector<double>& costs);
    // (clase, position) of the item whose restriction row is r; clase 0 for the 100 % row.
    std::pair<int32_t, int32_t> itemOfRow(int32_t r) const;
    // How far the price of ingredient column k can move (dir +1 up, -1 down) with the ration
    // still optimal; infinity when without limit.
    double priceRangeEnd(int32_t k, int dir);
    // Removes row i (1-based) and renumbers the rows recorded on the items.
    void removeRow(int32_t i);
    void convertToAsFed();
    // Records a restriction that the delivered ration misses but no suggestion names yet.
    void suggestUnmet(int32_t clase, int32_t position, const TNutriente& item, int32_t tipo,
                      Fixed4 bound, int32_t row, Fixed4 reached);
    void writePlainTable();
    Fixed4 lineCostPerTonne(int32_t index) const;
    // Ratio levels, flags and sensitivities of the ration (end of ExtractSolution).
    void extractRatios();
    // A ratio row rewritten to bound the ratio at `ratio` : 1 (relaxing an infeasible formula).
    void setRatioRow(int32_t row, const TRelacion& item, bool minimum, double ratio);
    // Levels of the two nutrients of a ratio for the given ingredient shares (1-based columns).
    std::pair<double, double> ratioLevels(const RatioBounds& b, const std::vector<double>& shares);
    void writeRatioSensitivity();
    // Relaxes ratio row `row` of Ratios[position] to the ratio the shares reach and records
    // the suggestion (an infeasible formula).
    void relaxRatioRow(int32_t row, int32_t position, const std::vector<double>& shares);
    // The magnitude of a ratio row in a typical ration, for weighing its miss.
    double ratioRowScale(int32_t row);
    // Ingredient shares (index 1..IngredientCount) of the ration the ratio rows are weighed
    // against in the elastic programme; empty: a typical ration.
    std::vector<double> ratioShares_;
    void writeDryMatterTable();

    std::vector<double> coefficients_;     // one nutrient row, reused
    std::vector<int32_t> identityColumn_;  // per row: the column that started basic in it
    std::vector<char> blocked_;            // columns that may not enter
    std::vector<char> retired_;            // artificial columns no longer kept up to date
    bool retireArtificials_ = false;
    std::vector<int32_t> pivotColumns_;  // nonzero cells of the last pivot row
    // Squared length of every column of the tableau, kept by the pivots of a run, for choosing
    // the entering column by the steepest edge (feed values differ by orders of magnitude,
    // which misleads the most negative reduced cost into many more pivots).
    std::vector<double> colNorm_;
    bool steepestEdge_ = false;  // in Solve's runs
    bool exactNorms_ = false;    // colNorm_ holds exact squared lengths, not Devex weights
    bool trackNorms_ = false;    // during a run
    void computeColumnNorms();
    bool blandRule_ = false;      // entering column by Bland's rule (anti-cycling)
    bool lastRatioZero_ = false;  // the last ratio test chose a row at value 0
};

}  // namespace vexa
