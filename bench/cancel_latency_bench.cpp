// How fast a run stops: starts runs on hard levels of the collections, cancels each after a random
// delay and measures the time from the cancel to solveLevel returning; then runs each level with a
// short time limit and measures how far the run went past it. Per level it names the stage of thread
// one at the moment of the cancel.
//
//   build/bench/cancel_latency_bench [ROUNDS [LIMIT_SECONDS]]      (defaults 5 rounds, 2 s limit)
//   levels: CRATEWISE_CANCEL_LEVELS="file:level file:level ..." (default: hard XSokoban and Sasquatch levels)
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <random>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "engine/engine.h"
#include "level/level_set.h"

namespace {

using Clock = std::chrono::steady_clock;

double ms(Clock::duration d) {
    return std::chrono::duration<double, std::milli>(d).count();
}

struct Target {
    std::string file;
    int level;
};

std::vector<Target> targets() {
    const char* given = std::getenv("CRATEWISE_CANCEL_LEVELS");
    const std::string list = given != nullptr ? given
                                              : "xsokoban-90.txt:4 xsokoban-90.txt:10 xsokoban-90.txt:29 "
                                                "xsokoban-90.txt:50 sasquatch.xsb:12 microban-2.xsb:100";
    std::vector<Target> out;
    std::istringstream in(list);
    for (std::string word; in >> word;) {
        const auto colon = word.rfind(':');
        out.push_back({word.substr(0, colon), std::atoi(word.c_str() + colon + 1)});
    }
    return out;
}

double percentile(std::vector<double> v, double p) {
    if (v.empty()) return 0;
    std::sort(v.begin(), v.end());
    const std::size_t rank = static_cast<std::size_t>(p * static_cast<double>(v.size() - 1) + 0.5);
    return v[std::min(rank, v.size() - 1)];
}

} // namespace

int main(int argc, char** argv) {
    const int rounds = argc > 1 ? std::atoi(argv[1]) : 5;
    const int limit = argc > 2 ? std::atoi(argv[2]) : 2;
    const std::string levels = CRATEWISE_SHARED_LEVELS;
    auto engine = std::make_unique<cw::Engine>();
    if (!engine->storesReady()) {
        std::fprintf(stderr, "cancel_latency_bench: Out of memory.\n");
        return 4;
    }
    std::mt19937 rng(12345);
    std::uniform_int_distribution<int> delayMs(50, 3000);
    std::vector<double> allCancels, allOvershoots;
    for (const Target& t : targets()) {
        cw::LevelSet set(engine->levelToLoad(), "");
        if (!set.loadFile(levels + "/" + t.file)) continue;
        set.goTo(t.level);
        if (set.levelNumber() != t.level || engine->level().levelStatus != cw::Outcome::Ready) continue;
        std::vector<double> cancels;
        std::vector<int> stages;
        for (int r = 0; r < rounds; ++r) {
            engine->setTimeLimit(600);
            Clock::time_point cancelled{};
            std::thread run([&] { engine->solveLevel(); });
            std::this_thread::sleep_for(std::chrono::milliseconds(delayMs(rng)));
            stages.push_back(engine->control().threadOneStage.load());
            cancelled = Clock::now();
            engine->cancel();
            run.join();
            cancels.push_back(ms(Clock::now() - cancelled));
        }
        // A run to its time limit: how long after the deadline solveLevel returns.
        engine->setTimeLimit(limit);
        const auto start = Clock::now();
        const cw::Outcome outcome = engine->solveLevel();
        const double overshoot = ms(Clock::now() - start) - 1000.0 * limit;
        allCancels.insert(allCancels.end(), cancels.begin(), cancels.end());
        if (outcome != cw::Outcome::Solved) allOvershoots.push_back(overshoot);
        std::printf("%s %d: cancel median %.1f ms, worst %.1f ms (thread one stages seen:", t.file.c_str(),
                    t.level, percentile(cancels, 0.5), percentile(cancels, 1.0));
        for (int s : stages) std::printf(" %d", s);
        std::printf("); %ds limit: %s, %+.1f ms past the limit\n", limit, cw::outcomeName(outcome),
                    overshoot);
    }
    std::printf("cancel latency over %zu cancels: median %.1f ms, 99th percentile %.1f ms, worst %.1f ms; "
                "worst overshoot past the limit %.1f ms\n",
                allCancels.size(), percentile(allCancels, 0.5), percentile(allCancels, 0.99),
                percentile(allCancels, 1.0), allOvershoots.empty() ? 0.0 : percentile(allOvershoots, 1.0));
    return 0;
}
