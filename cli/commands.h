#pragma once
// Sub-commands of the command-line program. Each takes the arguments after its name and returns the
// process exit status.
#include <string>
#include <vector>

namespace cwcli {

using Args = std::vector<std::string>;

// Exit statuses, the same for every command.
constexpr int ExitDone = 0;       // listed; solved; every level of the batch solved
constexpr int ExitNotSolved = 1;  // the level, or some level of the batch, was not solved
constexpr int ExitBadInput = 2;   // bad arguments, unreadable or unusable input, a level out of reach
constexpr int ExitOutputLost = 3; // some output (result file, statistics, standard output) was not written
constexpr int ExitCannotRun = 4;  // the solver could not run: out of memory, or an internal fault
constexpr int ExitCancelled = 130;

int runList(const Args& args);
int runSolve(const Args& args);
int runBatch(const Args& args);
int runMerge(const Args& args);

// Flushes standard output; false (with a message on stderr naming the command) when anything
// written to it was lost.
bool finishStdout(const char* command);

} // namespace cwcli
