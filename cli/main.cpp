#include "cli/commands.h"

#include <cstdio>
#include <cstring>

namespace {

void printUsage(std::FILE* out) {
    std::fputs("usage: cratewise list  [PATH | - | --sample]\n"
               "       cratewise solve [PATH | - | --sample] [-l N] [-t SECONDS] [--solver both|one|two]\n"
               "       cratewise batch [PATH | - | --sample] [--from A] [--to B] [-t SECONDS] [-o RESULT]\n"
               "                       [--trace] [--stats CSV] [--solver both|one|two]\n",
               out);
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        printUsage(stderr);
        return 2;
    }
    cwcli::Args args(argv + 2, argv + argc);
    if (std::strcmp(argv[1], "list") == 0) return cwcli::runList(args);
    if (std::strcmp(argv[1], "solve") == 0) return cwcli::runSolve(args);
    if (std::strcmp(argv[1], "batch") == 0) return cwcli::runBatch(args);
    if (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0) {
        printUsage(stdout);
        return 0;
    }
    std::fprintf(stderr, "cratewise: unknown command '%s'\n", argv[1]);
    printUsage(stderr);
    return 2;
}
