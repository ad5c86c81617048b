#pragma once
// The HTML message dialogs: page 208 (one "Exit" button), 209 (yes / no) and 210 (the
// download's progress; its worker ends it). Each runs modally in a nested EventLoop turn
// and ends with the "code" of the "MsgBtn" pressed.
#include <memory>
#include <string>

#include "engine/event_loop.h"
#include "engine/html_engine.h"

namespace dorvath {

inline constexpr int kMessagePageExit = 208;
inline constexpr int kMessagePageYesNo = 209;
inline constexpr int kMessagePageProgress = 210;

// The integer value of a "code" attribute: leading blanks, sign and digits; 0 when there
// are none.
int ParseButtonCode(const std::string& code);

// One dialog, shown once. Subclasses (the download dialog) change what happens when it is
// ready and what a progress message does.
class CHtmlMsgDlg : public MessageTarget, public PageHandler {
  public:
    CHtmlMsgDlg(HtmlEngine& engine, EventLoop& loop, int page, std::string text1,
                std::string text2 = {});
    ~CHtmlMsgDlg() override;

    // UI thread: opens the dialog, runs it until it ends and closes it. The result is the
    // pressed button's code, the value given to end(), or 0 when the program quits
    // meanwhile.
    int run();
    // Any thread: ends the dialog with result (also before run() got going).
    void end(int result);

    int page() const { return page_; }
    const FramePath& frame() const { return frame_; }  // while running
    HtmlEngine& engine() { return engine_; }

    bool onButtonClick(const ClickEvent& e) override;
    std::int64_t onMessage(const Message& m) override;

  protected:
    // Called once the dialog is open. The message boxes beep and put their texts.
    virtual void onReady();
    // A progress text arrived (WM_DOWNLOAD_PROGRESS). Nothing in the message boxes.
    virtual void setText(const std::string& utf8) { (void)utf8; }

    const std::string& text1() const { return text1_; }
    const std::string& text2() const { return text2_; }

  private:
    HtmlEngine& engine_;
    int page_;
    std::string text1_, text2_;
    FramePath frame_;
    std::shared_ptr<ModalLoop> modal_;
};

// Shows a message box (208 or 209) and returns its result: 1 for "はい", 0 otherwise.
int ShowMessageDialog(HtmlEngine& engine, EventLoop& loop, int page, const std::string& text1,
                      const std::string& text2 = {});

// The one-button message box with a text whose "\n" starts the second line.
void ShowMessageText(HtmlEngine& engine, EventLoop& loop, const std::string& text);

}  // namespace dorvath
