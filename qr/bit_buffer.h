// BitBuffer: a sequence of bits in the order they are sent, one bit per byte
// (every byte is 0 or 1).
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

namespace qr {

class BitBuffer {
 public:
  // Appends the n low bits of value, the most significant first.
  void AppendBits(uint32_t value, int n) {
    for (int i = n - 1; i >= 0; --i) bits_.push_back(uint8_t(value >> i & 1));
  }
  void AppendBytes(std::string_view bytes) {
    for (const char byte : bytes) AppendBits(uint8_t(byte), 8);
  }
  void Append(const BitBuffer& other) { bits_.insert(bits_.end(), other.bits_.begin(), other.bits_.end()); }

  void Clear() { bits_.clear(); }
  void Reserve(size_t bits) { bits_.reserve(bits); }
  size_t Size() const { return bits_.size(); }
  const std::vector<uint8_t>& Bits() const { return bits_; }

 private:
  std::vector<uint8_t> bits_;
};

}  // namespace qr
