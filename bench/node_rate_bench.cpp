// Nodes per second of the node-heavy searches, each alone on a fresh engine with a fixed node
// budget: thread two's bidirectional solver, the placement search (one cycle without targets, so it
// runs to its node limit and through its restarts), the meeting search and the full search. Per run
// it prints the nodes stored, the rate over the whole run and past the first 5 million nodes, the
// probes of the node table per find (mean and largest, in slots or index entries, and the mean cache
// lines read), the minor page faults and the resident memory afterwards.
//
//   build/bench/node_rate_bench [BUDGET [SECONDS [SEARCH [LEVEL]]]]   (defaults 8000000 nodes, 90 s, all)
//
// SEARCH is two, placement, meeting or full; LEVEL a level's name as printed ("xsokoban 24"). A run
// stops at its budget or after SECONDS, whichever comes first; the last column says which ("ended":
// the search finished first). Run it with nothing else busy; compare builds side by side.
#include <sys/resource.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "engine/engine.h"
#include "level/level_set.h"
#include "probes/engine_probe.h"
#include "search/main/thread_one_search.h"
#include "search/two/two_solver.h"

namespace {

using Clock = std::chrono::steady_clock;

// Twenty boxes in three bays above a goal block: enough room that every search stores millions of
// positions.
const char* const Warehouse20 = "####################\n"
                                "#@     #     #     #\n"
                                "# $ $  # $ $ # $ $ #\n"
                                "#  $ $   $ $   $ $ #\n"
                                "# $ $  # $ $ # $ $ #\n"
                                "#  $   #     #  $  #\n"
                                "####  ####  #### ###\n"
                                "#   ..........     #\n"
                                "#   ..........     #\n"
                                "#                  #\n"
                                "####################\n";

struct LevelChoice {
    const char* file; // in the shared levels folder; nullptr for Warehouse20
    int number;
    const char* name;
};
const LevelChoice Levels[] = {
    {"xsokoban-90.txt", 10, "xsokoban 10"}, {"xsokoban-90.txt", 24, "xsokoban 24"},
    {"xsokoban-90.txt", 29, "xsokoban 29"}, {"xsokoban-90.txt", 50, "xsokoban 50"},
    {"sasquatch.xsb", 12, "sasquatch 12"},  {nullptr, 1, "warehouse 20"},
};

constexpr long RateMark = 5'000'000; // the rate past this many nodes is printed apart

double seconds(Clock::duration d) {
    return std::chrono::duration<double>(d).count();
}

double residentMiB() {
    std::ifstream statm("/proc/self/statm");
    long pages = 0, resident = 0;
    statm >> pages >> resident;
    return static_cast<double>(resident) * 4096.0 / (1024.0 * 1024.0);
}

long minorFaults() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return u.ru_minflt;
}

// What one run measured.
struct Sample {
    long nodes = 0;
    double seconds = 0;
    long markNodes = -1; // nodes when the count first passed RateMark, -1 never
    double markSeconds = 0;
    const char* end = "ended"; // budget, time, or ended: the search finished before either
    cw::ProbeStats probes;
};

// Keeps the time of the first count past RateMark.
struct Mark {
    Clock::time_point start = Clock::now();
    long nodes = -1;
    double at = 0;
    void see(long count) {
        if (nodes < 0 && count >= RateMark) {
            nodes = count;
            at = seconds(Clock::now() - start);
        }
    }
};

bool loadLevel(cw::Engine& engine, cw::LevelSet& set, const LevelChoice& choice) {
    if (choice.file == nullptr) {
        if (!set.loadPasted(Warehouse20)) return false;
    } else if (!set.loadFile(std::string(CRATEWISE_SHARED_LEVELS) + "/" + choice.file)) {
        return false;
    }
    set.goTo(choice.number);
    return set.levelNumber() == choice.number && engine.level().levelStatus == cw::Outcome::Ready;
}

Sample runTwo(cw::Engine& engine, long budget) {
    Sample s;
    auto two = cw::EngineProbe::twoSolver(engine);
    Mark mark;
    std::atomic<bool> done{false};
    // The solver publishes its count every few thousand nodes; the watcher stops it at the budget.
    std::thread watcher([&] {
        while (!done.load()) {
            const long count = engine.control().twoNodeCount.load(std::memory_order_relaxed);
            mark.see(count);
            if (count >= budget) {
                cw::EngineProbe::control(engine).stopRequest.store(cw::StopRequest::Stop);
                break;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    });
    two->twoBidirectionalSolve();
    done.store(true);
    watcher.join();
    s.seconds = seconds(Clock::now() - mark.start);
    s.nodes = two->twoNodeCount();
    s.end = s.nodes >= budget ? "budget" : engine.control().pastDeadline() ? "time" : "ended";
    s.markNodes = mark.nodes;
    s.markSeconds = mark.at;
    s.probes = two->probeStats();
    return s;
}

Sample runPlacement(cw::Engine& engine) {
    Sample s;
    cw::MainSearchProbe main(cw::EngineProbe::threadOne(engine).main());
    cw::SearchPosition& pos = cw::EngineProbe::pos(engine);
    const auto start = Clock::now();
    main.loadCycleTables(pos.boxCount);
    main.buildLateGoals();
    main.placementCycle();
    s.seconds = seconds(Clock::now() - start);
    s.probes = main.placeProbeStats();
    s.nodes = static_cast<long>(s.probes.stored);
    s.end = engine.control().stopped() ? "time" : "ended";
    return s;
}

// Expands with `step` until the table holds `budget` nodes or the run is stopped.
template <typename Search>
Sample runBidir(cw::Engine& engine, Search& search, long budget, const std::function<cw::Step()>& step) {
    Sample s;
    Mark mark;
    cw::Step r = cw::Step::Continue;
    while (r == cw::Step::Continue && search.nodeCount() < budget && !engine.control().stopped()) {
        r = step();
        mark.see(search.nodeCount());
    }
    s.seconds = seconds(Clock::now() - mark.start);
    s.nodes = search.nodeCount();
    s.end = s.nodes >= budget ? "budget" : engine.control().stopped() ? "time" : "ended";
    s.markNodes = mark.nodes;
    s.markSeconds = mark.at;
    s.probes = search.probeStats();
    return s;
}

Sample runMeeting(cw::Engine& engine, long budget) {
    cw::MeetingSearch& meet = cw::EngineProbe::threadOne(engine).meet;
    meet.meetSearchFeed(); // the set-up
    return runBidir(engine, meet, budget, [&] {
        cw::Step r = meet.meetExpandBackward();
        if (r == cw::Step::Continue) r = meet.meetExpandBackward();
        if (r == cw::Step::Continue) r = meet.meetExpandForward();
        return r;
    });
}

Sample runFull(cw::Engine& engine, long budget) {
    cw::FullSearch& full = cw::EngineProbe::threadOne(engine).full;
    if (!full.setUp()) return Sample{};
    return runBidir(engine, full, budget, [&] {
        cw::Step r = cw::Step::Continue;
        for (int k = 0; k < cw::FullBackwardPerForward && r == cw::Step::Continue; k++)
            r = full.fullExpandBackward();
        if (r == cw::Step::Continue) r = full.fullExpandForward();
        return r;
    });
}

void printSample(const char* search, const LevelChoice& choice, int boxes, const Sample& s, long faults,
                 double rss) {
    const double rate = s.seconds > 0 ? s.nodes / s.seconds : 0;
    char past[32] = "-";
    if (s.markNodes >= 0 && s.seconds > s.markSeconds && s.nodes > s.markNodes)
        std::snprintf(past, sizeof past, "%.0f", (s.nodes - s.markNodes) / (s.seconds - s.markSeconds));
    std::printf("%-9s %-13s %5d %10ld %7.1f %9.0f %9s %6.2f %7u %6.2f %9ld %8.0f %s\n", search, choice.name,
                boxes, s.nodes, s.seconds, rate, past, s.probes.meanProbes(), s.probes.largest,
                s.probes.meanLines(), faults, rss, s.end);
    std::fflush(stdout);
}

} // namespace

int main(int argc, char** argv) {
    const long budget = argc > 1 ? std::atol(argv[1]) : 8'000'000;
    const int limit = argc > 2 ? std::atoi(argv[2]) : 90;
    const std::string only = argc > 3 ? argv[3] : "";
    const std::string onlyLevel = argc > 4 ? argv[4] : "";
    const char* searches[] = {"two", "placement", "meeting", "full"};
    std::printf("%-9s %-13s %5s %10s %7s %9s %9s %6s %7s %6s %9s %8s\n", "search", "level", "boxes", "nodes",
                "seconds", "nodes/s", "past 5M", "probes", "largest", "lines", "minflt", "RSS MiB");
    for (const char* search : searches) {
        if (!only.empty() && only != search) continue;
        for (const LevelChoice& choice : Levels) {
            if (!onlyLevel.empty() && onlyLevel != choice.name) continue;
            auto engine = std::make_unique<cw::Engine>();
            if (!engine->storesReady()) {
                std::fprintf(stderr, "node_rate_bench: Out of memory.\n");
                return 4;
            }
            cw::LevelSet set(engine->levelToLoad(), "");
            if (!loadLevel(*engine, set, choice)) {
                std::fprintf(stderr, "node_rate_bench: %s is not ready to solve\n", choice.name);
                return 2;
            }
            const int boxes = engine->level().levelBoxCount;
            const bool fits = std::strcmp(search, "two") == 0       ? boxes <= cw::TwoMaxBoxes
                              : std::strcmp(search, "meeting") == 0 ? boxes <= cw::MeetMaxBoxes
                                                                    : true;
            if (!fits) continue;
            engine->setTimeLimit(limit);
            if (cw::EngineProbe::prepareRun(*engine) != cw::Outcome::Ready) {
                std::fprintf(stderr, "node_rate_bench: %s: the run does not start\n", choice.name);
                continue;
            }
            const long faults = minorFaults();
            Sample s;
            if (std::strcmp(search, "two") == 0) s = runTwo(*engine, budget);
            if (std::strcmp(search, "placement") == 0) s = runPlacement(*engine);
            if (std::strcmp(search, "meeting") == 0) s = runMeeting(*engine, budget);
            if (std::strcmp(search, "full") == 0) s = runFull(*engine, budget);
            printSample(search, choice, boxes, s, minorFaults() - faults, residentMiB());
        }
    }
    return 0;
}
