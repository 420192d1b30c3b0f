#include "qr/qr_symbol.h"

#include <optional>

#include "qr/codeword_sequence.h"
#include "qr/data_codewords.h"
#include "qr/mask.h"
#include "qr/place_codewords.h"
#include "qr/select_mask.h"
#include "qr/split_text.h"
#include "qr/symbol_tables.h"

namespace qr {

QrSymbol QrSymbol::EncodeString(std::string_view text, int version, int level, int modeHint,
                                int caseSensitive) {
  *this = QrSymbol();
  if (modeHint != 2 && modeHint != 3) return {};
  if (!SymbolTablesExist()) return {};
  std::optional<SegmentList> list = SegmentList::Make(version, level);
  if (!list) return {};
  if (SplitText(text, *list, modeHint, caseSensitive) != 0) return {};
  return EncodeSegments(*list);
}

QrSymbol QrSymbol::EncodeSegments(SegmentList& list) { return EncodeWithMask(list, -1); }

QrSymbol QrSymbol::EncodeWithMask(SegmentList& list, int mask) {
  *this = QrSymbol();
  if (list.Version() < 0 || list.Version() > kMaxVersion || list.Level() < 0 || list.Level() > 3) return {};
  if (mask > 7 || !SymbolTablesExist()) return {};
  const SymbolTables& tables = GlobalSymbolTables();

  const std::vector<uint8_t> data = BuildDataCodewords(list);
  std::optional<CodewordSequence> sequence = CodewordSequence::Make(data, list.Version(), list.Level());
  if (!sequence) return {};

  const int version = list.Version();
  const int width = tables.Width(version);
  const Frame frame = PlaceCodewords(*sequence);
  if (frame.Empty()) return {};

  Frame masked;
  if (mask < 0) {
    masked = SelectMask(width, frame, list.Level());
  } else {
    masked = ApplyMask(mask, width, frame).frame;
    if (!masked.Empty()) WriteFormatInfo(width, masked, mask, list.Level());
  }
  if (masked.Empty()) return {};

  version_ = version;
  width_ = width;
  modules_ = std::move(masked.modules);
  return *this;
}

QrMatrix::QrMatrix(const QrSymbol& symbol) : width_(symbol.Width()), modules_(symbol.Modules()) {
  for (uint8_t& m : modules_) m &= ModuleByte::kDark;
}

QrMatrix::QrMatrix(int width, std::vector<uint8_t> modules) {
  if (width <= 0 || modules.size() != size_t(width) * size_t(width)) return;
  width_ = width;
  modules_ = std::move(modules);
  for (uint8_t& m : modules_) m &= ModuleByte::kDark;
}

QrMatrix EncodeText(std::string_view text, int level) {
  QrEncodeOptions options;
  options.level = level >= 0 && level <= 3 ? level : kLevelL;
  QrSymbol symbol;
  symbol.EncodeString(text, options.version, options.level, options.modeHint, options.caseSensitive);
  return QrMatrix(symbol);
}

}  // namespace qr
