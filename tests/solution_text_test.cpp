// The solution text shown and copied in the result dialog: lines of 50 letters and the caption.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "solver/solution_text.h"

namespace {

// A move string whose letters differ along its length, so a misplaced cut shows.
std::string moves(std::size_t length) {
    const std::string letters = "urdlURDLuuRRddLL";
    std::string text;
    for (std::size_t i = 0; i < length; ++i) text += letters[(i * 7 + i / 16) % letters.size()];
    return text;
}

TEST(FormatSolution, CutsIntoLinesOfFifty) {
    struct Case {
        std::size_t length;
        bool traceOver;
        std::vector<std::pair<std::size_t, std::size_t>> lines; // (start, length) of each line
    };
    const Case cases[] = {
        {0, false, {}},
        {1, false, {{0, 1}}},
        {49, false, {{0, 49}}},
        {50, false, {{0, 50}}},
        {100, false, {{0, 50}, {50, 50}}},
        {101, false, {{0, 50}, {50, 50}, {100, 1}}},
        {149, true, {{0, 50}, {50, 50}, {100, 49}}},
        {0, true, {}},
    };
    for (const Case& c : cases) {
        const std::string m = moves(c.length);
        std::string expected;
        for (const auto& [start, length] : c.lines) expected += m.substr(start, length) + "\r\n";
        if (c.traceOver) expected += "[TraceOver]\r\n";
        EXPECT_EQ(cw::formatSolution(m, c.traceOver), expected) << c.length << " letters";
    }
}

TEST(FormatSolution, HundredMovesAreTwoFullLines) {
    const std::string m = moves(100);
    const std::string text = cw::formatSolution(m, false);
    ASSERT_EQ(text.size(), 104u);
    EXPECT_EQ(text.substr(0, 52), m.substr(0, 50) + "\r\n");
    EXPECT_EQ(text.substr(52), m.substr(50) + "\r\n");
}

TEST(FormatSolution, TraceOverFollowsTheLastLine) {
    EXPECT_EQ(cw::formatSolution("uRdL", true), "uRdL\r\n[TraceOver]\r\n");
    EXPECT_EQ(cw::formatSolution("", true), "[TraceOver]\r\n");
    EXPECT_EQ(cw::formatSolution("", false), "");
}

TEST(ResultLabel, PadsCountsToTheirWidths) {
    EXPECT_EQ(cw::resultLabel(0, 0), "Solved     0moves    0pushes");
    EXPECT_EQ(cw::resultLabel(250, 61), "Solved   250moves   61pushes");
    EXPECT_EQ(cw::resultLabel(150000, 9000), "Solved150000moves 9000pushes");
    EXPECT_EQ(cw::resultLabel(1234567, 123456), "Solved1234567moves123456pushes");
}

} // namespace
