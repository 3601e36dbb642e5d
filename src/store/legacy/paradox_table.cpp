#include "store/legacy/paradox_table.h"

#include "store/legacy/pxlib_loader.h"

#include <iconv.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>

namespace vexa {

namespace fs = std::filesystem;

namespace {

// pxlib's default handler prints and ends the process; the first error is kept instead.
void keepError(pxdoc_t*, int level, const char* msg, void* data) {
    auto* message = static_cast<std::string*>(data);
    if (level == PX_Warning || !message || !message->empty()) return;
    *message = msg ? msg : "error";
}

unsigned u16(const unsigned char* p) {
    return p[0] | (p[1] << 8);
}
uint32_t u32(const unsigned char* p) {
    return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

// Numbers are stored big-endian with the sign bit flipped, so that they sort as bytes.
int64_t storedInteger(const unsigned char* p, int n) {
    uint64_t v = p[0] ^ 0x80;
    for (int i = 1; i < n; ++i) v = (v << 8) | p[i];
    const uint64_t sign = uint64_t{1} << (8 * n - 1);
    return static_cast<int64_t>((v ^ sign) - sign);
}

double storedReal(const unsigned char* p) {
    unsigned char b[8];
    std::memcpy(b, p, 8);
    if (b[0] & 0x80)
        b[0] &= 0x7f;
    else
        for (auto& c : b) c = static_cast<unsigned char>(~c);
    uint64_t bits = 0;
    for (unsigned char c : b) bits = (bits << 8) | c;
    double d;
    std::memcpy(&d, &bits, sizeof d);
    return d;
}

// The exact width of each fixed-size type; text and memo fields give their own.
int fixedLength(int type) {
    switch (type) {
        case pxfShort:
            return 2;
        case pxfLong:
        case pxfAutoInc:
        case pxfDate:
        case pxfTime:
            return 4;
        case pxfCurrency:
        case pxfNumber:
        case pxfTimestamp:
            return 8;
        case pxfLogical:
            return 1;
        case pxfBCD:
            return 17;
        default:
            return 0;
    }
}

bool knownType(int type) {
    switch (type) {
        case pxfAlpha:
        case pxfDate:
        case pxfShort:
        case pxfLong:
        case pxfCurrency:
        case pxfNumber:
        case pxfLogical:
        case pxfMemoBLOb:
        case pxfBLOb:
        case pxfFmtMemoBLOb:
        case pxfOLE:
        case pxfGraphic:
        case pxfTime:
        case pxfTimestamp:
        case pxfAutoInc:
        case pxfBCD:
        case pxfBytes:
            return true;
        default:
            return false;
    }
}

bool isMemo(int type) {
    return type == pxfMemoBLOb || type == pxfFmtMemoBLOb;
}

// The data blocks form a list from the first block on. pxlib follows it without looking back,
// so a list that loops or leaves the file is refused here, and the records the blocks hold
// must be the records the header counts.
void checkBlockChain(const std::vector<char>& file) {
    const auto* h = reinterpret_cast<const unsigned char*>(file.data());
    const uint64_t size = file.size();
    const unsigned recordSize = u16(h);
    const uint64_t headerSize = u16(h + 2);
    const uint64_t block = h[5] * 1024ull;
    const uint64_t records = u32(h + 6);
    const unsigned blocks = u16(h + 0xC);
    std::vector<bool> seen(65536, false);
    uint64_t counted = 0;
    unsigned visited = 0;
    for (unsigned next = u16(h + 0xE); next != 0;) {
        const uint64_t at = headerSize + (next - 1ull) * block;
        if (seen[next] || ++visited > blocks || at + 6 > size)
            throw ParadoxError("la lista de bloques de datos está dañada");
        seen[next] = true;
        const unsigned char* b = h + at;
        const int used = static_cast<int16_t>(u16(b + 4));
        // A block holds (used / record size + 1) records; an emptied block says -record size.
        if (used >= 0 && static_cast<uint64_t>(used) + recordSize <= block - 6) {
            if (at + 6 + used + recordSize > size) throw ParadoxError("el archivo está truncado");
            counted += static_cast<uint64_t>(used) / recordSize + 1;
        } else if (used != -static_cast<int>(recordSize)) {
            throw ParadoxError("un bloque de datos indica más registros de los que caben en él");
        }
        next = u16(b);
    }
    if (counted != records)
        throw ParadoxError("la cabecera indica " + std::to_string(records) +
                           " registros y los bloques tienen " + std::to_string(counted));
}

// The header is checked against the file before pxlib reads a byte of it.
void checkHeader(const std::vector<char>& file) {
    const uint64_t size = file.size();
    if (size < 0x58) throw ParadoxError("el archivo está truncado");
    const auto* h = reinterpret_cast<const unsigned char*>(file.data());
    const unsigned recordSize = u16(h);
    const unsigned headerSize = u16(h + 2);
    const unsigned fileType = h[4];
    const unsigned blockKb = h[5];
    const uint64_t records = u32(h + 6);
    const unsigned blocks = u16(h + 0xC);
    const unsigned fields = u16(h + 0x21);
    if (fileType != pxfFileTypIndexDB && fileType != pxfFileTypNonIndexDB)
        throw ParadoxError("no es una tabla de datos");
    // Newer tables mark the first key as unused with FF00FF00 and keep the real one later.
    const uint32_t key1 = u32(h + 0x25);
    if ((key1 != 0 && key1 != 0xFF00FF00u) ||
        (size >= 0x60 && headerSize >= 0x60 && u32(h + 0x5C) != 0))
        throw ParadoxError("la tabla está cifrada");
    if (recordSize == 0 || headerSize < 0x58 || blockKb == 0 || blockKb > 32 || fields == 0 ||
        fields > 255)
        throw ParadoxError("la cabecera no es válida");
    if (headerSize > size) throw ParadoxError("el archivo está truncado");
    const uint64_t data = size - headerSize;
    const uint64_t block = blockKb * 1024ull;
    if (uint64_t{blocks} * block > data + block)
        throw ParadoxError("la cabecera indica más bloques de los que tiene el archivo");
    if (records * recordSize > data)
        throw ParadoxError("la cabecera indica más registros de los que tiene el archivo");
    // The field list (type and width per field) follows the header, after the data header
    // of newer versions; its widths must add up to the record size.
    const uint64_t fieldsAt = h[0x39] >= 5 ? 0x78 : 0x58;
    if (fieldsAt + 2ull * fields > headerSize) throw ParadoxError("la cabecera no es válida");
    unsigned widths = 0;
    for (unsigned i = 0; i < fields; ++i) widths += h[fieldsAt + 2 * i + 1];
    if (widths != recordSize)
        throw ParadoxError("el tamaño de registro de la cabecera no coincide con sus campos");
    checkBlockChain(file);
}

}  // namespace

struct ParadoxTable::Doc {
    // The whole file in memory: pxlib seeks before every record it reads, and on a file
    // each seek is a system call.
    std::vector<char> bytes;
    pxdoc_t* px = nullptr;
    std::string error;
    Doc() {
        px = vexa::legacy::pxlib().new2(keepError, nullptr, nullptr, nullptr);
        if (px) px->errorhandler_user_data = &error;
    }
    ~Doc() {
        if (px) vexa::legacy::pxlib().del(px);  // closes the files too
    }
    std::string cause(const std::string& fallback) const {
        return error.empty() ? fallback : error;
    }
};

ParadoxTable::ParadoxTable(const fs::path& file, const fs::path& memo)
    : doc_(std::make_unique<Doc>()) {
    {
        std::ifstream in(file, std::ios::binary);
        if (!in) throw ParadoxError("no se puede leer el archivo");
        doc_->bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
        if (in.bad()) throw ParadoxError("no se puede leer el archivo");
    }
    checkHeader(doc_->bytes);
    if (!doc_->px) throw ParadoxError("sin memoria");
    std::FILE* fp = fmemopen(doc_->bytes.data(), doc_->bytes.size(), "rb");
    if (!fp) throw ParadoxError("sin memoria");
    if (vexa::legacy::pxlib().openFp(doc_->px, fp) < 0) {
        // pxlib leaves a stream it could not open to its caller.
        if (doc_->px->px_stream) {
            doc_->px->free(doc_->px, doc_->px->px_stream);
            doc_->px->px_stream = nullptr;
        }
        std::fclose(fp);
        throw ParadoxError(doc_->cause("no se puede abrir la tabla"));
    }
    doc_->px->px_stream->close = 1;  // closed with the table
    pxhead_t* head = doc_->px->px_head;
    if (!head) throw ParadoxError("la cabecera no es válida");
    if (head->px_encryption != 0) throw ParadoxError("la tabla está cifrada");
    codePage_ = head->px_doscodepage;
    lastAutoInc_ = head->px_autoinc > 0 ? head->px_autoinc : 0;
    const int n = vexa::legacy::pxlib().numFields(doc_->px);
    pxfield_t* px = vexa::legacy::pxlib().fields(doc_->px);
    if (n <= 0 || !px) throw ParadoxError("la tabla no tiene campos");
    offsets_.assign(1, 0);
    for (int i = 0; i < n; ++i) {
        ParadoxField f{px[i].px_fname ? px[i].px_fname : "",
                       static_cast<unsigned char>(px[i].px_ftype), px[i].px_flen};
        if (!knownType(f.type))
            throw ParadoxError("el campo " + f.name + " es de un tipo desconocido (" +
                               std::to_string(f.type) + ")");
        const int want = fixedLength(f.type);
        if (f.length <= 0 || (want && f.length != want) || (isMemo(f.type) && f.length < 10))
            throw ParadoxError("el campo " + f.name + " tiene una longitud no válida");
        offsets_.push_back(offsets_.back() + f.length);
        fields_.push_back(std::move(f));
    }
    if (offsets_.back() != vexa::legacy::pxlib().recordSize(doc_->px))
        throw ParadoxError("el tamaño de registro de la cabecera no coincide con sus campos");
    records_ = vexa::legacy::pxlib().numRecords(doc_->px);
    raw_.resize(static_cast<size_t>(offsets_.back()));
    if (!memo.empty()) {
        memo_.open(memo, std::ios::binary);
        std::error_code ec;
        memoSize_ = fs::file_size(memo, ec);
        if (!memo_ || ec)
            throw ParadoxError("no se puede leer el archivo de memos " + memo.filename().string());
    }
}

ParadoxTable::~ParadoxTable() = default;

void ParadoxTable::read(int r, std::vector<ParadoxValue>& values) {
    const std::string where = "el registro " + std::to_string(r + 1);
    std::fill(raw_.begin(), raw_.end(), 0);
    if (!vexa::legacy::pxlib().record(doc_->px, r, raw_.data()))
        throw ParadoxError("no se puede leer " + where + ": " +
                           doc_->cause("el archivo está dañado"));
    values.resize(fields_.size());
    for (size_t i = 0; i < fields_.size(); ++i) {
        const ParadoxField& f = fields_[i];
        const auto* p = reinterpret_cast<const unsigned char*>(raw_.data()) + offsets_[i];
        ParadoxValue& v = values[i];
        v = ParadoxValue{};
        // A field whose bytes are all zero is blank, numbers too.
        bool blank = true;
        for (int k = 0; k < f.length && blank; ++k) blank = p[k] == 0;
        if (blank) continue;
        using K = ParadoxValue::Kind;
        switch (f.type) {
            case pxfAlpha: {
                std::string_view s(reinterpret_cast<const char*>(p), static_cast<size_t>(f.length));
                s = s.substr(0, s.find('\0'));
                v.kind = K::Text;
                v.text = decodeCodePage(s, codePage_);
                break;
            }
            case pxfShort:
                v.kind = K::Integer;
                v.integer = storedInteger(p, 2);
                break;
            case pxfLong:
            case pxfAutoInc:
                v.kind = K::Integer;
                v.integer = storedInteger(p, 4);
                break;
            case pxfDate:
                v.kind = K::Date;
                v.integer = storedInteger(p, 4);
                break;
            case pxfTime:
                v.kind = K::Time;
                v.real = static_cast<double>(storedInteger(p, 4));
                break;
            case pxfCurrency:
            case pxfNumber:
                v.kind = K::Real;
                v.real = storedReal(p);
                break;
            case pxfTimestamp:
                v.kind = K::Timestamp;
                v.real = storedReal(p);
                break;
            case pxfLogical:
                v.kind = K::Logical;
                v.integer = (p[0] & 0x7f) != 0;
                break;
            case pxfMemoBLOb:
            case pxfFmtMemoBLOb: {
                const int leader = f.length - 10;
                const uint32_t size = u32(p + leader + 4);
                if (size == 0) break;
                if (size <= static_cast<uint32_t>(leader)) {
                    v.kind = K::Text;
                    v.text = decodeCodePage(
                        std::string_view(reinterpret_cast<const char*>(p), size), codePage_);
                    break;
                }
                v.kind = K::Text;
                v.text = decodeCodePage(readMemo(p + leader, size, where), codePage_);
                break;
            }
            default:
                // BCD, bytes, pictures and other binary objects: no field of ours holds them.
                break;
        }
    }
}

// A memo kept in the .MB file. Its reference (offset with a slot number in the low byte, the
// length, a modification number) is checked against the file before anything is read, and
// the length against the block's own record of it.
std::string ParadoxTable::readMemo(const unsigned char* ref, uint32_t size,
                                   const std::string& where) {
    if (!memo_.is_open()) throw ParadoxError("falta el archivo de memos (.MB) que pide " + where);
    const std::string outside = "el memo de " + where + " no cabe en el archivo .MB";
    const uint64_t at = u32(ref) & 0xffffff00u;
    const unsigned slot = ref[0];
    if (at == 0 || at >= memoSize_ || size > memoSize_ - at) throw ParadoxError(outside);
    auto readAt = [&](uint64_t pos, char* out, size_t n) {
        if (pos > memoSize_ || n > memoSize_ - pos) throw ParadoxError(outside);
        memo_.clear();
        memo_.seekg(static_cast<std::streamoff>(pos));
        if (!memo_.read(out, static_cast<std::streamsize>(n)))
            throw ParadoxError("no se puede leer el memo de " + where);
    };
    unsigned char head[12];
    readAt(at, reinterpret_cast<char*>(head), 9);
    uint64_t start = 0;
    if (head[0] == 2) {
        // A block of its own: type, block count, length, modification number, then the text.
        if (slot != 0xff || u32(head + 3) != size)
            throw ParadoxError("el memo de " + where + " no coincide con el archivo .MB");
        start = at + 9;
    } else if (head[0] == 3) {
        // A shared block: a table of five-byte slots (start and length in 16-byte units).
        unsigned char entry[5];
        if (slot >= 64)
            throw ParadoxError("el memo de " + where + " no coincide con el archivo .MB");
        readAt(at + 12 + slot * 5ull, reinterpret_cast<char*>(entry), 5);
        if (entry[1] == 0 || (entry[1] - 1u) * 16u + entry[4] != size)
            throw ParadoxError("el memo de " + where + " no coincide con el archivo .MB");
        start = at + entry[0] * 16ull;
    } else {
        throw ParadoxError("el memo de " + where + " no coincide con el archivo .MB");
    }
    std::string text(size, '\0');
    readAt(start, text.data(), size);
    return text;
}

std::string decodeCodePage(std::string_view bytes, int codePage) {
    std::string in(bytes.substr(0, bytes.find('\0')));
    bool ascii = true;
    for (unsigned char c : in) ascii = ascii && c < 0x80;
    if (ascii) return in;
    std::string from = "CP1252";
    if (codePage == 850 || codePage == 437 || codePage == 852 || codePage == 860 ||
        codePage == 863 || codePage == 865 || codePage == 1250 || codePage == 1251)
        from = "CP" + std::to_string(codePage);
    iconv_t cd = iconv_open("UTF-8", from.c_str());
    if (cd == reinterpret_cast<iconv_t>(-1)) cd = iconv_open("UTF-8", "CP1252");
    std::string out(in.size() * 4 + 4, '\0');
    char* ip = in.data();
    size_t il = in.size();
    char* op = out.data();
    size_t ol = out.size();
    // A byte the code page does not define becomes "?" rather than ending the conversion.
    while (il > 0) {
        if (iconv(cd, &ip, &il, &op, &ol) != static_cast<size_t>(-1)) break;
        if (ol == 0) break;
        *op++ = '?';
        --ol;
        ++ip;
        --il;
    }
    iconv_close(cd);
    out.resize(out.size() - ol);
    return out;
}

std::string paradoxDateText(int64_t days) {
    // Day 1 is 1 January of year 1 (proleptic Gregorian): Julian day number = days + 1721425.
    const int64_t a = days + 1721425 + 32044;
    const int64_t b = (4 * a + 3) / 146097;
    const int64_t c = a - 146097 * b / 4;
    const int64_t d = (4 * c + 3) / 1461;
    const int64_t e = c - 1461 * d / 4;
    const int64_t m = (5 * e + 2) / 153;
    const int64_t day = e - (153 * m + 2) / 5 + 1;
    const int64_t month = m + 3 - 12 * (m / 10);
    const int64_t year = 100 * b + d - 4800 + m / 10;
    char buf[80];
    std::snprintf(buf, sizeof buf, "%04lld-%02lld-%02lld", static_cast<long long>(year),
                  static_cast<long long>(month), static_cast<long long>(day));
    return buf;
}

}  // namespace vexa
