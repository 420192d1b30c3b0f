#include "qr/place_codewords.h"

#include <optional>

#include "qr/function_frame.h"
#include "qr/module_placer.h"
#include "qr/symbol_tables.h"

namespace qr {

Frame PlaceCodewords(CodewordSequence& sequence) {
  const SymbolTables& tables = GlobalSymbolTables();
  const int version = sequence.Version();
  std::optional<ModulePlacer> placer = ModulePlacer::Make(tables.Width(version), BuildFunctionFrame(version));
  if (!placer) return {};

  auto place = [&](uint8_t value) {
    const std::optional<ModulePosition> position = placer->Next();
    if (position) placer->Write(*position, value);
    return position.has_value();
  };
  const int codewords = sequence.DataCount() + sequence.EcCount();
  for (int i = 0; i < codewords; ++i) {
    const uint8_t codeword = sequence.NextCodeword();
    for (int bit = 7; bit >= 0; --bit) {
      if (!place((codeword >> bit & 1) ? ModuleByte::kDataDark : ModuleByte::kDataLight)) return {};
    }
  }
  // Remainder bits are light before masking.
  for (int i = 0; i < tables.RemainderBits(version); ++i) {
    if (!place(ModuleByte::kDataLight)) return {};
  }
  return placer->TakeFrame();
}

}  // namespace qr
