// The probe search on start positions: its verdict, and the positions it stores.
#include <gtest/gtest.h>

#include "tests/main_fixture.h"

namespace {

using cwtest::rows;

struct ProbeTest : cwtest::MainFixture {
    // Every stored position has its boxes that are not free on distinct cells that are not walls.
    void expectStoredPositionsSound() {
        for (std::uint32_t i = 0; i < cw::ProbeTableSize; i++) {
            const cw::OrderNode& node = main().probeSlot(i);
            if (node.player == 0) continue;
            cw::Board taken{};
            for (int j = 0; j < pos().boxCount; j++) {
                if (node.state[j] == cw::SlotParked) continue;
                const int c = node.cell[j];
                EXPECT_NE(pos().searchBoard[c], cw::Blocked) << "slot " << i << " box " << j;
                EXPECT_EQ(taken[c], 0) << "slot " << i << " box " << j << " shares its cell";
                taken[c] = 1;
            }
        }
    }
};

TEST_F(ProbeTest, LevelWhoseBoxesAreAllFreeIsAcceptedWithoutExpanding) {
    prepare(rows({"#########", "#       #", "# $   $ #", "#       #", "#  . .@ #", "#########"}));
    EXPECT_EQ(main().probeSearch(), cw::Step::Solved);
    EXPECT_EQ(main().orderNodeCount(), 0);
}

// Solvable levels whose boxes are not free at the start: the probe walks the moves of one box while
// evaluating each child fills the range lists again, so it must walk its own copy of the moves.
TEST_F(ProbeTest, SolvableTightLevelsLookSolvableAndStoreOnlySoundPositions) {
    for (const std::string& level : {
             rows({"######", "#.$ ##", "#  $ #", "#@   #", "#  . #", "# #  #", "######"}),
             rows({"#######", "#@ ## #", "# $   #", "#. $. #", "#######"}),
         }) {
        SCOPED_TRACE(level);
        prepare(level);
        EXPECT_EQ(main().probeSearch(), cw::Step::Solved);
        EXPECT_GT(main().orderNodeCount(), 0);
        expectStoredPositionsSound();
    }
}

} // namespace
