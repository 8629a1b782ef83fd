#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <string>
#include <thread>

#include "engine/engine.h"
#include "probes/engine_probe.h"
#include "tests/test_levels.h"

namespace {

using cwtest::rows;

const std::string slowLevel = cwtest::slowLevel();

// A row "#" + inner + "#" with the inner part `fill` repeated and `head` in front.
std::string walled(const std::string& head, char fill, int inner) {
    std::string row = "#";
    row.append(head);
    row.append(static_cast<std::size_t>(inner) - head.size(), fill);
    row.push_back('#');
    return row;
}

std::string wideLevel(int columns) {
    const std::string top(columns, '#');
    const std::string middle = walled("@$.", ' ', columns - 2);
    return rows({top.c_str(), middle.c_str(), top.c_str()});
}

// Rows of ten boxes, each box one push below its goal.
std::string boxBlocks(int boxes) {
    std::string text = std::string(12, '#') + "\n";
    for (int left = boxes; left > 0; left -= 10) {
        const int n = left < 10 ? left : 10;
        text += walled(std::string(n, '.'), ' ', 10) + "\n";
        text += walled(std::string(n, '$'), ' ', 10) + "\n";
        text += walled(left == boxes ? "@" : "", ' ', 10) + "\n";
    }
    return text + std::string(12, '#') + "\n";
}

// A row of boxes each one push below its goal.
std::string boxRow(int boxes) {
    const std::string wall(boxes + 2, '#');
    const std::string goals = walled("", '.', boxes);
    const std::string crates = walled("", '$', boxes);
    const std::string floor = walled("@", ' ', boxes);
    return rows({wall.c_str(), goals.c_str(), crates.c_str(), floor.c_str(), wall.c_str()});
}

struct DriverTest : ::testing::Test {
    std::unique_ptr<cw::Engine> engine = std::make_unique<cw::Engine>();

    cw::Outcome solve(const std::string& text, int seconds = 30) {
        cwtest::load(engine->levelToLoad(), text);
        engine->setTimeLimit(seconds);
        return engine->solveLevel();
    }
    int counted() const {
        return engine->control().solvedCount + engine->control().failedCount + engine->control().skippedCount;
    }
};

TEST_F(DriverTest, LevelsThatAreNotReadyAreNotRunButCounted) {
    struct Case {
        std::string text;
        cw::Outcome outcome;
        int failed, skipped;
    };
    const Case cases[] = {
        {wideLevel(51), cw::Outcome::SizeOver, 1, 0},
        {boxBlocks(65), cw::Outcome::BoxesOver, 1, 0},
        {rows({"######", "#@$..#", "######"}), cw::Outcome::Irregular, 0, 1},
        {rows({"######", "#$ @.#", "#    #", "######"}), cw::Outcome::Impossible, 0, 1},
    };
    for (const Case& c : cases) {
        cw::EngineProbe::control(*engine).failedCount = 0;
        cw::EngineProbe::control(*engine).skippedCount = 0;
        EXPECT_EQ(solve(c.text), c.outcome) << c.text;
        EXPECT_EQ(engine->control().threadOneResult.load(), cw::Outcome::NoLevel) << "no thread may start";
        EXPECT_EQ(engine->control().failedCount.load(), c.failed);
        EXPECT_EQ(engine->control().skippedCount.load(), c.skipped);
        EXPECT_EQ(engine->control().runResult.load(), c.outcome);
    }
}

TEST_F(DriverTest, LevelSolvedAtTheStartEndsSolvedWithAnEmptyString) {
    EXPECT_EQ(solve(rows({"######", "#@ * #", "#  * #", "######"})), cw::Outcome::Solved);
    EXPECT_EQ(engine->trace().text(), "");
    EXPECT_EQ(engine->trace().moveCount, 0);
    EXPECT_EQ(engine->control().solvedCount.load(), 1);
}

TEST_F(DriverTest, TwentySevenBoxesAreDeclinedByThreadTwoAndSolvedByThreadOne) {
    const std::string level = boxRow(27);
    const cw::Outcome outcome = solve(level, 300);
    EXPECT_EQ(engine->control().threadTwoResult.load(), cw::Outcome::BoxesOver);
    EXPECT_EQ(outcome, cw::Outcome::Solved);
    EXPECT_EQ(engine->control().solvedBy.load(), cw::SolvedBy::ThreadOne);
    EXPECT_EQ(cwtest::replayFault(level, engine->trace().text()), "");
    EXPECT_EQ(engine->control().solvedCount.load(), 1);
}

// The limit is measured in milliseconds from the run's start, not in whole clock seconds.
TEST_F(DriverTest, OneSecondLimitEndsWithTimeoutAfterOneSecond) {
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(solve(slowLevel, 1), cw::Outcome::Timeout);
    const auto took = std::chrono::steady_clock::now() - start;
    EXPECT_GE(took, std::chrono::milliseconds(900));
    EXPECT_LE(took, std::chrono::milliseconds(1300));
    EXPECT_EQ(engine->control().stopRequest.load(), cw::StopRequest::None);
    EXPECT_EQ(engine->control().failedCount.load(), 1);
}

TEST_F(DriverTest, CancelEndsWithCancelAndCountsNothing) {
    cwtest::load(engine->levelToLoad(), slowLevel);
    engine->setTimeLimit(60);
    std::thread canceller([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        engine->cancel();
    });
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(engine->solveLevel(), cw::Outcome::Cancel);
    canceller.join();
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
    EXPECT_EQ(counted(), 0);
    EXPECT_EQ(engine->control().threadTwoResult.load(), cw::Outcome::Timeout);
}

TEST_F(DriverTest, SolvedRunIsReplayCheckedAndARepeatRunGivesTheSameString) {
    const std::string text = rows({"#######", "#     #", "# $@$ #", "#.   .#", "#######"});
    // One thread at a time: with both, either may win the race and the strings may differ.
    for (cw::SolverChoice choice : {cw::SolverChoice::One, cw::SolverChoice::Two}) {
        engine->setSolverChoice(choice);
        const int before = engine->control().solvedCount.load();
        ASSERT_EQ(solve(text), cw::Outcome::Solved);
        EXPECT_EQ(engine->control().solvedBy.load(),
                  choice == cw::SolverChoice::One ? cw::SolvedBy::ThreadOne : cw::SolvedBy::Bidirectional);
        EXPECT_EQ(cwtest::replayFault(text, engine->trace().text()), "");
        const std::string first(engine->trace().text());
        // The driver's dead-end filling leaves nothing to fill again, so a second run sees the same
        // board, and what a run left in the node stores does not steer the next one.
        ASSERT_EQ(engine->solveLevel(), cw::Outcome::Solved);
        EXPECT_EQ(engine->trace().text(), first);
        EXPECT_EQ(engine->control().solvedCount.load(), before + 2);
    }
}

} // namespace
