#pragma once
// The watch's side of every command, report by report, for tests, the demo and the
// benchmarks. It answers the way the watch does (including holding back its record
// stream until acknowledged), misbehaves as its scenario's faults say, and keeps a log
// of the wire.
#include <array>
#include <cstdint>
#include <deque>
#include <vector>

#include "device/protocol.h"
#include "device/sim/watch_scenario.h"

namespace dorvath {

class WatchSimulator {
  public:
    enum class Wire { HostWrite, WatchReply, WriteTimedOut, ReadTimedOut };
    struct WireEntry {
        Wire kind;
        Report bytes;  // zeros for the timed-out entries
    };

    explicit WatchSimulator(WatchScenario scenario);

    // One report written by the host. False: the watch did not take it (time-out).
    bool receive(const Report& report);
    // One report for the host to read. False: nothing came (time-out).
    bool send(Report& report);

    // How the last transfer reached the wire: its delay, and the bytes of a reply (a
    // partial report when fewer than 64).
    int lastDelayMs() const { return lastDelayMs_; }
    size_t lastReplyLength() const { return lastReplyLength_; }

    // The wire log, in order. Logging can be turned off for long benchmarks.
    const std::vector<WireEntry>& wire() const { return wire_; }
    void clearWire() { wire_.clear(); }
    void setWireLogging(bool on) { logWire_ = on; }
    // The host's writes only, in order.
    std::vector<Report> hostWrites() const;

    const WatchScenario& scenario() const { return scenario_; }
    const DeviceSettings& settings() const { return scenario_.settings; }
    size_t logCount() const { return scenario_.logs.size(); }
    uint64_t transfers() const { return transfers_; }
    int acknowledgements() const { return acks_; }

    // Firmware as received: the image of the accepted blocks, counts, and the end command.
    const std::vector<uint8_t>& flash() const { return flash_; }
    int blocksAccepted() const { return blocksAccepted_; }
    int bodiesRefused() const { return bodiesRefused_; }
    bool firmwareEnded() const { return firmwareEnded_; }

  private:
    bool stopped();
    void handleCommand(const Report& r);
    void handleBody(const Report& r);
    // One per command; `arg` is the request's first argument.
    void readSettings(const Report& r, uint32_t arg);
    void writeSettings(const Report& r, uint32_t arg);
    void countLogs(const Report& r, uint32_t arg);
    void sendHeader(const Report& r, uint32_t arg);
    void startStream(const Report& r, uint32_t arg);
    void deleteLogs(const Report& r, uint32_t arg);
    void sendFirmwareVersion(const Report& r, uint32_t arg);
    void sendModel(const Report& r, uint32_t arg);
    void startBlock(const Report& r, uint32_t arg);
    void endFirmware(const Report& r, uint32_t arg);
    void reply(const Report& r) { pending_.push_back(r); }
    void replyWithPayload(uint32_t code, const uint8_t* payload, size_t length);
    void log(Wire kind, const Report& r);

    WatchScenario scenario_;
    std::vector<WireEntry> wire_;
    bool logWire_ = true;
    uint64_t transfers_ = 0;
    int lastDelayMs_ = 0;
    size_t lastReplyLength_ = kReportSize;
    std::deque<Report> pending_;

    // Record stream in progress.
    bool streaming_ = false;
    uint32_t streamLog_ = 0;
    size_t streamNext_ = 0;
    uint32_t sinceAck_ = 0;
    int acks_ = 0;

    // Firmware block in progress.
    bool inBody_ = false;
    uint32_t blockAddress_ = 0;
    uint32_t blockSum_ = 0;
    std::vector<uint8_t> body_;
    std::vector<uint8_t> flash_;
    int blocksAccepted_ = 0;
    int bodiesRefused_ = 0;
    int forcedRefusals_ = 0;
    bool firmwareEnded_ = false;
};

}  // namespace dorvath
