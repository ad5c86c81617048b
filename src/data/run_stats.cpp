#include "data/run_stats.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <map>

#include "data/c_format.h"

namespace dorvath {
namespace {

int RoundedSeconds(double days) {
    const long long s = std::llround(days * 86400.0);
    return static_cast<int>(std::clamp<long long>(s, 0, std::numeric_limits<int>::max()));
}

bool Monotone(const std::vector<TimeAndDistance>& p) {
    for (size_t k = 1; k < p.size(); ++k)
        if (p[k].dist < p[k - 1].dist || p[k].time < p[k - 1].time) return false;
    return true;
}

// Efforts are compared by their rounded seconds: of equal ones the earliest is kept.
struct Found {
    int seconds = -1;
    size_t start = 0;
    void offer(double days, size_t i) {
        const int s = RoundedSeconds(days);
        if (seconds < 0 || s < seconds) *this = {s, i};
    }
};

// A watch's fixes come in order of time and distance: for each end j the latest start i
// that lies D behind it is the fastest, and that start only moves forward with j.
Found FastestInOrder(const std::vector<TimeAndDistance>& p, double d) {
    Found best;
    size_t i = 0;
    for (size_t j = 1; j < p.size(); ++j) {
        if (p[j].dist - p[0].dist < d) continue;
        while (i + 1 < j && p[j].dist - p[i + 1].dist >= d) ++i;
        best.offer(p[j].time - p[i].time, i);
    }
    return best;
}

// Any order: for each end j, the latest time among the starts i < j whose distance is at
// most dist[j] - D, from a prefix maximum over the distances' ranks.
Found FastestAnyOrder(const std::vector<TimeAndDistance>& p, double d) {
    std::vector<double> ranks;
    ranks.reserve(p.size());
    for (const auto& x : p) ranks.push_back(x.dist);
    std::sort(ranks.begin(), ranks.end());
    ranks.erase(std::unique(ranks.begin(), ranks.end()), ranks.end());
    constexpr double kNone = -std::numeric_limits<double>::infinity();
    std::vector<std::pair<double, size_t>> tree(ranks.size() + 1, {kNone, 0});
    auto later = [](const std::pair<double, size_t>& a, const std::pair<double, size_t>& b) {
        return a.first > b.first || (a.first == b.first && a.second < b.second);
    };
    Found best;
    for (size_t j = 0; j < p.size(); ++j) {
        if (j > 0) {
            // the starts 0 .. j-1 are in the tree
            size_t n = static_cast<size_t>(
                std::upper_bound(ranks.begin(), ranks.end(), p[j].dist - d) - ranks.begin());
            std::pair<double, size_t> latest{kNone, 0};
            for (; n > 0; n -= n & (~n + 1))
                if (later(tree[n], latest)) latest = tree[n];
            if (latest.first != kNone) best.offer(p[j].time - latest.first, latest.second);
        }
        const size_t at = static_cast<size_t>(
            std::lower_bound(ranks.begin(), ranks.end(), p[j].dist) - ranks.begin() + 1);
        for (size_t n = at; n < tree.size(); n += n & (~n + 1))
            if (later({p[j].time, j}, tree[n])) tree[n] = {p[j].time, j};
    }
    return best;
}

std::vector<TimeAndDistance> TimesAndDistances(const std::vector<TrackPoint>& points) {
    std::vector<TimeAndDistance> out;
    out.reserve(points.size());
    for (const TrackPoint& p : points) out.push_back({p.time, p.dist});
    return out;
}

}  // namespace

RunEfforts BestEfforts(const std::vector<TimeAndDistance>& points) {
    RunEfforts out;
    if (points.size() < 2) return out;
    const bool inOrder = Monotone(points);
    for (int e = 0; e < kEfforts; ++e) {
        const double d = kEffortDistances[e].metres;
        const Found f = inOrder ? FastestInOrder(points, d) : FastestAnyOrder(points, d);
        if (f.seconds >= 0) out[e] = {f.seconds, static_cast<int>(f.start)};
    }
    return out;
}

RunEfforts BestEfforts(const std::vector<TrackPoint>& points) {
    return BestEfforts(TimesAndDistances(points));
}

std::vector<Split> Splits(const std::vector<TimeAndDistance>& p, double splitMetres) {
    std::vector<Split> out;
    if (p.size() < 2 || !(splitMetres > 0)) return out;
    const double d0 = p.front().dist;
    size_t end = 0;  // where the previous split ended
    for (size_t j = 1; j < p.size(); ++j) {
        // One point far enough on may end more than one split.
        while (p[j].dist - d0 >= (static_cast<double>(out.size()) + 1) * splitMetres) {
            out.push_back({static_cast<int>(out.size()) + 1,
                           RoundedSeconds(p[j].time - p[end].time), p[j].dist - p[end].dist});
            end = j;
        }
    }
    if (end + 1 < p.size())
        out.push_back({static_cast<int>(out.size()) + 1,
                       RoundedSeconds(p.back().time - p[end].time), p.back().dist - p[end].dist});
    return out;
}

std::vector<Split> Splits(const std::vector<TrackPoint>& points, double splitMetres) {
    return Splits(TimesAndDistances(points), splitMetres);
}

void Add(Totals& to, const Track& run) {
    ++to.runs;
    to.metres += run.dist;
    to.seconds += run.elapsed;
}

double RunDay(double stime) {
    const DateTimeFields f = OleDateToFields(stime);
    return OleDateFromFields(f.year, f.month, f.day);
}

double WeekStart(double day) {
    const DateTimeFields f = OleDateToFields(day);
    return OleDateFromFields(f.year, f.month, f.day) - f.dayOfWeek;
}

std::vector<PeriodTotals> TotalsBy(const std::vector<Track>& runs, Period by) {
    std::map<double, PeriodTotals> periods;
    for (const Track& run : runs) {
        const double day = RunDay(run.stime);
        const DateTimeFields f = OleDateToFields(day);
        double start = 0;
        std::string name;
        switch (by) {
            case Period::Week: {
                start = WeekStart(day);
                const DateTimeFields s = OleDateToFields(start);
                name = CFormat("%04d-%02d-%02d", s.year, s.month, s.day);
                break;
            }
            case Period::Month:
                start = OleDateFromFields(f.year, f.month, 1);
                name = CFormat("%04d-%02d", f.year, f.month);
                break;
            case Period::Year:
                start = OleDateFromFields(f.year, 1, 1);
                name = CFormat("%04d", f.year);
                break;
        }
        PeriodTotals& p = periods[start];
        p.period = name;
        p.start = start;
        Add(p.totals, run);
    }
    std::vector<PeriodTotals> out;
    out.reserve(periods.size());
    for (auto& [start, p] : periods) out.push_back(std::move(p));
    return out;
}

std::string FormatHms(long long s) {
    if (s < 0) s = 0;
    return CFormat("%d:%02d:%02d", s / 3600, s / 60 % 60, s % 60);
}

std::string FormatPaceSeconds(long long seconds, double metres, double per) {
    if (!(metres > 0) || !(per > 0)) return "-";
    const long long s = std::llround(static_cast<double>(seconds) / (metres / per));
    return CFormat("%d:%02d", s / 60, s % 60);
}

}  // namespace dorvath
