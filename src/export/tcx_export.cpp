#include "export/tcx_export.h"

#include <tinyxml.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "data/c_format.h"
#include "export/point_source.h"
#include "export/xml_file.h"

namespace dorvath {
namespace {

TiXmlElement* Add(TiXmlElement* parent, const char* name, const std::string& text = {}) {
    auto* e = new TiXmlElement(name);
    if (!text.empty()) e->LinkEndChild(new TiXmlText(text));
    parent->LinkEndChild(e);
    return e;
}

// One Lap element: its summary, then its points (first .. end, exclusive).
void AddLap(TiXmlElement* activity, const std::vector<TrackPoint>& points, size_t first, size_t end,
            double startTime, int seconds, double metres, int kcal, int offset) {
    auto* lap = Add(activity, "Lap");
    lap->SetAttribute("StartTime", TcxTime(first < end ? points[first].time : startTime, offset));
    Add(lap, "TotalTimeSeconds", CFormat("%d", std::max(0, seconds)));
    Add(lap, "DistanceMeters", CFormat("%.1f", std::max(0.0, metres)));
    Add(lap, "Calories", CFormat("%d", std::clamp(kcal, 0, 65535)));  // an unsigned short
    Add(lap, "Intensity", "Active");
    Add(lap, "TriggerMethod", "Manual");
    if (first >= end) return;
    auto* track = Add(lap, "Track");
    const double origin = points.front().dist;
    for (size_t i = first; i < end; ++i) {
        const TrackPoint& p = points[i];
        auto* tp = Add(track, "Trackpoint");
        Add(tp, "Time", TcxTime(p.time, offset));
        auto* pos = Add(tp, "Position");
        Add(pos, "LatitudeDegrees", CFormat("%.6f", p.lat));
        Add(pos, "LongitudeDegrees", CFormat("%.6f", p.lng));
        Add(tp, "AltitudeMeters", CFormat("%.1f", p.atli));
        Add(tp, "DistanceMeters", CFormat("%.1f", p.dist - origin));
    }
}

}  // namespace

int UtcOffsetMinutes(const DeviceSettings& s) {
    return -s.utcBias() - (s.daylight() == 1 ? 60 : 0);
}

std::optional<int> ParseUtcOffset(const std::string& t) {
    if (t.size() != 6 || (t[0] != '+' && t[0] != '-') || t[3] != ':') return std::nullopt;
    for (size_t i : {1, 2, 4, 5})
        if (t[i] < '0' || t[i] > '9') return std::nullopt;
    const int h = (t[1] - '0') * 10 + (t[2] - '0'), m = (t[4] - '0') * 10 + (t[5] - '0');
    if (h > 14 || m > 59) return std::nullopt;
    return (t[0] == '-' ? -1 : 1) * (h * 60 + m);
}

std::string TcxTime(double date, int utcOffsetMinutes) {
    const DateTimeFields f = OleDateToFields(date - utcOffsetMinutes / 1440.0);
    return CFormat("%04d-%02d-%02dT%02d:%02d:%02dZ", f.year, f.month, f.day, f.hour, f.minute,
                   f.second);
}

void BuildTcx(const Track& run, const std::vector<TrackPoint>& points, const std::vector<Lap>& laps,
              int offset, TiXmlDocument& doc) {
    AddXmlDeclaration(doc);
    auto* root = new TiXmlElement("TrainingCenterDatabase");
    doc.LinkEndChild(root);
    root->SetAttribute("xmlns", kTcxNamespace);
    auto* activity = Add(Add(root, "Activities"), "Activity");
    activity->SetAttribute("Sport", "Running");
    Add(activity, "Id", TcxTime(run.stime, offset));
    if (laps.empty()) {
        AddLap(activity, points, 0, points.size(), run.stime, run.elapsed, run.dist, run.kcal,
               offset);
        return;
    }
    // A lap holds the points with si <= sindex < ei; the points after the last lap marker
    // make a lap of their own, so that every point is written.
    size_t at = 0;
    double lapStart = run.stime;
    for (const Lap& l : laps) {
        const size_t first = at;
        while (at < points.size() && points[at].sindex < l.ei) ++at;
        AddLap(activity, points, first, at, lapStart, l.time, l.dist, l.kcal, offset);
        lapStart += l.time / 86400.0;
    }
    if (at < points.size()) {
        const TrackPoint &a = points[at], &b = points.back();
        int lapKcal = 0;
        for (const Lap& l : laps) lapKcal += l.kcal;
        AddLap(activity, points, at, points.size(), a.time,
               static_cast<int>(std::llround((b.time - a.time) * 86400)),
               b.dist - (at > 0 ? points[at - 1].dist : a.dist), run.kcal - lapKcal, offset);
    }
}

std::string TcxText(const Track& run, const std::vector<TrackPoint>& points,
                    const std::vector<Lap>& laps, int utcOffsetMinutes) {
    TiXmlDocument doc;
    BuildTcx(run, points, laps, utcOffsetMinutes, doc);
    return PrintXml(doc);
}

ExportResult ExportTcx(const ExportRequest& request, TrackDatabase& db, int utcOffsetMinutes) {
    std::vector<TrackPoint> points;
    if (ExportResult r = ReadRunPoints(request.track, db, points); !r) return r;
    std::vector<Lap> laps;
    try {
        laps = db.trackLaps(request.track.objid);
    } catch (const CppSQLite3Exception& e) {
        return ExportResult::failure(std::string("cannot read the run's laps: ") + e.what());
    }
    TiXmlDocument doc;
    BuildTcx(request.track, points, laps, utcOffsetMinutes, doc);
    return SaveXml(doc, request.path);
}

}  // namespace dorvath
