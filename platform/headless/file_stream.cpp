// Files for the headless backend: POSIX descriptors with positioned reads and writes.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <string>

#include "platform/files.h"
#include "platform/headless/state.h"

namespace platform {
namespace {

using headless::NativePath;

// ---- helpers -------------------------------------------------------------------------

// Owns a file descriptor.
class Descriptor {
 public:
  explicit Descriptor(int fd) : fd_(fd) {}
  ~Descriptor() { Close(); }
  Descriptor(const Descriptor&) = delete;
  Descriptor& operator=(const Descriptor&) = delete;
  int get() const { return fd_; }
  bool valid() const { return fd_ >= 0; }
  // False when the kernel reports a failure of data written earlier.
  bool Close() {
    if (fd_ < 0) return true;
    const bool ok = ::close(fd_) == 0;
    fd_ = -1;
    return ok;
  }

 private:
  int fd_;
};

bool IsFolder(const std::string& native) {
  struct stat info;
  return ::stat(native.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

bool MakeFolders(const std::string& native) {
  if (native.empty() || IsFolder(native)) return !native.empty();
  const size_t slash = native.find_last_of('/');
  if (slash != std::string::npos && slash > 0) MakeFolders(native.substr(0, slash));
  // Another writer may create it meanwhile; what counts is that it is there.
  ::mkdir(native.c_str(), 0777);
  return IsFolder(native);
}

// ---- the reader and the writer ---------------------------------------------------------

class PosixFileReader final : public FileReader {
 public:
  explicit PosixFileReader(int fd) : fd_(fd) {}

  int64_t Size() const override {
    struct stat info;
    return ::fstat(fd_.get(), &info) == 0 ? int64_t(info.st_size) : -1;
  }

  int64_t ReadAt(int64_t offset, void* buffer, int64_t size) override {
    if (offset < 0 || size < 0) return -1;
    for (;;) {
      const ssize_t got = ::pread(fd_.get(), buffer, size_t(size), off_t(offset));
      if (got >= 0) return got;
      if (errno != EINTR) return -1;
    }
  }

 private:
  Descriptor fd_;
};

class PosixFileWriter final : public FileWriter {
 public:
  explicit PosixFileWriter(int fd) : fd_(fd) {}

  bool WriteAt(int64_t offset, const void* data, int64_t size) override {
    if (offset < 0 || size < 0) return false;
    auto* bytes = static_cast<const char*>(data);
    while (size > 0) {
      const ssize_t put = ::pwrite(fd_.get(), bytes, size_t(size), off_t(offset));
      if (put < 0 && errno == EINTR) continue;
      if (put <= 0) return false;
      bytes += put, offset += put, size -= put;
    }
    return true;
  }

  bool Resize(int64_t size) override { return size >= 0 && ::ftruncate(fd_.get(), off_t(size)) == 0; }

  bool Close() override { return fd_.Close(); }

 private:
  Descriptor fd_;
};

}  // namespace

// ---- the seam ---------------------------------------------------------------------------

std::unique_ptr<FileReader> FileReader::Open(const Text& path) {
  const int fd = ::open(NativePath(path).c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return nullptr;
  struct stat info;
  if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
    ::close(fd);
    return nullptr;
  }
  return std::make_unique<PosixFileReader>(fd);
}

std::unique_ptr<FileWriter> FileWriter::Create(const Text& path) {
  const int fd = ::open(NativePath(path).c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  if (fd < 0) return nullptr;
  return std::make_unique<PosixFileWriter>(fd);
}

bool CreateFolders(const Text& path) {
  std::string native = NativePath(path);
  while (native.size() > 1 && native.back() == '/') native.pop_back();
  return MakeFolders(native);
}

bool MoveFileOver(const Text& source, const Text& target) {
  // rename() replaces the target in one step; a read-only target is no obstacle on POSIX,
  // where only the folder's permissions matter.
  return ::rename(NativePath(source).c_str(), NativePath(target).c_str()) == 0;
}

}  // namespace platform
