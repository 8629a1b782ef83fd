// The settings file: reading with defaults, writing one key while keeping the rest, and the values the
// window remembers between runs.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <unistd.h>

#include "level/settings_file.h"
#include "tests/test_levels.h"

namespace {

namespace fs = std::filesystem;

// A fresh, empty folder for one test.
fs::path freshFolder(const std::string& name) {
    static const cwtest::ScratchDir scratch;
    const fs::path dir = scratch.path() / name;
    fs::remove_all(dir);
    fs::create_directories(dir);
    return dir;
}

void writeFile(const fs::path& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

TEST(SettingsFile, FreshFolderGivesDefaults) {
    const cw::SettingsFile file((freshFolder("fresh") / "korrin.ini").string());
    const cw::Settings s = cw::readSettings(file);
    EXPECT_EQ(s.playAfter, 1);
    EXPECT_EQ(s.output, 0);
    EXPECT_EQ(s.wTrace, 0);
    EXPECT_EQ(s.uTime, 600);
    EXPECT_EQ(s.speed, 3);
    EXPECT_EQ(s.inputFile, "");
    EXPECT_EQ(s.inputFolder, "");
    EXPECT_EQ(s.outputFile, "");
    EXPECT_EQ(file.readString("FILE", "InputFile", "none"), "none");
    EXPECT_FALSE(fs::exists(file.path())); // reading creates nothing
}

TEST(SettingsFile, OptionsRoundTripThroughAFreshFile) {
    const fs::path path = freshFolder("roundtrip") / "korrin.ini";
    cw::SettingsFile file(path.string());
    cw::Settings s;
    s.playAfter = 0;
    s.output = 1;
    s.wTrace = 1;
    s.uTime = 45;
    s.speed = 1;
    ASSERT_TRUE(cw::writeOptions(file, s, "/home/ann/results/run one.txt"));
    ASSERT_TRUE(cw::rememberInputFile(file, "/home/ann/levels/set.txt"));
    ASSERT_TRUE(cw::rememberInputFolder(file, "/home/ann/levels/numbered"));

    const cw::Settings back = cw::readSettings(cw::SettingsFile(path.string()));
    EXPECT_EQ(back.playAfter, 0);
    EXPECT_EQ(back.output, 1);
    EXPECT_EQ(back.wTrace, 1);
    EXPECT_EQ(back.uTime, 45);
    EXPECT_EQ(back.speed, 1);
    EXPECT_EQ(back.outputFile, "/home/ann/results/*");
    EXPECT_EQ(back.inputFile, "/home/ann/levels/*");
    EXPECT_EQ(back.inputFolder, "/home/ann/levels/");
    EXPECT_EQ(cwtest::readFile(path), "[BATCH]\nPlayAfter=0\nOutput=1\nwTrace=1\n\n"
                                      "[OPTION]\nuTime=45\nSpeed=1\n\n"
                                      "[FILE]\nOutputFile=/home/ann/results/*\nInputFile=/home/ann/levels/*\n"
                                      "InputFolder=/home/ann/levels/\n");
}

TEST(SettingsFile, WriteKeepsOtherSectionsKeysAndComments) {
    const fs::path path = freshFolder("keep") / "korrin.ini";
    writeFile(path, "; written by hand\n"
                    "[Window]\n"
                    "Left=40\n"
                    "\n"
                    "[option]\n"
                    "# time in seconds\n"
                    "UTIME = 90\n"
                    "Colour=blue\n"
                    "\n"
                    "[BATCH]\n"
                    "Extra=yes\n"
                    "\n"
                    "trailing text without equals\n");
    cw::SettingsFile file(path.string());
    ASSERT_TRUE(file.writeInt("OPTION", "uTime", 120));
    ASSERT_TRUE(file.writeInt("BATCH", "Output", 1));
    ASSERT_TRUE(file.writeString("FILE", "InputFile", "/data/*"));
    EXPECT_EQ(cwtest::readFile(path), "; written by hand\n"
                                      "[Window]\n"
                                      "Left=40\n"
                                      "\n"
                                      "[option]\n"
                                      "# time in seconds\n"
                                      "uTime=120\n"
                                      "Colour=blue\n"
                                      "\n"
                                      "[BATCH]\n"
                                      "Extra=yes\n"
                                      "\n"
                                      "trailing text without equals\n"
                                      "Output=1\n"
                                      "\n"
                                      "[FILE]\n"
                                      "InputFile=/data/*\n");
    EXPECT_EQ(file.readString("Window", "Left", ""), "40");
    EXPECT_EQ(file.readString("OPTION", "Colour", ""), "blue");
}

TEST(SettingsFile, KeyGoesBeforeTheBlankLinesThatEndItsSection) {
    const fs::path path = freshFolder("insert") / "korrin.ini";
    writeFile(path, "[BATCH]\r\nOutput=1\r\n\r\n[OPTION]\r\nSpeed=2\r\n");
    cw::SettingsFile file(path.string());
    ASSERT_TRUE(file.writeInt("BATCH", "wTrace", 1));
    EXPECT_EQ(cwtest::readFile(path), "[BATCH]\r\nOutput=1\r\nwTrace=1\r\n\r\n[OPTION]\r\nSpeed=2\r\n");
    EXPECT_EQ(file.readInt("OPTION", "Speed", 0), 2);
}

TEST(SettingsFile, SectionsAndKeysMatchWithoutRegardToCase) {
    const fs::path path = freshFolder("case") / "korrin.ini";
    writeFile(path, "[Batch]\nplayafter=0\n[OPTION]\nUTIME=77\n  [ File ]  \n  inputfile =  /x/y/*  \n");
    const cw::SettingsFile file(path.string());
    struct Case {
        const char* section;
        const char* key;
        const char* expected;
    };
    const Case cases[] = {
        {"BATCH", "PlayAfter", "0"},    {"batch", "PLAYAFTER", "0"},       {"OPTION", "uTime", "77"},
        {"Option", "Utime", "77"},      {"FILE", "InputFile", "/x/y/*"},   {"FILE", "Input", "fallback"},
        {"BATCH", "uTime", "fallback"}, {"NONE", "PlayAfter", "fallback"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(file.readString(c.section, c.key, "fallback"), c.expected) << c.section << " " << c.key;
    }
    EXPECT_EQ(cw::readSettings(file).playAfter, 0);
    EXPECT_EQ(cw::readSettings(file).uTime, 77);
}

TEST(SettingsFile, NumbersThatCannotBeReadGiveTheFallback) {
    const fs::path path = freshFolder("numbers") / "korrin.ini";
    writeFile(path, "[N]\na=12\nb=-3\nc=\nd=12x\ne=x\nf=99999999999\n"
                    "[OPTION]\nuTime=0\nSpeed=4\n[BATCH]\nOutput=yes\nwTrace=1\n");
    const cw::SettingsFile file(path.string());
    EXPECT_EQ(file.readInt("N", "a", 5), 12);
    EXPECT_EQ(file.readInt("N", "b", 5), -3);
    for (const char* key : {"c", "d", "e", "f", "missing"}) EXPECT_EQ(file.readInt("N", key, 5), 5) << key;
    const cw::Settings s = cw::readSettings(file);
    EXPECT_EQ(s.uTime, 600);
    EXPECT_EQ(s.speed, 3);
    EXPECT_EQ(s.output, 0);
    EXPECT_EQ(s.wTrace, 1);
}

TEST(SettingsFile, FailedWriteLeavesTheOldFileAlone) {
    const fs::path dir = freshFolder("unwritable");
    const fs::path path = dir / "korrin.ini";
    const std::string old = "[OPTION]\nuTime=30\n";
    writeFile(path, old);
    // The temporary file beside it cannot be made when a folder stands in its place.
    fs::create_directory(dir / "korrin.ini.tmp");
    cw::SettingsFile file(path.string());
    EXPECT_FALSE(file.writeInt("OPTION", "uTime", 60));
    EXPECT_FALSE(cw::writeOptions(file, cw::Settings{}, "/r/out.txt"));
    EXPECT_EQ(cwtest::readFile(path), old);
    EXPECT_TRUE(fs::is_directory(dir / "korrin.ini.tmp"));

    // A file inside a folder that does not exist is not created, nor is the folder.
    cw::SettingsFile nowhere((dir / "missing" / "korrin.ini").string());
    EXPECT_FALSE(nowhere.writeInt("OPTION", "uTime", 60));
    EXPECT_FALSE(fs::exists(dir / "missing"));
    EXPECT_EQ(cw::readSettings(nowhere).uTime, 600);
}

TEST(SettingsFile, ReadOnlyFolderRefusesTheWrite) {
    if (geteuid() == 0) GTEST_SKIP() << "permissions do not bind the superuser";
    const fs::path dir = freshFolder("readonly");
    const fs::path path = dir / "korrin.ini";
    const std::string old = "[BATCH]\nOutput=1\n";
    writeFile(path, old);
    fs::permissions(dir, fs::perms::owner_read | fs::perms::owner_exec);
    cw::SettingsFile file(path.string());
    EXPECT_FALSE(file.writeInt("BATCH", "Output", 0));
    fs::permissions(dir, fs::perms::owner_all);
    EXPECT_EQ(cwtest::readFile(path), old);
    EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 1);
}

TEST(RememberedPaths, DeriveFoldersFromChosenPaths) {
    struct Case {
        const char* chosen;
        const char* inputFile;   // "" when nothing is written
        const char* inputFolder; // "" when nothing is written
    };
    const Case cases[] = {
        {"/home/ann/levels/set.txt", "/home/ann/levels/*", "/home/ann/levels/"},
        {"/set.txt", "/*", "/"},
        {"rel/dir/x", "rel/dir/*", "rel/dir/"},
        {"plain.txt", "", ""},
    };
    int n = 0;
    for (const Case& c : cases) {
        const fs::path path = freshFolder("remember" + std::to_string(n++)) / "korrin.ini";
        cw::SettingsFile file(path.string());
        EXPECT_TRUE(cw::rememberInputFile(file, c.chosen));
        EXPECT_TRUE(cw::rememberInputFolder(file, c.chosen));
        EXPECT_EQ(file.readString("FILE", "InputFile", ""), c.inputFile) << c.chosen;
        EXPECT_EQ(file.readString("FILE", "InputFolder", ""), c.inputFolder) << c.chosen;
        EXPECT_EQ(fs::exists(path), *c.inputFile != '\0') << c.chosen;
    }
}

TEST(RememberedPaths, OutputFileOnlyWhenTheResultPathHasAFolder) {
    const fs::path path = freshFolder("output") / "korrin.ini";
    cw::SettingsFile file(path.string());
    ASSERT_TRUE(cw::writeOptions(file, cw::Settings{}, "result.txt"));
    EXPECT_EQ(file.readString("FILE", "OutputFile", "none"), "none");
    ASSERT_TRUE(cw::writeOptions(file, cw::Settings{}, "/tmp/out/result.txt"));
    EXPECT_EQ(file.readString("FILE", "OutputFile", "none"), "/tmp/out/*");
    ASSERT_TRUE(cw::writeOptions(file, cw::Settings{}, ""));
    EXPECT_EQ(file.readString("FILE", "OutputFile", "none"), "/tmp/out/*"); // kept from before
}

TEST(RememberedPaths, FolderOfARememberedValue) {
    EXPECT_EQ(cw::rememberedFolder("/home/ann/levels/*"), "/home/ann/levels/");
    EXPECT_EQ(cw::rememberedFolder("/home/ann/"), "/home/ann/");
    EXPECT_EQ(cw::rememberedFolder("/*"), "/");
    EXPECT_EQ(cw::rememberedFolder("*"), "");
    EXPECT_EQ(cw::rememberedFolder(""), "");
}

} // namespace
