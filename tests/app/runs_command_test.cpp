#include <gtest/gtest.h>
#include <sys/stat.h>

#include "../data/temp_dir.h"
#include "data/track_database.h"
#include "run_command.h"

namespace dorvath {
namespace {

using test::RunDorvath;

TEST(StartCommand, EmptyFolderGetsTheDatabaseButNoSettingsFile) {
    test::TempDir dir;
    auto first = RunDorvath({"runs", "--data-dir", dir.path().string()});
    EXPECT_EQ(first.status, 0) << first.err;
    EXPECT_EQ(first.out, "");
    EXPECT_TRUE(std::filesystem::exists(dir / "velcan.db"));
    EXPECT_FALSE(std::filesystem::exists(dir / "setting.dat"));

    TrackDatabase db;
    db.open((dir / "velcan.db").string());
    EXPECT_EQ(db.queryInt("select count(*) from sqlite_master where type='table';"), 3);
    db.close();
    auto mtime = std::filesystem::last_write_time(dir / "velcan.db");
    auto again = RunDorvath({"runs", "--data-dir", dir.path().string()});
    EXPECT_EQ(again.status, 0);
    EXPECT_EQ(std::filesystem::last_write_time(dir / "velcan.db"), mtime);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1);
}

TEST(RunsCommand, ListsRunsInStartOrderWithRoundedTimes) {
    test::TempDir dir;
    {
        TrackDatabase db;
        db.open((dir / "velcan.db").string());
        db.createTables();
        Track late;
        late.stime = 42491.312523;  // 2016-05-01 07:30:01.987
        late.etime = late.stime + 3000 * kOneSecond;
        late.numofpt = 12;
        late.dist = 10234.56;
        late.elapsed = 3000;
        late.pace = 12.345;
        late.kcal = 640;
        db.insertTrack(late);
        Track early;
        early.stime = early.etime = 42491.25;
        db.insertTrack(early);
        Track other;
        other.stime = other.etime = 42492.5;
        db.insertTrack(other);
    }
    auto all = RunDorvath({"--data-dir", dir.path().string(), "runs"});
    ASSERT_EQ(all.status, 0) << all.err;
    EXPECT_EQ(all.out,
              "2\t2016-05-01 06:00:00\t2016-05-01 06:00:00\t0\t0.0\t0\t0.00\t0\n"
              "1\t2016-05-01 07:30:02\t2016-05-01 08:20:02\t12\t10234.6\t3000\t12.35\t640\n"
              "3\t2016-05-02 12:00:00\t2016-05-02 12:00:00\t0\t0.0\t0\t0.00\t0\n");
    auto day = RunDorvath({"runs", "--day", "2016-05-02", "--data-dir", dir.path().string()});
    EXPECT_EQ(day.out, "3\t2016-05-02 12:00:00\t2016-05-02 12:00:00\t0\t0.0\t0\t0.00\t0\n");
    EXPECT_EQ(RunDorvath({"runs", "--day", "2016-05-03", "--data-dir", dir.path().string()}).out,
              "");
    EXPECT_EQ(RunDorvath({"runs", "--day", "2016-02-30", "--data-dir", dir.path().string()}).status,
              2);
}

TEST(RunsCommand, DatabaseErrorGoesToStandardErrorWithStatus1) {
    test::TempDir dir;
    {
        FILE* f = std::fopen((dir / "velcan.db").c_str(), "w");
        std::fputs("this is not a database, just some text that fills the header page", f);
        std::fclose(f);
    }
    auto r = RunDorvath({"runs", "--data-dir", dir.path().string()});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "");
    // Where, then the library's own words for the code and the error as the wrapper raised it.
    EXPECT_EQ(r.err, "dorvath: cannot open the database in " + dir.path().string() +
                         ": file is not a database (UNKNOWN_ERROR[26]: )\n");
}

}  // namespace
}  // namespace dorvath
