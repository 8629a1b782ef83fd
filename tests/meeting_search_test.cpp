// Thread one's meeting search: its set-up (box limit, steps per call, backward roots), the forward
// side's rhythm, the rules of a meeting, feeding from the path record, the solution it writes, and
// levels it solves for thread one, checked by a replay of our own.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "tests/bidir_fixture.h"

namespace {

using cwtest::rows;

struct MeetingSearchTest : cwtest::BidirFixture {
    // Sets the meeting search up on the prepared start position, as the main search does first.
    void setUp(const std::string& level) {
        prepare(level);
        ASSERT_EQ(meet().meetSearchFeed(), cw::Step::Continue);
    }
};

// `boxes` boxes in a row above as many goals in a room `width` cells wide and `height` high.
std::string boxRow(int boxes, int width, int height) {
    std::vector<std::string> lines(height + 2, std::string(width + 2, '#'));
    for (int r = 1; r <= height; r++)
        for (int k = 1; k <= width; k++) lines[r][k] = ' ';
    lines[1][1] = '@';
    for (int i = 0; i < boxes; i++) {
        lines[2][2 + i] = '$';
        lines[3][2 + i] = '.';
    }
    return rows(lines);
}

TEST_F(MeetingSearchTest, SetsUpForAtMostTwentyBoxes) {
    for (const auto& [boxes, state] :
         {std::pair{20, cw::MeetState::Running}, std::pair{21, cw::MeetState::NotSetUp}}) {
        SCOPED_TRACE(boxes);
        setUp(boxRow(boxes, 24, 5));
        EXPECT_EQ(meet().meetState(), state);
        EXPECT_EQ(meet().meetSearchSteps(), cw::Step::Continue);
        // Set up: the start and the solved position are stored.
        EXPECT_EQ(meet().nodeCount() >= 2, state == cw::MeetState::Running);
    }
}

// Four pairs of expansions per call with few boxes or boxes crowding the cells they may rest on,
// else two up to 12 boxes and one beyond.
TEST_F(MeetingSearchTest, StepsPerCallFollowBoxCountAndDensity) {
    struct Case {
        int boxes, width, height, steps;
        bool dense;
    };
    for (const Case& c : {Case{8, 24, 8, 4, false}, Case{9, 24, 8, 2, false}, Case{12, 24, 8, 2, false},
                          Case{13, 24, 8, 1, false}, Case{13, 14, 3, 4, true}}) {
        SCOPED_TRACE(c.boxes);
        setUp(boxRow(c.boxes, c.width, c.height));
        int restCells = 0;
        for (int cell = 0; cell < engine->level().cellCount; cell++) {
            const int code = pos().corridorCode[cell];
            if (pos().pushMask[cell] != 0 && (code == 0 || (code != 2 && engine->level().goalMap[cell] == 0)))
                restCells++;
        }
        ASSERT_EQ(static_cast<int>(c.boxes * 1000.0 / restCells + 0.5) >= 300, c.dense) << restCells;
        EXPECT_EQ(meet().meetStepsPerCall(), c.steps);
    }
}

// Forward expansions wait for 12,288 queued backward nodes and then rest while the count has
// neither bit 0x800 nor 0x1000 set.
TEST_F(MeetingSearchTest, ForwardSideRunsOnlyInItsStretchesOfTheBackwardCount) {
    setUp(boxRow(3, 10, 6));
    for (const auto& [open, runs] :
         {std::pair{12'287, false}, std::pair{12'288, true}, std::pair{16'384, false},
          std::pair{18'431, false}, std::pair{18'432, true}}) {
        SCOPED_TRACE(open);
        const int forwardOpen = meet().forwardQueue().openCount;
        const int stored = meet().nodeCount();
        meet().backwardQueue().openCount = open;
        EXPECT_EQ(meet().meetExpandForward(), cw::Step::Continue);
        EXPECT_EQ(meet().nodeCount() != stored || meet().forwardQueue().openCount != forwardOpen, runs);
    }
}

TEST_F(MeetingSearchTest, OneBackwardRootPerFreeRegionOfTheSolvedPosition) {
    setUp(rows({"###########", "#   .   . #", "# $ #$ $# #", "#@ $.   . #", "###########"}));
    std::vector<int> players;
    for (cw::MeetNode* n : queued(false))
        if (n->parent == nullptr) players.push_back(n->player);
    EXPECT_EQ(players, (std::vector<int>{at(1, 1), at(1, 5), at(1, 9)}));
    EXPECT_EQ(queued(true).size(), 1u); // the start
}

// While the meeting search runs, thread one's live position is the node under expansion, whole: the
// box on the goal at the dead end's mouth is a wall for the search once the dead end is walled, but
// the level text has a box there and the window draws it from the published copy.
TEST_F(MeetingSearchTest, PublishesTheWholePositionItExpands) {
    setUp(rows({"############", "######     #", "###. .     #", "###...     #", "#### #######",
                "#   $  $   #", "###  $$  $ #", "#  *    @  #", "############"}));
    const int fixed = at(7, 3);
    ASSERT_EQ(engine->level().movableBoxCount, 6);
    ASSERT_EQ(pos().searchBoard[fixed], cw::Blocked) << "the analysis fixes the box";
    ASSERT_EQ(pos().boxCount, 5);
    auto& live = cw::EngineProbe::control(*engine).threadOneLive;
    std::vector<std::vector<int>> shown;
    for (int k = 0; k < 4; k++) { // the roots of both free regions, then pulled positions
        live.request();
        ASSERT_EQ(meet().meetExpandBackward(), cw::Step::Continue);
        const cw::LiveSnapshot s = live.read();
        ASSERT_NE(s.serial, 0u);
        std::vector<int> boxes(s.boxes.begin(), s.boxes.begin() + s.boxCount);
        std::sort(boxes.begin(), boxes.end());
        for (int c : boxes) EXPECT_NE(engine->level().baseBoard[c], cw::Blocked) << c;
        EXPECT_EQ(std::count(boxes.begin(), boxes.end(), fixed), 1);
        shown.push_back(boxes);
    }
    // First the solved position, then ones made by pulls.
    EXPECT_EQ(shown[0], (std::vector<int>{at(2, 3), at(2, 5), at(3, 3), at(3, 4), at(3, 5), fixed}));
    EXPECT_NE(shown.back(), shown[0]);
}

// A path position equal to the start is the same forward node, and a position stored twice on one
// side is stored once; neither meets.
TEST_F(MeetingSearchTest, TwoForwardEntriesOfOnePositionAreNoMeeting) {
    setUp(boxRow(2, 8, 5));
    const int stored = meet().nodeCount();
    const int box = pos().boxList[0];
    const int width = engine->level().boardWidth;
    recordMove(box, box + width, box);
    recordMove(box + width, box, box + width);
    recordMove(box, box + width, box);
    EXPECT_EQ(meet().meetSearchFeed(), cw::Step::Continue);
    EXPECT_EQ(meet().meetState(), cw::MeetState::Running);
    EXPECT_EQ(meet().nodeCount(), stored + 1);
    EXPECT_EQ(meet().pathFed(), 3);
}

// A solved position that is also the start (a stage may hand one over) is no meeting: the start and
// the solved position become two nodes.
TEST_F(MeetingSearchTest, SolvedRootAtTheStartIsNoMeeting) {
    prepare(boxRow(2, 8, 5));
    pos().boxList = pos().goalList;
    for (int i = 0; i < pos().boxCount; i++) {
        pos().searchBoard[pos().goalList[i] - engine->level().boardWidth] = cw::Free;
        pos().searchBoard[pos().goalList[i]] = cw::BoxOn;
    }
    ASSERT_EQ(meet().meetSearchFeed(), cw::Step::Continue);
    EXPECT_EQ(meet().meetState(), cw::MeetState::Running);
    EXPECT_EQ(queued(true).size(), 1u);
    EXPECT_EQ(queued(false).size(), 1u);
}

// The box must pass a corridor whose cells are all pass-through cells but one; no stored node has a
// box resting on one, and the level is still solved through it.
TEST_F(MeetingSearchTest, BoxesPassCorridorCellsButNeverRestOnThem) {
    setUp(rows({"##########", "#   ##   #", "#@$      #", "#   ##  .#", "##########"}));
    std::vector<int> passOnly;
    for (int c = 0; c < engine->level().cellCount; c++)
        if (pos().corridorCode[c] == 2) passOnly.push_back(c);
    ASSERT_FALSE(passOnly.empty());
    cw::Step r = cw::Step::Continue;
    for (int k = 0; k < 200 && r == cw::Step::Continue; k++) r = meet().meetSearchSteps();
    ASSERT_EQ(r, cw::Step::Solved);
    EXPECT_EQ(cwtest::replayFault(text, engine->trace().text()), "");
    for (bool forward : {false, true})
        for (cw::MeetNode* n : queued(forward))
            for (cw::MeetNode* x = n; x != nullptr; x = x->parent)
                for (int c : passOnly) EXPECT_NE(x->boxes[0], c);
}

// A box walked 300 single pushes along a snake onto its goal: the path positions become forward
// roots, and the last one meets the solved position. Its 300 path moves are replayed before the
// chain, and the trace starts again from the level's start whatever it held before.
TEST_F(MeetingSearchTest, MeetingFromAFedPositionReplaysThePathUpToIt) {
    const int inner = 22;
    for (int moves : {3, 253, 300}) {
        SCOPED_TRACE(moves);
        const auto snake = cwtest::snakeCells(inner, moves);
        setUp(cwtest::openRoom(inner, 2, 2, snake.back().first, snake.back().second));
        cw::EngineProbe::trace(*engine).appendLetter('u');
        cw::EngineProbe::trace(*engine).traceBoard[at(1, 2)] = cw::BoxOn;
        for (int k = 1; k <= moves; k++) {
            const int from = at(snake[k - 1].first, snake[k - 1].second);
            recordMove(from, at(snake[k].first, snake[k].second), from);
        }
        ASSERT_EQ(meet().meetSearchFeed(), cw::Step::Solved);
        EXPECT_EQ(meet().meetState(), cw::MeetState::Solved);
        EXPECT_EQ(engine->trace().pushCount, moves);
        EXPECT_EQ(cwtest::replayFault(text, engine->trace().text()), "");
    }
}

// More moves than the record holds: only the recorded ones are fed.
TEST_F(MeetingSearchTest, FeedingStopsAtTheLastRecordedMove) {
    setUp(cwtest::openRoom(22, 2, 2, 20, 20));
    const int a = at(2, 2), b = at(2, 3);
    for (int k = 0; k < cw::MaxPath; k++) k % 2 == 0 ? recordMove(a, b, a) : recordMove(b, a, b);
    path().pathLength += 5;
    path().pathOverflow = 1;
    const int stored = meet().nodeCount();
    EXPECT_EQ(meet().meetSearchFeed(), cw::Step::Continue);
    EXPECT_EQ(meet().pathFed(), cw::MaxPath);
    EXPECT_EQ(meet().nodeCount(), stored + 1); // the box one cell right; back left is the start
}

// Levels of our own that thread one solves through the meeting search: during the main search, or
// as its stage 1 once the main search has given up.
TEST_F(MeetingSearchTest, ThreadOneSolvesLevelsThroughTheMeetingSearch) {
    struct Case {
        std::string level;
        cw::SolvedStage stage;
    };
    const std::vector<Case> cases = {
        {rows({"#######", "#@    #", "# $$  #", "# ..  #", "#######"}), cw::SolvedStage::MeetDuringMain},
        {rows({"##########", "#   ##   #", "#@$      #", "#   ##  .#", "##########"}),
         cw::SolvedStage::MeetDuringMain},
        // One of our random levels (seed 1148) whose goal-by-goal main search gives up.
        {rows({"########", "##   # #", "#  $*  #", "#   .###", "#  $   #", "##.  #*#", "## # # #", "## #*  #",
               "#@$.#  #", "########"}),
         cw::SolvedStage::Meet},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.level);
        ASSERT_EQ(cwtest::load(engine->levelToLoad(), c.level), cw::Outcome::Ready);
        engine->setSolverChoice(cw::SolverChoice::One);
        engine->setTimeLimit(60);
        ASSERT_EQ(engine->solveLevel(), cw::Outcome::Solved);
        EXPECT_EQ(engine->control().solvedStage.load(), c.stage);
        EXPECT_EQ(cwtest::replayFault(c.level, engine->trace().text()), "");
        // The statistics' stage times: stage 1 began only where it solved, stage 2 never.
        const std::int64_t stageOne = engine->control().stageOneStartMs.load();
        EXPECT_EQ(stageOne >= 0, c.stage == cw::SolvedStage::Meet);
        EXPECT_LE(stageOne, engine->control().runSeconds.load() * 1000 + 999);
        EXPECT_EQ(engine->control().stageTwoStartMs.load(), -1);
    }
}

} // namespace
