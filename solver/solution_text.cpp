#include "solver/solution_text.h"

#include <cstdio>

namespace cw {

namespace {
constexpr std::size_t LettersPerLine = 50;
}

std::string formatSolution(std::string_view moves, bool traceOver) {
    std::string text;
    text.reserve(moves.size() / LettersPerLine * (LettersPerLine + 2) + 104);
    for (std::size_t at = 0; at < moves.size(); at += LettersPerLine) {
        text += moves.substr(at, LettersPerLine);
        text += "\r\n";
    }
    if (traceOver) text += "[TraceOver]\r\n";
    return text;
}

std::string resultLabel(int moveCount, int pushCount) {
    char label[64];
    std::snprintf(label, sizeof label, "Solved%6dmoves%5dpushes", moveCount, pushCount);
    return label;
}

} // namespace cw
