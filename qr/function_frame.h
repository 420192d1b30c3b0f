// BuildFunctionFrame: the function patterns of a version, with every other
// module free.
#pragma once

#include "qr/frame.h"

namespace qr {

// Finder patterns with separators, the reserved format area, timing patterns,
// alignment patterns, version information and the dark module. A version
// outside 1..40 gives a frame with no rows.
Frame BuildFunctionFrame(int version);

}  // namespace qr
