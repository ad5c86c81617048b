#include "device/sim/watch_simulator.h"

#include <cstring>

namespace dorvath {

namespace {
constexpr uint32_t kReplyRefused = 0x55555555;
}

WatchSimulator::WatchSimulator(WatchScenario scenario) : scenario_(std::move(scenario)) {}

void WatchSimulator::log(Wire kind, const Report& r) {
    if (logWire_) wire_.push_back({kind, r});
}

bool WatchSimulator::stopped() {
    ++transfers_;
    const WatchFaults& f = scenario_.faults;
    lastDelayMs_ = f.lateAtReport && *f.lateAtReport == transfers_ ? f.lateMs : 0;
    lastReplyLength_ =
        f.shortAtReport && *f.shortAtReport == transfers_ ? kReportSize / 2 : kReportSize;
    const auto& stop = f.stopAfterReports;
    return stop && transfers_ > *stop;
}

std::vector<Report> WatchSimulator::hostWrites() const {
    std::vector<Report> out;
    for (const WireEntry& e : wire_)
        if (e.kind == Wire::HostWrite) out.push_back(e.bytes);
    return out;
}

bool WatchSimulator::receive(const Report& report) {
    if (stopped()) {
        log(Wire::WriteTimedOut, Report{});
        return false;
    }
    log(Wire::HostWrite, report);
    if (inBody_)
        handleBody(report);
    else
        handleCommand(report);
    return true;
}

bool WatchSimulator::send(Report& report) {
    if (stopped()) {
        log(Wire::ReadTimedOut, Report{});
        return false;
    }
    if (!pending_.empty()) {
        report = pending_.front();
        pending_.pop_front();
    } else if (streaming_ && sinceAck_ < kRecordsPerAck) {
        const WatchLog& l = scenario_.logs[streamLog_];
        report = Report{};
        l.records[streamNext_].serialize(report.data());
        ++streamNext_;
        ++sinceAck_;
        if (streamNext_ >= l.records.size()) streaming_ = false;
    } else {
        // Nothing to say, or the stream waits for its acknowledgement.
        log(Wire::ReadTimedOut, Report{});
        return false;
    }
    log(Wire::WatchReply, report);
    return true;
}

void WatchSimulator::replyWithPayload(uint32_t code, const uint8_t* payload, size_t length) {
    Report r{};
    PutU32(r.data(), code);  // the lead echoes the command; the host never looks at it
    std::memcpy(r.data() + 4, payload, length);
    reply(r);
}

namespace {
// The settings slice a read or write command is for: 0, 1 or 2.
int SliceOf(uint32_t code) {
    switch (code) {
        case CMD_SETTINGS_READ_2:
        case CMD_SETTINGS_WRITE_2:
            return 1;
        case CMD_SETTINGS_READ_3:
        case CMD_SETTINGS_WRITE_3:
            return 2;
        default:
            return 0;
    }
}
}  // namespace

void WatchSimulator::handleCommand(const Report& r) {
    using Handler = void (WatchSimulator::*)(const Report&, uint32_t);
    static const std::pair<uint32_t, Handler> kHandlers[] = {
        {CMD_SETTINGS_READ_1, &WatchSimulator::readSettings},
        {CMD_SETTINGS_READ_2, &WatchSimulator::readSettings},
        {CMD_SETTINGS_READ_3, &WatchSimulator::readSettings},
        {CMD_SETTINGS_WRITE_1, &WatchSimulator::writeSettings},
        {CMD_SETTINGS_WRITE_2, &WatchSimulator::writeSettings},
        {CMD_SETTINGS_WRITE_3, &WatchSimulator::writeSettings},
        {CMD_LOG_COUNT, &WatchSimulator::countLogs},
        {CMD_LOG_HEADER, &WatchSimulator::sendHeader},
        {CMD_LOG_RECORDS, &WatchSimulator::startStream},
        {CMD_LOG_DELETE_ALL, &WatchSimulator::deleteLogs},
        {CMD_FIRMWARE_VERSION, &WatchSimulator::sendFirmwareVersion},
        {CMD_MODEL_QUERY, &WatchSimulator::sendModel},
        {CMD_FIRMWARE_BLOCK, &WatchSimulator::startBlock},
        {CMD_FIRMWARE_END, &WatchSimulator::endFirmware},
    };
    const uint32_t code = GetU32(r.data());
    const uint32_t arg = GetU32(r.data() + 4);
    if (code == CMD_LOG_RECORDS_ACK) {
        if (arg == streamLog_) {
            sinceAck_ = 0;
            ++acks_;
        }
        return;
    }
    // Any other command ends a stream in progress and drops unread replies.
    streaming_ = false;
    pending_.clear();
    for (const auto& [known, handler] : kHandlers)
        if (known == code) return (this->*handler)(r, arg);
    // unknown: silence
}

void WatchSimulator::readSettings(const Report& r, uint32_t) {
    const uint32_t code = GetU32(r.data());
    const auto [offset, length] = DeviceSettings::kSlices[SliceOf(code)];
    replyWithPayload(code, scenario_.settings.data() + offset, length);
}

void WatchSimulator::writeSettings(const Report& r, uint32_t) {
    const auto [offset, length] = DeviceSettings::kSlices[SliceOf(GetU32(r.data()))];
    std::memcpy(scenario_.settings.data() + offset, r.data() + 4, length);
    replyWithPayload(kReplyAccepted, nullptr, 0);
}

void WatchSimulator::countLogs(const Report&, uint32_t) {
    uint8_t n[4];
    PutU32(n, static_cast<uint32_t>(scenario_.logs.size() + scenario_.faults.extraLogCount));
    replyWithPayload(CMD_LOG_COUNT, n, 4);
}

void WatchSimulator::sendHeader(const Report&, uint32_t arg) {
    // A log that is counted but missing gets no answer.
    if (arg >= scenario_.logs.size()) return;
    uint8_t h[LogHeader::kSize];
    scenario_.logs[arg].header.serialize(h);
    replyWithPayload(CMD_LOG_HEADER, h, sizeof h);
}

void WatchSimulator::startStream(const Report&, uint32_t arg) {
    if (arg >= scenario_.logs.size() || scenario_.logs[arg].records.empty()) return;
    streaming_ = true;
    streamLog_ = arg;
    streamNext_ = 0;
    sinceAck_ = 0;
}

void WatchSimulator::deleteLogs(const Report&, uint32_t) {
    scenario_.logs.clear();
    replyWithPayload(kReplyAccepted, nullptr, 0);
}

void WatchSimulator::sendFirmwareVersion(const Report&, uint32_t) {
    reply(TextReply(Utf8ToUtf16(scenario_.firmwareVersion)));
}

void WatchSimulator::sendModel(const Report&, uint32_t) {
    reply(TextReply(Utf8ToUtf16(scenario_.model)));
}

void WatchSimulator::startBlock(const Report& r, uint32_t arg) {
    const uint32_t index = arg / kFirmwareBlockSize;
    const bool ok = arg % kFirmwareBlockSize == 0 && index < kFirmwareBlocks &&
                    !(scenario_.faults.refuseHeaderAtBlock &&
                      static_cast<uint32_t>(*scenario_.faults.refuseHeaderAtBlock) == index);
    replyWithPayload(ok ? kReplyAccepted : kReplyRefused, nullptr, 0);
    if (!ok) return;
    inBody_ = true;
    blockAddress_ = arg;
    blockSum_ = GetU32(r.data() + 8);
    body_.clear();
    if (flash_.empty()) flash_.assign(kFirmwareImageSize, 0xFF);
}

void WatchSimulator::endFirmware(const Report&, uint32_t) { firmwareEnded_ = true; }

void WatchSimulator::handleBody(const Report& r) {
    body_.insert(body_.end(), r.begin(), r.end());
    if (body_.size() < kFirmwareBlockSize) return;
    inBody_ = false;
    uint32_t sum = 0;
    for (uint8_t b : body_) sum += b;
    bool ok = sum == blockSum_;
    if (ok && forcedRefusals_ < scenario_.faults.refuseBodyTimes) {
        ok = false;
        ++forcedRefusals_;
    }
    if (ok) {
        std::memcpy(flash_.data() + blockAddress_, body_.data(), kFirmwareBlockSize);
        ++blocksAccepted_;
    } else {
        ++bodiesRefused_;
    }
    replyWithPayload(ok ? kReplyAccepted : kReplyRefused, nullptr, 0);
}

}  // namespace dorvath
