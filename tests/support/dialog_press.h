#pragma once
// Answering the dialogs a page opens: a handler that opens one runs it in a nested loop,
// so the press is queued before and runs inside that loop.
#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <string>
#include <utility>

#include "engine/event_loop.h"
#include "support/recording_html_engine.h"

namespace dorvath::test {

// Queues a click on `id` of the dialog open last when the task runs; `seen` looks at that
// dialog first. Fails the test when no dialog is open by then.
inline void PressWhenOpen(EventLoop& loop, RecordingHtmlEngine& engine,
                          std::map<std::string, std::string> attributes,
                          std::function<void(const FramePath& dialog)> seen = {},
                          std::string id = "MsgBtn") {
    loop.postTask(
        [&engine, attributes = std::move(attributes), seen = std::move(seen), id = std::move(id)] {
            auto open = engine.openDialogs();
            ASSERT_FALSE(open.empty());
            if (seen) seen(open.back());
            engine.click(open.back(), id, attributes);
        });
}

}  // namespace dorvath::test
