#pragma once
// The settings page 205: the watch's settings form and its buttons.
#include "engine/event_loop.h"
#include "engine/html_engine.h"

namespace dorvath {

class CSettingsPageWnd : public MessageTarget, public PageHandler {
  public:
    static constexpr const char* kFrame = "main/page2";

    CSettingsPageWnd(EventLoop& loop, HtmlEngine& engine);
    ~CSettingsPageWnd() override;

    void create();

  protected:
    HtmlEngine& engine_;
};

}  // namespace dorvath
