#pragma once
// Copying the watch's logs into the track database.
#include <cstdint>
#include <functional>
#include <stop_token>
#include <string>

#include "data/result.h"
#include "data/track_database.h"
#include "device/report_link.h"
#include "device/watch_finder.h"

namespace dorvath {

// Receives each progress text as its own copy, so it may keep or queue it.
using DownloadProgress = std::function<void(std::string text)>;

// How far a download is, for a bar: the logs done (stored or found stored) of the logs
// on the watch, and the records of the log being read so far of its record count. Told
// when the count is known, at each acknowledgement step and after each log.
struct DownloadMeter {
    uint32_t logsDone = 0, logs = 0;
    uint32_t read = 0, records = 0;
    bool operator==(const DownloadMeter&) const = default;
};
using DownloadMeterSink = std::function<void(const DownloadMeter&)>;

struct DownloadStats {
    uint32_t logsOnWatch = 0;
    int stored = 0;
    int skipped = 0;
};

// The watch's time (seconds since 1970 in its clock) as wall-clock seconds: minus the
// bias in 32-bit arithmetic, and 3600 less when daylight is exactly 1.
uint32_t ConvertWatchTime(uint32_t t, int32_t utcBias, int32_t daylight);

// How a download ended: not a result of its own (RunDownload's Result carries it), the
// dialog's end code, 0 and 1 as the watch's protocol has them.
enum DownloadEnd : int {
    kDownloadFailed = 0,     // a transfer failed
    kDownloadComplete = 1,   // every log was stored or found stored
    kDownloadCancelled = 2,  // stopped on request before the last log
};

// Stores every log of the watch not yet in `db`: a log is stored already when a run lies
// within one second of its converted start, or when a run was stored from the same log
// (its raw watch start kept with it; for a run from before, one a whole number of 15
// minutes away with the same distance, elapsed seconds and points), so a change of the
// watch's time zone stores nothing twice. On a failed transfer or a stop request,
// the logs completed before stay stored and nothing of the current one is. A stop is
// seen before each log and at each acknowledgement step (then without acknowledging, so
// no record is left on its way); the link is then left as a failed transfer leaves it,
// for the caller to close. A database error propagates as CppSQLite3Exception with the
// log's rows removed.
[[nodiscard]] DownloadEnd DownloadLogs(ReportLink& link, TrackDatabase& db,
                                       const DownloadProgress& progress,
                                       DownloadStats* stats = nullptr, std::stop_token stop = {},
                                       const DownloadMeterSink& meter = {});

// What a download worker does: opens the watch at `path`, runs DownloadLogs, closes the
// link on every path. ok unless it failed (a cancelled download is not a failure); a
// database error ends it with result 0 and its text as the reason.
struct DownloadReport {
    DownloadEnd result = kDownloadFailed;
    bool opened = false;
    DownloadStats stats;
};
using DownloadOutcome = Result<DownloadReport>;
DownloadOutcome RunDownload(WatchFinder& watches, const std::string& path, TrackDatabase& db,
                            const DownloadProgress& progress, std::stop_token stop = {},
                            const DownloadMeterSink& meter = {});

}  // namespace dorvath
