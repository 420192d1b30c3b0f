#include "qr/codeword_sequence.h"

#include "qr/reed_solomon_code.h"

namespace qr {
namespace {

// The codes made for one symbol; a code is looked up by all its parameters
// before a new one is made.
class CodeCache {
 public:
  const ReedSolomonCode* Find(const ReedSolomonParameters& parameters) {
    for (const ReedSolomonCode& code : codes_) {
      if (code.Parameters() == parameters) return &code;
    }
    std::optional<ReedSolomonCode> code = ReedSolomonCode::Make(parameters);
    if (!code) return nullptr;
    codes_.push_back(std::move(*code));
    return &codes_.back();
  }

 private:
  std::vector<ReedSolomonCode> codes_;
};

// Cuts `count` blocks of `length` data codewords from data at *position and codes each.
bool AddGroup(CodeCache& codes, std::span<const uint8_t> data, size_t& position, int count,
              int length, int ecPerBlock, std::vector<EcBlock>& blocks) {
  ReedSolomonParameters parameters;
  parameters.roots = ecPerBlock;
  parameters.shortening = 255 - length - ecPerBlock;
  const ReedSolomonCode* code = codes.Find(parameters);
  if (code == nullptr) return false;
  for (int b = 0; b < count; ++b) {
    EcBlock block;
    block.data.assign(data.begin() + position, data.begin() + position + length);
    block.ec.resize(ecPerBlock);
    code->Encode(block.data, block.ec);
    position += length;
    blocks.push_back(std::move(block));
  }
  return true;
}

}  // namespace

std::optional<CodewordSequence> CodewordSequence::Make(std::span<const uint8_t> data, int version,
                                                       int level) {
  if (data.empty() || version < kMinVersion || version > kMaxVersion || level < 0 || level > 3) {
    return std::nullopt;
  }
  CodewordSequence sequence;
  sequence.version_ = version;
  sequence.layout_ = GlobalSymbolTables().BlockSpec(version, level);
  const BlockSpec& layout = sequence.layout_;
  if (data.size() != size_t(layout.TotalData())) return std::nullopt;

  CodeCache codes;
  sequence.blocks_.reserve(layout.TotalBlocks());
  size_t position = 0;
  if (!AddGroup(codes, data, position, layout.blocks1, layout.data1, layout.ecPerBlock, sequence.blocks_)) {
    return std::nullopt;
  }
  if (layout.blocks2 > 0 &&
      !AddGroup(codes, data, position, layout.blocks2, layout.data2, layout.ecPerBlock, sequence.blocks_)) {
    return std::nullopt;
  }
  return sequence;
}

uint8_t CodewordSequence::NextCodeword() {
  const int blocks = layout_.TotalBlocks();
  const int totalData = layout_.TotalData();
  uint8_t codeword = 0;
  if (count_ < totalData) {
    int row = count_ % blocks;
    const int col = count_ / blocks;
    // Past the short blocks' length only the group-2 blocks have a codeword.
    if (col >= layout_.data1) row += layout_.blocks1;
    codeword = blocks_[row].data[col];
  } else if (count_ < totalData + layout_.TotalEc()) {
    const int k = count_ - totalData;
    codeword = blocks_[k % blocks].ec[k / blocks];
  } else {
    return 0;
  }
  ++count_;
  return codeword;
}

}  // namespace qr
