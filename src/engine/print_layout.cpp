#include "engine/print_layout.h"

#include "engine/utf8.h"

namespace vexa {

TwipsRect PrintTextRect(const PrinterGeometry& printer) {
    TwipsRect r;
    r.left = printer.offsetX + 700;
    r.top = printer.offsetY + 700;
    r.right = r.left + printer.pageWidth - kTwipsPerInch;
    r.bottom = r.top + printer.pageHeight - kTwipsPerInch;
    return r;
}

std::vector<PrintPage> PaginateDocument(
    const ReportDocument& doc, int32_t textHeight,
    const std::function<int32_t(const ReportLine&)>& lineHeight) {
    std::vector<PrintPage> pages;
    const auto& lines = doc.Lines();
    PrintPage page;
    int64_t used = 0;
    int64_t chars = 0;
    for (int32_t i = 0; i < static_cast<int32_t>(lines.size()); ++i) {
        const int64_t h = lineHeight(lines[i]);
        if (page.endLine > page.firstLine && used + h > textHeight) {
            page.endChar = chars;
            pages.push_back(page);
            page = PrintPage{i, i, chars, chars};
            used = 0;
        }
        used += h;
        page.endLine = i + 1;
        chars += static_cast<int64_t>(utf8Length(lines[i].text)) + 1;
    }
    page.endChar = chars;
    pages.push_back(page);
    return pages;
}

}  // namespace vexa
