#pragma once
// The command line: the global options, what every command is given, and the commands.
// The table of commands and the order of start-up are in program.cpp.
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "app/app_window.h"
#include "engine/app_frame.h"

namespace dorvath {

struct AppFolders;
class AppState;
class TrackDatabase;
class WatchFinder;

struct GlobalOptions {
    std::string dataDir;                  // --data-dir DIR
    std::optional<std::string> simulate;  // --simulate-watch[=SCENARIO]; "demo" when bare
    std::optional<int> port;              // --port N
    bool serve = false;                   // --serve
    std::string tileServer;               // --tile-server URL ({z}, {x}, {y}); "" the default
    long tileCacheMb = 500;               // --tile-cache-mb N
};

struct Program;

// Creates the top window (loading page 201 and what it nests); it lives until the loop ends.
using FrameFactory = std::function<std::shared_ptr<void>(AppContext& ctx, Program& program)>;

// The parts the application is built from; main() chooses them.
struct AppParts {
    FrameFactory frame;  // the top window's pages; none: the frame page bare
    WindowParts window;  // the desktop window; none: browser mode only
    // More folders the server hands out by name (the end-to-end tests' pages).
    std::map<std::string, std::filesystem::path> folders;
};

// What a command works with: the program's one database, state and watch finder, made in
// program.cpp and handed down from there.
struct Program {
    const GlobalOptions& options;
    const AppFolders& folders;  // the data folder and the shipped one
    TrackDatabase& db;
    AppState& state;
    WatchFinder& watches;  // the hardware, or the simulated watch in front of it
    const AppParts& parts;
};

// args: what follows the command name, global options removed. Returns the exit status.
using CommandFn = int (*)(Program& program, const std::vector<std::string>& args);

// A start that cannot go on, with a reason that names the folder.
struct StartupError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// The logic side of start-up: the data folder's velcan.db opened with its tables, and
// setting.dat read into the state (a field out of range is said on stderr). Throws
// StartupError when the database cannot be opened.
void StartLogic(Program& program);

// The commands, each in its own cmd_*.cpp.
int RunApplication(Program& program, const std::vector<std::string>& args);  // no command
int ListRuns(Program& program, const std::vector<std::string>& args);
int StatsCommand(Program& program, const std::vector<std::string>& args);
int BestsCommand(Program& program, const std::vector<std::string>& args);
int SplitsCommand(Program& program, const std::vector<std::string>& args);
int DownloadCommand(Program& program, const std::vector<std::string>& args);
int EraseCommand(Program& program, const std::vector<std::string>& args);
int ExportCommand(Program& program, const std::vector<std::string>& args);
int TrackFileCommand(Program& program, const std::vector<std::string>& args);
int WatchSettingsCommand(Program& program, const std::vector<std::string>& args);
int FirmwareVersionCommand(Program& program, const std::vector<std::string>& args);
int FirmwareUpdateCommand(Program& program, const std::vector<std::string>& args);

// The best efforts of every run that has none yet (a database from before them), with a
// line on stderr per 100 runs.
void FillMissingBests(TrackDatabase& db);

// Runs the program with the given parts: options, data folder, start-up, one command.
int RunProgram(int argc, char** argv, const AppParts& parts);

// The parts the shipped program is made of.
std::shared_ptr<void> CreateUiFrame(AppContext& ctx, Program& program);
#ifdef DORVATH_HAVE_DESKTOP
WindowParts DesktopWindowParts();
#endif

}  // namespace dorvath
