// PlaceCodewords: the unmasked symbol of a codeword sequence.
#pragma once

#include "qr/codeword_sequence.h"
#include "qr/frame.h"

namespace qr {

// The function-pattern frame of the sequence's version with every codeword bit
// (most significant first, in NextCodeword order) and the remainder bits
// written along the placement walk. A frame with no rows when the placer is
// refused or the walk runs out of modules.
Frame PlaceCodewords(CodewordSequence& sequence);

}  // namespace qr
