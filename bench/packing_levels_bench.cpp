// Lists the levels of collections that thread two gives to the packing-order solver, by the same
// rule its body uses.
//
//   build/bench/packing_levels_bench [FILE ...]   (default: the benchmark collections)
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "engine/engine.h"
#include "level/level_set.h"
#include "probes/engine_probe.h"

int main(int argc, char** argv) {
    std::vector<std::string> files(argv + 1, argv + argc);
    if (files.empty()) files = {"xsokoban-90.txt", "microban.xsb", "microban-2.xsb", "sasquatch.xsb"};
    auto engine = std::make_unique<cw::Engine>();
    for (const std::string& file : files) {
        const std::string path =
            file.find('/') == std::string::npos ? std::string(CRATEWISE_SHARED_LEVELS) + "/" + file : file;
        cw::LevelSet set(engine->levelToLoad(), "");
        if (!set.loadFile(path)) {
            std::fprintf(stderr, "packing_levels_bench: cannot load %s\n", path.c_str());
            return 2;
        }
        std::string numbers;
        int packed = 0;
        for (bool more = set.levelNumber() > 0; more; more = set.hasNext(), set.nextLevel()) {
            if (engine->level().levelStatus != cw::Outcome::Ready) continue;
            if (cw::EngineProbe::prepareRun(*engine) != cw::Outcome::Ready) continue;
            if (!cw::EngineProbe::packingPathChosen(*engine)) continue;
            numbers += ' ';
            numbers += std::to_string(set.levelNumber());
            packed++;
        }
        std::printf("%s: %d of %d levels take the packing path:%s\n", file.c_str(), packed, set.levelTotal(),
                    numbers.c_str());
    }
    return 0;
}
