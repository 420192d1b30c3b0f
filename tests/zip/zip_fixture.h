// Test fixtures for the ZIP component: hand-made archives, sandboxes and tree snapshots.
#pragma once

#include <cstdint>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace zip_test {

// One entry of a hand-made archive. The defaults make a well-formed deflated Unix file.
struct FixtureEntry {
  std::string name;                       // the stored name bytes
  std::string data;                       // what the entry holds once extracted
  uint16_t method = 8;                    // 0 stored, 8 deflated; others store `data` as is
  uint16_t flags = 0;
  uint16_t madeBy = 0x031E;               // Unix, version 3.0
  uint32_t externalAttributes = 0100644u << 16;
  std::optional<uint32_t> crc;            // a CRC-32 other than the data's
  std::optional<uint64_t> size;           // a size other than the data's
  std::optional<uint64_t> compressedSize; // a compressed size other than the stored bytes'
  std::optional<std::string> compressed;  // data bytes other than the encoded `data`
  bool dataDescriptor = false;            // local header without sizes, descriptor after the data
  bool zip64 = false;                     // saturated fields and ZIP64 extra fields
  std::string extra;                      // further extra fields of the directory record
};

FixtureEntry File(std::string name, std::string data, uint16_t method = 8);
FixtureEntry Folder(std::string name);

// Builds archive bytes from entries, optionally with the ZIP64 end records.
class ArchiveBuilder {
 public:
  ArchiveBuilder& Add(FixtureEntry entry);
  ArchiveBuilder& Zip64End();
  std::string Bytes() const;

 private:
  std::vector<FixtureEntry> entries_;
  bool zip64End_ = false;
};

// Raw deflate of the bytes, as ZIP stores them.
std::string Deflate(const std::string& data);
uint32_t Crc32(const std::string& data);
// The Unicode Path extra field (0x7075) for a stored name.
std::string UnicodePathField(const std::string& storedName, const std::string& utf8Name);

// A fresh folder under the system's temporary folder (or under base), removed with
// everything in it.
class Sandbox {
 public:
  Sandbox();
  explicit Sandbox(const std::filesystem::path& base);
  ~Sandbox();
  Sandbox(const Sandbox&) = delete;
  Sandbox& operator=(const Sandbox&) = delete;
  const std::filesystem::path& path() const { return path_; }
  std::filesystem::path operator/(const std::string& relative) const { return path_ / relative; }

 private:
  std::filesystem::path path_;
};

// Every file (path -> content) and folder (path + "/" -> "") below root, paths relative
// and '/'-separated, as the file system spells them (UTF-8 on Linux).
using Tree = std::map<std::string, std::string>;
Tree TreeOf(const std::filesystem::path& root);

// What differs between two trees, one line per path (content shown by size only); empty
// when they are equal. Keeps failure messages readable for trees of large files.
std::string Differences(const Tree& actual, const Tree& expected);

void WriteFile(const std::filesystem::path& path, const std::string& bytes);
std::string ReadFile(const std::filesystem::path& path);

// Runs a shell command; its exit status.
int Shell(const std::string& command);
std::string Quoted(const std::filesystem::path& path);

// GBK <-> UTF-8 by iconv: the tests' own conversion, independent of the backend's.
std::string Utf8FromGbk(const std::string& gbk);
std::string GbkFromUtf8(const std::string& utf8);
// The tree with every path converted from GBK to UTF-8 (for folders unzip wrote byte for byte).
Tree Utf8Names(const Tree& gbkTree);
// Writes a tree (paths in UTF-8) below root, with names converted to GBK on disk if asked.
void WriteTree(const std::filesystem::path& root, const Tree& tree, bool gbkNames);

// A deterministic mix of text (compressible) and noise (not compressible).
std::string TextBytes(size_t size, uint32_t seed);
std::string NoiseBytes(size_t size, uint32_t seed);

}  // namespace zip_test
