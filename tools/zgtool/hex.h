// Hexadecimal byte strings for zgtool's --hex options.
#pragma once

#include <optional>
#include <string>

namespace zgtool {

// The bytes of an even number of hex digits (either case); nullopt otherwise.
std::optional<std::string> BytesFromHex(const std::string& hex);

// Two upper-case digits per byte.
std::string HexFromBytes(const std::string& bytes);

}  // namespace zgtool
