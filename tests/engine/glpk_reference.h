#pragma once
// The programme of a formula handed to GLPK's simplex, as an independent reference for the
// engine. Shared by the cross-check test and the benchmark. The programme is the engine's:
// shares in %, Σ = 100, an ingredient bound only where the engine adds a row (minimum when not
// 0, maximum when between 0 and 100, both when fixed), nutrient coefficients at the
// precision the values are stored with, minimum when above 0, maximum when above 0, both when
// fixed.
#include "engine/memory_mix_object.h"

#include <glpk.h>

#include <cmath>
#include <vector>

namespace vexa::reference {

struct GlpkResult {
    bool feasible = false;
    double costPerKg = 0.0;
    std::vector<double> shares;  // % per ingredient, formula order
    // Duals in money per kg per unit: per ingredient (its column) and per nutrient (its first
    // row, 0 without one); meaningful only when not degenerate (a basic variable at a bound).
    std::vector<double> ingredientDual, nutrientDual;
    bool degenerate = false;
};

using vexa::programmeCoefficient;  // v ÷ 100 as stored

// tightDuals: a reduced-cost tolerance fine enough to see a price moved by a few units.
inline GlpkResult solveWithGlpk(const Formula& f, bool tightDuals = false) {
    glp_prob* lp = glp_create_prob();
    glp_set_obj_dir(lp, GLP_MIN);
    const int n = static_cast<int>(f.ingredients.size());
    glp_add_cols(lp, n);
    for (int k = 1; k <= n; ++k) {
        const auto& ing = f.ingredients[static_cast<size_t>(k - 1)];
        const double lo = ing.min.toDouble(), hi = ing.max.toDouble();
        const bool fixed = !ing.min.isZero() && ing.min == ing.max;
        const bool hasMax = ing.max < Fixed4::fromInt(100);  // a maximum of 0 keeps it out
        if (fixed)
            glp_set_col_bnds(lp, k, GLP_FX, lo, lo);
        else if (hasMax && hi >= lo)
            glp_set_col_bnds(lp, k, lo == hi ? GLP_FX : GLP_DB, lo, hi);
        else
            glp_set_col_bnds(lp, k, GLP_LO, lo, 0.0);
        glp_set_obj_coef(lp, k, ing.price.toDouble() / 100.0);
    }
    std::vector<int> ia{0}, ja{0};
    std::vector<double> ar{0.0};
    auto addRow = [&](int type, double lo, double hi, const std::vector<double>& coef) {
        int r = glp_add_rows(lp, 1);
        glp_set_row_bnds(lp, r, type, lo, hi);
        for (int k = 1; k <= n; ++k) {
            if (coef[static_cast<size_t>(k - 1)] == 0.0) continue;
            ia.push_back(r);
            ja.push_back(k);
            ar.push_back(coef[static_cast<size_t>(k - 1)]);
        }
    };
    addRow(GLP_FX, 100.0, 100.0, std::vector<double>(static_cast<size_t>(n), 1.0));
    // An ingredient minimum above its maximum cannot be a column bound: give it rows.
    for (int k = 1; k <= n; ++k) {
        const auto& ing = f.ingredients[static_cast<size_t>(k - 1)];
        const bool hasMax = ing.max < Fixed4::fromInt(100);  // a maximum of 0 keeps it out
        if (hasMax && ing.min > ing.max) {
            std::vector<double> unit(static_cast<size_t>(n), 0.0);
            unit[static_cast<size_t>(k - 1)] = 1.0;
            addRow(GLP_UP, 0.0, ing.max.toDouble(), unit);
        }
    }
    std::vector<int> nutrientRow;
    for (const auto& nut : f.nutrients) {
        nutrientRow.push_back(glp_get_num_rows(lp) + 1);
        std::vector<double> coef;
        for (const auto& ing : f.ingredients) {
            auto it = ing.values.find(nut.code);
            coef.push_back(it == ing.values.end() ? 0.0 : programmeCoefficient(it->second));
        }
        const bool fixed = nut.min == nut.max && nut.min > Fixed4();
        const bool hasMin = nut.min > Fixed4(), hasMax = nut.max > Fixed4();
        if (fixed)
            addRow(GLP_FX, nut.min.toDouble(), nut.min.toDouble(), coef);
        else {
            if (hasMin) addRow(GLP_LO, nut.min.toDouble(), 0.0, coef);
            if (hasMax) addRow(GLP_UP, 0.0, nut.max.toDouble(), coef);
            if (!hasMin && !hasMax) nutrientRow.back() = 0;
        }
    }
    // Ratio rows: min n1·level2 − n2·level1 ≤ 0 and max n2·level1 − n1·level2 ≤ 0 (a second
    // term of 0 counts as 1, a first term of 0 adds no row).
    for (const auto& r : f.ratios) {
        auto coefOf = [&](int32_t code) {
            std::vector<double> c;
            for (const auto& ing : f.ingredients) {
                auto it = ing.values.find(code);
                c.push_back(it == ing.values.end() ? 0.0 : programmeCoefficient(it->second));
            }
            return c;
        };
        const std::vector<double> c1 = coefOf(r.nut1), c2 = coefOf(r.nut2);
        auto second = [](Fixed4 v) { return v.isZero() ? 1.0 : v.toDouble(); };
        std::vector<double> row(static_cast<size_t>(n));
        if (r.minN1 > Fixed4()) {
            for (size_t k = 0; k < row.size(); ++k)
                row[k] = r.minN1.toDouble() * c2[k] - second(r.minN2) * c1[k];
            addRow(GLP_UP, 0.0, 0.0, row);
        }
        if (r.maxN1 > Fixed4()) {
            for (size_t k = 0; k < row.size(); ++k)
                row[k] = second(r.maxN2) * c1[k] - r.maxN1.toDouble() * c2[k];
            addRow(GLP_UP, 0.0, 0.0, row);
        }
    }
    glp_load_matrix(lp, static_cast<int>(ia.size()) - 1, ia.data(), ja.data(), ar.data());
    glp_smcp parm;
    glp_init_smcp(&parm);
    parm.msg_lev = GLP_MSG_OFF;
    parm.presolve = GLP_OFF;
    if (tightDuals) parm.tol_dj = 1e-12;
    GlpkResult res;
    if (glp_simplex(lp, &parm) == 0 && glp_get_status(lp) == GLP_OPT) {
        res.feasible = true;
        res.costPerKg = glp_get_obj_val(lp);
        for (int k = 1; k <= n; ++k) {
            res.shares.push_back(glp_get_col_prim(lp, k));
            res.ingredientDual.push_back(glp_get_col_dual(lp, k));
            if (glp_get_col_stat(lp, k) == GLP_BS &&
                (std::fabs(glp_get_col_prim(lp, k) - glp_get_col_lb(lp, k)) < 1e-9 ||
                 (glp_get_col_type(lp, k) == GLP_DB &&
                  std::fabs(glp_get_col_prim(lp, k) - glp_get_col_ub(lp, k)) < 1e-9)))
                res.degenerate = true;
        }
        for (int row : nutrientRow)
            res.nutrientDual.push_back(row ? glp_get_row_dual(lp, row) : 0.0);
        for (int r = 1; r <= glp_get_num_rows(lp); ++r) {
            if (glp_get_row_stat(lp, r) != GLP_BS) continue;
            const double v = glp_get_row_prim(lp, r);
            const int type = glp_get_row_type(lp, r);
            if ((type != GLP_UP && std::fabs(v - glp_get_row_lb(lp, r)) < 1e-9) ||
                (type != GLP_LO && std::fabs(v - glp_get_row_ub(lp, r)) < 1e-9))
                res.degenerate = true;
        }
    }
    glp_delete_prob(lp);
    return res;
}

// The least relaxation that makes the formula feasible: every restriction of the engine's
// programme may be missed, at a cost of the shortfall divided by its bound (the 100 % row holds).
inline double leastRelaxationWithGlpk(const Formula& f) {
    glp_prob* lp = glp_create_prob();
    glp_set_obj_dir(lp, GLP_MIN);
    const int n = static_cast<int>(f.ingredients.size());
    glp_add_cols(lp, n);
    for (int k = 1; k <= n; ++k) glp_set_col_bnds(lp, k, GLP_LO, 0.0, 0.0);
    std::vector<int> ia{0}, ja{0};
    std::vector<double> ar{0.0};
    auto addRow = [&](int type, double bound, const std::vector<double>& coef) {
        const int r = glp_add_rows(lp, 1);
        glp_set_row_bnds(lp, r, type, bound, bound);
        for (int k = 1; k <= n; ++k) {
            if (coef[static_cast<size_t>(k - 1)] == 0.0) continue;
            ia.push_back(r);
            ja.push_back(k);
            ar.push_back(coef[static_cast<size_t>(k - 1)]);
        }
        // elastic columns: one that lifts the level, one that lowers it
        const double w = 1.0 / std::max(std::fabs(bound), 1e-4);
        for (int sign : {+1, -1}) {
            if ((type == GLP_LO && sign < 0) || (type == GLP_UP && sign > 0)) continue;
            const int c = glp_add_cols(lp, 1);
            glp_set_col_bnds(lp, c, GLP_LO, 0.0, 0.0);
            glp_set_obj_coef(lp, c, w);
            ia.push_back(r);
            ja.push_back(c);
            ar.push_back(sign);
        }
    };
    {
        const int r = glp_add_rows(lp, 1);
        glp_set_row_bnds(lp, r, GLP_FX, 100.0, 100.0);
        for (int k = 1; k <= n; ++k) {
            ia.push_back(r);
            ja.push_back(k);
            ar.push_back(1.0);
        }
    }
    for (int k = 1; k <= n; ++k) {
        const auto& ing = f.ingredients[static_cast<size_t>(k - 1)];
        std::vector<double> unit(static_cast<size_t>(n), 0.0);
        unit[static_cast<size_t>(k - 1)] = 1.0;
        if (!ing.min.isZero() && ing.min == ing.max) {
            addRow(GLP_FX, ing.min.toDouble(), unit);
            continue;
        }
        if (!ing.min.isZero()) addRow(GLP_LO, ing.min.toDouble(), unit);
        if (ing.max < Fixed4::fromInt(100)) addRow(GLP_UP, ing.max.toDouble(), unit);
    }
    for (const auto& nut : f.nutrients) {
        std::vector<double> coef;
        for (const auto& ing : f.ingredients) {
            auto it = ing.values.find(nut.code);
            coef.push_back(it == ing.values.end() ? 0.0 : programmeCoefficient(it->second));
        }
        if (nut.min == nut.max && nut.min > Fixed4()) {
            addRow(GLP_FX, nut.min.toDouble(), coef);
            continue;
        }
        if (nut.min > Fixed4()) addRow(GLP_LO, nut.min.toDouble(), coef);
        if (nut.max > Fixed4()) addRow(GLP_UP, nut.max.toDouble(), coef);
    }
    glp_load_matrix(lp, static_cast<int>(ia.size()) - 1, ia.data(), ja.data(), ar.data());
    glp_smcp parm;
    glp_init_smcp(&parm);
    parm.msg_lev = GLP_MSG_OFF;
    double least = -1.0;
    if (glp_simplex(lp, &parm) == 0 && glp_get_status(lp) == GLP_OPT) least = glp_get_obj_val(lp);
    glp_delete_prob(lp);
    return least;
}

}  // namespace vexa::reference
