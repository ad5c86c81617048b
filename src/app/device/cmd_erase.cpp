// `dorvath erase`: erases every log on the watch (the stored runs stay).
#include <cstdio>

#include "app/commands.h"
#include "app/device/watch_cli.h"
#include "device/log_deletion.h"

namespace dorvath {

int EraseCommand(Program& program, const std::vector<std::string>& args) {
    if (!args.empty()) {
        std::fprintf(stderr, "usage: dorvath erase\n");
        return 2;
    }
    StderrMessageSink sink;
    return DeleteWatchLogs(program.watches, sink) ? 0 : sink.failureStatus();
}

}  // namespace dorvath
