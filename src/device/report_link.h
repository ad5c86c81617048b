#pragma once
// One connection to the watch as a pipe of fixed 64-byte reports. The real watch (HidLink)
// and the simulated one (SimulatedLink) both sit behind this.
#include <cstddef>
#include <cstdint>

namespace dorvath {

constexpr size_t kReportSize = 64;
constexpr int kReportTimeoutMs = 1000;

class ReportLink {
  public:
    virtual ~ReportLink() = default;
    // Sends one output report of `length` bytes (at most 64). False when it did not
    // complete within the time-out.
    virtual bool Write(const uint8_t* data, size_t length) = 0;
    // Receives one input report and copies its first `length` bytes. False when none
    // arrived within the time-out; `data` is then left as it was.
    virtual bool Read(uint8_t* data, size_t length) = 0;
    // Ends the connection; harmless when already closed.
    virtual void Close() = 0;
    virtual bool IsOpen() const = 0;
};

}  // namespace dorvath
