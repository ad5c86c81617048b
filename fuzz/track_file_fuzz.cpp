// libFuzzer target for the track-file reader: any bytes must give a result, never a
// crash, and the database must hold only whole runs afterwards.
#include <cstdint>
#include <cstdlib>

#include "data/track_database.h"
#include "export/track_file.h"

using namespace dorvath;

namespace {

TrackDatabase& Db() {
    static TrackDatabase* db = [] {
        auto* d = new TrackDatabase;
        d->open(":memory:");
        d->createTables();
        return d;
    }();
    return *db;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    TrackDatabase& db = Db();
    MemoryTrackSource source(data, size);
    ImportResult r = ImportTrackData(source, db);

    // Every stored run has exactly the points its row announces, and no more runs were
    // stored than the result says.
    int runs = db.queryInt("select count(*) from TK;");
    int points = db.queryInt("select count(*) from TKPT;");
    int announced = db.queryInt("select coalesce(sum(numofpt), 0) from TK;");
    if (runs != r.imported || points != announced) std::abort();
    if (r.complete() != (r.status == ImportResult::Status::Complete)) std::abort();
    if (!r.complete() && r.reason.empty()) std::abort();

    db.execute("delete from TK;");
    db.execute("delete from TKPT;");
    return 0;
}
