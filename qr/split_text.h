// SplitText: cuts a text into numeric, alphanumeric and 8-bit segments by
// comparing estimated bit counts.
#pragma once

#include <string_view>

#include "qr/segment.h"

namespace qr {

// Appends the segments of text to list; 0 on success, -1 when the text is
// refused (empty, first byte 0, or exactly the two bytes "\0" as backslash and
// digit zero). caseSensitive 0 folds a-z to A-Z first. modeHint 2 and 3 split
// alike: Kanji segments are never produced.
int SplitText(std::string_view text, SegmentList& list, int modeHint, int caseSensitive);

}  // namespace qr
