// libFuzzer target for the track-file reader: any bytes must give a result, never a
// crash, and the database must hold only whole runs afterwards.
#include <cstdio>
#include <cstdlib>

#include "track_file_input.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string problem = dorvath::CheckTrackFileInput(data, size);
    if (!problem.empty()) {
        std::fprintf(stderr, "track file check failed: %s\n", problem.c_str());
        std::abort();
    }
    return 0;
}
