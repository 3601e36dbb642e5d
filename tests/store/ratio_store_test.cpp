// Ratios in the store: the sample's calcium to available phosphorus ratio, the ratios a formula
// of a group may restrict, a formula's ratio restrictions written and replaced, and a run's
// ratio suggestion written back into RRN.
#include "sample_fixture.h"

#include "engine/report_document.h"
#include "store/formula_suggestions.h"
#include "store/mix_object2.h"
#include "store/ratio_queries.h"

#include <gtest/gtest.h>

namespace vexa {
namespace {

using testing::SampleDatabase;

int32_t codeOf(Database& db, const char* sql, const std::string& name) {
    Statement s = db.prepare(sql);
    s.bind("N", name);
    return s.step() ? s.getInt(0) : 0;
}

TEST(RatioStore, SampleRestrictsCalciumToAvailablePhosphorusInPoultryFormulas) {
    SampleDatabase s;
    const std::vector<RatioInfo> all = ratiosByName(s.db);
    ASSERT_EQ(all.size(), 1u);
    EXPECT_EQ(all[0].name, "Calcio : Fósforo disponible");
    EXPECT_EQ(s.dm->NombreDe(kNameRatio, all[0].code), "Calcio : Fósforo disponible");
    EXPECT_EQ(all[0].nut1, codeOf(s.db, "Select Codigo From Nut Where Nombre = :N", "Calcio"));
    EXPECT_EQ(all[0].nut2,
              codeOf(s.db, "Select Codigo From Nut Where Nombre = :N", "Fósforo disponible"));
    // the bounds are the requirement's own ratio and 10 % above it
    const struct {
        const char* formula;
        double min1, min2;
    } restricted[] = {{"Pollo iniciación (0-3 semanas)", 1.0, 0.45},
                      {"Pollo crecimiento (3-6 semanas)", 0.9, 0.35},
                      {"Pollo finalización (6-7 semanas)", 0.8, 0.3},
                      {"Ponedora en postura", 3.25, 0.25},
                      {"Ponedora pico de postura", 3.8, 0.3}};
    for (const auto& c : restricted) {
        SCOPED_TRACE(c.formula);
        const int32_t lr = s.formulaCode(c.formula);
        const std::vector<FormulaRatioRow> rows = formulaRatios(s.db, lr);
        ASSERT_EQ(rows.size(), 1u);
        EXPECT_EQ(rows[0].minN1, Fixed4::fromDouble(c.min1));
        EXPECT_EQ(rows[0].minN2, Fixed4::fromDouble(c.min2));
        EXPECT_EQ(rows[0].maxN1, Fixed4::fromDouble(c.min1 * 1.1));
        EXPECT_EQ(rows[0].maxN2, Fixed4::fromDouble(c.min2));
        // every restricted formula is met with its ratio
        MemoryReportDocument doc;
        TMixObject2 mix(doc, lr, *s.dm);
        mix.Mix();
        EXPECT_TRUE(mix.Feasible);
        ASSERT_EQ(mix.Ratios.size(), 1u);
        EXPECT_FALSE(mix.Ratios[0].Fuera);
        EXPECT_GE(mix.Ratios[0].Cantidad, mix.Ratios[0].Min);
        EXPECT_LE(mix.Ratios[0].Cantidad, mix.Ratios[0].Max);
        // and the summary shows it
        mix.WriteFullReport();
        EXPECT_NE(doc.Text().find("RELACIONES ENTRE NUTRIENTES"), std::string::npos);
    }
    EXPECT_TRUE(formulaRatios(s.db, s.formulaCode("Cerdo crecimiento (25-50 kg)")).empty());
    const int32_t pigs = codeOf(s.db, "Select Codigo From Cat Where Nombre = :N", "Cerdos");
    EXPECT_TRUE(groupRatios(s.db, pigs).empty());
    EXPECT_EQ(codeOf(s.db, "Select UsaRel From Cat Where Nombre = :N", "Gallinas ponedoras"), 1);
}

TEST(RatioStore, InsertableRatiosNeedBothNutrientsInTheGroup) {
    SampleDatabase s;
    const int32_t layers =
        codeOf(s.db, "Select Codigo From Cat Where Nombre = :N", "Gallinas ponedoras");
    const int32_t ca = codeOf(s.db, "Select Codigo From Nut Where Nombre = :N", "Calcio");
    const int32_t energy = codeOf(s.db, "Select Codigo From Nut Where Nombre = :N", "EM cerdos");
    s.db.exec("Insert Into Rel (Nombre, Nut1, Nut2) Values ('Calcio : EM cerdos', " +
              std::to_string(ca) + ", " + std::to_string(energy) + ")");
    const int32_t other = static_cast<int32_t>(s.db.lastInsertRowId());
    std::vector<int32_t> enabled = groupRatios(s.db, layers);
    enabled.push_back(other);
    replaceGroupRatios(s.db, layers, enabled);
    EXPECT_EQ(groupRatios(s.db, layers).size(), 2u);
    // enabled, but the group has no swine energy: not offered
    const std::vector<RatioInfo> offered = insertableRatios(s.db, layers);
    ASSERT_EQ(offered.size(), 1u);
    EXPECT_EQ(offered[0].name, "Calcio : Fósforo disponible");
}

TEST(RatioStore, RestrictionsAreSavedReplacedAndTakeSuggestions) {
    SampleDatabase s;
    const int32_t lr = s.formulaCode("Ponedora en postura");
    FormulaRatioRow row = formulaRatios(s.db, lr).at(0);
    // no maximum is stored empty; min 20 : 1 cannot be reached
    row.minN1 = Fixed4::fromInt(20);
    row.minN2 = Fixed4();
    row.maxN1 = row.maxN2 = Fixed4();
    saveFormulaRatio(s.db, lr, row);
    ASSERT_EQ(formulaRatios(s.db, lr).size(), 1u);
    EXPECT_FALSE(formulaRatios(s.db, lr)[0].hasMax());
    EXPECT_EQ(codeOf(s.db, "Select count(*) From RRN Where MaxN1 Is Null And Codigo = :N",
                     std::to_string(row.ratio.code)),
              1);

    MemoryReportDocument doc;
    TMixObject2 mix(doc, lr, *s.dm);
    mix.Mix();
    ASSERT_FALSE(mix.Feasible);
    bool ratioSuggested = false;
    for (const TRecom& r : mix.Suggestions) ratioSuggested |= r.Clase == kClaseRelacion;
    ASSERT_TRUE(ratioSuggested);
    EXPECT_GE(AplicarSugerencias(s.db, lr, mix.Suggestions), 1);
    const FormulaRatioRow applied = formulaRatios(s.db, lr).at(0);
    EXPECT_LT(applied.minN1, Fixed4::fromInt(20));
    EXPECT_EQ(applied.minN2, Fixed4());  // the user's own empty second term stays
    MemoryReportDocument doc2;
    TMixObject2 again(doc2, lr, *s.dm);
    again.Mix();
    EXPECT_TRUE(again.Feasible);

    // replacing by another formula's ratios, and by a formula without any
    const int32_t peak = s.formulaCode("Ponedora pico de postura");
    replaceFormulaRatios(s.db, peak, lr);
    EXPECT_EQ(formulaRatios(s.db, lr).at(0).minN1, Fixed4::fromDouble(3.8));
    replaceFormulaRatios(s.db, s.formulaCode("Cerdo crecimiento (25-50 kg)"), lr);
    EXPECT_TRUE(formulaRatios(s.db, lr).empty());
    deleteFormulaRatio(s.db, peak, row.ratio.code);
    EXPECT_TRUE(formulaRatios(s.db, peak).empty());
}

TEST(RatioStore, MinimumAboveMaximumComparesTheTermsUnrounded) {
    const auto f = [](double v) { return Fixed4::fromDouble(v); };
    EXPECT_FALSE(ratioMinAboveMax(f(2), f(3), f(2), f(3)));      // equal
    EXPECT_TRUE(ratioMinAboveMax(f(2), f(3), f(0.6666), f(1)));  // 0.66666… > 0.6666
    EXPECT_FALSE(ratioMinAboveMax(f(2), f(0), f(4), f(2)));      // 2 : (1) against 4 : 2
    EXPECT_TRUE(ratioMinAboveMax(f(3), f(0), f(5), f(2)));
    EXPECT_FALSE(ratioMinAboveMax(f(30), f(1), f(0), f(0)));  // no maximum
}

}  // namespace
}  // namespace vexa
