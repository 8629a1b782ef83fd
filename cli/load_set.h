#pragma once
// Loading a level set from a command-line source, shared by the list, solve and batch commands.
#include <string>

#include "level/level_set.h"

namespace cwcli {

// Load outcomes.
constexpr int LoadOk = 0;         // the set holds at least one level; level 1 is current
constexpr int LoadNoLevels = 1;   // the source was read but holds no level
constexpr int LoadUnreadable = 2; // the source could not be read, or holds more than may be read

// Loads `source` into `set`: "--sample" or "" for the built-in sample set, "-" for standard input
// (taken as pasted text, held in memory up to cw::MemoryTextLimit bytes), a folder for a folder of
// numbered level files, else a level file. On LoadUnreadable `error` holds a one-line message; on
// LoadNoLevels it holds "Levels are not loaded.". The set must keep long text in memory (no paste
// file), so the command line needs no settings folder and runs side by side with itself.
int loadSet(cw::LevelSet& set, const std::string& source, std::string& error);

} // namespace cwcli
