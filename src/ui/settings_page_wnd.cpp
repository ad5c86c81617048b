#include "ui/settings_page_wnd.h"

#include <cstdio>
#include <type_traits>

#include "device/protocol.h"
#include "settings/firmware_update.h"
#include "settings/settings_form.h"
#include "settings/settings_transfer.h"
#include "ui/busy_flag.h"
#include "ui/failed_operation.h"
#include "ui/file_dialog.h"
#include "ui/message_dialog.h"

namespace dorvath {

static_assert(std::is_same_v<SettingsForm, FormMap>,
              "the settings binding takes the page's form map as it is");

namespace {

// The loading dialog over the function page while the blocks go, with their count.
class FirmwareLoadingDlg : public LoadingIndicator {
  public:
    FirmwareLoadingDlg(HtmlEngine& engine, const LoadingDlgOptions& options)
        : dlg_(engine, options) {}
    void start() override { dlg_.start(CSettingsPageWnd::kLoadingCover); }
    void progress(int done, int total) override { dlg_.setProgress(done, total); }
    void stop() override { dlg_.end(); }

  private:
    CLoadingDlg dlg_;
};

}  // namespace

CSettingsPageWnd::CSettingsPageWnd(EventLoop& loop, HtmlEngine& engine, AppState& state,
                                   WatchFinder& watches)
    : MessageTarget(loop),
      engine_(engine),
      state_(state),
      watches_(watches),
      sink_(engine, loop),
      bias_(state.settings.utcBias()),
      image_(kFirmwareImageSize) {}

CSettingsPageWnd::~CSettingsPageWnd() { engine_.events().detach(kFrame, this); }

void CSettingsPageWnd::create() {
    engine_.loadPage(kFrame, "205");
    engine_.events().attach(kFrame, this);
}

void CSettingsPageWnd::fillPage() {
    engine_.input().fillForm(kFrame, SettingsToForm(state_.settings));
    bias_ = state_.settings.utcBias();
    drawUtcLabel();
}

void CSettingsPageWnd::readBackPage() {
    switch (ReadSettingsForm(engine_.input().collectForm(kFrame), bias_, state_.settings)) {
        case ReadBack::InvalidAlarm:
            sink_.showMessage(kAlarmTimeMessage);
            break;
        case ReadBack::Clamped:
            fillPage();
            break;
        case ReadBack::Taken:
            break;
    }
}

void CSettingsPageWnd::drawUtcLabel() { engine_.setText(kFrame, Id("utc"), UtcLabel(bias_)); }

void CSettingsPageWnd::utcAdd() {
    bias_ = UtcAdd(bias_);
    drawUtcLabel();
}

void CSettingsPageWnd::utcDec() {
    bias_ = UtcDec(bias_);
    drawUtcLabel();
}

void CSettingsPageWnd::readSettingsFromWatch() {
    const Result<> r = ReadSettingsFromWatch(watches_, state_.settings, sink_);
    if (!r) return EndFailedOperation(engine_, loop(), FailedOperation::Watch, r.reason);
    fillPage();
}

void CSettingsPageWnd::saveSettings() {
    // An invalid alarm leaves the block as it was; that block is still stored and sent.
    readBackPage();
    const SaveSettingsResult r = SaveSettings(watches_, state_, sink_);
    if (!r.fileWritten)
        EndFailedOperation(engine_, loop(), FailedOperation::SettingsFile, r.fileProblem);
    if (!r) EndFailedOperation(engine_, loop(), FailedOperation::Watch, r.reason);
}

void CSettingsPageWnd::showFirmwareVersion() {
    const Result<FirmwareVersion> r = ReadFirmwareVersion(watches_, sink_);
    if (!r) return EndFailedOperation(engine_, loop(), FailedOperation::Watch, r.reason);
    engine_.setText(kFrame, Id("fwtxt"), r.label);
}

void CSettingsPageWnd::chooseFirmwareFile() {
    FileDialogSpec spec;
    spec.mode = FileDialogMode::Open;
    spec.filters = FiltersFor("Bin Files", "bin");
    spec.defaultExt = "bin";
    spec.overwritePrompt = false;
    auto path = chooseFile ? chooseFile(spec) : ShowFileDialog(engine_, loop(), spec);
    if (path) engine_.input().fillForm(kFrame, {{"binfile", path->string()}});
}

void CSettingsPageWnd::updateFirmware() {
    const std::string path = FormText(engine_.input().collectForm(kFrame)["binfile"]);
    FirmwareLoadingDlg loading(engine_, loadingOptions);
    const FirmwareOutcome r = UpdateFirmware(watches_, path, image_, sink_, loading);
    if (!r)
        EndFailedOperation(engine_, loop(),
                           r.end == FirmwareEnd::Unreadable ? FailedOperation::FirmwareFile
                                                            : FailedOperation::Watch,
                           r.reason);
}

bool CSettingsPageWnd::onButtonClick(const ClickEvent& e) {
    if (busy_) return false;
    BusyFlag running(busy_);
    if (e.id == "onsetsave") {
        saveSettings();
    } else if (e.id == "onsetread") {
        readSettingsFromWatch();
    } else if (e.id == "utc_add") {
        utcAdd();
    } else if (e.id == "utc_dec") {
        utcDec();
    } else if (e.id == "fwversion") {
        showFirmwareVersion();
    } else if (e.id == "onbinfile") {
        chooseFirmwareFile();
    } else if (e.id == "onupdate") {
        updateFirmware();
    }
    // The page's own behaviour of the click goes on in any case.
    return false;
}

}  // namespace dorvath
