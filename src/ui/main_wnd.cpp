#include "ui/main_wnd.h"

#include <string>

#include "ui/list_page_wnd.h"
#include "ui/settings_page_wnd.h"

namespace dorvath {

CMainWnd::CMainWnd(EventLoop& loop, HtmlEngine& engine, FrameHost& host)
    : MessageTarget(loop), engine_(engine), host_(host) {}

CMainWnd::~CMainWnd() { engine_.detach(kFrame, this); }

void CMainWnd::create() {
    engine_.loadPage(kFrame, "202");
    engine_.attach(kFrame, this);
    list_ = std::make_unique<CListPageWnd>(loop(), engine_, handle());
    list_->create();
    settings_ = std::make_unique<CSettingsPageWnd>(loop(), engine_);
    settings_->create();
}

void CMainWnd::switchTab(int n) {
    if (n == tab_ || (n != 1 && n != 2)) return;
    const std::string c = std::to_string(tab_), next = std::to_string(n);
    engine_.setStyle(kFrame, Id("tab" + c + "-s"), "display", "none");
    engine_.setStyle(kFrame, Id("tab" + c), "display", "block");
    engine_.setStyle(kFrame, Id("framepage" + c), "display", "none");
    tab_ = n;
    engine_.setStyle(kFrame, Id("tab" + next + "-s"), "display", "block");
    engine_.setStyle(kFrame, Id("tab" + next), "display", "none");
    engine_.setStyle(kFrame, Id("framepage" + next), "display", "block");
}

bool CMainWnd::onButtonClick(const ClickEvent& e) {
    if (e.id == "download") {
        if (onDownload) onDownload();
    } else if (e.id == "dellog") {
        if (onDeleteLogs) onDeleteLogs();
    } else if (e.id == "help") {
        host_.openShippedFile("help/index.html");
    } else {
        return false;
    }
    return true;
}

void CMainWnd::onPageCommand(const CommandEvent& e) {
    if (e.id == "tab1") switchTab(1);
    if (e.id == "tab2") switchTab(2);
}

}  // namespace dorvath
