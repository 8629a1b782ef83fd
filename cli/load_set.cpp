#include "cli/load_set.h"

#include <unistd.h>

#include <filesystem>
#include <system_error>

namespace cwcli {

namespace {

const char* const NotLoaded = "Levels are not loaded.";

} // namespace

int loadSet(cw::LevelSet& set, const std::string& source, std::string& error) {
    error.clear();
    bool loaded = false;
    if (source.empty() || source == "--sample") {
        loaded = set.loadSample();
    } else if (source == "-") {
        std::string text;
        if (!cw::readAllLimited(STDIN_FILENO, "standard input", cw::MemoryTextLimit, text, error)) {
            set.clear();
            return LoadUnreadable;
        }
        loaded = set.loadPasted(text);
    } else {
        std::error_code code;
        if (std::filesystem::is_directory(source, code)) {
            std::filesystem::directory_iterator probe(source, code);
            if (code) {
                error = "cannot read " + source + ": " + code.message();
                set.clear();
                return LoadUnreadable;
            }
            loaded = set.loadFolder(source);
        } else {
            loaded = set.loadFile(source);
            if (!loaded && !set.loadError().empty()) {
                error = set.loadError();
                return LoadUnreadable;
            }
        }
    }
    if (!loaded) {
        error = NotLoaded;
        return LoadNoLevels;
    }
    return LoadOk;
}

} // namespace cwcli
