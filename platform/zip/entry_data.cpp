#include "platform/zip/entry_data.h"

#include <algorithm>

#include <zlib.h>

namespace platform::zip {
namespace {

constexpr uint16_t kStored = 0;
constexpr uint16_t kDeflated = 8;
constexpr uint16_t kEncryptedFlag = 1 << 0;
constexpr size_t kBlockSize = 256 * 1024;

uint32_t Crc32(uint32_t crc, const unsigned char* data, size_t size) {
  return uint32_t(crc32_z(crc, data, size));
}

}  // namespace

// A raw-deflate stream (no zlib header: windowBits -15), set up once and reset per entry.
struct EntryCopier::Inflater {
  z_stream stream{};
  bool ready = inflateInit2(&stream, -MAX_WBITS) == Z_OK;
  ~Inflater() {
    if (ready) inflateEnd(&stream);
  }
};

EntryCopier::EntryCopier() : inflater_(std::make_unique<Inflater>()), input_(kBlockSize), output_(kBlockSize) {}

EntryCopier::~EntryCopier() = default;

bool EntryCopier::Supports(const ZipEntry& entry) {
  return !(entry.flags & kEncryptedFlag) && (entry.method == kStored || entry.method == kDeflated);
}

bool EntryCopier::Copy(FileReader& archive, uint64_t dataOffset, const ZipEntry& entry, FileWriter& out) {
  if (!Supports(entry)) return false;
  return entry.method == kStored ? CopyStored(archive, dataOffset, entry, out)
                                 : CopyDeflated(archive, dataOffset, entry, out);
}

bool EntryCopier::CopyStored(FileReader& archive, uint64_t dataOffset, const ZipEntry& entry, FileWriter& out) {
  if (entry.compressedSize != entry.size) return false;
  uint32_t crc = 0;
  for (uint64_t done = 0; done < entry.size;) {
    const size_t block = size_t(std::min<uint64_t>(entry.size - done, input_.size()));
    if (!ReadFully(archive, dataOffset + done, input_.data(), block)) return false;
    crc = Crc32(crc, input_.data(), block);
    if (!out.WriteAt(int64_t(done), input_.data(), int64_t(block))) return false;
    done += block;
  }
  return crc == entry.crc32;
}

bool EntryCopier::CopyDeflated(FileReader& archive, uint64_t dataOffset, const ZipEntry& entry, FileWriter& out) {
  if (!inflater_->ready) return false;
  z_stream& z = inflater_->stream;
  if (inflateReset(&z) != Z_OK) return false;
  z.avail_in = 0;
  uint64_t read = 0, written = 0;
  uint32_t crc = 0;
  for (;;) {
    if (z.avail_in == 0 && read < entry.compressedSize) {
      const size_t block = size_t(std::min<uint64_t>(entry.compressedSize - read, input_.size()));
      if (!ReadFully(archive, dataOffset + read, input_.data(), block)) return false;
      read += block;
      z.next_in = input_.data();
      z.avail_in = uInt(block);
    }
    z.next_out = output_.data();
    z.avail_out = uInt(output_.size());
    const int status = inflate(&z, Z_NO_FLUSH);
    const size_t produced = output_.size() - z.avail_out;
    if (produced > 0) {
      // More output than the directory announced: stop before writing it.
      if (produced > entry.size - written) return false;
      crc = Crc32(crc, output_.data(), produced);
      if (!out.WriteAt(int64_t(written), output_.data(), int64_t(produced))) return false;
      written += produced;
    }
    if (status == Z_STREAM_END) break;
    // Z_BUF_ERROR means no progress was possible: fine while input remains, else the data is cut.
    if (status == Z_BUF_ERROR && z.avail_in == 0 && read < entry.compressedSize) continue;
    if (status != Z_OK) return false;
  }
  return written == entry.size && crc == entry.crc32;
}

}  // namespace platform::zip
