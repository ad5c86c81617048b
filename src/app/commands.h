#pragma once
// Command-line commands. Each command lives in its own cmd_*.cpp and registers itself
// with a static CommandRegistrar; main() strips the global options and dispatches.
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace dorvath {

struct GlobalOptions {
    std::string dataDir;                  // --data-dir DIR
    std::optional<std::string> simulate;  // --simulate-watch[=SCENARIO]; "demo" when bare
    std::optional<int> port;              // --port N
    bool serve = false;                   // --serve
    std::string tileServer;               // --tile-server URL ({z}, {x}, {y}); "" the default
};

const GlobalOptions& Options();

// args: what follows the command name, global options removed. Returns the exit status.
using CommandFn = std::function<int(const std::vector<std::string>& args)>;

struct CommandRegistrar {
    // name "" is what runs without a command: the application itself.
    CommandRegistrar(const char* name, const char* usage, CommandFn fn, int priority = 0);
};

// The logic side of start-up: the data folder's velcan.db opened with its tables, and
// setting.dat read into AppState. Throws CppSQLite3Exception.
struct StartupResult {
    bool createdTables = false;
    bool settingsRead = false;
};
StartupResult StartLogic();

// Start-up steps of the parts that are built (the simulated watch, for one): main() runs
// each once, after the global options and before any command. A hook that returns false
// has told the user why; the program then exits with status 2.
using StartupHook = std::function<bool()>;
struct StartupHookRegistrar {
    explicit StartupHookRegistrar(StartupHook hook);
};

}  // namespace dorvath
