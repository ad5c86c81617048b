#include "device/bounded_call.h"

#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>

namespace dorvath {
namespace {

struct CallState {
    std::mutex mutex;
    std::condition_variable done;
    std::optional<int> result;
    bool abandoned = false;
    std::function<void()> whenLate;
};

}  // namespace

std::optional<int> CallWithin(int timeoutMs, std::function<int()> call,
                              std::function<void()> whenLate) {
    auto state = std::make_shared<CallState>();
    state->whenLate = std::move(whenLate);
    try {
        std::thread([state, call = std::move(call)] {
            int r = call();
            std::function<void()> late;
            {
                std::lock_guard<std::mutex> lock(state->mutex);
                state->result = r;
                if (state->abandoned) late = std::move(state->whenLate);
            }
            state->done.notify_one();
            if (late) late();
        }).detach();
    } catch (const std::system_error&) {
        // No thread: the call never started, so what it would have used is released now.
        if (state->whenLate) state->whenLate();
        return std::nullopt;
    }
    std::unique_lock<std::mutex> lock(state->mutex);
    if (state->done.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                             [&] { return state->result.has_value(); }))
        return state->result;
    state->abandoned = true;
    return std::nullopt;
}

}  // namespace dorvath
