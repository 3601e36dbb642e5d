#pragma once
// zlib streams for single blocks, each stream kept for the whole archive and reset per
// block so that a folder of many blocks does not pay for a new stream each time.
#include <zlib.h>

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

    // One finished zlib stream of `size` bytes (level 6, 15-bit window, memory level 8,
    // default strategy) into `out`. Throws DeflateFailed.
    void compress(const std::uint8_t* data, std::size_t size, std::vector<std::uint8_t>& out);

private:
    z_stream stream_{};
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
