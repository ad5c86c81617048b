#pragma once
// The application's top window as the page host runs it, in browser mode and in the
// desktop window alike. The user interface registers its frame here (from a source file
// linked into the executable); without one, the host shows the frame page bare.
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
};

// Creates the top window (loading page 201 and what it nests); it lives until the loop ends.
using AppFrameFactory = std::function<std::shared_ptr<void>(AppContext&)>;

struct AppFrameRegistrar {
    AppFrameRegistrar(AppFrameFactory factory, int priority = 0);
};

// The registered factory of highest priority; empty when none.
AppFrameFactory RegisteredAppFrame();

}  // namespace dorvath
