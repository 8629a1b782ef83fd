#include "batch/batch_run.h"

#include <chrono>

#include "engine/engine.h"
#include "level/level_set.h"

namespace cw {

BatchRun::~BatchRun() {
    engine_.releaseCancel();
}

// The driver clears stopRequest at both ends of a run, so the batch holds its cancel on the engine:
// every run that starts afterwards sees it at once.
void BatchRun::cancel() {
    cancelRequest_.store(true);
    engine_.holdCancel();
}

BatchSummary BatchRun::run(const BatchOptions& options, const BatchHooks& hooks) {
    const auto clock = options.clock ? options.clock : std::function<LocalStamp()>(localStampNow);
    engine_.setTimeLimit(options.timeLimitSec);
    engine_.resetBatchCounts();
    const RunControl& control = engine_.control();

    BatchSummary summary;
    summary.start = clock();
    ResultFile* out = options.output;
    const int last = options.last > 0 ? options.last : set_.levelTotal();
    if (out != nullptr) {
        const std::string shard =
            options.shardCount > 1
                ? shardLineText(options.shardIndex, options.shardCount, options.first, last)
                : std::string();
        out->writeHeader(
            headerText(set_.levelSetName(), set_.levelTotal(), options.timeLimitSec, summary.start, shard));
    }
    if (hooks.progressStart) hooks.progressStart();

    if (set_.levelTotal() > 0) {
        if (set_.levelNumber() != options.first) set_.goTo(options.first);
        for (;;) {
            if (cancelRequested()) {
                // Cancelled between two runs: the next level does not start.
                summary.lastOutcome = Outcome::Cancel;
                if (out != nullptr) out->append(cancelLineText());
                break;
            }
            summary.lastLevel = set_.levelNumber();
            // A shard runs every shardCount-th level of the range, counted from its first.
            const int position = set_.levelNumber() - options.first;
            if (position % options.shardCount == (options.shardIndex - 1) % options.shardCount) {
                summary.lastOutcome = runOne(options, hooks);
                summary.levelsRun++;
            }
            if (summary.lastOutcome == Outcome::Cancel || atRangeEnd(last)) break;
            set_.nextLevel();
        }
    }

    if (hooks.progressStop) hooks.progressStop();
    summary.cancelled = summary.lastOutcome == Outcome::Cancel;
    summary.finish = clock();
    summary.solvedCount = control.solvedCount.load();
    summary.failedCount = control.failedCount.load();
    summary.skippedCount = control.skippedCount.load();
    if (out != nullptr) {
        out->append(
            summaryText(summary.solvedCount, summary.failedCount, summary.skippedCount, summary.finish));
        summary.linesLost = out->lostCount();
    }
    engine_.releaseCancel();
    return summary;
}

// Runs the current level, writes its line and hands it to the hooks; its outcome, Cancel when the
// batch was cancelled meanwhile.
Outcome BatchRun::runOne(const BatchOptions& options, const BatchHooks& hooks) {
    ResultFile* out = options.output;
    engine_.clearRun();
    if (hooks.levelShown) hooks.levelShown(set_.levelNumber());
    LevelReport report;
    Outcome outcome = runLevel(report);
    if (out != nullptr) {
        if (outcome == Outcome::Cancel) {
            out->append(cancelLineText());
        } else {
            LevelLine line{report.number, report.width,     report.height,    report.boxes,    report.seconds,
                           outcome,       report.moveCount, report.pushCount, report.traceOver};
            std::string text = levelLineText(line);
            if (outcome == Outcome::Solved && options.wTrace) text += traceLinesText(engine_.trace().text());
            out->append(text);
        }
    }
    if (hooks.levelDone) hooks.levelDone(report);
    if (outcome == Outcome::Solved && options.playAfter && hooks.playAfter) {
        if (hooks.progressStop) hooks.progressStop();
        hooks.playAfter();
        if (!cancelRequested() && hooks.progressStart) hooks.progressStart();
    }
    if (outcome != Outcome::Cancel && cancelRequested()) {
        // The cancel came while the run was ending or while its solution played.
        outcome = Outcome::Cancel;
        if (out != nullptr) out->append(cancelLineText());
    }
    return outcome;
}

Outcome BatchRun::runLevel(LevelReport& report) {
    const auto started = std::chrono::steady_clock::now();
    const Outcome outcome = engine_.solveLevel();
    const auto ended = std::chrono::steady_clock::now();
    report.outcome = outcome;
    report.elapsedMs = std::chrono::duration_cast<std::chrono::milliseconds>(ended - started).count();
    if (outcome == Outcome::Cancel) engine_.dropSolution(); // a cancelled level keeps no solution
    fillReport(report);
    return outcome;
}

void BatchRun::fillReport(LevelReport& report) const {
    const Level& level = engine_.level();
    const RunControl& control = engine_.control();
    const bool wasRun = level.levelStatus == Outcome::Ready;
    report.number = set_.levelNumber();
    report.width = level.boardWidth;
    report.height = level.boardHeight;
    report.boxes = level.levelBoxCount;
    report.seconds = wasRun ? control.runSeconds.load() : 0;
    report.moveCount = engine_.trace().moveCount;
    report.pushCount = engine_.trace().pushCount;
    report.traceOver = engine_.trace().traceOver;
    report.solvedBy = control.solvedBy.load();
    report.solvedStage = control.solvedStage.load();
    report.stageOneMs = wasRun ? control.stageOneStartMs.load() : -1;
    report.stageTwoMs = wasRun ? control.stageTwoStartMs.load() : -1;
    report.threadOneNodes = wasRun ? std::int64_t{control.orderNodeCount.load()} +
                                         control.placeNodeCount.load() + control.meetNodeCount.load()
                                   : 0;
    report.threadTwoNodes = wasRun ? control.twoNodeCount.load() : 0;
    report.solvedCount = control.solvedCount.load();
    report.failedCount = control.failedCount.load();
    report.skippedCount = control.skippedCount.load();
}

bool BatchRun::atRangeEnd(int last) const {
    return set_.levelNumber() >= last || !set_.hasNext();
}

} // namespace cw
