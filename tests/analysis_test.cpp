#include "solver/analysis.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "tests/level_fixture.h"

namespace {

using cw::Level;
using cw::SearchPosition;
using cwtest::at;
using cwtest::levelFromRows;

struct PreparedRun {
    std::unique_ptr<SearchPosition> pos = std::make_unique<SearchPosition>();
    std::unique_ptr<cw::RangeLists> scratch = std::make_unique<cw::RangeLists>();
    cw::Prepared result = cw::Prepared::Impossible;
};

// The driver's order: dead ends filled, then the position prepared from the level's own board.
PreparedRun prepareFromStart(Level& lv) {
    PreparedRun p;
    cw::fillDeadEnds(lv);
    p.result = cw::prepareSearch(lv, *p.pos, lv.baseBoard.data(), lv.startPlayer, *p.scratch);
    return p;
}

TEST(FillDeadEnds, WallsPocketsButKeepsGoalsPlayerAndCellsBesideBoxes) {
    auto lv = levelFromRows({"#########", "#@ $.   #", "### ### #", "### ### #", "### #####", "#########"});
    cw::fillDeadEnds(*lv);
    auto expected =
        levelFromRows({"#########", "#@ $.####", "#########", "#########", "#########", "#########"});
    EXPECT_EQ(lv->baseBoard, expected->baseBoard);
    // Nothing is left to fill, so a second run starts from the same board.
    const cw::Board once = lv->baseBoard;
    cw::fillDeadEnds(*lv);
    EXPECT_EQ(lv->baseBoard, once);
}

TEST(PrepareSearch, CornerBoxOffGoalIsImpossible) {
    auto lv = levelFromRows({"######", "#$   #", "#  . #", "#  @ #", "######"});
    EXPECT_EQ(prepareFromStart(*lv).result, cw::Prepared::Impossible);
}

TEST(PrepareSearch, CornerBoxOnGoalBecomesWall) {
    auto lv = levelFromRows({"#######", "#*    #", "#  $. #", "#  @  #", "#######"});
    const PreparedRun p = prepareFromStart(*lv);
    ASSERT_EQ(p.result, cw::Prepared::Ready);
    EXPECT_EQ(p.pos->boxCount, 1);
    EXPECT_EQ(p.pos->boxList[0], at(*lv, 2, 3));
    EXPECT_EQ(p.pos->goalList[0], at(*lv, 2, 4));
    EXPECT_EQ(p.pos->searchBoard[at(*lv, 1, 1)], 8);
    EXPECT_EQ(p.pos->searchBoard[at(*lv, 2, 3)], 2);
}

TEST(PrepareSearch, SolvedPositionDependsOnLevelStartsSolved) {
    auto lv = levelFromRows(
        {"#########", "#       #", "#       #", "#  *@*  #", "#       #", "#       #", "#########"});
    lv->levelStartsSolved = 0;
    const PreparedRun stage = prepareFromStart(*lv);
    EXPECT_EQ(stage.result, cw::Prepared::Solved);
    EXPECT_EQ(stage.pos->boxCount, 0);

    lv->levelStartsSolved = 1;
    const PreparedRun driver = prepareFromStart(*lv);
    EXPECT_EQ(driver.result, cw::Prepared::Ready);
    EXPECT_EQ(driver.pos->boxCount, 2);
}

struct DeadEndCase {
    const char* row;
    bool walled;
    int playerColumn;
};

TEST(PrepareSearch, PlayerLeavesOneCellDeadEndOnlyOntoFreeCell) {
    const std::vector<DeadEndCase> cases = {
        {"#@ $.#", true, 2},
        {"#@$ .#", false, 1},
    };
    for (const auto& tc : cases) {
        auto lv = levelFromRows({"######", tc.row, "######"});
        cw::RangeLists scratch;
        auto pos = std::make_unique<SearchPosition>();
        ASSERT_EQ(cw::prepareSearch(*lv, *pos, lv->baseBoard.data(), lv->startPlayer, scratch),
                  cw::Prepared::Ready)
            << tc.row;
        EXPECT_EQ(pos->searchBoard[at(*lv, 1, 1)], tc.walled ? 8 : 0) << tc.row;
        EXPECT_EQ(pos->searchPlayer, at(*lv, 1, tc.playerColumn)) << tc.row;
    }
}

// Three boxes, each able to reach only the goal below it.
TEST(PrepareSearch, ListsOrderedByDistanceAndMaskBitsFollowTheLists) {
    auto lv = levelFromRows({"#######", "#@    #", "# # # #", "#$#$#$#", "#.#.#.#", "#######"});
    const PreparedRun p = prepareFromStart(*lv);
    ASSERT_EQ(p.result, cw::Prepared::Ready);
    const SearchPosition& pos = *p.pos;
    ASSERT_EQ(pos.boxCount, 3);
    // The middle box and goal are closest to all the others.
    EXPECT_EQ(pos.boxList[0], at(*lv, 3, 3));
    EXPECT_EQ(pos.boxList[1], at(*lv, 3, 1));
    EXPECT_EQ(pos.boxList[2], at(*lv, 3, 5));
    EXPECT_EQ(pos.goalList[0], at(*lv, 4, 3));
    EXPECT_EQ(pos.goalList[1], at(*lv, 4, 1));
    EXPECT_EQ(pos.goalList[2], at(*lv, 4, 5));
    // The first goal is the highest bit, the last goal bit 0.
    EXPECT_EQ(pos.pushMask[at(*lv, 3, 3)], 4u);
    EXPECT_EQ(pos.pushMask[at(*lv, 3, 1)], 2u);
    EXPECT_EQ(pos.pushMask[at(*lv, 3, 5)], 1u);
    EXPECT_EQ(pos.pullMask[at(*lv, 4, 3)], 4u);
    EXPECT_EQ(pos.pullMask[at(*lv, 4, 1)], 2u);
    EXPECT_EQ(pos.pullMask[at(*lv, 4, 5)], 1u);
    // No box gets out of the top-left corner: both masks are cleared there together.
    EXPECT_EQ(pos.pushMask[at(*lv, 1, 1)], 0u);
    EXPECT_EQ(pos.pullMask[at(*lv, 1, 1)], 0u);
}

struct CorridorCase {
    const char* name;
    std::vector<const char*> rows;
    int firstRow;
    std::vector<int> codes; // down column 3 from firstRow
};

TEST(PrepareSearch, CorridorCodes) {
    const std::vector<CorridorCase> cases = {
        {"empty corridor of four",
         {"#######", "#@$.  #", "#     #", "### ###", "### ###", "### ###", "### ###", "#     #", "#     #",
          "#######"},
         3,
         {2, 2, 1, 2}},
        {"box in the top cell",
         {"#######", "#@$.  #", "#     #", "###$###", "### ###", "### ###", "### ###", "#  .  #", "#     #",
          "#######"},
         3,
         {1, 2, 2, 2}},
        {"single-cell door keeps its gate code",
         {"#######", "#@$.  #", "#     #", "### ###", "#     #", "#     #", "#######"},
         3,
         {1}},
    };
    for (const auto& tc : cases) {
        std::unique_ptr<Level> lv;
        if (tc.rows.size() == 10)
            lv = levelFromRows({tc.rows[0], tc.rows[1], tc.rows[2], tc.rows[3], tc.rows[4], tc.rows[5],
                                tc.rows[6], tc.rows[7], tc.rows[8], tc.rows[9]});
        else
            lv = levelFromRows(
                {tc.rows[0], tc.rows[1], tc.rows[2], tc.rows[3], tc.rows[4], tc.rows[5], tc.rows[6]});
        const PreparedRun p = prepareFromStart(*lv);
        ASSERT_EQ(p.result, cw::Prepared::Ready) << tc.name;
        std::vector<int> codes;
        for (int i = 0; i < static_cast<int>(tc.codes.size()); ++i)
            codes.push_back(p.pos->corridorCode[at(*lv, tc.firstRow + i, 3)]);
        EXPECT_EQ(codes, tc.codes) << tc.name;
        EXPECT_EQ(p.pos->corridorCode[at(*lv, 2, 1)], 0) << tc.name << ": room cell";
    }
}

TEST(ScanGoalRooms, OneFreeRegionIsTheRoomWithoutPullTest) {
    auto lv = levelFromRows({"######", "#@   #", "# $  #", "#   .#", "######"});
    const PreparedRun p = prepareFromStart(*lv);
    ASSERT_EQ(p.result, cw::Prepared::Ready);
    cw::GoalRooms rooms;
    cw::scanGoalRooms(*lv, *p.pos, rooms);
    EXPECT_EQ(rooms.goalRoomCount, 1);
    EXPECT_EQ(rooms.goalRoomCell[0], at(*lv, 1, 1));
    EXPECT_EQ(lv->goalRoomPacked, 0);
}

// The goal in the door splits the solved position into two regions; the player can pull the box
// away from either side, so both are rooms, the larger right one first.
TEST(ScanGoalRooms, TwoRoomsLargestFirst) {
    auto lv = levelFromRows({"#########", "#   #   #", "#  @.$  #", "#####   #", "#########"});
    const PreparedRun p = prepareFromStart(*lv);
    ASSERT_EQ(p.result, cw::Prepared::Ready);
    cw::GoalRooms rooms;
    cw::scanGoalRooms(*lv, *p.pos, rooms);
    ASSERT_EQ(rooms.goalRoomCount, 2);
    EXPECT_EQ(rooms.goalRoomCell[0], at(*lv, 1, 5));
    EXPECT_EQ(rooms.goalRoomCell[1], at(*lv, 1, 1));
}

} // namespace
