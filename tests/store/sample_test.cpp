// The sample workspace: what the seed holds and that every formula solves as intended.
#include "lifecycle_fixture.h"
#include "sample_fixture.h"

#include "store/mix_object2.h"
#include "test_paths.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

namespace vexa {
namespace {

using testing::SampleDatabase;

TEST(SampleWorkspace, CompiledSeedIsTheFileInTheRepository) {
    std::ifstream in(std::string(VEXA_SAMPLES_DIR) + "/sample_workspace.json", std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    EXPECT_EQ(text.str(), sampleWorkspaceSeed())
        << "the seed compiled into the store differs from the file: rebuild";
}

TEST(SampleWorkspace, DefaultsCatalogueAndGroups) {
    SampleDatabase s;
    EXPECT_EQ(s.counts.nutrients, 19);
    EXPECT_GE(s.counts.ingredients, 24);
    EXPECT_EQ(s.counts.groups, 3);
    EXPECT_GE(s.counts.formulas, 7);
    EXPECT_EQ(s.dm->NombreDe(kNameNutrient, s.def.Precio), "Precio");
    EXPECT_EQ(s.dm->TipoNutriente(s.def.Precio), 1);
    EXPECT_EQ(s.dm->NombreDe(kNameNutrient, s.def.MS), "Materia Seca");
    EXPECT_EQ(s.dm->TipoNutriente(s.def.MS), 2);
    EXPECT_EQ(s.dm->NombreDe(kNameGroup, s.def.Categoria), "Pollos de engorde");
    auto scalar = [&](const char* sql) {
        auto q = s.db.prepare(sql);
        q.step();
        return q.getInt64(0);
    };
    // Every ingredient has a value for every nutrient and a positive price.
    EXPECT_EQ(scalar("select count(*) from Val"),
              int64_t(s.counts.ingredients) * s.counts.nutrients);
    EXPECT_EQ(scalar("select count(*) from Val V join Nut N on N.Codigo = V.Nut "
                     "where N.Tipo = 1 and V.Valor <= 0"),
              0);
    // Every group prices with "Precio", enables ingredients and nutrients, holds formulas.
    EXPECT_EQ(scalar("select count(*) from Cat C where C.Precio <> (select Codigo from Nut "
                     "where Nombre = 'Precio') or not exists (select 1 from EI where Cat = "
                     "C.Codigo) or not exists (select 1 from EN where Cat = C.Codigo) or (select "
                     "count(*) from LR where Cat = C.Codigo) < 2"),
              0);
    // Formulas use only what their group enables.
    EXPECT_EQ(scalar("select count(*) from RIn R join LR L on L.Codigo = R.LR where not exists "
                     "(select 1 from EI where Cat = L.Cat and CNI = R.CNI)"),
              0);
    EXPECT_EQ(scalar("select count(*) from RNu R join LR L on L.Codigo = R.LR where not exists "
                     "(select 1 from EN where Cat = L.Cat and CNI = R.CNI)"),
              0);
}

TEST(SampleWorkspace, EveryFormulaIsFeasibleButTheTeachingOne) {
    SampleDatabase s;
    auto all = s.db.prepare("Select Codigo, Nombre From LR Order By Codigo");
    int infeasible = 0;
    while (all.step()) {
        MemoryReportDocument doc;
        TMixObject2 mix(doc, all.getInt(0), *s.dm);
        mix.Mix();
        const bool teaching = all.getText(1) == "Ejemplo: proteína inalcanzable";
        EXPECT_EQ(mix.Feasible, !teaching) << all.getText(1);
        infeasible += !mix.Feasible;
        if (teaching)
            EXPECT_FALSE(mix.Suggestions.empty());
        else
            EXPECT_GT(mix.CostPerKg, Fixed4());
    }
    EXPECT_EQ(infeasible, 1);
}

TEST(SampleWorkspace, DefaultWorkspaceFileOpensWithItsDefaults) {
    testing::DocumentsFolder docs;
    testing::ScriptedUi ui;
    Tdmvxf w(docs.settings(), ui);
    auto counts = CrearVXFEjemplo(w, docs.vxf("Vexa30.VXF"));
    EXPECT_EQ(counts.formulas, 8);
    w.AbrirVXF(docs.vxf("Vexa30.VXF"));
    ASSERT_EQ(w.OpenStage, 0);
    EXPECT_EQ(w.DBDef.Nombre, "Vexa30");
    EXPECT_EQ(w.DBDef.Autor, "Dra. Pérez");
    Tdm dm(w.database(), w.DBDef);
    EXPECT_EQ(dm.NombreDe(kNameNutrient, w.DBDef.Precio), "Precio");
    EXPECT_EQ(dm.NombreDe(kNameNutrient, w.DBDef.MS), "Materia Seca");
    EXPECT_EQ(dm.NombreDe(kNameGroup, w.DBDef.Categoria), "Pollos de engorde");
}

}  // namespace
}  // namespace vexa
