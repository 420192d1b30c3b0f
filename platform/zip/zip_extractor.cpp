#include "platform/zip/zip_extractor.h"

#include <limits>
#include <optional>
#include <utility>

#include "platform/files.h"
#include "platform/zip/central_directory.h"
#include "platform/zip/entry_data.h"
#include "platform/zip/entry_name.h"
#include "platform/zip/local_header.h"
#include "platform/zip/safe_path.h"

namespace platform {
namespace {

using zip::ZipEntry;

constexpr uint32_t kUnixFileTypeMask = 0170000;
constexpr uint32_t kUnixSymbolicLink = 0120000;

bool IsSymbolicLink(const ZipEntry& entry) {
  return ((entry.externalAttributes >> 16) & kUnixFileTypeMask) == kUnixSymbolicLink;
}

// k * 100 / n without overflow for any entry count.
int Percent(uint64_t k, uint64_t n) {
  if (k <= std::numeric_limits<uint64_t>::max() / 100) return int(k * 100 / n);
  return int((long double)k * 100 / (long double)n);
}

Text WithoutTrailingSeparators(Text path) {
  while (path.size() > 1 && (path.back() == '\\' || path.back() == '/')) path.pop_back();
  return path;
}

// One run of Extract: the open archive and what is reused from entry to entry.
class Extraction {
 public:
  Extraction(FileReader& archive, zip::CentralDirectory& directory, Text root)
      : archive_(archive), directory_(directory), root_(std::move(root)) {}

  bool ExtractEntry(uint64_t index, const ZipEntry& entry) {
    if (IsSymbolicLink(entry)) return false;
    const auto name = zip::EntryNameAsGbk(entry);
    if (!name) return false;
    const auto relative = zip::SafeRelativePath(*name);
    if (!relative) return false;
    if (relative->isFolder) return EnsureFolder(relative->path);
    if (!zip::EntryCopier::Supports(entry)) return false;
    const auto dataOffset = zip::EntryDataOffset(archive_, entry, directory_.DirectoryOffset());
    if (!dataOffset || !EnsureFolder(relative->path.substr(0, relative->folderLength))) return false;
    return WriteFile(index, entry, *dataOffset, root_ + "\\" + relative->path);
  }

 private:
  // Creates a folder below the root; remembers the last one, as entries come folder by folder.
  bool EnsureFolder(const Text& relative) {
    const Text folder = relative.empty() ? root_ : root_ + "\\" + relative;
    if (folder == lastFolder_) return true;
    if (!CreateFolders(folder)) return false;
    lastFolder_ = folder;
    return true;
  }

  // Writes beside the target, then moves over it: the target is never half-written.
  bool WriteFile(uint64_t index, const ZipEntry& entry, uint64_t dataOffset, const Text& target) {
    const Text temporary = target + ".~zip" + std::to_string(index);
    auto out = FileWriter::Create(temporary);
    if (!out) return false;
    bool ok = copier_.Copy(archive_, dataOffset, entry, *out);
    ok = out->Close() && ok;
    out.reset();
    if (ok && MoveFileOver(temporary, target)) return true;
    DeleteFileAt(temporary);
    return false;
  }

  FileReader& archive_;
  zip::CentralDirectory& directory_;
  const Text root_;
  Text lastFolder_;
  zip::EntryCopier copier_;
};

}  // namespace

void ZipExtractor::Report(int percent) const {
  if (onProgress) onProgress(percent);
}

bool ZipExtractor::Extract(const Text& archivePath, const Text& folder) {
  const auto archive = FileReader::Open(archivePath);
  auto directory = archive ? zip::CentralDirectory::Open(*archive) : std::nullopt;
  if (!directory || directory->EntryCount() == 0) {
    Report(0);
    return false;
  }
  Extraction extraction(*archive, *directory, WithoutTrailingSeparators(folder));
  const uint64_t count = directory->EntryCount();
  for (uint64_t k = 0; k < count; ++k) {
    if (shouldStop && shouldStop()) return false;
    const auto entry = directory->Next();
    if (!entry || !extraction.ExtractEntry(k, *entry)) return false;
    Report(Percent(k, count));
  }
  Report(100);
  return true;
}

}  // namespace platform
