// Copies one entry's data out of the archive, inflating it and checking its CRC-32.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "platform/files.h"
#include "platform/zip/central_directory.h"

namespace platform::zip {

// Stored (method 0) and deflated (method 8) data. Works in fixed blocks so memory stays
// the same whatever the entry's size; one copier is reused for every entry of an archive.
class EntryCopier {
 public:
  EntryCopier();
  ~EntryCopier();
  EntryCopier(const EntryCopier&) = delete;
  EntryCopier& operator=(const EntryCopier&) = delete;

  static bool Supports(const ZipEntry& entry);

  // Writes the entry's data, which starts at dataOffset in the archive, to out from offset 0.
  // True only when exactly the directory's compressed size was enough to produce exactly its
  // size, with its CRC-32.
  bool Copy(FileReader& archive, uint64_t dataOffset, const ZipEntry& entry, FileWriter& out);

 private:
  bool CopyStored(FileReader& archive, uint64_t dataOffset, const ZipEntry& entry, FileWriter& out);
  bool CopyDeflated(FileReader& archive, uint64_t dataOffset, const ZipEntry& entry, FileWriter& out);

  struct Inflater;
  std::unique_ptr<Inflater> inflater_;
  std::vector<unsigned char> input_, output_;
};

}  // namespace platform::zip
