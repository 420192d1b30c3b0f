#include "qr/split_text.h"

#include <string>

#include "qr/symbol_tables.h"

namespace qr {
namespace {

// The position after the bytes from p on that satisfy pred.
template <typename Pred>
size_t RunEnd(std::string_view r, size_t p, Pred pred) {
  while (p < r.size() && pred(uint8_t(r[p]))) ++p;
  return p;
}

bool InTable(uint8_t byte) { return AlphanumericValue(byte) >= 0; }

int64_t Bits(Mode mode, size_t n) { return EstimateBits(mode, int64_t(n)); }

// The three takers. Each appends one segment taken from the front of r (or hands
// r to another taker) and returns the bytes it took; 0 when its segment was refused.
class Splitter {
 public:
  Splitter(SegmentList& list, int numericCountBits, int alphanumericCountBits)
      : list_(list), ln_(numericCountBits), la_(alphanumericCountBits) {}

  size_t TakeNumeric(std::string_view r) {
    const size_t run = RunEnd(r, 0, IsDigit);
    const Mode next = ClassifyAt(r, run);
    if (next == Mode::kEightBit &&
        Bits(Mode::kNumeric, run) + 4 + ln_ + Bits(Mode::kEightBit, 1) - Bits(Mode::kEightBit, run + 1) > 0) {
      return TakeEightBit(r);
    }
    if (next == Mode::kAlphanumeric &&
        Bits(Mode::kNumeric, run) + 4 + ln_ + Bits(Mode::kAlphanumeric, 1) -
                Bits(Mode::kAlphanumeric, run + 1) >
            0) {
      return TakeAlphanumeric(r);
    }
    return Append(Mode::kNumeric, r.substr(0, run));
  }

  size_t TakeAlphanumeric(std::string_view r) {
    size_t p = 0;
    while (p < r.size() && InTable(uint8_t(r[p]))) {
      if (IsDigit(uint8_t(r[p]))) {
        const size_t q = RunEnd(r, p, IsDigit);
        // A digit run that is cheaper on its own ends the alphanumeric run.
        if (Bits(Mode::kAlphanumeric, p) + Bits(Mode::kNumeric, q - p) + 4 + ln_ -
                Bits(Mode::kAlphanumeric, q) <
            0) {
          break;
        }
        p = q;
      } else {
        ++p;
      }
    }
    const size_t run = p;
    // The end of r counts as a byte outside the table.
    const bool nextOutsideTable = run >= r.size() || !InTable(uint8_t(r[run]));
    if (nextOutsideTable &&
        Bits(Mode::kAlphanumeric, run) + 4 + la_ + Bits(Mode::kEightBit, 1) - Bits(Mode::kEightBit, run + 1) > 0) {
      return TakeEightBit(r);
    }
    return Append(Mode::kAlphanumeric, r.substr(0, run));
  }

  size_t TakeEightBit(std::string_view r) {
    size_t p = 1;
    while (p < r.size()) {
      const Mode mode = ClassifyAt(r, p);
      if (mode == Mode::kNumeric) {
        const size_t q = RunEnd(r, p, IsDigit);
        if (Bits(Mode::kEightBit, p) + Bits(Mode::kNumeric, q - p) + 4 + ln_ - Bits(Mode::kEightBit, q) < 0) break;
        p = q;
      } else if (mode == Mode::kAlphanumeric) {
        const size_t q = RunEnd(r, p, InTable);
        if (Bits(Mode::kEightBit, p) + Bits(Mode::kAlphanumeric, q - p) + 4 + la_ - Bits(Mode::kEightBit, q) < 0) {
          break;
        }
        p = q;
      } else {
        ++p;
      }
    }
    return Append(Mode::kEightBit, r.substr(0, p));
  }

 private:
  size_t Append(Mode mode, std::string_view data) {
    std::optional<Segment> segment = Segment::Make(mode, data);
    if (!segment) return 0;
    list_.Append(std::move(*segment));
    return data.size();
  }

  SegmentList& list_;
  const int ln_;
  const int la_;
};

}  // namespace

int SplitText(std::string_view text, SegmentList& list, int modeHint, int caseSensitive) {
  if (text.empty() || text[0] == '\0' || text == std::string_view("\\0", 2)) return -1;

  std::string folded;
  if (caseSensitive == 0) {
    folded.assign(text);
    for (char& c : folded) {
      if (c >= 'a' && c <= 'z') c = char(c - 32);
    }
    text = folded;
  }

  const SymbolTables& tables = GlobalSymbolTables();
  Splitter splitter(list, tables.CountBits(Mode::kNumeric, list.Version()),
                    tables.CountBits(Mode::kAlphanumeric, list.Version()));
  std::string_view r = text;
  while (!r.empty()) {
    size_t taken = 0;
    switch (ClassifyAt(r, 0)) {
      case Mode::kNumeric:
        taken = splitter.TakeNumeric(r);
        break;
      case Mode::kAlphanumeric:
        taken = splitter.TakeAlphanumeric(r);
        break;
      default:
        taken = splitter.TakeEightBit(r);
        break;
    }
    if (taken == 0) break;
    r.remove_prefix(taken);
  }
  // A symbol of part of the text would be read as the whole text: refuse it.
  return r.empty() ? 0 : -1;
}

}  // namespace qr
