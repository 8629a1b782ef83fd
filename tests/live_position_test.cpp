// The live position: copied only when asked, the newest of the two threads, and published by thread
// two's search during a real run while another thread asks for it (run under ThreadSanitizer too).
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <set>
#include <thread>

#include "engine/engine.h"
#include "level/level_set.h"
#include "tests/test_levels.h"

namespace {

TEST(LivePosition, CopiesOnlyWhenAskedAndOncePerRequest) {
    cw::LivePosition live;
    const int boxes[3] = {12, 30, 41};
    live.offer(boxes, 3, 7);
    EXPECT_EQ(live.read().serial, 0u) << "nobody asked";
    live.request();
    live.offer(boxes, 3, 7);
    const cw::LiveSnapshot first = live.read();
    EXPECT_NE(first.serial, 0u);
    EXPECT_EQ(first.boxCount, 3);
    EXPECT_EQ(first.player, 7);
    EXPECT_EQ(first.boxes[2], 41);
    const int moved[3] = {13, 30, 41};
    live.offer(moved, 3, 8); // the request was used up
    EXPECT_EQ(live.read().serial, first.serial);
    live.request();
    live.offer(moved, 3, 8);
    EXPECT_GT(live.read().serial, first.serial);
    EXPECT_EQ(live.read().boxes[0], 13);
    live.clear();
    EXPECT_EQ(live.read().serial, 0u);
    live.offer(moved, 3, 8); // a cleared request is no request
    EXPECT_EQ(live.read().serial, 0u);
}

TEST(LivePosition, TheNewestOfTheTwoThreadsIsShown) {
    cw::RunControl control;
    const std::int16_t one[1] = {5};
    const std::int16_t two[1] = {9};
    EXPECT_EQ(control.newestLive().serial, 0u);
    control.requestLive();
    control.threadTwoLive.offer(two, 1, 2);
    EXPECT_EQ(control.newestLive().boxes[0], 9);
    control.threadOneLive.offer(one, 1, 3);
    EXPECT_EQ(control.newestLive().boxes[0], 5);
    control.requestLive();
    control.threadTwoLive.offer(two, 1, 4);
    EXPECT_EQ(control.newestLive().player, 4);
}

// Each thread alone: what it publishes is a whole position of the level, and it changes as it goes.
class LiveWhileSearching : public ::testing::TestWithParam<cw::SolverChoice> {};

TEST_P(LiveWhileSearching, TheSearchingThreadPublishesWholePositions) {
    cw::Engine engine;
    engine.setSolverChoice(GetParam());
    ASSERT_TRUE(engine.storesReady());
    cw::LevelSet set(engine.levelToLoad(), std::string());
    ASSERT_TRUE(set.loadPasted(cwtest::slowLevel()));
    ASSERT_EQ(engine.level().levelStatus, cw::Outcome::Ready);
    engine.setTimeLimit(60);
    // The run's own tables are the solver's while it runs; the checks read a copy taken before.
    const auto before = std::make_unique<cw::Level>(engine.level());
    std::atomic<bool> done{false};
    cw::Outcome outcome = cw::Outcome::NoLevel;
    std::thread worker([&] {
        outcome = engine.solveLevel();
        done.store(true);
    });
    std::set<std::vector<int>> seen;
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(50);
    while (!done.load() && seen.size() < 4 && std::chrono::steady_clock::now() < until) {
        engine.requestLive();
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        const cw::LiveSnapshot s = engine.control().newestLive();
        if (s.serial == 0) continue;
        EXPECT_EQ(s.boxCount, 16);
        std::vector<int> key(s.boxes.begin(), s.boxes.begin() + s.boxCount);
        key.push_back(s.player);
        for (int i = 0; i < s.boxCount; i++) {
            const int cell = s.boxes[static_cast<std::size_t>(i)];
            ASSERT_TRUE(cell > 0 && cell < before->cellCount);
            EXPECT_EQ(before->levelCells[static_cast<std::size_t>(cell)] & cw::CellWall, 0);
        }
        seen.insert(key);
    }
    const bool stillRunning = !done.load();
    engine.cancel();
    worker.join();
    EXPECT_TRUE(stillRunning) << "the level was meant to keep the thread busy";
    EXPECT_GE(seen.size(), 4u);
    EXPECT_EQ(outcome, cw::Outcome::Cancel);
    engine.clearRun();
    EXPECT_EQ(engine.control().newestLive().serial, 0u);
}

INSTANTIATE_TEST_SUITE_P(Threads, LiveWhileSearching,
                         ::testing::Values(cw::SolverChoice::Two, cw::SolverChoice::One),
                         [](const ::testing::TestParamInfo<cw::SolverChoice>& info) {
                             return std::string(info.param == cw::SolverChoice::One ? "threadOne"
                                                                                    : "threadTwo");
                         });

} // namespace
