// Batch scaling and the batch report, on tables built by hand.
#include "engine/batch_preparation.h"
#include "engine/text_format.h"

#include <gtest/gtest.h>

#include "test_paths.h"

#include <filesystem>
#include <fstream>
#include <sstream>

namespace vexa {
namespace {

BatchRow row(const std::string& name, int red, double perUnit, double price, double ms = 0,
             double dryShare = 0) {
    BatchRow r;
    r.Insumo = name;
    r.Red = red;
    r.ValorRed = perUnit;
    r.Precio = Fixed4::fromDouble(price);
    r.MS = Fixed4::fromDouble(ms);
    r.BS = Fixed4::fromDouble(dryShare);
    return r;
}

BatchTable asFed(std::vector<BatchRow> rows) {
    BatchTable t;
    t.rows = std::move(rows);
    for (const auto& r : t.rows) t.scaleSum += r.ValorRed;
    return t;
}

// Two ingredients at 50 % of the dry ration with 80 % and 50 % dry matter.
BatchTable dryTable() {
    BatchTable t;
    t.dryMatter = true;
    t.rows = {row("Maíz", 0, 62.5, 0.25, 80, 50), row("Ensilaje", 0, 100, 0.1, 50, 50)};
    t.scaleSum = 162.5;
    t.drySum = Fixed4::fromInt(100);
    return t;
}

std::filesystem::path goldenDir() {
    return std::filesystem::path(VEXA_SOURCE_DIR) / "tests" / "workflows" / "mix";
}

std::string readFile(const std::string& name) {
    std::ifstream in(goldenDir() / name, std::ios::binary);
    EXPECT_TRUE(in) << "missing golden file " << name;
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

TEST(BatchScaling, RoundsHalfAwayFromZeroToTheIngredientStep) {
    struct Case {
        double x;
        int red;
        double want;
    } cases[] = {{1234.5, 1, 1230}, {1235, 1, 1240},  {12.5, 0, 13},         {-12.5, 0, -13},
                 {11.5, 0, 12},     {12.49, 0, 12},   {0.12345, -4, 0.1235}, {123.4, 1, 120},
                 {150, 2, 200},     {149.99, 2, 100}, {600, 0, 600}};
    for (const Case& c : cases)
        EXPECT_DOUBLE_EQ(RoundToStep(c.x, c.red), c.want) << c.x << " Red " << c.red;
}

TEST(BatchScaling, ScalesRoundsAndSharesOnTheRoundedTotal) {
    struct Case {
        const char* what;
        std::vector<BatchRow> rows;
        double quantity;
        std::vector<double> kg, share;
        double total;
    } cases[] = {
        {"60/40 at 1000 kg",
         {row("A", 0, 60, 2), row("B", 0, 40, 1)},
         1000,
         {600, 400},
         {60, 40},
         1000},
        {"Red 1, 1234.5 kg", {row("A", 1, 100, 1)}, 1234.5, {1230}, {100}, 1230},
        {"Red 1, 1235 kg", {row("A", 1, 100, 1)}, 1235, {1240}, {100}, 1240},
        {"Red 0, 12.5 kg", {row("A", 0, 50, 1), row("B", 0, 50, 1)}, 25, {13, 13}, {50, 50}, 26},
        // Rounding moves the total away from the quantity: the shares follow the rounded one.
        {"rounded total",
         {row("A", 2, 55, 1), row("B", 2, 45, 1)},
         1000,
         {600, 500},
         {54.5455, 45.4545},
         1100},
    };
    for (auto& c : cases) {
        SCOPED_TRACE(c.what);
        BatchTable t = asFed(c.rows);
        ASSERT_EQ(ScaleBatch(t, c.quantity, BatchBasis::AsFed), "");
        for (size_t i = 0; i < c.kg.size(); ++i) {
            EXPECT_DOUBLE_EQ(t.rows[i].ValorRed, c.kg[i]);
            EXPECT_DOUBLE_EQ(t.rows[i].BFP, c.share[i]);
            EXPECT_EQ(t.rows[i].Costo, t.rows[i].Precio * Fixed4::fromDouble(c.kg[i]));
        }
        EXPECT_EQ(t.totalAsFed, Fixed4::fromDouble(c.total));
    }
}

TEST(BatchScaling, DryMatterRationAsFedAndOnDryBasis) {
    BatchTable t = dryTable();
    ASSERT_EQ(ScaleBatch(t, 1625, BatchBasis::AsFed), "");
    EXPECT_DOUBLE_EQ(t.rows[0].ValorRed, 625);
    EXPECT_DOUBLE_EQ(t.rows[1].ValorRed, 1000);
    EXPECT_EQ(t.rows[0].BS, Fixed4::fromInt(500));
    EXPECT_EQ(t.rows[1].BS, Fixed4::fromInt(500));
    EXPECT_EQ(t.totalDry, Fixed4::fromInt(1000));
    EXPECT_EQ(t.totalAsFed, Fixed4::fromInt(1625));

    BatchTable d = dryTable();
    ASSERT_EQ(ScaleBatch(d, 1000, BatchBasis::DryMatter), "");  // 1000 kg of dry matter
    EXPECT_EQ(d.totalDry, Fixed4::fromInt(1000));
    EXPECT_DOUBLE_EQ(d.rows[0].ValorRed, 625);
    EXPECT_DOUBLE_EQ(d.rows[1].ValorRed, 1000);
}

TEST(BatchScaling, NothingToDivideByLeavesTheTableAndSaysWhy) {
    struct Case {
        const char* what;
        BatchTable table;
        double quantity;
        BatchBasis basis;
    } cases[] = {
        {"zero scale sum", asFed({row("A", 0, 0, 1)}), 1000, BatchBasis::AsFed},
        {"empty ration", BatchTable{}, 1000, BatchBasis::AsFed},
        {"zero quantity", asFed({row("A", 0, 60, 1), row("B", 0, 40, 1)}), 0, BatchBasis::AsFed},
        {"rounded to nothing", asFed({row("A", 4, 60, 1), row("B", 4, 40, 1)}), 1000,
         BatchBasis::AsFed},
    };
    for (auto& c : cases) {
        SCOPED_TRACE(c.what);
        const BatchTable before = c.table;
        const std::string err = ScaleBatch(c.table, c.quantity, c.basis);
        EXPECT_NE(err.find("No se puede preparar el lote"), std::string::npos) << err;
        ASSERT_EQ(c.table.rows.size(), before.rows.size());
        for (size_t i = 0; i < before.rows.size(); ++i)
            EXPECT_EQ(c.table.rows[i].ValorRed, before.rows[i].ValorRed);
        EXPECT_EQ(c.table.totalAsFed, Fixed4());
    }
}

// The report laid out column by column as the format strings say.
TEST(BatchReport, GoldenTextsOnBothBases) {
    struct Case {
        const char* file;
        BatchTable table;
        double quantity;
        BatchBasis basis;
        std::string text, unit;
    } cases[] = {
        {"batch_as_fed.txt",
         asFed({row("Maíz amarillo", 0, 60, 0.25), row("Harina de soya 48%", 1, 40, 0.5)}), 1000,
         BatchBasis::AsFed, "1.000", "$/Kg"},
        {"batch_dry.txt", dryTable(), 1625, BatchBasis::AsFed, "1.625", "$"},
    };
    for (auto& c : cases) {
        SCOPED_TRACE(c.file);
        ASSERT_EQ(ScaleBatch(c.table, c.quantity, c.basis), "");
        MemoryReportDocument doc;
        WriteBatchTable(doc, c.table, c.text, c.basis, c.unit);
        if (const char* up = std::getenv("VEXA_UPDATE_GOLDEN"); up && *up == '1')
            std::ofstream(goldenDir() / c.file) << doc.Text();

        EXPECT_EQ(doc.Text(), readFile(c.file));
        EXPECT_EQ(doc.updateDepth(), 0);
    }
}

TEST(BatchReport, ColumnsLineUpUnderTheHeadings) {
    BatchTable t = asFed({row("Maíz", 0, 60, 0.25), row("Soya", 0, 40, 0.5)});
    ASSERT_EQ(ScaleBatch(t, 1000, BatchBasis::AsFed), "");
    MemoryReportDocument doc;
    WriteBatchTable(doc, t, "1000", BatchBasis::AsFed, "$");
    const auto& lines = doc.Lines();
    // Heading, "=", blank, quantity, blank, two headings, pattern, 2 rows, pattern, total, blank.
    ASSERT_EQ(lines.size(), 13u);
    EXPECT_EQ(lines[3].text, "La mezcla se realiza para 1000 Kg. en BASE FRESCA");
    EXPECT_EQ(lines[7].text, UnderlinePattern({25, 2, 14, 2, 8, 2, 10, 2, 10}));
    EXPECT_EQ(lines[8].text, formatText("%-25s  %14.4f  %8.4f  %10.4f  %10.4f",
                                        {std::string("Maíz"), 600.0, 60.0, 0.25, 150.0}));
    EXPECT_EQ(lines[11].text, formatText("%-25s  %14.4f  %8.4f  %22.4f",
                                         {std::string("TOTAL"), 1000.0, 100.0, 350.0}));
    // The price unit's field: 7 − (length + 1) div 2 wide, left-aligned when that is negative.
    struct Unit {
        std::string unit, tail;
    } units[] = {{"$", "      $"},
                 {"$/Kg", "     $/Kg"},
                 {"US$/Tonelada métrica", "   US$/Tonelada métrica"}};
    for (const Unit& u : units) {
        MemoryReportDocument d;
        WriteBatchTable(d, t, "1000", BatchBasis::AsFed, u.unit);
        EXPECT_EQ(d.Lines()[6].text, std::string(34, ' ') + "Kg.         %    " + u.tail);
    }
}

}  // namespace
}  // namespace vexa
