// Batch preparation on a solved stored formula: the report and the diet sent to a group.
#include "mix_fixture.h"
#include "../../store/write_faults.h"

#include "store/batch_groups.h"
#include "workflows/batch_session.h"

namespace vexa {
namespace {

using test::MixFixture;

class BatchSessionTest : public MixFixture {};

TEST_F(BatchSessionTest, ReportOfTheSolvedRationWithItsContent) {
    restrictCorn(60);
    MemoryReportDocument doc;
    TMixObject2 mix(doc, 1, *dm);
    mix.Mix();
    ASSERT_TRUE(mix.Feasible);
    BatchSession s(mix, *dm);
    ASSERT_EQ(s.table().rows.size(), 2u);
    EXPECT_EQ(s.table().rows[0].Insumo, "Maíz");
    EXPECT_EQ(s.table().rows[0].Red, 0);
    EXPECT_EQ(s.table().rows[1].Red, -4);  // an empty rounding: the finest step
    const ContentTable optimal = mix.NutrientContent();
    ASSERT_EQ(s.writeReport(1000, "1.000", BatchBasis::AsFed, true), "");
    const std::string text = doc.Text();
    EXPECT_NE(text.find("PREPARACIÓN DE UN BATCH O LOTE"), std::string::npos);
    EXPECT_NE(text.find("La mezcla se realiza para 1.000 Kg. en BASE FRESCA"), std::string::npos);
    // The batch's content under its own heading, never the optimal solution's.
    EXPECT_NE(text.find("CONTENIDO NUTRICIONAL DEL LOTE DE 1000.00 Kg"), std::string::npos);
    EXPECT_EQ(text.find("CONTENIDO NUTRICIONAL DE LA SOLUCIÓN"), std::string::npos);
    // Dry matter of the batch per kg: 0.6 × 80 + 0.4 × 50.
    ASSERT_TRUE(mix.LastBatch());
    const ContentTable& content = mix.LastBatch()->table;
    ASSERT_FALSE(content.empty());
    EXPECT_EQ(content[0].Nombre, "Materia seca");
    EXPECT_NEAR(content[0].Valor, 68.0, 1e-9);
    // The run's own content is untouched.
    ASSERT_EQ(mix.NutrientContent().size(), optimal.size());
    for (size_t i = 0; i < optimal.size(); ++i)
        EXPECT_EQ(mix.NutrientContent()[i].Valor, optimal[i].Valor) << optimal[i].Nombre;
    EXPECT_EQ(doc.updateDepth(), 0);
}

TEST_F(BatchSessionTest, ZeroQuantityWritesNoReportAndNoDiet) {
    restrictCorn(60);
    MemoryReportDocument doc;
    TMixObject2 mix(doc, 1, *dm);
    mix.Mix();
    const int before = doc.LineCount();
    BatchSession s(mix, *dm);
    EXPECT_NE(s.writeReport(0, "0", BatchBasis::AsFed, true), "");
    EXPECT_FALSE(mix.LastBatch());
    EXPECT_EQ(doc.LineCount(), before);
    EXPECT_NE(s.send(0, BatchBasis::AsFed, {"Inicio", std::nullopt, "Lote 1"}), "");
    EXPECT_EQ(count("Select Count(*) From DIETAS"), 0);
    EXPECT_EQ(count("Select Count(*) From LOTES"), 0);
}

TEST_F(BatchSessionTest, SendsDietsIntoNewAndExistingGroups) {
    struct Case {
        const char* what;
        bool dry;
        double quantity;
        double cant;  // the diet's weight stored
        double corn, soy;
        BatchBasis basis = BatchBasis::AsFed;
    } cases[] = {
        {"as fed keeps the typed quantity", false, 1000, 1000, 600, 400},
        // 50/50 of the dry matter at 80 % and 50 %: 625 + 1000 kg as fed.
        {"dry matter stores the weight as fed", true, 1625, 1625, 625, 1000},
        // 1000 kg of dry matter typed: the diet weighs what is mixed, 1625 kg as fed.
        {"a dry-basis batch stores its weight as fed", true, 1000, 1625, 625, 1000,
         BatchBasis::DryMatter},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        db.exec("DELETE FROM DETDIE; DELETE FROM DIETAS; DELETE FROM LOTES;");
        def.UsarMS = c.dry;
        restrictCorn(c.dry ? 50 : 60);
        MemoryReportDocument doc;
        TMixObject2 mix(doc, 1, *dm);
        mix.Mix();
        ASSERT_TRUE(mix.Feasible);
        BatchSession s(mix, *dm);
        EXPECT_EQ(s.dietName(), "Inicio");
        // No group yet: the dialog can only offer a new one.
        EXPECT_TRUE(ListBatchGroups(db).empty());
        modified = false;
        int32_t die = 0;
        ASSERT_EQ(s.send(c.quantity, c.basis, {"Inicio", std::nullopt, "Semana 1"}, &die), "");
        EXPECT_TRUE(modified);
        auto groups = ListBatchGroups(db);
        ASSERT_EQ(groups.size(), 1u);
        EXPECT_EQ(groups[0].Nombre, "Semana 1");
        EXPECT_EQ(count("Select LoteId From DIETAS Where Codigo = " + std::to_string(die)),
                  groups[0].Codigo);
        EXPECT_DOUBLE_EQ(number("Select Cant From DIETAS"), c.cant);
        // Named as the user chose, dated by the run; the new group dated today.
        EXPECT_EQ(count("Select Count(*) From DIETAS Where Nombre = 'Inicio' And date(Fecha) = '" +
                        toStoreDate(mix.MixedAt) + "'"),
                  1);
        EXPECT_EQ(count("Select Count(*) From LOTES Where Fecha Is Not Null"), 1);
        EXPECT_DOUBLE_EQ(number("Select Valor From DETDIE Where Ins = 1"), c.corn);
        EXPECT_DOUBLE_EQ(number("Select Valor From DETDIE Where Ins = 2"), c.soy);
        // The same batch again into the existing group.
        ASSERT_EQ(s.send(c.quantity, c.basis, {"Inicio bis", groups[0].Codigo, ""}), "");
        EXPECT_EQ(count("Select Count(*) From LOTES"), 1);
        EXPECT_EQ(
            count("Select Count(*) From DIETAS Where LoteId = " + std::to_string(groups[0].Codigo)),
            2);
        EXPECT_EQ(count("Select Count(*) From DETDIE"), 4);
    }
}

TEST_F(BatchSessionTest, RefusedWriteLeavesNoGroupNoDietNoLine) {
    restrictCorn(60);
    MemoryReportDocument doc;
    TMixObject2 mix(doc, 1, *dm);
    mix.Mix();
    BatchSession s(mix, *dm);
    test::WriteFaults faults(db, {"LOTES", "DIETAS", "DETDIE"});
    for (int n = 1; n <= 4; ++n) {
        SCOPED_TRACE(n);
        faults.failAt(n);  // group, diet, first line, second line
        modified = false;
        const std::string err = s.send(1000, BatchBasis::AsFed, {"Inicio", std::nullopt, "L"});
        EXPECT_TRUE(faults.fired());
        EXPECT_NE(err.find("No se pudo enviar la dieta al lote"), std::string::npos);
        EXPECT_FALSE(modified);
        EXPECT_EQ(count("Select Count(*) From LOTES"), 0);
        EXPECT_EQ(count("Select Count(*) From DIETAS"), 0);
        EXPECT_EQ(count("Select Count(*) From DETDIE"), 0);
    }
}

}  // namespace
}  // namespace vexa
