#pragma once
// A ReportLink onto a WatchSimulator. By default nothing waits: a read the real watch
// would let time out fails at once, so tests and benchmarks run at full speed.
#include <chrono>
#include <memory>

#include "device/report_link.h"
#include "device/sim/watch_simulator.h"

namespace dorvath {

struct SimulatedTiming {
    std::chrono::microseconds perReport{0};  // added to every transfer
    bool realTimeouts = false;               // a failed transfer takes the full 1000 ms
};

class SimulatedLink : public ReportLink {
  public:
    explicit SimulatedLink(std::shared_ptr<WatchSimulator> watch, SimulatedTiming timing = {});
    bool Write(const uint8_t* data, size_t length) override;
    bool Read(uint8_t* data, size_t length) override;
    void Close() override { watch_.reset(); }
    bool IsOpen() const override { return watch_ != nullptr; }

  private:
    bool finish(bool ok) const;

    std::shared_ptr<WatchSimulator> watch_;
    SimulatedTiming timing_;
};

}  // namespace dorvath
