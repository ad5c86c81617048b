#pragma once
// The scope of one device operation on the UI thread: finds and opens the watch when
// made, closes it when destroyed.
#include <functional>
#include <memory>
#include <string>

#include "data/result.h"
#include "device/device_messages.h"
#include "device/watch_finder.h"

namespace dorvath {

class DeviceSession {
  public:
    DeviceSession(WatchFinder& watches, DeviceMessageSink& sink);
    DeviceSession(const DeviceSession&) = delete;
    DeviceSession& operator=(const DeviceSession&) = delete;
    ~DeviceSession();

    bool IsOpen() const { return link_ && link_->IsOpen(); }
    ReportLink& link() { return *link_; }

    // The watch was not opened: the connection line, or why this user may not open it.
    // Both return what the user was told.
    std::string ReportNotConnected() {
        std::string text = watches_.notOpenedMessage();
        sink_.watchNotOpened(text);
        return text;
    }
    // A transfer failed.
    std::string ReportFailed() {
        sink_.showMessage(kConnectionMessage);
        return kConnectionMessage;
    }

  private:
    WatchFinder& watches_;
    DeviceMessageSink& sink_;
    std::unique_ptr<ReportLink> link_;
};

// The usual shape of an operation: open the watch, run `exchange` on it, close it; the
// connection message when there is no watch or `exchange` reports a failed transfer.
Result<> RunWithWatch(WatchFinder& watches, DeviceMessageSink& sink,
                      const std::function<bool(ReportLink&)>& exchange);

}  // namespace dorvath
