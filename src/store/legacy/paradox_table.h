#pragma once
// One Paradox table of the earlier program, read with pxlib: its fields and its records as
// plain values. Files come from anyone, so every size the header states is checked against
// the file before pxlib is trusted with it, and errors are kept instead of ending the process.
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace vexa {

struct ParadoxValue {
    enum class Kind { Null, Integer, Real, Text, Logical, Date, Timestamp, Time };
    Kind kind = Kind::Null;
    int64_t integer = 0;  // Integer, Logical, Date (days from 1 January of year 1 as day 1)
    double real = 0;      // Real, Timestamp (milliseconds from that day), Time (ms of day)
    std::string text;     // Text, already UTF-8
};

struct ParadoxField {
    std::string name;
    int type = 0;  // pxlib's field type code
    int length = 0;
};

// Thrown with a Spanish cause ("el archivo está truncado") that the caller puts after the
// table's name.
class ParadoxError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class ParadoxTable {
public:
    // Opens `file`; `memo` is its .MB file, empty when there is none.
    ParadoxTable(const std::filesystem::path& file, const std::filesystem::path& memo);
    ~ParadoxTable();
    ParadoxTable(const ParadoxTable&) = delete;
    ParadoxTable& operator=(const ParadoxTable&) = delete;

    const std::vector<ParadoxField>& fields() const { return fields_; }
    int records() const { return records_; }
    // The last AutoInc value the table gave out, as its header keeps it (0: none).
    int64_t lastAutoInc() const { return lastAutoInc_; }
    // The values of record `r` (0-based), one per field.
    void read(int r, std::vector<ParadoxValue>& values);

private:
    std::string readMemo(const unsigned char* ref, uint32_t size, const std::string& where);
    struct Doc;
    std::unique_ptr<Doc> doc_;
    std::vector<ParadoxField> fields_;
    std::vector<int> offsets_;
    std::vector<char> raw_;
    int records_ = 0;
    int codePage_ = 1252;
    int64_t lastAutoInc_ = 0;
    std::ifstream memo_;
    uint64_t memoSize_ = 0;
};

// Single-byte text of a table's code page (1252, 850, 437...) to UTF-8.
std::string decodeCodePage(std::string_view bytes, int codePage);
// "YYYY-MM-DD" of a Paradox day number.
std::string paradoxDateText(int64_t days);

}  // namespace vexa
