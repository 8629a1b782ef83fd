#pragma once
// Small helpers for tests: level texts written row by row.
#include <filesystem>
#include <initializer_list>
#include <string>

#include "solver/board.h"

namespace cwtest {

// Joins rows with LF, each row ended by LF.
std::string rows(std::initializer_list<const char*> lines);

// Parses the text in full into the level and returns the verdict.
int load(cw::Level& level, std::string text);

// Cell index of (row, column) on the loaded level.
inline int cell(const cw::Level& level, int row, int column) {
    return row * level.boardWidth + column;
}

// A fresh folder of its own, removed with everything in it at the end. Tests run as separate
// processes side by side, so no two may share a fixed scratch path.
class ScratchDir {
  public:
    ScratchDir();
    ~ScratchDir();
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;
    const std::filesystem::path& path() const { return path_; }
    std::string file(const std::string& name) const;

  private:
    std::filesystem::path path_;
};

// The whole content of a file, empty when it cannot be read.
std::string readFile(const std::filesystem::path& path);

} // namespace cwtest
