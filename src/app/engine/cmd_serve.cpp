// The application itself: `dorvath [--serve] [--port N] [--data-dir DIR]` opens the data
// folder and serves the pages on 127.0.0.1. It shows them in its own desktop window when
// one was built and a display is there (and --serve was not given); otherwise it prints
// the address to open in a browser. It runs until the frame page's "close" or SIGINT /
// SIGTERM.
#include <atomic>
#include <boost/asio/signal_set.hpp>
#include <csignal>
#include <cstdio>
#include <cstdlib>

#include "app/app_window.h"
#include "app/commands.h"
#include "app/single_instance.h"
#include "data/app_state.h"
#include "data/c_format.h"
#include "data/track_database.h"
#include "engine/app_frame.h"
#include "engine/bridge_engine.h"
#include "engine/bridge_server.h"
#include "engine/tile_service.h"

namespace dorvath {
namespace {

// Shows the nested pages when the user interface registered no frame of its own.
class BareFrame : public PageHandler {
  public:
    explicit BareFrame(AppContext& ctx) : ctx_(ctx) {
        ctx_.engine.events().attach("", this);
        ctx_.engine.loadPage("", "201");
        ctx_.engine.loadPage("main", "202");
        ctx_.engine.loadPage("main/page1", "204");
        ctx_.engine.loadPage("main/page2", "205");
    }
    ~BareFrame() override { ctx_.engine.events().detach("", this); }
    bool onButtonClick(const ClickEvent& e) override {
        if (e.id == "close") ctx_.close();
        return false;
    }

  private:
    AppContext& ctx_;
};

// A start that cannot go on: said on stderr, and in a message box when the application
// would have opened its window. Exit status 2.
int StartFailed(const Program& program, const std::string& why) {
    std::fprintf(stderr, "dorvath: %s\n", why.c_str());
    const StartErrorShower& show = program.parts.window.showStartError;
    if (!program.options.serve && show) show("DORVATH: " + why);
    return 2;
}

// Start-up: this copy takes the data folder and opens what is in it. An exit status when
// the program ends here: another copy answered, or the folder cannot be used.
std::optional<int> TakeDataFolder(Program& program, SingleInstance& single) {
    const std::string folder = program.folders.data.string();
    switch (single.acquire()) {
        case SingleInstance::Acquire::Acquired:
            break;
        case SingleInstance::Acquire::HeldByAnother:
            // Another copy owns this data folder: tell its address and leave it alone.
            if (auto answer = single.activateFirst()) {
                std::printf("%s\n", answer->c_str());
                return 0;
            }
            return StartFailed(program,
                               CFormat("another DORVATH holds the data folder %s but does not "
                                       "answer; end it or use another --data-dir",
                                       folder));
        case SingleInstance::Acquire::Failed:
            return StartFailed(
                program, CFormat("cannot use the data folder %s: %s", folder, single.error()));
    }
    try {
        StartLogic(program);
    } catch (const StartupError& e) {
        return StartFailed(program, e.what());
    }
    return std::nullopt;
}

// The server: the pages, the data folder's files, and the map tiles.
BridgeOptions ServerOptions(const Program& program) {
    const GlobalOptions& options = program.options;
    BridgeOptions opt;
    opt.port = options.port.value_or(0);
    opt.shippedDir = program.folders.shipped;
    opt.dataDir = program.folders.data;
    opt.folders = program.parts.folders;
    // Map tiles: the policy of the public tile servers asks for a User-Agent of our own.
    opt.tileServer = options.tileServer.empty() ? kDefaultTileServer : options.tileServer;
    opt.tileCacheDir = DefaultTileCacheDir();
    opt.tileCacheBytes = static_cast<std::uint64_t>(options.tileCacheMb) << 20;
    opt.userAgent = "DORVATH/" DORVATH_APP_VERSION " (desktop companion of a GPS running watch)";
    return opt;
}

// The pages shown in the desktop window, or, without one, in the user's browser; runs
// until the frame page closes or a signal ends it, and answers its exit status.
int ShowPages(Program& program, SingleInstance& single, EventLoop& loop, BridgeEngine& engine,
              const BridgeServer& server, const BridgeOptions& opt) {
    const WindowParts& window = program.parts.window;
    AppContext ctx{loop,
                   engine,
                   [&loop] { loop.quit(0); },
                   [&engine](const std::string& url) { engine.openWindow(url); },
                   true,
                   opt.shippedDir,
                   opt.tileServer};
    std::shared_ptr<void> frame;
    auto createFrame = [&] {
        if (program.parts.frame)
            frame = program.parts.frame(ctx, program);
        else
            frame = std::make_shared<BareFrame>(ctx);
    };

    const std::string line = "Open " + server.url();
    std::atomic<bool> inWindow{false};
    single.listen([line, &inWindow, &window] {
        if (!inWindow) return line;
        if (window.present) window.present();
        return std::string("DORVATH is already running; its window was brought to the front.");
    });
    boost::asio::signal_set signals(loop.io(), SIGINT, SIGTERM);
    signals.async_wait([&loop](const boost::system::error_code& ec, int) {
        if (!ec) loop.quit(0);
    });

    std::optional<int> code;
    if (!program.options.serve && window.run) {
        ctx.browserMode = false;
        inWindow = true;
        code = window.run(loop, server.url(), createFrame);
        inWindow = false;
        if (!code) std::fprintf(stderr, "dorvath: no display; running in browser mode\n");
    }
    if (!code) {
        ctx.browserMode = true;
        createFrame();
        std::printf("%s\n", line.c_str());
        std::fflush(stdout);
        code = loop.run();
    }
    signals.cancel();
    frame.reset();
    return *code;
}

}  // namespace

int RunApplication(Program& program, const std::vector<std::string>& args) {
    if (!args.empty()) {
        std::fprintf(stderr, "usage: dorvath [--serve] [--port N] [--data-dir DIR]\n");
        return 2;
    }
    SingleInstance single(program.folders.data);
    if (std::optional<int> ended = TakeDataFolder(program, single)) return *ended;

    EventLoop loop;
    BridgeEngine engine(loop);
    const BridgeOptions opt = ServerOptions(program);
    BridgeServer server(engine, opt);
    server.start();
    const int code = ShowPages(program, single, loop, engine, server, opt);
    server.stop();
    program.db.close();
    return code;
}

}  // namespace dorvath
