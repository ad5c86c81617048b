#pragma once
// The texts the run views show for numbers: distances, speeds, altitudes, paces, clock
// times, durations, energy and coordinates. The unit system and the clock format come
// from the settings block each time a view paints, so a change shows at the next paint.
#include <string>

#include "data/device_settings.h"

namespace dorvath {

struct FormatSettings {
    int unitSystem = 0;  // 0 metric, 1 imperial, anything else: no unit texts
    int tformat = 0;     // 1: 12-hour clock, else 24-hour
    static FormatSettings of(const DeviceSettings& settings);
};

// Minutes and seconds per kilometre of a speed in km/h; 0'00" below 1 km/h.
struct Pace {
    int minutes = 0, seconds = 0;
};
Pace PaceFromSpeed(double kmh);

std::string FormatDistance(double metres, const FormatSettings& s);
std::string FormatSpeed(double kmh, const FormatSettings& s);
std::string FormatAltitude(double metres, const FormatSettings& s);
std::string FormatPace(double kmh);  // always per kilometre
// The pace of a stretch, seconds over metres, per kilometre as the views write it
// (05'32"); "-" without distance.
std::string FormatStretchPace(long long seconds, double metres);
std::string FormatClockSeconds(double oleDate, const FormatSettings& s);
std::string FormatClockMinutes(double oleDate, const FormatSettings& s);
std::string FormatDateAndTime(double oleDate, const FormatSettings& s);
std::string FormatDuration(int seconds);
std::string FormatLapLabel(int lapNumber, int seconds);  // lapNumber from 1
std::string FormatEnergy(int kcal);
std::string FormatCoordinate(double degrees);
std::string FormatTimeRange(const std::string& from, const std::string& to);

}  // namespace dorvath
