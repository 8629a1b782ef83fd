#include "solver/run_control.h"

#include <chrono>

namespace cw {

std::int64_t nowSeconds() {
    using namespace std::chrono;
    return duration_cast<seconds>(steady_clock::now().time_since_epoch()).count();
}

} // namespace cw
