#include "data/atomic_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <fstream>

#include "temp_dir.h"

namespace dorvath {
namespace {

namespace fs = std::filesystem;

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
    EXPECT_EQ(test::ReadBytes(dir / "real" / "run.gpx"), "new");
    EXPECT_TRUE(fs::is_symlink(dir / "relative.gpx"));
    EXPECT_TRUE(fs::is_symlink(dir / "chain.gpx"));
    // A dangling link makes its target.
    fs::create_symlink("real/new.kml", dir / "dangling.kml");
    EXPECT_EQ(WriteFileAtomically(dir / "dangling.kml", "kml"), "");
    EXPECT_EQ(test::ReadBytes(dir / "real" / "new.kml"), "kml");
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
    EXPECT_EQ(test::ReadBytes(dir / "private.csv"), "new");
    EXPECT_EQ(ModeOf(dir / "private.csv"), 0600u);

    const mode_t old = umask(027);
    EXPECT_EQ(WriteFileAtomically(dir / "fresh.csv", "x"), "");
    umask(old);
    EXPECT_EQ(ModeOf(dir / "fresh.csv"), 0640u);
}

// A write killed half-way leaves nothing beside the old file; a name of 255 bytes can be
// written; what older killed writes left is removed once its writer is gone.
TEST_F(AtomicFileTest, NothingHalfWrittenOutlivesAKillAndLongNamesWork) {
    std::ofstream(dir / "runs.trk") << "old";
    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        AtomicFile f(dir / "runs.trk");
        if (!f.open()) _exit(1);
        f.write(std::string(1 << 20, 'x'));
        raise(SIGKILL);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFSIGNALED(status));
    EXPECT_EQ(test::ReadBytes(dir / "runs.trk"), "old");
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), {}), 1);

    const std::string longest = std::string(251, 'n') + ".gpx";
    EXPECT_EQ(WriteFileAtomically(dir / longest, "gpx"), "");
    EXPECT_EQ(test::ReadBytes(dir / longest), "gpx");

    // Left by killed writers: ours (a pid that has ended) go, a living writer's stays.
    pid_t gone = fork();
    if (gone == 0) _exit(0);
    waitpid(gone, nullptr, 0);
    const std::string dead = std::to_string(gone), alive = std::to_string(getpid());
    for (const std::string& name : {".dorvath-" + dead + "-3.tmp", "runs.trk." + dead + "-0.tmp",
                                    ".dorvath-" + alive + "-9.tmp", "notes.txt." + dead + "-1.tmp"})
        std::ofstream(dir / name) << "left";
    EXPECT_EQ(WriteFileAtomically(dir / "runs.trk", "new"), "");
    EXPECT_EQ(test::ReadBytes(dir / "runs.trk"), "new");
    EXPECT_FALSE(fs::exists(dir / (".dorvath-" + dead + "-3.tmp")));
    EXPECT_FALSE(fs::exists(dir / ("runs.trk." + dead + "-0.tmp")));
    EXPECT_TRUE(fs::exists(dir / (".dorvath-" + alive + "-9.tmp")));
    EXPECT_TRUE(fs::exists(dir / ("notes.txt." + dead + "-1.tmp")));  // another file's
}

}  // namespace
}  // namespace dorvath
