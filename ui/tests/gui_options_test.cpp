// The "Option" dialog: what it shows, its enable rules, the save dialog and every Batch Start refusal.
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>

#include "gui_fixture.h"
#include "level/settings_file.h"
#include "ui/options_dialog.h"
#include "ui/scripted_dialogs.h"

namespace {

std::string readAll(const QString& path) {
    std::ifstream in(path.toStdString(), std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

class OptionsTest : public ::testing::Test {
  protected:
    std::unique_ptr<cwui::OptionsDialog> open(bool loaded = true) {
        const cwui::OptionsContext context{loaded, loaded ? "Sample" : "", loaded ? 6 : 0};
        return std::make_unique<cwui::OptionsDialog>(dialogs_, file_, settings_, resultPath_, context);
    }
    template <typename W> static W* child(cwui::OptionsDialog& d, int id) {
        return d.findChild<W*>(QStringLiteral("id%1").arg(id));
    }
    static void setRange(cwui::OptionsDialog& d, const char* from, const char* to) {
        child<QLineEdit>(d, 1035)->setText(QString::fromLatin1(from));
        child<QLineEdit>(d, 1036)->setText(QString::fromLatin1(to));
    }

    cwuitest::TempConfig config_;
    cwui::ScriptedDialogs dialogs_;
    cw::SettingsFile file_{cw::settingsFilePath()};
    cw::Settings settings_ = cw::readSettings(file_);
    std::string resultPath_ = settings_.outputFile;
};

TEST_F(OptionsTest, FreshInstallationShowsTheDefaults) {
    auto d = open();
    EXPECT_EQ(d->windowTitle(), QStringLiteral("Option"));
    EXPECT_EQ(child<QLineEdit>(*d, 1037)->text(), QStringLiteral("600"));
    EXPECT_TRUE(child<QRadioButton>(*d, 1041)->isChecked());
    EXPECT_TRUE(child<QCheckBox>(*d, 1031)->isChecked());
    EXPECT_FALSE(child<QCheckBox>(*d, 1032)->isChecked());
    for (int id : {1034, 1033, 1001}) EXPECT_FALSE(child<QWidget>(*d, id)->isEnabled()) << id;
    EXPECT_TRUE(child<QPushButton>(*d, 1002)->isEnabled());
    EXPECT_EQ(child<QLineEdit>(*d, 1035)->text(), QStringLiteral("1"));
    EXPECT_EQ(child<QLineEdit>(*d, 1036)->text(), QStringLiteral("6"));
    EXPECT_EQ(child<QLabel>(*d, 1014)->text(), QStringLiteral("Cratewise Ver7.3 by korrin (Aug/2021)"));
    EXPECT_EQ(child<QLabel>(*d, 1015)->text(), QStringLiteral("LevelSetName: Sample (6 levels)"));
    EXPECT_EQ(child<QLabel>(*d, 1016)->text(), QStringLiteral("MaxSize [50*50(64)] Memory 3.5GB"));
}

TEST_F(OptionsTest, WithoutLevelsOnlySpeedTimeAndOkRemain) {
    auto d = open(false);
    EXPECT_EQ(child<QLabel>(*d, 1015)->text(), QStringLiteral("              Levels are not loaded."));
    EXPECT_TRUE(child<QLabel>(*d, 1014)->text().isEmpty());
    for (int id : {1031, 1032, 1033, 1034, 1035, 1036, 1001, 1002})
        EXPECT_FALSE(child<QWidget>(*d, id)->isEnabled()) << id;
    EXPECT_TRUE(child<QWidget>(*d, 1037)->isEnabled());
    EXPECT_TRUE(child<QWidget>(*d, 1)->isEnabled());
}

TEST_F(OptionsTest, CheckBoxesDriveTheirControls) {
    auto d = open();
    auto* playAfter = child<QCheckBox>(*d, 1031);
    auto* output = child<QCheckBox>(*d, 1032);
    auto* start = child<QPushButton>(*d, 1002);
    playAfter->setChecked(false);
    EXPECT_FALSE(start->isEnabled()); // both unchecked: no batch to start
    output->setChecked(true);
    EXPECT_TRUE(start->isEnabled());
    for (int id : {1034, 1033, 1001}) EXPECT_TRUE(child<QWidget>(*d, id)->isEnabled()) << id;
    output->setChecked(false);
    EXPECT_FALSE(start->isEnabled());
    for (int id : {1034, 1033, 1001}) EXPECT_FALSE(child<QWidget>(*d, id)->isEnabled()) << id;
}

TEST_F(OptionsTest, RefusedStartsLeaveTheResultFileAndSettingsAlone) {
    const QString existing = config_.path() + QStringLiteral("/result.txt");
    std::ofstream(existing.toStdString()) << "earlier results\n";
    const QString unwritable = config_.path() + QStringLiteral("/missing/folder/result.txt");
    struct Case {
        const char* name;
        const char* from;
        const char* to;
        const char* time;
        bool useUnwritable;
        const char* kind; // the one message box shown
        QString text;
    } cases[] = {
        {"from after to", "4", "2", "600", false, "warning", cwui::OptionsDialog::EmptyRangeText},
        {"from zero", "0", "3", "600", false, "warning", cwui::OptionsDialog::EmptyRangeText},
        {"to zero", "1", "0", "600", false, "warning", cwui::OptionsDialog::EmptyRangeText},
        {"from negative", "-1", "3", "600", false, "warning", cwui::OptionsDialog::EmptyRangeText},
        {"zero time limit", "1", "3", "0", false, "warning", cwui::OptionsDialog::ZeroTimeText},
        {"unwritable path", "1", "3", "600", true, "error", QStringLiteral(" Can't open output file.")},
    };
    for (const auto& c : cases) {
        dialogs_.messages.clear();
        auto d = open();
        child<QCheckBox>(*d, 1032)->setChecked(true);
        child<QLineEdit>(*d, 1034)->setText(c.useUnwritable ? unwritable : existing);
        setRange(*d, c.from, c.to);
        child<QLineEdit>(*d, 1037)->setText(QString::fromLatin1(c.time));
        d->batchStart();
        EXPECT_NE(d->result(), QDialog::Accepted) << c.name;
        EXPECT_FALSE(d->batchRequested()) << c.name;
        EXPECT_EQ(d->takeResultFile(), nullptr) << c.name;
        EXPECT_EQ(readAll(existing), "earlier results\n") << c.name;
        EXPECT_FALSE(QFile::exists(QString::fromStdString(cw::settingsFilePath()))) << c.name;
        ASSERT_EQ(dialogs_.messages.size(), 1u) << c.name;
        EXPECT_EQ(dialogs_.messages[0].kind, QString::fromLatin1(c.kind)) << c.name;
        EXPECT_EQ(dialogs_.messages[0].text, c.text) << c.name;
    }
    EXPECT_EQ(settings_.output, 0);
    EXPECT_EQ(settings_.uTime, 600);
}

TEST_F(OptionsTest, AcceptedStartOpensTheFileAndSavesTheOptions) {
    const QString path = config_.path() + QStringLiteral("/result.txt");
    std::ofstream(path.toStdString()) << "earlier results\n";
    auto d = open();
    child<QCheckBox>(*d, 1032)->setChecked(true);
    child<QCheckBox>(*d, 1033)->setChecked(true);
    child<QCheckBox>(*d, 1031)->setChecked(false);
    child<QLineEdit>(*d, 1034)->setText(path);
    setRange(*d, "2", "5");
    child<QLineEdit>(*d, 1037)->setText(QStringLiteral("45"));
    child<QRadioButton>(*d, 1040)->setChecked(true);
    d->batchStart();
    EXPECT_EQ(d->result(), QDialog::Accepted);
    EXPECT_TRUE(d->batchRequested());
    EXPECT_EQ(d->rangeFrom(), 2);
    EXPECT_EQ(d->rangeTo(), 5);
    EXPECT_NE(d->takeResultFile(), nullptr);
    EXPECT_EQ(readAll(path), ""); // truncated for the batch's header
    EXPECT_EQ(resultPath_, path.toStdString());
    const cw::Settings saved = cw::readSettings(file_);
    EXPECT_EQ(saved.output, 1);
    EXPECT_EQ(saved.wTrace, 1);
    EXPECT_EQ(saved.playAfter, 0);
    EXPECT_EQ(saved.uTime, 45);
    EXPECT_EQ(saved.speed, 2);
    EXPECT_EQ(saved.outputFile, (config_.path() + QStringLiteral("/*")).toStdString());
}

TEST_F(OptionsTest, ZeroTimeLimitKeepsTheDialogOpenOnOk) {
    auto d = open();
    child<QLineEdit>(*d, 1037)->setText(QStringLiteral("0"));
    d->okPressed();
    EXPECT_NE(d->result(), QDialog::Accepted);
    EXPECT_FALSE(QFile::exists(QString::fromStdString(cw::settingsFilePath())));
    ASSERT_EQ(dialogs_.messages.size(), 1u); // says why instead of doing nothing
    EXPECT_EQ(dialogs_.messages[0].text, cwui::OptionsDialog::ZeroTimeText);
    child<QLineEdit>(*d, 1037)->setText(QStringLiteral("30"));
    d->okPressed();
    EXPECT_EQ(d->result(), QDialog::Accepted);
    EXPECT_FALSE(d->batchRequested());
    EXPECT_EQ(cw::readSettings(file_).uTime, 30);
}

TEST_F(OptionsTest, BrowseAddsTxtToANameWithoutADot) {
    struct Case {
        const char* chosen;
        const char* shown;
    } cases[] = {{"/tmp/results", "/tmp/results.txt"},
                 {"/tmp/results.log", "/tmp/results.log"},
                 {"/tmp/run.d/results", "/tmp/run.d/results.txt"}};
    for (const auto& c : cases) {
        auto d = open();
        child<QCheckBox>(*d, 1032)->setChecked(true);
        dialogs_.chosenPath = QString::fromLatin1(c.chosen);
        d->browse();
        EXPECT_EQ(child<QLineEdit>(*d, 1034)->text(), QString::fromLatin1(c.shown)) << c.chosen;
    }
    dialogs_.chosenPath.clear(); // cancelled: the field keeps its text
    auto d = open();
    child<QCheckBox>(*d, 1032)->setChecked(true);
    child<QLineEdit>(*d, 1034)->setText(QStringLiteral("/tmp/kept.txt"));
    d->browse();
    EXPECT_EQ(child<QLineEdit>(*d, 1034)->text(), QStringLiteral("/tmp/kept.txt"));
}

TEST_F(OptionsTest, AfterARestartTheFieldIsEmptyButBrowseStartsInTheRememberedFolder) {
    const QString folder = config_.path() + QStringLiteral("/out");
    ASSERT_TRUE(QDir().mkpath(folder));
    {
        auto d = open();
        child<QCheckBox>(*d, 1032)->setChecked(true);
        child<QLineEdit>(*d, 1034)->setText(folder + QStringLiteral("/r.txt"));
        d->batchStart();
        ASSERT_TRUE(d->batchRequested());
    }
    // A new process: settings and the result path as read from the file.
    settings_ = cw::readSettings(file_);
    resultPath_ = settings_.outputFile;
    auto d = open();
    EXPECT_TRUE(child<QCheckBox>(*d, 1032)->isChecked());
    EXPECT_TRUE(child<QLineEdit>(*d, 1034)->text().isEmpty());
    dialogs_.chosenPath.clear();
    d->browse();
    EXPECT_EQ(dialogs_.lastStart, folder + QStringLiteral("/"));
}

} // namespace
