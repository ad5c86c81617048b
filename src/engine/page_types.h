#pragma once
// The words pages and the engine share: frame paths, elements, state bits, form values,
// element boxes, list views, and the events a page handler hears.
#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <variant>
#include <vector>

#include "engine/canvas.h"

namespace dorvath {

using FramePath = std::string;

// An element: by its id (first match) or by a CSS selector (first match unless the
// operation says it applies to all matches).
struct Element {
    std::string id;
    std::string selector;
    static Element byId(std::string id) { return Element{std::move(id), {}}; }
    static Element bySelector(std::string sel) { return Element{{}, std::move(sel)}; }
    std::string key() const { return id.empty() ? "?" + selector : "#" + id; }
};
inline Element Id(std::string id) { return Element::byId(std::move(id)); }
inline Element Sel(std::string sel) { return Element::bySelector(std::move(sel)); }

// Element state bits (the engine's numbering). "command" uses kStateCurrent.
enum : unsigned {
    kStateLink = 0x1,
    kStateHover = 0x2,
    kStateActive = 0x4,
    kStateFocus = 0x8,
    kStateVisited = 0x10,
    kStateCurrent = 0x20,
    kStateChecked = 0x40,
    kStateDisabled = 0x80,
    kStateReadonly = 0x100,
};

// Window message raised by the "command" and "tabcommand" behaviours.
constexpr unsigned kWmPageCommand = 0x0400 + 100;

// Form values by kind: radio group -> index (int), select / number -> int, text and
// hidden -> text, checkbox group -> bit mask (int), a single checkbox -> bool. A radio
// group with none checked, or a number that is not one, is absent (monostate).
using FormValue = std::variant<std::monostate, std::int64_t, std::string, bool>;
using FormMap = std::map<std::string, FormValue>;
std::int64_t FormInt(const FormValue& v);  // 0 unless an integer (or bool)
std::string FormText(const FormValue& v);  // integers as decimal text

struct ElementBox {
    Rect border;   // border box in the frame's document coordinates
    Rect content;  // content box
    bool visible = false;
};

struct ListColumn {
    std::string title;
    int width = 100;
    Align align = Align::Left;
};

struct ListSetup {
    std::vector<ListColumn> columns;
    int rowHeight = 18;
    bool header = true;  // the element's NOCOLUMNHEADER word hides it anyway
};

// The mirror of one list view, updated from its events and from the operations below.
struct ListViewState {
    int count = 0;
    std::set<int> selected;
    int selectionMark = -1;  // anchor of the last click; -1 none
    int focused = -1;
    int top = 0, visible = 0;  // first visible row, rows that fit
    bool vscroll = false;      // vertical scroll bar shown
    int width = 0, height = 0;
    std::vector<int> columnWidths;
};

// ---- events (page -> C++) ----

struct ClickEvent {
    FramePath frame;
    std::string id;
    std::string tag;
    std::map<std::string, std::string> attributes;  // of the clicked element
    FormMap form;                                   // the frame's form values at the click
};

struct CommandEvent {
    FramePath frame;
    std::string id;  // the element's id; "<id>MDC" for a "tabcommand" double click
    bool doubleClick = false;
};

// Virtual key state bits in WidgetEvent::keys (the engine's MK_ numbering).
enum : unsigned { kMkLButton = 1, kMkRButton = 2, kMkShift = 4, kMkControl = 8, kMkMButton = 16 };

struct WidgetEvent {
    enum class Kind {
        Click,        // list: row (-1 outside rows), x, y
        DoubleClick,  // list: row
        RightClick,   // list: row, x, y in the frame's coordinates
        Key,          // list: key (DOM key name, "a", "Delete", "ArrowDown"), keys
        Rows,         // list: rows from..to (inclusive) need painting
        Selection,    // list: the selection changed (mirror already updated)
        Scroll,       // list: top, visible, vscroll changed
        MouseDown,    // static: x, y, keys
        MouseMove,    // static: x, y, keys
        MouseUp,      // static: x, y, keys
        MouseLeave,   // static
        Size,         // any widget: width, height
    };
    FramePath frame;
    int ctl = 0;
    std::string type;  // "sys-listview", "sys-static"
    Kind kind = Kind::Click;
    int row = -1;
    int from = 0, to = -1;
    int x = 0, y = 0;  // control coordinates; RightClick also gives pageX/pageY
    int pageX = 0, pageY = 0;
    unsigned keys = 0;
    std::string key;
    int width = 0, height = 0;
    // MouseMove over a static that shows a chart: the hot spot under the pointer (0 none)
    // and its "x" value, as the runtime found them. A move still waiting for its frame is
    // sent before a press, so a press always follows the move to where it happens.
    int hotSpot = 0;
    std::optional<std::string> hotX;
};

struct ExternalCall {  // a page script calling window.external.<method>(args)
    FramePath frame;
    std::string method;
    std::vector<std::string> args;
};

// What a page window implements to hear its frame's events. Handlers run on the UI
// thread.
class PageHandler {
  public:
    virtual ~PageHandler() = default;
    virtual bool onButtonClick(const ClickEvent& e) {  // BUTTON_CLICK of "clickable"
        (void)e;
        return false;
    }
    virtual void onPageCommand(const CommandEvent& e) { (void)e; }  // WM_PAGE_COMMAND
    virtual void onWidget(const WidgetEvent& e) { (void)e; }
    virtual void onExternal(const ExternalCall& e) { (void)e; }
    virtual void onLoaded(const FramePath& frame, const std::string& page) {
        (void)frame;
        (void)page;
    }
    virtual void onFormChange(const FramePath& frame, const std::string& name) {
        (void)frame;
        (void)name;
    }
};

}  // namespace dorvath
