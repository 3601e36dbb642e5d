// Every engine report for a small fixed formula, compared with its golden text under
// tests/data/engine. Set VEXA_UPDATE_GOLDEN=1 to rewrite the files after a deliberate change
// (and read the difference before committing it).
#include "engine/text_format.h"
#include "formula_builder.h"
#include "test_paths.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace vexa {
namespace {

using test::FormulaBuilder;
using test::MixRun;

FormulaBuilder pollo() {
    return FormulaBuilder("Pollo de engorde inicio")
        .ing(1, "Maíz amarillo", 0, 55, 0.245, {{3, 8.5}, {4, 3350}, {5, 0.02}, {6, 2.2}}, 88)
        .ing(2, "Pasta de soya", 0, 100, 0.45, {{3, 46}, {4, 2230}, {5, 0.3}, {6, 6}}, 89)
        .ing(3, "Aceite de soya", 0, 5, 1.2, {{4, 8800}}, 99)
        .ing(4, "Carbonato de calcio", 0, 100, 0.05, {{5, 38}}, 99)
        .ing(5, "Harina de pescado", 0, 100, 1.1, {{3, 62}, {4, 2800}, {5, 5}}, 92)
        .ing(6, "Premezcla vitamínica", 0.5, 0.5, 4, {{5, 10}}, 95)
        .nut(3, "Proteína cruda", "%", 22, 0)
        .nut(4, "Energía metabolizable", "kcal/kg", 3000, 0)
        .nut(5, "Calcio", "%", 0.9, 1.1)
        .nut(6, "Fibra cruda", "%", 0, 0)
        .feedWeight(1000);
}

class EngineReports : public ::testing::Test {
protected:
    void SetUp() override {
        saved_ = reportNumberFormat();
        setReportNumberFormat(NumberFormat{",", ".", "$", 2});
        setenv("TZ", "UTC", 1);
        tzset();
    }
    void TearDown() override { setReportNumberFormat(saved_); }

    static void mix(MixRun& r) {
        r->Now = [] { return std::chrono::system_clock::from_time_t(1765367100); };
        r.go();
    }

    static void expectGolden(const std::string& name, const std::string& text) {
        const auto path = std::filesystem::path(VEXA_TEST_DATA_DIR) / "engine" / name;
        if (const char* up = std::getenv("VEXA_UPDATE_GOLDEN"); up && *up == '1') {
            std::ofstream(path, std::ios::binary) << text;
            return;
        }
        std::ifstream in(path, std::ios::binary);
        ASSERT_TRUE(in) << "missing golden file " << path;
        std::ostringstream ss;
        ss << in.rdbuf();
        EXPECT_EQ(text, ss.str()) << "report differs from " << path;
    }

private:
    NumberFormat saved_;
};

TEST_F(EngineReports, SolutionWithHeader) {
    MixRun r(pollo().build());
    mix(r);
    r->Identity = {"Ana Pérez", "Granjas del Sur", "La Esperanza"};
    r->DatabaseName = "Demostración";
    r->WriteHeader();
    r->WriteSolution();
    expectGolden("solution.txt", r.doc.Text());
    // headings are blue, the title block too
    const auto& lines = r.doc.Lines();
    EXPECT_EQ(lines[0].color, kBlue);
    EXPECT_EQ(lines[0].pointSize, 16);
    EXPECT_EQ(lines[0].font, "Arial");
    auto heading = std::find_if(lines.begin(), lines.end(), [](const ReportLine& l) {
        return l.text == "SOLUCIÓN ÓPTIMA AL MÍNIMO COSTO";
    });
    ASSERT_NE(heading, lines.end());
    EXPECT_EQ(heading->color, kBlue);
    EXPECT_EQ((heading + 1)->color, kBlack);
}

TEST_F(EngineReports, DryMatterSolution) {
    MixRun r(pollo().dryMatter().build());
    mix(r);
    r->WriteSolution();
    expectGolden("solution_dry_matter.txt", r.doc.Text());
}

TEST_F(EngineReports, NutrientContribution) {
    MixRun r(pollo().build());
    mix(r);
    r->WriteNutrientContribution(false);
    r->WriteNutrientContribution(true);
    expectGolden("contribution.txt", r.doc.Text());
}

TEST_F(EngineReports, SensitivityReports) {
    MixRun r(pollo().build());
    mix(r);
    r->WriteIngredientSensitivity();
    r->WriteNutrientSensitivity();
    r->WritePriceSensitivity();
    expectGolden("sensitivity.txt", r.doc.Text());
}

TEST_F(EngineReports, AlternativeSolutionWithDiagnosis) {
    // protein out of reach with soybean meal held to 30 % and no fish meal
    Formula f = pollo().build();
    f.ingredients[1].max = Fixed4::fromInt(30);
    f.ingredients.erase(f.ingredients.begin() + 4);  // no fish meal
    f.ingredients[0].min = Fixed4::fromInt(65);
    f.ingredients[0].max = Fixed4::fromInt(100);
    MixRun r(f);
    mix(r);
    ASSERT_FALSE(r->Feasible);
    r->WriteSolution();
    r->WriteNutrientSensitivity();
    expectGolden("alternative.txt", r.doc.Text());
}

// The ratio section of the solution report and the ratio lines of the nutrient sensitivity: a
// binding ratio (energy to protein at most 132 : 1), one without value (calcium to sodium, no
// ingredient has sodium), then an alternative ration whose diagnosis names an unreachable ratio.
TEST_F(EngineReports, RatioSectionSensitivityAndDiagnosis) {
    MixRun r(pollo()
                 .nut(7, "Sodio", "%", 0, 0)
                 .ratio(1, "Energía : Proteína", 4, 3, 130, 1, 264, 2)
                 .ratio(2, "Calcio : Sodio", 5, 7, 1, 0)
                 .build());
    mix(r);
    EXPECT_TRUE(r->Feasible);
    EXPECT_GT(r.rel(1).Sensib, Fixed4());
    r->WriteSolution();
    r->WriteNutrientSensitivity();
    MixRun bad(pollo().ratio(1, "Energía : Proteína", 4, 3, 200, 1).build());
    mix(bad);
    EXPECT_FALSE(bad->Feasible);
    bad->WriteSolution();
    expectGolden("ratios.txt", r.doc.Text() + bad.doc.Text());
}

TEST_F(EngineReports, AskingTwiceAppendsTwice) {
    MixRun r(pollo().build());
    mix(r);
    r->WritePriceSensitivity();
    const std::string once = r.doc.Text();
    r->WritePriceSensitivity();
    EXPECT_EQ(r.doc.Text(), once + once);
}

TEST_F(EngineReports, HeaderRespectsAppendReport) {
    MixRun r(pollo().build());
    mix(r);
    for (int i = 0; i < 10; ++i) r.doc.AppendLine("línea");
    r->AppendReport = true;
    r->WriteHeader();
    EXPECT_EQ(r.doc.LineCount(), 11);
    EXPECT_EQ(r.doc.Lines().back().text, "");
    r->AppendReport = false;
    r->ProductTitle = std::string(70, 'V');
    r->WriteHeader();
    EXPECT_EQ(r.doc.Lines()[0].text, std::string(60, 'V'));
}

TEST_F(EngineReports, ContributionRunsInBlocksOfFiveNutrients) {
    FormulaBuilder b;
    b.ing(1, "A", 0, 100, 1, {{1, 1}});
    for (int n = 1; n <= 12; ++n) {
        std::string name = "N";
        name += std::to_string(n);
        b.nut(n, name, "%", 0, 0);
    }
    MixRun r(b.build());
    mix(r);
    r->WriteNutrientContribution(false);
    std::vector<size_t> columns;
    for (const auto& l : r.doc.Lines())
        if (l.text.rfind("Insumos", 0) == 0) columns.push_back((l.text.size() - 25) / 11);
    EXPECT_EQ(columns, (std::vector<size_t>{5, 5, 2}));
}

}  // namespace
}  // namespace vexa
