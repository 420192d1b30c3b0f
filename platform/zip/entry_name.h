// An entry's name as the GBK text the launcher uses for paths.
#pragma once

#include <optional>

#include "platform/text.h"
#include "platform/zip/central_directory.h"

namespace platform::zip {

// Names flagged UTF-8 (general-purpose bit 11), or carried in a valid Unicode Path field,
// are converted to GBK; other names are GBK already. Nullopt when the name is not valid in
// its encoding or holds a character GBK cannot represent: such an entry cannot be written
// under its own name.
std::optional<Text> EntryNameAsGbk(const ZipEntry& entry);

}  // namespace platform::zip
