// `dorvath trk save FILE OBJID...` and `dorvath trk open FILE`: runs carried between data
// folders in a track file.
#include <cstdio>
#include <string>
#include <vector>

#include "app/commands.h"
#include "app/export/run_ids.h"
#include "export/track_file.h"

namespace dorvath {
namespace {

constexpr const char* kUsage = "trk save FILE OBJID... | trk open FILE";

int Save(Program& program, const std::vector<std::string>& args) {
    StartLogic(program);
    std::vector<Track> runs;
    for (size_t i = 2; i < args.size(); ++i)
        if (!FindRun(program.db, "trk save", args[i], runs.emplace_back())) return 1;
    SaveResult r = SaveTrackFile(args[1], runs, program.db);
    if (!r) {
        std::fprintf(stderr, "dorvath trk save: %s\n", r.reason.c_str());
        return 1;
    }
    std::printf("saved %d\n", r.runs);
    return 0;
}

int Open(Program& program, const std::vector<std::string>& args) {
    StartLogic(program);
    ImportResult r = OpenTrackFile(args[1], program.db);
    std::printf("imported %d\n", r.imported);
    if (!r.note.empty()) std::fprintf(stderr, "dorvath trk open: %s\n", r.note.c_str());
    if (!r.reason.empty())
        std::fprintf(stderr, "dorvath trk open: %s%s\n",
                     r.status == TrackImport::Status::Refused      ? "refused: "
                     : r.status == TrackImport::Status::EndedEarly ? "stopped early: "
                                                                   : "",
                     r.reason.c_str());
    return r.complete() ? 0 : 1;
}

}  // namespace

int TrackFileCommand(Program& program, const std::vector<std::string>& args) {
    if (args.size() >= 2 && args[0] == "save") return Save(program, args);
    if (args.size() == 2 && args[0] == "open") return Open(program, args);
    std::fprintf(stderr, "usage: dorvath %s\n", kUsage);
    return 2;
}

}  // namespace dorvath
