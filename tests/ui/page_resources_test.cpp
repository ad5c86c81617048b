// The shipped pages hold every element, widget and form control the program addresses,
// with the texts the user reads.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

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

std::string Read(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

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
    ExpectIds(p,
              {"body", "caption", "minimize", "maximize", "restore", "icon", "close", "content"});
    EXPECT_EQ(p.byId("caption")->text, "DORVATH");
    EXPECT_TRUE(Hidden(p.byId("restore")));
    EXPECT_FALSE(Hidden(p.byId("maximize")));
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
    ExpectIds(p, {"tab1", "tab1-s", "tab2", "tab2-s", "download", "dellog", "help"});
    EXPECT_TRUE(Hidden(p.byId("tab1")));
    EXPECT_FALSE(Hidden(p.byId("tab1-s")));
    EXPECT_FALSE(Hidden(p.byId("tab2")));
    EXPECT_TRUE(Hidden(p.byId("tab2-s")));
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
    ExpectIds(p, {"lastmon", "nextmon", "today",   "calendardate", "tracknum",       "tkopen",
                  "tksave",  "tkmenu",  "ontkgpx", "ontkkml",      "ontkdel",        "listpage",
                  "ltab1",   "ltab2",   "onback",  "onplay",       "onpause",        "onforward",
                  "onstop",  "list1",   "list2",   "for-open-tk",  "for-save-all-tk"});
    EXPECT_EQ(p.byId("ontkgpx")->inner, "GPXファイルで保存");
    EXPECT_EQ(p.byId("ontkkml")->inner, "KMLファイルで保存");
    EXPECT_EQ(p.byId("ontkdel")->inner, "削除");
    EXPECT_EQ(p.byId("ltab1")->text, "グラフ");
    EXPECT_EQ(p.byId("ltab2")->text, "詳細データ");
    EXPECT_EQ(p.byId("tracknum")->text, "合計 0 履歴");
    EXPECT_TRUE(HasClass(p.byId("ltab1"), "selected"));
    EXPECT_TRUE(p.contains(".tabbar > div {\n    --behavior: command;"));
    EXPECT_TRUE(Hidden(p.byId("onpause")));
    EXPECT_FALSE(Hidden(p.byId("onplay")));
    EXPECT_TRUE(Hidden(p.byId("list2")));
    EXPECT_FALSE(Hidden(p.byId("list1")));
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

struct Control {
    std::string name;
    std::string kind;  // "radio", "select", "number", "text"
    std::vector<std::string> choices;
};

TEST(PageResources, SettingsPageHasEveryControlInOrder) {
    Page p("205.html");
    const std::vector<std::string> offOn{"Off", "On"};
    const std::vector<Control> controls{
        {"weight", "number", {}},
        {"tformat", "radio", {"24", "12"}},
        {"nightmode", "radio", offOn},
        {"bk_light", "select", {"5秒", "10秒", "30秒", "常にON"}},
        {"display", "radio", {"黒背景", "白背景"}},
        {"auto_pause_mode", "radio", offOn},
        {"auto_pause_spd", "text", {}},
        {"interval", "select", {"OFF", "1 sec", "5 sec", "10 sec"}},
        {"daylight", "radio", offOn},
        {"buzzer", "radio", offOn},
        {"buzzer_auto_lap", "radio", offOn},
        {"buzzer_interval", "radio", offOn},
        {"hour0", "text", {}},
        {"min0", "text", {}},
        {"alarm0", "radio", offOn},
        {"hour1", "text", {}},
        {"min1", "text", {}},
        {"alarm1", "radio", offOn},
        {"hour2", "text", {}},
        {"min2", "text", {}},
        {"alarm2", "radio", offOn},
        {"lap_mode", "radio", {"Off", "距離", "時間"}},
        {"lap_dist", "text", {}},
        {"lap_time", "text", {}},
        {"lap_disp", "select", {"5 sec", "10 sec", "20 sec", "30 sec"}},
        {"tag_dist_mode", "radio", offOn},
        {"tag_dist", "text", {}},
        {"tag_time_mode", "radio", offOn},
        {"tag_time", "text", {}},
        {"fast_run_mode", "radio", {"距離", "時間"}},
        {"fast_run_dist", "text", {}},
        {"fast_run_time", "text", {}},
        {"slow_run_mode", "radio", {"距離", "時間"}},
        {"slow_run_dist", "text", {}},
        {"slow_run_time", "text", {}},
        {"run_count", "text", {}},
        {"binfile", "text", {}},
    };
    // Document order of the named controls, each name once.
    std::vector<std::string> order;
    for (const Tag& t : p.tags())
        if (t.has("name") && (t.name == "input" || t.name == "select") &&
            (order.empty() || order.back() != t.get("name")))
            order.push_back(t.get("name"));
    std::vector<std::string> want;
    for (const Control& c : controls) want.push_back(c.name);
    EXPECT_EQ(order, want);

    for (const Control& c : controls) {
        auto tags = p.byName(c.name);
        ASSERT_FALSE(tags.empty()) << c.name;
        if (c.kind == "radio") {
            ASSERT_EQ(tags.size(), c.choices.size()) << c.name;
            int checked = 0;
            for (std::size_t i = 0; i < tags.size(); ++i) {
                EXPECT_EQ(tags[i]->get("type"), "radio") << c.name;
                EXPECT_EQ(tags[i]->text, c.choices[i]) << c.name;  // the label follows it
                checked += tags[i]->has("checked");
            }
            bool neither = c.name == "fast_run_mode" || c.name == "slow_run_mode";
            EXPECT_EQ(checked, neither ? 0 : 1) << c.name;
        } else if (c.kind == "select") {
            ASSERT_EQ(tags.size(), 1u);
            EXPECT_EQ(tags[0]->name, "select");
        } else {
            ASSERT_EQ(tags.size(), 1u) << c.name;
            EXPECT_EQ(tags[0]->get("type"), c.kind) << c.name;
        }
    }
    // Options of the drop-downs, values 0 to 3.
    for (const Control& c : controls) {
        if (c.kind != "select") continue;
        const auto& tags = p.tags();
        std::size_t at = 0;
        while (tags[at].get("name") != c.name) ++at;
        for (std::size_t i = 0; i < c.choices.size(); ++i) {
            const Tag& o = tags[at + 1 + i];
            EXPECT_EQ(o.name, "option");
            EXPECT_EQ(o.get("value"), std::to_string(i));
            EXPECT_EQ(o.text, c.choices[i]) << c.name;
        }
    }
    auto attr = [&](const char* name, const char* a) { return p.byName(name)[0]->get(a); };
    EXPECT_EQ(attr("weight", "size"), "4");
    EXPECT_EQ(attr("weight", "maxlength"), "3");
    EXPECT_EQ(attr("auto_pause_spd", "size"), "3");
    EXPECT_EQ(attr("auto_pause_spd", "maxlength"), "2");
    EXPECT_EQ(attr("hour1", "maxlength"), "2");
    EXPECT_EQ(attr("fast_run_dist", "size"), "3");
    EXPECT_EQ(attr("fast_run_dist", "maxlength"), "4");
    EXPECT_EQ(attr("fast_run_dist", "filter"), "0~9.");
    EXPECT_EQ(attr("slow_run_dist", "maxlength"), "4");
    EXPECT_EQ(attr("run_count", "filter"), "0~9");
    EXPECT_EQ(attr("binfile", "size"), "56");
    EXPECT_TRUE(p.byName("binfile")[0]->has("readonly"));

    ExpectIds(p, {"utc_dec", "utc", "utc_add", "fwversion", "fwtxt", "onsetread", "onsetsave",
                  "onbinfile", "onupdate", "lap_dist_text", "tag_dist_text"});
    EXPECT_EQ(p.byId("utc_dec")->text, "-30");
    EXPECT_EQ(p.byId("utc_add")->text, "+30");
    EXPECT_EQ(p.byId("fwversion")->text, "本体バージョン");
    EXPECT_EQ(p.byId("fwtxt")->text, "FW:Version");
    EXPECT_EQ(p.byId("onsetread")->text, "本体設定読み込み");
    EXPECT_EQ(p.byId("onsetsave")->text, "設定保存");
    EXPECT_EQ(p.byId("onbinfile")->text, "ファイルの選択");
    EXPECT_EQ(p.byId("onupdate")->text, "アップデート開始");
    EXPECT_EQ(p.byId("lap_dist_text")->text, "km");
    EXPECT_EQ(p.byId("tag_dist_text")->text, "km");
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
    ExpectIds(m208, {"MsgText1", "MsgText2", "MsgBtn"});
    ExpectIds(m209, {"MsgText1", "MsgText2", "MsgBtn"});
    ExpectIds(m210, {"MsgText"});
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
