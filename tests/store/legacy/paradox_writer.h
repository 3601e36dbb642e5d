#pragma once
// Paradox tables written with pxlib's own writer (tests and benchmarks), as the earlier program
// left them: one table written from columns and rows, or a whole database of ours written out table
// by table.
#include "store/schema.h"

// pxlib's header declares its functions without C linkage.
extern "C" {
#include <paradox.h>
}

#include <iconv.h>

#include <cctype>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace vexa::testing {

struct PxCol {
    std::string name;
    char type;
    int len;
};

using PxCell = std::optional<std::string>;  // text (UTF-8) or a number as text; empty: blank

// UTF-8 to a single-byte code page.
inline std::string toCodePage(const std::string& utf8, int codePage) {
    iconv_t cd = iconv_open(("CP" + std::to_string(codePage)).c_str(), "UTF-8");
    std::string in = utf8, out(in.size() + 4, '\0');
    char* ip = in.data();
    char* op = out.data();
    size_t il = in.size(), ol = out.size();
    iconv(cd, &ip, &il, &op, &ol);
    iconv_close(cd);
    out.resize(out.size() - ol);
    return out;
}

// Days of the Paradox calendar (1 January of year 1 is day 1) of "YYYY-MM-DD...".
inline long paradoxDays(const std::string& iso) {
    using namespace std::chrono;
    int y = 0, m = 0, d = 0;
    std::sscanf(iso.c_str(), "%d-%d-%d", &y, &m, &d);
    return static_cast<long>((sys_days{year{y} / m / d} - sys_days{year{1} / 1 / 1}).count() + 1);
}

// Milliseconds of the Paradox calendar of "YYYY-MM-DD HH:MM:SS".
inline double paradoxStamp(const std::string& iso) {
    int h = 0, mi = 0, s = 0;
    if (iso.size() > 11) std::sscanf(iso.c_str() + 11, "%d:%d:%d", &h, &mi, &s);
    return (static_cast<double>(paradoxDays(iso)) * 86400.0 + h * 3600 + mi * 60 + s) * 1000.0;
}

// Writes `file` (and its .MB when a column is a memo).
// autoInc: the header's next-code counter when it is above the codes in the rows (items
// created and deleted since); 0 leaves pxlib's own.
inline void writeParadoxTable(const std::filesystem::path& file, const std::vector<PxCol>& cols,
                              const std::vector<std::vector<PxCell>>& rows, int codePage = 1252,
                              int autoInc = 0) {
    pxdoc_t* doc = PX_new();
    auto* fields = static_cast<pxfield_t*>(std::malloc(sizeof(pxfield_t) * cols.size()));
    bool memo = false;
    for (size_t i = 0; i < cols.size(); ++i) {
        fields[i].px_fname = strdup(cols[i].name.c_str());
        fields[i].px_ftype = cols[i].type;
        fields[i].px_flen = cols[i].len;
        fields[i].px_fdc = 0;
        memo = memo || cols[i].type == pxfMemoBLOb;
    }
    if (PX_create_file(doc, fields, static_cast<int>(cols.size()), file.c_str(),
                       pxfFileTypNonIndexDB) < 0)
        throw std::runtime_error("pxlib cannot create " + file.string());
    PX_set_value(doc, "codepage", static_cast<float>(codePage));
    if (memo) {
        auto mb = file;
        mb.replace_extension(".MB");
        pxblob_t* blob = PX_new_blob(doc);
        if (PX_create_blob_file(blob, mb.c_str()) < 0)
            throw std::runtime_error("pxlib cannot create " + mb.string());
    }
    std::vector<char> data(static_cast<size_t>(PX_get_recordsize(doc)));
    for (const auto& row : rows) {
        std::fill(data.begin(), data.end(), 0);
        int off = 0;
        for (size_t i = 0; i < cols.size(); ++i) {
            char* at = data.data() + off;
            off += cols[i].len;
            if (!row[i]) continue;
            const std::string& v = *row[i];
            switch (cols[i].type) {
                case pxfAlpha: {
                    std::string bytes = toCodePage(v, codePage);
                    PX_put_data_alpha(doc, at, cols[i].len, bytes.data());
                    break;
                }
                case pxfMemoBLOb: {
                    std::string bytes = toCodePage(v, codePage);
                    PX_put_data_blob(doc, at, cols[i].len, bytes.data(),
                                     static_cast<int>(bytes.size()));
                    break;
                }
                case pxfShort:
                    PX_put_data_short(doc, at, 2, static_cast<short>(std::stoi(v)));
                    break;
                case pxfLogical:
                    PX_put_data_byte(doc, at, 1, static_cast<char>(std::stoi(v)));
                    break;
                case pxfLong:
                case pxfAutoInc:
                    PX_put_data_long(doc, at, 4, std::stoi(v));
                    break;
                case pxfDate:
                    PX_put_data_long(doc, at, 4, static_cast<int>(paradoxDays(v)));
                    break;
                case pxfTimestamp:
                    PX_put_data_double(doc, at, 8, paradoxStamp(v));
                    break;
                default:
                    PX_put_data_double(doc, at, 8, std::stod(v));
            }
        }
        PX_put_record(doc, data.data());
    }
    // PX_close closes the memo file but keeps its object.
    if (doc->px_blob) {
        PX_delete_blob(doc->px_blob);
        doc->px_blob = nullptr;
    }
    PX_close(doc);
    PX_delete(doc);
    if (autoInc > 0) {
        // pxlib's writer leaves the counter at 0: set it in the header (offset 0x49).
        std::fstream f(file, std::ios::in | std::ios::out | std::ios::binary);
        f.seekp(0x49);
        const unsigned char le[4] = {static_cast<unsigned char>(autoInc & 0xff),
                                     static_cast<unsigned char>((autoInc >> 8) & 0xff),
                                     static_cast<unsigned char>((autoInc >> 16) & 0xff),
                                     static_cast<unsigned char>((autoInc >> 24) & 0xff)};
        f.write(reinterpret_cast<const char*>(le), 4);
    }
}

// How a field of ours is kept by the earlier program's tables.
inline PxCol paradoxColumn(const FieldDef& f) {
    switch (f.type) {
        case FieldType::AutoInc:
            return {f.name, pxfAutoInc, 4};
        case FieldType::Integer:
            return {f.name, pxfLong, 4};
        case FieldType::Smallint:
            return {f.name, pxfShort, 2};
        case FieldType::Float:
            return {f.name, pxfNumber, 8};
        case FieldType::Money:
            return {f.name, pxfCurrency, 8};
        case FieldType::Boolean:
            return {f.name, pxfLogical, 1};
        case FieldType::Date:
            return {f.name, pxfDate, 4};
        case FieldType::DateTime:
            return {f.name, pxfTimestamp, 8};
        case FieldType::String:
            return {f.name, pxfAlpha, f.size};
    }
    return {f.name, pxfAlpha, 1};
}

// A value of row `s` as the writer takes it.
inline PxCell paradoxCell(const Statement& s, int i, const FieldDef& f) {
    if (s.isNull(i)) return std::nullopt;
    char buf[64];
    switch (f.type) {
        case FieldType::Float:
            std::snprintf(buf, sizeof buf, "%.17g", s.getDouble(i));
            return std::string(buf);
        case FieldType::Money:
            std::snprintf(buf, sizeof buf, "%.4f", s.getFixed4(i).toDouble());
            return std::string(buf);
        case FieldType::AutoInc:
        case FieldType::Integer:
        case FieldType::Smallint:
        case FieldType::Boolean:
            return std::to_string(s.getInt64(i));
        default:
            return s.getText(i);
    }
}

struct PxOptions {
    std::map<std::string, int> codePages;               // by table; 1252 otherwise
    std::map<std::string, std::vector<PxCol>> columns;  // a table's own column kinds (memos)
    std::vector<std::string> skip;                      // tables an older layout lacked
    std::string fileCase = "upper";                     // "upper": INS.DB, "mixed": Ins.DB
};

// Every table of `db` written as Paradox tables into `folder`.
inline void writeParadoxDatabase(Database& db, const std::filesystem::path& folder,
                                 const PxOptions& o = {}) {
    for (const TableDef& t : schemaTables()) {
        bool skipped = false;
        for (const auto& n : o.skip) skipped = skipped || n == t.name;
        if (skipped) continue;
        std::vector<PxCol> cols;
        for (const auto& f : t.fields) cols.push_back(paradoxColumn(f));
        if (auto it = o.columns.find(t.name); it != o.columns.end())
            for (const auto& c : it->second)
                for (auto& col : cols)
                    if (col.name == c.name) col = c;
        std::vector<std::vector<PxCell>> rows;
        auto s = db.prepare("SELECT * FROM \"" + t.name + "\"");
        while (s.step()) {
            std::vector<PxCell> row;
            for (size_t i = 0; i < t.fields.size(); ++i)
                row.push_back(paradoxCell(s, static_cast<int>(i), t.fields[i]));
            rows.push_back(std::move(row));
        }
        std::string name = t.name;
        if (o.fileCase == "upper")
            for (auto& c : name) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        auto cp = o.codePages.find(t.name);
        writeParadoxTable(folder / (name + ".DB"), cols, rows,
                          cp == o.codePages.end() ? 1252 : cp->second);
    }
}

}  // namespace vexa::testing
