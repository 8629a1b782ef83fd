#include "solver/run_control.h"

#include <chrono>

namespace cw {

std::int64_t nowMs() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

} // namespace cw
