#pragma once
// The records of one run, its GPS fixes and its laps, named after their SQL columns,
// and the time base they share.
#include <cstdint>
#include <string>

namespace dorvath {

struct Track {
    int32_t objid = 0;
    double stime = 0;  // OLE automation date, watch wall-clock time
    double etime = 0;
    int32_t numofpt = 0;
    int32_t elapsed = 0;  // seconds
    double dist = 0;      // metres
    double pace = 0;      // read as km/h by the views
    int32_t kcal = 0;
};

struct TrackPoint {
    int32_t objid = 0;
    int32_t tkid = 0;
    int32_t sindex = 0;
    double time = 0;
    double lat = 0;
    double lng = 0;
    double dist = 0;   // metres from the start of the run
    double speed = 0;  // km/h
    int32_t kcal = 0;
    double pace = 0;
    double atli = 0;  // metres
};

struct Lap {
    int32_t objid = 0;
    int32_t tkid = 0;
    int32_t sindex = 0;
    int32_t time = 0;  // seconds
    float dist = 0;
    int32_t kcal = 0;
    float pace = 0;
    int32_t si = 0;  // first point position
    int32_t ei = 0;  // end point position, exclusive
};

// Calendar fields of a date, rounded to the nearest second.
struct DateTimeFields {
    int year = 1899, month = 12, day = 30;
    int hour = 0, minute = 0, second = 0;
    int dayOfWeek = 6;  // 0 = Sunday
};

constexpr double kOleUnixEpoch = 25569.0;  // 1970-01-01 as an OLE date
constexpr double kOneSecond = 1.0 / 86400.0;

// The watch's seconds since 1970 (unsigned, so dates after 2038 stay dates) as an OLE date.
double OleDateFromSeconds(uint32_t seconds);

// Every reader of a stored date goes through this: rounding, not truncation, because the
// dates were rounded to 1e-6 day on their way into the database.
DateTimeFields OleDateToFields(double date);
double OleDateFromFields(int year, int month, int day, int hour = 0, int minute = 0,
                         int second = 0);

// "YYYY-MM-DD HH:MM:SS" of a stored date.
std::string FormatDateTime(double date);

// Haversine distance in metres, with the watch software's truncated degree factor.
double PointDistance(double lat1, double lng1, double lat2, double lng2);

}  // namespace dorvath
