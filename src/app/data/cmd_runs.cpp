// `dorvath runs [--day YYYY-MM-DD]`: the stored runs, one TAB-separated line each.
#include <cstdio>

#include "app/commands.h"
#include "app/export/run_ids.h"
#include "data/c_format.h"
#include "data/track_database.h"

namespace dorvath {

int ListRuns(Program& program, const std::vector<std::string>& args) {
    std::optional<double> day;
    for (size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--day" && i + 1 < args.size()) {
            double d;
            if (!ParseDay(args[++i], d)) {
                std::fprintf(stderr, "dorvath runs: '%s' is not a date (YYYY-MM-DD)\n",
                             args[i].c_str());
                return 2;
            }
            day = d;
        } else {
            std::fprintf(stderr, "usage: dorvath runs [--day YYYY-MM-DD]\n");
            return 2;
        }
    }
    StartLogic(program);
    TrackDatabase& db = program.db;
    std::vector<Track> runs;
    if (day) {
        runs = db.tracksOfDay(*day);
    } else {
        DbQuery q = db.query("select * from TK order by stime;");
        while (!q.atEnd()) readTrack(q, runs.emplace_back());
    }
    std::string out;
    for (const Track& t : runs)
        out += CFormat("%d\t%s\t%s\t%d\t%.1f\t%d\t%.2f\t%d\n", t.objid, FormatDateTime(t.stime),
                       FormatDateTime(t.etime), t.numofpt, t.dist, t.elapsed, t.pace, t.kcal);
    std::fwrite(out.data(), 1, out.size(), stdout);
    return 0;
}

}  // namespace dorvath
