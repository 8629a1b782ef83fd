#include "tests/test_levels.h"

#include <stdlib.h>

#include <fstream>
#include <sstream>

#include "level/parser.h"

namespace cwtest {

std::string rows(std::initializer_list<const char*> lines) {
    std::string text;
    for (const char* line : lines) {
        text += line;
        text += '\n';
    }
    return text;
}

int load(cw::Level& level, std::string text) {
    level.levelStatus = cw::parseLevel(level, text.data(), cw::ParseFull);
    return level.levelStatus;
}

ScratchDir::ScratchDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "cratewise-test-XXXXXX").string();
    if (mkdtemp(pattern.data()) != nullptr) path_ = pattern;
}

ScratchDir::~ScratchDir() {
    std::error_code ignored;
    if (!path_.empty()) std::filesystem::remove_all(path_, ignored);
}

std::string ScratchDir::file(const std::string& name) const {
    return (path_ / name).string();
}

std::string readFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

} // namespace cwtest
