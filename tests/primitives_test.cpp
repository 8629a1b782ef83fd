#include "solver/primitives.h"

#include <gtest/gtest.h>

#include <vector>

#include "tests/level_fixture.h"

namespace {

using cw::Board;
using cw::Level;
using cwtest::at;
using cwtest::levelFromRows;

std::vector<int> firstEntries(const int* list, int count) {
    return std::vector<int>(list, list + count);
}

// The floods step by raw offsets, so every board handed to them keeps its edge cells blocked; a
// fixture that leaves one open is refused before any flood runs.
TEST(BoardEdges, AFixtureWithAnOpenEdgeIsRefused) {
    EXPECT_NO_THROW(cwtest::levelFromRows({"#####", "#@$.#", "#####"}));
    EXPECT_THROW(cwtest::levelFromRows({"#####", "#@$. ", "#####"}), std::logic_error);
    EXPECT_THROW(cwtest::levelFromRows({"## ##", "#@$.#", "#####"}), std::logic_error);
}

TEST(ReachFill, MarksRegionAndReturnsSmallestCell) {
    auto lv = levelFromRows({"######", "#    #", "# $  #", "######"});
    Board mark{};
    const int start = at(*lv, 2, 4);
    EXPECT_EQ(cw::reachFill(*lv, lv->baseBoard.data(), mark.data(), start), at(*lv, 1, 1));
    int marked = 0;
    for (int c = 0; c < lv->cellCount; ++c) marked += mark[c];
    EXPECT_EQ(marked, 7); // every floor cell but the box's
    EXPECT_EQ(mark[at(*lv, 2, 2)], 0);
    EXPECT_EQ(mark[at(*lv, 0, 0)], 0);
}

TEST(ReachFill, CellEnclosedByBoxesMarksOnlyItself) {
    auto lv = levelFromRows({"#####", "## ##", "# $ #", "#$ $#", "# $ #", "#####"});
    Board mark{};
    const int start = at(*lv, 3, 2);
    EXPECT_EQ(cw::reachFill(*lv, lv->baseBoard.data(), mark.data(), start), start);
    for (int c = 0; c < lv->cellCount; ++c) EXPECT_EQ(mark[c], c == start ? 1 : 0) << c;
}

TEST(ReachFill, AccumulatesRegionsWithoutClearing) {
    auto lv = levelFromRows({"#######", "#  #  #", "#######"});
    Board mark{};
    cw::reachFill(*lv, lv->baseBoard.data(), mark.data(), at(*lv, 1, 1));
    // The second flood returns its own smallest cell and leaves the first region marked.
    EXPECT_EQ(cw::reachFill(*lv, lv->baseBoard.data(), mark.data(), at(*lv, 1, 5)), at(*lv, 1, 4));
    for (int x : {1, 2, 4, 5}) EXPECT_EQ(mark[at(*lv, 1, x)], 1);
}

TEST(DistanceFill, StartIsOneBlockedAndUnreachableAreZero) {
    auto lv = levelFromRows({"########", "#  $ # #", "#     ##", "########"});
    Board dist;
    dist.fill(77);
    const int start = at(*lv, 1, 1);
    EXPECT_EQ(cw::distanceFill(*lv, lv->baseBoard.data(), dist.data(), start), 8);
    EXPECT_EQ(dist[start], 1);
    EXPECT_EQ(dist[at(*lv, 1, 2)], 2);
    EXPECT_EQ(dist[at(*lv, 2, 1)], 2);
    EXPECT_EQ(dist[at(*lv, 2, 3)], 4);
    EXPECT_EQ(dist[at(*lv, 1, 4)], 6); // around the box
    EXPECT_EQ(dist[at(*lv, 2, 5)], 6);
    EXPECT_EQ(dist[at(*lv, 1, 3)], 0); // the box
    EXPECT_EQ(dist[at(*lv, 1, 6)], 0); // floor the flood cannot reach
    EXPECT_EQ(dist[at(*lv, 0, 0)], 0); // a wall, cleared
}

TEST(LabelFill, WritesOnlyUnlabelledCellsOfTheRegion) {
    auto lv = levelFromRows({"######", "#  # #", "######"});
    Board label{};
    label[at(*lv, 1, 2)] = 5;
    cw::labelFill(*lv, lv->baseBoard.data(), label.data(), at(*lv, 1, 1), 3);
    EXPECT_EQ(label[at(*lv, 1, 1)], 3);
    EXPECT_EQ(label[at(*lv, 1, 2)], 5); // already labelled: kept, and the flood stops there
    EXPECT_EQ(label[at(*lv, 1, 4)], 0);
}

struct FreezeCase {
    const char* name;
    std::vector<const char*> rows;
    int y, x;
    int expected;
};

TEST(FreezeTest, Cases) {
    const std::vector<FreezeCase> cases = {
        {"corner off goal", {"#####", "#$  #", "#   #", "#####"}, 1, 1, 1},
        {"corner on goal", {"#####", "#*  #", "#   #", "#####"}, 1, 1, 2},
        {"pair on wall, right one off goal", {"######", "# *$ #", "#    #", "#    #", "######"}, 1, 2, 1},
        {"pair on wall, ask the off-goal box", {"######", "# *$ #", "#    #", "#    #", "######"}, 1, 3, 1},
        {"pair on wall, both on goals", {"######", "# ** #", "#    #", "#    #", "######"}, 1, 2, 2},
        {"free left and right, boxes above and below",
         {"#####", "# $ #", "# $ #", "# $ #", "#####"},
         2,
         2,
         0},
        {"against a wall but free along it", {"######", "#  $ #", "#    #", "######"}, 1, 3, 0},
    };
    for (const auto& tc : cases) {
        std::unique_ptr<Level> lv;
        switch (tc.rows.size()) {
        case 4:
            lv = levelFromRows({tc.rows[0], tc.rows[1], tc.rows[2], tc.rows[3]});
            break;
        default:
            lv = levelFromRows({tc.rows[0], tc.rows[1], tc.rows[2], tc.rows[3], tc.rows[4]});
            break;
        }
        Board board = lv->baseBoard;
        EXPECT_EQ(cw::freezeTest(*lv, board.data(), at(*lv, tc.y, tc.x)), tc.expected) << tc.name;
        EXPECT_EQ(board, lv->baseBoard) << tc.name << ": board restored";
    }
}

TEST(FreezeTestFlag, SetsFrozenOffGoalOnlyForBoxesOffGoals) {
    auto offGoal = levelFromRows({"######", "# *$ #", "#    #", "######"});
    cw::RangeLists ctx;
    Board board = offGoal->baseBoard;
    EXPECT_EQ(cw::freezeTestFlag(*offGoal, board.data(), at(*offGoal, 1, 2), ctx), 1);
    EXPECT_EQ(ctx.frozenOffGoal, 1);
    EXPECT_EQ(board, offGoal->baseBoard);

    auto onGoal = levelFromRows({"######", "# ** #", "#    #", "######"});
    ctx.frozenOffGoal = 0;
    board = onGoal->baseBoard;
    EXPECT_EQ(cw::freezeTestFlag(*onGoal, board.data(), at(*onGoal, 1, 2), ctx), 1);
    EXPECT_EQ(ctx.frozenOffGoal, 0);

    auto free = levelFromRows({"######", "#    #", "# $  #", "#    #", "######"});
    board = free->baseBoard;
    EXPECT_EQ(cw::freezeTestFlag(*free, board.data(), at(*free, 2, 2), ctx), 0);
    EXPECT_EQ(ctx.frozenOffGoal, 0);
}

// The side map a range search left in its scratch, as one board.
Board sideMap(const cw::RangeScratch& scratch, const cw::Level& lv) {
    Board map{};
    for (int c = 0; c < lv.cellCount; ++c) map[c] = scratch.sidesAt(c);
    return map;
}

// Player shut away from the box by a second box: no range routine finds a start side.
TEST(Ranges, PlayerTouchingNoSideGivesNothing) {
    auto lv = levelFromRows({"#######", "#@$   #", "#######"});
    Board board = lv->baseBoard;
    const int box = at(*lv, 1, 4);
    board[box] = 2;
    const int player = at(*lv, 1, 1);
    cw::RangeScratch scratch;
    std::vector<int> cells(cw::MaxRangeEntries), players(cw::MaxRangeEntries);
    cw::RangeLists lists;
    EXPECT_EQ(cw::pushRange(*lv, board.data(), scratch, box, player, cells.data(), players.data()), 0);
    EXPECT_EQ(cw::pushRangeOn(*lv, board.data(), scratch, box, player, cells.data(), players.data()), 0);
    EXPECT_EQ(cw::pullRange(*lv, board.data(), scratch, box, player, cells.data(), players.data()), 0);
    EXPECT_EQ(cw::pullRangeCount(*lv, board.data(), scratch, box, player), 0);
    EXPECT_EQ(cw::pullRangeList(*lv, board.data(), box, player, lists), 1);
    EXPECT_EQ(lists.rangeCell[0], box);
    EXPECT_EQ(lists.rangePlayer[0], player);
    EXPECT_EQ(cw::pushRangeList(*lv, board.data(), box, player, lists), 1);
    EXPECT_EQ(lists.rangeCount, 1);
    EXPECT_EQ(lists.rangeSides[0], 0);
    EXPECT_EQ(board[box], 2);
    EXPECT_EQ(sideMap(scratch, *lv), Board{});
}

// A box in the middle of a 3 x 3 room, player in the lower right corner. The order follows the
// breadth-first search with side bits tried up, right, down, left.
TEST(Ranges, PushRangeListOrderInSmallRoom) {
    auto lv = levelFromRows({"#####", "#   #", "# $ #", "#  @#", "#####"});
    Board board = lv->baseBoard;
    const int box = 12;
    const int player = 18;
    cw::RangeLists lists;
    ASSERT_EQ(cw::pushRangeList(*lv, board.data(), box, player, lists), 9);
    EXPECT_EQ(firstEntries(lists.rangeCell.data(), 9), (std::vector<int>{12, 17, 11, 7, 13, 16, 18, 6, 8}));
    EXPECT_EQ(firstEntries(lists.rangeSides.data(), 9), (std::vector<int>{15, 11, 7, 14, 13, 3, 9, 6, 12}));
    EXPECT_EQ(firstEntries(lists.rangePlayer.data(), 9), (std::vector<int>{6, 6, 6, 6, 6, 6, 6, 7, 6}));
    EXPECT_EQ(lists.rangePushDirs, 15);
    const Board sides = sideMap(lists.scratch, *lv);
    for (int i = 0; i < 9; ++i) EXPECT_EQ(sides[lists.rangeCell[i]], lists.rangeSides[i]) << i;
    EXPECT_EQ(board[box], 2);

    std::vector<int> cells(cw::MaxRangeEntries), players(cw::MaxRangeEntries);
    cw::RangeScratch on;
    ASSERT_EQ(cw::pushRangeOn(*lv, board.data(), on, box, player, cells.data(), players.data()), 9);
    EXPECT_EQ(firstEntries(cells.data(), 9), firstEntries(lists.rangeCell.data(), 9));
    // The player stands where the box stood before its last push.
    EXPECT_EQ(firstEntries(players.data(), 9), (std::vector<int>{18, 12, 12, 12, 12, 17, 17, 11, 7}));
    EXPECT_EQ(sideMap(on, *lv), sides);
}

TEST(Ranges, PullRangesFromCorner) {
    auto lv = levelFromRows({"#####", "#$  #", "#   #", "#  @#", "#####"});
    Board board = lv->baseBoard;
    const int box = 6;
    const int player = 18;
    std::vector<int> cells(cw::MaxRangeEntries), players(cw::MaxRangeEntries);
    cw::RangeScratch scratch;
    ASSERT_EQ(cw::pullRange(*lv, board.data(), scratch, box, player, cells.data(), players.data()), 4);
    EXPECT_EQ(firstEntries(cells.data(), 4), (std::vector<int>{6, 7, 11, 12}));
    EXPECT_EQ(firstEntries(players.data(), 4), (std::vector<int>{18, 8, 16, 17}));
    const Board sides = sideMap(scratch, *lv);
    EXPECT_EQ(sides[6], 6);
    EXPECT_EQ(sides[7], 14);
    EXPECT_EQ(sides[11], 7);
    EXPECT_EQ(sides[12], 15);

    cw::RangeScratch count;
    EXPECT_EQ(cw::pullRangeCount(*lv, board.data(), count, box, player), 4);
    EXPECT_EQ(sideMap(count, *lv), sides);

    cw::RangeLists lists;
    ASSERT_EQ(cw::pullRangeList(*lv, board.data(), box, player, lists), 4);
    EXPECT_EQ(firstEntries(lists.rangePlayer.data(), 4), (std::vector<int>{7, 6, 6, 6}));
    EXPECT_EQ(firstEntries(lists.rangeSides.data(), 4), (std::vector<int>{6, 14, 7, 15}));
    EXPECT_EQ(sideMap(lists.scratch, *lv), sides);
}

// The scratch is kept from call to call and cleared by none: a call after other calls on other
// boxes and boards finds exactly what it finds with a fresh scratch.
TEST(Ranges, ReusedScratchGivesWhatAFreshOneGives) {
    auto lv = levelFromRows({"#######", "#     #", "# $ $ #", "#  $  #", "#    @#", "#######"});
    Board board = lv->baseBoard;
    const int player = at(*lv, 4, 5);
    std::vector<int> cells(cw::MaxRangeEntries), players(cw::MaxRangeEntries);
    std::vector<int> freshCells(cw::MaxRangeEntries), freshPlayers(cw::MaxRangeEntries);
    cw::RangeScratch reused;
    for (int round = 0; round < 3; ++round)
        for (int box : {at(*lv, 2, 2), at(*lv, 2, 4), at(*lv, 3, 3)}) {
            const bool pull = (round + box) % 2 == 0;
            auto range = pull ? cw::pullRange : cw::pushRangeOn;
            cw::RangeScratch fresh;
            const int n = range(*lv, board.data(), reused, box, player, cells.data(), players.data());
            const int m =
                range(*lv, board.data(), fresh, box, player, freshCells.data(), freshPlayers.data());
            ASSERT_EQ(n, m) << box;
            EXPECT_EQ(firstEntries(cells.data(), n), firstEntries(freshCells.data(), m)) << box;
            EXPECT_EQ(firstEntries(players.data(), n), firstEntries(freshPlayers.data(), m)) << box;
            EXPECT_EQ(sideMap(reused, *lv), sideMap(fresh, *lv)) << box;
        }
}

// A box pushed down and back up again: pushRange lists its start cell a second time,
// pushRangeOn does not, because it records the start's sides.
TEST(Ranges, PushRangeListsReturnToStart) {
    auto lv = levelFromRows({"#####", "#   #", "# $ #", "#   #", "#  @#", "#####"});
    Board board = lv->baseBoard;
    const int box = at(*lv, 2, 2);
    const int player = at(*lv, 4, 3);
    std::vector<int> cells(cw::MaxRangeEntries), players(cw::MaxRangeEntries);
    cw::RangeScratch scratch;
    const int plain = cw::pushRange(*lv, board.data(), scratch, box, player, cells.data(), players.data());
    int repeats = 0;
    for (int i = 1; i < plain; ++i) repeats += cells[i] == box ? 1 : 0;
    EXPECT_GT(repeats, 0);
    const int on = cw::pushRangeOn(*lv, board.data(), scratch, box, player, cells.data(), players.data());
    repeats = 0;
    for (int i = 1; i < on; ++i) repeats += cells[i] == box ? 1 : 0;
    EXPECT_EQ(repeats, 0);
    EXPECT_GT(plain, on);
}

using Matrix = std::vector<int>;

Matrix matrixOf(std::initializer_list<std::initializer_list<int>> rows) {
    Matrix m(64 * 64, 0);
    int r = 0;
    for (const auto& row : rows) {
        int k = 0;
        for (int v : row) m[r * 64 + k++] = v;
        ++r;
    }
    return m;
}

struct MatchCase {
    const char* name;
    Matrix matrix;
    int n;
    int expected;
};

TEST(MatchFeasible, Cases) {
    const std::vector<MatchCase> cases = {
        {"identity", matrixOf({{1, 0, 0}, {0, 1, 0}, {0, 0, 1}}), 3, 1},
        {"two rows with the same single column", matrixOf({{0, 1, 0}, {0, 1, 0}, {1, 1, 1}}), 3, 0},
        {"a row of zeros", matrixOf({{1, 1, 0}, {0, 0, 0}, {1, 1, 1}}), 3, 0},
        {"three rows sharing two columns", matrixOf({{1, 1, 0, 0}, {1, 1, 0, 0}, {1, 1, 0, 0}, {1, 1, 1, 1}}),
         4, 0},
        {"full matrix", matrixOf({{1, 1, 1}, {1, 1, 1}, {1, 1, 1}}), 3, 1},
    };
    for (auto tc : cases) {
        EXPECT_EQ(cw::matchFeasible(tc.matrix.data(), tc.n, 1), tc.expected) << tc.name;
        EXPECT_EQ(cw::matchFeasible(tc.matrix.data(), tc.n, 0), tc.expected) << tc.name;
    }
}

TEST(MatchFeasible, ClosedRowGroupPrunesItsColumnsOnlyWhenAsked) {
    const Matrix start = matrixOf({{1, 0, 0, 0}, {1, 1, 1, 1}, {1, 1, 1, 1}, {1, 1, 1, 1}});
    Matrix kept = start;
    EXPECT_EQ(cw::matchFeasible(kept.data(), 4, 0), 1);
    EXPECT_EQ(kept, start);
    Matrix pruned = start;
    EXPECT_EQ(cw::matchFeasible(pruned.data(), 4, 1), 1);
    for (int r = 1; r < 4; ++r) EXPECT_EQ(pruned[r * 64 + 0], 0) << r;
    EXPECT_EQ(pruned[0], 1);
    EXPECT_EQ(pruned[1 * 64 + 1], 1);
}

TEST(MatchFeasible, ClosedColumnGroupPrunesItsRow) {
    const Matrix start = matrixOf({{1, 1, 1, 1}, {0, 1, 1, 1}, {0, 1, 1, 1}, {0, 1, 1, 1}});
    Matrix pruned = start;
    EXPECT_EQ(cw::matchFeasible(pruned.data(), 4, 1), 1);
    EXPECT_EQ(pruned[0], 1);
    for (int k = 1; k < 4; ++k) EXPECT_EQ(pruned[k], 0) << k;
    Matrix kept = start;
    EXPECT_EQ(cw::matchFeasible(kept.data(), 4, 0), 1);
    EXPECT_EQ(kept, start);
}

TEST(MaskMatchFeasible, ReadsBitKOfEachBoxCell) {
    auto lv = levelFromRows({"#####", "#   #", "#####"});
    std::array<std::uint32_t, cw::MaxCells> masks{};
    const int boxes[3] = {6, 7, 8};
    masks[6] = 0b001;
    masks[7] = 0b010;
    masks[8] = 0b100;
    EXPECT_EQ(cw::maskMatchFeasible(*lv, masks.data(), boxes, 3), 1);
    masks[8] = 0b010; // two boxes that can only reach the same goal
    EXPECT_EQ(cw::maskMatchFeasible(*lv, masks.data(), boxes, 3), 0);
    masks[8] = 0b111;
    masks[7] = 0;
    EXPECT_EQ(cw::maskMatchFeasible(*lv, masks.data(), boxes, 3), 0);
}

struct DeadlockCase {
    const char* name;
    const char* row;
    int cell;
    int player;
    int corridor;
    int expected;
};

// One row between walls; the pushed box is at column `cell`, the player right of it.
TEST(PushDeadlockTest, Cases) {
    const std::vector<DeadlockCase> cases = {
        {"box can still move", "#  $@  #", 3, 4, 1, 0},
        {"frozen against a box off a goal", "#.*$@  #", 2, 4, 1, 1},
        {"frozen on goals, not a corridor cell", "#.**@$ #", 3, 4, 0, 0},
        {"frozen on goals, cuts the last goal off", "#.**@$ #", 3, 4, 1, 1},
        {"frozen on goals, others still matched", "# **@$.#", 3, 4, 1, 0},
    };
    for (const auto& tc : cases) {
        auto lv = levelFromRows({"########", tc.row, "########"});
        Board board = lv->baseBoard;
        Board corridor{};
        const int cell = at(*lv, 1, tc.cell);
        corridor[cell] = tc.corridor;
        cw::RangeLists ctx;
        EXPECT_EQ(
            cw::pushDeadlockTest(*lv, board.data(), corridor.data(), cell, at(*lv, 1, tc.player), ctx) != 0,
            tc.expected != 0)
            << tc.name;
        EXPECT_EQ(board, lv->baseBoard) << tc.name;
    }
}

} // namespace
