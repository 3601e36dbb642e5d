// The data-access layer on a workspace of realistic size (1,000 ingredients × 150 nutrients,
// 10 groups of 20 formulas): cached statements against statements prepared per call, value
// lookups cell by cell against one query per ingredient, and the whole-record copies and
// cascades. Compare the pairs as ratios; absolute times depend on the machine and disk.
#include "store/schema.h"
#include "store/tdm.h"

#include <benchmark/benchmark.h>
#include <unistd.h>

#include <filesystem>
#include <memory>
#include <random>

namespace vexa::bench_tdm {

constexpr int kIngredients = 1000, kNutrients = 150, kGroups = 10, kFormulas = 20;

struct Workspace {
    std::filesystem::path dir;
    Database db;
    TDBDef def;
    std::unique_ptr<Tdm> dm;

    Workspace() {
        dir = std::filesystem::temp_directory_path() /
              ("vexa_bench_tdm_" + std::to_string(::getpid()));
        std::filesystem::remove_all(dir);
        std::filesystem::create_directories(dir);
        db = createDatabase(dir);
        dm = std::make_unique<Tdm>(db, def);
        Transaction tx(db);
        for (int n = 1; n <= kNutrients; ++n)
            db.prepare("INSERT INTO Nut (Nombre, Unidad, Tipo, Orden) VALUES (:n, '%', 0, :o)")
                .bind("n", "Nutriente " + std::to_string(n))
                .bind("o", n)
                .execute();
        Statement ins = db.prepare("INSERT INTO Ins (Nombre, Redondeo, ItId) VALUES (:n, '1', 1)");
        Statement val = db.prepare("INSERT INTO Val (Ins, Nut, Valor) VALUES (:i, :n, :v)");
        for (int i = 1; i <= kIngredients; ++i) {
            ins.bind("n", "Insumo " + std::to_string(i)).execute();
            for (int n = 1; n <= kNutrients; ++n)
                val.bind("i", i).bind("n", n).bind("v", (i * 7 + n * 13) % 1000 / 10.0).execute();
        }
        for (int g = 1; g <= kGroups; ++g) {
            db.prepare("INSERT INTO Cat (Nombre, Precio) VALUES ('Grupo', 1)").execute();
            for (int f = 0; f < kFormulas; ++f) {
                db.prepare("INSERT INTO LR (Nombre, Cat) VALUES ('F', :c)").bind("c", g).execute();
                const int64_t lr = db.lastInsertRowId();
                for (int k = 1; k <= 20; ++k) {
                    db.prepare("INSERT INTO RIn (LR, CNI, Min, Max) VALUES (:l, :c, 0, 10)")
                        .bind("l", lr)
                        .bind("c", k * 37 % kIngredients + 1)
                        .execute();
                    db.prepare("INSERT INTO RNu (LR, CNI, Min, Max) VALUES (:l, :c, 1, 0)")
                        .bind("l", lr)
                        .bind("c", k * 7 % kNutrients + 1)
                        .execute();
                }
            }
        }
        tx.commit();
    }
    ~Workspace() {
        dm.reset();
        db.close();
        std::error_code ec;
        std::filesystem::remove_all(dir, ec);
    }
};

Workspace& ws() {
    static Workspace w;
    return w;
}

void BM_NameLookupCached(benchmark::State& state) {
    std::mt19937 rng(1);
    for (auto _ : state)
        benchmark::DoNotOptimize(ws().dm->NombreDe(kNameIngredient, 1 + rng() % kIngredients));
}
BENCHMARK(BM_NameLookupCached);

// Reference: the same lookup with a statement prepared for every call.
void BM_NameLookupPrepared(benchmark::State& state) {
    std::mt19937 rng(1);
    for (auto _ : state) {
        Statement s = ws().db.prepare("Select Nombre From Ins Where Codigo = :Codigo");
        s.bind("Codigo", static_cast<int32_t>(1 + rng() % kIngredients));
        benchmark::DoNotOptimize(s.step() ? s.getText(0) : std::string());
    }
}
BENCHMARK(BM_NameLookupPrepared);

// 20 ingredients × 150 nutrients, one cached lookup per cell...
void BM_ValuesCellByCell(benchmark::State& state) {
    Database& db = ws().db;
    for (auto _ : state) {
        double sum = 0;
        for (int i = 1; i <= 20; ++i)
            for (int n = 1; n <= kNutrients; ++n) {
                Statement s = db.cached("Select Valor From Val Where Ins = :Ins And Nut = :Nut");
                s.bind("Ins", i * 37).bind("Nut", n);
                if (s.step()) sum += s.getDouble(0);
            }
        benchmark::DoNotOptimize(sum);
    }
}
BENCHMARK(BM_ValuesCellByCell)->Unit(benchmark::kMillisecond);

// The same inside one transaction: the file is locked once, not once per statement.
void BM_ValuesCellByCellInTransaction(benchmark::State& state) {
    Database& db = ws().db;
    for (auto _ : state) {
        Transaction tx(db);
        double sum = 0;
        for (int i = 1; i <= 20; ++i)
            for (int n = 1; n <= kNutrients; ++n) {
                Statement s = db.cached("Select Valor From Val Where Ins = :Ins And Nut = :Nut");
                s.bind("Ins", i * 37).bind("Nut", n);
                if (s.step()) sum += s.getDouble(0);
            }
        tx.commit();
        benchmark::DoNotOptimize(sum);
    }
}
BENCHMARK(BM_ValuesCellByCellInTransaction)->Unit(benchmark::kMillisecond);

// ...against one query per ingredient.
void BM_ValuesPerIngredient(benchmark::State& state) {
    Database& db = ws().db;
    for (auto _ : state) {
        double sum = 0;
        for (int i = 1; i <= 20; ++i) {
            Statement s = db.cached("Select Nut, Valor From Val Where Ins = :Ins");
            s.bind("Ins", i * 37);
            while (s.step()) sum += s.getDouble(1);
        }
        benchmark::DoNotOptimize(sum);
    }
}
BENCHMARK(BM_ValuesPerIngredient)->Unit(benchmark::kMillisecond);

// Copy an ingredient with its 150 values, then delete the copy with its cascade.
void BM_CopyAndDeleteIngredient(benchmark::State& state) {
    Tdm& dm = *ws().dm;
    for (auto _ : state) {
        const int32_t copy = dm.CopiarInsumo(17);
        dm.BorrarInsumo(copy);
        ws().db.prepare("Delete From Ins Where Codigo = :c").bind("c", copy).execute();
    }
}
BENCHMARK(BM_CopyAndDeleteIngredient)->Unit(benchmark::kMillisecond);

// Copy a group with its 20 formulas (800 restriction rows), then delete the copy.
void BM_CopyAndDeleteGroup(benchmark::State& state) {
    Tdm& dm = *ws().dm;
    for (auto _ : state) {
        const int32_t copy = dm.CopiarGrupo(3);
        dm.BorrarGrupo(copy);
        ws().db.prepare("Delete From Cat Where Codigo = :c").bind("c", copy).execute();
    }
}
BENCHMARK(BM_CopyAndDeleteGroup)->Unit(benchmark::kMillisecond);

}  // namespace vexa::bench_tdm

int main(int argc, char** argv) {
    vexa::bench_tdm::ws();  // built before the clock starts
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
