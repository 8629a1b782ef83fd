// `cratewise batch`: solves a range of levels one after another, writes the result file to a path or
// to standard output, and optionally one statistics row per level.
#include <pthread.h>
#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "batch/batch_run.h"
#include "cli/commands.h"
#include "cli/load_set.h"
#include "cli/options.h"
#include "level/level_set.h"
#include "level/settings_folder.h"
#include "solver/engine.h"

namespace cwcli {

namespace {

constexpr int ExitInterrupted = 130;

struct BatchArgs {
    std::string source = "--sample";
    int from = 0; // 0: not given
    int to = 0;
    int seconds = 600;
    std::string resultPath;
    bool trace = false;
    std::string statsPath;
    cw::SolverChoice solver = cw::SolverChoice::Both;
};

bool readArgs(const Args& args, BatchArgs& out) {
    OptionReader opts(args);
    while (opts.more()) {
        if (opts.take("--from", out.from, 1) || opts.take("--to", out.to, 1) ||
            opts.take("-t", out.seconds, 1) || opts.take("-o", out.resultPath) ||
            opts.takeFlag("--trace", out.trace) || opts.take("--stats", out.statsPath) ||
            opts.take("--solver", out.solver) || opts.takeSource(out.source))
            continue;
        std::fprintf(stderr, "cratewise batch: %s\n", opts.error().c_str());
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

// One machine-readable row per level run.
class StatsFile {
  public:
    ~StatsFile() {
        if (file_ != nullptr) std::fclose(file_);
    }
    bool open(const std::string& path) {
        file_ = std::fopen(path.c_str(), "wb");
        if (file_ == nullptr) return false;
        std::fputs("number,width,height,boxes,outcome,outcome_text,elapsed_ms,moves,pushes,solved_by,"
                   "thread_one_nodes,thread_two_nodes\n",
                   file_);
        return true;
    }
    void row(const cw::LevelReport& r) {
        if (file_ == nullptr) return;
        std::fprintf(file_, "%d,%d,%d,%d,%d,%s,%lld,%d,%d,%d,%lld,%lld\n", r.number, r.width, r.height,
                     r.boxes, r.outcome, cw::outcomeName(r.outcome), static_cast<long long>(r.elapsedMs),
                     r.moveCount, r.pushCount, r.solvedBy, static_cast<long long>(r.threadOneNodes),
                     static_cast<long long>(r.threadTwoNodes));
        std::fflush(file_);
    }

  private:
    std::FILE* file_ = nullptr;
};

// Watches for Ctrl-C and, on a terminal, refreshes a progress line on stderr every 200 ms. SIGINT is
// blocked in every thread of the process and taken here with sigtimedwait, so no handler runs.
class Watcher {
  public:
    Watcher(cw::BatchRun& batch, const cw::RunControl& control)
        : batch_(batch), control_(control), terminal_(isatty(STDERR_FILENO) == 1) {}
    ~Watcher() { stop(); }

    // Call before any other thread starts, so they all inherit the blocked signal.
    static void blockInterrupt() {
        sigset_t set;
        sigemptyset(&set);
        sigaddset(&set, SIGINT);
        pthread_sigmask(SIG_BLOCK, &set, nullptr);
    }

    void start() {
        thread_ = std::jthread([this](std::stop_token stop) { watch(stop); });
    }
    void stop() {
        if (thread_.joinable()) {
            thread_.request_stop();
            thread_.join();
        }
    }
    bool interrupted() const { return interrupted_.load(); }

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

  private:
    void watch(const std::stop_token& stop) {
        sigset_t set;
        sigemptyset(&set);
        sigaddset(&set, SIGINT);
        const timespec tick{0, 200'000'000};
        while (!stop.stop_requested()) {
            if (sigtimedwait(&set, nullptr, &tick) == SIGINT) {
                interrupted_.store(true);
                batch_.cancel();
                say("cratewise batch: cancelled");
            }
            if (terminal_ && !stop.stop_requested()) showProgress();
        }
    }

    void showProgress() {
        const int level = level_.load();
        if (level == 0) return;
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

    cw::BatchRun& batch_;
    const cw::RunControl& control_;
    const bool terminal_;
    std::atomic<bool> interrupted_{false};
    std::atomic<int> level_{0};
    std::atomic<std::chrono::steady_clock::rep> levelStart_{0};
    std::mutex print_;
    std::jthread thread_;
};

} // namespace

int runBatch(const Args& args) {
    BatchArgs a;
    if (!readArgs(args, a)) return 2;
    // Blocked before the engine exists, so the solver threads never take Ctrl-C either.
    Watcher::blockInterrupt();
    auto engine = std::make_unique<cw::Engine>();
    cw::LevelSet set(engine->level, cw::pasteFilePath());
    std::string error;
    if (loadSet(set, a.source, error) != LoadOk) {
        std::fprintf(stderr, "cratewise batch: %s\n", error.c_str());
        return 2;
    }
    if (!checkRange(a, set.levelTotal())) return 2;
    if (!engine->stores.storesReady()) {
        std::fprintf(stderr, "cratewise batch: Out of memory.\n");
        return 1;
    }
    cw::ResultFile result;
    if (a.resultPath.empty()) {
        result.useStream(stdout);
    } else if (!result.open(a.resultPath)) {
        std::fprintf(stderr, "cratewise batch: cannot open '%s' for writing\n", a.resultPath.c_str());
        return 2;
    }
    StatsFile stats;
    if (!a.statsPath.empty() && !stats.open(a.statsPath)) {
        std::fprintf(stderr, "cratewise batch: cannot open '%s' for writing\n", a.statsPath.c_str());
        return 2;
    }

    engine->solverChoice = a.solver;
    cw::BatchRun batch(*engine, set);
    Watcher watcher(batch, engine->control);
    result.onLineLost([&watcher](const std::string& path) {
        watcher.say("cratewise batch: cannot append to '" + path + "': lines of the result file are lost");
    });
    cw::BatchOptions options;
    options.first = a.from;
    options.last = a.to;
    options.wTrace = a.trace;
    options.timeLimitSec = a.seconds;
    options.output = &result;
    cw::BatchHooks hooks;
    hooks.levelShown = [&watcher](int number) { watcher.levelShown(number); };
    hooks.levelDone = [&watcher, &stats](const cw::LevelReport& r) {
        stats.row(r);
        watcher.levelDone(r);
    };
    watcher.start();
    const cw::BatchSummary summary = batch.run(options, hooks);
    watcher.stop();
    return summary.cancelled ? ExitInterrupted : 0;
}

} // namespace cwcli
