#pragma once
// The points of one run as comma-separated lines for spreadsheets: time of day, latitude,
// longitude, distance, speed, pace; no header, CR LF line ends.
#include <string>
#include <vector>

#include "data/track.h"
#include "data/track_database.h"
#include "export/export_request.h"

namespace dorvath {

// "MM:SS" of a pace whose integer part counts minutes: truncated, whole hours dropped;
// "--:--" for zero, negative, infinite and NaN paces.
std::string CsvPace(double pace);

// One line, CR LF included.
std::string CsvLine(const TrackPoint& p);
std::string CsvText(const std::vector<TrackPoint>& points);

ExportResult ExportCsv(const ExportRequest& request, TrackDatabase& db);

}  // namespace dorvath
