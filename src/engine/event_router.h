#pragma once
// Routes the events of the pages to the page objects: the mirror takes in what an event
// reports, then the handler attached to its frame hears it. Part of an HtmlEngine:
// engine.events().
#include <map>
#include <nlohmann/json.hpp>

#include "engine/page_types.h"

namespace dorvath {

struct EngineCore;

class EventRouter {
  public:
    explicit EventRouter(EngineCore& core) : core_(core) {}

    void attach(const FramePath& f, PageHandler* h);
    void detach(const FramePath& f, PageHandler* h);
    // One event from the page runtime (JSON as the runtime sends it): updates the
    // mirror, then calls the frame's handler. On the UI thread. What a page sends is never
    // trusted: an event it cannot be is dropped.
    void dispatch(const nlohmann::json& event);

  private:
    EngineCore& core_;
    std::map<FramePath, PageHandler*> handlers_;  // under core_.mutex
};

}  // namespace dorvath
