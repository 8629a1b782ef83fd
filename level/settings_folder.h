#pragma once
// Where the program keeps its own files.
#include <string>

namespace cw {

// $XDG_CONFIG_HOME/korrin when XDG_CONFIG_HOME is set and not empty, else $HOME/.config/korrin.
// Creates the folder when missing; returns the path even when it could not be created.
std::string settingsFolder();

// The scratch file for pasted text too long for the level text buffer: settingsFolder()/korrin.txt.
std::string pasteFilePath();

} // namespace cw
