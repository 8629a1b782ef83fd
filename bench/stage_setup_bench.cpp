// How long thread one's last stage takes to set up on a large level: the full search's set-up, which
// clears its tables, first on an untouched store and then after the search has filled part of its
// table. A set-up that grew with the table's size (1.7 GB) would show in the second figure.
//
//   build/bench/stage_setup_bench [FILE LEVEL [EXPANSIONS]]   (defaults xsokoban-90.txt 10, 5000)
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <string>

#include "engine/engine.h"
#include "level/level_set.h"
#include "probes/engine_probe.h"
#include "search/main/thread_one_search.h"

namespace {

using Clock = std::chrono::steady_clock;

double ms(Clock::duration d) {
    return std::chrono::duration<double, std::milli>(d).count();
}

// Resident memory of this process in MiB.
double residentMiB() {
    std::ifstream statm("/proc/self/statm");
    long pages = 0, resident = 0;
    statm >> pages >> resident;
    return static_cast<double>(resident) * 4096.0 / (1024.0 * 1024.0);
}

// The full search's set-up, which clears its tables as the last stage starts.
double timedSetUp(cw::FullSearch& full, bool& ready) {
    const auto start = Clock::now();
    ready = full.setUp();
    return ms(Clock::now() - start);
}

} // namespace

int main(int argc, char** argv) {
    const std::string file = argc > 2 ? argv[1] : "xsokoban-90.txt";
    const int number = argc > 2 ? std::atoi(argv[2]) : 10;
    const long expansions = argc > 3 ? std::atol(argv[3]) : 5000;
    auto engine = std::make_unique<cw::Engine>();
    if (!engine->storesReady()) {
        std::fprintf(stderr, "stage_setup_bench: Out of memory.\n");
        return 4;
    }
    cw::LevelSet set(engine->levelToLoad(), "");
    const std::string path =
        file.find('/') == std::string::npos ? std::string(CRATEWISE_SHARED_LEVELS) + "/" + file : file;
    if (!set.loadFile(path)) {
        std::fprintf(stderr, "stage_setup_bench: cannot load %s\n", path.c_str());
        return 2;
    }
    set.goTo(number);
    engine->setTimeLimit(600);
    if (set.levelNumber() != number || engine->level().levelStatus != cw::Outcome::Ready ||
        cw::EngineProbe::prepareRun(*engine) != cw::Outcome::Ready) {
        std::fprintf(stderr, "stage_setup_bench: level %d of %s is not ready to solve\n", number,
                     file.c_str());
        return 2;
    }
    cw::FullSearch& full = cw::EngineProbe::threadOne(*engine).full;

    bool ready = false;
    const double fresh = timedSetUp(full, ready);
    if (!ready) {
        std::fprintf(stderr, "stage_setup_bench: the full search has nothing to search on this level\n");
        return 1;
    }
    long done = 0;
    for (cw::Step r = cw::Step::Continue; done < expansions && r == cw::Step::Continue; done++) {
        for (int k = 0; k < cw::FullBackwardPerForward && r == cw::Step::Continue; k++)
            r = full.fullExpandBackward();
        if (r == cw::Step::Continue) r = full.fullExpandForward();
    }
    const int nodes = full.nodeCount();
    const double filledMiB = residentMiB();
    const double touched = timedSetUp(full, ready);
    std::printf("%s %d (%d boxes): set-up %.2f ms on an untouched store; after %ld expansions (%d nodes, "
                "%.0f MiB resident) %.2f ms, %.0f MiB resident afterwards\n",
                file.c_str(), number, engine->level().levelBoxCount, fresh, done, nodes, filledMiB, touched,
                residentMiB());
    return 0;
}
