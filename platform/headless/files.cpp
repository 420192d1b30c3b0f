// Files on Linux for the headless backend: launcher paths are GBK with "\"
// separators; here they become UTF-8 with "/".
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <sstream>

#include "platform/files.h"
#include "platform/headless/state.h"

namespace platform {
namespace headless {

std::string NativePath(const Text& path) {
  std::string native = Utf8(path);
  for (char& c : native)
    if (c == '\\') c = '/';
  return native;
}

}  // namespace headless

namespace {

Text AsText(const std::string& nativePath) {
  std::string path = nativePath;
  while (path.size() > 1 && path.back() == '/') path.pop_back();
  return Gbk(path);
}

std::string CurrentDirectory() {
  char buffer[4096];
  return getcwd(buffer, sizeof buffer) ? std::string(buffer) : std::string(".");
}

}  // namespace

Text RunDirectory() {
  const std::string& dir = headless::RunDirectoryPath();
  return AsText(dir.empty() ? CurrentDirectory() : dir);
}

Text WorkingDirectory() {
  const std::string& dir = headless::WorkingDirectoryPath();
  return AsText(dir.empty() ? CurrentDirectory() : dir);
}

bool FileExists(const Text& path) {
  struct stat st{};
  return stat(headless::NativePath(path).c_str(), &st) == 0 && !S_ISDIR(st.st_mode);
}

bool DeleteFileAt(const Text& path) { return path.size() > 0 && unlink(headless::NativePath(path).c_str()) == 0; }

bool WriteWholeFile(const Text& path, std::string_view bytes) {
  std::ofstream out(headless::NativePath(path), std::ios::binary | std::ios::trunc);
  if (!out) return false;
  out.write(bytes.data(), std::streamsize(bytes.size()));
  out.close();
  return bool(out);
}

std::optional<std::string> ReadWholeFile(const Text& path) {
  std::ifstream in(headless::NativePath(path), std::ios::binary);
  if (!in) return std::nullopt;
  std::ostringstream content;
  content << in.rdbuf();
  return content.str();
}

}  // namespace platform
