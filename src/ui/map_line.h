#pragma once
// The run's line as the map page gets it: the points thinned (5 m apart once a run has more
// than 1000), a stride that keeps the written line under 4000 points, and log.xml.
#include <filesystem>
#include <string>
#include <vector>

#include "data/track.h"

namespace dorvath {

// The map points of a run or lap: every point of 1000 or fewer; above that, each point 5 m
// or more from the last one taken (the first always). A single map point is doubled.
std::vector<TrackPoint> ThinMapPoints(const std::vector<TrackPoint>& points);

// Every stride-th map point goes into log.xml: map points / 2000, at least 1.
size_t MapLineStride(size_t mapPoints);

// log.xml's text: declaration version "1.0", root "track", one "point" (id, lat, lng) per
// stride, printed as the other XML files.
std::string MapLineXml(const std::vector<TrackPoint>& mapPoints);

// Writes log.xml whole or not at all; "" or why not.
[[nodiscard]] std::string WriteMapLine(const std::filesystem::path& path,
                                       const std::vector<TrackPoint>& mapPoints);

}  // namespace dorvath
