// `dorvath export gpx|kml|csv|tcx OBJID FILE`: one stored run as a GPX, KML, CSV or TCX file.
// `dorvath export FORMAT --all DIR` (or `--from YYYY-MM-DD --to YYYY-MM-DD DIR`): every run
// (of those days) into DIR, one file per run named by its start; files there are kept
// unless `--force`. `--utc-offset ±HH:MM` gives the zone of the TCX times.
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <optional>
#include <string>

#include "app/commands.h"
#include "app/export/run_ids.h"
#include "data/app_state.h"
#include "data/c_format.h"
#include "data/track_database.h"
#include "export/csv_export.h"
#include "export/gpx_export.h"
#include "export/kml_export.h"
#include "export/tcx_export.h"

namespace dorvath {
namespace {

constexpr const char* kUsage =
    "usage: dorvath export gpx|kml|csv|tcx OBJID FILE [--utc-offset +HH:MM]\n"
    "       dorvath export gpx|kml|csv|tcx --all | --from YYYY-MM-DD --to YYYY-MM-DD [--force] "
    "[--utc-offset +HH:MM] DIR\n";

struct ExportArgs {
    std::string format;
    std::vector<std::string> positional;
    bool all = false, force = false;
    std::optional<double> from, to;  // days, both or neither
    std::optional<int> utcOffset;
};

std::optional<ExportArgs> Parse(const std::vector<std::string>& args) {
    if (args.empty()) return std::nullopt;
    ExportArgs a;
    a.format = args[0];
    if (a.format != "gpx" && a.format != "kml" && a.format != "csv" && a.format != "tcx")
        return std::nullopt;
    for (size_t i = 1; i < args.size(); ++i) {
        const std::string& w = args[i];
        const bool hasValue = i + 1 < args.size();
        double day = 0;
        if (w == "--all") {
            a.all = true;
        } else if (w == "--force") {
            a.force = true;
        } else if ((w == "--from" || w == "--to") && hasValue && ParseDay(args[i + 1], day)) {
            (w == "--from" ? a.from : a.to) = day;
            ++i;
        } else if (w == "--utc-offset" && hasValue && a.format == "tcx") {
            a.utcOffset = ParseUtcOffset(args[++i]);
            if (!a.utcOffset) return std::nullopt;
        } else if (w.rfind("--", 0) == 0) {
            return std::nullopt;
        } else {
            a.positional.push_back(w);
        }
    }
    const bool many = a.all || a.from || a.to;
    if (a.from.has_value() != a.to.has_value() || (a.all && a.from)) return std::nullopt;
    if (a.positional.size() != (many ? 1u : 2u) || (!many && a.force)) return std::nullopt;
    return a;
}

ExportResult ExportOne(const ExportArgs& a, const ExportRequest& request, TrackDatabase& db,
                       int utcOffset) {
    if (a.format == "gpx") return ExportGpx(request, db);
    if (a.format == "kml") return ExportKml(request, db);
    if (a.format == "csv") return ExportCsv(request, db);
    return ExportTcx(request, db, utcOffset);
}

// "2026-12-07_0625": the run's start as stored.
std::string FileStem(const Track& run) {
    const DateTimeFields f = OleDateToFields(run.stime);
    return CFormat("%04d-%02d-%02d_%02d%02d", f.year, f.month, f.day, f.hour, f.minute);
}

int ExportMany(const ExportArgs& a, TrackDatabase& db, int utcOffset) {
    namespace fs = std::filesystem;
    const fs::path dir = a.positional[0];
    std::error_code ec;
    fs::create_directories(dir, ec);
    if (!fs::is_directory(dir, ec)) {
        std::fprintf(stderr, "dorvath export: %s is not a folder that can be written\n",
                     dir.c_str());
        return 1;
    }
    std::vector<Track> runs;
    DbQuery q = db.query("select * from TK order by stime, objid;");
    while (!q.atEnd()) {
        Track t;
        readTrack(q, t);
        const double day = RunDay(t.stime);
        if (a.all || (day >= *a.from && day <= *a.to)) runs.push_back(t);
    }
    std::map<std::string, int> stems;  // a second run in the same minute gets "_2"
    int wrote = 0, skipped = 0, failed = 0;
    for (size_t i = 0; i < runs.size(); ++i) {
        const std::string stem = FileStem(runs[i]);
        const int nth = ++stems[stem];
        const fs::path path =
            dir / (stem + (nth > 1 ? CFormat("_%d", nth) : std::string()) + "." + a.format);
        if (!a.force && fs::exists(fs::symlink_status(path, ec))) {
            ++skipped;
        } else if (const ExportResult r = ExportOne(a, {path, runs[i]}, db, utcOffset); r) {
            ++wrote;
        } else {
            ++failed;
            std::fprintf(stderr, "dorvath export: %s\n", r.reason.c_str());
        }
        if ((i + 1) % 100 == 0) {
            std::printf("exported %zu of %zu runs\n", i + 1, runs.size());
            std::fflush(stdout);
        }
    }
    std::printf("wrote %d, skipped %d\n", wrote, skipped);
    return failed > 0 ? 1 : 0;
}

}  // namespace

int ExportCommand(Program& program, const std::vector<std::string>& args) {
    const std::optional<ExportArgs> a = Parse(args);
    if (!a) {
        std::fputs(kUsage, stderr);
        return 2;
    }
    StartLogic(program);
    const int utcOffset = a->utcOffset.value_or(UtcOffsetMinutes(program.state.settings));
    if (a->positional.size() == 1) return ExportMany(*a, program.db, utcOffset);
    ExportRequest request;
    request.path = a->positional[1];
    if (!FindRun(program.db, "export", a->positional[0], request.track)) return 1;
    if (ExportResult r = ExportOne(*a, request, program.db, utcOffset); !r) {
        std::fprintf(stderr, "dorvath export: %s\n", r.reason.c_str());
        return 1;
    }
    return 0;
}

}  // namespace dorvath
