#include <gtest/gtest.h>

#include <memory>

#include "solver/trace.h"
#include "tests/test_levels.h"

namespace {

using cwtest::cell;
using cwtest::load;
using cwtest::rows;

struct TraceFixture : ::testing::Test {
    std::unique_ptr<cw::Level> level = std::make_unique<cw::Level>();
    std::unique_ptr<cw::Trace> trace = std::make_unique<cw::Trace>();

    void start(const std::string& text) {
        ASSERT_EQ(load(*level, text), cw::Outcome::Ready);
        trace->reset(*level);
    }
};

TEST_F(TraceFixture, OnePushIsTheApproachWalkAndOneCapital) {
    start(rows({"######", "#@ $.#", "######"}));
    ASSERT_EQ(trace->appendBoxMove(*level, cell(*level, 1, 4), cell(*level, 1, 3), cell(*level, 1, 3)), 1);
    EXPECT_EQ(trace->text(), "rR");
    EXPECT_EQ(trace->moveCount, 2);
    EXPECT_EQ(trace->pushCount, 1);
    EXPECT_EQ(cw::replayCheck(*level, trace->text()), 1);
}

TEST_F(TraceFixture, ThreePushesInACorridorFollowEachOther) {
    start(rows({"########", "#@$   .#", "#####  #", "########"}));
    const int from = cell(*level, 1, 2), to = cell(*level, 1, 5);
    ASSERT_EQ(trace->appendBoxMove(*level, to, cell(*level, 1, 4), from), 1);
    EXPECT_EQ(trace->text(), "RRR");
    EXPECT_EQ(trace->pushCount, 3);
    EXPECT_EQ(trace->traceBoard[to], cw::BoxOn);
    EXPECT_EQ(trace->tracePlayer, cell(*level, 1, 4));
}

TEST_F(TraceFixture, WalkKeepsStraightThenTurnsClockwise) {
    start(rows({"########", "#@     #", "#      #", "#      #", "#   $. #", "########"}));
    trace->appendWalk(*level, cell(*level, 3, 3), cell(*level, 1, 1));
    // Up is tried first and is a wall; right stays shortest for two steps, then down.
    EXPECT_EQ(trace->text(), "rrdd");
    EXPECT_EQ(trace->moveCount, 4);
}

TEST_F(TraceFixture, WalkToAnUnreachableCellAppendsNothing) {
    start(rows({"########", "#@ $. ##", "#    # #", "########"}));
    trace->appendWalk(*level, cell(*level, 2, 6), cell(*level, 1, 1));
    EXPECT_EQ(trace->text(), "");
    EXPECT_EQ(trace->moveCount, 0);
}

TEST_F(TraceFixture, BoxMoveRoundACornerNeedsTheWalkBetweenPushes) {
    start(rows({"#######", "#@    #", "# $   #", "#     #", "#   . #", "#######"}));
    const int from = cell(*level, 2, 2), to = cell(*level, 4, 4);
    ASSERT_EQ(trace->appendBoxMove(*level, to, cell(*level, 3, 4), from), 1);
    EXPECT_EQ(trace->pushCount, 4);
    EXPECT_EQ(cw::replayCheck(*level, trace->text()), 1);
}

TEST_F(TraceFixture, ImpossibleBoxMoveAppendsNothing) {
    start(rows({"#######", "#@$  .#", "#######"}));
    // Pushing left would need the player on the box's right.
    EXPECT_EQ(trace->appendBoxMove(*level, cell(*level, 1, 1), cell(*level, 1, 2), cell(*level, 1, 2)), 0);
    EXPECT_EQ(trace->text(), "");
    EXPECT_EQ(trace->moveCount, 0);
}

TEST_F(TraceFixture, LetterLimitDropsTheRestButCountsGoOn) {
    start(rows({"#####", "#@$.#", "#####"}));
    for (int i = 0; i < cw::MaxTraceLetters; i++) trace->appendLetter('r');
    EXPECT_EQ(trace->traceOver, 0);
    EXPECT_EQ(trace->length, 149'999);
    trace->appendLetter('R');
    EXPECT_EQ(trace->traceOver, 1);
    EXPECT_EQ(trace->length, 149'999);
    EXPECT_EQ(trace->solutionText[149'999], '\0');
}

// The engine's replay and the tests' own replay judge the same strings alike.
TEST(ReplayCheck, JudgesHandWrittenMoveStrings) {
    auto level = std::make_unique<cw::Level>();
    const std::string text = rows({"#######", "#@ $ .#", "#  #  #", "#######"});
    ASSERT_EQ(load(*level, text), cw::Outcome::Ready);
    struct Case {
        const char* moves;
        int verdict;
    };
    const Case cases[] = {
        {"rRR", 1},      // walk, two pushes onto the goal
        {"rR", 0},       // box short of the goal
        {"rRRR", 0},     // pushing the box into the wall
        {"R", 0},        // a push letter with no box ahead
        {"rRRlL", 0},    // pulling is no move: push letter into a free cell
        {"rrR", 0},      // walking into the box is no move
        {"rRRr", 0},     // solved, then a walk into the box
        {"rRRrllll", 0}, // letters after an illegal walk do not count either
        {"lx", 0},       // a wall, and no such letter
        {"", 0},         // the level does not start solved
        {"drR", 0},      // a push letter into the wall piece below the corridor
    };
    for (const Case& c : cases) {
        EXPECT_EQ(cw::replayCheck(*level, c.moves), c.verdict) << c.moves;
        EXPECT_EQ(cwtest::replayFault(text, c.moves).empty(), c.verdict == 1) << c.moves;
    }
}

TEST(ReplayCheck, EmptyStringSolvesALevelThatStartsSolved) {
    auto level = std::make_unique<cw::Level>();
    ASSERT_EQ(load(*level, rows({"######", "#@ * #", "#  * #", "######"})), cw::Outcome::Ready);
    EXPECT_EQ(cw::replayCheck(*level, ""), 1);
    EXPECT_EQ(cw::replayCheck(*level, "r"), 1);
    EXPECT_EQ(cw::replayCheck(*level, "rr"), 0); // the second letter walks into a box
}

} // namespace
