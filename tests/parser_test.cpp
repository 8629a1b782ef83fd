// Level parser: verdicts, sizes, margins, frozen boxes, outside cells, line breaks, bad input.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "level/parser.h"
#include "tests/test_levels.h"

namespace {

using cwtest::rows;

// Parses a copy of text and checks that the parser left the text as it was; the verdict as its code.
int parse(cw::Level& level, const std::string& text, int mode) {
    std::vector<char> buffer(text.begin(), text.end());
    buffer.push_back('\0');
    const std::vector<char> before = buffer;
    const int verdict = cw::code(cw::parseLevel(level, buffer.data(), mode));
    EXPECT_EQ(buffer, before) << "text changed by the parse";
    return verdict;
}

std::string repeat(const std::string& piece, int n) {
    std::string out;
    for (int i = 0; i < n; ++i) out += piece;
    return out;
}

// A closed room of width w and height h: player, box and goal on the second row.
std::string room(int w, int h) {
    std::string text = std::string(w, '#') + "\n";
    for (int r = 1; r < h - 1; ++r) {
        std::string line(static_cast<std::size_t>(w), ' ');
        line.front() = '#';
        line.back() = '#';
        if (r == 1) line.replace(1, 4, "@ $.");
        text += line;
        text += '\n';
    }
    return text + std::string(w, '#') + "\n";
}

// A room with `boxes` movable boxes and as many goals, in alternating rows; a '*' stuck in the
// top-right corner is added when withCorner is set.
std::string crowdedRoom(int boxes, bool withCorner) {
    const int inner = 18;
    const int perRow = inner - 1; // the last column stays free below the corner box
    std::vector<std::string> lines;
    std::string top = std::string(inner, ' ');
    top[0] = '@';
    if (withCorner) top[inner - 1] = '*';
    lines.push_back(top);
    for (int left = boxes; left > 0; left -= perRow) {
        const int n = left < perRow ? left : perRow;
        lines.push_back(std::string(n, '$') + std::string(inner - n, ' '));
        lines.push_back(std::string(inner, ' '));
        lines.push_back(std::string(n, '.') + std::string(inner - n, ' '));
        lines.push_back(std::string(inner, ' '));
    }
    std::string text = std::string(inner + 2, '#') + "\n";
    for (const std::string& line : lines) text += "#" + line + "#\n";
    return text + std::string(inner + 2, '#') + "\n";
}

struct VerdictCase {
    const char* name;
    std::string text;
    int check;
    int full;
    int width;
    int height;
    int boxes;
};

TEST(Parser, VerdictsAndSizes) {
    const std::vector<VerdictCase> cases = {
        {"plain room", rows({"#######", "#     #", "# $.@ #", "#     #", "#######"}), 1, 1, 7, 5, 1},
        {"title before the level", "My title\n; comment\n\n" + room(6, 4), 1, 1, 6, 4, 1},
        {"empty text", "", 0, 0, 0, 0, 0},
        {"only comments", "hello\nworld\n", 0, 0, 0, 0, 0},
        {"two rows", rows({"#####", "#@$.#"}), 0, 0, 5, 2, 1},
        {"width two", rows({"##", "#@", "$.", "##"}), 0, 0, 0, 0, 0},
        {"no box", rows({"#####", "#@ .#", "#####"}), 0, 0, 5, 3, 0},
        {"no goal", rows({"#####", "#@$ #", "#####"}), 0, 0, 5, 3, 1},
        {"no player", rows({"#####", "# $.#", "#####"}), 0, 0, 5, 3, 1},
        {"two players", rows({"######", "#@$.@#", "######"}), 0, 0, 6, 3, 1},
        {"player and player on goal", rows({"######", "#@$.+#", "#$   #", "######"}), 0, 0, 6, 4, 2},
        {"51 rows", room(6, 51), 1, 4, 6, 51, 1},
        {"51 columns", room(51, 4), 1, 4, 51, 4, 1},
        {"50 by 50", room(50, 50), 1, 1, 50, 50, 1},
        {"box in a corner off a goal", rows({"######", "#$   #", "#  .@#", "######"}), 1, 7, 6, 4, 1},
        {"box in a corner on a goal", rows({"######", "#*   #", "# $.@#", "######"}), 1, 1, 6, 4, 2},
        {"dent with a wall in front", rows({"#######", "###.###", "# $ @ #", "#######"}), 1, 7, 7, 4, 1},
        {"dent holding a box", rows({"#######", "###*###", "# $.@ #", "#     #", "#######"}), 1, 1, 7, 5, 2},
        {"dent with room in front", rows({"#######", "###.###", "#     #", "# $ @ #", "#######"}), 1, 1, 7, 5,
         1},
        {"gap in the outer wall", rows({"#######", "#     #", "# $.@", "#######"}), 1, 6, 7, 4, 1},
        {"player on the edge", rows({"#####", "@ $.#", "#####"}), 1, 6, 5, 3, 1},
        {"four goals three boxes",
         rows({"########", "#      #", "# $$$@ #", "# .... #", "#      #", "########"}), 1, 6, 8, 6, 3},
        {"65 movable boxes", crowdedRoom(65, false), 1, 5, 20, 19, 65},
        {"65 boxes, one fixed", crowdedRoom(64, true), 1, 1, 20, 19, 65},
        {"64 movable boxes", crowdedRoom(64, false), 1, 1, 20, 19, 64},
        {"letter in a wall line", rows({"#######", "#  @  #", "# $.  #", "###a###"}), 1, 6, 7, 3, 1},
    };
    for (const VerdictCase& c : cases) {
        SCOPED_TRACE(c.name);
        cw::Level level;
        EXPECT_EQ(parse(level, c.text, cw::ParseCheck), c.check);
        if (c.width > 0) {
            EXPECT_EQ(level.boardWidth, c.width);
            EXPECT_EQ(level.boardHeight, c.height);
        }
        EXPECT_EQ(level.levelBoxCount, c.boxes);
        cw::Level full;
        EXPECT_EQ(parse(full, c.text, cw::ParseFull), c.full);
        EXPECT_EQ(full.levelBoxCount, c.boxes);
        if (c.width > 0) {
            EXPECT_EQ(full.boardWidth, c.width);
            EXPECT_EQ(full.boardHeight, c.height);
        }
    }
}

TEST(Parser, FullParseLoadsTables) {
    cw::Level level;
    ASSERT_EQ(parse(level, rows({"#######", "#     #", "# $.@ #", "#     #", "#######"}), cw::ParseFull), 1);
    EXPECT_EQ(level.cellCount, 35);
    EXPECT_EQ(level.startPlayer, 2 * 7 + 4);
    EXPECT_EQ(level.levelPlayer, level.startPlayer);
    EXPECT_EQ(level.levelCells[2 * 7 + 2], cw::CellBox);
    EXPECT_EQ(level.levelCells[2 * 7 + 3], cw::CellGoal);
    EXPECT_EQ(level.levelCells[2 * 7 + 4], cw::CellPlayer);
    EXPECT_EQ(level.baseBoard[2 * 7 + 2], cw::BoxOn);
    EXPECT_EQ(level.baseBoard[2 * 7 + 3], cw::Free);
    EXPECT_EQ(level.baseBoard[0], cw::Blocked);
    EXPECT_EQ(level.goalMap[2 * 7 + 3], 1);
    EXPECT_EQ(level.goalMap[2 * 7 + 2], 0);
    EXPECT_EQ(level.movableBoxCount, 1);
    EXPECT_EQ(level.levelStartsSolved, 0);
    const std::array<int, 4> dirs = {-7, 1, 7, -1};
    EXPECT_EQ(level.dirOffset, dirs);
}

TEST(Parser, MarginIsRemovedFromAllLines) {
    const std::string plain = rows({"#######", "#     #", "# $.@ #", "#     #", "#######"});
    const std::string indented = rows({"   #######", "   #     #", "   # $.@ #", "   #     #", "   #######"});
    const std::string dashed = rows({"---#######", "___#     #", " --# $.@ #", "   #     #", "   #######"});
    cw::Level a;
    cw::Level b;
    cw::Level c;
    ASSERT_EQ(parse(a, plain, cw::ParseFull), 1);
    ASSERT_EQ(parse(b, indented, cw::ParseFull), 1);
    ASSERT_EQ(parse(c, dashed, cw::ParseFull), 1);
    for (const cw::Level* other : {&b, &c}) {
        EXPECT_EQ(other->boardWidth, a.boardWidth);
        EXPECT_EQ(other->startPlayer, a.startPlayer);
        EXPECT_EQ(other->levelCells, a.levelCells);
        EXPECT_EQ(other->baseBoard, a.baseBoard);
    }
    // One line indented less than the others sets the margin for all.
    cw::Level d;
    ASSERT_EQ(parse(d, rows({"   #######", "  ##     #", "   # $.@ #", "   #######"}), cw::ParseFull), 1);
    EXPECT_EQ(d.boardWidth, 8);
    EXPECT_EQ(d.levelCells[0], cw::CellOutside);
    EXPECT_EQ(d.levelCells[8], cw::CellWall);
}

TEST(Parser, TrailingFloorAndShortLines) {
    cw::Level level;
    ASSERT_EQ(
        parse(level, rows({" #####   ", "##   ###--", "#  $.@ #__", "##   ###", " #####"}), cw::ParseFull),
        1);
    EXPECT_EQ(level.boardWidth, 8);
    EXPECT_EQ(level.boardHeight, 5);
    // Corner floor and padding the player never reaches are outside.
    for (int cell : {0, 6, 7, 32, 38, 39}) {
        SCOPED_TRACE(cell);
        EXPECT_EQ(level.levelCells[cell], cw::CellOutside);
        EXPECT_EQ(level.baseBoard[cell], cw::Blocked);
    }
    EXPECT_EQ(level.levelCells[8 + 2], 0);
}

TEST(Parser, LinesThatEndALevel) {
    const std::string top = rows({"#######", "#     #", "# $.@ #"});
    const std::string bottom = rows({"#     #", "#######"});
    const std::vector<std::pair<const char*, std::string>> enders = {{"title line", "Title\n"},
                                                                     {"line of spaces", "    \n"},
                                                                     {"empty line", "\n"},
                                                                     {"tab in a wall line", "#\t#####\n"},
                                                                     {"letter in a wall line", "###x###\n"}};
    for (const auto& [name, ender] : enders) {
        SCOPED_TRACE(name);
        cw::Level level;
        EXPECT_EQ(parse(level, top + ender + bottom, cw::ParseFull), 6); // open at its cut bottom
        EXPECT_EQ(level.boardHeight, 3);
    }
    cw::Level whole;
    EXPECT_EQ(parse(whole, top + bottom + "Title\n" + top + bottom, cw::ParseFull), 1);
    EXPECT_EQ(whole.boardHeight, 5);
}

TEST(Parser, FrozenBoxesBecomeWalls) {
    cw::Level level;
    ASSERT_EQ(parse(level, rows({"######", "#*   #", "# $.@#", "######"}), cw::ParseFull), 1);
    EXPECT_EQ(level.baseBoard[7], cw::Blocked);
    EXPECT_EQ(level.goalMap[7], 0);
    EXPECT_EQ(level.levelCells[7], cw::CellBox | cw::CellGoal);
    EXPECT_EQ(level.movableBoxCount, 1);
    EXPECT_EQ(level.levelBoxCount, 2);

    // Phase B: a box already in an unreachable dent is fixed there.
    cw::Level dent;
    ASSERT_EQ(parse(dent, rows({"#######", "###*###", "# $.@ #", "#     #", "#######"}), cw::ParseFull), 1);
    EXPECT_EQ(dent.baseBoard[10], cw::Blocked);
    EXPECT_EQ(dent.goalMap[10], 0);
    EXPECT_EQ(dent.movableBoxCount, 1);

    // A box pressed against a fixed box in a corner, off a goal, can never move.
    cw::Level pair;
    EXPECT_EQ(parse(pair, rows({"#######", "#*$  @#", "#.    #", "#######"}), cw::ParseFull), 7);
}

TEST(Parser, LevelStartsSolved) {
    cw::Level solved;
    ASSERT_EQ(parse(solved, rows({"######", "#    #", "# *@ #", "#    #", "######"}), cw::ParseFull), 1);
    EXPECT_EQ(solved.levelStartsSolved, 1);
    cw::Level open;
    ASSERT_EQ(parse(open, rows({"######", "#   .#", "# *@ #", "# $  #", "######"}), cw::ParseFull), 1);
    EXPECT_EQ(open.levelStartsSolved, 0);
}

TEST(Parser, UnreachableCellsAreOutside) {
    // A closed-off pocket holding a goal and a box: both become outside, the goal stays in goalMap.
    cw::Level level;
    const int verdict =
        parse(level, rows({"#########", "#   #*  #", "# $.#   #", "# @ #####", "#####"}), cw::ParseFull);
    EXPECT_EQ(verdict, 1);
    EXPECT_EQ(level.levelCells[9 + 5], cw::CellOutside);
    EXPECT_EQ(level.baseBoard[9 + 5], cw::Blocked);
    EXPECT_EQ(level.levelCells[9 + 6], cw::CellOutside);
    EXPECT_EQ(level.levelCells[9 + 1], 0);
}

TEST(Parser, LineBreakKinds) {
    const std::vector<const char*> lines = {"#######", "#     #", "# $.@ #", "#     #", "#######"};
    const std::vector<std::pair<const char*, std::string>> kinds = {
        {"LF", "\n"}, {"CR LF", "\r\n"}, {"CR", "\r"}, {"vertical tab", "\v"}};
    cw::Level reference;
    ASSERT_EQ(parse(reference, rows({lines[0], lines[1], lines[2], lines[3], lines[4]}), cw::ParseFull), 1);
    for (const auto& [name, brk] : kinds) {
        SCOPED_TRACE(name);
        std::string text;
        for (const char* line : lines) text += std::string(line) + brk;
        cw::Level level;
        ASSERT_EQ(parse(level, text, cw::ParseFull), 1);
        EXPECT_EQ(level.boardHeight, 5);
        EXPECT_EQ(level.levelCells, reference.levelCells);
    }
    // After a line ended by a vertical tab, CR LF is two breaks: an empty line ends the level.
    cw::Level split;
    EXPECT_EQ(parse(split, "#######\v#     #\r\n# $.@ #\r\n#     #\r\n#######\r\n", cw::ParseCheck), 0);
    EXPECT_EQ(split.boardHeight, 2);
    cw::Level mixed;
    EXPECT_EQ(parse(mixed, "#######\r\n#     #\r\n# $.@ #\r\n#     #\r\n#######\v", cw::ParseCheck), 1);
    EXPECT_EQ(mixed.boardHeight, 5);
}

TEST(Parser, CheckModeWritesOnlyCounts) {
    cw::Level level;
    level.levelCells.fill(77);
    level.baseBoard.fill(77);
    level.startPlayer = 123;
    level.cellCount = 456;
    level.goalRoomPacked = 1;
    ASSERT_EQ(parse(level, rows({"#######", "#     #", "# $.@ #", "#######"}), cw::ParseCheck), 1);
    EXPECT_EQ(level.boardWidth, 7);
    EXPECT_EQ(level.boardHeight, 4);
    EXPECT_EQ(level.levelBoxCount, 1);
    EXPECT_EQ(level.levelStartsSolved, 0);
    EXPECT_EQ(level.goalRoomPacked, 0);
    EXPECT_EQ(level.levelCells[0], 77);
    EXPECT_EQ(level.baseBoard[0], 77);
    EXPECT_EQ(level.startPlayer, 123);
    EXPECT_EQ(level.cellCount, 456);
}

TEST(Parser, SizeOverLoadsNoBoard) {
    cw::Level level;
    level.levelCells.fill(77);
    level.goalRoomPacked = 1;
    EXPECT_EQ(parse(level, room(60, 5), cw::ParseFull), 4);
    EXPECT_EQ(level.boardWidth, 60);
    EXPECT_EQ(level.levelCells[0], 77);
    EXPECT_EQ(level.goalRoomPacked, 0);
}

TEST(Parser, WideMarginIsOnlyPartlyRemoved) {
    // A margin of 55 columns: only 50 are cut; the 5 blank columns left become outside.
    std::string text;
    for (const char* line : {"#######", "#     #", "# $.@ #", "#######"})
        text += std::string(55, ' ') + line + "\n";
    cw::Level level;
    EXPECT_EQ(parse(level, text, cw::ParseFull), 1);
    EXPECT_EQ(level.boardWidth, 12);
    EXPECT_EQ(level.levelCells[0], cw::CellOutside);
    EXPECT_EQ(level.levelCells[5], cw::CellWall);
}

TEST(Parser, BadInputNeverCrashes) {
    const std::string level = rows({"#######", "#     #", "# $.@ #", "#######"});
    const std::vector<std::pair<const char*, std::string>> inputs = {
        {"binary bytes", std::string("\x01\x02\xff\xfe#$.@\x80\x7f", 10) + level},
        {"NUL inside", level.substr(0, 10) + std::string(1, '\0') + level.substr(10)},
        {"100,000-character wall line",
         rows({"#######", "#     #", "# $.@ #"}) + std::string(100000, '#') + "\n"},
        {"100,000 characters of trailing floor",
         rows({"#######", "# $.@ #"}) + "#" + std::string(100000, ' ') + "#\n#######\n"},
        {"10,000 rows", "#######\n" + repeat("# $.@ #\n", 1) + repeat("#     #\n", 10000) + "#######\n"},
        {"only line breaks", std::string(5000, '\n') + std::string(5000, '\r')},
        {"only walls", repeat(std::string(80, '#') + "\n", 80)},
    };
    for (const auto& [name, text] : inputs) {
        SCOPED_TRACE(name);
        cw::Level a;
        const int check = parse(a, text, cw::ParseCheck);
        EXPECT_TRUE(check == 0 || check == 1);
        cw::Level b;
        const int full = parse(b, text, cw::ParseFull);
        EXPECT_TRUE(full == 0 || (full >= 4 && full <= 7) || full == 1) << full;
    }
    cw::Level tall;
    EXPECT_EQ(parse(tall, "#######\n# $.@ #\n" + repeat("#     #\n", 10000) + "#######\n", cw::ParseFull), 4);
    EXPECT_EQ(tall.boardHeight, 10003);
    cw::Level cut;
    EXPECT_EQ(parse(cut, level.substr(0, 10) + std::string(1, '\0') + level.substr(10), cw::ParseCheck), 0);
}

TEST(Parser, RandomTextsGiveVerdicts) {
    const char alphabet[] = "#######  $$..@+*-_\n\n\r\v\t;a\x01\xff";
    std::uint32_t seed = 12345;
    for (int round = 0; round < 3000; ++round) {
        std::string text;
        seed = seed * 1664525u + 1013904223u;
        const int length = static_cast<int>(seed >> 20) % 400;
        for (int i = 0; i < length; ++i) {
            seed = seed * 1664525u + 1013904223u;
            text += alphabet[(seed >> 16) % (sizeof alphabet - 1)];
        }
        cw::Level level;
        const int check = parse(level, text, cw::ParseCheck);
        const int full = parse(level, text, cw::ParseFull);
        ASSERT_TRUE(check == 0 || check == 1);
        ASSERT_EQ(full != 0, check == 1) << text;
        if (full == 1) {
            ASSERT_GE(level.startPlayer, 0);
            ASSERT_LT(level.startPlayer, level.cellCount);
            ASSERT_TRUE(level.levelCells[level.startPlayer] & cw::CellPlayer);
            ASSERT_LE(level.movableBoxCount, cw::MaxBoxes);
        }
    }
}

TEST(Parser, MapLineTest) {
    EXPECT_TRUE(cw::isMapLine("#", 1));
    EXPECT_TRUE(cw::isMapLine("-_ .$*@+#", 9));
    EXPECT_FALSE(cw::isMapLine("", 0));
    EXPECT_FALSE(cw::isMapLine("   ", 3));
    EXPECT_FALSE(cw::isMapLine("$.@", 3));
    EXPECT_FALSE(cw::isMapLine("##a##", 5));
    EXPECT_FALSE(cw::isMapLine("#\t#", 3));
    EXPECT_TRUE(cw::isMapLine("##a##", 2)); // only the given length counts
}

} // namespace

namespace {

// The reason beside each verdict, and the verdict itself unchanged by it.
TEST(ParserReasons, EveryVerdictSaysWhy) {
    struct Case {
        const char* name;
        std::string text;
        int mode;
        int verdict;
        cw::VerdictReason reason;
        int cell; // -1 when no cell is named
    } cases[] = {
        {"ready", "#####\n#@$.#\n#####\n", cw::ParseFull, 1, cw::VerdictReason::Fine, -1},
        {"two rows", "#####\n#@$.#\n", cw::ParseFull, 0, cw::VerdictReason::TooFewRows, -1},
        {"no box", "#####\n#@ .#\n#####\n", cw::ParseCheck, 0, cw::VerdictReason::NoBox, -1},
        {"no goal", "#####\n#@$ #\n#####\n", cw::ParseFull, 0, cw::VerdictReason::NoGoal, -1},
        {"no player", "#####\n# $.#\n#####\n", cw::ParseFull, 0, cw::VerdictReason::NoPlayer, -1},
        {"two players", "######\n#@$.@#\n######\n", cw::ParseCheck, 0, cw::VerdictReason::TwoPlayers, -1},
        {"size over", room(51, 5), cw::ParseFull, 4, cw::VerdictReason::TooLarge, -1},
        {"open side", "#####\n#@$. \n#####\n", cw::ParseFull, 6, cw::VerdictReason::OpenSide, 9},
        {"count mismatch", "######\n#@$..#\n######\n", cw::ParseFull, 6, cw::VerdictReason::CountMismatch,
         -1},
        {"frozen off goal", "#####\n#$ .#\n#@  #\n#####\n", cw::ParseFull, 7,
         cw::VerdictReason::BoxFrozenOffGoal, 6},
        {"goal out of reach", "#######\n###.###\n#  $ @#\n#######\n", cw::ParseFull, 7,
         cw::VerdictReason::GoalOutOfReach, 10},
    };
    for (const auto& c : cases) {
        cw::Level level;
        EXPECT_EQ(parse(level, c.text, c.mode), c.verdict) << c.name;
        EXPECT_EQ(level.verdictReason, c.reason) << c.name;
        if (c.cell >= 0) {
            EXPECT_EQ(level.reasonCell, c.cell) << c.name;
        }
        EXPECT_EQ(std::string(cw::reasonText(c.reason)).empty(), c.reason == cw::VerdictReason::Fine)
            << c.name;
    }
}

TEST(ParserReasons, SurveyCountsLevelsAndDroppedBlocks) {
    struct Case {
        std::string text;
        int levels, dropped;
        cw::VerdictReason first;
    } cases[] = {
        {"Title\n#####\n#@$.#\n#####\n\n#####\n#@$ #\n#####\n\n#####\n#@@.#\n#$  #\n#####\n", 1, 2,
         cw::VerdictReason::NoGoal},
        {"#####\r\n#@$.#\r\n#####\r\n", 1, 0, cw::VerdictReason::Fine},
        {"#####\v#@$.#\r\n#####\n", 0, 2,
         cw::VerdictReason::TooFewRows}, // a vertical tab: CR LF is two breaks
        {"no map line at all\n", 0, 0, cw::VerdictReason::Fine},
        {"", 0, 0, cw::VerdictReason::Fine},
    };
    for (const auto& c : cases) {
        const cw::BlockSurvey s = cw::surveyBlocks(c.text);
        EXPECT_EQ(s.levels, c.levels) << c.text;
        EXPECT_EQ(s.dropped, c.dropped) << c.text;
        EXPECT_EQ(s.firstReason, c.first) << c.text;
    }
}

} // namespace
