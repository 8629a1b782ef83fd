#pragma once
// The key of a position in every node table: a fixed random 64-bit value per cell for a box standing
// there, another for the normalised player cell and a third for a parked box of the goal-order
// search, combined by XOR. The order of the boxes does not matter, a box moved from one cell to
// another changes the key by two XORs, so a child's key comes from its parent's in constant time,
// and the fixed seed makes every run repeat. Cell 0 is a wall on every board: its values are 0, so a
// box entry of 0 (a box taken off the board) leaves the key alone.
#include <array>
#include <cstdint>

#include "solver/board.h"

namespace cw {

struct CellKeys {
    std::array<std::uint64_t, MaxCells> box{};
    std::array<std::uint64_t, MaxCells> player{};
    std::array<std::uint64_t, MaxCells> parked{};
};

// SplitMix64: every output bit depends on every seed bit, so the values spread over the whole key.
constexpr CellKeys makeCellKeys(std::uint64_t seed) {
    CellKeys keys;
    std::uint64_t state = seed;
    auto next = [&state] {
        state += 0x9E3779B97F4A7C15u;
        std::uint64_t z = state;
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9u;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBu;
        return z ^ (z >> 31);
    };
    for (int c = 1; c < MaxCells; c++) {
        keys.box[c] = next();
        keys.player[c] = next();
        keys.parked[c] = next();
    }
    return keys;
}

inline constexpr CellKeys PositionKeys = makeCellKeys(0x243F6A8885A308D3u);

inline std::uint64_t boxKey(int cell) {
    return PositionKeys.box[cell];
}
inline std::uint64_t playerKey(int cell) {
    return PositionKeys.player[cell];
}
inline std::uint64_t parkedKey(int cell) {
    return PositionKeys.parked[cell];
}

// The boxes' part of a key.
template <typename Cell> std::uint64_t boxesKey(const Cell* cells, int count) {
    std::uint64_t key = 0;
    for (int i = 0; i < count; i++) key ^= boxKey(cells[i]);
    return key;
}
// The boxes' part after one box moved from `from` to `to`.
inline std::uint64_t movedBoxKey(std::uint64_t boxes, int from, int to) {
    return boxes ^ boxKey(from) ^ boxKey(to);
}
// The whole key: the boxes' part with the normalised player cell.
inline std::uint64_t positionKey(std::uint64_t boxes, int player) {
    return boxes ^ playerKey(player);
}

} // namespace cw
