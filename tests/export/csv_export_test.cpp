// The CSV lines: six fields, CR LF, and the pace rule.
#include "export/csv_export.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "export_fixture.h"
#include "sample_runs.h"

namespace dorvath::test {
namespace {

using CsvExport = ExportTest;

TEST(CsvPace, ZeroNegativeAndNotANumberGiveDashes) {
    EXPECT_EQ(CsvPace(0.0), "--:--");
    EXPECT_EQ(CsvPace(-0.0), "--:--");
    EXPECT_EQ(CsvPace(-5.5), "--:--");
    EXPECT_EQ(CsvPace(std::numeric_limits<double>::quiet_NaN()), "--:--");
    EXPECT_EQ(CsvPace(std::numeric_limits<double>::infinity()), "--:--");
}

TEST(CsvPace, FractionIsPartOfAMinuteTruncatedNotRounded) {
    EXPECT_EQ(CsvPace(5.5), "05:30");
    EXPECT_EQ(CsvPace(5.999), "05:59");
    EXPECT_EQ(CsvPace(0.01), "00:00");  // 0.6 s
    EXPECT_EQ(CsvPace(12.25), "12:15");
}

TEST(CsvPace, WholeHoursAreDropped) {
    EXPECT_EQ(CsvPace(75.5), "15:30");
    EXPECT_EQ(CsvPace(60.0), "00:00");
    EXPECT_EQ(CsvPace(119.75), "59:45");
}

TEST(CsvPace, HugePaceStaysTwoFieldsWithoutOverflow) {
    std::string s = CsvPace(1e300);
    ASSERT_EQ(s.size(), 5u);
    EXPECT_EQ(s[2], ':');
    EXPECT_EQ(CsvPace(3e9 + 1.5), CsvPace(1.5 + std::fmod(3e9, 60.0)));
}

TEST(CsvLine, PointGivesTheSixFieldsAndCrLf) {
    TrackPoint p;
    p.time = OleDateFromFields(2016, 5, 1, 7, 5, 9);
    p.lat = 35.681236;
    p.lng = 139.7671;
    p.dist = 1234.56;
    p.speed = 10.04;
    p.pace = 5.5;
    EXPECT_EQ(CsvLine(p), "07:05:09,35.681236,139.767100,1234.6,10.0,05:30\r\n");
}

TEST(CsvLine, TimeOfDayIsRoundedAndDateLeftOut) {
    TrackPoint p;
    p.time = 42491.312523;  // 07:30:01.987
    EXPECT_EQ(CsvLine(p).substr(0, 9), "07:30:02,");
    p.time = 42491.0 - 0.3 / 86400;  // 23:59:59.7 the day before
    EXPECT_EQ(CsvLine(p).substr(0, 9), "00:00:00,");
}

TEST_F(CsvExport, SampleRunMatchesHandWrittenFile) {
    Track t = store(SamplePoints(), SampleTrack(SamplePoints()));
    ExportResult r = ExportCsv({dir / "run.csv", t}, db);
    ASSERT_TRUE(r.ok) << r.reason;
    EXPECT_EQ(ReadBytes(dir / "run.csv"), ReadBytes(GoldenFile("sample.csv")));
    EXPECT_EQ(CsvText(SamplePoints()), ReadBytes(GoldenFile("sample.csv")));
}

TEST_F(CsvExport, RunWithoutPointsGivesEmptyFile) {
    Track t = store({}, SampleTrack({}));
    ASSERT_TRUE(ExportCsv({dir / "run.csv", t}, db).ok);
    EXPECT_TRUE(std::filesystem::exists(dir / "run.csv"));
    EXPECT_EQ(std::filesystem::file_size(dir / "run.csv"), 0u);
}

TEST_F(CsvExport, LinesFollowRecordingOrder) {
    std::vector<TrackPoint> pts = GeneratedPoints(50, 3);
    Track t = store(pts, SampleTrack(pts));
    ASSERT_TRUE(ExportCsv({dir / "run.csv", t}, db).ok);
    EXPECT_EQ(ReadBytes(dir / "run.csv"), CsvText(pts));
}

TEST_F(CsvExport, FileThatCannotBeCreatedIsFailure) {
    Track t = store(SamplePoints(), SampleTrack(SamplePoints()));
    ExportResult r = ExportCsv({dir / "missing" / "run.csv", t}, db);
    EXPECT_FALSE(r.ok);
    EXPECT_FALSE(r.reason.empty());
    EXPECT_EQ(FolderEntries(dir.path()), std::vector<std::string>{"velcan.db"});
}

}  // namespace
}  // namespace dorvath::test
