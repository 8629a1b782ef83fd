#include "batch/result_merge.h"

#include <algorithm>
#include <cstdio>
#include <map>
#include <sstream>
#include <tuple>

#include "batch/result_file.h"

namespace cw {

namespace {

constexpr const char* HyphenLine = "------------------------------------------------------";
constexpr const char* StatsHeaderStart = "number,width,height,boxes,outcome";

std::vector<std::string> splitLines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

bool startsWith(const std::string& s, const std::string& prefix) {
    return s.compare(0, prefix.size(), prefix) == 0;
}

auto stampKey(const LocalStamp& s) {
    return std::make_tuple(s.year, s.month, s.day, s.hour, s.minute);
}

// Reads "[YYYY/MM/DD HH:MM <word>]" at the end of a line.
bool readStamp(const std::string& line, const char* word, LocalStamp& stamp) {
    const std::size_t open = line.rfind('[');
    if (open == std::string::npos) return false;
    char tail[16] = {};
    const std::string format = std::string("[%4d/%2d/%2d %2d:%2d %15[A-Za-z]]");
    if (std::sscanf(line.c_str() + open, format.c_str(), &stamp.year, &stamp.month, &stamp.day, &stamp.hour,
                    &stamp.minute, tail) != 6)
        return false;
    return std::string(tail) == word;
}

enum class LineTally { Solved, Failed, Skipped };

// What a level line counts as, from the outcome text after its seconds.
LineTally tallyOfLine(const std::string& line) {
    const std::size_t sec = line.find("sec", line.find(']'));
    const std::string rest = sec == std::string::npos ? line : line.substr(sec + 3);
    if (rest.find("moves") != std::string::npos && rest.find("pushes") != std::string::npos)
        return LineTally::Solved;
    if (startsWith(rest, " Skiped")) return LineTally::Skipped;
    return LineTally::Failed;
}

// One result file, read.
struct ResultFileParts {
    std::string setLine;   // "# LevelSetName: ..."
    std::string limitLine; // "# MaxSize ... TimeLimit ...sec"
    std::string setName;
    int levelTotal = 0;
    int timeLimitSec = 0;
    bool sharded = false;
    int shardIndex = 0, shardCount = 0, first = 0, last = 0;
    LocalStamp start;
    bool finished = false;
    LocalStamp finish;
    bool cancelled = false;
    std::map<int, std::string> levels; // level number -> its line and move lines, line feeds included
};

// Parses a result file; false with `error` set when the text is not one.
bool parseResultFile(const MergeInput& in, ResultFileParts& parts, std::string& error) {
    const std::vector<std::string> lines = splitLines(in.text);
    std::size_t i = 0;
    auto fail = [&](const std::string& why) {
        error = in.name + " is not a result file: " + why;
        return false;
    };
    if (lines.size() < 5 || lines[0] != std::string("# ") + titleLine) return fail("no title line");
    parts.setLine = lines[1];
    const std::size_t open = parts.setLine.rfind(" (");
    if (!startsWith(parts.setLine, "# LevelSetName: ") || open == std::string::npos ||
        std::sscanf(parts.setLine.c_str() + open, " (%d levels)", &parts.levelTotal) != 1)
        return fail("no set name line");
    parts.setName = parts.setLine.substr(16, open - 16);
    i = 2;
    if (startsWith(lines[i], "# Shard: ")) {
        if (std::sscanf(lines[i].c_str(), "# Shard: %d/%d of levels %d-%d", &parts.shardIndex,
                        &parts.shardCount, &parts.first, &parts.last) != 4)
            return fail("a shard line that cannot be read");
        parts.sharded = true;
        ++i;
    }
    if (i + 2 >= lines.size()) return fail("the header ends early");
    parts.limitLine = lines[i];
    const std::size_t limit = parts.limitLine.find("TimeLimit ");
    if (!startsWith(parts.limitLine, "# MaxSize ") || limit == std::string::npos ||
        std::sscanf(parts.limitLine.c_str() + limit, "TimeLimit %dsec", &parts.timeLimitSec) != 1)
        return fail("no time limit line");
    if (!readStamp(lines[i + 1], "Start", parts.start)) return fail("no start time");
    if (lines[i + 2] != HyphenLine) return fail("no line of hyphens after the header");
    i += 3;
    int current = 0;
    for (; i < lines.size(); ++i) {
        const std::string& line = lines[i];
        if (line == HyphenLine) break;
        if (line == "->Cancel") {
            parts.cancelled = true;
            current = 0;
            continue;
        }
        if (startsWith(line, "\t\t") && current != 0) {
            parts.levels[current] += line + "\n";
            continue;
        }
        int number = 0;
        if (line.size() < 5 || line[4] != '[' || std::sscanf(line.c_str(), "%4d[", &number) != 1 ||
            number < 1)
            return fail("a line that is no level line: '" + line + "'");
        if (parts.levels.count(number) != 0) {
            error = in.name + " holds level " + std::to_string(number) + " twice";
            return false;
        }
        parts.levels[number] = line + "\n";
        current = number;
    }
    // A batch that was killed leaves no summary; its lines still count.
    for (++i; i < lines.size(); ++i)
        if (startsWith(lines[i], "# Solved:")) parts.finished = readStamp(lines[i], "Finish", parts.finish);
    return true;
}

// Whether two files are of one batch: the same set, level count, time limit and range.
std::string differences(const ResultFileParts& a, const ResultFileParts& b) {
    if (a.setLine != b.setLine) return "different collections ('" + a.setLine + "', '" + b.setLine + "')";
    if (a.limitLine != b.limitLine) return "different time limits";
    if (a.sharded != b.sharded ||
        (a.sharded && (a.first != b.first || a.last != b.last || a.shardCount != b.shardCount)))
        return "different ranges or shardings";
    return "";
}

} // namespace

bool looksLikeResultFile(const std::string& text) {
    return startsWith(text, std::string("# ") + titleLine);
}

bool looksLikeStatsFile(const std::string& text) {
    return startsWith(text, StatsHeaderStart);
}

MergeResult mergeResultFiles(const std::vector<MergeInput>& inputs) {
    MergeResult result;
    if (inputs.empty()) {
        result.error = "no result files to merge";
        return result;
    }
    std::vector<ResultFileParts> files(inputs.size());
    for (std::size_t k = 0; k < inputs.size(); ++k)
        if (!parseResultFile(inputs[k], files[k], result.error)) return result;

    const ResultFileParts& first = files[0];
    std::map<int, std::string> levels;
    std::vector<int> shards;
    LocalStamp start = first.start;
    bool finished = false;
    LocalStamp finish;
    for (std::size_t k = 0; k < files.size(); ++k) {
        const ResultFileParts& f = files[k];
        if (const std::string d = differences(first, f); !d.empty()) {
            result.error = inputs[0].name + " and " + inputs[k].name + " are not of one batch: " + d;
            return result;
        }
        if (f.sharded) {
            if (std::find(shards.begin(), shards.end(), f.shardIndex) != shards.end()) {
                result.error = "shard " + std::to_string(f.shardIndex) + " is given twice";
                return result;
            }
            shards.push_back(f.shardIndex);
        }
        for (const auto& [number, text] : f.levels) {
            if (!levels.emplace(number, text).second) {
                result.error = "level " + std::to_string(number) + " appears twice (" + inputs[k].name + ")";
                return result;
            }
        }
        if (stampKey(f.start) < stampKey(start)) start = f.start;
        if (f.finished && (!finished || stampKey(finish) < stampKey(f.finish))) finish = f.finish;
        finished = finished || f.finished;
        if (f.cancelled) result.notes.push_back(inputs[k].name + " was cancelled before its end");
        if (!f.finished) result.notes.push_back(inputs[k].name + " has no summary: its batch did not finish");
    }
    if (!finished) finish = start;

    // The range every level should be in: the shards' range, else from the first to the last level held.
    const int low = first.sharded ? first.first : (levels.empty() ? 1 : levels.begin()->first);
    const int high = first.sharded ? first.last : (levels.empty() ? 0 : levels.rbegin()->first);
    for (int n = low; n <= high; ++n)
        if (levels.count(n) == 0) result.missing.push_back(n);

    int solved = 0, failed = 0, skipped = 0;
    std::string body;
    for (const auto& [number, text] : levels) {
        body += text;
        switch (tallyOfLine(text.substr(0, text.find('\n')))) {
        case LineTally::Solved:
            ++solved;
            break;
        case LineTally::Skipped:
            ++skipped;
            break;
        case LineTally::Failed:
            ++failed;
            break;
        }
    }
    result.text = headerText(first.setName, first.levelTotal, first.timeLimitSec, start) + body +
                  summaryText(solved, failed, skipped, finish);
    result.ok = true;
    return result;
}

MergeResult mergeStatsFiles(const std::vector<MergeInput>& inputs) {
    MergeResult result;
    std::string header;
    std::map<int, std::string> rows;
    for (const MergeInput& in : inputs) {
        const std::vector<std::string> lines = splitLines(in.text);
        if (lines.empty() || !startsWith(lines[0], StatsHeaderStart)) {
            result.error = in.name + " is not a statistics file";
            return result;
        }
        if (header.empty()) header = lines[0];
        if (lines[0] != header) {
            result.error = in.name + " has other columns than " + inputs[0].name;
            return result;
        }
        for (std::size_t i = 1; i < lines.size(); ++i) {
            int number = 0;
            if (lines[i].empty()) continue;
            if (std::sscanf(lines[i].c_str(), "%d,", &number) != 1) {
                result.error = in.name + " has a row that cannot be read: '" + lines[i] + "'";
                return result;
            }
            if (!rows.emplace(number, lines[i]).second) {
                result.error = "level " + std::to_string(number) + " appears twice (" + in.name + ")";
                return result;
            }
        }
    }
    result.text = header + "\n";
    for (const auto& [number, row] : rows) result.text += row + "\n";
    result.ok = true;
    return result;
}

} // namespace cw
