#pragma once
// Device problems reported to the user in the one-button message dialog (page 208).
#include "device/device_messages.h"
#include "engine/event_loop.h"
#include "engine/html_engine.h"

namespace dorvath {

class DialogMessageSink : public DeviceMessageSink {
  public:
    DialogMessageSink(HtmlEngine& engine, EventLoop& loop) : engine_(engine), loop_(loop) {}

    // UI thread: shows the text with an empty second line until "Exit" is pressed.
    void showMessage(const std::string& text) override;

  private:
    HtmlEngine& engine_;
    EventLoop& loop_;
};

}  // namespace dorvath
