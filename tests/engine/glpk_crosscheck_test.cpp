// The engine against GLPK's simplex on generated formulas: the same verdict on feasibility, the
// same least cost, and a delivered ration that meets every restriction. Checked by outcome
// only, never by the path the solver took.
#include "glpk_reference.h"
#include "test_paths.h"

#include "engine/memory_mix_object.h"
#include "engine/suggestions.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numeric>
#include <random>
#include <sstream>
#include <stdexcept>

namespace vexa {
namespace {

using reference::GlpkResult;
using reference::programmeCoefficient;
using reference::solveWithGlpk;

class Generator {
public:
    explicit Generator(uint64_t seed) : rng_(seed) {}

    int between(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng_); }
    double uniform(double lo, double hi) { return std::uniform_real_distribution<>(lo, hi)(rng_); }
    bool chance(double p) { return uniform(0, 1) < p; }

    // A value with 2 decimals, so that the programme's coefficient (value ÷ 100 to 4 decimals)
    // is exact and the level the engine reports is the level the programme saw.
    Fixed4 value2(int maxHundredths) { return Fixed4::fromRaw(100 * between(1, maxHundredths)); }

    Formula skeleton(int ingredients, int nutrients) {
        Formula f;
        f.name = "generada";
        for (int n = 0; n < nutrients; ++n) {
            FormulaNutrient fn;
            fn.code = 100 + n;
            fn.name = std::string(1, 'N').append(std::to_string(n));
            fn.unit = n == 0 ? "kcal/kg" : "%";
            f.nutrients.push_back(fn);
        }
        for (int k = 0; k < ingredients; ++k) {
            FormulaIngredient fi;
            fi.code = 1 + k;
            fi.name = std::string(1, 'I').append(std::to_string(k));
            fi.price = Fixed4::fromRaw(between(300, 20000));  // 0.03 to 2.00 per kg
            fi.dryMatter = Fixed4::fromInt(between(80, 99));
            for (int n = 0; n < nutrients; ++n) {
                if (chance(0.3)) continue;
                // the first nutrient is energy-like (hundreds to thousands), the rest percentages
                fi.values[100 + n] = n == 0 ? Fixed4::fromInt(between(100, 4000)) : value2(6000);
            }
            f.ingredients.push_back(fi);
        }
        return f;
    }

    // Shares that add up to 100 (doubles, all positive).
    std::vector<double> reference(int n) {
        std::vector<double> w(static_cast<size_t>(n));
        for (auto& x : w) x = uniform(0.05, 1.0) * (chance(0.2) ? 8 : 1);
        double s = std::accumulate(w.begin(), w.end(), 0.0);
        for (auto& x : w) x = x * 100 / s;
        return w;
    }

    // `total` steps shared out among n ingredients, some of them left at 0.
    std::vector<int64_t> wholeReference(int n, int total) {
        std::vector<int64_t> x(static_cast<size_t>(n), 0);
        for (int u = 0; u < total; ++u) {
            int k = between(0, n - 1);
            if (x[static_cast<size_t>(k)] == 0 && chance(0.25)) k = 0;
            ++x[static_cast<size_t>(k)];
        }
        return x;
    }

    std::mt19937_64& rng() { return rng_; }

private:
    std::mt19937_64 rng_;
};

// Level of nutrient `code` for shares x as the programme computes it, in Fixed4 units (exact
// when the shares are whole).
double programmeLevel(const Formula& f, int32_t code, const std::vector<double>& x) {
    double level = 0;
    for (size_t k = 0; k < f.ingredients.size(); ++k) {
        auto it = f.ingredients[k].values.find(code);
        if (it != f.ingredients[k].values.end()) level += programmeCoefficient(it->second) * x[k];
    }
    return level;
}

Fixed4 floor4(double v) {
    return Fixed4::fromRaw(static_cast<int64_t>(std::floor(v * 10000)));
}
Fixed4 ceil4(double v) {
    return Fixed4::fromRaw(static_cast<int64_t>(std::ceil(v * 10000)));
}

// Bounds loose around a ration that meets them: always feasible.
Formula looseAround(Generator& g, Formula f);

Formula randomFeasible(Generator& g) {
    return looseAround(g, g.skeleton(g.between(3, 25), g.between(1, 12)));
}

// Formulas as large as the biggest a nutritionist keeps.
Formula largeFeasible(Generator& g) {
    return looseAround(g, g.skeleton(g.between(40, 90), g.between(15, 40)));
}

Formula looseAround(Generator& g, Formula f) {
    std::vector<double> x0 = g.reference(static_cast<int>(f.ingredients.size()));
    for (size_t k = 0; k < f.ingredients.size(); ++k) {
        auto& ing = f.ingredients[k];
        if (g.chance(0.3)) ing.min = floor4(x0[k] * g.uniform(0.3, 1.0));
        if (g.chance(0.4)) ing.max = std::min(Fixed4::fromInt(100), ceil4(x0[k] * g.uniform(1, 2)));
    }
    for (auto& n : f.nutrients) {
        double level = programmeLevel(f, n.code, x0);
        if (level <= 0) continue;
        if (g.chance(0.75)) n.min = floor4(level * g.uniform(0.85, 1.0));
        if (g.chance(0.4)) n.max = ceil4(level * g.uniform(1.0, 1.25));
    }
    return f;
}

// Restrictions that meet exactly at the optimum: fixed ingredients, bounds and equalities at
// the level a reference ration reaches, rows that repeat others, and salt fixed at 0.5 % with
// sodium as an equality at exactly what the salt gives. The reference ration is made of whole
// (or, with salt, half) percentages so that every level it reaches is exact in Fixed4.
Formula degenerate(Generator& g) {
    const int n = g.between(2, 15);
    const bool salt = g.chance(0.3);
    Formula f = g.skeleton(n, g.between(1, 8));
    if (salt)  // even hundredths keep value × 0.5 % exact
        for (auto& ing : f.ingredients)
            for (auto& [code, v] : ing.values)
                v = Fixed4::fromRaw(std::max<int64_t>(200, v.raw() / 200 * 200));
    const int64_t unit = salt ? 5000 : 10000;  // Fixed4 units of one step of the reference
    std::vector<int64_t> steps = g.wholeReference(n, salt ? 199 : 100);
    if (salt) {
        FormulaIngredient s;
        s.code = 500;
        s.name = "sal";
        s.price = Fixed4::fromRaw(1200);
        s.min = s.max = Fixed4::fromRaw(5000);
        s.values[998] = Fixed4::fromInt(39);
        f.ingredients.push_back(s);
        steps.push_back(1);
        FormulaNutrient sodium;
        sodium.code = 998;
        sodium.name = "sodio";
        sodium.unit = "%";
        sodium.min = sodium.max = Fixed4::fromRaw(1950);
        f.nutrients.push_back(sodium);
    }
    std::vector<double> x;
    for (int64_t st : steps) x.push_back(Fixed4::fromRaw(st * unit).toDouble());
    const bool fixAll = g.chance(0.15);
    for (int k = 0; k < n; ++k) {
        auto& ing = f.ingredients[static_cast<size_t>(k)];
        const Fixed4 share = Fixed4::fromRaw(steps[static_cast<size_t>(k)] * unit);
        if (share.isZero()) {
            if (g.chance(0.3)) ing.max = Fixed4::fromInt(g.between(1, 10));
            continue;
        }
        if (fixAll || g.chance(0.3)) {
            ing.min = ing.max = share;
        } else if (g.chance(0.3)) {
            ing.min = share;
        } else if (g.chance(0.3) && share < Fixed4::fromInt(100)) {
            ing.max = share;
        }
    }
    for (auto& nut : f.nutrients) {
        if (nut.code == 998) continue;
        const Fixed4 level = Fixed4::fromRaw(std::llround(programmeLevel(f, nut.code, x) * 10000));
        if (level <= Fixed4()) continue;
        const double r = g.uniform(0, 1);
        if (r < 0.35)
            nut.min = nut.max = level;
        else if (r < 0.65)
            nut.min = level;
        else if (r < 0.85)
            nut.max = level;
        else
            nut.min = floor4(level.toDouble() * 0.9);
    }
    // A redundant copy of a nutrient: twice its values with twice its bounds.
    if (g.chance(0.4)) {
        FormulaNutrient copy = f.nutrients[0];
        copy.code = 999;
        copy.name = "doble";
        copy.min = copy.min.mulInt(2);
        copy.max = copy.max.mulInt(2);
        for (auto& ing : f.ingredients)
            if (auto it = ing.values.find(f.nutrients[0].code); it != ing.values.end())
                ing.values[999] = it->second.mulInt(2);
        f.nutrients.push_back(copy);
    }
    return f;
}

// Formulas that no ration meets, and borderline ones that GLPK has to decide.
Formula infeasibleOrTight(Generator& g) {
    Formula f = randomFeasible(g);
    switch (g.between(0, 3)) {
        case 0: {  // a minimum above what the richest ingredient holds
            auto& n = f.nutrients[static_cast<size_t>(g.between(0, int(f.nutrients.size()) - 1))];
            Fixed4 richest;
            for (const auto& ing : f.ingredients)
                if (auto it = ing.values.find(n.code); it != ing.values.end())
                    richest = std::max(richest, it->second);
            n.min = richest + Fixed4::fromRaw(g.between(1, 20000));
            if (n.max > Fixed4() && n.max < n.min) n.max = Fixed4();
            break;
        }
        case 1: {  // ingredient minima that add up to more than 100 %
            for (auto& ing : f.ingredients) ing.min = Fixed4();
            f.ingredients[0].min = Fixed4::fromInt(g.between(51, 80));
            f.ingredients.back().min = Fixed4::fromInt(g.between(51, 80));
            for (auto* ing : {&f.ingredients[0], &f.ingredients.back()})
                if (ing->max < ing->min) ing->max = Fixed4::fromInt(100);
            break;
        }
        case 2: {  // a maximum below what the poorest ingredient holds
            auto& n = f.nutrients[0];
            Fixed4 poorest = Fixed4::fromInt(1000000);
            for (auto& ing : f.ingredients) {
                if (!ing.values.count(n.code)) ing.values[n.code] = g.value2(3000);
                poorest = std::min(poorest, ing.values[n.code]);
            }
            n.min = Fixed4();
            n.max = std::max(Fixed4::fromRaw(1), poorest - Fixed4::fromRaw(g.between(1, 5000)));
            break;
        }
        default:  // tight bounds at random
            for (auto& n : f.nutrients) {
                double top = 0;
                for (const auto& ing : f.ingredients)
                    if (auto it = ing.values.find(n.code); it != ing.values.end())
                        top = std::max(top, it->second.toDouble());
                if (top <= 0) continue;
                n.min = floor4(top * g.uniform(0.2, 0.8));
                n.max = g.chance(0.5) ? ceil4(n.min.toDouble() * g.uniform(1.0, 1.3)) : Fixed4();
            }
            break;
    }
    return f;
}

std::string describe(const Formula& f) {
    std::ostringstream s;
    for (const auto& i : f.ingredients) {
        s << "  ing " << i.code << " [" << i.min.toString() << ", " << i.max.toString() << "] p "
          << i.price.toString() << " :";
        for (const auto& [c, v] : i.values) s << ' ' << c << '=' << v.toString();
        s << '\n';
    }
    for (const auto& n : f.nutrients)
        s << "  nut " << n.code << " [" << n.min.toString() << ", " << n.max.toString() << "]\n";
    return s.str();
}

// Compares one formula; returns an empty text when the engine agrees with GLPK.
std::string crossCheck(const Formula& f) {
    const GlpkResult ref = solveWithGlpk(f);
    MemoryReportDocument doc;
    MemoryMixObject mix(doc, f);
    try {
        mix.Mix();
    } catch (const EngineError& e) {
        return std::string("engine refused: ") + e.what();
    }
    std::ostringstream why;
    if (mix.Feasible != ref.feasible) {
        why << "feasible: engine " << mix.Feasible << ", GLPK " << ref.feasible;
        return why.str();
    }
    if (!ref.feasible) return "";
    if (std::fabs(mix.CostPerKg.toDouble() - ref.costPerKg) > 1e-4)
        why << "cost: engine " << mix.CostPerKg.toString() << ", GLPK " << ref.costPerKg << "; ";

    // The delivered ration: exactly 100 %, every share within its bounds, every restricted
    // level within its bounds (values have 2 decimals, so the reported level is the
    // programme's level; it may miss a bound by the rounding of the shares only).
    int64_t total = 0;
    std::vector<double> shares;
    for (const auto& ing : mix.Ingredients) {
        total += ing.Cantidad.raw();
        shares.push_back(ing.Valor);
    }
    if (total != 1000000) why << "total " << Fixed4::fromRaw(total).toString() << "; ";
    for (size_t k = 0; k < f.ingredients.size(); ++k) {
        const auto& spec = f.ingredients[k];
        const Fixed4 share = mix.Ingredients[k].Cantidad;
        const bool hasMax = spec.max > Fixed4() && spec.max < Fixed4::fromInt(100);
        if ((!spec.min.isZero() && share < spec.min) || (hasMax && share > spec.max))
            why << "ingredient " << spec.code << " at " << share.toString() << "; ";
    }
    for (size_t p = 0; p < f.nutrients.size(); ++p) {
        const auto& spec = f.nutrients[p];
        const double level = programmeLevel(f, spec.code, shares);
        const double reported = mix.Nutrients[p].Cantidad.toDouble();
        const double tol = 1e-6 * std::max(1.0, std::fabs(level));
        if (spec.min > Fixed4() &&
            (level < spec.min.toDouble() - tol || reported < spec.min.toDouble() - 1e-4))
            why << "nutrient " << spec.code << " below min: " << level << "; ";
        if (spec.max > Fixed4() &&
            (level > spec.max.toDouble() + tol || reported > spec.max.toDouble() + 1e-4))
            why << "nutrient " << spec.code << " above max: " << level << "; ";
        if (mix.Nutrients[p].Fuera) why << "nutrient " << spec.code << " marked Fuera; ";
    }
    // Each ratio row holds (n1·level2 − n2·level1 ≤ 0 and the like), and its report agrees.
    for (size_t p = 0; p < f.ratios.size(); ++p) {
        const FormulaRatio& r = f.ratios[p];
        const double l1 = programmeLevel(f, r.nut1, shares);
        const double l2 = programmeLevel(f, r.nut2, shares);
        auto second = [](Fixed4 v) { return v.isZero() ? 1.0 : v.toDouble(); };
        const double tol = 1e-6 * std::max({1.0, std::fabs(l1), std::fabs(l2)});
        if (r.minN1 > Fixed4() && r.minN1.toDouble() * l2 - second(r.minN2) * l1 > tol)
            why << "ratio " << r.code << " below min: " << l1 << " : " << l2 << "; ";
        if (r.maxN1 > Fixed4() && second(r.maxN2) * l1 - r.maxN1.toDouble() * l2 > tol)
            why << "ratio " << r.code << " above max: " << l1 << " : " << l2 << "; ";
        if (mix.Ratios[p].Fuera) why << "ratio " << r.code << " marked Fuera; ";
    }
    if (!mix.Suggestions.empty()) why << mix.Suggestions.size() << " suggestions; ";
    return why.str();
}

// One to three ratios between the formula's nutrients around their ratio in the formula's
// optimum: loose (a feasible formula stays feasible) or tight and shifted (often
// infeasible, often binding).
Formula withRatios(Generator& g, Formula f, bool tight) {
    const GlpkResult optimum = solveWithGlpk(f);
    if (!optimum.feasible) return f;
    const std::vector<double>& x0 = optimum.shares;
    const int n = static_cast<int>(f.nutrients.size());
    if (n < 2) return f;
    for (int r = g.between(1, 3); r > 0; --r) {
        const int a = g.between(0, n - 1);
        int b = g.between(0, n - 2);
        if (b >= a) ++b;
        FormulaRatio fr;
        fr.code = 50 + r;
        fr.name = "R" + std::to_string(r);
        fr.nut1 = f.nutrients[static_cast<size_t>(a)].code;
        fr.nut2 = f.nutrients[static_cast<size_t>(b)].code;
        const double l1 = programmeLevel(f, fr.nut1, x0), l2 = programmeLevel(f, fr.nut2, x0);
        if (l1 <= 0 || l2 <= 0) continue;
        const double ratio = l1 / l2 * (tight ? g.uniform(0.5, 2.0) : 1.0);
        // as n1 : n2 (the second term not 1) or as x : 1 (second term 1 or left empty)
        const Fixed4 n2 = g.chance(0.5) ? Fixed4::fromRaw(100 * g.between(1, 500)) : Fixed4();
        const double scale = n2.isZero() ? 1.0 : n2.toDouble();
        if (tight || g.chance(0.7))
            fr.minN1 = floor4(ratio * scale * (tight ? g.uniform(0.95, 1.0) : g.uniform(0.5, 1.0)));
        fr.minN2 = n2;
        if (tight || g.chance(0.6)) {
            fr.maxN1 = ceil4(ratio * scale * (tight ? g.uniform(1.0, 1.05) : g.uniform(1.0, 2.0)));
            fr.maxN2 = n2;
        }
        if (fr.minN1.isZero() && fr.maxN1.isZero()) fr.minN1 = floor4(ratio * scale * 0.9);
        f.ratios.push_back(fr);
    }
    return f;
}

// The ratio rows against GLPK: random formulas with loose ratios (feasible), and with tight,
// shifted ratios (feasible or not: the same verdict and cost; an infeasible one made feasible
// by one round of suggestions, ratio suggestions included).
TEST(GlpkCrossCheck, RatioRows) {
    Generator g(151515);
    int feasible = 0, infeasible = 0, binding = 0, failures = 0;
    for (int i = 0; i < 400; ++i) {
        const bool tight = i % 2 == 1;
        Formula f = withRatios(g, i % 4 == 0 ? degenerate(g) : randomFeasible(g), tight);
        if (f.ratios.empty()) continue;
        const GlpkResult ref = solveWithGlpk(f);
        std::string why = crossCheck(f);
        if (ref.feasible) {
            ++feasible;
            Formula loose = f;
            loose.ratios.clear();
            if (solveWithGlpk(loose).costPerKg < ref.costPerKg - 1e-6) ++binding;
        } else {
            ++infeasible;
            MemoryReportDocument doc;
            MemoryMixObject mix(doc, f);
            mix.Mix();
            Formula applied = f;
            applySuggestions(mix.Suggestions, applied);
            MemoryMixObject again(doc, applied);
            again.Mix();
            if (!again.Feasible) why += "still infeasible after the suggestions; ";
            if (!tight) why += "loose ratios made it infeasible; ";
        }
        if (!why.empty() && ++failures <= 5)
            ADD_FAILURE() << "ratios #" << i << ": " << why << '\n' << describe(f);
    }
    EXPECT_EQ(failures, 0);
    // the families exercise what they are meant to
    EXPECT_GT(feasible, 150);
    EXPECT_GT(infeasible, 40);
    EXPECT_GT(binding, 40);
}

struct Family {
    const char* name;
    Formula (*make)(Generator&);
    int count;
    uint64_t seed;
};

TEST(GlpkCrossCheck, GeneratedFormulas) {
    const Family families[] = {
        {"random feasible", randomFeasible, 300, 20261210},
        {"large feasible", largeFeasible, 25, 9090},
        {"degenerate", degenerate, 300, 424242},
        {"infeasible or tight", infeasibleOrTight, 250, 777},
    };
    for (const auto& fam : families) {
        Generator g(fam.seed);
        int feasible = 0, failures = 0;
        for (int i = 0; i < fam.count; ++i) {
            const Formula f = fam.make(g);
            feasible += solveWithGlpk(f).feasible;
            const std::string why = crossCheck(f);
            if (!why.empty() && ++failures <= 5)
                ADD_FAILURE() << fam.name << " #" << i << ": " << why << '\n' << describe(f);
        }
        EXPECT_EQ(failures, 0) << fam.name;
        // each family exercises what it is named after
        if (std::string(fam.name) == "infeasible or tight")
            EXPECT_GT(fam.count - feasible, fam.count / 2) << "too few infeasible formulas";
        else
            EXPECT_EQ(feasible, fam.count) << fam.name;
    }
}

TEST(GlpkCrossCheck, EverydayDegenerateFormulas) {
    auto ing = [](int32_t code, double min, double max, double price,
                  std::map<int32_t, Fixed4> values = {}) {
        FormulaIngredient i;
        i.code = code;
        i.name = std::string(1, 'I').append(std::to_string(code));
        i.min = Fixed4::fromDouble(min);
        i.max = Fixed4::fromDouble(max);
        i.price = Fixed4::fromDouble(price);
        i.values = std::move(values);
        return i;
    };
    auto nut = [](int32_t code, double min, double max) {
        FormulaNutrient n;
        n.code = code;
        n.name = std::string(1, 'N').append(std::to_string(code));
        n.unit = "%";
        n.min = Fixed4::fromDouble(min);
        n.max = Fixed4::fromDouble(max);
        return n;
    };
    const Fixed4 p = Fixed4::fromInt(8), na = Fixed4::fromInt(39);
    struct Case {
        const char* name;
        Formula f;
    } cases[] = {
        {"known ration fixed 60/30/10",
         {"",
          false,
          false,
          "$/Kg",
          {},
          {ing(1, 60, 60, 0.2, {{3, p}}), ing(2, 30, 30, 0.4), ing(3, 10, 10, 0.1)},
          {nut(3, 4, 0)},
          {}}},
        {"single ingredient fixed at 100",
         {"", false, false, "$/Kg", {}, {ing(1, 100, 100, 0.2)}, {}, {}}},
        {"salt fixed, sodium equal to what it gives",
         {"",
          false,
          false,
          "$/Kg",
          {},
          {ing(1, 0, 100, 0.2), ing(2, 0, 100, 0.3), ing(3, 0.5, 0.5, 0.12, {{10, na}})},
          {nut(10, 0.195, 0.195)},
          {}}},
    };
    for (const auto& c : cases) {
        EXPECT_TRUE(solveWithGlpk(c.f).feasible) << c.name;
        EXPECT_EQ(crossCheck(c.f), "") << c.name;
    }
}

TEST(GlpkCrossCheck, SampleFormulas) {
    const Formula broiler =
        loadFormulaFile(std::string(VEXA_SAMPLES_DIR) + "/broiler_starter.json");
    const GlpkResult ref = solveWithGlpk(broiler);
    ASSERT_TRUE(ref.feasible);
    MemoryReportDocument doc;
    MemoryMixObject mix(doc, broiler);
    mix.Mix();
    EXPECT_TRUE(mix.Feasible);
    EXPECT_NEAR(mix.CostPerKg.toDouble(), ref.costPerKg, 1e-4);

    // The same with the calcium to available phosphorus ratio of the public tables (1.00 : 0.45
    // to 10 % above), and with a ratio narrowed so that it binds.
    Formula withRatio = broiler;
    auto codeOf = [&](const std::string& name) {
        for (const auto& n : broiler.nutrients)
            if (n.name == name) return n.code;
        return 0;
    };
    FormulaRatio caP;
    caP.code = 1;
    caP.name = "Calcio : Fósforo disponible";
    caP.nut1 = codeOf("Calcio");
    caP.nut2 = codeOf("Fósforo disponible");
    ASSERT_GT(caP.nut1, 0);
    ASSERT_GT(caP.nut2, 0);
    caP.minN1 = Fixed4::fromDouble(1.0);
    caP.minN2 = Fixed4::fromDouble(0.45);
    caP.maxN1 = Fixed4::fromDouble(1.1);
    caP.maxN2 = Fixed4::fromDouble(0.45);
    withRatio.ratios.push_back(caP);
    EXPECT_EQ(crossCheck(withRatio), "");
    caP.minN1 = caP.maxN1 = Fixed4::fromDouble(2.35);
    caP.minN2 = caP.maxN2 = Fixed4();
    withRatio.ratios.back() = caP;
    ASSERT_TRUE(solveWithGlpk(withRatio).feasible);
    EXPECT_EQ(crossCheck(withRatio), "");

    const Formula bad = loadFormulaFile(std::string(VEXA_SAMPLES_DIR) + "/infeasible_example.json");
    EXPECT_FALSE(solveWithGlpk(bad).feasible);
    EXPECT_EQ(crossCheck(bad), "");
}

// Values stored with `decimals` (3 or 4) instead of 2.
Formula finerValues(Generator& g, Formula f, int decimals) {
    const int64_t step = decimals == 3 ? 10 : 1;
    for (auto& ing : f.ingredients)
        for (auto& [code, v] : ing.values)
            v = Fixed4::fromRaw(std::max<int64_t>(step, v.raw() + step * g.between(-99, 99)));
    return f;
}

// A feasible formula whose optimum binds fixed ingredients and a nutrient equality.
Formula withEqualities(Generator& g) {
    Formula f = g.skeleton(g.between(4, 14), g.between(2, 8));
    f = finerValues(g, f, 4);
    std::vector<int64_t> steps = g.wholeReference(static_cast<int>(f.ingredients.size()), 100);
    std::vector<double> x;
    for (int64_t st : steps) x.push_back(static_cast<double>(st));
    int fixed = 0;
    for (size_t k = 0; k < f.ingredients.size(); ++k) {
        if (steps[k] == 0 || fixed == 2 || !g.chance(0.3)) continue;
        f.ingredients[k].min = f.ingredients[k].max = Fixed4::fromInt(steps[k]);
        ++fixed;
    }
    bool equality = false;
    for (auto& n : f.nutrients) {
        const double level = programmeLevel(f, n.code, x);
        if (level <= 0) continue;
        if (!equality) {
            n.min = n.max = Fixed4::fromRaw(std::llround(level * 10000));
            equality = true;
        } else if (g.chance(0.6)) {
            n.min = floor4(level * g.uniform(0.8, 1.0));
        }
    }
    return f;
}

// Rations of generated formulas checked against what the run claims about them.
TEST(GlpkCrossCheck, StoredValuesDualsPriceRangesAndRelaxations) {
    // 1. Values with 3 and 4 decimals: no restriction is missed with the values as stored.
    for (int decimals : {3, 4}) {
        Generator g(5150 + static_cast<uint64_t>(decimals));
        int failures = 0;
        for (int i = 0; i < 150; ++i) {
            Formula f = g.skeleton(g.between(3, 25), g.between(1, 12));
            f = looseAround(g, finerValues(g, f, decimals));
            const std::string why = crossCheck(f);
            if (!why.empty() && ++failures <= 3)
                ADD_FAILURE() << decimals << " decimals #" << i << ": " << why << describe(f);
        }
        EXPECT_EQ(failures, 0) << decimals << " decimals";
    }

    // 2. Equalities and fixed ingredients: their sensitivity is GLPK's dual, to 4 decimals.
    {
        Generator g(8080);
        int compared = 0, failures = 0;
        for (int i = 0; i < 400 && compared < 120; ++i) {
            const Formula f = withEqualities(g);
            const GlpkResult ref = solveWithGlpk(f);
            if (!ref.feasible || ref.degenerate) continue;
            MemoryReportDocument doc;
            MemoryMixObject mix(doc, f);
            mix.Mix();
            std::ostringstream why;
            for (size_t k = 0; k < f.ingredients.size(); ++k) {
                const auto& ing = f.ingredients[k];
                if (ing.min.isZero() || ing.min != ing.max) continue;
                ++compared;
                const double dual = std::fabs(ref.ingredientDual[k]) * 100;  // per 1 % per 100 kg
                if (std::fabs(mix.Ingredients[k].Sensib.toDouble() - dual) > 1.5e-4)
                    why << "fixed " << ing.code << ": " << mix.Ingredients[k].Sensib.toString()
                        << " against " << dual << "; ";
            }
            for (size_t p = 0; p < f.nutrients.size(); ++p) {
                const auto& n = f.nutrients[p];
                if (!(n.min == n.max && n.min > Fixed4())) continue;
                ++compared;
                const double dual = std::fabs(ref.nutrientDual[p]);
                if (std::fabs(mix.Nutrients[p].Sensib.toDouble() - dual) > 1.5e-4)
                    why << "equality " << n.code << ": " << mix.Nutrients[p].Sensib.toString()
                        << " against " << dual << "; ";
            }
            if (!why.str().empty() && ++failures <= 3)
                ADD_FAILURE() << "equalities #" << i << ": " << why.str() << describe(f);
        }
        EXPECT_EQ(failures, 0);
        EXPECT_GE(compared, 100);
    }
}

// Nutrients on an energy scale (thousands of kcal per kg): their duals are a few 1e-5 $/kg per
// unit, far below the 4 decimals of the reports' money, and must still be GLPK's to 1e-9
// absolute and 1e-6 relative. Every nutrient row with a minimum only, and equalities.
TEST(GlpkCrossCheck, EnergyScaleDualsAtFullPrecision) {
    Generator g(9090);
    int compared = 0, small = 0, failures = 0;
    for (int i = 0; i < 400 && compared < 150; ++i) {
        Formula f = withEqualities(g);
        // The first nutrient of the formula becomes energy: values and bounds × 1000.
        const int32_t energy = f.nutrients.front().code;
        for (auto& ing : f.ingredients)
            for (auto& [code, v] : ing.values)
                if (code == energy) v = v.mulInt(1000);
        f.nutrients.front().min = f.nutrients.front().min.mulInt(1000);
        f.nutrients.front().max = f.nutrients.front().max.mulInt(1000);
        const GlpkResult ref = solveWithGlpk(f, true);
        if (!ref.feasible || ref.degenerate) continue;
        MemoryReportDocument doc;
        MemoryMixObject mix(doc, f);
        mix.Mix();
        if (!mix.Feasible) continue;
        std::ostringstream why;
        for (size_t p = 0; p < f.nutrients.size(); ++p) {
            const auto& n = f.nutrients[p];
            const bool equality = n.min == n.max && n.min > Fixed4();
            if (!equality && !(n.min > Fixed4() && n.max.isZero())) continue;
            const double dual = std::fabs(ref.nutrientDual[p]);
            const double got = mix.Nutrients[p].SensibExact;
            ++compared;
            if (dual > 0 && dual < 5e-5) ++small;
            if (std::fabs(got - dual) > 1e-9 + 1e-6 * dual)
                why << "nutrient " << n.code << ": " << got << " against " << dual << "; ";
        }
        if (!why.str().empty() && ++failures <= 3)
            ADD_FAILURE() << "energy #" << i << ": " << why.str() << describe(f);
    }
    EXPECT_EQ(failures, 0);
    EXPECT_GE(compared, 100);
    EXPECT_GT(small, 5);  // duals the 4-decimal Sensib prints as 0
}

TEST(GlpkCrossCheck, PriceRangeEndsAndOneRoundOfSuggestions) {
    // 3. Price ranges, also at degenerate and tied vertices: just inside each end the ration is
    //    still optimal, just outside it is not; an end without limit holds far away.
    {
        Generator g(3131);
        int ends = 0, failures = 0;
        for (int i = 0; i < 60; ++i) {
            Formula f = i % 3 == 0 ? degenerate(g) : randomFeasible(g);
            if (i % 2 == 1) {  // a twin of an ingredient: tied at the optimum
                FormulaIngredient twin = f.ingredients[0];
                twin.code = 900;
                f.ingredients.push_back(twin);
            }
            MemoryReportDocument doc;
            MemoryMixObject mix(doc, f);
            mix.Mix();
            if (!mix.Feasible) continue;
            auto optimalAt = [&](size_t k, Fixed4 price) {
                Formula moved = f;
                moved.ingredients[k].price = price;
                const GlpkResult ref = solveWithGlpk(moved, true);
                double cost = 0;
                for (size_t j = 0; j < f.ingredients.size(); ++j)
                    cost += moved.ingredients[j].price.toDouble() * mix.Ingredients[j].Valor / 100;
                return ref.feasible && cost - ref.costPerKg <= 1e-9 * std::max(1.0, cost);
            };
            const Fixed4 d = Fixed4::fromRaw(5);
            std::ostringstream why;
            for (size_t k = 0; k < f.ingredients.size(); ++k) {
                const TInsumo& it = mix.Ingredients[k];
                if (it.NoPriceFloor) {
                    if (!optimalAt(k, it.Precio - Fixed4::fromInt(5))) why << k << " floor; ";
                } else if (it.PrecioMin > d) {
                    ++ends;
                    if (!optimalAt(k, std::min(it.Precio, it.PrecioMin + d)))
                        why << k << " inside low " << it.PrecioMin.toString() << "; ";
                    if (optimalAt(k, it.PrecioMin - d))
                        why << k << " outside low " << it.PrecioMin.toString() << "; ";
                }
                if (it.NoPriceCeiling) {
                    if (!optimalAt(k, it.Precio + Fixed4::fromInt(50))) why << k << " ceiling; ";
                } else {
                    ++ends;
                    if (!optimalAt(k, std::max(it.Precio, it.PrecioMax - d)))
                        why << k << " inside high " << it.PrecioMax.toString() << "; ";
                    if (optimalAt(k, it.PrecioMax + d))
                        why << k << " outside high " << it.PrecioMax.toString() << "; ";
                }
            }
            if (!why.str().empty() && ++failures <= 3)
                ADD_FAILURE() << "price ranges #" << i << ": " << why.str() << describe(f);
        }
        EXPECT_EQ(failures, 0);
        EXPECT_GE(ends, 200);
    }

    // 4. Infeasible formulas: one round of suggestions makes each feasible, and the relaxation
    //    is the least one (relative to each bound) up to the rounding of the suggestions.
    {
        Generator g(2718);
        int formulas = 0, failures = 0;
        std::ostringstream misses;
        for (int i = 0; formulas < 200 && i < 2000; ++i) {
            Formula f;
            if (i % 2 == 0) {
                f = infeasibleOrTight(g);
            } else {  // one to three minima raised out of reach
                f = randomFeasible(g);
                if (g.chance(0.5)) f = finerValues(g, f, 4);
                for (int r = g.between(1, 3); r > 0; --r) {
                    auto& n = f.nutrients[static_cast<size_t>(
                        g.between(0, static_cast<int>(f.nutrients.size()) - 1))];
                    double top = 0;
                    for (const auto& ing : f.ingredients)
                        if (auto it = ing.values.find(n.code); it != ing.values.end())
                            top = std::max(top, it->second.toDouble());
                    n.min = floor4(top * g.uniform(0.5, 1.2));
                    if (n.max > Fixed4() && n.max < n.min) n.max = g.chance(0.5) ? n.min : Fixed4();
                }
            }
            if (solveWithGlpk(f).feasible) continue;
            ++formulas;
            MemoryReportDocument doc;
            MemoryMixObject mix(doc, f);
            mix.Mix();
            std::ostringstream why;
            if (mix.Feasible) why << "engine calls it feasible; ";
            double relaxation = 0, rounding = 0;
            for (const TRecom& s : mix.Suggestions) {
                const Fixed4 bound = s.Sugerido + s.Faltante;
                const double scale = std::max(std::fabs(bound.toDouble()), 1e-4);
                const double moved = s.Tipo == kTipoMax   ? (s.Sugerido - bound).toDouble()
                                     : s.Tipo == kTipoMin ? s.Faltante.toDouble()
                                                          : std::fabs(s.Faltante.toDouble());
                relaxation += std::max(moved, 0.0) / scale;
                rounding += 1e-4 / scale;
            }
            const double least = reference::leastRelaxationWithGlpk(f);
            if (relaxation > 1.01 * least + rounding + 1e-9)
                why << "relaxation " << relaxation << " against least " << least << "; ";
            Formula applied = f;
            applySuggestions(mix.Suggestions, applied);
            MemoryMixObject again(doc, applied);
            again.Mix();
            if (!again.Feasible || !again.Suggestions.empty())
                why << "still infeasible after the suggestions (" << again.Feasible << ", "
                    << again.Suggestions.size() << " suggestions, first class "
                    << (again.Suggestions.empty() ? 0 : again.Suggestions[0].Clase) << " type "
                    << (again.Suggestions.empty() ? 0 : again.Suggestions[0].Tipo) << " code "
                    << (again.Suggestions.empty() ? 0 : again.Suggestions[0].Indice) << " at "
                    << (again.Suggestions.empty() ? "" : again.Suggestions[0].Sugerido.toString())
                    << "); ";
            if (!why.str().empty())
                for (const TRecom& s : mix.Suggestions)
                    why << "[" << s.Clase << " " << s.Tipo << " " << s.Indice << " "
                        << s.Sugerido.toString() << "] ";
            if (!why.str().empty() && ++failures <= 6)
                misses << "infeasible #" << i << ": " << why.str() << describe(f);
        }
        EXPECT_EQ(formulas, 200);
        EXPECT_EQ(failures, 0) << misses.str();
    }
}

}  // namespace
}  // namespace vexa
