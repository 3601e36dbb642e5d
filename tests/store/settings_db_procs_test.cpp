// Shared procedures that read the tables: a group's nutrients, a new ingredient's values, the
// database's display name and the small collection and field helpers.
#include "sample_fixture.h"

#include "engine/restriction_items.h"
#include "store/shared_db_procs.h"

#include <gtest/gtest.h>

namespace vexa {
namespace {

using testing::SampleDatabase;

TEST(SettingsDbProcs, GroupNutrientsInDisplayOrder) {
    SampleDatabase s;
    s.db.exec("update Nut set Orden = 100 where Nombre = 'EM aves'");  // moved to the end
    auto list = listNutrientesDeGrupo(s.db, s.def.Categoria);
    ASSERT_EQ(list.size(), 17u);
    EXPECT_EQ(list.front().Nombre, "Materia Seca");
    EXPECT_EQ(list.back().Nombre, "EM aves");
    EXPECT_EQ(list.back().Unidad, "kcal/kg");
    for (size_t i = 1; i < list.size(); ++i) EXPECT_LT(list[i - 1].Orden, list[i].Orden);
    EXPECT_TRUE(listNutrientesDeGrupo(s.db, 999).empty());
}

TEST(SettingsDbProcs, NewIngredientGetsAZeroForEveryNutrient) {
    SampleDatabase s;
    s.db.exec("insert into Ins (Nombre) values ('Nuevo')");
    auto ins = static_cast<int32_t>(s.db.lastInsertRowId());
    s.db.prepare("insert into Val (Ins, Nut, Valor) values (:I, 1, 0.5)").bind("I", ins).execute();
    EXPECT_EQ(AgregarValoresInsumo(s.db, ins), s.counts.nutrients - 1);
    auto q = s.db.prepare("select count(*), sum(Valor) from Val where Ins = :I");
    q.bind("I", ins);
    ASSERT_TRUE(q.step());
    EXPECT_EQ(q.getInt(0), s.counts.nutrients);
    EXPECT_DOUBLE_EQ(q.getDouble(1), 0.5);  // the value it had is kept
}

TEST(SettingsDbProcs, NamesFieldsAndCodes) {
    TDBDef def;
    EXPECT_EQ(NombreBD(def, "/datos/Granja.vxf"), "/datos/Granja");
    def.Nombre = "Granja Las Lomas";
    EXPECT_EQ(NombreBD(def, "/datos/Granja.vxf"), "Granja Las Lomas");

    SampleDatabase s;
    auto q = s.db.prepare("select Valor, null as Vacio from Val limit 1");
    ASSERT_TRUE(q.step());
    EXPECT_EQ(ValorCampo(q, "vacio", -1.5), -1.5);
    EXPECT_EQ(ValorCampo(q, "VALOR", -1.5), q.getDouble(0));

    std::vector<TNombre> items(3);
    items[0].Codigo = 7;
    items[1].Codigo = 4;
    items[2].Codigo = 7;
    EXPECT_EQ(BuscarCodigo(items, 7), 0);
    EXPECT_EQ(BuscarCodigo(items, 4), 1);
    EXPECT_EQ(BuscarCodigo(items, 5), -1);
    EXPECT_EQ(BuscarCodigo(std::vector<TNombre>{}, 7), -1);
    EXPECT_EQ(BuscarCodigo(static_cast<const std::vector<TNombre>*>(nullptr), 7), -1);
}

}  // namespace
}  // namespace vexa
