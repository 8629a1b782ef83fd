// A batch split into shards run side by side by GNU parallel and merged gives what one batch over
// the whole range gives: the same level lines (times aside) and the same summary counts.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <regex>
#include <string>

#include "tests/test_levels.h"

namespace {

// The words joined by spaces, as a shell command line.
std::string words(std::initializer_list<std::string> parts) {
    std::string line;
    for (const std::string& p : parts) {
        if (!line.empty()) line += ' ';
        line += p;
    }
    return line;
}

// Level lines and summary counts without the seconds and the dates.
std::string withoutTimes(const std::string& text) {
    std::string out = std::regex_replace(text, std::regex("\\]\\s*\\d+sec"), "]Nsec");
    return std::regex_replace(out, std::regex("\\[\\d{4}/\\d\\d/\\d\\d \\d\\d:\\d\\d (Start|Finish)\\]"),
                              "[DATE]");
}

TEST(CliShards, ThreeShardsThroughParallelMergeToTheSingleRun) {
    if (std::system("parallel --version >/dev/null 2>&1") != 0)
        GTEST_SKIP() << "GNU parallel is not installed";
    const cwtest::ScratchDir dir;
    // Eight levels of our own: solved ones, an impossible one and an irregular one.
    std::string set;
    for (int i = 0; i < 6; i++) {
        std::string middle(10, ' ');
        middle.front() = '#';
        middle.back() = '#';
        middle.replace(static_cast<std::size_t>(1 + i), 3, "@$.");
        set += cwtest::rows({"##########", middle.c_str(), "##########"});
        set += '\n';
    }
    set += cwtest::rows({"######", "#$ @.#", "#    #", "######"}) + "\n";
    set += cwtest::rows({"#######", "#     #", "# $.@", "#######"});
    std::ofstream(dir.file("set.txt")) << set;

    const std::string cli = CRATEWISE_CLI;
    const std::string in = dir.file("set.txt");
    // Thread two alone, so that each level's move string is the same in every run.
    const std::string single = words({cli, "batch", in, "-t", "10", "--solver", "two", "--trace", "-o",
                                      dir.file("one.txt"), "--stats", dir.file("one.csv"), "2>/dev/null"});
    ASSERT_EQ(std::system(single.c_str()) >> 8, 1); // two levels are not solved
    const std::string shards = words({"parallel",
                                      cli,
                                      "batch",
                                      in,
                                      "-t",
                                      "10",
                                      "--solver",
                                      "two",
                                      "--trace",
                                      "--shard",
                                      "{}/3",
                                      "-o",
                                      dir.file("s{}.txt"),
                                      "--stats",
                                      dir.file("s{}.csv"),
                                      ":::",
                                      "1",
                                      "2",
                                      "3",
                                      "2>/dev/null"});
    std::system(shards.c_str());
    const std::string merge = words(
        {cli, "merge", "-o", dir.file("merged.txt"), "--stats", dir.file("merged.csv"), dir.file("s1.txt"),
         dir.file("s2.txt"), dir.file("s3.txt"), dir.file("s1.csv"), dir.file("s2.csv"), dir.file("s3.csv")});
    ASSERT_EQ(std::system(merge.c_str()) >> 8, 0);

    const std::string one = cwtest::readFile(dir.file("one.txt"));
    EXPECT_NE(one.find("# Solved:   6 levels"), std::string::npos) << one;
    EXPECT_EQ(withoutTimes(cwtest::readFile(dir.file("merged.txt"))), withoutTimes(one));
    // The statistics rows agree but for the elapsed milliseconds (column 7) and what depends on which
    // thread solved first (columns 10 to 15: solved by, the node counts, the stage, the stage times).
    const std::regex racy("^(([^,]*,){6})[^,]*,([^,]*,[^,]*,)[^,]*,[^,]*,[^,]*,[^,]*,[^,]*,[^,\n]*$",
                          std::regex::multiline);
    EXPECT_EQ(std::regex_replace(cwtest::readFile(dir.file("merged.csv")), racy, "$1,$3"),
              std::regex_replace(cwtest::readFile(dir.file("one.csv")), racy, "$1,$3"));
}

} // namespace
