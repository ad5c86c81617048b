#pragma once
// The checks the track-file fuzz target applies to each input, shared with the tests that
// replay its seeds.
#include <cstddef>
#include <cstdint>
#include <string>

namespace dorvath {

// Imports the bytes as a track file into a fresh in-memory database and returns what went
// wrong ("" when every check held).
std::string CheckTrackFileInput(const uint8_t* data, size_t size);

}  // namespace dorvath
