#pragma once
// Sends operations to the pages: each one is kept in its frame's state (when it is state)
// and handed to the engine's submit. Not locked itself: used under the engine's mutex.
#include <functional>
#include <nlohmann/json.hpp>
#include <string>

#include "engine/page_types.h"

namespace dorvath {

class FrameStore;

// One operation as it travels to the page. `key` names what it sets (frame, element,
// operation, name): a later operation with the same key replaces the earlier one in the
// batch and in the frame's kept state. An empty key: sent once, never kept.
struct Operation {
    std::string key;
    nlohmann::json body;  // {"op": ..., "frame": ..., ...}
    const std::string& op() const;
    const FramePath& frame() const;
};

class OperationSender {
  public:
    OperationSender(FrameStore& kept, std::function<void(Operation)> submit)
        : kept_(kept), submit_(std::move(submit)) {}

    // Sent once; a later one with the same non-empty key replaces it in the batch.
    void send(const std::string& key, nlohmann::json body);
    // Kept for replay under key, and sent.
    void sendKept(const FramePath& f, const std::string& key, nlohmann::json body);
    // For an element by id as sendKept; by selector kept in order beside the others,
    // never merged (what a selector matches depends on what was done before).
    void sendAddressed(const FramePath& f, const Element& e, const std::string& key,
                       nlohmann::json body);

  private:
    FrameStore& kept_;
    std::function<void(Operation)> submit_;
};

}  // namespace dorvath
