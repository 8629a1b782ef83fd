#include "solver/run_control.h"

#include <atomic>
#include <chrono>

namespace cw {

std::int64_t nowMs() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

const char* stageName(SolvedStage stage) {
    switch (stage) {
    case SolvedStage::Main:
        return "main";
    case SolvedStage::MeetDuringMain:
        return "meet-in-main";
    case SolvedStage::Meet:
        return "meet";
    case SolvedStage::Full:
        return "full";
    case SolvedStage::None:
        break;
    }
    return "";
}

std::uint64_t LivePosition::nextSerial() {
    static std::atomic<std::uint64_t> serial{0};
    return serial.fetch_add(1, std::memory_order_relaxed) + 1;
}

} // namespace cw
