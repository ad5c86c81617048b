// `dorvath download`: copies the watch's new logs into velcan.db, printing each progress
// text on its own line.
#include <cstdio>

#include "app/commands.h"
#include "app/device/watch_cli.h"
#include "data/track_database.h"
#include "device/log_download.h"
#include "device/watch_finder.h"

namespace dorvath {
namespace {

int Download(const std::vector<std::string>& args) {
    if (!args.empty()) {
        std::fprintf(stderr, "usage: dorvath download\n");
        return 2;
    }
    StartLogic();
    std::string path = FindWatchPath(kWatchVendorId, kWatchProductId);
    if (path.empty()) {
        std::fprintf(stderr, "%s\n", WatchNotOpenedMessage().c_str());
        return 2;
    }
    DownloadOutcome out = RunDownload(path, TrackDatabase::instance(), [](std::string text) {
        std::printf("%s\n", text.c_str());
        std::fflush(stdout);
    });
    if (!out.error.empty()) std::fprintf(stderr, "%s\n", out.error.c_str());
    std::printf("stored %d, skipped %d\n", out.stats.stored, out.stats.skipped);
    return out.result == 1 ? 0 : 1;
}

CommandRegistrar reg("download", "download", Download);

}  // namespace
}  // namespace dorvath
