#include "ui/file_dialog.h"

#include <gtest/gtest.h>

#include <fstream>

#include "data/temp_dir.h"
#include "support/recording_html_engine.h"
#include "support/test_frame_host.h"
#include "ui/frame_host.h"

namespace dorvath {
namespace {

namespace fs = std::filesystem;

void Touch(const fs::path& p) { std::ofstream(p) << "x"; }

class FileDialogTest : public ::testing::Test {
  protected:
    void TearDown() override { EXPECT_FALSE(loop.quitting()) << "a dialog did not end by itself"; }
    FileDialogSpec spec(FileDialogMode mode, const std::string& label, const std::string& ext) {
        FileDialogSpec s;
        s.mode = mode;
        s.filters = FiltersFor(label, ext);
        s.defaultExt = ext;
        s.initialFolder = dir.path();
        return s;
    }
    // The topmost dialog frame when the queued step runs.
    FramePath top() const { return engine.openDialogs().back(); }
    // Queues a step; steps run in order inside whichever nested loop is turning.
    void then(std::function<void()> step) { loop.postTask(std::move(step)); }
    void type(const std::string& name) {
        then([this, name] { engine.formValues(top(), {{"filename", FormValue(name)}}); });
    }
    void press(const std::string& id, std::map<std::string, std::string> attrs = {}) {
        then([this, id, attrs] { engine.click(top(), id, attrs); });
    }
    // Queued last: should a step not end the dialog, the program's quit ends it and the
    // test fails on its result rather than hanging.
    void guard() {
        then([this] { loop.quit(); });
    }
    std::string lastText(const std::string& id) const {
        std::string out;
        for (const auto& op : engine.operations("text"))
            if (op.value("id", "") == id) out = op["value"];
        return out;
    }
    std::string lastHtml(const std::string& id) const {
        std::string out;
        for (const auto& op : engine.operations("html"))
            if (op.value("id", "") == id) out = op["value"];
        return out;
    }
    std::vector<std::string> messagePages() const {
        std::vector<std::string> out;
        for (const auto& op : engine.operations("dialog"))
            if (op.value("open", false) && op["page"] != "filedlg") out.push_back(op["page"]);
        return out;
    }

    test::TempDir dir;
    EventLoop loop;
    RecordingHtmlEngine engine;
};

TEST_F(FileDialogTest, SaveAddsTheDefaultExtension) {
    type("morning");
    press("fdOk");
    guard();
    auto path = ShowFileDialog(engine, loop, spec(FileDialogMode::Save, "GPX Files", "gpx"));
    ASSERT_TRUE(path);
    EXPECT_EQ(*path, dir / "morning.gpx");
    EXPECT_EQ(lastText("fdTitle"), "名前を付けて保存");
    EXPECT_EQ(lastText("fdOk"), "保存");
    EXPECT_EQ(lastText("fdPath"), dir.path().string());
    EXPECT_EQ(lastHtml("fdFilter"),
              "<option value=\"0\">GPX Files (*.gpx)</option>"
              "<option value=\"1\">All Files (*.*)</option>");
    EXPECT_TRUE(engine.openDialogs().empty());
    EXPECT_TRUE(messagePages().empty());
}

TEST_F(FileDialogTest, CancelGivesNothing) {
    type("morning");
    press("fdCancel");
    guard();
    EXPECT_FALSE(ShowFileDialog(engine, loop, spec(FileDialogMode::Save, "GPX Files", "gpx")));
}

TEST_F(FileDialogTest, OverwriteIsAskedAndNoKeepsTheDialogOpen) {
    Touch(dir / "run.kml");
    type("run");
    press("fdOk");                     // asks ...
    press("MsgBtn", {{"code", "0"}});  // ... "いいえ": the save dialog stays
    press("fdOk");                     // asks again ...
    press("MsgBtn", {{"code", "1"}});  // ... "はい"
    guard();
    auto path = ShowFileDialog(engine, loop, spec(FileDialogMode::Save, "KML Files", "kml"));
    ASSERT_TRUE(path);
    EXPECT_EQ(*path, dir / "run.kml");
    EXPECT_EQ(messagePages(), (std::vector<std::string>{"209", "209"}));
    bool asked = false;
    for (const auto& op : engine.operations("text"))
        if (op["value"] == "run.kml は既に存在します。") asked = true;
    EXPECT_TRUE(asked);
}

TEST_F(FileDialogTest, NoPromptWhenTheSpecSaysSo) {
    Touch(dir / "run.kml");
    FileDialogSpec s = spec(FileDialogMode::Save, "KML Files", "kml");
    s.overwritePrompt = false;
    type("run");
    press("fdOk");
    guard();
    EXPECT_TRUE(ShowFileDialog(engine, loop, s));
    EXPECT_TRUE(messagePages().empty());
}

TEST_F(FileDialogTest, OpenRefusesAMissingFile) {
    Touch(dir / "fw.bin");
    type("nothing");
    press("fdOk");
    press("MsgBtn", {{"code", "0"}});
    type("fw");
    press("fdOk");
    guard();
    auto path = ShowFileDialog(engine, loop, spec(FileDialogMode::Open, "Bin Files", "bin"));
    ASSERT_TRUE(path);
    EXPECT_EQ(*path, dir / "fw.bin");
    EXPECT_EQ(messagePages(), (std::vector<std::string>{"208"}));
    EXPECT_EQ(lastText("MsgText1"), "nothing.bin が見つかりません。");
    EXPECT_EQ(lastText("fdTitle"), "ファイルを開く");
    EXPECT_EQ(lastText("fdOk"), "開く");
}

TEST_F(FileDialogTest, TooLongPathIsReported) {
    type(std::string(270, 'x'));
    press("fdOk");
    press("MsgBtn", {{"code", "0"}});
    press("fdCancel");
    guard();
    EXPECT_FALSE(ShowFileDialog(engine, loop, spec(FileDialogMode::Save, "CSV Files", "csv")));
    EXPECT_EQ(messagePages(), (std::vector<std::string>{"208"}));
    EXPECT_EQ(lastText("MsgText1"), "ファイル名が長すぎます。");
}

TEST_F(FileDialogTest, ListsFoldersAndMatchingFilesAndWalksThem) {
    fs::create_directory(dir / "runs");
    Touch(dir / "runs" / "a.trk");
    Touch(dir / "runs" / "b.txt");
    Touch(dir / "top.trk");
    CFileDialog dlg(engine, loop, spec(FileDialogMode::Open, "Track Files", "trk"));
    then([&] {
        ASSERT_EQ(dlg.entries().size(), 2u);
        EXPECT_EQ(dlg.entries()[0].name, "runs");
        EXPECT_TRUE(dlg.entries()[0].folder);
        EXPECT_EQ(dlg.entries()[1].name, "top.trk");
        std::string html = lastHtml("fdList");
        EXPECT_NE(html.find("id=\"fde0\""), std::string::npos);
        EXPECT_NE(html.find(">runs</div>"), std::string::npos);
        engine.command(top(), "fde0");  // one click on a folder only marks it
        EXPECT_EQ(dlg.folder(), dir.path());
        engine.command(top(), "fde0", true);  // a double click opens it
        EXPECT_EQ(dlg.folder(), dir / "runs");
        EXPECT_EQ(lastText("fdPath"), (dir / "runs").string());
        ASSERT_EQ(dlg.entries().size(), 1u);  // b.txt is filtered out
        engine.command(top(), "fde0");        // a click on a file names it
        EXPECT_EQ(FormText(engine.input().collectForm(top())["filename"]), "a.trk");
    });
    // "All Files" shows b.txt too.
    then([&] {
        engine.formValues(top(), {{"filter", FormValue(std::int64_t{1})}});
        EXPECT_EQ(dlg.filterIndex(), 1);
        EXPECT_EQ(dlg.entries().size(), 2u);
    });
    press("fdUp");
    then([&] { EXPECT_EQ(dlg.folder(), dir.path()); });
    then([&] { engine.command(top(), "fde1", true); });  // double click on top.trk takes it
    guard();
    auto path = dlg.run();
    ASSERT_TRUE(path);
    EXPECT_EQ(*path, dir / "top.trk");
}

TEST_F(FileDialogTest, StrangeEntryIdsAreIgnored) {
    Touch(dir / "a.trk");
    CFileDialog dlg(engine, loop, spec(FileDialogMode::Open, "Track Files", "trk"));
    then([&] {
        for (const char* id : {"fde", "fde9", "fde-1", "fdex", "fde99999999999", "other"})
            engine.command(top(), id, true);
        EXPECT_EQ(dlg.folder(), dir.path());
    });
    press("fdCancel");
    guard();
    EXPECT_FALSE(dlg.run());
}

TEST_F(FileDialogTest, NamesAreEscapedInTheList) {
    Touch(dir / "<b>&'x\".trk");
    CFileDialog dlg(engine, loop, spec(FileDialogMode::Open, "Track Files", "trk"));
    press("fdCancel");
    guard();
    dlg.run();
    std::string html = lastHtml("fdList");
    EXPECT_NE(html.find("&lt;b&gt;&amp;&#39;x&quot;.trk"), std::string::npos);
    EXPECT_EQ(html.find("<b>"), std::string::npos);
}

TEST_F(FileDialogTest, TypedFolderIsOpenedAndNextDialogStartsInTheLastFolder) {
    fs::create_directory(dir / "exports");
    type("exports");
    press("fdOk");  // a folder name: shows it
    then([this] { EXPECT_EQ(lastText("fdPath"), (dir / "exports").string()); });
    type("day");
    press("fdOk");
    test::TestFrameHost window;  // browser mode: our dialog
    auto path =
        ShowFileDialog(window, engine, loop, spec(FileDialogMode::Save, "CSV Files", "csv"));
    ASSERT_TRUE(path);
    EXPECT_EQ(*path, dir / "exports" / "day.csv");
    EXPECT_EQ(window.lastChosenFolder, dir / "exports");

    FileDialogSpec again = spec(FileDialogMode::Save, "CSV Files", "csv");
    again.initialFolder.clear();
    press("fdCancel");
    guard();
    ShowFileDialog(window, engine, loop, again);
    EXPECT_EQ(lastText("fdPath"), (dir / "exports").string());
}

// The desktop's own chooser stands in for ours: what it answers gets our default extension,
// an existing file the extension led to is asked about, and browser mode keeps our dialog.
TEST_F(FileDialogTest, DesktopChooserAnswersWithOurRulesApplied) {
    test::TestFrameHost host;
    host.native = true;
    host.answer = {dir / "run", 0};
    auto s = spec(FileDialogMode::Save, "GPX Files", "gpx");
    auto path = ShowFileDialog(host, engine, loop, s);
    ASSERT_TRUE(path);
    EXPECT_EQ(*path, dir / "run.gpx");
    ASSERT_EQ(host.asked.size(), 1u);
    EXPECT_EQ(host.asked[0].title, "名前を付けて保存");
    EXPECT_EQ(host.asked[0].filters.size(), 2u);
    EXPECT_TRUE(engine.openDialogs().empty());
    EXPECT_TRUE(messagePages().empty());

    // run.gpx exists now: the chooser saw only "run", so we ask; "いいえ" gives nothing.
    Touch(dir / "run.gpx");
    press("MsgBtn", {{"code", "0"}});
    EXPECT_FALSE(ShowFileDialog(host, engine, loop, s));
    EXPECT_EQ(messagePages(), std::vector<std::string>{"209"});

    // A cancelled chooser gives nothing; an open keeps the name as chosen.
    host.answer = {};
    EXPECT_FALSE(ShowFileDialog(host, engine, loop, s));
    host.answer = {dir / "track", 1};
    EXPECT_EQ(*ShowFileDialog(host, engine, loop, spec(FileDialogMode::Open, "Track", "trk")),
              dir / "track");
    EXPECT_EQ(host.asked.size(), 4u);

    // Browser mode: our dialog, the host not asked.
    host.native = false;
    press("fdCancel");
    guard();
    EXPECT_FALSE(ShowFileDialog(host, engine, loop, s));
    EXPECT_EQ(host.asked.size(), 4u);
}

TEST(FiltersFor, PairsAsThePagesNameThem) {
    auto f = FiltersFor("GPX Files", "gpx");
    ASSERT_EQ(f.size(), 2u);
    EXPECT_EQ(f[0].label, "GPX Files (*.gpx)");
    EXPECT_EQ(f[0].pattern, "*.gpx");
    EXPECT_EQ(f[1].label, "All Files (*.*)");
    EXPECT_EQ(f[1].pattern, "*.*");
}

}  // namespace
}  // namespace dorvath
