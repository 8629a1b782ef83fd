// The command line never misleads a script: a level out of reach is refused under its own number,
// inputs that can be read only once are read once, outputs that are lost make the exit status
// non-zero, Ctrl-C ends every command with 130, and every refusal names its reason.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "tests/test_levels.h"

namespace {

namespace fs = std::filesystem;
using cwtest::CliResult;
using cwtest::runCli;

const std::string oneBox = cwtest::rows({"#####", "#@$.#", "#####"});

const std::string slowLevel = cwtest::slowLevel();

class CliFaults : public ::testing::Test {
  protected:
    std::string file(const std::string& name) const { return dir_.file(name); }
    void write(const std::string& name, const std::string& text) const {
        std::ofstream(file(name), std::ios::binary) << text;
    }
    // A folder of numbered level files; an entry "" writes a file that holds no level.
    std::string folder(const std::string& name, const std::vector<std::pair<int, std::string>>& files) const {
        fs::create_directory(file(name));
        for (const auto& [n, text] : files)
            write(name + "/map" + std::to_string(n) + ".txt", text.empty() ? "no level here\n" : text);
        return file(name);
    }
    cwtest::ScratchDir dir_;
};

TEST_F(CliFaults, ALevelOutOfReachIsNeverSolvedUnderAnotherNumber) {
    const std::string gap = folder("gap", {{1, oneBox}, {2, oneBox}, {3, oneBox}, {101, oneBox}});
    const std::string hole = folder("hole", {{1, oneBox}, {2, ""}, {3, oneBox}});
    struct Case {
        std::vector<std::string> args;
        int status;
        std::string said; // part of stderr
    };
    const std::vector<Case> cases = {
        {{"solve", gap, "-l", "50"}, 2, "level 50 cannot be reached: the set's levels end at level 3"},
        {{"solve", gap, "-l", "3"}, 0, ""},
        {{"solve", hole, "-l", "3"}, 2, "level 3 cannot be reached: the set's levels end at level 1"},
        {{"batch", gap, "--from", "50", "-o", file("from50.txt")}, 2, "level 50 cannot be reached"},
        {{"batch", gap, "-o", file("all.txt")}, 2, "level 4 cannot be reached: the batch ended at level 3"},
    };
    for (const Case& c : cases) {
        const CliResult r = runCli(c.args);
        EXPECT_EQ(r.status, c.status) << c.args[0] << " " << c.args.back() << "\n" << r.err;
        EXPECT_NE(r.err.find(c.said), std::string::npos) << r.err;
        if (c.status == 0)
            EXPECT_EQ(r.out.substr(0, 7), "Solved\n");
        else
            EXPECT_EQ(r.out.find("Solved"), std::string::npos);
    }
    EXPECT_FALSE(fs::exists(file("from50.txt")));
    // The batch over the whole range wrote the levels it reached, under their own numbers, and no other.
    const std::string all = cwtest::readFile(file("all.txt"));
    for (const char* line : {"\n   1[", "\n   2[", "\n   3["})
        EXPECT_NE(all.find(line), std::string::npos) << all;
    EXPECT_EQ(all.find("\n   4["), std::string::npos);
}

TEST_F(CliFaults, InputsThatCanBeReadOnlyOnceAreReadWhole) {
    // Long enough that the window slides many times.
    std::string many;
    for (int i = 1; i <= 3000; i++) many += "; " + std::to_string(i) + "\n" + oneBox + "\n";
    write("many.txt", many);
    const CliResult plain = runCli({"list", file("many.txt")});
    ASSERT_EQ(plain.status, 0) << plain.err;
    ASSERT_NE(plain.out.find("3000 [ 5* 3(  1)] Ready\n"), std::string::npos);

    // Standard input from a pipe, and a FIFO given by its path, list exactly the same.
    const CliResult piped = runCli({"list", "-"}, file("many.txt"));
    EXPECT_EQ(piped.status, 0) << piped.err;
    EXPECT_EQ(piped.out, plain.out);
    ASSERT_EQ(mkfifo(file("fifo").c_str(), 0600), 0);
    std::thread writer([&] { std::ofstream(file("fifo"), std::ios::binary) << many; });
    const CliResult fifo = runCli({"list", file("fifo")});
    writer.join();
    EXPECT_EQ(fifo.status, 0) << fifo.err;
    EXPECT_EQ(fifo.out, plain.out);
}

TEST_F(CliFaults, InputOverTheLimitIsRefusedWithTheLimit) {
    // More than 64 MiB from a device and from standard input: refused, never read without end.
    const CliResult device = runCli({"list", "/dev/zero"});
    EXPECT_EQ(device.status, 2);
    EXPECT_NE(device.err.find("holds more than 64 MiB"), std::string::npos) << device.err;
    const CliResult input = runCli({"solve", "-"}, "/dev/zero");
    EXPECT_EQ(input.status, 2);
    EXPECT_NE(input.err.find("standard input holds more than 64 MiB"), std::string::npos) << input.err;
}

TEST_F(CliFaults, OutputOntoTheInputIsRefusedAndTheInputKept) {
    write("same.txt", oneBox + "\n" + oneBox);
    fs::create_directory(file("set"));
    write("set/map1.txt", oneBox);
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"batch", file("same.txt"), "-o", file("same.txt")},
          {"batch", file("same.txt"), "--stats", file("same.txt")},
          {"batch", file("set"), "-o", file("set/map1.txt")}}) {
        const CliResult r = runCli(args);
        EXPECT_EQ(r.status, 2) << args.back();
        EXPECT_NE(r.err.find("is the input the levels are read from"), std::string::npos) << r.err;
    }
    EXPECT_EQ(cwtest::readFile(file("same.txt")), oneBox + "\n" + oneBox);
    EXPECT_EQ(cwtest::readFile(file("set/map1.txt")), oneBox);
}

TEST_F(CliFaults, EveryLostOutputIsNamedAndMakesTheStatusNonZero) {
    struct Case {
        std::vector<std::string> args;
        bool stdoutFull;
        std::string said;
    };
    const std::vector<Case> cases = {
        {{"batch", "-o", "/dev/full"}, false, "could not be written to '/dev/full'"},
        {{"batch", "-o", "/dev/null", "--stats", "/dev/full"},
         false,
         "statistics could not be written to '/dev/full'"},
        {{"batch"}, true, "could not be written to standard output"},
        {{"solve"}, true, "cannot write standard output"},
        {{"list"}, true, "cannot write standard output"},
        {{"--help"}, true, "cannot write standard output"},
    };
    for (const Case& c : cases) {
        const cwtest::ScratchDir dir;
        cwtest::CliProcess process(c.args, "/dev/null", c.stdoutFull ? "/dev/full" : dir.file("out"),
                                   dir.file("err"));
        EXPECT_EQ(process.wait(60'000), 3) << c.args[0];
        const std::string err = cwtest::readFile(dir.file("err"));
        EXPECT_NE(err.find(c.said), std::string::npos) << err;
    }
}

TEST_F(CliFaults, CtrlCEndsEveryCommandWith130Quickly) {
    write("slow.txt", slowLevel);
    // A pipe that never ends keeps the command loading; the writer holds it open until the end.
    ASSERT_EQ(mkfifo(file("endless").c_str(), 0600), 0);
    std::thread holder([&] {
        std::ofstream out(file("endless"));
        out << "; a title and nothing more\n" << std::flush;
        std::this_thread::sleep_for(std::chrono::seconds(3));
    });
    struct Case {
        const char* when;
        std::vector<std::string> args;
        std::string in;
        int afterMs; // 0: "at start", as soon as the program has taken the signal for its own
    };
    const std::vector<Case> cases = {
        {"solve at start", {"solve", file("slow.txt"), "-t", "60"}, "/dev/null", 0},
        {"solve loading", {"solve", "-"}, file("endless"), 300},
        {"solve mid-run", {"solve", file("slow.txt"), "-t", "60"}, "/dev/null", 700},
        {"batch at start", {"batch", file("slow.txt"), "-t", "60", "-o", file("r1.txt")}, "/dev/null", 0},
        {"batch mid-run", {"batch", file("slow.txt"), "-t", "60", "-o", file("r2.txt")}, "/dev/null", 700},
    };
    for (const Case& c : cases) {
        cwtest::CliProcess process(c.args, c.in, file("out"), file("err"));
        // A sanitizer build may take longer than any fixed delay to reach main under load.
        if (c.afterMs == 0)
            EXPECT_TRUE(process.waitInterruptTaken(10'000)) << c.when;
        else
            std::this_thread::sleep_for(std::chrono::milliseconds(c.afterMs));
        const auto sent = std::chrono::steady_clock::now();
        process.interrupt();
        EXPECT_EQ(process.wait(10'000), 130) << c.when << ": " << cwtest::readFile(file("err"));
        const auto took = std::chrono::steady_clock::now() - sent;
        // A sanitizer build starts and ends its processes far more slowly.
        EXPECT_LT(took, std::chrono::milliseconds(cwtest::Sanitized ? 3000 : 1000)) << c.when;
    }
    holder.join();
    // A batch cancelled mid-run still ends its result file with the cancel line and the summary.
    const std::string result = cwtest::readFile(file("r2.txt"));
    EXPECT_NE(result.find("->Cancel\n"), std::string::npos) << result;
    EXPECT_NE(result.find("# Solved:"), std::string::npos) << result;
}

TEST_F(CliFaults, OneSecondLimitMeansOneSecond) {
    write("slow.txt", slowLevel);
    const auto start = std::chrono::steady_clock::now();
    const CliResult r = runCli({"solve", file("slow.txt"), "-t", "1"});
    const auto took = std::chrono::steady_clock::now() - start;
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "Failed (Timeout)\n");
    EXPECT_GE(took, std::chrono::milliseconds(900));
    // The process's own start and end come on top of the limit; a sanitizer build's take longer.
    EXPECT_LE(took, std::chrono::milliseconds(cwtest::Sanitized ? 2000 : 1300));
}

TEST_F(CliFaults, LongStandardInputNeedsNoSettingsFolder) {
    std::string many;
    for (int i = 1; i <= 1000; i++) many += oneBox + "\n";
    write("many.txt", many);
    // A settings folder that cannot be made: the command line must not need one.
    write("plain-file", "");
    const std::vector<std::string> env = {"XDG_CONFIG_HOME=" + file("plain-file"),
                                          "HOME=" + file("plain-file")};
    const CliResult r = runCli({"solve", "-", "-l", "1000"}, file("many.txt"), env);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out.substr(0, 7), "Solved\n");
    const CliResult listed = runCli({"list", "-"}, file("many.txt"), env);
    EXPECT_NE(listed.out.find("1000 [ 5* 3(  1)] Ready\n"), std::string::npos);
    EXPECT_EQ(fs::file_size(file("plain-file")), 0u);
}

TEST_F(CliFaults, ArgumentsAreJudgedAndEveryRefusalSaysWhy) {
    struct Case {
        std::vector<std::string> args;
        int status;
        std::string said; // part of stdout for status 0, of stderr otherwise
    };
    const std::vector<Case> cases = {
        {{"--help"}, 0, "Exit status:"},
        {{"-h"}, 0, "usage:"},
        {{"list", "--help"}, 0, "usage: cratewise list"},
        {{"solve", "--help"}, 0, "usage: cratewise solve"},
        {{"batch", "-h"}, 0, "usage: cratewise batch"},
        {{"--version"}, 0, "cratewise "},
        {{"list", "--bogus"}, 2, "unknown option '--bogus'"},
        {{"solve", "-x"}, 2, "unknown option '-x'"},
        {{"solve", "-t", "1000000001"}, 2, "-t needs a whole number from 1 to 1000000000"},
        {{"batch", "--from", "0"}, 2, "--from needs a whole number from 1 to 1000000000"},
        {{"solve", "a.txt", "b.txt"}, 2, "only one level source may be given"},
        {{"frobnicate"}, 2, "unknown command 'frobnicate'"},
        {{}, 2, "usage:"},
    };
    for (const Case& c : cases) {
        const CliResult r = runCli(c.args);
        EXPECT_EQ(r.status, c.status) << (c.args.empty() ? "(none)" : c.args[0]);
        const std::string& where = c.status == 0 ? r.out : r.err;
        EXPECT_NE(where.find(c.said), std::string::npos) << where;
    }
}

} // namespace
