#include "level/settings_folder.h"

#include <cstdlib>
#include <filesystem>
#include <system_error>

namespace cw {

std::string settingsFolder() {
    const char* xdg = std::getenv("XDG_CONFIG_HOME");
    std::string folder;
    if (xdg != nullptr && *xdg != '\0') {
        folder = std::string(xdg) + "/korrin";
    } else {
        const char* home = std::getenv("HOME");
        folder = std::string(home != nullptr ? home : ".") + "/.config/korrin";
    }
    std::error_code ignored;
    std::filesystem::create_directories(folder, ignored);
    return folder;
}

std::string pasteFilePath() {
    return settingsFolder() + "/korrin.txt";
}

} // namespace cw
