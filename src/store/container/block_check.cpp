#include "store/container/block_check.h"

#include <array>

namespace vexa::vxf {

namespace {

struct CheckTable {
    std::array<std::uint32_t, 256> at{};
    CheckTable() {
        std::array<std::uint8_t, 1024> image{};
        for (std::uint32_t k = 0; k < 256; ++k) {
            std::uint32_t c = k;
            for (int bit = 0; bit < 8; ++bit) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            for (int b = 0; b < 4; ++b) image[4 * k + b] = static_cast<std::uint8_t>(c >> (8 * b));
        }
        // Offsets 0..255 read bytes 0..258, always inside the 1024-byte image.
        for (std::size_t i = 0; i < 256; ++i)
            at[i] = std::uint32_t(image[i]) | std::uint32_t(image[i + 1]) << 8 |
                    std::uint32_t(image[i + 2]) << 16 | std::uint32_t(image[i + 3]) << 24;
    }
};

}  // namespace

std::uint32_t blockCheck(const std::uint8_t* data, std::size_t size) {
    static const CheckTable table;
    std::uint32_t r = 0xFFFFFFFFu;
    for (std::size_t n = 0; n < size; ++n) r = (r >> 8) ^ table.at[(r ^ data[n]) & 0xFF];
    return ~r;
}

}  // namespace vexa::vxf
