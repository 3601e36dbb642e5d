// A large workspace end to end: 1,000 ingredients × 150 nutrients, 500 formulas. Measures
// opening the file, solving every formula from the database (results stored) and saving, and
// sets the per-formula time from the database beside the in-memory engine on the same
// formulas: the "db_over_memory" counter is the overhead of the store as a ratio.
//
//     ./bench_workspace [--benchmark_filter=...]
#include "large_workspace.h"

#include <benchmark/benchmark.h>

namespace vexa {
namespace {

using namespace bench;

// Opening: unpack the file into a fresh working folder and connect.
void BM_Open(benchmark::State& state) {
    auto& w = workspace();
    for (auto _ : state) w.open();
    state.counters["file_MB"] = static_cast<double>(fs::file_size(w.file)) / 1e6;
}
BENCHMARK(BM_Open)->Unit(benchmark::kMillisecond)->Iterations(5);

// Every formula solved from the database, results stored; per formula beside the engine
// alone on the same formulas.
void BM_SolveAll(benchmark::State& state) {
    auto& w = workspace();
    Seconds stored, memory;
    int feasible = 0;
    for (auto _ : state) {
        stored += secondsOf([&] {
            for (int f = 1; f <= kFormulas; ++f) {
                MemoryReportDocument doc;
                TMixObject2 mix(doc, f, *w.dm);
                mix.Mix();
                feasible += mix.Feasible;
            }
        });
        state.PauseTiming();
        memory += secondsOf([&] {
            for (const Formula& formula : w.inMemory) {
                MemoryReportDocument doc;
                MemoryMixObject mix(doc, formula);
                mix.Mix();
            }
        });
        state.ResumeTiming();
    }
    const double n = static_cast<double>(state.iterations()) * kFormulas;
    state.counters["ms_per_formula_db"] = stored.wall / n * 1e3;
    state.counters["ms_per_formula_memory"] = memory.wall / n * 1e3;
    state.counters["db_over_memory"] = stored.wall / memory.wall;
    state.counters["cpu_db_over_memory"] = stored.cpu / memory.cpu;
    state.counters["feasible"] = feasible / static_cast<double>(state.iterations());
}
BENCHMARK(BM_SolveAll)->Unit(benchmark::kMillisecond)->Iterations(3);

// Saving: DB.def, pack into a temporary file, rotate the backup.
void BM_Save(benchmark::State& state) {
    auto& w = workspace();
    for (auto _ : state) {
        w.vxf->DBModified = true;
        if (!w.vxf->GuardarVXF()) state.SkipWithError("save failed");
    }
}
BENCHMARK(BM_Save)->Unit(benchmark::kMillisecond)->Iterations(5);

}  // namespace
}  // namespace vexa

BENCHMARK_MAIN();
