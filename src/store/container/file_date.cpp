#include "store/container/file_date.h"

#include <chrono>
#include <cmath>
#include <ctime>

namespace vexa::vxf {

namespace {

constexpr int kSecondsPerDay = 86400;
// The file clock covers a few centuries only; dates outside these are not restored.
constexpr double kFirstDay = 2;      // 1 January 1900
constexpr double kLastDay = 182623;  // 1 January 2400

std::chrono::days dayNumber(int y, unsigned m, unsigned d) {
    using namespace std::chrono;
    return sys_days{year{y} / month{m} / day{d}}.time_since_epoch() -
           sys_days{year{1899} / December / 30}.time_since_epoch();
}

}  // namespace

double fileTimeToDays(std::filesystem::file_time_type time) {
    using namespace std::chrono;
    auto sys = time_point_cast<seconds>(file_clock::to_sys(time));
    std::time_t t = system_clock::to_time_t(sys);
    std::tm local{};
    localtime_r(&t, &local);
    int secondsOfDay = local.tm_hour * 3600 + local.tm_min * 60 + (local.tm_sec & ~1);
    double whole = dayNumber(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday).count();
    double fraction = double(secondsOfDay) / kSecondsPerDay;
    // Before the epoch the day counts down while the time of day still counts up.
    return whole < 0 ? whole - fraction : whole + fraction;
}

std::optional<std::filesystem::file_time_type> daysToFileTime(double days) {
    using namespace std::chrono;
    if (!std::isfinite(days) || days < kFirstDay || days > kLastDay) return std::nullopt;
    double whole = std::trunc(days);
    long seconds = std::lround(std::fabs(days - whole) * kSecondsPerDay);
    long dayCount = static_cast<long>(whole);
    if (seconds >= kSecondsPerDay) {
        seconds -= kSecondsPerDay;
        dayCount += days < 0 ? -1 : 1;
    }
    year_month_day ymd{sys_days{year{1899} / December / 30} + std::chrono::days{dayCount}};
    std::tm local{};
    local.tm_year = int(ymd.year()) - 1900;
    local.tm_mon = int(unsigned(ymd.month())) - 1;
    local.tm_mday = int(unsigned(ymd.day()));
    local.tm_hour = int(seconds / 3600);
    local.tm_min = int(seconds / 60 % 60);
    local.tm_sec = int(seconds % 60);
    local.tm_isdst = -1;
    std::time_t t = std::mktime(&local);
    if (t == std::time_t(-1)) return std::nullopt;
    return file_clock::from_sys(system_clock::from_time_t(t));
}

}  // namespace vexa::vxf
