#include <cstdio>
#include <cstring>
#include <map>
#include <string>

#include "app/commands.h"
#include "data/app_state.h"
#include "data/track_database.h"

namespace dorvath {
namespace {

struct Command {
    std::string usage;
    CommandFn fn;
    int priority = 0;
};

std::map<std::string, Command>& Registry() {
    static std::map<std::string, Command> r;
    return r;
}

std::vector<StartupHook>& StartupHooks() {
    static std::vector<StartupHook> h;
    return h;
}

GlobalOptions& MutableOptions() {
    static GlobalOptions o;
    return o;
}

void PrintCommands(std::FILE* out, const char* prefix) {
    for (const auto& [name, c] : Registry())
        if (!name.empty()) std::fprintf(out, "  %s%s\n", prefix, c.usage.c_str());
}

void PrintUsage() {
    std::fprintf(stderr,
                 "usage: dorvath [--data-dir DIR] [--simulate-watch[=demo|FILE]] [--serve] "
                 "[--port N] [--tile-server URL] [COMMAND ...]\ncommands:\n");
    PrintCommands(stderr, "");
}

// Pulls the global options out of argv; returns false on a malformed one.
bool ParseGlobal(int argc, char** argv, std::vector<std::string>& rest) {
    GlobalOptions& o = MutableOptions();
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        auto value = [&](const char* name) -> std::optional<std::string> {
            std::string n = name;
            if (a == n) {
                if (i + 1 >= argc) return std::nullopt;
                return std::string(argv[++i]);
            }
            return a.substr(n.size() + 1);
        };
        auto is = [&](const char* name) {
            size_t n = std::strlen(name);
            return a == name || (a.size() > n && a.compare(0, n, name) == 0 && a[n] == '=');
        };
        if (is("--data-dir")) {
            auto v = value("--data-dir");
            if (!v || v->empty()) return false;
            o.dataDir = *v;
        } else if (a == "--simulate-watch") {
            o.simulate = "demo";
        } else if (a.rfind("--simulate-watch=", 0) == 0) {
            o.simulate = a.substr(17);
        } else if (is("--port")) {
            auto v = value("--port");
            if (!v) return false;
            char* end = nullptr;
            long p = std::strtol(v->c_str(), &end, 10);
            if (v->empty() || *end || p < 0 || p > 65535) return false;
            o.port = static_cast<int>(p);
        } else if (a == "--serve") {
            o.serve = true;
        } else if (is("--tile-server")) {
            auto v = value("--tile-server");
            // A template the tiles can be made from: a web address with {z}, {x} and {y}.
            if (!v || (v->rfind("http://", 0) != 0 && v->rfind("https://", 0) != 0) ||
                v->find("{z}") == std::string::npos || v->find("{x}") == std::string::npos ||
                v->find("{y}") == std::string::npos)
                return false;
            o.tileServer = *v;
        } else {
            rest.push_back(a);
        }
    }
    return true;
}

// `dorvath --help`: on standard output, as asked for.
void PrintHelp() {
    std::printf(
        "usage: dorvath [OPTION ...] [COMMAND ...]\n"
        "Without a command: the application, in its own window, or in a browser when there\n"
        "is no display (or with --serve).\n\n"
        "options:\n"
        "  --data-dir DIR            keep velcan.db, setting.dat and log.xml in DIR\n"
        "                            (default: %s)\n"
        "  --simulate-watch[=demo|FILE]  add a simulated watch\n"
        "  --serve                   browser mode: print the address to open\n"
        "  --port N                  the port browser mode listens on\n"
        "  --tile-server URL         where map tiles come from ({z}, {x}, {y} in it)\n"
        "  --help, --version\n\ncommands:\n",
        ProgramFolders().data.c_str());
    PrintCommands(stdout, "dorvath ");
}

}  // namespace

const GlobalOptions& Options() { return MutableOptions(); }

CommandRegistrar::CommandRegistrar(const char* name, const char* usage, CommandFn fn,
                                   int priority) {
    auto& r = Registry();
    auto it = r.find(name);
    // A later, richer implementation of the same command (the application itself grows
    // from a summary into the window) wins by priority.
    if (it == r.end() || it->second.priority < priority) r[name] = Command{usage, fn, priority};
}

StartupHookRegistrar::StartupHookRegistrar(StartupHook hook) {
    StartupHooks().push_back(std::move(hook));
}

StartupResult StartLogic() {
    StartupResult res;
    TrackDatabase& db = TrackDatabase::instance();
    db.open(AppPath("velcan.db").string());
    bool had = db.tableExists("TK") && db.tableExists("TKPT") && db.tableExists("LAP");
    // Only a large database makes the user wait for its indexes; say why.
    if (had && db.indexesMissing() &&
        db.queryInt("select ifnull(max(rowid), 0) from TKPT;") > 200000) {
        std::fprintf(stderr, "dorvath: indexing the runs in %s (once; this may take a while)\n",
                     AppPath("velcan.db").c_str());
        std::fflush(stderr);
    }
    db.createTables();
    res.createdTables = !had;
    res.settingsRead = AppState::instance().loadSettingsFile();
    return res;
}

}  // namespace dorvath

int main(int argc, char** argv) {
    using namespace dorvath;
    std::vector<std::string> args;
    if (!ParseGlobal(argc, argv, args)) {
        PrintUsage();
        return 2;
    }
    if (!Options().dataDir.empty()) SetDataDir(Options().dataDir);
    if (!args.empty() && (args[0] == "--help" || args[0] == "-h")) {
        PrintHelp();
        return 0;
    }
    if (!args.empty() && args[0] == "--version") {
        std::printf("dorvath %s\n", DORVATH_APP_VERSION);
        return 0;
    }
    if (std::string err = PrepareDataDir(); !err.empty()) {
        std::fprintf(stderr, "dorvath: %s\n", err.c_str());
        return 2;
    }
    std::string name;
    if (!args.empty() && args[0].rfind("--", 0) != 0) {
        name = args[0];
        args.erase(args.begin());
    }
    if (name == "help" || name == "-h") {
        PrintUsage();
        return 0;
    }
    auto it = Registry().find(name);
    if (it == Registry().end()) {
        std::fprintf(stderr, "dorvath: unknown command '%s'\n", name.c_str());
        PrintUsage();
        return 2;
    }
    TrackDatabase::instance().setBusyNotice([](int timeoutMs) {
        std::fprintf(stderr,
                     "dorvath: %s is in use by another program; waiting up to %d s for it\n",
                     AppPath("velcan.db").c_str(), timeoutMs / 1000);
        std::fflush(stderr);
    });
    for (const StartupHook& hook : StartupHooks())
        if (!hook()) return 2;  // the hook has said why
    try {
        return it->second.fn(args);
    } catch (const CppSQLite3Exception& e) {
        std::fprintf(stderr, "%s\n", DatabaseErrorText(e).c_str());
        return 1;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "dorvath: %s\n", e.what());
        return 1;
    }
}
