// CodewordSequence: a symbol's data codewords split into error-correction
// blocks, each with its Reed-Solomon codewords, handed out in the interleaved
// order in which they are placed.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "qr/symbol_tables.h"

namespace qr {

struct EcBlock {
  std::vector<uint8_t> data;
  std::vector<uint8_t> ec;
};

class CodewordSequence {
 public:
  // data is the whole data stream of the symbol; fails when it is empty or is
  // not exactly the data capacity of the version and level.
  static std::optional<CodewordSequence> Make(std::span<const uint8_t> data, int version, int level);

  int Version() const { return version_; }
  int DataCount() const { return layout_.TotalData(); }
  int EcCount() const { return layout_.TotalEc(); }
  const std::vector<EcBlock>& Blocks() const { return blocks_; }

  // The first data codeword of every block, then the second, ... (group-2
  // blocks alone give the last column); then the error-correction codewords
  // likewise. 0 once every codeword has been handed out.
  uint8_t NextCodeword();

 private:
  CodewordSequence() = default;

  int version_ = 0;
  BlockSpec layout_;
  std::vector<EcBlock> blocks_;  // group 1 first
  int count_ = 0;                // codewords handed out so far
};

}  // namespace qr
