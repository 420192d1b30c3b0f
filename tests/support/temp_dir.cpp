#include "tests/support/temp_dir.h"

#include <unistd.h>

#include <fstream>
#include <stdexcept>
#include <sstream>

namespace testing_support {

TempDir::TempDir(const std::string& name) {
  std::string pattern = (std::filesystem::temp_directory_path() / (name + "-XXXXXX")).string();
  // No fallback folder: the destructor removes whatever path_ names.
  if (!mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed for " + pattern);
  path_ = pattern;
}

TempDir::~TempDir() {
  std::error_code ignored;
  std::filesystem::remove_all(path_, ignored);
}

platform::Text TempDir::Text(const std::string& utf8Name) const { return platform::Gbk((path_ / utf8Name).string()); }

std::string TempDir::Read(const std::string& utf8Name) const {
  std::ifstream in(path_ / utf8Name, std::ios::binary);
  std::ostringstream out;
  out << in.rdbuf();
  return out.str();
}

void TempDir::Write(const std::string& utf8Name, const std::string& bytes) const {
  std::filesystem::create_directories((path_ / utf8Name).parent_path());
  std::ofstream(path_ / utf8Name, std::ios::binary | std::ios::trunc) << bytes;
}

bool TempDir::Exists(const std::string& utf8Name) const { return std::filesystem::exists(path_ / utf8Name); }

}  // namespace testing_support
