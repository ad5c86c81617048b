// A start that cannot work says why and exits 2; only another running copy is answered
// with a handover and exit 0.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>

#include "../data/temp_dir.h"
#include "app/single_instance.h"
#include "data/track_database.h"
#include "run_command.h"

namespace dorvath {
namespace {

using test::RunDorvath;
using test::StartDorvath;
using test::StartedDorvath;

TEST(StartFailure, AnUnusableDataFolderIsNamedWithTheReason) {
    test::TempDir dir;
    std::ofstream(dir / "afile") << "x";
    auto file = RunDorvath({"--serve", "--data-dir", (dir / "afile").string()});
    EXPECT_EQ(file.status, 2);
    EXPECT_NE(file.err.find((dir / "afile").string()), std::string::npos) << file.err;
    EXPECT_NE(file.err.find("not a folder"), std::string::npos) << file.err;

    // The lock cannot be taken for a reason other than another copy.
    std::filesystem::create_directory(dir / "data");
    std::filesystem::create_directory(dir / "data" / ".dorvath.lock");
    auto lock = RunDorvath({"--serve", "--data-dir", (dir / "data").string()});
    EXPECT_EQ(lock.status, 2);
    EXPECT_NE(lock.err.find("cannot use the data folder " + (dir / "data").string()),
              std::string::npos)
        << lock.err;
    EXPECT_EQ(lock.out, "");
}

TEST(StartFailure, AReadOnlyDataFolderIsNamedWithTheReason) {
    test::TempDir dir;
    ASSERT_EQ(chmod(dir.path().c_str(), 0555), 0);
    // Permissions bind a plain user only: as root the program runs as nobody.
    StartedDorvath c = StartDorvath({"--serve", "--data-dir", dir.path().string()}, true);
    const std::string text = c.read(false);
    const int status = c.wait();
    chmod(dir.path().c_str(), 0700);
    if (status >= 126) GTEST_SKIP() << "the program cannot run as another user here";
    EXPECT_EQ(status, 2);
    EXPECT_NE(text.find(dir.path().string()), std::string::npos) << text;
    EXPECT_NE(text.find("Permission denied"), std::string::npos) << text;
}

TEST(StartFailure, ADatabaseThatCannotBeOpenedIsNamedByTheApplicationAndTheCommands) {
    for (const char* start : {"--serve", "runs"}) {
        for (bool folder : {false, true}) {
            SCOPED_TRACE(std::string(start) +
                         (folder ? ", velcan.db a folder" : ", not a database"));
            test::TempDir dir;
            if (folder)
                std::filesystem::create_directory(dir / "velcan.db");
            else
                std::ofstream(dir / "velcan.db") << std::string(4096, 'x');
            auto r = RunDorvath({start, "--data-dir", dir.path().string()});
            EXPECT_EQ(r.status, std::string(start) == "runs" ? 1 : 2);
            EXPECT_NE(r.err.find("cannot open the database in " + dir.path().string() + ": "),
                      std::string::npos)
                << r.err;
            EXPECT_NE(r.err.find(folder ? "unable to open" : "not a database"), std::string::npos)
                << r.err;
        }
    }
}

// A first copy that holds the folder but does not answer: the second says so.
TEST(StartFailure, AFirstCopyThatDoesNotAnswerIsSaid) {
    test::TempDir dir;
    SingleInstance first(dir.path());
    ASSERT_EQ(first.acquire(), SingleInstance::Acquire::Acquired);  // and never listens
    auto second = RunDorvath({"--serve", "--data-dir", dir.path().string()});
    EXPECT_EQ(second.status, 2);
    EXPECT_NE(second.err.find("does not answer"), std::string::npos) << second.err;
}

TEST(StartFailure, ATileServerThatCannotBeUsedIsQuotedWithWhatIsWrong) {
    test::TempDir dir;
    for (const char* bad : {"file:///etc/passwd", "gopher://tiles.example/{z}/{x}/{y}",
                            "http://x/{z}", "", "http:///{z}/{x}/{y}", "http://{z}.evil/{x}/{y}"}) {
        auto r = RunDorvath({"--tile-server", bad, "--data-dir", dir.path().string(), "runs"});
        EXPECT_EQ(r.status, 2) << bad;
        EXPECT_EQ(r.err.rfind("dorvath: --tile-server '" + std::string(bad) + "': ", 0), 0u)
            << r.err;
        EXPECT_EQ(r.err.find("usage"), std::string::npos) << r.err;
    }
}

// Another program holding velcan.db: the command says it waits, and goes on once the file
// is free.
TEST(StartFailure, ALockedDatabaseIsWaitedForAndSaidSo) {
    test::TempDir dir;
    ASSERT_EQ(RunDorvath({"runs", "--data-dir", dir.path().string()}).status, 0);
    TrackDatabase holder;
    holder.open((dir / "velcan.db").string());
    holder.execute("begin exclusive transaction;");
    StartedDorvath c = StartDorvath({"runs", "--data-dir", dir.path().string()});
    const std::string text = c.read(true);
    EXPECT_NE(text.find("is in use by another program; waiting up to 60 s"), std::string::npos)
        << text;
    holder.execute("commit transaction;");
    EXPECT_EQ(c.wait(), 0);
}

}  // namespace
}  // namespace dorvath
