#pragma once
// Random levels that are solvable by construction: boxes start on the goals of a random small board
// and are pulled away by random pulls, so pushing them back along the same way solves the level.
#include <cstdint>
#include <random>
#include <string>

namespace cwtest {

struct RandomLevelOptions {
    int width = 9; // outer size, walls included
    int height = 8;
    int boxes = 3;
    int pulls = 40;      // random pulls tried from the solved position
    double floor = 0.62; // share of inner cells left free
};

// A solvable level of our own in the usual text format, never one that starts solved. The same
// seed gives the same level.
std::string randomSolvableLevel(std::uint64_t seed, const RandomLevelOptions& options = {});

} // namespace cwtest
