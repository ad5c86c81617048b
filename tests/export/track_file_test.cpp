// The track file: its byte layout, the round trip between two databases, and the reader's
// answer to every kind of bad file.
#include "export/track_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cmath>
#include <cstring>
#include <functional>
#include <limits>

#include "export_fixture.h"
#include "sample_runs.h"

namespace dorvath::test {
namespace {

using TrackFile = ExportTest;
using Status = TrackImport::Status;

uint32_t U32At(const std::string& b, size_t off) {
    uint32_t v = 0;
    for (int i = 3; i >= 0; --i) v = v << 8 | static_cast<uint8_t>(b[off + i]);
    return v;
}
double F64At(const std::string& b, size_t off) {
    uint64_t v = 0;
    for (int i = 7; i >= 0; --i) v = v << 8 | static_cast<uint8_t>(b[off + i]);
    double d;
    std::memcpy(&d, &v, 8);
    return d;
}

std::string Le32(uint32_t v) {
    std::string s(4, '\0');
    for (int i = 0; i < 4; ++i) s[i] = static_cast<char>(v >> (8 * i));
    return s;
}

std::string TrackBytes(const Track& t) {
    uint8_t b[kTrackRecordSize];
    EncodeTrackRecord(t, b);
    return std::string(reinterpret_cast<char*>(b), sizeof b);
}

std::string PointBytes(const TrackPoint& p) {
    uint8_t b[kPointRecordSize];
    EncodePointRecord(p, b);
    return std::string(reinterpret_cast<char*>(b), sizeof b);
}

// A well-formed run block of the sample run.
std::string SampleBlock() {
    std::vector<TrackPoint> pts = SamplePoints();
    std::string s = TrackBytes(SampleTrack(pts));
    for (const TrackPoint& p : pts) s += PointBytes(p);
    return s;
}

TEST(TrackRecord, FieldsAtTheirOffsetsLittleEndianReservedZero) {
    const Track t{.objid = 0x01020304,
                  .stime = 42491.25,
                  .etime = 42491.5,
                  .numofpt = 3,
                  .elapsed = -7,
                  .dist = 1234.5,
                  .pace = 10.25,
                  .kcal = 99};
    std::string b = TrackBytes(t);
    ASSERT_EQ(b.size(), 56u);
    EXPECT_EQ(b.substr(0, 4), std::string("\x04\x03\x02\x01", 4));
    EXPECT_EQ(b.substr(4, 4), std::string(4, '\0'));
    EXPECT_EQ(F64At(b, 8), 42491.25);
    EXPECT_EQ(F64At(b, 16), 42491.5);
    EXPECT_EQ(U32At(b, 24), 3u);
    EXPECT_EQ(U32At(b, 28), 0xfffffff9u);
    EXPECT_EQ(F64At(b, 32), 1234.5);
    EXPECT_EQ(F64At(b, 40), 10.25);
    EXPECT_EQ(U32At(b, 48), 99u);
    EXPECT_EQ(b.substr(52, 4), std::string(4, '\0'));
    Track back = DecodeTrackRecord(reinterpret_cast<const uint8_t*>(b.data()));
    EXPECT_EQ(back.objid, t.objid);
    EXPECT_EQ(back.elapsed, -7);
    EXPECT_EQ(back.kcal, 99);
}

TEST(TrackPointRecord, FieldsAtTheirOffsetsLittleEndianReservedZero) {
    const TrackPoint p{.objid = 11,
                       .tkid = 12,
                       .sindex = 13,
                       .time = 42491.3,
                       .lat = -33.5,
                       .lng = 151.25,
                       .dist = 100.5,
                       .speed = 9.75,
                       .kcal = 14,
                       .pace = 6.5,
                       .atli = -3.25};
    std::string b = PointBytes(p);
    ASSERT_EQ(b.size(), 80u);
    EXPECT_EQ(U32At(b, 0), 11u);
    EXPECT_EQ(U32At(b, 4), 12u);
    EXPECT_EQ(U32At(b, 8), 13u);
    EXPECT_EQ(b.substr(12, 4), std::string(4, '\0'));
    EXPECT_EQ(F64At(b, 16), 42491.3);
    EXPECT_EQ(F64At(b, 24), -33.5);
    EXPECT_EQ(F64At(b, 32), 151.25);
    EXPECT_EQ(F64At(b, 40), 100.5);
    EXPECT_EQ(F64At(b, 48), 9.75);
    EXPECT_EQ(U32At(b, 56), 14u);
    EXPECT_EQ(b.substr(60, 4), std::string(4, '\0'));
    EXPECT_EQ(F64At(b, 64), 6.5);
    EXPECT_EQ(F64At(b, 72), -3.25);
    TrackPoint back = DecodePointRecord(reinterpret_cast<const uint8_t*>(b.data()));
    EXPECT_EQ(back.sindex, 13);
    EXPECT_EQ(back.atli, -3.25);
}

TEST_F(TrackFile, TwoRunsOfThreeAndZeroPointsGive356Bytes) {
    Track a = store(SamplePoints(), SampleTrack(SamplePoints()));
    Track b = store({}, SampleTrack({}));
    SaveResult r = SaveTrackFile(dir / "two.trk", {a, b}, db);
    ASSERT_TRUE(r.ok) << r.reason;
    EXPECT_EQ(r.runs, 2);
    std::string bytes = ReadBytes(dir / "two.trk");
    ASSERT_EQ(bytes.size(), 356u);
    EXPECT_EQ(U32At(bytes, 0), 2u);
    EXPECT_EQ(U32At(bytes, 4), static_cast<uint32_t>(a.objid));
    EXPECT_EQ(U32At(bytes, 4 + 24), 3u);
    EXPECT_EQ(F64At(bytes, 4 + 56 + 24), -33.5);   // first point's lat
    EXPECT_EQ(U32At(bytes, 4 + 56 + 80 + 8), 1u);  // second point's sindex
    EXPECT_EQ(U32At(bytes, 4 + 56 + 240), static_cast<uint32_t>(b.objid));
    EXPECT_EQ(U32At(bytes, 4 + 56 + 240 + 24), 0u);
}

TEST_F(TrackFile, NoRunsGiveTheFourByteCountZero) {
    ASSERT_TRUE(SaveTrackFile(dir / "none.trk", {}, db).ok);
    EXPECT_EQ(ReadBytes(dir / "none.trk"), std::string(4, '\0'));
    TrackDatabase other;
    other.open(":memory:");
    other.createTables();
    ImportResult r = OpenTrackFile(dir / "none.trk", other);
    EXPECT_TRUE(r.complete());
    EXPECT_EQ(r.imported, 0);
}

TEST_F(TrackFile, RunsAreWrittenInTheOrderGiven) {
    Track a = store(SamplePoints(), SampleTrack(SamplePoints()));
    Track b = store({}, SampleTrack({}));
    ASSERT_TRUE(SaveTrackFile(dir / "ba.trk", {b, a, b}, db).ok);
    std::string bytes = ReadBytes(dir / "ba.trk");
    ASSERT_EQ(bytes.size(), 4u + 56 + 56 + 240 + 56);
    EXPECT_EQ(U32At(bytes, 0), 3u);
    EXPECT_EQ(U32At(bytes, 4), static_cast<uint32_t>(b.objid));
    EXPECT_EQ(U32At(bytes, 60), static_cast<uint32_t>(a.objid));
}

TEST_F(TrackFile, RoundTripStoresNewRunsWithSameValuesAndNoLaps) {
    std::vector<TrackPoint> pts = GeneratedPoints(120, 11);
    Track src = SampleTrack(pts);
    std::vector<Lap> laps(2);
    laps[1].si = 60;
    laps[1].ei = 120;
    db.storeTrack(src, pts, laps);
    ASSERT_TRUE(SaveTrackFile(dir / "run.trk", {src}, db).ok);

    TrackDatabase other;
    other.open((dir / "other.db").string());
    other.createTables();
    Track unrelated = SampleTrack({});
    std::vector<TrackPoint> none;
    std::vector<Lap> noLaps;
    other.storeTrack(unrelated, none, noLaps);  // so the new run gets another objid
    ImportResult r = OpenTrackFile(dir / "run.trk", other);
    ASSERT_TRUE(r.complete()) << r.reason;
    EXPECT_EQ(r.imported, 1);
    EXPECT_TRUE(r.reason.empty());

    std::vector<Track> runs = other.allTracks();
    ASSERT_EQ(runs.size(), 2u);
    const Track& got = runs[1];
    EXPECT_NE(got.objid, src.objid);
    EXPECT_EQ(got.stime, src.stime);
    EXPECT_EQ(got.etime, src.etime);
    EXPECT_EQ(got.numofpt, 120);
    EXPECT_EQ(got.elapsed, src.elapsed);
    EXPECT_EQ(got.kcal, src.kcal);
    std::vector<TrackPoint> back = other.trackPoints(got.objid);
    ASSERT_EQ(back.size(), pts.size());
    for (size_t i = 0; i < pts.size(); ++i) {
        EXPECT_EQ(back[i].tkid, got.objid);
        EXPECT_EQ(back[i].sindex, static_cast<int>(i));
        EXPECT_EQ(back[i].lat, pts[i].lat);
        EXPECT_EQ(back[i].lng, pts[i].lng);
        EXPECT_EQ(back[i].time, pts[i].time);
        EXPECT_EQ(back[i].speed, pts[i].speed);
        EXPECT_EQ(back[i].kcal, pts[i].kcal);
        EXPECT_EQ(back[i].atli, pts[i].atli);
    }
    EXPECT_TRUE(other.trackLaps(got.objid).empty());
}

TEST_F(TrackFile, OpeningTwiceStoresTwice) {
    Track a = store(SamplePoints(), SampleTrack(SamplePoints()));
    ASSERT_TRUE(SaveTrackFile(dir / "a.trk", {a}, db).ok);
    EXPECT_EQ(OpenTrackFile(dir / "a.trk", db).imported, 1);
    EXPECT_EQ(OpenTrackFile(dir / "a.trk", db).imported, 1);
    EXPECT_EQ(count("TK"), 3);
    EXPECT_EQ(count("TKPT"), 9);
}

// A stored count that disagrees with the stored points must not make the file unreadable.
TEST_F(TrackFile, RecordCountIsThePointsActuallyWritten) {
    Track a = store(SamplePoints(), SampleTrack(SamplePoints()));
    db.execute("update TK set numofpt=99;");
    ASSERT_TRUE(db.findTrack(a.objid, a));
    ASSERT_EQ(a.numofpt, 99);
    ASSERT_TRUE(SaveTrackFile(dir / "a.trk", {a, a}, db).ok);
    std::string bytes = ReadBytes(dir / "a.trk");
    EXPECT_EQ(U32At(bytes, 4 + 24), 3u);
    ImportResult r = OpenTrackFile(dir / "a.trk", db);
    EXPECT_TRUE(r.complete()) << r.reason;
    EXPECT_EQ(r.imported, 2);
}

TEST_F(TrackFile, SaveToMissingFolderFailsAndWritesNothing) {
    Track a = store(SamplePoints(), SampleTrack(SamplePoints()));
    SaveResult r = SaveTrackFile(dir / "missing" / "a.trk", {a}, db);
    EXPECT_FALSE(r.ok);
    EXPECT_NE(r.reason.find("missing"), std::string::npos) << r.reason;
    EXPECT_EQ(FolderEntries(dir.path()), std::vector<std::string>{"velcan.db"});
}

TEST_F(TrackFile, SaveWithDatabaseErrorKeepsOldFile) {
    Track a = store(SamplePoints(), SampleTrack(SamplePoints()));
    WriteBytes(dir / "a.trk", "old");
    db.execute("drop table TKPT;");
    SaveResult r = SaveTrackFile(dir / "a.trk", {a}, db);
    EXPECT_FALSE(r.ok);
    EXPECT_FALSE(r.reason.empty());
    EXPECT_EQ(ReadBytes(dir / "a.trk"), "old");
    EXPECT_EQ(FolderEntries(dir.path()), (std::vector<std::string>{"a.trk", "velcan.db"}));
}

// ---- Bad files: each gives its reason, and nothing of the bad block is stored ----

struct BadFile {
    const char* name;
    std::string bytes;
    Status status;
    int imported;
    const char* reason;  // a piece of the reason
};

std::string WithPoint(std::string block, size_t point, size_t offset, double v) {
    std::memcpy(&block[56 + point * 80 + offset], &v, 8);
    return block;
}

std::vector<BadFile> BadFiles() {
    const std::string block = SampleBlock();
    Track huge = SampleTrack(SamplePoints());
    huge.numofpt = 0x7fffffff;
    Track negative = huge;
    negative.numofpt = -1;
    Track nanStart = SampleTrack({});
    nanStart.stime = std::numeric_limits<double>::quiet_NaN();
    Track infEnd = SampleTrack({});
    infEnd.etime = -std::numeric_limits<double>::infinity();
    Track farStart = SampleTrack({});
    farStart.stime = 1e308;
    Track earlyEnd = SampleTrack({});
    earlyEnd.etime = OleDateFromFields(1979, 12, 31, 23, 59, 59);
    const double nan = std::numeric_limits<double>::quiet_NaN();
    // Values no run has, which would otherwise be summed, shown and exported.
    auto runWith = [](const std::function<void(Track&)>& change) {
        Track t = SampleTrack({});
        change(t);
        return Le32(1) + TrackBytes(t);
    };
    const int32_t int32Min = std::numeric_limits<int32_t>::min();
    return {
        {"empty", "", Status::Refused, 0, "empty"},
        {"one byte", std::string(1, '\1'), Status::Refused, 0, "too short"},
        {"two bytes", std::string(2, '\1'), Status::Refused, 0, "too short"},
        {"three bytes", std::string(3, '\1'), Status::Refused, 0, "too short"},
        {"count without runs", Le32(1), Status::Refused, 0, "ends inside its run record"},
        {"inside track record", Le32(1) + block.substr(0, 30), Status::Refused, 0,
         "ends inside its run record (30 of 56"},
        {"inside point record", Le32(1) + block.substr(0, 56 + 80 + 40), Status::Refused, 0,
         "claims 3 points"},
        {"count larger than blocks", Le32(3) + block + block, Status::EndedEarly, 2, "run 3 of 3"},
        {"huge numofpt", Le32(2) + block + TrackBytes(huge) + block, Status::EndedEarly, 1,
         "claims 2147483647 points"},
        {"negative numofpt", Le32(1) + TrackBytes(negative), Status::Refused, 0, "negative"},
        {"NaN stime", Le32(2) + block + TrackBytes(nanStart), Status::EndedEarly, 1,
         "start time is not a finite number"},
        {"infinite etime", Le32(1) + TrackBytes(infEnd), Status::Refused, 0, "end time"},
        {"NaN latitude in point 2", Le32(2) + block + WithPoint(block, 1, 24, nan),
         Status::EndedEarly, 1, "latitude of point 2"},
        {"count 2^32-1", Le32(0xffffffffu) + block, Status::EndedEarly, 1, "run 2 of 4294967295"},
        {"start 1e308", Le32(2) + block + TrackBytes(farStart), Status::EndedEarly, 1,
         "start time lies outside 1980-2100"},
        {"end before 1980", Le32(1) + TrackBytes(earlyEnd), Status::Refused, 0, "end time"},
        {"latitude 1e300 in point 3", Le32(2) + block + WithPoint(block, 2, 24, 1e300),
         Status::EndedEarly, 1, "latitude of point 3 is out of range"},
        {"longitude -180.5", Le32(1) + WithPoint(block, 0, 32, -180.5), Status::Refused, 0,
         "longitude of point 1"},
        {"distance 1e308", runWith([](Track& t) { t.dist = 1e308; }), Status::Refused, 0,
         "distance"},
        {"distance -1e308", runWith([](Track& t) { t.dist = -1e308; }), Status::Refused, 0,
         "distance"},
        {"pace -1e300", runWith([](Track& t) { t.pace = -1e300; }), Status::Refused, 0, "pace"},
        {"elapsed -2^31", runWith([&](Track& t) { t.elapsed = int32Min; }), Status::Refused, 0,
         "elapsed"},
        {"kcal -2^31", runWith([&](Track& t) { t.kcal = int32Min; }), Status::Refused, 0, "energy"},
        {"end before start", runWith([](Track& t) { t.etime = t.stime - 0.5; }), Status::Refused, 0,
         "ends before it starts"},
        {"altitude 1e308 in point 2", Le32(2) + block + WithPoint(block, 1, 72, 1e308),
         Status::EndedEarly, 1, "altitude of point 2"},
        {"speed -1e300", Le32(1) + WithPoint(block, 0, 48, -1e300), Status::Refused, 0,
         "speed of point 1"},
    };
}

TEST_F(TrackFile, BadFilesStopAtTheBadBlockWithItsReason) {
    for (const BadFile& bad : BadFiles()) {
        SCOPED_TRACE(bad.name);
        int tk = count("TK"), pt = count("TKPT");
        WriteBytes(dir / "bad.trk", bad.bytes);
        ImportResult r = OpenTrackFile(dir / "bad.trk", db);
        EXPECT_EQ(r.status, bad.status);
        EXPECT_EQ(r.imported, bad.imported);
        EXPECT_NE(r.reason.find(bad.reason), std::string::npos) << r.reason;
        // Only the complete runs before the bad block, each with all three points.
        EXPECT_EQ(count("TK"), tk + bad.imported);
        EXPECT_EQ(count("TKPT"), pt + 3 * bad.imported);
    }
}

TEST_F(TrackFile, TruncatedInsidePointRecordOfLastRun) {
    // The count fits, the points do not: the numofpt check sees it before reading.
    std::string block = SampleBlock();
    WriteBytes(dir / "cut.trk", Le32(2) + block + block.substr(0, block.size() - 1));
    ImportResult r = OpenTrackFile(dir / "cut.trk", db);
    EXPECT_EQ(r.status, Status::EndedEarly);
    EXPECT_EQ(r.imported, 1);
    EXPECT_NE(r.reason.find("run 2 of 2"), std::string::npos) << r.reason;
    EXPECT_EQ(count("TKPT"), 3);
}

// A source that says more bytes are left than it delivers (a file that shrinks while it
// is read) is caught by the short read itself.
class LyingSource : public TrackFileSource {
  public:
    explicit LyingSource(std::string bytes)
        : bytes_(std::move(bytes)),
          inner_(reinterpret_cast<const uint8_t*>(bytes_.data()), bytes_.size()) {}
    size_t read(void* out, size_t size) override { return inner_.read(out, size); }
    uint64_t remaining() const override { return inner_.remaining() + 1000000; }

  private:
    std::string bytes_;
    MemoryTrackSource inner_;
};

TEST_F(TrackFile, ShortReadInsidePointsStoresNothingOfTheRun) {
    std::string block = SampleBlock();
    LyingSource source(Le32(1) + block.substr(0, 56 + 80 + 10));
    ImportResult r = ImportTrackData(source, db);
    EXPECT_EQ(r.status, Status::Refused);
    EXPECT_NE(r.reason.find("ends inside point 2 of 3"), std::string::npos) << r.reason;
    EXPECT_EQ(count("TK"), 0);
    EXPECT_EQ(count("TKPT"), 0);
}

TEST_F(TrackFile, BytesAfterTheLastRunAreIgnoredWithANote) {
    WriteBytes(dir / "tail.trk", Le32(1) + SampleBlock() + "junk");
    ImportResult r = OpenTrackFile(dir / "tail.trk", db);
    EXPECT_TRUE(r.complete());
    EXPECT_EQ(r.imported, 1);
    EXPECT_NE(r.note.find("4 bytes"), std::string::npos) << r.note;
}

TEST_F(TrackFile, MissingFileAndFolderAreRefused) {
    ImportResult r = OpenTrackFile(dir / "none.trk", db);
    EXPECT_EQ(r.status, Status::Refused);
    EXPECT_NE(r.reason.find("cannot open"), std::string::npos) << r.reason;
    r = OpenTrackFile(dir.path(), db);
    EXPECT_EQ(r.status, Status::Refused);
    EXPECT_FALSE(r.reason.empty());
    // A pipe no one writes to is refused at once, not waited on.
    ASSERT_EQ(mkfifo((dir / "pipe.trk").c_str(), 0600), 0);
    r = OpenTrackFile(dir / "pipe.trk", db);
    EXPECT_NE(r.reason.find("not a regular file"), std::string::npos) << r.reason;
    EXPECT_EQ(count("TK"), 0);
}

TEST_F(TrackFile, DatabaseRefusalRollsTheRunBack) {
    std::string block = SampleBlock();
    WriteBytes(dir / "two.trk", Le32(2) + block + block);
    db.execute(
        "create trigger stop after insert on TKPT when new.sindex = 2 and "
        "(select count(*) from TK) > 1 begin select raise(abort, 'full'); end;");
    ImportResult r = OpenTrackFile(dir / "two.trk", db);
    EXPECT_EQ(r.status, Status::EndedEarly);
    EXPECT_EQ(r.imported, 1);
    EXPECT_NE(r.reason.find("database"), std::string::npos) << r.reason;
    EXPECT_EQ(count("TK"), 1);
    EXPECT_EQ(count("TKPT"), 3);
}

TEST_F(TrackFile, MemorySourceReadsLikeAFile) {
    std::string bytes = Le32(2) + SampleBlock() + SampleBlock();
    MemoryTrackSource source(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
    ImportResult r = ImportTrackData(source, db);
    EXPECT_TRUE(r.complete()) << r.reason;
    EXPECT_EQ(r.imported, 2);
    EXPECT_EQ(source.remaining(), 0u);
}

}  // namespace
}  // namespace dorvath::test
