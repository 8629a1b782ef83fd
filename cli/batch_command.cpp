// `cratewise batch`: solves a range of levels one after another, writes the result file to a path or
// to standard output, and optionally one statistics row per level.
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <mutex>
#include <string>

#include "batch/batch_run.h"
#include "cli/commands.h"
#include "cli/interrupt.h"
#include "cli/load_set.h"
#include "cli/options.h"
#include "cli/usage.h"
#include "engine/engine.h"
#include "level/level_set.h"

namespace cwcli {

namespace {

struct BatchArgs {
    std::string source = "--sample";
    int from = 0; // 0: not given
    int to = 0;
    int seconds = 600;
    std::string resultPath;
    bool trace = false;
    std::string statsPath;
    int shardIndex = 1;
    int shardCount = 1;
    cw::SolverChoice solver = cw::SolverChoice::Both;
    bool help = false;
};

bool readArgs(const Args& args, BatchArgs& out) {
    OptionReader opts(args);
    while (opts.more()) {
        if (opts.takeHelp(out.help) || opts.take("--from", out.from, 1) || opts.take("--to", out.to, 1) ||
            opts.take("-t", out.seconds, 1) || opts.take("-o", out.resultPath) ||
            opts.takeFlag("--trace", out.trace) || opts.take("--stats", out.statsPath) ||
            opts.takeShard("--shard", out.shardIndex, out.shardCount) || opts.take("--solver", out.solver) ||
            opts.takeSource(out.source))
            continue;
        std::fprintf(stderr, "cratewise batch: %s\n%s", opts.error().c_str(), batchUsage());
        return false;
    }
    return true;
}

// Checks --from and --to against the loaded set and fills in the defaults.
bool checkRange(BatchArgs& a, int levelTotal) {
    if (a.from == 0) a.from = 1;
    if (a.to == 0) a.to = levelTotal;
    const char* problem = nullptr;
    char text[160];
    if (a.from > levelTotal) {
        std::snprintf(text, sizeof text, "--from %d is beyond the last level of the set (%d)", a.from,
                      levelTotal);
        problem = text;
    } else if (a.to > levelTotal) {
        std::snprintf(text, sizeof text, "--to %d is beyond the last level of the set (%d)", a.to,
                      levelTotal);
        problem = text;
    } else if (a.from > a.to) {
        std::snprintf(text, sizeof text, "--from %d comes after --to %d", a.from, a.to);
        problem = text;
    }
    if (problem == nullptr) return true;
    std::fprintf(stderr, "cratewise batch: %s\n", problem);
    return false;
}

// Whether `path` names a file the set reads its levels from: writing there would destroy the input.
bool isInputFile(const cw::LevelSet& set, const std::string& source, const std::string& path) {
    struct stat out {};
    if (::stat(path.c_str(), &out) != 0) return false;
    if (set.readsFile(out.st_dev, out.st_ino)) return true;
    if (set.levelSource() != cw::SourceFolder) return false;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(source, error)) {
        struct stat in {};
        if (::stat(entry.path().c_str(), &in) == 0 && in.st_dev == out.st_dev && in.st_ino == out.st_ino)
            return true;
    }
    return false;
}

// A millisecond figure of the statistics, empty for -1 (never).
std::string msOrEmpty(std::int64_t ms) {
    return ms < 0 ? std::string() : std::to_string(ms);
}

// One machine-readable row per level run; remembers whether any row was lost.
class StatsFile {
  public:
    ~StatsFile() { close(); }
    bool open(const std::string& path) {
        path_ = path;
        file_ = std::fopen(path.c_str(), "wb");
        if (file_ == nullptr) return false;
        write("number,width,height,boxes,outcome,outcome_text,elapsed_ms,moves,pushes,solved_by,"
              "thread_one_nodes,thread_two_nodes,stage,stage1_ms,stage2_ms\n");
        return true;
    }
    void row(const cw::LevelReport& r) {
        if (file_ == nullptr) return;
        char line[320];
        std::snprintf(line, sizeof line, "%d,%d,%d,%d,%d,%s,%lld,%d,%d,%d,%lld,%lld,%s,%s,%s\n", r.number,
                      r.width, r.height, r.boxes, cw::code(r.outcome), cw::outcomeName(r.outcome),
                      static_cast<long long>(r.elapsedMs), r.moveCount, r.pushCount,
                      static_cast<int>(r.solvedBy), static_cast<long long>(r.threadOneNodes),
                      static_cast<long long>(r.threadTwoNodes), cw::stageName(r.solvedStage),
                      msOrEmpty(r.stageOneMs).c_str(), msOrEmpty(r.stageTwoMs).c_str());
        write(line);
    }
    // Closes the file; the reason the first row was lost, or empty when every row was written.
    std::string close() {
        if (file_ != nullptr && std::fclose(file_) != 0 && failure_.empty()) failure_ = std::strerror(errno);
        file_ = nullptr;
        return failure_;
    }
    const std::string& path() const { return path_; }

  private:
    void write(const char* text) {
        if (std::fputs(text, file_) < 0 || std::fflush(file_) != 0)
            if (failure_.empty()) failure_ = std::strerror(errno);
    }

    std::FILE* file_ = nullptr;
    std::string path_;
    std::string failure_;
};

// The progress line on a terminal's stderr and the per-level lines, from two threads.
class Progress {
  public:
    explicit Progress(const cw::RunControl& control)
        : control_(control), terminal_(isatty(STDERR_FILENO) == 1) {}

    void levelShown(int number) {
        level_.store(number);
        levelStart_.store(std::chrono::steady_clock::now().time_since_epoch().count());
    }
    void levelDone(const cw::LevelReport& r) {
        std::lock_guard lock(print_);
        std::fprintf(stderr, "%slevel %d: %s, %lld s (%lld ms); solved %d, failed %d\n",
                     terminal_ ? "\r\033[K" : "", r.number, cw::outcomeName(r.outcome),
                     static_cast<long long>(r.seconds), static_cast<long long>(r.elapsedMs), r.solvedCount,
                     r.failedCount);
        level_.store(0);
    }
    void say(const std::string& text) {
        std::lock_guard lock(print_);
        std::fprintf(stderr, "%s%s\n", terminal_ ? "\r\033[K" : "", text.c_str());
    }
    // The live line, refreshed while a level runs; only on a terminal.
    void tick() {
        const int level = level_.load();
        if (!terminal_ || level == 0) return;
        const auto started = std::chrono::steady_clock::duration(levelStart_.load());
        const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(
                                 std::chrono::steady_clock::now().time_since_epoch() - started)
                                 .count();
        const long long one = static_cast<long long>(control_.orderNodeCount.load()) +
                              control_.placeNodeCount.load() + control_.meetNodeCount.load();
        std::lock_guard lock(print_);
        std::fprintf(stderr, "\r\033[Klevel %d  %lld s  thread1 %lld  thread2 %d  solved %d  failed %d",
                     level, static_cast<long long>(seconds), one, control_.twoNodeCount.load(),
                     control_.solvedCount.load(), control_.failedCount.load());
        std::fflush(stderr);
    }

  private:
    const cw::RunControl& control_;
    const bool terminal_;
    std::atomic<int> level_{0};
    std::atomic<std::chrono::steady_clock::rep> levelStart_{0};
    std::mutex print_;
};

// The outputs a batch writes to, opened after the set is loaded and checked.
struct Outputs {
    cw::ResultFile result;
    StatsFile stats;
};

int openOutputs(const BatchArgs& a, const cw::LevelSet& set, Outputs& out) {
    for (const std::string* path : {&a.resultPath, &a.statsPath}) {
        if (!path->empty() && isInputFile(set, a.source, *path)) {
            std::fprintf(stderr,
                         "cratewise batch: '%s' is the input the levels are read from; write elsewhere\n",
                         path->c_str());
            return ExitBadInput;
        }
    }
    if (a.resultPath.empty()) {
        out.result.useStream(stdout);
    } else if (!out.result.open(a.resultPath)) {
        std::fprintf(stderr, "cratewise batch: cannot open '%s' for writing: %s\n", a.resultPath.c_str(),
                     std::strerror(errno));
        return ExitOutputLost;
    }
    if (!a.statsPath.empty() && !out.stats.open(a.statsPath)) {
        std::fprintf(stderr, "cratewise batch: cannot open '%s' for writing: %s\n", a.statsPath.c_str(),
                     std::strerror(errno));
        return ExitOutputLost;
    }
    return ExitDone;
}

// The exit status of a finished batch; every lost output is named on stderr.
int finish(const BatchArgs& a, const cw::BatchSummary& summary, const cw::LevelSet& set, Outputs& out,
           Progress& progress) {
    int status = summary.solvedCount == summary.levelsRun ? ExitDone : ExitNotSolved;
    if (summary.cancelled) {
        status = ExitCancelled;
    } else if (summary.lastLevel < a.to) {
        std::string text = "cratewise batch: level " + std::to_string(summary.lastLevel + 1) +
                           " cannot be reached: the batch ended at level " +
                           std::to_string(summary.lastLevel);
        if (!set.sourceFault().empty()) text += ": " + set.sourceFault();
        progress.say(text);
        status = ExitBadInput;
    }
    bool lost = false;
    if (summary.linesLost > 0) {
        progress.say("cratewise batch: " + std::to_string(summary.linesLost) +
                     " lines of the result file could not be written to " +
                     (a.resultPath.empty() ? std::string("standard output") : "'" + a.resultPath + "'"));
        lost = true;
    }
    const std::string statsFailure = out.stats.close();
    if (!statsFailure.empty()) {
        progress.say("cratewise batch: rows of the statistics could not be written to '" + a.statsPath +
                     "': " + statsFailure);
        lost = true;
    }
    // A result file on standard output has been named already; anything else lost there is named here.
    if (a.resultPath.empty() && summary.linesLost > 0)
        std::fflush(stdout);
    else if (!finishStdout("cratewise batch"))
        lost = true;
    return lost ? ExitOutputLost : status;
}

} // namespace

int runBatch(const Args& args) {
    BatchArgs a;
    if (!readArgs(args, a)) return ExitBadInput;
    if (a.help) {
        std::fputs(batchUsage(), stdout);
        return finishStdout("cratewise batch") ? ExitDone : ExitOutputLost;
    }
    InterruptWatcher interrupt; // until the outputs are open, Ctrl-C ends the program at once
    auto engine = std::make_unique<cw::Engine>();
    cw::LevelSet set(engine->levelToLoad(), "");
    std::string error;
    if (loadSet(set, a.source, error) != LoadOk) {
        std::fprintf(stderr, "cratewise batch: %s\n", error.c_str());
        return ExitBadInput;
    }
    if (!checkRange(a, set.levelTotal())) return ExitBadInput;
    set.goTo(a.from);
    if (set.levelNumber() != a.from) {
        std::fprintf(stderr,
                     "cratewise batch: level %d cannot be reached: the set's levels end at level %d\n",
                     a.from, set.levelNumber());
        return ExitBadInput;
    }
    if (!engine->storesReady()) {
        std::fprintf(stderr, "cratewise batch: Out of memory.\n");
        return ExitCannotRun;
    }
    Outputs out;
    if (const int opened = openOutputs(a, set, out); opened != ExitDone) return opened;

    engine->setSolverChoice(a.solver);
    cw::BatchRun batch(*engine, set);
    Progress progress(engine->control());
    cw::BatchOptions options;
    options.first = a.from;
    options.last = a.to;
    options.wTrace = a.trace;
    options.timeLimitSec = a.seconds;
    options.shardIndex = a.shardIndex;
    options.shardCount = a.shardCount;
    options.output = &out.result;
    cw::BatchHooks hooks;
    hooks.levelShown = [&progress](int number) { progress.levelShown(number); };
    hooks.levelDone = [&progress, &out](const cw::LevelReport& r) {
        out.stats.row(r);
        progress.levelDone(r);
    };
    interrupt.onTick([&progress] { progress.tick(); }, 200);
    interrupt.onInterrupt([&batch, &progress] {
        batch.cancel();
        progress.say("cratewise batch: cancelled");
    });
    const cw::BatchSummary summary = batch.run(options, hooks);
    interrupt.stop();
    return finish(a, summary, set, out, progress);
}

} // namespace cwcli
