// libFuzzer target for the workspace unpacker. The first byte picks how the rest is
// used: as a file as it stands, as an archive whose block checks are first put right
// (so mutations reach the blocks and entries behind the checks), or as an inner archive
// wrapped in a sound outer one (so they reach the solid path and its temporary file).
// Besides crashes it stops on anything written outside the destination or left behind
// in the temporary folder.
#include <unistd.h>
#include <zlib.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "store/container/block_check.h"
#include "store/container/container.h"

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;

namespace {

std::uint32_t u32(const Bytes& b, std::size_t at) {
    return std::uint32_t(b[at]) | std::uint32_t(b[at + 1]) << 8 | std::uint32_t(b[at + 2]) << 16 |
           std::uint32_t(b[at + 3]) << 24;
}

void put32(Bytes& b, std::size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) b[at + i] = std::uint8_t(v >> (8 * i));
}

void put32(Bytes& out, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) out.push_back(std::uint8_t(v >> (8 * i)));
}

// Walks the archive as leniently as possible and rewrites every block check it reaches.
void fixChecks(Bytes& b) {
    if (b.size() < 273) return;
    std::uint64_t at = 273 + std::uint64_t(u32(b, 269));
    while (at + 45 <= b.size()) {
        std::uint64_t n = u32(b, at);
        if (at + 45 + n > b.size()) return;
        std::uint64_t data = at + 45 + n;
        std::uint64_t stored = u32(b, at + 41 + n);
        std::uint64_t end = data + stored;
        while (data + 8 <= b.size() && data + 8 <= end) {
            std::int64_t len = std::int32_t(u32(b, data));
            std::uint64_t abs = std::uint64_t(len < 0 ? -len : len);
            if (abs == 0 || data + 8 + abs > b.size()) return;
            put32(b, data + 4, vexa::vxf::blockCheck(b.data() + data + 8, abs));
            data += 8 + abs;
        }
        at = end;
    }
}

// A sound solid outer archive around `inner`, one block per 100000 bytes.
Bytes wrap(const Bytes& inner) {
    const std::string name = "~Archiv-1.tmp";
    Bytes out(273, 0);
    std::uint32_t entryAt = 273;
    Bytes blocks;
    for (std::size_t at = 0; at < inner.size(); at += 100000) {
        std::size_t n = std::min<std::size_t>(100000, inner.size() - at);
        uLongf size = compressBound(uLong(n));
        Bytes packed(size);
        compress2(packed.data(), &size, inner.data() + at, uLong(n), 6);
        packed.resize(size);
        bool useRaw = packed.size() >= n;
        const std::uint8_t* stored = useRaw ? inner.data() + at : packed.data();
        std::size_t storedSize = useRaw ? n : packed.size();
        put32(blocks, useRaw ? std::uint32_t(-std::int32_t(n)) : std::uint32_t(storedSize));
        put32(blocks, vexa::vxf::blockCheck(stored, storedSize));
        blocks.insert(blocks.end(), stored, stored + storedSize);
    }
    put32(out, std::uint32_t(name.size()));
    out.insert(out.end(), name.begin(), name.end());
    out.insert(out.end(), 10, 0);
    put32(out, 0x20);
    out.push_back(1);
    out.push_back(0);
    put32(out, entryAt);
    put32(out, 0);
    out.push_back(5);
    for (std::uint32_t v : {std::uint32_t(inner.size()), std::uint32_t(blocks.size()),
                            std::uint32_t(inner.size()), std::uint32_t(blocks.size())})
        put32(out, v);
    out.insert(out.end(), blocks.begin(), blocks.end());
    put32(out, 0, 0x1238);
    put32(out, 4, 1);
    put32(out, 12, 100000);
    put32(out, 16, std::uint32_t(out.size()));
    put32(out, 20, 1);
    out[24] = 0x16;
    put32(out, 25, 1);
    put32(out, 49, 1);
    return out;
}

struct Place {
    fs::path base, input, out, dest, tmp;
    Place() {
        // Memory-backed when the system has it: the target writes files on every run.
        fs::path top = fs::is_directory("/dev/shm") ? fs::path("/dev/shm") : fs::path("/tmp");
        base = top / ("vexa-fuzz-" + std::to_string(getpid()));
        input = base / "in.vxf";
        out = base / "out";
        dest = out / "dest";
        tmp = base / "tmp";
        fs::create_directories(tmp);
        setenv("TMPDIR", tmp.c_str(), 1);
        std::atexit([] {
            std::error_code ec;
            fs::remove_all(fs::path(std::getenv("TMPDIR")).parent_path(), ec);
        });
    }
};

bool onlyChild(const fs::path& folder, const std::string& name) {
    std::error_code ec;
    for (const auto& e : fs::directory_iterator(folder, ec))
        if (e.path().filename() != name) return false;
    return true;
}

class KeepGoing : public vexa::ContainerErrorHandler {
public:
    vexa::FileErrorAnswer onFileError(const std::string&, const vexa::ContainerError&) override {
        return vexa::FileErrorAnswer::Continue;
    }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static Place place;
    if (size == 0) return 0;
    Bytes file(data + 1, data + size);
    if ((data[0] & 0x7F) % 3 == 1) fixChecks(file);
    if ((data[0] & 0x7F) % 3 == 2) {
        fixChecks(file);
        file = wrap(file);
    }
    {
        std::ofstream o(place.input, std::ios::binary | std::ios::trunc);
        o.write(reinterpret_cast<const char*>(file.data()), std::streamsize(file.size()));
    }
    std::error_code ec;
    fs::create_directories(place.out, ec);
    KeepGoing keepGoing;
    try {
        vexa::unpackFile(place.input, place.dest, data[0] & 0x80 ? &keepGoing : nullptr);
    } catch (const vexa::ContainerError&) {
    }
    try {
        vexa::checkFile(place.input);
    } catch (const vexa::ContainerError&) {
    }
    (void)vexa::hasEntries(place.input);
    if (!onlyChild(place.out, "dest")) {
        std::fprintf(stderr, "written outside the destination folder\n");
        std::abort();
    }
    if (!fs::is_empty(place.tmp, ec)) {
        std::fprintf(stderr, "temporary file left behind\n");
        std::abort();
    }
    fs::remove_all(place.out, ec);
    return 0;
}
