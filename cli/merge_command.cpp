// `cratewise merge`: joins the result files (and statistics files) of the shards of one batch into
// one result file as a single batch over the whole range would have written it.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "batch/result_merge.h"
#include "cli/commands.h"
#include "cli/options.h"
#include "cli/usage.h"

namespace cwcli {

namespace {

struct MergeArgs {
    std::string resultPath;
    std::string statsPath;
    std::vector<std::string> inputs;
    bool help = false;
};

bool readArgs(const Args& args, MergeArgs& a) {
    OptionReader opts(args);
    while (opts.more()) {
        std::string input;
        if (opts.takeHelp(a.help) || opts.take("-o", a.resultPath) || opts.take("--stats", a.statsPath))
            continue;
        if (opts.takeOperand(input)) {
            a.inputs.push_back(input);
            continue;
        }
        std::fprintf(stderr, "cratewise merge: %s\n%s", opts.error().c_str(), mergeUsage());
        return false;
    }
    if (a.help) return true;
    const char* problem = a.resultPath.empty() ? "-o RESULT is needed"
                          : a.inputs.empty()   ? "no files to merge"
                                               : nullptr;
    if (problem == nullptr) return true;
    std::fprintf(stderr, "cratewise merge: %s\n%s", problem, mergeUsage());
    return false;
}

bool readWhole(const std::string& path, std::string& text) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    std::ostringstream all;
    all << in.rdbuf();
    text = all.str();
    return !in.bad();
}

bool writeWhole(const std::string& path, const std::string& text) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (f == nullptr) return false;
    const bool written = std::fwrite(text.data(), 1, text.size(), f) == text.size();
    return std::fclose(f) == 0 && written;
}

} // namespace

int runMerge(const Args& args) {
    MergeArgs a;
    if (!readArgs(args, a)) return ExitBadInput;
    if (a.help) {
        std::fputs(mergeUsage(), stdout);
        return finishStdout("cratewise merge") ? ExitDone : ExitOutputLost;
    }
    std::vector<cw::MergeInput> results;
    std::vector<cw::MergeInput> stats;
    for (const std::string& path : a.inputs) {
        cw::MergeInput in{path, {}};
        if (!readWhole(path, in.text)) {
            std::fprintf(stderr, "cratewise merge: cannot read %s: %s\n", path.c_str(), std::strerror(errno));
            return ExitBadInput;
        }
        if (cw::looksLikeStatsFile(in.text)) {
            stats.push_back(std::move(in));
        } else {
            results.push_back(std::move(in)); // anything else is refused by the merge with its reason
        }
    }
    if (!stats.empty() && a.statsPath.empty()) {
        std::fprintf(stderr, "cratewise merge: %s is a statistics file; give --stats CSV to merge those\n",
                     stats[0].name.c_str());
        return ExitBadInput;
    }
    if (stats.empty() && !a.statsPath.empty()) {
        std::fprintf(stderr, "cratewise merge: --stats given, but no statistics file among the inputs\n");
        return ExitBadInput;
    }
    const cw::MergeResult merged = cw::mergeResultFiles(results);
    const cw::MergeResult mergedStats =
        stats.empty() ? cw::MergeResult{true, "", "", {}, {}} : cw::mergeStatsFiles(stats);
    for (const cw::MergeResult* r : {&merged, &mergedStats}) {
        if (!r->ok) {
            std::fprintf(stderr, "cratewise merge: %s; nothing written\n", r->error.c_str());
            return ExitBadInput;
        }
    }
    for (const std::string& note : merged.notes) std::fprintf(stderr, "cratewise merge: %s\n", note.c_str());
    if (!merged.missing.empty()) {
        std::string list;
        for (std::size_t i = 0; i < merged.missing.size() && i < 20; ++i) {
            list += ' ';
            list += std::to_string(merged.missing[i]);
        }
        if (merged.missing.size() > 20) list += " ...";
        std::fprintf(stderr, "cratewise merge: %zu levels of the range are in no file:%s\n",
                     merged.missing.size(), list.c_str());
    }
    // The merged file is written either way; a level missing from it is a level not solved.
    int status = merged.missing.empty() ? ExitDone : ExitNotSolved;
    if (!writeWhole(a.resultPath, merged.text)) {
        std::fprintf(stderr, "cratewise merge: cannot write '%s': %s\n", a.resultPath.c_str(),
                     std::strerror(errno));
        status = ExitOutputLost;
    }
    if (!a.statsPath.empty() && !writeWhole(a.statsPath, mergedStats.text)) {
        std::fprintf(stderr, "cratewise merge: cannot write '%s': %s\n", a.statsPath.c_str(),
                     std::strerror(errno));
        status = ExitOutputLost;
    }
    return status;
}

} // namespace cwcli
