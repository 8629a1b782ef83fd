// The player's region after one box move, had without a flood where the move can change it only by
// the box's two cells: on random boards, every push and pull range of every box, the shifted region
// and its smallest cell must be exactly what a flood gives, and undoing the shift restores the region.
#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <vector>

#include "solver/primitives.h"
#include "solver/region_mark.h"

namespace {

struct Random {
    std::uint64_t state;
    int below(int n) {
        state = state * 6364136223846793005u + 1442695040888963407u;
        return static_cast<int>((state >> 33) % static_cast<std::uint64_t>(n));
    }
};

// Walls round the edge, then walls and boxes on random inner cells.
std::unique_ptr<cw::Level> randomBoard(Random& rng, cw::Board& board) {
    auto lv = std::make_unique<cw::Level>();
    const int w = 8 + rng.below(8), h = 7 + rng.below(7);
    lv->setGeometry(w, h);
    for (int y = 0; y < h; y++)
        for (int x = 0; x < w; x++) {
            const int c = y * w + x;
            const bool edge = x == 0 || y == 0 || x == w - 1 || y == h - 1;
            const int roll = rng.below(100);
            board[c] = edge || roll < 18 ? cw::Blocked : roll < 34 ? cw::BoxOn : cw::Free;
        }
    return lv;
}

TEST(RegionShift, MatchesAFloodAfterEveryPushAndPull) {
    Random rng{12345};
    auto scratch = std::make_unique<cw::RangeScratch>();
    std::vector<int> cells(cw::MaxRangeEntries), players(cw::MaxRangeEntries);
    cw::RegionMark region;
    cw::Board work{}, flood{};
    int shifted = 0, flooded = 0;
    for (int trial = 0; trial < 300; trial++) {
        cw::Board board{};
        const auto lv = randomBoard(rng, board);
        int player = -1;
        for (int tries = 0; tries < 50 && player < 0; tries++) {
            const int c = rng.below(lv->cellCount);
            if (board[c] == cw::Free) player = c;
        }
        if (player < 0) continue;
        const int lowest = region.fill(*lv, board.data(), player);
        for (int b = 0; b < lv->cellCount; b++) {
            if (board[b] != cw::BoxOn) continue;
            for (bool push : {true, false}) {
                const int count = push ? cw::pushRangeOn(*lv, board.data(), *scratch, b, player, cells.data(),
                                                         players.data())
                                       : cw::pullRange(*lv, board.data(), *scratch, b, player, cells.data(),
                                                       players.data());
                for (int l = 1; l < count; l++) {
                    const int u = cells[l];
                    work = board;
                    work[b] = cw::Free;
                    work[u] = cw::BoxOn;
                    const int p = region.shift(*lv, work.data(), b, u, lowest);
                    flood.fill(0);
                    const int expected = cw::reachFill(*lv, work.data(), flood.data(), players[l]);
                    if (p < 0) {
                        flooded++;
                        continue;
                    }
                    shifted++;
                    ASSERT_EQ(p, expected) << "trial " << trial << " box " << b << " to " << u;
                    for (int c = 0; c < lv->cellCount; c++)
                        ASSERT_EQ(region[c] != 0, flood[c] != 0) << "trial " << trial << " cell " << c;
                    region.unshift(b, u);
                }
            }
        }
        // The region is the one filled before the moves: every shift was undone.
        flood.fill(0);
        cw::reachFill(*lv, board.data(), flood.data(), player);
        for (int c = 0; c < lv->cellCount; c++) ASSERT_EQ(region[c] != 0, flood[c] != 0);
    }
    // Both ways were taken often: most moves keep the region, some join or cut it.
    EXPECT_GT(shifted, 1000);
    EXPECT_GT(flooded, 100);
}

} // namespace
