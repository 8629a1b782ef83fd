// cratewise list run as a program: its lines, its errors and its exit status.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "tests/test_levels.h"

namespace {

namespace fs = std::filesystem;
using cwtest::rows;

struct CliRun {
    int status = -1;
    std::string out;
    std::string err;
};

class CliList : public ::testing::Test {
  protected:
    std::string file(const std::string& name) const { return dir_.file(name); }
    // The file's path in single quotes, for the shell.
    std::string quotedFile(const std::string& name) const {
        std::string quoted = "'";
        quoted += file(name);
        quoted += '\'';
        return quoted;
    }

    // Runs `cratewise list <args>` with the settings folder inside the temp dir.
    CliRun list(const std::string& args, const std::string& stdinFile = "/dev/null") const {
        const std::string command = "XDG_CONFIG_HOME='" + file("config") + "' '" CRATEWISE_CLI "' list " +
                                    args + " <'" + stdinFile + "' >'" + file("out.txt") + "' 2>'" +
                                    file("err.txt") + "'";
        CliRun run;
        const int raw = std::system(command.c_str());
        run.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
        run.out = cwtest::readFile(file("out.txt"));
        run.err = cwtest::readFile(file("err.txt"));
        return run;
    }

    void write(const std::string& name, const std::string& text) const {
        std::ofstream out(file(name), std::ios::binary);
        out << text;
    }

    cwtest::ScratchDir dir_;
};

std::vector<std::string> splitLines(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t end = text.find('\n', start);
        lines.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return lines;
}

std::string wideLevel() {
    std::string wall(51, '#');
    std::string inner(51, ' ');
    inner.front() = '#';
    inner.back() = '#';
    std::string middle = inner;
    middle.replace(1, 4, "@ $.");
    return wall + "\n" + inner + "\n" + middle + "\n" + inner + "\n" + wall + "\n";
}

TEST_F(CliList, SampleSetByDefaultAndByFlag) {
    for (const std::string args : {"", "--sample"}) {
        SCOPED_TRACE(args);
        const CliRun run = list(args);
        EXPECT_EQ(run.status, 0);
        EXPECT_EQ(run.err, "");
        const std::vector<std::string> lines = splitLines(run.out);
        ASSERT_EQ(lines.size(), 6u);
        for (std::size_t i = 0; i < lines.size(); ++i) {
            char expected[8];
            std::snprintf(expected, sizeof expected, "%4d [", static_cast<int>(i + 1));
            EXPECT_EQ(lines[i].substr(0, 6), expected);
            EXPECT_EQ(lines[i].substr(lines[i].size() - 6), " Ready");
        }
    }
}

TEST_F(CliList, EveryStateText) {
    const std::string text = "; five levels\n" + rows({"#######", "#     #", "# $.@ #", "#######"}) + "\n" +
                             wideLevel() + "\n" + rows({"######", "#$   #", "#  .@#", "######"}) + "\n" +
                             rows({"#######", "#     #", "# $.@", "#######"}) + "\n" +
                             rows({"########", "#      #", "# $$$@ #", "# .... #", "########"});
    write("set.txt", text);
    const CliRun run = list(quotedFile("set.txt"));
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out, "   1 [ 7* 4(  1)] Ready\n"
                       "   2 [51* 5(  1)] Size Over\n"
                       "   3 [ 6* 4(  1)] Impossible\n"
                       "   4 [ 7* 4(  1)] Irregular\n"
                       "   5 [ 8* 5(  3)] Irregular\n");

    // 65 boxes and 65 goals in a closed 20 x 23 room.
    auto line = [](char fill, int n) {
        std::string row(20, ' ');
        row.front() = '#';
        row.back() = '#';
        for (int c = 1; c <= n; ++c) row[static_cast<std::size_t>(c)] = fill;
        row += '\n';
        return row;
    };
    std::string many = std::string(20, '#');
    many += '\n';
    std::string top = line(' ', 0);
    top[1] = '@';
    many += top;
    for (int r = 0; r < 5; ++r) many += line('$', 13) + line(' ', 0) + line('.', 13) + line(' ', 0);
    many.append(20, '#');
    many += '\n';
    write("many.txt", many);
    EXPECT_EQ(list(quotedFile("many.txt")).out, "   1 [20*23( 65)] Boxes Over\n");
}

TEST_F(CliList, StandardInputAndFolder) {
    const std::string level = rows({"#######", "#     #", "# $.@ #", "#######"});
    write("in.txt", "title\n" + level + "\n" + level);
    const CliRun piped = list("-", file("in.txt"));
    EXPECT_EQ(piped.status, 0);
    EXPECT_EQ(piped.out, "   1 [ 7* 4(  1)] Ready\n   2 [ 7* 4(  1)] Ready\n");

    fs::create_directory(file("folder"));
    for (int n = 1; n <= 3; ++n) write("folder/lv0" + std::to_string(n) + ".txt", level);
    const CliRun folder = list(quotedFile("folder"));
    EXPECT_EQ(folder.status, 0);
    EXPECT_EQ(splitLines(folder.out).size(), 3u);
}

TEST_F(CliList, Failures) {
    const CliRun missing = list(quotedFile("missing.txt"));
    EXPECT_EQ(missing.status, 2);
    EXPECT_EQ(missing.out, "");
    EXPECT_EQ(splitLines(missing.err).size(), 1u);

    write("words.txt", "no levels in here\n");
    const CliRun empty = list(quotedFile("words.txt"));
    EXPECT_EQ(empty.status, 2);
    EXPECT_EQ(empty.out, "");
    EXPECT_EQ(empty.err, "cratewise list: Levels are not loaded.\n");

    const CliRun emptyInput = list("-");
    EXPECT_EQ(emptyInput.status, 2);
    EXPECT_EQ(emptyInput.err, "cratewise list: Levels are not loaded.\n");
}

TEST_F(CliList, SharedCollections) {
    const std::string levels = CRATEWISE_SHARED_LEVELS;
    if (!fs::exists(levels + "/microban.xsb")) GTEST_SKIP() << "benchmark collections not present";
    const CliRun microban = list("'" + levels + "/microban.xsb'");
    EXPECT_EQ(microban.status, 0);
    const std::vector<std::string> lines = splitLines(microban.out);
    EXPECT_EQ(lines.size(), 155u);
    for (const std::string& line : lines) EXPECT_EQ(line.substr(line.size() - 6), " Ready") << line;
    const CliRun xsokoban = list("'" + levels + "/xsokoban-90.txt'");
    EXPECT_EQ(splitLines(xsokoban.out).size(), 90u);
}

} // namespace
