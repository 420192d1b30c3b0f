// Profile (.ini) files with the semantics of Windows' private profile API.
#pragma once

#include "platform/text.h"

namespace platform {

// The most bytes of a value that a read returns.
constexpr int kProfileValueLimit = 10239;

// Reads key of section from the file: empty when the file, section or key is
// missing. Section and key names match without regard to ASCII case; outer
// blanks of the value are trimmed and one pair of enclosing quotes removed.
Text ReadProfileValue(const Text& path, const Text& section, const Text& key);

// Writes key = value into section, creating the file and the section as needed.
bool WriteProfileValue(const Text& path, const Text& section, const Text& key, const Text& value);

}  // namespace platform
