#include "data/track_database.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <clocale>
#include <cmath>
#include <random>

#include "data/c_format.h"
#include "support/with_database.h"
#include "temp_dir.h"

namespace dorvath {
namespace {

class DatabaseTest : public test::WithDatabase {
  protected:
    Track storeRun(double stime, int points, int laps) {
        Track t{.stime = stime,
                .etime = stime + points / 86400.0,
                .numofpt = points,
                .dist = points * 3.0};
        std::vector<TrackPoint> pts;
        for (int i = 0; i < points; ++i)
            pts.push_back({.time = stime + i / 86400.0,
                           .lat = 35.0 + i * 1e-5,
                           .lng = 139.0 - i * 1e-5,
                           .dist = i * 3.0});
        std::vector<Lap> lps;
        for (int i = 0; i < laps; ++i) lps.push_back({.si = i * 10, .ei = i * 10 + 10});
        db.storeTrack(t, pts, lps);
        return t;
    }
};

std::string ThrownText(const std::function<void()>& f) {
    try {
        f();
    } catch (const CppSQLite3Exception& e) {
        return e.errorMessage();
    }
    return "(nothing thrown)";
}

TEST_F(DatabaseTest, SchemaIsCreatedOnceWithTheExactStatements) {
    std::vector<std::string> sql;
    DbQuery q = db.query("select sql from sqlite_master where type='table' order by rowid;");
    while (!q.atEnd()) {
        sql.push_back(q.columnText(0));
        q.next();
    }
    // SQLite keeps the text as given, apart from its own "CREATE TABLE" prefix and the ';'.
    auto stored = [](std::string s) {
        s.pop_back();
        return "CREATE TABLE" + s.substr(12);
    };
    ASSERT_EQ(sql.size(), 3u);
    EXPECT_EQ(sql[0], stored(kCreateTK));
    EXPECT_EQ(sql[1], stored(kCreateTKPT));
    EXPECT_EQ(sql[2], stored(kCreateLAP));
    EXPECT_NE(std::string(kCreateTK).find("dist\t\tdouble"), std::string::npos);

    storeRun(45000.25, 3, 1);
    db.close();
    db.open((dir / "velcan.db").string());
    db.createTables();  // second start: nothing altered, nothing lost
    EXPECT_EQ(db.queryInt("select count(*) from sqlite_master where type='table' and name in "
                          "('TK','TKPT','LAP');"),
              3);
    EXPECT_EQ(count("TKPT"), 3);
}

// The tables and indexes come together or not at all: a start that fails (or is killed)
// half-way must not leave TK without TKPT.
TEST(DatabaseCreate, TablesAreMadeWholeOrNotAtAll) {
    test::TempDir dir;
    TrackDatabase db;
    db.open((dir / "velcan.db").string());
    db.execute("create view TKPT as select 1;");  // the second table cannot be made
    EXPECT_THROW(db.createTables(), CppSQLite3Exception);
    EXPECT_FALSE(db.tableExists("TK"));
    db.execute("drop view TKPT;");
    db.createTables();
    EXPECT_TRUE(db.tableExists("TK") && db.tableExists("TKPT") && db.tableExists("LAP"));
    EXPECT_FALSE(db.indexesMissing());
}

// A database made without indexes gets them, and the run queries use them instead of
// reading every row of every run.
TEST_F(DatabaseTest, RunQueriesFindTheirRowsThroughIndexes) {
    for (const char* name : {"TKPT_tkid", "LAP_tkid", "TK_stime"})
        db.execute(std::string("drop index ") + name + ";");
    EXPECT_TRUE(db.indexesMissing());
    db.createTables();
    EXPECT_FALSE(db.indexesMissing());
    auto plan = [&](const std::string& sql) {
        std::string all;
        DbQuery q = db.query("explain query plan " + sql);
        while (!q.atEnd()) {
            all += q.columnText(q.columnIndex("detail"));
            all += "\n";
            q.next();
        }
        return all;
    };
    EXPECT_NE(plan("select * from TKPT where tkid=3;").find("TKPT_tkid"), std::string::npos);
    EXPECT_NE(
        plan("select * from TKPT where tkid=3 and sindex>=0 and sindex<10;").find("TKPT_tkid"),
        std::string::npos);
    EXPECT_NE(plan("select * from LAP where tkid=3;").find("LAP_tkid"), std::string::npos);
    EXPECT_NE(plan("delete from TKPT where tkid = 3;").find("TKPT_tkid"), std::string::npos);
    EXPECT_NE(
        plan("select * from TK where stime>=1.0 and stime<2.0 order by stime;").find("TK_stime"),
        std::string::npos);
    // Points still come back in the order they were recorded.
    storeRun(45000.25, 50, 0);
    Track second = storeRun(45001.25, 50, 0);
    auto pts = db.trackPoints(second.objid);
    ASSERT_EQ(pts.size(), 50u);
    for (int i = 0; i < 50; ++i) EXPECT_EQ(pts[i].sindex, i);
}

TEST_F(DatabaseTest, ValuesAreRoundedToSixDecimalsOnTheWayIn) {
    Track t = storeRun(42491.3125229471, 1, 0);
    auto tracks = db.allTracks();
    ASSERT_EQ(tracks.size(), 1u);
    EXPECT_DOUBLE_EQ(tracks[0].stime, 42491.312523);
    EXPECT_EQ(FormatDateTime(tracks[0].stime), "2016-05-01 07:30:02");
    TrackPoint p;
    p.tkid = t.objid;
    p.lat = 35.12345678;
    p.lng = -139.98765449;
    db.insertTrackPoint(p);
    auto pts = db.trackPoints(t.objid);
    ASSERT_EQ(pts.size(), 2u);
    EXPECT_DOUBLE_EQ(pts[1].lat, 35.123457);
    EXPECT_DOUBLE_EQ(pts[1].lng, -139.987654);
    EXPECT_EQ(pts[1].objid, p.objid);
}

TEST_F(DatabaseTest, PointsStoreExactlyWhatTheirStatementTextWould) {
    // Same values through the text statement and through insertTrackPoint: the same six
    // decimals (SQLite's own text-to-double may land one unit in the last place away).
    std::mt19937_64 rng(7);
    std::uniform_real_distribution<double> any(-200.0, 50000.0);
    db.execute("begin transaction;");
    for (int i = 0; i < 3000; ++i) {
        TrackPoint p;
        p.tkid = 1;
        p.time = 40000 + any(rng);
        p.lat = any(rng) / 300;
        p.lng = any(rng) / 300;
        p.dist = any(rng);
        p.speed = any(rng) / 1000;
        p.pace = any(rng) / 9999;
        p.atli = any(rng) / 7;
        if (i == 0) p.lat = 0.0000005;  // exactly half a step
        db.insertTrackPoint(p);
        db.execute(SqlFormat(
            "insert into TKPT (tkid,sindex,time,lat,lng,dist,speed,kcal,pace,atli) values "
            "(%d,%d,%f,%f,%f,%f,%f,%d,%f,%f);",
            2, p.sindex, p.time, p.lat, p.lng, p.dist, p.speed, p.kcal, p.pace, p.atli));
    }
    db.execute("commit transaction;");
    auto a = db.trackPoints(1), b = db.trackPoints(2);
    ASSERT_EQ(a.size(), b.size());
    for (size_t i = 0; i < a.size(); ++i) {
        for (double TrackPoint::*f :
             {&TrackPoint::time, &TrackPoint::lat, &TrackPoint::lng, &TrackPoint::dist,
              &TrackPoint::speed, &TrackPoint::pace, &TrackPoint::atli}) {
            ASSERT_EQ(CFormat("%.6f", a[i].*f), CFormat("%.6f", b[i].*f)) << i;
            ASSERT_NEAR(a[i].*f, b[i].*f, std::fabs(b[i].*f) * 1e-15) << i;
        }
    }
    Lap l;
    l.tkid = 1;
    l.dist = 1000.123456789f;
    l.pace = 10.98765f;
    db.insertLap(l);
    auto laps = db.trackLaps(1);
    ASSERT_EQ(laps.size(), 1u);
    EXPECT_EQ(laps[0].dist, static_cast<float>(RoundAsSqlText(1000.123456789f)));
}

TEST(RoundAsSqlTextTest, EqualsReadingTheSixDecimalText) {
    auto viaText = [](double v) { return std::strtod(CFormat("%f", v).c_str(), nullptr); };
    std::mt19937_64 rng(11);
    std::uniform_real_distribution<double> any(-1e6, 1e6);
    std::uniform_int_distribution<long long> micro(-999999999999LL, 999999999999LL);
    for (int i = 0; i < 200000; ++i) {
        double v = i % 2 ? any(rng) : micro(rng) / 1e6;  // random, and already on a step
        if (i % 3 == 0) v += 0.5e-6;                     // at or near a half step
        ASSERT_EQ(RoundAsSqlText(v), viaText(v)) << CFormat("%.17f", v);
    }
    for (double v : {0.0, -0.0, -1e-7, 0.0000005, 0.0000015, 2.5e-6, 46000.5000005, 1e13, -3e15,
                     42491.3125229471, 139.7671249999999})
        EXPECT_EQ(RoundAsSqlText(v), viaText(v)) << CFormat("%.17f", v);
    EXPECT_TRUE(std::signbit(RoundAsSqlText(-1e-7)));
}

TEST_F(DatabaseTest, NonFiniteValuesAreRefusedLikeTheirText) {
    TrackPoint p;
    p.lat = std::nan("");
    EXPECT_THROW(db.insertTrackPoint(p), CppSQLite3Exception);
    p.lat = 0;
    p.atli = INFINITY;
    EXPECT_THROW(db.insertTrackPoint(p), CppSQLite3Exception);
    EXPECT_EQ(count("TKPT"), 0);
}

TEST_F(DatabaseTest, SqlNumbersIgnoreTheProcessLocale) {
    if (!std::setlocale(LC_ALL, "de_DE.UTF-8")) std::setlocale(LC_ALL, "C.UTF-8");
    Track t;
    t.stime = 45000.5;
    t.dist = 1.5;
    db.insertTrack(t);
    std::setlocale(LC_ALL, "C");
    Track back;
    ASSERT_TRUE(db.findTrack(t.objid, back));
    EXPECT_DOUBLE_EQ(back.dist, 1.5);
    EXPECT_DOUBLE_EQ(back.stime, 45000.5);
}

TEST_F(DatabaseTest, FindTrackAtMatchesStrictlyWithinOneSecond) {
    const double start = OleDateFromFields(2026, 12, 1, 7, 0, 0);
    Track t = storeRun(start, 0, 0);
    EXPECT_EQ(db.findTrackAt(start), t.objid);
    EXPECT_EQ(db.findTrackAt(start + 0.9 * kOneSecond), t.objid);
    EXPECT_EQ(db.findTrackAt(start - 0.9 * kOneSecond), t.objid);
    EXPECT_EQ(db.findTrackAt(start + 2 * kOneSecond), 0);
    EXPECT_EQ(db.findTrackAt(start - 2 * kOneSecond), 0);
    // A run exactly one second after the candidate (both rounded to six decimals alike,
    // as the statement texts are) is a different run.
    const double nextDay = start + 1.0;
    Track other = storeRun(nextDay + kOneSecond, 0, 0);
    EXPECT_EQ(db.findTrackAt(nextDay), 0);
    EXPECT_EQ(db.findTrackAt(nextDay + 2 * kOneSecond), 0);
    EXPECT_EQ(db.findTrackAt(nextDay + 0.5 * kOneSecond), other.objid);
}

TEST_F(DatabaseTest, StoredRunReadsBackByDayRunAndLap) {
    const double day = OleDateFromFields(2026, 12, 1);
    Track late = storeRun(day + 0.75, 30, 3);
    Track early = storeRun(day + 0.25, 5, 0);
    storeRun(day + 1.0, 2, 0);   // next day
    storeRun(day - 0.01, 2, 0);  // day before
    auto runs = db.tracksOfDay(day);
    ASSERT_EQ(runs.size(), 2u);
    EXPECT_EQ(runs[0].objid, early.objid);  // start order, not insert order
    EXPECT_EQ(runs[1].objid, late.objid);
    EXPECT_EQ(runs[1].numofpt, 30);

    auto pts = db.trackPoints(late.objid);
    ASSERT_EQ(pts.size(), 30u);
    for (int i = 0; i < 30; ++i) {
        EXPECT_EQ(pts[i].sindex, i);
        EXPECT_EQ(pts[i].tkid, late.objid);
    }
    auto laps = db.trackLaps(late.objid);
    ASSERT_EQ(laps.size(), 3u);
    EXPECT_EQ(laps[2].sindex, 2);
    auto lap = db.lapPoints(late.objid, laps[1].si, laps[1].ei);
    ASSERT_EQ(lap.size(), 10u);
    EXPECT_EQ(lap.front().sindex, 10);
    EXPECT_EQ(lap.back().sindex, 19);
    EXPECT_TRUE(db.tracksOfDay(day + 5).empty());
}

TEST_F(DatabaseTest, DeleteRemovesTheRunFromAllThreeTables) {
    Track a = storeRun(45000.1, 20, 2);
    Track b = storeRun(45000.2, 7, 1);
    for (const Track& t : {a, b}) db.storeRawStart(t, 1700000000 + t.objid);
    db.deleteTrack(a.objid);
    EXPECT_EQ(count("TK"), 1);
    EXPECT_EQ(count("TKPT"), 7);
    EXPECT_EQ(count("LAP"), 1);
    EXPECT_EQ(count("TKRAW"), 1);  // and the raw start kept beside them
    EXPECT_NO_THROW(db.deleteTrack(9999));
    EXPECT_EQ(count("TK"), 1);
    EXPECT_EQ(db.trackPoints(b.objid).size(), 7u);
}

TEST_F(DatabaseTest, AFailedRunIsStoredNotAtAll) {
    storeRun(45000.1, 3, 1);
    // A trigger makes the fifth point's insert fail inside the transaction.
    db.execute(
        "create trigger fail_fifth before insert on TKPT when new.sindex = 4 "
        "begin select raise(abort, 'disk full'); end;");
    Track t;
    t.stime = 45001.5;
    std::vector<TrackPoint> pts(10);
    std::vector<Lap> laps(2);
    EXPECT_THROW(db.storeTrack(t, pts, laps), CppSQLite3Exception);
    EXPECT_EQ(count("TK"), 1);
    EXPECT_EQ(count("TKPT"), 3);
    EXPECT_EQ(count("LAP"), 1);
    EXPECT_EQ(db.findTrackAt(45001.5), 0);
    // the connection is usable again and not left inside a transaction
    EXPECT_TRUE(sqlite3_get_autocommit(db.handle()));
    db.execute("drop trigger fail_fifth;");
    storeRun(45002.5, 10, 2);
    EXPECT_EQ(count("TKPT"), 13);
}

TEST_F(DatabaseTest, EmptyResultIsAtEndAtOnce) {
    DbQuery q = db.query("select * from TK;");
    EXPECT_TRUE(q.atEnd());
    EXPECT_TRUE(db.allTracks().empty());
}

TEST_F(DatabaseTest, WrapperErrorsCarryTheirTexts) {
    EXPECT_EQ(ThrownText([&] { db.execute("selec nothing;"); }),
              "SQLITE_ERROR[1]: near \"selec\": syntax error");
    // a prepare failure has no detail after the blank
    EXPECT_EQ(ThrownText([&] { db.query("selec nothing;"); }), "SQLITE_ERROR[1]: ");
    EXPECT_EQ(ThrownText([&] { db.queryInt("select * from TK;"); }),
              "CPPSQLITE_ERROR[1000]: Invalid scalar query");
    storeRun(45000.1, 1, 0);
    DbQuery q = db.query("select * from TK;");
    EXPECT_EQ(ThrownText([&] { q.columnIndex("Objid"); }),
              "CPPSQLITE_ERROR[1000]: Invalid field name requested");
    EXPECT_EQ(ThrownText([&] { q.columnIndex(nullptr); }),
              "CPPSQLITE_ERROR[1000]: Invalid field name requested");
    EXPECT_EQ(ThrownText([&] { q.columnText(8); }),
              "CPPSQLITE_ERROR[1000]: Invalid field index requested");
    EXPECT_EQ(ThrownText([&] { q.columnType(-1); }),
              "CPPSQLITE_ERROR[1000]: Invalid field index requested");
    DbQuery moved = std::move(q);
    EXPECT_EQ(ThrownText([&] { q.atEnd(); }),
              "CPPSQLITE_ERROR[1000]: Null Virtual Machine pointer");
    EXPECT_NO_THROW(q.finalize());
    EXPECT_FALSE(moved.atEnd());
    db.close();
    EXPECT_EQ(ThrownText([&] { db.execute("select 1;"); }),
              "CPPSQLITE_ERROR[1000]: Database not open");
    EXPECT_EQ(ThrownText([&] { db.tableExists("TK"); }),
              "CPPSQLITE_ERROR[1000]: Database not open");
}

TEST(DatabaseOpen, FailureRaisesWithTheLibraryMessage) {
    TrackDatabase db;
    std::string text = ThrownText([&] { db.open("/nonexistent-dir/sub/velcan.db"); });
    EXPECT_EQ(text, "SQLITE_CANTOPEN[14]: unable to open database file");
    EXPECT_FALSE(db.isOpen());
}

TEST(ExceptionNames, CodesMapToTheirSymbolicNames) {
    EXPECT_STREQ(CppSQLite3Exception::errorCodeAsString(0), "SQLITE_OK");
    EXPECT_STREQ(CppSQLite3Exception::errorCodeAsString(25), "SQLITE_RANGE");
    EXPECT_STREQ(CppSQLite3Exception::errorCodeAsString(26), "UNKNOWN_ERROR");
    EXPECT_STREQ(CppSQLite3Exception::errorCodeAsString(100), "SQLITE_ROW");
    EXPECT_STREQ(CppSQLite3Exception::errorCodeAsString(101), "SQLITE_DONE");
    EXPECT_EQ(CppSQLite3Exception(7, "").errorMessage(), "SQLITE_NOMEM[7]: ");
}

}  // namespace
}  // namespace dorvath
