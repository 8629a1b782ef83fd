#include <cerrno>
#include <cstdio>
#include <cstring>
#include <exception>

#include "cli/commands.h"
#include "cli/interrupt.h"
#include "cli/usage.h"

namespace cwcli {

bool finishStdout(const char* command) {
    if (std::fflush(stdout) == 0 && std::ferror(stdout) == 0) return true;
    std::fprintf(stderr, "%s: cannot write standard output: %s\n", command,
                 errno != 0 ? std::strerror(errno) : "write error");
    return false;
}

} // namespace cwcli

namespace {

int dispatch(int argc, char** argv) {
    if (argc < 2) {
        std::fputs(cwcli::usageText(), stderr);
        return cwcli::ExitBadInput;
    }
    const cwcli::Args args(argv + 2, argv + argc);
    const char* command = argv[1];
    if (std::strcmp(command, "list") == 0) return cwcli::runList(args);
    if (std::strcmp(command, "solve") == 0) return cwcli::runSolve(args);
    if (std::strcmp(command, "batch") == 0) return cwcli::runBatch(args);
    if (std::strcmp(command, "merge") == 0) return cwcli::runMerge(args);
    if (std::strcmp(command, "--help") == 0 || std::strcmp(command, "-h") == 0) {
        std::fputs(cwcli::usageText(), stdout);
        return cwcli::finishStdout("cratewise") ? cwcli::ExitDone : cwcli::ExitOutputLost;
    }
    if (std::strcmp(command, "--version") == 0) {
        std::printf("cratewise %s\n", CRATEWISE_VERSION);
        return cwcli::finishStdout("cratewise") ? cwcli::ExitDone : cwcli::ExitOutputLost;
    }
    std::fprintf(stderr, "cratewise: unknown command '%s'\n", command);
    std::fputs(cwcli::usageText(), stderr);
    return cwcli::ExitBadInput;
}

} // namespace

int main(int argc, char** argv) {
    // Before any thread starts, so that only the watcher ever takes Ctrl-C.
    cwcli::InterruptWatcher::blockInAllThreads();
    try {
        return dispatch(argc, argv);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "cratewise: stopped: %s\n", e.what());
    } catch (...) {
        std::fprintf(stderr, "cratewise: stopped by an unexpected fault\n");
    }
    return cwcli::ExitCannotRun;
}
