// libFuzzer target: the watch's side of the download, settings and firmware exchanges is
// played from the input; any check that fails is a finding.
#include <cstdio>
#include <cstdlib>

#include "watch_reply_input.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string problem = dorvath::CheckWatchReplyInput(data, size);
    if (!problem.empty()) {
        std::fprintf(stderr, "watch reply check failed: %s\n", problem.c_str());
        std::abort();
    }
    return 0;
}
