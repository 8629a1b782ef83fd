#include "tests/test_levels.h"

namespace cwtest {

std::string rows(std::initializer_list<const char*> lines) {
    std::string text;
    for (const char* line : lines) {
        text += line;
        text += '\n';
    }
    return text;
}

} // namespace cwtest
