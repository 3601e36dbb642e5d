#include "store/legacy/paradox_convert.h"

#include "store/schema.h"

// pxlib's header declares its functions without C linkage.
extern "C" {
#include <paradox.h>
}

#include <iconv.h>

#include <cctype>
#include <cstdio>
#include <map>
#include <memory>
#include <optional>

namespace vexa {

namespace fs = std::filesystem;

namespace {

std::string lower(std::string s) {
    for (auto& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

// pxlib's default handler exits the process; errors are kept instead and reported by the caller.
struct PxErrors {
    std::string message;
};

void keepError(pxdoc_t*, int level, const char* msg, void* data) {
    auto* errors = static_cast<PxErrors*>(data);
    if (level == PX_Warning || !errors) return;
    if (errors->message.empty()) errors->message = msg ? msg : "error";
}

struct PxDoc {
    pxdoc_t* doc = nullptr;
    PxErrors errors;
    PxDoc() { doc = PX_new2(keepError, nullptr, nullptr, nullptr); }
    ~PxDoc() {
        if (doc) {
            PX_close(doc);
            PX_delete(doc);
        }
    }
    PxDoc(const PxDoc&) = delete;
    PxDoc& operator=(const PxDoc&) = delete;
};

std::string decode(const char* text, int len, int codePage) {
    std::string in(text, static_cast<size_t>(std::max(len, 0)));
    if (auto z = in.find('\0'); z != std::string::npos) in.resize(z);
    bool ascii = true;
    for (unsigned char c : in) ascii = ascii && c < 0x80;
    if (ascii) return in;
    const char* from = codePage == 850 ? "CP850" : codePage == 437 ? "CP437" : "CP1252";
    iconv_t cd = iconv_open("UTF-8", from);
    if (cd == reinterpret_cast<iconv_t>(-1)) return in;
    std::string out(in.size() * 4 + 4, '\0');
    char* ip = in.data();
    size_t il = in.size();
    char* op = out.data();
    size_t ol = out.size();
    size_t r = iconv(cd, &ip, &il, &op, &ol);
    iconv_close(cd);
    if (r == static_cast<size_t>(-1)) return in;
    out.resize(out.size() - ol);
    return out;
}

// Days counted from 1 January of year 1 (day 1) to an ISO date.
std::string paradoxDate(long days) {
    long jd = days + 1721425;
    long a = jd + 32044;
    long b = (4 * a + 3) / 146097;
    long c = a - 146097 * b / 4;
    long d = (4 * c + 3) / 1461;
    long e = c - 1461 * d / 4;
    long m = (5 * e + 2) / 153;
    int day = static_cast<int>(e - (153 * m + 2) / 5 + 1);
    int month = static_cast<int>(m + 3 - 12 * (m / 10));
    long year = 100 * b + d - 4800 + m / 10;
    char buf[32];
    std::snprintf(buf, sizeof buf, "%04ld-%02d-%02d", year, month, day);
    return buf;
}

// The file's own header is checked against its size before pxlib trusts it.
void checkHeader(const fs::path& file) {
    std::error_code ec;
    auto size = fs::file_size(file, ec);
    if (ec || size < 0x58) throw std::runtime_error("el archivo está truncado");
    std::FILE* f = std::fopen(file.c_str(), "rb");
    if (!f) throw std::runtime_error("no se puede leer");
    unsigned char h[0x58];
    size_t got = std::fread(h, 1, sizeof h, f);
    std::fclose(f);
    if (got != sizeof h) throw std::runtime_error("el archivo está truncado");
    unsigned recordSize = h[0] | (h[1] << 8);
    unsigned headerSize = h[2] | (h[3] << 8);
    unsigned blockKb = h[5];
    unsigned long records =
        h[6] | (h[7] << 8) | (h[8] << 16) | (static_cast<unsigned long>(h[9]) << 24);
    unsigned blocksUsed = h[0xC] | (h[0xD] << 8);
    unsigned fields = h[0x21] | (h[0x22] << 8);
    if (recordSize == 0 || headerSize < 0x58 || headerSize > size || blockKb == 0 || blockKb > 32 ||
        fields == 0 || fields > 255)
        throw std::runtime_error("la cabecera no es válida");
    unsigned long long data = size - headerSize;
    if (static_cast<unsigned long long>(blocksUsed) * blockKb * 1024 > data + blockKb * 1024ull)
        throw std::runtime_error("la cabecera indica más bloques que los del archivo");
    if (static_cast<unsigned long long>(records) * recordSize > data)
        throw std::runtime_error("la cabecera indica más registros que los del archivo");
}

std::map<std::string, fs::path> paradoxFiles(const fs::path& folder) {
    std::map<std::string, fs::path> files;
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(folder, ec)) {
        if (lower(entry.path().extension().string()) != ".db") continue;
        files[lower(entry.path().stem().string())] = entry.path();
    }
    return files;
}

long copyTable(Database& db, const TableDef& table, const fs::path& file) {
    checkHeader(file);
    PxDoc px;
    if (!px.doc) throw std::runtime_error("sin memoria");
    px.doc->errorhandler = keepError;
    px.doc->errorhandler_user_data = &px.errors;
    if (PX_open_file(px.doc, file.c_str()) < 0)
        throw std::runtime_error(px.errors.message.empty() ? "no se puede abrir"
                                                           : px.errors.message);
    const int numFields = PX_get_num_fields(px.doc);
    pxfield_t* fields = PX_get_fields(px.doc);
    const int codePage = px.doc->px_head ? px.doc->px_head->px_doscodepage : 1252;
    std::vector<const FieldDef*> targets(static_cast<size_t>(numFields), nullptr);
    std::string cols, params;
    std::vector<int> offsets(static_cast<size_t>(numFields) + 1, 0);
    for (int i = 0; i < numFields; ++i)
        offsets[static_cast<size_t>(i) + 1] = offsets[static_cast<size_t>(i)] + fields[i].px_flen;
    if (offsets.back() > PX_get_recordsize(px.doc))
        throw std::runtime_error("los campos no caben en el registro");
    for (int i = 0; i < numFields; ++i) {
        switch (fields[i].px_ftype) {
            case pxfAlpha:
            case pxfDate:
            case pxfShort:
            case pxfLong:
            case pxfCurrency:
            case pxfNumber:
            case pxfLogical:
            case pxfMemoBLOb:
            case pxfFmtMemoBLOb:
            case pxfAutoInc:
            case pxfTimestamp:
            case pxfTime:
            case pxfBCD:
                break;
            default:
                throw std::runtime_error("el campo " + std::string(fields[i].px_fname) +
                                         " es de un tipo desconocido");
        }
        const FieldDef* f = table.field(fields[i].px_fname ? fields[i].px_fname : "");
        if (!f) continue;
        targets[static_cast<size_t>(i)] = f;
        if (!cols.empty()) {
            cols += ", ";
            params += ", ";
        }
        cols += "\"" + f->name + "\"";
        params += ":p" + std::to_string(i);
    }
    if (cols.empty()) return 0;
    auto insert =
        db.prepare("INSERT INTO \"" + table.name + "\" (" + cols + ") VALUES (" + params + ")");
    const int records = PX_get_num_records(px.doc);
    long rows = 0;
    std::vector<char> raw(static_cast<size_t>(std::max(PX_get_recordsize(px.doc), 1)));
    for (int r = 0; r < records; ++r) {
        // A field whose bytes are all zero is blank in these files, numbers too.
        if (!PX_get_record(px.doc, r, raw.data()))
            throw std::runtime_error("no se puede leer el registro " + std::to_string(r + 1));
        pxval_t** vals = PX_retrieve_record(px.doc, r);
        if (!vals)
            throw std::runtime_error("no se puede leer el registro " + std::to_string(r + 1) +
                                     (px.errors.message.empty() ? "" : ": " + px.errors.message));
        insert.reset();
        insert.clearBindings();
        for (int i = 0; i < numFields; ++i) {
            pxval_t* v = vals[i];
            const FieldDef* f = targets[static_cast<size_t>(i)];
            if (f && v) {
                const std::string p = ":p" + std::to_string(i);
                bool blank = true;
                for (int k = offsets[static_cast<size_t>(i)];
                     k < offsets[static_cast<size_t>(i) + 1]; ++k)
                    blank = blank && raw[static_cast<size_t>(k)] == 0;
                if (v->isnull || blank) {
                    insert.bindNull(p);
                } else {
                    switch (fields[i].px_ftype) {
                        case pxfAlpha:
                        case pxfMemoBLOb:
                        case pxfFmtMemoBLOb:
                            insert.bind(p, decode(v->value.str.val, v->value.str.len, codePage));
                            break;
                        case pxfDate:
                            insert.bind(p, paradoxDate(v->value.lval));
                            break;
                        case pxfCurrency:
                        case pxfNumber:
                        case pxfTimestamp:
                        case pxfTime:
                        case pxfBCD:
                            if (f->type == FieldType::Money)
                                insert.bind(p, Fixed4::fromDouble(v->value.dval));
                            else
                                insert.bind(p, v->value.dval);
                            break;
                        case pxfLogical:
                            insert.bind(p, v->value.lval != 0);
                            break;
                        default:
                            insert.bind(p, static_cast<int64_t>(v->value.lval));
                            break;
                    }
                }
            }
            if (v) {
                if (v->type == pxfAlpha || v->type == pxfMemoBLOb || v->type == pxfFmtMemoBLOb ||
                    v->type == pxfBCD)
                    px.doc->free(px.doc, v->value.str.val);
                px.doc->free(px.doc, v);
            }
        }
        px.doc->free(px.doc, vals);
        insert.execute();
        ++rows;
    }
    return rows;
}

}  // namespace

bool isParadoxFolder(const fs::path& folder) {
    std::error_code ec;
    return !fs::exists(databaseFile(folder), ec) && !paradoxFiles(folder).empty();
}

std::vector<LegacyTableCount> convertParadoxFolder(const fs::path& folder) {
    static const bool booted = (PX_boot(), true);
    (void)booted;
    auto files = paradoxFiles(folder);
    std::vector<LegacyTableCount> counts;
    try {
        Database db = createDatabase(folder);
        db.exec("BEGIN");
        for (const auto& table : schemaTables()) {
            auto it = files.find(lower(table.name));
            if (it == files.end()) continue;
            try {
                db.exec("DELETE FROM \"" + table.name + "\"");
                long rows = copyTable(db, table, it->second);
                counts.push_back({table.name, rows});
            } catch (const std::exception& e) {
                throw std::runtime_error("No se pudo convertir la tabla " + table.name + ": " +
                                         e.what());
            }
        }
        db.exec("COMMIT");
    } catch (...) {
        std::error_code ec;
        fs::remove(databaseFile(folder), ec);
        throw;
    }
    return counts;
}

}  // namespace vexa
