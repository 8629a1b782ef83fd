#pragma once
// The built-in sample set: six levels held in the program, each with a short label.

namespace cw {

constexpr int SampleLevelCount = 6;

// The sample text: six levels, LF line ends, one empty line between levels.
const char* sampleSetText();

// Label of sample level n (1..6), at most 20 characters; an empty text for other n.
const char* sampleLevelLabel(int n);

} // namespace cw
