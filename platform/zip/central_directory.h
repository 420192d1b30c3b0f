// The central directory of a ZIP archive: where the entries are and what they hold.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/files.h"

namespace platform::zip {

// One record of the central directory, ZIP64 values already applied. Sizes and CRC come
// from here, never from the local header, so entries written with a data descriptor work.
struct ZipEntry {
  std::string name;                        // the stored name bytes
  std::optional<std::string> unicodeName;  // UTF-8 name of a Unicode Path extra field (0x7075) that matches `name`
  uint16_t madeBy = 0;
  uint16_t flags = 0;
  uint16_t method = 0;
  uint32_t crc32 = 0;
  uint64_t compressedSize = 0;
  uint64_t size = 0;
  uint64_t localHeaderOffset = 0;
  uint32_t externalAttributes = 0;
};

// Reads the directory one record at a time: memory stays bounded by one record, whatever
// the number of entries.
class CentralDirectory {
 public:
  // Nullopt when the file is not a single-disk ZIP archive whose directory lies inside it.
  static std::optional<CentralDirectory> Open(FileReader& archive);

  uint64_t EntryCount() const { return entryCount_; }
  // Where the directory starts: every entry's data must end before it.
  uint64_t DirectoryOffset() const { return begin_; }

  // The next record; nullopt when it is malformed or would run past the directory.
  std::optional<ZipEntry> Next();

 private:
  CentralDirectory(FileReader& archive, uint64_t begin, uint64_t end, uint64_t count);
  // Makes bytes [offset, offset + size) of the directory available; null when they are not there.
  const unsigned char* Fetch(uint64_t offset, size_t size);

  FileReader* archive_;  // not owned: the caller keeps the archive open while reading
  uint64_t begin_, end_, position_, entryCount_;
  std::vector<unsigned char> window_;
  uint64_t windowOffset_ = 0;
  size_t windowSize_ = 0;
};

// Reads exactly size bytes at offset; false at the end of the file or on failure.
bool ReadFully(FileReader& file, uint64_t offset, void* buffer, size_t size);

}  // namespace platform::zip
