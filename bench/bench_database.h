#pragma once
// A velcan.db with its tables in a fresh temporary folder, removed with the folder.
#include <stdlib.h>

#include <filesystem>
#include <string>

#include "data/track_database.h"

namespace dorvath::bench {

struct BenchDatabase {
    std::filesystem::path dir;
    TrackDatabase db;

    BenchDatabase() {
        std::string tmpl =
            (std::filesystem::temp_directory_path() / "dorvath-bench-XXXXXX").string();
        dir = mkdtemp(tmpl.data());
        db.open((dir / "velcan.db").string());
        db.createTables();
    }
    ~BenchDatabase() {
        db.close();
        std::filesystem::remove_all(dir);
    }
};

}  // namespace dorvath::bench
