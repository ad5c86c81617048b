#include "data/track_database.h"

#include <sqlite3.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdlib>

#include "data/c_format.h"

namespace dorvath {

const char* const kCreateTK =
    "create table TK (objid integer primary key,stime\tdouble,etime\tdouble,numofpt\tinteger,"
    "dist\t\tdouble,elapsed\tinteger,pace\t\tdouble,kcal\t\tinteger);";
const char* const kCreateTKPT =
    "create table TKPT (objid integer primary key,tkid\t\tinteger,sindex\tinteger,time\t\tdouble,"
    "lat\t\tdouble,lng\t\tdouble,speed\tdouble,atli\t\tdouble,dist\t\tdouble,kcal\t\tinteger,"
    "pace\t\tdouble);";
const char* const kCreateLAP =
    "create table LAP (objid integer primary key,tkid\t\tinteger,sindex\tinteger,time\t\tinteger,"
    "kcal\t\tinteger,si\t\tinteger,ei\t\tinteger,pace\t\tfloat,dist\t\tfloat);";

// ---- TrackDatabase: wrapper ------------------------------------------------------------

TrackDatabase::~TrackDatabase() { close(); }

void TrackDatabase::open(const std::string& path) {
    int rc = sqlite3_open(path.c_str(), &db_);
    if (rc != SQLITE_OK) {
        std::string msg = db_ ? sqlite3_errmsg(db_) : sqlite3_errstr(rc);
        sqlite3_close(db_);
        db_ = nullptr;
        throw CppSQLite3Exception(rc, msg);
    }
    setBusyTimeout(busyTimeoutMs_);
}

void TrackDatabase::close() {
    sqlite3_finalize(pointInsert_);
    sqlite3_finalize(lapInsert_);
    pointInsert_ = lapInsert_ = nullptr;
    if (db_) {
        sqlite3_close_v2(db_);
        db_ = nullptr;
    }
}

void TrackDatabase::setBusyTimeout(int ms) {
    busyTimeoutMs_ = ms;
    if (!db_) return;
    if (!busyNotice_) {
        sqlite3_busy_timeout(db_, ms);
        return;
    }
    // The same wait as the library's own, but the first wait of each statement is told,
    // so that a user knows why nothing happens while another program holds the file.
    sqlite3_busy_handler(
        db_,
        [](void* self, int count) -> int {
            auto* db = static_cast<TrackDatabase*>(self);
            static constexpr int kSteps[] = {1, 2, 5, 10, 15, 20, 25, 25, 25, 50, 50, 100};
            constexpr int kLast = sizeof kSteps / sizeof kSteps[0] - 1;
            if (count == 0 && db->busyNotice_) db->busyNotice_(db->busyTimeoutMs_);
            int waited = 0;
            for (int i = 0; i < count; ++i) waited += kSteps[std::min(i, kLast)];
            if (waited >= db->busyTimeoutMs_) return 0;
            const int step = std::min(kSteps[std::min(count, kLast)], db->busyTimeoutMs_ - waited);
            sqlite3_sleep(step);
            return 1;
        },
        this);
}

void TrackDatabase::setBusyNotice(std::function<void(int timeoutMs)> notice) {
    busyNotice_ = std::move(notice);
    setBusyTimeout(busyTimeoutMs_);
}

void TrackDatabase::checkDb() const {
    if (!db_) throw CppSQLite3Exception(kCppSqliteError, "Database not open");
}

int TrackDatabase::execute(const std::string& sql) {
    checkDb();
    char* err = nullptr;
    int rc = sqlite3_exec(db_, sql.c_str(), nullptr, nullptr, &err);
    if (rc != SQLITE_OK) {
        std::string msg = err ? err : "";
        sqlite3_free(err);
        throw CppSQLite3Exception(rc, msg);
    }
    return sqlite3_changes(db_);
}

DbQuery TrackDatabase::query(const std::string& sql) {
    checkDb();
    sqlite3_stmt* stmt = nullptr;
    int rc = sqlite3_prepare(db_, sql.c_str(), -1, &stmt, nullptr);
    if (rc != SQLITE_OK) throw CppSQLite3Exception(rc, "");
    if (!stmt) {
        // Only white space or a comment: no statement to run, nothing to read.
        throw CppSQLite3Exception(SQLITE_MISUSE, "no statement");
    }
    rc = sqlite3_step(stmt);
    if (rc == SQLITE_DONE) return DbQuery(db_, stmt, true);
    if (rc == SQLITE_ROW) return DbQuery(db_, stmt, false);
    rc = sqlite3_finalize(stmt);
    throw CppSQLite3Exception(rc, sqlite3_errmsg(db_));
}

int TrackDatabase::queryInt(const std::string& sql) {
    DbQuery q = query(sql);
    if (q.atEnd() || q.columnCount() < 1)
        throw CppSQLite3Exception(kCppSqliteError, "Invalid scalar query");
    const char* text = q.columnText(0);
    return text ? std::atoi(text) : 0;
}

bool TrackDatabase::tableExists(const std::string& name) {
    std::string sql = CFormatList(
        "select count(*) from sqlite_master where type='table' and name='%s'", {name}, 127);
    return queryInt(sql) > 0;
}

int TrackDatabase::lastInsertId() const { return static_cast<int>(sqlite3_last_insert_rowid(db_)); }

void TrackDatabase::inTransaction(const char* begin, const std::function<void()>& body) {
    execute(begin);
    try {
        body();
        execute("commit transaction;");
    } catch (...) {
        if (db_ && !sqlite3_get_autocommit(db_))
            sqlite3_exec(db_, "rollback transaction;", nullptr, nullptr, nullptr);
        throw;
    }
}

// ---- TrackDatabase: runs ---------------------------------------------------------------

void TrackDatabase::createTables() {
    // A database that has everything is only read: a read-only one still opens.
    if (tableExists("TK") && tableExists("TKPT") && tableExists("LAP") && !indexesMissing()) return;
    // All or nothing: a process killed in its first moments must not leave TK without
    // TKPT. "immediate" takes the write lock before the checks, so two starts at once
    // cannot both decide to create.
    inTransaction("begin immediate transaction;", [&] {
        if (!tableExists("TK")) execute(kCreateTK);
        if (!tableExists("TKPT")) execute(kCreateTKPT);
        if (!tableExists("LAP")) execute(kCreateLAP);
        createIndexes();
    });
}

namespace {
// Beside the tables, never changing them: a run's points and laps and a day's runs are
// found without reading every row. An older copy of the program ignores them. The point
// index is on tkid alone, so a run's points still come in row-id (recording) order.
const char* const kIndexes[][2] = {
    {"TKPT_tkid", "create index if not exists TKPT_tkid on TKPT (tkid);"},
    {"LAP_tkid", "create index if not exists LAP_tkid on LAP (tkid);"},
    {"TK_stime", "create index if not exists TK_stime on TK (stime);"},
};
}  // namespace

bool TrackDatabase::indexesMissing() {
    for (const auto& [name, sql] : kIndexes)
        if (queryInt(SqlFormat("select count(*) from sqlite_master where type='index' and "
                               "name='%s';",
                               name)) == 0)
            return true;
    return false;
}

void TrackDatabase::createIndexes() {
    for (const auto& [name, sql] : kIndexes) execute(sql);
}

void TrackDatabase::insertTrack(Track& t) {
    execute(
        SqlFormat("insert into TK (stime,etime,dist,elapsed,kcal,pace,numofpt) values "
                  "(%f,%f,%f,%d,%d,%f,%d);",
                  t.stime, t.etime, t.dist, t.elapsed, t.kcal, t.pace, t.numofpt));
    t.objid = lastInsertId();
}

namespace {
const char* const kPointText =
    "insert into TKPT (tkid,sindex,time,lat,lng,dist,speed,kcal,pace,atli) values "
    "(%d,%d,%f,%f,%f,%f,%f,%d,%f,%f);";
const char* const kPointBound =
    "insert into TKPT (tkid,sindex,time,lat,lng,dist,speed,kcal,pace,atli) values "
    "(?,?,?,?,?,?,?,?,?,?);";
const char* const kLapText =
    "insert into LAP (tkid,sindex,time,dist,kcal,pace,si,ei) values (%d,%d,%d,%f,%d,%f,%d,%d);";
const char* const kLapBound =
    "insert into LAP (tkid,sindex,time,dist,kcal,pace,si,ei) values (?,?,?,?,?,?,?,?);";

bool AllFinite(std::initializer_list<double> values) {
    for (double v : values)
        if (!std::isfinite(v)) return false;
    return true;
}
}  // namespace

double RoundAsSqlText(double v) {
    // Fast path: k = v * 10^6 rounded is what "%f" prints, unless v * 10^6 lies near a
    // half (the product's own rounding error is far below the margin for |v| < 10^6), and
    // k / 10^6, a correctly rounded division, is the double nearest to that decimal text,
    // just as reading the text gives.
    const double a = std::fabs(v * 1e6);
    if (a < 1e12) {
        const double whole = std::floor(a);
        const double frac = a - whole;
        if (std::fabs(frac - 0.5) > 1e-3)
            return std::copysign((frac > 0.5 ? whole + 1 : whole) / 1e6, v);
    }
    char buf[400];
    auto r = std::to_chars(buf, buf + sizeof buf - 1, v, std::chars_format::fixed, 6);
    *r.ptr = 0;
    return std::strtod(buf, nullptr);
}

sqlite3_stmt* TrackDatabase::cachedInsert(sqlite3_stmt*& slot, const char* sql) {
    checkDb();
    if (!slot) {
        int rc = sqlite3_prepare_v2(db_, sql, -1, &slot, nullptr);
        if (rc != SQLITE_OK) {
            slot = nullptr;
            throw CppSQLite3Exception(rc, sqlite3_errmsg(db_));
        }
    }
    return slot;
}

void TrackDatabase::stepInsert(sqlite3_stmt* st) {
    int rc = sqlite3_step(st);
    std::string msg = rc == SQLITE_DONE ? "" : sqlite3_errmsg(db_);
    sqlite3_reset(st);
    sqlite3_clear_bindings(st);
    if (rc != SQLITE_DONE) throw CppSQLite3Exception(rc, msg);
}

void TrackDatabase::insertTrackPoint(TrackPoint& p) {
    if (!AllFinite({p.time, p.lat, p.lng, p.dist, p.speed, p.pace, p.atli})) {
        // Text is what decides here: SQLite refuses "nan" and "inf" literals.
        execute(SqlFormat(kPointText, p.tkid, p.sindex, p.time, p.lat, p.lng, p.dist, p.speed,
                          p.kcal, p.pace, p.atli));
    } else {
        sqlite3_stmt* st = cachedInsert(pointInsert_, kPointBound);
        sqlite3_bind_int(st, 1, p.tkid);
        sqlite3_bind_int(st, 2, p.sindex);
        sqlite3_bind_double(st, 3, RoundAsSqlText(p.time));
        sqlite3_bind_double(st, 4, RoundAsSqlText(p.lat));
        sqlite3_bind_double(st, 5, RoundAsSqlText(p.lng));
        sqlite3_bind_double(st, 6, RoundAsSqlText(p.dist));
        sqlite3_bind_double(st, 7, RoundAsSqlText(p.speed));
        sqlite3_bind_int(st, 8, p.kcal);
        sqlite3_bind_double(st, 9, RoundAsSqlText(p.pace));
        sqlite3_bind_double(st, 10, RoundAsSqlText(p.atli));
        stepInsert(st);
    }
    p.objid = lastInsertId();
}

void TrackDatabase::insertLap(Lap& l) {
    const double dist = l.dist, pace = l.pace;  // widened to double, as the text is
    if (!AllFinite({dist, pace})) {
        execute(SqlFormat(kLapText, l.tkid, l.sindex, l.time, dist, l.kcal, pace, l.si, l.ei));
    } else {
        sqlite3_stmt* st = cachedInsert(lapInsert_, kLapBound);
        sqlite3_bind_int(st, 1, l.tkid);
        sqlite3_bind_int(st, 2, l.sindex);
        sqlite3_bind_int(st, 3, l.time);
        sqlite3_bind_double(st, 4, RoundAsSqlText(dist));
        sqlite3_bind_int(st, 5, l.kcal);
        sqlite3_bind_double(st, 6, RoundAsSqlText(pace));
        sqlite3_bind_int(st, 7, l.si);
        sqlite3_bind_int(st, 8, l.ei);
        stepInsert(st);
    }
    l.objid = lastInsertId();
}

void TrackDatabase::deleteTrack(int objid) {
    execute(SqlFormat("delete from TK where objid = %d;", objid));
    execute(SqlFormat("delete from TKPT where tkid = %d;", objid));
    execute(SqlFormat("delete from LAP where tkid = %d;", objid));
    if (tableExists("TKBEST")) execute(SqlFormat("delete from TKBEST where tkid = %d;", objid));
    if (tableExists("TKRAW")) execute(SqlFormat("delete from TKRAW where tkid = %d;", objid));
}

int TrackDatabase::findTrackAt(double date) {
    DbQuery q = query(SqlFormat("select objid from TK where stime>%f and stime<%f;",
                                date - kOneSecond, date + kOneSecond));
    if (q.atEnd()) return 0;
    return q.intValue(0);
}

void TrackDatabase::storeTrack(Track& t, std::vector<TrackPoint>& points, std::vector<Lap>& laps,
                               std::optional<uint32_t> rawStart) {
    // The run row goes in inside the same transaction as its points and laps: a process
    // killed half-way leaves a journal that rolls all of it back, never a run row whose
    // points are missing (a later download would skip such a run for good).
    inTransaction("begin transaction;", [&] {
        insertTrack(t);
        for (size_t i = 0; i < points.size(); ++i) {
            points[i].tkid = t.objid;
            points[i].sindex = static_cast<int32_t>(i);
            insertTrackPoint(points[i]);
        }
        for (size_t i = 0; i < laps.size(); ++i) {
            laps[i].tkid = t.objid;
            laps[i].sindex = static_cast<int32_t>(i);
            insertLap(laps[i]);
        }
        // From the values as stored, so that they agree with a later reading of the run.
        std::vector<TimeAndDistance> stored;
        stored.reserve(points.size());
        for (const TrackPoint& p : points)
            stored.push_back({RoundAsSqlText(p.time), RoundAsSqlText(p.dist)});
        storeBests(t, BestEfforts(stored));
        if (rawStart) storeRawStart(t, *rawStart);
    });
}

std::vector<Track> TrackDatabase::allTracks() {
    std::vector<Track> out;
    DbQuery q = query("select * from TK;");
    while (!q.atEnd()) readTrack(q, out.emplace_back());
    return out;
}

std::vector<Track> TrackDatabase::tracksOfDay(double dayStart) {
    std::vector<Track> out;
    DbQuery q = query(SqlFormat("select * from TK where stime>=%f and stime<%f order by stime;",
                                dayStart, dayStart + 1));
    while (!q.atEnd()) readTrack(q, out.emplace_back());
    return out;
}

std::vector<TrackPoint> TrackDatabase::trackPoints(int tkid) {
    std::vector<TrackPoint> out;
    DbQuery q = query(SqlFormat("select * from TKPT where tkid=%d;", tkid));
    while (!q.atEnd()) readTrackPoint(q, out.emplace_back());
    return out;
}

std::vector<TrackPoint> TrackDatabase::lapPoints(int tkid, int si, int ei) {
    std::vector<TrackPoint> out;
    DbQuery q = query(
        SqlFormat("select * from TKPT where tkid=%d and sindex>=%d and sindex<%d;", tkid, si, ei));
    while (!q.atEnd()) readTrackPoint(q, out.emplace_back());
    return out;
}

std::vector<Lap> TrackDatabase::trackLaps(int tkid) {
    std::vector<Lap> out;
    DbQuery q = query(SqlFormat("select * from LAP where tkid=%d;", tkid));
    while (!q.atEnd()) readLap(q, out.emplace_back());
    return out;
}

bool TrackDatabase::findTrack(int objid, Track& out) {
    DbQuery q = query(SqlFormat("select * from TK where objid=%d;", objid));
    if (q.atEnd()) return false;
    readTrack(q, out);
    return true;
}

// ---- Row readers -----------------------------------------------------------------------

void readTrack(DbQuery& q, Track& t) {
    t.objid = q.intValue("objid");
    t.stime = q.doubleValue("stime");
    t.etime = q.doubleValue("etime");
    t.numofpt = q.intValue("numofpt");
    t.elapsed = q.intValue("elapsed");
    t.dist = q.doubleValue("dist");
    t.pace = q.doubleValue("pace");
    t.kcal = q.intValue("kcal");
    q.next();
}

void readTrackPoint(DbQuery& q, TrackPoint& p) {
    p.objid = q.intValue("objid");
    p.tkid = q.intValue("tkid");
    p.sindex = q.intValue("sindex");
    p.time = q.doubleValue("time");
    p.lat = q.doubleValue("lat");
    p.lng = q.doubleValue("lng");
    p.dist = q.doubleValue("dist");
    p.speed = q.doubleValue("speed");
    p.kcal = q.intValue("kcal");
    p.pace = q.doubleValue("pace");
    p.atli = q.doubleValue("atli");
    q.next();
}

void readLap(DbQuery& q, Lap& l) {
    l.objid = q.intValue("objid");
    l.tkid = q.intValue("tkid");
    l.sindex = q.intValue("sindex");
    l.time = q.intValue("time");
    l.dist = static_cast<float>(q.doubleValue("dist"));
    l.kcal = q.intValue("kcal");
    l.pace = static_cast<float>(q.doubleValue("pace"));
    l.si = q.intValue("si");
    l.ei = q.intValue("ei");
    q.next();
}

}  // namespace dorvath
