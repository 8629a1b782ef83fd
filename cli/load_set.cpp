#include "cli/load_set.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <system_error>

namespace cwcli {

namespace {

const char* const NotLoaded = "Levels are not loaded.";

bool readStream(std::FILE* in, std::string& text) {
    char chunk[4096];
    std::size_t got = 0;
    while ((got = std::fread(chunk, 1, sizeof chunk, in)) > 0) text.append(chunk, got);
    return std::ferror(in) == 0;
}

// Whether the file at path can be opened and read; sets error when not.
bool readable(const std::string& path, std::string& error) {
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) {
        error = "cannot read " + path + ": " + std::strerror(errno);
        return false;
    }
    char byte = 0;
    const bool ok = std::fread(&byte, 1, 1, file) == 1 || std::ferror(file) == 0;
    std::fclose(file);
    if (!ok) error = "cannot read " + path;
    return ok;
}

} // namespace

int loadSet(cw::LevelSet& set, const std::string& source, std::string& error) {
    error.clear();
    bool loaded = false;
    if (source.empty() || source == "--sample") {
        loaded = set.loadSample();
    } else if (source == "-") {
        std::string text;
        if (!readStream(stdin, text)) {
            error = "cannot read standard input";
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
            if (!readable(source, error)) {
                set.clear();
                return LoadUnreadable;
            }
            loaded = set.loadFile(source);
        }
    }
    if (!loaded) {
        error = NotLoaded;
        return LoadNoLevels;
    }
    return LoadOk;
}

} // namespace cwcli
