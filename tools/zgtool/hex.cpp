#include "tools/zgtool/hex.h"

namespace zgtool {

std::optional<std::string> BytesFromHex(const std::string& hex) {
  auto value = [](char c) -> int {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
  };
  if (hex.size() % 2 != 0) return std::nullopt;
  std::string bytes;
  for (size_t i = 0; i < hex.size(); i += 2) {
    const int hi = value(hex[i]);
    const int lo = value(hex[i + 1]);
    if (hi < 0 || lo < 0) return std::nullopt;
    bytes.push_back(char(hi * 16 + lo));
  }
  return bytes;
}

std::string HexFromBytes(const std::string& bytes) {
  static const char digits[] = "0123456789ABCDEF";
  std::string hex;
  for (unsigned char b : bytes) {
    hex.push_back(digits[b >> 4]);
    hex.push_back(digits[b & 0xF]);
  }
  return hex;
}

}  // namespace zgtool
