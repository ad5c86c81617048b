#pragma once
// What the watch commands share: messages to standard error, and the simulated watch
// switched on from --simulate-watch.
#include <string>

#include "device/device_messages.h"

namespace dorvath {

struct GlobalOptions;
class SimulatedWatchFinder;

class StderrMessageSink : public DeviceMessageSink {
  public:
    void showMessage(const std::string& text) override;
    void watchNotOpened(const std::string& text) override;
    // The exit status of a failed command: 2 when the watch was not opened, else 1.
    int failureStatus() const { return notOpened_ ? 2 : 1; }

  private:
    bool notOpened_ = false;
};

// Adds the simulated watch when --simulate-watch was given; the program calls it once,
// before any command. False, with the reason on standard error, when its scenario cannot
// be used.
bool PrepareWatchSimulation(const GlobalOptions& options, SimulatedWatchFinder& watches);

}  // namespace dorvath
