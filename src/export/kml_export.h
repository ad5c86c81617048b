#pragma once
// One run as a KML 2.2 file: a placemark "track" whose line string carries every point.
#include <string>
#include <vector>

#include "data/track.h"
#include "data/track_database.h"
#include "export/export_request.h"

class TiXmlDocument;

namespace dorvath {

// "lng,lat " per point, six decimals, the last pair followed by its blank as well.
std::string KmlCoordinates(const std::vector<TrackPoint>& points);

void BuildKml(const std::vector<TrackPoint>& points, TiXmlDocument& doc);
std::string KmlText(const std::vector<TrackPoint>& points);

ExportResult ExportKml(const ExportRequest& request, TrackDatabase& db);

}  // namespace dorvath
