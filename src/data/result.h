#pragma once
// The one shape of an operation that can fail (exports, track files, settings and watch
// transfers): success, or a reason a person can read; beside it whatever the operation
// has to tell either way (runs written, runs imported before a bad one). The caller must
// look at it; pages end a failed one through EndFailedOperation.
#include <string>
#include <utility>

namespace dorvath {

struct NoPayload {};

template <class Payload = NoPayload>
struct [[nodiscard]] Result : Payload {
    bool ok = false;
    std::string reason;  // empty on success

    static Result success(Payload payload = {}) { return Result(std::move(payload), true, {}); }
    static Result failure(std::string why, Payload payload = {}) {
        return Result(std::move(payload), false, std::move(why));
    }
    // From a writer that answers "" or why not.
    static Result fromReason(std::string why, Payload payload = {}) {
        return why.empty() ? success(std::move(payload))
                           : failure(std::move(why), std::move(payload));
    }
    explicit operator bool() const { return ok; }

    Result() = default;

  private:
    Result(Payload payload, bool success, std::string why)
        : Payload(std::move(payload)), ok(success), reason(std::move(why)) {}
};

}  // namespace dorvath
