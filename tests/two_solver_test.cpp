#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

#include "engine/engine.h"
#include "level/level_set.h"
#include "level/sample_set.h"
#include "probes/engine_probe.h"
#include "search/two/two_solver.h"
#include "solver/analysis.h"
#include "tests/test_levels.h"

namespace {

using cwtest::cell;
using cwtest::rows;

// An engine with a level loaded and prepared as the driver would before starting the threads, and
// a thread-two solver of its own working on the engine's tables.
struct TwoFixture : ::testing::Test {
    std::unique_ptr<cw::Engine> engine = std::make_unique<cw::Engine>();
    std::unique_ptr<cw::TwoSolver> solver;
    std::unique_ptr<cw::TwoSolverProbe> two;

    void prepare(const std::string& text) {
        ASSERT_EQ(cwtest::load(engine->levelToLoad(), text), cw::Outcome::Ready);
        ASSERT_EQ(cw::EngineProbe::prepareRun(*engine), cw::Outcome::Ready);
        solver = cw::EngineProbe::twoSolver(*engine);
        two = std::make_unique<cw::TwoSolverProbe>(*solver);
        two->twoClearStore();
    }
    int at(int row, int column) const { return cell(engine->level(), row, column); }
    cw::ThreadTwoCopies& copies() { return cw::EngineProbe::two(*engine); }
    cw::Board& board() { return copies().threadTwoBoard; }
    void placeBoxes(std::initializer_list<int> cells) {
        int i = 0;
        for (int c = 0; c < engine->level().cellCount; c++)
            if (board()[c] == cw::BoxOn) board()[c] = cw::Free;
        for (int c : cells) {
            copies().workBoxList[i++] = c;
            board()[c] = cw::BoxOn;
        }
        copies().threadTwoBoxCount = i;
    }
};

TEST_F(TwoFixture, EqualBoxSetsInAnotherOrderAreOneNode) {
    prepare(rows({"########", "#@     #", "# $ $  #", "#  $   #", "#  ... #", "########"}));
    const int a = at(2, 2), b = at(2, 4), c = at(3, 3);
    placeBoxes({a, b, c});
    two->twoClearStore();
    ASSERT_EQ(two->twoFindNode(at(1, 1)), nullptr);
    cw::TwoNode* node = two->storeNode(at(1, 1));
    ASSERT_NE(node, nullptr);

    placeBoxes({c, a, b});
    EXPECT_EQ(two->twoFindNode(at(1, 1)), node);
    // The same boxes with the player in another area are another node.
    EXPECT_EQ(two->twoFindNode(at(4, 6)), nullptr);
    // Another box set with the same player is another node.
    placeBoxes({a, b, at(3, 4)});
    EXPECT_EQ(two->twoFindNode(at(1, 1)), nullptr);
}

TEST_F(TwoFixture, HandoffKeepsEveryMoveThatFitsAndFlagsTheRest) {
    prepare(rows({"#######", "#@$  .#", "#######"}));
    two->resetHandoff();
    // A chain that moves the box back and forth, one box move per node, longer than the hand-off.
    const int cells[2] = {at(1, 3), at(1, 2)};
    const int length = cw::MaxHandoff + 3;
    std::vector<cw::TwoNode> chain(length);
    for (int i = 0; i < length; i++) {
        chain[i] = {};
        chain[i].boxes[0] = static_cast<std::int16_t>(cells[i % 2]);
        chain[i].player = static_cast<std::int16_t>(at(1, 1));
        chain[i].movedBox = 0;
        chain[i].side = 2;
        chain[i].parent = i > 0 ? &chain[i - 1] : nullptr;
    }
    two->recordForwardChain(&chain[length - 1]);
    EXPECT_EQ(two->handoff().count, cw::MaxHandoff);
    EXPECT_EQ(two->handoff().over, 1);
    EXPECT_EQ(two->handoff().from[0], at(1, 2));
    EXPECT_EQ(two->handoff().to[0], at(1, 3));
    // The board follows the moves that were not recorded too: the last node has its box on cells[0].
    const int last = cells[(length - 1) % 2];
    EXPECT_EQ(two->handoff().board[last], cw::BoxOn);
    EXPECT_EQ(two->handoff().board[cells[length % 2]], cw::Free);
}

struct TunnelCase {
    const char* name;
    std::vector<const char*> level;
    int row;
    std::vector<int> marked; // columns of the run with noRest 1
    std::vector<int> open;   // columns of the run left as resting places
};

void PrintTo(const TunnelCase& c, std::ostream* os) {
    *os << c.name;
}

class TunnelTest : public TwoFixture, public ::testing::WithParamInterface<TunnelCase> {};

TEST_P(TunnelTest, MarksAllButTheRestingPlaces) {
    const TunnelCase& c = GetParam();
    std::string text;
    for (const char* line : c.level) text += std::string(line) + "\n";
    prepare(text);
    two->markTunnels();
    for (int col : c.marked) EXPECT_EQ(two->noRest(at(c.row, col)), 1) << "column " << col;
    for (int col : c.open) EXPECT_EQ(two->noRest(at(c.row, col)), 0) << "column " << col;
}

INSTANTIATE_TEST_SUITE_P(
    Runs, TunnelTest,
    ::testing::Values(
        TunnelCase{"one", {"#########", "#@ $  . #", "#   #   #", "#       #", "#########"}, 2, {}, {4}},
        TunnelCase{
            "two", {"##########", "#   ##   #", "#@$    . #", "#   ##   #", "##########"}, 2, {4}, {5}},
        TunnelCase{"three",
                   {"###########", "#   ###   #", "#@$     . #", "#   ###   #", "###########"},
                   2,
                   {4, 6},
                   {5}},
        TunnelCase{"goal",
                   {"###########", "#   ###   #", "#@$  .  $.#", "#   ###   #", "###########"},
                   2,
                   {4, 6},
                   {5}},
        TunnelCase{"goalAtEnd",
                   {"###########", "#   ###   #", "#@$   . $.#", "#   ###   #", "###########"},
                   2,
                   {4, 5},
                   {6}}),
    [](const ::testing::TestParamInfo<TunnelCase>& info) { return std::string(info.param.name); });

TEST_F(TwoFixture, TunnelMouthLearnsWhereTheBoxComesToRest) {
    prepare(rows({"###########", "#  ####   #", "#@$     . #", "#   ###   #", "###########"}));
    two->markTunnels();
    // The cell before the entrance, beside one wall, points at the tunnel's resting cell.
    EXPECT_EQ(two->tunnelExit(at(2, 3)), at(2, 5));
}

TEST_F(TwoFixture, RegionBonusCountsCutOffAreas) {
    prepare(rows({"###########", "#@        #", "#         #", "#         #", "#  $   .  #", "###########"}));
    // Each step walls one more single-cell pocket off with boxes: (4,1), (4,9), (1,9), (4,5), (1,4).
    const std::vector<std::vector<int>> pockets = {
        {at(3, 1), at(4, 2)},           {at(3, 9), at(4, 8)},           {at(1, 8), at(2, 9)},
        {at(4, 4), at(4, 6), at(3, 5)}, {at(1, 3), at(1, 5), at(2, 4)},
    };
    const int expected[] = {4, 3, 2, 1, 0, 0};
    std::vector<int> boxes;
    for (int k = 0; k <= 5; k++) {
        if (k > 0) boxes.insert(boxes.end(), pockets[k - 1].begin(), pockets[k - 1].end());
        for (int c = 0; c < engine->level().cellCount; c++)
            if (board()[c] == cw::BoxOn) board()[c] = cw::Free;
        for (int c : boxes) board()[c] = cw::BoxOn;
        EXPECT_EQ(two->regionBonus(at(1, 1)), expected[k]) << k << " pockets";
    }
}

TEST_F(TwoFixture, CorralAgainstTheWallsIsDeadUnlessItHoldsAGoal) {
    prepare(rows({"#######", "#   $.#", "#  $  #", "#   @.#", "#######"}));
    placeBoxes({at(1, 2), at(2, 1)});
    // The corner cell behind both boxes cannot be reached, and each box can only be pushed into it.
    EXPECT_TRUE(two->corralDeadlock(at(1, 2), at(1, 3)));
    // A move that leaves every free cell reachable is never a corral.
    placeBoxes({at(1, 3), at(2, 1)});
    EXPECT_FALSE(two->corralDeadlock(at(1, 3), at(1, 4)));
}

TEST_F(TwoFixture, CorralAroundAGoalCanBeOpened) {
    prepare(rows({"#######", "#.  $ #", "#  $  #", "#   @.#", "#######"}));
    placeBoxes({at(1, 2), at(2, 1)});
    EXPECT_FALSE(two->corralDeadlock(at(1, 2), at(1, 3)));
}

struct SolveCase {
    std::vector<const char*> level;
    int maxNodes;
};

TEST(TwoSolve, OneBoxMoveIsAnsweredFromTheStart) {
    const SolveCase cases[] = {
        {{"#####", "#@$.#", "#####"}, 2},
        {{"########", "#@ $  .#", "########"}, 2},
        // Round a corner: still one box move, found among the start's moves (one node per resting cell).
        {{"#######", "#@    #", "# $   #", "#     #", "#   . #", "#######"}, 21},
    };
    for (const SolveCase& c : cases) {
        auto engine = std::make_unique<cw::Engine>();
        std::string text;
        for (const char* line : c.level) text += std::string(line) + "\n";
        ASSERT_EQ(cwtest::load(engine->levelToLoad(), text), cw::Outcome::Ready);
        engine->setTimeLimit(10);
        engine->setSolverChoice(cw::SolverChoice::Two); // thread one would race it for these easy ones
        EXPECT_EQ(engine->solveLevel(), cw::Outcome::Solved) << text;
        EXPECT_EQ(engine->control().solvedBy.load(), cw::SolvedBy::Bidirectional);
        EXPECT_EQ(cwtest::replayFault(text, engine->trace().text()), "");
        EXPECT_LE(engine->control().twoNodeCount.load(), c.maxNodes) << text;
    }
}

TEST(TwoSolve, FixedBoxOnAGoalDoesNotSpoilTheHandoff) {
    auto engine = std::make_unique<cw::Engine>();
    const std::string text = rows({"#########", "#### $ .#", "#  * $. #", "####@   #", "#########"});
    ASSERT_EQ(cwtest::load(engine->levelToLoad(), text), cw::Outcome::Ready);
    engine->setTimeLimit(10);
    ASSERT_EQ(engine->solveLevel(), cw::Outcome::Solved);
    EXPECT_EQ(cwtest::replayFault(text, engine->trace().text()), "");
}

TEST(TwoSolve, EverySampleLevelIsSolvedWithAReplayCheckedString) {
    auto engine = std::make_unique<cw::Engine>();
    const cwtest::ScratchDir dir;
    cw::LevelSet set(engine->levelToLoad(), dir.file("paste.txt"));
    ASSERT_TRUE(set.loadSample());
    ASSERT_EQ(set.levelTotal(), cw::SampleLevelCount);
    for (int n = 1; n <= cw::SampleLevelCount; n++) {
        set.goTo(n);
        engine->setTimeLimit(60);
        EXPECT_EQ(engine->solveLevel(), cw::Outcome::Solved) << "sample level " << n;
        EXPECT_EQ(cwtest::replayFault(cwtest::nthLevel(cw::sampleSetText(), n), engine->trace().text()), "")
            << "sample level " << n;
        EXPECT_GT(engine->trace().pushCount, 0);
    }
}

} // namespace
