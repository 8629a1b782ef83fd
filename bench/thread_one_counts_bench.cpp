// Thread one alone on the levels of a collection, counting two of its rarer paths per level: goal-room
// re-scans of a smaller level that found no room (and of those, the ones the run's own rooms stood
// in for), and probe searches whose corral tests used up the record mark (with the tests answered
// "no deadlock" without a search after that). Prints the levels where any count is not 0, then the
// totals.
//
//   build/bench/thread_one_counts_bench FILE SECONDS [FROM TO]
//
// FILE is a collection in the shared levels folder, or a path.
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "engine/engine.h"
#include "level/level_set.h"
#include "probes/engine_probe.h"
#include "search/main/thread_one_search.h"

int main(int argc, char** argv) {
    if (argc != 3 && argc != 5) {
        std::fprintf(stderr, "usage: thread_one_counts_bench FILE SECONDS [FROM TO]\n");
        return 2;
    }
    const std::string file = argv[1];
    const int seconds = std::atoi(argv[2]);
    auto engine = std::make_unique<cw::Engine>();
    if (!engine->storesReady()) {
        std::fprintf(stderr, "thread_one_counts_bench: Out of memory.\n");
        return 4;
    }
    cw::LevelSet set(engine->levelToLoad(), "");
    const std::string path =
        file.find('/') == std::string::npos ? std::string(CRATEWISE_SHARED_LEVELS) + "/" + file : file;
    if (!set.loadFile(path)) {
        std::fprintf(stderr, "thread_one_counts_bench: cannot load %s\n", path.c_str());
        return 2;
    }
    const int from = argc == 5 ? std::atoi(argv[3]) : 1;
    const int to = argc == 5 ? std::atoi(argv[4]) : set.levelTotal();
    engine->setSolverChoice(cw::SolverChoice::One);
    engine->setTimeLimit(seconds);
    cw::MainSearchProbe main(cw::EngineProbe::threadOne(*engine).main());
    long rescans = 0, borrowed = 0, probes = 0, unpruned = 0, levels = 0;
    for (int n = from; n <= to; n++) {
        set.goTo(n);
        if (set.levelNumber() != n || engine->level().levelStatus != cw::Outcome::Ready) continue;
        const cw::Outcome r = engine->solveLevel();
        levels++;
        if (main.roomlessRescans() + main.probesPastMark() > 0)
            std::printf("level %3d %-16s roomless re-scans %d (own room used %d), probes past the mark %d "
                        "(unpruned tests %lld)\n",
                        n, cw::outcomeName(r), main.roomlessRescans(), main.borrowedRooms(),
                        main.probesPastMark(), static_cast<long long>(main.unprunedProbeTests()));
        std::fflush(stdout);
        rescans += main.roomlessRescans();
        borrowed += main.borrowedRooms();
        probes += main.probesPastMark();
        unpruned += main.unprunedProbeTests();
    }
    std::printf("%s levels %d-%d at %d s, thread one alone, %ld levels run: roomless re-scans %ld (own room "
                "used %ld), probes past the mark %ld (unpruned tests %ld)\n",
                file.c_str(), from, to, seconds, levels, rescans, borrowed, probes, unpruned);
    return 0;
}
