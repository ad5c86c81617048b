#pragma once
// What an export is asked to do and what it reports back. The exports know nothing of
// dialogs: the caller chooses the path and the run and shows the result.
#include <filesystem>
#include <string>

#include "data/track.h"

namespace dorvath {

struct ExportRequest {
    std::filesystem::path path;
    Track track;  // its objid selects the points
};

struct ExportResult {
    bool ok = false;
    std::string message;  // why it failed; empty on success

    static ExportResult success() { return {true, {}}; }
    static ExportResult failure(std::string why) { return {false, std::move(why)}; }
    explicit operator bool() const { return ok; }
};

}  // namespace dorvath
