// The overview for scripts, TAB-separated and metric:
//   `dorvath stats --by week|month|year`  PERIOD RUNS KM H:MM:SS M:SS, oldest first
//   `dorvath bests`                       NAME H:MM:SS OBJID YYYY-MM-DD HH:MM:SS
//   `dorvath splits OBJID`                K H:MM:SS M:SS METRES
#include <cstdio>

#include "app/commands.h"
#include "app/export/run_ids.h"
#include "data/c_format.h"
#include "data/run_stats.h"
#include "data/track_database.h"

namespace dorvath {
namespace {

void Print(const std::string& out) { std::fwrite(out.data(), 1, out.size(), stdout); }

}  // namespace

void FillMissingBests(TrackDatabase& db) {
    db.fillMissingBests([](int done, int total) {
        std::fprintf(stderr, "dorvath: best efforts of the stored runs: %d/%d\n", done, total);
        std::fflush(stderr);
    });
}

int StatsCommand(Program& program, const std::vector<std::string>& args) {
    const bool byOk = args.size() == 2 && args[0] == "--by";
    const std::string by = byOk ? args[1] : "";
    if (by != "week" && by != "month" && by != "year") {
        std::fprintf(stderr, "usage: dorvath stats --by week|month|year\n");
        return 2;
    }
    StartLogic(program);
    const Period period = by == "week"    ? Period::Week
                          : by == "month" ? Period::Month
                                          : Period::Year;
    std::string out;
    for (const PeriodTotals& p : TotalsBy(program.db.allTracks(), period)) {
        const Totals& t = p.totals;
        out += CFormat("%s\t%d\t%.2f\t%s\t%s\n", p.period, t.runs, t.metres / 1000,
                       FormatHms(t.seconds), FormatPaceSeconds(t.seconds, t.metres));
    }
    Print(out);
    return 0;
}

int BestsCommand(Program& program, const std::vector<std::string>& args) {
    if (!args.empty()) {
        std::fprintf(stderr, "usage: dorvath bests\n");
        return 2;
    }
    StartLogic(program);
    FillMissingBests(program.db);
    std::string out;
    for (const TrackDatabase::OverallBest& b : program.db.overallBests())
        out += CFormat("%s\t%s\t%d\t%s\n", kEffortDistances[b.effort].name,
                       FormatHms(b.best.seconds), b.run.objid, FormatDateTime(b.run.stime));
    Print(out);
    return 0;
}

int SplitsCommand(Program& program, const std::vector<std::string>& args) {
    if (args.size() != 1) {
        std::fprintf(stderr, "usage: dorvath splits OBJID\n");
        return 2;
    }
    StartLogic(program);
    Track run;
    if (!FindRun(program.db, "splits", args[0], run)) return 1;
    std::string out;
    for (const Split& s : Splits(program.db.timesAndDistances(run.objid), kKilometre))
        out += CFormat("%d\t%s\t%s\t%.0f\n", s.number, FormatHms(s.seconds),
                       FormatPaceSeconds(s.seconds, s.metres), s.metres);
    Print(out);
    return 0;
}

}  // namespace dorvath
