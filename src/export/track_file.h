#pragma once
// The track file (.trk) that carries runs between installations: a 4-byte run count, then
// per run a 56-byte Track record and its 80-byte TrackPoint records, all little-endian.
// No magic number and no checksum, so the reader trusts nothing it reads: every count is
// checked against the bytes left, and a run is stored only once all of it was read.
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "data/result.h"
#include "data/track.h"
#include "data/track_database.h"

namespace dorvath {

class AtomicFile;

inline constexpr size_t kTrackRecordSize = 56;
inline constexpr size_t kPointRecordSize = 80;

void EncodeTrackRecord(const Track& t, uint8_t out[kTrackRecordSize]);
Track DecodeTrackRecord(const uint8_t in[kTrackRecordSize]);
void EncodePointRecord(const TrackPoint& p, uint8_t out[kPointRecordSize]);
TrackPoint DecodePointRecord(const uint8_t in[kPointRecordSize]);

struct SavedRuns {
    int runs = 0;  // runs written
};
using SaveResult = Result<SavedRuns>;

// Writes the run block of one run: its record, then its points as the database returns
// them. The record's numofpt is the number of points written, so that the reader reads
// back exactly the points that follow even when the stored count disagrees.
void WriteTrackRecord(const Track& track, AtomicFile& file, TrackDatabase& db);

// Writes the runs in the given order; the file is replaced only when all of it was written.
SaveResult SaveTrackFile(const std::filesystem::path& path, const std::vector<Track>& tracks,
                         TrackDatabase& db);

// Where the reader takes its bytes from: a file, or memory (fuzzing).
class TrackFileSource {
  public:
    virtual ~TrackFileSource() = default;
    // Reads up to size bytes; fewer only at the end of the data or on an error.
    virtual size_t read(void* out, size_t size) = 0;
    // The bytes not yet read, as far as the source knows.
    virtual uint64_t remaining() const = 0;
};

class MemoryTrackSource : public TrackFileSource {
  public:
    MemoryTrackSource(const uint8_t* data, size_t size) : data_(data), size_(size) {}
    size_t read(void* out, size_t size) override;
    uint64_t remaining() const override { return size_ - pos_; }

  private:
    const uint8_t* data_;
    size_t size_;
    size_t pos_ = 0;
};

// One run block: read and checked whole, then stored in one transaction; the reason says
// why nothing of it was stored.
Result<> ImportTrackRecord(TrackFileSource& source, TrackDatabase& db);

struct TrackImport {
    enum class Status {
        Complete,   // every run the count announced was imported
        Refused,    // not a track file, or its first run was unusable: nothing imported
        EndedEarly  // some runs imported, then an incomplete or implausible one
    };
    Status status = Status::Refused;
    bool opened = false;  // false: the file could not be read at all, nothing was tried
    int imported = 0;
    std::string note;  // on success: what was passed over (bytes after the last run)
    bool complete() const { return status == Status::Complete; }
};
// ok only when complete; the reason says why it was refused or ended early.
using ImportResult = Result<TrackImport>;

ImportResult ImportTrackData(TrackFileSource& source, TrackDatabase& db);
ImportResult OpenTrackFile(const std::filesystem::path& path, TrackDatabase& db);

}  // namespace dorvath
