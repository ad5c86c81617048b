#include "e2e/e2e_frame.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <mutex>
#include <thread>

namespace dorvath {
namespace {

constexpr int kList = 7000;
constexpr int kStatic = 7001;
constexpr int kBusyControl = 100;  // the static of page 206

// Waits for one "MsgBtn" of a message page.
class DialogHandler : public PageHandler {
  public:
    explicit DialogHandler(ModalLoop& m) : modal_(m) {}
    bool onButtonClick(const ClickEvent& e) override {
        if (e.id != "MsgBtn") return false;
        auto it = e.attributes.find("code");
        modal_.end(it == e.attributes.end() ? 0 : std::atoi(it->second.c_str()));
        return true;
    }

  private:
    ModalLoop& modal_;
};

class E2eFrame : public PageHandler {
  public:
    explicit E2eFrame(AppContext& ctx) : ctx_(ctx), e_(ctx.engine) {
        e_.events().attach("", this);
        e_.loadUrl("", "test/e2e.html");
        e_.input().trackGeometry("", {"ping", "pong"});
        e_.widgets().setupList(
            "", kList,
            ListSetup{{{"No", 90, Align::Right}, {"Value", 200, Align::Left}}, 18, true});
        e_.widgets().setListCount("", kList, 100000);
        Canvas c(200, 40);
        c.gradient({0, 0, 200, 40}, Rgb(255, 255, 255), Rgb(200, 215, 240));
        c.text({4, 0, 196, 40}, "静的コントロール", Rgb(17, 68, 158),
               TextStyle{Align::Center, VAlign::Middle, 14, true, false, ""});
        e_.widgets().paint("", kStatic, c);
    }
    ~E2eFrame() override { e_.events().detach("", this); }

    bool onButtonClick(const ClickEvent& e) override {
        if (e.id == "ping") {
            ++pings_;
            e_.setText("", Id("pong"), "pong " + std::to_string(pings_));
            e_.setStyle("", Id("pong"), "color", "rgb(200, 0, 0)");
        } else if (e.id == "yesno" || e.id == "exit") {
            auto text = [&](const char* name) {
                auto it = e.form.find(name);
                return it == e.form.end() ? std::string() : FormText(it->second);
            };
            int r = message(e.id == "yesno" ? "209" : "208", text("t1"), text("t2"));
            e_.setText("", Id("result"), "result " + std::to_string(r));
        } else if (e.id == "busy") {
            busy();
        } else if (e.id == "disable") {
            e_.input().enablePage("", false);
        } else if (e.id == "menu") {
            e_.showPopup("", Id("popup"), 40, 50);
        } else if (e.id == "menuitem") {
            e_.hidePopup("", Id("popup"));
            e_.setText("", Id("result"), "menu item");
        } else if (e.id == "location") {
            auto b = e_.input().getLocation("", "ping");
            e_.setText("", Id("result"),
                       b ? "ping " + std::to_string(b->border.width()) + "x" +
                               std::to_string(b->border.height())
                         : "ping unknown");
        }
        return false;
    }

    void onExternal(const ExternalCall& c) override {
        if (c.method == "enable") e_.input().enablePage("", true);
        std::string args;
        for (const std::string& a : c.args) args += (args.empty() ? "" : ",") + a;
        e_.setText("", Id("result"), "external " + c.method + "(" + args + ")");
    }

    void onPageCommand(const CommandEvent& c) override {
        log_ += (log_.empty() ? "" : ",") + c.id;
        e_.setText("", Id("cmdlog"), log_);
    }

    void onWidget(const WidgetEvent& w) override {
        if (w.ctl == kList && w.kind == WidgetEvent::Kind::Rows) {
            ListViewState st = e_.widgets().listState("", kList);
            std::vector<Canvas> rows;
            for (int r = w.from; r <= w.to; ++r) {
                Canvas c(290, 18);
                bool sel = st.selected.count(r) != 0;
                c.fill({0, 0, 290, 18},
                       sel ? Rgb(51, 102, 204) : (r % 2 ? Rgb(245, 248, 252) : Rgb(255, 255, 255)));
                Color fg = sel ? Rgb(255, 255, 255) : Rgb(30, 38, 51);
                c.text({0, 0, 86, 18}, std::to_string(r), fg,
                       TextStyle{Align::Right, VAlign::Middle, 12, false, false, ""});
                c.text({94, 0, 290, 18}, "row " + std::to_string(r), fg);
                rows.push_back(std::move(c));
            }
            e_.widgets().paintListRows("", kList, w.from, rows);
        } else if (w.ctl == kList && (w.kind == WidgetEvent::Kind::Click ||
                                      w.kind == WidgetEvent::Kind::RightClick)) {
            ListViewState st = e_.widgets().listState("", kList);
            e_.setText("", Id("listlog"),
                       std::string(w.kind == WidgetEvent::Kind::Click ? "click " : "rclick ") +
                           std::to_string(w.row) + " selected " +
                           std::to_string(st.selected.size()));
        } else if (w.ctl == kList && w.kind == WidgetEvent::Kind::Key) {
            ListViewState st = e_.widgets().listState("", kList);
            e_.setText("", Id("listlog"),
                       "key " + w.key + " keys " + std::to_string(w.keys) + " selected " +
                           std::to_string(st.selected.size()) + " mark " +
                           std::to_string(st.selectionMark));
        } else if (w.ctl == kStatic && w.kind == WidgetEvent::Kind::MouseDown) {
            e_.setText("", Id("staticlog"),
                       "down " + std::to_string(w.x) + "," + std::to_string(w.y) + " keys " +
                           std::to_string(w.keys));
        } else if (w.ctl == kStatic && w.kind == WidgetEvent::Kind::MouseMove) {
            e_.widgets().tooltip(
                "", kStatic, "at " + std::to_string(w.x) + "," + std::to_string(w.y), w.x + 8, w.y);
        } else if (w.ctl == kStatic && w.kind == WidgetEvent::Kind::MouseLeave) {
            e_.widgets().tooltip("", kStatic, "", 0, 0);
        }
    }

  private:
    int message(const std::string& page, const std::string& t1, const std::string& t2) {
        ModalLoop m(ctx_.loop);
        FramePath d = e_.openDialog(page);
        DialogHandler h(m);
        e_.events().attach(d, &h);
        e_.beep(d);
        e_.setText(d, Id("MsgText1"), t1);
        if (!t2.empty()) e_.setText(d, Id("MsgText2"), t2);
        int r = ctx_.loop.runModal(m);
        e_.events().detach(d, &h);
        e_.closeDialog(d);
        return r;
    }

    // The loading dialog's shape: the UI thread blocks for 2 s while a thread of its own
    // animates the text.
    void busy() {
        FramePath d = e_.openDialog("206");
        e_.flush();
        std::mutex mu;
        std::condition_variable cv;
        bool stop = false;
        std::thread t([&] {
            static const char* texts[] = {"Loading", "Loading.", "Loading..", "Loading..."};
            int frame = 0;
            std::unique_lock lock(mu);
            while (!stop) {
                Canvas c(240, 76);
                c.bitmap({0, 0, 240, 76}, "images/207.png");
                c.text({64, 40, 240, 60}, texts[frame], Rgb(17, 68, 158));
                frame = (frame + 1) % 4;
                e_.widgets().paint(d, kBusyControl, c);
                e_.flush();
                cv.wait_for(lock, std::chrono::milliseconds(500), [&] { return stop; });
            }
        });
        std::this_thread::sleep_for(std::chrono::seconds(2));  // the UI thread is busy
        {
            std::lock_guard lock(mu);
            stop = true;
        }
        cv.notify_all();
        t.join();
        e_.closeDialog(d);
        e_.setText("", Id("result"), "busy done");
    }

    AppContext& ctx_;
    HtmlEngine& e_;
    int pings_ = 0;
    std::string log_;
};

}  // namespace

std::shared_ptr<void> MakeE2eFrame(AppContext& ctx) { return std::make_shared<E2eFrame>(ctx); }

}  // namespace dorvath
