#include <gtest/gtest.h>

#include "data/app_state.h"
#include "temp_dir.h"

namespace dorvath {
namespace {

namespace fs = std::filesystem;

// A build folder keeps everything beside the executable; an installed tree
// (PREFIX/bin beside PREFIX/share/dorvath/Html) splits the user's files from the shipped
// ones, with $XDG_DATA_HOME before ~/.local/share and a relative one ignored.
TEST(AppFoldersTest, BuildFolderKeepsEverythingBesideTheProgramAnInstalledOneUsesXdg) {
    test::TempDir t;
    const fs::path build = t / "build";
    fs::create_directories(build / "Html");
    AppFolders b = LocateAppFolders(build, "/x/data", "/home/u");
    EXPECT_FALSE(b.installed);
    EXPECT_EQ(b.data, build);
    EXPECT_EQ(b.shipped, build);

    // A bin folder without the shared folder is not an installation either.
    fs::create_directories(t / "bare" / "bin");
    EXPECT_FALSE(LocateAppFolders(t / "bare" / "bin", nullptr, "/home/u").installed);

    const fs::path prefix = t / "usr";
    fs::create_directories(prefix / "bin");
    fs::create_directories(prefix / "share" / "dorvath" / "Html");
    AppFolders i = LocateAppFolders(prefix / "bin", "/x/data", "/home/u");
    EXPECT_TRUE(i.installed);
    EXPECT_EQ(i.shipped, prefix / "share" / "dorvath");
    EXPECT_EQ(i.data, fs::path("/x/data/dorvath"));
    EXPECT_EQ(LocateAppFolders(prefix / "bin", nullptr, "/home/u").data,
              fs::path("/home/u/.local/share/dorvath"));
    EXPECT_EQ(LocateAppFolders(prefix / "bin", "", "/home/u").data,
              fs::path("/home/u/.local/share/dorvath"));
    EXPECT_EQ(LocateAppFolders(prefix / "bin", "rel/data", "/home/u").data,
              fs::path("/home/u/.local/share/dorvath"));
}

}  // namespace
}  // namespace dorvath
