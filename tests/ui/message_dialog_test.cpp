#include "ui/message_dialog.h"

#include <gtest/gtest.h>

#include <thread>

#include "support/dialog_press.h"
#include "support/recording_html_engine.h"
#include "ui/device_message_sink.h"
#include "ui/messages.h"

namespace dorvath {
namespace {

class MessageDialogTest : public ::testing::Test {
  protected:
    // Queues a click on the open dialog's "MsgBtn"; it runs inside the dialog's nested loop.
    void pressWhenOpen(std::map<std::string, std::string> attrs, std::string id = "MsgBtn") {
        test::PressWhenOpen(loop, engine, std::move(attrs), {}, std::move(id));
    }
    std::vector<nlohmann::json> textOps(const std::string& id) const {
        std::vector<nlohmann::json> out;
        for (const auto& op : engine.operations("text"))
            if (op.value("id", "") == id) out.push_back(op);
        return out;
    }

    EventLoop loop;
    RecordingHtmlEngine engine;
};

TEST_F(MessageDialogTest, YesGivesOneAndNoGivesZero) {
    pressWhenOpen({{"code", "1"}});
    EXPECT_EQ(
        ShowMessageDialog(engine, loop, kMessagePageYesNo, "ログデータを消去してよろしいですか？"),
        1);
    pressWhenOpen({{"code", "0"}});
    EXPECT_EQ(
        ShowMessageDialog(engine, loop, kMessagePageYesNo, "ログデータを消去してよろしいですか？"),
        0);
}

TEST_F(MessageDialogTest, ExitButtonOfTheOneButtonBox) {
    pressWhenOpen({{"code", "0"}});
    EXPECT_EQ(ShowMessageDialog(engine, loop, kMessagePageExit, "端末とUSBの接続を確認して下さい"),
              0);
    auto dialogs = engine.operations("dialog");
    ASSERT_EQ(dialogs.size(), 2u);  // opened, then closed
    EXPECT_EQ(dialogs[0]["page"], "208");
    EXPECT_EQ(dialogs[0]["open"], true);
    EXPECT_EQ(dialogs[1]["open"], false);
    EXPECT_TRUE(engine.openDialogs().empty());
}

TEST_F(MessageDialogTest, BeepsAndPutsTheTexts) {
    pressWhenOpen({{"code", "0"}});
    ShowMessageDialog(engine, loop, kMessagePageExit, "一行目", "二行目");
    auto beeps = engine.operations("beep");
    ASSERT_EQ(beeps.size(), 1u);
    auto t1 = textOps("MsgText1"), t2 = textOps("MsgText2");
    ASSERT_EQ(t1.size(), 1u);
    ASSERT_EQ(t2.size(), 1u);
    EXPECT_EQ(t1[0]["value"], "一行目");
    EXPECT_EQ(t2[0]["value"], "二行目");
    EXPECT_EQ(t1[0]["frame"], beeps[0]["frame"]);
}

TEST_F(MessageDialogTest, EmptySecondTextLeavesMsgText2Alone) {
    pressWhenOpen({{"code", "1"}});
    ShowMessageDialog(engine, loop, kMessagePageYesNo, "question");
    EXPECT_EQ(textOps("MsgText1").size(), 1u);
    EXPECT_TRUE(textOps("MsgText2").empty());
}

// A device message's second line (the udev command) goes to the second text.
TEST_F(MessageDialogTest, DeviceMessageSplitsAtItsLineBreak) {
    DialogMessageSink sink(engine, loop);
    pressWhenOpen({{"code", "0"}});
    sink.watchNotOpened("端末 /dev/hidraw7 を開く権限がありません。\nsudo cp a b");
    pressWhenOpen({{"code", "0"}});
    sink.showMessage(kConnectionMessage);
    auto t1 = textOps("MsgText1"), t2 = textOps("MsgText2");
    ASSERT_EQ(t1.size(), 2u);
    ASSERT_EQ(t2.size(), 1u);
    EXPECT_EQ(t1[0]["value"], "端末 /dev/hidraw7 を開く権限がありません。");
    EXPECT_EQ(t2[0]["value"], "sudo cp a b");
    EXPECT_EQ(t1[1]["value"], kConnectionMessage);
}

TEST_F(MessageDialogTest, OtherClicksDoNotEndIt) {
    pressWhenOpen({{"code", "1"}}, "MsgText1");
    pressWhenOpen({{"code", "1"}}, "msgbtn");  // ids compare exactly
    pressWhenOpen({{"code", "0"}});
    EXPECT_EQ(ShowMessageDialog(engine, loop, kMessagePageYesNo, "q"), 0);
}

TEST_F(MessageDialogTest, ButtonWithoutCodeGivesZero) {
    pressWhenOpen({});
    EXPECT_EQ(ShowMessageDialog(engine, loop, kMessagePageYesNo, "q"), 0);
    pressWhenOpen({{"code", "yes"}});
    EXPECT_EQ(ShowMessageDialog(engine, loop, kMessagePageYesNo, "q"), 0);
}

TEST_F(MessageDialogTest, QuittingWhileOpenIsNotAYes) {
    loop.postTask([this] { loop.quit(0); });
    EXPECT_EQ(ShowMessageDialog(engine, loop, kMessagePageYesNo, "q"), 0);
}

TEST_F(MessageDialogTest, NestedDialogsEachGetTheirOwnAnswer) {
    int inner = -1;
    loop.postTask([&] {
        // While the first dialog is up, a second one opens and is answered first.
        pressWhenOpen({{"code", "1"}});
        inner = ShowMessageDialog(engine, loop, kMessagePageYesNo, "inner");
        pressWhenOpen({{"code", "0"}});
    });
    EXPECT_EQ(ShowMessageDialog(engine, loop, kMessagePageYesNo, "outer"), 0);
    EXPECT_EQ(inner, 1);
    EXPECT_TRUE(engine.openDialogs().empty());
}

// The progress dialog's kind: no button, texts arrive as messages, its owner ends it.
class ProgressDialog : public CHtmlMsgDlg {
  public:
    using CHtmlMsgDlg::CHtmlMsgDlg;
    std::vector<std::string> texts;
    bool ready = false;

  protected:
    void onReady() override {
        ready = true;
        engine().setText(frame(), Id("MsgText"), text1());
    }
    void setText(const std::string& t) override {
        texts.push_back(t);
        engine().setText(frame(), Id("MsgText"), t);
    }
};

TEST_F(MessageDialogTest, ProgressTextsAndEndFromAnotherThread) {
    ProgressDialog dlg(engine, loop, kMessagePageProgress, "Download data to your pc...");
    std::thread worker;
    loop.postTask([&] {
        worker = std::thread([&] {
            for (const char* t : {"履歴1 200-64", "履歴1 200-128"}) {
                Message m;
                m.id = WM_DOWNLOAD_PROGRESS;
                m.data = std::string(t);
                loop.post(dlg.handle(), std::move(m));
            }
            // Posted after the texts, so the dialog shows them all before it ends.
            loop.postTask([&] { dlg.end(1); });
        });
    });
    EXPECT_EQ(dlg.run(), 1);
    worker.join();
    EXPECT_TRUE(dlg.ready);
    EXPECT_EQ(dlg.texts, (std::vector<std::string>{"履歴1 200-64", "履歴1 200-128"}));
    EXPECT_TRUE(engine.operations("beep").empty());
    auto t = textOps("MsgText");
    ASSERT_EQ(t.size(), 3u);
    EXPECT_EQ(t[0]["value"], "Download data to your pc...");
}

TEST_F(MessageDialogTest, EndedBeforeItRunsReturnsAtOnce) {
    CHtmlMsgDlg dlg(engine, loop, kMessagePageProgress, "x");
    dlg.end(0);
    EXPECT_EQ(dlg.run(), 0);
    EXPECT_TRUE(engine.openDialogs().empty());
}

TEST(ParseButtonCode, LeadingDigitsOrZero) {
    EXPECT_EQ(ParseButtonCode("1"), 1);
    EXPECT_EQ(ParseButtonCode("0"), 0);
    EXPECT_EQ(ParseButtonCode(" 12"), 12);
    EXPECT_EQ(ParseButtonCode("+3"), 3);
    EXPECT_EQ(ParseButtonCode("-2"), -2);
    EXPECT_EQ(ParseButtonCode("7px"), 7);
    EXPECT_EQ(ParseButtonCode(""), 0);
    EXPECT_EQ(ParseButtonCode("yes"), 0);
    EXPECT_EQ(ParseButtonCode("99999999999999999999"), 0);
}

}  // namespace
}  // namespace dorvath
