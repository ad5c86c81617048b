#include "app/single_instance.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <atomic>
#include <cstdio>

#include "../data/temp_dir.h"

namespace dorvath {
namespace {

TEST(SingleInstanceTest, SecondInstanceActivatesTheFirstAndGetsItsAnswer) {
    test::TempDir dir;
    std::atomic<int> activations = 0;
    SingleInstance first(dir.path());
    ASSERT_EQ(first.acquire(), SingleInstance::Acquire::Acquired);
    ASSERT_TRUE(first.listen([&] {
        ++activations;
        return std::string("http://127.0.0.1:1234/?t=abc");
    }));

    SingleInstance second(dir.path());
    EXPECT_EQ(second.acquire(), SingleInstance::Acquire::HeldByAnother);
    EXPECT_EQ(second.activateFirst(), "http://127.0.0.1:1234/?t=abc");
    EXPECT_EQ(second.activateFirst(), "http://127.0.0.1:1234/?t=abc");
    EXPECT_EQ(activations, 2);
    // the socket is the user's alone: it hands out the page token
    struct stat st {};
    ASSERT_EQ(::stat(first.socketPath().c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0077, 0u);
}

TEST(SingleInstanceTest, LockIsHandedOverWhenTheFirstEnds) {
    test::TempDir dir;
    {
        SingleInstance first(dir.path());
        ASSERT_EQ(first.acquire(), SingleInstance::Acquire::Acquired);
        ASSERT_TRUE(first.listen([] { return std::string("x"); }));
    }
    SingleInstance next(dir.path());
    EXPECT_EQ(next.acquire(), SingleInstance::Acquire::Acquired);
    EXPECT_FALSE(std::filesystem::exists(next.socketPath()));
    // a stale socket file left by a crash does not stop the new first from listening
    {
        FILE* f = std::fopen(next.socketPath().c_str(), "w");
        std::fclose(f);
    }
    EXPECT_TRUE(next.listen([] { return std::string("y"); }));
    SingleInstance other(dir.path());
    EXPECT_EQ(other.acquire(), SingleInstance::Acquire::HeldByAnother);
    EXPECT_EQ(other.activateFirst(), "y");
}

TEST(SingleInstanceTest, NoAnswerWhenTheFirstDoesNotListen) {
    test::TempDir dir;
    SingleInstance first(dir.path());
    ASSERT_EQ(first.acquire(), SingleInstance::Acquire::Acquired);
    SingleInstance second(dir.path());
    EXPECT_EQ(second.acquire(), SingleInstance::Acquire::HeldByAnother);
    EXPECT_EQ(second.activateFirst(300), std::nullopt);
}

TEST(SingleInstanceTest, LongFolderNamesStillGetASocket) {
    test::TempDir dir;
    std::filesystem::path deep = dir.path() / std::string(120, 'd');
    std::filesystem::create_directories(deep);
    SingleInstance first(deep);
    ASSERT_EQ(first.acquire(), SingleInstance::Acquire::Acquired);
    ASSERT_TRUE(first.listen([] { return std::string("deep"); }));
    SingleInstance second(deep);
    EXPECT_EQ(second.acquire(), SingleInstance::Acquire::HeldByAnother);
    EXPECT_EQ(second.activateFirst(), "deep");
}

}  // namespace
}  // namespace dorvath
