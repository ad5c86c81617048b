#pragma once
// The list page 204: calendar, runs, laps, map, chart and point list. This class holds
// the page's frame and its lower tabs; the views inside attach to it.
#include "engine/event_loop.h"
#include "engine/html_engine.h"

namespace dorvath {

class CListPageWnd : public MessageTarget, public PageHandler {
  public:
    static constexpr const char* kFrame = "main/page1";
    static constexpr const char* kMapFrame = "main/page1/map";

    CListPageWnd(EventLoop& loop, HtmlEngine& engine, WindowHandle mainWnd);
    ~CListPageWnd() override;

    void create();

    int currentLowerTab() const { return lowerTab_; }
    void switchLowerTab(int n);

    void onPageCommand(const CommandEvent& e) override;
    std::int64_t onMessage(const Message& m) override;

  protected:
    HtmlEngine& engine_;
    WindowHandle mainWnd_;
    int lowerTab_ = 1;
};

}  // namespace dorvath
