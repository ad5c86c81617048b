// Another program reads our files: GPSBabel must see every point, at the right place and
// (GPX) the right time. It reads zero points without complaint when a namespace is wrong,
// so the count matters as much as the values.
#include <gtest/gtest.h>

#include <sstream>

#include "data/c_format.h"
#include "export/gpx_export.h"
#include "export/kml_export.h"
#include "export_fixture.h"
#include "process.h"
#include "sample_runs.h"

namespace dorvath::test {
namespace {

struct BabelPoint {
    std::string lat, lng, date, time;
};

// Reads "No,Latitude,Longitude[,Date,Time]" lines.
std::vector<BabelPoint> ParseUnicsv(const std::string& text) {
    std::vector<BabelPoint> out;
    std::istringstream in(text);
    std::string line;
    bool header = true;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (header) {
            header = false;
            continue;
        }
        std::vector<std::string> f;
        std::istringstream fields(line);
        for (std::string s; std::getline(fields, s, ',');) f.push_back(s);
        if (f.size() < 3) continue;
        out.push_back({f[1], f[2], f.size() > 3 ? f[3] : "", f.size() > 4 ? f[4] : ""});
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

    std::vector<TrackPoint> points;
    Track track;
};

TEST_F(GpsBabel, ReadsEveryGpxPointWithItsPlaceAndTime) {
    ASSERT_TRUE(ExportGpx({dir / "run.gpx", track}, db).ok);
    std::vector<BabelPoint> got = readBack("gpx", dir / "run.gpx");
    ASSERT_EQ(got.size(), points.size());
    for (size_t i = 0; i < points.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(got[i].lat, CFormat("%.6f", points[i].lat));
        EXPECT_EQ(got[i].lng, CFormat("%.6f", points[i].lng));
        DateTimeFields f = OleDateToFields(points[i].time);
        EXPECT_EQ(got[i].date, CFormat("%04d/%02d/%02d", f.year, f.month, f.day));
        EXPECT_EQ(got[i].time, CFormat("%02d:%02d:%02d", f.hour, f.minute, f.second));
    }
}

TEST_F(GpsBabel, ReadsEveryKmlPointWithItsPlace) {
    ASSERT_TRUE(ExportKml({dir / "run.kml", track}, db).ok);
    std::vector<BabelPoint> got = readBack("kml", dir / "run.kml");
    ASSERT_EQ(got.size(), points.size());
    for (size_t i = 0; i < points.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(got[i].lat, CFormat("%.6f", points[i].lat));
        EXPECT_EQ(got[i].lng, CFormat("%.6f", points[i].lng));
    }
}

TEST_F(GpsBabel, ReadsNoPointFromEmptyGpx) {
    Track empty = store({}, SampleTrack({}));
    ASSERT_TRUE(ExportGpx({dir / "empty.gpx", empty}, db).ok);
    EXPECT_TRUE(readBack("gpx", dir / "empty.gpx").empty());
}

}  // namespace
}  // namespace dorvath::test
