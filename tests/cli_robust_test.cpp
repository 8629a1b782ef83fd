// The command line when the machine says no: node stores that cannot be mapped, and a batch killed
// in the middle of its run.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <fstream>
#include <regex>
#include <string>
#include <thread>

#include "tests/test_levels.h"

namespace {

const std::string oneBox = cwtest::rows({"#####", "#@$.#", "#####"});

// Runs `cratewise ARGS` under an address-space limit of `kib` KiB, through the shell's ulimit.
cwtest::CliResult limited(int kib, const std::string& args) {
    std::string command = "ulimit -v ";
    command += std::to_string(kib);
    command += "; exec '" CRATEWISE_CLI "' ";
    command += args;
    return cwtest::runCli({}, "/dev/null", {}, command);
}

TEST(CliRobust, StoresThatCannotBeMappedAreSaidAndLevelsStillList) {
    if (cwtest::Sanitized) GTEST_SKIP() << "sanitizers reserve more address space than the limit allows";
    const cwtest::ScratchDir dir;
    std::ofstream(dir.file("one.txt")) << oneBox;
    // 1 GiB: enough for the program, far too little for its 3.5 GB of node stores.
    const int kib = 1 << 20;
    const cwtest::CliResult solve = limited(kib, "solve " + dir.file("one.txt"));
    EXPECT_EQ(solve.status, 4) << solve.err;
    EXPECT_NE(solve.err.find("Out of memory."), std::string::npos) << solve.err;
    const cwtest::CliResult batch = limited(kib, "batch " + dir.file("one.txt") + " -o " + dir.file("r.txt"));
    EXPECT_EQ(batch.status, 4) << batch.err;
    EXPECT_NE(batch.err.find("Out of memory."), std::string::npos) << batch.err;
    const cwtest::CliResult list = limited(kib, "list " + dir.file("one.txt"));
    EXPECT_EQ(list.status, 0) << list.err;
    EXPECT_EQ(list.out, "   1 [ 5* 3(  1)] Ready\n");
}

TEST(CliRobust, ABatchKilledMidwayLeavesWholeLines) {
    const cwtest::ScratchDir dir;
    std::string set;
    for (int i = 0; i < 4; i++) set += oneBox + "\n";
    set += cwtest::slowLevel();
    std::ofstream(dir.file("set.txt")) << set;
    cwtest::CliProcess batch({"batch", dir.file("set.txt"), "-t", "60", "--trace", "-o", dir.file("r.txt"),
                              "--stats", dir.file("s.csv")},
                             "/dev/null", dir.file("out"), dir.file("err"));
    // Wait until the four quick levels are written, then kill it while it solves the slow one.
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (cwtest::readFile(dir.file("s.csv")).find("\n4,") == std::string::npos &&
           std::chrono::steady_clock::now() < until)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    batch.kill();
    EXPECT_EQ(batch.wait(10'000), -1); // ended by the signal
    const std::string result = cwtest::readFile(dir.file("r.txt"));
    const std::string stats = cwtest::readFile(dir.file("s.csv"));
    ASSERT_FALSE(result.empty());
    EXPECT_EQ(result.back(), '\n') << result;
    EXPECT_EQ(stats.back(), '\n') << stats;
    // Header, then four whole level lines with their move lines; the killed level left nothing.
    const std::regex whole("(# [^\n]*\n){3} No\\.[^\n]*\n-{54}\n(   [1-4]\\[ 5\\* 3\\(  1\\)\\]   0sec     "
                           "1moves    1pushes\n\t\t[a-zA-Z]+\n){4}");
    EXPECT_TRUE(std::regex_match(result, whole)) << result;
    EXPECT_EQ(std::count(stats.begin(), stats.end(), '\n'), 5) << stats;
}

} // namespace
