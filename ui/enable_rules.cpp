#include "ui/enable_rules.h"

namespace cwui {

EnableTable enableRules(const EnableState& s) {
    EnableTable on{};
    if (!s.storesReady) return on;
    if (s.batch) {
        on[CtlOption] = true;
        return on;
    }
    if (s.solving) {
        on[CtlSolve] = true;
        return on;
    }
    if (s.playing) {
        on[CtlPlay] = true;
        return on;
    }
    on[CtlSample] = on[CtlText] = on[CtlFile] = on[CtlFolder] = true;
    if (s.levelTotal > 1) {
        on[CtlLevelEdit] = on[CtlGo] = true;
        on[CtlPrev] = s.levelNumber != 1;
        on[CtlNext] = s.levelNumber != s.levelTotal;
    }
    on[CtlSolve] = s.levelTotal > 0 && s.levelState == cw::Outcome::Ready;
    if (s.solutionLength > 0) {
        on[CtlTop] = on[CtlStepBack] = s.moveIndex != 0;
        on[CtlPlay] = on[CtlStepForward] = s.moveIndex < s.solutionLength;
    }
    on[CtlOption] = true;
    return on;
}

} // namespace cwui
