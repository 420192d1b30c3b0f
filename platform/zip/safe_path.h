// The check that keeps every extracted entry inside the target folder.
#pragma once

#include <cstddef>
#include <optional>

#include "platform/text.h"

namespace platform::zip {

// A name made safe to join to the target folder: components separated by "\", none of
// them empty, "." or "..".
struct RelativePath {
  Text path;                // empty only for a folder entry naming the target folder itself
  size_t folderLength = 0;  // bytes of `path` that name the containing folder (0: the target folder)
  bool isFolder = false;    // the name ended with a separator
};

// Nullopt for a GBK entry name that could reach outside the target folder or name
// something else than a plain file there: "..", absolute and UNC paths, drive letters,
// alternate data streams (any ':'), control characters, characters Windows forbids in
// names, components ending in '.' or ' ' (Windows drops those, so two names would meet),
// and device names (CON, NUL, COM1, ...). "\" and "/" both separate components.
std::optional<RelativePath> SafeRelativePath(const Text& gbkName);

}  // namespace platform::zip
