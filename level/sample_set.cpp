#include "level/sample_set.h"

namespace cw {

namespace {

// Six levels of the "millpond" set, easiest first.
const char* const SampleText = "  ########\n"
                               "  #      #\n"
                               "  # $ $  #\n"
                               "  ## ## ##\n"
                               "   #$ #  #\n"
                               " ###     #\n"
                               " #@$.##  #\n"
                               " # #..   #\n"
                               " # #*#.  #\n"
                               " #   #   #\n"
                               " ######  #\n"
                               "      ####\n"
                               "\n"
                               "#########\n"
                               "#@      #\n"
                               "# #$# # #\n"
                               "#       ###\n"
                               "### ###   #\n"
                               "  #    .# #\n"
                               "  # #.*.$ #\n"
                               "  #$$.# ###\n"
                               " ## ###  #\n"
                               " #       #\n"
                               " #   ##  #\n"
                               " #####   #\n"
                               "     #####\n"
                               "\n"
                               " #####\n"
                               " #   ####\n"
                               " #      #####\n"
                               " # ##     $@#\n"
                               " #  # ###$# #\n"
                               " ## #   #   #\n"
                               "  #   #$#####\n"
                               "  ### #   #\n"
                               "    #  $  #\n"
                               "  ###.# ###\n"
                               "  #  .  #\n"
                               "  # #.*##\n"
                               "  #  . #\n"
                               "  ######\n"
                               "\n"
                               " ###########\n"
                               " #    #    #\n"
                               " #         #\n"
                               " ## ##### ##\n"
                               "  #       #\n"
                               " ## ## ## ##\n"
                               " #      $  #\n"
                               " # ##*.*## #\n"
                               " # $ ... $ #\n"
                               " ##### #####\n"
                               "     #$#\n"
                               "     #@#\n"
                               "     ###\n"
                               "\n"
                               "####\n"
                               "#  #####\n"
                               "#      #####\n"
                               "#  ##  #   #\n"
                               "## #       #\n"
                               " # #$### ###\n"
                               " # $@#     #\n"
                               " ###$# ### #\n"
                               "  #  #  .# #\n"
                               "  #  ## .. #\n"
                               "  # $   .  #\n"
                               "  ####  * ##\n"
                               "     ######\n"
                               "\n"
                               "      #####\n"
                               "  #####   #\n"
                               "  #     # #\n"
                               "  # # #   #\n"
                               "  #   ### ###\n"
                               "### #    $  #\n"
                               "#   #  ##$  #\n"
                               "# #    #@ ###\n"
                               "#   ## #$$#\n"
                               "### #     ####\n"
                               "  #   ##.... #\n"
                               "  ### #  $.* #\n"
                               "    # ##     #\n"
                               "    #  #######\n"
                               "    ####\n";

const char* const SampleLabels[SampleLevelCount] = {"Sluice Gate", "Grain Loft", "Reed Bank",
                                                    "Eel Trap",    "Tailrace",   "Waterwheel"};

} // namespace

const char* sampleSetText() {
    return SampleText;
}

const char* sampleLevelLabel(int n) {
    return n >= 1 && n <= SampleLevelCount ? SampleLabels[n - 1] : "";
}

} // namespace cw
