#pragma once
// Level text format and parser: finds the level starting at a place in a text, checks it and,
// in full mode, loads it into the level tables.
#include <string_view>

#include "solver/board.h"

namespace cw {

// Characters a map line may hold: floor ("-", "_", space), goal, box, box on goal, player,
// player on goal, wall.
inline constexpr const char* levelCharset = "-_ .$*@+#";

constexpr int ParseCheck = 0; // counts and the 0/1 answer only, no board table
constexpr int ParseFull = 1;  // loads the board and gives the verdict

// True when c is one of levelCharset (the NUL terminator is not).
bool isLevelChar(char c);

// True for a line of length len (without its line break) that holds at least one '#' and nothing
// but characters of levelCharset. The level finders split texts with this same test.
bool isMapLine(const char* line, int len);

// True when c ends a line: CR, LF or vertical tab.
inline bool isLineBreak(char c) {
    return c == '\r' || c == '\n' || c == '\v';
}

// Reads the level whose first map line is at or after `text` (NUL-terminated). Lines before it
// that are not map lines are skipped; the first non-map line after it ends the level. Check mode
// returns 0 (no level here) or 1, and writes only boardWidth, boardHeight, levelBoxCount and
// levelStartsSolved. Full mode returns 0 or a verdict 1 ready, 4 size over, 5 boxes over,
// 6 irregular, 7 impossible, and loads the board tables (not for 0 or 4). Both modes clear
// goalRoomPacked. The text is unchanged on return; nothing is read past its terminator.
// Every parse also says why in level.verdictReason (with reasonCell where a cell is to blame),
// which never changes the verdict.
Outcome parseLevel(Level& level, char* text, int mode);

// The blocks of map lines of a text, as the level finders see them: how many are levels and how many
// are dropped, with the first dropped block's reason (what a front end tells about a paste).
struct BlockSurvey {
    int levels = 0;
    int dropped = 0;
    VerdictReason firstReason = VerdictReason::Fine;
};
BlockSurvey surveyBlocks(std::string_view text);

// Fixes boxes that can never move while standing on goals (they become walls) and finds boxes or
// goals that make the level impossible. Returns 1, or 7 when the level cannot be solved. Needs the
// board tables of a full parse; lowers movableBoxCount by one per fixed box.
Outcome fixFrozenBoxes(Level& level);

} // namespace cw
