#include "zip_fixture.h"

#include <sys/wait.h>
#include <unistd.h>

#include <iconv.h>

#include <cstdlib>
#include <fstream>
#include <random>
#include <sstream>
#include <stdexcept>

#include <zlib.h>

namespace zip_test {
namespace {

void Put16(std::string& out, uint32_t v) {
  out.push_back(char(v & 0xFF));
  out.push_back(char(v >> 8 & 0xFF));
}
void Put32(std::string& out, uint32_t v) {
  Put16(out, v & 0xFFFF);
  Put16(out, v >> 16);
}
void Put64(std::string& out, uint64_t v) {
  Put32(out, uint32_t(v));
  Put32(out, uint32_t(v >> 32));
}

std::string Zip64Extra(const std::vector<uint64_t>& values) {
  std::string field;
  Put16(field, 0x0001);
  Put16(field, uint32_t(values.size() * 8));
  for (uint64_t v : values) Put64(field, v);
  return field;
}

}  // namespace

FixtureEntry File(std::string name, std::string data, uint16_t method) {
  FixtureEntry entry;
  entry.name = std::move(name);
  entry.data = std::move(data);
  entry.method = method;
  return entry;
}

FixtureEntry Folder(std::string name) {
  FixtureEntry entry;
  entry.name = std::move(name);
  entry.method = 0;
  entry.externalAttributes = 040755u << 16 | 0x10;
  return entry;
}

std::string Deflate(const std::string& data) {
  z_stream z{};
  if (deflateInit2(&z, 6, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY) != Z_OK) throw std::runtime_error("deflate");
  std::string out(deflateBound(&z, uLong(data.size())), '\0');
  z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
  z.avail_in = uInt(data.size());
  z.next_out = reinterpret_cast<Bytef*>(out.data());
  z.avail_out = uInt(out.size());
  if (deflate(&z, Z_FINISH) != Z_STREAM_END) throw std::runtime_error("deflate");
  out.resize(z.total_out);
  deflateEnd(&z);
  return out;
}

uint32_t Crc32(const std::string& data) {
  return uint32_t(crc32(0, reinterpret_cast<const Bytef*>(data.data()), uInt(data.size())));
}

std::string UnicodePathField(const std::string& storedName, const std::string& utf8Name) {
  std::string field;
  Put16(field, 0x7075);
  Put16(field, uint32_t(5 + utf8Name.size()));
  field.push_back(1);
  Put32(field, Crc32(storedName));
  return field + utf8Name;
}

ArchiveBuilder& ArchiveBuilder::Add(FixtureEntry entry) {
  entries_.push_back(std::move(entry));
  return *this;
}

ArchiveBuilder& ArchiveBuilder::Zip64End() {
  zip64End_ = true;
  return *this;
}

std::string ArchiveBuilder::Bytes() const {
  std::string archive, directory;
  for (const FixtureEntry& e : entries_) {
    const std::string payload = e.compressed ? *e.compressed : e.method == 8 ? Deflate(e.data) : e.data;
    const uint32_t crc = e.crc ? *e.crc : Crc32(e.data);
    const uint64_t size = e.size ? *e.size : e.data.size();
    const uint64_t packed = e.compressedSize ? *e.compressedSize : payload.size();
    const uint64_t offset = archive.size();
    const uint16_t flags = uint16_t(e.flags | (e.dataDescriptor ? 1 << 3 : 0));
    const uint32_t saturated = 0xFFFFFFFF;

    std::string local;
    Put32(local, 0x04034b50);
    Put16(local, e.zip64 ? 45 : 20);
    Put16(local, flags);
    Put16(local, e.method);
    Put32(local, 0x5A210000);  // a fixed time and date
    Put32(local, e.dataDescriptor ? 0 : crc);
    const std::string localExtra = e.zip64 ? Zip64Extra({e.dataDescriptor ? 0 : size, e.dataDescriptor ? 0 : packed}) : "";
    Put32(local, e.zip64 ? saturated : e.dataDescriptor ? 0 : uint32_t(packed));
    Put32(local, e.zip64 ? saturated : e.dataDescriptor ? 0 : uint32_t(size));
    Put16(local, uint32_t(e.name.size()));
    Put16(local, uint32_t(localExtra.size()));
    archive += local + e.name + localExtra + payload;
    if (e.dataDescriptor) {
      Put32(archive, 0x08074b50);
      Put32(archive, crc);
      if (e.zip64) {
        Put64(archive, packed);
        Put64(archive, size);
      } else {
        Put32(archive, uint32_t(packed));
        Put32(archive, uint32_t(size));
      }
    }

    const std::string extra = (e.zip64 ? Zip64Extra({size, packed, offset}) : "") + e.extra;
    Put32(directory, 0x02014b50);
    Put16(directory, e.madeBy);
    Put16(directory, e.zip64 ? 45 : 20);
    Put16(directory, flags);
    Put16(directory, e.method);
    Put32(directory, 0x5A210000);
    Put32(directory, crc);
    Put32(directory, e.zip64 ? saturated : uint32_t(packed));
    Put32(directory, e.zip64 ? saturated : uint32_t(size));
    Put16(directory, uint32_t(e.name.size()));
    Put16(directory, uint32_t(extra.size()));
    Put16(directory, 0);  // comment
    Put16(directory, 0);  // disk
    Put16(directory, 0);  // internal attributes
    Put32(directory, e.externalAttributes);
    Put32(directory, e.zip64 ? saturated : uint32_t(offset));
    directory += e.name + extra;
  }
  const uint64_t directoryOffset = archive.size();
  archive += directory;
  if (zip64End_) {
    const uint64_t recordOffset = archive.size();
    Put32(archive, 0x06064b50);
    Put64(archive, 44);
    Put16(archive, 0x031E);
    Put16(archive, 45);
    Put32(archive, 0);
    Put32(archive, 0);
    Put64(archive, entries_.size());
    Put64(archive, entries_.size());
    Put64(archive, directory.size());
    Put64(archive, directoryOffset);
    Put32(archive, 0x07064b50);
    Put32(archive, 0);
    Put64(archive, recordOffset);
    Put32(archive, 1);
  }
  Put32(archive, 0x06054b50);
  Put16(archive, 0);
  Put16(archive, 0);
  Put16(archive, zip64End_ ? 0xFFFF : uint32_t(entries_.size()));
  Put16(archive, zip64End_ ? 0xFFFF : uint32_t(entries_.size()));
  Put32(archive, zip64End_ ? 0xFFFFFFFF : uint32_t(directory.size()));
  Put32(archive, zip64End_ ? 0xFFFFFFFF : uint32_t(directoryOffset));
  Put16(archive, 0);
  return archive;
}

Sandbox::Sandbox() : Sandbox(std::filesystem::temp_directory_path()) {}

Sandbox::Sandbox(const std::filesystem::path& base) {
  std::string pattern = (base / "zip-test-XXXXXX").string();
  if (!::mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp");
  path_ = pattern;
}

Sandbox::~Sandbox() {
  std::error_code ignored;
  std::filesystem::permissions(path_, std::filesystem::perms::owner_all, std::filesystem::perm_options::add, ignored);
  std::filesystem::remove_all(path_, ignored);
}

Tree TreeOf(const std::filesystem::path& root) {
  Tree tree;
  for (auto it = std::filesystem::recursive_directory_iterator(root); it != std::filesystem::recursive_directory_iterator();
       ++it) {
    const std::string relative = std::filesystem::relative(it->path(), root).generic_string();
    if (it->is_symlink()) {
      tree[relative] = "<link>";
    } else if (it->is_directory()) {
      tree[relative + "/"] = "";
    } else {
      tree[relative] = ReadFile(it->path());
    }
  }
  return tree;
}

std::string Differences(const Tree& actual, const Tree& expected) {
  std::string report;
  for (const auto& [path, content] : expected) {
    const auto found = actual.find(path);
    if (found == actual.end()) {
      report += "missing: " + path + "\n";
    } else if (found->second != content) {
      report += "differs: " + path + " (" + std::to_string(found->second.size()) + " bytes, expected " +
                std::to_string(content.size()) + ")\n";
    }
  }
  for (const auto& [path, content] : actual) {
    if (!expected.count(path)) report += "unexpected: " + path + "\n";
  }
  return report;
}

void WriteFile(const std::filesystem::path& path, const std::string& bytes) {
  std::filesystem::create_directories(path.parent_path());
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), std::streamsize(bytes.size()));
  if (!out) throw std::runtime_error("cannot write " + path.string());
}

std::string ReadFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream content;
  content << in.rdbuf();
  return content.str();
}

int Shell(const std::string& command) {
  const int status = std::system(command.c_str());
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string Quoted(const std::filesystem::path& path) {
  std::string quoted = "'";
  for (char c : path.string()) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return quoted + "'";
}

namespace {
std::string Iconv(const char* to, const char* from, const std::string& in) {
  iconv_t cd = iconv_open(to, from);
  if (cd == iconv_t(-1)) throw std::runtime_error("iconv_open");
  std::string out(in.size() * 4 + 4, '\0');
  char* ip = const_cast<char*>(in.data());
  size_t il = in.size(), ol = out.size();
  char* op = out.data();
  const size_t result = iconv(cd, &ip, &il, &op, &ol);
  iconv_close(cd);
  if (result == size_t(-1)) throw std::runtime_error("iconv: cannot convert " + in);
  out.resize(out.size() - ol);
  return out;
}
}  // namespace

std::string Utf8FromGbk(const std::string& gbk) { return Iconv("UTF-8", "GBK", gbk); }
std::string GbkFromUtf8(const std::string& utf8) { return Iconv("GBK", "UTF-8", utf8); }

Tree Utf8Names(const Tree& gbkTree) {
  Tree tree;
  for (const auto& [path, content] : gbkTree) tree[Utf8FromGbk(path)] = content;
  return tree;
}

void WriteTree(const std::filesystem::path& root, const Tree& tree, bool gbkNames) {
  for (const auto& [path, content] : tree) {
    const std::filesystem::path target = root / (gbkNames ? GbkFromUtf8(path) : path);
    if (!path.empty() && path.back() == '/') {
      std::filesystem::create_directories(target);
    } else {
      WriteFile(target, content);
    }
  }
}

std::string TextBytes(size_t size, uint32_t seed) {
  static const char* const kWords[] = {"patch ", "client ", "version ", "map ", "skill ", "item ", "\n", "npc ", "quest "};
  std::mt19937 random(seed);
  std::string text;
  while (text.size() < size) text += kWords[random() % 9];
  text.resize(size);
  return text;
}

std::string NoiseBytes(size_t size, uint32_t seed) {
  std::mt19937 random(seed);
  std::string noise(size, '\0');
  for (char& c : noise) c = char(random());
  return noise;
}

}  // namespace zip_test
