#include "data/track.h"

#include <cmath>
#include <cstdio>

#include "data/c_format.h"

namespace dorvath {
namespace {

// Days since 1970-01-01 of a proleptic Gregorian date, and back.
long long DaysFromCivil(long long y, int m, int d) {
    y -= m <= 2;
    const long long era = (y >= 0 ? y : y - 399) / 400;
    const long long yoe = y - era * 400;
    const long long doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const long long doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

void CivilFromDays(long long z, int& y, int& m, int& d) {
    z += 719468;
    const long long era = (z >= 0 ? z : z - 146096) / 146097;
    const long long doe = z - era * 146097;
    const long long yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const long long doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const long long mp = (5 * doy + 2) / 153;
    d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    y = static_cast<int>(yoe + era * 400 + (m <= 2));
}

}  // namespace

double OleDateFromSeconds(uint32_t seconds) {
    const uint64_t s = seconds;
    const uint64_t days = s / 86400;
    const uint64_t rest = s % 86400;
    return kOleUnixEpoch + static_cast<double>(days) + static_cast<double>(rest) / 86400.0;
}

double OleDateFromFields(int year, int month, int day, int hour, int minute, int second) {
    const long long days = DaysFromCivil(year, month, day) + 25569;
    const double frac = (hour * 3600.0 + minute * 60.0 + second) / 86400.0;
    // OLE dates before 1899-12-30 keep a positive time of day behind a negative day.
    return days >= 0 ? days + frac : days - frac;
}

DateTimeFields OleDateToFields(double date) {
    DateTimeFields f;
    if (!std::isfinite(date) || std::fabs(date) > 2958465.0) return f;  // beyond 9999-12-31
    double whole = std::trunc(date);
    long long secs = std::llround(std::fabs(date - whole) * 86400.0);
    long long days = static_cast<long long>(whole);
    if (secs >= 86400) {
        secs -= 86400;
        days += date < 0 ? -1 : 1;
    }
    long long unixDays = days - 25569;
    CivilFromDays(unixDays, f.year, f.month, f.day);
    f.hour = static_cast<int>(secs / 3600);
    f.minute = static_cast<int>(secs / 60 % 60);
    f.second = static_cast<int>(secs % 60);
    f.dayOfWeek = static_cast<int>(((unixDays % 7) + 7 + 4) % 7);  // 1970-01-01 was a Thursday
    return f;
}

std::string FormatDateTime(double date) {
    DateTimeFields f = OleDateToFields(date);
    return CFormat("%04d-%02d-%02d %02d:%02d:%02d", f.year, f.month, f.day, f.hour, f.minute,
                   f.second);
}

double PointDistance(double lat1, double lng1, double lat2, double lng2) {
    constexpr double kEarthRadius = 6372797.560856;  // metres
    constexpr double kRadians = 0.017453293;         // per degree
    const double a = std::sin((lat1 - lat2) * kRadians / 2);
    const double b = std::sin((lng1 - lng2) * kRadians / 2);
    const double c = std::cos(lat1 * kRadians) * std::cos(lat2 * kRadians);
    return 2 * kEarthRadius * std::asin(std::sqrt(a * a + c * b * b));
}

}  // namespace dorvath
