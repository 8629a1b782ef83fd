#pragma once
// A mark array for the player's region that remembers the cells it marked, so that a fresh region
// costs what the last one covered instead of a pass over the whole board.
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

  private:
    Board mark_{};
    Board cells_{}; // the marked cells, in the order they were entered
    int count_ = 0;
};

} // namespace cw
