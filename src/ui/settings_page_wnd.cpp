#include "ui/settings_page_wnd.h"

namespace dorvath {

CSettingsPageWnd::CSettingsPageWnd(EventLoop& loop, HtmlEngine& engine)
    : MessageTarget(loop), engine_(engine) {}

CSettingsPageWnd::~CSettingsPageWnd() { engine_.detach(kFrame, this); }

void CSettingsPageWnd::create() {
    engine_.loadPage(kFrame, "205");
    engine_.attach(kFrame, this);
}

}  // namespace dorvath
