#pragma once
// The command line's help texts.

namespace cwcli {

// The whole usage with every command, its options and the exit statuses.
const char* usageText();
const char* listUsage();
const char* solveUsage();
const char* batchUsage();
const char* mergeUsage();

} // namespace cwcli
