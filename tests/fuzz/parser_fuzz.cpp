// libFuzzer entry: arbitrary bytes through the level parser and the level set.
#include "tests/fuzz/fuzz_targets.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    cwfuzz::parseInput(data, size);
    return 0;
}
