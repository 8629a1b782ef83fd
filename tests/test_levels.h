#pragma once
// Small helpers for tests: level texts written row by row.
#include <filesystem>
#include <initializer_list>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "solver/board.h"

namespace cw {
// Outcomes print as their code and name in test failures.
inline std::ostream& operator<<(std::ostream& os, Outcome o) {
    return os << code(o) << " (" << outcomeName(o) << ")";
}
inline void PrintTo(Outcome o, std::ostream* os) {
    *os << o;
}
} // namespace cw

namespace cwtest {

// Whether this build runs under a sanitizer, which makes processes slow to start and to end.
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
constexpr bool Sanitized = true;
#else
constexpr bool Sanitized = false;
#endif

// Joins rows with LF, each row ended by LF.
std::string rows(std::initializer_list<const char*> lines);

// Joins rows with LF, each row ended by LF.
std::string rows(const std::vector<std::string>& lines);

// The level turned by k quarter turns clockwise (k = 0..3), mirrored left to right first for k = 4..7:
// the eight symmetries of the square. Short rows are padded with spaces first.
std::vector<std::string> symmetry(const std::vector<std::string>& lines, int k);

// Replays a move string on level text (its map lines are the lines holding a '#'), with rules of its
// own, apart from the engine: every letter must be a walk onto a free cell or a push of a box onto a
// free cell, and at the end every box must stand on a goal. Empty when it solves, else the reason.
std::string replayFault(const std::string& levelText, std::string_view moves);

// The n-th level (from 1) of a text of several: its n-th run of lines that hold a '#'.
std::string nthLevel(const std::string& text, int n);

// A crowded room of 16 boxes of our own that neither thread, alone or with the other, finishes
// within seconds (nor proves impossible).
std::string slowLevel();

// Parses the text in full into the level and returns the verdict.
cw::Outcome load(cw::Level& level, std::string text);

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

// The command-line program run as a child process, with its standard input, output and error
// taken from or written to files, so that tests can send it signals and time its end.
class CliProcess {
  public:
    // Starts CRATEWISE_CLI with `args`; stdin from `inPath`, stdout and stderr into `outPath` and
    // `errPath`, and `env` (NAME=value entries) added to the environment.
    // With `shell`, /bin/sh runs that command line instead, `args` after it.
    CliProcess(const std::vector<std::string>& args, const std::string& inPath, const std::string& outPath,
               const std::string& errPath, const std::vector<std::string>& env = {},
               const std::string& shell = "");
    ~CliProcess();
    CliProcess(const CliProcess&) = delete;
    CliProcess& operator=(const CliProcess&) = delete;

    void interrupt() const; // sends SIGINT
    void kill() const;      // sends SIGKILL
    // Waits for the end, at most `limitMs`; the exit status, or -1 when it did not end by itself
    // (it is then killed) or ended by a signal.
    int wait(int limitMs);
    // Waits until the program blocks SIGINT for its own handling, at most `limitMs`; false when it
    // did not, or ended first. A signal sent earlier would meet the default action, not the program.
    bool waitInterruptTaken(int limitMs) const;

  private:
    int pid_ = -1;
};

// Runs the program to its end (at most 60 s) and returns its exit status, standard output and error.
struct CliResult {
    int status = -1;
    std::string out;
    std::string err;
};
CliResult runCli(const std::vector<std::string>& args, const std::string& inPath = "/dev/null",
                 const std::vector<std::string>& env = {});
// The same for a shell command line run by /bin/sh (for ulimit and the like).
CliResult runCli(const std::vector<std::string>& args, const std::string& inPath,
                 const std::vector<std::string>& env, const std::string& shellCommand);

// The whole content of a file, empty when it cannot be read.
std::string readFile(const std::filesystem::path& path);

} // namespace cwtest
