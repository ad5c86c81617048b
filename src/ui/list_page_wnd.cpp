#include "ui/list_page_wnd.h"

#include <string>

#include "ui/messages.h"

namespace dorvath {

CListPageWnd::CListPageWnd(EventLoop& loop, HtmlEngine& engine, WindowHandle mainWnd)
    : MessageTarget(loop), engine_(engine), mainWnd_(mainWnd) {}

CListPageWnd::~CListPageWnd() { engine_.detach(kFrame, this); }

void CListPageWnd::create() {
    engine_.loadPage(kFrame, "204");
    engine_.attach(kFrame, this);
    // The map host waits on its own page until a map service answers.
    engine_.loadUrl(kMapFrame, "Html/load.html");
}

void CListPageWnd::switchLowerTab(int n) {
    if (n != 1 && n != 2) return;
    const std::string c = std::to_string(lowerTab_), next = std::to_string(n);
    // The selected tab is the one "div.selected" inside "listpage": tab c. Addressing it
    // by id keeps the page's kept state right when it is rebuilt after a reload.
    engine_.removeAttribute(kFrame, Id("ltab" + c), "class");
    engine_.setAttribute(kFrame, Id("ltab" + next), "class", "selected");
    engine_.setStyle(kFrame, Id("list" + c), "display", "none");
    lowerTab_ = n;
    engine_.setStyle(kFrame, Id("list" + next), "display", "block");
}

void CListPageWnd::onPageCommand(const CommandEvent& e) {
    if (e.id == "ltab1") switchLowerTab(1);
    if (e.id == "ltab2") switchLowerTab(2);
}

std::int64_t CListPageWnd::onMessage(const Message& m) {
    if (m.id == WM_MAP_LOADED) {
        // The pages were never disabled for the map; enabling again is harmless.
        engine_.enablePage("main", true);
    }
    return 0;
}

}  // namespace dorvath
