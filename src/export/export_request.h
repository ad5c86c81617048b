#pragma once
// What an export is asked to do and what it reports back. The exports know nothing of
// dialogs: the caller chooses the path and the run and shows the result.
#include <filesystem>
#include <string>

#include "data/result.h"
#include "data/track.h"

namespace dorvath {

struct ExportRequest {
    std::filesystem::path path;
    Track track;  // its objid selects the points
};

using ExportResult = Result<>;

}  // namespace dorvath
