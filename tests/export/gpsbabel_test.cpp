// Another program reads our files: GPSBabel must see every point, at the right place and
// (GPX) the right time. It reads zero points without complaint when a namespace is wrong,
// so the count matters as much as the values.
#include <gtest/gtest.h>

#include <optional>
#include <sstream>

#include "data/c_format.h"
#include "export/gpx_export.h"
#include "export/kml_export.h"
#include "export/tcx_export.h"
#include "export_fixture.h"
#include "sample_runs.h"
#include "support/process.h"

namespace dorvath::test {
namespace {

struct BabelPoint {
    std::string lat, lng, date, time;
};

// Reads unicsv lines by their header's names: Latitude, Longitude and, when there, Date
// and Time.
std::vector<BabelPoint> ParseUnicsv(const std::string& text) {
    std::vector<BabelPoint> out;
    std::istringstream in(text);
    std::string line;
    std::vector<std::string> names;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        std::vector<std::string> f;
        std::istringstream fields(line);
        for (std::string s; std::getline(fields, s, ',');) f.push_back(s);
        if (names.empty()) {
            names = f;
            continue;
        }
        auto field = [&](const char* name) {
            for (size_t i = 0; i < names.size() && i < f.size(); ++i)
                if (names[i] == name) return f[i];
            return std::string();
        };
        if (f.size() < 3) continue;
        out.push_back({field("Latitude"), field("Longitude"), field("Date"), field("Time")});
    }
    return out;
}

class GpsBabel : public ExportTest {
  protected:
    void SetUp() override {
        if (!HaveProgram("gpsbabel")) GTEST_SKIP() << "gpsbabel is not installed";
        ExportTest::SetUp();
        points = GeneratedPoints(300, 42);
        // Southern and western hemisphere too.
        for (size_t i = 150; i < points.size(); ++i) {
            points[i].lat = -points[i].lat;
            points[i].lng = -points[i].lng;
        }
        track = store(points, SampleTrack(points));
    }

    std::vector<BabelPoint> readBack(const char* format, const std::filesystem::path& file) {
        ProcessResult r = RunProcess(std::string("gpsbabel -t -i ") + format + " -f " +
                                     Quote(file) + " -o unicsv -F - 2>" + Quote(dir / "err.txt"));
        EXPECT_EQ(r.status, 0) << ReadBytes(dir / "err.txt");
        EXPECT_EQ(ReadBytes(dir / "err.txt"), "");
        return ParseUnicsv(r.out);
    }

    // Every point read back in its place, and at its time shifted by `hoursToUtc` when
    // the format has times.
    void expectPoints(const std::vector<BabelPoint>& got, std::optional<int> hoursToUtc) {
        ASSERT_EQ(got.size(), points.size());
        for (size_t i = 0; i < points.size(); ++i) {
            SCOPED_TRACE(i);
            EXPECT_EQ(got[i].lat, CFormat("%.6f", points[i].lat));
            EXPECT_EQ(got[i].lng, CFormat("%.6f", points[i].lng));
            if (!hoursToUtc) continue;
            DateTimeFields f = OleDateToFields(points[i].time + *hoursToUtc / 24.0);
            EXPECT_EQ(got[i].date, CFormat("%04d/%02d/%02d", f.year, f.month, f.day));
            EXPECT_EQ(got[i].time, CFormat("%02d:%02d:%02d", f.hour, f.minute, f.second));
        }
    }

    std::vector<TrackPoint> points;
    Track track;
};

TEST_F(GpsBabel, ReadsEveryGpxPointWithItsPlaceAndTime) {
    ASSERT_TRUE(ExportGpx({dir / "run.gpx", track}, db).ok);
    expectPoints(readBack("gpx", dir / "run.gpx"), 0);
}

TEST_F(GpsBabel, ReadsEveryKmlPointWithItsPlace) {
    ASSERT_TRUE(ExportKml({dir / "run.kml", track}, db).ok);
    expectPoints(readBack("kml", dir / "run.kml"), std::nullopt);
}

// Laps over the first 250 points (the last 50 make a lap of their own), or none; times
// in UTC from the wall-clock times stored at UTC+09:00.
TEST_F(GpsBabel, ReadsEveryTcxPointWithItsPlaceAndUtcTime) {
    for (bool withLaps : {true, false}) {
        SCOPED_TRACE(withLaps ? "laps" : "no laps");
        std::vector<TrackPoint> pts = points;
        std::vector<Lap> laps;
        for (int i = 0; withLaps && i < 5; ++i) {
            Lap& l = laps.emplace_back();
            l.time = 300;
            l.dist = 1000;
            l.si = i * 50;
            l.ei = i * 50 + 50;
        }
        Track run = SampleTrack(pts);
        db.storeTrack(run, pts, laps);
        const auto file = dir / "run.tcx";
        ASSERT_TRUE(ExportTcx({file, run}, db, 540).ok);
        EXPECT_EQ(RunProcess("xmllint --noout " + Quote(file)).status, 0);
        const std::string text = ReadBytes(file);
        size_t lapCount = 0;
        for (size_t at = 0; (at = text.find("<Lap ", at)) != std::string::npos; ++at) ++lapCount;
        EXPECT_EQ(lapCount, withLaps ? 6u : 1u);
        expectPoints(readBack("gtrnctr", file), -9);
    }
    EXPECT_EQ(ParseUtcOffset("-05:30"), -330);
    EXPECT_FALSE(ParseUtcOffset("9:00"));
}

TEST_F(GpsBabel, ReadsNoPointFromEmptyGpx) {
    Track empty = store({}, SampleTrack({}));
    ASSERT_TRUE(ExportGpx({dir / "empty.gpx", empty}, db).ok);
    EXPECT_TRUE(readBack("gpx", dir / "empty.gpx").empty());
}

}  // namespace
}  // namespace dorvath::test
