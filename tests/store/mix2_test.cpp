// TMixObject2: stored formulas solved from the database, results written back, and the
// database-side reports.
#include "sample_fixture.h"

#include "engine/memory_mix_object.h"
#include "store/mix_object2.h"

#include <gtest/gtest.h>

#include <sqlite3.h>

#include <nlohmann/json.hpp>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <memory>
#include <set>

namespace vexa {
namespace {

using testing::SampleDatabase;

// The stored formula written out as a JSON formula file, every number as the store holds it.
std::string formulaAsJson(Database& db, int32_t lr, int32_t price, int32_t dryMatter,
                          bool useDryMatter) {
    nlohmann::json f;
    f["use_dry_matter"] = useDryMatter;
    auto head = db.prepare("Select Nombre From LR Where Codigo = :L");
    head.bind("L", lr);
    head.step();
    f["name"] = head.getText(0);
    std::set<std::string> restricted;
    auto codes = db.prepare("Select CNI From RNu Where LR = :L");
    codes.bind("L", lr);
    while (codes.step()) restricted.insert(std::to_string(codes.getInt(0)));
    f["ingredients"] = nlohmann::json::array();
    auto ri = db.prepare(
        "Select R.CNI, R.\"Min\", R.\"Max\", I.Nombre From RIn R Join Ins I On I.Codigo = R.CNI "
        "Where R.LR = :L");
    ri.bind("L", lr);
    while (ri.step()) {
        int32_t ins = ri.getInt(0);
        nlohmann::json values = nlohmann::json::object();
        double priceValue = 0, dm = 0;
        auto v = db.prepare("Select Nut, Valor From Val Where Ins = :I");
        v.bind("I", ins);
        while (v.step()) {
            if (restricted.count(std::to_string(v.getInt(0))))
                values[std::to_string(v.getInt(0))] = v.getDouble(1);
            if (v.getInt(0) == price) priceValue = v.getDouble(1);
            if (v.getInt(0) == dryMatter) dm = v.getDouble(1);
        }
        f["ingredients"].push_back({{"code", ins},
                                    {"name", ri.getText(3)},
                                    {"min", ri.getDouble(1, 0)},
                                    {"max", ri.getDouble(2, 100)},
                                    {"price", priceValue},
                                    {"dry_matter", dm},
                                    {"values", values}});
    }
    f["nutrients"] = nlohmann::json::array();
    auto rn = db.prepare(
        "Select R.CNI, R.\"Min\", R.\"Max\", N.Nombre, N.Unidad From RNu R Join Nut N On "
        "N.Codigo = R.CNI Where R.LR = :L");
    rn.bind("L", lr);
    while (rn.step()) {
        f["nutrients"].push_back({{"code", rn.getInt(0)},
                                  {"name", rn.getText(3)},
                                  {"unit", rn.getText(4)},
                                  {"min", rn.getDouble(1, 0)},
                                  {"max", rn.getDouble(2, 0)}});
    }
    // The ratio restrictions (both nutrients are restricted in the sample's formulas).
    f["ratios"] = nlohmann::json::array();
    auto rr = db.prepare(
        "Select R.Codigo, L.Nombre, L.Nut1, L.Nut2, R.MinN1, R.MinN2, R.MaxN1, R.MaxN2 From RRN R "
        "Join Rel L On L.Codigo = R.Codigo Where R.LR = :L");
    rr.bind("L", lr);
    while (rr.step()) {
        nlohmann::json max = nullptr;
        if (!rr.isNull(6)) max = {rr.getDouble(6), rr.getDouble(7)};
        f["ratios"].push_back({{"code", rr.getInt(0)},
                               {"name", rr.getText(1)},
                               {"nut1", rr.getInt(2)},
                               {"nut2", rr.getInt(3)},
                               {"min", {rr.getDouble(4), rr.getDouble(5)}},
                               {"max", max}});
    }
    return f.dump();
}

TEST(Mix2, StoredFormulaGivesTheSameRationAsItsJsonAndStoresTheResults) {
    SampleDatabase s;
    for (bool useDryMatter : {false, true}) {
        SCOPED_TRACE(useDryMatter ? "dry matter" : "as fed");
        s.def.UsarMS = useDryMatter;
        const auto when =
            std::chrono::sys_days{std::chrono::year{2026} / 3 / 14} + std::chrono::hours{9};
        auto all = s.db.prepare("Select Codigo, Nombre From LR Order By Codigo");
        int solved = 0;
        while (all.step()) {
            const int32_t lr = all.getInt(0);
            SCOPED_TRACE(all.getText(1));
            MemoryReportDocument doc1, doc2;
            TMixObject2 stored(doc1, lr, *s.dm);
            stored.Now = [&] { return std::chrono::system_clock::time_point(when); };
            stored.Mix();
            MemoryMixObject fromJson(doc2, parseFormulaJson(formulaAsJson(s.db, lr, s.def.Precio,
                                                                          s.def.MS, useDryMatter)));
            fromJson.Mix();

            EXPECT_EQ(stored.UseDryMatter, useDryMatter);
            EXPECT_EQ(stored.Feasible, fromJson.Feasible);
            EXPECT_EQ(stored.CostPerKg, fromJson.CostPerKg);
            ASSERT_EQ(stored.Ingredients.size(), fromJson.Ingredients.size());
            for (size_t i = 0; i < stored.Ingredients.size(); ++i) {
                EXPECT_EQ(stored.Ingredients[i].Codigo, fromJson.Ingredients[i].Codigo);
                EXPECT_EQ(stored.Ingredients[i].Cantidad, fromJson.Ingredients[i].Cantidad);
            }
            ASSERT_EQ(stored.Nutrients.size(), fromJson.Nutrients.size());
            for (size_t i = 0; i < stored.Nutrients.size(); ++i)
                EXPECT_EQ(stored.Nutrients[i].Cantidad, fromJson.Nutrients[i].Cantidad);

            // The results are in the tables afterwards.
            auto lrRow = s.db.prepare("Select Ultima, Valor From LR Where Codigo = :L");
            lrRow.bind("L", lr);
            ASSERT_TRUE(lrRow.step());
            EXPECT_EQ(lrRow.getDateTime(0), std::optional<DateTime>(when));
            EXPECT_EQ(lrRow.getFixed4(1), stored.CostPerKg);
            for (size_t i = 0; useDryMatter && i < stored.AsFed.size(); ++i)
                EXPECT_EQ(stored.AsFed[i].Cantidad, fromJson.AsFed.at(i).Cantidad);
            for (const auto& g : stored.Ingredients) {
                auto r = s.db.prepare("Select Resul From RIn Where LR = :L And CNI = :C");
                r.bind("L", lr).bind("C", g.Codigo);
                ASSERT_TRUE(r.step());
                EXPECT_EQ(r.getFixed4(0), g.Cantidad);
            }
            for (const auto& n : stored.Nutrients) {
                auto r = s.db.prepare("Select Resul From RNu Where LR = :L And CNI = :C");
                r.bind("L", lr).bind("C", n.Codigo);
                ASSERT_TRUE(r.step());
                EXPECT_EQ(r.getFixed4(0), n.Cantidad);
            }
            ++solved;
        }
        EXPECT_EQ(solved, s.counts.formulas);
    }
}

// A tiny group: two ingredients, three nutrients enabled, one of them not restricted.
struct TinyFormula {
    int32_t cat = 0, lr = 0, corn = 0, soy = 0, protein = 0, energy = 0, fibre = 0, price = 0;
    explicit TinyFormula(Database& db) : db_(&db) {
        Transaction tx(db);
        auto nut = [&](const char* name, const char* unit, int tipo) {
            db.prepare(
                  "insert into Nut (Nombre, Unidad, Tipo, Orden, ItId) values (:N, :U, :T, "
                  "(select coalesce(max(Orden), 0) + 1 from Nut), 0)")
                .bind("N", name)
                .bind("U", unit)
                .bind("T", tipo)
                .execute();
            return static_cast<int32_t>(db.lastInsertRowId());
        };
        price = nut("Costo", "$/Kg", 1);
        protein = nut("Proteína", "%", 4);
        energy = nut("Energía", "kcal/kg", 3);
        fibre = nut("Fibra", "%", 0);
        auto ins = [&](const char* name, double p, double cp, double me, double fb) {
            db.prepare("insert into Ins (Nombre, ItId) values (:N, 3)").bind("N", name).execute();
            auto code = static_cast<int32_t>(db.lastInsertRowId());
            for (auto [n, v] : {std::pair{price, p}, {protein, cp}, {energy, me}, {fibre, fb}})
                db.prepare("insert into Val (Ins, Nut, Valor) values (:I, :N, :V)")
                    .bind("I", code)
                    .bind("N", n)
                    .bind("V", v)
                    .execute();
            return code;
        };
        corn = ins("Maíz", 0.19, 9, 3300, 2);
        soy = ins("Soya", 0.39, 48, 2400, 4);
        db.prepare("insert into Cat (Nombre, Precio) values ('Prueba', :P)")
            .bind("P", price)
            .execute();
        cat = static_cast<int32_t>(db.lastInsertRowId());
        for (int32_t n : {protein, energy, fibre})
            db.prepare("insert into EN (Cat, CNI) values (:C, :N)")
                .bind("C", cat)
                .bind("N", n)
                .execute();
        db.prepare("insert into LR (Nombre, Cat, Cons) values ('Tiny', :C, 100)")
            .bind("C", cat)
            .execute();
        lr = static_cast<int32_t>(db.lastInsertRowId());
        tx.commit();
    }
    // One restriction row of the formula on ingredient or nutrient `code` (bound as :C).
    void restrict(const char* sql, int32_t code) const {
        db_->prepare(sql).bind("L", lr).bind("C", code).execute();
    }

private:
    Database* db_;
};

TEST(Mix2, EmptyBoundsAndUnrestrictedGroupNutrients) {
    SampleDatabase s;
    TinyFormula t(s.db);
    // Null Min and Max of an ingredient: 0 and 100; a nutrient with neither bound adds no row.
    t.restrict("insert into RIn (LR, CNI) values (:L, :C)", t.corn);
    t.restrict("insert into RIn (LR, CNI, \"Max\") values (:L, :C, 100)", t.soy);
    t.restrict("insert into RNu (LR, CNI, \"Min\") values (:L, :C, 20)", t.protein);
    t.restrict("insert into RNu (LR, CNI) values (:L, :C)", t.energy);

    MemoryReportDocument doc;
    TMixObject2 mix(doc, t.lr, *s.dm);
    mix.Mix();
    ASSERT_TRUE(mix.Feasible);
    EXPECT_EQ(mix.Ingredients[0].Min, Fixed4());
    EXPECT_EQ(mix.Ingredients[0].Max, Fixed4::fromInt(100));
    EXPECT_EQ(mix.RowCount, 2);  // the 100 % row and the protein minimum
    // 20 % protein from 9 % and 48 %: corn 28/39, soy 11/39.
    EXPECT_EQ(mix.Ingredients[0].Cantidad, Fixed4::fromDouble(71.7949));
    EXPECT_EQ(mix.Ingredients[1].Cantidad, Fixed4::fromDouble(28.2051));

    const auto& content = mix.NutrientContent();
    ASSERT_EQ(content.size(), 3u);  // the group's nutrients in display order
    EXPECT_EQ(content[0].Nombre, "Proteína");
    EXPECT_TRUE(content[0].EsRestr);
    EXPECT_NEAR(content[0].Valor, 20.0, 1e-9);
    EXPECT_TRUE(content[1].EsRestr);  // restricted without bounds: level from the solution
    EXPECT_EQ(content[1].NutId, 1);
    EXPECT_NEAR(content[1].Valor, 3046.1538, 1e-4);
    EXPECT_FALSE(content[2].EsRestr);  // not in the formula: computed from the shares
    EXPECT_NEAR(content[2].Valor, 2.5641, 1e-4);
    EXPECT_EQ(content[2].Tipo, "Nutriente");
}

TEST(Mix2, HeaderNamesDatabaseGroupAndFormula) {
    SampleDatabase s;
    MemoryReportDocument doc;
    TMixObject2 mix(doc, s.formulaCode("Cerdo engorde (50-80 kg)"), *s.dm);
    mix.DatabaseName = "Granja";
    mix.Identity.userName = "Ana";
    mix.Now = [] {
        return std::chrono::system_clock::time_point(
            std::chrono::sys_days{std::chrono::year{2026} / 1 / 2});
    };
    mix.Mix();
    doc.AppendLine("vieja");
    mix.WriteHeader();
    const std::string text = doc.Text();
    EXPECT_EQ(text.find("vieja"), std::string::npos);  // a fresh report starts clean
    EXPECT_NE(text.find(" Formulador/Productor: Ana\n"), std::string::npos);
    EXPECT_NE(text.find("Base de datos: Granja - Grupo: Cerdos\n"
                        "      Fórmula: Cerdo engorde (50-80 kg)\n Fecha y hora: 02/01/2026 "),
              std::string::npos);
    // Appending to a report of more than 3 lines adds only the blank line.
    mix.AppendReport = true;
    const int lines = doc.LineCount();
    mix.WriteHeader();
    EXPECT_EQ(doc.LineCount(), lines + 1);
    EXPECT_EQ(doc.Lines().back().text, "");
}

TEST(Mix2, RefusedFormulaStoresNothing) {
    SampleDatabase s;
    TinyFormula t(s.db);
    MemoryReportDocument doc;
    TMixObject2 empty(doc, t.lr, *s.dm);
    EXPECT_THROW(
        {
            try {
                empty.Mix();
            } catch (const EngineError& e) {
                EXPECT_STREQ(e.what(), "Error: Se intentó mezclar una fórmula sin insumos");
                throw;
            }
        },
        EngineError);
    auto q = s.db.prepare("Select Ultima, Valor From LR Where Codigo = :L");
    q.bind("L", t.lr);
    ASSERT_TRUE(q.step());
    EXPECT_TRUE(q.isNull(0));
    EXPECT_TRUE(q.isNull(1));
}

TEST(Mix2, FullReportOfAnInfeasibleFormula) {
    SampleDatabase s;
    MemoryReportDocument doc;
    TMixObject2 mix(doc, s.formulaCode("Ejemplo: proteína inalcanzable"), *s.dm);
    mix.Mix();
    ASSERT_FALSE(mix.Feasible);
    doc.AppendLine("antes");
    mix.WriteFullReport();
    const auto& lines = doc.Lines();
    EXPECT_EQ(lines[1].text, "RESUMEN DE LA SOLUCIÓN ALTERNA AL MÍNIMO COSTO");
    EXPECT_EQ(lines[1].color, kRed);
    EXPECT_EQ(lines[2].text, std::string(46, '='));
    EXPECT_EQ(lines[0].pointSize, 0);  // only the report's own lines take the size
    for (size_t i = 1; i < lines.size(); ++i) EXPECT_EQ(lines[i].pointSize, 11) << i;
    const std::string text = doc.Text();
    EXPECT_NE(text.find("Solución al mínimo costo expresado en $/Kg = "), std::string::npos);
    EXPECT_NE(text.find("Error"), std::string::npos);  // the unmet protein row
    // Ingredients largest share first.
    EXPECT_NE(text.find("Maíz amarillo"), std::string::npos);
    EXPECT_LT(text.find("Maíz amarillo"), text.find("Carbonato de calcio"));
}

TEST(Mix2, NutrientAndBatchContent) {
    SampleDatabase s;
    TinyFormula t(s.db);
    t.restrict("insert into RIn (LR, CNI) values (:L, :C)", t.corn);
    t.restrict("insert into RIn (LR, CNI) values (:L, :C)", t.soy);
    t.restrict("insert into RNu (LR, CNI, \"Min\") values (:L, :C, 20)", t.protein);
    MemoryReportDocument doc;
    TMixObject2 mix(doc, t.lr, *s.dm);
    mix.Mix();
    mix.WriteNutrientContent(true);
    EXPECT_EQ(doc.Lines()[0].text, "CONTENIDO NUTRICIONAL DE LA SOLUCIÓN ÓPTIMA AL MÍNIMO COSTO");
    EXPECT_EQ(doc.Lines()[4].text,
              "=========================  ===============    ==========    ==========");
    EXPECT_EQ(doc.Lines()[5].text,
              "Proteína                   %                     20.0000      20.0000");

    // 60 kg corn and 40 kg soy in a 100 kg batch.
    doc.Clear();
    mix.WriteBatchContent({{t.corn, 60}, {t.soy, 40}}, Fixed4::fromInt(100));
    ASSERT_TRUE(mix.LastBatch());
    const ContentTable& batch = mix.LastBatch()->table;
    ASSERT_EQ(batch.size(), 3u);
    EXPECT_EQ(doc.Lines()[0].text, "CONTENIDO NUTRICIONAL DEL LOTE DE 100.00 Kg");
    EXPECT_EQ(mix.NutrientContent()[0].Valor, 20.0);  // the run's content stays
    EXPECT_NEAR(batch[0].Valor, 24.6, 1e-9);          // 0.6 × 9 + 0.4 × 48
    EXPECT_NEAR(batch[1].Valor, 2940, 1e-9);
    EXPECT_EQ(doc.Lines()[3].text,
              "Nombre                     Unidad              Cantidad       Al Peso ");
    // Only ordinary nutrients get the weight column.
    EXPECT_EQ(doc.Lines()[5].text, "Proteína                   %                     24.6000");
    EXPECT_EQ(doc.Lines()[7].text,
              "Fibra                      %                      2.8000       2.8000 Kg");
}

// A result the database refuses is never taken as stored: the run stands, and
// unsavedResults() names what was lost with the store's cause.
TEST(Mix2, RefusedResultsAreReportedNotStored) {
    struct Case {
        const char* name;
        const char* trigger;  // run with triggers allowed on this connection only
        bool readOnly;
        std::vector<std::string> unsaved;  // what, in order
        const char* cause;
    };
    const Case cases[] = {
        {"read-only database",
         nullptr,
         true,
         {"LR.Ultima y LR.Valor de la fórmula", "RIn.Resul de la fórmula",
          "RIn.Resul de la fórmula", "RNu.Resul de la fórmula"},
         "readonly"},
        {"trigger refusing the nutrient results",
         "CREATE TRIGGER no_rnu BEFORE UPDATE ON RNu BEGIN SELECT RAISE(ABORT, 'RNu cerrada'); "
         "END",
         false,
         {"RNu.Resul de la fórmula"},
         "RNu cerrada"},
        {"trigger rolling the transaction back",
         "CREATE TRIGGER no_rin BEFORE UPDATE ON RIn BEGIN SELECT RAISE(ROLLBACK, 'RIn cerrada'); "
         "END",
         false,
         {"Los resultados de la fórmula"},
         "RIn cerrada"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SampleDatabase s;
        TinyFormula t(s.db);
        t.restrict("insert into RIn (LR, CNI) values (:L, :C)", t.corn);
        t.restrict("insert into RIn (LR, CNI) values (:L, :C)", t.soy);
        t.restrict("insert into RNu (LR, CNI, \"Min\") values (:L, :C, 20)", t.protein);
        Database ro;
        Database* db = &s.db;
        if (c.readOnly) {
            ro = Database(databaseFile(s.folder), Database::Mode::ReadOnly);
            db = &ro;
        }
        if (c.trigger) {
            ASSERT_EQ(sqlite3_db_config(db->handle(), SQLITE_DBCONFIG_ENABLE_TRIGGER, 1, nullptr),
                      SQLITE_OK);
            db->exec(c.trigger);
        }
        Tdm dm(*db, s.def);
        MemoryReportDocument doc;
        TMixObject2 mix(doc, t.lr, dm);
        mix.Mix();
        EXPECT_TRUE(mix.Feasible);  // the run itself stands
        EXPECT_FALSE(mix.resultsSaved());
        ASSERT_EQ(mix.unsavedResults().size(), c.unsaved.size());
        for (size_t i = 0; i < c.unsaved.size(); ++i) {
            EXPECT_EQ(mix.unsavedResults()[i].what.rfind(c.unsaved[i], 0), 0u)
                << mix.unsavedResults()[i].what;
            EXPECT_NE(mix.unsavedResults()[i].cause.find(c.cause), std::string::npos)
                << mix.unsavedResults()[i].cause;
            EXPECT_EQ(mix.unsavedResults()[i].cause.find("savepoint"), std::string::npos);
        }
        const std::string text = describeFailedWrites(mix.unsavedResults());
        EXPECT_NE(text.find(std::to_string(t.lr)), std::string::npos) << text;
        // Whatever is listed as lost is indeed not in the database.
        auto count = [&](const std::string& sql) {
            auto q = s.db.prepare(sql + std::to_string(t.lr));
            q.step();
            return q.getInt(0);
        };
        if (c.readOnly || std::string(c.name).find("rolling") != std::string::npos) {
            EXPECT_EQ(count("select count(*) from LR where Ultima is not null and Codigo = "), 0);
            EXPECT_EQ(count("select count(*) from RIn where Resul is not null and LR = "), 0);
        } else {
            EXPECT_EQ(count("select count(*) from LR where Ultima is not null and Codigo = "), 1);
            EXPECT_EQ(count("select count(*) from RIn where Resul is not null and LR = "), 2);
        }
        EXPECT_EQ(count("select count(*) from RNu where Resul is not null and LR = "), 0);
    }
    // And a run that stores everything says so.
    SampleDatabase s;
    TinyFormula t(s.db);
    t.restrict("insert into RIn (LR, CNI) values (:L, :C)", t.corn);
    MemoryReportDocument doc;
    TMixObject2 mix(doc, t.lr, *s.dm);
    mix.Mix();
    EXPECT_TRUE(mix.resultsSaved());
}

// The summary prints a price range's missing lower end blank, as the price report does, and
// every other lower end as its value.
TEST(Mix2, FullReportLeavesAMissingPriceFloorBlank) {
    SampleDatabase s;
    for (const char* formula : {"Pollo iniciación (0-3 semanas)", "Cerdo engorde (50-80 kg)"}) {
        SCOPED_TRACE(formula);
        MemoryReportDocument doc;
        TMixObject2 mix(doc, s.formulaCode(formula), *s.dm);
        mix.Mix();
        ASSERT_TRUE(mix.Feasible);
        mix.WriteFullReport();
        std::vector<std::string> lines;
        for (const auto& l : doc.Lines()) lines.push_back(l.text);
        int blank = 0;
        for (const TInsumo& g : mix.Ingredients) {
            if (g.Fuera) continue;
            const std::string name = mix.ItemName(kNameIngredient, g.Codigo);
            char price[32];
            std::snprintf(price, sizeof price, "%10.4f", g.Precio.toDouble());
            // the first line naming the ingredient is its line of the summary's table
            const auto line = std::find_if(lines.begin(), lines.end(), [&](const std::string& t) {
                return t.rfind(name.substr(0, 20), 0) == 0;
            });
            ASSERT_NE(line, lines.end()) << name;
            const std::string lowEnd = g.NoPriceFloor ? std::string(10, ' ') : [&] {
                char b[32];
                std::snprintf(b, sizeof b, "%10.4f", g.PrecioMin.toDouble());
                return std::string(b);
            }();
            EXPECT_NE(line->find(lowEnd + " " + price), std::string::npos) << *line;
            blank += g.NoPriceFloor;
        }
        EXPECT_GT(blank, 0);
    }
}

// Runs on one connection share what they read of the catalogues; a value, a type or a group's
// nutrient changed in between (by a service, by plain SQL, or by another connection) is what
// the next run sees.
TEST(Mix2, AChangeBetweenRunsIsSeenByTheNextRun) {
    SampleDatabase s;
    const int32_t lr = s.formulaCode("Pollo iniciación (0-3 semanas)");
    MemoryReportDocument doc;
    auto run = [&](ContentTable* content = nullptr) {
        auto mix = std::make_unique<TMixObject2>(doc, lr, *s.dm);
        mix->Content = content;
        mix->Mix();
        return mix;
    };
    auto share = [](const TMixObject2& m, int32_t ins) {
        for (const TInsumo& g : m.Ingredients)
            if (g.Codigo == ins) return g.Cantidad;
        return Fixed4::fromInt(-1);
    };
    auto first = run();
    ASSERT_TRUE(first->Feasible);
    // The cheapest ingredient in the ration, made dear: the ration leaves it.
    int32_t used = 0;
    for (const TInsumo& g : first->Ingredients)
        if (g.Cantidad > Fixed4::fromInt(20)) used = g.Codigo;
    ASSERT_NE(used, 0);
    const int32_t price = first->PriceNutrient;
    struct Change {
        const char* how;
        std::function<void(Fixed4)> write;
    };
    const std::vector<Change> changes = {
        {"service", [&](Fixed4 v) { ASSERT_TRUE(s.dm->ActualizarValor(used, price, v)); }},
        {"sql",
         [&](Fixed4 v) {
             auto u = s.db.prepare("Update Val Set Valor = :V Where Ins = :I And Nut = :N");
             u.bind("V", v).bind("I", used).bind("N", price);
             u.execute();
         }},
        {"other connection",
         [&](Fixed4 v) {
             Database other(s.folder / "vexa.sqlite");
             auto u = other.prepare("Update Val Set Valor = :V Where Ins = :I And Nut = :N");
             u.bind("V", v).bind("I", used).bind("N", price);
             u.execute();
         }},
    };
    const Fixed4 was = share(*first, used);
    for (const Change& c : changes) {
        SCOPED_TRACE(c.how);
        c.write(Fixed4::fromInt(50));
        auto dear = run();
        EXPECT_LT(share(*dear, used), was);
        c.write(Fixed4::fromDouble(0.01));
        auto cheap = run();
        EXPECT_GE(share(*cheap, used), was);
    }
    // A group nutrient added after a run is in the next run's content.
    ContentTable content;
    auto before = run(&content);
    const size_t listed = content.size();
    auto add = s.db.prepare(
        "Insert Into EN (Cat, CNI) Select :C, Codigo From Nut Where Codigo Not In "
        "(Select CNI From EN Where Cat = :C) Limit 1");
    add.bind("C", before->GroupCode);
    add.execute();
    ASSERT_EQ(s.db.changes(), 1);
    run(&content);
    EXPECT_EQ(content.size(), listed + 1);
}

// The ration's content on a sample formula: each nutrient the formula does not restrict is the
// sum of the stored values times the shares, also for a nutrient the group lists twice and
// whatever the display order of the group's nutrients.
TEST(Mix2, ContentOfEveryGroupNutrientFromTheStoredValues) {
    SampleDatabase s;
    const int32_t lr = s.formulaCode("Pollo iniciación (0-3 semanas)");
    auto group = s.db.prepare("Select Cat From LR Where Codigo = :L");
    group.bind("L", lr);
    ASSERT_TRUE(group.step());
    const int32_t cat = group.getInt(0);
    // Listed twice, and the display order reversed against the codes.
    auto twice = s.db.prepare(
        "Insert Into EN (Cat, CNI) Select Cat, CNI From EN Where Cat = :C And CNI Not In "
        "(Select CNI From RNu Where LR = :L) Limit 1");
    twice.bind("C", cat).bind("L", lr);
    twice.execute();
    ASSERT_EQ(s.db.changes(), 1);
    s.db.exec("Update Nut Set Orden = 1000 - Codigo");

    MemoryReportDocument doc;
    ContentTable content;
    TMixObject2 mix(doc, lr, *s.dm);
    mix.Content = &content;
    mix.Mix();
    ASSERT_TRUE(mix.Feasible);
    size_t unrestricted = 0;
    for (const ContentRecord& r : content) {
        if (r.EsRestr) continue;
        ++unrestricted;
        double expected = 0;
        for (const TInsumo& g : mix.Ingredients) {
            auto v = s.db.prepare("Select Valor From Val Where Ins = :I And Nut = :N");
            v.bind("I", g.Codigo).bind("N", r.Codigo);
            if (!v.step() || v.isNull(0)) continue;
            Fixed4 t = Fixed4::fromDouble(v.getDouble(0) * g.Valor);
            expected += Fixed4::fromDouble(t.toDouble() / 100.0).toDouble();
        }
        EXPECT_NEAR(r.Valor, expected, 1e-9) << r.Nombre;
    }
    EXPECT_GT(unrestricted, 2u);
    for (size_t i = 1; i < content.size(); ++i) EXPECT_GE(content[i - 1].Codigo, content[i].Codigo);
}

}  // namespace
}  // namespace vexa
