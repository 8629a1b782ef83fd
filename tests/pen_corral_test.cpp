// The main search's corral test on small positions: verdicts, the cache of verdicts and the budgets.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <vector>

#include "search/main/pen_corral.h"
#include "solver/primitives.h"
#include "tests/level_fixture.h"

namespace {

using cwtest::at;

// A corral test instance over a position drawn in rows; every free cell may hold a box as far as the
// push masks go, so only walls, boxes and goals decide. The table lives in a buffer of its own.
struct PenFixture : ::testing::Test {
    std::unique_ptr<cw::Level> lv;
    cw::RunControl control;
    std::vector<std::byte> table = std::vector<std::byte>(cw::PenTableSize * sizeof(cw::PenRecord));
    std::unique_ptr<cw::PenCorral> pen;
    cw::Board board{};
    cw::Board reach{};
    std::array<std::uint64_t, cw::MaxCells> mask{};
    std::array<int, cw::MaxBoxes> boxes{};
    int boxCount = 0;
    int player = 0;

    void setUp(std::initializer_list<const char*> rows, bool probeInstance = false) {
        lv = cwtest::levelFromRows(rows);
        std::fill(table.begin(), table.end(), std::byte{0});
        control.timeLimitSec = 600;
        control.startClock();
        boxCount = 0;
        for (int c = 0; c < lv->cellCount; c++) {
            board[c] = lv->baseBoard[c];
            mask[c] = board[c] == cw::Blocked ? 0 : 1;
            if (board[c] == cw::BoxOn) boxes[boxCount++] = c;
        }
        pen = std::make_unique<cw::PenCorral>(*lv, control, !probeInstance);
        pen->attach(table.data(), 0);
        pen->setCaller(board.data(), boxes.data(), &boxCount, mask.data());
        pen->clearTable();
        reach.fill(0);
        player = cw::reachFill(*lv, board.data(), reach.data(), lv->startPlayer);
    }
    int test(int row, int column) { return pen->penTest(at(*lv, row, column), player, reach.data()); }
};

TEST_F(PenFixture, AreaBorderedOnlyByBoxesOnGoalsIsNoDeadlock) {
    setUp({"#######", "# *@  #", "# *   #", "#.*   #", "#######"});
    EXPECT_EQ(test(2, 2), 0);
    EXPECT_EQ(pen->recordsMade(), 0);
}

TEST_F(PenFixture, PushThatCutsNoAreaOffCostsNoSearch) {
    setUp({"#######", "#  @  #", "# $$ .#", "#   ..#", "#######"});
    EXPECT_EQ(test(2, 3), 0);
    EXPECT_EQ(pen->penStamp, 0u);
    EXPECT_EQ(pen->recordsMade(), 0);
}

// The boxes walling off the left column can never open it: a deadlock. The verdict is kept on the
// record of the position under test, so the same position later is answered without a search.
TEST_F(PenFixture, DeadCorralIsAnsweredFromTheRootRecordNextTime) {
    setUp({"#######", "# $@  #", "# $ . #", "#.$.. #", "# .# *#", "#######"});
    ASSERT_EQ(test(2, 2), 1);
    const int made = pen->recordsMade();
    EXPECT_GE(made, 2);
    EXPECT_EQ(test(2, 2), 1);
    EXPECT_EQ(pen->recordsMade(), made);
}

// The first bordering box has only a push into a corner; the second box can open the area. A tried
// box that goes back on the board also goes back into the box list, or the second box's child is
// keyed with a box that is not there and the corral looks dead.
TEST_F(PenFixture, TriedBoxGoesBackIntoTheBoxListToo) {
    setUp({"#########", "#    #@ #", "#..#  $ #", "#  # .$.#", "##   .$ #", "#########"});
    EXPECT_EQ(test(2, 6), 0);
}

// Once a probe's tests have used up the record mark, no test makes records any more: the table can
// never fill with resolved records, whose probe would then find no free slot.
TEST_F(PenFixture, ProbeInstanceMakesNoRecordPastTheMark) {
    const std::initializer_list<const char*> dead = {"#######", "# $@  #", "# $ . #",
                                                     "#.$.. #", "# .# *#", "#######"};
    setUp(dead, true);
    ASSERT_EQ(test(2, 2), 1);
    setUp(dead, true);
    pen->penStamp = cw::PenMarkLimit + 5;
    EXPECT_EQ(test(2, 2), 0); // budget spent: no deadlock assumed
    EXPECT_EQ(pen->recordsMade(), 0);
}

} // namespace
