#include "settings/settings_transfer.h"

#include <gtest/gtest.h>

#include <fstream>

#include "data/app_state.h"
#include "data/temp_dir.h"
#include "device/sim/simulated_watches.h"
#include "device/sim_fixture.h"

namespace dorvath {
namespace {

using test::RecordingSink;

class TransferTest : public ::testing::Test {
  protected:
    void start() {
        watch = std::make_shared<WatchSimulator>(scenario);
        watches.add("test", watch);
    }

    SimulatedWatchFinder watches, noWatch;
    WatchScenario scenario;
    std::shared_ptr<WatchSimulator> watch;
    RecordingSink sink;
};

TEST_F(TransferTest, ReadReplacesTheDeviceBytesOnly) {
    scenario.settings.set("weight", 82);
    scenario.settings.set("utc_bias", 120);
    start();
    DeviceSettings block;
    block.set("unit_system", 1);
    block.set("reserved", 77);
    ASSERT_TRUE(ReadSettingsFromWatch(watches, block, sink));
    EXPECT_TRUE(sink.messages.empty());
    EXPECT_EQ(block.get("weight"), 82);
    EXPECT_EQ(block.utcBias(), 120);
    EXPECT_EQ(block.unitSystem(), 1);
    EXPECT_EQ(block.get("reserved"), 77);
}

TEST_F(TransferTest, ReadFailingAtSliceTwoKeepsSliceOne) {
    for (int i = 0; i < 124; ++i) scenario.settings.bytes()[i] = static_cast<uint8_t>(0x80 + i);
    scenario.faults.stopAfterReports = 3;  // slice 2's reply never comes
    start();
    DeviceSettings block;
    const DeviceSettings before = block;
    EXPECT_FALSE(ReadSettingsFromWatch(watches, block, sink));
    for (int i = 0; i < 60; ++i) EXPECT_EQ(block.bytes()[i], 0x80 + i) << i;
    for (int i = 60; i < DeviceSettings::kFileSize; ++i)
        EXPECT_EQ(block.bytes()[i], before.bytes()[i]) << i;
    EXPECT_EQ(sink.messages, std::vector<std::string>{kConnectionMessage});
}

TEST_F(TransferTest, ReadWithoutWatchSendsNothing) {
    DeviceSettings block;
    EXPECT_FALSE(ReadSettingsFromWatch(noWatch, block, sink));
    EXPECT_EQ(sink.messages, std::vector<std::string>{kConnectionMessage});
    EXPECT_EQ(block, DeviceSettings());
}

TEST_F(TransferTest, SaveWritesTheFileEvenWithoutAWatch) {
    test::TempDir dir;
    AppState state(dir.path());
    state.settings.set("weight", 55);
    SaveSettingsResult r = SaveSettings(noWatch, state, sink);
    EXPECT_TRUE(r.fileWritten);
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(sink.messages, std::vector<std::string>{kConnectionMessage});
    AppState reread;
    ASSERT_TRUE(reread.loadSettingsFile(dir / "setting.dat"));
    EXPECT_EQ(reread.settings.get("weight"), 55);
    EXPECT_EQ(std::filesystem::file_size(dir / "setting.dat"), 132u);
}

TEST_F(TransferTest, SaveSendsThreeSlicesWithZerosBeyondThem) {
    test::TempDir dir;
    start();
    AppState state(dir.path());
    for (int i = 0; i < DeviceSettings::kFileSize; ++i)
        state.settings.bytes()[i] = static_cast<uint8_t>(i + 1);
    SaveSettingsResult r = SaveSettings(watches, state, sink);
    EXPECT_TRUE(r.fileWritten);
    EXPECT_TRUE(r.ok);
    EXPECT_TRUE(sink.messages.empty());
    auto writes = watch->hostWrites();
    ASSERT_EQ(writes.size(), 3u);
    EXPECT_EQ(GetU32(writes[0].data()), CMD_SETTINGS_WRITE_1);
    EXPECT_EQ(GetU32(writes[1].data()), CMD_SETTINGS_WRITE_2);
    EXPECT_EQ(GetU32(writes[2].data()), CMD_SETTINGS_WRITE_3);
    for (int i = 0; i < 60; ++i) {
        EXPECT_EQ(writes[0][4 + i], i + 1);
        EXPECT_EQ(writes[1][4 + i], 61 + i);
    }
    for (int i = 0; i < 4; ++i) EXPECT_EQ(writes[2][4 + i], 121 + i);
    for (int i = 8; i < 64; ++i) EXPECT_EQ(writes[2][i], 0);
    for (int i = 0; i < 124; ++i) EXPECT_EQ(watch->settings().bytes()[i], i + 1);
}

TEST_F(TransferTest, SaveStopsAtTheFirstFailedSlice) {
    test::TempDir dir;
    scenario.faults.stopAfterReports = 3;
    start();
    AppState state(dir.path());
    SaveSettingsResult r = SaveSettings(watches, state, sink);
    EXPECT_TRUE(r.fileWritten);
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(watch->hostWrites().size(), 2u);
    EXPECT_EQ(sink.messages, std::vector<std::string>{kConnectionMessage});
}

TEST_F(TransferTest, FirmwareVersionLabel) {
    start();
    EXPECT_EQ(ReadFirmwareVersion(watches, sink).label, "FW:V1.0");
    ASSERT_EQ(watch->hostWrites().size(), 1u);
    EXPECT_EQ(watch->hostWrites()[0], MakeRequest(CMD_FIRMWARE_VERSION));
    scenario.firmwareVersion = std::string(40, 'Z');
    start();
    EXPECT_EQ(ReadFirmwareVersion(watches, sink).label, "FW:" + std::string(32, 'Z'));
    EXPECT_TRUE(sink.messages.empty());
    scenario.faults.stopAfterReports = 1;
    start();
    EXPECT_FALSE(ReadFirmwareVersion(watches, sink).ok);
    EXPECT_FALSE(ReadFirmwareVersion(noWatch, sink).ok);
    EXPECT_EQ(sink.messages, (std::vector<std::string>{kConnectionMessage, kConnectionMessage}));
}

}  // namespace
}  // namespace dorvath
