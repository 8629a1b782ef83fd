#pragma once
// The solution as the user reads and copies it.
#include <string>
#include <string_view>

namespace cw {

// The move string in lines of 50 letters, each ending with "\r\n" (no empty line after a full last one),
// then "[TraceOver]\r\n" when the string was cut short.
std::string formatSolution(std::string_view moves, bool traceOver);

// "Solved%6dmoves%5dpushes", the caption above the formatted solution.
std::string resultLabel(int moveCount, int pushCount);

} // namespace cw
