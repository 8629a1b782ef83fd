#include "tests/test_levels.h"

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

} // namespace cwtest
