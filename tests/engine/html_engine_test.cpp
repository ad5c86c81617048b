#include "engine/html_engine.h"

#include <gtest/gtest.h>

#include <cmath>

#include "engine/bridge_protocol.h"
#include "support/recording_html_engine.h"

namespace dorvath {
namespace {

using json = nlohmann::json;

class Page : public PageHandler {
  public:
    bool onButtonClick(const ClickEvent& e) override {
        clicks.push_back(e);
        return false;
    }
    void onPageCommand(const CommandEvent& e) override { commands.push_back(e.id); }
    void onWidget(const WidgetEvent& e) override { widgets.push_back(e); }
    void onExternal(const ExternalCall& c) override { externals.push_back(c); }
    void onLoaded(const FramePath&, const std::string& page) override { loaded.push_back(page); }
    std::vector<ClickEvent> clicks;
    std::vector<std::string> commands;
    std::vector<WidgetEvent> widgets;
    std::vector<ExternalCall> externals;
    std::vector<std::string> loaded;
};

std::vector<std::string> OpNames(const std::vector<json>& ops) {
    std::vector<std::string> out;
    for (const json& o : ops)
        out.push_back(o["op"].get<std::string>() + ":" + o.value("id", std::string()));
    return out;
}

TEST(FrameStore, LatestValuePerElementAndOperationInLastSetOrder) {
    RecordingHtmlEngine e;
    e.loadPage("main", "202");
    e.setStyle("main", Id("tab1"), "display", "none");
    e.setText("main", Id("caption"), "A");
    e.setStyle("main", Id("tab1"), "display", "block");
    e.setStyle("main", Id("tab1"), "color", "red");
    EXPECT_EQ(e.style("main", "tab1", "display"), "block");
    EXPECT_EQ(e.text("main", "caption"), "A");
    auto ops = e.frameStore().replayFrame("main");
    EXPECT_EQ(OpNames(ops), (std::vector<std::string>{"text:caption", "style:tab1", "style:tab1"}));
    EXPECT_EQ(ops[1]["value"], "block");
    EXPECT_EQ(e.operations().size(), 5u);  // every operation went out
}

TEST(FrameStore, TextAndHtmlOfOneElementReplaceEachOther) {
    RecordingHtmlEngine e;
    e.setHtml("", Id("x"), "<b>1</b>");
    e.setText("", Id("x"), "2");
    EXPECT_EQ(e.text("", "x"), "2");
    EXPECT_EQ(e.html("", "x"), "");
    EXPECT_EQ(e.frameStore().replayFrame("").size(), 1u);
}

TEST(FrameStore, LoadingAPageDropsTheFrameAndItsSubFrames) {
    RecordingHtmlEngine e;
    e.loadPage("", "201");
    e.loadPage("main", "202");
    e.loadPage("main/page1", "204");
    e.setText("main/page1", Id("tracknum"), "3");
    e.setText("mainly", Id("x"), "kept: another frame");
    FramePath d = e.openDialog("209");
    e.loadPage("main", "202");
    EXPECT_EQ(e.text("main/page1", "tracknum"), "");
    EXPECT_EQ(e.frameStore().page("main/page1"), "");
    EXPECT_EQ(e.text("mainly", "x"), "kept: another frame");
    e.loadPage("", "201");
    EXPECT_EQ(e.frameStore().page(d), "209");  // dialogs stay over a reloaded frame page
}

TEST(FrameStore, ReplayOfAFrameLoadsItsSubFramesAndOpenDialogs) {
    RecordingHtmlEngine e;
    e.loadPage("", "201");
    e.loadPage("main", "202");
    e.loadUrl("main/page1/map", "Html/load.html");
    e.loadPage("main/page1", "204");  // drops the map frame again
    e.loadUrl("main/page1/map", "Html/maps.html");
    FramePath d = e.openDialog("208");
    e.setText(d, Id("MsgText1"), "端末とUSBの接続を確認して下さい");
    auto top = e.frameStore().replayFrame("");
    ASSERT_EQ(top.size(), 2u);
    EXPECT_EQ(top[0], json({{"op", "load"}, {"frame", "main"}, {"page", "202"}}));
    EXPECT_EQ(top[1]["op"], "dialog");
    EXPECT_EQ(top[1]["page"], "208");
    auto page1 = e.frameStore().replayFrame("main/page1");
    ASSERT_EQ(page1.size(), 1u);
    EXPECT_EQ(page1[0]["url"], "Html/maps.html");
    auto dlg = e.frameStore().replayFrame(d);
    ASSERT_EQ(dlg.size(), 1u);
    EXPECT_EQ(dlg[0]["value"], "端末とUSBの接続を確認して下さい");
    e.closeDialog(d);
    EXPECT_EQ(e.frameStore().replayFrame("").size(), 1u);
    EXPECT_TRUE(e.openDialogs().empty());
}

TEST(FrameStore, StateBitsMergeIntoOneNetChange) {
    RecordingHtmlEngine e;
    e.setState("", Id("b"), kStateCurrent, 0);
    e.setState("", Id("b"), kStateChecked, kStateCurrent);
    auto ops = e.frameStore().replayFrame("");
    ASSERT_EQ(ops.size(), 1u);
    EXPECT_EQ(ops[0]["set"], kStateChecked);
    EXPECT_EQ(ops[0]["clear"], kStateCurrent);
}

TEST(FrameStore, SelectorOperationsKeepTheirOrderAndAreNeverMerged) {
    // The lower tab switch: remove the class of "div.selected", then set it on a tab. What
    // the selector matches depends on the operations before it.
    RecordingHtmlEngine e;
    for (const char* tab : {"ltab2", "ltab1", "ltab2"}) {
        e.removeAttribute("main/page1", Sel("#listpage div.selected"), "class");
        e.setAttribute("main/page1", Id(tab), "class", "selected");
    }
    std::vector<std::string> seq;
    for (const json& op : e.frameStore().replayFrame("main/page1"))
        seq.push_back(op.contains("sel") ? "remove" : "set " + op["id"].get<std::string>());
    EXPECT_EQ(seq,
              (std::vector<std::string>{"remove", "remove", "set ltab1", "remove", "set ltab2"}));
    for (int i = 0; i < 200; ++i) e.removeAttribute("main/page1", Sel("div.x"), "class");
    EXPECT_LE(e.frameStore().replayFrame("main/page1").size(), FrameState::kMaxAppended + 2);
}

TEST(FrameStore, PopupsCallsAndBeepsAreNotKept) {
    RecordingHtmlEngine e;
    e.showPopup("main/page1", Id("tkmenu"), 10, 20);
    e.callFunction("main/page1/map", "setCar", {"35.6", "139.7"});
    e.beep("dlg/1");
    EXPECT_TRUE(e.frameStore().replay().empty());
    EXPECT_EQ(e.calls("main/page1/map", "setCar"), std::vector<std::string>{"35.6,139.7"});
    EXPECT_EQ(e.beeps("dlg/1"), 1);
}

TEST(FormValues, KindsTravelAsJsonAndBack) {
    FormMap m{{"tformat", std::int64_t{1}},
              {"lap_time", std::string("07")},
              {"single", true},
              {"fast_run_mode", std::monostate{}},
              {"c", std::int64_t{6}}};
    json j = protocol::FormToJson(m);
    EXPECT_EQ(j["tformat"], 1);
    EXPECT_EQ(j["lap_time"], "07");
    EXPECT_TRUE(j["fast_run_mode"].is_null());
    EXPECT_EQ(protocol::FormFromJson(j), m);
    EXPECT_EQ(FormInt(m["tformat"]), 1);
    EXPECT_EQ(FormInt(m["lap_time"]), 0);  // a text is no integer
    EXPECT_EQ(FormInt(m["fast_run_mode"]), 0);
    EXPECT_EQ(FormInt(m["single"]), 1);
    EXPECT_EQ(FormText(m["tformat"]), "1");
    EXPECT_EQ(FormText(m["fast_run_mode"]), "");
}

TEST(FormValues, BadEntriesFromThePageAreLeftOut) {
    FormMap m =
        protocol::FormFromJson(json::parse(R"({"a":[1],"b":{"x":1},"c":2.9,"d":1e300,"e":"x"})"));
    EXPECT_EQ(m.size(), 2u);
    EXPECT_EQ(FormInt(m["c"]), 2);
    EXPECT_EQ(protocol::FormFromJson(json::parse("[1,2]")).size(), 0u);
}

TEST(FormValues, FillIsMirroredAndUserEditsReplaceIt) {
    RecordingHtmlEngine e;
    e.input().fillForm("main/page2",
                       {{"weight", std::int64_t{60}}, {"lap_time", std::string("05")}});
    EXPECT_EQ(FormInt(e.input().collectForm("main/page2")["weight"]), 60);
    e.formValues("main/page2", {{"weight", std::int64_t{72}}});
    FormMap now = e.input().collectForm("main/page2");
    EXPECT_EQ(FormInt(now["weight"]), 72);
    EXPECT_EQ(FormText(now["lap_time"]), "05");
    // A reload shows what the user typed, not the first fill.
    bool found = false;
    for (const json& op : e.frameStore().replayFrame("main/page2"))
        if (op["values"].contains("weight")) {
            EXPECT_EQ(op["values"]["weight"], 72);
            found = true;
        }
    EXPECT_TRUE(found);
}

TEST(Events, ClickCarriesTheElementsAttributesAndTheForm) {
    RecordingHtmlEngine e;
    Page p;
    e.events().attach("dlg/1", &p);
    e.formValues("dlg/1", {{"t", std::string("x")}});
    e.click("dlg/1", "MsgBtn", {{"code", "1"}});
    ASSERT_EQ(p.clicks.size(), 1u);
    EXPECT_EQ(p.clicks[0].id, "MsgBtn");
    EXPECT_EQ(p.clicks[0].attributes.at("code"), "1");
    EXPECT_EQ(FormText(p.clicks[0].form.at("t")), "x");
}

TEST(Events, CommandsNeedAnIdAndADoubleClickAddsMDC) {
    RecordingHtmlEngine e;
    Page p;
    e.events().attach("main", &p);
    e.command("main", "tab2");
    e.command("main", "");
    e.command("main", "tab1", true);
    EXPECT_EQ(p.commands, (std::vector<std::string>{"tab2", "tab1MDC"}));
}

TEST(Events, GoToTheFramesOwnHandlerOnly) {
    RecordingHtmlEngine e;
    Page a, b;
    e.events().attach("main", &a);
    e.events().attach("main/page1", &b);
    e.click("main/page1", "onplay");
    e.loaded("main", "202");
    EXPECT_TRUE(a.clicks.empty());
    EXPECT_EQ(b.clicks.size(), 1u);
    EXPECT_EQ(a.loaded, std::vector<std::string>{"202"});
    e.events().detach("main/page1", &b);
    e.click("main/page1", "onplay");
    EXPECT_EQ(b.clicks.size(), 1u);
}

TEST(Events, MalformedEventsChangeNothing) {
    RecordingHtmlEngine e;
    Page p;
    e.events().attach("", &p);
    for (const char* text :
         {R"([])", R"({"ev":5})", R"({"ev":"click","frame":"","attrs":[1]})",
          R"({"ev":"list","frame":"","ctl":"x","kind":"nope"})",
          R"({"ev":"geom","frame":"","boxes":{"a":[1,2]}})",
          R"({"ev":"list","frame":"","ctl":1,"kind":"rows","from":5,"to":9})",
          R"({"ev":"external","frame":"","method":"m","args":{"a":1}})",
          R"({"ev":"command","frame":"","id":"x","dbl":"yes"})",
          R"({"ev":"list","frame":"","ctl":1,"kind":"click","sel":[[0,"a"]],"mark":"z"})"})
        e.events().dispatch(json::parse(text));
    EXPECT_EQ(p.clicks.size(), 1u);  // the click without usable attributes still counts
    EXPECT_TRUE(p.clicks[0].attributes.empty());
    ASSERT_EQ(p.widgets.size(), 1u);  // the click; not the unknown kind, not rows of an empty list
    EXPECT_TRUE(e.widgets().listState("", 1).selected.empty());
    EXPECT_FALSE(e.input().getLocation("", "a").has_value());
    EXPECT_EQ(p.externals.size(), 1u);
    EXPECT_EQ(p.commands, std::vector<std::string>{"x"});
}

TEST(Charts, KeptUntilClearedAndHotSpotsComeWithMovesOnly) {
    RecordingHtmlEngine e;
    Page p;
    e.events().attach("f", &p);
    LineChart c;
    c.width = 300;
    c.height = 200;
    c.xLabels = {"0", "1"};
    c.series.push_back(ChartSeries{"a", {1.5, std::nan(""), 2}, Rgb(0, 128, 0), 2, false});
    e.widgets().drawChart("f", 5001, c);
    auto ops = e.frameStore().replayFrame("f");
    ASSERT_EQ(ops.size(), 1u);
    EXPECT_EQ(ops[0]["chart"]["series"][0]["values"].dump(), "[1.5,null,2.0]");  // NaN: a gap
    EXPECT_EQ(ops[0]["chart"]["series"][0]["color"], "#008000");
    e.widgets().clearChart("f", 5001);
    ops = e.frameStore().replayFrame("f");
    ASSERT_EQ(ops.size(), 1u);
    EXPECT_TRUE(ops[0]["chart"].is_null());

    for (const char* text :
         {R"({"ev":"static","frame":"f","ctl":5001,"kind":"move","x":3,"y":4,"hot":7,"hx":"12"})",
          R"({"ev":"static","frame":"f","ctl":5001,"kind":"move","hot":"7","hx":"12"})",
          R"({"ev":"static","frame":"f","ctl":5001,"kind":"move","hot":-4,"hx":3})",
          R"({"ev":"static","frame":"f","ctl":5001,"kind":"move","hot":2,"hx":3})",
          R"({"ev":"static","frame":"f","ctl":5001,"kind":"down","hot":7,"hx":"12"})"})
        e.events().dispatch(json::parse(text));
    ASSERT_EQ(p.widgets.size(), 5u);
    EXPECT_EQ(p.widgets[0].hotSpot, 7);
    EXPECT_EQ(p.widgets[0].hotX, "12");
    for (int i : {1, 2, 4}) {
        EXPECT_EQ(p.widgets[i].hotSpot, 0) << i;
        EXPECT_FALSE(p.widgets[i].hotX) << i;
    }
    EXPECT_EQ(p.widgets[3].hotSpot, 2);  // a hot spot whose "x" is no text has none
    EXPECT_FALSE(p.widgets[3].hotX);
}

TEST(Geometry, TheMirrorAnswersGetLocation) {
    RecordingHtmlEngine e;
    e.input().trackGeometry("", {"caption"});
    e.input().trackGeometry("", {"body"});
    EXPECT_EQ(e.operations("track").back()["ids"], json({"body", "caption"}));
    EXPECT_FALSE(e.input().getLocation("", "caption"));
    e.box("", "caption", ElementBox{{30, 3, 800, 33}, {32, 3, 798, 33}, true});
    auto b = e.input().getLocation("", "caption");
    ASSERT_TRUE(b);
    EXPECT_EQ(b->border, (Rect{30, 3, 800, 33}));
    EXPECT_EQ(b->content.left, 32);
}

// A client holding the token may send anything: what is kept stays bounded by what this
// side asked about, however many new names its events carry.
TEST(Geometry, TheMirrorKeepsOnlyWhatThisSideAskedAbout) {
    RecordingHtmlEngine e;
    Page p;
    e.events().attach("", &p);
    e.input().trackGeometry("", {"caption"});
    const json box = json::array({1, 2, 3, 4, 1, 2, 3, 4, true});
    for (int round = 0; round < 3; ++round) {
        json boxes = json::object(), form = json::object();
        for (int i = 0; i < 5000; ++i) boxes["x" + std::to_string(round * 5000 + i)] = box;
        for (int i = 0; i < 900; ++i) form["n" + std::to_string(round * 900 + i)] = "v";
        boxes["caption"] = box;
        e.events().dispatch({{"ev", "geom"}, {"frame", ""}, {"boxes", boxes}, {"form", form}});
        e.events().dispatch(
            {{"ev", "geom"}, {"frame", "f" + std::to_string(round)}, {"boxes", boxes}});
        e.events().dispatch({{"ev", "list"},
                             {"frame", ""},
                             {"ctl", 7000 + round},
                             {"kind", "click"},
                             {"sel", json::array({json::array({0, 5})})}});
    }
    EXPECT_TRUE(e.input().getLocation("", "caption").has_value());
    EXPECT_FALSE(e.input().getLocation("", "x1").has_value());
    EXPECT_FALSE(e.input().getLocation("f0", "caption").has_value());
    auto st = e.frameStore().state();
    EXPECT_EQ(st.size(), 1u);                 // no frame of the client's naming
    EXPECT_LE(st[""].ops.size(), 1024u + 1);  // the form names kept for replay are capped
    EXPECT_TRUE(e.widgets().listState("", 7000).selected.empty());
    EXPECT_EQ(p.widgets.size(), 3u);  // the clicks themselves still reach the page
}

TEST(ListMirror, SelectionFollowsEventsAndRowDeletes) {
    RecordingHtmlEngine e;
    e.widgets().setListCount("main/page1", 6000, 5);
    e.listSelect("main/page1", 6000, {1, 3, 4, 9}, 3);
    ListViewState st = e.widgets().listState("main/page1", 6000);
    EXPECT_EQ(st.selected, (std::set<int>{1, 3, 4}));  // row 9 does not exist
    EXPECT_EQ(st.selectionMark, 3);
    e.widgets().deleteListRow("main/page1", 6000, 3);
    st = e.widgets().listState("main/page1", 6000);
    EXPECT_EQ(st.count, 4);
    EXPECT_EQ(st.selected, (std::set<int>{1, 3}));
    EXPECT_EQ(st.selectionMark, -1);
    e.widgets().setListCount("main/page1", 6000, 2);
    EXPECT_EQ(e.widgets().listState("main/page1", 6000).selected, (std::set<int>{1}));
    e.widgets().resetList("main/page1", 6000);
    EXPECT_TRUE(e.widgets().listState("main/page1", 6000).selected.empty());
}

TEST(ListMirror, RowRequestsAreClampedToTheCount) {
    RecordingHtmlEngine e;
    Page p;
    e.events().attach("main/page1", &p);
    e.widgets().setListCount("main/page1", 6004, 100);
    WidgetEvent w;
    w.frame = "main/page1";
    w.ctl = 6004;
    w.type = "sys-listview";
    w.kind = WidgetEvent::Kind::Rows;
    w.from = 90;
    w.to = 150;
    e.widget(w);
    ASSERT_EQ(p.widgets.size(), 1u);
    EXPECT_EQ(p.widgets[0].from, 90);
    EXPECT_EQ(p.widgets[0].to, 99);
}

TEST(LoadData, AddressesLeftToTheEngine) {
    for (const char* url : {"", "file:///x.html", "http://a/b", "https://a/b", "HTTP://A"})
        EXPECT_TRUE(ClassifyLoadData(url).leftToEngine) << url;
}

TEST(LoadData, ResourceNameAndTypeFromTheLastPart) {
    auto r = ClassifyLoadData("res:202.html");
    EXPECT_FALSE(r.leftToEngine);
    EXPECT_EQ(r.name, "202");
    EXPECT_EQ(r.type, "HTML");
    r = ClassifyLoadData("images/about48.png");
    EXPECT_EQ(r.folder, "images");
    EXPECT_EQ(r.name, "about48");
    EXPECT_EQ(r.type, "PNG");
    r = ClassifyLoadData("res:lib/a.b/205");
    EXPECT_EQ(r.folder, "lib/a.b");
    EXPECT_EQ(r.name, "205");
    EXPECT_EQ(r.type, "HTML");
    EXPECT_EQ(ClassifyLoadData("x.HTML").type, "HTML");
    EXPECT_EQ(ClassifyLoadData("res:x.Css").type, "CSS");
}

}  // namespace
}  // namespace dorvath
