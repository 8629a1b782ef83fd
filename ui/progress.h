#pragma once
// What the two progress bars show: node counts of each solver thread scaled down by 4096.
#include "solver/run_control.h"

namespace cwui {

constexpr int BarOneMax = 7470;
constexpr int BarTwoMax = 4809;

// Counts before scaling; levelStartsSolved is the shown level's flag.
long long barOneCount(const cw::RunControl& control, int levelStartsSolved);
long long barTwoCount(const cw::RunControl& control);

// A count as a bar position (count >> 12), kept inside the bar's range.
int barPosition(long long count, int maximum);

} // namespace cwui
