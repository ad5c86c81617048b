// GPX and KML files, byte for byte against files written by hand, and how a file that
// cannot be written is reported.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>

#include <cmath>

#include "export/gpx_export.h"
#include "export/kml_export.h"
#include "export_fixture.h"
#include "sample_runs.h"

namespace dorvath::test {
namespace {

using XmlExport = ExportTest;

// Every line end is CR LF, the file ends in one, and nothing precedes the declaration.
void ExpectPrintedForm(const std::string& bytes, const std::string& rootEnd) {
    ASSERT_GE(bytes.size(), 40u);
    EXPECT_EQ(bytes.rfind("<?xml version=\"1.0\" encoding=\"UTF-8\" ?>\r\n", 0), 0u);
    EXPECT_EQ(bytes.substr(bytes.size() - rootEnd.size() - 2), rootEnd + "\r\n");
    for (size_t i = 0; i < bytes.size(); ++i) {
        if (bytes[i] == '\n') {
            ASSERT_TRUE(i > 0 && bytes[i - 1] == '\r') << "bare LF at " << i;
        }
    }
}

TEST_F(XmlExport, GpxOfSampleRunMatchesHandWrittenFile) {
    std::string expected = ReadBytes(GoldenFile("sample.gpx"));
    ASSERT_FALSE(expected.empty());
    EXPECT_EQ(GpxText(SamplePoints()), expected);
    ExpectPrintedForm(expected, "</gpx>");
}

TEST_F(XmlExport, GpxExportReadsStoredPointsAndWritesSameBytes) {
    Track t = store(SamplePoints(), SampleTrack(SamplePoints()));
    ExportResult r = ExportGpx({dir / "run.gpx", t}, db);
    ASSERT_TRUE(r.ok) << r.reason;
    EXPECT_EQ(ReadBytes(dir / "run.gpx"), ReadBytes(GoldenFile("sample.gpx")));
}

TEST_F(XmlExport, GpxOfRunWithoutPointsKeepsEmptyElements) {
    Track t = store({}, SampleTrack({}));
    ASSERT_TRUE(ExportGpx({dir / "empty.gpx", t}, db).ok);
    std::string bytes = ReadBytes(dir / "empty.gpx");
    EXPECT_EQ(bytes, ReadBytes(GoldenFile("empty.gpx")));
    EXPECT_NE(bytes.find("        <trkseg />\r\n"), std::string::npos);
}

TEST_F(XmlExport, GpxTimeRoundsToNearestSecond) {
    EXPECT_EQ(GpxTime(42491.312523), "2016-05-01T07:30:02Z");  // 07:30:01.987
    EXPECT_EQ(GpxTime(42491.0 + 0.4 / 86400), "2016-05-01T00:00:00Z");
    EXPECT_EQ(GpxTime(42491.0 - 0.4 / 86400), "2016-05-01T00:00:00Z");  // rounds over midnight
    EXPECT_EQ(GpxTime(25569.0), "1970-01-01T00:00:00Z");
}

TEST_F(XmlExport, GpxWritesNegativeCoordinatesWithSixDecimals) {
    std::vector<TrackPoint> pts(1);
    pts[0].lat = -33.5;
    pts[0].lng = -0.000001;
    std::string text = GpxText(pts);
    EXPECT_NE(text.find("<trkpt lat=\"-33.500000\" lon=\"-0.000001\">"), std::string::npos);
}

TEST_F(XmlExport, KmlOfSampleRunMatchesHandWrittenFile) {
    std::string expected = ReadBytes(GoldenFile("sample.kml"));
    EXPECT_EQ(KmlText(SamplePoints()), expected);
    ExpectPrintedForm(expected, "</kml>");
    Track t = store(SamplePoints(), SampleTrack(SamplePoints()));
    ASSERT_TRUE(ExportKml({dir / "run.kml", t}, db).ok);
    EXPECT_EQ(ReadBytes(dir / "run.kml"), expected);
}

TEST_F(XmlExport, KmlTwoPointsGiveLngLatPairsEachFollowedByBlank) {
    std::vector<TrackPoint> pts(2);
    pts[0].lat = 35.0;
    pts[0].lng = 139.5;
    pts[1].lat = 35.000001;
    pts[1].lng = 139.500002;
    EXPECT_EQ(KmlCoordinates(pts), "139.500000,35.000000 139.500002,35.000001 ");
    EXPECT_EQ(KmlText(pts), ReadBytes(GoldenFile("two_points.kml")));
}

TEST_F(XmlExport, KmlOfRunWithoutPointsHasEmptyCoordinatesAndFullStyle) {
    Track t = store({}, SampleTrack({}));
    ASSERT_TRUE(ExportKml({dir / "empty.kml", t}, db).ok);
    std::string bytes = ReadBytes(dir / "empty.kml");
    EXPECT_EQ(bytes, ReadBytes(GoldenFile("empty.kml")));
    EXPECT_NE(bytes.find("<coordinates></coordinates>"), std::string::npos);
    EXPECT_NE(bytes.find("<Style id=\"retrace_style\" xmlns=\"\">"), std::string::npos);
}

TEST_F(XmlExport, ExportReplacesExistingFile) {
    WriteBytes(dir / "run.gpx", std::string(5000, 'x'));
    Track t = store(SamplePoints(), SampleTrack(SamplePoints()));
    ASSERT_TRUE(ExportGpx({dir / "run.gpx", t}, db).ok);
    EXPECT_EQ(ReadBytes(dir / "run.gpx"), ReadBytes(GoldenFile("sample.gpx")));
    EXPECT_EQ(FolderEntries(dir.path()), (std::vector<std::string>{"run.gpx", "velcan.db"}));
}

TEST_F(XmlExport, FileInMissingFolderIsReportedFailure) {
    Track t = store(SamplePoints(), SampleTrack(SamplePoints()));
    for (auto fn : {ExportGpx, ExportKml}) {
        ExportResult r = fn({dir / "no-such-folder" / "run.gpx", t}, db);
        EXPECT_FALSE(r.ok);
        EXPECT_NE(r.reason.find("no-such-folder"), std::string::npos) << r.reason;
    }
}

TEST_F(XmlExport, TargetThatIsAFolderFailsAndLeavesNoTemporaryFile) {
    std::filesystem::create_directory(dir / "taken.gpx");
    Track t = store(SamplePoints(), SampleTrack(SamplePoints()));
    ExportResult r = ExportGpx({dir / "taken.gpx", t}, db);
    EXPECT_FALSE(r.ok);
    EXPECT_FALSE(r.reason.empty());
    EXPECT_TRUE(std::filesystem::is_directory(dir / "taken.gpx"));
    EXPECT_EQ(FolderEntries(dir.path()), (std::vector<std::string>{"taken.gpx", "velcan.db"}));
}

// A write that fails half way (here: the file size limit) must not replace the old file.
TEST_F(XmlExport, FailedWriteKeepsOldFileWhole) {
    std::vector<TrackPoint> pts = GeneratedPoints(400, 7);
    Track t = store(pts, SampleTrack(pts));
    WriteBytes(dir / "run.kml", "old");
    struct rlimit old {};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old), 0);
    auto oldHandler = signal(SIGXFSZ, SIG_IGN);
    struct rlimit small = old;
    small.rlim_cur = 1000;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    ExportResult kml = ExportKml({dir / "run.kml", t}, db);
    ExportResult gpx = ExportGpx({dir / "run.gpx", t}, db);
    setrlimit(RLIMIT_FSIZE, &old);
    signal(SIGXFSZ, oldHandler);
    EXPECT_FALSE(kml.ok);
    EXPECT_FALSE(gpx.ok);
    EXPECT_NE(kml.reason.find("run.kml"), std::string::npos) << kml.reason;
    EXPECT_EQ(ReadBytes(dir / "run.kml"), "old");
    EXPECT_FALSE(std::filesystem::exists(dir / "run.gpx"));
    EXPECT_EQ(FolderEntries(dir.path()), (std::vector<std::string>{"run.kml", "velcan.db"}));
}

TEST_F(XmlExport, DatabaseErrorIsReportedNotThrown) {
    Track t = store(SamplePoints(), SampleTrack(SamplePoints()));
    db.execute("drop table TKPT;");
    ExportResult r = ExportGpx({dir / "run.gpx", t}, db);
    EXPECT_FALSE(r.ok);
    EXPECT_NE(r.reason.find("SQLITE_ERROR"), std::string::npos) << r.reason;
    EXPECT_FALSE(std::filesystem::exists(dir / "run.gpx"));
}

TEST_F(XmlExport, NonFiniteValuesAreWrittenAsWords) {
    // Non-finite values come out as words, not as markup.
    std::vector<TrackPoint> pts(1);
    pts[0].lat = std::nan("");
    pts[0].lng = -INFINITY;
    std::string text = GpxText(pts);
    EXPECT_NE(text.find("lat=\"nan\" lon=\"-inf\""), std::string::npos);
    EXPECT_NE(text.find("<time>1899-12-30T00:00:00Z</time>"), std::string::npos);
}

}  // namespace
}  // namespace dorvath::test
