#include "cli/usage.h"

namespace cwcli {

namespace {

#define LIST_LINE "cratewise list  [PATH | - | --sample]\n"
#define SOLVE_LINE "cratewise solve [PATH | - | --sample] [-l N] [-t SECONDS] [--solver both|one|two]\n"
#define BATCH_LINE                                                                                           \
    "cratewise batch [PATH | - | --sample] [--from A] [--to B] [-t SECONDS] [-o RESULT]\n"                   \
    "                [--trace] [--stats CSV] [--shard K/N] [--solver both|one|two]\n"

#define MERGE_LINE "cratewise merge -o RESULT [--stats CSV] FILES...\n"

#define SOURCES                                                                                              \
    "PATH is a level file or a folder of numbered level files; - reads standard input (at most 64 MiB);\n"   \
    "--sample (the default) is the built-in set.\n"

#define EXIT_STATUSES                                                                                        \
    "Exit status: 0 done (listed, solved, every level of the batch solved); 1 not solved (a level of the\n"  \
    "batch not solved); 2 bad arguments or input, or a level out of reach; 3 some output could not be\n"     \
    "written; 4 the solver could not run (out of memory); 130 cancelled by Ctrl-C.\n"

} // namespace

const char* usageText() {
    return "usage: " LIST_LINE "       " SOLVE_LINE "       " BATCH_LINE "       " MERGE_LINE
           "       cratewise --version\n\n" SOURCES "\n" EXIT_STATUSES;
}

const char* listUsage() {
    return "usage: " LIST_LINE
           "Prints one line per level: number, width, height, boxes and its state.\n" SOURCES EXIT_STATUSES;
}

const char* solveUsage() {
    return "usage: " SOLVE_LINE
           "Solves level N (default 1) within SECONDS (default 600) and prints the outcome, then the move\n"
           "and push counts and the move string in lines of 50. --solver one or two lets only that solver\n"
           "thread search, for measuring each (the other ends at once).\n" SOURCES EXIT_STATUSES;
}

const char* batchUsage() {
    return "usage: " BATCH_LINE
           "Solves levels A to B (default: all) and writes the result file to RESULT (standard output\n"
           "without -o); --trace adds each move string; --stats writes one CSV row per level. --shard K/N\n"
           "solves only the levels whose position in the range is K modulo N, so N jobs cover the range "
           "once.\n" SOURCES EXIT_STATUSES;
}

const char* mergeUsage() {
    return "usage: " MERGE_LINE
           "Joins the result files of the shards of one batch (and, with --stats, their statistics files)\n"
           "into one, as one batch over the whole range would have written it. Files of different "
           "collections\n"
           "or ranges, or a level given twice, are refused and nothing is written; missing levels are "
           "reported.\n" EXIT_STATUSES;
}

} // namespace cwcli
