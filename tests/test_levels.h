#pragma once
// Small helpers for tests: level texts written row by row.
#include <initializer_list>
#include <string>

namespace cwtest {

// Joins rows with LF, each row ended by LF.
std::string rows(std::initializer_list<const char*> lines);

} // namespace cwtest
