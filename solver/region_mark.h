#pragma once
// A mark array for the player's region that remembers the cells it marked, so that a fresh region
// costs what the last one covered instead of a pass over the whole board. After one box moved, the
// region can often be had without a flood at all (shift).
#include <array>

#include "solver/board.h"
#include "solver/flood.h"

namespace cw {

class RegionMark {
  public:
    // Unmarks the last regions and floods the one of `start` over the free cells of board. Returns
    // the smallest cell index of the region, the normalised player cell.
    int fill(const Level& lv, const int* board, int start) {
        clear();
        return add(lv, board, start);
    }
    // Adds the region of `start` to the marked ones (nothing when start is marked already).
    int add(const Level& lv, const int* board, int start) {
        if (mark_[start] != 0) return start;
        const int* off = lv.dirOffset.data();
        int lowest = start;
        mark_[start] = 1;
        count_ += breadthFirst(
            cells_.data() + count_, start,
            [board, off](int c, int d, int& n) {
                n = c + off[d];
                return board[n] == Free;
            },
            [&](int n, int) {
                if (mark_[n] != 0) return 0;
                mark_[n] = 1;
                if (n < lowest) lowest = n;
                return 1;
            });
        return lowest;
    }
    void clear() {
        for (int i = 0; i < count_; i++) mark_[cells_[i]] = 0;
        count_ = 0;
    }
    int operator[](int cell) const { return mark_[cell]; }
    const int* data() const { return mark_.data(); }

    // The marked region is the player's with a box on `from`; board now shows that box moved to `to`
    // by pushes or pulls of a player in the region, and `lowest` is the region's smallest cell. When
    // the move can neither join another area (every free neighbour of `from` is marked: the box
    // never left the region, and no way out of it opened) nor cut the region (`to` was in it, and
    // the free neighbours of `to` lie on one unbroken run of free cells round it), the new region is
    // the old one with `from` and without `to`: marks it so and returns its smallest cell.
    // Otherwise nothing changes and the answer is -1: flood instead. Undo with unshift() before the
    // next fill, add or clear.
    int shift(const Level& lv, const int* board, int from, int to, int lowest) {
        for (int d = 0; d < 4; d++) {
            const int n = from + lv.dirOffset[d];
            if (board[n] == Free && mark_[n] == 0) return -1;
        }
        // Back where it started, the box joined nothing: the player is in the old region.
        if (from == to) return lowest;
        if (mark_[to] == 0 || cuts(lv, board, to)) return -1;
        mark_[from] = 1;
        mark_[to] = 0;
        if (from < lowest) return from;
        if (to != lowest) return lowest;
        for (int c = to + 1; c < lv.cellCount; c++)
            if (mark_[c] != 0) return c;
        unshift(from, to); // an empty region: no player stands in it, so the caller floods
        return -1;
    }
    void unshift(int from, int to) {
        if (from == to) return;
        mark_[to] = 1;
        mark_[from] = 0;
    }

  private:
    // Whether a box on `cell` may split the free cells around it: its free side neighbours do not
    // all lie on one run of free cells of the eight round it (clockwise from north, sides even).
    static bool cuts(const Level& lv, const int* board, int cell) {
        std::array<bool, 8> free{};
        int sides = 0;
        for (int k = 0; k < 8; k++) {
            free[k] = board[cell + lv.ringOffset[k]] == Free;
            if (free[k] && k % 2 == 0) sides++;
        }
        if (sides <= 1) return false;
        // Start after a blocked cell, so every run is walked whole; with none blocked, none is cut.
        int start = 0;
        while (start < 8 && free[start]) start++;
        if (start == 8) return false;
        int runsWithSides = 0;
        bool inRun = false, runHasSide = false;
        for (int i = 1; i <= 8; i++) {
            const int k = (start + i) % 8;
            if (free[k]) {
                if (!inRun) runHasSide = false;
                inRun = true;
                if (k % 2 == 0) runHasSide = true;
            } else if (inRun) {
                inRun = false;
                if (runHasSide) runsWithSides++;
            }
        }
        return runsWithSides > 1;
    }

    Board mark_{};
    Board cells_{}; // the marked cells, in the order they were entered
    int count_ = 0;
};

} // namespace cw
