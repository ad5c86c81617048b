#pragma once
// A test with a database of its own: velcan.db with its tables in a fresh folder.
#include <gtest/gtest.h>

#include "data/temp_dir.h"
#include "data/track_database.h"

namespace dorvath::test {

class WithDatabase : public ::testing::Test {
  protected:
    void SetUp() override {
        db.open((dir / "velcan.db").string());
        db.createTables();
    }
    int count(const char* table) {
        return db.queryInt(std::string("select count(*) from ") + table + ";");
    }

    TempDir dir;
    TrackDatabase db;
};

}  // namespace dorvath::test
