#include "store/ini_file.h"

#include "store/file_target.h"

#include "engine/utf8.h"
#include "store/container/cp1252.h"

#include <array>
#include <cerrno>
#include <charconv>
#include <cstring>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <system_error>

namespace vexa {

namespace {

#ifdef _WIN32
constexpr const char* kNativeEol = "\r\n";
#else
constexpr const char* kNativeEol = "\n";
#endif

std::string_view trim(std::string_view s) {
    const char* ws = " \t";
    auto b = s.find_first_not_of(ws);
    if (b == std::string_view::npos) return {};
    auto e = s.find_last_not_of(ws);
    return s.substr(b, e - b + 1);
}

bool equalsNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        unsigned char x = a[i], y = b[i];
        if (x >= 'A' && x <= 'Z') x += 32;
        if (y >= 'A' && y <= 'Z') y += 32;
        if (x != y) return false;
    }
    return true;
}

// "[Name]" (blanks allowed around), nullopt for any other line.
std::optional<std::string_view> sectionName(std::string_view line) {
    auto t = trim(line);
    if (t.size() < 2 || t.front() != '[') return std::nullopt;
    auto close = t.find(']');
    if (close == std::string_view::npos) return std::nullopt;
    return trim(t.substr(1, close - 1));
}

// Key of a "Key=Value" line; comments and lines without '=' have none.
std::optional<std::string_view> keyName(std::string_view line) {
    auto t = trim(line);
    if (t.empty() || t.front() == ';' || t.front() == '#' || t.front() == '[') return std::nullopt;
    auto eq = t.find('=');
    if (eq == std::string_view::npos) return std::nullopt;
    return trim(t.substr(0, eq));
}

std::string_view valueOf(std::string_view line) {
    auto v = trim(line.substr(line.find('=') + 1));
    // A value written in double quotes is given without them, as the Windows reader does.
    if (v.size() >= 2 && v.front() == '"' && v.back() == '"') v = v.substr(1, v.size() - 2);
    return v;
}

}  // namespace

IniFile IniFile::load(const std::filesystem::path& file) {
    std::error_code ec;
    if (!std::filesystem::exists(file, ec)) return IniFile{};
    std::ifstream in(file, std::ios::binary);
    if (!in) throw std::runtime_error("No se puede leer el archivo " + file.string());
    std::ostringstream ss;
    ss << in.rdbuf();
    return parse(ss.str());
}

IniFile IniFile::parse(std::string_view bytes) {
    IniFile f;
    f.eol_ = kNativeEol;
    if (bytes.substr(0, 3) == "\xEF\xBB\xBF") {
        f.bom_ = true;
        bytes.remove_prefix(3);
    }
    std::string text;
    if (isValidUtf8(bytes)) {
        text.assign(bytes);
    } else {
        f.encoding_ = Encoding::Cp1252;
        text = vxf::cp1252ToUtf8(bytes);
    }
    auto firstNl = text.find('\n');
    if (firstNl != std::string::npos)
        f.eol_ = (firstNl > 0 && text[firstNl - 1] == '\r') ? "\r\n" : "\n";
    f.finalEol_ = text.empty() || text.back() == '\n';
    size_t pos = 0;
    while (pos < text.size()) {
        auto nl = text.find('\n', pos);
        auto end = nl == std::string::npos ? text.size() : nl;
        std::string line = text.substr(pos, end - pos);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        f.lines_.push_back(std::move(line));
        pos = end + 1;
    }
    if (f.lines_.empty()) f.finalEol_ = true;
    return f;
}

IniFile::Location IniFile::locate(std::string_view section, std::string_view key) const {
    Location loc;
    bool inSection = false;
    for (int i = 0; i < static_cast<int>(lines_.size()); ++i) {
        const auto& line = lines_[i];
        if (auto s = sectionName(line)) {
            if (inSection) break;  // only the first section of that name is used
            inSection = equalsNoCase(*s, section);
            if (inSection) {
                loc.sectionLine = i;
                loc.insertAt = i + 1;
            }
            continue;
        }
        if (!inSection) continue;
        if (auto k = keyName(line)) {
            loc.insertAt = i + 1;
            if (equalsNoCase(*k, key)) {
                loc.keyLine = i;
                return loc;
            }
        } else if (!trim(line).empty()) {
            loc.insertAt = i + 1;  // keep comments of the section above the new key
        }
    }
    return loc;
}

std::optional<std::string> IniFile::value(std::string_view section, std::string_view key) const {
    auto loc = locate(section, key);
    if (loc.keyLine < 0) return std::nullopt;
    return std::string(valueOf(lines_[loc.keyLine]));
}

std::string IniFile::readString(std::string_view section, std::string_view key,
                                std::string_view fallback) const {
    auto v = value(section, key);
    return v ? *v : std::string(fallback);
}

long long IniFile::readInt(std::string_view section, std::string_view key,
                           long long fallback) const {
    auto v = value(section, key);
    if (!v) return fallback;
    auto t = trim(*v);
    long long out = 0;
    auto first = t.data();
    if (!t.empty() && t.front() == '+') ++first;
    auto [ptr, ec] = std::from_chars(first, t.data() + t.size(), out);
    if (ec != std::errc{} || ptr == first) return fallback;
    return out;
}

void IniFile::writeString(std::string_view section, std::string_view key, std::string_view value) {
    // A line break inside a value would end the line early and make the rest a stray line.
    std::string line = std::string(key) + "=";
    for (char c : value) line += (c == '\r' || c == '\n') ? ' ' : c;
    auto loc = locate(section, key);
    if (loc.keyLine >= 0) {
        lines_[loc.keyLine] = std::move(line);
        return;
    }
    if (loc.sectionLine >= 0) {
        lines_.insert(lines_.begin() + loc.insertAt, std::move(line));
        return;
    }
    if (!lines_.empty() && !trim(lines_.back()).empty()) lines_.emplace_back();
    std::string header = "[";
    header.append(section);
    header += ']';
    lines_.push_back(std::move(header));
    lines_.push_back(std::move(line));
}

void IniFile::writeInt(std::string_view section, std::string_view key, long long value) {
    writeString(section, key, std::to_string(value));
}

std::string IniFile::text() const {
    std::string out;
    for (size_t i = 0; i < lines_.size(); ++i) {
        out += lines_[i];
        if (i + 1 < lines_.size() || finalEol_) out += eol_;
    }
    return out;
}

std::string IniFile::serialize() const {
    std::string body = text();
    if (encoding_ == Encoding::Cp1252) {
        // A value that the old code page cannot hold turns the whole file into UTF-8.
        if (auto legacy = vxf::utf8ToCp1252(body)) return *legacy;
    }
    return bom_ ? "\xEF\xBB\xBF" + body : body;
}

void IniFile::save(const std::filesystem::path& file) const {
    if (std::string cause = writeWholeFile(file, serialize()); !cause.empty())
        throw std::runtime_error("No se puede escribir el archivo " + file.string() + ": " + cause);
}

}  // namespace vexa
