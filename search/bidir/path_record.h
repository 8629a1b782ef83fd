#pragma once
// The path record: the box moves of the main search's accepted placements, in order. The main
// search writes it; the bidirectional searches feed its positions in as forward roots and replay a
// prefix of it when a meeting starts from one of them.
#include <algorithm>
#include <array>
#include <cstdint>

namespace cw {

constexpr int MaxPath = 1000;

struct PathRecord {
    // Entry i turns the position after i moves into the one after i + 1: one box from pathFrom[i]
    // to pathTo[i] by one or more pushes, the player normalised to pathPlayer[i] afterwards.
    std::array<std::int16_t, MaxPath> pathFrom{};
    std::array<std::int16_t, MaxPath> pathTo{};
    std::array<std::int16_t, MaxPath> pathPlayer{};
    std::array<std::uint8_t, MaxPath> pathPlacementEnd{}; // 1 on the last move of a placement
    int pathLength = 0;   // moves made; counts on past MaxPath when moves were lost
    int pathOverflow = 0; // 1 once a move could not be recorded

    // Entries that hold a move. Only those may be read: the record is full from the first lost move
    // on, and no position after a lost move can be rebuilt from it.
    int recorded() const { return std::min(pathLength, MaxPath); }
};

} // namespace cw
