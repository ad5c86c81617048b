#pragma once
// What the pieces of an HtmlEngine share (not for other code).
//
// Locking: one plain mutex per engine guards everything here and a subclass's batch.
// Every public method of HtmlEngine and of its pieces (Widgets, PageInput, EventRouter,
// FrameStoreView) takes it once at its start and, while holding it, calls only the members
// below, never another public method. Page handlers run without it; submit() runs with
// it held.
#include <mutex>

#include "engine/frame_store.h"
#include "engine/operation_sender.h"
#include "engine/page_mirror.h"

namespace dorvath {

struct EngineCore {
    explicit EngineCore(std::function<void(Operation)> submit) : send(store, std::move(submit)) {}
    std::mutex mutex;
    FrameStore store;
    PageMirror mirror;
    OperationSender send;
};

}  // namespace dorvath
