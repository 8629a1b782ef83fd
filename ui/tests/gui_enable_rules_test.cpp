// The enable table for every window state, and the window applying it to its controls.
#include <QLineEdit>
#include <QPushButton>

#include <gtest/gtest.h>

#include "gui_fixture.h"
#include "tests/test_levels.h"
#include "ui/enable_rules.h"
#include "ui/main_window.h"
#include "ui/scripted_dialogs.h"

namespace {

using cwui::EnableState;

// One row per state: the 14 flags as a string in control order
// (Sample Text File Folder Prev Edit Go Next Solve Top <- Play -> Option).
struct Case {
    const char* name;
    EnableState state;
    const char* expected;
};

EnableState ready(int total, int number, int length = 0, int index = 0) {
    EnableState s;
    s.storesReady = true;
    s.levelTotal = total;
    s.levelNumber = number;
    s.levelState = cw::Outcome::Ready;
    s.solutionLength = length;
    s.moveIndex = index;
    return s;
}

EnableState with(EnableState s, bool batch, bool solving, bool playing) {
    s.batch = batch;
    s.solving = solving;
    s.playing = playing;
    return s;
}

TEST(EnableRules, TableOfStates) {
    EnableState noStores = ready(5, 2, 10, 3);
    noStores.storesReady = false;
    EnableState notReady = ready(5, 2);
    notReady.levelState = cw::Outcome::Irregular;
    const Case cases[] = {
        {"stores missing", noStores, "00000000000000"},
        {"batch", with(ready(5, 2, 10, 3), true, true, true), "00000000000001"},
        {"solving", with(ready(5, 2), false, true, false), "00000000100000"},
        {"playing", with(ready(5, 2, 10, 3), false, false, true), "00000000000100"},
        {"nothing loaded", ready(0, 0), "11110000000001"},
        {"one-level set", ready(1, 1), "11110000100001"},
        {"first level", ready(5, 1), "11110111100001"},
        {"middle level", ready(5, 3), "11111111100001"},
        {"last level", ready(5, 5), "11111110100001"},
        {"level not ready", notReady, "11111111000001"},
        {"solution at start", ready(5, 3, 10, 0), "11111111100111"},
        {"solution in the middle", ready(5, 3, 10, 4), "11111111111111"},
        {"solution at its end", ready(5, 3, 10, 10), "11111111111001"},
    };
    for (const Case& c : cases) EXPECT_EQ(cwuitest::flags(cwui::enableRules(c.state)), c.expected) << c.name;
}

TEST(EnableRules, WindowWithOneLevelSetDisablesTheSelector) {
    cwui::ScriptedDialogs dialogs;
    cwui::MainWindow window(dialogs);
    cwuitest::pasteLevels(window, dialogs, cwtest::rows({"#####", "#@$.#", "#####"}));
    ASSERT_EQ(window.levelSet().levelTotal(), 1);
    EXPECT_EQ(window.statusText(1014), QStringLiteral("TextBox"));
    for (int id : {1005, 1006, 1007}) EXPECT_FALSE(cwuitest::button(window, id)->isEnabled()) << id;
    EXPECT_FALSE(window.findChild<QLineEdit*>(QStringLiteral("id1034"))->isEnabled());
    EXPECT_TRUE(cwuitest::button(window, 1008)->isEnabled());
}

TEST(EnableRules, WindowStartsWithOnlyTheLoadersAndOption) {
    cwui::ScriptedDialogs dialogs;
    cwui::MainWindow window(dialogs);
    ASSERT_TRUE(window.engine().storesReady());
    EXPECT_EQ(cwuitest::flags(window.enableTable()), "11110000000001");
    EXPECT_EQ(window.statusText(1014), QStringLiteral("Levels are not loaded."));
    EXPECT_EQ(window.windowTitle(), QStringLiteral("Cratewise Ver7.3 by korrin (Aug/2021)"));
    EXPECT_FALSE(cwuitest::button(window, 1009)->isEnabled());
    EXPECT_TRUE(cwuitest::button(window, 1013)->isEnabled());
}

} // namespace
