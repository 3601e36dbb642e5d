#pragma once
// zlib streams for single blocks: written by libdeflate (the whole block at once, a compressor
// kept for the whole archive), read with zlib, a stream kept and reset per block so that a
// folder of many blocks does not pay for a new one each time.
#include <zlib.h>

struct libdeflate_compressor;

#include <cstddef>
#include <cstdint>
#include <vector>

namespace vexa::vxf {

class BlockDeflater {
public:
    BlockDeflater();  // throws DeflateFailed when zlib cannot start
    ~BlockDeflater();
    BlockDeflater(const BlockDeflater&) = delete;
    BlockDeflater& operator=(const BlockDeflater&) = delete;

    // One finished zlib stream of `size` bytes into `out`: libdeflate's level 1, whose speed
    // a save of a large workspace needs and whose size stays within a few percent of zlib's
    // usual level 6. Throws DeflateFailed.
    void compress(const std::uint8_t* data, std::size_t size, std::vector<std::uint8_t>& out);

private:
    libdeflate_compressor* compressor_ = nullptr;
};

class BlockInflater {
public:
    BlockInflater();  // throws InflateFailed when zlib cannot start
    ~BlockInflater();
    BlockInflater(const BlockInflater&) = delete;
    BlockInflater& operator=(const BlockInflater&) = delete;

    // Inflates one whole zlib stream into `out`, which never grows past `limit` bytes:
    // a stream that does not end within `limit` bytes of output, or is damaged, throws
    // InflateFailed. Returns the number of bytes produced.
    std::size_t inflate(const std::uint8_t* data, std::size_t size, std::uint8_t* out,
                        std::size_t limit);

private:
    z_stream stream_{};
};

}  // namespace vexa::vxf
