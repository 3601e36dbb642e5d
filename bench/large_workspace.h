#pragma once
// The large workspace the store benchmarks share: 1,000 ingredients × 150 nutrients,
// 500 formulas in 5 groups, built once per program in a temporary folder, with the same
// formulas loaded for the engine alone.
#include "engine/memory_mix_object.h"
#include "store/mix_object2.h"
#include "store/schema.h"
#include "store/workspace.h"

#include <algorithm>
#include <chrono>
#include <ctime>
#include <filesystem>
#include <functional>
#include <iostream>
#include <memory>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

namespace vexa::bench {

namespace fs = std::filesystem;

constexpr int kIngredients = 1000;
constexpr int kNutrients = 150;
constexpr int kFormulas = 500;
constexpr int kGroups = 5;
constexpr int kIngredientsPerFormula = 30;
constexpr int kNutrientsPerFormula = 20;

// The size of a generated workspace.
struct WorkspaceSize {
    int ingredients = kIngredients;
    int nutrients = kNutrients;
    int formulas = kFormulas;
    int groups = kGroups;
};

// Values drawn at random; every formula is made feasible by construction: its nutrient bounds
// bracket the level of an equal-share mix of its own ingredients.
inline void fillWorkspace(Database& db, TDBDef& def, const WorkspaceSize& size) {
    const int kIngredients = size.ingredients, kNutrients = size.nutrients,
              kFormulas = size.formulas, kGroups = size.groups;
    std::mt19937 rng(20261210);
    std::uniform_real_distribution<double> value(0.0, 50.0), price(0.05, 2.0);
    Transaction tx(db);
    auto nut = db.prepare(
        "insert into Nut (Nombre, Unidad, ItId, Tipo, Orden) values (:N, '%', 0, :T, :O)");
    for (int n = 1; n <= kNutrients; ++n)
        nut.bind("N", "Nutriente " + std::to_string(n))
            .bind("T", n == 1   ? 1
                       : n == 2 ? 2
                                : 0)
            .bind("O", n)
            .execute(),
            nut.reset();
    std::vector<std::vector<double>> values(kIngredients + 1, std::vector<double>(kNutrients + 1));
    auto ins = db.prepare("insert into Ins (Nombre, Redondeo, ItId) values (:N, '0', 3)");
    auto val = db.prepare("insert into Val (Ins, Nut, Valor) values (:I, :N, :V)");
    for (int i = 1; i <= kIngredients; ++i) {
        ins.bind("N", "Insumo " + std::to_string(i)).execute();
        ins.reset();
        for (int n = 1; n <= kNutrients; ++n) {
            double v = n == 1 ? price(rng) : n == 2 ? 85.0 + value(rng) / 5 : value(rng);
            v = Fixed4::fromDouble(v).toDouble();
            values[i][n] = v;
            val.bind("I", i).bind("N", n).bind("V", v).execute();
            val.reset();
        }
    }
    auto cat = db.prepare("insert into Cat (Nombre, MS, Precio) values (:N, 2, 1)");
    auto en = db.prepare("insert into EN (Cat, CNI) values (:C, :N)");
    auto ei = db.prepare("insert into EI (Cat, CNI) values (:C, :I)");
    for (int g = 1; g <= kGroups; ++g) {
        cat.bind("N", "Grupo " + std::to_string(g)).execute();
        cat.reset();
        for (int n = 1; n <= kNutrients; ++n) en.bind("C", g).bind("N", n).execute(), en.reset();
        for (int i = 1; i <= kIngredients; ++i) ei.bind("C", g).bind("I", i).execute(), ei.reset();
    }
    auto lr =
        db.prepare("insert into LR (Nombre, Cat, MS, Precio, Cons) values (:N, :C, 2, 1, 1000)");
    auto rin = db.prepare("insert into RIn (LR, CNI, \"Min\", \"Max\") values (:L, :I, 0, :X)");
    auto rnu = db.prepare("insert into RNu (LR, CNI, \"Min\", \"Max\") values (:L, :N, :A, :B)");
    std::uniform_int_distribution<int> pickIns(1, kIngredients), pickNut(3, kNutrients);
    for (int f = 1; f <= kFormulas; ++f) {
        lr.bind("N", "Fórmula " + std::to_string(f)).bind("C", (f - 1) % kGroups + 1).execute();
        lr.reset();
        std::vector<int> chosen;
        while (static_cast<int>(chosen.size()) < kIngredientsPerFormula) {
            int i = pickIns(rng);
            if (std::find(chosen.begin(), chosen.end(), i) == chosen.end()) chosen.push_back(i);
        }
        for (int i : chosen) rin.bind("L", f).bind("I", i).bind("X", 30.0).execute(), rin.reset();
        std::vector<int> nutrients;
        while (static_cast<int>(nutrients.size()) < kNutrientsPerFormula) {
            int n = pickNut(rng);
            if (std::find(nutrients.begin(), nutrients.end(), n) == nutrients.end())
                nutrients.push_back(n);
        }
        for (size_t k = 0; k < nutrients.size(); ++k) {
            double level = 0;
            for (int i : chosen) level += values[i][nutrients[k]] / chosen.size();
            double lo = k % 3 == 2 ? 0.0 : Fixed4::fromDouble(level * 0.9).toDouble();
            double hi = k % 3 == 0 ? 0.0 : Fixed4::fromDouble(level * 1.1).toDouble();
            rnu.bind("L", f).bind("N", nutrients[k]).bind("A", lo).bind("B", hi).execute();
            rnu.reset();
        }
    }
    tx.commit();
    def.Precio = 1;
    def.MS = 2;
    def.Categoria = 1;
}

inline void fillLargeWorkspace(Database& db, TDBDef& def) {
    fillWorkspace(db, def, WorkspaceSize{});
}

class QuietUi : public WorkspaceUi {
public:
    void showError(const std::string& message) override { std::cerr << message << '\n'; }
};

struct LargeWorkspace {
    fs::path root;
    fs::path file;
    QuietUi ui;
    std::unique_ptr<Tdmvxf> vxf;
    std::unique_ptr<Tdm> dm;
    std::vector<Formula> inMemory;  // the same formulas for the engine alone

    LargeWorkspace() {
        root = fs::temp_directory_path() / "vexa_bench_workspace";
        fs::remove_all(root);
        fs::create_directories(root / "VXF");
        file = root / "VXF" / "Grande.vxf";
        vxf = std::make_unique<Tdmvxf>(settings(), ui);
        vxf->CrearVXF(file, fillLargeWorkspace);
        open();
        loadInMemory();
    }
    ~LargeWorkspace() {
        dm.reset();
        vxf.reset();
        fs::remove_all(root);
    }
    WorkspaceSettings settings() const {
        WorkspaceSettings s;
        s.documents = root;
        s.workRoot = root / "Devov";
        s.vxfPath = root / "VXF";
        s.privateFolder = root / "Temp";
        return s;
    }
    void open() {
        dm.reset();
        vxf->AbrirVXF(file);
        if (vxf->OpenStage != 0) throw std::runtime_error("the large workspace did not open");
        dm = std::make_unique<Tdm>(vxf->database(), vxf->DBDef);
    }
    void loadInMemory() {
        for (int f = 1; f <= kFormulas; ++f) inMemory.push_back(loadFormula(f));
    }
    // Formula `f` as the engine alone takes it: its restrictions, prices and the values of its
    // restricted nutrients, read straight from the tables.
    Formula loadFormula(int f) {
        Database& db = vxf->db();
        Formula formula;
        formula.name = "Fórmula " + std::to_string(f);
        auto rn = db.prepare("Select CNI, \"Min\", \"Max\" From RNu Where LR = :L");
        rn.bind("L", f);
        std::vector<int32_t> nutrients;
        while (rn.step()) {
            formula.nutrients.push_back(
                FormulaNutrient{rn.getInt(0), "", "%", rn.getFixed4(1), rn.getFixed4(2)});
            nutrients.push_back(rn.getInt(0));
        }
        auto ri = db.prepare("Select CNI, \"Min\", \"Max\" From RIn Where LR = :L");
        ri.bind("L", f);
        while (ri.step()) {
            FormulaIngredient g;
            g.code = ri.getInt(0);
            g.min = ri.getFixed4(1);
            g.max = ri.getFixed4(2, Fixed4::fromInt(100));
            auto v = db.prepare("Select Nut, Valor From Val Where Ins = :I");
            v.bind("I", g.code);
            while (v.step()) {
                int32_t n = v.getInt(0);
                if (n == 1) g.price = v.getFixed4(1);
                if (std::find(nutrients.begin(), nutrients.end(), n) != nutrients.end())
                    g.values[n] = v.getFixed4(1);
            }
            formula.ingredients.push_back(std::move(g));
        }
        return formula;
    }
};

inline LargeWorkspace& workspace() {
    static LargeWorkspace w;
    return w;
}

// Wall-clock and processor seconds of one call; the processor time is what a busy machine
// disturbs least.
struct Seconds {
    double wall = 0, cpu = 0;
    Seconds& operator+=(const Seconds& o) {
        wall += o.wall;
        cpu += o.cpu;
        return *this;
    }
};
inline Seconds secondsOf(const std::function<void()>& f) {
    auto t0 = std::chrono::steady_clock::now();
    std::clock_t c0 = std::clock();
    f();
    return {std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count(),
            static_cast<double>(std::clock() - c0) / CLOCKS_PER_SEC};
}

}  // namespace vexa::bench
