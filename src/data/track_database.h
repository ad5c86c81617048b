#pragma once
// The one SQLite connection of the process: a thin wrapper (connection, cursor, errors)
// and the run operations on top of it. Statements are SQL text, formatted with SqlFormat.
#include <cstdint>
#include <functional>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "data/run_stats.h"
#include "data/track.h"

struct sqlite3;
struct sqlite3_stmt;

namespace dorvath {

class CppSQLite3Exception : public std::runtime_error {
  public:
    CppSQLite3Exception(int code, const std::string& detail);
    int errorCode() const { return code_; }
    const std::string& errorMessage() const { return message_; }
    static const char* errorCodeAsString(int code);

  private:
    int code_;
    std::string message_;  // what() holds the same text
};

constexpr int kCppSqliteError = 1000;

// For a person: the library's own words for the error's code, then the exception's text
// ("file is not a database (UNKNOWN_ERROR[26]: )").
std::string DatabaseErrorText(const CppSQLite3Exception& e);

class DbQuery {
  public:
    DbQuery() = default;
    DbQuery(sqlite3* db, sqlite3_stmt* stmt, bool atEnd);
    // Copying moves the statement: the source keeps none.
    DbQuery(DbQuery&& other) noexcept;
    DbQuery& operator=(DbQuery&& other) noexcept;
    ~DbQuery();

    bool atEnd() const;
    void next();
    int columnCount() const { return columns_; }
    int columnIndex(const char* name) const;
    const char* columnText(int index) const;
    int columnType(int index) const;
    int intValue(int index, int nullValue = 0) const;
    int intValue(const char* name, int nullValue = 0) const;
    double doubleValue(int index, double nullValue = 0.0) const;
    double doubleValue(const char* name, double nullValue = 0.0) const;
    bool isNull(const char* name) const;
    void finalize();

  private:
    void checkVm() const;
    void checkIndex(int index) const;

    sqlite3* db_ = nullptr;
    sqlite3_stmt* stmt_ = nullptr;
    bool eof_ = true;
    int columns_ = 0;
    bool owned_ = false;
    // Column names are looked up once per statement; readers ask for the columns in a
    // nearly fixed order, so the search starts after the last hit.
    std::vector<const char*> names_;
    bool duplicateNames_ = false;
    mutable int lastHit_ = -1;
};

// The create statements, byte for byte (TABs included).
extern const char* const kCreateTK;
extern const char* const kCreateTKPT;
extern const char* const kCreateLAP;

class TrackDatabase {
  public:
    TrackDatabase() = default;
    TrackDatabase(const TrackDatabase&) = delete;
    TrackDatabase& operator=(const TrackDatabase&) = delete;
    ~TrackDatabase();

    void open(const std::string& path);
    void close();
    bool isOpen() const { return db_ != nullptr; }
    void setBusyTimeout(int ms);
    // Called when a statement starts waiting for a file another program holds (it then
    // waits up to the busy timeout).
    void setBusyNotice(std::function<void(int timeoutMs)> notice);
    int execute(const std::string& sql);
    DbQuery query(const std::string& sql);
    int queryInt(const std::string& sql);
    bool tableExists(const std::string& name);
    int lastInsertId() const;
    sqlite3* handle() const { return db_; }

    // Run operations.
    // The three tables when missing, then the indexes the run queries need, all in one
    // transaction.
    void createTables();
    // Whether an index is missing (building them on a large database takes a while).
    bool indexesMissing();
    void createIndexes();
    void insertTrack(Track& t);
    void insertTrackPoint(TrackPoint& p);
    void insertLap(Lap& l);
    void deleteTrack(int objid);
    int findTrackAt(double date);

    // Stores a run with its points and laps, TK row first, all in one transaction, so a
    // run is stored whole or not at all, also when the process dies. Points and laps get
    // tkid and sindex 0, 1, 2 ... here; the run's best efforts are kept with it. On
    // failure the transaction is rolled back and the exception raised again.
    // A downloaded run also keeps the raw watch start of its log (seconds since 1970 before
    // the time-zone shift), so the same log is known again when the watch's zone changed.
    void storeTrack(Track& t, std::vector<TrackPoint>& points, std::vector<Lap>& laps,
                    std::optional<uint32_t> rawStart = std::nullopt);

    // Makes TKRAW and TKBEST when missing. Called before another thread writes runs: their
    // creation then never changes the schema under a statement of this one.
    void createSideTables();

    // Raw watch starts, kept per run in TKRAW beside the specified tables; a row counts for
    // the run with its objid and stime.
    bool storedFromLog(uint32_t rawStart);
    bool hasRawStart(const Track& t);
    void storeRawStart(const Track& t, uint32_t rawStart);
    // Stored runs without a raw start whose start lies a whole number of 15 minutes within
    // 26 hours from `start`, with the same distance and elapsed seconds: the same log
    // converted with another time zone, unless their point counts differ.
    std::vector<Track> sameLogCandidates(double start, double dist, int32_t elapsed);

    // Best efforts, kept per run in TKBEST beside the specified tables. A row counts for
    // the run with its objid and stime, so rows an older copy of the program left behind
    // when it deleted a run never count for another.
    void storeBests(const Track& t, const RunEfforts& efforts);
    std::vector<Track> runsWithoutBests();
    // Computes and keeps the best efforts of every run that has none (a database from
    // before them), in steps of 100 runs; progress(done, total) after each step.
    int fillMissingBests(const std::function<void(int done, int total)>& progress = {});
    struct OverallBest {
        int effort = 0;  // index into kEffortDistances
        Effort best;
        Track run;
    };
    // Per distance that some run covers: the least seconds; on equal seconds the run that
    // started first.
    std::vector<OverallBest> overallBests();
    // The time and distance of a run's points, in recording order.
    std::vector<TimeAndDistance> timesAndDistances(int tkid);

    // Reads.
    std::vector<Track> allTracks();
    std::vector<Track> tracksOfDay(double dayStart);  // dayStart: the day at 00:00
    std::vector<TrackPoint> trackPoints(int tkid);
    std::vector<TrackPoint> lapPoints(int tkid, int si, int ei);
    std::vector<Lap> trackLaps(int tkid);
    bool findTrack(int objid, Track& out);

  private:
    void checkDb() const;
    // A table of ours beside the specified ones, made when first written.
    void ensureTable(const char* create, const char* index);
    // Runs body between begin and a commit; anything it throws rolls the whole back.
    void inTransaction(const char* begin, const std::function<void()>& body);
    sqlite3_stmt* cachedInsert(sqlite3_stmt*& slot, const char* sql);
    void stepInsert(sqlite3_stmt* st);

    sqlite3* db_ = nullptr;
    int busyTimeoutMs_ = 60000;
    std::function<void(int)> busyNotice_;
    // The point and lap inserts run hundreds of thousands of times per download. They
    // store exactly what their "%f" statement text would (see RoundAsSqlText) through
    // one compiled statement each, instead of compiling every row's text.
    sqlite3_stmt* pointInsert_ = nullptr;
    sqlite3_stmt* lapInsert_ = nullptr;
};

// The value a double takes when written into SQL text with "%f" and read back by SQLite:
// rounded to six decimals.
double RoundAsSqlText(double v);

// Row readers: read the current row by column name (NULL gives 0), then step.
void readTrack(DbQuery& q, Track& t);
void readTrackPoint(DbQuery& q, TrackPoint& p);
void readLap(DbQuery& q, Lap& l);

}  // namespace dorvath
