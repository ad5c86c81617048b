#include "app/export/run_ids.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>

#include "data/track_database.h"

namespace dorvath {

bool FindRun(TrackDatabase& db, const char* command, const std::string& text, Track& out) {
    char* end = nullptr;
    errno = 0;
    long id = std::strtol(text.c_str(), &end, 10);
    if (text.empty() || *end || errno || id < 1 || id > 0x7fffffff) {
        std::fprintf(stderr, "dorvath %s: '%s' is not a run id\n", command, text.c_str());
        return false;
    }
    if (!db.findTrack(static_cast<int>(id), out)) {
        std::fprintf(stderr, "dorvath %s: no run with id %ld\n", command, id);
        return false;
    }
    return true;
}

}  // namespace dorvath
