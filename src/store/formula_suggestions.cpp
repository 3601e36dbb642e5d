#include "store/formula_suggestions.h"

#include "engine/suggestions.h"
#include "store/ratio_queries.h"
#include "store/sqlite_db.h"

namespace vexa {

namespace {

struct StoredRows {
    std::vector<RestrictionBounds> bounds;
    std::vector<RestrictionBounds> before;
};

// An empty ingredient maximum means 100 %, an empty nutrient maximum none (0).
StoredRows readRows(Database& db, const char* sql, int32_t lr, Fixed4 emptyMax) {
    StoredRows rows;
    Statement q = db.prepare(sql);
    q.bind("LR", lr);
    while (q.step()) {
        RestrictionBounds b;
        b.code = q.getInt(0);
        b.min = q.getFixed4(1);
        b.max = q.isNull(2) ? emptyMax : q.getFixed4(2);
        rows.bounds.push_back(b);
    }
    rows.before = rows.bounds;
    return rows;
}

int writeChanged(Database& db, const char* sql, int32_t lr, const StoredRows& rows,
                 bool zeroMaxEmpty) {
    int changed = 0;
    for (size_t i = 0; i < rows.bounds.size(); ++i) {
        const RestrictionBounds& b = rows.bounds[i];
        const RestrictionBounds& old = rows.before[i];
        if (b.min == old.min && b.max == old.max) continue;
        Statement u = db.prepare(sql);
        u.bind("LR", lr).bind("CNI", b.code).bind("Min", b.min);
        if (zeroMaxEmpty && b.max.isZero())
            u.bindNull("Max");
        else
            u.bind("Max", b.max);
        u.step();
        ++changed;
    }
    return changed;
}

}  // namespace

int AplicarSugerencias(Database& db, int32_t lr, const std::vector<TRecom>& suggestions) {
    StoredRows ins = readRows(db, "Select CNI, \"Min\", \"Max\" From RIn Where LR = :LR", lr,
                              Fixed4::fromInt(100));
    StoredRows nut =
        readRows(db, "Select CNI, \"Min\", \"Max\" From RNu Where LR = :LR", lr, Fixed4());
    std::vector<FormulaRatioRow> ratioRows = formulaRatios(db, lr);
    std::vector<RatioBounds> ratios;
    for (const FormulaRatioRow& r : ratioRows) ratios.push_back(r.bounds());
    const std::vector<RatioBounds> ratiosBefore = ratios;
    applySuggestions(suggestions, ins.bounds, nut.bounds, ratios);
    Transaction tx(db);
    int changed = writeChanged(
        db, "Update RIn Set \"Min\" = :Min, \"Max\" = :Max Where LR = :LR and CNI = :CNI", lr, ins,
        false);
    changed += writeChanged(
        db, "Update RNu Set \"Min\" = :Min, \"Max\" = :Max Where LR = :LR and CNI = :CNI", lr, nut,
        true);
    for (size_t i = 0; i < ratios.size(); ++i) {
        const RatioBounds& b = ratios[i];
        const RatioBounds& was = ratiosBefore[i];
        if (b.minN1 == was.minN1 && b.minN2 == was.minN2 && b.maxN1 == was.maxN1 &&
            b.maxN2 == was.maxN2)
            continue;
        FormulaRatioRow row = ratioRows[i];
        row.minN1 = b.minN1;
        row.minN2 = b.minN2;
        row.maxN1 = b.maxN1;
        row.maxN2 = b.maxN2;
        saveFormulaRatio(db, lr, row);
        ++changed;
    }
    tx.commit();
    return changed;
}

}  // namespace vexa
