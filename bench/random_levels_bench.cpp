// Solves many random levels that are solvable by construction and reports how many were solved, how
// many failed within the limit, and every outcome that contradicts what is known of them: a proof of
// impossibility, or a move string that failed the replay check.
//
//   build/bench/random_levels_bench [COUNT [FIRST_SEED [SECONDS]]]     (defaults 2000, 1, 5)
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "engine/engine.h"
#include "level/parser.h"
#include "probes/random_levels.h"

int main(int argc, char** argv) {
    const long count = argc > 1 ? std::atol(argv[1]) : 2000;
    const long first = argc > 2 ? std::atol(argv[2]) : 1;
    const int seconds = argc > 3 ? std::atoi(argv[3]) : 5;
    auto engine = std::make_unique<cw::Engine>();
    if (!engine->storesReady()) {
        std::fprintf(stderr, "random_levels_bench: Out of memory.\n");
        return 4;
    }
    long solved = 0, failed = 0, contradicted = 0;
    const auto start = std::chrono::steady_clock::now();
    for (long seed = first; seed < first + count; ++seed) {
        cwtest::RandomLevelOptions o;
        o.boxes = 1 + static_cast<int>(seed % 6);
        o.width = 7 + static_cast<int>(seed % 6);
        o.height = 7 + static_cast<int>((seed / 6) % 5);
        o.pulls = 20 + static_cast<int>(seed % 60);
        std::string text = cwtest::randomSolvableLevel(static_cast<std::uint64_t>(seed), o);
        engine->levelToLoad().levelStatus = cw::parseLevel(engine->levelToLoad(), text.data(), cw::ParseFull);
        engine->setTimeLimit(seconds);
        const cw::Outcome outcome = engine->solveLevel();
        if (outcome == cw::Outcome::Solved) {
            ++solved;
        } else if (outcome == cw::Outcome::Impossible || outcome == cw::Outcome::TraceMiss ||
                   outcome == cw::Outcome::Irregular || outcome == cw::Outcome::NoLevel) {
            ++contradicted;
            std::printf("contradiction: seed %ld ended %s\n%s\n", seed, cw::outcomeName(outcome),
                        text.c_str());
        } else {
            ++failed;
        }
    }
    const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf("random levels %ld (seeds %ld-%ld) limit %ds: solved %ld, failed %ld, contradicted %ld, wall "
                "%.1f s\n",
                count, first, first + count - 1, seconds, solved, failed, contradicted, wall);
    return contradicted == 0 ? 0 : 1;
}
