// The window on a desktop: the live position during a run, whole levels fitted to the view, keys,
// the reasons given for refusals, goals out of the player's reach, the file types offered.
#include <QApplication>
#include <QDir>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <set>
#include <string>
#include <vector>

#include "gui_fixture.h"
#include "probes/engine_probe.h"
#include "tests/test_levels.h"
#include "ui/main_window.h"
#include "ui/scripted_dialogs.h"
#include "ui/text_dialog.h"

namespace {

using cwuitest::button;

void giveSolution(cw::Engine& engine, const std::string& moves, int pushes) {
    cw::Trace& trace = cw::EngineProbe::trace(engine);
    std::memcpy(trace.solutionText.data(), moves.data(), moves.size());
    trace.length = static_cast<int>(moves.size());
    trace.moveCount = static_cast<int>(moves.size());
    trace.pushCount = pushes;
}

// A w x h level: a walled room with the player in one corner and one box next to one goal.
std::string roomLevel(int w, int h) {
    std::string text;
    for (int y = 0; y < h; ++y) {
        std::string row(static_cast<std::size_t>(w), ' ');
        row.front() = row.back() = '#';
        if (y == 0 || y == h - 1) row.assign(static_cast<std::size_t>(w), '#');
        text += row + "\n";
    }
    const auto at = [&](int x, int y) -> char& { return text[static_cast<std::size_t>(y * (w + 1) + x)]; };
    at(1, 1) = '@';
    at(w / 2, h / 2) = '$';
    at(w / 2 + 1, h / 2) = '.';
    return text;
}

// The cells drawn with a box, as a key. Only the view is read: the engine's tables belong to the run.
std::string drawnBoxes(const cwui::MainWindow& window) {
    const cwui::BoardView& view = window.boardView();
    std::string key;
    for (int c = 0; c < view.boardWidth() * view.boardHeight(); ++c)
        if ((window.boardView().displayCell(c) & 2) != 0) key += std::to_string(c) + ",";
    return key;
}

class DesktopTest : public ::testing::Test {
  protected:
    QLineEdit* levelEdit() { return window_.findChild<QLineEdit*>(QStringLiteral("id1034")); }
    void paste(const std::string& text) { cwuitest::pasteLevels(window_, dialogs_, text); }

    cwuitest::TempConfig config_;
    cwui::ScriptedDialogs dialogs_;
    cwui::MainWindow window_{dialogs_};
};

TEST_F(DesktopTest, LivePositionReachesTheViewWhileTheRunGoesOn) {
    paste(cwtest::slowLevel());
    ASSERT_EQ(window_.engine().level().levelStatus, cw::Outcome::Ready);
    const std::string start = drawnBoxes(window_);
    button(window_, 1008)->click();
    std::set<std::string> seen;
    // Several different positions drawn while the worker still runs: they can only be the search's.
    const bool changed = cwuitest::waitUntil(
        [&] {
            if (!window_.workerRunning()) return true;
            const std::string now = drawnBoxes(window_);
            if (now != start) seen.insert(now);
            return seen.size() >= 3;
        },
        60'000);
    EXPECT_TRUE(changed);
    EXPECT_TRUE(window_.workerRunning()) << "the level was meant to keep thread two busy";
    EXPECT_GE(seen.size(), 3u);
    button(window_, 1008)->click(); // Cancel
    ASSERT_TRUE(cwuitest::waitForWorker(window_));
    EXPECT_EQ(window_.lastOutcome(), cw::Outcome::Cancel);
    // After the run the level is drawn at its start again.
    EXPECT_EQ(drawnBoxes(window_), start);
}

TEST(FittedTiles, SizeTable) {
    struct Case {
        int viewW, viewH, w, h, tile;
    } cases[] = {
        {768, 480, 5, 3, 24},    // a small level at the normal size: as ever
        {768, 480, 32, 20, 24},  // the normal view's cells exactly
        {768, 480, 33, 20, 23},  // one column more: smaller tiles instead of scrolling
        {768, 480, 50, 50, 9},   // the largest level fits whole
        {1575, 840, 50, 50, 16}, // in a maximised window
        {1575, 840, 5, 3, 42},   // a small level grows with the window, as far as the zoom of 24
        {300, 200, 50, 50, 8},   // never below 8: the view scrolls instead
    };
    for (const auto& c : cases)
        EXPECT_EQ(cwui::fittedTileSize(QSize(c.viewW, c.viewH), c.w, c.h), c.tile)
            << c.viewW << "x" << c.viewH << " for " << c.w << "x" << c.h;
}

TEST_F(DesktopTest, WholeLevelsFitTheNormalAndTheMaximisedWindow) {
    EXPECT_EQ(window_.size(), QSize(cwui::MainWindow::NormalWidth, cwui::MainWindow::NormalHeight));
    EXPECT_EQ(window_.minimumSize(), window_.size());
    EXPECT_EQ(window_.findChild<QWidget*>(QStringLiteral("id1030"))->geometry(), QRect(12, 88, 769, 481));
    window_.show(); // a hidden window is told of its new size only once shown
    paste(roomLevel(5, 3) + "\n" + roomLevel(50, 50));
    ASSERT_EQ(window_.levelSet().levelTotal(), 2);
    const cwui::BoardView& view = window_.boardView();
    struct Case {
        QSize window;
        int level;
        int tile;
    } cases[] = {{{793, 640}, 1, 24}, {{793, 640}, 2, 9}, {{1600, 1000}, 2, 16}, {{1600, 1000}, 1, 42}};
    for (const auto& c : cases) {
        window_.resize(c.window);
        levelEdit()->setText(QString::number(c.level));
        window_.goCommand();
        EXPECT_EQ(view.tileSize(), c.tile) << c.window.width() << " level " << c.level;
        const cw::Level& lv = window_.engine().level();
        // The whole level lies inside the view: its first and last cells are on screen.
        EXPECT_GE(view.offsets().column, 0);
        EXPECT_GE(view.offsets().row, 0);
        EXPECT_LE(view.offsets().column + lv.boardWidth, view.viewColumns());
        EXPECT_LE(view.offsets().row + lv.boardHeight, view.viewRows());
        EXPECT_EQ(view.buffer().size(),
                  window_.findChild<QWidget*>(QStringLiteral("id1030"))->size() - QSize(1, 1));
    }
    // Back at the normal size a small level is drawn where it always was: 24-pixel cells, centred.
    window_.resize(793, 640);
    levelEdit()->setText(QStringLiteral("1"));
    window_.goCommand();
    EXPECT_EQ(view.offsets(), (cwui::Offsets{13, 8}));
    EXPECT_EQ(view.cellOrigin(13, 8), QPoint(13 * 24, 8 * 24));
    EXPECT_EQ(window_.findChild<QWidget*>(QStringLiteral("id1023"))->geometry(), QRect(64, 578, 630, 14));
}

// A sheet of flat colours, one per tile, at a given tile size.
QImage flatSheet(int size) {
    QImage tiles(6 * size, 3 * size, QImage::Format_ARGB32_Premultiplied);
    QPainter p(&tiles);
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 6; ++c)
            p.fillRect(c * size, r * size, size, size, QColor(40 * c + 10, 80 * r + 10, 99));
    return tiles;
}

TEST(BoardScale, TilesAreDrawnInDevicePixelsAtHighScaleFactors) {
    cw::Level level;
    cw::LevelSet set(level, std::string());
    ASSERT_TRUE(set.loadPasted("#####\n#@$.#\n#####\n"));
    cwui::BoardView view(flatSheet(24), flatSheet(96));
    view.setViewSize(QSize(768, 480), 2.0);
    view.drawLevelAtStart(level, cw::Outcome::Ready);
    EXPECT_EQ(view.buffer().size(), QSize(1536, 960));
    EXPECT_EQ(view.tileSize(), 24);
    EXPECT_EQ(view.deviceTileSize(), 48);
    EXPECT_EQ(view.offsets(), (cwui::Offsets{13, 8}));
    // The box (tile 4,1) fills its whole 48-pixel cell, edge to edge.
    const QPoint box = view.cellOrigin(15, 9);
    EXPECT_EQ(box, QPoint(15 * 48, 9 * 48));
    for (QPoint p : {box + QPoint(1, 1), box + QPoint(46, 46), box + QPoint(24, 24)})
        EXPECT_EQ(view.buffer().pixelColor(p), QColor(40 * 4 + 10, 80 + 10, 99)) << p.x() << "," << p.y();
}

TEST_F(DesktopTest, GoalsOutOfThePlayersReachAreDrawnDimmed) {
    // The right-hand room is closed: its goal is outside for the player, but still a goal.
    paste(cwtest::rows({"#########", "#@$.#  .#", "#  $#   #", "#  .#####", "#########"}));
    const cw::Level& lv = window_.engine().level();
    const int lost = 1 * lv.boardWidth + 7;
    ASSERT_EQ(lv.levelCells[static_cast<std::size_t>(lost)], cw::CellOutside);
    EXPECT_EQ(window_.boardView().displayCell(lost), cwui::DisplayLostGoal);
    EXPECT_EQ(window_.boardView().displayCell(1 * lv.boardWidth + 3), cw::CellGoal);
    // Its pixel is neither a goal's nor the background's: the goal shows through, dimmed.
    const cwui::BoardView& view = window_.boardView();
    const QPoint at = view.cellOrigin(7 + view.offsets().column, 1 + view.offsets().row) + QPoint(12, 12);
    const QPoint goal = view.cellOrigin(3 + view.offsets().column, 3 + view.offsets().row) + QPoint(12, 12);
    const QPoint outside = view.cellOrigin(0, 0) + QPoint(12, 12);
    const QColor dim = view.buffer().pixelColor(at);
    EXPECT_NE(dim, view.buffer().pixelColor(goal));
    EXPECT_NE(dim, view.buffer().pixelColor(outside));
    EXPECT_GT(QColor(view.buffer().pixelColor(goal)).lightness(), dim.lightness());
}

TEST_F(DesktopTest, FileDialogOffersLevelFilesFirst) {
    window_.fileCommand();
    ASSERT_EQ(dialogs_.asked, QStringList{QStringLiteral("openFile")});
    EXPECT_EQ(dialogs_.lastFilter, QStringLiteral("Level files (*.xsb *.txt *.sok);;All files (*)"));
}

// ---- Keys.

class KeysTest : public DesktopTest {
  protected:
    void SetUp() override {
        window_.show();
        QApplication::setActiveWindow(&window_);
        ASSERT_TRUE(QTest::qWaitForWindowActive(&window_));
    }
    void press(const char* keys) {
        const QKeySequence seq(QString::fromLatin1(keys));
        const QKeyCombination k = seq[0];
        QWidget* target = QApplication::focusWidget() != nullptr ? QApplication::focusWidget() : &window_;
        QTest::keyClick(target, k.key(), k.keyboardModifiers());
    }
};

TEST_F(KeysTest, EveryShortcutRunsItsCommandAndShowsInTheTooltip) {
    struct Case {
        const char* keys;
        int buttonId; // whose tooltip names the keys; 0 for none
    } tips[] = {{"Ctrl+R", 1001}, {"Ctrl+T", 1002}, {"Ctrl+O", 1003}, {"Ctrl+Shift+O", 1004},
                {"PgUp", 1005},   {"PgDown", 1007}, {"F5", 1008},     {"Home", 1009},
                {"Left", 1010},   {"Space", 1011},  {"Right", 1012},  {"Ctrl+,", 1013}};
    for (const auto& t : tips) {
        const QString native = QKeySequence(QString::fromLatin1(t.keys)).toString(QKeySequence::NativeText);
        EXPECT_TRUE(button(window_, t.buttonId)->toolTip().endsWith(QStringLiteral("(%1)").arg(native)))
            << t.keys << ": " << button(window_, t.buttonId)->toolTip().toStdString();
    }

    press("Ctrl+R");
    EXPECT_EQ(window_.levelSet().levelSetName(), "Sample");
    press("PgDown");
    EXPECT_EQ(window_.levelSet().levelNumber(), 2);
    press("PgUp");
    EXPECT_EQ(window_.levelSet().levelNumber(), 1);
    press("PgUp"); // Prev is disabled on level 1: nothing happens
    EXPECT_EQ(window_.levelSet().levelNumber(), 1);
    press("Ctrl+T");
    EXPECT_EQ(dialogs_.textRuns, 1);
    press("Ctrl+O");
    press("Ctrl+Shift+O");
    EXPECT_EQ(dialogs_.asked, (QStringList{QStringLiteral("openFile"), QStringLiteral("chooseFolder")}));
    press("Ctrl+,");
    EXPECT_EQ(dialogs_.optionsRuns, 1);
    press("F1");
    ASSERT_EQ(dialogs_.messages.size(), 1u);
    EXPECT_EQ(dialogs_.messages[0].kind, QStringLiteral("information"));
    EXPECT_TRUE(dialogs_.messages[0].text.contains(QStringLiteral("Ctrl+Shift+O")));
    EXPECT_TRUE(dialogs_.messages[0].text.contains(QStringLiteral("Failed (Timeout)")));
    EXPECT_TRUE(dialogs_.messages[0].text.contains(QStringLiteral("Irregular")));

    levelEdit()->setText(QStringLiteral("6"));
    window_.goCommand();
    button(window_, 1012)->setFocus(); // away from the level-number edit, which keeps its own keys
    press("F5");
    EXPECT_TRUE(window_.solving());
    press("F5"); // Cancel
    ASSERT_TRUE(cwuitest::waitForWorker(window_));
    EXPECT_EQ(window_.lastOutcome(), cw::Outcome::Cancel);
    ASSERT_EQ(dialogs_.messages.size(), 2u);
    EXPECT_EQ(dialogs_.messages[1].text, QStringLiteral(" Canceled          "));

    press("Ctrl+Q");
    EXPECT_FALSE(window_.isVisible());
}

TEST_F(KeysTest, ArrowsStepTheSolutionWithoutMovingTheFocus) {
    paste(cwtest::rows({"#######", "#@  $.#", "#######"}));
    giveSolution(window_.engine(), "rrR", 1);
    window_.topCommand();
    QPushButton* forward = button(window_, 1012);
    forward->setFocus();
    ASSERT_EQ(QApplication::focusWidget(), forward);
    struct Step {
        const char* keys;
        int moveIndex;
    } steps[] = {{"Right", 1}, {"Right", 2}, {"Left", 1}, {"Down", 1}, {"Up", 1},
                 {"Right", 2}, {"Home", 0},  {"Left", 0}, {"Right", 1}};
    for (const auto& s : steps) {
        press(s.keys);
        EXPECT_EQ(window_.boardView().moveIndex(), s.moveIndex) << s.keys;
        EXPECT_EQ(QApplication::focusWidget(), forward) << s.keys;
    }
    press("Space");
    EXPECT_TRUE(window_.playing());
    ASSERT_TRUE(cwuitest::waitUntil([this] { return !window_.playing(); }, 5000));
    EXPECT_EQ(window_.boardView().moveIndex(), 3); // "->" is disabled at the end, and loses the focus
}

// ---- Reasons.

TEST_F(DesktopTest, PastedBlocksThatAreNotLevelsAreCountedWithTheFirstReason) {
    struct Case {
        std::string text;
        const char* setLine;
        const char* reason;
    } cases[] = {
        {cwtest::rows({"#####", "#@$.#", "#####", "",       "#####",  "#@$ #", "#####",
                       "",      "#####", "#@@.#", "#$  #",  "#####",  "",      "#####",
                       "#@$.#", "#####", "",      "######", "#@ $.#", "######"}),
         "TextBox (3 levles)", "2 blocks dropped, the first: no goal"},
        {cwtest::rows({"#####", "#@$.#", "#####", "", "##", "##"}), "TextBox",
         "1 block dropped: fewer than 3 rows"},
        {cwtest::rows({"#####", "#@$.#", "#####"}), "TextBox", ""},
    };
    for (const auto& c : cases) {
        paste(c.text);
        EXPECT_EQ(window_.statusText(1014), QString::fromLatin1(c.setLine));
        EXPECT_EQ(window_.reasonText(), QString::fromLatin1(c.reason));
    }
    // The note belongs to the load: selecting another level ends it.
    paste(cases[0].text);
    window_.nextCommand();
    EXPECT_TRUE(window_.reasonText().isEmpty());
}

TEST_F(DesktopTest, PasteWithoutALevelKeepsTheEarlierSet) {
    dialogs_.textScript = [](cwui::TextDialog& dialog) { dialog.okPressed(); }; // OK on an empty field
    window_.textCommand();
    dialogs_.textScript = nullptr;
    EXPECT_EQ(window_.statusText(1014), QStringLiteral("Levels are not loaded."));
    EXPECT_EQ(window_.reasonText(), QStringLiteral("nothing was pasted: the text is empty"));
    paste("just a title\n");
    EXPECT_EQ(window_.statusText(1014), QStringLiteral("Load Error!!"));
    EXPECT_EQ(window_.reasonText(),
              QStringLiteral("no level in the pasted text: no line of it is a map line"));

    window_.sampleCommand();
    levelEdit()->setText(QStringLiteral("3"));
    window_.goCommand();
    const QString setLine = window_.statusText(1014);
    paste(cwtest::rows({"#####", "#@+.#", "#$$ #", "#####"}));
    EXPECT_EQ(window_.levelSet().levelSetName(), "Sample");
    EXPECT_EQ(window_.levelSet().levelNumber(), 3);
    EXPECT_EQ(window_.statusText(1014), setLine);
    EXPECT_EQ(window_.reasonText(),
              QStringLiteral("Load Error!! no level in the pasted text (1 block dropped: "
                             "two players); the earlier set is kept"));
    EXPECT_EQ(cwuitest::flags(window_.enableTable()).substr(0, 4), "1111");
}

TEST_F(DesktopTest, FileLoadErrorsSayWhy) {
    const QString folder = config_.path() + QStringLiteral("/files");
    ASSERT_TRUE(QDir().mkpath(folder));
    std::ofstream((folder + QStringLiteral("/empty.txt")).toStdString());
    std::ofstream((folder + QStringLiteral("/nobox.xsb")).toStdString()) << "Title\n#####\n#@ .#\n#####\n";
    struct Case {
        QString path;
        QString reason; // the start of the reason line
    } cases[] = {
        {folder + QStringLiteral("/empty.txt"), QStringLiteral("the file empty.txt is empty")},
        {folder + QStringLiteral("/nobox.xsb"),
         QStringLiteral("no level in nobox.xsb (1 block dropped: no box)")},
        {folder + QStringLiteral("/missing.txt"),
         QStringLiteral("cannot read %1/missing.txt: No such file or directory").arg(folder)},
        {folder, QStringLiteral("cannot read %1: it is a folder").arg(folder)},
    };
    for (const auto& c : cases) {
        dialogs_.chosenPath = c.path;
        window_.fileCommand();
        EXPECT_EQ(window_.statusText(1014), QStringLiteral("Load Error!!")) << c.path.toStdString();
        EXPECT_EQ(window_.reasonText(), c.reason);
    }
    dialogs_.chosenPath = folder;
    window_.folderCommand();
    EXPECT_EQ(window_.statusText(1014), QStringLiteral("Load Error!!"));
    EXPECT_TRUE(window_.reasonText().startsWith(QStringLiteral("no level in the folder")))
        << window_.reasonText().toStdString();
}

TEST_F(DesktopTest, RefusedLevelsSayWhatTheParserFound) {
    struct Case {
        std::string text;
        const char* state;
        const char* reason;
    } cases[] = {
        {cwtest::rows({"#####", "#$ .#", "#@  #", "#####"}), "Impossible",
         "Impossible: a box that can never be pushed stands off a goal (column 2, row 2)"},
        {cwtest::rows({"######", "#@$ .#", "#   .#", "######"}), "Irregular",
         "Irregular: the numbers of boxes and goals differ (1 box, 2 goals)"},
        {cwtest::rows({"#####", "#@$.#", "#   ", "#####"}), "Irregular",
         "Irregular: an open side: the player can walk to the edge of the map (column 5, row 3)"},
        {cwtest::rows({"#####", "#@$.#", "#####"}), "", ""},
    };
    for (const auto& c : cases) {
        paste(c.text);
        EXPECT_EQ(window_.statusText(1016), QString::fromLatin1(c.state));
        EXPECT_EQ(window_.reasonText(), QString::fromLatin1(c.reason));
    }
}

TEST_F(DesktopTest, LookInWithoutAFileOpenerSaysSo) {
    dialogs_.openerInstalled = false;
    window_.lookInCommand();
    ASSERT_EQ(dialogs_.messages.size(), 1u);
    EXPECT_EQ(dialogs_.messages[0].kind, QStringLiteral("warning"));
    EXPECT_TRUE(dialogs_.messages[0].text.startsWith(QStringLiteral("No program to open the result file")));
    dialogs_.openerInstalled = true;
    window_.lookInCommand();
    EXPECT_EQ(dialogs_.messages.size(), 1u);
    EXPECT_EQ(dialogs_.openedPaths.size(), 2);
}

} // namespace
