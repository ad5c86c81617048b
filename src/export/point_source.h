#pragma once
// The points of a run as every export reads them: "select * from TKPT where tkid=%d;" in
// row order, which is the order they were recorded in.
#include <vector>

#include "data/track.h"
#include "data/track_database.h"
#include "export/export_request.h"

namespace dorvath {

// A database error becomes a failed result instead of escaping into the caller's page.
ExportResult ReadRunPoints(const Track& track, TrackDatabase& db, std::vector<TrackPoint>& out);

}  // namespace dorvath
