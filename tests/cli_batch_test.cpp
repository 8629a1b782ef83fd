// `cratewise batch` as a user runs it: argument errors, an unwritable result file, and a whole run on
// levels that end without a search, with the result file and the statistics rows checked.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>

#include "tests/test_levels.h"

namespace {

struct Ran {
    int status = -1;
    std::string out;
};

// Runs the program with `arguments` (shell words), standard output captured, stderr discarded.
Ran runCli(const std::string& arguments) {
    const std::string command = std::string(CRATEWISE_CLI) + " " + arguments + " 2>/dev/null";
    Ran ran;
    std::FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr) return ran;
    char buffer[4096];
    std::size_t got = 0;
    while ((got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) ran.out.append(buffer, got);
    const int raw = pclose(pipe);
    ran.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    return ran;
}

class CliBatchTest : public testing::Test {
  protected:
    void SetUp() override {
        levels_ = dir_.path() / "three.txt";
        std::ofstream(levels_) << cwtest::rows({"######", "#@$$.#", "######"}) << "\n"
                               << cwtest::rows({"#####", "#@* #", "#####"}) << "\n"
                               << cwtest::rows({"#####", "#$  #", "# @.#", "#####"});
        // Keep the program's own scratch files inside the test folder.
        setenv("XDG_CONFIG_HOME", dir_.path().c_str(), 1);
    }

    std::string levels() const { return levels_.string(); }

    cwtest::ScratchDir dir_;
    std::filesystem::path levels_;
};

TEST_F(CliBatchTest, BadRangesAreRefusedBeforeAnythingRuns) {
    const char* ranges[] = {"--from 0", "--from 4", "--to 4",          "--from 3 --to 2",
                            "--from x", "--to",     "--from 2 --to 0", "-t 0"};
    const auto result = dir_.path() / "result.txt";
    for (const char* range : ranges) {
        const Ran ran = runCli("batch " + levels() + " " + range + " -o " + result.string());
        EXPECT_EQ(ran.status, 2) << range;
        EXPECT_FALSE(std::filesystem::exists(result)) << range;
    }
}

TEST_F(CliBatchTest, UnwritableResultFileIsRefused) {
    const auto folder = dir_.path() / "a-folder";
    std::filesystem::create_directories(folder);
    const std::string targets[] = {folder.string(), (dir_.path() / "missing" / "result.txt").string()};
    for (const std::string& target : targets) {
        const Ran ran = runCli("batch " + levels() + " -o " + target);
        EXPECT_EQ(ran.status, 3) << target; // an output that cannot be written
        EXPECT_EQ(ran.out, "") << target;
    }
}

TEST_F(CliBatchTest, WritesResultFileAndStatistics) {
    const auto result = dir_.path() / "result.txt";
    const auto stats = dir_.path() / "stats.csv";
    const Ran ran = runCli("batch " + levels() + " --from 2 -t 9 --trace -o " + result.string() +
                           " --stats " + stats.string());
    ASSERT_EQ(ran.status, 1); // level 3 is not solved
    EXPECT_EQ(ran.out, "");
    // Dates are the local time of the run: mask them.
    const std::string text = std::regex_replace(cwtest::readFile(result),
                                                std::regex("\\d{4}/\\d\\d/\\d\\d \\d\\d:\\d\\d"), "DATE");
    EXPECT_EQ(text, "# Cratewise Ver7.3 by korrin (Aug/2021)\n"
                    "# LevelSetName: three (3 levels)\n"
                    "# MaxSize [50*50(64)] Memory 3.5GB TimeLimit 9sec\n"
                    " No.  W  H   B    Time        [DATE Start]\n"
                    "------------------------------------------------------\n"
                    "   2[ 5* 3(  1)]   0sec     0moves    0pushes\n"
                    "   3[ 5* 4(  1)]   0sec Skiped Impossible\n"
                    "------------------------------------------------------\n"
                    "# Solved:   1 levels         [DATE Finish]\n"
                    "# Failed:   0 levels\n"
                    "# Skiped:   1 levels\n");
    const std::string csv = cwtest::readFile(stats);
    const std::regex rows("number,width,height,boxes,outcome,outcome_text,elapsed_ms,moves,pushes,solved_by,"
                          "thread_one_nodes,thread_two_nodes,stage,stage1_ms,stage2_ms\n"
                          "2,5,3,1,8,Solved,\\d+,0,0,0,0,0,,,\n"
                          "3,5,4,1,7,Skiped Impossible,\\d+,0,0,0,0,0,,,\n");
    EXPECT_TRUE(std::regex_match(csv, rows)) << csv;
}

// --solver picks the searching thread; the statistics say which one solved (1 thread one, 3 thread
// two's bidirectional search), and a word other than both, one or two is refused.
TEST_F(CliBatchTest, SolverOptionPicksTheSearchingThread) {
    const auto two = dir_.path() / "two.txt";
    std::ofstream(two) << cwtest::rows({"#######", "#@    #", "# $ $ #", "# . . #", "#######"}) << "\n"
                       << cwtest::rows({"#######", "#     #", "# $@$ #", "#.   .#", "#######"});
    const auto stats = dir_.path() / "stats.csv";
    for (const auto& [word, by] : {std::pair{"one", ",1,"}, std::pair{"two", ",3,"}}) {
        const Ran ran = runCli("batch " + two.string() + " --solver " + word +
                               " -t 20 -o /dev/null --stats " + stats.string());
        ASSERT_EQ(ran.status, 0) << word;
        const std::string csv = cwtest::readFile(stats);
        for (const char* row : {"\n1,", "\n2,"}) {
            const std::size_t at = csv.find(row);
            ASSERT_NE(at, std::string::npos) << csv;
            const std::string line = csv.substr(at + 1, csv.find('\n', at + 1) - at - 1);
            EXPECT_NE(line.find(",8,Solved,"), std::string::npos) << line;
            EXPECT_NE(line.find(by), std::string::npos) << word << ": " << line;
        }
    }
    EXPECT_EQ(runCli("batch " + two.string() + " --solver three -o /dev/null").status, 2);
    const Ran solved = runCli("solve " + two.string() + " -l 2 --solver one -t 20");
    EXPECT_EQ(solved.status, 0);
    EXPECT_EQ(solved.out.rfind("Solved\n", 0), 0u) << solved.out;
    EXPECT_EQ(runCli("solve " + two.string() + " --solver").status, 2);
}

TEST_F(CliBatchTest, WithoutResultPathTheFileGoesToStandardOutput) {
    const Ran ran = runCli("batch " + levels() + " --to 1");
    ASSERT_EQ(ran.status, 1);
    EXPECT_NE(ran.out.find("# LevelSetName: three (3 levels)\n"), std::string::npos);
    EXPECT_NE(ran.out.find("\n   1[ 6* 3(  2)]   0sec Skiped Strange\n---"), std::string::npos);
    EXPECT_NE(ran.out.find("# Skiped:   1 levels\n"), std::string::npos);
    EXPECT_EQ(ran.out.find("   2["), std::string::npos);
}

} // namespace
