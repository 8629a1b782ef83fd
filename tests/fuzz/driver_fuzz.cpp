// libFuzzer entry: a level that parses as ready, solved by the whole driver for a short while.
#include "tests/fuzz/fuzz_targets.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    cwfuzz::solveInput(data, size);
    return 0;
}
