// Thread one's full bidirectional search: its buckets and scores, the roots from the path record,
// the rhythm of three backward expansions to one forward, empty queues, and levels it solves,
// checked by a replay of our own.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "tests/bidir_fixture.h"

namespace {

using cwtest::rows;

struct FullSearchTest : cwtest::BidirFixture {
    cw::BidirProbe<cw::FullSearch> full() { return cw::BidirProbe<cw::FullSearch>(one().full); }
};

// 64 boxes on cells of the top scores: the forward node goes to the last bucket, the backward one
// to the sum of its graded tally and distance.
TEST_F(FullSearchTest, SixtyFourBoxesOnTopScoreCellsLandInTheLastBucket) {
    prepare(cwtest::openRoom(22, 2, 2, 3, 3));
    stage().copyFrom(engine->level(), pos());
    stage().stageBoard[at(2, 2)] = cw::Free;
    stage().stageBoxCount = cw::MaxBoxes;
    for (int k = 0; k < cw::MaxBoxes; k++) {
        const int c = at(4 + k / 8, 4 + k % 8);
        stage().stageBoxList[k] = c;
        stage().stageBoard[c] = cw::BoxOn;
        full().tallyScore14()[c] = 14;
        full().tallyScore7()[c] = 7;
        full().goalDistanceScore()[c] = 0;
    }
    EXPECT_EQ(full().nodePriority(true), 896);
    EXPECT_EQ(full().nodePriority(false), 448);
    ASSERT_EQ(full().insert(full().stageKey(at(1, 1)), -1, at(1, 1), cw::SideRoot), cw::Step::Continue);
    ASSERT_EQ(full().insert(full().stageKey(at(1, 1)), -1, at(1, 1), cw::SideBackward), cw::Step::Continue);
    EXPECT_NE(full().forwardQueue().head[896], nullptr);
    EXPECT_NE(full().backwardQueue().head[448], nullptr);
}

// All counts equal: every grade is 0 (there is no spread to grade by).
TEST_F(FullSearchTest, EqualTalliesGradeToZero) {
    prepare(cwtest::openRoom(8, 2, 2, 3, 3));
    ASSERT_TRUE(full().setUp());
    std::array<int, cw::MaxCells> tally{};
    tally.fill(5);
    full().scaleTally(tally);
    for (int k = 0; k < full().boxCellCount(); k++) {
        EXPECT_EQ(full().tallyScore7()[full().boxCellList()[k]], 0);
        EXPECT_EQ(full().tallyScore14()[full().boxCellList()[k]], 0);
    }
    tally[full().boxCellList()[0]] = 6;
    full().scaleTally(tally);
    EXPECT_EQ(full().tallyScore14()[full().boxCellList()[0]], 14);
    EXPECT_EQ(full().tallyScore7()[full().boxCellList()[0]], 7);
}

// The path record moves box B onto its goal and then box A 299 pushes along a snake; only its last
// entry ends a placement. That entry's position is the one root besides the start, and the
// backward search meets it at once: the solution replays all 300 path moves, then one push.
TEST_F(FullSearchTest, RootsComeOnlyFromPlacementEndsAndReplayTheirPathPrefix) {
    const int inner = 22, moves = 299;
    const auto snake = cwtest::snakeCells(inner, moves + 1);
    std::string level = cwtest::openRoom(inner, 2, 2, snake.back().first, snake.back().second);
    level[(20 * (inner + 3)) + 10] = '$';
    level[(20 * (inner + 3)) + 11] = '.';
    prepare(level);
    recordMove(at(20, 10), at(20, 11), at(20, 10));
    for (int k = 1; k <= moves; k++) {
        const int from = at(snake[k - 1].first, snake[k - 1].second);
        recordMove(from, at(snake[k].first, snake[k].second), from);
    }
    path().pathPlacementEnd[path().pathLength - 1] = 1;
    ASSERT_TRUE(full().setUp());
    std::vector<int> prefixes;
    for (cw::FullNode* head : full().forwardQueue().head)
        for (cw::FullNode* n = head; n != nullptr; n = n->next) prefixes.push_back(n->prefix);
    std::sort(prefixes.begin(), prefixes.end());
    EXPECT_EQ(prefixes, (std::vector<int>{0, moves + 1}));

    ASSERT_EQ(full().fullExpandBackward(), cw::Step::Solved);
    full().fullBuildSolution();
    EXPECT_EQ(engine->trace().pushCount, moves + 2);
    EXPECT_EQ(cwtest::replayFault(text, engine->trace().text()), "");
}

// Each box stands one push above its goal. The first backward expansion pulls single boxes off
// the solved position; the second takes the child whose box is pulled back to where the start has
// it (the forward side's boxes grade those cells highest) and pulls the other box: the start. The
// search ends there, before a third backward or any forward expansion.
TEST_F(FullSearchTest, MeetingInTheSecondBackwardExpansionEndsTheSearch) {
    prepare(rows({"#######", "#@    #", "# $ $ #", "# . . #", "#######"}));
    ASSERT_EQ(full().fullSearch(), cw::Step::Solved);
    EXPECT_EQ(full().backwardExpanded(), 2);
    EXPECT_EQ(full().forwardExpanded(), 0);
    EXPECT_EQ(cwtest::replayFault(text, engine->trace().text()), "");
}

// Both boxes of the doorway can only be pushed into the row below, where they never move again:
// the start has no child, and the forward queue runs empty while the backward one still holds
// nodes. An empty backward queue ends the search just the same: nothing is left to find.
TEST_F(FullSearchTest, EitherQueueRunningEmptyEndsTheSearchAndThreadOne) {
    prepare(rows({"####", "#..#", "#@ #", "#$$#", "#  #", "####"}));
    EXPECT_EQ(full().fullSearch(), cw::Step::Dry);
    EXPECT_EQ(full().forwardQueue().openCount, 0);
    EXPECT_GT(full().backwardQueue().openCount, 0);

    prepare(rows({"####", "#..#", "#@ #", "#$$#", "#  #", "####"}));
    ASSERT_TRUE(full().setUp());
    full().backwardQueue().head.fill(nullptr);
    EXPECT_EQ(full().fullExpandBackward(), cw::Step::Dry);
    EXPECT_EQ(full().forwardQueue().openCount, 1);
}

// 27 boxes, more than thread two takes: the full search alone solves the level.
TEST_F(FullSearchTest, SolvesALevelOfMoreThanTwentySixBoxes) {
    std::vector<std::string> lines(6, std::string(31, '#'));
    for (int r = 1; r <= 4; r++)
        for (int k = 1; k <= 29; k++) lines[r][k] = ' ';
    lines[1][1] = '@';
    for (int i = 0; i < 27; i++) {
        lines[2][2 + i] = '$';
        lines[4][2 + i] = '.';
    }
    prepare(rows(lines));
    ASSERT_EQ(pos().boxCount, 27);
    ASSERT_EQ(full().fullSearch(), cw::Step::Solved);
    EXPECT_EQ(cwtest::replayFault(text, engine->trace().text()), "");
}

} // namespace
