#include "engine/print_layout.h"

#include <gtest/gtest.h>

namespace vexa {
namespace {

TEST(PrintLayout, TextRectangleIsAnInchSmallerAndSetIn700Twips) {
    // Letter paper (8.5 × 11 in) with a quarter-inch unprintable margin
    const PrinterGeometry letter{12240, 15840, 360, 360};
    EXPECT_EQ(PrintTextRect(letter), (TwipsRect{1060, 1060, 11860, 15460}));
    EXPECT_EQ(PrintTextRect(letter).width(), 12240 - 1440);
    EXPECT_EQ(PrintTextRect(letter).height(), 15840 - 1440);
    EXPECT_EQ(PrintTextRect(PrinterGeometry{11906, 16838, 0, 0}).left, 700);
}

TEST(PrintLayout, PagesHoldWholeLines) {
    MemoryReportDocument doc;
    for (const char* t : {"uno", "dos", "tres", "cuatro", "", "años"}) doc.AppendLine(t);
    auto height = [](const ReportLine& l) { return l.text == "cuatro" ? 500 : 200; };
    // 600 twips: three short lines fit, "cuatro" (500) goes alone, then the rest
    const auto pages = PaginateDocument(doc, 600, height);
    ASSERT_EQ(pages.size(), 3u);
    EXPECT_EQ(pages[0], (PrintPage{0, 3, 0, 13}));
    EXPECT_EQ(pages[1], (PrintPage{3, 4, 13, 20}));
    EXPECT_EQ(pages[2], (PrintPage{4, 6, 20, 26}));  // "años" counts 4 characters
    // a line taller than the page still prints, on a page of its own
    const auto tall = PaginateDocument(doc, 300, height);
    EXPECT_EQ(tall[3], (PrintPage{3, 4, 13, 20}));
    // an empty document is one empty page
    MemoryReportDocument empty;
    EXPECT_EQ(PaginateDocument(empty, 600, height), (std::vector<PrintPage>{PrintPage{}}));
}

}  // namespace
}  // namespace vexa
