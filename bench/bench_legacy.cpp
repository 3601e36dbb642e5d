// Opening a workspace of the earlier program (Paradox tables, converted on open) against
// opening the same workspace already in the current format: 1,000 ingredients × 150 nutrients
// (150,000 values), 500 formulas of 30 ingredients and 20 nutrients each. The Paradox files
// are written from the current workspace with pxlib's writer, so both files hold the same
// rows. "legacy_over_sqlite" is the ratio of the two opening times.
//
//     ./bench_legacy
#include "paradox_writer.h"

#include "store/container/container.h"
#include "store/schema.h"
#include "store/workspace.h"

#include <benchmark/benchmark.h>

#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <iostream>
#include <random>

namespace vexa {
namespace {

namespace fs = std::filesystem;

constexpr int kIngredients = 1000;
constexpr int kNutrients = 150;
constexpr int kFormulas = 500;
constexpr int kGroups = 5;

void fill(Database& db) {
    std::mt19937 rng(20261211);
    std::uniform_real_distribution<double> value(0.0, 50.0);
    std::uniform_int_distribution<int> pickIns(1, kIngredients), pickNut(3, kNutrients);
    Transaction tx(db);
    auto nut = db.prepare(
        "insert into Nut (Nombre, Unidad, ItId, Tipo, Orden) values (:N, '%', 0, :T, :O)");
    for (int n = 1; n <= kNutrients; ++n) {
        nut.bind("N", "Nutriente " + std::to_string(n)).bind("T", n <= 2 ? n : 0).bind("O", n);
        nut.execute();
        nut.reset();
    }
    auto ins = db.prepare("insert into Ins (Nombre, Redondeo, ItId) values (:N, '0', 3)");
    auto val = db.prepare("insert into Val (Ins, Nut, Valor) values (:I, :N, :V)");
    for (int i = 1; i <= kIngredients; ++i) {
        ins.bind("N", "Insumo " + std::to_string(i) + " de maíz");
        ins.execute();
        ins.reset();
        for (int n = 1; n <= kNutrients; ++n) {
            val.bind("I", i).bind("N", n).bind("V", Fixed4::fromDouble(value(rng)).toDouble());
            val.execute();
            val.reset();
        }
    }
    auto cat = db.prepare("insert into Cat (Nombre, MS, Precio) values (:N, 2, 1)");
    for (int g = 1; g <= kGroups; ++g) {
        cat.bind("N", "Grupo " + std::to_string(g));
        cat.execute();
        cat.reset();
    }
    db.exec("insert into EN (Cat, CNI) select C.Codigo, N.Codigo from Cat C, Nut N");
    db.exec("insert into EI (Cat, CNI) select C.Codigo, I.Codigo from Cat C, Ins I");
    auto lr =
        db.prepare("insert into LR (Nombre, Cat, MS, Precio, Cons) values (:N, :C, 2, 1, 1000)");
    auto rin =
        db.prepare("insert or ignore into RIn (LR, CNI, \"Min\", \"Max\") values (:L, :I, 0, 40)");
    auto rnu =
        db.prepare("insert or ignore into RNu (LR, CNI, \"Min\", \"Max\") values (:L, :N, 1, 30)");
    for (int f = 1; f <= kFormulas; ++f) {
        lr.bind("N", "Fórmula " + std::to_string(f)).bind("C", (f - 1) % kGroups + 1);
        lr.execute();
        lr.reset();
        for (int k = 0; k < 30; ++k) {
            rin.bind("L", f).bind("I", pickIns(rng));
            rin.execute();
            rin.reset();
        }
        for (int k = 0; k < 20; ++k) {
            rnu.bind("L", f).bind("N", pickNut(rng));
            rnu.execute();
            rnu.reset();
        }
    }
    tx.commit();
}

struct Files {
    fs::path root, settingsRoot, current, legacy;
};

const Files& files() {
    static const Files f = [] {
        Files f;
        f.root = fs::temp_directory_path() / ("vexa_bench_legacy_" + std::to_string(::getpid()));
        fs::remove_all(f.root);
        const fs::path sqliteFolder = f.root / "sqlite", paradoxFolder = f.root / "paradox";
        fs::create_directories(sqliteFolder);
        fs::create_directories(paradoxFolder);
        TDBDef def;
        def.Nombre = "Grande";
        def.Precio = 1;
        def.MS = 2;
        def.Ver = kCurrentVer;
        {
            Database db = createDatabase(sqliteFolder);
            fill(db);
            testing::writeParadoxDatabase(db, paradoxFolder);
        }
        writeDBDef(sqliteFolder, def);
        writeDBDef(paradoxFolder, def);
        f.current = f.root / "Actual.vxf";
        f.legacy = f.root / "Anterior.vxf";
        packFolder(sqliteFolder, f.current);
        packFolder(paradoxFolder, f.legacy);
        fs::remove_all(sqliteFolder);
        fs::remove_all(paradoxFolder);
        return f;
    }();
    return f;
}

WorkspaceSettings settings() {
    WorkspaceSettings s;
    s.documents = files().root;
    s.workRoot = files().root / "Devov";
    s.vxfPath = files().root;
    s.privateFolder = files().root / "Temp";
    return s;
}

// One open and close; seconds spent opening.
double openOnce(const fs::path& file) {
    struct Quiet : WorkspaceUi {
    } ui;
    Tdmvxf w(settings(), ui);
    w.setLockOnOpen(false);
    const auto start = std::chrono::steady_clock::now();
    w.AbrirVXF(file);
    const double secs =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    if (w.OpenStage != kStageOk) {
        std::cerr << "open failed: " << w.lastError() << "\n";
        std::exit(1);
    }
    w.DBModified = false;
    w.CerrarVXF();
    return secs;
}

void BM_OpenLegacyAgainstCurrent(benchmark::State& state) {
    files();
    double legacy = 0, current = 0;
    for (auto _ : state) {
        legacy += openOnce(files().legacy);
        current += openOnce(files().current);
    }
    const double n = static_cast<double>(state.iterations());
    state.counters["legacy_ms"] = legacy / n * 1000;
    state.counters["sqlite_ms"] = current / n * 1000;
    state.counters["legacy_over_sqlite"] = legacy / current;
}
BENCHMARK(BM_OpenLegacyAgainstCurrent)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace
}  // namespace vexa

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    std::error_code ec;
    std::filesystem::remove_all(vexa::files().root, ec);
    return 0;
}
