#pragma once
// The batch result file: a header, one line per level run (and its move string on request) and a
// summary. The texts are built by pure functions so they can be compared byte for byte; ResultFile
// puts them into a file or a stream.
#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>
#include <string_view>

#include "solver/outcome.h"

namespace cw {

// A local date and time to the minute, as the result file shows it.
struct LocalStamp {
    int year = 0;
    int month = 0;
    int day = 0;
    int hour = 0;
    int minute = 0;
};

// The current local time.
LocalStamp localStampNow();

constexpr const char* titleLine = "Cratewise Ver7.3 by korrin (Aug/2021)";
constexpr int TraceLineLetters = 100;

// Everything one level line says.
struct LevelLine {
    int number = 0;
    int width = 0;
    int height = 0;
    int boxes = 0; // as counted in the level text
    std::int64_t seconds = 0;
    Outcome outcome = Outcome::NoLevel;
    int moveCount = 0;
    int pushCount = 0;
    int traceOver = 0;
};

// Header lines, ending with the hyphen line; `extraLine` (a shard's line) follows the set name.
std::string headerText(const std::string& setName, int levelTotal, int timeLimitSec, const LocalStamp& start,
                       const std::string& extraLine = "");

// The header line of one shard of a batch: "# Shard: K/N of levels A-B\n".
std::string shardLineText(int index, int count, int first, int last);

// The line of a level that was run to an outcome ("%4d[%2d*%2d(%3d)]%4dsec" and the outcome text).
std::string levelLineText(const LevelLine& line);

// The outcome text that ends a level line, line feed included.
std::string outcomeText(Outcome outcome, int moveCount, int pushCount, int traceOver);

// The move string in lines of 100 letters, each "\t\t" + letters + "\n"; empty for no moves.
std::string traceLinesText(std::string_view moves);

// The line that stands for a cancelled level.
inline std::string cancelLineText() {
    return "->Cancel\n";
}

// The hyphen line, the solved and failed lines with the finish time, and the skipped line only when
// something was skipped.
std::string summaryText(int solvedCount, int failedCount, int skippedCount, const LocalStamp& finish);

// Where the texts go. To a path: open() truncates the file and keeps the handle for the header;
// each later append opens the file again, writes at its end and closes it, so the file can be
// read while the batch runs. To a stream: every write goes to the stream and is flushed.
class ResultFile {
  public:
    ResultFile() = default;
    ~ResultFile();
    ResultFile(const ResultFile&) = delete;
    ResultFile& operator=(const ResultFile&) = delete;

    // Opens `path` for writing, created if missing and truncated. False when it cannot be opened.
    bool open(const std::string& path);
    // Writes to `out` instead (not closed here).
    void useStream(std::FILE* out);

    // Writes the header through the handle from open() and closes it. False when the write failed.
    bool writeHeader(std::string_view text);
    // Appends `text`; false when it could not be written. The first lost text calls the lost-line
    // hook once with the path, so a front end can tell the user a single time.
    bool append(std::string_view text);

    void onLineLost(std::function<void(const std::string& path)> hook) { lostHook_ = std::move(hook); }
    int lostCount() const { return lostCount_; }
    const std::string& path() const { return path_; }

  private:
    void lost();

    std::string path_;
    std::FILE* headerHandle_ = nullptr;
    std::FILE* stream_ = nullptr;
    int lostCount_ = 0;
    std::function<void(const std::string&)> lostHook_;
};

} // namespace cw
