#include "ui/message_dialog.h"

#include <charconv>

#include "ui/messages.h"

namespace dorvath {

int ParseButtonCode(const std::string& code) {
    const char* b = code.data();
    const char* e = b + code.size();
    while (b != e && (*b == ' ' || *b == '\t')) ++b;
    if (b != e && *b == '+') ++b;
    int value = 0;
    auto [end, ec] = std::from_chars(b, e, value);
    (void)end;
    return ec == std::errc() ? value : 0;
}

CHtmlMsgDlg::CHtmlMsgDlg(HtmlEngine& engine, EventLoop& loop, int page, std::string text1,
                         std::string text2)
    : MessageTarget(loop),
      engine_(engine),
      page_(page),
      text1_(std::move(text1)),
      text2_(std::move(text2)),
      modal_(std::make_shared<ModalLoop>(loop)) {}

CHtmlMsgDlg::~CHtmlMsgDlg() {
    if (!frame_.empty()) engine_.events().detach(frame_, this);
}

int CHtmlMsgDlg::run() {
    frame_ = engine_.openDialog(std::to_string(page_));
    engine_.events().attach(frame_, this);
    onReady();
    // The loop flushes after each handler it runs; what was issued here goes out now.
    engine_.flush();
    int result = loop().runModal(*modal_);
    engine_.events().detach(frame_, this);
    engine_.closeDialog(frame_);
    engine_.flush();
    frame_.clear();
    return result < 0 ? 0 : result;
}

void CHtmlMsgDlg::end(int result) {
    // A worker ending the dialog keeps the nested loop's state alive through the call: the
    // UI thread may leave run() and destroy this dialog as soon as the end is seen.
    std::shared_ptr<ModalLoop> modal = modal_;
    modal->end(result);
}

void CHtmlMsgDlg::onReady() {
    engine_.beep(frame_);
    engine_.setText(frame_, Id("MsgText1"), text1_);
    if (!text2_.empty()) engine_.setText(frame_, Id("MsgText2"), text2_);
}

bool CHtmlMsgDlg::onButtonClick(const ClickEvent& e) {
    if (e.id != "MsgBtn") return false;
    auto code = e.attributes.find("code");
    end(code == e.attributes.end() ? 0 : ParseButtonCode(code->second));
    return true;
}

std::int64_t CHtmlMsgDlg::onMessage(const Message& m) {
    if (m.id != WM_DOWNLOAD_PROGRESS) return 0;
    if (const auto* text = std::any_cast<std::string>(&m.data)) setText(*text);
    return 0;
}

int ShowMessageDialog(HtmlEngine& engine, EventLoop& loop, int page, const std::string& text1,
                      const std::string& text2) {
    CHtmlMsgDlg dlg(engine, loop, page, text1, text2);
    return dlg.run();
}

void ShowMessageText(HtmlEngine& engine, EventLoop& loop, const std::string& text) {
    const size_t nl = text.find('\n');
    if (nl == std::string::npos)
        ShowMessageDialog(engine, loop, kMessagePageExit, text);
    else
        ShowMessageDialog(engine, loop, kMessagePageExit, text.substr(0, nl), text.substr(nl + 1));
}

}  // namespace dorvath
