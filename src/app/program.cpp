// The program put together: the global options, the table of commands, and the order in
// which a start goes (data folder, database, simulated watch, the command).
#include <cstdio>
#include <cstring>
#include <string>

#include "app/commands.h"
#include "app/device/watch_cli.h"
#include "data/app_state.h"
#include "data/track_database.h"
#include "device/sim/simulated_watches.h"
#include "engine/tile_service.h"

namespace dorvath {
namespace {

struct Command {
    const char* name;  // "" is what runs without a command: the application itself
    const char* usage;
    CommandFn run;
};

// Every command of the program.
const Command kCommands[] = {
    {"", "", RunApplication},
    {"bests", "bests", BestsCommand},
    {"download", "download", DownloadCommand},
    {"erase", "erase", EraseCommand},
    {"export", "export gpx|kml|csv|tcx OBJID FILE | export FORMAT --all|--from D --to D DIR",
     ExportCommand},
    {"firmware-update", "firmware-update FILE", FirmwareUpdateCommand},
    {"firmware-version", "firmware-version", FirmwareVersionCommand},
    {"runs", "runs [--day YYYY-MM-DD]", ListRuns},
    {"splits", "splits OBJID", SplitsCommand},
    {"stats", "stats --by week|month|year", StatsCommand},
    {"trk", "trk save FILE OBJID... | trk open FILE", TrackFileCommand},
    {"watch-settings", "watch-settings read|send", WatchSettingsCommand},
};

const Command* FindCommand(const std::string& name) {
    for (const Command& c : kCommands)
        if (name == c.name) return &c;
    return nullptr;
}

void PrintCommands(std::FILE* out, const char* prefix) {
    for (const Command& c : kCommands)
        if (*c.name) std::fprintf(out, "  %s%s\n", prefix, c.usage);
}

void PrintUsage() {
    std::fprintf(stderr,
                 "usage: dorvath [--data-dir DIR] [--simulate-watch[=demo|FILE]] [--serve] "
                 "[--port N] [--tile-server URL] [--tile-cache-mb N] [COMMAND ...]\ncommands:\n");
    PrintCommands(stderr, "");
}

// Pulls the global options out of argv; returns false on a malformed one.
// A value that is plainly wrong also sets `problem` (then no usage text is needed).
bool ParseGlobal(int argc, char** argv, GlobalOptions& o, std::vector<std::string>& rest,
                 std::string& problem) {
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
            if (!v) return false;
            // A template the tiles can be made from: a web address with {z}, {x} and {y}.
            if (std::string why = TileTemplateProblem(*v); !why.empty()) {
                problem = "--tile-server '" + *v + "': " + why;
                return false;
            }
            o.tileServer = *v;
        } else if (is("--tile-cache-mb")) {
            auto v = value("--tile-cache-mb");
            char* end = nullptr;
            const long mb = v ? std::strtol(v->c_str(), &end, 10) : -1;
            if (!v || v->empty() || *end || mb < 1 || mb > 1000000) {
                problem = "--tile-cache-mb '" + v.value_or("") +
                          "': the size of the tile cache in MB, 1 or more";
                return false;
            }
            o.tileCacheMb = mb;
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
        "  --tile-cache-mb N         the most the map tile cache keeps (default 500)\n"
        "  --help, --version\n\ncommands:\n",
        ProgramFolders().data.c_str());
    PrintCommands(stdout, "dorvath ");
}

}  // namespace

void StartLogic(Program& program) {
    TrackDatabase& db = program.db;
    const std::filesystem::path file = program.folders.data / "velcan.db";
    try {
        db.open(file.string());
        bool had = db.tableExists("TK") && db.tableExists("TKPT") && db.tableExists("LAP");
        // Only a large database makes the user wait for its indexes; say why.
        if (had && db.indexesMissing() &&
            db.queryInt("select ifnull(max(rowid), 0) from TKPT;") > 200000) {
            std::fprintf(stderr, "dorvath: indexing the runs in %s (once; this may take a while)\n",
                         file.c_str());
            std::fflush(stderr);
        }
        db.createTables();
    } catch (const CppSQLite3Exception& e) {
        throw StartupError("cannot open the database in " + program.folders.data.string() + ": " +
                           DatabaseErrorText(e));
    }
    std::vector<std::string> repaired;
    (void)program.state.loadSettingsFile(&repaired);  // none: the defaults stay
    for (const std::string& line : repaired)
        std::fprintf(stderr, "dorvath: %s: %s\n", program.state.file("setting.dat").c_str(),
                     line.c_str());
}

int RunProgram(int argc, char** argv, const AppParts& parts) {
    GlobalOptions options;
    std::vector<std::string> args;
    std::string problem;
    if (!ParseGlobal(argc, argv, options, args, problem)) {
        if (problem.empty())
            PrintUsage();
        else
            std::fprintf(stderr, "dorvath: %s\n", problem.c_str());
        return 2;
    }
    if (!args.empty() && (args[0] == "--help" || args[0] == "-h")) {
        PrintHelp();
        return 0;
    }
    if (!args.empty() && args[0] == "--version") {
        std::printf("dorvath %s\n", DORVATH_APP_VERSION);
        return 0;
    }
    const AppFolders folders = ProgramFolders(options.dataDir);
    if (const Result<> made = PrepareDataDir(folders); !made) {
        std::fprintf(stderr, "dorvath: %s\n", made.reason.c_str());
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
    const Command* command = FindCommand(name);
    if (!command) {
        std::fprintf(stderr, "dorvath: unknown command '%s'\n", name.c_str());
        PrintUsage();
        return 2;
    }
    // Every command honours --simulate-watch, the application itself included: its pages
    // then find the simulated watch like a real one.
    HidWatchFinder hardware(folders.shipped / kUdevRuleName);
    SimulatedWatchFinder simulated(&hardware);
    if (!PrepareWatchSimulation(options, simulated)) return 2;  // it has said why
    WatchFinder& watches = options.simulate ? static_cast<WatchFinder&>(simulated) : hardware;
    // The program's one database and state: from here they are handed to whoever needs them.
    TrackDatabase db;
    AppState state(folders.data);
    Program program{options, folders, db, state, watches, parts};
    db.setBusyNotice([file = folders.data / "velcan.db"](int timeoutMs) {
        std::fprintf(stderr,
                     "dorvath: %s is in use by another program; waiting up to %d s for it\n",
                     file.c_str(), timeoutMs / 1000);
        std::fflush(stderr);
    });
    try {
        return command->run(program, args);
    } catch (const StartupError& e) {
        std::fprintf(stderr, "dorvath: %s\n", e.what());
        return 1;
    } catch (const CppSQLite3Exception& e) {
        std::fprintf(stderr, "%s\n", DatabaseErrorText(e).c_str());
        return 1;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "dorvath: %s\n", e.what());
        return 1;
    }
}

}  // namespace dorvath
