#pragma once
// Layout rules for printing a report document, apart from any printer API: where the text goes
// on the page and which lines make up each page. Distances are in twips (1/1440 inch). The
// desktop program measures the lines and the printer, and renders what this plans.
#include "engine/report_document.h"

#include <cstdint>
#include <functional>
#include <vector>

namespace vexa {

inline constexpr int32_t kTwipsPerInch = 1440;

// The printer as the print job sees it.
struct PrinterGeometry {
    int32_t pageWidth = 0;  // the physical page
    int32_t pageHeight = 0;
    int32_t offsetX = 0;  // physical offset of the printable area from the page corner
    int32_t offsetY = 0;
};

struct TwipsRect {
    int32_t left = 0, top = 0, right = 0, bottom = 0;
    int32_t width() const { return right - left; }
    int32_t height() const { return bottom - top; }
    friend bool operator==(const TwipsRect&, const TwipsRect&) = default;
};

// The text rectangle, relative to the printer's drawing origin: an inch narrower and an inch
// shorter than the page, its corner at the physical offset plus 700 twips in each direction.
TwipsRect PrintTextRect(const PrinterGeometry& printer);

// One printed page: lines [firstLine, endLine) and the characters they hold, counting one
// character per line break, as a rich-text control numbers them.
struct PrintPage {
    int32_t firstLine = 0, endLine = 0;
    int64_t firstChar = 0, endChar = 0;
    friend bool operator==(const PrintPage&, const PrintPage&) = default;
};

// First pass of the print job: as many whole lines on each page as fit in `textHeight`; a line
// taller than a page has a page of its own. `lineHeight` measures a line in twips. An empty
// document prints one empty page.
std::vector<PrintPage> PaginateDocument(
    const ReportDocument& doc, int32_t textHeight,
    const std::function<int32_t(const ReportLine&)>& lineHeight);

}  // namespace vexa
