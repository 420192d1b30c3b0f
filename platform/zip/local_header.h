// The local header in front of each entry's data.
#pragma once

#include <cstdint>
#include <optional>

#include "platform/files.h"
#include "platform/zip/central_directory.h"

namespace platform::zip {

// Where the entry's data starts, past its local header; nullopt when the header is not
// there or the data would run into the central directory (a cut or damaged archive).
std::optional<uint64_t> EntryDataOffset(FileReader& archive, const ZipEntry& entry, uint64_t directoryOffset);

}  // namespace platform::zip
