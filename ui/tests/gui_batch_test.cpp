// Batch runs started from the window: the same result file as the command line, the completion box,
// LookIn, and cancelling.
#include <QCheckBox>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>

#include "gui_fixture.h"
#include "ui/main_window.h"
#include "ui/options_dialog.h"
#include "ui/scripted_dialogs.h"

namespace {

using cwuitest::button;

QString readAll(const QString& path) {
    std::ifstream in(path.toStdString(), std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return QString::fromStdString(text.str());
}

// Dates and the whole seconds of each level differ between two runs; everything else must not.
QString withoutTimes(QString text) {
    text.replace(QRegularExpression(QStringLiteral("\\d{4}/\\d\\d/\\d\\d \\d\\d:\\d\\d")),
                 QStringLiteral("YYYY/MM/DD hh:mm"));
    text.replace(QRegularExpression(QStringLiteral("\\)\\] *\\d+sec")), QStringLiteral(")]____sec"));
    return text;
}

// Both solver threads race, so either may find a level's solution: the move strings and their
// counts may differ from run to run (each was replay-checked by the driver, or the line would say so).
QString withoutSolutions(QString text) {
    text.replace(QRegularExpression(QStringLiteral(" *\\d+moves *\\d+pushes")),
                 QStringLiteral(" Nmoves Npushes"));
    text.replace(QRegularExpression(QStringLiteral("\t\t[^\n]*\n")), QString());
    return withoutTimes(text);
}

// Batch Start in the options dialog with a result file, the move strings and a level range.
std::function<void(cwui::OptionsDialog&)> startBatch(const QString& path, const char* from, const char* to,
                                                     bool playAfter) {
    return [=](cwui::OptionsDialog& d) {
        d.findChild<QCheckBox*>(QStringLiteral("id1031"))->setChecked(playAfter);
        d.findChild<QCheckBox*>(QStringLiteral("id1032"))->setChecked(true);
        d.findChild<QCheckBox*>(QStringLiteral("id1033"))->setChecked(true);
        d.findChild<QLineEdit*>(QStringLiteral("id1034"))->setText(path);
        d.findChild<QLineEdit*>(QStringLiteral("id1035"))->setText(QString::fromLatin1(from));
        d.findChild<QLineEdit*>(QStringLiteral("id1036"))->setText(QString::fromLatin1(to));
        d.batchStart();
    };
}

TEST(WindowBatch, WritesTheSameResultFileAsTheCommandLine) {
    cwuitest::TempConfig config;
    cwui::ScriptedDialogs dialogs;
    cwui::MainWindow window(dialogs);
    window.sampleCommand();
    const QString path = config.path() + QStringLiteral("/window.txt");
    dialogs.optionsScript = startBatch(path, "3", "5", true);
    button(window, 1013)->click();
    EXPECT_TRUE(window.batchRunning());
    EXPECT_EQ(button(window, 1013)->text(), QStringLiteral("Cancel"));
    EXPECT_EQ(cwuitest::flags(window.enableTable()), "00000000000001");
    EXPECT_TRUE(button(window, 1042)->isVisibleTo(&window));
    ASSERT_TRUE(cwuitest::waitForWorker(window, 300'000));

    EXPECT_FALSE(window.batchRunning());
    EXPECT_FALSE(window.playing());
    EXPECT_EQ(button(window, 1013)->text(), QStringLiteral("Option"));
    EXPECT_EQ(window.statusText(1020), QStringLiteral("3"));
    EXPECT_EQ(window.statusText(1031), QStringLiteral("0"));
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0].kind, QStringLiteral("information"));
    const QRegularExpression finished(
        QStringLiteral("^  Batch is finished\\.\n\n\\d{4}/\\d\\d/\\d\\d \\d\\d:\\d\\d "
                       "Start\n\\d{4}/\\d\\d/\\d\\d \\d\\d:\\d\\d Finish\n$"));
    EXPECT_TRUE(finished.match(dialogs.messages[0].text).hasMatch())
        << dialogs.messages[0].text.toStdString();
    // The last level's solution stays, with the viewer at its start.
    EXPECT_EQ(window.levelSet().levelNumber(), 5);
    EXPECT_GT(window.engine().trace().length, 0);
    EXPECT_EQ(window.boardView().moveIndex(), 0);

    button(window, 1042)->click();
    EXPECT_EQ(dialogs.openedPaths, QStringList{path});

    const QString cliPath = config.path() + QStringLiteral("/cli.txt");
    QProcess cli;
    cli.start(QStringLiteral(CRATEWISE_CLI),
              {QStringLiteral("batch"), QStringLiteral("--sample"), QStringLiteral("--from"),
               QStringLiteral("3"), QStringLiteral("--to"), QStringLiteral("5"), QStringLiteral("-t"),
               QStringLiteral("600"), QStringLiteral("--trace"), QStringLiteral("-o"), cliPath});
    ASSERT_TRUE(cli.waitForFinished(300'000));
    ASSERT_EQ(cli.exitCode(), 0);
    const QString ours = readAll(path);
    EXPECT_TRUE(ours.contains(QStringLiteral("# Solved:   3 levels")));
    EXPECT_EQ(withoutSolutions(ours).toStdString(), withoutSolutions(readAll(cliPath)).toStdString());
    EXPECT_TRUE(ours.contains(QStringLiteral("\t\t"))); // the move strings were written
}

TEST(WindowBatch, CancelWritesTheCancelLineAndTheCanceledBox) {
    cwuitest::TempConfig config;
    cwui::ScriptedDialogs dialogs;
    cwui::MainWindow window(dialogs);
    window.sampleCommand();
    const QString path = config.path() + QStringLiteral("/cancelled.txt");
    dialogs.optionsScript = startBatch(path, "1", "6", false);
    button(window, 1013)->click();
    ASSERT_TRUE(window.batchRunning());
    button(window, 1013)->click(); // "Cancel"
    ASSERT_TRUE(cwuitest::waitForWorker(window, 300'000));
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_TRUE(dialogs.messages[0].text.startsWith(QStringLiteral("  Batch is canceled.\n\n")));
    EXPECT_TRUE(dialogs.messages[0].text.endsWith(QStringLiteral(" Cancel\n")));
    const QString text = readAll(path);
    EXPECT_TRUE(text.contains(QStringLiteral("->Cancel\n"))) << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("# Solved:"))) << text.toStdString();
    EXPECT_EQ(cwuitest::flags(window.enableTable()).back(), '1');
    EXPECT_TRUE(button(window, 1001)->isEnabled());
}

} // namespace
