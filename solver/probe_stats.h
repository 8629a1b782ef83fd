#pragma once
// What the probes of one node table cost: plain counters of the searching thread, read by benches
// and tests once the search has stopped. A probe is one slot or index entry looked at.
#include <algorithm>
#include <cstdint>

namespace cw {

struct ProbeStats {
    std::uint64_t finds = 0;   // looks for a position, found or not
    std::uint64_t probes = 0;  // slots looked at by all of them
    std::uint64_t lines = 0;   // cache lines read by all of them
    std::uint32_t largest = 0; // slots looked at by the longest
    std::uint64_t stored = 0;  // positions stored new

    void count(std::uint32_t slotCount, std::uint32_t cacheLines) {
        finds++;
        probes += slotCount;
        lines += cacheLines;
        largest = std::max(largest, slotCount);
    }
    void reset() { *this = ProbeStats{}; }
    double meanProbes() const { return finds == 0 ? 0.0 : static_cast<double>(probes) / finds; }
    double meanLines() const { return finds == 0 ? 0.0 : static_cast<double>(lines) / finds; }
};

} // namespace cw
