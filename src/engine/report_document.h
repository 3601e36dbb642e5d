#pragma once
// The report document: a list of lines with colour, size and font attributes. The engine and
// the mixing windows append to it; the desktop program renders it as rich text.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace vexa {

struct Rgb {
    uint8_t r = 0, g = 0, b = 0;
    friend bool operator==(const Rgb&, const Rgb&) = default;
};
inline constexpr Rgb kBlack{0, 0, 0};
inline constexpr Rgb kBlue{0, 0, 255};
inline constexpr Rgb kRed{255, 0, 0};

struct ReportLine {
    std::string text;  // UTF-8, without line ending
    Rgb color = kBlack;
    int pointSize = 0;  // 0: the document's default
    std::string font;   // empty: the document's default (fixed pitch)
};

// Interface the writers use. A selection is a range of whole lines [first, last).
class ReportDocument {
public:
    virtual ~ReportDocument() = default;
    virtual void AppendLine(std::string_view text) = 0;      // "\r\n" inside splits lines
    virtual void AppendSelected(std::string_view text) = 0;  // appends and selects it
    virtual void Select(int firstLine, int endLine) = 0;
    virtual void ClearSelection() = 0;
    virtual void SetSelectionColor(Rgb color) = 0;
    virtual void SetSelectionSize(int pointSize) = 0;
    virtual void SetSelectionFont(std::string_view font) = 0;
    virtual void BeginUpdate() = 0;
    virtual void EndUpdate() = 0;
    virtual void Clear() = 0;
    virtual int LineCount() const = 0;
    virtual const std::vector<ReportLine>& Lines() const = 0;
};

// Plain in-memory document: what the tests and the command-line program write into.
class MemoryReportDocument : public ReportDocument {
public:
    void AppendLine(std::string_view text) override;
    void AppendSelected(std::string_view text) override;
    void Select(int firstLine, int endLine) override;
    void ClearSelection() override;
    void SetSelectionColor(Rgb color) override;
    void SetSelectionSize(int pointSize) override;
    void SetSelectionFont(std::string_view font) override;
    void BeginUpdate() override { ++updateDepth_; }
    void EndUpdate() override;
    void Clear() override;
    int LineCount() const override { return static_cast<int>(lines_.size()); }
    const std::vector<ReportLine>& Lines() const override { return lines_; }
    // All lines joined with "\n", a final "\n" after the last.
    std::string Text() const;
    int updateDepth() const { return updateDepth_; }

private:
    std::vector<ReportLine> lines_;
    int selFirst_ = 0, selEnd_ = 0;
    int updateDepth_ = 0;
};

// Shared writing helpers.
std::string RepeatChar(int count, char c);
std::string UnderlinePattern(const std::vector<int>& lengths);
std::string FormatWeight(double kg);
void WriteHeading(ReportDocument& doc, std::string_view text, Rgb color = kBlue);

// Who the reports are for; from the settings file in the program, empty in tests.
struct ReportIdentity {
    std::string userName, company, farm;
};
void WriteTitleBlock(ReportDocument& doc, std::string_view title, const ReportIdentity& who);

}  // namespace vexa
