#include "qr/data_codewords.h"

#include <string_view>

#include "qr/symbol_tables.h"

namespace qr {
namespace {

// 4-bit mode indicators of numeric, alphanumeric and 8-bit mode.
constexpr uint32_t kModeIndicator[] = {0b0001, 0b0010, 0b0100};

void EncodePart(Mode mode, std::string_view data, int countBits, BitBuffer& bits) {
  bits.AppendBits(kModeIndicator[int(mode)], 4);
  bits.AppendBits(uint32_t(data.size()), countBits);
  const size_t n = data.size();
  switch (mode) {
    case Mode::kNumeric: {
      size_t i = 0;
      for (; i + 3 <= n; i += 3) {
        bits.AppendBits((data[i] - '0') * 100 + (data[i + 1] - '0') * 10 + (data[i + 2] - '0'), 10);
      }
      if (n - i == 1) bits.AppendBits(data[i] - '0', 4);
      if (n - i == 2) bits.AppendBits((data[i] - '0') * 10 + (data[i + 1] - '0'), 7);
      break;
    }
    case Mode::kAlphanumeric: {
      size_t i = 0;
      for (; i + 2 <= n; i += 2) {
        bits.AppendBits(45 * AlphanumericValue(data[i]) + AlphanumericValue(data[i + 1]), 11);
      }
      if (i < n) bits.AppendBits(AlphanumericValue(data[i]), 6);
      break;
    }
    default:
      bits.AppendBytes(data);
      break;
  }
}

// The most characters any symbol holds: 7,089 digits in version 40 at level L.
constexpr int64_t kMostCharacters = 7089;

int TotalEstimate(const SegmentList& list, int version) {
  int bits = 0;
  for (const Segment& segment : list.Segments()) bits += EstimateSegmentBits(segment, version);
  return bits;
}

int EncodeAll(SegmentList& list) {
  int bits = 0;
  for (Segment& segment : list.Segments()) {
    EncodeSegment(segment, list.Version());
    bits += int(segment.Bits().Size());
  }
  return bits;
}

int Bytes(int bits) { return (bits + 7) / 8; }

}  // namespace

int EstimateSegmentBits(const Segment& segment, int version) {
  const int countBits = GlobalSymbolTables().CountBits(segment.GetMode(), version);
  const int64_t count = segment.Count();
  // One header per 2^countBits characters, although a part holds one fewer.
  const int64_t parts = (count + (int64_t(1) << countBits) - 1) >> countBits;
  return int(EstimateBits(segment.GetMode(), count) + (4 + countBits) * parts);
}

void EncodeSegment(Segment& segment, int version) {
  const SymbolTables& tables = GlobalSymbolTables();
  const Mode mode = segment.GetMode();
  const int countBits = tables.CountBits(mode, version);
  const size_t maximum = size_t(tables.MaximumCount(mode, version));
  BitBuffer& bits = segment.Bits();
  bits.Clear();
  std::string_view rest = segment.Data();
  bits.Reserve(size_t(EstimateSegmentBits(segment, version)) + 4 + countBits);
  while (rest.size() > maximum) {
    EncodePart(mode, rest.substr(0, maximum), countBits, bits);
    rest.remove_prefix(maximum);
  }
  EncodePart(mode, rest, countBits, bits);
}

std::vector<uint8_t> BuildDataCodewords(SegmentList& list) {
  const SymbolTables& tables = GlobalSymbolTables();
  const int level = list.Level();
  // A longer text fits no version whatever its segments; failing here also
  // keeps every bit count below small bounds.
  int64_t characters = 0;
  for (const Segment& segment : list.Segments()) characters += segment.Count();
  if (characters > kMostCharacters) return {};

  // Estimate: raise the version until the estimate at it needs no larger one.
  int estimate = 0;
  for (int previous = 0;;) {
    const int v = tables.MinimumVersion(Bytes(TotalEstimate(list, previous)), level);
    if (v == -1) {
      estimate = -1;
      break;
    }
    if (v <= previous) {
      estimate = v;
      break;
    }
    previous = v;
  }
  if (estimate > list.Version()) list.SetVersion(estimate);

  // Encode at the list's version until the encoded bits fit it.
  int total = 0;
  for (;;) {
    total = EncodeAll(list);
    const int v = tables.MinimumVersion(Bytes(total), level);
    if (v == -1) return {};
    if (v <= list.Version()) break;
    list.SetVersion(v);
  }

  BitBuffer stream;
  const int dataCodewords = tables.DataCodewords(list.Version(), level);
  const int maximum = 8 * dataCodewords;
  stream.Reserve(size_t(maximum));
  for (const Segment& segment : list.Segments()) stream.Append(segment.Bits());

  // Terminator and pad codewords.
  const int b = total;
  if (maximum - b > 0 && maximum - b < 5) {
    stream.AppendBits(0, maximum - b);
  } else if (maximum - b >= 5) {
    const int w = (b + 4 + 7) / 8;
    stream.AppendBits(0, 8 * w - b);
    for (int i = 0; i < dataCodewords - w; ++i) stream.AppendBits(i % 2 == 0 ? 0xEC : 0x11, 8);
  }

  // Internal consistency: the stream is exactly the data capacity.
  if (stream.Size() != size_t(maximum)) return {};
  std::vector<uint8_t> codewords(size_t(dataCodewords), 0);
  const std::vector<uint8_t>& bits = stream.Bits();
  for (size_t i = 0; i < bits.size(); ++i) codewords[i >> 3] |= uint8_t(bits[i] << (7 - (i & 7)));
  return codewords;
}

}  // namespace qr
