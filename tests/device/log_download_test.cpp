#include "device/log_download.h"

#include <gtest/gtest.h>

#include <functional>
#include <limits>
#include <stop_token>

#include "data/track.h"
#include "sim_fixture.h"

namespace dorvath {
namespace {

using test::Fix;
using test::FixLog;
using test::LapMarker;
using test::LogOf;
using Wire = WatchSimulator::Wire;

class DownloadTest : public test::SimFixture {
  protected:
    DownloadEnd download() {
        progress.clear();
        return DownloadLogs(
            *link, db, [this](std::string t) { progress.push_back(t); }, &stats);
    }
    std::vector<std::string> progress;
    DownloadStats stats;
};

// ---- Requests on the wire -------------------------------------------------------------

TEST_F(DownloadTest, HeaderRequestForIndexThreeIsCodeIndexAndZeros) {
    for (uint32_t i = 0; i < 4; ++i) scenario.logs.push_back(FixLog(1000000 + i * 10000, 1));
    start();
    ASSERT_EQ(download(), kDownloadComplete);
    auto headers = writes(CMD_LOG_HEADER);
    ASSERT_EQ(headers.size(), 4u);
    Report expected{0x01, 0x01, 0xAA, 0x55, 0x03};
    EXPECT_EQ(headers[3], expected);
}

TEST_F(DownloadTest, EmptyWatchExchangesSettingsAndCountOnly) {
    start();
    EXPECT_EQ(download(), kDownloadComplete);
    EXPECT_TRUE(progress.empty());
    const auto& w = watch->wire();
    ASSERT_EQ(w.size(), 8u);
    const uint32_t codes[] = {CMD_SETTINGS_READ_1, CMD_SETTINGS_READ_2, CMD_SETTINGS_READ_3,
                              CMD_LOG_COUNT};
    for (size_t i = 0; i < 4; ++i) {
        EXPECT_EQ(w[2 * i].kind, Wire::HostWrite);
        EXPECT_EQ(w[2 * i].bytes, MakeRequest(codes[i]));
        EXPECT_EQ(w[2 * i + 1].kind, Wire::WatchReply);
    }
    EXPECT_EQ(count("TK"), 0);
}

class AckTest : public DownloadTest, public ::testing::WithParamInterface<uint32_t> {};

// After the records request: the records, an acknowledgement for the log after every
// 64th, and nothing that timed out.
TEST_P(AckTest, AcknowledgesAfterEverySixtyFourthRecord) {
    const uint32_t n = GetParam();
    scenario.logs.push_back(FixLog(2000000, n));
    start();
    ASSERT_EQ(download(), kDownloadComplete);
    const auto& w = watch->wire();
    size_t at = 0;
    while (at < w.size() &&
           !(w[at].kind == Wire::HostWrite && GetU32(w[at].bytes.data()) == CMD_LOG_RECORDS))
        ++at;
    ASSERT_LT(at, w.size());
    EXPECT_EQ(w[at].bytes, MakeCommandHeader(CMD_LOG_RECORDS, 0));
    std::vector<Wire> expected;
    for (uint32_t k = 1; k <= n; ++k) {
        expected.push_back(Wire::WatchReply);
        if (k % 64 == 0) expected.push_back(Wire::HostWrite);
    }
    std::vector<Wire> got;
    for (size_t i = at + 1; i < w.size(); ++i) {
        got.push_back(w[i].kind);
        if (w[i].kind == Wire::HostWrite) {
            EXPECT_EQ(w[i].bytes, MakeCommandHeader(CMD_LOG_RECORDS_ACK, 0));
        }
    }
    EXPECT_EQ(got, expected);
    EXPECT_EQ(watch->acknowledgements(), static_cast<int>(n / 64));
    EXPECT_EQ(count("TKPT"), static_cast<int>(n));
}

INSTANTIATE_TEST_SUITE_P(StreamLengths, AckTest, ::testing::Values(0u, 63u, 64u, 65u, 128u, 130u));

TEST_F(DownloadTest, ProgressMovesInStepsOfSixtyFour) {
    scenario.logs.push_back(FixLog(3000000, 5));
    scenario.logs.push_back(FixLog(3100000, 200));
    start();
    ASSERT_EQ(download(), kDownloadComplete);
    std::vector<std::string> expected = {"履歴1 5-5", "履歴2 200-64", "履歴2 200-128",
                                         "履歴2 200-192", "履歴2 200-200"};
    EXPECT_EQ(progress, expected);
}

// ---- What is stored -----------------------------------------------------------------

TEST_F(DownloadTest, LapBoundsCountEveryRecordOfTheStream) {
    scenario.logs.push_back(
        LogOf(100000, {Fix(100000), Fix(100001), Fix(100002), LapMarker(100002, 1000.5f, 300),
                       Fix(100003), Fix(100004), LapMarker(100004, 999.25f, 310)}));
    start();
    ASSERT_EQ(download(), kDownloadComplete);
    auto points = db.trackPoints(1);
    ASSERT_EQ(points.size(), 5u);
    for (int i = 0; i < 5; ++i) EXPECT_EQ(points[i].sindex, i);
    auto laps = db.trackLaps(1);
    ASSERT_EQ(laps.size(), 2u);
    EXPECT_EQ(laps[0].sindex, 0);
    EXPECT_EQ(laps[0].si, 0);
    EXPECT_EQ(laps[0].ei, 3);
    EXPECT_EQ(laps[0].time, 300);
    EXPECT_FLOAT_EQ(laps[0].dist, 1000.5f);
    EXPECT_EQ(laps[0].kcal, 61);
    EXPECT_FLOAT_EQ(laps[0].pace, 10.25f);
    EXPECT_EQ(laps[1].sindex, 1);
    EXPECT_EQ(laps[1].si, 3);
    EXPECT_EQ(laps[1].ei, 6);
    EXPECT_EQ(laps[1].time, 310);
    Track t;
    ASSERT_TRUE(db.findTrack(1, t));
    EXPECT_EQ(t.numofpt, 5);
}

TEST_F(DownloadTest, OtherKindsCountInPositionsButAreNotStored) {
    LogRecord other = Fix(500001);
    other.kind = 2;
    scenario.logs.push_back(LogOf(500000, {Fix(500000), other, LapMarker(500002)}));
    start();
    ASSERT_EQ(download(), kDownloadComplete);
    EXPECT_EQ(progress, std::vector<std::string>{"履歴1 3-3"});
    EXPECT_EQ(count("TKPT"), 1);
    auto laps = db.trackLaps(1);
    ASSERT_EQ(laps.size(), 1u);
    EXPECT_EQ(laps[0].si, 0);
    EXPECT_EQ(laps[0].ei, 2);
}

TEST_F(DownloadTest, FixAndHeaderFieldsAreStoredAsReceived) {
    LogRecord f = Fix(1700000000, 35681236, -139767100);
    f.speed = 12.5f;
    f.dist = 1234.5;
    f.kcal = 77;
    f.pace = 4.8f;
    f.atli = -3.25f;
    WatchLog log = LogOf(1700000000, {f, Fix(1700000060)});
    log.header.distance_km = 5.25f;
    log.header.kcal = 321;
    log.header.elapsed = 1800;
    log.header.pace = 10.5f;
    scenario.logs.push_back(log);
    start();
    ASSERT_EQ(download(), kDownloadComplete);
    Track t;
    ASSERT_TRUE(db.findTrack(1, t));
    const double start = OleDateFromSeconds(1700000000 + 32400);
    EXPECT_NEAR(t.stime, start, 1e-6);
    EXPECT_NEAR(t.etime, OleDateFromSeconds(1700000060 + 32400), 1e-6);
    EXPECT_DOUBLE_EQ(t.dist, 5250.0);
    EXPECT_EQ(t.kcal, 321);
    EXPECT_EQ(t.elapsed, 1800);
    EXPECT_DOUBLE_EQ(t.pace, 10.5);
    EXPECT_EQ(t.numofpt, 2);
    auto p = db.trackPoints(1);
    ASSERT_EQ(p.size(), 2u);
    EXPECT_EQ(p[0].tkid, 1);
    EXPECT_DOUBLE_EQ(p[0].lat, 35.681236);
    EXPECT_DOUBLE_EQ(p[0].lng, -139.7671);
    EXPECT_NEAR(p[0].time, start, 1e-6);
    EXPECT_DOUBLE_EQ(p[0].speed, 12.5);
    EXPECT_DOUBLE_EQ(p[0].dist, 1234.5);
    EXPECT_EQ(p[0].kcal, 77);
    EXPECT_NEAR(p[0].pace, 4.8, 1e-6);
    EXPECT_DOUBLE_EQ(p[0].atli, -3.25);
}

TEST_F(DownloadTest, ValuesThatAreNotNumbersAreStoredAsZero) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    LogRecord f = Fix(700000);
    f.speed = nan;
    f.dist = -std::numeric_limits<double>::infinity();
    f.pace = inf;
    f.atli = nan;
    LogRecord lap = LapMarker(700001);
    lap.lap_distance = nan;
    lap.pace = -inf;
    WatchLog log = LogOf(700000, {f, lap});
    log.header.distance_km = inf;
    log.header.pace = nan;
    scenario.logs.push_back(log);
    scenario.logs.push_back(FixLog(800000, 2));
    start();
    ASSERT_EQ(download(), kDownloadComplete);
    EXPECT_EQ(stats.stored, 2);
    Track t;
    ASSERT_TRUE(db.findTrack(1, t));
    EXPECT_EQ(t.dist, 0);
    EXPECT_EQ(t.pace, 0);
    auto p = db.trackPoints(1).at(0);
    EXPECT_EQ(p.speed, 0);
    EXPECT_EQ(p.dist, 0);
    EXPECT_EQ(p.pace, 0);
    EXPECT_EQ(p.atli, 0);
    auto l = db.trackLaps(1).at(0);
    EXPECT_EQ(l.dist, 0);
    EXPECT_EQ(l.pace, 0);
}

TEST_F(DownloadTest, EmptyLogStoresATrackWithoutPoints) {
    scenario.logs.push_back(LogOf(600000, {}));
    start();
    ASSERT_EQ(download(), kDownloadComplete);
    EXPECT_EQ(progress, std::vector<std::string>{"履歴1 0-0"});
    Track t;
    ASSERT_TRUE(db.findTrack(1, t));
    EXPECT_EQ(t.numofpt, 0);
    EXPECT_EQ(t.etime, t.stime);
    EXPECT_EQ(watch->acknowledgements(), 0);
}

// ---- Time zone ------------------------------------------------------------------------

TEST(WatchTime, BiasAndDaylightShiftTheCount) {
    EXPECT_EQ(ConvertWatchTime(0, -540, 0), 32400u);
    EXPECT_EQ(ConvertWatchTime(0, -540, 1), 28800u);
    EXPECT_EQ(ConvertWatchTime(0, -540, 2), 32400u);  // only exactly 1 is summer time
    EXPECT_EQ(ConvertWatchTime(7200, 60, 0), 3600u);
    // West of Greenwich at the start of the count: the 32-bit count wraps.
    EXPECT_EQ(ConvertWatchTime(0, 540, 0), 4294934896u);
    EXPECT_EQ(ConvertWatchTime(100, 0, 1), 4294963796u);
}

struct ZoneCase {
    int32_t bias, daylight;
    uint32_t expected;
};

class ZoneTest : public DownloadTest, public ::testing::WithParamInterface<ZoneCase> {};

TEST_P(ZoneTest, StartAndPointTimesUseTheWatchsZone) {
    scenario.settings.set("utc_bias", GetParam().bias);
    scenario.settings.set("daylight", GetParam().daylight);
    scenario.logs.push_back(LogOf(0, {Fix(0)}));
    start();
    ASSERT_EQ(download(), kDownloadComplete);
    Track t;
    ASSERT_TRUE(db.findTrack(1, t));
    const double expected = OleDateFromSeconds(GetParam().expected);
    EXPECT_NEAR(t.stime, expected, 1e-6);
    EXPECT_NEAR(db.trackPoints(1).at(0).time, expected, 1e-6);
}

INSTANTIATE_TEST_SUITE_P(Zones, ZoneTest,
                         ::testing::Values(ZoneCase{-540, 0, 32400}, ZoneCase{-540, 1, 28800},
                                           ZoneCase{540, 0, 4294934896u}));

TEST_F(DownloadTest, TokyoMidnightIsNineInTheMorning) {
    scenario.logs.push_back(LogOf(0, {}));
    start();
    ASSERT_EQ(download(), kDownloadComplete);
    Track t;
    ASSERT_TRUE(db.findTrack(1, t));
    EXPECT_NEAR(t.stime, 25569.375, 1e-6);
    EXPECT_EQ(FormatDateTime(t.stime), "1970-01-01 09:00:00");
}

// ---- Duplicates -----------------------------------------------------------------------

TEST_F(DownloadTest, StoredLogIsSkippedWithoutRecordsRequest) {
    scenario.logs.push_back(FixLog(800000, 10));
    scenario.logs.push_back(FixLog(900000, 10));
    Track stored;
    stored.stime = stored.etime = OleDateFromSeconds(800000 + 32400) + 0.5 * kOneSecond;
    db.insertTrack(stored);
    start();
    ASSERT_EQ(download(), kDownloadComplete);
    auto records = writes(CMD_LOG_RECORDS);
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0], MakeCommandHeader(CMD_LOG_RECORDS, 1));
    // The second header is asked for straight after the first.
    const auto writes = watch->hostWrites();
    ASSERT_GE(writes.size(), 6u);
    EXPECT_EQ(writes[4], MakeCommandHeader(CMD_LOG_HEADER, 0));
    EXPECT_EQ(writes[5], MakeCommandHeader(CMD_LOG_HEADER, 1));
    EXPECT_EQ(progress, std::vector<std::string>{"履歴2 10-10"});
    EXPECT_EQ(stats.skipped, 1);
    EXPECT_EQ(stats.stored, 1);
    EXPECT_EQ(count("TK"), 2);
}

TEST_F(DownloadTest, SecondDownloadStoresNothing) {
    scenario.logs.push_back(FixLog(800000, 70));
    scenario.logs.push_back(FixLog(900000, 3));
    start();
    ASSERT_EQ(download(), kDownloadComplete);
    ASSERT_EQ(download(), kDownloadComplete);
    EXPECT_EQ(stats.stored, 0);
    EXPECT_EQ(stats.skipped, 2);
    EXPECT_TRUE(progress.empty());
    EXPECT_EQ(count("TK"), 2);
    EXPECT_EQ(count("TKPT"), 73);
}

// The same two logs after the watch's time zone changed: stored 0 each time, also for a
// database from before raw starts were kept; a new log beside them is still stored.
TEST_F(DownloadTest, AChangedTimeZoneStoresNoLogTwice) {
    for (bool before : {false, true}) {
        SCOPED_TRACE(before ? "a database from before raw starts" : "raw starts kept");
        db.execute("delete from TK; delete from TKPT; drop table if exists TKRAW;");
        scenario.logs = {FixLog(800000, 70), FixLog(900000, 3)};
        scenario.logs[1].records.push_back(LapMarker(900003));
        ++scenario.logs[1].header.record_count;
        for (auto [bias, daylight] : {std::pair{-540, 0}, {0, 0}, {-600, 1}}) {
            scenario.settings.set("utc_bias", bias);
            scenario.settings.set("daylight", daylight);
            start();
            ASSERT_EQ(download(), kDownloadComplete);
            EXPECT_EQ(stats.stored, bias == -540 ? 2 : 0) << bias;
            if (before && bias == -540) db.execute("drop table TKRAW;");
        }
        EXPECT_EQ(count("TK"), 2);
        scenario.logs.push_back(FixLog(950000, 5));
        start();
        ASSERT_EQ(download(), kDownloadComplete);
        EXPECT_EQ(stats.stored, 1);
    }
}

// ---- Failures -------------------------------------------------------------------------

TEST_F(DownloadTest, FailureInSecondLogKeepsTheFirstAndNothingOfTheSecond) {
    scenario.logs.push_back(FixLog(1000000, 100));
    scenario.logs.push_back(FixLog(2000000, 100));
    // settings 6, count 2, header 2, request 1, 100 records and 1 ack, header 2,
    // request 1, then 9 records: the 10th read is the first to go unanswered.
    scenario.faults.stopAfterReports = 6 + 2 + 2 + 1 + 101 + 2 + 1 + 9;
    start();
    watches.add("fail", watch);
    long before = watch.use_count();
    std::vector<std::string> seen;
    DownloadOutcome out =
        RunDownload(watches, "sim:fail", db, [&](std::string t) { seen.push_back(std::move(t)); });
    EXPECT_TRUE(out.opened);
    EXPECT_EQ(out.result, kDownloadFailed);
    EXPECT_EQ(out.reason, "the watch stopped answering");  // no database error
    EXPECT_EQ(out.stats.stored, 1);
    EXPECT_EQ(watch.use_count(), before);  // the link let go of the watch
    EXPECT_EQ(count("TK"), 1);
    EXPECT_EQ(count("TKPT"), 100);
    Track t;
    ASSERT_TRUE(db.findTrack(1, t));
    EXPECT_NEAR(t.stime, OleDateFromSeconds(1000000 + 32400), 1e-6);
    // Nothing was sent after the failed read.
    ASSERT_FALSE(watch->wire().empty());
    EXPECT_EQ(watch->wire().back().kind, Wire::ReadTimedOut);
    EXPECT_EQ(seen.back(), "履歴1 100-100");  // the second log got no further than 9
}

// A stop asked for while the second of three logs streams: the first run stays whole,
// nothing of the second is stored, the watch is not acknowledged again nor left with a
// record on its way, and a next download over a new link stores the rest.
TEST_F(DownloadTest, StopInSecondLogKeepsTheFirstAndTheNextDownloadStoresTheRest) {
    scenario.logs.push_back(FixLog(1000000, 100));
    scenario.logs.push_back(FixLog(2000000, 300));
    scenario.logs.push_back(FixLog(3000000, 70));
    start();
    watches.add("cancel", watch);
    const long before = watch.use_count();
    std::stop_source stop;
    std::vector<std::string> seen;
    DownloadOutcome out = RunDownload(
        watches, "sim:cancel", db,
        [&](std::string t) {
            if (t.rfind("履歴2 ", 0) == 0) stop.request_stop();
            seen.push_back(std::move(t));
        },
        stop.get_token());
    EXPECT_EQ(out.result, kDownloadCancelled);
    EXPECT_TRUE(out.reason.empty());
    EXPECT_EQ(out.stats.stored, 1);
    EXPECT_EQ(watch.use_count(), before);  // its link let go of the watch
    EXPECT_EQ(seen.back(), "履歴2 300-64");
    EXPECT_EQ(watch->acknowledgements(), 1);  // the first log's only one
    ASSERT_FALSE(watch->wire().empty());
    EXPECT_EQ(watch->wire().back().kind, Wire::WatchReply);  // no time-out, nothing unread
    EXPECT_EQ(count("TK"), 1);
    EXPECT_EQ(count("TKPT"), 100);
    Track t;
    ASSERT_TRUE(db.findTrack(1, t));
    EXPECT_NEAR(t.stime, OleDateFromSeconds(1000000 + 32400), 1e-6);

    out = RunDownload(watches, "sim:cancel", db, nullptr, std::stop_source().get_token());
    EXPECT_EQ(out.result, kDownloadComplete);
    EXPECT_EQ(out.stats.stored, 2);
    EXPECT_EQ(out.stats.skipped, 1);
    EXPECT_EQ(count("TK"), 3);
    EXPECT_EQ(count("TKPT"), 470);
    for (const Track& r : db.allTracks())
        EXPECT_EQ(
            db.queryInt("select count(*) from TKPT where tkid=" + std::to_string(r.objid) + ";"),
            r.numofpt);

    // A stop asked for before the start ends before the first header, with nothing sent
    // after the count.
    scenario.logs.push_back(FixLog(4000000, 5));
    start();
    watch->clearWire();
    std::stop_source early;
    early.request_stop();
    EXPECT_EQ(DownloadLogs(*link, db, nullptr, &stats, early.get_token()), kDownloadCancelled);
    EXPECT_TRUE(writes(CMD_LOG_HEADER).empty());
    EXPECT_EQ(count("TK"), 3);
}

// A reply that comes after the 1000 ms, or comes short, fails its transfer like silence;
// one within the time-out is taken. The run read before stays whole, the other is absent.
TEST_F(DownloadTest, LateOrShortReplyEndsTheDownloadLikeATimeOut) {
    const uint64_t inSecondStream = 6 + 2 + 2 + 1 + 101 + 2 + 1 + 5;
    struct Case {
        const char* name;
        std::optional<uint64_t> late, shortAt;
        int lateMs;
        int stored;
    };
    for (const Case& c : {Case{"late 1500 ms", inSecondStream, {}, 1500, 1},
                          Case{"short reply", {}, inSecondStream, 0, 1},
                          Case{"late 150 ms", inSecondStream, {}, 150, 2}}) {
        SCOPED_TRACE(c.name);
        db.execute("delete from TK;");
        db.execute("delete from TKPT;");
        scenario = {};
        scenario.logs.push_back(FixLog(1000000, 100));
        scenario.logs.push_back(FixLog(2000000, 100));
        scenario.faults.lateAtReport = c.late;
        scenario.faults.lateMs = c.lateMs;
        scenario.faults.shortAtReport = c.shortAt;
        watch = std::make_shared<WatchSimulator>(scenario);
        link = std::make_unique<SimulatedLink>(watch, SimulatedTiming{{}, true});
        EXPECT_EQ(download(), c.stored == 2 ? kDownloadComplete : kDownloadFailed);
        EXPECT_EQ(count("TK"), c.stored);
        EXPECT_EQ(count("TKPT"), 100 * c.stored);
    }
}

// A watch that fails one way or another: the download fails, with what came before its
// fault stored whole and nothing after it.
TEST_F(DownloadTest, AFaultOfTheWatchFailsTheDownloadAfterWhatCameWhole) {
    struct Fault {
        const char* name;
        std::function<void(WatchScenario&)> make;
        int stored;
        Wire last;
        bool countAsked = true;
    };
    for (const Fault& f : std::vector<Fault>{
             {"more logs counted than delivered: no second header",
              [](WatchScenario& s) { s.faults.extraLogCount = 2; }, 1, Wire::ReadTimedOut},
             {"a stream shorter than its count",
              [](WatchScenario& s) { s.logs[0].header.record_count = 101; }, 0, Wire::ReadTimedOut},
             {"slice 2's reply never comes",
              [](WatchScenario& s) { s.faults.stopAfterReports = 3; }, 0, Wire::ReadTimedOut,
              false},
             {"the acknowledgement times out",
              [](WatchScenario& s) { s.faults.stopAfterReports = 6 + 2 + 2 + 1 + 64; }, 0,
              Wire::WriteTimedOut}}) {
        SCOPED_TRACE(f.name);
        db.execute("delete from TK; delete from TKPT;");
        scenario = {};
        scenario.logs.push_back(FixLog(1000000, 100));
        f.make(scenario);
        start();
        EXPECT_EQ(download(), kDownloadFailed);
        EXPECT_EQ(count("TK"), f.stored);
        EXPECT_EQ(count("TKPT"), 100 * f.stored);
        EXPECT_EQ(watch->wire().back().kind, f.last);
        EXPECT_EQ(writes(CMD_LOG_COUNT).empty(), !f.countAsked);
        if (f.stored)
            EXPECT_EQ(writes(CMD_LOG_HEADER).back(), MakeCommandHeader(CMD_LOG_HEADER, 1));
    }
}

TEST_F(DownloadTest, DatabaseErrorLeavesNoHalfRunAndTheLinkClosed) {
    scenario.logs.push_back(FixLog(1000000, 5));
    scenario.logs.push_back(FixLog(2000000, 5));
    db.execute("drop table LAP;");
    db.execute("create table LAP (objid integer primary key);");  // inserts will fail
    scenario.logs[1].records.push_back(LapMarker(2000006));
    scenario.logs[1].header.record_count = 6;
    start();
    watches.add("db", watch);
    long before = watch.use_count();
    DownloadOutcome out = RunDownload(watches, "sim:db", db, nullptr);
    EXPECT_EQ(out.result, kDownloadFailed);
    EXPECT_FALSE(out.reason.empty());
    EXPECT_EQ(out.stats.stored, 1);
    EXPECT_EQ(watch.use_count(), before);  // the link let go of the watch
    EXPECT_EQ(count("TK"), 1);
    EXPECT_EQ(count("TKPT"), 5);
    // The connection is usable again: nothing was left in a transaction.
    EXPECT_NO_THROW(db.execute("begin transaction;"));
    db.execute("commit transaction;");
}

TEST_F(DownloadTest, UnknownPathDoesNotOpen) {
    DownloadOutcome out = RunDownload(watches, "sim:nobody", db, nullptr);
    EXPECT_FALSE(out.opened);
    EXPECT_EQ(out.result, kDownloadFailed);
}

}  // namespace
}  // namespace dorvath
