#pragma once
// One run as a GPX 1.1 file: one track, one segment, each point's position and time.
#include <string>
#include <vector>

#include "data/track.h"
#include "data/track_database.h"
#include "export/export_request.h"

class TiXmlDocument;

namespace dorvath {

// The document of the given points, in their order.
void BuildGpx(const std::vector<TrackPoint>& points, TiXmlDocument& doc);
std::string GpxText(const std::vector<TrackPoint>& points);

// "2016-05-01T07:30:02Z": the stored wall-clock time, rounded to the second, marked as UTC.
std::string GpxTime(double date);

// Reads the run's points from the database and writes the file.
ExportResult ExportGpx(const ExportRequest& request, TrackDatabase& db);

}  // namespace dorvath
