// Merging the result and statistics files of a batch's shards: the merged file is the one a single
// batch would have written, and files that are not of one batch are refused with a reason.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "batch/result_file.h"
#include "batch/result_merge.h"

namespace {

const cw::LocalStamp early{2026, 12, 1, 9, 5};
const cw::LocalStamp late{2026, 12, 1, 11, 40};

std::string line(int number, cw::Outcome outcome, int seconds = 1) {
    cw::LevelLine l{number,
                    7,
                    6,
                    2,
                    seconds,
                    outcome,
                    outcome == cw::Outcome::Solved ? 30 : 0,
                    outcome == cw::Outcome::Solved ? 9 : 0,
                    0};
    return cw::levelLineText(l);
}

// A shard's result file over levels 1-6 of a set "mine" of 6 levels.
std::string shard(int index, int count, const std::vector<std::string>& lines, const cw::LocalStamp& start,
                  const cw::LocalStamp& finish, int solved, int failed, int skipped,
                  const std::string& set = "mine") {
    std::string text = cw::headerText(set, 6, 10, start, cw::shardLineText(index, count, 1, 6));
    for (const std::string& l : lines) text += l;
    return text + cw::summaryText(solved, failed, skipped, finish);
}

TEST(ResultMerge, ShardsJoinAsOneBatchWouldHaveWritten) {
    const std::string moves = cw::traceLinesText(std::string(130, 'r'));
    const std::vector<cw::MergeInput> inputs = {
        {"a", shard(1, 2,
                    {line(1, cw::Outcome::Solved) + moves, line(3, cw::Outcome::Timeout),
                     line(5, cw::Outcome::Solved)},
                    late, late, 2, 1, 0)},
        {"b", shard(2, 2,
                    {line(2, cw::Outcome::Impossible), line(4, cw::Outcome::Solved),
                     line(6, cw::Outcome::SizeOver)},
                    early, early, 1, 1, 1)},
    };
    const cw::MergeResult merged = cw::mergeResultFiles(inputs);
    ASSERT_TRUE(merged.ok) << merged.error;
    EXPECT_TRUE(merged.missing.empty());
    const std::string expected = cw::headerText("mine", 6, 10, early) + line(1, cw::Outcome::Solved) + moves +
                                 line(2, cw::Outcome::Impossible) + line(3, cw::Outcome::Timeout) +
                                 line(4, cw::Outcome::Solved) + line(5, cw::Outcome::Solved) +
                                 line(6, cw::Outcome::SizeOver) + cw::summaryText(3, 2, 1, late);
    EXPECT_EQ(merged.text, expected);
}

TEST(ResultMerge, FilesNotOfOneBatchAreRefused) {
    const std::string a = shard(1, 2, {line(1, cw::Outcome::Solved)}, early, late, 1, 0, 0);
    const std::string headerOnly = cw::headerText("mine", 6, 10, early);
    struct Case {
        const char* name;
        std::vector<std::string> files;
        std::string said;
    };
    const std::vector<Case> cases = {
        {"other set",
         {a, shard(2, 2, {line(2, cw::Outcome::Solved)}, early, late, 1, 0, 0, "yours")},
         "different collections"},
        {"other range",
         {a, cw::headerText("mine", 6, 10, early, cw::shardLineText(2, 2, 1, 5)) +
                 cw::summaryText(0, 0, 0, late)},
         "different ranges"},
        {"other limit",
         {a, cw::headerText("mine", 6, 20, early, cw::shardLineText(2, 2, 1, 6)) +
                 cw::summaryText(0, 0, 0, late)},
         "different time limits"},
        {"level twice",
         {a, shard(2, 2, {line(1, cw::Outcome::Failed)}, early, late, 0, 1, 0)},
         "level 1 appears twice"},
        {"shard twice", {a, a}, "shard 1 is given twice"},
        {"no result file", {a, "number,width\n1,2\n"}, "is not a result file"},
        {"a stray line", {a, shard(2, 2, {"hello\n"}, early, late, 0, 0, 0)}, "no level line"},
        {"no header end", {headerOnly.substr(0, headerOnly.size() - 20)}, "is not a result file"},
    };
    for (const Case& c : cases) {
        std::vector<cw::MergeInput> inputs;
        for (const std::string& file : c.files) inputs.push_back({std::string("file ") + c.name, file});
        const cw::MergeResult merged = cw::mergeResultFiles(inputs);
        EXPECT_FALSE(merged.ok) << c.name;
        EXPECT_NE(merged.error.find(c.said), std::string::npos) << c.name << ": " << merged.error;
        EXPECT_EQ(merged.text, "") << c.name;
    }
}

TEST(ResultMerge, MissingLevelsAndUnfinishedShardsAreReportedNotRefused) {
    // Shard 2 of 3 was killed after its first level: no summary.
    const std::string killed =
        cw::headerText("mine", 6, 10, early, cw::shardLineText(2, 3, 1, 6)) + line(2, cw::Outcome::Solved);
    const std::vector<cw::MergeInput> inputs = {
        {"one",
         shard(1, 3, {line(1, cw::Outcome::Solved), line(4, cw::Outcome::Solved)}, early, late, 2, 0, 0)},
        {"two", killed},
    };
    const cw::MergeResult merged = cw::mergeResultFiles(inputs);
    ASSERT_TRUE(merged.ok) << merged.error;
    EXPECT_EQ(merged.missing, (std::vector<int>{3, 5, 6}));
    ASSERT_EQ(merged.notes.size(), 1u);
    EXPECT_NE(merged.notes[0].find("two has no summary"), std::string::npos);
    EXPECT_NE(merged.text.find(cw::summaryText(3, 0, 0, late)), std::string::npos) << merged.text;
}

TEST(StatsMerge, RowsInLevelOrderAndRefusals) {
    const std::string header = "number,width,height,boxes,outcome,outcome_text\n";
    const cw::MergeResult merged = cw::mergeStatsFiles(
        {{"a", header + "3,7,6,2,8,Solved\n1,7,6,2,9,Failed\n"}, {"b", header + "2,7,6,2,8,Solved\n"}});
    ASSERT_TRUE(merged.ok) << merged.error;
    EXPECT_EQ(merged.text, header + "1,7,6,2,9,Failed\n2,7,6,2,8,Solved\n3,7,6,2,8,Solved\n");
    EXPECT_FALSE(cw::mergeStatsFiles({{"a", header + "1,x\n"}, {"b", header + "1,y\n"}}).ok);
    EXPECT_FALSE(cw::mergeStatsFiles({{"a", header}, {"b", "number,width,height,boxes,outcome\n"}}).ok);
    EXPECT_FALSE(cw::mergeStatsFiles({{"a", "# not a csv\n"}}).ok);
}

} // namespace
