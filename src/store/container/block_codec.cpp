#include "store/container/block_codec.h"

#include "store/container/archive_layout.h"

namespace vexa::vxf {

BlockDeflater::BlockDeflater() {
    if (deflateInit2(&stream_, 6, Z_DEFLATED, 15, 8, Z_DEFAULT_STRATEGY) != Z_OK) failDeflate();
}

BlockDeflater::~BlockDeflater() {
    deflateEnd(&stream_);
}

void BlockDeflater::compress(const std::uint8_t* data, std::size_t size,
                             std::vector<std::uint8_t>& out) {
    if (deflateReset(&stream_) != Z_OK) failDeflate();
    out.resize(deflateBound(&stream_, static_cast<uLong>(size)));
    stream_.next_in = const_cast<Bytef*>(data);
    stream_.avail_in = static_cast<uInt>(size);
    stream_.next_out = out.data();
    stream_.avail_out = static_cast<uInt>(out.size());
    if (deflate(&stream_, Z_FINISH) != Z_STREAM_END) failDeflate();
    out.resize(stream_.total_out);
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
