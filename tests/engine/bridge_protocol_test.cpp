#include "engine/bridge_protocol.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <regex>

#include "data/temp_dir.h"
#include "support/event_json.h"

namespace dorvath {
namespace {

using json = nlohmann::json;
namespace p = protocol;

std::string SourceText(const std::string& file) {
    return test::ReadBytes(std::string(DORVATH_SOURCE_DIR) + "/" + file);
}

// NAME: 'value' or NAME: number entries of `const <table> = Object.freeze({...})` in the
// runtime's protocol module.
std::map<std::string, std::string> RuntimeTable(const std::string& table) {
    const std::string text = SourceText("resources/runtime/js/protocol.js");
    std::map<std::string, std::string> out;
    auto start = text.find("const " + table + " = Object.freeze({");
    if (start == std::string::npos) return out;
    const std::string body = text.substr(start, text.find("});", start) - start);
    std::regex entry(R"(([A-Z0-9_]+): (?:'([^']*)'|(\d+)))");
    for (std::sregex_iterator it(body.begin(), body.end(), entry), end; it != end; ++it)
        out[(*it)[1]] = (*it)[2].matched ? (*it)[2].str() : (*it)[3].str();
    return out;
}

std::set<std::string> Values(const std::map<std::string, std::string>& m) {
    std::set<std::string> out;
    for (const auto& [k, v] : m) out.insert(v);
    return out;
}

TEST(BridgeProtocol, EveryOperationIsOneTheRuntimeKnowsWithWhatItReads) {
    Canvas c(10, 4);
    c.fill(Rect{0, 0, 10, 4}, Rgb(255, 0, 0));
    LineChart chart;
    ListSetup setup{{{"時刻", 80, Align::Right}}, 20, false};
    const Element id = Id("onplay"), sel = Sel("div.selected");
    // Each builder, and the values the runtime reads from it.
    const std::vector<std::pair<json, json>> cases = {
        {p::LoadPage("main", "202"), {{"op", "load"}, {"frame", "main"}, {"page", "202"}}},
        {p::Load("main/page1/map", "Html/load.html"), {{"op", "load"}, {"url", "Html/load.html"}}},
        {p::Style("main/page1", id, "display", "none;"),
         {{"op", "style"}, {"id", "onplay"}, {"name", "display"}, {"value", "none;"}}},
        {p::Attr("", sel, "class", std::nullopt),
         {{"op", "attr"}, {"sel", "div.selected"}, {"name", "class"}, {"value", nullptr}}},
        {p::Text("", id, "再生"), {{"op", "text"}, {"value", "再生"}}},
        {p::Html("", id, "<b>x</b>"), {{"op", "html"}, {"value", "<b>x</b>"}}},
        {p::State("", id, 0x40, 0x80), {{"op", "state"}, {"set", 0x40}, {"clear", 0x80}}},
        {p::Enable("main", false), {{"op", "enable"}, {"value", false}}},
        {p::ShowPopup("", id, 3, 4), {{"op", "popup"}, {"show", true}, {"x", 3}, {"y", 4}}},
        {p::HidePopup("", id), {{"op", "popup"}, {"show", false}}},
        {p::Fill("main/page2", {{"unit", std::int64_t{2}}, {"name", std::string("走")}}),
         {{"op", "fill"}, {"values", {{"unit", 2}, {"name", "走"}}}}},
        {p::Track("", {"a", "b"}), {{"op", "track"}, {"ids", {"a", "b"}}}},
        {p::Paint("", 5000, c),
         {{"op", "paint"},
          {"ctl", 5000},
          {"w", 10},
          {"h", 4},
          {"items", {{"f", 0, 0, 10, 4, "#ff0000"}}}}},
        {p::Chart("", 5001, nullptr), {{"op", "chart"}, {"chart", nullptr}}},
        {p::Chart("", 5001, &chart), {{"op", "chart"}, {"chart", p::ChartJson(chart)}}},
        {p::ListSetupOp("", 6000, setup),
         {{"op", "listsetup"},
          {"columns", {{"時刻", 80, 2}}},
          {"rowHeight", 20},
          {"header", false}}},
        {p::ListCount("", 6004, 7), {{"op", "listcount"}, {"ctl", 6004}, {"count", 7}}},
        {p::ListSel("", 6004, {1, 2, 3, 5}, 5),
         {{"op", "listsel"}, {"rows", {{1, 3}, {5, 5}}}, {"mark", 5}}},
        {p::ListColW("", 6004, 1, 90), {{"op", "listcolw"}, {"col", 1}, {"width", 90}}},
        {p::ListShow("", 6004, 12), {{"op", "listshow"}, {"row", 12}}},
        {p::Rows("", 6004, 120, {c}), {{"op", "rows"}, {"from", 120}, {"paint", {c.toJson()}}}},
        {p::ListInval("", 6004, 0, -1), {{"op", "listinval"}, {"from", 0}, {"to", -1}}},
        {p::Tooltip("", 5001, "10 km", 1, 2),
         {{"op", "tooltip"}, {"text", "10 km"}, {"x", 1}, {"y", 2}}},
        {p::Call("main/page1/map", "setCar", {"35.6", "139.7"}),
         {{"op", "call"}, {"fn", "setCar"}, {"args", {"35.6", "139.7"}}}},
        {p::OpenDialog("dlg/1", "206", "DORVATH"),
         {{"op", "dialog"}, {"page", "206"}, {"title", "DORVATH"}, {"open", true}}},
        {p::CloseDialog("dlg/1"), {{"op", "dialog"}, {"open", false}}},
        {p::Beep("main"), {{"op", "beep"}, {"frame", "main"}}},
        {p::OpenWindow("/help/index.html"),
         {{"op", "open"}, {"frame", ""}, {"url", "/help/index.html"}}},
        {p::Replayed("main"), {{"op", "replayed"}, {"frame", "main"}}},
    };
    const std::set<std::string> runtimeOps = Values(RuntimeTable("OP"));
    std::set<std::string> built;
    for (const auto& [op, want] : cases) {
        json wire = json::parse(op.dump());  // what the runtime reads
        for (const auto& [k, v] : want.items()) EXPECT_EQ(wire[k], v) << op.dump() << " " << k;
        EXPECT_TRUE(wire["frame"].is_string()) << op.dump();
        EXPECT_TRUE(runtimeOps.count(p::OpName(wire))) << p::OpName(wire);
        built.insert(p::OpName(wire));
    }
    EXPECT_EQ(built, runtimeOps);  // every operation the runtime applies is built here
}

// The names of `namespace block` in bridge_protocol.h, each as NAME (kRowHeight: ROWHEIGHT)
// with its text or number.
std::map<std::string, std::string> CppTable(const std::string& block) {
    const std::string text = SourceText("src/engine/bridge_protocol.h");
    std::map<std::string, std::string> out;
    const auto start = text.find("namespace " + block + " {");
    if (start == std::string::npos) return out;
    std::smatch end;
    const std::string rest = text.substr(start);
    std::regex_search(rest, end, std::regex(R"(\n\}(\n|  // namespace))"));
    const std::string body = rest.substr(0, end.position(0));
    std::regex entry(R"re(\bk([A-Za-z0-9]+)(?:\[\])? *= *(?:"([^"]*)"|(\d+)))re");
    for (std::sregex_iterator it(body.begin(), body.end(), entry), e; it != e; ++it) {
        std::string name = (*it)[1];
        for (char& c : name) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        out[name] = (*it)[2].matched ? (*it)[2].str() : (*it)[3].str();
    }
    return out;
}

// A runtime table with its names as CppTable gives them (ROW_HEIGHT: ROWHEIGHT).
std::map<std::string, std::string> Unscored(const std::map<std::string, std::string>& table) {
    std::map<std::string, std::string> out;
    for (const auto& [name, value] : table) {
        std::string plain = name;
        std::erase(plain, '_');
        out[plain] = value;
    }
    return out;
}

TEST(BridgeProtocol, NamesKeysAndDisplayListSlotsAreTheRuntimes) {
    for (const auto& [block, table] : std::map<std::string, std::string>{
             {"op", "OP"}, {"ev", "EV"}, {"key", "KEY"}, {"chart", "CHART"}, {"paint", "PAINT"}}) {
        SCOPED_TRACE(block);
        EXPECT_GT(CppTable(block).size(), 5u);
        EXPECT_EQ(CppTable(block), Unscored(RuntimeTable(table)));
    }
    EXPECT_EQ(Values(RuntimeTable("KIND")), std::set<std::string>(std::begin(p::ev::kWidgetKinds),
                                                                  std::end(p::ev::kWidgetKinds)));
    EXPECT_NE(SourceText("resources/runtime/js/protocol.js")
                  .find(std::string("DIALOG_FRAME = '") + p::kDialogFrame + "'"),
              std::string::npos);

    // The chart payload has the runtime's names, each of them.
    LineChart chart;
    chart.series.push_back({});
    const json sent = p::ChartJson(chart);
    std::set<std::string> keys;
    for (const json* part : {&sent, &sent[p::chart::kX], &sent[p::chart::kSeries][0]})
        for (const auto& [k, v] : part->items()) keys.insert(k);
    EXPECT_EQ(keys, Values(RuntimeTable("CHART")));

    // The modules spell no key of an operation or event themselves: they go through KEY.
    const std::regex literalKey(R"(\b(op|ev)\.[a-z]|[{,] *(ev|op): )");
    for (const auto& f : std::filesystem::directory_iterator(std::string(DORVATH_SOURCE_DIR) +
                                                             "/resources/runtime/js")) {
        std::ifstream in(f.path());
        std::string line;
        for (int n = 1; std::getline(in, line); ++n)
            EXPECT_FALSE(std::regex_search(line, literalKey)) << f.path().filename() << ":" << n;
    }
    using namespace p::paint;

    Canvas c(50, 20);
    c.text(Rect{1, 2, 41, 22}, "5:30", Rgb(0, 0, 0),
           TextStyle{Align::Right, VAlign::Top, 11, true});
    c.line(0, 5, 50, 5, Rgb(1, 2, 3), 2);
    json items = c.toJson();
    EXPECT_EQ(items[0][kKind], "t");
    EXPECT_EQ(items[0][kTextValue], "5:30");
    EXPECT_EQ(items[0][kWidth], 40);
    EXPECT_EQ(items[0][kAlign], 2);
    EXPECT_EQ(items[0][kBold], 1);
    EXPECT_EQ(items[1][kX2], 50);
    EXPECT_EQ(items[1][kLineWidth], 2);
}

TEST(BridgeProtocol, EveryEventParses) {
    auto parse = [](const std::string& text) { return p::ParseEvent(json::parse(text)); };

    auto ready = parse(R"({"ev":"ready","frame":"main","page":"202","w":900,"h":600,
        "form":{"unit":1},"boxes":{"a":[1,2,3,4,5,6,7,8,true],"bad":[1,"x"]}})");
    ASSERT_TRUE(ready);
    EXPECT_EQ(ready->kind, p::PageEvent::Kind::Ready);
    EXPECT_EQ(ready->page, "202");
    EXPECT_EQ(ready->size, (std::pair{900, 600}));
    EXPECT_EQ(FormText(ready->form->at("unit")), "1");
    ASSERT_EQ(ready->boxes.size(), 1u);
    EXPECT_EQ(ready->boxes.at("a").content, (Rect{5, 6, 7, 8}));
    EXPECT_TRUE(ready->boxes.at("a").visible);
    // Coordinates no screen has are clamped, never cast as they are.
    auto huge = parse(R"({"ev":"ready","frame":"main","page":"202",
        "boxes":{"a":[1e300,-1e300,0,0,0,0,0,0,false]}})");
    ASSERT_TRUE(huge);
    EXPECT_EQ(huge->boxes.at("a").border.left, 100000000);
    EXPECT_EQ(huge->boxes.at("a").border.top, -100000000);

    EXPECT_EQ(parse(R"({"ev":"geom","frame":"","w":1,"h":2})")->kind, p::PageEvent::Kind::Geometry);

    auto click = parse(R"({"ev":"click","frame":"main/page1","id":"onplay","tag":"div",
        "attrs":{"id":"onplay","n":3}})");
    EXPECT_EQ(click->click.id, "onplay");
    EXPECT_EQ(click->click.frame, "main/page1");
    EXPECT_EQ(click->click.attributes, (std::map<std::string, std::string>{{"id", "onplay"}}));

    EXPECT_EQ(parse(R"({"ev":"command","frame":"main","id":"tab1","dbl":true})")->command.id,
              "tab1MDC");
    EXPECT_EQ(parse(R"({"ev":"command","frame":"main","dbl":true})")->command.id, "");
    EXPECT_EQ(parse(R"({"ev":"form","frame":"main","name":"unit","form":{}})")->formName, "unit");

    auto list = parse(R"({"ev":"list","frame":"main/page1","ctl":6004,"kind":"click","row":4,
        "sel":[[1,3],[9,"x"]],"mark":2,"vscroll":true,"lw":300,"w":77})");
    EXPECT_EQ(list->ctl, 6004);
    EXPECT_FALSE(list->size);  // a widget's size is not the frame's
    EXPECT_EQ(p::RowsFromRanges(*list->list.selected, 3), (std::set<int>{1, 2}));
    EXPECT_EQ(list->list.mark, 2);
    EXPECT_EQ(list->list.vscroll, true);
    EXPECT_EQ(list->list.width, 300);
    EXPECT_FALSE(list->list.top);
    ASSERT_TRUE(list->widget);
    EXPECT_EQ(list->widget->type, "sys-listview");
    EXPECT_EQ(list->widget->kind, WidgetEvent::Kind::Click);
    EXPECT_EQ(list->widget->row, 4);
    EXPECT_EQ(list->widget->width, 77);
    EXPECT_FALSE(parse(R"({"ev":"list","frame":"","ctl":1,"kind":"swipe"})")->widget);

    auto ext =
        parse(R"({"ev":"external","frame":"main/page1/map","method":"MapReady","args":["1",2]})");
    EXPECT_EQ(ext->external.method, "MapReady");
    EXPECT_EQ(ext->external.args, (std::vector<std::string>{"1", "2"}));

    // Every widget event as the runtime sends it comes back as it was.
    for (int k = 0; k <= static_cast<int>(WidgetEvent::Kind::Size); ++k) {
        WidgetEvent w;
        w.frame = "main/page1";
        w.ctl = 5001;
        w.type =
            k >= static_cast<int>(WidgetEvent::Kind::MouseDown) ? "sys-static" : "sys-listview";
        w.kind = static_cast<WidgetEvent::Kind>(k);
        w.row = 3;
        w.x = 10;
        w.keys = kMkShift;
        w.key = "Delete";
        if (w.kind == WidgetEvent::Kind::MouseMove) {
            w.hotSpot = 2;
            w.hotX = "1:05";
        }
        auto back = p::ParseEvent(json::parse(p::WidgetJson(w).dump()));
        ASSERT_TRUE(back && back->widget) << k;
        EXPECT_EQ(back->widget->kind, w.kind);
        EXPECT_EQ(back->widget->type, w.type);
        EXPECT_EQ(back->widget->row, 3);
        EXPECT_EQ(back->widget->keys, kMkShift);
        EXPECT_EQ(back->widget->key, "Delete");
        EXPECT_EQ(back->widget->hotX, w.hotX);
    }

    // Not events: nothing to dispatch, nothing thrown.
    EXPECT_FALSE(parse("[1]"));
    EXPECT_FALSE(parse(R"({"ev":"click"})"));
    EXPECT_FALSE(parse(R"({"ev":3,"frame":""})"));
    auto odd = parse(R"({"ev":"click","frame":"","id":5,"attrs":[],"w":"x","form":7})");
    EXPECT_EQ(odd->click.id, "");
    EXPECT_FALSE(odd->size);
    EXPECT_FALSE(odd->form);
}

}  // namespace
}  // namespace dorvath
