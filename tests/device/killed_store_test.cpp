// A run is stored whole or not at all, also when the process storing it dies: killed at
// any moment of a long download or import, no run is left without its points, and the
// next download stores the run that was cut off.
#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <fstream>
#include <thread>

#include "app/run_command.h"
#include "data/temp_dir.h"
#include "data/track_database.h"

namespace dorvath {
namespace {

using Clock = std::chrono::steady_clock;

constexpr int kPoints = 100000;

// Every stored run holds exactly the points it claims; laps belong to stored runs.
void ExpectEveryRunWhole(const std::filesystem::path& db) try {
    TrackDatabase d;
    d.open(db.string());
    if (!d.tableExists("TK")) return;  // killed before the tables were made
    for (const Track& t : d.allTracks())
        EXPECT_EQ(
            d.queryInt("select count(*) from TKPT where tkid=" + std::to_string(t.objid) + ";"),
            t.numofpt)
            << "run " << t.objid;
    EXPECT_EQ(d.queryInt("select count(*) from TKPT where tkid not in (select objid from TK);"), 0);
    EXPECT_EQ(d.queryInt("select count(*) from LAP where tkid not in (select objid from TK);"), 0);
} catch (const CppSQLite3Exception& e) {
    ADD_FAILURE() << e.what();
}

class KilledStore : public ::testing::Test {
  protected:
    void SetUp() override {
        std::ofstream(scenarioDir / "watch.json") << R"({"logs": [{"start_time": 1700000000,
                   "generate": {"points": 100000, "lap_every_m": 1000, "seed": 7}}]})";
        watch = "--simulate-watch=" + (scenarioDir / "watch.json").string();
    }
    std::vector<std::string> download(const test::TempDir& dir) {
        return {"--data-dir", dir.path().string(), watch, "download"};
    }
    test::TempDir scenarioDir;
    std::string watch;
};

TEST_F(KilledStore, KilledAtAnyMomentLeavesNoGhostAndTheNextDownloadStoresTheRun) {
    // How long an uninterrupted download takes here, to spread the kills across it.
    test::TempDir whole;
    const auto t0 = Clock::now();
    auto full = test::RunDorvath(download(whole));
    const auto took = Clock::now() - t0;
    std::printf("an uninterrupted download of %d points took %.0f ms\n", kPoints,
                std::chrono::duration<double, std::milli>(took).count());
    ASSERT_EQ(full.status, 0) << full.err;
    ASSERT_EQ(full.out.substr(full.out.rfind("stored")), "stored 1, skipped 0\n");

    struct Kill {
        int signal;
        double at;  // share of the whole download's time
    };
    // Most moments fall in the second half, where the run is being stored.
    for (Kill k : {Kill{SIGKILL, 0.25}, Kill{SIGKILL, 0.5}, Kill{SIGKILL, 0.65}, Kill{SIGKILL, 0.8},
                   Kill{SIGKILL, 0.95}, Kill{SIGTERM, 0.7}, Kill{SIGINT, 0.85}}) {
        SCOPED_TRACE(std::string(strsignal(k.signal)) + " at " + std::to_string(k.at));
        test::TempDir dir;
        test::StartedDorvath child = test::StartDorvath(download(dir));
        ASSERT_GT(child.pid, 0);
        std::this_thread::sleep_for(std::chrono::duration_cast<Clock::duration>(took * k.at));
        child.kill(k.signal);
        child.wait();
        ExpectEveryRunWhole(dir / "velcan.db");

        auto again = test::RunDorvath(download(dir));
        ASSERT_EQ(again.status, 0) << again.err;
        TrackDatabase d;
        d.open((dir / "velcan.db").string());
        auto runs = d.allTracks();
        ASSERT_EQ(runs.size(), 1u);
        EXPECT_EQ(runs[0].numofpt, kPoints);
        EXPECT_EQ(d.queryInt("select count(*) from TKPT;"), kPoints);
    }

    // An import killed half-way likewise stores nothing of the run it was in.
    auto saved = test::RunDorvath(
        {"--data-dir", whole.path().string(), "trk", "save", (whole / "runs.trk").string(), "1"});
    ASSERT_EQ(saved.status, 0) << saved.err;
    for (double at : {0.3, 0.6}) {
        test::TempDir dir;
        test::StartedDorvath child = test::StartDorvath(
            {"--data-dir", dir.path().string(), "trk", "open", (whole / "runs.trk").string()});
        std::this_thread::sleep_for(std::chrono::duration_cast<Clock::duration>(took * at));
        child.kill(SIGKILL);
        child.wait();
        ExpectEveryRunWhole(dir / "velcan.db");
    }
}

}  // namespace
}  // namespace dorvath
