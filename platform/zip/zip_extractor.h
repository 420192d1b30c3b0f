// The ZIP component: applies a patch archive over a folder.
#pragma once

#include <functional>

#include "platform/text.h"

namespace platform {

// Extracts every entry of an archive into a folder, on the calling thread.
//
// Progress: after entry k (counting from 0) of n it reports k * 100 / n, and 100 once every
// entry was written whole with its size and CRC-32 matching. The first entry that fails
// stops the extraction with no further report, so the caller never mistakes a partial
// patch for a finished one; files replaced before it stay replaced. An archive that cannot
// be opened, or that has no entries, gets a single report of 0.
//
// Safety: an entry whose name could lead outside the folder, or that is a symbolic link,
// fails. Each file is written beside its target under a temporary name, checked, then moved
// over the target (read-only targets included), so a target is either the old file or the
// whole new one; the temporary file is removed when anything fails.
class ZipExtractor {
 public:
  std::function<void(int percent)> onProgress;
  // Asked before each entry; true stops the extraction there, as a failing entry would.
  std::function<bool()> shouldStop;

  // Paths are GBK texts with "\" separators. True when every entry was extracted.
  bool Extract(const Text& archivePath, const Text& folder);

 private:
  void Report(int percent) const;
};

}  // namespace platform
