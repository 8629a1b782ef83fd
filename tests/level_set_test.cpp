// Level sources: finding, counting and stepping through levels of texts, files and folders,
// including files far larger than the text window.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "level/level_set.h"
#include "level/parser.h"
#include "tests/test_levels.h"

namespace {

namespace fs = std::filesystem;

// One row of width w: walls at both ends, `inner` in between (padded with floor).
std::string row(int w, const std::string& inner, const std::string& eol) {
    std::string line(static_cast<std::size_t>(w), ' ');
    line.front() = '#';
    line.back() = '#';
    line.replace(1, inner.size(), inner);
    line.append(eol);
    return line;
}

// A ready level whose width (6..11) and height (5..7) tell it apart from its neighbours.
std::string makeLevel(int i, const std::string& eol = "\n") {
    const int w = 6 + i % 6;
    const int extra = i % 3;
    std::string text = row(w, std::string(w - 2, '#'), eol);
    text += row(w, "", eol);
    std::string middle = " $.";
    middle.append(static_cast<std::size_t>(w - 6), ' ');
    middle += '@';
    text += row(w, middle, eol);
    for (int r = 0; r <= extra; ++r) text += row(w, "", eol);
    text += row(w, std::string(w - 2, '#'), eol);
    return text;
}

int levelWidth(int i) {
    return 6 + i % 6;
}
int levelHeight(int i) {
    return 5 + i % 3;
}

// A text of levels with comment lines between them; records where each level starts.
struct Generated {
    std::string text;
    std::vector<int> starts;
};

// Appends `bytes` bytes of comment lines (never map lines).
void addComment(std::string& text, int bytes, const std::string& eol) {
    while (bytes > 0) {
        const int n = bytes > 70 ? 70 : (bytes > 2 ? bytes - 1 : 1);
        text += ';';
        text.append(static_cast<std::size_t>(n - 1), 'c');
        text += eol;
        bytes -= n + 1;
    }
}

Generated generate(int targetBytes, const std::string& eol, int commentBytes = 80) {
    Generated g;
    g.text = "Title of the set" + eol + eol;
    for (int i = 0; static_cast<int>(g.text.size()) < targetBytes; ++i) {
        g.starts.push_back(static_cast<int>(g.text.size()));
        g.text += makeLevel(i, eol);
        g.text += eol + "; Level " + std::to_string(i + 1) + eol;
        addComment(g.text, commentBytes + (i * 37) % 120, eol);
        g.text += eol;
    }
    return g;
}

using TempDir = cwtest::ScratchDir;

void writeFile(const std::string& path, const std::string& text) {
    std::ofstream out(path, std::ios::binary);
    out << text;
}

// Steps from level 1 to the last level and back, checking every level against the generated text.
void walkBothWays(cw::LevelSet& set, const cw::Level& level, const std::vector<int>& starts) {
    const int total = static_cast<int>(starts.size());
    ASSERT_EQ(set.levelTotal(), total);
    ASSERT_EQ(set.levelNumber(), 1);
    auto checkCurrent = [&](int n) {
        SCOPED_TRACE(n);
        EXPECT_EQ(set.levelNumber(), n);
        EXPECT_EQ(set.currentLevelPos(), starts[n - 1]);
        EXPECT_EQ(level.levelStatus, cw::Outcome::Ready);
        EXPECT_EQ(level.boardWidth, levelWidth(n - 1));
        EXPECT_EQ(level.boardHeight, levelHeight(n - 1));
        EXPECT_EQ(set.bufferFileOffset() % cw::TextSlideStep, 0);
    };
    checkCurrent(1);
    for (int n = 2; n <= total; ++n) {
        ASSERT_TRUE(set.hasNext());
        set.nextLevel();
        checkCurrent(n);
    }
    EXPECT_FALSE(set.hasNext());
    for (int n = total - 1; n >= 1; --n) {
        ASSERT_TRUE(set.hasPrev());
        set.prevLevel();
        checkCurrent(n);
    }
    EXPECT_FALSE(set.hasPrev());
    EXPECT_EQ(set.bufferFileOffset(), 0);
}

TEST(LevelSet, PastedTextWithTitle) {
    cw::Level level;
    TempDir dir;
    cw::LevelSet set(level, dir.file("korrin.txt"));
    const std::string text = "A title line\n\n" + makeLevel(0) + "\n" + makeLevel(1) + "   \n" + makeLevel(2);
    ASSERT_TRUE(set.loadPasted(text));
    EXPECT_EQ(set.levelSource(), cw::SourceText);
    EXPECT_EQ(set.levelSetName(), "TextBox");
    EXPECT_EQ(set.levelTotal(), 3);
    EXPECT_EQ(set.levelNumber(), 1);
    EXPECT_EQ(set.currentLevelPos(), 14);
    EXPECT_EQ(set.findLevelForward(0), 14);
    EXPECT_EQ(level.levelStatus, cw::Outcome::Ready);
    EXPECT_EQ(level.boardWidth, 6);
}

TEST(LevelSet, LevelsWithoutSeparatorAreOneBlock) {
    cw::Level level;
    TempDir dir;
    cw::LevelSet set(level, dir.file("korrin.txt"));
    EXPECT_FALSE(set.loadPasted(makeLevel(0) + makeLevel(1)));
    EXPECT_EQ(set.levelNumber(), 0);
    EXPECT_EQ(set.levelSource(), cw::SourceNone);
    EXPECT_TRUE(set.loadPasted(makeLevel(0) + "  \n" + makeLevel(1)));
    EXPECT_EQ(set.levelTotal(), 2);
}

TEST(LevelSet, TextsWithoutLevelsEmptyTheSet) {
    cw::Level level;
    TempDir dir;
    cw::LevelSet set(level, dir.file("korrin.txt"));
    ASSERT_TRUE(set.loadPasted(makeLevel(0)));
    for (const std::string& text : {std::string(), std::string("just words\n"), std::string(20000, 'x')}) {
        EXPECT_FALSE(set.loadPasted(text));
        EXPECT_EQ(set.levelNumber(), 0);
        EXPECT_EQ(set.levelTotal(), 0);
        EXPECT_EQ(set.levelSetName(), "");
    }
    EXPECT_FALSE(set.loadFile(dir.file("missing.txt")));
    EXPECT_EQ(set.levelNumber(), 0);
    EXPECT_FALSE(set.loadFile(dir.path().string()));
}

TEST(LevelSet, VerticalTabSplitsCrLfLevels) {
    cw::Level level;
    TempDir dir;
    cw::LevelSet set(level, dir.file("korrin.txt"));
    const std::string crlf = makeLevel(0, "\r\n") + "\r\n" + makeLevel(1, "\r\n");
    EXPECT_TRUE(set.loadPasted(crlf));
    EXPECT_EQ(set.levelTotal(), 2);
    EXPECT_FALSE(set.loadPasted("\v" + crlf));
}

TEST(LevelSet, FilesAroundTheWindowSize) {
    // A level at the very end of files of 11,998 to 12,001 bytes: the window must reach it.
    TempDir dir;
    for (int size = cw::TextBufferBytes - 1; size <= cw::TextBufferBytes + 2; ++size) {
        SCOPED_TRACE(size);
        const std::string level0 = makeLevel(0);
        const std::string level1 = makeLevel(1);
        std::string text = level0 + "\n";
        addComment(text, size - static_cast<int>(text.size() + level1.size()) - 1, "\n");
        text.resize(static_cast<std::size_t>(size) - level1.size(), '\n');
        text += level1;
        ASSERT_EQ(text.size(), static_cast<std::size_t>(size));
        writeFile(dir.file("exact.txt"), text);
        cw::Level level;
        cw::LevelSet set(level, dir.file("korrin.txt"));
        ASSERT_TRUE(set.loadFile(dir.file("exact.txt")));
        EXPECT_EQ(set.levelSetName(), "exact");
        EXPECT_EQ(set.levelSource(), cw::SourceFile);
        EXPECT_EQ(set.levelTotal(), 2);
        set.nextLevel();
        EXPECT_EQ(set.currentLevelPos(), size - static_cast<int>(level1.size()));
        EXPECT_EQ(level.boardWidth, levelWidth(1));
        EXPECT_EQ(set.moreInFile(), 0); // the scan has met the file's end
    }
}

TEST(LevelSet, LargeFileWalksBothWays) {
    for (const std::string eol : {"\n", "\r\n"}) {
        SCOPED_TRACE(eol.size());
        TempDir dir;
        const Generated g = generate(30000, eol);
        ASSERT_GE(g.text.size(), 30000u);
        writeFile(dir.file("big.set.txt"), g.text);
        cw::Level level;
        cw::LevelSet set(level, dir.file("korrin.txt"));
        ASSERT_TRUE(set.loadFile(dir.file("big.set.txt")));
        EXPECT_EQ(set.levelSetName(), "big.set");
        walkBothWays(set, level, g.starts);
    }
}

// The window reads the file in place; a file that changes under it stops the stepping with a reason
// instead of handing out levels read from the middle of the new text.
TEST(LevelSet, FileThatChangesWhileLoadedStopsStepping) {
    TempDir dir;
    const Generated g = generate(30000, "\n");
    writeFile(dir.file("moving.txt"), g.text);
    cw::Level level;
    cw::LevelSet set(level, "");
    ASSERT_TRUE(set.loadFile(dir.file("moving.txt")));
    const int total = set.levelTotal();
    EXPECT_EQ(set.sourceFault(), "");
    writeFile(dir.file("moving.txt"), "; replaced\n" + g.text.substr(0, 20000));
    set.goTo(total);
    EXPECT_LT(set.levelNumber(), total);
    EXPECT_NE(set.sourceFault().find("changed while it was loaded"), std::string::npos) << set.sourceFault();
}

// Without a paste file, long pasted text stays in memory and behaves as from the paste file.
TEST(LevelSet, LongPastedTextInMemoryWalksBothWays) {
    const Generated g = generate(30000, "\n");
    cw::Level level;
    cw::LevelSet set(level, "");
    ASSERT_TRUE(set.loadPasted(g.text));
    EXPECT_EQ(set.levelSource(), cw::SourcePaste);
    walkBothWays(set, level, g.starts);
}

TEST(LevelSet, LongCommentsBetweenLevels) {
    // Gaps of 6,500 and 25,000 bytes of comment, a line longer than the window, then short gaps.
    std::string text;
    std::vector<int> starts;
    auto add = [&](int i) {
        starts.push_back(static_cast<int>(text.size()));
        text += makeLevel(i) + "\n";
    };
    add(0);
    addComment(text, 6500, "\n");
    add(1);
    addComment(text, 25000, "\n");
    add(2);
    text += ';';
    text.append(30000, '#');
    text += '\n';
    text.append(20000, '#');
    text += "x\n\n";
    add(3);
    for (int i = 4; i < 9; ++i) {
        addComment(text, 3000 + 1500 * i, "\n");
        add(i);
    }
    TempDir dir;
    writeFile(dir.file("gaps.txt"), text);
    cw::Level level;
    cw::LevelSet set(level, dir.file("korrin.txt"));
    ASSERT_TRUE(set.loadFile(dir.file("gaps.txt")));
    walkBothWays(set, level, starts);
    set.goTo(7);
    EXPECT_EQ(set.levelNumber(), 7);
    EXPECT_EQ(set.currentLevelPos(), starts[6]);
    set.goTo(100);
    EXPECT_EQ(set.levelNumber(), 9);
    set.goTo(-3);
    EXPECT_EQ(set.levelNumber(), 1);

    // The same text pasted goes through the paste file.
    cw::LevelSet pasted(level, dir.file("korrin.txt"));
    ASSERT_TRUE(pasted.loadPasted(text));
    EXPECT_EQ(pasted.levelSource(), cw::SourcePaste);
    EXPECT_TRUE(fs::exists(dir.file("korrin.txt")));
    EXPECT_EQ(fs::file_size(dir.file("korrin.txt")), text.size());
    walkBothWays(pasted, level, starts);
}

TEST(LevelSet, HugeLevelRunIsSkipped) {
    // A run of map lines larger than the window cannot be a level in memory; levels around it count.
    std::string text = makeLevel(0) + "\n";
    for (int i = 0; i < 400; ++i) text += std::string(40, '#') + "\n";
    text += "\n";
    text += makeLevel(1);
    TempDir dir;
    writeFile(dir.file("run.txt"), text);
    cw::Level level;
    cw::LevelSet set(level, dir.file("korrin.txt"));
    ASSERT_TRUE(set.loadFile(dir.file("run.txt")));
    EXPECT_EQ(set.levelTotal(), 2);
    set.nextLevel();
    EXPECT_EQ(set.levelNumber(), 2);
    EXPECT_EQ(level.boardWidth, levelWidth(1));
}

struct FolderCase {
    const char* format;
    const char* pattern;
};

TEST(LevelSet, FolderPatterns) {
    const std::vector<FolderCase> cases = {{"map%d.txt", "map%d.txt"},
                                           {"map%02d.txt", "map%02d.txt"},
                                           {"%d", "%d"},
                                           {"level%03d.xsb", "level%03d.xsb"}};
    for (const FolderCase& c : cases) {
        SCOPED_TRACE(c.format);
        TempDir dir;
        fs::create_directory(dir.file("sub1"));
        writeFile(dir.file("readme.txt"), makeLevel(0));
        writeFile(dir.file("notes7.txt"), makeLevel(0));
        for (int n = 1; n <= 12; ++n) {
            char name[64];
            std::snprintf(name, sizeof name, c.format, n);
            writeFile(dir.file(name), "Title\n" + makeLevel(n - 1));
        }
        cw::Level level;
        cw::LevelSet set(level, dir.file("korrin.txt"));
        ASSERT_TRUE(set.loadFolder(dir.path().string() + "/"));
        EXPECT_EQ(set.levelSource(), cw::SourceFolder);
        EXPECT_EQ(set.folderPattern(), dir.path().string() + "/" + c.pattern);
        EXPECT_EQ(set.levelSetName(), fs::path(dir.path().string()).filename().string());
        EXPECT_EQ(set.levelTotal(), 12);
        for (int n = 1; n <= 12; ++n) {
            EXPECT_EQ(set.levelNumber(), n);
            EXPECT_EQ(level.levelStatus, cw::Outcome::Ready);
            EXPECT_EQ(level.boardWidth, levelWidth(n - 1));
            set.nextLevel();
        }
        EXPECT_FALSE(set.hasNext());
        set.goTo(3);
        EXPECT_EQ(set.levelNumber(), 3);
        EXPECT_EQ(level.boardWidth, levelWidth(2));
    }
}

TEST(LevelSet, FolderWithAGapCountsHighestButStepsToTheGap) {
    TempDir dir;
    for (int n = 1; n <= 120; ++n) {
        if (n > 40 && n < 100) continue;
        char name[32];
        std::snprintf(name, sizeof name, "p%d.txt", n);
        writeFile(dir.file(name), makeLevel(n));
    }
    cw::Level level;
    cw::LevelSet set(level, dir.file("korrin.txt"));
    ASSERT_TRUE(set.loadFolder(dir.path().string()));
    EXPECT_EQ(set.levelTotal(), 120);
    set.goTo(120);
    EXPECT_EQ(set.levelNumber(), 40);
    EXPECT_FALSE(set.hasNext());
}

TEST(LevelSet, FoldersWithoutLevels) {
    TempDir dir;
    cw::Level level;
    cw::LevelSet set(level, dir.file("korrin.txt"));
    EXPECT_FALSE(set.loadFolder(dir.path().string()));
    writeFile(dir.file("map1.txt"), "no level here\n");
    writeFile(dir.file("map2.txt"), makeLevel(0));
    EXPECT_FALSE(set.loadFolder(dir.path().string()));
    EXPECT_EQ(set.levelNumber(), 0);
    EXPECT_FALSE(set.loadFolder(dir.file("absent")));
}

TEST(LevelSet, SampleSet) {
    cw::Level level;
    TempDir dir;
    cw::LevelSet set(level, dir.file("korrin.txt"));
    ASSERT_TRUE(set.loadSample());
    EXPECT_EQ(set.levelSetName(), "Sample");
    EXPECT_EQ(set.levelSource(), cw::SourceText);
    EXPECT_EQ(set.levelTotal(), 6);
    EXPECT_STRNE(set.sampleLabel(), "");
    ASSERT_TRUE(set.loadPasted(makeLevel(0)));
    EXPECT_STREQ(set.sampleLabel(), "");
}

} // namespace
