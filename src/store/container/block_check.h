#pragma once
// The check stored with every block. It is not the standard CRC-32: the table of the
// standard reflected CRC-32 is addressed by byte offset instead of by entry, so each
// step reads four bytes straddling two table entries.
#include <cstddef>
#include <cstdint>

namespace vexa::vxf {

std::uint32_t blockCheck(const std::uint8_t* data, std::size_t size);

}  // namespace vexa::vxf
