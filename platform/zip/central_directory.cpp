#include "platform/zip/central_directory.h"

#include <algorithm>
#include <array>

#include <zlib.h>

#include "platform/zip/little_endian.h"

namespace platform::zip {
namespace {

constexpr uint32_t kEndSignature = 0x06054b50;
constexpr uint32_t kZip64LocatorSignature = 0x07064b50;
constexpr uint32_t kZip64EndSignature = 0x06064b50;
constexpr uint32_t kEntrySignature = 0x02014b50;
constexpr size_t kEndSize = 22;
constexpr size_t kZip64LocatorSize = 20;
constexpr size_t kZip64EndSize = 56;
constexpr size_t kEntrySize = 46;
constexpr size_t kMaxComment = 0xFFFF;
constexpr size_t kWindowSize = 64 * 1024;

constexpr uint16_t kZip64ExtraId = 0x0001;
constexpr uint16_t kUnicodePathExtraId = 0x7075;

// Where the directory is, as the end records state it.
struct DirectoryPlace {
  uint64_t offset = 0, size = 0, entries = 0;
  uint64_t recordsStart = 0;  // first byte of the end records: the directory must end before it
};

// Finds the end-of-central-directory record: the last one whose comment reaches the end of
// the file, or failing that the last one whose comment fits in the file.
std::optional<uint64_t> FindEndRecord(FileReader& archive, uint64_t fileSize, std::vector<unsigned char>& tail) {
  if (fileSize < kEndSize) return std::nullopt;
  const size_t tailSize = size_t(std::min<uint64_t>(fileSize, kEndSize + kMaxComment));
  tail.resize(tailSize);
  const uint64_t tailStart = fileSize - tailSize;
  if (!ReadFully(archive, tailStart, tail.data(), tailSize)) return std::nullopt;
  std::optional<uint64_t> loose;
  for (size_t i = tailSize - kEndSize + 1; i-- > 0;) {
    if (Read32(&tail[i]) != kEndSignature) continue;
    const size_t commentEnd = i + kEndSize + Read16(&tail[i + 20]);
    if (commentEnd == tailSize) return tailStart + i;
    if (commentEnd < tailSize && !loose) loose = tailStart + i;
  }
  return loose;
}

// Reads the ZIP64 end record that the locator just before the classic end record points at.
// Nullopt when there is no locator; a locator whose record is not there yields an empty place.
std::optional<std::optional<DirectoryPlace>> ReadZip64End(FileReader& archive, uint64_t endOffset) {
  if (endOffset < kZip64LocatorSize) return std::nullopt;
  std::array<unsigned char, kZip64LocatorSize> locator;
  if (!ReadFully(archive, endOffset - kZip64LocatorSize, locator.data(), locator.size()) ||
      Read32(&locator[0]) != kZip64LocatorSignature) {
    return std::nullopt;
  }
  const uint64_t recordOffset = Read64(&locator[8]);
  std::array<unsigned char, kZip64EndSize> record;
  if (Read32(&locator[4]) != 0 || Read32(&locator[16]) > 1 || recordOffset > endOffset - kZip64LocatorSize ||
      endOffset - kZip64LocatorSize - recordOffset < kZip64EndSize ||
      !ReadFully(archive, recordOffset, record.data(), record.size()) || Read32(&record[0]) != kZip64EndSignature ||
      Read32(&record[16]) != 0 || Read32(&record[20]) != 0 || Read64(&record[24]) != Read64(&record[32])) {
    return std::optional<DirectoryPlace>();
  }
  return DirectoryPlace{Read64(&record[48]), Read64(&record[40]), Read64(&record[32]), recordOffset};
}

std::optional<DirectoryPlace> LocateDirectory(FileReader& archive) {
  const int64_t size = archive.Size();
  if (size <= 0) return std::nullopt;
  std::vector<unsigned char> tail;
  const auto endOffset = FindEndRecord(archive, uint64_t(size), tail);
  if (!endOffset) return std::nullopt;
  const unsigned char* end = &tail[size_t(*endOffset - (uint64_t(size) - tail.size()))];
  // Archives spread over several disks are not patches we can apply.
  if (Read16(end + 4) != 0 || Read16(end + 6) != 0 || Read16(end + 8) != Read16(end + 10)) return std::nullopt;
  DirectoryPlace place{Read32(end + 16), Read32(end + 12), Read16(end + 10), *endOffset};
  const bool saturated = place.entries == 0xFFFF || place.size == 0xFFFFFFFF || place.offset == 0xFFFFFFFF;
  if (const auto zip64 = ReadZip64End(archive, *endOffset)) {
    if (*zip64) {
      place = **zip64;
    } else if (saturated) {
      return std::nullopt;
    }
  }
  if (place.offset > place.recordsStart || place.size > place.recordsStart - place.offset) return std::nullopt;
  if (place.entries > place.size / kEntrySize) return std::nullopt;
  return place;
}

// Applies the ZIP64 extra field: it holds, in this order, exactly the values whose classic
// field is saturated.
bool ApplyZip64(const unsigned char* data, size_t size, ZipEntry& entry, bool diskSaturated) {
  size_t at = 0;
  for (uint64_t* value : {&entry.size, &entry.compressedSize, &entry.localHeaderOffset}) {
    if (*value != 0xFFFFFFFF) continue;
    if (size - at < 8) return false;
    *value = Read64(data + at);
    at += 8;
  }
  return !diskSaturated || size - at >= 4;
}

bool ApplyExtraFields(const unsigned char* extra, size_t size, ZipEntry& entry, bool diskSaturated) {
  bool zip64Seen = false;
  for (size_t at = 0; size - at >= 4;) {
    const uint16_t id = Read16(extra + at);
    const size_t length = Read16(extra + at + 2);
    at += 4;
    if (length > size - at) break;  // a cut extra field: the rest is ignored, as other readers do
    const unsigned char* data = extra + at;
    if (id == kZip64ExtraId && !zip64Seen) {
      if (!ApplyZip64(data, length, entry, diskSaturated)) return false;
      zip64Seen = true;
    } else if (id == kUnicodePathExtraId && length >= 5 && data[0] == 1) {
      // Only valid while it still describes the stored name (its CRC-32 guards that).
      const uint32_t nameCrc =
          uint32_t(crc32(0, reinterpret_cast<const Bytef*>(entry.name.data()), uInt(entry.name.size())));
      if (Read32(data + 1) == nameCrc) entry.unicodeName.emplace(reinterpret_cast<const char*>(data + 5), length - 5);
    }
    at += length;
  }
  // A saturated size without its ZIP64 value would be read as 4 GiB - 1: refuse it.
  return zip64Seen || (entry.size != 0xFFFFFFFF && entry.compressedSize != 0xFFFFFFFF &&
                       entry.localHeaderOffset != 0xFFFFFFFF);
}

}  // namespace

bool ReadFully(FileReader& file, uint64_t offset, void* buffer, size_t size) {
  auto* out = static_cast<unsigned char*>(buffer);
  while (size > 0) {
    const int64_t got = file.ReadAt(int64_t(offset), out, int64_t(size));
    if (got <= 0) return false;
    out += got, offset += uint64_t(got), size -= size_t(got);
  }
  return true;
}

std::optional<CentralDirectory> CentralDirectory::Open(FileReader& archive) {
  const auto place = LocateDirectory(archive);
  if (!place) return std::nullopt;
  return CentralDirectory(archive, place->offset, place->offset + place->size, place->entries);
}

CentralDirectory::CentralDirectory(FileReader& archive, uint64_t begin, uint64_t end, uint64_t count)
    : archive_(&archive), begin_(begin), end_(end), position_(begin), entryCount_(count) {}

const unsigned char* CentralDirectory::Fetch(uint64_t offset, size_t size) {
  if (offset > end_ || size > end_ - offset) return nullptr;
  if (offset < windowOffset_ || offset + size > windowOffset_ + windowSize_) {
    const size_t wanted = size_t(std::min<uint64_t>(std::max(size, kWindowSize), end_ - offset));
    if (window_.size() < wanted) window_.resize(wanted);
    if (!ReadFully(*archive_, offset, window_.data(), wanted)) return nullptr;
    windowOffset_ = offset;
    windowSize_ = wanted;
  }
  return window_.data() + (offset - windowOffset_);
}

std::optional<ZipEntry> CentralDirectory::Next() {
  const unsigned char* fixed = Fetch(position_, kEntrySize);
  if (!fixed || Read32(fixed) != kEntrySignature) return std::nullopt;
  const size_t nameSize = Read16(fixed + 28), extraSize = Read16(fixed + 30), commentSize = Read16(fixed + 32);
  ZipEntry entry;
  entry.madeBy = Read16(fixed + 4);
  entry.flags = Read16(fixed + 8);
  entry.method = Read16(fixed + 10);
  entry.crc32 = Read32(fixed + 16);
  entry.compressedSize = Read32(fixed + 20);
  entry.size = Read32(fixed + 24);
  const bool diskSaturated = Read16(fixed + 34) == 0xFFFF;
  entry.externalAttributes = Read32(fixed + 38);
  entry.localHeaderOffset = Read32(fixed + 42);
  // Fetch may move the window: read the variable part only after the fixed fields are copied.
  const unsigned char* variable = Fetch(position_ + kEntrySize, nameSize + extraSize + commentSize);
  if (!variable) return std::nullopt;
  entry.name.assign(reinterpret_cast<const char*>(variable), nameSize);
  if (!ApplyExtraFields(variable + nameSize, extraSize, entry, diskSaturated)) return std::nullopt;
  position_ += kEntrySize + nameSize + extraSize + commentSize;
  return entry;
}

}  // namespace platform::zip
