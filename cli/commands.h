#pragma once
// Sub-commands of the command-line program. Each takes the arguments after its name and returns the
// process exit status.
#include <string>
#include <vector>

namespace cwcli {

using Args = std::vector<std::string>;

int runList(const Args& args);
int runSolve(const Args& args);
int runBatch(const Args& args);

} // namespace cwcli
