// The batch loop on levels that end without a search: size over, irregular, impossible and solved at
// the start. Result files are compared byte for byte with a fixed clock.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <vector>

#include "batch/batch_run.h"
#include "engine/engine.h"
#include "level/level_set.h"
#include "probes/engine_probe.h"
#include "tests/test_levels.h"

namespace {

const cw::LocalStamp start{2023, 1, 2, 3, 4};
const cw::LocalStamp finish{2023, 1, 2, 5, 6};

const std::string hyphens = "------------------------------------------------------\n";

// 51 columns: one more than the board may have.
std::string sizeOverLevel() {
    const std::string wall(51, '#');
    std::string middle = "#@$." + std::string(46, ' ') + "#";
    return wall + "\n" + middle + "\n" + wall + "\n";
}

const std::string irregularLevel = cwtest::rows({"######", "#@$$.#", "######"}); // two boxes, one goal
const std::string impossibleLevel =
    cwtest::rows({"#####", "#$  #", "# @.#", "#####"});                    // box stuck in a corner
const std::string solvedLevel = cwtest::rows({"#####", "#@* #", "#####"}); // every box on a goal

std::string joined(const std::vector<std::string>& levels) {
    std::string text;
    for (const std::string& level : levels) text += level + "\n";
    return text;
}

std::string header(int levelTotal, int timeLimitSec = 7) {
    return "# Cratewise Ver7.3 by korrin (Aug/2021)\n"
           "# LevelSetName: TextBox (" +
           std::to_string(levelTotal) +
           " levels)\n"
           "# MaxSize [50*50(64)] Memory 3.5GB TimeLimit " +
           std::to_string(timeLimitSec) +
           "sec\n"
           " No.  W  H   B    Time        [2023/01/02 03:04 Start]\n" +
           hyphens;
}

std::string summary(int solved, int failed, int skipped) {
    return cw::summaryText(solved, failed, skipped, finish);
}

class BatchTest : public testing::Test {
  protected:
    void SetUp() override {
        resultPath_ = dir_.path() / "result.txt";
        engine_ = std::make_unique<cw::Engine>();
        set_ = std::make_unique<cw::LevelSet>(engine_->levelToLoad(), dir_.file("paste.txt"));
    }

    void load(const std::vector<std::string>& levels) {
        ASSERT_TRUE(set_->loadPasted(joined(levels)));
        ASSERT_EQ(set_->levelTotal(), static_cast<int>(levels.size()));
    }

    cw::BatchOptions options(int first, int last) {
        cw::BatchOptions o;
        o.first = first;
        o.last = last;
        o.timeLimitSec = 7;
        o.output = &file_;
        int calls = 0;
        o.clock = [calls]() mutable { return calls++ == 0 ? start : finish; };
        return o;
    }

    std::string result() const { return cwtest::readFile(resultPath_); }

    cwtest::ScratchDir dir_;
    std::filesystem::path resultPath_;
    std::unique_ptr<cw::Engine> engine_;
    std::unique_ptr<cw::LevelSet> set_;
    cw::ResultFile file_;
};

TEST_F(BatchTest, RangeOfOneLevelWritesOneLineBetweenTheHyphenLines) {
    load({irregularLevel, impossibleLevel, solvedLevel});
    ASSERT_TRUE(file_.open(resultPath_.string()));
    std::vector<int> shown;
    cw::BatchHooks hooks;
    hooks.levelShown = [&](int n) { shown.push_back(n); };
    cw::BatchRun batch(*engine_, *set_);
    const cw::BatchSummary s = batch.run(options(2, 2), hooks);
    EXPECT_EQ(result(), header(3) + "   2[ 5* 4(  1)]   0sec Skiped Impossible\n" + summary(0, 0, 1));
    EXPECT_EQ(shown, std::vector<int>{2});
    EXPECT_EQ(s.levelsRun, 1);
    EXPECT_EQ(s.lastOutcome, cw::Outcome::Impossible);
    EXPECT_FALSE(s.cancelled);
}

TEST_F(BatchTest, LevelsNotRunShowZeroSecondsAndCountAsFailedOrSkipped) {
    load({sizeOverLevel(), irregularLevel, solvedLevel});
    ASSERT_TRUE(file_.open(resultPath_.string()));
    // Leftovers of an earlier run must not leak into the lines or the counters.
    cw::EngineProbe::control(*engine_).runSeconds.store(42);
    cw::EngineProbe::control(*engine_).solvedCount.store(5);
    cw::EngineProbe::control(*engine_).failedCount.store(5);
    cw::EngineProbe::control(*engine_).skippedCount.store(5);
    std::vector<cw::LevelReport> reports;
    cw::BatchHooks hooks;
    hooks.levelDone = [&](const cw::LevelReport& r) { reports.push_back(r); };
    cw::BatchRun batch(*engine_, *set_);
    const cw::BatchSummary s = batch.run(options(1, 0), hooks);
    EXPECT_EQ(result(), header(3) +
                            "   1[51* 3(  1)]   0sec Failed SizeOver\n"
                            "   2[ 6* 3(  2)]   0sec Skiped Strange\n"
                            "   3[ 5* 3(  1)]   0sec     0moves    0pushes\n" +
                            summary(1, 1, 1));
    ASSERT_EQ(reports.size(), 3u);
    EXPECT_EQ(reports[0].outcome, cw::Outcome::SizeOver);
    EXPECT_EQ(reports[0].failedCount, 1);
    EXPECT_EQ(reports[1].outcome, cw::Outcome::Irregular);
    EXPECT_EQ(reports[1].skippedCount, 1);
    EXPECT_EQ(reports[2].outcome, cw::Outcome::Solved);
    EXPECT_EQ(reports[2].solvedCount, 1);
    for (const cw::LevelReport& r : reports) EXPECT_EQ(r.seconds, 0) << "level " << r.number;
    EXPECT_EQ(s.solvedCount, 1);
    EXPECT_EQ(s.failedCount, 1);
    EXPECT_EQ(s.skippedCount, 1);
}

TEST_F(BatchTest, StepsBackToTheFirstLevelOfTheRange) {
    load({impossibleLevel, irregularLevel, solvedLevel});
    set_->goTo(3);
    ASSERT_TRUE(file_.open(resultPath_.string()));
    cw::BatchRun batch(*engine_, *set_);
    batch.run(options(1, 2));
    EXPECT_EQ(result(), header(3) +
                            "   1[ 5* 4(  1)]   0sec Skiped Impossible\n"
                            "   2[ 6* 3(  2)]   0sec Skiped Strange\n" +
                            summary(0, 0, 2));
    EXPECT_EQ(set_->levelNumber(), 2);
}

TEST_F(BatchTest, CancelBetweenRunsWritesCancelAndTheSummary) {
    load({irregularLevel, solvedLevel, impossibleLevel});
    ASSERT_TRUE(file_.open(resultPath_.string()));
    cw::BatchRun batch(*engine_, *set_);
    std::vector<int> shown;
    cw::BatchHooks hooks;
    hooks.levelShown = [&](int n) { shown.push_back(n); };
    hooks.levelDone = [&](const cw::LevelReport&) { batch.cancel(); };
    const cw::BatchSummary s = batch.run(options(1, 3), hooks);
    EXPECT_EQ(result(), header(3) + "   1[ 6* 3(  2)]   0sec Skiped Strange\n->Cancel\n" + summary(0, 0, 1));
    EXPECT_EQ(shown, std::vector<int>{1});
    EXPECT_TRUE(s.cancelled);
    EXPECT_EQ(s.lastOutcome, cw::Outcome::Cancel);
}

TEST_F(BatchTest, CancelBeforeTheStartRunsNoLevel) {
    load({solvedLevel, solvedLevel});
    ASSERT_TRUE(file_.open(resultPath_.string()));
    cw::BatchRun batch(*engine_, *set_);
    batch.cancel();
    int shown = 0;
    cw::BatchHooks hooks;
    hooks.levelShown = [&](int) { ++shown; };
    const cw::BatchSummary s = batch.run(options(1, 2), hooks);
    EXPECT_EQ(result(), header(2) + "->Cancel\n" + summary(0, 0, 0));
    EXPECT_EQ(shown, 0);
    EXPECT_EQ(s.levelsRun, 0);
    EXPECT_TRUE(s.cancelled);
}

TEST_F(BatchTest, PlayAfterRunsForSolvedLevelsBetweenProgressStopAndStart) {
    load({solvedLevel, irregularLevel, solvedLevel});
    ASSERT_TRUE(file_.open(resultPath_.string()));
    std::string events;
    cw::BatchHooks hooks;
    hooks.levelShown = [&](int n) { events += "show" + std::to_string(n) + " "; };
    hooks.progressStart = [&] { events += "start "; };
    hooks.progressStop = [&] { events += "stop "; };
    hooks.playAfter = [&] { events += "play "; };
    cw::BatchOptions o = options(1, 3);
    o.playAfter = true;
    o.wTrace = true;
    cw::BatchRun batch(*engine_, *set_);
    batch.run(o, hooks);
    EXPECT_EQ(events, "start show1 stop play start show2 show3 stop play start stop ");
    // A solution of no moves writes no move lines even with the move string asked for.
    EXPECT_EQ(result(), header(3) +
                            "   1[ 5* 3(  1)]   0sec     0moves    0pushes\n"
                            "   2[ 6* 3(  2)]   0sec Skiped Strange\n"
                            "   3[ 5* 3(  1)]   0sec     0moves    0pushes\n" +
                            summary(2, 0, 1));
}

TEST_F(BatchTest, CancelWhilePlayingEndsTheBatchAfterTheSolvedLine) {
    load({solvedLevel, solvedLevel});
    ASSERT_TRUE(file_.open(resultPath_.string()));
    cw::BatchRun batch(*engine_, *set_);
    cw::BatchHooks hooks;
    hooks.playAfter = [&] { batch.cancel(); };
    cw::BatchOptions o = options(1, 2);
    o.playAfter = true;
    const cw::BatchSummary s = batch.run(o, hooks);
    EXPECT_EQ(result(),
              header(2) + "   1[ 5* 3(  1)]   0sec     0moves    0pushes\n->Cancel\n" + summary(1, 0, 0));
    EXPECT_TRUE(s.cancelled);
    EXPECT_EQ(s.levelsRun, 1);
}

TEST_F(BatchTest, WithoutOutputNothingIsWrittenButLevelsStillRun) {
    load({irregularLevel, solvedLevel});
    int done = 0;
    cw::BatchHooks hooks;
    hooks.levelDone = [&](const cw::LevelReport&) { ++done; };
    cw::BatchOptions o = options(1, 2);
    o.output = nullptr;
    cw::BatchRun batch(*engine_, *set_);
    const cw::BatchSummary s = batch.run(o, hooks);
    EXPECT_EQ(done, 2);
    EXPECT_EQ(s.solvedCount, 1);
    EXPECT_EQ(s.skippedCount, 1);
    EXPECT_FALSE(std::filesystem::exists(resultPath_));
}

TEST_F(BatchTest, LostLinesAreReportedOnceAndTheBatchGoesOn) {
    load({irregularLevel, impossibleLevel, solvedLevel});
    ASSERT_TRUE(file_.open(resultPath_.string()));
    int reports = 0;
    file_.onLineLost([&](const std::string&) { ++reports; });
    cw::BatchHooks hooks;
    hooks.levelShown = [&](int n) {
        // From the second level on, the result file cannot be opened.
        if (n == 2) {
            std::filesystem::remove(resultPath_);
            std::filesystem::create_directory(resultPath_);
        }
    };
    cw::BatchRun batch(*engine_, *set_);
    const cw::BatchSummary s = batch.run(options(1, 3), hooks);
    EXPECT_EQ(reports, 1);
    EXPECT_EQ(s.levelsRun, 3);
    EXPECT_EQ(s.linesLost, 3); // two level lines and the summary
    EXPECT_EQ(s.solvedCount, 1);
    EXPECT_EQ(s.skippedCount, 2);
}

// A cancel that arrives just before a run starts must still end that run and the batch: the driver
// clears the stop word when a run starts, so the batch has to keep the cancel alive itself.
TEST_F(BatchTest, CancelJustBeforeARunStillEndsTheBatch) {
    // A roomy level that the solver does not finish at once, then one that would be quick.
    load({cwtest::rows({"##########", "#@       #", "# $ $ $  #", "#  $ $ $ #", "#        #", "# ...... #",
                        "##########"}),
          solvedLevel});
    ASSERT_TRUE(file_.open(resultPath_.string()));
    cw::BatchRun batch(*engine_, *set_);
    std::vector<int> shown;
    std::vector<cw::Outcome> outcomes;
    cw::BatchHooks hooks;
    hooks.levelShown = [&](int n) {
        shown.push_back(n);
        batch.cancel();
    };
    hooks.levelDone = [&](const cw::LevelReport& r) { outcomes.push_back(r.outcome); };
    cw::BatchOptions o = options(1, 2);
    o.timeLimitSec = 600;
    const cw::BatchSummary s = batch.run(o, hooks);
    EXPECT_EQ(shown, std::vector<int>{1});
    ASSERT_EQ(outcomes.size(), 1u);
    EXPECT_TRUE(s.cancelled);
    const std::string text = result();
    const std::string tail =
        "->Cancel\n" + cw::summaryText(s.solvedCount, s.failedCount, s.skippedCount, finish);
    ASSERT_GE(text.size(), tail.size());
    EXPECT_EQ(text.substr(text.size() - tail.size()), tail);
    // A run stopped by the cancel leaves the cancel line as its only line.
    if (outcomes[0] == cw::Outcome::Cancel) {
        EXPECT_EQ(text, header(2, 600) + tail);
    }
}

} // namespace
