// `dorvath export gpx|kml|csv OBJID FILE`: one stored run as a GPX, KML or CSV file.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "app/commands.h"
#include "app/export/run_ids.h"
#include "data/track_database.h"
#include "export/csv_export.h"
#include "export/gpx_export.h"
#include "export/kml_export.h"

namespace dorvath {
namespace {

constexpr const char* kUsage = "export gpx|kml|csv OBJID FILE";

}  // namespace

int ExportCommand(Program& program, const std::vector<std::string>& args) {
    if (args.size() != 3 || (args[0] != "gpx" && args[0] != "kml" && args[0] != "csv")) {
        std::fprintf(stderr, "usage: dorvath %s\n", kUsage);
        return 2;
    }
    StartLogic(program);
    ExportRequest request;
    request.path = args[2];
    if (!FindRun(program.db, "export", args[1], request.track)) return 1;
    ExportResult r = args[0] == "gpx"   ? ExportGpx(request, program.db)
                     : args[0] == "kml" ? ExportKml(request, program.db)
                                        : ExportCsv(request, program.db);
    if (!r) {
        std::fprintf(stderr, "dorvath export: %s\n", r.reason.c_str());
        return 1;
    }
    return 0;
}

}  // namespace dorvath
