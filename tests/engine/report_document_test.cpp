#include "engine/report_document.h"

#include <gtest/gtest.h>

namespace vexa {
namespace {

TEST(MemoryReportDocument, AppendSplitsLinesAndSelects) {
    MemoryReportDocument doc;
    doc.AppendLine("Base de datos: x - Grupo: y\r\n      Fórmula: z\r\n Fecha y hora: t");
    doc.AppendLine("");
    ASSERT_EQ(doc.LineCount(), 4);
    EXPECT_EQ(doc.Lines()[1].text, "      Fórmula: z");
    EXPECT_EQ(doc.Lines()[3].text, "");
    EXPECT_EQ(doc.Text(), "Base de datos: x - Grupo: y\n      Fórmula: z\n Fecha y hora: t\n\n");

    // AppendSelected selects exactly what it appended, also when that is two lines.
    doc.AppendSelected("A\r\nB");
    doc.SetSelectionColor(kRed);
    doc.SetSelectionSize(11);
    doc.SetSelectionFont("Arial");
    doc.ClearSelection();
    doc.SetSelectionColor(kBlue);  // nothing selected: no effect
    doc.AppendLine("C");
    for (int i = 0; i < doc.LineCount(); ++i) {
        bool sel = i == 4 || i == 5;
        const auto& l = doc.Lines()[static_cast<size_t>(i)];
        EXPECT_EQ(l.color, sel ? kRed : kBlack) << i;
        EXPECT_EQ(l.pointSize, sel ? 11 : 0) << i;
        EXPECT_EQ(l.font, sel ? "Arial" : "") << i;
    }

    // A selection past the end is cut to the document.
    doc.Select(5, 99);
    doc.SetSelectionColor(kBlue);
    EXPECT_EQ(doc.Lines()[4].color, kRed);
    EXPECT_EQ(doc.Lines()[5].color, kBlue);
    EXPECT_EQ(doc.Lines()[6].color, kBlue);
    doc.Select(-3, 1);
    doc.SetSelectionSize(20);
    EXPECT_EQ(doc.Lines()[0].pointSize, 20);
    EXPECT_EQ(doc.Lines()[1].pointSize, 0);
    doc.Select(3, 2);  // reversed: empty
    doc.SetSelectionSize(30);
    for (const auto& l : doc.Lines()) EXPECT_NE(l.pointSize, 30);
}

TEST(MemoryReportDocument, ClearAndUpdateNesting) {
    MemoryReportDocument doc;
    EXPECT_EQ(doc.Text(), "");
    doc.BeginUpdate();
    doc.BeginUpdate();
    doc.AppendSelected("x");
    EXPECT_EQ(doc.updateDepth(), 2);
    doc.EndUpdate();
    EXPECT_EQ(doc.updateDepth(), 1);
    doc.EndUpdate();
    doc.EndUpdate();  // unmatched: stays at 0
    EXPECT_EQ(doc.updateDepth(), 0);
    doc.Clear();
    EXPECT_EQ(doc.LineCount(), 0);
    // The old selection does not reach lines appended after Clear.
    doc.AppendLine("y");
    doc.SetSelectionColor(kRed);
    EXPECT_EQ(doc.Lines()[0].color, kBlack);
}

TEST(ReportHelpers, RepeatAndUnderline) {
    EXPECT_EQ(RepeatChar(3, '='), "===");
    EXPECT_EQ(RepeatChar(0, '='), "");
    EXPECT_EQ(RepeatChar(-2, '='), "");
    EXPECT_EQ(UnderlinePattern({25, 2, 8}), std::string(25, '=') + "  " + std::string(8, '='));
    EXPECT_EQ(UnderlinePattern({5}), "=====");
    EXPECT_EQ(UnderlinePattern({}), "");
    EXPECT_EQ(UnderlinePattern({2, 1, 0, 1, 3}), "==  ===");
}

TEST(ReportHelpers, FormatWeightChoosesUnit) {
    struct {
        double kg;
        const char* text;
    } cases[] = {
        {0.25, "  250.0000 g."},
        {0.0, "    0.0000 g."},
        {0.99995, "  999.9500 g."},
        {1.0, "    1.0000 Kg"},
        {999.5, "  999.5000 Kg"},
        {1000.0, "    1.0000 TM"},
        {12345.678, "   12.3457 TM"},
        {-2.5, "   -2.5000 Kg"},
        {-0.5, " -500.0000 g."},
        // a width overflow is cut at 20 characters
        {1.23456789e13, "12345678900.0000 TM"},
        {1.23456789e14, "123456789000.0000 TM"},
        {1.23456789e15, "1234567890000.0000 T"},
    };
    for (const auto& c : cases) EXPECT_EQ(FormatWeight(c.kg), c.text) << c.kg;
}

TEST(ReportHelpers, WriteHeadingColoursOnlyItsLine) {
    MemoryReportDocument doc;
    doc.AppendLine("before");
    WriteHeading(doc, "SOLUCIÓN ÓPTIMA AL MÍNIMO COSTO");
    WriteHeading(doc, "rojo", kRed);
    doc.AppendLine("after");
    ASSERT_EQ(doc.LineCount(), 4);
    EXPECT_EQ(doc.Lines()[0].color, kBlack);
    EXPECT_EQ(doc.Lines()[1].color, kBlue);
    EXPECT_EQ(doc.Lines()[2].color, kRed);
    EXPECT_EQ(doc.Lines()[3].color, kBlack);
    EXPECT_EQ(doc.Lines()[1].pointSize, 0);
}

TEST(ReportHelpers, WriteTitleBlock) {
    // 70 characters, accented: cut to 60 characters, not bytes.
    std::string title;
    for (int i = 0; i < 7; ++i) title += "Fórmulaño" + std::to_string(i);
    MemoryReportDocument doc;
    WriteTitleBlock(doc, title, {});
    ASSERT_EQ(doc.LineCount(), 3);
    EXPECT_EQ(doc.Lines()[0].text, title.substr(0, title.find("Fórmulaño6")));
    EXPECT_EQ(doc.Lines()[0].color, kBlue);
    EXPECT_EQ(doc.Lines()[0].pointSize, 16);
    EXPECT_EQ(doc.Lines()[0].font, "Arial");
    EXPECT_EQ(doc.Lines()[1].text, "");
    EXPECT_EQ(doc.Lines()[1].color, kBlack);
    EXPECT_EQ(doc.Lines()[2].text, "");
    EXPECT_EQ(doc.updateDepth(), 0);

    doc.Clear();
    WriteTitleBlock(doc, "Vexa 3.0", {"Ana Pérez", "Agro S.A.", "La Loma"});
    EXPECT_EQ(doc.Text(),
              "Vexa 3.0\n"
              "\n"
              " Formulador/Productor: Ana Pérez\n"
              "Compañia/Razón social: Agro S.A.\n"
              "       Granja/Establo: La Loma\n"
              "\n");
    doc.Clear();
    WriteTitleBlock(doc, "Vexa", {"", "", "La Loma"});
    EXPECT_EQ(doc.Text(), "Vexa\n\n       Granja/Establo: La Loma\n\n");
    EXPECT_EQ(doc.Lines()[2].color, kBlack);
}

}  // namespace
}  // namespace vexa
