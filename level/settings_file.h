#pragma once
// The user's settings: a small section/key/value text file and the values the window keeps in it.
#include <string>

namespace cw {

// A section/key/value text file ("[SECTION]" lines, "Key=Value" lines, other lines kept as they are).
// Every call reads the file afresh, so several objects on one path stay consistent.
class SettingsFile {
  public:
    explicit SettingsFile(std::string path);
    const std::string& path() const;
    // Value of key in section, matched without regard to case; `fallback` when the file, section or key is
    // missing. Spaces and tabs around the value are dropped.
    std::string readString(const std::string& section, const std::string& key,
                           const std::string& fallback) const;
    int readInt(const std::string& section, const std::string& key,
                int fallback) const; // decimal; fallback if not a number
    // Sets one key, keeping every other section, key, comment and blank line of the file; creates the
    // file, section or key when missing. Writes the value as it is (no escaping). Returns false and
    // leaves the file unchanged when it cannot be written (write to a temporary file beside it, then rename).
    bool writeString(const std::string& section, const std::string& key, const std::string& value);
    bool writeInt(const std::string& section, const std::string& key, int value);

  private:
    std::string path_;
};

struct Settings {
    int playAfter = 1;       // BATCH PlayAfter
    int output = 0;          // BATCH Output
    int wTrace = 0;          // BATCH wTrace
    int uTime = 600;         // OPTION uTime
    int speed = 3;           // OPTION Speed: 0 Slow, 1 Nomal, 2 Fast, 3 HighSpeed
    std::string inputFile;   // FILE InputFile: folder of the last level file followed by "/*"
    std::string inputFolder; // FILE InputFolder: folder above the last level folder, with a trailing "/"
    std::string outputFile;  // FILE OutputFile: folder of the result file followed by "/*"
};

// settingsFolder() + "/korrin.ini".
std::string settingsFilePath();

// Defaults for what is missing or unreadable; a speed outside 0 … 3 or a time limit below 1 counts as
// unreadable, so the window never sees a value it has no control for.
Settings readSettings(const SettingsFile& file);

// OK / Batch Start: PlayAfter, Output, wTrace (BATCH), uTime, Speed (OPTION); OutputFile = the result
// path up to and including its last "/" followed by "*", only when the path holds a "/".
// False when any of the writes failed.
bool writeOptions(SettingsFile& file, const Settings& s, const std::string& resultPath);

// After a level file was chosen: InputFile = the path up to and including its last "/" + "*" (only when it
// holds a "/"). True when there was nothing to write.
bool rememberInputFile(SettingsFile& file, const std::string& chosenFile);

// After a folder was chosen: InputFolder = the path up to and including its last "/" (only when it holds a
// "/"). True when there was nothing to write.
bool rememberInputFolder(SettingsFile& file, const std::string& chosenFolder);

// The folder part of a remembered "folder/*" value: the text up to and including its last "/" ("" when
// there is none), for starting file dialogs there.
std::string rememberedFolder(const std::string& value);

} // namespace cw
