#pragma once
// Run ids and days given on the command line.
#include <string>

#include "data/track.h"
#include "data/track_database.h"

namespace dorvath {

// Looks the stored run up by its id; prints why not and returns false when the text is
// not an id or no run has it.
bool FindRun(TrackDatabase& db, const char* command, const std::string& text, Track& out);

// A date "YYYY-MM-DD" of the command line as the day at 00:00; false when it is none.
bool ParseDay(const std::string& text, double& day);

}  // namespace dorvath
