// The shipped pages hold every element, widget and form control the program addresses,
// with the texts the user reads.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <map>
#include <regex>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include "data/temp_dir.h"
#include "settings/settings_form.h"

namespace dorvath {
namespace {

namespace fs = std::filesystem;

struct Tag {
    std::string name;
    std::map<std::string, std::string> attrs;  // bare words have the value "\x01"
    std::string text;                          // text up to the next tag
    std::string inner;                         // text up to its end tag, tags left out
    bool has(const std::string& a) const { return attrs.count(a) != 0; }
    std::string get(const std::string& a) const {
        auto it = attrs.find(a);
        return it == attrs.end() ? std::string() : it->second;
    }
};

fs::path SourceDir() {
    if (const char* src = std::getenv("DORVATH_SOURCE"); src && *src) return src;
    return DORVATH_SOURCE_DIR;
}

fs::path Resources() { return SourceDir() / "resources"; }

std::string Read(const fs::path& p) { return test::ReadBytes(p); }

// A small scanner for our own pages: start tags with their attributes, in document order.
std::vector<Tag> Scan(const std::string& html) {
    std::vector<Tag> tags;
    std::size_t i = 0;
    while ((i = html.find('<', i)) != std::string::npos) {
        if (html.compare(i, 4, "<!--") == 0) {
            i = html.find("-->", i);
            if (i == std::string::npos) break;
            continue;
        }
        if (i + 1 >= html.size() || html[i + 1] == '/' || html[i + 1] == '!') {
            ++i;
            continue;
        }
        std::size_t end = html.find('>', i);
        if (end == std::string::npos) break;
        std::string body = html.substr(i + 1, end - i - 1);
        Tag t;
        std::size_t p = 0;
        while (p < body.size() && !isspace(static_cast<unsigned char>(body[p]))) ++p;
        t.name = body.substr(0, p);
        while (p < body.size()) {
            while (p < body.size() &&
                   (isspace(static_cast<unsigned char>(body[p])) || body[p] == '/'))
                ++p;
            std::size_t k = p;
            while (p < body.size() && body[p] != '=' &&
                   !isspace(static_cast<unsigned char>(body[p])))
                ++p;
            std::string key = body.substr(k, p - k);
            if (key.empty()) break;
            std::string value = "\x01";
            if (p < body.size() && body[p] == '=') {
                ++p;
                char q = body[p];
                if (q == '"' || q == '\'') {
                    std::size_t close = body.find(q, p + 1);
                    value = body.substr(p + 1, close - p - 1);
                    p = close + 1;
                } else {
                    std::size_t s = p;
                    while (p < body.size() && !isspace(static_cast<unsigned char>(body[p]))) ++p;
                    value = body.substr(s, p - s);
                }
            }
            for (char& c : key) c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
            t.attrs[key] = value;
        }
        std::size_t next = html.find('<', end);
        t.text = html.substr(end + 1, (next == std::string::npos ? html.size() : next) - end - 1);
        std::size_t close = html.find("</" + t.name + ">", end);
        if (close != std::string::npos) {
            bool in = false;
            for (std::size_t k = end + 1; k < close; ++k) {
                if (html[k] == '<')
                    in = true;
                else if (html[k] == '>')
                    in = false;
                else if (!in)
                    t.inner += html[k];
            }
        }
        tags.push_back(std::move(t));
        i = end;
    }
    return tags;
}

class Page {
  public:
    explicit Page(const std::string& file) : source_(Read(Resources() / "pages" / file)) {
        tags_ = Scan(source_);
    }
    const Tag* byId(const std::string& id) const {
        for (const Tag& t : tags_)
            if (t.get("id") == id) return &t;
        return nullptr;
    }
    std::vector<const Tag*> byName(const std::string& name) const {
        std::vector<const Tag*> out;
        for (const Tag& t : tags_)
            if (t.get("name") == name) out.push_back(&t);
        return out;
    }
    std::vector<const Tag*> all(const std::string& tag) const {
        std::vector<const Tag*> out;
        for (const Tag& t : tags_)
            if (t.name == tag) out.push_back(&t);
        return out;
    }
    bool contains(const std::string& s) const { return source_.find(s) != std::string::npos; }
    const std::vector<Tag>& tags() const { return tags_; }

  private:
    std::string source_;
    std::vector<Tag> tags_;
};

bool Hidden(const Tag* t) { return t && t->get("style").find("display:none") != std::string::npos; }
bool HasClass(const Tag* t, const std::string& c) {
    if (!t) return false;
    std::istringstream ss(t->get("class"));
    std::string w;
    while (ss >> w)
        if (w == c) return true;
    return false;
}

void ExpectIds(const Page& p, std::initializer_list<const char*> ids) {
    for (const char* id : ids) EXPECT_NE(p.byId(id), nullptr) << "missing id " << id;
}

// The text that follows each element's start tag.
void ExpectTexts(const Page& p, std::initializer_list<std::pair<const char*, const char*>> texts) {
    for (const auto& [id, text] : texts) {
        const Tag* t = p.byId(id);
        EXPECT_EQ(t ? t->text : "(missing)", text) << id;
    }
}

// Which elements start hidden, and which shown.
void ExpectHidden(const Page& p, std::initializer_list<const char*> hidden,
                  std::initializer_list<const char*> shown) {
    for (const char* id : hidden) EXPECT_TRUE(Hidden(p.byId(id))) << id;
    for (const char* id : shown) EXPECT_TRUE(p.byId(id) && !Hidden(p.byId(id))) << id;
}

// Every element id the program's windows address by name exists in the page they show.
TEST(PageResources, EveryIdTheProgramAddressesIsInItsPage) {
    const std::regex addressed(R"re(e\.id == "([A-Za-z][\w-]*)"|Id\("([A-Za-z][\w-]*)"\))re");
    for (const auto& [source, pages] :
         std::vector<std::pair<const char*, std::vector<const char*>>>{
             {"top_frame_wnd.cpp", {"201.html"}},
             {"main_wnd.cpp", {"202.html"}},
             {"list_page_wnd.cpp", {"204.html"}},
             {"track_playback.cpp", {"204.html"}},
             {"split_table.cpp", {"204.html"}},
             {"settings_page_wnd.cpp", {"205.html"}},
             {"records_page_wnd.cpp", {"212.html"}},
             {"message_dialog.cpp", {"208.html", "209.html", "210.html"}},
             {"download_dialog.cpp", {"210.html"}},
             {"file_dialog.cpp", {"filedlg.html"}}}) {
        const std::string text = Read(SourceDir() / "src" / "ui" / source);
        int found = 0;
        for (std::sregex_iterator it(text.begin(), text.end(), addressed), end; it != end; ++it) {
            const std::string id = (*it)[1].matched ? (*it)[1].str() : (*it)[2].str();
            bool in = false;
            for (const char* page : pages) in = in || Page(page).byId(id) != nullptr;
            EXPECT_TRUE(in) << source << " addresses #" << id;
            ++found;
        }
        EXPECT_GT(found, 0) << source;
    }
}

TEST(PageResources, EveryPageLoadsTheRuntime) {
    for (const char* f : {"201.html", "202.html", "204.html", "205.html", "206.html", "208.html",
                          "209.html", "210.html", "filedlg.html"}) {
        Page p(f);
        EXPECT_TRUE(p.contains("<script src=\"runtime.js\"></script>")) << f;
        EXPECT_TRUE(p.contains("href=\"runtime.css\"")) << f;
        EXPECT_TRUE(p.contains("<meta charset=\"utf-8\">")) << f;
    }
}

TEST(PageResources, FramePageHasItsCaptionBarAndBorder) {
    Page p("201.html");
    ExpectIds(p, {"body", "icon", "content"});
    ExpectTexts(p, {{"caption", "DORVATH"}});
    ExpectHidden(p, {"restore"}, {"maximize"});
    for (const char* id : {"minimize", "maximize", "restore", "close"})
        EXPECT_TRUE(HasClass(p.byId(id), "btnctrl")) << id;
    const Tag* main = p.byId("framepage");
    ASSERT_NE(main, nullptr);
    EXPECT_EQ(main->name, "iframe");
    EXPECT_EQ(main->get("name"), "main");
    EXPECT_EQ(main->get("src"), "202.html");
    EXPECT_TRUE(p.contains("padding: 3px; /* the sizing border */"));
    EXPECT_FALSE(p.contains("Marlett"));
}

TEST(PageResources, FunctionPageHasTheTabPairsAndButtons) {
    Page p("202.html");
    ExpectHidden(p, {"tab1", "tab2-s"}, {"tab1-s", "tab2"});
    EXPECT_TRUE(HasClass(p.byId("tab1"), "tab"));
    EXPECT_TRUE(HasClass(p.byId("tab2"), "tab"));
    EXPECT_TRUE(p.contains(".tab { --behavior: tabcommand; }"));
    for (const char* id : {"download", "dellog", "help"})
        EXPECT_TRUE(HasClass(p.byId(id), "btnctrl")) << id;
    const Tag* f1 = p.byId("framepage1");
    const Tag* f2 = p.byId("framepage2");
    ASSERT_TRUE(f1 && f2);
    EXPECT_EQ(f1->get("name"), "page1");
    EXPECT_EQ(f1->get("src"), "204.html");
    EXPECT_FALSE(Hidden(f1));
    EXPECT_EQ(f2->get("name"), "page2");
    EXPECT_EQ(f2->get("src"), "205.html");
    EXPECT_TRUE(Hidden(f2));
}

TEST(PageResources, ListPageHasEveryElementAndWidget) {
    Page p("204.html");
    ExpectIds(p, {"listpage", "onback", "onforward", "onstop", "for-open-tk", "for-save-all-tk"});
    for (const auto& [id, inner] : {std::pair{"ontkgpx", "GPXファイルで保存"},
                                    {"ontkkml", "KMLファイルで保存"},
                                    {"ontkdel", "削除"}})
        EXPECT_EQ(p.byId(id)->inner, inner);
    ExpectTexts(p, {{"ltab1", "グラフ"}, {"ltab2", "詳細データ"}, {"tracknum", "合計 0 履歴"}});
    EXPECT_TRUE(HasClass(p.byId("ltab1"), "selected"));
    EXPECT_TRUE(p.contains(".tabbar > div {\n    --behavior: command;"));
    ExpectHidden(p, {"onpause", "list2"}, {"onplay", "list1"});
    EXPECT_TRUE(Hidden(p.byId("tkmenu")) || p.contains("menu.popup {\n    display: none;"));

    struct W {
        const char* id;
        const char* type;
        std::vector<const char*> words;
    };
    for (const W& w :
         std::vector<W>{{"5000", "sys-static", {"notify"}},
                        {"6000", "sys-listview", {"report", "nocolumnheader", "ownerdrawfixed"}},
                        {"6001", "sys-listview", {"report", "nocolumnheader", "ownerdrawfixed"}},
                        {"6004", "sys-listview", {"report", "ownerdrawfixed", "ownerdata"}},
                        {"5001", "sys-static", {"bitmap", "notify"}},
                        {"2000", "sys-ie", {}}}) {
        const Tag* t = p.byId(w.id);
        ASSERT_NE(t, nullptr) << w.id;
        EXPECT_EQ(t->name, "widget");
        EXPECT_EQ(t->get("type"), w.type);
        for (const char* word : w.words) EXPECT_EQ(t->get(word), "\x01") << w.id << " " << word;
    }
    EXPECT_EQ(p.byId("2000")->get("name"), "map");
    EXPECT_FALSE(p.byId("6004")->has("nocolumnheader"));
    // The point list sits in "list2", the chart in "list1".
    EXPECT_TRUE(p.contains("<section id=\"list1\"><widget type=\"sys-static\" id=\"5001\""));
    EXPECT_TRUE(p.contains(
        "<section id=\"list2\" style=\"display:none\"><widget type=\"sys-listview\" id=\"6004\""));
}

TEST(PageResources, SettingsPageHasEveryControlInOrder) {
    Page p("205.html");
    // Document order of the named controls, each name once.
    std::vector<std::string> order;
    for (const Tag& t : p.tags())
        if (t.has("name") && (t.name == "input" || t.name == "select") &&
            (order.empty() || order.back() != t.get("name")))
            order.push_back(t.get("name"));
    EXPECT_EQ(order, (std::vector<std::string>{"weight",
                                               "tformat",
                                               "nightmode",
                                               "bk_light",
                                               "display",
                                               "auto_pause_mode",
                                               "auto_pause_spd",
                                               "interval",
                                               "daylight",
                                               "buzzer",
                                               "buzzer_auto_lap",
                                               "buzzer_interval",
                                               "hour0",
                                               "min0",
                                               "alarm0",
                                               "hour1",
                                               "min1",
                                               "alarm1",
                                               "hour2",
                                               "min2",
                                               "alarm2",
                                               "lap_mode",
                                               "lap_dist",
                                               "lap_time",
                                               "lap_disp",
                                               "tag_dist_mode",
                                               "tag_dist",
                                               "tag_time_mode",
                                               "tag_time",
                                               "fast_run_mode",
                                               "fast_run_dist",
                                               "fast_run_time",
                                               "slow_run_mode",
                                               "slow_run_dist",
                                               "slow_run_time",
                                               "run_count",
                                               "binfile"}));

    // The choices of each radio group and drop-down, by their labels; the other radio
    // groups are Off and On.
    const std::map<std::string, std::vector<std::string>> choices{
        {"tformat", {"24", "12"}},
        {"bk_light", {"5秒", "10秒", "30秒", "常にON"}},
        {"display", {"黒背景", "白背景"}},
        {"interval", {"OFF", "1 sec", "5 sec", "10 sec"}},
        {"lap_mode", {"Off", "距離", "時間"}},
        {"lap_disp", {"5 sec", "10 sec", "20 sec", "30 sec"}},
        {"fast_run_mode", {"距離", "時間"}},
        {"slow_run_mode", {"距離", "時間"}}};
    // Every field the form fills is there as its kind: a text for a text, else a number, a
    // radio group or a drop-down.
    for (const auto& [name, value] : SettingsToForm(DeviceSettings())) {
        const auto tags = p.byName(name);
        ASSERT_FALSE(tags.empty()) << name;
        const std::string kind = tags[0]->name == "select" ? "select" : tags[0]->get("type");
        if (std::holds_alternative<std::string>(value)) {
            EXPECT_EQ(kind, "text") << name;
            continue;
        }
        ASSERT_TRUE(kind == "number" || kind == "radio" || kind == "select") << name;
        if (kind == "number") continue;
        const auto it = choices.find(name);
        const std::vector<std::string> want =
            it != choices.end() ? it->second : std::vector<std::string>{"Off", "On"};
        if (kind == "select") {
            // Options of the drop-downs, values 0 to 3.
            std::size_t at = 0;
            while (p.tags()[at].get("name") != name) ++at;
            for (std::size_t i = 0; i < want.size(); ++i) {
                const Tag& o = p.tags()[at + 1 + i];
                EXPECT_EQ(o.name, "option");
                EXPECT_EQ(o.get("value"), std::to_string(i));
                EXPECT_EQ(o.text, want[i]) << name;
            }
            continue;
        }
        ASSERT_EQ(tags.size(), want.size()) << name;
        int checked = 0;
        for (std::size_t i = 0; i < tags.size(); ++i) {
            EXPECT_EQ(tags[i]->get("type"), "radio") << name;
            EXPECT_EQ(tags[i]->text, want[i]) << name;  // the label follows it
            checked += tags[i]->has("checked");
        }
        EXPECT_EQ(checked, name == "fast_run_mode" || name == "slow_run_mode" ? 0 : 1) << name;
    }
    ASSERT_EQ(p.byName("binfile").size(), 1u);
    EXPECT_EQ(p.byName("binfile")[0]->get("type"), "text");
    for (const auto& [name, a, value] : {std::tuple{"weight", "size", "4"},
                                         {"weight", "maxlength", "3"},
                                         {"auto_pause_spd", "size", "3"},
                                         {"auto_pause_spd", "maxlength", "2"},
                                         {"hour1", "maxlength", "2"},
                                         {"fast_run_dist", "size", "3"},
                                         {"fast_run_dist", "maxlength", "4"},
                                         {"fast_run_dist", "filter", "0~9."},
                                         {"slow_run_dist", "maxlength", "4"},
                                         {"run_count", "filter", "0~9"},
                                         {"binfile", "size", "56"}})
        EXPECT_EQ(p.byName(name)[0]->get(a), value) << name << " " << a;
    EXPECT_TRUE(p.byName("binfile")[0]->has("readonly"));

    ExpectTexts(p, {{"utc_dec", "-30"},
                    {"utc_add", "+30"},
                    {"fwversion", "本体バージョン"},
                    {"fwtxt", "FW:Version"},
                    {"onsetread", "本体設定読み込み"},
                    {"onsetsave", "設定保存"},
                    {"onbinfile", "ファイルの選択"},
                    {"onupdate", "アップデート開始"},
                    {"lap_dist_text", "km"},
                    {"tag_dist_text", "km"}});
    for (const char* legend :
         {"本体設定", "ブザー設定", "アラーム設定", "ラン設定", "インターバル設定",
          "ファームウェア アップデート", "DORVATHバージョン"})
        EXPECT_TRUE(p.contains(std::string("<legend>") + legend + "</legend>")) << legend;
    for (const char* label :
         {"体重:",          "時刻表記:",    "ナイトモード:",   "バックライト:", "表示タイプ:",
          "オートポーズ:",  "ログ間隔:",    "タイムゾーン:",   "サマータイム:", "操作時",
          "オートラップ",   "インターバル", "アラーム1:",      "アラーム2:",    "アラーム3:",
          "オートラップ:",  "距離:",        "時間:",           "ラップ表示:",   "目標距離:",
          "目標時間:",      "Time:",        "スプリント設定:", "ジョグ設定:",   "リピート回数:",
          "ファイルを選択:"})
        EXPECT_TRUE(p.contains(std::string("<th>") + label + "</th>")) << label;
    EXPECT_TRUE(p.contains("DORVATH V 00.00.23"));
}

TEST(PageResources, MessagePagesHaveTheirTextsAndButtons) {
    for (const char* f : {"208.html", "209.html", "210.html"}) {
        Page p(f);
        EXPECT_TRUE(p.contains("DORVATH Message")) << f;
        EXPECT_TRUE(p.contains("src=\"/images/about48.png\"")) << f;
    }
    Page m208("208.html"), m209("209.html"), m210("210.html");
    ExpectIds(m208, {"MsgText1", "MsgText2"});
    ExpectIds(m209, {"MsgText1", "MsgText2"});
    EXPECT_EQ(m210.byId("MsgBtn"), nullptr);
    auto buttons = [](const Page& p) {
        std::vector<std::pair<std::string, std::string>> out;
        for (const Tag& t : p.tags())
            if (t.get("id") == "MsgBtn") out.push_back({t.text, t.get("code")});
        return out;
    };
    using B = std::vector<std::pair<std::string, std::string>>;
    EXPECT_EQ(buttons(m208), (B{{"Exit", "0"}}));
    EXPECT_EQ(buttons(m209), (B{{"はい", "1"}, {"いいえ", "0"}}));
    EXPECT_TRUE(m210.contains("#MsgText { color: #d02020;") ||
                Page("message.css").contains("#MsgText { color: #d02020;"));
}

TEST(PageResources, LoadingDialogPaintsIntoItsStatic) {
    Page p("206.html");
    const Tag* w = p.byId("100");
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(w->name, "widget");
    EXPECT_EQ(w->get("type"), "sys-static");
    EXPECT_TRUE(p.contains("width: 240px; height: 76px;"));
}

TEST(PageResources, EveryPictureNamedIsShipped) {
    const fs::path images = Resources() / "images";
    for (const auto& entry : fs::directory_iterator(Resources() / "pages")) {
        std::string text = Read(entry.path());
        for (std::size_t i = 0; (i = text.find("images/", i)) != std::string::npos; i += 7) {
            std::size_t end = text.find_first_of("\")'", i);
            std::string name = text.substr(i + 7, end - i - 7);
            EXPECT_TRUE(fs::exists(images / name)) << entry.path().filename() << ": " << name;
        }
    }
    for (const char* shipped : {"car.png", "about48.png", "207.png", "211.png"})
        EXPECT_TRUE(fs::exists(images / shipped)) << shipped;
    EXPECT_TRUE(fs::exists(Resources() / "Html" / "load.html"));
    EXPECT_TRUE(fs::exists(Resources() / "help" / "index.html"));
}

TEST(PageResources, PicturesHaveTheirSizes) {
    auto size = [](const char* name) {
        std::string png = Read(Resources() / "images" / name);
        EXPECT_EQ(png.substr(1, 3), "PNG") << name;
        auto be = [&](std::size_t at) {
            return (static_cast<unsigned char>(png[at]) << 24) |
                   (static_cast<unsigned char>(png[at + 1]) << 16) |
                   (static_cast<unsigned char>(png[at + 2]) << 8) |
                   static_cast<unsigned char>(png[at + 3]);
        };
        return std::pair<unsigned, unsigned>(be(16), be(20));
    };
    EXPECT_EQ(size("207.png"), (std::pair<unsigned, unsigned>(240, 76)));
    EXPECT_EQ(size("211.png"), (std::pair<unsigned, unsigned>(16, 16)));
    EXPECT_EQ(size("about48.png"), (std::pair<unsigned, unsigned>(48, 48)));
}

TEST(PageResources, HelpPageTellsWhereFilesAreAndHowToInstallTheRule) {
    std::string help = Read(Resources() / "help" / "index.html");
    EXPECT_NE(help.find("sudo cp packaging/60-dorvath-watch.rules /etc/udev/rules.d/ &amp;&amp; "
                        "sudo udevadm control --reload &amp;&amp; sudo udevadm trigger"),
              std::string::npos);
    for (const char* f : {"velcan.db", "setting.dat", "log.xml", "--data-dir"})
        EXPECT_NE(help.find(f), std::string::npos) << f;
    EXPECT_TRUE(fs::exists(SourceDir() / "packaging" / "60-dorvath-watch.rules"));
}

}  // namespace
}  // namespace dorvath
