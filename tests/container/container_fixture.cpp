#include "container_fixture.h"

#include <zlib.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <random>

#include "store/container/block_check.h"
#include "store/container/extended_float.h"

namespace vexa::testing {

namespace fs = std::filesystem;

Bytes readBytes(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), {});
}

void writeBytes(const fs::path& file, const Bytes& bytes) {
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

Bytes textBytes(const std::string& text) {
    return Bytes(text.begin(), text.end());
}

Bytes tableLikeBytes(std::size_t size, std::uint32_t seed) {
    Bytes out(size);
    std::minstd_rand rng(seed);
    static const char* words[] = {"Maiz amarillo  ", "Harina de soya ", "Sorgo grano    ",
                                  "Afrecho trigo  ", "Carbonato Ca   ", "Sal comun      "};
    for (std::size_t i = 0; i < size;) {
        std::uint32_t r = rng();
        const char* w = words[r % 6];
        for (std::size_t k = 0; k < 15 && i < size; ++k) out[i++] = std::uint8_t(w[k]);
        for (int k = 0; k < 8 && i < size; ++k) out[i++] = std::uint8_t((r >> (k * 3)) & 0x0F);
        for (int k = 0; k < 9 && i < size; ++k) out[i++] = 0;
    }
    return out;
}

Bytes noiseBytes(std::size_t size, std::uint32_t seed) {
    Bytes out(size);
    std::mt19937 rng(seed);
    for (auto& b : out) b = std::uint8_t(rng() >> 24);
    return out;
}

std::uint32_t u32At(const Bytes& bytes, std::size_t offset) {
    return std::uint32_t(bytes.at(offset)) | std::uint32_t(bytes.at(offset + 1)) << 8 |
           std::uint32_t(bytes.at(offset + 2)) << 16 | std::uint32_t(bytes.at(offset + 3)) << 24;
}

std::int32_t i32At(const Bytes& bytes, std::size_t offset) {
    return std::int32_t(u32At(bytes, offset));
}

double extendedAt(const Bytes& bytes, std::size_t offset) {
    (void)bytes.at(offset + 9);
    return vxf::decodeExtended(bytes.data() + offset);
}

void putU32At(Bytes& bytes, std::size_t offset, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) bytes.at(offset + i) = std::uint8_t(value >> (8 * i));
}

Bytes zlibCompress(const Bytes& raw) {
    uLongf size = compressBound(uLong(raw.size()));
    Bytes out(size);
    EXPECT_EQ(compress2(out.data(), &size, raw.data(), uLong(raw.size()), 6), Z_OK);
    out.resize(size);
    return out;
}

Bytes zlibInflate(const Bytes& stream, std::size_t rawSize) {
    Bytes out(rawSize);
    uLongf size = uLongf(rawSize);
    EXPECT_EQ(uncompress(out.data(), &size, stream.data(), uLong(stream.size())), Z_OK);
    out.resize(size);
    return out;
}

namespace {

void append(Bytes& out, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) out.push_back(std::uint8_t(v >> (8 * i)));
}

void appendExtended(Bytes& out, double v) {
    auto e = vxf::encodeExtended(v);
    out.insert(out.end(), e.begin(), e.end());
}

}  // namespace

BuiltEntry makeEntry(std::string name, Bytes data, bool compress) {
    BuiltEntry e;
    e.name = std::move(name);
    e.data = std::move(data);
    e.compress = compress;
    return e;
}

Bytes buildArchive(const BuiltArchive& a) {
    Bytes out(273 + a.comment.size(), 0);
    std::uint64_t sumSize = 0, sumStored = 0;
    for (const BuiltEntry& e : a.entries) {
        std::uint32_t offset = std::uint32_t(out.size());
        std::vector<BuiltEntry::RawBlock> blocks;
        if (e.blocks) {
            blocks = *e.blocks;
        } else {
            for (std::size_t at = 0; at < e.data.size(); at += a.blockSize) {
                Bytes raw(e.data.begin() + at,
                          e.data.begin() + std::min(e.data.size(), at + a.blockSize));
                Bytes packed = e.compress ? zlibCompress(raw) : Bytes{};
                if (e.compress && packed.size() < raw.size())
                    blocks.push_back({std::int32_t(packed.size()), packed, {}});
                else
                    blocks.push_back({-std::int32_t(raw.size()), raw, {}});
            }
        }
        std::uint32_t stored = 0;
        for (const auto& b : blocks) stored += std::uint32_t(b.stored.size() + 8);
        std::uint32_t size = e.size.value_or(std::uint32_t(e.data.size()));
        append(out, e.nameLength.value_or(std::uint32_t(e.name.size())));
        out.insert(out.end(), e.name.begin(), e.name.end());
        appendExtended(out, e.date);
        append(out, e.attributes);
        out.push_back(1);
        out.push_back(0);
        append(out, e.offset.value_or(offset));
        append(out, 0);
        out.push_back(e.flags);
        append(out, size);
        append(out, stored);
        append(out, size);
        append(out, e.segCompressedSize.value_or(stored));
        for (const auto& b : blocks) {
            append(out, std::uint32_t(b.length));
            append(out, b.check.value_or(vxf::blockCheck(b.stored.data(), b.stored.size())));
            out.insert(out.end(), b.stored.begin(), b.stored.end());
        }
        sumSize += size;
        sumStored += stored;
    }
    std::uint32_t count = a.fileCount.value_or(std::uint32_t(a.entries.size()));
    Bytes h;
    append(h, 0x1238);
    append(h, std::uint32_t(a.version));
    append(h, 0xABCD);
    append(h, a.blockSize);
    append(h, a.endOffset.value_or(std::uint32_t(out.size())));
    append(h, 1);
    h.push_back(a.flags);
    append(h, count);
    appendExtended(h, double(sumSize));
    appendExtended(h, double(sumStored));
    append(h, count);
    appendExtended(h, double(sumSize));
    appendExtended(h, double(sumStored));
    h.resize(269, 0);
    append(h, a.commentLength.value_or(std::uint32_t(a.comment.size())));
    h.insert(h.end(), a.comment.begin(), a.comment.end());
    std::copy(h.begin(), h.end(), out.begin());
    return out;
}

Bytes buildWorkspace(const Bytes& inner, const std::string& outerName, const std::string& comment) {
    BuiltArchive outer;
    outer.flags = 0x16;
    outer.comment = comment;
    BuiltEntry e;
    e.name = outerName;
    e.data = inner;
    e.compress = true;
    outer.entries.push_back(e);
    return buildArchive(outer);
}

std::vector<BlockAt> blocksOf(const Bytes& archive) {
    std::vector<BlockAt> out;
    std::size_t at = 273 + u32At(archive, 269);
    std::size_t end = u32At(archive, 16);
    for (std::size_t entry = 0; at < end; ++entry) {
        std::size_t n = u32At(archive, at);
        std::size_t data = at + 45 + n;
        std::size_t stop = data + u32At(archive, at + 41 + n);
        while (data < stop) {
            std::int32_t length = i32At(archive, data);
            out.push_back({entry, data, length});
            data += 8 + std::size_t(length < 0 ? -std::int64_t(length) : length);
        }
        at = stop;
    }
    return out;
}

Bytes innerOf(const Bytes& workspace) {
    Bytes inner;
    for (const BlockAt& b : blocksOf(workspace)) {
        std::size_t size = std::size_t(b.length < 0 ? -std::int64_t(b.length) : b.length);
        Bytes stored(workspace.begin() + b.offset + 8, workspace.begin() + b.offset + 8 + size);
        Bytes raw = b.length < 0 ? stored : zlibInflate(stored, 100000);
        inner.insert(inner.end(), raw.begin(), raw.end());
    }
    return inner;
}

void ContainerTest::SetUp() {
    std::string pattern = (fs::temp_directory_path() / "vexa-container-XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    root_ = pattern;
    tmp_ = root_ / "tmp";
    fs::create_directories(tmp_);
    if (const char* old = std::getenv("TMPDIR")) {
        hadTmp_ = true;
        oldTmp_ = old;
    }
    setenv("TMPDIR", tmp_.c_str(), 1);
}

void ContainerTest::TearDown() {
    if (hadTmp_)
        setenv("TMPDIR", oldTmp_.c_str(), 1);
    else
        unsetenv("TMPDIR");
    std::error_code ec;
    // Read-only files restored by a test must not stop the clean-up.
    for (auto& p : fs::recursive_directory_iterator(root_, ec))
        fs::permissions(p.path(), fs::perms::owner_all, fs::perm_options::add, ec);
    fs::remove_all(root_, ec);
}

std::vector<std::string> ContainerTest::names(const fs::path& folder) {
    std::vector<std::string> found;
    std::error_code ec;
    for (const auto& p : fs::directory_iterator(folder, ec)) found.push_back(p.path().filename());
    std::sort(found.begin(), found.end());
    return found;
}

}  // namespace vexa::testing
