// Every input the fuzzers start from or ever crashed on, run through the fuzz targets' checks in the
// ordinary build, so a fixed crash stays fixed.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "tests/fuzz/fuzz_targets.h"
#include "tests/test_levels.h"

namespace {

namespace fs = std::filesystem;

TEST(FuzzRegression, SeedCorpusAndKeptCrashesPassBothTargets) {
    int inputs = 0;
    for (const char* folder : {"corpus", "crashes"}) {
        const fs::path dir = fs::path(CRATEWISE_FUZZ_DIR) / folder;
        if (!fs::exists(dir)) continue;
        for (const auto& entry : fs::directory_iterator(dir)) {
            if (!entry.is_regular_file() || entry.path().filename() == "README.md") continue;
            const std::string bytes = cwtest::readFile(entry.path());
            SCOPED_TRACE(entry.path().string());
            const auto* data = reinterpret_cast<const std::uint8_t*>(bytes.data());
            cwfuzz::parseInput(data, bytes.size());
            cwfuzz::solveInput(data, bytes.size());
            ++inputs;
        }
    }
    EXPECT_GE(inputs, 5); // the seed corpus is in the repository
}

} // namespace
