#pragma once
// Code page 1252, the single-byte Spanish code page of the earlier program's files: the names
// inside workspace files and the settings files it wrote. Everything else is UTF-8.
#include <optional>
#include <string>
#include <string_view>

namespace vexa::vxf {

// Every byte has a meaning (the five unassigned ones map to the C1 controls, as the
// system that wrote these files does), so decoding never fails.
std::string cp1252ToUtf8(std::string_view bytes);

// Empty optional when the text is not valid UTF-8 or holds a character code page 1252
// cannot carry.
std::optional<std::string> utf8ToCp1252(std::string_view text);

}  // namespace vexa::vxf
