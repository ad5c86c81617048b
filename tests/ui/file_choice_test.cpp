#include "ui/file_choice.h"

#include <gtest/gtest.h>

#include <fstream>

#include "data/temp_dir.h"

namespace dorvath {
namespace {

namespace fs = std::filesystem;

void Touch(const fs::path& p) { std::ofstream(p) << "x"; }

FileDialogSpec SaveSpec(const std::string& label, const std::string& ext) {
    FileDialogSpec s;
    s.mode = FileDialogMode::Save;
    s.filters = {{label + " (*." + ext + ")", "*." + ext}, {"All Files (*.*)", "*.*"}};
    s.defaultExt = ext;
    return s;
}

TEST(FileFilter, GlobsMatchWithoutRegardToCase) {
    EXPECT_TRUE(MatchesFilter("run.gpx", "*.gpx"));
    EXPECT_TRUE(MatchesFilter("RUN.GPX", "*.gpx"));
    EXPECT_FALSE(MatchesFilter("run.gpx.bak", "*.gpx"));
    EXPECT_FALSE(MatchesFilter("rungpx", "*.gpx"));
    EXPECT_TRUE(MatchesFilter("a.kml", "*.gpx;*.kml"));
    EXPECT_TRUE(MatchesFilter("a.kml", "*.gpx; *.kml"));
    EXPECT_TRUE(MatchesFilter("firmware.bin", "*.*"));
    EXPECT_TRUE(MatchesFilter("Makefile", "*.*"));  // as the system's own dialogs do
    EXPECT_TRUE(MatchesFilter("x1.trk", "x?.trk"));
    EXPECT_FALSE(MatchesFilter("x12.trk", "x?.trk"));
    EXPECT_FALSE(MatchesFilter("a.gpx", ""));
    // A long name against many stars stays quick (no exponential backtracking).
    EXPECT_FALSE(MatchesFilter(std::string(200, 'a'), "*a*a*a*a*a*a*a*a*b"));
}

TEST(FileFilter, ExtensionOfAFilter) {
    EXPECT_EQ(FilterExtension("*.gpx"), "gpx");
    EXPECT_EQ(FilterExtension(" *.trk "), "trk");
    EXPECT_EQ(FilterExtension("*.*"), "");
    EXPECT_EQ(FilterExtension("*"), "");
    EXPECT_EQ(FilterExtension("*.gpx;*.kml"), "");
    EXPECT_EQ(FilterExtension("run*.gpx"), "");
}

TEST(DefaultExtension, AddedOnlyWhenTheNameHasNone) {
    FileDialogSpec s = SaveSpec("GPX Files", "gpx");
    EXPECT_EQ(WithDefaultExtension("morning", s, 0), "morning.gpx");
    EXPECT_EQ(WithDefaultExtension("morning.gpx", s, 0), "morning.gpx");
    EXPECT_EQ(WithDefaultExtension("morning.txt", s, 0), "morning.txt");
    EXPECT_EQ(WithDefaultExtension("dir.v2/morning", s, 0), "dir.v2/morning.gpx");
    EXPECT_EQ(WithDefaultExtension(".profile", s, 0), ".profile.gpx");
    // With "All Files" chosen the default extension still applies.
    EXPECT_EQ(WithDefaultExtension("morning", s, 1), "morning.gpx");
    // A trailing dot asks for no extension at all.
    EXPECT_EQ(WithDefaultExtension("morning.", s, 0), "morning");
}

TEST(DefaultExtension, ChosenFilterWinsOverTheDefault) {
    FileDialogSpec s;
    s.filters = {{"KML Files (*.kml)", "*.kml"}, {"GPX Files (*.gpx)", "*.gpx"}};
    s.defaultExt = "kml";
    EXPECT_EQ(WithDefaultExtension("a", s, 1), "a.gpx");
    EXPECT_EQ(WithDefaultExtension("a", s, 7), "a.kml");  // out of range: the default
    s.defaultExt.clear();
    s.filters = {{"All Files (*.*)", "*.*"}};
    EXPECT_EQ(WithDefaultExtension("a", s, 0), "a");
}

TEST(PathBuffer, TwoHundredFiftyNineCharactersFit) {
    EXPECT_EQ(Utf16Length("abc"), 3u);
    EXPECT_EQ(Utf16Length("履歴"), 2u);
    EXPECT_EQ(Utf16Length("\xF0\x9F\x8F\x83"), 2u);  // outside the basic plane: a pair
    EXPECT_EQ(Utf16Length("\xFF\xFE"), 2u);          // malformed bytes count one each
    EXPECT_EQ(Utf16Length("\xE5\xB1"), 2u);          // cut sequence
    EXPECT_TRUE(FitsPathBuffer(fs::path("/" + std::string(258, 'a'))));
    EXPECT_FALSE(FitsPathBuffer(fs::path("/" + std::string(259, 'a'))));
    std::string jp;
    for (int i = 0; i < 129; ++i) jp += "履";
    EXPECT_TRUE(FitsPathBuffer(fs::path("/" + jp)));  // 130 characters, 388 bytes
}

TEST(ResolveChoice, SaveAddsTheExtensionAndNotesAnExistingFile) {
    test::TempDir d;
    FileDialogSpec s = SaveSpec("GPX Files", "gpx");
    Choice c = ResolveChoice(d.path(), "morning", s, 0);
    EXPECT_EQ(c.kind, ChoiceKind::File);
    EXPECT_EQ(c.path, d / "morning.gpx");
    EXPECT_FALSE(c.exists);
    Touch(d / "morning.gpx");
    c = ResolveChoice(d.path(), "  morning  ", s, 0);
    EXPECT_EQ(c.kind, ChoiceKind::File);
    EXPECT_TRUE(c.exists);
}

TEST(ResolveChoice, EmptyFolderAndMissingFolder) {
    test::TempDir d;
    fs::create_directory(d / "runs");
    FileDialogSpec s = SaveSpec("GPX Files", "gpx");
    EXPECT_EQ(ResolveChoice(d.path(), "   ", s, 0).kind, ChoiceKind::Empty);
    Choice c = ResolveChoice(d.path(), "runs", s, 0);
    EXPECT_EQ(c.kind, ChoiceKind::Folder);
    EXPECT_EQ(c.path, d / "runs");
    EXPECT_EQ(ResolveChoice(d.path(), "nowhere/a", s, 0).kind, ChoiceKind::NoFolder);
    EXPECT_EQ(ResolveChoice(d.path(), "runs/../runs/a", s, 0).path, d / "runs" / "a.gpx");
    // An absolute name is taken as it is.
    c = ResolveChoice("/nonexistent", (d / "runs" / "b").string(), s, 0);
    EXPECT_EQ(c.kind, ChoiceKind::File);
    EXPECT_EQ(c.path, d / "runs" / "b.gpx");
}

TEST(ResolveChoice, TooLongPathIsRefused) {
    test::TempDir d;
    FileDialogSpec s = SaveSpec("GPX Files", "gpx");
    std::string name(300, 'n');
    Choice c = ResolveChoice(d.path(), name, s, 0);
    EXPECT_EQ(c.kind, ChoiceKind::TooLong);
    // Just short enough: the extension counts too.
    std::size_t room = kPathBufferChars - 1 - Utf16Length((d.path() / "").string()) - 4;
    EXPECT_EQ(ResolveChoice(d.path(), std::string(room, 'n'), s, 0).kind, ChoiceKind::File);
    EXPECT_EQ(ResolveChoice(d.path(), std::string(room + 1, 'n'), s, 0).kind, ChoiceKind::TooLong);
}

TEST(ResolveChoice, OpenNeedsAnExistingFile) {
    test::TempDir d;
    FileDialogSpec s;
    s.mode = FileDialogMode::Open;
    s.filters = {{"Bin Files (*.bin)", "*.bin"}, {"All Files (*.*)", "*.*"}};
    s.defaultExt = "bin";
    EXPECT_EQ(ResolveChoice(d.path(), "fw", s, 0).kind, ChoiceKind::NotFound);
    Touch(d / "fw.bin");
    Choice c = ResolveChoice(d.path(), "fw", s, 0);
    EXPECT_EQ(c.kind, ChoiceKind::File);
    EXPECT_EQ(c.path, d / "fw.bin");
    // A file without an extension is found as it is named.
    Touch(d / "README");
    c = ResolveChoice(d.path(), "README", s, 1);
    EXPECT_EQ(c.kind, ChoiceKind::File);
    EXPECT_EQ(c.path, d / "README");
}

TEST(ListFolder, FoldersFirstThenMatchingFilesSorted) {
    test::TempDir d;
    fs::create_directory(d / "b-folder");
    fs::create_directory(d / "A-folder");
    fs::create_directory(d / ".hidden");
    Touch(d / "z.gpx");
    Touch(d / "B.GPX");
    Touch(d / "a.gpx");
    Touch(d / "notes.txt");
    Touch(d / ".secret.gpx");
    bool readable = false;
    auto e = ListFolder(d.path(), "*.gpx", &readable);
    EXPECT_TRUE(readable);
    std::vector<std::string> names;
    for (const auto& x : e) names.push_back(x.name + (x.folder ? "/" : ""));
    EXPECT_EQ(names,
              (std::vector<std::string>{"A-folder/", "b-folder/", "a.gpx", "B.GPX", "z.gpx"}));
    EXPECT_EQ(ListFolder(d.path(), "*.*").size(), 6u);
    EXPECT_EQ(ListFolder(d.path(), "*.*", nullptr, 3).size(), 3u);
}

TEST(ListFolder, UnreadableFolderGivesNothing) {
    bool readable = true;
    EXPECT_TRUE(ListFolder("/nonexistent/dorvath", "*.*", &readable).empty());
    EXPECT_FALSE(readable);
}

}  // namespace
}  // namespace dorvath
