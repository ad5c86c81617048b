#pragma once
// A blocking call given a deadline. The kernel may hold a hidraw write for seconds (its
// own USB time-out); the link promises every transfer within 1000 ms.
#include <functional>
#include <optional>

namespace dorvath {

// Runs `call` on a thread of its own and waits at most `timeoutMs` for its result. When
// it is late, returns nullopt at once and leaves `whenLate` to that thread, which runs it
// once `call` has returned (what the call is using can only be released then). When no
// thread can be started, `whenLate` runs at once and the result is nullopt.
std::optional<int> CallWithin(int timeoutMs, std::function<int()> call,
                              std::function<void()> whenLate);

}  // namespace dorvath
