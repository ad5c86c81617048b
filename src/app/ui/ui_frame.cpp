// The application's frame: page 201 and everything nested in it, as the page host
// creates it in the desktop window and in browser mode alike.
#include <memory>

#include "app/ui/app_frame_host.h"
#include "engine/app_frame.h"
#include "data/app_state.h"
#include "data/track_database.h"
#include "ui/top_frame_wnd.h"

namespace dorvath {
namespace {

struct UiFrame {
    std::unique_ptr<AppFrameHost> host;
    std::unique_ptr<CTopFrameWnd> top;
};

std::shared_ptr<void> CreateUiFrame(AppContext& ctx) {
    auto frame = std::make_shared<UiFrame>();
    frame->host = std::make_unique<AppFrameHost>(ctx, AppDesktopWindow());
    frame->top = std::make_unique<CTopFrameWnd>(ctx.loop, ctx.engine, *frame->host, TrackDatabase::instance(), AppState::instance());
    frame->top->create();
    SetAppTopFrame(frame->top.get());
    return std::shared_ptr<void>(frame.get(), [frame](void*) mutable {
        SetAppTopFrame(nullptr);
        frame.reset();
    });
}

AppFrameRegistrar reg(CreateUiFrame, 10);

}  // namespace
}  // namespace dorvath
