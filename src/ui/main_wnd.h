#pragma once
// The function page 202: the two tabs that switch between the list page and the
// settings page, and the buttons for download, erasing the watch's logs and help.
#include <functional>
#include <memory>

#include "engine/event_loop.h"
#include "engine/html_engine.h"
#include "ui/frame_host.h"

namespace dorvath {

class CListPageWnd;
class CSettingsPageWnd;

class CMainWnd : public MessageTarget, public PageHandler {
  public:
    static constexpr const char* kFrame = "main";

    CMainWnd(EventLoop& loop, HtmlEngine& engine, FrameHost& host);
    ~CMainWnd() override;

    void create();

    int currentTab() const { return tab_; }
    void switchTab(int n);
    CListPageWnd* listPage() const { return list_.get(); }
    CSettingsPageWnd* settingsPage() const { return settings_.get(); }

    // The device buttons are wired by the device pages.
    std::function<void()> onDownload;
    std::function<void()> onDeleteLogs;

    bool onButtonClick(const ClickEvent& e) override;
    void onPageCommand(const CommandEvent& e) override;

  private:
    HtmlEngine& engine_;
    FrameHost& host_;
    int tab_ = 1;
    std::unique_ptr<CListPageWnd> list_;
    std::unique_ptr<CSettingsPageWnd> settings_;
};

}  // namespace dorvath
