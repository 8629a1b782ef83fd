#include "solver/run_control.h"

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

} // namespace cw
