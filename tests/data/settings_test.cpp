#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <fstream>
#include <iterator>

#include "data/app_state.h"
#include "data/device_settings.h"
#include "temp_dir.h"

namespace dorvath {
namespace {

std::vector<uint8_t> ReadFile(const std::filesystem::path& p) {
    std::ifstream in(p, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

void WriteFile(const std::filesystem::path& p, const std::vector<uint8_t>& bytes) {
    std::ofstream out(p, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), bytes.size());
}

TEST(DeviceSettingsTest, DefaultsLieAtTheirOffsets) {
    DeviceSettings s;
    const auto& b = s.bytes();
    ASSERT_EQ(b.size(), 132u);
    for (int i : {2, 6, 10}) EXPECT_EQ(b[i], 12) << i;
    for (int i : {0, 1, 3, 4, 5, 7, 8, 9, 11}) EXPECT_EQ(b[i], 0) << i;
    EXPECT_EQ(std::vector<uint8_t>(b.begin() + 120, b.begin() + 124),
              (std::vector<uint8_t>{0xE4, 0xFD, 0xFF, 0xFF}));
    EXPECT_EQ(std::vector<uint8_t>(b.begin() + 104, b.begin() + 108),
              (std::vector<uint8_t>{0x3C, 0, 0, 0}));
    for (int i = 124; i < 132; ++i) EXPECT_EQ(b[i], 0) << i;
    EXPECT_EQ(b[16], 5);   // tag_dist
    EXPECT_EQ(b[24], 30);  // tag_time
    EXPECT_EQ(b[112], 1);  // display
    EXPECT_EQ(*s.get("lap_disp"), 1);
}

TEST(DeviceSettingsTest, FieldsByFormName) {
    DeviceSettings s;
    EXPECT_EQ(DeviceSettings::fields().size(), 9u + 30u);
    EXPECT_EQ(DeviceSettings::findField("daylight")->offset, 116);
    EXPECT_EQ(DeviceSettings::findField("unit_system")->offset, 128);
    EXPECT_TRUE(s.set("alarm1", 1));
    EXPECT_TRUE(s.set("hour2", 23));
    EXPECT_TRUE(s.set("utc_bias", 720));
    EXPECT_EQ(s.bytes()[4], 1);
    EXPECT_EQ(s.bytes()[10], 23);
    EXPECT_EQ(s.utcBias(), 720);
    EXPECT_FALSE(s.set("no_such_field", 1));
    EXPECT_FALSE(s.get("no_such_field").has_value());
    // raw bytes from the watch are taken as they are
    s.bytes()[120] = 0xFF;
    s.bytes()[121] = 0xFF;
    s.bytes()[122] = 0xFF;
    s.bytes()[123] = 0x7F;
    EXPECT_EQ(s.utcBias(), 0x7FFFFFFF);
    // the slices fall on field boundaries and cover the device part
    int next = 0;
    for (auto [off, len] : DeviceSettings::kSlices) {
        EXPECT_EQ(off, next);
        next = off + len;
    }
    EXPECT_EQ(next, DeviceSettings::kDeviceSize);
}

class SettingsFileTest : public ::testing::Test {
  protected:
    test::TempDir dir;
    AppState state{dir.path()};
};

TEST_F(SettingsFileTest, MissingFileKeepsDefaultsAndCreatesNothing) {
    EXPECT_FALSE(state.loadSettingsFile());
    EXPECT_EQ(state.settings, DeviceSettings());
    EXPECT_FALSE(std::filesystem::exists(dir / "setting.dat"));
}

TEST_F(SettingsFileTest, ShortFileOverwritesOnlyItsLeadingBytes) {
    WriteFile(dir / "setting.dat", {1, 0, 7, 30, 1});
    EXPECT_TRUE(state.loadSettingsFile());
    EXPECT_EQ(*state.settings.get("alarm0"), 1);
    EXPECT_EQ(*state.settings.get("hour0"), 7);
    EXPECT_EQ(*state.settings.get("min0"), 30);
    EXPECT_EQ(state.settings.bytes()[4], 1);
    EXPECT_EQ(*state.settings.get("hour1"), 12);  // beyond the file: default
    EXPECT_EQ(state.settings.utcBias(), -540);
}

TEST_F(SettingsFileTest, LongFileIsReadTo132Bytes) {
    DeviceSettings block;
    block.set("unit_system", 1);
    std::vector<uint8_t> bytes(block.bytes().begin(), block.bytes().end());
    bytes.resize(200, 0x11);
    WriteFile(dir / "setting.dat", bytes);
    EXPECT_TRUE(state.loadSettingsFile());
    EXPECT_EQ(state.settings.bytes()[128], 1);
    EXPECT_EQ(state.settings.unitSystem(), 1);
}

TEST_F(SettingsFileTest, FieldsOutOfRangeReadAsTheirDefaultsAndTheFileStaysAsItIs) {
    DeviceSettings block;
    block.set("weight", -1300541743);
    block.set("hour1", 189);
    block.set("min1", 91);
    block.set("utc_bias", 1742232511);
    block.set("tformat", 1);    // in range: kept
    block.set("reserved", -7);  // any value is a reserved one
    std::vector<uint8_t> bytes(block.bytes().begin(), block.bytes().end());
    WriteFile(dir / "setting.dat", bytes);
    std::vector<std::string> repaired;
    EXPECT_TRUE(state.loadSettingsFile(&repaired));
    EXPECT_EQ(*state.settings.get("weight"), 60);
    EXPECT_EQ(*state.settings.get("hour1"), 12);
    EXPECT_EQ(*state.settings.get("min1"), 0);
    EXPECT_EQ(state.settings.utcBias(), -540);
    EXPECT_EQ(state.settings.tformat(), 1);
    EXPECT_EQ(*state.settings.get("reserved"), -7);
    ASSERT_EQ(repaired.size(), 4u);
    EXPECT_EQ(repaired[0], "hour1 189 is out of range 0..23; 12 is used");
    EXPECT_NE(repaired[3].find("utc_bias 1742232511"), std::string::npos) << repaired[3];
    EXPECT_EQ(ReadFile(dir / "setting.dat"), bytes);
}

TEST_F(SettingsFileTest, SaveWrites132BytesAndReloadKeepsLocalFields) {
    state.settings.set("weight", 72);
    state.settings.set("reserved", 99);
    state.settings.set("unit_system", 1);
    ASSERT_TRUE(state.saveSettingsFile());
    auto bytes = ReadFile(dir / "setting.dat");
    ASSERT_EQ(bytes.size(), 132u);
    EXPECT_TRUE(std::equal(bytes.begin(), bytes.end(), state.settings.bytes().begin()));
    // The writer's temporary file is gone: the folder holds setting.dat alone.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1);

    AppState next(dir.path());
    ASSERT_TRUE(next.loadSettingsFile());
    EXPECT_EQ(next.settings, state.settings);
    EXPECT_EQ(*next.settings.get("reserved"), 99);
    EXPECT_EQ(next.settings.unitSystem(), 1);
}

TEST_F(SettingsFileTest, FailedSaveLeavesTheOldFile) {
    ASSERT_TRUE(state.saveSettingsFile());
    auto before = ReadFile(dir / "setting.dat");
    state.settings.set("weight", 80);
    // The same file, saved by a process that may write no more than 64 bytes: the write
    // itself fails half-way, as on a full disk.
    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit{64, 64};
        setrlimit(RLIMIT_FSIZE, &limit);
        _exit(state.saveSettingsFile() ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 1);  // reported as failed
    EXPECT_EQ(ReadFile(dir / "setting.dat"), before);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1);
}

}  // namespace
}  // namespace dorvath
