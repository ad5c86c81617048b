#pragma once
// How device operations talk to the user: the pages implement these with their message
// dialogs and the loading dialog; the command line prints to standard error.
#include <string>

namespace dorvath {

// The one line every device problem is reported with.
inline constexpr const char* kConnectionMessage = "端末とUSBの接続を確認して下さい";

class DeviceMessageSink {
  public:
    virtual ~DeviceMessageSink() = default;
    // A one-button message; returns when the user has dismissed it. A "\n" starts its
    // second line.
    virtual void showMessage(const std::string& text) = 0;
    // The watch could not be opened (not there, or not ours to open): `text` says which.
    virtual void watchNotOpened(const std::string& text) { showMessage(text); }
};

// The "Loading" indicator shown while the firmware is written. start() may wait a
// bounded time for the indicator to come up; stop() is called once on every path
// after a start(). Between them progress() tells how many of the blocks are through.
class LoadingIndicator {
  public:
    virtual ~LoadingIndicator() = default;
    virtual void start() = 0;
    virtual void progress(int done, int total) {
        (void)done;
        (void)total;
    }
    virtual void stop() = 0;
};

class NoLoadingIndicator : public LoadingIndicator {
  public:
    void start() override {}
    void stop() override {}
};

}  // namespace dorvath
