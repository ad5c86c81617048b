#include "export/point_source.h"

namespace dorvath {

ExportResult ReadRunPoints(const Track& track, TrackDatabase& db, std::vector<TrackPoint>& out) {
    try {
        out = db.trackPoints(track.objid);
    } catch (const CppSQLite3Exception& e) {
        out.clear();
        return ExportResult::failure(std::string("cannot read the run's points: ") + e.what());
    }
    return ExportResult::success();
}

}  // namespace dorvath
