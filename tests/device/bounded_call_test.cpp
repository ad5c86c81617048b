#include "device/bounded_call.h"

#include <gtest/gtest.h>

#include <future>

namespace dorvath {
namespace {

TEST(CallWithin, AWriteThatNeverCompletesIsGivenUpAndReleasedWhenItReturns) {
    std::promise<void> unblock;
    std::shared_future<void> gate = unblock.get_future().share();
    std::promise<void> released;
    auto r = CallWithin(
        50,
        [gate] {
            gate.wait();
            return 64;
        },
        [&released] { released.set_value(); });
    EXPECT_FALSE(r.has_value());
    // What the late call uses is released by it, once it returns, never before.
    auto done = released.get_future();
    EXPECT_EQ(done.wait_for(std::chrono::milliseconds(20)), std::future_status::timeout);
    unblock.set_value();
    EXPECT_EQ(done.wait_for(std::chrono::seconds(10)), std::future_status::ready);
}

TEST(CallWithin, ACallInTimeGivesItsResultAndKeepsItsResources) {
    bool released = false;
    auto r = CallWithin(
        5000, [] { return 65; }, [&released] { released = true; });
    ASSERT_TRUE(r.has_value());
    EXPECT_EQ(*r, 65);
    EXPECT_FALSE(released);
}

}  // namespace
}  // namespace dorvath
