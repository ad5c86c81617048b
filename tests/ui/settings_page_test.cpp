// The settings page against the recording engine and simulated watches: what the form
// shows, what a save stores and sends, the time-zone buttons, reading the watch, the
// firmware version, the firmware file and the update with its progress.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>

#include "../data/temp_dir.h"
#include "data/app_state.h"
#include "data/byte_order.h"
#include "device/protocol.h"
#include "device/sim/simulated_watches.h"
#include "device/sim/watch_simulator.h"
#include "settings/firmware_update.h"
#include "settings/settings_form.h"
#include "support/dialog_press.h"
#include "support/recording_html_engine.h"
#include "ui/settings_page_wnd.h"

namespace dorvath {
namespace {

constexpr const char* kPage = CSettingsPageWnd::kFrame;
namespace fs = std::filesystem;

class SettingsPageTest : public ::testing::Test {
  protected:
    void SetUp() override {
        page.loadingOptions.periodMs = 60'000;  // the text cycle stays still
        page.create();
        page.fillPage();
    }

    std::shared_ptr<WatchSimulator> plugIn(WatchScenario s = {}) {
        auto w = std::make_shared<WatchSimulator>(std::move(s));
        watches.add("test", w);
        return w;
    }
    // Presses the button of `n` message boxes in turn as they open.
    void dismiss(int n) {
        for (int i = 0; i < n; ++i) test::PressWhenOpen(loop, engine, {{"code", "0"}});
    }
    // The first texts of the message boxes shown so far.
    std::vector<std::string> messages() const {
        std::vector<std::string> out;
        for (const auto& op : engine.operations("text"))
            if (op.value("id", "") == "MsgText1") out.push_back(op.value("value", ""));
        return out;
    }
    // What the form shows now (the engine's mirror of the filled and typed values).
    FormValue shown(const std::string& name) const {
        return engine.input().collectForm(kPage)[name];
    }
    void type(const FormMap& values) { engine.formValues(kPage, values); }
    void press(const std::string& id) { engine.click(kPage, id); }
    std::vector<uint8_t> settingFile() const {
        std::ifstream in(dir / "setting.dat", std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }
    // setting.dat holds the 132 bytes of `block`.
    void expectFileHolds(const DeviceSettings& block) const {
        EXPECT_EQ(settingFile(), std::vector<uint8_t>(block.bytes().begin(), block.bytes().end()));
    }
    int fills() const { return static_cast<int>(engine.operations("fill").size()); }

    test::TempDir dir;
    EventLoop loop;
    RecordingHtmlEngine engine;
    AppState state{dir.path()};
    SimulatedWatchFinder watches;  // none plugged in: no watch
    CSettingsPageWnd page{loop, engine, state, watches};
};

TEST_F(SettingsPageTest, FillShowsEachFieldByItsKindAndTheZoneLabel) {
    EXPECT_EQ(shown("weight"), FormValue(std::int64_t{60}));
    EXPECT_EQ(shown("display"), FormValue(std::int64_t{1}));
    EXPECT_EQ(shown("hour0"), FormValue(std::string("12")));
    EXPECT_EQ(shown("min0"), FormValue(std::string("00")));
    EXPECT_EQ(shown("lap_time"), FormValue(std::string("05")));
    EXPECT_EQ(shown("fast_run_dist"), FormValue(std::string("3.0")));
    EXPECT_EQ(engine.text(kPage, "utc"), "UTC+09:00");
    EXPECT_EQ(engine.input().collectForm(kPage).count("unit_system"), 0u);  // never on the page

    // 7 typed in lap_time is 07 after the next fill; 3.5 km stays 3.5.
    dismiss(1);  // no watch
    type({{"lap_time", std::string("7")}, {"fast_run_dist", std::string("3.5")}});
    press("onsetsave");
    page.fillPage();
    EXPECT_EQ(shown("lap_time"), FormValue(std::string("07")));
    EXPECT_EQ(state.settings.get("fast_run_dist"), 35);
    EXPECT_EQ(shown("fast_run_dist"), FormValue(std::string("3.5")));
}

TEST_F(SettingsPageTest, SavingClampsStoresAllBytesAndShowsTheClampedValues) {
    struct Case {
        FormMap typed;
        const char* field;
        int32_t stored;
        FormValue shownAfter;
    };
    const std::vector<Case> cases = {
        {{{"weight", std::int64_t{0}}}, "weight", 1, std::int64_t{1}},
        {{{"weight", std::int64_t{999}}}, "weight", 299, std::int64_t{299}},
        {{{"weight", std::int64_t{-5}}}, "weight", 1, std::int64_t{1}},
        {{{"fast_run_dist", std::string("0.05")}}, "fast_run_dist", 1, std::string("0.1")},
        {{{"slow_run_dist", std::string("100")}}, "slow_run_dist", 999, std::string("99.9")},
        {{{"nightmode", std::int64_t{0}}, {"bk_light", std::int64_t{3}}},
         "bk_light",
         0,
         std::int64_t{0}},
        {{{"run_count", std::string("")}}, "run_count", 1, std::string("01")},
        {{{"fast_run_mode", std::monostate{}}}, "fast_run_mode", 0, std::monostate{}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.field);
        page.fillPage();
        type(c.typed);
        dismiss(1);  // no watch: the connection message, after the file was written
        const int before = fills();
        press("onsetsave");
        EXPECT_EQ(state.settings.get(c.field), c.stored);
        EXPECT_EQ(shown(c.field), c.shownAfter);
        // Refilled only when a clamp changed something.
        EXPECT_EQ(fills() > before, c.field != std::string("fast_run_mode"));
        expectFileHolds(state.settings);
    }
    EXPECT_EQ(messages(), std::vector<std::string>(cases.size(), kConnectionMessage));
    // Tenths are taken from the digits, not through a double that could give 22 for 2.3.
    EXPECT_EQ(TextTenths("2.3"), 23);
    EXPECT_EQ(TextTenths("12.75"), 127);
    EXPECT_EQ(TextInteger("99999999999"), 2147483647);
}

TEST_F(SettingsPageTest, WrongAlarmTimeChangesNothingButTheOldBlockIsStillSaved) {
    AppState fresh;
    type({{"hour1", std::string("24")}, {"min1", std::string("00")}, {"weight", std::int64_t{70}}});
    const int before = fills();
    dismiss(2);
    press("onsetsave");
    EXPECT_EQ(messages(), (std::vector<std::string>{kAlarmTimeMessage, kConnectionMessage}));
    EXPECT_EQ(state.settings, fresh.settings);
    EXPECT_EQ(fills(), before);
    EXPECT_EQ(shown("hour1"), FormValue(std::string("24")));
    EXPECT_EQ(shown("weight"), FormValue(std::int64_t{70}));
    expectFileHolds(fresh.settings);
}

TEST_F(SettingsPageTest, ZoneButtonsStopAtTheirLimitsAndReachTheBlockOnSave) {
    EXPECT_FALSE(page.onButtonClick({.frame = kPage, .id = "utc_add"}));  // never consumed
    for (int i = 0; i < 11; ++i) press("utc_add");  // -570 ... -840, then stays
    EXPECT_EQ(page.bias(), -840);
    EXPECT_EQ(engine.text(kPage, "utc"), "UTC+14:00");
    EXPECT_EQ(state.settings.utcBias(), -540);  // the block waits for a save
    for (int i = 0; i < 60; ++i) press("utc_dec");
    EXPECT_EQ(page.bias(), 720);
    EXPECT_EQ(engine.text(kPage, "utc"), "UTC-12:00");
    for (int i = 0; i < 15; ++i) press("utc_add");
    EXPECT_EQ(engine.text(kPage, "utc"), "UTC-04:30");
    auto w = plugIn();
    press("onsetsave");
    EXPECT_TRUE(messages().empty());
    EXPECT_EQ(state.settings.utcBias(), 270);
    EXPECT_EQ(w->settings().utcBias(), 270);
    EXPECT_EQ(GetI32(settingFile().data() + 120), 270);

    EXPECT_EQ(UtcLabel(0), "UTC+00:00");
    EXPECT_EQ(UtcLabel(300), "UTC-05:00");
    EXPECT_EQ(UtcLabel(-345), "UTC+05:45");
}

TEST_F(SettingsPageTest, ReadingTheWatchRefillsAndAFailedSliceKeepsWhatCame) {
    WatchScenario s;
    s.settings.set("weight", 82);
    s.settings.set("utc_bias", 60);
    state.settings.set("unit_system", 1);
    plugIn(s);
    press("onsetread");
    EXPECT_TRUE(messages().empty());
    EXPECT_EQ(shown("weight"), FormValue(std::int64_t{82}));
    EXPECT_EQ(engine.text(kPage, "utc"), "UTC-01:00");
    EXPECT_EQ(state.settings.unitSystem(), 1);
    EXPECT_TRUE(settingFile().empty());  // reading stores nothing

    WatchScenario broken;
    for (int i = 0; i < 124; ++i) broken.settings.bytes()[i] = static_cast<uint8_t>(0x80 + i);
    broken.faults.stopAfterReports = 3;  // slice 2's reply never comes
    plugIn(broken);
    const DeviceSettings before = state.settings;
    const int fillsBefore = fills();
    dismiss(1);
    press("onsetread");
    EXPECT_EQ(messages(), std::vector<std::string>{kConnectionMessage});
    for (int i = 0; i < 60; ++i) EXPECT_EQ(state.settings.bytes()[i], 0x80 + i) << i;
    for (int i = 60; i < 132; ++i) EXPECT_EQ(state.settings.bytes()[i], before.bytes()[i]) << i;
    EXPECT_EQ(fills(), fillsBefore);
    EXPECT_EQ(shown("weight"), FormValue(std::int64_t{82}));
}

TEST_F(SettingsPageTest, FirmwareVersionGoesIntoItsLabel) {
    dismiss(1);
    press("fwversion");
    EXPECT_EQ(messages(), std::vector<std::string>{kConnectionMessage});
    EXPECT_EQ(engine.text(kPage, "fwtxt"), "");
    WatchScenario s;
    s.firmwareVersion = "V2.7";
    plugIn(s);
    press("fwversion");
    EXPECT_EQ(engine.text(kPage, "fwtxt"), "FW:V2.7");
}

class FirmwarePageTest : public SettingsPageTest {
  protected:
    fs::path writeImage(size_t size = kFirmwareFileSize, uint32_t trailer = kFirmwareTrailer) {
        std::vector<uint8_t> f(size);
        std::mt19937 gen(11);
        for (auto& b : f) b = static_cast<uint8_t>(gen());
        PutU32(f.data() + size - 4, trailer);
        const fs::path p = dir / ("fw" + std::to_string(files++) + ".bin");
        std::ofstream(p, std::ios::binary)
            .write(reinterpret_cast<const char*>(f.data()), static_cast<std::streamsize>(size));
        return p;
    }
    // "onbinfile" with the dialog answering `p` (none: cancelled).
    void choose(std::optional<fs::path> p) {
        page.chooseFile = [this, p](const FileDialogSpec& s) {
            specs.push_back(s);
            return p;
        };
        press("onbinfile");
    }
    // The count texts painted into the loading dialog, in order.
    std::vector<std::string> counts() const {
        std::vector<std::string> out;
        for (const auto& op : engine.operations("paint"))
            for (const auto& item : op["items"])
                if (item[0] == "t" && item[6].get<std::string>().find('/') != std::string::npos)
                    out.push_back(item[6]);
        return out;
    }

    std::vector<FileDialogSpec> specs;
    int files = 0;
};

TEST_F(FirmwarePageTest, FileDialogFillsTheFieldAndCancelLeavesIt) {
    const fs::path good = writeImage();
    choose(good);
    ASSERT_EQ(specs.size(), 1u);
    EXPECT_EQ(specs[0].mode, FileDialogMode::Open);
    ASSERT_EQ(specs[0].filters.size(), 2u);
    EXPECT_EQ(specs[0].filters[0].label, "Bin Files (*.bin)");
    EXPECT_EQ(specs[0].filters[0].pattern, "*.bin");
    EXPECT_EQ(specs[0].filters[1].label, "All Files (*.*)");
    EXPECT_EQ(specs[0].filters[1].pattern, "*.*");
    EXPECT_EQ(specs[0].defaultExt, "bin");
    EXPECT_EQ(shown("binfile"), FormValue(good.string()));
    choose(std::nullopt);
    EXPECT_EQ(shown("binfile"), FormValue(good.string()));
}

TEST_F(FirmwarePageTest, FileAndModelChecksComeBeforeAnyBlock) {
    dismiss(1);
    press("onupdate");
    EXPECT_EQ(messages(), std::vector<std::string>{kChooseFirmwareMessage});

    auto w = plugIn();
    choose(writeImage(kFirmwareFileSize + 1));
    dismiss(1);
    press("onupdate");
    choose(writeImage(kFirmwareFileSize, 0xAAAA5201));
    dismiss(1);
    press("onupdate");
    EXPECT_EQ(w->transfers(), 0u);

    WatchScenario other;
    other.model = "KT906";
    w = plugIn(other);
    choose(writeImage());
    dismiss(1);
    press("onupdate");
    EXPECT_EQ(w->blocksAccepted(), 0);
    EXPECT_EQ(messages(), (std::vector<std::string>{kChooseFirmwareMessage, kBadFirmwareMessage,
                                                    kBadFirmwareMessage, kUpdateFailedMessage}));
    EXPECT_TRUE(engine.operations("paint").empty());  // no loading dialog for any of them
}

TEST_F(FirmwarePageTest, UpdateSendsARefusedBodyAgainAndShowsTheCountUpTo192) {
    WatchScenario s;
    s.faults.refuseBodyTimes = 2;
    auto w = plugIn(s);
    choose(writeImage());
    dismiss(1);
    press("onupdate");
    EXPECT_EQ(messages(), std::vector<std::string>{kUpdateDoneMessage});
    EXPECT_EQ(w->bodiesRefused(), 2);
    EXPECT_EQ(w->blocksAccepted(), 192);
    EXPECT_TRUE(w->firmwareEnded());
    // The page's buffer holds the stamped image, and that is what the watch got.
    ASSERT_EQ(page.imageBuffer().size(), kFirmwareImageSize);
    EXPECT_EQ(GetU32(page.imageBuffer().data() + kStampOffset), 0xAA55AA55u);
    EXPECT_TRUE(
        std::equal(page.imageBuffer().begin(), page.imageBuffer().end(), w->flash().begin()));

    // The loading dialog covered the function page and counted the blocks up to the last.
    auto dialogs = engine.operations("dialog");
    ASSERT_GE(dialogs.size(), 2u);
    EXPECT_EQ(dialogs[0]["page"], "206");
    auto enables = engine.operations("enable");
    ASSERT_EQ(enables.size(), 2u);
    EXPECT_EQ(enables[0]["frame"], CSettingsPageWnd::kLoadingCover);
    EXPECT_EQ(enables[0]["value"], false);
    EXPECT_EQ(enables[1]["value"], true);
    const std::vector<std::string> seen = counts();
    ASSERT_FALSE(seen.empty());
    EXPECT_EQ(seen.back(), "192/192");
    int last = -1;
    for (const std::string& c : seen) {
        const int n = std::stoi(c);
        EXPECT_GE(n, last) << c;
        last = n;
    }
}

}  // namespace
}  // namespace dorvath
