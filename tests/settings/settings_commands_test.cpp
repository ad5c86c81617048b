#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <random>

#include "app/run_command.h"
#include "data/app_state.h"
#include "data/temp_dir.h"
#include "device/protocol.h"
#include "settings/firmware_update.h"

namespace dorvath {
namespace {

using test::RunDorvath;

class SettingsCommands : public ::testing::Test {
  protected:
    std::string scenario(const std::string& json) {
        std::ofstream(dir / "watch.json") << json;
        return "--simulate-watch=" + (dir / "watch.json").string();
    }
    std::string dataDirOption() { return "--data-dir=" + dir.path().string(); }
    test::TempDir dir;
};

TEST_F(SettingsCommands, FirmwareVersionPrintsTheLabel) {
    auto r = RunDorvath({"firmware-version", scenario(R"({"firmware_version": "V3.2b"})")});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "FW:V3.2b\n");
    auto none = RunDorvath({"firmware-version"});
    EXPECT_NE(none.status, 0);
    EXPECT_EQ(none.err, std::string(kConnectionMessage) + "\n");
}

TEST_F(SettingsCommands, ReadPrintsTheWatchsBlockAndLeavesTheFileAlone) {
    auto r = RunDorvath({"watch-settings", "read", dataDirOption(),
                         scenario(R"({"settings": {"weight": 77, "utc_bias": 60, "min2": 45}})")});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out.rfind("alarm0=0\nhour0=12\nmin0=0\n", 0), 0u);
    EXPECT_NE(r.out.find("\nweight=77\n"), std::string::npos);
    EXPECT_NE(r.out.find("\nmin2=45\n"), std::string::npos);
    // Every field of the 124 device bytes, the time zone last.
    EXPECT_EQ(std::count(r.out.begin(), r.out.end(), '\n'), 9 + 28);
    EXPECT_EQ(r.out.substr(r.out.size() - 12), "utc_bias=60\n");
    EXPECT_EQ(r.out.find("unit_system"), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(dir / "setting.dat"));
}

TEST_F(SettingsCommands, SendWritesTheFileFirstAndFailsWithoutWatch) {
    AppState state;
    state.settings.set("weight", 90);
    ASSERT_TRUE(state.saveSettingsFile(dir / "setting.dat"));
    auto r = RunDorvath({"watch-settings", "send", dataDirOption(), scenario("{}")});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "");
    auto none = RunDorvath({"watch-settings", "send", dataDirOption()});
    EXPECT_NE(none.status, 0);
    EXPECT_EQ(none.err, std::string(kConnectionMessage) + "\n");
    AppState again;
    ASSERT_TRUE(again.loadSettingsFile(dir / "setting.dat"));
    EXPECT_EQ(again.settings.get("weight"), 90);
    EXPECT_EQ(RunDorvath({"watch-settings", "write"}).status, 2);
}

TEST_F(SettingsCommands, FirmwareUpdateMessages) {
    std::vector<uint8_t> file(kFirmwareFileSize);
    std::mt19937 gen(1);
    for (auto& b : file) b = static_cast<uint8_t>(gen());
    PutU32(file.data() + kFirmwareImageSize, kFirmwareTrailer);
    {
        std::ofstream out(dir / "fw.bin", std::ios::binary);
        out.write(reinterpret_cast<const char*>(file.data()),
                  static_cast<std::streamsize>(file.size()));
    }
    std::string fw = (dir / "fw.bin").string();
    auto ok = RunDorvath({"firmware-update", fw, scenario("{}")});
    EXPECT_EQ(ok.status, 0) << ok.err;
    EXPECT_EQ(ok.err, std::string(kUpdateDoneMessage) + "\n");
    auto model = RunDorvath({"firmware-update", fw, scenario(R"({"model": "KT100"})")});
    EXPECT_NE(model.status, 0);
    EXPECT_EQ(model.err, std::string(kUpdateFailedMessage) + "\n");
    auto empty = RunDorvath({"firmware-update", scenario("{}")});
    EXPECT_NE(empty.status, 0);
    EXPECT_EQ(empty.err, std::string(kChooseFirmwareMessage) + "\n");
    file.push_back(0);
    {
        std::ofstream out(dir / "long.bin", std::ios::binary);
        out.write(reinterpret_cast<const char*>(file.data()),
                  static_cast<std::streamsize>(file.size()));
    }
    auto bad = RunDorvath({"firmware-update", (dir / "long.bin").string(), scenario("{}")});
    EXPECT_NE(bad.status, 0);
    EXPECT_EQ(bad.err, std::string(kBadFirmwareMessage) + "\n");
    auto missing = RunDorvath({"firmware-update", (dir / "none.bin").string(), scenario("{}")});
    EXPECT_NE(missing.status, 0);
}

}  // namespace
}  // namespace dorvath
