// The application's frame: page 201 and everything nested in it, as the page host
// creates it in the desktop window and in browser mode alike.
#include <cstdio>
#include <memory>

#include "app/commands.h"
#include "app/ui/app_frame_host.h"
#include "ui/failed_operation.h"
#include "ui/top_frame_wnd.h"

namespace dorvath {
namespace {

struct UiFrame {
    std::unique_ptr<AppFrameHost> host;
    std::unique_ptr<CTopFrameWnd> top;
};

}  // namespace

std::shared_ptr<void> CreateUiFrame(AppContext& ctx, Program& program) {
    auto frame = std::make_shared<UiFrame>();
    frame->host = std::make_unique<AppFrameHost>(ctx, AppDesktopWindow());
    frame->top = std::make_unique<CTopFrameWnd>(
        ctx.loop,
        PagesContext{ctx.engine, *frame->host, program.db, program.state, program.watches});
    // A handler that failed unexpectedly is told once at a time; the program goes on.
    ctx.loop.setUnexpectedErrorHandler([&ctx, telling = false](const std::string& what) mutable {
        std::fprintf(stderr, "dorvath: unexpected error: %s\n", what.c_str());
        if (telling) return;
        telling = true;
        EndFailedOperation(ctx.engine, ctx.loop, FailedOperation::Unexpected, what);
        telling = false;
    });
    frame->top->create();
    SetAppTopFrame(frame->top.get());
    return std::shared_ptr<void>(frame.get(), [frame](void*) mutable {
        SetAppTopFrame(nullptr);
        frame.reset();
    });
}

}  // namespace dorvath
