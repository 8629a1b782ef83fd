#include "ui/progress.h"

#include <algorithm>

namespace cwui {

namespace {
constexpr long long BarOneFull = 30'597'740;
constexpr long long GoalStageCap = 18'358'644;
constexpr long long FullSearchBase = 20'897'740;
constexpr long long TwoDeclined = 19'700'000;
} // namespace

long long barOneCount(const cw::RunControl& control, int levelStartsSolved) {
    const cw::Outcome result = control.threadOneResult.load(std::memory_order_relaxed);
    if (result == cw::Outcome::NoLevel) return 0;
    if (levelStartsSolved == 1) return BarOneFull;
    const long long meet = control.meetNodeCount.load(std::memory_order_relaxed);
    if (control.threadOneStage.load(std::memory_order_relaxed) != 2) {
        const long long count =
            meet != 0 ? meet
                      : static_cast<long long>(control.placeNodeCount.load(std::memory_order_relaxed)) * 200 +
                            control.orderNodeCount.load(std::memory_order_relaxed);
        return std::min(count, GoalStageCap);
    }
    return result == cw::Outcome::Ready || result == cw::Outcome::Solved ? meet + FullSearchBase : BarOneFull;
}

long long barTwoCount(const cw::RunControl& control) {
    const cw::Outcome result = control.threadTwoResult.load(std::memory_order_relaxed);
    if (result == cw::Outcome::NoLevel) return 0;
    if (result == cw::Outcome::BoxesOver) return TwoDeclined;
    return control.twoNodeCount.load(std::memory_order_relaxed);
}

int barPosition(long long count, int maximum) {
    return static_cast<int>(std::clamp<long long>(count >> 12, 0, maximum));
}

} // namespace cwui
