#pragma once
// The settings page 205: the watch's settings form, the time-zone buttons, reading and
// saving the settings, the firmware version, and the firmware update.
#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <vector>

#include "data/app_state.h"
#include "device/watch_finder.h"
#include "engine/event_loop.h"
#include "engine/html_engine.h"
#include "ui/device_message_sink.h"
#include "ui/file_choice.h"
#include "ui/loading_dlg.h"

namespace dorvath {

class CSettingsPageWnd : public MessageTarget, public PageHandler {
  public:
    static constexpr const char* kFrame = "main/page2";
    static constexpr const char* kLoadingCover = "main";  // what the loading dialog blocks

    CSettingsPageWnd(EventLoop& loop, HtmlEngine& engine, AppState& state, WatchFinder& watches);
    ~CSettingsPageWnd() override;

    void create();

    // The block into the form, the bias and the "utc" label.
    void fillPage();
    // The form into the block, with the alarm check and the clamps; refills after a clamp.
    void readBackPage();

    void utcAdd();                 // "utc_add"
    void utcDec();                 // "utc_dec"
    void readSettingsFromWatch();  // "onsetread"
    void saveSettings();           // "onsetsave"
    void showFirmwareVersion();    // "fwversion"
    void chooseFirmwareFile();     // "onbinfile"
    void updateFirmware();         // "onupdate"

    int32_t bias() const { return bias_; }
    const std::vector<uint8_t>& imageBuffer() const { return image_; }

    // How the loading dialog waits for its thread (tests make it short).
    LoadingDlgOptions loadingOptions;
    // Picks the firmware file; the file dialog unless set (tests).
    std::function<std::optional<std::filesystem::path>(const FileDialogSpec&)> chooseFile;

    bool onButtonClick(const ClickEvent& e) override;

  private:
    void drawUtcLabel();

    HtmlEngine& engine_;
    AppState& state_;
    WatchFinder& watches_;
    DialogMessageSink sink_;
    int32_t bias_;
    // The stamped image of the last update, kept for the window's life.
    std::vector<uint8_t> image_;
    // An operation is running (a dialog of it is up): presses wait their turn.
    bool busy_ = false;
};

}  // namespace dorvath
