// The three corral tests side by side on one table of positions: the main search's, the
// bidirectional searches' (small and large) and thread two's. Each position is the prepared start
// of a level, read as the push that brought the marked box to its cell; the verdicts differ only
// where a variant's box limit leaves a corral untested ("not proven" is no deadlock).
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <memory>
#include <string>
#include <type_traits>
#include <vector>

#include "search/bidir/subset_corral.h"
#include "search/main/pen_corral.h"
#include "search/two/two_solver.h"
#include "tests/bidir_fixture.h"

namespace {

using cwtest::doorway;
using cwtest::rows;

struct Verdicts {
    int pen, small, large, two; // 1 deadlock, 0 none or not proven
};

struct CorralVerdicts : cwtest::BidirFixture {
    std::unique_ptr<cw::RangeLists> ranges = std::make_unique<cw::RangeLists>();
    std::vector<std::byte> penTable = std::vector<std::byte>(cw::PenTableSize * sizeof(cw::PenRecord));

    // The verdicts of every variant on the prepared start, for the box on `cell` just pushed there.
    Verdicts verdicts(const std::string& level, int row, int column) {
        // A fresh engine: a corral table attached anew reads its store as empty.
        engine = std::make_unique<cw::Engine>();
        prepare(level);
        const int cell = at(row, column);
        const int player = pos().searchPlayer;
        return {penVerdict(cell, player), subsetVerdict<cw::SmallCorral>(cell, player),
                subsetVerdict<cw::LargeCorral>(cell, player), twoVerdict(cell, player)};
    }

    int penVerdict(int cell, int player) {
        cw::Board board = pos().searchBoard;
        std::array<int, cw::MaxBoxes> boxes = pos().boxList;
        int count = pos().boxCount;
        std::fill(penTable.begin(), penTable.end(), std::byte{0});
        cw::PenCorral pen(engine->level(), engine->control(), true);
        pen.attach(penTable.data(), 0);
        pen.setCaller(board.data(), boxes.data(), &count, pos().pushMask.data());
        pen.clearTable();
        cw::Board reach{};
        const int a = cw::reachFill(engine->level(), board.data(), reach.data(), player);
        return pen.penTest(cell, a, reach.data());
    }

    template <typename Corral> int subsetVerdict(int cell, int player) {
        stage().copyFrom(engine->level(), pos());
        stage().stageBoxCount = pos().boxCount;
        stage().stageBoxList = pos().boxList;
        Corral corral(engine->level(), engine->control(), stage(), *ranges);
        corral.attach(cw::EngineProbe::stores(*engine).nodeStoreOne(), std::is_same_v<Corral, cw::SmallCorral>
                                                                           ? cw::SmallSubset::Region.offset
                                                                           : cw::LargeSubset::Region.offset);
        corral.setUp();
        return corral.corralTest(cell, player);
    }

    int twoVerdict(int cell, int player) {
        std::unique_ptr<cw::TwoSolver> solver = cw::EngineProbe::twoSolver(*engine);
        cw::TwoSolverProbe two(*solver);
        two.twoClearStore();
        return two.corralDeadlock(cell, player) ? 1 : 0;
    }
};

TEST_F(CorralVerdicts, EveryVariantAgreesWithinItsBoxLimit) {
    struct Case {
        int boxes;
        bool goalBelow;
        Verdicts expected;
    };
    // Box limits: the main search's 18, the small subset's 6, the large subset's 18, thread two's 12.
    const Case cases[] = {
        {2, false, {1, 1, 1, 1}},  {6, false, {1, 1, 1, 1}},  {7, false, {1, 0, 1, 1}},
        {12, false, {1, 0, 1, 1}}, {13, false, {1, 0, 1, 0}}, {18, false, {1, 0, 1, 0}},
        {19, false, {0, 0, 0, 0}}, {2, true, {0, 0, 0, 0}},   {6, true, {0, 0, 0, 0}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.boxes) + (c.goalBelow ? " boxes, goal below" : " boxes"));
        const Verdicts v = verdicts(doorway(c.boxes, c.goalBelow), 3, 1);
        EXPECT_EQ(v.pen, c.expected.pen);
        EXPECT_EQ(v.small, c.expected.small);
        EXPECT_EQ(v.large, c.expected.large);
        EXPECT_EQ(v.two, c.expected.two);
    }
}

// A push that leaves every free cell around the box in the player's region cuts nothing off: no
// variant calls it a deadlock.
TEST_F(CorralVerdicts, NoCutOffAreaIsNoDeadlockAnywhere) {
    const Verdicts v = verdicts(rows({"#######", "#@    #", "# $$  #", "#  .. #", "#######"}), 2, 2);
    EXPECT_EQ(v.pen, 0);
    EXPECT_EQ(v.small, 0);
    EXPECT_EQ(v.large, 0);
    EXPECT_EQ(v.two, 0);
}

} // namespace
