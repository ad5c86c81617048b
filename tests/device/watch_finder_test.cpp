#include "device/watch_finder.h"

#include <gtest/gtest.h>

#include <cerrno>

#include "device/device_session.h"
#include "device/hid_link.h"
#include "device/protocol.h"
#include "device/sim/simulated_watches.h"
#include "device/sim/watch_scenario.h"
#include "device/sim/watch_simulator.h"
#include "device/sim_fixture.h"

namespace dorvath {
namespace {

using test::RecordingSink;

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

// A watch whose node this user may not open is named, with the way to the udev rule; a
// node refused only until udev catches up is found on a later look; anything else that
// fails (another device refusing, an I/O error) keeps the connection line.
TEST(SearchWatch, UnopenableNodeIsNamedAndRetriedBriefly) {
    std::vector<HidInterfaceInfo> list = {{"/dev/hidraw1", 0x046d, 0xc52b, 1},
                                          {"/dev/hidraw7", 0x0483, 0x5750, 1}};
    int looks = 0;
    auto lister = [&] {
        ++looks;
        return list;
    };
    auto denied = [](const std::string&) { return EACCES; };
    WatchSearch s = SearchWatch(lister, denied, kWatchVendorId, kWatchProductId, 3,
                                std::chrono::milliseconds(0));
    EXPECT_EQ(s.path, "");
    EXPECT_EQ(s.deniedNode, "/dev/hidraw7");
    EXPECT_EQ(looks, 4);

    const std::string cmd =
        WatchNotOpenedMessage(s.deniedNode, false, "/opt/d/60-dorvath-watch.rules");
    EXPECT_EQ(cmd,
              "端末 /dev/hidraw7 を開く権限がありません。\n次のコマンドでudevルールを入れて下さい: "
              "sudo cp '/opt/d/60-dorvath-watch.rules' /etc/udev/rules.d/ && sudo udevadm control "
              "--reload && sudo udevadm trigger");
    EXPECT_EQ(WatchNotOpenedMessage(s.deniedNode, true, "x"),
              "端末 /dev/hidraw7 を開く権限がありません。\n"
              "udevルールは入っています。端末をUSBから抜いて挿し直して下さい。");

    // udev sets the mode after the second look.
    looks = 0;
    auto late = [&](const std::string&) { return looks < 2 ? EACCES : 0; };
    s = SearchWatch(lister, late, kWatchVendorId, kWatchProductId, 10,
                    std::chrono::milliseconds(0));
    EXPECT_EQ(s.path, "/dev/hidraw7");
    EXPECT_EQ(looks, 2);

    // Only the watch's own refusal counts, and only for lack of permission; no retries then.
    looks = 0;
    auto other = [](const std::string& p) { return p == "/dev/hidraw1" ? EACCES : EIO; };
    s = SearchWatch(lister, other, kWatchVendorId, kWatchProductId, 10,
                    std::chrono::milliseconds(0));
    EXPECT_EQ(s.path, "");
    EXPECT_EQ(s.deniedNode, "");
    EXPECT_EQ(looks, 1);
    EXPECT_EQ(WatchNotOpenedMessage(s.deniedNode, false, "x"), kConnectionMessage);
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
    EXPECT_EQ(HidWatchFinder("x").open("/dev/does-not-exist"), nullptr);
}

class SimulatedPaths : public ::testing::Test {
  protected:
    SimulatedWatchFinder watches;  // no hardware behind
};

TEST_F(SimulatedPaths, SimulatedWatchIsFoundAndOpenedByName) {
    auto watch = std::make_shared<WatchSimulator>(WatchScenario{});
    watches.add("bench", watch);
    EXPECT_EQ(watches.findPath(), "sim:bench");
    EXPECT_EQ(watches.findPath(kWatchVendorId, 0x1234), "");
    auto link = watches.open("sim:bench");
    ASSERT_NE(link, nullptr);
    Report r{};
    ASSERT_TRUE(Exchange(*link, MakeRequest(CMD_MODEL_QUERY), r));
    EXPECT_EQ(ReplyText(r), "KT907");
    EXPECT_EQ(watches.open("sim:other"), nullptr);
}

TEST_F(SimulatedPaths, DemoScenarioSwitchesSimulationOn) {
    auto watch = EnableWatchSimulation(watches, "demo");
    ASSERT_NE(watch, nullptr);
    EXPECT_GT(watch->logCount(), 0u);
    EXPECT_EQ(watches.findPath(), "sim:demo");
    EXPECT_THROW(EnableWatchSimulation(watches, "/no/such/scenario.json"), ScenarioError);
}

TEST_F(SimulatedPaths, SessionOpensClosesAndReports) {
    RecordingSink sink;
    auto watch = std::make_shared<WatchSimulator>(WatchScenario{});
    watches.add("s", watch);
    long before = watch.use_count();
    {
        DeviceSession session(watches, sink);
        EXPECT_TRUE(session.IsOpen());
        EXPECT_EQ(watch.use_count(), before + 1);
    }
    EXPECT_EQ(watch.use_count(), before);
    SimulatedWatchFinder noWatch;
    DeviceSession none(noWatch, sink);
    EXPECT_FALSE(none.IsOpen());
    none.ReportNotConnected();
    none.ReportFailed();
    EXPECT_EQ(sink.messages, (std::vector<std::string>{kConnectionMessage, kConnectionMessage}));
}

}  // namespace
}  // namespace dorvath
