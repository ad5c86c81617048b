#pragma once
// What the program asks of the page engine. Every operation is addressed by a frame path
// ("" the top page, "main", "main/page1", "main/page2", dialogs "dlg/<n>") and an
// element, by id or by CSS selector. Operations only go out; what C++ must know about a
// page (form values, element boxes, list selection) comes back in events and is kept
// as a mirror, so the queries answer at once without a round trip.
//
// Beside the operations: widgets() (statics and list views), input() (enabled state,
// forms, geometry), events() (handlers of the page objects) and frameStore() (what is kept
// of each frame to rebuild a reloaded page). Operations may be issued from the UI thread
// and from the loading dialog's thread; events are handled on the UI thread.
#include <map>
#include <memory>
#include <mutex>
#include <nlohmann/json.hpp>
#include <string>
#include <string_view>
#include <vector>

#include "engine/event_router.h"
#include "engine/frame_store.h"
#include "engine/operation_sender.h"
#include "engine/page_input.h"
#include "engine/page_types.h"
#include "engine/widgets.h"

namespace dorvath {

struct EngineCore;

// The frame store read from outside, for replay and for tests (copies, under the
// engine's lock).
class FrameStoreView {
  public:
    explicit FrameStoreView(EngineCore& core) : core_(core) {}
    std::string page(const FramePath& f) const;  // "" none
    std::map<FramePath, FrameState> state() const;
    std::vector<nlohmann::json> replay() const;  // ops that rebuild every frame
    std::vector<nlohmann::json> replayFrame(const FramePath& f) const;

  private:
    EngineCore& core_;
};

class HtmlEngine {
  public:
    HtmlEngine();
    virtual ~HtmlEngine();
    HtmlEngine(const HtmlEngine&) = delete;
    HtmlEngine& operator=(const HtmlEngine&) = delete;

    // ---- loading ----
    // A page resource ("201", "202", ...) into a frame; the frame's kept state and that
    // of its sub-frames is dropped. The runtime picks media "contrast-screen" when the
    // system asks for more contrast.
    void loadPage(const FramePath& frame, const std::string& resource);
    // Any URL the server serves ("Html/load.html") into a frame (iframe or sys-ie widget).
    void loadUrl(const FramePath& frame, const std::string& url);

    // ---- elements ----
    void setStyle(const FramePath& f, const Element& e, const std::string& name,
                  const std::string& value);  // value "" removes it
    void setAttribute(const FramePath& f, const Element& e, const std::string& name,
                      const std::string& value);
    void removeAttribute(const FramePath& f, const Element& e, const std::string& name);
    void setText(const FramePath& f, const Element& e, const std::string& utf8);
    void setHtml(const FramePath& f, const Element& e, const std::string& html);
    // Sets then clears state bits (kStateChecked, kStateDisabled, ...).
    void setState(const FramePath& f, const Element& e, unsigned set, unsigned clear);
    void showPopup(const FramePath& f, const Element& e, int x, int y);  // frame coords
    void hidePopup(const FramePath& f, const Element& e);

    // ---- scripts, dialogs, sound ----
    // Calls the global function fn of the frame's page with text arguments; skipped by
    // the runtime when the page has no such function.
    void callFunction(const FramePath& f, const std::string& fn,
                      const std::vector<std::string>& args);
    // Opens a modal dialog frame ("dlg/<n>") over the top page showing resource; the
    // runtime sizes it to the page's minimum size and centres it. Returns its frame path.
    FramePath openDialog(const std::string& resource, const std::string& title = {});
    void closeDialog(const FramePath& dialog);
    void beep(const FramePath& f);  // a short tone from the page
    // Opens url in a new browser tab (help page in browser mode).
    void openWindow(const std::string& url);

    // Sends what was batched now (the loop calls it after every handler; code that is
    // about to block, and the loading dialog's thread, call it themselves).
    virtual void flush() {}

    // ---- beside the operations ----
    Widgets& widgets() { return widgets_; }
    const Widgets& widgets() const { return widgets_; }
    PageInput& input() { return input_; }
    const PageInput& input() const { return input_; }
    EventRouter& events() { return events_; }
    const FrameStoreView& frameStore() const { return frameStore_; }

  protected:
    // Every operation goes here (with the engine's lock held), after the kept state.
    virtual void submit(Operation op) = 0;
    // The shared state and its lock (the rule is in engine_core.h).
    EngineCore& core() const { return *core_; }

  private:
    void elementOp(const FramePath& f, const Element& e, const char* what, const std::string& name,
                   nlohmann::json body);
    void load(const FramePath& f, const std::string& page, nlohmann::json op);

    std::unique_ptr<EngineCore> core_;
    Widgets widgets_;
    PageInput input_;
    EventRouter events_;
    FrameStoreView frameStore_;
};

// Sub-resource addresses the way the page engine's load-data callback sees them.
struct LoadDataRequest {
    bool leftToEngine = false;  // empty, "file:", "http:", "https:"
    std::string folder;         // text before the last "/" (after a dropped "res:")
    std::string name;           // last part without its extension
    std::string type;           // upper-case extension; "HTML" when none or "HTML"
};
LoadDataRequest ClassifyLoadData(std::string_view url);

}  // namespace dorvath
