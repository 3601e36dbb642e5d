#pragma once
// Dates in workspace files: days since 30 December 1899 with the time of day as the
// fraction, in local time, to 2 seconds (the resolution of the files that carry them).
#include <filesystem>
#include <optional>

namespace vexa::vxf {

double fileTimeToDays(std::filesystem::file_time_type time);

// Empty optional for values that are no date (NaN, infinities, outside the years 1900 to 2399).
std::optional<std::filesystem::file_time_type> daysToFileTime(double days);

}  // namespace vexa::vxf
