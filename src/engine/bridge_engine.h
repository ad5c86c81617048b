#pragma once
// The HtmlEngine that drives real pages: operations are batched per loop turn (a later
// operation with the same key replaces the earlier one) and handed to the bridge server
// as one JSON array; events from the server are dispatched on the UI thread.
#include <functional>
#include <string>
#include <unordered_map>
#include <vector>

#include "engine/event_loop.h"
#include "engine/html_engine.h"

namespace dorvath {

class BridgeEngine : public HtmlEngine {
  public:
    explicit BridgeEngine(EventLoop& loop);

    // Sends the batch now. Any thread.
    void flush() override;

    // The server's side. The sink gets JSON texts (arrays of operations); any thread. The
    // answer to a page's "ready" comes with a key ("ready:" and its frame): the server may
    // drop it while an answer with the same key still waits to be sent, as that one
    // rebuilds the frame just the same.
    using Sink = std::function<void(std::string text, const std::string& coalesceKey)>;
    void setSink(Sink sink);
    void setSink(std::function<void(std::string)> sink);
    // One event text from the page (bridge thread). A "ready" is answered at once with
    // the frame's kept state (so a page rebuilds even while the UI thread is busy); every
    // event then goes to the UI thread.
    void receive(const std::string& text);

    std::size_t batchSize() const;

  protected:
    void submit(Operation op) override;

  private:
    void send(std::string text, const std::string& coalesceKey = {});
    EventLoop& loop_;
    std::vector<Operation> batch_;
    std::unordered_map<std::string, std::size_t> index_;  // key -> position in batch_
    Sink sink_;
    std::mutex sinkMutex_;
};

// JSON text of a batch, with invalid UTF-8 replaced rather than thrown on.
std::string DumpJson(const nlohmann::json& j);

}  // namespace dorvath
