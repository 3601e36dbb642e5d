// F9 in the formula editor on a large formula: 150 ingredients and 60 nutrients of the
// 1,000 × 150 workspace, from the command to the report shown in the results page (the run
// from the database, results stored, grids refilled, report laid out), beside the engine
// alone solving the same formula in memory and writing its report. The "window_over_engine"
// counter is the ratio; the aim is within 3.
//
//     QT_QPA_PLATFORM=offscreen ./bench_formula_run
#include "large_workspace.h"

#include "catalog/requests.h"
#include "workflows/formula_window.h"

#include <QAction>
#include <QApplication>
#include <benchmark/benchmark.h>

namespace vexa {
namespace {

using namespace bench;

constexpr int kRunIngredients = 150;
constexpr int kRunNutrients = 60;

class NoRequests : public RequestSink {
public:
    void postApp(int, std::int64_t) override {}
};

// Formula kFormulas + 1 in group 1: the first 150 ingredients, 60 nutrients bracketing the
// level of an equal-share mix (so it is feasible), every third without a maximum.
int addLargeFormula(LargeWorkspace& w) {
    Database& db = w.vxf->db();
    const int code = kFormulas + 1;
    Transaction tx(db);
    db.prepare(
          "insert into LR (Codigo, Nombre, Cat, MS, Precio, Cons) "
          "values (:C, 'Fórmula grande', 1, 2, 1, 1000)")
        .bind("C", code)
        .execute();
    auto rin = db.prepare("insert into RIn (LR, CNI, \"Min\", \"Max\") values (:L, :I, 0, 10)");
    for (int i = 1; i <= kRunIngredients; ++i)
        rin.bind("L", code).bind("I", i).execute(), rin.reset();
    auto level = db.prepare("select avg(Valor) from Val where Nut = :N and Ins <= :K");
    auto rnu = db.prepare("insert into RNu (LR, CNI, \"Min\", \"Max\") values (:L, :N, :A, :B)");
    for (int k = 0; k < kRunNutrients; ++k) {
        const int n = 3 + k * 2;
        level.bind("N", n).bind("K", kRunIngredients);
        level.step();
        const double mean = level.getDouble(0);
        level.reset();
        const double lo = Fixed4::fromDouble(mean * 0.9).toDouble();
        const double hi = k % 3 == 0 ? 0.0 : Fixed4::fromDouble(mean * 1.1).toDouble();
        rnu.bind("L", code).bind("N", n).bind("A", lo).bind("B", hi).execute();
        rnu.reset();
    }
    tx.commit();
    return code;
}

void BM_F9(benchmark::State& state) {
    auto& w = workspace();
    static const int code = addLargeFormula(w);
    const Formula formula = w.loadFormula(code);
    NoRequests requests;
    FormulaWindow window(w.vxf->db(), *w.dm, requests, false);
    window.resize(1000, 700);
    window.show();
    window.openFormula(code, 1);
    QAction* run = window.action("&Hallar mínimo costo");
    if (!run || !run->isEnabled()) {
        state.SkipWithError("the run command is not available");
        return;
    }
    Seconds editor, engine;
    bool feasible = true;
    for (auto _ : state) {
        editor += secondsOf([&] {
            run->trigger();
            QCoreApplication::processEvents();
        });
        feasible = feasible && window.editor().mix() && window.editor().mix()->Feasible;
        state.PauseTiming();
        engine += secondsOf([&] {
            MemoryReportDocument doc;
            MemoryMixObject mix(doc, formula);
            mix.Mix();
            mix.WriteHeader();
            mix.WriteSolution();
        });
        state.ResumeTiming();
    }
    const double n = static_cast<double>(state.iterations());
    state.counters["ms_window"] = editor.wall / n * 1e3;
    state.counters["ms_engine"] = engine.wall / n * 1e3;
    state.counters["window_over_engine"] = editor.wall / engine.wall;
    state.counters["cpu_window_over_engine"] = editor.cpu / engine.cpu;
    state.counters["feasible"] = feasible ? 1 : 0;
    const std::string text = window.report()->reportText();
    if (std::getenv("BENCH_SHOW_REPORT")) std::cerr << text;
    state.counters["report_lines"] =
        static_cast<double>(std::count(text.begin(), text.end(), '\n'));
}
BENCHMARK(BM_F9)->Unit(benchmark::kMillisecond)->Iterations(20);

}  // namespace
}  // namespace vexa

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM",
            qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
