// Thread one's main search: its driver's edge cases, the late-goal table, the cycle tables, and
// levels solved by thread one alone, checked by a replay of our own.
#include <gtest/gtest.h>

#include "level/sample_set.h"
#include "solver/analysis.h"
#include "tests/main_fixture.h"

namespace {

using cwtest::rows;

struct MainSearchTest : cwtest::MainFixture {};

TEST_F(MainSearchTest, LevelWhoseBoxesAllStandOnGoalsIsSolvedWithoutSearch) {
    prepare(rows({"#######", "#@ $ .#", "#######"}));
    // The position a stage may be handed: the box already on its goal, the level not solved at start.
    cw::Level& level = cw::EngineProbe::level(*engine);
    level.baseBoard[at(1, 3)] = cw::Free;
    level.baseBoard[at(1, 5)] = cw::BoxOn;
    ASSERT_EQ(level.levelStartsSolved, 0);
    cw::RangeLists scratch;
    ASSERT_EQ(cw::prepareSearch(level, pos(), level.baseBoard.data(), level.startPlayer, scratch),
              cw::Prepared::Solved);
    EXPECT_EQ(main().mainSearch(), cw::Step::Solved);
    EXPECT_EQ(main().orderNodeCount(), 0);
    EXPECT_EQ(main().placementsTried(), 0);
    EXPECT_EQ(main().path().pathLength, 0);
    EXPECT_EQ(engine->trace().text(), "");
}

// Three goals: a corner goal whose frozen box would keep the goal below it from ever being emptied
// (1), that goal itself, walled in on three sides and below a gate cell, blocking nothing (2), and
// an open goal (0).
TEST_F(MainSearchTest, LateGoalsMarkWhatAFrozenBoxWouldBlockOrWallIn) {
    prepare(
        rows({"#########", "#.      #", "#    .  #", "#.####  #", "## $ $$ #", "#@      #", "#########"}));
    main().loadCycleTables(pos().boxCount);
    main().buildLateGoals();
    EXPECT_EQ(main().lateGoal()[at(1, 1)], 1);
    EXPECT_EQ(main().lateGoal()[at(3, 1)], 2);
    EXPECT_EQ(main().lateGoal()[at(2, 5)], 0);
}

TEST_F(MainSearchTest, OrderedTargetsAllowEverySideWithAtMostTwoBoxes) {
    struct Case {
        std::string level;
        int mode;
        int sides;
    };
    const std::string two = rows({"#######", "#@    #", "# $$  #", "# ..  #", "#######"});
    const std::string three = rows({"#######", "#@    #", "# $$$ #", "# ... #", "#######"});
    for (const Case& c : {Case{two, 1, 15}, Case{two, 2, 4}, Case{three, 1, 4}}) {
        SCOPED_TRACE(c.level);
        prepare(c.level);
        main().targetMode() = c.mode;
        main().targetCount() = 1;
        main().targetCell()[0] = at(3, 2);
        main().targetSides()[0] = 4;
        main().targetBoxes()[0].fill(1);
        main().loadCycleTables(pos().boxCount);
        EXPECT_EQ(main().placeTargetSides()[0], c.sides);
    }
}

std::string sampleLevel(int n) {
    return cwtest::nthLevel(cw::sampleSetText(), n);
}

// Rows of boxes to bring to two rows of goals: 28 boxes, more than thread two takes.
const std::string twentyEightBoxes = rows({
    "################",
    "#..............#",
    "#..............#",
    "#              #",
    "# $ $ $ $ $ $ $#",
    "#$ $ $ $ $ $ $ #",
    "#              #",
    "# $ $ $ $ $ $ $#",
    "#$ $ $ $ $ $ $ #",
    "#      @       #",
    "################",
});

TEST_F(MainSearchTest, ThreadOneAloneSolvesAndTheMovesReplay) {
    std::vector<std::string> levels = {
        twentyEightBoxes, rows({"#######", "#  #  #", "# #   #", "# $  @#", "# ..$ #", "#######"})};
    for (int n = 1; n <= cw::SampleLevelCount; n++) levels.push_back(sampleLevel(n));
    engine->setSolverChoice(cw::SolverChoice::One);
    for (const std::string& level : levels) {
        SCOPED_TRACE(level);
        ASSERT_EQ(cwtest::load(engine->levelToLoad(), level), cw::Outcome::Ready);
        engine->setTimeLimit(60);
        EXPECT_EQ(engine->solveLevel(), cw::Outcome::Solved);
        EXPECT_EQ(engine->control().solvedBy.load(), cw::SolvedBy::ThreadOne);
        EXPECT_EQ(engine->control().threadTwoResult.load(), cw::Outcome::Failed); // it never searched
        EXPECT_EQ(cwtest::replayFault(level, engine->trace().text()), "");
    }
}

// No goal can be filled first here: the first plan yields no ordered target, so a box is moved to
// where the plan's first step puts it (mode 2) before the goals are filled one by one.
TEST_F(MainSearchTest, LevelWithoutAFirstGoalIsSolvedThroughTheFallbackTarget) {
    const std::string level = rows({"########", "#. $  ##", "#@#. $ #", "#. $   #", "########"});
    prepare(level);
    // The meeting search would meet first on so small a level: out of the way, as if its table
    // were full.
    cw::BidirProbe<cw::MeetingSearch>(cw::EngineProbe::threadOne(*engine).meet).meetState() =
        cw::MeetState::Full;
    ASSERT_EQ(main().mainSearch(), cw::Step::Solved);
    EXPECT_GE(main().fallbackPlacements(), 1);
    EXPECT_EQ(cwtest::replayFault(level, engine->trace().text()), "");
}

} // namespace
