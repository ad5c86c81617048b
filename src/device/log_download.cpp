#include "device/log_download.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "data/c_format.h"
#include "data/device_settings.h"
#include "data/track.h"
#include "device/protocol.h"
#include "device/watch_finder.h"

namespace dorvath {

uint32_t ConvertWatchTime(uint32_t t, int32_t utcBias, int32_t daylight) {
    t -= static_cast<uint32_t>(utcBias) * 60u;  // wraps like the watch's own count
    if (daylight == 1) t -= 3600u;
    return t;
}

namespace {

// A value that is not a number would turn the insert statement into invalid SQL, and the
// same log would then fail on every download: such a value is stored as 0.
double Finite(double v) { return std::isfinite(v) ? v : 0.0; }
float Finite(float v) { return std::isfinite(v) ? v : 0.0f; }

void Post(const DownloadProgress& progress, uint32_t logNumber, uint32_t count, uint32_t read) {
    if (progress) progress(CFormat("履歴%d %d-%d", logNumber, count, read));
}

// The stream of one log into points and laps. Stops before an acknowledgement when asked
// to: every record the watch sent until then has been read.
DownloadEnd ReadRecordStream(ReportLink& link, uint32_t index, const LogHeader& header,
                             int32_t bias, int32_t daylight, const DownloadProgress& progress,
                             const std::stop_token& stop, std::vector<TrackPoint>& points,
                             std::vector<Lap>& laps, DownloadMeter& at,
                             const DownloadMeterSink& meter) {
    // The count comes from the watch: grow as records arrive rather than trust it.
    points.reserve(std::min<uint32_t>(header.record_count, 1u << 16));
    int32_t prevLapEnd = 0;
    Report report{};
    for (uint32_t k = 1; k <= header.record_count; ++k) {
        if (!ReceiveOnly(link, report)) return kDownloadFailed;
        LogRecord r = LogRecord::parse(report.data());
        double time = OleDateFromSeconds(ConvertWatchTime(r.time, bias, daylight));
        if (r.kind == LogRecord::kFix) {
            TrackPoint& p = points.emplace_back();
            p.time = time;
            p.lat = r.lat_e6 / 1000000.0;
            p.lng = r.lng_e6 / 1000000.0;
            p.dist = Finite(r.dist);
            p.speed = Finite(r.speed);
            p.kcal = r.kcal;
            p.pace = Finite(r.pace);
            p.atli = Finite(r.atli);
        } else if (r.kind == LogRecord::kLapMarker) {
            // Lap bounds count every record of the stream, not just the fixes.
            Lap& l = laps.emplace_back();
            l.time = r.lap_seconds;
            l.dist = Finite(r.lap_distance);
            l.kcal = r.kcal;
            l.pace = Finite(r.pace);
            l.si = prevLapEnd;
            l.ei = static_cast<int32_t>(k - 1);
            prevLapEnd = l.ei;
        }
        if (k % kRecordsPerAck == 0) {
            Post(progress, index + 1, header.record_count, k);
            at.read = k;
            if (meter) meter(at);
            if (stop.stop_requested()) return kDownloadCancelled;
            if (!SendOnly(link, MakeCommandHeader(CMD_LOG_RECORDS_ACK, index)))
                return kDownloadFailed;
        }
    }
    return kDownloadComplete;
}

}  // namespace

DownloadEnd DownloadLogs(ReportLink& link, TrackDatabase& db, const DownloadProgress& progress,
                         DownloadStats* stats, std::stop_token stop,
                         const DownloadMeterSink& meter) {
    DownloadStats local;
    DownloadStats& st = stats ? *stats : local;
    st = DownloadStats{};

    DeviceSettings zone;  // the watch's own block, only for its time zone
    if (!ReadWatchSettings(link, zone)) return kDownloadFailed;
    const int32_t bias = zone.utcBias();
    const int32_t daylight = zone.daylight();

    Report reply{};
    if (!Exchange(link, MakeCommandHeader(CMD_LOG_COUNT), reply)) return kDownloadFailed;
    const uint32_t count = GetU32(reply.data() + 4);
    st.logsOnWatch = count;
    DownloadMeter at{0, count, 0, 0};
    auto logDone = [&](uint32_t i) {
        at = {i + 1, count, at.records, at.records};
        if (meter) meter(at);
    };
    if (meter) meter(at);

    for (uint32_t i = 0; i < count; ++i) {
        if (stop.stop_requested()) return kDownloadCancelled;
        if (!Exchange(link, MakeCommandHeader(CMD_LOG_HEADER, i), reply)) return kDownloadFailed;
        LogHeader header = LogHeader::parse(reply.data() + 4);
        at = {i, count, 0, header.record_count};
        const double start =
            OleDateFromSeconds(ConvertWatchTime(header.start_time, bias, daylight));
        const double dist = Finite(static_cast<double>(header.distance_km) * 1000.0);
        if (const int found = db.findTrackAt(start); found != 0) {
            // A run stored before raw starts were kept learns its log's, so that a later
            // change of the watch's time zone finds it at once.
            Track stored;
            if (db.findTrack(found, stored) && !db.hasRawStart(stored))
                db.storeRawStart(stored, header.start_time);
            ++st.skipped;
            logDone(i);
            continue;
        }
        // The same log stored under another time zone of the watch.
        if (db.storedFromLog(header.start_time)) {
            ++st.skipped;
            logDone(i);
            continue;
        }
        const std::vector<Track> sameLog = db.sameLogCandidates(start, dist, header.elapsed);
        if (!SendOnly(link, MakeCommandHeader(CMD_LOG_RECORDS, i))) return kDownloadFailed;
        std::vector<TrackPoint> points;
        std::vector<Lap> laps;
        const DownloadEnd read = ReadRecordStream(link, i, header, bias, daylight, progress, stop,
                                                  points, laps, at, meter);
        if (read != kDownloadComplete) return read;
        Post(progress, i + 1, header.record_count, header.record_count);
        // A run stored before raw starts were kept: the same log when its points agree too.
        auto same = std::find_if(sameLog.begin(), sameLog.end(), [&](const Track& t) {
            return t.numofpt == static_cast<int32_t>(points.size());
        });
        if (same != sameLog.end()) {
            db.storeRawStart(*same, header.start_time);
            ++st.skipped;
            logDone(i);
            continue;
        }

        Track t;
        t.stime = start;
        t.etime = points.empty() ? start : points.back().time;
        t.dist = dist;
        t.elapsed = header.elapsed;
        t.kcal = header.kcal;
        t.pace = Finite(header.pace);
        t.numofpt = static_cast<int32_t>(points.size());
        // Track row, then points and laps in one transaction; a failure removes the row.
        db.storeTrack(t, points, laps, header.start_time);
        ++st.stored;
        logDone(i);
    }
    return kDownloadComplete;
}

DownloadOutcome RunDownload(WatchFinder& watches, const std::string& path, TrackDatabase& db,
                            const DownloadProgress& progress, std::stop_token stop,
                            const DownloadMeterSink& meter) {
    DownloadReport report;
    std::unique_ptr<ReportLink> link = watches.open(path);
    if (!link) return DownloadOutcome::failure("the watch could not be opened", report);
    report.opened = true;
    std::string why;
    try {
        report.result = DownloadLogs(*link, db, progress, &report.stats, std::move(stop), meter);
        if (report.result == kDownloadFailed) why = "the watch stopped answering";
    } catch (const std::exception& e) {  // the database's errors among them
        report.result = kDownloadFailed;
        why = e.what();
    } catch (...) {
        // Whatever went wrong, the link is closed and the caller can end its dialog.
        report.result = kDownloadFailed;
        why = "download stopped by an unexpected error";
    }
    link->Close();
    if (report.result == kDownloadFailed) return DownloadOutcome::failure(why, report);
    return DownloadOutcome::success(report);
}

}  // namespace dorvath
