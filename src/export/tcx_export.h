#pragma once
// One run as a Training Center Database (TCX v2) file: one running activity with a lap per
// stored lap (or one lap of the whole run) holding its points, with UTC times, positions,
// altitudes and distances from the run's first point.
#include <optional>
#include <string>
#include <vector>

#include "data/device_settings.h"
#include "data/track.h"
#include "data/track_database.h"
#include "export/export_request.h"

class TiXmlDocument;

namespace dorvath {

inline constexpr const char* kTcxNamespace =
    "http://www.garmin.com/xmlschemas/TrainingCenterDatabase/v2";

// Minutes east of UTC of the stored wall-clock times: the zone the download converted
// with (utc_bias, and an hour less with daylight 1, as the download shifts).
int UtcOffsetMinutes(const DeviceSettings& settings);
// "+09:00", "-05:30": the offset in minutes; nullopt for anything else.
std::optional<int> ParseUtcOffset(const std::string& text);

// "2016-04-30T22:30:02Z": the stored time less the offset, rounded to the second.
std::string TcxTime(double date, int utcOffsetMinutes);

void BuildTcx(const Track& run, const std::vector<TrackPoint>& points, const std::vector<Lap>& laps,
              int utcOffsetMinutes, TiXmlDocument& doc);
std::string TcxText(const Track& run, const std::vector<TrackPoint>& points,
                    const std::vector<Lap>& laps, int utcOffsetMinutes);

// Reads the run's points and laps and writes the file whole or not at all.
ExportResult ExportTcx(const ExportRequest& request, TrackDatabase& db, int utcOffsetMinutes);

}  // namespace dorvath
