// The penalty score of a masked frame: 2 x 2 blocks of one colour, long runs
// and 1:1:3:1:1 finder-like patterns in rows and columns.
#pragma once

#include <span>
#include <vector>

#include "qr/frame.h"

namespace qr {

// The runs of one row or column. Entry 0 is the first, light, run, or -1 when
// the line starts dark; after it dark and light runs alternate, so every dark
// run sits at an odd index. width + 1 entries hold any line.
using RunLengthBuffer = std::vector<int>;

// Penalty of the first n entries of a run-length buffer (runs.size() is n):
// 3 + (run - 5) for each run of 5 or more, and 40 for each dark run of 3 x fact
// between runs of fact (dark, light, light, dark) with a light side of at least
// 4 x fact or the line's end.
int RunPenalty(std::span<const int> runs);

// 3 for every 2 x 2 block of one colour, plus RunPenalty of every row and column.
int EvaluatePenalty(int width, const Frame& frame);

}  // namespace qr
