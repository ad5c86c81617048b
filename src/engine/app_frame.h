#pragma once
// What the application's top window is given, in browser mode and in the desktop window
// alike.
#include <filesystem>
#include <functional>
#include <memory>
#include <string>

#include "engine/event_loop.h"
#include "engine/html_engine.h"

namespace dorvath {

struct AppContext {
    EventLoop& loop;
    HtmlEngine& engine;
    std::function<void()> close;                       // ends the program (exit code 0)
    std::function<void(const std::string& url)> open;  // shows a served URL to the user
    bool browserMode = true;                           // moving and sizing belong to the browser
    std::filesystem::path shippedDir;                  // Html, images, help
    std::string tileServer;                            // where the map tiles come from
};

}  // namespace dorvath
