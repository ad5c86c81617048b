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

bool ParseDay(const std::string& s, double& day) {
    int y, m, d;
    char tail;
    if (std::sscanf(s.c_str(), "%4d-%2d-%2d%c", &y, &m, &d, &tail) != 3) return false;
    if (m < 1 || m > 12 || d < 1 || d > 31 || y < 1900 || y > 9999) return false;
    day = OleDateFromFields(y, m, d);
    return OleDateToFields(day).day == d;  // 2026-02-30 is not a day
}

}  // namespace dorvath
