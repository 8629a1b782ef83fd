// The corral test of the bidirectional searches, small and large: corrals that are dead or open,
// corrals with more boxes than a variant takes, corrals without search, and cached answers.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "search/bidir/subset_corral.h"
#include "tests/bidir_fixture.h"
#include "tests/level_fixture.h"

namespace {

using cwtest::doorway;
using cwtest::rows;

struct SubsetCorralTest : cwtest::BidirFixture {
    std::unique_ptr<cw::RangeLists> ranges = std::make_unique<cw::RangeLists>();
    std::unique_ptr<cw::SmallCorral> small;
    std::unique_ptr<cw::LargeCorral> large;

    // The prepared start position on the stage board, as a forward expansion leaves it.
    void setUp(const std::string& level) {
        prepare(level);
        stage().copyFrom(engine->level(), pos());
        stage().stageBoxCount = pos().boxCount;
        stage().stageBoxList = pos().boxList;
        std::byte* store = cw::EngineProbe::stores(*engine).nodeStoreOne();
        small = std::make_unique<cw::SmallCorral>(engine->level(), engine->control(), stage(), *ranges);
        large = std::make_unique<cw::LargeCorral>(engine->level(), engine->control(), stage(), *ranges);
        small->attach(store, cw::SmallSubset::Region.offset);
        large->attach(store, cw::LargeSubset::Region.offset);
        small->setUp();
        large->setUp();
    }
    int player() const { return cw::EngineProbe::pos(*engine).searchPlayer; }
};

// Each variant tests corrals of up to its box limit; a corral with more boxes is not tested.
TEST_F(SubsetCorralTest, DoorwaysUpToTheBoxLimitAreDeadCorrals) {
    struct Case {
        int boxes;
        int small, large;
    };
    for (const Case& c : {Case{2, 1, 1}, Case{6, 1, 1}, Case{7, 0, 1}, Case{18, 0, 1}, Case{19, 0, 0}}) {
        SCOPED_TRACE(c.boxes);
        setUp(doorway(c.boxes, false));
        EXPECT_EQ(small->corralTest(at(3, 1), player()), c.small);
        EXPECT_EQ(large->corralTest(at(3, 1), player()), c.large);
    }
}

TEST_F(SubsetCorralTest, CorralThatABoxCanOpenIsNoDeadlock) {
    setUp(doorway(2, true));
    EXPECT_EQ(small->corralTest(at(3, 1), player()), 0);
    EXPECT_EQ(large->corralTest(at(3, 1), player()), 0);
}

// The first test of a dead corral searches and caches the verdict; the second is answered by the
// root's lookup and gives its test number back.
TEST_F(SubsetCorralTest, CachedDeadlockIsAnsweredWithoutASearch) {
    setUp(doorway(3, false));
    ASSERT_EQ(small->corralTest(at(3, 2), player()), 1);
    const std::uint32_t stamp = small->subsetStamp;
    const int counter = small->subsetNodeCounter;
    EXPECT_EQ(stamp, 1u);
    EXPECT_EQ(small->corralTest(at(3, 1), player()), 1);
    EXPECT_EQ(small->subsetStamp, stamp);
    EXPECT_EQ(small->subsetNodeCounter, counter);
}

TEST_F(SubsetCorralTest, PushThatCutsNothingOffNeedsNoSearch) {
    setUp(rows({"#######", "#@    #", "# $$  #", "# ..  #", "#######"}));
    EXPECT_EQ(small->corralTest(at(2, 2), player()), 0);
    EXPECT_EQ(large->corralTest(at(2, 2), player()), 0);
    EXPECT_EQ(small->subsetStamp, 0u);
    EXPECT_EQ(large->subsetStamp, 0u);
}

// Boxes on their goals around a corral: solved at the root, nothing stored, the test number back.
TEST_F(SubsetCorralTest, CorralOfBoxesOnGoalsIsSolvedAtTheRoot) {
    setUp(rows({"######", "#@   #", "#  $.#", "#**###", "#  ###", "######"}));
    EXPECT_EQ(small->corralTest(at(3, 1), player()), 0);
    EXPECT_EQ(large->corralTest(at(3, 1), player()), 0);
    EXPECT_EQ(small->subsetStamp, 0u);
    EXPECT_EQ(large->subsetStamp, 0u);
    EXPECT_EQ(small->subsetNodeCounter, 0);
}

// Once the test numbers reach the counter limit no node can be stored, and a corral not cached
// already is not proven dead.
TEST_F(SubsetCorralTest, NoNodeIsStoredPastTheCounterLimit) {
    setUp(doorway(2, false));
    small->subsetStamp = cw::SmallSubset::CounterLimit;
    EXPECT_EQ(small->corralTest(at(3, 1), player()), 0);
    large->subsetStamp = cw::LargeSubset::CounterLimit;
    EXPECT_EQ(large->corralTest(at(3, 1), player()), 0);
}

// A position drawn in rows whose every free cell may hold a box as far as the push masks go. The
// box on (4, 4) borders the one-cell corral below it; pushed down it would freeze there, off its
// goal, so that push is tried and dropped, and pushed right it opens the corral. Every test must
// leave the subset board as it found it: walls only, with each tried box back where it stood, in
// the board and in the subset's list alike, or a stray box turns later tests into false deadlocks.
TEST_F(SubsetCorralTest, TriedBoxGoesBackInTheListAndLeavesNoStrayBox) {
    auto lv = cwtest::levelFromRows(
        {"########", "#. #   #", "# *    #", "#  #  ##", "#   $ ##", "#@.# # #", "## ##  #", "########"});
    cw::StageCopies st;
    for (int c = 0; c < lv->cellCount; c++) {
        st.stageBoard[c] = lv->baseBoard[c];
        st.stagePushMask[c] = st.stageBoard[c] == cw::Blocked ? 0 : 1;
        if (st.stageBoard[c] == cw::BoxOn) st.stageBoxList[st.stageBoxCount++] = c;
    }
    std::vector<std::byte> smallTable(cw::SmallSubset::Slots * sizeof(cw::SmallCorral::Node));
    cw::SmallCorral corral(*lv, engine->control(), st, *ranges);
    corral.attach(smallTable.data(), 0);
    corral.setUp();
    engine->startClock();
    cw::Board reach{};
    const int player = cw::reachFill(*lv, st.stageBoard.data(), reach.data(), lv->startPlayer);
    auto boxesLeft = [&] {
        int n = 0;
        for (int c = 0; c < lv->cellCount; c++) n += corral.subsetBoard()[c] == cw::BoxOn ? 1 : 0;
        return n;
    };
    for (int round = 0; round < 2; round++) {
        EXPECT_EQ(corral.corralTest(cwtest::at(*lv, 2, 2), player), 0);
        EXPECT_EQ(corral.corralTest(cwtest::at(*lv, 4, 4), player), 0);
        EXPECT_EQ(boxesLeft(), 0);
    }
}

} // namespace
