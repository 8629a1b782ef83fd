#pragma once
// Joins the result files (and statistics files) of the shards of one batch into one file, as one
// batch over the whole range would have written it: one header, the level lines in level order with
// their move lines, and the summary counted anew from the lines, with the earliest start and the
// latest finish.
#include <string>
#include <vector>

namespace cw {

struct MergeInput {
    std::string name; // for messages
    std::string text;
};

struct MergeResult {
    bool ok = false;                // false: refused, nothing to write, `error` says why
    std::string error;              // the reason of a refusal
    std::string text;               // the merged file
    std::vector<int> missing;       // levels of the range no input holds (reported, not refused)
    std::vector<std::string> notes; // other things worth telling, e.g. a shard that was cancelled
};

// Merges result files of one collection, one time limit and one range. Refuses texts that are not
// result files, files of different collections, limits or ranges, and a level that appears twice.
MergeResult mergeResultFiles(const std::vector<MergeInput>& inputs);

// Merges statistics CSV files: one header, the rows in level order. Refuses other headers and a
// level that appears twice.
MergeResult mergeStatsFiles(const std::vector<MergeInput>& inputs);

// Whether the text starts as a result file, or as a statistics file.
bool looksLikeResultFile(const std::string& text);
bool looksLikeStatsFile(const std::string& text);

} // namespace cw
