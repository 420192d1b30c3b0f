// Segments of a text and the list that a symbol is made from.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "qr/bit_buffer.h"
#include "qr/mode.h"

namespace qr {

// The value of an alphanumeric character (0-9, A-Z, space $ % * + - . / :), or
// -1 for a byte outside the 45-character table (lowercase and bytes >= 128 too).
int AlphanumericValue(unsigned char byte);
inline bool IsDigit(unsigned char byte) { return byte >= '0' && byte <= '9'; }

// The class of the byte at p: none past the end, numeric for a digit,
// alphanumeric for any other byte in the table, 8-bit otherwise.
Mode ClassifyAt(std::string_view text, size_t p);

// The bits that n characters take in the mode, without mode indicator and count.
// 64-bit, so that the comparisons over a text of any length cannot overflow.
int64_t EstimateBits(Mode mode, int64_t n);

// A run of the text in one mode. Its count is the number of characters, which is
// also the number of bytes it covers; every byte fits the mode.
class Segment {
 public:
  // Refuses empty data, a mode other than numeric, alphanumeric or 8-bit, and
  // data that does not fit the mode.
  static std::optional<Segment> Make(Mode mode, std::string_view data);

  Mode GetMode() const { return mode_; }
  int64_t Count() const { return int64_t(data_.size()); }
  const std::string& Data() const { return data_; }
  // The encoding, once BuildDataCodewords has run.
  const BitBuffer& Bits() const { return bits_; }
  BitBuffer& Bits() { return bits_; }

 private:
  Segment(Mode mode, std::string_view data) : mode_(mode), data_(data) {}

  Mode mode_;
  std::string data_;
  BitBuffer bits_;
};

// The segments of one symbol in text order, with its version (0 while not yet
// chosen, else 1..40) and level (0..3).
class SegmentList {
 public:
  // Refuses a version outside 0..40 or a level outside 0..3.
  static std::optional<SegmentList> Make(int version, int level);

  int Version() const { return version_; }
  void SetVersion(int version) { version_ = version; }
  int Level() const { return level_; }
  const std::vector<Segment>& Segments() const { return segments_; }
  std::vector<Segment>& Segments() { return segments_; }
  void Append(Segment segment) { segments_.push_back(std::move(segment)); }

 private:
  SegmentList(int version, int level) : version_(version), level_(level) {}

  int version_;
  int level_;
  std::vector<Segment> segments_;
};

}  // namespace qr
