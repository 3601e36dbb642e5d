#include "engine/report_document.h"

#include "engine/text_format.h"
#include "engine/utf8.h"

#include <algorithm>
#include <cmath>

namespace vexa {

namespace {

// Splits on "\r\n" (and a lone "\n", so texts written either way give the same lines).
std::vector<std::string> splitLines(std::string_view text) {
    std::vector<std::string> parts;
    size_t start = 0;
    for (;;) {
        size_t nl = text.find('\n', start);
        if (nl == std::string_view::npos) {
            parts.emplace_back(text.substr(start));
            return parts;
        }
        size_t end = nl;
        if (end > start && text[end - 1] == '\r') --end;
        parts.emplace_back(text.substr(start, end - start));
        start = nl + 1;
    }
}

}  // namespace

void MemoryReportDocument::AppendLine(std::string_view text) {
    for (auto& part : splitLines(text)) {
        ReportLine line;
        line.text = std::move(part);
        lines_.push_back(std::move(line));
    }
}

void MemoryReportDocument::AppendSelected(std::string_view text) {
    int first = LineCount();
    AppendLine(text);
    Select(first, LineCount());
}

void MemoryReportDocument::Select(int firstLine, int endLine) {
    int n = LineCount();
    selFirst_ = std::clamp(firstLine, 0, n);
    selEnd_ = std::clamp(endLine, selFirst_, n);
}

void MemoryReportDocument::ClearSelection() {
    selFirst_ = selEnd_ = 0;
}

void MemoryReportDocument::SetSelectionColor(Rgb color) {
    for (int i = selFirst_; i < selEnd_; ++i) lines_[static_cast<size_t>(i)].color = color;
}

void MemoryReportDocument::SetSelectionSize(int pointSize) {
    for (int i = selFirst_; i < selEnd_; ++i) lines_[static_cast<size_t>(i)].pointSize = pointSize;
}

void MemoryReportDocument::SetSelectionFont(std::string_view font) {
    for (int i = selFirst_; i < selEnd_; ++i) lines_[static_cast<size_t>(i)].font = font;
}

// An unmatched EndUpdate is harmless: the document is simply shown.
void MemoryReportDocument::EndUpdate() {
    if (updateDepth_ > 0) --updateDepth_;
}

void MemoryReportDocument::Clear() {
    lines_.clear();
    selFirst_ = selEnd_ = 0;
}

std::string MemoryReportDocument::Text() const {
    std::string out;
    for (const auto& l : lines_) {
        out += l.text;
        out += '\n';
    }
    return out;
}

std::string RepeatChar(int count, char c) {
    return count > 0 ? std::string(static_cast<size_t>(count), c) : std::string();
}

std::string UnderlinePattern(const std::vector<int>& lengths) {
    std::string out;
    for (size_t i = 0; i < lengths.size(); ++i)
        out += RepeatChar(lengths[i], i % 2 == 0 ? '=' : ' ');
    return out;
}

// The unit follows the size of the amount, whatever its sign.
std::string FormatWeight(double kg) {
    double mag = std::fabs(kg);
    std::string text;
    if (mag < 1)
        text = formatText("%10.4f %s", {kg * 1000, std::string("g.")});
    else if (mag < 1000)
        text = formatText("%10.4f %s", {kg, std::string("Kg")});
    else
        text = formatText("%10.4f %s", {kg / 1000, std::string("TM")});
    return text.size() > 20 ? text.substr(0, 20) : text;
}

void WriteHeading(ReportDocument& doc, std::string_view text, Rgb color) {
    doc.AppendSelected(text);
    doc.SetSelectionColor(color);
    doc.ClearSelection();
}

void WriteTitleBlock(ReportDocument& doc, std::string_view title, const ReportIdentity& who) {
    doc.BeginUpdate();
    doc.AppendSelected(utf8Prefix(title, 60));
    doc.SetSelectionColor(kBlue);
    doc.SetSelectionSize(16);
    doc.SetSelectionFont("Arial");
    doc.ClearSelection();
    doc.AppendLine("");
    if (!who.userName.empty())
        doc.AppendLine(formatText(" Formulador/Productor: %s", {who.userName}));
    if (!who.company.empty())
        doc.AppendLine(formatText("Compañia/Razón social: %s", {who.company}));
    if (!who.farm.empty()) doc.AppendLine(formatText("       Granja/Establo: %s", {who.farm}));
    doc.AppendLine("");
    doc.EndUpdate();
}

}  // namespace vexa
