#include "export/track_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <bit>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>

#include "data/atomic_file.h"
#include "data/byte_order.h"
#include "data/c_format.h"

namespace dorvath {
namespace {

// ---- Reading a file ----

class FileTrackSource : public TrackFileSource {
  public:
    FileTrackSource(std::FILE* f, uint64_t size) : file_(f), left_(size) {}
    size_t read(void* out, size_t size) override {
        size_t n = std::fread(out, 1, size, file_);
        left_ -= std::min<uint64_t>(left_, n);
        return n;
    }
    uint64_t remaining() const override { return left_; }

  private:
    std::FILE* file_;
    uint64_t left_;
};

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};

// The first field of a record that is not a finite number, or nullptr.
const char* NonFiniteTrackField(const Track& t) {
    if (!std::isfinite(t.stime)) return "start time";
    if (!std::isfinite(t.etime)) return "end time";
    if (!std::isfinite(t.dist)) return "distance";
    if (!std::isfinite(t.pace)) return "pace";
    return nullptr;
}

const char* NonFinitePointField(const TrackPoint& p) {
    if (!std::isfinite(p.time)) return "time";
    if (!std::isfinite(p.lat)) return "latitude";
    if (!std::isfinite(p.lng)) return "longitude";
    if (!std::isfinite(p.dist)) return "distance";
    if (!std::isfinite(p.speed)) return "speed";
    if (!std::isfinite(p.pace)) return "pace";
    if (!std::isfinite(p.atli)) return "altitude";
    return nullptr;
}

Result<> Problem(std::string why) { return Result<>::failure(std::move(why)); }

// A foreign file must not plant values no watch records: a run on no calendar day, or a
// position off the globe that every export would then carry.
bool PlausibleDate(double d) {
    static const double first = OleDateFromFields(1980, 1, 1);
    static const double after = OleDateFromFields(2101, 1, 1);
    return d >= first && d < after;
}

// The limits no run of a person comes near; a value beyond them would be shown, summed
// and exported as if it were true.
constexpr double kMaxDistance = 1000000;  // metres
constexpr double kMaxSpeedOrPace = 1000;  // km/h, and the watch's pace values
constexpr int32_t kMaxElapsed = 30 * 86400;
constexpr int32_t kMaxKcal = 1000000;

bool Within(double v, double low, double high) { return v >= low && v <= high; }

std::string ImplausibleTrackField(const Track& t) {
    if (!PlausibleDate(t.stime)) return "its start time lies outside 1980-2100";
    if (!PlausibleDate(t.etime)) return "its end time lies outside 1980-2100";
    if (t.etime < t.stime) return "it ends before it starts";
    if (!Within(t.dist, 0, kMaxDistance))
        return CFormat("its distance %g m lies outside 0 to 1,000,000 m", t.dist);
    if (!Within(t.pace, 0, kMaxSpeedOrPace))
        return CFormat("its pace %g lies outside 0 to 1,000", t.pace);
    if (t.elapsed < 0 || t.elapsed > kMaxElapsed)
        return CFormat("its elapsed time %d s lies outside 0 to 30 days", t.elapsed);
    if (t.kcal < 0 || t.kcal > kMaxKcal)
        return CFormat("its energy %d kcal lies outside 0 to 1,000,000", t.kcal);
    return {};
}

const char* ImplausiblePointField(const TrackPoint& p) {
    if (!PlausibleDate(p.time)) return "time";
    if (!(std::fabs(p.lat) <= 90)) return "latitude";
    if (!(std::fabs(p.lng) <= 180)) return "longitude";
    if (!Within(p.dist, 0, kMaxDistance)) return "distance";
    if (!Within(p.speed, 0, kMaxSpeedOrPace)) return "speed";
    if (!Within(p.pace, 0, kMaxSpeedOrPace)) return "pace";
    if (!Within(p.atli, -1000, 10000)) return "altitude";
    if (p.kcal < 0 || p.kcal > kMaxKcal) return "energy";
    return nullptr;
}

constexpr size_t kPointsPerRead = 4096;

}  // namespace

// ---- Records ----

void EncodeTrackRecord(const Track& t, uint8_t out[kTrackRecordSize]) {
    std::memset(out, 0, kTrackRecordSize);
    PutI32(out + 0, t.objid);
    PutF64(out + 8, t.stime);
    PutF64(out + 16, t.etime);
    PutI32(out + 24, t.numofpt);
    PutI32(out + 28, t.elapsed);
    PutF64(out + 32, t.dist);
    PutF64(out + 40, t.pace);
    PutI32(out + 48, t.kcal);
}

Track DecodeTrackRecord(const uint8_t in[kTrackRecordSize]) {
    Track t;
    t.objid = GetI32(in + 0);
    t.stime = GetF64(in + 8);
    t.etime = GetF64(in + 16);
    t.numofpt = GetI32(in + 24);
    t.elapsed = GetI32(in + 28);
    t.dist = GetF64(in + 32);
    t.pace = GetF64(in + 40);
    t.kcal = GetI32(in + 48);
    return t;
}

void EncodePointRecord(const TrackPoint& p, uint8_t out[kPointRecordSize]) {
    std::memset(out, 0, kPointRecordSize);
    PutI32(out + 0, p.objid);
    PutI32(out + 4, p.tkid);
    PutI32(out + 8, p.sindex);
    PutF64(out + 16, p.time);
    PutF64(out + 24, p.lat);
    PutF64(out + 32, p.lng);
    PutF64(out + 40, p.dist);
    PutF64(out + 48, p.speed);
    PutI32(out + 56, p.kcal);
    PutF64(out + 64, p.pace);
    PutF64(out + 72, p.atli);
}

TrackPoint DecodePointRecord(const uint8_t in[kPointRecordSize]) {
    TrackPoint p;
    p.objid = GetI32(in + 0);
    p.tkid = GetI32(in + 4);
    p.sindex = GetI32(in + 8);
    p.time = GetF64(in + 16);
    p.lat = GetF64(in + 24);
    p.lng = GetF64(in + 32);
    p.dist = GetF64(in + 40);
    p.speed = GetF64(in + 48);
    p.kcal = GetI32(in + 56);
    p.pace = GetF64(in + 64);
    p.atli = GetF64(in + 72);
    return p;
}

// ---- Saving ----

void WriteTrackRecord(const Track& track, AtomicFile& file, TrackDatabase& db) {
    std::vector<TrackPoint> points = db.trackPoints(track.objid);
    Track record = track;
    record.numofpt = static_cast<int32_t>(points.size());
    uint8_t buf[kPointRecordSize];
    EncodeTrackRecord(record, buf);
    file.write(buf, kTrackRecordSize);
    for (const TrackPoint& p : points) {
        EncodePointRecord(p, buf);
        file.write(buf, kPointRecordSize);
    }
}

SaveResult SaveTrackFile(const std::filesystem::path& path, const std::vector<Track>& tracks,
                         TrackDatabase& db) {
    AtomicFile file(path);
    if (!file.open()) return SaveResult::failure(file.error());
    uint8_t count[4];
    PutU32(count, static_cast<uint32_t>(tracks.size()));
    file.write(count, sizeof count);
    try {
        for (const Track& t : tracks) {
            WriteTrackRecord(t, file, db);
            if (file.failed()) break;
        }
    } catch (const CppSQLite3Exception& e) {
        // The temporary file goes with `file`.
        return SaveResult::failure(std::string("cannot read the runs: ") + e.what());
    }
    if (!file.commit()) return SaveResult::failure(file.error());
    return SaveResult::success({static_cast<int>(tracks.size())});
}

// ---- Importing ----

size_t MemoryTrackSource::read(void* out, size_t size) {
    size_t n = std::min(size, size_ - pos_);
    if (n > 0) std::memcpy(out, data_ + pos_, n);
    pos_ += n;
    return n;
}

Result<> ImportTrackRecord(TrackFileSource& source, TrackDatabase& db) {
    uint8_t head[kTrackRecordSize];
    size_t got = source.read(head, kTrackRecordSize);
    if (got < kTrackRecordSize)
        return Problem(
            CFormat("the file ends inside its run record (%u of %u bytes)", got, kTrackRecordSize));
    Track track = DecodeTrackRecord(head);
    if (const char* field = NonFiniteTrackField(track))
        return Problem(CFormat("its %s is not a finite number", field));
    if (std::string why = ImplausibleTrackField(track); !why.empty()) return Problem(why);
    if (track.numofpt < 0) return Problem(CFormat("its point count %d is negative", track.numofpt));
    const uint64_t room = source.remaining() / kPointRecordSize;
    if (static_cast<uint64_t>(track.numofpt) > room)
        return Problem(CFormat("it claims %d points but the %u bytes left hold at most %u",
                               track.numofpt, source.remaining(), room));

    // The count is now bounded by the file's size, so allocating for it is safe.
    std::vector<TrackPoint> points;
    points.reserve(static_cast<size_t>(track.numofpt));
    std::vector<uint8_t> chunk(std::min<size_t>(track.numofpt, kPointsPerRead) * kPointRecordSize);
    for (size_t done = 0; done < static_cast<size_t>(track.numofpt);) {
        size_t n = std::min(static_cast<size_t>(track.numofpt) - done, kPointsPerRead);
        size_t bytes = source.read(chunk.data(), n * kPointRecordSize);
        if (bytes < n * kPointRecordSize)
            return Problem(CFormat("the file ends inside point %u of %d",
                                   done + bytes / kPointRecordSize + 1, track.numofpt));
        for (size_t i = 0; i < n; ++i) {
            TrackPoint& p = points.emplace_back(DecodePointRecord(&chunk[i * kPointRecordSize]));
            if (const char* field = NonFinitePointField(p))
                return Problem(
                    CFormat("the %s of point %u is not a finite number", field, done + i + 1));
            if (const char* field = ImplausiblePointField(p))
                return Problem(CFormat("the %s of point %u is out of range", field, done + i + 1));
        }
        done += n;
    }

    std::vector<Lap> noLaps;
    try {
        db.storeTrack(track, points, noLaps);
    } catch (const CppSQLite3Exception& e) {
        return Problem(std::string("the database refused it: ") + e.what());
    }
    return Result<>::success();
}

ImportResult ImportTrackData(TrackFileSource& source, TrackDatabase& db) {
    TrackImport done;
    done.opened = true;
    const uint64_t size = source.remaining();
    if (size == 0) return ImportResult::failure("the file is empty", done);
    uint8_t head[4];
    if (size < sizeof head || source.read(head, sizeof head) < sizeof head)
        return ImportResult::failure(
            CFormat("the file is too short for a track file (%u bytes)", size), done);
    const uint32_t count = GetU32(head);
    for (uint32_t i = 0; i < count; ++i) {
        const Result<> block = ImportTrackRecord(source, db);
        if (!block) {
            done.status =
                done.imported == 0 ? TrackImport::Status::Refused : TrackImport::Status::EndedEarly;
            return ImportResult::failure(CFormat("run %u of %u: %s", i + 1, count, block.reason),
                                         done);
        }
        ++done.imported;
    }
    done.status = TrackImport::Status::Complete;
    if (source.remaining() > 0)
        done.note = CFormat("%u bytes after the last run were ignored", source.remaining());
    return ImportResult::success(done);
}

ImportResult OpenTrackFile(const std::filesystem::path& path, TrackDatabase& db) {
    // Non-blocking, so that a pipe or a device is refused at once instead of waiting for
    // a writer that may never come.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    struct stat st {};
    if (fd < 0 || ::fstat(fd, &st) != 0) {
        const int err = errno;
        if (fd >= 0) ::close(fd);
        return ImportResult::failure(
            CFormat("cannot open %s: %s", path.string(), std::strerror(err)));
    }
    if (!S_ISREG(st.st_mode)) {
        ::close(fd);
        return ImportResult::failure(CFormat("cannot read %s: not a regular file", path.string()));
    }
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    std::unique_ptr<std::FILE, FileCloser> f(::fdopen(fd, "rb"));
    if (!f) {
        const int err = errno;
        ::close(fd);
        return ImportResult::failure(
            CFormat("cannot open %s: %s", path.string(), std::strerror(err)));
    }
    FileTrackSource source(f.get(), static_cast<uint64_t>(st.st_size));
    return ImportTrackData(source, db);
}

}  // namespace dorvath
