#include "store/container/block_codec.h"

#include "store/container/archive_layout.h"

#include <libdeflate.h>

namespace vexa::vxf {

BlockDeflater::BlockDeflater() : compressor_(libdeflate_alloc_compressor(1)) {
    if (!compressor_) failDeflate();
}

BlockDeflater::~BlockDeflater() {
    if (compressor_) libdeflate_free_compressor(compressor_);
}

void BlockDeflater::compress(const std::uint8_t* data, std::size_t size,
                             std::vector<std::uint8_t>& out) {
    out.resize(libdeflate_zlib_compress_bound(compressor_, size));
    const std::size_t written =
        libdeflate_zlib_compress(compressor_, data, size, out.data(), out.size());
    if (written == 0) failDeflate();
    out.resize(written);
}

BlockInflater::BlockInflater() {
    if (inflateInit(&stream_) != Z_OK) failInflate();
}

BlockInflater::~BlockInflater() {
    inflateEnd(&stream_);
}

std::size_t BlockInflater::inflate(const std::uint8_t* data, std::size_t size, std::uint8_t* out,
                                   std::size_t limit) {
    if (inflateReset(&stream_) != Z_OK) failInflate();
    stream_.next_in = const_cast<Bytef*>(data);
    stream_.avail_in = static_cast<uInt>(size);
    stream_.next_out = out;
    stream_.avail_out = static_cast<uInt>(limit);
    // With all input and all room given at once, anything but the end of the stream means
    // damaged data, missing data, or more output than a block may hold.
    if (::inflate(&stream_, Z_FINISH) != Z_STREAM_END) failInflate();
    return stream_.total_out;
}

}  // namespace vexa::vxf
