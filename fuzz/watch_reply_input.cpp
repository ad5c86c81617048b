#include "watch_reply_input.h"

#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>

#include "data/device_settings.h"
#include "data/track_database.h"
#include "device/device_messages.h"
#include "device/log_deletion.h"
#include "device/log_download.h"
#include "settings/firmware_update.h"
#include "settings/settings_transfer.h"

namespace dorvath {

ScriptedReplyLink::ScriptedReplyLink(const uint8_t* data, size_t size, uint32_t failingWrite)
    : data_(data), size_(size), failingWrite_(failingWrite) {}

bool ScriptedReplyLink::Write(const uint8_t* data, size_t length) {
    if (!open_ || length > kReportSize) return false;
    if (++writes_ == failingWrite_) return false;
    // Firmware body reports are no requests; nothing else is written during a download.
    request_ = length >= 4 ? GetU32(data) : 0;
    if (request_ == CMD_LOG_RECORDS) streams_.push_back({announced_});
    return true;
}

bool ScriptedReplyLink::Read(uint8_t* data, size_t length) {
    if (!open_ || length > kReportSize) return false;
    ++reads_;
    Report reply{};
    if (!next(reply)) return false;
    std::memcpy(data, reply.data(), length);
    if (request_ == CMD_LOG_HEADER) announced_ = GetU32(reply.data() + 8);
    if ((request_ == CMD_LOG_RECORDS || request_ == CMD_LOG_RECORDS_ACK) && !streams_.empty()) {
        ServedStream& s = streams_.back();
        ++s.delivered;
        const int32_t kind = GetI32(reply.data() + 28);
        s.fixes += kind == LogRecord::kFix;
        s.lapMarkers += kind == LogRecord::kLapMarker;
    }
    return true;
}

bool ScriptedReplyLink::next(Report& reply) {
    if (repeats_ > 0) {
        --repeats_;
        reply = last_;
        return true;
    }
    if (pos_ >= size_) return false;
    const uint8_t c = data_[pos_++];
    const size_t left = size_ - pos_;
    switch (c % 8) {
        case 0:
            return false;
        case 1: {
            const size_t n = left ? data_[pos_++] % kReportSize : 0;
            pos_ += std::min(n, size_ - pos_);
            return false;
        }
        case 2:
            reply = last_;
            return true;
        case 3:
            repeats_ = left ? data_[pos_++] % 64 : 0;
            reply = last_;
            return true;
        case 4: {
            const size_t want = left ? data_[pos_++] % (kReportSize + 1) : 0;
            const size_t n = std::min(want, size_ - pos_);
            reply.fill(0);
            std::memcpy(reply.data(), data_ + pos_, n);
            pos_ += n;
            break;
        }
        default:
            if (left < kReportSize) {
                pos_ = size_;
                return false;
            }
            std::memcpy(reply.data(), data_ + pos_, kReportSize);
            pos_ += kReportSize;
    }
    last_ = reply;
    return true;
}

WatchReplyScript::WatchReplyScript(WatchExchange exchange, uint16_t failingWrite)
    : bytes_{static_cast<uint8_t>(exchange), static_cast<uint8_t>(failingWrite),
             static_cast<uint8_t>(failingWrite >> 8)} {}

WatchReplyScript& WatchReplyScript::reply(const Report& r) {
    bytes_.push_back(7);
    bytes_.insert(bytes_.end(), r.begin(), r.end());
    return *this;
}

WatchReplyScript& WatchReplyScript::repeat(int reads) {
    bytes_.push_back(3);
    bytes_.push_back(static_cast<uint8_t>(reads - 1));
    return *this;
}

WatchReplyScript& WatchReplyScript::timeout() {
    bytes_.push_back(0);
    return *this;
}

WatchReplyScript& WatchReplyScript::shortReport(int bytes) {
    bytes_.push_back(1);
    bytes_.push_back(static_cast<uint8_t>(bytes));
    bytes_.insert(bytes_.end(), static_cast<size_t>(bytes % kReportSize), 0x55);
    return *this;
}

namespace {

struct CountingSink : DeviceMessageSink {
    void showMessage(const std::string& text) override { messages.push_back(text); }
    std::vector<std::string> messages;
};

struct CheckedLoading : LoadingIndicator {
    void start() override { ++starts; }
    void progress(int done, int total) override {
        if (done < last || total != static_cast<int>(kFirmwareBlocks)) backwards = true;
        last = done;
    }
    void stop() override { ++stops; }
    int starts = 0, stops = 0, last = 0;
    bool backwards = false;
};

bool IsUtf8(const std::string& s) {
    for (size_t i = 0; i < s.size();) {
        const unsigned char b = static_cast<unsigned char>(s[i]);
        const size_t n = b < 0x80             ? 1
                         : (b & 0xE0) == 0xC0 ? 2
                         : (b & 0xF0) == 0xE0 ? 3
                         : (b & 0xF8) == 0xF0 ? 4
                                              : 0;
        if (n == 0 || i + n > s.size()) return false;
        for (size_t k = 1; k < n; ++k)
            if ((static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80) return false;
        i += n;
    }
    return true;
}

// A valid image file, written once per process and removed at its end.
class FirmwareFile {
  public:
    FirmwareFile()
        : path_(std::filesystem::temp_directory_path() /
                ("dorvath-fuzz-firmware-" + std::to_string(getpid()) + ".bin")) {
        std::vector<uint8_t> bytes(kFirmwareFileSize);
        for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<uint8_t>(i * 131 + 7);
        PutU32(bytes.data() + kFirmwareImageSize, kFirmwareTrailer);
        std::ofstream(path_, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()),
                   static_cast<std::streamsize>(bytes.size()));
    }
    ~FirmwareFile() {
        std::error_code ec;
        std::filesystem::remove(path_, ec);
    }
    std::string path() const { return path_.string(); }

  private:
    std::filesystem::path path_;
};

// One message exactly when the exchange failed, and only the connection line.
std::string CheckConnectionMessage(bool ok, const CountingSink& sink) {
    if (ok && !sink.messages.empty()) return "message after a good exchange";
    if (!ok && (sink.messages.size() != 1 || sink.messages[0] != kConnectionMessage))
        return "failed exchange without exactly one connection message";
    return "";
}

std::string CheckDatabase(TrackDatabase& db, DownloadEnd result, const DownloadStats& stats,
                          const ScriptedReplyLink& link) {
    const int runs = db.queryInt("select count(*) from TK;");
    if (runs != stats.stored) return "stored runs differ from the count reported";
    // Every run whole: its row announces exactly the points stored under it, numbered
    // 0, 1, 2 ...; no point or lap outside a run.
    if (db.queryInt("select count(*) from TK where numofpt != (select count(*) from TKPT "
                    "where tkid = TK.objid);") != 0)
        return "a run whose numofpt differs from its stored points";
    if (db.queryInt("select count(*) from (select tkid from TKPT group by tkid having "
                    "min(sindex) != 0 or max(sindex) != count(*) - 1 or "
                    "count(distinct sindex) != count(*));") != 0)
        return "points of a run not numbered 0..n-1";
    if (db.queryInt("select count(*) from TKPT where tkid not in (select objid from TK);") != 0 ||
        db.queryInt("select count(*) from LAP where tkid not in (select objid from TK);") != 0)
        return "points or laps without their run";
    if (result == kDownloadComplete &&
        static_cast<uint32_t>(stats.stored + stats.skipped) != stats.logsOnWatch)
        return "a complete download that did not account for every log";
    // Nothing partial: the runs stored are the streams served whole, in order, with their
    // fixes and lap markers; the last whole stream may be missing only when a write failed
    // after it (its final acknowledgement).
    std::vector<ServedStream> whole;
    for (const ServedStream& s : link.streams())
        if (s.whole()) whole.push_back(s);
    const std::vector<Track> tracks = db.allTracks();
    if (tracks.size() != whole.size() &&
        !(tracks.size() + 1 == whole.size() && link.writeFailed() && result == kDownloadFailed))
        return "stored runs are not the record streams served whole";
    for (size_t i = 0; i < tracks.size(); ++i) {
        const Track& t = tracks[i];
        if (static_cast<uint32_t>(t.numofpt) != whole[i].fixes)
            return "a run stored with other than its stream's fixes";
        if (db.trackLaps(t.objid).size() != whole[i].lapMarkers)
            return "a run stored with other than its stream's laps";
        // The stored runs read back as the views read them.
        if (db.trackPoints(t.objid).size() != static_cast<size_t>(t.numofpt))
            return "a run reads back with other than numofpt points";
    }
    return "";
}

// The fuzzed replies as the one watch there is.
struct Input : WatchFinder {
    const uint8_t* data;
    size_t size;
    uint32_t failingWrite;

    Input(const uint8_t* d, size_t n, uint32_t failing) : data(d), size(n), failingWrite(failing) {}
    std::string search(uint16_t, uint16_t) override { return "scripted"; }
    std::unique_ptr<ReportLink> open(const std::string&) override {
        return std::make_unique<ScriptedReplyLink>(data, size, failingWrite);
    }
    std::string notOpenedMessage() const override { return kConnectionMessage; }
};

std::string CheckDownload(Input& in) {
    TrackDatabase db;
    db.open(":memory:");
    db.createTables();
    ScriptedReplyLink link(in.data, in.size, in.failingWrite);
    DownloadStats stats;
    DownloadEnd result = kDownloadFailed;
    bool progressEmpty = false;
    try {
        result = DownloadLogs(
            link, db, [&](std::string text) { progressEmpty |= text.empty(); }, &stats);
    } catch (const CppSQLite3Exception& e) {
        return std::string("database error from watch data: ") + e.what();
    }
    if (progressEmpty) return "empty progress text";
    return CheckDatabase(db, result, stats, link);
}

std::string CheckSettingsRead(Input& in) {
    DeviceSettings block;
    const DeviceSettings before = block;
    CountingSink sink;
    const bool ok = ReadSettingsFromWatch(in, block, sink).ok;
    // Only the watch's 124 bytes may change; our own two fields stay.
    if (!std::equal(block.data() + DeviceSettings::kDeviceSize,
                    block.data() + DeviceSettings::kFileSize,
                    before.data() + DeviceSettings::kDeviceSize))
        return "settings read touched bytes beyond the watch's";
    return CheckConnectionMessage(ok, sink);
}

std::string CheckFirmwareVersion(Input& in) {
    CountingSink sink;
    const Result<FirmwareVersion> v = ReadFirmwareVersion(in, sink);
    if (v && (v.label.rfind("FW:", 0) != 0 || !IsUtf8(v.label) || v.label.size() > 3 + 32 * 3))
        return "firmware version not FW: and valid UTF-8 of at most 32 characters";
    return CheckConnectionMessage(v.ok, sink);
}

std::string CheckFirmwareUpdate(Input& in) {
    static const FirmwareFile file;
    std::vector<uint8_t> image;
    CountingSink sink;
    CheckedLoading busy;
    const FirmwareOutcome r = UpdateFirmware(in, file.path(), image, sink, busy);
    if (busy.starts != busy.stops || busy.starts > 1) return "loading indicator not stopped once";
    if (busy.backwards) return "firmware progress went backwards or lost its total";
    if (sink.messages.size() != 1) return "firmware update without exactly one message";
    if (r && busy.last != static_cast<int>(kFirmwareBlocks))
        return "firmware completed without every block";
    if (image.size() != kFirmwareImageSize) return "image buffer not the image";
    return "";
}

std::string CheckSettingsWrite(Input& in) {
    DeviceSettings block;
    CountingSink sink;
    return CheckConnectionMessage(SendSettingsToWatch(in, block, sink).ok, sink);
}

std::string CheckDeleteLogs(Input& in) {
    CountingSink sink;
    return CheckConnectionMessage(DeleteWatchLogs(in, sink).ok, sink);
}

}  // namespace

std::string CheckWatchReplyInput(const uint8_t* data, size_t size) {
    if (size < 3) return "";
    Input in(data + 3, size - 3, uint32_t(data[1]) | uint32_t(data[2]) << 8);
    switch (static_cast<WatchExchange>(data[0] % static_cast<uint8_t>(WatchExchange::Count))) {
        case WatchExchange::Download:
            return CheckDownload(in);
        case WatchExchange::SettingsRead:
            return CheckSettingsRead(in);
        case WatchExchange::FirmwareVersion:
            return CheckFirmwareVersion(in);
        case WatchExchange::FirmwareUpdate:
            return CheckFirmwareUpdate(in);
        case WatchExchange::SettingsWrite:
            return CheckSettingsWrite(in);
        case WatchExchange::DeleteLogs:
        case WatchExchange::Count:
            break;
    }
    return CheckDeleteLogs(in);
}

}  // namespace dorvath
