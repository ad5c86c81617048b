// The tables kept beside the specified ones: each run's best efforts (TKBEST) and each
// downloaded run's raw watch start (TKRAW). An older copy of the program ignores them.
#include <algorithm>
#include <cmath>

#include "data/c_format.h"
#include "data/track_database.h"

namespace dorvath {
namespace {
// Each run's best efforts, beside the tables too; made with the first run that has them,
// so a new database holds the three tables alone.
const char* const kCreateBests =
    "create table if not exists TKBEST (tkid integer,stime double,effort integer,"
    "seconds integer,si integer);";
const char* const kBestsIndex = "create index if not exists TKBEST_tkid on TKBEST (tkid);";
// Each downloaded run's raw watch start, made with the first such run.
const char* const kCreateRawStarts =
    "create table if not exists TKRAW (tkid integer,stime double,start integer);";
const char* const kRawStartsIndex = "create index if not exists TKRAW_start on TKRAW (start);";
}  // namespace

void TrackDatabase::ensureTable(const char* create, const char* index) {
    // Not remembered: inside a transaction that is rolled back, the table goes too.
    execute(create);
    execute(index);
}

void TrackDatabase::createSideTables() {
    ensureTable(kCreateRawStarts, kRawStartsIndex);
    ensureTable(kCreateBests, kBestsIndex);
}

void TrackDatabase::storeBests(const Track& t, const RunEfforts& efforts) {
    ensureTable(kCreateBests, kBestsIndex);
    execute(SqlFormat("delete from TKBEST where tkid = %d;", t.objid));
    for (int e = 0; e < kEfforts; ++e) {
        const Effort& f = efforts[e];
        execute(SqlFormat(
            "insert into TKBEST (tkid,stime,effort,seconds,si) values (%d,%f,%d,%s,%d);", t.objid,
            t.stime, e, f.covered() ? std::to_string(f.seconds) : "null", f.startIndex));
    }
}

bool TrackDatabase::storedFromLog(uint32_t rawStart) {
    if (!tableExists("TKRAW")) return false;
    return queryInt(SqlFormat("select count(*) from TKRAW r join TK t on t.objid = r.tkid and "
                              "t.stime = r.stime where r.start = %u;",
                              rawStart)) > 0;
}

bool TrackDatabase::hasRawStart(const Track& t) {
    if (!tableExists("TKRAW")) return false;
    return queryInt(SqlFormat("select count(*) from TKRAW where tkid = %d and stime = %f;", t.objid,
                              t.stime)) > 0;
}

void TrackDatabase::storeRawStart(const Track& t, uint32_t rawStart) {
    ensureTable(kCreateRawStarts, kRawStartsIndex);
    execute(SqlFormat("delete from TKRAW where tkid = %d;", t.objid));
    execute(SqlFormat("insert into TKRAW (tkid,stime,start) values (%d,%f,%u);", t.objid, t.stime,
                      rawStart));
}

std::vector<Track> TrackDatabase::sameLogCandidates(double start, double dist, int32_t elapsed) {
    constexpr double kReach = 26.0 / 24, kQuarter = 15.0 / (24 * 60);
    std::string sql =
        SqlFormat("select * from TK where stime >= %f and stime <= %f and elapsed = %d",
                  start - kReach - kOneSecond, start + kReach + kOneSecond, elapsed);
    if (tableExists("TKRAW"))
        sql +=
            " and not exists (select 1 from TKRAW r where r.tkid = TK.objid and r.stime = "
            "TK.stime)";
    std::vector<Track> out;
    DbQuery q = query(sql + ";");
    while (!q.atEnd()) {
        Track t;
        readTrack(q, t);
        // Stored dates carry a rounding of at most 0.0864 s.
        const double quarters = std::round((t.stime - start) / kQuarter);
        if (std::fabs(t.stime - start - quarters * kQuarter) < kOneSecond &&
            t.dist == RoundAsSqlText(dist))
            out.push_back(t);
    }
    return out;
}

std::vector<Track> TrackDatabase::runsWithoutBests() {
    if (!tableExists("TKBEST")) return allTracks();
    std::vector<Track> out;
    DbQuery q = query(
        "select * from TK where not exists (select 1 from TKBEST b where b.tkid = TK.objid and "
        "b.stime = TK.stime) order by objid;");
    while (!q.atEnd()) readTrack(q, out.emplace_back());
    return out;
}

std::vector<TimeAndDistance> TrackDatabase::timesAndDistances(int tkid) {
    std::vector<TimeAndDistance> out;
    DbQuery q = query(SqlFormat("select time, dist from TKPT where tkid=%d;", tkid));
    while (!q.atEnd()) {
        out.push_back({q.doubleValue(0), q.doubleValue(1)});
        q.next();
    }
    return out;
}

int TrackDatabase::fillMissingBests(const std::function<void(int done, int total)>& progress) {
    const std::vector<Track> missing = runsWithoutBests();
    if (missing.empty()) return 0;
    ensureTable(kCreateBests, kBestsIndex);
    // Rows of runs that are gone (deleted by a copy that knew nothing of them).
    execute(
        "delete from TKBEST where not exists (select 1 from TK where TK.objid = TKBEST.tkid and "
        "TK.stime = TKBEST.stime);");
    const int total = static_cast<int>(missing.size());
    constexpr int kStep = 100;
    for (int from = 0; from < total; from += kStep) {
        inTransaction("begin transaction;", [&] {
            for (int i = from; i < std::min(total, from + kStep); ++i)
                storeBests(missing[i], BestEfforts(timesAndDistances(missing[i].objid)));
        });
        if (progress) progress(std::min(total, from + kStep), total);
    }
    return total;
}

std::vector<TrackDatabase::OverallBest> TrackDatabase::overallBests() {
    std::vector<OverallBest> out;
    if (!tableExists("TKBEST")) return out;
    DbQuery q = query(
        "select b.effort as effort, b.seconds as seconds, b.si as si, t.* from TKBEST b join TK t "
        "on t.objid = b.tkid and t.stime = b.stime where b.seconds is not null and b.effort >= 0 "
        "order by b.effort, b.seconds, t.stime, t.objid;");
    while (!q.atEnd()) {
        OverallBest b;
        b.effort = q.intValue("effort");
        b.best = {q.intValue("seconds"), q.intValue("si")};
        const bool first = out.empty() || out.back().effort != b.effort;
        readTrack(q, b.run);
        if (first && b.effort < kEfforts) out.push_back(b);
    }
    return out;
}

}  // namespace dorvath
