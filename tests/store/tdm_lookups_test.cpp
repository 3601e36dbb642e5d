#include "tdm_fixture.h"

#include <functional>

namespace vexa {
namespace {

using testing_tables::TdmTest;

TEST_F(TdmTest, LookupsReadRowsAndGiveTheirDefaultsOnMissingOnes) {
    const int32_t precio = nutrient("Precio", 1);
    const int32_t sinTipo = insert("INSERT INTO Nut (Nombre) VALUES ('Sin tipo')");
    const int32_t maiz = ingredient("Maíz");
    const int32_t raro = insert("INSERT INTO Ins (Nombre, Redondeo) VALUES ('Raro', 'x')");
    const int32_t vacio = insert("INSERT INTO Ins (Nombre, Redondeo) VALUES ('Vacío', ' ')");
    const int32_t neg = insert("INSERT INTO Ins (Nombre, Redondeo) VALUES ('Neg', '-3')");
    const int32_t cat = insert("INSERT INTO Cat (Nombre, Precio, EnMS) VALUES ('Pollos', 7, 1)");
    const int32_t f2 = insert("INSERT INTO LR (Nombre, Cat) VALUES ('B', 1)");
    insert("INSERT INTO LR (Nombre, Cat) VALUES ('C', 1)");
    const int32_t mm = insert("INSERT INTO MM (Nombre, Cat) VALUES ('Mezcla', 1)");
    def.MS = precio;
    value(maiz, precio, 88.123456);

    struct Case {
        const char* what;
        std::function<std::string()> got;
        std::string expected;
    };
    auto s = [](auto v) { return std::to_string(v); };
    const std::vector<Case> cases{
        {"NombreDe grupo", [&] { return dm.NombreDe(kNameGroup, cat); }, "Pollos"},
        {"NombreDe insumo", [&] { return dm.NombreDe(kNameIngredient, maiz); }, "Maíz"},
        {"NombreDe nutriente", [&] { return dm.NombreDe(kNameNutrient, precio); }, "Precio"},
        {"NombreDe fórmula", [&] { return dm.NombreDe(kNameFormula, f2); }, "B"},
        {"NombreDe mezcla", [&] { return dm.NombreDe(kNameManualMix, mm); }, "Mezcla"},
        {"NombreDe fórmula inexistente", [&] { return dm.NombreDe(3, 999); }, ""},
        {"NombreDe clase 4", [&] { return dm.NombreDe(4, 1); }, ""},
        {"UnidadNutriente", [&] { return dm.UnidadNutriente(precio); }, "%"},
        {"UnidadNutriente inexistente", [&] { return dm.UnidadNutriente(999); }, ""},
        {"PrecioGrupo", [&] { return s(dm.PrecioGrupo(cat)); }, "7"},
        {"PrecioGrupo inexistente", [&] { return s(dm.PrecioGrupo(999)); }, "0"},
        {"GrupoEnMS", [&] { return s(dm.GrupoEnMS(cat)); }, "1"},
        {"GrupoEnMS inexistente", [&] { return s(dm.GrupoEnMS(999)); }, "0"},
        {"PrimeraFormula", [&] { return s(dm.PrimeraFormula(cat)); }, s(f2)},
        {"PrimeraFormula sin fórmulas", [&] { return s(dm.PrimeraFormula(999)); }, "0"},
        {"TipoNutriente", [&] { return s(dm.TipoNutriente(precio)); }, "1"},
        {"TipoNutriente inexistente", [&] { return s(dm.TipoNutriente(999)); }, "2"},
        {"TipoNutriente vacío", [&] { return s(dm.TipoNutriente(sinTipo)); }, "2"},
        {"NombreTipoNutriente", [&] { return dm.NombreTipoNutriente(precio); }, "Precio"},
        {"NombreTipoNutriente inexistente", [&] { return dm.NombreTipoNutriente(999); }, ""},
        {"TipoInsumo", [&] { return s(dm.TipoInsumo(maiz)); }, "3"},
        {"TipoInsumo inexistente", [&] { return s(dm.TipoInsumo(999)); }, "0"},
        {"RedondeoInsumo", [&] { return s(dm.RedondeoInsumo(maiz)); }, "1"},
        {"RedondeoInsumo negativo", [&] { return s(dm.RedondeoInsumo(neg)); }, "-3"},
        {"RedondeoInsumo vacío", [&] { return s(dm.RedondeoInsumo(vacio)); }, "-4"},
        {"RedondeoInsumo inexistente", [&] { return s(dm.RedondeoInsumo(999)); }, "-4"},
        {"MSInsumo (4 decimales)", [&] { return dm.MSInsumo(maiz).toString(); }, "88.1235"},
        {"MSInsumo sin valor", [&] { return dm.MSInsumo(999).toString(); }, "0.0000"},
        {"MaxCodigo", [&] { return s(dm.MaxCodigo("LR", "CODIGO")); }, s(f2 + 1)},
        {"MaxCodigo tabla vacía", [&] { return s(dm.MaxCodigo("RIN", "CNI")); }, "0"},
        {"MaxCodigo nombre inválido", [&] { return s(dm.MaxCodigo("LR; drop", "x")); }, "0"},
        {"MaxOrdenNut", [&] { return s(dm.MaxOrdenNut()); }, "1"},
    };
    for (const Case& c : cases) EXPECT_EQ(c.got(), c.expected) << c.what;
    EXPECT_THROW(dm.RedondeoInsumo(raro), std::invalid_argument);
    EXPECT_EQ(modifications, 0);
}

TEST_F(TdmTest, LookupListsRunOnTheSchema) {
    const int32_t n = nutrient("Proteína");
    insert("INSERT INTO Nut (Nombre, Tipo) VALUES ('Sin unidad', 0)");
    const int32_t a = ingredient("Avena");
    value(a, n, 11);
    for (const char* sql :
         {tdm_sql::qCat, tdm_sql::qNut, tdm_sql::qIns, tdm_sql::qFor, tdm_sql::qNutUni,
          tdm_sql::qNutxIns, tdm_sql::qlbTI, tdm_sql::qlbTN, tdm_sql::qlbIns}) {
        EXPECT_NO_THROW(db.prepare(sql).step()) << sql;
    }
    Statement uni = db.prepare(tdm_sql::qNutUni);
    std::vector<std::string> names;
    while (uni.step()) names.push_back(uni.getText("NomUni"));
    EXPECT_EQ(names, (std::vector<std::string>{"Proteína, %", "Sin unidad, "}));
    Statement per = db.prepare(tdm_sql::qNutxIns);
    ASSERT_TRUE(per.step());
    EXPECT_EQ(per.getInt("Codigo"), a);
    EXPECT_EQ(per.getInt("NNut"), 1);
}

TEST_F(TdmTest, ConvertirBaseUsesTheDryMatterOfTheIngredient) {
    const int32_t ms = nutrient("Materia Seca", 2);
    const int32_t maiz = ingredient("Maíz");
    const int32_t seco = ingredient("Sin MS");
    value(maiz, ms, 88);
    value(seco, ms, 0);
    def.MS = ms;
    struct Case {
        bool dbOnDryBasis;
        int basis;
        int32_t ins;
        double entered;
        std::string expected;
    };
    const std::vector<Case> cases{
        {false, 1, maiz, 20, "17.6000"},  // dry matter entered, database as fed
        {true, 0, maiz, 20, "22.7273"},   // as fed entered, database on dry matter
        {false, 0, maiz, 20, "20.0000"},  // same basis: unchanged
        {true, 1, maiz, 20.12345, "20.1234"},
        {true, 0, seco, 20, "0.0000"},  // no dry matter: 0 either way
        {false, 1, seco, 20, "0.0000"},
        {true, 0, 999, 20, "0.0000"},
    };
    for (const Case& c : cases) {
        def.EnBaseFresca = c.dbOnDryBasis;
        EXPECT_EQ(dm.ConvertirBase(c.ins, c.basis, Fixed4::fromDouble(c.entered)).toString(),
                  c.expected)
            << c.dbOnDryBasis << " " << c.basis << " " << c.entered;
    }
}

TEST_F(TdmTest, LeerDefectosReadsTheDefinitionFileOfTheWorkingFolder) {
    TDBDef written;
    written.Precio = 4;
    written.MS = 9;
    written.Categoria = 2;
    written.Nombre = "Granja";
    writeDBDef(dir.path(), written);
    def.Nombre = "sin tocar";
    dm.AbrirTablas();
    EXPECT_EQ(def.Precio, 4);
    EXPECT_EQ(def.MS, 9);
    EXPECT_EQ(def.Categoria, 2);
    EXPECT_EQ(def.Nombre, "sin tocar");
}

}  // namespace
}  // namespace vexa
