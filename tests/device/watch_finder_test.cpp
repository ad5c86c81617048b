#include "device/watch_finder.h"

#include <gtest/gtest.h>

#include "device/device_session.h"
#include "device/hid_link.h"

namespace dorvath {
namespace {

auto AnyOpens = [](const std::string&) { return true; };

TEST(SelectWatchPath, NothingPresentGivesEmpty) {
    EXPECT_EQ(SelectWatchPath({}, kWatchVendorId, kWatchProductId, AnyOpens), "");
}

TEST(SelectWatchPath, BothIdsMustMatchAndAnyReleaseIsAccepted) {
    std::vector<HidInterfaceInfo> list = {{"/dev/hidraw0", 0x0483, 0x5751, 0x100},
                                          {"/dev/hidraw1", 0x0484, 0x5750, 0x100},
                                          {"/dev/hidraw2", 0x0483, 0x5750, 0xFFFF}};
    EXPECT_EQ(SelectWatchPath(list, kWatchVendorId, kWatchProductId, AnyOpens), "/dev/hidraw2");
    list.pop_back();
    EXPECT_EQ(SelectWatchPath(list, kWatchVendorId, kWatchProductId, AnyOpens), "");
}

TEST(SelectWatchPath, FirstInListOrderThatOpensWins) {
    std::vector<HidInterfaceInfo> list = {{"/dev/hidraw5", 0x0483, 0x5750, 1},
                                          {"/dev/hidraw3", 0x0483, 0x5750, 2},
                                          {"/dev/hidraw4", 0x0483, 0x5750, 3}};
    EXPECT_EQ(SelectWatchPath(list, kWatchVendorId, kWatchProductId, AnyOpens), "/dev/hidraw5");
    std::vector<std::string> probed;
    auto heldFirst = [&](const std::string& p) {
        probed.push_back(p);
        return p != "/dev/hidraw5";
    };
    EXPECT_EQ(SelectWatchPath(list, kWatchVendorId, kWatchProductId, heldFirst), "/dev/hidraw3");
    EXPECT_EQ(probed, (std::vector<std::string>{"/dev/hidraw5", "/dev/hidraw3"}));
    auto none = [](const std::string&) { return false; };
    EXPECT_EQ(SelectWatchPath(list, kWatchVendorId, kWatchProductId, none), "");
}

TEST(HidLink, BadPathStaysClosedAndCloseIsHarmless) {
    HidLink link;
    EXPECT_FALSE(link.IsOpen());
    EXPECT_FALSE(link.Open("/dev/does-not-exist"));
    EXPECT_FALSE(link.IsOpen());
    uint8_t buf[64] = {7};
    EXPECT_FALSE(link.Write(buf, 64));
    EXPECT_FALSE(link.Read(buf, 64));
    EXPECT_EQ(buf[0], 7);
    link.Close();
    link.Close();
    EXPECT_EQ(OpenWatchLink("/dev/does-not-exist"), nullptr);
}

class SimulatedPaths : public ::testing::Test {
  protected:
    void TearDown() override { ClearSimulatedWatches(); }
};

TEST_F(SimulatedPaths, SimulatedWatchIsFoundAndOpenedByName) {
    auto watch = std::make_shared<WatchSimulator>(WatchScenario{});
    AddSimulatedWatch("bench", watch);
    EXPECT_EQ(FindWatchPath(), "sim:bench");
    EXPECT_EQ(FindWatchPath(kWatchVendorId, 0x1234).rfind("sim:", 0), std::string::npos);
    auto link = OpenWatchLink("sim:bench");
    ASSERT_NE(link, nullptr);
    Report r{};
    ASSERT_TRUE(Exchange(*link, MakeRequest(CMD_MODEL_QUERY), r));
    EXPECT_EQ(ReplyText(r), "KT907");
    EXPECT_EQ(OpenWatchLink("sim:other"), nullptr);
}

TEST_F(SimulatedPaths, DemoScenarioSwitchesSimulationOn) {
    auto watch = EnableWatchSimulation("demo");
    ASSERT_NE(watch, nullptr);
    EXPECT_GT(watch->logCount(), 0u);
    EXPECT_EQ(FindWatchPath(), "sim:demo");
    EXPECT_THROW(EnableWatchSimulation("/no/such/scenario.json"), ScenarioError);
}

struct RecordingSink : DeviceMessageSink {
    void showMessage(const std::string& t) override { messages.push_back(t); }
    std::vector<std::string> messages;
};

TEST_F(SimulatedPaths, SessionOpensClosesAndReports) {
    RecordingSink sink;
    auto watch = std::make_shared<WatchSimulator>(WatchScenario{});
    AddSimulatedWatch("s", watch);
    long before = watch.use_count();
    {
        DeviceSession session(sink);
        EXPECT_TRUE(session.IsOpen());
        EXPECT_EQ(watch.use_count(), before + 1);
    }
    EXPECT_EQ(watch.use_count(), before);
    ClearSimulatedWatches();
    DeviceSession none(sink, [] { return std::unique_ptr<ReportLink>(); });
    EXPECT_FALSE(none.IsOpen());
    none.ReportNotConnected();
    none.ReportFailed();
    EXPECT_EQ(sink.messages, (std::vector<std::string>{kConnectionMessage, kConnectionMessage}));
}

}  // namespace
}  // namespace dorvath
