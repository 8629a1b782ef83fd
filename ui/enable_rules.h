#pragma once
// Which command controls may be used in a given window state. Only the control that stops a
// running activity stays usable while it runs, so two activities never overlap.
#include <array>

#include "solver/outcome.h"

namespace cwui {

// The 14 command controls in the order of the enable table.
enum Control : int {
    CtlSample = 0,
    CtlText,
    CtlFile,
    CtlFolder,
    CtlPrev,
    CtlLevelEdit,
    CtlGo,
    CtlNext,
    CtlSolve,
    CtlTop,
    CtlStepBack,
    CtlPlay,
    CtlStepForward,
    CtlOption,
    ControlCount
};

using EnableTable = std::array<bool, ControlCount>;

struct EnableState {
    bool storesReady = false;
    bool batch = false;
    bool solving = false;
    bool playing = false;
    int levelTotal = 0;                            // levels in the set, 0 when nothing is loaded
    int levelNumber = 0;                           // current level, 1-based
    cw::Outcome levelState = cw::Outcome::NoLevel; // the shown level's verdict
    int solutionLength = 0;
    int moveIndex = 0; // trace viewer position
};

// The enable table for a state; activities take precedence in the order stores, batch, solving, playing.
EnableTable enableRules(const EnableState& s);

} // namespace cwui
