#pragma once
// The bridge protocol, C++ side: the one place that spells the operation names, event
// names and keys. Operations are built here (typed, one builder per operation) and
// events parsed here; resources/runtime/js/protocol.js holds the same names for the page.
// (The events as the runtime sends them are built for tests in tests/support/event_json.h.)
#include <cstdint>
#include <nlohmann/json.hpp>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "engine/line_chart.h"
#include "engine/page_types.h"

namespace dorvath::protocol {

using json = nlohmann::json;

// Operation names (C++ -> page), the value of kOp.
namespace op {
inline constexpr char kLoad[] = "load", kStyle[] = "style", kAttr[] = "attr", kText[] = "text",
                      kHtml[] = "html", kState[] = "state", kEnable[] = "enable",
                      kPopup[] = "popup", kFill[] = "fill", kTrack[] = "track", kPaint[] = "paint",
                      kChart[] = "chart", kListSetup[] = "listsetup", kListCount[] = "listcount",
                      kListSel[] = "listsel", kListColW[] = "listcolw", kListShow[] = "listshow",
                      kRows[] = "rows", kListInval[] = "listinval", kTooltip[] = "tooltip",
                      kCall[] = "call", kDialog[] = "dialog", kBeep[] = "beep", kOpen[] = "open",
                      kReplayed[] = "replayed";
}

// Event names (page -> C++), the value of kEv, and the kinds of the widget events.
namespace ev {
inline constexpr char kReady[] = "ready", kGeometry[] = "geom", kClick[] = "click",
                      kCommand[] = "command", kForm[] = "form", kList[] = "list",
                      kStatic[] = "static", kExternal[] = "external";
// The "kind" of a widget event, in the order of WidgetEvent::Kind.
inline constexpr const char* kWidgetKinds[] = {"click", "dblclick", "rclick", "key",
                                               "rows",  "select",   "scroll", "down",
                                               "move",  "up",       "leave",  "size"};
}  // namespace ev

// The path of a dialog's frame starts with this: a top-level window of its own.
inline constexpr char kDialogFrame[] = "dlg/";

// Keys of operations and events.
namespace key {
inline constexpr char kOp[] = "op", kEv[] = "ev", kFrame[] = "frame", kPage[] = "page",
                      kUrl[] = "url", kId[] = "id", kSel[] = "sel", kName[] = "name",
                      kValue[] = "value", kSet[] = "set", kClear[] = "clear", kShow[] = "show",
                      kX[] = "x", kY[] = "y", kValues[] = "values", kIds[] = "ids", kCtl[] = "ctl",
                      kW[] = "w", kH[] = "h", kItems[] = "items", kSrc[] = "src",
                      kChart[] = "chart", kColumns[] = "columns", kRowHeight[] = "rowHeight",
                      kHeader[] = "header", kCount[] = "count", kRows[] = "rows", kMark[] = "mark",
                      kCol[] = "col", kWidth[] = "width", kRow[] = "row", kFrom[] = "from",
                      kTo[] = "to", kPaint[] = "paint", kText[] = "text", kFn[] = "fn",
                      kArgs[] = "args", kTitle[] = "title", kOpen[] = "open", kForm[] = "form",
                      kBoxes[] = "boxes", kTag[] = "tag", kAttrs[] = "attrs", kDbl[] = "dbl",
                      kKind[] = "kind", kPx[] = "px", kPy[] = "py", kKeys[] = "keys",
                      kKey[] = "key", kHot[] = "hot", kHotX[] = "hx", kFocus[] = "focus",
                      kTop[] = "top", kVisible[] = "visible", kVScroll[] = "vscroll",
                      kListW[] = "lw", kListH[] = "lh", kMethod[] = "method";
}

// The payload of "chart": a LineChart, its axes and its series.
namespace chart {
inline constexpr char kW[] = "w", kH[] = "h", kPlot[] = "plot", kBg[] = "bg", kPlotBg[] = "plotBg",
                      kGrid[] = "grid", kFont[] = "font", kXMax[] = "xMax", kXLabels[] = "xLabels",
                      kX[] = "x", kY[] = "y", kY2[] = "y2", kBars[] = "bars", kSeries[] = "series",
                      kTitle[] = "title", kColor[] = "color", kWidth[] = "width",
                      kTitleSize[] = "titleSize", kName[] = "name", kValues[] = "values",
                      kAxis2[] = "axis2";
}  // namespace chart
json ChartJson(const LineChart& c);

// Form values on the wire; FormFromJson ignores entries of other kinds.
json FormToJson(const FormMap& m);
FormMap FormFromJson(const json& j);

// The display list of a Canvas (the "items" of "paint", each row of "rows"): one array
// per item, its kind first, then values at the slots named here.
namespace paint {
inline constexpr char kFill[] = "f", kRoundRect[] = "r", kGradient[] = "g", kLine[] = "l",
                      kText[] = "t", kBitmap[] = "b";
// Every kind but a line: [kind, left, top, width, height, ...].
enum Slot : int {
    kKind = 0,
    kLeft = 1,
    kTop = 2,
    kWidth = 3,
    kHeight = 4,
    kFillColor = 5,  // fill
    kRadius = 5,     // round rect: radius, fill, border colour, border width
    kRoundFill = 6,
    kBorderColor = 7,
    kBorderWidth = 8,
    kGradientTop = 5,  // gradient: top and bottom colours
    kGradientBottom = 6,
    kX1 = 1,  // line: from (x1, y1) to (x2, y2), colour, width
    kY1 = 2,
    kX2 = 3,
    kY2 = 4,
    kLineColor = 5,
    kLineWidth = 6,
    kTextColor = 5,  // text: colour, text, align, valign, size, bold, ellipsis, font
    kTextValue = 6,
    kAlign = 7,
    kVAlign = 8,
    kSize = 9,
    kBold = 10,
    kEllipsis = 11,
    kFont = 12,
    kSrc = 5,  // bitmap: image address
};
// List columns of "listsetup": [title, width, align].
enum ColumnSlot : int { kColumnTitle = 0, kColumnWidth = 1, kColumnAlign = 2 };
}  // namespace paint

// ---- operations ----

// "load" of a page resource ("202") or of a URL ("Html/load.html"): a name with a "/" or
// a "." is a URL.
json Load(const FramePath& f, const std::string& pageOrUrl);
json LoadPage(const FramePath& f, const std::string& resource);
json LoadUrl(const FramePath& f, const std::string& url);
json Style(const FramePath& f, const Element& e, const std::string& name, const std::string& value);
// value nullopt removes the attribute.
json Attr(const FramePath& f, const Element& e, const std::string& name,
          const std::optional<std::string>& value);
json Text(const FramePath& f, const Element& e, const std::string& utf8);
json Html(const FramePath& f, const Element& e, const std::string& html);
json State(const FramePath& f, const Element& e, unsigned set, unsigned clear);
json Enable(const FramePath& f, bool enabled);
json ShowPopup(const FramePath& f, const Element& e, int x, int y);
json HidePopup(const FramePath& f, const Element& e);
json Fill(const FramePath& f, const FormMap& values);
json Track(const FramePath& f, const std::set<std::string>& ids);
json Paint(const FramePath& f, int ctl, const Canvas& c);
json Chart(const FramePath& f, int ctl, const LineChart* chart);  // nullptr clears
json ListSetupOp(const FramePath& f, int ctl, const ListSetup& s);
json ListCount(const FramePath& f, int ctl, int count);
json ListSel(const FramePath& f, int ctl, const std::set<int>& rows, int mark);
json ListColW(const FramePath& f, int ctl, int column, int width);
json ListShow(const FramePath& f, int ctl, int row);
json Rows(const FramePath& f, int ctl, int from, const std::vector<Canvas>& rows);
json ListInval(const FramePath& f, int ctl, int from, int to);
json Tooltip(const FramePath& f, int ctl, const std::string& text, int x, int y);
json Call(const FramePath& f, const std::string& fn, const std::vector<std::string>& args);
json OpenDialog(const FramePath& dialog, const std::string& resource, const std::string& title);
json CloseDialog(const FramePath& dialog);
json Beep(const FramePath& f);
json OpenWindow(const std::string& url);
json Replayed(const FramePath& f);

// What any operation carries.
std::string OpName(const json& op);

// Rows as [[first, last], ...] and back; rows at or past limit are dropped.
json Ranges(const std::set<int>& rows);
std::set<int> RowsFromRanges(const std::vector<std::pair<long long, long long>>& ranges, int limit);

// ---- events ----

// What a list view reports about itself beside its event (each part only when sent).
struct ListReport {
    std::optional<std::vector<std::pair<long long, long long>>> selected;  // ranges
    std::optional<int> mark, focus, top, visible, width, height;
    std::optional<bool> vscroll;
};

// One event as the runtime sends it. What the mirror keeps (size, form, boxes, list
// report) come with any event that carries them.
struct PageEvent {
    enum class Kind { Ready, Geometry, Click, Command, Form, List, Static, External, Other };
    Kind kind = Kind::Other;
    FramePath frame;
    std::string page;                         // Ready
    std::optional<std::pair<int, int>> size;  // the frame's viewport (not of widgets)
    std::optional<FormMap> form;              // absent when larger than kMaxFormNames
    std::map<std::string, ElementBox> boxes;  // well-formed boxes by id
    int ctl = 0;                              // List, Static
    ListReport list;                          // List
    std::string formName;                     // Form
    ClickEvent click;                         // Click (without the form: the mirror's)
    CommandEvent command;                     // Command; id "" when the element has none
    std::optional<WidgetEvent> widget;        // List, Static: nullopt for an unknown kind
    ExternalCall external;                    // External
};

inline constexpr std::size_t kMaxFormNames = 1024;  // far above any page's form

// nullopt for what is not an event (no "ev" or "frame" text). Values of the wrong kind
// read as absent; nothing a page sends throws.
std::optional<PageEvent> ParseEvent(const json& event);

}  // namespace dorvath::protocol
