#pragma once
// Names inside workspace files are single-byte code page 1252; on disk they are UTF-8.
#include <optional>
#include <string>

namespace vexa::vxf {

// Every byte has a meaning (the five unassigned ones map to the C1 controls, as the
// system that wrote these files does), so decoding never fails.
std::string cp1252ToUtf8(const std::string& bytes);

// Empty optional when the text is not valid UTF-8 or holds a character code page 1252
// cannot carry.
std::optional<std::string> utf8ToCp1252(const std::string& text);

}  // namespace vexa::vxf
