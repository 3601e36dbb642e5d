#include "store/report_file.h"

#include "store/file_target.h"

#include "engine/utf8.h"

#include <cstdio>
#include <fstream>
#include <stdexcept>
#include <vector>

namespace vexa {

namespace {

// Next code point of a UTF-8 text; a malformed byte stands for itself.
char32_t codePointOrByte(std::string_view s, size_t& i) {
    if (auto cp = nextCodePoint(s, i)) return *cp;
    return static_cast<unsigned char>(s[i++]);
}

void appendUnicode(std::string& out, unsigned value) {
    // \uN takes a signed 16-bit number; '?' is what a reader without Unicode shows.
    out += "\\u" + std::to_string(static_cast<int16_t>(static_cast<uint16_t>(value))) + "?";
}

std::string rtfEscape(std::string_view text) {
    std::string out;
    for (size_t i = 0; i < text.size();) {
        char32_t cp = codePointOrByte(text, i);
        if (cp == '\\' || cp == '{' || cp == '}') {
            out += '\\';
            out += static_cast<char>(cp);
        } else if (cp == '\t') {
            out += "\\tab ";
        } else if (cp < 0x80) {
            out += static_cast<char>(cp);
        } else if (cp <= 0xFFFF) {
            appendUnicode(out, static_cast<unsigned>(cp));
        } else {
            const char32_t v = cp - 0x10000;
            appendUnicode(out, 0xD800 + static_cast<unsigned>(v >> 10));
            appendUnicode(out, 0xDC00 + static_cast<unsigned>(v & 0x3FF));
        }
    }
    return out;
}

template <typename T>
int indexOf(std::vector<T>& list, const T& value) {
    for (size_t i = 0; i < list.size(); ++i)
        if (list[i] == value) return static_cast<int>(i);
    list.push_back(value);
    return static_cast<int>(list.size() - 1);
}

}  // namespace

std::string reportAsText(const ReportDocument& doc) {
    std::string out;
    for (const ReportLine& line : doc.Lines()) {
        out += line.text;
        out += '\n';
    }
    return withoutControlCharacters(std::move(out));
}

std::string reportAsRtf(const ReportDocument& doc, std::string_view defaultFont,
                        int defaultPointSize) {
    std::vector<std::string> fonts{std::string(defaultFont)};
    std::vector<Rgb> colors{kBlack};
    struct Run {
        int font, color, halfPoints;
    };
    std::vector<Run> runs;
    for (const ReportLine& line : doc.Lines()) {
        const int font = line.font.empty() ? 0 : indexOf(fonts, line.font);
        const int color = indexOf(colors, line.color);
        const int size = line.pointSize > 0 ? line.pointSize : defaultPointSize;
        runs.push_back({font, color, size * 2});
    }

    std::string out = "{\\rtf1\\ansi\\ansicpg1252\\deff0\\uc1\n{\\fonttbl";
    for (size_t i = 0; i < fonts.size(); ++i) {
        // The first font is the document's fixed-pitch one; the columns depend on it.
        out += "{\\f" + std::to_string(i) + (i == 0 ? "\\fmodern\\fprq1" : "\\fnil") +
               "\\fcharset0 " + rtfEscape(fonts[i]) + ";}";
    }
    out += "}\n{\\colortbl";
    for (const Rgb& c : colors)
        out += "\\red" + std::to_string(c.r) + "\\green" + std::to_string(c.g) + "\\blue" +
               std::to_string(c.b) + ";";
    out += "}\n\\pard\\plain\\f0\\fs" + std::to_string(defaultPointSize * 2) + "\n";
    const auto& lines = doc.Lines();
    for (size_t i = 0; i < lines.size(); ++i) {
        const Run& r = runs[i];
        out += "{\\f" + std::to_string(r.font) + "\\cf" + std::to_string(r.color) + "\\fs" +
               std::to_string(r.halfPoints) + " " + rtfEscape(lines[i].text) + "}\\par\n";
    }
    out += "}\n";
    return out;
}

void GuardarReporteArchivo(const ReportDocument& doc, const std::filesystem::path& file,
                           ReportFileFormat format) {
    const std::string content =
        format == ReportFileFormat::PlainText ? reportAsText(doc) : reportAsRtf(doc);
    if (std::string cause = writeWholeFile(file, content); !cause.empty())
        throw std::runtime_error("No se pudo guardar el reporte en " + file.string() + ": " +
                                 cause);
}

}  // namespace vexa
