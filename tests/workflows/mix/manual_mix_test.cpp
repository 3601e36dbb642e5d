// The manual mix: shares, content, rounding before storing, "&Llevar a ...", "Crear &mezcla".
#include "mix_fixture.h"

#include "store/mix_object2.h"
#include "test_paths.h"
#include "workflows/manual_mix.h"

#include <fstream>
#include <sstream>

namespace vexa {
namespace {

class ManualMixTest : public test::MixFixture {
protected:
    // Mix 1 in "Aves" with Maíz, Soya and a third ingredient without values.
    void seedMix(double corn, double soy, double third, int enMS = 0) {
        db.exec(
            "INSERT INTO Ins (Nombre, Redondeo) VALUES ('Trigo', '0');"
            "INSERT INTO MM (Nombre, Cat, EnMS) VALUES ('Mezcla', 1, " +
            std::to_string(enMS) + ");");
        db.exec("INSERT INTO MMI (CMM, CIns, Valor, Red, DefRed) VALUES (1, 1, " +
                std::to_string(corn) + ", 0, 1), (1, 2, " + std::to_string(soy) +
                ", 0, 1), (1, 3, " + std::to_string(third) + ", 0, 1)");
    }
    double valor(int ins) {
        return number("Select Valor From MMI Where CMM = 1 And CIns = " + std::to_string(ins));
    }
};

TEST_F(ManualMixTest, SharesContentAndBringingToATotal) {
    seedMix(50, 30, 20);
    ManualMix m(db, *dm, 1);
    modified = false;
    ASSERT_TRUE(m.load());
    EXPECT_FALSE(modified);  // recalculating alone changes nothing the user made
    EXPECT_DOUBLE_EQ(m.totalFresco(), 100);
    ASSERT_EQ(m.lines().size(), 3u);
    // By name: Maíz, Soya, Trigo.
    EXPECT_EQ(m.lines()[0].Perc, Fixed4::fromInt(50));
    EXPECT_EQ(m.lines()[1].Perc, Fixed4::fromInt(30));
    EXPECT_EQ(m.lines()[2].Perc, Fixed4::fromInt(20));
    // 12.5 + 15 for the price, 0.5 × 80 + 0.3 × 50 dry matter.
    EXPECT_EQ(m.totalCosto(), Fixed4::fromDouble(27.5));
    ASSERT_EQ(m.nutrients().size(), 2u);
    EXPECT_EQ(m.nutrients()[0].Valor, Fixed4::fromInt(55));
    EXPECT_EQ(m.nutrients()[1].Nombre, "Sodio");
    EXPECT_EQ(m.nutrients()[1].Valor, Fixed4::fromDouble(0.5 * 0.23 + 0.3 * 0.046));

    EXPECT_FALSE(m.bringTo(100));  // the same total: nothing to do
    EXPECT_FALSE(modified);
    ASSERT_TRUE(m.bringTo(1000));
    EXPECT_TRUE(modified);
    EXPECT_DOUBLE_EQ(valor(1), 500);
    EXPECT_DOUBLE_EQ(valor(2), 300);
    EXPECT_DOUBLE_EQ(valor(3), 200);
    EXPECT_DOUBLE_EQ(m.totalFresco(), 1000);
    EXPECT_EQ(m.lines()[0].Perc, Fixed4::fromInt(50));
}

TEST_F(ManualMixTest, LinesAreRoundedBeforeTheyAreStored) {
    struct Case {
        double typed;
        int red;
        double stored;
    } cases[] = {{123.4, 1, 120}, {125, 1, 120},          {135, 1, 140},
                 {12.5, 0, 12},   {0.123456, -4, 0.1235}, {7.25, -1, 7.2}};
    seedMix(50, 30, 20);
    ManualMix m(db, *dm, 1);
    ASSERT_TRUE(m.load());
    for (const Case& c : cases) {
        SCOPED_TRACE(c.typed);
        ASSERT_EQ(m.editLine(0, c.typed, c.red), "");
        EXPECT_NEAR(valor(1), c.stored, 1e-9);
        EXPECT_EQ(count("Select Red From MMI Where CMM = 1 And CIns = 1"), c.red);
    }
}

TEST_F(ManualMixTest, DryMatterLinesTakeTheirIngredientsDryMatter) {
    def.UsarMS = true;
    seedMix(50, 30, 20, 1);
    ManualMix m(db, *dm, 1);
    ASSERT_TRUE(m.load());
    ASSERT_TRUE(m.dryBasis());
    ASSERT_EQ(m.editLine(0, 50, 0), "");  // Maíz 80 %: 40 kg of dry matter
    ASSERT_EQ(m.editLine(1, 30, 0), "");  // Soya 50 %: 15
    ASSERT_EQ(m.editLine(2, 20, 0), "");  // Trigo without a dry-matter value: 0
    EXPECT_EQ(m.lines()[0].MS, Fixed4::fromInt(40));
    EXPECT_EQ(m.lines()[2].MS, Fixed4());
    EXPECT_DOUBLE_EQ(m.totalSeco(), 55);
    EXPECT_EQ(m.lines()[0].Perc, Fixed4::fromDouble(72.7273));
    EXPECT_EQ(m.lines()[2].Perc, Fixed4());
}

TEST_F(ManualMixTest, SentToABatchGroupOnBothBases) {
    struct Case {
        bool dry;
        double cant, cornLine;
    } cases[] = {{false, 100, 50}, {true, 55, 40}};
    seedMix(50, 30, 20, 1);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.dry);
        db.exec("DELETE FROM DETDIE; DELETE FROM DIETAS; DELETE FROM LOTES;");
        def.UsarMS = c.dry;
        ManualMix m(db, *dm, 1);
        ASSERT_TRUE(m.load());
        ASSERT_EQ(m.lines().size(), 3u);
        for (size_t i = 0; i < 3; ++i) ASSERT_EQ(m.editLine(i, m.lines()[i].Valor, 0), "");
        std::string msg;
        modified = false;
        ASSERT_TRUE(m.sendToGroup("Mezcla", std::nullopt, "Lote A", {}, msg)) << msg;
        EXPECT_EQ(msg, "Se ha creado el lote \"Mezcla\"");
        EXPECT_TRUE(modified);
        EXPECT_DOUBLE_EQ(number("Select Cant From DIETAS"), c.cant);
        EXPECT_DOUBLE_EQ(number("Select Valor From DETDIE Where Ins = 1"), c.cornLine);
        EXPECT_EQ(count("Select Count(*) From DETDIE"), 3);
    }
}

TEST_F(ManualMixTest, CreatedFromASolvedFormula) {
    restrictCorn(60);
    MemoryReportDocument doc;
    TMixObject2 mix(doc, 1, *dm);
    mix.Mix();
    ASSERT_TRUE(mix.Feasible);
    modified = false;
    std::string error;
    const int32_t mm = CreateMixFromRun(mix, *dm, 1, &error);
    ASSERT_GT(mm, 0) << error;
    EXPECT_TRUE(modified);
    ManualMix m(db, *dm, mm);
    ASSERT_TRUE(m.load());
    EXPECT_EQ(m.header().Nombre, "Inicio");
    ASSERT_EQ(m.lines().size(), 2u);
    EXPECT_DOUBLE_EQ(m.lines()[0].Valor, 60);
    EXPECT_EQ(m.lines()[0].Red, 0);
    EXPECT_DOUBLE_EQ(m.lines()[1].Valor, 40);
    EXPECT_EQ(m.lines()[1].Red, -4);
}

TEST_F(ManualMixTest, LimitsLoadedFromAFormulaColourTheirCells) {
    seedMix(50, 30, 20);
    // Materia seca: a minimum above the content and no maximum; Sodio: both limits met.
    db.exec(
        "INSERT INTO RNu (LR, CNI, Min, Max) VALUES (1, 2, 60, NULL), (1, 3, 0.1, 0.2), "
        "(1, 4, 1, 2)");
    ManualMix m(db, *dm, 1);
    ASSERT_TRUE(m.load());
    EXPECT_EQ(minState(m.nutrients()[0]), LimitState::None);  // nothing loaded yet
    m.loadLimits(1);
    const MixNutrient& ms = m.nutrients()[0];
    const MixNutrient& na = m.nutrients()[1];
    ASSERT_TRUE(ms.EsRestr);
    EXPECT_EQ(ms.RMin, Fixed4::fromInt(60));
    EXPECT_FALSE(ms.RMax.has_value());  // an empty maximum stays empty...
    EXPECT_EQ(minState(ms), LimitState::Broken);
    EXPECT_EQ(maxState(ms), LimitState::None);  // ...and its cell is not coloured
    EXPECT_EQ(minState(na), LimitState::Met);
    EXPECT_EQ(maxState(na), LimitState::Met);
    EXPECT_EQ(m.nutrients().size(), 2u);  // Potasio is not in the group
    // Typed in the grid: a maximum below the content.
    m.setLimits(1, Fixed4::fromDouble(0.1), Fixed4::fromDouble(0.12));
    EXPECT_EQ(maxState(m.nutrients()[1]), LimitState::Broken);
}

TEST_F(ManualMixTest, InsertingDeletingAndChangingTheBasis) {
    seedMix(50, 30, 20);
    def.UsarMS = true;
    ManualMix m(db, *dm, 1);
    ASSERT_TRUE(m.load());
    EXPECT_TRUE(m.candidates().empty());  // both ingredients of the group are in the mix
    modified = false;
    ASSERT_EQ(m.deleteLine(1), "");  // Soya
    EXPECT_TRUE(modified);
    EXPECT_DOUBLE_EQ(m.totalFresco(), 70);
    EXPECT_EQ(m.lines()[0].Perc, Fixed4::fromDouble(71.4286));
    ASSERT_EQ(m.candidates().size(), 1u);
    EXPECT_EQ(m.candidates()[0].second, "Soya");
    std::string error;
    const std::vector<size_t> at = m.insertIngredients({2}, &error);
    ASSERT_EQ(at, std::vector<size_t>{1}) << error;
    EXPECT_DOUBLE_EQ(m.lines()[1].Valor, 0);
    EXPECT_EQ(m.lines()[1].Red, -4);  // Soya has no rounding of its own
    EXPECT_TRUE(m.lines()[1].DefRed);

    // Switching the mix to dry matter recomputes every line's dry kilograms.
    ASSERT_FALSE(m.dryBasis());
    ASSERT_EQ(m.setProperties("Mezcla seca", true), "");
    ASSERT_TRUE(m.dryBasis());
    EXPECT_EQ(m.lines()[0].MS, Fixed4::fromInt(40));
    EXPECT_EQ(m.lines()[2].MS, Fixed4());  // Trigo without a dry-matter value
    EXPECT_EQ(m.lines()[0].Perc, Fixed4::fromInt(100));
    EXPECT_EQ(count("Select EnMS From MM Where Codigo = 1"), 1);
}

TEST_F(ManualMixTest, SavedAsAnIngredientOfTheGroupOrNotAtAll) {
    seedMix(50, 30, 20);
    ManualMix m(db, *dm, 1);
    ASSERT_TRUE(m.load());
    ASSERT_EQ(m.saveAsIngredient("Premezcla", 1), "");
    const int code = count("Select Max(Codigo) From Ins");
    const std::string c = std::to_string(code);
    EXPECT_EQ(count("Select Count(*) From Ins Where Nombre = 'Premezcla' And Redondeo = '1'"), 1);
    EXPECT_EQ(count("Select Count(*) From EI Where Cat = 1 And CNI = " + c), 1);
    EXPECT_DOUBLE_EQ(number("Select Valor From Val Where Nut = 2 And Ins = " + c), 55);
    EXPECT_EQ(count("Select Count(*) From Val Where Ins = " + c), 2);  // the group's nutrients

    ASSERT_EQ(sqlite3_db_config(db.handle(), SQLITE_DBCONFIG_ENABLE_TRIGGER, 1, nullptr),
              SQLITE_OK);
    db.exec("CREATE TRIGGER no_val BEFORE INSERT ON Val BEGIN SELECT RAISE(ABORT, 'lleno'); END");
    const int before = count("Select Count(*) From Ins");
    const std::string err = m.saveAsIngredient("Otra", 0);
    EXPECT_NE(err.find("lleno"), std::string::npos) << err;
    EXPECT_EQ(count("Select Count(*) From Ins"), before);
    EXPECT_EQ(count("Select Count(*) From EI"), 3);
}

std::string readText(const std::string& name) {
    std::ifstream in(std::string(VEXA_SOURCE_DIR) + "/tests/workflows/mix/" + name);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

TEST_F(ManualMixTest, ReportGoldenTextsOnBothBases) {
    struct Case {
        bool dry;
        const char* golden;
    } cases[] = {{false, "mix_as_fed.txt"}, {true, "mix_dry.txt"}};
    seedMix(50, 30, 20, 1);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.golden);
        def.UsarMS = c.dry;
        ManualMix m(db, *dm, 1);
        ASSERT_TRUE(m.load());
        for (size_t i = 0; i < 3; ++i) ASSERT_EQ(m.editLine(i, m.lines()[i].Valor, 0), "");
        MemoryReportDocument doc;
        doc.AppendLine("left from before");
        WriteMixReport(doc, m, {"Vexa", {}, "Prueba", "11/12/2026 10:00"});
        EXPECT_EQ(doc.Text(), readText(c.golden));
        if (::testing::Test::HasFailure()) std::fputs(doc.Text().c_str(), stdout);
    }
}

}  // namespace
}  // namespace vexa
