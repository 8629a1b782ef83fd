#pragma once
// What the fuzz targets do with one input, shared by the libFuzzer builds and by the regression
// test that replays the seed corpus and every crash ever found. Each aborts on a broken promise.
#include <cstddef>
#include <cstdint>

namespace cwfuzz {

// Arbitrary bytes as level text: every level of the set listed forward and back, each parsed in
// full, and the parser's verdicts and board invariants checked.
void parseInput(const std::uint8_t* data, std::size_t size);

// The first level of the bytes, when ready and small, solved by the whole driver for a few hundred
// milliseconds; a solved outcome must replay on the level text.
void solveInput(const std::uint8_t* data, std::size_t size);

} // namespace cwfuzz
