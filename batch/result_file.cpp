#include "batch/result_file.h"

#include <ctime>

#include "solver/board.h"

namespace cw {

namespace {

std::string format(const char* pattern, auto... values) {
    char buffer[256];
    const int n = std::snprintf(buffer, sizeof buffer, pattern, values...);
    if (n < static_cast<int>(sizeof buffer)) return std::string(buffer, static_cast<std::size_t>(n));
    std::string big(static_cast<std::size_t>(n) + 1, '\0');
    std::snprintf(big.data(), big.size(), pattern, values...);
    big.pop_back();
    return big;
}

constexpr const char* hyphenLine = "------------------------------------------------------\n";

bool writeAll(std::FILE* f, std::string_view text) {
    return std::fwrite(text.data(), 1, text.size(), f) == text.size();
}

} // namespace

LocalStamp localStampNow() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    return {local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min};
}

std::string headerText(const std::string& setName, int levelTotal, int timeLimitSec, const LocalStamp& start,
                       const std::string& extraLine) {
    std::string text = format("# %s\n", titleLine);
    // The set name may be longer than any fixed buffer, so it is joined rather than formatted.
    text += "# LevelSetName: " + setName + format(" (%d levels)\n", levelTotal);
    text += extraLine;
    text += format("# MaxSize [%d*%d(%d)] Memory ", MaxWidth, MaxHeight, MaxBoxes);
    text += "3.5";
    text += format("GB TimeLimit %dsec\n", timeLimitSec);
    text += format(" No.  W  H   B    Time        [%4d/%02d/%02d %02d:%02d Start]\n", start.year, start.month,
                   start.day, start.hour, start.minute);
    text += hyphenLine;
    return text;
}

std::string outcomeText(Outcome outcome, int moveCount, int pushCount, int traceOver) {
    if (outcome != Outcome::Solved) return resultLineText(outcome);
    return format("%6dmoves%5dpushes%s\n", moveCount, pushCount, traceOver != 0 ? " TraceOut" : "");
}

std::string shardLineText(int index, int count, int first, int last) {
    return format("# Shard: %d/%d of levels %d-%d\n", index, count, first, last);
}

std::string levelLineText(const LevelLine& line) {
    return format("%4d[%2d*%2d(%3d)]%4lldsec", line.number, line.width, line.height, line.boxes,
                  static_cast<long long>(line.seconds)) +
           outcomeText(line.outcome, line.moveCount, line.pushCount, line.traceOver);
}

std::string traceLinesText(std::string_view moves) {
    std::string text;
    for (std::size_t i = 0; i < moves.size(); i += TraceLineLetters) {
        text += "\t\t";
        text += moves.substr(i, TraceLineLetters);
        text += '\n';
    }
    return text;
}

std::string summaryText(int solvedCount, int failedCount, int skippedCount, const LocalStamp& finish) {
    std::string text = hyphenLine;
    text += format("# Solved:%4d levels         [%4d/%02d/%02d %02d:%02d Finish]\n", solvedCount, finish.year,
                   finish.month, finish.day, finish.hour, finish.minute);
    text += format("# Failed:%4d levels\n", failedCount);
    if (skippedCount != 0) text += format("# Skiped:%4d levels\n", skippedCount);
    return text;
}

ResultFile::~ResultFile() {
    if (headerHandle_ != nullptr) std::fclose(headerHandle_);
}

bool ResultFile::open(const std::string& path) {
    if (headerHandle_ != nullptr) std::fclose(headerHandle_);
    path_ = path;
    stream_ = nullptr;
    headerHandle_ = std::fopen(path.c_str(), "wb");
    return headerHandle_ != nullptr;
}

void ResultFile::useStream(std::FILE* out) {
    if (headerHandle_ != nullptr) std::fclose(headerHandle_);
    headerHandle_ = nullptr;
    path_.clear();
    stream_ = out;
}

bool ResultFile::writeHeader(std::string_view text) {
    if (headerHandle_ == nullptr) return append(text);
    bool ok = writeAll(headerHandle_, text);
    ok = std::fclose(headerHandle_) == 0 && ok;
    headerHandle_ = nullptr;
    if (!ok) lost();
    return ok;
}

bool ResultFile::append(std::string_view text) {
    if (stream_ != nullptr) {
        const bool ok = writeAll(stream_, text) && std::fflush(stream_) == 0;
        if (!ok) lost();
        return ok;
    }
    std::FILE* f = path_.empty() ? nullptr : std::fopen(path_.c_str(), "ab");
    if (f == nullptr) {
        lost();
        return false;
    }
    bool ok = writeAll(f, text);
    ok = std::fclose(f) == 0 && ok;
    if (!ok) lost();
    return ok;
}

void ResultFile::lost() {
    if (++lostCount_ == 1 && lostHook_) lostHook_(path_);
}

} // namespace cw
