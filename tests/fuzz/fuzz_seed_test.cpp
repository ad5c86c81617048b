// Every seed and finding kept for the fuzz targets, run through the same checks as the
// targets apply, so a regression shows up with the unit tests and not only when fuzzing.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

#include "track_file_input.h"
#include "watch_reply_input.h"

namespace dorvath {
namespace {

namespace fs = std::filesystem;

std::vector<uint8_t> ReadBytes(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

template <typename Check>
void ReplaySeeds(const std::string& target, Check check) {
    const fs::path dir = fs::path(DORVATH_SOURCE_DIR) / "fuzz" / "seeds" / target;
    int seeds = 0;
    for (const auto& e : fs::directory_iterator(dir)) {
        const std::vector<uint8_t> bytes = ReadBytes(e.path());
        EXPECT_EQ(check(bytes.data(), bytes.size()), "") << e.path().filename();
        ++seeds;
    }
    EXPECT_GT(seeds, 0) << dir;
}

TEST(FuzzSeeds, TrackFileSeedsPassTheirChecks) { ReplaySeeds("track_file", CheckTrackFileInput); }

TEST(FuzzSeeds, WatchReplySeedsPassTheirChecks) {
    ReplaySeeds("watch_reply", CheckWatchReplyInput);
}

}  // namespace
}  // namespace dorvath
