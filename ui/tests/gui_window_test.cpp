// The main window's commands: level selection, solving through the worker thread and its outcomes,
// the trace viewer, the text dialog, settings across a restart and shutdown.
#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <string>

#include "gui_fixture.h"
#include "level/settings_folder.h"
#include "probes/engine_probe.h"
#include "tests/test_levels.h"
#include "ui/main_window.h"
#include "ui/number_edit.h"
#include "ui/options_dialog.h"
#include "ui/scripted_dialogs.h"
#include "ui/text_dialog.h"

namespace {

using cwuitest::button;

// Three small levels that differ in width, so the level line tells them apart.
std::string threeLevels() {
    return cwtest::rows(
        {"#####", "#@$.#", "#####", "", "######", "#@ $.#", "######", "", "#######", "#@  $.#", "#######"});
}

// Puts a solution into the engine as a finished run would.
void giveSolution(cw::Engine& engine, const std::string& moves, int pushes) {
    cw::Trace& trace = cw::EngineProbe::trace(engine);
    std::memcpy(trace.solutionText.data(), moves.data(), moves.size());
    trace.length = static_cast<int>(moves.size());
    trace.moveCount = static_cast<int>(moves.size());
    trace.pushCount = pushes;
}

class WindowTest : public ::testing::Test {
  protected:
    QLineEdit* levelEdit() { return window_.findChild<QLineEdit*>(QStringLiteral("id1034")); }

    cwuitest::TempConfig config_;
    cwui::ScriptedDialogs dialogs_;
    cwui::MainWindow window_{dialogs_};
};

TEST_F(WindowTest, GoClampsToTheLevelsOfTheSet) {
    cwuitest::pasteLevels(window_, dialogs_, threeLevels());
    ASSERT_EQ(window_.levelSet().levelTotal(), 3);
    EXPECT_EQ(window_.statusText(1014), QStringLiteral("TextBox (3 levles)"));
    struct Case {
        const char* typed;
        int level;
    } cases[] = {{"2", 2}, {"0", 1}, {"3", 3}, {"-4", 1}, {"99", 3}, {"123456", 3}, {"", 1}};
    for (const auto& c : cases) {
        levelEdit()->setText(QString::fromLatin1(c.typed));
        button(window_, 1006)->click();
        EXPECT_EQ(window_.levelSet().levelNumber(), c.level) << c.typed;
        EXPECT_EQ(levelEdit()->text(), QString::number(c.level)) << c.typed;
    }
    EXPECT_EQ(window_.statusText(1015), QStringLiteral("   1 [ 5* 3(  1)]"));
}

TEST_F(WindowTest, SelectingALevelClearsTheSolution) {
    cwuitest::pasteLevels(window_, dialogs_, threeLevels());
    using Step = void (cwui::MainWindow::*)();
    const Step steps[] = {&cwui::MainWindow::nextCommand, &cwui::MainWindow::prevCommand,
                          &cwui::MainWindow::goCommand};
    for (Step step : steps) {
        giveSolution(window_.engine(), "rR", 1);
        window_.applyEnableRules();
        ASSERT_TRUE(button(window_, 1011)->isEnabled());
        levelEdit()->setText(QStringLiteral("2"));
        (window_.*step)();
        EXPECT_EQ(window_.engine().trace().length, 0);
        EXPECT_EQ(window_.engine().trace().moveCount, 0);
        EXPECT_FALSE(button(window_, 1011)->isEnabled());
        EXPECT_TRUE(window_.statusText(1018).isEmpty());
    }
}

TEST_F(WindowTest, SolveOnASolvedLevelOpensTheResultInstead) {
    cwuitest::pasteLevels(window_, dialogs_, threeLevels());
    giveSolution(window_.engine(), "R", 1);
    window_.applyEnableRules();
    const int runsBefore = dialogs_.textRuns;
    QString label;
    dialogs_.textScript = [&label](cwui::TextDialog& dialog) {
        EXPECT_EQ(dialog.mode(), cwui::TextDialog::ResultMode);
        EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Result"));
        label = dialog.findChild<QWidget*>(QStringLiteral("id1014"))->property("text").toString();
    };
    button(window_, 1008)->click();
    EXPECT_EQ(dialogs_.textRuns, runsBefore + 1);
    EXPECT_FALSE(window_.solving());
    EXPECT_FALSE(window_.workerRunning());
    EXPECT_EQ(label, QStringLiteral("Solved     1moves    1pushes"));
}

TEST_F(WindowTest, RealSolveEndsWithTheResultAndNoWarning) {
    window_.sampleCommand();
    levelEdit()->setText(QStringLiteral("4"));
    window_.goCommand();
    EXPECT_TRUE(window_.statusText(1014).startsWith(QStringLiteral("Sample (6levels)   ")));
    std::string shownLabel;
    dialogs_.textScript = [&shownLabel](cwui::TextDialog& dialog) {
        shownLabel =
            dialog.findChild<QWidget*>(QStringLiteral("id1014"))->property("text").toString().toStdString();
    };
    button(window_, 1008)->click();
    EXPECT_TRUE(window_.solving());
    EXPECT_EQ(button(window_, 1008)->text(), QStringLiteral("Cancel"));
    EXPECT_EQ(cwuitest::flags(window_.enableTable()), "00000000100000");
    ASSERT_TRUE(cwuitest::waitForWorker(window_));
    EXPECT_EQ(window_.lastOutcome(), cw::Outcome::Solved);
    EXPECT_TRUE(dialogs_.messages.empty());
    EXPECT_EQ(dialogs_.textRuns, 1);
    const cw::Trace& t = window_.engine().trace();
    ASSERT_GT(t.moveCount, 0);
    char expected[64];
    std::snprintf(expected, sizeof expected, "Solved%6dmoves%5dpushes", t.moveCount, t.pushCount);
    EXPECT_EQ(shownLabel, expected);
    EXPECT_EQ(window_.statusText(1018), QStringLiteral("0/%1m").arg(t.moveCount));
    EXPECT_EQ(button(window_, 1008)->text(), QStringLiteral("Solve"));
    EXPECT_TRUE(button(window_, 1011)->isEnabled());
    EXPECT_FALSE(button(window_, 1009)->isEnabled());
    EXPECT_EQ(window_.boardView().moveIndex(), 0);
}

TEST_F(WindowTest, CancelledSolveShowsOneWarning) {
    window_.sampleCommand();
    levelEdit()->setText(QStringLiteral("6"));
    window_.goCommand();
    button(window_, 1008)->click();
    button(window_, 1008)->click(); // "Cancel"
    ASSERT_TRUE(cwuitest::waitForWorker(window_));
    ASSERT_EQ(dialogs_.messages.size(), 1u);
    EXPECT_EQ(dialogs_.messages[0].kind, QStringLiteral("warning"));
    EXPECT_EQ(dialogs_.messages[0].text, QStringLiteral(" Canceled          "));
    EXPECT_EQ(dialogs_.textRuns, 0);
    EXPECT_EQ(window_.engine().trace().length, 0);
}

TEST(WindowOutcomes, EveryOutcomeButSolvedShowsExactlyOneWarning) {
    cwuitest::TempConfig config;
    struct Case {
        int outcome;
        const char* text;
    } cases[] = {{3, " Canceled          "},  {7, " Impossible        "},  {9, " Failed            "},
                 {10, " Failed (Timeout)  "}, {11, " Failed (TraceMiss)"}, {2, " Failed (?)"},
                 {0, " Failed (?)"}};
    for (const auto& c : cases) {
        cwui::ScriptedDialogs dialogs;
        // The run leaves a partial string behind; a failed run must not keep it.
        cwui::MainWindow window(dialogs, [&c](cw::Engine& engine) {
            giveSolution(engine, "rr", 0);
            return static_cast<cw::Outcome>(c.outcome);
        });
        cwuitest::pasteLevels(window, dialogs, threeLevels());
        const int runsBefore = dialogs.textRuns;
        button(window, 1008)->click();
        ASSERT_TRUE(cwuitest::waitForWorker(window));
        ASSERT_EQ(dialogs.messages.size(), 1u) << c.outcome;
        EXPECT_EQ(dialogs.messages[0].kind, QStringLiteral("warning"));
        EXPECT_EQ(dialogs.messages[0].text, QString::fromLatin1(c.text)) << c.outcome;
        EXPECT_EQ(dialogs.textRuns, runsBefore);
        EXPECT_EQ(window.engine().trace().length, 0);
        EXPECT_FALSE(button(window, 1011)->isEnabled());
        EXPECT_TRUE(button(window, 1008)->isEnabled());
    }
}

TEST_F(WindowTest, PlayRunsToTheEndAndPlayAtTheEndStopsAtOnce) {
    cwuitest::pasteLevels(window_, dialogs_, threeLevels());
    levelEdit()->setText(QStringLiteral("3"));
    window_.goCommand();
    giveSolution(window_.engine(), "rrR", 1);
    window_.topCommand();
    button(window_, 1011)->click();
    EXPECT_TRUE(window_.playing());
    EXPECT_EQ(button(window_, 1011)->text(), QStringLiteral("Pause"));
    EXPECT_EQ(cwuitest::flags(window_.enableTable()), "00000000000100");
    ASSERT_TRUE(cwuitest::waitUntil([this] { return !window_.playing(); }, 5000));
    EXPECT_EQ(window_.boardView().moveIndex(), 3);
    EXPECT_EQ(window_.statusText(1018), QStringLiteral("3/3m"));
    EXPECT_EQ(window_.statusText(1019), QStringLiteral("1/1p"));
    EXPECT_EQ(button(window_, 1011)->text(), QStringLiteral("Play"));
    EXPECT_FALSE(button(window_, 1011)->isEnabled());

    window_.playCommand(); // at the end already
    ASSERT_TRUE(cwuitest::waitUntil([this] { return !window_.playing(); }, 2000));
    EXPECT_EQ(window_.boardView().moveIndex(), 3);

    window_.stepBackCommand();
    window_.stepBackCommand();
    window_.stepBackCommand();
    EXPECT_EQ(window_.boardView().moveIndex(), 0);
    EXPECT_EQ(window_.boardView().lastFacing(), 0);
    EXPECT_EQ(window_.statusText(1018), QStringLiteral("0/3m"));
}

TEST(WindowSettings, SurviveARestart) {
    cwuitest::TempConfig config;
    {
        cwui::ScriptedDialogs dialogs;
        cwui::MainWindow window(dialogs);
        EXPECT_EQ(window.settings().uTime, 600);
        EXPECT_EQ(window.settings().speed, 3);
        dialogs.optionsScript = [](cwui::OptionsDialog& dialog) {
            dialog.findChild<QLineEdit*>(QStringLiteral("id1037"))->setText(QStringLiteral("77"));
            dialog.findChild<QRadioButton*>(QStringLiteral("id1038"))->setChecked(true);
            dialog.okPressed();
        };
        window.optionCommand();
        EXPECT_EQ(window.settings().uTime, 77);
    }
    EXPECT_TRUE(QFile::exists(config.settingsFolder() + QStringLiteral("/korrin.ini")));
    cwui::ScriptedDialogs dialogs;
    cwui::MainWindow window(dialogs);
    EXPECT_EQ(window.settings().uTime, 77);
    EXPECT_EQ(window.settings().speed, 0);
    QString shownTime;
    bool slowChecked = false;
    dialogs.optionsScript = [&](cwui::OptionsDialog& dialog) {
        shownTime = dialog.findChild<QLineEdit*>(QStringLiteral("id1037"))->text();
        slowChecked = dialog.findChild<QRadioButton*>(QStringLiteral("id1038"))->isChecked();
    };
    window.optionCommand();
    EXPECT_EQ(shownTime, QStringLiteral("77"));
    EXPECT_TRUE(slowChecked);
}

// A level of 10 rows, about 110 characters, numbered by the position of its box.
std::string numberedLevel(int n) {
    std::string text = "##########\n#@       #\n";
    for (int r = 0; r < 6; ++r) {
        std::string row = "#        #\n";
        if (r == 2) row[static_cast<std::size_t>(1 + n % 8)] = '$';
        if (r == 4) row[static_cast<std::size_t>(1 + n % 8)] = '.';
        text += row;
    }
    text += "#        #\n##########\n\n";
    return text;
}

TEST_F(WindowTest, PasteLongerThanTheTextBufferLoadsEveryLevel) {
    std::string text;
    int count = 0;
    while (text.size() < 20'000) text += numberedLevel(count++);
    ASSERT_GT(text.size(), static_cast<std::size_t>(cw::TextBufferBytes));
    cwuitest::pasteLevels(window_, dialogs_, text);
    EXPECT_EQ(window_.levelSet().levelTotal(), count);
    EXPECT_EQ(window_.statusText(1014), QStringLiteral("TextBox (%1 levles)").arg(count));
    levelEdit()->setText(QString::number(count));
    window_.goCommand();
    EXPECT_EQ(window_.levelSet().levelNumber(), count);
    EXPECT_EQ(window_.engine().level().levelStatus, cw::Outcome::Ready);
}

TEST_F(WindowTest, EmptyPasteOrCloseBoxChangesNothing) {
    dialogs_.textScript = [](cwui::TextDialog& dialog) { dialog.okPressed(); };
    window_.textCommand();
    EXPECT_EQ(window_.levelSet().levelTotal(), 0);
    EXPECT_EQ(window_.statusText(1014), QStringLiteral("Levels are not loaded."));

    window_.sampleCommand();
    window_.textCommand(); // OK on an empty field
    EXPECT_EQ(window_.levelSet().levelTotal(), 6);
    QApplication::clipboard()->setText(QString::fromStdString(threeLevels()));
    dialogs_.textScript = [](cwui::TextDialog& dialog) { dialog.pasteFromClipboard(); }; // then the close box
    window_.textCommand();
    EXPECT_EQ(window_.levelSet().levelSetName(), "Sample");
    EXPECT_EQ(window_.levelSet().levelTotal(), 6);
    EXPECT_EQ(dialogs_.textRuns, 3);
}

TEST_F(WindowTest, TextWithoutLevelsIsALoadError) {
    // With no set loaded before (an earlier set would be kept, see gui_desktop_test).
    cwuitest::pasteLevels(window_, dialogs_, "no level here\n");
    EXPECT_EQ(window_.statusText(1014), QStringLiteral("Load Error!!"));
    EXPECT_TRUE(window_.statusText(1015).isEmpty());
    EXPECT_TRUE(levelEdit()->text().isEmpty());
    EXPECT_EQ(window_.statusText(1017), QStringLiteral("0 sec"));
    EXPECT_EQ(cwuitest::flags(window_.enableTable()), "11110000000001");
}

TEST_F(WindowTest, FileCommandLoadsAndRemembersTheFolder) {
    const QString folder = config_.path() + QStringLiteral("/levels");
    ASSERT_TRUE(QDir().mkpath(folder));
    const QString path = folder + QStringLiteral("/garden.v2.txt");
    std::ofstream(path.toStdString()) << threeLevels();
    dialogs_.chosenPath = path;
    window_.fileCommand();
    EXPECT_EQ(window_.levelSet().levelTotal(), 3);
    EXPECT_EQ(window_.levelSet().levelSetName(), "garden.v2");
    EXPECT_EQ(window_.settings().inputFile, (folder + QStringLiteral("/*")).toStdString());
    window_.fileCommand();
    EXPECT_EQ(dialogs_.lastStart, folder + QStringLiteral("/"));
}

TEST(TextDialog, ResultOfOneHundredMovesShowsTwoLinesOfFifty) {
    struct Case {
        int letters;
        bool traceOver;
        const char* lines; // line lengths, then the marker line when cut short
    } cases[] = {{100, false, "50,50"}, {120, false, "50,50,20"}, {50, true, "50,[TraceOver]"}};
    for (const auto& c : cases) {
        cwui::TextDialog dialog(cwui::TextDialog::ResultMode);
        std::string moves;
        for (int i = 0; i < c.letters; ++i) moves += "urdlURDL"[i % 8];
        dialog.showResult(moves, c.traceOver, c.letters, c.letters / 2);
        const QStringList lines = dialog.resultText().split(u'\n', Qt::SkipEmptyParts);
        QStringList described;
        for (const QString& line : lines)
            described << (line.startsWith(u'[') ? line : QString::number(line.size()));
        EXPECT_EQ(described.join(u','), QString::fromLatin1(c.lines)) << c.letters;
        EXPECT_EQ(lines.join(QString()).left(c.letters), QString::fromStdString(moves));
        dialog.copyToClipboard();
        EXPECT_EQ(QApplication::clipboard()->text(), dialog.resultText());
    }
}

TEST(WindowShutdown, DeletesTheScratchFileAndWaitsForARunningSolve) {
    cwuitest::TempConfig config;
    const std::string scratch = cw::pasteFilePath();
    {
        cwui::ScriptedDialogs dialogs;
        cwui::MainWindow window(dialogs);
        std::string text;
        for (int i = 0; text.size() < 15'000; ++i) text += numberedLevel(i);
        cwuitest::pasteLevels(window, dialogs, text);
        EXPECT_TRUE(QFile::exists(QString::fromStdString(scratch)));
        window.sampleCommand();
        {
            auto* edit = window.findChild<QLineEdit*>(QStringLiteral("id1034"));
            edit->setText(QStringLiteral("6"));
        }
        window.goCommand();
        button(window, 1008)->click();
        EXPECT_TRUE(window.workerRunning());
    }
    EXPECT_FALSE(QFile::exists(QString::fromStdString(scratch)));
}

} // namespace
