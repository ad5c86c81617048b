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

void WatchSimulator::handleCommand(const Report& r) {
    uint32_t code = GetU32(r.data());
    uint32_t arg = GetU32(r.data() + 4);
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
    uint8_t* settings = scenario_.settings.data();
    switch (code) {
        case CMD_SETTINGS_READ_1:
            replyWithPayload(code, settings, 60);
            break;
        case CMD_SETTINGS_READ_2:
            replyWithPayload(code, settings + 60, 60);
            break;
        case CMD_SETTINGS_READ_3:
            replyWithPayload(code, settings + 120, 4);
            break;
        case CMD_SETTINGS_WRITE_1:
            std::memcpy(settings, r.data() + 4, 60);
            replyWithPayload(kReplyAccepted, nullptr, 0);
            break;
        case CMD_SETTINGS_WRITE_2:
            std::memcpy(settings + 60, r.data() + 4, 60);
            replyWithPayload(kReplyAccepted, nullptr, 0);
            break;
        case CMD_SETTINGS_WRITE_3:
            std::memcpy(settings + 120, r.data() + 4, 4);
            replyWithPayload(kReplyAccepted, nullptr, 0);
            break;
        case CMD_LOG_COUNT: {
            uint8_t n[4];
            PutU32(n,
                   static_cast<uint32_t>(scenario_.logs.size() + scenario_.faults.extraLogCount));
            replyWithPayload(code, n, 4);
            break;
        }
        case CMD_LOG_HEADER:
            // A log that is counted but missing gets no answer.
            if (arg < scenario_.logs.size()) {
                uint8_t h[LogHeader::kSize];
                scenario_.logs[arg].header.serialize(h);
                replyWithPayload(code, h, sizeof h);
            }
            break;
        case CMD_LOG_RECORDS:
            if (arg < scenario_.logs.size() && !scenario_.logs[arg].records.empty()) {
                streaming_ = true;
                streamLog_ = arg;
                streamNext_ = 0;
                sinceAck_ = 0;
            }
            break;
        case CMD_LOG_DELETE_ALL:
            scenario_.logs.clear();
            replyWithPayload(kReplyAccepted, nullptr, 0);
            break;
        case CMD_FIRMWARE_VERSION:
            reply(TextReply(Utf8ToUtf16(scenario_.firmwareVersion)));
            break;
        case CMD_MODEL_QUERY:
            reply(TextReply(Utf8ToUtf16(scenario_.model)));
            break;
        case CMD_FIRMWARE_BLOCK: {
            uint32_t index = arg / kFirmwareBlockSize;
            bool ok = arg % kFirmwareBlockSize == 0 && index < kFirmwareBlocks &&
                      !(scenario_.faults.refuseHeaderAtBlock &&
                        static_cast<uint32_t>(*scenario_.faults.refuseHeaderAtBlock) == index);
            replyWithPayload(ok ? kReplyAccepted : kReplyRefused, nullptr, 0);
            if (ok) {
                inBody_ = true;
                blockAddress_ = arg;
                blockSum_ = GetU32(r.data() + 8);
                body_.clear();
                if (flash_.empty()) flash_.assign(kFirmwareImageSize, 0xFF);
            }
            break;
        }
        case CMD_FIRMWARE_END:
            firmwareEnded_ = true;
            break;
        default:
            break;  // unknown: silence
    }
}

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
