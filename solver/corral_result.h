#pragma once
// What a corral test, or one step of its search, found. The three corral tests (the main search's,
// the bidirectional searches' and thread two's) answer in these words; their records keep the
// verdicts as CorralRecordOpen and CorralRecordDead.
#include <cstdint>

namespace cw {

enum class CorralResult {
    Open,     // the corral can be opened, or there is none to test (or it is not proven dead)
    Dead,     // the boxes around the corral can never open it: the position is dead
    Pending,  // a new or unanswered record; the search must go on
    TooLarge, // more boxes touch the corral than a record holds
    Stopped,  // the run was stopped meanwhile
};

// A corral record's verdict byte.
constexpr std::int8_t CorralRecordUndecided = 0;
constexpr std::int8_t CorralRecordOpen = 1;
constexpr std::int8_t CorralRecordDead = 2;

} // namespace cw
