// The packing-order solver of thread two: its plan search, stage searches and tail, and thread
// two's choice between it and the bidirectional solver.
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "engine/engine.h"
#include "probes/engine_probe.h"
#include "search/two/two_solver.h"
#include "tests/test_levels.h"

namespace {

using cwtest::rows;
using Step = cw::TwoSolver::Step;

// One goal room on the upper left whose five goals the boxes from the room below must enter through
// a single corridor, in an order: the last ones are pushed into place from inside the room.
const std::vector<const char*> PackedRoom = {
    "############", //
    "######     #", //
    "###. .     #", //
    "###...     #", //
    "#### #######", //
    "#   $  $   #", //
    "#  $ $  $  #", //
    "#       @  #", //
    "############",
};

// The same room; the player starts in a notch the analysis walls, moving him out below it.
const std::vector<const char*> NotchStart = {
    "############", //
    "######     #", //
    "###. .     #", //
    "###...     #", //
    "#@## #######", //
    "#   $  $   #", //
    "#  $ $  $  #", //
    "#          #", //
    "############",
};

// The same room with a box on a goal at the mouth of a dead end: once the dead end is walled the
// box can never move and the analysis makes it a wall, though the level text has a box there.
const std::vector<const char*> FixedGoalBox = {
    "############", //
    "######     #", //
    "###. .     #", //
    "###...     #", //
    "#### #######", //
    "#   $  $   #", //
    "###  $$  $ #", //
    "#  *    @  #", //
    "############",
};

std::string text(const std::vector<const char*>& lines) {
    std::string t;
    for (const char* line : lines) t += std::string(line) + "\n";
    return t;
}

// An engine with a level prepared as the driver would before starting the threads, and a
// thread-two solver of its own on the engine's tables.
struct PackFixture : ::testing::Test {
    std::unique_ptr<cw::Engine> engine = std::make_unique<cw::Engine>();
    std::unique_ptr<cw::TwoSolver> solver;
    std::unique_ptr<cw::TwoSolverProbe> two;

    void prepare(const std::string& level) {
        ASSERT_EQ(cwtest::load(engine->levelToLoad(), level), cw::Outcome::Ready);
        ASSERT_EQ(cw::EngineProbe::prepareRun(*engine), cw::Outcome::Ready);
        solver = cw::EngineProbe::twoSolver(*engine);
        solver->packingMode = true;
        two = std::make_unique<cw::TwoSolverProbe>(*solver);
    }
    int at(int row, int column) const { return cwtest::cell(engine->level(), row, column); }
    cw::ThreadTwoCopies& copies() { return cw::EngineProbe::two(*engine); }
    cw::Board& board() { return copies().threadTwoBoard; }
    cw::PackTables& pack() { return two->pack(); }
    int boxCount() { return copies().threadTwoBoxCount; }
    // The walls of thread two's board as the packing solver keeps them, with these boxes on it.
    void placeBoxes(std::initializer_list<int> cells) {
        for (int c = 0; c < engine->level().cellCount; c++) {
            pack().walls[c] = board()[c] == cw::Blocked ? cw::Blocked : cw::Free;
            board()[c] = pack().walls[c];
        }
        int i = 0;
        for (int c : cells) {
            copies().workBoxList[i++] = c;
            board()[c] = cw::BoxOn;
        }
        copies().threadTwoBoxCount = i;
    }
    int boxesOnBoard() {
        int count = 0;
        for (int c = 0; c < engine->level().cellCount; c++) count += board()[c] == cw::BoxOn ? 1 : 0;
        return count;
    }
    static cw::PlanEntry entry(std::initializer_list<int> cells, int player, int boxesLeft) {
        cw::PlanEntry e;
        int i = 0;
        for (int c : cells) e.boxes[i++] = static_cast<std::int16_t>(c);
        e.player = static_cast<std::int16_t>(player);
        e.boxesLeft = static_cast<std::int8_t>(boxesLeft);
        return e;
    }
};

// --- Whole runs -------------------------------------------------------------------------------

struct RunCase {
    const char* name;
    std::vector<const char*> level;
    cw::SolvedBy solvedBy;
};

void PrintTo(const RunCase& c, std::ostream* os) {
    *os << c.name;
}

class ThreadTwoChoice : public ::testing::TestWithParam<RunCase> {};

// Thread two alone, so that the solution here is always its own.
TEST_P(ThreadTwoChoice, SolvesWithTheSolverTheGoalRoomsCallFor) {
    const RunCase& c = GetParam();
    auto engine = std::make_unique<cw::Engine>();
    engine->setSolverChoice(cw::SolverChoice::Two);
    const std::string level = text(c.level);
    ASSERT_EQ(cwtest::load(engine->levelToLoad(), level), cw::Outcome::Ready);
    engine->setTimeLimit(30);
    ASSERT_EQ(engine->solveLevel(), cw::Outcome::Solved);
    EXPECT_EQ(engine->control().solvedBy.load(), c.solvedBy);
    EXPECT_EQ(cwtest::replayFault(level, engine->trace().text()), "");
    // A small level stays small: the stages store a few nodes each.
    EXPECT_LT(engine->control().twoNodeCount.load(), 1000);
}

INSTANTIATE_TEST_SUITE_P(
    Levels, ThreadTwoChoice,
    ::testing::Values(
        RunCase{"packedRoom", PackedRoom, cw::SolvedBy::Packing},
        // A box fixed on a goal: the hand-off compares with thread two's board, where
        // it is a wall, and the distance fill leaves that wall alone.
        RunCase{"fixedGoalBox", FixedGoalBox, cw::SolvedBy::Packing},
        RunCase{"notchStart", NotchStart, cw::SolvedBy::Packing},
        // One goal area open to the player: the bidirectional solver.
        RunCase{"openRoom", {"########", "#@ $ . #", "#  $ . #", "########"}, cw::SolvedBy::Bidirectional}),
    [](const ::testing::TestParamInfo<RunCase>& info) { return std::string(info.param.name); });

TEST_F(PackFixture, TheFixedGoalBoxStaysAWallThroughThePlanSearch) {
    prepare(text(FixedGoalBox));
    const int fixed = at(7, 3);
    ASSERT_EQ(engine->level().baseBoard[fixed], cw::BoxOn);
    ASSERT_EQ(board()[fixed], cw::Blocked);
    ASSERT_EQ(engine->level().goalMap[fixed], 1);
    ASSERT_TRUE(two->packPrepare(cw::EngineProbe::rooms(*engine)));
    EXPECT_EQ(two->handoff().board[fixed], cw::Blocked);
    ASSERT_EQ(two->packPlanSearch(), cw::Outcome::Solved);
    EXPECT_EQ(board()[fixed], cw::Blocked);
    EXPECT_EQ(boxesOnBoard(), 0);
}

// --- Plan search ------------------------------------------------------------------------------

TEST_F(PackFixture, PlanRunsFromTheLastBoxesTakenOffUpToTheSolvedPosition) {
    prepare(text(PackedRoom));
    ASSERT_TRUE(two->packPrepare(cw::EngineProbe::rooms(*engine)));
    // The outside area is the room below; the goal room and the corridor's far side are not.
    EXPECT_EQ(pack().exitArea[at(6, 3)], 1);
    EXPECT_EQ(pack().exitArea[at(2, 8)], 0);
    EXPECT_EQ(pack().exitArea[at(3, 4)], 0);
    EXPECT_GT(pack().packDistScale, 0.0);

    ASSERT_EQ(two->packPlanSearch(), cw::Outcome::Solved);
    // Every box could be pulled out, so the final node has none left and the plan starts at its parent.
    cw::TwoNode* last = two->meetNode();
    ASSERT_NE(last, nullptr);
    EXPECT_EQ(last->boxesLeft(), 0);
    ASSERT_TRUE(two->extractPlan());
    const cw::PlanEntry& first = pack().packPlan[0];
    EXPECT_EQ(first.boxesLeft, last->parent->boxesLeft());
    EXPECT_GT(first.boxesLeft, 0);
    const cw::PlanEntry& solved = pack().packPlan[pack().packPlanLength - 1];
    EXPECT_EQ(solved.boxesLeft, boxCount());
    for (int i = 0; i < boxCount(); i++) EXPECT_EQ(solved.boxes[i], copies().threadTwoGoalList[i]);
}

TEST_F(PackFixture, APlanLongerThanThePlanTableIsRefused) {
    prepare(text(PackedRoom));
    for (const int length : {cw::MaxPlan, cw::MaxPlan + 1}) {
        std::vector<cw::TwoNode> chain(length);
        for (int i = 0; i < length; i++) {
            chain[i] = {};
            chain[i].boxes[0] = static_cast<std::int16_t>(at(5, 4));
            chain[i].player = static_cast<std::int16_t>(at(5, 1));
            chain[i].side = 1;
            chain[i].parent = i + 1 < length ? &chain[i + 1] : nullptr;
        }
        two->setMeetNode(&chain[0]);
        EXPECT_EQ(two->extractPlan(), length == cw::MaxPlan) << length << " entries";
        if (length == cw::MaxPlan) {
            EXPECT_EQ(pack().packPlanLength, cw::MaxPlan);
        }
    }
}

struct LockCase {
    const char* name;
    std::vector<const char*> level;
    int row, column;
    int locked;
};

void PrintTo(const LockCase& c, std::ostream* os) {
    *os << c.name;
}

class LockedStart : public PackFixture, public ::testing::WithParamInterface<LockCase> {};

TEST_P(LockedStart, OnlyWallsLockAStartCell) {
    const LockCase& c = GetParam();
    prepare(text(c.level));
    placeBoxes({});
    copies().threadTwoBoxCount = cw::EngineProbe::pos(*engine).boxCount;
    two->markLockedStart();
    EXPECT_EQ(pack().lockedStart[at(c.row, c.column)], c.locked);
}

INSTANTIATE_TEST_SUITE_P(
    Cells, LockedStart,
    ::testing::Values(
        // No box ever reaches the cell left of it, and a pull to the right has a wall behind.
        LockCase{"walled", {"######", "#@$.##", "######"}, 1, 2, 1},
        // Pulled up or down, the box has room; the box beside it does not count.
        LockCase{"besideABox", {"#######", "#  @  #", "# $$..#", "#     #", "#######"}, 2, 2, 0}),
    [](const ::testing::TestParamInfo<LockCase>& info) { return std::string(info.param.name); });

TEST_F(PackFixture, AGoalPulledIntoAFewCellsMarksNoExitArea) {
    prepare(text(PackedRoom));
    pack().roomCell = cw::EngineProbe::rooms(*engine).goalRoomCell[0];
    // Only the corridor and the column below it stay open: a box pulled out of the room visits its
    // goal and three cells, one of them a start box's.
    for (int c = 0; c < engine->level().cellCount; c++) {
        const int row = c / engine->level().boardWidth, column = c % engine->level().boardWidth;
        const bool shut = row >= 5 && column != 4;
        pack().walls[c] = board()[c] == cw::Blocked || shut ? cw::Blocked : cw::Free;
    }
    ASSERT_EQ(board()[at(5, 4)], cw::BoxOn);
    two->markExitArea();
    for (int c = 0; c < engine->level().cellCount; c++) EXPECT_EQ(pack().exitArea[c], 0) << "cell " << c;
}

TEST_F(PackFixture, DistanceScaleIsZeroWithoutACellBesideAGoal) {
    prepare(text(PackedRoom));
    placeBoxes({});
    copies().threadTwoBoxCount = cw::EngineProbe::pos(*engine).boxCount;
    pack().roomCell = 0; // a wall: the flood reaches no cell beside a goal
    two->packDistanceFill();
    EXPECT_EQ(pack().packDistScale, 0.0);
    for (int c = 0; c < engine->level().cellCount; c++) EXPECT_EQ(pack().packDistance[c], 0);
}

// --- Stage targets ----------------------------------------------------------------------------

// A room without structure, for the stage tables set by hand.
const std::vector<const char*> OpenRoom = {
    "#########", //
    "#.      #", //
    "#       #", //
    "#   $   #", //
    "#     $ #", //
    "#@     .#", //
    "#########",
};

struct TargetCase {
    const char* name;
    int phase;
    std::vector<int> approach; // the previous stage's approach cells
    std::vector<std::vector<int>> plan;
    int expectIndex;
    std::vector<int> expectApproach;
    std::vector<int> expectDone;
};

void PrintTo(const TargetCase& c, std::ostream* os) {
    *os << c.name;
}

class StageTargets : public PackFixture, public ::testing::WithParamInterface<TargetCase> {};

// Cells are written as row * 10 + column in the cases below.
TEST_P(StageTargets, PicksTheNextEntryAndItsApproach) {
    const TargetCase& c = GetParam();
    prepare(text(OpenRoom));
    auto cellOf = [&](int rc) { return at(rc / 10, rc % 10); };
    placeBoxes({at(3, 4), at(4, 6)}); // the start boxes
    copies().startBoxList[0] = at(3, 4);
    copies().startBoxList[1] = at(4, 6);
    // The corner box is walled in, so no pull takes it anywhere; others leave the room to the right.
    pack().walls[at(1, 2)] = cw::Blocked;
    pack().walls[at(2, 1)] = cw::Blocked;
    for (int cc = 0; cc < engine->level().cellCount; cc++) pack().exitArea[cc] = 0;
    for (int rc : {26, 36, 35}) pack().exitArea[at(rc / 10, rc % 10)] = 1;
    pack().packPlanLength = static_cast<int>(c.plan.size());
    for (std::size_t k = 0; k < c.plan.size(); k++) {
        pack().packPlan[k] = {};
        int i = 0;
        for (int rc : c.plan[k]) pack().packPlan[k].boxes[i++] = static_cast<std::int16_t>(cellOf(rc));
        pack().packPlan[k].player = static_cast<std::int16_t>(at(5, 1));
        pack().packPlan[k].boxesLeft = static_cast<std::int8_t>(i);
    }
    pack().packPlanIndex = 0;
    pack().packPhase = c.phase;
    pack().approachCount = static_cast<int>(c.approach.size());
    for (std::size_t k = 0; k < c.approach.size(); k++) pack().approachCell[k] = cellOf(c.approach[k]);
    if (c.phase != 0)
        for (int cc = 0; cc < engine->level().cellCount; cc++) pack().doneCell[cc] = 0;

    ASSERT_TRUE(two->stageTarget());
    EXPECT_EQ(pack().packPlanIndex, c.expectIndex);
    ASSERT_EQ(pack().approachCount, static_cast<int>(c.expectApproach.size()));
    for (std::size_t k = 0; k < c.expectApproach.size(); k++)
        EXPECT_EQ(pack().approachCell[k], cellOf(c.expectApproach[k])) << "approach " << k;
    int done = 0;
    for (int cc = 0; cc < engine->level().cellCount; cc++) done += pack().doneCell[cc];
    EXPECT_EQ(done, static_cast<int>(c.expectDone.size()));
    for (int rc : c.expectDone) EXPECT_EQ(pack().doneCell[cellOf(rc)], 1) << "done " << rc;
}

INSTANTIATE_TEST_SUITE_P(
    Entries, StageTargets,
    ::testing::Values(
        // The first entry keeps one box on its start cell: nothing to search, the next entry aims.
        TargetCase{"firstOnStartCells", 0, {}, {{34}, {34, 25}, {34, 46}}, 2, {25}, {34}},
        // A target with as many boxes as are placed moves one of them: its new cell is the only approach
        // and its old cell is released.
        TargetCase{"movesAPlacedBox", 1, {34, 25}, {{34, 26}, {34, 46}}, 1, {26}, {34}},
        // An entry with the placed boxes themselves is skipped for the next one.
        TargetCase{"equalBoxSets", 1, {34, 25}, {{25, 34}, {34, 26}}, 2, {26}, {34}},
        // Only the cells appended are approach cells: the box that cannot be pulled out is left off.
        TargetCase{"onlyAppendedCells", 0, {}, {{11, 25}}, 1, {25}, {}}),
    [](const ::testing::TestParamInfo<TargetCase>& info) { return std::string(info.param.name); });

TEST_F(PackFixture, SettledBoxesNeedNoLooseBoxAmongTheirEightNeighbours) {
    prepare(text(OpenRoom));
    pack().roomCell = at(2, 4);
    for (int c = 0; c < engine->level().cellCount; c++) pack().doneCell[c] = 0;
    pack().approachCount = 1;
    pack().approachCell[0] = at(2, 2);
    pack().stageTargetPlayer = at(1, 2);
    placeBoxes({at(2, 2), at(3, 3)}); // a loose box on the diagonal
    two->stageMapFill();
    const int reached = cw::TwoQueueBuckets;

    EXPECT_LT(two->stagePriority(at(5, 1)), reached);
    pack().doneCell[at(3, 3)] = 1; // placed for good: no longer loose
    EXPECT_EQ(two->stagePriority(at(5, 1)), reached);
    pack().doneCell[at(3, 3)] = 0;
    placeBoxes({at(2, 2), at(4, 4)}); // two cells off: never a neighbour
    EXPECT_EQ(two->stagePriority(at(5, 1)), reached);
}

// --- Stage expansion --------------------------------------------------------------------------

TEST_F(PackFixture, StageExpansionMovesEveryBoxButTheMovedOneAndLeavesNoBoxBehind) {
    prepare(text(OpenRoom));
    pack().roomCell = at(2, 4);
    for (int c = 0; c < engine->level().cellCount; c++) pack().doneCell[c] = 0;
    // The sub-target is the corner goal (1,1); the corner goal (5,7) is not an approach cell.
    pack().approachCount = 1;
    pack().approachCell[0] = at(1, 1);
    pack().stageTargetPlayer = 0; // a wall: the target is never reached here
    // The node's moved box is listed first and lies farther from the sub-target than the other, so
    // sorting by distance puts the other box first.
    const int moved = at(4, 6), other = at(2, 2);
    placeBoxes({moved, other});
    two->stageMapFill();
    cw::TwoNode* node = two->storePackNode(at(1, 1), 0, nullptr);
    for (int c = 0; c < engine->level().cellCount; c++)
        if (board()[c] == cw::BoxOn) board()[c] = cw::Free;
    two->queueNode(node, 0);

    ASSERT_EQ(two->stageExpand(), Step::Continue);
    EXPECT_EQ(boxesOnBoard(), 0) << "a rejected candidate left a box on the board";
    int children = 0;
    bool onSubTarget = false;
    for (cw::TwoNode* child = two->takeNode(); child != nullptr; child = two->takeNode()) {
        children++;
        const int a = child->boxes[0], b = child->boxes[1];
        EXPECT_TRUE(a == moved || b == moved) << "the moved box was moved again";
        const int pushed = a == moved ? b : a;
        EXPECT_NE(pushed, at(5, 7)) << "a box frozen on a goal that is not the sub-target";
        onSubTarget = onSubTarget || pushed == at(1, 1);
    }
    EXPECT_GT(children, 0);
    EXPECT_TRUE(onSubTarget) << "the sub-target may take a box that can never move again";
}

// --- Whole stages and the tail ----------------------------------------------------------------

TEST_F(PackFixture, AStageWhoseStartMeetsItsTargetIsComplete) {
    prepare(text(NotchStart));
    const int start = engine->level().startPlayer;
    ASSERT_EQ(board()[start], cw::Blocked); // the analysis walled the notch
    ASSERT_TRUE(two->packPrepare(cw::EngineProbe::rooms(*engine)));
    const int below = at(5, 1); // the prepared player's area starts here, after the notch
    ASSERT_LT(start, below);

    // A one-entry plan: the start position itself.
    cw::PlanEntry e;
    for (int i = 0; i < boxCount(); i++) e.boxes[i] = static_cast<std::int16_t>(copies().startBoxList[i]);
    e.player = static_cast<std::int16_t>(below);
    e.boxesLeft = static_cast<std::int8_t>(boxCount());
    pack().packPlan[0] = e;
    pack().packPlanLength = 1;

    ASSERT_EQ(two->runStages(), cw::Outcome::Solved);
    EXPECT_EQ(two->handoff().count, 0);
    ASSERT_NE(two->meetNode(), nullptr);
    // The stage's root floods from the prepared player cell, not from the walled notch.
    EXPECT_EQ(two->meetNode()->player, below);
    EXPECT_EQ(boxesOnBoard(), 0);
}

TEST_F(PackFixture, TheTailAppendsOneBoxMovePerEntry) {
    // A box in a doorway between two rooms; the player starts on its left.
    prepare(rows({"########", "#  #   #", "#@ $ . #", "#  #   #", "########"}));
    pack().roomCell = at(1, 4);
    placeBoxes({at(2, 3)});
    two->resetHandoff();
    const int right = at(1, 4); // the smallest cell of the right room
    // The player gets to the right room with the box back in the doorway, then pushes it left.
    pack().packPlan[0] = entry({at(2, 3)}, right, 1);
    pack().packPlan[1] = entry({at(2, 2)}, right, 1);
    pack().packPlanLength = 2;
    pack().packPlanIndex = 0;
    for (int c = 0; c < engine->level().cellCount; c++)
        if (board()[c] == cw::BoxOn) board()[c] = cw::Free;

    two->appendTail();
    const cw::Handoff& h = two->handoff();
    ASSERT_EQ(h.count, 2);
    EXPECT_EQ(h.from[0], at(2, 3));
    EXPECT_EQ(h.to[0], at(2, 3)); // only the player's area changed
    EXPECT_EQ(h.player[0], right);
    EXPECT_EQ(h.from[1], at(2, 3));
    EXPECT_EQ(h.to[1], at(2, 2));
    EXPECT_EQ(h.lastPlayer, right);
    EXPECT_EQ(pack().packPlanIndex, 2);

    // The driver's trace turns both into pushes that the replay accepts up to the final position.
    cw::EngineProbe::trace(*engine).reset(engine->level());
    for (int i = 0; i < h.count; i++)
        EXPECT_EQ(
            cw::EngineProbe::trace(*engine).appendBoxMove(engine->level(), h.to[i], h.player[i], h.from[i]),
            1)
            << i;
    EXPECT_EQ(engine->trace().traceBoard[at(2, 2)], cw::BoxOn);
}

} // namespace
