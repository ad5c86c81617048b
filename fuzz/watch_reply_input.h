#pragma once
// The watch's side of every exchange, played from arbitrary bytes: a link whose replies,
// short reads and time-outs come from the input, and the checks that must hold after each
// exchange whatever it replied. Shared by the fuzz target and the tests replaying its
// findings.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "device/protocol.h"
#include "device/report_link.h"

namespace dorvath {

// Input layout: byte 0 picks the exchange (WatchExchange, modulo their count), bytes 1-2
// (little-endian) the 1-based number of the host write that times out (0: none), then one
// entry per host read:
//   c % 8 == 0        time-out
//   c % 8 == 1, n     short report of n % 64 bytes (skipped), a failed read as on hidraw
//   c % 8 == 2        the previous reply again
//   c % 8 == 3, n     the previous reply again, for this read and the next n % 64
//   c % 8 == 4, n, .. a reply of n % 65 given bytes, zeros after
//   otherwise, 64 ..  a whole reply (fewer left: a short report)
// When the input ends, every further read times out.
enum class WatchExchange : uint8_t {
    Download,
    SettingsRead,
    FirmwareVersion,
    FirmwareUpdate,
    SettingsWrite,
    DeleteLogs,
    Count
};

// What the link served of one log's record stream, to compare with what was stored.
struct ServedStream {
    uint32_t announced = 0;  // record_count of the header served last
    uint32_t delivered = 0;  // records read
    uint32_t fixes = 0;
    uint32_t lapMarkers = 0;
    bool whole() const { return delivered == announced; }
};

class ScriptedReplyLink : public ReportLink {
  public:
    ScriptedReplyLink(const uint8_t* data, size_t size, uint32_t failingWrite);
    bool Write(const uint8_t* data, size_t length) override;
    bool Read(uint8_t* data, size_t length) override;
    void Close() override { open_ = false; }
    bool IsOpen() const override { return open_; }

    size_t writes() const { return writes_; }
    size_t reads() const { return reads_; }
    bool writeFailed() const { return writes_ >= failingWrite_ && failingWrite_ != 0; }
    const std::vector<ServedStream>& streams() const { return streams_; }

  private:
    bool next(Report& reply);

    const uint8_t* data_;
    size_t size_;
    size_t pos_ = 0;
    uint32_t failingWrite_;
    size_t writes_ = 0;
    size_t reads_ = 0;
    int repeats_ = 0;
    Report last_{};
    bool open_ = true;
    uint32_t request_ = 0;  // code of the last request written
    uint32_t announced_ = 0;
    std::vector<ServedStream> streams_;
};

// Runs the exchange the input picks against a fresh in-memory track database and returns
// what went wrong ("" when every check held).
std::string CheckWatchReplyInput(const uint8_t* data, size_t size);

// Builds an input: the exchange, the failing write, then the read entries.
class WatchReplyScript {
  public:
    explicit WatchReplyScript(WatchExchange exchange, uint16_t failingWrite = 0);
    WatchReplyScript& reply(const Report& r);
    WatchReplyScript& repeat(int reads);  // 1..64 reads of the previous reply
    WatchReplyScript& timeout();
    WatchReplyScript& shortReport(int bytes);
    const std::vector<uint8_t>& bytes() const { return bytes_; }

  private:
    std::vector<uint8_t> bytes_;
};

}  // namespace dorvath
