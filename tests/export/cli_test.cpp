// The export and trk commands of the program itself, run as a user would run them.
#include <gtest/gtest.h>

#include <fstream>

#include "data/c_format.h"
#include "export/gpx_export.h"
#include "export/track_file.h"
#include "export_fixture.h"
#include "sample_runs.h"
#include "support/process.h"

namespace dorvath::test {
namespace {

std::filesystem::path Program() {
    const char* bin = std::getenv("DORVATH_BINARY");
    return std::filesystem::path(bin ? bin : DORVATH_TEST_BINARY_FALLBACK) / "dorvath";
}

class Cli : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(std::filesystem::exists(Program())) << Program();
        std::filesystem::create_directory(dir / "a");
        TrackDatabase db;
        db.open((dir / "a" / "velcan.db").string());
        db.createTables();
        std::vector<Lap> laps;
        first = GeneratedPoints(200, 5);
        Track t = SampleTrack(first);
        db.storeTrack(t, first, laps);
        firstId = t.objid;
        std::vector<TrackPoint> second = SamplePoints();
        t = SampleTrack(second);
        db.storeTrack(t, second, laps);
        secondId = t.objid;
    }

    // Runs the program with the given data folder; stderr lands in err.
    ProcessResult Run(const std::string& dataDir, const std::string& args) {
        ProcessResult r = RunProcess(Quote(Program()) + " --data-dir " + Quote(dir / dataDir) +
                                     " " + args + " 2>" + Quote(dir / "err.txt"));
        err = ReadBytes(dir / "err.txt");
        return r;
    }

    TempDir dir;
    std::vector<TrackPoint> first;
    int firstId = 0, secondId = 0;
    std::string err;
};

TEST_F(Cli, ExportWritesEachFormat) {
    for (const char* fmt : {"gpx", "kml", "csv"}) {
        SCOPED_TRACE(fmt);
        std::filesystem::path out = dir / (std::string("second.") + fmt);
        ProcessResult r = Run(
            "a", std::string("export ") + fmt + " " + std::to_string(secondId) + " " + Quote(out));
        EXPECT_EQ(r.status, 0) << err;
        EXPECT_EQ(ReadBytes(out), ReadBytes(GoldenFile(std::string("sample.") + fmt)));
    }
}

// Every run into a folder, named by its start: a second run in the same minute gets
// "_2", a file already there is kept unless --force, one that cannot be written is named
// and the others are still written.
TEST_F(Cli, ExportAllWritesOneFilePerRun) {
    {
        TrackDatabase db;
        db.open((dir / "a" / "velcan.db").string());
        Track again = SampleTrack(first);
        again.stime += 20 * kOneSecond;  // the same minute as the first run
        std::vector<TrackPoint> pts = first;
        std::vector<Lap> laps;
        db.storeTrack(again, pts, laps);
    }
    const DateTimeFields f = OleDateToFields(SampleTrack(first).stime);
    const std::string stem =
        CFormat("%04d-%02d-%02d_%02d%02d", f.year, f.month, f.day, f.hour, f.minute);
    std::filesystem::create_directories(dir / "out");
    std::ofstream(dir / "out" / (stem + "_2.tcx")) << "mine";
    ProcessResult r = Run("a", "export tcx --all " + Quote(dir / "out"));
    EXPECT_EQ(r.status, 0) << err;
    EXPECT_EQ(r.out, "wrote 2, skipped 1\n");
    EXPECT_EQ(ReadBytes(dir / "out" / (stem + "_2.tcx")), "mine");
    EXPECT_NE(ReadBytes(dir / "out" / (stem + ".tcx")).find("<Lap "), std::string::npos);

    std::filesystem::remove(dir / "out" / (stem + "_2.tcx"));
    std::filesystem::create_directory(dir / "out" / (stem + "_2.tcx"));  // cannot be replaced
    r = Run("a", "export tcx --all --force " + Quote(dir / "out"));
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "wrote 2, skipped 0\n");
    EXPECT_NE(err.find(stem + "_2.tcx"), std::string::npos) << err;
    const std::string day = CFormat("%04d-%02d-%02d", f.year, f.month, f.day);
    r = Run("a", "export gpx --from " + day + " --to " + day + " " + Quote(dir / "days"));
    EXPECT_EQ(r.out, "wrote 2, skipped 0\n");
    EXPECT_EQ(Run("a", "export gpx --all").status, 2);
}

TEST_F(Cli, UnknownRunOrBadIdFailsWithMessageAndNoFile) {
    ProcessResult r = Run("a", "export gpx 999 " + Quote(dir / "x.gpx"));
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(err.find("no run with id 999"), std::string::npos) << err;
    r = Run("a", "export gpx 1x " + Quote(dir / "x.gpx"));
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(err.find("not a run id"), std::string::npos) << err;
    EXPECT_FALSE(std::filesystem::exists(dir / "x.gpx"));
    r = Run("a", "trk save " + Quote(dir / "x.trk") + " " + std::to_string(firstId) + " 77");
    EXPECT_EQ(r.status, 1);
    EXPECT_FALSE(std::filesystem::exists(dir / "x.trk"));
}

TEST_F(Cli, FailedWriteFailsWithMessage) {
    ProcessResult r =
        Run("a", "export kml " + std::to_string(firstId) + " " + Quote(dir / "missing" / "x.kml"));
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(err.find("missing"), std::string::npos) << err;
}

TEST_F(Cli, WrongArgumentsShowUsage) {
    EXPECT_EQ(Run("a", "export xml 1 " + Quote(dir / "x")).status, 2);
    EXPECT_NE(err.find("usage"), std::string::npos);
    EXPECT_EQ(Run("a", "trk open").status, 2);
}

// Save in one data folder, open in a fresh one, export again: the same GPX bytes.
TEST_F(Cli, TrackFileRoundTripGivesSameGpx) {
    std::filesystem::path trk = dir / "runs.trk";
    ProcessResult r = Run("a", "trk save " + Quote(trk) + " " + std::to_string(secondId) + " " +
                                   std::to_string(firstId));
    ASSERT_EQ(r.status, 0) << err;
    EXPECT_EQ(r.out, "saved 2\n");
    EXPECT_EQ(std::filesystem::file_size(trk), 4u + 56 * 2 + 80 * (3 + 200));

    r = Run("b", "trk open " + Quote(trk));
    ASSERT_EQ(r.status, 0) << err;
    EXPECT_EQ(r.out, "imported 2\n");
    ASSERT_EQ(Run("a", "export gpx " + std::to_string(firstId) + " " + Quote(dir / "a.gpx")).status,
              0);
    // In the fresh folder the runs got ids 1 and 2 in file order.
    ASSERT_EQ(Run("b", "export gpx 2 " + Quote(dir / "b.gpx")).status, 0) << err;
    EXPECT_EQ(ReadBytes(dir / "b.gpx"), ReadBytes(dir / "a.gpx"));
    EXPECT_EQ(ReadBytes(dir / "a.gpx"), GpxText(first));
}

TEST_F(Cli, ExportedRunIsReadByGpsBabelWithEveryPoint) {
    if (!HaveProgram("gpsbabel")) GTEST_SKIP() << "gpsbabel is not installed";
    ASSERT_EQ(Run("a", "export gpx " + std::to_string(firstId) + " " + Quote(dir / "a.gpx")).status,
              0);
    ProcessResult r = RunProcess("gpsbabel -t -i gpx -f " + Quote(dir / "a.gpx") +
                                 " -o unicsv -F - | tail -n +2 | wc -l");
    ASSERT_EQ(r.status, 0);
    EXPECT_EQ(std::stoi(r.out), static_cast<int>(first.size()));
}

TEST_F(Cli, OpenOfBadFileSaysWhyAndExitsOne) {
    WriteBytes(dir / "bad.trk", std::string("\x05\x00\x00\x00", 4) + std::string(20, 'x'));
    ProcessResult r = Run("b", "trk open " + Quote(dir / "bad.trk"));
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "imported 0\n");
    EXPECT_NE(err.find("run 1 of 5"), std::string::npos) << err;
}

}  // namespace
}  // namespace dorvath::test
