#pragma once
// A runner's overview of the stored runs: totals by week, month and year, the best effort
// of a run over the classic distances, and a run's splits. Figures are made from what is
// stored: a run's day is that of its stime, a time is rounded to the second.
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "data/track.h"

namespace dorvath {

// ---- best efforts ----

struct EffortDistance {
    const char* name;  // as the command line prints it
    double metres;
};
inline constexpr std::array<EffortDistance, 7> kEffortDistances{{
    {"400m", 400},
    {"1km", 1000},
    {"1mile", 1609.344},
    {"5km", 5000},
    {"10km", 10000},
    {"half", 21097.5},
    {"marathon", 42195},
}};
inline constexpr int kEfforts = static_cast<int>(kEffortDistances.size());

// A run's fastest stretch over one distance: whole seconds, and the position (sindex) of
// its first point. seconds < 0: the run does not cover the distance.
struct Effort {
    int seconds = -1;
    int startIndex = 0;
    bool covered() const { return seconds >= 0; }
};
using RunEfforts = std::array<Effort, kEfforts>;

// One fix as the figures need it: its time (OLE date) and distance from the start (m).
struct TimeAndDistance {
    double time = 0, dist = 0;
};

// For every distance D: the least time[j] - time[i] over points i < j (recording order)
// with dist[j] - dist[i] >= D, no interpolation, rounded to the second.
RunEfforts BestEfforts(const std::vector<TimeAndDistance>& points);
RunEfforts BestEfforts(const std::vector<TrackPoint>& points);

// ---- splits ----

struct Split {
    int number = 0;     // from 1
    int seconds = 0;    // the split's time
    double metres = 0;  // its distance: splitMetres, the last one often less
};

// Split k ends at the first point whose dist - dist[0] >= k * splitMetres; its time is
// that point's time minus the previous split's end; the last, shorter split ends at the
// last point.
std::vector<Split> Splits(const std::vector<TimeAndDistance>& points, double splitMetres);
std::vector<Split> Splits(const std::vector<TrackPoint>& points, double splitMetres);
inline constexpr double kKilometre = 1000, kMile = 1609.344;

// ---- totals ----

enum class Period { Week, Month, Year };

struct Totals {
    int runs = 0;
    double metres = 0;      // the sum of the runs' dist
    long long seconds = 0;  // the sum of their elapsed
    bool operator==(const Totals&) const = default;
};
void Add(Totals& to, const Track& run);

struct PeriodTotals {
    std::string period;  // "YYYY-MM-DD" of the week's Sunday, "YYYY-MM" or "YYYY"
    double start = 0;    // the period's first day (OLE date at 00:00)
    Totals totals;
};
// Periods that have runs, oldest first.
std::vector<PeriodTotals> TotalsBy(const std::vector<Track>& runs, Period by);

// The day (00:00) a run belongs to: that of its stime, rounded to the second.
double RunDay(double stime);
// The Sunday (00:00) that starts the week of a day.
double WeekStart(double day);

// ---- texts ----

// "H:MM:SS", hours unpadded.
std::string FormatHms(long long seconds);
// Seconds per kilometre (or per mile) as "M:SS", rounded to the second; "-" without
// distance.
std::string FormatPaceSeconds(long long seconds, double metres, double per = kKilometre);

}  // namespace dorvath
