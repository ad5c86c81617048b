#include "track_file_input.h"

#include "data/track_database.h"
#include "export/track_file.h"

namespace dorvath {

std::string CheckTrackFileInput(const uint8_t* data, size_t size) {
    TrackDatabase db;
    db.open(":memory:");
    db.createTables();
    MemoryTrackSource source(data, size);
    ImportResult r = ImportTrackData(source, db);

    // Every stored run has exactly the points its row announces, and no more runs were
    // stored than the result says.
    const int runs = db.queryInt("select count(*) from TK;");
    const int points = db.queryInt("select count(*) from TKPT;");
    const int announced = db.queryInt("select coalesce(sum(numofpt), 0) from TK;");
    if (runs != r.imported) return "stored runs differ from the count imported";
    if (points != announced) return "stored points differ from the runs' numofpt";
    if (r.complete() != (r.status == ImportResult::Status::Complete))
        return "complete() disagrees with the status";
    if (!r.complete() && r.reason.empty()) return "an incomplete import without a reason";
    return "";
}

}  // namespace dorvath
