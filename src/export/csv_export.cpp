#include "export/csv_export.h"

#include <cmath>

#include "data/atomic_file.h"
#include "data/c_format.h"
#include "export/point_source.h"

namespace dorvath {

std::string CsvPace(double pace) {
    if (!(pace > 0) || !std::isfinite(pace)) return "--:--";
    double minutes = std::trunc(pace);
    int seconds = static_cast<int>(std::trunc((pace - minutes) * 60));
    // (60·m + s) mod 3600 div 60 is m mod 60, since s < 60; fmod keeps huge paces exact
    // where an int conversion would overflow.
    int minuteOfHour = static_cast<int>(std::fmod(minutes, 60.0));
    return CFormat("%02d:%02d", minuteOfHour, seconds);
}

std::string CsvLine(const TrackPoint& p) {
    DateTimeFields f = OleDateToFields(p.time);
    return CFormat("%02d:%02d:%02d,%.6f,%.6f,%.1f,%.1f,%s\r\n", f.hour, f.minute, f.second, p.lat,
                   p.lng, p.dist, p.speed, CsvPace(p.pace));
}

std::string CsvText(const std::vector<TrackPoint>& points) {
    std::string text;
    text.reserve(points.size() * 52);
    for (const TrackPoint& p : points) text += CsvLine(p);
    return text;
}

ExportResult ExportCsv(const ExportRequest& request, TrackDatabase& db) {
    std::vector<TrackPoint> points;
    if (ExportResult r = ReadRunPoints(request.track, db, points); !r) return r;
    return ExportResult::fromReason(WriteFileAtomically(request.path, CsvText(points)));
}

}  // namespace dorvath
