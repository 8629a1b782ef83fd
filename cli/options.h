#pragma once
// A small reader for the command line's options: numbers after flags, flags, and one level source.
#include <string>

#include "cli/commands.h"
#include "engine/engine.h"

namespace cwcli {

constexpr int MaxNumberArgument = 1'000'000'000;

class OptionReader {
  public:
    explicit OptionReader(const Args& args) : args_(args) {}

    bool more() const { return pos_ < args_.size(); }
    // Takes `flag N` when it stands next, with N a whole number from `minimum` to MaxNumberArgument.
    bool take(const char* flag, int& value, int minimum);
    // Takes `flag TEXT` when it stands next.
    bool take(const char* flag, std::string& value);
    // Takes a lone flag when it stands next.
    bool takeFlag(const char* flag, bool& value);
    // Takes -h or --help when it stands next.
    bool takeHelp(bool& value) { return takeFlag("-h", value) || takeFlag("--help", value); }
    // Takes `flag K/N` when it stands next, with 1 <= K <= N.
    bool takeShard(const char* flag, int& index, int& count);
    // Takes `flag both|one|two` when it stands next: which solver threads search.
    bool take(const char* flag, cw::SolverChoice& value);
    // Takes a plain word (a file name) when it stands next.
    bool takeOperand(std::string& value);
    // Takes a level source: a path, "-" for standard input, or "--sample"; only one may be given.
    bool takeSource(std::string& source);
    // What is wrong with the argument that could not be taken: a bad value, an unknown option, or
    // a second level source.
    std::string error() const;

  private:
    const Args& args_;
    std::size_t pos_ = 0;
    bool sourceTaken_ = false;
    std::string error_;
};

} // namespace cwcli
