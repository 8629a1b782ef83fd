// The result file's texts byte for byte, and how ResultFile writes, appends and reports lost lines.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "batch/result_file.h"
#include "solver/board.h"
#include "tests/test_levels.h"

namespace {

const cw::LocalStamp start{2024, 3, 7, 9, 5};
const cw::LocalStamp finish{2024, 12, 31, 23, 59};

// A path in this test program's own scratch folder.
std::filesystem::path scratch(const std::string& name) {
    static const cwtest::ScratchDir dir;
    const auto path = dir.path() / name;
    std::filesystem::remove_all(path);
    return path;
}

TEST(ResultText, HeaderHasTitleSetLimitsAndStartTime) {
    EXPECT_EQ(cw::headerText("microcosm", 12, 600, start),
              "# Cratewise Ver7.3 by korrin (Aug/2021)\n"
              "# LevelSetName: microcosm (12 levels)\n"
              "# MaxSize [50*50(64)] Memory 3.5GB TimeLimit 600sec\n"
              " No.  W  H   B    Time        [2024/03/07 09:05 Start]\n"
              "------------------------------------------------------\n");
}

TEST(ResultText, HeaderKeepsLongSetNamesWhole) {
    const std::string name(400, 'n');
    const std::string header = cw::headerText(name, 1, 5, start);
    EXPECT_NE(header.find("# LevelSetName: " + name + " (1 levels)\n"), std::string::npos);
}

TEST(ResultText, LevelLineForEveryOutcome) {
    struct Case {
        cw::LevelLine line;
        const char* expected;
    };
    const Case cases[] = {
        {{1, 51, 3, 1, 0, cw::Outcome::SizeOver, 0, 0, 0}, "   1[51* 3(  1)]   0sec Failed SizeOver\n"},
        {{2, 40, 40, 70, 0, cw::Outcome::BoxesOver, 0, 0, 0}, "   2[40*40( 70)]   0sec Failed BoxesOver\n"},
        {{3, 6, 3, 2, 0, cw::Outcome::Irregular, 0, 0, 0}, "   3[ 6* 3(  2)]   0sec Skiped Strange\n"},
        {{4, 5, 4, 1, 0, cw::Outcome::Impossible, 0, 0, 0}, "   4[ 5* 4(  1)]   0sec Skiped Impossible\n"},
        {{5, 9, 8, 4, 12, cw::Outcome::Solved, 250, 61, 0},
         "   5[ 9* 8(  4)]  12sec   250moves   61pushes\n"},
        {{6, 9, 8, 4, 3, cw::Outcome::Solved, 150000, 9000, 1},
         "   6[ 9* 8(  4)]   3sec150000moves 9000pushes TraceOut\n"},
        {{7, 20, 11, 9, 600, cw::Outcome::Failed, 0, 0, 0}, "   7[20*11(  9)] 600sec Failed\n"},
        {{8, 20, 11, 9, 601, cw::Outcome::Timeout, 0, 0, 0}, "   8[20*11(  9)] 601sec Failed\n"},
        {{9, 7, 7, 3, 1, cw::Outcome::TraceMiss, 0, 0, 0}, "   9[ 7* 7(  3)]   1sec Failed TraceMiss\n"},
        {{1234, 7, 7, 3, 12345, cw::Outcome::Ready, 0, 0, 0}, "1234[ 7* 7(  3)]12345sec Failed ?\n"},
        {{10, 7, 7, 3, 0, cw::Outcome::NoLevel, 0, 0, 0}, "  10[ 7* 7(  3)]   0sec Failed ?\n"},
        {{11, 7, 7, 3, 0, static_cast<cw::Outcome>(12), 0, 0, 0}, "  11[ 7* 7(  3)]   0sec Failed ?\n"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(cw::levelLineText(c.line), c.expected) << "outcome " << c.line.outcome;
}

TEST(ResultText, MoveStringInLinesOfHundredLetters) {
    struct Case {
        std::size_t letters;
        std::vector<std::size_t> lines;
    };
    const Case cases[] = {{0, {}}, {1, {1}}, {100, {100}}, {101, {100, 1}}, {250, {100, 100, 50}}};
    for (const Case& c : cases) {
        std::string moves;
        for (std::size_t i = 0; i < c.letters; ++i) moves += "urdlURDL"[i % 8];
        std::string expected;
        std::size_t at = 0;
        for (std::size_t n : c.lines) {
            expected += "\t\t" + moves.substr(at, n) + "\n";
            at += n;
        }
        EXPECT_EQ(cw::traceLinesText(moves), expected) << c.letters << " letters";
    }
}

TEST(ResultText, SummaryShowsSkippedLineOnlyWhenSomethingWasSkipped) {
    const std::string head = "------------------------------------------------------\n"
                             "# Solved:   3 levels         [2024/12/31 23:59 Finish]\n"
                             "# Failed:  12 levels\n";
    EXPECT_EQ(cw::summaryText(3, 12, 0, finish), head);
    EXPECT_EQ(cw::summaryText(3, 12, 2, finish), head + "# Skiped:   2 levels\n");
}

TEST(ResultFile, HeaderTruncatesAndLaterWritesAppend) {
    const auto path = scratch("append.txt");
    std::ofstream(path) << "old content that must go\n";
    cw::ResultFile file;
    ASSERT_TRUE(file.open(path.string()));
    EXPECT_TRUE(file.writeHeader("head\n"));
    EXPECT_TRUE(file.append("one\n"));
    EXPECT_TRUE(file.append(std::string("two\0bytes\xff\n", 11)));
    EXPECT_EQ(cwtest::readFile(path), std::string("head\none\ntwo\0bytes\xff\n", 20));
    EXPECT_EQ(file.lostCount(), 0);
}

TEST(ResultFile, OpenFailsOnAPathThatCannotBeWritten) {
    const auto dir = scratch("a-folder");
    std::filesystem::create_directories(dir);
    cw::ResultFile file;
    EXPECT_FALSE(file.open(dir.string()));
    EXPECT_FALSE(file.open((dir / "missing" / "x.txt").string()));
}

TEST(ResultFile, LostLinesAreReportedOnceAndWritingGoesOn) {
    const auto path = scratch("lost.txt");
    cw::ResultFile file;
    int reports = 0;
    std::string reportedPath;
    file.onLineLost([&](const std::string& p) {
        ++reports;
        reportedPath = p;
    });
    ASSERT_TRUE(file.open(path.string()));
    ASSERT_TRUE(file.writeHeader("head\n"));
    // The file turns into a folder behind the writer's back: appends cannot open it any more.
    std::filesystem::remove(path);
    std::filesystem::create_directory(path);
    EXPECT_FALSE(file.append("lost one\n"));
    EXPECT_FALSE(file.append("lost two\n"));
    EXPECT_EQ(reports, 1);
    EXPECT_EQ(reportedPath, path.string());
    EXPECT_EQ(file.lostCount(), 2);
    // Once the file can be opened again, lines land again.
    std::filesystem::remove(path);
    EXPECT_TRUE(file.append("back\n"));
    EXPECT_EQ(cwtest::readFile(path), "back\n");
    EXPECT_EQ(reports, 1);
}

TEST(ResultFile, StreamGetsEveryText) {
    std::FILE* stream = std::tmpfile();
    ASSERT_NE(stream, nullptr);
    cw::ResultFile file;
    file.useStream(stream);
    EXPECT_TRUE(file.writeHeader("head\n"));
    EXPECT_TRUE(file.append("->Cancel\n"));
    std::rewind(stream);
    char buffer[64] = {};
    const std::size_t got = std::fread(buffer, 1, sizeof buffer, stream);
    std::fclose(stream);
    EXPECT_EQ(std::string(buffer, got), "head\n->Cancel\n");
}

} // namespace
