// BuildDataCodewords: chooses the version of a segment list, encodes its
// segments and completes the stream with terminator and pad codewords.
#pragma once

#include <cstdint>
#include <vector>

#include "qr/segment.h"

namespace qr {

// The data codewords (exactly the data capacity of the chosen version and
// level), empty when the text does not fit. Sets the list's version and every
// segment's bits.
std::vector<uint8_t> BuildDataCodewords(SegmentList& list);

// The estimated bits of a segment at a version (0 counts as 1): its data bits
// plus one header for each part that a too large count will be cut into.
int EstimateSegmentBits(const Segment& segment, int version);

// Encodes the segment at the version into its bits: mode indicator, count and
// data, cut into parts of the largest count the indicator holds.
void EncodeSegment(Segment& segment, int version);

}  // namespace qr
