// The goal-order search: its relaxations on small levels, and the targets taken from plans that
// the pass cannot use as they are.
#include <gtest/gtest.h>

#include <vector>

#include "tests/main_fixture.h"

namespace {

using cwtest::rows;

struct OrderTest : cwtest::MainFixture {
    // A plan of `steps` backward steps on the prepared level: slot 0 goes back and forth between its
    // goal and `away`, starting from state `firstState`; every other slot stays on its goal.
    std::vector<cw::OrderNode> chain(int steps, int away, int firstState) {
        std::vector<cw::OrderNode> nodes(static_cast<std::size_t>(steps) + 1);
        cw::OrderNode& root = nodes[0];
        root = {};
        for (int i = 0; i < pos().boxCount; i++) {
            root.cell[i] = static_cast<std::int16_t>(pos().goalList[i]);
            root.mask[i] = pos().pullMask[pos().goalList[i]];
        }
        root.state[0] = static_cast<std::uint8_t>(firstState);
        root.player = static_cast<std::int16_t>(pos().searchPlayer);
        root.movedSlot = cw::RootMove;
        for (int s = 1; s <= steps; s++) {
            nodes[s] = nodes[s - 1];
            nodes[s].cell[0] = static_cast<std::int16_t>(s % 2 == 1 ? away : pos().goalList[0]);
            nodes[s].state[0] = cw::SlotMoved;
            nodes[s].movedSlot = 0;
            nodes[s].parent = &nodes[s - 1];
        }
        for (int i = 0; i < pos().boxCount; i++)
            for (int k = 0; k < pos().boxCount; k++) main().finalAssignment()[i * cw::MaxBoxes + k] = i == k;
        return nodes;
    }
};

// With at most four boxes and pull ranges of at most ten states no box is parked or retired, while
// the same corridor with more boxes retires them.
TEST_F(OrderTest, FewBoxesWithSmallRangesAreNeitherParkedNorRetired) {
    struct Case {
        std::string level;
        bool relaxed;
    };
    for (const Case& c :
         {Case{rows({"#######", "#@$  .#", "# $  .#", "#######"}), false},
          Case{rows({"##########", "#@       #", "#  $$$$$ #", "#        #", "# .....  #", "##########"}),
               true}}) {
        SCOPED_TRACE(c.level);
        prepare(c.level);
        main().startOrderSearches();
        ASSERT_EQ(main().orderSearch(), cw::Step::Solved);
        bool relaxed = false;
        for (int i = 0; i < main().planStepCount(); i++) {
            const int after = main().planStepStateAfter()[i];
            relaxed = relaxed || after == cw::SlotParked || after == cw::SlotRetired;
        }
        EXPECT_EQ(relaxed, c.relaxed);
    }
}

TEST_F(OrderTest, PlanLongerThanThePlanArraysGivesNoTarget) {
    prepare(rows({"########", "#@ $  .#", "#  $  .#", "########"}));
    std::vector<cw::OrderNode> plan = chain(cw::MaxPlanSteps + 1, at(1, 5), cw::SlotOnGoal);
    EXPECT_EQ(main().targetsFromPlan(&plan.back()), cw::Step::Solved);
    EXPECT_EQ(main().planStepCount(), 0);
    EXPECT_EQ(main().targetMode(), 0);
    EXPECT_EQ(main().targetCount(), 0);
}

// A second pass whose every step starts on a start box cell has no goal for a fallback target.
TEST_F(OrderTest, FallbackWithEveryStepOnAStartBoxLeavesNoTarget) {
    prepare(rows({"########", "#@ $  .#", "#  $  .#", "########"}));
    main().secondPass() = 1;
    // Slot 0 already stands on a start box cell and only moves between it and its goal.
    std::vector<cw::OrderNode> plan = chain(1, pos().goalList[0], cw::SlotPulled);
    plan[0].cell[0] = static_cast<std::int16_t>(pos().boxList[0]);
    EXPECT_EQ(main().targetsFromPlan(&plan.back()), cw::Step::Solved);
    EXPECT_EQ(main().targetMode(), 0);
    EXPECT_EQ(main().targetCount(), 0);
}

// The first pass marks cells for the second from the step before the first unmarked one; when that
// is step 0 there is no step before it, and nothing is marked.
TEST_F(OrderTest, FirstPassMarksCellsOnlyWhenAStepPrecedesTheFirstUnmarkedOne) {
    struct Case {
        int steps;
        bool marks;
    };
    for (const Case& c : {Case{1, false}, Case{3, true}}) {
        SCOPED_TRACE(c.steps);
        prepare(rows({"########", "#@    .#", "#  $$ .#", "#      #", "########"}));
        main().secondPass() = 0;
        main().startOrderSearches();
        std::vector<cw::OrderNode> plan = chain(c.steps, at(3, 5), cw::SlotPulled);
        if (c.steps == 3) {
            // Step 2 (the first backward one) moves slot 1 once; slot 0's two steps are marked.
            plan[1].cell[1] = static_cast<std::int16_t>(at(3, 6));
            plan[1].state[1] = cw::SlotPulled;
            plan[1].cell[0] = plan[0].cell[0];
            plan[1].movedSlot = 1;
            for (int s = 2; s <= 3; s++) {
                plan[s].cell[1] = plan[1].cell[1];
                plan[s].state[1] = cw::SlotPulled;
            }
        }
        ASSERT_EQ(main().targetsFromPlan(&plan.back()), cw::Step::Solved);
        ASSERT_EQ(main().targetMode(), 0);
        bool marked = false;
        for (int x = 0; x < engine->level().cellCount; x++)
            marked = marked || main().passTwoBlocked()[x] != 0;
        EXPECT_EQ(marked, c.marks);
    }
}

// In mode 2 the analysis may fix the placed box as a wall; it is then in no row of the targets,
// and the re-run leaves them as a re-run without a placed box does.
TEST_F(OrderTest, PlacedBoxThatIsNoLongerInTheBoxListIsSkipped) {
    prepare(rows({"#########", "#@      #", "#  $ $  #", "#  . .  #", "#########"}));
    ASSERT_EQ(main().orderSearchAgain(0, 0), cw::Step::Solved);
    const int mode = main().targetMode();
    const auto targets = main().targetBoxes();
    const auto sides = main().targetSides();
    ASSERT_NE(mode, 0);
    ASSERT_EQ(main().orderSearchAgain(at(2, 3), at(0, 0)), cw::Step::Solved);
    EXPECT_EQ(main().targetMode(), mode);
    EXPECT_EQ(main().targetBoxes(), targets);
    EXPECT_EQ(main().targetSides(), sides);
}

} // namespace

// A smaller level whose solved position leaves no free region of five cells has no goal room of its
// own: the goal-order search borrows the run's room where its cell is still floor, and finds its
// plan from there; a run room walled in meanwhile lends nothing, and the pass has no root.
TEST_F(OrderTest, ARoomlessSmallerLevelBorrowsTheRunsRoom) {
    prepare(rows({"#####", "#@ ##", "# $.#", "#####"}));
    struct Case {
        int roomCell;
        cw::Step result;
        int borrowed;
    };
    for (const Case& c : {Case{at(1, 1), cw::Step::Solved, 1}, Case{at(0, 1), cw::Step::Dry, 0}}) {
        SCOPED_TRACE(c.roomCell);
        cw::GoalRooms& rooms = cw::EngineProbe::rooms(*engine);
        rooms.goalRoomCount = 1;
        rooms.goalRoomCell[0] = c.roomCell;
        main().resetRun();
        EXPECT_EQ(main().orderSearchAgain(0, 0), c.result);
        EXPECT_EQ(main().roomlessRescans(), 1);
        EXPECT_EQ(main().borrowedRooms(), c.borrowed);
        EXPECT_EQ(main().targetCount() > 0, c.borrowed == 1);
    }
}
