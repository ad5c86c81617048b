#include "data/atomic_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>
#include <iterator>

#include "temp_dir.h"

namespace dorvath {
namespace {

namespace fs = std::filesystem;

std::string Read(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

unsigned ModeOf(const fs::path& p) {
    struct stat st {};
    lstat(p.c_str(), &st);
    return st.st_mode & 07777;
}

class AtomicFileTest : public ::testing::Test {
  protected:
    test::TempDir dir;
};

TEST_F(AtomicFileTest, SymlinksAreWrittenThroughAndStayLinks) {
    fs::create_directory(dir / "real");
    std::ofstream(dir / "real" / "run.gpx") << "old";
    fs::create_symlink("real/run.gpx", dir / "relative.gpx");
    fs::create_symlink(dir / "relative.gpx", dir / "chain.gpx");  // a link to a link
    EXPECT_EQ(WriteFileAtomically(dir / "chain.gpx", "new"), "");
    EXPECT_EQ(Read(dir / "real" / "run.gpx"), "new");
    EXPECT_TRUE(fs::is_symlink(dir / "relative.gpx"));
    EXPECT_TRUE(fs::is_symlink(dir / "chain.gpx"));
    // A dangling link makes its target.
    fs::create_symlink("real/new.kml", dir / "dangling.kml");
    EXPECT_EQ(WriteFileAtomically(dir / "dangling.kml", "kml"), "");
    EXPECT_EQ(Read(dir / "real" / "new.kml"), "kml");
    EXPECT_TRUE(fs::is_symlink(dir / "dangling.kml"));
}

TEST_F(AtomicFileTest, WhatIsNotAPlainFileIsRefusedAndLeftAlone) {
    ASSERT_EQ(mkfifo((dir / "pipe").c_str(), 0600), 0);
    fs::create_directory(dir / "folder");
    fs::create_symlink("/dev/null", dir / "to-device");
    for (const char* name : {"pipe", "folder", "to-device"}) {
        SCOPED_TRACE(name);
        std::string why = WriteFileAtomically(dir / name, "bytes");
        EXPECT_NE(why.find("not a regular file"), std::string::npos) << why;
    }
    EXPECT_TRUE(fs::is_fifo(dir / "pipe"));
    EXPECT_TRUE(fs::is_directory(dir / "folder"));
    EXPECT_TRUE(fs::is_character_file("/dev/null"));
    // Nothing was left beside them.
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), {}), 3);
}

TEST_F(AtomicFileTest, AReplacedFileKeepsItsModeANewOneFollowsTheUmask) {
    std::ofstream(dir / "private.csv") << "old";
    ASSERT_EQ(chmod((dir / "private.csv").c_str(), 0600), 0);
    EXPECT_EQ(WriteFileAtomically(dir / "private.csv", "new"), "");
    EXPECT_EQ(Read(dir / "private.csv"), "new");
    EXPECT_EQ(ModeOf(dir / "private.csv"), 0600u);

    const mode_t old = umask(027);
    EXPECT_EQ(WriteFileAtomically(dir / "fresh.csv", "x"), "");
    umask(old);
    EXPECT_EQ(ModeOf(dir / "fresh.csv"), 0640u);
}

}  // namespace
}  // namespace dorvath
