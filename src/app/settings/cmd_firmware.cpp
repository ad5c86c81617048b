// `dorvath firmware-version` and `dorvath firmware-update FILE`.
#include <unistd.h>

#include <cstdio>

#include "app/commands.h"
#include "app/device/watch_cli.h"
#include "settings/firmware_update.h"
#include "settings/settings_transfer.h"

namespace dorvath {
namespace {

// The block count on a terminal, rewritten in place; nothing when standard error is a
// file or a pipe, so scripts see only the messages.
class TerminalProgress : public LoadingIndicator {
  public:
    void start() override {}
    void progress(int done, int total) override {
        if (tty_) std::fprintf(stderr, "\rblock %d/%d", done, total);
    }
    void stop() override {
        if (tty_) std::fprintf(stderr, "\n");
    }

  private:
    const bool tty_ = isatty(STDERR_FILENO) == 1;
};

}  // namespace

int FirmwareVersionCommand(Program& program, const std::vector<std::string>& args) {
    if (!args.empty()) {
        std::fprintf(stderr, "usage: dorvath firmware-version\n");
        return 2;
    }
    StderrMessageSink sink;
    const Result<FirmwareVersion> r = ReadFirmwareVersion(program.watches, sink);
    if (!r) return sink.failureStatus();
    std::printf("%s\n", r.label.c_str());
    return 0;
}

int FirmwareUpdateCommand(Program& program, const std::vector<std::string>& args) {
    if (args.size() > 1) {
        std::fprintf(stderr, "usage: dorvath firmware-update FILE\n");
        return 2;
    }
    StderrMessageSink sink;
    TerminalProgress loading;
    std::vector<uint8_t> image;
    std::string path = args.empty() ? "" : args[0];
    const FirmwareOutcome r = UpdateFirmware(program.watches, path, image, sink, loading);
    // The page ends silently here; on the command line silence would read as success.
    if (r.end == FirmwareEnd::Unreadable)
        std::fprintf(stderr, "dorvath firmware-update: cannot read '%s'\n", path.c_str());
    return r ? 0 : sink.failureStatus();
}

}  // namespace dorvath
