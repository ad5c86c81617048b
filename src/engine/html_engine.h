#pragma once
// What the program asks of the page engine. Every operation is addressed by a frame path
// ("" the top page, "main", "main/page1", "main/page2", dialogs "dlg/<n>") and an
// element, by id or by CSS selector. Operations only go out; what C++ must know about a
// page (form values, element boxes, list selection) comes back in events and is kept
// here as a mirror, so the queries below answer at once without a round trip.
//
// Operations may be issued from the UI thread and from the busy dialog's thread; events
// are handled on the UI thread.
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <nlohmann/json.hpp>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "engine/canvas.h"
#include "engine/line_chart.h"
#include "engine/page_types.h"

namespace dorvath {
namespace protocol {
struct PageEvent;
}

// One operation as it travels to the page. `key` names what it sets (frame, element,
// operation, name): a later operation with the same key replaces the earlier one in the
// batch and in the frame's kept state. An empty key: sent once, never kept.
struct Operation {
    std::string key;
    nlohmann::json body;  // {"op": ..., "frame": ..., ...}
    const std::string& op() const;
    const FramePath& frame() const;
};

// The kept state of one frame: its page and the latest operation per key, in first-set
// order. Replayed when the page reloads or reconnects.
struct FrameState {
    std::string page;  // resource name ("202") or URL ("Html/load.html"); "" none
    std::vector<std::string> order;
    std::map<std::string, nlohmann::json> ops;
    std::size_t appended = 0;
    static constexpr std::size_t kMaxAppended = 64;
    void set(const std::string& key, const nlohmann::json& body);
    // Kept in order beside the others, never replacing (selector-addressed operations).
    void append(const std::string& key, const nlohmann::json& body);
    void clear();
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
    std::string page(const FramePath& frame) const;

    // ---- changes ----
    void setStyle(const FramePath& f, const Element& e, const std::string& name,
                  const std::string& value);  // value "" removes it
    void setAttribute(const FramePath& f, const Element& e, const std::string& name,
                      const std::string& value);
    void removeAttribute(const FramePath& f, const Element& e, const std::string& name);
    void setText(const FramePath& f, const Element& e, const std::string& utf8);
    void setHtml(const FramePath& f, const Element& e, const std::string& html);
    // Sets then clears state bits (kStateChecked, kStateDisabled, ...).
    void setState(const FramePath& f, const Element& e, unsigned set, unsigned clear);
    void enablePage(const FramePath& f, bool enabled);  // a disabled page takes no input
    bool pageEnabled(const FramePath& f) const;
    void showPopup(const FramePath& f, const Element& e, int x, int y);  // frame coords
    void hidePopup(const FramePath& f, const Element& e);

    // ---- forms ----
    void fillForm(const FramePath& f, const FormMap& values);
    FormMap collectForm(const FramePath& f) const;  // mirror: the last values reported

    // ---- geometry ----
    // Asks the runtime to keep reporting these elements' boxes (by id).
    void trackGeometry(const FramePath& f, const std::vector<std::string>& ids);
    std::optional<ElementBox> getLocation(const FramePath& f, const std::string& id) const;
    // The frame's viewport size as last reported.
    std::pair<int, int> frameSize(const FramePath& f) const;

    // ---- widgets ----
    void paint(const FramePath& f, int ctl, const Canvas& c);            // owner-drawn static
    void setImage(const FramePath& f, int ctl, const std::string& src);  // "" none
    // A line chart drawn in a static, replacing the one before; clearChart removes it.
    void drawChart(const FramePath& f, int ctl, const LineChart& chart);
    void clearChart(const FramePath& f, int ctl);
    void setupList(const FramePath& f, int ctl, const ListSetup& s);
    // Sets the row count keeping the selection of rows still there; reset also clears it.
    void setListCount(const FramePath& f, int ctl, int count);
    void resetList(const FramePath& f, int ctl);
    void deleteListRow(const FramePath& f, int ctl, int row);  // shifts rows below up
    void setListSelection(const FramePath& f, int ctl, const std::set<int>& rows, int mark);
    void setListColumnWidth(const FramePath& f, int ctl, int column, int width);
    void ensureListRowVisible(const FramePath& f, int ctl, int row);
    // Rows painted on demand: answer to WidgetEvent::Rows (or after a change).
    void paintListRows(const FramePath& f, int ctl, int from, const std::vector<Canvas>& rows);
    // Drops painted rows in from..to so the visible ones are asked for again.
    void invalidateList(const FramePath& f, int ctl, int from = 0, int to = -1);
    ListViewState listState(const FramePath& f, int ctl) const;
    void tooltip(const FramePath& f, int ctl, const std::string& text, int x, int y);  // "" hides

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
    // about to block, and the busy dialog's thread, call it themselves).
    virtual void flush() {}

    // ---- events ----
    void attach(const FramePath& f, PageHandler* h);
    void detach(const FramePath& f, PageHandler* h);
    // One event from the page runtime (JSON as the runtime sends it): updates the
    // mirror, then calls the frame's handler. On the UI thread.
    void dispatch(const nlohmann::json& event);

    // Kept state (copies) for replay and for tests.
    std::map<FramePath, FrameState> state() const;
    std::vector<nlohmann::json> replay() const;  // ops that rebuild every frame
    std::vector<nlohmann::json> replayFrame(const FramePath& f) const;

  protected:
    // Every operation goes here (under the engine's lock), after the kept state.
    virtual void submit(Operation op) = 0;
    mutable std::recursive_mutex mutex_;

  private:
    void emit(const std::string& key, nlohmann::json body);
    void keep(const FramePath& f, const std::string& key, const nlohmann::json& body);
    void dropFrames(const FramePath& f);
    PageHandler* handler(const FramePath& f) const;
    void dispatchEvent(const protocol::PageEvent& event);
    void keepAddressed(const FramePath& f, const Element& e, const std::string& key,
                       nlohmann::json body);
    void elementOp(const FramePath& f, const Element& e, const char* keyOp, const std::string& name,
                   nlohmann::json body);
    void listOp(const FramePath& f, int ctl, nlohmann::json body, bool kept);

    struct FrameMirror {
        FormMap form;
        std::set<std::string> tracked;   // ids whose boxes are kept
        std::set<std::string> keptForm;  // form names kept for replay
        std::map<std::string, ElementBox> boxes;
        std::map<int, ListViewState> lists;
        int width = 0, height = 0;
        bool enabled = true;
    };
    std::map<FramePath, FrameState> frames_;
    std::map<FramePath, FrameMirror> mirror_;
    std::map<FramePath, PageHandler*> handlers_;
    std::vector<FramePath> dialogs_;
    int nextDialog_ = 1;
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
