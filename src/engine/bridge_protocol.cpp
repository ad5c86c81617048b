#include "engine/bridge_protocol.h"

#include <algorithm>

#include "engine/line_chart.h"

namespace dorvath::protocol {
namespace {

json Base(const char* name, const FramePath& f) { return json{{key::kOp, name}, {key::kFrame, f}}; }

json Addressed(const char* name, const FramePath& f, const Element& e) {
    json b = Base(name, f);
    if (!e.id.empty())
        b[key::kId] = e.id;
    else
        b[key::kSel] = e.selector;
    return b;
}

json Control(const char* name, const FramePath& f, int ctl) {
    json b = Base(name, f);
    b[key::kCtl] = ctl;
    return b;
}

int Int(const json& j, const char* name, int dflt = 0) {
    auto it = j.find(name);
    if (it == j.end() || !it->is_number()) return dflt;
    double v = it->get<double>();
    if (v < -2e9 || v > 2e9) return dflt;
    return static_cast<int>(v);
}

std::optional<int> IntIf(const json& j, const char* name, int dflt) {
    return j.contains(name) ? std::optional<int>(Int(j, name, dflt)) : std::nullopt;
}

std::string Str(const json& j, const char* name) {
    auto it = j.find(name);
    return it != j.end() && it->is_string() ? it->get<std::string>() : std::string();
}

bool Bool(const json& j, const char* name) {
    auto it = j.find(name);
    return it != j.end() && it->is_boolean() && it->get<bool>();
}

std::vector<std::pair<long long, long long>> ParseRanges(const json& j) {
    std::vector<std::pair<long long, long long>> out;
    if (!j.is_array()) return out;
    for (const json& r : j)
        if (r.is_array() && r.size() == 2 && r[0].is_number_integer() && r[1].is_number_integer())
            out.emplace_back(r[0].get<long long>(), r[1].get<long long>());
    return out;
}

std::optional<ElementBox> ParseBox(const json& b) {
    if (!b.is_array() || b.size() < 9) return std::nullopt;
    if (!std::all_of(b.begin(), b.begin() + 8, [](const json& v) { return v.is_number(); }))
        return std::nullopt;
    // Pixels the page reports; far outside any screen is clamped, not cast as it is.
    auto n = [&](int i) { return static_cast<int>(std::clamp(b[i].get<double>(), -1e8, 1e8)); };
    return ElementBox{Rect{n(0), n(1), n(2), n(3)}, Rect{n(4), n(5), n(6), n(7)},
                      b[8].is_boolean() && b[8].get<bool>()};
}

// Widget event kinds in WidgetEvent::Kind order.

std::optional<WidgetEvent> ParseWidget(const json& e, const FramePath& frame, bool list) {
    const std::string kind = Str(e, key::kKind);
    auto k = std::find_if(std::begin(ev::kWidgetKinds), std::end(ev::kWidgetKinds),
                          [&](const char* n) { return kind == n; });
    if (k == std::end(ev::kWidgetKinds)) return std::nullopt;
    WidgetEvent w;
    w.frame = frame;
    w.ctl = Int(e, key::kCtl);
    w.type = list ? "sys-listview" : "sys-static";
    w.kind = static_cast<WidgetEvent::Kind>(k - std::begin(ev::kWidgetKinds));
    w.row = Int(e, key::kRow, -1);
    w.from = Int(e, key::kFrom);
    w.to = Int(e, key::kTo, -1);
    w.x = Int(e, key::kX);
    w.y = Int(e, key::kY);
    w.pageX = Int(e, key::kPx);
    w.pageY = Int(e, key::kPy);
    w.keys = static_cast<unsigned>(std::max(0, Int(e, key::kKeys)));
    w.key = Str(e, key::kKey);
    w.width = Int(e, key::kW);
    w.height = Int(e, key::kH);
    if (w.kind == WidgetEvent::Kind::MouseMove) {
        w.hotSpot = std::max(0, Int(e, key::kHot));
        if (auto hx = e.find(key::kHotX); w.hotSpot > 0 && hx != e.end() && hx->is_string())
            w.hotX = hx->get<std::string>();
    }
    return w;
}

}  // namespace

// ---- form values ----

json FormToJson(const FormMap& m) {
    json out = json::object();
    for (const auto& [name, v] : m) {
        if (auto i = std::get_if<std::int64_t>(&v))
            out[name] = *i;
        else if (auto s = std::get_if<std::string>(&v))
            out[name] = *s;
        else if (auto b = std::get_if<bool>(&v))
            out[name] = *b;
        else
            out[name] = nullptr;
    }
    return out;
}

FormMap FormFromJson(const json& j) {
    FormMap out;
    if (!j.is_object()) return out;
    for (const auto& [name, v] : j.items()) {
        if (v.is_boolean())
            out[name] = v.get<bool>();
        else if (v.is_number_integer())
            out[name] = v.get<std::int64_t>();
        else if (v.is_number_float() && v.get<double>() > -9e18 && v.get<double>() < 9e18)
            out[name] = static_cast<std::int64_t>(v.get<double>());
        else if (v.is_string())
            out[name] = v.get<std::string>();
        else if (v.is_null())
            out[name] = std::monostate{};
    }
    return out;
}

// ---- operations ----

json Load(const FramePath& f, const std::string& pageOrUrl) {
    bool url = pageOrUrl.find('/') != std::string::npos || pageOrUrl.find('.') != std::string::npos;
    return url ? LoadUrl(f, pageOrUrl) : LoadPage(f, pageOrUrl);
}

json LoadPage(const FramePath& f, const std::string& resource) {
    json b = Base(op::kLoad, f);
    b[key::kPage] = resource;
    return b;
}

json LoadUrl(const FramePath& f, const std::string& url) {
    json b = Base(op::kLoad, f);
    b[key::kUrl] = url;
    return b;
}

json Style(const FramePath& f, const Element& e, const std::string& name,
           const std::string& value) {
    json b = Addressed(op::kStyle, f, e);
    b[key::kName] = name;
    b[key::kValue] = value;
    return b;
}

json Attr(const FramePath& f, const Element& e, const std::string& name,
          const std::optional<std::string>& value) {
    json b = Addressed(op::kAttr, f, e);
    b[key::kName] = name;
    b[key::kValue] = value ? json(*value) : json(nullptr);
    return b;
}

json Text(const FramePath& f, const Element& e, const std::string& utf8) {
    json b = Addressed(op::kText, f, e);
    b[key::kValue] = utf8;
    return b;
}

json Html(const FramePath& f, const Element& e, const std::string& html) {
    json b = Addressed(op::kHtml, f, e);
    b[key::kValue] = html;
    return b;
}

json State(const FramePath& f, const Element& e, unsigned set, unsigned clear) {
    json b = Addressed(op::kState, f, e);
    b[key::kSet] = set;
    b[key::kClear] = clear;
    return b;
}

json Enable(const FramePath& f, bool enabled) {
    json b = Base(op::kEnable, f);
    b[key::kValue] = enabled;
    return b;
}

json ShowPopup(const FramePath& f, const Element& e, int x, int y) {
    json b = Addressed(op::kPopup, f, e);
    b[key::kShow] = true;
    b[key::kX] = x;
    b[key::kY] = y;
    return b;
}

json HidePopup(const FramePath& f, const Element& e) {
    json b = Addressed(op::kPopup, f, e);
    b[key::kShow] = false;
    return b;
}

json Fill(const FramePath& f, const FormMap& values) {
    json b = Base(op::kFill, f);
    b[key::kValues] = FormToJson(values);
    return b;
}

json Track(const FramePath& f, const std::set<std::string>& ids) {
    json b = Base(op::kTrack, f);
    b[key::kIds] = ids;
    return b;
}

json Paint(const FramePath& f, int ctl, const Canvas& c) {
    json b = Control(op::kPaint, f, ctl);
    b[key::kW] = c.width();
    b[key::kH] = c.height();
    b[key::kItems] = c.toJson();
    return b;
}

namespace {
json AxisJson(const ChartAxis& a) {
    return {{chart::kTitle, a.title},
            {chart::kColor, CssColor(a.color)},
            {chart::kWidth, a.lineWidth},
            {chart::kTitleSize, a.titleSize}};
}
}  // namespace

json ChartJson(const LineChart& c) {
    json series = json::array();
    for (const ChartSeries& s : c.series) {
        // NaN and infinities travel as null, which the runtime leaves as a gap.
        series.push_back({{chart::kName, s.name},
                          {chart::kValues, s.values},
                          {chart::kColor, CssColor(s.color)},
                          {chart::kWidth, s.lineWidth},
                          {chart::kAxis2, s.secondAxis}});
    }
    const Rect& p = c.plotArea;
    return {{chart::kW, c.width},
            {chart::kH, c.height},
            {chart::kPlot, {p.left, p.top, p.width(), p.height()}},
            {chart::kBg, CssColor(c.background)},
            {chart::kPlotBg, CssColor(c.plotBackground)},
            {chart::kGrid, CssColor(c.gridColor)},
            {chart::kFont, c.font},
            {chart::kXMax, c.xMax},
            {chart::kXLabels, c.xLabels},
            {chart::kX, AxisJson(c.xAxis)},
            {chart::kY, AxisJson(c.yAxis)},
            {chart::kY2, AxisJson(c.yAxis2)},
            {chart::kBars, c.bars},
            {chart::kSeries, std::move(series)}};
}

json Chart(const FramePath& f, int ctl, const LineChart* chart) {
    json b = Control(op::kChart, f, ctl);
    b[key::kChart] = chart ? ChartJson(*chart) : json(nullptr);
    return b;
}

json ListSetupOp(const FramePath& f, int ctl, const ListSetup& s) {
    json cols = json::array();
    for (const ListColumn& c : s.columns) {
        json col = json::array();
        col[paint::kColumnTitle] = c.title;
        col[paint::kColumnWidth] = c.width;
        col[paint::kColumnAlign] = static_cast<int>(c.align);
        cols.push_back(std::move(col));
    }
    json b = Control(op::kListSetup, f, ctl);
    b[key::kColumns] = std::move(cols);
    b[key::kRowHeight] = s.rowHeight;
    b[key::kHeader] = s.header;
    return b;
}

json ListCount(const FramePath& f, int ctl, int count) {
    json b = Control(op::kListCount, f, ctl);
    b[key::kCount] = count;
    return b;
}

json ListSel(const FramePath& f, int ctl, const std::set<int>& rows, int mark) {
    json b = Control(op::kListSel, f, ctl);
    b[key::kRows] = Ranges(rows);
    b[key::kMark] = mark;
    return b;
}

json ListColW(const FramePath& f, int ctl, int column, int width) {
    json b = Control(op::kListColW, f, ctl);
    b[key::kCol] = column;
    b[key::kWidth] = width;
    return b;
}

json ListShow(const FramePath& f, int ctl, int row) {
    json b = Control(op::kListShow, f, ctl);
    b[key::kRow] = row;
    return b;
}

json Rows(const FramePath& f, int ctl, int from, const std::vector<Canvas>& rows) {
    json paint = json::array();
    for (const Canvas& c : rows) paint.push_back(c.toJson());
    json b = Control(op::kRows, f, ctl);
    b[key::kFrom] = from;
    b[key::kPaint] = std::move(paint);
    return b;
}

json ListInval(const FramePath& f, int ctl, int from, int to) {
    json b = Control(op::kListInval, f, ctl);
    b[key::kFrom] = from;
    b[key::kTo] = to;
    return b;
}

json Tooltip(const FramePath& f, int ctl, const std::string& text, int x, int y) {
    json b = Control(op::kTooltip, f, ctl);
    b[key::kText] = text;
    b[key::kX] = x;
    b[key::kY] = y;
    return b;
}

json Call(const FramePath& f, const std::string& fn, const std::vector<std::string>& args) {
    json b = Base(op::kCall, f);
    b[key::kFn] = fn;
    b[key::kArgs] = args;
    return b;
}

json OpenDialog(const FramePath& dialog, const std::string& resource, const std::string& title) {
    json b = Base(op::kDialog, dialog);
    b[key::kPage] = resource;
    b[key::kTitle] = title;
    b[key::kOpen] = true;
    return b;
}

json CloseDialog(const FramePath& dialog) {
    json b = Base(op::kDialog, dialog);
    b[key::kOpen] = false;
    return b;
}

json Beep(const FramePath& f) { return Base(op::kBeep, f); }

json OpenWindow(const std::string& url) {
    json b = Base(op::kOpen, "");
    b[key::kUrl] = url;
    return b;
}

json Replayed(const FramePath& f) { return Base(op::kReplayed, f); }

std::string OpName(const json& op) { return Str(op, key::kOp); }

json Ranges(const std::set<int>& rows) {
    json out = json::array();
    int start = -2, last = -2;
    for (int r : rows) {
        if (r == last + 1) {
            last = r;
            continue;
        }
        if (start >= 0) out.push_back({start, last});
        start = last = r;
    }
    if (start >= 0) out.push_back({start, last});
    return out;
}

std::set<int> RowsFromRanges(const std::vector<std::pair<long long, long long>>& ranges,
                             int limit) {
    std::set<int> out;
    for (const auto& [first, last] : ranges) {
        long long a = std::max<long long>(0, first);
        long long b = std::min<long long>(limit - 1, last);
        for (long long i = a; i <= b; ++i) out.insert(out.end(), static_cast<int>(i));
    }
    return out;
}

// ---- events ----

std::optional<PageEvent> ParseEvent(const json& e) {
    if (!e.is_object()) return std::nullopt;
    auto evName = e.find(key::kEv);
    auto frame = e.find(key::kFrame);
    if (evName == e.end() || !evName->is_string() || frame == e.end() || !frame->is_string())
        return std::nullopt;
    const std::string name = evName->get<std::string>();
    PageEvent p;
    p.frame = frame->get<std::string>();
    static const std::pair<const char*, PageEvent::Kind> kinds[] = {
        {ev::kReady, PageEvent::Kind::Ready},   {ev::kGeometry, PageEvent::Kind::Geometry},
        {ev::kClick, PageEvent::Kind::Click},   {ev::kCommand, PageEvent::Kind::Command},
        {ev::kForm, PageEvent::Kind::Form},     {ev::kList, PageEvent::Kind::List},
        {ev::kStatic, PageEvent::Kind::Static}, {ev::kExternal, PageEvent::Kind::External}};
    for (const auto& [n, k] : kinds)
        if (name == n) p.kind = k;
    const bool widget = p.kind == PageEvent::Kind::List || p.kind == PageEvent::Kind::Static;

    // What any event may carry for the mirror.
    if (auto w = e.find(key::kW); w != e.end() && w->is_number() && !widget)
        p.size = std::pair{Int(e, key::kW), Int(e, key::kH)};
    if (auto form = e.find(key::kForm);
        form != e.end() && form->is_object() && form->size() <= kMaxFormNames)
        p.form = FormFromJson(*form);
    if (auto boxes = e.find(key::kBoxes); boxes != e.end() && boxes->is_object())
        for (const auto& [id, b] : boxes->items())
            if (auto box = ParseBox(b)) p.boxes[id] = *box;

    switch (p.kind) {
        case PageEvent::Kind::Ready:
            p.page = Str(e, key::kPage);
            break;
        case PageEvent::Kind::Click:
            p.click.frame = p.frame;
            p.click.id = Str(e, key::kId);
            p.click.tag = Str(e, key::kTag);
            if (auto a = e.find(key::kAttrs); a != e.end() && a->is_object())
                for (const auto& [n, v] : a->items())
                    if (v.is_string()) p.click.attributes[n] = v.get<std::string>();
            break;
        case PageEvent::Kind::Command:
            p.command.frame = p.frame;
            p.command.doubleClick = Bool(e, key::kDbl);
            p.command.id = Str(e, key::kId);
            if (!p.command.id.empty() && p.command.doubleClick) p.command.id += "MDC";
            break;
        case PageEvent::Kind::Form:
            p.formName = Str(e, key::kName);
            break;
        case PageEvent::Kind::List:
            p.ctl = Int(e, key::kCtl);
            if (e.contains(key::kSel)) p.list.selected = ParseRanges(e[key::kSel]);
            p.list.mark = IntIf(e, key::kMark, -1);
            p.list.focus = IntIf(e, key::kFocus, -1);
            p.list.top = IntIf(e, key::kTop, 0);
            p.list.visible = IntIf(e, key::kVisible, 0);
            if (e.contains(key::kVScroll)) p.list.vscroll = Bool(e, key::kVScroll);
            p.list.width = IntIf(e, key::kListW, 0);
            p.list.height = IntIf(e, key::kListH, 0);
            p.widget = ParseWidget(e, p.frame, true);
            break;
        case PageEvent::Kind::Static:
            p.ctl = Int(e, key::kCtl);
            p.widget = ParseWidget(e, p.frame, false);
            break;
        case PageEvent::Kind::External:
            p.external.frame = p.frame;
            p.external.method = Str(e, key::kMethod);
            if (auto a = e.find(key::kArgs); a != e.end() && a->is_array())
                for (const json& v : *a)
                    p.external.args.push_back(v.is_string() ? v.get<std::string>() : v.dump());
            break;
        case PageEvent::Kind::Geometry:
        case PageEvent::Kind::Other:
            break;
    }
    return p;
}

}  // namespace dorvath::protocol
