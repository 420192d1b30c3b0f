#include "platform/zip/local_header.h"

#include <array>

#include "platform/zip/little_endian.h"

namespace platform::zip {

std::optional<uint64_t> EntryDataOffset(FileReader& archive, const ZipEntry& entry, uint64_t directoryOffset) {
  constexpr uint32_t kLocalSignature = 0x04034b50;
  constexpr size_t kLocalSize = 30;
  std::array<unsigned char, kLocalSize> header;
  if (entry.localHeaderOffset > directoryOffset || directoryOffset - entry.localHeaderOffset < kLocalSize ||
      !ReadFully(archive, entry.localHeaderOffset, header.data(), header.size()) ||
      Read32(&header[0]) != kLocalSignature) {
    return std::nullopt;
  }
  // The local name and extra field may differ from the directory's; only their lengths matter.
  const uint64_t data = entry.localHeaderOffset + kLocalSize + Read16(&header[26]) + Read16(&header[28]);
  if (data > directoryOffset || entry.compressedSize > directoryOffset - data) return std::nullopt;
  return data;
}

}  // namespace platform::zip
