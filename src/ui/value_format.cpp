#include "ui/value_format.h"

#include <cmath>

#include "data/app_state.h"
#include "data/c_format.h"
#include "data/track.h"

namespace dorvath {
namespace {

// Hour and the "AM " / "PM " prefix of a clock text; the 12-hour clock shows the hour
// after midnight as AM 00 and noon as PM 12.
struct ClockHour {
    std::string prefix;
    int hour = 0;
};

ClockHour HourFor(int hour, const FormatSettings& s) {
    if (s.tformat != 1) return {"", hour};
    if (hour > 11) return {"PM ", hour == 12 ? 12 : hour - 12};
    return {"AM ", hour};
}

}  // namespace

FormatSettings FormatSettings::of(const DeviceSettings& d) {
    return FormatSettings{d.unitSystem(), d.tformat()};
}

Pace PaceFromSpeed(double kmh) {
    if (!(kmh >= 1.0)) return {};  // also NaN
    // Single precision on purpose: this is how the watch's software rounds its paces.
    const float p = 60.0f / static_cast<float>(kmh);
    Pace out;
    out.minutes = static_cast<int>(p);
    out.seconds = static_cast<int>((p - static_cast<float>(out.minutes)) * 60.0f + 0.5f);
    if (out.seconds >= 60) {
        out.seconds = 0;
        ++out.minutes;
    }
    return out;
}

std::string FormatDistance(double metres, const FormatSettings& s) {
    if (s.unitSystem == 0) return CFormat("%.2f km", metres / 1000.0);
    if (s.unitSystem == 1) return CFormat("%.2f mi", metres * 3.28 / 5280.0);
    return {};
}

std::string FormatSpeed(double kmh, const FormatSettings& s) {
    if (kmh < 1.0) kmh = 0.0;
    if (s.unitSystem == 0) return CFormat("%.1f km/h", kmh);
    if (s.unitSystem == 1) return CFormat("%.1f mi/h", kmh * 0.621371192);
    return {};
}

std::string FormatAltitude(double metres, const FormatSettings& s) {
    if (s.unitSystem == 0) return CFormat("%d m", static_cast<long long>(metres));
    if (s.unitSystem == 1) return CFormat("%d ft", static_cast<long long>(metres / 0.3048));
    return {};
}

std::string FormatPace(double kmh) {
    Pace p = PaceFromSpeed(kmh);
    return CFormat("%02d'%02d\"", p.minutes, p.seconds);
}

std::string FormatStretchPace(long long seconds, double metres) {
    if (!(metres > 0)) return "-";
    const long long s = std::llround(static_cast<double>(seconds) / (metres / 1000));
    return CFormat("%02d'%02d\"", s / 60, s % 60);
}

std::string FormatClockSeconds(double oleDate, const FormatSettings& s) {
    DateTimeFields f = OleDateToFields(oleDate);
    ClockHour h = HourFor(f.hour, s);
    return CFormat("%s%02d:%02d:%02d", h.prefix, h.hour, f.minute, f.second);
}

std::string FormatClockMinutes(double oleDate, const FormatSettings& s) {
    DateTimeFields f = OleDateToFields(oleDate);
    ClockHour h = HourFor(f.hour, s);
    return CFormat("%s%02d:%02d", h.prefix, h.hour, f.minute);
}

std::string FormatDateAndTime(double oleDate, const FormatSettings& s) {
    DateTimeFields f = OleDateToFields(oleDate);
    ClockHour h = HourFor(f.hour, s);
    return CFormat("%04d-%02d-%02d %s%02d:%02d:%02d", f.year, f.month, f.day, h.prefix, h.hour,
                   f.minute, f.second);
}

std::string FormatDuration(int seconds) {
    return CFormat("%d:%02d:%02d", seconds / 3600, (seconds % 3600) / 60, seconds % 60);
}

std::string FormatLapLabel(int lapNumber, int seconds) {
    return CFormat("L%02d %s", lapNumber, FormatDuration(seconds));
}

std::string FormatEnergy(int kcal) { return CFormat("%d kcal", kcal); }

std::string FormatCoordinate(double degrees) { return CFormat("%.5f°", degrees); }

std::string FormatTimeRange(const std::string& from, const std::string& to) {
    return from + "~" + to;
}

}  // namespace dorvath
