#pragma once
// Windows-style settings files ("[Section]" lines, "Key=Value" lines). Used for VEXA.INI and for
// a workspace's DB.def. Writing touches only the keys written: every other line, comment, blank
// line and unknown section stays byte for byte as it was read, so files written by other
// programs (or by hand) survive a save.
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vexa {

class IniFile {
public:
    enum class Encoding { Utf8, Cp1252 };

    IniFile() = default;

    // A missing file gives an empty document; an unreadable one throws std::runtime_error.
    static IniFile load(const std::filesystem::path& file);
    // Text as read from disk: UTF-8 when valid, otherwise taken as Windows code page 1252.
    static IniFile parse(std::string_view bytes);

    // Sections and keys are matched without regard to (ASCII) case; the first match wins.
    std::optional<std::string> value(std::string_view section, std::string_view key) const;
    std::string readString(std::string_view section, std::string_view key,
                           std::string_view fallback = {}) const;
    // Whole number at the start of the value (leading blanks allowed); fallback otherwise.
    long long readInt(std::string_view section, std::string_view key, long long fallback) const;

    // Replaces the value of an existing key in place, or adds the key at the end of its section
    // (the section is appended when missing).
    void writeString(std::string_view section, std::string_view key, std::string_view value);
    void writeInt(std::string_view section, std::string_view key, long long value);

    // Written through a temporary file beside the target and renamed over it, so a failed write
    // never leaves a truncated file. Throws std::runtime_error on failure.
    void save(const std::filesystem::path& file) const;

    // The bytes save() writes: the original encoding when every line still fits it.
    std::string serialize() const;
    // All lines as UTF-8, joined with the file's line ending.
    std::string text() const;
    Encoding encoding() const { return encoding_; }

private:
    struct Location {
        int sectionLine = -1;  // line of "[Section]", -1 when missing
        int keyLine = -1;      // line of the key, -1 when missing
        int insertAt = -1;     // where a new key of that section goes
    };
    Location locate(std::string_view section, std::string_view key) const;

    std::vector<std::string> lines_;  // UTF-8, without line ending
    std::string eol_ = "\r\n";
    bool finalEol_ = true;
    Encoding encoding_ = Encoding::Utf8;
    bool bom_ = false;
};

}  // namespace vexa
