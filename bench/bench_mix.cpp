// Time per Mix for formulas of 10 to 400 ingredients with nutrient rows in proportion, and
// GLPK's simplex on the same programmes in the same run. Each side builds its programme from
// the formula and solves it from scratch. After the table a summary line per size gives the
// ratio engine ÷ GLPK against its target (0.5 up to 60 ingredients, 1.0 from 250).
#include "../tests/engine/glpk_reference.h"

#include "engine/memory_mix_object.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <ctime>
#include <map>
#include <random>

namespace {

using namespace vexa;

// n ingredients, n / 2 nutrients (the first energy-like, the rest percentages), bounds around a
// reference ration so the formula is feasible with several binding restrictions.
Formula makeFormula(int n) {
    std::mt19937_64 rng(1000 + static_cast<uint64_t>(n));
    auto between = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
    auto uniform = [&](double lo, double hi) {
        return std::uniform_real_distribution<>(lo, hi)(rng);
    };
    Formula f;
    f.name = "bench";
    const int m = n / 2;
    for (int j = 0; j < m; ++j) {
        FormulaNutrient nut;
        nut.code = 100 + j;
        nut.name = std::string(1, 'N').append(std::to_string(j));
        nut.unit = j == 0 ? "kcal/kg" : "%";
        f.nutrients.push_back(nut);
    }
    std::vector<double> x(static_cast<size_t>(n));
    double sum = 0;
    for (auto& v : x) sum += v = uniform(0.1, 1.0);
    for (int k = 0; k < n; ++k) {
        FormulaIngredient ing;
        ing.code = k + 1;
        ing.name = std::string(1, 'I').append(std::to_string(k));
        ing.price = Fixed4::fromRaw(between(500, 15000));
        x[static_cast<size_t>(k)] *= 100 / sum;
        if (k % 3 == 0)
            ing.max = Fixed4::fromRaw(static_cast<int64_t>(std::ceil(x[k] * 1.5 * 10000)));
        for (int j = 0; j < m; ++j)
            if (uniform(0, 1) < 0.7)
                ing.values[100 + j] = j == 0 ? Fixed4::fromInt(between(500, 4000))
                                             : Fixed4::fromRaw(100 * between(1, 5000));
        f.ingredients.push_back(ing);
    }
    for (auto& nut : f.nutrients) {
        double level = 0;
        for (size_t k = 0; k < x.size(); ++k)
            if (auto it = f.ingredients[k].values.find(nut.code);
                it != f.ingredients[k].values.end())
                level += reference::programmeCoefficient(it->second) * x[k];
        nut.min = Fixed4::fromRaw(static_cast<int64_t>(std::floor(level * 0.97 * 10000)));
        if (nut.code % 3 == 0)
            nut.max = Fixed4::fromRaw(static_cast<int64_t>(std::ceil(level * 1.1 * 10000)));
    }
    return f;
}

struct Timing {
    double engineUs = 0, glpkUs = 0;
    int64_t pivots = 0;
};
std::map<int, Timing>& timings() {
    static std::map<int, Timing> t;
    return t;
}

// CPU time of this thread: the machine may be busy with other work while the benchmark runs.
double cpuMicroseconds() {
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return static_cast<double>(ts.tv_sec) * 1e6 + static_cast<double>(ts.tv_nsec) / 1e3;
}

void BM_EngineMix(benchmark::State& state) {
    const Formula f = makeFormula(static_cast<int>(state.range(0)));
    const double cost = reference::solveWithGlpk(f).costPerKg;
    int64_t pivots = 0;
    int32_t rows = 0;
    const double start = cpuMicroseconds();
    for (auto _ : state) {
        MemoryReportDocument doc;
        MemoryMixObject mix(doc, f);
        mix.Mix();
        pivots = mix.PivotCount;
        rows = mix.RowCount;
        if (!mix.Feasible || std::fabs(mix.CostPerKg.toDouble() - cost) > 1e-4) {
            state.SkipWithError("the engine disagrees with GLPK");
            break;
        }
        benchmark::DoNotOptimize(mix.CostPerKg);
    }
    const double us = (cpuMicroseconds() - start) / static_cast<double>(state.iterations());
    timings()[static_cast<int>(state.range(0))].engineUs = us;
    timings()[static_cast<int>(state.range(0))].pivots = pivots;
    state.counters["rows"] = static_cast<double>(rows);
    state.counters["pivots"] = static_cast<double>(pivots);
}

void BM_GlpkSimplex(benchmark::State& state) {
    const Formula f = makeFormula(static_cast<int>(state.range(0)));
    const double start = cpuMicroseconds();
    for (auto _ : state) {
        auto r = reference::solveWithGlpk(f);
        if (!r.feasible) {
            state.SkipWithError("GLPK found the formula infeasible");
            break;
        }
        benchmark::DoNotOptimize(r.costPerKg);
    }
    timings()[static_cast<int>(state.range(0))].glpkUs =
        (cpuMicroseconds() - start) / static_cast<double>(state.iterations());
}

// The same formula sizes for the engine and for GLPK, so their ratios pair up.
void formulaSizes(benchmark::internal::Benchmark* b) {
    for (int n : {10, 30, 60, 120, 250, 400}) b->Arg(n);
    b->Unit(benchmark::kMicrosecond);
}
BENCHMARK(BM_EngineMix)->Apply(formulaSizes);
BENCHMARK(BM_GlpkSimplex)->Apply(formulaSizes);

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    std::printf(
        "\nCPU time per solve, engine Mix against GLPK simplex (same run, same programmes):\n");
    for (const auto& [n, t] : timings()) {
        if (t.engineUs <= 0 || t.glpkUs <= 0) continue;
        const double target = n <= 60 ? 0.5 : n >= 250 ? 1.0 : 0.0;
        const double ratio = t.engineUs / t.glpkUs;
        std::printf(
            "  %3d ingredients, %3d nutrients: engine %10.1f us (%lld pivots), GLPK %10.1f us,"
            " ratio %.2f%s\n",
            n, n / 2, t.engineUs, static_cast<long long>(t.pivots), t.glpkUs, ratio,
            target <= 0       ? ""
            : ratio <= target ? "  (target met)"
                              : "  (above target)");
    }
    return 0;
}
