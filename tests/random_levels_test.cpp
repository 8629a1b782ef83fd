// Levels solvable by construction, solved with a short limit: none may end "Impossible", and every
// reported solution must pass a replay written apart from the engine.
#include <gtest/gtest.h>

#include <memory>

#include "engine/engine.h"
#include "probes/random_levels.h"
#include "tests/test_levels.h"

namespace {

TEST(RandomLevels, GeneratedLevelsAreParsedReadyAndDiffer) {
    const std::string a = cwtest::randomSolvableLevel(1);
    EXPECT_EQ(a, cwtest::randomSolvableLevel(1));
    EXPECT_NE(a, cwtest::randomSolvableLevel(2));
    cw::Level level;
    EXPECT_EQ(cwtest::load(level, a), cw::Outcome::Ready) << a;
    EXPECT_EQ(level.levelStartsSolved, 0);
}

TEST(RandomLevels, SolvableLevelsAreNeverImpossibleAndSolutionsReplay) {
    auto engine = std::make_unique<cw::Engine>();
    int solved = 0, runs = 0;
    for (std::uint64_t seed = 1; seed <= 300; ++seed) {
        cwtest::RandomLevelOptions o;
        o.boxes = 1 + static_cast<int>(seed % 4);
        o.width = 7 + static_cast<int>(seed % 4);
        o.height = 7 + static_cast<int>((seed / 4) % 3);
        const std::string text = cwtest::randomSolvableLevel(seed, o);
        ASSERT_EQ(cwtest::load(engine->levelToLoad(), text), cw::Outcome::Ready) << text;
        engine->setTimeLimit(3);
        const cw::Outcome outcome = engine->solveLevel();
        ++runs;
        EXPECT_NE(outcome, cw::Outcome::Impossible) << "seed " << seed << "\n" << text;
        EXPECT_NE(outcome, cw::Outcome::TraceMiss) << "seed " << seed << "\n" << text;
        if (outcome != cw::Outcome::Solved) continue;
        ++solved;
        EXPECT_EQ(cwtest::replayFault(text, engine->trace().text()), "") << "seed " << seed << "\n" << text;
    }
    // Small levels: a solver that gives up on them is broken, not slow.
    EXPECT_GE(solved, runs * 9 / 10);
}

} // namespace
