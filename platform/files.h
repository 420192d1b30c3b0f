// Files and folders. Paths are GBK texts joined with "\" as the launcher builds
// them; each backend maps them to its own file system.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "platform/text.h"

namespace platform {

// The folder of the launcher's executable, without a trailing "\".
Text RunDirectory();

// The process's current working directory, without a trailing "\".
Text WorkingDirectory();

bool FileExists(const Text& path);

// Deletes a file; a missing file is not an error for the callers, who ignore the result.
bool DeleteFileAt(const Text& path);

// Writes the whole file, replacing an existing one. False when it cannot be written.
bool WriteWholeFile(const Text& path, std::string_view bytes);

std::optional<std::string> ReadWholeFile(const Text& path);

// Replaces `target` by `source` in one step (rename over it), read-only targets included.
bool MoveFileOver(const Text& source, const Text& target);

// Creates a folder and every missing folder above it. True when it exists afterwards.
bool CreateFolders(const Text& path);

// A file open for reading, at any 64-bit offset.
class FileReader {
 public:
  virtual ~FileReader() = default;
  static std::unique_ptr<FileReader> Open(const Text& path);  // null when it cannot be opened
  virtual int64_t Size() const = 0;
  // Reads up to size bytes at offset: the count read, 0 at the end, -1 on failure.
  virtual int64_t ReadAt(int64_t offset, void* buffer, int64_t size) = 0;
};

// A file open for writing (created or truncated), written at any 64-bit offset
// from any thread; writes to distinct ranges may run at once.
class FileWriter {
 public:
  virtual ~FileWriter() = default;
  static std::unique_ptr<FileWriter> Create(const Text& path);  // null when it cannot be created
  virtual bool WriteAt(int64_t offset, const void* data, int64_t size) = 0;
  // Sets the file's length (growing it with zeros or cutting it).
  virtual bool Resize(int64_t size) = 0;
  // Flushes and closes; false when anything written did not reach the file.
  virtual bool Close() = 0;
};

}  // namespace platform
